// SPDX-License-Identifier: GPL-3.0-or-later
// The wildcard matcher against a reference built differently: pattern and name are
// turned into code points, each distinct character gets one byte in an order-keeping
// alphabet, and the pattern becomes a regular expression over those bytes.
#include "platform/wildcard.h"
#include "support.h"

#include <algorithm>
#include <clocale>
#include <cstdint>
#include <cstdlib>
#include <cwchar>
#include <regex>
#include <string>
#include <vector>

namespace
{

// A byte that is not part of valid UTF-8 is a character of its own, above every code
// point, so that it only equals the same byte.
constexpr std::uint32_t kStray = 0x110000;

// Long inputs and many stars make the backtracking regular expression slow; the
// matcher's logic shows on short ones.
constexpr std::size_t kMaxPiece = 40;
constexpr std::size_t kMaxStars = 3;

// The number of runs of "*" ("**" matches what "*" matches).
std::size_t starruns(std::string_view pattern)
{
    std::size_t runs = 0;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '*' && (i == 0 || pattern[i - 1] != '*')) {
            ++runs;
        }
    }
    return runs;
}

// Decoded by the C library's UTF-8 locale. It takes F4 90.. (above U+10FFFF) as one
// character, which UTF-8 forbids, so those bytes are stray bytes here too.
std::vector<std::uint32_t> characters(std::string_view s)
{
    std::vector<std::uint32_t> out;
    std::size_t i = 0;
    while (i < s.size()) {
        std::mbstate_t state{};
        wchar_t wc = 0;
        const std::size_t used = std::mbrtowc(&wc, s.data() + i, s.size() - i, &state);
        if (used == 0 || used > 4 || static_cast<std::uint32_t>(wc) > 0x10FFFF) {
            out.push_back(kStray + static_cast<unsigned char>(s[i]));
            ++i;
        } else {
            out.push_back(static_cast<std::uint32_t>(wc));
            i += used;
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
        const auto at = std::lower_bound(m_chars.begin(), m_chars.end(), c) - m_chars.begin();
        static const char* hex = "0123456789ABCDEF";
        const unsigned v = static_cast<unsigned>(at) + 1;
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
            const auto at = std::lower_bound(m_chars.begin(), m_chars.end(), c) - m_chars.begin();
            out += static_cast<char>(at + 1);
        }
        return out;
    }

private:
    std::vector<std::uint32_t> m_chars;
};

// "[" at p: the class for the list up to its "]", or nothing when it has no "]".
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

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    if (!std::setlocale(LC_CTYPE, "C.UTF-8")) {
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto [pattern, name] = morvik::fuzz::splitatnul(morvik::fuzz::asview(data, size));
    if (pattern.size() > kMaxPiece || name.size() > kMaxPiece || starruns(pattern) > kMaxStars ||
        name.find('\0') != std::string_view::npos) {
        return -1;
    }
    const auto p = characters(pattern);
    const auto n = characters(name);
    const Alphabet abc(p, n);
    if (!abc.fits()) {
        return -1;
    }
    const std::regex reference(regexof(p, abc));
    const bool expected = std::regex_match(abc.mapped(n), reference);
    const bool got = morvik::platform::wildcardmatch(pattern, name);
    MORVIK_CHECK(got == expected, {"pattern", pattern}, {"name", name},
                 {"expected", expected ? "match" : "no match"});
    return 0;
}
