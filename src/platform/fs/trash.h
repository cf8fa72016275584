// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/fs/fd.h"

#include <ctime>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

namespace morvik::platform
{

// The user's trash, laid out as desktop file managers keep it, so a file sent there can
// be restored from any of them. A file on the file system of the home trash
// ($XDG_DATA_HOME/Trash, by default ~/.local/share/Trash) goes there; a file elsewhere
// goes to the trash at the top of its mount: "$top/.Trash/UID" when "$top/.Trash" is a
// folder (not a link) with the sticky bit, else "$top/.Trash-UID" (created with mode
// 0700). Each file gets "info/NAME.trashinfo" first (created exclusively, the name made
// unique), then is moved into "files/NAME" by one rename: never copied, so a file whose
// trash is on another file system (a bind mount) stays where it is, with a reason.
class Trash
{
public:
    // The home trash as the environment names it now.
    Trash();
    Trash(const Trash&) = delete;
    Trash& operator=(const Trash&) = delete;

    // Moves the file `name` of the open folder `dir` into the trash. Returns true, or
    // false with `reason` saying why the file stayed where it is. Safe to call from
    // several threads.
    bool put(int dir, const std::string& name, std::string& reason);

    // The home trash's folder.
    const std::string& home() const { return m_home; }

private:
    // The trash of one file system: its two folders, its path, and the folder the paths
    // of its info files are relative to ("" for the home trash: absolute paths).
    struct Can {
        Fd files;
        Fd info;
        std::string path;
        std::string top;
        std::string error; // why no trash can be made there
    };
    Can& canfor(int dir, unsigned long long device);

    std::string m_home;
    std::mutex m_mutex;
    std::map<unsigned long long, Can> m_cans; // by device number
};

// "Path=" of a trash info file: the bytes of `path`, with every byte other than ASCII
// letters, digits, "-", "_", ".", "~" and "/" written as %XX.
std::string trashpathtext(std::string_view path);

// "DeletionDate=" of a trash info file: local time as YYYY-MM-DDThh:mm:ss.
std::string trashdatetext(std::time_t when);

} // namespace morvik::platform
