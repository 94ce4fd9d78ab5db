#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/DuvProcs.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/engine/RuRazaziLists.h"
#include "chart/engine/RuRazaziSelect.h"
#include "chart/graphics/RecordingCanvas.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentText.h"
#include "platform/core/ComponentWriter.h"
#include "platform/core/Streams.h"
#include "platform/ui/Printers.h"
#include "support_ChartEngine.h"
#include "support_TestSeries.h"

using enginetest::TTestSeries;

namespace {

// A series with a colour the chart may pick, a look to copy and data sources of its own.
class TPanelTestSeries : public TTestSeries {
    QB_CLASS(TPanelTestSeries, TTestSeries)
public:
    explicit TPanelTestSeries(TComponent* owner = nullptr) : TTestSeries(owner) {}
    ~TPanelTestSeries() override
    {
        if (ParentChart()) SetParentChart(nullptr);
    }
    void SetAutoColor(TColor color) override { SeriesColor = color; }
    void AssignFormat(const TCustomChartSeries* other) override
    {
        if (const auto* series = dynamic_cast<const TTestSeries*>(other)) SeriesColor = series->SeriesColor;
    }
    int DataSourceCount() const override { return static_cast<int>(sources.size()); }
    TComponent* DataSource(int i) const override { return sources[static_cast<std::size_t>(i)]; }
    bool CanUseAsSource(const TComponent* c) const override
    {
        return (dynamic_cast<const TCustomChartSeries*>(c) && c != this) || dynamic_cast<const TDuvSeriesSource*>(c);
    }
    void LoadFromSourceSeries(TCustomChartSeries* source) override { loadedFrom.push_back(source); }
    void RefreshWithoutSources() override { ++recalculated; }
    std::vector<TCustomChartSeries*> loadedFrom;
    int recalculated = 0;
    void AddDataSource(TComponent* source) override
    {
        if (CanUseAsSource(source)) sources.push_back(source);
    }
    void RemoveDataSource(TComponent* source) override
    {
        sources.erase(std::remove(sources.begin(), sources.end(), source), sources.end());
    }
    void AddedToChart() override { ++added; }
    void RemovedFromChart() override { ++removed; }
    std::vector<TComponent*> sources;
    int added = 0, removed = 0;
};

// Another class family, for the style template.
class TOtherSeries : public TPanelTestSeries {
    QB_CLASS(TOtherSeries, TPanelTestSeries)
public:
    explicit TOtherSeries(TComponent* owner = nullptr) : TPanelTestSeries(owner) {}
};

class TPanelTestTool : public TDuvCustomTool {
    QB_CLASS(TPanelTestTool, TDuvCustomTool)
public:
    explicit TPanelTestTool(TComponent* owner = nullptr) : TDuvCustomTool(owner) {}
};

// The drawing steps filled in as the chart will: a colour is free when no other series has it.
class TSmallChart : public TCustomAxisPanel {
    QB_CLASS(TSmallChart, TCustomAxisPanel)
public:
    explicit TSmallChart(TComponent* owner = nullptr) : TCustomAxisPanel(owner) {}
    bool IsFreeSeriesColor(TColor color, bool, TCustomChartSeries* series) override
    {
        for (TCustomChartSeries* other : SeriesList())
            if (other != series && other->GetSeriesColor() == color) return false;
        return true;
    }
    void AdjustChartRectFor3D() override {}
    int GetAxisWallSize(const TChartAxis*) override { return 0; }
    void DrawTitlesAndLegend(bool) override {}
    void DrawLegendSymbolRect(const TRect&) override {}
    void DrawWalls() override {}
    void DrawContents(const TRect&) override { DrawnPages.push_back(Pages()->Current()); }
    std::vector<int> DrawnPages;
};

// Every event the chart sends its listeners, as text.
class TEventLog : public IPanelEventListener {
public:
    std::function<void(TDuvEvent&)> Extra;
    std::vector<std::string> Events;
    void PanelEvent(TDuvEvent& event) override
    {
        if (auto* series = dynamic_cast<TDuvSeriesEvent*>(&event))
            Events.push_back("series " + enginetest::CodeText(series->Event));
        else if (dynamic_cast<TChartChangePage*>(&event))
            Events.push_back("page");
        if (Extra) Extra(event);
    }
};

// The chart's events, as methods (events bind to methods).
struct TEventTarget {
    std::vector<std::string> calls;
    int pageChanges = 0;
    TObject* pageSender = nullptr;
    bool refuse = false;
    void Added(TCustomChartSeries* s) { calls.push_back("add " + s->Name()); }
    void Removed(TCustomChartSeries* s) { calls.push_back("remove " + s->Name()); }
    void PageChanged(TObject* sender)
    {
        pageSender = sender;
        ++pageChanges;
    }
    void ValidSource(TCustomAxisPanel*, TCustomChartSeries*, TComponent*, bool& valid)
    {
        if (refuse) valid = false;
    }
};

class AxisPanelTest : public testing::Test {
protected:
    void SetUp() override
    {
        enginetest::StartChartModules();
        // Other suites install lookups of their own and take them away again.
        RuRazaziAxisInitialization();
        AxisPanelInitialization();
        for (const TClassInfo* info : {&TPanelTestSeries::StaticClass(), &TOtherSeries::StaticClass(),
                                       &TPanelTestTool::StaticClass(), &TSmallChart::StaticClass()})
            RegisterClassForStreaming(*info);
    }
};

// 0, 1, 2 .. count-1 as X with Y twice that.
void Fill(TTestSeries& series, int count, double start = 0)
{
    for (int i = 0; i < count; ++i) series.AddXY(start + i, 2 * (start + i));
}

std::string TextOf(TComponent& component)
{
    return enginetest::ComponentTextOf(component);
}

void ReadText(const std::string& form, TComponent& into)
{
    TMemoryStream text, binary;
    text.Write(form.data(), static_cast<std::int64_t>(form.size()));
    text.SetPosition(0);
    ObjectTextToBinary(text, binary);
    binary.SetPosition(0);
    ReadComponentFromStream(binary, &into);
}

TEST_F(AxisPanelTest, SeriesAndToolsJoinAndLeaveThroughTheirChart)
{
    TSmallChart chart;
    TEventLog log;
    chart.AddListener(&log);
    TEventTarget target;
    chart.OnAddSeries = TSeriesNotifyEvent(&target, &TEventTarget::Added);
    chart.OnRemoveSeries = TSeriesNotifyEvent(&target, &TEventTarget::Removed);
    TPanelTestSeries a, b;
    a.SetName("A");
    b.SetName("B");

    a.SetParentChart(&chart);
    chart.LinkSeries(&b);
    chart.LinkSeries(&b);  // listed already: nothing
    EXPECT_EQ(chart.CountSeries(), 2);
    EXPECT_EQ(b.ParentChart(), &chart);
    EXPECT_EQ(b.GetSeriesIndex(), 1);
    EXPECT_EQ(log.Events, (std::vector<std::string>{"series 0", "series 0"}));
    EXPECT_EQ(a.added, 1);

    log.Events.clear();
    a.SetParentChart(nullptr);
    EXPECT_EQ(log.Events, (std::vector<std::string>{"series 1", "series 7"}));
    EXPECT_EQ(a.removed, 1);
    EXPECT_EQ(chart.CountSeries(), 1);
    EXPECT_EQ(b.GetSeriesIndex(), 0);
    EXPECT_EQ(a.GetSeriesIndex(), -1);

    // A series moving to another chart leaves the first one.
    TSmallChart other;
    b.SetParentChart(&other);
    EXPECT_EQ(chart.CountSeries(), 0);
    EXPECT_EQ(other.CountSeries(), 1);
    EXPECT_EQ(target.calls, (std::vector<std::string>{"add A", "add B", "remove A", "remove B"}));

    // Tools and animations land in the chart's own lists.
    TPanelTestTool tool;
    tool.SetParentChart(&chart);
    EXPECT_EQ(chart.Tools()->IndexOf(&tool), 0);
    tool.SetParentChart(&other);
    EXPECT_EQ(chart.Tools()->Count(), 0);
    EXPECT_EQ(other.Tools()->IndexOf(&tool), 0);
    chart.RemoveListener(&log);
}

TEST_F(AxisPanelTest, AFreedSeriesOrToolLeavesAndAFreedChartLetsGo)
{
    TPanelTestSeries kept;
    TPanelTestTool tool;
    {
        TSmallChart chart;
        {
            TPanelTestSeries gone;
            gone.SetParentChart(&chart);
            kept.SetParentChart(&chart);
        }
        EXPECT_EQ(chart.CountSeries(), 1);
        tool.SetParentChart(&chart);
    }
    EXPECT_EQ(kept.ParentChart(), nullptr);
    EXPECT_EQ(tool.ParentChart(), nullptr);
    EXPECT_EQ(tool.ToolList(), nullptr);
}

class TAxisTestTool : public TDuvCustomToolAxis {
    QB_CLASS(TAxisTestTool, TDuvCustomToolAxis)
public:
    explicit TAxisTestTool(TComponent* owner = nullptr) : TDuvCustomToolAxis(owner) {}
    void HandleChartEvent(TChartEventCode code) override { codes.push_back(code); }
    std::vector<TChartEventCode> codes;
};

TEST_F(AxisPanelTest, AxisToolsLetGoOfTheAxesOfAFreedChart)
{
    TAxisTestTool tool;
    {
        TSmallChart chart;
        tool.SetAxis(chart.LeftAxis());
        ASSERT_EQ(tool.ParentChart(), &chart);
        chart.MouseLeave();
        EXPECT_EQ(tool.codes, std::vector<TChartEventCode>{TChartEventCode::MouseLeave});
    }
    EXPECT_EQ(tool.Axis(), nullptr);
    EXPECT_EQ(tool.ParentChart(), nullptr);
}

struct RangeCase {
    const char* name;
    std::function<void(TSmallChart&, TPanelTestSeries&, TPanelTestSeries&)> setUp;
    bool horizontal;
    double minimum, maximum;
};

TEST_F(AxisPanelTest, AutomaticRangesFollowTheActiveSeriesAndThePage)
{
    const RangeCase cases[] = {
        {"no series", [](TSmallChart& c, TPanelTestSeries& a, TPanelTestSeries& b) {
             a.SetParentChart(nullptr);
             b.SetParentChart(nullptr);
             (void)c;
         }, true, 0, 0},
        {"both active", [](TSmallChart&, TPanelTestSeries&, TPanelTestSeries&) {}, true, 0, 30},
        {"both active, vertical", [](TSmallChart&, TPanelTestSeries&, TPanelTestSeries&) {}, false, 0, 60},
        {"one inactive", [](TSmallChart&, TPanelTestSeries&, TPanelTestSeries& b) { b.SetActive(false); }, true, 0, 24},
        {"all inactive still scale", [](TSmallChart&, TPanelTestSeries& a, TPanelTestSeries& b) {
             a.SetActive(false);
             b.SetActive(false);
         }, true, 0, 30},
        {"series on the top axis do not count", [](TSmallChart&, TPanelTestSeries&, TPanelTestSeries& b) {
             b.SetHorizAxis(aTopAxis);
         }, true, 0, 24},
        {"page 3 of 10 points", [](TSmallChart& c, TPanelTestSeries&, TPanelTestSeries& b) {
             b.SetParentChart(nullptr);
             c.Pages()->SetMaxPointsPerPage(10);
             c.Pages()->SetCurrent(3);
         }, true, 20, 24},
        {"page 3, last page scaled as a full one", [](TSmallChart& c, TPanelTestSeries&, TPanelTestSeries& b) {
             b.SetParentChart(nullptr);
             c.Pages()->SetMaxPointsPerPage(10);
             c.Pages()->SetScaleLastPage(false);
             c.Pages()->SetCurrent(3);
         }, true, 20, 28},
        {"page 2, values of the page only", [](TSmallChart& c, TPanelTestSeries&, TPanelTestSeries& b) {
             b.SetParentChart(nullptr);
             c.Pages()->SetMaxPointsPerPage(10);
             c.Pages()->SetAutoScale(true);
             c.Pages()->SetCurrent(2);
         }, false, 20, 38},
    };
    for (const RangeCase& c : cases) {
        SCOPED_TRACE(c.name);
        TSmallChart chart;
        TPanelTestSeries a, b;
        Fill(a, 25);
        Fill(b, 6, 25);
        a.SetParentChart(&chart);
        b.SetParentChart(&chart);
        c.setUp(chart, a, b);
        TChartAxis* axis = c.horizontal ? chart.BottomAxis() : chart.LeftAxis();
        EXPECT_DOUBLE_EQ(c.horizontal ? chart.LowestXValue(axis) : chart.LowestYValue(axis), c.minimum);
        EXPECT_DOUBLE_EQ(c.horizontal ? chart.HighestXValue(axis) : chart.HighestYValue(axis), c.maximum);
    }
}

TEST_F(AxisPanelTest, PagesCountAndTellOnlyRealChanges)
{
    TSmallChart chart;
    TPanelTestSeries series;
    Fill(series, 25);
    series.SetParentChart(&chart);
    EXPECT_EQ(chart.Pages()->Count(), 1);
    TEventLog log;
    chart.AddListener(&log);
    TEventTarget target;
    chart.OnPageChange = TNotifyEvent(&target, &TEventTarget::PageChanged);
    chart.Pages()->SetMaxPointsPerPage(10);
    EXPECT_EQ(chart.Pages()->Count(), 3);
    EXPECT_EQ(chart.GetPageCount(), 3);

    const struct {
        int set, current, changes;
    } steps[] = {{9, 3, 1}, {3, 3, 1}, {0, 1, 2}, {2, 2, 3}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.set);
        chart.Pages()->SetCurrent(step.set);
        EXPECT_EQ(chart.Pages()->Current(), step.current);
        EXPECT_EQ(target.pageChanges, step.changes);
    }
    chart.Pages()->Next();
    chart.Pages()->Next();
    EXPECT_EQ(chart.Pages()->Current(), 3);
    chart.Pages()->Previous();
    EXPECT_EQ(chart.Pages()->Current(), 2);
    EXPECT_EQ(chart.Pages()->FirstValueIndex(), 10);
    EXPECT_EQ(target.pageSender, chart.Pages());
    EXPECT_EQ(std::count(log.Events.begin(), log.Events.end(), "page"), 1 + target.pageChanges);

