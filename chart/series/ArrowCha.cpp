#include "chart/series/ArrowCha.h"

#include <algorithm>
#include <cmath>

#include "chart/engine/ChartRegistry.h"
#include "chart/engine/DuvProcs.h"
#include "chart/graphics/CanvasHelpers.h"
#include "chart/graphics/DuvConst.h"
#include "platform/core/NumText.h"
#include "platform/core/ScopeGuard.h"

namespace {
// An arrow answers clicks this close to its shaft or head sides in flat charts.
constexpr int kArrowClickTolerance = 3;

// A random draw's range from a span of values, within the generator's integer range.
int SampleSpan(double span)
{
    if (!(std::fabs(span) < 2147483647.0)) return span > 0 ? 2147483647 : 0;
    return static_cast<int>(Rnd(span));
}
constexpr double kFarPixel = 32767;

bool OnScreenRange(const TPoint& p) { return std::abs(p.X) <= kFarPixel && std::abs(p.Y) <= kFarPixel; }

// Moves the ends of a-b that lie beyond the screen coordinate range onto its edge, along the
// segment; false when the segment misses the range.
bool ClipToScreenRange(TPoint& a, TPoint& b)
{
    if (OnScreenRange(a) && OnScreenRange(b)) return true;
    const double ax = a.X, ay = a.Y, dx = double(b.X) - ax, dy = double(b.Y) - ay;
    double t0 = 0, t1 = 1;
    // Keeps the part where p * t <= q.
    auto keep = [&](double p, double q) {
        if (p == 0) return q >= 0;
        const double t = q / p;
        if (p < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        return t0 <= t1;
    };
    if (!keep(-dx, ax + kFarPixel) || !keep(dx, kFarPixel - ax) || !keep(-dy, ay + kFarPixel) ||
        !keep(dy, kFarPixel - ay))
        return false;
    auto at = [&](double t) { return TPoint{static_cast<int>(std::lround(ax + t * dx)), static_cast<int>(std::lround(ay + t * dy))}; };
    const TPoint from = at(t0), to = at(t1);
    a = from;
    b = to;
    return true;
}
}  // namespace

bool PointNearSegment(const TPoint& p, const TPoint& a, const TPoint& b, int tolerance)
{
    const double px = p.X, py = p.Y, ax = a.X, ay = a.Y, dx = double(b.X) - ax, dy = double(b.Y) - ay;
    const double length2 = dx * dx + dy * dy;
    const double t = length2 == 0 ? 0 : std::clamp(((px - ax) * dx + (py - ay) * dy) / length2, 0.0, 1.0);
    return std::hypot(px - (ax + t * dx), py - (ay + t * dy)) <= tolerance + 0.5;
}

TArrowSeries::TArrowSeries(TComponent* owner)
    : TPointSeries(owner),
      endXValues_(new TChartValueList(this, DuvMsgValuesArrowEndX)),
      endYValues_(new TChartValueList(this, DuvMsgValuesArrowEndY))
{
    XValues()->SetDateTimeDefault(true);
    endXValues_->SetDateTimeDefault(true);
    ComputeVisiblePoints = false;
    Pointer().InitInflateMargins(false);
    Marks().Frame()->InitVisible(false);
    Marks().SetDefaultTransparent(true);
}

void TArrowSeries::DeclareProperties(TPropertyDeclarer<TArrowSeries>& p)
{
    using A = TArrowSeries;
    // The head sizes live in the pointer, the start lists are X and Y: each is stored there.
    p.Integer("ArrowHeight", &A::ArrowHeight, &A::SetArrowHeight).NotStored();
    p.Integer("ArrowPercent", &A::ArrowPercent, &A::SetArrowPercent).Default(50);
    p.Integer("ArrowWidth", &A::ArrowWidth, &A::SetArrowWidth).NotStored();
    p.Object("EndXValues", &A::EndXValues, &A::SetEndXValues);
    p.Object("EndYValues", &A::EndYValues, &A::SetEndYValues);
    p.Boolean("Fill2D", &A::Fill2D, &A::SetFill2D).Default(false);
    p.Object("StartXValues", &A::StartXValues, &A::SetStartXValues).NotStored();
    p.Object("StartYValues", &A::StartYValues, &A::SetStartYValues).NotStored();
}

int TArrowSeries::AddArrow(double x0, double y0, double x1, double y1, const std::string& label, TColor color)
{
    endXValues_->PendingValue = x1;
    endYValues_->PendingValue = y1;
    return AddPointXY(x0, y0, label, color);
}

void TArrowSeries::ArrowEnds(int index, TPoint& start, TPoint& end)
{
    start = {GetPointScreenX(index), GetPointScreenY(index)};
    end = {ValueToScreenX(endXValues_->GetValueAt(index)), ValueToScreenY(endYValues_->GetValueAt(index))};
}

bool TArrowSeries::DrawsFilled() const { return fill2D_ || (ParentChart() && ParentChart()->View3D()); }

void TArrowSeries::DrawPoint(int index)
{
    const TColor color = GetPointColor(index);
    if (color == clNone) return;
    TCanvas3D& canvas = ParentChart()->Canvas();
    const bool filled = DrawsFilled();
    if (filled)
        Pointer().PreparePen(canvas, color);
    else
        canvas.AssignPenColor(Pointer().Pen(), color);
    ApplyHoverPen(index);
    TPoint start, end;
    ArrowEnds(index, start, end);
    if (!ClipToScreenRange(start, end)) return;
    TDuvBlend* blend = nullptr;
    if (Transparency() > 0) {
        TRect area;
        if (!canvas.NativeBlending) {
            TPointArray outline;
            canvas.CalcArrowPoints3D(start, end, outline, MiddleZ, ArrowHeight(), ArrowWidth(), arrowPercent_);
            area = outline.empty() ? TRect{start.X, start.Y, start.X, start.Y}
                                   : PolygonBounds(outline.data(), static_cast<int>(outline.size()));
            ++area.Right;
            ++area.Bottom;
        }
        blend = canvas.BeginBlending(area, Transparency());
    }
    const TScopeGuard endBlend([&] {
        if (blend) canvas.EndBlending(blend);
    });
    canvas.Arrow3D(filled, start, end, ArrowWidth(), ArrowHeight(), StartZ, EndZ, arrowPercent_);
}

int TArrowSeries::PointAtScreen(int x, int y)
{
    TCustomAxisPanel* chart = ParentChart();
    if (!chart) return -1;
    TCanvas3D& canvas = chart->Canvas();
    const bool in3D = chart->View3D();
    const TPoint p{x, y};
    for (int i = 0; i < PointCount(); ++i) {
        TPoint start, end;
        ArrowEnds(i, start, end);
        if (!ClipToScreenRange(start, end)) continue;
        TPointArray outline;
        if (in3D) {
            canvas.CalcArrowPoints3D(start, end, outline, MiddleZ, ArrowHeight(), ArrowWidth(), arrowPercent_);
            if (PointInsidePolygon(p, outline, static_cast<int>(outline.size()) - 1)) return i;
            continue;
        }
        if (PointNearSegment(p, start, end, kArrowClickTolerance)) return i;
        CalcArrowPoints(start, end, outline, ArrowWidth(), ArrowHeight(), static_cast<float>(arrowPercent_));
        if (outline.size() == 7 && (PointNearSegment(p, end, outline[5], kArrowClickTolerance) ||
                                    PointNearSegment(p, end, outline[3], kArrowClickTolerance)))
            return i;
    }
    return -1;
}

double TArrowSeries::MaxXValue() { return std::max(TPointSeries::MaxXValue(), endXValues_->GetMaximum()); }
double TArrowSeries::MinXValue() { return std::min(TPointSeries::MinXValue(), endXValues_->GetMinimum()); }
double TArrowSeries::MaxYValue() { return std::max(TPointSeries::MaxYValue(), endYValues_->GetMaximum()); }
double TArrowSeries::MinYValue() { return std::min(TPointSeries::MinYValue(), endYValues_->GetMinimum()); }

void TArrowSeries::AssignFormat(const TCustomChartSeries* source)
{
    if (const auto* other = dynamic_cast<const TArrowSeries*>(source)) {
        arrowPercent_ = other->arrowPercent_;
        fill2D_ = other->fill2D_;
    }
    TPointSeries::AssignFormat(source);
}

bool TArrowSeries::AcceptsSourceSeries(const TChartSeries* source) const
{
    return dynamic_cast<const TArrowSeries*>(source) && TPointSeries::AcceptsSourceSeries(source);
}

void TArrowSeries::SetGalleryLook()
{
    TPointSeries::SetGalleryLook();
    FillSampleValues(3);
    SetArrowWidth(12);
    SetArrowHeight(12);
}

void TArrowSeries::AddRandomSamples(int count, bool)
{
    const TSampleRanges ranges = SampleValueRanges(count);
    const int c = SampleSpan(count * ranges.XStep);
    const int r = SampleSpan(ranges.YRange);
    for (int i = 0; i < count; ++i) {
        const double x0 = ranges.StartX + RandomInt(c);
        const double y0 = ranges.MinY + RandomInt(r);
        const double x1 = x0 + RandomInt(c);
        const double y1 = y0 + RandomInt(r);
        AddArrow(x0, y0, x1, y1);
    }
}

void ArrowChaInitialization()
{
    RegisterClassForStreaming(TArrowSeries::StaticClass());
    RegisterSeriesType(&TArrowSeries::StaticClass(), &DuvMsgGalleryArrow, &DuvMsgGalleryExtended, 2);
}
