// SPDX-License-Identifier: GPL-3.0-or-later
// GCC 12 with the sanitizers reports a false maybe-uninitialized inside std::regex.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include "support/wildcardref.h"

#include <algorithm>
#include <cstdint>
#include <regex>
#include <string>
#include <vector>

namespace morvik::test
{

namespace
{

// Above every code point, so that a stray byte only equals the same byte.
constexpr std::uint32_t kStray = 0x110000;

// The characters of a UTF-8 text, decoded by the rules of the standard: no overlong
// forms, no surrogates, nothing above U+10FFFF.
std::vector<std::uint32_t> characters(std::string_view s)
{
    std::vector<std::uint32_t> out;
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        const std::size_t len = b < 0x80             ? 1
                                : (b & 0xE0) == 0xC0 ? 2
                                : (b & 0xF0) == 0xE0 ? 3
                                : (b & 0xF8) == 0xF0 ? 4
                                                     : 0;
        std::uint32_t cp = len == 1   ? b
                           : len == 2 ? (b & 0x1F)
                           : len == 3 ? (b & 0x0F)
                                      : (b & 0x07);
        bool ok = len > 0 && i + len <= s.size();
        for (std::size_t k = 1; ok && k < len; ++k) {
            const auto c = static_cast<unsigned char>(s[i + k]);
            ok = (c & 0xC0) == 0x80;
            cp = (cp << 6) | (c & 0x3F);
        }
        static const std::uint32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
        ok = ok && cp >= minimum[len] && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
        if (ok) {
            out.push_back(cp);
            i += len;
        } else {
            out.push_back(kStray + b);
            ++i;
        }
    }
    return out;
}

class Alphabet
{
public:
    Alphabet(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b)
    {
        m_chars = a;
        m_chars.insert(m_chars.end(), b.begin(), b.end());
        std::sort(m_chars.begin(), m_chars.end());
        m_chars.erase(std::unique(m_chars.begin(), m_chars.end()), m_chars.end());
    }
    bool fits() const { return m_chars.size() < 250; }
    // The byte of a character, as an escape the regular expression reads literally.
    std::string code(std::uint32_t c) const
    {
        static const char* hex = "0123456789ABCDEF";
        const unsigned v = index(c) + 1;
        return std::string("\\x") + hex[v >> 4] + hex[v & 15];
    }
    // The codes of the alphabet's characters in [lo, hi], as a class body.
    std::string within(std::uint32_t lo, std::uint32_t hi) const
    {
        std::string out;
        for (const std::uint32_t c : m_chars) {
            if (lo <= c && c <= hi) {
                out += code(c);
            }
        }
        return out;
    }
    std::string mapped(const std::vector<std::uint32_t>& s) const
    {
        std::string out;
        for (const std::uint32_t c : s) {
            out += static_cast<char>(index(c) + 1);
        }
        return out;
    }

private:
    unsigned index(std::uint32_t c) const
    {
        return static_cast<unsigned>(std::lower_bound(m_chars.begin(), m_chars.end(), c) -
                                     m_chars.begin());
    }

    std::vector<std::uint32_t> m_chars;
};

// "[" at i: the class for the list up to its "]", or nothing when it has no "]".
bool bracket(const std::vector<std::uint32_t>& p, std::size_t& i, const Alphabet& abc,
             std::string& out)
{
    std::size_t k = i + 1;
    const bool negate = k < p.size() && p[k] == '!';
    if (negate) {
        ++k;
    }
    std::string body;
    while (k < p.size() && p[k] != ']') {
        const std::uint32_t lo = p[k];
        if (k + 2 < p.size() && p[k + 1] == '-' && p[k + 2] != ']') {
            body += abc.within(lo, p[k + 2]);
            k += 3;
        } else {
            body += abc.within(lo, lo);
            ++k;
        }
    }
    if (k >= p.size()) {
        return false;
    }
    i = k + 1;
    // Code 0 is never a character of the name: an empty list matches nothing, an empty
    // negated list everything.
    out += std::string(negate ? "[^" : "[") + (body.empty() ? "\\x00" : body) + "]";
    return true;
}

std::string regexof(const std::vector<std::uint32_t>& p, const Alphabet& abc)
{
    std::string out;
    for (std::size_t i = 0; i < p.size();) {
        switch (p[i]) {
        case '*':
            out += "[^\\x00]*";
            while (i < p.size() && p[i] == '*') {
                ++i;
            }
            break;
        case '?':
            out += "[^\\x00]";
            ++i;
            break;
        case '#':
            out += "[\\x00" + abc.within('0', '9') + "]";
            ++i;
            break;
        case '[':
            if (bracket(p, i, abc, out)) {
                break;
            }
            [[fallthrough]];
        default:
            out += abc.code(p[i]);
            ++i;
        }
    }
    return out;
}

} // namespace

bool referencecanjudge(std::string_view pattern, std::string_view name)
{
    return Alphabet(characters(pattern), characters(name)).fits();
}

bool referencematch(std::string_view pattern, std::string_view name)
{
    const auto p = characters(pattern);
    const auto n = characters(name);
    const Alphabet abc(p, n);
    return std::regex_match(abc.mapped(n), std::regex(regexof(p, abc)));
}

} // namespace morvik::test
