// SPDX-License-Identifier: GPL-3.0-or-later
// The list-file reader on arbitrary bytes. Properties: in the comma form the entries are
// the whole text split at every ","; in the line form they are its lines, nothing lost
// but the line breaks, the empty lines before the first entry and one last line break.
// Entries are path bytes: the decoded text with carried-through bytes put back.
#include "platform/text/codec.h"
#include "support.h"
#include "tools/batchdel/listfile.h"

#include <string>

using morvik::fuzz::broken;
using morvik::fuzz::joined;

namespace
{

// The line form's entries joined by CR: without the empty lines before the first
// non-empty one and without a last line end.
std::string asentrylines(std::string_view text)
{
    std::string folded = morvik::fuzz::foldlineends(text);
    const std::size_t first = folded.find_first_not_of('\r');
    if (first == std::string::npos) {
        return {};
    }
    folded.erase(0, first);
    if (folded.back() == '\r') {
        folded.pop_back();
    }
    return folded;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes = morvik::fuzz::asview(data, size);
    const std::string path = morvik::fuzz::scratchfile("list.txt", bytes);
    const auto list = morvik::batchdel::readfile(path);
    const std::string text = morvik::platform::decode(bytes);
    const std::string pathtext = morvik::platform::encode(text, morvik::platform::Encoding::Utf8);
    const std::initializer_list<std::pair<const char*, std::string_view>> pieces = {
        {"file", bytes}, {"entries", list.text()}};

    if (!list.readable) {
        broken("a scratch file is readable", pieces);
    }
    if (bytes.empty()) {
        if (!list.entries.empty() || !list.notice ||
            list.notice->kind != morvik::Notice::Kind::ListEmpty) {
            broken("an empty file gives its warning and no entries", pieces);
        }
        return 0;
    }
    if (text.find(',') != std::string::npos) {
        if (list.text() != pathtext) {
            broken("the comma form keeps every byte of the text", pieces);
        }
        for (const auto& entry : list.entries) {
            if (entry.find(',') != std::string::npos) {
                broken("comma entries hold no comma", pieces);
            }
        }
        return 0;
    }
    for (const auto& entry : list.entries) {
        if (entry.find_first_of("\r\n") != std::string::npos) {
            broken("a line entry holds no line break", pieces);
        }
    }
    if (joined(list.entries, "\r") != asentrylines(pathtext)) {
        broken("the line form keeps every line", pieces);
    }
    return 0;
}
