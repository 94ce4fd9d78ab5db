#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include "chart/engine/ChartLegend.h"
#include "chart/engine/support_ChartEngine.h"
#include "chart/graphics/DuvConst.h"
#include "chart/graphics/RecordingCanvas.h"
#include "chart/series/Series.h"
#include "platform/core/DateTime.h"
#include "platform/core/NumText.h"
#include "support_DBChartTest.h"

using namespace outputtest;

namespace {

double D(int y, int m, int d) { return EncodeDate(y, m, d); }

struct TConversionCase {
    const char* Name;
    const char* Labels;
    const char* Values;
    std::vector<TPointRow> Expected;
};

std::string Mmm(int month) { return FormatSettings().ShortMonthNames[std::size_t(month - 1)]; }

}  // namespace

TEST_F(DBChartTest, RecordsBecomePointsByKeyword)
{
    const double h = 1.0 / 24;
    const std::vector<TConversionCase> cases = {
        // Nulls: a record without a date joins no group; a group of only nulls is a null point.
        {"sum by month", "#MONTH#DAY", "#SUM#AMOUNT",
         {{"03/21", D(2021, 3, 15), 30}, {"04/21", D(2021, 4, 15), 5}, {"03/22", D(2022, 3, 15), 0, true}}},
        {"keywords ignore case", "#month#DAY", "#sum#AMOUNT",
         {{"03/21", D(2021, 3, 15), 30}, {"04/21", D(2021, 4, 15), 5}, {"03/22", D(2022, 3, 15), 0, true}}},
        // Groups are case-sensitive; nulls are not counted.
        {"count", "COUNTRY", "#COUNT#AMOUNT", {{"cz", 0, 2}, {"CZ", 1, 1}, {"sk", 2, 1}}},
        {"avg", "COUNTRY", "#AVG#AMOUNT", {{"cz", 0, 7.5}, {"CZ", 1, 20}, {"sk", 2, 7}}},
        {"high", "COUNTRY", "#HIGH#AMOUNT", {{"cz", 0, 10}, {"CZ", 1, 20}, {"sk", 2, 7}}},
        {"low", "COUNTRY", "#LOW#AMOUNT", {{"cz", 0, 5}, {"CZ", 1, 20}, {"sk", 2, 7}}},
        {"sum sorted descending", "#SORTDES#COUNTRY", "#SUM#AMOUNT", {{"sk", 0, 7}, {"cz", 1, 15}, {"CZ", 2, 20}}},
        {"sum sorted ascending", "#SORTASC#COUNTRY", "#SUM#AMOUNT", {{"CZ", 0, 20}, {"cz", 1, 15}, {"sk", 2, 7}}},
        {"sort keyword without aggregate only names the field", "#SORTASC#COUNTRY", "AMOUNT",
         {{"cz", 0, 10}, {"CZ", 1, 20}, {"cz", 2, 5}, {"sk", 3, 0, true}, {"sk", 4, 7}}},
        {"plain values, null point", "", "AMOUNT", {{"", 0, 10}, {"", 1, 20}, {"", 2, 5}, {"", 3, 0, true}, {"", 4, 7}}},
        // The whole date stays: 3 March of 2021 and of 2022 are two days.
        {"day", "#DAY#DAY", "#SUM#AMOUNT",
         {{"03/" + Mmm(3) + "/2021", D(2021, 3, 3), 10}, {"20/" + Mmm(3) + "/2021", D(2021, 3, 20), 20},
          {"02/" + Mmm(4) + "/2021", D(2021, 4, 2), 5}, {"03/" + Mmm(3) + "/2022", D(2022, 3, 3), 0, true}}},
        // 10 o'clock of 3 March and of 3 April stay apart.
        {"hour", "#HOUR#TS", "#COUNT#AMOUNT",
         {{"03/" + Mmm(3) + "/2021 10:00", D(2021, 3, 3) + 10 * h, 2}, {"03/" + Mmm(4) + "/2021 10:00", D(2021, 4, 3) + 10 * h, 1},
          {"03/" + Mmm(3) + "/2022 00:00", D(2022, 3, 3), 0, true}, {"04/" + Mmm(3) + "/2022 00:00", D(2022, 3, 4), 1}}},
        {"quarter", "#QUARTER#DAY", "#SUM#AMOUNT",
         {{"1/2021", D(2021, 2, 1), 30}, {"2/2021", D(2021, 5, 1), 5}, {"1/2022", D(2022, 2, 1), 0, true}}},
        {"year", "#YEAR#DAY", "#SUM#AMOUNT", {{"2021", D(2021, 6, 15), 35}, {"2022", D(2022, 6, 15), 0, true}}},
        {"week", "#WEEK#DAY", "#SUM#AMOUNT",
         {{"9/2021", D(2021, 3, 4), 10}, {"11/2021", D(2021, 3, 18), 20}, {"13/2021", D(2021, 4, 1), 5},
          {"9/2022", D(2022, 3, 3), 0, true}}},
        // Wednesday, Saturday, Friday, Thursday.
        {"weekday", "#WEEKDAY#DAY", "#SUM#AMOUNT",
         {{FormatSettings().ShortDayNames[3], 3, 10}, {FormatSettings().ShortDayNames[4], 4, 0, true},
          {FormatSettings().ShortDayNames[5], 5, 5}, {FormatSettings().ShortDayNames[6], 6, 20}}},
        {"date group without a field", "#MONTH#", "#SUM#AMOUNT", {{"", 0, 42}}},
    };
    for (const TConversionCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TDBTestSeries* series = AddSeries(c.Labels, c.Values);
        EXPECT_EQ(PointRows(*series), c.Expected);
        if (std::string(c.Values).starts_with("#AVG")) {
            for (int i = 0; i < series->PointCount(); ++i) EXPECT_EQ(series->StoredPointColor(i), clDefault);
        }
        series_.pop_back();
    }
}

