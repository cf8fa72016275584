// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/centerform.h"
#include "platform/text/codec.h"
#include "shell/shellfixture.h"
#include "ui/helpwindow.h"
#include "ui/windows.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTextBlock>

#include <algorithm>
#include <vector>

namespace morvik::test
{
namespace
{

std::vector<std::string> splitcrlf(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2) {
        lines.push_back(text.substr(start, at - start));
    }
    lines.push_back(text.substr(start)); // what follows the last CR LF
    return lines;
}

std::size_t characters(const std::string& utf8)
{
    std::size_t count = 0;
    for (unsigned char c : utf8) {
        count += (c & 0xC0) != 0x80;
    }
    return count;
}

TEST(HelpText, IsTheTwentySevenLinesEachEndedByCrLf)
{
    const std::string& text = win::helptext();
    const auto lines = splitcrlf(text);
    ASSERT_EQ(lines.size(), 28u);
    EXPECT_EQ(lines.back(), "") << "the last line ends with CR LF too";
    EXPECT_EQ(platform::togbk(text).size(), 1517u);
    EXPECT_EQ(characters(text), 831u);

    const std::vector<int> empty = {1, 2, 5, 8, 10, 14, 16, 18, 20, 22, 24, 26};
    for (int line = 1; line <= 27; ++line) {
        const bool shouldbeempty = std::find(empty.begin(), empty.end(), line) != empty.end();
        EXPECT_EQ(lines[line - 1].empty(), shouldbeempty) << "line " << line;
        EXPECT_EQ(lines[line - 1].find('\r'), std::string::npos) << "line " << line;
        EXPECT_EQ(lines[line - 1].find('\n'), std::string::npos) << "line " << line;
    }
    EXPECT_EQ(lines[2].rfind("1、生成文件", 0), 0u);
    EXPECT_EQ(lines[3],
              "是某种类型的文件。列表中每个文件或文件夹可以含有绝对路径，也可仅是文件或文件夹名。"
              "列表保存为TXT格式文件。");
    EXPECT_EQ(lines[6], "，或文件正在被使用而无法删除，可以记录错误报告。");
    EXPECT_EQ(lines[12], "HTM等。追加后的内容可以位于文件的任何位置。");
    const std::string ending = "请保持您的电脑处于联机状态。\r\n";
    ASSERT_GE(text.size(), ending.size());
    EXPECT_EQ(text.substr(text.size() - ending.size()), ending);
}

using HelpWindow = ShellTest;

TEST_F(HelpWindow, ShowsTheTextLineByLineInAWrappingReadOnlyBox)
{
    win::help* help = win::instance<win::help>();
    help->show();
    EXPECT_EQ(help->windowTitle(), QStringLiteral("使用帮助 - Morvik"));
    EXPECT_EQ(help->size(), QSize(768, 510));
    auto* title = help->findChild<QLabel*>(QStringLiteral("Label1"));
    auto* box = help->findChild<QPlainTextEdit*>(QStringLiteral("Text1"));
    ASSERT_NE(title, nullptr);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(title->text(), QStringLiteral("软件功能说明"));
    EXPECT_TRUE(title->font().bold());
    EXPECT_EQ(box->geometry(), QRect(0, 80, 769, 433));
    EXPECT_TRUE(box->isReadOnly());
    EXPECT_FALSE(box->focusPolicy() & Qt::TabFocus);

    // One block per line, and the empty one after the last CR LF.
    const auto lines = splitcrlf(win::helptext());
    QTextDocument* document = box->document();
    ASSERT_EQ(document->blockCount(), 28);
    for (int i = 0; i < 28; ++i) {
        EXPECT_EQ(win::ss(document->findBlockByNumber(i).text()), lines[i]) << "line " << i + 1;
    }

    // The long lines wrap at the box's edge, and the scroll bar reaches the last line.
    QApplication::processEvents();
    EXPECT_GT(document->findBlockByNumber(2).layout()->lineCount(), 1);
    EXPECT_EQ(box->horizontalScrollBar()->maximum(), 0);
    QScrollBar* bar = box->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    bar->setValue(bar->maximum());
    QApplication::processEvents();
    const QPoint bottom(10, box->viewport()->height() - 4);
    EXPECT_GE(box->cursorForPosition(bottom).blockNumber(), 26);
}

TEST_F(HelpWindow, IsCentredWhenCreatedOnly)
{
    win::help* help = win::instance<win::help>();
    help->show();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QRect frame = help->frameGeometry();
    // The offscreen platform draws a frame, known only once the window is shown.
    ASSERT_NE(frame.size(), help->size());
    const Placement centre =
        centerform(screen.width(), screen.height(), frame.width(), frame.height());
    // Centred by its frame, not by its inner size.
    EXPECT_NEAR(frame.left(), centre.left, 0.5);
    EXPECT_NEAR(frame.top(), centre.top, 0.5);
    help->move(5, 6);
    help->hide();
    help->show();
    EXPECT_EQ(help->pos(), QPoint(5, 6));
}

} // namespace
} // namespace morvik::test
