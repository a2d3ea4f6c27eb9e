// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "storage/SqlText.h"

TEST(SqlTextTest, LeadingIntegerReadsLikeTheRuntimeAndSaturates) {
    constexpr auto max = std::numeric_limits<std::int64_t>::max();
    constexpr auto min = std::numeric_limits<std::int64_t>::min();
    const std::pair<const char*, std::int64_t> cases[] = {
        {"  42abc", 42},
        {"-7", -7},
        {"+8", 8},
        {"x1", 0},
        {"", 0},
        {"9223372036854775807", max},
        {"9223372036854775808", max},
        {"-9223372036854775808", min},
        {"-99999999999999999999", min},
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(sqltext::leadingInteger(text), value) << text;
}
