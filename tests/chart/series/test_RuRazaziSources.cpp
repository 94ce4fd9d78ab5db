// Data sources, dependent series, the function link and streaming of linked series.
#include <gtest/gtest.h>

#include <functional>

#include "chart/engine/RuRazaziAxis.h"
#include "support_SeriesTest.h"

using namespace seriestest;

namespace {

class SeriesSourcesTest : public ::testing::Test {
protected:
    void SetUp() override { StartSeriesModules(); }
};

// A chart that owns its series: Add makes a named series on it.
struct TSourcesChart {
    TTestChart chart;
    TTestSeries& Add(const std::string& name)
    {
        auto* series = new TTestSeries(&chart);
        series->SetName(name);
        series->SetParentChart(&chart);
        return *series;
    }
};

std::vector<std::string> SourceNames(const TChartSeries& series)
{
    std::vector<std::string> names;
    for (int i = 0; i < series.DataSourceCount(); ++i) names.push_back(series.DataSource(i)->Name());
    return names;
}

// A series source component that puts one point into its series when it loads.
class TOnePointSource : public TDuvSeriesSource {
public:
    explicit TOnePointSource(TComponent* owner) : TDuvSeriesSource(owner) {}
    void LoadData() override
    {
        auto* series = dynamic_cast<TChartSeries*>(Series());
        if (!series) return;
        series->ClearPoints();
        series->AddPointXY(1, 1);
    }
};

}  // namespace

TEST_F(SeriesSourcesTest, DependentsReactToEachCodeAsTheirReactionsAllow)
{
    struct Case {
        const char* name;
        int reactions;
        std::function<void(TTestSeries&)> act;
        std::vector<std::string> heard;
        bool sameAsSource;
    } const cases[] = {
        {"0 clear", srAll, [](TTestSeries& s) { s.ClearPoints(); }, {"clear"}, true},
        {"0 clear ignored", srAll & ~srClear, [](TTestSeries& s) { s.ClearPoints(); }, {}, false},
        {"1 added copies the point", srAll, [](TTestSeries& s) { s.AddPointXY(2.5, 7, "new"); }, {"copy 3"},
         false},
        {"1 added ignored", srAll & ~srAdd, [](TTestSeries& s) { s.AddPointXY(2.5, 7); }, {}, false},
        {"2 deleted deletes the same index", srAll, [](TTestSeries& s) { s.DeletePoint(3); }, {"delete 3"}, true},
        {"2 deleted ignored", srAll & ~srDelete, [](TTestSeries& s) { s.DeletePoint(3); }, {}, false},
        {"2 a run deleted refills", srAll, [](TTestSeries& s) { s.DeletePoints(1, 2); }, {"load"}, true},
        {"3 data changed always refills", 0,
         [](TTestSeries& s) {
             s.SuspendUpdates();
             s.AddPointXY(9, 9);
             s.ResumeUpdates();
         },
         {"load"}, true},
        {"4 value modified refills", srAll, [](TTestSeries& s) { s.SetYValue(1, 99); }, {"load"}, true},
        {"4 value modified ignored", srAll & ~srModify, [](TTestSeries& s) { s.SetYValue(1, 99); }, {}, false},
        {"4 two points exchanged refill once", srAll,
         [](TTestSeries& s) {
             s.XValues()->SetOrder(loNone);
             s.SwapPoints(0, 4);
         },
         {"load"}, true},
    };
    for (const Case& c : cases) {
        TSourcesChart t;
        TTestSeries& source = t.Add("Source");
        TTestSeries& dependent = t.Add("Dependent");
        for (int i = 0; i < 5; ++i) source.AddPointXY(i, i * 10, "p" + std::to_string(i));
        dependent.XValues()->SetOrder(loNone);
        dependent.SetDataSource(&source);
        ASSERT_EQ(Describe(dependent), Describe(source)) << c.name;
        dependent.SourceReactions = c.reactions;
        dependent.Heard.clear();
        c.act(source);
        EXPECT_EQ(dependent.Heard, c.heard) << c.name;
        EXPECT_EQ(Describe(dependent) == Describe(source), c.sameAsSource) << c.name << ": " << Describe(dependent);
    }
}

