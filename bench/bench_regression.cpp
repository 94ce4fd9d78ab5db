// The regression engine on a million points: filling it and fitting a polynomial of degree 1
// and of degree 5, against numpy.polyfit on the same points (the peer copies the arrays it is
// given, as our side fills its engine); and the basic statistics of a million values (sorting
// once, mean, standard deviation, two quantiles and the median) against numpy's sort, quantile,
// mean and std. Each side runs three times; the medians count; our side runs on a warm heap.
// Both fits must give the same polynomial and both statistics the same numbers. The last line
// is the larger of the ratios.
#include <malloc.h>
#include <unistd.h>

#include <QStringList>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "BenchPython.h"
#include "stats/FSeriesTransform.h"
#include "stats/FStatResults.h"
#include "stats/UOrdLists.h"
#include "stats/Ustatistics.h"

namespace {
constexpr int Points = 1000000;
constexpr int Runs = 3;
constexpr double P = 0.05;
const int Degrees[] = {1, 5};

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Per degree a line "seconds c0 c1 ..."; then "seconds mean std q(p) median q(1-p) min max".
const char* kPeer = R"(
import sys, time
import numpy as np
folder, runs, p = sys.argv[1], int(sys.argv[2]), float(sys.argv[3])
xs = np.fromfile(folder + "/x.bin", dtype=np.float64)
ys = np.fromfile(folder + "/y.bin", dtype=np.float64)
for degree in (1, 5):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        x, y = np.array(xs), np.array(ys)
        c = np.polyfit(x, y, degree)
        times.append(time.perf_counter() - start)
    print(sorted(times)[runs // 2], *["%.17g" % v for v in c[::-1]])
times = []
for _ in range(runs):
    start = time.perf_counter()
    s = np.sort(ys)
    q = np.quantile(s, [p, 0.5, 1 - p])
    mean, std = s.mean(), s.std()
    times.append(time.perf_counter() - start)
print(sorted(times)[runs // 2], *["%.17g" % v for v in [mean, std, *q, s[0], s[-1]]])
)";

void WriteAll(const std::string& path, const std::vector<double>& values)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(values.data()), static_cast<std::streamsize>(values.size() * sizeof(double)));
}

std::vector<double> Numbers(const std::string& line)
{
    std::istringstream in(line);
    std::vector<double> values;
    for (double v; in >> v;) values.push_back(v);
    return values;
}

struct TOurFit {
    double Seconds;
    std::vector<double> Coefficients;
};

TOurFit OurFit(const std::vector<double>& xs, const std::vector<double>& ys, int degree)
{
    std::vector<double> times;
    std::vector<double> coefficients;
    for (int run = 0; run < Runs; ++run) {
        const auto start = Clock::now();
        TStatistics engine;
        engine.Reserve(Points);
        for (int i = 0; i < Points; ++i) engine.AddPoint(xs[static_cast<std::size_t>(i)], ys[static_cast<std::size_t>(i)]);
        engine.Calculate(static_cast<std::uint8_t>(degree));
        times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
        coefficients.assign(engine.Results.Coefficients.begin(), engine.Results.Coefficients.end());
    }
    return {Median(times), coefficients};
}

struct TOurBasic {
    double Seconds;
    std::vector<double> Values;  // mean, std, q(p), median, q(1 - p), min, max
};

TOurBasic OurBasic(const std::vector<double>& values)
{
    std::vector<double> times;
    std::vector<double> results;
    for (int run = 0; run < Runs; ++run) {
        const auto start = Clock::now();
        const TFloatArray sorted = SortedFloatArray(values);
        const TMeanStdDev moments = ComputeMeanStdDev(sorted);
        results = {static_cast<double>(moments.Mean),       static_cast<double>(moments.StdDev),
                   static_cast<double>(Quantile(sorted, P)), static_cast<double>(Quantile(sorted, 0.5)),
                   static_cast<double>(Quantile(sorted, 1 - P)), static_cast<double>(Quantile(sorted, 0)),
                   static_cast<double>(Quantile(sorted, 1))};
        times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    }
    return {Median(times), results};
}

}  // namespace

int main()
{
    // Freed blocks stay with the process, as the peer's own allocator keeps its blocks: each run
    // fills a fresh engine without paying the kernel for its pages again.
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    std::mt19937 generator(20261211);
    std::uniform_real_distribution<double> position(0, 100);
    std::normal_distribution<double> noise(0, 25);
    std::vector<double> xs(Points), ys(Points);
    for (int i = 0; i < Points; ++i) {
        const double x = position(generator);
        xs[static_cast<std::size_t>(i)] = x;
        ys[static_cast<std::size_t>(i)] = 40 - 3 * x + 0.05 * x * x - 2e-4 * x * x * x + noise(generator);
    }

    std::vector<TOurFit> fits;
    for (int degree : Degrees) fits.push_back(OurFit(xs, ys, degree));
    const TOurBasic basic = OurBasic(ys);

    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("bench_regression_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    WriteAll(folder / "x.bin", xs);
    WriteAll(folder / "y.bin", ys);
    const benchpython::TPeerRun python = benchpython::RunPython(
        kPeer, {QString::fromStdString(folder.string()), QString::number(Runs), QString::number(P)}, 110000);
    const std::string output = python.Output.toStdString();
    std::filesystem::remove_all(folder);
    if (!python.Ok) {
        std::printf("peer failed: %s\n", python.Errors.c_str());
        return 1;
    }
    std::istringstream lines(output);
    std::vector<std::vector<double>> peer;
    for (std::string line; std::getline(lines, line);) peer.push_back(Numbers(line));
    if (peer.size() != 3) {
        std::printf("peer answered %zu lines\n", peer.size());
        return 1;
    }

    double largest = 0;
    bool same = true;
    for (std::size_t k = 0; k < fits.size(); ++k) {
        const std::vector<double> theirs(peer[k].begin() + 1, peer[k].end());
        // The same polynomial: equal values over the range of X, to a part in 1e9 of the Y range.
        double gap = 0;
        for (double x = 0; x <= 100; x += 5)
            gap = std::max(gap, std::abs(PolynomialAt(fits[k].Coefficients, x) - PolynomialAt(theirs, x)));
        const bool agree = fits[k].Coefficients.size() == theirs.size() && gap <= 1e-9 * 400;
        same = same && agree;
        const double ratio = fits[k].Seconds / peer[k][0];
        largest = std::max(largest, ratio);
        std::printf("fill and fit %d points, degree %d: ours %.3f s, numpy.polyfit %.3f s, ratio %.3f, largest "
                    "difference %.3g%s\n",
                    Points, Degrees[k], fits[k].Seconds, peer[k][0], ratio, gap, agree ? "" : " (differ)");
    }
    const std::vector<double> theirs(peer[2].begin() + 1, peer[2].end());
    double gap = 0;
    for (std::size_t i = 0; i < theirs.size() && i < basic.Values.size(); ++i)
        gap = std::max(gap, std::abs(basic.Values[i] - theirs[i]) / std::max(1.0, std::abs(theirs[i])));
    const bool basicAgrees = theirs.size() == basic.Values.size() && gap <= 1e-12;
    same = same && basicAgrees;
    const double basicRatio = basic.Seconds / peer[2][0];
    largest = std::max(largest, basicRatio);
    std::printf("basic statistics of %d values: ours %.3f s, numpy %.3f s, ratio %.3f, largest relative difference "
                "%.3g%s\n",
                Points, basic.Seconds, peer[2][0], basicRatio, gap, basicAgrees ? "" : " (differ)");
    if (!same) {
        std::printf("the results differ\n");
        return 1;
    }
    std::printf("ratio: %.3f\n", largest);
    return 0;
}
