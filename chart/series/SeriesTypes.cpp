// The line, horizontal line, point, area and horizontal area series: defaults, published
// properties, gallery sub-styles and their few overrides.
#include <algorithm>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/engine/RuRazaziLists.h"
#include "chart/graphics/DuvConst.h"
#include "chart/series/RuRazaziCallout.h"
#include "chart/series/Series.h"

namespace {
// Published groups: each class names the ones it shows.
enum : unsigned {
    pubLineLook = 1,     // Brush, LineBrush, LineHeight, Emboss, Shadow, OutLine, Stacked
    pubAreaLook = 2,     // AreaBrush, AreaChartBrush, AreaColor, AreaLinesPen, DrawArea, MultiArea ...
    pubLineDrawing = 4,  // ColorEachLine, Dark3D, DrawStyle, Gradient, InflateMargins, stairs, LinePen ...
};

template <class T>
void DeclareCustomSeries(TPropertyDeclarer<T>& p, unsigned groups)
{
    using S = TCustomSeries;
    p.Boolean("ClickableLine", &S::ClickableLine, &S::SetClickableLine).DefaultFrom(&S::DefaultClickableLine);
    p.Integer("ClickTolerance", &S::ClickTolerance, &S::SetClickTolerance).Default(0);
    p.Object("Pointer", &S::GetPointer, &S::SetPointer);
    p.Event("OnClickPointer", &S::OnClickPointer);
    if (groups & pubLineDrawing) {
        p.Boolean("ColorEachLine", &S::ColorEachLine, &S::SetColorEachLine).Default(true);
        p.Boolean("Dark3D", &S::Dark3D, &S::SetDark3D).Default(true);
        p.Enum("DrawStyle", &S::DrawStyle, &S::SetDrawStyle).Default(dsSegments);
        // Stored with the brush it belongs to.
        p.Object("Gradient", &S::GetGradient, &S::SetGradient).NotStored();
        p.Boolean("InflateMargins", &S::InflateMargins, &S::SetInflateMargins).Default(true);
        p.Boolean("InvertedStairs", &S::InvertedStairs, &S::SetInvertedStairs).Default(false);
        p.Object("LinePen", [](const S& s) { return &s.LinePen(); }, &S::SetLinePen);
        p.Boolean("PointerBehind", &S::PointerBehind, &S::SetPointerBehind).Default(false);
        p.Boolean("Stairs", &S::Stairs, &S::SetStairs).Default(false);
        p.Enum("TreatNulls", &S::TreatNulls, &S::SetTreatNulls).Default(tnDontPaint);
    }
    if (groups & pubLineLook) {
        p.Object("Brush", [](const S& s) { return &s.Brush(); }, &S::SetBrush);
        p.Object("Emboss", [](const S& s) { return &s.Emboss(); }, &S::SetEmboss);
        p.Enum("LineBrush", &S::LineBrush, &S::SetLineBrush).Default(bsSolid);
        p.Integer("LineHeight", &S::LineHeight, &S::SetLineHeight).Default(0);
        p.Object("OutLine", &S::OutLine, &S::SetOutLine).Peek(&S::PeekOutLine);
        p.Object("Shadow", [](const S& s) { return &s.Shadow(); }, &S::SetShadow);
    }
    if (groups & pubAreaLook) {
        p.Enum("AreaBrush", &S::AreaBrush, &S::SetAreaBrush).Default(bsSolid);
        p.Object("AreaChartBrush", [](const S& s) { return &s.AreaChartBrush(); }, &S::SetAreaChartBrush);
        p.Color("AreaColor", &S::AreaColor, &S::SetAreaColor).Default(clDefault);
        p.Object("AreaLinesPen", [](const S& s) { return &s.AreaLinesPen(); }, &S::SetAreaLinesPen);
        // Stored although areas always set it, so a file says what it draws.
        p.Boolean("DrawArea", &S::DrawArea, &S::SetDrawArea).Stored([](const S&) { return true; });
    }
}
}  // namespace

// ---------------------------------------------------------------- line

TLineSeries::TLineSeries(TComponent* owner) : TCustomSeries(owner)
{
    SetDrawsLine(true);
    Pointer().InitVisible(false);
    SingleResultAsPoint = false;
    IncludePointPastEnd = true;
}

void TLineSeries::DeclareProperties(TPropertyDeclarer<TLineSeries>& p)
{
    DeclareCustomSeries(p, pubLineLook | pubLineDrawing);
    p.Enum("Stacked", &TCustomSeries::Stacked, &TCustomSeries::SetStacked).Default(cssNone);
}

void TLineSeries::Assign(const TPersistent* source)
{
    TCustomSeries::Assign(source);
    if (!dynamic_cast<const TLineSeries*>(source)) Pointer().SetVisible(false);
    SetDrawArea(false);
    SetDrawsLine(true);
}

