// Points of a series: adding, colours, deleting, clearing, batches and what the chart hears.
#include <gtest/gtest.h>

#include <functional>

#include "chart/graphics/DuvConst.h"
#include "support_SeriesTest.h"

using namespace seriestest;

namespace {

class SeriesPointsTest : public ::testing::Test {
protected:
    void SetUp() override { StartSeriesModules(); }
};

constexpr TColor kRed = 0x0000FF;

// A series of three points (0,10) (1,20) (2,30).
void ThreePoints(TChartSeries& s)
{
    s.AddPointXY(0, 10);
    s.AddPointXY(1, 20);
    s.AddPointXY(2, 30);
}

}  // namespace

TEST_F(SeriesPointsTest, PointOperationsLeaveEveryListInStep)
{
    struct Case {
        const char* name;
        std::function<std::string(TTestSeries&)> act;  // answers what the operation returned
        std::string returned;
        std::string points;
    } const cases[] = {
        {"ascending X keeps order, an equal X goes after the others",
         [](TTestSeries& s) {
             std::string r;
             for (double x : {1.0, 3.0, 2.0, 2.0}) r += std::to_string(s.AddPointXY(x, x * 10)) + " ";
             return r;
         },
         "0 1 1 2 ", "1:10 2:20 2:20 3:30"},
        {"no order keeps the insertion order and numbers X by count",
         [](TTestSeries& s) {
             s.XValues()->SetOrder(loNone);
             s.AddPointXY(5, 1);
             s.AddPointXY(2, 2);
             return std::to_string(s.AddPointY(7));
         },
         "2", "5:1 2:2 2:7"},
        {"AddPointY on a vertical series numbers X 0, 1, 2",
         [](TTestSeries& s) {
             s.AddPointY(4);
             s.AddPointY(5);
             return std::to_string(s.AddPointY(6));
         },
         "2", "0:4 1:5 2:6"},
        {"points without colour make no colour list",
         [](TTestSeries& s) {
             ThreePoints(s);
             return std::string();
         },
         "", "0:10 1:20 2:30"},
        {"one coloured point makes a colour list as long as the points",
         [](TTestSeries& s) {
             ThreePoints(s);
             return std::to_string(s.AddPointXY(1.5, 15, "", kRed));
         },
         "2", "0:10 1:20 1.5:15 2:30 c=def,def,255,def"},
        {"a label makes the label list; later points get empty labels",
         [](TTestSeries& s) {
             s.AddPointXY(0, 1);
             s.AddPointXY(1, 2, "May");
             s.AddPointXY(2, 3);
             return std::string();
         },
         "", "0:1 1:2 2:3 l=,May,"},
        {"SetPointColor past the end adds null points up to it",
         [](TTestSeries& s) {
             ThreePoints(s);
             s.NullPointValue = -1;
             s.SetPointColor(5, kRed);
             return std::to_string(s.IsNullPoint(4)) + std::to_string(s.IsNullPoint(5));
         },
         "10", "0:10 1:20 2:30 3:-1 4:-1 5:-1 c=def,def,def,none,none,255"},
        {"SetPointColor with clDefault and no colour list changes nothing",
         [](TTestSeries& s) {
             ThreePoints(s);
             s.SetPointColor(7, clDefault);
             return std::string();
         },
         "", "0:10 1:20 2:30"},
        {"OnBeforeAdd refusing stores nothing and answers -1",
         [](TTestSeries& s) {
             ThreePoints(s);
             struct Refuse {
                 int afterAdds = 0;
                 bool Before(TChartSeries*) { return false; }
                 void After(TChartSeries*, int) { ++afterAdds; }
             } static refuse;
             refuse.afterAdds = 0;
             s.OnBeforeAdd = {&refuse, &Refuse::Before};
             s.OnAfterAdd = {&refuse, &Refuse::After};
             const int index = s.AddPointXY(9, 9, "x", kRed);
             const int arrays = s.AddXYArrays({7, 8}, {1, 2});
             s.SetPointColor(6, kRed);
             return std::to_string(index) + " " + std::to_string(arrays) + " " + std::to_string(refuse.afterAdds);
         },
         "-1 2 0", "0:10 1:20 2:30"},
        {"DeletePoint takes the point from every list",
         [](TTestSeries& s) {
             ThreePoints(s);
             s.SetPointColor(1, kRed);
             s.SetPointLabel(2, "c");
             s.DeletePoint(1);
             return std::string();
         },
         "", "0:10 2:30 c=def,def l=,c"},
        {"DeletePoints cuts the run at the end and frees an empty colour list",
         [](TTestSeries& s) {
             for (int i = 0; i < 5; ++i) s.AddPointXY(i, i);
             s.DeletePoints(2, 100);
             s.SetPointColor(0, kRed);
             s.DeletePoints(0, 2);
             return std::to_string(s.PointColors() == nullptr);
         },
         "1", ""},
        {"DeletePoints past the end or with nothing to delete does nothing",
         [](TTestSeries& s) {
             ThreePoints(s);
             s.DeletePoints(3, 1);
             s.DeletePoints(0, 0);
             return std::string();
         },
         "", "0:10 1:20 2:30"},
        {"DeletePoints with renumbering numbers X again",
         [](TTestSeries& s) {
             for (int i = 0; i < 5; ++i) s.AddPointXY(i * 10, i);
             s.DeletePoints(1, 2, true);
             return std::string();
         },
         "", "0:0 1:3 2:4"},
        {"AddValueArray numbers X after the points there are",
         [](TTestSeries& s) {
             s.AddPointY(1);
             return std::to_string(s.AddValueArray({5, 6}));
         },
         "2", "0:1 1:5 2:6"},
        {"AddXYArrays out of X order inserts each point at its place",
         [](TTestSeries& s) {
             ThreePoints(s);
             s.SetPointColor(0, kRed);
             return std::to_string(s.AddXYArrays({0.5, 5}, {1, 2}));
         },
         "2", "0:10 0.5:1 1:20 2:30 5:2 c=255,def,def,def,def"},
        {"a horizontal series adds Y by count",
         [](TTestSeries& s) {
             s.MakeHorizontal();
             s.XValues()->SetOrder(loNone);
             s.AddPointY(5);
             return std::to_string(s.AddPointY(8));
         },
         "1", "5:0 8:1"},
    };
    for (const Case& c : cases) {
        TTestSeries series;
        EXPECT_EQ(c.act(series), c.returned) << c.name;
        EXPECT_EQ(Describe(series), c.points) << c.name;
    }
}

