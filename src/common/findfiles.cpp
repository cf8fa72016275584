// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/findfiles.h"

#include "platform/fsobject.h"
#include "platform/syserror.h"
#include "platform/wildcard.h"

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
    unreadable.insert(unreadable.end(), std::make_move_iterator(other.unreadable.begin()),
                      std::make_move_iterator(other.unreadable.end()));
    other.unreadable.clear();
}

namespace
{

void walk(const Folder& folder, const std::string& pattern, bool wild, bool descend, int depth,
          MatchList& result)
{
    std::vector<std::string>& out = result.paths;

    if (platform::anyvisiblematch(folder, pattern)) {
        if (!wild) {
            // The name as the caller wrote it, not as it is stored.
            out.push_back(folder.join(pattern));
        } else {
            for (const platform::FileItem& file : folder.files) {
                if (platform::wildcardmatch(pattern, file.name)) {
                    std::string& entry = out.emplace_back();
                    entry.reserve(folder.path.size() + 1 + file.name.size());
                    entry += folder.path;
                    entry += '/';
                    entry += file.name;
                }
            }
        }
    }

    if (!descend || depth == 0) {
        return;
    }
    const int next = depth == 100 ? 100 : depth - 1;
    for (const platform::SubfolderItem& sub : folder.subfolders) {
        if (sub.type != platform::kFolderType) {
            continue;
        }
        Folder subfolder;
        try {
            subfolder = platform::getfolder(sub.path);
        } catch (const platform::SysError& e) {
            result.unreadable.push_back({sub.path, e.reason()});
            continue;
        }
        walk(subfolder, pattern, wild, true, next, result);
    }
}

} // namespace

MatchList findfiles(const std::string& folder, const std::string& pattern, bool descend,
                    std::int16_t depth)
{
    MatchList result;
    walk(platform::getfolder(folder), pattern, platform::haswildcard(pattern), descend, depth,
         result);
    return result;
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
