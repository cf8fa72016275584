// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/append/contentrun.h"

#include "common/dbrecord.h"
#include "platform/fs/appfolder.h"
#include "support/recordingui.h"
#include "support/shownrun.h"
#include "support/temptree.h"
#include "support/unprivileged.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <set>

using morvik::Icon;
using morvik::append::addtype;
using morvik::append::ContentSettings;
using morvik::append::deletetype;
using morvik::append::Scope;
using morvik::append::splittypes;
using morvik::append::thelist;
using morvik::test::RecordingUi;
using morvik::test::rerunasnobody;
using morvik::test::TempTree;

namespace
{

// A site: two files of each type on each of three levels.
void makesite(TempTree& tree)
{
    for (const char* dir : {"site", "site/s", "site/s/d"}) {
        tree.createFile(std::string(dir) + "/a.htm", "<body></body>");
        tree.createFile(std::string(dir) + "/a.txt", "text");
    }
    tree.createFile("site/a.css", "css");
}

std::string relative(const TempTree& tree, const morvik::MatchList& list)
{
    std::string out;
    for (const auto& path : list.paths) {
        out += path.substr(tree.root().size() + 1) + ",";
    }
    return out;
}

struct ScopeCase {
    const char* name;
    bool zi;
    std::int16_t c;
    const char* expected;
};

class TheList : public testing::TestWithParam<ScopeCase>
{
};

TEST_P(TheList, TwoTypesPatternAfterPattern)
{
    TempTree tree;
    makesite(tree);
    const auto& c = GetParam();
    EXPECT_EQ(relative(tree, thelist(tree.path("site"), "*.htm|*.txt", c.zi, c.c)), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Scopes, TheList,
    testing::Values(
        ScopeCase{"cur", false, 0, "site/a.htm,site/a.txt,"},
        ScopeCase{"currsub", true, 1, "site/a.htm,site/s/a.htm,site/a.txt,site/s/a.txt,"},
        ScopeCase{
            "all", true, 100,
            "site/a.htm,site/s/a.htm,site/s/d/a.htm,site/a.txt,site/s/a.txt,site/s/d/a.txt,"}),
    [](const testing::TestParamInfo<ScopeCase>& info) { return std::string(info.param.name); });

TEST(TheListPaths, CommaInANameStaysOnePathAndEmptyTypesSelectNothing)
{
    TempTree tree;
    tree.createFile("site/x,y.htm", "");
    const auto list = thelist(tree.path("site"), "*.htm", false, 0);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list.paths[0], tree.path("site/x,y.htm"));
    EXPECT_TRUE(thelist(tree.path("site"), "", true, 100).empty());
    EXPECT_EQ(thelist(tree.path("site"), "|*.htm|", false, 0).size(), 1u);
}

class ContentRun : public testing::Test
{
protected:
    void SetUp() override
    {
        tree.createDir("app");
        morvik::platform::setappfolderfortesting(tree.path("app"));
    }
    void TearDown() override { morvik::platform::setappfolderfortesting({}); }

    std::string stored(const std::string& key)
    {
        return morvik::recordvalue(morvik::dbrecord(morvik::dbpath(), key, false));
    }

    ContentSettings settings(const std::string& position)
    {
        ContentSettings s;
        s.contentfile = tree.path("content.txt");
        s.targetfolder = tree.path("site");
        s.position = position;
        s.types = {"*.htm"};
        s.scope = Scope::All;
        return s;
    }

    TempTree tree;
    RecordingUi ui;
};

TEST_F(ContentRun, TypeListRefusesTrimmedDuplicatesOnly)
{
    std::vector<std::string> types = {"*.txt"};
    ui.input(" *.txt");
    EXPECT_FALSE(addtype(types, ui));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "文件类型已存在！");
    EXPECT_EQ(ui.boxes[0].title, "文件类型错误");
    EXPECT_EQ(ui.boxes[0].icon, Icon::Critical);
    EXPECT_EQ(ui.prompts, std::vector<std::string>{"文件类型|请输入新文件类型,如*.txt"});

    ui.input("*.TXT");
    EXPECT_TRUE(addtype(types, ui));
    EXPECT_EQ(types, (std::vector<std::string>{"*.txt", "*.TXT"}));
    EXPECT_EQ(stored("appendtype"), "*.txt|*.TXT");

    // An empty list takes the answer as typed, space included.
    std::vector<std::string> empty;
    ui.input(" *.txt");
    EXPECT_TRUE(addtype(empty, ui));
    EXPECT_EQ(empty, std::vector<std::string>{" *.txt"});

