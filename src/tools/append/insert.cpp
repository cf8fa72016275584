// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/append/insert.h"

#include "platform/fs/fileops.h"
#include "platform/fs/rewritefolder.h"
#include "platform/syserror.h"
#include "platform/text/charsets.h"
#include "run/ui.h"
#include "tools/append/pagestream.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <utility>
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

// The longest GBK/GB18030 character.
constexpr std::size_t kLongestGbk = 4;

// Walks character boundaries of a GBK text forward; positions asked for never decrease.
// Positions count from the page's start and each question comes with the bytes (`text`,
// holding the page from `base` on), so a page read a stretch at a time is walked as one
// held whole.
class GbkBoundaries
{
public:
    explicit GbkBoundaries(std::uint64_t start) : m_cursor(start) {}

    bool isboundary(std::string_view text, std::uint64_t base, std::uint64_t pos)
    {
        while (m_cursor < pos) {
            m_cursor += gbkcharlength(text, static_cast<std::size_t>(m_cursor - base));
        }
        return m_cursor == pos;
    }
    // Whether a match of `length` bytes at the boundary `pos` ends on a boundary too,
    // without moving the cursor.
    bool endsonboundary(std::string_view text, std::uint64_t base, std::uint64_t pos,
                        std::size_t length) const
    {
        std::size_t cursor = static_cast<std::size_t>(pos - base);
        const std::size_t end = cursor + length;
        while (cursor < end) {
            cursor += gbkcharlength(text, cursor);
        }
        return cursor == end;
    }
    // Walks on toward `pos` over the characters `text` holds whole (all of them when it
    // reaches the page's end); returns where it stopped, the first byte it still needs.
    std::uint64_t walkto(std::string_view text, std::uint64_t base, std::uint64_t pos,
                         bool complete)
    {
        const std::uint64_t end = base + text.size();
        while (m_cursor < pos && (complete || m_cursor + kLongestGbk <= end)) {
            m_cursor += gbkcharlength(text, static_cast<std::size_t>(m_cursor - base));
        }
        return m_cursor;
    }

private:
    std::uint64_t m_cursor;
};

struct Locator {
    bool after = false;
    std::string marker;
};

enum class Check { Usable, Rejected, Ignored };

