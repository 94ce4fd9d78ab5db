#pragma once
// A chart with fixed axes for the tests of the bubble, arrow, Gantt and shape series: the
// recording chart for call tables and a chart on the real canvas for pixel checks.
#include <gtest/gtest.h>

#include <QImage>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "support_SeriesTest.h"

namespace seriestest {

class AxisChartTest : public ::testing::Test {
protected:
    void SetUp() override;

    // A series of class S named name on the recording chart.
    template <class S>
    S* Add(const std::string& name)
    {
        auto* series = new S(&chart);
        series->SetName(name);
        series->SetParentChart(&chart);
        return series;
    }
    int X(double value) const;
    int Y(double value) const;
    // The calls the series made (only those named when names are given), "Name(args)" each.
    std::vector<std::string> Drawn(const std::string& title, const std::set<std::string>& names = {}) const;

    // The recording chart: 400 x 300, flat, axes 0 .. 10 both ways.
    TTestChart chart;
};

// A chart on the real (GDI) canvas, flat, without legend, axes 0 .. 10; Paint draws it into
// a picture whose pixels the tests read at axis positions.
class TRealChart {
public:
    TRealChart();
    TChart Chart;
    std::unique_ptr<QImage> Picture;
    void Paint();
    int X(double value) const;
    int Y(double value) const;
    QRgb At(double x, double y) const { return Pixel(X(x), Y(y)); }
    QRgb Pixel(int x, int y) const { return Picture->pixel(x, y) & 0xFFFFFF; }
};

// The pixel value of a chart colour.
QRgb Rgb(TColor color);

}  // namespace seriestest
