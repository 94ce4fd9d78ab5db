// The tools unit without a window: where an annotation's box and callout go, what the callout
// draws, how the rotate tool's angles move, the unit's registration and chart files with tools.
#include <gtest/gtest.h>

#include "chart/engine/Chart.h"
#include "chart/engine/ChartLegend.h"
#include "chart/engine/ChartRegistry.h"
#include "chart/engine/DuvTextShape.h"
#include "chart/graphics/RecordingCanvas.h"
#include "chart/output/DuvStore.h"
#include "chart/tools/ChartToolsModules.h"
#include "chart/tools/DuvTools.h"
#include "chart/tools/support_ToolsTest.h"
#include "platform/core/ClassRegistry.h"
#include "platform/core/Streams.h"
#include "support/TestSupport.h"

namespace {

class DuvToolsTest : public testing::Test {
protected:
    void SetUp() override
    {
        toolstest::StartToolsModules();
        chart.SetBounds(0, 0, 400, 300);
        chart.SetName("Chart1");
    }
    qbtest::ScopedConfigDir config_;
    TChart chart;
};

// A fixed-size shape placed inside the panel bounds.
TEST_F(DuvToolsTest, TheShapeGoesToItsCornerCentreOrCustomPlace)
{
    struct TCase {
        TRect Panel;
        int Width, Height;
        TAnnotationPosition Position;
        bool Custom;
        TDuvUnits Units;
        int Left, Top;
        TPoint Expected;
    };
    const TCase cases[] = {
        // a and b count the last pixel.
        {{0, 0, 400, 300}, 100, 20, ppRightBottom, false, muPixels, 0, 0, {291, 271}},
        {{0, 0, 399, 299}, 80, 24, ppLeftTop, false, muPixels, 0, 0, {10, 10}},
        {{0, 0, 399, 299}, 80, 24, ppLeftBottom, false, muPixels, 0, 0, {10, 266}},
        {{0, 0, 399, 299}, 80, 24, ppRightTop, false, muPixels, 0, 0, {310, 10}},
        {{0, 0, 399, 299}, 80, 24, ppRightBottom, false, muPixels, 0, 0, {310, 266}},
        {{0, 0, 399, 299}, 80, 24, ppCenter, false, muPixels, 0, 0, {159, 137}},
        {{0, 0, 399, 299}, 80, 24, ppLeftTop, true, muPercent, 50, 0, {200, 0}},
        {{0, 0, 399, 299}, 80, 24, ppLeftTop, true, muPercent, 10, 20, {40, 60}},
        {{0, 0, 399, 299}, 80, 24, ppRightBottom, true, muPixels, 10, 20, {10, 20}},
        // The reference rectangle's corner is added.
        {{5, 7, 404, 306}, 80, 24, ppLeftTop, true, muPixels, 10, 20, {15, 27}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << static_cast<int>(c.Position) << " custom " << c.Custom << " "
                                        << c.Left << "," << c.Top);
        TAnnotationTool tool;
        tool.SetAutoSize(false);
        tool.Shape().Bounds = {0, 0, c.Width, c.Height};
        tool.SetPosition(c.Position);
        tool.SetPositionUnits(c.Units);
        if (c.Custom) {
            tool.SetLeft(c.Left);
            tool.SetTop(c.Top);
        }
        int left = -1, top = -1;
        const TRect r = tool.CalcShapeBounds(&chart, c.Panel, left, top);
        EXPECT_EQ(r, (TRect{c.Expected.X, c.Expected.Y, c.Expected.X + c.Width, c.Expected.Y + c.Height}));
        EXPECT_EQ(left, c.Expected.X);
        EXPECT_EQ(top, c.Expected.Y);
        // A custom place does not move the shape's own bounds; an automatic one does.
        const TRect own = tool.Shape().Bounds;
        const TRect expectedOwn = c.Custom ? TRect{c.Left, c.Top, c.Left + c.Width, c.Top + c.Height} : r;
        EXPECT_EQ(own, expectedOwn);
    }
}

TEST_F(DuvToolsTest, SettersSwitchAutoSizeAndTheCustomPosition)
{
    TAnnotationTool tool;
    EXPECT_TRUE(tool.AutoSize());
    tool.SetWidth(120);
    EXPECT_FALSE(tool.AutoSize());
    EXPECT_EQ(tool.Width(), 120);
    tool.SetLeft(30);
    EXPECT_TRUE(tool.Shape().CustomPosition());
    EXPECT_EQ(tool.Width(), 120);  // moving keeps the size
    tool.SetPosition(ppRightTop);
    EXPECT_FALSE(tool.Shape().CustomPosition());
    tool.SetTop(5);
    EXPECT_TRUE(tool.Shape().CustomPosition());
}

TEST_F(DuvToolsTest, TheCalloutAnchorsAtTheSideFacingItsTarget)
{
    struct TCase {
        TPoint Target;
        int Distance;
        TPoint Anchor, End;
    };
    const TRect box{50, 50, 150, 90};
    const TCase cases[] = {
        {{100, 200}, 0, {100, 90}, {100, 200}},   // below
        {{100, 200}, 15, {100, 90}, {100, 185}},  // the end comes 15 nearer
        {{100, 0}, 15, {100, 50}, {100, 15}},     // above
        {{300, 70}, 0, {150, 70}, {300, 70}},     // right
        {{300, 70}, 20, {150, 70}, {280, 70}},
        {{0, 70}, 0, {50, 70}, {0, 70}},          // left
        {{250, 190}, 0, {150, 90}, {250, 190}},   // beyond a corner
        {{100, 70}, 0, {100, 70}, {100, 70}},     // inside: the centre
        {{100, 100}, 30, {100, 90}, {100, 70}},   // longer than the line: past the anchor
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Target.X << "," << c.Target.Y << " distance " << c.Distance);
        const TPoint anchor = CalloutAnchor(box, c.Target);
        EXPECT_EQ(anchor.X, c.Anchor.X);
        EXPECT_EQ(anchor.Y, c.Anchor.Y);
        const TPoint end = CalloutEnd(anchor, c.Target, c.Distance);
        EXPECT_EQ(end.X, c.End.X);
        EXPECT_EQ(end.Y, c.End.Y);
    }
}

