#include "chart/series/DuvDownSampling.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/ChartRegistry.h"
#include "chart/engine/DuvProcs.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/graphics/DuvConst.h"
#include "chart/series/RuRazaziSeries.h"
#include "platform/core/NumText.h"

// ---------------------------------------------------------------- Douglas-Peucker

namespace {

// Squared distance of point k from the segment a-b, measured from a so large values keep
// their digits.
inline double SegmentDistance2(double dx, double dy, double length2, double px, double py)
{
    const double r = dx * px + dy * py;
    double qx = 0, qy = 0;
    if (r > length2) {
        qx = dx;
        qy = dy;
    } else if (r > 0) {
        const double u = r / length2;
        qx = dx * u;
        qy = dy * u;
    }
    const double ex = px - qx, ey = py - qy;
    return ex * ex + ey * ey;
}

// Finds the point farthest from a chord (the first of equal ones). Long sections search a
// tree of bounding boxes: the distance to a segment is convex, so a box's corners bound
// every point inside it, and boxes that cannot beat the best point found are never scanned.
// A line whose farthest point always lies next to an end (a widening zigzag) then costs a
// few boxes per split instead of a scan of the whole section.
class TFarthestPoint {
public:
    static constexpr int Block = 32;
    static constexpr int TreeFrom = 8 * Block;

    TFarthestPoint(const double* x, const double* y, int count) : x_(x), y_(y), count_(count)
    {
        blocks_ = (count + Block - 1) / Block;
        if (count < TreeFrom) return;
        leaves_ = 1;
        while (leaves_ < blocks_) leaves_ *= 2;
        boxes_.assign(static_cast<std::size_t>(2 * leaves_), TBox{});
        for (int b = 0; b < blocks_; ++b) {
            TBox& box = boxes_[static_cast<std::size_t>(leaves_ + b)];
            const int end = std::min(count, (b + 1) * Block);
            for (int k = b * Block; k < end; ++k) box.Add(x[k], y[k]);
        }
        for (int node = leaves_ - 1; node >= 1; --node) {
            TBox box = boxes_[static_cast<std::size_t>(2 * node)];
            box.Join(boxes_[static_cast<std::size_t>(2 * node + 1)]);
            boxes_[static_cast<std::size_t>(node)] = box;
        }
    }

    // The farthest point strictly between first and last, and its squared distance.
    int Find(int first, int last, double& best)
    {
        chord_ = {x_[first], y_[first], x_[last] - x_[first], y_[last] - y_[first]};
        chord_.Length2 = chord_.DX * chord_.DX + chord_.DY * chord_.DY;
        best = -1;
        int at = -1;
        if (last - first < TreeFrom || boxes_.empty()) {
            Scan(first + 1, last - 1, best, at);
            return at;
        }
        // Whole blocks go through the tree; the partial blocks at both ends are scanned.
        const int firstBlock = (first + 1 + Block - 1) / Block;
        const int endBlock = last / Block;
        if (firstBlock >= endBlock) {
            Scan(first + 1, last - 1, best, at);
            return at;
        }
        Scan(first + 1, firstBlock * Block - 1, best, at);
        Scan(endBlock * Block, last - 1, best, at);
        SearchTree(firstBlock, endBlock - 1, best, at);
        return at;
    }

private:
    struct TBox {
        double MinX = INFINITY, MaxX = -INFINITY, MinY = INFINITY, MaxY = -INFINITY;
        void Add(double x, double y)
        {
            MinX = std::min(MinX, x);
            MaxX = std::max(MaxX, x);
            MinY = std::min(MinY, y);
            MaxY = std::max(MaxY, y);
        }
        void Join(const TBox& o)
        {
            MinX = std::min(MinX, o.MinX);
            MaxX = std::max(MaxX, o.MaxX);
            MinY = std::min(MinY, o.MinY);
            MaxY = std::max(MaxY, o.MaxY);
        }
    };
    struct TChord {
        double AX = 0, AY = 0, DX = 0, DY = 0, Length2 = 0;
    };
    struct TCandidate {
        double Bound;
        int Node, Start;
        bool operator<(const TCandidate& o) const { return Bound < o.Bound || (Bound == o.Bound && Start > o.Start); }
    };

