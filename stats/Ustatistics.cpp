#include "stats/Ustatistics.h"

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "platform/core/NumText.h"
#include "platform/core/StringList.h"
#include "chart/series/Series.h"
#include "stats/UStatDistributions.h"
#include "stats/UStatDistributionsVer0.h"

TLibraryModes LibraryModes;

const char* const StatDistribLibraryName = "libStatDistrib.so";
const char* const StatisticsSettingsFileName = "ORUStatistics.ini";

namespace {
bool statDistribLoaded = false;
void* statDistribHandle = nullptr;
}  // namespace

// ---- Distribution library modes -------------------------------------------------------------

long double Alpha_n(long double x)
{
    switch (LibraryModes.N) {
    case 0: return NormalProbability(x);
    case 1: return ST_Alpha_n(x);
    case 2: {
        if (vf_Nalpha == nullptr) return ST_Alpha_n(x);
        const float xf = static_cast<float>(x);
        return EntryResult(vf_Nalpha(&xf));
    }
    default: return MissingValue;
    }
}

long double Alpha_t(int df, long double x)
{
    switch (LibraryModes.T) {
    case 0: return StudentProbability(df, x);
    case 1: return ST_Alpha_t(df, x);
    case 2: {
        if (vf_Talpha == nullptr) return ST_Alpha_t(df, x);
        const float xf = static_cast<float>(x);
        const std::int32_t d = df;
        return EntryResult(vf_Talpha(&xf, &d));
    }
    default: return MissingValue;
    }
}

long double Alpha_F(int df1, int df2, long double x)
{
    switch (LibraryModes.F) {
    case 0: return FisherProbability(df1, df2, x);
    case 1: return ST_Alpha_F(df1, df2, x);
    case 2: {
        if (vf_Falpha == nullptr) return ST_Alpha_F(df1, df2, x);
        const float xf = static_cast<float>(x);
        const std::int32_t d1 = df1, d2 = df2;
        return EntryResult(vf_Falpha(&xf, &d1, &d2));
    }
    default: return MissingValue;
    }
}

// ---- External library and settings file ------------------------------------------------------

std::string ProgramDirectory()
{
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return {};
    return program.parent_path().string() + "/";
}

namespace {
template <class TEntry>
void LookUp(void* library, const char* name, TEntry& entry)
{
    entry = reinterpret_cast<TEntry>(dlsym(library, name));
}
}  // namespace

bool LoadStatDistrib(const std::string& directory)
{
    const std::string folder = directory.empty() ? ProgramDirectory() : directory;
    if (folder.empty()) return false;
    // A path with a folder in it keeps dlopen from searching anywhere else.
    const std::string path = (std::filesystem::path(folder) / StatDistribLibraryName).string();
    void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return false;
    LookUp(library, "vf_N", vf_N);
    LookUp(library, "vf_Nalpha", vf_Nalpha);
    LookUp(library, "vf_T", vf_T);
    LookUp(library, "vf_Talpha", vf_Talpha);
    LookUp(library, "vf_Chi2", vf_Chi2);
    LookUp(library, "vf_Chi2alpha", vf_Chi2alpha);
    LookUp(library, "vf_F", vf_F);
    LookUp(library, "vf_Falpha", vf_Falpha);
    LookUp(library, "vf_PROB", vf_PROB);
    if (statDistribHandle != nullptr) dlclose(statDistribHandle);
    statDistribHandle = library;
    return true;  // loaded for the rest of the run
}

void UnloadStatDistrib()
{
    for (void** entry : {&vf_N, &vf_T, &vf_Chi2, &vf_Chi2alpha, &vf_F}) *entry = nullptr;
    vf_Nalpha = nullptr;
    vf_Talpha = nullptr;
    vf_Falpha = nullptr;
    vf_PROB = nullptr;
    statDistribLoaded = false;
    if (statDistribHandle != nullptr) dlclose(statDistribHandle);
    statDistribHandle = nullptr;
}

bool EnsureStatDistrib(const std::string& directory)
{
    if (!statDistribLoaded) statDistribLoaded = LoadStatDistrib(directory);
    return statDistribLoaded;
}

