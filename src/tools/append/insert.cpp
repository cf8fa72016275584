// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/append/insert.h"

#include "platform/text/charsets.h"
#include "platform/fs/fileops.h"
#include "platform/fs/folderat.h"
#include "platform/syserror.h"
#include "run/ui.h"

#include <cstring>
#include <optional>
#include <vector>

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

// A marker as it is looked for: its pieces of text, in the target's encoding, with one
// line end of the target (CR LF, CR or LF) between each two of them.
std::vector<std::string> markerpieces(std::string_view marker, bool gbk)
{
    const std::string text = withlineends(marker, "\n");
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', start)) {
        pieces.push_back(text.substr(start, at - start));
        start = at + 1;
    }
    pieces.push_back(text.substr(start));
    if (gbk) {
        for (std::string& piece : pieces) {
            piece = platform::togbk(piece);
        }
    }
    return pieces;
}

// The length of the occurrence of the marker at `at`, or npos when there is none. A line
// break of the marker takes a CR LF pair whole, never its CR alone.
std::size_t matchlength(std::string_view text, std::size_t at,
                        const std::vector<std::string>& pieces)
{
    std::size_t pos = at;
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        if (k > 0) {
            if (pos >= text.size() || (text[pos] != '\r' && text[pos] != '\n')) {
                return std::string_view::npos;
            }
            pos += text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n' ? 2 : 1;
        }
        if (text.substr(pos, pieces[k].size()) != pieces[k]) {
            return std::string_view::npos;
        }
        pos += pieces[k].size();
    }
    return pos - at;
}

// The next place at or after `from` where the marker could begin: its first piece, or
// for a marker that begins with a line break, a line end (not the LF of a CR LF pair).
std::size_t nextcandidate(std::string_view text, std::size_t from,
                          const std::vector<std::string>& pieces)
{
    const std::string& first = pieces.front();
    if (!first.empty()) {
        if (from >= text.size()) {
            return std::string_view::npos;
        }
        const void* hit =
            memmem(text.data() + from, text.size() - from, first.data(), first.size());
        return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text.data())
                   : std::string_view::npos;
    }
    for (std::size_t at = text.find_first_of("\r\n", from); at != std::string_view::npos;
         at = text.find_first_of("\r\n", at + 1)) {
        if (text[at] == '\r' || at == 0 || text[at - 1] != '\r') {
            return at;
        }
    }
    return std::string_view::npos;
}

// The places where the block goes: after or before every occurrence of the marker in
// `text`, left to right, occurrences not overlapping; with `gbk` an occurrence must start
// and end on character boundaries.
std::vector<std::size_t>
insertionpoints(std::string_view text, const std::vector<std::string>& pieces, bool after, bool gbk)
{
    GbkBoundaries boundaries(text);
    std::vector<std::size_t> points;
    std::size_t from = 0;
    for (std::size_t at = nextcandidate(text, from, pieces); at != std::string_view::npos;
         at = nextcandidate(text, from, pieces)) {
        const std::size_t length = matchlength(text, at, pieces);
        if (length == std::string_view::npos ||
            (gbk && (!boundaries.isboundary(at) || !boundaries.endsonboundary(at, length)))) {
            from = at + 1;
            continue;
        }
        points.push_back(after ? at + length : at);
        from = at + length;
    }
    return points;
}

