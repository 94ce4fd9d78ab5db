// Chart files loaded as pictures. Any stream loads or fails cleanly; a failed load leaves the
// picture's chart as it was, and whatever loaded can be saved again.
#include <cassert>
#include <cstdint>
#include <string>

#include "chart/engine/Chart.h"
#include "chart/engine/ChartEngineModules.h"
#include "chart/graphics/ChartGraphicsModules.h"
#include "chart/output/ChartOutputModules.h"
#include "chart/output/DuvEditPro.h"
#include "chart/output/DuvStore.h"
#include "chart/series/ChartSeriesModules.h"
#include "platform/core/Streams.h"

namespace {

std::string SavedForm(const TChartImage& picture)
{
    TMemoryStream stream;
    picture.SaveToStream(stream);
    return stream.Bytes();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool started = [] {
        InitializeChartGraphicsModules();
        InitializeChartEngineModules();
        InitializeChartSeriesModules();
        InitializeChartOutputModules();
        return true;
    }();
    (void)started;
    TChartImage picture;
    picture.Chart().SetBounds(0, 0, 60, 40);
    const std::string before = SavedForm(picture);
    TMemoryStream stream(std::string(reinterpret_cast<const char*>(data), size));
    try {
        picture.LoadFromStream(stream);
    } catch (const Exception&) {
        const bool unchanged = SavedForm(picture) == before;
        assert(unchanged);
        (void)unchanged;
        return 0;
    }
    try {
        SavedForm(picture);
    } catch (const Exception&) {
        // Settings a stream may hold (a name too long to write back) are reported, not crashed on.
    }
    return 0;
}
