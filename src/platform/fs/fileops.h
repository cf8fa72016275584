// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct stat;

namespace morvik::platform
{

// Whether a file is as it was read: same size, modification and (where nothing of ours
// changed it, such as a journal's hard link) change time.
bool samestatus(const struct stat& a, const struct stat& b, bool ctime = true);

// The longest part of a target's name that its temporary file's name repeats, leaving
// room for the dot and the random suffix within the longest file name.
inline constexpr std::size_t kMaxTempStem = 200;

// Reads a whole regular file (folders, pipes and devices are refused). Throws SysError.
std::string readbytes(const std::string& path);

// Size of a file in bytes (following links). Throws SysError.
long long filesize(const std::string& path);

// Why a deletion was refused.
enum class DeleteResult {
    Deleted,
    NotFound, // no visible file at the path
    Refused,  // read-only (no write permission) or the system refused to unlink it
};

// Deletes one visible file. A file without write permission is refused like a
// read-only file; a symbolic link is removed itself, never what it points to.
// `reason` receives the system's reason when the result is not Deleted.
DeleteResult deletefile(const std::string& path, std::string* reason = nullptr);

// Copies a file, overwriting the destination. The copy goes to a temporary file in the
// destination's folder that is renamed over the destination, so a failure never leaves
// a half-written destination. A destination that is a symbolic link is replaced by the
// copy (the link's target is never written); a read-only destination (no write
// permission) is refused and kept. An existing destination keeps its mode bits (and
// owner/group where the process may); a new one takes the source's mode bits. A source
// that is not a regular file is refused. Throws SysError naming the file that failed.
void copyfile(const std::string& source, const std::string& destination);

// Replaces the contents of an existing or new file safely: temporary file in the same
// folder, every write and the close checked, then renamed over the target. The
// target's mode bits (and owner/group where the process may) are kept; a symbolic link
// is written through (the link stays, its target gets the new contents). A read-only
// target (no write permission) is refused. On failure the target keeps its old contents
// and the temporary file is removed. Throws SysError.
void replacefile(const std::string& path, std::string_view bytes);

// Like replacefile, but the directory entry at the path itself is replaced: a symbolic
// link there (dangling or not) is replaced by the new file and its target is never
// written. A regular file's mode bits (and owner/group where the process may) are kept;
// a read-only one (no write permission) is refused. Throws SysError.
void replaceentry(const std::string& path, std::string_view bytes);
// Writes a file's contents to the descriptor it is given, with writeall(); throws SysError.
using ContentWriter = std::function<void(int fd)>;
// replaceentry() of contents written piece by piece: a long text need not be held whole.
void replaceentry(const std::string& path, const ContentWriter& write);

// Writes a file the program produces (a list, an output the user named): a regular file
// or a link of that name is replaced as replaceentry() does; a device or a pipe is
// written to directly, as the shell's ">" does; a folder or a socket is refused.
// Throws SysError.
void writeoutput(const std::string& path, std::string_view bytes);
void writeoutput(const std::string& path, const ContentWriter& write);

// Writes all the bytes to a descriptor, going on after short writes; throws SysError
// naming `target`.
void writeall(int fd, std::string_view bytes, const std::string& target);

// Reads up to `size` bytes at `offset` of a file, going on after short reads: fewer
// only where the file ends. Returns how many were read; throws SysError naming `path`.
std::size_t readat(int fd, char* buffer, std::size_t size, std::uint64_t offset,
                   const std::string& path);

// Copies `length` bytes of `in` from `offset` on to the current position of `out`:
// copy_file_range where the kernel and file systems allow it, read and write otherwise.
// Stops early only where `in` ends. Throws SysError naming `source` (a failed read) or
// `destination`.
void copyrange(int in, std::uint64_t offset, std::uint64_t length, int out,
               const std::string& source, const std::string& destination);

// Appends bytes to a file, creating it when missing (open, append, close).
// Throws SysError.
void appendbytes(const std::string& path, std::string_view bytes);

// Remembers the file systems a run wrote to and flushes them once at its end
// (one syncfs() per file system instead of an fsync per file).
class SyncSet
{
public:
    void add(const std::string& path);
    // The same for a file system already known by its device number (no stat needed).
    void add(unsigned long device, const std::string& path);
    // Flushes every remembered file system; errors are returned, not thrown.
    std::vector<std::string> flush();
    ~SyncSet();

private:
    std::vector<std::pair<unsigned long, std::string>> m_devices;
};

} // namespace morvik::platform
