// SPDX-License-Identifier: GPL-3.0-or-later
// Throughput of the text codec on a few megabytes of mixed Chinese and ASCII text, and
// on random bytes (the slow path: escapes and per-character checks).
#include "platform/text/codec.h"

#include <chrono>
#include <cstdio>
#include <random>
#include <string>

using namespace morvik::platform;

namespace
{

template <class F> void measure(const char* name, size_t bytes, F&& f)
{
    const auto start = std::chrono::steady_clock::now();
    const size_t produced = f();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%-22s %8.1f MB/s  (%zu bytes in, %zu out, %.3f s)\n", name,
                static_cast<double>(bytes) / 1e6 / seconds, bytes, produced, seconds);
}

} // namespace

int main()
{
    std::string text;
    const std::string line =
        "<p>文件批量删除：批量删除指定的文件，文件名可以含有通配符 file_name.txt</p>\r\n";
    while (text.size() < 8'000'000) {
        text += line;
    }
    const std::string gbk = togbk(text);

    std::mt19937 rng(7);
    std::string noise(2'000'000, '\0');
    for (char& c : noise) {
        c = static_cast<char>(rng() % 256);
    }

    measure("togbk text", text.size(), [&] { return togbk(text).size(); });
    measure("fromgbk text", gbk.size(), [&] { return fromgbk(gbk).size(); });
    measure("decode gbk file", gbk.size(), [&] { return decode(gbk).size(); });
    measure("decode utf-8 file", text.size(), [&] { return decode(text).size(); });
    std::string markup;
    while (markup.size() < 8'000'000) {
        markup += "<li><a href=\"page.htm\">link web about list photo</a></li>\r\n";
    }
    measure("isutf8 text", text.size(), [&] { return size_t{isutf8(text)}; });
    measure("isutf8 markup", markup.size(), [&] { return size_t{isutf8(markup)}; });
    measure("fromgbk random bytes", noise.size(), [&] { return fromgbk(noise).size(); });
    const std::string escaped = fromgbk(noise);
    measure("togbk escaped text", escaped.size(), [&] { return togbk(escaped).size(); });
    return togbk(escaped) == noise ? 0 : 1;
}
