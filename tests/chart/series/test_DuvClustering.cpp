// The three clustering methods on series points, judged by SciPy and by a plain reference where
// an outside program does the same work.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>

#include "chart/series/DuvClusteringTool.h"
#include "platform/core/Random.h"
#include "support_ClusteringTest.h"

namespace {

using namespace clustertest;
using seriestest::TTestSeries;
using seriestest::TThreeListSeries;

class ClusteringTest : public testing::Test {
protected:
    void SetUp() override { seriestest::StartSeriesModules(); }
    // The provider reads the points, with Z when given.
    void Load(const std::vector<TXY>& points, const std::vector<double>& zs = {})
    {
        FillSeries(zs.empty() ? static_cast<TChartSeries&>(flat) : deep, points, zs);
        provider.SetSeries(nullptr);
        provider.SetSeries(zs.empty() ? static_cast<TChartSeries*>(&flat) : &deep);
    }
    std::vector<TXY> OnXAxis(const std::vector<double>& xs)
    {
        std::vector<TXY> points;
        for (double x : xs) points.push_back({x, 0});
        return points;
    }

    TTestSeries flat;
    TThreeListSeries deep;
    TSeriesProvider provider;
};

// ---------------------------------------------------------------- distances

struct DistanceCase {
    TDistanceMethod method;
    bool withZ;
    float lambda;
    double expected;
};

TEST_F(ClusteringTest, SixDistancesIn2DAnd3D)
{
    // (0, 0, 0) to (3, -4, 12); Sorensen divides by the plain coordinate sum.
    const DistanceCase cases[] = {
        {dmEuclidean, false, 3, 5},          {dmEuclidean, true, 3, 13},
        {dmSquaredEuclidean, false, 3, 25},  {dmSquaredEuclidean, true, 3, 169},
        {dmManhattan, false, 3, 7},          {dmManhattan, true, 3, 19},
        {dmMinkowski, false, 3, 4.497941445275415}, {dmMinkowski, true, 3, 12.207054953820636},
        {dmMinkowski, false, 2, 5},          {dmMinkowski, true, 2, 13},
        {dmSorensen, false, 3, -7},          {dmSorensen, true, 3, 19.0 / 11},
        {dmChebyshev, false, 3, 4},          {dmChebyshev, true, 3, 12},
    };
    for (const DistanceCase& c : cases) {
        if (c.withZ)
            Load({{0, 0}, {3, -4}}, {0, 12});
        else
            Load({{0, 0}, {3, -4}});
        provider.SetDistance(c.method);
        provider.SetLambda(c.lambda);
        ASSERT_EQ(provider.HasZ(), c.withZ);
        EXPECT_FLOAT_EQ(provider.DistanceByIndex(0, 1), static_cast<float>(c.expected))
            << EnumTypeInfo(c.method).Name(c.method) << (c.withZ ? " 3D" : " 2D") << " lambda " << c.lambda;
    }
}

TEST_F(ClusteringTest, SorensenOfTheOriginWithItselfIsZero)
{
    Load({{0, 0}, {0, 0}});
    provider.SetDistance(dmSorensen);
    EXPECT_EQ(provider.DistanceByIndex(0, 1), 0.0f);
}

TEST_F(ClusteringTest, RowsAndBlocksGiveTheSameDistancesAsPairs)
{
    Load(RandomPoints(40, 3, 10), std::vector<double>(40, 0.5));
    for (TDistanceMethod m : {dmEuclidean, dmSquaredEuclidean, dmManhattan, dmMinkowski, dmSorensen, dmChebyshev}) {
        provider.SetDistance(m);
        std::vector<float> row(40);
        provider.DistanceRow(17, 0, 39, row.data());
        for (int j = 0; j < 40; ++j)
            if (j != 17) {
                EXPECT_EQ(row[static_cast<std::size_t>(j)], j > 17 ? provider.DistanceByIndex(17, j) : provider.DistanceByIndex(j, 17));
            }
        const TCluster node(provider.ItemAt(5), false);
        provider.DistancesToItem(*provider.ItemAt(5), 0, 40, row.data());
        for (int j = 0; j < 40; ++j) EXPECT_EQ(row[static_cast<std::size_t>(j)], provider.DistanceToNode(j, node));
    }
}

// ---------------------------------------------------------------- hierarchical

TEST_F(ClusteringTest, HierarchicalOfOnePointMakesNoCluster)
{
    Load({{1, 1}});
    THierarchicalClustering method(&provider);
    EXPECT_EQ(method.Calculate()->Count(), 0);
}

TEST_F(ClusteringTest, HierarchicalMergesAtLeastOnce)
{
    Load(OnXAxis({0, 10, 11}));
    THierarchicalClustering method(&provider);
    method.NumClusters = 5;
    EXPECT_EQ(Partition(*method.Calculate()), (std::vector<std::vector<int>>{{0}, {1, 2}}));
}

TEST_F(ClusteringTest, HierarchicalMergedCentreIsTheMeanOfTheTwo)
{
    Load(OnXAxis({0, 2, 10}));
    THierarchicalClustering method(&provider);
    method.NumClusters = 2;
    const TCluster& list = *method.Calculate();
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Cluster(0)->Count(), 2);
    EXPECT_DOUBLE_EQ(list.Cluster(0)->Item->X, 1);
    EXPECT_DOUBLE_EQ(list.Cluster(0)->Item->Y, 0);
    EXPECT_EQ(list.Cluster(0)->Item->Index, -1);
    EXPECT_DOUBLE_EQ(list.Item->X, (1 + 10) / 2.0) << "the root's centre from the clusters' centres";
}

