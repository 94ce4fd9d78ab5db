// The chart toolbar's model: layout, enabled states, labels and the drag steps of its modes on
// real charts (a pie chart and a bar chart), driven through the charts' own mouse entries.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cmath>
#include <memory>

#include "chart/engine/Chart.h"
#include "chart/engine/DuvPanelExtended.h"
#include "chart/engine/DuvViewAngles.h"
#include "chart/engine/support_EditorServices.h"
#include "chart/graphics/RecordingCanvas.h"
#include "chart/output/DuvComma.h"
#include "chart/output/support_DuvStoreTest.h"
#include "chart/series/SeriesBar.h"
#include "chart/series/SeriesPie.h"

namespace {

void Paint(TCustomDuvPanel& panel)
{
    QImage image(panel.Width(), panel.Height(), QImage::Format_RGB32);
    QPainter painter(&image);
    panel.DrawToCanvas(&painter, panel.GetPanelRect());
}

struct PieChart {
    PieChart()
    {
        chart.SetBounds(0, 0, 400, 300);
        pie = new TPieSeries(&chart);
        pie->SetParentChart(&chart);
        for (double v : {30.0, 30.0, 40.0}) pie->AddYWithIndexX(v);
        chart.SetView3D(false);
        Paint(chart);
    }
    TScopedComponent<TChart> chart;
    TPieSeries* pie = nullptr;
};

struct BarChart {
    BarChart()
    {
        chart.SetBounds(0, 0, 400, 300);
        auto* bars = new TBarSeries(&chart);
        bars->SetParentChart(&chart);
        for (double v : {3.0, 5.0, 2.0}) bars->AddYWithIndexX(v);
        Paint(chart);
    }
    TScopedComponent<TChart> chart;
};

// A plain panel with a gradient, neither chart nor axis panel.
class TPlainPanel : public TCustomDuvPanelExtended {
public:
    TPlainPanel() : TCustomDuvPanelExtended(nullptr) { SetBounds(0, 0, 300, 200); }
};

void Drag(TCustomDuvPanel& panel, TPoint from, TPoint to, TShiftState shift = {}, TMouseButton button = mbLeft)
{
    panel.MouseDown(button, shift, from.X, from.Y);
    panel.MouseMove(shift, to.X, to.Y);
    panel.MouseUp(button, shift, to.X, to.Y);
}

struct LabelBracket {
    void On(TDuvCommander*, std::string& text) { text = "<" + text + ">"; }
};

struct EditedLog {
    std::vector<std::string>* Heard = nullptr;
    void On(TDuvCommander*, TCustomChart*) { Heard->push_back("edited"); }
};

class CommanderTest : public ::testing::Test {
protected:
    void SetUp() override { storetest::StartStoreModules(); }
};

}  // namespace

