// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/append/appendcwindow.h"
#include "tools/append/setappendwindow.h"

#include "common/dbrecord.h"
#include "platform/fs/appfolder.h"
#include "platform/fs/journal.h"
#include "support/qt/framelines.h"
#include "support/qt/lingeringui.h"
#include "support/recordingui.h"
#include "support/temptree.h"
#include "ui/backgroundrun.h"
#include "ui/folderpicker.h"
#include "ui/windows.h"
#include "widgets/commondialog.h"
#include "widgets/controls.h"
#include "widgets/qtglue.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

using morvik::Icon;
using morvik::test::readAll;
using morvik::test::RecordingUi;
using morvik::test::TempTree;

namespace
{

std::string text(const QLabel* label)
{
    return win::ss(label->text());
}

std::string text(const QLineEdit* edit)
{
    return win::ss(edit->text());
}

class AppendWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        app = tree.createDir("app");
        morvik::platform::setappfolderfortesting(app);
        win::setuifortesting(&ui);
        win::chosenfolder().clear();
    }

    void TearDown() override
    {
        delete win::existing<win::setappend>();
        delete win::existing<win::appendc>();
        win::setuifortesting(nullptr);
        win::chosenfolder().clear();
        morvik::platform::setappfolderfortesting({});
    }

    // Closing without the launcher: the window goes as its unload would leave it.
    win::appendc* reopen()
    {
        delete win::existing<win::appendc>();
        return win::instance<win::appendc>();
    }

    void store(const std::string& key, const std::string& value)
    {
        morvik::dbrecord(morvik::dbpath(), key, true, value, "");
    }

    std::string stored(const std::string& key)
    {
        return morvik::recordvalue(morvik::dbrecord(morvik::dbpath(), key, false));
    }

    TempTree tree;
    std::string app;
    RecordingUi ui;
};

TEST_F(AppendWindow, ControlsSitWhereTheFormPutsThem)
{
    auto* w = win::instance<win::appendc>();
    EXPECT_EQ(win::ss(w->windowTitle()), "内容追加 - Morvik");
    EXPECT_EQ(w->size(), QSize(win::px(6525), win::px(4020)));
    ASSERT_EQ(w->TabStrip1->count(), 2);
    EXPECT_EQ(win::ss(w->TabStrip1->tabText(0)), "批量追加文件");
    EXPECT_EQ(win::ss(w->TabStrip1->tabText(1)), "批量追加内容");

    const struct {
        const char* name;
        QRect rect;
        const char* parent;
    } places[] = {
        {"Frame1", win::tw(120, 360, 6255, 3495), nullptr},
        {"Frame2", win::tw(120, 360, 6255, 3495), nullptr},
        {"Label4", win::tw(120, 600, 4095, 375), "Frame1"},
        {"File1", win::tw(120, 960, 4215, 2250), "Frame1"},
        {"Command8", win::tw(4560, 2520, 1455, 375), "Frame1"},
        {"Text2", win::tw(1200, 720, 3975, 375), "Frame2"},
        {"List1", win::tw(120, 240, 1935, 960), "Frame3"},
        {"Command10", win::tw(1080, 1320, 855, 375), "Frame3"},
        {"Text3", win::tw(120, 240, 2055, 1455), "Frame4"},
        {"Command7", win::tw(4920, 1920, 1215, 495), "Frame2"},
        {"Option3", win::tw(4800, 3000, 1335, 375), "Frame2"},
    };
    for (const auto& p : places) {
        const auto* widget = w->findChild<QWidget*>(QString::fromLatin1(p.name));
        ASSERT_NE(widget, nullptr) << p.name;
        EXPECT_EQ(widget->geometry(), p.rect) << p.name;
        if (p.parent) {
            EXPECT_EQ(widget->parentWidget()->objectName(), QString::fromLatin1(p.parent))
                << p.name;
        }
    }
    // The frames' lines run clear of the boxes placed just under their captions.
    for (auto [frame, box] : {std::pair<QGroupBox*, QWidget*>{w->Frame3, w->List1},
                              std::pair<QGroupBox*, QWidget*>{w->Frame4, w->Text3}}) {
        const auto lines = morvik::test::framelines(frame, box);
        EXPECT_GT(lines.drawn, 0) << box->objectName().toStdString();
        EXPECT_EQ(lines.underchild, 0) << box->objectName().toStdString();
    }
}