bool StatDistribLoaded() { return statDistribLoaded; }

namespace {
// A whole number from the settings; a missing key or an empty value gives the default.
int IntSetting(const TStringList& lines, const std::string& fileName, const std::string& name, int defaultValue)
{
    const std::string text = lines.Values(name);
    if (text.empty()) return defaultValue;
    try {
        return StrToInt(text);
    } catch (const EConvertError& error) {
        throw EConvertError(fileName + ", " + name + ": " + error.Message());
    }
}

std::uint8_t ModeSetting(const TStringList& lines, const std::string& fileName, const std::string& name)
{
    return static_cast<std::uint8_t>(IntSetting(lines, fileName, name, 1) & 0xFF);
}
}  // namespace

void LoadStatisticsSettings(const std::string& fileName)
{
    TStringList lines;
    lines.LoadFromFile(fileName);
    TLibraryModes modes;
    modes.N = ModeSetting(lines, fileName, "LibraryMode-N");
    modes.T = ModeSetting(lines, fileName, "LibraryMode-T");
    modes.C = ModeSetting(lines, fileName, "LibraryMode-C");
    modes.F = ModeSetting(lines, fileName, "LibraryMode-F");
    const int ensureLibrary = IntSetting(lines, fileName, "EnsureVFdll", 0);
    LibraryModes = modes;
    const bool anyExternal = modes.N == 2 || modes.T == 2 || modes.C == 2 || modes.F == 2;
    if (ensureLibrary > 0 || anyExternal) EnsureStatDistrib("");
}

void InitializeStatisticsModule()
{
    std::error_code error;
    if (std::filesystem::is_regular_file(StatisticsSettingsFileName, error)) {
        LoadStatisticsSettings();
        return;
    }
    LibraryModes = TLibraryModes{};
}

// ---- Regression engine ------------------------------------------------------------------------

std::string RegressionStatusText(TRegressionStatus status)
{
    switch (status) {
    case TRegressionStatus::NotCalculated: return "Regression was not calculated";
    case TRegressionStatus::ZeroDegree: return "Zero degree of regression";
    case TRegressionStatus::EqualX: return "All X values are equal: no regression line can be drawn";
    case TRegressionStatus::Ok: break;
    }
    return {};
}

bool TStatistics::AddPoint(long double x, long double y)
{
    if (x == MissingX || y == MissingY) return false;
    Points.push_back({x, y});
    return true;
}

int TStatistics::FilterX(long double min, long double max)
{
    std::erase_if(Points, [min, max](const TStatPoint& point) { return point.X < min || point.X > max; });
    return PointCount();
}

void TStatistics::ResetSums()
{
    const TStatPoint first = Points.empty() ? TStatPoint{} : Points.front();
    TStatRes& r = Results;
    r.Count = r.CountY = 0;
    r.MeanX = r.StdDevX = r.MeanY = r.StdDevY = r.Correlation = 0;
    r.MinX = r.MaxX = first.X;
    r.MinY = r.MaxY = first.Y;
    r.Degree = 0;
    r.Calculated = false;
}

void TStatistics::AccumulatePoint(const TStatPoint& point)
{
    TStatRes& r = Results;
    ++r.Count;
    ++r.CountY;
    r.MeanX += point.X;
    r.MeanY += point.Y;
    if (point.X < r.MinX) r.MinX = point.X;
    if (point.X > r.MaxX) r.MaxX = point.X;
    if (point.Y < r.MinY) r.MinY = point.Y;
    if (point.Y > r.MaxY) r.MaxY = point.Y;
}

namespace {
long double ProbabilityOfR(int count, long double r)
{
    if (count < 3) return 0;
    if (RealAbs(1 - r * r) > 1e-6L) return CorrelationProbability(count - 2, r);
    return r > 0 ? 1 : 0;
}

long double Clamped(long double value, long double low, long double high)
{
    return value < low ? low : value > high ? high : value;
}
}  // namespace

