// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/filelist/clistwindow.h"

#include "platform/fs/appfolder.h"
#include "shell/mainwindow.h"
#include "shell/shellfixture.h"
#include "support/recordingui.h"
#include "support/temptree.h"
#include "ui/windows.h"
#include "widgets/controls.h"
#include "widgets/qtglue.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <stdexcept>
#include <unistd.h>

using namespace morvik;
using test::RecordingUi;
using test::TempTree;

namespace
{

// User input delivered as real events to the widgets.
void type(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
    }
}

void key(QWidget* widget, Qt::Key k)
{
    QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, k, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

// A single click, or a double click, at a point of a widget.
void clickat(QWidget* widget, QPoint at, bool twice = false)
{
    test::sendmouse(widget, QEvent::MouseButtonPress, Qt::LeftButton, at);
    test::sendmouse(widget, QEvent::MouseButtonRelease, Qt::LeftButton, at);
    if (twice) {
        test::sendmouse(widget, QEvent::MouseButtonDblClick, Qt::LeftButton, at);
        test::sendmouse(widget, QEvent::MouseButtonRelease, Qt::LeftButton, at);
    }
}

// The folder list's entry with this text.
QListWidgetItem* entry(win::FolderList* list, const std::string& text)
{
    const auto found = list->findItems(QString::fromStdString(text), Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.last();
}

std::vector<std::string> items(const win::FileList* list)
{
    std::vector<std::string> out;
    for (int i = 0; i < list->listcount(); ++i) {
        out.push_back(list->list(i));
    }
    return out;
}

// Every test runs with its own working folder (where filelist.txt goes), besides the
// launcher's application folder and recorded message boxes.
class ClistWindow : public test::ShellTest
{
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        char buffer[PATH_MAX];
        ASSERT_NE(getcwd(buffer, sizeof buffer), nullptr);
        m_previous = buffer;
        tree.createDir("work");
        tree.createDir("site/img");
        tree.createDir("site/css");
        tree.createFile("site/index.htm", "x");
        tree.createFile("site/about.htm", "x");
        tree.createFile("site/logo.png", "x");
        tree.createFile("site/css/main.css", "x");
        tree.createFile("site/css/print.htm", "x");
        ASSERT_EQ(chdir(tree.path("work").c_str()), 0);
    }

    void TearDown() override
    {
        // The list window first: its close brings the launcher, which then closes too.
        if (win::clist* w = win::existing<win::clist>()) {
            w->close();
        }
        ShellTest::TearDown();
        (void)chdir(m_previous.c_str());
    }

    // The list window, with its folder list opened on a folder of the tree.
    win::clist* openAt(const std::string& relative)
    {
        auto* w = win::instance<win::clist>();
        w->show();
        w->Dir1->setpath(tree.path(relative));
        return w;
    }

    std::string written() { return tree.read("work/filelist.txt"); }

    TempTree tree;

private:
    std::string m_previous;
};

} // namespace

TEST_F(ClistWindow, OpensOnTheWorkingFolderWithItsOptions)
{
    auto* w = win::instance<win::clist>();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("列表生成 - Morvik"));
    EXPECT_EQ(w->size(), QSize(475, 276));
    EXPECT_EQ(w->Dir1->path(), tree.path("work"));
    EXPECT_EQ(w->File1->path(), tree.path("work"));
    EXPECT_EQ(w->File1->pattern(), "*.*");
    EXPECT_FALSE(w->Check3->isChecked());
    EXPECT_TRUE(w->Check1->isChecked());
    EXPECT_TRUE(w->Check2->isChecked());
    EXPECT_TRUE(w->Text1->text().isEmpty());
    EXPECT_EQ(w->Command1->text(), QStringLiteral("生成列表 "));

    // Tab moves through the controls in the order of the form.
    const std::vector<QWidget*> order{w->Drive1, w->Dir1,  w->Command1, w->Check1,
                                      w->Check2, w->Text1, w->File1,    w->Check3};
    for (std::size_t i = 1; i < order.size(); ++i) {
        QWidget* next = order[i - 1]->nextInFocusChain();
        while (next->focusPolicy() == Qt::NoFocus) {
            next = next->nextInFocusChain();
        }
        EXPECT_EQ(next, order[i]) << "after " << order[i - 1]->objectName().toStdString();
    }
}

