// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/urlgen/curlwindow.h"

#include "../../shell/shellfixture.h"
#include "common/dbrecord.h"
#include "widgets/commondialog.h"
#include "support/httpserver.h"
#include "support/qt/framelines.h"
#include "support/qt/lingeringui.h"
#include "ui/backgroundrun.h"
#include "ui/folderpicker.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <set>

using morvik::dbpath;
using morvik::dbrecord;
using morvik::test::FrameLines;
using morvik::test::framelines;
using morvik::test::HttpReply;
using morvik::test::HttpRequest;
using morvik::test::HttpServer;
using morvik::test::readAll;
using morvik::test::TempTree;
using namespace std::chrono_literals;

namespace
{

QString q(const std::string& utf8)
{
    return QString::fromStdString(utf8);
}

std::string s(const QString& text)
{
    return text.toStdString();
}

std::string page(const std::string& title)
{
    return "<html><head><title>" + title + "</title></head></html>";
}

class CurlWindow : public morvik::test::ShellTest
{
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        win::chosenfolder().clear();
        work.createDir("out");
    }
    void TearDown() override
    {
        win::chosenfolder().clear();
        ShellTest::TearDown();
    }

    win::curl* open()
    {
        win::curl* w = win::instance<win::curl>();
        w->show();
        return w;
    }
    // Closes the window and lets it be destroyed, as the event loop would.
    void closewindow(win::curl* w)
    {
        w->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    bool launchershown() const
    {
        const win::main* launcher = win::existing<win::main>();
        return launcher && launcher->isVisible();
    }
    // A window ready to run the list against the server, with a short poll tick.
    win::curl* prepared(const std::string& list)
    {
        work.createFile("list.txt", list);
        win::curl* w = open();
        w->Text1->setText(q(work.path("list.txt")));
        w->Text2->setText(q(work.path("out") + "/"));
        w->Text3->setPlainText(QStringLiteral("[InternetShortcut]\nURL="));
        w->setpollinterval(10);
        return w;
    }

    TempTree work;
    HttpServer server;
};

TEST_F(CurlWindow, OpensWithItsControlsInPlace)
{
    win::curl* w = open();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("批量生成URL文件 - Morvik"));
    EXPECT_EQ(w->size(), QSize(450, 396));
    EXPECT_EQ(w->Label1->text(), QStringLiteral("网址列表："));
    EXPECT_EQ(w->Command1->text(), QStringLiteral("浏 览..."));
    EXPECT_EQ(w->Frame1->title(), QStringLiteral("URL文件内容"));
    EXPECT_EQ(w->Text3->parentWidget(), static_cast<QWidget*>(w->Frame1));
    EXPECT_EQ(w->Text3->geometry(), QRect(8, 16, 417, 177));
    // The frame's line runs clear of the template box just under its caption.
    const FrameLines lines = framelines(w->Frame1, w->Text3);
    EXPECT_GT(lines.drawn, 0);
    EXPECT_EQ(lines.underchild, 0);
    EXPECT_EQ(w->Label4->parentWidget(), static_cast<QWidget*>(w->Frame2));
    EXPECT_EQ(w->Check1->text(), QStringLiteral("生成错误报告 "));
    // The check box keeps clear of the status frame, inside the window, text unclipped.
    EXPECT_FALSE(w->Check1->geometry().intersects(w->Frame2->geometry()));
    EXPECT_TRUE(w->rect().contains(w->Check1->geometry()));
    EXPECT_LE(w->Check1->sizeHint().width(), w->Check1->width());
    EXPECT_EQ(w->Command3->geometry(), QRect(320, 320, 89, 33));
    EXPECT_EQ(w->Timer1->interval(), 1000);
    EXPECT_EQ(w->Timer2->interval(), 200);
    EXPECT_FALSE(w->Timer1->isActive());
    EXPECT_FALSE(w->Timer2->isActive());
    EXPECT_EQ(w->Text1->text(), QString());
    EXPECT_EQ(w->Label3->text(), QString());
    // Tab runs through the focusable controls in the form's order.
    std::string order;
    QWidget* at = w->Text1;
    for (int i = 0; i < 7; ++i) {
        order += s(at->objectName()) + " ";
        at = at->nextInFocusChain();
        while (at->focusPolicy() == Qt::NoFocus) {
            at = at->nextInFocusChain();
        }
    }
    EXPECT_EQ(order, "Text1 Command1 Command2 Command3 Text2 Text3 Check1 ");
}

