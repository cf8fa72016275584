// SPDX-License-Identifier: GPL-3.0-or-later
// The codec on arbitrary bytes. Properties: decoding by detection and encoding back in
// the detected encoding gives the original bytes; decoding as GBK and encoding back too;
// text that GBK can hold comes back unchanged from GBK; every decoded text displays as
// valid UTF-8.
#include "platform/text/codec.h"
#include "support.h"

#include <string>

using morvik::fuzz::broken;
namespace platform = morvik::platform;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes = morvik::fuzz::asview(data, size);

    platform::Encoding found{};
    const std::string text = platform::decode(bytes, &found);
    if (platform::encode(text, found) != bytes) {
        broken("decode then encode gives back the bytes", {{"bytes", bytes}, {"text", text}});
    }
    const std::string asgbk = platform::fromgbk(bytes);
    if (platform::togbk(asgbk) != bytes) {
        broken("GBK decode then encode gives back the bytes", {{"bytes", bytes}, {"text", asgbk}});
    }
    if (!platform::isutf8(platform::displayable(text)) ||
        !platform::isutf8(platform::displayable(asgbk))) {
        broken("decoded text displays as UTF-8", {{"bytes", bytes}});
    }
    if (platform::isutf8(bytes) && platform::unencodable(bytes, platform::Encoding::Gbk).empty()) {
        const std::string gbk = platform::togbk(bytes);
        if (platform::fromgbk(gbk) != bytes) {
            broken("text that GBK holds comes back from GBK", {{"text", bytes}, {"gbk", gbk}});
        }
    }
    return 0;
}
