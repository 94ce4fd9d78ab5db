// Whole-series operations: sample data, sorting, paging and copying.
#include <gtest/gtest.h>

#include <cmath>

#include "chart/engine/RuRazaziAxis.h"
#include "platform/core/DateTime.h"
#include "platform/core/Random.h"
#include "platform/core/StringList.h"
#include "support_SeriesTest.h"

using namespace seriestest;

namespace {

class SeriesSamplesTest : public ::testing::Test {
protected:
    void SetUp() override { StartSeriesModules(); }
};

std::string LabelsOf(const TChartSeries& series)
{
    std::string text;
    for (int i = 0; i < series.PointCount(); ++i) text += (i ? "," : "") + series.Labels().GetLabelText(i);
    return text;
}

}  // namespace

TEST_F(SeriesSamplesTest, SampleDataRepeatsUnderOneSeed)
{
    TTestSeries first, second;
    SetRandSeed(1234);
    first.FillSampleValues(0);
    SetRandSeed(1234);
    second.FillSampleValues(0);
    EXPECT_EQ(first.PointCount(), 25);
    EXPECT_EQ(Describe(first), Describe(second));
    for (int i = 0; i < first.PointCount(); ++i) {
        EXPECT_EQ(first.XValues()->GetValueAt(i), i);
        EXPECT_GE(first.YValues()->GetValueAt(i), 0) << i;
    }
    EXPECT_LE(first.YValues()->GetValueAt(0), 1000);
    EXPECT_FALSE(first.DataLoaded) << "samples are not the series' own data";

    first.SampleCount = 7;
    first.FillSampleValues(0);
    EXPECT_EQ(first.PointCount(), 7);
    SetRandSeed(99);
    first.FillSampleValues(400);
    for (int i = 0; i < 400; ++i) ASSERT_GE(first.YValues()->GetValueAt(i), 0) << i;

    try {
        first.FillSampleValues(-1);
        ADD_FAILURE();
    } catch (const ChartException& e) {
        EXPECT_EQ(e.Message(), "FillSampleValues NumValues must be > 0");
    }
    EXPECT_EQ(first.PointCount(), 400) << "a refused count leaves the points";

    TTestSeries dated;
    dated.XValues()->SetDateTime(true);
    dated.FillSampleValues(5);
    const double today = std::floor(Date());
    for (int i = 0; i < 5; ++i) EXPECT_EQ(dated.XValues()->GetValueAt(i), today + i);
}

TEST_F(SeriesSamplesTest, SamplesOnAChartFollowTheOtherSeries)
{
    TTestChart chart;
    TScopedComponent<TTestSeries> data(&chart), sample(&chart);
    data.SetParentChart(&chart);
    sample.SetParentChart(&chart);
    data.AddPointXY(100, 500);
    data.AddPointXY(200, 700);
    SetRandSeed(5);
    sample.FillSampleValues(11);
    EXPECT_EQ(sample.XValues()->GetValueAt(0), 100);
    EXPECT_EQ(sample.XValues()->GetValueAt(10), 200);
}

TEST_F(SeriesSamplesTest, SortingMovesWholePoints)
{
    struct Case {
        std::vector<std::string> labels;
        bool caseSensitive;
        int order;
        std::string sorted;
    } const cases[] = {
        {{"b", "A", "a"}, false, 1, "A,a,b"},  {{"b", "A", "a"}, true, 1, "A,a,b"},
        {{"b", "B", "a"}, false, 1, "B,a,b"},  {{"b", "B", "a"}, true, 1, "a,B,b"},
        {{"b", "B", "a"}, true, 2, "b,B,a"},   {{"b", "A", "a"}, false, 0, "b,A,a"},
    };
    for (const Case& c : cases) {
        TTestSeries series;
        series.XValues()->SetOrder(loNone);
        for (std::size_t i = 0; i < c.labels.size(); ++i)
            series.AddPointXY(10 + i, static_cast<double>(i), c.labels[i], static_cast<TColor>(i + 1));
        series.Labels().SetCaseSensitive(c.caseSensitive);
        series.SortPointsByLabel(c.order);
        EXPECT_EQ(LabelsOf(series), c.sorted) << c.labels[0] << c.labels[1] << c.labels[2] << " " << c.order;
        for (int i = 0; i < series.PointCount(); ++i) {
            const int from = static_cast<int>(series.YValues()->GetValueAt(i));
            EXPECT_EQ(series.Labels().GetLabelText(i), c.labels[static_cast<std::size_t>(from)]);
            EXPECT_EQ(series.StoredPointColor(i), static_cast<TColor>(from + 1)) << "colours move with their points";
            if (c.order != 0) {
                EXPECT_EQ(series.XValues()->GetValueAt(i), i) << "X renumbered";
            }
        }
        EXPECT_EQ(series.LabelSortOrder, 0);
    }

    TTestSeries byValue;
    byValue.XValues()->SetOrder(loNone);
    byValue.YValues()->SetOrder(loDescending);
    for (double y : {3.0, 9.0, 1.0, 5.0}) byValue.AddPointXY(y * 100, y, std::to_string(static_cast<int>(y)));
    byValue.SortByOrder();
    EXPECT_EQ(Describe(byValue), "0:9 1:5 2:3 3:1 l=9,5,3,1");
}

