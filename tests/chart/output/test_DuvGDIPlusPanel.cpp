// The smooth canvas in panels (chosen by name, by the switch component, in the user-drawn
// panel), its path, and the mended clip, transform and pie-lighting rules.
#include <gtest/gtest.h>

#include <QPainter>
#include <cmath>
#include <numbers>

#include "chart/engine/support_ChartEngine.h"
#include "chart/graphics/DuvGradient.h"
#include "chart/output/DuvDraw3D.h"
#include "chart/output/DuvGDIPOBJ.h"
#include "chart/output/DuvGDIPlus.h"
#include "platform/core/ClassRegistry.h"
#include "support_SmoothCanvas.h"

using namespace outputtest;

namespace {

bool IsSmooth(TCustomDuvPanel& panel) { return dynamic_cast<TGDIPlusCanvas*>(&panel.Canvas()) != nullptr; }

// The panel drawn into a white picture of its size.
QImage Painted(TCustomDuvPanel& panel) { return *panel.RenderBitmap(clWhite, panel.GetPanelRect(), 0); }

// A loaded test panel that names the smooth canvas.
TComponentPtr<enginetest::TTestPanel> LoadedPanel()
{
    auto panel = MakeComponent<enginetest::TTestPanel>();
    panel->SetBounds(0, 0, 200, 120);
    panel->SetDefaultCanvas("TGDIPlusCanvas");
    panel->Loaded();
    return panel;
}

}  // namespace

TEST(GDIPlusPanel, APanelNamingTheSmoothCanvasDrawsThroughIt)
{
    StartOutputModules();
    auto panel = LoadedPanel();
    ASSERT_TRUE(IsSmooth(*panel));
    panel->Draw = enginetest::DrawSampleScene;
    const QImage image = Painted(*panel);
    EXPECT_GT(IntermediatePixels(image.copy(50, 60, 100, 60), qRgb(0, 128, 0)), 20) << "the ellipse's edge is smoothed";
    EXPECT_EQ(image.pixel(50, 40), qRgb(255, 0, 0));
}

TEST(GDIPlusPanel, APanelFallsBackToTheGdiCanvasWhenTheSupportTestFails)
{
    StartOutputModules();
    GDIPlusSwitchedOff = true;
    auto panel = LoadedPanel();
    GDIPlusSwitchedOff = false;
    EXPECT_FALSE(IsSmooth(*panel));
    EXPECT_EQ(panel->Canvas().GetDescription(), "GDI");
    EXPECT_EQ(panel->DefaultCanvas(), "TDuvCanvas3D");
}

TEST(GDIPlusPanel, TheCanvasClassListNamesTheSmoothCanvas)
{
    StartOutputModules();
    const TCanvasClass& found = FindCanvasClass("TGDIPlusCanvas");
    EXPECT_EQ(found.ClassName, "TGDIPlusCanvas");
    const auto canvas = found.Create();
    EXPECT_EQ(canvas->GetDescription(), "GDI+");
    EXPECT_EQ(canvas->GetEditorClassName(), "TGDIPlusEditor");
    EXPECT_TRUE(canvas->NativeBlending);
    EXPECT_TRUE(GetClass("TDuvGDIPlus")) << "forms can hold the switch";
}

// ---------------------------------------------------------------- switch component

TEST(GDIPlusSwitch, ActiveWithoutAPanelWaitsForOne)
{
    StartOutputModules();
    enginetest::TTestPanel panel;
    TDuvGDIPlus gdiPlus;
    gdiPlus.SetActive(true);
    EXPECT_TRUE(gdiPlus.Active());
    EXPECT_FALSE(gdiPlus.GetCanvas());
    gdiPlus.SetDuvPanel(&panel);
    ASSERT_TRUE(IsSmooth(panel));
    EXPECT_EQ(gdiPlus.GetCanvas()->GDIPlus, &gdiPlus);
}

TEST(GDIPlusSwitch, LeavingAPanelGivesItTheGdiCanvasAndSwitchesOff)
{
    StartOutputModules();
    enginetest::TTestPanel panel;
    TDuvGDIPlus gdiPlus;
    gdiPlus.SetDuvPanel(&panel);
    gdiPlus.SetActive(true);
    ASSERT_TRUE(IsSmooth(panel));
    gdiPlus.SetDuvPanel(nullptr);
    EXPECT_FALSE(gdiPlus.Active());
    EXPECT_FALSE(IsSmooth(panel));
}

TEST(GDIPlusSwitch, AFreedPanelLeavesTheSwitchEmptyAndOff)
{
    StartOutputModules();
    TScopedComponent<TDuvGDIPlus> gdiPlus;
    {
        TScopedComponent<enginetest::TTestPanel> panel;
        gdiPlus.SetDuvPanel(&panel);
        gdiPlus.SetActive(true);
    }
    EXPECT_EQ(gdiPlus.DuvPanel(), nullptr);
    EXPECT_FALSE(gdiPlus.Active());
}

