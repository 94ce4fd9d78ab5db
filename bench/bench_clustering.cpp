// K-means on a million 2D points in ten blobs, ten clusters, at most 20 passes from the same
// first centres: ours on a series through the series provider, against SciPy's kmeans2
// (minit='matrix', iter=20). Each side runs three times; the medians count. Both must put every
// point in the same cluster and find the same centres. Our side runs on a warm heap (freed blocks
// stay with the process), as the peer's own allocator keeps its blocks.
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

#include "chart/engine/ChartEngineModules.h"
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
    std::vector<double> ours;
    for (int run = 0; run < Runs; ++run) {
        SetRandSeed(Seed);
        const auto start = Clock::now();
        kmeans.Calculate();
        ours.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    }

    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("bench_clustering_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    WriteAll(folder / "points.bin", both);
    WriteAll(folder / "first.bin", std::vector<std::int32_t>(first.begin(), first.end()));
    QProcess python;
    python.start("/usr/bin/python3", {"-c", kPeer, QString::fromStdString(folder.string()),
                                      QString::number(Iterations), QString::number(Runs)});
    const bool finished = python.waitForFinished(110000);
    const std::string peerOutput = python.readAllStandardOutput().toStdString();
    if (!finished || python.exitStatus() != QProcess::NormalExit || python.exitCode() != 0) {
        std::printf("peer failed: %s\n", python.readAllStandardError().constData());
        std::filesystem::remove_all(folder);
        return 1;
    }
    const double peer = std::stod(peerOutput);
    const std::vector<std::int32_t> labels = ReadAll<std::int32_t>(folder / "labels.bin");
    const std::vector<double> centres = ReadAll<double>(folder / "centres.bin");
    std::filesystem::remove_all(folder);

    const TCluster& result = *kmeans.ClusterList();
    if (result.Count() != Clusters || static_cast<int>(labels.size()) != Points ||
        centres.size() != 2 * static_cast<std::size_t>(Clusters)) {
        std::printf("different shapes: %d clusters, %zu labels, %zu centre values\n", result.Count(), labels.size(),
                    centres.size());
        return 1;
    }
    std::vector<int> ourLabels(Points, -1);
    double centreGap = 0;
    for (int c = 0; c < Clusters; ++c) {
        for (const TClusterItem* item : result.Cluster(c)->Points()) ourLabels[static_cast<std::size_t>(item->Index)] = c;
        centreGap = std::max({centreGap, std::abs(result.Cluster(c)->Item->X - centres[2 * static_cast<std::size_t>(c)]),
                              std::abs(result.Cluster(c)->Item->Y - centres[2 * static_cast<std::size_t>(c) + 1])});
    }
    const long differing = std::count_if(ourLabels.begin(), ourLabels.end(), [&, i = 0](int label) mutable {
        return label != labels[static_cast<std::size_t>(i++)];
    });
    std::printf("k-means, %d points, %d clusters, at most %d passes (ours ended after %d)\n", Points, Clusters,
                Iterations, kmeans.Passes());
    std::printf("points in another cluster: %ld, largest centre difference: %.3g\n", differing, centreGap);
    if (differing != 0 || centreGap > 1e-9) {
        std::printf("the results differ\n");
        return 1;
    }
    const double mine = Median(ours);
    std::printf("ours: %.3f s\n", mine);
    std::printf("scipy kmeans2: %.3f s\n", peer);
    std::printf("ratio: %.3f\n", mine / peer);
    return 0;
}
