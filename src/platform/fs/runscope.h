// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/fs/topfolder.h"

#include <cstdint>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace morvik::platform
{

class BackgroundFlush;
class Journal;
class Releaser;

// The places (folder and name) a run has read and the entry it first reached each one
// by, so a file reached again through another entry (a link to it) is changed once. The
// same entry listed again (it matches two file types) is handled again.
class HandledFiles
{
public:
    // `links`: whether the run's walk listed any link among its files. Without one, every
    // file is reached by its own entry and nothing needs remembering; an entry that has
    // become a link since the walk is then refused as replaced (followslinks()).
    explicit HandledFiles(bool links = true) : m_links(links) {}

    bool followslinks() const { return m_links; }

    // Whether the place is new or was reached by this same entry before (and notes it).
    // Workers of one run may ask at once.
    bool note(const FileId& place, const std::string& name, const FileId& entry,
              const std::string& entryname);

private:
    // One record per page of the run: a short name is held inside the record, and a
    // place reached by its own entry (nearly all of them) records no entry beside it.
    struct Place {
        FileId folder;
        std::string name;
        friend bool operator==(const Place&, const Place&) = default;
    };
    struct PlaceHash {
        std::size_t operator()(const Place& place) const noexcept;
    };
    static constexpr std::uint32_t kItself = UINT32_MAX;

    const bool m_links;
    std::mutex m_mutex;
    // Each place and the entry that first reached it: kItself, or its index in m_entries.
    std::unordered_map<Place, std::uint32_t, PlaceHash> m_places;
    std::vector<Place> m_entries;
};

// What the folders of one run share: the top folder that links must stay beneath, the
// releaser of replaced files, and the places already read.
struct RunScope {
    const TopFolder* top = nullptr;
    Releaser* releaser = nullptr;
    HandledFiles* handled = nullptr;
    // Where the run keeps what it replaces and creates, so it can be undone.
    Journal* journal = nullptr;
    // Held shared by every worker while it rewrites a file, and alone by one that ran
    // out of room and tries again once the others' temporary files are gone.
    std::shared_mutex* space = nullptr;
    // Whether written files go to a disk, where starting their write-back early pays
    // (not on tmpfs or ramfs).
    bool ondisk = true;
    // Told of every file written, to flush the disk while the run goes on.
    BackgroundFlush* flush = nullptr;
};

// Whether the files of the open file or folder `fd` are kept on a disk (not in memory).
bool ondisk(int fd);

} // namespace morvik::platform
