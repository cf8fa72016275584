// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/text/codec.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <thread>
#include <vector>

using namespace morvik::platform;

namespace
{

std::string hex(std::string_view bytes)
{
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

size_t codepoints(std::string_view utf8)
{
    size_t n = 0;
    for (const char c : utf8) {
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }
    return n;
}

// The text of the help window: the program's largest fixed text, whose GBK size is known.
std::string helptext()
{
    const std::vector<std::pair<int, std::string>> lines = {
        {3, "1、生成文件、文件夹列表：生成指定目录下的文件和文件夹列表，可以生成单独文件列表或单"
            "独的文件夹列表。文件列表可以包含全部文件，也可以"},
        {4, "是某种类型的文件。列表中每个文件或文件夹可以含有绝对路径，也可仅是文件或文件夹名。"
            "列表保存为TXT格式文件。"},
        {6, "2、文件批量删除：批量删除指定的文件，文件名可以含有通配符；批量删除列表文件指定的文"
            "件。删除中，支持扫描多级子文件夹。由于文件不存在"},
        {7, "，或文件正在被使用而无法删除，可以记录错误报告。"},
        {9, "3、文件批量追加功能：将指定文件夹下的文件复制到目标文件夹下所有的子文件夹。"},
        {11, "4、文件内容批量追加：可以将文本追加到文件夹指定类型的文件里，目标文件所在的位置可以"
             "是当前文件夹、当前文件夹及"},
        {12, "下一级文件夹，以及当前文件夹及下面的各级子文件夹中。目标文件支持多种格式，包括TXT、"
             "JSP、PHP、CSS、JS、HTML、"},
        {13, "HTM等。追加后的内容可以位于文件的任何位置。"},
        {15, "5、根据网址列表生成URL文件：根据文本文件中提供的网址列表（每行一个网址）自动成URL文"
             "件，文件名为网页的Title标题。"},
        {17, "6、以上操作过程中各种设置可以保存，下次打开可以直接使用设置。"},
        {19, "注意事项："},
        {21, "（1）由于使用环境不同，打开时报错建议多打开两次；win7用户首次运行请“以管理员身份运"
             "行(A)”。"},
        {23, "（2）批量追加文件，适用于向指定的文件夹下各个子文件夹复制文件，不会向更下级的文件夹"
             "复制文件；目标位置文件名设置支持使用通配符。"},
        {25, "（3）向文件追加内容，如需指定特定位置，需采用格式：[A][F]{:$}STR,其中{:$}是分隔符，"
             "字符A表示将内容插入STR字符串之后；F表示将内容插入STR字符串之前,必选其一；STR是目"
             "标文件中的字符串。"},
        {27, "（2）批量生成URL文件：请将多个完整的URL放到一个文本文件中，每个网址占一行；生成过程"
             "程序会访问每个URL，请保持您的电脑处于联机状态。"},
    };
    std::string text;
    size_t next = 0;
    for (int line = 1; line <= 27; ++line) {
        if (next < lines.size() && lines[next].first == line) {
            text += lines[next++].second;
        }
        text += "\r\n";
    }
    return text;
}

} // namespace

TEST(Codec, HelpTextHasItsKnownGbkSize)
{
    const std::string text = helptext();
    EXPECT_EQ(codepoints(text), 831u);
    const std::string gbk = togbk(text);
    EXPECT_EQ(gbk.size(), 1517u);
    EXPECT_EQ(fromgbk(gbk), text);
    EXPECT_EQ(splitlines(text).size(), 27u);
}

TEST(Codec, EncodesGbkAndGb18030Forms)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"abc", "616263"},      {"中文", "D6D0CEC4"},
        {"é", "A8A6"},          {"€", "A2E3"}, // the GB18030 form, which reads back as a euro sign
        {"ก", "8132CE39"},                     // outside GBK: four-byte form
        {"😀", "9439FC36"},                     // outside the BMP
        {"a\r\nb", "610D0A62"},
    };
    for (const auto& [text, bytes] : cases) {
        EXPECT_EQ(hex(togbk(text)), bytes) << text;
        EXPECT_EQ(hex(togbk(fromgbk(togbk(text)))), bytes) << text;
        EXPECT_EQ(fromgbk(togbk(text)), text) << text;
    }
}

