// Creating, duplicating, cloning and converting series, and painting a series' legend symbol.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include "chart/series/ChartSeriesCopy.h"
#include "support_SeriesTest.h"

using namespace seriestest;

namespace {

class SeriesCopyTest : public ::testing::Test {
protected:
    void SetUp() override { StartSeriesModules(); }
};

struct TClickCounter : TObject {
    int Clicks = 0;
    void Click(TObject*, int, TMouseButton, TShiftState, int, int) { ++Clicks; }
    bool Refuse(TChartSeries*) { return false; }
};

}  // namespace

TEST_F(SeriesCopyTest, DuplicatingTakesTheNextFreeNameClassFunctionAndSettings)
{
    TComponent form(nullptr);
    TScopedComponent<TTestChart> chart(&form);
    chart.SetName("Chart1");
    std::vector<TChartSeries*> made;
    for (int i = 0; i < 3; ++i) made.push_back(CreateChartSeries(&form, &chart, TTestSeries::StaticClass()));
    EXPECT_EQ(made[2]->Name(), "Series3");
    TChartSeries* first = made[0];
    AttachNewFunction(first, TCountingFunction::StaticClass());
    EXPECT_EQ(first->Function()->Name(), "DuvFunction1");
    first->SetSeriesColor(0x336699);
    first->SetTitle("Rain");
    first->SetValueFormat("0.00");

    TChartSeries* copy = DuplicateSeries(first);
    EXPECT_EQ(copy->Name(), "Series4");
    EXPECT_EQ(copy->Owner(), &form);
    EXPECT_EQ(copy->ParentChart(), &chart);
    EXPECT_EQ(&copy->ClassType(), &TTestSeries::StaticClass());
    ASSERT_NE(copy->Function(), nullptr);
    EXPECT_EQ(&copy->Function()->ClassType(), &TCountingFunction::StaticClass());
    EXPECT_NE(copy->Function(), first->Function());
    EXPECT_EQ(copy->Function()->Name(), "DuvFunction2");
    EXPECT_EQ(copy->SeriesColor(), 0x336699);
    EXPECT_EQ(copy->Title(), "Rain");
    EXPECT_EQ(copy->ValueFormat(), "0.00");
    EXPECT_EQ(Describe(*copy), "0:1 1:2 2:3");
}

TEST_F(SeriesCopyTest, ConvertingAClassKeepsNamePlaceEventsDependentsAndToolLinks)
{
    TTestChart chart;
    TChartSeries* before = CreateChartSeries(nullptr, &chart, TTestSeries::StaticClass());
    TChartSeries* series = CreateChartSeries(nullptr, &chart, TTestSeries::StaticClass());
    TChartSeries* dependent = CreateChartSeries(nullptr, &chart, TTestSeries::StaticClass());
    EXPECT_EQ(series->Name(), "Series2");
    series->AddPointXY(0, 5);
    series->DataLoaded = true;
    dependent->SetDataSource(series);
    TClickCounter counter;
    series->OnClick = TSeriesClick(&counter, &TClickCounter::Click);
    series->OnBeforeAdd = TSeriesOnBeforeAdd(&counter, &TClickCounter::Refuse);
    auto* tool = new TDuvCustomToolSeries(&chart);
    tool->SetParentChart(&chart);
    tool->SetSeries(series);

    TChartSeries* old = series;
    TChartSeries* converted = ConvertSeriesClass(series, TThreeListSeries::StaticClass());
    EXPECT_EQ(converted, series);
    EXPECT_NE(series, old);
    EXPECT_EQ(&series->ClassType(), &TThreeListSeries::StaticClass());
    EXPECT_EQ(series->Name(), "Series2");
    ASSERT_EQ(chart.CountSeries(), 3);
    EXPECT_EQ(chart.GetSeries(0), before);
    EXPECT_EQ(chart.GetSeries(1), series) << "keeps its place in the list";
    EXPECT_EQ(chart.GetSeries(2), dependent);
    EXPECT_EQ(series->OnClick, TSeriesClick(&counter, &TClickCounter::Click));
    EXPECT_EQ(series->OnBeforeAdd, TSeriesOnBeforeAdd(&counter, &TClickCounter::Refuse));
    ASSERT_EQ(dependent->DataSourceCount(), 1);
    EXPECT_EQ(dependent->DataSource(), series);
    EXPECT_EQ(series->GetLinkedSeries(), std::vector<TCustomChartSeries*>{dependent});
    EXPECT_EQ(tool->Series(), series);
    EXPECT_EQ(Describe(*series), "0:5");
    EXPECT_EQ(Describe(*dependent), "0:5");

    TChartSeries* same = series;
    EXPECT_EQ(ConvertSeriesClass(series, TThreeListSeries::StaticClass()), same) << "same class: nothing happens";
}

