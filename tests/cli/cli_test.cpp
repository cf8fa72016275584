// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/runcli.h"
#include "platform/text/codec.h"
#include "support/httpserver.h"
#include "support/recordingui.h"
#include "support/temptree.h"
#include "tools/append/contentrun.h"
#include "tools/append/copyrun.h"
#include "tools/filelist/listgen.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

using morvik::test::CliProcess;
using morvik::test::runcli;
using morvik::test::TempTree;
namespace fs = std::filesystem;

namespace
{

using Files = std::map<std::string, std::string>;

// Every entry under a folder by relative path: a file's bytes, or "/" for a folder.
Files files(const std::string& root)
{
    Files found;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        found[fs::relative(entry.path(), root).string()] =
            entry.is_regular_file() ? morvik::test::readAll(entry.path()) : "/";
    }
    return found;
}

// The lines of a dry run's output with the folder's path taken off, sorted.
std::set<std::string> relativelines(const std::string& out, const std::string& root)
{
    std::set<std::string> lines;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        lines.insert(line.starts_with(root + "/") ? line.substr(root.size() + 1) : "?" + line);
    }
    return lines;
}

// The text with every `from` replaced by `to`.
std::string replaceall(std::string text, const std::string& from, const std::string& to)
{
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// The files that are new or different in `after`, or gone from it.
std::set<std::string> changedfiles(const Files& before, const Files& after)
{
    std::set<std::string> changed;
    for (const auto& [path, bytes] : after) {
        const auto old = before.find(path);
        if (bytes != "/" && (old == before.end() || old->second != bytes)) {
            changed.insert(path);
        }
    }
    for (const auto& [path, bytes] : before) {
        if (!after.count(path)) {
            changed.insert(path);
        }
    }
    return changed;
}

void makesite(TempTree& tree, const std::string& top)
{
    tree.createFile(top + "/index.htm", "<body>\r\n</body>\r\n");
    tree.createFile(top + "/a.bak", "1");
    tree.createFile(top + "/\xff\xfe.bak", "not UTF-8");
    tree.createFile(top + "/sub/b.bak", "2");
    tree.createFile(top + "/sub/page.htm", "<p></body>\r\n");
    tree.createFile(top + "/sub/deep/c.bak", "3");
    tree.createFile(top + "/keep.txt", "keep");
}

TEST(CliList, WritesTheListGeneratorsBytes)
{
    TempTree tree;
    tree.createDir("site/img");
    tree.createDir("site/css");
    tree.createFile("site/index.htm");
    tree.createFile("site/\xb9\xfa.htm"); // GBK bytes in the name
    tree.createFile("site/style.css");
    tree.createFile("site/.hidden.htm");
    const std::vector<std::string> folders = {tree.path("site/css"), tree.path("site/img")};
    const std::vector<std::string> files = {"index.htm", "\xb9\xfa.htm"};
    morvik::filelist::ListGenerator engine;
    engine.build(tree.path("site"), morvik::filelist::ItemList::of(folders),
                 morvik::filelist::ItemList::of(files), {true, true, true});
    const std::string expected = morvik::platform::togbk(engine.listing) + "\r\n";

    const auto piped =
        runcli({"list", "site", "--absolute", "--ext", "htm", "-o", "-"}, tree.root());
    EXPECT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(piped.out, expected);
    const auto utf8 =
        runcli({"list", "site", "--absolute", "--ext", "htm", "-o", "-", "--encoding", "UTF-8"},
               tree.root());
    EXPECT_EQ(utf8.out, engine.listing + "\r\n") << utf8.err;
    // For xargs -0: the names' own bytes, no headings.
    const auto nulls = runcli({"list", "site", "--ext", "htm", "-0"}, tree.root());
    EXPECT_EQ(nulls.out, std::string("css\0img\0index.htm\0\xb9\xfa.htm\0", 25)) << nulls.err;

    const auto written = runcli({"list", "site", "--absolute", "--ext", "htm"}, tree.root());
    EXPECT_EQ(written.status, 0) << written.err;
    EXPECT_EQ(tree.read("filelist.txt"), expected);
    EXPECT_NE(written.err.find("恭喜，filelist.txt文件列表已生成！\n" + tree.path("filelist.txt")),
              std::string::npos)
        << written.err;
    const auto named = runcli({"list", "site", "-o", "named.txt"}, tree.root());
    EXPECT_NE(named.err.find("已生成！\n" + tree.path("named.txt")), std::string::npos)
        << named.err;
    // The path named is the file written: ".." after a link leads out of the link's target.
    tree.createSymlink("img", tree.path("site/img"));
    const auto linked = runcli({"list", "site", "-o", "img/../out.txt"}, tree.root());
    EXPECT_TRUE(tree.exists("site/out.txt"));
    EXPECT_NE(linked.err.find("已生成！\n" + tree.path("site/out.txt") + "\n"), std::string::npos)
        << linked.err;
}

// A folder of thousands of names is sorted in batches and written out in pieces; the
// bytes must still be the generator's, whichever batch or piece a name falls in.
TEST(CliList, AFolderOfThousandsOfNamesListsAsTheGeneratorDoes)
{
    TempTree tree;
    // Hidden folders and links to folders are listed; hidden files and other types are not.
    std::vector<std::string> folders = {tree.path("site/.git"), tree.path("site/linked"),
                                        tree.path("site/sub")};
    std::vector<std::string> files;
    tree.createDir("site/sub");
    tree.createDir("site/.git");
    tree.createSymlink("site/linked", tree.path("site/sub"));
    tree.createFile("site/.hidden.htm");
    tree.createFile("site/style.css");
    for (int i = 0; i < 6000; ++i) {
        const int n = (i * 7919) % 6000; // not in the order of their names
        std::string name = (n % 10 == 0   ? "\xe9\xa1\xb5"
                            : n % 10 == 1 ? "\xb9\xfa"
                                          : "page") +
                           std::to_string(n) + std::string(n % 17, 'x') + ".htm";
        tree.createFile("site/" + name);
        files.push_back(name);
    }
    std::sort(files.begin(), files.end());
    morvik::filelist::ListGenerator engine;
    engine.build(tree.path("site"), morvik::filelist::ItemList::of(folders),
                 morvik::filelist::ItemList::of(files), {true, true, true});
    const auto piped =
        runcli({"list", "site", "--absolute", "--ext", "htm", "-o", "-"}, tree.root());
    EXPECT_EQ(piped.out, morvik::platform::togbk(engine.listing) + "\r\n") << piped.err;
    runcli({"list", "site", "--absolute", "--ext", "htm"}, tree.root());
    EXPECT_EQ(tree.read("filelist.txt"), piped.out);
    const auto nulls = runcli({"list", "site", "--files", "--ext", "htm", "-0"}, tree.root());
    std::string expected;
    for (const std::string& name : files) {
        expected += name + '\0';
    }
    EXPECT_EQ(nulls.out, expected) << nulls.err;
}

// The list replaces a link of its name (never writing through it) and writes into a pipe
// (never replacing it), as the shell's ">" does.
TEST(CliList, OutputReplacesALinkAndWritesIntoAPipe)
{
    TempTree tree;
    tree.createFile("site/index.htm");
    tree.createFile("victim.txt", "victim");
    tree.createSymlink("filelist.txt", tree.path("victim.txt"));
    const auto linked = runcli({"list", "site"}, tree.root());
    EXPECT_EQ(linked.status, 0) << linked.err;
    EXPECT_EQ(tree.read("victim.txt"), "victim");
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(tree.path("filelist.txt"))));

    ASSERT_EQ(::mkfifo(tree.path("pipe").c_str(), 0600), 0);
    CliProcess writer({"list", "site", "-o", "pipe"}, tree.root());
    const std::string read = morvik::test::readAll(tree.path("pipe"));
    const auto piped = writer.finish();
    EXPECT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(read, tree.read("filelist.txt"));
    EXPECT_TRUE(fs::is_fifo(tree.path("pipe")));
}

