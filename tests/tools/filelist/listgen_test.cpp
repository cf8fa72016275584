// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/filelist/listgen.h"

#include "platform/fs/fsobject.h"
#include "run/ui.h"
#include "support/recordingui.h"
#include "support/temptree.h"
#include "ui/showoutcome.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <stdexcept>
#include <unistd.h>

using namespace morvik;
using filelist::ItemList;
using filelist::ListGenerator;
using filelist::ListOptions;
using test::RecordingUi;
using test::TempTree;

namespace
{

// Shows a generation's outcome as the window does; whether the list was written.
bool shownwritten(const Outcome& outcome, RecordingUi& ui)
{
    win::showoutcome(outcome, win::RunKind::List, ui);
    return outcome.failures.empty();
}

// GBK bytes of the headings, spelled out so the test does not lean on the codec.
const std::string kFolderHeadingGbk = "----\xce\xc4\xbc\xfe\xbc\xd0\xc1\xd0\xb1\xed----";
const std::string kFileHeadingGbk = "----\xce\xc4\xbc\xfe\xc1\xd0\xb1\xed----";

// Runs a test inside another working folder and goes back afterwards.
class WorkingFolder
{
public:
    explicit WorkingFolder(const std::string& folder)
    {
        char buffer[PATH_MAX];
        if (!getcwd(buffer, sizeof buffer)) {
            throw std::runtime_error("getcwd failed");
        }
        m_previous = buffer;
        if (chdir(folder.c_str()) != 0) {
            throw std::runtime_error("chdir failed: " + folder);
        }
    }
    ~WorkingFolder() { (void)chdir(m_previous.c_str()); }

private:
    std::string m_previous;
};

// What the window's folder list and file list give for a folder: subfolders as full
// paths, visible files as bare names.
struct Entries {
    std::string path;
    std::vector<std::string> subfolders;
    std::vector<std::string> files;
};

Entries entries(const std::string& folder)
{
    const auto f = platform::getfolder(folder);
    Entries e{f.path, {}, {}};
    for (const auto& s : f.subfolders) {
        e.subfolders.push_back(s.path);
    }
    for (const auto& file : f.files) {
        if (file.visible()) {
            e.files.push_back(file.name);
        }
    }
    return e;
}

// Generates the listing of `listed` with the working folder `work`; returns the bytes
// written.
std::string generate(const TempTree& tree, const std::string& listed, const ListOptions& options,
                     RecordingUi& ui, bool* written = nullptr)
{
    WorkingFolder cwd(tree.path("work"));
    const Entries e = entries(listed);
    ListGenerator generator;
    const bool ok = shownwritten(
        generator.generate(e.path, ItemList::of(e.subfolders), ItemList::of(e.files), options), ui);
    if (written) {
        *written = ok;
    }
    return tree.exists("work/filelist.txt") ? tree.read("work/filelist.txt") : std::string();
}

// The text and, on a line of its own, where the list went.
void expectSuccessBox(const RecordingUi& ui, const TempTree& tree)
{
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text,
              "恭喜，filelist.txt文件列表已生成！\n" + tree.path("work/filelist.txt"));
    EXPECT_EQ(ui.boxes[0].title, "生成列表");
    EXPECT_EQ(ui.boxes[0].icon, Icon::Information);
    EXPECT_EQ(ui.boxes[0].buttons, Buttons::Ok);
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to)
{
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

} // namespace

TEST(Cutstr, TakesWhatFollowsTheLastSlash)
{
    EXPECT_EQ(filelist::cutstr("/web/img"), "img");
    EXPECT_EQ(filelist::cutstr("index.htm"), "index.htm");
    EXPECT_EQ(filelist::cutstr("/web/"), "");
    EXPECT_EQ(filelist::cutstr("/"), "");
    EXPECT_EQ(filelist::cutstr(""), "");
}

TEST(Getstr, KindsAndModes)
{
    const std::vector<std::string> folders{"/web/img", "/web/css"};
    const std::vector<std::string> files{"a.htm", "b.htm"};
    const auto d = ItemList::of(folders);
    const auto f = ItemList::of(files);
    EXPECT_EQ(filelist::getstr(d.list, 2, "d", 1, ""), "img\r\ncss");
    EXPECT_EQ(filelist::getstr(d.list, 2, "d", 2, ""), "/web/img\r\n/web/css");
    EXPECT_EQ(filelist::getstr(f.list, 2, "f", 1, ""), "a.htm\r\nb.htm");
    EXPECT_EQ(filelist::getstr(f.list, 2, "f", 2, "/web"), "/web/a.htm\r\n/web/b.htm");
    EXPECT_EQ(filelist::getstr(f.list, 2, "f", 2, "/"), "//a.htm\r\n//b.htm");
    // Only the first mycount items are read.
    EXPECT_EQ(filelist::getstr(f.list, 1, "f", 1, ""), "a.htm");
    EXPECT_EQ(filelist::getstr(f.list, 0, "f", 1, ""), "");
}