// No stored folder: no box starts at the application folder (/usr/bin for an installed
// copy) nor lists the working folder; they start empty and the user picks.
TEST_F(AppendWindow, WithoutStoreFoldersStartEmptyWithDesignScope)
{
    tree.createFile("app/morvik", "x");
    auto* w = win::instance<win::appendc>();
    EXPECT_EQ(text(w->Label3), "源文件夹:");
    EXPECT_EQ(text(w->Label4), "目标文件夹：");
    EXPECT_EQ(w->File1->path(), "");
    EXPECT_EQ(w->File1->listcount(), 0);
    w->Command8_Click();
    EXPECT_EQ(w->File1->listcount(), 0);
    auto* s = win::instance<win::setappend>();
    EXPECT_EQ(text(s->Text1), "");
    EXPECT_EQ(text(s->Text2), "");
    delete s;
    EXPECT_TRUE(w->Option2->isChecked());
    EXPECT_FALSE(w->Option1->isChecked() || w->Option3->isChecked());
    EXPECT_TRUE(text(w->Text1).empty() && text(w->Text2).empty());
    EXPECT_TRUE(w->Text3->toPlainText().isEmpty());
    EXPECT_EQ(w->List1->count(), 0);
    EXPECT_FALSE(w->locatorrejected);
    EXPECT_TRUE(ui.boxes.empty());

    EXPECT_TRUE(w->Frame1->isVisibleTo(w));
    EXPECT_FALSE(w->Frame2->isVisibleTo(w));
    w->TabStrip1->setCurrentIndex(1);
    EXPECT_FALSE(w->Frame1->isVisibleTo(w));
    EXPECT_TRUE(w->Frame2->isVisibleTo(w));
    w->TabStrip1->setCurrentIndex(0);
    EXPECT_TRUE(w->Frame1->isVisibleTo(w));
}

TEST_F(AppendWindow, SavedContentTabComesBack)
{
    auto* w = win::instance<win::appendc>();
    w->Text1->setText(win::qs(tree.path("content.txt")));
    w->Text2->setText(win::qs(tree.path("site")));
    w->Text3->setPlainText(QStringLiteral("A{:$}</p>\n<p>"));
    w->Option3->setChecked(true);
    w->Command11_Click();
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "保存成功！");
    EXPECT_EQ(ui.boxes[0].title, "保存设置");
    EXPECT_EQ(ui.boxes[0].icon, Icon::None);
    // The locator keeps the platform text box's CR LF line breaks.
    EXPECT_EQ(stored("c_pst"), "A{:$}</p>\r\n<p>");
    EXPECT_EQ(stored("folderoption"), "all");

    w = reopen();
    EXPECT_EQ(text(w->Text1), tree.path("content.txt"));
    EXPECT_EQ(text(w->Text2), tree.path("site"));
    EXPECT_EQ(win::ss(w->Text3->toPlainText()), "A{:$}</p>\n<p>");
    EXPECT_TRUE(w->Option3->isChecked());
    EXPECT_FALSE(w->Option2->isChecked());

    store("folderoption", "everything");
    w = reopen();
    EXPECT_TRUE(w->Option2->isChecked());
}

TEST_F(AppendWindow, FailedSaveSaysSo)
{
    tree.createDir("app/db.dat");
    auto* w = win::instance<win::appendc>();
    EXPECT_EQ(text(w->Label3), "源文件夹:");
    w->Command11_Click();
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].icon, Icon::Critical);
    EXPECT_NE(ui.boxes[0].text.find(app + "/db.dat"), std::string::npos);
}

