// Callouts of marks (their defaults, copies, files and arrows), the marks' symbol and the box
// settings marks start with.
#include <gtest/gtest.h>

#include "chart/graphics/DuvGradient.h"
#include "chart/graphics/DuvShadow.h"
#include "chart/series/RuRazaziCallout.h"
#include "support_SeriesTest.h"

using namespace seriestest;

namespace {

class SeriesCalloutTest : public ::testing::Test {
protected:
    void SetUp() override { StartSeriesModules(); }
};

std::string CallsOf(const TRecordingCanvas& canvas, const std::vector<std::string>& names)
{
    std::string text;
    for (const TRecordedCall& call : canvas.Calls)
        if (std::find(names.begin(), names.end(), call.Name) != names.end())
            text += (text.empty() ? "" : " ") + call.Text();
    return text;
}

// The lines about the marks in a chart's text.
std::string MarksLines(const std::string& text)
{
    std::string lines;
    for (std::size_t at = text.find("Marks."); at != std::string::npos; at = text.find("Marks.", at + 1))
        lines += text.substr(at, text.find_first_of("\r\n", at) - at) + ";";
    return lines;
}

}  // namespace

TEST_F(SeriesCalloutTest, CalloutsStartWithTheirOwnDefaults)
{
    TCallout callout;
    EXPECT_TRUE(callout.Visible());
    EXPECT_TRUE(callout.FullGradient());
    EXPECT_TRUE(callout.DefaultFullGradient());
    EXPECT_FALSE(callout.Draw3D());
    EXPECT_TRUE(callout.InflateMargins());
    EXPECT_EQ(callout.Style(), psRectangle);
    EXPECT_EQ(callout.Brush().Color(), clBlack);
    EXPECT_EQ(callout.ArrowHead(), ahNone);
    EXPECT_EQ(callout.ArrowHeadSize(), 8);
    EXPECT_EQ(callout.Distance(), 0);

    TMarksCallout marks;
    EXPECT_FALSE(marks.Visible());
    EXPECT_EQ(marks.Length(), 8);

    marks.SetLength(3);
    marks.SetDistance(2);
    marks.SetArrowHead(ahSolid);
    marks.SetArrowHeadSize(5);
    marks.Arrow().SetColor(clRed);
    marks.SetStyle(psDiamond);
    marks.SetVisible(true);
    TMarksCallout copy;
    copy.Assign(&marks);
    EXPECT_EQ(copy.Length(), 3);
    EXPECT_EQ(copy.Distance(), 2);
    EXPECT_EQ(copy.ArrowHead(), ahSolid);
    EXPECT_EQ(copy.ArrowHeadSize(), 5);
    EXPECT_EQ(copy.Arrow().Color(), clRed);
    EXPECT_EQ(copy.Style(), psDiamond);
    EXPECT_TRUE(copy.Visible());
}

TEST_F(SeriesCalloutTest, TheMarksCalloutIsMadeOnFirstUseAndKeptInChartFiles)
{
    TTestChart chart;
    auto* series = new TTestSeries(&chart);
    series->SetName("Series1");
    series->SetParentChart(&chart);
    const std::string fresh = ComponentTextOf(chart);
    EXPECT_EQ(MarksLines(fresh), "Marks.Visible = False;") << "no callout, symbol or gradient is written";
    EXPECT_EQ(series->Marks().PeekCallout(), nullptr) << "writing does not make the callout";
    EXPECT_EQ(series->Marks().PeekSymbol(), nullptr);

    series->Marks().SetArrowLength(12);
    series->Marks().Callout().SetDistance(3);
    series->Marks().Callout().SetArrowHead(ahLine);
    series->Marks().GetArrow()->SetColor(clBlue);
    const std::string text = ComponentTextOf(chart);
    EXPECT_NE(text.find("Marks.Callout.Length = 12"), std::string::npos) << text;

    TTestChart copy;
    ReadComponentText(copy, text);
    TSeriesMarks& read = dynamic_cast<TChartSeries&>(*copy.GetSeries(0)).Marks();
    ASSERT_NE(read.PeekCallout(), nullptr);
    EXPECT_EQ(read.ArrowLength(), 12);
    EXPECT_EQ(read.Callout().Distance(), 3);
    EXPECT_EQ(read.Callout().ArrowHead(), ahLine);
    EXPECT_EQ(read.GetArrow()->Color(), clBlue);
    EXPECT_EQ(ComponentTextOf(copy), text);

    // Older files name the arrow settings on the marks themselves.
    std::string old = fresh;
    old.insert(old.find("Marks.Visible"), "Marks.ArrowLength = 20\n    ");
    TTestChart older;
    ReadComponentText(older, old);
    EXPECT_EQ(dynamic_cast<TChartSeries&>(*older.GetSeries(0)).Marks().ArrowLength(), 20);
}

