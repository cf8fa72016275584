// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/folderrecords.h"

#include "common/chunkholding.h"

#include <utility>

namespace morvik
{

const MatchedFolder& FolderRecords::operator[](std::size_t index) const
{
    const Chunk& chunk = chunkholding(m_chunks, index);
    return chunk.records[index - chunk.first];
}

void FolderRecords::push_back(const MatchedFolder& record)
{
    if (m_chunks.empty()) {
        m_chunks.emplace_back();
    }
    m_chunks.back().records.push_back(record);
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
        m_size += chunk.records.size();
        m_chunks.push_back(std::move(chunk));
    }
    other = FolderRecords();
}

} // namespace morvik
