// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/folderrecords.h"
#include "common/pathlist.h"
#include "platform/fs/topfolder.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace morvik
{

// The matches of a folder walk: full file paths in walk order. Paths travel as a list,
// so a name holding "," stays one path; text() gives the comma form (every path
// followed by ",") for showing and comparing.
// A folder the walk could not read, with the system's reason.
struct UnreadableFolder {
    std::string path;
    std::string reason;
};

struct MatchList {
    PathList paths;
    // The folders of `paths`, in the same order.
    FolderRecords folders;
    // The folder the walk started from, held open, when the walk opened it itself.
    std::shared_ptr<const platform::TopFolder> top;
    // Subfolders the walk could not read (gone or without permission); it went on past
    // them, so their files are neither matched nor counted as missing.
    std::vector<UnreadableFolder> unreadable;
    // Whether any match was a symbolic link when the walk listed it.
    bool links = false;
    // Where each pattern's folders begin in `folders`, for a list that joins the matches
    // of several patterns: a file two patterns match is in two of these parts.
    std::vector<std::size_t> patternstarts;

    bool empty() const { return paths.empty(); }
    std::size_t size() const { return paths.size(); }
    std::string text() const;
    // The comma form without its last "," (the form a message shows).
    std::string joined() const;
    void append(MatchList&& other);
};

// A stretch of consecutive matches of one folder (index into MatchList::folders, and
// into MatchList::paths from `first` on): what one worker of a run takes at a time. A run
// holds one per folder it acts in, so they are kept small (spansof() refuses a list of
// 2^32 matches or more, which no memory would hold anyway).
struct MatchSpan {
    std::uint32_t folder = 0;
    std::uint32_t first = 0;
    std::uint32_t count = 0;
};

// The matches cut, folder by folder and in order, into spans small enough that
// `workers` workers share even one large folder evenly, given one after another with
// their folder's record: a run that takes them as it goes holds none of them.
class SpanSource
{
public:
    // Throws std::length_error for a list of 2^32 matches or more.
    SpanSource(const MatchList& matches, unsigned workers);
    // How many spans there are in all.
    std::size_t size() const { return m_count; }
    // The next span, of which there must be one, and the record of its folder.
    std::pair<MatchSpan, MatchedFolder> next();

private:
    std::size_t m_most = 1; // the most matches of a span
    std::size_t m_count = 0;
    FolderRecords::const_iterator m_folder;
    std::uint32_t m_folderindex = 0;
    std::size_t m_first = 0;  // the folder's first match
    std::size_t m_within = 0; // how many of the folder's matches spans have taken
};

// All the spans of SpanSource at once.
std::vector<MatchSpan> spansof(const MatchList& matches, unsigned workers);

// Lists the files of a folder, and with descend of its subfolders down to depth
// (0: this folder only, 100: all levels, n: n levels), whose names match a plain name
// or a wildcard pattern. A plain name gives at most one entry, written as the caller
// wrote it. Only ordinary folders are entered (not links to folders). Every entry is
// the folder's path, "/" and the name. Throws platform::SysError when the folder itself
// cannot be read (or is an empty text); a subfolder that cannot be read is collected in
// `unreadable` and the walk goes on.
// `identify`: the folder records carry each folder's identity, which a run that acts on
// the matches checks; a run that only looks leaves it out.
MatchList findfiles(const std::string& folder, const std::string& pattern, bool descend,
                    std::int16_t depth, bool identify = true);

// The same walk below a folder a run has opened: every subfolder is opened relative to its
// parent's handle, never through a link; a link or a file put in a subfolder's place
// meanwhile is not entered and is listed in `unreadable` with the reason.
MatchList findfiles(const platform::TopFolder& top, const std::string& pattern, bool descend,
                    std::int16_t depth);

// One walk for several patterns: the matches of each pattern, in the patterns' order, each
// exactly what findfiles() gives for that pattern alone over the same tree (every result
// names the same unreadable folders). Every folder is read once, whatever the number of
// patterns; no patterns, no walk.
std::vector<MatchList> findfiles(const platform::TopFolder& top,
                                 const std::vector<std::string>& patterns, bool descend,
                                 std::int16_t depth, bool identify = true);
// The same, opening the folder; every result holds it in `top`.
std::vector<MatchList> findfiles(const std::string& folder,
                                 const std::vector<std::string>& patterns, bool descend,
                                 std::int16_t depth, bool identify = true);

// The folder of the match `path` below the walk's top folder `top`, as FolderCursor
// takes it ("" for the top itself): a match's path is its folder's path, "/" and its name.
std::string relativefolder(const platform::TopFolder& top, std::string_view path);

// The name part of a path (after its last "/") when wantname, else the folder part
// (up to and including the last "/").
std::string splitpath(const std::string& path, bool wantname);

} // namespace morvik
