// Pies whose points come from a series "Data" block: the first eight bytes pick the pie's
// settings (angle size, also far beyond a turn, rotation, grouping, hole, explode, 3D, marks),
// the rest is the block. Whatever the values (huge, infinite, not a number), the pie lays out,
// groups, draws and writes itself without crashing; every slice angle is finite and within one
// turn; the data it writes never holds the other slice.
#include <cassert>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>

#include "chart/engine/Chart.h"
#include "chart/graphics/RecordingCanvas.h"
#include "chart/series/SeriesPie.h"
#include "platform/core/Streams.h"
#include "SeriesFuzzStart.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    seriesfuzz::StartSeriesModulesOnce();
    constexpr std::size_t kSettings = 8;
    if (size < kSettings) return 0;
    TChart chart;
    chart.SetBounds(0, 0, 300, 200);
    chart.ReplaceCanvas(std::make_unique<TRecordingCanvas>(), "TRecordingCanvas");
    TScopedComponent<TPieSeries> pie(&chart);
    pie.SetParentChart(&chart);
    pie.SetAngleSize(data[0] < 200 ? 1 + data[0] % 360 : (data[0] - 228) * 100000);
    pie.SetRotationAngle(static_cast<std::int8_t>(data[1]) * 3);
    pie.OtherSlice().SetStyle(static_cast<TPieOtherStyle>(data[2] % 3));
    pie.OtherSlice().SetValue(data[3]);
    pie.SetDonutPercent(data[4] % 2 ? data[4] % 100 : 0);
    pie.SetExplodeBiggest(data[5] % 60);
    chart.SetView3D(data[6] & 1);
    pie.Marks().SetVisible(data[6] & 2);
    pie.PieMarks().SetInsideSlice(data[6] & 4);
    pie.PieMarks().SetRotated(data[6] & 8);
    pie.PieMarks().SetLegSize(data[6] & 16 ? 10 : 0);
    pie.SetMultiPie(static_cast<TMultiPie>(data[7] % 3));
    TMemoryStream stream(std::string(reinterpret_cast<const char*>(data) + kSettings, size - kSettings));
    try {
        pie.ReadDataStream(stream);
    } catch (const Exception&) {
        return 0;
    }
    chart.DrawToCanvas(nullptr, chart.GetPanelRect());
    const double turn = 2 * 3.14159265358979323846 + 1e-9;
    for (const TPieAngle& a : pie.Angles()) {
        const bool bounded = std::isfinite(a.StartAngle) && std::isfinite(a.EndAngle) && std::fabs(a.StartAngle) <= turn &&
                             std::fabs(a.EndAngle) <= turn;
        assert(bounded);
        (void)bounded;
    }
    for (int i = 0; i < pie.PointCount(); ++i) pie.PointAtScreen(i * 7 % 300, i * 13 % 200);
    TMemoryStream out;
    pie.WriteData(out);
    for (int i = 0; i < pie.PointCount(); ++i) {
        const bool own = !pie.IsOtherSlicePoint(i) && !pie.IsGrouped(i);
        assert(own);
        (void)own;
    }
    return 0;
}
