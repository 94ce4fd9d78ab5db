#include "chart/series/SeriesFastLine.h"

#include <algorithm>

#include "chart/engine/DuvProcs.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/engine/RuRazaziSelect.h"
#include "chart/graphics/DuvConst.h"
#include "platform/core/ScopeGuard.h"

namespace {

// Below this many points per part, splitting costs more than it saves.
constexpr int kMinPointsPerPart = 16384;

// Several parts per thread, so that a worker held up by a busy machine delays little.
int PartCount(int pointCount, int threads)
{
    if (threads <= 1) return 1;
    return std::clamp(pointCount / kMinPointsPerPart, 1, 4 * threads);
}

// Calls visit(index, x, y) for points a..b with their screen positions, converted a block at a
// time so that the loop runs over plain arrays.
template <class F>
void VisitScreenPoints(const TChartAxis& horiz, const TChartAxis& vert, const double* xs, const double* ys, int a,
                       int b, F&& visit)
{
    constexpr int kBlock = 1024;
    int px[kBlock], py[kBlock];
    for (int start = a; start <= b; start += kBlock) {
        const int n = std::min(kBlock, b - start + 1);
        horiz.CalcPosValues(xs + start, px, static_cast<std::size_t>(n));
        vert.CalcPosValues(ys + start, py, static_cast<std::size_t>(n));
        for (int k = 0; k < n; ++k) visit(start + k, px[k], py[k]);
    }
}

// Splits a..b into parts equal ranges and runs part(p, first, last) for each, on threads.
template <class F>
void RunParts(int a, int b, int parts, int threads, F&& part)
{
    const long long count = static_cast<long long>(b) - a + 1;
    auto range = [&](int p, int& first, int& last) {
        first = a + static_cast<int>(count * p / parts);
        last = a + static_cast<int>(count * (p + 1) / parts) - 1;
    };
    TDuvCPU::RunParallelRange(
        0, parts - 1, tpHigher,
        [&](TObject*, int p) {
            int first, last;
            range(p, first, last);
            part(p, first, last);
        },
        nullptr, threads);
}

}  // namespace

// One pixel column of consecutive points: its x, the y of its first point and its y range.
struct TFastLineSeries::TColumnRun {
    int X, FirstY, MinY, MaxY;
};

TFastLineSeries::TFastLineSeries(TComponent* owner) : TCustomLineSeries(owner)
{
    SingleResultAsPoint = false;
    IncludePointPastEnd = true;
    SetTreatNulls(tnIgnore);
    Pen().SetColor(clDefault);
    GetSelected()->Hover()->InitVisible(false);
}

TFastLineSeries::~TFastLineSeries()
{
    if (ParentChart()) SetParentChart(nullptr);
}

void TFastLineSeries::DeclareProperties(TPropertyDeclarer<TFastLineSeries>& p)
{
    p.Boolean("AutoRepaint", &TFastLineSeries::AutoRepaint, &TFastLineSeries::SetAutoRepaint).Default(true);
    p.Integer("ClickTolerance", &TFastLineSeries::ClickTolerance, &TFastLineSeries::SetClickTolerance).Default(0);
    p.Enum("DrawAllPointsStyle", &TFastLineSeries::DrawAllPointsStyle, &TFastLineSeries::SetDrawAllPointsStyle)
        .Default(daFirst);
    p.Boolean("DrawAllPoints", &TFastLineSeries::GetDrawAllPoints, &TFastLineSeries::SetDrawAllPoints).Default(true);
    p.Enum("DrawStyle", &TFastLineSeries::DrawStyle, &TFastLineSeries::SetDrawStyle).Default(flSegments);
    p.Boolean("FastPen", &TFastLineSeries::FastPen, &TFastLineSeries::SetFastPen).Default(false);
    p.Boolean("IgnoreNulls", &TFastLineSeries::IgnoreNulls, &TFastLineSeries::SetIgnoreNulls).Default(true);
    p.Boolean("InvertedStairs", &TFastLineSeries::InvertedStairs, &TFastLineSeries::SetInvertedStairs).Default(false);
    p.Boolean("Stairs", &TFastLineSeries::Stairs, &TFastLineSeries::SetStairs).Default(false);
    p.Object("LinePen", &TFastLineSeries::GetLinePen, &TFastLineSeries::SetLinePen);
    p.Enum("TreatNulls", &TFastLineSeries::TreatNulls, &TFastLineSeries::SetTreatNulls).Default(tnIgnore);
    p.Event("AfterDrawValues", &TFastLineSeries::AfterDrawValues);
    p.Event("BeforeDrawValues", &TFastLineSeries::BeforeDrawValues);
    p.Event("OnClick", &TFastLineSeries::OnClick);
    p.Event("OnDblClick", &TFastLineSeries::OnDblClick);
}

