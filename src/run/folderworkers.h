// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <functional>

namespace morvik
{

// How many workers a run over `folders` folders uses: one per processor, never more
// than there are folders, one for a rehearsal (whose notes must come in order).
unsigned folderworkers(std::size_t folders, bool rehearsing);

// Runs job(index, worker) for every index in [begin, end), each worker taking the next
// index when it is free, on `workers` threads (the calling thread is worker 0). Returns
// when every job has ended. Jobs must not throw: an exception that escapes one is
// rethrown here once all workers have stopped, and the remaining indexes are skipped.
void runonworkers(std::size_t begin, std::size_t end, unsigned workers,
                  const std::function<void(std::size_t index, unsigned worker)>& job);

} // namespace morvik
