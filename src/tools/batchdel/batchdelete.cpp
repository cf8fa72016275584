// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/batchdel/batchdelete.h"

#include "common/findfiles.h"
#include "common/runjournal.h"
#include "platform/fs/appfolder.h"
#include "platform/fs/fd.h"
#include "platform/fs/fileops.h"
#include "platform/fs/fsobject.h"
#include "platform/fs/journal.h"
#include "platform/fs/openfolder.h"
#include "platform/fs/pathname.h"
#include "platform/fs/releaser.h"
#include "platform/fs/runlock.h"
#include "platform/fs/trash.h"
#include "platform/syserror.h"
#include "platform/text/wildcard.h"
#include "run/folderworkers.h"
#include "run/progress.h"
#include "run/ui.h"
#include "tools/batchdel/listfile.h"
#include "tools/batchdel/report.h"

#include <cstdint>
#include <deque>
#include <fcntl.h>
#include <iterator>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <sys/stat.h>

namespace morvik::batchdel
{

namespace
{

// What happened in one span of a deletion, kept until it is told. Most spans have nothing
// to tell but their count, so the rest is made only when needed.
struct FolderDeletion {
    struct Details {
        std::optional<std::string> unreadable; // why the folder could not be entered
        std::vector<std::string> stayed;       // files that could not be deleted, in order
        std::vector<std::string> untrashed;    // files the trash refused, with the reason
        std::vector<std::string> deletedplaces;
        std::vector<std::string> wouldgo; // what a rehearsal found would go, in order
        std::string folder;               // the folder's path, when it is unreadable
    };
    std::unique_ptr<Details> details;
    std::uint32_t folder = 0;  // the index of the span's folder record
    std::uint32_t deleted = 0; // of a span's at most 256 files
    bool ended = false;