TEST(CliDelete, DeletesEveryMatchOfTheTreeWhateverItsNameBytes)
{
    TempTree tree;
    makesite(tree, "site");
    const auto result =
        runcli({"delete", "--name", "*.bak", "--in", "site", "-r", "--yes"}, tree.root());
    EXPECT_EQ(result.status, 0) << result.err;
    const Files expected = {{"index.htm", "<body>\r\n</body>\r\n"},
                            {"keep.txt", "keep"},
                            {"sub", "/"},
                            {"sub/deep", "/"},
                            {"sub/page.htm", "<p></body>\r\n"}};
    EXPECT_EQ(files(tree.path("site")), expected);
    EXPECT_NE(result.err.find("批量删除操作成功结束!"), std::string::npos);
    EXPECT_EQ(result.err.find("真的要执行此操作吗？"), std::string::npos) << result.err;
}

// On a terminal the confirmation is asked there: No deletes nothing, Yes deletes.
TEST(CliDelete, AsksOnTheTerminal)
{
    TempTree tree;
    tree.createFile("site/a.bak");
    const std::vector<std::string> args = {"delete", "--name", "*.bak", "--in", "site"};
    const auto declined = runcli(args, tree.root(), "n\n");
    EXPECT_EQ(declined.status, 1) << declined.err;
    EXPECT_TRUE(tree.exists("site/a.bak"));
    EXPECT_NE(declined.err.find("真的要执行此操作吗？"), std::string::npos);

    const auto confirmed = runcli(args, tree.root(), "y\n");
    EXPECT_EQ(confirmed.status, 0) << confirmed.err;
    EXPECT_FALSE(tree.exists("site/a.bak"));

    // The box listing what a list's one pattern matched asks again before deleting.
    tree.createFile("site/b.bak");
    tree.createFile("site/c.bak");
    tree.createFile("list.txt", "*.bak");
    const auto listed =
        runcli({"delete", "--list", "list.txt", "--in", "site"}, tree.root(), "y\nn\n");
    EXPECT_EQ(listed.status, 1) << listed.err;
    EXPECT_NE(listed.err.find(tree.path("site/b.bak") + "," + tree.path("site/c.bak")),
              std::string::npos);
    EXPECT_EQ(tree.listing("site"), "b.bak|c.bak");
}

