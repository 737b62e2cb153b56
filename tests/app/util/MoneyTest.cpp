#include "app/util/Money.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(RoundMoneyTest, RoundsToTheStotinkaHalvesAwayFromZero)
{
    struct Case {
        double value;
        double rounded;
    };
    const Case cases[] = {
        {33.33 * 40 / 100, 13.33}, {250.0 * 40 / 100, 100.0}, {2.675, 2.68},   {1.005, 1.01},
        {-2.675, -2.68},           {1.13 * 0.4, 0.45},        {0.125, 0.13},   {0.0, 0.0},
        {12.344999, 12.34},        {1e9 + 0.005, 1e9 + 0.01}, {99.995, 100.0}, {-0.004, 0.0},
    };
    for (const Case& c : cases) EXPECT_EQ(RoundMoney(c.value), c.rounded) << c.value;
}

TEST(RoundMoneyTest, NonFiniteValuesPassUnchanged)
{
    EXPECT_TRUE(std::isnan(RoundMoney(std::numeric_limits<double>::quiet_NaN())));
    EXPECT_EQ(RoundMoney(std::numeric_limits<double>::infinity()), std::numeric_limits<double>::infinity());
}
