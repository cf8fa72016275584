// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "run/outcome.h"
#include "tools/append/failures.h"

#include <string>
#include <vector>

namespace morvik
{
class Ui;
class Progress;
} // namespace morvik

namespace morvik::append
{

// The target folder as the file tab keeps it in its label: the text after the first
// full-width colon (the whole caption when it has none).
std::string targetfromcaption(const std::string& caption);

// The inputs a copy run names in its refusals.
inline constexpr const char* kSourceFolderField = "sourcefolder";
inline constexpr const char* kCopyTargetField = "targetfolder";

// The closing messages of a copy run, titled "文件追加".
inline constexpr const char* kCopyTitle = "文件追加";
inline constexpr const char* kCopyDoneText = "文件追加成功！";
inline constexpr const char* kCopyFailedHeading = "以下文件未能追加：";

// Copies every named file of the source folder into every direct subfolder of the target
// folder (links to folders included), overwriting files of the same name; deeper folders
// are not visited. A copy that fails is noted and the run goes on. Returns the copies
// made, the failures in file-then-folder order, and Done when nothing failed and the run
// was not stopped; an empty folder text is refused. With `progress` the copies are
// counted, a stop request ends the run between two copies, and a rehearsal copies nothing.
Outcome copyrun(const std::string& sourcefolder, const std::vector<std::string>& names,
                const std::string& targetfolder, Ui& ui, Progress* progress = nullptr);

// Copies a chosen file into the source folder under its own name, overwriting a file of
// that name. A file that already is that file is left as it is. A failure is reported;
// returns whether the file is now in the source folder.
bool addsourcefile(const std::string& chosen, const std::string& sourcefolder, Ui& ui);

// Deletes the selected source file (an empty name: nothing selected) after the user
// confirmed it. Returns true when the file was deleted.
bool deletesourcefile(const std::string& sourcefolder, const std::string& name, Ui& ui);

} // namespace morvik::append