TEST_F(ClusteringTest, HierarchicalWithoutLinkageFollowsMedianLinkage)
{
    const std::vector<TXY> points = RandomPoints(300, 11, 100);
    Load(points);
    for (int k : {1, 7, 40}) {
        THierarchicalClustering method(&provider);
        method.NumClusters = k;
        const std::vector<std::string> judged = Judge("median", points, {std::to_string(k)});
        ASSERT_EQ(judged.size(), 1u);
        EXPECT_EQ(LowestMember(*method.Calculate(), 300), Integers(judged[0])) << k << " clusters";
        EXPECT_EQ(method.ClusterCount(), k);
    }
}

struct LinkageCase {
    TLinkageMethod linkage;
    int clusters;
    std::vector<std::vector<int>> expected;
};

TEST_F(ClusteringTest, LinkagesOnAHandMadeSet)
{
    // Four groups along a line and one point above it; the linkages part them differently.
    Load({{0, 0}, {1, 0}, {2.2, 0}, {3.5, 0}, {4.9, 0}, {9, 0}, {9.5, 0}, {10, 3}, {4.9, 2.5}});
    const LinkageCase cases[] = {
        {lmNone, 3, {{0, 1}, {2, 3, 4, 8}, {5, 6, 7}}},
        {lmNone, 4, {{0, 1}, {2, 3, 4, 8}, {5, 6}, {7}}},
        {lmSingle, 3, {{0, 1, 2, 3, 4, 8}, {5, 6}, {7}}},
        {lmSingle, 4, {{0, 1, 2, 3, 4}, {5, 6}, {7}, {8}}},
        {lmComplete, 3, {{0, 1, 2, 3}, {4, 8}, {5, 6, 7}}},
        {lmComplete, 4, {{0, 1}, {2, 3}, {4, 8}, {5, 6, 7}}},
        {lmAverage, 3, {{0, 1}, {2, 3, 4, 8}, {5, 6, 7}}},
        {lmAverage, 4, {{0, 1}, {2, 3, 4, 8}, {5, 6}, {7}}},
        {lmWard, 3, {{0, 1, 2, 3}, {4, 8}, {5, 6, 7}}},
        {lmWard, 4, {{0, 1, 2, 3}, {4, 8}, {5, 6}, {7}}},
    };
    for (const LinkageCase& c : cases) {
        THierarchicalClustering method(&provider);
        method.Linkage = c.linkage;
        method.NumClusters = c.clusters;
        EXPECT_EQ(Partition(*method.Calculate()), c.expected)
            << EnumTypeInfo(c.linkage).Name(c.linkage) << " to " << c.clusters;
    }
}

