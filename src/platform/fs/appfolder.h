// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace morvik::platform
{

// The folder of the executable (from /proc/self/exe), without a trailing "/".
std::string appfolder();

// Where the data files (db.dat, Err_Report.txt, Error_CreateUrl.log, shortcuts without
// a usable output folder) go: the application folder when it is writable and not an
// installed program's (a build tree, or a portable copy with ico/ beside the
// executable), otherwise $XDG_DATA_HOME/morvik (by default ~/.local/share/morvik),
// created on first use. An installed program is one in PREFIX/bin with no ico/ beside
// it and its pictures in PREFIX/share/morvik/ico. Without a trailing "/".
std::string datafolder();

// A read-only resource such as "ico/list1.bmp": next to the executable, then, for an
// executable installed in PREFIX/bin, in PREFIX/share/morvik. Returns the first existing
// path, or the path next to the executable when neither exists (so the failure names the
// expected file).
std::string resourcepath(const std::string& relative);

// Tests point the application folder (and so the data folder) somewhere else.
void setappfolderfortesting(const std::string& folder);

} // namespace morvik::platform