TEST_F(AppendWindow, SettingsWindowSavesAndHandsOverTheFolders)
{
    tree.createDir("web/a");
    tree.createDir("out");
    auto* w = win::instance<win::appendc>();
    auto* s = win::instance<win::setappend>();
    EXPECT_EQ(win::ss(s->windowTitle()), "文件追加设置");
    EXPECT_TRUE(s->isModal());

    s->Text1->setText(win::qs(tree.path("web")));
    s->Text2->setText(win::qs(tree.path("out") + "/"));
    s->Command1_Click();
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "保存成功");
    EXPECT_EQ(ui.boxes[0].title, "Ruvo");
    EXPECT_EQ(ui.boxes[0].icon, Icon::Information);
    EXPECT_EQ(stored("addfile"), tree.path("web") + "/");
    EXPECT_EQ(stored("addtofolder"), tree.path("out") + "/");
    EXPECT_EQ(text(w->Label3), "源文件夹：" + tree.path("web"));
    EXPECT_EQ(text(w->Label4), "目标文件夹：" + tree.path("out") + "/");
    EXPECT_EQ(w->File1->path(), tree.path("web"));
    EXPECT_FALSE(s->isVisible());

    w = reopen();
    EXPECT_EQ(text(w->Label3), "源文件夹:" + tree.path("web") + "/");
    EXPECT_EQ(text(w->Label4), "目标文件夹：" + tree.path("out") + "/");
}

TEST_F(AppendWindow, SettingsWindowCancelAndRefusals)
{
    tree.createDir("web");
    auto* w = win::instance<win::appendc>();
    auto* s = win::instance<win::setappend>();

    // Empty boxes are refused by name; nothing is saved ("" + "/" once stored the root).
    const struct {
        const char* source;
        const char* text;
        const char* focus;
    } empties[] = {{"", "请指定源文件目录", "Text1"}, {"web", "请指定目录文件夹", "Text2"}};
    for (const auto& e : empties) {
        s->Text1->setText(win::qs(*e.source ? tree.path(e.source) : ""));
        s->Text2->clear();
        ui.clear();
        s->Command1_Click();
        ASSERT_EQ(ui.boxes.size(), 1u) << e.text;
        EXPECT_EQ(ui.boxes[0].text, e.text);
        EXPECT_EQ(ui.boxes[0].title, "文件追加设置");
        EXPECT_EQ(ui.boxes[0].icon, Icon::Critical);
        EXPECT_EQ(ui.focused, std::vector<std::string>{e.focus});
        EXPECT_EQ(stored("addtofolder"), "");
    }
    s->Text2->setText(win::qs(app + "/"));
    ui.clear();

    // A source folder that cannot be shown is refused before anything is saved.
    s->Text1->setText(win::qs(tree.path("missing")));
    s->Command1_Click();
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].icon, Icon::Warning);
    EXPECT_NE(ui.boxes[0].text.find(tree.path("missing")), std::string::npos);
    EXPECT_EQ(stored("addfile"), "");

    // A store that cannot be written: said so, the tool keeps its folders.
    s->Text1->setText(win::qs(tree.path("web")));
    std::filesystem::remove(morvik::dbpath());
    tree.createDir("app/db.dat");
    ui.clear();
    s->Command1_Click();
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].icon, Icon::Critical);
    EXPECT_NE(ui.boxes[0].text.find("db.dat"), std::string::npos);
    EXPECT_EQ(text(w->Label3), "源文件夹:");

    s->Text1->setText(win::qs(tree.path("web")));
    s->Command2_Click();
    EXPECT_FALSE(s->isVisible());
    EXPECT_EQ(text(w->Label3), "源文件夹:");
    EXPECT_EQ(w->File1->path(), "");
}

TEST_F(AppendWindow, FolderPickersHandBackTheirChoice)
{
    auto* w = win::instance<win::appendc>();
    w->Text2->setText(QStringLiteral("typed"));
    // A cancelled picker changes nothing, before and after a folder was confirmed.
    win::dialog::queueanswerfortesting(std::nullopt);
    w->Command6_Click();
    EXPECT_EQ(text(w->Text2), "typed");
    win::dialog::queueanswerfortesting(tree.root());
    w->Command6_Click();
    EXPECT_EQ(text(w->Text2), tree.root() + "/");
    w->Text2->setText(QStringLiteral("typed"));
    win::dialog::queueanswerfortesting(std::nullopt);
    w->Command6_Click();
    EXPECT_EQ(text(w->Text2), "typed");

    // So in the settings window.
    win::chosenfolder().clear();
    auto* s = win::instance<win::setappend>();
    win::dialog::queueanswerfortesting(std::nullopt);
    s->Command3_Click();
    EXPECT_EQ(text(s->Text1), "");
    win::dialog::queueanswerfortesting(tree.path("x"));
    s->Command4_Click();
    EXPECT_EQ(text(s->Text2), tree.path("x") + "/");
}

