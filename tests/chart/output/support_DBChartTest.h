#pragma once
// What the database-bound chart tests share: a small dBase table of sales records, a chart with
// a plain data series, and readers of the series' points.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "chart/output/DBChart.h"
#include "platform/core/Component.h"
#include "platform/db/Table.h"
#include "support/TestSupport.h"

namespace outputtest {

// One point as the tests compare it.
struct TPointRow {
    std::string Label;
    double X = 0, Y = 0;
    bool Null = false;
    bool operator==(const TPointRow&) const = default;
};
std::ostream& operator<<(std::ostream& out, const TPointRow& row);

std::vector<TPointRow> PointRows(const TChartSeries& series);

// A plain series with its X list kept ascending, as line series keep it; counts the data-changed
// notifications it sends.
class TDBTestSeries : public TChartSeries {
    QB_CLASS(TDBTestSeries, TChartSeries)
public:
    explicit TDBTestSeries(TComponent* owner = nullptr);
    ~TDBTestSeries() override;
    int Notified = 0;
    void NotifyDataChanged() override;
};

// survey.dbf: DAY (date), TS (date-time as a number), AMOUNT, COUNTRY, A, B, C; five records:
//   2021-03-03 10:15  10 cz  1 2 3
//   2021-03-20 ...    20 CZ
//   2021-04-02        5  cz
//   2022-03-03        -  sk       (AMOUNT null)
//   -                 7  sk       (DAY null)
class DBChartTest : public testing::Test {
protected:
    DBChartTest();
    ~DBChartTest() override;

    TDBTestSeries* AddSeries(const std::string& labels, const std::string& values, bool throughSource = false);

    qbtest::TempDir dir_;
    TTable table_;
    TDataSource source_;
    TDBChart chart_;
    TDataSetComponent direct_{nullptr, &table_};
    TDataSourceComponent through_{nullptr, &source_};
    std::vector<TComponentPtr<TDBTestSeries>> series_;
};

}  // namespace outputtest
