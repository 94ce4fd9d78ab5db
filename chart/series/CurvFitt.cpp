#include "chart/series/CurvFitt.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/ChartRegistry.h"
#include "chart/engine/DuvProcs.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/graphics/DuvConst.h"
#include "chart/series/RuRazaziSeries.h"

namespace {

// Gallery captions of this unit; the chart editor's text table will hold them once it exists.
std::string CurveFittingText = "Curve Fitting";
std::string TrendText = "Trend";
std::string ExpTrendText;
std::string CorrelationText = "Correlation";

constexpr long double kFitTolerance = 1e-15L;

[[noreturn]] void CannotFit() { throw Exception("Cannot process fitting"); }

// Whether x(0) .. x(count - 1) hold at least wanted distinct values; stops once they do.
template <class X>
bool HasDistinct(int count, int wanted, X x)
{
    std::array<long double, MaxPolyTerms> seen{};
    int found = 0;
    for (int i = 0; i < count && found < wanted; ++i) {
        const long double v = x(i);
        if (std::find(seen.begin(), seen.begin() + found, v) == seen.begin() + found) seen[static_cast<std::size_t>(found++)] = v;
    }
    return found >= wanted;
}

// The least-squares fit of terms Chebyshev polynomials over the span of x. The normal equations
// need only the sums of T_0 .. T_(2 terms - 2), since T_j T_k = (T_(j+k) + T_|j-k|) / 2.
template <class X, class Y>
TChebyshevFit FitChebyshev(int count, int terms, X x, Y y)
{
    if (terms < 1 || terms > MaxPolyTerms || !HasDistinct(count, terms, x)) CannotFit();
    TChebyshevFit fit;
    fit.Terms = terms;
    long double low = x(0), high = x(0);
    for (int i = 1; i < count; ++i) {
        const long double v = x(i);
        low = std::min(low, v);
        high = std::max(high, v);
    }
    fit.Middle = (low + high) / 2;
    fit.HalfSpan = high > low ? (high - low) / 2 : 1;
    const int sums = 2 * terms - 1;
    std::array<long double, 2 * MaxPolyTerms - 1> s{};
    TFitVector b{};
    std::array<long double, 2 * MaxPolyTerms - 1> t{};
    t[0] = 1;
    for (int i = 0; i < count; ++i) {
        const long double u = (x(i) - fit.Middle) / fit.HalfSpan;
        const long double w = y(i);
        if (sums > 1) t[1] = u;
        for (int l = 2; l < sums; ++l) t[static_cast<std::size_t>(l)] = 2 * u * t[static_cast<std::size_t>(l - 1)] - t[static_cast<std::size_t>(l - 2)];
        for (int l = 0; l < sums; ++l) s[static_cast<std::size_t>(l)] += t[static_cast<std::size_t>(l)];
        for (int j = 0; j < terms; ++j) b[static_cast<std::size_t>(j)] += t[static_cast<std::size_t>(j)] * w;
    }
    // Scaled to one point, so the pivot tolerance means the same for any number of points.
    TFitMatrix a{};
    const long double scale = 1.0L / count;
    for (int j = 0; j < terms; ++j) {
        for (int k = 0; k < terms; ++k)
            a[static_cast<std::size_t>(j)][static_cast<std::size_t>(k)] =
                (s[static_cast<std::size_t>(j + k)] + s[static_cast<std::size_t>(std::abs(j - k))]) * scale / 2;
        b[static_cast<std::size_t>(j)] *= scale;
    }
    if (GaussianSolve(terms, a, b, kFitTolerance, fit.Chebyshev) == 0) CannotFit();
    return fit;
}

}  // namespace

// ---------------------------------------------------------------- plain routines

long double GaussianSolve(int n, TFitMatrix& a, TFitVector& b, long double tolerance, TFitVector& x)
{
    const auto at = [&a](int r, int c) -> long double& { return a[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]; };
    const auto v = [](TFitVector& vec, int i) -> long double& { return vec[static_cast<std::size_t>(i)]; };
    int swaps = 0;
    for (int i = 0; i < n - 1; ++i) {
        int pivot = i;
        for (int p = i + 1; p < n; ++p)
            if (std::abs(at(p, i)) > std::abs(at(pivot, i))) pivot = p;
        if (pivot != i) {
            for (int k = i; k < n; ++k) std::swap(at(i, k), at(pivot, k));
            std::swap(v(b, i), v(b, pivot));
            ++swaps;
        }
        if (std::abs(at(i, i)) < tolerance) return 0;
        for (int j = i + 1; j < n; ++j) {
            const long double f = at(j, i) / at(i, i);
            for (int k = i + 1; k < n; ++k) at(j, k) -= f * at(i, k);
            v(b, j) -= f * v(b, i);
        }
    }
    if (n < 1 || std::abs(at(n - 1, n - 1)) < tolerance) return 0;
    long double determinant = 1;
    for (int j = n - 1; j >= 0; --j) {
        long double sum = v(b, j);
        for (int k = j + 1; k < n; ++k) sum -= at(j, k) * v(x, k);
        v(x, j) = sum / at(j, j);
        determinant *= at(j, j);
    }
    return swaps % 2 ? -determinant : determinant;
}

