#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <vector>

#include "platform/core/SysUtils.h"
#include "platform/ui/ScriptedUiServices.h"
#include "stats/UStatDistributions.h"
#include "stats/UStatDistributionsVer0.h"
#include "stats/Ustatistics.h"
#include "support/TestSupport.h"

// This program never loads the external library (it is not beside the test program), so mode 2
// shows its fallback here; the library itself is tested in test_StatDistrib.
namespace {
class StatisticsModes : public testing::Test {
protected:
    TLibraryModes saved = LibraryModes;
    TScriptedUiServices ui;
    TScopedUiServices scope{ui};
    qbtest::TempDir dir;
    void TearDown() override { LibraryModes = saved; }

    void LoadSettings(const std::string& text)
    {
        qbtest::WriteFileBytes(dir.file("ORUStatistics.ini"), text);
        LoadStatisticsSettings(dir.file("ORUStatistics.ini"));
    }
};

// Runs the start-up of the module with the current directory set to a folder.
void StartIn(const std::filesystem::path& folder)
{
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    try {
        InitializeStatisticsModule();
    } catch (...) {
        std::filesystem::current_path(previous);
        throw;
    }
    std::filesystem::current_path(previous);
}

std::vector<int> Modes()
{
    return {LibraryModes.N, LibraryModes.T, LibraryModes.C, LibraryModes.F};
}
}  // namespace

TEST_F(StatisticsModes, DispatchFollowsTheModeOfEachDistribution)
{
    struct Case {
        std::uint8_t mode;
        long double n, t, f;  // Alpha_n(1.96), Alpha_t(10, -1.372), Alpha_F(5, 10, 2)
    };
    const Case cases[] = {
        {0, NormalProbability(1.96L), StudentProbability(10, -1.372L), FisherProbability(5, 10, 2.0L)},
        {1, ST_Alpha_n(1.96L), ST_Alpha_t(10, -1.372L), ST_Alpha_F(5, 10, 2.0L)},
        {2, ST_Alpha_n(1.96L), ST_Alpha_t(10, -1.372L), ST_Alpha_F(5, 10, 2.0L)},  // library absent
        {3, MissingValue, MissingValue, MissingValue},
        {255, MissingValue, MissingValue, MissingValue},
    };
    ASSERT_FALSE(StatDistribLoaded());
    for (const Case& c : cases) {
        LibraryModes = {c.mode, c.mode, c.mode, c.mode};
        EXPECT_EQ(Alpha_n(1.96L), c.n) << int(c.mode);
        EXPECT_EQ(Alpha_t(10, -1.372L), c.t) << int(c.mode);
        EXPECT_EQ(Alpha_F(5, 10, 2.0L), c.f) << int(c.mode);
    }
    // Reference values (error function, incomplete beta) within each mode's accuracy.
    for (std::uint8_t mode : {0, 1}) {
        LibraryModes = {mode, mode, mode, mode};
        EXPECT_NEAR(Alpha_n(1.96L), 0.9750021048517796L, 2e-4L);
        EXPECT_NEAR(Alpha_t(10, -1.372L), 0.10002767069971463L, 1e-3L);
        EXPECT_NEAR(Alpha_F(5, 10, 2.0L), 0.8358050491002611L, 1e-2L);
    }
    // Each distribution has its own mode.
    LibraryModes = {3, 1, 1, 0};
    EXPECT_EQ(Alpha_n(1.0L), MissingValue);
    EXPECT_EQ(Alpha_t(4, 1.0L), ST_Alpha_t(4, 1.0L));
    EXPECT_EQ(Alpha_F(3, 4, 1.5L), FisherProbability(3, 4, 1.5L));
}