    // Cancel and an empty answer change nothing.
    ui.input(std::nullopt);
    ui.input("");
    EXPECT_FALSE(addtype(types, ui));
    EXPECT_FALSE(addtype(types, ui));
    EXPECT_EQ(types.size(), 2u);
    EXPECT_EQ(ui.boxes.size(), 1u);
}

TEST_F(ContentRun, DeletingTheOnlyTypeSavesAnEmptyList)
{
    std::vector<std::string> types = {"*.htm"};
    EXPECT_FALSE(deletetype(types, -1, ui));
    EXPECT_TRUE(deletetype(types, 0, ui));
    EXPECT_TRUE(types.empty());
    EXPECT_NE(morvik::dbrecord(morvik::dbpath(), "appendtype", false), "");
    EXPECT_EQ(stored("appendtype"), "");
    EXPECT_TRUE(splittypes(stored("appendtype")).empty());
    EXPECT_EQ(splittypes("  *.htm|*.txt "), (std::vector<std::string>{"*.htm", "*.txt"}));
}

TEST_F(ContentRun, TypeListSaveFailureIsReported)
{
    // A folder where the store file should be stops root as well.
    tree.createDir("app/db.dat");
    std::vector<std::string> types;
    ui.input("*.htm");
    EXPECT_TRUE(addtype(types, ui));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].icon, Icon::Critical);
    EXPECT_NE(ui.boxes[0].text.find("db.dat"), std::string::npos);
}

TEST_F(ContentRun, ContentFileChecks)
{
    tree.createFile("empty.txt", "");
    tree.createFile(".hidden.txt", "x");
    tree.createDir("folder.txt");
    struct Case {
        std::string contentfile;
        std::string text, title;
        Icon icon;
        bool focus;
    };
    const Case cases[] = {
        {"", "请指定源文件", "设置错误", Icon::Warning, true},
        {tree.path("missing.txt"), "文件不存在，请将源文件设置为已经存在的文件", "文件错误",
         Icon::Critical, false},
        {tree.path(".hidden.txt"), "文件不存在，请将源文件设置为已经存在的文件", "文件错误",
         Icon::Critical, false},
        {tree.path("folder.txt"), "文件不存在，请将源文件设置为已经存在的文件", "文件错误",
         Icon::Critical, false},
        {tree.path("empty.txt"), "源文件是空的，请指定有效的文件。", "文件错误", Icon::Warning,
         true},
    };
    for (const auto& c : cases) {
        RecordingUi box;
        auto s = settings("");
        s.contentfile = c.contentfile;
        EXPECT_EQ(morvik::test::contentrunshown(s, box).done, 0u) << c.contentfile;
        ASSERT_EQ(box.boxes.size(), 1u) << c.contentfile;
        EXPECT_EQ(box.boxes[0].text, c.text);
        EXPECT_EQ(box.boxes[0].title, c.title);
        EXPECT_EQ(box.boxes[0].icon, c.icon);
        EXPECT_EQ(box.focused.size(), c.focus ? 1u : 0u);
        if (c.focus) {
            EXPECT_EQ(box.focused[0], "Text1");
        }
    }
}

// With a bad locator and ten targets: one message, nothing changed, no success; the next
// run with a corrected locator processes all ten.
TEST_F(ContentRun, BadLocatorStopsThenCorrectedRunProcessesAll)
{
    tree.createFile("content.txt", "x\ry");
    // One page per folder: the folders may be shared out among workers, and still the
    // bad locator is reported once.
    const auto page = [](int i) { return "site/d" + std::to_string(i) + "/p.htm"; };
    for (int i = 0; i < 10; ++i) {
        tree.createFile(page(i), "<body></body>");
    }
    auto outcome = morvik::test::contentrunshown(settings("X{:$}</body>"), ui);
    ASSERT_TRUE(outcome.refusal);
    EXPECT_EQ(outcome.refusal->field, morvik::append::kPositionField);
    EXPECT_EQ(outcome.done, 0u);
    EXPECT_EQ(ui.titles(), "标识符错误");
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(tree.read(page(i)), "<body></body>");
    }

    ui.clear();
    outcome = morvik::test::contentrunshown(settings("F{:$}</body>"), ui);
    EXPECT_FALSE(outcome.refused());
    EXPECT_EQ(outcome.done, 10u);
    EXPECT_TRUE(outcome.has(morvik::Notice::Kind::Done));
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(tree.read(page(i)), "<body>x\r\ny\r\n</body>");
    }
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "恭喜，文件已追加完成！");
    EXPECT_EQ(ui.boxes[0].title, "追加内容");
    EXPECT_EQ(ui.boxes[0].icon, Icon::Information);
}

