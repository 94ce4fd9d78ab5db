#include "chart/series/GanttCh.h"

#include <algorithm>
#include <cmath>

#include "chart/engine/ChartRegistry.h"
#include "chart/engine/DuvProcs.h"
#include "chart/graphics/CanvasHelpers.h"
#include "chart/graphics/DuvConst.h"
#include "chart/graphics/DuvGradient.h"
#include "chart/series/RuRazaziMarks.h"
#include "platform/core/DateTime.h"
#include "platform/core/ScopeGuard.h"

namespace {
// Screen coordinates handed to the canvas stay within this range; a task end beyond it lies off
// the chart and is drawn at its edge.
int ScreenRange(int pixel) { return std::clamp(pixel, -32767, 32767); }
}  // namespace

TGanttSeries::TGanttSeries(TComponent* owner)
    : TPointSeries(owner),
      endValues_(new TChartValueList(this, DuvMsgValuesGanttEnd)),
      nextTask_(new TChartValueList(this, DuvMsgValuesGanttNextTask))
{
    nextTask_->PendingValue = -1;
    MakeHorizontal();
    XValues()->SetName(DuvMsgValuesGanttStart);
    XValues()->SetDateTimeDefault(true);
    endValues_->SetDateTimeDefault(true);
    // Sorting the tasks by start would leave NextTask naming other tasks than it did.
    XValues()->SetOrder(loNone);
    YValues()->SetOrder(loNone);
    InitClickableLine(false);
    ComputeVisiblePoints = false;
    InitColorEachPoint(true);
    Pointer().SetStyle(psRectangle);
}

TGanttSeries::~TGanttSeries() = default;

void TGanttSeries::DeclareProperties(TPropertyDeclarer<TGanttSeries>& p)
{
    using G = TGanttSeries;
    p.Object("Callout", &G::Callout, &G::SetCallout).Peek(&G::PeekCallout);
    p.Object("ConnectingPen", [](const G& s) { return &s.ConnectingPen(); }, &G::SetConnectingPen);
    p.Object("EndValues", &G::EndValues, &G::SetEndValues);
    p.Object("NextTask", &G::NextTask, &G::SetNextTask);
    // The start list is X, stored there.
    p.Object("StartValues", &G::StartValues, &G::SetStartValues).NotStored();
}

TMarksCallout* TGanttSeries::Callout()
{
    if (!callout_) {
        const TRepaintHold hold(ParentChart());
        callout_ = std::make_unique<TMarksCallout>(this);
        callout_->SetStyle(psRightTriangle);
        callout_->InitVisible(false);
        callout_->Arrow().InitVisible(false);
    }
    return callout_.get();
}

void TGanttSeries::SetCallout(const TMarksCallout* value)
{
    if (value)
        Callout()->Assign(value);
    else
        callout_.reset();
    RequestRepaint();
}

int TGanttSeries::AddGanttColor(double start, double end, double y, const std::string& label, TColor color)
{
    endValues_->PendingValue = end;
    return AddPointXY(start, y, label, color);
}

int TGanttSeries::AddPointXY(double x, double y, const std::string& label, TColor color)
{
    // Reset after the point, not before it: a stored chart's reader sets the pending value of
    // each point it reads, and its links would otherwise be lost on loading.
    const int index = TPointSeries::AddPointXY(x, y, label, color);
    nextTask_->PendingValue = -1;
    return index;
}

void TGanttSeries::GetVertMargins(int& top, int& bottom)
{
    TPointSeries::GetVertMargins(top, bottom);
    const int size = ScreenRange(Pointer().VertSize());
    top = ScreenRange(top) + size;
    bottom = ScreenRange(bottom) + size;
}

void TGanttSeries::DrawPoint(int index)
{
    if (!Pointer().Visible()) return;
    const TColor color = GetPointColor(index);
    if (color == clNone) return;
    TCustomAxisPanel* chart = ParentChart();
    TCanvas3D& canvas = chart->Canvas();
    Pointer().PreparePen(canvas, color);
    ApplyHoverPen(index);
    const int x0 = ScreenRange(GetPointScreenX(index));
    const int x1 = ScreenRange(ValueToScreenX(endValues_->GetValueAt(index)));
    const int half = (x1 - x0) / 2;
    const int y = ScreenRange(GetPointScreenY(index));
    Pointer().DrawStyled(canvas, chart->View3D(), x0 + half, y, half, Pointer().VertSize(), color, PointerStyleOf(index));
    DrawConnector(index, x1, y);
}