void TLineSeries::PrepareLegendCanvas(int, TColor&, TBrushStyle& brushStyle)
{
    if (TCustomAxisPanel* chart = ParentChart()) {
        TCanvas3D& canvas = chart->Canvas();
        canvas.AssignPen(LinePen());
    }
    brushStyle = LineBrush();
}

void TLineSeries::ListSubGalleryStyles(const TSubGalleryCallback& callback)
{
    TCustomSeries::ListSubGalleryStyles(callback);
    for (const std::string* text : {&DuvMsgSubStairs, &DuvMsgSubPoints, &DuvMsgHeight, &DuvMsgSubHollow,
                                    &DuvMsgSubColors, &DuvMsgSubMarks, &DuvMsgSubNoBorder, &DuvMsgSubOutline})
        callback(*text);
}

void TLineSeries::ApplySubGalleryStyle(int index)
{
    switch (index) {
    case 1: SetStairs(true); break;
    case 2: Pointer().SetVisible(true); break;
    case 3: SetLineHeight(5); break;
    case 4: SetLineBrush(bsClear); break;
    case 5: SetColorEachPoint(true); break;
    case 6: Marks().SetVisible(true); break;
    case 7: LinePen().SetVisible(false); break;
    case 8: OutLine()->SetVisible(true); break;
    default: TCustomSeries::ApplySubGalleryStyle(index);
    }
}

THorizLineSeries::THorizLineSeries(TComponent* owner) : TLineSeries(owner)
{
    MakeHorizontal();
    ComputeVisiblePoints = false;
    XValues()->SetOrder(loNone);
    YValues()->SetOrder(loAscending);
}

int THorizLineSeries::GetMarkDistance() const { return const_cast<THorizLineSeries*>(this)->MaxMarkExtent(); }

void THorizLineSeries::DrawPointMark(int index, const std::string& text, TSeriesMarkPosition& position)
{
    const TMarksCallout* callout = Marks().PeekCallout();
    const int distance = callout ? callout->Distance() : 0;
    int length = (callout ? callout->Length() : 0) + distance;
    const int x = GetPointScreenX(index);
    const bool leftOfOrigin = x < GetOriginPos(index);
    if (leftOfOrigin) length = -length - position.Width;
    position.LeftTop.X += length + position.Width / 2;
    position.LeftTop.Y += position.Height / 2;
    position.ArrowTo.X += length;
    position.ArrowFrom.X += leftOfOrigin ? -distance : distance;
    MarksSetZ(StartZ);
    TChartSeries::DrawPointMark(index, text, position);
}

// ---------------------------------------------------------------- point

TPointSeries::TPointSeries(TComponent* owner) : TCustomSeries(owner)
{
    SetPointLook();
    InitClickableLine(false);
    Pointer().InitVisible(true);
    Marks().Callout().DefaultLength = 0;
    Marks().Callout().SetLength(0);
}

void TPointSeries::SetPointLook()
{
    Pointer().SetVisible(true);
    SetDrawArea(false);
    SetDrawsLine(false);
    SetClickableLine(false);
}

void TPointSeries::DeclareProperties(TPropertyDeclarer<TPointSeries>& p)
{
    DeclareCustomSeries(p, 0);
    p.Enum("Stacked", &TCustomSeries::Stacked, &TCustomSeries::SetStacked).Default(cssNone);
}

void TPointSeries::Assign(const TPersistent* source)
{
    TCustomSeries::Assign(source);
    SetPointLook();
}

void TPointSeries::SetColorEachPoint(bool value)
{
    TCustomSeries::SetColorEachPoint(value);
    if (value) Pointer().Brush().SetColor(clDefault);
}

void TPointSeries::SetTransparency(int value)
{
    TCustomSeries::SetTransparency(value);
    Pointer().SetTransparency(value);
}

void TPointSeries::SetGalleryLook()
{
    TCustomSeries::SetGalleryLook();
    SetupGalleryStyle();
}

void TPointSeries::SetupGalleryStyle()
{
    TCustomAxisPanel* chart = ParentChart();
    const int size = chart && chart->Width() >= 50 ? 6 : 4;
    Pointer().SetHorizSize(size);
    Pointer().SetVertSize(size);
    if (chart && chart->SeriesList().Count() > 1 && chart->SeriesList().GetSeries(1) == this) Pointer().SetStyle(psTriangle);
}

void TPointSeries::ListSubGalleryStyles(const TSubGalleryCallback& callback)
{
    TCustomSeries::ListSubGalleryStyles(callback);
    for (const std::string* text : {&DuvMsgSubColors, &DuvMsgSubMarks, &DuvMsgSubHollow, &DuvMsgSubNoBorder,
                                    &DuvMsgSubGradient})
        callback(*text);
    if (!HasPointerSubStyles()) return;
    for (const std::string* text : {&DuvMsgSubPoint2D, &DuvMsgSubTriangle, &DuvMsgSubStar, &DuvMsgSubCircle,
                                    &DuvMsgSubDownTriangle, &DuvMsgSubCross, &DuvMsgSubDiamond, &DuvMsgSubHexagon,
                                    &DuvMsgGalleryDonut, &DuvMsgGalleryArrow})
        callback(*text);
}