// Deviations about the means in a second pass: sums of squares taken about 0 lose every digit
// when the values lie far from 0 (X = 2000.3 three times gave a negative deviation). The means
// are corrected by the mean deviation first, and a range of one value has no spread at all.
void TStatistics::FinishMoments()
{
    TStatRes& r = Results;
    const long double n = r.Count;
    long double mx = r.MeanX / n, my = r.MeanY / n;
    long double dx = 0, dy = 0;
    for (const TStatPoint& p : Points) {
        dx += p.X - mx;
        dy += p.Y - my;
    }
    mx += dx / n;
    my += dy / n;
    long double sxx = 0, syy = 0, sxy = 0;
    for (const TStatPoint& p : Points) {
        const long double ex = p.X - mx, ey = p.Y - my;
        sxx += ex * ex;
        syy += ey * ey;
        sxy += ex * ey;
    }
    r.MeanX = mx;
    r.MeanY = my;
    r.StdDevX = r.MinX == r.MaxX ? 0 : std::sqrt(sxx / n);
    r.StdDevY = r.MinY == r.MaxY ? 0 : std::sqrt(syy / n);
    const bool spread = r.StdDevX > 0 && r.StdDevY > 0;
    r.Correlation = spread ? Clamped(sxy / std::sqrt(sxx * syy), -1, 1) : 0;
    r.ProbabilityR = ProbabilityOfR(r.Count, r.Correlation);
}

void TStatistics::Calculate(std::uint8_t degree)
{
    if (Points.empty()) {
        Results.Calculated = false;
        return;
    }
    ResetSums();
    for (const TStatPoint& point : Points) AccumulatePoint(point);
    FinishMoments();
    TStatRes& r = Results;
    r.Degree = degree;
    if (degree == 0) {
        r.Calculated = true;
        return;
    }
    BuildNormalEquations();
    if (!SolveNormalEquations(r.Degree)) r.Degree = 0;
    r.Calculated = true;
    // With Y constant the share of explained variance is undefined; it counts as none, like r².
    if (r.Degree <= 1 || r.StdDevY <= 0)
        r.Determination = r.Correlation * r.Correlation;
    else
        r.Determination = Clamped(1 - (ResidualSumOfSquares() / r.CountY) / (r.StdDevY * r.StdDevY), 0, 1);
}

// The matrix of the normal equations depends only on i + j: one sum per power of t, 2 * Degree + 1
// of them, and one per power times y.
void TStatistics::BuildNormalEquations()
{
    const int degree = Results.Degree;
    const long double halfSpan = (Results.MaxX - Results.MinX) / 2;
    scaleCentre_ = Results.MinX + halfSpan;
    scaleHalfSpan_ = halfSpan > 0 ? halfSpan : 1;
    // All X equal: every t is 0 and the system is singular, as it should be.
    const long double scale = halfSpan > 0 ? 1 / halfSpan : 0;
    std::vector<long double> powerSums(2 * degree + 1, 0), rightSums(degree + 1, 0);
    long double* ps = powerSums.data();
    long double* rs = rightSums.data();
    const long double centre = scaleCentre_;
    for (const TStatPoint& point : Points) {
        const long double t = (point.X - centre) * scale;
        long double power = 1;
        for (int k = 0; k <= degree; ++k) {
            ps[k] += power;
            rs[k] += point.Y * power;
            power *= t;
        }
        for (int k = degree + 1; k <= 2 * degree; ++k) {
            ps[k] += power;
            power *= t;
        }
    }
    NormalMatrix.assign(degree + 1, std::vector<long double>(degree + 2, 0));
    for (int i = 0; i <= degree; ++i) {
        for (int j = 0; j <= degree; ++j) NormalMatrix[i][j] = powerSums[i + j];
        NormalMatrix[i][degree + 1] = rightSums[i];
    }
}