TEST_F(CurlWindow, CloseAndReopenBringsTheTextsBackAndTheOptionOff)
{
    win::curl* w = open();
    w->Text1->setText(QStringLiteral("  /sites/列表.txt "));
    w->Text2->setText(QStringLiteral("/sites/out/"));
    w->Text3->setPlainText(QStringLiteral("[InternetShortcut]\n\nURL=\n\n\nend  "));
    w->Check1->setChecked(true);
    closewindow(w);
    EXPECT_EQ(win::existing<win::curl>(), nullptr);
    EXPECT_TRUE(launchershown());
    EXPECT_EQ(dbrecord(dbpath(), "CURL", false),
              "CURL|$|/sites/列表.txt ##/sites/out/##[InternetShortcut]\r\n\r\nURL=\r\n\r\n\r\nend"
              "|$|保存生成URl的值");

    w = open();
    EXPECT_EQ(w->Text1->text(), QStringLiteral("/sites/列表.txt"));
    EXPECT_EQ(w->Text2->text(), QStringLiteral("/sites/out/"));
    // Each CR LF CR LF became one CR LF, in one pass.
    EXPECT_EQ(w->Text3->toPlainText(), QStringLiteral("[InternetShortcut]\nURL=\n\nend"));
    EXPECT_FALSE(w->Check1->isChecked());
}

TEST_F(CurlWindow, ATemplateHoldingTheSeparatorComesBackCutBeforeIt)
{
    win::curl* w = open();
    w->Text1->setText(QStringLiteral("a.txt"));
    w->Text3->setPlainText(QStringLiteral("URL=##lost"));
    closewindow(w);
    w = open();
    EXPECT_EQ(w->Text1->text(), QStringLiteral("a.txt"));
    EXPECT_EQ(w->Text2->text(), QString());
    EXPECT_EQ(w->Text3->toPlainText(), QStringLiteral("URL="));
}