long double PolynomialValue(int numTerms, const TFitVector& coefficients, long double x)
{
    long double result = 0;
    for (int k = numTerms - 1; k >= 0; --k) result = result * x + coefficients[static_cast<std::size_t>(k)];
    return result;
}

void PolynomialFit(int numPoints, int numTerms, const long double* x, TFitVector& coefficients, const long double* y)
{
    const TChebyshevFit fit = FitChebyshev(numPoints, numTerms, [x](int i) { return x[i]; }, [y](int i) { return y[i]; });
    coefficients = fit.Powers(0);
}

long double TChebyshevFit::Value(long double x) const
{
    // Clenshaw's recurrence.
    const long double u = (x - Middle) / HalfSpan;
    long double b1 = 0, b2 = 0;
    for (int k = Terms - 1; k >= 1; --k) {
        const long double b0 = Chebyshev[static_cast<std::size_t>(k)] + 2 * u * b1 - b2;
        b2 = b1;
        b1 = b0;
    }
    return Chebyshev[0] + u * b1 - b2;
}

TFitVector TChebyshevFit::Powers(long double origin) const
{
    // First the powers of u = (x - Middle) / HalfSpan, through T_(j+1) = 2 u T_j - T_(j-1).
    TFitVector inU{};
    TFitVector previous{}, current{};
    current[0] = 1;
    for (int j = 0; j < Terms; ++j) {
        for (int k = 0; k <= j; ++k) inU[static_cast<std::size_t>(k)] += Chebyshev[static_cast<std::size_t>(j)] * current[static_cast<std::size_t>(k)];
        TFitVector next{};
        for (int k = 0; k <= j && k + 1 < MaxPolyTerms; ++k) next[static_cast<std::size_t>(k + 1)] = (j == 0 ? 1 : 2) * current[static_cast<std::size_t>(k)];
        for (int k = 0; k < MaxPolyTerms; ++k) next[static_cast<std::size_t>(k)] -= previous[static_cast<std::size_t>(k)];
        previous = current;
        current = next;
    }
    // Then u = (v - d) / HalfSpan with v = x - origin, by Horner's scheme on polynomials in v.
    const long double d = Middle - origin;
    TFitVector result{};
    result[0] = inU[static_cast<std::size_t>(Terms - 1)];
    for (int k = Terms - 2; k >= 0; --k) {
        for (int i = Terms - 1; i >= 0; --i)
            result[static_cast<std::size_t>(i)] =
                ((i > 0 ? result[static_cast<std::size_t>(i - 1)] : 0) - d * result[static_cast<std::size_t>(i)]) / HalfSpan;
        result[0] += inU[static_cast<std::size_t>(k)];
    }
    return result;
}

// ---------------------------------------------------------------- curve fitting

TCustomFittingFunction::TCustomFittingFunction(TComponent* owner) : TDuvFunction(owner)
{
    PeriodEditable = false;
    SingleSourceOnly = true;
    StorePeriod(1);
}

void TCurveFittingFunction::DeclareProperties(TPropertyDeclarer<TCurveFittingFunction>& p)
{
    using T = TCustomFittingFunction;
    p.Integer("Factor", &T::Factor, &T::SetFactor).Default(1);
    p.Integer("FirstCalcPoint", &T::FirstCalcPoint, &T::SetFirstCalcPoint).Default(-1);
    p.Integer("FirstPoint", &T::FirstPoint, &T::SetFirstPoint).Default(-1);
    p.Integer("LastCalcPoint", &T::LastCalcPoint, &T::SetLastCalcPoint).Default(-1);
    p.Integer("LastPoint", &T::LastPoint, &T::SetLastPoint).Default(-1);
    p.Integer("PolyDegree", &T::PolyDegree, &T::SetPolyDegree).Default(5);
    p.Enum("TypeFitting", &T::TypeFitting, &T::SetTypeFitting).Default(cfPolynomial);
}

void TCustomFittingFunction::Change(int& field, int value)
{
    if (field == value) return;
    field = value;
    Recalculate();
}

void TCustomFittingFunction::SetFactor(int value) { Change(factor_, std::max(1, value)); }
void TCustomFittingFunction::SetFirstPoint(int value) { Change(firstPoint_, value); }
void TCustomFittingFunction::SetFirstCalcPoint(int value) { Change(firstCalcPoint_, value); }
void TCustomFittingFunction::SetLastPoint(int value) { Change(lastPoint_, value); }
void TCustomFittingFunction::SetLastCalcPoint(int value) { Change(lastCalcPoint_, value); }

