#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "stats/RealFunctions.h"
#include "stats/UOrdLists.h"

TEST(UOrdLists, InsertSortedKeepsTheArrayAscending)
{
    struct Case {
        TFloatArray before;
        double value;
        TFloatArray after;
    };
    const Case cases[] = {
        {{1, 5, 9}, 4, {1, 4, 5, 9}}, {{1, 5, 9}, 0, {0, 1, 5, 9}}, {{1, 5, 9}, 10, {1, 5, 9, 10}},
        {{}, 3, {3}},                 {{1, 5, 9}, 5, {1, 5, 5, 9}}, {{1, 5, 9}, 9, {1, 5, 9, 9}},
    };
    for (const Case& c : cases) {
        TFloatArray array = c.before;
        InsertSorted(array, c.value);
        EXPECT_EQ(array, c.after) << c.value;
    }
}

TEST(UOrdLists, FindPositionInLongArraysUsesTheBisectionCorrectly)
{
    TFloatArray array;
    for (int i = 0; i < 100; ++i) array.push_back(2.0 * i);  // 0, 2, .., 198
    struct Case {
        double x;
        int position;
    };
    const Case cases[] = {{-1, 0}, {0, 0}, {0.5, 1}, {3, 2}, {97, 49}, {98, 49}, {150.1, 76}, {197, 99}, {198, 99}, {199, 100}};
    for (const Case& c : cases) EXPECT_EQ(FindPosition(array, c.x), c.position) << c.x;
    EXPECT_EQ(FindPosition(TFloatArray{}, 5), 0);
}

TEST(UOrdLists, RandomInsertionsGiveTheSortedSequence)
{
    TFloatArray array;
    std::vector<double> values;
    unsigned seed = 12345;
    for (int i = 0; i < 500; ++i) {
        seed = seed * 1103515245u + 12345u;
        const double value = static_cast<double>((seed >> 8) % 1000) / 10.0;
        values.push_back(value);
        InsertSorted(array, value);
    }
    std::sort(values.begin(), values.end());
    EXPECT_EQ(array, values);
}

TEST(UOrdLists, QuantileInterpolatesBetweenNeighbours)
{
    const TFloatArray four{1, 2, 3, 4};
    struct Case {
        TFloatArray array;
        double p;
        long double expected;
    };
    const Case cases[] = {
        {four, 0.5, 2.5L},   {four, 0.25, 1.75L}, {four, 0, 1},      {four, 1, 4},
        {four, 1.0 / 3, 2},  {{10, 20}, 0.9, 19}, {{5, 5, 5}, 0.3, 5},
    };
    for (const Case& c : cases) EXPECT_NEAR(Quantile(c.array, c.p), c.expected, 1e-12L) << c.p;
}

TEST(UOrdLists, QuantileRefusesWhatHasNoQuantile)
{
    const TFloatArray four{1, 2, 3, 4};
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        TFloatArray array;
        double p;
    };
    const Case cases[] = {{{7}, 0.5}, {{}, 0.5}, {four, -0.01}, {four, 1.01}, {four, nan}};
    for (const Case& c : cases) {
        EXPECT_EQ(Quantile(c.array, c.p), static_cast<long double>(OrdListMissingValue));
        EXPECT_TRUE(IsMissingValue(Quantile(c.array, c.p)));
    }
    // The largest p below 1 stays inside the array.
    EXPECT_NEAR(Quantile(four, std::nextafter(1.0, 0.0)), 4, 1e-12L);
}
