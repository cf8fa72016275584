// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace morvik
{

// The pattern of the nine characters a Windows file name may not hold.
inline constexpr const char* kForbiddenNameChars = R"([\\/:\*\?"<>\|])";

// Replaces the leftmost match of the regular expression by "-" (only the first).
// Throws std::regex_error for an invalid pattern.
std::string cleanname(const std::string& text, const std::string& pattern);

} // namespace morvik
