// Histogram series on the real canvas: the bars and their skyline read back from the back buffer
// as runs of colour along pixel rows and columns, the origin, an inverted axis, separator lines,
// the horizontal variant, a lone bar and the hit test.
#include <gtest/gtest.h>

#include <QImage>
#include <cmath>

#include "chart/engine/Chart.h"
#include "chart/engine/ChartLegend.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/series/StatCharHistogram.h"
#include "support_SeriesTest.h"

using namespace seriestest;

namespace {

const TColor kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kYellow = 0x00FFFF;

char Letter(QRgb pixel)
{
    const int r = qRed(pixel), g = qGreen(pixel), b = qBlue(pixel);
    if (r == 255 && g == 0 && b == 0) return 'R';
    if (r == 0 && g == 255 && b == 0) return 'G';
    if (r == 0 && g == 0 && b == 255) return 'B';
    if (r == 255 && g == 255 && b == 0) return 'Y';
    if (r == 0 && g == 0 && b == 0) return 'K';
    return '.';
}

// "R89-109 G110-130" for the coloured runs of a stretch of pixels; read(i) gives pixel i.
template <class Read>
std::string Runs(int from, int to, Read read)
{
    std::string text;
    for (int i = from; i <= to;) {
        const char c = Letter(read(i));
        int j = i;
        while (j + 1 <= to && Letter(read(j + 1)) == c) ++j;
        if (c != '.') text += (text.empty() ? "" : " ") + std::string(1, c) + std::to_string(i) + "-" + std::to_string(j);
        i = j + 1;
    }
    return text;
}

std::string Row(const QImage& image, int y, int from = 0, int to = -1)
{
    return Runs(from, to < 0 ? image.width() - 1 : to, [&](int x) { return image.pixel(x, y); });
}

std::string Column(const QImage& image, int x, int from = 0, int to = -1)
{
    return Runs(from, to < 0 ? image.height() - 1 : to, [&](int y) { return image.pixel(x, y); });
}

class StatCharHistogramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        StartSeriesModules();
        chart.SetBounds(0, 0, 300, 220);
        chart.SetView3D(false);
        chart.Legend()->SetVisible(false);
        chart.BottomAxis()->SetMinMax(0, 100);
        chart.LeftAxis()->SetMinMax(0, 100);
        chart.LeftAxis()->Grid()->SetVisible(false);
        chart.BottomAxis()->Grid()->SetVisible(false);
    }

    // A histogram whose points sit at the given screen columns with the given values.
    template <class S = THistogramSeries>
    S* Histogram(const std::vector<int>& pixels, const std::vector<double>& values, const std::vector<TColor>& colors)
    {
        auto* series = new S(&chart);
        series->SetParentChart(&chart);
        chart.CreatePanelBitmap();  // places the axes
        for (std::size_t i = 0; i < pixels.size(); ++i) {
            const double at = series->YMandatory() ? chart.BottomAxis()->CalcPosPoint(pixels[i])
                                                   : chart.LeftAxis()->CalcPosPoint(pixels[i]);
            if (series->YMandatory())
                series->AddPointXY(at, values[i], {}, colors[i]);
            else
                series->AddPointXY(values[i], at, {}, colors[i]);
        }
        return series;
    }

    std::unique_ptr<QImage> Picture() { return chart.CreatePanelBitmap(); }

    TChart chart;
};

TEST_F(StatCharHistogramTest, BarsTouchAndHalfDistancesRoundToEven)
{
    // Distances 21 and 23: half widths Rnd(10.5) = 10 and Rnd(11.5) = 12.
    THistogramSeries* series = Histogram({100, 121, 144}, {50, 80, 30}, {kRed, kGreen, kBlue});
    series->Pen().SetVisible(false);
    const auto picture = Picture();
    ASSERT_EQ(series->ValueToScreenX(series->GetXValue(1)), 121);
    const int low = series->ValueToScreenY(20);
    // Bars 89..111, 110..132 and 131..157 as rectangles, each starting on its neighbour's edge;
    // filled without a pen they leave their right and bottom edges out.
    EXPECT_EQ(Row(*picture, low, 60, 200), "R89-109 G110-130 B131-155");
    // The base grows by one pixel: the fill reaches down to the axis line.
    const int base = chart.LeftAxis()->PixelEnd;
    EXPECT_EQ(Column(*picture, 100, base - 3, base - 1), "R" + std::to_string(base - 3) + "-" + std::to_string(base - 1));
}

