// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/cleanname.h"

#include <regex>

namespace morvik
{

std::string cleanname(const std::string& text, const std::string& pattern)
{
    const std::regex re(pattern, std::regex::ECMAScript);
    return std::regex_replace(text, re, "-", std::regex_constants::format_first_only);
}

} // namespace morvik
