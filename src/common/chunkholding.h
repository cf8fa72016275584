// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cstddef>
#include <iterator>

namespace morvik
{

// The chunk that holds the list's item `index`, of chunks in order that each record the
// list's index of their first item in `first` (a list kept as the pieces it was joined
// from). There must be such a chunk.
template <typename Chunks>
const typename Chunks::value_type& chunkholding(const Chunks& chunks, std::size_t index)
{
    if (chunks.size() == 1) {
        return chunks.front();
    }
    using Chunk = typename Chunks::value_type;
    return *std::prev(
        std::upper_bound(chunks.begin(), chunks.end(), index,
                         [](std::size_t wanted, const Chunk& c) { return wanted < c.first; }));
}

} // namespace morvik