// `text` with `block` put at each of the points.
void splice(std::string_view text, const std::vector<std::size_t>& points, std::string_view block,
            std::string& out)
{
    out.reserve(out.size() + text.size() + points.size() * block.size());
    std::size_t copied = 0;
    for (const std::size_t point : points) {
        out.append(text.substr(copied, point - copied));
        out.append(block);
        copied = point;
    }
    out.append(text.substr(copied));
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

// What goes into a text whose line ends are `lineend`: the places and the block (UTF-8
// text, not yet encoded), or nothing when the marker does not occur. At the end of a text
// whose last line has no line break, one goes first; the block ends in a line break.
struct Insertion {
    std::vector<std::size_t> points;
    std::string block;
};

std::optional<Insertion> planinsertion(std::string_view text, std::string block, bool atend,
                                       const Locator& locator, bool gbk)
{
    const std::string_view lineend = lineendof(text);
    block = withlineends(block, lineend);
    if (block.empty()) {
        return std::nullopt; // nothing to add
    }
    if (atend) {
        if (!text.empty() && !endsinlinebreak(text)) {
            block = std::string(lineend) + block;
        }
        if (!endsinlinebreak(block)) {
            block.append(lineend);
        }
        return Insertion{{text.size()}, std::move(block)};
    }
    std::vector<std::size_t> points =
        insertionpoints(text, markerpieces(locator.marker, gbk), locator.after, gbk);
    if (points.empty()) {
        return std::nullopt;
    }
    return Insertion{std::move(points), std::move(block)};
}

// The charset a page declares in a <meta> tag near its start (where browsers look for it),
// when iconv has it: its label and iconv's name. A byte-order mark outweighs the tag, and
// a UTF-8 claim that the bytes contradict is not believed.
struct Declared {
    std::string label;
    std::string iconvname;
};

constexpr std::size_t kDeclarationWindow = 1024;

Declared declaredcharset(std::string_view bytes)
{
    if (bytes.substr(0, kBom.size()) == kBom) {
        return {};
    }
    Declared declared;
    declared.label = platform::metacharset(bytes.substr(0, kDeclarationWindow));
    declared.iconvname = platform::iconvcharset(declared.label);
    if (declared.iconvname == "UTF-8" && !platform::isutf8(bytes)) {
        return {};
    }
    return declared;
}

// The new bytes of a page in a charset other than UTF-8 and GBK: the page is decoded,
// the text put in and each stretch of the page between two insertions encoded back on
// its own. A page whose stretches do not give back its own bytes exactly is refused, so
// nothing outside the inserted text changes.
std::optional<std::string> withinsertionin(const Declared& charset, const std::string& bytes,
                                           const std::string& src, bool atend,
                                           const Locator& locator)
{
    const std::optional<std::string> text = platform::fromcharsetexact(bytes, charset.iconvname);
    if (!text) {
        throw platform::SysError("", "网页的内容不是它声明的字符集 " + charset.label +
                                         " 的文本，无法写入");
    }
    if (holdsrawbytes(src)) {
        throw platform::SysError("", "插入的内容含有不是文本的字节，无法写入 " + charset.label +
                                         " 网页");
    }
    const std::optional<Insertion> insertion = planinsertion(*text, src, atend, locator, false);
    if (!insertion) {
        return std::nullopt;
    }
    std::string bad;
    const std::optional<std::string> block =
        platform::tocharset(insertion->block, charset.iconvname, &bad);
    if (!block) {
        throw platform::SysError("", "插入的内容含有 " + charset.label + " 网页无法保存的字符“" +
                                         bad + "”");
    }
    std::string out;
    out.reserve(bytes.size() + insertion->points.size() * block->size());
    std::size_t decoded = 0;
    std::size_t kept = 0;
    for (std::size_t k = 0; k <= insertion->points.size(); ++k) {
        const std::size_t point =
            k < insertion->points.size() ? insertion->points[k] : text->size();
        const std::optional<std::string> stretch = platform::tocharset(
            std::string_view(*text).substr(decoded, point - decoded), charset.iconvname);
        if (!stretch || bytes.compare(kept, stretch->size(), *stretch) != 0) {
            throw platform::SysError("", "网页的内容按它声明的字符集 " + charset.label +
                                             " 写回时会改变，无法写入");
        }
        out.append(*stretch);
        kept += stretch->size();
        decoded = point;
        if (k < insertion->points.size()) {
            out.append(*block);
        }
    }
    if (kept != bytes.size()) {
        throw platform::SysError("", "网页的内容按它声明的字符集 " + charset.label +
                                         " 写回时会改变，无法写入");
    }
    return out;
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

    // A page that declares its charset is written in it.
    const Declared declared = declaredcharset(bytes);
    if (!declared.iconvname.empty() && declared.iconvname != "UTF-8" &&
        declared.iconvname != "GB18030" && platform::tocharset("", declared.iconvname) &&
        platform::fromcharsetexact("", declared.iconvname)) {
        return withinsertionin(declared, bytes, src, atend, locator);
    }

    platform::Encoding encoding = platform::detect(bytes);
    bool ascii = true;
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    if (declared.iconvname == "GB18030") {
        encoding = platform::Encoding::Gbk;
    } else if (declared.iconvname == "UTF-8") {
        encoding = platform::Encoding::Utf8;
    } else if (ascii) {
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
    const std::optional<Insertion> insertion = planinsertion(body, src, atend, locator, gbk);
    if (!insertion) {
        return std::nullopt;
    }
    splice(body, insertion->points, gbk ? platform::togbk(insertion->block) : insertion->block,
           out);
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
