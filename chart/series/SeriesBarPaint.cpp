// Turning one bar into pixels: the per-point sequence (shadow, emboss, blending), the bar pen
// and brush, the flat rectangle with its pen rules and rounded ends, relative gradients,
// bevels, tick lines, the legend symbol, marks on bars and the shared hit tests.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/graphics/CanvasHelpers.h"
#include "chart/graphics/DuvCorners.h"
#include "chart/series/RuRazaziCallout.h"
#include "chart/series/SeriesBar.h"
#include "platform/core/NumText.h"
#include "platform/core/ScopeGuard.h"

namespace {

bool IsStackedKind(TMultiBar kind) { return kind == mbStacked || kind == mbStacked100 || kind == mbSelfStack; }

bool IsFlatStyle(TBarStyle style)
{
    return style == bsRectangle || style == bsRectGradient || style == bsBevel;
}
}  // namespace

TCanvas3D& TCustomBarSeries::ChartCanvas() const { return ParentChart()->Canvas(); }

// ---------------------------------------------------------------- one point

void TCustomBarSeries::DrawPoint(int index)
{
    if (!ParentChart()) return;
    BarColor = GetPointColor(index);
    if (BarColor == clNone) return;
    CalcBarBounds(index, BarBounds);
    if (IsStackedKind(multiBar_) && GetMandatoryValue(index) == 0) return;
    DrawBarShadow(index, *shadow_);
    DrawBarShadow(index, *emboss_);
    DrawBarBlended(index, Transparency());
}

// ---------------------------------------------------------------- many thin bars

bool TCustomBarSeries::CanMergeThinBars()
{
    TCustomAxisPanel* chart = ParentChart();
    if (!chart || chart->View3D() || OnGetBarStyle || barStyle_ != bsRectangle) return false;
    if (Brush().Style() != bsSolid || Brush().HasGradient() || Brush().HasImage() || Transparency() > 0) return false;
    if (shadow_->IsActive() || emboss_->IsActive() || (tickLines_ && tickLines_->Visible())) return false;
    if (Pen().Width() > 1 || HoverEnabled()) return false;
    TVisualsList* visuals = Visuals();
    return !visuals->Template() && visuals->Count() == 0;
}

// What BarRectangle paints in the brush colour alone: a line for a bar of no width, the outline
// of a bar no wider than its one-pixel pen when that outline leaves no inside (the rectangle is
// drawn to its right and bottom edges less one, so a reversed one covers a pixel more).
bool TCustomBarSeries::IsSolidThinBar(const TRect& r) const
{
    const bool vertical = YMandatory();
    const int near = vertical ? r.Left : r.Top, far = vertical ? r.Right : r.Bottom;
    const int along = vertical ? r.Bottom - r.Top : r.Right - r.Left;
    if (along == 0) return false;
    if (near == far) return true;
    return Pen().Visible() && Pen().Width() == 1 && std::abs(far - near) <= 1 && std::abs(far - 1 - near) <= 1;
}

