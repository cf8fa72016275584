// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <string>

namespace morvik::cli
{

// A folder argument as the windows' folder list shows it: absolute (taken from the
// working folder when relative), "." and ".." resolved by name, no trailing "/" except
// for the root.
std::string absolutefolder(const std::string& path);

// Refuses an empty path argument before anything runs: an empty text names no folder or
// file (it would otherwise stand for the working folder).
const CLI::Validator& nonemptypath();

// The full path of the file that a path argument names, as the system resolves it when
// the file is written: its folder's links and ".." resolved, the last name kept (a link
// of that name is replaced, not followed). The path made absolute when its folder
// cannot be resolved.
std::string writtenpath(const std::string& path);

// The full path of an entry of a folder ("/" + name in the root).
std::string childpath(const std::string& folder, const std::string& name);

// A check of whether a file at a path could be deleted as the engines delete: a visible
// file the user may write (a link is removed itself) in a folder the user may change.
// Paths below `folder` (when not empty) are looked up from a handle of it.
std::function<bool(const std::string&)> maydeletebelow(const std::string& folder);

// Whether a file could be written at the path as the engines write (a temporary file in
// its folder renamed over it): the folder may be changed, and what is there already is
// not a folder nor a read-only file.
bool maywrite(const std::string& path);

} // namespace morvik::cli
