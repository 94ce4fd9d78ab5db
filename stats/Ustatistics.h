#pragma once
// The statistics core: which distribution library each distribution uses, the binding of the
// external library, the settings file that chooses them, and the least-squares engine that the
// analysis windows feed with chart points.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/SysUtils.h"
#include "stats/RealFunctions.h"

class TCustomAxisPanel;

// ---- Distribution library modes -------------------------------------------------------------

// One byte per distribution: 0 basic approximations, 1 built-in F probability, 2 the external
// library; any other value makes the distribution answer MissingValue. The chi-square mode only
// decides whether the external library is loaded.
struct TLibraryModes {
    std::uint8_t N = 1;
    std::uint8_t T = 1;
    std::uint8_t C = 1;
    std::uint8_t F = 1;
};
extern TLibraryModes LibraryModes;

// Lower-tail probabilities in the mode chosen at start. A mode 2 distribution whose library
// entry is not loaded answers as in mode 1.
long double Alpha_n(long double x);
long double Alpha_t(int df, long double x);
long double Alpha_F(int df1, int df2, long double x);

// ---- External library and settings file ------------------------------------------------------

extern const char* const StatDistribLibraryName;      // "libStatDistrib.so"
extern const char* const StatisticsSettingsFileName;  // "ORUStatistics.ini"

// The folder of the running program, with a trailing '/'.
std::string ProgramDirectory();
// Loads directory + the library name and looks up its entries. An empty directory means the
// program's own folder: the library is never taken from the system's search path.
bool LoadStatDistrib(const std::string& directory);
// Loads the library unless it is loaded already; true when it is.
bool EnsureStatDistrib(const std::string& directory);
bool StatDistribLoaded();
// Forgets the library's entries and releases it: the state before any load (a test that loads it
// leaves the next test as it found it).
void UnloadStatDistrib();

// Reads the modes from a settings file (by default the one in the current directory) and loads
// the library when asked. A value that is no whole number raises EConvertError.
void LoadStatisticsSettings(const std::string& fileName = StatisticsSettingsFileName);
// Start-up: the settings file of the current directory, or mode 1 for every distribution.
void InitializeStatisticsModule();

// ---- Regression engine ------------------------------------------------------------------------

struct TStatPoint {
    long double X = 0;
    long double Y = 0;
};

using TwoDimArray = std::vector<std::vector<long double>>;

// Results of the last calculation. During accumulation MeanX/MeanY hold the sums; deviations and
// the correlation come from a second pass about the means.
struct TStatRes {
    int Count = 0;
    long double MeanX = 0;
    long double StdDevX = 0;  // population, never below 0
    long double MinX = 0;
    long double MaxX = 0;
    int CountY = 0;
    long double MeanY = 0;
    long double StdDevY = 0;
    long double MinY = 0;
    long double MaxY = 0;
    long double Correlation = 0;
    long double ProbabilityR = 0;
    long double Determination = 0;  // within [0, 1]
    std::vector<long double> Coefficients;  // c0 (constant) .. c(Degree)
    std::uint8_t Degree = 0;
    bool Calculated = false;
};

// What the engine answers besides a value. The engine never shows a message: the windows turn
// a status into one warning (RegressionStatusText), however many values they asked for.
enum class TRegressionStatus { Ok, NotCalculated, ZeroDegree, EqualX };
// "Regression was not calculated", "Zero degree of regression", ...; empty for Ok.
std::string RegressionStatusText(TRegressionStatus status);

// Highest degree the regression windows offer.
constexpr int MaxRegressionDegree = 10;

class TStatistics : public TObject {
public:
    TStatistics() = default;
    std::string ClassName() const override { return "TStatistics"; }

