// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/text/wildcard.h"

#include "platform/fs/fsobject.h"

#include <cstdint>

namespace morvik::platform
{

namespace
{

// A byte that is not part of valid UTF-8 becomes a value no code point can take, so
// it only ever equals the same stray byte.
constexpr std::uint32_t kStrayByte = 0x110000;

// Decodes the character at pos and advances pos past it.
inline std::uint32_t nextchar(std::string_view s, std::size_t& pos)
{
    const auto b0 = static_cast<unsigned char>(s[pos]);
    if (b0 < 0x80) {
        ++pos;
        return b0;
    }
    std::size_t len;
    std::uint32_t cp;
    std::uint32_t min;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2, cp = b0 & 0x1F, min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3, cp = b0 & 0x0F, min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4, cp = b0 & 0x07, min = 0x10000;
    } else {
        ++pos;
        return kStrayByte + b0;
    }
    if (pos + len > s.size()) {
        ++pos;
        return kStrayByte + b0;
    }
    for (std::size_t i = 1; i < len; ++i) {
        const auto b = static_cast<unsigned char>(s[pos + i]);
        if ((b & 0xC0) != 0x80) {
            ++pos;
            return kStrayByte + b0;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++pos;
        return kStrayByte + b0;
    }
    pos += len;
    return cp;
}

// Matches one character against the bracket list starting after "[" at pattern
// position p. Returns false with p unchanged when there is no closing "]" (the "["
// is then an ordinary character); otherwise sets p past the "]" and `hit`.
bool matchlist(std::string_view pattern, std::size_t& p, std::uint32_t c, bool& hit)
{
    std::size_t q = p;
    bool negate = false;
    if (q < pattern.size() && pattern[q] == '!') {
        negate = true;
        ++q;
    }
    bool found = false;
    while (q < pattern.size()) {
        if (pattern[q] == ']') {
            p = q + 1;
            hit = found != negate;
            return true;
        }
        const std::uint32_t lo = nextchar(pattern, q);
        // "-" between two characters makes a range; at the start or before "]" it is
        // itself.
        if (q + 1 < pattern.size() && pattern[q] == '-' && pattern[q + 1] != ']') {
            ++q;
            const std::uint32_t hi = nextchar(pattern, q);
            if (lo <= c && c <= hi) {
                found = true;
            }
        } else if (lo == c) {
            found = true;
        }
    }
    return false;
}

} // namespace

bool haswildcard(std::string_view pattern)
{
    return pattern.find_first_of("*?") != std::string_view::npos;
}

bool wildcardmatch(std::string_view pattern, std::string_view name)
{
    std::size_t p = 0;
    std::size_t n = 0;
    // Where to resume after the last "*": the pattern just past it and the next name
    // position it has not yet swallowed.
    std::size_t starp = std::string_view::npos;
    std::size_t starn = 0;

    while (n < name.size()) {
        if (p < pattern.size()) {
            const char pc = pattern[p];
            if (pc == '*') {
                starp = ++p;
                starn = n;
                continue;
            }
            std::size_t nn = n;
            const std::uint32_t c = nextchar(name, nn);
            bool ok;
            std::size_t pp = p + 1;
            if (pc == '?') {
                ok = true;
            } else if (pc == '#') {
                ok = c >= '0' && c <= '9';
            } else if (pc == '[') {
                bool hit = false;
                if (matchlist(pattern, pp, c, hit)) {
                    ok = hit;
                } else {
                    ok = c == '[';
                }
            } else {
                pp = p;
                ok = nextchar(pattern, pp) == c;
            }
            if (ok) {
                p = pp;
                n = nn;
                continue;
            }
        }
        if (starp == std::string_view::npos) {
            return false;
        }
        // Let the last "*" take one more character and try again from just after it.
        p = starp;
        nextchar(name, starn);
        n = starn;
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

bool anyvisiblematch(const Folder& folder, std::string_view pattern)
{
    if (pattern.empty()) {
        for (const FileItem& f : folder.files) {
            if (f.visible()) {
                return true;
            }
        }
        return false;
    }
    // Without "*" or "?" the pattern is a plain name, brackets included.
    const bool wild = haswildcard(pattern);
    for (const FileItem& f : folder.files) {
        if (f.visible() && (wild ? wildcardmatch(pattern, f.name) : f.name == pattern)) {
            return true;
        }
    }
    return false;
}

PatternFilter::PatternFilter(std::string_view patterns)
{
    std::size_t pos = 0;
    while (pos <= patterns.size()) {
        std::size_t semicolon = patterns.find(';', pos);
        if (semicolon == std::string_view::npos) {
            semicolon = patterns.size();
        }
        const std::string_view piece = patterns.substr(pos, semicolon - pos);
        if (piece == "*.*" || piece == "*") {
            m_all = true;
        } else if (!piece.empty()) {
            m_patterns.emplace_back(piece);
        }
        pos = semicolon + 1;
    }
    m_all = m_all || m_patterns.empty();
}

bool PatternFilter::matches(std::string_view name) const
{
    if (m_all) {
        return true;
    }
    for (const auto& pattern : m_patterns) {
        if (wildcardmatch(pattern, name)) {
            return true;
        }
    }
    return false;
}

} // namespace morvik::platform
