// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/fs/journal.h"

#include <functional>
#include <string>

class QWidget;

// Undoing a run of the tools that change files, as the tool windows (Ctrl+Z) and the
// history window offer it.
namespace win
{

// The text of a box that finds no run of the tool it could undo.
inline constexpr const char* kNothingToUndo = "没有可以撤销的运行。";

// The tools' names for a journal's tool ("insert", "copy", "delete", "url"): 批量追加内容,
// 批量追加文件, 文件批量删除, 批量生成URL文件; an unknown one as it is.
std::string toolcaption(const std::string& tool);

// The space a journal holds, in bytes, KB, MB or GB.
std::string sizetext(unsigned long long bytes);

// Undoes one run from `window`: asks for confirmation (否 by default) naming its time,
// folder, tool and file count, puts the files back off the window thread with the
// progress of a run and its "取消" (which stops between two files; undoing again puts
// back the rest), then says in one box how many files came back, or which were left
// alone and why. Returns false when the user said no. Throws SysError when the run has
// gone.
bool undorun(QWidget* window, const morvik::platform::RunRecord& run);

// Undoes the newest run of `tool` that can still be undone, or says there is none.
void undolast(QWidget* window, const std::string& tool);

// Ctrl+Z in `window` undoes the newest run of the tool `tool()` names at that moment.
// The shortcut belongs to the whole window, but a text box with focus keeps Ctrl+Z for
// its own undo (it claims the key before window shortcuts are looked up).
void addundoshortcut(QWidget* window, std::function<std::string()> tool);

} // namespace win
