// The chart properties dialog offscreen: what activation shows, what each control writes, the
// series list with its commands, and a chart or series freed while the dialog holds it.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPalette>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <functional>

#include "chart/engine/ChartLegend.h"
#include "chart/engine/support_EditorServices.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/series/ArrowCha.h"
#include "chart/series/BubbleCh.h"
#include "chart/series/DuvShape.h"
#include "chart/series/GanttCh.h"
#include "chart/series/Series.h"
#include "chart/series/SeriesBar.h"
#include "chart/series/SeriesFastLine.h"
#include "chart/series/SeriesPie.h"
#include "chart/series/support_SeriesTest.h"
#include "platform/core/CodePage.h"
#include "platform/core/DateTime.h"
#include "platform/core/NumText.h"
#include "platform/core/StringList.h"
#include "platform/ui/ScriptedUiServices.h"
#include "stats/FChartProp.h"
#include "stats/FGraph.h"
#include "stats/FMemoDlg.h"
#include "stats/UChartProp.h"
#include "support_ChartProp.h"
#include "support/FileLimits.h"
#include "support/TestSupport.h"

namespace {

using statstest::MenuItem;

std::vector<std::string> Lines(const QListWidget* list)
{
    std::vector<std::string> lines;
    for (int i = 0; i < list->count(); ++i) lines.push_back(list->item(i)->text().toStdString());
    return lines;
}

using ChartProp = statstest::ChartPropFixture;

}  // namespace