    void Scan(int from, int to, double& best, int& at) const
    {
        const TChord c = chord_;
        for (int k = from; k <= to; ++k) {
            const double d = SegmentDistance2(c.DX, c.DY, c.Length2, x_[k] - c.AX, y_[k] - c.AY);
            if (d > best || (d == best && k < at)) {
                best = d;
                at = k;
            }
        }
    }

    double Bound(const TBox& box) const
    {
        const TChord& c = chord_;
        double bound = 0;
        for (double px : {box.MinX, box.MaxX})
            for (double py : {box.MinY, box.MaxY})
                bound = std::max(bound, SegmentDistance2(c.DX, c.DY, c.Length2, px - c.AX, py - c.AY));
        // Rounding must never let a point inside beat its box.
        return bound * (1 + 1e-9) + 1e-300;
    }

    // Blocks from .. to (inclusive), best boxes first.
    void SearchTree(int from, int to, double& best, int& at)
    {
        heap_.clear();
        best_ = best;
        // The canonical nodes that cover the blocks exactly.
        int lo = from + leaves_, hi = to + leaves_ + 1;
        while (lo < hi) {
            if (lo & 1) Push(lo++);
            if (hi & 1) Push(--hi);
            lo /= 2;
            hi /= 2;
        }
        while (!heap_.empty()) {
            std::pop_heap(heap_.begin(), heap_.end());
            const TCandidate c = heap_.back();
            heap_.pop_back();
            if (c.Bound < best || (c.Bound == best && c.Start > at)) continue;
            if (c.Node >= leaves_) {
                const int block = c.Node - leaves_;
                Scan(block * Block, std::min(count_, (block + 1) * Block) - 1, best, at);
                best_ = best;
            } else {
                Push(2 * c.Node);
                Push(2 * c.Node + 1);
            }
        }
    }

    void Push(int node)
    {
        // First block of the node, for the rule that the first of equal points wins.
        int first = node;
        while (first < leaves_) first *= 2;
        const int start = (first - leaves_) * Block;
        if (start >= count_) return;
        const double bound = Bound(boxes_[static_cast<std::size_t>(node)]);
        if (bound < best_) return;
        heap_.push_back({bound, node, start});
        std::push_heap(heap_.begin(), heap_.end());
    }

    const double* x_;
    const double* y_;
    int count_;
    int blocks_ = 0, leaves_ = 0;
    std::vector<TBox> boxes_;
    TChord chord_;
    std::vector<TCandidate> heap_;
    // The best distance so far, for boxes not worth queueing.
    double best_ = -1;
};

}  // namespace

int DouglasPeucker(const double* x, const double* y, int count, double tolerance, unsigned char* keep)
{
    if (count <= 0) return 0;
    std::fill(keep, keep + count, 0);
    keep[0] = keep[count - 1] = 1;
    if (count == 1) return 1;
    const double limit = tolerance * tolerance;
    TFarthestPoint farthest(x, y, count);
    // A stack of sections instead of recursion: a line can need as many splits as points.
    std::vector<std::pair<int, int>> sections{{0, count - 1}};
    while (!sections.empty()) {
        const auto [first, last] = sections.back();
        sections.pop_back();
        if (first + 1 >= last) continue;
        double distance;
        const int at = farthest.Find(first, last, distance);
        if (!(distance > limit)) continue;
        keep[at] = 1;
        sections.emplace_back(at, last);
        sections.emplace_back(first, at);
    }
    int kept = 0;
    for (int k = 0; k < count; ++k) kept += keep[k];
    return kept;
}

// ---------------------------------------------------------------- groups

