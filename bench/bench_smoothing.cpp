// Smoothing a million-point line: our smoothing function recalculates its output series (the
// interpolating B-spline through every point, sampled in 600 fragments) against the same
// tridiagonal systems solved by GSL's gsl_linalg_solve_tridiag for X and for Y, of which only the
// two calls are timed. Each side runs five times on a warm heap; the medians count. The curve
// sampled from GSL's vertices must be the one our function produced.
// Last line: "ratio: <ours/peer>".
#include <malloc.h>

#include <gsl/gsl_linalg.h>
#include <gsl/gsl_vector.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "BenchFunctions.h"
#include "chart/engine/Chart.h"
#include "chart/series/DuvSpline.h"
#include "chart/series/Series.h"

namespace {

constexpr int Points = 1000000;
constexpr int Runs = 5;

using namespace benchfunctions;

// The uniform cubic B-spline through vertices 1 .. n with phantom ends, at t.
double Sample(const std::vector<double>& inner, double t)
{
    const int n = static_cast<int>(inner.size());
    const auto vertex = [&](int i) {
        if (i == 0) return 2 * inner[0] - inner[1];
        if (i == n + 1) return 2 * inner[static_cast<std::size_t>(n - 1)] - inner[static_cast<std::size_t>(n - 2)];
        return inner[static_cast<std::size_t>(i - 1)];
    };
    const double s = (n - 1) * t + 1;
    const int first = std::max(0, static_cast<int>(std::floor(s - 1)));
    double value = 0;
    for (int i = first; i <= std::min(first + 3, n + 1); ++i) {
        const double d = std::abs(i - s);
        if (d < 1)
            value += (2.0 / 3.0 - d * d + d * d * d / 2) * vertex(i);
        else if (d < 2)
            value += (2 - d) * (2 - d) * (2 - d) / 6 * vertex(i);
    }
    return value;
}

}  // namespace

int main()
{
    // Freed blocks stay with the process on both sides (GSL allocates its work arrays per call).
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    StartModules();

    std::mt19937 generator(20261211);
    std::normal_distribution<double> step(0, 1);
    std::vector<double> xs(Points), ys(Points);
    double walk = 0;
    for (int i = 0; i < Points; ++i) {
        xs[static_cast<std::size_t>(i)] = i;
        ys[static_cast<std::size_t>(i)] = walk += step(generator);
    }

    TChart chart;
    auto* source = new TLineSeries(&chart);
    source->SetParentChart(&chart);
    source->AddXYArrays(xs, ys);
    auto* output = new TLineSeries(&chart);
    output->SetParentChart(&chart);
    auto* function = new TSmoothingFunction;
    output->SetFunction(function);
    const std::vector<double> ours = TimeRecalculations(*output, *source, Runs);

    // The peer: the same rows, first and last ones identity rows (the walk repeats no point).
    gsl_vector* diag = gsl_vector_alloc(Points);
    gsl_vector* above = gsl_vector_alloc(Points - 1);
    gsl_vector* below = gsl_vector_alloc(Points - 1);
    gsl_vector* rhsX = gsl_vector_alloc(Points);
    gsl_vector* rhsY = gsl_vector_alloc(Points);
    gsl_vector* solX = gsl_vector_alloc(Points);
    gsl_vector* solY = gsl_vector_alloc(Points);
    for (int i = 0; i < Points; ++i) {
        const bool identity = i == 0 || i == Points - 1;
        gsl_vector_set(diag, static_cast<std::size_t>(i), identity ? 1.0 : 2.0 / 3.0);
        if (i + 1 < Points) gsl_vector_set(above, static_cast<std::size_t>(i), identity ? 0.0 : 1.0 / 6.0);
        if (i > 0) gsl_vector_set(below, static_cast<std::size_t>(i - 1), identity ? 0.0 : 1.0 / 6.0);
        gsl_vector_set(rhsX, static_cast<std::size_t>(i), xs[static_cast<std::size_t>(i)]);
        gsl_vector_set(rhsY, static_cast<std::size_t>(i), ys[static_cast<std::size_t>(i)]);
    }
    std::vector<double> peer;
    for (int run = 0; run < Runs; ++run) {
        const auto start = Clock::now();
        const int statusX = gsl_linalg_solve_tridiag(diag, above, below, rhsX, solX);
        const int statusY = gsl_linalg_solve_tridiag(diag, above, below, rhsY, solY);
        peer.push_back(std::chrono::duration<double>(Clock::now() - start).count());
        if (statusX != 0 || statusY != 0) Fail("gsl_linalg_solve_tridiag answered " + std::to_string(statusX) + ", " + std::to_string(statusY));
    }
    std::vector<double> vx(solX->data, solX->data + Points), vy(solY->data, solY->data + Points);

    const int fragments = TBSpline::MaxFragments;
    if (output->PointCount() != fragments + 1) Fail("the output has " + std::to_string(output->PointCount()) + " points");
    double gap = 0;
    for (int k = 0; k <= fragments; ++k) {
        const double t = static_cast<double>(k) / fragments;
        gap = std::max({gap, std::abs(Sample(vx, t) - output->GetXValue(k)), std::abs(Sample(vy, t) - output->GetYValue(k))});
    }
    std::printf("smoothing %d points into %d fragments; largest difference from the peer's curve: %.3g\n", Points,
                fragments, gap);
    if (gap > 1e-6) Fail("the curves differ");
    for (gsl_vector* v : {diag, above, below, rhsX, rhsY, solX, solY}) gsl_vector_free(v);

    const double mine = Median(ours), theirs = Median(peer);
    std::printf("ours (whole recalculation): %.2f ms\n", mine * 1000);
    std::printf("gsl_linalg_solve_tridiag, X and Y: %.2f ms\n", theirs * 1000);
    std::printf("ratio: %.3f\n", mine / theirs);
    return 0;
}
