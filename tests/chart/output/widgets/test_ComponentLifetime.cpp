// Pairs of chart parts that point at each other: whichever goes, the other is left without a
// dangling pointer, and a handler that heard of it saw the going part whole.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <functional>
#include <memory>
#include <string>

#include "chart/engine/ChartLegend.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/engine/RuRazaziLists.h"
#include "chart/output/DBChart.h"
#include "chart/output/DuvComma.h"
#include "chart/output/support_ChartGridTest.h"
#include "chart/output/widgets/ChartGrid.h"
#include "chart/output/widgets/DuvNavigator.h"
#include "chart/series/ChartSeriesCopy.h"
#include "chart/series/DuvFunci.h"
#include "platform/db/Table.h"
#include "support/TestSupport.h"

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

// A source a series reads from, with a member of its own class.
class TOriginSource : public TDuvSeriesSource {
    QB_CLASS(TOriginSource, TDuvSeriesSource)
public:
    explicit TOriginSource(TComponent* owner = nullptr) : TDuvSeriesSource(owner) {}
    std::string Origin = "survey";
};

// A series fed by others: it reads what the going source's own class holds.
class TFedSeries : public TChartSeries {
    QB_CLASS(TFedSeries, TChartSeries)
public:
    explicit TFedSeries(TComponent* owner = nullptr) : TChartSeries(owner) {}
    std::string HeardTitle, HeardOrigin;
    int HeardPoints = -1;

protected:
    void Notification(TComponent* component, TOperation operation) override
    {
        if (operation == TOperation::opRemove && PeekDataSources() && PeekDataSources()->IndexOf(component) >= 0) {
            if (auto* series = dynamic_cast<TChartSeries*>(component)) {
                HeardTitle = series->Title();
                HeardPoints = series->PointCount();
            }
            if (auto* source = dynamic_cast<TOriginSource*>(component)) HeardOrigin = source->Origin;
        }
        TChartSeries::Notification(component, operation);
    }
};

