// K-means on a million 2D points in ten blobs, ten clusters, at most 20 passes from the same
// first centres: ours on a series through the series provider, against SciPy's kmeans2
// (minit='matrix', iter=20). Each side runs three times; the medians count. Ours runs on worker
// threads and on one thread: the two must give the same clusters and the same centres to the last
// bit, and both sides must put every point in the same cluster and find the same centres, else
// the bench fails. Our side runs on a warm heap (freed blocks stay with the process), as the
// peer's own allocator keeps its blocks. The ratio is of the threaded run; the one-thread figure
// stands beside it.
#include <malloc.h>
#include <unistd.h>

#include <QStringList>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "BenchPython.h"
#include "chart/engine/ChartEngineModules.h"
#include "chart/engine/DuvProcs.h"
#include "chart/graphics/ChartGraphicsModules.h"
#include "chart/series/ChartSeriesModules.h"
#include "chart/series/DuvClusteringTool.h"
#include "chart/series/RuRazaziSeries.h"
#include "platform/core/Random.h"

namespace {
constexpr int Points = 1000000;
constexpr int Clusters = 10;
constexpr int Iterations = 20;
constexpr int Runs = 3;
constexpr std::uint32_t Seed = 20261211;

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The peer: reads the points and the first centres' indexes, times kmeans2 alone, writes the
// labels and centres of its last run.
const char* kPeer = R"(
import sys, time
import numpy as np
from scipy.cluster.vq import kmeans2
folder, iterations, runs = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
data = np.fromfile(folder + "/points.bin", dtype=np.float64).reshape(-1, 2)
first = np.fromfile(folder + "/first.bin", dtype=np.int32)
times = []
for _ in range(runs):
    start = time.perf_counter()
    centres, labels = kmeans2(data, data[first].copy(), iter=iterations, minit="matrix", missing="warn")
    times.append(time.perf_counter() - start)
labels.astype(np.int32).tofile(folder + "/labels.bin")
centres.astype(np.float64).tofile(folder + "/centres.bin")
print(sorted(times)[len(times) // 2])
)";

template <class T>
std::vector<T> ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<T> values(bytes.size() / sizeof(T));
    std::copy(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(values.size() * sizeof(T)),
              reinterpret_cast<char*>(values.data()));
    return values;
}

template <class T>
void WriteAll(const std::string& path, const std::vector<T>& values)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(values.data()), static_cast<std::streamsize>(values.size() * sizeof(T)));
}

}  // namespace

