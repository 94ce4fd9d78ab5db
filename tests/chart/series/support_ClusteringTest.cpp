#include "support_ClusteringTest.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include "platform/core/Random.h"
#include "support/TestSupport.h"

namespace clustertest {

void FillSeries(TChartSeries& series, const std::vector<TXY>& points, const std::vector<double>& zs)
{
    series.ClearPoints();
    // Points keep the order given, so their indexes are the judges' indexes.
    series.XValues()->SetOrder(loNone);
    for (const TXY& p : points) series.AddPointXY(p.X, p.Y);
    if (zs.empty()) return;
    TChartValueList* z = series.ValueLists()[2];
    for (std::size_t i = 0; i < zs.size(); ++i) z->SetValueAt(static_cast<int>(i), zs[i]);
}

std::vector<std::vector<int>> IndexLists(const TCluster& list)
{
    std::vector<std::vector<int>> lists;
    for (int c = 0; c < list.Count(); ++c) {
        std::vector<int> indexes;
        if (list.Cluster(c)->Unclustered) indexes.push_back(-1);
        for (const TClusterItem* item : list.Cluster(c)->Points()) indexes.push_back(item->Index);
        lists.push_back(indexes);
    }
    return lists;
}

std::vector<std::vector<int>> Partition(const TCluster& list)
{
    std::vector<std::vector<int>> lists = IndexLists(list);
    for (auto& l : lists) std::sort(l.begin(), l.end());
    std::sort(lists.begin(), lists.end());
    return lists;
}

std::vector<int> LowestMember(const TCluster& list, int count)
{
    std::vector<int> lowest(static_cast<std::size_t>(count), -1);
    for (const std::vector<int>& members : Partition(list))
        for (int i : members) lowest[static_cast<std::size_t>(i)] = members.front();
    return lowest;
}

std::vector<int> DrawnIndices(std::uint32_t seed, int count, int clusters)
{
    SetRandSeed(seed);
    std::vector<int> drawn;
    while (static_cast<int>(drawn.size()) < clusters) {
        const int index = Random(count);
        if (std::find(drawn.begin(), drawn.end(), index) == drawn.end()) drawn.push_back(index);
    }
    SetRandSeed(seed);
    return drawn;
}

std::vector<TXY> RandomPoints(int n, unsigned seed, double scale)
{
    std::mt19937 generator(seed);
    std::uniform_real_distribution<double> value(0, scale);
    std::vector<TXY> points;
    for (int i = 0; i < n; ++i) points.push_back({value(generator), value(generator)});
    return points;
}

std::vector<std::string> Judge(const std::string& mode, const std::vector<TXY>& points,
                               const std::vector<std::string>& arguments)
{
    qbtest::TempDir dir;
    const std::string path = dir.file("points.txt");
    {
        std::ofstream out(path);
        char line[64];
        for (const TXY& p : points) {
            std::snprintf(line, sizeof line, "%.17g %.17g\n", p.X, p.Y);
            out << line;
        }
    }
    std::vector<std::string> command{"/usr/bin/python3", qbtest::DataPath("chart/series/clustering_judge.py"), mode, path};
    command.insert(command.end(), arguments.begin(), arguments.end());
    std::istringstream output(enginetest::Run(command));
    std::vector<std::string> lines;
    for (std::string line; std::getline(output, line);) lines.push_back(line);
    return lines;
}

std::vector<int> Integers(const std::string& line)
{
    std::istringstream in(line);
    std::vector<int> values;
    for (int v; in >> v;) values.push_back(v);
    return values;
}

}  // namespace clustertest
