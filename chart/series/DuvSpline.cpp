#include "chart/series/DuvSpline.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/ChartRegistry.h"
#include "chart/engine/DuvProcs.h"
#include "chart/graphics/DuvConst.h"
#include "chart/series/RuRazaziSeries.h"

// ---------------------------------------------------------------- control points

void TBSpline::Clear()
{
    points_.clear();
    knuckles_.clear();
    knuckleCount_ = 0;
    interpolating_ = false;
    fragments_ = 100;
    MarkStale();
}

void TBSpline::MarkStale()
{
    built_ = false;
    vertices_.clear();
    vertexCount_ = 0;
}

void TBSpline::AppendPoint(double x, double y)
{
    // The vectors grow geometrically; the flags of earlier points stay as they were.
    points_.push_back({x, y});
    knuckles_.push_back(0);
    MarkStale();
}

void TBSpline::AssignPoints(const double* xs, const double* ys, int count)
{
    const std::size_t n = static_cast<std::size_t>(std::max(0, count));
    points_.resize(n);
    for (std::size_t i = 0; i < n; ++i) points_[i] = {xs[i], ys[i]};
    knuckles_.assign(n, 0);
    knuckleCount_ = 0;
    MarkStale();
}

void TBSpline::Reserve(int count)
{
    points_.reserve(static_cast<std::size_t>(std::max(0, count)));
    knuckles_.reserve(points_.capacity());
}

bool TBSpline::Knuckle(int i) const
{
    if (i <= 1 || i >= PointCount()) return false;
    return knuckles_[static_cast<std::size_t>(i - 1)] != 0;
}

void TBSpline::SetKnuckleFlag(int i, bool flag)
{
    if (i < 1 || i > PointCount()) return;
    std::uint8_t& stored = knuckles_[static_cast<std::size_t>(i - 1)];
    knuckleCount_ += (flag ? 1 : 0) - stored;
    stored = flag ? 1 : 0;
    MarkStale();
}

void TBSpline::SetInterpolating(bool flag)
{
    if (flag == interpolating_) return;
    interpolating_ = flag;
    MarkStale();
}

void TBSpline::SetFragmentCount(int count)
{
    // A sampler divides by the count: no fewer than one fragment.
    fragments_ = std::clamp(count, 1, MaxFragments);
}

int TBSpline::NumberOfVertices()
{
    if (!built_) Rebuild();
    return vertexCount_;
}

const std::vector<T2DPoint>& TBSpline::Vertices()
{
    if (!built_) Rebuild();
    return vertices_;
}

// ---------------------------------------------------------------- building

void TBSpline::Rebuild()
{
    built_ = true;
    vertices_.clear();
    vertexCount_ = 0;
    const int count = PointCount();
    if (count < 2) return;
    int n = count;
    if (knuckleCount_ > 0)
        for (int i = 2; i < count; ++i) n += Knuckle(i) ? 2 : 0;
    vertexCount_ = n;
    vertices_.reserve(static_cast<std::size_t>(n) + 2);
    vertices_.push_back({});
    const bool interpolate = interpolating_ && n > 2;
    if (n == count && interpolate) {
        // The copy and the forward sweep in one pass over the points.
        Interpolate(n, points_.data());
    } else {
        if (n == count) {
            vertices_.insert(vertices_.end(), points_.begin(), points_.end());
        } else {
            for (int i = 1; i <= count; ++i) vertices_.insert(vertices_.end(), Knuckle(i) ? 3 : 1, Point(i));
        }
        vertices_.push_back({});
        if (interpolate) Interpolate(n, nullptr);
    }
    vertices_[0] = {2 * vertices_[1].X - vertices_[2].X, 2 * vertices_[1].Y - vertices_[2].Y};
    const std::size_t last = static_cast<std::size_t>(n);
    vertices_[last + 1] = {2 * vertices_[last].X - vertices_[last - 1].X, 2 * vertices_[last].Y - vertices_[last - 1].Y};
}