// The file tab end to end: the list shows the visible source files, the run copies them
// into the direct subfolders only.
TEST_F(AppendWindow, FileTabCopiesListedFilesIntoSubfolders)
{
    tree.createFile("src/a.txt", "a");
    tree.createFile("src/b.css", "b");
    tree.createFile("src/.hidden", "h");
    tree.createFile("dst/S1/a.txt", "old");
    tree.createDir("dst/S1/deep");
    tree.createDir("dst/S2");
    store("addfile", tree.path("src") + "/");
    store("addtofolder", tree.path("dst") + "/");
    auto* w = win::instance<win::appendc>();
    ASSERT_EQ(w->File1->listcount(), 2);

    w->Command4_Click();
    EXPECT_EQ(ui.titles(), "文件追加");
    EXPECT_EQ(ui.boxes[0].text, "文件追加成功！");
    EXPECT_EQ(tree.listing("dst/S1"), "a.txt|b.css|deep");
    EXPECT_EQ(tree.listing("dst/S2"), "a.txt|b.css");
    EXPECT_EQ(tree.listing("dst/S1/deep"), "");
    EXPECT_EQ(tree.read("dst/S1/a.txt"), "a");

    // Delete without a selection, then with one.
    ui.clear();
    w->Command3_Click();
    EXPECT_EQ(ui.titles(), "文件删除错误");
    EXPECT_EQ(ui.focused, std::vector<std::string>{"File1"});
    ui.clear();
    w->File1->setCurrentRow(0);
    ui.answer(morvik::Answer::Yes);
    w->Command3_Click();
    EXPECT_EQ(ui.boxes[0].text, "真的要删除 a.txt 吗？");
    EXPECT_FALSE(tree.exists("src/a.txt"));
    EXPECT_EQ(w->File1->listcount(), 1);
}

// An empty box used to be saved as "/": neither an empty stored folder nor "/" is a
// folder when the window restores them, and nothing is copied into one.
TEST_F(AppendWindow, EmptyOrBareRootStoredFoldersAreNoFolders)
{
    store("addfile", "/");
    store("addtofolder", "");
    const std::string picked = tree.createFile("pick/morvik-added-nowhere.txt", "n");
    auto* w = win::instance<win::appendc>();
    EXPECT_EQ(text(w->Label3), "源文件夹:");
    EXPECT_EQ(text(w->Label4), "目标文件夹：");
    EXPECT_EQ(w->File1->path(), "");
    EXPECT_EQ(w->File1->listcount(), 0);

    win::CommonDialog::queueanswerfortesting(picked);
    w->Command2_Click();
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "请指定源文件夹");
    EXPECT_EQ(ui.boxes[0].icon, Icon::Critical);
    EXPECT_FALSE(std::filesystem::exists("/morvik-added-nowhere.txt"));
    EXPECT_FALSE(std::filesystem::exists("morvik-added-nowhere.txt"));

    auto* s = win::instance<win::setappend>();
    EXPECT_EQ(text(s->Text1), "");
    EXPECT_EQ(text(s->Text2), "");
}

// Folders named in GBK ("测" as the bytes B2 E2, not UTF-8) keep their bytes from the
// pickers through the boxes, the runs and db.dat, and come back from it.
TEST_F(AppendWindow, FoldersNamedInGbkKeepTheirBytes)
{
    const std::string ce = "\xb2\xe2";
    const std::string source = tree.createDir(ce + "src");
    tree.createFile(ce + "src/a.txt", "a");
    const std::string target = tree.createDir(ce + "dst");
    tree.createDir(ce + "dst/S1");
    const std::string site = tree.createDir(ce + "site");
    tree.createFile(ce + "site/p.htm", "<body></body>");
    const std::string content = tree.createFile(ce + "c.txt", "X");

    auto* w = win::instance<win::appendc>();
    auto* s = win::instance<win::setappend>();
    win::dialog::queueanswerfortesting(source);
    s->Command3_Click();
    win::dialog::queueanswerfortesting(target);
    s->Command4_Click();
    EXPECT_TRUE(s->Text1->text().endsWith(QStringLiteral("/测src/")));
    s->Command1_Click();
    EXPECT_EQ(ui.titles(), "Ruvo");
    EXPECT_EQ(w->File1->path(), source);
    w->Command4_Click();
    EXPECT_EQ(tree.read(ce + "dst/S1/a.txt"), "a");
    const std::string db = morvik::test::readAll(morvik::dbpath());
    EXPECT_NE(db.find(source + "/"), std::string::npos);
    EXPECT_NE(db.find(target + "/"), std::string::npos);

    w = reopen();
    EXPECT_EQ(w->File1->path(), source);
    EXPECT_EQ(w->targetfolder(), target + "/");

    win::dialog::queueanswerfortesting(site);
    w->Command6_Click();
    win::CommonDialog::queueanswerfortesting(content);
    w->Command5_Click();
    ui.input("*.htm");
    w->Command9_Click();
    ui.clear();
    w->Command7_Click();
    EXPECT_EQ(ui.titles(), "追加内容");
    EXPECT_NE(tree.read(ce + "site/p.htm").find('X'), std::string::npos);
    w->Command11_Click();
    w = reopen();
    EXPECT_EQ(w->Text1->path(), content);
    EXPECT_EQ(w->Text2->path(), site + "/");
}