TEST_F(SeriesSourcesTest, FunctionDependentsAreRefilledWhole)
{
    TSourcesChart t;
    TTestSeries& source = t.Add("Source");
    TTestSeries& output = t.Add("Output");
    auto* function = new TDoublingFunction;
    output.SetFunction(function);
    output.SetDataSource(&source);
    const std::function<void()> changes[] = {
        [&] { source.AddPointXY(1, 1); },
        [&] { source.AddPointXY(0, 2); },
        [&] { source.SetYValue(0, 5); },
        [&] { source.DeletePoint(1); },
        [&] { source.AddXYArrays({3, 4}, {1, 1}); },
        [&] { source.DeletePoints(0, 2); },
    };
    for (const auto& change : changes) {
        output.Heard.clear();
        const int before = function->Calculations;
        change();
        EXPECT_EQ(output.Heard, (std::vector<std::string>{"load"}));
        EXPECT_EQ(function->Calculations, before + 1);
        std::string doubled;
        for (int i = 0; i < source.PointCount(); ++i)
            doubled += (i ? " " : "") + std::to_string(static_cast<int>(source.XValues()->GetValueAt(i))) + ":" +
                       std::to_string(static_cast<int>(2 * source.YValues()->GetValueAt(i)));
        EXPECT_EQ(Describe(output), doubled);
    }
}

TEST_F(SeriesSourcesTest, AChainIsRefilledDepthFirst)
{
    TSourcesChart t;
    TTestSeries& a = t.Add("A");
    TTestSeries& b = t.Add("B");
    TTestSeries& c = t.Add("C");
    TTestSeries& d = t.Add("D");
    b.SetDataSource(&a);
    c.SetDataSource(&b);
    d.SetDataSource(&a);
    std::vector<std::string> order;
    struct Log {
        std::vector<std::string>* order;
        void After(TChartSeries* sender, int) { order->push_back(sender->Name()); }
    } log{&order};
    for (TTestSeries* s : {&a, &b, &c, &d}) s->OnAfterAdd = {&log, &Log::After};
    a.AddPointXY(1, 1);
    EXPECT_EQ(order, (std::vector<std::string>{"A", "B", "C", "D"}));
    EXPECT_EQ(Describe(c), "1:1");
    EXPECT_EQ(Describe(d), "1:1");
}

TEST_F(SeriesSourcesTest, SourcesAreCheckedBeforeTheyJoin)
{
    TSourcesChart t;
    TTestSeries& a = t.Add("A");
    TTestSeries& b = t.Add("B");
    TTestSeries& c = t.Add("C");
    TComponent other(nullptr);
    other.SetName("Other");
    TTestSeries loose;
    b.SetDataSource(&a);
    c.SetDataSource(&b);
    struct Case {
        const char* name;
        std::function<void()> act;
        std::string message;
        TTestSeries* target;
    } const cases[] = {
        {"the series itself", [&] { a.SetDataSource(&a); }, "No valid DataSource: A", &a},
        {"not a series", [&] { a.SetDataSource(&other); }, "No valid DataSource: Other", &a},
        {"no chart to ask", [&] { loose.SetDataSource(&other); }, "No ParentChart to validate DataSource", &loose},
        {"a direct cycle", [&] { a.SetDataSource(&b); }, "Circular Series dependences are not allowed", &a},
        {"a cycle through two series", [&] { a.SetDataSource(&c); }, "Circular Series dependences are not allowed", &a},
        {"a cycle through a second source", [&] { a.AddDataSource(&c, false); },
         "Circular Series dependences are not allowed", &a},
    };
    for (const Case& k : cases) {
        const std::vector<std::string> before = SourceNames(*k.target);
        EXPECT_EQ(ErrorOf(k.act), k.message) << k.name;
        EXPECT_EQ(SourceNames(*k.target), before) << k.name;
    }
    EXPECT_EQ(b.AddDataSource(&a, false), -1) << "a source joins once";
    EXPECT_EQ(SourceNames(b), (std::vector<std::string>{"A"}));
    EXPECT_EQ(a.GetLinkedSeries().size(), 1u);
}

