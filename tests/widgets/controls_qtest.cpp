// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/commondialog.h"
#include "widgets/controls.h"
#include "widgets/qtglue.h"
#include "widgets/qtui.h"
#include "platform/syserror.h"
#include "support/recordingui.h"
#include "support/temptree.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <stdexcept>

using morvik::test::TempTree;

namespace
{

// Points $HOME at a folder for the life of the object.
class HomeAt
{
public:
    explicit HomeAt(const std::string& folder)
    {
        if (const char* home = std::getenv("HOME")) {
            m_old = home;
            m_had = true;
        }
        setenv("HOME", folder.c_str(), 1);
    }
    ~HomeAt()
    {
        if (m_had) {
            setenv("HOME", m_old.c_str(), 1);
        } else {
            unsetenv("HOME");
        }
    }

private:
    std::string m_old;
    bool m_had = false;
};

QListWidgetItem* rowwithtext(QListWidget& list, const QString& text)
{
    const auto found = list.findItems(text, Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.constFirst();
}

void doubleclick(QListWidget& list, QListWidgetItem* item)
{
    ASSERT_NE(item, nullptr);
    const QPoint at = list.visualItemRect(item).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at);
}

std::string join(const std::vector<std::string>& items)
{
    std::string out;
    for (const auto& s : items) {
        out += (out.empty() ? "" : "|") + s;
    }
    return out;
}

std::string names(const win::FileList& list)
{
    std::vector<std::string> out;
    for (int i = 0; i < list.listcount(); ++i) {
        out.push_back(list.list(i));
    }
    return join(out);
}

} // namespace

TEST(DriveList, RootFirstThenHomeAndOnlyUserChoiceIsAChange)
{
    TempTree tree;
    HomeAt home(tree.root());
    win::DriveList drives;
    const auto entries = drives.entries();
    ASSERT_GE(entries.size(), 2u);
    EXPECT_EQ(entries[0], "/");
    EXPECT_EQ(entries[1], tree.root());

    QSignalSpy changed(&drives, &win::DriveList::changed);
    drives.selectdrivefor(tree.path("a/b"));
    EXPECT_EQ(drives.drive(), tree.root());
    drives.selectdrivefor("/etc");
    EXPECT_EQ(drives.drive(), "/");
    EXPECT_EQ(changed.count(), 0);

    drives.show();
    QTest::keyClick(&drives, Qt::Key_Down);
    EXPECT_EQ(drives.drive(), tree.root());
    EXPECT_EQ(changed.count(), 1);
}

class FolderListTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        tree.createDir("site/b");
        tree.createDir("site/A");
        tree.createDir("site/a");
        tree.createDir("site/b\xff");
        tree.createSymlink("site/link", tree.path("elsewhere"));
        tree.createDir("elsewhere/inner");
        tree.createFile("site/file.txt", "x");
        list.resize(300, 400);
        list.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    }

    TempTree tree;
    win::FolderList list;
};

TEST_F(FolderListTest, SubfoldersAsFullPathsInByteOrderLinksIncluded)
{
    list.setpath(tree.path("site"));
    EXPECT_EQ(list.path(), tree.path("site"));
    ASSERT_EQ(list.listcount(), 5);
    const std::string s = tree.path("site/");
    EXPECT_EQ(list.list(0), s + "A");
    EXPECT_EQ(list.list(1), s + "a");
    EXPECT_EQ(list.list(2), s + "b");
    EXPECT_EQ(list.list(3), s + "b\xff");
    EXPECT_EQ(list.list(4), s + "link");
    EXPECT_EQ(list.list(5), "");
}

TEST_F(FolderListTest, SingleClickOnlyHighlights)
{
    list.setpath(tree.path("site"));
    QSignalSpy changed(&list, &win::FolderList::changed);
    QListWidgetItem* b = rowwithtext(list, QStringLiteral("b"));
    ASSERT_NE(b, nullptr);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(b).center());
    EXPECT_EQ(list.currentItem(), b);
    EXPECT_EQ(list.path(), tree.path("site"));
    EXPECT_EQ(changed.count(), 0);
}

TEST_F(FolderListTest, DoubleClickOpensSubfolderAndAncestor)
{
    list.setpath(tree.path("site"));
    QSignalSpy changed(&list, &win::FolderList::changed);
    doubleclick(list, rowwithtext(list, QStringLiteral("link")));
    EXPECT_EQ(list.path(), tree.path("site/link"));
    EXPECT_EQ(changed.count(), 1);
    ASSERT_EQ(list.listcount(), 1);
    EXPECT_EQ(list.list(0), tree.path("site/link/inner"));

    // The ancestors stay listed above the open folder; opening one goes back up.
    doubleclick(list, rowwithtext(list, QStringLiteral("site")));
    EXPECT_EQ(list.path(), tree.path("site"));
    EXPECT_EQ(changed.count(), 2);
    EXPECT_EQ(list.item(0)->text(), QStringLiteral("/"));
}