TEST_F(CommanderTest, StandardBarLaysItsControlsOutInARowOrAColumn)
{
    TDuvCommander bar;
    EXPECT_EQ(bar.Width(), 400);
    EXPECT_EQ(bar.Height(), 33);
    struct Place {
        int code;
        int left, top, width, height;
    };
    const Place horizontal[] = {
        {dcNormal, 4, 4, 25, 25},   {dcSeparator, 33, 2, 2, 29}, {dcRotate, 39, 4, 25, 25},
        {dcMove, 68, 4, 25, 25},    {dcZoom, 97, 4, 25, 25},     {dcDepth, 126, 4, 25, 25},
        {dc3D, 155, 4, 25, 25},     {dcSeparator, 184, 2, 2, 29}, {dcEdit, 190, 4, 25, 25},
        {dcPrint, 219, 4, 25, 25},  {dcCopy, 248, 4, 25, 25},    {dcSave, 277, 4, 25, 25},
        {dcLabel, 306, 12, 0, 0},
    };
    ASSERT_EQ(bar.Controls().size(), std::size(horizontal));
    for (std::size_t i = 0; i < std::size(horizontal); ++i) {
        SCOPED_TRACE(i);
        const TCommanderControl& c = *bar.Controls()[i];
        EXPECT_EQ(c.Code, horizontal[i].code);
        EXPECT_EQ((TRect{c.Left, c.Top, c.Width, c.Height}),
                  (TRect{horizontal[i].left, horizontal[i].top, horizontal[i].width, horizontal[i].height}));
    }
    EXPECT_EQ(bar.Button(dcSave)->Glyph, "DuvSave");
    EXPECT_EQ(bar.Button(dc3D)->Hint, "3D");
    EXPECT_EQ(bar.Button(dcRotate)->GroupIndex, 1);
    EXPECT_EQ(bar.Button(dc3D)->GroupIndex, 2);
    EXPECT_EQ(bar.Button(dcPrint)->GroupIndex, 0);

    bar.SetAlign(alTop);
    bar.SetBounds(0, 0, 33, 400);
    bar.SetVertical(true);
    EXPECT_EQ(bar.Align(), alLeft);
    const TCommanderControl& separator = *bar.Controls()[1];
    EXPECT_EQ((TRect{separator.Left, separator.Top, separator.Width, separator.Height}), (TRect{4, 33, 25, 2}));
    EXPECT_EQ(bar.Button(dcSave)->Top, 277);
    EXPECT_EQ(bar.Button(dcSave)->Left, 4);
    bar.SetLabelText("hidden");
    EXPECT_FALSE(bar.ValueLabel()->Visible) << "a vertical bar hides the value label";
}

TEST_F(CommanderTest, EnabledStatesFollowThePanel)
{
    PieChart pie;
    TPlainPanel plain;
    struct Case {
        const char* name;
        TCustomDuvPanel* panel;
        bool rotate, edit, depth, save, print;
    };
    const Case cases[] = {
        {"no panel", nullptr, false, false, false, false, false},
        {"a chart", &pie.chart, true, true, true, true, true},
        {"a panel that is no chart", &plain, true, true, false, false, true},
    };
    // Edit opens the chart editor or the gradient editor: without one installed it stays off.
    TTestEditorServices editor;
    editor.Edit = [](TComponent*, TCustomChart&) {};
    editor.Gradient = [](TComponent*, TDuvGradient&) { return true; };
    for (const bool installed : {false, true})
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (installed ? ", editor installed" : ", no editor"));
        std::unique_ptr<TScopedChartEditorServices> scope;
        if (installed) scope = std::make_unique<TScopedChartEditorServices>(editor);
        TDuvCommander bar;
        bar.SetPanel(c.panel);
        EXPECT_EQ(bar.Button(dcRotate)->Enabled, c.rotate);
        EXPECT_EQ(bar.Button(dcNormal)->Enabled, c.rotate);
        EXPECT_EQ(bar.Button(dcEdit)->Enabled, installed && c.edit);
        EXPECT_EQ(bar.Button(dcDepth)->Enabled, c.depth);
        EXPECT_EQ(bar.Button(dcSave)->Enabled, c.save);
        EXPECT_EQ(bar.Button(dcPrint)->Enabled, c.print);
        EXPECT_TRUE(bar.Button(dcNormal)->Down);
        if (c.panel) {
            EXPECT_EQ(bar.Button(dc3D)->Down, c.panel->View3D());
        }
    }
}