TEST_F(ClistWindow, IncludeOptionsAreNeverBothOff)
{
    auto* w = openAt("site");
    test::leftclick(w->Check1);
    EXPECT_FALSE(w->Check1->isChecked());
    EXPECT_TRUE(w->Check2->isChecked());
    test::leftclick(w->Check2);
    EXPECT_FALSE(w->Check2->isChecked());
    EXPECT_TRUE(w->Check1->isChecked()) << "turning files off turns folders on";
    test::leftclick(w->Check1);
    EXPECT_FALSE(w->Check1->isChecked());
    EXPECT_TRUE(w->Check2->isChecked()) << "turning folders off turns files on";
    test::leftclick(w->Check1);
    EXPECT_TRUE(w->Check1->isChecked());
    EXPECT_TRUE(w->Check2->isChecked()) << "both may be on";
    test::leftclick(w->Check3);
    EXPECT_TRUE(w->Check3->isChecked());
    EXPECT_TRUE(w->Check1->isChecked());
    EXPECT_TRUE(w->Check2->isChecked());
}

TEST_F(ClistWindow, ExtensionFilterAndItsRemoval)
{
    auto* w = openAt("site");
    EXPECT_EQ(items(w->File1), (std::vector<std::string>{"about.htm", "index.htm", "logo.png"}));
    type(w->Text1, QStringLiteral("htm"));
    EXPECT_EQ(w->File1->pattern(), "*.htm");
    EXPECT_EQ(items(w->File1), (std::vector<std::string>{"about.htm", "index.htm"}));
    // The folder list is not filtered.
    EXPECT_EQ(w->Dir1->listcount(), 2);

    w->Text1->selectAll();
    key(w->Text1, Qt::Key_Backspace);
    EXPECT_EQ(w->File1->pattern(), "*.*");
    EXPECT_EQ(items(w->File1), (std::vector<std::string>{"about.htm", "index.htm", "logo.png"}));
}

TEST_F(ClistWindow, FolderChangeKeepsTheFilter)
{
    auto* w = openAt("site");
    type(w->Text1, QStringLiteral("htm"));
    w->Dir1->setpath(tree.path("site/css"));
    EXPECT_EQ(w->File1->path(), tree.path("site/css"));
    EXPECT_EQ(w->File1->pattern(), "*.htm");
    EXPECT_EQ(items(w->File1), std::vector<std::string>{"print.htm"});

    // The generation lists what the lists show.
    test::leftclick(w->Command1);
    EXPECT_EQ(written(), "----\xce\xc4\xbc\xfe\xc1\xd0\xb1\xed----\r\n\r\nprint.htm\r\n");
}

// A working folder of the system's (the root, the application folder of an installed
// copy) is not where the lists open: they open on the home folder.
TEST_F(ClistWindow, NeverOpensOnTheSystemsFolders)
{
    const std::string home = tree.createDir("home");
    const std::string oldhome = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("HOME", (home + "/").c_str(), 1);
    for (const std::string& working : {app.root(), std::string("/")}) {
        ASSERT_EQ(chdir(working.c_str()), 0);
        auto* w = win::instance<win::clist>();
        EXPECT_EQ(w->Dir1->path(), home) << working;
        EXPECT_EQ(w->File1->path(), home) << working;
        delete w;
    }
    setenv("HOME", oldhome.c_str(), 1);
}