// "添 加" copies the chosen file in, also when the dialog's name did not change; cancelling
// it after the content file was browsed for must not copy the content file into the
// source folder.
TEST_F(AppendWindow, AddSourceFileOnlyWhenChosen)
{
    tree.createFile("src/a.txt", "a");
    tree.createFile("other/new.txt", "new");
    tree.createFile("content.txt", "content");
    store("addfile", tree.path("src") + "/");
    auto* w = win::instance<win::appendc>();

    win::CommonDialog::queueanswerfortesting(tree.path("content.txt"));
    w->Command5_Click();
    EXPECT_EQ(text(w->Text1), tree.path("content.txt"));
    win::CommonDialog::queueanswerfortesting(std::nullopt);
    w->Command2_Click();
    EXPECT_EQ(tree.listing("src"), "a.txt");
    // The same file chosen deliberately is copied, although the dialog's name is unchanged.
    win::CommonDialog::queueanswerfortesting(tree.path("content.txt"));
    w->Command2_Click();
    EXPECT_EQ(tree.listing("src"), "a.txt|content.txt");

    win::CommonDialog::queueanswerfortesting(tree.path("other/new.txt"));
    w->Command2_Click();
    EXPECT_EQ(tree.listing("src"), "a.txt|content.txt|new.txt");
    EXPECT_EQ(w->File1->listcount(), 3);
    EXPECT_TRUE(ui.boxes.empty());
}

// The content tab end to end: a type added through the input box, the run, the type
// deleted again.
TEST_F(AppendWindow, ContentTabRunsOverTheChosenTypes)
{
    tree.createFile("content.txt", "<p>foot</p>");
    tree.createFile("site/a.htm", "<body></body>");
    tree.createFile("site/s/b.htm", "<body></body>");
    tree.createFile("site/a.txt", "text");
    auto* w = win::instance<win::appendc>();
    ui.input("*.htm");
    w->Command9_Click();
    ASSERT_EQ(w->List1->count(), 1);
    EXPECT_EQ(stored("appendtype"), "*.htm");

    w->Text1->setText(win::qs(tree.path("content.txt")));
    w->Text2->setText(win::qs(tree.path("site")));
    w->Text3->setPlainText(QStringLiteral("F{:$}</body>"));
    w->Option1->setChecked(true);
    w->Command7_Click();
    EXPECT_EQ(ui.titles(), "追加内容");
    EXPECT_EQ(ui.boxes[0].text, "恭喜，文件已追加完成！");
    EXPECT_EQ(tree.read("site/a.htm"), "<body><p>foot</p>\r\n</body>");
    EXPECT_EQ(tree.read("site/s/b.htm"), "<body></body>");
    EXPECT_EQ(tree.read("site/a.txt"), "text");

    ui.clear();
    w->Text1->clear();
    w->Command7_Click();
    EXPECT_EQ(ui.titles(), "设置错误");
    EXPECT_EQ(ui.focused, std::vector<std::string>{"Text1"});

    w->List1->setCurrentRow(0);
    w->Command10_Click();
    EXPECT_EQ(w->List1->count(), 0);
    EXPECT_EQ(stored("appendtype"), "");
    EXPECT_EQ(reopen()->List1->count(), 0);
}

