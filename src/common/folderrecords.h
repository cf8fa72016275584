// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/fs/topfolder.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <vector>

namespace morvik
{

class SpillFile;

// The matches that lie in one folder, consecutive in MatchList::paths, and the folder's
// identity as the walk saw it, so a run acting on the matches opens that very folder
// again, by handle. Where the folder is, its matches' paths tell (relativefolder()).
struct MatchedFolder {
    platform::FileId id;
    std::size_t count = 0;
};

// The folder records of a walk, in walk order. Lists joined by moving keep their records as
// they were made (chunks), so gathering the lists of a walk's workers copies no record and
// never holds them twice. A list given a spill file writes every chunk it fills there.
class FolderRecords
{
    struct Chunk {
        std::vector<MatchedFolder> records; // none once in the spill file
        std::size_t first = 0;              // the list's index of the chunk's first record
        std::size_t count = 0;
        // Set when the records went to the spill file, at `at`.
        std::shared_ptr<SpillFile> file;
        std::uint64_t at = 0;
    };

public:
    // Reads the records in order, a chunk at a time.
    class const_iterator
    {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = MatchedFolder;
        using difference_type = std::ptrdiff_t;
        using pointer = const MatchedFolder*;
        using reference = const MatchedFolder&;

        const_iterator() = default;
        const_iterator(const std::vector<Chunk>* chunks, std::size_t chunk)
            : m_chunks(chunks), m_chunk(chunk)
        {
        }
        const MatchedFolder& operator*() const;
        const MatchedFolder* operator->() const { return &**this; }
        const_iterator& operator++()
        {
            if (++m_index == (*m_chunks)[m_chunk].count) {
                ++m_chunk;
                m_index = 0;
            }
            return *this;
        }
        bool operator==(const const_iterator& other) const
        {
            return m_chunk == other.m_chunk && m_index == other.m_index;
        }

    private:
        const std::vector<Chunk>* m_chunks = nullptr;
        std::size_t m_chunk = 0;
        std::size_t m_index = 0;
        // The records of a chunk in the spill file, read back whole when first needed.
        mutable std::shared_ptr<std::vector<MatchedFolder>> m_window;
        mutable std::size_t m_windowof = 0;
    };

    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    // Reads one record (from the spill file, where its chunk went).
    MatchedFolder operator[](std::size_t index) const;
    const_iterator begin() const { return {&m_chunks, 0}; }
    const_iterator end() const { return {&m_chunks, m_chunks.size()}; }

    void push_back(const MatchedFolder& record);
    // Takes the records of `other` after these, as they are.
    void append(FolderRecords&& other);

    // From now on every chunk that reaches `chunkrecords` goes to `file`.
    void spillto(std::shared_ptr<SpillFile> file, std::size_t chunkrecords = kSpillChunkRecords);
    // Sends the chunk being filled to the spill file too, when it holds `least` records
    // or more; the next record starts another.
    void spillrest(std::size_t least);

    static constexpr std::size_t kSpillChunkRecords = 64 * 1024 / sizeof(MatchedFolder);

private:
    // Moves the records of the last chunk to the spill file (they stay where it fails).
    void spilllast();

    std::vector<Chunk> m_chunks; // none empty
    std::size_t m_size = 0;
    std::shared_ptr<SpillFile> m_spill;
    std::size_t m_chunkrecords = kSpillChunkRecords;
};

} // namespace morvik