// ---------------------------------------------------------------- settings

void TFastLineSeries::SetDrawAllPointsStyle(TDrawAllPointsStyle value)
{
    if (drawAllPointsStyle_ == value) return;
    drawAllPointsStyle_ = value;
    RequestRepaint();
}

void TFastLineSeries::SetDrawAllPoints(bool value) { ChangeBoolean(drawAllPoints_, value); }

void TFastLineSeries::SetDrawStyle(TFastLineDrawStyle value)
{
    if (drawStyle_ == value) return;
    drawStyle_ = value;
    RequestRepaint();
}

// There is no stock device-context pen here: the switch only selects the canvas' fast line mode.
void TFastLineSeries::SetFastPen(bool value) { fastPen_ = value; }

void TFastLineSeries::SetIgnoreNulls(bool value) { ChangeBoolean(ignoreNulls_, value); }

void TFastLineSeries::SetInvertedStairs(bool value) { ChangeBoolean(invertedStairs_, value); }

void TFastLineSeries::SetStairs(bool value) { ChangeBoolean(stairs_, value); }

void TFastLineSeries::SetPen(const TDuvPen* value)
{
    TCustomLineSeries::SetPen(value);
    SetSeriesColor(Pen().Color());
}

void TFastLineSeries::SetSeriesColor(TColor value)
{
    TCustomLineSeries::SetSeriesColor(value);
    Pen().SetColor(value);
}

void TFastLineSeries::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TFastLineSeries*>(source)) {
        autoRepaint_ = other->autoRepaint_;
        clickTolerance_ = other->clickTolerance_;
        drawAllPointsStyle_ = other->drawAllPointsStyle_;
        drawAllPoints_ = other->drawAllPoints_;
        drawStyle_ = other->drawStyle_;
        fastPen_ = other->fastPen_;
        ignoreNulls_ = other->ignoreNulls_;
        invertedStairs_ = other->invertedStairs_;
        stairs_ = other->stairs_;
    }
    TCustomLineSeries::Assign(source);
}

void TFastLineSeries::AssignFormat(const TCustomChartSeries* source)
{
    TCustomLineSeries::AssignFormat(source);
    Pen().SetVisible(true);
    Pen().SetColor(clDefault);
}

void TFastLineSeries::ListSubGalleryStyles(const TSubGalleryCallback& callback)
{
    TCustomLineSeries::ListSubGalleryStyles(callback);
    for (const std::string* caption : {&DuvMsgSubMarks, &DuvMsgSubDotted, &DuvMsgSubStairs}) callback(*caption);
}

void TFastLineSeries::ApplySubGalleryStyle(int index)
{
    switch (index) {
    case 1: SetMarksVisible(true); break;
    case 2: Pen().SetSmallDots(true); break;
    case 3: SetStairs(true); break;
    default: TCustomLineSeries::ApplySubGalleryStyle(index); break;
    }
}

// ---------------------------------------------------------------- preparation

bool TFastLineSeries::UsesPreparedPolyline() const
{
    const TCustomAxisPanel* chart = ParentChart();
    return drawAllPoints_ && drawStyle_ == flAll && TreatNulls() == tnIgnore && !stairs_ && chart && !chart->View3D();
}

