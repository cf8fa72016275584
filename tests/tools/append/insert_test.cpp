// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/append/insert.h"

#include "platform/fs/rewritefolder.h"
#include "platform/fs/topfolder.h"
#include "platform/syserror.h"
#include "platform/text/codec.h"
#include "support/recordingui.h"
#include "support/temptree.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

using morvik::Icon;
using morvik::append::appendtofile;
using morvik::append::appendtofileat;
using morvik::platform::SysError;
using morvik::test::RecordingUi;
using morvik::test::TempTree;

namespace
{

struct Insertion {
    const char* name;
    std::string before;
    std::string src;
    std::string position;
    std::string after;
};

class Inserts : public testing::TestWithParam<Insertion>
{
};

TEST_P(Inserts, RewritesTheFile)
{
    const Insertion& c = GetParam();
    TempTree tree;
    const std::string file = tree.createFile("t.htm", c.before);
    RecordingUi ui;
    bool rejected = false;
    struct stat old {
    };
    ASSERT_EQ(stat(file.c_str(), &old), 0);
    EXPECT_TRUE(appendtofile(file, c.src, c.position, rejected, ui));
    EXPECT_EQ(tree.read("t.htm"), c.after);
    struct stat now {
    };
    ASSERT_EQ(stat(file.c_str(), &now), 0);
    EXPECT_EQ(now.st_ino == old.st_ino, c.before == c.after) << "rewritten without a change";
    EXPECT_FALSE(rejected);
    EXPECT_TRUE(ui.boxes.empty());
}

// A page larger than the stretch read at a time gets the same bytes, whatever the
// stretch: markers, CR LF pairs and GBK characters then lie across stretches.
TEST_P(Inserts, StreamedPageGetsTheSameBytes)
{
    const Insertion& c = GetParam();
    for (const std::size_t chunk : {1, 2, 3, 5, 8}) {
        TempTree tree;
        const std::string file = tree.createFile("t.htm", c.before);
        struct stat old {
        };
        ASSERT_EQ(stat(file.c_str(), &old), 0);
        RecordingUi ui;
        bool rejected = false;
        const morvik::platform::RewriteFolder folder(tree.root());
        EXPECT_TRUE(appendtofileat(folder, "t.htm", c.src, c.position, rejected, ui,
                                   morvik::platform::Encoding::Utf8, chunk));
        EXPECT_EQ(tree.read("t.htm"), c.after) << "stretch " << chunk;
        struct stat now {
        };
        ASSERT_EQ(stat(file.c_str(), &now), 0);
        EXPECT_EQ(now.st_ino == old.st_ino, c.before == c.after) << "stretch " << chunk;
        EXPECT_EQ(tree.listing(), "t.htm");
    }
}

// Only the inserted text changes: every other byte stays, the inserted text takes the
// file's own line ends, and a file without the marker is not rewritten.
INSTANTIATE_TEST_SUITE_P(
    TextModel, Inserts,
    testing::Values(
        Insertion{"end_of_crlf_file", "a\r\nb\r\n", "c\r\n", "", "a\r\nb\r\nc\r\n"},
        Insertion{"empty_target", "", "c\r\n", "", "c\r\n"},
        Insertion{"end_of_lf_file", "a\nb\n", "c\r\n", "", "a\nb\nc\n"},
        Insertion{"lf_file_without_last_break", "a\nb", "c\r\nd\r\n", "", "a\nb\nc\nd\n"},
        Insertion{"no_line_end_gets_crlf", "ab", "c", "", "ab\r\nc\r\n"},
        Insertion{"lf_page_before_body", "<html>\n<body>\nhi\n</body>\n</html>\n", "X\r\n",
                  "F{:$}</body>", "<html>\n<body>\nhi\nX\n</body>\n</html>\n"},
        Insertion{"no_marker_no_rewrite", "no marker here\n", "X\r\n", "F{:$}</body>",
                  "no marker here\n"},
        Insertion{"after_every_body", "<p>\r\n</body>x</body>\r\n", "S\r\n", "A{:$}</body>",
                  "<p>\r\n</body>S\r\nx</body>S\r\n\r\n"},
        Insertion{"lower_f_before_head", "<html><head></head>", "M\r\n", "f{:$}<head>",
                  "<html>M\r\n<head></head>"},
        Insertion{"second_separator_ignored", "xyx", "S", "A{:$}x{:$}y", "xSyxS"},
        Insertion{"three_occurrences", "x-x-x", "S", "F{:$}x", "Sx-Sx-Sx"},
        Insertion{"marker_case_sensitive", "aXaXa", "S", "A{:$}x", "aXaXa"},
        Insertion{"occurrences_do_not_overlap", "aaa", "S", "a{:$}aa", "aaSa"},
        Insertion{"inserted_text_not_searched", "x", "x", "A{:$}x", "xx"},
        Insertion{"marker_across_line_end", "a\r\nb", "S", "A{:$}a\r\nb", "a\r\nbS"},
        Insertion{"marker_line_end_follows_lf_file", "<p>\n</body>\n", "S\r\n", "F{:$}\r\n</body>",
                  "<p>S\n\n</body>\n"},
        Insertion{"marker_cr_in_cr_file", "a\rb", "X", "A{:$}\r", "a\rXb"},
        Insertion{"marker_lf_matches_each_line_end", "a\r\nb\nc", "X", "A{:$}\n", "a\r\nXb\nXc"},
        Insertion{"marker_line_end_never_splits_crlf", "a\r\nb", "X", "F{:$}\nb", "aX\r\nb"},
        Insertion{"marker_two_line_ends", "a\r\r\nb\r\nc", "X", "A{:$}a\n\n", "a\r\r\nXb\r\nc"},
        Insertion{"marker_at_the_very_end", "<p>x</p></body>", "S", "A{:$}</body>",
                  "<p>x</p></body>S"},
        Insertion{"before_marker_at_the_very_end", "<p>x</p></body>", "S", "F{:$}</body>",
                  "<p>x</p>S</body>"},
        Insertion{"long_page_without_marker", std::string(40, 'x') + "</bod", "S", "F{:$}</body>",
                  std::string(40, 'x') + "</bod"},
        Insertion{"marker_begins_with_line_break", "a\r\nb\nc\r\n\r\nb", "X", "F{:$}\nb",
                  "aX\r\nb\nc\r\nX\r\nb"},
        // Valid UTF-8 up to its last byte: the page is GBK and gets GBK bytes.
        Insertion{"gbk_found_at_the_last_byte", "<b>\xE4\xB8\xAD</body>\xD5", "中", "F{:$}</body>",
                  "<b>\xE4\xB8\xAD\xD6\xD0</body>\xD5"},
        Insertion{"utf8_characters_across_stretches", "<p>正文正文</p>\n", "插入", "A{:$}文正",
                  "<p>正文正插入文</p>\n"},
        // "b" is the second byte of the GBK character B0 62; 中 spans two characters.
        Insertion{"gbk_whole_characters_only", "\xB0\x62|b|\xB1\xD6\xD0\xA1|\xD6\xD0", "#",
                  "A{:$}b", "\xB0\x62|b#|\xB1\xD6\xD0\xA1|\xD6\xD0"},
        Insertion{"gbk_marker_between_characters", "\xB0\x62\xB1\xD6\xD0\xA1\xD6\xD0\r\n", "@",
                  "A{:$}中", "\xB0\x62\xB1\xD6\xD0\xA1\xD6\xD0@\r\n"},
        Insertion{"bom_before_gbk", "\xEF\xBB\xBF\xD5\xFD\xCE\xC4\r\n", "插入", "A{:$}正文",
                  "\xEF\xBB\xBF\xD5\xFD\xCE\xC4\xB2\xE5\xC8\xEB\r\n"},
        Insertion{"bom_utf8_marker_first_found_late", "\xEF\xBB\xBF<p>中</p>\r\n</body>x</body>",
                  "S", "F{:$}</body>", "\xEF\xBB\xBF<p>中</p>\r\nS</body>xS</body>"},
        Insertion{"only_a_bom_at_the_end", "\xEF\xBB\xBF", "c", "",
                  "\xEF\xBB\xBF"
                  "c\r\n"},
        Insertion{"cr_lf_end_split", "a\r\nb\r", "c", "", "a\r\nb\rc\r\n"}),
    [](const testing::TestParamInfo<Insertion>& info) { return std::string(info.param.name); });

struct Rejection {
    const char* name;
    std::string position;
    std::string title;
    std::string text;
};

class Rejects : public testing::TestWithParam<Rejection>
{
};

TEST_P(Rejects, ShowsOneMessageSetsZtAndLeavesTheFile)
{
    const Rejection& c = GetParam();
    TempTree tree;
    const std::string file = tree.createFile("t.htm", "x\n");
    RecordingUi ui;
    bool rejected = false;
    EXPECT_FALSE(appendtofile(file, "S\r\n", c.position, rejected, ui));
    EXPECT_TRUE(rejected);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].title, c.title);
    EXPECT_EQ(ui.boxes[0].text, c.text);
    EXPECT_EQ(ui.boxes[0].icon, Icon::Critical);
    EXPECT_EQ(tree.read("t.htm"), "x\n");
}

