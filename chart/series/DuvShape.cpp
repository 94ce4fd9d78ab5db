#include "chart/series/DuvShape.h"

#include <algorithm>
#include <cmath>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/ChartRegistry.h"
#include "chart/engine/DuvProcs.h"
#include "chart/graphics/CanvasHelpers.h"
#include "chart/graphics/DuvConst.h"
#include "chart/graphics/DuvGradient.h"
// The segment test the arrow series answers clicks with.
#include "chart/series/ArrowCha.h"
#include "platform/core/NumText.h"
#include "platform/core/ScopeGuard.h"

namespace {
// Screen coordinates handed to the canvas stay within this range.
constexpr double kFarPixel = 32767;

bool RectsMeet(const TRect& a, const TRect& b)
{
    return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}
}  // namespace

TChartShape::TChartShape(TComponent* owner)
    : TChartSeries(owner), font_(std::make_unique<TDuvFont>([this](TObject*) { RequestRepaint(); }))
{
    ComputeVisiblePoints = false;
    Brush().SetColor(clWhite);
    SetSeriesColor(Brush().Color());
    AddDefaultPoints();
}

TChartShape::~TChartShape() = default;

void TChartShape::DeclareProperties(TPropertyDeclarer<TChartShape>& p)
{
    using S = TChartShape;
    p.Enum("Alignment", &S::Alignment, &S::SetAlignment).Default(taCenter);
    p.Object("Brush", [](const S& s) { return &s.Brush(); }, &S::SetBrush);
    p.Object("Font", [](const S& s) { return &s.Font(); }, &S::SetFont);
    // Stored with the brush it belongs to.
    p.Object("Gradient", &S::GetGradient, &S::SetGradient).NotStored();
    p.Strings("Text", [](S& s) -> TStringList& { return s.Text(); }).OnChanged(&S::TextListChanged);
    p.Object("Pen", [](const S& s) { return &s.Pen(); }, &S::SetPen);
    p.Boolean("RoundRectangle", &S::RoundRectangle, &S::SetRoundRectangle).Default(false);
    p.Enum("Style", &S::Style, &S::SetStyle).Default(chasCircle);
    p.Boolean("Transparent", &S::Transparent, &S::SetTransparent).Default(false);
    p.Enum("VertAlign", &S::VertAlign, &S::SetVertAlign).Default(vaCenter);
    p.Enum("XYStyle", &S::XYStyle, &S::SetXYStyle).Default(xysAxis);
    // Read without adding points: writing a chart never changes it.
    p.Float("X0", [](const S& s) { return const_cast<S&>(s).CornerValue(0, true); }, &S::SetX0).Default(0.0);
    p.Float("X1", [](const S& s) { return const_cast<S&>(s).CornerValue(1, true); }, &S::SetX1).Default(100.0);
    p.Float("Y0", [](const S& s) { return const_cast<S&>(s).CornerValue(0, false); }, &S::SetY0).Default(0.0);
    p.Float("Y1", [](const S& s) { return const_cast<S&>(s).CornerValue(1, false); }, &S::SetY1).Default(100.0);
}

// ---------------------------------------------------------------- settings

void TChartShape::SetText(const TStringList& value)
{
    text_.Assign(value);
    RequestRepaint();
}

TDuvGradient* TChartShape::GetGradient() const { return Brush().GetGradient(); }

void TChartShape::SetGradient(const TDuvGradient* value) { Brush().GetGradient()->Assign(value); }

void TChartShape::SetSeriesColor(TColor value)
{
    TChartSeries::SetSeriesColor(value);
    Brush().SetColor(value);
}

// ---------------------------------------------------------------- corners

void TChartShape::AddDefaultPoints()
{
    AddPointXY(0, 0);
    AddPointXY(100, 100);
}

void TChartShape::EnsurePoints(int index)
{
    while (PointCount() <= index) AddPointXY(0, 0);
}

double TChartShape::CornerValue(int index, bool x)
{
    if (index >= PointCount()) return 0;
    return (x ? XValues() : YValues())->GetValueAt(index);
}

double TChartShape::X0()
{
    EnsurePoints(0);
    return CornerValue(0, true);
}

double TChartShape::Y0()
{
    EnsurePoints(0);
    return CornerValue(0, false);
}

double TChartShape::X1()
{
    EnsurePoints(1);
    return CornerValue(1, true);
}

double TChartShape::Y1()
{
    EnsurePoints(1);
    return CornerValue(1, false);
}

void TChartShape::StoreCorner(int index, bool x, double value)
{
    EnsurePoints(index);
    (x ? XValues() : YValues())->SetValueAt(index, value);
    DataLoaded = true;
    RequestRepaint();
}

