// The clustering tool on a chart: colouring by cluster, the drawing of outlines, centres and
// centroids (on the recording canvas and on the real back buffer), statistics and streaming.
#include <gtest/gtest.h>

#include <QImage>
#include <cmath>

#include "chart/engine/ChartLegend.h"
#include "chart/engine/ChartRegistry.h"
#include "chart/engine/DuvProcs.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/series/DuvClusteringTool.h"
#include "platform/core/Random.h"
#include "support_ClusteringTest.h"

namespace {

using namespace clustertest;
using seriestest::ComponentTextOf;
using seriestest::ErrorOf;
using seriestest::ReadComponentText;
using seriestest::TTestChart;
using seriestest::TTestSeries;
using seriestest::TThreeListSeries;

// Two groups: a triangle with a point inside it, and a pair.
const std::vector<TXY> kTwoGroups{{10, 10}, {30, 10}, {20, 30}, {20, 15}, {80, 80}, {90, 80}};

class ClusteringToolTest : public testing::Test {
protected:
    void SetUp() override
    {
        seriestest::StartSeriesModules();
        series = new TTestSeries(&chart);
        series->SetName("Points");
        series->SetParentChart(&chart);
        tool = new TClusteringTool(&chart);
        tool->SetName("Clusters");
        tool->SetParentChart(&chart);
    }
    void Use(const std::vector<TXY>& points)
    {
        FillSeries(*series, points);
        tool->SetSeries(series);
    }
    // The hierarchical method to two clusters: the triangle and the pair.
    void TwoGroups()
    {
        Use(kTwoGroups);
        tool->SetMethod(cmHierarchical);
        tool->Hierarchical()->NumClusters = 2;
        tool->RunClustering();
    }
    std::vector<TRecordedCall> CallsNamed(const std::string& name) const
    {
        std::vector<TRecordedCall> found;
        for (const TRecordedCall& call : chart.Recording().Calls)
            if (call.Name == name) found.push_back(call);
        return found;
    }
    // The outline polygons: filled at 75 percent transparency.
    std::vector<std::string> Outlines() const
    {
        std::vector<std::string> found;
        for (const TRecordedCall& call : CallsNamed("Polygon"))
            if (call.Transparency == 75) found.push_back(call.Args);
        return found;
    }
    TPoint Screen(double x, double y) const { return {series->ValueToScreenX(x), series->ValueToScreenY(y)}; }
    static std::string At(const TPoint& p) { return std::to_string(p.X) + ":" + std::to_string(p.Y); }
    static std::string Box(const TPoint& p, int half)
    {
        return std::to_string(p.X - half) + "," + std::to_string(p.Y - half) + "," + std::to_string(p.X + half) + "," +
               std::to_string(p.Y + half);
    }

