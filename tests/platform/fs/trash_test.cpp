// SPDX-License-Identifier: GPL-3.0-or-later
// Batch delete with the trash: each file is moved whole into the user's trash with an
// info file that names where it was, as file managers read them; nothing is journalled.
#include "platform/fs/appfolder.h"
#include "platform/fs/journal.h"
#include "platform/fs/trash.h"
#include "support/recordingui.h"
#include "support/shownrun.h"
#include "support/temptree.h"
#include "tools/batchdel/batchdelete.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

using morvik::test::RecordingUi;
using morvik::test::TempTree;
namespace platform = morvik::platform;

namespace
{

// An environment variable set for the length of a test.
class Env
{
public:
    Env(const char* name, const std::string& value) : m_name(name)
    {
        if (const char* old = std::getenv(name)) {
            m_old = old;
        }
        ::setenv(name, value.c_str(), 1);
    }
    ~Env()
    {
        if (m_old) {
            ::setenv(m_name, m_old->c_str(), 1);
        } else {
            ::unsetenv(m_name);
        }
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

// The keys of a trash info file, or none when its first line is not "[Trash Info]".
std::map<std::string, std::string> trashinfo(const std::string& path)
{
    std::istringstream in(morvik::test::readAll(path));
    std::map<std::string, std::string> keys;
    std::string line;
    if (!std::getline(in, line) || line != "[Trash Info]") {
        return keys;
    }
    while (std::getline(in, line)) {
        const auto eq = line.find('=');
        if (eq != std::string::npos) {
            keys[line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    return keys;
}

// A percent-encoded path as it was.
std::string decoded(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

class TrashDelete : public ::testing::Test
{
protected:
    TrashDelete() { platform::setappfolderfortesting(home.createDir("app")); }
    ~TrashDelete() override { platform::setappfolderfortesting({}); }

    void deleteintrash(const std::string& folder, const std::string& pattern)
    {
        morvik::batchdel::BatchDelete run(ui);
        morvik::batchdel::Inputs in;
        in.name = pattern;
        in.folder = folder;
        in.scan = true;
        in.trash = true;
        morvik::test::deleterunshown(run, in, ui);
    }

    TempTree home;
    RecordingUi ui;
};

TEST_F(TrashDelete, FilesOnTheHomeFileSystemGoToTheHomeTrash)
{
    const Env data("XDG_DATA_HOME", home.path("data"));
    home.createFile("site/百分 100%.bak", "first");
    home.createFile("site/sub/百分 100%.bak", "second");
    home.createFile("site/keep.htm", "stays");
    deleteintrash(home.path("site"), "*.bak");

    EXPECT_EQ(home.listing("site"), "keep.htm|sub");
    EXPECT_EQ(home.listing("site/sub"), "");
    // The second file of the same name gets a name of its own in the trash.
    EXPECT_EQ(home.listing("data/Trash/files"), "百分 100%.2.bak|百分 100%.bak");
    EXPECT_EQ(home.listing("data/Trash/info"), "百分 100%.2.bak.trashinfo|百分 100%.bak.trashinfo");
    std::map<std::string, std::string> byname;
    for (const std::string name : {"百分 100%.bak", "百分 100%.2.bak"}) {
        const auto keys = trashinfo(home.path("data/Trash/info/" + name + ".trashinfo"));
        ASSERT_EQ(keys.size(), 2u) << name;
        EXPECT_TRUE(std::regex_match(keys.at("DeletionDate"),
                                     std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d)")));
        // Encoded: printable ASCII only, no blank.
        const std::string& encoded = keys.at("Path");
        EXPECT_TRUE(std::all_of(encoded.begin(), encoded.end(), [](char c) {
            return c > ' ' && c < 0x7f;
        })) << encoded;
        byname[decoded(keys.at("Path"))] = home.read("data/Trash/files/" + name);
    }
    const std::map<std::string, std::string> expected = {
        {home.path("site/百分 100%.bak"), "first"},
        {home.path("site/sub/百分 100%.bak"), "second"}};
    EXPECT_EQ(byname, expected);
    // The trash is the way back: the run keeps no journal.
    EXPECT_TRUE(platform::history().empty());
    EXPECT_EQ(ui.titles(), "删除操作");
}

// A file on another file system goes to the trash at the top of its mount, named there
// relative to that top.
TEST_F(TrashDelete, FilesElsewhereGoToTheTrashAtTheTopOfTheirMount)
{
    const Env data("XDG_DATA_HOME", home.path("data"));
    TempTree shm("/dev/shm");
    struct stat a {
    };
    struct stat b {
    };
    ASSERT_EQ(::stat(home.root().c_str(), &a), 0);
    ASSERT_EQ(::stat(shm.root().c_str(), &b), 0);
    ASSERT_NE(a.st_dev, b.st_dev);
    const std::string leaf = shm.root().substr(shm.root().rfind('/') + 1);
    const std::string name = leaf + ".bak";
    shm.createFile(name, "elsewhere");
    deleteintrash(shm.root(), name);

    const std::string can = "/dev/shm/.Trash-" + std::to_string(::geteuid());
    struct stat st {
    };
    ASSERT_EQ(::lstat(can.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    const std::string kept = can + "/files/" + name;
    const std::string info = can + "/info/" + name + ".trashinfo";
    EXPECT_EQ(morvik::test::readAll(kept), "elsewhere");
    EXPECT_EQ(trashinfo(info)["Path"], leaf + "/" + name);
    ::unlink(kept.c_str());
    ::unlink(info.c_str());
    EXPECT_FALSE(shm.exists(name));
    EXPECT_FALSE(home.exists("data/Trash"));
}

// No trash can be made (a file stands where its folder would be): the file stays where
// it is, never unlinked, and the box names it and why.
TEST_F(TrashDelete, AFileWithoutAUsableTrashStaysAndIsNamed)
{
    const Env data("XDG_DATA_HOME", home.path("data"));
    home.createFile("data/Trash", "not a folder");
    home.createFile("site/a.bak", "kept");
    deleteintrash(home.path("site"), "a.bak");

    EXPECT_EQ(home.read("site/a.bak"), "kept");
    // After the run's summary, which refers to the error report.
    ASSERT_EQ(ui.titles(), "删除完成|回收站");
    EXPECT_EQ(ui.boxes[1].text.rfind("以下 1 个文件未能移入回收站，仍在原处：\n" +
                                         home.path("site/a.bak") + "：无法使用回收站 " +
                                         home.path("data/Trash"),
                                     0),
              0u)
        << ui.boxes[1].text;
}

TEST(TrashText, PathsArePercentEncodedBytes)
{
    EXPECT_EQ(platform::trashpathtext("/a b/100%/x~y_z-1.htm"), "/a%20b/100%25/x~y_z-1.htm");
    EXPECT_EQ(platform::trashpathtext("/中"), "/%E4%B8%AD");
}

} // namespace
