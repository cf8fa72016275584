// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/findfiles.h"

#include "common/spillfile.h"
#include "platform/fs/fsobject.h"
#include "platform/syserror.h"
#include "platform/text/wildcard.h"
#include "run/folderworkers.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <iterator>
#include <limits>
#include <memory>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace morvik
{

using platform::Folder;

std::string MatchList::text() const
{
    std::string out;
    out.reserve(paths.characters() + paths.size());
    for (const std::string& path : paths) {
        out += path;
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
    paths.append(std::move(other.paths));
    folders.append(std::move(other.folders));
    links = links || other.links;
    if (!top) {
        top = std::move(other.top);
    }
    unreadable.insert(unreadable.end(), std::make_move_iterator(other.unreadable.begin()),
                      std::make_move_iterator(other.unreadable.end()));
    other.unreadable.clear();
}

SpanSource::SpanSource(const MatchList& matches, unsigned workers)
    : m_folder(matches.folders.begin())
{
    if (matches.size() > std::numeric_limits<std::uint32_t>::max()) {
        throw std::length_error("more matches than a run can count");
    }
    // About eight spans a worker over the whole run, and never more than 256 files in
    // one: small enough to even out, large enough that opening a folder again per span
    // costs nothing.
    m_most = std::clamp<std::size_t>(matches.size() / (8 * std::max(1u, workers)), 1, 256);
    for (const MatchedFolder& folder : matches.folders) {
        m_count += std::max<std::size_t>(1, (folder.count + m_most - 1) / m_most);
    }
}

std::pair<MatchSpan, MatchedFolder> SpanSource::next()
{
    const MatchedFolder folder = *m_folder;
    const MatchSpan span{m_folderindex, static_cast<std::uint32_t>(m_first + m_within),
                         static_cast<std::uint32_t>(std::min(m_most, folder.count - m_within))};
    m_within += m_most;
    if (m_within >= folder.count) {
        m_first += folder.count;
        m_within = 0;
        ++m_folder;
        ++m_folderindex;
    }
    return {span, folder};
}

std::vector<MatchSpan> spansof(const MatchList& matches, unsigned workers)
{
    SpanSource source(matches, workers);
    std::vector<MatchSpan> spans;
    spans.reserve(source.size());
    for (std::size_t i = 0; i < source.size(); ++i) {
        spans.push_back(source.next().first);
    }
    return spans;
}

namespace
{

struct Rule {
    const std::string& pattern;
    bool wild;
};

// The identity of a folder the walk has open, asked of the system only when one of its
// files matches (most folders of a sparse search have none), and never for a walk that
// only looks.
class FolderIdentity
{
public:
    FolderIdentity(int fd, const std::string& path, bool wanted, const platform::FileId& known = {})
        : m_fd(fd), m_path(path), m_id(known), m_asked(!wanted || known.known())
    {
    }
    const platform::FileId& get()
    {
        if (!m_asked) {
            struct stat st {
            };
            if (::fstat(m_fd, &st) != 0) {
                throw platform::SysError(m_path, errno);
            }
            m_id = {static_cast<unsigned long long>(st.st_dev),
                    static_cast<unsigned long long>(st.st_ino)};
            m_asked = true;
        }
        return m_id;
    }

private:
    int m_fd;
    const std::string& m_path;
    platform::FileId m_id;
    bool m_asked;
};

// One walk for every pattern: each folder is read once and every pattern takes its
// matches from the same listing, in the order a walk for that pattern alone would give.
struct Walk {
    std::vector<Rule> rules;
    std::vector<MatchList>& results;
    std::vector<UnreadableFolder> unreadable;
    bool identify = true; // the folder records carry the folders' identities
    // Where the match lists put the chunks they fill, shared by the whole walk.
    std::shared_ptr<SpillFile> spill;
};

// What a branch's lists may keep in memory once its walk has ended: more goes to the
// spill file, so that a walk of many branches holds little more than the ones being
// walked.
constexpr std::size_t kRestBytes = 16 * 1024;

void spillto(std::vector<MatchList>& results, const std::shared_ptr<SpillFile>& spill)
{
    for (MatchList& result : results) {
        result.paths.spillto(spill);
        result.folders.spillto(spill);
    }
}

void spillrest(std::vector<MatchList>& results)
{
    for (MatchList& result : results) {
        result.paths.spillrest(kRestBytes);
        result.folders.spillrest(kRestBytes / sizeof(MatchedFolder));
    }
}

// The folder's identity is taken before its first match is added, so a folder whose
// identity cannot be had adds nothing.
void matchfolder(const Folder& folder, FolderIdentity& id, const Rule& rule, MatchList& result)
{
    PathList& out = result.paths;
    const std::size_t before = out.size();
    if (platform::anyvisiblematch(folder, rule.pattern)) {
        if (!rule.wild) {
            id.get();
            // The name as the caller wrote it, not as it is stored.
            out.push_back(folder.join(rule.pattern));
            result.links =
                result.links || std::any_of(folder.files.begin(), folder.files.end(),
                                            [&](const platform::FileItem& file) {
                                                return file.link && file.name == rule.pattern;
                                            });
        } else {
            for (const platform::FileItem& file : folder.files) {
                if (platform::wildcardmatch(rule.pattern, file.name)) {
                    if (out.size() == before) {
                        id.get();
                    }
                    out.pushjoined(folder.path, file.name);
                    result.links = result.links || file.link;
                }
            }
        }
    }
    if (out.size() > before) {
        result.folders.push_back({id.get(), out.size() - before});
    }
}

void walk(int fd, const std::string& path, FolderIdentity& id, Walk& state, bool descend,
          int depth);

bool walkedinto(const platform::SubfolderItem& sub)
{
    // Links are not walked into; nor are undo journals kept at the top of a mount.
    return sub.type == platform::kFolderType && !sub.name.starts_with(".morvik-undo-");
}

// Walks the subfolder `sub` of the folder open as `parent`, or notes why it could not be
// entered. The folder walked is the one its name leads to when it is opened.
void walksubfolder(int parent, const platform::SubfolderItem& sub, Walk& state, int depth)
{
    platform::Fd subfolder;
    try {
        subfolder = platform::opensubfolder(parent, sub.name, {}, sub.path);
        FolderIdentity id(subfolder.get(), sub.path, state.identify);
        walk(subfolder.get(), sub.path, id, state, true, depth);
    } catch (const platform::SysError& e) {
        state.unreadable.push_back({sub.path, e.reason()});
    }
}

int nextdepth(int depth)
{
    return depth == 100 ? 100 : depth - 1;
}

void walk(int fd, const std::string& path, FolderIdentity& id, Walk& state, bool descend, int depth)
{
    const Folder folder = platform::readfolder(fd, path);
    for (std::size_t i = 0; i < state.rules.size(); ++i) {
        matchfolder(folder, id, state.rules[i], state.results[i]);
    }

    if (!descend || depth == 0) {
        return;
    }
    for (const platform::SubfolderItem& sub : folder.subfolders) {
        if (walkedinto(sub)) {
            walksubfolder(fd, sub, state, nextdepth(depth));
        }
    }
}

// A folder of a walk shared out among workers. The first levels are read one folder at
// a time; the subfolders below them become branches, each walked whole by one worker.
// Putting every folder's matches first and its subfolders' after, in listing order,
// gives the order of a walk by one thread.
struct Branch {
    std::vector<MatchList> results;
    Walk walk;
    std::vector<std::unique_ptr<Branch>> subfolders;
    // Where the folder is: its parent, held open while a worker may still need it.
    std::shared_ptr<const platform::Fd> parent;
    platform::SubfolderItem item;
    int depth = 0;

    Branch(const std::vector<Rule>& rules, bool identify, const std::shared_ptr<SpillFile>& spill)
        : results(rules.size()), walk{rules, results, {}, identify, spill}
    {
        spillto(results, spill);
    }
};

// Reads a branch's own folder (the top when `parent` is null, read through `top`): its
// matches, and a branch for each subfolder to be walked. A subfolder that cannot be
// opened or read is noted in the branch, where a walk by one thread would note it.
void readbranch(Branch& branch, int top, const platform::FileId& topid, const std::string& toppath)
{
    platform::Fd own;
    std::string path = toppath;
    try {
        if (branch.parent) {
            own = platform::opensubfolder(branch.parent->get(), branch.item.name, {},
                                          branch.item.path);
            path = branch.item.path;
        } else {
            own.reset(::dup(top));
            if (own.get() < 0) {
                throw platform::SysError(toppath, errno);
            }
        }
        const Folder folder = platform::readfolder(own.get(), path);
        FolderIdentity id(own.get(), path, branch.walk.identify,
                          branch.parent ? platform::FileId{} : topid);
        for (std::size_t i = 0; i < branch.walk.rules.size(); ++i) {
            matchfolder(folder, id, branch.walk.rules[i], branch.results[i]);
        }
        if (branch.depth == 0) {
            return;
        }
        const auto held = std::make_shared<const platform::Fd>(std::move(own));
        for (const platform::SubfolderItem& sub : folder.subfolders) {
            if (walkedinto(sub)) {
                auto next = std::make_unique<Branch>(branch.walk.rules, branch.walk.identify,
                                                     branch.walk.spill);
                next->parent = held;
                next->item = sub;
                next->depth = nextdepth(branch.depth);
                branch.subfolders.push_back(std::move(next));
            }
        }
    } catch (const platform::SysError& e) {
        if (!branch.parent) {
            throw; // the folder given cannot be read: the walk fails
        }
        branch.walk.unreadable.push_back({branch.item.path, e.reason()});
    }
}

void gather(Branch& branch, std::vector<MatchList>& results,
            std::vector<UnreadableFolder>& unreadable)
{
    for (std::size_t i = 0; i < results.size(); ++i) {
        results[i].append(std::move(branch.results[i])); // frees the branch's lists
    }
    unreadable.insert(unreadable.end(), std::make_move_iterator(branch.walk.unreadable.begin()),
                      std::make_move_iterator(branch.walk.unreadable.end()));
    for (auto& sub : branch.subfolders) {
        gather(*sub, results, unreadable);
        sub.reset();
    }
}

// The walk of a whole tree on one worker per processor: the top levels are read here
// until there are enough branches to share out (or the tree ends), then the branches
// are walked by the workers, each with the walk of one thread.
void walkshared(int topfd, const std::string& toppath, const platform::FileId& topid, Walk& state,
                int depth)
{
    const unsigned processors = folderworkers(std::numeric_limits<std::size_t>::max(), false);
    const std::size_t enough = 8 * std::size_t{processors};
    Branch root(state.rules, state.identify, state.spill);
    root.depth = depth;
    std::vector<Branch*> level{&root};
    while (!level.empty() && level.size() < enough) {
        std::vector<Branch*> deeper;
        for (Branch* branch : level) {
            readbranch(*branch, topfd, topid, toppath);
            for (auto& sub : branch->subfolders) {
                deeper.push_back(sub.get());
            }
        }
        level = std::move(deeper);
    }
    runonworkers(0, level.size(), folderworkers(level.size(), false),
                 [&](std::size_t index, unsigned) {
                     Branch& branch = *level[index];
                     walksubfolder(branch.parent->get(), branch.item, branch.walk, branch.depth);
                     spillrest(branch.results);
                 });
    // The paths and folder records are taken over as the branches hold them.
    gather(root, state.results, state.unreadable);
}

} // namespace

std::vector<MatchList> findfiles(const platform::TopFolder& top,
                                 const std::vector<std::string>& patterns, bool descend,
                                 std::int16_t depth, bool identify)
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
    Walk state{{}, results, {}, identify, std::make_shared<SpillFile>()};
    spillto(results, state.spill);
    state.rules.reserve(patterns.size());
    for (const std::string& pattern : patterns) {
        state.rules.push_back({pattern, platform::haswildcard(pattern)});
    }
    if (descend && depth != 0) {
        walkshared(listing.get(), top.path(), top.id(), state, depth);
    } else {
        FolderIdentity id(listing.get(), top.path(), identify, top.id());
        walk(listing.get(), top.path(), id, state, false, 0);
    }
    // Every pattern's walk would have met the same unreadable folders.
    for (std::size_t i = 0; i + 1 < results.size(); ++i) {
        results[i].unreadable = state.unreadable;
    }
    results.back().unreadable = std::move(state.unreadable);
    return results;
}

std::vector<MatchList> findfiles(const std::string& folder,
                                 const std::vector<std::string>& patterns, bool descend,
                                 std::int16_t depth, bool identify)
{
    auto top = std::make_shared<const platform::TopFolder>(folder);
    std::vector<MatchList> results = findfiles(*top, patterns, descend, depth, identify);
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
                    std::int16_t depth, bool identify)
{
    return std::move(
        findfiles(folder, std::vector<std::string>{pattern}, descend, depth, identify).front());
}

std::string relativefolder(const platform::TopFolder& top, std::string_view path)
{
    // The top's own path and the "/" after it (none after "/").
    const std::size_t prefix = top.path() == "/" ? 1 : top.path().size() + 1;
    const std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos || slash <= prefix) {
        return {};
    }
    return std::string(path.substr(prefix, slash - prefix));
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
