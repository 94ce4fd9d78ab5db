#pragma once
// A small data series for the engine's tests: X and Y values, labels and point colours, drawn as
// one rectangle per point on the chart's canvas. Values are pixels: point i sits at
// (X[i], Y[i]) on the canvas, so tests need no axes.
#include <string>
#include <vector>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/RuRazazi.h"

namespace enginetest {

class TTestSeries : public TCustomChartSeries {
    QB_CLASS(TTestSeries, TCustomChartSeries)
public:
    explicit TTestSeries(TComponent* owner = nullptr);
    ~TTestSeries() override;
    static void DeclareProperties(TPropertyDeclarer<TTestSeries>& p);

    // Pixels the rectangle of a point reaches on each side, and how far a hit may be.
    static constexpr int kHalfSize = 3;

    TChartValueList& X() const { return *x_; }
    TChartValueList& Y() const { return *y_; }
    // Stored by X order; returns the index.
    int AddXY(double x, double y, const std::string& label = {}, TColor color = clDefault);
    TColor SeriesColor = clRed;
    // One entry per point once a point has a colour of its own.
    std::vector<TColor> PointColors;

    // What the tests count.
    std::vector<int> DrawnPoints;
    // Every SetParentChart call is recorded here when set (it outlives the series).
    std::vector<TCustomAxisPanel*>* ChartLog = nullptr;
    int Refreshes = 0;
    std::vector<std::pair<TDependentChange, int>> Notifications;  // (code, index)

    void SetParentChart(TCustomAxisPanel* value) override;
    void DrawPoint(int index) override;
    int GetPointScreenX(int index) override;
    int GetPointScreenY(int index) override;
    bool IsPointHit(int index, int pointX, int pointY, int mouseX, int mouseY) override;
    int PointAtScreen(int x, int y) override;
    TColor GetSeriesColor() const override { return SeriesColor; }
    TColor GetPointColor(int index) const override;
    void SwapPoints(int i, int j) override;
    void ClearPoints() override;
    void RefreshFromSources() override { ++Refreshes; }
    void NotifyDependents(TDependentChange code, int index) override { Notifications.emplace_back(code, index); }

private:
    TChartValueList* x_;
    TChartValueList* y_;
};

// A chart window that counts the repaints it is asked for.
class TCountingWindow : public IPanelWindow {
public:
    int Repaints = 0;
    void RepaintWindow() override { ++Repaints; }
    TRect ClientRect() const override { return {0, 0, 400, 300}; }
    void SetRoundRegion(int) override {}
    void ShowCursor(TCursor) override {}
    bool CanFocus() const override { return false; }
    bool Focused() const override { return false; }
    bool ParentFocused() const override { return false; }
    void TakeFocus() override {}
    TPoint MousePos() const override { return {}; }
};

// A chart whose window counts repaints.
struct TCountedChart {
    TCountedChart() { chart.SetWindow(&window); }
    ~TCountedChart() { chart.SetWindow(nullptr); }
    TCountedChart(const TCountedChart&) = delete;
    TCountedChart& operator=(const TCountedChart&) = delete;
    int Repaints() const { return window.Repaints; }
    TCountingWindow window;
    TCustomAxisPanel chart{nullptr};
};

}  // namespace enginetest
