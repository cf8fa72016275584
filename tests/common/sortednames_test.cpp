// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/sortednames.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

// Names come back in byte order however many sorted batches they were kept in: shared
// prefixes of every length, names that are prefixes of others, the same name twice, bytes
// above 0x7f, and enough names for several batches.
TEST(SortedNames, GivesBackEveryNameInByteOrder)
{
    const std::vector<std::string> stems = {
        "page0000", "page00001", "p", "", "\xe9\xa1\xb5", "\xb6\xd4", "Z", std::string(120, 'n')};
    std::mt19937 random(11);
    std::vector<std::string> added;
    morvik::SortedNames names;
    for (int i = 0; i < 20000; ++i) {
        std::string name = stems[random() % stems.size()] + std::to_string(random() % 5000);
        if (i % 3 == 0) {
            name += ".htm";
        }
        names.add(name);
        added.push_back(name);
    }
    std::sort(added.begin(), added.end());
    std::vector<std::string> given;
    names.inorder([&given](std::string_view name) { given.emplace_back(name); });
    EXPECT_EQ(names.size(), added.size());
    EXPECT_EQ(given, added);
}