namespace {

struct TGroup {
    int A = 0, I = 0;
    double Sum = 0;
    int MaxAt = 0, MinAt = 0;
};

// Maximum and minimum with the first index of each. Plain reductions the compiler turns into
// vector code; the index is looked up afterwards, usually within a few points.
void Extremes(const double* y, int a, int i, TGroup& g)
{
    double hi = y[a], lo = y[a];
    for (int k = a + 1; k <= i; ++k) {
        const double v = y[k];
        hi = v > hi ? v : hi;
        lo = v < lo ? v : lo;
    }
    g.MaxAt = a;
    while (g.MaxAt < i && !(y[g.MaxAt] == hi)) ++g.MaxAt;
    g.MinAt = a;
    while (g.MinAt < i && !(y[g.MinAt] == lo)) ++g.MinAt;
}

double Sum(const double* y, int a, int i)
{
    double sum = 0;
    for (int k = a; k <= i; ++k) sum += y[k];
    return sum;
}

// The null-aware walk of a counted group: once more than one null point was met, the rest of
// the group is passed over.
void NullAwareExtremes(const TDownSampleInput& in, TGroup& g, int& last)
{
    const double* y = in.Y;
    int nulls = in.Null[g.A] ? 1 : 0;
    g.MaxAt = g.MinAt = last = g.A;
    for (int k = g.A + 1; k <= g.I; ++k) {
        if (in.Null[k]) ++nulls;
        if (nulls > 1) break;
        if (y[k] > y[g.MaxAt]) g.MaxAt = k;
        if (y[k] < y[g.MinAt]) g.MinAt = k;
        last = k;
    }
}

class TGroupWriter {
public:
    TGroupWriter(const TDownSampleInput& in, const TDownSampleOutput& out) : in_(in), out_(out) {}
    int Count() const { return count_; }

    void Put(double x, double y, TColor color)
    {
        out_.X[count_] = x;
        out_.Y[count_] = y;
        if (out_.Color) out_.Color[count_] = color;
        ++count_;
    }
    void Point(int k) { Put(in_.X[k], in_.Y[k], out_.SeriesColor); }
    // The null variant marks every point whose value is the null value.
    void NullPoint(int k) { Put(in_.X[k], in_.Y[k], in_.Y[k] == in_.NullValue ? clNone : out_.SeriesColor); }

private:
    const TDownSampleInput& in_;
    const TDownSampleOutput& out_;
    int count_ = 0;
};

// Each source point at most once, in X order: first, the extremes (the smaller X first, the
// maximum on equal X), last.
void FirstLast(TGroupWriter& w, const TDownSampleInput& in, const TGroup& g)
{
    int middle[2] = {g.MaxAt, g.MinAt};
    if (in.X[g.MinAt] < in.X[g.MaxAt]) std::swap(middle[0], middle[1]);
    const int order[4] = {g.A, middle[0], middle[1], g.I};
    int written[4];
    int n = 0;
    for (int k : order) {
        if (std::find(written, written + n, k) != written + n) continue;
        written[n++] = k;
    }
    // Equal X keep the order above; otherwise index order is X order.
    std::stable_sort(written, written + n, [&](int p, int q) { return in.X[p] < in.X[q]; });
    for (int j = 0; j < n; ++j) w.Point(written[j]);
}

// First; the extreme with the smaller X (the minimum on equal X) and the other, each only at an
// X not yet written; the last point likewise.
void FirstLastNull(TGroupWriter& w, const TDownSampleInput& in, const TGroup& g, int last)
{
    const double* x = in.X;
    int extremes[2] = {g.MinAt, g.MaxAt};
    if (x[g.MaxAt] < x[g.MinAt]) std::swap(extremes[0], extremes[1]);
    double seen[4];
    int n = 0;
    const auto fresh = [&](int k) { return std::find(seen, seen + n, x[k]) == seen + n; };
    const auto put = [&](int k) {
        seen[n++] = x[k];
        w.NullPoint(k);
    };
    put(g.A);
    for (int k : extremes)
        if (fresh(k)) put(k);
    if (fresh(last)) put(last);
}

}  // namespace