TEST_F(ChartProp, ActivationShowsTheChartsSettings)
{
    TStringList title;
    title.Add("Heights");
    title.Add("2026");
    chart.Title()->SetLines(title);
    chart.Title()->SetAlignment(taRightJustify);
    chart.LeftAxis()->SetAutomatic(false);
    chart.LeftAxis()->SetMaximum(12.5);
    chart.LeftAxis()->SetMinimum(-2);
    chart.LeftAxis()->SetIncrement(0.5);
    chart.LeftAxis()->SetAxisValuesFormat("0.00");
    chart.LeftAxis()->GetTitle()->SetCaption("cm");
    chart.BottomAxis()->Grid()->SetVisible(false);
    chart.SetBorderStyle(1);
    chart.Legend()->SetColorWidth(27);
    chart.Legend()->GetTitle()->AssignText("Kinds");
    chart.SetBevelOuter(bvNone);
    chart.SetBevelInner(bvNone);
    form->FormActivate();

    struct Case {
        const char* control;
        std::function<std::string()> shown;
        std::string expected;
    };
    auto text = [](QLineEdit* e) { return [e] { return e->text().toStdString(); }; };
    auto ticked = [](QCheckBox* b) { return [b] { return std::string(b->isChecked() ? "ticked" : "clear"); }; };
    const Case cases[] = {
        {"MemoTitle", [this] { return form->MemoTitle->toPlainText().toStdString(); }, "Heights\n2026"},
        {"CB_TitleVisible", ticked(form->CB_TitleVisible), "ticked"},
        {"CB_TitleAlignment", [this] { return form->CB_TitleAlignment->currentText().toStdString(); }, "right"},
        {"CB_LeftAutomatic", ticked(form->CB_LeftAutomatic), "clear"},
        {"EditLeftMin", text(form->EditLeftMin), FloatToStr(-2)},
        {"EditLeftMax", text(form->EditLeftMax), FloatToStr(12.5)},
        {"EditLeftIncrement", text(form->EditLeftIncrement), FloatToStr(0.5)},
        {"EditLeftFormat", text(form->EditLeftFormat), "0.00"},
        {"EditLeftTitle", text(form->EditLeftTitle), "cm"},
        {"CB_LeftGrid", ticked(form->CB_LeftGrid), "ticked"},
        {"CB_BottomAutomatic", ticked(form->CB_BottomAutomatic), "ticked"},
        {"CB_BottomGrid", ticked(form->CB_BottomGrid), "clear"},
        {"CB_Border", ticked(form->CB_Border), "ticked"},
        {"CB_Legend", ticked(form->CB_Legend), "ticked"},
        {"EditLegTitle", text(form->EditLegTitle), "Kinds"},
        {"EditColorWidth", text(form->EditColorWidth), "27"},
        {"CB_bevel", ticked(form->CB_bevel), "clear"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.shown(), c.expected) << c.control;

    chart.Legend()->SetVisible(false);
    form->FormActivate();
    EXPECT_EQ(form->EditLegTitle->text(), "") << "a hidden legend shows no title";
    EXPECT_TRUE(form->isWindow());
    EXPECT_TRUE(form->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(form->BtnEditor->isEnabled());
}

// Without a chart editor the Editor button is off and a click does nothing; an installed editor
// is what the button opens, on the dialog's chart, and the dialog then shows what it changed.
TEST_F(ChartProp, TheEditorButtonOpensTheInstalledEditorOnly)
{
    form->FormActivate();
    EXPECT_FALSE(form->BtnEditor->isEnabled());
    form->BtnEditorClick();
    EXPECT_TRUE(ui.Log().empty());

    std::vector<TCustomChart*> edited;
    TTestEditorServices editor;
    editor.Edit = [&](TComponent*, TCustomChart& c) {
        edited.push_back(&c);
        c.Legend()->SetVisible(false);
    };
    TScopedChartEditorServices installed(editor);
    delete FormChartProp;  // built anew, now with the editor installed
    ShowChartProperties(&chart);
    form = FormChartProp;
    ASSERT_TRUE(form->BtnEditor->isEnabled());
    EXPECT_TRUE(form->CB_Legend->isChecked());
    form->BtnEditor->click();
    EXPECT_EQ(edited, std::vector<TCustomChart*>{&chart});
    EXPECT_FALSE(form->CB_Legend->isChecked()) << "the dialog shows what the editor changed";
    EXPECT_TRUE(ui.Log().empty());
}

TEST_F(ChartProp, EachControlWritesToTheChart)
{
    struct Case {
        const char* control;
        std::function<void()> act;
        std::function<bool()> written;
    };
    auto leave = [](QLineEdit* edit, const std::string& text) {
        edit->setText(QString::fromStdString(text));
        emit edit->editingFinished();
    };
    const Case cases[] = {
        {"MemoTitle",
         [&] {
             form->MemoTitle->setPlainText("One\nTwo");
             form->MemoTitleExit();
         },
         [&] { return chart.Title()->Lines().Text() == "One\r\nTwo\r\n"; }},
        {"CB_TitleVisible", [&] { form->CB_TitleVisible->click(); }, [&] { return !chart.Title()->Visible(); }},
        {"CB_TitleAlignment",
         [&] {
             form->CB_TitleAlignment->setCurrentIndex(1);
             emit form->CB_TitleAlignment->activated(1);
         },
         [&] { return chart.Title()->Alignment() == taLeftJustify; }},
        {"CB_LeftAutomatic", [&] { form->CB_LeftAutomatic->click(); }, [&] { return !chart.LeftAxis()->Automatic(); }},
        {"EditLeftMax", [&] { leave(form->EditLeftMax, FloatToStr(40)); }, [&] { return chart.LeftAxis()->Maximum() == 40; }},
        {"EditLeftMin", [&] { leave(form->EditLeftMin, FloatToStr(2.5)); }, [&] { return chart.LeftAxis()->Minimum() == 2.5; }},
        {"EditLeftIncrement", [&] { leave(form->EditLeftIncrement, FloatToStr(5)); },
         [&] { return chart.LeftAxis()->Increment() == 5; }},
        {"EditBottomMax", [&] { leave(form->EditBottomMax, FloatToStr(8)); },
         [&] { return chart.BottomAxis()->Maximum() == 8; }},
        {"EditLeftFormat", [&] { leave(form->EditLeftFormat, "0.0"); }, [&] { return chart.LeftAxis()->AxisValuesFormat() == "0.0"; }},
        {"EditBottomTitle", [&] { leave(form->EditBottomTitle, "Days"); },
         [&] { return chart.BottomAxis()->GetTitle()->Caption() == "Days"; }},
        {"CB_LeftGrid", [&] { form->CB_LeftGrid->click(); }, [&] { return !chart.LeftAxis()->Grid()->Visible(); }},
        {"CB_BottomGrid", [&] { form->CB_BottomGrid->click(); }, [&] { return !chart.BottomAxis()->Grid()->Visible(); }},
        {"CB_Border", [&] { form->CB_Border->click(); }, [&] { return chart.GetBorderStyle() == 1; }},
        {"CB_Legend", [&] { form->CB_Legend->click(); }, [&] { return !chart.Legend()->Visible(); }},
        {"EditLegTitle", [&] { leave(form->EditLegTitle, "Kinds"); },
         [&] { return chart.Legend()->GetTitle()->ReadFirstLine() == "Kinds"; }},
        {"EditColorWidth", [&] { leave(form->EditColorWidth, "41"); }, [&] { return chart.Legend()->ColorWidth() == 41; }},
        {"EditColorWidth emptied", [&] { leave(form->EditColorWidth, ""); },
         [&] { return chart.Legend()->ColorWidth() == 41; }},
        {"BtnColor",
         [&] {
             ui.Push(TUiAnswer::ChooseColor(0x123456));
             form->BtnColor->click();
         },
         [&] { return chart.Color() == 0x123456; }},
        {"BtnTitleFont",
         [&] {
             ui.Push(TUiAnswer::ChooseFont({"Liberation Mono", 17, true, false, false, false, 0xFF}));
             form->BtnTitleFont->click();
         },
         [&] { return chart.Title()->Font()->Name() == "Liberation Mono" && chart.Title()->Font()->Size() == 17; }},
        {"BtnLeftLFont",
         [&] {
             ui.Push(TUiAnswer::ChooseFont({"Tahoma", 6, false, true, false, false, 0}));
             form->BtnLeftLFont->click();
         },
         [&] { return chart.LeftAxis()->Labels().Font()->Size() == 6; }},
        {"BtnBottomTFont",
         [&] {
             ui.Push(TUiAnswer::ChooseFont({"Tahoma", 19, false, false, false, false, 0}));
             form->BtnBottomTFont->click();
         },
         [&] { return chart.BottomAxis()->GetTitle()->Font()->Size() == 19; }},
    };
    for (const Case& c : cases) {
        c.act();
        EXPECT_TRUE(c.written()) << c.control;
    }
    EXPECT_EQ(ui.Pending(), 0);
}

TEST_F(ChartProp, RejectedNumbersKeepTheAxisAndShowTheError)
{
    struct Case {
        const char* name;
        QLineEdit* edit;
        const char* text;
        const char* message;
    };
    form->CB_LeftAutomatic->click();
    const double min = chart.LeftAxis()->Minimum(), max = chart.LeftAxis()->Maximum();
    const Case cases[] = {
        {"not a number", form->EditLeftMin, "abc", "not a valid floating point value"},
        {"minimum above maximum", form->EditLeftMin, "1000000", "Axis Minimum Value must be <= Maximum"},
        {"negative increment", form->EditLeftIncrement, "-1", "Axis increment must be >= 0"},
    };
    for (const Case& c : cases) {
        ui.Push(TUiAnswer::Press(mrOk));
        c.edit->setText(c.text);
        emit c.edit->editingFinished();
        ASSERT_FALSE(ui.Log().empty());
        EXPECT_NE(ui.Log().back().Text.find(c.message), std::string::npos) << c.name << ": " << ui.Log().back().Text;
        EXPECT_EQ(chart.LeftAxis()->Minimum(), min) << c.name;
        EXPECT_EQ(chart.LeftAxis()->Maximum(), max) << c.name;
    }
}

// A number field says what is wrong with its text when it is left (here by Enter), not while the
// user is still typing.
TEST_F(ChartProp, NumberFieldsAreCheckedWhenLeftNotAtEachKey)
{
    form->CB_LeftAutomatic->click();
    form->CB_BottomAutomatic->click();
    const int width = chart.Legend()->ColorWidth();
    const double min = chart.LeftAxis()->Minimum();
    for (QLineEdit* edit : {form->EditLeftMin, form->EditLeftMax, form->EditLeftIncrement, form->EditBottomMin,
                            form->EditBottomMax, form->EditBottomIncrement, form->EditColorWidth}) {
        SCOPED_TRACE(edit->objectName().toStdString());
        ASSERT_TRUE(edit->isEnabled());
        edit->clear();
        const std::size_t before = ui.Log().size();
        for (const auto& [key, text] : {std::pair{Qt::Key_4, "4"}, std::pair{Qt::Key_X, "x"}}) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
            QApplication::sendEvent(edit, &press);
        }
        EXPECT_EQ(edit->text(), "4x");
        EXPECT_EQ(ui.Log().size(), before) << "a message while typing";
        ui.Push(TUiAnswer::Press(mrOk));
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(edit, &enter);
        ASSERT_EQ(ui.Log().size(), before + 1);
        EXPECT_NE(ui.Log().back().Text.find("'4x' is not a valid"), std::string::npos) << ui.Log().back().Text;
    }
    EXPECT_EQ(chart.Legend()->ColorWidth(), width);
    EXPECT_EQ(chart.LeftAxis()->Minimum(), min);
}

// The colour dialogs start at the colour as it shows: a system colour as the desktop paints it.
TEST_F(ChartProp, ColourDialogsStartAtTheColourShown)
{
    const QColor button = QGuiApplication::palette().color(QPalette::Button);
    const TColor buttonFace = button.red() | (button.green() << 8) | (button.blue() << 16);
    auto* series = Add<TLineSeries>("A");
    struct Case {
        const char* what;
        std::function<void(TColor)> set;
        std::function<void()> open;
        TColor colour;
        TColor shown;
    };
    const Case cases[] = {
        {"chart, system colour", [&](TColor c) { chart.SetColor(c); }, [&] { form->BtnColor->click(); }, clBtnFace,
         buttonFace},
        {"chart", [&](TColor c) { chart.SetColor(c); }, [&] { form->BtnColor->click(); }, 0x123456, 0x123456},
        {"series", [&](TColor c) { series->SetSeriesColor(c); },
         [&] {
             Select(0);
             Trigger({"&Color"});
         },
         0x00AB12, 0x00AB12},
    };
    for (const Case& c : cases) {
        c.set(c.colour);
        ui.Push(TUiAnswer::Cancel(TUiCallKind::Color));
        c.open();
        ASSERT_FALSE(ui.Log().empty());
        EXPECT_EQ(ui.Log().back().Kind, TUiCallKind::Color);
        EXPECT_EQ(ui.Log().back().Default, std::to_string(static_cast<std::uint32_t>(c.shown))) << c.what;
    }
    EXPECT_EQ(chart.Color(), 0x123456) << "a cancelled dialog changes nothing";
}

// The "Show in legend" submenu marks the series' current choice.
TEST_F(ChartProp, ShowInLegendMarksTheCurrentChoice)
{
    auto* a = Add<TBarSeries>("A");
    a->SetShowInLegend(false);
    Add<TBarSeries>("B");
    for (const auto& [row, shown] : {std::pair{0, false}, std::pair{1, true}, std::pair{0, false}}) {
        Select(row);
        EXPECT_EQ(MenuItem(form->PopupSeries, {"&Show in legend", "&Yes"})->isChecked(), shown) << row;
        EXPECT_EQ(MenuItem(form->PopupSeries, {"&Show in legend", "&No"})->isChecked(), !shown) << row;
    }
    Trigger({"&Show in legend", "&Yes"});
    Select(0);
    EXPECT_TRUE(MenuItem(form->PopupSeries, {"&Show in legend", "&Yes"})->isChecked());
    EXPECT_FALSE(MenuItem(form->PopupSeries, {"&Show in legend", "&No"})->isChecked());
}

TEST_F(ChartProp, AxisEditsFollowAutomaticAndBevelStepsAndWidthHasAFloor)
{
    for (bool automatic : {true, false, true}) {
        chart.LeftAxis()->SetAutomatic(automatic);
        chart.BottomAxis()->SetAutomatic(!automatic);
        form->FormActivate();
        for (QLineEdit* edit : {form->EditLeftMin, form->EditLeftMax, form->EditLeftIncrement})
            EXPECT_EQ(edit->isEnabled(), !automatic) << edit->objectName().toStdString();
        for (QLineEdit* edit : {form->EditBottomMin, form->EditBottomMax, form->EditBottomIncrement})
            EXPECT_EQ(edit->isEnabled(), automatic) << edit->objectName().toStdString();
        form->CB_LeftAutomatic->click();
        EXPECT_EQ(form->EditLeftMin->isEnabled(), automatic);
    }

    // Repeated ticking steps the bevel width through 1 to 5, from any start (0 too).
    struct BevelCase {
        int start;
        std::vector<int> widths;
    };
    for (const BevelCase& c : {BevelCase{0, {1, 2, 3, 4, 5, 1}}, BevelCase{3, {4, 5, 1, 2, 3, 4}}}) {
        SCOPED_TRACE(c.start);
        chart.SetBevelWidth(c.start);
        chart.SetBevelOuter(bvNone);
        chart.SetBevelInner(bvLowered);
        EXPECT_EQ(chart.BevelWidth(), c.start);
        form->FormActivate();
        std::vector<int> widths;
        for (int i = 0; i < 6; ++i) {
            if (form->CB_bevel->isChecked()) {
                form->CB_bevel->click();
                EXPECT_EQ(chart.BevelOuter(), bvNone);
            }
            form->CB_bevel->click();
            widths.push_back(chart.BevelWidth());
            EXPECT_EQ(chart.BevelOuter(), bvRaised);
            EXPECT_EQ(chart.BevelInner(), bvNone);
        }
        EXPECT_EQ(widths, c.widths);
    }

    for (int width : {100, 324, 325, 500}) {
        form->resize(width, 400);
        EXPECT_EQ(form->width(), std::max(width, TFormChartProp::MinimumWidth)) << width;
    }
}

TEST_F(ChartProp, LegendFontGivesTheVisibleTitleOnePointMore)
{
    struct Case {
        bool titleVisible;
        int titleSize;
    };
    for (const Case c : {Case{true, 12}, Case{false, 8}}) {
        chart.Legend()->GetTitle()->SetVisible(c.titleVisible);
        chart.Legend()->GetTitle()->Font()->SetSize(8);
        ui.Push(TUiAnswer::ChooseFont({"Liberation Sans", 11, true, false, false, false, 0x00FF00}));
        form->BtnLegendFont->click();
        EXPECT_EQ(chart.Legend()->Font()->Size(), 11);
        EXPECT_EQ(chart.Legend()->Font()->Color(), 0x00FF00);
        EXPECT_EQ(chart.Legend()->GetTitle()->Font()->Size(), c.titleSize);
    }
}

TEST_F(ChartProp, RebindsAndNeverTouchesAChartThatIsGone)
{
    auto* other = new seriestest::TTestChart;
    other->Title()->AssignText("Other");
    ShowChartProperties(other);
    EXPECT_EQ(FormChartProp, form) << "one window";
    EXPECT_EQ(form->Chart(), other);
    EXPECT_EQ(form->MemoTitle->toPlainText(), "Other");
    FreeComponent(other);
    EXPECT_EQ(form->Chart(), nullptr);
    // Controls left with nothing bound write nowhere.
    form->CB_Legend->click();
    form->CB_bevel->click();
    form->EditLeftMin->setText("3");
    emit form->EditLeftMin->editingFinished();
    ui.Push(TUiAnswer::Press(mrOk));
    form->FormActivate();
    EXPECT_EQ(ui.Log().back().Text, "No initialization of the form");

    // The graph window's chart goes with that window.
    ShowGraph();
    ASSERT_NE(FormGraph, nullptr);
    FormGraph->btnProperties->click();
    EXPECT_EQ(form->Chart(), FormGraph->Chart());
    FormGraph->AddLine(2, clRed, "Scan", psDash);
    form->FormActivate();
    ASSERT_EQ(form->ListSeries->count(), 1);
    form->ListSeries->setCurrentRow(0);
    delete FormGraph;
    EXPECT_EQ(FormGraph, nullptr);
    EXPECT_EQ(form->Chart(), nullptr);
    EXPECT_EQ(form->SelectedSeries(), nullptr);
    form->RenameClick();
    form->btnDelAllClick();
}

TEST_F(ChartProp, KindNamesAndTheirSubmenus)
{
    struct Case {
        TChartSeries* series;
        const char* kind;
        QMenu* menu;
    };
    const Case cases[] = {
        {Add<TLineSeries>("Height"), "Line", form->MenuLine},
        {Add<TBarSeries>("B"), "Bar", form->MenuBar},
        {Add<TArrowSeries>("Arr"), "Arrow", form->MenuArrow},
        {Add<TPointSeries>("Pts"), "Point", form->MenuPoint},
        {Add<TFastLineSeries>("Fast"), "FLine", form->MenuLine},
        {Add<TAreaSeries>("Ar"), "Area", nullptr},
        {Add<THorizBarSeries>("HB"), "HBar", nullptr},
        {Add<TPieSeries>("Pie"), "Pie", nullptr},
        {Add<TChartShape>("Sh"), "Shape", form->MenuShape},
        {Add<TBubbleSeries>("Bub"), "Point", form->MenuPoint},
        {Add<TGanttSeries>("Gan"), "Point", form->MenuPoint},
        {Add<seriestest::TTestSeries>("Odd"), "?", nullptr},
    };
    form->FormActivate();
    ASSERT_EQ(form->ListSeries->count(), static_cast<int>(std::size(cases)));
    for (int i = 0; i < form->ListSeries->count(); ++i) {
        const Case& c = cases[i];
        EXPECT_EQ(form->ListSeries->item(i)->text().toStdString(),
                  std::to_string(i) + " " + c.kind + ": " + c.series->Title());
        Select(i);
        for (QMenu* menu : {form->MenuLine, form->MenuPoint, form->MenuArrow, form->MenuBar, form->MenuShape})
            EXPECT_EQ(menu->menuAction()->isVisible(), menu == c.menu) << c.kind << " " << menu->title().toStdString();
    }
}

TEST_F(ChartProp, ListFollowsTheCurrentLineAndMovesWithoutRenumbering)
{
    auto* a = Add<TLineSeries>("A");
    auto* b = Add<TBarSeries>("B");
    Add<TPointSeries>("C");
    form->FormActivate();
    EXPECT_FALSE(form->PopupAttached());
    EXPECT_FALSE(form->btnUp->isEnabled());
    EXPECT_FALSE(form->btnDown->isEnabled());
    form->ListSeries->setCurrentRow(0);
    EXPECT_TRUE(form->PopupAttached());
    EXPECT_FALSE(form->btnUp->isEnabled());
    EXPECT_TRUE(form->btnDown->isEnabled());
    form->btnDown->click();
    EXPECT_EQ(Lines(form->ListSeries), (std::vector<std::string>{"1 Bar: B", "0 Line: A", "2 Point: C"}));
    EXPECT_EQ(chart.GetSeries(0), b);
    EXPECT_EQ(chart.GetSeries(1), a);
    EXPECT_EQ(form->ListSeries->currentRow(), 1);
    form->ListSeries->setCurrentRow(2);
    EXPECT_FALSE(form->btnDown->isEnabled());
    form->btnDownClick();
    form->btnUp->click();
    EXPECT_EQ(Lines(form->ListSeries), (std::vector<std::string>{"1 Bar: B", "2 Point: C", "0 Line: A"}));
    EXPECT_EQ(chart.GetSeries(2), a);
    form->FormActivate();
    EXPECT_EQ(Lines(form->ListSeries), (std::vector<std::string>{"0 Bar: B", "1 Point: C", "2 Line: A"}));
}

TEST_F(ChartProp, DeleteRenameActiveLegendAndColour)
{
    auto* a = Add<TLineSeries>("A");
    auto* b = Add<TLineSeries>("B");
    Select(1);
    ui.Push(TUiAnswer::Input("Weight"));
    Trigger({"&Rename"});
    EXPECT_EQ(ui.Log().back().Caption, "Rename");
    EXPECT_EQ(ui.Log().back().Text, "Series title [1]");
    EXPECT_EQ(ui.Log().back().Default, "B");
    EXPECT_EQ(b->Title(), "Weight");
    EXPECT_EQ(form->ListSeries->item(1)->text(), "1 Line: Weight");

    Trigger({"&Active", "&No"});
    EXPECT_FALSE(b->Active());
    Trigger({"&Active", "&Yes"});
    EXPECT_TRUE(b->Active());
    Trigger({"&Show in legend", "&No"});
    EXPECT_FALSE(b->ShowInLegend());
    Trigger({"&Show in legend", "&Yes"});
    EXPECT_TRUE(b->ShowInLegend());
    ui.Push(TUiAnswer::ChooseColor(0x00AB12));
    Trigger({"&Color"});
    EXPECT_EQ(b->GetSeriesColor(), 0x00AB12);

    Trigger({"&Delete"});
    EXPECT_EQ(chart.CountSeries(), 1);
    EXPECT_EQ(chart.GetSeries(0), a);
    EXPECT_EQ(Lines(form->ListSeries), (std::vector<std::string>{"0 Line: A"}));

    Add<TBarSeries>("C");
    form->FormActivate();
    form->btnDelAll->click();
    EXPECT_EQ(chart.CountSeries(), 0);
    EXPECT_EQ(form->ListSeries->count(), 0);
    EXPECT_EQ(ui.Pending(), 0);
}

TEST_F(ChartProp, LineHoldsItsSeriesNotAnIndex)
{
    auto* a = Add<TLineSeries>("A");
    auto* b = Add<TLineSeries>("B");
    Select(1);
    FreeComponent(b);  // freed elsewhere; the line stays
    ASSERT_EQ(form->ListSeries->count(), 2);
    EXPECT_EQ(form->SelectedSeries(), nullptr);
    Trigger({"&Rename"});
    Trigger({"&Active", "&No"});
    Trigger({"&Delete"});
    Trigger({"&Color"});
    Trigger({"Save data"});
    EXPECT_TRUE(a->Active());
    EXPECT_EQ(chart.CountSeries(), 1);
    EXPECT_TRUE(ui.Log().empty());

    // After a move the line still names its own series.
    auto* c = Add<TLineSeries>("C");
    Select(0);
    form->btnDownClick();
    EXPECT_EQ(form->SeriesOfLine(1), a);
    EXPECT_EQ(form->SeriesOfLine(0), c);
}

TEST_F(ChartProp, KindSubmenusSetTheirStylesWithCheckMarks)
{
    auto* line = Add<TLineSeries>("L");
    auto* points = Add<TPointSeries>("P");
    auto* bar = Add<TBarSeries>("B");
    auto* shape = Add<TChartShape>("S");

    Select(0);
    Trigger({"&Line series", "&Style", "&3 Dot"});
    EXPECT_EQ(line->Pen().Style(), psDot);
    Select(0);
    EXPECT_TRUE(MenuItem(form->PopupSeries, {"&Line series", "&Style", "&3 Dot"})->isChecked());
    EXPECT_FALSE(MenuItem(form->PopupSeries, {"&Line series", "&Style", "&1 Solid"})->isChecked());
    ui.Push(TUiAnswer::Input("4"));
    Trigger({"&Line series", "&Width"});
    EXPECT_EQ(ui.Log().back().Caption, "Line series [0] L");
    EXPECT_EQ(ui.Log().back().Text, "Pen width");
    EXPECT_EQ(line->Pen().Width(), 4);

    Select(1);
    Trigger({"&Point series", "&Style", "&8 Diamond"});
    EXPECT_EQ(points->Pointer().Style(), psDiamond);
    Select(1);
    EXPECT_TRUE(MenuItem(form->PopupSeries, {"&Point series", "&Style", "&8 Diamond"})->isChecked());
    ui.Push(TUiAnswer::Input("9"));
    Trigger({"&Point series", "&Horizontal size"});
    EXPECT_EQ(ui.Log().back().Caption, "Point series [1] P");
    EXPECT_EQ(ui.Log().back().Text, "Horizontal size of marks");
    ui.Push(TUiAnswer::Input("7"));
    Trigger({"&Point series", "&Vertical size"});
    EXPECT_EQ(points->Pointer().HorizSize(), 9);
    EXPECT_EQ(points->Pointer().VertSize(), 7);

    Select(2);
    Trigger({"Bar series", "Brush", "&7 Cross"});
    EXPECT_EQ(bar->Brush().Style(), bsCross);
    Select(2);
    EXPECT_TRUE(MenuItem(form->PopupSeries, {"Bar series", "Brush", "&7 Cross"})->isChecked());
    const bool marked = bar->Marks().Visible();
    Trigger({"Bar series", "Marked"});
    EXPECT_NE(bar->Marks().Visible(), marked);
    for (const char* answer : {"12", "0", "-3"}) {
        ui.Push(TUiAnswer::Input(answer));
        Trigger({"Bar series", "Width"});
    }
    EXPECT_EQ(ui.Log().back().Caption, "Bar width");
    EXPECT_EQ(bar->CustomBarWidth(), 12);

    Select(3);
    EXPECT_FALSE(form->ItemClearBitmap->isVisible());
    Trigger({"Chart s&hape", "&Brush", "&2 Clear"});
    EXPECT_EQ(shape->Brush().Style(), bsClear);
    Trigger({"Chart s&hape", "&Transparant", "&Yes"});
    EXPECT_TRUE(shape->Transparent());
    Trigger({"Chart s&hape", "Outline", "Off"});
    EXPECT_EQ(shape->Pen().Style(), psClear);
    Trigger({"Chart s&hape", "Outline", "On"});
    EXPECT_EQ(shape->Pen().Style(), psSolid);
    ui.Push(TUiAnswer::ChooseFont({"Liberation Serif", 15, false, false, true, false, 0}));
    Trigger({"Chart s&hape", "&Font"});
    EXPECT_EQ(shape->Font().Size(), 15);
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(Qt::red);
    const std::string picture = dir.file("brush.bmp");
    ASSERT_TRUE(image.save(QString::fromStdString(picture), "BMP"));
    ui.Push(TUiAnswer::OpenFile(picture));
    Trigger({"Chart s&hape", "Bit&map"});
    ASSERT_NE(shape->Brush().Bitmap(), nullptr);
    EXPECT_EQ(shape->Brush().Bitmap()->size(), QSize(4, 3));
    Select(3);
    EXPECT_TRUE(form->ItemClearBitmap->isVisible());
    Trigger({"Chart s&hape", "&Clear bitmap"});
    EXPECT_EQ(shape->Brush().Bitmap(), nullptr);
    EXPECT_EQ(ui.Pending(), 0);
}

TEST_F(ChartProp, PointsBecomeArrowsAndArrowsStretch)
{
    auto* points = Add<TPointSeries>("P", {{1, 3}, {2, -1}});
    points->SetSeriesColor(0x0000C0);
    Select(0);
    for (const char* answer : {"0", "0", "2", "3"}) ui.Push(TUiAnswer::Input(answer));
    Trigger({"&Point series", "Point to &arrow"});
    ASSERT_EQ(chart.CountSeries(), 1);
    auto* arrows = dynamic_cast<TArrowSeries*>(chart.GetSeries(0));
    ASSERT_NE(arrows, nullptr);
    EXPECT_EQ(ui.Log()[2].Default, std::string("1") + FormatSettings().DecimalSeparator + "0");
    EXPECT_EQ(ui.Log()[0].Caption, "Arrow common parameters");
    EXPECT_EQ(arrows->Title(), "P");
    EXPECT_FALSE(arrows->ShowInLegend());
    EXPECT_EQ(arrows->Pointer().Pen().Width(), 3);
    EXPECT_EQ(arrows->ArrowWidth(), 12);
    EXPECT_EQ(arrows->ArrowHeight(), 12);
    ASSERT_EQ(arrows->PointCount(), 2);
    EXPECT_EQ(arrows->EndXValues()->GetValueAt(0), 2);
    EXPECT_EQ(arrows->EndYValues()->GetValueAt(0), 6);
    EXPECT_EQ(arrows->EndYValues()->GetValueAt(1), -2);
    EXPECT_EQ(arrows->StartXValues()->GetValueAt(1), 0);
    EXPECT_EQ(arrows->GetPointColor(0), arrows->GetSeriesColor()) << "the arrows take their series' own colour";
    EXPECT_EQ(Lines(form->ListSeries), (std::vector<std::string>{"0 Arrow: P"}));

    Select(0);
    ui.Push(TUiAnswer::Input("0.5"));
    Trigger({"Arro&w series", "&Length multiplier"});
    EXPECT_EQ(arrows->EndXValues()->GetValueAt(0), 1);
    EXPECT_EQ(arrows->EndYValues()->GetValueAt(0), 3);
    EXPECT_EQ(arrows->StartYValues()->GetValueAt(0), 0);
    ui.Push(TUiAnswer::Input("2"));
    Trigger({"Arro&w series", "&Width"});
    EXPECT_EQ(arrows->Pointer().Pen().Width(), 2);
    EXPECT_EQ(arrows->ArrowWidth(), 8);
    ui.Push(TUiAnswer::Input("5"));
    Trigger({"Arro&w series", "&Arrow size"});
    EXPECT_EQ(ui.Log().back().Default, "8");
    EXPECT_EQ(arrows->ArrowWidth(), 5);
    EXPECT_EQ(arrows->ArrowHeight(), 5);
    EXPECT_EQ(ui.Pending(), 0);
}

TEST_F(ChartProp, MergeKeepsTheFirstWithAllPointsInOrder)
{
    auto* a = Add<TPointSeries>("A", {{1, 1}});
    Add<TPointSeries>("B", {{2, 2}, {3, 3}});
    Add<TLineSeries>("Skip", {{9, 9}});
    Add<TPointSeries>("C", {{4, 4}});
    Select(0);
    form->ListSeriesContextPopup();
    EXPECT_FALSE(form->ItemMerge->isVisible());
    for (int row : {0, 1, 3}) form->ListSeries->item(row)->setSelected(true);
    form->ListSeriesContextPopup();
    EXPECT_TRUE(form->ItemMerge->isVisible());
    Trigger({"&Merge"});
    EXPECT_EQ(seriestest::Describe(*a), "1:1 2:2 3:3 4:4");
    EXPECT_EQ(Lines(form->ListSeries), (std::vector<std::string>{"0 Point: A", "1 Line: Skip"}));
}

TEST_F(ChartProp, SaveDataWritesTheExactBytes)
{
    SetProgramCodePage(1250);
    chart.BottomAxis()->GetTitle()->SetCaption("Den měření");
    auto* series = Add<TPointSeries>("Výška", {{1.5, -2.25}, {10, 1e-7}});
    auto* dated = Add<TLineSeries>("Dated");
    dated->XValues()->SetDateTime(true);
    const TDateTime day = EncodeDate(2026, 3, 7);
    dated->AddPointXY(day, 4.5);
    dated->AddPointXY(day + 0.75, 5);
    (void)series;
    struct Case {
        int row;
        std::string expected;
    };
    const Case cases[] = {
        {0, Utf8ToAnsi("\"Den měření\";\"Výška\"\r\n1.5;-2.25\r\n10;1E-7\r\n")},
        {1, Utf8ToAnsi("\"Den měření\";\"Dated\"\r\n" + DateToStr(day) + ";4.5\r\n" + DateToStr(day) + " " +
                       TimeToStr(day + 0.75) + ";5\r\n")},
    };
    for (const Case& c : cases) {
        Select(c.row);
        const std::string path = dir.file("data" + std::to_string(c.row) + ".csv");
        ui.Push(TUiAnswer::SaveFile(path));
        Trigger({"Save data"});
        EXPECT_EQ(ui.Log().back().Caption, "Save data as");
        EXPECT_EQ(qbtest::ReadFileBytes(path), c.expected) << c.row;
    }
    ui.Push(TUiAnswer::Cancel(TUiCallKind::SaveFile));
    Trigger({"Save data"});
}

TEST_F(ChartProp, FailedWritesKeepTheOldFiles)
{
    auto* series = Add<TPointSeries>("P");
    for (int i = 0; i < 400; ++i) series->AddPointXY(i, i * 0.5);
    Select(0);
    struct Case {
        const char* name;
        std::function<void(const std::string& path)> write;
    };
    const Case cases[] = {
        {"settings file", [&](const std::string& path) { SaveChartSettings(chart, path, {}); }},
        {"series data",
         [&](const std::string& path) {
             ui.Push(TUiAnswer::SaveFile(path));
             form->SaveDataClick();
         }},
    };
    for (const Case& c : cases) {
        const std::string path = dir.file("kept.out");
        qbtest::WriteFileBytes(path, "old contents");
        std::string error;
        {
            qbtest::FileSizeLimit limit(1000);
            try {
                c.write(path);
            } catch (const EInOutError& e) {
                error = e.what();
            }
        }
        EXPECT_NE(error.find("kept.out"), std::string::npos) << c.name << ": " << error;
        EXPECT_EQ(qbtest::ReadFileBytes(path), "old contents") << c.name;
    }
}

TEST_F(ChartProp, ShapeTextGoesThroughTheTextLinesDialog)
{
    auto* shape = Add<TChartShape>("S");
    TStringList text;
    text.Add("first");
    shape->SetText(text);
    Select(0);
    qbtest::WhenModal([](QWidget* modal) {
        auto* dialog = qobject_cast<TFormMemoDialog*>(modal);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), "Edit chart shape text");
        dialog->Memo->setPlainText("one\ntwo");
        dialog->BtnOK->click();
    });
    Trigger({"Chart s&hape", "Te&xt"});
    EXPECT_EQ(shape->Text().Text(), "one\r\ntwo\r\n");
}

