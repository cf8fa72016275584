// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/shellfixture.h"
#include "support/qt/framelines.h"
#include "support/qt/lingeringui.h"
#include "tools/batchdel/batchdelwindow.h"
#include "ui/backgroundrun.h"
#include "ui/helpwindow.h"
#include "widgets/commondialog.h"
#include "widgets/controls.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <gmock/gmock.h>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace morvik::test
{

namespace
{

const char* const kConfirm = "真的要执行此操作吗？";

class BatchDelWindow : public ShellTest
{
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        web = files.createDir("web");
    }

    void TearDown() override
    {
        // Tool windows first: closing them brings the launcher back, which goes last.
        if (auto* w = win::existing<win::batchdel>()) {
            w->close();
        }
        if (auto* h = win::existing<win::help>()) {
            h->close();
        }
        ShellTest::TearDown();
    }

    // The window, opened on the test's folder.
    win::batchdel* open()
    {
        auto* w = win::instance<win::batchdel>();
        w->Dir1->setpath(web);
        w->show();
        QApplication::processEvents(); // activation, and with it the first focus request
        ui.clear();
        return w;
    }

    template <class W> static W* child(QWidget* w, const char* name)
    {
        return w->findChild<W*>(QString::fromLatin1(name));
    }

    TempTree files;
    std::string web;
};

TEST_F(BatchDelWindow, StartsInTheNameModeWithReportOn)
{
    auto* w = open();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("文件批量删除 - Morvik"));
    EXPECT_EQ(w->size(), QSize(471, 301));
    EXPECT_TRUE(child<QRadioButton>(w, "Option3")->isChecked());
    EXPECT_TRUE(child<QLineEdit>(w, "Text3")->isEnabled());
    EXPECT_FALSE(child<QLineEdit>(w, "Text1")->isEnabled());
    EXPECT_FALSE(child<QPushButton>(w, "Command2")->isEnabled());
    EXPECT_FALSE(child<QCheckBox>(w, "Check2")->isChecked());
    EXPECT_TRUE(child<QCheckBox>(w, "Check3")->isChecked());
    EXPECT_TRUE(child<QWidget>(w, "File1")->isHidden());
    EXPECT_EQ(child<QGroupBox>(w, "Frame1")->title(), QStringLiteral("文件/路径"));
    // The frame's line runs clear of the name box just under its caption.
    const FrameLines lines = framelines(w->Frame1, w->Text3);
    EXPECT_GT(lines.drawn, 0);
    EXPECT_EQ(lines.underchild, 0);
    EXPECT_EQ(child<QPushButton>(w, "Command1")->text(), QStringLiteral("批量删除"));
    EXPECT_EQ(child<QPushButton>(w, "Command3")->text(), QStringLiteral("帮 助"));
    // Drive1 sits inside Frame1 at 840, 1920 twips.
    EXPECT_EQ(child<QWidget>(w, "Drive1")->geometry().topLeft(), QPoint(56, 128));
    EXPECT_EQ(w->File1->path(), web);
}

TEST_F(BatchDelWindow, AnsweringNoDeletesNothing)
{
    files.createFile("web/a.bak", "x");
    auto* w = open();
    w->Text3->setText(QStringLiteral("*.bak"));
    ui.answer(Answer::No);
    w->Command1->click();
    EXPECT_TRUE(files.exists("web/a.bak"));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, kConfirm);
    EXPECT_EQ(ui.boxes[0].title, "操作警告");
    EXPECT_EQ(ui.boxes[0].icon, Icon::Warning);
    EXPECT_EQ(ui.boxes[0].buttons, Buttons::YesNoDefaultNo);
}

TEST_F(BatchDelWindow, AnsweringYesRunsWithTheBoxesAndOptions)
{
    files.createFile("web/a.bak", "x");
    files.createFile("web/sub/b.bak", "x");
    files.createFile("web/c.txt", "x");
    auto* w = open();
    w->Text3->setText(QStringLiteral("*.bak"));
    w->Check2->click(); // scan subfolders
    w->Check3->click(); // no report
    ui.answer(Answer::Yes);
    w->Command1->click();
    EXPECT_EQ(files.listing("web"), "c.txt|sub");
    EXPECT_EQ(files.listing("web/sub"), "");
    EXPECT_EQ(ui.titles(), "操作警告|删除操作");
    EXPECT_TRUE(w->engine.inputs().scan);
    EXPECT_FALSE(w->engine.inputs().report);
    EXPECT_FALSE(app.exists("Err_Report.txt"));
}

// No progress dialog behind a refusal before the walk or behind the closing box.
TEST_F(BatchDelWindow, NoProgressBehindTheRefusalOrTheClosingBox)
{
    files.createFile("web/a.bak", "x");
    auto* w = open();
    LingeringUi lingering;
    win::setuifortesting(&lingering);
    win::BackgroundRun::setshowdelayfortesting(0);
    w->Command1->click();
    w->Text3->setText(QStringLiteral("*.bak"));
    w->Command1->click();
    win::BackgroundRun::setshowdelayfortesting(500);
    win::setuifortesting(&ui);
    EXPECT_EQ(lingering.titles(), "操作警告|操作有误|操作警告|删除操作");
    EXPECT_EQ(lingering.withprogress, std::vector<bool>(4, false));
    EXPECT_FALSE(files.exists("web/a.bak"));
}