int DownSampleGroups(TDownSampleMethod method, const TDownSampleInput& in, double tolerance, bool byCount,
                     const TDownSampleOutput& out)
{
    TGroupWriter w(in, out);
    const double* x = in.X;
    const double* y = in.Y;
    const int end = in.Count;
    const long long rounded = byCount ? Rnd(std::min(tolerance, 2147483647.0)) : 0;
    const int size = static_cast<int>(std::max(1LL, rounded));
    for (int a = 0; a < end;) {
        TGroup g;
        g.A = a;
        int i = a;
        if (byCount)
            i = static_cast<int>(std::min<long long>(end - 1, static_cast<long long>(a) + size - 1));
        else
            while (i + 1 < end && std::fabs(x[i + 1] - x[a]) < tolerance) ++i;
        g.I = i;
        const double midX = (x[a] + x[i]) / 2;
        switch (method) {
        case dsMax:
            Extremes(y, a, i, g);
            w.Put(midX, y[g.MaxAt], out.SeriesColor);
            break;
        case dsMin:
            Extremes(y, a, i, g);
            w.Put(midX, y[g.MinAt], out.SeriesColor);
            break;
        case dsAverage:
            w.Put(midX, Sum(y, a, i) / (i - a + 1), out.SeriesColor);
            break;
        case dsMinMax:
            Extremes(y, a, i, g);
            if (i == a) {
                w.Point(a);
            } else {
                w.Put(x[a], y[g.MinAt], out.SeriesColor);
                w.Put(x[i], y[g.MaxAt], out.SeriesColor);
            }
            break;
        case dsMinMaxFirstLast:
            Extremes(y, a, i, g);
            if (i == a)
                w.Point(a);
            else
                FirstLast(w, in, g);
            break;
        case dsMinMaxFirstLastNull: {
            int last = i;
            if (byCount && in.Null)
                NullAwareExtremes(in, g, last);
            else
                Extremes(y, a, i, g);
            if (i == a)
                w.NullPoint(a);
            else
                FirstLastNull(w, in, g, last);
            break;
        }
        case dsDouglas:
            break;
        }
        a = i + 1;
    }
    return w.Count();
}

// ---------------------------------------------------------------- the function

// No group writes more points than it holds, nor more than four; counted groups are known in
// advance.
int DownSampleCapacity(int count, double tolerance, bool byCount)
{
    if (!byCount) return count;
    const long long size = std::max(1LL, Rnd(std::min(tolerance, 2147483647.0)));
    const long long groups = (count + size - 1) / size;
    return static_cast<int>(std::min<long long>(count, 4 * groups));
}

TDownSamplingFunction::TDownSamplingFunction(TComponent* owner) : TDuvFunction(owner)
{
    PeriodEditable = false;
    SingleSourceOnly = true;
    StorePeriod(1);
}

void TDownSamplingFunction::DeclareProperties(TPropertyDeclarer<TDownSamplingFunction>& p)
{
    using T = TDownSamplingFunction;
    p.Enum("DownSampleMethod", &T::DownSampleMethod, &T::SetDownSampleMethod).Default(dsDouglas);
    p.Integer("DisplayedPointCount", &T::DisplayedPointCount, &T::SetDisplayedPointCount).Default(0);
    p.Float("Tolerance", &T::Tolerance, &T::SetTolerance).Default(1.0);
}

void TDownSamplingFunction::SetDownSampleMethod(TDownSampleMethod value)
{
    if (value == method_) return;
    method_ = value;
    Recalculate();
}

void TDownSamplingFunction::SetTolerance(double value)
{
    if (value == tolerance_) return;
    tolerance_ = value >= 0 ? value : 0;
    Recalculate();
}

void TDownSamplingFunction::SetDisplayedPointCount(int value)
{
    if (value == displayedPointCount_) return;
    displayedPointCount_ = value;
    Recalculate();
}

