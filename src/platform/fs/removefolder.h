// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace morvik::platform
{

// Removes the folder at `path` and everything below it, never following a link: the
// folder is opened once and emptied through descriptors, so a link inside it is removed
// as a link and whatever it names stays. The entries right below the folder are shared
// out to several threads, since freeing files is where the time goes: on a file system
// that discards freed blocks each unlink waits for the disk, and the waits overlap.
// Returns false when something could not be removed (what could, is).
bool removefolder(const std::string& path);

} // namespace morvik::platform
