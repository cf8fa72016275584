// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/batchdel/listfile.h"

#include "batchdelfixture.h"
#include "platform/text/codec.h"
#include "support/unprivileged.h"

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

namespace morvik::test
{

namespace
{

struct ListCase {
    const char* name;
    std::string bytes;
    std::vector<std::string> entries;
};

class ListForms : public ::testing::TestWithParam<ListCase>
{
};

TEST_P(ListForms, Entries)
{
    TempTree tree;
    RecordingUi ui;
    const auto list = listfileshown(tree.createFile("list.txt", GetParam().bytes), ui);
    EXPECT_TRUE(list.readable);
    EXPECT_THAT(list.entries, ElementsAreArray(GetParam().entries));
    EXPECT_THAT(ui.boxes, IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    ListFile, ListForms,
    ::testing::Values(
        ListCase{"ThreeLines", "a.txt\r\nb.txt\r\nc.txt\r\n", {"a.txt", "b.txt", "c.txt"}},
        ListCase{"EmptyLineInside", "a.txt\r\n\r\nc.txt", {"a.txt", "", "c.txt"}},
        ListCase{"EmptyLinesBeforeFirst", "\r\n\r\na.txt\r\n\r\n", {"a.txt", ""}},
        ListCase{"CrAloneEndsLine", "a.txt\rb.txt\r", {"a.txt", "b.txt"}},
        ListCase{"LfAloneEndsLine", "a.txt\nb.txt\n", {"a.txt", "b.txt"}},
        ListCase{"CommaFormKeepsLineBreak", "a,b\r\n", {"a", "b\r\n"}},
        ListCase{"CommaFormIgnoresLines", "a\r\nb,c\r\n\r\nd", {"a\r\nb", "c\r\n\r\nd"}},
        ListCase{"CommaFormKeepsEmptyEntries", ",a,,", {"", "a", "", ""}},
        ListCase{"OnlyEmptyLines", "\r\n\r\n", {}},
        ListCase{"GbkDecoded", platform::togbk("中文.htm\r\n图片.gif"), {"中文.htm", "图片.gif"}},
        ListCase{"Utf8WithBom",
                 "\xEF\xBB\xBF"
                 "中文.htm\r\n",
                 {"中文.htm"}},
        ListCase{"GbkCommaForm", platform::togbk("中文.htm,图片.gif"), {"中文.htm", "图片.gif"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ListFile, JoinedText)
{
    TempTree tree;
    RecordingUi ui;
    const auto list = listfileshown(tree.createFile("l", "a\r\n\r\nb\r\n"), ui);
    EXPECT_EQ(list.text(), "a,,b");
}

TEST(ListFile, EmptyNameWarns)
{
    RecordingUi ui;
    const auto list = listfileshown("", ui);
    EXPECT_THAT(list.entries, IsEmpty());
    EXPECT_TRUE(list.readable);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(describe(ui.boxes[0]), "W 文件名错误: 没有指定文件列表");
}

TEST(ListFile, EmptyFileWarns)
{
    TempTree tree;
    RecordingUi ui;
    const auto list = listfileshown(tree.createFile("empty.txt"), ui);
    EXPECT_THAT(list.entries, IsEmpty());
    EXPECT_TRUE(list.readable);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(describe(ui.boxes[0]), "W 空文件错误: 文件为空！");
}

TEST(ListFile, MissingFileIsNamedWithTheSystemsReason)
{
    TempTree tree;
    RecordingUi ui;
    const std::string path = tree.path("nope.txt");
    const auto list = listfileshown(path, ui);
    EXPECT_FALSE(list.readable);
    EXPECT_THAT(list.entries, IsEmpty());
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].title, "文件错误");
    EXPECT_EQ(ui.boxes[0].icon, Icon::Critical);
    EXPECT_NE(ui.boxes[0].text.find(path), std::string::npos);
    EXPECT_NE(ui.boxes[0].text.find("No such file"), std::string::npos) << ui.boxes[0].text;
}

TEST(ListFile, UnreadableFileIsNamed)
{
    if (rerunasnobody()) {
        return;
    }
    TempTree tree;
    RecordingUi ui;
    const std::string path = tree.createFile("secret.txt", "a.txt");
    tree.setMode("secret.txt", 0);
    const auto list = listfileshown(path, ui);
    EXPECT_FALSE(list.readable);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_NE(ui.boxes[0].text.find(path), std::string::npos);
}

} // namespace

} // namespace morvik::test
