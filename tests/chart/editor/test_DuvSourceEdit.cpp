#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "chart/editor/DuvFormRegistry.h"
#include "chart/editor/DuvSourceEdit.h"
#include "chart/editor/support_EditorTest.h"
#include "chart/engine/Chart.h"
#include "chart/engine/ChartRegistry.h"
#include "chart/engine/RuRazaziLists.h"
#include "chart/output/DuvExcelSource.h"
#include "chart/output/widgets/DuvExcelSourceEdit.h"
#include "chart/series/Series.h"
#include "platform/ui/ScriptedUiServices.h"
#include "support/TestSupport.h"

namespace {

class SourceEditorTest : public testing::Test {
protected:
    void SetUp() override { editortest::StartEditorModules(); }
    TScriptedUiServices ui;
    TScopedUiServices scoped{ui};
};

// Counts how often "&Apply" was clicked and whether the apply goes through.
class TApplyingEditor : public TBaseSourceEditor {
public:
    using TBaseSourceEditor::TBaseSourceEditor;
    bool Succeeds = true;
    int Applied = 0;

protected:
    void BApplyClick() override
    {
        ++Applied;
        if (Succeeds) BApply->setEnabled(false);
    }
};

TEST_F(SourceEditorTest, TheTagDecidesWhatIsEdited)
{
    TChart chart;
    auto* series = new TLineSeries(&chart);
    series->SetParentChart(&chart);
    auto* source = new TDuvExcelSource(series);
    source->SetSeries(series);
    struct Case {
        const char* Name;
        TPersistent* Tag;
        TChartSeries* Series;
        TCustomAxisPanel* Chart;
        TComponent* Source;
    };
    const Case cases[] = {
        {"series", series, series, nullptr, nullptr},
        {"chart", &chart, nullptr, &chart, nullptr},
        {"source", source, series, nullptr, source},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TBaseSourceEditor editor;
        editor.BApply->setEnabled(true);
        editor.SetTag(c.Tag);
        editor.show();
        EXPECT_EQ(editor.Series(), c.Series);
        EXPECT_EQ(editor.Chart(), c.Chart);
        EXPECT_EQ(editor.DataSource(), c.Source);
        EXPECT_FALSE(editor.BApply->isEnabled());
    }
}

TEST_F(SourceEditorTest, LeavingWithPendingChangesAsks)
{
    struct Case {
        const char* Name;
        bool ApplyEnabled;
        int Pressed;
        bool Succeeds;
        bool Allowed, ApplyAfter;
        int Applied;
    };
    const Case cases[] = {
        {"nothing pending", false, mrNone, true, true, false, 0},
        {"yes, applied", true, mrYes, true, true, false, 1},
        {"yes, apply failed", true, mrYes, false, false, true, 1},
        {"no", true, mrNo, true, true, false, 0},
        {"cancel", true, mrCancel, true, false, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TApplyingEditor editor;
        editor.Succeeds = c.Succeeds;
        editor.BApply->setEnabled(c.ApplyEnabled);
        if (c.ApplyEnabled) ui.Push(TUiAnswer::Press(c.Pressed));
        EXPECT_EQ(editor.FormCloseQuery(), c.Allowed);
        EXPECT_EQ(editor.BApply->isEnabled(), c.ApplyAfter);
        EXPECT_EQ(editor.Applied, c.Applied);
        if (c.ApplyEnabled) {
            ASSERT_FALSE(ui.Log().empty());
            EXPECT_EQ(ui.Log().back().Text, "Apply Changes ?");
        }
    }
    EXPECT_EQ(ui.Pending(), 0);
}

TEST_F(SourceEditorTest, ChoosingAnotherSourceEnablesApply)
{
    TBaseSourceEditor editor;
    editor.CBSources->addItems({"One", "Two"});
    editor.BApply->setEnabled(false);
    editor.CBSources->setCurrentIndex(1);
    EXPECT_TRUE(editor.BApply->isEnabled());
}

TEST_F(SourceEditorTest, ApplySourceReplacesAndFreesOnlyWhatTheSeriesOwns)
{
    TChart chart;
    auto* series = new TLineSeries(&chart);
    series->SetParentChart(&chart);
    TBaseSourceEditor editor;
    editor.SetTag(series);
    editor.show();

    auto* first = new TDuvExcelSource(series);
    editor.ApplySource(first);
    EXPECT_EQ(series->GetDataSource(), first);
    EXPECT_EQ(first->Series(), series);

    TComponentRef<TComponent> watch;
    watch = first;
    editor.ApplySource(first);  // already the source: nothing happens
    EXPECT_EQ(watch.Get(), first);
    EXPECT_EQ(series->GetDataSource(), first);

    TDuvExcelSource foreign(nullptr);  // owned elsewhere: detached, kept
    editor.ApplySource(&foreign);
    EXPECT_EQ(watch.Get(), nullptr);  // the series owned the previous one: freed
    EXPECT_EQ(series->GetDataSource(), &foreign);
    EXPECT_EQ(foreign.Series(), series);
    editor.ApplySource(nullptr);
    EXPECT_EQ(series->GetDataSource(), nullptr);
}

TEST_F(SourceEditorTest, ApplyingOnAChartMakesASeriesOfTheFirstGalleryClass)
{
    TChart chart;
    TBaseSourceEditor editor;
    editor.SetTag(&chart);
    editor.show();
    auto* source = new TDuvExcelSource(nullptr);
    editor.ApplySource(source);
    ASSERT_EQ(chart.CountSeries(), 1);
    const TClassInfo* first = GetGalleryTypeList().TypeAt(0)->SeriesClass;
    EXPECT_EQ(&chart.GetSeries(0)->ClassType(), first);
    EXPECT_EQ(chart.GetSeries(0)->GetDataSource(), source);
    EXPECT_EQ(editor.Series(), chart.GetSeries(0));
    source->SetSeries(nullptr);
    source->Free();
}

TEST_F(SourceEditorTest, GetOrCreateSourceTakesTheSeriesOwnOrMakesANamedOne)
{
    TComponent owner(nullptr);
    TChart chart;
    auto* series = new TLineSeries(&owner);
    series->SetParentChart(&chart);
    {
        auto* own = new TDuvExcelSource(series);
        own->SetSeries(series);
        TBaseSourceEditor editor;
        editor.SetTag(series);
        editor.show();
        EXPECT_EQ(editor.GetOrCreateSource(TDuvExcelSource::StaticClass()), own);
        own->SetSeries(nullptr);
        own->Free();
    }
    TComponentRef<TComponent> made;
    {
        (new TComponent(&owner))->SetName("DuvExcelSource1");
        TBaseSourceEditor editor;
        editor.SetTag(series);
        editor.show();
        made = editor.GetOrCreateSource(TDuvExcelSource::StaticClass());
        ASSERT_NE(made.Get(), nullptr);
        EXPECT_EQ(made->Owner(), &owner);
        EXPECT_EQ(made->Name(), "DuvExcelSource2");
        EXPECT_EQ(editor.GetOrCreateSource(TDuvExcelSource::StaticClass()), made.Get());
    }
    EXPECT_EQ(made.Get(), nullptr);  // never applied: freed with the editor
    {
        TBaseSourceEditor editor;
        editor.SetTag(series);
        editor.show();
        made = editor.GetOrCreateSource(TDuvExcelSource::StaticClass());
        editor.ApplySource(made.Get());
    }
    EXPECT_NE(made.Get(), nullptr);  // applied: the series keeps it
    EXPECT_EQ(series->GetDataSource(), made.Get());
    {
        TBaseSourceEditor editor;  // no series: the editor's own
        made = editor.GetOrCreateSource(TDuvExcelSource::StaticClass());
        EXPECT_EQ(made->Owner(), nullptr);
    }
    EXPECT_EQ(made.Get(), nullptr);
}

TEST_F(SourceEditorTest, SpreadsheetEditorByNameLoadsAWorkbook)
{
    TChart chart;
    auto* series = new TLineSeries(&chart);
    series->SetParentChart(&chart);
    auto* source = new TDuvExcelSource(series);
    std::unique_ptr<TDuvEditorForm> form(CreateEditorFormByName(source->GetEditorClassName(), nullptr));
    source->Free();
    auto* editor = dynamic_cast<TExcelSourceEditor*>(form.get());
    ASSERT_NE(editor, nullptr);
    editor->SetTag(series);
    editor->show();
    ASSERT_NE(editor->Form(), nullptr);
    EXPECT_TRUE(editor->LLabel->isHidden());
    EXPECT_TRUE(editor->CBSources->isHidden());
    EXPECT_TRUE(editor->Form()->BApply->isHidden());
    editor->Form()->EditFile->setText(QString::fromStdString(std::string(QB_TEST_DATA) + "/source_values.xlsx"));
    editor->Form()->FillSheets();
    editor->Form()->CBSheet->setCurrentText("Values");
    editor->Form()->EditFrom->setText("A1");
    editor->Form()->EditTo->setText("A4");
    editor->BApply->setEnabled(true);
    editor->BApply->click();
    EXPECT_FALSE(editor->BApply->isEnabled());
    ASSERT_EQ(series->PointCount(), 4);
    EXPECT_DOUBLE_EQ(series->YValues()->GetValueAt(0), 10);
    EXPECT_DOUBLE_EQ(series->YValues()->GetValueAt(3), 40);
    EXPECT_EQ(series->GetDataSource(), editor->Form()->Source());
}

}  // namespace
