// The fast line series on a chart: reduction per pixel column, nulls, the prepared polyline and
// its parallel preparation, incremental drawing, streaming, margins and hit tests.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "chart/engine/DuvProcs.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/series/SeriesFastLine.h"
#include "support_SeriesTest.h"

using namespace seriestest;

namespace {

class FastLineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        StartSeriesModules();
        RegisterClassForStreaming(TFastLineSeries::StaticClass());
    }
};

// The series' drawing calls (moves and lines, polylines) of the last drawing.
std::vector<std::string> LineCalls(TTestChart& chart)
{
    std::vector<std::string> out;
    for (const TRecordedCall& call : enginetest::GroupCalls(chart.Recording().Calls, "Series"))
        if (call.Name == "MoveTo" || call.Name == "LineTo" || call.Name == "Polyline") out.push_back(call.Text());
    return out;
}

std::string Move(int x, int y) { return "MoveTo(" + std::to_string(x) + "," + std::to_string(y) + ")"; }
std::string Line(int x, int y) { return "LineTo(" + std::to_string(x) + "," + std::to_string(y) + ")"; }

// A chart of the given width whose axes are fixed to 0 .. maxX and 0 .. 100.
struct TFastLineChart {
    explicit TFastLineChart(int width = 400, double maxX = 100)
    {
        chart.SetBounds(0, 0, width, 300);
        series.SetParentChart(&chart);
        chart.BottomAxis()->SetMinMax(0, maxX);
        chart.LeftAxis()->SetMinMax(0, 100);
    }
    // A fixed-seed random walk with X = 0, 1, 2 ...
    void AddWalk(int count, unsigned seed = 7)
    {
        std::mt19937 random(seed);
        std::uniform_real_distribution<double> step(-1.5, 1.5);
        std::vector<double> xs, ys;
        double y = 50;
        for (int i = 0; i < count; ++i) {
            xs.push_back(i);
            y = std::clamp(y + step(random), 0.0, 100.0);
            ys.push_back(y);
        }
        series.AddXYArrays(xs, ys);
    }
    // The value whose pixel on the left axis is y (the chart must have been drawn).
    double ValueAtY(int y) { return chart.LeftAxis()->CalcPosPoint(y); }
    std::vector<std::string> Draw()
    {
        chart.Draw();
        return LineCalls(chart);
    }

    TTestChart chart;
    TScopedComponent<TFastLineSeries> series{&chart};
};

// ---------------------------------------------------------------- defaults and settings

TEST_F(FastLineTest, NewSeriesHasTheDocumentedDefaults)
{
    TFastLineSeries series;
    EXPECT_TRUE(series.AutoRepaint());
    EXPECT_TRUE(series.GetDrawAllPoints());
    EXPECT_TRUE(series.IgnoreNulls());
    EXPECT_EQ(series.TreatNulls(), tnIgnore);
    EXPECT_EQ(series.DrawAllPointsStyle(), daFirst);
    EXPECT_EQ(series.DrawStyle(), flSegments);
    EXPECT_EQ(series.LinePen().Color(), clDefault);
    EXPECT_FALSE(series.GetSelected()->Hover()->Visible());
    EXPECT_TRUE(series.IncludePointPastEnd);
    EXPECT_FALSE(series.SingleResultAsPoint);
    EXPECT_EQ(series.GetEditorClassName(), "TFastLineSeriesEditor");
    std::vector<std::string> styles;
    series.ListSubGalleryStyles([&](const std::string& s) { styles.push_back(s); });
    EXPECT_EQ(styles, (std::vector<std::string>{"Normal", "Marks", "Dotted", "Stairs"}));
}

TEST_F(FastLineTest, SeriesColourAndLinePenFollowEachOther)
{
    TFastLineSeries series;
    series.SetSeriesColor(clRed);
    EXPECT_EQ(series.LinePen().Color(), clRed);
    TDuvPen pen;
    pen.SetColor(clBlue);
    pen.SetWidth(3);
    series.SetLinePen(&pen);
    EXPECT_EQ(series.GetSeriesColor(), clBlue);
    EXPECT_EQ(series.LinePen().Width(), 3);
}

