// Series sources read from a chart file, then refreshed: the chart file load never reads the
// sources' file; the refresh reads whatever bytes the file holds (a spreadsheet for the
// spreadsheet source, anything for the plain file source) or raises, never crashes or leaks.
// Input: worksheet, range from, range to, labels from, labels to (one line each), then the
// file's bytes.
#include <cassert>
#include <cstdint>
#include <string>

#include "chart/engine/ChartEngineModules.h"
#include "chart/graphics/ChartGraphicsModules.h"
#include "chart/output/ChartOutputModules.h"
#include "chart/output/DuvExcelSource.h"
#include "chart/output/DuvStore.h"
#include "chart/series/ChartSeriesModules.h"
#include "chart/series/Series.h"
#include "platform/core/Streams.h"
#include "support/FuzzInputFile.h"

namespace {

// A line of the input as a quoted string of the component text form (printable characters only).
std::string Field(const std::string& bytes, std::size_t& at)
{
    const std::size_t end = std::min(bytes.find('\n', at), bytes.size());
    std::string field = "'";
    for (std::size_t i = at; i < end && i < at + 64; ++i) {
        const char c = bytes[i] >= 32 && bytes[i] < 127 ? bytes[i] : '_';
        field += c == '\'' ? std::string("''") : std::string(1, c);
    }
    at = std::min(end + 1, bytes.size());
    return field + "'";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool started = [] {
        InitializeChartGraphicsModules();
        InitializeChartEngineModules();
        InitializeChartSeriesModules();
        InitializeChartOutputModules();
        RegisterClassForStreaming(TLineSeries::StaticClass());
        return true;
    }();
    (void)started;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::size_t at = 0;
    const std::string sheet = Field(bytes, at), from = Field(bytes, at), to = Field(bytes, at);
    const std::string labelsFrom = Field(bytes, at), labelsTo = Field(bytes, at);

    qbtest::WithInputFile(bytes.data() + at, bytes.size() - at, [&](const std::string& path) {
        // A chart file as the program writes it, with both sources active.
        const std::string name = "'" + path + "'";
        const std::string text = "object TChart\n"
                                 "  object Series1: TLineSeries\n  end\n"
                                 "  object Excel: TDuvExcelSource\n    Active = True\n    FileName = " + name +
                                 "\n    WorkSheet = " + sheet + "\n    RangeFrom = " + from + "\n    RangeTo = " + to +
                                 "\n    LabelsFrom = " + labelsFrom + "\n    LabelsTo = " + labelsTo +
                                 "\n    Series = Series1\n  end\n"
                                 "  object File: TDuvSeriesSourceFile\n    Active = True\n    FileName = " + name +
                                 "\n    Series = Series1\n  end\n"
                                 "end\n";
        TChart chart;
        TMemoryStream stream(text);
        LoadChartFromStream(chart, stream);
        for (const char* source : {"Excel", "File"}) {
            auto* found = dynamic_cast<TDuvSeriesSourceFile*>(chart.FindComponent(source));
            assert(found && !found->Active() && found->WaitsForRefresh());
            try {
                found->Open();
            } catch (const Exception&) {
                // The file's or the ranges' fault, told by a message.
            }
        }
    });
    return 0;
}
