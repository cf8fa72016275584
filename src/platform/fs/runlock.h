// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace morvik::platform
{

// Why a run did not start: another run of Morvik is working on the same folder.
inline constexpr const char* kBusyReason = "另一个 Morvik 运行正在处理此文件夹";

// The message that tells a run did not start for that reason, naming the folder.
std::string busytext(const std::string& path);

// Whether a run that finds its folder taken waits for the other run to end (the
// command line's --wait) instead of stopping before it touches anything.
void setwaitforfolderlock(bool wait);
bool waitforfolderlock();

// Takes the advisory lock (flock) of a run on the open folder `fd`, held until the
// descriptor is closed, so two runs that change files never work on one folder at once.
// Throws SysError naming the folder with kBusyReason when another run holds it (unless
// waiting was asked for).
void lockfolder(int fd, const std::string& path);

} // namespace morvik::platform
