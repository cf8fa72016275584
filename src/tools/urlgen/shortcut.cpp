// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/urlgen/shortcut.h"

#include "common/cleanname.h"
#include "platform/fs/appfolder.h"
#include "platform/text/codec.h"
#include "platform/fs/fsobject.h"

#include <array>
#include <cstdint>
#include <utility>

namespace morvik::urlgen
{

namespace
{

unsigned char byteat(std::string_view s, std::size_t i)
{
    return static_cast<unsigned char>(s[i]);
}

// Length of the character at i: the length its lead byte announces when the
// continuation bytes are there, else 1 (a stray byte is a character of its own).
std::size_t charlength(std::string_view s, std::size_t i)
{
    const unsigned char c = byteat(s, i);
    std::size_t len = 1;
    if ((c & 0xE0) == 0xC0) {
        len = 2;
    } else if ((c & 0xF0) == 0xE0) {
        len = 3;
    } else if ((c & 0xF8) == 0xF0) {
        len = 4;
    }
    if (i + len > s.size()) {
        return 1;
    }
    for (std::size_t k = 1; k < len; ++k) {
        if ((byteat(s, i + k) & 0xC0) != 0x80) {
            return 1;
        }
    }
    return len;
}

// The code point of a well-formed character, or -1.
long codepoint(std::string_view ch)
{
    const unsigned char c = byteat(ch, 0);
    switch (ch.size()) {
    case 1:
        return c < 0x80 ? c : -1;
    case 2:
        return ((c & 0x1F) << 6) | (byteat(ch, 1) & 0x3F);
    case 3:
        return ((c & 0x0F) << 12) | ((byteat(ch, 1) & 0x3F) << 6) | (byteat(ch, 2) & 0x3F);
    case 4:
        return ((c & 0x07) << 18) | ((byteat(ch, 1) & 0x3F) << 12) | ((byteat(ch, 2) & 0x3F) << 6) |
               (byteat(ch, 3) & 0x3F);
    default:
        return -1;
    }
}

void appendutf8(std::string& out, std::uint32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

struct Named {
    std::string_view name;
    std::uint32_t cp;
};

// The references that page titles commonly use.
constexpr std::array kNamed{
    Named{"amp", '&'},      Named{"lt", '<'},        Named{"gt", '>'},       Named{"quot", '"'},
    Named{"apos", '\''},    Named{"nbsp", 0xA0},     Named{"copy", 0xA9},    Named{"reg", 0xAE},
    Named{"trade", 0x2122}, Named{"hellip", 0x2026}, Named{"mdash", 0x2014}, Named{"ndash", 0x2013},
    Named{"laquo", 0xAB},   Named{"raquo", 0xBB},    Named{"lsquo", 0x2018}, Named{"rsquo", 0x2019},
    Named{"ldquo", 0x201C}, Named{"rdquo", 0x201D},  Named{"middot", 0xB7},  Named{"bull", 0x2022},
    Named{"times", 0xD7},   Named{"divide", 0xF7},   Named{"yen", 0xA5},     Named{"euro", 0x20AC},
    Named{"pound", 0xA3},   Named{"cent", 0xA2},     Named{"sect", 0xA7},    Named{"deg", 0xB0},
    Named{"plusmn", 0xB1},  Named{"para", 0xB6},
};

// The reference starting at text[at] == '&': its code point and length, or a length of
// 0 when there is no complete reference there.
std::pair<std::uint32_t, std::size_t> reference(std::string_view text, std::size_t at)
{
    const std::size_t semi = text.find(';', at + 1);
    // Longer than any name or number a page would use: not a reference.
    if (semi == std::string_view::npos || semi - at > 12) {
        return {0, 0};
    }
    const std::string_view body = text.substr(at + 1, semi - at - 1);
    const std::size_t length = semi - at + 1;
    if (body.size() >= 2 && body[0] == '#') {
        const bool hex = body[1] == 'x' || body[1] == 'X';
        const std::string_view digits = body.substr(hex ? 2 : 1);
        if (digits.empty()) {
            return {0, 0};
        }
        std::uint32_t value = 0;
        for (const char c : digits) {
            int d = -1;
            if (c >= '0' && c <= '9') {
                d = c - '0';
            } else if (hex && c >= 'a' && c <= 'f') {
                d = c - 'a' + 10;
            } else if (hex && c >= 'A' && c <= 'F') {
                d = c - 'A' + 10;
            }
            if (d < 0) {
                return {0, 0};
            }
            value = value * (hex ? 16 : 10) + static_cast<std::uint32_t>(d);
            if (value > 0x10FFFF) {
                value = 0x110000; // stays out of range, no overflow
            }
        }
        // What a browser shows for a number that names no character.
        if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
            value = 0xFFFD;
        }
        return {value, length};
    }
    for (const Named& n : kNamed) {
        if (n.name == body) {
            return {n.cp, length};
        }
    }
    return {0, 0};
}

bool iscontrol(std::string_view ch)
{
    const long cp = codepoint(ch);
    return (cp >= 0 && cp < 0x20) || cp == 0x7F || (cp >= 0x80 && cp <= 0x9F);
}

bool isforbidden(char c)
{
    switch (c) {
    case '\\':
    case '/':
    case ':':
    case '*':
    case '?':
    case '"':
    case '<':
    case '>':
    case '|':
        return true;
    default:
        return false;
    }
}

} // namespace

std::optional<std::string> titleof(std::string_view page)
{
    static constexpr std::string_view kOpen = "<title>";
    static constexpr std::string_view kClose = "</title>";
    const std::size_t open = page.find(kOpen);
    if (open == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view rest = page.substr(open + kOpen.size());
    const std::size_t end = std::min(rest.find(kOpen), rest.find(kClose));
    return std::string(rest.substr(0, end));
}

std::string decodereferences(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    std::size_t start = 0;
    for (std::size_t amp = text.find('&'); amp != std::string_view::npos;
         amp = text.find('&', amp + 1)) {
        const auto [cp, length] = reference(text, amp);
        if (length == 0) {
            continue;
        }
        out.append(text.substr(start, amp - start));
        appendutf8(out, cp);
        start = amp + length;
        amp = start - 1;
    }
    out.append(text.substr(start));
    return out;
}

std::string collapsecontrols(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t len = charlength(text, i);
        const std::string_view ch = text.substr(i, len);
        if (ch != " " && !iscontrol(ch)) {
            out.append(ch);
            i += len;
            continue;
        }
        // A run of spaces and control characters.
        const std::size_t runstart = i;
        bool control = false;
        while (i < text.size()) {
            const std::size_t l = charlength(text, i);
            const std::string_view c = text.substr(i, l);
            if (c == " ") {
                i += l;
            } else if (iscontrol(c)) {
                control = true;
                i += l;
            } else {
                break;
            }
        }
        if (!control) {
            out.append(text.substr(runstart, i - runstart));
        } else if (runstart > 0 && i < text.size()) {
            out += ' ';
        }
    }
    return out;
}

std::string shortcutname(std::string_view title)
{
    std::string name = collapsecontrols(decodereferences(title));
    name = cleanname(name, kForbiddenNameChars);
    for (char& c : name) {
        if (isforbidden(c)) {
            c = '-';
        }
    }
    // The name on disk is UTF-8, the Linux file-name convention; a byte the page's text
    // held as no character (a codec escape, a stray byte) shows as U+FFFD, so the name is
    // always valid UTF-8. It is cut to the file system's limit one whole character at a
    // time.
    static constexpr std::string_view kExtension = ".url";
    static constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
    const std::size_t room = kMaxNameBytes - kExtension.size();
    std::string bytes;
    for (std::size_t i = 0; i < name.size();) {
        const std::size_t len = charlength(name, i);
        const std::string_view ch = std::string_view(name).substr(i, len);
        const std::string_view shown = platform::isutf8(ch) ? ch : kReplacement;
        if (bytes.size() + shown.size() > room) {
            break;
        }
        bytes += shown;
        i += len;
    }
    return bytes + std::string(kExtension);
}

std::string fillurl(std::string_view content, std::string_view url)
{
    static constexpr std::string_view kMarker = "URL=";
    std::string out;
    out.reserve(content.size() + url.size());
    std::size_t start = 0;
    for (std::size_t at = content.find(kMarker); at != std::string_view::npos;
         at = content.find(kMarker, start)) {
        const std::size_t after = at + kMarker.size();
        out.append(content.substr(start, after - start));
        out.append(url);
        start = after;
    }
    out.append(content.substr(start));
    return out;
}

std::string shortcutpath(const std::string& folder, const std::string& name)
{
    if (!folder.empty() && folder.back() == '/' && platform::folderexists(folder)) {
        return folder + name;
    }
    return platform::datafolder() + "/" + name;
}

std::string nextmark(std::string_view mark)
{
    std::string next = std::string(mark) + ">";
    std::size_t characters = 0;
    for (std::size_t i = 0; i < next.size(); i += charlength(next, i)) {
        ++characters;
    }
    return characters == 5 ? std::string() : next;
}

std::string trimblanks(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

} // namespace morvik::urlgen
