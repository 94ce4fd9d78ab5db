// Pairs of chart parts that point at each other: whichever goes, the other is left without a
// dangling pointer, and a handler that heard of it saw the going part whole.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <functional>
#include <memory>
#include <string>

#include "chart/engine/ChartLegend.h"
#include "chart/engine/RuRazaziLists.h"
#include "chart/output/DuvComma.h"
#include "chart/output/support_ChartGridTest.h"
#include "chart/output/widgets/ChartGrid.h"
#include "chart/output/widgets/DuvNavigator.h"
#include "chart/series/ChartSeriesCopy.h"

using namespace gridtest;

namespace {

// A tool that follows one series, like a cursor: it reads the series' title and its points
// (members of the series' own classes) when the series goes.
class TFollowTool : public TDuvCustomToolSeries {
    QB_CLASS(TFollowTool, TDuvCustomToolSeries)
public:
    explicit TFollowTool(TComponent* owner = nullptr) : TDuvCustomToolSeries(owner) {}
    std::string HeardTitle;
    int HeardPoints = -1;

protected:
    void Notification(TComponent* component, TOperation operation) override
    {
        if (operation == TOperation::opRemove && component == Series())
            if (auto* series = dynamic_cast<TChartSeries*>(Series())) {
                HeardTitle = series->Title();
                HeardPoints = series->PointCount();
            }
        TDuvCustomToolSeries::Notification(component, operation);
    }
};

TChartSeries* TitledSeries(TCustomAxisPanel* chart, TComponent* owner, const std::string& title)
{
    auto* series = new TChartSeries(owner);
    series->SetTitle(title);
    series->SetParentChart(chart);
    series->AddPointY(1);
    series->AddPointY(2);
    return series;
}

TFollowTool* ToolFollowing(TCustomAxisPanel* chart, TComponent* owner, TChartSeries* series)
{
    auto* tool = new TFollowTool(owner);
    tool->SetParentChart(chart);
    tool->SetSeries(series);
    return tool;
}

class ComponentLifetimeTest : public testing::Test {
protected:
    ComponentLifetimeTest() { StartGridModules(); }
};

}  // namespace

TEST_F(ComponentLifetimeTest, NoReferenceDanglesWhicheverPartGoes)
{
    struct Case {
        const char* name;
        // Builds the pair on the chart and returns the check that runs after one part went.
        std::function<std::function<void()>(TCustomAxisPanel& chart, TComponent& form)> run;
    };
    const Case cases[] = {
        {"tool and its series: the series goes",
         [](TCustomAxisPanel& chart, TComponent& form) -> std::function<void()> {
             TChartSeries* series = TitledSeries(&chart, &form, "Prices");
             TFollowTool* tool = ToolFollowing(&chart, &form, series);
             series->Free();
             return [tool] {
                 EXPECT_EQ(tool->Series(), nullptr);
                 EXPECT_EQ(tool->HeardTitle, "Prices");
                 EXPECT_EQ(tool->HeardPoints, 2);
             };
         }},
        {"tool and its series: the tool goes",
         [](TCustomAxisPanel& chart, TComponent& form) -> std::function<void()> {
             TChartSeries* series = TitledSeries(&chart, &form, "Prices");
             ToolFollowing(&chart, &form, series)->Free();
             return [series] { EXPECT_EQ(series->Title(), "Prices"); };
         }},
        {"legend and its series",
         [](TCustomAxisPanel& chart, TComponent& form) -> std::function<void()> {
             TChartSeries* series = TitledSeries(&chart, &form, "Legend");
             auto* legend = static_cast<TChart&>(chart).Legend();
             legend->SetSeries(series);
             series->Free();
             return [legend] { EXPECT_EQ(legend->Series(), nullptr); };
         }},
        {"toolbar and its panel",
         [](TCustomAxisPanel&, TComponent& form) -> std::function<void()> {
             auto* bar = new TDuvCommander(&form);
             auto* panel = new TChart(nullptr);
             bar->SetPanel(panel);
             panel->Free();
             return [bar] { EXPECT_EQ(bar->Panel(), nullptr); };
         }},
        {"navigator and its panel",
         [](TCustomAxisPanel&, TComponent&) -> std::function<void()> {
             auto navigator = std::make_shared<TChartGridNavigator>();
             auto* panel = new TChart(nullptr);
             navigator->SetPanel(panel);
             panel->Free();
             return [navigator] { EXPECT_EQ(navigator->Panel(), nullptr); };
         }},
        {"navigator and its grid",
         [](TCustomAxisPanel& chart, TComponent&) -> std::function<void()> {
             auto navigator = std::make_shared<TChartGridNavigator>();
             auto* grid = new TChartGrid;
             grid->SetChart(&chart);
             navigator->SetGrid(grid);
             delete grid;
             return [navigator] { EXPECT_EQ(navigator->Grid(), nullptr); };
         }},
        {"grid and its chart",
         [](TCustomAxisPanel&, TComponent&) -> std::function<void()> {
             auto grid = std::make_shared<TChartGrid>();
             auto* chart = new TChart(nullptr);
             TitledSeries(chart, chart, "Owned");
             grid->SetChart(chart);
             chart->Free();
             return [grid] {
                 EXPECT_EQ(grid->Model().Chart(), nullptr);
                 EXPECT_EQ(grid->Model().Series(), nullptr);
             };
         }},
        {"chart freed with tools linked to its series",
         [](TCustomAxisPanel&, TComponent& form) -> std::function<void()> {
             auto* chart = new TChart(nullptr);
             TFollowTool* tool = ToolFollowing(chart, &form, TitledSeries(chart, chart, "Owned"));
             chart->Free();
             return [tool] {
                 EXPECT_EQ(tool->Series(), nullptr);
                 EXPECT_EQ(tool->HeardTitle, "Owned");
                 EXPECT_EQ(tool->HeardPoints, 2);
                 EXPECT_EQ(tool->ParentChart(), nullptr);
             };
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TScopedComponent<TComponent> form(nullptr);
        TScopedComponent<TChart> chart(nullptr);
        const std::function<void()> check = c.run(chart, form);
        check();
    }
}

TEST_F(ComponentLifetimeTest, ClonedToolsFollowTheCopysSeries)
{
    TScopedComponent<TComponent> form(nullptr);
    auto* source = new TChart(&form);
    for (const char* title : {"One", "Two", "Three"}) TitledSeries(source, &form, title);
    TFollowTool* tool = ToolFollowing(source, &form, dynamic_cast<TChartSeries*>(source->GetSeries(1)));

    TScopedComponent<TComponent> copyOwner(nullptr);
    auto* copy = new TChart(&copyOwner);
    CloneChartContents(copy, source, &copyOwner, true);
    ASSERT_EQ(copy->Tools()->Count(), 1);
    auto* copiedTool = dynamic_cast<TFollowTool*>(copy->Tools()->GetTool(0));
    ASSERT_NE(copiedTool, nullptr);
    EXPECT_EQ(copiedTool->Series(), copy->GetSeries(1));
    EXPECT_NE(copiedTool->Series(), source->GetSeries(1));

    source->Free();
    FreeComponent(tool);
    EXPECT_EQ(copiedTool->Series(), copy->GetSeries(1));
    auto* series = dynamic_cast<TChartSeries*>(copiedTool->Series());
    ASSERT_NE(series, nullptr);
    EXPECT_EQ(series->Title(), "Two");
    EXPECT_EQ(series->PointCount(), 2);
    QImage image(200, 150, QImage::Format_RGB32);
    QPainter painter(&image);
    copy->DrawToCanvas(&painter, TRect(0, 0, 200, 150));
}
