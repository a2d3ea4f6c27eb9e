// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "storage/SqlText.h"

TEST(SqlTextTest, QuotedDoublesEveryQuote) {
    EXPECT_EQ(sqltext::quoted("C:\\Bob's 'x'\\"), "'C:\\Bob''s ''x''\\'");
    EXPECT_EQ(sqltext::quoted(""), "''");
}

TEST(SqlTextTest, PrefixBoundRaisesTheLastByte) {
    EXPECT_EQ(sqltext::prefixCondition("FNAME", "C:\\A\\"),
              "FNAME >= 'C:\\A\\' AND FNAME < 'C:\\A]'");
}

TEST(SqlTextTest, RaisedByteThatBecomesAQuoteIsEscaped) {
    EXPECT_EQ(sqltext::prefixCondition("FNAME", "C:\\&"), "FNAME >= 'C:\\&' AND FNAME < 'C:\\'''");
}

TEST(SqlTextTest, TrailingFFBytesCarryIntoTheByteBefore) {
    EXPECT_EQ(sqltext::prefixCondition("FNAME", "C:\\\xFF\xFF"),
              "FNAME >= 'C:\\\xFF\xFF' AND FNAME < 'C:]'");
}

TEST(SqlTextTest, PrefixOfOnlyFFBytesOrEmptyHasNoUpperBound) {
    EXPECT_EQ(sqltext::prefixCondition("FNAME", "\xFF\xFF"), "FNAME >= '\xFF\xFF'");
    EXPECT_EQ(sqltext::prefixCondition("FNAME", ""), "FNAME >= ''");
}

TEST(SqlTextTest, RowIdsAreDecimalIntegersOnly) {
    for (const char* good : {"0", "17", "-3", "9223372036854775807"}) {
        EXPECT_TRUE(sqltext::isRowId(good)) << good;
    }
    for (const char* bad : {"", "-", " 1", "1 ", "1 OR 1=1", "0x10", "12345678901234567890"}) {
        EXPECT_FALSE(sqltext::isRowId(bad)) << bad;
    }
}

TEST(SqlTextTest, LeadingIntegerReadsLikeTheRuntime) {
    EXPECT_EQ(sqltext::leadingInteger("  42abc"), 42);
    EXPECT_EQ(sqltext::leadingInteger("-7"), -7);
    EXPECT_EQ(sqltext::leadingInteger("+8"), 8);
    EXPECT_EQ(sqltext::leadingInteger("x1"), 0);
    EXPECT_EQ(sqltext::leadingInteger(""), 0);
    EXPECT_EQ(sqltext::leadingInteger("1700000000123"), 1700000000123);
}

TEST(SqlTextTest, LeadingIntegerSaturatesInsteadOfOverflowing) {
    constexpr auto max = std::numeric_limits<std::int64_t>::max();
    constexpr auto min = std::numeric_limits<std::int64_t>::min();
    EXPECT_EQ(sqltext::leadingInteger("9223372036854775807"), max);
    EXPECT_EQ(sqltext::leadingInteger("9223372036854775808"), max);
    EXPECT_EQ(sqltext::leadingInteger("99999999999999999999999"), max);
    EXPECT_EQ(sqltext::leadingInteger("-9223372036854775808"), min);
    EXPECT_EQ(sqltext::leadingInteger("-9223372036854775809"), min);
}
