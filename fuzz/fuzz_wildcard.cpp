// SPDX-License-Identifier: GPL-3.0-or-later
// The wildcard matcher against the reference its tests use (tests/support/wildcardref),
// which turns the pattern into a regular expression over the characters.
#include "platform/text/wildcard.h"
#include "support.h"
#include "support/wildcardref.h"

#include <cstdint>
#include <string>

namespace
{

// Long inputs and many stars make the backtracking regular expression slow; the
// matcher's logic shows on short ones.
constexpr std::size_t kMaxPiece = 40;
constexpr std::size_t kMaxStars = 3;

// The number of runs of "*" ("**" matches what "*" matches).
std::size_t starruns(std::string_view pattern)
{
    std::size_t runs = 0;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '*' && (i == 0 || pattern[i - 1] != '*')) {
            ++runs;
        }
    }
    return runs;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto [pattern, name] = morvik::fuzz::splitatnul(morvik::fuzz::asview(data, size));
    if (pattern.size() > kMaxPiece || name.size() > kMaxPiece || starruns(pattern) > kMaxStars ||
        name.find('\0') != std::string_view::npos ||
        !morvik::test::referencecanjudge(pattern, name)) {
        return -1;
    }
    const bool expected = morvik::test::referencematch(pattern, name);
    const bool got = morvik::platform::wildcardmatch(pattern, name);
    MORVIK_CHECK(got == expected, {"pattern", pattern}, {"name", name},
                 {"expected", expected ? "match" : "no match"});
    return 0;
}
