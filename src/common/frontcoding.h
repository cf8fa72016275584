// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

// Texts written as what each shares with the text before it: a count of the shared
// characters, a count of the rest (each count in 7-bit groups, low first) and the rest.
namespace morvik::frontcoding
{

inline void putcount(std::string& out, std::size_t value)
{
    while (value >= 0x80) {
        out += static_cast<char>((value & 0x7f) | 0x80);
        value >>= 7;
    }
    out += static_cast<char>(value);
}

inline std::size_t takecount(std::string_view in, std::size_t& offset)
{
    std::size_t value = 0;
    for (unsigned shift = 0;; shift += 7) {
        const auto byte = static_cast<unsigned char>(in[offset++]);
        value |= static_cast<std::size_t>(byte & 0x7f) << shift;
        if (byte < 0x80) {
            return value;
        }
    }
}

inline std::size_t sharedlength(std::string_view a, std::string_view b)
{
    return static_cast<std::size_t>(
        std::mismatch(a.begin(), a.begin() + std::min(a.size(), b.size()), b.begin()).first -
        a.begin());
}

} // namespace morvik::frontcoding
