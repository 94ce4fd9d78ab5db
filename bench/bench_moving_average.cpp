// Moving averages over ten million points. The simple moving average, Period 100, against GSL's
// trailing-window gsl_movstat_mean; the exponential moving average against SciPy's lfilter with
// the same first value. Only the calls are timed on the peers' side; ours is the whole refill of
// the output series. Each side runs five times; the medians count. Results must agree.
#include <gsl/gsl_movstat.h>
#include <gsl/gsl_vector.h>
#include <malloc.h>
#include <unistd.h>

#include <QProcess>
#include <QStringList>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "chart/engine/Chart.h"
#include "chart/engine/ChartEngineModules.h"
#include "chart/graphics/ChartGraphicsModules.h"
#include "chart/series/ChartSeriesModules.h"
#include "chart/series/RuRazaziSeries.h"
#include "chart/series/StatChar.h"

namespace {
constexpr int Points = 10000000;
constexpr int Period = 100;
constexpr int Runs = 5;

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

template <class F>
double Timed(F&& work)
{
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Reads the values, times lfilter alone, writes the last run's result.
const char* kPeer = R"(
import sys, time
import numpy as np
from scipy.signal import lfilter
folder, period, runs = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
y = np.fromfile(folder + "/values.bin", dtype=np.float64)
k = 2.0 / (period + 1)
times = []
for _ in range(runs):
    start = time.perf_counter()
    e = lfilter([k], [1.0, -(1.0 - k)], y, zi=[(1.0 - k) * y[0]])[0]
    times.append(time.perf_counter() - start)
e.tofile(folder + "/ema.bin")
print(sorted(times)[len(times) // 2])
)";

bool Agree(const char* what, const std::vector<double>& ours, const std::vector<double>& theirs)
{
    if (ours.size() != theirs.size()) {
        std::fprintf(stderr, "%s: %zu results against %zu\n", what, ours.size(), theirs.size());
        return false;
    }
    for (std::size_t i = 0; i < ours.size(); ++i)
        if (!(std::fabs(ours[i] - theirs[i]) <= 1e-9 * std::max(1.0, std::fabs(theirs[i])))) {
            std::fprintf(stderr, "%s differs at %zu: %.17g against %.17g\n", what, i, ours[i], theirs[i]);
            return false;
        }
    return true;
}

}  // namespace

int main()
{
    // Freed blocks stay with the process, as the peers' allocators keep theirs.
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    InitializeChartGraphicsModules();
    InitializeChartEngineModules();
    InitializeChartSeriesModules();

    std::mt19937 generator(20261211);
    std::normal_distribution<double> step(0, 1);
    std::vector<double> xs(Points), ys(Points);
    double y = 1e8;
    for (int i = 0; i < Points; ++i) {
        xs[static_cast<std::size_t>(i)] = i;
        ys[static_cast<std::size_t>(i)] = y += step(generator);
    }
    // Functions refill their output through its chart.
    TChart chart(nullptr);
    TChartSeries source(nullptr), output(nullptr);
    source.SetParentChart(&chart);
    output.SetParentChart(&chart);
    source.AddXYArrays(xs, ys);
    // A first refill outside the timing: the output's first source would copy every point.
    output.SetFunction(new TExpMovAveFunction);
    output.SetDataSource(&source);

    // Ours: the whole refill of the output series.
    std::vector<double> ourMovingTimes, ourExpTimes, movingResult, expResult;
    // A new function replaces the former one and refills the output.
    for (int run = 0; run < Runs; ++run) {
        auto* moving = new TMovingAverageFunction;
        moving->SetPeriod(Period);
        ourMovingTimes.push_back(Timed([&] { output.SetFunction(moving); }));
        movingResult.assign(output.YValues()->Values(), output.YValues()->Values() + output.PointCount());
        auto* exponential = new TExpMovAveFunction;
        exponential->SetPeriod(Period);
        ourExpTimes.push_back(Timed([&] { output.SetFunction(exponential); }));
        expResult.assign(output.YValues()->Values(), output.YValues()->Values() + output.PointCount());
    }

    // GSL: a trailing window of Period points; the first Period - 1 results are partial windows.
    gsl_vector_const_view in = gsl_vector_const_view_array(ys.data(), Points);
    gsl_vector* out = gsl_vector_alloc(Points);
    gsl_movstat_workspace* workspace = gsl_movstat_alloc2(Period - 1, 0);
    std::vector<double> gslTimes;
    for (int run = 0; run < Runs; ++run)
        gslTimes.push_back(Timed([&] { gsl_movstat_mean(GSL_MOVSTAT_END_TRUNCATE, &in.vector, out, workspace); }));
    const std::vector<double> gslResult(out->data + Period - 1, out->data + Points);
    gsl_movstat_free(workspace);
    gsl_vector_free(out);

    // SciPy in its own process.
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / ("qb_bench_ma_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    {
        std::ofstream values(folder / "values.bin", std::ios::binary);
        values.write(reinterpret_cast<const char*>(ys.data()), static_cast<std::streamsize>(ys.size() * sizeof(double)));
    }
    QProcess python;
    python.start("/usr/bin/python3", {"-c", kPeer, QString::fromStdString(folder.string()), QString::number(Period),
                                      QString::number(Runs)});
    python.waitForFinished(-1);
    if (python.exitStatus() != QProcess::NormalExit || python.exitCode() != 0) {
        std::fprintf(stderr, "the SciPy peer failed: %s\n", python.readAllStandardError().constData());
        std::filesystem::remove_all(folder);
        return 1;
    }
    const double scipyTime = python.readAllStandardOutput().trimmed().toDouble();
    std::vector<double> scipyResult(static_cast<std::size_t>(Points));
    {
        std::ifstream ema(folder / "ema.bin", std::ios::binary);
        ema.read(reinterpret_cast<char*>(scipyResult.data()), static_cast<std::streamsize>(Points * sizeof(double)));
        if (!ema) scipyResult.clear();
    }
    std::filesystem::remove_all(folder);

    if (!Agree("moving average", movingResult, gslResult) || !Agree("exponential moving average", expResult, scipyResult))
        return 1;
    const double ourMoving = Median(ourMovingTimes), ourExp = Median(ourExpTimes), gsl = Median(gslTimes);
    std::printf("moving average, %d points, period %d: ours %.1f ms, GSL %.1f ms\n", Points, Period, ourMoving * 1e3, gsl * 1e3);
    std::printf("exponential moving average: ours %.1f ms, SciPy lfilter %.1f ms\n", ourExp * 1e3, scipyTime * 1e3);
    std::printf("ratio: %.3f\n", (ourMoving + ourExp) / (gsl + scipyTime));
    return 0;
}