int TFastLineSeries::WorkerThreads(int pointCount) const
{
    const TCustomAxisPanel* chart = ParentChart();
    const int threads = chart ? chart->ThreadCount : 0;
    if (threads <= 1) return 1;
    return std::clamp(pointCount / kMinPointsPerPart, 1, threads);
}

void TFastLineSeries::ScreenXY(int index, int& x, int& y)
{
    x = GetPointScreenX(index);
    y = GetPointScreenY(index);
}

void TFastLineSeries::PrepareStart()
{
    startIndex_ = FirstVisibleIndex < 1 ? 0 : FirstVisibleIndex - 1;
    ScreenXY(startIndex_, lastX_, lastY_);
    started_ = !IsNullPoint(startIndex_);
}

void TFastLineSeries::PreparePoints()
{
    CalcFirstLastVisible();
    if (FirstVisibleIndex < 0 || !ParentChart() || !HorizAxisObject() || !VertAxisObject()) return;
    PrepareStart();
    if (UsesPreparedPolyline()) PrepareScreenPoints(startIndex_, LastVisibleIndex);
}

void TFastLineSeries::PrepareScreenPoints(int start, int last)
{
    const std::size_t size = static_cast<std::size_t>(last - start + 1);
    if (prepared_.size() != size) prepared_.resize(size);
    prepared_[0] = {lastX_, lastY_};
    if (size == 1) return;
    const TChartAxis& horiz = *HorizAxisObject();
    const TChartAxis& vert = *VertAxisObject();
    const double* xs = XValues()->Values();
    const double* ys = YValues()->Values();
    TPoint* out = prepared_.data();
    const int threads = WorkerThreads(last - start);
    RunParts(start + 1, last, PartCount(last - start, threads), threads, [&](int, int a, int b) {
        VisitScreenPoints(horiz, vert, xs, ys, a, b, [out, start](int i, int x, int y) { out[i - start] = {x, y}; });
    });
}

// ---------------------------------------------------------------- drawing

void TFastLineSeries::PrepareCanvas()
{
    TCanvas3D& canvas = ParentChart()->Canvas();
    canvas.AssignPenColor(Pen(), Pen().Color() == clDefault ? GetSeriesColor() : Pen().Color());
    canvas.Brush().SetStyle(bsClear);
    canvas.SetBackMode(1);
}

void TFastLineSeries::DrawAllPoints()
{
    TCustomAxisPanel* chart = ParentChart();
    if (!chart || FirstVisibleIndex < 0 || !HorizAxisObject() || !VertAxisObject()) return;
    canvas_ = &chart->Canvas();
    view3D_ = chart->View3D();
    TCanvas3D& canvas = *canvas_;
    const bool prepared = UsesPreparedPolyline();
    TDuvBlend* blend = Transparency() > 0 && canvas.NativeBlending ? canvas.BeginBlending(TRect{}, Transparency()) : nullptr;
    const TScopeGuard endBlend([&canvas, blend] {
        if (blend) canvas.EndBlending(blend);
    });
    PrepareCanvas();
    if (!prepared) {
        PrepareStart();
        MoveToPos(lastX_, lastY_);
        ResetColumn();
    }
    const bool switchMode = fastPen_ && !(canvas.SupportsFullRotation() && prepared) && !inFastLineMode_;
    if (switchMode) {
        canvas.SetFastLineMode(true);
        inFastLineMode_ = true;
    }
    const TScopeGuard leaveMode([this, &canvas, switchMode] {
        if (!switchMode) return;
        canvas.SetFastLineMode(false);
        inFastLineMode_ = false;
    });

    const int first = startIndex_ + 1, last = LastVisibleIndex;
    if (prepared) {
        if (view3D_)
            canvas.PolylineWithZ(prepared_, MiddleZ);
        else
            canvas.Polyline(prepared_);
    } else if (!drawAllPoints_ && CanReduceFast(startIndex_, last)) {
        DrawReduced(startIndex_, last);
    } else if (drawAllPoints_ && TreatNulls() == tnIgnore) {
        if (first <= last)
            VisitScreenPoints(*HorizAxisObject(), *VertAxisObject(), XValues()->Values(), YValues()->Values(), first,
                              last, [this](int, int x, int y) { LineSegment(x, y); });
    } else {
        for (int i = first; i <= last; ++i) DrawPoint(i);
    }
    FlushColumn();
}