TEST(Codec, UndecodableBytesBecomeEscapesAndComeBack)
{
    // 0x80 and 0xFF are never GB18030; a lead byte at the end has no partner; 0x81 0x7F is
    // no character, so 0x7F stays a character of its own.
    EXPECT_EQ(fromgbk("\x80"), "\xED\xB2\x80");
    EXPECT_EQ(fromgbk("\xFF"), "\xED\xB3\xBF");
    EXPECT_EQ(fromgbk("a\xD6"), "a\xED\xB3\x96");
    EXPECT_EQ(fromgbk("\x81\x7F"), "\xED\xB2\x81\x7F");
    EXPECT_EQ(fromgbk("\xD6\xD0\x80\xCE\xC4"), "中\xED\xB2\x80文");
    EXPECT_EQ(togbk("中\xED\xB2\x80文"), "\xD6\xD0\x80\xCE\xC4");
    // A well-formed four-byte code beyond the assigned range.
    EXPECT_EQ(togbk(fromgbk("\x84\x31\xA5\x30")), "\x84\x31\xA5\x30");
    EXPECT_EQ(displayable(fromgbk("\x84\x31\xA5\x30")), "\xEF\xBF\xBD"
                                                        "1"
                                                        "\xEF\xBF\xBD"
                                                        "0");
}

TEST(Codec, EveryTwoByteCodeRoundTrips)
{
    std::string all;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            all += static_cast<char>(lead);
            all += static_cast<char>(trail);
        }
    }
    const std::string text = fromgbk(all);
    EXPECT_EQ(togbk(text), all);
    // Every code decodes except the 126 with 0x7F, which is no trail byte: each of those
    // falls apart into an escaped lead byte and DEL.
    size_t escapes = 0;
    for (size_t i = text.find('\xED'); i != std::string::npos; i = text.find('\xED', i + 1)) {
        escapes += text[i + 1] == '\xB2' || text[i + 1] == '\xB3';
    }
    EXPECT_EQ(escapes, 126u);
}

TEST(Codec, EveryFourByteCodeRoundTrips)
{
    // Includes the codes whose character's preferred form is a two-byte code
    // (95 32 90 31 and its kin) and the unassigned ones past 84 31 A4 39.
    for (int b1 = 0x81; b1 <= 0xFE; ++b1) {
        std::string block;
        for (int b2 = 0x30; b2 <= 0x39; ++b2) {
            for (int b3 = 0x81; b3 <= 0xFE; ++b3) {
                for (int b4 = 0x30; b4 <= 0x39; ++b4) {
                    block += {static_cast<char>(b1), static_cast<char>(b2), static_cast<char>(b3),
                              static_cast<char>(b4)};
                }
            }
        }
        ASSERT_EQ(togbk(fromgbk(block)), block) << "lead byte " << b1;
    }
    EXPECT_EQ(hex(togbk(fromgbk("\x95\x32\x90\x31"))), "95329031");
}

TEST(Codec, AnyBytesRoundTrip)
{
    std::mt19937 rng(20240611);
    // Mostly high bytes so that lead/trail and four-byte shapes occur often.
    const std::string alphabet = "\x30\x35\x39\x40\x7F\x80\x81\x90\xA1\xD6\xFE\xFF\r\na ";
    for (int round = 0; round < 3000; ++round) {
        std::string bytes(rng() % 40, '\0');
        for (char& c : bytes) {
            c = (rng() % 2) ? static_cast<char>(rng() % 256) : alphabet[rng() % alphabet.size()];
        }
        const std::string text = fromgbk(bytes);
        ASSERT_EQ(hex(togbk(text)), hex(bytes));
        ASSERT_TRUE(isutf8(displayable(text))) << hex(bytes);
        Encoding found{};
        const std::string decoded = decode(bytes, &found);
        ASSERT_EQ(hex(encode(decoded, found)), hex(bytes));
        ASSERT_EQ(hex(encode(decodecharset(bytes, "utf-8"), Encoding::Utf8)), hex(bytes));
    }
}