TEST_F(StatisticsModes, SettingsFileRules)
{
    struct Case {
        const char* text;
        std::vector<int> modes;
    };
    const Case cases[] = {
        {"", {1, 1, 1, 1}},
        {"LibraryMode-N=0\r\nLibraryMode-T=2\r\nLibraryMode-C=0\r\nLibraryMode-F=0\r\n", {0, 2, 0, 0}},
        {"librarymode-n=0\nLIBRARYMODE-F=2\n", {0, 1, 1, 2}},           // names in any case
        {"LibraryMode-N=0\nLibraryMode-N=2\n", {0, 1, 1, 1}},            // the first line counts
        {"LibraryMode-N=\nLibraryMode-N=0\nLibraryMode-T=\n", {1, 1, 1, 1}},  // empty values: defaults
        {"LibraryMode-N=258\nLibraryMode-T=-1\nLibraryMode-F=256\n", {2, 255, 1, 0}},  // low eight bits
        {"[Statistics]\n; remark\nLibraryMode-C = 0\nLibraryMode-F= 0 \n", {1, 1, 1, 0}},  // "LibraryMode-C " is another name
    };
    for (const Case& c : cases) {
        LibraryModes = {7, 7, 7, 7};
        LoadSettings(c.text);
        EXPECT_EQ(Modes(), c.modes) << c.text;
    }
}

TEST_F(StatisticsModes, SettingsValueThatIsNoWholeNumberStopsWithAClearError)
{
    for (const char* text : {"LibraryMode-T=two\n", "LibraryMode-N=1.5\n", "EnsureVFdll=yes\n", "LibraryMode-F=0x2\n"}) {
        LibraryModes = {0, 0, 0, 0};
        try {
            LoadSettings(text);
            ADD_FAILURE() << "no error for " << text;
        } catch (const EConvertError& error) {
            EXPECT_NE(error.Message().find("ORUStatistics.ini"), std::string::npos) << error.Message();
            EXPECT_NE(error.Message().find("not a valid integer"), std::string::npos) << error.Message();
        }
        EXPECT_EQ(Modes(), (std::vector<int>{0, 0, 0, 0})) << "modes changed by " << text;
    }
}

TEST_F(StatisticsModes, StartUpReadsTheFileOfTheCurrentDirectoryOnly)
{
    // Without the file every distribution takes mode 1.
    LibraryModes = {0, 0, 0, 0};
    StartIn(dir.path());
    EXPECT_EQ(Modes(), (std::vector<int>{1, 1, 1, 1}));
    EXPECT_NEAR(Alpha_n(1.96L), 0.5L + ProbF(1, 5000, 3.8416L) / 2, 1e-18L);
    EXPECT_NEAR(Alpha_n(1.96L), 0.975L, 1e-4L);

    qbtest::WriteFileBytes(dir.file("ORUStatistics.ini"), "LibraryMode-N=3\nLibraryMode-F=0\n");
    StartIn(dir.path());
    EXPECT_EQ(Alpha_n(1.96L), MissingValue);
    EXPECT_EQ(Alpha_F(5, 10, 2.0L), FisherProbability(5, 10, 2.0L));

    // A folder of that name is no settings file.
    qbtest::TempDir other;
    std::filesystem::create_directory(other.path() / "ORUStatistics.ini");
    StartIn(other.path());
    EXPECT_EQ(Modes(), (std::vector<int>{1, 1, 1, 1}));
}

TEST_F(StatisticsModes, AskingForTheLibraryWhereItIsAbsentKeepsTheBuiltInProbability)
{
    LoadSettings("LibraryMode-N=2\nEnsureVFdll=1\n");
    EXPECT_FALSE(StatDistribLoaded());
    EXPECT_EQ(vf_PROB, nullptr);
    EXPECT_EQ(PROB(5, 10, 2.0L), ProbF(5, 10, 2.0L));
    EXPECT_EQ(Alpha_n(1.0L), ST_Alpha_n(1.0L));
    // A failed load is tried again next time; an empty temporary folder has no library either.
    EXPECT_FALSE(EnsureStatDistrib(dir.path().string()));
}

// ---- Regression engine ----------------------------------------------------------------------------