TEST_F(FastLineTest, PublishedPropertiesStreamAndDefaultsStayOut)
{
    TTestChart chart;
    auto* series = new TFastLineSeries(&chart);
    series->SetName("Fast1");
    series->SetParentChart(&chart);
    const std::string plain = ComponentTextOf(chart);
    for (const char* name : {"AutoRepaint", "DrawAllPoints", "DrawStyle", "FastPen", "IgnoreNulls", "Stairs", "TreatNulls"})
        EXPECT_EQ(plain.find(std::string(name) + " ="), std::string::npos) << name;

    series->SetAutoRepaint(false);
    series->SetClickTolerance(4);
    series->SetDrawAllPointsStyle(daMinMax);
    series->SetDrawAllPoints(false);
    series->SetDrawStyle(flAll);
    series->SetFastPen(true);
    series->SetIgnoreNulls(false);
    series->SetInvertedStairs(true);
    series->SetStairs(true);
    series->SetTreatNulls(tnSkip);
    series->LinePen().SetWidth(3);
    const std::string text = ComponentTextOf(chart);

    TTestChart copy;
    ReadComponentText(copy, text);
    ASSERT_EQ(copy.CountSeries(), 1);
    auto* read = dynamic_cast<TFastLineSeries*>(copy.GetSeries(0));
    ASSERT_NE(read, nullptr);
    EXPECT_FALSE(read->AutoRepaint());
    EXPECT_EQ(read->ClickTolerance(), 4);
    EXPECT_EQ(read->DrawAllPointsStyle(), daMinMax);
    EXPECT_FALSE(read->GetDrawAllPoints());
    EXPECT_EQ(read->DrawStyle(), flAll);
    EXPECT_TRUE(read->FastPen());
    EXPECT_FALSE(read->IgnoreNulls());
    EXPECT_TRUE(read->InvertedStairs());
    EXPECT_TRUE(read->Stairs());
    EXPECT_EQ(read->TreatNulls(), tnSkip);
    EXPECT_EQ(read->LinePen().Width(), 3);
    EXPECT_EQ(ComponentTextOf(copy), text);
}

TEST_F(FastLineTest, AssignCopiesTheFastLineSettings)
{
    TFastLineSeries source, target;
    source.SetDrawAllPoints(false);
    source.SetDrawAllPointsStyle(daMinMax);
    source.SetStairs(true);
    source.SetClickTolerance(5);
    source.SetTreatNulls(tnDontPaint);
    target.Assign(&source);
    EXPECT_FALSE(target.GetDrawAllPoints());
    EXPECT_EQ(target.DrawAllPointsStyle(), daMinMax);
    EXPECT_TRUE(target.Stairs());
    EXPECT_EQ(target.ClickTolerance(), 5);
    EXPECT_EQ(target.TreatNulls(), tnDontPaint);
}

// ---------------------------------------------------------------- reduction per pixel column

TEST_F(FastLineTest, FirstPointOfEachColumnDrawsAtMostOneSegmentPerColumn)
{
    TFastLineChart f(500, 9999);
    f.AddWalk(10000);
    f.series.SetDrawAllPoints(false);
    const std::vector<std::string> calls = f.Draw();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls[0], Move(f.series.GetPointScreenX(0), f.series.GetPointScreenY(0)));
    // Each line goes to the first point of a new column.
    std::vector<std::string> expected{calls[0]};
    for (int i = 1; i < 10000; ++i)
        if (f.series.GetPointScreenX(i) != f.series.GetPointScreenX(i - 1))
            expected.push_back(Line(f.series.GetPointScreenX(i), f.series.GetPointScreenY(i)));
    EXPECT_EQ(calls, expected);
    std::set<std::string> columns;
    for (std::size_t i = 1; i < calls.size(); ++i) columns.insert(calls[i].substr(7, calls[i].find(',') - 7));
    EXPECT_EQ(columns.size(), calls.size() - 1);
    EXPECT_LE(calls.size() - 1, 500u);
}

// Points of one pixel column with the given y pixels, between a point before and one after.
struct TColumnCase {
    const char* name;
    std::vector<int> ys;
    bool nextColumn;
    // Lines after the one into the column's first point (which goes to the largest y).
    std::vector<int> spanYs;
};