TEST_F(ClusteringTest, NoClustersAskedGiveAnEmptyResult)
{
    Load(RandomPoints(20, 5, 10));
    for (int asked : {0, -3}) {
        THierarchicalClustering hierarchical(&provider);
        hierarchical.NumClusters = asked;
        EXPECT_EQ(hierarchical.Calculate()->Count(), 0);
        TKMeansClustering kmeans(&provider);
        kmeans.NumClusters = asked;
        EXPECT_EQ(kmeans.Calculate()->Count(), 0);
    }
}

// ---------------------------------------------------------------- k-means

TEST_F(ClusteringTest, KMeansFollowsSciPyFromTheSameFirstCentres)
{
    // Four separated blobs.
    std::vector<TXY> points = RandomPoints(600, 21, 10);
    for (std::size_t i = 0; i < points.size(); ++i) {
        points[i].X += 100 * static_cast<double>(i % 2);
        points[i].Y += 100 * static_cast<double>(i / 2 % 2);
    }
    Load(points);
    const std::vector<int> first = DrawnIndices(4242, 600, 4);
    std::vector<std::string> arguments{"30"};
    for (int i : first) arguments.push_back(std::to_string(i));
    const std::vector<std::string> judged = Judge("kmeans", points, arguments);
    ASSERT_EQ(judged.size(), 5u);

    TKMeansClustering method(&provider);
    method.NumClusters = 4;
    method.MaxIterations = 30;
    SetRandSeed(4242);
    const TCluster& list = *method.Calculate();
    ASSERT_EQ(list.Count(), 4);
    std::vector<int> labels(600, -1);
    for (int c = 0; c < 4; ++c)
        for (const TClusterItem* item : list.Cluster(c)->Points()) labels[static_cast<std::size_t>(item->Index)] = c;
    EXPECT_EQ(labels, Integers(judged[0]));
    for (int c = 0; c < 4; ++c) {
        std::istringstream line(judged[static_cast<std::size_t>(c) + 1]);
        double x = 0, y = 0;
        line >> x >> y;
        EXPECT_NEAR(list.Cluster(c)->Item->X, x, 1e-9);
        EXPECT_NEAR(list.Cluster(c)->Item->Y, y, 1e-9);
    }
}

TEST_F(ClusteringTest, KMeansWithAClusterPerPointEndsAfterTwoPasses)
{
    Load(RandomPoints(12, 8, 10));
    TKMeansClustering method(&provider);
    method.NumClusters = 12;
    SetRandSeed(1);
    const TCluster& list = *method.Calculate();
    EXPECT_EQ(method.Passes(), 2);
    ASSERT_EQ(list.Count(), 12);
    for (int c = 0; c < 12; ++c) EXPECT_EQ(list.Cluster(c)->Count(), 1);
}

TEST_F(ClusteringTest, KMeansWithMoreClustersThanPointsUsesEveryPoint)
{
    Load(OnXAxis({1, 2, 3}));
    TKMeansClustering method(&provider);
    method.NumClusters = 10;
    SetRandSeed(77);
    EXPECT_EQ(Partition(*method.Calculate()), (std::vector<std::vector<int>>{{0}, {1}, {2}}));
}

TEST_F(ClusteringTest, KMeansClusterThatLosesItsMembersKeepsItsCentre)
{
    // The first centres fall on two equal points (110) and on 130: the second cluster starts
    // without members. From its last centre it wins the pair at 110 back; from the origin it
    // would win nothing and vanish, leaving 101 and 102 with the pair.
    const std::vector<int> first = DrawnIndices(99, 6, 3);
    std::vector<double> xs(6, 0);
    xs[static_cast<std::size_t>(first[0])] = 110;
    xs[static_cast<std::size_t>(first[1])] = 110;
    xs[static_cast<std::size_t>(first[2])] = 130;
    const double others[] = {131, 101, 102};
    int next = 0;
    for (double& x : xs)
        if (x == 0) x = others[next++];
    Load(OnXAxis(xs));
    TKMeansClustering method(&provider);
    method.NumClusters = 3;
    SetRandSeed(99);
    std::vector<std::vector<double>> groups;
    for (const std::vector<int>& members : Partition(*method.Calculate())) {
        std::vector<double> values;
        for (int i : members) values.push_back(xs[static_cast<std::size_t>(i)]);
        std::sort(values.begin(), values.end());
        groups.push_back(values);
    }
    std::sort(groups.begin(), groups.end());
    EXPECT_EQ(groups, (std::vector<std::vector<double>>{{101, 102}, {110, 110}, {130, 131}}));
}

