// SPDX-License-Identifier: GPL-3.0-or-later
// Runs under the limits a cron job or a container sets: few descriptors, a file-size
// limit. Every file is still handled; a file the limit refuses is named alone.
#include "platform/fs/appfolder.h"
#include "platform/processlimits.h"
#include "run/folderworkers.h"
#include "support/recordingui.h"
#include "support/shownrun.h"
#include "support/temptree.h"
#include "tools/append/contentrun.h"
#include "tools/append/copyrun.h"
#include "tools/batchdel/batchdelete.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sched.h>
#include <sys/resource.h>

using morvik::test::RecordingUi;
using morvik::test::TempTree;

namespace
{

// Sets a resource limit for the test's lifetime.
class Limit
{
public:
    Limit(int resource, rlim_t soft) : m_resource(resource)
    {
        ::getrlimit(resource, &m_old);
        struct rlimit now = m_old;
        now.rlim_cur = soft;
        ::setrlimit(resource, &now);
    }
    ~Limit() { ::setrlimit(m_resource, &m_old); }

private:
    int m_resource;
    struct rlimit m_old {
    };
};

std::size_t opendescriptors()
{
    return static_cast<std::size_t>(
        std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                      std::filesystem::directory_iterator()));
}

morvik::append::ContentSettings plusinto(const TempTree& tree, const std::string& folder)
{
    morvik::append::ContentSettings settings;
    settings.contentfile = tree.path("content.txt");
    settings.targetfolder = tree.path(folder);
    settings.types = {"*.htm"};
    settings.scope = morvik::append::Scope::Cur;
    return settings;
}

TEST(Limits, FewDescriptorsStillHandleEveryFile)
{
    // Replaced and deleted files go through the releaser whatever the mount's options.
    ::setenv("MORVIK_RELEASER", "always", 1);
    struct Unset {
        ~Unset() { ::unsetenv("MORVIK_RELEASER"); }
    } unset;
    TempTree tree;
    morvik::platform::setappfolderfortesting(tree.createDir("app"));
    constexpr int kPages = 300;
    for (int i = 0; i < kPages; ++i) {
        tree.createFile("site/p" + std::to_string(i) + ".htm", "<body>");
        tree.createFile("src/s" + std::to_string(i) + ".txt", "s");
    }
    for (int i = 0; i < 3; ++i) {
        tree.createDir("dst/d" + std::to_string(i));
    }
    tree.createFile("content.txt", "+");
    std::vector<std::string> sources;
    for (int i = 0; i < kPages; ++i) {
        sources.push_back("s" + std::to_string(i) + ".txt");
    }
    RecordingUi ui;
    {
        const Limit few(RLIMIT_NOFILE, opendescriptors() + 32);
        EXPECT_TRUE(morvik::test::contentrunshown(plusinto(tree, "site"), ui).failures.empty());
        EXPECT_TRUE(morvik::test::copyrunshown(tree.path("src"), sources, tree.path("dst"), ui)
                        .failures.empty());
        morvik::batchdel::BatchDelete run(ui);
        morvik::batchdel::Inputs in;
        in.name = "*.htm";
        in.folder = tree.path("site");
        morvik::test::deleterunshown(run, in, ui);
        EXPECT_EQ(run.deleted(), static_cast<std::size_t>(kPages)) << ui.titles();
    }
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(tree.listing("dst/d" + std::to_string(i)).size(), tree.listing("src").size());
    }
}

TEST(Limits, AFileBeyondTheFileSizeLimitFailsAlone)
{
    TempTree tree;
    tree.createFile("site/big.htm", std::string(200000, 'a'));
    tree.createFile("site/small.htm", "s");
    tree.createFile("content.txt", "+");
    morvik::platform::prepareprocess();
    RecordingUi ui;
    morvik::Outcome outcome;
    {
        const Limit small(RLIMIT_FSIZE, 100000);
        outcome = morvik::test::contentrunshown(plusinto(tree, "site"), ui);
    }
    ASSERT_EQ(outcome.failures.size(), 1u);
    EXPECT_EQ(outcome.failures[0].path, tree.path("site/big.htm"));
    EXPECT_EQ(outcome.failures[0].reason, std::strerror(EFBIG));
    EXPECT_EQ(tree.read("site/small.htm"), "s\r\n+\r\n");
    EXPECT_EQ(tree.listing("site"), "big.htm|small.htm");
}

// A process pinned to some processors (taskset, a container's cpuset) starts a worker
// for each of those, not for every processor the machine has.
TEST(Limits, WorkersFollowTheProcessorsTheProcessMayUse)
{
    cpu_set_t allowed;
    ASSERT_EQ(::sched_getaffinity(0, sizeof allowed, &allowed), 0);
    EXPECT_EQ(morvik::folderworkers(1000, false), static_cast<unsigned>(CPU_COUNT(&allowed)));
    int first = 0;
    while (!CPU_ISSET(first, &allowed)) {
        ++first;
    }
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(first, &one);
    ASSERT_EQ(::sched_setaffinity(0, sizeof one, &one), 0);
    const unsigned pinned = morvik::folderworkers(1000, false);
    ::sched_setaffinity(0, sizeof allowed, &allowed);
    EXPECT_EQ(pinned, 1u);
}

} // namespace