TEST_F(BatchDelWindow, ModesEmptyDisableAndHide)
{
    auto* w = open();
    w->Text3->setText(QStringLiteral("a.txt"));
    w->Option1->click();
    EXPECT_TRUE(w->Text3->text().isEmpty());
    EXPECT_FALSE(w->Text3->isEnabled());
    EXPECT_TRUE(w->Text1->isEnabled());
    EXPECT_TRUE(w->Command2->isEnabled());
    EXPECT_TRUE(w->Dir1->isVisible());

    w->Text1->setText(QStringLiteral("/tmp/list.txt"));
    w->Option2->click();
    EXPECT_EQ(w->Text1->text(), QStringLiteral("/tmp/list.txt"));
    EXPECT_FALSE(w->Text3->isEnabled());
    EXPECT_TRUE(w->Label2->isHidden());
    EXPECT_TRUE(w->Drive1->isHidden());
    EXPECT_TRUE(w->Dir1->isHidden());

    w->Option3->click();
    EXPECT_TRUE(w->Text3->isEnabled());
    EXPECT_TRUE(w->Text3->text().isEmpty());
    EXPECT_TRUE(w->Text1->text().isEmpty());
    EXPECT_FALSE(w->Text1->isEnabled());
    EXPECT_FALSE(w->Command2->isEnabled());
    EXPECT_TRUE(w->Dir1->isVisible());
    EXPECT_TRUE(w->Label2->isVisible());
}

TEST_F(BatchDelWindow, FocusGoesToTheNameBoxOnlyWhenItIsEnabled)
{
    auto* w = open();
    w->Form_Activate();
    EXPECT_THAT(ui.focused, ElementsAre("Text3"));
    ui.clear();
    w->Option1->click();
    w->Form_Activate();
    EXPECT_THAT(ui.focused, IsEmpty());
    // Both boxes empty: the request for input leaves the focus alone in a list mode.
    w->Command1->click();
    EXPECT_EQ(ui.titles(), "操作警告|操作有误");
    EXPECT_THAT(ui.focused, IsEmpty());
    w->Option3->click();
    w->Command1->click();
    EXPECT_THAT(ui.focused, ElementsAre("Text3"));
}

TEST_F(BatchDelWindow, BrowseKeepsThePreviousChoiceAfterCancel)
{
    const std::string list = files.createFile("list.txt", "a.bak\r\n");
    auto* w = open();
    w->Option1->click();
    win::CommonDialog::queueanswerfortesting(std::nullopt);
    w->Command2->click();
    EXPECT_TRUE(w->Text1->text().isEmpty());
    win::CommonDialog::queueanswerfortesting(list);
    w->Command2->click();
    EXPECT_EQ(w->Text1->text(), QString::fromStdString(list));
    win::CommonDialog::queueanswerfortesting(std::nullopt);
    w->Command2->click();
    EXPECT_EQ(w->Text1->text(), QString::fromStdString(list));
}

TEST_F(BatchDelWindow, ListPickedWithBrowseIsRun)
{
    files.createFile("web/a.bak", "x");
    files.createFile("web/b.bak", "x");
    // A list file whose own name is not UTF-8 still opens.
    const std::string list = files.createFile("list-\xE9.txt", "a.bak\r\nb.bak\r\n");
    auto* w = open();
    w->Option1->click();
    win::CommonDialog::queueanswerfortesting(list);
    w->Command2->click();
    w->Command1->click();
    EXPECT_EQ(files.listing("web"), "");
    EXPECT_EQ(ui.titles(), "操作警告|删除操作");
}

TEST_F(BatchDelWindow, HelpHidesTheWindowAndClosingHelpShowsTheLauncher)
{
    auto* w = open();
    w->Text3->setText(QStringLiteral("kept"));
    w->Command3->click();
    EXPECT_TRUE(w->isHidden());
    auto* help = win::existing<win::help>();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    help->close();
    auto* launcher = win::existing<win::main>();
    ASSERT_NE(launcher, nullptr);
    EXPECT_TRUE(launcher->isVisible());
    EXPECT_TRUE(w->isHidden());
    // Hidden, not closed: it keeps its boxes for the next time it is shown.
    EXPECT_EQ(win::existing<win::batchdel>(), w);
    EXPECT_EQ(w->Text3->text(), QStringLiteral("kept"));
}

TEST_F(BatchDelWindow, WholeRunFromTheLauncher)
{
    files.createFile("web/a.bak", "x");
    const std::string locked = files.createFile("web/b.bak", "x");
    files.setMode("web/b.bak", 0444);
    files.createFile("web/c.htm", "x");

    auto* launcher = win::instance<win::main>();
    launcher->show();
    launcher->Picture2_Click();
    auto* w = win::existing<win::batchdel>();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(launcher->isHidden());

    w->Dir1->setpath(web);
    w->Text3->setText(QStringLiteral("*.bak"));
    ui.clear();
    ui.answer(Answer::Yes);
    w->Command1->click();
    EXPECT_EQ(files.listing("web"), "b.bak|c.htm");
    EXPECT_EQ(ui.titles(), "操作警告|删除完成");
    EXPECT_EQ(ui.boxes[1].text,
              "批量删除操作完成，但部分文件未删除，请参见错误报告!\n" + app.path("Err_Report.txt"));
    EXPECT_NE(app.read("Err_Report.txt").find(locked), std::string::npos);

    w->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(win::existing<win::batchdel>(), nullptr);
    EXPECT_TRUE(launcher->isVisible());
}

} // namespace

} // namespace morvik::test
