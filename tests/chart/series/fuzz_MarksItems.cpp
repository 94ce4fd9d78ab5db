// The "Items" reader of series marks. Reading never crashes or leaks; refused bytes leave the
// items as they were; accepted ones write themselves again and read back to the same bytes.
#include <cassert>
#include <cstdint>
#include <string>

#include "chart/series/RuRazaziSeries.h"
#include "platform/core/Streams.h"
#include "SeriesFuzzStart.h"

namespace {

std::string ItemsOf(TSeriesMarks& marks)
{
    TMemoryStream stream;
    marks.WriteItems(stream);
    return stream.Bytes();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    seriesfuzz::StartSeriesModulesOnce();
    TChartSeries series(nullptr);
    series.Marks().Items().Item(1)->SetTransparency(30);
    const std::string before = ItemsOf(series.Marks());
    TMemoryStream stream(std::string(reinterpret_cast<const char*>(data), size));
    try {
        series.Marks().ReadItems(stream);
    } catch (const Exception&) {
        const bool kept = ItemsOf(series.Marks()) == before;
        assert(kept);
        (void)kept;
        return 0;
    }
    const std::string written = ItemsOf(series.Marks());
    TChartSeries again(nullptr);
    TMemoryStream copy(written);
    again.Marks().ReadItems(copy);
    const bool same = ItemsOf(again.Marks()) == written;
    assert(same);
    (void)same;
    return 0;
}