void TFastLineSeries::DrawPoint(int index)
{
    int x, y;
    ScreenXY(index, x, y);
    DrawPointAt(index, x, y);
}

void TFastLineSeries::DrawPointAt(int index, int x, int y)
{
    const TTreatNullsStyle nulls = TreatNulls();
    if (nulls == tnIgnore && drawAllPoints_) {
        LineSegment(x, y);
        return;
    }
    // A null point is not drawn; the last position stays where the line has reached.
    if (nulls != tnIgnore && IsNullPoint(index)) return;
    const bool counts = x != lastX_ || ((drawAllPoints_ || drawAllPointsStyle_ == daMinMax) && y != lastY_);
    if (!counts) return;
    // After nulls the line restarts here, unless it bridges them from a point already drawn.
    if (nulls != tnIgnore && index > 0 && IsNullPoint(index - 1) && (nulls == tnDontPaint || !started_)) {
        FlushColumn();
        MoveToPos(x, y);
        ResetColumn();
        return;
    }
    if (drawAllPoints_ || drawAllPointsStyle_ == daFirst) {
        LineSegment(x, y);
        return;
    }
    if (x == lastX_) {
        columnMinY_ = std::min(columnMinY_, y);
        columnMaxY_ = std::max(columnMaxY_, y);
        columnPending_ = true;
        return;
    }
    if (columnPending_) {
        FlushColumn();
        LineSegment(x, y);
        ResetColumn();
        return;
    }
    // The line enters the column at its lowest point; the rest of the column is pending when
    // that differs from the point's own y, so no part of the span is lost.
    const int lowest = ColumnLowest(index, x, y);
    LineSegment(x, lowest);
    columnMinY_ = y;
    columnMaxY_ = lowest;
    columnPending_ = lowest != y;
}

// The largest y pixel of the point and of the non-null points right after it in its column.
int TFastLineSeries::ColumnLowest(int index, int x, int y)
{
    int lowest = y;
    for (int j = index + 1; j <= LastVisibleIndex; ++j) {
        int xj, yj;
        ScreenXY(j, xj, yj);
        if (xj != x) break;
        if (!IsNullPoint(j)) lowest = std::max(lowest, yj);
    }
    return lowest;
}

void TFastLineSeries::ResetColumn()
{
    columnMinY_ = columnMaxY_ = lastY_;
    columnPending_ = false;
}

// Draws the pending span of the current column.
void TFastLineSeries::FlushColumn()
{
    if (!columnPending_) return;
    columnPending_ = false;
    const int x = lastX_, minY = columnMinY_;
    LineSegment(x, columnMaxY_);
    LineSegment(x, minY);
}

void TFastLineSeries::MoveToPos(int x, int y)
{
    if (view3D_)
        canvas_->MoveTo3D(x, y, MiddleZ);
    else
        canvas_->MoveTo(x, y);
    lastX_ = x;
    lastY_ = y;
}

void TFastLineSeries::LineToPos(int x, int y)
{
    if (view3D_)
        canvas_->LineTo3D(x, y, MiddleZ);
    else if (inFastLineMode_)
        canvas_->FastLineTo(x, y);
    else
        canvas_->LineTo(x, y);
}

void TFastLineSeries::LineSegment(int x, int y)
{
    if (stairs_) {
        if (invertedStairs_)
            LineToPos(lastX_, y);
        else
            LineToPos(x, lastY_);
    }
    LineToPos(x, y);
    lastX_ = x;
    lastY_ = y;
    started_ = true;
}

// ---------------------------------------------------------------- reduction per pixel column

bool TFastLineSeries::CanReduceFast(int start, int last) const
{
    const std::vector<TColor>* colors = PointColors();
    if (!colors) return true;
    const auto begin = colors->begin() + start, end = colors->begin() + last + 1;
    return std::find(begin, end, clNone) == end;
}

