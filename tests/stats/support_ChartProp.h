#pragma once
// The chart properties dialog offscreen on a recording chart, with the scripted UI services:
// series are added to the chart, a line is made current and popup commands are triggered by
// their captions.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <initializer_list>
#include <string>
#include <utility>

#include "chart/series/support_SeriesTest.h"
#include "platform/ui/ScriptedUiServices.h"
#include "stats/FChartProp.h"
#include "support/TestSupport.h"

namespace statstest {

using qbtest::MenuItem;

class ChartPropFixture : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    template <class S>
    S* Add(const std::string& title, std::initializer_list<std::pair<double, double>> points = {})
    {
        auto* series = new S(&chart);
        series->SetTitle(title);
        series->SetParentChart(&chart);
        for (const auto& [x, y] : points) series->AddPointXY(x, y);
        return series;
    }
    // Activation, then the line made current and the popup prepared as a right click does.
    void Select(int row);
    void Trigger(std::initializer_list<const char*> path);

    TScriptedUiServices ui;
    TScopedUiServices scope{ui};
    qbtest::TempDir dir;
    seriestest::TTestChart chart;
    TFormChartProp* form = nullptr;
};

}  // namespace statstest
