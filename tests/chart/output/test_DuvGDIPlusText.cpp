#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QPainter>

#include "chart/graphics/DuvPen.h"
#include "chart/graphics/DuvShadow.h"
#include "chart/output/DuvGDIPOBJ.h"
#include "chart/output/DuvGDIPlus.h"
#include "support_SmoothCanvas.h"

using namespace outputtest;

namespace {

// A smooth canvas of 200 x 120 with a 14-point black font.
struct TTextFixture : TSmoothFixture {
    TTextFixture() : TSmoothFixture(200, 120)
    {
        canvas.Font().SetName("Liberation Sans");
        canvas.Font().SetSize(14);
        canvas.Font().SetColor(clBlack);
        canvas.SetBackMode(TRANSPARENT);
    }
};

}  // namespace

TEST(GDIPlusText, SizesAddTheShadowAndTheEmboss)
{
    TTextFixture f;
    const QFontMetricsF metrics(f.canvas.GdiFont());
    const int height = static_cast<int>(std::lround(std::floor(metrics.height() + 0.5 + 0.5)));
    const int plainHeight = f.canvas.TextHeight("Quellbrook"), plainWidth = f.canvas.TextWidth("Quellbrook");
    EXPECT_NEAR(plainHeight, height, 1);
    EXPECT_EQ(plainWidth, static_cast<int>(std::lround(metrics.horizontalAdvance("Quellbrook"))));
    TDuvShadow& shadow = *f.canvas.Font().GetShadow();
    shadow.SetVisible(true);
    shadow.SetHorizSize(2);
    shadow.SetVertSize(-3);
    EXPECT_EQ(f.canvas.TextHeight("Quellbrook"), plainHeight + 3);
    EXPECT_EQ(f.canvas.TextWidth("Quellbrook"), plainWidth + 2);
    TDuvEmboss& emboss = *f.canvas.Font().GetEmboss();
    emboss.SetVisible(true);
    emboss.SetHorizSize(4);
    emboss.SetVertSize(1);
    EXPECT_EQ(f.canvas.TextHeight("Quellbrook"), plainHeight + 4);
    EXPECT_EQ(f.canvas.TextWidth("Quellbrook"), plainWidth + 6);
    shadow.SetVisible(false);
    EXPECT_EQ(f.canvas.TextHeight("Quellbrook"), plainHeight + 1) << "an invisible shadow takes no room";
}

TEST(GDIPlusText, AlignmentPlacesTheTextAroundThePoint)
{
    struct Case {
        const char* name;
        int flags;
        bool left, right, centre, above, below, onBaseline;
    };
    const Case cases[] = {
        {"0: from the top left", TA_LEFT, true, false, false, false, true, false},
        {"2: right", TA_RIGHT, false, true, false, false, true, false},
        {"6: centre", TA_CENTER, false, false, true, false, true, false},
        {"14: centre and bottom", TA_CENTER | TA_BOTTOM, false, false, true, true, false, false},
        {"8: bottom, as the GDI canvas places it", TA_BOTTOM, true, false, false, true, false, false},
        {"10: right and bottom", TA_RIGHT | TA_BOTTOM, false, true, false, true, false, false},
        {"24: on the baseline", TA_BASELINE, true, false, false, false, false, true},
    };
    for (const Case& c : cases) {
        TTextFixture f;
        f.canvas.SetTextAlign(c.flags);
        f.canvas.TextOut(100, 60, "HHHH");
        const QRect ink = InkBounds(f.Image());
        ASSERT_FALSE(ink.isEmpty()) << c.name;
        if (c.left) {
            EXPECT_NEAR(ink.left(), 101, 2) << c.name;
        }
        if (c.right) {
            EXPECT_NEAR(ink.right(), 99, 3) << c.name;
        }
        if (c.centre) {
            EXPECT_NEAR(ink.center().x(), 100, 2) << c.name;
        }
        if (c.above) {
            EXPECT_LT(ink.bottom(), 60) << c.name;
        }
        if (c.below) {
            EXPECT_GT(ink.top(), 60) << c.name;
        }
        if (c.onBaseline) {
            EXPECT_NEAR(ink.bottom(), 59, 1) << c.name;
            EXPECT_LT(ink.top(), 50) << c.name;
        }
    }
}

TEST(GDIPlusText, RotateLabelTurnsCounterclockwiseAboutTheTextPoint)
{
    TTextFixture f;
    f.canvas.RotateLabel(60, 100, "HHHHHH", 90, false);
    const QRect ink = InkBounds(f.Image());
    const int width = f.canvas.TextWidth("HHHHHH");
    EXPECT_LE(ink.bottom(), 100) << "the text runs upwards from the point";
    EXPECT_NEAR(ink.top(), 100 - width, 4);
    EXPECT_GE(ink.left(), 60) << "its top faces left, so it lies right of the point";
    EXPECT_LE(ink.right(), 60 + f.canvas.TextHeight("H"));
    f.canvas.TextOut(10, 10, "H");
    EXPECT_LT(InkBounds(f.Image().copy(0, 0, 40, 40)).width(), 20) << "the next text is upright again";
}

