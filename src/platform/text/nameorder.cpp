// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/text/nameorder.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace morvik::platform
{

void SortKey::load(std::size_t depth)
{
    std::uint64_t c = 0;
    for (std::size_t i = depth; i < depth + 8; ++i) {
        c = (c << 8) | (i < size ? bytes[i] : 0u);
    }
    chunk = c;
}

void multikeysort(SortKey* keys, std::size_t n, std::size_t depth)
{
    while (n > 1) {
        if (n < 12) {
            std::sort(keys, keys + n, [depth](const SortKey& a, const SortKey& b) {
                const std::size_t la = a.size > depth ? a.size - depth : 0;
                const std::size_t lb = b.size > depth ? b.size - depth : 0;
                const int c = std::memcmp(a.bytes + depth, b.bytes + depth, std::min(la, lb));
                return c != 0 ? c < 0 : la < lb;
            });
            return;
        }
        std::swap(keys[0], keys[n / 2]);
        const std::uint64_t pivot = keys[0].chunk;
        std::size_t lt = 0, i = 1, gt = n;
        while (i < gt) {
            const std::uint64_t c = keys[i].chunk;
            if (c < pivot) {
                std::swap(keys[lt++], keys[i++]);
            } else if (c > pivot) {
                std::swap(keys[i], keys[--gt]);
            } else {
                ++i;
            }
        }
        multikeysort(keys, lt, depth);
        multikeysort(keys + gt, n - gt, depth);
        // Names equal in this chunk either all end in it (then they are equal) or go on.
        if ((pivot & 0xff) == 0) {
            return;
        }
        keys += lt;
        n = gt - lt;
        depth += 8;
        for (std::size_t k = 0; k < n; ++k) {
            keys[k].load(depth);
        }
    }
}

} // namespace morvik::platform
