// Drawing marks on the recording canvas: which points get one, where boxes and texts go, moving
// off earlier marks, finding a mark under the mouse and marks the user moved.
#include <gtest/gtest.h>

#include "chart/series/RuRazaziCallout.h"
#include "support_SeriesTest.h"

using namespace seriestest;

namespace {

class SeriesMarksDrawTest : public ::testing::Test {
protected:
    void SetUp() override { StartSeriesModules(); }
};

// Values are screen pixels, so each mark's place follows from its point alone.
class TPixelSeries : public TTestSeries {
    QB_CLASS(TPixelSeries, TTestSeries)
public:
    explicit TPixelSeries(TComponent* owner = nullptr) : TTestSeries(owner) {}
    int GetPointScreenX(int index) override { return static_cast<int>(XValues()->GetValueAt(index)); }
    int GetPointScreenY(int index) override { return static_cast<int>(YValues()->GetValueAt(index)); }
};

class THorizPixelSeries : public TPixelSeries {
    QB_CLASS(THorizPixelSeries, TPixelSeries)
public:
    explicit THorizPixelSeries(TComponent* owner = nullptr) : TPixelSeries(owner) { MakeHorizontal(); }
};

// A chart with one pixel series whose marks show their values without shadow.
struct TMarksFixture {
    TTestChart chart;
    TPixelSeries* series;
    explicit TMarksFixture(bool horizontal = false)
        : series(horizontal ? new THorizPixelSeries(&chart) : new TPixelSeries(&chart))
    {
        series->SetParentChart(&chart);
        series->SetValueFormat("0");
        series->XValues()->SetOrder(loNone);
        series->Marks().SetVisible(true);
        series->Marks().SetStyle(smsLabel);
        series->Marks().GetShadow()->SetVisible(false);
    }
    // The text outputs of the marks, as "x,y,"text"".
    std::vector<std::string> MarkOutputs()
    {
        std::vector<std::string> outputs;
        bool inMarks = false;
        for (const TRecordedCall& call : chart.Recording().Calls) {
            if (call.Name == "PushTransform") inMarks = call.Args.find("\"Marks\"") != std::string::npos;
            if (inMarks && call.Name == "TextOut") outputs.push_back(call.Args);
        }
        return outputs;
    }
    // The texts of the marks drawn, in drawing order.
    std::vector<std::string> Drawn()
    {
        chart.Draw();
        std::vector<std::string> texts;
        for (const std::string& out : MarkOutputs()) texts.push_back(out.substr(out.rfind(',') + 1));
        return texts;
    }
    std::vector<int> Stored() const
    {
        std::vector<int> indexes;
        const TSeriesMarksPositions& positions = series->Marks().Positions();
        for (int i = 0; i < positions.Count(); ++i)
            if (positions.PositionAt(i)) indexes.push_back(i);
        return indexes;
    }
    TSeriesMarkPosition At(int index) const { return *series->Marks().Positions().PositionAt(index); }
};

}  // namespace