TEST_F(FastLineTest, MinMaxDrawsTheSpanOfEveryColumn)
{
    const TColumnCase cases[] = {
        {"span before the next column", {40, 10, 25}, true, {40, 10}},
        {"first point above the rest", {10, 40}, true, {40, 10}},
        {"last column", {40, 10, 25}, false, {40, 10}},
        {"one point", {30}, true, {}},
    };
    for (const TColumnCase& c : cases) {
        SCOPED_TRACE(c.name);
        TFastLineChart f(400, 100);
        f.series.SetDrawAllPoints(false);
        f.series.SetDrawAllPointsStyle(daMinMax);
        f.series.AddPointXY(0, 50);
        f.series.AddPointXY(100, 50);
        f.Draw();
        f.series.ClearPoints();
        f.series.AddPointXY(0, 50);
        for (std::size_t k = 0; k < c.ys.size(); ++k) f.series.AddPointXY(50 + 0.001 * k, f.ValueAtY(c.ys[k]));
        if (c.nextColumn) f.series.AddPointXY(100, 50);
        const std::vector<std::string> calls = f.Draw();
        const int column = f.series.GetPointScreenX(1);
        for (std::size_t k = 0; k < c.ys.size(); ++k) ASSERT_EQ(f.series.GetPointScreenY(1 + static_cast<int>(k)), c.ys[k]);
        std::vector<std::string> expected{Move(f.series.GetPointScreenX(0), f.series.GetPointScreenY(0)),
                                          Line(column, *std::max_element(c.ys.begin(), c.ys.end()))};
        for (int y : c.spanYs) expected.push_back(Line(column, y));
        if (c.nextColumn) {
            const int last = f.series.PointCount() - 1;
            expected.push_back(Line(f.series.GetPointScreenX(last), f.series.GetPointScreenY(last)));
        }
        EXPECT_EQ(calls, expected);
    }
}

// With no nulls a column is reduced apart from the others; the same series with a null point
// after its end (and nulls not painted) is drawn point by point, and both must agree. Long
// columns are nearly always pending; plateaus of few points per column often are not.
TEST_F(FastLineTest, ColumnReductionMatchesPointByPointDrawing)
{
    struct TData {
        const char* name;
        int count;
        std::vector<double> steps;
    };
    const TData datasets[] = {{"walk", 20000, {-1.2, -0.4, 0.3, 1.1}}, {"plateaus", 1500, {-1, 0, 0, 0, 0, 1}}};
    for (const TData& data : datasets)
    // X in order is reduced by searching the columns, X in any order point by point.
    for (TChartListOrder order : {loAscending, loNone})
    for (TDrawAllPointsStyle style : {daFirst, daMinMax}) {
        SCOPED_TRACE(std::string(data.name) + (style == daFirst ? " daFirst" : " daMinMax") + (order == loNone ? " unordered" : ""));
        TFastLineChart whole(500, data.count), pointwise(500, data.count);
        std::mt19937 random(5);
        std::uniform_int_distribution<std::size_t> pick(0, data.steps.size() - 1);
        std::vector<double> xs, ys;
        double y = 50;
        for (int i = 0; i < data.count; ++i) {
            xs.push_back(i);
            y = std::clamp(y + data.steps[pick(random)], 0.0, 100.0);
            ys.push_back(y);
        }
        for (TFastLineChart* f : {&whole, &pointwise}) {
            f->series.XValues()->SetOrder(order);
            f->series.AddXYArrays(xs, ys);
            f->series.SetDrawAllPoints(false);
            f->series.SetDrawAllPointsStyle(style);
        }
        pointwise.series.SetTreatNulls(tnDontPaint);
        pointwise.series.AddNullPointXY(data.count, 50);
        const std::vector<std::string> reduced = whole.Draw();
        ASSERT_NE(whole.series.GetPointScreenX(data.count - 1), pointwise.series.GetPointScreenX(data.count));
        EXPECT_EQ(reduced, pointwise.Draw());
        EXPECT_GT(reduced.size(), 400u);
    }
}

