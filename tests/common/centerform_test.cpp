// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/centerform.h"

#include <gtest/gtest.h>

using morvik::centerform;

TEST(Centerform, CentresWithoutRounding)
{
    const auto p = centerform(19200, 10800, 4680, 4350);
    EXPECT_DOUBLE_EQ(p.left, 7260);
    EXPECT_DOUBLE_EQ(p.top, 3225);
    // Odd differences keep their half: no rounding.
    const auto q = centerform(1001, 501, 100, 100);
    EXPECT_DOUBLE_EQ(q.left, 450.5);
    EXPECT_DOUBLE_EQ(q.top, 200.5);
}

TEST(Centerform, LargerThanScreenGoesNegativeEqually)
{
    const auto p = centerform(9000, 6000, 9600, 7000);
    EXPECT_DOUBLE_EQ(p.left, -300);
    EXPECT_DOUBLE_EQ(p.top, -500);
}
