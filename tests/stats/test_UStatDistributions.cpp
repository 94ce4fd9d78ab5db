#include <gtest/gtest.h>

#include <cmath>

#include "stats/RealFunctions.h"
#include "stats/UStatDistributions.h"

// Reference probabilities: the regularized incomplete beta function (continued fraction, 1e-15)
// and closed forms, computed apart from this code.
namespace {
struct FCase {
    int df1, df2;
    long double x;
    long double p;
};

const FCase FisherCases[] = {
    {1, 1, 3.0L, 0.666666666666667L},   {1, 10, 4.96L, 0.9499123494335318L}, {2, 10, 2.0L, 0.814065567918129L},
    {5, 10, 2.0L, 0.8358050491002611L}, {5, 10, 0.4L, 0.1618347415219579L}, {3, 7, 1.0L, 0.5529203865315164L},
    {10, 20, 2.348L, 0.9500101654895444L}, {4, 4, 0.5L, 0.25925925925925936L}, {7, 3, 8.89L, 0.9500249825593815L},
    {20, 30, 1.0L, 0.5109198068510457L},  {12, 60, 0.3L, 0.012925608543960715L}, {10, 10, 1.0L, 0.5L},
};

struct TCase {
    int df;
    long double x;
    long double p;
};

const TCase StudentCases[] = {
    {1, 1.0L, 0.75L},  {1, -2.0L, 0.14758361765043318L}, {2, 1.5L, 0.8638034375544995L},
    {3, -0.7L, 0.2671634991523819L}, {5, 2.015L, 0.9499969138365969L}, {10, 2.228L, 0.9749941140914443L},
    {10, -1.372L, 0.10002767069971463L}, {30, 0.5L, 0.689638497557435L}, {120, -2.617L, 0.005005832734154058L},
};
}  // namespace

TEST(UStatDistributions, ProbFMatchesTheFDistributionInAllFourParityBranches)
{
    ASSERT_EQ(vf_PROB, nullptr);
    for (const FCase& c : FisherCases) {
        EXPECT_NEAR(ProbF(c.df1, c.df2, c.x), c.p, 1e-9L) << c.df1 << "," << c.df2 << " at " << static_cast<double>(c.x);
        EXPECT_EQ(ST_Alpha_F(c.df1, c.df2, c.x), PROB(c.df1, c.df2, c.x));
        EXPECT_EQ(PROB(c.df1, c.df2, c.x), ProbF(c.df1, c.df2, c.x));
    }
    EXPECT_NEAR(ProbF(2, 10, 2.0L), 1 - std::pow(1 / 1.4L, 5), 1e-15L);
}

TEST(UStatDistributions, ProbFEdges)
{
    struct Case {
        int df1, df2;
        long double x;
        long double expected;
    };
    const Case cases[] = {
        {5, 10, 1e-7L, 0},            {5, 10, 0, 0},           {5, 10, -3, 0},
        {0, 10, 2, MissingValue},     {5, 0, 2, MissingValue}, {-1, -1, 2, MissingValue},
        {5, 10, 1e6L, 1},
    };
    for (const Case& c : cases) EXPECT_EQ(ProbF(c.df1, c.df2, c.x), c.expected) << c.df1 << "," << c.df2;
    // Degrees of freedom above 300 and 5000 count as 300 and 5000.
    for (long double x : {0.5L, 1.0L, 1.2L}) {
        EXPECT_EQ(ProbF(400, 9000, x), ProbF(300, 5000, x));
        EXPECT_EQ(ProbF(301, 5001, x), ProbF(300, 5000, x));
        EXPECT_NE(ProbF(299, 4999, x), ProbF(300, 5000, x));
    }
}

TEST(UStatDistributions, StudentAndNormalFromTheFProbability)
{
    for (const TCase& c : StudentCases)
        EXPECT_NEAR(ST_Alpha_t(c.df, c.x), c.p, 1e-9L) << c.df << " at " << static_cast<double>(c.x);
    // The normal distribution is taken as t with 5000 degrees of freedom.
    EXPECT_NEAR(ST_Alpha_n(1.96L), 0.9750021048517796L, 5e-5L);
    EXPECT_NEAR(ST_Alpha_n(-1.0L), 0.15865525393145707L, 5e-5L);
    EXPECT_NEAR(ST_Alpha_n(1.96L), 0.5L + ProbF(1, 5000, 1.96L * 1.96L) / 2, 1e-18L);
}

TEST(UStatDistributions, NearZeroIsOneHalfAndTheSignPicksTheTail)
{
    for (long double x : {0.0L, 1e-13L, -1e-13L, 9.9e-13L}) {
        EXPECT_EQ(ST_Alpha_n(x), 0.5L);
        EXPECT_EQ(ST_Alpha_t(3, x), 0.5L);
    }
    for (long double x : {0.3L, 1.0L, 2.5L}) {
        EXPECT_NEAR(ST_Alpha_t(4, x) + ST_Alpha_t(4, -x), 1.0L, 1e-15L);
        EXPECT_GT(ST_Alpha_t(4, x), 0.5L);
    }
    // A few microunits from zero the F probability is below its own cut-off: still 0.5.
    EXPECT_EQ(ST_Alpha_t(3, 1e-4L), 0.5L);
}

TEST(UStatDistributions, InvalidDegreesOfFreedomGiveMissingValue)
{
    EXPECT_EQ(ST_Alpha_t(0, 1.5L), MissingValue);
    EXPECT_EQ(ST_Alpha_t(-4, -1.5L), MissingValue);
    EXPECT_EQ(ST_Alpha_F(0, 3, 1.5L), MissingValue);
}
