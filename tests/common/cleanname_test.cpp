// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/cleanname.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

using morvik::cleanname;
using morvik::kForbiddenNameChars;

TEST(Cleanname, ReplacesOnlyTheFirstForbiddenCharacter)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", ""},
        {"plain title", "plain title"},
        {"a/b", "a-b"},
        {"a/b:c", "a-b:c"},
        {"a|b|c", "a-b|c"},
        {"新闻:今日*要闻", "新闻-今日*要闻"},
        {"  spaced  ", "  spaced  "},
        {"ABC abc", "ABC abc"},
    };
    for (const auto& [title, cleaned] : cases) {
        EXPECT_EQ(cleanname(title, kForbiddenNameChars), cleaned) << title;
    }
}

TEST(Cleanname, PatternCoversExactlyTheNineCharacters)
{
    EXPECT_EQ(std::string(kForbiddenNameChars).size(), 15u);
    const std::string forbidden = "\\/:*?\"<>|";
    for (int c = 1; c < 128; ++c) {
        const std::string one(1, static_cast<char>(c));
        const bool expected = forbidden.find(static_cast<char>(c)) != std::string::npos;
        EXPECT_EQ(cleanname("x" + one + "y", kForbiddenNameChars),
                  expected ? "x-y" : "x" + one + "y")
            << "character " << c;
    }
    // No byte of a multi-byte UTF-8 character is touched.
    EXPECT_EQ(cleanname("中文标题😀", kForbiddenNameChars), "中文标题😀");
}

TEST(Cleanname, OtherPatternsAndFailures)
{
    EXPECT_EQ(cleanname("aAbB", "[A-Z]"), "a-bB"); // case-sensitive
    EXPECT_EQ(cleanname("abc", "x"), "abc");
    EXPECT_THROW(cleanname("abc", "[unclosed"), std::regex_error);
}
