// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/fs/removefolder.h"

#include "platform/fs/fd.h"
#include "platform/fs/releaser.h"
#include "platform/processlimits.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

namespace morvik::platform
{
namespace
{

// Threads that free files where freeing waits for the disk (their waits overlap), and
// the most used elsewhere.
constexpr unsigned kDiscardThreads = 8;
constexpr unsigned kMaxThreads = 4;
// Where freeing is quick, a thread pays for itself only over this many files. A
// subfolder is counted as a folder of a journal's kept files.
constexpr std::size_t kFilesPerThread = 512;
constexpr std::size_t kFilesPerSubfolder = 32;

struct Entry {
    std::string name;
    bool folder = false;
};

// The entries of the open folder `dir` (read through a descriptor of its own), or
// nothing when it cannot be read.
std::vector<Entry> entriesof(int dir, bool& complete)
{
    std::vector<Entry> entries;
    const int reader = ::openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* stream = reader >= 0 ? ::fdopendir(reader) : nullptr;
    if (!stream) {
        if (reader >= 0) {
            ::close(reader);
        }
        complete = false;
        return entries;
    }
    errno = 0;
    while (const dirent* entry = ::readdir(stream)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
            entries.push_back({name, entry->d_type == DT_DIR});
        }
        errno = 0;
    }
    complete = complete && errno == 0;
    ::closedir(stream);
    return entries;
}

bool removeentry(int dir, const Entry& entry);

// Empties the folder `name` of `dir` and removes it.
bool removesubfolder(int dir, const std::string& name)
{
    Fd folder(::openat(dir, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (folder.get() < 0) {
        return false;
    }
    bool complete = true;
    for (const Entry& entry : entriesof(folder.get(), complete)) {
        complete = removeentry(folder.get(), entry) && complete;
    }
    folder.reset();
    return ::unlinkat(dir, name.c_str(), AT_REMOVEDIR) == 0 && complete;
}

bool removeentry(int dir, const Entry& entry)
{
    if (!entry.folder) {
        if (::unlinkat(dir, entry.name.c_str(), 0) == 0) {
            return true;
        }
        // A folder the listing could not type (DT_UNKNOWN).
        if (errno != EISDIR) {
            return errno == ENOENT;
        }
    }
    return removesubfolder(dir, entry.name);
}

unsigned threadsfor(int folder, const std::vector<Entry>& entries)
{
    if (entries.size() < 2) {
        return 1; // nothing to share: the mount table is not read
    }
    if (discardmount(folder)) {
        return static_cast<unsigned>(std::min<std::size_t>(kDiscardThreads, entries.size()));
    }
    std::size_t files = 0;
    for (const Entry& entry : entries) {
        files += entry.folder ? kFilesPerSubfolder : 1;
    }
    const unsigned most = std::min(processorsavailable(), kMaxThreads);
    return static_cast<unsigned>(
        std::clamp<std::size_t>(std::min(files / kFilesPerThread, entries.size()), 1, most));
}

} // namespace

bool removefolder(const std::string& path)
{
    Fd folder(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (folder.get() < 0) {
        return errno == ENOENT;
    }
    bool complete = true;
    const std::vector<Entry> entries = entriesof(folder.get(), complete);
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    const auto work = [&] {
        for (std::size_t i = next++; i < entries.size(); i = next++) {
            if (!removeentry(folder.get(), entries[i])) {
                failed = true;
            }
        }
    };
    std::vector<std::thread> helpers;
    const unsigned threads = threadsfor(folder.get(), entries);
    for (unsigned t = 1; t < threads; ++t) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error&) {
            break; // no more threads: those running share the rest
        }
    }
    work();
    for (auto& helper : helpers) {
        helper.join();
    }
    folder.reset();
    return ::rmdir(path.c_str()) == 0 && complete && !failed;
}

} // namespace morvik::platform
