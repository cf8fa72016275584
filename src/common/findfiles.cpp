// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/findfiles.h"

#include "platform/fs/fsobject.h"
#include "platform/syserror.h"
#include "platform/text/wildcard.h"

#include <cerrno>
#include <fcntl.h>
#include <iterator>

namespace morvik
{

using platform::Folder;

std::string MatchList::text() const
{
    std::size_t total = 0;
    for (const std::string& p : paths) {
        total += p.size() + 1;
    }
    std::string out;
    out.reserve(total);
    for (const std::string& p : paths) {
        out += p;
        out += ',';
    }
    return out;
}

std::string MatchList::joined() const
{
    std::string out = text();
    if (!out.empty()) {
        out.pop_back();
    }
    return out;
}

void MatchList::append(MatchList&& other)
{
    if (paths.empty()) {
        paths = std::move(other.paths);
    } else {
        paths.insert(paths.end(), std::make_move_iterator(other.paths.begin()),
                     std::make_move_iterator(other.paths.end()));
    }
    other.paths.clear();
    folders.insert(folders.end(), std::make_move_iterator(other.folders.begin()),
                   std::make_move_iterator(other.folders.end()));
    other.folders.clear();
    if (!top) {
        top = std::move(other.top);
    }
    unreadable.insert(unreadable.end(), std::make_move_iterator(other.unreadable.begin()),
                      std::make_move_iterator(other.unreadable.end()));
    other.unreadable.clear();
}

namespace
{

struct Rule {
    const std::string& pattern;
    bool wild;
};

// One walk for every pattern: each folder is read once and every pattern takes its
// matches from the same listing, in the order a walk for that pattern alone would give.
struct Walk {
    std::vector<Rule> rules;
    std::vector<MatchList>& results;
    std::vector<UnreadableFolder> unreadable;
};

void matchfolder(const Folder& folder, const std::string& relative, const platform::FileId& id,
                 const Rule& rule, MatchList& result)
{
    std::vector<std::string>& out = result.paths;
    const std::size_t before = out.size();
    if (platform::anyvisiblematch(folder, rule.pattern)) {
        if (!rule.wild) {
            // The name as the caller wrote it, not as it is stored.
            out.push_back(folder.join(rule.pattern));
        } else {
            for (const platform::FileItem& file : folder.files) {
                if (platform::wildcardmatch(rule.pattern, file.name)) {
                    std::string& entry = out.emplace_back();
                    entry.reserve(folder.path.size() + 1 + file.name.size());
                    entry += folder.path;
                    entry += '/';
                    entry += file.name;
                }
            }
        }
    }
    if (out.size() > before) {
        result.folders.push_back({relative, id, out.size() - before});
    }
}

void walk(int fd, const std::string& path, const std::string& relative, const platform::FileId& id,
          Walk& state, bool descend, int depth)
{
    const Folder folder = platform::readfolder(fd, path);
    for (std::size_t i = 0; i < state.rules.size(); ++i) {
        matchfolder(folder, relative, id, state.rules[i], state.results[i]);
    }

    if (!descend || depth == 0) {
        return;
    }
    const int next = depth == 100 ? 100 : depth - 1;
    for (const platform::SubfolderItem& sub : folder.subfolders) {
        // Links are not walked into; nor are undo journals kept at the top of a mount.
        if (sub.type != platform::kFolderType || sub.name.starts_with(".morvik-undo-")) {
            continue;
        }
        platform::FileId subid;
        platform::Fd subfolder;
        try {
            subfolder = platform::opensubfolder(fd, sub.name, {id.device, sub.inode}, sub.path,
                                                false, &subid);
            walk(subfolder.get(), sub.path, relative.empty() ? sub.name : relative + "/" + sub.name,
                 subid, state, true, next);
        } catch (const platform::SysError& e) {
            state.unreadable.push_back({sub.path, e.reason()});
        }
    }
}

} // namespace

std::vector<MatchList> findfiles(const platform::TopFolder& top,
                                 const std::vector<std::string>& patterns, bool descend,
                                 std::int16_t depth)
{
    std::vector<MatchList> results(patterns.size());
    if (patterns.empty()) {
        return results;
    }
    // A handle of its own, so the top's listing starts at its first entry every time.
    const platform::Fd listing(::openat(top.fd(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (listing.get() < 0) {
        throw platform::SysError(top.path(), errno);
    }
    Walk state{{}, results, {}};
    state.rules.reserve(patterns.size());
    for (const std::string& pattern : patterns) {
        state.rules.push_back({pattern, platform::haswildcard(pattern)});
    }
    walk(listing.get(), top.path(), "", top.id(), state, descend, depth);
    // Every pattern's walk would have met the same unreadable folders.
    for (std::size_t i = 0; i + 1 < results.size(); ++i) {
        results[i].unreadable = state.unreadable;
    }
    results.back().unreadable = std::move(state.unreadable);
    return results;
}

std::vector<MatchList> findfiles(const std::string& folder,
                                 const std::vector<std::string>& patterns, bool descend,
                                 std::int16_t depth)
{
    auto top = std::make_shared<const platform::TopFolder>(folder);
    std::vector<MatchList> results = findfiles(*top, patterns, descend, depth);
    for (MatchList& result : results) {
        result.top = top;
    }
    return results;
}

MatchList findfiles(const platform::TopFolder& top, const std::string& pattern, bool descend,
                    std::int16_t depth)
{
    return std::move(findfiles(top, std::vector<std::string>{pattern}, descend, depth).front());
}

MatchList findfiles(const std::string& folder, const std::string& pattern, bool descend,
                    std::int16_t depth)
{
    return std::move(findfiles(folder, std::vector<std::string>{pattern}, descend, depth).front());
}

std::string splitpath(const std::string& path, bool wantname)
{
    if (path.empty()) {
        return {};
    }
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return wantname ? path : std::string();
    }
    return wantname ? path.substr(slash + 1) : path.substr(0, slash + 1);
}

} // namespace morvik