void TDownSamplingFunction::CalculateFromSources(TChartSeries* source)
{
    TChartSeries* output = OutputSeries();
    if (RecalcSuspended || !source || !output || source->PointCount() == 0) return;
    if (output->PointCount() > 0) output->ClearPoints();
    const int n = std::min({source->PointCount(), source->XValues()->Count(), source->YValues()->Count()});
    int s = 0, r = n;
    TCustomAxisPanel* chart = output->ParentChart();
    if (chart && chart->ChartRect.IsEmpty() && chart->HasParentWindow() && source->ParentChart()) {
        // Paint once so that the source knows what it shows; then reduce only that.
        chart->RenderBitmap(chart->Color(), chart->GetPanelRect(), 0);
        source->CalcFirstLastVisible();
        s = source->FirstVisibleIndex;
        r = s < 0 ? 0 : std::min(source->LastVisibleIndex, n - 1) - s + 1;
    }
    if (r <= 0) return;
    const bool sameOrientation = source->YMandatory() == output->YMandatory();
    output->SecondaryList()->SetOrder(sameOrientation ? loAscending : loNone);
    output->MandatoryList()->SetOrder(sameOrientation ? loNone : loAscending);
    const double tolerance = displayedPointCount_ > 0 ? r / (displayedPointCount_ * 0.25) : tolerance_;

    const double* xs = source->XValues()->Values() + s;
    const double* ys = source->YValues()->Values() + s;
    const bool byCount = displayedPointCount_ > 0;
    const int capacity = method_ == dsDouglas ? r : DownSampleCapacity(r, tolerance, byCount);
    // Left uninitialised: the reductions write every entry they report.
    const std::unique_ptr<double[]> outX(new double[static_cast<std::size_t>(capacity)]);
    const std::unique_ptr<double[]> outY(new double[static_cast<std::size_t>(capacity)]);
    std::vector<TColor> colors;
    int written = 0;
    if (method_ == dsDouglas) {
        std::vector<unsigned char> keep(static_cast<std::size_t>(r));
        DouglasPeucker(xs, ys, r, tolerance, keep.data());
        for (int k = 0; k < r; ++k)
            if (keep[static_cast<std::size_t>(k)]) {
                outX[static_cast<std::size_t>(written)] = xs[k];
                outY[static_cast<std::size_t>(written++)] = ys[k];
            }
    } else {
        TDownSampleInput in{xs, ys, r, nullptr, source->NullPointValue};
        std::vector<unsigned char> nulls;
        if (method_ == dsMinMaxFirstLastNull) {
            colors.assign(static_cast<std::size_t>(capacity), output->SeriesColor());
            if (source->PointColors()) {
                nulls.resize(static_cast<std::size_t>(r));
                for (int k = 0; k < r; ++k) nulls[static_cast<std::size_t>(k)] = source->IsNullPoint(s + k);
                in.Null = nulls.data();
            }
        }
        TDownSampleOutput out{outX.get(), outY.get(), colors.empty() ? nullptr : colors.data(), output->SeriesColor()};
        written = DownSampleGroups(method_, in, tolerance, byCount, out);
    }
    const bool swap = !source->YMandatory();
    colors.resize(std::min(colors.size(), static_cast<std::size_t>(written)));
    const bool anyNull = std::find(colors.begin(), colors.end(), clNone) != colors.end();
    if (!anyNull && !output->OnBeforeAdd && !output->OnAfterAdd) {
        output->AddXYArrays(swap ? outY.get() : outX.get(), swap ? outX.get() : outY.get(), written);
        return;
    }
    for (int k = 0; k < written; ++k) {
        double a = outX[static_cast<std::size_t>(k)], b = outY[static_cast<std::size_t>(k)];
        if (swap) std::swap(a, b);
        output->AddPointXY(a, b, {}, colors.empty() ? output->SeriesColor() : colors[static_cast<std::size_t>(k)]);
    }
}

void TDownSamplingFunction::SetUpInGallery(TCustomAxisPanel* chart)
{
    TDuvFunction::SetUpInGallery(chart);
    TChartSeries* output = OutputSeries();
    if (!chart || !output) return;
    auto* source = dynamic_cast<TChartSeries*>(output->DataSource());
    output->SetVertAxis(aRightAxis);
    if (TChartAxis* axis = output->VertAxisObject()) axis->SetStartPosition(50);
    if (!source) return;
    if (TChartAxis* axis = source->VertAxisObject()) axis->SetEndPosition(50);
    source->FillSampleValues(2000);
    for (TChartSeries* series : {source, output})
        if (TChartAxis* axis = series->VertAxisObject())
            axis->GetTitle()->SetCaption(std::to_string(series->PointCount()) + " Points");
}

// ---------------------------------------------------------------- registration

namespace {
const std::string GalleryCaption = "Downsampling";
}

void DuvDownSamplingInitialization()
{
    RegisterClassForStreaming(TDownSamplingFunction::StaticClass());
    RegisterFunctionType(&TDownSamplingFunction::StaticClass(), &GalleryCaption, &DuvMsgGalleryExtended, 1);
}

void DuvDownSamplingFinalization() { UnregisterFunctionClasses({&TDownSamplingFunction::StaticClass()}); }
