#pragma once
// The series fuzz targets start the chart modules once per process, as the program does.
#include "chart/engine/ChartEngineModules.h"
#include "chart/graphics/ChartGraphicsModules.h"
#include "chart/series/ChartSeriesModules.h"

namespace seriesfuzz {

inline void StartSeriesModulesOnce()
{
    static const bool started = [] {
        InitializeChartGraphicsModules();
        InitializeChartEngineModules();
        InitializeChartSeriesModules();
        return true;
    }();
    (void)started;
}

}  // namespace seriesfuzz
