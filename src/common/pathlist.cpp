// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/pathlist.h"

#include "common/chunkholding.h"
#include "common/frontcoding.h"
#include "common/spillfile.h"

#include <algorithm>
#include <iterator>
#include <limits>
#include <stdexcept>

namespace morvik
{

namespace
{

// Every this many paths one is written whole, where reading may start.
constexpr std::size_t kRestartEvery = 8;

// A chunk's offsets are 32-bit: a chunk this full ends and the next path starts another.
constexpr std::size_t kMostChunkBytes = std::numeric_limits<std::uint32_t>::max() - 65536;

using frontcoding::putcount;
using frontcoding::sharedlength;
using frontcoding::takecount;

} // namespace

const std::string& PathList::Reader::operator[](std::size_t index)
{
    if (m_chunk && index == m_index) {
        return m_path;
    }
    std::size_t from = index;
    if (!(m_chunk && index == m_index + 1 && index < m_chunk->first + m_chunk->count)) {
        m_chunk = &chunkholding(m_list->m_chunks, index);
        const std::size_t restart = (index - m_chunk->first) / kRestartEvery;
        m_offset = m_chunk->restarts[restart];
        from = m_chunk->first + restart * kRestartEvery;
    }
    if (m_chunk->file && m_windowof != m_chunk) {
        m_window.resize(m_chunk->size);
        m_chunk->file->get(m_window.data(), m_chunk->size, m_chunk->at);
        m_windowof = m_chunk;
    }
    const std::string& bytes = m_chunk->file ? m_window : m_chunk->bytes;
    for (std::size_t k = from; k <= index; ++k) {
        const std::size_t shared = takecount(bytes, m_offset);
        const std::size_t rest = takecount(bytes, m_offset);
        m_path.resize(shared);
        m_path.append(bytes, m_offset, rest);
        m_offset += rest;
    }
    m_index = index;
    return m_path;
}

PathList::PathList(std::initializer_list<std::string_view> paths)
{
    for (std::string_view path : paths) {
        push_back(path);
    }
}

std::string PathList::at(std::size_t index) const
{
    if (index >= size()) {
        throw std::out_of_range("PathList::at");
    }
    return (*this)[index];
}

void PathList::addnext()
{
    // A chunk in the spill file holds no bytes, and takes no more paths.
    const bool full = !m_chunks.empty() &&
                      m_chunks.back().bytes.size() > (m_spill ? m_chunkbytes : kMostChunkBytes);
    if (full) {
        spilllast();
    }
    if (m_chunks.empty() || full || m_chunks.back().file) {
        m_chunks.emplace_back().first = m_size;
    }
    Chunk& chunk = m_chunks.back();
    std::size_t shared = 0;
    if (chunk.count % kRestartEvery == 0) {
        chunk.restarts.push_back(static_cast<std::uint32_t>(chunk.bytes.size()));
    } else {
        shared = sharedlength(m_last, m_next);
    }
    putcount(chunk.bytes, shared);
    putcount(chunk.bytes, m_next.size() - shared);
    chunk.bytes.append(m_next, shared);
    ++chunk.count;
    ++m_size;
    m_characters += m_next.size();
    std::swap(m_last, m_next);
}

void PathList::push_back(std::string_view path)
{
    m_next.assign(path);
    addnext();
}

void PathList::pushjoined(std::string_view folder, std::string_view name)
{
    m_next.assign(folder);
    m_next += '/';
    m_next += name;
    addnext();
}

void PathList::append(const PathList& other)
{
    Reader reader(other);
    for (std::size_t i = 0; i < other.size(); ++i) {
        push_back(reader[i]);
    }
}

void PathList::append(PathList&& other)
{
    if (other.empty()) {
        return;
    }
    if (empty()) {
        std::swap(*this, other);
        return;
    }
    for (Chunk& chunk : other.m_chunks) {
        if (chunk.count > 0) {
            chunk.first = m_size;
            m_size += chunk.count;
            m_chunks.push_back(std::move(chunk));
        }
    }
    m_characters += other.m_characters;
    m_last = std::move(other.m_last);
    other = PathList();
}

void PathList::spillto(std::shared_ptr<SpillFile> file, std::size_t chunkbytes)
{
    m_spill = std::move(file);
    m_chunkbytes = chunkbytes;
}

void PathList::spillrest(std::size_t least)
{
    if (!m_chunks.empty() && m_chunks.back().bytes.size() >= std::max<std::size_t>(least, 1)) {
        spilllast();
    }
}

void PathList::spilllast()
{
    Chunk& chunk = m_chunks.back();
    if (!m_spill) {
        return;
    }
    if (const auto at = m_spill->put(chunk.bytes)) {
        chunk.file = m_spill;
        chunk.at = *at;
        chunk.size = chunk.bytes.size();
        std::string().swap(chunk.bytes);
    }
}

bool PathList::spilled() const
{
    return std::any_of(m_chunks.begin(), m_chunks.end(),
                       [](const Chunk& chunk) { return chunk.file != nullptr; });
}

std::vector<std::string> PathList::strings() const
{
    std::vector<std::string> out;
    out.reserve(size());
    Reader reader(*this);
    for (std::size_t i = 0; i < size(); ++i) {
        out.push_back(reader[i]);
    }
    return out;
}

} // namespace morvik
