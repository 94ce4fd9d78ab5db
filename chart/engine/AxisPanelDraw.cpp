// The axis panel's drawing: one pass from the background to the zoom rectangle, in a fixed order
// that tools (stage codes), the chart (its slots) and the series (their protocol) rely on.
//
// Series and axes are walked by index: an event handler may add or remove series while a drawing
// runs, and a range-for over the list would then read a moved vector.
#include <algorithm>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/DuvProcs.h"
#include "chart/engine/RuRazazi.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/engine/RuRazaziLists.h"
#include "platform/core/ScopeGuard.h"

namespace {

// The canvas group is closed also when a step inside it raises.
class TCanvasGroup {
public:
    TCanvasGroup(TCanvas3D& canvas, const std::string& name) : canvas_(canvas)
    {
        canvas_.PushTransform(name, nullptr, nullptr);
    }
    ~TCanvasGroup() { canvas_.PopTransform(); }
    TCanvasGroup(const TCanvasGroup&) = delete;
    TCanvasGroup& operator=(const TCanvasGroup&) = delete;

private:
    TCanvas3D& canvas_;
};

}  // namespace

void TCustomAxisPanel::BroadcastStage(TChartEventCode code)
{
    tools_->BroadcastChartEvent(code);
    animations_->BroadcastChartEvent(code);
}

void TCustomAxisPanel::DrawContents(const TRect& r)
{
    // Changes made by handlers and tools while drawing must not start another drawing.
    const bool savedAutoRepaint = AutoRepaint;
    AutoRepaint = false;
    const TScopeGuard restore([this, savedAutoRepaint] { AutoRepaint = savedAutoRepaint; });

    // A drawing that failed half-way may have left it set.
    seriesClipped_ = false;
    CalcView3DTurned();
    TCanvas3D& canvas = Canvas();
    const bool fullRotation = canvas.SupportsFullRotation();
    if (!fullRotation) DrawPanelBackground(r);
    BroadcastStage(TChartEventCode::BeforeDraw);
    FireBeforeDrawChart();
    for (int i = 0; i < seriesList_->Count(); ++i)
        if (TCustomChartSeries* series = seriesList_->GetSeries(i); series->Active()) series->PrepareToDraw();
    if (fullRotation) {
        CalcSeriesZOrder();
        AdjustChartRectFor3D();
        canvas.SetProjection(DepthWidth, PanelBounds, ChartRect);
        DrawPanelBackground(r);
    }
    DrawTitlesAndLegend(true);
    if (!fullRotation) {
        CalcSeriesZOrder();
        AdjustChartRectFor3D();
    }
    for (int i = 0; i < seriesList_->Count(); ++i)
        if (TCustomChartSeries* series = seriesList_->GetSeries(i); series->Active()) series->PrepareAxes();
    CalcAxisSizes();
    for (int i = 0; i < seriesList_->Count(); ++i)
        if (TCustomChartSeries* series = seriesList_->GetSeries(i); series->Active())
            series->CalcDepthPositions(SeriesDepthWidth);
    CalcAxisRanges();
    // The flat canvases project with the final chart rectangle.
    if (!fullRotation) canvas.SetProjection(DepthWidth, PanelBounds, ChartRect);
    DrawSeriesAndAxes();
    DrawTitlesAndLegend(false);
    if (Zoom().Active) DrawZoomRect();
    BroadcastStage(TChartEventCode::AfterDraw);
    canvas.ResetState();
    FireAfterDraw();
}

void TCustomAxisPanel::CalcView3DTurned()
{
    View3DTurned = false;
    if (!View3D()) return;
    const TView3DOptions& options = View3DOptions();
    View3DTurned = options.Orthogonal() ? options.OrthoAngle() > 90 : options.Rotation() < 180;
}

// ---------------------------------------------------------------- depth and axes

