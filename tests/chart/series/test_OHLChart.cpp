// Price bars and the functions on them: adding bars, the value range over every price, the "Data"
// stream, refused sources, on-balance volume, stop-and-reverse, and the point-and-figure columns
// as drawn on the recording canvas.
#include <gtest/gtest.h>

#include <cmath>

#include "chart/engine/RuRazaziAxis.h"
#include "chart/series/OHLChart.h"
#include "chart/series/SeriesFastLine.h"
#include "platform/core/Random.h"
#include "platform/core/Streams.h"
#include "support_SeriesTest.h"

using namespace seriestest;

namespace {

struct TBarValues {
    double Date, Open, High, Low, Close;
};

class OHLChartTest : public ::testing::Test {
protected:
    void SetUp() override { StartSeriesModules(); }

    template <class S = TOHLCSeries>
    S* Bars(const std::vector<TBarValues>& bars)
    {
        auto* series = new S(&chart);
        series->SetParentChart(&chart);
        for (const TBarValues& b : bars) series->AddPriceBar(b.Date, b.Open, b.High, b.Low, b.Close);
        return series;
    }

    TChartSeries* Line(const std::vector<double>& ys)
    {
        auto* line = new TFastLineSeries(&chart);
        line->SetParentChart(&chart);
        for (std::size_t i = 0; i < ys.size(); ++i) line->AddPointXY(static_cast<double>(i), ys[i]);
        return line;
    }

    TChartSeries* Output(TDuvFunction* function, TChartSeries* source)
    {
        auto* output = new TFastLineSeries(&chart);
        output->SetParentChart(&chart);
        output->SetFunction(function);
        output->SetDataSource(source);
        return output;
    }