TEST_F(FolderListTest, EnterOpensTheHighlightedFolder)
{
    list.setpath(tree.path("site"));
    list.setCurrentItem(rowwithtext(list, QStringLiteral("a")));
    QTest::keyClick(&list, Qt::Key_Return);
    EXPECT_EQ(list.path(), tree.path("site/a"));
}

TEST_F(FolderListTest, UnreadableFolderThrowsAndKeepsTheOldOne)
{
    list.setpath(tree.path("site"));
    QSignalSpy changed(&list, &win::FolderList::changed);
    EXPECT_THROW(list.setpath(tree.path("missing")), morvik::platform::SysError);
    // An empty text is no folder, not the working folder.
    EXPECT_THROW(list.setpath(""), morvik::platform::SysError);
    EXPECT_EQ(list.path(), tree.path("site"));
    EXPECT_EQ(list.listcount(), 5);
    EXPECT_EQ(changed.count(), 0);
}

TEST_F(FolderListTest, VanishedSubfolderIsReportedOnDoubleClick)
{
    morvik::test::RecordingUi recorder;
    win::setuifortesting(&recorder);
    list.setpath(tree.path("site"));
    QListWidgetItem* a = rowwithtext(list, QStringLiteral("a"));
    std::filesystem::remove(tree.path("site/a"));
    doubleclick(list, a);
    win::setuifortesting(nullptr);
    EXPECT_EQ(list.path(), tree.path("site"));
    ASSERT_EQ(recorder.boxes.size(), 1u);
    EXPECT_EQ(recorder.boxes[0].title, "Ruvo");
    EXPECT_EQ(recorder.boxes[0].icon, morvik::Icon::Critical);
}

TEST_F(FolderListTest, RootAndRelativePaths)
{
    list.setpath("/");
    EXPECT_EQ(list.path(), "/");
    ASSERT_GT(list.listcount(), 0);
    EXPECT_EQ(list.list(0).rfind('/'), 0u);
    list.setpath(tree.path("site/a/../b/."));
    EXPECT_EQ(list.path(), tree.path("site/b"));
}

class FileListTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* name :
             {"index.htm", "a.css", "b.HTM", ".hidden.htm", "README", "page.html", "z\xfe.htm"}) {
            tree.createFile(std::string("site/") + name, "x");
        }
        tree.createDir("site/sub.htm");
        tree.createSymlink("site/dangling.htm", tree.path("nowhere"));
        tree.createSymlink("site/linked.htm", tree.path("site/index.htm"));
    }

    TempTree tree;
    win::FileList list;
};

TEST_F(FileListTest, PatternsSelectVisibleFilesInByteOrder)
{
    list.setpath(tree.path("site"));
    EXPECT_EQ(names(list), "README|a.css|b.HTM|index.htm|linked.htm|page.html|z\xfe.htm");
    EXPECT_EQ(list.count(), 7);

    struct Row {
        const char* pattern;
        std::string expected;
    };
    const Row rows[] = {
        {"*.htm", "index.htm|linked.htm|z\xfe.htm"},
        {"*.htm;*.css", "a.css|index.htm|linked.htm|z\xfe.htm"},
        {"*.css;*.htm", "a.css|index.htm|linked.htm|z\xfe.htm"},
        {"*.*", "README|a.css|b.HTM|index.htm|linked.htm|page.html|z\xfe.htm"},
        {"*.HTM", "b.HTM"},
        {"*.txt", ""},
        // A blank belongs to the pattern: nothing matches " *.css".
        {"*.htm; *.css", "index.htm|linked.htm|z\xfe.htm"},
    };
    for (const auto& row : rows) {
        list.setpattern(row.pattern);
        EXPECT_EQ(names(list), row.expected) << row.pattern;
        EXPECT_EQ(list.count(), list.listcount()) << row.pattern;
    }
}

TEST_F(FileListTest, SelectionAndFailures)
{
    list.setpattern("*.css");
    list.setpath(tree.path("site"));
    EXPECT_EQ(list.listindex(), -1);
    list.setCurrentRow(0);
    EXPECT_EQ(list.listindex(), 0);
    EXPECT_EQ(list.list(list.listindex()), "a.css");

    EXPECT_THROW(list.setpath(tree.path("missing")), morvik::platform::SysError);
    // An empty text is no folder, not the working folder.
    EXPECT_THROW(list.setpath(""), morvik::platform::SysError);
    EXPECT_EQ(list.path(), tree.path("site"));
    EXPECT_EQ(names(list), "a.css");

    tree.createFile("site/b.css");
    list.refresh();
    EXPECT_EQ(names(list), "a.css|b.css");
    EXPECT_EQ(list.listindex(), -1);
}