TEST_F(CurlWindow, ShortOrIncompleteValuesFillWhatTheyHold)
{
    dbrecord(dbpath(), "CURL", true, "##", "");
    win::curl* w = open();
    EXPECT_EQ(w->Text1->text(), QString());
    EXPECT_EQ(w->Text3->toPlainText(), QString());
    closewindow(w);

    dbrecord(dbpath(), "CURL", true, "only/one/field.txt", "");
    w = open();
    EXPECT_EQ(w->Text1->text(), QStringLiteral("only/one/field.txt"));
    EXPECT_EQ(w->Text2->text(), QString());
    EXPECT_EQ(w->Text3->toPlainText(), QString());
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(CurlWindow, AFailedSaveNamesTheStoreAndTheWindowStillCloses)
{
    win::curl* w = open();
    // A folder where the store should be cannot be opened, not even by root. (The
    // reading at the opening left an empty store behind.)
    ASSERT_EQ(std::remove(app.path("db.dat").c_str()), 0);
    app.createDir("db.dat");
    closewindow(w);
    EXPECT_EQ(win::existing<win::curl>(), nullptr);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_NE(ui.boxes[0].text.find(app.path("db.dat")), std::string::npos);
    EXPECT_EQ(ui.boxes[0].title, "Ruvo");
    EXPECT_TRUE(launchershown());
}

TEST_F(CurlWindow, TheProgressMarkGrowsToFourAndStartsAgain)
{
    win::curl* w = open();
    std::string seen;
    for (int i = 0; i < 6; ++i) {
        w->Timer2_Timer();
        seen += "[" + s(w->Label4->text()) + "]";
    }
    EXPECT_EQ(seen, "[>][>>][>>>][>>>>][][>]");
}

TEST_F(CurlWindow, ThePickersFillTheBoxes)
{
    win::curl* w = open();
    win::dialog::queueanswerfortesting(work.path("out"));
    w->Command2_Click();
    EXPECT_EQ(s(w->Text2->text()), work.path("out") + "/");
    // A cancelled picker changes nothing.
    w->Text2->setText(QStringLiteral("typed"));
    win::dialog::queueanswerfortesting(std::nullopt);
    w->Command2_Click();
    EXPECT_EQ(s(w->Text2->text()), "typed");

    work.createFile("urls.txt");
    win::CommonDialog::queueanswerfortesting(work.path("urls.txt"));
    w->Command1_Click();
    EXPECT_EQ(s(w->Text1->text()), work.path("urls.txt"));
    w->Text1->setText(QStringLiteral("typed"));
    win::CommonDialog::queueanswerfortesting(std::nullopt);
    w->Command1_Click();
    EXPECT_EQ(s(w->Text1->text()), work.path("urls.txt"));
}

TEST_F(CurlWindow, ARunWritesTheShortcutsAndReportsTheEnd)
{
    server.route("/a", HttpReply::page(page("Alpha")));
    server.route("/b", HttpReply::page(page("Beta")));
    win::curl* w = prepared(server.url("/a") + "\r\n\r\n  " + server.url("/b") + "\r\n");
    w->Command3_Click();

    EXPECT_EQ(work.listing("out"), "Alpha.url|Beta.url");
    EXPECT_EQ(work.read("out/Beta.url"), "[InternetShortcut]\r\nURL=" + server.url("/b") + "\r\n");
    EXPECT_EQ(ui.titles(), "URL生成");
    EXPECT_EQ(w->Label3->text(), QStringLiteral("生成完毕！"));
    EXPECT_EQ(w->Label4->text(), QString());
    EXPECT_FALSE(w->Timer1->isActive());
    EXPECT_FALSE(w->Timer2->isActive());
    EXPECT_FALSE(w->running());
}

// A list file and an output folder named in GBK ("测" as the bytes B2 E2, not UTF-8) keep
// their bytes from the choosers through the run and db.dat, and come back from it.
TEST_F(CurlWindow, PathsNamedInGbkKeepTheirBytes)
{
    server.route("/a", HttpReply::page(page("Alpha")));
    const std::string out = work.createDir("\xb2\xe2out");
    const std::string list = work.createFile("\xb2\xe2list.txt", server.url("/a") + "\r\n");
    win::curl* w = open();
    w->Text3->setPlainText(QStringLiteral("URL="));
    w->setpollinterval(10);
    win::CommonDialog::queueanswerfortesting(list);
    w->Command1_Click();
    win::dialog::queueanswerfortesting(out);
    w->Command2_Click();
    w->Command3_Click();
    EXPECT_EQ(work.listing("\xb2\xe2out"), "Alpha.url");
    closewindow(w);
    EXPECT_NE(readAll(app.path("db.dat")).find(list + "##" + out + "/##"), std::string::npos);

    w = open();
    EXPECT_EQ(w->Text1->path(), list);
    EXPECT_EQ(w->Text2->path(), out + "/");
}

// A wrong list file, and an empty output folder (neither the data folder nor the working
// folder stands in for it), are refused with the focus in their box.
TEST_F(CurlWindow, AWrongListFileOrNoOutputFolderIsRefusedWithFocusInItsBox)
{
    server.route("/a", HttpReply::page(page("Alpha")));
    work.createFile("list.TXT", server.url("/a"));
    const struct {
        const char* list;
        const char* folder;
        const char* text;
        const char* title;
        const char* focus;
    } rows[] = {{"list.TXT", "out/", "请指定正确的URL地址列表文件", "文件错误", "Text1"},
                {"list.txt", "", "请指定存储位置", "设置错误", "Text2"}};
    for (const auto& row : rows) {
        win::curl* w = prepared(server.url("/a"));
        w->Text1->setText(q(work.path(row.list)));
        w->Text2->setText(q(*row.folder ? work.path(row.folder) : ""));
        ui.clear();
        w->Command3_Click();
        ASSERT_EQ(ui.boxes.size(), 1u) << row.text;
        EXPECT_EQ(ui.boxes[0].text, row.text);
        EXPECT_EQ(ui.boxes[0].title, row.title);
        EXPECT_EQ(ui.boxes[0].icon, morvik::Icon::Critical);
        EXPECT_EQ(ui.focused, std::vector<std::string>{row.focus});
    }
    EXPECT_EQ(server.totalrequests(), 0);
    EXPECT_FALSE(app.exists("Alpha.url"));
}

TEST_F(CurlWindow, TheStartButtonDoesNothingDuringARun)
{
    win::curl* w = nullptr;
    // While the first page is being served, the start button is pressed again.
    server.route("/a", [&](const HttpRequest&) {
        QMetaObject::invokeMethod(
            w, [w] { w->Command3_Click(); }, Qt::QueuedConnection);
        return HttpReply::page(page("Once"));
    });
    server.route("/b", HttpReply::page(page("Twice")));
    w = prepared(server.url("/a") + "\r\n" + server.url("/b"));
    w->Command3_Click();
    EXPECT_EQ(server.requests("/a"), 1);
    EXPECT_EQ(server.requests("/b"), 1);
    EXPECT_EQ(ui.titles(), "URL生成");
    EXPECT_EQ(work.listing("out"), "Once.url|Twice.url");
}

// A run shows its progress once it has counted its addresses; "取消" stops it between two
// addresses (a page still on its way is dropped), every shortcut written is whole, and
// the run ends with the box that says how far it got instead of the completion box.
TEST_F(CurlWindow, CancelStopsTheRunBetweenTwoAddresses)
{
    constexpr int kAddresses = 20;
    std::string list;
    for (int i = 0; i < kAddresses; ++i) {
        const std::string path = "/p" + std::to_string(i);
        server.route(path, HttpReply::trickling(page("P" + std::to_string(i)), 5ms));
        list += server.url(path) + "\r\n";
    }
    win::curl* w = prepared(list);
    win::BackgroundRun::setshowdelayfortesting(0);
    QString label;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = w->findChild<QProgressDialog*>(QStringLiteral("Progress"));
        if (dialog && label.isEmpty()) {
            label = dialog->labelText();
            dialog->findChild<QPushButton*>()->click();
        }
    });
    poll.start(5);
    w->Command3_Click();
    poll.stop();
    win::BackgroundRun::setshowdelayfortesting(500);

    EXPECT_TRUE(label.startsWith(q("已处理 ")) && label.contains(q(" / 20 个文件\n"))) << s(label);
    EXPECT_LT(server.totalrequests(), kAddresses);
    std::set<std::string> written;
    for (int i = 0; i < kAddresses; ++i) {
        const std::string name = "P" + std::to_string(i) + ".url";
        if (work.exists("out/" + name)) {
            written.insert(name);
            EXPECT_EQ(work.read("out/" + name),
                      "[InternetShortcut]\r\nURL=" + server.url("/p" + std::to_string(i)) + "\r\n");
        }
    }
    // Nothing but whole shortcuts in the folder: no temporary file left behind.
    std::string expected;
    for (const auto& name : written) {
        expected += (expected.empty() ? "" : "|") + name;
    }
    EXPECT_EQ(work.listing("out"), expected);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "操作已停止：已处理 " + std::to_string(written.size()) +
                                    " / 20 个文件，其余文件未处理。");
    EXPECT_EQ(ui.boxes[0].title, "URL生成");
    EXPECT_EQ(w->Label3->text(), QString());
    EXPECT_FALSE(w->running());
    EXPECT_TRUE(w->isVisible());
}