// What the callout draws from the box (50, 50, 150, 90) to the point (100, 200).
TEST_F(DuvToolsTest, TheCalloutDrawsAnArrowALineOrItsPointer)
{
    struct TCase {
        const char* Name;
        TArrowHeadStyle Head;
        bool ArrowVisible;
        bool Visible;
        std::vector<std::string> Calls;
    };
    const TCase cases[] = {
        {"nothing", ahNone, false, false, {}},
        // The head (8 long, 8 wide) at the target, the shaft from the anchor.
        {"open head", ahLine, true, false,
         {"MoveTo(100,90)", "LineTo(100,200)", "LineTo(96,192)", "MoveTo(100,200)", "LineTo(104,192)"}},
        {"filled head", ahSolid, true, false, {"Polygon([98:90 102:90 102:192 104:192 100:200 96:192 98:192])"}},
        {"plain line", ahNone, true, false, {"MoveTo(100,200)", "LineTo(100,90)"}},
        {"pointer only", ahNone, false, true, {"Rectangle(96,196,105,205)"}},
        {"line and pointer", ahNone, true, true, {"MoveTo(100,200)", "LineTo(100,90)", "Rectangle(96,196,105,205)"}},
        // A head takes the place of the pointer.
        {"head, no pointer", ahSolid, true, true, {"Polygon([98:90 102:90 102:192 104:192 100:200 96:192 98:192])"}},
    };
    chart.SetView3D(false);
    chart.ReplaceCanvas(std::make_unique<TRecordingCanvas>(), "TRecordingCanvas");
    auto& canvas = static_cast<TRecordingCanvas&>(chart.Canvas());
    chart.PanelBounds = {0, 0, 400, 300};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        auto* tool = new TAnnotationTool(&chart);
        tool->SetParentChart(&chart);
        tool->Shape().SetVisible(false);
        tool->SetAutoSize(false);
        tool->SetLeft(50);
        tool->SetTop(50);
        tool->SetWidth(100);
        tool->SetHeight(40);
        tool->Callout().SetXPosition(100);
        tool->Callout().SetYPosition(200);
        tool->Callout().SetArrowHead(c.Head);
        tool->Callout().Arrow().SetVisible(c.ArrowVisible);
        tool->Callout().SetVisible(c.Visible);
        canvas.Clear();
        tool->DrawAnnotation(&chart);
        std::vector<std::string> drawn;
        for (const std::string& call : canvas.Texts())
            if (call.starts_with("MoveTo(") || call.starts_with("LineTo(") || call.starts_with("Polygon(") ||
                call.starts_with("Rectangle(") || call.starts_with("Ellipse("))
                drawn.push_back(call);
        EXPECT_EQ(drawn, c.Calls);
        tool->Free();
    }
}

