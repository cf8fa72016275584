#include "shell/startup.h"

#include "platform/httpcheck.h"

#include <QFileDialog>

#include <memory>
#include <stdexcept>

namespace win
{

namespace
{

std::string filedialogproblem()
{
    // The widget dialog is the one the program shows, so that is the one to try.
    auto dialog = std::make_unique<QFileDialog>();
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    if (!dialog->testOption(QFileDialog::DontUseNativeDialog)) {
        return "文件对话框不可用：无法创建 Qt 的文件对话框";
    }
    return {};
}

} // namespace

std::string startupproblems()
{
    std::string problems;
    for (const std::string& problem : {morvik::platform::httpcheck(), filedialogproblem()}) {
        if (!problem.empty()) {
            problems += problems.empty() ? problem : "\n" + problem;
        }
    }
    return problems;
}

void startupcheck()
{
    const std::string problems = startupproblems();
    if (!problems.empty()) {
        throw std::runtime_error(problems);
    }
}

} // namespace win
