#include <gtest/gtest.h>

#include <cmath>

#include "stats/RealFunctions.h"

TEST(RealFunctions, MissingValueIsRecognisedWithinItsTolerance)
{
    struct Case {
        long double x;
        bool missing;
    };
    const Case cases[] = {
        {MissingValue, true},           {-9999.9999L, true},      {-9999.99995L, true},
        {MissingValue + 0.9e-4L, true}, {-9999.9997L, false},     {-9999.9L, false},
        {-10000.001L, false},           {0.0L, false},            {9999.9999L, false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsMissingValue(c.x), c.missing) << static_cast<double>(c.x);
}

TEST(RealFunctions, MinMaxAndAbs)
{
    EXPECT_EQ(RealAbs(-2.5L), 2.5L);
    EXPECT_EQ(RealAbs(2.5L), 2.5L);
    EXPECT_EQ(RealMin(1, 2), 1);
    EXPECT_EQ(RealMin(2, 1), 1);
    EXPECT_EQ(RealMax(1, 2), 2);
    EXPECT_EQ(RealMax(2, 1), 2);
    // On a tie the first answers the second argument, the second the first: visible with signed zeros.
    EXPECT_TRUE(std::signbit(RealMin(0.0L, -0.0L)));
    EXPECT_FALSE(std::signbit(RealMax(0.0L, -0.0L)));
}