void TPointSeries::ApplySubGalleryStyle(int index)
{
    // Entries 7 .. 15 choose a pointer style, in this order.
    static constexpr TSeriesPointerStyle kStyles[] = {psTriangle, psStar,    psCircle, psDownTriangle, psCross,
                                                      psDiamond,  psHexagon, psDonut,  psArrow};
    switch (index) {
    case 1: SetColorEachPoint(true); return;
    case 2: Marks().SetVisible(true); return;
    case 3: Pointer().Brush().SetStyle(bsClear); return;
    case 4: Pointer().Pen().SetVisible(false); return;
    case 5: Pointer().Brush().GetGradient()->SetVisible(true); return;
    default: break;
    }
    if (!HasPointerSubStyles() || index < 6 || index > 15) {
        TCustomSeries::ApplySubGalleryStyle(index);
        return;
    }
    if (index == 6) {
        Pointer().SetDraw3D(false);
        return;
    }
    const TSeriesPointerStyle style = kStyles[index - 7];
    Pointer().SetStyle(style);
    if (style == psCircle) {
        Pointer().SetHorizSize(8);
        Pointer().SetVertSize(8);
    }
}

// ---------------------------------------------------------------- area

TAreaSeries::TAreaSeries(TComponent* owner) : TCustomSeries(owner)
{
    SetDrawArea(true);
    SetDrawsLine(true);
    SingleResultAsPoint = false;
    Pointer().InitVisible(false);
    IncludePointPastEnd = true;
}

void TAreaSeries::DeclareProperties(TPropertyDeclarer<TAreaSeries>& p)
{
    using A = TAreaSeries;
    DeclareCustomSeries(p, pubAreaLook | pubLineDrawing);
    // Stacked carries it; MultiArea only reads and writes it.
    p.Enum("MultiArea", &A::MultiArea, &A::SetMultiArea).NotStored();
    p.Integer("StackGroup", &A::StackGroup, &A::SetStackGroup).Default(0);
    p.Boolean("UseYOrigin", &A::UseYOrigin, &A::SetUseYOrigin).Default(false);
    p.Float("YOrigin", &A::YOrigin, &A::SetYOrigin);
    p.Enum("Stacked", &TCustomSeries::Stacked, &TCustomSeries::SetStacked).Default(cssNone);
}

void TAreaSeries::Assign(const TPersistent* source)
{
    TCustomSeries::Assign(source);
    SetDrawArea(true);
    SetDrawsLine(true);
    const auto* other = dynamic_cast<const TAreaSeries*>(source);
    if (other && SameStackAs(*other)) {
        yOrigin_ = other->yOrigin_;
        stackGroup_ = other->stackGroup_;
        useYOrigin_ = other->useYOrigin_;
    } else {
        Pointer().SetVisible(false);
    }
}

bool TAreaSeries::SameStackAs(const TCustomSeries& other) const
{
    const auto* area = dynamic_cast<const TAreaSeries*>(&other);
    return TCustomSeries::SameStackAs(other) && area && area->stackGroup_ == stackGroup_;
}

TMultiArea TAreaSeries::MultiArea() const
{
    switch (Stacked()) {
    case cssStack: return maStacked;
    case cssStack100: return maStacked100;
    default: return maNone;
    }
}

void TAreaSeries::SetMultiArea(TMultiArea value)
{
    static constexpr TCustomSeriesStack kStacks[] = {cssNone, cssStack, cssStack100};
    SetStacked(kStacks[value]);
}

void TAreaSeries::CalcZOrder()
{
    TCustomAxisPanel* chart = ParentChart();
    if (MultiArea() == maNone || !chart) {
        TCustomSeries::CalcZOrder();
        return;
    }
    for (TCustomChartSeries* item : chart->SeriesList()) {
        if (item == this) break;
        const auto* other = dynamic_cast<const TCustomSeries*>(item);
        if (other && other->Active() && SameStackAs(*other)) {
            DepthSlot = other->DepthSlot;
            return;
        }
    }
    // The first stacked area of its group opens a slot as an unstacked series would.
    const TCustomSeriesStack stacked = Stacked();
    TCustomSeries::SetStackedField(cssNone);
    TCustomSeries::CalcZOrder();
    TCustomSeries::SetStackedField(stacked);
}

bool TAreaSeries::DrawForwardIn3DView(int index) const
{
    if (MultiArea() == maNone) return TCustomSeries::DrawForwardIn3DView(index);
    const TChartAxis* axis = GetValueAxis();
    return !(axis && axis->Inverted());
}