TEST_F(SeriesSourcesTest, TheFirstSourceLeavingTakesTheOthersAlong)
{
    TSourcesChart t;
    TTestSeries& a = t.Add("A");
    TTestSeries& b = t.Add("B");
    TTestSeries& c = t.Add("C");
    TTestSeries& d = t.Add("D");
    a.AddPointXY(0, 1);
    d.AddDataSource(&a, false);
    d.AddDataSource(&b, false);
    d.AddDataSource(&c, false);
    EXPECT_EQ(SourceNames(d), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(Describe(d), "0:1");
    d.Heard.clear();
    d.SetDataSource(nullptr);
    EXPECT_TRUE(SourceNames(d).empty());
    EXPECT_EQ(Describe(d), "") << "points that came from the sources go";
    for (TTestSeries* s : {&a, &b, &c}) EXPECT_TRUE(s->GetLinkedSeries().empty()) << s->Name();

    d.AddDataSource(&a, false);
    d.AddDataSource(&b, false);
    b.Free();
    EXPECT_EQ(SourceNames(d), (std::vector<std::string>{"A"})) << "a freed source leaves the list";
    a.Free();
    EXPECT_TRUE(SourceNames(d).empty());
}

TEST_F(SeriesSourcesTest, SourceComponentsMoveToTheirNewSeries)
{
    TSourcesChart t;
    TTestSeries& a = t.Add("A");
    TTestSeries& b = t.Add("B");
    auto* source = new TOnePointSource(&a);
    source->SetSeries(&a);
    source->Open();
    EXPECT_EQ(Describe(a), "1:1");
    b.SetDataSource(source);
    EXPECT_EQ(source->Owner(), &b) << "ownership moves with the source";
    EXPECT_EQ(source->Series(), &b);
    EXPECT_TRUE(source->Active());
    EXPECT_EQ(Describe(b), "1:1");
    source->Close();
    EXPECT_EQ(Describe(b), "") << "closing clears the points";
}

TEST_F(SeriesSourcesTest, FunctionsBelongToTheirSeries)
{
    TSourcesChart t;
    TTestSeries& a = t.Add("A");
    TTestSeries& b = t.Add("B");
    auto* counting = new TCountingFunction;
    a.SetFunction(counting);
    EXPECT_EQ(counting->OutputSeries(), &a);
    EXPECT_EQ(Describe(a), "0:1 1:2 2:3") << "a function without source calculates at once";
    a.RefreshFromSources();
    EXPECT_EQ(Describe(a), "0:1 1:2 2:3") << "and again from scratch";

    struct Watch : TComponent {
        using TComponent::TComponent;
        bool freed = false;
        void Notification(TComponent* c, TOperation op) override
        {
            if (op == TOperation::opRemove) freed = true;
            TComponent::Notification(c, op);
        }
    } watch(nullptr);
    watch.FreeNotification(counting);
    a.SetFunction(new TDoublingFunction);
    EXPECT_TRUE(watch.freed) << "a new function frees the former one";

    auto* doubling = new TDoublingFunction(&t.chart);
    b.SetFunction(doubling);
    b.SetDataSource(&a);
    EXPECT_FALSE(b.CanUseAsSource(&b));
    FreeComponent(doubling);
    EXPECT_EQ(b.Function(), nullptr) << "a freed function is forgotten";
}

TEST_F(SeriesSourcesTest, AHalfStoredPointIsNeverSeenByDependents)
{
    // A value list that turns modified tells the dependents at once; while a point is entering
    // the lists, they must not refill from lists of different lengths.
    TSourcesChart t;
    TTestSeries& source = t.Add("Source");
    TTestSeries& dependent = t.Add("Dependent");
    TTestSeries& output = t.Add("Output");
    auto* function = new TDoublingFunction;
    output.SetFunction(function);
    for (int i = 0; i < 3; ++i) source.AddPointXY(i, i);
    dependent.SetDataSource(&source);
    output.SetDataSource(&source);
    const std::function<void()> steps[] = {
        [&] { source.AddPointXY(1.5, 9); },
        [&] { source.DeletePoint(0); },
        [&] { source.CopyPointFromSeries(&dependent, 0); },
    };
    for (const auto& step : steps) {
        (void)source.MinXValue();  // the statistics are clean: the next change turns the lists modified
        (void)source.MinYValue();
        dependent.Heard.clear();
        step();
        EXPECT_EQ(Describe(dependent), Describe(source));
        EXPECT_EQ(dependent.Heard.size(), 1u) << dependent.Heard.size();
        EXPECT_EQ(output.PointCount(), source.PointCount());
    }
}

TEST_F(SeriesSourcesTest, ARunDeletedRefillsInsteadOfDeletingIndexMinusOne)
{
    TSourcesChart t;
    TTestSeries& source = t.Add("Source");
    TTestSeries& dependent = t.Add("Dependent");
    for (int i = 0; i < 5; ++i) source.AddPointXY(i, i);
    dependent.SetDataSource(&source);
    EXPECT_EQ(ErrorOf([&] { source.DeletePoints(1, 2); }), "no error");
    EXPECT_EQ(Describe(dependent), "0:0 3:3 4:4");
}

TEST_F(SeriesSourcesTest, ChartWithLinkedSeriesReadsBackTheSame)
{
    TTestChart chart;
    auto& first = *new TTestSeries(&chart);
    auto& second = *new TTestSeries(&chart);
    auto& third = *new TTestSeries(&chart);
    first.SetName("Rain");
    second.SetName("Doubled");
    third.SetName("Both");
    for (TTestSeries* s : {&first, &second, &third}) s->SetParentChart(&chart);
    first.SetTitle("Rain fall");
    auto* function = new TDoublingFunction(&chart);
    function->SetName("DoublingFunction1");
    second.SetFunction(function);
    second.SetDataSource(&first);
    third.AddDataSource(&first, false);
    third.AddDataSource(&second, false);
    TChartAxis* custom = chart.CustomAxes()->AddAxis();
    chart.CustomAxes()->AddAxis();
    third.SetCustomVertAxis(chart.CustomAxes()->GetAxis(1));
    (void)custom;
    third.SetSeriesColor(0x00FF00);
    third.SourceReactions = srAll;

    const std::string text = ComponentTextOf(chart);
    EXPECT_NE(text.find("DataSource = Rain"), std::string::npos) << text;
    EXPECT_NE(text.find("DataSources = (\r\n      'Rain'\r\n      'Doubled')"), std::string::npos) << text;
    EXPECT_NE(text.find("CustomVertAxis = 1"), std::string::npos) << text;
    EXPECT_NE(text.find("object DoublingFunction1: TDoublingFunction"), std::string::npos) << text;

    TTestChart copy;
    ReadComponentText(copy, text);
    EXPECT_EQ(ComponentTextOf(copy), text);
    ASSERT_EQ(copy.CountSeries(), 3);
    auto* rain = dynamic_cast<TTestSeries*>(copy.GetSeries(0));
    auto* doubled = dynamic_cast<TTestSeries*>(copy.GetSeries(1));
    auto* both = dynamic_cast<TTestSeries*>(copy.GetSeries(2));
    ASSERT_TRUE(rain && doubled && both);
    EXPECT_EQ(doubled->DataSource(), rain);
    ASSERT_NE(doubled->Function(), nullptr);
    EXPECT_EQ(doubled->Function()->OutputSeries(), doubled);
    EXPECT_EQ(SourceNames(*both), (std::vector<std::string>{"Rain", "Doubled"}));
    EXPECT_EQ(both->CustomVertAxis(), copy.CustomAxes()->GetAxis(1));
    EXPECT_EQ(both->VertAxisObject(), copy.CustomAxes()->GetAxis(1));
    EXPECT_EQ(both->VertAxis(), aCustomVertAxis);
    rain->AddPointXY(1, 4);
    EXPECT_EQ(Describe(*doubled), "1:8") << "the links work after reading";
    EXPECT_EQ(rain->GetLinkedSeries().size(), 2u);
}

TEST_F(SeriesSourcesTest, StoredSourceNamesThatLoopFailTheRead)
{
    TTestChart chart;
    auto& a = *new TTestSeries(&chart);
    auto& b = *new TTestSeries(&chart);
    auto& c = *new TTestSeries(&chart);
    a.SetName("A");
    b.SetName("B");
    c.SetName("C");
    for (TTestSeries* s : {&a, &b, &c}) s->SetParentChart(&chart);
    a.AddDataSource(&b, false);
    a.AddDataSource(&c, false);
    b.AddDataSource(&c, false);
    const std::string text = ComponentTextOf(chart);
    const std::string sources = "DataSources = (\r\n      'B'\r\n      'C')";
    ASSERT_NE(text.find(sources), std::string::npos) << text;

    struct Case {
        const char* name;
        std::string from, to;
    } const cases[] = {
        {"B names A, which names B", "object B: TTestSeries\r\n",
         "object B: TTestSeries\r\n    DataSources = (\r\n      'A'\r\n      'C')\r\n"},
        {"C names itself", "object C: TTestSeries\r\n",
         "object C: TTestSeries\r\n    DataSources = (\r\n      'C'\r\n      'B')\r\n"},
    };
    for (const Case& k : cases) {
        std::string bad = text;
        const std::size_t at = bad.find(k.from);
        ASSERT_NE(at, std::string::npos) << k.name;
        bad.replace(at, k.from.size(), k.to);
        TTestChart target;
        EXPECT_EQ(ErrorOf([&] { ReadComponentText(target, bad); }), "Circular Series dependences are not allowed")
            << k.name << "\n" << bad;
        EXPECT_EQ(target.CountSeries(), 0) << k.name << ": nothing half-built";
        EXPECT_EQ(target.ComponentCount(), 0) << k.name;
    }
}

TEST_F(SeriesSourcesTest, ASeriesOffItsChartForgetsAFreedSource)
{
    // Off its chart a series no longer hears its sources; it must still not keep a freed one.
    TSourcesChart t;
    TTestSeries& source = t.Add("Source");
    TTestSeries& dependent = t.Add("Dependent");
    dependent.SetDataSource(&source);
    dependent.SetParentChart(nullptr);
    EXPECT_TRUE(source.GetLinkedSeries().empty());
    source.Free();
    EXPECT_EQ(dependent.DataSourceCount(), 0);
}

TEST_F(SeriesSourcesTest, CopiedPointsKeepColoursAndLabelsInStep)
{
    TSourcesChart t;
    TTestSeries& source = t.Add("Source");
    TTestSeries& dependent = t.Add("Dependent");
    source.AddPointXY(0, 1);
    source.AddPointXY(1, 2, "one");
    dependent.SetDataSource(&source);
    dependent.SetPointColor(0, 0x0000FF);
    dependent.SetPointLabel(1, "mine");
    source.AddPointXY(0.5, 3);
    EXPECT_EQ(Describe(dependent), "0:1 0.5:3 1:2 c=255,def,def l=,,mine");
    source.AddPointXY(2, 4, "two", 0x00FF00);
    EXPECT_EQ(Describe(dependent), "0:1 0.5:3 1:2 2:4 c=255,def,def,65280 l=,,mine,two");
}