    mutable TTestChart chart;
    TTestSeries* series = nullptr;
    TClusteringTool* tool = nullptr;
};

TEST_F(ClusteringToolTest, ANewToolDrawsNothingUntilItRuns)
{
    Use(RandomPoints(60, 5, 100));
    chart.Draw();
    EXPECT_TRUE(Outlines().empty());
    EXPECT_EQ(series->PointColors(), nullptr) << "no point coloured";

    SetRandSeed(2026);
    const TCluster& result = *tool->RunClustering();
    ASSERT_EQ(result.Count(), 5) << "five k-means clusters by default";
    for (int c = 0; c < 5; ++c)
        for (const TClusterItem* item : result.Cluster(c)->Points())
            EXPECT_EQ(series->GetPointColor(item->Index), chart.ColorFromPalette(c)) << "point " << item->Index;
    chart.Draw();
    EXPECT_EQ(Outlines().size(), 5u);
    for (const TRecordedCall& call : CallsNamed("Polygon"))
        if (call.Transparency == 75) {
            EXPECT_EQ(call.BrushColor, clWhite);
        }
    EXPECT_TRUE(CallsNamed("Ellipse").empty()) << "centres and centroids stay hidden";
}

TEST_F(ClusteringToolTest, ColorEachOffGivesThePointsTheirOwnColourBack)
{
    Use(RandomPoints(30, 6, 100));
    series->SetNull(7);
    SetRandSeed(5);
    tool->RunClustering();
    EXPECT_TRUE(series->IsNullPoint(7)) << "a null point stays null";
    const TColor coloured = series->GetPointColor(3);
    EXPECT_NE(series->StoredPointColor(3), clDefault);

    tool->SetColorEach(false);
    for (int i = 0; i < 30; ++i)
        if (i != 7) {
            EXPECT_EQ(series->StoredPointColor(i), clDefault) << i;
        }
    EXPECT_TRUE(series->IsNullPoint(7));

    tool->SetColorEach(true);
    EXPECT_EQ(series->GetPointColor(3), coloured) << "recoloured from the current result";
}

TEST_F(ClusteringToolTest, OutlinesCentresAndCentroidsIn2D)
{
    tool->Centers()->SetVisible(true);
    tool->Centroids()->SetVisible(true);
    TwoGroups();
    chart.Draw();
    const TCluster& clusters = *tool->CurrentClusters();
    ASSERT_EQ(clusters.Count(), 2);

    // The triangle's hull leaves out the point inside it; the pair's hull is the pair.
    const std::vector<std::string> outlines = Outlines();
    ASSERT_EQ(outlines.size(), 2u);
    for (int i : {0, 1, 2}) EXPECT_NE(outlines[0].find(At(Screen(kTwoGroups[i].X, kTwoGroups[i].Y))), std::string::npos) << i;
    EXPECT_EQ(outlines[0].find(At(Screen(20, 15))), std::string::npos) << outlines[0];
    EXPECT_NE(outlines[1].find(At(Screen(80, 80))), std::string::npos) << outlines[1];
    EXPECT_NE(outlines[1].find(At(Screen(90, 80))), std::string::npos) << outlines[1];

    // Per cluster: the red centre, then the green centroid of the hull (the triangle's mean
    // vertex, the pair's midpoint).
    const std::vector<TRecordedCall> markers = CallsNamed("Ellipse");
    ASSERT_EQ(markers.size(), 4u);
    const TClusterItem first = tool->ClusterCenter(*clusters.Cluster(0));
    const TClusterItem second = tool->ClusterCenter(*clusters.Cluster(1));
    const TPoint a = Screen(10, 10), b = Screen(30, 10), c = Screen(20, 30);
    // Pixels round halves to even.
    const TPoint triangle{static_cast<int>(std::nearbyint((a.X + b.X + c.X) / 3.0)),
                          static_cast<int>(std::nearbyint((a.Y + b.Y + c.Y) / 3.0))};
    const TPoint p = Screen(80, 80), q = Screen(90, 80);
    struct Marker {
        std::string args;
        TColor color;
    } const expected[] = {
        {Box(Screen(first.X, first.Y), 4), clRed},
        {Box(triangle, 4), clLime},
        {Box(Screen(second.X, second.Y), 4), clRed},
        {Box({static_cast<int>(std::nearbyint((p.X + q.X) / 2.0)), static_cast<int>(std::nearbyint((p.Y + q.Y) / 2.0))}, 4), clLime},
    };
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(markers[i].Args, expected[i].args) << i;
        EXPECT_EQ(markers[i].BrushColor, expected[i].color) << i;
        EXPECT_FALSE(markers[i].PenVisible) << i;
    }
}

TEST_F(ClusteringToolTest, OnePointClusterOutlinesThePointWithItsCentroidOnIt)
{
    tool->Centroids()->SetVisible(true);
    Use({{10, 10}, {11, 10}, {90, 90}});
    tool->SetMethod(cmHierarchical);
    tool->Hierarchical()->NumClusters = 2;
    tool->RunClustering();
    chart.Draw();
    const std::vector<std::string> outlines = Outlines();
    ASSERT_EQ(outlines.size(), 2u);
    EXPECT_EQ(outlines[1], "[" + At(Screen(90, 90)) + "]");
    ASSERT_EQ(CallsNamed("Ellipse").size(), 2u);
    EXPECT_EQ(CallsNamed("Ellipse")[1].Args, Box(Screen(90, 90), 4));
}

TEST_F(ClusteringToolTest, UnclusteredPointsAreColouredButNotOutlined)
{
    Use({{0, 0}, {0.5, 0}, {3, 0}});
    tool->Centers()->SetVisible(true);
    tool->SetMethod(cmQT);
    tool->RunClustering();
    EXPECT_EQ(series->GetPointColor(2), chart.ColorFromPalette(1));
    chart.Draw();
    EXPECT_EQ(Outlines().size(), 1u);
    EXPECT_EQ(CallsNamed("Ellipse").size(), 1u) << "no centre marker for the unclustered node";
}