TEST_F(CommanderTest, ModeButtonsShowTheirHints)
{
    PieChart pie;
    TPlainPanel plain;
    struct Case {
        const char* name;
        TCustomDuvPanel* panel;
        bool exploding;
        int code;
        const char* label;
    };
    const Case cases[] = {
        {"normal on a pie", &pie.chart, true, dcNormal, "Drag a Pie Slice to Explode it"},
        {"normal without exploding", &pie.chart, false, dcNormal, "Drag Left button to Zoom, Right button to Scroll"},
        {"normal on a panel", &plain, true, dcNormal, "Drag Left button to Zoom, Right button to Scroll"},
        {"rotate a chart", &pie.chart, true, dcRotate, "Drag Chart to Rotate"},
        {"rotate a panel", &plain, true, dcRotate, "Drag Panel to Rotate"},
        {"move", &pie.chart, true, dcMove, "Drag Chart to Move"},
        {"zoom", &pie.chart, true, dcZoom, "Drag Chart to Zoom"},
        {"depth", &pie.chart, true, dcDepth, "Drag Chart to resize 3D"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TDuvCommander bar;
        bar.SetPanel(c.panel);
        bar.EnablePieExploding = c.exploding;
        if (c.code == dcNormal) bar.ClickButton(dcRotate);
        bar.ClickButton(c.code);
        EXPECT_EQ(bar.ValueLabel()->Caption, c.label);
        EXPECT_TRUE(bar.Button(c.code)->Down);
        for (int other : {dcNormal, dcRotate, dcMove, dcZoom, dcDepth})
            if (other != c.code) {
                EXPECT_FALSE(bar.Button(other)->Down);
            }
    }
    TDuvCommander bar;
    bar.SetPanel(&pie.chart);
    LabelBracket bracket;
    bar.OnSetLabel = {&bracket, &LabelBracket::On};
    bar.ClickButton(dcZoom);
    EXPECT_EQ(bar.ValueLabel()->Caption, "<Drag Chart to Zoom>");
    bar.ClickButton(dcZoom);
    EXPECT_FALSE(bar.Button(dcZoom)->Down) << "the mode buttons may all be up";
    bar.SetLabelValues(false);
    EXPECT_FALSE(bar.ValueLabel()->Visible);
}

TEST_F(CommanderTest, RotateModeTurnsTheChartByNinetyDegreesPerPanelWidth)
{
    BarChart bars;
    TChart& chart = bars.chart;
    TDuvCommander bar;
    bar.SetPanel(&chart);
    bar.ClickButton(dcRotate);
    chart.SetView3D(false);
    TView3DOptions& view = chart.View3DOptions();
    view.SetRotation(345);
    view.SetElevation(345);
    Drag(chart, {0, 150}, {400, 150});
    EXPECT_TRUE(chart.View3D());
    EXPECT_TRUE(bar.Button(dc3D)->Down);
    EXPECT_FALSE(view.Orthogonal());
    EXPECT_DOUBLE_EQ(view.RotationValue(), NextRotationAngle(false, 90, 345));
    EXPECT_DOUBLE_EQ(view.RotationValue(), 75);
    EXPECT_EQ(bar.ValueLabel()->Caption, "Rotation: 75\u00b0 Elevation: 345\u00b0");
    EXPECT_FALSE(chart.Zoom().Active) << "the chart's own zoom stays off";

    // Upward by the whole height: the elevation stops at 360 without full rotation.
    Drag(chart, {200, 300}, {200, 0});
    EXPECT_DOUBLE_EQ(view.ElevationValue(), 360);

    struct Case {
        const char* name;
        TShiftState shift;
        TMouseButton button;
        bool rotates, moves, zooms;
    };
    const Case cases[] = {
        {"plain drag rotates", {}, mbLeft, true, false, false},
        {"shift moves", TShiftState{ssShift}, mbLeft, false, true, false},
        {"ctrl zooms", TShiftState{ssCtrl}, mbLeft, false, false, true},
        {"right button moves", {}, mbRight, false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const double rotation = view.RotationValue();
        const int offset = view.HorizOffset();
        const double zoom = view.ZoomValue();
        Drag(chart, {100, 200}, {140, 160}, c.shift, c.button);
        EXPECT_EQ(view.RotationValue() != rotation, c.rotates);
        EXPECT_EQ(view.HorizOffset() != offset, c.moves);
        EXPECT_EQ(view.ZoomValue() != zoom, c.zooms);
    }
}

TEST_F(CommanderTest, ZoomAndDepthModesKeepTheirRanges)
{
    BarChart bars;
    TChart& chart = bars.chart;
    TDuvCommander bar;
    bar.SetPanel(&chart);
    TView3DOptions& view = chart.View3DOptions();

    bar.ClickButton(dcZoom);
    view.SetZoom(100);
    Drag(chart, {200, 150}, {200, 149});
    EXPECT_GE(view.ZoomValue(), 101) << "any upward drag zooms in by at least 1";
    for (int i = 0; i < 20; ++i) Drag(chart, {200, 0}, {200, 300});
    EXPECT_GE(view.ZoomValue(), 1) << "a downward drag never brings the zoom below 1";
    EXPECT_EQ(bar.ValueLabel()->Caption, "Zoom: " + std::to_string(view.Zoom()) + " %");

    bar.ClickButton(dcDepth);
    chart.SetChart3DPercent(15);
    Drag(chart, {0, 0}, {400, 300});
    EXPECT_EQ(chart.Chart3DPercent(), 100) << "never above 100";
    chart.SetChart3DPercent(15);
    chart.MouseDown(mbLeft, {}, 100, 100);
    chart.MouseMove({}, 200, 100);
    const int deeper = chart.Chart3DPercent();
    EXPECT_GT(deeper, 15);
    chart.MouseMove({}, 100, 100);
    EXPECT_EQ(chart.Chart3DPercent(), deeper) << "back at the start (d = 0) changes nothing";
    chart.MouseUp(mbLeft, {}, 100, 100);
    EXPECT_EQ(bar.ValueLabel()->Caption, "3D: " + std::to_string(deeper) + " %");
}

TEST_F(CommanderTest, NormalModeExplodesTheGrabbedPieSlice)
{
    PieChart fixture;
    TChart& chart = fixture.chart;
    TPieSeries& pie = *fixture.pie;
    TDuvCommander bar;
    bar.SetPanel(&chart);
    const int x = pie.CircleXCenter + pie.XRadius / 2, y = pie.CircleYCenter;
    const int slice = pie.PointAtScreen(x, y);
    ASSERT_NE(slice, -1);

    chart.MouseDown(mbLeft, {}, x, y);
    EXPECT_EQ(bar.GrabbedSlice(), slice);
    EXPECT_FALSE(chart.Zoom().Active);
    chart.MouseMove({}, x + pie.CircleWidth / 10, y);
    const int small = pie.ExplodedSlice.Get(slice);
    EXPECT_GT(small, 0);
    EXPECT_LT(small, 100);
    chart.MouseMove({}, x + 2000, y);
    EXPECT_EQ(pie.ExplodedSlice.Get(slice), 100);
    EXPECT_EQ(bar.ValueLabel()->Caption, "Slice: " + std::to_string(slice) + " Exploded: 100 %");
    chart.MouseUp(mbLeft, {}, x + 2000, y);
    EXPECT_EQ(bar.GrabbedSlice(), -1);

    // Without pie exploding the chart's own zoom takes the drag (a bar series lets it zoom).
    auto* bars = new TBarSeries(&chart);
    bars->SetParentChart(&chart);
    bars->AddYWithIndexX(1);
    bar.EnablePieExploding = false;
    chart.MouseDown(mbLeft, {}, x, y);
    EXPECT_FALSE(bar.IsDragging());
    EXPECT_TRUE(chart.Zoom().Active);
    chart.MouseUp(mbLeft, {}, x, y);
}

TEST_F(CommanderTest, APieSpinsByTheAngleThePointerSweeps)
{
    PieChart fixture;
    TChart& chart = fixture.chart;
    TPieSeries& pie = *fixture.pie;
    TDuvCommander bar;
    bar.SetPanel(&chart);
    bar.ClickButton(dcRotate);
    chart.SetView3D(false);
    const int cx = pie.CircleXCenter, cy = pie.CircleYCenter, r = pie.XRadius / 2;
    ASSERT_EQ(pie.RotationAngle(), 0);
    // Right of the centre, then above, left, below and right again: a quarter turn each.
    chart.MouseDown(mbLeft, {}, cx + r, cy);
    const TPoint path[] = {{cx, cy - r}, {cx - r, cy}, {cx, cy + r}, {cx + r, cy}};
    const int expected[] = {90, 180, 270, 0};
    for (int i = 0; i < 4; ++i) {
        chart.MouseMove({}, path[i].X, path[i].Y);
        EXPECT_EQ(pie.RotationAngle(), expected[i]) << "step " << i;
    }
    chart.MouseUp(mbLeft, {}, cx + r, cy);
    EXPECT_FALSE(chart.View3D()) << "a flat pie spins without switching 3D on";
}

TEST_F(CommanderTest, RotateModeOnA3DPieTurnsTheSlices)
{
    PieChart fixture;
    TChart& chart = fixture.chart;
    TDuvCommander bar;
    bar.SetPanel(&chart);
    bar.ClickButton(dcRotate);
    chart.SetView3D(true);
    Drag(chart, {0, 150}, {200, 150});
    EXPECT_EQ(fixture.pie->RotationAngle(), 45);
    EXPECT_DOUBLE_EQ(chart.View3DOptions().RotationValue(), 360);
    EXPECT_EQ(chart.View3DOptions().Perspective(), 0);
}

TEST_F(CommanderTest, StepsThatWouldDivideByZeroDoNothing)
{
    // A chart never painted has an empty chart rectangle and circle; one of no size has no width.
    TChart chart;
    auto* pie = new TPieSeries(&chart);
    pie->SetParentChart(&chart);
    pie->AddYWithIndexX(1);
    TDuvCommander bar;
    bar.SetPanel(&chart);
    TView3DOptions& view = chart.View3DOptions();
    chart.SetView3D(false);

    bar.ClickButton(dcZoom);
    Drag(chart, {10, 10}, {10, 0});
    EXPECT_DOUBLE_EQ(view.ZoomValue(), 100);
    bar.ClickButton(dcDepth);
    Drag(chart, {10, 10}, {40, 40});
    EXPECT_EQ(chart.Chart3DPercent(), 15);

    bar.EnablePieExploding = false;
    chart.SetBounds(0, 0, 0, 0);
    bar.ClickButton(dcRotate);
    const double rotation = view.RotationValue();
    Drag(chart, {0, 0}, {30, 30});
    EXPECT_DOUBLE_EQ(view.RotationValue(), rotation);
    EXPECT_FALSE(chart.View3D());
}

TEST_F(CommanderTest, ButtonsReachTheInstalledServices)
{
    PieChart fixture;
    TChart& chart = fixture.chart;
    std::vector<std::string> heard;
    TTestEditorServices services;
    services.Preview = [&](TComponent*, TCustomDuvPanel& panel) { heard.push_back(&panel == &chart ? "preview" : "?"); };
    services.Edit = [&](TComponent*, TCustomChart& edited) {
        heard.push_back(&edited == &chart ? "edit" : "?");
        edited.SetView3D(true);
    };
    services.Save = [&](TCustomChart&) {
        heard.push_back("save");
        return std::string();
    };
    services.Execute = [&](TComponent& component) { heard.push_back("execute " + component.Name()); };
    TScopedChartEditorServices installed(services);
    TScopedComponent<TDuvCommander> bar;
    bar.SetPanel(&chart);
    EditedLog edited{&heard};
    bar.OnEditedChart = {&edited, &EditedLog::On};

    bar.ClickButton(dcPrint);
    bar.ClickButton(dcEdit);
    EXPECT_TRUE(bar.Button(dc3D)->Down) << "the 3D button follows the edited chart";
    bar.ClickButton(dcSave);
    {
        TScopedComponent<TComponent> previewer(nullptr);
        previewer.SetName("Previewer1");
        TScopedComponent<TComponent> editor(nullptr);
        editor.SetName("Editor1");
        bar.SetPreviewer(&previewer);
        bar.SetChartEditor(&editor);
        bar.ClickButton(dcPrint);
        bar.ClickButton(dcEdit);
    }
    EXPECT_EQ(bar.Previewer(), nullptr);
    EXPECT_EQ(bar.ChartEditor(), nullptr);
    EXPECT_EQ(heard, (std::vector<std::string>{"preview", "edit", "edited", "save", "execute Previewer1",
                                               "execute Editor1"}));

    bar.ClickButton(dc3D);
    EXPECT_FALSE(chart.View3D());
    QGuiApplication::clipboard()->clear();
    bar.ClickButton(dcCopy);
    EXPECT_EQ(QGuiApplication::clipboard()->image().size(), QSize(400, 300));

    TScopedComponent<TPlainPanel> plain;
    bool gradient = false;
    services.Gradient = [&](TComponent*, TDuvGradient& edited) { return gradient = &edited == plain.PeekGradient(); };
    bar.SetPanel(&plain);
    bar.ClickButton(dcEdit);
    EXPECT_TRUE(gradient);
}

TEST_F(CommanderTest, AFreedPanelLeavesTheBarDisabled)
{
    TScopedComponent<TDuvCommander> bar;
    {
        BarChart bars;
        bar.SetPanel(&bars.chart);
        EXPECT_TRUE(bar.Button(dcRotate)->Enabled);
        bars.chart.SetView3D(!bars.chart.View3D());
        EXPECT_EQ(bar.Button(dc3D)->Down, bars.chart.View3D()) << "the panel's 3D switch reaches the button";
    }
    EXPECT_EQ(bar.Panel(), nullptr);
    EXPECT_FALSE(bar.Button(dcRotate)->Enabled);
    bar.ClickButton(dcPrint);
}

// Without editor services Edit is off and a click on it does nothing; a linked chart editor
// component turns it on until that component goes.
TEST_F(CommanderTest, EditWaitsForAnEditor)
{
    PieChart fixture;
    TScopedComponent<TDuvCommander> bar;
    bar.SetPanel(&fixture.chart);
    EXPECT_FALSE(ChartEditorServices().CanEditChart());
    EXPECT_FALSE(bar.Button(dcEdit)->Enabled);
    const bool view3D = fixture.chart.View3D();
    bar.ClickButton(dcEdit);
    bar.ClickButton(dcPrint);
    bar.ClickButton(dcSave);
    EXPECT_EQ(fixture.chart.View3D(), view3D);
    {
        TScopedComponent<TComponent> editor(nullptr);
        bar.SetChartEditor(&editor);
        EXPECT_TRUE(bar.Button(dcEdit)->Enabled);
        bar.ClickButton(dcEdit);
    }
    EXPECT_EQ(bar.ChartEditor(), nullptr);
    EXPECT_FALSE(bar.Button(dcEdit)->Enabled);
}

namespace {

class FullRotationCanvas : public TRecordingCanvas {
public:
    bool SupportsFullRotation() override { return true; }
};

}  // namespace

TEST_F(CommanderTest, ACanvasThatTurnsFreelyWrapsTheAnglesAndTiltsWithShift)
{
    BarChart bars;
    TChart& chart = bars.chart;
    chart.ReplaceCanvas(std::make_unique<FullRotationCanvas>(), "FullRotationCanvas");
    TDuvCommander bar;
    bar.SetPanel(&chart);
    bar.ClickButton(dcRotate);
    TView3DOptions& view = chart.View3DOptions();
    view.SetRotation(350);
    view.SetElevation(10);
    // A quarter of the width right and a third of the height down.
    Drag(chart, {0, 0}, {100, 100});
    EXPECT_DOUBLE_EQ(view.RotationValue(), WrapAngle(350 + 22.5));
    EXPECT_DOUBLE_EQ(view.ElevationValue(), WrapAngle(10 - 30));
    EXPECT_DOUBLE_EQ(view.TiltValue(), 0);
    // Shift in move mode turns instead, and on such a canvas turning with Shift tilts.
    bar.ClickButton(dcMove);
    Drag(chart, {0, 100}, {0, 0}, TShiftState{ssShift});
    EXPECT_DOUBLE_EQ(view.TiltValue(), 30);
    EXPECT_DOUBLE_EQ(view.RotationValue(), WrapAngle(350 + 22.5));
}
