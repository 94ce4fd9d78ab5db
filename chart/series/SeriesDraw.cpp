// Drawing of line, point and area series: segments, stairs, ribbons, bands, areas and pointers.
#include <algorithm>
#include <cmath>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/graphics/CanvasHelpers.h"
#include "chart/series/DuvSpline.h"
#include "chart/series/Series.h"
#include "platform/core/ScopeGuard.h"

namespace {
constexpr int kFarPixel = 32767;

bool RectsMeet(const TRect& a, const TRect& b)
{
    return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

// The segment's bounds, at least one pixel wide and high.
TRect SegmentBounds(int x0, int y0, int x1, int y1)
{
    TRect r = OrientRectValues(x0, y0, x1, y1);
    if (r.Right == r.Left) ++r.Right;
    if (r.Bottom == r.Top) ++r.Bottom;
    return r;
}
}  // namespace

TColor TCustomSeries::AreaColorOf(TColor color) const
{
    return ColorEachPoint() || areaColor_ == clDefault ? color : areaColor_;
}

TPoint TCustomSeries::StairCorner(int x0, int y0, int x1, int y1) const
{
    // Stairs run along the independent axis first; inverted stairs rise first.
    const bool runFirst = Vertical() != invertedStairs_;
    return runFirst ? TPoint{x1, y0} : TPoint{x0, y1};
}

template <class F>
void TCustomSeries::Blended(const TRect& rect, F action)
{
    TCanvas3D& canvas = ParentChart()->Canvas();
    TDuvBlend* blend = Transparency() > 0 ? canvas.BeginBlending(rect, Transparency()) : nullptr;
    action();
    if (blend) canvas.EndBlending(blend);
}

bool TCustomSeries::ApplyHover(int index) { return ApplyHoverPen(index); }

void TCustomSeries::PrepareLinePen(TColor color)
{
    TCanvas3D& canvas = ParentChart()->Canvas();
    if (canvas.GetMonochrome()) color = clWhite;
    if (!Is3D()) {
        canvas.Brush().SetStyle(bsClear);
        canvas.AssignPen(LinePen());
        canvas.Pen().SetColor(color);
        if (!drawArea_ && !pointer_->Visible()) canvas.Pen().SetVisible(true);
        return;
    }
    if (Brush().HasImage())
        canvas.AssignBrushColor(Brush(), color, clWhite);
    else {
        canvas.Brush().SetStyle(LineBrush());
        canvas.Brush().SetColor(color);
    }
    canvas.AssignPen(LinePen());
}

// ---------------------------------------------------------------- far ends

void TCustomSeries::ClipFarEnd(int& a, int& b, int fromA, int fromB)
{
    // a runs along the independent axis; b follows the segment from (fromA, fromB).
    if (a >= -kFarPixel && a <= kFarPixel) return;
    const int limit = a > 0 ? kFarPixel : -kFarPixel;
    if (a != fromA) b = static_cast<int>(std::lround(fromB + (static_cast<double>(b) - fromB) * (limit - fromA) / (a - fromA)));
    a = limit;
    b = std::clamp(b, -kFarPixel, kFarPixel);
}

void TCustomSeries::ClipEnds(int& x0, int& y0, int& x1, int& y1)
{
    const int sx0 = x0, sy0 = y0, sx1 = x1, sy1 = y1;
    if (Vertical()) {
        ClipFarEnd(x0, y0, sx1, sy1);
        ClipFarEnd(x1, y1, sx0, sy0);
    } else {
        ClipFarEnd(y0, x0, sy1, sx1);
        ClipFarEnd(y1, x1, sy0, sx0);
    }
}

// ---------------------------------------------------------------- whole series

void TCustomSeries::PrepareToDraw()
{
    TCustomLineSeries::PrepareToDraw();
    if (!DrawsLine() && !DrawArea()) return;
    if (smoothed_)
        StartSmoothing();
    else if (dataCopy_)
        EndSmoothing();
}

namespace {

void CopyPoints(TChartSeries& from, TChartSeries& to)
{
    const int count = from.PointCount();
    std::vector<double> xs(from.XValues()->Values(), from.XValues()->Values() + count);
    std::vector<double> ys(from.YValues()->Values(), from.YValues()->Values() + count);
    to.XValues()->SetOrder(from.XValues()->Order());
    to.YValues()->SetOrder(from.YValues()->Order());
    to.SuspendUpdates();
    TScopeGuard resume([&to] { to.ResumeUpdates(); });
    to.ClearPoints();
    to.AddXYArrays(xs, ys);
}

}  // namespace

void TCustomSeries::StartSmoothing()
{
    if (!dataCopy_) {
        dataCopy_ = new TCustomSeries(this);
        dataCopy_->SetShowInLegend(false);
        dataCopy_->ShowInEditor = false;
        if (!Vertical()) dataCopy_->MakeHorizontal();
    }
    const bool linked = smoothing_ && Function() == smoothing_ && DataSource() == dataCopy_;
    if (linked && !refresh_) return;
    // New points arrived since the last pass (or none were copied yet): they are the ones to
    // smooth; refilling from the copy does not count as new points.
    if (dataCopy_->PointCount() == 0 || refresh_) CopyPoints(*this, *dataCopy_);
    if (!linked && (!DataSource() || refresh_)) {
        savedSource_ = DataSource();
        savedDataLoaded_ = DataLoaded;
        if (savedSource_) FreeNotification(savedSource_);
        auto* function = new TSmoothingFunction;
        function->SetInterpolate(true);
        function->SetFactor(8);
        SetDataSource(dataCopy_);
        smoothing_ = function;
        SetFunction(function);
    }
    refresh_ = false;
}

void TCustomSeries::EndSmoothing()
{
    TCustomSeries* copy = dataCopy_;
    TComponent* saved = savedSource_;
    dataCopy_ = nullptr;
    savedSource_ = nullptr;
    if (saved) RemoveFreeNotification(saved);
    if (smoothing_ && Function() == smoothing_) SetFunction(nullptr);
    smoothing_ = nullptr;
    if (saved) {
        SetDataSource(saved);
    } else {
        if (DataSource() == copy) SetDataSource(nullptr);
        CopyPoints(*copy, *this);
        // Points read from a chart file are written again.
        DataLoaded = savedDataLoaded_;
    }
    FreeComponent(copy);
    refresh_ = false;
    RequestRepaint();
}

void TCustomSeries::LoadFromSourceSeries(TCustomChartSeries* source)
{
    const bool pending = refresh_;
    TCustomLineSeries::LoadFromSourceSeries(source);
    if (source == dataCopy_) refresh_ = pending;
}

void TCustomSeries::GetChildren(const TGetChildProc& proc, TComponent* root)
{
    // The smoothing machinery is the drawing's own, not part of the chart.
    TCustomLineSeries::GetChildren([&](TComponent* child) {
        if (child != smoothing_ && child != dataCopy_) proc(child);
    }, root);
}

void TCustomSeries::WriteState(TWriter& writer)
{
    if (dataCopy_) EndSmoothing();
    TCustomLineSeries::WriteState(writer);
}

void TCustomSeries::Notification(TComponent* component, TOperation operation)
{
    TCustomLineSeries::Notification(component, operation);
    if (operation != TOperation::opRemove) return;
    if (component == savedSource_) savedSource_ = nullptr;
    if (component == smoothing_) smoothing_ = nullptr;
    if (component == dataCopy_) dataCopy_ = nullptr;
}

void TCustomSeries::DrawAllPointsOnce()
{
    previousIndex_ = -1;
    previousColor_ = clDefault;
    TCustomLineSeries::DrawAllPoints();
}

void TCustomSeries::DrawOutlinePass()
{
    TCustomAxisPanel* chart = ParentChart();
    const bool repaint = chart->AutoRepaint;
    chart->AutoRepaint = false;
    TDuvPen saved;
    saved.Assign(&LinePen());
    const bool pointerVisible = pointer_->Visible();
    TScopeGuard restore([&] {
        LinePen().Assign(&saved);
        pointer_->SetVisible(pointerVisible);
        passColor_ = clNone;
        chart->AutoRepaint = repaint;
    });
    LinePen().SetWidth(2 * outLine_->Width() + saved.Width());
    LinePen().SetColor(outLine_->Color());
    LinePen().SetStyle(outLine_->Style());
    LinePen().SetVisible(true);
    pointer_->SetVisible(false);
    passColor_ = outLine_->Color();
    if (!DrawPolyline()) DrawAllPointsOnce();
}

namespace {

// Moves an axis' pixel range along itself; the conversions follow.
void ShiftAxisPixels(TChartAxis* axis, int delta)
{
    if (!axis || delta == 0) return;
    axis->PixelStart += delta;
    axis->PixelEnd += delta;
    axis->PixelCentre += delta;
    axis->RecalcFactors();
}

}  // namespace

void TCustomSeries::DrawShadowPass(const TDuvShadow& shadow)
{
    if (!shadow.IsActive()) return;
    TCustomAxisPanel* chart = ParentChart();
    // The whole series once more, moved by the shadow's size (the other way for an emboss):
    // every position the axes give, origins included, moves with their pixel ranges.
    const int dx = shadow.OffsetSign() * shadow.HorizSize(), dy = shadow.OffsetSign() * shadow.VertSize();
    TChartAxis* horiz = HorizAxisObject();
    TChartAxis* vert = VertAxisObject();
    const bool repaint = chart->AutoRepaint;
    chart->AutoRepaint = false;
    const bool colorEachLine = colorEachLine_, pointerVisible = pointer_->Visible(), penVisible = LinePen().Visible();
    ShiftAxisPixels(horiz, dx);
    ShiftAxisPixels(vert, dy);
    TScopeGuard restore([&] {
        ShiftAxisPixels(horiz, -dx);
        ShiftAxisPixels(vert, -dy);
        colorEachLine_ = colorEachLine;
        pointer_->SetVisible(pointerVisible);
        LinePen().SetVisible(penVisible);
        passColor_ = clNone;
        chart->AutoRepaint = repaint;
    });
    colorEachLine_ = false;
    pointer_->SetVisible(false);
    LinePen().SetVisible(false);
    passColor_ = shadow.Color();
    if (!DrawPolyline()) DrawAllPointsOnce();
}

void TCustomSeries::DrawAllPoints()
{
    TCustomAxisPanel* chart = ParentChart();
    if (!chart) return;
    outerBounds_ = chart->GetPanelRect();
    TChartAxes& axes = chart->AxesList();
    const bool fast = axes.FastCalculation();
    if (drawLine_) axes.SetFastCalculation(true);
    TScopeGuard restoreFast([&axes, fast] { axes.SetFastCalculation(fast); });
    TScopeGuard endTemplate([this, chart] {
        if (!template_) return;
        template_ = nullptr;
        templateVisual_ = nullptr;
        chart->Canvas().PopTransform();
    });
    if (!BeginTemplate()) {
        DrawShadowPass(*shadow_);
        DrawShadowPass(*emboss_);
        if (OutLineVisible()) DrawOutlinePass();
    }
    if (!Is3D() && drawLine_ && !drawArea_ && !LinePen().Visible()) LinePen().SetVisible(true);
    if (DrawPolyline()) return;
    chart->Canvas().AssignBrush(Brush());
    DrawAllPointsOnce();
}

bool TCustomSeries::BeginTemplate()
{
    TVisualsList* visuals = PeekVisuals();
    if (!visuals || !visuals->Template() || !(drawLine_ || drawArea_)) return false;
    if (FirstVisibleIndex == -1 || LastVisibleIndex == -1) return false;
    TCustomAxisPanel* chart = ParentChart();
    TCanvas3D& canvas = chart->Canvas();
    template_ = visuals->Template();
    templateVisual_ = dynamic_cast<TSeriesVisual*>(template_);
    int left, top, right, bottom, unused;
    DrawnPosition(FirstVisibleIndex, left, unused);
    DrawnPosition(LastVisibleIndex, right, unused);
    TChartValueList* values = MandatoryList();
    top = ValueToScreenMandatory(values->GetMaximum());
    bottom = ValueToScreenMandatory(values->GetMinimum());
    if (!Vertical()) {
        DrawnPosition(FirstVisibleIndex, unused, top);
        DrawnPosition(LastVisibleIndex, unused, bottom);
        left = ValueToScreenMandatory(values->GetMinimum());
        right = ValueToScreenMandatory(values->GetMaximum());
    }
    const TRect box{left, top, right, bottom};
    templateBox_ = {};
    SetBoxTransform(templateBox_, box, static_cast<float>(chart->Height()), static_cast<float>(EndZ),
                    static_cast<float>(StartZ));
    canvas.PushTransform(Name(), &templateBox_, template_);
    if (templateVisual_) {
        templateVisual_->FormatVisual(box, StartZ, EndZ, Pen(), Brush(), Transparency(), GetSeriesColor());
        templateVisual_->DrawVisual(canvas);
    }
    return true;
}

void TCustomSeries::TemplatePoint(int index, int x, int y)
{
    if (!templateVisual_) return;
    TColor color = StoredPointColor(index);
    if (color == clDefault) color = ColorEachPoint() ? GetPointColor(index) : clDefault;
    TCustomAxisPanel* chart = ParentChart();
    templateVisual_->VisualPoint(chart->Canvas(), color, x, chart->Height() - y);
}

void TCustomSeries::DrawPointerVisual(int index, int x, int y, const TSeriesPointer& pointer, TColor color)
{
    TVisualsList* visuals = PeekVisuals();
    if (!visuals) return;
    auto* visual = dynamic_cast<TSeriesVisual*>(visuals->GetVisual(index));
    if (!visual) return;
    const int h = pointer.HorizSize(), v = pointer.VertSize();
    visual->FormatVisual({x - h, y - v, x + h, y + v}, pointer.StartZ(), pointer.EndZ(), Pen(), Brush(), Transparency(), color);
    visual->DrawVisual(ParentChart()->Canvas());
}

bool TCustomSeries::DrawPolyline()
{
    if (Is3D() || drawStyle_ == dsSegments || !(drawLine_ || drawArea_) || (ColorEachPoint() && colorEachLine_))
        return false;
    TCustomAxisPanel* chart = ParentChart();
    TCanvas3D& canvas = chart->Canvas();
    const int count = PointCount();
    int first = FirstIndexInDrawOrder(), last = LastIndexInDrawOrder();
    if (first == -1 || last == -1) return true;
    const bool forward = first <= last;
    const int step = forward ? 1 : -1;
    double rest = 0;
    if (DrawFraction < 1 && forward) {
        const double share = count * static_cast<double>(DrawFraction);
        last = std::max(first, std::min(static_cast<int>(share), count - 1));
        if (last < count - 1) rest = share - std::trunc(share);
    }
    const int start = (forward ? first > 0 : first < count - 1) ? first - step : first;
    std::vector<int> indexes;
    for (int i = start; forward ? i <= last : i >= last; i += step)
        if (TreatNulls() == tnIgnore || !IsNullPoint(i)) indexes.push_back(i);
    if (indexes.empty()) return true;

    TPointArray points;
    points.reserve(indexes.size() * 2 + 3);
    for (std::size_t k = 0; k < indexes.size(); ++k) {
        int x, y;
        DrawnPosition(indexes[k], x, y);
        if (k > 0 && stairs_) points.push_back(StairCorner(points.back().X, points.back().Y, x, y));
        points.push_back({x, y});
    }
    TPoint extra;
    const bool hasExtra = rest > 0 && last + 1 < count;
    if (hasExtra) {
        int x1, y1;
        DrawnPosition(last + 1, x1, y1);
        const TPoint& p = points.back();
        extra = {p.X + static_cast<int>(std::lround((x1 - p.X) * rest)), p.Y + static_cast<int>(std::lround((y1 - p.Y) * rest))};
        points.push_back(extra);
    }

    auto pointers = [&] {
        for (int index : indexes) {
            if (index == start && start != first) continue;
            int x, y;
            DrawnPosition(index, x, y);
            DrawPointerAt(x, y, index, GetPointColor(index));
        }
    };
    if (pointerBehind_) pointers();
    const TColor color = passColor_ != clNone ? passColor_ : GetSeriesColor();
    Blended(PolygonBounds(points.data(), static_cast<int>(points.size())), [&] {
        if (drawArea_) {
            canvas.AssignPen(LinePen());
            canvas.Pen().SetColor(color);
            const TColor back = AreaChartBrush().Color() == clDefault ? GetSeriesColor() : AreaChartBrush().Color();
            chart->ApplyBrush(passColor_ != clNone ? passColor_ : AreaColorOf(color), AreaChartBrush(), back);
            const int origin = GetOriginPos(indexes.back());
            TPointArray polygon = points;
            if (Vertical()) {
                polygon.push_back({points.back().X, origin});
                polygon.push_back({points.front().X, origin});
            } else {
                polygon.push_back({origin, points.back().Y});
                polygon.push_back({origin, points.front().Y});
            }
            canvas.PolygonOrPolyline(polygon, true, StartZ, drawStyle_ == dsCurve ? 0.5 : 0);
            if (areaLinesPen_->Visible()) {
                canvas.AssignPen(*areaLinesPen_);
                for (std::size_t k = 1; k < indexes.size(); ++k) {
                    int x, y;
                    DrawnPosition(indexes[k], x, y);
                    const int o = GetOriginPos(indexes[k]);
                    if (Vertical())
                        canvas.Line(x, y, x, o);
                    else
                        canvas.Line(x, y, o, y);
                }
            }
            return;
        }
        PrepareLinePen(color);
        if (drawStyle_ == dsCurve)
            canvas.PolygonOrPolyline(points, false, StartZ, 0.5);
        else
            canvas.Polyline(points);
    });
    if (!pointerBehind_) pointers();
    if (template_)
        for (std::size_t k = 0; k < indexes.size(); ++k) {
            if (indexes[k] == start && start != first) continue;
            TemplatePoint(indexes[k], points[stairs_ ? 2 * k : k].X, points[stairs_ ? 2 * k : k].Y);
        }
    if (hasExtra && pointer_->Visible()) {
        // The point still moving in fades in with the share of its segment drawn.
        const auto alpha = static_cast<std::uint32_t>(255 - std::lround(rest * 255));
        const TColor fading = (GetPointColor(last + 1) & 0x00FFFFFF) | (alpha << 24);
        DrawPointerAt(extra.X, extra.Y, last + 1, fading);
    }
    return true;
}

// ---------------------------------------------------------------- one point

void TCustomSeries::PlaceNullPoint(int index, int& x, int& y)
{
    if (TreatNulls() != tnSkip || !IsNullPoint(index)) return;
    if (previousIndex_ != -1) {
        x = previous_.X;
        y = previous_.Y;
        return;
    }
    for (int j = index + 1; j < PointCount(); ++j)
        if (!IsNullPoint(j)) {
            DrawnPosition(j, x, y);
            return;
        }
}

void TCustomSeries::DrawPoint(int index)
{
    TCustomAxisPanel* chart = ParentChart();
    TCanvas3D& canvas = chart->Canvas();
    const int count = PointCount();
    if (index == FirstIndexInDrawOrder()) {
        previousIndex_ = -1;
        previousColor_ = clDefault;
    }
    const bool againstAxis = !DrawForwardOnAxis();
    TColor color = GetPointColor(againstAxis && drawArea_ && index + 1 < count ? index + 1 : index);
    const TColor ownColor = GetPointColor(index);
    int x, y;
    DrawnPosition(index, x, y);
    PlaceNullPoint(index, x, y);
    if (previousColor_ == clNone && TreatNulls() == tnDontPaint) previous_ = {x, y, previous_.Origin};
    origin_ = GetOriginPos(index);
    canvas.Brush().SetColor(color);
    const bool fullRotation = canvas.SupportsFullRotation();
    const bool isFirst = index == FirstIndexInDrawOrder();
    const bool isLast = index == LastIndexInDrawOrder();
    if (isFirst) {
        if (dark3D_ && !template_)
            depthSlope_ = chart->DepthWidth == 0 ? 1 : std::abs(static_cast<double>(chart->DepthHeight) / chart->DepthWidth);
        if (index == FirstVisibleIndex && index != 0 && !againstAxis) DrawEnteringSegment(index, x, y);
        if (fullRotation || isLast) DrawOwnPointer(index, x, y, color);
        if (fullRotation && drawArea_ && Is3D() && !template_) {
            if (Vertical())
                canvas.PlaneAtX(x, y, origin_, StartZ, EndZ);
            else
                canvas.PlaneAtY(origin_, y, x, StartZ, EndZ);
        }
    } else if (isLast) {
        DrawSegment(index, x, y, color, !fullRotation);
        if (againstAxis && index == FirstVisibleIndex && index != 0) DrawEnteringSegment(index, x, y);
        DrawOwnPointer(index, x, y, color);
    } else {
        DrawSegment(index, x, y, color, !fullRotation);
        if (fullRotation) DrawOwnPointer(index, x, y, color);
    }
    if (template_ && (TreatNulls() == tnIgnore || !IsNullPoint(index))) {
        if (stairs_ && Is3D() && previousIndex_ != -1) {
            const TPoint corner = StairCorner(previous_.X, previous_.Y, x, y);
            TemplatePoint(index, corner.X, corner.Y);
        }
        TemplatePoint(index, x, y);
    }
    previous_ = {x, y, origin_};
    previousColor_ = ownColor;
    previousIndex_ = index;
}

void TCustomSeries::DrawEnteringSegment(int index, int x, int y)
{
    TCustomAxisPanel* chart = ParentChart();
    const int from = index - 1;
    int ax, ay;
    DrawnPosition(from, ax, ay);
    if (drawArea_) {
        previous_ = {ax, ay, GetOriginPos(from)};
    } else if (Vertical()) {
        const bool inverted = HorizAxisObject()->Inverted();
        const int edge = inverted ? chart->ChartRect.Right : chart->ChartRect.Left;
        int edgeY = ay;
        if (!stairs_ && x != ax) edgeY = static_cast<int>(std::lround(ay + (static_cast<double>(y) - ay) * (edge - ax) / (x - ax)));
        previous_ = {edge, edgeY, origin_};
    } else {
        const bool inverted = VertAxisObject()->Inverted();
        const int edge = inverted ? chart->ChartRect.Bottom : chart->ChartRect.Top;
        int edgeX = ax;
        if (!stairs_ && y != ay) edgeX = static_cast<int>(std::lround(ax + (static_cast<double>(x) - ax) * (edge - ay) / (y - ay)));
        previous_ = {edgeX, edge, origin_};
    }
    previousColor_ = GetPointColor(from);
    previousIndex_ = from;
    if (!IsNullPoint(from)) DrawSegment(index, x, y, GetPointColor(index), false);
}

void TCustomSeries::DrawSegmentPointer(TColor color)
{
    if (previousIndex_ == -1) return;
    TColor pointerColor = previousColor_;
    if (previousColor_ == clNone) {
        if (TreatNulls() == tnDontPaint) return;
        pointerColor = color;
    }
    DrawPointerAt(previous_.X, previous_.Y, previousIndex_, pointerColor);
}

void TCustomSeries::DrawOwnPointer(int index, int x, int y, TColor color)
{
    if (IsNullPoint(index)) {
        if (TreatNulls() == tnDontPaint || index + 1 >= PointCount()) return;
        color = GetPointColor(index + 1);
    }
    DrawPointerAt(x, y, index, color);
}

void TCustomSeries::DrawSegment(int index, int x, int y, TColor color, bool withPointers)
{
    if (withPointers && pointerBehind_) DrawSegmentPointer(color);
    const bool moved = x != previous_.X || y != previous_.Y;
    if (moved && (TreatNulls() == tnIgnore || !IsNullPoint(index))) {
        if (Is3D() && (drawLine_ || drawArea_) && !template_) DrawRibbon(index, x, y, color);
        if (drawArea_)
            DrawAreaPiece(index, x, y, origin_, color);
        else if (!Is3D() && drawLine_)
            DrawLine2D(index, x, y, color);
    }
    if (withPointers && !pointerBehind_) DrawSegmentPointer(color);
}

void TCustomSeries::DrawRibbon(int index, int x, int y, TColor color)
{
    TCustomAxisPanel* chart = ParentChart();
    TCanvas3D& canvas = chart->Canvas();
    TColor fill = GetSeriesColor();
    if (colorEachLine_ || drawArea_) {
        const TColor brushColor = Brush().Color();
        fill = AreaColorOf(brushColor != clDefault ? brushColor : color);
    }
    if (passColor_ != clNone) fill = passColor_;
    if (Brush().HasImage())
        canvas.AssignBrushColor(Brush(), fill, clWhite);
    else {
        canvas.Brush().SetColor(fill);
        canvas.Brush().SetStyle(LineBrush());
    }
    if (!ApplyHover(previousIndex_)) canvas.AssignPen(LinePen());
    const TPoint from{previous_.X, previous_.Y}, to{x, y};
    if (stairs_) {
        const TPoint corner = StairCorner(from.X, from.Y, to.X, to.Y);
        auto plane = [&](const TPoint& a, const TPoint& b, bool rise) {
            const TColor face = rise && dark3D_ ? DarkenColor(fill, 64) : fill;
            chart->ApplyBrush(face, Brush(), Brush().BackColor());
            canvas.PlaneWithZ(a, b, StartZ, EndZ);
        };
        const bool runFirst = corner.Y == from.Y;
        plane(from, corner, !runFirst);
        plane(corner, to, runFirst);
        return;
    }
    if (lineHeight_ > 0 && !drawArea_) {
        Blended(SegmentBounds(from.X, from.Y, to.X, to.Y + lineHeight_), [&] {
            canvas.PlaneFour3D(from, to, {to.X, to.Y + lineHeight_}, {from.X, from.Y + lineHeight_}, StartZ);
            if (index == LastIndexInDrawOrder()) canvas.PlaneAtX(x, y, y + lineHeight_, StartZ, EndZ);
        });
    }
    TColor face = fill;
    if (dark3D_ && !canvas.SupportsFullRotation() && x != from.X && depthSlope_ != 0 &&
        static_cast<double>(from.Y - y) / (x - from.X) > depthSlope_)
        face = DarkenColor(fill, 64);
    if (canvas.GetMonochrome()) face = clWhite;
    const TColor savedColor = canvas.Brush().Color();
    TRect bounds;
    canvas.ProjectedBounds(SegmentBounds(from.X, from.Y, to.X, to.Y), StartZ, bounds);
    InflateRectBy(bounds, LinePen().Width(), LinePen().Width());
    Blended(bounds, [&] {
        chart->ApplyBrush(face, Brush(), Brush().BackColor());
        canvas.PlaneWithZ(from, to, StartZ, EndZ);
    });
    canvas.Brush().SetColor(savedColor);
}

void TCustomSeries::DrawLine2D(int index, int x, int y, TColor color)
{
    (void)index;
    TCustomAxisPanel* chart = ParentChart();
    TCanvas3D& canvas = chart->Canvas();
    TColor segment = color;
    if (!colorEachLine_ && LinePen().Color() != GetSeriesColor()) segment = LinePen().Color();
    if (!RectsMeet(SegmentBounds(previous_.X, previous_.Y, x, y), outerBounds_)) return;
    int x0 = previous_.X, y0 = previous_.Y;
    ClipEnds(x0, y0, x, y);
    if (!ApplyHover(previousIndex_)) {
        TColor penColor = (ColorEachPoint() && !pointer_->Visible()) || colorEachLine_ ? segment : GetSeriesColor();
        if (passColor_ != clNone) penColor = passColor_;
        PrepareLinePen(penColor);
    }
    TRect bounds = SegmentBounds(x0, y0, x, y);
    InflateRectBy(bounds, LinePen().Width(), LinePen().Width());
    Blended(bounds, [&] {
        canvas.MoveTo(x0, y0);
        if (stairs_) {
            const TPoint corner = StairCorner(x0, y0, x, y);
            canvas.LineTo(corner.X, corner.Y);
        }
        canvas.LineTo(x, y);
    });
}

void TCustomSeries::DrawAreaPiece(int index, int x, int y, int origin, TColor color)
{
    TCustomAxisPanel* chart = ParentChart();
    TCanvas3D& canvas = chart->Canvas();
    const TColor back = AreaChartBrush().BackColor();
    const TColor fill = passColor_ != clNone ? passColor_ : AreaColorOf(back == clDefault ? color : back);
    const bool hovered = ApplyHover(previousIndex_);
    if (!hovered) {
        canvas.AssignPen(*areaLinesPen_);
        if (areaLinesPen_->Color() == clDefault || !areaLinesPen_->Visible()) canvas.Pen().SetColor(color);
        if (passColor_ != clNone) canvas.Pen().SetColor(passColor_);
    }
    int x0 = previous_.X, y0 = previous_.Y;
    ClipEnds(x0, y0, x, y);
    TColor brushColor = AreaChartBrush().Color() == clDefault ? GetSeriesColor() : AreaChartBrush().Color();
    if (AreaChartBrush().HasImage() && brushColor == fill) brushColor = clWhite;
    chart->ApplyBrush(fill, AreaChartBrush(), brushColor);
    const bool vertical = Vertical();
    const bool in3D = Is3D();
    // A point on the origin line across from (px, py).
    auto onOrigin = [&](int px, int py, int o) { return vertical ? TPoint{px, o} : TPoint{o, py}; };
    const int count = PointCount();
    if (in3D) {
        const bool closes = index == LastIndexInDrawOrder() ||
                            (TreatNulls() == tnDontPaint && ((index + 1 < count && IsNullPoint(index + 1)) || previousColor_ == clNone));
        if (closes) {
            const TColor savedColor = canvas.Brush().Color();
            if (dark3D_) canvas.Brush().SetColor(DarkenColor(fill, 64));
            if (vertical)
                canvas.PlaneAtX(x, y, origin, StartZ, EndZ);
            else
                canvas.PlaneAtY(origin, y, x, StartZ, EndZ);
            canvas.Brush().SetColor(savedColor);
        }
    }
    TPointArray piece;
    if (stairs_) {
        const TPoint corner = StairCorner(x0, y0, x, y);
        const TPoint level = invertedStairs_ ? TPoint{x, y} : TPoint{x0, y0};
        const int o = previous_.Origin;
        piece = vertical ? TPointArray{{x0, o}, {x0, level.Y}, {x, level.Y}, {x, o}}
                         : TPointArray{{o, y0}, {level.X, y0}, {level.X, y}, {o, y}};
        if (in3D)
            canvas.PolygonWithZ(piece, StartZ);
        else
            canvas.Polygon(piece);
        if (LinePen().Visible() || hovered) {
            if (!hovered) canvas.AssignPen(LinePen());
            if (in3D) {
                canvas.LineWithZ(x0, y0, corner.X, corner.Y, StartZ);
                canvas.LineWithZ(corner.X, corner.Y, x, y, StartZ);
            } else {
                canvas.MoveTo(x0, y0);
                canvas.LineTo(corner.X, corner.Y);
                canvas.LineTo(x, y);
            }
        }
        return;
    }
    piece = {onOrigin(x0, y0, previous_.Origin), {x0, y0}, {x, y}, onOrigin(x, y, origin)};
    if (in3D) {
        const int rotation = chart->View3DOptions().Rotation();
        const int z = rotation < 91 || rotation > 269 ? StartZ : EndZ;
        canvas.PlaneFour3D(piece[0], piece[1], piece[2], piece[3], z);
        if (canvas.SupportsFullRotation()) canvas.PlaneFour3D(piece[0], piece[1], piece[2], piece[3], EndZ);
    } else {
        canvas.Polygon(piece);
    }
    if (LinePen().Visible() || hovered) {
        if (!hovered) canvas.AssignPen(LinePen());
        if (in3D)
            canvas.LineWithZ(x0, y0, x, y, StartZ);
        else
            canvas.Line(x0, y0, x, y);
    }
}

void TCustomSeries::DrawPointerAt(int x, int y, int index, TColor color)
{
    TSeriesPointer& pointer = pointer_->ItemOrSelf(index);
    if (!pointer.Visible()) return;
    TCanvas3D& canvas = ParentChart()->Canvas();
    if (pointer.Brush().Color() != clDefault && pointer.Brush().Style() != bsClear) color = pointer.Brush().Color();
    pointer.PreparePen(canvas, color);
    ApplyHover(index);
    const TSeriesPointerStyle style = PointerStyleOf(index);
    if (OnGetPointerStyle) pointer.PreparePen(canvas, color);
    canvas.PushTransform("SeriesPointer", pointer.Transform(), nullptr);
    if (style == psVisual)
        DrawPointerVisual(index, x, y, pointer, color);
    else
        pointer.DrawStyled(canvas, Is3D(), x, y, pointer.HorizSize(), pointer.VertSize(), color, style);
    canvas.PopTransform();
}

void TCustomSeries::DrawPointShape(int index, int gap, double breakStart, double breakEnd, const TChartAxis* axis)
{
    TCanvas3D& canvas = ParentChart()->Canvas();
    int x, y;
    DrawnPosition(index, x, y);
    const int shift = gap / 2;
    const int at = axis->CalcPosValue(breakStart);
    // Towards the larger values: right, or up, on an axis that is not inverted.
    const int sign = (axis->Horizontal() ? 1 : -1) * (axis->Inverted() ? -1 : 1);
    if (axis->Horizontal())
        x = at + sign * shift;
    else
        y = at + sign * shift;
    canvas.AssignPen(LinePen());
    if (!axis->Horizontal() && previousIndex_ != -1) {
        const double value = YValues()->GetValueAt(previousIndex_);
        if (value >= breakStart && value <= breakEnd) canvas.Pen().SetStyle(psClear);
    }
    if (previousIndex_ != -1) canvas.Line(previous_.X, previous_.Y, x, y);
    if (pointer_->Visible() && previousIndex_ != -1) {
        if (previousColor_ != clNone)
            DrawPointerAt(previous_.X, previous_.Y, previousIndex_, previousColor_);
        else if (TreatNulls() != tnDontPaint)
            DrawPointerAt(previous_.X, previous_.Y, previousIndex_, canvas.Brush().Color());
    }
    previous_.X = x;
    previous_.Y = y;
}
