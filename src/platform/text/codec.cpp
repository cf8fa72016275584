// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/text/codec.h"

#include "platform/text/charsets.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iconv.h>
#include <map>
#include <memory>
#include <stdexcept>
#include <utility>

namespace morvik::platform
{

namespace
{

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

unsigned char byteat(std::string_view s, size_t i)
{
    return static_cast<unsigned char>(s[i]);
}

// Whether the eight bytes at `p` are all ASCII.
bool isasciiword(const char* p)
{
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return (word & 0x8080808080808080ULL) == 0;
}

// Length of the well-formed UTF-8 character at i (no overlong forms, no surrogates,
// nothing above U+10FFFF), or 0 when the bytes there are not one.
size_t utf8length(std::string_view s, size_t i)
{
    const unsigned char c = byteat(s, i);
    if (c < 0x80) {
        return 1;
    }
    size_t len = 0;
    unsigned char lo = 0x80;
    unsigned char hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        if (c == 0xE0) {
            lo = 0xA0;
        } else if (c == 0xED) {
            hi = 0x9F;
        }
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        if (c == 0xF0) {
            lo = 0x90;
        } else if (c == 0xF4) {
            hi = 0x8F;
        }
    } else {
        return 0;
    }
    if (i + len > s.size()) {
        return 0;
    }
    const unsigned char second = byteat(s, i + 1);
    if (second < lo || second > hi) {
        return 0;
    }
    for (size_t k = 2; k < len; ++k) {
        const unsigned char t = byteat(s, i + k);
        if (t < 0x80 || t > 0xBF) {
            return 0;
        }
    }
    return len;
}

// The raw byte that the escape at i stands for (U+DC80..U+DCFF, ED B2 80..ED B3 BF in
// UTF-8), or -1 when there is no escape at i.
int escapedbyte(std::string_view s, size_t i)
{
    if (i + 3 > s.size() || byteat(s, i) != 0xED) {
        return -1;
    }
    const unsigned char b1 = byteat(s, i + 1);
    const unsigned char b2 = byteat(s, i + 2);
    if ((b1 != 0xB2 && b1 != 0xB3) || b2 < 0x80 || b2 > 0xBF) {
        return -1;
    }
    return 0x80 + ((b1 - 0xB2) << 6) + (b2 & 0x3F);
}

// Carries one byte through: ASCII as itself (it decodes as itself), any other byte as
// its escape.
void appendescape(std::string& out, unsigned char b)
{
    if (b < 0x80) {
        out += static_cast<char>(b);
        return;
    }
    out += static_cast<char>(0xED);
    out += static_cast<char>(0xB2 + ((b - 0x80) >> 6));
    out += static_cast<char>(0x80 | (b & 0x3F));
}

// Length of the well-formed GB18030 character at i (1, 2 or 4 bytes), or 0. Only the
// shape is checked; whether the code is assigned is the converter's business.
size_t gblength(std::string_view s, size_t i)
{
    const unsigned char c = byteat(s, i);
    if (c < 0x80) {
        return 1;
    }
    if (c == 0x80 || c == 0xFF || i + 1 >= s.size()) {
        return 0;
    }
    const unsigned char second = byteat(s, i + 1);
    if ((second >= 0x40 && second <= 0x7E) || (second >= 0x80 && second <= 0xFE)) {
        return 2;
    }
    if (second >= 0x30 && second <= 0x39 && i + 3 < s.size()) {
        const unsigned char third = byteat(s, i + 2);
        const unsigned char fourth = byteat(s, i + 3);
        if (third >= 0x81 && third <= 0xFE && fourth >= 0x30 && fourth <= 0x39) {
            return 4;
        }
    }
    return 0;
}

// One iconv descriptor, kept per thread: opening one costs far more than converting a
// line, and descriptors must not be shared between threads.
class Converter
{
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from))
    {
        if (m_cd == reinterpret_cast<iconv_t>(-1)) {
            throw std::runtime_error(std::string("iconv cannot convert from ") + from + " to " +
                                     to + ": " + std::strerror(errno));
        }
    }
    ~Converter() { iconv_close(m_cd); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts from the start of `in` until the end or the first character that cannot
    // be converted; appends to `out` and returns the number of input bytes used. `error`
    // gets why it stopped early: EILSEQ (no character there) or EINVAL (a character
    // incomplete at the end of `in`); 0 when everything was converted.
    size_t convert(std::string_view in, std::string& out, int* error = nullptr)
    {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        char* inptr = const_cast<char*>(in.data());
        size_t inleft = in.size();
        char buffer[8192];
        while (inleft > 0) {
            char* outptr = buffer;
            size_t outleft = sizeof buffer;
            const size_t rc = iconv(m_cd, &inptr, &inleft, &outptr, &outleft);
            out.append(buffer, static_cast<size_t>(outptr - buffer));
            if (rc == static_cast<size_t>(-1) && errno != E2BIG) {
                if (error) {
                    *error = errno;
                }
                break;
            }
        }
        if (error && inleft == 0) {
            *error = 0;
        }
        return in.size() - inleft;
    }

    // Appends what returns a stateful charset to its initial shift state.
    bool finish(std::string& out)
    {
        char buffer[64];
        char* outptr = buffer;
        size_t outleft = sizeof buffer;
        const size_t rc = iconv(m_cd, nullptr, nullptr, &outptr, &outleft);
        out.append(buffer, static_cast<size_t>(outptr - buffer));
        return rc != static_cast<size_t>(-1);
    }

private:
    iconv_t m_cd;
};