int TChartShape::PixelOf(double value)
{
    // Huge corners would overflow an integer; they lie off screen either way.
    if (std::isnan(value)) return 0;
    return static_cast<int>(std::trunc(std::clamp(value, -kFarPixel, kFarPixel)));
}

void TChartShape::GetShapePoints(TRect& points)
{
    const int count = PointCount();
    if (xyStyle_ == xysPixels || count == 0) {
        points = {PixelOf(CornerValue(0, true)), PixelOf(CornerValue(0, false)), PixelOf(CornerValue(1, true)),
                  PixelOf(CornerValue(1, false))};
        return;
    }
    // Axis positions of values far outside the axis range come as the integer extremes.
    points.Left = PixelOf(GetPointScreenX(0));
    points.Top = PixelOf(GetPointScreenY(0));
    if (xyStyle_ == xysAxis && count >= 2) {
        points.Right = PixelOf(GetPointScreenX(1));
        points.Bottom = PixelOf(GetPointScreenY(1));
        return;
    }
    points.Right = PixelOf(points.Left + PixelOf(CornerValue(1, true)));
    points.Bottom = PixelOf(points.Top + PixelOf(CornerValue(1, false)));
}

void TChartShape::GetShapeRectangle(TRect& rect)
{
    TRect corners;
    GetShapePoints(corners);
    rect = OrientRectValues(corners.Left, corners.Top, corners.Right, corners.Bottom);
    if (rect.Top == rect.Bottom) ++rect.Bottom;
    if (rect.Left == rect.Right) ++rect.Right;
}

// ---------------------------------------------------------------- drawing

bool TChartShape::Is3DChart() const { return ParentChart() && ParentChart()->View3D(); }

void TChartShape::DrawPoint(int index)
{
    TCustomAxisPanel* chart = ParentChart();
    if (!chart || PointCount() != 2 || index != 0) return;
    TRect r;
    GetShapeRectangle(r);
    if (!RectsMeet(r, chart->ChartRect)) return;
    TCanvas3D& canvas = chart->Canvas();
    const bool is3D = xyStyle_ != xysPixels && chart->View3D();
    TDuvBlend* blend = nullptr;
    if (Transparency() > 0) {
        TRect area;
        if (canvas.NativeBlending)
            area = {};
        else if (is3D)
            canvas.ProjectRect(r, MiddleZ, area);
        else
            area = r;
        blend = canvas.BeginBlending(area, Transparency());
    }
    const TScopeGuard endBlend([&] {
        if (blend) canvas.EndBlending(blend);
    });
    if (style_ == chasLine) {
        // The line keeps its direction: corner 0 to corner 1, not the normalised rectangle.
        TRect corners;
        GetShapePoints(corners);
        DrawShape(index, is3D, corners);
    } else {
        DrawShape(index, is3D, r);
    }
    DrawText(r);
}

