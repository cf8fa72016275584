// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/folderrecords.h"

#include "common/chunkholding.h"
#include "common/spillfile.h"

#include <algorithm>
#include <string_view>
#include <type_traits>
#include <utility>

namespace morvik
{

static_assert(std::is_trivially_copyable_v<MatchedFolder>, "records go to a file as bytes");

const MatchedFolder& FolderRecords::const_iterator::operator*() const
{
    const Chunk& chunk = (*m_chunks)[m_chunk];
    if (!chunk.file) {
        return chunk.records[m_index];
    }
    if (!m_window || m_windowof != m_chunk) {
        auto window = std::make_shared<std::vector<MatchedFolder>>(chunk.count);
        chunk.file->get(reinterpret_cast<char*>(window->data()),
                        chunk.count * sizeof(MatchedFolder), chunk.at);
        m_window = std::move(window);
        m_windowof = m_chunk;
    }
    return (*m_window)[m_index];
}

MatchedFolder FolderRecords::operator[](std::size_t index) const
{
    const Chunk& chunk = chunkholding(m_chunks, index);
    if (!chunk.file) {
        return chunk.records[index - chunk.first];
    }
    MatchedFolder record;
    chunk.file->get(reinterpret_cast<char*>(&record), sizeof record,
                    chunk.at + (index - chunk.first) * sizeof record);
    return record;
}

void FolderRecords::push_back(const MatchedFolder& record)
{
    // A chunk in the spill file holds no records, and takes no more.
    const bool full =
        m_spill && !m_chunks.empty() && m_chunks.back().records.size() >= m_chunkrecords;
    if (full) {
        spilllast();
    }
    if (m_chunks.empty() || full || m_chunks.back().file) {
        m_chunks.emplace_back().first = m_size;
    }
    Chunk& chunk = m_chunks.back();
    chunk.records.push_back(record);
    ++chunk.count;
    ++m_size;
}

void FolderRecords::append(FolderRecords&& other)
{
    if (empty()) {
        std::swap(*this, other);
        return;
    }
    for (Chunk& chunk : other.m_chunks) {
        chunk.first = m_size;
        m_size += chunk.count;
        m_chunks.push_back(std::move(chunk));
    }
    other = FolderRecords();
}

void FolderRecords::spillto(std::shared_ptr<SpillFile> file, std::size_t chunkrecords)
{
    m_spill = std::move(file);
    m_chunkrecords = chunkrecords;
}

void FolderRecords::spillrest(std::size_t least)
{
    if (!m_chunks.empty() && m_chunks.back().records.size() >= std::max<std::size_t>(least, 1)) {
        spilllast();
    }
}

void FolderRecords::spilllast()
{
    Chunk& chunk = m_chunks.back();
    if (!m_spill) {
        return;
    }
    const std::string_view bytes(reinterpret_cast<const char*>(chunk.records.data()),
                                 chunk.count * sizeof(MatchedFolder));
    if (const auto at = m_spill->put(bytes)) {
        chunk.file = m_spill;
        chunk.at = *at;
        std::vector<MatchedFolder>().swap(chunk.records);
    }
}

} // namespace morvik
