// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>

namespace morvik::platform
{

// Sets the process up for runs over many files, once at start: the limit of open
// descriptors is raised to what the system allows (a cron job or a container often
// starts with a low one), and a file-size limit makes the write that crosses it fail
// with EFBIG for that file instead of killing the process (SIGXFSZ ignored).
void prepareprocess();

// How many descriptors a run may hold at once for files it works on (replaced files
// waiting to be freed, sources of a copy), leaving room for the folders it holds open
// and the process's own. At least 1.
std::size_t descriptorbudget();

// How many processors this process may run on: those of its affinity mask (a `taskset`,
// a container's cpuset), not every processor the machine has. At least 1.
unsigned processorsavailable();

// Whether a failure is a lack of room that freeing held files may cure: a full disk or
// quota, or no descriptor left.
bool curedbyfreeing(int code);

} // namespace morvik::platform
