// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/undorun.h"

#include "common/runjournal.h"
#include "run/ui.h"
#include "tools/append/failures.h"
#include "ui/backgroundrun.h"
#include "widgets/qtglue.h"

#include <QKeySequence>
#include <QShortcut>
#include <QWidget>

#include <cstdio>
#include <utility>
#include <vector>

namespace win
{

namespace
{

const char* const kTitle = "撤销";

} // namespace

std::string toolcaption(const std::string& tool)
{
    if (tool == "insert") {
        return "批量追加内容";
    }
    if (tool == "copy") {
        return "批量追加文件";
    }
    if (tool == "delete") {
        return "文件批量删除";
    }
    if (tool == "url") {
        return "批量生成URL文件";
    }
    return tool;
}

std::string sizetext(unsigned long long bytes)
{
    if (bytes < 1024) {
        return std::to_string(bytes) + " B";
    }
    const char* const units[] = {"KB", "MB", "GB", "TB"};
    double value = static_cast<double>(bytes) / 1024;
    std::size_t unit = 0;
    while (value >= 1024 && unit + 1 < std::size(units)) {
        value /= 1024;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f %s", value, units[unit]);
    return text;
}

bool undorun(QWidget* window, const morvik::platform::RunRecord& run)
{
    morvik::Ui& u = ui(window);
    // A run going on may be the one to undo, its journal still growing.
    if (BackgroundRun::anyrunning()) {
        u.msgbox("另一个运行尚未结束，请等它结束后再撤销。", kTitle, morvik::Icon::Warning);
        return false;
    }
    const std::string question = "撤销 " + run.time + " 在 " + run.folder + " 中的" +
                                 toolcaption(run.tool) + "（" + std::to_string(run.files) +
                                 " 个文件）？";
    if (u.msgbox(question, kTitle, morvik::Icon::Warning, morvik::Buttons::YesNoDefaultNo) !=
        morvik::Answer::Yes) {
        return false;
    }
    // Counted with "取消": a stop leaves the rest of the run to a later undo, which the box
    // of the stopped run tells of.
    morvik::platform::UndoResult result;
    BackgroundRun::run(window, u, kTitle, [&](morvik::Ui&, morvik::Progress& progress) {
        progress.setfolder(run.folder);
        result = morvik::undo(run.id, &progress);
    });
    const std::string restored = std::to_string(result.restored);
    if (result.stopped && result.failures.empty()) {
        return true;
    }
    if (result.failures.empty()) {
        u.msgbox("撤销完成：已恢复 " + restored + " 个文件。", kTitle, morvik::Icon::Information);
        return true;
    }
    std::vector<morvik::append::FileFailure> failures;
    for (auto& [path, reason] : result.failures) {
        failures.push_back({path, reason});
    }
    u.msgbox(
        morvik::append::failuretext("已恢复 " + restored + " 个文件，以下文件未撤销：", failures),
        kTitle, morvik::Icon::Warning);
    return true;
}

void undolast(QWidget* window, const std::string& tool)
{
    const std::vector<morvik::platform::RunRecord> runs = morvik::platform::history();
    for (auto it = runs.rbegin(); it != runs.rend(); ++it) {
        if (it->tool == tool && it->undoable) {
            undorun(window, *it);
            return;
        }
    }
    ui(window).msgbox(kNothingToUndo, kTitle, morvik::Icon::Information);
}

void addundoshortcut(QWidget* window, std::function<std::string()> tool)
{
    // A window shortcut, not an application one: each tool window undoes its own runs.
    // QLineEdit and QPlainTextEdit accept the key's ShortcutOverride, so with one of them
    // focused Ctrl+Z stays the text box's own undo.
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z), window);
    shortcut->setObjectName(QStringLiteral("UndoShortcut"));
    shortcut->setContext(Qt::WindowShortcut);
    QObject::connect(shortcut, &QShortcut::activated, window, [window, tool = std::move(tool)] {
        guard(window, [&] { undolast(window, tool()); });
    });
}

} // namespace win
