// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/append/contentrun.h"

#include "common/dbrecord.h"
#include "common/runjournal.h"
#include "platform/fs/backgroundflush.h"
#include "platform/fs/fileops.h"
#include "platform/fs/fsobject.h"
#include "platform/fs/pathname.h"
#include "platform/fs/releaser.h"
#include "platform/fs/rewritefolder.h"
#include "platform/fs/runlock.h"
#include "platform/syserror.h"
#include "platform/text/codec.h"
#include "run/folderworkers.h"
#include "run/progress.h"
#include "run/ui.h"
#include "tools/append/insert.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string_view>

namespace morvik::append
{

namespace
{

// What went wrong in one span of a content run, kept apart: most spans have nothing to say.
struct SpanTrouble {
    std::vector<FileFailure> failures;
    std::optional<FileFailure> unentered; // why its folder could not be entered
};

// What happened in one span of a content run.
struct FolderResult {
    std::uint32_t done = 0;      // targets handled, of a span's at most 256
    bool lastresult = false;     // what its last target gave
    bool tried = false;          // it was entered, or failed to be
    bool locatorchecked = false; // a target was handed to the insertion
    std::unique_ptr<SpanTrouble> trouble;

    SpanTrouble& troubled()
    {
        if (!trouble) {
            trouble = std::make_unique<SpanTrouble>();
        }
        return *trouble;
    }
    const FileFailure* unentered() const
    {
        return trouble && trouble->unentered ? &*trouble->unentered : nullptr;
    }
};

std::string trimspaces(const std::string& text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

std::vector<std::string> splitat(const std::string& text, char separator)
{
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (;;) {
        const auto at = text.find(separator, start);
        pieces.push_back(text.substr(start, at == std::string::npos ? at : at - start));
        if (at == std::string::npos) {
            return pieces;
        }
        start = at + 1;
    }
}

struct Walk {
    bool descend = false;
    std::int16_t depth = 0;
};

Walk scopewalk(Scope scope)
{
    switch (scope) {
    case Scope::CurrSub:
        return {true, 1};
    case Scope::All:
        return {true, 100};
    case Scope::Cur:
    case Scope::None:
        break;
    }
    return {false, 0};
}

struct Content {
    std::string text; // every line followed by CR LF
    platform::Encoding encoding = platform::Encoding::Utf8;
};

Content readcontent(const std::string& path)
{
    Content content;
    const std::string bytes = platform::readbytes(path);
    const std::string text = platform::decode(bytes, &content.encoding);
    for (const auto& line : platform::splitlines(text)) {
        content.text += line;
        content.text += "\r\n";
    }
    return content;
}

// Where a rehearsal edits its copies: a private folder, removed with what it holds.
class Scratch
{
public:
    Scratch()
    {
        std::string name = (std::filesystem::temp_directory_path() / "morvik-XXXXXX").string();
        if (!mkdtemp(name.data())) {
            throw platform::SysError(name, errno);
        }
        m_folder = name;
    }
    ~Scratch()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;

    // A copy of the file to edit in its place.
    std::string copyof(const std::string& path) const
    {
        const std::string copy = m_folder + "/target";
        std::filesystem::remove(copy);
        platform::copyfile(path, copy);
        return copy;
    }

private:
    std::string m_folder;
};

// Where each pattern's spans end, the last at the end of all spans.
std::vector<std::size_t> patternends(const MatchList& targets, const std::vector<MatchSpan>& spans)
{
    std::vector<std::size_t> ends;
    std::size_t span = 0;
    for (std::size_t part = 1; part < targets.patternstarts.size(); ++part) {
        while (span < spans.size() && spans[span].folder < targets.patternstarts[part]) {
            ++span;
        }
        ends.push_back(span);
    }
    ends.push_back(spans.size());
    return ends;
}

} // namespace

std::string scopekey(Scope scope)
{
    switch (scope) {
    case Scope::Cur:
        return "cur";
    case Scope::CurrSub:
        return "currsub";
    case Scope::All:
        return "all";
    case Scope::None:
        break;
    }
    return {};
}

Scope scopefromkey(const std::string& key)
{
    if (key == "cur") {
        return Scope::Cur;
    }
    if (key == "currsub") {
        return Scope::CurrSub;
    }
    if (key == "all") {
        return Scope::All;
    }
    return Scope::None;
}

MatchList thelist(const std::string& folderpath, const std::string& filetype,
                  bool includesubfolders, std::int16_t depth)
{
    return thelist(platform::TopFolder(folderpath), filetype, includesubfolders, depth);
}

MatchList thelist(const platform::TopFolder& top, const std::string& filetype,
                  bool includesubfolders, std::int16_t depth)
{
    std::vector<std::string> patterns;
    for (auto& pattern : splitat(filetype, '|')) {
        // The walker reads an empty pattern as the folder itself, which is no file.
        if (!pattern.empty()) {
            patterns.push_back(std::move(pattern));
        }
    }
    // One walk for all patterns; the targets still come pattern after pattern, so a file
    // two patterns match is listed (and processed) once for each, in the patterns' order.
    MatchList targets;
    for (MatchList& found : findfiles(top, patterns, includesubfolders, depth)) {
        targets.patternstarts.push_back(targets.folders.size());
        targets.append(std::move(found));
    }
    // Every pattern walks the same folders: name each unreadable one once.
    auto& folders = targets.unreadable;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        for (std::size_t j = folders.size(); j-- > i + 1;) {
            if (folders[j].path == folders[i].path) {
                folders.erase(folders.begin() + static_cast<std::ptrdiff_t>(j));
            }
        }
    }
    return targets;
}

std::string jointypes(const std::vector<std::string>& types)
{
    std::string joined;
    for (std::size_t i = 0; i < types.size(); ++i) {
        if (i > 0) {
            joined += '|';
        }
        joined += types[i];
    }
    return joined;
}

std::vector<std::string> splittypes(const std::string& stored)
{
    const std::string trimmed = trimspaces(stored);
    if (trimmed.empty()) {
        return {};
    }
    return splitat(trimmed, '|');
}

bool savetypes(const std::vector<std::string>& types, Ui& ui)
{
    try {
        dbrecord(dbpath(), "appendtype", true, jointypes(types), "设置要追加内容的文件类型");
        return true;
    } catch (const platform::SysError& e) {
        ui.msgbox(savefailuretext(dbpath(), e.reason()), "文件类型", Icon::Critical);
        return false;
    }
}

bool addtype(std::vector<std::string>& types, Ui& ui)
{
    const auto answer = ui.inputbox("请输入新文件类型,如*.txt", "文件类型");
    if (!answer || answer->empty()) {
        return false;
    }
    const std::string trimmed = trimspaces(*answer);
    for (const auto& type : types) {
        if (type == trimmed) {
            ui.msgbox("文件类型已存在！", "文件类型错误", Icon::Critical);
            return false;
        }
    }
    types.push_back(*answer);
    savetypes(types, ui);
    return true;
}

bool deletetype(std::vector<std::string>& types, int selected, Ui& ui)
{
    if (selected < 0 || static_cast<std::size_t>(selected) >= types.size()) {
        return false;
    }
    types.erase(types.begin() + selected);
    savetypes(types, ui);
    return true;
}

Outcome contentrun(const ContentSettings& settings, Ui& ui, Progress* progress)
{
    Outcome outcome;
    const auto refuse = [&outcome](const char* field, Refusal::Problem problem,
                                   std::string message) {
        outcome.refusal = Refusal{field, problem, std::move(message)};
        return outcome;
    };
    if (settings.contentfile.empty()) {
        return refuse(kContentFileField, Refusal::Problem::Missing, "请指定源文件");
    }
    if (!platform::visiblefileexists(settings.contentfile)) {
        return refuse(kContentFileField, Refusal::Problem::NotFound,
                      "文件不存在，请将源文件设置为已经存在的文件");
    }
    Content content;
    try {
        if (platform::filesize(settings.contentfile) == 0) {
            return refuse(kContentFileField, Refusal::Problem::Empty,
                          "源文件是空的，请指定有效的文件。");
        }
        content = readcontent(settings.contentfile);
    } catch (const platform::SysError& e) {
        return refuse(kContentFileField, Refusal::Problem::Unreadable,
                      "无法读取源文件 " + settings.contentfile + "：" + e.reason());
    }

    // An empty box is no folder: it must never stand for the working folder.
    if (settings.targetfolder.empty()) {
        return refuse(kTargetFolderField, Refusal::Problem::Missing, "请指定目标文件夹");
    }

    // The folder is resolved once; every folder of the run is reached from its handle.
    std::optional<platform::TopFolder> top;
    MatchList targets;
    if (settings.scope != Scope::None) {
        const Walk walk = scopewalk(settings.scope);
        try {
            top.emplace(settings.targetfolder);
            if (!(progress && progress->rehearsing())) {
                platform::lockfolder(top->fd(), top->path());
            }
            targets = thelist(*top, jointypes(settings.types), walk.descend, walk.depth);
        } catch (const platform::SysError& e) {
            if (e.reason() == platform::kBusyReason) {
                return refuse(kTargetFolderField, Refusal::Problem::Busy,
                              platform::busytext(e.path()));
            }
            return refuse(kTargetFolderField, Refusal::Problem::Unreadable,
                          "无法读取文件夹 " + e.path() + "：" + e.reason());
        }
    }

    // Text goes into a file of plain ASCII in the encoding the content file was written in.
    const platform::Encoding plain = content.encoding == platform::Encoding::Gbk
                                         ? platform::Encoding::Gbk
                                         : platform::Encoding::Utf8;
    for (const auto& folder : targets.unreadable) {
        outcome.failures.push_back({folder.path, folder.reason});
    }

    platform::SyncSet written;
    platform::HandledFiles handled(targets.links);
    std::unique_ptr<platform::Journal> journal;
    if (top && !(progress && progress->rehearsing()) && !targets.empty() &&
        !startjournal(top->fd(), "insert", top->path(), ui, journal)) {
        return outcome;
    }
    const std::unique_ptr<platform::Releaser> replaced =
        platform::runreleaser(top ? top->fd() : -1, journal != nullptr);
    const bool rehearsing = progress && progress->rehearsing();
    const bool ondisk = !top || platform::ondisk(top->fd());
    const std::unique_ptr<platform::BackgroundFlush> flush = platform::runflush(
        top ? top->fd() : -1, top ? top->path() : std::string(), ondisk && !rehearsing);
    std::shared_mutex space;
    const platform::RunScope scope{top ? &*top : nullptr,
                                   replaced.get(),
                                   &handled,
                                   journal.get(),
                                   &space,
                                   ondisk,
                                   flush.get()};
    std::unique_ptr<Scratch> scratch;
    const auto stopped = [progress] { return progress && progress->stoprequested(); };
    if (progress) {
        progress->addfound(targets.size());
    }
    // Set when appendtofile rejects the locator (it has told the user why): the run ends.
    bool locatorrejected = false;
    // What the last call of appendtofile returned: the success message needs it true.
    bool lastresult = false;
    // Targets come folder by folder, in spans: a span's folder is opened by handle from
    // the top folder and checked to be the one the walk listed, and its files are read
    // and rewritten relative to it. Spans are shared out among workers; each keeps what
    // happened in its span's slot, and the slots are read in the walk's order, so
    // failures are listed as a single worker would list them.
    const std::vector<MatchSpan> spans =
        spansof(targets, folderworkers(targets.size(), rehearsing));
    std::vector<FolderResult> results(spans.size());
    const unsigned workers = folderworkers(spans.size(), rehearsing);
    std::vector<std::optional<platform::FolderCursor>> cursors(workers);
    // A reader a worker: paths read from the spill file are read back a chunk at a time.
    std::vector<PathList::Reader> readers(workers, PathList::Reader(targets.paths));
    std::mutex writtenmutex;
    const auto insertfolder = [&](std::size_t index, unsigned worker) {
        const MatchedFolder span = targets.folders[spans[index].folder];
        FolderResult& result = results[index];
        if (stopped() || locatorrejected) {
            return;
        }
        // The span's paths, read one after another.
        PathList::Reader& paths = readers[worker];
        const std::string relative = relativefolder(*top, paths[spans[index].first]);
        const std::string folderpath = top->display(relative);
        const std::size_t first = spans[index].first;
        const std::size_t end = first + spans[index].count;
        if (progress) {
            progress->setfolder(folderpath);
        }
        if (!cursors[worker]) {
            cursors[worker].emplace(*top);
        }
        std::optional<platform::RewriteFolder> folder;
        try {
            folder.emplace(cursors[worker]->open(relative, span.id), folderpath, relative, span.id,
                           scope);
            if (!rehearsing) {
                const std::lock_guard lock(writtenmutex);
                written.add(folder->device(), folder->path());
            }
        } catch (const platform::SysError& e) {
            // Not entered: none of its files is touched.
            result.troubled().unentered = FileFailure{e.path(), e.reason()};
            result.lastresult = false;
            result.tried = true;
            for (std::size_t k = first; k < end && progress; ++k) {
                progress->filedone(false);
            }
            return;
        }
        for (std::size_t k = first; k < end; ++k) {
            if (stopped()) {
                break;
            }
            const std::string& target = paths[k];
            result.tried = true;
            result.locatorchecked = true;
            bool failed = false;
            try {
                if (rehearsing) {
                    // The run is tried on a copy; only a target it would change is named.
                    // The read refuses what the run would refuse (a link leading out).
                    platform::ReadState state;
                    folder->read(std::string(platform::leafname(target)), state);
                    if (!scratch) {
                        scratch = std::make_unique<Scratch>();
                    }
                    const std::string copy = scratch->copyof(target);
                    result.lastresult = appendtofile(copy, content.text, settings.position,
                                                     locatorrejected, ui, plain);
                    if (result.lastresult &&
                        platform::readbytes(copy) != platform::readbytes(target)) {
                        result.lastresult = progress->rehearse(target);
                    }
                } else {
                    const std::string name(platform::leafname(target));
                    const auto insert = [&] {
                        return appendtofileat(*folder, name, content.text, settings.position,
                                              locatorrejected, ui, plain);
                    };
                    try {
                        result.lastresult = insert();
                    } catch (const platform::ChangedError&) {
                        result.lastresult = insert(); // read again: once
                    }
                }
            } catch (const platform::AlreadyHandled&) {
                result.lastresult = true; // reached before, through a link or another pattern
            } catch (const platform::SysError& e) {
                result.lastresult = false;
                failed = true;
                result.troubled().failures.push_back(
                    {e.path().empty() || rehearsing ? target : e.path(), e.reason()});
            } catch (const std::bad_alloc&) {
                // A page too large for the memory the process may take fails alone.
                result.lastresult = false;
                failed = true;
                result.troubled().failures.push_back({target, std::strerror(ENOMEM)});
            }
            if (result.lastresult) {
                ++result.done;
            }
            if (progress) {
                progress->filedone(!failed);
            }
            if (locatorrejected) {
                break;
            }
        }
    };
    // The locator is checked at the first target (a rejected one stops the run with one
    // message), so folders go one at a time until a target has been tried.
    std::size_t next = 0;
    for (; next < results.size() && !stopped() && !locatorrejected; ++next) {
        insertfolder(next, 0);
        if (results[next].locatorchecked) {
            ++next;
            break;
        }
    }
    // A file two patterns match is rewritten once for each, the second time over what the
    // first wrote; were both rewrites at work at once, one would replace the other's
    // result. So each pattern's spans start when the spans before them are done.
    for (const std::size_t end : patternends(targets, spans)) {
        if (stopped() || locatorrejected) {
            break;
        }
        if (next < end) {
            runonworkers(next, end, workers, insertfolder);
            next = end;
        }
    }
    for (std::size_t i = 0; i < results.size(); ++i) {
        FolderResult& result = results[i];
        // A folder that could not be entered is named once, not once per span.
        const FileFailure* unentered = result.unentered();
        const FileFailure* before = i > 0 ? results[i - 1].unentered() : nullptr;
        const bool named = before && unentered && spans[i - 1].folder == spans[i].folder &&
                           before->reason == unentered->reason;
        if (unentered && !named) {
            outcome.failures.push_back(*unentered);
        }
        outcome.done += result.done;
        if (result.tried) {
            lastresult = result.lastresult;
        }
        if (result.trouble) {
            std::move(result.trouble->failures.begin(), result.trouble->failures.end(),
                      std::back_inserter(outcome.failures));
        }
    }
    if (replaced) {
        replaced->drain();
    }
    if (journal) {
        journal->finish();
    }
    if (flush) {
        for (const auto& error : flush->finish()) {
            outcome.failures.push_back({settings.targetfolder, error});
        }
    }
    for (const auto& error : written.flush()) {
        outcome.failures.push_back({settings.targetfolder, error});
    }

    if (locatorrejected) {
        outcome.refusal = Refusal{kPositionField, Refusal::Problem::Invalid, {}};
    }
    outcome.stopped = stopped();
    if (outcome.failures.empty() && lastresult && !outcome.stopped) {
        outcome.notice(Notice::Kind::Done);
    }
    return outcome;
}

} // namespace morvik::append
