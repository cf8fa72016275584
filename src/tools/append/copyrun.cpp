// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/append/copyrun.h"

#include "common/runjournal.h"
#include "platform/fs/backgroundflush.h"
#include "platform/fs/batchcopy.h"
#include "platform/fs/fileops.h"
#include "platform/fs/fsobject.h"
#include "platform/fs/pathname.h"
#include "platform/fs/releaser.h"
#include "platform/fs/rewritefolder.h"
#include "platform/fs/runlock.h"
#include "platform/fs/topfolder.h"
#include "platform/processlimits.h"
#include "platform/syserror.h"
#include "run/folderworkers.h"
#include "run/progress.h"
#include "run/ui.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <iterator>
#include <memory>
#include <mutex>
#include <optional>

namespace morvik::append
{

namespace
{

constexpr const char* kFullWidthColon = "：";
// Source files held open at once by a copy run (fewer under a low descriptor limit).
std::size_t sourcebatch()
{
    return std::min<std::size_t>(256, platform::descriptorbudget() / 2 + 1);
}

std::string joinpath(const std::string& folder, const std::string& name)
{
    return folder + "/" + name;
}

// A failure with the place it had in the file-then-folder order of the copies.
struct PlacedFailure {
    std::size_t name;
    long folder; // -1: the source itself
    morvik::Failure failure;
};

// A subfolder of the target, opened by handle: a real folder must be the one listed; a
// link to a folder is followed only when it leads to a folder inside the target.
platform::Fd opensubfolder(const platform::TopFolder& top, const platform::SubfolderItem& sub,
                           platform::FileId& id)
{
    if (sub.type == platform::kFolderType) {
        return platform::opensubfolder(top.fd(), sub.name, {top.id().device, sub.inode}, sub.path,
                                       true, &id);
    }
    platform::TopFolder::Inside inside = top.resolvelink("", sub.name);
    return platform::opensubfolder(inside.folder.get(), inside.name, {}, sub.path, true, &id);
}

} // namespace

std::string targetfromcaption(const std::string& caption)
{
    const auto colon = caption.find(kFullWidthColon);
    if (colon == std::string::npos) {
        return caption;
    }
    return caption.substr(colon + std::string_view(kFullWidthColon).size());
}

Outcome copyrun(const std::string& sourcefolder, const std::vector<std::string>& names,
                const std::string& targetfolder, Ui& ui, Progress* progress)
{
    const auto stopped = [progress] { return progress && progress->stoprequested(); };
    const bool rehearsing = progress && progress->rehearsing();
    Outcome outcome;
    std::vector<Failure>& failures = outcome.failures;
    // An empty text is no folder: "" + "/" + name would reach the root.
    if (sourcefolder.empty()) {
        outcome.refusal =
            Refusal{kSourceFolderField, Refusal::Problem::Missing, "请在设置中指定源文件目录"};
        return outcome;
    }
    if (targetfolder.empty()) {
        outcome.refusal =
            Refusal{kCopyTargetField, Refusal::Problem::Missing, "请在设置中指定目录文件夹"};
        return outcome;
    }
    // The target folder is resolved once; its subfolders are reached from its handle.
    std::optional<platform::TopFolder> top;
    std::vector<platform::SubfolderItem> subfolders;
    try {
        top.emplace(targetfolder);
        if (!rehearsing) {
            platform::lockfolder(top->fd(), top->path());
        }
        const platform::Fd listing(::openat(top->fd(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (listing.get() < 0) {
            throw platform::SysError(top->path(), errno);
        }
        subfolders = platform::readfolder(listing.get(), top->path()).subfolders;
    } catch (const platform::SysError& e) {
        failures.push_back({e.path(), e.reason()});
    }
    if (progress) {
        progress->addfound(names.size() * subfolders.size());
    }

    // Sources are opened once each, a batch at a time so that open files stay well below
    // the process's limit; a source gone since the list was read fails once, not per
    // folder. Within a batch the copies go folder by folder, so each subfolder is opened
    // once and its copies are made relative to it; the failures are then put in
    // file-then-folder order.
    std::vector<PlacedFailure> found;
    platform::SyncSet written;
    std::unique_ptr<platform::Journal> journal;
    if (top && !rehearsing && !subfolders.empty() && !names.empty() &&
        !startjournal(top->fd(), "copy", top->path(), ui, journal)) {
        return outcome; // the journal's own message has been shown
    }
    const std::unique_ptr<platform::Releaser> replaced =
        platform::runreleaser(top ? top->fd() : -1, journal != nullptr);
    const bool ondisk = !top || platform::ondisk(top->fd());
    const std::unique_ptr<platform::BackgroundFlush> flush = platform::runflush(
        top ? top->fd() : -1, top ? top->path() : std::string(), ondisk && !rehearsing);
    std::shared_mutex space;
    const platform::RunScope scope{
        top ? &*top : nullptr, replaced.get(), nullptr, journal.get(), &space, ondisk, flush.get()};
    const std::size_t batch = sourcebatch();
    const unsigned workers = folderworkers(subfolders.size(), rehearsing);
    std::mutex writtenmutex;
    std::atomic<std::size_t> copied{0}; // counted by every worker
    for (std::size_t first = 0; first < names.size() && !subfolders.empty() && !stopped();
         first += batch) {
        const std::size_t last = std::min(names.size(), first + batch);
        std::vector<std::unique_ptr<platform::SourceFile>> sources(last - first);
        for (std::size_t n = first; n < last; ++n) {
            try {
                sources[n - first] =
                    std::make_unique<platform::SourceFile>(joinpath(sourcefolder, names[n]));
            } catch (const platform::SysError& e) {
                found.push_back({n, -1, {e.path(), e.reason()}});
            }
        }
        // Subfolders are shared out among workers; each notes its failures in its
        // folder's slot, and the slots are sorted below into file-then-folder order.
        std::vector<std::vector<PlacedFailure>> infolder(subfolders.size());
        const auto copyintofolder = [&](std::size_t i, unsigned) {
            if (stopped()) {
                return;
            }
            const platform::SubfolderItem& sub = subfolders[i];
            if (progress) {
                progress->setfolder(sub.path);
            }
            platform::Fd handle;
            platform::FileId id;
            try {
                handle = opensubfolder(*top, sub, id);
            } catch (const platform::SysError& e) {
                // Not entered: the folder is named once, its copies counted as failed.
                if (first == 0) {
                    infolder[i].push_back({first, static_cast<long>(i), {e.path(), e.reason()}});
                }
                for (std::size_t n = first; n < last && progress; ++n) {
                    progress->filedone(false);
                }
                return;
            }
            const platform::RewriteFolder folder(handle.get(), sub.path, sub.name, id, scope);
            bool touched = false;
            for (std::size_t n = first; n < last && !stopped(); ++n) {
                if (!sources[n - first]) {
                    continue;
                }
                bool ok = false;
                try {
                    if (rehearsing) {
                        ok = progress->rehearse(folder.join(names[n]));
                    } else {
                        sources[n - first]->copyto(folder, names[n]);
                        touched = ok = true;
                        copied.fetch_add(1, std::memory_order_relaxed);
                    }
                } catch (const platform::SysError& e) {
                    infolder[i].push_back({n, static_cast<long>(i), {e.path(), e.reason()}});
                }
                if (progress) {
                    progress->filedone(ok);
                }
            }
            if (touched) {
                const std::lock_guard lock(writtenmutex);
                if (folder.device() != 0) {
                    written.add(folder.device(), folder.path());
                } else {
                    written.add(folder.path());
                }
            }
        };
        runonworkers(0, subfolders.size(), workers, copyintofolder);
        for (std::vector<PlacedFailure>& failed : infolder) {
            std::move(failed.begin(), failed.end(), std::back_inserter(found));
        }
    }
    outcome.done = copied.load();
    std::stable_sort(found.begin(), found.end(),
                     [](const PlacedFailure& a, const PlacedFailure& b) {
                         return a.name != b.name ? a.name < b.name : a.folder < b.folder;
                     });
    for (auto& f : found) {
        failures.push_back(std::move(f.failure));
    }
    if (replaced) {
        replaced->drain();
    }
    if (journal) {
        journal->finish();
    }
    if (flush) {
        for (const auto& error : flush->finish()) {
            failures.push_back({targetfolder, error});
        }
    }
    for (const auto& error : written.flush()) {
        failures.push_back({targetfolder, error});
    }

    outcome.stopped = stopped();
    if (failures.empty() && !outcome.stopped) {
        outcome.notice(Notice::Kind::Done);
    }
    return outcome;
}

bool addsourcefile(const std::string& chosen, const std::string& sourcefolder, Ui& ui)
{
    const std::string destination = joinpath(sourcefolder, std::string(platform::leafname(chosen)));
    if (platform::samefile(chosen, destination)) {
        return true; // it already lies in the source folder
    }
    try {
        platform::copyfile(chosen, destination);
        return true;
    } catch (const platform::SysError& e) {
        ui.msgbox("文件 " + chosen + " 未能添加到 " + sourcefolder + "：" + e.reason(), "文件添加",
                  Icon::Critical);
        return false;
    }
}

bool deletesourcefile(const std::string& sourcefolder, const std::string& name, Ui& ui)
{
    if (name.empty()) {
        ui.msgbox("请先选中要删除的文件。", "文件删除错误", Icon::Warning);
        ui.focus("File1");
        return false;
    }
    if (ui.msgbox("真的要删除 " + name + " 吗？", "文件删除", Icon::None,
                  Buttons::YesNoDefaultNo) != Answer::Yes) {
        return false;
    }
    const std::string path = joinpath(sourcefolder, name);
    std::string reason;
    switch (platform::deletefile(path, &reason)) {
    case platform::DeleteResult::Deleted:
        return true;
    case platform::DeleteResult::NotFound:
    case platform::DeleteResult::Refused:
        break;
    }
    ui.msgbox("文件 " + path + " 未能删除：" + reason, "文件删除错误", Icon::Critical);
    return false;
}

} // namespace morvik::append
