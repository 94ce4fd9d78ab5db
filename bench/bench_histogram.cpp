// The histogram function over ten million normal values in 20 bins, against numpy.histogram on
// the same values (which takes the same range, the values' minimum and maximum). Only the
// recalculation and the numpy call are timed; each side runs three times and the medians count.
// Both must give the same counts. Then the Pareto and cumulative functions and the by-X road of
// several sources at 10^5 and 10^6 points: none may take more than 15 times as long for ten
// times the points.
#include <unistd.h>

#include <QStringList>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "BenchPython.h"
#include "chart/engine/Chart.h"
#include "chart/engine/ChartEngineModules.h"
#include "chart/graphics/ChartGraphicsModules.h"
#include "chart/series/ChartSeriesModules.h"
#include "chart/series/DuvCumu.h"
#include "chart/series/DuvFunci.h"
#include "chart/series/DuvHistogram.h"
#include "chart/series/Series.h"
#include "chart/series/SeriesBar.h"

namespace {
constexpr int Values = 10000000;
constexpr int Bins = 20;
constexpr int Runs = 3;
constexpr double MaxGrowth = 15;

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Seconds(const std::function<void()>& work)
{
    std::vector<double> times;
    for (int run = 0; run < Runs; ++run) {
        const auto start = Clock::now();
        work();
        times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    }
    return Median(times);
}

const char* kPeer = R"(
import sys, time
import numpy as np
folder, bins, runs = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
values = np.fromfile(folder + "/values.bin", dtype=np.float64)
times = []
for _ in range(runs):
    start = time.perf_counter()
    counts, edges = np.histogram(values, bins=bins)
    times.append(time.perf_counter() - start)
counts.astype(np.float64).tofile(folder + "/counts.bin")
print(sorted(times)[len(times) // 2])
)";

std::vector<double> Indexes(int count)
{
    std::vector<double> xs(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) xs[static_cast<std::size_t>(i)] = i;
    return xs;
}

// A source of count values (X 0, 1, 2, ...) feeding a line output through the function.
TChartSeries* Feed(TChart& chart, TDuvFunction* function, const std::vector<double>& values)
{
    auto* source = new TLineSeries(&chart);
    source->SetParentChart(&chart);
    source->AddXYArrays(Indexes(static_cast<int>(values.size())), values);
    auto* output = new TLineSeries(&chart);
    output->SetParentChart(&chart);
    output->SetDataSource(source);
    function->SuspendRecalculation();
    output->SetFunction(function);
    function->RecalcSuspended = false;
    return output;
}

// The time of one recalculation of a function over count points.
double RecalculationTime(const std::function<TDuvFunction*()>& make, int count, bool byX)
{
    std::mt19937 generator(3);
    std::uniform_real_distribution<double> value(1, 100);
    std::vector<double> values(static_cast<std::size_t>(count));
    for (double& v : values) v = value(generator);
    TChart chart;
    TDuvFunction* function = make();
    if (!byX) {
        Feed(chart, function, values);
        return Seconds([&] { function->Recalculate(); });
    }
    // Two sources, the second holding every other X of the first, in reverse order.
    auto* first = new TLineSeries(&chart);
    first->SetParentChart(&chart);
    first->AddXYArrays(Indexes(count), values);
    auto* second = new TLineSeries(&chart);
    second->SetParentChart(&chart);
    second->XValues()->SetOrder(loNone);
    std::vector<double> xs, ys;
    for (int i = count - 1; i >= 0; i -= 2) {
        xs.push_back(i);
        ys.push_back(values[static_cast<std::size_t>(i)]);
    }
    second->AddXYArrays(xs, ys);
    auto* output = new TLineSeries(&chart);
    output->SetParentChart(&chart);
    function->SetCalcByValue(true);
    function->SuspendRecalculation();
    output->AddDataSource(first);
    output->AddDataSource(second);
    output->SetFunction(function);
    function->RecalcSuspended = false;
    return Seconds([&] { function->Recalculate(); });
}

}  // namespace

int main()
{
    InitializeChartGraphicsModules();
    InitializeChartEngineModules();
    InitializeChartSeriesModules();

    std::mt19937_64 generator(20261211);
    std::normal_distribution<double> normal(0, 1);
    std::vector<double> values(Values);
    for (double& v : values) v = normal(generator);

    TChart chart;
    auto* histogram = new THistogramFunction;
    histogram->SetNumBins(Bins);
    TChartSeries* output = Feed(chart, histogram, values);
    const double ours = Seconds([&] { histogram->Recalculate(); });
    std::vector<double> ourCounts;
    for (int i = 0; i < output->PointCount(); ++i) ourCounts.push_back(output->GetYValue(i));

    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("bench_histogram_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    {
        std::ofstream out(folder / "values.bin", std::ios::binary);
        out.write(reinterpret_cast<const char*>(values.data()), static_cast<std::streamsize>(values.size() * sizeof(double)));
    }
    const benchpython::TPeerRun python = benchpython::RunPython(
        kPeer, {QString::fromStdString(folder.string()), QString::number(Bins), QString::number(Runs)}, 100000);
    const std::string peerOutput = python.Output.toStdString();
    if (!python.Ok) {
        std::printf("peer failed: %s\n", python.Errors.c_str());
        std::filesystem::remove_all(folder);
        return 1;
    }
    const double peer = std::stod(peerOutput);
    std::vector<double> peerCounts(Bins);
    {
        std::ifstream in(folder / "counts.bin", std::ios::binary);
        in.read(reinterpret_cast<char*>(peerCounts.data()), static_cast<std::streamsize>(Bins * sizeof(double)));
    }
    std::filesystem::remove_all(folder);
    if (ourCounts != peerCounts) {
        std::printf("the counts differ\n");
        for (int b = 0; b < Bins; ++b)
            std::printf("  bin %d: ours %.0f, numpy %.0f\n", b,
                        b < static_cast<int>(ourCounts.size()) ? ourCounts[static_cast<std::size_t>(b)] : -1.0,
                        peerCounts[static_cast<std::size_t>(b)]);
        return 1;
    }

    const struct {
        const char* name;
        std::function<TDuvFunction*()> make;
        bool byX;
    } growths[] = {
        {"Pareto", [] { return new TParetoDuvFunction; }, false},
        {"Cumulative", [] { return new TCumulative; }, false},
        {"Add by X", [] { return new TAddDuvFunction; }, true},
    };
    bool tooSlow = false;
    for (const auto& g : growths) {
        const double small = RecalculationTime(g.make, 100000, g.byX);
        const double large = RecalculationTime(g.make, 1000000, g.byX);
        const double growth = large / small;
        std::printf("%s: 10^5 points %.4f s, 10^6 points %.4f s, growth %.1fx\n", g.name, small, large, growth);
        if (growth > MaxGrowth) tooSlow = true;
    }
    if (tooSlow) {
        std::printf("a function grows more than %.0fx for ten times the points\n", MaxGrowth);
        return 1;
    }

    std::printf("histogram, %d normal values, %d bins: the same counts\n", Values, Bins);
    std::printf("ours: %.4f s\n", ours);
    std::printf("numpy.histogram: %.4f s\n", peer);
    std::printf("ratio: %.3f\n", ours / peer);
    return 0;
}
