#pragma once
// What the function benchmarks share: the chart modules started as the program does, the
// failure exit, the median, and our side's timing: the output series refilled from its source
// through its function, the medians of several runs counting.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "chart/engine/ChartEngineModules.h"
#include "chart/graphics/ChartGraphicsModules.h"
#include "chart/series/ChartSeriesModules.h"
#include "chart/series/RuRazaziSeries.h"

namespace benchfunctions {

using Clock = std::chrono::steady_clock;

inline void StartModules()
{
    InitializeChartGraphicsModules();
    InitializeChartEngineModules();
    InitializeChartSeriesModules();
}

[[noreturn]] inline void Fail(const std::string& why)
{
    std::printf("FAILED: %s\n", why.c_str());
    std::exit(1);
}

inline double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Seconds of each full recalculation of output from source.
inline std::vector<double> TimeRecalculations(TChartSeries& output, TChartSeries& source, int runs)
{
    std::vector<double> seconds;
    for (int run = 0; run < runs; ++run) {
        output.SetDataSource(nullptr);
        const auto start = Clock::now();
        output.SetDataSource(&source);
        seconds.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    }
    return seconds;
}

}  // namespace benchfunctions