// Solves the (1/6, 2/3, 1/6) system whose first, last and knuckle rows are identity rows, for X
// and Y together, in one forward sweep and one back substitution. The rows are diagonally
// dominant, so the sweep needs no pivoting. Between identity rows every row is the same, so the
// multipliers of the sweep depend only on the distance from the last identity row and settle
// within a few rows: a small table holds them instead of a list as long as the points.
void TBSpline::Interpolate(int n, const T2DPoint* raw)
{
    // Vertex k before the sweep: raw[k - 1] when the vertices are still to be appended.
    const auto vertex = [&](int k) -> const T2DPoint& {
        return raw ? raw[k - 1] : vertices_[static_cast<std::size_t>(k)];
    };
    const auto near = [&](int a, int b) {
        const T2DPoint& p = vertex(a);
        const T2DPoint& q = vertex(b);
        return std::abs(p.X - q.X) <= 1e-5 && std::abs(p.Y - q.Y) <= 1e-5;
    };
    // The identity rows in ascending order.
    std::vector<int> identity{1};
    for (int j = 3; j < n - 1;) {
        if (near(j, j - 1) && near(j, j + 1)) {
            for (int row = j - 1; row <= j + 1; ++row)
                if (identity.back() < row) identity.push_back(row);
            j += 2;
        } else {
            ++j;
        }
    }
    if (identity.back() < n) identity.push_back(n);

    constexpr double side = 1.0 / 6.0;
    constexpr double middle = 2.0 / 3.0;
    // upper[d], scale[d]: the entry right of the diagonal and 1 / pivot of a row d rows after an
    // identity row; the last entries have settled to their limits.
    constexpr int settled = 40;
    std::array<double, settled> upper{}, scale{};
    scale[0] = 1;
    for (int d = 1; d < settled; ++d) {
        const double pivot = middle - side * upper[static_cast<std::size_t>(d - 1)];
        scale[static_cast<std::size_t>(d)] = 1 / pivot;
        upper[static_cast<std::size_t>(d)] = side / pivot;
    }
    const auto at = [](int d) { return static_cast<std::size_t>(std::min(d, settled - 1)); };
    if (raw) {
        vertices_.push_back(raw[0]);
        T2DPoint previous = raw[0];
        std::size_t next = 1;
        int last = 1;
        for (int i = 2; i <= n; ++i) {
            const T2DPoint& p = raw[i - 1];
            if (next < identity.size() && identity[next] == i) {
                last = i;
                ++next;
                previous = p;
            } else {
                const double f = scale[at(i - last)];
                previous = {(p.X - side * previous.X) * f, (p.Y - side * previous.Y) * f};
            }
            vertices_.push_back(previous);
        }
        vertices_.push_back({});
    } else {
        T2DPoint* v = vertices_.data();
        std::size_t next = 1;
        int last = 1;
        for (int i = 2; i <= n; ++i) {
            if (next < identity.size() && identity[next] == i) {
                last = i;
                ++next;
                continue;
            }
            const std::size_t d = at(i - last);
            const std::size_t k = static_cast<std::size_t>(i);
            v[k].X = (v[k].X - side * v[k - 1].X) * scale[d];
            v[k].Y = (v[k].Y - side * v[k - 1].Y) * scale[d];
        }
    }
    T2DPoint* v = vertices_.data();
    std::size_t below = identity.size() - 1;
    for (int i = n - 1; i >= 1; --i) {
        while (identity[below] > i) --below;
        if (identity[below] == i) continue;
        const std::size_t d = at(i - identity[below]);
        const std::size_t k = static_cast<std::size_t>(i);
        v[k].X -= upper[d] * v[k + 1].X;
        v[k].Y -= upper[d] * v[k + 1].Y;
    }
}

T2DPoint TBSpline::Evaluate(double t)
{
    if (!built_) Rebuild();
    const int n = vertexCount_;
    if (n < 2) return {};
    const double s = (n - 1) * t + 1;
    const double start = std::floor(s - 1);
    if (!std::isfinite(start)) return {};
    const int first = static_cast<int>(std::clamp(start, 0.0, static_cast<double>(n + 1)));
    T2DPoint result;
    // Only the phantoms and the vertices exist: a parameter beyond 0 .. 1 reads no further.
    const int last = std::min(first + 3, n + 1);
    for (int i = first; i <= last; ++i) {
        const double d = std::abs(i - s);
        if (d >= 2) continue;
        const double weight = d < 1 ? 2.0 / 3.0 - d * d + d * d * d / 2 : (2 - d) * (2 - d) * (2 - d) / 6;
        result.X += weight * vertices_[static_cast<std::size_t>(i)].X;
        result.Y += weight * vertices_[static_cast<std::size_t>(i)].Y;
    }
    return result;
}