// The progress shows while pages are fetched, and the completion box stands alone.
TEST_F(CurlWindow, NoProgressBehindTheCompletionBox)
{
    server.route("/a", HttpReply::trickling(page("Alpha"), 5ms));
    server.route("/b", HttpReply::trickling(page("Beta"), 5ms));
    win::curl* w = prepared(server.url("/a") + "\r\n" + server.url("/b"));
    morvik::test::LingeringUi lingering;
    win::setuifortesting(&lingering);
    win::BackgroundRun::setshowdelayfortesting(0);
    bool sawprogress = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout,
                     [&] { sawprogress = sawprogress || w->findChild<QProgressDialog*>(); });
    poll.start(5);
    w->Command3_Click();
    poll.stop();
    win::BackgroundRun::setshowdelayfortesting(500);
    win::setuifortesting(&ui);
    EXPECT_TRUE(sawprogress);
    EXPECT_EQ(lingering.titles(), "URL生成");
    EXPECT_EQ(lingering.withprogress, std::vector<bool>{false});
    EXPECT_EQ(work.listing("out"), "Alpha.url|Beta.url");
}

TEST_F(CurlWindow, ClosingDuringARunStopsItAndShowsTheLauncher)
{
    win::curl* w = nullptr;
    server.route("/a", HttpReply::page(page("Done before")));
    // The window is closed while this page hangs.
    server.route("/hang", [&](const HttpRequest&) {
        QMetaObject::invokeMethod(
            w, [w] { w->close(); }, Qt::QueuedConnection);
        return HttpReply::hanging();
    });
    server.route("/c", HttpReply::page(page("Never")));
    w = prepared(server.url("/a") + "\r\n" + server.url("/hang") + "\r\n" + server.url("/c"));
    QPointer<win::curl> alive(w);
    w->Command3_Click();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    EXPECT_TRUE(alive.isNull());
    EXPECT_TRUE(launchershown());
    EXPECT_EQ(server.requests("/hang"), 1);
    EXPECT_EQ(server.requests("/c"), 0);
    EXPECT_EQ(work.listing("out"), "Done before.url");
    // No completion message; the texts were saved.
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_NE(dbrecord(dbpath(), "CURL", false).find(work.path("list.txt")), std::string::npos);
}

} // namespace