void TCustomFittingFunction::SetPolyDegree(int value)
{
    if (value == polyDegree_) return;
    if (value < 1 || value > MaxPolyTerms) throw Exception("Polynomial degree must be between 1 and 20");
    polyDegree_ = value;
    Recalculate();
}

void TCustomFittingFunction::SetTypeFitting(TTypeFitting value)
{
    if (value == typeFitting_) return;
    typeFitting_ = value;
    Recalculate();
}

void TCustomFittingFunction::Assign(const TPersistent* source)
{
    TDuvFunction::Assign(source);
    const auto* other = dynamic_cast<const TCustomFittingFunction*>(source);
    if (!other) return;
    factor_ = other->factor_;
    firstPoint_ = other->firstPoint_;
    firstCalcPoint_ = other->firstCalcPoint_;
    lastPoint_ = other->lastPoint_;
    lastCalcPoint_ = other->lastCalcPoint_;
    polyDegree_ = other->polyDegree_;
    typeFitting_ = other->typeFitting_;
}

double TCustomFittingFunction::FittedValue(double x) const
{
    return static_cast<double>(fit_.Value(x) + valueOffset_);
}

void TCustomFittingFunction::TakeOffsets(TChartSeries* source)
{
    x0_ = source->SecondaryList()->GetMinimum();
    valueOffset_ = SourceValues(source)->GetMinimum();
}

void TCustomFittingFunction::CalculateFromSources(TChartSeries* source)
{
    TChartSeries* output = OutputSeries();
    if (!output || !source || RecalcSuspended) return;
    output->ClearPoints();
    const int count = source->PointCount();
    if (count < polyDegree_) return;
    TakeOffsets(source);
    const int first = std::max(0, firstCalcPoint_);
    const int last = lastCalcPoint_ == -1 ? count - 1 : std::min(count - 1, lastCalcPoint_);
    if (first > last) return;
    const double* xs = source->SecondaryList()->Values() + first;
    const double* ys = SourceValues(source)->Values() + first;
    const long double offset = valueOffset_;
    fit_ = FitChebyshev(
        last - first + 1, polyDegree_, [xs](int i) { return static_cast<long double>(xs[i]); },
        [ys, offset](int i) { return ys[i] - offset; });
    coefficients_ = fit_.Powers(x0_);
    AddFittedPoints(source);
}

void TCustomFittingFunction::AddFittedPoints(TChartSeries* source)
{
    TakeOffsets(source);
    factor_ = std::max(1, factor_);
    const int count = source->PointCount();
    // The display range is kept within the source.
    const int first = std::max(0, firstPoint_);
    const int last = lastPoint_ == -1 ? count - 1 : std::min(count - 1, lastPoint_);
    if (first > last) return;
    const TChartValueList* positions = source->SecondaryList();
    std::vector<double> xs;
    xs.reserve(static_cast<std::size_t>(last - first) * static_cast<std::size_t>(factor_) + 1);
    for (int i = first; i < last; ++i) {
        const double x = positions->GetValueAt(i);
        const double step = (positions->GetValueAt(i + 1) - x) / factor_;
        xs.push_back(x);
        for (int e = 1; e < factor_; ++e) xs.push_back(x + e * step);
    }
    xs.push_back(positions->GetValueAt(last));
    std::vector<double> values(xs.size());
    for (std::size_t i = 0; i < xs.size(); ++i) values[i] = FittedValue(xs[i]);
    TChartSeries* output = OutputSeries();
    if (output->YMandatory())
        output->AddXYArrays(xs, values);
    else
        output->AddXYArrays(values, xs);
}

// ---------------------------------------------------------------- trends

std::optional<TTrendSums> TCustomTrendFunction::CalculateTrendSums(TChartSeries* source, int first, int last) const
{
    const TChartValueList* xs = source->SecondaryList();
    const TChartValueList* ys = SourceValues(source);
    if (first == -1) {
        first = 0;
        last = source->PointCount() - 1;
    }
    first = std::max(0, first);
    last = std::min({last, xs->Count() - 1, ys->Count() - 1});
    const bool exponential = kind_ == 2;
    // Means first, then the sums of products about them (Welford's updates in one pass).
    TTrendSums sums;
    for (int i = first; i <= last; ++i) {
        const long double x = xs->GetValueAt(i);
        long double y = ys->GetValueAt(i);
        if (exponential) {
            // The logarithm exists only for positive values.
            if (!(y > 0)) continue;
            y = std::log(y);
        }
        ++sums.Count;
        const long double dx = x - sums.MeanX;
        const long double dy = y - sums.MeanY;
        sums.MeanX += dx / sums.Count;
        sums.MeanY += dy / sums.Count;
        sums.Sxx += dx * (x - sums.MeanX);
        sums.Syy += dy * (y - sums.MeanY);
        sums.Sxy += dx * (y - sums.MeanY);
    }
    if (sums.Count < 2) return std::nullopt;
    return sums;
}