void TFastLineSeries::DrawReduced(int start, int last)
{
    if (last <= start) return;
    const int threads = WorkerThreads(last - start + 1), parts = PartCount(last - start + 1, threads);
    if (ColumnsAreRuns()) {
        DrawSortedColumns(start, last, parts, threads);
    } else if (drawAllPointsStyle_ == daFirst) {
        DrawFirstOfColumns(start, last, parts, threads);
    } else {
        DrawColumnSpans(start, last, parts, threads);
    }
}

// With X in order on a linear axis the pixel columns are runs of consecutive points, found by
// search; the points inside a run need no conversion of their own.
bool TFastLineSeries::ColumnsAreRuns() const
{
    const TChartListOrder order = XValues()->Order();
    return (order == loAscending || order == loDescending) && !HorizAxisObject()->Logarithmic() &&
           !VertAxisObject()->Logarithmic();
}

// The last index of the run of points from index on that share its pixel column.
int TFastLineSeries::ColumnEnd(int index, int last) const
{
    const TChartAxis& horiz = *HorizAxisObject();
    const double* xs = XValues()->Values();
    const int column = horiz.CalcPosValue(xs[index]);
    int inside = index, step = 1;
    // Gallop to a point outside the column, then halve the gap.
    int outside = last + 1;
    while (step <= last - inside) {
        if (horiz.CalcPosValue(xs[inside + step]) != column) {
            outside = inside + step;
            break;
        }
        inside += step;
        step = step < (1 << 29) ? step * 2 : step;
    }
    while (outside - inside > 1) {
        const int middle = inside + (outside - inside) / 2;
        if (horiz.CalcPosValue(xs[middle]) == column)
            inside = middle;
        else
            outside = middle;
    }
    return inside;
}

// The y range of the points a..b in pixels; a monotonic conversion keeps the extremes of the
// values, so only those are converted (NaN, which converts apart, takes every point).
void TFastLineSeries::ColumnRange(int a, int b, int& minY, int& maxY) const
{
    const TChartAxis& vert = *VertAxisObject();
    const double* ys = YValues()->Values();
    double low = ys[a], high = ys[a];
    bool unordered = false;
    for (int i = a + 1; i <= b; ++i) {
        const double v = ys[i];
        low = v < low ? v : low;
        high = v > high ? v : high;
        unordered |= v != v;
    }
    if (!unordered && low == low) {
        const int p = vert.CalcPosValue(low), q = vert.CalcPosValue(high);
        minY = std::min(p, q);
        maxY = std::max(p, q);
        return;
    }
    minY = maxY = vert.CalcPosValue(ys[a]);
    for (int i = a + 1; i <= b; ++i) {
        const int y = vert.CalcPosValue(ys[i]);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
    }
}

void TFastLineSeries::DrawSortedColumns(int start, int last, int partCount, int threads)
{
    std::vector<int> starts;
    for (int i = start; i <= last; i = ColumnEnd(i, last) + 1) starts.push_back(i);
    starts.push_back(last + 1);
    const int columns = static_cast<int>(starts.size()) - 1;
    const TChartAxis& horiz = *HorizAxisObject();
    const TChartAxis& vert = *VertAxisObject();
    const double* xs = XValues()->Values();
    const double* ys = YValues()->Values();
    std::vector<TColumnRun> runs(static_cast<std::size_t>(columns));
    const bool spans = drawAllPointsStyle_ == daMinMax;
    RunParts(0, columns - 1, std::min(partCount, columns), threads, [&](int, int a, int b) {
        for (int c = a; c <= b; ++c) {
            const int first = starts[static_cast<std::size_t>(c)], end = starts[static_cast<std::size_t>(c) + 1] - 1;
            TColumnRun& run = runs[static_cast<std::size_t>(c)];
            run.X = horiz.CalcPosValue(xs[first]);
            run.FirstY = vert.CalcPosValue(ys[first]);
            run.MinY = run.MaxY = run.FirstY;
            if (spans) ColumnRange(first, end, run.MinY, run.MaxY);
        }
    });
    if (spans) {
        DrawRuns(runs);
        return;
    }
    for (int c = 1; c < columns; ++c) LineSegment(runs[static_cast<std::size_t>(c)].X, runs[static_cast<std::size_t>(c)].FirstY);
}

