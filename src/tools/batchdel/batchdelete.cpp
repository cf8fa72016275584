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
#include "run/progress.h"
#include "run/ui.h"
#include "tools/batchdel/listfile.h"
#include "tools/batchdel/report.h"

#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>

namespace morvik::batchdel
{

namespace
{

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

// Deletes one file (relative to `folder`, whose identity is `folderid`, when given), or only
// rehearses it, and counts it.
bool BatchDelete::remove(const std::string& path, platform::OpenFolder* folder,
                         const platform::FileId* folderid)
{
    bool ok = false;
    // The one place a file goes: into the trash, into the run's journal, or unlinked.
    auto result = platform::DeleteResult::NotFound;
    std::string why;
    if (m_progress && m_progress->rehearsing()) {
        ok = m_progress->rehearse(path);
    } else if (folder) {
        result = folder->deletefile(std::string(platform::leafname(path)), &why);
    } else if ((m_journal || m_trash) && path.rfind('/') != std::string::npos) {
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
        if (!m_presearched.empty() && !(m_progress && m_progress->rehearsing())) {
            notedeleted(path, folderid);
        }
    }
    return ok;
}

namespace
{

std::string_view nameof(const std::string& path)
{
    return std::string_view(path).substr(path.rfind('/') + 1);
}

} // namespace

void BatchDelete::notedeleted(const std::string& path, const platform::FileId* folder)
{
    if (folder) {
        m_deletedsincewalk.insert(platform::placekey(*folder, nameof(path)));
        return;
    }
    // Deleted by its path: the folder it was in is the one its path leads to now.
    const std::size_t slash = path.rfind('/');
    const std::string parent = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                                          : path.substr(0, slash);
    struct stat st {
    };
    if (::stat(parent.c_str(), &st) == 0) {
        m_deletedsincewalk.insert(platform::placekey({static_cast<unsigned long long>(st.st_dev),
                                                      static_cast<unsigned long long>(st.st_ino)},
                                                     nameof(path)));
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
    for (const MatchedFolder& span : found.folders) {
        std::size_t kept = 0;
        for (std::size_t k = first; k < first + span.count; ++k) {
            if (!m_deletedsincewalk.contains(platform::placekey(span.id, nameof(found.paths[k])))) {
                left.paths.push_back(found.paths[k]);
                ++kept;
            }
        }
        if (kept > 0) {
            left.folders.push_back({span.relative, span.id, kept});
        }
        first += span.count;
    }
    return left;
}

// Finds the matches of every entry of a list that is looked up in the chosen folder with
// one walk, when there are several; foldersearch() then takes them from there.
void BatchDelete::presearch(const std::vector<std::string>& entries)
{
    if (m_in.mode != Mode::Option1) {
        return;
    }
    std::vector<std::string> patterns;
    std::size_t searches = 0;
    for (const auto& e : entries) {
        if (isfullpath(e) || !(ispattern(e) || zi)) {
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
        std::vector<MatchList> found = findfiles(m_in.folder, patterns, zi, zi ? kScanDepth : 0);
        for (std::size_t i = 0; i < patterns.size(); ++i) {
            m_presearched[patterns[i]].found = std::move(found[i]);
        }
    } catch (const platform::SysError&) {
        // Every search of the list meets the unreadable folder: none finds anything.
    }
}

void BatchDelete::showresult(bool ok)
{
    // A stopped run did not finish: no success message, only the failures.
    if (ok && stopped()) {
        flag = true;
        return;
    }
    if (ok) {
        m_ui->msgbox("批量删除操作成功结束!", "删除操作", Icon::Information);
    } else {
        m_ui->msgbox(std::string("批量删除操作完成，但部分文件未删除，请参见错误报告!") +
                         (baogao ? "\n" + reportpath() : std::string()),
                     "删除完成", Icon::Warning);
    }
    flag = true;
}

int BatchDelete::reasonbyexistence(const std::string& path)
{
    return platform::visiblefileexists(path) ? kInUse : kNotFound;
}

void BatchDelete::record(const std::string& path, int reason)
{
    recordline(path, reasontext(reason));
}

void BatchDelete::recordline(const std::string& path, const std::string& reason)
{
    if (m_progress && m_progress->rehearsing()) {
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
        return findfiles(splitpath(x, false), splitpath(x, true), false, 0);
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
            found = findfiles(m_in.folder, x, zi, zi ? kScanDepth : 0);
        } catch (const platform::SysError&) {
            return std::nullopt;
        }
    }
    for (const auto& folder : found->unreadable) {
        if (baogao) {
            recordline(folder.path, unreadabletext(folder.reason));
        }
        flag = false;
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
    platform::FolderCursor cursor(*matches.top);
    std::size_t first = 0;
    for (const MatchedFolder& span : matches.folders) {
        const std::size_t end = first + span.count;
        const std::string folder = matches.top->display(span.relative);
        std::optional<platform::OpenFolder> open;
        try {
            open.emplace(cursor.open(span.relative, span.id), folder, freed.get(), m_journal.get(),
                         m_trash.get());
        } catch (const platform::SysError& e) {
            if (baogao && !(m_progress && m_progress->rehearsing())) {
                recordline(folder, unreadabletext(e.reason()));
            }
            flag = false;
        }
        if (m_progress) {
            m_progress->setfolder(folder);
        }
        for (std::size_t k = first; k < end; ++k) {
            if (stopped()) {
                return;
            }
            const std::string& path = matches.paths[k];
            if (!open) {
                if (m_progress) {
                    m_progress->filedone(false);
                }
                continue;
            }
            if (!remove(path, &*open, &span.id) && baogao) {
                record(path, kInUse);
                flag = false;
            }
        }
        first = end;
    }
}

// The name box. Returns true when the run ends here.
bool BatchDelete::phase1(const std::string& T)
{
    if (isfullpath(T) && ispattern(T)) {
        const auto found = fullpathsearch(T);
        if (!found || found->empty()) {
            m_ui->msgbox("未找到需要删除的文件！", "文件未找到", Icon::Warning);
            return true;
        }
        if (found->size() > 1) {
            deletematches(*found);
            showresult(flag);
            return false;
        }
        const std::string& path = found->paths.front();
        if (delfile(path)) {
            showresult(flag);
        } else if (baogao) {
            record(path, reasonbyexistence(path));
            flag = false;
        }
        return false;
    }
    if (isfullpath(T)) {
        if (!delfile(T) && baogao) {
            record(T, reasonbyexistence(T));
        }
        return false;
    }
    if (T.find('/') != std::string::npos) {
        m_ui->msgbox("文件名错误！", "文件名错误", Icon::Warning);
        return false;
    }
    const auto found = foldersearch(T);
    if (!found || found->empty()) {
        m_ui->msgbox("没有找到符合条件的文件", "文件未找到", Icon::Warning);
        if (baogao) {
            record(T, kNotFound);
        }
        return true;
    }
    deletematches(*found);
    showresult(flag);
    return false;
}

// A list of one entry; the run ends after it.
void BatchDelete::tableB(const std::string& e)
{
    if (isfullpath(e) && ispattern(e)) {
        const auto found = fullpathsearch(e);
        if (!found || found->empty()) {
            m_ui->msgbox("未找到任何符合条件的文件", "删除错误", Icon::None);
            if (baogao) {
                record(e, kNotFound);
            }
            return;
        }
        deletematches(*found);
        showresult(flag);
        return;
    }
    if (isfullpath(e)) {
        if (!delfile(e) && baogao) {
            record(e, reasonbyexistence(e));
            flag = false;
        }
        showresult(flag);
        return;
    }
    if (m_in.mode == Mode::Option1) {
        const auto found = foldersearch(e);
        if (!found || found->empty()) {
            m_ui->msgbox("未找到符合条件的文件", "文件未找到", Icon::Information);
            if (baogao) {
                record(e, kNotFound);
            }
            return;
        }
        if (found->size() > 1) {
            m_ui->msgbox(found->joined(), kAppTitle, Icon::None);
        }
        deletematches(*found);
        showresult(flag);
        return;
    }
    tableC(e);
    showresult(flag);
}

// One entry of a list with several entries.
void BatchDelete::tableC(const std::string& e)
{
    if (isfullpath(e) && ispattern(e)) {
        const auto found = fullpathsearch(e);
        if (!found || found->empty()) {
            if (baogao) {
                record(e, kNotFound);
                flag = false;
            }
            return;
        }
        deletematches(*found);
        return;
    }
    if (isfullpath(e)) {
        if (!delfile(e) && baogao) {
            record(e, reasonbyexistence(e));
            flag = false;
        }
        return;
    }
    switch (m_in.mode) {
    case Mode::Option1:
        if (ispattern(e) || zi) {
            const auto found = foldersearch(e);
            if (!found || found->empty()) {
                if (ispattern(e)) {
                    flag = false;
                }
                if (baogao) {
                    record(e, kNotFound);
                }
                return;
            }
            deletematches(*found);
        } else {
            const std::string path = m_in.folder + "/" + e;
            if (!delfile(path) && baogao) {
                record(path, reasonbyexistence(path));
                flag = false;
            }
        }
        return;
    case Mode::Option2:
        if (baogao) {
            record(e, kNotFound);
            flag = false;
        }
        return;
    case Mode::Option3:
        return;
    }
}

void BatchDelete::phase2(const std::string& listpath)
{
    const ListFile list = readfile(listpath, *m_ui);
    if (!list.readable) {
        return;
    }
    if (list.entries.size() == 1 && !list.entries.front().empty()) {
        tableB(list.entries.front());
        return;
    }
    presearch(list.entries);
    for (const auto& e : list.entries) {
        if (stopped()) {
            break;
        }
        tableC(e);
    }
    m_presearched.clear();
    m_deletedsincewalk.clear();
    showresult(flag);
}

void BatchDelete::reportfailures()
{
    if (m_unreported.empty()) {
        return;
    }
    std::string text = "错误报告无法写入（" + m_reporterror + "），以下 " +
                       std::to_string(m_unreported.size()) + " 个未能删除的文件没有记录：";
    for (std::size_t i = 0; i < m_unreported.size() && i < kNamedLines; ++i) {
        text += "\n" + m_unreported[i];
    }
    if (m_unreported.size() > kNamedLines) {
        text += "\n……";
    }
    m_ui->msgbox(text, "文件错误", Icon::Critical);
}

namespace
{

// Whether the run looks up bare names in the chosen folder.
bool needsfolder(const Inputs& in)
{
    const bool barename = !in.T.empty() && !isfullpath(in.T) && in.T.find('/') == std::string::npos;
    return barename || (!in.listpath.empty() && in.mode == Mode::Option1);
}

} // namespace

void BatchDelete::run(const Inputs& in)
{
    m_in = in;
    m_deleted = 0;
    m_unreported.clear();
    m_reporterror.clear();
    zi = in.scan;
    flag = true;
    baogao = in.report;

    // An empty folder text is no folder: bare names would otherwise be looked up from
    // the root ("" + "/" + name).
    if (in.folder.empty() && needsfolder(in)) {
        m_ui->msgbox("请选择要查找文件的文件夹", "操作有误", Icon::Critical);
        return;
    }
    // Bare names are looked up in the chosen folder: no other run may work there meanwhile.
    std::optional<platform::TopFolder> locked;
    if (!in.folder.empty() && needsfolder(in) && !(m_progress && m_progress->rehearsing())) {
        try {
            locked.emplace(in.folder);
            platform::lockfolder(locked->fd(), locked->path());
        } catch (const platform::SysError& e) {
            if (e.reason() == platform::kBusyReason) {
                m_ui->msgbox(platform::busytext(e.path()), "删除操作", Icon::Critical);
                flag = false;
                return;
            }
            locked.reset(); // a folder that cannot be read is reported by the search
        }
    }
    // The run keeps what it deletes, on the chosen folder's file system (or the data
    // folder's, for full paths alone), so it can be undone.
    m_untrashed.clear();
    if (in.trash && !(m_progress && m_progress->rehearsing())) {
        m_trash = std::make_unique<platform::Trash>(); // the trash is the way back
    } else if (!(m_progress && m_progress->rehearsing()) &&
               (!in.T.empty() || !in.listpath.empty())) {
        const platform::Fd data(
            locked ? -1
                   : ::open(platform::datafolder().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!startjournal(locked ? locked->fd() : data.get(), "delete",
                          locked         ? locked->path()
                          : in.T.empty() ? in.listpath
                                         : in.T,
                          *m_ui, m_journal)) {
            flag = false;
            return;
        }
    }
    bool ended = false;
    if (!in.T.empty()) {
        ended = phase1(in.T);
    }
    if (!in.listpath.empty() && !ended && !stopped()) {
        phase2(in.listpath);
    }
    if (in.T.empty() && in.listpath.empty()) {
        m_ui->msgbox("请指定要删除的文件名或文件列表", "操作有误", Icon::Warning);
        if (in.text3enabled) {
            m_ui->focus("Text3");
        }
    }
    reportfailures();
    if (!m_untrashed.empty()) {
        std::string text =
            "以下 " + std::to_string(m_untrashed.size()) + " 个文件未能移入回收站，仍在原处：";
        for (std::size_t i = 0; i < m_untrashed.size() && i < kNamedLines; ++i) {
            text += "\n" + m_untrashed[i];
        }
        if (m_untrashed.size() > kNamedLines) {
            text += "\n……";
        }
        m_ui->msgbox(text, "回收站", Icon::Critical);
    }
    m_trash.reset();
    if (m_journal) {
        m_journal->finish();
        m_journal.reset();
    }
}

} // namespace morvik::batchdel