TEST_F(SeriesMarksDrawTest, OnlyShownPointsWithATextAndAVisibleFormatGetAMark)
{
    struct Case {
        const char* what;
        int drawEvery;
        int nullPoint;
        int hiddenItem;
        int unlabelled;
        std::vector<int> marks;
    } const cases[] = {
        {"every point", 1, -1, -1, -1, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
        {"every third point", 3, -1, -1, -1, {0, 3, 6, 9}},
        {"a null point", 3, 6, -1, -1, {0, 3, 9}},
        {"an item hidden", 1, -1, 4, -1, {0, 1, 2, 3, 5, 6, 7, 8, 9}},
        {"a label missing", 1, -1, -1, 2, {0, 1, 3, 4, 5, 6, 7, 8, 9}},
    };
    for (const Case& k : cases) {
        TMarksFixture f;
        for (int i = 0; i < 10; ++i) f.series->AddPointXY(20 + 35 * i, 150, i == k.unlabelled ? "" : std::to_string(i));
        f.series->Marks().SetDrawEvery(k.drawEvery);
        if (k.nullPoint >= 0) f.series->SetNull(k.nullPoint);
        if (k.hiddenItem >= 0) f.series->Marks().Items().Item(k.hiddenItem)->SetVisible(false);
        std::vector<std::string> texts;
        for (int i : k.marks) texts.push_back("\"" + std::to_string(i) + "\"");
        EXPECT_EQ(f.Drawn(), texts) << k.what;
        EXPECT_EQ(f.Stored(), k.marks) << k.what;
        for (int i = 0; i < 10; ++i) {
            const bool shown = std::find(k.marks.begin(), k.marks.end(), i) != k.marks.end();
            EXPECT_EQ(f.series->MarkIndexAtPoint({20 + 35 * i, 150 - 5}), shown ? i : -1) << k.what << ", point " << i;
        }
    }
}

TEST_F(SeriesMarksDrawTest, TheBoxStandsCentredOnItsPointAndTheTextInIt)
{
    TMarksFixture f;
    f.series->AddPointXY(100, 200, "ab");
    f.series->AddPointXY(300, 100, "long text");
    f.chart.Draw();
    for (int i = 0; i < 2; ++i) {
        const TSeriesMarkPosition p = f.At(i);
        const int x = static_cast<int>(f.series->XValues()->GetValueAt(i));
        const int y = static_cast<int>(f.series->YValues()->GetValueAt(i));
        EXPECT_EQ(p.LeftTop.X, x - p.Width / 2) << i;
        EXPECT_EQ(p.LeftTop.Y, y - p.Height + 1) << i;
        EXPECT_EQ(p.ArrowFrom.X, x);
        EXPECT_EQ(p.ArrowTo.Y, y);
        EXPECT_GT(p.Width, f.chart.Recording().CharWidth * static_cast<int>(f.series->MarkTextOf(i).size()));
        EXPECT_FALSE(p.Custom);
    }
    // The text is centred in its box, below the box's top margin.
    const std::vector<std::string> outs = f.MarkOutputs();
    ASSERT_EQ(outs.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        const TSeriesMarkPosition p = f.At(i);
        EXPECT_EQ(outs[i].rfind(std::to_string(p.LeftTop.X + p.Width / 2) + ",", 0), 0u) << outs[i];
        const int y = std::stoi(outs[i].substr(outs[i].find(',') + 1));
        EXPECT_GT(y, p.LeftTop.Y) << outs[i];
        EXPECT_LT(y + f.chart.Recording().LineHeight, p.LeftTop.Y + p.Height) << outs[i];
    }
}

TEST_F(SeriesMarksDrawTest, AMarkOverlappingAnEarlierOneMovesOffItOrIsLeftOut)
{
    struct Case {
        const char* what;
        bool horizontal;
        bool autoPosition;
        TPoint second;
        bool drawn;
    } const cases[] = {
        // The earlier mark lies higher: the later one goes below it.
        {"earlier higher", false, true, {105, 108}, true},
        // The earlier mark lies lower: moved up, the box is tested with only its top edge moved.
        {"earlier lower", false, true, {105, 92}, false},
        {"no automatic positions", false, false, {105, 92}, true},
        {"far apart", false, true, {300, 100}, true},
        {"horizontal, earlier to the left", true, true, {110, 103}, true},
        {"horizontal, earlier to the right", true, true, {90, 103}, false},
    };
    for (const Case& k : cases) {
        TMarksFixture f(k.horizontal);
        TPixelSeries* series = f.series;
        series->AddPointXY(100, 100, "first");
        series->AddPointXY(k.second.X, k.second.Y, "second");
        series->Marks().SetAutoPosition(k.autoPosition);
        const std::vector<std::string> drawn = f.Drawn();
        EXPECT_EQ(drawn.size(), k.drawn ? 2u : 1u) << k.what;
        if (!k.drawn || !k.autoPosition || k.second.X == 300) continue;
        const TRect first = f.At(0).GetBounds(), second = f.At(1).GetBounds();
        if (k.horizontal)
            EXPECT_EQ(second.Left, first.Right) << k.what;
        else
            EXPECT_EQ(second.Top, first.Bottom) << k.what;
        EXPECT_EQ(f.series->MarkIndexAtPoint({(second.Left + second.Right) / 2, (second.Top + second.Bottom) / 2}), 1);
    }
}

TEST_F(SeriesMarksDrawTest, MarksTheUserMovedStayWhereTheyWereUntilReset)
{
    TMarksFixture f;
    f.series->AddPointXY(100, 200, "a");
    f.chart.Draw();
    TSeriesMarkPosition moved = f.At(0);
    const TSeriesMarkPosition computed = moved;
    moved.LeftTop = {20, 30};
    moved.ArrowTo = {25, 40};
    moved.ArrowFrom = {1, 1};
    f.series->Marks().Positions().StorePosition(0, moved);
    EXPECT_TRUE(f.series->HasCustomMarkPositions());

    struct Case {
        bool arrowFix;
        TPoint arrowFrom;
    } const cases[] = {{false, {1, 1}}, {true, {100, 200}}};
    for (const Case& k : cases) {
        f.series->Marks().Positions().PositionAt(0)->ArrowFix = k.arrowFix;
        f.chart.Draw();
        EXPECT_EQ(f.At(0).LeftTop, TPoint(20, 30));
        EXPECT_TRUE(f.At(0).Custom) << "the stored place stays the user's";
        EXPECT_EQ(f.series->MarkIndexAtPoint({22, 32}), 0);
        EXPECT_EQ(f.series->MarkIndexAtPoint({computed.LeftTop.X + 2, computed.LeftTop.Y + 2}), -1);
    }
    f.series->Marks().ResetPositions();
    EXPECT_FALSE(f.series->HasCustomMarkPositions());
    f.chart.Draw();
    EXPECT_EQ(f.At(0).LeftTop, computed.LeftTop) << "back at its computed place";
}

TEST_F(SeriesMarksDrawTest, PointsDeletedTakeTheirMarkPlacesAlong)
{
    TMarksFixture f;
    for (int i = 0; i < 4; ++i) f.series->AddPointXY(40 + 80 * i, 150, "p" + std::to_string(i));
    f.series->Marks().Items().Item(1)->Font()->SetSize(20);
    f.chart.Draw();
    const TSeriesMarkPosition third = f.At(2);
    f.series->DeletePoint(1);
    EXPECT_EQ(f.series->Marks().Items().ItemIfAny(1), nullptr) << "the deleted point's format went with it";
    EXPECT_EQ(f.At(1).LeftTop, third.LeftTop) << "later places move down with their points";
    f.series->DeletePoints(0, 2);
    EXPECT_EQ(f.Stored(), (std::vector<int>{0}));
}

TEST_F(SeriesMarksDrawTest, TheChartAsksTheSeriesAboutItsMarks)
{
    TMarksFixture f;
    f.series->AddPointXY(100, 150, "one");
    f.series->AddPointXY(200, 150, "two\rlonger");
    TCustomChartSeries& asked = *f.series;
    EXPECT_TRUE(asked.HasMarks());
    EXPECT_TRUE(asked.MarksVisible());
    asked.SetMarksVisible(false);
    EXPECT_FALSE(f.series->Marks().Visible());
    EXPECT_EQ(asked.MaxMarkExtent(), 0) << "hidden marks need no room";
    asked.SetMarksVisible(true);
    EXPECT_EQ(asked.MaxMarkExtent(), 6 * f.chart.Recording().CharWidth) << "the widest line of any mark";
    f.series->Marks().SetClip(true);
    f.series->Marks().SetOnTop(true);
    EXPECT_TRUE(asked.MarksClipped());
    EXPECT_TRUE(asked.MarksOnTop());
    f.chart.Draw();
    const TSeriesMarkPosition p = f.At(0);
    EXPECT_EQ(asked.MarkIndexAtPoint({p.LeftTop.X + 1, p.LeftTop.Y + 1}), 0);
    EXPECT_EQ(asked.MarkIndexAtPoint({p.LeftTop.X - 1, p.LeftTop.Y - 1}), -1);
}

TEST_F(SeriesMarksDrawTest, CustomItemTextsReplaceTheComputedTextWithoutTheLastLineBreak)
{
    TMarksFixture f;
    f.series->Marks().SetStyle(smsValue);
    f.series->AddPointXY(100, 150);
    f.series->AddPointXY(200, 150);
    TStringList lines;
    lines.SetText("own\r\n");
    f.series->Marks().Items().Item(1)->SetTextLines(&lines);
    EXPECT_EQ(f.series->MarkTextOf(1), "own");
    EXPECT_EQ(f.series->MarkTextOf(0), "150");
    f.series->Marks().Items().Item(0);
    EXPECT_EQ(f.Drawn(), (std::vector<std::string>{"\"150\"", "\"own\""}));
    EXPECT_FALSE(f.series->Marks().Items().Item(0)->CustomText()) << "drawing does not make a text custom";
}

TEST_F(SeriesMarksDrawTest, TheCalloutLiftsTheMarkAndDrawsItsArrow)
{
    struct Case {
        int length, distance;
        int boxUp, pointEndUp;
    } const cases[] = {{8, 0, 8, 0}, {0, 0, 0, 0}, {10, 4, 14, 4}, {-5, 2, -3, 2}};
    for (const Case& k : cases) {
        TMarksCallout callout;
        callout.SetLength(k.length);
        callout.SetDistance(k.distance);
        TSeriesMarkPosition p;
        p.LeftTop = {10, 100};
        p.ArrowTo = p.ArrowFrom = {20, 120};
        callout.OffsetPosition(p);
        EXPECT_EQ(p.LeftTop, TPoint(10, 100 - k.boxUp));
        EXPECT_EQ(p.ArrowTo, TPoint(20, 120 - k.boxUp));
        EXPECT_EQ(p.ArrowFrom, TPoint(20, 120 - k.pointEndUp));
    }

    TMarksFixture f;
    f.series->AddPointXY(100, 150, "a");
    f.series->Marks().Callout().Arrow().SetColor(clRed);
    f.chart.Draw();
    const std::vector<std::string> lines = f.chart.Recording().Texts("LineTo");
    EXPECT_NE(std::find(lines.begin(), lines.end(), "LineTo(100,150)"), lines.end())
        << "the arrow ends on the point";
}