void TChartShape::DrawShape(int index, bool is3D, const TRect& rect)
{
    TCustomAxisPanel* chart = ParentChart();
    if (!chart) return;
    TCanvas3D& canvas = chart->Canvas();
    if (!ApplyHoverPen(index)) canvas.AssignPen(Pen());
    if (transparent_)
        canvas.Brush().SetStyle(bsClear);
    else if (Brush().Color() == clDefault)
        canvas.AssignBrushColor(Brush(), chart->ColorFromPalette(GetSeriesIndex()), GetSeriesColor());
    else
        canvas.AssignBrushColor(Brush(), GetSeriesColor(), Brush().Color());
    canvas.SetBackMode(Brush().Color() == clNone ? 1 : 2);
    const int left = rect.Left, top = rect.Top, right = rect.Right, bottom = rect.Bottom;
    const int mx = (left + right) / 2, my = (top + bottom) / 2;
    const bool darkSides = !transparent_;
    if (is3D) {
        const int z = MiddleZ;
        auto cross = [&] {
            canvas.VertLine3D(mx, top, bottom, z);
            canvas.HorizLine3D(left, right, my, z);
        };
        auto diagonals = [&] {
            canvas.LineWithZ(left, top, right, bottom, z);
            canvas.LineWithZ(left, bottom, right, top, z);
        };
        switch (style_) {
        case chasRectangle: canvas.RectangleWithZ(rect, z); break;
        case chasCircle: canvas.EllipseWithZRect(rect, z); break;
        case chasVertLine: canvas.VertLine3D(mx, top, bottom, z); break;
        case chasHorizLine: canvas.HorizLine3D(left, right, my, z); break;
        case chasTriangle: canvas.TriangleWithZ({left, bottom}, {mx, top}, {right, bottom}, z); break;
        case chasInvertTriangle: canvas.TriangleWithZ({left, top}, {mx, bottom}, {right, top}, z); break;
        case chasLine: canvas.LineWithZ(left, top, right, bottom, z); break;
        case chasDiamond: canvas.PlaneFour3D({left, my}, {mx, top}, {right, my}, {mx, bottom}, z); break;
        case chasCube: canvas.Cube(left, right, top, bottom, StartZ, EndZ, darkSides, 0); break;
        case chasCross: cross(); break;
        case chasDiagCross: diagonals(); break;
        case chasStar:
            cross();
            diagonals();
            break;
        case chasPyramid: canvas.Pyramid(true, left, top, right, bottom, StartZ, EndZ, darkSides); break;
        case chasInvertPyramid: canvas.Pyramid(true, left, bottom, right, top, StartZ, EndZ, darkSides); break;
        }
        return;
    }
    auto cross = [&] {
        canvas.VertLine(mx, top, bottom + 1);
        canvas.HorizLine(left, right + 1, my);
    };
    auto diagonals = [&] {
        canvas.Line(left, top, right + 1, bottom + 1);
        canvas.Line(left, bottom, right + 1, top - 1);
    };
    switch (style_) {
    case chasRectangle:
        if (roundRectangle_)
            canvas.RoundRectCorners(rect, 12, 12, nullptr);
        else
            canvas.Rectangle(left, top, right + 1, bottom + 1);
        break;
    case chasCircle: canvas.EllipseRect(rect); break;
    case chasVertLine: canvas.VertLine(mx, top, bottom); break;
    case chasHorizLine: canvas.HorizLine(left, right + 1, my); break;
    case chasTriangle:
    case chasPyramid: canvas.Polygon({{left, bottom}, {mx, top}, {right, bottom}}); break;
    case chasInvertTriangle:
    case chasInvertPyramid: canvas.Polygon({{left, top}, {mx, bottom}, {right, top}}); break;
    case chasLine: canvas.Line(left, top, right, bottom); break;
    case chasDiamond: canvas.Polygon({{left, my}, {mx, top}, {right, my}, {mx, bottom}}); break;
    case chasCube: canvas.Rectangle(left, top, right, bottom); break;
    case chasCross: cross(); break;
    case chasDiagCross: diagonals(); break;
    case chasStar:
        cross();
        diagonals();
        break;
    }
}

void TChartShape::DrawText(const TRect& rect)
{
    TCustomAxisPanel* chart = ParentChart();
    const int n = text_.Count();
    if (!chart || n == 0) return;
    TCanvas3D& canvas = chart->Canvas();
    const bool onAxes = xyStyle_ != xysPixels;
    if (onAxes && Is3DChart())
        canvas.AssignFontZoomed(*font_);
    else
        canvas.AssignFont(*font_);
    // Text in the fill's own colour would vanish.
    if (GetSeriesColor() == font_->Color()) canvas.Font().SetColor(GetSeriesColor() == clBlack ? clWhite : clBlack);
    const int h = canvas.FontHeight();
    const int mx = (rect.Left + rect.Right) / 2, my = (rect.Top + rect.Bottom) / 2;
    int top = rect.Top;
    if (vertAlign_ == vaCenter)
        top = my - static_cast<int>(Rnd(n * h * 0.5));
    else if (vertAlign_ == vaBottom)
        top = rect.Bottom - n * h;
    canvas.SetBackMode(1);
    const int penWidth = Pen().Width();
    for (int i = 0; i < n; ++i) {
        const std::string& line = text_[i];
        const int w = canvas.TextWidth(line);
        int x = mx - w / 2;
        if (alignment_ == taLeftJustify)
            x = rect.Left + penWidth + 4;
        else if (alignment_ == taRightJustify)
            x = rect.Right - penWidth - w - 4;
        canvas.SetTextAlign(0);
        if (onAxes)
            canvas.TextOut3D(x, top, StartZ, line, false);
        else
            canvas.TextOut(x, top, line);
        top += h;
    }
}

// ---------------------------------------------------------------- mouse