TEST_F(StatCharHistogramTest, SkylineFollowsTheTops)
{
    THistogramSeries* series = Histogram({100, 121, 144}, {50, 80, 30}, {kRed, kGreen, kBlue});
    series->Pen().SetColor(kYellow);
    const auto picture = Picture();
    const int top0 = series->ValueToScreenY(50), top1 = series->ValueToScreenY(80), top2 = series->ValueToScreenY(30);
    const int base = chart.LeftAxis()->PixelEnd;
    // The outline as the canvas draws it: every top edge from the bar's left edge towards its
    // right one, each left edge from the previous top to this one, the last right edge down to
    // the base, and nothing else in yellow.
    EXPECT_EQ(Row(*picture, top0, 60, 200), "Y89-109 G110-130 Y131-131");
    EXPECT_EQ(Row(*picture, top1, 60, 200), "Y110-131");
    EXPECT_EQ(Row(*picture, top2, 60, 200), "Y89-89 R90-109 G110-130 Y131-155 Y157-157");
    EXPECT_EQ(Column(*picture, 110, top1, top0 - 1), "Y" + std::to_string(top1) + "-" + std::to_string(top0 - 1));
    EXPECT_EQ(Column(*picture, 131, top1 + 1, top2),
              "Y" + std::to_string(top1 + 1) + "-" + std::to_string(top2 - 2) + " Y" + std::to_string(top2) + "-" +
                  std::to_string(top2));
    EXPECT_EQ(Column(*picture, 157, top2, base - 1), "Y" + std::to_string(top2) + "-" + std::to_string(base - 2));
    EXPECT_EQ(Column(*picture, 89, top0, base - 1), "Y" + std::to_string(top0) + "-" + std::to_string(base - 1));
}

TEST_F(StatCharHistogramTest, OriginInvertedAxisAndSeparators)
{
    THistogramSeries* series = Histogram({100, 121, 144}, {50, 5, 30}, {kRed, kGreen, kBlue});
    series->Pen().SetVisible(false);
    series->SetUseYOrigin(true);
    series->SetYOrigin(10);
    auto picture = Picture();
    const int origin = series->ValueToScreenY(10), value = series->ValueToScreenY(5);
    // A value below the origin hangs down from it.
    EXPECT_EQ(Column(*picture, 121, origin - 5, value + 5),
              "G" + std::to_string(origin - 1) + "-" + std::to_string(value - 2));

    // Separators on every left edge but the first, up to the lower of the two tops.
    series->SetUseYOrigin(false);
    series->LinesPen()->SetColor(kYellow);
    series->LinesPen()->SetVisible(true);
    picture = Picture();
    const int base = chart.LeftAxis()->PixelEnd;
    const int top1 = series->ValueToScreenY(5), top2 = series->ValueToScreenY(30);
    // Without an outline the separator stops a pixel short of the lower top.
    EXPECT_EQ(Column(*picture, 110, top1 - 3, base - 1),
              "G" + std::to_string(top1) + "-" + std::to_string(top1 + 1) + " Y" + std::to_string(top1 + 2) + "-" +
                  std::to_string(base - 1));
    EXPECT_EQ(Column(*picture, 131, top2 - 3, top1 - 1), "B" + std::to_string(top2) + "-" + std::to_string(top1 - 1));
    EXPECT_NE(Column(*picture, 89, 0, base).find('Y'), 0u);
    EXPECT_EQ(Column(*picture, 89, 0, base).find('Y'), std::string::npos);

    // Inverted: the bars hang from the top of the axis.
    series->LinesPen()->SetVisible(false);
    chart.LeftAxis()->SetInverted(true);
    picture = Picture();
    const int start = chart.LeftAxis()->PixelStart;
    const int top0 = series->ValueToScreenY(50);
    EXPECT_EQ(Column(*picture, 100, start - 2, top0 + 2), "R" + std::to_string(start) + "-" + std::to_string(top0 - 2));
}