const std::string kFormatText =
    "位置字符串格式不正确\r\n格式：[A][F]{:$}STR,{:$}是分隔符，字符A表示将内容插入分隔符的后字"
    "符串之后；F表示将内容插入分隔符后字符串之前必选其一;STR是追加位置的字符串。";

INSTANTIATE_TEST_SUITE_P(
    Locator, Rejects,
    testing::Values(
        Rejection{"no_separator", "A:x", "字符串格式错误！", kFormatText},
        Rejection{"unknown_letter", "X{:$}x", "标识符错误", "前后标识符未指定或不正确！"},
        Rejection{"leading_space", " A{:$}x", "标识符错误", "前后标识符未指定或不正确！"},
        Rejection{"no_letter", "{:$}x", "标识符错误", "前后标识符未指定或不正确！"},
        Rejection{"empty_marker", "A{:$}", "位置字符错误", "位置字符为空，无法定位位置"},
        Rejection{"empty_marker_before_second", "F{:$}{:$}x", "位置字符错误",
                  "位置字符为空，无法定位位置"}),
    [](const testing::TestParamInfo<Rejection>& info) { return std::string(info.param.name); });

TEST(Insert, LongerLetterPartIsSilentAndKeepsZt)
{
    TempTree tree;
    const std::string file = tree.createFile("t.htm", "x\n");
    RecordingUi ui;
    for (const bool before : {false, true}) {
        bool rejected = before;
        EXPECT_FALSE(appendtofile(file, "S", "AB{:$}x", rejected, ui));
        EXPECT_EQ(rejected, before);
    }
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(tree.read("t.htm"), "x\n");
}

