// SPDX-License-Identifier: MIT
#include "util/StringUtility.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using Pieces = std::vector<std::string>;

TEST(ReplaceAll, DoublesEveryQuoteAndStops) {
    std::string text = "it's Ann's";
    EXPECT_EQ(StringUtility::replaceAll(text, "'", "''"), "it''s Ann''s");
}

TEST(ReplaceAll, ReplacementHoldingThePatternDoesNotLoop) {
    std::string text = "aXa";
    EXPECT_EQ(StringUtility::replaceAll(text, "a", "aa"), "aaXaa");
    std::string empty = "abc";
    EXPECT_EQ(StringUtility::replaceAll(empty, "", "x"), "abc");
}

TEST(Split, KeepsEmptyPiecesAsTheFiller) {
    EXPECT_EQ(StringUtility::split("a|b|", "|", ""), (Pieces{"a", "b", ""}));
    EXPECT_EQ(StringUtility::split("|a", "|", ""), (Pieces{"", "a"}));
    EXPECT_EQ(StringUtility::split("C:\\a\\", "\\", ""), (Pieces{"C:", "a", ""}));
    EXPECT_EQ(StringUtility::split("x||y", "|", "-"), (Pieces{"x", "-", "y"}));
    EXPECT_EQ(StringUtility::split("plain", "|", ""), (Pieces{"plain"}));
}

TEST(Split, EmptyTextOrDelimiterRaisesTheBareText) {
    for (const auto& [text, delimiter] :
         {std::pair<std::string, std::string>{"", "|"}, {"a|b", ""}}) {
        try {
            StringUtility::split(text, delimiter, "");
            ADD_FAILURE() << "no error for '" << text << "' / '" << delimiter << "'";
        } catch (const char* error) {
            EXPECT_STREQ(error, "StringUtility::split:empty string");
        }
    }
}

TEST(PathParts, FileNameAndExtension) {
    EXPECT_EQ(StringUtility::getFileName("C:\\a\\photo.jpg"), "photo.jpg");
    EXPECT_EQ(StringUtility::getFileName("bare.txt"), "");
    EXPECT_EQ(StringUtility::getFileName("C:\\a\\"), "");
    EXPECT_EQ(StringUtility::getExtension("archive.tar.gz"), ".gz");
    EXPECT_EQ(StringUtility::getExtension("README"), "");
    EXPECT_EQ(StringUtility::getExtension("name."), ".");
}

class ExpandEnvironment : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("LB_ROOT", "C:\\Windows", 1);
        setenv("LB_PERCENT", "50%", 1);
        unsetenv("LB_UNDEFINED");
    }
    static std::string expand(std::string text) {
        StringUtility::expandEnvironment(text);
        return text;
    }
};

TEST_F(ExpandEnvironment, ExpandsEveryOccurrenceOfADefinedName) {
    EXPECT_EQ(expand("%LB_ROOT%\\system32\\x.exe %LB_ROOT%"),
              "C:\\Windows\\system32\\x.exe C:\\Windows");
}

TEST_F(ExpandEnvironment, MalformedReferencesStayAndTheRestIsExpanded) {
    EXPECT_EQ(expand("50% off"), "50% off");
    EXPECT_EQ(expand("%%"), "%%");
    EXPECT_EQ(expand("%LB_UNDEFINED% %LB_ROOT%"), "%LB_UNDEFINED% C:\\Windows");
    EXPECT_EQ(expand("%LB_PERCENT%"), "%LB_PERCENT%");
    EXPECT_EQ(expand("%LB_ROOT%%"), "C:\\Windows%");
}
