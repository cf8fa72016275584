// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string_view>

// The reference for the wildcard matcher, shared by its tests and its fuzz target: built
// differently from the matcher, so that the two agreeing means something. Pattern and
// name become code points (a byte that is not part of valid UTF-8 is a character of its
// own, equal only to the same byte), each distinct character gets one byte in an
// order-keeping alphabet, and the pattern becomes a regular expression over those bytes.
namespace morvik::test
{

// Whether the reference can judge the pair: few enough distinct characters for the
// alphabet. Longer inputs and many "*" make its backtracking slow, not wrong.
bool referencecanjudge(std::string_view pattern, std::string_view name);

// Whether the name matches the pattern: "*" any run of characters, "?" one character,
// "#" one digit, "[list]" one character of the list ("!" first negates it, "a-z" a range,
// "-" first or last is itself; a "[" with no "]" after it is itself), anything else
// itself.
bool referencematch(std::string_view pattern, std::string_view name);

} // namespace morvik::test
