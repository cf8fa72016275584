// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/folderpicker.h"

#include "widgets/controls.h"
#include "widgets/qtglue.h"
#include "support/recordingui.h"
#include "support/temptree.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

using morvik::test::TempTree;

namespace
{

// Runs a test from a given working folder and returns to the old one afterwards.
class WorkingFolder
{
public:
    explicit WorkingFolder(const std::string& folder)
    {
        char buffer[PATH_MAX];
        if (::getcwd(buffer, sizeof buffer)) {
            m_old = buffer;
        }
        m_ok = ::chdir(folder.c_str()) == 0;
    }
    ~WorkingFolder()
    {
        if (!m_old.empty() && ::chdir(m_old.c_str()) != 0) {
            std::abort();
        }
    }
    bool ok() const { return m_ok; }

private:
    std::string m_old;
    bool m_ok = false;
};

QListWidgetItem* row(QListWidget* list, const char* text)
{
    const auto found = list->findItems(QString::fromUtf8(text), Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.constFirst();
}

class FolderPicker : public ::testing::Test
{
protected:
    void SetUp() override
    {
        tree.createDir("site/news");
        tree.createDir("site/about");
        tree.createDir("home/user");
        if (const char* home = std::getenv("HOME")) {
            oldhome = home;
        }
        // The drive list shows "/" first and the home folder second.
        setenv("HOME", tree.path("home/user").c_str(), 1);
        win::chosenfolder().clear();
        cwd = std::make_unique<WorkingFolder>(tree.path("site"));
        ASSERT_TRUE(cwd->ok());
        picker = std::make_unique<win::dialog>();
        picker->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(picker.get()));
    }

    void TearDown() override
    {
        picker.reset();
        cwd.reset();
        win::chosenfolder().clear();
        setenv("HOME", oldhome.c_str(), 1);
    }

    void doubleclick(const char* text)
    {
        QListWidgetItem* item = row(picker->Dir1, text);
        ASSERT_NE(item, nullptr) << text;
        const QPoint at = picker->Dir1->visualItemRect(item).center();
        QTest::mouseClick(picker->Dir1->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(picker->Dir1->viewport(), Qt::LeftButton, {}, at);
    }

    TempTree tree;
    std::string oldhome;
    std::unique_ptr<WorkingFolder> cwd;
    std::unique_ptr<win::dialog> picker;
};

} // namespace

TEST_F(FolderPicker, StartsAtTheWorkingFolderWithItsControls)
{
    EXPECT_EQ(picker->windowTitle(), QStringLiteral("选择文件夹"));
    EXPECT_EQ(picker->size(), QSize(312, 290));
    EXPECT_EQ(picker->Dir1->path(), tree.path("site"));
    EXPECT_EQ(picker->Label1->text(), QStringLiteral("驱动器："));
    EXPECT_EQ(picker->Command1->geometry(), QRect(72, 240, 65, 33));
    EXPECT_EQ(picker->findChild<QPushButton*>(QStringLiteral("Command2"))->text(),
              QStringLiteral("取消"));
    // Tab order: drive list, folder list, 确定, 取消 (inner widgets such as the list's
    // viewport take no part).
    QStringList order;
    QWidget* w = picker->Drive1;
    do {
        if (!w->objectName().isEmpty() && w->focusPolicy() & Qt::TabFocus) {
            order << w->objectName();
        }
        w = w->nextInFocusChain();
    } while (w != picker->Drive1);
    EXPECT_EQ(order.join(QLatin1Char(',')), QStringLiteral("Drive1,Dir1,Command1,Command2"));
}

TEST_F(FolderPicker, ConfirmHandsBackTheOpenFolderWithOneSlash)
{
    doubleclick("news");
    EXPECT_EQ(picker->Dir1->path(), tree.path("site/news"));
    QTest::mouseClick(picker->Command1, Qt::LeftButton);
    EXPECT_EQ(win::chosenfolder(), tree.path("site/news") + "/");
    EXPECT_EQ(picker->result(), QDialog::Accepted);
    EXPECT_FALSE(picker->isVisible());
}

TEST_F(FolderPicker, RootKeepsItsSingleSlash)
{
    doubleclick("/");
    EXPECT_EQ(picker->Dir1->path(), "/");
    picker->Command1_Click();
    EXPECT_EQ(win::chosenfolder(), "/");
}

TEST_F(FolderPicker, HighlightedSubfolderIsNotPicked)
{
    QListWidgetItem* news = row(picker->Dir1, "news");
    ASSERT_NE(news, nullptr);
    QTest::mouseClick(picker->Dir1->viewport(), Qt::LeftButton, {},
                      picker->Dir1->visualItemRect(news).center());
    EXPECT_EQ(picker->Dir1->currentItem(), news);
    picker->Command1_Click();
    EXPECT_EQ(win::chosenfolder(), tree.path("site") + "/");
}

TEST_F(FolderPicker, CancelAndCloseKeepThePreviousChoice)
{
    win::chosenfolder() = "/earlier/pick/";
    doubleclick("about");
    QTest::mouseClick(picker->Command2, Qt::LeftButton);
    EXPECT_EQ(win::chosenfolder(), "/earlier/pick/");
    EXPECT_EQ(picker->result(), QDialog::Rejected);

    win::dialog again;
    again.show();
    again.close();
    EXPECT_EQ(win::chosenfolder(), "/earlier/pick/");
}

// The picker opens on the folder of the box it fills; a box without a readable folder
// leaves it at the working folder.
TEST_F(FolderPicker, StartsAtTheBoxsFolder)
{
    const struct {
        std::string box;
        std::string opens;
    } rows[] = {{tree.path("site/news") + "/", tree.path("site/news")},
                {tree.path("missing"), tree.path("site")},
                {"", tree.path("site")}};
    for (const auto& row : rows) {
        EXPECT_EQ(win::dialog(nullptr, row.box).Dir1->path(), row.opens) << row.box;
    }
}

TEST_F(FolderPicker, ChoosingADriveShowsItsRoot)
{
    EXPECT_EQ(picker->Drive1->drive(), "/");
    QTest::keyClick(picker->Drive1, Qt::Key_Down);
    EXPECT_EQ(picker->Drive1->drive(), tree.path("home/user"));
    EXPECT_EQ(picker->Dir1->path(), tree.path("home/user"));
    QTest::keyClick(picker->Drive1, Qt::Key_Up);
    EXPECT_EQ(picker->Dir1->path(), "/");
}

TEST_F(FolderPicker, UnreadableDriveIsPassedOverSilently)
{
    morvik::test::RecordingUi recorder;
    win::setuifortesting(&recorder);
    std::filesystem::remove(tree.path("home/user"));
    QTest::keyClick(picker->Drive1, Qt::Key_Down);
    win::setuifortesting(nullptr);
    EXPECT_EQ(picker->Drive1->drive(), tree.path("home/user"));
    EXPECT_EQ(picker->Dir1->path(), tree.path("site"));
    EXPECT_TRUE(recorder.boxes.empty());
}

TEST(FolderPickerQueue, QueuedAnswersConfirmOrCancel)
{
    win::chosenfolder().clear();
    win::dialog::queueanswerfortesting("/srv/www//");
    EXPECT_TRUE(win::dialog::pick(nullptr));
    EXPECT_EQ(win::chosenfolder(), "/srv/www/");
    win::dialog::queueanswerfortesting(std::nullopt);
    EXPECT_FALSE(win::dialog::pick(nullptr));
    EXPECT_EQ(win::chosenfolder(), "/srv/www/");
    win::dialog::queueanswerfortesting("/");
    win::dialog::pick(nullptr);
    EXPECT_EQ(win::chosenfolder(), "/");
    win::chosenfolder().clear();
}