    // Fewer pages bring the current one down.
    chart.Pages()->SetCurrent(3);
    chart.Pages()->SetMaxPointsPerPage(20);
    EXPECT_EQ(chart.Pages()->Current(), 2);
    try {
        chart.Pages()->SetMaxPointsPerPage(-1);
        ADD_FAILURE() << "a negative page size was taken";
    } catch (const ChartException& e) {
        EXPECT_EQ(e.Message(), "MaxPointsPerPage must be >= 0");
    }
    EXPECT_EQ(chart.Pages()->MaxPointsPerPage(), 20);
    chart.RemoveListener(&log);
}

TEST_F(AxisPanelTest, Chart3DPercentOutsideItsRangeIsRefused)
{
    TSmallChart chart;
    for (int bad : {0, 101, -5}) {
        SCOPED_TRACE(bad);
        try {
            chart.SetChart3DPercent(bad);
            ADD_FAILURE() << "taken";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message(), "3D effect percent must be between 1 and 100");
        }
        EXPECT_EQ(chart.Chart3DPercent(), 15);
    }
    chart.SetChart3DPercent(100);
    EXPECT_EQ(chart.Chart3DPercent(), 100);
}

TEST_F(AxisPanelTest, DepthSizesFollowViewPercentAndSlots)
{
    const struct {
        const char* name;
        bool view3D, orthogonal, zOrder;
        int maxZ, seriesWidth, seriesHeight, depthWidth, depthHeight;
    } cases[] = {
        {"2D", false, true, true, 2, 0, 0, 0, 0},
        {"orthogonal, three slots", true, true, true, 2, 6, 6, 18, 18},
        {"one shared slot", true, true, false, 2, 6, 6, 6, 6},
        {"not orthogonal doubles", true, false, true, 0, 12, 12, 12, 12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TSmallChart chart;
        chart.SetView3D(c.view3D);
        chart.View3DOptions().SetOrthogonal(c.orthogonal);
        chart.ZOrderEnabled = c.zOrder;
        chart.MaxZOrder = c.maxZ;
        chart.ChartWidth = 400;
        chart.CalcSize3D();
        EXPECT_EQ(chart.SeriesDepthWidth, c.seriesWidth);
        EXPECT_EQ(chart.SeriesDepthHeight, c.seriesHeight);
        EXPECT_EQ(chart.DepthWidth, c.depthWidth);
        EXPECT_EQ(chart.DepthHeight, c.depthHeight);
    }
}

TEST_F(AxisPanelTest, ExchangingSeriesSwapsThemInTheirGroupToo)
{
    TComponent form(nullptr);
    TScopedComponent<TSmallChart> chart(&form);
    auto* a = new TPanelTestSeries(&form);
    auto* b = new TPanelTestSeries(&form);
    auto* c = new TPanelTestSeries(&form);
    for (TCustomChartSeries* s : {static_cast<TCustomChartSeries*>(a), static_cast<TCustomChartSeries*>(b), static_cast<TCustomChartSeries*>(c)})
        s->SetParentChart(&chart);
    TSeriesGroup* group = chart.SeriesList().AddGroup("pair");
    group->AddSeries(a);
    group->AddSeries(c);
    TEventLog log;
    chart.AddListener(&log);

    chart.ExchangeSeries(0, 2);
    EXPECT_EQ(chart.GetSeries(0), c);
    EXPECT_EQ(chart.GetSeries(2), a);
    EXPECT_EQ(group->Series().GetSeries(0), c);
    EXPECT_EQ(group->Series().GetSeries(1), a);
    EXPECT_LT(c->ComponentIndex(), a->ComponentIndex());
    EXPECT_EQ(log.Events, std::vector<std::string>{"series 4"});

    // A series outside the group leaves the group alone.
    chart.ExchangeSeries(0, 1);
    EXPECT_EQ(chart.GetSeries(0), b);
    EXPECT_EQ(group->Series().GetSeries(0), c);
    EXPECT_EQ(group->Series().GetSeries(1), a);
    chart.RemoveListener(&log);

    chart.RemoveAndFreeSeries(&TPanelTestSeries::StaticClass());
    EXPECT_EQ(chart.CountSeries(), 0);
    EXPECT_EQ(form.ComponentCount(), 1);
}

TEST_F(AxisPanelTest, NewSeriesTakeTheLookOfTheStyleTemplate)
{
    TSmallChart chart;
    auto style = MakeComponent<TSmallChart>();
    TOtherSeries otherModel;
    otherModel.SeriesColor = clGreen;
    TPanelTestSeries model;
    model.SeriesColor = clNavy;
    otherModel.SetParentChart(style.get());
    model.SetParentChart(style.get());
    chart.StyleTemplate = std::move(style);

    // TOtherSeries descends from TPanelTestSeries: the first of the family is the other model.
    TPanelTestSeries plain;
    plain.SeriesColor = clRed;
    plain.SetParentChart(&chart);
    EXPECT_EQ(plain.SeriesColor, clGreen);
    TTestSeries stranger;  // its class lends nothing: the base copies no look
    stranger.SetParentChart(&chart);
    EXPECT_EQ(stranger.SeriesColor, clRed);
    otherModel.SetParentChart(nullptr);
    model.SetParentChart(nullptr);
    plain.SetParentChart(nullptr);
    stranger.SetParentChart(nullptr);
}

TEST_F(AxisPanelTest, FirstUnusedColorTriesEveryPaletteEntry)
{
    TSmallChart chart;
    chart.CustomPalette = {clRed, clGreen, clBlue};
    std::vector<TComponentPtr<TPanelTestSeries>> series;
    for (TColor used : {clRed, clGreen, clYellow}) {
        series.push_back(MakeComponent<TPanelTestSeries>());
        series.back()->SeriesColor = used;
        series.back()->SetParentChart(&chart);
    }
    EXPECT_EQ(chart.FirstUnusedColor(true, nullptr), clBlue);
    // With every colour taken: the one at the series count (4 of 3 colours).
    series.push_back(MakeComponent<TPanelTestSeries>());
    series.back()->SeriesColor = clBlue;
    series.back()->SetParentChart(&chart);
    EXPECT_EQ(chart.FirstUnusedColor(true, nullptr), clGreen);

    EXPECT_EQ(chart.ColorFromPalette(4), clGreen);
    chart.CustomPalette.clear();
    EXPECT_EQ(chart.ColorFromPalette(4), DefaultPaletteColor(4));

    chart.CustomPalette = {clRed, clGreen, clBlue};
    series.back()->SeriesColor = clDefault;
    chart.ResolveDefaultColors();
    EXPECT_EQ(series.back()->SeriesColor, clBlue);
}

TEST_F(AxisPanelTest, CircularSourcesAreRefusedAndSourcesChecked)
{
    TSmallChart chart;
    TPanelTestSeries a, b, c;
    b.SetDataSource(&a);
    c.SetDataSource(&b);
    const struct {
        const char* name;
        TComponent* component;
        TCustomChartSeries* series;
        bool circular;
    } cases[] = {
        {"direct", &b, &c, true},
        {"through another series", &a, &c, true},
        {"unrelated", &c, &a, false},
        {"the other way", &c, &b, false},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        if (k.circular) {
            try {
                CheckCircularSource(k.component, k.series);
                ADD_FAILURE() << "not refused";
            } catch (const ChartException& e) {
                EXPECT_EQ(e.Message(), "Circular Series dependences are not allowed");
            }
        } else {
            EXPECT_NO_THROW(CheckCircularSource(k.component, k.series));
        }
    }
    // A loop that does not pass the component ends too.
    a.SetDataSource(&c);
    TPanelTestSeries outsider;
    EXPECT_NO_THROW(CheckCircularSource(&outsider, &c));

    EXPECT_TRUE(chart.IsValidDataSource(&a, &b));
    EXPECT_FALSE(chart.IsValidDataSource(&a, &a));
    TEventTarget target;
    target.refuse = true;
    chart.OnValidDataSource = TValidDataSourceEvent(&target, &TEventTarget::ValidSource);
    EXPECT_FALSE(chart.IsValidDataSource(&a, &b));
}

// A source that counts its loads and may refuse a chart.
class TCountingSource : public TDuvSeriesSource {
    QB_CLASS(TCountingSource, TDuvSeriesSource)
public:
    explicit TCountingSource(TComponent* owner = nullptr) : TDuvSeriesSource(owner) {}
    void LoadData() override { ++loads; }
    bool AcceptsChart(const TCustomAxisPanel*) const override { return accepts; }
    int loads = 0;
    bool accepts = true;
};

TEST_F(AxisPanelTest, RefreshingASeriesReloadsItFromItsSource)
{
    TSmallChart chart;
    TPanelTestSeries source, fed, alone;
    TCountingSource loader;
    fed.SetDataSource(&source);
    chart.RefreshSeriesData(&fed);
    EXPECT_EQ(fed.loadedFrom, std::vector<TCustomChartSeries*>{&source});

    TPanelTestSeries byLoader;
    loader.SetSeries(&byLoader);
    chart.RefreshSeriesData(&byLoader);
    EXPECT_EQ(loader.loads, 0);  // closed: nothing to load
    loader.SetActive(true);
    const int opened = loader.loads;
    chart.RefreshSeriesData(&byLoader);
    EXPECT_EQ(loader.loads, opened + 1);

    chart.RefreshSeriesData(&alone);
    EXPECT_EQ(alone.recalculated, 1);
    EXPECT_EQ(alone.GetPointCount(), 0);  // no samples outside design time

    // A source component is valid when it takes this chart; removing it lets the series go.
    EXPECT_TRUE(chart.IsValidDataSource(&byLoader, &loader));
    loader.accepts = false;
    EXPECT_FALSE(chart.IsValidDataSource(&byLoader, &loader));
    chart.RemovedDataSource(&byLoader, &loader);
    EXPECT_EQ(loader.Series(), nullptr);
}

TEST_F(AxisPanelTest, CountsOfActiveSeriesAndTheirAxes)
{
    TSmallChart chart;
    EXPECT_EQ(chart.LargestPointCount(), 0);
    EXPECT_TRUE(chart.ActiveSeriesUseAxis(chart.RightAxis(), true));
    TPanelTestSeries a, b;
    Fill(a, 4);
    Fill(b, 9);
    a.SetParentChart(&chart);
    b.SetParentChart(&chart);
    b.SetVertAxis(aRightAxis);
    b.SetActive(false);
    EXPECT_EQ(chart.CountActiveSeries(), 1);
    EXPECT_EQ(chart.LargestPointCount(), 4);
    EXPECT_TRUE(chart.ActiveSeriesUseAxis(chart.LeftAxis(), false));
    EXPECT_FALSE(chart.ActiveSeriesUseAxis(chart.RightAxis(), true));
    b.SetActive(true);
    EXPECT_TRUE(chart.ActiveSeriesUseAxis(chart.RightAxis(), false));
    EXPECT_EQ(chart.SeriesWithMostPoints(chart.BottomAxis()), &b);
    EXPECT_EQ(chart.FirstSeriesOfAxis(chart.RightAxis()), &b);
}

TEST_F(AxisPanelTest, AChartWithAxesAndGroupsReadsBackTheSame)
{
    TSmallChart chart;
    chart.SetName("Chart1");
    chart.SetChart3DPercent(30);
    chart.SetAxisBehind(false);
    chart.Pages()->SetMaxPointsPerPage(5);
    TChartAxis* custom = chart.CustomAxes()->AddAxis();
    custom->GetSubAxes()->AddAxis();
    auto* a = new TPanelTestSeries(&chart);
    a->SetName("SeriesA");
    auto* b = new TPanelTestSeries(&chart);
    b->SetName("SeriesB");
    Fill(*a, 3);
    a->SetParentChart(&chart);
    b->SetParentChart(&chart);
    auto* tool = new TPanelTestTool(&chart);
    tool->SetName("Tool1");
    tool->SetParentChart(&chart);
    chart.SeriesList().AddGroup("pair")->AddSeries(b);
    const std::string text = TextOf(chart);

    TSmallChart copy;
    ReadText(text, copy);
    EXPECT_EQ(TextOf(copy), text);
    ASSERT_EQ(copy.CountSeries(), 2);
    EXPECT_EQ(copy.GetSeries(1)->Name(), "SeriesB");
    ASSERT_EQ(copy.SeriesGroups()->Count(), 1);
    ASSERT_EQ(copy.SeriesGroups()->GetGroup(0)->Series().Count(), 1);
    EXPECT_EQ(copy.SeriesGroups()->GetGroup(0)->Series().GetSeries(0), copy.GetSeries(1));
    EXPECT_EQ(copy.Tools()->Count(), 1);
    EXPECT_EQ(copy.Chart3DPercent(), 30);

    // A stored page beyond the pages of the series read is brought down to the last one.
    std::string paged = text;
    const std::size_t at = paged.find("Pages.MaxPointsPerPage = 5");
    ASSERT_NE(at, std::string::npos) << text;
    paged.insert(at, "Pages.Current = 9\r\n  ");
    TSmallChart third;
    ReadText(paged, third);
    EXPECT_EQ(third.Pages()->Count(), 1);
    EXPECT_EQ(third.Pages()->Current(), 1);
}

TEST_F(AxisPanelTest, AGroupNamingASeriesThatIsNotThereIsAReadError)
{
    const struct {
        const char* name;
        const char* index;
    } cases[] = {{"past the end", "2"}, {"negative", "-1"}, {"not a number", "x1"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TSmallChart chart;
        chart.SetName("Chart1");
        auto* a = new TPanelTestSeries(&chart);
        a->SetName("SeriesA");
        a->SetParentChart(&chart);
        chart.SeriesList().AddGroup("pair")->AddSeries(a);
        std::string text = TextOf(chart);
        const std::string stored = "'0'";
        const std::size_t at = text.find(stored);
        ASSERT_NE(at, std::string::npos) << text;
        text.replace(at, stored.size(), std::string("'") + c.index + "'");
        TSmallChart copy;
        try {
            ReadText(text, copy);
            ADD_FAILURE() << "read without complaint";
        } catch (const EReadError& e) {
            EXPECT_NE(e.Message().find("pair"), std::string::npos) << e.Message();
            EXPECT_NE(e.Message().find(c.index), std::string::npos) << e.Message();
        }
    }
}

TEST_F(AxisPanelTest, PrintPageRangePrintsEachPageAsOneJob)
{
    TSmallChart chart;
    chart.SetName("Survey");
    chart.SetBounds(0, 0, 200, 100);
    TPanelTestSeries series;
    Fill(series, 25);
    series.SetParentChart(&chart);
    chart.Pages()->SetMaxPointsPerPage(10);
    chart.Pages()->SetCurrent(2);

    auto owned = std::make_unique<TRecordingPrinter>(800, 600);
    TRecordingPrinter* printer = owned.get();
    std::unique_ptr<TPrinter> previous = SetPrinter(std::move(owned));
    chart.PrintPageRange(0, 0);
    EXPECT_EQ(printer->Title, "Survey");
    EXPECT_EQ(printer->Steps, (std::vector<std::string>{"BeginDoc", "NewPage", "NewPage", "EndDoc"}));
    EXPECT_EQ(chart.DrawnPages, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(chart.Pages()->Current(), 2);

    // A failure on the way aborts the job and comes through.
    printer->Steps.clear();
    chart.DrawnPages.clear();
    TEventLog log;
    log.Extra = [&](TDuvEvent& event) {
        if (dynamic_cast<TChartChangePage*>(&event) && chart.Pages()->Current() == 3) throw Exception("paper jam");
    };
    chart.AddListener(&log);
    EXPECT_THROW(chart.PrintPageRange(2, 3), Exception);
    chart.RemoveListener(&log);
    ASSERT_FALSE(printer->Steps.empty());
    EXPECT_EQ(printer->Steps.front(), "BeginDoc");
    EXPECT_EQ(printer->Steps.back(), "Abort");
    EXPECT_EQ(chart.DrawnPages, std::vector<int>{2});
    SetPrinter(std::move(previous));
}

}  // namespace

namespace {

TEST(AxisPanelText, SingleLineTextJoinsLinesWithBlanks)
{
    const std::pair<std::string, std::string> cases[] = {
        {"plain", "plain"},
        {"a\r\nb", "a b"},
        {"a\n\rb\r\nc", "a b  c"},
        {"two\x06" "columns", "two columns"},
        {"a\rb\nc", "a b c"},
        {"", ""},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(SingleLineText(text), expected) << text;
}

TEST_F(AxisPanelTest, LegendHelpersCountTheSeriesThatShowInTheLegend)
{
    TSmallChart chart;
    TPanelTestSeries a, b, c;
    a.SetName("A");
    b.SetName("B");
    c.SetName("C");
    for (TPanelTestSeries* s : {&a, &b, &c}) s->SetParentChart(&chart);
    b.SetShowInLegend(false);
    c.SetActive(false);
    c.SetLegendTitle("Rain\r\nfall");
    EXPECT_EQ(chart.SeriesInLegend(0, false), &a);
    EXPECT_EQ(chart.SeriesInLegend(1, false), &c);
    EXPECT_EQ(chart.SeriesInLegend(2, false), nullptr);
    EXPECT_EQ(chart.ActiveSeriesInLegend(1), nullptr);
    EXPECT_EQ(chart.LegendSeriesTitle(0, false), "A");
    EXPECT_EQ(chart.LegendSeriesTitle(1, false), "Rain fall");
    EXPECT_EQ(chart.LegendSeriesTitle(5, false), "");

    a.AddXY(0, 1, "one\rthree");
    b.AddXY(0, 1, "eleven");
    auto canvas = std::make_unique<TRecordingCanvas>();
    chart.ReplaceCanvas(std::move(canvas), "TRecordingCanvas");
    EXPECT_EQ(chart.WidestSeriesLabel(), 6 * 7) << "each line on its own";
    EXPECT_EQ(SeriesDataContents(a), 4) << "X 0 needs no storing, the label does";
    a.AddXY(5, 1);
    EXPECT_EQ(SeriesDataContents(a), 5);
}

TEST_F(AxisPanelTest, DrawingEventsAndPlanesFacingTheViewer)
{
    TSmallChart chart;
    struct Target {
        std::vector<std::string> calls;
        void After(TObject*) { calls.push_back("after"); }
        void Axes(TObject*) { calls.push_back("axes"); }
        void Chart(TObject*) { calls.push_back("chart"); }
        void Series(TObject*) { calls.push_back("series"); }
    } target;
    chart.OnAfterDraw = {&target, &Target::After};
    chart.OnBeforeDrawAxes = {&target, &Target::Axes};
    chart.OnBeforeDrawChart = {&target, &Target::Chart};
    chart.OnBeforeDrawSeries = {&target, &Target::Series};
    chart.FireBeforeDrawChart();
    chart.FireBeforeDrawAxes();
    chart.FireBeforeDrawSeries();
    chart.FireAfterDraw();
    EXPECT_EQ(target.calls, (std::vector<std::string>{"chart", "axes", "series", "after"}));

    auto canvas = std::make_unique<TRecordingCanvas>();
    TRecordingCanvas& recording = *canvas;
    chart.ReplaceCanvas(std::move(canvas), "TRecordingCanvas");
    chart.ChartRect = {100, 50, 500, 350};
    recording.InitWindow(nullptr, &chart.View3DOptions(), clWhite, false, {0, 0, 600, 400});
    EXPECT_FALSE(chart.IsPlaneVisible(0)) << "a flat view sees every plane from the front";
}

TEST_F(AxisPanelTest, HoveringALabelMarksItOnItsAxis)
{
    TSmallChart chart;
    chart.ReplaceCanvas(std::make_unique<TRecordingCanvas>(), "TRecordingCanvas");
    chart.SetView3D(false);
    // A bottom axis at y 350 with its labels from y 354 down, one label "25" at x 200.
    TChartAxis& axis = *chart.BottomAxis();
    axis.AxisPos = 350;
    axis.LabelsPos = 354;
    axis.Items().Add("25", 25);
    axis.Items().Item(0)->LabelPos = 200;
    struct Case {
        int x, y, index;
    } const cases[] = {{200, 360, 0}, {194, 366, 0}, {200, 100, -1}, {209, 360, -1}, {200, 380, -1}};
    for (const Case& c : cases) {
        EXPECT_EQ(chart.HoverAxisLabels(c.x, c.y), c.index >= 0) << c.x << "," << c.y;
        EXPECT_EQ(axis.Items().GetSelected()->HoverIndex(), c.index) << c.x << "," << c.y;
    }
    chart.HoverAxisLabels(200, 360);
    chart.MouseLeave();
    EXPECT_EQ(axis.Items().GetSelected()->HoverIndex(), -1) << "leaving the chart un-hovers the label";
    chart.Hover()->SetVisible(false);
    EXPECT_FALSE(chart.HoverAxisLabels(200, 360)) << "the chart's hover is off";
}

}  // namespace

namespace {

TEST_F(AxisPanelTest, TheChartsLabelEventsReachEveryAxis)
{
    TSmallChart chart;
    chart.ReplaceCanvas(std::make_unique<TRecordingCanvas>(), "TRecordingCanvas");
    chart.ChartRect = {100, 50, 500, 350};
    struct Target {
        void Text(TChartAxis*, TCustomChartSeries*, int, std::string& text) { text = "<" + text + ">"; }
        void Next(TChartAxis*, int index, double& value, bool& stop)
        {
            value = index * 40;
            stop = index > 2;
        }
    } target;
    TChartAxis& axis = *chart.BottomAxis();
    axis.SetRange(0, 100);
    axis.SetIncrement(50);
    axis.Labels().SetStyle(talValue);
    axis.CurMinimum = 0;
    axis.CurMaximum = 100;
    axis.SelectPositionCalculators();
    axis.CalcPixelRange();
    const auto texts = [&] {
        std::vector<std::string> result;
        for (const TAxisLabelEntry& label : axis.CalcLabels()) result.push_back(label.Text);
        std::sort(result.begin(), result.end());
        return result;
    };
    const std::vector<std::string> plain = texts();
    ASSERT_FALSE(plain.empty());
    chart.OnGetAxisLabel = {&target, &Target::Text};
    std::vector<std::string> wrapped;
    for (const std::string& text : plain) wrapped.push_back("<" + text + ">");
    std::sort(wrapped.begin(), wrapped.end());
    EXPECT_EQ(texts(), wrapped);
    chart.OnGetNextAxisLabel = {&target, &Target::Next};
    const std::vector<std::string> given = texts();
    ASSERT_FALSE(given.empty());
    for (const std::string& text : given) EXPECT_TRUE(text == "<0>" || text == "<40>" || text == "<80>") << text;
    axis.OnGetAxisLabel = [](TChartAxis*, TCustomChartSeries*, int, std::string& text) { text += "!"; };
    for (const std::string& text : texts()) EXPECT_EQ(text.back(), '!') << "the axis' own handler comes first";
}

}  // namespace