TEST_F(FastLineTest, WorkerThreadsDrawTheSameReductionAndPreparedPoints)
{
    struct TCase {
        const char* name;
        bool drawAll;
        TDrawAllPointsStyle style;
    };
    for (TChartListOrder order : {loAscending, loNone})
    for (const TCase& c : {TCase{"daFirst", false, daFirst}, TCase{"daMinMax", false, daMinMax}, TCase{"prepared", true, daFirst}}) {
        SCOPED_TRACE(std::string(c.name) + (order == loNone ? " unordered" : ""));
        TFastLineChart one(600, 75000), four(600, 75000);
        for (TFastLineChart* f : {&one, &four}) {
            f->series.XValues()->SetOrder(order);
            f->AddWalk(100000, 11);
            f->series.SetDrawAllPoints(c.drawAll);
            f->series.SetDrawAllPointsStyle(c.style);
            f->series.SetDrawStyle(flAll);
        }
        one.chart.ThreadCount = 1;
        four.chart.ThreadCount = 4;
        EXPECT_EQ(one.Draw(), four.Draw());
        EXPECT_EQ(one.series.PreparedPoints(), four.series.PreparedPoints());
        if (c.drawAll) {
            EXPECT_EQ(four.series.PreparedPoints().size(), static_cast<std::size_t>(four.series.LastVisibleIndex + 1));
        }
    }
}

TEST_F(FastLineTest, OnlyPointZeroVisibleDrawsNothingWhenReduced)
{
    TFastLineChart f(400, 10);
    f.series.SetDrawAllPoints(false);
    f.series.AddPointXY(0, 50);
    f.series.AddPointXY(100, 60);
    f.chart.BottomAxis()->SetMinMax(-10, 0);
    f.series.IncludePointPastEnd = false;
    EXPECT_TRUE(f.Draw().empty());
}

// ---------------------------------------------------------------- nulls

TEST_F(FastLineTest, NullPointsFollowTreatNulls)
{
    struct TCase {
        TTreatNullsStyle nulls;
        int nullIndex;
        std::vector<std::string> kinds;  // M move, L line, per point drawn
        std::vector<int> points;
    };
    const TCase cases[] = {
        {tnIgnore, 2, {"M", "L", "L", "L", "L"}, {0, 1, 2, 3, 4}},
        {tnDontPaint, 2, {"M", "L", "M", "L"}, {0, 1, 3, 4}},
        {tnSkip, 2, {"M", "L", "L", "L"}, {0, 1, 3, 4}},
        // A line never starts at a null point, bridged or not.
        {tnSkip, 0, {"M", "M", "L", "L", "L"}, {0, 1, 2, 3, 4}},
    };
    for (bool drawAll : {true, false})
        for (const TCase& c : cases) {
            SCOPED_TRACE("nulls " + std::to_string(static_cast<int>(c.nulls)) + " null " + std::to_string(c.nullIndex) + (drawAll ? "" : " reduced"));
            TFastLineChart f(400, 4);
            f.series.SetDrawAllPoints(drawAll);
            f.series.SetTreatNulls(c.nulls);
            for (int i = 0; i < 5; ++i) f.series.AddPointXY(i, 10 + 20 * (i % 2));
            f.series.SetNull(c.nullIndex);
            std::vector<std::string> expected;
            const std::vector<std::string> calls = f.Draw();
            for (std::size_t k = 0; k < c.points.size(); ++k) {
                const int x = f.series.GetPointScreenX(c.points[k]), y = f.series.GetPointScreenY(c.points[k]);
                expected.push_back(c.kinds[k] == "M" ? Move(x, y) : Line(x, y));
            }
            EXPECT_EQ(calls, expected);
        }
}

// ---------------------------------------------------------------- prepared polyline