// The same Chinese marker is found in a UTF-8 and in a GBK page, and each page receives
// the text in its own encoding.
TEST(InsertEncoding, ChineseMarkerInUtf8AndGbk)
{
    TempTree tree;
    const std::string utf8 = tree.createFile("u.htm", "<p>正文</p>\r\n");
    const std::string gbk = tree.createFile("g.htm", "<p>\xD5\xFD\xCE\xC4</p>\r\n");
    const std::string bom = tree.createFile("b.htm", "\xEF\xBB\xBF<p>正文</p>");
    // A byte-order mark before GBK bytes: the page is GBK all the same.
    const std::string bomgbk = tree.createFile("bg.htm", "\xEF\xBB\xBF<p>\xD5\xFD\xCE\xC4</p>");
    RecordingUi ui;
    bool rejected = false;
    for (const auto& file : {utf8, gbk, bom, bomgbk}) {
        EXPECT_TRUE(appendtofile(file, "插入\r\n", "A{:$}正文", rejected, ui));
    }
    EXPECT_EQ(tree.read("u.htm"), "<p>正文插入\r\n</p>\r\n");
    EXPECT_EQ(tree.read("g.htm"), "<p>\xD5\xFD\xCE\xC4\xB2\xE5\xC8\xEB\r\n</p>\r\n");
    EXPECT_EQ(tree.read("b.htm"), "\xEF\xBB\xBF<p>正文插入\r\n</p>");
    EXPECT_EQ(tree.read("bg.htm"), "\xEF\xBB\xBF<p>\xD5\xFD\xCE\xC4\xB2\xE5\xC8\xEB\r\n</p>");
}

TEST(InsertEncoding, BytesValidInNeitherEncodingSurvive)
{
    TempTree tree;
    const std::string odd = "\xFF\x80z\xFE\r\n\x81";
    tree.createFile("t.htm", odd + "</body>\xFF\r\n");
    RecordingUi ui;
    bool rejected = false;
    EXPECT_TRUE(appendtofile(tree.path("t.htm"), "尾\r\n", "F{:$}</body>", rejected, ui));
    EXPECT_EQ(tree.read("t.htm"), odd + "\xCE\xB2\r\n</body>\xFF\r\n");
}

