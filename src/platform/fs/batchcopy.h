// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace morvik::platform
{

class RewriteFolder;

// One source file opened once and copied to many destinations, for runs that put the
// same file into many folders. Each copy is as safe as copyfile(): it goes to a
// temporary file in the destination's folder (hidden name, random suffix) that is
// renamed over the destination, so a failure never leaves a half-written destination.
// A destination that is a symbolic link is replaced, never written through; a read-only
// destination (no write permission) is refused and kept. An existing destination keeps
// its mode bits (and owner/group where the process may); a new one takes the source's.
// Data moves inside the kernel (copy_file_range) where the file systems allow it; a
// small source is read once and written from memory.
class SourceFile
{
public:
    // Opens the source; throws SysError naming it when it cannot be opened or is not a
    // regular file.
    explicit SourceFile(std::string path);
    ~SourceFile();
    SourceFile(const SourceFile&) = delete;
    SourceFile& operator=(const SourceFile&) = delete;

    const std::string& path() const { return m_path; }

    // Copies to the destination, overwriting it. A destination that already is the
    // source itself (the same file, by device and inode) is left alone. Throws SysError
    // naming the destination (or the source, for a read error).
    void copyto(const std::string& destination) const;

    // The same copy to the file `name` of an open folder, relative to its handle: the
    // destination's open (O_PATH) and fstat, the temporary file's create, the data, close and
    // rename, with owner and mode set only where the new file would otherwise differ.
    void copyto(const RewriteFolder& folder, const std::string& name) const;

private:
    void holdifsmall();
    void writedata(int out, const std::string& destination) const;

    std::string m_path;
    int m_fd = -1;
    unsigned m_mode = 0;
    unsigned long m_device = 0;
    unsigned long m_inode = 0;
    long long m_size = 0;
    // A small source is read once and written from memory: for a page copied into a
    // thousand folders, one read instead of a thousand in-kernel copies.
    std::string m_bytes;
    bool m_held = false;
};

// Whether two paths name the same file (same device and inode, links followed).
// False when either cannot be examined.
bool samefile(const std::string& a, const std::string& b);

} // namespace morvik::platform