TEST_F(DBChartTest, SeveralFieldsGiveOnePointPerFieldAndRecord)
{
    TDBTestSeries* series = AddSeries("", "A;B;C");
    ASSERT_EQ(series->PointCount(), 15);
    const std::vector<TPointRow> rows = PointRows(*series);
    const std::vector<TPointRow> first(rows.begin(), rows.begin() + 6);
    EXPECT_EQ(first, (std::vector<TPointRow>{{"A", 0, 1}, {"B", 1, 2}, {"C", 2, 3}, {"A", 3, 4}, {"B", 4, 5}, {"C", 5, 6}}));
}

TEST_F(DBChartTest, XFromItsFieldAndHorizontalSeries)
{
    TDBTestSeries* series = AddSeries("COUNTRY", "AMOUNT");
    series->XValues()->SetValueSource("A");
    EXPECT_EQ(PointRows(*series), (std::vector<TPointRow>{{"sk", 0, 0, true}, {"sk", 0, 7}, {"cz", 1, 10}, {"CZ", 4, 20}, {"cz", 7, 5}}));

    auto horizontal = MakeComponent<TDBTestSeries>();
    horizontal->MakeHorizontal();
    horizontal->XValues()->SetOrder(loNone);
    horizontal->SetParentChart(&chart_);
    horizontal->XValues()->SetValueSource("#SUM#AMOUNT");
    horizontal->SetXLabelsSource("COUNTRY");
    horizontal->SetDataSource(&direct_);
    EXPECT_EQ(PointRows(*horizontal), (std::vector<TPointRow>{{"cz", 15, 0}, {"CZ", 20, 1}, {"sk", 7, 2}}));
}

TEST(DBChartDates, IsoWeeks)
{
    struct Case {
        int y, m, d, week, year;
    } const cases[] = {
        {2021, 1, 1, 53, 2020}, {2020, 12, 31, 53, 2020}, {2021, 1, 4, 1, 2021}, {2019, 12, 30, 1, 2020}, {2026, 12, 10, 50, 2026},
    };
    for (const Case& c : cases) {
        int week = 0, year = 0;
        IsoWeekOf(EncodeDate(c.y, c.m, c.d), week, year);
        EXPECT_EQ(week, c.week) << c.y << "-" << c.m << "-" << c.d;
        EXPECT_EQ(year, c.year);
        std::string label;
        double x = 0;
        DateGroupLabel(TDBDateGroup::Week, EncodeDate(c.y, c.m, c.d), label, x);
        EXPECT_EQ(label, std::to_string(c.week) + "/" + std::to_string(c.year));
        EXPECT_EQ(DayOfWeek(x), 5);  // a Thursday
    }
}

