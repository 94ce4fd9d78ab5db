#pragma once
// What the chart grid tests share: a chart holding plain data series, a series with X, Y and Z
// lists on a regular grid, and readers of the grid's cells.
#include <string>
#include <vector>

#include "chart/engine/Chart.h"
#include "chart/output/ChartGridModel.h"
#include "chart/series/RuRazaziSeries.h"

namespace gridtest {

// Graphics, engine, series and output modules, once per test program.
void StartGridModules();

// A series with a "Z" list, filled as a regular X-by-Z grid of positions 1 .. nx, 1 .. nz with
// Y = 10 * x + z.
class TGridTestSeries : public TChartSeries {
    QB_CLASS(TGridTestSeries, TChartSeries)
public:
    explicit TGridTestSeries(TComponent* owner = nullptr);
    TChartValueList* Z;
    void AddXYZ(double x, double y, double z);
    void FillGrid(int nx, int nz);
};

// A chart with its series; series are owned by the chart's owner (none here), so the fixture
// frees them.
struct TGridChart {
    TScopedComponent<TChart> Chart;
    // A series on the chart with the given Y values (X 0, 1, 2 ...) and optional labels.
    TChartSeries* AddSeries(const std::vector<double>& ys, const std::vector<std::string>& labels = {});
    ~TGridChart();
};

// Every cell text of a model row.
std::vector<std::string> RowTexts(const TChartGridModel& model, int row);
// The Y values of a series, "null" for null points.
std::vector<std::string> YTexts(const TChartSeries& series);

}  // namespace gridtest