// ---------------------------------------------------------------- smoothing function

TSmoothingFunction::TSmoothingFunction(TComponent* owner) : TDuvFunction(owner)
{
    PeriodEditable = false;
    SingleSourceOnly = true;
    StorePeriod(1);
}

void TSmoothingFunction::DeclareProperties(TPropertyDeclarer<TSmoothingFunction>& p)
{
    using T = TSmoothingFunction;
    p.Integer("Factor", &T::Factor, &T::SetFactor).Default(4);
    p.Boolean("Interpolate", &T::Interpolate, &T::SetInterpolate).Default(true);
}

void TSmoothingFunction::SetInterpolate(bool value)
{
    if (value == interpolate_) return;
    interpolate_ = value;
    Recalculate();
}

void TSmoothingFunction::SetFactor(int value)
{
    value = std::max(1, value);
    if (value == factor_) return;
    factor_ = value;
    Recalculate();
}

int TSmoothingFunction::FragmentsFor(int points, int factor)
{
    const long long wanted = static_cast<long long>(points) * std::max(1, factor);
    return static_cast<int>(std::clamp<long long>(wanted, 1, TBSpline::MaxFragments));
}

void TSmoothingFunction::SetUpInGallery(TCustomAxisPanel* chart)
{
    TDuvFunction::SetUpInGallery(chart);
    const TChartSeriesList& list = chart->SeriesList();
    if (list.Count() == 0) return;
    list.GetSeries(0)->FillSampleValues(10);
    if (auto* output = dynamic_cast<TChartSeries*>(list.GetLastSeries())) {
        output->SetTransparency(70);
        output->Pen().SetWidth(10);
    }
    SetFactor(8);
}

void TSmoothingFunction::CalculateFromSources(TChartSeries* source)
{
    TChartSeries* output = OutputSeries();
    if (!output || RecalcSuspended) return;
    output->ClearPoints();
    if (!output->HasZValues) {
        // Keeps the sampled curve in its own order on the axis it runs along.
        const bool sameWay = source && output->YMandatory() == source->YMandatory();
        output->SecondaryList()->SetOrder(sameWay ? loAscending : loNone);
        output->MandatoryList()->SetOrder(sameWay ? loNone : loAscending);
        output->ComputeVisiblePoints = sameWay;
    }
    if (!source || source->PointCount() == 0) return;
    const bool vertical = output->YMandatory();
    const TChartValueList* values = SourceValues(source);
    const TChartValueList* positions = vertical ? source->XValues() : source->YValues();
    const int count = std::min({source->PointCount(), values->Count(), positions->Count()});
    if (count == 1) {
        // One point makes no curve; the point itself is the smoothed series.
        AddOutputPoint(vertical, positions->GetValueAt(0), values->GetValueAt(0));
        return;
    }
    TBSpline& spline = spline_;
    spline.AssignPoints(positions->Values(), values->Values(), count);
    spline.SetInterpolating(interpolate_);
    const int fragments = FragmentsFor(count, factor_);
    spline.SetFragmentCount(fragments);
    std::vector<double> xs(static_cast<std::size_t>(fragments) + 1);
    std::vector<double> ys(xs.size());
    for (int k = 0; k <= fragments; ++k) {
        const T2DPoint p = spline.Evaluate(static_cast<double>(k) / fragments);
        xs[static_cast<std::size_t>(k)] = vertical ? p.X : p.Y;
        ys[static_cast<std::size_t>(k)] = vertical ? p.Y : p.X;
    }
    output->AddXYArrays(xs, ys);
}

void DuvSplineInitialization()
{
    RegisterClassForStreaming(TSmoothingFunction::StaticClass());
    RegisterFunctionType(&TSmoothingFunction::StaticClass(), &DuvMsgFunctionSmoothing, &DuvMsgGalleryExtended, 1);
}

void DuvSplineFinalization() { UnregisterFunctionClasses({&TSmoothingFunction::StaticClass()}); }
