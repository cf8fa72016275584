// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/fs/fd.h"
#include "platform/fs/processids.h"
#include "platform/fs/runscope.h"
#include "platform/fs/topfolder.h"
#include "platform/syserror.h"

#include <functional>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace morvik::platform
{

// Why a file was left alone: another program changed it between its read and the moment
// its new contents were to replace it, twice.
inline constexpr const char* kChangedReason = "文件在处理过程中被其他程序修改";

// The file changed since it was read (see kChangedReason); the caller may read it again.
class ChangedError : public SysError
{
public:
    explicit ChangedError(std::string path) : SysError(std::move(path), kChangedReason) {}
};

// A file the run has already read (reached again through a link, or listed twice): it is
// skipped, so it gets its change once.
class AlreadyHandled : public SysError
{
public:
    explicit AlreadyHandled(std::string path) : SysError(std::move(path), std::string()) {}
};

// What a read learnt about a file that a rewrite needs: its status, whether the name
// was a symbolic link (read through it), and the file itself, held open until it has
// been replaced so that a Releaser can free it off the run's thread.
struct ReadState {
    struct stat st {
    };
    bool link = false;
    Fd file;
    // A link followed beneath the run's top folder: the folder holding its target, the
    // target's name there and its path below the top.
    Fd linkfolder;
    std::string linkname;
    std::string linkrelative;
};

// A folder held open while many of its files are read, rewritten or copied into relative
// to it: names are looked up once per call, never by walking the whole path again, and a
// rewrite costs open, fstat, read, close, create, write, close and rename. Every safety
// property of the path-based operations stays: temporary file + rename, mode bits and
// owner kept (changed only where the new file would otherwise differ), a read-only file
// refused (for root too), writes through a symbolic link (the link stays), every error
// reported as SysError naming the file. A folder that cannot be opened makes every call
// fall back to the path-based operation, which then reports what it finds.
// With a Releaser, the files it replaces are closed (and so freed) by the releaser.
class RewriteFolder
{
public:
    explicit RewriteFolder(std::string path, Releaser* releaser = nullptr);
    // A folder a run has opened beneath its top folder (the handle stays the caller's):
    // `relative` is its path below the top, `id` its identity. A link of this folder is
    // read and rewritten only where it leads inside the top folder; elsewhere read()
    // refuses it with kOutsideReason.
    RewriteFolder(int fd, std::string path, std::string relative, const FileId& id,
                  const RunScope& scope);
    ~RewriteFolder();
    RewriteFolder(const RewriteFolder&) = delete;
    RewriteFolder& operator=(const RewriteFolder&) = delete;

    const std::string& path() const { return m_path; }
    int fd() const { return m_fd; }
    // Whether the files it replaces are freed by a releaser (which then needs them held).
    bool releases() const { return m_releaser != nullptr; }
    // The folder's device number (0 when it could not be opened).
    unsigned long device() const { return m_device; }
    // Lets the disk start on a file just written, of `size` bytes, when that pays: a
    // large file on a disk, whose write-back then overlaps the rest of the run, and the
    // run's background flush, told of every file. The run's one flush at the end waits
    // for the rest.
    void startwriteback(int fd, long long size) const;
    // path + "/" + name, for messages.
    std::string join(std::string_view name) const;

    // Reads a regular file of this folder whole (folders, pipes and devices refused).
    std::string read(const std::string& name, ReadState& state) const;

    // Opens a regular file of this folder as read() does, without reading it: `state.file`
    // is then the file, for reading a stretch at a time. False, with nothing opened, for a
    // file reached by its path only (the folder could not be opened, or a link followed
    // without a top folder): read() is the way for that one.
    bool open(const std::string& name, ReadState& state) const;
    // Reads the whole file open() opened, from its start.
    std::string readopened(const std::string& name, const ReadState& state) const;

    // Replaces the contents of a file that read() returned `state` for, and hands the
    // replaced file to the releaser. Throws ChangedError when the file was changed since
    // it was read (its size, modification or change time differ): it is then left alone.
    void replace(const std::string& name, std::string_view bytes, ReadState& state) const;
    // The same for a file open() opened, with the new contents written by `write` into
    // the temporary file's descriptor. `write` runs once more, on a fresh temporary file,
    // when the first attempt ran out of space while replaced files were being freed.
    void replacewith(const std::string& name, ReadState& state,
                     const std::function<void(int)>& write) const;

    // Replaces the entry `name` with a new file holding the bytes, as replaceentry() does:
    // a symbolic link is replaced, never written through; a regular file keeps its mode
    // and owner; a missing one is created with the default mode.
    void replaceentry(const std::string& name, std::string_view bytes) const;

    // Creates an exclusive temporary file beside `name` (hidden name, random suffix) with
    // the given mode; returns its descriptor and sets `tempname`. Throws SysError naming
    // `name`.
    int createtemp(const std::string& name, unsigned mode, std::string& tempname) const;
    // Makes `name`, where no file is, a new file with `mode` whose contents `write` puts
    // into the descriptor it is given. The file is made without a name and linked in
    // once whole, so a run killed midway leaves nothing behind and the name never shows
    // a part of it. False, with nothing made, where the file system cannot do that (the
    // caller then goes by a temporary file). Throws SysError naming `name`, with
    // kChangedReason when another program made a file of that name meanwhile.
    bool createunnamed(const std::string& name, unsigned mode,
                       const std::function<void(int)>& write) const;
    // Sets owner and mode of a new file that replaces one with status `old`, only where
    // they would otherwise differ, and gives it the old file's extended attributes (its
    // ACL included). `created` is the mode it was created with; `oldfd` is the old file
    // (O_PATH will do), else it is opened under `name` and must still be the one `old`
    // describes. `lookedbyname`: `old` was just asked by name and the file is not held;
    // it is then opened only when it has attributes to read (a copy over a page).
    void keepownerandmode(int fd, const struct stat& old, unsigned created, const std::string& name,
                          int oldfd = -1, bool lookedbyname = false) const;
    // Closes the temporary file and renames it over `name`; removes it on failure.
    // With `unchanged`, first checks that the file read is as it was (else ChangedError).
    void commit(int fd, const std::string& tempname, const std::string& name,
                const ReadState* unchanged = nullptr) const;
    // Removes a temporary file after a failure.
    void discard(int fd, const std::string& tempname) const;
    // Hands a replaced file's descriptor to the releaser (closes it without one).
    void release(int fd) const;
    // Runs `attempt`, then releases `replaced` (the old file's descriptor) when given.
    // When the attempt fails for want of space, it is run once more after the run's other
    // workers have finished their files and the releaser has freed what it holds.
    void retryoncefreed(const std::function<void()>& attempt, Fd* replaced = nullptr) const;

    // Whether the user may write an existing file of this folder: a file without any
    // write permission is read-only for everyone, root included.
    bool maywrite(const std::string& name, const struct stat& st) const;

private:
    // Has `write` fill a temporary file created with mode `created` and renames it over
    // `name`, keeping the owner and mode of `old` when there was one.
    void writetemp(const std::string& name, const std::function<void(int)>& write,
                   const struct stat* old, unsigned created, ReadState* unchanged = nullptr) const;
    // A writer of the bytes for writetemp(), its failures naming `name`.
    std::function<void(int)> byteswriter(const std::string& name, std::string_view bytes) const;
    // Whether this folder has a default ACL, which new files of it inherit.
    bool hasdefaultacl() const;
    // Opens the file a link of this folder leads to inside the top folder, for reading.
    int openlinked(const std::string& name, ReadState& state) const;

    std::string m_path;
    std::string m_relative;
    FileId m_id;
    RunScope m_scope;
    bool m_owned = true;
    mutable int m_defaultacl = -1; // unknown until asked
    int m_fd = -1;
    // The group a new file of this folder gets (the folder's own in a setgid folder).
    unsigned m_newgroup = 0;
    unsigned long m_device = 0;
    Releaser* m_releaser = nullptr;
};

} // namespace morvik::platform
