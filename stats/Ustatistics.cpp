#include "stats/Ustatistics.h"

#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "platform/core/NumText.h"
#include "platform/core/StringList.h"
#include "platform/ui/UiServices.h"
#include "stats/UStatDistributions.h"
#include "stats/UStatDistributionsVer0.h"

TLibraryModes LibraryModes;

const char* const StatDistribLibraryName = "libStatDistrib.so";
const char* const StatisticsSettingsFileName = "ORUStatistics.ini";

namespace {
bool statDistribLoaded = false;

long double Square(long double x) { return x * x; }
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
    return true;  // loaded for the rest of the run
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
    r.StdDevX += point.X * point.X;
    r.MeanY += point.Y;
    r.StdDevY += point.Y * point.Y;
    r.Correlation += point.X * point.Y;
    r.MinX = std::min(r.MinX, point.X);
    r.MaxX = std::max(r.MaxX, point.X);
    r.MinY = std::min(r.MinY, point.Y);
    r.MaxY = std::max(r.MaxY, point.Y);
}

namespace {
// Turns a sum and a sum of squares into mean and deviation.
void Moments(int count, long double& mean, long double& deviation)
{
    mean /= count;
    const long double variance = deviation / count - mean * mean;
    deviation = variance > 0 ? std::sqrt(variance) : variance;
}

long double ProbabilityOfR(int count, long double r)
{
    if (count < 3) return 0;
    if (RealAbs(1 - r * r) > 1e-6L) return CorrelationProbability(count - 2, r);
    return r > 0 ? 1 : 0;
}
}  // namespace

void TStatistics::FinishMoments()
{
    TStatRes& r = Results;
    const long double sumXY = r.Correlation;
    Moments(r.Count, r.MeanX, r.StdDevX);
    Moments(r.CountY, r.MeanY, r.StdDevY);
    const bool spread = r.StdDevX > 0 && r.StdDevY > 0;
    r.Correlation = spread ? (sumXY / r.Count - r.MeanX * r.MeanY) / (r.StdDevX * r.StdDevY) : 0;
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
        r.Determination = Square(r.Correlation);
    else
        r.Determination = 1 - (ResidualSumOfSquares() / r.CountY) / Square(r.StdDevY);
}

void TStatistics::BuildNormalEquations()
{
    const int degree = Results.Degree;
    NormalMatrix.assign(degree + 1, std::vector<long double>(degree + 2, 0));
    std::vector<long double> powers(2 * degree + 1);
    for (const TStatPoint& point : Points) {
        powers[0] = 1;
        for (int k = 1; k <= 2 * degree; ++k) powers[k] = powers[k - 1] * point.X;
        for (int i = 0; i <= degree; ++i) {
            for (int j = 0; j <= i; ++j) NormalMatrix[i][j] += powers[i + j];
            NormalMatrix[i][degree + 1] += point.Y * powers[i];
        }
    }
    for (int i = 0; i <= degree; ++i)
        for (int j = 0; j < i; ++j) NormalMatrix[j][i] = NormalMatrix[i][j];
}

bool TStatistics::SolveNormalEquations(int degree)
{
    const int rows = static_cast<int>(NormalMatrix.size());
    if (rows < degree + 1) {
        UiServices().ShowWarning("LinearExuations: low number of exuations: " + IntToStr(rows - 1));
        return false;
    }
    for (int i = 0; i <= degree; ++i) {
        if (static_cast<int>(NormalMatrix[i].size()) < degree + 2) {
            UiServices().ShowWarning("LinearExuations: error of exuation [" + IntToStr(i) + "]");
            return false;
        }
    }
    if (!SolveGaussJordan(degree, NormalMatrix)) return false;
    Results.Coefficients.resize(degree + 1);
    for (int i = 0; i <= degree; ++i) Results.Coefficients[i] = NormalMatrix[i][degree + 1];
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

long double TStatistics::Estimate(long double x) const
{
    if (!Results.Calculated) {
        UiServices().ShowWarning("Regression was not calculated");
        return MissingY;
    }
    if (Results.Degree == 0) UiServices().ShowWarning("Zero degree of regression");
    return Polynomial(x);
}

long double TStatistics::ResidualSumOfSquares() const
{
    // Computed without Estimate's warnings: they would come once per point.
    if (!Results.Calculated) return MissingValue;
    long double sum = 0;
    for (const TStatPoint& point : Points) sum += Square(point.Y - Polynomial(point.X));
    return sum;
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

// Puts a row with a non-zero element in column i into row i; false when there is none.
bool FindPivot(int high, int i, TwoDimArray& matrix)
{
    if (matrix[i][i] != 0) return true;
    for (int k = i + 1; k <= high; ++k) {
        if (matrix[k][i] != 0) {
            std::swap(matrix[i], matrix[k]);
            return true;
        }
    }
    return false;
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
    for (int i = 0; i <= high; ++i) {
        if (!FindPivot(high, i, matrix)) return false;
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
