// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/centerform.h"

namespace morvik
{

Placement centerform(double screenwidth, double screenheight, double windowwidth,
                     double windowheight)
{
    return {(screenwidth - windowwidth) / 2, (screenheight - windowheight) / 2};
}

} // namespace morvik