// GB18030 holds every GBK character with the same bytes, so one converter serves both;
// only the euro sign differs (GBK's single byte 0x80 is not GB18030), and its two-byte
// GB18030 form is the one that reads back as a euro sign.
Converter& encoder()
{
    thread_local Converter c("GB18030", "UTF-8");
    return c;
}

Converter& decoder()
{
    thread_local Converter c("UTF-8", "GB18030");
    return c;
}

// Appends the decoding `text` of a run of GB18030 characters, keeping a character only
// when it encodes back to the same bytes (a few four-byte codes decode to characters
// whose preferred form is a different two-byte code).
void appendchecked(std::string_view run, const std::string& text, std::string& out)
{
    if (togbk(text) == run) {
        out += text;
        return;
    }
    for (size_t i = 0; i < run.size();) {
        const size_t len = gblength(run, i);
        const std::string_view one = run.substr(i, len);
        std::string ch;
        if (decoder().convert(one, ch) == len && togbk(ch) == one) {
            out += ch;
        } else {
            for (const char b : one) {
                appendescape(out, static_cast<unsigned char>(b));
            }
        }
        i += len;
    }
}

// UTF-8 bytes as they are, each byte that is not part of a well-formed character
// escaped.
std::string fromutf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size();) {
        const size_t len = utf8length(bytes, i);
        if (len == 0) {
            appendescape(out, byteat(bytes, i));
            ++i;
        } else {
            out.append(bytes.substr(i, len));
            i += len;
        }
    }
    return out;
}

// Length of the bytes before an incomplete GB18030 character at their very end: a lead
// byte alone, or the first two or three bytes of a four-byte form.
size_t withoutgbtail(std::string_view bytes)
{
    size_t i = 0;
    while (i < bytes.size()) {
        size_t len = gblength(bytes, i);
        if (len == 0) {
            const std::string_view rest = bytes.substr(i);
            const auto at = [&rest](size_t k) { return static_cast<unsigned char>(rest[k]); };
            const bool lead = at(0) >= 0x81 && at(0) <= 0xFE;
            const bool digit = rest.size() < 2 || (at(1) >= 0x30 && at(1) <= 0x39);
            const bool third = rest.size() < 3 || (at(2) >= 0x81 && at(2) <= 0xFE);
            if (rest.size() < 4 && lead && (rest.size() == 1 || (digit && third))) {
                return i;
            }
            len = 1;
        }
        i += len;
    }
    return bytes.size();
}

// A converter between UTF-8 and an iconv charset, opened once per thread; null when iconv
// does not have the charset.
Converter* converterfor(const std::string& iconvname, bool toutf8)
{
    thread_local std::map<std::pair<std::string, bool>, std::unique_ptr<Converter>> converters;
    const auto known = converters.find({iconvname, toutf8});
    if (known != converters.end()) {
        return known->second.get();
    }
    std::unique_ptr<Converter> converter;
    try {
        converter = toutf8 ? std::make_unique<Converter>("UTF-8", iconvname.c_str())
                           : std::make_unique<Converter>(iconvname.c_str(), "UTF-8");
    } catch (const std::runtime_error&) {
        // Remembered as missing: the table of labels is small, so is this map.
    }
    return converters.emplace(std::pair{iconvname, toutf8}, std::move(converter))
        .first->second.get();
}

Converter* decoderfrom(const std::string& iconvname)
{
    return converterfor(iconvname, true);
}

// Bytes in the converter's charset to UTF-8 text; a byte that starts no character becomes
// an escape. An incomplete character at the end is dropped when `cut`, else escaped.
std::string fromcharset(Converter& converter, std::string_view bytes, bool cut)
{
    std::string out;
    out.reserve(bytes.size() * 2);
    size_t i = 0;
    while (i < bytes.size()) {
        int error = 0;
        i += converter.convert(bytes.substr(i), out, &error);
        if (i >= bytes.size() || (cut && error == EINVAL)) {
            break;
        }
        appendescape(out, byteat(bytes, i));
        ++i;
    }
    return out;
}

