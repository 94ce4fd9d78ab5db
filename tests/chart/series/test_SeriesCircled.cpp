// Circled series: the circle taken from the chart rectangle, room for marks, roundness on the
// device, shared custom radii, angles and pixels, and the 3D view a circled series imposes.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cmath>
#include <memory>
#include <numbers>

#include "chart/engine/ChartLegend.h"
#include "chart/series/RuRazaziCallout.h"
#include "chart/series/SeriesCircled.h"
#include "chart/series/SeriesPie.h"
#include "support_SeriesTest.h"

using namespace seriestest;

namespace {

class CircledTest : public ::testing::Test {
protected:
    void SetUp() override { StartSeriesModules(); }
};

// A circled series without marks in a flat chart whose chart rectangle is given.
struct TCircleOn {
    explicit TCircleOn(const TRect& chartRect)
    {
        series.SetParentChart(&chart);
        series.Marks().SetVisible(false);
        chart.ChartRect = chartRect;
    }
    TTestChart chart;
    TScopedComponent<TCircledSeries> series{&chart};
};

}  // namespace

TEST_F(CircledTest, CircleComesFromTheChartRectangle)
{
    TCircleOn t({10, 20, 311, 220});
    t.series.CircleRect = t.chart.ChartRect;
    t.series.CalcCircleSizes();
    EXPECT_EQ(t.series.CircleWidth, 300) << "an odd width loses its rightmost pixel";
    EXPECT_EQ(t.series.CircleHeight, 200);
    EXPECT_EQ(t.series.CircleXCenter, 160);
    EXPECT_EQ(t.series.CircleYCenter, 120);

    // Square device pixels: the 150 x 100 radii become a circle of radius 100.
    t.series.FireBeforeDrawValues();
    EXPECT_EQ(t.series.XRadius, 100);
    EXPECT_EQ(t.series.YRadius, 100);
    EXPECT_EQ(t.series.CircleRect, (TRect{60, 20, 260, 220}));

    t.series.SetCircled(false);
    t.series.FireBeforeDrawValues();
    EXPECT_EQ(t.series.XRadius, 150) << "not circled: the ellipse fills the rectangle";
    EXPECT_EQ(t.series.YRadius, 100);

    TCircleOn thin({5, 5, 7, 6});
    thin.series.FireBeforeDrawValues();
    EXPECT_EQ(thin.series.CircleWidth, 4);
    EXPECT_EQ(thin.series.CircleHeight, 4);
}

TEST_F(CircledTest, CircleStaysRoundOnPicturesWhateverTheScreen)
{
    // Drawn on the real canvas into a picture (square pixels) the circle is round; a device
    // with pixels twice as wide as high gets half the horizontal radius in pixels.
    struct Case {
        int dotsPerMeterX, dotsPerMeterY, xRadius, yRadius;
    } const cases[] = {{3780, 3780, 100, 100}, {7560, 3780, 150, 75}};
    for (const Case& c : cases) {
        TChart chart;
        chart.SetBounds(0, 0, 400, 300);
        chart.Legend()->SetVisible(false);
        chart.SetView3D(false);
        TScopedComponent<TCircledSeries> series(&chart);
        series.SetParentChart(&chart);
        series.Marks().SetVisible(false);
        series.AddPointY(1);
        QImage image(400, 300, QImage::Format_RGB32);
        image.setDotsPerMeterX(c.dotsPerMeterX);
        image.setDotsPerMeterY(c.dotsPerMeterY);
        QPainter painter(&image);
        chart.Canvas().SetCanvas(&painter);
        chart.ChartRect = {0, 0, 300, 200};
        series.FireBeforeDrawValues();
        chart.Canvas().SetCanvas(nullptr);
        EXPECT_EQ(series.XRadius, c.xRadius) << c.dotsPerMeterX;
        EXPECT_EQ(series.YRadius, c.yRadius) << c.dotsPerMeterX;
    }
}

TEST_F(CircledTest, MarksTakeRoomAroundTheCircle)
{
    TCircleOn t({0, 0, 400, 300});
    t.series.SetCircled(false);
    t.series.AddPointY(12345, "a");
    t.series.FireBeforeDrawValues();
    const TRect plain = t.series.CircleRect;
    EXPECT_EQ(plain, (TRect{0, 0, 400, 300}));

    t.series.Marks().SetVisible(true);
    t.series.Marks().Callout().SetLength(10);
    t.series.Marks().Frame()->SetVisible(true);
    t.series.Marks().Frame()->SetWidth(2);
    t.series.FireBeforeDrawValues();
    const int length = 10 + 2 * 2;
    const int height = t.series.Marks().BoundsHeight();
    const int width = t.chart.Canvas().TextWidth("W") + t.chart.WidestMarkText() + length;
    EXPECT_GT(height, 0);
    EXPECT_EQ(t.series.CircleRect.Top, length + height);
    EXPECT_EQ(t.series.CircleRect.Left, width);
    EXPECT_EQ(t.series.CircleXCenter, 200);

    t.series.MarksTakeRoom = false;
    t.series.FireBeforeDrawValues();
    EXPECT_EQ(t.series.CircleRect, plain) << "marks inside the slices take no room";
}