    Details& more()
    {
        if (!details) {
            details = std::make_unique<Details>();
        }
        return *details;
    }
};

bool isfullpath(const std::string& name)
{
    return !name.empty() && name[0] == '/';
}

bool ispattern(const std::string& name)
{
    return platform::haswildcard(name);
}

// The number of unwritten report lines named in the closing message.
constexpr std::size_t kNamedLines = 10;

} // namespace

BatchDelete::BatchDelete(Ui& ui) : m_ui(&ui) {}

BatchDelete::~BatchDelete() = default;

bool BatchDelete::delfile(const std::string& filename)
{
    if (filename.empty()) {
        return false;
    }
    if (m_progress) {
        m_progress->addfound(1);
    }
    return remove(filename, nullptr);
}

bool BatchDelete::stopped() const
{
    return m_progress && m_progress->stoprequested();
}

// A rehearsal asks about each file by its path: it never opens a folder again, so its
// walks need not know the folders' identities.
bool BatchDelete::rehearsing() const
{
    return m_progress && m_progress->rehearsing();
}

// Deletes one file (relative to `folder`, whose identity is `folderid`, when given), or only
// rehearses it, and counts it.
bool BatchDelete::remove(const std::string& path, platform::OpenFolder* folder,
                         const platform::FileId* folderid)
{
    bool ok = false;
    // The one place a file goes: into the trash, into the run's journal, or unlinked.
    auto result = platform::DeleteResult::NotFound;
    std::string why;
    if (rehearsing()) {
        ok = m_progress->rehearse(path);
    } else if (folder) {
        result = folder->deletefile(std::string(platform::leafname(path)), &why);
    } else if ((m_journal || m_trash) && path.find('/') != std::string::npos) {
        platform::OpenFolder parent(platform::parentfolder(path), nullptr, m_journal.get(),
                                    m_trash.get());
        result = parent.deletefile(std::string(platform::leafname(path)), &why);
    } else {
        result = platform::deletefile(path);
    }
    ok = ok || result == platform::DeleteResult::Deleted;
    if (m_trash && result == platform::DeleteResult::Refused) {
        m_untrashed.push_back(path + "：" + why);
    }
    if (m_progress) {
        m_progress->filedone(ok);
    }
    if (ok) {
        ++m_deleted;
        if (!m_presearched.empty() && !rehearsing()) {
            notedeleted(path, folderid);
        }
    }
    return ok;
}

void BatchDelete::notedeleted(const std::string& path, const platform::FileId* folder)
{
    if (folder) {
        m_deletedsincewalk.insert(platform::placekey(*folder, platform::leafname(path)));
        return;
    }
    // Deleted by its path: the folder it was in is the one its path leads to now.
    const std::string parent = platform::parentfolder(path);
    struct stat st {
    };
    if (::stat(parent.c_str(), &st) == 0) {
        m_deletedsincewalk.insert(platform::placekey({static_cast<unsigned long long>(st.st_dev),
                                                      static_cast<unsigned long long>(st.st_ino)},
                                                     platform::leafname(path)));
    }
}

// A search's matches without the files deleted since its walk: what a walk made now would
// find, folder by folder in the same order.
MatchList BatchDelete::notdeleted(const MatchList& found) const
{
    MatchList left;
    left.top = found.top;
    left.unreadable = found.unreadable;
    std::size_t first = 0;
    PathList::Reader paths(found.paths);
    for (const MatchedFolder& span : found.folders) {
        std::size_t kept = 0;
        for (std::size_t k = first; k < first + span.count; ++k) {
            const std::string& path = paths[k];
            if (!m_deletedsincewalk.contains(
                    platform::placekey(span.id, platform::leafname(path)))) {
                left.paths.push_back(path);
                ++kept;
            }
        }
        if (kept > 0) {
            left.folders.push_back({span.id, kept});
        }
        first += span.count;
    }
    return left;
}

// Finds the matches of every entry of a list that is looked up in the chosen folder with
// one walk, when there are several; foldersearch() then takes them from there.
void BatchDelete::presearch(const std::vector<std::string>& entries)
{
    if (m_in.mode != Mode::ListInFolder) {
        return;
    }
    std::vector<std::string> patterns;
    std::size_t searches = 0;
    for (const auto& e : entries) {
        if (isfullpath(e) || !(ispattern(e) || m_in.scan)) {
            continue;
        }
        ++searches;
        if (m_presearched[e].uses++ == 0) {
            patterns.push_back(e);
        }
    }
    if (searches < 2) {
        m_presearched.clear();
        return;
    }
    try {
        std::vector<MatchList> found =
            findfiles(m_in.folder, patterns, m_in.scan, m_in.scan ? kScanDepth : 0, !rehearsing());
        for (std::size_t i = 0; i < patterns.size(); ++i) {
            m_presearched[patterns[i]].found = std::move(found[i]);
        }
    } catch (const platform::SysError&) {
        // Every search of the list meets the unreadable folder: none finds anything.
    }
}

void BatchDelete::summary()
{
    // A stopped run did not finish: no success message, only the failures.
    if (m_alldeleted && !stopped()) {
        m_outcome.notice(Notice::Kind::Done);
    } else if (!m_alldeleted) {
        m_outcome.notice(Notice::Kind::Incomplete, m_in.report ? reportpath() : std::string());
    }
    m_alldeleted = true;
}

int BatchDelete::reasonbyexistence(const std::string& path)
{
    return platform::visiblefileexists(path) ? kInUse : kNotFound;
}

void BatchDelete::record(const std::string& path, int reason)
{
    recordline(path, reasontext(reason));
}

// Every name that stays is a failure of the run; the report takes it when it is on.
void BatchDelete::recordline(const std::string& path, const std::string& reason)
{
    m_outcome.failures.push_back({path, reason});
    if (!m_in.report || rehearsing()) {
        return;
    }
    if (auto failure = reportline(path, reason)) {
        m_unreported.push_back(path);
        m_reporterror = failure->path().empty() ? failure->reason()
                                                : failure->path() + "：" + failure->reason();
    }
}

// A folder that cannot be read counts as a search without matches, so the run goes on.
std::optional<MatchList> BatchDelete::fullpathsearch(const std::string& x)
{
    try {
        return findfiles(splitpath(x, false), splitpath(x, true), false, 0, !rehearsing());
    } catch (const platform::SysError&) {
        return std::nullopt;
    }
}

// Subfolders that could not be read are reported one line each, and the run can no
// longer end with the full-success summary: files there may have stayed.
std::optional<MatchList> BatchDelete::foldersearch(const std::string& x)
{
    std::optional<MatchList> found;
    if (const auto pre = m_presearched.find(x); pre != m_presearched.end()) {
        if (!pre->second.found) {
            return std::nullopt;
        }
        if (--pre->second.uses == 0 && m_deletedsincewalk.empty()) {
            found = std::move(pre->second.found); // its last entry: nothing to copy
        } else {
            found = notdeleted(*pre->second.found);
        }
    } else {
        try {
            found = findfiles(m_in.folder, x, m_in.scan, m_in.scan ? kScanDepth : 0, !rehearsing());
        } catch (const platform::SysError&) {
            return std::nullopt;
        }
    }
    for (const auto& folder : found->unreadable) {
        recordline(folder.path, unreadabletext(folder.reason));
        m_alldeleted = false;
    }
    return found;
}

// Every match is deleted as the path the search found; a name holding "," stays whole.
// Matches come folder by folder: each folder is opened once, by handle from the folder
// the search started in and checked to be the one it listed, and its files are deleted
// relative to it. A folder that is no longer the one listed is not entered.
void BatchDelete::deletematches(const MatchList& matches)
{
    // Deleted files are freed on threads only where that pays (see runreleaser).
    const std::unique_ptr<platform::Releaser> freed =
        platform::runreleaser(matches.top->fd(), m_journal != nullptr || m_trash != nullptr);
    if (m_progress) {
        m_progress->addfound(matches.size());
    }
    // Folders, in spans, are shared out among workers (one for the trash, and for a
    // rehearsal that must be asked from one thread), which take them in the walk's order.
    // What happened in a span is told once every span before it has been: the report,
    // the failures and a rehearsal's notes read as one worker would write them, and the
    // run holds only the spans under way and the ones waiting on them.
    const bool rehearsal = rehearsing();
    const bool onethread = m_trash || (rehearsal && !m_progress->rehearsalonworkers());
    SpanSource spans(matches, folderworkers(matches.size(), onethread));
    const unsigned workers = folderworkers(spans.size(), onethread);
    std::vector<std::optional<platform::FolderCursor>> cursors(workers);
    std::vector<PathList::Reader> readers(workers, PathList::Reader(matches.paths));
    std::mutex order;                   // guards the spans waiting and all that is told
    std::deque<FolderDeletion> waiting; // the spans from `told` on, in order, as they end
    std::size_t told = 0;
    // The unreadable folder told last: a folder cut into spans is named once.
    std::optional<std::uint32_t> unreadablefolder;
    const auto tell = [&](FolderDeletion& result) {
        m_deleted += result.deleted;
        if (!result.details) {
            return;
        }
        FolderDeletion::Details& details = *result.details;
        if (details.unreadable && unreadablefolder != result.folder) {
            recordline(details.folder, *details.unreadable);
            m_alldeleted = false;
            unreadablefolder = result.folder;
        }
        for (const std::string& path : details.wouldgo) {
            m_progress->noterehearsed(path);
        }
        for (const std::string& path : details.stayed) {
            stays(path, kInUse);
        }
        std::move(details.untrashed.begin(), details.untrashed.end(),
                  std::back_inserter(m_untrashed));
        m_deletedsincewalk.insert(details.deletedplaces.begin(), details.deletedplaces.end());
    };
    const auto deletespan = [&](const MatchSpan& span, const MatchedFolder& record,
                                unsigned worker) {
        FolderDeletion result;
        result.folder = span.folder;
        if (stopped()) {
            return result;
        }
        // The span's paths, read one after another from its first.
        PathList::Reader& paths = readers[worker];
        const std::string relative = relativefolder(*matches.top, paths[span.first]);
        const std::string folder = matches.top->display(relative);
        // A rehearsal asks about each file by its path: its folder, just listed, is opened
        // only by a run that deletes.
        std::optional<platform::OpenFolder> open;
        if (!rehearsal) {
            if (!cursors[worker]) {
                cursors[worker].emplace(*matches.top);
            }
            try {
                open.emplace(cursors[worker]->open(relative, record.id), folder, freed.get(),
                             m_journal.get(), m_trash.get());
            } catch (const platform::SysError& e) {
                result.more().unreadable = unreadabletext(e.reason());
                result.more().folder = folder;
            }
        }
        if (m_progress) {
            m_progress->setfolder(folder);
        }
        for (std::size_t k = span.first; k < span.first + span.count; ++k) {
            if (stopped()) {
                break;
            }
            const std::string& path = paths[k];
            bool ok = false;
            if (rehearsal) {
                ok = m_progress->wouldsucceed(path);
                if (ok) {
                    result.more().wouldgo.push_back(path);
                }
            } else if (open) {
                std::string why;
                const std::string name(platform::leafname(path));
                const auto disposed = open->deletefile(name, &why);
                ok = disposed == platform::DeleteResult::Deleted;
                if (m_trash && disposed == platform::DeleteResult::Refused) {
                    result.more().untrashed.push_back(path + "：" + why);
                }
                if (ok && !m_presearched.empty()) {
                    result.more().deletedplaces.push_back(platform::placekey(record.id, name));
                }
            }
            if (m_progress) {
                m_progress->filedone(ok);
            }
            if (ok) {
                ++result.deleted;
            } else if (open || rehearsal) {
                result.more().stayed.push_back(path);
            }
        }
        return result;
    };
    std::mutex handout; // guards the spans given out
    std::size_t given = 0;
    runonworkers(0, spans.size(), workers, [&](std::size_t, unsigned worker) {
        std::pair<MatchSpan, MatchedFolder> next;
        std::size_t slot = 0;
        {
            const std::lock_guard lock(handout);
            next = spans.next();
            slot = given++;
        }
        FolderDeletion result = deletespan(next.first, next.second, worker);
        result.ended = true;
        const std::lock_guard lock(order);
        if (waiting.size() <= slot - told) {
            waiting.resize(slot - told + 1);
        }
        waiting[slot - told] = std::move(result);
        for (; !waiting.empty() && waiting.front().ended; ++told) {
            tell(waiting.front());
            waiting.pop_front();
        }
    });
}

// A file that could not be deleted: a failure, and with the report on a report line
// that keeps the phase from ending with the full-success summary.
void BatchDelete::stays(const std::string& path, int reason)
{
    record(path, reason);
    if (m_in.report) {
        m_alldeleted = false;
    }
}

// The name box. Returns true when the run ends here.
bool BatchDelete::phase1(const std::string& name)
{
    if (isfullpath(name) && ispattern(name)) {
        const auto found = fullpathsearch(name);
        if (!found || found->empty()) {
            m_outcome.notice(Notice::Kind::NoFullPathMatch, name);
            return true;
        }
        if (found->size() > 1) {
            deletematches(*found);
            summary();
            return false;
        }
        const std::string& path = found->paths.front();
        if (delfile(path)) {
            summary();
        } else {
            stays(path, reasonbyexistence(path));
        }
        return false;
    }
    if (isfullpath(name)) {
        if (!delfile(name)) {
            record(name, reasonbyexistence(name));
        }
        return false;
    }
    if (name.find('/') != std::string::npos) {
        m_outcome.notice(Notice::Kind::BadName, name);
        return false;
    }
    const auto found = foldersearch(name);
    if (!found || found->empty()) {
        m_outcome.notice(Notice::Kind::NoMatch, name);
        record(name, kNotFound);
        return true;
    }
    deletematches(*found);
    summary();
    return false;
}

// A list of one entry; the run ends after it.
void BatchDelete::singleentry(const std::string& e)
{
    if (isfullpath(e) && ispattern(e)) {
        const auto found = fullpathsearch(e);
        if (!found || found->empty()) {
            m_outcome.notice(Notice::Kind::NoListFullPathMatch, e);
            record(e, kNotFound);
            return;
        }
        deletematches(*found);
        summary();
        return;
    }
    if (isfullpath(e)) {
        if (!delfile(e)) {
            stays(e, reasonbyexistence(e));
        }
        summary();
        return;
    }
    if (m_in.mode == Mode::ListInFolder) {
        const auto found = foldersearch(e);
        if (!found || found->empty()) {
            m_outcome.notice(Notice::Kind::NoListMatch, e);
            record(e, kNotFound);
            return;
        }
        // The user sees what the one name matched before it goes; No ends the run.
        if (found->size() > 1 && !m_ui->confirmdelete(found->paths.strings())) {
            m_outcome.stopped = true;
            return;
        }
        deletematches(*found);
        summary();
        return;
    }
    listentry(e);
    summary();
}

// One entry of a list with several entries.
void BatchDelete::listentry(const std::string& e)
{
    if (isfullpath(e) && ispattern(e)) {
        const auto found = fullpathsearch(e);
        if (!found || found->empty()) {
            stays(e, kNotFound);
            return;
        }
        deletematches(*found);
        return;
    }
    if (isfullpath(e)) {
        if (!delfile(e)) {
            stays(e, reasonbyexistence(e));
        }
        return;
    }
    switch (m_in.mode) {
    case Mode::ListInFolder:
        if (ispattern(e) || m_in.scan) {
            const auto found = foldersearch(e);
            if (!found || found->empty()) {
                if (ispattern(e)) {
                    m_alldeleted = false;
                }
                record(e, kNotFound);
                return;
            }
            deletematches(*found);
        } else {
            const std::string path = m_in.folder + "/" + e;
            if (!delfile(path)) {
                stays(path, reasonbyexistence(path));
            }
        }
        return;
    case Mode::ListOfFullPaths:
        stays(e, kNotFound);
        return;
    case Mode::NameBox:
        return;
    }
}

void BatchDelete::phase2(const std::string& listpath)
{
    const ListFile list = readfile(listpath);
    if (list.notice) {
        m_outcome.notices.push_back(*list.notice);
    }
    if (!list.readable) {
        return;
    }
    if (list.entries.size() == 1 && !list.entries.front().empty()) {
        singleentry(list.entries.front());
        return;
    }
    presearch(list.entries);
    for (const auto& e : list.entries) {
        if (stopped()) {
            break;
        }
        listentry(e);
    }
    m_presearched.clear();
    m_deletedsincewalk.clear();
    summary();
}

void BatchDelete::reportfailures()
{
    if (m_unreported.empty()) {
        return;
    }
    Notice unreported{Notice::Kind::Unreported, {}, m_reporterror, m_unreported};
    m_outcome.notices.push_back(std::move(unreported));
}

std::string noticetext(const Notice& notice)
{
    switch (notice.kind) {
    case Notice::Kind::Done:
        return "批量删除操作成功结束!";
    case Notice::Kind::Incomplete:
        return "批量删除操作完成，但部分文件未删除，请参见错误报告!" +
               (notice.subject.empty() ? std::string() : "\n" + notice.subject);
    case Notice::Kind::NoFullPathMatch:
        return "未找到需要删除的文件！";
    case Notice::Kind::NoMatch:
        return "没有找到符合条件的文件";
    case Notice::Kind::NoListFullPathMatch:
        return "未找到任何符合条件的文件";
    case Notice::Kind::NoListMatch:
        return "未找到符合条件的文件";
    case Notice::Kind::BadName:
        return "文件名错误！";
    case Notice::Kind::ListUnnamed:
        return "没有指定文件列表";
    case Notice::Kind::ListUnreadable:
        return "无法读取文件列表“" + notice.subject + "”：" + notice.reason;
    case Notice::Kind::ListEmpty:
        return "文件为空！";
    case Notice::Kind::Untrashed: {
        std::string text =
            "以下 " + std::to_string(notice.files.size()) + " 个文件未能移入回收站，仍在原处：";
        for (std::size_t i = 0; i < notice.files.size() && i < kNamedLines; ++i) {
            text += "\n" + notice.files[i];
        }
        if (notice.files.size() > kNamedLines) {
            text += "\n……";
        }
        return text;
    }
    case Notice::Kind::Unreported: {
        std::string text = "错误报告无法写入（" + notice.reason + "），以下 " +
                           std::to_string(notice.files.size()) + " 个未能删除的文件没有记录：";
        for (std::size_t i = 0; i < notice.files.size() && i < kNamedLines; ++i) {
            text += "\n" + notice.files[i];
        }
        if (notice.files.size() > kNamedLines) {
            text += "\n……";
        }
        return text;
    }
    }
    return {};
}

namespace
{

// Whether the run looks up bare names in the chosen folder.
bool needsfolder(const Inputs& in)
{
    const bool barename =
        !in.name.empty() && !isfullpath(in.name) && in.name.find('/') == std::string::npos;
    return barename || (!in.listpath.empty() && in.mode == Mode::ListInFolder);
}

} // namespace

Outcome BatchDelete::run(const Inputs& in)
{
    m_in = in;
    m_outcome = {};
    m_deleted = 0;
    m_unreported.clear();
    m_reporterror.clear();
    m_alldeleted = true;

    if (in.name.empty() && in.listpath.empty()) {
        m_outcome.refusal = Refusal{in.nameboxenabled ? kNameField : kListField,
                                    Refusal::Problem::Missing, "请指定要删除的文件名或文件列表"};
        return m_outcome;
    }
    // An empty folder text is no folder: bare names would otherwise be looked up from
    // the root ("" + "/" + name).
    if (in.folder.empty() && needsfolder(in)) {
        m_outcome.refusal =
            Refusal{kFolderField, Refusal::Problem::Missing, "请选择要查找文件的文件夹"};
        return m_outcome;
    }
    // Bare names are looked up in the chosen folder: no other run may work there meanwhile.
    std::optional<platform::TopFolder> locked;
    if (!in.folder.empty() && needsfolder(in) && !rehearsing()) {
        try {
            locked.emplace(in.folder);
            platform::lockfolder(locked->fd(), locked->path());
        } catch (const platform::SysError& e) {
            if (e.reason() == platform::kBusyReason) {
                m_outcome.refusal =
                    Refusal{kFolderField, Refusal::Problem::Busy, platform::busytext(e.path())};
                return m_outcome;
            }
            locked.reset(); // a folder that cannot be read is reported by the search
        }
    }
    // The run keeps what it deletes, on the chosen folder's file system (or the data
    // folder's, for full paths alone), so it can be undone. Declined: nothing happens.
    // Sent to the trash instead, the files keep no journal: the trash is the way back.
    m_untrashed.clear();
    if (in.trash && !rehearsing()) {
        m_trash = std::make_unique<platform::Trash>();
    } else if (!rehearsing()) {
        const platform::Fd data(
            locked ? -1
                   : ::open(platform::datafolder().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!startjournal(locked ? locked->fd() : data.get(), "delete",
                          locked            ? locked->path()
                          : in.name.empty() ? in.listpath
                                            : in.name,
                          *m_ui, m_journal)) {
            return m_outcome;
        }
    }
    bool ended = false;
    if (!in.name.empty()) {
        ended = phase1(in.name);
    }
    if (!in.listpath.empty() && !ended && !stopped()) {
        phase2(in.listpath);
    }
    reportfailures();
    if (!m_untrashed.empty()) {
        m_outcome.notices.push_back({Notice::Kind::Untrashed, {}, {}, std::move(m_untrashed)});
        m_untrashed.clear();
    }
    m_trash.reset();
    if (m_journal) {
        m_journal->finish();
        m_journal.reset();
    }
    m_outcome.done = m_deleted;
    m_outcome.stopped = m_outcome.stopped || stopped();
    if (in.report && !m_outcome.failures.empty() && !rehearsing()) {
        m_outcome.report = reportpath();
    }
    return m_outcome;
}

} // namespace morvik::batchdel