TEST(Codec, StrictUtf8)
{
    struct Case {
        const char* name;
        std::string bytes;
        bool valid;
    };
    const std::vector<Case> cases = {
        {"empty", "", true},
        {"ascii", "abc\r\n", true},
        {"chinese", "中文", true},
        {"four-byte", "\xF0\x9F\x98\x80", true},
        {"highest", "\xF4\x8F\xBF\xBF", true},
        {"above-10FFFF", "\xF4\x90\x80\x80", false},
        {"overlong-two", "\xC0\xAF", false},
        {"overlong-three", "\xE0\x80\xAF", false},
        {"overlong-four", "\xF0\x80\x80\xAF", false},
        {"surrogate", "\xED\xA0\x80", false},
        {"escape", "\xED\xB2\x80", false},
        {"lone-continuation", "a\x80", false},
        {"truncated", "\xE4\xB8", false},
        {"gbk", "\xD6\xD0\xCE\xC4", false},
        {"f5", "\xF5\x80\x80\x80", false},
        // Long ASCII runs are checked a word at a time: what follows them still counts.
        {"gbk-after-markup", std::string(37, 'a') + "\xD6\xD0" + std::string(20, 'b'), false},
        {"truncated-at-the-end", std::string(61, 'a') + "\xE4\xB8", false},
        {"chinese-across-words", std::string(6, 'a') + "中文" + std::string(17, 'b') + "中", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isutf8(c.bytes), c.valid) << c.name;
        EXPECT_EQ(detect(c.bytes), c.valid ? Encoding::Utf8 : Encoding::Gbk) << c.name;
    }
}

// The first byte above 0x7f wherever it falls in or after a word of eight.
TEST(Codec, AsciiEndFindsTheFirstOtherByte)
{
    const std::string ascii(40, 'a');
    EXPECT_EQ(asciiend(""), 0u);
    EXPECT_EQ(asciiend(ascii), 40u);
    EXPECT_EQ(asciiend(ascii, 33), 40u);
    for (const std::size_t at : {0, 7, 8, 15, 16, 39}) {
        std::string bytes = ascii;
        bytes[at] = '\xE4';
        EXPECT_EQ(asciiend(bytes), at) << at;
        EXPECT_EQ(asciiend(bytes, at + 1), 40u) << at;
    }
}

TEST(Codec, DecodeAndEncodeByDetection)
{
    Encoding found{};
    EXPECT_EQ(decode("\xEF\xBB\xBF中文", &found), "中文");
    EXPECT_EQ(found, Encoding::Utf8Bom);
    EXPECT_EQ(encode("中文", Encoding::Utf8Bom), "\xEF\xBB\xBF中文");

    EXPECT_EQ(decode("中文", &found), "中文");
    EXPECT_EQ(found, Encoding::Utf8);

    EXPECT_EQ(decode("\xD6\xD0\xCE\xC4", &found), "中文");
    EXPECT_EQ(found, Encoding::Gbk);
    EXPECT_EQ(encode("中文", Encoding::Gbk), "\xD6\xD0\xCE\xC4");

    // A mark before bytes that are not UTF-8 makes no UTF-8 file: GBK after the mark, whose
    // bytes are kept as they are.
    const std::string markedgbk = "\xEF\xBB\xBF\xD6\xD0\xCE\xC4";
    EXPECT_EQ(decode(markedgbk, &found), "\xED\xB3\xAF\xED\xB2\xBB\xED\xB2\xBF中文");
    EXPECT_EQ(found, Encoding::Gbk);
    EXPECT_EQ(encode(decode(markedgbk), Encoding::Gbk), markedgbk);
    EXPECT_EQ(detect("\xEF\xBB\xBF中\xFF"), Encoding::Gbk);
    EXPECT_EQ(encode("a\xED\xB2\x80z", Encoding::Utf8), "a\x80z");
}

TEST(Codec, DecodesByCharsetName)
{
    const std::string gbk = "\xD6\xD0\xCE\xC4";
    for (const char* name : {"gbk", "GBK", "gb2312", "GB2312", "cp936", "gb18030", " GB18030 "}) {
        EXPECT_EQ(decodecharset(gbk, name), "中文") << name;
    }
    EXPECT_EQ(decodecharset("\x94\x39\xFC\x36", "gb2312"), "😀");
    EXPECT_EQ(decodecharset("中\xFF", "UTF-8"), "中\xED\xB3\xBF");
    EXPECT_EQ(decodecharset("中文", "utf8"), "中文");
    // Unknown names fall back to detection.
    EXPECT_EQ(decodecharset(gbk, "x-unknown"), "中文");
    EXPECT_EQ(decodecharset("中文", ""), "中文");
}

