// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The drives of the drive list on a system without drive letters: the file-system roots
// a user keeps files on.
namespace morvik::platform
{

struct Mount {
    std::string device;
    std::string root; // the mount point
    std::string type; // the file-system type
};

struct Drive {
    std::string root;  // a folder text: "/" or a path without a trailing "/"
    std::string label; // the volume label, empty when the volume has none
    // The entry as the drive list shows it: the root, plus " [label]" where there is one.
    std::string entry() const { return label.empty() ? root : root + " [" + label + "]"; }
};

// Parses the text of /proc/self/mounts; the octal escapes of blanks and backslashes
// in device names and mount points are decoded.
std::vector<Mount> parsemounts(std::string_view text);

// Whether a mount is a volume of a real file system (disks, removable media, network
// shares) rather than a kernel or memory file system, a container layer or a snap image.
bool isvolume(const Mount& mount);

// Decodes the "\xNN" escapes udev puts into the names under /dev/disk/by-label.
std::string decodelabel(std::string_view name);

// The drives: "/" first, then the user's home folder, then the mount points of real
// file systems in byte order; no root twice. Labels come from /dev/disk/by-label.
std::vector<Drive> drives();

} // namespace morvik::platform