// What a dry run prints is what the real run deletes from an identical tree; a file the
// run cannot delete (read-only) is in neither, and both runs say something failed.
TEST(CliDelete, DryRunListsExactlyWhatTheRunDeletes)
{
    TempTree tree;
    makesite(tree, "a");
    makesite(tree, "b");
    tree.setMode("a/sub/b.bak", 0444);
    tree.setMode("b/sub/b.bak", 0444);
    const Files before = files(tree.path("a"));

    const auto dry =
        runcli({"delete", "--name", "*.bak", "--in", "a", "-r", "--dry-run"}, tree.root());
    const auto real = runcli(
        {"delete", "--name", "*.bak", "--in", "b", "-r", "--yes", "--no-report"}, tree.root());

    EXPECT_EQ(files(tree.path("a")), before);
    const std::set<std::string> gone = changedfiles(before, files(tree.path("b")));
    EXPECT_EQ(relativelines(dry.out, tree.path("a")), gone);
    EXPECT_EQ(gone.size(), 3u);
    EXPECT_EQ(dry.status, 1);
    EXPECT_EQ(real.status, 1);
}

TEST(CliDelete, AFileThatStaysIsNamedInTheReport)
{
    TempTree tree;
    tree.createFile("site/there.txt", "x");
    const std::string missing = tree.path("site/missing.txt");
    tree.createFile("list.txt", tree.path("site/there.txt") + "\r\n" + missing + "\r\n");
    const std::string report = CliProcess::appfolder() + "/Err_Report.txt";
    fs::remove(report);

    const auto result = runcli({"delete", "--list", "list.txt", "--yes"}, tree.root());

    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_FALSE(tree.exists("site/there.txt"));
    EXPECT_NE(morvik::test::readAll(report).find(
                  morvik::platform::togbk(missing + std::string(16, ' ') + "错误原因：文件未找到")),
              std::string::npos);
}

TEST(CliCopy, CopiesAsTheEngineDoesAndTheDryRunListsTheCopies)
{
    TempTree tree;
    for (const char* top : {"a", "b"}) {
        tree.createFile(std::string(top) + "/src/x.txt", "new x");
        tree.createFile(std::string(top) + "/src/y.css", "y");
        tree.createFile(std::string(top) + "/src/.hidden", "h");
        tree.createFile(std::string(top) + "/dst/S1/x.txt", "old x");
        tree.createFile(std::string(top) + "/dst/S1/deep/z.txt", "z");
        tree.createDir(std::string(top) + "/dst/S2");
    }
    const Files before = files(tree.path("a"));
    const auto dry = runcli({"copy", "a/src", "a/dst", "--dry-run"}, tree.root());
    EXPECT_EQ(files(tree.path("a")), before);

    const auto real = runcli({"copy", "a/src", "a/dst"}, tree.root());
    morvik::test::RecordingUi ui;
    morvik::append::copyrun(tree.path("b/src"), {"x.txt", "y.css"}, tree.path("b/dst"), ui);

    EXPECT_EQ(real.status, 0) << real.err;
    EXPECT_EQ(files(tree.path("a")), files(tree.path("b")));
    EXPECT_EQ(relativelines(dry.out, tree.path("a")), changedfiles(before, files(tree.path("a"))));
    EXPECT_NE(real.err.find("文件追加成功！"), std::string::npos);
}