int TAreaSeries::GetOriginPos(int index)
{
    if (useYOrigin_) return ValueToScreenMandatory(yOrigin_);
    return TCustomSeries::GetOriginPos(index);
}

double TAreaSeries::MaxXValue()
{
    const double value = TCustomSeries::MaxXValue();
    return useYOrigin_ && !YMandatory() ? std::max(value, yOrigin_) : value;
}

double TAreaSeries::MinXValue()
{
    const double value = TCustomSeries::MinXValue();
    return useYOrigin_ && !YMandatory() ? std::min(value, yOrigin_) : value;
}

double TAreaSeries::MaxYValue()
{
    const double value = TCustomSeries::MaxYValue();
    return useYOrigin_ && YMandatory() ? std::max(value, yOrigin_) : value;
}

double TAreaSeries::MinYValue()
{
    const double value = TCustomSeries::MinYValue();
    return useYOrigin_ && YMandatory() ? std::min(value, yOrigin_) : value;
}

void TAreaSeries::ResetBrush()
{
    TCustomSeries::ResetBrush();
    AreaChartBrush().SetStyle(bsSolid);
    AreaChartBrush().SetColor(clDefault);
    AreaChartBrush().SetBackColor(clDefault);
}

void TAreaSeries::PrepareLegendCanvas(int, TColor& backColor, TBrushStyle& brushStyle)
{
    TCustomAxisPanel* chart = ParentChart();
    if (!chart) return;
    TCanvas3D& canvas = chart->Canvas();
    backColor = AreaColorOf(canvas.Brush().Color());
    canvas.AssignPen(AreaLinesPen());
    brushStyle = AreaBrush();
}

void TAreaSeries::PaintLegendSymbol(int index, const TRect& rect)
{
    TCustomAxisPanel* chart = ParentChart();
    if (!chart) return;
    TCanvas3D& canvas = chart->Canvas();
    const TColor color = index == -1 ? GetSeriesColor() : GetLegendItemColor(index);
    if (AreaChartBrush().HasGradient())
        chart->ApplyBrush(color, AreaChartBrush(), AreaChartBrush().BackColor());
    else
        chart->ApplyBrush(color, Brush(), Brush().Color());
    if (AreaChartBrush().HasImage()) {
        TColor brushColor = AreaChartBrush().Color() == clDefault ? color : AreaChartBrush().Color();
        TColor back = AreaColorOf(canvas.Brush().Color());
        if (back == brushColor) back = clWhite;
        canvas.AssignBrushColor(AreaChartBrush(), brushColor, back);
    }
    TCustomSeries::PaintLegendSymbol(index, rect);
}

void TAreaSeries::ListSubGalleryStyles(const TSubGalleryCallback& callback)
{
    TCustomSeries::ListSubGalleryStyles(callback);
    for (const std::string* text : {&DuvMsgSubStairs, &DuvMsgSubMarks, &DuvMsgSubColors, &DuvMsgSubHollow,
                                    &DuvMsgSubNoLines, &DuvMsgSubStack, &DuvMsgSubStack100, &DuvMsgSubPoints,
                                    &DuvMsgSubGradient})
        callback(*text);
}

void TAreaSeries::ApplySubGalleryStyle(int index)
{
    switch (index) {
    case 1: SetStairs(true); break;
    case 2: Marks().SetVisible(true); break;
    case 3: SetColorEachPoint(true); break;
    case 4: SetAreaBrush(bsClear); break;
    case 5: AreaLinesPen().SetVisible(false); break;
    case 6: SetMultiArea(maStacked); break;
    case 7: SetMultiArea(maStacked100); break;
    case 8: Pointer().SetVisible(true); break;
    case 9: GetGradient()->SetVisible(true); break;
    default: TCustomSeries::ApplySubGalleryStyle(index);
    }
}

THorizAreaSeries::THorizAreaSeries(TComponent* owner) : TAreaSeries(owner)
{
    MakeHorizontal();
    XValues()->SetOrder(loNone);
    YValues()->SetOrder(loAscending);
    GetGradient()->SetDirection(gdRightLeft);
}

void THorizAreaSeries::DrawPointMark(int index, const std::string& text, TSeriesMarkPosition& position)
{
    const TMarksCallout* callout = Marks().PeekCallout();
    const int distance = callout ? callout->Distance() : 0;
    const int length = (callout ? callout->Length() : 0) + distance;
    position.LeftTop.Y = position.ArrowTo.Y - position.Height / 2;
    position.LeftTop.X += length + position.Width / 2;
    position.ArrowTo.X += length;
    position.ArrowFrom.Y = position.ArrowTo.Y;
    position.ArrowFrom.X += distance;
    TAreaSeries::DrawPointMark(index, text, position);
}