namespace {
// c(j) of X from a(k) of t = (X - centre) / halfSpan: the binomial expansion of each power.
std::vector<long double> UnscaledCoefficients(const std::vector<long double>& a, long double centre,
                                              long double halfSpan)
{
    const int degree = static_cast<int>(a.size()) - 1;
    std::vector<long double> c(a.size(), 0);
    long double scale = 1;  // halfSpan^-k
    for (int k = 0; k <= degree; ++k) {
        // (X - centre)^k = sum over j of binomial(k, j) X^j (-centre)^(k - j)
        long double binomial = 1, shift = 1;
        std::vector<long double> terms(k + 1);
        for (int j = k; j >= 0; --j) {
            terms[j] = binomial * shift;
            binomial = binomial * j / (k - j + 1);
            shift *= -centre;
        }
        for (int j = 0; j <= k; ++j) c[j] += a[k] * scale * terms[j];
        scale /= halfSpan;
    }
    return c;
}
}  // namespace

bool TStatistics::SolveNormalEquations(int degree)
{
    SolveError.clear();
    const int rows = static_cast<int>(NormalMatrix.size());
    if (rows < degree + 1) {
        SolveError = "LinearExuations: low number of exuations: " + IntToStr(rows - 1);
        return false;
    }
    for (int i = 0; i <= degree; ++i) {
        if (static_cast<int>(NormalMatrix[i].size()) < degree + 2) {
            SolveError = "LinearExuations: error of exuation [" + IntToStr(i) + "]";
            return false;
        }
    }
    if (!SolveGaussJordan(degree, NormalMatrix)) return false;
    std::vector<long double> scaled(degree + 1);
    for (int i = 0; i <= degree; ++i) scaled[i] = NormalMatrix[i][degree + 1];
    Results.Coefficients = UnscaledCoefficients(scaled, scaleCentre_, scaleHalfSpan_);
    return true;
}

long double TStatistics::Polynomial(long double x) const
{
    if (Results.Degree == 0) return Results.MeanY;
    long double sum = 0, power = 1;
    for (int i = 0; i <= Results.Degree; ++i) {
        sum += Results.Coefficients[i] * power;
        power *= x;
    }
    return sum;
}

TRegressionStatus TStatistics::EstimateStatus() const
{
    if (!Results.Calculated) return TRegressionStatus::NotCalculated;
    return Results.Degree == 0 ? TRegressionStatus::ZeroDegree : TRegressionStatus::Ok;
}

long double TStatistics::Estimate(long double x) const
{
    if (!Results.Calculated) return MissingY;
    return Polynomial(x);
}

long double TStatistics::ResidualSumOfSquares() const
{
    if (!Results.Calculated) return MissingValue;
    long double sum = 0;
    for (const TStatPoint& point : Points) {
        const long double e = point.Y - Polynomial(point.X);
        sum += e * e;
    }
    return sum;
}

TRegressionStatus TStatistics::DrawRegression(TCustomAxisPanel* chart, bool withData, int colour, int width,
                                              int penStyle, int extentPercent)
{
    if (withData) {
        auto* data = new TPointSeries(chart);
        data->SetSeriesColor(clBlack);
        data->Pointer().SetStyle(psCircle);
        data->SetTitle("Data");
        for (const TStatPoint& p : Points)
            data->AddPointXY(static_cast<double>(p.X), static_cast<double>(p.Y), {}, clDefault);
        data->SetParentChart(chart);
    }
    const TStatRes& r = Results;
    if (!r.Calculated) return TRegressionStatus::NotCalculated;
    const long double span = r.MaxX - r.MinX;
    if (!(span > 0)) return TRegressionStatus::EqualX;

    auto* line = new TLineSeries(chart);
    const TColor penColour = colour == -1 ? clRed : static_cast<TColor>(colour);
    line->LinePen().SetColor(penColour);
    const bool knownStyle = penStyle >= psSolid && penStyle <= psInsideFrame;
    line->LinePen().SetStyle(knownStyle ? static_cast<TPenStyle>(penStyle) : psSolid);
    line->LinePen().SetWidth(width);
    line->SetSeriesColor(penColour);
    line->SetTitle("Regression (" + IntToStr(r.Degree) + ")");

    long double start = r.MinX - extentPercent * span / 100;
    if (r.MinX > 0 && start < 0) start = 0;
    const long double end = r.MaxX + extentPercent * span / 100;
    // Each x from its index, so no rounding builds up and the last point is the end itself.
    const int steps = r.Degree <= 1 ? 1 : 100;
    line->SuspendUpdates();
    for (int i = 0; i <= steps; ++i) {
        const long double x = i == steps ? end : start + i * (end - start) / steps;
        line->AddPointXY(static_cast<double>(x), static_cast<double>(Polynomial(x)), {}, clDefault);
    }
    line->ResumeUpdates();
    line->SetParentChart(chart);
    return EstimateStatus();
}