namespace {
class Engine : public testing::Test {
protected:
    TScriptedUiServices ui;
    TScopedUiServices scope{ui};
    TStatistics stats;

    void Fill(const std::vector<long double>& xs, const std::vector<long double>& ys)
    {
        for (size_t i = 0; i < xs.size(); ++i) ASSERT_TRUE(stats.AddPoint(xs[i], ys[i]));
    }
    std::vector<std::string> Messages() const
    {
        std::vector<std::string> texts;
        for (const TUiCall& call : ui.Log()) texts.push_back(call.Text);
        return texts;
    }
};

long double PolynomialAt(const std::vector<long double>& c, long double x)
{
    long double sum = 0, power = 1;
    for (long double ci : c) {
        sum += ci * power;
        power *= x;
    }
    return sum;
}
}  // namespace

TEST_F(Engine, PolynomialFitsRecoverExactCoefficients)
{
    struct Case {
        std::uint8_t degree;
        std::vector<long double> coefficients;
        std::vector<long double> xs;
    };
    const Case cases[] = {
        {1, {3, -2}, {-2, -1, 0, 1, 2, 3, 4, 5}},
        {2, {1, 0.5L, -2}, {0, 1, 2, 3, 4, 5, 6}},
        {3, {-4, 1, -3, 0.25L}, {-3, -2, -1, 0, 1, 2, 3, 4}},
        {3, {1000, 0, 0, 0.001L}, {10, 20, 30, 40, 50, 60}},
    };
    for (const Case& c : cases) {
        TStatistics engine;
        for (long double x : c.xs) engine.AddPoint(x, PolynomialAt(c.coefficients, x));
        engine.Calculate(c.degree);
        const TStatRes& r = engine.Results;
        ASSERT_TRUE(r.Calculated);
        ASSERT_EQ(r.Degree, c.degree);
        ASSERT_EQ(r.Coefficients.size(), c.coefficients.size());
        for (size_t i = 0; i < c.coefficients.size(); ++i)
            EXPECT_NEAR(r.Coefficients[i], c.coefficients[i], 1e-9L) << "degree " << int(c.degree) << " c" << i;
        EXPECT_NEAR(r.Determination, 1, 1e-12L);
        EXPECT_NEAR(engine.ResidualSumOfSquares(), 0, 1e-12L);
        EXPECT_NEAR(engine.Estimate(2.5L), PolynomialAt(c.coefficients, 2.5L), 1e-9L);
    }
    EXPECT_TRUE(ui.Log().empty());
}

TEST_F(Engine, NoisyDataAgainstExactLeastSquares)
{
    // References: the normal equations solved in exact fractions.
    struct Case {
        std::uint8_t degree;
        std::vector<long double> xs, ys, coefficients;
        long double residual, determination;
    };
    const Case cases[] = {
        {1, {1, 2, 3, 4, 5}, {2, 4, 5, 4, 5}, {2.2L, 0.6L}, 2.4L, 0.6L},
        {2, {0, 1, 2, 3, 4}, {1, 2, 2, 3, 7}, {1.4L, -0.7L, 0.5L}, 1.6L, 0.9272727272727272L},
        {3, {0, 1, 2, 3, 4, 5, 6}, {3, 1, 4, 1, 5, 9, 2},
         {3.380952380952381L, -4.626984126984127L, 2.4285714285714284L, -0.2777777777777778L}, 23.61904761904762L,
         0.5049900199600799L},
    };
    for (const Case& c : cases) {
        TStatistics engine;
        for (size_t i = 0; i < c.xs.size(); ++i) engine.AddPoint(c.xs[i], c.ys[i]);
        engine.Calculate(c.degree);
        for (size_t i = 0; i < c.coefficients.size(); ++i)
            EXPECT_NEAR(engine.Results.Coefficients[i], c.coefficients[i], 1e-12L) << int(c.degree) << " c" << i;
        EXPECT_NEAR(engine.ResidualSumOfSquares(), c.residual, 1e-12L) << int(c.degree);
        EXPECT_NEAR(engine.Results.Determination, c.determination, 1e-12L) << int(c.degree);
    }
}