TEST(CliCopy, ADestinationThatCannotTakeTheCopyIsNamed)
{
    TempTree tree;
    tree.createFile("src/a.txt", "a");
    tree.createDir("dst/S1");
    tree.createDir("dst/S2/a.txt");
    const auto result = runcli({"copy", "src", "dst"}, tree.root());
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find(tree.path("dst/S2/a.txt")), std::string::npos) << result.err;
    EXPECT_EQ(tree.read("dst/S1/a.txt"), "a");
}

TEST(CliInsert, InsertsAsTheEngineDoesAndTheDryRunListsTheChanges)
{
    TempTree tree;
    for (const char* top : {"a", "b"}) {
        makesite(tree, top);
        tree.createFile(std::string(top) + "/sub/deep/far.htm", "</body>");
    }
    tree.createFile("content.txt", "<!-- x -->\r\n");
    const Files before = files(tree.path("a"));
    const std::vector<std::string> args = {"insert",       "content.txt", "a",
                                           "--types",      "htm,txt",     "--at",
                                           "F{:$}</body>", "--scope",     "one"};
    auto dryargs = args;
    dryargs.push_back("--dry-run");
    const auto dry = runcli(dryargs, tree.root());
    EXPECT_EQ(files(tree.path("a")), before);

    const auto real = runcli(args, tree.root());
    morvik::append::ContentSettings settings{tree.path("content.txt"),
                                             tree.path("b"),
                                             "F{:$}</body>",
                                             {"*.htm", "*.txt"},
                                             morvik::append::Scope::CurrSub};
    morvik::test::RecordingUi ui;
    morvik::append::contentrun(settings, ui);

    EXPECT_EQ(real.status, 0) << real.err;
    EXPECT_EQ(files(tree.path("a")), files(tree.path("b")));
    EXPECT_EQ(relativelines(dry.out, tree.path("a")), changedfiles(before, files(tree.path("a"))));
}

TEST(CliInsert, AReadOnlyTargetIsNamedAndTheOthersChange)
{
    TempTree tree;
    tree.createFile("site/a.htm", "</body>");
    tree.createFile("site/b.htm", "</body>");
    tree.setMode("site/a.htm", 0444);
    tree.createFile("content.txt", "x");
    const auto result = runcli({"insert", "content.txt", "site", "--types", "htm"}, tree.root());
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find(tree.path("site/a.htm")), std::string::npos) << result.err;
    EXPECT_EQ(tree.read("site/a.htm"), "</body>");
    EXPECT_NE(tree.read("site/b.htm"), "</body>");
}

// --types takes one value: the arguments after it stay positionals; it may be repeated.
TEST(CliInsert, TypesBeforeThePositionals)
{
    TempTree tree;
    for (const char* name : {"site/a.htm", "site/b.css", "site/c.txt"}) {
        tree.createFile(name, "</body>");
    }
    tree.createFile("content.txt", "x");
    const auto result =
        runcli({"insert", "--types", "htm", "--types", "css", "content.txt", "site"}, tree.root());
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(tree.read("site/a.htm"), "</body>");
    EXPECT_NE(tree.read("site/b.css"), "</body>");
    EXPECT_EQ(tree.read("site/c.txt"), "</body>");
}

// --wait changes only what a run does when another run works on its folder: alone, each
// command that changes files runs as it does without it.
TEST(CliWait, TheCommandsThatChangeFilesRunWithIt)
{
    TempTree tree;
    tree.createFile("src/a.txt", "a");
    tree.createFile("dst/S1/page.htm", "</body>");
    tree.createFile("content.txt", "x");
    EXPECT_EQ(runcli({"copy", "src", "dst", "--wait"}, tree.root()).status, 0);
    EXPECT_EQ(tree.read("dst/S1/a.txt"), "a");
    EXPECT_EQ(
        runcli({"insert", "content.txt", "dst", "--types", "htm", "--wait"}, tree.root()).status,
        0);
    EXPECT_NE(tree.read("dst/S1/page.htm"), "</body>");
    EXPECT_EQ(
        runcli({"delete", "--name", "a.txt", "--in", "dst/S1", "--yes", "--wait"}, tree.root())
            .status,
        0);
    EXPECT_FALSE(tree.exists("dst/S1/a.txt"));
}

