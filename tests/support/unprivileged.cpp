// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/unprivileged.h"

#include "support/temptree.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace morvik::test
{

namespace
{

namespace fs = std::filesystem;

constexpr const char* kMarkEnv = "MORVIK_UNPRIVILEGED_MARK";

// A private folder nobody may enter, holding a copy of this test program (the build
// folder may lie where nobody cannot reach it) and a home folder nobody owns. Removed
// when the program ends.
class Sandbox
{
public:
    Sandbox()
    {
        m_root = m_tree.root();
        fs::permissions(m_root, fs::perms(0755));
        m_program = m_root + "/tests";
        fs::copy_file("/proc/self/exe", m_program);
        fs::permissions(m_program, fs::perms(0755));
        m_home = m_tree.createDir("home");
        fs::permissions(m_home, fs::perms(0777));
    }
    const std::string& program() const { return m_program; }
    const std::string& home() const { return m_home; }
    const std::string& root() const { return m_root; }

private:
    TempTree m_tree{{}, "morvik-nobody"};
    std::string m_root;
    std::string m_program;
    std::string m_home;
};

Sandbox& sandbox()
{
    static Sandbox box;
    return box;
}

std::string currenttest()
{
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    return std::string(info->test_suite_name()) + "." + info->name();
}

} // namespace

bool rerunasnobody()
{
    if (geteuid() != 0) {
        if (const char* mark = std::getenv(kMarkEnv)) {
            std::ofstream(mark) << "ran";
        }
        return false;
    }
    Sandbox& box = sandbox();
    if (box.program().empty()) {
        ADD_FAILURE() << "no folder for the unprivileged run";
        return true;
    }
    const std::string mark = box.root() + "/ran-" + std::to_string(getpid());
    std::error_code ignored;
    fs::remove(mark, ignored);
    fs::permissions(box.root(), fs::perms(0777));

    const std::string filter = "--gtest_filter=" + currenttest();
    const pid_t child = fork();
    if (child == 0) {
        if (chdir(box.home().c_str()) != 0) {
            _exit(126);
        }
        setenv("HOME", box.home().c_str(), 1);
        setenv("XDG_DATA_HOME", (box.home() + "/data").c_str(), 1);
        setenv(kMarkEnv, mark.c_str(), 1);
        execlp("setpriv", "setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups",
               box.program().c_str(), filter.c_str(), "--gtest_brief=1",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    fs::permissions(box.root(), fs::perms(0755));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "the run as nobody failed (status " << status << ")";
    EXPECT_TRUE(fs::exists(mark)) << "the test's body did not run as nobody";
    fs::remove(mark, ignored);
    return true;
}

} // namespace morvik::test
