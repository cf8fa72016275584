// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/urlgen/shortcut.h"

#include "platform/fs/appfolder.h"
#include "support/temptree.h"

#include <gtest/gtest.h>

using namespace morvik::urlgen;
using morvik::test::TempTree;

namespace
{

struct NameCase {
    const char* label;
    std::string title;
    std::string name;
};

std::ostream& operator<<(std::ostream& out, const NameCase& c)
{
    return out << c.label;
}

class ShortcutName : public ::testing::TestWithParam<NameCase>
{
};

// Names on disk are UTF-8, the Linux file-name convention (the files' contents are GBK).
TEST_P(ShortcutName, MakesASafeFileName)
{
    EXPECT_EQ(shortcutname(GetParam().title), GetParam().name);
}

INSTANTIATE_TEST_SUITE_P(
    Titles, ShortcutName,
    ::testing::Values(
        NameCase{"plain", "Morvik home", "Morvik home.url"}, NameCase{"empty", "", ".url"},
        NameCase{"one_slash", "a/b", "a-b.url"},
        // The shared cleanname replaces the first; the rest cannot stand in a name either.
        NameCase{"every_forbidden_char", "a/b:c*d?e\"f<g>h|i\\j", "a-b-c-d-e-f-g-h-i-j.url"},
        NameCase{"climbing_out", "../../x", "..-..-x.url"}, NameCase{"dot", ".", "..url"},
        NameCase{"dotdot", "..", "...url"},
        NameCase{"references", "Tom &amp; Jerry &lt;3&gt; &quot;hi&quot; &#39;x&#39;",
                 "Tom & Jerry -3- -hi- 'x'.url"},
        NameCase{"numeric_references", "a&#47;b &#x4E2D;&#X6587;", "a-b 中文.url"},
        NameCase{"named_references", "&copy; 2024 &mdash; News&nbsp;Today",
                 "\u00a9 2024 \u2014 News\u00a0Today.url"},
        NameCase{"unknown_references_stay", "&bogus; &amp &#xZZ; & x",
                 "&bogus; &amp &#xZZ; & x.url"},
        NameCase{"reference_to_nothing", "a&#0;b&#xD800;", "a\uFFFDb\uFFFD.url"},
        NameCase{"line_breaks_and_tabs", "\r\n    Site\t\tName\r\n  ", "Site Name.url"},
        NameCase{"plain_spaces_stay", "  two  spaces ", "  two  spaces .url"},
        NameCase{"control_from_reference", "a&#10;&#10;b", "a b.url"},
        NameCase{"other_controls",
                 "a\x01\x7f"
                 "b \x1b c",
                 "a b c.url"},
        NameCase{"chinese", "中文标题：首页", "中文标题：首页.url"}),
    [](const ::testing::TestParamInfo<NameCase>& info) { return std::string(info.param.label); });

TEST(ShortcutName, IsUtf8EvenForBytesThatFormNoCharacter)
{
    // A byte carried through by the codec (escaped) or stray shows as U+FFFD.
    EXPECT_EQ(shortcutname("首页 - 示例"),
              "\xE9\xA6\x96\xE9\xA1\xB5 - \xE7\xA4\xBA\xE4\xBE\x8B.url");
    EXPECT_EQ(shortcutname("Café 中한\xED\xB2\x80|\x80"), "Café 中한\uFFFD-\uFFFD.url");
}

TEST(ShortcutNameLength, CutAtTheFileSystemLimitWithoutSplittingACharacter)
{
    std::string title;
    for (int i = 0; i < 100; ++i) {
        title += "中"; // three bytes each on disk
    }
    const std::string name = shortcutname(title);
    EXPECT_LE(name.size(), kMaxNameBytes);
    // 251 bytes of room hold 83 whole characters of three bytes (249 bytes) ...
    EXPECT_EQ(name, title.substr(0, 83 * 3) + ".url");

    std::string faces;
    for (int i = 0; i < 100; ++i) {
        faces += "\U0001F600"; // four bytes each on disk
    }
    // ... and 62 of four (248 bytes), or one byte short of the room.
    EXPECT_EQ(shortcutname(faces), faces.substr(0, 62 * 4) + ".url");
    EXPECT_EQ(shortcutname("a" + faces), "a" + faces.substr(0, 62 * 4) + ".url");

    const std::string ascii(300, 'a');
    EXPECT_EQ(shortcutname(ascii), std::string(251, 'a') + ".url");
}

TEST(TitleOf, TakesTheTextBetweenTheMarkers)
{
    EXPECT_EQ(titleof("<html><title>A page</title></html>"), "A page");
    EXPECT_EQ(titleof("<title> spaced </title>"), " spaced ");
    EXPECT_EQ(titleof("<title>first</title><title>second</title>"), "first");
    // The piece ends at the next "<title>" as well as at "</title>".
    EXPECT_EQ(titleof("<title>a<title>b</title>"), "a");
    EXPECT_EQ(titleof("<title>never closed"), "never closed");
    EXPECT_EQ(titleof("<title></title>"), "");
    EXPECT_EQ(titleof("<TITLE>Capitals</TITLE>"), std::nullopt);
    EXPECT_EQ(titleof("<title>Mixed</TITLE>"), "Mixed</TITLE>");
    EXPECT_EQ(titleof(""), std::nullopt);
}

TEST(FillUrl, PutsTheAddressAfterEveryMarker)
{
    const std::string url = "http://example.test/a";
    EXPECT_EQ(fillurl("[InternetShortcut]\r\nURL=", url), "[InternetShortcut]\r\nURL=" + url);
    EXPECT_EQ(fillurl("URL=\r\nx\r\nURL=", url), "URL=" + url + "\r\nx\r\nURL=" + url);
    EXPECT_EQ(fillurl("no marker here", url), "no marker here");
    EXPECT_EQ(fillurl("url=lower", url), "url=lower");
    EXPECT_EQ(fillurl("URL=URL=", "u"), "URL=uURL=u");
    EXPECT_EQ(fillurl("", url), "");
}

TEST(NextMark, CyclesThroughFourMarksAndTheEmptyText)
{
    std::string mark;
    std::string seen;
    for (int i = 0; i < 7; ++i) {
        mark = nextmark(mark);
        seen += "[" + mark + "]";
    }
    EXPECT_EQ(seen, "[>][>>][>>>][>>>>][][>][>>]");
}

TEST(TrimBlanks, RemovesSpacesOnly)
{
    EXPECT_EQ(trimblanks("   a b  "), "a b");
    EXPECT_EQ(trimblanks("\ta\t"), "\ta\t");
    EXPECT_EQ(trimblanks("    "), "");
}

TEST(ShortcutPath, UsesTheOutputFolderOnlyWhenItExistsAndEndsInASlash)
{
    TempTree tree;
    tree.createDir("app");
    tree.createDir("out");
    morvik::platform::setappfolderfortesting(tree.path("app"));
    EXPECT_EQ(shortcutpath(tree.path("out") + "/", "a.url"), tree.path("out/a.url"));
    EXPECT_EQ(shortcutpath(tree.path("out"), "a.url"), tree.path("app/a.url"));
    EXPECT_EQ(shortcutpath(tree.path("missing") + "/", "a.url"), tree.path("app/a.url"));
    EXPECT_EQ(shortcutpath("", "a.url"), tree.path("app/a.url"));
    morvik::platform::setappfolderfortesting({});
}

} // namespace
