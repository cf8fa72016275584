// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/findfiles.h"
#include "run/outcome.h"

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

// What the window's option buttons select: the name box, or a list file whose entries
// that are not full paths are treated as the mode says.
enum class Mode {
    ListInFolder,    // a list; its bare names are looked up in the chosen folder
    ListOfFullPaths, // a list that should hold full paths: bare names are reported
    NameBox,         // the name box; bare entries of a list are skipped
};

// What a run reads from the window.
struct Inputs {
    std::string name;     // name, pattern or full path (may be empty)
    std::string listpath; // the list file (may be empty)
    std::string folder;   // where bare names are looked up
    Mode mode = Mode::NameBox;
    bool scan = false;          // search the subfolders for bare names
    bool report = true;         // write failures to Err_Report.txt
    bool nameboxenabled = true; // the name box can take the focus
    // Send the files to the user's trash instead of deleting them (the run then keeps
    // no undo journal: the trash is the way back).
    bool trash = false;
};

// The inputs a refusal names.
inline constexpr const char* kNameField = "name";     // the name box (nothing to delete named)
inline constexpr const char* kListField = "list";     // the list box (nothing to delete named)
inline constexpr const char* kFolderField = "folder"; // the chosen folder

// The message of a notice of a deletion run, as its box and the command line show it.
std::string noticetext(const Notice& notice);

// Scan depth of a folder search with subfolders: every level.
inline constexpr int kScanDepth = 100;

// The deletion run behind "批量删除": deletes the files named by the name box and by
// the list file, records the ones that stay in the error report and ends each phase
// with a summary notice. Asks the user only through the Ui (the journal's questions, the
// confirmation of a list's matches); everything it has to tell is in the Outcome.
class BatchDelete
{
public:
    explicit BatchDelete(Ui& ui);
    ~BatchDelete();
    void setui(Ui& ui) { m_ui = &ui; }
    // Counts the files of the next runs, stops them between two files on request, and
    // rehearses them instead of deleting when it holds a rehearsal. Null: none.
    void setprogress(Progress* progress) { m_progress = progress; }

    // One run. Never throws for a file or folder it cannot handle. Its failures are the
    // names that stayed or matched nothing, with the report's reason, in the order met.
    Outcome run(const Inputs& in);

    // Deletes one visible file; false when the name is empty, there is no visible file
    // at the path, or the system refuses (no write permission, unlink failed).
    bool delfile(const std::string& filename);

    // Files deleted by the last run.
    std::size_t deleted() const { return m_deleted; }
    // The inputs of the last run.
    const Inputs& inputs() const { return m_in; }

private:
    // The phase's summary notice: Done when everything went, else Incomplete.
    void summary();
    // The files a search found; nullopt when the folder could not be read.
    std::optional<MatchList> fullpathsearch(const std::string& x);
    std::optional<MatchList> foldersearch(const std::string& x);
    void presearch(const std::vector<std::string>& entries);
    MatchList notdeleted(const MatchList& found) const;
    void notedeleted(const std::string& path, const platform::FileId* folder);
    void deletematches(const MatchList& matches);
    int reasonbyexistence(const std::string& path);
    void record(const std::string& path, int reason);
    void stays(const std::string& path, int reason);
    void recordline(const std::string& path, const std::string& reason);

    bool phase1(const std::string& name);
    void singleentry(const std::string& e);
    void listentry(const std::string& e);
    void phase2(const std::string& listpath);
    void reportfailures();

    bool stopped() const;
    bool rehearsing() const;
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
    Outcome m_outcome;
    // Whether everything named since the last summary went (failures with the report off
    // do not count, nor does a name matching nothing).
    bool m_alldeleted = true;
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