TEST_F(FastLineTest, PreparedPolylineEqualsPointByPointDrawing)
{
    TFastLineChart segments(400, 600), polyline(400, 600);
    for (TFastLineChart* f : {&segments, &polyline}) {
        f->AddWalk(1000, 3);
        f->chart.BottomAxis()->SetMinMax(100.5, 600.5);
    }
    polyline.series.SetDrawStyle(flAll);
    ASSERT_TRUE(polyline.series.UsesPreparedPolyline());
    const std::vector<std::string> pointwise = segments.Draw(), prepared = polyline.Draw();
    ASSERT_EQ(prepared.size(), 1u);
    std::string joined;
    for (const std::string& call : pointwise) {
        const std::string args = call.substr(call.find('(') + 1, call.size() - call.find('(') - 2);
        joined += (joined.empty() ? "" : " ") + args.substr(0, args.find(',')) + ":" + args.substr(args.find(',') + 1);
    }
    EXPECT_EQ(prepared[0], "Polyline([" + joined + "])");
    // The line starts at the point before the first visible one and reaches past the end.
    EXPECT_EQ(polyline.series.FirstVisibleIndex, 101);
    EXPECT_EQ(polyline.series.LastVisibleIndex, 601);
    EXPECT_EQ(polyline.series.PreparedPoints().size(), 502u);
}