TEST_F(SeriesPointsTest, DeletingOutsideThePointsNamesTheRange)
{
    struct Case {
        int points, index;
        const char* message;
    } const cases[] = {
        {3, 3, "Series Delete: ValueIndex 3 out of bounds (0 to 2)."},
        {0, 0, "Series Delete: ValueIndex 0 out of bounds (0 to -1)."},
        {3, -1, "Series Delete: ValueIndex -1 out of bounds (0 to 2)."},
    };
    for (const Case& c : cases) {
        TTestSeries series;
        for (int i = 0; i < c.points; ++i) series.AddPointXY(i, i);
        const std::string before = Describe(series);
        try {
            series.DeletePoint(c.index);
            ADD_FAILURE() << "no exception for " << c.index;
        } catch (const ChartException& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
        EXPECT_EQ(Describe(series), before);
    }
}

TEST_F(SeriesPointsTest, PointColourFallsBackToSeriesThenPalette)
{
    TTestChart chart;
    TScopedComponent<TTestSeries> series(&chart);
    series.SetParentChart(&chart);
    series.SetSeriesColor(0x123456);
    ThreePoints(series);
    series.AddNullPointXY(3, 0);
    series.SetPointColor(1, kRed);
    EXPECT_EQ(series.GetPointColor(0), 0x123456);
    EXPECT_EQ(series.GetPointColor(1), kRed);
    EXPECT_EQ(series.GetPointColor(3), clNone) << "a null point keeps its marker";
    series.SetColorEachPoint(true);
    EXPECT_EQ(series.GetPointColor(0), chart.ColorFromPalette(0));
    EXPECT_EQ(series.GetPointColor(2), chart.ColorFromPalette(2));
    EXPECT_EQ(series.GetPointColor(1), kRed);
    series.SetNull(1);
    EXPECT_TRUE(series.IsNullPoint(1));
    series.SetNull(1, false);
    EXPECT_EQ(series.GetPointColor(1), chart.ColorFromPalette(1));
}

TEST_F(SeriesPointsTest, SeriesColourKeepsPaletteColoursApart)
{
    TTestChart chart;
    TScopedComponent<TTestSeries> first(&chart), second(&chart);
    first.SetParentChart(&chart);
    second.SetParentChart(&chart);
    EXPECT_EQ(first.SeriesColor(), clDefault);
    EXPECT_NE(first.PaletteColor(), clDefault) << "the chart gave a palette colour";
    EXPECT_NE(first.GetSeriesColor(), second.GetSeriesColor());
    first.SetSeriesColor(first.PaletteColor());
    EXPECT_EQ(first.SeriesColor(), clDefault) << "a palette colour written back is not stored";
    EXPECT_FALSE(first.HasExplicitColor());
    first.SetSeriesColor(kRed);
    EXPECT_EQ(first.SeriesColor(), kRed);
    first.ResetSeriesColor();
    EXPECT_EQ(first.SeriesColor(), clDefault);
    EXPECT_NE(first.GetSeriesColor(), clDefault) << "the chart handed out a palette colour again";
}

TEST_F(SeriesPointsTest, ABatchEndsInOneDataChangeForDependentsAndChart)
{
    TTestChart chart;
    TSeriesEventLog events;
    chart.AddListener(&events);
    TScopedComponent<TTestSeries> source(&chart), dependent(&chart);
    source.SetParentChart(&chart);
    dependent.SetParentChart(&chart);
    dependent.SetDataSource(&source);
    dependent.Heard.clear();
    events.Clear();

    struct AfterAdds {
        int count = 0;
        void After(TChartSeries*, int) { ++count; }
    } afterAdds;
    source.OnAfterAdd = {&afterAdds, &AfterAdds::After};
    const std::function<void()> batches[] = {
        [&] {
            source.SuspendUpdates();
            for (int i = 0; i < 5; ++i) source.AddPointXY(i, i);
            source.SetYValue(0, 7);
            source.ResumeUpdates();
        },
        [&] { source.AddXYArrays({10, 11, 12}, {1, 2, 3}); },
        [&] { source.AddXYArrays({0.5, 20}, {1, 2}); },
        [&] { source.AddValueArray({4, 5}); },
    };
    for (const auto& batch : batches) {
        dependent.Heard.clear();
        events.Clear();
        batch();
        EXPECT_EQ(dependent.Heard, (std::vector<std::string>{"load"}));
        EXPECT_EQ(events.CodesOf(&source), (std::vector<TSeriesEventKind>{TSeriesEventKind::DataChanged}));
        EXPECT_EQ(Describe(dependent), Describe(source));
    }
    EXPECT_EQ(afterAdds.count, 0) << "no OnAfterAdd inside a batch";

    events.Clear();
    source.ResumeUpdates();
    EXPECT_EQ(source.SuspendCount, 0);
    EXPECT_TRUE(events.Codes.empty()) << "a resume without suspend does nothing";

    source.SuspendUpdates();
    source.SuspendUpdates();
    source.AddPointXY(50, 1);
    source.ResumeUpdates();
    EXPECT_TRUE(events.Codes.empty()) << "only the last resume tells";
    source.ResumeUpdates();
    EXPECT_EQ(events.CodesOf(&source), (std::vector<TSeriesEventKind>{TSeriesEventKind::DataChanged}));
    chart.RemoveListener(&events);
}

TEST_F(SeriesPointsTest, TitleActiveAndColourReachTheChart)
{
    TTestChart chart;
    TSeriesEventLog events;
    chart.AddListener(&events);
    TScopedComponent<TTestSeries> series(&chart);
    series.SetParentChart(&chart);
    EXPECT_EQ(events.Codes, (std::vector<TSeriesEventKind>{TSeriesEventKind::ColorChanged, TSeriesEventKind::Added})) << "palette colour on joining, then the chart's own event";
    events.Clear();
    series.SetTitle("Rain");
    series.SetTitle("Rain");
    series.SetActive(false);
    series.SetSeriesColor(kRed);
    series.ClearPoints();
    EXPECT_EQ(events.Codes, (std::vector<TSeriesEventKind>{TSeriesEventKind::TitleChanged, TSeriesEventKind::ActiveChanged,
                                                           TSeriesEventKind::ColorChanged}));
    chart.RemoveListener(&events);
}

TEST_F(SeriesPointsTest, ClearingAnEmptySeriesStillTells)
{
    TTestSeries source, dependent;
    dependent.AddDataSource(&source, false);
    struct Cleared {
        int count = 0;
        void On(TChartSeries*) { ++count; }
    } cleared;
    source.OnClearValues = {&cleared, &Cleared::On};
    dependent.Heard.clear();
    source.ClearPoints();
    EXPECT_EQ(cleared.count, 1);
    EXPECT_EQ(dependent.Heard, (std::vector<std::string>{"clear"}));
}

TEST_F(SeriesPointsTest, DisplayTitleCountsThePlaceInTheChart)
{
    TTestChart chart;
    TScopedComponent<TTestSeries> a(&chart), b(&chart), c(&chart);
    for (TTestSeries* s : {&a, &b, &c}) s->SetParentChart(&chart);
    a.SetName("Rain");
    EXPECT_EQ(a.GetDisplayTitle(), "Rain");
    EXPECT_EQ(c.GetDisplayTitle(), "Series3");
    b.SetTitle("   ");
    EXPECT_EQ(SeriesTitleOrName(b, true), "Series2") << "a blank title names nothing";
    b.SetTitle("Rain\rfall");
    EXPECT_EQ(SeriesTitleOrName(b, true), "Rain fall");
    EXPECT_EQ(SeriesTitleOrName(b, false), "Rain\rfall");
    TTestSeries loose;
    EXPECT_EQ(loose.GetDisplayTitle(), "");
}

TEST_F(SeriesPointsTest, BulkAppendsKeepMinimaAndMaxima)
{
    TTestSeries series;
    std::vector<double> xs, ys;
    for (int i = 0; i < 1003; ++i) {
        xs.push_back(i);
        ys.push_back((i * 7919) % 1009 - 500.5);
    }
    series.AddXYArrays(xs, ys);
    EXPECT_EQ(series.MinXValue(), 0);
    EXPECT_EQ(series.MaxXValue(), 1002);
    EXPECT_EQ(series.MinYValue(), *std::min_element(ys.begin(), ys.end()));
    EXPECT_EQ(series.MaxYValue(), *std::max_element(ys.begin(), ys.end()));
    double total = 0;
    for (double y : ys) total += y;
    EXPECT_EQ(series.YValues()->GetTotal(), total);
    series.AddPointXY(2000, 5000);
    EXPECT_EQ(series.MaxYValue(), 5000) << "a later point counts";
}