// The help names each option's value in words and shows none of the parser's notation.
TEST(CliHelp, NamesValuesInWordsWithoutTheParsersNotation)
{
    for (const std::string command : {"list", "delete", "copy", "insert", "url"}) {
        const auto help = runcli({command, "--help"});
        EXPECT_EQ(help.status, 0) << help.err;
        for (const char* notation :
             {"{false}", "{all", "->", ":PATH", "INT", "REQUIRED", "Print"}) {
            EXPECT_EQ(help.out.find(notation), std::string::npos) << notation << "\n" << help.out;
        }
        if (command != "list" && command != "url") {
            EXPECT_NE(help.out.find("--wait"), std::string::npos) << help.out;
        }
    }
    EXPECT_NE(runcli({"insert", "--help"}).out.find("--scope this|one|all"), std::string::npos);
}

// Ctrl-C, SIGTERM or SIGHUP in the middle of a long run: it stops between two files,
// says how far it got, exits with 128 + the signal, and leaves every file either as it
// was or wholly rewritten, with no temporary file.
TEST(CliInsert, CtrlCStopsBetweenFilesAndLeavesEveryFileWhole)
{
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        TempTree tree;
        const std::string original = "<html><body>\r\n" + std::string(2000, 'p') + "</body>\r\n";
        constexpr int kFiles = 2000;
        for (int i = 0; i < kFiles; ++i) {
            tree.createFile("site/" + std::to_string(10000 + i) + ".htm", original);
        }
        tree.createFile("content.txt", "<!-- inserted -->\r\n");
        const std::string first = tree.path("site/10000.htm");

        CliProcess process({"insert", "content.txt", "site", "--types", "htm", "--at",
                            "F{:$}</body>", "--scope", "this"},
                           tree.root());
        while (morvik::test::readAll(first) == original) {
            usleep(200);
        }
        process.interrupt(signal);
        const auto result = process.finish();

        EXPECT_EQ(result.status, 128 + signal) << result.err;
        EXPECT_NE(result.err.find("操作已停止"), std::string::npos) << result.err;
        const std::string changed = morvik::test::readAll(first);
        int untouched = 0;
        for (const auto& entry : fs::directory_iterator(tree.path("site"))) {
            ASSERT_NE(entry.path().filename().string()[0], '.') << "temporary file left";
            const std::string bytes = morvik::test::readAll(entry.path());
            ASSERT_TRUE(bytes == original || bytes == changed) << entry.path();
            untouched += bytes == original;
        }
        EXPECT_GT(untouched, 0) << signal;
    }
}