void TCustomBarSeries::DrawAllPoints()
{
    if (!CanMergeThinBars()) {
        TChartSeries::DrawAllPoints();
        return;
    }
    // Bars of one colour in one pixel column whose pieces overlap paint the same pixels as one
    // bar over their union: with hundreds of bars to a column that saves nearly all the work.
    const bool vertical = YMandatory();
    TRect group;
    TColor groupColor = clNone;
    int groupIndex = -1;
    auto flush = [&] {
        if (groupIndex < 0) return;
        BarColor = groupColor;
        BarBounds = group;
        DrawBarBlended(groupIndex, 0);
        groupIndex = -1;
    };
    auto joins = [&](const TRect& r) {
        if (vertical) {
            if (r.Left != group.Left || r.Right != group.Right) return false;
            if ((r.Bottom > r.Top) != (group.Bottom > group.Top)) return false;
            return std::max(r.Top, r.Bottom) >= std::min(group.Top, group.Bottom) &&
                   std::min(r.Top, r.Bottom) <= std::max(group.Top, group.Bottom);
        }
        if (r.Top != group.Top || r.Bottom != group.Bottom) return false;
        if ((r.Right > r.Left) != (group.Right > group.Left)) return false;
        return std::max(r.Left, r.Right) >= std::min(group.Left, group.Right) &&
               std::min(r.Left, r.Right) <= std::max(group.Left, group.Right);
    };
    auto extend = [&](int& from, int& to, int otherFrom, int otherTo) {
        if (to >= from) {
            from = std::min(from, otherFrom);
            to = std::max(to, otherTo);
        } else {
            from = std::max(from, otherFrom);
            to = std::min(to, otherTo);
        }
    };
    TRect r;
    VisitPointsInDrawOrder(true, [&](int index) {
        const TColor color = GetPointColor(index);
        if (color == clNone) return;
        CalcBarBounds(index, r);
        if (IsStackedKind(multiBar_) && GetMandatoryValue(index) == 0) return;
        if (!IsSolidThinBar(r)) {
            flush();
            DrawPoint(index);
            return;
        }
        if (groupIndex >= 0 && color == groupColor && joins(r)) {
            if (vertical)
                extend(group.Top, group.Bottom, r.Top, r.Bottom);
            else
                extend(group.Left, group.Right, r.Left, r.Right);
            return;
        }
        flush();
        group = r;
        groupColor = color;
        groupIndex = index;
    });
    flush();
}

void TCustomBarSeries::BarValueSpan(int& startPos, int& endPos) const
{
    if (YMandatory()) {
        startPos = BarBounds.Top;
        endPos = BarBounds.Bottom;
    } else {
        startPos = BarBounds.Left;
        endPos = BarBounds.Right;
    }
    if (startPos > endPos) std::swap(startPos, endPos);
}

void TCustomBarSeries::DrawBarBlended(int valueIndex, int transparency)
{
    int startPos = 0, endPos = 0;
    BarValueSpan(startPos, endPos);
    TCanvas3D& canvas = ChartCanvas();
    TDuvBlend* blend = nullptr;
    if (transparency > 0) {
        TRect r;
        if (!canvas.NativeBlending) {
            r = OrientRect(BarBounds);
            if (Pen().Visible()) {
                r.Right += Pen().Width();
                r.Bottom += Pen().Width();
            }
            if (ParentChart()->View3D()) {
                TRect front, back;
                canvas.ProjectedBounds(r, StartZ, front);
                canvas.ProjectedBounds(r, EndZ, back);
                r = {std::min(front.Left, back.Left), std::min(front.Top, back.Top), std::max(front.Right, back.Right),
                     std::max(front.Bottom, back.Bottom)};
            }
        }
        blend = canvas.BeginBlending(r, transparency);
    }
    PaintBar(valueIndex, startPos, endPos);
    if (blend) canvas.EndBlending(blend);
}