TEST_F(StatCharHistogramTest, HorizontalBarsGrowFromTheLeftAxis)
{
    THorizHistogramSeries* series = Histogram<THorizHistogramSeries>({150, 129, 106}, {50, 80, 30}, {kRed, kGreen, kBlue});
    series->Pen().SetVisible(false);
    const auto picture = Picture();
    ASSERT_EQ(series->ValueToScreenY(series->GetYValue(1)), 129);
    const int left = chart.BottomAxis()->PixelStart;
    const int x = series->ValueToScreenX(20);
    // Distances 21 and 23 upwards: the same half widths as the vertical bars, rectangles
    // 139..161, 118..140 and 93..119.
    EXPECT_EQ(Column(*picture, x, 60, 180), "B93-117 G118-138 R139-159");
    // From the left axis (drawn over the base pixel) to the value's column, right edge left out.
    EXPECT_EQ(Row(*picture, 150, left + 1, series->ValueToScreenX(50) + 2),
              "R" + std::to_string(left + 1) + "-" + std::to_string(series->ValueToScreenX(50) - 1));
}

TEST_F(StatCharHistogramTest, ALoneBarTakesHalfThePageShareAndHitsAreFound)
{
    THistogramSeries* lone = Histogram({150}, {40}, {kRed});
    lone->Pen().SetVisible(false);
    EXPECT_EQ(lone->PointAtScreen(150, 150), -1);  // nothing computed before the first drawing
    const auto picture = Picture();
    const int half = chart.BottomAxis()->PixelSize / 2;
    const int row = lone->ValueToScreenY(20);
    const TRect bar = lone->CalcBarRect(0);
    EXPECT_EQ(bar.Left, 150 - half - 1);
    EXPECT_EQ(bar.Right, 150 + half + 1);
    // Clipped to the chart's rectangle, the bar fills the whole row between the axes.
    EXPECT_NE(Row(*picture, row, chart.BottomAxis()->PixelStart + 1, chart.BottomAxis()->PixelEnd - 1).find(
                  "R" + std::to_string(chart.BottomAxis()->PixelStart + 1) + "-"),
              std::string::npos);
    EXPECT_EQ(lone->PointAtScreen(150, row), 0);
    EXPECT_EQ(lone->PointAtScreen(150, lone->ValueToScreenY(60)), -1);

    FreeComponent(lone);
    THistogramSeries* series = Histogram({100, 121, 144}, {50, 80, 30}, {kRed, kGreen, kBlue});
    Picture();
    struct TCase {
        int X, Y, Index;
    };
    const TCase cases[] = {{95, series->ValueToScreenY(20), 0},
                           {125, series->ValueToScreenY(70), 1},
                           {150, series->ValueToScreenY(20), 2},
                           {150, series->ValueToScreenY(40), -1},
                           {200, series->ValueToScreenY(20), -1}};
    for (const TCase& c : cases) EXPECT_EQ(series->PointAtScreen(c.X, c.Y), c.Index) << c.X << "," << c.Y;
}

TEST_F(StatCharHistogramTest, SubStylesAndOriginByName)
{
    auto* series = new THistogramSeries(&chart);
    std::vector<std::string> styles;
    series->ListSubGalleryStyles([&](const std::string& s) { styles.push_back(s); });
    ASSERT_GE(styles.size(), 4u);
    const std::size_t base = styles.size() - 4;
    EXPECT_EQ(std::vector<std::string>(styles.begin() + static_cast<long>(base), styles.end()),
              (std::vector<std::string>{"Hollow", "No Border", "Lines", "Transparency"}));
    series->ApplySubGalleryStyle(static_cast<int>(base + 2));
    EXPECT_TRUE(series->LinesPen()->Visible());
    series->ApplySubGalleryStyle(static_cast<int>(base + 3));
    EXPECT_EQ(series->Transparency(), 30);
    SetPropValue(series, "UseYOrigin", TVariant(true));
    SetPropValue(series, "YOrigin", TVariant(2.5));
    EXPECT_TRUE(series->UseYOrigin());
    EXPECT_EQ(series->YOrigin(), 2.5);
    auto* copy = new THistogramSeries(&chart);
    copy->Assign(series);
    EXPECT_TRUE(copy->UseYOrigin());
    EXPECT_EQ(copy->YOrigin(), 2.5);
}

}  // namespace