// A marker's bytes that straddle two GBK characters are not an occurrence.
TEST(InsertEncoding, GbkMatchesWholeCharactersOnly)
{
    TempTree tree;
    // 0xB0 0x62 is one character whose second byte is "b"; 0xB1 0xD6 0xD0 0xA1 are two
    // characters whose middle bytes spell 中 (0xD6 0xD0).
    tree.createFile("t.txt", "\xB0\x62|b|\xB1\xD6\xD0\xA1|\xD6\xD0");
    RecordingUi ui;
    bool rejected = false;
    EXPECT_TRUE(appendtofile(tree.path("t.txt"), "#", "A{:$}b", rejected, ui));
    EXPECT_TRUE(appendtofile(tree.path("t.txt"), "@", "A{:$}中", rejected, ui));
    EXPECT_EQ(tree.read("t.txt"), "\xB0\x62|b#|\xB1\xD6\xD0\xA1|\xD6\xD0@");
}

// A marker ending in a lead byte (a raw byte of the locator) matches only where that
// byte stands alone, also when the character it would begin lies in the next stretch.
TEST(InsertEncoding, GbkMatchEndsOnACharacterBoundary)
{
    const std::string page = "x\x81\x40-x\x81\r\n";
    const std::string position = "A{:$}" + morvik::platform::fromgbk("x\x81");
    for (const std::size_t chunk : {1, 2, 3, 4, 64}) {
        TempTree tree;
        tree.createFile("t.txt", page);
        const morvik::platform::RewriteFolder folder(tree.root());
        RecordingUi ui;
        bool rejected = false;
        EXPECT_TRUE(appendtofileat(folder, "t.txt", "S", position, rejected, ui,
                                   morvik::platform::Encoding::Utf8, chunk));
        EXPECT_EQ(tree.read("t.txt"), "x\x81\x40-x\x81S\r\n") << "stretch " << chunk;
    }
}

TEST(InsertEncoding, AsciiTargetTakesTheContentFilesEncoding)
{
    TempTree tree;
    tree.createFile("g.htm", "<body></body>");
    tree.createFile("u.htm", "<body></body>");
    RecordingUi ui;
    bool rejected = false;
    using morvik::platform::Encoding;
    EXPECT_TRUE(
        appendtofile(tree.path("g.htm"), "中", "F{:$}</body>", rejected, ui, Encoding::Gbk));
    EXPECT_TRUE(
        appendtofile(tree.path("u.htm"), "中", "F{:$}</body>", rejected, ui, Encoding::Utf8));
    EXPECT_EQ(tree.read("g.htm"), "<body>\xD6\xD0</body>");
    EXPECT_EQ(tree.read("u.htm"), "<body>中</body>");
}

// Raw bytes of a content file that was not valid text can go into a GBK page unchanged,
// but would make a UTF-8 page invalid: that page is reported and left alone.
TEST(InsertEncoding, RawContentBytesRefusedForUtf8Page)
{
    TempTree tree;
    tree.createFile("u.htm", "<p>正文</p>");
    tree.createFile("g.htm", "<p>\xD5\xFD\xCE\xC4</p>");
    const std::string src = morvik::platform::fromgbk("x\xFF\r\n");
    RecordingUi ui;
    bool rejected = false;
    try {
        appendtofile(tree.path("u.htm"), src, "", rejected, ui);
        ADD_FAILURE() << "no failure reported";
    } catch (const SysError& e) {
        EXPECT_EQ(e.path(), tree.path("u.htm"));
        EXPECT_FALSE(e.reason().empty());
    }
    EXPECT_EQ(tree.read("u.htm"), "<p>正文</p>");
    EXPECT_TRUE(appendtofile(tree.path("g.htm"), src, "", rejected, ui));
    EXPECT_EQ(tree.read("g.htm"), "<p>\xD5\xFD\xCE\xC4</p>\r\nx\xFF\r\n");
}

// A page that declares its charset gets the text in that charset, marker included; a
// character the charset cannot hold, or a page that is not that charset's text, is
// refused and keeps its bytes.
struct Declared {
    const char* name;
    std::string head;   // the page up to the marker
    std::string src;    // the inserted text (UTF-8)
    std::string marker; // UTF-8
    std::string block;  // the inserted bytes; empty: the page is refused
};

class DeclaredCharsets : public testing::TestWithParam<Declared>
{
};