TEST_F(Engine, DescriptiveStatisticsAndCorrelation)
{
    Fill({3, 1, 5, 2, 4}, {5, 2, 5, 4, 4});  // the pairs of (1..5, 2 4 5 4 5), shuffled
    stats.Calculate(1);
    const TStatRes& r = stats.Results;
    EXPECT_EQ(r.Count, 5);
    EXPECT_EQ(r.CountY, 5);
    EXPECT_NEAR(r.MeanX, 3, 1e-15L);
    EXPECT_NEAR(r.MeanY, 4, 1e-15L);
    EXPECT_NEAR(r.StdDevX, std::sqrt(2.0L), 1e-15L);
    EXPECT_NEAR(r.StdDevY, std::sqrt(1.2L), 1e-15L);
    EXPECT_EQ(r.MinX, 1);
    EXPECT_EQ(r.MaxX, 5);
    EXPECT_EQ(r.MinY, 2);
    EXPECT_EQ(r.MaxY, 5);
    EXPECT_NEAR(r.Correlation, 0.7745966692414833L, 1e-15L);
    // P(T(3) <= r * sqrt(3) / sqrt(1 - r²)) by the incomplete beta function.
    EXPECT_NEAR(r.ProbabilityR, 0.9379864686712227L, 1e-9L);
    EXPECT_NEAR(r.Determination, 0.6L, 1e-15L);
    // Points keep their order.
    EXPECT_EQ(stats.PointX(stats.Points[0]), 3);
    EXPECT_EQ(stats.PointY(stats.Points[4]), 4);
}

TEST_F(Engine, PerfectAndTooShortCorrelations)
{
    struct Case {
        std::vector<long double> xs, ys;
        long double correlation, probability;
    };
    const Case cases[] = {
        {{1, 2, 3}, {2, 4, 6}, 1, 1},
        {{1, 2, 3}, {6, 4, 2}, -1, 0},
        {{1, 2}, {2, 4}, 1, 0},  // two points: no probability
        {{1, 2, 3, 4}, {5, 5, 5, 5}, 0, 0.5L},  // constant Y: no correlation
    };
    for (const Case& c : cases) {
        TStatistics engine;
        for (size_t i = 0; i < c.xs.size(); ++i) engine.AddPoint(c.xs[i], c.ys[i]);
        engine.Calculate(1);
        EXPECT_NEAR(engine.Results.Correlation, c.correlation, 1e-15L);
        EXPECT_NEAR(engine.Results.ProbabilityR, c.probability, 1e-12L);
    }
    TStatistics line;
    for (long double x : {1, 2, 3}) line.AddPoint(x, 2 * x);
    line.Calculate(1);
    EXPECT_NEAR(line.Results.Coefficients[0], 0, 1e-15L);
    EXPECT_NEAR(line.Results.Coefficients[1], 2, 1e-15L);
    EXPECT_NEAR(line.Results.Determination, 1, 1e-15L);
}

TEST_F(Engine, MissingValuesAreRefused)
{
    EXPECT_FALSE(stats.AddPoint(MissingValue, 1));
    EXPECT_FALSE(stats.AddPoint(1, MissingValue));
    EXPECT_FALSE(stats.AddPoint(MissingValue, MissingValue));
    EXPECT_EQ(stats.PointCount(), 0);
    // Only the exact mark is refused.
    EXPECT_TRUE(stats.AddPoint(MissingValue + 1e-6L, 1));
    EXPECT_EQ(stats.PointCount(), 1);
}

