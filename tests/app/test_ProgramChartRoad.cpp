// The chart road of a new user, offscreen in the program's fonts: records in the survey, the
// table window with its graph strip, the frequency graph, its chart properties dialog and every
// window that dialog opens. Each window fits its texts and the screen and stands above its owner.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <functional>
#include <initializer_list>

#include "app/FFieldGraph.h"
#include "app/FTable.h"
#include "app/support_MainForm.h"
#include "app/support_WindowChecks.h"
#include "chart/engine/ChartEngineModules.h"
#include "chart/engine/ChartLegend.h"
#include "chart/graphics/ChartGraphicsModules.h"
#include "chart/output/ChartOutputModules.h"
#include "chart/output/DBChart.h"
#include "chart/series/ChartSeriesModules.h"
#include "platform/ui/Application.h"
#include "stats/FAddRegression.h"
#include "stats/FBrokenLine.h"
#include "stats/FChartProp.h"
#include "stats/FGraph.h"
#include "stats/FSeriesTransform.h"
#include "stats/FStatResults.h"

using namespace qbtest;

namespace {

class ProgramChartRoadTest : public SurveyWindowTest {
protected:
    static void SetUpTestSuite()
    {
        InitializeChartGraphicsModules();  // registers the fonts the forms name
        InitializeChartEngineModules();
        InitializeChartSeriesModules();
        InitializeChartOutputModules();
        QApplication::setFont(FormFont());
    }
    static void TearDownTestSuite()
    {
        QApplication::setFont(QFont());
        FinalizeChartOutputModules();
        FinalizeChartSeriesModules();
        FinalizeChartEngineModules();
        FinalizeChartGraphicsModules();
    }
    ~ProgramChartRoadTest() override
    {
        delete FormAddRegression;
        delete FormBrokenLine;
        delete FormSeriesTransform;
        delete FormGraph;
        FreeFormStatResults();
        delete FormChartProp;
        QuantileProbability = -1;
    }

    TDataSet& Data() { return main.Form->Table; }

    // Twelve weather values, each one to three times, so the frequency bars differ in height;
    // record 2 has a remark.
    void AddRecords()
    {
        for (int value = 1, id = 1; value <= 12; ++value) {
            for (int n = 0; n <= value % 3; ++n, ++id) {
                Data().Append();
                Data().FieldByName("ID").SetAsInteger(id);
                Data().FieldByName("WEATH").SetAsInteger(value);
                Data().FieldByName("NOTES").SetAsString(id == 2 ? "windy morning" : "");
                Data().Post();
            }
        }
    }
};

// A window that was open already keeps its place; only one that opens now is placed by its owner.
void Check(QWidget* window, QWidget* owner, bool openedNow = true)
{
    ASSERT_NE(window, nullptr);
    SCOPED_TRACE(Describe(window));
    EXPECT_TRUE(window->isVisible());
    for (const std::string& fault : LayoutFaults(window)) ADD_FAILURE() << fault;
    for (const std::string& fault : StackingFaults(window, owner))
        if (openedNow || fault.find("title bar") == std::string::npos) ADD_FAILURE() << fault;
}

}  // namespace