// Ctrl+Z undoes the newest run of the tab on top after a confirmation naming it; a
// focused text box keeps the key for its own undo, and a tab with no run says so.
TEST_F(AppendWindow, CtrlZUndoesTheTabsLastRun)
{
    tree.createFile("content.txt", "<p>foot</p>");
    tree.createFile("site/a.htm", "<body></body>");
    auto* w = win::instance<win::appendc>();
    w->List1->addItem(QStringLiteral("*.htm"));
    w->Text1->setText(win::qs(tree.path("content.txt")));
    w->Text2->setText(win::qs(tree.path("site")));
    w->Text3->setPlainText(QStringLiteral("F{:$}</body>"));
    w->Command7_Click();
    ASSERT_EQ(tree.read("site/a.htm"), "<body><p>foot</p>\r\n</body>");
    const auto runs = morvik::platform::history();
    ASSERT_EQ(runs.size(), 1u);

    w->TabStrip1->setCurrentIndex(1);
    w->show();
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    const auto ctrlz = [](QWidget* at) { QTest::keyClick(at, Qt::Key_Z, Qt::ControlModifier); };
    ui.clear();
    w->Text3->setFocus();
    ctrlz(w->Text3);
    EXPECT_EQ(ui.titles(), "");

    w->Command7->setFocus();
    ui.answer(morvik::Answer::No);
    ctrlz(w->Command7);
    ASSERT_EQ(ui.titles(), "撤销");
    EXPECT_EQ(ui.boxes[0].text, "撤销 " + runs[0].time + " 在 " + tree.path("site") +
                                    " 中的批量追加内容（1 个文件）？");
    EXPECT_EQ(ui.boxes[0].buttons, morvik::Buttons::YesNoDefaultNo);
    EXPECT_EQ(tree.read("site/a.htm"), "<body><p>foot</p>\r\n</body>");

    w->TabStrip1->setCurrentIndex(0);
    w->Command4->setFocus();
    ctrlz(w->Command4);
    EXPECT_EQ(ui.boxes.back().text, "没有可以撤销的运行。");

    w->TabStrip1->setCurrentIndex(1);
    w->Command7->setFocus();
    ui.clear();
    ui.answer(morvik::Answer::Yes);
    ctrlz(w->Command7);
    ASSERT_EQ(ui.titles(), "撤销|撤销");
    EXPECT_EQ(ui.boxes[1].text, "撤销完成：已恢复 1 个文件。");
    EXPECT_EQ(tree.read("site/a.htm"), "<body></body>");
    ctrlz(w->Command7);
    EXPECT_EQ(ui.boxes.back().text, "没有可以撤销的运行。");
}

// A long run leaves the window answering: its inputs are disabled, the progress shows,
// and "取消" stops it between two files (each file whole, no temporary file left), with a
// box that says how far it got.
TEST_F(AppendWindow, LongContentRunShowsProgressAndStopsOnCancel)
{
    constexpr int kFiles = 6000;
    tree.createFile("content.txt", "X");
    std::vector<std::string> pages;
    for (int i = 0; i < kFiles; ++i) {
        pages.push_back("site/d" + std::to_string(i % 60) + "/p" + std::to_string(i) + ".htm");
        tree.createFile(pages.back(), "<body></body>");
    }
    auto* w = win::instance<win::appendc>();
    ui.input("*.htm");
    w->Command9_Click();
    w->Text1->setText(win::qs(tree.path("content.txt")));
    w->Text2->setText(win::qs(tree.path("site")));
    w->Text3->setPlainText(QStringLiteral("F{:$}</body>"));
    w->Option3->setChecked(true);
    ui.clear();

    win::BackgroundRun::setshowdelayfortesting(0);
    bool sawprogress = false;
    bool inputsdisabled = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = w->findChild<QProgressDialog*>(QStringLiteral("Progress"));
        if (!dialog || sawprogress) {
            return;
        }
        sawprogress = dialog->labelText().startsWith(QStringLiteral("已处理"));
        inputsdisabled = !w->Command7->isEnabled();
        dialog->findChild<QPushButton*>()->click();
    });
    poll.start(5);
    w->Command7_Click();
    poll.stop();
    win::BackgroundRun::setshowdelayfortesting(500);

    EXPECT_TRUE(sawprogress);
    EXPECT_TRUE(inputsdisabled);
    EXPECT_TRUE(w->Command7->isEnabled());
    int changed = 0;
    for (const auto& page : pages) {
        const std::string bytes = tree.read(page);
        if (bytes == "<body>X\r\n</body>") {
            ++changed;
        } else {
            EXPECT_EQ(bytes, "<body></body>") << page;
        }
    }
    EXPECT_LT(changed, kFiles);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(tree.path("site"))) {
        EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
    }
    ASSERT_FALSE(ui.boxes.empty());
    EXPECT_EQ(ui.boxes.back().text, "操作已停止：已处理 " + std::to_string(changed) + " / " +
                                        std::to_string(kFiles) + " 个文件，其余文件未处理。");
    EXPECT_EQ(ui.boxes.back().title, "追加内容");
}