TEST_F(DuvToolsTest, ANewNameBecomesTheTextUnlessLoading)
{
    auto* tool = new TAnnotationTool(&chart);
    tool->SetParentChart(&chart);
    tool->SetName("Note1");
    EXPECT_EQ(tool->Text(), "Note1");
    tool->SetText("Peak of the season");
    EXPECT_EQ(tool->Text(), "Peak of the season");
    tool->SetName("Note2");
    EXPECT_EQ(tool->Text(), "Note2");

    tool->SetText("Kept text");
    TMemoryStream stream;
    SaveChartToStream(chart, stream);
    TChart loaded;
    loaded.SetName("Chart1");
    stream.SetPosition(0);
    LoadChartFromStream(loaded, stream);
    ASSERT_EQ(loaded.Tools()->Count(), 1);
    auto* copy = dynamic_cast<TAnnotationTool*>(loaded.Tools()->GetTool(0));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Name(), "Note2");
    EXPECT_EQ(copy->Text(), "Kept text");
}

// The rotate tool's angle steps on a canvas that cannot turn freely.
TEST_F(DuvToolsTest, RotationWrapsAndElevationStaysAboveTheChart)
{
    struct TCase {
        TRotateToolStyles Style;
        double Rotation, Elevation, RotationDelta, ElevationDelta;
        double ExpectedRotation, ExpectedElevation;
    };
    const TCase cases[] = {
        {rsAll, 358, 345, 5, 0, 3, 345},
        {rsAll, 2, 345, -5, 0, 357, 345},
        {rsAll, 10, 340, 0, 45, 10, 360},
        {rsAll, 10, 280, 0, -30, 10, 270},
        {rsRotation, 10, 300, 20, 20, 30, 300},
        {rsElevation, 10, 300, 20, 20, 10, 320},
    };
    auto* tool = new TRotateTool(&chart);
    tool->SetParentChart(&chart);
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Rotation << " + " << c.RotationDelta << ", " << c.Elevation << " + "
                                        << c.ElevationDelta);
        tool->SetStyle(c.Style);
        chart.View3DOptions().SetOrthogonal(true);
        chart.View3DOptions().SetRotation(c.Rotation);
        chart.View3DOptions().SetElevation(c.Elevation);
        tool->RotateBy(c.ElevationDelta, c.RotationDelta);
        EXPECT_FALSE(chart.View3DOptions().Orthogonal());
        EXPECT_DOUBLE_EQ(chart.View3DOptions().RotationValue(), c.ExpectedRotation);
        EXPECT_DOUBLE_EQ(chart.View3DOptions().ElevationValue(), c.ExpectedElevation);
    }
}

TEST_F(DuvToolsTest, InertiaSlowsTheTurnAtEachChartEvent)
{
    struct TCase {
        int Inertia;
        double After;
    };
    for (const TCase c : {TCase{50, 3.8}, TCase{100, 4.0}, TCase{1, 4 - 4 * 0.099}}) {
        SCOPED_TRACE(c.Inertia);
        auto* tool = new TRotateTool(&chart);
        tool->SetParentChart(&chart);
        tool->SetInertia(c.Inertia);
        // A drag step of 4 degrees each way.
        chart.SetBounds(0, 0, 360, 360);
        tool->HandleMouseEvent(TMouseEventKind::Down, mbLeft, {}, 100, 100);
        tool->HandleMouseEvent(TMouseEventKind::Move, mbLeft, {}, 116, 84);
        tool->HandleMouseEvent(TMouseEventKind::Up, mbLeft, {}, 116, 84);
        ASSERT_DOUBLE_EQ(tool->RotationDelta(), 4);
        ASSERT_DOUBLE_EQ(tool->ElevationDelta(), 4);
        tool->HandleChartEvent(TChartEventCode::BeforeDraw);
        EXPECT_NEAR(tool->RotationDelta(), c.After, 1e-12);
        EXPECT_NEAR(tool->ElevationDelta(), c.After, 1e-12);
        tool->Free();
    }
}

