#include "chart/graphics/DuvGradient.h"

#include <gtest/gtest.h>

#include "chart/graphics/RecordingCanvas.h"

namespace {

struct Counted {
    int changes = 0;
    TDuvGradient gradient{[this](TObject*) { ++changes; }};
};

TEST(DuvGradient, NewGradientReadsItsDefaultsWithoutStops)
{
    TDuvGradient g;
    EXPECT_EQ(g.StartColor(), clWhite);
    EXPECT_EQ(g.EndColor(), 0x00FFFF);
    EXPECT_EQ(g.MidColor(), clNone);
    EXPECT_EQ(g.PeekColors(), nullptr);
    EXPECT_FALSE(g.IsColorsStored());
    EXPECT_FALSE(g.IsStartColorStored());
}

TEST(DuvGradient, MiddleColourInsertsAndRemovesAStop)
{
    struct Case {
        const char* name;
        TColor middle;
        int stops, changes;
    };
    const Case cases[] = {
        {"red inserts a stop at 0.5", 0x0000FF, 3, 1},
        {"black inserts the stop silently", 0x000000, 3, 0},
        {"none on two stops changes nothing", clNone, 2, 0},
    };
    for (const Case& c : cases) {
        Counted t;
        t.gradient.GetColors();
        t.gradient.SetMidColor(c.middle);
        EXPECT_EQ(t.gradient.GetColors()->Count(), c.stops) << c.name;
        EXPECT_EQ(t.changes, c.changes) << c.name;
        EXPECT_FALSE(t.gradient.IsColorsStored()) << c.name << ": offsets 0, 0.5, 1 need no list";
    }
    Counted t;
    t.gradient.SetMidColor(0x0000FF);
    EXPECT_TRUE(t.gradient.IsMidColorStored());
    EXPECT_EQ(t.gradient.GetColors()->Stop(1)->Offset(), 0.5);
    t.gradient.SetMidColor(clNone);
    EXPECT_EQ(t.gradient.GetColors()->Count(), 2);
    EXPECT_EQ(t.changes, 2);
    t.gradient.RestoreMidColor();
    EXPECT_EQ(t.gradient.MidColor(), 0x0000FF);
}

TEST(DuvGradient, AddStopKeepsOffsetOrder)
{
    TDuvGradient g;
    TDuvGradientColors* stops = g.GetColors();
    const std::pair<double, double> cases[] = {{1.7, 1}, {-0.2, 0}, {std::nan(""), 0}};
    for (auto [offset, stored] : cases) EXPECT_EQ(stops->AddStop(0x123456, 0, offset)->Offset(), stored) << offset;
    TDuvGradientColor* same = stops->AddStop(0x654321, 0, 0);
    EXPECT_EQ(same->Index(), 3) << "after the stops of equal offset";
    EXPECT_TRUE(g.IsColorsStored());
}

TEST(DuvGradient, SettingTheSameStartColourStillNotifies)
{
    Counted t;
    t.gradient.SetStartColor(clWhite);
    t.gradient.SetStartColor(clWhite);
    EXPECT_EQ(t.changes, 2);
}

TEST(DuvGradient, CopyingCarriesOrDropsTheSubGradient)
{
    TDuvGradient source, target;
    target.GetSubGradient();
    target.Assign(&source);
    EXPECT_EQ(target.PeekSubGradient(), nullptr);
    source.GetSubGradient()->SetTransparency(70);
    source.SetVisible(true);
    target.Assign(&source);
    ASSERT_NE(target.PeekSubGradient(), nullptr);
    EXPECT_EQ(target.PeekSubGradient()->Transparency(), 70);
    EXPECT_TRUE(target.Visible());
}

// Any canvas kind gets turned gradients: the gradient is painted on a bitmap by a canvas the
// target lends, then drawn centred and clipped on the target; Angle is kept.
TEST(DuvGradient, RotatedPaintGoesThroughAnImageCanvasOfTheTarget)
{
    TRecordingCanvas canvas;
    TDuvGradient gradient;
    gradient.SetAngle(90);
    gradient.DrawRotated(canvas, {0, 0, 100, 50});
    EXPECT_EQ(canvas.Texts(), (std::vector<std::string>{"CreateImageCanvas(52,102)", "ClipToRect(0,0,100,50)",
                                                         "DrawGraphic(24,-26,52,102)", "Unclip()"}));
    EXPECT_EQ(gradient.Angle(), 90);
}

}  // namespace