TEST(DBChartKeywords, Split)
{
    std::string keyword, name;
    SplitKeyword("#sum#Amount", keyword, name);
    EXPECT_EQ(keyword, "SUM");
    EXPECT_EQ(name, "Amount");
    SplitKeyword("#Amount", keyword, name);
    EXPECT_EQ(keyword, "");
    EXPECT_EQ(name, "#Amount");
    SplitKeyword("Amount", keyword, name);
    EXPECT_EQ(name, "Amount");
}

// ---------------------------------------------------------------- dataset events

TEST_F(DBChartTest, OpenCloseAndPostRefill)
{
    table_.Close();
    TDBTestSeries* series = AddSeries("", "AMOUNT");
    EXPECT_EQ(series->PointCount(), 0);
    table_.Open();
    EXPECT_EQ(series->PointCount(), 5);
    table_.Close();
    EXPECT_EQ(series->PointCount(), 0);
    table_.Open();
    table_.Append();
    table_.FieldByName("AMOUNT").SetAsFloat(99);
    table_.Post();
    ASSERT_EQ(series->PointCount(), 6);
    EXPECT_EQ(series->GetYValue(5), 99);
}

TEST_F(DBChartTest, ScrollFollowsTheCurrentRecord)
{
    TDBTestSeries* series = AddSeries("", "AMOUNT", true);
    EXPECT_EQ(PointRows(*series), (std::vector<TPointRow>{{"AMOUNT", 0, 10}}));
    table_.Next();
    EXPECT_EQ(PointRows(*series), (std::vector<TPointRow>{{"AMOUNT", 0, 20}}));
    table_.Last();
    EXPECT_EQ(PointRows(*series), (std::vector<TPointRow>{{"AMOUNT", 0, 7}}));
}

// Both kinds of binding on one dataset: each series keeps its own.
TEST_F(DBChartTest, EachSeriesIsFilledByItsOwnBinding)
{
    TDBTestSeries* all = AddSeries("", "AMOUNT");
    TDBTestSeries* current = AddSeries("", "AMOUNT", true);
    chart_.RefreshDataSet(&table_, nullptr);
    EXPECT_EQ(all->PointCount(), 5);
    EXPECT_EQ(current->PointCount(), 1);
    table_.Next();
    EXPECT_EQ(all->PointCount(), 5);
    EXPECT_EQ(current->GetYValue(0), 20);
}

class TAbortAt {
public:
    int Stop = 3, Seen = 0;
    bool Abort = true;
    void Handler(TCustomDBChart*, TDataSet*)
    {
        if (++Seen == Stop) {
            if (Abort) throw EAbort();
            throw Exception("broken record");
        }
    }
};

TEST_F(DBChartTest, AbortEndsTheLoopQuietlyAndAFailureKeepsWhatWasRead)
{
    TDBTestSeries* series = AddSeries("", "AMOUNT");
    series->YValues()->SetOrder(loDescending);
    series->XValues()->SetOrder(loNone);
    for (bool abort : {true, false}) {
        SCOPED_TRACE(abort);
        TAbortAt handler;
        handler.Abort = abort;
        chart_.OnProcessRecord = TProcessRecordEvent(&handler, &TAbortAt::Handler);
        TDBTestSeries dependent;
        dependent.SetParentChart(&chart_);
        dependent.SetDataSource(series);
        const int notified = series->Notified;
        if (abort) EXPECT_NO_THROW(chart_.RefreshDataSet(&table_, nullptr));
        else EXPECT_THROW(chart_.RefreshDataSet(&table_, nullptr), Exception);
        // Two records read, sorted by the Y order and told to the dependent.
        EXPECT_EQ(series->PointCount(), 2);
        EXPECT_EQ(series->GetYValue(0), 20);
        EXPECT_EQ(series->Notified, notified + 1);
        EXPECT_EQ(dependent.PointCount(), 2);
        EXPECT_TRUE(chart_.AutoRepaint);
        EXPECT_EQ(table_.RecNo(), 1);
        chart_.OnProcessRecord = nullptr;
    }
}