TEST(GDIPlusText, NormalQualityHasNoIntermediateColoursBestQualityHas)
{
    for (const auto& [quality, smoothed] : {std::pair{gpfNormal, false}, std::pair{gpfBest, true}}) {
        TTextFixture f;
        f.canvas.SetTextQuality(quality);
        f.canvas.ApplyFont();
        f.canvas.TextOut(10, 10, "Quellbrook 42%");
        const int between = IntermediatePixels(f.Image(), qRgb(0, 0, 0));
        if (smoothed)
            EXPECT_GT(between, 20) << "best";
        else
            EXPECT_EQ(between, 0) << "normal";
    }
}

TEST(GDIPlusText, RenderingHintFollowsFontQualityAndSize)
{
    TTextFixture f;
    struct Case {
        TGDIPlusFontQuality canvasQuality;
        int size;
        TTextRenderingHint hint;
    };
    for (const Case& c : {Case{gpfDefault, 24, trhAntiAlias}, Case{gpfDefault, 10, trhClearTypeGridFit},
                          Case{gpfNormal, 24, trhSingleBitPerPixelGridFit}, Case{gpfNormal, 10, trhSingleBitPerPixelGridFit}}) {
        f.canvas.SetTextQuality(c.canvasQuality);
        f.canvas.Font().SetSize(c.size);
        EXPECT_EQ(f.canvas.TextRenderingHint(), c.hint) << c.size;
    }
    f.canvas.SetTextQuality(gpfDefault);
    f.canvas.Font().SetQuality(fqBest);
    f.canvas.Font().SetSize(8);
    EXPECT_EQ(f.canvas.TextRenderingHint(), trhAntiAlias) << "the font's own quality comes first";
}

TEST(GDIPlusText, FontsAreMadeOnceAndFallBackToSansSerif)
{
    TTextFixture f;
    f.canvas.Font().SetSize(0);
    EXPECT_NEAR(f.canvas.GdiFont().pointSizeF(), 0.1, 1e-6) << "size 0 is made with 0.1 points";
    f.canvas.Font().SetSize(12);
    const int made = f.canvas.FontsMade;
    f.canvas.ApplyFont();
    f.canvas.ApplyFont();
    EXPECT_EQ(f.canvas.FontsMade, made) << "the same font twice is made once";
    f.canvas.Font().SetName("No Such Face 4711");
    EXPECT_EQ(f.canvas.GdiFont().family(), "sans-serif");
    EXPECT_FALSE(FontFamilyKnown("No Such Face 4711"));
    EXPECT_TRUE(FontFamilyKnown("Arial")) << "through the substitute the program registers";
}

TEST(GDIPlusText, DigitalFontDrawsWithTheProgramsOwnFace)
{
    auto drawn = [](const std::string& face) {
        TTextFixture f;
        f.canvas.Font().SetName(face);
        f.canvas.Font().SetSize(20);
        f.canvas.TextOut(10, 10, "88:88");
        return f.Image().copy();
    };
    const QImage digital = drawn("DS-Digital");
    EXPECT_EQ(digital, drawn("DSEG7 Classic")) << "the LED face of the resources";
    EXPECT_NE(digital, drawn("Liberation Sans"));
}

TEST(GDIPlusText, OutlinedGlyphsAreStrokedWithTheOutlinePenAndFilledWithTheFontColour)
{
    TTextFixture f;
    f.canvas.Font().SetSize(40);
    f.canvas.Font().SetColor(kRed);
    TDuvHiddenPen& outline = *f.canvas.Font().GetOutLine();
    outline.SetVisible(true);
    outline.SetColor(kBlue);
    outline.SetWidth(2);
    f.canvas.TextOut(10, 10, "HO");
    int blue = 0, red = 0;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 200; ++x) {
            const QRgb p = f.At(x, y);
            if (qBlue(p) > 200 && qRed(p) < 60 && qGreen(p) < 60) ++blue;
            if (qRed(p) > 200 && qBlue(p) < 60 && qGreen(p) < 60) ++red;
        }
    EXPECT_GT(blue, 50);
    EXPECT_GT(red, 50);
}

TEST(GDIPlusText, BackgroundIsFilledWhenOpaque)
{
    TTextFixture f;
    f.canvas.Brush().SetColor(kGreen);
    f.canvas.SetBackMode(OPAQUE);
    f.canvas.TextOut(10, 10, "H");
    EXPECT_EQ(f.At(11, 11), qRgb(0, 255, 0));
    EXPECT_EQ(f.canvas.GetBackMode(), OPAQUE) << "the back mode is given back";
}
