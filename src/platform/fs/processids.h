// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/types.h>

namespace morvik::platform
{

// The process's ids and file-creation mask, read once: a run asks for them per folder
// at most, never per file.
struct ProcessIds {
    uid_t euid;
    gid_t egid;
    mode_t umask;
};
const ProcessIds& processids();

} // namespace morvik::platform