// The dialog stays on top, so the boxes it opens stay on top too instead of opening beneath it.
TEST_F(ChartProp, ItsOwnBoxesOpenAboveIt)
{
    form->show();
    Add<TChartShape>("S");
    Select(0);
    std::vector<std::string> shown;
    const auto check = [&shown](QWidget* modal) {
        ASSERT_NE(modal, nullptr);
        shown.push_back(modal->windowTitle().toStdString());
        EXPECT_TRUE(modal->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) << shown.back();
        static_cast<QDialog*>(modal)->reject();
    };
    qbtest::WhenModal(check);
    Trigger({"Chart s&hape", "Te&xt"});
    qbtest::WhenModal(check);
    ui.Push(TUiAnswer::SaveFile(dir.file("look.gsf")));
    form->BtnSave->click();
    EXPECT_EQ(shown.size(), 2u);
    EXPECT_EQ(ui.Pending(), 0);
}

TEST(TextLines, CancelKeepsAndOkReplaces)
{
    struct Case {
        const char* name;
        bool ok;
        bool result;
        std::string expected;
    };
    const Case cases[] = {
        {"cancelled", false, false, "a\r\nb\r\nc\r\n"},
        {"confirmed after deleting one", true, true, "a\r\nc\r\n"},
    };
    for (const Case& c : cases) {
        TStringList lines;
        for (const char* line : {"a", "b", "c"}) lines.Add(line);
        std::string shown;
        qbtest::WhenModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<TFormMemoDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            shown = dialog->Memo->toPlainText().toStdString();
            dialog->Memo->setPlainText("a\nc");
            (c.ok ? dialog->BtnOK : dialog->BtnCancel)->click();
        });
        EXPECT_EQ(EditTextLines(lines, "Lines"), c.result) << c.name;
        EXPECT_EQ(shown, "a\nb\nc");
        EXPECT_EQ(lines.Text(), c.expected) << c.name;
    }
}