bool TCustomTrendFunction::CalculateTrend(TChartSeries* source, int first, int last, double& m, double& b) const
{
    const std::optional<TTrendSums> sums = CalculateTrendSums(source, first, last);
    if (!sums || !(sums->Sxx > 0)) return false;
    sums_ = *sums;
    const long double slope = sums->Sxy / sums->Sxx;
    if (kind_ == 2) {
        m = static_cast<double>(std::exp(sums->MeanY - slope * sums->MeanX));
        b = static_cast<double>(slope);
    } else {
        m = static_cast<double>(slope);
        b = static_cast<double>(sums->MeanY - slope * sums->MeanX);
    }
    return true;
}

double TCustomTrendFunction::TrendValue(double x) const
{
    const long double slope = sums_.Sxy / sums_.Sxx;
    const long double value = sums_.MeanY + slope * (x - sums_.MeanX);
    return static_cast<double>(kind_ == 2 ? std::exp(value) : value);
}

void TCustomTrendFunction::AddSingleResult(TChartSeries* source, TChartValueList* list)
{
    AddRangeResult(source, 0, 0, std::min(source->PointCount(), list->Count()) - 1);
}

void TCustomTrendFunction::AddRangeResult(TChartSeries* source, double, int first, int last)
{
    double m = 0, b = 0;
    if (!CalculateTrend(source, first, last, m, b)) return;
    TChartValueList* list = source->SecondaryList();
    const bool ordered = list->Order() != loNone;
    const double from = ordered ? list->GetValueAt(first) : list->GetMinimum();
    const double to = ordered ? list->GetValueAt(last) : list->GetMaximum();
    const bool asGiven = OutputSeries()->YMandatory();
    AddOutputPoint(asGiven, from, TrendValue(from));
    AddOutputPoint(asGiven, to, TrendValue(to));
}

// ---------------------------------------------------------------- correlation

std::optional<double> TCorrelationFunction::Correlation(TChartSeries* source, int first, int last) const
{
    const std::optional<TTrendSums> sums = CalculateTrendSums(source, first, last);
    if (!sums) return std::nullopt;
    const long double product = sums->Sxx * sums->Syy;
    if (!(product > 0)) return std::nullopt;
    return static_cast<double>(sums->Sxy / std::sqrt(product));
}

double TCorrelationFunction::CalculateRange(TChartSeries* source, int first, int last)
{
    return Correlation(source, first, last).value_or(0);
}

void TCorrelationFunction::AddRangeResult(TChartSeries* source, double, int first, int last)
{
    const std::optional<double> r = Correlation(source, first, last);
    TChartSeries* output = OutputSeries();
    const bool asGiven = output->YMandatory();
    const auto add = [&](double x) {
        if (r)
            AddOutputPoint(asGiven, x, *r);
        else
            AddOutputNull(asGiven, x);
    };
    if (output->SingleResultAsPoint) {
        add(output->PointCount());
        return;
    }
    TChartValueList* list = source->SecondaryList();
    add(list->GetMinimum());
    add(list->GetMaximum());
}

void TCorrelationFunction::SetUpInGallery(TCustomAxisPanel* chart)
{
    TCustomTrendFunction::SetUpInGallery(chart);
    MoveOutputToRightAxis();
    chart->RightAxis()->SetMinMax(-1, 1);
}

// ---------------------------------------------------------------- registration

void CurvFittInitialization()
{
    ExpTrendText = "Exponential" + LibraryLineSeparator + "Trend";
    for (const TClassInfo* cls : {&TCurveFittingFunction::StaticClass(), &TTrendFunction::StaticClass(),
                                  &TExpTrendFunction::StaticClass(), &TCorrelationFunction::StaticClass()})
        RegisterClassForStreaming(*cls);
    RegisterFunctionType(&TCurveFittingFunction::StaticClass(), &CurveFittingText, &DuvMsgGalleryExtended, 1);
    RegisterFunctionType(&TTrendFunction::StaticClass(), &TrendText, &DuvMsgGalleryExtended, 1);
    RegisterFunctionType(&TExpTrendFunction::StaticClass(), &ExpTrendText, &DuvMsgGalleryExtended, 1);
    RegisterFunctionType(&TCorrelationFunction::StaticClass(), &CorrelationText, &DuvMsgGalleryExtended, 1);
}

void CurvFittFinalization()
{
    UnregisterFunctionClasses({&TCurveFittingFunction::StaticClass(), &TTrendFunction::StaticClass(),
                               &TExpTrendFunction::StaticClass(), &TCorrelationFunction::StaticClass()});
}
