// SPDX-License-Identifier: GPL-3.0-or-later
// The position locator and content insertion on one file. The inserted text is framed
// by two control bytes the target never holds, so every inserted block can be found in
// the result whatever encoding and line ends it took. Properties: removing the blocks
// gives back the original bytes exactly; all blocks are alike; inserting at the end
// adds one block after the original, with the file's line end after the original's
// last line when it had none and after the block; a rejected locator, a marker that
// does not occur and a failed insertion leave the file as it was, not even rewritten.
#include "platform/text/codec.h"
#include "platform/syserror.h"
#include "support.h"
#include "support/recordingui.h"
#include "tools/append/insert.h"

#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

using morvik::fuzz::broken;

namespace
{

constexpr char kOpen = '\x01';
constexpr char kClose = '\x02';

std::string withoutframes(std::string_view s)
{
    std::string out(s);
    out.erase(
        std::remove_if(out.begin(), out.end(), [](char c) { return c == kOpen || c == kClose; }),
        out.end());
    return out;
}

// The target with its blocks taken out, and the blocks.
struct Split {
    std::string rest;
    std::vector<std::string> blocks;
    bool wellformed = true;
};

Split splitblocks(std::string_view out)
{
    Split split;
    std::size_t i = 0;
    while (i < out.size()) {
        const std::size_t open = out.find(kOpen, i);
        split.rest.append(out.substr(i, open == std::string_view::npos ? open : open - i));
        if (open == std::string_view::npos) {
            break;
        }
        const std::size_t close = out.find(kClose, open + 1);
        if (close == std::string_view::npos) {
            split.wellformed = false;
            break;
        }
        split.blocks.emplace_back(out.substr(open, close + 1 - open));
        i = close + 1;
    }
    if (split.rest.find(kClose) != std::string::npos) {
        split.wellformed = false;
    }
    return split;
}

// The line end the file's lines use: LF when every line break is LF alone, else CR LF.
std::string lineendof(std::string_view target)
{
    const bool lf = target.find('\n') != std::string_view::npos;
    const bool cr = target.find('\r') != std::string_view::npos;
    return lf && !cr ? "\n" : "\r\n";
}

// Whether the last line (after a byte-order mark) lacks its line break.
bool needsbreak(std::string_view target)
{
    if (target.substr(0, 3) == "\xEF\xBB\xBF") {
        target.remove_prefix(3);
    }
    return !target.empty() && target.back() != '\n' && target.back() != '\r';
}

struct Identity {
    ino_t inode = 0;
    struct timespec changed {
    };
};

Identity identityof(const std::string& path)
{
    struct stat st {
    };
    ::stat(path.c_str(), &st);
    return {st.st_ino, st.st_ctim};
}

bool same(const Identity& a, const Identity& b)
{
    return a.inode == b.inode && a.changed.tv_sec == b.changed.tv_sec &&
           a.changed.tv_nsec == b.changed.tv_nsec;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Input: flags byte, then locator NUL content NUL target.
    if (size < 1) {
        return -1;
    }
    const std::uint8_t flags = data[0];
    const auto [locator, tail] = morvik::fuzz::splitatnul(morvik::fuzz::asview(data + 1, size - 1));
    const auto [content, targetbytes] = morvik::fuzz::splitatnul(tail);
    if (!morvik::platform::isutf8(locator)) {
        return -1; // a locator is typed into a text box
    }
    const std::string target = withoutframes(targetbytes);
    // The inserted text as a content file gives it: decoded, raw bytes carried as escapes.
    const std::string src = kOpen + withoutframes(morvik::platform::decode(content)) + kClose;
    const std::string position = (flags & 1) ? std::string() : std::string(locator);
    const auto plain =
        (flags & 2) ? morvik::platform::Encoding::Gbk : morvik::platform::Encoding::Utf8;

    const std::string path = morvik::fuzz::scratchfile("target", target);
    const Identity before = identityof(path);
    morvik::test::RecordingUi ui;
    ui.otherwise = morvik::Answer::No;
    bool zt = false;
    bool handled = false;
    bool failed = false;
    try {
        handled = morvik::append::appendtofile(path, src, position, zt, ui, plain);
    } catch (const morvik::platform::SysError&) {
        failed = true;
    }
    const std::string out = morvik::fuzz::readwhole(path);
    const bool rewritten = !same(before, identityof(path));
    const std::initializer_list<std::pair<const char*, std::string_view>> pieces = {
        {"position", position}, {"content", src}, {"target", target}, {"result", out}};

    if (zt && ui.boxes.empty()) {
        broken("a rejected locator is reported", pieces);
    }
    if (!handled || failed) {
        if (out != target || rewritten || (handled && failed)) {
            broken("a file that was not handled keeps its bytes and is not rewritten", pieces);
        }
        return 0;
    }
    const Split split = splitblocks(out);
    if (!split.wellformed) {
        broken("inserted blocks are whole", pieces);
    }
    if (split.blocks.empty()) {
        if (out != target || rewritten) {
            broken("a file without an inserted block is not rewritten", pieces);
        }
        return 0;
    }
    for (const std::string& block : split.blocks) {
        if (block != split.blocks.front()) {
            broken("every inserted block is the same", pieces);
        }
    }
    if (!position.empty()) {
        if (split.rest != target) {
            broken("the result without its inserted blocks is the original", pieces);
        }
        return 0;
    }
    const std::string expected = target + (needsbreak(target) ? lineendof(target) : "") +
                                 split.blocks.front() + lineendof(target);
    if (split.blocks.size() != 1 || out != expected) {
        broken("insertion at the end adds one block after the original", pieces);
    }
    return 0;
}