void TGanttSeries::DrawConnector(int index, int x1, int y)
{
    if (!ConnectingPen().Visible()) return;
    const double next = std::round(nextTask_->GetValueAt(index));
    if (!(next >= 0 && next < PointCount())) return;
    const int n = static_cast<int>(next);
    TCanvas3D& canvas = ParentChart()->Canvas();
    canvas.AssignPen(ConnectingPen());
    canvas.Brush().SetStyle(bsClear);
    const int xn = ScreenRange(GetPointScreenX(n)), yn = ScreenRange(GetPointScreenY(n));
    const int xm = x1 + (xn - x1) / 2;
    TDuvBlend* blend = Transparency() > 0 ? canvas.BeginBlending(TRect{}, Transparency()) : nullptr;
    const TScopeGuard endBlend([&] {
        if (blend) canvas.EndBlending(blend);
    });
    canvas.MoveTo3D(x1, y, MiddleZ);
    canvas.LineTo3D(xm, y, MiddleZ);
    canvas.LineTo3D(xm, yn, MiddleZ);
    canvas.LineTo3D(xn, yn, MiddleZ);
    if (!callout_ || !(callout_->Visible() || callout_->Arrow().Visible())) return;
    // The marker blends by its own transparency as it draws.
    const TColor markerColor = callout_->Brush().Color();
    canvas.Brush().SetStyle(bsSolid);
    canvas.Brush().SetColor(markerColor);
    callout_->DrawStyleAt(xn - callout_->GetMaxSize(), yn, callout_->Style(), markerColor);
}

void TGanttSeries::DrawPointMark(int index, const std::string& text, TSeriesMarkPosition& position)
{
    position.LeftTop.X += (ValueToScreenX(endValues_->GetValueAt(index)) - position.ArrowFrom.X) / 2;
    position.LeftTop.Y += position.Height / 2;
    TPointSeries::DrawPointMark(index, text, position);
}

bool TGanttSeries::IsPointHit(int index, int pointX, int pointY, int mouseX, int mouseY)
{
    return mouseX >= pointX && mouseX <= ValueToScreenX(endValues_->GetValueAt(index)) &&
           std::abs(static_cast<long long>(mouseY) - pointY) < Pointer().VertSize();
}

double TGanttSeries::MaxXValue()
{
    const double inherited = TPointSeries::MaxXValue();
    return PointCount() == 0 ? inherited : std::max(inherited, endValues_->GetMaximum());
}

void TGanttSeries::AssignFormat(const TCustomChartSeries* source)
{
    if (const auto* other = dynamic_cast<const TGanttSeries*>(source)) {
        ConnectingPen().Assign(&other->ConnectingPen());
        SetCallout(other->PeekCallout());
    }
    TPointSeries::AssignFormat(source);
}

bool TGanttSeries::AcceptsSourceSeries(const TChartSeries* source) const
{
    return dynamic_cast<const TGanttSeries*>(source) && TPointSeries::AcceptsSourceSeries(source);
}

void TGanttSeries::SetGalleryLook()
{
    TPointSeries::SetGalleryLook();
    SetColorEachPoint(true);
    Pointer().SetVertSize(3);
    Pointer().GetGradient()->SetVisible(true);
}

void TGanttSeries::AddRandomSamples(int count, bool)
{
    if (count <= 0) return;
    static const std::string* const kNames[] = {&DuvMsgGanttDesign,     &DuvMsgGanttPrototyping, &DuvMsgGanttDevelopment,
                                                &DuvMsgGanttSales,      &DuvMsgGanttMarketing,   &DuvMsgGanttTesting,
                                                &DuvMsgGanttManufacturing, &DuvMsgGanttDebugging, &DuvMsgNewVersion,
                                                &DuvMsgBanking};
    const int tasks = std::min(count - 1, 10 + RandomInt(20)) + 1;
    const double today = std::floor(Date());
    for (int i = 0; i < tasks; ++i) {
        const double start = today + 3 * i + RandomInt(5);
        const double end = start + 9 + RandomInt(16);
        const int added = AddGantt(start, end, i % 10, *kNames[i % 10]);
        for (int j = 0; j < PointCount(); ++j) {
            if (j == added) continue;
            if (nextTask_->GetValueAt(j) == -1 && endValues_->GetValueAt(j) < start) {
                nextTask_->SetValueAt(j, added);
                break;
            }
        }
    }
}

void GanttChInitialization()
{
    RegisterClassForStreaming(TGanttSeries::StaticClass());
    RegisterSeriesType(&TGanttSeries::StaticClass(), &DuvMsgGalleryGantt, &DuvMsgGalleryStandard, 1);
}
