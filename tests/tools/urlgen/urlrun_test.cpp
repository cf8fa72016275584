// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/urlgen/urlrun.h"

#include "platform/fs/appfolder.h"
#include "platform/fs/journal.h"
#include "platform/text/codec.h"
#include "support/httpserver.h"
#include "support/recordingui.h"
#include "support/shownrun.h"
#include "support/temptree.h"
#include "tools/urlgen/urlloop.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using morvik::Icon;
using morvik::UrlLoop;
using morvik::UrlRun;
using morvik::UrlSettings;
using morvik::platform::HttpTimeouts;
using morvik::platform::togbk;
using morvik::test::HttpReply;
using morvik::test::HttpServer;
using morvik::test::readAll;
using morvik::test::RecordingUi;
using morvik::test::TempTree;
using namespace std::chrono_literals;

namespace
{

const std::string kShortcut = "[InternetShortcut]\r\nURL=";
const std::string kBlanks(10, ' ');

std::string page(const std::string& title)
{
    return "<html><head><title>" + title + "</title></head><body>x</body></html>";
}

class UrlRunTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        tree.createDir("app");
        tree.createDir("out");
        morvik::platform::setappfolderfortesting(tree.path("app"));
        settings.content = kShortcut;
        settings.folder = tree.path("out") + "/";
    }
    void TearDown() override { morvik::platform::setappfolderfortesting({}); }

    // Writes the list (lines joined as given) and runs it to the end.
    void go(const std::string& list, HttpTimeouts timeouts = {})
    {
        tree.createFile("list.txt", list);
        gorun(tree.path("list.txt"), timeouts);
    }
    void gorun(const std::string& listpath, HttpTimeouts timeouts = {})
    {
        run.settimeouts(timeouts);
        loop = std::make_unique<UrlLoop>(run, listpath, settings, 10ms, 10ms);
        if (change) {
            loop->onsettings(change);
        }
        outcome = morvik::test::urlrunshown(run, *loop, ui, &progress);
    }
    std::string url(const std::string& path) const { return server.url(path); }
    std::string log() const { return readAll(tree.path("app/Error_CreateUrl.log")); }
    std::string logline(const std::string& address, const std::string& reason) const
    {
        return togbk(address + kBlanks + reason + "\r\n");
    }

    TempTree tree;
    morvik::Outcome outcome;
    HttpServer server;
    RecordingUi ui;
    UrlRun run;
    UrlSettings settings;
    morvik::Progress progress;
    std::function<void(UrlSettings&)> change;
    std::unique_ptr<UrlLoop> loop;
};

TEST_F(UrlRunTest, EachNonEmptyLineMakesOneRequestAndOneShortcut)
{
    server.route("/a", HttpReply::page(page("Alpha")));
    server.route("/b", HttpReply::page(page("Beta")));
    server.route("/c", HttpReply::page(page("Gamma")));
    server.route("/d", HttpReply::page(page("Delta")));
    // CR LF, a lone CR and a lone LF all end a line; the empty line makes no request.
    go(url("/a") + "\r\n\r\n" + url("/b") + "\r" + url("/c") + "\n" + url("/d") + "\n");

    EXPECT_EQ(server.totalrequests(), 4);
    EXPECT_EQ(server.requests("/a"), 1);
    EXPECT_EQ(server.requests("/b"), 1);
    EXPECT_EQ(server.requests("/c"), 1);
    EXPECT_EQ(server.requests("/d"), 1);
    EXPECT_EQ(tree.listing("out"), "Alpha.url|Beta.url|Delta.url|Gamma.url");
    EXPECT_EQ(tree.read("out/Beta.url"), kShortcut + url("/b") + "\r\n");
    // The progress counts addresses, not lines.
    EXPECT_EQ(progress.found(), 4u);
    EXPECT_EQ(progress.done(), 4u);

    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "恭喜，URL文件生成完毕！");
    EXPECT_EQ(ui.boxes[0].title, "URL生成");
    EXPECT_EQ(ui.boxes[0].icon, Icon::Information);
    EXPECT_EQ(loop->statustext(), "生成完毕！");
    EXPECT_EQ(loop->marktext(), "");
    EXPECT_FALSE(run.busy());
    EXPECT_FALSE(tree.exists("app/Error_CreateUrl.log"));
}

