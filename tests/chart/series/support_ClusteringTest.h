#pragma once
// What the clustering tests share: series of given points, the result as index lists, the
// program's random draws of first k-means centres, and SciPy or a plain reference as judge.
#include <string>
#include <utility>
#include <vector>

#include "chart/series/DuvClustering.h"
#include "support_SeriesTest.h"

namespace clustertest {

struct TXY {
    double X, Y;
};

// A series holding the points (with a third value list when zs is given).
void FillSeries(TChartSeries& series, const std::vector<TXY>& points, const std::vector<double>& zs = {});

// Each cluster's point indexes in leaf order; "rest" clusters (unclustered) are marked by a
// leading -1.
std::vector<std::vector<int>> IndexLists(const TCluster& list);
// The same lists sorted, each and all, for partitions whose order does not matter.
std::vector<std::vector<int>> Partition(const TCluster& list);
// For every point the lowest point index of its cluster.
std::vector<int> LowestMember(const TCluster& list, int count);

// The indexes k-means draws for its first centres after SetRandSeed(seed).
std::vector<int> DrawnIndices(std::uint32_t seed, int count, int clusters);

// n points in [0, scale) x [0, scale) from a fixed generator.
std::vector<TXY> RandomPoints(int n, unsigned seed, double scale);

// Runs the judge script with the points written to a file; answers its output lines.
std::vector<std::string> Judge(const std::string& mode, const std::vector<TXY>& points,
                               const std::vector<std::string>& arguments);
// Whitespace-separated integers of a line.
std::vector<int> Integers(const std::string& line);

}  // namespace clustertest
