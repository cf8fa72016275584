// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace morvik::platform
{

// One name being sorted: eight of its bytes from the current depth as a big-endian
// number (zero past its end), its bytes and where it came from. Comparing chunks orders
// names as comparing their bytes does, because a name never holds a zero byte.
struct SortKey {
    std::uint64_t chunk;
    const unsigned char* bytes;
    std::uint32_t size;
    std::uint32_t index;

    void load(std::size_t depth);
};

// Multikey quicksort on eight-byte chunks: names that share long prefixes
// (page000001.htm, page000002.htm, ...) are told apart without comparing them from their
// first byte again, and the partitioning reads only the compact key array.
void multikeysort(SortKey* keys, std::size_t n, std::size_t depth);

// The order of `count` names by their bytes: their indices, the least name first.
// `nameat(i)` gives the i-th name as a std::string_view, which stays where it is meanwhile;
// no name holds a zero byte.
template <class NameAt> std::vector<std::uint32_t> nameorder(std::size_t count, NameAt nameat)
{
    std::vector<SortKey> keys(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view name = nameat(i);
        keys[i] = {0, reinterpret_cast<const unsigned char*>(name.data()),
                   static_cast<std::uint32_t>(name.size()), static_cast<std::uint32_t>(i)};
        keys[i].load(0);
    }
    multikeysort(keys.data(), keys.size(), 0);
    std::vector<std::uint32_t> order(count);
    for (std::size_t k = 0; k < count; ++k) {
        order[k] = keys[k].index;
    }
    return order;
}

} // namespace morvik::platform