TEST_F(ContentRun, FileMatchingTwoTypesIsProcessedTwice)
{
    tree.createFile("content.txt", "+");
    tree.createFile("site/a.htm", "a");
    tree.createFile("site/b.htm", "b");
    auto s = settings("");
    s.types = {"*.htm", "a*"};
    s.scope = Scope::Cur;
    EXPECT_EQ(morvik::test::contentrunshown(s, ui).done, 3u);
    EXPECT_EQ(tree.read("site/a.htm"), "a\r\n+\r\n+\r\n");
    EXPECT_EQ(tree.read("site/b.htm"), "b\r\n+\r\n");

    // Every type after the first puts the page in a span of its own, which two workers
    // would otherwise take at once: no rewrite may replace another's.
    tree.createFile("site/b.htm", std::string(1 << 16, 'b'));
    s.types = std::vector<std::string>(16, "b*");
    EXPECT_EQ(morvik::test::contentrunshown(s, ui).done, 16u);
    EXPECT_EQ(tree.read("site/b.htm").size(), (1u << 16) + 2 + 16 * 3);
}

// A page reached again through a link, before or after its own entry, changes once.
TEST_F(ContentRun, ALinkedPageChangesOnce)
{
    tree.createFile("content.txt", "+");
    tree.createFile("site/b.htm", "b");
    tree.createFile("site/m.htm", "m");
    tree.createSymlink("site/0.htm", "m.htm");
    tree.createSymlink("site/z.htm", "b.htm");
    auto s = settings("");
    s.scope = Scope::Cur;
    EXPECT_EQ(morvik::test::contentrunshown(s, ui).done, 4u);
    EXPECT_EQ(tree.read("site/b.htm"), "b\r\n+\r\n");
    EXPECT_EQ(tree.read("site/m.htm"), "m\r\n+\r\n");
}

TEST_F(ContentRun, ScopesReachTheirDepth)
{
    tree.createFile("content.txt", "+");
    makesite(tree);
    const std::string untouched = "<body></body>";
    const std::string done = "<body></body>\r\n+\r\n";
    auto s = settings("");
    s.scope = Scope::CurrSub;
    morvik::test::contentrunshown(s, ui);
    EXPECT_EQ(tree.read("site/a.htm"), done);
    EXPECT_EQ(tree.read("site/s/a.htm"), done);
    EXPECT_EQ(tree.read("site/s/d/a.htm"), untouched);
    EXPECT_EQ(tree.read("site/a.txt"), "text");

    s.scope = Scope::None;
    ui.clear();
    EXPECT_EQ(morvik::test::contentrunshown(s, ui).done, 0u);
    EXPECT_TRUE(ui.boxes.empty());
}

// A target that cannot be written is listed at the end; the others are processed and
// the success message is not shown.
TEST_F(ContentRun, FailedTargetsAreListedAndTheRunGoesOn)
{
    tree.createFile("content.txt", "+");
    tree.createFile("site/a.htm", "a");
    tree.createFile("site/b.htm", "b");
    tree.createFile("site/c.htm", "c");
    tree.setMode("site/b.htm", 0444);
    const auto outcome = morvik::test::contentrunshown(settings(""), ui);
    EXPECT_EQ(outcome.done, 2u);
    ASSERT_EQ(outcome.failures.size(), 1u);
    EXPECT_EQ(outcome.failures[0].path, tree.path("site/b.htm"));
    EXPECT_EQ(tree.read("site/a.htm"), "a\r\n+\r\n");
    EXPECT_EQ(tree.read("site/b.htm"), "b");
    EXPECT_EQ(tree.read("site/c.htm"), "c\r\n+\r\n");
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].title, "追加内容");
    EXPECT_EQ(ui.boxes[0].icon, Icon::Critical);
    EXPECT_NE(ui.boxes[0].text.find(tree.path("site/b.htm") + "："), std::string::npos);
}