// ---- Free routines ------------------------------------------------------------------------------

namespace {
bool FitsSystem(int high, const TwoDimArray& matrix)
{
    if (high < 0 || static_cast<int>(matrix.size()) < high + 1) return false;
    for (int i = 0; i <= high; ++i)
        if (static_cast<int>(matrix[i].size()) < high + 2) return false;
    return true;
}

// Puts the row with the largest element of column i (from row i down) into row i; false when
// that element is zero or lost in rounding beside the column's largest original element.
bool FindPivot(int high, int i, TwoDimArray& matrix, long double columnSize)
{
    int best = i;
    for (int k = i + 1; k <= high; ++k)
        if (RealAbs(matrix[k][i]) > RealAbs(matrix[best][i])) best = k;
    const long double pivot = RealAbs(matrix[best][i]);
    if (pivot == 0 || pivot <= columnSize * 1e-16L) return false;
    if (best != i) std::swap(matrix[i], matrix[best]);
    return true;
}

void EliminateColumn(int high, int i, TwoDimArray& matrix)
{
    const long double pivot = matrix[i][i];
    for (int r = 0; r <= high; ++r) {
        if (r == i) continue;
        const long double f = matrix[r][i] / pivot;
        if (RealAbs(f) <= 1e-14L) continue;
        for (int c = 0; c <= high + 1; ++c) matrix[r][c] -= f * matrix[i][c];
    }
}
}  // namespace

bool SolveGaussJordan(int high, TwoDimArray& matrix)
{
    if (!FitsSystem(high, matrix)) return false;
    std::vector<long double> columnSizes(high + 1, 0);
    for (int i = 0; i <= high; ++i)
        for (int k = 0; k <= high; ++k) columnSizes[i] = std::max(columnSizes[i], RealAbs(matrix[k][i]));
    for (int i = 0; i <= high; ++i) {
        if (!FindPivot(high, i, matrix, columnSizes[i])) return false;
        EliminateColumn(high, i, matrix);
    }
    for (int i = 0; i <= high; ++i) {
        const long double diagonal = matrix[i][i];
        if (diagonal == 0) return false;
        for (int c = 0; c <= high + 1; ++c) matrix[i][c] /= diagonal;
    }
    return true;
}

long double CorrelationProbability(int df, long double r)
{
    // A perfect correlation has no t value: its probability is the limit.
    if (r >= 1) return 1;
    if (r <= -1) return 0;
    return Alpha_t(df, r * std::sqrt(static_cast<long double>(df)) / std::sqrt(1 - r * r));
}

long double FisherZ(int n, long double r)
{
    if (1 - r < 1e-7L) return 0;
    // The same holds for the other end and for too few points, where the logarithm or the
    // root has no value.
    if (1 + r < 1e-7L || n < 3) return 0;
    return std::log((1 + r) / (1 - r)) * std::sqrt(static_cast<long double>(n - 3)) / 2;
}

// ---- Broken-line results ------------------------------------------------------------------------

long double BrokenLineStatistic(const TBreakPointRecord& record, int k)
{
    if (k >= 0 && k < 6) return record.Statistics[k];
    if (k != 6) return MissingValue;
    const int count = record.Count1 + record.Count2;
    if (count <= 0) return MissingValue;
    return std::sqrt((record.ResidualSum1 + record.ResidualSum2) / count);
}

std::string BrokenLineStatisticName(int k)
{
    static const char* const names[BrokenLineStatisticCount] = {
        "Difference of estimation in BP", "Common point", "Correlation difference", "Probability of CorrelDiff",
        "F test", "Probability of F", "RMSD"};
    return k >= 0 && k < BrokenLineStatisticCount ? names[k] : "";
}
