// SPDX-License-Identifier: GPL-3.0-or-later
// Permission faults as they happen to a user without root's rights (as root the tests
// run again as nobody): a read-only file and a folder that cannot be written to keep
// their files, they and a folder that cannot be read are listed with the system's
// reason and no success is claimed; an application folder that cannot be written to
// sends the settings to the user's data folder.
#include "common/dbrecord.h"
#include "platform/fs/appfolder.h"
#include "support/recordingui.h"
#include "support/shownrun.h"
#include "support/temptree.h"
#include "support/unprivileged.h"
#include "tools/append/contentrun.h"
#include "tools/append/copyrun.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

using morvik::test::RecordingUi;
using morvik::test::rerunasnobody;
using morvik::test::TempTree;

namespace
{

const std::string kDenied = std::strerror(EACCES);

// A content run inserting "+" at the end of every *.htm of a folder.
void insertplus(const TempTree& tree, const std::string& folder, RecordingUi& ui)
{
    morvik::append::ContentSettings settings;
    settings.contentfile = tree.path("content.txt");
    settings.targetfolder = tree.path(folder);
    settings.types = {"*.htm"};
    settings.scope = morvik::append::Scope::Cur;
    morvik::test::contentrunshown(settings, ui);
}

// The run's one box lists the file with the system's reason.
void expectlisted(const RecordingUi& ui, const std::string& title, const std::string& path)
{
    ASSERT_EQ(ui.boxes.size(), 1u) << ui.titles();
    EXPECT_EQ(ui.boxes[0].title, title);
    EXPECT_EQ(ui.boxes[0].icon, morvik::Icon::Critical);
    EXPECT_NE(ui.boxes[0].text.find(path + "：" + kDenied), std::string::npos) << ui.boxes[0].text;
}

class EnvVar
{
public:
    EnvVar(const char* name, const std::string& value) : m_name(name)
    {
        if (const char* old = std::getenv(name)) {
            m_old = old;
        }
        ::setenv(name, value.c_str(), 1);
    }
    ~EnvVar()
    {
        if (m_old) {
            ::setenv(m_name, m_old->c_str(), 1);
        } else {
            ::unsetenv(m_name);
        }
    }
    EnvVar(const EnvVar&) = delete;
    EnvVar& operator=(const EnvVar&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

} // namespace

TEST(PermissionFaults, ReadOnlyFilesAreKeptAndListed)
{
    if (rerunasnobody()) {
        return;
    }
    TempTree tree;
    tree.createFile("content.txt", "+");
    tree.createFile("site/a.htm", "a\n");
    tree.createFile("site/b.htm", "b\n");
    tree.setMode("site/a.htm", 0444);
    RecordingUi ui;
    insertplus(tree, "site", ui);
    EXPECT_EQ(tree.read("site/a.htm"), "a\n");
    EXPECT_EQ(tree.read("site/b.htm"), "b\n+\n");
    expectlisted(ui, "追加内容", tree.path("site/a.htm"));

    tree.createFile("source/a.htm", "new");
    tree.createFile("target/s1/a.htm", "old");
    tree.createDir("target/s2");
    tree.setMode("target/s1/a.htm", 0444);
    RecordingUi copyui;
    morvik::test::copyrunshown(tree.path("source"), {"a.htm"}, tree.path("target"), copyui);
    EXPECT_EQ(tree.read("target/s1/a.htm"), "old");
    EXPECT_EQ(tree.read("target/s2/a.htm"), "new");
    expectlisted(copyui, "文件追加", tree.path("target/s1/a.htm"));
    EXPECT_EQ(tree.listing("site") + " " + tree.listing("target/s1"), "a.htm|b.htm a.htm");
}

TEST(PermissionFaults, UnwritableFoldersKeepTheirFilesAndAreListed)
{
    if (rerunasnobody()) {
        return;
    }
    TempTree tree;
    tree.createFile("content.txt", "+");
    tree.createFile("site/a.htm", "a\n");
    tree.setMode("site", 0555);
    RecordingUi ui;
    insertplus(tree, "site", ui);
    EXPECT_EQ(tree.read("site/a.htm"), "a\n");
    expectlisted(ui, "追加内容", tree.path("site/a.htm"));

    tree.createFile("source/a.htm", "new");
    tree.createFile("target/s1/a.htm", "old");
    tree.createDir("target/s2");
    tree.setMode("target/s1", 0555);
    RecordingUi copyui;
    morvik::test::copyrunshown(tree.path("source"), {"a.htm"}, tree.path("target"), copyui);
    EXPECT_EQ(tree.read("target/s1/a.htm"), "old");
    EXPECT_EQ(tree.read("target/s2/a.htm"), "new");
    expectlisted(copyui, "文件追加", tree.path("target/s1/a.htm"));
    EXPECT_EQ(tree.listing("site") + " " + tree.listing("target/s1"), "a.htm a.htm");
    tree.setMode("site", 0755);
    tree.setMode("target/s1", 0755);
}

TEST(PermissionFaults, UnreadableTargetFolderIsListed)
{
    if (rerunasnobody()) {
        return;
    }
    TempTree tree;
    tree.createFile("source/a.htm", "new");
    tree.createFile("target/s1/a.htm", "old");
    tree.setMode("target", 0);
    RecordingUi ui;
    morvik::test::copyrunshown(tree.path("source"), {"a.htm"}, tree.path("target"), ui);
    tree.setMode("target", 0755);
    EXPECT_EQ(tree.read("target/s1/a.htm"), "old");
    expectlisted(ui, "文件追加", tree.path("target"));
}

TEST(PermissionFaults, SettingsGoToTheUsersDataFolderWhenTheApplicationFolderIsClosed)
{
    if (rerunasnobody()) {
        return;
    }
    TempTree tree;
    tree.createFile("app/morvik", "");
    tree.setMode("app", 0555);
    const EnvVar data("XDG_DATA_HOME", tree.path("data"));
    morvik::platform::setappfolderfortesting(tree.path("app"));
    RecordingUi ui;
    const bool saved = morvik::append::savetypes({"*.htm", "*.txt"}, ui);
    const std::string stored = morvik::dbrecord(morvik::dbpath(), "appendtype", false);
    morvik::platform::setappfolderfortesting({});
    tree.setMode("app", 0755);

    EXPECT_TRUE(saved) << ui.titles();
    EXPECT_EQ(morvik::recordvalue(stored), "*.htm|*.txt");
    EXPECT_TRUE(tree.exists("data/morvik/db.dat"));
    EXPECT_EQ(tree.listing("app"), "morvik");
}