void TCustomBarSeries::DrawBarShadow(int valueIndex, TDuvShadow& shadow)
{
    if (!shadow.IsActive()) return;
    const TRect saved = BarBounds;
    barStateApplied_ = false;
    const TScopeGuard restore([&] {
        barStateApplied_ = false;
        BarBounds = saved;
        BarColor = GetPointColor(valueIndex);
        penColorOverride_ = clNone;
    });
    BarColor = shadow.Color();
    penColorOverride_ = shadow.Color();
    const int d = shadow.OffsetSign();
    if (YMandatory()) {
        BarBounds.Left += d * shadow.HorizSize();
        BarBounds.Right += d * shadow.HorizSize();
        if (BarBounds.Top < BarBounds.Bottom)
            BarBounds.Top += d * shadow.VertSize();
        else
            BarBounds.Bottom -= d * shadow.VertSize();
    } else {
        BarBounds.Top += d * shadow.VertSize();
        BarBounds.Bottom += d * shadow.VertSize();
        if (BarBounds.Left < BarBounds.Right)
            BarBounds.Right += d * shadow.HorizSize();
        else
            BarBounds.Left -= d * shadow.HorizSize();
    }
    const TBarStyle style = GetBarStyle(valueIndex);
    const bool flatShadow =
        shadow.Smooth() && (IsFlatStyle(style) || (style == bsRoundRectangle && barRound_ == brBothEnds));
    if (!flatShadow) {
        DrawBarBlended(valueIndex, shadow.Transparency());
        return;
    }
    TCanvas3D& canvas = ChartCanvas();
    const TRect r = OrientRect(saved);
    if (Rotated3D()) {
        TPoint corners[4];
        canvas.ProjectRectCorners(r, EndZ, corners);
        shadow.DrawPolygon(canvas, TPointArray(corners, corners + 4), 3);
    } else {
        shadow.DrawRect(canvas, r, 0, style == bsRoundRectangle ? roundSize_ : 0);
    }
}

// ---------------------------------------------------------------- pen, brush and legend

void TCustomBarSeries::SetBarPen(int valueIndex)
{
    TCanvas3D& canvas = ChartCanvas();
    if (ApplyHoverPen(valueIndex)) return;
    TColor color = Pen().Color();
    if (penColorOverride_ != clNone)
        color = penColorOverride_;
    else if (darkPen_ > 0 && valueIndex != -1)
        color = DarkenColor(GetPointColor(valueIndex), static_cast<std::uint8_t>(std::clamp(255 - darkPen_, 0, 255)));
    canvas.AssignPenColor(Pen(), color);
}

// Only flat charts: in 3D the points of series sharing a depth are drawn in turns.
bool TCustomBarSeries::CanvasHoldsBarState(TColor color, int valueIndex)
{
    if (!barStateApplied_ || penColorOverride_ != clNone || darkPen_ > 0 || Brush().HasGradient() ||
        Brush().HasImage() || HoverEnabled() || ParentChart()->View3D())
        return false;
    TCanvas3D& canvas = ChartCanvas();
    if (canvas.UsesGradient()) return false;
    const TDuvPen& pen = canvas.Pen();
    (void)valueIndex;
    return appliedBarColor_ == color && canvas.Brush().Color() == color && canvas.Brush().Style() == Brush().Style() &&
           pen.Visible() == Pen().Visible() && pen.Color() == Pen().Color() && pen.Width() == Pen().Width() &&
           pen.Style() == Pen().Style();
}

void TCustomBarSeries::SetBarBrush(TColor color, int valueIndex)
{
    // Bars of one colour in a row keep the pen and brush already on the canvas: setting them
    // is most of the cost of a thin bar.
    if (CanvasHoldsBarState(color, valueIndex)) return;
    SetBarPen(valueIndex);
    TCustomAxisPanel* chart = ParentChart();
    const TColor back = Brush().Color() == clDefault ? chart->Color() : Brush().Color();
    chart->ApplyBrush(color, Brush(), back);
    barStateApplied_ = true;
    appliedBarColor_ = color;
}

void TCustomBarSeries::PrepareLegendCanvas(int index, TColor& backColor, TBrushStyle& brushStyle)
{
    SetBarPen(index);
    brushStyle = Brush().Style();
    backColor = Brush().Color() == clDefault ? ParentChart()->Color() : Brush().Color();
}

void TCustomBarSeries::PaintLegendSymbol(int index, const TRect& rect)
{
    if (!ParentChart()) return;
    if (Brush().HasImage()) ChartCanvas().Brush().SetImage(Brush().PeekImage());
    TChartSeries::PaintLegendSymbol(index, rect);
}

// ---------------------------------------------------------------- the flat rectangle