TEST_F(DBChartTest, UnknownFieldChangesNothing)
{
    TDBTestSeries* series = AddSeries("", "AMOUNT");
    table_.Next();
    SetScreenCursor(crCross);
    EXPECT_THROW(series->YValues()->SetValueSource("NOPE"), Exception);  // refreshes
    EXPECT_EQ(series->PointCount(), 5);
    EXPECT_THROW(chart_.RefreshDataSet(&table_, series), Exception);
    EXPECT_EQ(series->PointCount(), 5);
    EXPECT_EQ(ScreenCursor(), crCross);
    EXPECT_TRUE(chart_.AutoRepaint);
    EXPECT_FALSE(chart_.Refreshing());
    EXPECT_EQ(table_.RecNo(), 2);
    SetScreenCursor(crDefault);
}

// Binding to a closed dataset, or with AutoRefresh off, keeps the points the series has.
TEST_F(DBChartTest, PointsStayUntilARefillRuns)
{
    table_.Close();
    TDBTestSeries series;
    series.SetParentChart(&chart_);
    series.AddPointXY(1, 2);
    series.YValues()->SetValueSource("AMOUNT");
    series.SetDataSource(&direct_);
    EXPECT_EQ(series.PointCount(), 1);
    chart_.SetAutoRefresh(false);
    table_.Open();
    chart_.RefreshSeriesData(&series);
    EXPECT_EQ(series.PointCount(), 1);
    chart_.RefreshDataSet(&table_, &series);
    EXPECT_EQ(series.PointCount(), 5);
}

TEST_F(DBChartTest, DataSetLeavesWithItsLastSeries)
{
    TDBTestSeries* a = AddSeries("", "AMOUNT");
    TDBTestSeries* b = AddSeries("", "A", true);
    EXPECT_EQ(chart_.DataSourceCount(), 1);
    a->SetDataSource(nullptr);
    EXPECT_EQ(chart_.DataSourceCount(), 1);
    table_.Next();  // b still follows the record
    EXPECT_EQ(b->GetYValue(0), 4);
    b->SetDataSource(nullptr);
    EXPECT_EQ(chart_.DataSourceCount(), 0);
}

TEST_F(DBChartTest, SeriesOfAnotherChartIsRefused)
{
    TDBChart other;
    TDBTestSeries series;
    series.SetParentChart(&other);
    try {
        chart_.RefreshSeriesData(&series);
        FAIL();
    } catch (const ChartException& e) {
        EXPECT_STREQ(e.what(), "Series.ParentChart is not myself!");
    }
}

TEST_F(DBChartTest, RefreshIntervalAndTimer)
{
    for (int bad : {61, -1}) {
        try {
            chart_.SetRefreshInterval(bad);
            FAIL();
        } catch (const DBChartException& e) {
            EXPECT_STREQ(e.what(), "Refresh Interval must be between 0 and 60");
        }
    }
    EXPECT_EQ(chart_.RefreshInterval(), 0);
    EXPECT_EQ(chart_.RefreshTimer(), nullptr);
    chart_.SetRefreshInterval(5);
    ASSERT_NE(chart_.RefreshTimer(), nullptr);
    EXPECT_EQ(chart_.RefreshTimer()->interval(), 5000);
    EXPECT_TRUE(chart_.RefreshTimer()->isActive());
    chart_.SetRefreshInterval(0);
    EXPECT_FALSE(chart_.RefreshTimer()->isActive());
}

// A failing timed refresh is told once and the timer goes on; a good refresh re-arms the report.
TEST_F(DBChartTest, FailingTimedRefreshKeepsTheTimer)
{
    TDBTestSeries* series = AddSeries("", "AMOUNT");
    chart_.SetRefreshInterval(1);
    TAbortAt handler;
    handler.Abort = false;
    handler.Stop = 1;
    chart_.OnProcessRecord = TProcessRecordEvent(&handler, &TAbortAt::Handler);
    EXPECT_THROW(chart_.RefreshTimerTick(), Exception);
    EXPECT_TRUE(chart_.RefreshTimer()->isActive());
    handler.Seen = 0;
    EXPECT_NO_THROW(chart_.RefreshTimerTick());
    EXPECT_TRUE(chart_.RefreshTimer()->isActive());
    chart_.OnProcessRecord = nullptr;
    chart_.RefreshTimerTick();
    EXPECT_EQ(series->PointCount(), 5);
    chart_.OnProcessRecord = TProcessRecordEvent(&handler, &TAbortAt::Handler);
    handler.Seen = 0;
    EXPECT_THROW(chart_.RefreshTimerTick(), Exception);
    chart_.OnProcessRecord = nullptr;
}

