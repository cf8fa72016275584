// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/pathlist.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>

namespace morvik
{

PathList::PathList(std::initializer_list<std::string_view> paths)
{
    for (std::string_view path : paths) {
        push_back(path);
    }
}

std::string_view PathList::view(std::size_t index) const
{
    auto chunk = m_chunks.begin();
    if (m_chunks.size() > 1) {
        chunk = std::prev(
            std::upper_bound(m_chunks.begin(), m_chunks.end(), index,
                             [](std::size_t wanted, const Chunk& c) { return wanted < c.first; }));
    }
    const std::size_t k = index - chunk->first;
    const std::size_t begin = k == 0 ? 0 : chunk->ends[k - 1];
    return std::string_view(chunk->chars).substr(begin, chunk->ends[k] - begin);
}

std::string PathList::at(std::size_t index) const
{
    if (index >= size()) {
        throw std::out_of_range("PathList::at");
    }
    return (*this)[index];
}

PathList::Chunk& PathList::last()
{
    if (m_chunks.empty()) {
        m_chunks.emplace_back();
    }
    return m_chunks.back();
}

void PathList::push_back(std::string_view path)
{
    Chunk& chunk = last();
    chunk.chars += path;
    chunk.ends.push_back(chunk.chars.size());
    ++m_size;
    m_characters += path.size();
}

void PathList::pushjoined(std::string_view folder, std::string_view name)
{
    Chunk& chunk = last();
    chunk.chars += folder;
    chunk.chars += '/';
    chunk.chars += name;
    chunk.ends.push_back(chunk.chars.size());
    ++m_size;
    m_characters += folder.size() + 1 + name.size();
}

void PathList::append(const PathList& other)
{
    reserve(other.size(), other.characters());
    for (std::size_t i = 0; i < other.size(); ++i) {
        push_back(other.view(i));
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
        if (!chunk.ends.empty()) {
            chunk.first = m_size;
            m_size += chunk.ends.size();
            m_chunks.push_back(std::move(chunk));
        }
    }
    m_characters += other.m_characters;
    other = PathList();
}

void PathList::reserve(std::size_t paths, std::size_t chars)
{
    Chunk& chunk = last();
    chunk.ends.reserve(chunk.ends.size() + paths);
    chunk.chars.reserve(chunk.chars.size() + chars);
}

void PathList::shrink_to_fit()
{
    for (Chunk& chunk : m_chunks) {
        chunk.chars.shrink_to_fit();
        chunk.ends.shrink_to_fit();
    }
}

std::vector<std::string> PathList::strings() const
{
    std::vector<std::string> out;
    out.reserve(size());
    for (std::size_t i = 0; i < size(); ++i) {
        out.emplace_back(view(i));
    }
    return out;
}

} // namespace morvik
