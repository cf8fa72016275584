// SPDX-License-Identifier: GPL-3.0-or-later
// A fetched chunk and its Content-Type header, decoded, its title taken and the
// shortcut's file name made from it. Properties: the name never holds "/" or a NUL or
// another control character, is never "." or "..", ends in ".url", is at most 255 bytes,
// and is valid UTF-8, the file-name convention it is written in (a longer title is cut
// only at a character's end; bytes that decoded as nothing became U+FFFD).
#include "platform/text/codec.h"
#include "platform/net/http.h"
#include "support.h"
#include "tools/urlgen/shortcut.h"

#include <string>

using morvik::fuzz::broken;

namespace
{

bool controlin(std::string_view name)
{
    for (const char c : name) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b == 0x7F) {
            return true;
        }
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto [contenttype, chunk] = morvik::fuzz::splitatnul(morvik::fuzz::asview(data, size));
    if (chunk.size() > morvik::platform::kChunkSize) {
        return -1;
    }
    const std::string text =
        morvik::platform::decodechunk(std::string(chunk), std::string(contenttype));
    const auto title = morvik::urlgen::titleof(text);
    if (!title) {
        return 0;
    }
    const std::string name = morvik::urlgen::shortcutname(*title);
    const std::initializer_list<std::pair<const char*, std::string_view>> pieces = {
        {"content type", contenttype}, {"chunk", chunk}, {"title", *title}, {"name", name}};

    if (name.find('/') != std::string::npos || controlin(name)) {
        broken("a name holds no \"/\" and no control character", pieces);
    }
    if (name == "." || name == ".." || name.size() < 4 || name.substr(name.size() - 4) != ".url") {
        broken("a name is an entry ending in .url", pieces);
    }
    if (name.size() > morvik::urlgen::kMaxNameBytes) {
        broken("a name is at most 255 bytes", pieces);
    }
    if (!morvik::platform::isutf8(name)) {
        broken("a name is whole UTF-8 characters", pieces);
    }
    return 0;
}