class TAxisFollowTool : public TDuvCustomToolAxis {
    QB_CLASS(TAxisFollowTool, TDuvCustomToolAxis)
public:
    explicit TAxisFollowTool(TComponent* owner = nullptr) : TDuvCustomToolAxis(owner) {}
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

TFedSeries* SumOf(TCustomAxisPanel* chart, TComponent* owner, TChartSeries* source)
{
    auto* sum = new TFedSeries(owner);
    sum->SetParentChart(chart);
    sum->SetFunction(new TAddDuvFunction(owner));
    sum->SetDataSource(source);
    return sum;
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
        {"function and its source series: the source goes",
         [](TCustomAxisPanel& chart, TComponent& form) -> std::function<void()> {
             TChartSeries* source = TitledSeries(&chart, &form, "Sales");
             TFedSeries* sum = SumOf(&chart, &form, source);
             TDuvFunction* function = sum->Function();
             EXPECT_EQ(sum->PointCount(), 1);
             source->Free();
             return [sum, function] {
                 EXPECT_EQ(sum->DataSourceCount(), 0);
                 EXPECT_EQ(sum->Function(), function);
                 EXPECT_EQ(sum->HeardTitle, "Sales");
                 EXPECT_EQ(sum->HeardPoints, 2);
             };
         }},
        {"function and its source series: the function's series goes",
         [](TCustomAxisPanel& chart, TComponent& form) -> std::function<void()> {
             TChartSeries* source = TitledSeries(&chart, &form, "Sales");
             SumOf(&chart, &form, source)->Free();
             return [source] {
                 EXPECT_TRUE(source->GetLinkedSeries().empty());
                 EXPECT_EQ(source->PointCount(), 2);
             };
         }},
        {"series and its data source: the source goes",
         [](TCustomAxisPanel& chart, TComponent& form) -> std::function<void()> {
             auto* series = new TFedSeries(&form);
             series->SetParentChart(&chart);
             auto* source = new TOriginSource(&form);
             source->SetSeries(series);
             EXPECT_EQ(series->DataSource(), source);
             source->Free();
             return [series] {
                 EXPECT_EQ(series->DataSourceCount(), 0);
                 EXPECT_EQ(series->HeardOrigin, "survey");
             };
         }},
        {"series and its data source: the series goes",
         [](TCustomAxisPanel& chart, TComponent& form) -> std::function<void()> {
             auto* series = new TFedSeries(&form);
             series->SetParentChart(&chart);
             auto* source = new TOriginSource(&form);
             source->SetSeries(series);
             series->Free();
             return [source] { EXPECT_EQ(source->Series(), nullptr); };
         }},
        {"axis tool and a custom axis: the axis goes",
         [](TCustomAxisPanel& chart, TComponent& form) -> std::function<void()> {
             TChartAxis::CreateInChart(&chart);
             auto* tool = new TAxisFollowTool(&form);
             tool->SetAxis(chart.CustomAxes()->GetAxis(0));
             EXPECT_EQ(tool->ParentChart(), &chart);
             chart.CustomAxes()->Delete(0);
             return [tool, &chart] {
                 EXPECT_EQ(tool->Axis(), nullptr);
                 EXPECT_EQ(tool->ParentChart(), &chart);
             };
         }},
        {"axis tool moved to another chart: the old chart's axis goes",
         [](TCustomAxisPanel& chart, TComponent& form) -> std::function<void()> {
             auto* tool = new TAxisFollowTool(&form);
             tool->SetAxis(TChartAxis::CreateInChart(&chart));
             auto* other = new TChart(&form);
             tool->SetParentChart(other);
             chart.CustomAxes()->Delete(0);
             return [tool, other] {
                 EXPECT_EQ(tool->Axis(), nullptr);
                 EXPECT_EQ(tool->ParentChart(), other);
             };
         }},
        {"axis tool copied onto another chart: the first chart goes",
         [](TCustomAxisPanel& chart, TComponent& form) -> std::function<void()> {
             auto* first = new TChart(nullptr);
             auto* tool = new TAxisFollowTool(&form);
             tool->SetAxis(first->RightAxis());
             auto* copy = new TAxisFollowTool(&form);
             copy->SetParentChart(&chart);
             copy->Assign(tool);
             first->Free();
             return [tool, copy, &chart] {
                 EXPECT_EQ(tool->Axis(), nullptr);
                 EXPECT_EQ(copy->Axis(), chart.RightAxis());
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
    auto* axisTool = new TAxisFollowTool(&form);
    axisTool->SetAxis(source->RightAxis());

    TScopedComponent<TComponent> copyOwner(nullptr);
    auto* copy = new TChart(&copyOwner);
    CloneChartContents(copy, source, &copyOwner, true);
    ASSERT_EQ(copy->Tools()->Count(), 2);
    auto* copiedAxisTool = dynamic_cast<TAxisFollowTool*>(copy->Tools()->GetTool(1));
    ASSERT_NE(copiedAxisTool, nullptr);
    EXPECT_EQ(copiedAxisTool->Axis(), copy->RightAxis());
    auto* copiedTool = dynamic_cast<TFollowTool*>(copy->Tools()->GetTool(0));
    ASSERT_NE(copiedTool, nullptr);
    EXPECT_EQ(copiedTool->Series(), copy->GetSeries(1));
    EXPECT_NE(copiedTool->Series(), source->GetSeries(1));

    source->Free();
    FreeComponent(tool);
    EXPECT_EQ(copiedTool->Series(), copy->GetSeries(1));
    EXPECT_EQ(copiedAxisTool->Axis(), copy->RightAxis());
    EXPECT_EQ(axisTool->Axis(), nullptr);
    auto* series = dynamic_cast<TChartSeries*>(copiedTool->Series());
    ASSERT_NE(series, nullptr);
    EXPECT_EQ(series->Title(), "Two");
    EXPECT_EQ(series->PointCount(), 2);
    QImage image(200, 150, QImage::Format_RGB32);
    QPainter painter(&image);
    copy->DrawToCanvas(&painter, TRect(0, 0, 200, 150));
}

// Datasets and data sources are no components: the database layer's own links clear the DB
// chart's bindings, and the chart hears the dataset close while the dataset is still whole.
TEST_F(ComponentLifetimeTest, DBChartBindingsForgetTheirDatasetAndDataSource)
{
    struct Case {
        const char* name;
        bool dataSetGoes;  // else the data source goes
    };
    for (const Case c : {Case{"the dataset goes", true}, Case{"the data source goes", false}}) {
        SCOPED_TRACE(c.name);
        qbtest::TempDir dir;
        auto table = std::make_unique<TTable>();
        table->SetTableName(dir.file("sales.dbf"));
        table->FieldDefs().Add("AMOUNT", ftFloat, 2).Precision = 10;
        table->CreateTable();
        table->Open();
        for (double amount : {10.0, 20.0, 5.0}) {
            table->Append();
            table->FieldByName("AMOUNT").SetAsFloat(amount);
            table->Post();
        }
        table->First();
        auto source = std::make_unique<TDataSource>();
        source->SetDataSet(table.get());

        TScopedComponent<TComponent> form(nullptr);
        TScopedComponent<TDBChart> chart(nullptr);
        auto* direct = new TDataSetComponent(&form, table.get());
        auto* through = new TDataSourceComponent(&form, source.get());
        auto* all = new TChartSeries(&form);
        auto* current = new TChartSeries(&form);
        for (TChartSeries* series : {all, current}) {
            series->SetParentChart(&chart);
            series->YValues()->SetValueSource("AMOUNT");
        }
        all->SetDataSource(direct);
        current->SetDataSource(through);
        chart.RefreshDataSet(table.get(), nullptr);
        ASSERT_EQ(all->PointCount(), 3);
        ASSERT_EQ(current->PointCount(), 1);

        if (c.dataSetGoes) {
            table.reset();
            EXPECT_EQ(direct->DataSet(), nullptr);
            EXPECT_EQ(source->DataSet(), nullptr);
            // The chart cleared the series bound to every record while the table said it closed.
            EXPECT_EQ(all->PointCount(), 0);
        } else {
            source.reset();
            EXPECT_EQ(through->DataSource(), nullptr);
            EXPECT_EQ(direct->DataSet(), table.get());
        }
        EXPECT_EQ(TCustomDBChart::BoundDataSet(current), nullptr);
        for (int i = 0; c.dataSetGoes && i < chart.DataSourceCount(); ++i)
            EXPECT_EQ(chart.RegisteredDataSource(i)->DataSet(), nullptr);
        // Refills and the refresh timer find nothing freed.
        chart.RefreshSeriesData(all);
        chart.RefreshSeriesData(current);
        chart.RefreshTimerTick();
    }
}
