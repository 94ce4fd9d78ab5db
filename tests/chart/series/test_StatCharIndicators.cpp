// The financial indicators: their curves against pandas on random price bars, the rules for short
// sources, the colours of the oscillator bars, and the auxiliary series kept out of the legend,
// the editor and the stored chart.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <random>
#include <sstream>

#include "chart/series/SeriesFastLine.h"
#include "chart/series/StatCharHistogram.h"
#include "chart/series/StatCharIndicators.h"
#include "support/TestSupport.h"
#include "support_SeriesTest.h"

using namespace seriestest;

namespace {

struct TBar {
    double X, Open, High, Low, Close, Volume;
};

// A random walk of bars with X 0, 1, 2 ...; some bars have High = Low.
std::vector<TBar> RandomBars(int count, unsigned seed)
{
    std::mt19937 generator(seed);
    std::uniform_real_distribution<double> step(-2, 2), wick(0, 3), volume(100, 5000);
    std::vector<TBar> bars;
    double open = 100;
    for (int i = 0; i < count; ++i) {
        const double close = open + step(generator);
        TBar bar{static_cast<double>(i), open, std::max(open, close) + wick(generator),
                 std::min(open, close) - wick(generator), close, std::round(volume(generator))};
        if (i % 97 == 13) bar.High = bar.Low = bar.Open = bar.Close;
        bars.push_back(bar);
        open = close + step(generator) * 0.25;
    }
    return bars;
}

// Curve name -> (x -> value).
using TCurves = std::map<std::string, std::map<double, double>>;

TCurves Judge(const std::vector<TBar>& bars)
{
    qbtest::TempDir dir;
    const std::string path = dir.file("bars.txt");
    {
        std::ofstream out(path);
        char line[200];
        for (const TBar& b : bars) {
            std::snprintf(line, sizeof line, "%.17g %.17g %.17g %.17g %.17g %.17g\n", b.X, b.Open, b.High, b.Low, b.Close,
                          b.Volume);
            out << line;
        }
    }
    std::istringstream output(enginetest::Run({"/usr/bin/python3", qbtest::DataPath("chart/series/indicator_judge.py"), path}));
    TCurves curves;
    std::string name;
    double x, y;
    while (output >> name >> x >> y) curves[name][x] = y;
    return curves;
}

std::map<double, double> CurveOf(const TChartSeries& series)
{
    std::map<double, double> curve;
    for (int i = 0; i < series.PointCount(); ++i) curve[series.GetXValue(i)] = series.GetYValue(i);
    return curve;
}

// Same X everywhere and values equal within a relative 1e-9.
void ExpectSameCurve(const std::string& name, const std::map<double, double>& ours, const std::map<double, double>& judge)
{
    SCOPED_TRACE(name);
    ASSERT_FALSE(judge.empty());
    ASSERT_EQ(ours.size(), judge.size());
    for (const auto& [x, value] : judge) {
        auto found = ours.find(x);
        ASSERT_NE(found, ours.end()) << "x " << x;
        EXPECT_NEAR(found->second, value, 1e-9 * std::max(1.0, std::fabs(value))) << "x " << x;
    }
}

class StatCharIndicatorsTest : public ::testing::Test {
protected:
    void SetUp() override { StartSeriesModules(); }

    TOHLCSeries* Prices(const std::vector<TBar>& bars)
    {
        auto* prices = new TOHLCSeries(&chart);
        prices->SetParentChart(&chart);
        for (const TBar& b : bars) prices->AddPriceBar(b.X, b.Open, b.High, b.Low, b.Close);
        return prices;
    }

    TChartSeries* Volumes(const std::vector<TBar>& bars)
    {
        auto* volumes = new TFastLineSeries(&chart);
        volumes->SetParentChart(&chart);
        for (const TBar& b : bars) volumes->AddPointXY(b.X, b.Volume);
        return volumes;
    }

    template <class OutputClass = TFastLineSeries>
    TChartSeries* Output(TDuvFunction* function, TChartSeries* source)
    {
        auto* output = new OutputClass(&chart);
        output->SetParentChart(&chart);
        output->SetFunction(function);
        output->SetDataSource(source);
        return output;
    }

    // A bar series of n bars with rising closes (open below close), X 0 .. n - 1.
    TOHLCSeries* RisingBars(int n)
    {
        std::vector<TBar> bars;
        for (int i = 0; i < n; ++i) bars.push_back({double(i), 10.0 + i, 12.0 + i + (i % 3), 8.0 + i, 11.0 + i, 100});
        return Prices(bars);
    }