int main()
{
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    InitializeChartGraphicsModules();
    InitializeChartEngineModules();
    InitializeChartSeriesModules();

    // Ten overlapping-at-the-edges blobs, so the passes have work to do.
    std::mt19937 generator(7);
    std::normal_distribution<double> spread(0, 1.5);
    std::uniform_int_distribution<int> blob(0, Clusters - 1);
    std::vector<double> xs(Points), ys(Points), both(2 * Points);
    for (int i = 0; i < Points; ++i) {
        const int b = blob(generator);
        xs[static_cast<std::size_t>(i)] = 10.0 * (b % 5) + spread(generator);
        ys[static_cast<std::size_t>(i)] = 10.0 * (b / 5) + spread(generator);
        both[2 * static_cast<std::size_t>(i)] = xs[static_cast<std::size_t>(i)];
        both[2 * static_cast<std::size_t>(i) + 1] = ys[static_cast<std::size_t>(i)];
    }
    // The first centres: the items the program's generator draws from this seed.
    SetRandSeed(Seed);
    std::vector<int> first;
    while (static_cast<int>(first.size()) < Clusters) {
        const int index = Random(Points);
        if (std::find(first.begin(), first.end(), index) == first.end()) first.push_back(index);
    }

    TChartSeries series(nullptr);
    series.XValues()->SetOrder(loNone);
    series.AddXYArrays(xs, ys);
    TSeriesProvider provider;
    provider.SetSeries(&series);
    TKMeansClustering kmeans(&provider);
    kmeans.NumClusters = Clusters;
    kmeans.MaxIterations = Iterations;
    // The clusters of a run: each point's cluster and the centres.
    struct TResult {
        std::vector<int> labels;
        std::vector<double> centres;
        int passes = 0;
    };
    auto runs = [&](int threads, std::vector<double>& seconds) {
        kmeans.ThreadCount = threads;
        for (int run = 0; run < Runs; ++run) {
            SetRandSeed(Seed);
            const auto start = Clock::now();
            kmeans.Calculate();
            seconds.push_back(std::chrono::duration<double>(Clock::now() - start).count());
        }
        const TCluster& list = *kmeans.ClusterList();
        TResult result;
        result.labels.assign(Points, -1);
        result.passes = kmeans.Passes();
        for (int c = 0; c < list.Count(); ++c) {
            for (const TClusterItem* item : list.Cluster(c)->Points()) result.labels[static_cast<std::size_t>(item->Index)] = c;
            result.centres.push_back(list.Cluster(c)->Item->X);
            result.centres.push_back(list.Cluster(c)->Item->Y);
        }
        return result;
    };
    const int threads = std::max(2, std::min(4, TDuvCPU::CountProcessors()));
    std::vector<double> oneThread, ours;
    const TResult single = runs(1, oneThread);
    const TResult result = runs(threads, ours);
    if (result.labels != single.labels || result.centres.size() != single.centres.size() ||
        std::memcmp(result.centres.data(), single.centres.data(), result.centres.size() * sizeof(double)) != 0) {
        std::printf("%d threads give other clusters or centres than one thread\n", threads);
        return 1;
    }

    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("bench_clustering_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    WriteAll(folder / "points.bin", both);
    WriteAll(folder / "first.bin", std::vector<std::int32_t>(first.begin(), first.end()));
    const benchpython::TPeerRun python = benchpython::RunPython(
        kPeer, {QString::fromStdString(folder.string()), QString::number(Iterations), QString::number(Runs)}, 110000);
    if (!python.Ok) {
        std::printf("peer failed: %s\n", python.Errors.c_str());
        std::filesystem::remove_all(folder);
        return 1;
    }
    const double peer = std::stod(python.Output.toStdString());
    const std::vector<std::int32_t> labels = ReadAll<std::int32_t>(folder / "labels.bin");
    const std::vector<double> centres = ReadAll<double>(folder / "centres.bin");
    std::filesystem::remove_all(folder);

    if (static_cast<int>(result.centres.size()) != 2 * Clusters || static_cast<int>(labels.size()) != Points ||
        centres.size() != 2 * static_cast<std::size_t>(Clusters)) {
        std::printf("different shapes: %zu clusters, %zu labels, %zu centre values\n", result.centres.size() / 2,
                    labels.size(), centres.size());
        return 1;
    }
    double centreGap = 0;
    for (std::size_t v = 0; v < centres.size(); ++v) centreGap = std::max(centreGap, std::abs(result.centres[v] - centres[v]));
    const long differing = std::count_if(result.labels.begin(), result.labels.end(), [&, i = 0](int label) mutable {
        return label != labels[static_cast<std::size_t>(i++)];
    });
    std::printf("k-means, %d points, %d clusters, at most %d passes (ours ended after %d)\n", Points, Clusters,
                Iterations, result.passes);
    std::printf("%d threads and one thread: the same clusters and centres, bit for bit\n", threads);
    std::printf("points in another cluster than SciPy's: %ld, largest centre difference: %.3g\n", differing, centreGap);
    if (differing != 0 || centreGap > 1e-9) {
        std::printf("the results differ\n");
        return 1;
    }
    const double mine = Median(ours), single1 = Median(oneThread);
    std::printf("ours, %d threads: %.3f s\n", threads, mine);
    std::printf("ours, one thread: %.3f s (ratio %.3f)\n", single1, single1 / peer);
    std::printf("scipy kmeans2: %.3f s\n", peer);
    std::printf("ratio: %.3f\n", mine / peer);
    return 0;
}
