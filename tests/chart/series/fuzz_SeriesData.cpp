// The "Data" reader of series. The first byte picks the reading series (plain, lying on its
// side, or with a third value list); the rest is the payload. Reading never crashes or leaks;
// a refused payload leaves the series' points as they were; an accepted one writes itself again
// and reads back to the same bytes.
#include <cassert>
#include <cstdint>
#include <memory>
#include <string>

#include "chart/series/RuRazaziSeries.h"
#include "platform/core/Streams.h"
#include "SeriesFuzzStart.h"

namespace {

class TFuzzReadSeries : public TChartSeries {
    QB_CLASS(TFuzzReadSeries, TChartSeries)
public:
    explicit TFuzzReadSeries(TComponent* owner = nullptr, int kind = 0) : TChartSeries(owner)
    {
        if (kind == 1) MakeHorizontal();
        if (kind == 2) new TChartValueList(this, "Z");
    }
};

std::string DataOf(const TChartSeries& series)
{
    TMemoryStream stream;
    series.WriteData(stream);
    return stream.Bytes();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    seriesfuzz::StartSeriesModulesOnce();
    if (size == 0) return 0;
    const int kind = data[0] % 3;
    TFuzzReadSeries series(nullptr, kind);
    series.AddPointXY(1, 2, "kept");
    const std::string before = DataOf(series);
    TMemoryStream stream(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
    try {
        series.ReadDataStream(stream);
    } catch (const Exception&) {
        const bool kept = DataOf(series) == before;
        assert(kept);
        (void)kept;
        return 0;
    }
    const std::string written = DataOf(series);
    TFuzzReadSeries again(nullptr, kind);
    TMemoryStream copy(written);
    again.ReadDataStream(copy);
    const bool same = DataOf(again) == written && copy.Remaining() == 0;
    assert(same);
    (void)same;
    return 0;
}