TEST_F(UrlRunTest, SpacesAroundAnAddressAreTrimmedTabsAreNot)
{
    server.route("/a", HttpReply::page(page("Trimmed")));
    server.route("/b", HttpReply::page(page("Tabbed")));
    // A tab stays part of the address, which the transfer then rejects: no request, no
    // file, and the run goes on.
    go("   " + url("/a") + "   \r\n\t" + url("/b") + "\r\n" + "not a url at all\r\n");

    EXPECT_EQ(server.requests("/a"), 1);
    EXPECT_EQ(server.requests("/b"), 0);
    EXPECT_EQ(tree.listing("out"), "Trimmed.url");
    EXPECT_EQ(tree.read("out/Trimmed.url"), kShortcut + url("/a") + "\r\n");
    EXPECT_EQ(ui.titles(), "URL生成");
}

TEST_F(UrlRunTest, TheTemplateGetsTheAddressAfterEachMarkerAndOneLineEnd)
{
    server.route("/a", HttpReply::page(page("Twice")));
    settings.content = "URL=\r\n; comment\r\nURL=";
    go(url("/a"));
    EXPECT_EQ(tree.read("out/Twice.url"),
              "URL=" + url("/a") + "\r\n; comment\r\nURL=" + url("/a") + "\r\n");
}

TEST_F(UrlRunTest, TheFileIsWrittenInGbk)
{
    server.route("/a", HttpReply::page(page("Title")));
    settings.content = "[网址]\r\nURL=";
    go(url("/a"));
    EXPECT_EQ(tree.read("out/Title.url"), togbk("[网址]\r\nURL=" + url("/a") + "\r\n"));
}

TEST_F(UrlRunTest, AnEmptyTemplateWritesNothing)
{
    server.route("/a", HttpReply::page(page("Nothing")));
    settings.content.clear();
    go(url("/a"));
    EXPECT_EQ(server.requests("/a"), 1);
    EXPECT_EQ(tree.listing("out"), "");
    EXPECT_EQ(ui.titles(), "URL生成");
}

TEST_F(UrlRunTest, TheSecondPageWithTheSameTitleReplacesTheFirst)
{
    server.route("/a", HttpReply::page(page("Same")));
    server.route("/b", HttpReply::page(page("Same")));
    go(url("/a") + "\r\n" + url("/b"));
    EXPECT_EQ(tree.listing("out"), "Same.url");
    EXPECT_EQ(tree.read("out/Same.url"), kShortcut + url("/b") + "\r\n");
}

TEST_F(UrlRunTest, TitlesBecomeSafeNamesInsideTheFolder)
{
    server.route("/slash", HttpReply::page(page("a/b")));
    server.route("/empty", HttpReply::page(page("")));
    server.route("/climb", HttpReply::page(page("../../x")));
    server.route("/refs", HttpReply::page(page("\r\n  R&amp;D &#x4E2D;\r\n")));
    go(url("/slash") + "\r\n" + url("/empty") + "\r\n" + url("/climb") + "\r\n" + url("/refs"));
    EXPECT_EQ(tree.listing("out"), "..-..-x.url|.url|R&D 中.url|a-b.url");
    EXPECT_EQ(tree.listing(), "app|list.txt|out");
    // The data folder holds the run's undo record, no shortcut.
    EXPECT_EQ(tree.listing("app"), "undo");
}

TEST_F(UrlRunTest, APageWithoutTheLowerCaseMarkerGivesNoFile)
{
    server.route("/caps", HttpReply::page("<HTML><TITLE>Capitals</TITLE></HTML>"));
    server.route("/empty", HttpReply::page(""));
    go(url("/caps") + "\r\n" + url("/empty"));
    EXPECT_EQ(tree.listing("out"), "");
    EXPECT_FALSE(tree.exists("app/Error_CreateUrl.log"));
    EXPECT_EQ(ui.titles(), "URL生成");
}

