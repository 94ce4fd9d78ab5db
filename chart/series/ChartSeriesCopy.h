#pragma once
// Creating series with proper names, copying series and tools between charts, changing the
// class of a series in place and painting a series' legend symbol on any canvas. The editor,
// the galleries and the tools call these; nothing in the engine does.
#include <string>

#include "chart/series/RuRazaziSeries.h"

class QPainter;
class TDuvFunction;

// "Series" and the first number no component of owner uses.
std::string NextSeriesName(const TComponent* owner);
// A named series of the class on chart, owned by owner (or the chart; the chart when it owns
// series already), with a new function of functionClass when one is given.
TChartSeries* CreateChartSeries(TComponent* owner, TCustomAxisPanel* chart, const TClassInfo& seriesClass,
                                const TClassInfo* functionClass = nullptr);
TDuvFunction* AttachNewFunction(TChartSeries* series, const TClassInfo& functionClass);

TChartSeries* DuplicateSeriesInto(TChartSeries* series, TComponent* owner, TCustomAxisPanel* chart);
TChartSeries* DuplicateSeriesInChart(TChartSeries* series, TCustomAxisPanel* chart);
TChartSeries* DuplicateSeries(TChartSeries* series);
// A copy named "ChartTool" and a free number; the caller attaches it to a chart.
TDuvCustomTool* DuplicateTool(TDuvCustomTool* tool, TComponent* owner);

// The destination becomes a copy of the source chart: settings, series (computed ones fed by
// the copies of their sources) and tools.
void CloneChartContents(TCustomAxisPanel* destination, TCustomAxisPanel* source, TComponent* owner, bool keepData);

// The new series takes the old one's settings, events, dependents, tool links, place and name;
// the old one is freed.
void ReplaceSeries(TChartSeries* oldSeries, TChartSeries* newSeries);
// series names the new series afterwards (unchanged when it already has the class).
TChartSeries* ConvertSeriesClass(TChartSeries*& series, const TClassInfo& newClass);

// The series' legend symbol in rect of canvas; a series without a chart stays without one.
void PaintSeriesSymbol(TChartSeries* series, QPainter* device, const TRect& rect);
