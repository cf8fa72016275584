// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/append/insert.h"

#include "platform/fileops.h"
#include "platform/folderat.h"
#include "platform/syserror.h"
#include "platform/ui.h"

#include <cstring>
#include <optional>

namespace morvik::append
{

namespace
{

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kCrLf = "\r\n";

// Text inside the program carries bytes that decoded in neither encoding as code points
// of the surrogate range (three bytes beginning with 0xED 0xA0..0xBF); they turn back
// into their raw bytes on encoding.
bool holdsrawbytes(std::string_view utf8)
{
    for (std::size_t i = 0; i + 1 < utf8.size(); ++i) {
        if (static_cast<unsigned char>(utf8[i]) == 0xED &&
            static_cast<unsigned char>(utf8[i + 1]) >= 0xA0) {
            return true;
        }
    }
    return false;
}

// Length of the GBK/GB18030 character at `pos`; a byte that starts no valid character
// stands alone, as the decoder treats it.
std::size_t gbkcharlength(std::string_view text, std::size_t pos)
{
    const auto at = [&](std::size_t i) -> unsigned {
        return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u;
    };
    const unsigned b1 = at(pos);
    if (b1 < 0x81 || b1 == 0xFF) {
        return 1;
    }
    const unsigned b2 = at(pos + 1);
    if (b2 >= 0x30 && b2 <= 0x39) {
        const unsigned b3 = at(pos + 2);
        const unsigned b4 = at(pos + 3);
        if (b3 >= 0x81 && b3 <= 0xFE && b4 >= 0x30 && b4 <= 0x39) {
            return 4;
        }
        return 1;
    }
    if (b2 >= 0x40 && b2 <= 0xFE && b2 != 0x7F) {
        return 2;
    }
    return 1;
}

// Walks character boundaries of a GBK text forward; positions asked for never decrease.
class GbkBoundaries
{
public:
    explicit GbkBoundaries(std::string_view text) : m_text(text) {}

    bool isboundary(std::size_t pos)
    {
        while (m_cursor < pos) {
            m_cursor += gbkcharlength(m_text, m_cursor);
        }
        return m_cursor == pos;
    }
    // Whether a match of `length` bytes at the boundary `pos` ends on a boundary too,
    // without moving the cursor.
    bool endsonboundary(std::size_t pos, std::size_t length) const
    {
        std::size_t cursor = pos;
        while (cursor < pos + length) {
            cursor += gbkcharlength(m_text, cursor);
        }
        return cursor == pos + length;
    }

private:
    std::string_view m_text;
    std::size_t m_cursor = 0;
};

struct Locator {
    bool after = false;
    std::string marker;
};

enum class Check { Usable, Rejected, Ignored };

Check checklocator(const std::string& position, Locator& locator, bool& zt, Ui& ui)
{
    const auto first = position.find(kSeparator);
    if (first == std::string::npos) {
        ui.msgbox(
            std::string("位置字符串格式不正确") + "\r\n" +
                "格式：[A][F]{:$}STR,{:$}是分隔符，字符A表示将内容插入分隔符的后字符串之后；" +
                "F表示将内容插入分隔符后字符串之前必选其一;STR是追加位置的字符串。",
            "字符串格式错误！", Icon::Critical);
        zt = true;
        return Check::Rejected;
    }
    const char letter = position.empty() ? '\0' : position[0];
    if (letter != 'A' && letter != 'a' && letter != 'F' && letter != 'f') {
        ui.msgbox("前后标识符未指定或不正确！", "标识符错误", Icon::Critical);
        zt = true;
        return Check::Rejected;
    }
    const std::size_t start = first + std::strlen(kSeparator);
    const auto second = position.find(kSeparator, start);
    locator.marker =
        position.substr(start, second == std::string::npos ? std::string::npos : second - start);
    if (locator.marker.empty()) {
        ui.msgbox("位置字符为空，无法定位位置", "位置字符错误", Icon::Critical);
        zt = true;
        return Check::Rejected;
    }
    if (first != 1) {
        return Check::Ignored; // a letter part such as "AB": accepted, but nothing to do
    }
    locator.after = letter == 'A' || letter == 'a';
    return Check::Usable;
}

// Puts `block` after or before every occurrence of `marker` in `text`, left to right,
// occurrences not overlapping; with `gbk` a match must start and end on character
// boundaries. The result goes to `out`, which already holds any prefix. Returns the
// number of occurrences.
std::size_t insertatmarkers(std::string_view text, std::string_view marker, std::string_view block,
                            bool after, bool gbk, std::string& out)
{
    GbkBoundaries boundaries(text);
    std::size_t copied = 0;
    std::size_t from = 0;
    std::size_t found = 0;
    while (from + marker.size() <= text.size()) {
        const void* hit =
            memmem(text.data() + from, text.size() - from, marker.data(), marker.size());
        if (!hit) {
            break;
        }
        const std::size_t at = static_cast<const char*>(hit) - text.data();
        if (gbk && (!boundaries.isboundary(at) || !boundaries.endsonboundary(at, marker.size()))) {
            from = at + 1;
            continue;
        }
        out.append(text.substr(copied, at - copied));
        if (after) {
            out.append(marker);
            out.append(block);
        } else {
            out.append(block);
            out.append(marker);
        }
        copied = at + marker.size();
        from = copied;
        ++found;
    }
    out.append(text.substr(copied));
    return found;
}

// The line end a file uses: LF alone in a file whose every line ends so, CR LF in every
// other file (those with CR LF or CR line ends, mixed ones, and those without any).
std::string_view lineendof(std::string_view text)
{
    const bool lf = std::memchr(text.data(), '\n', text.size()) != nullptr;
    const bool cr = std::memchr(text.data(), '\r', text.size()) != nullptr;
    return lf && !cr ? std::string_view("\n") : kCrLf;
}

// The text with each of its line ends (CR LF, CR or LF) written as `lineend`.
std::string withlineends(std::string_view text, std::string_view lineend)
{
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            out.append(lineend);
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
        } else {
            out += c;
        }
    }
    return out;
}

