// Down-sampling. Douglas-Peucker on a million-point random walk against GEOS's GEOSSimplify_r
// (the line string built outside the timing); first, extremes and last of 1000 groups over ten
// million points against numpy's reshaped max, min, argmax, argmin and mean. Ours is the whole
// refill of the output series. Each side runs three times; the medians count. Both sides must
// keep the same points. The last line is the ratio of the summed times.
#include <geos_c.h>
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
#include "chart/series/DuvDownSampling.h"
#include "chart/series/RuRazaziSeries.h"

namespace {
constexpr int WalkPoints = 1000000;
constexpr double WalkTolerance = 5;
constexpr int GroupPoints = 10000000;
constexpr int Displayed = 4000;
constexpr int Runs = 3;

using Clock = std::chrono::steady_clock;
using Points = std::vector<std::pair<double, double>>;

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

// Reads the values, times the reductions alone and writes, per group, the first, maximum,
// minimum and last indexes of the last run.
const char* kPeer = R"(
import sys, time
import numpy as np
folder, groups, runs = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
y = np.fromfile(folder + "/values.bin", dtype=np.float64)
times = []
for _ in range(runs):
    start = time.perf_counter()
    blocks = y.reshape(groups, -1)
    hi, lo = blocks.max(axis=1), blocks.min(axis=1)
    at_hi, at_lo = blocks.argmax(axis=1), blocks.argmin(axis=1)
    mean = blocks.mean(axis=1)
    times.append(time.perf_counter() - start)
size = blocks.shape[1]
base = np.arange(groups) * size
np.stack([base, base + at_hi, base + at_lo, base + size - 1], axis=1).astype(np.int64).tofile(folder + "/kept.bin")
print(sorted(times)[len(times) // 2])
)";

Points PointsOf(const TChartSeries& series)
{
    Points points(static_cast<std::size_t>(series.PointCount()));
    for (int i = 0; i < series.PointCount(); ++i) points[static_cast<std::size_t>(i)] = {series.GetXValue(i), series.GetYValue(i)};
    return points;
}

// Runs the method Runs times through a function on output; answers the median time.
double OurRuns(TChartSeries& output, TDownSampleMethod method, double tolerance, int displayed)
{
    std::vector<double> times;
    for (int run = 0; run < Runs; ++run) {
        auto* function = new TDownSamplingFunction;
        function->SetDownSampleMethod(method);
        function->SetTolerance(tolerance);
        function->SetDisplayedPointCount(displayed);
        // The new function replaces the former one and refills the output.
        times.push_back(Timed([&] { output.SetFunction(function); }));
    }
    return Median(times);
}

bool GeosSimplify(const std::vector<double>& xs, const std::vector<double>& ys, double& seconds, Points& kept)
{
    GEOSContextHandle_t context = GEOS_init_r();
    GEOSCoordSequence* sequence = GEOSCoordSeq_create_r(context, static_cast<unsigned>(xs.size()), 2);
    for (std::size_t i = 0; i < xs.size(); ++i) GEOSCoordSeq_setXY_r(context, sequence, static_cast<unsigned>(i), xs[i], ys[i]);
    GEOSGeometry* line = GEOSGeom_createLineString_r(context, sequence);
    std::vector<double> times;
    GEOSGeometry* simplified = nullptr;
    for (int run = 0; run < Runs; ++run) {
        if (simplified) GEOSGeom_destroy_r(context, simplified);
        times.push_back(Timed([&] { simplified = GEOSSimplify_r(context, line, WalkTolerance); }));
    }
    bool ok = simplified != nullptr;
    if (ok) {
        const GEOSCoordSequence* coords = GEOSGeom_getCoordSeq_r(context, simplified);
        unsigned size = 0;
        GEOSCoordSeq_getSize_r(context, coords, &size);
        kept.resize(size);
        for (unsigned i = 0; i < size; ++i) GEOSCoordSeq_getXY_r(context, coords, i, &kept[i].first, &kept[i].second);
        GEOSGeom_destroy_r(context, simplified);
    }
    GEOSGeom_destroy_r(context, line);
    GEOS_finish_r(context);
    seconds = Median(times);
    return ok;
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

    // Douglas-Peucker on a random walk.
    std::mt19937 generator(20261211);
    std::normal_distribution<double> step(0, 1);
    std::vector<double> xs(WalkPoints), ys(WalkPoints);
    double y = 0;
    for (int i = 0; i < WalkPoints; ++i) {
        xs[static_cast<std::size_t>(i)] = i;
        ys[static_cast<std::size_t>(i)] = y += step(generator);
    }
    // Functions refill their output through its chart.
    TChart chart(nullptr);
    TChartSeries walk(nullptr), simplified(nullptr);
    walk.SetParentChart(&chart);
    simplified.SetParentChart(&chart);
    walk.AddXYArrays(xs, ys);
    // The outputs get a function before their source, which would otherwise copy every point.
    simplified.SetFunction(new TDownSamplingFunction);
    simplified.SetDataSource(&walk);
    const double ourDouglas = OurRuns(simplified, dsDouglas, WalkTolerance, 0);
    double geos = 0;
    Points geosKept;
    if (!GeosSimplify(xs, ys, geos, geosKept)) {
        std::fprintf(stderr, "GEOSSimplify_r failed\n");
        return 1;
    }
    if (PointsOf(simplified) != geosKept) {
        std::fprintf(stderr, "Douglas-Peucker keeps %d points, GEOS %zu\n", simplified.PointCount(), geosKept.size());
        return 1;
    }

    // First, extremes and last of each group.
    xs.resize(GroupPoints);
    ys.resize(GroupPoints);
    for (int i = 0; i < GroupPoints; ++i) {
        xs[static_cast<std::size_t>(i)] = i;
        ys[static_cast<std::size_t>(i)] = y += step(generator);
    }
    TChartSeries values(nullptr), reduced(nullptr);
    values.SetParentChart(&chart);
    reduced.SetParentChart(&chart);
    values.AddXYArrays(xs, ys);
    reduced.SetFunction(new TDownSamplingFunction);
    reduced.SetDataSource(&values);
    const double ourGroups = OurRuns(reduced, dsMinMaxFirstLast, 1, Displayed);

    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("qb_bench_downsampling_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    {
        std::ofstream out(folder / "values.bin", std::ios::binary);
        out.write(reinterpret_cast<const char*>(ys.data()), static_cast<std::streamsize>(ys.size() * sizeof(double)));
    }
    const int groups = Displayed / 4;
    QProcess python;
    python.start("/usr/bin/python3",
                 {"-c", kPeer, QString::fromStdString(folder.string()), QString::number(groups), QString::number(Runs)});
    python.waitForFinished(-1);
    if (python.exitStatus() != QProcess::NormalExit || python.exitCode() != 0) {
        std::fprintf(stderr, "the numpy peer failed: %s\n", python.readAllStandardError().constData());
        std::filesystem::remove_all(folder);
        return 1;
    }
    const double numpy = python.readAllStandardOutput().trimmed().toDouble();
    std::vector<long long> kept(static_cast<std::size_t>(groups) * 4);
    {
        std::ifstream in(folder / "kept.bin", std::ios::binary);
        in.read(reinterpret_cast<char*>(kept.data()), static_cast<std::streamsize>(kept.size() * sizeof(long long)));
    }
    std::filesystem::remove_all(folder);
    // The peer's points per group, each once, in X order.
    Points expected;
    for (int g = 0; g < groups; ++g) {
        std::vector<long long> at(kept.begin() + g * 4, kept.begin() + g * 4 + 4);
        std::sort(at.begin(), at.end());
        at.erase(std::unique(at.begin(), at.end()), at.end());
        for (long long k : at) expected.emplace_back(xs[static_cast<std::size_t>(k)], ys[static_cast<std::size_t>(k)]);
    }
    if (PointsOf(reduced) != expected) {
        std::fprintf(stderr, "the groups keep %d points, numpy %zu\n", reduced.PointCount(), expected.size());
        return 1;
    }

    std::printf("Douglas-Peucker, %d points, tolerance %g, %zu kept: ours %.1f ms, GEOS %.1f ms, ratio %.3f\n", WalkPoints,
                WalkTolerance, geosKept.size(), ourDouglas * 1e3, geos * 1e3, ourDouglas / geos);
    std::printf("first, extremes and last, %d points in %d groups: ours %.1f ms, numpy %.1f ms, ratio %.3f\n", GroupPoints,
                groups, ourGroups * 1e3, numpy * 1e3, ourGroups / numpy);
    std::printf("ratio: %.3f\n", (ourDouglas + ourGroups) / (geos + numpy));
    return 0;
}