// The engine answers a status instead of a message box per value: a curve drawn point by point
// would otherwise raise one box per point.
TEST_F(Engine, UncalculatedEngineAnswersMissingWithAStatus)
{
    stats.Calculate(1);  // no points
    EXPECT_FALSE(stats.Results.Calculated);
    Fill({1, 2, 3}, {1, 2, 3});
    EXPECT_EQ(stats.Estimate(2), MissingValue);
    EXPECT_EQ(stats.EstimateStatus(), TRegressionStatus::NotCalculated);
    EXPECT_EQ(stats.ResidualSumOfSquares(), MissingValue);
    EXPECT_EQ(RegressionStatusText(stats.EstimateStatus()), "Regression was not calculated");
    EXPECT_TRUE(ui.Log().empty());
}

TEST_F(Engine, DegreeZeroAnswersTheMean)
{
    Fill({1, 2, 3, 4}, {1, 3, 2, 6});
    stats.Results.Determination = 0.25L;
    stats.Calculate(0);
    EXPECT_TRUE(stats.Results.Calculated);
    EXPECT_EQ(stats.Results.Degree, 0);
    EXPECT_EQ(stats.Results.Determination, 0.25L);  // left as it was
    EXPECT_NEAR(stats.ResidualSumOfSquares(), 4 + 0 + 1 + 9, 1e-15L);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(stats.Estimate(10 + i), 3);
    EXPECT_EQ(stats.EstimateStatus(), TRegressionStatus::ZeroDegree);
    EXPECT_EQ(RegressionStatusText(TRegressionStatus::ZeroDegree), "Zero degree of regression");
    EXPECT_EQ(RegressionStatusText(TRegressionStatus::Ok), "");
    EXPECT_TRUE(ui.Log().empty());
}

TEST_F(Engine, SingularSystemsFallBackToDegreeZeroSilently)
{
    Fill({2, 2, 2}, {1, 2, 3});
    stats.Calculate(2);
    EXPECT_TRUE(stats.Results.Calculated);
    EXPECT_EQ(stats.Results.Degree, 0);
    EXPECT_EQ(stats.Results.Correlation, 0);
    EXPECT_EQ(stats.Results.Determination, 0);
    EXPECT_TRUE(ui.Log().empty());
}

TEST_F(Engine, ConstantYOfHigherDegreeHasAFiniteDetermination)
{
    Fill({0, 1, 2, 3, 4}, {7, 7, 7, 7, 7});
    stats.Calculate(2);
    EXPECT_EQ(stats.Results.Degree, 2);
    EXPECT_TRUE(std::isfinite(stats.Results.Determination));
    EXPECT_EQ(stats.Results.Determination, 0);
    EXPECT_NEAR(stats.Estimate(10), 7, 1e-12L);
}

TEST_F(Engine, FilterXKeepsTheClosedRangeForGood)
{
    Fill({5, 1, 3, 2, 4, 3}, {50, 10, 30, 20, 40, 31});
    EXPECT_EQ(stats.FilterX(2, 4), 4);
    std::vector<long double> ys;
    for (const TStatPoint& p : stats.Points) ys.push_back(p.Y);
    EXPECT_EQ(ys, (std::vector<long double>{30, 20, 40, 31}));
    stats.Calculate(1);
    EXPECT_EQ(stats.Results.Count, 4);
    stats.Clear();
    EXPECT_EQ(stats.PointCount(), 0);
    EXPECT_EQ(stats.Results.Count, 4);  // results stay
    EXPECT_EQ(stats.FilterX(0, 1), 0);
}

TEST_F(Engine, NormalEquationsWithWrongShapeAreRefusedWithTheirReason)
{
    stats.NormalMatrix.clear();
    EXPECT_FALSE(stats.SolveNormalEquations(1));
    EXPECT_EQ(stats.SolveError, "LinearExuations: low number of exuations: -1");
    stats.NormalMatrix = {{1, 0, 1}, {0, 1}};
    EXPECT_FALSE(stats.SolveNormalEquations(1));
    EXPECT_EQ(stats.SolveError, "LinearExuations: error of exuation [1]");
    stats.NormalMatrix = {{1, 0, 1}, {0, 1, 2}};
    EXPECT_TRUE(stats.SolveNormalEquations(1));
    EXPECT_EQ(stats.SolveError, "");
    EXPECT_TRUE(ui.Log().empty());
}