TEST(Getstr, UnknownKindOrModeGivesNothing)
{
    const std::vector<std::string> items{"/web/img"};
    const auto list = ItemList::of(items).list;
    for (const char* kind : {"D", "F", "x", "", "dd", "f "}) {
        EXPECT_EQ(filelist::getstr(list, 1, kind, 1, ""), "") << "kind '" << kind << "'";
    }
    for (std::int16_t mode : {0, 3, -1}) {
        EXPECT_EQ(filelist::getstr(list, 1, "d", mode, ""), "") << "mode " << mode;
    }
}

TEST(ListGenerator, EmptyFolderGivesOneLineBreakAndStillReports)
{
    TempTree tree;
    tree.createDir("work");
    tree.createDir("listed");
    RecordingUi ui;
    EXPECT_EQ(generate(tree, tree.path("listed"), {}, ui), "\r\n");
    expectSuccessBox(ui, tree);
}

struct ContentCase {
    const char* name;
    std::vector<const char*> dirs;
    std::vector<const char*> files;
    ListOptions options;
    // "{dir}" stands for the listed folder's path.
    std::string expected;
};

class ListContent : public ::testing::TestWithParam<ContentCase>
{
};

TEST_P(ListContent, WritesTheListing)
{
    const auto& c = GetParam();
    TempTree tree;
    tree.createDir("work");
    tree.createDir("listed");
    for (const char* d : c.dirs) {
        tree.createDir(std::string("listed/") + d);
    }
    for (const char* f : c.files) {
        tree.createFile(std::string("listed/") + f, "x");
    }
    RecordingUi ui;
    const std::string expected = replaceAll(
        replaceAll(replaceAll(c.expected, "{dir}", tree.path("listed")), "[D]", kFolderHeadingGbk),
        "[F]", kFileHeadingGbk);
    EXPECT_EQ(generate(tree, tree.path("listed"), c.options, ui), expected);
    expectSuccessBox(ui, tree);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ListContent,
    ::testing::Values(
        ContentCase{"both_sections",
                    {"b", "a"},
                    {"y.css", "x.htm", ".hidden"},
                    {},
                    "[D]\r\na\r\nb\r\n\r\n[F]\r\n\r\nx.htm\r\ny.css\r\n"},
        ContentCase{"folders_only_in_folder", {"a", "b"}, {}, {}, "[D]\r\na\r\nb\r\n"},
        ContentCase{"files_only_in_folder", {}, {"x.htm"}, {}, "[F]\r\n\r\nx.htm\r\n"},
        ContentCase{"include_files_off", {"a"}, {"x.htm"}, {false, true, false}, "[D]\r\na\r\n"},
        ContentCase{
            "include_folders_off", {"a"}, {"x.htm"}, {false, false, true}, "[F]\r\n\r\nx.htm\r\n"},
        ContentCase{"absolute_paths",
                    {"img"},
                    {"index.htm", "z.htm"},
                    {true, true, true},
                    "[D]\r\n{dir}/img\r\n\r\n[F]\r\n\r\n{dir}/index.htm\r\n{dir}/z.htm\r\n"},
        ContentCase{"absolute_files_only",
                    {"img"},
                    {"index.htm"},
                    {true, false, true},
                    "[F]\r\n\r\n{dir}/index.htm\r\n"},
        ContentCase{"hidden_files_only", {}, {".htaccess"}, {}, "\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ListGenerator, RootGivesDoubledSlashForFiles)
{
    // Items as the lists give them for "/": subfolders as full paths, files bare.
    TempTree tree;
    tree.createDir("work");
    WorkingFolder cwd(tree.path("work"));
    const std::vector<std::string> subfolders{"/etc", "/usr"};
    const std::vector<std::string> files{"vmlinuz"};
    RecordingUi ui;
    ListGenerator generator;
    ASSERT_TRUE(shownwritten(
        generator.generate("/", ItemList::of(subfolders), ItemList::of(files), {true, true, true}),
        ui));
    EXPECT_EQ(tree.read("work/filelist.txt"), kFolderHeadingGbk + "\r\n/etc\r\n/usr\r\n\r\n" +
                                                  kFileHeadingGbk + "\r\n\r\n//vmlinuz\r\n");
    EXPECT_EQ(generator.folderlines, "/etc\r\n/usr");
    EXPECT_EQ(generator.filelines, "//vmlinuz");
}

TEST(ListGenerator, ChineseNamesAreWrittenInGbk)
{
    TempTree tree;
    tree.createDir("work");
    tree.createDir("listed/图片");
    tree.createFile("listed/中文.htm", "x");
    RecordingUi ui;
    EXPECT_EQ(generate(tree, tree.path("listed"), {}, ui),
              kFolderHeadingGbk + "\r\n\xcd\xbc\xc6\xac\r\n\r\n" + kFileHeadingGbk +
                  "\r\n\r\n\xd6\xd0\xce\xc4.htm\r\n");
}

TEST(ListGenerator, NamesThatAreNotUtf8KeepTheirBytes)
{
    // A GBK-named folder (啊) holding a GBK-named file (中), one with bytes that are
    // neither UTF-8 nor GBK, and a UTF-8 name (中) spoilt by a stray byte.
    TempTree tree;
    tree.createDir("work");
    const std::string folder = "listed/\xb0\xa1";
    tree.createFile(folder + "/\xd6\xd0.txt", "x");
    tree.createFile(folder + "/\xff\xfe.txt", "x");
    tree.createFile(folder + "/\xff\xe4\xb8\xad\xff", "x");
    tree.createDir(folder + "/\x80sub");
    RecordingUi ui;
    const std::string dir = tree.path(folder);
    EXPECT_EQ(generate(tree, dir, {}, ui),
              kFolderHeadingGbk + "\r\n\x80sub\r\n\r\n" + kFileHeadingGbk +
                  "\r\n\r\n\xd6\xd0.txt\r\n\xff\xe4\xb8\xad\xff\r\n\xff\xfe.txt\r\n");
    ui.clear();
    EXPECT_EQ(generate(tree, dir, {true, false, true}, ui),
              kFileHeadingGbk + "\r\n\r\n" + dir + "/\xd6\xd0.txt\r\n" + dir +
                  "/\xff\xe4\xb8\xad\xff\r\n" + dir + "/\xff\xfe.txt\r\n");

    // In a UTF-8 named folder (中文) the folder line of a subfolder not named in UTF-8 and
    // the file lines spell the folder alike, in GBK: each component is converted alone.
    tree.createDir("listed/中文/\x80sub");
    tree.createFile("listed/中文/a.txt", "x");
    const std::string gbkdir = tree.path("listed") + "/\xd6\xd0\xce\xc4";
    ui.clear();
    EXPECT_EQ(generate(tree, tree.path("listed/中文"), {true, true, true}, ui),
              kFolderHeadingGbk + "\r\n" + gbkdir + "/\x80sub\r\n\r\n" + kFileHeadingGbk +
                  "\r\n\r\n" + gbkdir + "/a.txt\r\n");
}

TEST(ListGenerator, SecondGenerationReplacesTheFirst)
{
    TempTree tree;
    tree.createDir("work");
    tree.createDir("big/sub");
    for (int i = 0; i < 50; ++i) {
        tree.createFile("big/file" + std::to_string(i) + ".txt", "x");
    }
    tree.createFile("small/one.txt", "x");
    RecordingUi ui;
    const std::string first = generate(tree, tree.path("big"), {}, ui);
    ASSERT_GT(first.size(), 500u);
    EXPECT_EQ(generate(tree, tree.path("small"), {}, ui), kFileHeadingGbk + "\r\n\r\none.txt\r\n");
    EXPECT_EQ(ui.boxes.size(), 2u);
}

TEST(ListGenerator, UnwritableWorkingFolderNamesTheFileAndKeepsTheOldOne)
{
    TempTree tree;
    tree.createDir("listed");
    tree.createFile("listed/a.htm", "x");
    std::string reason;
    if (test::runningAsRoot()) {
        // Root writes anywhere; a folder in the file's place makes the write fail.
        tree.createFile("work/filelist.txt/keep", "old");
        reason = std::strerror(EISDIR);
    } else {
        tree.createFile("work/filelist.txt", "old");
        tree.setMode("work", 0555);
        reason = std::strerror(EACCES);
    }
    RecordingUi ui;
    bool written = true;
    {
        WorkingFolder cwd(tree.path("work"));
        const Entries e = entries(tree.path("listed"));
        ListGenerator generator;
        written = shownwritten(
            generator.generate(e.path, ItemList::of(e.subfolders), ItemList::of(e.files), {}), ui);
    }
    EXPECT_FALSE(written);
    ASSERT_EQ(ui.boxes.size(), 1u) << "no success box after a failure";
    EXPECT_EQ(ui.boxes[0].title, "生成列表");
    EXPECT_EQ(ui.boxes[0].icon, Icon::Critical);
    EXPECT_NE(ui.boxes[0].text.find(tree.path("work/filelist.txt")), std::string::npos)
        << ui.boxes[0].text;
    EXPECT_NE(ui.boxes[0].text.find(reason), std::string::npos) << ui.boxes[0].text;
    if (test::runningAsRoot()) {
        EXPECT_EQ(tree.read("work/filelist.txt/keep"), "old");
        EXPECT_EQ(tree.listing("work"), "filelist.txt");
    } else {
        EXPECT_EQ(tree.read("work/filelist.txt"), "old");
        EXPECT_EQ(tree.listing("work"), "filelist.txt");
    }
}
