// SPDX-License-Identifier: GPL-3.0-or-later
// The URL list as the URL run reads it: decoded, split into lines, each trimmed of
// blanks. Properties: the lines are the text's lines, nothing lost but the line ends
// and one last line end; an address holds no line end and no blank at either end.
#include "platform/text/codec.h"
#include "support.h"
#include "tools/urlgen/shortcut.h"

#include <string>

using morvik::fuzz::broken;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes = morvik::fuzz::asview(data, size);
    const std::string text = morvik::platform::decode(bytes);
    const auto lines = morvik::platform::splitlines(text);

    std::string folded = morvik::fuzz::foldlineends(text);
    if (!folded.empty() && folded.back() == '\r') {
        folded.pop_back();
    }
    const std::string rejoined = morvik::fuzz::joined(lines, "\r");
    if (rejoined != folded) {
        broken("the lines are the text's lines", {{"file", bytes}, {"lines", rejoined}});
    }
    for (const auto& line : lines) {
        const std::string address = morvik::urlgen::trimblanks(line);
        if (address.find_first_of("\r\n") != std::string::npos ||
            (!address.empty() && (address.front() == ' ' || address.back() == ' ')) ||
            line.find(address) == std::string::npos) {
            broken("an address is its line without blanks at either end",
                   {{"line", line}, {"address", address}});
        }
    }
    return 0;
}
