// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/startup.h"

#include "platform/fs/appfolder.h"
#include "platform/fs/fileops.h"
#include "platform/net/httpcheck.h"

#include <QApplication>
#include <QFileDialog>
#include <QIcon>
#include <QPixmap>
#include <QScreen>

#include <stdexcept>

#if !QT_CONFIG(filedialog)
#error "The file-open dialog needs Qt's widget file dialog"
#endif
#ifndef MORVIK_APP_ID
#error "MORVIK_APP_ID (the application id) comes from the build"
#endif

namespace win
{

namespace
{

// No trial dialog is built here: a QFileDialog writes Qt's file-dialog settings when it
// goes (last folder, history, view mode), so one at every start would send the tools'
// dialogs back to the working folder. What the widget dialog needs at run time is a
// widget application and a screen to show it on.
std::string filedialogproblem()
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        return "文件对话框不可用：程序不是以窗口程序运行的";
    }
    if (!QGuiApplication::primaryScreen()) {
        return "文件对话框不可用：没有可以显示窗口的屏幕";
    }
    return {};
}

std::string& testproblems()
{
    static std::string problems;
    return problems;
}

} // namespace

std::string startupproblems()
{
    if (!testproblems().empty()) {
        return testproblems();
    }
    std::string problems;
    for (const std::string& problem : {morvik::platform::httpcheck(), filedialogproblem()}) {
        if (!problem.empty()) {
            problems += problems.empty() ? problem : "\n" + problem;
        }
    }
    return problems;
}

void setstartupproblemsfortesting(const std::string& problems)
{
    testproblems() = problems;
}

void setapplicationicon()
{
    QGuiApplication::setDesktopFileName(QStringLiteral(MORVIK_APP_ID));
    // Drawn with the launcher's pictures, so it is found where they are. Without it the
    // windows merely keep the desktop's default icon.
    QPixmap picture;
    try {
        const std::string bytes =
            morvik::platform::readbytes(morvik::platform::resourcepath("ico/morvik.png"));
        picture.loadFromData(reinterpret_cast<const uchar*>(bytes.data()),
                             static_cast<uint>(bytes.size()));
    } catch (const std::exception&) {
        return;
    }
    if (!picture.isNull()) {
        QApplication::setWindowIcon(QIcon(picture));
    }
}

void startupcheck()
{
    const std::string problems = startupproblems();
    if (!problems.empty()) {
        throw std::runtime_error(problems);
    }
}

} // namespace win