TEST_F(ClusteringToolTest, ChangingTheMethodShowsThatMethodsLastResult)
{
    Use(kTwoGroups);
    tool->SetMethod(cmQT);
    tool->QTClustering()->MaxDiameter = 30;
    tool->RunClustering();
    const TColor qtColour = series->GetPointColor(4);
    tool->SetMethod(cmHierarchical);
    EXPECT_EQ(tool->CurrentClusters()->Count(), 0) << "never ran";
    EXPECT_EQ(series->StoredPointColor(4), clDefault);
    tool->SetMethod(cmQT);
    EXPECT_EQ(series->GetPointColor(4), qtColour);
}

TEST_F(ClusteringToolTest, BoxesInDepthForAThirdValueList)
{
    TTestChart deep;
    deep.SetView3D(true);
    auto* points = new TThreeListSeries(&deep);
    points->SetParentChart(&deep);
    auto* boxes = new TClusteringTool(&deep);
    boxes->SetParentChart(&deep);
    FillSeries(*points, {{10, 10}, {20, 30}, {15, 20}, {80, 80}, {90, 70}}, {1, 3, 2, 8, 9});
    boxes->SetSeries(points);
    boxes->Centroids()->SetVisible(true);
    boxes->SetMethod(cmHierarchical);
    boxes->Hierarchical()->NumClusters = 2;
    boxes->RunClustering();
    ASSERT_TRUE(boxes->Provider().HasZ());
    deep.Draw();

    std::vector<std::string> cubes;
    for (const TRecordedCall& call : deep.Recording().Calls)
        if (call.Name == "Cube" && call.Transparency == 75) cubes.push_back(call.Args);
    const TChartAxis* depth = deep.DepthAxis();
    auto box = [&](double x1, double x2, double y1, double y2, double z1, double z2) {
        const int left = points->ValueToScreenX(x1), right = points->ValueToScreenX(x2);
        const int top = points->ValueToScreenY(y2), bottom = points->ValueToScreenY(y1);
        return std::to_string(left) + "," + std::to_string(right) + "," + std::to_string(top) + "," +
               std::to_string(bottom) + "," + std::to_string(depth->CalcPosValue(z1)) + "," +
               std::to_string(depth->CalcPosValue(z2)) + ",true,0";
    };
    EXPECT_EQ(cubes, (std::vector<std::string>{box(10, 20, 10, 30, 1, 3), box(80, 90, 70, 80, 8, 9)}));
    std::vector<std::string> centroids;
    for (const TRecordedCall& call : deep.Recording().Calls)
        if (call.Name == "EllipseWithZ" && call.BrushColor == clLime) centroids.push_back(call.Args);
    const int x = (points->ValueToScreenX(10) + points->ValueToScreenX(20)) / 2;
    const int y = (points->ValueToScreenY(10) + points->ValueToScreenY(30)) / 2;
    const int z = (depth->CalcPosValue(1) + depth->CalcPosValue(3)) / 2;
    ASSERT_EQ(centroids.size(), 2u);
    EXPECT_EQ(centroids[0], Box({x, y}, 4) + "," + std::to_string(z));
}

struct StatisticsCase {
    const char* name;
    std::vector<TXY> points;
    double covariance;
    std::optional<double> correlation;
    double sumOfSquares;
};

