// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace morvik::append
{

// The bytes of a page read at a time when text goes into it. A page larger than this is
// never held whole: it is read twice a stretch at a time (once to learn its encoding and
// line ends, once to find the places) and its new file is written from the old one, long
// stretches by the kernel. One page then takes at most three stretches of memory (the
// search's, and the new file's buffer and its copy of the old bytes: 768 KB) plus the
// inserted text, whatever its size. A quarter of a megabyte reads as fast as a megabyte
// (the long stretches are copied by the kernel either way) and keeps two workers' pages
// in a third of the memory, with a third of the page faults.
inline constexpr std::size_t kStreamChunk = std::size_t{256} << 10;

// How much of its start a page may declare its charset in (where browsers look for it).
inline constexpr std::size_t kHeadBytes = 1024;

// A stretch of a file read through its descriptor, moved forward a chunk at a time: it
// holds the bytes from base() up to base() + text().size(), never more than the bytes a
// reader still needs plus one chunk. Reads go on after short reads (a page over 2 GiB
// included); throws SysError naming `path`.
class FileWindow
{
public:
    // Reads the first chunk of the bytes from `start` up to `stop` (or the file's end).
    FileWindow(int fd, std::uint64_t start, std::uint64_t stop, std::size_t chunk,
               std::string path);

    std::string_view text() const { return m_bytes; }
    std::uint64_t base() const { return m_base; }
    // Whether the window reaches the end of the bytes asked for.
    bool complete() const { return m_complete; }
    // Drops the bytes before `keep` and reads the next chunk after the others.
    void advance(std::uint64_t keep);

private:
    void readchunk();

    int m_fd;
    std::uint64_t m_base;
    std::uint64_t m_stop;
    std::size_t m_chunk;
    std::string m_path;
    std::string m_bytes;
    bool m_complete = false;
};

// The new file of a page, written in order: stretches of the old page and inserted
// blocks. A stretch of at least kKernelCopy bytes (or of a chunk, when that is less) is
// copied by the kernel; shorter ones and the blocks gather in a buffer written a chunk at
// a time, so a page with many places takes few system calls. Holds two chunks at most.
class PageWriter
{
public:
    static constexpr std::size_t kKernelCopy = std::size_t{64} << 10;

    // `in` is the old page, `out` the new file; failures throw SysError naming `path`.
    PageWriter(int in, int out, std::string path, std::size_t chunk);

    // The old page's bytes from `from` up to `to` (fewer where it ends sooner).
    void copy(std::uint64_t from, std::uint64_t to);
    void write(std::string_view bytes);
    // Writes what the buffer holds; call after the last copy or write.
    void flush();

private:
    // The old page's bytes from `from` on, at most up to `to`, read a chunk at a time.
    std::string_view oldbytes(std::uint64_t from, std::uint64_t to);

    int m_in;
    int m_out;
    std::string m_path;
    std::size_t m_chunk;
    std::string m_buffer;
    std::string m_old;
    std::uint64_t m_oldbase = 0;
};

// What decides how text goes into a page that depends on all of its bytes, gathered
// from its stretches in order: a page of any size is surveyed in bounded memory, with
// the answers of a look at the whole.
class PageSurvey
{
public:
    // `marker`: bytes whose presence is asked (empty: none are looked for).
    explicit PageSurvey(std::string marker = {});

    // Takes the bytes from `base` on that it has not seen yet (`text` holds at least all
    // bytes from the position the last call returned); `complete` when they reach the
    // page's end. Returns the first position it still needs the bytes from.
    std::uint64_t add(std::string_view text, std::uint64_t base, bool complete);

    std::uint64_t size() const { return m_seen; }
    // The page's first kHeadBytes bytes.
    const std::string& head() const { return m_head; }
    bool utf8() const { return m_utf8; }
    bool ascii() const { return m_ascii; }
    bool hascr() const { return m_cr; }
    bool haslf() const { return m_lf; }
    // The last byte ('\0' for an empty page).
    char last() const { return m_last; }
    bool markerfound() const { return m_markerat.has_value(); }
    // Where the marker first occurs, when it was found.
    std::optional<std::uint64_t> markerat() const { return m_markerat; }

private:
    void takefresh(std::string_view fresh);
    void checkutf8(std::string_view text, std::uint64_t base, bool complete);
    void lookformarker(std::string_view text, std::uint64_t base);

    std::string m_marker;
    std::uint64_t m_seen = 0;
    // Where the UTF-8 check goes on: the start of a character not yet checked.
    std::uint64_t m_utf8at = 0;
    std::string m_head;
    bool m_utf8 = true;
    bool m_ascii = true;
    bool m_cr = false;
    bool m_lf = false;
    char m_last = '\0';
    std::optional<std::uint64_t> m_markerat;
};

} // namespace morvik::append
