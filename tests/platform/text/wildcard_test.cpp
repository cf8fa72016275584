// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fs/fsobject.h"
#include "platform/text/wildcard.h"
#include "support/wildcardref.h"

#include <gtest/gtest.h>
#include <random>

using namespace morvik::platform;

namespace
{

struct Row {
    const char* label;
    const char* pattern;
    const char* name;
    bool match;
};

const Row kRows[] = {
    {"star_suffix", "*.txt", "a.txt", true},
    {"case_differs", "*.txt", "B.TXT", false},
    {"suffix_not_at_end", "*.txt", "c.txt.bak", false},
    {"star_dot_star_needs_dot", "*.*", "README", false},
    {"star_dot_star", "*.*", "a.b", true},
    {"star_alone_empty", "*", "", true},
    {"star_any", "*", "\xe4\xb8\xad\xe6\x96\x87", true},
    {"question_one_char", "a?c", "abc", true},
    {"question_not_zero", "a?c", "ac", false},
    {"question_utf8_char", "?.htm", "\xe4\xb8\xad.htm", true},
    {"question_two_bytes_not_two_chars", "??.htm", "\xe4\xb8\xad.htm", false},
    {"question_stray_byte", "?.txt", "\xce.txt", true},
    {"question_gbk_pair_is_two", "??.txt", "\xce\xc4.txt", true},
    {"hash_digit", "file#.txt", "file7.txt", true},
    {"hash_not_letter", "file#.txt", "filex.txt", false},
    {"hash_not_fullwidth_digit", "#", "\xef\xbc\x91", false},
    {"list", "[abc].txt", "b.txt", true},
    {"list_miss", "[abc].txt", "d.txt", false},
    {"range", "[a-c]x", "bx", true},
    {"range_miss", "[a-c]x", "dx", false},
    {"negated", "[!a-c]x", "dx", true},
    {"negated_miss", "[!a-c]x", "ax", false},
    {"negated_needs_one_char", "[!a]", "", false},
    {"bang_later_is_literal", "[a!]", "!", true},
    {"hyphen_first_literal", "[-a]", "-", true},
    {"hyphen_last_literal", "[a-]", "-", true},
    {"utf8_range", "[\xe4\xb8\x80-\xe9\xbe\xa5]*", "\xe4\xb8\xad\xe6\x96\x87", true},
    {"star_in_list_literal", "[*]", "*", true},
    {"star_in_list_not_any", "[*]", "a", false},
    {"unclosed_bracket_literal", "a[b", "a[b", true},
    {"unclosed_bracket_not_class", "a[b", "ab", false},
    {"unclosed_after_star", "*[", "x[", true},
    {"empty_list_matches_nothing", "a[]", "a", false},
    {"negated_empty_list_any_char", "a[!]", "ab", true},
    {"backtrack", "*a*b*c", "xaxbxbxc", true},
    {"backtrack_fail", "*a*b*c", "xaxbxbx", false},
    {"many_stars", "a**********b", "ab", true},
    {"star_then_question", "*?", "", false},
    {"whole_name", "a", "ab", false},
    {"whole_pattern", "ab", "a", false},
    {"literal_case", "A*", "abc", false},
};

class WildcardTable : public ::testing::TestWithParam<Row>
{
};

TEST_P(WildcardTable, Matches)
{
    const Row& r = GetParam();
    EXPECT_EQ(wildcardmatch(r.pattern, r.name), r.match)
        << "pattern " << r.pattern << " name " << r.name;
}

INSTANTIATE_TEST_SUITE_P(Rows, WildcardTable, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(WildcardReference, AgreesWithRegularExpressions)
{
    const std::vector<std::string> literals = {"a", "b", ".", "1", "\xe4\xb8\xad", "\xff", "-"};
    const std::vector<std::string> tokens = {"a",
                                             "b",
                                             ".",
                                             "1",
                                             "\xe4\xb8\xad",
                                             "*",
                                             "?",
                                             "#",
                                             "[ab]",
                                             "[!a]",
                                             "[a-c]",
                                             "[0-9.]",
                                             "[\xe4\xb8\x80-\xe4\xb8\xad]"};
    std::mt19937 rng(12345);
    auto pick = [&](const std::vector<std::string>& from) {
        return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(rng)];
    };
    std::vector<std::string> names = {"", "a", "a.b", "ab1", "\xe4\xb8\xad.1", "\xff\xff"};
    for (int i = 0; i < 60; ++i) {
        std::string n;
        const int len = std::uniform_int_distribution<int>(0, 7)(rng);
        for (int k = 0; k < len; ++k) {
            n += pick(literals);
        }
        names.push_back(n);
    }
    int matched = 0;
    for (int i = 0; i < 400; ++i) {
        std::string pattern;
        const int len = std::uniform_int_distribution<int>(1, 6)(rng);
        for (int k = 0; k < len; ++k) {
            pattern += pick(tokens);
        }
        if (i % 10 == 0) {
            pattern += "["; // an unclosed bracket is itself
        }
        for (const std::string& name : names) {
            const bool expected = morvik::test::referencematch(pattern, name);
            matched += expected;
            ASSERT_EQ(wildcardmatch(pattern, name), expected)
                << "pattern '" << pattern << "' name '" << name << "'";
        }
    }
    // The generated cases must exercise both outcomes.
    EXPECT_GT(matched, 100);
}

TEST(HasWildcard, OnlyStarAndQuestionMark)
{
    EXPECT_TRUE(haswildcard("*.txt"));
    EXPECT_TRUE(haswildcard("a?"));
    EXPECT_FALSE(haswildcard("file[1].txt"));
    EXPECT_FALSE(haswildcard("#1"));
    EXPECT_FALSE(haswildcard(""));
}

TEST(AnyVisibleMatch, LooksOnlyAtVisibleFiles)
{
    Folder f;
    f.path = "/x";
    f.files = {{".secret.txt", true}, {"sock.txt", false}, {"File[1].txt", true}};
    EXPECT_FALSE(anyvisiblematch(f, "*.bak"));
    EXPECT_FALSE(anyvisiblematch(f, ".secret.txt"));
    EXPECT_FALSE(anyvisiblematch(f, "sock.txt"));
    EXPECT_TRUE(anyvisiblematch(f, "*.txt"));
    EXPECT_TRUE(anyvisiblematch(f, "File[1].txt")); // no wildcard: the name itself
    EXPECT_FALSE(anyvisiblematch(f, "File1.txt"));
    EXPECT_FALSE(anyvisiblematch(f, "file[1].txt"));
    EXPECT_TRUE(anyvisiblematch(f, ""));
    f.files.pop_back();
    EXPECT_FALSE(anyvisiblematch(f, ""));
}

} // namespace

// The file list's filter, shared by the list window and the command line: patterns split
// at ";", and "*.*", "*" or nothing letting every name through.
TEST(PatternFilter, SplitsAtSemicolonsAndLetsAllThroughForStarDotStar)
{
    const PatternFilter two("*.htm;*.css");
    EXPECT_TRUE(two.matches("a.htm"));
    EXPECT_TRUE(two.matches("b.css"));
    EXPECT_FALSE(two.matches("c.txt"));
    EXPECT_FALSE(two.matches("a.htm.bak"));
    for (const char* all : {"", "*.*", "*", "*.htm;*.*", ";"}) {
        EXPECT_TRUE(PatternFilter(all).matches("README")) << all;
    }
    EXPECT_FALSE(PatternFilter("*.").matches("README"));
}
