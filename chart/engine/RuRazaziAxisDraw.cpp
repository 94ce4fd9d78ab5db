// Axis placement and painting: the bands an axis takes out of the chart rectangle, where its
// line, labels and title sit, and the painting of line, ticks, grid, back shape, title and labels.
// Placement only computes positions; painting reads them.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <utility>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/RuRazazi.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/engine/RuRazaziLists.h"
#include "chart/engine/RuRazaziSelect.h"
#include "chart/graphics/DuvShadow.h"
#include "platform/core/NumText.h"
#include "platform/core/ScopeGuard.h"

namespace {

int R(double value) { return static_cast<int>(Rnd(value)); }

// The grid's colour when its pen asks for the default one.
constexpr TColor GridDefaultGrey = 0x808080;

bool Between(int p, int a, int b) { return std::min(a, b) < p && p < std::max(a, b); }

TRect Normalized(const TRect& r)
{
    return {std::min(r.Left, r.Right), std::min(r.Top, r.Bottom), std::max(r.Left, r.Right),
            std::max(r.Top, r.Bottom)};
}

bool RectInside(const TRect& inner, const TRect& outer)
{
    return inner.Left >= outer.Left && inner.Right <= outer.Right && inner.Top >= outer.Top &&
           inner.Bottom <= outer.Bottom;
}

int LineCountOf(const std::string& text)
{
    return 1 + static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

}  // namespace

// ---------------------------------------------------------------- placement

std::string TChartAxis::AxisGroupName() const
{
    if (!chart_) return {};
    if (this == chart_->BottomAxis()) return "Bottom";
    if (this == chart_->TopAxis()) return "Top";
    if (this == chart_->LeftAxis()) return "Left";
    if (this == chart_->RightAxis()) return "Right";
    if (this == chart_->DepthAxis()) return "Depth";
    if (this == chart_->DepthTopAxis()) return "DepthTop";
    return {};
}

int TChartAxis::MoveOutward(int pos, int n) const
{
    // Bottom and right grow outward; top and left shrink.
    return horizontal_ != otherSide_ ? pos + n : pos - n;
}

void TChartAxis::ShrinkRectOnSide(TRect& rect, int n) const
{
    if (horizontal_) {
        if (otherSide_)
            rect.Top = std::min(rect.Bottom - 1, rect.Top + n);
        else
            rect.Bottom = std::max(rect.Top + 1, rect.Bottom - n);
    } else if (otherSide_) {
        rect.Right = std::max(rect.Left + 1, rect.Right - n);
    } else {
        rect.Left = std::min(rect.Right - 1, rect.Left + n);
    }
}

int TChartAxis::AxisBasePos(const TRect& rect) const
{
    if (horizontal_) return otherSide_ ? rect.Top : rect.Bottom;
    return otherSide_ ? rect.Right : rect.Left;
}

int TChartAxis::PositionPercentAdjust(int pos, const TRect& rect) const
{
    if (positionPercent_ == 0) return pos;
    int m = positionUnits_ == muPixels
                ? R(positionPercent_)
                : R(positionPercent_ * 0.01 * (horizontal_ ? rect.Height() : rect.Width()));
    if (otherSide_) m = -m;
    return horizontal_ ? pos - m : pos + m;
}

int TChartAxis::LineAndTicksSize(bool withTicks) const
{
    int size = axisPen_->Visible() ? axisPen_->Width() + 1 : 0;
    if (withTicks && ticks_->Visible()) size += tickLength_;
    if (minorTicks_->Visible()) size = std::max(size, minorTickLength_);
    return size;
}

int TChartAxis::TextExtentAcross(TCustomTextShape& shape, int angle, int fixedSize, const std::string& text)
{
    if (fixedSize != 0) return fixedSize;
    if (!chart_) return 0;
    TCanvas3D& canvas = chart_->Canvas();
    canvas.AssignFont(*shape.Font());
    const bool along = horizontal_ ? angle % 180 == 0 : angle == 90 || angle == 270;
    int result = 0;
    if (along) {
        result = canvas.TextHeight("W");
    } else if (text.empty()) {
        result = WidestLabelWidth();
    } else {
        TSize size;
        int lines = 0;
        chart_->MeasureTextLines(text, shape.TextFormat() == ttfHtml, size, lines);
        result = size.cx;
    }
    if (!shape.Transparent()) {
        TAxisLabelsFormat& format = *labels_->Format();
        if (format.Pen().Visible()) result += 2 * format.Pen().Width();
        if (TDuvShadow* shadow = format.PeekShadow(); shadow && shadow->Visible())
            result += std::abs(shadow->GetSize());
    }
    return result;
}

int TChartAxis::LabelsThickness()
{
    if (labels_->LineFactor == 0) {
        labels_->LineFactor = 1;
        const TAxisLabelStyle style = EffectiveLabelStyle();
        const bool pointLabels = style == talMark || style == talText || style == talPointValue;
        if (chart_ && horizontal_ && labels_->Angle() == 0 && items_->AutomaticLabels && pointLabels) {
            for (TCustomChartSeries* series : chart_->SeriesList()) {
                if (!series->Active() || !chart_->SeriesUsesAxis(series, this)) continue;
                series->CalcFirstLastVisible();
                for (int i = std::max(0, series->FirstVisibleIndex); i <= series->LastVisibleIndex; ++i) {
                    double value = 0;
                    const std::string text = SeriesLabelOf(series, i, style, value);
                    if (text.empty() || value < CurMinimum || value > CurMaximum) continue;
                    labels_->LineFactor = std::max(labels_->LineFactor, LineCountOf(text));
                }
            }
        }
    }
    int result = TextExtentAcross(*labels_->Format(), labels_->Angle(), labels_->Size(), {}) * labels_->LineFactor;
    if (labels_->Alternate()) result *= 2;
    return result;
}

int TChartAxis::WallOf(const TChartAxis* axis) const
{
    return chart_ && axis ? chart_->GetAxisWallSize(axis) : 0;
}

void TChartAxis::PlaceInRect(TRect& rect, bool standard)
{
    if (subAxes_)
        for (int i = 0; i < subAxes_->Count(); ++i) {
            TChartAxis& sub = *subAxes_->GetAxis(i);
            if (!sub.Visible()) continue;
            CopyToSubAxis(sub);
            sub.SelectPositionCalculators();
            sub.PlaceInRect(rect, true);
            sub.AxisPos = sub.PositionPercentAdjust(sub.AxisBasePos(rect), rect);
        }
    IsDateTimeAxis = ShowsDateTime();
    if (!standard) {
        AxisPos = PositionPercentAdjust(AxisBasePos(rect), rect);
        LabelsPos = MoveOutward(AxisPos, LineAndTicksSize(true));
        TitlePos = MoveOutward(LabelsPos, LabelsThickness());
        return;
    }
    if (ExtraSpace > 0) ShrinkRectOnSide(rect, ExtraSpace);
    if (IsDepthAxis) {
        TitlePos = otherSide_ ? rect.Right : rect.Left;
    } else if (title_ && title_->Visible() && !title_->Caption().empty()) {
        ShrinkRectOnSide(rect, TextExtentAcross(*title_, title_->Angle(), titleSize_, title_->Caption()));
        TitlePos = AxisBasePos(rect);
    }
    if (labels_->Visible()) {
        labels_->LineFactor = 0;
        int d = LabelsThickness();
        if (chart_ && chart_->AxesList().SizeHook) d = chart_->AxesList().SizeHook(this, d);
        ShrinkRectOnSide(rect, d);
        LabelsPos = AxisBasePos(rect);
    }
    const int lineBand = WallOf(this) + LineAndTicksSize(labels_->Position() == lpAtTick);
    if (lineBand > 0) ShrinkRectOnSide(rect, lineBand);
    TitlePos = PositionPercentAdjust(TitlePos, rect);
    LabelsPos = PositionPercentAdjust(LabelsPos, rect);
}

TRect TChartAxis::OccupiedRect() const
{
    const int a0 = std::min(PixelStart, PixelEnd), a1 = std::max(PixelStart, PixelEnd);
    int c0 = AxisPos, c1 = AxisPos;
    if (labels_->Visible()) {
        c0 = std::min(LabelsPos, AxisPos - 3);
        c1 = std::max(LabelsPos, AxisPos + 3);
    }
    return horizontal_ ? TRect{a0, c0, a1, c1} : TRect{c0, a0, c1, a1};
}

bool TChartAxis::HitTest(int x, int y)
{
    if (!chart_ || !chart_->AxisShown(this)) return false;
    TRect r = OccupiedRect();
    if (Is3D()) {
        const int z = otherSide_ ? chart_->DepthWidth : 0;
        TPoint p0, p1;
        chart_->Canvas().Project(r.Left, r.Top, z, p0);
        chart_->Canvas().Project(r.Right, r.Bottom, z, p1);
        r = Normalized({p0.X, p0.Y, p1.X, p1.Y});
    }
    return x >= r.Left && x <= r.Right && y >= r.Top && y <= r.Bottom;
}

// ---------------------------------------------------------------- painting

bool TChartAxis::Is3D() const { return chart_ && chart_->View3D(); }

void TChartAxis::Line3DOr2D(int x0, int y0, int x1, int y1, int z)
{
    TCanvas3D& canvas = chart_->Canvas();
    if (Is3D())
        canvas.LineWithZ(x0, y0, x1, y1, z);
    else
        canvas.Line(x0, y0, x1, y1);
}

void TChartAxis::Draw(bool calcPos)
{
    if (!chart_) return;
    TCanvas3D& canvas = chart_->Canvas();
    canvas.PushTransform(AxisGroupName(), nullptr, this);
    {
        const TScopeGuard pop([&] { canvas.PopTransform(); });
        IsDateTimeAxis = MasterAxis ? MasterAxis->IsDateTimeAxis : ShowsDateTime();
        if (calcPos) AxisPos = PositionPercentAdjust(AxisBasePos(chart_->ChartRect), chart_->ChartRect);
        if (shape_ && shape_->Visible()) DrawBackShape();
        DrawTitle();
        const std::vector<TAxisLabelEntry> labels = CalcLabels();
        if (labels_->Behind() && labels_->Visible()) PaintLabels(labels);
        DrawLineTicksGrid();
        if (!labels_->Behind() && labels_->Visible()) PaintLabels(labels);
    }
    if (!subAxes_) return;
    for (int i = 0; i < subAxes_->Count(); ++i) {
        TChartAxis& sub = *subAxes_->GetAxis(i);
        if (!sub.Visible()) continue;
        CopyToSubAxis(sub);
        sub.PixelStart = PixelStart;
        sub.PixelEnd = PixelEnd;
        sub.PixelSize = PixelSize;
        sub.PixelCentre = PixelCentre;
        sub.SelectPositionCalculators();
        sub.RecalcFactors();
        sub.Draw(false);
    }
}

void TChartAxis::PaintLabels(const std::vector<TAxisLabelEntry>& labels)
{
    TCanvas3D& canvas = chart_->Canvas();
    canvas.PushTransform("Labels", nullptr, this);
    const TScopeGuard pop([&] { canvas.PopTransform(); });
    labelToggle_ = horizontal_;
    widestLabel_ = 0;
    if (labels_->Alternate() && !horizontal_)
        for (const TAxisLabelEntry& label : labels) {
            int width = 0, lines = 1;
            MeasureLabel(label.Text, width, lines);
            widestLabel_ = std::max(widestLabel_, width);
        }
    for (std::size_t i = 0; i < labels.size(); ++i) {
        const TAxisLabelEntry& label = labels[i];
        if (!(label.Value >= CurMinimum && label.Value <= CurMaximum) && label.Value != CurMinimum) continue;
        DrawAxisLabel(static_cast<int>(i), label.Pos, label.Text, label.Format, label.Value);
    }
}

void TChartAxis::CopyToSubAxis(TChartAxis& sub) const
{
    sub.horizontal_ = horizontal_;
    sub.otherSide_ = otherSide_;
    sub.inverted_ = inverted_;
    sub.logarithmic_ = logarithmic_;
    sub.logarithmicBase_ = logarithmicBase_;
    sub.IsDepthAxis = IsDepthAxis;
}

void TChartAxis::DrawAtPositions(int labelsPos, int titlePos, int axisPos, int pixelEnd, int pixelStart,
                                 bool gridVisible)
{
    LabelsPos = labelsPos;
    TitlePos = titlePos;
    AxisPos = axisPos;
    PixelStart = pixelStart;
    PixelEnd = pixelEnd;
    PixelSize = PixelEnd - PixelStart;
    PixelCentre = (PixelStart + PixelEnd) / 2;
    RecalcFactors();
    // Shown or hidden for this drawing only: nobody hears of it.
    auto setGridQuietly = [this](bool visible) {
        TChangeHandler saved = std::move(grid_->OnChange);
        grid_->OnChange = nullptr;
        grid_->SetVisible(visible);
        grid_->OnChange = std::move(saved);
    };
    const bool savedGrid = grid_->Visible();
    setGridQuietly(gridVisible);
    const TScopeGuard restore([&] {
        setGridQuietly(savedGrid);
        CalcPixelRange();
    });
    Draw(false);
}

void TChartAxis::DrawTemporaryRange(int labelsPos, int titlePos, int axisPos, int pixelEnd, int pixelStart,
                                    bool gridVisible, double minimum, double maximum, double increment)
{
    const double savedMinimum = minimum_, savedMaximum = maximum_, savedIncrement = increment_;
    const bool savedAutomatic = automatic_;
    const double savedCurMinimum = CurMinimum, savedCurMaximum = CurMaximum;
    minimum_ = minimum;
    maximum_ = maximum;
    increment_ = increment;
    automatic_ = false;
    CurMinimum = minimum;
    CurMaximum = maximum;
    const TScopeGuard restore([&] {
        minimum_ = savedMinimum;
        maximum_ = savedMaximum;
        increment_ = savedIncrement;
        automatic_ = savedAutomatic;
        CurMinimum = savedCurMinimum;
        CurMaximum = savedCurMaximum;
        RecalcFactors();
    });
    RecalcFactors();
    DrawAtPositions(labelsPos, titlePos, axisPos, pixelEnd, pixelStart, gridVisible);
}

void TChartAxis::DrawBackShape()
{
    TAxisLabelsFormat& format = *labels_->Format();
    const TRect& m = format.Margins()->ComputedMargins;
    int a = LabelsThickness() + (horizontal_ ? m.Top + m.Bottom : m.Left + m.Right);
    if (labels_->Position() != lpAtTick)
        a = std::max(LineAndTicksSize(true) - 2, a);
    else
        a += LineAndTicksSize(true);
    if (otherSide_) a = -a;
    TAxisBackShape& shape = *GetShape();
    const TRect bounds = horizontal_ ? TRect{PixelStart, AxisPos, PixelEnd, AxisPos + a}
                                     : TRect{AxisPos - a, PixelStart, AxisPos, PixelEnd};
    // Kept with Left <= Right and Top <= Bottom so the top and right sides draw and contain too.
    shape.Bounds = Normalized(bounds);
    shape.DrawInPanel(chart_, shape.Bounds, 0, shape.Angle());
}

void TChartAxis::DrawLineTicksGrid()
{
    TCanvas3D& canvas = chart_->Canvas();
    canvas.Brush().SetStyle(bsClear);
    canvas.ApplyBrush(canvas.Brush());
    canvas.SetBackMode(TRANSPARENT);
    WallSize = WallOf(this);
    if (axisPen_->Visible()) {
        canvas.AssignPen(*axisPen_);
        if (axisPen_->LineMode() != lmLine) {
            canvas.Pen().SetVisible(false);
            canvas.Brush().SetStyle(bsSolid);
            canvas.Brush().SetColor(axisPen_->Color());
            canvas.ApplyBrush(canvas.Brush());
        }
        if (DrawLineHook)
            DrawLineHook(this, PixelStart, PixelEnd);
        else
            PaintAxisLine(PixelStart, PixelEnd);
    }
    auto tickGroup = [&](const char* name, TTicks& pen, int offset, int length) {
        if (length == 0 || !pen.Visible()) return;
        canvas.PushTransform(name, nullptr, this);
        const TScopeGuard pop([&] { canvas.PopTransform(); });
        canvas.AssignPen(pen);
        for (int p : TickPositions) DrawTickAt(p, offset, length);
    };
    tickGroup("Ticks", *ticks_, 1, tickLength_);
    DrawGrid();
    tickGroup("InnerTicks", *ticksInner_, -1, -tickInnerLength_);
    if (!TickPositions.empty()) {
        if (minorTickLength_ != 0 && minorTicks_->Visible()) {
            canvas.PushTransform("MinorTicks", nullptr, this);
            const TScopeGuard pop([&] { canvas.PopTransform(); });
            canvas.AssignPen(*minorTicks_);
            DrawMinorMarks(false);
        }
        if (minorGrid_->Visible()) {
            canvas.AssignPen(*minorGrid_);
            DrawMinorMarks(true);
        }
    }
    canvas.SetBackMode(OPAQUE);
}

TChartAxis* TChartAxis::SideAxis(int which) const
{
    if (!chart_) return nullptr;
    switch (which) {
    case 0: return chart_->LeftAxis();
    case 1: return chart_->RightAxis();
    default: return chart_->BottomAxis();
    }
}

int TChartAxis::DepthAxisAcrossPos() const
{
    const TRect& r = chart_->ChartRect;
    return otherSide_ ? r.Bottom + WallOf(SideAxis(2)) - DepthPos : r.Top - DepthPos;
}

void TChartAxis::PaintAxisLine(int a, int b)
{
    TCanvas3D& canvas = chart_->Canvas();
    const int h = axisPen_->Width() / 2 + WallSize;
    if (IsDepthAxis) {
        if (!Is3D()) return;
        const int y = DepthAxisAcrossPos();
        canvas.MoveTo3D(AxisPos, y, a);
        canvas.LineTo3D(AxisPos, y, b);
        return;
    }
    int x0, y0, x1, y1;
    if (horizontal_ && otherSide_) {
        x0 = a, x1 = b, y0 = y1 = AxisPos;
    } else if (horizontal_) {
        x0 = a - WallOf(SideAxis(0));
        x1 = b + WallOf(SideAxis(1));
        y0 = y1 = AxisPos + h;
    } else {
        x0 = x1 = otherSide_ ? AxisPos + h : AxisPos - h;
        y0 = a;
        y1 = b + WallOf(SideAxis(2));
    }
    if (!Is3D() || axisPen_->LineMode() == lmLine) {
        Line3DOr2D(x0, y0, x1, y1, DepthPos);
        return;
    }
    // A solid of twice the pen width around the line and DepthPos.
    const int w = axisPen_->Width();
    const TRect r = Normalized({x0 - w, y0 - w, x1 + w, y1 + w});
    if (axisPen_->LineMode() == lmCylinder)
        canvas.Cylinder(!horizontal_, r.Left, r.Top, r.Right, r.Bottom, DepthPos - w, DepthPos + w, true);
    else
        canvas.Cube(r.Left, r.Right, r.Top, r.Bottom, DepthPos - w, DepthPos + w, true, 0);
}

void TChartAxis::DrawTickAt(int p, int offset, int length)
{
    if (IsDepthAxis) {
        if (!Is3D()) return;
        const int y = DepthAxisAcrossPos();
        const int sign = otherSide_ ? 1 : -1;
        chart_->Canvas().LineWithZ(AxisPos + sign * offset, y, AxisPos + sign * (offset + length), y, p);
        return;
    }
    const int penWidth = axisPen_->Width();
    if (horizontal_ && otherSide_) {
        const int y = AxisPos - offset;
        Line3DOr2D(p, y, p, y - length, DepthPos);
    } else if (otherSide_) {
        const int x = AxisPos + offset + WallSize;
        Line3DOr2D(x, p, x + length, p, DepthPos);
    } else if (horizontal_) {
        const int y = AxisPos + offset + WallSize + penWidth - 1;
        Line3DOr2D(p, y, p, y + length, DepthPos);
    } else {
        const int x = AxisPos - offset - WallSize - penWidth + 1;
        Line3DOr2D(x, p, x - length, p, DepthPos);
    }
}

void TChartAxis::DrawMinorMarks(bool asGrid)
{
    const std::vector<int>& t = TickPositions;
    const int m = minorTickCount_;
    if (t.empty() || m <= 0) return;
    auto mark = [&](int p) {
        if (!Between(p, PixelStart, PixelEnd)) return;
        if (asGrid)
            DrawGridLine(p);
        else
            DrawTickAt(p, 1, minorTickLength_);
    };
    if (!logarithmic_) {
        for (std::size_t i = 1; i < t.size(); ++i)
            for (int k = 1; k <= m; ++k) mark(t[i] - R(k * (t[i] - t[i - 1]) / double(m + 1)));
        if (t.size() > 1) {
            const double step = t[1] - t[0];
            for (int k = 1; k <= m; ++k) {
                mark(t.front() - R(k * step / (m + 1)));
                mark(t.back() + R(k * step / (m + 1)));
            }
        }
        return;
    }
    std::vector<double> starts;
    auto take = [&](double v) {
        if (std::find(starts.begin(), starts.end(), v) == starts.end()) starts.push_back(v);
    };
    const double base = logarithmicBase_;
    take(PixelToValue(t.back()) / base);
    for (std::size_t i = 0; i + 2 < t.size(); ++i) take(PixelToValue(t[i]));
    take(PixelToValue(t.back()));
    for (double v : starts)
        for (int k = 1; k <= m; ++k) {
            const double value = v + k * (v * base - v) / (m + 1);
            if (value >= CurMinimum && value <= CurMaximum) mark(ValueToPixel(value));
        }
}

void TChartAxis::DrawGrid()
{
    if (BeforeGridHook) BeforeGridHook(this);
    if (!grid_->Visible()) return;
    TCanvas3D& canvas = chart_->Canvas();
    canvas.PushTransform("Grid", nullptr, this);
    const TScopeGuard pop([&] { canvas.PopTransform(); });
    canvas.Brush().SetStyle(bsClear);
    canvas.ApplyBrush(canvas.Brush());
    canvas.AssignPenColor(*grid_, grid_->Color() == clDefault ? GridDefaultGrey : grid_->Color());
    const std::vector<int>& t = TickPositions;
    const std::size_t every = static_cast<std::size_t>(std::max(1, grid_->DrawEvery()));
    if (grid_->Centered()) {
        for (std::size_t i = 1; i < t.size(); ++i)
            if (i % every == 0) DrawGridLine(R((t[i] + t[i - 1]) / 2.0));
    } else {
        for (std::size_t i = 0; i < t.size(); ++i)
            if (i % every == 0) DrawGridLine(t[i]);
    }
}

void TChartAxis::DrawGridLine(int p)
{
    if (!Between(p, PixelStart, PixelEnd)) return;
    TCanvas3D& canvas = chart_->Canvas();
    const TRect& r = chart_->ChartRect;
    if (IsDepthAxis) {
        if (!Is3D()) return;
        canvas.VertLine3D(r.Left, r.Top, r.Bottom, p);
        canvas.HorizLine3D(r.Left, r.Right, r.Bottom, p);
        return;
    }
    if (!Is3D()) {
        int from = horizontal_ ? r.Top + 1 : r.Left + 1;
        int to = horizontal_ ? r.Bottom : r.Right;
        if (usePartnerAxis_ && partnerAxis_) {
            from = partnerAxis_->ValueToPixel(partnerAxis_->Minimum());
            to = partnerAxis_->ValueToPixel(partnerAxis_->Maximum());
            if (partnerAxis_->Inverted()) std::swap(from, to);
        }
        if (horizontal_)
            canvas.Line(p, from, p, to);
        else
            canvas.Line(from, p, to, p);
        return;
    }
    auto across = [&](int z) {
        if (horizontal_)
            canvas.LineWithZ(p, r.Top, p, r.Bottom, z);
        else
            canvas.LineWithZ(r.Left, p, r.Right, p, z);
    };
    if (!chart_->AxisBehind()) {
        across(0);
        return;
    }
    const int depth = chart_->DepthWidth;
    if (!HideBackGrid) across(depth);
    if (!HideSideGrid) {
        const int z = R(depth * grid_->ZPosition() * 0.01);
        if (z != depth) {
            if (horizontal_)
                canvas.ZLine3D(p, AxisPos, depth, z);
            else
                canvas.ZLine3D(AxisPos, p, depth, z);
        }
    }
}

void TChartAxis::DrawTitle()
{
    if (!title_ || !title_->Visible() || title_->Caption().empty()) return;
    title_->CalcSize(chart_);
    const int halfWidth = title_->BoundsWidth() / 2;
    // The start is the minimum end: left on a horizontal axis, bottom on a vertical one.
    const bool startAtPixelStart = horizontal_ != inverted_;
    int along = PixelCentre;
    if (title_->Position() == tpStart)
        along = startAtPixelStart ? PixelStart + halfWidth : PixelEnd - halfWidth;
    else if (title_->Position() == tpEnd)
        along = startAtPixelStart ? PixelEnd - halfWidth : PixelStart + halfWidth;
    if (IsDepthAxis)
        PaintTitle(TitlePos, DepthAxisAcrossPos());
    else if (horizontal_)
        PaintTitle(along, TitlePos);
    else
        PaintTitle(TitlePos, along);
}

void TChartAxis::PaintTitle(int x, int y)
{
    TCanvas3D& canvas = chart_->Canvas();
    canvas.PushTransform("Title", title_->Transform(), this);
    const TScopeGuard pop([&] { canvas.PopTransform(); });
    canvas.AssignFont(*title_->Font());
    canvas.SetBackMode(TRANSPARENT);
    if (IsDepthAxis) {
        if (!Is3D()) return;
        canvas.SetTextAlign(otherSide_ ? TA_LEFT : TA_RIGHT);
        canvas.RotateLabel3D(x, y, chart_->DepthWidth / 2, title_->Caption(), title_->Angle(), false);
        return;
    }
    if (Is3D() && !chart_->View3DOptions().Orthogonal()) {
        TAxisLabelsFormat look;
        look.Assign(title_.get());
        PaintLabel(x, y, 0, &look, title_->Caption(), title_->Angle(), false);
        return;
    }
    title_->CalcSize(chart_);
    const int w = title_->BoundsWidth(), h = title_->BoundsHeight();
    const int angle = title_->Angle();
    const TDuvShadow* shadow = title_->PeekShadow();
    const int shadowSize = shadow && shadow->Visible() ? shadow->VertSize() : 0;
    int left = 0, top = 0;
    if (horizontal_) {
        left = x - w / 2;
        top = y;
        if (angle == 90) top += otherSide_ ? -h : h;
        if (otherSide_) top -= h + shadowSize;
    } else {
        top = y - h / 2;
        int p = 0;
        if (otherSide_) {
            p = h / 2;
            if (angle == 90) p -= w / 2;
        } else {
            p = angle == 270 ? 0 : -(h / 2);
            p -= shadowSize;
        }
        int a = 0;
        if (angle == title_->DefaultAngle()) {
            double s = std::sin(angle * std::numbers::pi / 180);
            if (otherSide_) s = -s;
            a = R(w * s * 0.5);
        } else {
            a = otherSide_ ? 0 : w;
        }
        left = x + p - a;
    }
    title_->Bounds = {left, top, left + w, top + h};
    title_->DrawInPanel(chart_, title_->Bounds, 0, angle);
}

void TChartAxis::DrawAxisLabel(int index, int pos, const std::string& text, TAxisLabelsFormat* format, double)
{
    TCanvas3D& canvas = chart_->Canvas();
    TAxisLabelsFormat hovered;
    TDuvSelected* selected = items_->PeekSelected();
    if (chart_->Hover() && chart_->Hover()->Visible() && selected && selected->Hover()->Visible() &&
        index == selected->HoverIndex()) {
        hovered.Assign(selected->Hover());
        hovered.Font()->SetSizeFloat(labels_->Font()->GetSizeFloat());
        format = &hovered;
    }
    canvas.AssignFont(format ? *format->Font() : *labels_->Font());
    canvas.Brush().SetStyle(bsClear);
    canvas.ApplyBrush(canvas.Brush());
    canvas.SetBackMode(TRANSPARENT);
    if (IsDepthAxis) {
        canvas.SetTextAlign(otherSide_ ? TA_LEFT : TA_RIGHT);
        const TView3DOptions& view = chart_->View3DOptions();
        if (view.Rotation() == 360 || view.Orthogonal())
            pos += canvas.TextHeight("W") / 2;
        const int x = otherSide_ ? LabelsPos : LabelsPos - canvas.TextWidth("W") / 2 - 2;
        PaintLabel(x, DepthAxisAcrossPos(), pos, format, text, labels_->Angle(), labels_->Exponent());
        return;
    }
    int across = LabelsPos;
    if (labels_->Alternate()) {
        if (!labelToggle_) across = MoveOutward(LabelsPos, horizontal_ ? canvas.TextHeight("W") : widestLabel_);
        labelToggle_ = !labelToggle_;
    }
    if (horizontal_)
        PaintLabel(pos, across, 0, format, text, labels_->Angle(), labels_->Exponent());
    else
        PaintLabel(across, pos, 0, format, text, labels_->Angle(), labels_->Exponent());
}

TRect TChartAxis::LabelRect(int x, int y, TAxisLabelsFormat* format, const std::string& text, int angle,
                            bool exponent, bool* centred)
{
    TCanvas3D& canvas = chart_->Canvas();
    TAxisLabelsFormat& shape = format ? *format : *labels_->Format();
    canvas.AssignFont(*shape.Font());
    const int a = canvas.TextHeight("W");
    angle = ((angle % 360) + 360) % 360;
    enum { Left, Centre, Right } align = Centre;
    bool bottomAligned = false;
    const TAxisLabelAlign labelsAlign = labels_->Align();
    if (labelsAlign == alCenter) {
        x -= LabelsThickness() / 2;
    } else if (horizontal_ || labelsAlign == alDefault) {
        if (!horizontal_)
            align = otherSide_ ? Left : Right;
        else
            bottomAligned = otherSide_;
    } else if (otherSide_) {
        x += LabelsThickness();
        align = Right;
    } else {
        x -= LabelsThickness();
        align = Left;
    }
    if (centred) *centred = align == Centre;
    if (!horizontal_ && !IsDepthAxis) y -= a / 2;
    TSize size;
    int lines = 0;
    chart_->MeasureTextLines(text, shape.TextFormat() == ttfHtml, size, lines);
    int w = size.cx, h = size.cy;
    if (!shape.Transparent()) {
        // As the shape sizes itself: frame and margins around the text.
        TAxisLabelsFormat sized;
        sized.Assign(&shape);
        sized.SetText(text);
        sized.CalcSize(chart_);
        w = sized.BoundsWidth();
        h = sized.BoundsHeight();
    }
    lines = LineCountOf(text);
    const int fullHeight = a * lines;
    int dx = 0, dy = 0;
    if (exponent) {
        dx = horizontal_ ? w / 10 : 0;
        dy = horizontal_ ? h / 2 : h / 8;
    }
    y -= horizontal_ ? a : R(a * 0.5 * (lines + 1));
    TRect r;
    r.Left = x - dx;
    r.Top = a + y + dy - (bottomAligned ? fullHeight : 0);
    r.Right = r.Left + w;
    r.Bottom = r.Top + h;
    const int shift = align == Right ? w : align == Centre ? w / 2 : 0;
    r.Left -= shift;
    r.Right -= shift;
    if (angle == 90 || angle == 270) {
        if (horizontal_) {
            if (!otherSide_) {
                r.Top = R(h * 0.75) + y + (r.Right - r.Left) / 2;
                r.Bottom = r.Top + h;
            } else {
                r.Bottom = R(h * 1.5) + y - (r.Right - r.Left) / 2;
                r.Top = r.Bottom - h;
            }
        } else {
            r.Left = otherSide_ ? x + h - R(w / 2.0) : x - h - R(w / 2.0);
            r.Right = r.Left + w;
            r.Top = y;
            r.Bottom = r.Top + h;
        }
    } else if (angle != 0 && horizontal_ && !otherSide_) {
        const double theta = (angle % 90) * std::numbers::pi / 180;
        const int m = w / 2, d = h / 2;
        const int o = m + std::abs(R(m * std::cos(theta))) - 2 * std::abs(R(d * std::sin(theta)));
        r.Left = x - o;
        r.Right = r.Left + w;
        r.Top = y + fullHeight + std::abs(R(d * std::sin(theta))) + h;
        r.Bottom = r.Top + h;
    }
    return r;
}

void TChartAxis::PaintLabel(int x, int y, int z, TAxisLabelsFormat* format, const std::string& text, int angle,
                            bool exponent)
{
    TAxisLabelsFormat& shape = format ? *format : *labels_->Format();
    bool centred = false;
    TRect r = LabelRect(x, y, format, text, angle, exponent, &centred);
    angle = ((angle % 360) + 360) % 360;
    const int depth = IsDepthAxis ? z : DepthPos;
    // A canvas that turns by itself takes the depth; the others get the rectangle projected.
    if (Is3D() && !chart_->Canvas().SupportsFullRotation()) {
        TRect projected;
        chart_->Canvas().ProjectRect(r, depth, projected);
        r = projected;
    }
    // A detached copy takes the text, so painting a label does not repaint the chart.
    TAxisLabelsFormat label;
    label.Assign(&shape);
    std::string shown = text;
    int labelZ = depth;
    if (OnDrawLabel) {
        bool draw = true;
        OnDrawLabel(this, r.Left, r.Top, labelZ, shown, draw);
        if (!draw) return;
    }
    if (!Is3D() && shape_ && shape_->Visible() && !shape_->Transparent() &&
        !RectInside(Normalized(r), shape_->Bounds))
        return;
    label.SetText(shown);
    label.CalcSize(chart_);
    const std::size_t e = shown.find_first_of("Ee");
    if (exponent && e != std::string::npos) {
        PaintExponentLabel(r, label, shown, e, centred);
        return;
    }
    label.DrawInPanel(chart_, r, labelZ, angle);
}

void TChartAxis::PaintExponentLabel(const TRect& r, TAxisLabelsFormat& format, const std::string& text,
                                    std::size_t ePos, bool centred)
{
    TCanvas3D& canvas = chart_->Canvas();
    int x = r.Left, y = r.Top;
    if (!format.Transparent()) {
        x += format.Margins()->ComputedMargins.Left;
        y += format.Margins()->ComputedMargins.Top;
    }
    const std::string mantissa = text.substr(0, ePos);
    const std::string power = text.substr(ePos + 1);
    canvas.AssignFont(*format.Font());
    canvas.SetTextAlign(TA_LEFT);
    const int raise = canvas.TextHeight("W") / 2 - 2;
    canvas.TextOut(x, y, mantissa);
    x += canvas.TextWidth(mantissa);
    canvas.AssignFontSize(*format.Font(), format.Font()->GetSizeFloat() * 0.75f);
    if (centred) x += canvas.TextWidth(power) / 2;
    canvas.TextOut(x, y - raise, power);
}

bool TChartAxisTitle::HitTest(int x, int y) const
{
    return Visible() && !Caption().empty() && ContainsPoint({x, y}, Bounds);
}

int TChartAxis::HoverLabelAt(int x, int y)
{
    if (!chart_) return -1;
    TCanvas3D& canvas = chart_->Canvas();
    for (int i = 0; i < items_->Count(); ++i) {
        TAxisItem* item = items_->Item(i);
        canvas.AssignFont(*item->EffectiveFormat()->Font());
        const int w = canvas.TextWidth(item->Text()), h = canvas.TextHeight("W");
        // Outward is down for a bottom axis, up for a top one, left and right likewise.
        const int outward = (horizontal_ ? !otherSide_ : otherSide_) ? 1 : -1;
        const int extent = horizontal_ ? h : w;
        const int c0 = std::min({AxisPos, LabelsPos, LabelsPos + outward * extent});
        const int c1 = std::max({AxisPos, LabelsPos, LabelsPos + outward * extent});
        const int along = horizontal_ ? w / 2 : h / 2;
        TRect r = horizontal_ ? TRect{item->LabelPos - along, c0, item->LabelPos + along, c1}
                              : TRect{c0, item->LabelPos - along, c1, item->LabelPos + along};
        if (Is3D()) {
            TRect projected;
            canvas.ProjectRect(r, IsDepthAxis ? 0 : DepthPos, projected);
            r = Normalized(projected);
        }
        if (x >= r.Left && x <= r.Right && y >= r.Top && y <= r.Bottom) return i;
    }
    return -1;
}