    // False (and nothing added) when a coordinate equals its missing mark.
    bool AddPoint(long double x, long double y);
    // Room for count points, so a long fill does not move the points it holds.
    void Reserve(int count) { Points.reserve(count > 0 ? static_cast<std::size_t>(count) : 0); }
    long double PointX(const TStatPoint& point) const { return point.X; }
    long double PointY(const TStatPoint& point) const { return point.Y; }
    int PointCount() const { return static_cast<int>(Points.size()); }
    void Clear() { Points.clear(); }  // the results stay
    // Drops every point with X outside [min, max] for good; returns the number left.
    int FilterX(long double min, long double max);

    void Calculate(std::uint8_t degree);
    // The regression polynomial at x: MissingY before any calculation, MeanY at degree 0.
    // EstimateStatus says which, once for any number of values.
    long double Estimate(long double x) const;
    TRegressionStatus EstimateStatus() const;
    // Sum of squared deviations of the points from the regression; MissingValue before any
    // calculation.
    long double ResidualSumOfSquares() const;

    // With withData a point series "Data" of the points first; then, when calculated, a line
    // series "Regression (<degree>)": its two ends for degree <= 1, else 101 points evenly
    // spaced, over the X range widened by extentPercent on both sides (not below 0 when every X
    // is positive). Colour -1 is red; penStyle 0..6 is solid .. inside frame. Draws no line
    // when every X is equal. Both series are owned by the chart.
    TRegressionStatus DrawRegression(TCustomAxisPanel* chart, bool withData, int colour, int width, int penStyle,
                                     int extentPercent);

    // The steps of Calculate.
    void ResetSums();
    void AccumulatePoint(const TStatPoint& point);
    // Normal equations of X centred on the middle of its range and scaled to [-1, 1], which keeps
    // them well conditioned for X far from 0; needs MinX and MaxX of the points.
    void BuildNormalEquations();
    // Solves them and turns the solution back into coefficients of X. False for a singular or
    // badly shaped system; SolveError then names a shape fault.
    bool SolveNormalEquations(int degree);

    std::vector<TStatPoint> Points;  // in the order added
    TwoDimArray NormalMatrix;        // (Degree + 1) rows of Degree + 2 columns
    long double MissingX = MissingValue;
    long double MissingY = MissingValue;
    TStatRes Results;
    std::string SolveError;

private:
    void FinishMoments();
    long double Polynomial(long double x) const;

    // X = ScaleCentre + ScaleHalfSpan * t maps [-1, 1] onto the range of X.
    long double scaleCentre_ = 0;
    long double scaleHalfSpan_ = 1;
};

// Solves the high + 1 equations of an augmented matrix in place, pivoting on the largest element
// of each column; on success column high + 1 of row i holds the i-th unknown. False for a
// singular (a pivot lost in rounding counts as zero) or too small system.
bool SolveGaussJordan(int high, TwoDimArray& matrix);
// The t-distribution probability of a correlation coefficient r with df degrees of freedom.
long double CorrelationProbability(int df, long double r);
// Fisher's z of r for n points, times sqrt(n - 3); 0 when |r| is within 1e-7 of 1.
long double FisherZ(int n, long double r);

// ---- Broken-line results ------------------------------------------------------------------------

// One break point of the broken-line regression: subset 1 holds the points with X <= the break
// point, subset 2 the others.
struct TBreakPointRecord {
    double BreakPoint = 0;
    int Count1 = 0;
    int Count2 = 0;
    long double Intercept1 = 0;
    long double Intercept2 = 0;
    long double Slope1 = 0;
    long double Slope2 = 0;
    long double Correlation1 = 0;
    long double Correlation2 = 0;
    long double MinX1 = 0;
    long double MinX2 = 0;
    long double MaxX1 = 0;
    long double MaxX2 = 0;
    long double ResidualSum1 = 0;
    long double ResidualSum2 = 0;
    long double Statistics[6] = {};
    long double ResidualSumAll = 0;
};

constexpr int BrokenLineStatisticCount = 7;
// k = 0..5 the stored statistics, 6 the root mean square deviation of both lines.
long double BrokenLineStatistic(const TBreakPointRecord& record, int k);
std::string BrokenLineStatisticName(int k);