TEST_F(CircledTest, CustomRadiiAreSharedByTheSameClass)
{
    struct Case {
        bool setOnPie;
        bool unique;
        int circledRadius, pieRadius;
    } const cases[] = {
        // A pie is a circled series: setting on a pie reaches the plain circled series too.
        {true, true, 80, 80},
        // A plain circled series is not a pie: the pie keeps its own radius.
        {false, true, 80, 0},
        {true, false, 0, 80},
    };
    for (const Case& c : cases) {
        TTestChart chart;
        TScopedComponent<TCircledSeries> circled(&chart), circled2(&chart);
        TScopedComponent<TPieSeries> pie(&chart);
        for (TChartSeries* s : {static_cast<TChartSeries*>(&circled), static_cast<TChartSeries*>(&circled2),
                                static_cast<TChartSeries*>(&pie)})
            s->SetParentChart(&chart);
        TCircledSeries& target = c.setOnPie ? static_cast<TCircledSeries&>(pie) : circled;
        target.SetUniqueCustomRadius(c.unique);
        target.SetCustomXRadius(80);
        EXPECT_EQ(circled2.CustomXRadius(), c.circledRadius) << c.setOnPie << c.unique;
        EXPECT_EQ(pie.CustomXRadius(), c.pieRadius) << c.setOnPie << c.unique;
    }

    TCircleOn t({0, 0, 400, 300});
    t.series.SetCustomXRadius(80);
    t.series.SetCustomYRadius(60);
    t.series.FireBeforeDrawValues();
    EXPECT_EQ(t.series.XRadius, 80);
    EXPECT_EQ(t.series.YRadius, 60);
    EXPECT_EQ(t.series.CircleRect, (TRect{120, 90, 280, 210}));

    t.series.SetCircled(false);
    EXPECT_EQ(t.series.CustomXRadius(), 0) << "switching Circled drops the custom radii";
    EXPECT_EQ(t.series.CustomYRadius(), 0);
}

TEST_F(CircledTest, AnglesAndPixels)
{
    TCircleOn t({0, 0, 200, 200});
    t.series.FireBeforeDrawValues();
    constexpr double pi = std::numbers::pi;
    struct Case {
        int rotation;
        int x, y;
        double angle;
    } const cases[] = {
        {0, 100, 150, 3 * pi / 2},  // straight below the centre
        {0, 100, 50, pi / 2},       // straight above
        {0, 150, 100, 0},
        {0, 50, 100, pi},
        {90, 100, 150, pi},         // the rotation is taken off
        {90, 150, 100, 3 * pi / 2},
    };
    for (const Case& c : cases) {
        t.series.SetRotationAngle(c.rotation);
        EXPECT_NEAR(t.series.AngleOfPixel(c.x, c.y), c.angle, 1e-12) << c.x << "," << c.y << " rot " << c.rotation;
    }
    t.series.SetRotationAngle(0);
    EXPECT_EQ(t.series.PointAtAngle(pi / 2, 100, 100), (TPoint{100, 0})) << "y grows upwards";
    t.series.SetRotationAngle(-450);
    EXPECT_EQ(t.series.RotationAngle(), -90) << "the remainder keeps the sign";
}

TEST_F(CircledTest, BackgroundIsWhiteWhilePrinting)
{
    TCircleOn t({0, 0, 200, 200});
    t.chart.IsPrinting = true;
    EXPECT_EQ(t.series.EffectiveBackColor(), clWhite);
    t.series.SetCircleBackColor(clRed);
    EXPECT_EQ(t.series.EffectiveBackColor(), clRed);
}

TEST_F(CircledTest, PieViewIsShownWhileActiveAndRestoredAfter)
{
    TTestChart chart;
    TView3DOptions& view = chart.View3DOptions();
    view.SetRotation(20);
    view.SetElevation(330);
    view.SetOrthogonal(true);
    auto expectOwnView = [&](const char* when) {
        EXPECT_EQ(view.Rotation(), 20) << when;
        EXPECT_EQ(view.Elevation(), 330) << when;
        EXPECT_TRUE(view.Orthogonal()) << when;
    };
    auto expectPieView = [&](const char* when) {
        EXPECT_EQ(view.Rotation(), 360) << when;
        EXPECT_EQ(view.Elevation(), 315) << when;
        EXPECT_FALSE(view.Orthogonal()) << when;
        EXPECT_EQ(view.Perspective(), 0) << when;
    };

    auto pie = MakeComponent<TPieSeries>(&chart);
    pie->SetParentChart(&chart);
    expectPieView("added");
    pie->SetActive(false);
    expectOwnView("deactivated");
    pie->SetActive(true);
    expectPieView("active again");
    pie->SetParentChart(nullptr);
    expectOwnView("removed");
    pie->SetParentChart(&chart);
    expectPieView("back in the chart");
    pie.reset();
    expectOwnView("destroyed");
}
