// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// What the fuzz targets share: a scratch file per process (in a folder made by the
// tests' TempTree) and the check that ends the run with the broken property and the
// input's pieces. Their Ui is the tests' RecordingUi.
namespace morvik::fuzz
{

// A folder of this process's own under /dev/shm (or $TMPDIR), made on first use and
// removed at exit (a test::TempTree).
const std::string& scratchfolder();

// Writes bytes to a file of the scratch folder (replacing it) and returns its path.
std::string scratchfile(const std::string& name, std::string_view bytes);

std::string readwhole(const std::string& path);

// Prints which property broke, with the named pieces of the input shown escaped, and
// aborts so that libFuzzer keeps the input.
[[noreturn]] void broken(const char* property,
                         std::initializer_list<std::pair<const char*, std::string_view>> pieces);

// Splits the input at its first NUL byte: the part before and the part after (empty
// when there is none).
std::pair<std::string_view, std::string_view> splitatnul(std::string_view input);

// Every line end (CR LF, CR or LF) as one CR.
std::string foldlineends(std::string_view text);

// The pieces joined by a separator.
std::string joined(const std::vector<std::string>& pieces, std::string_view separator);

// The input as text.
inline std::string_view asview(const std::uint8_t* data, std::size_t size)
{
    return {reinterpret_cast<const char*>(data), size};
}

} // namespace morvik::fuzz

#define MORVIK_CHECK(condition, ...)                                                               \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            ::morvik::fuzz::broken(#condition, {__VA_ARGS__});                                     \
        }                                                                                          \
    } while (false)
