// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/runjournal.h"

#include "platform/fs/pathname.h"
#include "platform/syserror.h"
#include "run/progress.h"
#include "run/ui.h"

namespace morvik
{

bool startjournal(int fd, const std::string& tool, const std::string& folder, Ui& ui,
                  std::unique_ptr<platform::Journal>& journal)
{
    journal.reset();
    if (!platform::journalling()) {
        return true;
    }
    try {
        journal = platform::Journal::open(fd, tool, folder);
        return true;
    } catch (const platform::SysError& e) {
        const std::string why = e.path().empty() ? e.reason() : e.path() + "：" + e.reason();
        return ui.runwithoutundo(why);
    }
}

platform::UndoResult undo(const std::string& id, Progress* progress)
{
    platform::UndoSteps steps;
    if (progress) {
        steps.counted = [progress](std::size_t files) { progress->addfound(files); };
        steps.stop = [progress] { return progress->stoprequested(); };
        steps.done = [progress](const std::string& path, bool ok) {
            progress->setfolder(platform::parentfolder(path));
            progress->filedone(ok);
        };
    }
    return platform::undo(id, steps);
}

} // namespace morvik