TEST_F(UrlRunTest, APageWithoutATitleIsReportedWhenTheReportIsOn)
{
    server.route("/caps", HttpReply::page("<TITLE>Capitals</TITLE>"));
    // An empty body is a finished request with nothing to read: no report line.
    server.route("/empty", HttpReply::page(""));
    settings.report = true;
    go(url("/caps") + "\r\n" + url("/empty"));
    EXPECT_EQ(log(), togbk("网址" + kBlanks + "错误原因\r\n") +
                         logline(url("/caps"), "未找到网页标题，未能生成URL"));
}

TEST_F(UrlRunTest, AnOutputFolderWithoutTheSlashSendsFilesToTheApplicationFolder)
{
    server.route("/a", HttpReply::page(page("Here")));
    settings.folder = tree.path("out");
    go(url("/a"));
    EXPECT_EQ(tree.listing("out"), "");
    EXPECT_EQ(tree.listing("app"), "Here.url|undo"); // and the run's undo record
}

TEST_F(UrlRunTest, TheSettingsAreReadAnewForEachAddress)
{
    server.route("/a", HttpReply::page(page("First")));
    server.route("/b", HttpReply::page(page("Second")));
    tree.createDir("other");
    int readings = 0;
    change = [&](UrlSettings& s) {
        // The first reading is the check for an output folder before the first address.
        if (++readings == 3) {
            s.folder = tree.path("other") + "/";
            s.content = "URL=";
        }
    };
    go(url("/a") + "\r\n" + url("/b"));
    EXPECT_EQ(tree.listing("out"), "First.url");
    EXPECT_EQ(tree.listing("other"), "Second.url");
    EXPECT_EQ(tree.read("other/Second.url"), "URL=" + url("/b") + "\r\n");
}

TEST_F(UrlRunTest, AChineseTitleComesRightFromGbkAndUtf8Pages)
{
    server.route("/gbk", HttpReply::page(togbk(page("中文网页")), "text/html; charset=gbk"));
    server.route("/meta",
                 HttpReply::page(togbk("<meta charset=\"gb2312\">" + page("元标记")), "text/html"));
    server.route("/guess", HttpReply::page(togbk(page("猜测编码")), "text/html"));
    server.route("/utf8", HttpReply::page(page("统一码"), "text/html; charset=utf-8"));
    go(url("/gbk") + "\r\n" + url("/meta") + "\r\n" + url("/guess") + "\r\n" + url("/utf8"));
    // Named in UTF-8, listed in the order of the names' bytes.
    EXPECT_EQ(tree.listing("out"), "中文网页.url|元标记.url|猜测编码.url|统一码.url");
}

TEST_F(UrlRunTest, TheDeclaredCharsetGivesTheTitleAndTheNameIsUtf8)
{
    // 繁體標題 in Big5, 日本語のタイトル in Shift_JIS, 한국어 in EUC-KR, "Café Zürich" in
    // windows-1252 under the label that browsers read as windows-1252.
    // The header's label wins over the page's own.
    server.route("/big5", HttpReply::page("<meta charset=\"gbk\">" +
                                              page("\xC1\x63\xC5\xE9\xBC\xD0\xC3\x44"),
                                          "text/html; charset=big5"));
    server.route("/sjis", HttpReply::page("<meta charset=\"Shift_JIS\">" +
                                          page("\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x83\x5E"
                                               "\x83\x43\x83\x67\x83\x8B")));
    server.route("/euckr", HttpReply::page("<meta http-equiv=\"Content-Type\" content=\"text/html; "
                                           "charset=euc-kr\">" +
                                           page("\xC7\xD1\xB1\xB9\xBE\xEE")));
    server.route("/latin",
                 HttpReply::page(page("Caf\xE9 Z\xFCrich"), "text/html; charset=ISO-8859-1"));
    go(url("/big5") + "\r\n" + url("/sjis") + "\r\n" + url("/euckr") + "\r\n" + url("/latin"));

    EXPECT_EQ(tree.listing("out"), "Café Zürich.url|日本語のタイトル.url|繁體標題.url|한국어.url");
}

TEST_F(UrlRunTest, AGbkListFileIsRead)
{
    server.route("/a", HttpReply::page(page("Listed")));
    tree.createFile("列表.txt", togbk("  " + url("/a") + "\r\n"));
    gorun(tree.path("列表.txt"));
    EXPECT_EQ(tree.listing("out"), "Listed.url");
}

