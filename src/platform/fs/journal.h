// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/fs/fd.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace morvik::platform
{

// The question asked before a run that changes files when no journal can be kept.
// Why undo left a file alone: it is no longer what the run left.
inline constexpr const char* kChangedSinceReason = "文件在运行后已被修改，未撤销";
// Why undo did not bring a deleted file back: its name is taken by another file now.
inline constexpr const char* kNameTakenReason = "该名称已被另一个文件占用，未撤销";

// Whether runs keep a journal (the command line's --no-undo turns it off).
void setjournalling(bool on);
bool journalling();

// What one run changed, kept so the run can be undone: a replaced file's old contents as
// a hard link to the old file itself (no bytes copied), a deleted file moved into the
// journal instead of unlinked, a created file's name. Each entry is written before the
// change it records, so a journal is consistent whenever the process is killed. The
// journal lives on the file system of the files it keeps: in the per-user data folder
// when that is on it, else in ".morvik-undo-UID" (mode 0700) at the top of its mount.
class Journal
{
public:
    // A new journal for a run of `tool` ("insert", "copy", "delete", "url") on `folder`, whose
    // files lie on the file system of the open descriptor `onfs`. Throws SysError when
    // none can be made there (a read-only mount, another user's).
    static std::unique_ptr<Journal> open(int onfs, const std::string& tool,
                                         const std::string& folder);
    ~Journal();
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    // Before the new file `replacement` (an open descriptor) is renamed over `name` of the
    // open folder `dir`: keeps the file there now, or notes the name as created when no
    // regular file is there. `path` is the file's full path. With `read`, the status of
    // the file the replacement was made from, nothing is kept and false is returned unless
    // the name still leads to that file, unchanged. Throws SysError.
    bool beforereplace(int dir, const std::string& name, const std::string& path, int replacement,
                       const struct stat* read = nullptr);
    // Before the new file `created` (an open descriptor, not yet named) is linked in as
    // `path`, where no file is: notes the name as created. Throws SysError.
    void beforecreate(const std::string& path, int created);
    // Deletes `name` of the open folder `dir`, a file of `size` bytes, by moving it into
    // the journal. Returns 0, or the errno of the failed move (the file then stays).
    int deleteinto(int dir, const std::string& name, const std::string& path,
                   unsigned long long size);
    // Ends the run's record: how many files it changed and the bytes the journal holds.
    void finish();

    const std::string& id() const { return m_id; }

private:
    Journal() = default;
    void append(const std::string& line);
    // The name, below the journal's folder of kept files, for the next file it keeps, the
    // file at `path` (named by a failure).
    std::string keptname(const std::string& path);
    // Counts a change; the first one starts the purge of the oldest runs.
    void changed();

    std::string m_id;
    std::string m_folderpath; // where the journal's files are
    Fd m_folder;
    Fd m_files;
    Fd m_log;
    std::string m_record; // the run's record in the data folder
    std::mutex m_mutex;
    std::atomic<std::size_t> m_next{0};
    std::atomic<std::size_t> m_buckets{0}; // subfolders of kept files made
    std::atomic<std::size_t> m_changed{0};
    std::atomic<unsigned long long> m_held{0};
    std::atomic<std::size_t> m_kept{0};
};

// One run in the history, newest last.
struct RunRecord {
    std::string id;
    std::string time; // local time, "YYYY-MM-DD HH:MM:SS"
    std::string tool;
    std::string folder;
    std::size_t files = 0;
    std::size_t kept = 0;         // files its journal keeps (a file it made keeps none)
    unsigned long long bytes = 0; // held by its journal
    bool undoable = false;        // ended and not yet undone
    std::string journal;          // the journal's folder
};
std::vector<RunRecord> history();

// Undoes a run: every file back as it was, where it is still what the run left; files
// changed since, and deleted files whose name is taken now, are listed and left alone.
// Each file is put back by one rename, so an undo killed midway can be run again.
// The undo tells `steps` how many files its journal holds and each file it has handled,
// and asks it between two files whether to stop: a stopped undo leaves the run in the
// history as it is, and undoing it again puts back the rest. Throws SysError when there
// is no such run.
struct UndoResult {
    std::size_t restored = 0;
    std::vector<std::pair<std::string, std::string>> failures; // path, reason
    bool stopped = false;                                      // asked to stop before the last file
};
struct UndoSteps {
    std::function<void(std::size_t files)> counted;
    std::function<bool()> stop;
    std::function<void(const std::string& path, bool ok)> done;
};
UndoResult undo(const std::string& id, const UndoSteps& steps = {});

// Removes a run's journal (its held files are freed) and its record. The record is
// marked first and removed last, so a purge killed midway leaves the run out of the
// history, and the next purge of old runs finishes it.
void purge(const std::string& id);

// Purges the oldest runs beyond the last `keep` runs or beyond `budget` bytes held (or a
// tenth of the free space, when that is less), and finishes purges a killed process left.
void keepwithin(std::size_t keep, unsigned long long budget);
// The same, with the runs marked at once but their journals freed on a thread of its
// own, so the caller (a run's end) does not wait for it; `spared` (the run just ended)
// is never purged. The process waits for these purges before it ends.
void keepwithinlater(std::size_t keep, unsigned long long budget, const std::string& spared);
// Waits until the purges started by keepwithinlater() are done.
void waitforpurges();

} // namespace morvik::platform