int TChartShape::PointAtScreen(int x, int y)
{
    // A shape that draws nothing answers no click.
    if (PointCount() != 2) return -1;
    if (TCustomAxisPanel* chart = ParentChart()) chart->Canvas().Unproject(x, y, StartZ);
    TRect c;
    GetShapePoints(c);
    const int x0 = c.Left, y0 = c.Top, x1 = c.Right, y1 = c.Bottom;
    const int mx = (x0 + x1) / 2, my = (y0 + y1) / 2;
    const TPoint p{x, y};
    bool hit = false;
    switch (style_) {
    case chasCircle: hit = PointInsideEllipseRect(p, OrientRectValues(x0, y0, x1, y1)); break;
    case chasVertLine: hit = PointNearSegment(p, {mx, y0}, {mx, y1}, 0); break;
    case chasHorizLine: hit = PointNearSegment(p, {x0, my}, {x1, my}, 0); break;
    case chasTriangle:
    case chasPyramid: hit = PointInsideVertTriangle(p, x0, x1, y0, y1); break;
    case chasInvertTriangle:
    case chasInvertPyramid: hit = PointInsideVertTriangle(p, x0, x1, y1, y0); break;
    case chasLine: hit = PointNearSegment(p, {x0, y0}, {x1, y1}, 0); break;
    case chasDiamond: hit = PointInsidePolygon(p, {{mx, y0}, {x1, my}, {mx, y1}, {x0, my}}, 3); break;
    default: {
        const TRect r = OrientRectValues(x0, y0, x1, y1);
        hit = x >= r.Left && x <= r.Right && y >= r.Top && y <= r.Bottom;
    }
    }
    return hit ? 0 : -1;
}

// ---------------------------------------------------------------- series overrides

void TChartShape::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TChartShape*>(source)) {
        SetText(other->text_);
        xyStyle_ = other->xyStyle_;
    }
    TChartSeries::Assign(source);
}

void TChartShape::AssignFormat(const TCustomChartSeries* source)
{
    if (const auto* other = dynamic_cast<const TChartShape*>(source)) {
        alignment_ = other->alignment_;
        font_->Assign(other->font_.get());
        roundRectangle_ = other->roundRectangle_;
        style_ = other->style_;
        transparent_ = other->transparent_;
        vertAlign_ = other->vertAlign_;
    }
    TChartSeries::AssignFormat(source);
}

void TChartShape::CalcZOrder()
{
    if (UsesAxes()) TChartSeries::CalcZOrder();
}

void TChartShape::PaintLegendSymbol(int index, const TRect& rect) { DrawShape(index, false, rect); }

void TChartShape::ListSubGalleryStyles(const TSubGalleryCallback& callback)
{
    TChartSeries::ListSubGalleryStyles(callback);
    for (const std::string* text :
         {&DuvMsgSubRectangle, &DuvMsgSubVertLine, &DuvMsgSubHorizLine, &DuvMsgSubEllipse, &DuvMsgSubDownTriangle,
          &DuvMsgSubLine, &DuvMsgSubDiamond, &DuvMsgSubCube, &DuvMsgSubCross, &DuvMsgSubDiagCross, &DuvMsgSubStar,
          &DuvMsgSubPyramid, &DuvMsgSubInvPyramid, &DuvMsgSubHollow})
        callback(*text);
}

void TChartShape::ApplySubGalleryStyle(int index)
{
    // Entries 1 .. 13 choose a figure, in this order; 14 toggles the fill.
    static constexpr TChartShapeStyle kStyles[] = {chasRectangle, chasVertLine, chasHorizLine, chasCircle,
                                                   chasInvertTriangle, chasLine, chasDiamond, chasCube,
                                                   chasCross, chasDiagCross, chasStar, chasPyramid,
                                                   chasInvertPyramid};
    if (index >= 1 && index <= 13)
        SetStyle(kStyles[index - 1]);
    else if (index == 14)
        SetTransparent(!transparent_);
}

void TChartShape::AddRandomSamples(int, bool)
{
    const TSampleRanges ranges = SampleValueRanges(1);
    if (ranges.XStep == 0) {
        AddDefaultPoints();
        return;
    }
    AddPointXY(ranges.StartX + ranges.XStep / 8, ranges.StartY / 2);
    AddPointXY(ranges.StartX + ranges.XStep - ranges.XStep / 8,
               ranges.StartY + RandomInt(static_cast<int>(Rnd(ranges.YRange))));
}

void TChartShape::SetGalleryLook()
{
    TChartSeries::SetGalleryLook();
    font_->SetColor(static_cast<TColor>(0x00FFFF));
    font_->SetStyle(TFontStyles{fsBold});
    font_->SetSize(12);
    text_.Clear();
    Brush().SetColor(clDefault);
    if (GetSeriesIndex() == 1) {
        SetStyle(chasCircle);
        SetX0(10);
        SetX1(50);
        text_.Add(DuvMsgSampleAbc);
    } else {
        SetStyle(chasTriangle);
        text_.Add(DuvMsgSample123);
    }
    RequestRepaint();
}

bool TChartShape::AcceptsSourceSeries(const TChartSeries* source) const
{
    return dynamic_cast<const TChartShape*>(source) && source != this;
}

void DuvShapeInitialization()
{
    RegisterClassForStreaming(TChartShape::StaticClass());
    RegisterSeriesType(&TChartShape::StaticClass(), &DuvMsgGalleryShape, &DuvMsgGalleryStandard, 2);
}