// Without nulls the last x is always the column of the point before, so a point is drawn
// exactly when its column differs from its predecessor's.
void TFastLineSeries::DrawFirstOfColumns(int start, int last, int partCount, int threads)
{
    const TChartAxis& horiz = *HorizAxisObject();
    const TChartAxis& vert = *VertAxisObject();
    const double* xs = XValues()->Values();
    const double* ys = YValues()->Values();
    std::vector<std::vector<TPoint>> parts(static_cast<std::size_t>(partCount));
    RunParts(start + 1, last, partCount, threads, [&](int p, int a, int b) {
        std::vector<TPoint>& out = parts[static_cast<std::size_t>(p)];
        int previousX = horiz.CalcPosValue(xs[a - 1]);
        VisitScreenPoints(horiz, vert, xs, ys, a, b, [&](int, int x, int y) {
            if (x != previousX) out.push_back({x, y});
            previousX = x;
        });
    });
    for (const std::vector<TPoint>& part : parts)
        for (const TPoint& p : part) LineSegment(p.X, p.Y);
}

// Each part sums up its columns; a column cut by a part's end joins the next part's first.
void TFastLineSeries::DrawColumnSpans(int start, int last, int partCount, int threads)
{
    const TChartAxis& horiz = *HorizAxisObject();
    const TChartAxis& vert = *VertAxisObject();
    const double* xs = XValues()->Values();
    const double* ys = YValues()->Values();
    std::vector<std::vector<TColumnRun>> parts(static_cast<std::size_t>(partCount));
    RunParts(start, last, partCount, threads, [&](int p, int a, int b) {
        std::vector<TColumnRun>& out = parts[static_cast<std::size_t>(p)];
        VisitScreenPoints(horiz, vert, xs, ys, a, b, [&out](int, int x, int y) {
            if (!out.empty() && out.back().X == x) {
                TColumnRun& run = out.back();
                run.MinY = std::min(run.MinY, y);
                run.MaxY = std::max(run.MaxY, y);
            } else {
                out.push_back({x, y, y, y});
            }
        });
    });
    std::vector<TColumnRun> runs;
    for (const std::vector<TColumnRun>& part : parts)
        for (const TColumnRun& run : part) {
            if (!runs.empty() && runs.back().X == run.X) {
                runs.back().MinY = std::min(runs.back().MinY, run.MinY);
                runs.back().MaxY = std::max(runs.back().MaxY, run.MaxY);
            } else {
                runs.push_back(run);
            }
        }
    DrawRuns(runs);
}

// The start point's column begins without a line; every later column as DrawPointAt does.
void TFastLineSeries::DrawRuns(const std::vector<TColumnRun>& runs)
{
    columnMinY_ = runs[0].MinY;
    columnMaxY_ = runs[0].MaxY;
    columnPending_ = runs[0].MinY != runs[0].MaxY;
    for (std::size_t r = 1; r < runs.size(); ++r) {
        const TColumnRun& run = runs[r];
        if (columnPending_) {
            FlushColumn();
            LineSegment(run.X, run.FirstY);
        } else {
            LineSegment(run.X, run.MaxY);
        }
        columnMinY_ = run.MinY;
        columnMaxY_ = run.MaxY;
        columnPending_ = run.MinY != run.MaxY;
    }
}

// ---------------------------------------------------------------- visible range, added points

void TFastLineSeries::CalcFirstLastVisible()
{
    TCustomLineSeries::CalcFirstLastVisible();
    if (drawAllPoints_ || FirstVisibleIndex < 0 || FirstVisibleIndex != LastVisibleIndex || !HorizAxisObject()) return;
    int index = FirstVisibleIndex - 1;
    if (index < 0) {
        FirstVisibleIndex = LastVisibleIndex = -1;
        return;
    }
    const int column = GetPointScreenX(index);
    while (index > 0 && GetPointScreenX(index - 1) == column) --index;
    FirstVisibleIndex = index;
}