TEST(GaussJordan, SolvesSwapsAndRefuses)
{
    struct Case {
        int high;
        TwoDimArray matrix;
        bool solved;
        std::vector<long double> solution;
    };
    const Case cases[] = {
        {1, {{2, 1, 5}, {1, 3, 10}}, true, {1, 3}},
        {1, {{0, 1, 2}, {1, 0, 3}}, true, {3, 2}},  // zero pivot: rows swap
        {2, {{1, 1, 1, 6}, {0, 2, 5, -4}, {2, 5, -1, 27}}, true, {5, 3, -2}},
        {1, {{1, 2, 3}, {2, 4, 6}}, false, {}},   // singular
        {1, {{0, 1, 1}, {0, 2, 2}}, false, {}},   // a zero column
        {2, {{1, 0, 1}, {0, 1, 1}}, false, {}},   // too few rows for the size asked
        {1, {{1, 0}, {0, 1}}, false, {}},         // no right-hand side
        {0, {{4, 2}}, true, {0.5L}},
    };
    for (const Case& c : cases) {
        TwoDimArray m = c.matrix;
        ASSERT_EQ(SolveGaussJordan(c.high, m), c.solved) << c.high;
        for (size_t i = 0; i < c.solution.size(); ++i) EXPECT_NEAR(m[i][c.high + 1], c.solution[i], 1e-15L);
    }
}

TEST(CorrelationHelpers, ProbabilityAndFisherZ)
{
    EXPECT_EQ(CorrelationProbability(3, 0), 0.5L);
    EXPECT_NEAR(CorrelationProbability(3, 0.7745966692414833L), 0.9379864686712227L, 1e-9L);
    EXPECT_EQ(CorrelationProbability(5, 1), 1);
    EXPECT_EQ(CorrelationProbability(5, -1), 0);
    struct Case {
        int n;
        long double r, z;
    };
    const Case cases[] = {
        {12, 0.5L, std::log(3.0L) * 1.5L}, {12, -0.5L, -std::log(3.0L) * 1.5L}, {3, 0.5L, 0},
        {12, 1, 0}, {12, 1 - 5e-8L, 0}, {12, -1, 0}, {2, 0.5L, 0},
    };
    for (const Case& c : cases) EXPECT_NEAR(FisherZ(c.n, c.r), c.z, 1e-15L) << c.n << " " << static_cast<double>(c.r);
}

TEST(BrokenLineRecord, StatisticsAndNames)
{
    TBreakPointRecord record;
    for (int k = 0; k < 6; ++k) record.Statistics[k] = 10 + k;
    record.Count1 = 3;
    record.Count2 = 5;
    record.ResidualSum1 = 10;
    record.ResidualSum2 = 22;
    for (int k = 0; k < 6; ++k) EXPECT_EQ(BrokenLineStatistic(record, k), 10 + k);
    EXPECT_EQ(BrokenLineStatistic(record, 6), 2);  // sqrt(32 / 8)
    EXPECT_EQ(BrokenLineStatistic(record, 7), MissingValue);
    EXPECT_EQ(BrokenLineStatistic(record, -1), MissingValue);
    EXPECT_EQ(BrokenLineStatistic(TBreakPointRecord{}, 6), MissingValue);  // no points: no deviation

    const char* const names[] = {"Difference of estimation in BP", "Common point", "Correlation difference",
                                 "Probability of CorrelDiff", "F test", "Probability of F", "RMSD"};
    for (int k = 0; k < 7; ++k) EXPECT_EQ(BrokenLineStatisticName(k), names[k]);
    EXPECT_EQ(BrokenLineStatisticName(7), "");
    EXPECT_EQ(BrokenLineStatisticName(-1), "");
}