TEST(CommonDialog, FilterBecomesNameFilters)
{
    using win::CommonDialog;
    EXPECT_TRUE(CommonDialog::namefilters("").isEmpty());
    // A description that already shows its pattern does not show it twice.
    EXPECT_EQ(CommonDialog::namefilters("文本文件(*.txt)|*.txt"),
              QStringList{QStringLiteral("文本文件(*.txt)")});
    EXPECT_EQ(CommonDialog::namefilters("文本(*.txt)|*.txt;*.log"),
              QStringList{QStringLiteral("文本(*.txt) (*.txt *.log)")});
    EXPECT_EQ(
        CommonDialog::namefilters("网页|*.htm;*.html|所有文件|*.*"),
        (QStringList{QStringLiteral("网页 (*.htm *.html)"), QStringLiteral("所有文件 (*.*)")}));
}

TEST(CommonDialog, CancelKeepsThePreviousFile)
{
    win::CommonDialog dialog;
    win::CommonDialog::queueanswerfortesting(std::nullopt);
    dialog.showopen(nullptr);
    EXPECT_EQ(dialog.filename(), "");
    EXPECT_EQ(dialog.filetitle(), "");
    EXPECT_FALSE(dialog.accepted());

    win::CommonDialog::queueanswerfortesting("/data/站点/list.txt");
    win::CommonDialog::queueanswerfortesting(std::nullopt);
    dialog.showopen(nullptr);
    EXPECT_EQ(dialog.filename(), "/data/站点/list.txt");
    EXPECT_EQ(dialog.filetitle(), "list.txt");
    EXPECT_TRUE(dialog.accepted());
    dialog.showopen(nullptr);
    EXPECT_EQ(dialog.filename(), "/data/站点/list.txt");
    EXPECT_FALSE(dialog.accepted());
}

TEST(QtGlue, GuardReportsErrorsAndKeepsGoing)
{
    morvik::test::RecordingUi recorder;
    win::setuifortesting(&recorder);
    QWidget window;
    EXPECT_TRUE(win::guard(&window, [] {}));
    EXPECT_FALSE(win::guard(&window, [] { throw std::runtime_error("磁盘已满"); }));
    EXPECT_FALSE(win::guard(&window, [] { throw 42; }));
    win::setuifortesting(nullptr);
    ASSERT_EQ(recorder.boxes.size(), 2u);
    EXPECT_EQ(recorder.boxes[0].text, "磁盘已满");
    EXPECT_EQ(recorder.titles(), "Ruvo|Ruvo");
    EXPECT_EQ(recorder.boxes[1].icon, morvik::Icon::Critical);
    EXPECT_FALSE(recorder.boxes[1].text.empty());
}

TEST(QtGlue, FocusFindsTheControlByName)
{
    QWidget window;
    auto* text1 = new QLineEdit(&window);
    text1->setObjectName(QStringLiteral("Text1"));
    auto* text2 = new QLineEdit(&window);
    text2->setObjectName(QStringLiteral("Text2"));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    win::ui(&window).focus("Text2");
    EXPECT_EQ(window.focusWidget(), text2);
    win::ui(&window).focus("Text1");
    EXPECT_EQ(window.focusWidget(), text1);
    // The window keeps one Ui of its own.
    EXPECT_EQ(&win::ui(&window), &win::ui(&window));
}

TEST(QtGlue, TextAndPlacement)
{
    EXPECT_EQ(win::qs("站点"), QStringLiteral("站点"));
    EXPECT_EQ(win::ss(QStringLiteral("站点/a")), "站点/a");
    EXPECT_EQ(win::songti(10.5).families().constFirst(), QStringLiteral("SimSun"));
    EXPECT_TRUE(win::yahei(14.25, true).bold());

    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QWidget window;
    window.setFixedSize(301, 200);
    win::centerwindow(&window);
    // Half pixels round away from zero, as lround does.
    EXPECT_EQ(window.x(), screen.x() + static_cast<int>(std::lround((screen.width() - 301) / 2.0)));
    EXPECT_EQ(window.y(), screen.y() + (screen.height() - 200) / 2);

    QWidget wide;
    wide.setFixedSize(screen.width() + 40, 100);
    win::centerwindow(&wide);
    EXPECT_EQ(wide.x(), screen.x() - 20);
}

TEST(QtGlue, StandardButtonsReadChinese)
{
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "OK"), QStringLiteral("确定"));
    EXPECT_EQ(QApplication::applicationName(), QStringLiteral("Morvik"));
}

// A box that confirms deleting has 否 as its default button, so Enter deletes nothing.
TEST(QtUi, DeleteConfirmationsDefaultToNo)
{
    using morvik::Buttons;
    for (const auto& [buttons, defaultno] :
         {std::pair{Buttons::YesNoDefaultNo, true}, std::pair{Buttons::YesNo, false}}) {
        const auto box = win::QtUi::makebox("真的要执行此操作吗？", "操作警告",
                                            morvik::Icon::Warning, buttons, nullptr);
        EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
        EXPECT_EQ(static_cast<QAbstractButton*>(box->defaultButton()) ==
                      box->button(QMessageBox::No),
                  defaultno);
    }
}