// Progress belongs to a walk that is going on: a refusal before any file was counted and
// the closing box of a run stand alone, with no progress dialog behind them.
TEST_F(AppendWindow, NoProgressBehindRefusalsOrClosingBoxes)
{
    tree.createFile("content.txt", "X");
    tree.createFile("site/a.htm", "<body></body>");
    tree.createFile("src/a.txt", "a");
    tree.createDir("dst/S1");
    auto* w = win::instance<win::appendc>();
    ui.input("*.htm");
    w->Command9_Click();
    w->Text1->setText(win::qs(tree.path("content.txt")));
    w->Text3->setPlainText(QStringLiteral("F{:$}</body>"));
    morvik::test::LingeringUi lingering;
    win::setuifortesting(&lingering);
    win::BackgroundRun::setshowdelayfortesting(0);
    const struct {
        std::function<void()> click;
        const char* text;
    } rows[] = {
        {[&] { w->Command7_Click(); }, "请指定目标文件夹"},
        {[&] { w->Command4_Click(); }, "请在设置中指定源文件目录"},
        {[&] {
             w->Text2->setText(win::qs(tree.path("site")));
             w->Command7_Click();
         },
         "恭喜，文件已追加完成！"},
        {[&] {
             w->setsource("源文件夹：", tree.path("src"));
             w->settarget("目标文件夹：", tree.path("dst") + "/");
             w->Command4_Click();
         },
         "文件追加成功！"},
    };
    for (const auto& row : rows) {
        lingering.clear();
        lingering.withprogress.clear();
        row.click();
        ASSERT_EQ(lingering.boxes.size(), 1u) << row.text;
        EXPECT_EQ(lingering.boxes[0].text, row.text);
        EXPECT_EQ(lingering.withprogress, std::vector<bool>{false}) << row.text;
    }
    EXPECT_EQ(tree.read("dst/S1/a.txt"), "a");
    win::BackgroundRun::setshowdelayfortesting(500);
    win::setuifortesting(&ui);
}

// Closing the window during a run stops the run first; the window then closes.
TEST_F(AppendWindow, ClosingDuringARunStopsItThenCloses)
{
    constexpr int kFiles = 6000;
    tree.createFile("content.txt", "X");
    for (int i = 0; i < kFiles; ++i) {
        tree.createFile("site/d" + std::to_string(i % 60) + "/p" + std::to_string(i) + ".htm",
                        "<body></body>");
    }
    QPointer<win::appendc> w = win::instance<win::appendc>();
    ui.input("*.htm");
    w->Command9_Click();
    w->Text1->setText(win::qs(tree.path("content.txt")));
    w->Text2->setText(win::qs(tree.path("site")));
    w->Text3->setPlainText(QStringLiteral("F{:$}</body>"));
    w->Option3->setChecked(true);
    w->show();
    ui.clear();

    bool closed = false;
    QTimer::singleShot(20, [&] { closed = w->close(); });
    w->Command7_Click();
    EXPECT_FALSE(closed) << "the window closed under a running run";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QTest::qWait(50);
    EXPECT_TRUE(w.isNull() || !w->isVisible());
    int untouched = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(tree.path("site"))) {
        EXPECT_NE(entry.path().filename().string()[0], '.') << entry.path();
        untouched += entry.is_regular_file() && readAll(entry.path()) == "<body></body>";
    }
    EXPECT_GT(untouched, 0) << "the run was not stopped";
}

} // namespace
