// SPDX-License-Identifier: GPL-3.0-or-later
#include "support.h"

#include "support/temptree.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <unistd.h>

#include <filesystem>

namespace morvik::fuzz
{

namespace
{

void printescaped(std::string_view bytes)
{
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7F && b != '\\') {
            std::fputc(b, stderr);
        } else {
            std::fprintf(stderr, "\\x%02X", b);
        }
    }
}

} // namespace

const std::string& scratchfolder()
{
    static const test::TempTree scratch(::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "",
                                        "morvik-fuzz");
    return scratch.root();
}

std::string scratchfile(const std::string& name, std::string_view bytes)
{
    const std::string path = scratchfolder() + "/" + name;
    std::filesystem::remove(path);
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        throw std::runtime_error("cannot write the scratch file " + path);
    }
    return path;
}

std::string readwhole(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void broken(const char* property,
            std::initializer_list<std::pair<const char*, std::string_view>> pieces)
{
    std::fprintf(stderr, "\n==== property broken: %s\n", property);
    for (const auto& [name, bytes] : pieces) {
        std::fprintf(stderr, "  %s (%zu bytes): \"", name, bytes.size());
        printescaped(bytes);
        std::fputs("\"\n", stderr);
    }
    std::abort();
}

std::pair<std::string_view, std::string_view> splitatnul(std::string_view input)
{
    const auto nul = input.find('\0');
    if (nul == std::string_view::npos) {
        return {input, {}};
    }
    return {input.substr(0, nul), input.substr(nul + 1)};
}

std::string foldlineends(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        out += text[i] == '\n' ? '\r' : text[i];
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            ++i;
        }
    }
    return out;
}

std::string joined(const std::vector<std::string>& pieces, std::string_view separator)
{
    std::string out;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0) {
            out += separator;
        }
        out += pieces[i];
    }
    return out;
}

} // namespace morvik::fuzz
