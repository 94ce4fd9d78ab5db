#pragma once
// What the chart file and data export tests share: the output modules with a few small series
// and a function registered for streaming, a sample chart, a text picture of a chart that two
// charts must share to be equal, and the outside judges (python3, xmllint, LibreOffice).
#include <string>
#include <vector>

#include "chart/engine/Chart.h"
#include "chart/series/RuRazaziFunction.h"
#include "chart/series/RuRazaziSeries.h"

namespace storetest {

// Graphics, engine, series and output modules and the classes below, once per program.
void StartStoreModules();

// A plain data series (the line and bar series come from their own modules).
class TStoreSeries : public TChartSeries {
    QB_CLASS(TStoreSeries, TChartSeries)
public:
    explicit TStoreSeries(TComponent* owner = nullptr) : TChartSeries(owner) {}
    ~TStoreSeries() override;
};

// A series with a third value list, "Z".
class TStoreThreeListSeries : public TStoreSeries {
    QB_CLASS(TStoreThreeListSeries, TStoreSeries)
public:
    explicit TStoreThreeListSeries(TComponent* owner = nullptr)
        : TStoreSeries(owner), Z(new TChartValueList(this, "Z")) {}
    TChartValueList* Z;
};

// Doubles every Y of its first source.
class TStoreDoubling : public TDuvFunction {
    QB_CLASS(TStoreDoubling, TDuvFunction)
public:
    explicit TStoreDoubling(TComponent* owner = nullptr) : TDuvFunction(owner) {}
    void CalculateFromSources(TChartSeries* source) override;
};

// The gallery caption of TStoreSeries: two ampersands and markup characters.
extern const std::string StoreSeriesCaption;

// Three series: "Rain" with X, labels (one with markup and non-ASCII characters), a colour and
// a null point; "Depth" with a Z list; "Twice", the doubling function of Rain. A title too.
void FillSampleChart(TChart& chart);

// Every series (class, name, title, colour, active, points with colours and labels, function,
// sources), the titles and the axes' automatic state, one line each.
std::string DescribeChart(const TCustomAxisPanel& chart);

// Output of a command with its standard error; rc is its exit code.
std::string RunCommand(const std::string& command, int& rc);
// python3 (Debian's) running the script on the file (passed as given, no shell); the script
// reads sys.argv[1].
std::string RunPython(const std::string& script, const std::string& file, int& rc);

}  // namespace storetest
