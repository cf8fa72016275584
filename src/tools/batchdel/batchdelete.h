// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/findfiles.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

namespace morvik
{
class Progress;
class Ui;
namespace platform
{
class Journal;
class OpenFolder;
class Trash;
} // namespace platform
} // namespace morvik

namespace morvik::batchdel
{

struct ListFile;

// How list entries that are not full paths are treated.
enum class Mode {
    Option1, // looked up in the chosen folder
    Option2, // the list should hold full paths: bare names are reported
    Option3, // single-name mode: bare list entries are skipped
};

// What a run reads from the window.
struct Inputs {
    std::string T;        // name, pattern or full path (may be empty)
    std::string listpath; // the list file (may be empty)
    std::string folder;   // where bare names are looked up
    Mode mode = Mode::Option3;
    bool scan = false;        // search the subfolders for bare names
    bool report = true;       // write failures to Err_Report.txt
    bool text3enabled = true; // the name box can take the focus
    // Send the files to the user's trash instead of deleting them (the run then keeps
    // no undo journal: the trash is the way back).
    bool trash = false;
};

// Scan depth of a folder search with subfolders: every level.
inline constexpr int kScanDepth = 100;

// The deletion run behind "批量删除": deletes the files named by the name box and by
// the list file, records the ones that stay in the error report and ends each phase
// with a summary. Speaks to the user only through the Ui.
class BatchDelete
{
public:
    explicit BatchDelete(Ui& ui);
    ~BatchDelete();
    void setui(Ui& ui) { m_ui = &ui; }
    // Counts the files of the next runs, stops them between two files on request, and
    // rehearses them instead of deleting when it holds a rehearsal. Null: none.
    void setprogress(Progress* progress) { m_progress = progress; }

    // One run. Never throws for a file or folder it cannot handle.
    void run(const Inputs& in);

    // Deletes one visible file; false when the name is empty, there is no visible file
    // at the path, or the system refuses (no write permission, unlink failed).
    bool delfile(const std::string& filename);

    // The summary: S1 when ok, else S2; then flag is true again.
    void showresult(bool ok);

    // Files deleted by the last run.
    std::size_t deleted() const { return m_deleted; }

    // Scan setting, report setting and "everything deleted so far" of the current run.
    bool zi = false;
    bool baogao = false;
    bool flag = true;

private:
    // The files a search found; nullopt when the folder could not be read.
    std::optional<MatchList> fullpathsearch(const std::string& x);
    std::optional<MatchList> foldersearch(const std::string& x);
    void presearch(const std::vector<std::string>& entries);
    MatchList notdeleted(const MatchList& found) const;
    void notedeleted(const std::string& path, const platform::FileId* folder);
    void deletematches(const MatchList& matches);
    int reasonbyexistence(const std::string& path);
    void record(const std::string& path, int reason);
    void recordline(const std::string& path, const std::string& reason);

    bool phase1(const std::string& T);
    void tableB(const std::string& e);
    void tableC(const std::string& e);
    void phase2(const std::string& listpath);
    void reportfailures();

    bool stopped() const;
    bool remove(const std::string& path, platform::OpenFolder* folder,
                const platform::FileId* folderid = nullptr);

    Ui* m_ui;
    Progress* m_progress = nullptr;
    // What this run deleted, kept so it can be undone (none when switched off).
    std::unique_ptr<platform::Journal> m_journal;
    // The user's trash, for a run that sends files there, and the files it kept out
    // ("path：reason").
    std::unique_ptr<platform::Trash> m_trash;
    std::vector<std::string> m_untrashed;
    Inputs m_in;
    std::size_t m_deleted = 0;
    // Report lines that could not be written during this run.
    std::vector<std::string> m_unreported;
    std::string m_reporterror;
    // The list's folder searches, all found by one walk before its entries are handled
    // (nullopt: the folder could not be read), with the number of entries still to use
    // each; and the files deleted since that walk (folder identity and name), which a
    // later entry's search would no longer have found.
    struct Presearched {
        std::optional<MatchList> found;
        std::size_t uses = 0;
    };
    std::map<std::string, Presearched> m_presearched;
    std::unordered_set<std::string> m_deletedsincewalk;
};

} // namespace morvik::batchdel
