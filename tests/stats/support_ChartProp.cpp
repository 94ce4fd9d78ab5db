#include "support_ChartProp.h"

#include <QListWidget>

#include "chart/engine/ChartLegend.h"

namespace statstest {

void ChartPropFixture::SetUp()
{
    seriestest::StartSeriesModules();
    // The test chart starts with its legend hidden; the program's charts show theirs.
    chart.Legend()->SetVisible(true);
    ShowChartProperties(&chart);
    form = FormChartProp;
}

void ChartPropFixture::TearDown() { delete FormChartProp; }

void ChartPropFixture::Select(int row)
{
    form->FormActivate();
    form->ListSeries->setCurrentRow(row);
    form->ListSeriesContextPopup();
    form->PopupSeriesPopup();
}

void ChartPropFixture::Trigger(std::initializer_list<const char*> path)
{
    QAction* action = MenuItem(form->PopupSeries, path);
    ASSERT_NE(action, nullptr) << *path.begin();
    action->trigger();
}

}  // namespace statstest
