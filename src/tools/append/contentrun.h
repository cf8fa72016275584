// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/findfiles.h"
#include "run/outcome.h"
#include "tools/append/failures.h"

#include <cstdint>
#include <string>
#include <vector>

namespace morvik
{
class Ui;
class Progress;
namespace platform
{
class TopFolder;
} // namespace platform
} // namespace morvik

namespace morvik::append
{

// Which folders of the target folder the content run searches.
enum class Scope { None, Cur, CurrSub, All };

// The stored form of a scope ("cur", "currsub", "all"; empty for None) and back
// (any other text gives None).
std::string scopekey(Scope scope);
Scope scopefromkey(const std::string& key);

// Every file under `folderpath` matching one of the patterns of `filetype` (joined by
// "|"), pattern after pattern, so a file matching two patterns is listed twice.
// `includesubfolders` and `depth` are the walker's descend flag and depth (the
// documents' `zi` and `c`). An empty pattern selects nothing.
// Throws platform::SysError when a folder of the walk cannot be read.
MatchList thelist(const std::string& folderpath, const std::string& filetype,
                  bool includesubfolders, std::int16_t depth);
// The same below a folder the run has opened.
MatchList thelist(const platform::TopFolder& top, const std::string& filetype,
                  bool includesubfolders, std::int16_t depth);

// The type list as stored under "appendtype": the entries joined by "|", and back (the
// stored text trimmed of spaces, split at "|"; an empty text is an empty list).
std::string jointypes(const std::vector<std::string>& types);
std::vector<std::string> splittypes(const std::string& stored);

// Saves the type list in the settings store; a failure is reported. Returns success.
bool savetypes(const std::vector<std::string>& types, Ui& ui);

// Asks for a new type and appends it as typed, unless the answer is empty (or the box
// was cancelled) or, trimmed, already is an entry. Saves the list after a change.
// Returns whether the list changed.
bool addtype(std::vector<std::string>& types, Ui& ui);

// Removes the entry at `selected` (-1: none) and saves the list. Returns whether the
// list changed.
bool deletetype(std::vector<std::string>& types, int selected, Ui& ui);

// What the content tab hands to a run.
struct ContentSettings {
    std::string contentfile;
    std::string targetfolder;
    std::string position;
    std::vector<std::string> types;
    Scope scope = Scope::CurrSub;
};

// The inputs a content run names in its refusals.
inline constexpr const char* kContentFileField = "contentfile";
inline constexpr const char* kTargetFolderField = "targetfolder";
inline constexpr const char* kPositionField = "position"; // the locator

// The closing messages of a content run, titled "追加内容".
inline constexpr const char* kContentTitle = "追加内容";
inline constexpr const char* kContentDoneText = "恭喜，文件已追加完成！";
inline constexpr const char* kContentFailedHeading = "以下文件未能追加内容：";

// The content run: checks the content file and the target folder (a refusal names the
// one to fix; a locator appendtofile rejects is a refusal of "position" whose message
// appendtofile has already shown), collects the targets and inserts the content into
// each of them until the locator is rejected. Returns the files handled, the failures in
// the order they happened, and Done when the last call rewrote its file, nothing failed
// and the run was not stopped. With `progress` the targets are counted, a stop request
// ends the run between two files, and a rehearsal edits scratch copies of the targets
// instead of the targets themselves.
Outcome contentrun(const ContentSettings& settings, Ui& ui, Progress* progress = nullptr);

} // namespace morvik::append