TEST_F(UrlRunTest, AnExistingLinkOfThatNameIsReplacedNotWrittenThrough)
{
    server.route("/a", HttpReply::page(page("Linked")));
    server.route("/b", HttpReply::page(page("Dangling")));
    tree.createFile("victim.txt", "keep me");
    tree.createSymlink("out/Linked.url", tree.path("victim.txt"));
    tree.createSymlink("out/Dangling.url", tree.path("created-outside.txt"));
    go(url("/a") + "\r\n" + url("/b"));

    EXPECT_EQ(tree.read("victim.txt"), "keep me");
    EXPECT_FALSE(tree.exists("created-outside.txt"));
    struct stat st;
    ASSERT_EQ(lstat(tree.path("out/Linked.url").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(tree.read("out/Linked.url"), kShortcut + url("/a") + "\r\n");
    ASSERT_EQ(lstat(tree.path("out/Dangling.url").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
}

TEST_F(UrlRunTest, AShortcutThatCannotBeWrittenIsNamedAndTheRunGoesOn)
{
    server.route("/a", HttpReply::page(page("Blocked")));
    server.route("/b", HttpReply::page(page("Fine")));
    // A folder of the shortcut's name cannot be replaced by a file.
    tree.createDir("out/Blocked.url");
    go(url("/a") + "\r\n" + url("/b"));

    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_NE(ui.boxes[0].text.find(tree.path("out/Blocked.url")), std::string::npos);
    EXPECT_EQ(ui.boxes[0].icon, Icon::Critical);
    EXPECT_EQ(ui.boxes[1].title, "URL生成");
    // The end of the run does not claim success after a failure.
    EXPECT_EQ(ui.boxes[1].text, "URL文件生成完毕，但有 1 个文件未能写入（见前面的提示）。");
    EXPECT_EQ(ui.boxes[1].icon, Icon::Warning);
    EXPECT_EQ(tree.listing("out"), "Blocked.url|Fine.url");
    EXPECT_EQ(tree.listing("out/Blocked.url"), "");
}

struct ListCase {
    const char* label;
    const char* name; // the list path, relative to the tree
};

class RejectedList : public UrlRunTest, public ::testing::WithParamInterface<ListCase>
{
};

TEST_P(RejectedList, IsRefusedWithTheMessageAndFocusInTheListBox)
{
    server.route("/a", HttpReply::page(page("Never")));
    for (const char* name : {"list.TXT", "list.txt.bak", ".hidden.txt", "dir.txt/x.txt"}) {
        tree.createFile(name, url("/a") + "\r\n");
    }
    gorun(tree.path(GetParam().name));

    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "请指定正确的URL地址列表文件");
    EXPECT_EQ(ui.boxes[0].title, "文件错误");
    EXPECT_EQ(ui.boxes[0].icon, Icon::Critical);
    ASSERT_EQ(ui.focused.size(), 1u);
    EXPECT_EQ(ui.focused[0], "Text1");
    EXPECT_EQ(server.totalrequests(), 0);
    EXPECT_EQ(loop->statustext(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Paths, RejectedList,
    ::testing::Values(ListCase{"capital_extension", "list.TXT"},
                      ListCase{"longer_extension", "list.txt.bak"},
                      ListCase{"hidden", ".hidden.txt"}, ListCase{"folder", "dir.txt"},
                      ListCase{"trailing_slash", "dir.txt/"}, ListCase{"missing", "missing.txt"},
                      ListCase{"pattern", "*.txt"}),
    [](const ::testing::TestParamInfo<ListCase>& info) { return std::string(info.param.label); });

TEST_F(UrlRunTest, AnEmptyListDoesNothing)
{
    go("");
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(loop->statustext(), "");
    EXPECT_EQ(loop->pollticks(), 0);
}

TEST_F(UrlRunTest, AListOfBlankLinesEndsWithTheCompletionMessage)
{
    go("   \r\n\r\n");
    EXPECT_EQ(server.totalrequests(), 0);
    EXPECT_EQ(ui.titles(), "URL生成");
    EXPECT_EQ(loop->statustext(), "生成完毕！");
}

TEST_F(UrlRunTest, ATimeoutIsSkippedSilentlyWithoutTheReport)
{
    server.route("/hang", HttpReply::hanging());
    server.route("/a", HttpReply::page(page("After")));
    HttpTimeouts quick;
    quick.idlems = 200;
    go(url("/hang") + "\r\n" + url("/a"), quick);
    EXPECT_EQ(tree.listing("out"), "After.url");
    EXPECT_FALSE(tree.exists("app/Error_CreateUrl.log"));
    EXPECT_EQ(ui.titles(), "URL生成");
}

TEST_F(UrlRunTest, TimeoutsAreAppendedUnderOneHeader)
{
    server.route("/hang1", HttpReply::hanging());
    server.route("/hang2", HttpReply::hanging());
    server.route("/a", HttpReply::page(page("Between")));
    settings.report = true;
    HttpTimeouts quick;
    quick.idlems = 200;
    go(url("/hang1") + "\r\n" + url("/a") + "\r\n" + url("/hang2"), quick);

    const std::string header = togbk("网址" + kBlanks + "错误原因\r\n");
    const std::string first = logline(url("/hang1"), "因访问超时而未能生成URL");
    const std::string second = logline(url("/hang2"), "因访问超时而未能生成URL");
    EXPECT_EQ(log(), header + first + second);
    EXPECT_EQ(tree.listing("out"), "Between.url");

    // A later run keeps the earlier entries and writes no second header.
    ui.clear();
    go(url("/hang1"), quick);
    EXPECT_EQ(log(), header + first + second + first);
}

TEST_F(UrlRunTest, AnEmptyLogGetsTheHeader)
{
    server.route("/hang", HttpReply::hanging());
    tree.createFile("app/Error_CreateUrl.log", "");
    settings.report = true;
    HttpTimeouts quick;
    quick.idlems = 200;
    go(url("/hang"), quick);
    EXPECT_EQ(log(), togbk("网址" + kBlanks + "错误原因\r\n") +
                         logline(url("/hang"), "因访问超时而未能生成URL"));
}

TEST_F(UrlRunTest, HostileServersEndQuickly)
{
    server.route("/loop", HttpReply::redirect("/loop"));
    server.route("/trickle", HttpReply::trickling(page("Slow") + std::string(5000, ' '), 20ms));
    server.route("/endless", HttpReply::endlessbody(page("Endless")));
    HttpReply bomb = HttpReply::endlessbody(page("Bomb"));
    bomb.gzip = true;
    server.route("/bomb", bomb);
    settings.report = true;
    HttpTimeouts quick;
    quick.totalms = 500; // stands in for the 60 s cap
    go(url("/loop") + "\r\n" + url("/trickle") + "\r\n" + url("/endless") + "\r\n" + url("/bomb"),
       quick);

    // The redirect loop stops at the tenth redirect: eleven requests in all.
    EXPECT_EQ(server.requests("/loop"), 11);
    const std::string reason = "因访问超时而未能生成URL";
    EXPECT_EQ(log(), togbk("网址" + kBlanks + "错误原因\r\n") + logline(url("/loop"), reason) +
                         logline(url("/trickle"), reason));
    EXPECT_EQ(tree.listing("out"), "Bomb.url|Endless.url");
    EXPECT_EQ(ui.titles(), "URL生成");
}

TEST_F(UrlRunTest, AnAddressThatFailsIsReportedWithTheReason)
{
    // Nothing listens on port 1 of the loopback: the request fails at once.
    server.route("/a", HttpReply::page(page("Reached")));
    settings.report = true;
    go("http://127.0.0.1:1/\r\n" + url("/a"));
    EXPECT_EQ(tree.listing("out"), "Reached.url");
    EXPECT_EQ(log(), togbk("网址" + kBlanks + "错误原因\r\n") +
                         logline("http://127.0.0.1:1/",
                                 morvik::failedreason("Couldn't connect to server")));
    EXPECT_EQ(run.failures(), 1u);
}

TEST_F(UrlRunTest, AnAddressTheTransferRefusesIsReportedWhenTheReportIsOn)
{
    server.route("/a", HttpReply::page(page("Reached")));
    const std::string broken = "http://[broken";
    const std::string ftp = "ftp://127.0.0.1/x";
    const std::string spaced = url("/a") + " b";
    go(broken + "\r\n" + ftp + "\r\n" + spaced + "\r\n" + url("/a"));
    EXPECT_FALSE(tree.exists("app/Error_CreateUrl.log"));

    settings.report = true;
    ui.clear();
    go(broken + "\r\n" + ftp + "\r\n" + spaced + "\r\nhttp://127.0.0.1:1/\r\n" + url("/a"));
    const std::string reason = "网址无效，未能生成URL";
    EXPECT_EQ(log(), togbk("网址" + kBlanks + "错误原因\r\n") + logline(broken, reason) +
                         logline(ftp, reason) + logline(spaced, reason) +
                         logline("http://127.0.0.1:1/",
                                 morvik::failedreason("Couldn't connect to server")));
    EXPECT_EQ(tree.listing("out"), "Reached.url");
    EXPECT_EQ(server.requests("/a"), 2);
    EXPECT_EQ(ui.titles(), "URL生成");
}

TEST_F(UrlRunTest, TheTitleIsTakenFromTheFirstChunkOnly)
{
    server.route("/late", HttpReply::page(std::string(5000, ' ') + page("Late")));
    server.route("/split", HttpReply::page(std::string(4088, ' ') + "<title>Cut off</title>"));
    // Titles that the end of the 4096 bytes cuts inside their last character (two of the
    // three bytes of 过 in UTF-8, the lead byte of 过 in GBK and of 日 in Shift_JIS).
    const std::string utf8 = "<title>中文跨越过</title>";
    server.route("/utf8", HttpReply::page(std::string(4096 - 7 - 12 - 2, ' ') + utf8));
    const std::string gbk = togbk("<title>中文跨越过</title>");
    server.route("/gbk", HttpReply::page(std::string(4096 - 7 - 8 - 1, ' ') + gbk,
                                         "text/html; charset=gbk"));
    const std::string sjis = "<title>\x93\xFA\x96\x7B\x93\xFA</title>";
    server.route("/sjis", HttpReply::page(std::string(4096 - 7 - 4 - 1, ' ') + sjis,
                                          "text/html; charset=shift_jis"));
    go(url("/late") + "\r\n" + url("/split") + "\r\n" + url("/utf8") + "\r\n" + url("/gbk") +
       "\r\n" + url("/sjis"));
    // The split page's title runs to the end of the 4096 bytes; the cut characters are
    // dropped.
    EXPECT_EQ(tree.listing("out"), "C.url|中文跨越.url|日本.url");
}

// A run keeps what it replaces and notes what it creates: its undo gives the folder back
// exactly, a replaced shortcut with its mode and a link that stood under a title's name.
TEST_F(UrlRunTest, UndoPutsTheOutputFolderBack)
{
    server.route("/a", HttpReply::page(page("Alpha")));
    server.route("/b", HttpReply::page(page("Beta")));
    server.route("/c", HttpReply::page(page("Gamma")));
    tree.createFile("out/Alpha.url", "old alpha");
    tree.setMode("out/Alpha.url", 0640);
    tree.createFile("target.txt", "outside");
    ASSERT_EQ(::symlink(tree.path("target.txt").c_str(), tree.path("out/Gamma.url").c_str()), 0);
    go(url("/a") + "\r\n" + url("/b") + "\r\n" + url("/c"));
    ASSERT_EQ(tree.read("out/Alpha.url"), kShortcut + url("/a") + "\r\n");

    const auto runs = morvik::platform::history();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].tool, "url");
    EXPECT_EQ(runs[0].folder, tree.path("out"));
    EXPECT_EQ(runs[0].files, 3u);
    const morvik::platform::UndoResult undone = morvik::platform::undo(runs[0].id);
    EXPECT_EQ(undone.restored, 3u);
    EXPECT_TRUE(undone.failures.empty());
    EXPECT_EQ(tree.listing("out"), "Alpha.url|Gamma.url");
    EXPECT_EQ(tree.read("out/Alpha.url"), "old alpha");
    struct stat st {
    };
    ASSERT_EQ(::lstat(tree.path("out/Alpha.url").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    ASSERT_EQ(::lstat(tree.path("out/Gamma.url").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(tree.read("target.txt"), "outside");
}

} // namespace