TEST_F(SeriesSamplesTest, PageIndexRangeShowsTheCurrentPage)
{
    struct Case {
        int points, perPage, page;
        int first, last;
    } const cases[] = {
        {10, 5, 3, 5, 9},  {7, 5, 2, 5, 6},   {7, 0, 1, 0, 6},  {0, 5, 1, -1, -1},
        {12, 5, 4, 10, 11}, {12, 5, 3, 10, 11}, {15, 5, 9, 10, 14}, {3, 5, 2, 0, 2},
    };
    for (const Case& c : cases) {
        TTestChart chart;
        TScopedComponent<TTestSeries> series(&chart);
        series.SetParentChart(&chart);
        // The page is chosen while enough points are there; then points go.
        const int many = std::max(c.points, c.perPage * c.page);
        for (int i = 0; i < many; ++i) series.AddPointXY(i, i);
        chart.Pages()->SetMaxPointsPerPage(c.perPage);
        chart.Pages()->SetCurrent(c.page);
        series.DeletePoints(c.points, many - c.points);
        int first = 0, last = 0;
        series.PageIndexRange(first, last);
        EXPECT_EQ(first, c.first) << c.points << " points, " << c.perPage << " per page, page " << c.page;
        EXPECT_EQ(last, c.last) << c.points << " points, " << c.perPage << " per page, page " << c.page;
    }
}

TEST_F(SeriesSamplesTest, AssignMovesTheFunctionAndCopiesThePoints)
{
    TTestChart chart;
    TScopedComponent<TTestSeries> source(&chart), target(&chart), data(&chart);
    for (TTestSeries* s : {&source, &target, &data}) s->SetParentChart(&chart);
    source.SetTitle("Rain");
    source.SetValueFormat("0.0");
    source.SetSeriesColor(0x00FF00);
    source.SourceReactions = srAdd;
    data.AddPointXY(1, 2);
    data.AddPointXY(2, 3);
    auto* function = new TDoublingFunction;
    source.SetFunction(function);
    source.SetDataSource(&data);
    EXPECT_EQ(Describe(source), "1:4 2:6");

    target.Assign(&source);
    EXPECT_EQ(source.Function(), nullptr) << "the function moved";
    EXPECT_EQ(target.Function(), function);
    EXPECT_EQ(function->OutputSeries(), &target);
    EXPECT_EQ(target.Title(), "Rain");
    EXPECT_EQ(target.ValueFormat(), "0.0");
    EXPECT_EQ(target.SeriesColor(), 0x00FF00);
    EXPECT_EQ(target.SourceReactions, srAdd);
    EXPECT_EQ(target.DataSource(), &data) << "a fed series takes over the sources";
    EXPECT_EQ(Describe(target), "1:4 2:6");

    TScopedComponent<TTestSeries> copy(&chart);
    copy.SetParentChart(&chart);
    TScopedComponent<TTestSeries> plain(&chart);
    plain.SetParentChart(&chart);
    plain.AddPointXY(1, 1, "one", 0x0000FF);
    plain.AddPointXY(2, 2);
    copy.Assign(&plain);
    EXPECT_EQ(Describe(copy), Describe(plain)) << "own points are copied with colours and labels";
}

TEST_F(SeriesSamplesTest, CopyDataFromCrossesListsBetweenOrientations)
{
    TTestSeries vertical;
    THorizTestSeries horizontal;
    vertical.XValues()->SetDateTime(true);
    vertical.XValues()->SetOrder(loDescending);
    vertical.YValues()->SetValueSource("Amount");
    vertical.SetColorEachPoint(true);
    vertical.SetPercentFormat("0 %");
    horizontal.CopyDataFrom(&vertical);
    EXPECT_TRUE(horizontal.YValues()->DateTime()) << "X settings went into the Y list";
    EXPECT_EQ(horizontal.YValues()->Order(), loDescending);
    EXPECT_EQ(horizontal.XValues()->ValueSource(), "Amount");
    EXPECT_FALSE(horizontal.XValues()->DateTime());
    EXPECT_TRUE(horizontal.ColorEachPoint());
    EXPECT_EQ(horizontal.PercentFormat(), "0 %");

    TTestSeries same;
    same.CopyDataFrom(&vertical);
    EXPECT_TRUE(same.XValues()->DateTime());
    EXPECT_EQ(same.YValues()->ValueSource(), "Amount");
}

TEST_F(SeriesSamplesTest, TitlesForLists)
{
    TTestChart chart;
    TScopedComponent<TTestSeries> a(&chart), b(&chart), hidden(&chart);
    for (TTestSeries* s : {&a, &b, &hidden}) s->SetParentChart(&chart);
    a.SetName("Rain");
    a.SetTitle("Rain\rfall");
    hidden.HiddenFromLists = true;
    TStringList titles;
    FillSeriesTitles(titles, chart.SeriesList(), true);
    ASSERT_EQ(titles.Count(), 2);
    EXPECT_EQ(titles[0], "Rain fall");
    EXPECT_EQ(titles[1], "Series2");
    EXPECT_EQ(titles.Objects(1), &b);
    TStringList names;
    FillSeriesTitles(names, chart.SeriesList(), false);
    EXPECT_EQ(names[0], "Rain");
}

TEST_F(SeriesSamplesTest, GalleryLookFillsFourColouredSamples)
{
    TTestChart chart;
    TScopedComponent<TTestSeries> first(&chart), second(&chart);
    first.SetParentChart(&chart);
    second.SetParentChart(&chart);
    first.SetGalleryLook();
    second.SetGalleryLook();
    EXPECT_EQ(first.PointCount(), 4);
    EXPECT_TRUE(first.ColorEachPoint());
    EXPECT_EQ(first.GetSeriesColor(), chart.ColorFromPalette(0));
    EXPECT_EQ(second.GetSeriesColor(), chart.ColorFromPalette(3));
    first.SetGalleryView3D(true);
    EXPECT_TRUE(chart.View3D());
    struct Fired {
        TObject* sender = nullptr;
        void On(TObject* s) { sender = s; }
    } fired;
    TChartSeries::CallChangeEvent({&fired, &Fired::On}, &first);
    EXPECT_EQ(fired.sender, &first);
    TChartSeries::CallChangeEvent({}, &first);
}