Check checklocator(const std::string& position, Locator& locator, bool& locatorrejected, Ui& ui)
{
    const auto first = position.find(kSeparator);
    if (first == std::string::npos) {
        ui.msgbox(
            std::string("位置字符串格式不正确") + "\r\n" +
                "格式：[A][F]{:$}STR,{:$}是分隔符，字符A表示将内容插入分隔符的后字符串之后；" +
                "F表示将内容插入分隔符后字符串之前必选其一;STR是追加位置的字符串。",
            "字符串格式错误！", Icon::Critical);
        locatorrejected = true;
        return Check::Rejected;
    }
    const char letter = position.empty() ? '\0' : position[0];
    if (letter != 'A' && letter != 'a' && letter != 'F' && letter != 'f') {
        ui.msgbox("前后标识符未指定或不正确！", "标识符错误", Icon::Critical);
        locatorrejected = true;
        return Check::Rejected;
    }
    const std::size_t start = first + std::strlen(kSeparator);
    const auto second = position.find(kSeparator, start);
    locator.marker =
        position.substr(start, second == std::string::npos ? std::string::npos : second - start);
    if (locator.marker.empty()) {
        ui.msgbox("位置字符为空，无法定位位置", "位置字符错误", Icon::Critical);
        locatorrejected = true;
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
std::string_view lineendof(const PageSurvey& page)
{
    return page.haslf() && !page.hascr() ? std::string_view("\n") : kCrLf;
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

// The places where the block goes: after or before every occurrence of the marker,
// left to right, occurrences not overlapping; with `gbk` an occurrence must start and end
// on character boundaries. The page comes a stretch at a time (or whole): next() gives
// the next place, or asks for the bytes from a position on with one chunk more.
class MarkerScanner
{
public:
    enum class Found { Place, More, Done };
    struct Step {
        Found found;
        std::uint64_t at; // the place, or the first byte still needed
    };

    // `start`: where the page's text begins (after a byte-order mark); `from`: where the
    // search begins, no sooner than `start` (GBK text: only at `start`, where the walk of
    // its character boundaries begins).
    MarkerScanner(std::vector<std::string> pieces, bool after, bool gbk, std::uint64_t start,
                  std::uint64_t from)
        : m_pieces(std::move(pieces)), m_after(after), m_gbk(gbk), m_start(start), m_from(from),
          m_boundaries(start)
    {
        // What deciding one candidate reads: the longest match (a CR LF for each line break)
        // and the rest of a GBK character it ends in.
        m_lookahead = 2 * (m_pieces.size() - 1) + kLongestGbk;
        for (const std::string& piece : m_pieces) {
            m_lookahead += piece.size();
        }
    }

    // `text` holds the page from `base` on, up to its end when `complete`.
    Step next(std::string_view text, std::uint64_t base, bool complete)
    {
        for (;;) {
            const std::size_t at =
                nextcandidate(text, static_cast<std::size_t>(m_from - base), m_pieces);
            if (!complete && (at == std::string_view::npos || at + m_lookahead > text.size())) {
                return {Found::More, needed(text, base, at)};
            }
            if (at == std::string_view::npos) {
                return {Found::Done, 0};
            }
            const std::uint64_t place = base + at;
            const std::size_t length = matchlength(text, at, m_pieces);
            if (length == std::string_view::npos ||
                (m_gbk && (!m_boundaries.isboundary(text, base, place) ||
                           !m_boundaries.endsonboundary(text, base, place, length)))) {
                m_from = place + 1;
                continue;
            }
            m_from = place + length;
            return {Found::Place, m_after ? place + length : place};
        }
    }

private:
    // The first byte the search still needs when the stretch ends before a candidate can
    // be decided: the candidate's (or the last bytes', where one could begin), one before
    // it (a line break of the marker never begins at the LF of a CR LF pair), and the
    // character boundary walk's.
    std::uint64_t needed(std::string_view text, std::uint64_t base, std::size_t at)
    {
        const std::uint64_t end = base + text.size();
        m_from = at != std::string_view::npos
                     ? base + at
                     : std::max(m_from, end - std::min<std::uint64_t>(end, m_lookahead));
        const std::uint64_t keep = m_from > m_start ? m_from - 1 : m_from;
        return m_gbk ? std::min(keep, m_boundaries.walkto(text, base, keep, false)) : keep;
    }

    std::vector<std::string> m_pieces;
    bool m_after;
    bool m_gbk;
    std::uint64_t m_start;
    std::uint64_t m_from;
    std::size_t m_lookahead;
    GbkBoundaries m_boundaries;
};

// The places of the block in a text held whole, looked for from `from` on.
std::vector<std::size_t> insertionpoints(std::string_view text, std::vector<std::string> pieces,
                                         bool after, bool gbk, std::size_t from)
{
    MarkerScanner scanner(std::move(pieces), after, gbk, 0, from);
    std::vector<std::size_t> points;
    for (auto step = scanner.next(text, 0, true); step.found == MarkerScanner::Found::Place;
         step = scanner.next(text, 0, true)) {
        points.push_back(static_cast<std::size_t>(step.at));
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

bool islinebreak(char c)
{
    return c == '\n' || c == '\r';
}

bool endsinlinebreak(std::string_view text)
{
    return !text.empty() && islinebreak(text.back());
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

// What goes into a page: the block (UTF-8 text, not yet encoded) and the pieces of the
// marker it goes at (none: at the end), or nothing when there is nothing to add. The
// block takes the page's line ends; at the end of a page whose last line has no line
// break, one goes first, and the block ends in a line break.
struct Plan {
    std::string block;
    std::vector<std::string> pieces;
};

std::optional<Plan> planinsertion(const PageSurvey& page, std::uint64_t textsize, std::string block,
                                  bool atend, const Locator& locator, bool gbk)
{
    const std::string_view lineend = lineendof(page);
    block = withlineends(block, lineend);
    if (block.empty()) {
        return std::nullopt; // nothing to add
    }
    if (!atend) {
        return Plan{std::move(block), markerpieces(locator.marker, gbk)};
    }
    if (textsize > 0 && !islinebreak(page.last())) {
        block = std::string(lineend) + block;
    }
    if (!endsinlinebreak(block)) {
        block.append(lineend);
    }
    return Plan{std::move(block), {}};
}

// Where the search for the places starts: in UTF-8 text the marker's first occurrence,
// when it is known, is its first place; GBK text is searched from its start, where the
// walk of its character boundaries begins.
std::uint64_t searchstart(std::optional<std::uint64_t> firsthit, bool gbk, std::uint64_t start)
{
    return firsthit && !gbk ? std::max(*firsthit, start) : start;
}

// The places of a planned block in a text held whole: its end, or those of the marker
// from `from` on.
std::vector<std::size_t> placesin(std::string_view text, const Plan& plan, bool atend,
                                  const Locator& locator, bool gbk, std::size_t from = 0)
{
    if (atend) {
        return {text.size()};
    }
    return insertionpoints(text, plan.pieces, locator.after, gbk, from);
}

PageSurvey surveyof(std::string_view text)
{
    PageSurvey page;
    page.add(text, 0, true);
    return page;
}

// The charset a page declares in a <meta> tag near its start (where browsers look for it),
// when iconv has it: its label and iconv's name. A byte-order mark outweighs the tag, and
// a UTF-8 claim that the bytes contradict is not believed.
struct Declared {
    std::string label;
    std::string iconvname;
};

Declared declaredcharset(const PageSurvey& page)
{
    if (std::string_view(page.head()).substr(0, kBom.size()) == kBom) {
        return {};
    }
    Declared declared;
    declared.label = platform::metacharset(page.head());
    declared.iconvname = platform::iconvcharset(declared.label);
    if (declared.iconvname == "UTF-8" && !page.utf8()) {
        return {};
    }
    return declared;
}

// Whether a page is written in the charset it declares: one other than UTF-8 and GBK,
// that iconv has both ways.
bool writtenindeclared(const Declared& declared)
{
    return !declared.iconvname.empty() && declared.iconvname != "UTF-8" &&
           declared.iconvname != "GB18030" && platform::tocharset("", declared.iconvname) &&
           platform::fromcharsetexact("", declared.iconvname);
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
    const std::optional<Plan> plan =
        planinsertion(surveyof(*text), text->size(), src, atend, locator, false);
    if (!plan) {
        return std::nullopt;
    }
    const std::vector<std::size_t> points = placesin(*text, *plan, atend, locator, false);
    if (points.empty()) {
        return std::nullopt;
    }
    std::string bad;
    const std::optional<std::string> block =
        platform::tocharset(plan->block, charset.iconvname, &bad);
    if (!block) {
        throw platform::SysError("", "插入的内容含有 " + charset.label + " 网页无法保存的字符“" +
                                         bad + "”");
    }
    std::string out;
    out.reserve(bytes.size() + points.size() * block->size());
    std::size_t decoded = 0;
    std::size_t kept = 0;
    for (std::size_t k = 0; k <= points.size(); ++k) {
        const std::size_t point = k < points.size() ? points[k] : text->size();
        const std::optional<std::string> stretch = platform::tocharset(
            std::string_view(*text).substr(decoded, point - decoded), charset.iconvname);
        if (!stretch || bytes.compare(kept, stretch->size(), *stretch) != 0) {
            throw platform::SysError("", "网页的内容按它声明的字符集 " + charset.label +
                                             " 写回时会改变，无法写入");
        }
        out.append(*stretch);
        kept += stretch->size();
        decoded = point;
        if (k < points.size()) {
            out.append(*block);
        }
    }
    if (kept != bytes.size()) {
        throw platform::SysError("", "网页的内容按它声明的字符集 " + charset.label +
                                         " 写回时会改变，无法写入");
    }
    return out;
}

// Whether text goes into a page as GBK (else UTF-8): as its bytes say, unless it declares
// GBK or UTF-8; a page holding only ASCII takes the content file's encoding.
bool writesgbk(const PageSurvey& page, const Declared& declared, platform::Encoding plain)
{
    if (declared.iconvname == "GB18030") {
        return true;
    }
    if (declared.iconvname == "UTF-8") {
        return false;
    }
    if (page.ascii()) {
        return plain == platform::Encoding::Gbk;
    }
    return !page.utf8();
}

// UTF-8 holds every character, but raw bytes carried over from a content file that was
// not valid text would leave the target invalid UTF-8 (read as GBK next time); a GBK
// target must hold each character.
void refusefor(const std::string& src, bool gbk)
{
    if (!gbk && holdsrawbytes(src)) {
        throw platform::SysError("", "插入的内容含有不是 UTF-8 文本的字节，无法写入 UTF-8 文件");
    }
    if (gbk) {
        refuseunencodable(src);
    }
}

// Where a page's text begins: a byte-order mark stays as it is, also before bytes that
// are not UTF-8 (read as GBK): GBK characters are counted from after it.
std::size_t textstart(const PageSurvey& page)
{
    return std::string_view(page.head()).substr(0, kBom.size()) == kBom ? kBom.size() : 0;
}

// Most pages of a run lack the marker: they are passed over before any decoding.
bool markerabsent(const PageSurvey& page, bool atend, const Locator& locator)
{
    return !atend && plainmarker(locator.marker) && !page.markerfound();
}

std::string plainmarkerof(bool atend, const Locator& locator)
{
    return !atend && plainmarker(locator.marker) ? locator.marker : std::string();
}

// The target's new bytes, or nothing when it stays as it is. A text the target cannot
// hold throws SysError with the reason only (the caller names the file).
std::optional<std::string> withinsertion(const std::string& bytes, const std::string& src,
                                         bool atend, const Locator& locator,
                                         platform::Encoding plain)
{
    const bool lookfirst = !atend && plainmarker(locator.marker);
    const void* hit =
        lookfirst ? memmem(bytes.data(), bytes.size(), locator.marker.data(), locator.marker.size())
                  : nullptr;
    if (lookfirst && !hit) {
        return std::nullopt;
    }
    const PageSurvey page = surveyof(bytes);
    const Declared declared = declaredcharset(page);
    if (writtenindeclared(declared)) {
        return withinsertionin(declared, bytes, src, atend, locator);
    }
    const bool gbk = writesgbk(page, declared, plain);
    const std::size_t start = textstart(page);
    const std::string_view body = std::string_view(bytes).substr(start);
    refusefor(src, gbk);

    // Only the inserted text changes: its line ends follow the file's own, and the rest
    // of the file keeps every byte.
    const std::optional<Plan> plan = planinsertion(page, body.size(), src, atend, locator, gbk);
    if (!plan) {
        return std::nullopt;
    }
    const std::optional<std::uint64_t> firsthit =
        hit ? std::optional(
                  static_cast<std::uint64_t>(static_cast<const char*>(hit) - bytes.data()))
            : std::nullopt;
    const auto from = static_cast<std::size_t>(searchstart(firsthit, gbk, start) - start);
    const std::vector<std::size_t> points = placesin(body, *plan, atend, locator, gbk, from);
    if (points.empty()) {
        return std::nullopt;
    }
    std::string out(bytes.substr(0, start));
    splice(body, points, gbk ? platform::togbk(plan->block) : plan->block, out);
    return out;
}

// The places of a planned block in a page read a stretch at a time through `fd`, from
// `from` on (the text begins at `start`).
class StreamedPlaces
{
public:
    StreamedPlaces(int fd, const std::string& path, std::uint64_t start, std::uint64_t from,
                   std::uint64_t size, const Plan& plan, bool atend, const Locator& locator,
                   bool gbk, std::size_t chunk)
        : m_size(size), m_atend(atend), m_scanner(plan.pieces, locator.after, gbk, start, from)
    {
        if (!atend) {
            // The search keeps the byte before where it stands (a line break of the marker
            // never begins at the LF of a CR LF pair), so the window starts one sooner.
            m_window.emplace(fd, from > start ? from - 1 : start, size, chunk, path);
        }
    }

    std::optional<std::uint64_t> next()
    {
        if (m_atend) {
            return std::exchange(m_atend, false) ? std::optional(m_size) : std::nullopt;
        }
        for (;;) {
            const auto step =
                m_window ? m_scanner.next(m_window->text(), m_window->base(), m_window->complete())
                         : MarkerScanner::Step{MarkerScanner::Found::Done, 0};
            switch (step.found) {
            case MarkerScanner::Found::Place:
                return step.at;
            case MarkerScanner::Found::Done:
                m_window.reset();
                return std::nullopt;
            case MarkerScanner::Found::More:
                m_window->advance(step.at);
                break;
            }
        }
    }

private:
    std::uint64_t m_size;
    bool m_atend;
    MarkerScanner m_scanner;
    std::optional<FileWindow> m_window;
};

// The survey of a page read a stretch at a time through `fd`.
PageSurvey surveystream(int fd, const std::string& path, std::string marker, std::size_t chunk)
{
    PageSurvey page(std::move(marker));
    FileWindow window(fd, 0, UINT64_MAX, chunk, path);
    for (;;) {
        const std::uint64_t keep = page.add(window.text(), window.base(), window.complete());
        if (window.complete()) {
            return page;
        }
        window.advance(keep);
    }
}

// Writes the page `in` of `size` bytes to `out` with the block at each place from `first`
// on, the bytes between them kept.
void writeinserted(int in, int out, std::uint64_t size, std::optional<std::uint64_t> first,
                   StreamedPlaces& places, std::string_view block, const std::string& path,
                   std::size_t chunk)
{
    PageWriter writer(in, out, path, chunk);
    std::uint64_t copied = 0;
    for (std::optional<std::uint64_t> place = first; place; place = places.next()) {
        writer.copy(copied, *place);
        writer.write(block);
        copied = *place;
    }
    writer.copy(copied, size);
    writer.flush();
}

// A page in a charset other than UTF-8 and GBK is decoded whole, to be written back
// exactly.
void insertwholein(const Declared& declared, const platform::RewriteFolder& folder,
                   const std::string& name, platform::ReadState& state, const std::string& src,
                   bool atend, const Locator& locator)
{
    const std::optional<std::string> out =
        withinsertionin(declared, folder.readopened(name, state), src, atend, locator);
    if (out) {
        folder.replace(name, *out, state);
    }
}

// appendtofileat() for a page open() opened, read a stretch at a time: first surveyed
// whole (encoding, line ends, charset, whether the marker occurs), then searched for the
// places while its new file is written. Only a page in a charset other than UTF-8 and
// GBK is read whole.
void insertstreamed(const platform::RewriteFolder& folder, const std::string& name,
                    platform::ReadState& state, const std::string& src, bool atend,
                    const Locator& locator, platform::Encoding plain, std::size_t chunk)
{
    const std::string path = folder.join(name);
    const int in = state.file.get();
    const PageSurvey page = surveystream(in, path, plainmarkerof(atend, locator), chunk);
    if (markerabsent(page, atend, locator)) {
        return;
    }
    const Declared declared = declaredcharset(page);
    if (writtenindeclared(declared)) {
        insertwholein(declared, folder, name, state, src, atend, locator);
        return;
    }
    const bool gbk = writesgbk(page, declared, plain);
    const std::size_t start = textstart(page);
    refusefor(src, gbk);
    const std::optional<Plan> plan =
        planinsertion(page, page.size() - start, src, atend, locator, gbk);
    if (!plan) {
        return;
    }
    const std::string block = gbk ? platform::togbk(plan->block) : plan->block;
    // The survey found where the marker first occurs: the page is not searched again up
    // to there.
    const std::uint64_t from = searchstart(page.markerat(), gbk, start);
    std::optional<StreamedPlaces> places;
    std::optional<std::uint64_t> first;
    const auto findfirst = [&] {
        places.emplace(in, path, start, from, page.size(), *plan, atend, locator, gbk, chunk);
        first = places->next();
    };
    findfirst();
    if (!first) {
        return; // the marker does not occur: the page is not rewritten
    }
    bool again = false;
    folder.replacewith(name, state, [&](int out) {
        if (std::exchange(again, true)) {
            findfirst(); // a fresh temporary file: from the start
        }
        writeinserted(in, out, page.size(), first, *places, block, path, chunk);
    });
}

// The locator does not depend on the file, so a bad one is reported before any file is
// read: the run stops on its first target whatever state that target is in. Returns
// whether the insertion goes ahead.
bool acceptlocator(const std::string& position, Locator& locator, bool& locatorrejected, Ui& ui)
{
    if (position.empty()) {
        return true;
    }
    return checklocator(position, locator, locatorrejected, ui) == Check::Usable;
}

// A refusal of the text names the file it was meant for.
[[noreturn]] void rethrownamed(const platform::SysError& e, const std::string& path)
{
    if (!e.path().empty()) {
        throw; // as it is, of its own kind (ChangedError)
    }
    throw platform::SysError(path, e.reason());
}

} // namespace

bool appendtofile(const std::string& filename, const std::string& src, const std::string& position,
                  bool& locatorrejected, Ui& ui, platform::Encoding plain)
{
    Locator locator;
    if (!acceptlocator(position, locator, locatorrejected, ui)) {
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
                    const std::string& src, const std::string& position, bool& locatorrejected,
                    Ui& ui, platform::Encoding plain, std::size_t chunk)
{
    Locator locator;
    if (!acceptlocator(position, locator, locatorrejected, ui)) {
        return false;
    }
    platform::ReadState state;
    const bool opened = folder.open(name, state);
    if (opened && static_cast<std::uint64_t>(state.st.st_size) > chunk) {
        try {
            insertstreamed(folder, name, state, src, position.empty(), locator, plain, chunk);
        } catch (const platform::SysError& e) {
            rethrownamed(e, folder.join(name));
        }
        return true;
    }
    const std::string bytes = opened ? folder.readopened(name, state) : folder.read(name, state);
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