    TTestChart chart;
};

std::string Lists(const TOHLCSeries& s)
{
    std::string text;
    for (int i = 0; i < s.PointCount(); ++i) {
        char line[120];
        std::snprintf(line, sizeof line, "%s%g:o%g h%g l%g c%g", i ? " " : "", s.DateValues()->GetValueAt(i),
                      s.OpenValues()->GetValueAt(i), s.HighValues()->GetValueAt(i), s.LowValues()->GetValueAt(i),
                      s.CloseValues()->GetValueAt(i));
        text += line;
    }
    return text;
}

TEST_F(OHLChartTest, PriceBarsFillFiveListsAndTheRangeCoversEveryPrice)
{
    TOHLCSeries* bars = Bars({{45000, 10, 12, 9, 11}});
    EXPECT_EQ(Lists(*bars), "45000:o10 h12 l9 c11");
    EXPECT_EQ(bars->MaxYValue(), 12);
    EXPECT_EQ(bars->MinYValue(), 9);
    const char* names[] = {"Date", "Close", "High", "Low", "Open"};
    ASSERT_EQ(bars->ValueLists().Count(), 5);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(bars->ValueLists()[i]->Name(), names[i]);
    EXPECT_TRUE(bars->DateValues()->DateTime());
    EXPECT_EQ(bars->MandatoryList(), bars->CloseValues());

    // A null bar stays out of the range unless nulls are ignored.
    bars->AddPriceBar(45001, 100, 150, -50, 120);
    bars->SetNull(1);
    EXPECT_EQ(bars->MaxYValue(), 12);
    EXPECT_EQ(bars->MinYValue(), 9);
    bars->SetTreatNulls(tnIgnore);
    EXPECT_EQ(bars->MaxYValue(), 150);
    EXPECT_EQ(bars->MinYValue(), -50);

    // Only null bars, or none: 0.
    TOHLCSeries* empty = Bars({});
    EXPECT_EQ(empty->MaxYValue(), 0);
    EXPECT_EQ(empty->MinYValue(), 0);
}

TEST_F(OHLChartTest, DataStreamCarriesTheFiveListsInOrder)
{
    TOHLCSeries* bars = Bars({{1, 10, 12, 9, 11}, {2, 11, 15, 10, 14}, {4, 14, 14, 13, 13}});
    TMemoryStream stream;
    bars->WriteData(stream);
    auto* copy = new TOHLCSeries(&chart);
    TMemoryStream in(stream.Bytes());
    copy->ReadDataStream(in);
    EXPECT_EQ(Lists(*copy), Lists(*bars));

    // The same bytes give a five-list series of another kind its lists in the same order.
    auto* figure = new TPointFigureSeries(&chart);
    TMemoryStream again(stream.Bytes());
    figure->ReadDataStream(again);
    EXPECT_EQ(Lists(*figure), Lists(*bars));

    // Through the chart text: the bars come back with the series.
    bars->SetName("Prices");
    bars->DataLoaded = true;
    TTestChart other;
    ReadComponentText(other, ComponentTextOf(chart));
    auto* read = dynamic_cast<TOHLCSeries*>(other.GetSeries(0));
    ASSERT_TRUE(read);
    EXPECT_EQ(Lists(*read), Lists(*bars));
}

TEST_F(OHLChartTest, OnlyPriceBarsFeedPriceSeriesAndFinancialFunctions)
{
    TChartSeries* line = Line({1, 2, 3});
    TOHLCSeries* bars = Bars({{0, 1, 2, 0, 1}});
    EXPECT_FALSE(bars->AcceptsSourceSeries(line));
    EXPECT_TRUE(bars->AcceptsSourceSeries(Bars({})));
    EXPECT_FALSE(bars->AcceptsSourceSeries(bars));
    TSARFunction sar;
    EXPECT_FALSE(sar.AcceptsSource(line));
    EXPECT_TRUE(sar.AcceptsSource(bars));
    EXPECT_EQ(sar.GetSourceSeriesClass(), CandleSeriesClass);

    // Stop-and-reverse checks the class itself too.
    auto* function = new TSARFunction;
    TChartSeries* output = new TFastLineSeries(&chart);
    output->SetParentChart(&chart);
    output->SetFunction(function);
    function->CalculateFromSources(line);
    EXPECT_EQ(output->PointCount(), 0);
}

TEST_F(OHLChartTest, OnBalanceVolume)
{
    TOHLCSeries* bars = Bars({{0, 10, 12, 9, 10}, {1, 10, 12, 9, 11}, {2, 10, 12, 8, 9}});
    auto* obv = new TOBVFunction;
    TChartSeries* output = Output(obv, bars);
    EXPECT_EQ(output->PointCount(), 0);  // no volume yet
    TChartSeries* volume = Line({100, 50, 20});
    obv->SetVolume(volume);
    EXPECT_EQ(Describe(*output), "0:100 1:150 2:130");

    // A first bar that falls still starts at + volume; a shorter volume ends the output.
    TOHLCSeries* falling = Bars({{0, 10, 12, 8, 9}, {1, 9, 10, 8, 10}, {2, 10, 11, 9, 10.5}});
    auto* second = new TOBVFunction;
    TChartSeries* out2 = Output(second, falling);
    second->SetVolume(Line({7, 3}));
    EXPECT_EQ(Describe(*out2), "0:7 1:10");

    // The volume series going away leaves the output empty.
    FreeComponent(volume);
    EXPECT_EQ(obv->Volume(), nullptr);
    EXPECT_EQ(output->PointCount(), 0);
    EXPECT_FALSE(obv->PeriodEditable);
    EXPECT_EQ(obv->Period(), 1);
}

TEST_F(OHLChartTest, StopAndReverseStartsAtTheThirdBar)
{
    auto* sar = new TSARFunction;
    TChartSeries* output = Output(sar, Bars({{0, 9, 10, 8, 9}, {1, 10, 11, 9, 10}}));
    EXPECT_EQ(output->PointCount(), 0);

    // Reversals at bars 2, 3 and 4; bar 5 keeps the short trend with a new extreme.
    auto* second = new TSARFunction;
    TChartSeries* out = Output(second, Bars({{0, 9, 10, 8, 9},
                                             {1, 10, 11, 9, 10},
                                             {2, 11, 12, 10, 11},
                                             {3, 12, 13, 11, 12},
                                             {4, 8, 9, 7, 8},
                                             {5, 7, 8, 6, 7}}));
    EXPECT_EQ(Describe(*out), "2:10 3:10 4:13 5:13");
    // A larger factor: bar 2 gives 11 + 0.5 x (10 - 11) = 10.5, still above the low of 10.
    second->SetAccelerationFactor(0.5);
    second->SetMaxStep(0.6);
    EXPECT_EQ(Describe(*out), "2:10 3:10 4:13 5:13");
    auto* third = new TSARFunction;
    third->SetAccelerationFactor(0.5);
    TChartSeries* gentle = Output(third, Bars({{0, 9, 10, 8, 9}, {1, 10, 11, 9, 10}, {2, 11, 12, 10.6, 11}}));
    // No reversal; the stop stays below the lows of the two bars before.
    EXPECT_EQ(Describe(*gentle), "2:8");
}

TEST_F(OHLChartTest, PointAndFigureColumns)
{
    struct TCase {
        std::vector<TBarValues> Bars;
        int Columns;
    };
    const TCase cases[] = {
        {{}, 0},
        {{{0, 9, 10, 9, 10}}, 1},
        {{{0, 9, 10, 9, 10}, {1, 8, 10, 7, 8}, {2, 9, 12, 8, 11}}, 2},
    };
    for (const TCase& c : cases) {
        auto* figure = Bars<TPointFigureSeries>(c.Bars);
        EXPECT_EQ(figure->CalcColumns(false), c.Columns);
        EXPECT_EQ(figure->MaxXValue(), c.Columns - 1);
        EXPECT_EQ(figure->MinXValue(), 0);
        FreeComponent(figure);
    }
    auto* figure = Bars<TPointFigureSeries>({{0, 9, 10, 9, 10}, {1, 8, 10, 7, 8}, {2, 9, 12, 8, 11}});
    figure->CalcColumns(false);
    EXPECT_EQ(figure->Columns(), (std::vector<int>{0, 0, 1}));
    EXPECT_FALSE(figure->DateValues()->DateTime());
    figure->SetBoxSize(0);
    figure->SetBoxSize(-1);
    EXPECT_EQ(figure->BoxSize(), 1);
}

TEST_F(OHLChartTest, PointAndFigureDrawsOneSymbolPerBoxInItsColour)
{
    auto* figure = Bars<TPointFigureSeries>({{0, 9, 10, 9, 10}, {1, 8, 10, 7, 8}, {2, 9, 12, 8, 11}});
    chart.LeftAxis()->SetMinMax(0, 20);
    chart.Draw();
    const auto& calls = chart.Recording().Calls;
    // Falling boxes are red circles: 9, 10 for the first bar, 7, 8 when the column extends.
    std::vector<int> downRows;
    for (const TRecordedCall& call : calls)
        if (call.Name == "Ellipse" && call.BrushColor == static_cast<TColor>(0xFF)) {
            int x0, y0, x1, y1;
            std::sscanf(call.Args.c_str(), "%d,%d,%d,%d", &x0, &y0, &x1, &y1);
            downRows.push_back((y0 + y1) / 2);
        }
    const std::vector<int> expectedDown{figure->ValueToScreenY(9), figure->ValueToScreenY(10),
                                        figure->ValueToScreenY(7), figure->ValueToScreenY(8)};
    EXPECT_EQ(downRows, expectedDown);
    // Rising boxes are diagonal crosses in the green symbol's colours, one per box from 8 to 12,
    // at column 1: two strokes each.
    std::vector<std::string> upStrokes;
    for (const TRecordedCall& call : calls)
        if (call.BrushColor == static_cast<TColor>(0x8000) && call.Name == "LineTo") upStrokes.push_back(call.Args);
    ASSERT_EQ(upStrokes.size(), 5u * 2);
    const int column1 = figure->ValueToScreenX(1);
    for (int box = 0; box < 5; ++box) {
        const int y = figure->ValueToScreenY(8 + box);
        int x0, y0;
        std::sscanf(upStrokes[static_cast<std::size_t>(box * 2)].c_str(), "%d,%d", &x0, &y0);
        // The first stroke ends past the lower right corner of the box's symbol.
        EXPECT_EQ(x0, column1 + figure->UpSymbol()->HorizSize() + 1) << box;
        EXPECT_EQ(y0, y + figure->UpSymbol()->VertSize() + 1) << box;
    }

    // The legend shows two items.
    EXPECT_EQ(figure->GetPointCount(), 2);
    std::string up, down;
    figure->GetLegendText(0, TLegendTextStyle{}, up);
    figure->GetLegendText(1, TLegendTextStyle{}, down);
    EXPECT_EQ(up, "Up");
    EXPECT_EQ(down, "Down");
    EXPECT_EQ(figure->GetLegendItemColor(0), static_cast<TColor>(0x8000));
    EXPECT_EQ(figure->GetLegendItemColor(1), static_cast<TColor>(0xFF));
}

TEST_F(OHLChartTest, TinyBoxesDrawAtMostOneSymbolPerPixelRow)
{
    const double big = 1e6;
    auto* figure = Bars<TPointFigureSeries>({{0, big, big + 50, big, big + 50}});
    figure->SetBoxSize(1e-300);  // far below the values' spacing: v + box == v
    chart.LeftAxis()->SetMinMax(big - 100, big + 100);
    chart.Draw();
    EXPECT_EQ(chart.Recording().Texts("Ellipse").size(), 1u);

    figure->SetBoxSize(1e-6);  // moves the value, but a billion boxes would share pixel rows
    chart.Draw();
    const std::size_t rows =
        static_cast<std::size_t>(std::abs(figure->ValueToScreenY(big + 50) - figure->ValueToScreenY(big))) + 1;
    EXPECT_EQ(chart.Recording().Texts("Ellipse").size(), rows);
}

TEST_F(OHLChartTest, SampleBarsHoldTheirWicks)
{
    // A flat chart range gives empty draw ranges, which answer 0.
    Line({5, 5, 5});
    SetRandSeed(7);
    auto* bars = new TOHLCSeries(&chart);
    bars->SetParentChart(&chart);
    bars->FillSampleValues(0);
    ASSERT_EQ(bars->PointCount(), 40);
    for (int i = 0; i < bars->PointCount(); ++i) {
        const double o = bars->OpenValues()->GetValueAt(i), c = bars->CloseValues()->GetValueAt(i);
        EXPECT_GE(bars->HighValues()->GetValueAt(i), std::max(o, c));
        EXPECT_LE(bars->LowValues()->GetValueAt(i), std::min(o, c));
    }
}

}  // namespace
