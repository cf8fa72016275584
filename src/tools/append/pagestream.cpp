// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/append/pagestream.h"

#include "platform/fs/fileops.h"
#include "platform/text/codec.h"

#include <algorithm>
#include <cstring>

namespace morvik::append
{

FileWindow::FileWindow(int fd, std::uint64_t start, std::uint64_t stop, std::size_t chunk,
                       std::string path)
    : m_fd(fd), m_base(start), m_stop(stop), m_chunk(std::max<std::size_t>(chunk, 1)),
      m_path(std::move(path))
{
    m_bytes.reserve(m_chunk + 4096);
    readchunk();
}

void FileWindow::advance(std::uint64_t keep)
{
    const auto drop =
        static_cast<std::size_t>(std::min<std::uint64_t>(keep - m_base, m_bytes.size()));
    m_bytes.erase(0, drop);
    m_base += drop;
    readchunk();
}

void FileWindow::readchunk()
{
    const std::size_t have = m_bytes.size();
    const std::uint64_t end = m_base + have;
    const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(m_chunk, m_stop - end));
    m_bytes.resize(have + want);
    const std::size_t got = platform::readat(m_fd, m_bytes.data() + have, want, end, m_path);
    m_bytes.resize(have + got);
    m_complete = got < want || end + got == m_stop;
}

PageWriter::PageWriter(int in, int out, std::string path, std::size_t chunk)
    : m_in(in), m_out(out), m_path(std::move(path)), m_chunk(std::max<std::size_t>(chunk, 1))
{
}

void PageWriter::copy(std::uint64_t from, std::uint64_t to)
{
    if (to - from >= std::min(kKernelCopy, m_chunk)) {
        flush();
        platform::copyrange(m_in, from, to - from, m_out, m_path, m_path);
        return;
    }
    while (from < to) {
        const std::string_view bytes = oldbytes(from, to);
        if (bytes.empty()) {
            return; // the page ends sooner: the check before the rename finds it changed
        }
        write(bytes);
        from += bytes.size();
    }
}

void PageWriter::write(std::string_view bytes)
{
    m_buffer.append(bytes);
    if (m_buffer.size() >= m_chunk) {
        flush();
    }
}

void PageWriter::flush()
{
    platform::writeall(m_out, m_buffer, m_path);
    m_buffer.clear();
}

std::string_view PageWriter::oldbytes(std::uint64_t from, std::uint64_t to)
{
    if (from < m_oldbase || from >= m_oldbase + m_old.size()) {
        m_old.resize(m_chunk);
        m_old.resize(platform::readat(m_in, m_old.data(), m_chunk, from, m_path));
        m_oldbase = from;
    }
    const auto offset = static_cast<std::size_t>(from - m_oldbase);
    return std::string_view(m_old).substr(offset, static_cast<std::size_t>(std::min<std::uint64_t>(
                                                      to - from, m_old.size() - offset)));
}

namespace
{

bool iscontinuation(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The start of the last character of `text` from `from` on: a UTF-8 character is at most
// four bytes, so it is among the last four. npos when none starts there.
std::size_t lastcharstart(std::string_view text, std::size_t from)
{
    const std::size_t floor = std::max(from, text.size() < 4 ? 0 : text.size() - 4);
    for (std::size_t i = text.size(); i > floor; --i) {
        if (!iscontinuation(text[i - 1])) {
            return i - 1;
        }
    }
    return std::string_view::npos;
}

} // namespace

PageSurvey::PageSurvey(std::string marker) : m_marker(std::move(marker)) {}

std::uint64_t PageSurvey::add(std::string_view text, std::uint64_t base, bool complete)
{
    const std::uint64_t end = base + text.size();
    if (!m_markerat && !m_marker.empty()) {
        lookformarker(text, base);
    }
    if (end > m_seen) {
        takefresh(text.substr(static_cast<std::size_t>(m_seen - base)));
    }
    checkutf8(text, base, complete);
    std::uint64_t keep = end;
    if (!m_markerat && !m_marker.empty()) {
        // A marker may begin in the last bytes and end in the next stretch.
        keep -= std::min<std::uint64_t>(end, m_marker.size() - 1);
    }
    return m_utf8 ? std::min(keep, m_utf8at) : keep;
}

void PageSurvey::takefresh(std::string_view fresh)
{
    if (m_head.size() < kHeadBytes) {
        m_head.append(fresh.substr(0, kHeadBytes - m_head.size()));
    }
    if (m_ascii) {
        m_ascii = platform::asciiend(fresh) == fresh.size();
    }
    m_cr = m_cr || std::memchr(fresh.data(), '\r', fresh.size()) != nullptr;
    m_lf = m_lf || std::memchr(fresh.data(), '\n', fresh.size()) != nullptr;
    if (!fresh.empty()) {
        m_last = fresh.back();
    }
    m_seen += fresh.size();
}

// The page is valid UTF-8 exactly when each of its parts cut before a character's first
// byte is: each stretch is checked up to its last character, which may go on in the next.
void PageSurvey::checkutf8(std::string_view text, std::uint64_t base, bool complete)
{
    if (!m_utf8) {
        return;
    }
    const auto from = static_cast<std::size_t>(m_utf8at - base);
    std::size_t cut = text.size();
    if (!complete) {
        cut = lastcharstart(text, from);
        if (cut == std::string_view::npos) {
            m_utf8 = from == text.size(); // else a byte after four that continue none
            return;
        }
    }
    m_utf8 = platform::isutf8(text.substr(from, cut - from));
    m_utf8at = base + cut;
}

void PageSurvey::lookformarker(std::string_view text, std::uint64_t base)
{
    const std::uint64_t from =
        std::max(base, m_seen - std::min<std::uint64_t>(m_seen, m_marker.size() - 1));
    const std::string_view rest = text.substr(static_cast<std::size_t>(from - base));
    const void* hit = memmem(rest.data(), rest.size(), m_marker.data(), m_marker.size());
    if (hit) {
        m_markerat = from + static_cast<std::uint64_t>(static_cast<const char*>(hit) - rest.data());
    }
}

} // namespace morvik::append