bool endsinlinebreak(std::string_view text)
{
    return !text.empty() && (text.back() == '\n' || text.back() == '\r');
}

// A character of `text` that a GBK file cannot hold would be written as raw UTF-8 into
// it; such a target is refused and keeps its contents.
void refuseunencodable(std::string_view text)
{
    const std::string bad = platform::unencodable(text, platform::Encoding::Gbk);
    if (!bad.empty()) {
        throw platform::SysError("", "插入的内容含有 GBK 文件无法保存的字符“" + bad + "”");
    }
}

} // namespace

namespace
{

// Whether `marker` can be looked for in the raw bytes before anything else is done: an
// ASCII marker without line breaks has the same bytes in every encoding and convention.
bool plainmarker(std::string_view marker)
{
    for (const char c : marker) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x80 || c == '\r' || c == '\n') {
            return false;
        }
    }
    return true;
}

// The target's new bytes, or nothing when it stays as it is. A text the target cannot
// hold throws SysError with the reason only (the caller names the file).
std::optional<std::string> withinsertion(const std::string& bytes, const std::string& src,
                                         bool atend, const Locator& locator,
                                         platform::Encoding plain)
{
    // Most pages of a run lack the marker: they are passed over before any decoding.
    if (!atend && plainmarker(locator.marker) &&
        !memmem(bytes.data(), bytes.size(), locator.marker.data(), locator.marker.size())) {
        return std::nullopt;
    }

    platform::Encoding encoding = platform::detect(bytes);
    bool ascii = true;
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (ascii) {
        encoding = plain == platform::Encoding::Gbk ? plain : platform::Encoding::Utf8;
    }
    const bool gbk = encoding == platform::Encoding::Gbk;
    std::string_view body = bytes;
    std::string out;
    // A byte-order mark stays as it is, also before bytes that are not UTF-8 (read as
    // GBK): GBK characters are counted from after it.
    if (body.substr(0, kBom.size()) == kBom) {
        body.remove_prefix(kBom.size());
        out.append(kBom);
    }

    // UTF-8 holds every character, but raw bytes carried over from a content file that
    // was not valid text would leave the target invalid UTF-8 (read as GBK next time).
    if (!gbk && holdsrawbytes(src)) {
        throw platform::SysError("", "插入的内容含有不是 UTF-8 文本的字节，无法写入 UTF-8 文件");
    }
    if (gbk) {
        refuseunencodable(src);
    }

    // Only the inserted text changes: its line ends follow the file's own, and the rest
    // of the file keeps every byte.
    const std::string_view lineend = lineendof(body);
    const std::string text = withlineends(src, lineend);
    const std::string block = gbk ? platform::togbk(text) : text;
    if (block.empty()) {
        return std::nullopt; // nothing to add
    }

    out.reserve(out.size() + body.size() + block.size() + 2 * lineend.size());
    if (atend) {
        out.append(body);
        if (!body.empty() && !endsinlinebreak(body)) {
            out.append(lineend);
        }
        out.append(block);
        if (!endsinlinebreak(block)) {
            out.append(lineend);
        }
        return out;
    }
    const std::string markertext = withlineends(locator.marker, lineend);
    const std::string marker = gbk ? platform::togbk(markertext) : markertext;
    if (insertatmarkers(body, marker, block, locator.after, gbk, out) == 0) {
        return std::nullopt;
    }
    return out;
}

// The locator does not depend on the file, so a bad one is reported before any file is
// read: the run stops on its first target whatever state that target is in. Returns
// whether the insertion goes ahead.
bool acceptlocator(const std::string& position, Locator& locator, bool& zt, Ui& ui)
{
    if (position.empty()) {
        return true;
    }
    return checklocator(position, locator, zt, ui) == Check::Usable;
}

// A refusal of the text names the file it was meant for.
[[noreturn]] void rethrownamed(const platform::SysError& e, const std::string& path)
{
    if (!e.path().empty()) {
        throw e;
    }
    throw platform::SysError(path, e.reason());
}

} // namespace

bool appendtofile(const std::string& filename, const std::string& src, const std::string& position,
                  bool& zt, Ui& ui, platform::Encoding plain)
{
    Locator locator;
    if (!acceptlocator(position, locator, zt, ui)) {
        return false;
    }
    const std::string bytes = platform::readbytes(filename);
    std::optional<std::string> out;
    try {
        out = withinsertion(bytes, src, position.empty(), locator, plain);
    } catch (const platform::SysError& e) {
        rethrownamed(e, filename);
    }
    if (out) {
        platform::replacefile(filename, *out);
    }
    return true;
}

bool appendtofileat(const platform::RewriteFolder& folder, const std::string& name,
                    const std::string& src, const std::string& position, bool& zt, Ui& ui,
                    platform::Encoding plain)
{
    Locator locator;
    if (!acceptlocator(position, locator, zt, ui)) {
        return false;
    }
    platform::ReadState state;
    const std::string bytes = folder.read(name, state);
    std::optional<std::string> out;
    try {
        out = withinsertion(bytes, src, position.empty(), locator, plain);
    } catch (const platform::SysError& e) {
        rethrownamed(e, folder.join(name));
    }
    if (out) {
        folder.replace(name, *out, state);
    }
    return true;
}

} // namespace morvik::append