TEST_F(SeriesCopyTest, CloningRelinksTheCopyOfAComputedSeries)
{
    TComponent form(nullptr);
    TScopedComponent<TTestChart> source(&form);
    TChartSeries* rain = CreateChartSeries(&form, &source, TTestSeries::StaticClass());
    TChartSeries* doubled = CreateChartSeries(&form, &source, TTestSeries::StaticClass(), &TDoublingFunction::StaticClass());
    rain->AddPointXY(0, 1);
    rain->AddPointXY(1, 4);
    doubled->SetDataSource(rain);
    auto* tool = new TDuvCustomToolSeries(&form);
    tool->SetParentChart(&source);
    TScopedComponent<TTestChart> destination(&form);
    CreateChartSeries(&form, &destination, TTestSeries::StaticClass());  // freed by the clone

    CloneChartContents(&destination, &source, &form, true);
    ASSERT_EQ(destination.CountSeries(), 2);
    auto* rainCopy = dynamic_cast<TChartSeries*>(destination.GetSeries(0));
    auto* doubledCopy = dynamic_cast<TChartSeries*>(destination.GetSeries(1));
    ASSERT_TRUE(rainCopy && doubledCopy);
    EXPECT_EQ(Describe(*rainCopy), "0:1 1:4");
    EXPECT_EQ(doubledCopy->DataSource(), rainCopy);
    ASSERT_NE(doubledCopy->Function(), nullptr);
    EXPECT_EQ(Describe(*doubledCopy), "0:2 1:8");
    rainCopy->AddPointXY(2, 5);
    EXPECT_EQ(Describe(*doubledCopy), "0:2 1:8 2:10") << "the copy follows the copy";
    EXPECT_EQ(Describe(*doubled), "0:2 1:8") << "the original is left alone";
    EXPECT_EQ(destination.Tools()->Count(), 1);
    EXPECT_FALSE(rain->DataLoaded) << "the stored-data flag is put back";
}

TEST_F(SeriesCopyTest, PaintingTheSymbolOfAChartlessSeriesLeavesItChartless)
{
    TTestSeries series;
    series.SetSeriesColor(0x0000FF);
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        PaintSeriesSymbol(&series, &painter, {5, 5, 25, 15});
    }
    EXPECT_EQ(series.ParentChart(), nullptr);
    EXPECT_EQ(image.pixel(15, 10), qRgb(255, 0, 0)) << "the symbol in the series colour";
    EXPECT_EQ(image.pixel(35, 10), qRgb(255, 255, 255)) << "nothing outside the rectangle";
}

TEST_F(SeriesCopyTest, ADuplicatedToolJoinsAnotherChartAndForgetsAFreedSeries)
{
    TComponent form(nullptr);
    TScopedComponent<TTestChart> first(&form), second(&form);
    TChartSeries* rain = CreateChartSeries(&form, &first, TTestSeries::StaticClass());
    auto* tool = new TDuvCustomToolSeries(&form);
    tool->SetName("ChartTool1");
    tool->SetSeries(rain);
    tool->SetActive(false);
    tool->SetParentChart(&first);

    TDuvCustomTool* copy = DuplicateTool(tool, &form);
    EXPECT_EQ(&copy->ClassType(), &tool->ClassType());
    EXPECT_EQ(copy->Name(), "ChartTool2");
    EXPECT_EQ(copy->Owner(), &form);
    EXPECT_EQ(copy->ParentChart(), nullptr) << "the caller attaches the copy";
    EXPECT_FALSE(copy->Active());
    auto* seriesCopy = dynamic_cast<TDuvCustomToolSeries*>(copy);
    ASSERT_NE(seriesCopy, nullptr);
    EXPECT_EQ(seriesCopy->Series(), rain);

    copy->SetParentChart(&second);
    EXPECT_EQ(second.Tools()->Count(), 1);
    EXPECT_EQ(first.Tools()->Count(), 1) << "the original stays on its chart";
    EXPECT_EQ(tool->ParentChart(), &first);

    FreeComponent(rain);
    EXPECT_EQ(tool->Series(), nullptr);
    EXPECT_EQ(seriesCopy->Series(), nullptr) << "the copy no longer points at the freed series";
}
