// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace morvik::platform
{

// The iconv name of the charset that a web page's label stands for, mapped the way
// browsers map labels: "iso-8859-1", "latin1" and "us-ascii" mean windows-1252 ("CP1252"),
// the GB family means "GB18030", "shift_jis" means "CP932", "euc-kr" means "CP949".
// Case and surrounding blanks do not matter. Empty for a label browsers do not know.
std::string iconvcharset(std::string_view label);

} // namespace morvik::platform