// Decoding by a charset label; see decodecharset() and decodecharsetcut().
std::string decodelabelled(std::string_view bytes, std::string_view charset, bool cut)
{
    const std::string name = iconvcharset(charset);
    if (name == "UTF-8") {
        return fromutf8(cut ? bytes.substr(0, completeutf8(bytes)) : bytes);
    }
    if (name == "GB18030") {
        return fromgbk(cut ? bytes.substr(0, withoutgbtail(bytes)) : bytes);
    }
    if (Converter* converter = name.empty() ? nullptr : decoderfrom(name)) {
        return fromcharset(*converter, bytes, cut);
    }
    if (cut) {
        const std::string_view utf8 = bytes.substr(0, completeutf8(bytes));
        if (isutf8(utf8)) {
            bytes = utf8;
        } else {
            // The text starts after a byte-order mark, which decode() keeps as it is.
            const size_t start = bytes.substr(0, kBom.size()) == kBom ? kBom.size() : 0;
            bytes = bytes.substr(0, start + withoutgbtail(bytes.substr(start)));
        }
    }
    return decode(bytes);
}

// UTF-8 text with its escapes turned back into raw bytes.
std::string unescape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    size_t start = 0;
    for (size_t i = text.find('\xED'); i != std::string_view::npos; i = text.find('\xED', i + 1)) {
        const int b = escapedbyte(text, i);
        if (b >= 0) {
            out.append(text.substr(start, i - start));
            out += static_cast<char>(b);
            start = i + 3;
            i += 2;
        }
    }
    out.append(text.substr(start));
    return out;
}

} // namespace

std::string togbk(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    const auto ascii = [&utf8](size_t at) { return static_cast<unsigned char>(utf8[at]) < 0x80; };
    size_t i = 0;
    while (i < utf8.size()) {
        // ASCII has the same bytes in GB18030: it is copied, and only the runs of other
        // bytes (whole UTF-8 characters, escapes) go through the converter.
        size_t end = i;
        while (end < utf8.size() && ascii(end)) {
            ++end;
        }
        out.append(utf8.substr(i, end - i));
        i = end;
        while (end < utf8.size() && !ascii(end)) {
            ++end;
        }
        i += encoder().convert(utf8.substr(i, end - i), out);
        if (i >= end) {
            continue;
        }
        if (const int b = escapedbyte(utf8, i); b >= 0) {
            out += static_cast<char>(b);
            i += 3;
            continue;
        }
        // A byte that is not UTF-8, or one of the few private-use characters that
        // GB18030 no longer maps: kept as it is rather than lost.
        const size_t len = std::max<size_t>(utf8length(utf8, i), 1);
        out.append(utf8.substr(i, len));
        i += len;
    }
    return out;
}

std::string fromgbk(std::string_view gbk)
{
    std::string out;
    out.reserve(gbk.size() + gbk.size() / 2);
    size_t i = 0;
    while (i < gbk.size()) {
        size_t end = i;
        while (end < gbk.size()) {
            const size_t len = gblength(gbk, end);
            if (len == 0) {
                break;
            }
            end += len;
        }
        if (end == i) {
            appendescape(out, byteat(gbk, i));
            ++i;
            continue;
        }
        while (i < end) {
            std::string text;
            const size_t used = decoder().convert(gbk.substr(i, end - i), text);
            if (used > 0) {
                appendchecked(gbk.substr(i, used), text, out);
                i += used;
            }
            if (i < end) {
                // A well-formed code that is not assigned: all its bytes carried through.
                const size_t len = gblength(gbk, i);
                for (size_t k = 0; k < len; ++k) {
                    appendescape(out, byteat(gbk, i + k));
                }
                i += len;
            }
        }
    }
    return out;
}

std::string unencodable(std::string_view utf8, Encoding encoding)
{
    if (encoding != Encoding::Gbk) {
        return {};
    }
    std::string scratch;
    size_t i = 0;
    while (i < utf8.size()) {
        i += encoder().convert(utf8.substr(i), scratch);
        scratch.clear();
        if (i >= utf8.size()) {
            break;
        }
        if (escapedbyte(utf8, i) >= 0) {
            i += 3;
            continue;
        }
        const size_t len = utf8length(utf8, i);
        if (len > 0) {
            return std::string(utf8.substr(i, len));
        }
        ++i;
    }
    return {};
}

