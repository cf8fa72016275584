// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace morvik::platform
{

// Opens an address in the desktop's default browser (xdg-open), without waiting for it.
// Failures are not reported, as with the shell's "open" verb.
void openinbrowser(const std::string& url);

} // namespace morvik::platform