TEST(GDIPlusSwitch, SettingsReachTheCanvasOnlyWhileActive)
{
    StartOutputModules();
    enginetest::TTestPanel panel;
    TDuvGDIPlus gdiPlus;
    gdiPlus.SetDuvPanel(&panel);
    gdiPlus.SetAntialias(false);
    EXPECT_FALSE(gdiPlus.Antialias());
    EXPECT_FALSE(IsSmooth(panel)) << "inactive: only stored";
    gdiPlus.SetAntiAliasText(gpfNormal);
    gdiPlus.SetActive(true);
    TGDIPlusCanvas* canvas = gdiPlus.GetCanvas();
    ASSERT_TRUE(canvas);
    EXPECT_FALSE(canvas->AntiAlias());
    EXPECT_EQ(canvas->GetTextQuality(), gpfNormal);
    gdiPlus.SetAntialias(true);
    EXPECT_TRUE(canvas->AntiAlias()) << "active: at once";
    gdiPlus.SetActive(false);
    EXPECT_FALSE(IsSmooth(panel));
}

TEST(GDIPlusSwitch, StreamsItsSettings)
{
    StartOutputModules();
    TDuvGDIPlus gdiPlus;
    gdiPlus.SetName("GDIPlus1");
    gdiPlus.SetAntialias(false);
    gdiPlus.SetAntiAliasText(gpfClearType);
    const std::string text = enginetest::ComponentTextOf(gdiPlus);
    EXPECT_NE(text.find("Antialias = False"), std::string::npos) << text;
    EXPECT_NE(text.find("AntiAliasText = gpfClearType"), std::string::npos) << text;
    EXPECT_EQ(text.find("Active"), std::string::npos) << "defaults are not written";
}

// ---------------------------------------------------------------- path