    TTestChart chart;
};

TEST_F(StatCharIndicatorsTest, CurvesMatchPandasOnRandomBars)
{
    const std::vector<TBar> bars = RandomBars(500, 20261211);
    const TCurves judge = Judge(bars);
    TOHLCSeries* prices = Prices(bars);
    TChartSeries* volumes = Volumes(bars);

    auto* macd = new TMACDFunction;
    ExpectSameCurve("macd", CurveOf(*Output(macd, prices)), judge.at("macd"));
    ExpectSameCurve("signal", CurveOf(*macd->SignalLine()), judge.at("signal"));
    ExpectSameCurve("histogram", CurveOf(*macd->Histogram()), judge.at("histogram"));

    for (bool exponential : {false, true}) {
        auto* bollinger = new TBollingerFunction;
        bollinger->SetExponential(exponential);
        const std::string name = exponential ? "bollinger-exp" : "bollinger-simple";
        ExpectSameCurve(name + "-upper", CurveOf(*Output(bollinger, prices)), judge.at(name + "-upper"));
        ExpectSameCurve(name + "-lower", CurveOf(*bollinger->LowBand()), judge.at(name + "-lower"));
    }

    auto* stochastic = new TStochasticFunction;
    stochastic->SetPeriod(14);
    ExpectSameCurve("stochastic", CurveOf(*Output(stochastic, prices)), judge.at("stochastic"));

    ExpectSameCurve("cci", CurveOf(*Output(new TCCIFunction, prices)), judge.at("cci"));

    auto* rvi = new TRVIFunction;
    ExpectSameCurve("rvi", CurveOf(*Output(rvi, prices)), judge.at("rvi"));
    ExpectSameCurve("rvi-signal", CurveOf(*rvi->SignalLine()), judge.at("rvi-signal"));

    ExpectSameCurve("pvo", CurveOf(*Output(new TPVOFunction, volumes)), judge.at("pvo"));
    ExpectSameCurve("ao", CurveOf(*Output<THistogramSeries>(new TAOFunction, prices)), judge.at("ao"));
    ExpectSameCurve("ac", CurveOf(*Output<THistogramSeries>(new TACFunction, prices)), judge.at("ac"));

    auto* alligator = new TAlligatorFunction;
    ExpectSameCurve("jaw", CurveOf(*Output(alligator, prices)), judge.at("jaw"));
    ExpectSameCurve("teeth", CurveOf(*alligator->Teeth()), judge.at("teeth"));
    ExpectSameCurve("lips", CurveOf(*alligator->Lips()), judge.at("lips"));

    auto* gator = new TGatorFunction;
    ExpectSameCurve("gator-up", CurveOf(*Output<THistogramSeries>(gator, prices)), judge.at("gator-up"));
    ExpectSameCurve("gator-down", CurveOf(*gator->LowerHistogram()), judge.at("gator-down"));

    auto* clv = new TCLVFunction;
    clv->SetVolume(volumes);
    ExpectSameCurve("clv", CurveOf(*Output(clv, prices)), judge.at("clv"));

    auto* flow = new TMoneyFlowFunction;
    flow->SetVolume(volumes);
    ExpectSameCurve("moneyflow", CurveOf(*Output(flow, prices)), judge.at("moneyflow"));
}

TEST_F(StatCharIndicatorsTest, WorkedExamples)
{
    // MACD over a constant series is 0 everywhere, and so is its histogram.
    TChartSeries* constant = new TFastLineSeries(&chart);
    constant->SetParentChart(&chart);
    for (int i = 0; i < 40; ++i) constant->AddPointXY(i, 7);
    auto* macd = new TMACDFunction;
    TChartSeries* line = Output(macd, constant);
    ASSERT_EQ(line->PointCount(), 40);
    EXPECT_EQ(line->YValues()->GetMaximum(), 0);
    EXPECT_EQ(line->YValues()->GetMinimum(), 0);
    EXPECT_EQ(macd->Histogram()->PointCount(), 40);
    EXPECT_EQ(macd->Histogram()->YValues()->GetMaximum(), 0);

    // Stochastic, period 3: 100 x (6 - 1) / (7 - 1) at the third bar.
    TOHLCSeries* three = Prices({{0, 2, 5, 1, 3, 0}, {1, 3, 6, 2, 4, 0}, {2, 4, 7, 3, 6, 0}});
    auto* stochastic = new TStochasticFunction;
    stochastic->SetPeriod(3);
    TChartSeries* k = Output(stochastic, three);
    ASSERT_EQ(k->PointCount(), 1);
    EXPECT_EQ(k->GetXValue(0), 2);
    EXPECT_NEAR(k->GetYValue(0), 500.0 / 6, 1e-12);

    // Bollinger, period 2, simple, values 1, 3: upper 4 and lower 0 at the second X.
    TChartSeries* two = new TFastLineSeries(&chart);
    two->SetParentChart(&chart);
    two->AddPointXY(0, 1);
    two->AddPointXY(1, 3);
    auto* bollinger = new TBollingerFunction;
    bollinger->SetPeriod(2);
    bollinger->SetExponential(false);
    TChartSeries* upper = Output(bollinger, two);
    EXPECT_EQ(Describe(*upper), "1:4");
    EXPECT_EQ(Describe(*bollinger->LowBand()), "1:0");

    // Close location value of a bar with High = Low counts as 1 (times the volume), accumulated.
    TOHLCSeries* flat = Prices({{0, 5, 5, 5, 5, 0}, {1, 5, 6, 4, 6, 0}});
    TChartSeries* volumes = Volumes({{0, 0, 0, 0, 0, 10}, {1, 0, 0, 0, 0, 20}});
    auto* clv = new TCLVFunction;
    clv->SetVolume(volumes);
    EXPECT_EQ(Describe(*Output(clv, flat)), "0:10 1:30");
    // A volume series that goes away leaves the plain close location values.
    FreeComponent(volumes);
    EXPECT_EQ(clv->Volume(), nullptr);
    EXPECT_EQ(Describe(*clv->OutputSeries()), "0:1 1:2");

    // CCI with Constant 0 divides by 1.
    TOHLCSeries* rising = RisingBars(25);
    auto* cci = new TCCIFunction;
    TChartSeries* withDefault = Output(cci, rising);
    auto* cciOne = new TCCIFunction;
    cciOne->SetConstant(0);
    TChartSeries* withOne = Output(cciOne, rising);
    ASSERT_EQ(withOne->PointCount(), withDefault->PointCount());
    ASSERT_GT(withOne->PointCount(), 0);
    EXPECT_NEAR(withOne->GetYValue(0), withDefault->GetYValue(0) * 0.015, 1e-9);

    // PVO with a first average of 0 reports 100 x the second average.
    TChartSeries* zeros = new TFastLineSeries(&chart);
    zeros->SetParentChart(&chart);
    zeros->AddPointXY(0, 0);
    zeros->AddPointXY(1, 0);
    EXPECT_EQ(Describe(*Output(new TPVOFunction, zeros)), "0:0 1:0");

    // One point gives the averages nothing to pair with: no point, and nothing missing is read.
    TChartSeries* single = new TFastLineSeries(&chart);
    single->SetParentChart(&chart);
    single->AddPointXY(0, 5);
    EXPECT_EQ(Output(new TPVOFunction, single)->PointCount(), 0);
    EXPECT_EQ(Output(new TMACDFunction, single)->PointCount(), 0);
}

TEST_F(StatCharIndicatorsTest, MoneyFlowWindowIsThePeriodPlusOneBars)
{
    std::vector<TBar> bars;
    for (int i = 0; i < 40; ++i) bars.push_back({double(i), 10, 12, 8, i % 2 ? 12.0 : 8.0, double(i + 1)});
    TOHLCSeries* prices = Prices(bars);
    auto* flow = new TMoneyFlowFunction;
    flow->SetVolume(Volumes(bars));
    TChartSeries* output = Output(flow, prices);
    auto expected = [&](int from, int to) {
        double f = 0, v = 0;
        for (int j = from; j <= to; ++j) {
            f += (j % 2 ? 1.0 : -1.0) * (j + 1);
            v += j + 1;
        }
        return f / v;
    };
    EXPECT_DOUBLE_EQ(output->GetYValue(5), expected(0, 5));
    EXPECT_DOUBLE_EQ(output->GetYValue(30), expected(9, 30));

    // Styles show one companion instead of the line, coloured by sign.
    flow->SetCMFStyle(cmfHistogram);
    EXPECT_FALSE(output->Active());
    TChartSeries* histogram = flow->HistogramCompanion();
    EXPECT_TRUE(histogram->Active());
    EXPECT_FALSE(flow->AreaCompanion()->Active());
    ASSERT_EQ(histogram->PointCount(), 40);
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(histogram->GetPointColor(i), histogram->GetYValue(i) >= 0 ? flow->UpColor() : flow->DownColor());
    EXPECT_EQ(GetPropValue(histogram, "UseYOrigin").AsBoolean(), true);

    // Without a volume nothing at all is calculated.
    flow->SetVolume(nullptr);
    EXPECT_EQ(output->PointCount(), 0);
}

TEST_F(StatCharIndicatorsTest, ShortSourcesGiveNoPoints)
{
    struct TCase {
        const char* Name;
        std::function<TDuvFunction*()> Make;
        int Fewest;  // the fewest bars with a point
    };
    const TCase cases[] = {
        {"MACD", [] { return new TMACDFunction; }, 2},
        {"AO", [] { return new TAOFunction; }, 34},
        {"AC", [] { return new TACFunction; }, 38},
        {"alligator", [] { return new TAlligatorFunction; }, 13},
        // The jaw's first point (bar 12, moved 8 ahead) meets the teeth at bar 15 and the lips
        // at bar 17.
        {"gator", [] { return new TGatorFunction; }, 18},
        {"RVI", [] { return new TRVIFunction; }, 10},
        {"CCI", [] { return new TCCIFunction; }, 20},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(Output(c.Make(), RisingBars(c.Fewest - 1))->PointCount(), 0);
        EXPECT_GT(Output(c.Make(), RisingBars(c.Fewest))->PointCount(), 0);
    }
}

TEST_F(StatCharIndicatorsTest, OscillatorBarsAreGreenWhileGrowingAndRedWhileFalling)
{
    // 34 bars: one point in the series colour green; 35 bars: the first takes the second's colour.
    TChartSeries* one = Output<THistogramSeries>(new TAOFunction, RisingBars(34));
    ASSERT_EQ(one->PointCount(), 1);
    EXPECT_EQ(one->GetSeriesColor(), static_cast<TColor>(0x8000));
    EXPECT_EQ(GetPropValue(one, "UseYOrigin").AsBoolean(), true);

    std::vector<TBar> bars;
    for (int i = 0; i < 60; ++i) {
        const double m = 100 + 10 * std::sin(i / 4.0);
        bars.push_back({double(i), m, m + 1, m - 1, m, 1});
    }
    TChartSeries* ao = Output<THistogramSeries>(new TAOFunction, Prices(bars));
    ASSERT_GT(ao->PointCount(), 2);
    for (int i = 1; i < ao->PointCount(); ++i)
        EXPECT_EQ(ao->GetPointColor(i), ao->GetYValue(i) <= ao->GetYValue(i - 1) ? static_cast<TColor>(0xFF)
                                                                                  : static_cast<TColor>(0x8000));
    EXPECT_EQ(ao->GetPointColor(0), ao->GetPointColor(1));

    // Gator colours compare magnitudes: the lower bars go down, red while they shrink.
    auto* gator = new TGatorFunction;
    TChartSeries* up = Output<THistogramSeries>(gator, Prices(bars));
    TChartSeries* down = gator->LowerHistogram();
    ASSERT_EQ(up->PointCount(), down->PointCount());
    ASSERT_GT(down->PointCount(), 2);
    for (int i = 1; i < down->PointCount(); ++i) {
        EXPECT_LE(down->GetYValue(i), 0);
        EXPECT_EQ(down->GetPointColor(i), std::fabs(down->GetYValue(i)) <= std::fabs(down->GetYValue(i - 1))
                                              ? static_cast<TColor>(0xFF)
                                              : static_cast<TColor>(0x8000));
    }
}

TEST_F(StatCharIndicatorsTest, AuxiliarySeriesStayOutOfLegendEditorAndStoredChart)
{
    TOHLCSeries* prices = RisingBars(60);
    prices->SetName("Prices");
    auto* macd = new TMACDFunction;
    TChartSeries* output = Output(macd, prices);
    output->SetName("Macd");
    for (TChartSeries* helper : {macd->SignalLine(), macd->Histogram()}) {
        EXPECT_EQ(helper->ParentChart(), &chart);
        EXPECT_FALSE(helper->ShowInLegend());
        EXPECT_FALSE(helper->ShowInEditor);
        EXPECT_EQ(helper->VertAxis(), output->VertAxis());
    }
    const std::string text = ComponentTextOf(chart);
    EXPECT_NE(text.find("TMACDFunction"), std::string::npos);
    EXPECT_EQ(text.find("TFastLineSeries"), text.rfind("TFastLineSeries")) << text;
    EXPECT_EQ(text.find("THistogramSeries"), std::string::npos) << text;

    // The helpers go with the function.
    const int before = chart.CountSeries();
    output->SetFunction(nullptr);
    EXPECT_EQ(chart.CountSeries(), before - 2);
}

TEST_F(StatCharIndicatorsTest, NonPriceSourcesAreRefused)
{
    TChartSeries* line = new TFastLineSeries(&chart);
    line->SetParentChart(&chart);
    for (TDuvFunction* function : std::initializer_list<TDuvFunction*>{new TCCIFunction, new TAOFunction, new TRVIFunction}) {
        EXPECT_FALSE(function->AcceptsSource(line));
        FreeComponent(function);
    }
    auto* stochastic = new TStochasticFunction;
    EXPECT_TRUE(stochastic->AcceptsSource(line));
    FreeComponent(stochastic);
}

}  // namespace
