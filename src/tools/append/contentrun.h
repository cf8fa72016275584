// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/findfiles.h"
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
// "|"), pattern after pattern, so a file matching two patterns is listed twice. `zi`
// and `c` are the walker's descend flag and depth. An empty pattern selects nothing.
// Throws platform::SysError when a folder of the walk cannot be read.
MatchList thelist(const std::string& folderpath, const std::string& filetype, bool zi,
                  std::int16_t c);
// The same below a folder the run has opened.
MatchList thelist(const platform::TopFolder& top, const std::string& filetype, bool zi,
                  std::int16_t c);

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

struct RunOutcome {
    std::size_t calls = 0;   // files appendtofile was called for
    bool lastresult = false; // what the last call returned
    std::vector<FileFailure> failures;
};

// The content run: checks the content file, collects the targets, inserts the content
// into each of them until a locator is rejected (`zt`), and tells the user the result:
// the success message only when the last call rewrote its file and nothing failed,
// otherwise one box listing the files that failed. With `progress` the targets are
// counted, a stop request ends the run between two files (no success message then), and
// a rehearsal edits scratch copies of the targets instead of the targets themselves.
RunOutcome contentrun(const ContentSettings& settings, bool& zt, Ui& ui,
                      Progress* progress = nullptr);

} // namespace morvik::append