std::size_t asciiend(std::string_view bytes, std::size_t from)
{
    // Pages are mostly markup: their bytes are looked at a word at a time, and one by
    // one only in a word that holds a byte above 0x7f.
    std::size_t i = from;
    while (i + sizeof(std::uint64_t) <= bytes.size() && isasciiword(bytes.data() + i)) {
        i += sizeof(std::uint64_t);
    }
    while (i < bytes.size() && byteat(bytes, i) < 0x80) {
        ++i;
    }
    return i;
}

bool isutf8(std::string_view bytes)
{
    for (size_t i = 0; i < bytes.size();) {
        if (i + sizeof(std::uint64_t) <= bytes.size() && isasciiword(bytes.data() + i)) {
            i += sizeof(std::uint64_t);
            continue;
        }
        const size_t len = utf8length(bytes, i);
        if (len == 0) {
            return false;
        }
        i += len;
    }
    return true;
}

Encoding detect(std::string_view bytes)
{
    if (!isutf8(bytes)) {
        return Encoding::Gbk;
    }
    return bytes.substr(0, kBom.size()) == kBom ? Encoding::Utf8Bom : Encoding::Utf8;
}

std::string decode(std::string_view bytes, Encoding* found)
{
    const Encoding encoding = detect(bytes);
    if (found) {
        *found = encoding;
    }
    switch (encoding) {
    case Encoding::Utf8:
        return std::string(bytes);
    case Encoding::Utf8Bom:
        return std::string(bytes.substr(kBom.size()));
    case Encoding::Gbk:
        break;
    }
    if (bytes.substr(0, kBom.size()) == kBom) {
        // A byte-order mark before bytes that are not UTF-8 marks nothing: its bytes are
        // carried through and the GBK text starts after them.
        std::string out;
        for (const char b : kBom) {
            appendescape(out, static_cast<unsigned char>(b));
        }
        return out + fromgbk(bytes.substr(kBom.size()));
    }
    return fromgbk(bytes);
}

std::string encode(std::string_view utf8, Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf8:
        return unescape(utf8);
    case Encoding::Utf8Bom:
        return std::string(kBom) + unescape(utf8);
    case Encoding::Gbk:
        break;
    }
    return togbk(utf8);
}

std::string decodecharset(std::string_view bytes, std::string_view charset)
{
    return decodelabelled(bytes, charset, false);
}

std::string decodecharsetcut(std::string_view bytes, std::string_view charset)
{
    return decodelabelled(bytes, charset, true);
}

std::optional<std::string> fromcharsetexact(std::string_view bytes, const std::string& iconvname)
{
    Converter* converter = decoderfrom(iconvname);
    if (!converter) {
        return std::nullopt;
    }
    std::string out;
    out.reserve(bytes.size() * 2);
    if (converter->convert(bytes, out) != bytes.size() || !converter->finish(out)) {
        return std::nullopt;
    }
    return out;
}

std::optional<std::string> tocharset(std::string_view utf8, const std::string& iconvname,
                                     std::string* bad)
{
    if (bad) {
        bad->clear();
    }
    Converter* converter = converterfor(iconvname, false);
    if (!converter) {
        return std::nullopt;
    }
    std::string out;
    out.reserve(utf8.size());
    const size_t used = converter->convert(utf8, out);
    if (used != utf8.size()) {
        if (bad) {
            *bad = std::string(utf8.substr(used, std::max<size_t>(utf8length(utf8, used), 1)));
        }
        return std::nullopt;
    }
    if (!converter->finish(out)) {
        return std::nullopt;
    }
    return out;
}

size_t completeutf8(std::string_view bytes)
{
    const size_t n = bytes.size();
    for (size_t back = 1; back <= 3 && back <= n; ++back) {
        const unsigned char c = byteat(bytes, n - back);
        if ((c & 0xC0) == 0x80) {
            continue; // continuation byte: look further back for the lead
        }
        size_t need = 1;
        if ((c & 0xE0) == 0xC0) {
            need = 2;
        } else if ((c & 0xF0) == 0xE0) {
            need = 3;
        } else if ((c & 0xF8) == 0xF0) {
            need = 4;
        }
        return need > back ? n - back : n;
    }
    return n;
}

std::string displayable(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        if (escapedbyte(utf8, i) >= 0) {
            out += kReplacement;
            i += 3;
            continue;
        }
        const size_t len = utf8length(utf8, i);
        if (len == 0) {
            out += kReplacement;
            ++i;
        } else {
            out.append(utf8.substr(i, len));
            i += len;
        }
    }
    return out;
}

std::vector<std::string> splitlines(std::string_view text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end = text.find_first_of("\r\n"); end != std::string_view::npos;
         end = text.find_first_of("\r\n", start)) {
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n') {
            ++start;
        }
    }
    if (start < text.size()) {
        lines.emplace_back(text.substr(start));
    }
    return lines;
}

} // namespace morvik::platform