TEST(GDIPlusPath, LinesFollowTheCurrentPointAndCurvesEndAtTheLastPoint)
{
    TDuvGDIPlusPath path;
    path.MoveTo(10, 10);
    path.LineTo(20, 10);
    path.LineTo(20, 20);
    ASSERT_EQ(path.Path().elementCount(), 3) << "a start and two line segments";
    EXPECT_EQ(path.Path().elementAt(1).x, 20);
    EXPECT_EQ(path.Path().elementAt(2).y, 20);
    TDuvGDIPlusPath curve;
    curve.AddPoints({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, 3, true);
    EXPECT_EQ(curve.CurrentPoint(), (TPointFloat{0, 10}));
    const QRectF bounds = curve.Path().boundingRect();
    EXPECT_LT(bounds.left(), 0) << "a closed cardinal curve swings outside its points";
    EXPECT_GT(bounds.right(), 10);
}

TEST(GDIPlusPath, DrawFillsWithTheBrushAndStrokesWithThePen)
{
    TSmoothFixture f;
    auto path = f.canvas.CreatePath();
    path->MoveTo(10, 10);
    path->LineTo(50, 10);
    path->LineTo(50, 50);
    path->LineTo(10, 50);
    path->CloseFigure();
    f.canvas.Pen().SetColor(kBlue);
    f.canvas.Pen().SetWidth(3);
    path->Draw(f.canvas);
    EXPECT_EQ(f.At(30, 30), qRgb(255, 0, 0));
    EXPECT_EQ(f.At(10, 30), qRgb(0, 0, 255));
}

// ---------------------------------------------------------------- user-drawn panel

namespace {
// Paints a blue square with a red pen, noting the pen and brush each paint starts with.
struct TPainting {
    TDraw3D* Panel = nullptr;
    std::vector<std::pair<TColor, TColor>> Seen;
    int After = 0;
    void Paint(TObject*, const TRect&)
    {
        TCanvas3D& canvas = Panel->Canvas();
        Seen.push_back({canvas.Pen().Color(), canvas.Brush().Color()});
        canvas.Pen().SetColor(kRed);
        canvas.Brush().SetColor(kBlue);
        canvas.FillRect({10, 10, 20, 20});
    }
    void AfterDraw(TObject*) { ++After; }
};
}  // namespace

TEST(Draw3D, EveryPaintStartsWithTheDefaultPenAndBrush)
{
    StartOutputModules();
    TDraw3D panel;
    panel.SetBounds(0, 0, 100, 80);
    TPainting painting;
    painting.Panel = &panel;
    panel.OnPaint = TDraw3DPaintEvent(&painting, &TPainting::Paint);
    panel.OnAfterDraw = TNotifyEvent(&painting, &TPainting::AfterDraw);
    const QImage first = Painted(panel);
    Painted(panel);
    ASSERT_EQ(painting.Seen.size(), 2u);
    EXPECT_EQ(painting.Seen[1], std::make_pair(clBlack, clWhite));
    EXPECT_EQ(panel.Canvas().Pen().Color(), clBlack) << "and ends with them";
    EXPECT_EQ(painting.After, 2);
    EXPECT_EQ(first.pixel(15, 15), qRgb(0, 0, 255));
    EXPECT_TRUE(panel.AutoRepaint) << "given back after the paint";
}

// ---------------------------------------------------------------- mended rules

TEST(GDIPlusMend, RotatedTextKeepsTheTransformInForce)
{
    TSmoothFixture f(120, 120);
    TDuvTransform moved;
    moved.Enabled = true;
    moved.TranslateX = 50;
    f.canvas.PushTransform("Series", &moved, nullptr);
    f.canvas.SetBackMode(TRANSPARENT);
    f.canvas.RotateLabel(10, 100, "H", 90, false);
    f.canvas.Brush().SetColor(kRed);  // text leaves the brush in the font's colour
    f.canvas.Pen().SetStyle(psClear);
    f.canvas.FillRect({0, 0, 10, 10});
    f.canvas.PopTransform();
    EXPECT_EQ(f.At(55, 5), qRgb(255, 0, 0)) << "the rectangle still moved by the pushed transform";
    EXPECT_EQ(f.At(5, 5), qRgb(255, 255, 255));
}

TEST(GDIPlusMend, UnclipGivesBackTheExactEarlierClip)
{
    TSmoothFixture f;
    f.canvas.ClipToEllipse({0, 0, 60, 60}, false);
    f.canvas.ClipToRect({20, 20, 40, 40});
    f.canvas.Unclip();
    f.canvas.Pen().SetStyle(psClear);
    f.canvas.FillRect({0, 0, 60, 60});
    EXPECT_EQ(f.At(2, 2), qRgb(255, 255, 255)) << "the ellipse's corner is still clipped";
    EXPECT_EQ(f.At(30, 30), qRgb(255, 0, 0));
    EXPECT_EQ(f.At(10, 30), qRgb(255, 0, 0)) << "the rectangle's clip is gone";
    f.canvas.Unclip();
    f.canvas.Unclip();  // an empty history does nothing
    f.canvas.Brush().SetColor(kBlue);
    f.canvas.FillRect({0, 0, 60, 60});
    EXPECT_EQ(f.At(2, 2), qRgb(0, 0, 255));
}

TEST(GDIPlusMend, PopTransformUnclipsOnlyWhatItClipped)
{
    struct Case {
        const char* name;
        bool enabled, clips;
    };
    for (const Case& c : {Case{"a transform that does not clip", true, false}, Case{"a disabled transform", false, false},
                          Case{"a transform that clips", true, true}}) {
        TSmoothFixture f;
        f.canvas.ClipToRect({0, 1, 30, 59});
        TDuvTransform transform;
        transform.Enabled = c.enabled;
        transform.Clip = c.clips;
        transform.ClipRect = {0, 1, 10, 59};
        f.canvas.PushTransform("Point", &transform, nullptr);
        f.canvas.PopTransform();
        f.canvas.Pen().SetStyle(psClear);
        f.canvas.FillRect({0, 0, 60, 60});
        EXPECT_EQ(f.At(20, 30), qRgb(255, 0, 0)) << c.name;
        EXPECT_EQ(f.At(45, 30), qRgb(255, 255, 255)) << c.name << ": the caller's clip stays";
    }
}

TEST(GDIPlusMend, PieEdgeBandStaysOnItsSlice)
{
    struct Case {
        const char* name;
        double start, end;  // degrees
        int lightAt;        // an angle whose edge band is lit, -1 none
        int darkAt;         // an angle whose edge band stays dark
    };
    const Case cases[] = {
        {"0 to 60: glow, no band", 0, 60, -1, 315},
        {"280 to 360: the band from 295 to 335", 280, 360, 315, 345},
        {"300 to 320: the band ends with the slice", 300, 320, 310, 330},
    };
    for (const Case& c : cases) {
        TSmoothFixture f(200, 200);
        f.canvas.Brush().SetColor(clBlack);
        f.canvas.FillRect({0, 0, 200, 200});
        TPie3DSlice slice;
        slice.XCenter = 100;
        slice.YCenter = 90;
        slice.XRadius = 80;
        slice.YRadius = 60;
        slice.StartAngle = c.start * std::numbers::pi / 180;
        slice.EndAngle = c.end * std::numbers::pi / 180;
        slice.EdgeStyle = edFlat;
        f.canvas.ShadeSliceEdges(edFlat, 20, slice);
        auto bandAt = [&](int angle) {
            const double a = angle * std::numbers::pi / 180;
            return f.At(static_cast<int>(std::lround(100 + 80 * std::cos(a))), static_cast<int>(std::lround(90 - 60 * std::sin(a) + 10)));
        };
        if (c.lightAt >= 0) {
            EXPECT_GT(qRed(bandAt(c.lightAt)), 40) << c.name;
        }
        EXPECT_LT(qRed(bandAt(c.darkAt)), 10) << c.name;
        EXPECT_EQ(f.canvas.Pen().Style(), psSolid) << "the pen is given back";
        EXPECT_TRUE(f.canvas.GradientPolygon.empty());
    }
}
