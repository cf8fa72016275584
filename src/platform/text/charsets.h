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

// The label after "charset=" in a header value such as a Content-Type ("text/html;
// charset=gbk"), lower-cased and without quotes; empty when there is none.
std::string charsetparameter(std::string_view text);

// The label a page declares in a <meta charset> or <meta http-equiv="Content-Type"> tag,
// lower-cased; empty when none of its <meta> tags declares one.
std::string metacharset(std::string_view page);

} // namespace morvik::platform