TEST_P(DeclaredCharsets, WriteThePageInItsCharset)
{
    const Declared& c = GetParam();
    TempTree tree;
    const std::string page = c.head + "</p>\r\n";
    tree.createFile("t.htm", page);
    RecordingUi ui;
    bool rejected = false;
    if (c.block.empty()) {
        try {
            appendtofile(tree.path("t.htm"), c.src, "A{:$}" + c.marker, rejected, ui);
            ADD_FAILURE() << "no failure reported";
        } catch (const SysError& e) {
            EXPECT_EQ(e.path(), tree.path("t.htm"));
            EXPECT_FALSE(e.reason().empty());
        }
        EXPECT_EQ(tree.read("t.htm"), page);
        return;
    }
    // The content file's encoding does not matter once the page declares its own.
    EXPECT_TRUE(appendtofile(tree.path("t.htm"), c.src, "A{:$}" + c.marker, rejected, ui,
                             morvik::platform::Encoding::Gbk));
    EXPECT_EQ(tree.read("t.htm"), c.head + c.block + "</p>\r\n");
}

// A page streamed a few bytes at a time is surveyed, written or refused the same way.
TEST_P(DeclaredCharsets, StreamedPageTheSame)
{
    const Declared& c = GetParam();
    TempTree tree;
    const std::string page = c.head + "</p>\r\n";
    tree.createFile("t.htm", page);
    const morvik::platform::RewriteFolder folder(tree.root());
    RecordingUi ui;
    bool rejected = false;
    const auto insert = [&] {
        return appendtofileat(folder, "t.htm", c.src, "A{:$}" + c.marker, rejected, ui,
                              morvik::platform::Encoding::Gbk, 3);
    };
    if (c.block.empty()) {
        EXPECT_THROW(insert(), SysError);
        EXPECT_EQ(tree.read("t.htm"), page);
        return;
    }
    EXPECT_TRUE(insert());
    EXPECT_EQ(tree.read("t.htm"), c.head + c.block + "</p>\r\n");
}

const std::string kMeta = "<html><head><meta charset=\"";
const std::string kEquiv =
    "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=";

INSTANTIATE_TEST_SUITE_P(
    InsertEncoding, DeclaredCharsets,
    testing::Values(
        // 한 is C7 D1 in EUC-KR, 국 B1 B9.
        Declared{"euc_kr", kMeta + "euc-kr\"></head><p>\xC7\xD1", "국", "한", "\xB1\xB9"},
        Declared{"big5_equiv", kEquiv + "big5\"></head><p>\xA4\xA4", "文", "中", "\xA4\xE5"},
        // In Shift_JIS 表 (95 5C) ends in the byte of "\": it is no occurrence of "\".
        Declared{"shift_jis_whole_characters", kMeta + "Shift_JIS\"></head><p>\x95\x5C\\", "日",
                 "\\", "\x93\xFA"},
        Declared{"windows_1252", kMeta + "windows-1252\"></head><p>caf\xE9", "€", "é", "\x80"},
        Declared{"latin1_means_1252", kEquiv + "iso-8859-1\"></head><p>caf\xE9", "é", "é", "\xE9"},
        Declared{"character_the_charset_lacks", kMeta + "euc-kr\"></head><p>\xC7\xD1", "xภ", "한",
                 ""},
        Declared{"page_not_in_its_charset", kMeta + "windows-1252\"></head><p>\x81\xE9", "x", "é",
                 ""}),
    [](const testing::TestParamInfo<Declared>& info) { return std::string(info.param.name); });

TEST(InsertFailure, UnreadableOrMissingTargetIsReported)
{
    TempTree tree;
    tree.createDir("folder.htm");
    RecordingUi ui;
    bool rejected = false;
    for (const char* name : {"folder.htm", "missing.htm"}) {
        try {
            appendtofile(tree.path(name), "S", "", rejected, ui);
            ADD_FAILURE() << name << ": no failure reported";
        } catch (const SysError& e) {
            EXPECT_EQ(e.path(), tree.path(name));
            EXPECT_FALSE(e.reason().empty());
        }
    }
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(tree.listing(), "folder.htm");
}