TEST_F(ProgramChartRoadTest, EveryWindowFitsAndStandsAboveItsOwner)
{
    TScriptedUiServices& ui = main.Ui;
    AddRecords();
    const std::size_t logged = ui.Log().size();

    // The table window beside the main window, with its graph strip; a memo is refused by name.
    main.Form->TB_Table->click();
    TFormTable* table = BrowseTableWindow(0);
    ASSERT_NE(table, nullptr);
    table->BtnGraph->click();
    Check(table, main.Form.get());
    table->CB_X->setCurrentText("ID");
    table->CB_Y->setCurrentText("NOTES");
    ui.Push(TUiAnswer::Press(mrOk));
    table->BtnAddLine->click();
    ASSERT_EQ(ui.Log().size(), logged + 1);
    EXPECT_EQ(ui.Log().back().Text,
              "The Y field NOTES holds \"windy morning\", which is not a number: choose a field of numbers or dates.");
    EXPECT_EQ(table->DBChart->CountSeries(), 0);
    table->CB_Y->setCurrentText("WEATH");
    table->BtnAddPoints->click();
    EXPECT_EQ(table->DBChart->CountSeries(), 1);
    // Closed and opened again it is on the screen again, beside the main window.
    table->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    main.Form->TB_Table->click();
    Check(BrowseTableWindow(0), main.Form.get());

    // The frequency graph of WEATH and its chart properties dialog.
    main.Form->TB_graph->click();
    auto* graph = main.Form->findChild<TFormFieldGraph*>();
    ASSERT_NE(graph, nullptr);
    const QList<QListWidgetItem*> weather = graph->FieldListBox->findItems("WEATH", Qt::MatchExactly);
    ASSERT_EQ(weather.size(), 1);
    graph->FieldListBox->setCurrentItem(weather.front());
    graph->BtnShow->click();
    ASSERT_EQ(graph->Chart1()->CountSeries(), 1);
    Check(graph, main.Form.get());
    graph->BtnProperties->click();
    TFormChartProp* properties = FormChartProp;
    Check(properties, graph);
    auto select = [&] {
        properties->FormActivate();
        properties->ListSeries->setCurrentRow(0);
        properties->PopupSeriesPopup();
    };
    auto trigger = [&](std::initializer_list<const char*> path) {
        QAction* action = MenuItem(properties->PopupSeries, path);
        ASSERT_NE(action, nullptr) << *(path.end() - 1);
        action->trigger();
    };

    struct Step {
        const char* command;
        std::function<void()> run;
        std::function<QWidget*()> window;
        std::function<QWidget*()> owner;
    };
    const auto dialog = [&] { return static_cast<QWidget*>(properties); };
    const Step steps[] = {
        {"Add regression", [&] { trigger({"Add regression"}); }, [] { return FormAddRegression; }, dialog},
        {"Basic statistics",
         [&] {
             ui.Push(TUiAnswer::Input("5"));
             trigger({"Statistics", "&Basic statistics"});
         },
         [] { return &FormStatResults(); }, dialog},
        {"Correlation", [&] { trigger({"Statistics", "&Correlation"}); }, [] { return &FormStatResults(); }, dialog},
        {"X value transformation", [&] { trigger({"X value transformation"}); }, [] { return FormSeriesTransform; },
         dialog},
        {"Broken line regression", [&] { trigger({"Statistics", "Broken line regression"}); },
         [] { return FormBrokenLine; }, dialog},
        {"the broken-line result graph",
         [&] {
             ui.Push(TUiAnswer::ChooseCase(0));
             FormBrokenLine->btnCalculate->click();
         },
         [] { return FormGraph; }, [] { return FormBrokenLine; }},
        {"the broken-line statistics", [] {}, [] { return &FormStatResults(); }, [] { return FormBrokenLine; }},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.command);
        select();
        const bool open = step.window() && step.window()->isVisible();
        step.run();
        Check(step.window(), step.owner(), !open);
    }

    // Shown in the legend, the bar series keeps its place there when a regression line joins.
    select();
    trigger({"&Show in legend", "&Yes"});
    FormAddRegression->BtnCalculate->click();
    FormAddRegression->BtnAddLine->click();
    TChart& chart = *graph->Chart1();
    ASSERT_EQ(chart.CountSeries(), 2);
    chart.Legend()->CalcLegend();
    EXPECT_EQ(chart.Legend()->ResolveStyle(), lsSeries);
    std::vector<std::string> items;
    for (int i = 0; i <= chart.Legend()->LastShownIndex(); ++i) {
        std::string text;
        chart.Legend()->ItemText(i, text);
        items.push_back(text);
    }
    EXPECT_EQ(items, (std::vector<std::string>{"WEATH", "Regression (1)"}));

    EXPECT_EQ(ui.Pending(), 0);
    EXPECT_TRUE(ui.Failures().empty()) << ui.Failures().front();
}