// A point nearer to the second centre by less than Single can tell: the distances are Single
// values, so both are equally near and the first centre takes it; a point whose first distance
// is not a number goes to the first centre too. One pass from the first centres shows the pick.
struct NearestCase {
    const char* what;
    TDistanceMethod method;
    TXY point;
    bool firstTakesIt;
};

TEST_F(ClusteringTest, KMeansPicksTheFirstOfCentresEquallyNearInSingle)
{
    const NearestCase cases[] = {
        {"Euclidean, equal in Single", dmEuclidean, {0, 0}, true},
        {"squared, equal in Single", dmSquaredEuclidean, {0, 0}, true},
        {"Manhattan, equal in Single", dmManhattan, {0, 0}, true},
        {"Euclidean, nearer by more", dmEuclidean, {0.01, 0}, false},
        {"Euclidean, first distance not a number", dmEuclidean, {std::nan(""), 0}, true},
        {"squared, first distance not a number", dmSquaredEuclidean, {0, std::nan("")}, true},
    };
    const std::vector<int> first = DrawnIndices(5, 3, 2);
    const int point = 3 - first[0] - first[1];
    for (const NearestCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<TXY> points(3);
        points[static_cast<std::size_t>(first[0])] = {-(1 + 1e-12), 0};
        points[static_cast<std::size_t>(first[1])] = {1, 0};
        points[static_cast<std::size_t>(point)] = c.point;
        Load(points);
        provider.SetDistance(c.method);
        TKMeansClustering method(&provider);
        method.NumClusters = 2;
        method.MaxIterations = 1;
        SetRandSeed(5);
        const std::vector<std::vector<int>> lists = IndexLists(*method.Calculate());
        ASSERT_EQ(lists.size(), 2u);
        const std::vector<int>& taker = lists[c.firstTakesIt ? 0 : 1];
        EXPECT_NE(std::find(taker.begin(), taker.end(), point), taker.end());
    }
}

// ---------------------------------------------------------------- QT

TEST_F(ClusteringTest, QTLeavesFarPointsUnclustered)
{
    Load(OnXAxis({0, 0.5, 3}));
    TQTClustering method(&provider);
    const TCluster& list = *method.Calculate();
    EXPECT_EQ(IndexLists(list), (std::vector<std::vector<int>>{{0, 1}, {-1, 2}}));
    EXPECT_TRUE(list.Cluster(1)->Unclustered);
    EXPECT_DOUBLE_EQ(list.Cluster(0)->Item->X, 0.25);
    EXPECT_DOUBLE_EQ(list.Cluster(1)->Item->X, 0) << "the unclustered node keeps a zero centre";
}

TEST_F(ClusteringTest, QTFollowsAPlainReference)
{
    const std::vector<TXY> points = RandomPoints(200, 31, 10);
    Load(points);
    for (int minCount : {1, 3}) {
        TQTClustering method(&provider);
        method.MaxDiameter = 1.3;
        method.MinCount = minCount;
        std::vector<std::vector<int>> expected;
        for (const std::string& line : Judge("qt", points, {"1.3", std::to_string(minCount)})) {
            const bool rest = line.rfind("rest", 0) == 0;
            std::vector<int> members = Integers(rest ? line.substr(4) : line);
            if (rest) members.insert(members.begin(), -1);
            expected.push_back(members);
        }
        EXPECT_EQ(IndexLists(*method.Calculate()), expected) << "MinCount " << minCount;
    }
}

long ResidentKilobytes(const char* field)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field, 0) == 0) return std::stol(line.substr(std::string(field).size()));
    return 0;
}