TEST(Codec, DecodesTheWebsCharsetsAsBrowsersDo)
{
    struct Case {
        const char* label;
        std::string bytes;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"big5", "\xC1\x63\xC5\xE9", "繁體"},
        {"Shift_JIS", "\x93\xFA\x96\x7B\x83\x5E", "日本タ"},
        {"sjis", "\x87\x40", "①"}, // a Microsoft extension
        {"euc-jp", "\xC6\xFC\xCB\xDC", "日本"},
        {"euc-kr", "\xC7\xD1\xB1\xB9", "한국"},
        {"koi8-r", "\xF0\xD2\xC9", "При"},
        {"windows-1251", "\xCF\xF0\xE8", "При"},
        {"iso-8859-1", "Caf\xE9 \x80", "Café €"}, // read as windows-1252
        {"us-ascii", "\x93q\x94", "“q”"},
        {"x-gbk", "\xD6\xD0", "中"},
        {"big5",
         "a\xFF"
         "b",
         "a\xED\xB3\xBF"
         "b"}, // no character: carried through
    };
    for (const auto& c : cases) {
        EXPECT_EQ(decodecharset(c.bytes, c.label), c.text) << c.label;
    }
}

TEST(Codec, DropsACharacterCutAtTheEnd)
{
    struct Case {
        const char* label;
        std::string bytes;
        std::string text;
    };
    const std::vector<Case> cases = {
        {"utf-8", "中\xE6\x96", "中"},
        {"", "中\xE6\x96", "中"},
        {"gbk", "\xD6\xD0\xCE", "中"},
        {"", "\xD6\xD0\xCE", "中"},
        {"gb18030", "\xD6\xD0\x81\x30\x81", "中"},
        {"", "\xEF\xBB\xBF\xD6\xD0\xCE", "\xED\xB3\xAF\xED\xB2\xBB\xED\xB2\xBF中"},
        {"big5", "\xC1\x63\xC5", "繁"},
        {"shift_jis", "\x93\xFA\x96", "日"},
        {"euc-kr", "\xC7\xD1\xB1", "한"},
        {"gbk", "\xD6\xD0\xFF", "中\xED\xB3\xBF"}, // no character at all: kept
    };
    for (const auto& c : cases) {
        EXPECT_EQ(decodecharsetcut(c.bytes, c.label), c.text) << c.label << " " << hex(c.bytes);
    }
    EXPECT_EQ(decodecharset("\xC1\x63\xC5", "big5"), "繁\xED\xB3\x85");
}

TEST(Codec, DisplayableReplacesEscapesAndBadBytes)
{
    EXPECT_EQ(displayable("a\xED\xB2\x80z"), "a\xEF\xBF\xBDz");
    EXPECT_EQ(displayable("a\xFFz"), "a\xEF\xBF\xBDz");
    EXPECT_EQ(displayable("中文 ok"), "中文 ok");
}

TEST(Codec, UnencodableCharacters)
{
    EXPECT_EQ(unencodable("abc中€😀\xED\xB2\x80", Encoding::Gbk), "");
    // A private-use character that GB18030 no longer maps.
    EXPECT_EQ(unencodable("a\xEE\x9E\x8D中", Encoding::Gbk), "\xEE\x9E\x8D");
    EXPECT_EQ(unencodable("a\xEE\x9E\x8D中", Encoding::Utf8), "");
    // It is still carried through, not turned into "?".
    EXPECT_EQ(togbk("a\xEE\x9E\x8D"), "a\xEE\x9E\x8D");
}

TEST(Codec, SplitLines)
{
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {"empty", "", {}},
        {"no-break", "abc", {"abc"}},
        {"crlf", "a\r\nb\r\n", {"a", "b"}},
        {"cr", "a\rb", {"a", "b"}},
        {"empty-line", "a\r\n\r\nb", {"a", "", "b"}},
        {"lf", "a\nb\r\nc", {"a", "b", "c"}},
        {"lf-lf", "a\n\nb", {"a", "", "b"}},
        {"lf-cr", "a\n\rb", {"a", "", "b"}},
        {"only-break", "\r\n", {""}},
        {"cr-cr-lf", "a\r\r\nb", {"a", "", "b"}},
        {"trailing-lf", "a\n", {"a"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(splitlines(c.text), c.lines) << c.name;
    }
}

TEST(Codec, ConvertsOnSeveralThreadsAtOnce)
{
    const std::string text = helptext() + "😀ก€";
    const std::string expected = togbk(text);
    std::vector<std::string> results(4);
    std::vector<std::thread> threads;
    for (auto& result : results) {
        threads.emplace_back([&text, &result] {
            for (int i = 0; i < 200; ++i) {
                result = fromgbk(togbk(text)) == text ? togbk(text) : std::string("mismatch");
            }
        });
    }
    for (auto& t : threads) {
        t.join();
    }
    for (const auto& result : results) {
        EXPECT_EQ(result, expected);
    }
}