TEST_F(DuvToolsTest, AChartWithoutSizeTurnsNothing)
{
    chart.SetBounds(0, 0, 0, 0);
    auto* tool = new TRotateTool(&chart);
    tool->SetParentChart(&chart);
    chart.View3DOptions().SetRotation(20);
    chart.View3DOptions().SetElevation(340);
    tool->HandleMouseEvent(TMouseEventKind::Down, mbLeft, {}, 0, 0);
    tool->HandleMouseEvent(TMouseEventKind::Move, mbLeft, {}, 50, -40);
    tool->HandleMouseEvent(TMouseEventKind::Up, mbLeft, {}, 50, -40);
    EXPECT_DOUBLE_EQ(chart.View3DOptions().RotationValue(), 20);
    EXPECT_DOUBLE_EQ(chart.View3DOptions().ElevationValue(), 340);
}

TEST_F(DuvToolsTest, TheUnitRegistersItsToolsInTheirOrder)
{
    const std::vector<const TClassInfo*> expected = {&TRotateTool::StaticClass(), &TAnnotationTool::StaticClass(),
                                                     &TRectangleTool::StaticClass()};
    EXPECT_EQ(DuvToolsClasses(), expected);
    // Lower libraries register their own tools first; this unit's follow in their order.
    const int first = GetToolClassList().IndexOf(&TRotateTool::StaticClass());
    ASSERT_GE(first, 0);
    std::vector<const TClassInfo*> listed;
    for (int i = first; i < GetToolClassList().Count(); ++i) listed.push_back(GetToolClassList().ToolClassAt(i));
    EXPECT_EQ(listed, expected);
    // The test program's start counts as one; a second start changes nothing.
    const int count = GetToolClassList().Count();
    InitializeChartToolsModules();
    EXPECT_EQ(GetToolClassList().Count(), count);
    FinalizeChartToolsModules();
    EXPECT_EQ(GetToolClassList().Count(), count);
}

TEST_F(DuvToolsTest, AfterTheUnitStopsAFileNamingItsToolsFailsToRead)
{
    auto* tool = new TRectangleTool(&chart);
    tool->SetName("Box1");
    tool->SetParentChart(&chart);
    TMemoryStream stream;
    SaveChartToStream(chart, stream);
    const int place = GetToolClassList().IndexOf(&TRectangleTool::StaticClass());
    FinalizeChartToolsModules();
    EXPECT_EQ(GetToolClassList().IndexOf(&TRectangleTool::StaticClass()), -1);
    TChart loaded;
    stream.SetPosition(0);
    // The reader skips the unknown tool and says so.
    const std::vector<std::string> skipped = LoadChartFromStream(loaded, stream);
    EXPECT_EQ(skipped, (std::vector<std::string>{"Class TRectangleTool not found"}));
    EXPECT_EQ(loaded.Tools()->Count(), 0);
    InitializeChartToolsModules();
    EXPECT_EQ(GetToolClassList().IndexOf(&TRectangleTool::StaticClass()), place);
}

