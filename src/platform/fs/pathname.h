// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

namespace morvik::platform
{

// The folder a path names its last component in: "/a/b" -> "/a", "/a" -> "/", and "."
// for a bare name.
std::string parentfolder(std::string_view path);

// The last component of a path: "/a/b" -> "b", "b" -> "b", "/a/" -> "".
std::string_view leafname(std::string_view path);

// The process's working folder, however long its path. Throws SysError naming ".".
std::string workingfolder();

} // namespace morvik::platform