TEST_F(ClistWindow, DriveChangeMovesBothLists)
{
    auto* w = openAt("site");
    type(w->Text1, QStringLiteral("htm"));
    const int root = w->Drive1->findText(QStringLiteral("/"));
    ASSERT_GE(root, 0);
    w->Drive1->setCurrentIndex(root);
    w->Drive1_Change();
    EXPECT_EQ(w->Dir1->path(), "/");
    EXPECT_EQ(w->File1->path(), "/");
    EXPECT_EQ(w->File1->pattern(), "*.htm");
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(ClistWindow, SingleClickOnASubfolderChangesNothing)
{
    auto* w = openAt("site");
    QListWidgetItem* img = entry(w->Dir1, "img");
    ASSERT_NE(img, nullptr);
    clickat(w->Dir1->viewport(), w->Dir1->visualItemRect(img).center());
    ASSERT_EQ(w->Dir1->currentItem(), img) << "the click reached the entry";
    EXPECT_EQ(w->Dir1->path(), tree.path("site"));
    EXPECT_EQ(w->File1->path(), tree.path("site"));

    test::leftclick(w->Command1);
    EXPECT_EQ(written(), "----\xce\xc4\xbc\xfe\xbc\xd0\xc1\xd0\xb1\xed----\r\ncss\r\nimg\r\n\r\n"
                         "----\xce\xc4\xbc\xfe\xc1\xd0\xb1\xed----\r\n\r\n"
                         "about.htm\r\nindex.htm\r\nlogo.png\r\n");
}

TEST_F(ClistWindow, GenerationWithAbsolutePathsAndAFailure)
{
    auto* w = openAt("site");
    test::leftclick(w->Check3);
    test::leftclick(w->Check1);
    test::leftclick(w->Command1);
    const std::string site = tree.path("site");
    EXPECT_EQ(written(), "----\xce\xc4\xbc\xfe\xc1\xd0\xb1\xed----\r\n\r\n" + site +
                             "/about.htm\r\n" + site + "/index.htm\r\n" + site + "/logo.png\r\n");
    EXPECT_EQ(w->generator.folderlines, site + "/css\r\n" + site + "/img");
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].title, "生成列表");

    // filelist.txt cannot be replaced: one error box, and the window stays usable.
    ui.clear();
    const std::string before = written();
    if (test::runningAsRoot()) {
        ASSERT_EQ(unlink(tree.path("work/filelist.txt").c_str()), 0);
        tree.createDir("work/filelist.txt");
    } else {
        tree.setMode("work", 0555);
    }
    test::leftclick(w->Command1);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].icon, Icon::Critical);
    EXPECT_NE(ui.boxes[0].text.find(tree.path("work/filelist.txt")), std::string::npos);
    if (!test::runningAsRoot()) {
        EXPECT_EQ(written(), before);
    }
    EXPECT_TRUE(w->isVisible());
}

TEST_F(ClistWindow, FromTheLauncherToTheListAndBack)
{
    win::main* launcher = win::instance<win::main>();
    launcher->show();
    test::leftclick(launcher->Picture1);
    win::clist* w = win::existing<win::clist>();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(launcher->isVisible());
    EXPECT_EQ(w->Dir1->path(), tree.path("work"));

    // Up to the tree's folder, then into "site", each with a double click.
    const std::string top = tree.root().substr(tree.root().rfind('/') + 1);
    QListWidgetItem* item = entry(w->Dir1, top);
    ASSERT_NE(item, nullptr);
    clickat(w->Dir1->viewport(), w->Dir1->visualItemRect(item).center(), true);
    ASSERT_EQ(w->Dir1->path(), tree.root());
    item = entry(w->Dir1, "site");
    ASSERT_NE(item, nullptr);
    clickat(w->Dir1->viewport(), w->Dir1->visualItemRect(item).center(), true);
    ASSERT_EQ(w->Dir1->path(), tree.path("site"));
    EXPECT_EQ(w->File1->path(), tree.path("site"));

    type(w->Text1, QStringLiteral("htm"));
    test::leftclick(w->Command1);
    EXPECT_EQ(written(), "----\xce\xc4\xbc\xfe\xbc\xd0\xc1\xd0\xb1\xed----\r\ncss\r\nimg\r\n\r\n"
                         "----\xce\xc4\xbc\xfe\xc1\xd0\xb1\xed----\r\n\r\n"
                         "about.htm\r\nindex.htm\r\n");
    ASSERT_EQ(ui.boxes.size(), 1u) << ui.titles();
    EXPECT_EQ(ui.boxes[0].text,
              "恭喜，filelist.txt文件列表已生成！\n" + tree.path("work/filelist.txt"));
    EXPECT_EQ(ui.boxes[0].title, "生成列表");
    EXPECT_EQ(ui.boxes[0].icon, Icon::Information);

    w->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(win::existing<win::clist>(), nullptr);
    EXPECT_EQ(win::existing<win::main>(), launcher);
    EXPECT_TRUE(launcher->isVisible());

    // Opened again, it starts afresh.
    test::leftclick(launcher->Picture1);
    w = win::existing<win::clist>();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->Dir1->path(), tree.path("work"));
    EXPECT_TRUE(w->Text1->text().isEmpty());
    EXPECT_EQ(w->File1->pattern(), "*.*");
}
