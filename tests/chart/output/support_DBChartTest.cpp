#include "support_DBChartTest.h"

#include <ostream>

#include "platform/core/CodePage.h"
#include "platform/core/DateTime.h"
#include "support_SmoothCanvas.h"

namespace outputtest {

std::ostream& operator<<(std::ostream& out, const TPointRow& row)
{
    return out << "{\"" << row.Label << "\", " << row.X << ", " << row.Y << (row.Null ? ", null}" : "}");
}

std::vector<TPointRow> PointRows(const TChartSeries& series)
{
    std::vector<TPointRow> rows;
    for (int i = 0; i < series.PointCount(); ++i) {
        std::string label;
        series.GetStoredLabel(i, label);
        rows.push_back({label, series.GetXValue(i), series.GetYValue(i), series.IsNullPoint(i)});
    }
    return rows;
}

TDBTestSeries::TDBTestSeries(TComponent* owner) : TChartSeries(owner) {}

TDBTestSeries::~TDBTestSeries()
{
    if (ParentChart()) SetParentChart(nullptr);
}

void TDBTestSeries::NotifyDataChanged()
{
    ++Notified;
    TChartSeries::NotifyDataChanged();
}

namespace {

struct TFixtureRecord {
    double Day;  // 0: null
    double Ts;
    double Amount;  // -1: null
    const char* Country;
    double A, B, C;
};

}  // namespace

DBChartTest::DBChartTest()
{
    StartOutputModules();
    SetProgramCodePage(1250);
    table_.SetTableName(dir_.file("survey.dbf"));
    table_.FieldDefs().Add("DAY", ftDate);
    table_.FieldDefs().Add("TS", ftFloat, 6).Precision = 14;
    table_.FieldDefs().Add("AMOUNT", ftFloat, 2).Precision = 10;
    table_.FieldDefs().Add("COUNTRY", ftString, 10);
    for (const char* name : {"A", "B", "C"}) table_.FieldDefs().Add(name, ftFloat, 2).Precision = 8;
    table_.CreateTable();
    const double hour = 1.0 / 24;
    const TFixtureRecord records[] = {
        {EncodeDate(2021, 3, 3), EncodeDate(2021, 3, 3) + 10.25 * hour, 10, "cz", 1, 2, 3},
        {EncodeDate(2021, 3, 20), EncodeDate(2021, 3, 3) + 10.75 * hour, 20, "CZ", 4, 5, 6},
        {EncodeDate(2021, 4, 2), EncodeDate(2021, 4, 3) + 10.5 * hour, 5, "cz", 7, 8, 9},
        {EncodeDate(2022, 3, 3), EncodeDate(2022, 3, 3), -1, "sk", 0, 0, 0},
        {0, EncodeDate(2022, 3, 4), 7, "sk", 0, 0, 0},
    };
    table_.Open();
    for (const TFixtureRecord& r : records) {
        table_.Append();
        if (r.Day != 0) table_.FieldByName("DAY").SetValue(Variant::Date(r.Day));
        table_.FieldByName("TS").SetAsFloat(r.Ts);
        if (r.Amount >= 0) table_.FieldByName("AMOUNT").SetAsFloat(r.Amount);
        table_.FieldByName("COUNTRY").SetAsString(r.Country);
        table_.FieldByName("A").SetAsFloat(r.A);
        table_.FieldByName("B").SetAsFloat(r.B);
        table_.FieldByName("C").SetAsFloat(r.C);
        table_.Post();
    }
    table_.First();
    source_.SetDataSet(&table_);
}

DBChartTest::~DBChartTest()
{
    series_.clear();
    source_.SetDataSet(nullptr);
    table_.Close();
    SetProgramCodePage(0);
}

TDBTestSeries* DBChartTest::AddSeries(const std::string& labels, const std::string& values, bool throughSource)
{
    series_.push_back(MakeComponent<TDBTestSeries>());
    TDBTestSeries* series = series_.back().get();
    series->SetParentChart(&chart_);
    series->SetXLabelsSource(labels);
    series->YValues()->SetValueSource(values);
    series->SetDataSource(throughSource ? static_cast<TComponent*>(&through_) : &direct_);
    return series;
}

}  // namespace outputtest