// The paced run, a run with several transfers at once and a dry run agree: the same
// files (the later of two pages with one title wins), the same report lines in the same
// order, the same messages (a shortcut that cannot be written included) and exit status,
// and the dry run names the files the runs write, all named in UTF-8.
TEST(CliUrl, PacedAndParallelRunsWriteTheSameShortcutsAndReport)
{
    TempTree tree;
    morvik::test::HttpServer server;
    server.route("/a", morvik::test::HttpReply::page("<title>首页 - 示例</title>"));
    server.route("/b", morvik::test::HttpReply::page("no title here"));
    server.route("/c", morvik::test::HttpReply::page("<title>首页 - 示例</title>second"));
    // Transfers that fail: a reset, broken chunking, headers beyond libcurl's limit, a
    // redirect to a scheme that is not followed; and two addresses that are refused.
    morvik::test::HttpReply reset;
    reset.reset = true;
    server.route("/reset", reset);
    auto chunks = morvik::test::HttpReply::page("zz\r\n<title>Chunks</title>");
    chunks.headers.emplace_back("Transfer-Encoding", "chunked");
    server.route("/chunks", chunks);
    auto big = morvik::test::HttpReply::page("<title>Big</title>");
    big.headers.emplace_back("X-Filler", std::string(300000, 'x'));
    server.route("/big", big);
    server.route("/file", morvik::test::HttpReply::redirect("file:///etc/hostname"));
    const std::vector<std::string> failing = {server.url("/reset"),
                                              server.url("/chunks"),
                                              server.url("/big"),
                                              server.url("/file"),
                                              "http://[broken",
                                              "ftp://127.0.0.1/x",
                                              "http://",
                                              "http://a b/",
                                              "mailto:someone@example.com"};
    // A page whose shortcut cannot be written: a folder holds its name.
    server.route("/taken", morvik::test::HttpReply::page("<title>Taken</title>"));
    std::string list = server.url("/a") + "\r\n" + server.url("/b");
    for (const auto& address : failing) {
        list += "\r\n" + address;
    }
    tree.createFile("list.txt", list + "\r\n" + server.url("/taken") + "\r\n" + server.url("/c"));
    const std::string log = CliProcess::appfolder() + "/Error_CreateUrl.log";
    std::string logs[2];
    // Each run's messages, its output folder's name taken out.
    std::string messages[2][2];
    for (const char* jobs : {"1", "3"}) {
        const bool parallel = jobs[0] == '3';
        // Without the report, the addresses that got no shortcut still fail the run.
        fs::remove(log);
        const std::string quietout = tree.createDir(std::string("quiet") + jobs);
        tree.createDir(std::string("quiet") + jobs + "/Taken.url");
        const auto quiet =
            runcli({"url", "list.txt", "--out", quietout, "--jobs", jobs}, tree.root());
        EXPECT_EQ(quiet.status, 1) << jobs << quiet.err;
        EXPECT_FALSE(fs::exists(log));
        messages[parallel][0] = replaceall(quiet.err, quietout, "OUT");

        fs::remove(log);
        const std::string out = tree.createDir(std::string("out") + jobs);
        tree.createDir(std::string("out") + jobs + "/Taken.url");
        const auto result =
            runcli({"url", "list.txt", "--out", out, "--report", "--jobs", jobs}, tree.root());
        EXPECT_EQ(result.status, 1) << result.err;
        logs[parallel] = morvik::test::readAll(log);
        messages[parallel][1] = replaceall(result.err, out, "OUT");
    }
    const auto dry = runcli({"url", "list.txt", "--out", "out1", "--dry-run"}, tree.root());

    const std::string name = "首页 - 示例.url";
    EXPECT_EQ(tree.listing("out1"), "Taken.url|" + name);
    EXPECT_EQ(tree.read("out1/" + name), "[InternetShortcut]\r\nURL=" + server.url("/c") + "\r\n");
    EXPECT_EQ(files(tree.path("out1")), files(tree.path("out3")));
    EXPECT_NE(logs[0].find(server.url("/b")), std::string::npos);
    for (const auto& address : failing) {
        EXPECT_NE(logs[0].find(address + std::string(10, ' ')), std::string::npos) << address;
    }
    EXPECT_EQ(logs[0], logs[1]);
    // The shortcut that could not be written is named, and the end says so.
    EXPECT_NE(messages[0][1].find("OUT/Taken.url"), std::string::npos) << messages[0][1];
    EXPECT_NE(messages[0][1].find("有 1 个文件未能写入"), std::string::npos) << messages[0][1];
    EXPECT_EQ(messages[0][0], messages[1][0]);
    EXPECT_EQ(messages[0][1], messages[1][1]);
    EXPECT_EQ(dry.out, tree.path("out1/" + name) + "\n");
    EXPECT_EQ(dry.status, 1) << dry.err;

    // The last run (not the dry one) is undone whole: its shortcut goes, the folder that
    // held a name stays.
    const auto undone = runcli({"undo"}, tree.root());
    EXPECT_EQ(undone.status, 0) << undone.err;
    EXPECT_EQ(tree.listing("out3"), "Taken.url");
}

// libcurl is loaded by the url command only. With a file that is no library first on the
// library path, the other commands run as ever and url stops before its first address,
// naming the library and the loader's reason.
TEST(CliUrl, ABrokenLibcurlFailsOnlyTheUrlCommand)
{
    TempTree tree;
    tree.createFile("lib/libcurl.so.4", "");
    tree.createFile("list.txt", "http://127.0.0.1:9/a\r\n");
    tree.createDir("out");
    const char* old = std::getenv("LD_LIBRARY_PATH");
    const std::string saved = old ? old : "";
    setenv("LD_LIBRARY_PATH", tree.path("lib").c_str(), 1);
    const auto list = runcli({"list", "out", "-o", "-"}, tree.root());
    const auto url = runcli({"url", "list.txt", "--out", "out", "--report"}, tree.root());
    if (old) {
        setenv("LD_LIBRARY_PATH", saved.c_str(), 1);
    } else {
        unsetenv("LD_LIBRARY_PATH");
    }
    EXPECT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(url.status, 1);
    EXPECT_NE(url.err.find("HTTP 传输组件不可用：无法载入 libcurl.so.4：" +
                           tree.path("lib/libcurl.so.4") + ": file too short"),
              std::string::npos)
        << url.err;
    EXPECT_EQ(tree.listing("out"), "");
}

