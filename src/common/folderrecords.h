// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/fs/topfolder.h"

#include <cstddef>
#include <iterator>
#include <vector>

namespace morvik
{

// The matches that lie in one folder, consecutive in MatchList::paths, and the folder's
// identity as the walk saw it, so a run acting on the matches opens that very folder
// again, by handle. Where the folder is, its matches' paths tell (relativefolder()).
struct MatchedFolder {
    platform::FileId id;
    std::size_t count = 0;
};

// The folder records of a walk, in walk order. Lists joined by moving keep their records as
// they were made (chunks), so gathering the lists of a walk's workers copies no record and
// never holds them twice.
class FolderRecords
{
    struct Chunk {
        std::vector<MatchedFolder> records;
        std::size_t first = 0; // the list's index of the chunk's first record
    };

public:
    class const_iterator
    {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = MatchedFolder;
        using difference_type = std::ptrdiff_t;
        using pointer = const MatchedFolder*;
        using reference = const MatchedFolder&;

        const_iterator() = default;
        const_iterator(const std::vector<Chunk>* chunks, std::size_t chunk)
            : m_chunks(chunks), m_chunk(chunk)
        {
        }
        const MatchedFolder& operator*() const { return (*m_chunks)[m_chunk].records[m_index]; }
        const MatchedFolder* operator->() const { return &**this; }
        const_iterator& operator++()
        {
            if (++m_index == (*m_chunks)[m_chunk].records.size()) {
                ++m_chunk;
                m_index = 0;
            }
            return *this;
        }
        const_iterator operator++(int)
        {
            const_iterator before = *this;
            ++*this;
            return before;
        }
        bool operator==(const const_iterator& other) const
        {
            return m_chunk == other.m_chunk && m_index == other.m_index;
        }

    private:
        const std::vector<Chunk>* m_chunks = nullptr;
        std::size_t m_chunk = 0;
        std::size_t m_index = 0;
    };

    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    const MatchedFolder& operator[](std::size_t index) const;
    const_iterator begin() const { return {&m_chunks, 0}; }
    const_iterator end() const { return {&m_chunks, m_chunks.size()}; }

    void push_back(const MatchedFolder& record);
    // Takes the records of `other` after these, as they are.
    void append(FolderRecords&& other);

private:
    std::vector<Chunk> m_chunks; // none empty
    std::size_t m_size = 0;
};

} // namespace morvik