void TCustomAxisPanel::CalcSeriesZOrder()
{
    MaxZOrder = 0;
    const bool zSlots = ZOrderEnabled && View3D();
    auto takesPart = [](const TCustomChartSeries* series) { return series->Active() && !series->HiddenFromLists; };
    if (zSlots) {
        MaxZOrder = -1;
        for (int i = 0; i < seriesList_->Count(); ++i)
            if (TCustomChartSeries* series = seriesList_->GetSeries(i); takesPart(series)) series->CalcZOrder();
    }
    // An inverted depth axis keeps the slots in the order they were taken.
    if (depthAxis_->Inverted()) return;
    for (int i = 0; i < seriesList_->Count(); ++i) {
        TCustomChartSeries* series = seriesList_->GetSeries(i);
        if (!takesPart(series)) continue;
        series->DepthSlot = zSlots ? MaxZOrder - series->GetEffectiveZOrder() : 0;
    }
}

void TCustomAxisPanel::RecalcAxisPixelRanges()
{
    for (int a = 0; a < axes_->Count(); ++a) axes_->GetAxis(a)->CalcPixelRange();
}

void TCustomAxisPanel::CalcAxisSizes()
{
    for (int a = 0; a < axes_->Count(); ++a) {
        TChartAxis* axis = axes_->GetAxis(a);
        axis->AxisIsVisible = AxisShown(axis);
        axis->UpdateInternalRange();
    }
    RecalcAxisPixelRanges();
    TRect r = ChartRect;
    for (int a = 0; a < axes_->Count(); ++a) {
        TChartAxis* axis = axes_->GetAxis(a);
        if (axis->AxisIsVisible) {
            // Bottom, Top, Left, Right and Depth take their room; the others only place themselves.
            TRect r2 = r;
            axis->PlaceInRect(r2, a < 5);
            const bool overlaps = std::max(r.Left, r2.Left) < std::min(r.Right, r2.Right) &&
                                  std::max(r.Top, r2.Top) < std::min(r.Bottom, r2.Bottom);
            if (overlaps) r = r2;
        } else if (axes_->SizeHook) {
            axis->ShrinkRectOnSide(r, axes_->SizeHook(axis, 0));
        }
    }
    ChartRect = r;
    NormalizeChartRect();
    RecalcAxisPixelRanges();
}

void TCustomAxisPanel::CalcAxisRanges()
{
    for (int a = 0; a < axes_->Count(); ++a) CalcAxisMargins(axes_->GetAxis(a));
    for (int a = 0; a < axes_->Count(); ++a) ApplySeriesAxisLimits(axes_->GetAxis(a));
}

void TCustomAxisPanel::CalcAxisMargins(TChartAxis* axis)
{
    if (axis->IsDepthAxis && !View3D()) return;
    int left = 0, top = 0, right = 0, bottom = 0;
    const bool automaticMinimum = axis->AutomaticMinimum(), automaticMaximum = axis->AutomaticMaximum();
    if (automaticMinimum || automaticMaximum)
        for (int i = 0; i < seriesList_->Count(); ++i) {
            TCustomChartSeries* series = seriesList_->GetSeries(i);
            if (!series->Active() || !SeriesUsesAxis(series, axis)) continue;
            if (axis->Horizontal()) {
                int l = 0, rt = 0;
                series->GetHorizMargins(l, rt);
                if (automaticMinimum) left = std::max(left, l);
                if (automaticMaximum) right = std::max(right, rt);
            } else {
                int t = 0, b = 0;
                series->GetVertMargins(t, b);
                if (automaticMinimum) bottom = std::max(bottom, b);
                if (automaticMaximum) top = std::max(top, t);
            }
        }
    axis->ApplyMarginsToRange(left, top, right, bottom);
}

void TCustomAxisPanel::ApplySeriesAxisLimits(TChartAxis* axis)
{
    if (!axis->AutomaticMinimum() && !axis->AutomaticMaximum()) return;
    int left = 0, top = 0, right = 0, bottom = 0;
    for (int i = 0; i < seriesList_->Count(); ++i)
        if (TCustomChartSeries* series = seriesList_->GetSeries(i); series->Active())
            series->AdjustAxisLimits(axis, left, top, right, bottom);
    if (left != 0 || top != 0 || right != 0 || bottom != 0) ExtendRangeByPixels(axis, left, top, right, bottom);
}

// ---------------------------------------------------------------- draw stage