// A chart with the three tools, set away from their defaults.
void AddToolsOfEveryKind(TChart& chart)
{
    auto* note = new TAnnotationTool(&chart);
    note->SetName("Note1");
    note->SetParentChart(&chart);
    note->SetText("Highest value");
    note->SetPositionUnits(muPercent);
    note->SetLeft(30);
    note->SetTop(12);
    note->Callout().Arrow().SetVisible(true);
    note->Callout().SetArrowHead(ahSolid);
    note->Callout().SetXPosition(210);
    note->Callout().SetYPosition(160);
    note->Callout().SetDistance(6);
    auto* box = new TRectangleTool(&chart);
    box->SetName("Box1");
    box->SetParentChart(&chart);
    box->SetText("Area");
    box->SetLeft(40);
    box->SetTop(50);
    box->SetWidth(90);
    box->SetAllowResize(false);
    auto* rotate = new TRotateTool(&chart);
    rotate->SetName("Turn1");
    rotate->SetParentChart(&chart);
    rotate->SetInertia(40);
    rotate->SetSpeed(70);
    rotate->SetInverted(true);
    rotate->Pen().SetVisible(true);
}

std::string Saved(TChart& chart, bool text = false)
{
    TMemoryStream stream;
    SaveChartToStream(chart, stream, true, text);
    return stream.Bytes();
}

TEST_F(DuvToolsTest, ChartFilesKeepTheToolsByteForByte)
{
    AddToolsOfEveryKind(chart);
    const std::string first = Saved(chart);
    TChart loaded;
    loaded.SetName("Chart1");
    TMemoryStream stream(first);
    LoadChartFromStream(loaded, stream);
    ASSERT_EQ(loaded.Tools()->Count(), 3);
    EXPECT_EQ(Saved(loaded), first);
    auto* note = dynamic_cast<TAnnotationTool*>(loaded.Tools()->GetTool(0));
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(note->Text(), "Highest value");
    EXPECT_EQ(note->PositionUnits(), muPercent);
    EXPECT_TRUE(note->Shape().CustomPosition());
    EXPECT_EQ(note->Left(), 30);
    EXPECT_EQ(note->Callout().ArrowHead(), ahSolid);
    EXPECT_EQ(note->Callout().YPosition(), 160);
    auto* rotate = dynamic_cast<TRotateTool*>(loaded.Tools()->GetTool(2));
    ASSERT_NE(rotate, nullptr);
    EXPECT_EQ(rotate->Inertia(), 40);
    EXPECT_TRUE(rotate->Pen().Visible());
}

// The rectangle keeps its custom position (stored only when off) and its size (stored only
// when it does not follow the text).
TEST_F(DuvToolsTest, TheRectangleStoresItsPlaceAndSizeOnlyWhenTheyDiffer)
{
    struct TCase {
        bool Custom, AutoSize;
        bool StoresCustom, StoresSize;
    };
    for (const TCase c : {TCase{true, false, false, true}, TCase{false, false, true, true},
                          TCase{true, true, false, false}}) {
        SCOPED_TRACE(testing::Message() << "custom " << c.Custom << " autosize " << c.AutoSize);
        TChart own;
        own.SetName("Chart1");
        auto* box = new TRectangleTool(&own);
        box->SetName("Box1");
        box->SetParentChart(&own);
        box->Shape().SetCustomPosition(c.Custom);
        box->SetAutoSize(c.AutoSize);
        const std::string text = Saved(own, true);
        EXPECT_EQ(text.find("CustomPosition") != std::string::npos, c.StoresCustom) << text;
        EXPECT_EQ(text.find("    Width =") != std::string::npos, c.StoresSize) << text;
        EXPECT_EQ(text.find("    Height =") != std::string::npos, c.StoresSize) << text;
    }
}

// The fuzz target's seeds: the charts above as binary and text files.
TEST_F(DuvToolsTest, TheFuzzSeedsAreTheChartsOfTheseTests)
{
    AddToolsOfEveryKind(chart);
    const std::string binary = Saved(chart), text = Saved(chart, true);
    const std::string folder = std::string(QB_TEST_DATA) + "/fuzz/fuzz_DuvTools/";
    if (std::getenv("QB_UPDATE_SEEDS")) {
        qbtest::WriteFileBytes(folder + "tools.bin", binary);
        qbtest::WriteFileBytes(folder + "tools.txt", text);
    }
    EXPECT_EQ(qbtest::ReadFileBytes(folder + "tools.bin"), binary);
    EXPECT_EQ(qbtest::ReadFileBytes(folder + "tools.txt"), text);
}

}  // namespace
