#include "shell/startup.h"

#include "platform/httpcheck.h"

#include <QApplication>
#include <QFileDialog>
#include <QScreen>

#include <stdexcept>

#if !QT_CONFIG(filedialog)
#error "The file-open dialog needs Qt's widget file dialog"
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

void startupcheck()
{
    const std::string problems = startupproblems();
    if (!problems.empty()) {
        throw std::runtime_error(problems);
    }
}

} // namespace win