void TCustomAxisPanel::DrawSeriesAndAxes()
{
    DrawWalls();
    if (axisBehind_) {
        BroadcastStage(TChartEventCode::BeforeDrawAxes);
        DrawAxes();
    }
    BroadcastStage(TChartEventCode::BeforeDrawSeries);
    if (ThreadCount > 1) PrepareSeriesInParallel();
    FireBeforeDrawSeries();
    DrawAllSeries();
    BroadcastStage(TChartEventCode::AfterDrawSeries);
    if (!axisBehind_) {
        BroadcastStage(TChartEventCode::BeforeDrawAxes);
        DrawAxes();
    }
}

void TCustomAxisPanel::DrawAxes()
{
    if (!axisVisible_) return;
    TCanvasGroup group(Canvas(), "Axes");
    FireBeforeDrawAxes();
    // The walls draw the top and bottom axes on a visible front plane of a 3D chart; drawn here
    // as well they would show twice, and left out otherwise they would not show at all.
    const bool wallsDrawHorizontal = View3D() && view3DWalls_ && IsPlaneVisible(0);
    for (int a = 0; a < axes_->Count(); ++a) {
        TChartAxis* axis = axes_->GetAxis(a);
        if (!axis->AxisIsVisible) continue;
        if (wallsDrawHorizontal && (axis == bottomAxis_.get() || axis == topAxis_.get())) continue;
        axis->Draw(true);
    }
}

void TCustomAxisPanel::PrepareSeriesInParallel()
{
    const int count = seriesList_->Count();
    bool any = false;
    for (int i = 0; i < count && !any; ++i) {
        const TCustomChartSeries* series = seriesList_->GetSeries(i);
        any = series->Active() && series->CanPrepareInParallel();
    }
    if (!any) return;
    TDuvCPU::RunParallelRange(
        0, count - 1, tpHigher, [this](TObject*, int index) { PrepareSeriesAt(index); }, nullptr, ThreadCount);
}

void TCustomAxisPanel::PrepareSeriesAt(int index)
{
    TCustomChartSeries* series = seriesList_->GetSeries(index);
    if (series->Active() && series->CanPrepareInParallel()) series->DrawAllPointsFast();
}

void TCustomAxisPanel::DrawAllSeries()
{
    TCanvasGroup group(Canvas(), "Series");
    const int count = seriesList_->Count();
    if (count == 0) return;
    const bool forward = Canvas().SupportsFullRotation() || seriesList_->GetSeries(0)->DrawForwardInDepth();
    const int first = forward ? 0 : count - 1, last = forward ? count - 1 : 0, step = forward ? 1 : -1;
    for (int i = first; i != last + step; i += step) {
        if (i >= seriesList_->Count()) break;
        TCustomChartSeries* series = seriesList_->GetSeries(i);
        if (series->Active()) DrawSeries(series);
    }
    // Marks on top come after every series, free of any series' clipping.
    for (int i = first; i != last + step; i += step) {
        if (i >= seriesList_->Count()) break;
        TCustomChartSeries* series = seriesList_->GetSeries(i);
        if (!series->Active() || !series->MarksOnTop()) continue;
        UnclipSeriesArea();
        DrawSeriesMarks(series);
    }
}

bool TCustomAxisPanel::InSameZGroup(const TCustomChartSeries* first, const TCustomChartSeries* other) const
{
    return other->Active() && other->GetEffectiveZOrder() == first->GetEffectiveZOrder();
}

void TCustomAxisPanel::DrawSeries(TCustomChartSeries* series)
{
    if (!Canvas().SupportsFullRotation() && View3D() && series->SharesZOrder()) {
        // The group is drawn by its first member, point index by point index.
        if (series->IsFirstAtZOrder()) DrawSharedZGroup(series, seriesList_->IndexOf(series));
        return;
    }
    series->CalcFirstLastVisible();
    if (series->FirstVisibleIndex == -1) return;
    if (series->UsesAxes() && clipPoints_) ClipSeriesArea();
    series->OutputTitleText();
    const TScopeGuard popTitle([this] { Canvas().PopTransform(); });
    series->FireBeforeDrawValues();
    // The parallel pre-pass has done this already.
    if (ThreadCount <= 1 || !series->CanPrepareInParallel()) series->DrawAllPointsFast();
    series->DrawAllPoints();
    UnclipSeriesArea();
    if (!series->MarksOnTop()) DrawSeriesMarks(series);
    series->FireAfterDrawValues();
}

