// Texts typed into the chart grid: any text written into any cell of a small chart (value,
// date-time, label and grid 3D cells), with rows appended, taken back and deleted on the way,
// either changes the series or raises EConvertError with the series untouched; the series'
// lists always stay as long as each other.
#include <cassert>
#include <cstdint>
#include <string>

#include "chart/engine/Chart.h"
#include "chart/output/ChartGridModel.h"
#include "chart/series/RuRazaziSeries.h"
#include "chart/series/SeriesFuzzStart.h"
#include "platform/core/SysUtils.h"

namespace {

class TZSeries : public TChartSeries {
public:
    explicit TZSeries(TComponent* owner) : TChartSeries(owner), Z(new TChartValueList(this, "Z")) {}
    TChartValueList* Z;
};

bool ListsAgree(const TChartSeries& series)
{
    for (int i = 0; i < series.ValueLists().Count(); ++i)
        if (series.ValueLists()[i]->Count() != series.PointCount()) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    seriesfuzz::StartSeriesModulesOnce();
    if (size < 2) return 0;
    TChart chart;
    TChartSeries plain(nullptr);
    plain.SetParentChart(&chart);
    for (double y : {1.0, 2.0, 3.0}) plain.AddPointY(y);
    plain.XValues()->SetDateTime((data[0] & 0x40) != 0);
    TZSeries grid(nullptr);
    grid.SetParentChart(&chart);
    for (int x = 1; x <= 2; ++x)
        for (int z = 1; z <= 2; ++z) {
            grid.Z->PendingValue = z;
            grid.AddPointXY(x, x * 10 + z);
        }
    TChartGridModel model;
    model.SetChart(&chart);
    model.SetShowXValues(cgsYes);
    model.SetShowColors((data[0] & 0x20) != 0);
    model.SetGrid3D((data[0] & 0x80) != 0);
    model.AllowSeriesChanges = true;

    // Each record: a cell byte, an action byte, then text up to a zero byte.
    std::size_t at = 1;
    while (at + 2 <= size) {
        const int col = data[at] % 8;
        const int row = data[at] / 8 % 12;
        const int action = data[at + 1] % 5;
        const bool editorOpen = (data[at + 1] & 0x80) != 0;
        at += 2;
        std::string text;
        while (at < size && data[at] != 0) text += static_cast<char>(data[at++]);
        ++at;  // the zero byte, or past the end
        switch (action) {
        case 0: model.AppendRow(); break;
        case 1: model.AppendNullRow(col); break;
        case 2: model.TakeBackAppendedPoint(col, row); break;
        case 3: model.DeleteRow(row); break;
        default: break;
        }
        try {
            model.SetEditText(col, row, text, editorOpen);
        } catch (const EConvertError&) {
        }
        (void)model.CellText(col, row);
        assert(ListsAgree(plain) && ListsAgree(grid));
        assert(model.RowCount() >= model.HeaderRowCount() + 1);
    }
    model.SetChart(nullptr);
    plain.SetParentChart(nullptr);
    grid.SetParentChart(nullptr);
    return 0;
}
