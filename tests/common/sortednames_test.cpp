// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/sortednames.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace
{

// Names with shared prefixes of every length, names that are prefixes of others, the
// same name twice, bytes above 0x7f, and enough names for several batches.
std::vector<std::string> manynames()
{
    const std::vector<std::string> stems = {
        "page0000", "page00001", "p", "", "\xe9\xa1\xb5", "\xb6\xd4", "Z", std::string(120, 'n')};
    std::mt19937 random(11);
    std::vector<std::string> names;
    for (int i = 0; i < 20000; ++i) {
        std::string name = stems[random() % stems.size()] + std::to_string(random() % 5000);
        if (i % 3 == 0) {
            name += ".htm";
        }
        names.push_back(name);
    }
    return names;
}

struct Keeping {
    const char* what;
    std::size_t heldbytes;
    const char* tmpdir;  // nullptr: the test's own
    rlim_t scratchlimit; // the largest file the process may write
    bool spilled;
};

} // namespace

// Names come back in byte order however the sorted batches were kept: in memory, in the
// scratch file read back a little at a time, in memory because no scratch file could be
// made, and partly in each when the scratch file could not take them all.
TEST(SortedNames, GivesBackEveryNameInByteOrder)
{
    const std::vector<std::string> added = manynames();
    std::vector<std::string> sorted = added;
    std::sort(sorted.begin(), sorted.end());
    const Keeping keepings[] = {
        {"held", SIZE_MAX, nullptr, RLIM_INFINITY, false},
        {"spilled", 0, nullptr, RLIM_INFINITY, true},
        {"no temporary folder", 0, "/nonexistent-morvik", RLIM_INFINITY, false},
        {"scratch file full", 0, nullptr, 96 * 1024, true},
    };
    const char* tmpdir = std::getenv("TMPDIR");
    const std::string savedtmpdir = tmpdir != nullptr ? tmpdir : "";
    struct rlimit saved {
    };
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldhandler = std::signal(SIGXFSZ, SIG_IGN);
    for (const Keeping& keeping : keepings) {
        SCOPED_TRACE(keeping.what);
        if (keeping.tmpdir != nullptr) {
            setenv("TMPDIR", keeping.tmpdir, 1);
        }
        struct rlimit limit = saved;
        limit.rlim_cur = std::min(keeping.scratchlimit, saved.rlim_cur);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);

        // Read back in the least pieces, so that names straddle them.
        morvik::SortedNames names(keeping.heldbytes, 0);
        for (const std::string& name : added) {
            names.add(name);
        }
        std::vector<std::string> given;
        names.inorder([&given](std::string_view name) { given.emplace_back(name); });

        setrlimit(RLIMIT_FSIZE, &saved);
        if (tmpdir != nullptr) {
            setenv("TMPDIR", savedtmpdir.c_str(), 1);
        } else {
            unsetenv("TMPDIR");
        }
        EXPECT_EQ(names.spilled(), keeping.spilled);
        EXPECT_EQ(names.size(), added.size());
        EXPECT_EQ(given, sorted);
    }
    std::signal(SIGXFSZ, oldhandler);
}
