// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/fs/journal.h"

#include <memory>
#include <string>

namespace morvik
{
class Progress;
class Ui;

// Opens the journal of a run of `tool` that changes files under the open folder `fd`
// (path `folder`). When none can be kept there, asks whether to go on without one.
// Returns false when the run must not start; `journal` stays empty when the run goes on
// without one (journals switched off, or the user agreed).
bool startjournal(int fd, const std::string& tool, const std::string& folder, Ui& ui,
                  std::unique_ptr<platform::Journal>& journal);

// Undoes the run `id` (see platform::undo) with its progress: the journal's files are
// counted, each file put back is counted with its folder named, and a stop requested
// ends the undo between two files (result.stopped), to be run again later.
platform::UndoResult undo(const std::string& id, Progress* progress);

} // namespace morvik
