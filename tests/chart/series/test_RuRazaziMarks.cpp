// Mark texts of the fifteen styles and which points get a mark.
#include <gtest/gtest.h>

#include "chart/engine/RuRazaziAxis.h"
#include "support_SeriesTest.h"

using namespace seriestest;

namespace {

class SeriesMarksTest : public ::testing::Test {
protected:
    void SetUp() override { StartSeriesModules(); }
};

// Values 10, 30, 60 at X 0, 1, 2; point 0 labelled "a", point 2 "c".
void Fill(TChartSeries& series)
{
    series.SetValueFormat("0");
    series.SetPercentFormat("0.0");
    series.AddPointXY(0, 10, "a");
    series.AddPointXY(1, 30);
    series.AddPointXY(2, 60, "c");
}

}  // namespace

TEST_F(SeriesMarksTest, EachStyleGivesItsText)
{
    TTestSeries series;
    series.SetName("Series1");
    Fill(series);
    struct Case {
        TSeriesMarksStyle style;
        int index;
        bool multiLine;
        const char* text;
    } const cases[] = {
        {smsValue, 1, false, "30"},
        {smsPercent, 1, false, "30.0"},
        {smsLabel, 1, false, ""},
        {smsLabel, 0, false, "a"},
        {smsLabelPercent, 1, false, "30 30.0"},
        {smsLabelPercent, 0, true, "a\r10.0"},
        {smsLabelValue, 1, false, "30"},
        {smsLabelValue, 0, false, "a 10"},
        {smsLabelValue, 0, true, "a\r10"},
        {smsPercentTotal, 1, false, "30.0 of 100"},
        {smsPercentTotal, 1, true, "30.0\rof 100"},
        {smsLabelPercentTotal, 2, false, "c 60.0 of 100"},
        {smsXValue, 2, false, "2"},
        {smsXY, 2, false, "2 60"},
        {smsXY, 2, true, "2\r60"},
        {smsSeriesTitle, 1, false, "Series1"},
        {smsPointIndex, 2, false, "2"},
        {smsPercentRelative, 0, false, "100.0"},
        {smsPercentRelative, 1, false, "300.0"},
        {smsLabelPercentValue, 2, false, "c 60.0 60"},
        {smsLabelPercentValue, 1, true, "30\r30.0\r30"},
        {smsLabelOrValue, 0, false, "a"},
        {smsLabelOrValue, 1, false, "30"},
    };
    for (const Case& k : cases)
        EXPECT_EQ(series.MarkTextForStyle(k.multiLine, k.index, k.style), k.text)
            << "style " << static_cast<int>(k.style) << " point " << k.index << (k.multiLine ? " multi-line" : "");

    series.SetTitle("Rain");
    EXPECT_EQ(series.MarkTextForStyle(false, 0, smsSeriesTitle), "Rain");
    series.SetTitle("   ");
    EXPECT_EQ(series.MarkTextForStyle(false, 0, smsSeriesTitle), "Series1") << "a blank title gives the name";
}

TEST_F(SeriesMarksTest, ZeroValuesGiveFullAndZeroPercents)
{
    TTestSeries series;
    series.SetPercentFormat("0.0");
    for (int i = 0; i < 3; ++i) series.AddPointXY(i, 0);
    EXPECT_EQ(series.MarkTextForStyle(false, 1, smsPercent), "100.0");
    EXPECT_EQ(series.MarkTextForStyle(false, 0, smsPercentRelative), "100.0");
    EXPECT_EQ(series.MarkTextForStyle(false, 2, smsPercentRelative), "0.0");
}

TEST_F(SeriesMarksTest, LegendTextLosesColumnSeparatorsOnOneLine)
{
    TTestSeries series;
    Fill(series);
    std::string legend;
    series.GetLegendText(0, ltsLeftValue, legend);
    ASSERT_NE(legend.find('\x06'), std::string::npos) << legend;
    std::string single = legend;
    for (char& c : single)
        if (c == '\x06') c = ' ';
    EXPECT_EQ(series.MarkTextForStyle(false, 0, smsLegend), single);
    EXPECT_EQ(series.MarkTextForStyle(true, 0, smsLegend), legend);
}

TEST_F(SeriesMarksTest, TheMarkTextEventHasTheLastWord)
{
    TTestSeries series;
    Fill(series);
    series.Marks().SetStyle(smsValue);
    struct TRenamer : TObject {
        void Rename(TChartSeries*, int index, std::string& text) { text += index == 1 ? " mm" : ""; }
    } renamer;
    series.OnGetMarkText = TSeriesOnGetMarkText(&renamer, &TRenamer::Rename);
    EXPECT_EQ(series.MarkTextOf(1), "30 mm");
    EXPECT_EQ(series.MarkTextOf(0), "10");
}

TEST_F(SeriesMarksTest, DrawEveryNullPointsAndSoftClipChooseThePoints)
{
    TTestChart chart;
    TTestSeries& series = *new TTestSeries(&chart);
    series.SetParentChart(&chart);
    for (int i = 0; i < 10; ++i) series.AddPointXY(i, i);
    series.Marks().SetDrawEvery(3);
    auto shown = [&] {
        std::vector<int> indexes;
        for (int i = 0; i < series.PointCount(); ++i)
            if (series.MarkShown(i)) indexes.push_back(i);
        return indexes;
    };
    EXPECT_EQ(shown(), (std::vector<int>{0, 3, 6, 9}));
    series.SetNull(6);
    EXPECT_EQ(shown(), (std::vector<int>{0, 3, 9})) << "a null point has no mark";
    series.SetNull(6, false);
    series.Marks().SetDrawEvery(1);
    series.Marks().SetSoftClip(true);
    chart.BottomAxis()->SetAutomatic(false);
    chart.BottomAxis()->SetMaximum(5);
    chart.BottomAxis()->SetMinimum(2);
    chart.Draw();
    EXPECT_EQ(shown(), (std::vector<int>{2, 3, 4, 5})) << "only points inside the chart rectangle";
}