TEST_F(DBChartTest, TimerRefillsOnItsOwn)
{
    TDBTestSeries* series = AddSeries("", "AMOUNT");
    series->ClearPoints();
    chart_.SetRefreshInterval(1);
    chart_.RefreshTimer()->setInterval(10);  // the short wait of a test
    QElapsedTimer clock;
    clock.start();
    while (series->PointCount() == 0 && clock.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(series->PointCount(), 5);
}

TEST_F(DBChartTest, FieldNamesForTheEditor)
{
    TDBTestSeries* series = AddSeries("", "AMOUNT");
    std::vector<std::string> names;
    chart_.EnumDataSetFields(series, [&](const std::string& name) { names.push_back(name); });
    EXPECT_EQ(names, (std::vector<std::string>{"DAY", "TS", "AMOUNT", "COUNTRY", "A", "B", "C"}));
}

// The database-bound chart publishes what TChart publishes and its own four.
TEST(DBChartProperties, PublishedLikeTheChart)
{
    for (const char* name : {"Title", "Legend", "BackWall", "OnClickSeries", "OnValidDataSource", "AutoRefresh",
                             "RefreshInterval", "ShowGlassCursor", "OnProcessRecord"})
        EXPECT_NE(TDBChart::StaticClass().FindProperty(name), nullptr) << name;
}

// The table window's graphs: a line series bound to the table takes the records as they come,
// draws one unbroken line through them, follows posts and empties when the table closes.
TEST_F(DBChartTest, ALineSeriesFollowsTheTableAndDrawsItsLine)
{
    chart_.SetBounds(0, 0, 400, 300);
    chart_.ReplaceCanvas(std::make_unique<TRecordingCanvas>(), "TRecordingCanvas");
    chart_.Legend()->SetVisible(false);
    chart_.SetView3D(false);
    auto& recording = static_cast<TRecordingCanvas&>(chart_.Canvas());
    // The segments drawn, when each starts where the one before ended; else "broken".
    auto lineCalls = [&] {
        recording.Clear();
        chart_.DrawToCanvas(nullptr, chart_.GetPanelRect());
        int segments = 0;
        std::string end;
        for (const TRecordedCall& call : enginetest::GroupCalls(recording.Calls, "Series")) {
            if (call.Name == "MoveTo" && !end.empty() && call.Args != end) return std::string("broken");
            if (call.Name == "LineTo") {
                ++segments;
                end = call.Args;
            }
        }
        return std::to_string(segments) + " segments";
    };
    TLineSeries line(nullptr);
    line.SetParentChart(&chart_);
    line.YValues()->SetValueSource("TS");
    line.SetDataSource(&direct_);
    ASSERT_EQ(line.PointCount(), 5);
    EXPECT_EQ(lineCalls(), "4 segments");

    table_.Append();
    table_.FieldByName("TS").SetAsFloat(EncodeDate(2022, 3, 5));
    table_.Post();
    ASSERT_EQ(line.PointCount(), 6);
    EXPECT_EQ(line.GetYValue(5), EncodeDate(2022, 3, 5));
    EXPECT_EQ(lineCalls(), "5 segments");

    table_.Close();
    EXPECT_EQ(line.PointCount(), 0);
    EXPECT_EQ(lineCalls(), "0 segments");
    line.SetDataSource(nullptr);
}

TEST_F(DBChartTest, FreeingTheBoundDataSetComponentLeavesNoReference)
{
    auto* bound = new TDataSetComponent(nullptr, &table_);
    TDBTestSeries* series = AddSeries("COUNTRY", "AMOUNT");
    series->SetDataSource(bound);
    chart_.RefreshDataSet(&table_, nullptr);
    EXPECT_EQ(TCustomDBChart::BoundDataSet(series), &table_);
    bound->Free();
    EXPECT_EQ(series->GetDataSource(), nullptr);
    EXPECT_EQ(TCustomDBChart::BoundDataSet(series), nullptr);
    const int points = series->PointCount();
    chart_.RefreshDataSet(&table_, nullptr);  // the freed component is not read
    EXPECT_EQ(series->PointCount(), points);
}
