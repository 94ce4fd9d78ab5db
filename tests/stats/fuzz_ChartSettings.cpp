// The chart settings file reader: whatever the bytes, a file is either refused with a message or
// decoded into a record that passes its checks and encodes back to the same fields.
#include <cassert>
#include <cstdint>
#include <string>

#include "stats/UChartProp.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    TChartSettingsRecord record;
    TChartUseFlags flags;
    try {
        DecodeChartSettings(bytes, record, flags);
        CheckChartSettings(record, flags);
    } catch (const EChartSettingsError& error) {
        assert(*error.what() != '\0');
        return 0;
    }
    assert(size >= static_cast<std::size_t>(ChartSettingsRecordSize));
    const std::string again = EncodeChartSettings(record, flags);
    assert(again.size() == static_cast<std::size_t>(ChartSettingsFileSize));
    TChartSettingsRecord reread;
    TChartUseFlags rereadFlags;
    DecodeChartSettings(again, reread, rereadFlags);
    assert(rereadFlags == flags);
    assert(reread.LegendColorWidth == record.LegendColorWidth && reread.BevelWidth == record.BevelWidth);
    (void)reread;
    return 0;
}