TEST_F(ClusteringToolTest, ClusterStatistics)
{
    const StatisticsCase cases[] = {
        {"on a rising line", {{1, 2}, {2, 4}, {3, 6}}, 4, 1.0, 10},
        {"on a falling line", {{1, 6}, {2, 4}, {3, 2}}, -4, -1.0, 10},
        {"without spread in Y", {{1, 5}, {2, 5}, {3, 5}}, 0, std::nullopt, 2},
    };
    for (const StatisticsCase& c : cases) {
        Use(c.points);
        tool->SetMethod(cmQT);
        tool->QTClustering()->MaxDiameter = 100;
        const TCluster& result = *tool->RunClustering();
        ASSERT_EQ(result.Count(), 1) << c.name;
        const TClusterStatistics s = tool->ClusterStatistics(*result.Cluster(0));
        EXPECT_NEAR(s.Covariance, c.covariance, 1e-12) << c.name;
        EXPECT_EQ(s.Correlation.has_value(), c.correlation.has_value()) << c.name;
        if (c.correlation && s.Correlation) {
            EXPECT_NEAR(*s.Correlation, *c.correlation, 1e-12) << c.name;
        }
        // Distances are Single values.
        EXPECT_NEAR(s.SumOfSquares, c.sumOfSquares, 1e-5) << c.name;
    }
    const TClusterStatistics leaf = tool->ClusterStatistics(*tool->CurrentClusters()->Cluster(0)->Cluster(0));
    EXPECT_EQ(leaf.Covariance, 0);
    EXPECT_EQ(leaf.Correlation, 0.0);
    EXPECT_EQ(leaf.SumOfSquares, 0);
}

TEST_F(ClusteringToolTest, MinkowskiLambdaCannotBeZero)
{
    tool->SetMinkowskiLambda(2);
    EXPECT_EQ(ErrorOf([&] { tool->SetMinkowskiLambda(0); }), "Minkowski Lambda cannot be zero");
    EXPECT_EQ(tool->MinkowskiLambda(), 2.0f);
    EXPECT_EQ(tool->Provider().InverseLambda(), 0.5f);
}

TEST_F(ClusteringToolTest, SettingsReadBackTheSame)
{
    FillSeries(*series, kTwoGroups);
    tool->SetSeries(series);
    tool->SetMethod(cmQT);
    tool->SetShowBounds(false);
    tool->SetColorEach(false);
    tool->SetTransparency(40);
    tool->SetDistance(dmChebyshev);
    tool->SetLinkage(lmWard);
    tool->SetMinkowskiLambda(2.5f);
    tool->Hierarchical()->NumClusters = 7;
    tool->KMeans()->NumClusters = 3;
    tool->KMeans()->MaxIterations = 50;
    tool->QTClustering()->MaxDiameter = 2.5;
    tool->QTClustering()->MinCount = 4;
    tool->Centers()->SetVisible(true);
    tool->Centers()->SetStyle(psDiamond);
    tool->Centroids()->Brush().SetColor(clBlue);
    tool->Pen().SetColor(clNavy);

    const std::string text = ComponentTextOf(chart);
    for (const char* line : {"KMeans.NumClusters = 3", "QTClustering.MaxDiameter = 2.5", "Hierarchical.Linkage = lmWard",
                             "Centers.Style = psDiamond", "Series = Points", "Method = cmQT"})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;

    TTestChart copy;
    ReadComponentText(copy, text);
    EXPECT_EQ(ComponentTextOf(copy), text);
    ASSERT_EQ(copy.Tools()->Count(), 1);
    auto* read = dynamic_cast<TClusteringTool*>(copy.Tools()->GetTool(0));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->Series(), copy.GetSeries(0));
    EXPECT_EQ(read->Method(), cmQT);
    EXPECT_EQ(read->Hierarchical()->Linkage, lmWard);
    EXPECT_EQ(read->KMeans()->MaxIterations, 50);
    EXPECT_EQ(read->Provider().Distance(), dmChebyshev);
    EXPECT_EQ(read->Provider().InverseLambda(), 1 / 2.5f);
    EXPECT_EQ(read->Transparency(), 40);
}

TEST_F(ClusteringToolTest, AFreedSeriesLeavesNoResultBehind)
{
    Use(kTwoGroups);
    tool->RunClustering();
    FreeComponent(series);
    series = nullptr;
    EXPECT_EQ(tool->Series(), nullptr);
    EXPECT_EQ(tool->CurrentClusters()->Count(), 0);
    EXPECT_EQ(tool->Provider().Count(), 0);
    chart.Draw();
    EXPECT_EQ(tool->RunClustering()->Count(), 0);
}

TEST_F(ClusteringToolTest, TheToolIsListedForTheGallery)
{
    EXPECT_GE(GetToolClassList().IndexOf(&TClusteringTool::StaticClass()), 0);
    EXPECT_EQ(tool->GetDescription(), "Clustering");
    EXPECT_EQ(tool->GetSummary(), "Perform \"clustering\" on your data.");
    EXPECT_EQ(tool->GetEditorClassName(), "TClusteringToolEditor");
}

