#include "support_SeriesTest.h"

#include <cmath>
#include <cstdlib>

#include "chart/engine/ChartLegend.h"
#include "chart/engine/DuvProcs.h"
#include "chart/series/ChartSeriesModules.h"
#include "platform/core/NumText.h"
#include "platform/core/ScopeGuard.h"

namespace seriestest {

void StartSeriesModules()
{
    static const bool started = [] {
        enginetest::StartChartModules();
        InitializeChartSeriesModules();
        for (const TClassInfo* info : {&TTestSeries::StaticClass(), &THorizTestSeries::StaticClass(),
                                       &TThreeListSeries::StaticClass(),
                                       &TDoublingFunction::StaticClass(), &TCountingFunction::StaticClass(),
                                       &TTestChart::StaticClass()})
            RegisterClassForStreaming(*info);
        return true;
    }();
    (void)started;
}

TTestSeries::~TTestSeries()
{
    if (ParentChart()) SetParentChart(nullptr);
}

void TTestSeries::CopyPointFromSeries(TChartSeries* source, int index)
{
    if (depth_ == 0) Heard.push_back("copy " + std::to_string(index));
    ++depth_;
    TScopeGuard done([this] { --depth_; });
    TChartSeries::CopyPointFromSeries(source, index);
}

void TTestSeries::DeletePointAt(TChartSeries* source, int index)
{
    if (depth_ == 0) Heard.push_back("delete " + std::to_string(index));
    ++depth_;
    TScopeGuard done([this] { --depth_; });
    TChartSeries::DeletePointAt(source, index);
}

void TTestSeries::LoadFromSourceSeries(TCustomChartSeries* source)
{
    if (depth_ == 0) Heard.push_back("load");
    ++depth_;
    TScopeGuard done([this] { --depth_; });
    TChartSeries::LoadFromSourceSeries(source);
}

void TTestSeries::ClearPoints()
{
    if (depth_ == 0) Heard.push_back("clear");
    ++depth_;
    TScopeGuard done([this] { --depth_; });
    TChartSeries::ClearPoints();
}

void TTestSeries::DrawPoint(int index)
{
    DrawnPoints.push_back(index);
    if (!ParentChart()) return;
    TCanvas3D& canvas = ParentChart()->Canvas();
    canvas.Brush().SetColor(GetPointColor(index));
    const int x = GetPointScreenX(index), y = GetPointScreenY(index);
    canvas.Rectangle(x - kHalfSize, y - kHalfSize, x + kHalfSize, y + kHalfSize);
}

// Values are pixels here, so mouse tests need no axes.
int TTestSeries::PointAtScreen(int x, int y)
{
    for (int i = 0; i < PointCount(); ++i)
        if (std::abs(XValues()->GetValueAt(i) - x) <= kHalfSize && std::abs(YValues()->GetValueAt(i) - y) <= kHalfSize)
            return i;
    return -1;
}

THorizTestSeries::THorizTestSeries(TComponent* owner) : TTestSeries(owner)
{
    MakeHorizontal();
    XValues()->SetOrder(loNone);
    YValues()->SetOrder(loAscending);
}

void TDoublingFunction::CalculateFromSources(TChartSeries* source)
{
    ++Calculations;
    if (!source || !OutputSeries()) return;
    for (int i = 0; i < source->PointCount(); ++i)
        OutputSeries()->AddPointXY(source->XValues()->GetValueAt(i), 2 * source->YValues()->GetValueAt(i));
}

void TCountingFunction::CalculateFromSources(TChartSeries*)
{
    if (!OutputSeries()) return;
    for (int i = 0; i < 3; ++i) OutputSeries()->AddPointXY(i, i + 1);
}

void TSeriesEventLog::PanelEvent(TDuvEvent& event)
{
    if (auto* series = dynamic_cast<TDuvSeriesEvent*>(&event)) {
        Codes.push_back(series->Event);
        Series.push_back(series->Series);
    }
}

int TSeriesEventLog::Count(TSeriesEventKind code, const TCustomChartSeries* series) const
{
    int n = 0;
    for (std::size_t i = 0; i < Codes.size(); ++i) n += Codes[i] == code && Series[i] == series;
    return n;
}

std::vector<TSeriesEventKind> TSeriesEventLog::CodesOf(const TCustomChartSeries* series) const
{
    std::vector<TSeriesEventKind> codes;
    for (std::size_t i = 0; i < Codes.size(); ++i)
        if (Series[i] == series) codes.push_back(Codes[i]);
    return codes;
}

TTestChart::TTestChart(TComponent* owner) : TChart(owner)
{
    SetBounds(0, 0, 400, 300);
    ReplaceCanvas(std::make_unique<TRecordingCanvas>(), "TRecordingCanvas");
    Legend()->SetVisible(false);
    SetView3D(false);
}

void TTestChart::Draw()
{
    Recording().Clear();
    DrawToCanvas(nullptr, GetPanelRect());
}

std::string ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Exception& e) {
        return e.Message();
    }
    return "no error";
}

std::string Describe(const TChartSeries& series)
{
    std::string text;
    for (int i = 0; i < series.PointCount(); ++i) {
        if (i > 0) text += ' ';
        text += FloatToStr(series.XValues()->GetValueAt(i)) + ":" + FloatToStr(series.YValues()->GetValueAt(i));
    }
    if (const std::vector<TColor>* colors = series.PointColors()) {
        text += " c=";
        for (std::size_t i = 0; i < colors->size(); ++i) {
            const TColor c = (*colors)[i];
            text += (i > 0 ? "," : "") + (c == clDefault ? std::string("def") : c == clNone ? std::string("none")
                                                                                             : std::to_string(c));
        }
    }
    if (series.Labels().Count() > 0) {
        text += " l=";
        for (int i = 0; i < series.Labels().Count(); ++i) text += (i > 0 ? "," : "") + series.Labels().GetLabelText(i);
    }
    return text;
}

}  // namespace seriestest
