// Down-sampling. Douglas-Peucker on a million-point random walk against GEOS's GEOSSimplify_r
// (the line string built outside the timing); first, extremes and last of 1000 groups over ten
// million points against numpy's reshaped max, min, argmax, argmin and mean. Ours is the whole
// refill of the output series. Each side runs three times; the medians count. Both sides must
// keep the same points. The last line is the ratio of the summed times.
#include <geos_c.h>

#include "BenchFunctions.h"
#include "chart/series/DuvDownSampling.h"

using namespace benchfunctions;

namespace {
constexpr int WalkPoints = 1000000;
constexpr double WalkTolerance = 5;
constexpr int GroupPoints = 10000000;
constexpr int Displayed = 4000;
constexpr int Runs = 3;

using Points = std::vector<std::pair<double, double>>;

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

// The median time of Runs refills with the method.
double OurRuns(TFunctionChart& chart, TDownSampleMethod method, double tolerance, int displayed)
{
    std::vector<double> times;
    for (int run = 0; run < Runs; ++run) {
        auto* function = new TDownSamplingFunction;
        function->SetDownSampleMethod(method);
        function->SetTolerance(tolerance);
        function->SetDisplayedPointCount(displayed);
        times.push_back(chart.Refill(function));
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
    const bool ok = simplified != nullptr;
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
    StartOnWarmHeap();
    std::mt19937 generator(20261211);
    std::vector<double> xs, ys;

    RandomWalk(generator, 0, WalkPoints, xs, ys);
    double ourDouglas = 0, geos = 0;
    {
        TFunctionChart walk(xs, ys, new TDownSamplingFunction);
        ourDouglas = OurRuns(walk, dsDouglas, WalkTolerance, 0);
        Points geosKept;
        if (!GeosSimplify(xs, ys, geos, geosKept)) {
            std::fprintf(stderr, "GEOSSimplify_r failed\n");
            return 1;
        }
        if (PointsOf(walk.Output) != geosKept) {
            std::fprintf(stderr, "Douglas-Peucker keeps %d points, GEOS %zu\n", walk.Output.PointCount(), geosKept.size());
            return 1;
        }
        std::printf("Douglas-Peucker, %d points, tolerance %g, %zu kept: ours %.1f ms, GEOS %.1f ms, ratio %.3f\n",
                    WalkPoints, WalkTolerance, geosKept.size(), ourDouglas * 1e3, geos * 1e3, ourDouglas / geos);
    }

    RandomWalk(generator, 0, GroupPoints, xs, ys);
    TFunctionChart values(xs, ys, new TDownSamplingFunction);
    const double ourGroups = OurRuns(values, dsMinMaxFirstLast, 1, Displayed);
    const int groups = Displayed / 4;
    TScratch scratch("qb_bench_downsampling");
    scratch.Write("values.bin", ys);
    QByteArray printed;
    if (!RunPeer(kPeer, {QString::fromStdString(scratch.Folder.string()), QString::number(groups), QString::number(Runs)},
                 printed))
        return 1;
    const double numpy = printed.toDouble();
    const std::vector<long long> kept = scratch.Read<long long>("kept.bin", static_cast<std::size_t>(groups) * 4);
    // The peer's points per group, each once, in X order.
    Points expected;
    for (std::size_t g = 0; g < kept.size() / 4; ++g) {
        std::vector<long long> at(kept.begin() + static_cast<std::ptrdiff_t>(g * 4), kept.begin() + static_cast<std::ptrdiff_t>(g * 4 + 4));
        std::sort(at.begin(), at.end());
        at.erase(std::unique(at.begin(), at.end()), at.end());
        for (long long k : at) expected.emplace_back(xs[static_cast<std::size_t>(k)], ys[static_cast<std::size_t>(k)]);
    }
    if (PointsOf(values.Output) != expected) {
        std::fprintf(stderr, "the groups keep %d points, numpy %zu\n", values.Output.PointCount(), expected.size());
        return 1;
    }
    std::printf("first, extremes and last, %d points in %d groups: ours %.1f ms, numpy %.1f ms, ratio %.3f\n", GroupPoints,
                groups, ourGroups * 1e3, numpy * 1e3, ourGroups / numpy);
    std::printf("ratio: %.3f\n", (ourDouglas + ourGroups) / (geos + numpy));
    return 0;
}