// Folders shared out among workers: every page changes once, and the failures come in
// the walk's order, as one worker would list them.
TEST_F(ContentRun, ManyFoldersFailInTheWalksOrder)
{
    tree.createFile("content.txt", "+");
    std::set<std::string> readonly;
    const auto page = [&](const std::string& relative, bool locked) {
        tree.createFile(relative, "p");
        if (locked) {
            tree.setMode(relative, 0444);
            readonly.insert(tree.path(relative));
        }
    };
    for (int i = 0; i < 30; ++i) {
        const std::string folder = "site/d" + std::to_string(i) + "/";
        page(folder + "a.htm", false);
        page(folder + "b.htm", i % 3 == 0);
        page(folder + "c.htm", false);
    }
    // One large folder is shared out among the workers too.
    for (int i = 0; i < 300; ++i) {
        page("site/big/p" + std::to_string(1000 + i) + ".htm", i % 7 == 0);
    }
    std::vector<std::string> expected;
    for (const auto& path : thelist(tree.path("site"), "*.htm", true, 100).paths) {
        if (readonly.count(path)) {
            expected.push_back(path);
        }
    }
    const auto outcome = contentrun(settings(""), ui);
    EXPECT_EQ(outcome.done, 390u - readonly.size());
    std::vector<std::string> failed;
    for (const auto& failure : outcome.failures) {
        failed.push_back(failure.path);
    }
    EXPECT_EQ(failed, expected);
    for (int i = 0; i < 30; ++i) {
        const std::string folder = "site/d" + std::to_string(i) + "/";
        EXPECT_EQ(tree.read(folder + "a.htm"), "p\r\n+\r\n");
        EXPECT_EQ(tree.read(folder + "b.htm"), i % 3 == 0 ? "p" : "p\r\n+\r\n");
    }
    EXPECT_EQ(tree.read("site/big/p1001.htm"), "p\r\n+\r\n");
}

// An empty target box is no folder: nothing under the working folder is touched.
TEST_F(ContentRun, EmptyTargetFolderStopsBeforeTouchingAnything)
{
    tree.createFile("content.txt", "+");
    tree.createFile("site/a.htm", "a");
    const std::string cwd = std::filesystem::current_path();
    std::filesystem::current_path(tree.path("site"));
    auto s = settings("");
    s.targetfolder.clear();
    const auto outcome = morvik::test::contentrunshown(s, ui);
    std::filesystem::current_path(cwd);
    EXPECT_EQ(outcome.done, 0u);
    EXPECT_EQ(tree.read("site/a.htm"), "a");
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "请指定目标文件夹");
    EXPECT_EQ(ui.boxes[0].icon, Icon::Critical);
}

// A content file written on Linux (LF line ends) is read line by line, and a subfolder
// that cannot be read is listed while the others are processed.
TEST_F(ContentRun, UnreadableSubfolderIsListed)
{
    if (rerunasnobody()) {
        return;
    }
    tree.createFile("content.txt", "x\ny\n");
    tree.createFile("site/a.htm", "a\n");
    tree.createFile("site/closed/b.htm", "b\n");
    tree.setMode("site/closed", 0);
    auto s = settings("");
    s.scope = Scope::All;
    const auto outcome = morvik::test::contentrunshown(s, ui);
    tree.setMode("site/closed", 0755);
    EXPECT_EQ(tree.read("site/a.htm"), "a\nx\ny\n");
    EXPECT_EQ(tree.read("site/closed/b.htm"), "b\n");
    ASSERT_EQ(outcome.failures.size(), 1u);
    EXPECT_EQ(outcome.failures[0].path, tree.path("site/closed"));
    EXPECT_EQ(ui.titles(), "追加内容");
}

TEST_F(ContentRun, UnreadableTargetFolderIsNamed)
{
    tree.createFile("content.txt", "+");
    auto s = settings("");
    s.targetfolder = tree.path("nowhere");
    EXPECT_EQ(morvik::test::contentrunshown(s, ui).done, 0u);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].icon, Icon::Critical);
    EXPECT_NE(ui.boxes[0].text.find(tree.path("nowhere")), std::string::npos);
}

// Text from a GBK content file goes into a page of plain ASCII as the same GBK bytes.
TEST_F(ContentRun, GbkContentIntoAsciiPageKeepsItsBytes)
{
    tree.createFile("content.txt", "\xD6\xD0\xCE\xC4");
    tree.createFile("site/a.htm", "<body></body>");
    morvik::test::contentrunshown(settings("F{:$}</body>"), ui);
    EXPECT_EQ(tree.read("site/a.htm"), "<body>\xD6\xD0\xCE\xC4\r\n</body>");
}

} // namespace
