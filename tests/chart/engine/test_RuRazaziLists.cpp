#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/engine/RuRazaziLists.h"
#include "platform/core/ClassRegistry.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentText.h"
#include "platform/core/ComponentWriter.h"
#include "platform/core/Streams.h"
#include "support_ChartEngine.h"
#include "support_TestSeries.h"

using enginetest::TCountingWindow;
using enginetest::TTestSeries;

namespace {

using CountedChart = enginetest::TCountedChart;

// A chart's axes by position.
struct TChartAxesOf {
    TCustomAxisPanel* chart;
    TChartAxis* operator[](int i) const { return chart->AxesList().GetAxis(i); }
};

// Two charts, each with its tool and animation lists and its own axes.
class ListsTest : public testing::Test {
protected:
    void SetUp() override { enginetest::StartChartModules(); }

    CountedChart charts[2];
    TChartTools* toolLists[2] = {charts[0].chart.Tools(), charts[1].chart.Tools()};
    TChartAnimations* animationLists[2] = {charts[0].chart.Animations(), charts[1].chart.Animations()};
    TChartAxesOf axes[2] = {{&charts[0].chart}, {&charts[1].chart}};
};

std::string ComponentTextOf(TComponent& component)
{
    return enginetest::ComponentTextOf(component);
}

void ReadComponentText(TComponent& component, const std::string& lines)
{
    enginetest::ReadComponentText(component, lines);
}

// ---------------------------------------------------------------- series lists

struct AtPixelCase {
    const char* name;
    bool firstActive, secondActive;
    int x, y;
    int expectedSeries;  // 0 first, 1 second, -1 none
    int expectedIndex;
};

TEST_F(ListsTest, SeriesAtPixelAnswersTheActiveSeriesDrawnLast)
{
    // The first series has points at (10,10) and (50,50); the second at (10,10), (30,30), (52,52).
    const AtPixelCase cases[] = {
        {"both have a point there: the later wins", true, true, 10, 10, 1, 0},
        {"the later is inactive", true, false, 11, 9, 0, 0},
        {"overlapping points at other indexes", true, true, 50, 51, 1, 2},
        {"only the earlier has a point there", true, true, 47, 47, 0, 1},
        {"nothing under the pixel", true, true, 200, 200, -1, -1},
        {"both inactive", false, false, 10, 10, -1, -1},
    };
    for (const AtPixelCase& c : cases) {
        SCOPED_TRACE(c.name);
        TTestSeries first, second;
        first.AddXY(10, 10);
        first.AddXY(50, 50);
        second.AddXY(10, 10);
        second.AddXY(30, 30);
        second.AddXY(52, 52);
        first.SetActive(c.firstActive);
        second.SetActive(c.secondActive);
        TCustomSeriesList list;
        list.Add(&first);
        list.Add(&second);
        int index = 99;
        TCustomChartSeries* found = list.SeriesAtPixel(c.x, c.y, index);
        TCustomChartSeries* expected = c.expectedSeries < 0 ? nullptr : list.GetSeries(c.expectedSeries);
        EXPECT_EQ(found, expected);
        EXPECT_EQ(index, c.expectedIndex);
    }
}

TEST_F(ListsTest, AListSwitchesAndClearsAllItsSeries)
{
    TCustomSeriesList list;
    EXPECT_TRUE(list.AllActive()) << "an empty list";
    EXPECT_EQ(list.GetLastSeries(), nullptr);
    TTestSeries a, b;
    a.AddXY(1, 1);
    b.AddXY(2, 2);
    list.Add(&a);
    list.Add(&b);
    EXPECT_EQ(list.GetLastSeries(), &b);
    b.SetActive(false);
    EXPECT_FALSE(list.AllActive());
    list.SetAllActive(true);
    EXPECT_TRUE(a.Active() && b.Active());
    list.ClearAll();
    EXPECT_EQ(a.PointCount() + b.PointCount(), 0);

    std::vector<TCustomChartSeries*> walked;
    TSeriesEnumerator e = list.GetEnumerator();
    while (e.MoveNext()) walked.push_back(e.Current());
    EXPECT_EQ(walked, (std::vector<TCustomChartSeries*>{&a, &b}));
    EXPECT_FALSE(e.MoveNext()) << "stays at the end";
}

// ---------------------------------------------------------------- groups

struct GroupCase {
    const char* name;
    std::vector<bool> active;  // one entry per series of the group
    TSeriesGroupActive expected;
};

TEST_F(ListsTest, AGroupIsActiveWhenAllItsSeriesAreAndSwitchesThemTogether)
{
    const GroupCase cases[] = {
        {"empty", {}, gaNo},
        {"all active", {true, true}, gaYes},
        {"some active", {true, false}, gaSome},
        {"none active", {false, false}, gaNo},
    };
    for (const GroupCase& c : cases) {
        SCOPED_TRACE(c.name);
        TChartSeriesList list;
        TSeriesGroup* group = list.AddGroup("Rain");
        std::vector<TComponentPtr<TTestSeries>> series;
        for (bool active : c.active) {
            series.push_back(MakeComponent<TTestSeries>());
            series.back()->SetActive(active);
            group->AddSeries(series.back().get());
        }
        EXPECT_EQ(group->GetActive(), c.expected);
        group->SetActive(gaSome);
        EXPECT_EQ(group->GetActive(), c.expected) << "setting gaSome changes nothing";
        group->SetActive(gaYes);
        EXPECT_EQ(group->GetActive(), c.active.empty() ? gaNo : gaYes);
        group->DeactivateAll();
        for (const auto& s : series) EXPECT_FALSE(s->Active());
    }
}

TEST_F(ListsTest, GroupsAreNamedInOrderAndFindTheirSeries)
{
    TSeriesGroups groups(&charts[0].chart);
    TSeriesGroup* first = groups.Add();
    TSeriesGroup* second = groups.Add();
    EXPECT_EQ(first->Name, "Group1");
    EXPECT_EQ(second->Name, "Group2");
    EXPECT_EQ(first->Series().Owner, &charts[0].chart);
    TTestSeries a, b, c;
    second->AddSeries(&a);
    first->AddSeries(&b);
    second->AddSeries(&b);
    EXPECT_EQ(groups.GroupOfSeries(&a), 1);
    EXPECT_EQ(groups.GroupOfSeries(&b), 0) << "the first group that holds it";
    EXPECT_EQ(groups.GroupOfSeries(&c), -1);

    TSeriesGroups copy(nullptr);
    copy.Add()->Assign(second);
    EXPECT_EQ(copy.GetGroup(0)->Name, "Group2");
    EXPECT_EQ(copy.GetGroup(0)->Series().Count(), 2);
    EXPECT_EQ(copy.GetGroup(0)->Series().GetSeries(1), &b);
}

// A series that knows its place in a chart's series list.
class TListedSeries : public TTestSeries {
public:
    explicit TListedSeries(const TCustomSeriesList* list) : list_(list) {}
    int GetSeriesIndex() const override { return list_->IndexOf(this); }

private:
    const TCustomSeriesList* list_;
};

// Publishes groups the way a chart does.
class TGroupHolder : public TComponent {
    QB_CLASS(TGroupHolder, TComponent)
public:
    explicit TGroupHolder(TComponent* owner) : TComponent(owner) {}
    static void DeclareProperties(TPropertyDeclarer<TGroupHolder>& p)
    {
        p.Collection("SeriesGroups", &TGroupHolder::Groups);
    }
    TSeriesGroups* Groups() { return &groups; }
    TSeriesGroups groups{nullptr};
};

TEST_F(ListsTest, GroupsAreRebuiltFromTheStoredSeriesPositions)
{
    TChartSeriesList all;
    TScopedComponent<TListedSeries> s0(&all), s1(&all), s2(&all);
    for (TTestSeries* s : {&s0, &s1, &s2}) all.Add(s);
    TGroupHolder holder(nullptr);
    holder.SetName("Holder1");
    TSeriesGroup* group = holder.groups.Add();
    group->Name = "Wet";
    group->AddSeries(&s2);
    group->AddSeries(&s0);
    s0.SetActive(false);
    holder.groups.Add();  // empty: writes no series
    const std::string text = ComponentTextOf(holder);
    EXPECT_NE(text.find("Name = 'Wet'"), std::string::npos) << text;
    EXPECT_NE(text.find("Active = gaSome"), std::string::npos) << text;
    EXPECT_EQ(text.find("Series = ", text.find("Group2")), std::string::npos) << text;

    TGroupHolder copy(nullptr);
    ReadComponentText(copy, text);
    ASSERT_EQ(copy.groups.Count(), 2);
    EXPECT_EQ(copy.groups.GetGroup(0)->PendingSeries, (std::vector<std::string>{"2", "0"}));
    copy.groups.ResolvePendingSeries(all);
    const TCustomSeriesList& read = copy.groups.GetGroup(0)->Series();
    ASSERT_EQ(read.Count(), 2);
    EXPECT_EQ(read.GetSeries(0), &s2);
    EXPECT_EQ(read.GetSeries(1), &s0);
    EXPECT_TRUE(copy.groups.GetGroup(0)->PendingSeries.empty());
    EXPECT_EQ(copy.groups.GetGroup(1)->Name, "Group2");
    EXPECT_EQ(ComponentTextOf(copy), text);
}

TEST_F(ListsTest, StoredGroupPositionsThatNameNoSeriesAreDropped)
{
    TChartSeriesList all;
    TScopedComponent<TListedSeries> s0(&all), s1(&all);
    all.Add(&s0);
    all.Add(&s1);
    TSeriesGroup group(nullptr);
    group.PendingSeries = {"1", "2", "-1", "x", "1x", "", "0"};
    group.ResolvePendingSeries(all);
    ASSERT_EQ(group.Series().Count(), 2);
    EXPECT_EQ(group.Series().GetSeries(0), &s1);
    EXPECT_EQ(group.Series().GetSeries(1), &s0);
}

// ---------------------------------------------------------------- tools

// Records every slot call as text.
class TRecordingTool : public TDuvCustomTool {
public:
    explicit TRecordingTool(std::vector<std::string>* log, std::string name, TComponent* owner = nullptr)
        : TDuvCustomTool(owner), log_(log), name_(std::move(name))
    {
    }
    bool CancelMouse = false;
    void HandleChartEvent(TChartEventCode code) override { Note("chart " + enginetest::CodeText(code)); }
    TEventReply HandleMouseEvent(TMouseEventKind kind, TMouseButton, TShiftState, int x, int y) override
    {
        Note("mouse " + enginetest::CodeText(kind) + " " + std::to_string(x) + "," + std::to_string(y));
        return Reply();
    }
    void HandleDragEvent(TDragEventKind kind, TObject*, bool& accept, int, int) override
    {
        Note("drag " + enginetest::CodeText(kind));
        accept = true;
    }
    TEventReply HandleKeyEvent(TKeyEventKind kind, int& key, TShiftState, char&) override
    {
        Note("key " + enginetest::CodeText(kind) + " " + std::to_string(key));
        ++key;
        return TEventReply::PassOn;
    }
    void HandleSeriesEvent(TSeriesEventCode code, TCustomChartSeries*) override { Note("series " + enginetest::CodeText(code)); }
    TEventReply HandleMouseWheel(TWheelEventKind kind, int delta, int, int) override
    {
        Note("wheel " + enginetest::CodeText(kind) + " " + std::to_string(delta));
        return Reply();
    }

private:
    TEventReply Reply() const { return CancelMouse ? TEventReply::CancelChart : TEventReply::PassOn; }
    void Note(const std::string& text) { log_->push_back(name_ + ": " + text); }
    std::vector<std::string>* log_;
    std::string name_;
};

TEST_F(ListsTest, TheBaseToolsSlotsDoNothing)
{
    TDuvCustomTool tool(nullptr);
    int key = 65;
    char keyChar = 'a';
    bool accept = false;
    tool.HandleChartEvent(TChartEventCode::BeforeDraw);
    tool.HandleMouseEvent(TMouseEventKind::Down, mbLeft, {}, 1, 2);
    tool.HandleDragEvent(TDragEventKind::Drop, nullptr, accept, 1, 2);
    tool.HandleKeyEvent(TKeyEventKind::Press, key, {}, keyChar);
    tool.HandleSeriesEvent(TSeriesEventCode::BeforeDrawValues, nullptr);
    tool.HandleMouseWheel(TWheelEventKind::StepDown, 120, 1, 2);
    EXPECT_EQ(key, 65);
    EXPECT_EQ(keyChar, 'a');
    EXPECT_FALSE(accept);
    EXPECT_EQ(tool.GetDescription(), "");
    EXPECT_EQ(tool.GetSummary(), "");
}

struct DispatchCase {
    const char* name;
    std::function<void(const TChartTools&)> send;
    std::vector<std::string> expected;  // from tools A (active), B (inactive), C (active)
};

TEST_F(ListsTest, TheChartsEventsReachTheActiveToolsInListOrder)
{
    const DispatchCase cases[] = {
        {"before drawing", [](const TChartTools& t) { t.BroadcastChartEvent(TChartEventCode::BeforeDraw); }, {"A: chart 2", "C: chart 2"}},
        {"before the axes", [](const TChartTools& t) { t.BroadcastChartEvent(TChartEventCode::BeforeDrawAxes); }, {"A: chart 3", "C: chart 3"}},
        {"before the series", [](const TChartTools& t) { t.BroadcastChartEvent(TChartEventCode::BeforeDrawSeries); }, {"A: chart 1", "C: chart 1"}},
        {"after the series", [](const TChartTools& t) { t.BroadcastChartEvent(TChartEventCode::AfterDrawSeries); }, {"A: chart 4", "C: chart 4"}},
        {"after drawing", [](const TChartTools& t) { t.BroadcastChartEvent(TChartEventCode::AfterDraw); }, {"A: chart 0", "C: chart 0"}},
        {"mouse leaves", [](const TChartTools& t) { t.BroadcastChartEvent(TChartEventCode::MouseLeave); }, {"A: chart 5", "C: chart 5"}},
        {"mouse move", [](const TChartTools& t) { t.BroadcastMouseEvent(TMouseEventKind::Move, mbLeft, {}, 4, 5); },
         {"A: mouse 1 4,5", "C: mouse 1 4,5"}},
        {"drag over", [](const TChartTools& t) { bool accept = false; t.BroadcastDragEvent(TDragEventKind::DragOver, nullptr, accept, 0, 0); },
         {"A: drag 0", "C: drag 0"}},
        {"key down changes the key for the next tool",
         [](const TChartTools& t) {
             int key = 10;
             char c = 0;
             t.BroadcastKeyEvent(TKeyEventKind::Down, key, {}, c);
         },
         {"A: key 0 10", "C: key 0 11"}},
        {"wheel", [](const TChartTools& t) { t.BroadcastMouseWheel(TWheelEventKind::StepDown, -120, 3, 3); }, {"A: wheel 0 -120", "C: wheel 0 -120"}},
        {"after a series' values", [](const TChartTools& t) { t.BroadcastSeriesEvent(TSeriesEventCode::AfterDrawValues, nullptr); },
         {"A: series 4", "C: series 4"}},
    };
    for (const DispatchCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> log;
        TChartTools tools;
        TScopedComponent<TRecordingTool> a(&log, "A"), b(&log, "B"), t(&log, "C");
        b.SetActive(false);
        for (TDuvCustomTool* tool : {static_cast<TDuvCustomTool*>(&a), static_cast<TDuvCustomTool*>(&b),
                                     static_cast<TDuvCustomTool*>(&t)})
            tools.AddTool(tool);
        c.send(tools);
        EXPECT_EQ(log, c.expected);
    }
}

TEST_F(ListsTest, MouseAndWheelStopAtTheToolThatCancelsTheMouse)
{
    for (bool wheel : {false, true}) {
        SCOPED_TRACE(wheel ? "wheel" : "mouse");
        std::vector<std::string> log;
        TChartTools& tools = *toolLists[0];
        TScopedComponent<TRecordingTool> a(&log, "A"), b(&log, "B");
        tools.AddTool(&a);
        tools.AddTool(&b);
        a.CancelMouse = true;
        if (wheel)
            tools.BroadcastMouseWheel(TWheelEventKind::StepDown, 120, 0, 0);
        else
            tools.BroadcastMouseEvent(TMouseEventKind::Down, mbLeft, {}, 0, 0);
        EXPECT_EQ(log.size(), 1u);
        log.clear();
        tools.BroadcastChartEvent(TChartEventCode::AfterDraw);
        EXPECT_EQ(log.size(), 2u) << "chart stages go to every tool";
    }
}

TEST_F(ListsTest, ToolsJoinAndLeaveTheirChartsLists)
{
    TChartTools& tools = *toolLists[0];
    auto* created = tools.CreateTool(TDuvCustomTool::StaticClass());
    EXPECT_EQ(created->ParentChart(), &charts[0].chart);
    EXPECT_EQ(created->Owner(), &charts[0].chart);
    EXPECT_EQ(tools.IndexOf(created), 0);

    const int before = charts[0].Repaints();
    created->SetParentChart(&charts[1].chart);
    EXPECT_EQ(tools.Count(), 0);
    EXPECT_EQ(toolLists[1]->IndexOf(created), 0) << "joins the other chart's list";
    EXPECT_EQ(charts[0].Repaints(), before) << "moving to another chart is not a detach";

    const int beforeDetach = charts[1].Repaints();
    created->SetParentChart(nullptr);
    EXPECT_EQ(toolLists[1]->Count(), 0);
    EXPECT_GT(charts[1].Repaints(), beforeDetach) << "the chart it left repaints";

    std::vector<std::string> log;
    auto* animation = new TRecordingTool(&log, "X");
    tools.AddTool(animation);
    FreeComponent(animation);
    EXPECT_EQ(tools.Count(), 0) << "a freed tool leaves its list";
    FreeComponent(created);
}

TEST_F(ListsTest, AChartThatGoesTakesItsToolsOutOfTheLists)
{
    for (bool listFirst : {false, true}) {
        SCOPED_TRACE(listFirst ? "the list goes first" : "the chart goes first");
        auto* chart = new TCustomAxisPanel(nullptr);
        auto list = std::make_unique<TChartTools>(chart);
        list->CreateTool(TDuvCustomTool::StaticClass());
        list->CreateTool(TDuvCustomToolSeries::StaticClass());
        ASSERT_EQ(chart->ComponentCount(), 2);
        if (listFirst) list.reset();
        FreeComponent(chart);  // frees the tools it owns
        if (list) {
            EXPECT_EQ(list->Count(), 0);
        }
    }
}

class TTestAnimation : public TDuvCustomAnimation {
    QB_CLASS(TTestAnimation, TDuvCustomAnimation)
public:
    explicit TTestAnimation(TComponent* owner) : TDuvCustomAnimation(owner) {}
    std::string Description;
    std::string GetDescription() const override { return Description; }
    void Play() override {}
};

TEST_F(ListsTest, AnimationsJoinTheAnimationListAndNameThemselves)
{
    TTestAnimation animation(nullptr);
    animation.SetParentChart(&charts[0].chart);
    EXPECT_EQ(animationLists[0]->IndexOf(&animation), 0);
    EXPECT_EQ(animationLists[0]->GetAnimation(0), &animation);
    EXPECT_EQ(toolLists[0]->Count(), 0);

    EXPECT_EQ(animation.DescriptiveName(), "TTestAnimation");
    animation.Description = "Fade";
    EXPECT_EQ(animation.DescriptiveName(), "Fade");
    animation.SetName("Intro");
    EXPECT_EQ(animation.DescriptiveName(), "Intro");
}

TEST_F(ListsTest, ClearingAListFreesItsTools)
{
    std::vector<std::string> log;
    TChartTools tools;
    tools.AddTool(new TRecordingTool(&log, "A"));
    tools.AddTool(new TRecordingTool(&log, "B"));
    tools.Clear();
    EXPECT_EQ(tools.Count(), 0);
}

TEST_F(ListsTest, SeriesAndAxisToolsLetGoOfWhatIsFreed)
{
    TChartTools tools;
    TScopedComponent<TDuvCustomToolSeries> seriesTool(nullptr);
    TScopedComponent<TDuvCustomToolAxis> axisTool(nullptr);
    tools.AddTool(&seriesTool);
    tools.AddTool(&axisTool);
    {
        TScopedComponent<TTestSeries> series;
        seriesTool.SetSeries(&series);
        EXPECT_EQ(seriesTool.Series(), &series);
    }
    EXPECT_EQ(seriesTool.Series(), nullptr) << "the freed series' notification";

    TScopedComponent<TTestSeries> kept;
    seriesTool.SetSeries(&kept);
    tools.ForgetSeries(&kept);
    EXPECT_EQ(seriesTool.Series(), nullptr);

    axisTool.StoreAxis(axes[0][1]);
    tools.ForgetAxis(axes[0][0]);
    EXPECT_EQ(axisTool.Axis(), axes[0][1]) << "another axis";
    tools.ForgetAxis(axes[0][1]);
    EXPECT_EQ(axisTool.Axis(), nullptr);

    TScopedComponent<TDuvCustomToolSeries> copy(nullptr);
    seriesTool.SetSeries(&kept);
    seriesTool.SetActive(false);
    copy.Assign(&seriesTool);
    EXPECT_EQ(copy.Series(), &kept);
    EXPECT_FALSE(copy.Active());
}

TEST_F(ListsTest, AnAxisToolMovesToTheChartOfItsAxis)
{
    TDuvCustomToolAxis tool(nullptr);
    tool.SetAxis(axes[0][1]);
    EXPECT_EQ(tool.ParentChart(), &charts[0].chart);
    EXPECT_EQ(toolLists[0]->IndexOf(&tool), 0);
    const int before = charts[1].Repaints();
    tool.SetAxis(axes[1][2]);
    EXPECT_EQ(tool.ParentChart(), &charts[1].chart);
    EXPECT_EQ(toolLists[0]->Count(), 0);
    EXPECT_EQ(toolLists[1]->IndexOf(&tool), 0);
    EXPECT_GT(charts[1].Repaints(), before);
    tool.SetAxis(nullptr);
    EXPECT_EQ(tool.ParentChart(), nullptr);
    EXPECT_EQ(toolLists[1]->Count(), 0);
}

struct AxisIdCase {
    std::int64_t stored;
    int count;
    bool valid;
};

TEST_F(ListsTest, AStoredAxisPositionOutsideTheChartsAxesIsAReadError)
{
    const AxisIdCase cases[] = {{0, 2, true}, {1, 2, true}, {2, 2, false}, {-1, 2, false}, {7, 2, false},
                                {0, 0, false}, {4294967296LL, 2, false}};
    for (const AxisIdCase& c : cases) {
        SCOPED_TRACE(c.stored);
        if (c.valid) {
            EXPECT_EQ(CheckedAxisIndex(c.stored, c.count), c.stored);
            continue;
        }
        try {
            CheckedAxisIndex(c.stored, c.count);
            ADD_FAILURE() << "accepted";
        } catch (const EReadError& e) {
            EXPECT_NE(std::string(e.what()).find(std::to_string(c.stored)), std::string::npos) << e.what();
        }
    }

    // Read into a tool of a chart with two axes.
    for (const auto& [stored, axis] : {std::pair{"1", 1}, {"7", -1}, {"-3", -1}}) {
        SCOPED_TRACE(stored);
        TDuvCustomToolAxis tool(nullptr);
        tool.SetParentChart(&charts[0].chart);
        const std::string text = std::string("object Tool1: TDuvCustomToolAxis\r\n  AxisID = ") + stored + "\r\nend\r\n";
        if (axis >= 0) {
            ReadComponentText(tool, text);
            EXPECT_EQ(tool.Axis(), axes[0][axis]);
        } else {
            try {
                ReadComponentText(tool, text);
                ADD_FAILURE() << "read";
            } catch (const EReadError& e) {
                EXPECT_NE(std::string(e.what()).find(stored), std::string::npos) << e.what();
            }
            EXPECT_EQ(tool.Axis(), nullptr);
        }
    }

    TDuvCustomToolAxis free(nullptr);
    ReadComponentText(free, "object Tool1: TDuvCustomToolAxis\r\n  AxisID = 7\r\nend\r\n");
    EXPECT_EQ(free.Axis(), nullptr) << "without a chart the position is skipped";
}

// ---------------------------------------------------------------- streaming

struct ToolStreamCase {
    const char* name;
    std::function<TComponentPtr<TComponent>()> make;
    std::function<void(TComponent&)> change;
    std::vector<std::string> lines;
    std::function<void(TComponent&)> checkCopy;
};

TEST_F(ListsTest, ToolsAndSourcesStreamOnlyWhatChanged)
{
    const ToolStreamCase cases[] = {
        {"tool", [] { return MakeComponent<TDuvCustomTool>(nullptr); },
         [](TComponent& c) { static_cast<TDuvCustomTool&>(c).SetActive(false); }, {"Active = False"},
         [](TComponent& c) { EXPECT_FALSE(static_cast<TDuvCustomTool&>(c).Active()); }},
        {"series tool", [] { return MakeComponent<TDuvCustomToolSeries>(nullptr); },
         [](TComponent& c) { static_cast<TDuvCustomTool&>(c).ShowInEditor = false; }, {"ShowInEditor = False"},
         [](TComponent& c) { EXPECT_FALSE(static_cast<TDuvCustomTool&>(c).ShowInEditor); }},
        {"axis tool",
         [this] {
             auto tool = MakeComponent<TDuvCustomToolAxis>(nullptr);
             tool->SetParentChart(&charts[1].chart);
             return tool;
         },
         [this](TComponent& c) { static_cast<TDuvCustomToolAxis&>(c).SetAxis(axes[1][2]); }, {"AxisID = 2"},
         [this](TComponent& c) { EXPECT_EQ(static_cast<TDuvCustomToolAxis&>(c).Axis(), axes[1][2]); }},
        {"animation", [] { return MakeComponent<TTestAnimation>(nullptr); },
         [](TComponent& c) { static_cast<TDuvCustomTool&>(c).SetActive(false); }, {"Active = False"},
         [](TComponent& c) { EXPECT_FALSE(static_cast<TDuvCustomTool&>(c).Active()); }},
        {"series source", [] { return MakeComponent<TDuvSeriesSource>(nullptr); }, [](TComponent& c) { c.SetTag(3); },
         {"Tag = 3"}, [](TComponent& c) { EXPECT_EQ(c.Tag(), 3); }},
    };
    for (const ToolStreamCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto component = c.make();
        component->SetName("Tool1");
        EXPECT_EQ(ComponentTextOf(*component), "object Tool1: " + component->ClassName() + "\r\nend\r\n");
        c.change(*component);
        const std::string changed = ComponentTextOf(*component);
        for (const std::string& line : c.lines)
            EXPECT_NE(changed.find("  " + line + "\r\n"), std::string::npos) << line << "\n" << changed;
        auto copy = c.make();
        ReadComponentText(*copy, changed);
        c.checkCopy(*copy);
        EXPECT_EQ(ComponentTextOf(*copy), changed);
    }
}

// ---------------------------------------------------------------- series sources

// A series that keeps the components offered as its sources.
class TSourcedSeries : public TTestSeries {
public:
    std::vector<TComponent*> Sources;
    int DataSourceCount() const override { return static_cast<int>(Sources.size()); }
    TComponent* DataSource(int index) const override { return Sources[static_cast<std::size_t>(index)]; }
    void AddDataSource(TComponent* source) override { Sources.assign(1, source); }
    void RemoveDataSource(TComponent* source) override { std::erase(Sources, source); }
};

class TCountingSource : public TDuvSeriesSource {
    QB_CLASS(TCountingSource, TDuvSeriesSource)
public:
    explicit TCountingSource(TComponent* owner) : TDuvSeriesSource(owner) {}
    int Loads = 0;
    void LoadData() override
    {
        ++Loads;
        static_cast<TTestSeries*>(Series())->AddXY(1, 2);
    }
};

TEST_F(ListsTest, ASeriesSourceFillsItsSeriesWhileOpen)
{
    auto series = MakeComponent<TSourcedSeries>();
    TCountingSource source(nullptr);
    source.SetSeries(series.get());
    EXPECT_EQ(series->Sources, (std::vector<TComponent*>{&source}));
    EXPECT_TRUE(source.IsSourceOf(series.get()));
    EXPECT_FALSE(TDuvSeriesSource(nullptr).IsSourceOf(series.get())) << "another class";

    source.Open();
    EXPECT_EQ(source.Loads, 1);
    EXPECT_EQ(series->PointCount(), 1);
    source.RefreshIfActive();
    EXPECT_EQ(source.Loads, 2);
    source.Close();
    EXPECT_FALSE(source.Active());
    EXPECT_EQ(series->PointCount(), 0) << "closing clears the series";
    source.RefreshIfActive();
    EXPECT_EQ(source.Loads, 2);

    source.Open();
    series.reset();
    EXPECT_EQ(source.Series(), nullptr) << "the freed series is let go";
    EXPECT_FALSE(source.Active());
    source.Open();  // without a series nothing loads
    EXPECT_EQ(source.Loads, 3);

    TSourcedSeries other;
    auto* owned = new TCountingSource(nullptr);
    owned->SetSeries(&other);
    FreeComponent(owned);
    EXPECT_TRUE(other.Sources.empty()) << "a freed source leaves its series";
}

}  // namespace
