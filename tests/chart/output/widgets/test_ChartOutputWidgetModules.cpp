#include <QGuiApplication>

#include "chart/output/DBChart.h"
#include "chart/output/support_DBChartTest.h"
#include "chart/output/widgets/ChartOutputWidgetModules.h"

using namespace outputtest;

namespace {

Qt::CursorShape ShownCursor()
{
    const QCursor* cursor = QGuiApplication::overrideCursor();
    return cursor ? cursor->shape() : Qt::ArrowCursor;
}

struct CursorWatch {
    std::vector<Qt::CursorShape> Seen;
    void After(TChartSeries*, int) { Seen.push_back(ShownCursor()); }
};

// The program's screen shows the hourglass while a database refill runs, and the usual cursor
// after it, also when the refill fails.
TEST_F(DBChartTest, RefillsShowTheHourglassOnTheScreen)
{
    InitializeChartOutputWidgetModules();
    CursorWatch watch;
    std::vector<Qt::CursorShape>& seen = watch.Seen;
    TDBTestSeries* series = AddSeries("COUNTRY", "AMOUNT");
    series->OnAfterAdd = {&watch, &CursorWatch::After};
    seen.clear();
    chart_.RefreshDataSet(&table_, nullptr);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), Qt::WaitCursor);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    chart_.SetShowGlassCursor(false);
    seen.clear();
    chart_.RefreshDataSet(&table_, nullptr);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), Qt::ArrowCursor) << "no hourglass when the chart is told not to show it";

    chart_.SetShowGlassCursor(true);
    EXPECT_THROW(series->YValues()->SetValueSource("NOPE"), Exception);
    EXPECT_THROW(chart_.RefreshDataSet(&table_, series), Exception);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "a failed refill restores the cursor";
    FinalizeChartOutputWidgetModules();
    EXPECT_EQ(dynamic_cast<TChartOutputServices*>(&ChartEditorServices()), nullptr) << "the services go at the end";
}

}  // namespace