TEST_F(SeriesCalloutTest, CalloutsDrawTheirArrowHeadsAndThePointerAtThePointEnd)
{
    TTestChart chart;
    struct Case {
        TArrowHeadStyle head;
        bool visible;
        bool midPoint;
        const char* calls;
    } const cases[] = {
        {ahNone, false, false, "MoveTo(100,150) LineTo(100,120)"},
        {ahNone, false, true, "MoveTo(100,150) LineTo(90,135) MoveTo(90,135) LineTo(100,120)"},
        // The pointer shape sits on the point, flat.
        {ahNone, true, false, "MoveTo(100,150) LineTo(100,120) Rectangle(98,148,103,153)"},
        {ahLine, true, false, "MoveTo(100,120) LineTo(100,150) LineTo(96,142) MoveTo(100,150) LineTo(104,142)"},
        {ahSolid, true, false, "Polygon([98:120 102:120 102:142 104:142 100:150 96:142 98:142])"},
    };
    for (const Case& k : cases) {
        TCallout callout;
        callout.SetArrowHead(k.head);
        callout.SetVisible(k.visible);
        callout.SetBothSizes(2);
        callout.SetArrowHeadSize(8);
        chart.Recording().Clear();
        callout.DrawCallout(&chart, clRed, k.midPoint, 0, {100, 120}, {90, 135}, {100, 150});
        EXPECT_EQ(CallsOf(chart.Recording(), {"MoveTo", "LineTo", "Rectangle", "Polygon"}), k.calls)
            << "head " << static_cast<int>(k.head) << (k.visible ? " with pointer" : "")
            << (k.midPoint ? " through the mid point" : "");
    }
}

TEST_F(SeriesCalloutTest, TheSymbolWidensTheMarkAndTakesThePointColour)
{
    TTestChart chart;
    auto* series = new TTestSeries(&chart);
    series->SetParentChart(&chart);
    series->Marks().SetVisible(true);
    series->Marks().GetShadow()->SetVisible(false);
    series->AddPointXY(1, 5, "mark", clGreen);
    chart.Draw();
    const int plain = series->Marks().Positions().PositionAt(0)->Width;
    const int height = series->Marks().Positions().PositionAt(0)->Height;

    TSeriesMarksSymbol& symbol = *series->Marks().GetSymbol();
    EXPECT_FALSE(symbol.Visible());
    EXPECT_EQ(symbol.PeekShadow()->HorizSize(), 1);
    EXPECT_EQ(symbol.PeekEmboss()->HorizSize(), 1);
    symbol.SetVisible(true);
    chart.Draw();
    const TSeriesMarkPosition& p = *series->Marks().Positions().PositionAt(0);
    EXPECT_EQ(p.Width, plain + height - 4) << "room for a square of the text height";
    const int h = chart.Recording().LineHeight;
    const int d = series->Marks().Pen().Width() / 2 + symbol.Pen().Width() / 2;
    const TRect expected{p.LeftTop.X + d + 4, p.LeftTop.Y + d + 3, p.LeftTop.X + 2 * d + h - 1,
                         p.LeftTop.Y + 2 * d + h - 2};
    EXPECT_EQ(symbol.Bounds, expected);
    bool drawn = false;
    for (const TRecordedCall& call : chart.Recording().Calls)
        if (call.Name == "Rectangle" && call.BrushColor == clGreen &&
            call.Args == std::to_string(expected.Left) + "," + std::to_string(expected.Top) + "," +
                             std::to_string(expected.Right) + "," + std::to_string(expected.Bottom))
            drawn = true;
    EXPECT_TRUE(drawn) << "a box in the point colour beside the text";

    symbol.SetTransparent(true);
    chart.Draw();
    EXPECT_EQ(series->Marks().Positions().PositionAt(0)->Width, plain) << "a transparent symbol takes no room";
}

TEST_F(SeriesCalloutTest, MarksStartWithTheirGradientShadowAndEmboss)
{
    TTestSeries series;
    TSeriesMarks& marks = series.Marks();
    ASSERT_NE(marks.PeekGradient(), nullptr);
    EXPECT_FALSE(marks.PeekGradient()->Visible());
    EXPECT_EQ(marks.PeekGradient()->Direction(), gdRightLeft);
    EXPECT_EQ(marks.PeekGradient()->StartColor(), static_cast<TColor>(12632256));
    EXPECT_EQ(marks.PeekGradient()->EndColor(), clWhite);
    EXPECT_EQ(marks.GetShadow()->Color(), static_cast<TColor>(8421504));
    EXPECT_EQ(marks.GetShadow()->HorizSize(), 3);
    EXPECT_EQ(marks.GetEmboss()->Color(), static_cast<TColor>(8421504));
    EXPECT_EQ(marks.GetEmboss()->VertSize(), 3);

    // The box shadow and emboss clip as the marks do.
    TTestChart chart;
    auto* drawn = new TTestSeries(&chart);
    drawn->SetParentChart(&chart);
    drawn->Marks().SetVisible(true);
    drawn->AddPointXY(1, 5, "a");
    drawn->Marks().GetEmboss();
    for (bool clip : {true, false}) {
        drawn->Marks().SetClip(clip);
        chart.Draw();
        EXPECT_EQ(drawn->Marks().PeekShadow()->Clip(), clip);
        EXPECT_EQ(drawn->Marks().PeekEmboss()->Clip(), clip);
    }
}
