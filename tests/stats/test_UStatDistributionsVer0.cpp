#include <gtest/gtest.h>

#include <cmath>

#include "platform/ui/ScriptedUiServices.h"
#include "stats/RealFunctions.h"
#include "stats/UStatDistributionsVer0.h"

// Reference probabilities: the error function and the regularized incomplete beta function,
// computed apart from this code. The tolerances are those of the approximations themselves.
namespace {
class BasicDistributions : public testing::Test {
protected:
    TScriptedUiServices ui;
    TScopedUiServices scope{ui};
    void TearDown() override { EXPECT_TRUE(ui.Log().empty()) << ui.Log().front().Text; }
};
}  // namespace

TEST_F(BasicDistributions, NormalProbabilityAgainstTheErrorFunction)
{
    struct Case {
        long double x, p;
    };
    const Case cases[] = {
        {-3.0L, 0.0013498980316301035L}, {-1.96L, 0.024997895148220428L}, {-1.0L, 0.15865525393145707L},
        {-0.3L, 0.3820885778110474L},    {0.3L, 0.6179114221889526L},     {1.0L, 0.8413447460685429L},
        {1.645L, 0.9500150944608786L},   {1.96L, 0.9750021048517796L},    {2.5L, 0.9937903346742238L},
        {3.5L, 0.9997673709209645L},
    };
    for (const Case& c : cases) EXPECT_NEAR(NormalProbability(c.x), c.p, 2e-4L) << static_cast<double>(c.x);
}

TEST_F(BasicDistributions, NormalProbabilityEdges)
{
    struct Case {
        long double x, p;
    };
    const Case cases[] = {{0, 0.5L}, {5e-5L, 0.5L}, {-5e-5L, 0.5L}, {7.5L, 1}, {8, 1}, {-8, 0}, {-1e30L, 0}};
    for (const Case& c : cases) EXPECT_EQ(NormalProbability(c.x), c.p) << static_cast<double>(c.x);
    // Just inside +-7 the search still ends in (0, 1).
    EXPECT_GT(NormalProbability(6.9L), 0.9999L);
    EXPECT_LT(NormalProbability(-6.9L), 1e-4L);
}

TEST_F(BasicDistributions, NormalQuantileInvertsTheProbability)
{
    EXPECT_EQ(NormalQuantile(0.5L), 0);
    EXPECT_EQ(NormalQuantile(0.5000005L), 0);
    for (long double p : {0.001L, 0.025L, 0.2L, 0.7L, 0.975L, 0.999L}) {
        EXPECT_NEAR(NormalQuantile(p), -NormalQuantile(1 - p), 1e-15L);
        EXPECT_NEAR(NormalProbability(NormalQuantile(p)), p, 1e-4L);
    }
    EXPECT_NEAR(NormalQuantile(0.975L), 1.96L, 4.5e-4L);
}

TEST(BasicDistributionsMessages, NormalQuantileOutsideTheOpenIntervalWarnsAndGivesZero)
{
    for (long double p : {0.0L, 1.0L, -0.5L, 1.5L}) {
        TScriptedUiServices ui;
        TScopedUiServices scope(ui);
        ui.Push(TUiAnswer::Press(mrOk));
        EXPECT_EQ(NormalQuantile(p), 0);
        ASSERT_EQ(ui.Log().size(), 1u);
        EXPECT_EQ(ui.Log()[0].Text, "Error of the normal distribution parameter");
        EXPECT_EQ(ui.Log()[0].Buttons, static_cast<TMsgDlgButtons>(mbOK));
    }
}