TEST_F(ClusteringTest, QTOnManyPointsKeepsOnlyNeighboursInReach)
{
    Load(RandomPoints(20000, 41, 1000));
    const long before = ResidentKilobytes("VmRSS:");
    TQTClustering method(&provider);
    method.MaxDiameter = 5;
    method.ThreadCount = 4;
    const TCluster& list = *method.Calculate();
    const long peak = ResidentKilobytes("VmHWM:");
    EXPECT_LT(peak - before, 300 * 1024) << "kilobytes above the start";
    int points = 0;
    for (const auto& members : IndexLists(list)) points += static_cast<int>(members.size()) - (members.front() < 0);
    EXPECT_EQ(points, 20000);
}

// ---------------------------------------------------------------- threads and depth

TEST_F(ClusteringTest, FourThreadsGiveWhatOneGives)
{
    Load(RandomPoints(400, 51, 20));
    auto run = [this](TBaseClustering& method, int threads) {
        method.ThreadCount = threads;
        return IndexLists(*method.Calculate());
    };
    THierarchicalClustering hierarchical(&provider);
    hierarchical.NumClusters = 9;
    hierarchical.Linkage = lmAverage;
    EXPECT_EQ(run(hierarchical, 4), run(hierarchical, 1));
    TQTClustering qt(&provider);
    qt.MaxDiameter = 2;
    EXPECT_EQ(run(qt, 4), run(qt, 1));
}

// K-means splits a pass into shares of points; enough points for several shares, in 2D and in
// depth: the same clusters and the same centres to the last bit.
TEST_F(ClusteringTest, KMeansOnFourThreadsGivesWhatOneGivesBitForBit)
{
    const std::vector<TXY> points = RandomPoints(50000, 61, 100);
    std::vector<double> zs;
    for (std::size_t i = 0; i < points.size(); ++i) zs.push_back(static_cast<double>(i % 17));
    for (bool depth : {false, true}) {
        SCOPED_TRACE(depth ? "X, Y and Z" : "X and Y");
        Load(points, depth ? zs : std::vector<double>{});
        TKMeansClustering method(&provider);
        method.NumClusters = 7;
        method.MaxIterations = 15;
        auto run = [&](int threads) {
            method.ThreadCount = threads;
            SetRandSeed(606);
            const TCluster& list = *method.Calculate();
            std::vector<double> centres;
            for (int c = 0; c < list.Count(); ++c)
                centres.insert(centres.end(), {list.Cluster(c)->Item->X, list.Cluster(c)->Item->Y, list.Cluster(c)->Item->Z});
            return std::make_pair(IndexLists(list), centres);
        };
        const auto one = run(1);
        const auto four = run(4);
        EXPECT_EQ(four.first, one.first);
        ASSERT_EQ(four.second.size(), one.second.size());
        EXPECT_EQ(std::memcmp(four.second.data(), one.second.data(), one.second.size() * sizeof(double)), 0);
    }
}

TEST_F(ClusteringTest, ThirdValueListClustersInDepth)
{
    // Equal X and Y: only Z tells the two groups apart.
    Load(std::vector<TXY>(6, TXY{1, 1}), {0, 0.1, 0.2, 50, 50.1, 50.2});
    ASSERT_TRUE(provider.HasZ());
    THierarchicalClustering method(&provider);
    method.NumClusters = 2;
    EXPECT_EQ(Partition(*method.Calculate()), (std::vector<std::vector<int>>{{0, 1, 2}, {3, 4, 5}}));
    EXPECT_NEAR(method.ClusterList()->Cluster(1)->Item->Z, 50.125, 1e-12) << "centres of centres";
}

TEST_F(ClusteringTest, ReloadingTheSeriesDropsResultsOnItsFormerItems)
{
    Load(OnXAxis({0, 0.5, 3}));
    TQTClustering method(&provider);
    method.Calculate();
    ASSERT_EQ(method.ClusterCount(), 2);
    flat.AddPointXY(4, 0);
    EXPECT_EQ(provider.Count(), 4);
    EXPECT_EQ(method.ClusterCount(), 0);
}

TEST_F(ClusteringTest, EditedValuesAreClusteredAsTheyAreNow)
{
    Load(OnXAxis({0, 0.5, 3}));
    TQTClustering method(&provider);
    flat.SetXValue(2, 0.7);
    EXPECT_EQ(IndexLists(*method.Calculate()), (std::vector<std::vector<int>>{{0, 1, 2}}));
}

}  // namespace
