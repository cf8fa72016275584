// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/runlock.h"

#include <atomic>

namespace morvik::platform
{

namespace
{

std::atomic<bool> waitforlock{false};

} // namespace

void setwaitforfolderlock(bool wait) noexcept
{
    waitforlock.store(wait, std::memory_order_relaxed);
}

bool waitforfolderlock() noexcept
{
    return waitforlock.load(std::memory_order_relaxed);
}

} // namespace morvik::platform
