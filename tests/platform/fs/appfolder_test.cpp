// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fs/appfolder.h"
#include "platform/net/browser.h"
#include "support/temptree.h"

#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <thread>
#include <unistd.h>

using namespace morvik::platform;
using morvik::test::TempTree;

namespace
{

// Restores an environment variable and the application folder at the end of a test.
class EnvGuard
{
public:
    explicit EnvGuard(const char* name) : m_name(name)
    {
        if (const char* v = std::getenv(name)) {
            m_old = v;
            m_had = true;
        }
    }
    ~EnvGuard()
    {
        if (m_had) {
            setenv(m_name, m_old.c_str(), 1);
        } else {
            unsetenv(m_name);
        }
        setappfolderfortesting({});
    }

private:
    const char* m_name;
    std::string m_old;
    bool m_had = false;
};

TEST(AppFolder, IsTheExecutablesFolder)
{
    char exe[4096];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    ASSERT_GT(n, 0);
    std::string path(exe, static_cast<std::size_t>(n));
    EXPECT_EQ(appfolder(), path.substr(0, path.find_last_of('/')));
}

TEST(AppFolder, DataGoesBesideAWritableApplication)
{
    TempTree t;
    EnvGuard guard("XDG_DATA_HOME");
    setappfolderfortesting(t.root() + "/");
    EXPECT_EQ(appfolder(), t.root());
    EXPECT_EQ(datafolder(), t.root());
}

TEST(AppFolder, DataMovesToTheUsersFolderOtherwise)
{
    TempTree t;
    EnvGuard guard("XDG_DATA_HOME");
    // A folder that cannot be written to, whoever runs the test.
    setappfolderfortesting(t.path("no-such-install/bin"));
    setenv("XDG_DATA_HOME", t.path("xdg").c_str(), 1);
    EXPECT_EQ(datafolder(), t.path("xdg/morvik"));
    EXPECT_TRUE(t.exists("xdg/morvik"));

    EnvGuard home("HOME");
    unsetenv("XDG_DATA_HOME");
    setenv("HOME", t.path("home").c_str(), 1);
    EXPECT_EQ(datafolder(), t.path("home/.local/share/morvik"));
    EXPECT_TRUE(t.exists("home/.local/share/morvik"));
}

TEST(AppFolder, AnInstalledProgramKeepsItsDataInTheUsersFolder)
{
    // Root may write into /usr/bin; an installed program must not put db.dat there.
    TempTree t;
    EnvGuard guard("XDG_DATA_HOME");
    setenv("XDG_DATA_HOME", t.path("xdg").c_str(), 1);
    t.createFile("prefix/share/morvik/ico/list1.bmp", "BM");
    t.createDir("prefix/bin");
    setappfolderfortesting(t.path("prefix/bin"));
    EXPECT_EQ(datafolder(), t.path("xdg/morvik"));

    // A portable copy, pictures beside the executable, keeps its data there.
    t.createFile("prefix/bin/ico/list1.bmp", "BM");
    EXPECT_EQ(datafolder(), t.path("prefix/bin"));
}

TEST(AppFolder, ResourcesNextToTheExecutableFirst)
{
    TempTree t;
    EnvGuard guard("XDG_DATA_HOME");
    setappfolderfortesting(t.root());
    // Missing everywhere: the expected path beside the executable names the failure.
    EXPECT_EQ(resourcepath("ico/list1.bmp"), t.path("ico/list1.bmp"));
    t.createFile("ico/list1.bmp", "BM");
    EXPECT_EQ(resourcepath("ico/list1.bmp"), t.path("ico/list1.bmp"));
}

TEST(AppFolder, InstalledResourcesAreFoundFromTheExecutable)
{
    // The layout `cmake --install` makes under any prefix.
    TempTree t;
    EnvGuard guard("XDG_DATA_HOME");
    t.createDir("prefix/bin");
    t.createFile("prefix/share/morvik/ico/help1.bmp", "BM");
    setappfolderfortesting(t.path("prefix/bin"));
    EXPECT_EQ(resourcepath("ico/help1.bmp"), t.path("prefix/share/morvik/ico/help1.bmp"));
    // A copy beside the executable still comes first.
    t.createFile("prefix/bin/ico/help1.bmp", "BM");
    EXPECT_EQ(resourcepath("ico/help1.bmp"), t.path("prefix/bin/ico/help1.bmp"));
    // Missing in both places: the path beside the executable names the failure.
    EXPECT_EQ(resourcepath("ico/help2.bmp"), t.path("prefix/bin/ico/help2.bmp"));

    // Only an executable in a "bin" folder looks in a share folder beside it.
    t.createFile("elsewhere/share/morvik/ico/app1.bmp", "BM");
    t.createDir("elsewhere/tools");
    setappfolderfortesting(t.path("elsewhere/tools"));
    EXPECT_EQ(resourcepath("ico/app1.bmp"), t.path("elsewhere/tools/ico/app1.bmp"));
}

TEST(Browser, HandsTheAddressToXdgOpenWithoutWaiting)
{
    TempTree t;
    EnvGuard guard("PATH");
    const std::string out = t.path("opened.txt");
    // A stand-in xdg-open that records its argument, then waits for the test to let it
    // go. Had openinbrowser waited for it, the release would come too late.
    t.createFile("bin/xdg-open", "#!/bin/sh\n"
                                 "printf '%s' \"$1\" > \"$0.part\"\n"
                                 "mv \"$0.part\" \"" +
                                     out +
                                     "\"\n"
                                     "i=0\n"
                                     "while [ ! -e \"" +
                                     t.path("release") +
                                     "\" ] && [ $i -lt 100 ]; do\n"
                                     "  sleep 0.1; i=$((i+1))\n"
                                     "done\n"
                                     "[ -e \"" +
                                     t.path("release") + "\" ] && : > \"" + t.path("released") +
                                     "\"\n");
    t.setMode("bin/xdg-open", 0755);
    setenv("PATH", (t.path("bin") + ":/usr/bin:/bin").c_str(), 1);

    const std::string url = "http://example.test/a b?x=1&y='2'$HOME";
    openinbrowser(url);
    t.createFile("release");
    auto waitfor = [&](const char* name) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!t.exists(name) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return t.exists(name);
    };
    ASSERT_TRUE(waitfor("opened.txt"));
    EXPECT_EQ(t.read("opened.txt"), url);
    EXPECT_TRUE(waitfor("released"));

    // A missing xdg-open is not an error.
    setenv("PATH", t.path("empty").c_str(), 1);
    openinbrowser(url);
}

} // namespace
