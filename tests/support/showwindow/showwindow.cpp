// SPDX-License-Identifier: GPL-3.0-or-later
// Shows one window of the program on its own, for screenshots of windows that only
// another window opens or that show a state the launcher cannot set up.
// Usage: showwindow picker
//        showwindow append FOLDER   the append window's file tab, nothing stored yet
//        showwindow url FOLDER      the URL window during a run, its progress showing
// FOLDER (empty, made by the caller) stands for the application folder.
#include "platform/fs/appfolder.h"
#include "widgets/qtglue.h"
#include "support/httpserver.h"
#include "tools/append/appendcwindow.h"
#include "tools/urlgen/curlwindow.h"
#include "ui/folderpicker.h"
#include "ui/windows.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

namespace
{

using morvik::test::HttpReply;

int usage()
{
    std::fprintf(stderr, "usage: showwindow picker | append FOLDER | url FOLDER\n");
    return 2;
}

// Three pages that come at once, then one that never does: the run stays at "已处理 3 /
// 5 个文件" with its progress on screen.
int showurlrun(QApplication& app, const std::string& folder)
{
    morvik::test::HttpServer server;
    std::string list;
    const char* const titles[] = {"首页", "产品中心", "联系我们"};
    for (int i = 0; i < 3; ++i) {
        const std::string path = "/page" + std::to_string(i + 1) + ".html";
        server.route(path, HttpReply::page(std::string("<title>") + titles[i] + "</title>",
                                           "text/html; charset=utf-8"));
        list += server.url(path) + "\r\n";
    }
    server.route("/news.html", HttpReply::hanging());
    list += server.url("/news.html") + "\r\n" + server.url("/about.html") + "\r\n";
    std::ofstream(folder + "/urls.txt", std::ios::binary) << list;

    auto* window = win::instance<win::curl>();
    window->Text1->setText(QString::fromStdString(folder + "/urls.txt"));
    window->Text2->setText(QString::fromStdString(folder + "/"));
    window->Text3->setPlainText(QStringLiteral("[InternetShortcut]\nURL="));
    window->Check1->setChecked(true);
    window->setpollinterval(100);
    window->settimeouts({3600000, 3600000, 3600000});
    window->show();
    QTimer::singleShot(0, window, [window] { window->Command3_Click(); });
    // Once the progress shows, the mark stops growing, so that the picture settles.
    QTimer settle;
    QObject::connect(&settle, &QTimer::timeout, window, [window, &settle] {
        if (const auto* progress = window->findChild<QProgressDialog*>()) {
            if (progress->isVisible() && progress->value() == 3) {
                window->Timer2->stop();
                settle.stop();
            }
        }
    });
    settle.start(50);
    const int status = app.exec();
    server.stop();
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    win::setupapplication(app);
    const std::string which = argc >= 2 ? argv[1] : "";
    if (which == "picker" && argc == 2) {
        win::dialog picker;
        picker.show();
        return app.exec();
    }
    if (argc != 3 || (which != "append" && which != "url")) {
        return usage();
    }
    morvik::platform::setappfolderfortesting(argv[2]);
    if (which == "url") {
        return showurlrun(app, argv[2]);
    }
    win::instance<win::appendc>()->show();
    return app.exec();
}