void TFastLineSeries::PointAdded(TChartSeries* sender, int index)
{
    if (autoRepaint_) {
        TCustomLineSeries::PointAdded(sender, index);
        return;
    }
    // Dependents and the event hear of the point as always; only the repaint is left out.
    if (OnAfterAdd) OnAfterAdd(this, index);
    NotifyDependents(TDependentChange::Added, index);
    TCustomAxisPanel* chart = ParentChart();
    if (!chart || !Active() || index < 0 || !HorizAxisObject() || !VertAxisObject()) return;
    canvas_ = &chart->Canvas();
    view3D_ = chart->View3D();
    canvas_->AssignPenColor(Pen(), Pen().Color() == clDefault ? GetSeriesColor() : Pen().Color());
    const int previous = index > 0 ? index - 1 : 0;
    ScreenXY(previous, lastX_, lastY_);
    started_ = !IsNullPoint(previous);
    MoveToPos(lastX_, lastY_);
    ResetColumn();
    LastVisibleIndex = std::max(LastVisibleIndex, index);
    DrawPoint(index);
    FlushColumn();
}

// ---------------------------------------------------------------- legend, marks, margins

void TFastLineSeries::PrepareLegendCanvas(int, TColor&, TBrushStyle& brushStyle)
{
    PrepareCanvas();
    brushStyle = bsClear;
}

void TFastLineSeries::PaintLegendSymbol(int, const TRect& rect)
{
    if (TCustomAxisPanel* chart = ParentChart()) chart->Canvas().HorizLine(rect.Left, rect.Right, (rect.Top + rect.Bottom) / 2);
}

void TFastLineSeries::DrawPointMark(int index, const std::string& text, TSeriesMarkPosition& position)
{
    Marks().ApplyCalloutLength(position);
    TCustomLineSeries::DrawPointMark(index, text, position);
}

void TFastLineSeries::GetHorizMargins(int& left, int& right)
{
    TCustomLineSeries::GetHorizMargins(left, right);
    const int w = Pen().Width(), extra = w - (w - 2) / 2;
    left += extra;
    right += extra;
}

void TFastLineSeries::GetVertMargins(int& top, int& bottom)
{
    TCustomLineSeries::GetVertMargins(top, bottom);
    const TChartAxis* axis = VertAxisObject();
    if (!axis || PointCount() == 0) return;
    const int w = Pen().Width(), extra = w - (w - 2) / 2;
    if (MaxYValue() >= axis->Maximum()) top += extra;
    if (MinYValue() <= axis->Minimum()) bottom += extra;
}

// ---------------------------------------------------------------- mouse

int TFastLineSeries::PointAtScreen(int x, int y)
{
    TCustomAxisPanel* chart = ParentChart();
    if (!chart || FirstVisibleIndex < 0 || LastVisibleIndex < FirstVisibleIndex) return -1;
    if (!HorizAxisObject() || !VertAxisObject()) return -1;
    TPoint mouse{x, y};
    if (chart->View3D()) chart->Canvas().Unproject(mouse.X, mouse.Y, MiddleZ);
    TPoint previous{};
    for (int i = FirstVisibleIndex; i <= LastVisibleIndex; ++i) {
        TPoint p;
        ScreenXY(i, p.X, p.Y);
        if (p == mouse) return i;
        if (i > FirstVisibleIndex) {
            if (!stairs_) {
                if (PointOnSegmentTolerance(mouse, previous, p, clickTolerance_)) return i - 1;
            } else {
                // The two parts of the step as they are drawn.
                const TPoint corner = invertedStairs_ ? TPoint{previous.X, p.Y} : TPoint{p.X, previous.Y};
                if (PointOnSegmentTolerance(mouse, corner, p, clickTolerance_) ||
                    PointOnSegmentTolerance(mouse, previous, corner, clickTolerance_))
                    return i - 1;
            }
        }
        previous = p;
    }
    return -1;
}