// Bad arguments or input: status 2, a message naming what is wrong, nothing touched.
struct BadArguments {
    const char* name;
    std::vector<std::string> args;
    const char* named; // what the message names
};

void PrintTo(const BadArguments& row, std::ostream* out)
{
    *out << row.name;
}

class CliBadArguments : public ::testing::TestWithParam<BadArguments>
{
};

TEST_P(CliBadArguments, ExitTwoAndTouchNothing)
{
    TempTree tree;
    makesite(tree, "site");
    tree.createFile("content.txt", "x");
    tree.createFile("empty.txt");
    tree.createFile("list.lst", "http://127.0.0.1:1/\r\n");
    const Files before = files(tree.root());

    const auto result = runcli(GetParam().args, tree.root());

    EXPECT_EQ(result.status, 2) << result.err;
    EXPECT_NE(result.err.find(GetParam().named), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(files(tree.root()), before);
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CliBadArguments,
    ::testing::Values(
        BadArguments{
            "DeleteWithoutTerminalOrYes", {"delete", "--name", "*.bak", "--in", "site"}, "--yes"},
        BadArguments{"DeleteRelativePath",
                     {"delete", "--name", "sub/b.bak", "--in", "site", "-y"},
                     "--name"},
        BadArguments{"DeleteMissingFolder",
                     {"delete", "--name", "*.bak", "--in", "nowhere", "-y"},
                     "nowhere"},
        BadArguments{"DeleteNameAndList",
                     {"delete", "--name", "a.bak", "--list", "content.txt", "-y"},
                     "--list"},
        BadArguments{"ListMissingFolder", {"list", "nowhere"}, "nowhere"},
        BadArguments{"CopyMissingSource", {"copy", "nowhere", "site"}, "nowhere"},
        BadArguments{"CopyUnknownOption", {"copy", "--bogus", "site", "site/sub"}, "--bogus"},
        BadArguments{"InsertBadLocator",
                     {"insert", "content.txt", "site", "--types", "htm", "--at", "X{:$}</body>"},
                     "前后标识符未指定或不正确！"},
        BadArguments{"InsertEmptyContent",
                     {"insert", "empty.txt", "site", "--types", "htm"},
                     "源文件是空的"},
        BadArguments{"UrlListNotTxt", {"url", "list.lst"}, "请指定正确的URL地址列表文件"},
        BadArguments{
            "InsertEmptyFolder", {"insert", "content.txt", "", "--types", "htm"}, "TARGET_DIR"},
        BadArguments{"CopyEmptySource", {"copy", "", "site"}, "SOURCE_DIR"},
        BadArguments{"CopyEmptyTarget", {"copy", "site", ""}, "TARGET_DIR"},
        BadArguments{"ListEmptyFolder", {"list", "", "-o", "-"}, "DIR"},
        BadArguments{"ListEmptyOutput", {"list", "site", "-o", ""}, "--output"},
        BadArguments{"DeleteEmptyFolder", {"delete", "--name", "*.bak", "--in", "", "-y"}, "--in"},
        BadArguments{"UrlEmptyOut", {"url", "list.lst", "--out", ""}, "--out"},
        BadArguments{"UnknownCommand",
                     {"lsit", "site"},
                     "未知的命令“lsit”。可用的命令：list、delete、copy、insert、url"},
        BadArguments{"NoCommand", {}, "缺少命令。可用的命令：list"},
        BadArguments{"UnknownOption", {"--bogus"}, "未知的选项“--bogus”"},
        BadArguments{"ListUnknownEncoding",
                     {"list", "site", "-o", "-", "--encoding", "latin1"},
                     "--encoding"},
        BadArguments{"ListEncodingOfAFile", {"list", "site", "--encoding", "utf-8"}, "--encoding"},
        BadArguments{"InsertUnknownScope",
                     {"insert", "content.txt", "site", "--types", "htm", "--scope", "every"},
                     "this、one、all"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