TEST_F(BasicDistributions, StudentProbabilityAgainstTheIncompleteBeta)
{
    struct Case {
        int df;
        long double x, p, tolerance;
    };
    // The series is poor for one or two degrees of freedom and good from about five on.
    const Case cases[] = {
        {5, 2.015L, 0.9499969138365969L, 3e-3L},     {10, 2.228L, 0.9749941140914443L, 1e-3L},
        {10, -1.372L, 0.10002767069971463L, 1e-3L},  {30, 0.5L, 0.689638497557435L, 5e-4L},
        {120, -2.617L, 0.005005832734154058L, 5e-4L}, {1000, 1.0L, 0.8412237909576853L, 5e-4L},
        {3, -0.7L, 0.2671634991523819L, 1e-2L},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(StudentProbability(c.df, c.x), c.p, c.tolerance) << c.df << " at " << static_cast<double>(c.x);
    EXPECT_EQ(StudentProbability(5, 0), 0.5L);
}

TEST_F(BasicDistributions, StudentProbabilityStopsInTheFarTails)
{
    const long double high = StudentProbability(10, 40);
    const long double low = StudentProbability(10, -40);
    EXPECT_GT(high, 0.9999L);
    EXPECT_LT(high, 1);
    EXPECT_LT(low, 0.0001L);
    EXPECT_GT(low, 0);
}

TEST_F(BasicDistributions, FisherProbabilityAgainstTheIncompleteBeta)
{
    struct Case {
        int df1, df2;
        long double x, p, tolerance;
    };
    const Case cases[] = {
        {10, 20, 2.348L, 0.9500101654895444L, 5e-3L}, {20, 30, 1.0L, 0.5109198068510457L, 5e-3L},
        {5, 10, 2.0L, 0.8358050491002611L, 1e-2L},    {5, 10, 0.4L, 0.1618347415219579L, 1e-2L},
        {12, 60, 0.3L, 0.012925608543960715L, 5e-3L}, {4, 4, 0.5L, 0.25925925925925936L, 1e-2L},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(FisherProbability(c.df1, c.df2, c.x), c.p, c.tolerance)
            << c.df1 << "," << c.df2 << " at " << static_cast<double>(c.x);
}

TEST_F(BasicDistributions, FisherProbabilityEdges)
{
    EXPECT_EQ(FisherProbability(5, 5, 1.0L), 0.5L);
    EXPECT_EQ(FisherProbability(5, 5, 1.0L), StudentProbability(5, 0));
    // Equal degrees of freedom go through t; the two tails mirror each other.
    EXPECT_EQ(FisherProbability(8, 8, 2.0L), StudentProbability(8, FisherToStudent(8, 2.0L)));
    EXPECT_EQ(FisherProbability(8, 8, 0.5L), StudentProbability(8, -FisherToStudent(8, 0.5L)));
    // A hit at the start point answers 0.75, or 0.25 below 1.
    const long double upper = FisherQuantile(6, 9, 0.75L);
    EXPECT_EQ(FisherProbability(6, 9, upper), 0.75L);
    EXPECT_EQ(FisherProbability(9, 6, 1 / upper), 0.25L);
    EXPECT_EQ(FisherProbability(6, 9, 0), 0);
    EXPECT_EQ(FisherProbability(6, 9, -1), 0);
}

TEST_F(BasicDistributions, InvalidDegreesOfFreedomGiveMissingValue)
{
    EXPECT_EQ(StudentProbability(0, 1.0L), MissingValue);
    EXPECT_EQ(FisherProbability(0, 4, 1.5L), MissingValue);
    EXPECT_EQ(FisherProbability(4, -2, 1.5L), MissingValue);
    EXPECT_EQ(FisherProbability(0, 0, 1.5L), MissingValue);
}

TEST(BasicDistributionHelpers, ReciprocalPowerAndFisherToStudent)
{
    struct Case {
        long double a;
        int k;
        long double expected;
    };
    const Case cases[] = {{2, 0, 1}, {2, -3, 1}, {2, 1, 0.5L}, {2, 3, 0.125L}, {10, 4, 1e-4L}, {-2, 3, -0.125L}};
    for (const Case& c : cases) EXPECT_NEAR(ReciprocalPower(c.a, c.k), c.expected, 1e-18L) << c.k;
    EXPECT_EQ(FisherToStudent(4, 1.0L), 0);
    EXPECT_NEAR(FisherToStudent(16, 4.0L), 3.0L, 1e-18L);     // |4 - 1| * 4 / (2 * 2)
    EXPECT_NEAR(FisherToStudent(16, 0.25L), 3.0L, 1e-18L);    // the reciprocal maps to the same t
}

TEST(BasicDistributionHelpers, StudentQuantileApproachesTheNormalOne)
{
    for (long double p : {0.05L, 0.5L, 0.9L, 0.975L}) {
        EXPECT_NEAR(StudentQuantile(1000000, p), NormalQuantile(p), 1e-5L);
        EXPECT_NEAR(StudentQuantile(12, p), -StudentQuantile(12, 1 - p), 1e-15L);
    }
    EXPECT_NEAR(StudentQuantile(10, 0.975L), 2.228L, 3e-3L);
}

TEST_F(BasicDistributions, ExtremeArgumentsEndWithAProbability)
{
    // Far out in the tails the approximations flatten or lose their value; the search must still
    // end, inside [0, 1] and on the right side.
    struct Case {
        int df1, df2;
        long double x;
        bool upper;
    };
    const Case cases[] = {
        {1, 1, 1e4L, true}, {1, 2, 500, true}, {2, 1, 1e-4L, false}, {1, 1, 1e-6L, false},
        {3, 300, 40, true}, {300, 3, 1e-3L, false}, {1, 5000, 1e6L, true},
    };
    for (const Case& c : cases) {
        const long double p = FisherProbability(c.df1, c.df2, c.x);
        EXPECT_TRUE(p >= 0 && p <= 1) << c.df1 << "," << c.df2 << " at " << static_cast<double>(c.x) << ": "
                                      << static_cast<double>(p);
        EXPECT_EQ(p > 0.5L, c.upper) << c.df1 << "," << c.df2;
    }
    for (long double x : {1e3L, -1e3L, 1e8L}) {
        const long double p = StudentProbability(1, x);
        EXPECT_TRUE(p >= 0 && p <= 1) << static_cast<double>(x);
        EXPECT_EQ(p > 0.5L, x > 0);
    }
}
