// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fs/journal.h"
#include "shell/shellfixture.h"
#include "tools/batchdel/batchdelwindow.h"
#include "ui/backgroundrun.h"
#include "ui/historywindow.h"
#include "widgets/controls.h"

#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <atomic>
#include <chrono>
#include <thread>

namespace morvik::test
{

namespace
{

class History : public ShellTest
{
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        web = files.createDir("web");
    }

    // A run of the batch delete window that deletes one file of the folder.
    void deleterun(const std::string& name)
    {
        files.createFile("web/" + name, name);
        auto* w = win::instance<win::batchdel>();
        w->Dir1->setpath(web);
        w->Text3->setText(win::qs(name));
        ui.answer(Answer::Yes);
        w->Command1_Click();
        ASSERT_FALSE(files.exists("web/" + name)) << ui.titles();
    }

    // The history window, opened from the launcher's link.
    win::runhistory* open()
    {
        auto* launcher = win::instance<win::main>();
        launcher->show();
        leftclick(launcher->Label3);
        auto* w = win::existing<win::runhistory>();
        EXPECT_TRUE(w && w->isVisible());
        ui.clear();
        return w;
    }

    std::string at(win::runhistory* w, int row, int column)
    {
        return win::ss(w->Table1->item(row, column)->text());
    }

    TempTree files;
    std::string web;
};

TEST_F(History, UndoBringsADeletedFileBack)
{
    deleterun("a.htm");
    win::runhistory* w = open();
    ASSERT_EQ(w->Table1->rowCount(), 1);
    const auto run = platform::history().back();
    EXPECT_EQ(at(w, 0, 0), run.time);
    EXPECT_EQ(at(w, 0, 1), "文件批量删除");
    EXPECT_EQ(at(w, 0, 2), web);
    EXPECT_EQ(at(w, 0, 3), "1");
    EXPECT_EQ(at(w, 0, 4), "5 B");
    EXPECT_EQ(at(w, 0, 5), "是");
    EXPECT_FALSE(w->Command1->isEnabled());

    w->Table1->selectRow(0);
    ASSERT_TRUE(w->Command1->isEnabled());
    ui.answer(Answer::Yes);
    w->Command1->click();
    EXPECT_EQ(ui.titles(), "撤销|撤销");
    EXPECT_EQ(ui.boxes[0].text,
              "撤销 " + run.time + " 在 " + web + " 中的文件批量删除（1 个文件）？");
    EXPECT_EQ(ui.boxes[1].text, "撤销完成：已恢复 1 个文件。");
    EXPECT_EQ(files.read("web/a.htm"), "a.htm");
    EXPECT_EQ(w->Table1->rowCount(), 0);
}

// A file put under a deleted file's name meanwhile stays; the box names it and why.
TEST_F(History, UndoListsTheFilesItLeftAlone)
{
    deleterun("a.htm");
    files.createFile("web/a.htm", "new");
    win::runhistory* w = open();
    w->Table1->selectRow(0);
    ui.answer(Answer::Yes);
    w->Command1->click();
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[1].text, "已恢复 0 个文件，以下文件未撤销：\r\n" + web + "/a.htm：" +
                                    platform::kNameTakenReason);
    EXPECT_EQ(files.read("web/a.htm"), "new");
    ASSERT_EQ(w->Table1->rowCount(), 1);
    EXPECT_EQ(at(w, 0, 5), "否");
    EXPECT_FALSE(w->Command1->isEnabled());
}

TEST_F(History, PurgeRemovesTheRowAfterConfirmation)
{
    deleterun("a.htm");
    deleterun("b.htm");
    // Ctrl+Z in the batch delete window offers its newest run.
    auto* del = win::existing<win::batchdel>();
    del->show();
    del->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(del));
    ui.clear();
    del->Text3->setFocus(); // a line edit keeps Ctrl+Z for its own undo
    QTest::keyClick(del->Text3, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(ui.titles(), "");
    del->Command1->setFocus();
    ui.answer(Answer::No);
    QTest::keyClick(del->Command1, Qt::Key_Z, Qt::ControlModifier);
    ASSERT_EQ(ui.titles(), "撤销");
    EXPECT_EQ(ui.boxes[0].text, "撤销 " + platform::history().back().time + " 在 " + web +
                                    " 中的文件批量删除（1 个文件）？");
    win::runhistory* w = open();
    ASSERT_EQ(w->Table1->rowCount(), 2);
    const std::string newest = platform::history().back().id;
    w->Table1->selectRow(0);
    EXPECT_EQ(w->selectedid(), newest);

    ui.answer(Answer::No);
    w->Command2->click();
    ASSERT_EQ(ui.titles(), "清除");
    EXPECT_EQ(ui.boxes[0].buttons, Buttons::YesNoDefaultNo);
    EXPECT_EQ(w->Table1->rowCount(), 2);

    ui.answer(Answer::Yes);
    w->Command2->click();
    ASSERT_EQ(w->Table1->rowCount(), 1);
    EXPECT_NE(w->Table1->item(0, 0)->data(Qt::UserRole).toString().toStdString(), newest);
    EXPECT_EQ(platform::history().size(), 1u);
}

// An undo neither counts nor stops: its progress is a busy bar over its folder, no "取消".
TEST_F(History, BusyRunShowsItsFolderWithoutCancel)
{
    QWidget window;
    window.show();
    win::BackgroundRun::setshowdelayfortesting(0);
    std::atomic<bool> seen{false};
    QString label;
    bool cancel = true;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = window.findChild<QProgressDialog*>(QStringLiteral("Progress"));
        if (dialog && dialog->isVisible() && !seen) {
            label = dialog->labelText();
            cancel = dialog->findChild<QPushButton*>() != nullptr;
            seen = true;
        }
    });
    poll.start(5);
    win::BackgroundRun::runbusy(&window, ui, "撤销", [&](Ui&, Progress& progress) {
        progress.setfolder("/site");
        for (int i = 0; i < 2000 && !seen; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    win::BackgroundRun::setshowdelayfortesting(500);
    ASSERT_TRUE(seen);
    EXPECT_EQ(label, QStringLiteral("/site"));
    EXPECT_FALSE(cancel);
    EXPECT_EQ(ui.titles(), "");
}

} // namespace

} // namespace morvik::test
