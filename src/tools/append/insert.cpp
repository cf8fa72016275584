#include "tools/append/insert.h"

#include "platform/fileops.h"
#include "platform/syserror.h"
#include "platform/ui.h"

#include <cstring>

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
// boundaries. The result goes to `out`, which already holds any prefix.
void insertatmarkers(std::string_view text, std::string_view marker, std::string_view block,
                     bool after, bool gbk, std::string& out)
{
    GbkBoundaries boundaries(text);
    std::size_t copied = 0;
    std::size_t from = 0;
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
    }
    out.append(text.substr(copied));
}

} // namespace

std::string crlflines(std::string_view bytes)
{
    std::string text;
    text.reserve(bytes.size() + 2);
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const void* cr = std::memchr(bytes.data() + pos, '\r', bytes.size() - pos);
        if (!cr) {
            text.append(bytes.substr(pos));
            text.append(kCrLf);
            break;
        }
        const std::size_t at = static_cast<const char*>(cr) - bytes.data();
        text.append(bytes.substr(pos, at - pos));
        text.append(kCrLf);
        pos = at + 1;
        if (pos < bytes.size() && bytes[pos] == '\n') {
            ++pos;
        }
    }
    return text;
}

bool appendtofile(const std::string& filename, const std::string& src, const std::string& position,
                  bool& zt, Ui& ui, platform::Encoding plain)
{
    // The locator does not depend on the file, so a bad one is reported before any file
    // is read: the run stops on its first target whatever state that target is in.
    Locator locator;
    if (!position.empty()) {
        switch (checklocator(position, locator, zt, ui)) {
        case Check::Rejected:
        case Check::Ignored:
            return false;
        case Check::Usable:
            break;
        }
    }

    const std::string bytes = platform::readbytes(filename);

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
    if (encoding == platform::Encoding::Utf8Bom && body.substr(0, kBom.size()) == kBom) {
        body.remove_prefix(kBom.size());
        out.append(kBom);
    }

    // UTF-8 holds every character, but raw bytes carried over from a content file that
    // was not valid text would leave the target invalid UTF-8 (read as GBK next time).
    if (!gbk && holdsrawbytes(src)) {
        throw platform::SysError(filename,
                                 "插入的内容含有不是 UTF-8 文本的字节，无法写入 UTF-8 文件");
    }
    const std::string block = gbk ? platform::togbk(src) : src;
    const std::string text = crlflines(body);

    out.reserve(out.size() + text.size() + block.size() + kCrLf.size());
    if (position.empty()) {
        out.append(text);
        out.append(block);
    } else {
        const std::string marker = gbk ? platform::togbk(locator.marker) : locator.marker;
        insertatmarkers(text, marker, block, locator.after, gbk, out);
    }
    out.append(kCrLf);
    platform::replacefile(filename, out);
    return true;
}

} // namespace morvik::append
