// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace morvik
{

struct Placement {
    double left = 0;
    double top = 0;
};

// Centres a window on the screen: no rounding, no bound (a window larger than the
// screen gets a negative left or top). Any unit, as long as it is the same for all.
Placement centerform(double screenwidth, double screenheight, double windowwidth,
                     double windowheight);

} // namespace morvik
