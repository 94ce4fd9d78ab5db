// Curve fitting over a million points: our curve fitting function (PolyDegree 5, Factor 1)
// recalculates its output series against numpy.polyfit(deg 4) followed by numpy.polyval at every
// X, the same polynomial and the same million values. Each side runs five times; the medians
// count; ours on a warm heap. Both must give the same values.
// Last line: "ratio: <ours/peer>".
#include <malloc.h>
#include <unistd.h>

#include <QStringList>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "BenchFunctions.h"
#include "chart/engine/Chart.h"
#include "chart/series/CurvFitt.h"
#include "chart/series/Series.h"

namespace {

constexpr int Points = 1000000;
constexpr int Runs = 5;

using namespace benchfunctions;

// The peer: reads X and Y, times polyfit + polyval, writes the fitted values of its last run.
const char* kPeer = R"(
import sys, time
import numpy as np
folder, runs = sys.argv[1], int(sys.argv[2])
x = np.fromfile(folder + "/x.bin", dtype=np.float64)
y = np.fromfile(folder + "/y.bin", dtype=np.float64)
times = []
for _ in range(runs):
    start = time.perf_counter()
    fitted = np.polyval(np.polyfit(x, y, 4), x)
    times.append(time.perf_counter() - start)
fitted.astype(np.float64).tofile(folder + "/fitted.bin")
print(sorted(times)[len(times) // 2])
)";

void WriteAll(const std::filesystem::path& path, const std::vector<double>& values)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(values.data()), static_cast<std::streamsize>(values.size() * sizeof(double)));
}

std::vector<double> ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<double> values(Points);
    in.read(reinterpret_cast<char*>(values.data()), static_cast<std::streamsize>(values.size() * sizeof(double)));
    if (in.gcount() != static_cast<std::streamsize>(values.size() * sizeof(double))) Fail("the peer wrote too few values");
    return values;
}

}  // namespace

int main()
{
    // Our side runs on a warm heap (freed blocks stay with the process), as numpy keeps its own.
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    StartModules();

    std::mt19937 generator(20261211);
    std::normal_distribution<double> noise(0, 0.2);
    std::vector<double> xs(Points), ys(Points);
    for (int i = 0; i < Points; ++i) {
        const double x = 1000 + i * 0.01;
        xs[static_cast<std::size_t>(i)] = x;
        ys[static_cast<std::size_t>(i)] = std::sin((x - 1000) / 2000) * 50 + noise(generator);
    }

    TChart chart;
    auto* source = new TLineSeries(&chart);
    source->SetParentChart(&chart);
    source->AddXYArrays(xs, ys);
    auto* output = new TLineSeries(&chart);
    output->SetParentChart(&chart);
    auto* function = new TCurveFittingFunction;
    function->SetPolyDegree(5);
    function->SetFactor(1);
    output->SetFunction(function);
    const std::vector<double> ours = TimeRecalculations(*output, *source, Runs);
    if (output->PointCount() != Points) Fail("the output has " + std::to_string(output->PointCount()) + " points");

    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("bench_curvefit_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    WriteAll(folder / "x.bin", xs);
    WriteAll(folder / "y.bin", ys);
    const benchpython::TPeerRun python =
        benchpython::RunPython(kPeer, {QString::fromStdString(folder.string()), QString::number(Runs)}, 110000);
    const std::string peerOutput = python.Output.toStdString();
    if (!python.Ok) {
        std::filesystem::remove_all(folder);
        Fail("the peer failed: " + python.Errors);
    }
    const std::vector<double> fitted = ReadAll(folder / "fitted.bin");
    std::filesystem::remove_all(folder);

    double gap = 0;
    for (int i = 0; i < Points; ++i)
        gap = std::max(gap, std::abs(output->GetYValue(i) - fitted[static_cast<std::size_t>(i)]));
    std::printf("fitting %d points with 5 terms; largest difference from numpy's values: %.3g\n", Points, gap);
    if (gap > 1e-6) Fail("the fitted values differ");

    const double mine = Median(ours), peer = std::stod(peerOutput);
    std::printf("ours (whole recalculation): %.2f ms\n", mine * 1000);
    std::printf("numpy polyfit + polyval: %.2f ms\n", peer * 1000);
    std::printf("ratio: %.3f\n", mine / peer);
    return 0;
}