// ---------------------------------------------------------------- the real back buffer

int Channel(QRgb rgb, int shift) { return static_cast<int>((rgb >> shift) & 0xFF); }

// A chart on the real canvas whose tool fills in blue (blue shows through a white background
// where white would not) and colours nothing; pictures of it with the tool off and on.
class ClusteringToolPixels : public testing::Test {
protected:
    void SetUp() override { seriestest::StartSeriesModules(); }
    template <class S>
    S& Make(bool view3D)
    {
        chart.SetBounds(0, 0, 300, 200);
        chart.SetView3D(view3D);
        chart.Legend()->SetVisible(false);
        auto* series = new S(&chart);
        series->SetParentChart(&chart);
        tool = new TClusteringTool(&chart);
        tool->SetParentChart(&chart);
        tool->SetColorEach(false);
        tool->Brush().SetColor(clBlue);
        return *series;
    }
    void Shoot()
    {
        tool->RunClustering();
        tool->SetActive(false);
        before = chart.CreatePanelBitmap()->convertToFormat(QImage::Format_RGB32);
        tool->SetActive(true);
        after = chart.CreatePanelBitmap()->convertToFormat(QImage::Format_RGB32);
    }
    // A quarter of the blue fill over three quarters of what was there.
    void ExpectBlended(const QPoint& at, const std::string& where)
    {
        const QRgb was = before.pixel(at), is = after.pixel(at);
        EXPECT_NE(is, was) << where;
        for (int shift : {0, 8, 16}) {
            const int fill = shift == 0 ? 255 : 0;
            EXPECT_NEAR(Channel(is, shift), (fill * 25 + Channel(was, shift) * 75 + 50) / 100, 3) << where << " channel " << shift;
        }
    }

    TChart chart;
    TClusteringTool* tool = nullptr;
    QImage before, after;
};

TEST_F(ClusteringToolPixels, OutlineFillLetsThreeQuartersOfTheBackgroundThrough)
{
    TTestSeries& series = Make<TTestSeries>(false);
    FillSeries(series, {{10, 10}, {50, 10}, {30, 50}, {80, 80}, {90, 80}, {85, 95}});
    tool->SetSeries(&series);
    tool->SetMethod(cmHierarchical);
    tool->Hierarchical()->NumClusters = 2;
    Shoot();

    auto screen = [&](double x, double y) { return QPoint(series.ValueToScreenX(x), series.ValueToScreenY(y)); };
    struct Pixel {
        const char* where;
        QPoint at;
        bool inside;
    } const pixels[] = {
        {"inside the triangle", screen(30, 25), true},
        {"near the triangle's base", screen(30, 13), true},
        {"inside the second hull", screen(85, 86), true},
        {"between the clusters", screen(65, 40), false},
        {"left of the triangle", screen(5, 40), false},
        {"above the second hull", screen(85, 99), false},
    };
    for (const Pixel& p : pixels) {
        if (p.inside)
            ExpectBlended(p.at, p.where);
        else
            EXPECT_EQ(after.pixel(p.at), before.pixel(p.at)) << p.where;
    }
}

TEST_F(ClusteringToolPixels, TheWholeBoxIsSeeThroughIn3D)
{
    TThreeListSeries& series = Make<TThreeListSeries>(true);
    FillSeries(series, {{10, 10}, {60, 60}, {30, 20}}, {0, 10, 5});
    tool->SetSeries(&series);
    tool->SetMethod(cmQT);
    tool->QTClustering()->MaxDiameter = 1000;
    Shoot();

    // The front face near its left and its right edge: the right part of the box is blended as
    // much as the left one.
    const int left = series.ValueToScreenX(10), right = series.ValueToScreenX(60);
    const int y = (series.ValueToScreenY(10) + series.ValueToScreenY(60)) / 2;
    const int front = chart.DepthAxis()->CalcPosValue(0);
    for (int x : {left + 3, (left + right) / 2, right - 3}) {
        TPoint at;
        chart.Canvas().Project(x, y, front, at);
        ExpectBlended(QPoint(at.X, at.Y), "x " + std::to_string(x));
    }
}

}  // namespace