void TCustomBarSeries::BarRectangle(const TRect& r, bool allowRound)
{
    TCanvas3D& canvas = ChartCanvas();
    auto outlineInBrushColour = [&] {
        barStateApplied_ = false;
        canvas.Pen().SetColor(canvas.Brush().Color());
        if (canvas.Pen().Style() == psClear) canvas.Pen().SetStyle(psSolid);
        canvas.Pen().SetVisible(true);
    };
    if (canvas.Brush().Style() == bsSolid) {
        canvas.Pen().SetWidth(Pen().Width());
        if (r.Left == r.Right || r.Top == r.Bottom) {
            outlineInBrushColour();
            canvas.Line(r.Left, r.Top, r.Right, r.Bottom);
            return;
        }
        const int width = Pen().Width();
        if (Pen().Visible() && (width >= std::abs(r.Right - r.Left) || width >= std::abs(r.Bottom - r.Top))) {
            outlineInBrushColour();
            canvas.Brush().SetStyle(bsClear);
        }
    }
    if (!allowRound || barRound_ == brNone) {
        canvas.Rectangle(r.Left, r.Top, r.Right, r.Bottom);
        return;
    }
    const TRect n = OrientRect(r);
    if (barRound_ == brBothEnds) {
        canvas.RoundRect(n.Left, n.Top, n.Right, n.Bottom, roundSize_, roundSize_);
        return;
    }
    // Only the value end is rounded: the base stays square on its axis.
    TDuvCorners corners;
    if (YMandatory()) {
        const bool up = r.Bottom >= r.Top;
        (up ? corners.LeftBottom() : corners.LeftTop())->SetStyle(cosNone);
        (up ? corners.RightBottom() : corners.RightTop())->SetStyle(cosNone);
    } else {
        const bool right = r.Right >= r.Left;
        (right ? corners.LeftTop() : corners.RightTop())->SetStyle(cosNone);
        (right ? corners.LeftBottom() : corners.RightBottom())->SetStyle(cosNone);
    }
    canvas.RoundRectCorners(n, roundSize_, roundSize_, &corners);
}

// ---------------------------------------------------------------- gradient and bevel

bool TCustomBarSeries::ApplyGradientRelative(int valueIndex)
{
    TDuvGradient* gradient = Gradient();
    if (!gradientRelative_) {
        gradient->SetEndColor(BarColor);
        return false;
    }
    const double v = GetMandatoryValue(valueIndex);
    const double maximum = MandatoryList()->GetMaximum(), minimum = MandatoryList()->GetMinimum();
    auto fraction = [](double part, double whole) { return whole != 0 ? part / whole : 1.0; };
    double f;
    if (!useYOrigin_)
        f = 1 - fraction(maximum - v, maximum - minimum);
    else if (v >= yOrigin_)
        f = fraction(v - yOrigin_, maximum - yOrigin_);
    else
        f = fraction(yOrigin_ - v, yOrigin_ - minimum);
    const TColor start = gradient->StartColor();
    auto channel = [&](int shift) {
        const int a = static_cast<int>((start >> shift) & 0xFF), b = static_cast<int>((BarColor >> shift) & 0xFF);
        return static_cast<TColor>(std::clamp(a + RoundPixel((b - a) * f), 0, 255)) << shift;
    };
    gradient->SetEndColor(channel(0) | channel(8) | channel(16));
    bool swap = useYOrigin_ && v < yOrigin_;
    if (ValueAxisInverted()) swap = !swap;
    if (swap) {
        const TColor end = gradient->EndColor();
        gradient->SetEndColor(gradient->StartColor());
        gradient->SetStartColor(end);
    }
    return swap;
}

void TCustomBarSeries::DrawBevel()
{
    if (Rotated3D()) return;
    TCanvas3D& canvas = ChartCanvas();
    TRect r = OrientRect(BarBounds);
    if (Pen().Visible()) {
        InflateRectBy(r, -Pen().Width(), -Pen().Width());
        if (ParentChart()->View3D()) {
            ++r.Right;
            ++r.Bottom;
        }
    }
    if (ParentChart()->View3D()) canvas.ProjectRect(r, StartZ, r);
    canvas.Frame3D(r, LightenColor(BarColor, 128), DarkenColor(BarColor, 64), bevelSize_);
    barStateApplied_ = false;
}

