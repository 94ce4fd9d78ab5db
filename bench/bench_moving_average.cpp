// Moving averages over ten million points. The simple moving average, Period 100, against GSL's
// trailing-window gsl_movstat_mean; the exponential moving average against SciPy's lfilter with
// the same first value. Only the calls are timed on the peers' side; ours is the whole refill of
// the output series. Each side runs five times; the medians count. Results must agree.
#include <gsl/gsl_movstat.h>
#include <gsl/gsl_vector.h>

#include <cmath>

#include "BenchFunctions.h"
#include "chart/series/StatChar.h"

using namespace benchfunctions;

namespace {
constexpr int Points = 10000000;
constexpr int Period = 100;
constexpr int Runs = 5;

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

// Copied into the same vector each run, so the timed runs find the same heap.
void CopyResults(const TChartSeries& output, std::vector<double>& results)
{
    results.assign(output.YValues()->Values(), output.YValues()->Values() + output.PointCount());
}

}  // namespace

int main()
{
    StartOnWarmHeap();
    std::mt19937 generator(20261211);
    std::vector<double> xs, ys;
    RandomWalk(generator, 1e8, Points, xs, ys);
    TFunctionChart chart(xs, ys, new TExpMovAveFunction);

    std::vector<double> ourMovingTimes, ourExpTimes, movingResult, expResult;
    for (int run = 0; run < Runs; ++run) {
        auto* moving = new TMovingAverageFunction;
        moving->SetPeriod(Period);
        ourMovingTimes.push_back(chart.Refill(moving));
        CopyResults(chart.Output, movingResult);
        auto* exponential = new TExpMovAveFunction;
        exponential->SetPeriod(Period);
        ourExpTimes.push_back(chart.Refill(exponential));
        CopyResults(chart.Output, expResult);
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

    TScratch scratch("qb_bench_moving_average");
    scratch.Write("values.bin", ys);
    QByteArray printed;
    if (!RunPeer(kPeer, {QString::fromStdString(scratch.Folder.string()), QString::number(Period), QString::number(Runs)},
                 printed))
        return 1;
    const double scipyTime = printed.toDouble();
    const std::vector<double> scipyResult = scratch.Read<double>("ema.bin", Points);

    if (!Agree("moving average", movingResult, gslResult) || !Agree("exponential moving average", expResult, scipyResult))
        return 1;
    const double ourMoving = Median(ourMovingTimes), ourExp = Median(ourExpTimes), gsl = Median(gslTimes);
    std::printf("moving average, %d points, period %d: ours %.1f ms, GSL %.1f ms\n", Points, Period, ourMoving * 1e3, gsl * 1e3);
    std::printf("exponential moving average: ours %.1f ms, SciPy lfilter %.1f ms\n", ourExp * 1e3, scipyTime * 1e3);
    std::printf("ratio: %.3f\n", (ourMoving + ourExp) / (gsl + scipyTime));
    return 0;
}
