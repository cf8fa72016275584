// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/text/codec.h"
#include "shell/mainwindow.h"
#include "shell/webstrip.h"
#include "ui/windows.h"
#include "shellfixture.h"
#include "support/httpserver.h"

#include <QScrollBar>

namespace morvik::test
{
namespace
{

// Loads the address into a fresh strip and waits for the fetch to end.
struct Fetched {
    bool shown = false;
    QString text;
};

Fetched fetch(const std::string& url)
{
    win::WebStrip strip;
    strip.setHtml(QStringLiteral("<p>left from before</p>"));
    Fetched result;
    QObject::connect(&strip, &win::WebStrip::loaded, [&result](bool ok) { result.shown = ok; });
    strip.load(url);
    EXPECT_TRUE(waitfor([&strip] { return strip.finished(); })) << url;
    result.text = strip.toPlainText();
    return result;
}

TEST(WebStrip, ShowsTheBodyOfThePage)
{
    HttpServer server;
    server.route("/strip.html",
                 HttpReply::page("<html><body><b>Morvik 1.1</b> 已发布</body></html>",
                                 "text/html; charset=utf-8"));
    const Fetched page = fetch(server.url("/strip.html"));
    EXPECT_TRUE(page.shown);
    EXPECT_EQ(page.text, QStringLiteral("Morvik 1.1 已发布"));
    EXPECT_EQ(server.requests("/strip.html"), 1);
}

TEST(WebStrip, DecodesAGbkPage)
{
    HttpServer server;
    server.route("/strip.html",
                 HttpReply::page(platform::togbk("<p>欢迎使用</p>"), "text/html; charset=gbk"));
    EXPECT_EQ(fetch(server.url("/strip.html")).text, QStringLiteral("欢迎使用"));
}

TEST(WebStrip, StaysEmptyWhenThePageCannotBeFetched)
{
    HttpServer server;
    server.route("/gone.html", [](const HttpRequest&) {
        HttpReply reply = HttpReply::page("<p>Not Found</p>");
        reply.status = 404;
        return reply;
    });
    const std::string stopped = server.url("/strip.html");
    const Fetched missing = fetch(server.url("/gone.html"));
    EXPECT_FALSE(missing.shown);
    EXPECT_EQ(missing.text, QString());

    server.stop();
    const Fetched refused = fetch(stopped);
    EXPECT_FALSE(refused.shown);
    EXPECT_EQ(refused.text, QString());
}

using LauncherStrip = ShellTest;

TEST_F(LauncherStrip, TheLauncherComesUpWhileItsPageIsStillOnTheWay)
{
    HttpServer server;
    server.route("/strip.html", HttpReply::hanging());
    win::main::setstripaddressfortesting(server.url("/strip.html"));
    win::main* launcher = win::instance<win::main>();
    launcher->show();
    EXPECT_TRUE(launcher->isVisible());
    EXPECT_EQ(launcher->Scriptlet1->address(), server.url("/strip.html"));
    EXPECT_FALSE(launcher->Scriptlet1->finished());
    EXPECT_EQ(launcher->Scriptlet1->size(), QSize(632, 22));
    EXPECT_FALSE(launcher->Scriptlet1->verticalScrollBar()->isVisible());
    // Closing the launcher does not wait for the page either.
    closeallwindows();
    server.stop();
}

TEST_F(LauncherStrip, ShowsTheProjectPageOnceItArrives)
{
    HttpServer server;
    server.route("/strip.html", HttpReply::page("<p>新版本 1.1</p>"));
    win::main::setstripaddressfortesting(server.url("/strip.html"));
    win::main* launcher = win::instance<win::main>();
    launcher->show();
    ASSERT_TRUE(waitfor([launcher] { return launcher->Scriptlet1->finished(); }));
    EXPECT_EQ(launcher->Scriptlet1->toPlainText(), QStringLiteral("新版本 1.1"));
}

} // namespace
} // namespace morvik::test