void TCustomAxisPanel::DrawSharedZGroup(TCustomChartSeries* series, int seriesIndex)
{
    if (seriesIndex < 0) return;
    int first = -1, last = -1;
    for (int i = seriesIndex; i < seriesList_->Count(); ++i) {
        TCustomChartSeries* member = seriesList_->GetSeries(i);
        if (!InSameZGroup(series, member)) continue;
        member->CalcFirstLastVisible();
        if (member->FirstVisibleIndex == -1) continue;
        first = first == -1 ? member->FirstVisibleIndex : std::min(first, member->FirstVisibleIndex);
        last = std::max(last, member->LastVisibleIndex);
        member->FireBeforeDrawValues();
        if (clipPoints_ && !seriesClipped_) ClipSeriesArea();
    }
    if (first != -1) {
        series->GetPointDrawOrder(first, last, pointOrder_, false);
        const bool forward = series->DrawForwardOnAxis();
        const int orderCount = static_cast<int>(pointOrder_.size());
        if (orderCount > 0) {
            for (int k = 0; k < orderCount; ++k)
                DrawPointAcrossGroup(series, seriesIndex, pointOrder_[forward ? k : orderCount - 1 - k]);
        } else if (forward) {
            for (int p = first; p <= last; ++p) DrawPointAcrossGroup(series, seriesIndex, p);
        } else {
            for (int p = last; p >= first; --p) DrawPointAcrossGroup(series, seriesIndex, p);
        }
    }
    UnclipSeriesArea();
    for (int i = seriesIndex; i < seriesList_->Count(); ++i) {
        TCustomChartSeries* member = seriesList_->GetSeries(i);
        if (!InSameZGroup(series, member) || member->FirstVisibleIndex == -1) continue;
        if (!member->MarksOnTop()) DrawSeriesMarks(member);
        member->FireAfterDrawValues();
    }
}

void TCustomAxisPanel::DrawPointAcrossGroup(TCustomChartSeries* first, int firstIndex, int pointIndex)
{
    const int count = seriesList_->Count();
    first->GetMarkDrawOrder(firstIndex, count, seriesOrder_, pointIndex);
    const bool forward = pointIndex < first->GetPointCount() ? first->DrawForwardIn3DView(pointIndex) : true;
    auto visit = [&](int s) {
        if (s < 0 || s >= seriesList_->Count()) return;
        TCustomChartSeries* member = seriesList_->GetSeries(s);
        if (InSameZGroup(first, member) && member->GetPointCount() > pointIndex && !member->HasZValues)
            member->DrawPoint(pointIndex);
    };
    const int orderCount = static_cast<int>(seriesOrder_.size());
    if (orderCount > 0) {
        for (int k = 0; k < orderCount; ++k) visit(seriesOrder_[forward ? k : orderCount - 1 - k]);
    } else if (forward) {
        for (int s = firstIndex; s < count; ++s) visit(s);
    } else {
        for (int s = count - 1; s >= firstIndex; --s) visit(s);
    }
}

void TCustomAxisPanel::DrawSeriesMarks(TCustomChartSeries* series)
{
    if (!series->HasMarks() || series->GetPointCount() == 0 || !series->MarksVisible()) return;
    const bool clip = series->MarksClipped();
    if (clip) ClipSeriesArea();
    {
        TCanvasGroup group(Canvas(), "Marks");
        series->DrawAllMarks();
    }
    if (clip) UnclipSeriesArea();
}

void TCustomAxisPanel::ClipSeriesArea()
{
    if (!ClippingAllowed()) return;
    TRect r = ChartRect;
    --r.Top;
    ++r.Bottom;
    Canvas().ClipCube(r, 0, DepthWidth);
    seriesClipped_ = true;
}

void TCustomAxisPanel::UnclipSeriesArea()
{
    if (!seriesClipped_) return;
    Canvas().Unclip();
    seriesClipped_ = false;
}