TEST_F(FastLineTest, PreparedPolylineOnlyWhereItDrawsTheSame)
{
    struct TCase {
        const char* name;
        std::function<void(TFastLineSeries&, TTestChart&)> change;
        bool prepared;
    };
    const TCase cases[] = {
        {"all points as one polyline", [](TFastLineSeries&, TTestChart&) {}, true},
        {"stairs", [](TFastLineSeries& s, TTestChart&) { s.SetStairs(true); }, false},
        {"nulls not ignored", [](TFastLineSeries& s, TTestChart&) { s.SetTreatNulls(tnSkip); }, false},
        {"reduced", [](TFastLineSeries& s, TTestChart&) { s.SetDrawAllPoints(false); }, false},
        {"3D", [](TFastLineSeries&, TTestChart& c) { c.SetView3D(true); }, false},
        {"segments", [](TFastLineSeries& s, TTestChart&) { s.SetDrawStyle(flSegments); }, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        TFastLineChart f;
        f.series.SetDrawStyle(flAll);
        c.change(f.series, f.chart);
        EXPECT_EQ(f.series.UsesPreparedPolyline(), c.prepared);
        EXPECT_EQ(f.series.CanPrepareInParallel(), c.prepared);
    }
}

// A recording canvas that also notes the fast line mode and the fast line calls.
class TFastModeCanvas : public TRecordingCanvas {
public:
    void SetFastLineMode(bool on) override { Record("SetFastLineMode", on ? "true" : "false"); }
    void FastLineTo(int x, int y) override { Record("FastLineTo", std::to_string(x) + "," + std::to_string(y)); }
};

TEST_F(FastLineTest, FastPenDrawsInTheCanvasFastLineMode)
{
    struct TCase {
        const char* name;
        bool fastPen;
        TFastLineDrawStyle style;
        std::vector<std::string> expected;  // call names in order
    };
    const TCase cases[] = {
        {"ordinary pen", false, flSegments, {"MoveTo", "LineTo", "LineTo"}},
        {"fast pen", true, flSegments, {"MoveTo", "SetFastLineMode", "FastLineTo", "FastLineTo", "SetFastLineMode"}},
        {"fast pen, one polyline", true, flAll, {"SetFastLineMode", "Polyline", "SetFastLineMode"}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        TFastLineChart f(400, 2);
        f.chart.ReplaceCanvas(std::make_unique<TFastModeCanvas>(), "TRecordingCanvas");
        for (int i = 0; i < 3; ++i) f.series.AddPointXY(i, 10 * i);
        f.series.SetFastPen(c.fastPen);
        f.series.SetDrawStyle(c.style);
        f.chart.Draw();
        std::vector<std::string> names;
        for (const TRecordedCall& call : enginetest::GroupCalls(f.chart.Recording().Calls, "Series"))
            if (call.Name.find("Line") != std::string::npos || call.Name == "MoveTo" || call.Name == "Polyline")
                names.push_back(call.Name);
        EXPECT_EQ(names, c.expected);
    }
}

// ---------------------------------------------------------------- incremental drawing

TEST_F(FastLineTest, AddedPointWithoutAutoRepaintDrawsOneSegment)
{
    TFastLineChart f(400, 10);
    for (int i = 0; i < 5; ++i) f.series.AddPointXY(i, 10 * i);
    f.Draw();
    int added = 0;
    struct TCounter {
        int* count;
        void On(TChartSeries*, int) { ++*count; }
    } counter{&added};
    f.series.OnAfterAdd = TSeriesOnAfterAdd(&counter, &TCounter::On);
    f.series.SetAutoRepaint(false);
    f.chart.Recording().Clear();
    f.series.AddPointXY(5, 70);
    std::vector<std::string> calls;
    for (const TRecordedCall& call : f.chart.Recording().Calls)
        if (call.Name == "MoveTo" || call.Name == "LineTo") calls.push_back(call.Text());
    EXPECT_EQ(calls, (std::vector<std::string>{Move(f.series.GetPointScreenX(4), f.series.GetPointScreenY(4)),
                                               Line(f.series.GetPointScreenX(5), f.series.GetPointScreenY(5))}));
    EXPECT_EQ(added, 1);
}

// ---------------------------------------------------------------- legend, margins, mouse

TEST_F(FastLineTest, LegendSymbolIsALineThroughTheMiddle)
{
    TFastLineChart f;
    f.series.SetSeriesColor(clGreen);
    f.chart.Recording().Clear();
    f.series.PaintLegendSymbol(0, TRect{10, 20, 30, 30});
    EXPECT_EQ(f.chart.Recording().Texts(), (std::vector<std::string>{Move(10, 25), Line(30, 25)}));
}

TEST_F(FastLineTest, MarginsGrowWithThePenWidth)
{
    const int expected[] = {1, 2, 3, 3, 4, 4};
    for (int width = 1; width <= 6; ++width) {
        TFastLineChart f;
        f.series.AddPointXY(0, 0);
        f.series.AddPointXY(100, 100);
        f.series.LinePen().SetWidth(width);
        int left = 0, right = 0, top = 0, bottom = 0;
        f.series.GetHorizMargins(left, right);
        f.series.GetVertMargins(top, bottom);
        EXPECT_EQ(left, expected[width - 1]) << width;
        EXPECT_EQ(right, expected[width - 1]) << width;
        EXPECT_EQ(top, expected[width - 1]) << width;
        EXPECT_EQ(bottom, expected[width - 1]) << width;
    }
}

TEST_F(FastLineTest, SegmentsAnswerClicksWithinTheTolerance)
{
    struct TCase {
        const char* name;
        bool stairs, inverted;
        int tolerance;
        int dx, dy;  // from the middle of the segment between points 1 and 2, or from the corner
        bool atCorner;
        int expected;
    };
    const TCase cases[] = {
        {"on the segment", false, false, 0, 0, 0, false, 1},
        {"beside it, no tolerance", false, false, 0, 0, 3, false, -1},
        {"beside it, within tolerance", false, false, 3, 0, 3, false, 1},
        {"stairs corner", true, false, 0, 0, 0, true, 1},
        {"inverted stairs corner", true, true, 0, 0, 0, true, 1},
        {"far away", false, false, 3, 0, 60, false, -1},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        TFastLineChart f(400, 3);
        for (int i = 0; i < 4; ++i) f.series.AddPointXY(i, i == 2 ? 80 : 20);
        f.series.SetStairs(c.stairs);
        f.series.SetInvertedStairs(c.inverted);
        f.series.SetClickTolerance(c.tolerance);
        f.Draw();
        const int x1 = f.series.GetPointScreenX(1), y1 = f.series.GetPointScreenY(1);
        const int x2 = f.series.GetPointScreenX(2), y2 = f.series.GetPointScreenY(2);
        int x = (x1 + x2) / 2, y = (y1 + y2) / 2;
        if (c.atCorner) {
            x = c.inverted ? x1 : x2;
            y = c.inverted ? y2 : y1;
        } else if (!c.stairs) {
            // A point on the slanted segment itself.
            x = x1 + (x2 - x1) / 2;
            y = y1 + (y2 - y1) * (x - x1) / (x2 - x1);
        }
        EXPECT_EQ(f.series.PointAtScreen(x + c.dx, y + c.dy), c.expected);
        EXPECT_EQ(f.series.PointAtScreen(x2, y2), 2);
    }
}

}  // namespace
