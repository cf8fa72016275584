// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace morvik::platform
{

// What a run does when another run already works on its folder: by default it stops
// and says so; with this switch on it waits until the other run has finished. One
// switch for the whole process, set by the front end before a run starts (the command
// line's --wait).
void setwaitforfolderlock(bool wait) noexcept;
bool waitforfolderlock() noexcept;

} // namespace morvik::platform