// ---------------------------------------------------------------- tick lines

void TCustomBarSeries::DrawTickLines(int startPos, int endPos, TBarStyle style)
{
    if (!tickLines_ || !tickLines_->Visible()) return;
    TChartAxis* axis = ValueAxis();
    if (!axis) return;
    ChartCanvas().AssignPen(*tickLines_);
    barStateApplied_ = false;
    for (const int tick : axis->TickPositions)
        if (tick > startPos && tick < endPos) DrawTickLine(tick, style);
}

void TCustomBarSeries::DrawCylinderTickLine(int position)
{
    TCanvas3D& canvas = ChartCanvas();
    const int sides = std::max(canvas.CylinderSides, 2);
    const TRect r = OrientRect(BarBounds);
    const bool vertical = YMandatory();
    const double centre = vertical ? (r.Left + r.Right) * 0.5 : (r.Top + r.Bottom) * 0.5;
    const double half = (vertical ? r.Right - r.Left : r.Bottom - r.Top) * 0.5;
    const double halfDepth = (EndZ - StartZ) * 0.5;
    for (int k = 0; k < sides; ++k) {
        const double angle = (k * 180.0 / sides + 180.0) * std::numbers::pi / 180.0;
        const int across = RoundPixel(centre - std::cos(angle) * half);
        const int z = RoundPixel(MiddleZ + std::sin(angle) * halfDepth);
        const int x = vertical ? across : position, y = vertical ? position : across;
        if (k == 0)
            canvas.MoveTo3D(x, y, z);
        else
            canvas.LineTo3D(x, y, z);
    }
}

// ---------------------------------------------------------------- shared hit tests

bool TCustomBarSeries::InRhombus(const TRect& r, const TPoint& p)
{
    const int cx = (r.Left + r.Right) / 2, cy = (r.Top + r.Bottom) / 2;
    TPointArray points{{cx, r.Top}, {r.Right, cy}, {cx, r.Bottom}, {r.Left, cy}};
    if (ParentChart()->View3D())
        for (TPoint& point : points) ChartCanvas().ProjectPointAt(TPoint(point), StartZ, point);
    return PointInPolygon(p, points);
}

bool TCustomBarSeries::InBox(const TRect& r, const TPoint& p)
{
    if (ParentChart()->View3D()) {
        TPointArray outline;
        ChartCanvas().CubeOutline(OrientRect(r), StartZ, EndZ, outline);
        return PointInPolygon(p, outline);
    }
    return PointInRect(OrientRect(r), p.X, p.Y);
}

// ---------------------------------------------------------------- marks

int TCustomBarSeries::MarkTextExtent(const std::string& text, bool across)
{
    TCanvas3D& canvas = ChartCanvas();
    canvas.AssignFont(*Marks().Font());
    return across ? canvas.TextWidth(text) : canvas.TextHeight(text);
}

void TCustomBarSeries::DrawPointMark(int index, const std::string& text, TSeriesMarkPosition& position)
{
    if (ParentChart()) PlaceBarMark(index, text, position);
    if (!marksOnBar_) {
        TChartSeries::DrawPointMark(index, text, position);
        return;
    }
    // On a bar the mark stays where it was put and needs no arrow to its point.
    const bool move = Marks().AutoPosition();
    TWhitePen& arrow = Marks().Callout().Arrow();
    const bool arrowVisible = arrow.Visible();
    const TScopeGuard restore([&] {
        Marks().SetAutoPosition(move);
        arrow.SetVisible(arrowVisible);
    });
    Marks().SetAutoPosition(false);
    arrow.SetVisible(false);
    TChartSeries::DrawPointMark(index, text, position);
}