TEST(InsertFailure, ReadOnlyTargetIsReportedAndUnchanged)
{
    TempTree tree;
    tree.createFile("t.htm", "old\n");
    tree.setMode("t.htm", 0444);
    RecordingUi ui;
    bool rejected = false;
    EXPECT_THROW(appendtofile(tree.path("t.htm"), "S", "", rejected, ui), SysError);
    const morvik::platform::RewriteFolder folder(tree.root());
    EXPECT_THROW(
        appendtofileat(folder, "t.htm", "S", "", rejected, ui, morvik::platform::Encoding::Utf8, 2),
        SysError);
    EXPECT_EQ(tree.read("t.htm"), "old\n");
    EXPECT_EQ(tree.listing(), "t.htm");
}

// A write that fails halfway (here: the file-size limit, which binds root too) leaves
// the old contents and no temporary file.
TEST(InsertFailure, FailedWriteKeepsOldContents)
{
    TempTree tree;
    const std::string old(4000, 'o');
    tree.createFile("t.htm", old);
    RecordingUi ui;
    bool rejected = false;

    struct rlimit saved {
    };
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldhandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool failed = false;
    try {
        appendtofile(tree.path("t.htm"), std::string(500, 'n'), "", rejected, ui);
    } catch (const SysError& e) {
        failed = true;
        EXPECT_EQ(e.path(), tree.path("t.htm"));
    }
    // The same for the page streamed: its old bytes copied by the kernel, then the text.
    bool streamedfailed = false;
    try {
        const morvik::platform::RewriteFolder folder(tree.root());
        appendtofileat(folder, "t.htm", std::string(500, 'n'), "", rejected, ui,
                       morvik::platform::Encoding::Utf8, 1000);
    } catch (const SysError& e) {
        streamedfailed = true;
        EXPECT_EQ(e.path(), tree.path("t.htm"));
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldhandler);

    EXPECT_TRUE(failed);
    EXPECT_TRUE(streamedfailed);
    EXPECT_EQ(tree.read("t.htm"), old);
    EXPECT_EQ(tree.listing(), "t.htm");
}

TEST(InsertFailure, LinkedTargetIsEditedThroughTheLink)
{
    TempTree tree;
    tree.createFile("real/t.htm", "a");
    tree.createSymlink("site/t.htm", tree.path("real/t.htm"));
    RecordingUi ui;
    bool rejected = false;
    EXPECT_TRUE(appendtofile(tree.path("site/t.htm"), "S", "", rejected, ui));
    EXPECT_EQ(tree.read("real/t.htm"), "a\r\nS\r\n");
    EXPECT_TRUE(std::filesystem::is_symlink(tree.path("site/t.htm")));
    EXPECT_EQ(tree.listing("site"), "t.htm");
}

// A streamed page reached through a link inside the run's folder: the link stays and
// its target gets the text.
TEST(InsertFailure, StreamedLinkedTargetIsEditedThroughTheLink)
{
    TempTree tree;
    tree.createFile("site/real.htm", "<body></body>");
    tree.createSymlink("site/in.htm", "real.htm");
    morvik::platform::TopFolder top(tree.path("site"));
    const morvik::platform::RewriteFolder folder(top.fd(), top.path(), "", top.id(), {&top});
    RecordingUi ui;
    bool rejected = false;
    EXPECT_TRUE(appendtofileat(folder, "in.htm", "S", "F{:$}</body>", rejected, ui,
                               morvik::platform::Encoding::Utf8, 4));
    EXPECT_EQ(tree.read("site/real.htm"), "<body>S</body>");
    EXPECT_TRUE(std::filesystem::is_symlink(tree.path("site/in.htm")));
    EXPECT_EQ(tree.listing("site"), "in.htm|real.htm");
}

// A character glibc's GB18030 cannot encode would go into a GBK page as raw UTF-8: the
// page is refused and keeps its bytes.
TEST(InsertEncoding, CharacterGbkCannotHoldIsRefused)
{
    TempTree tree;
    tree.createFile("g.htm", "<p>\xD5\xFD\xCE\xC4</p>");
    RecordingUi ui;
    bool rejected = false;
    try {
        appendtofile(tree.path("g.htm"), "\xEE\x9E\x8D\r\n", "", rejected, ui);
        ADD_FAILURE() << "no failure reported";
    } catch (const SysError& e) {
        EXPECT_EQ(e.path(), tree.path("g.htm"));
        EXPECT_NE(e.reason().find("\xEE\x9E\x8D"), std::string::npos) << e.reason();
    }
    EXPECT_EQ(tree.read("g.htm"), "<p>\xD5\xFD\xCE\xC4</p>");
}

} // namespace
