// Charts with bubble, arrow, Gantt and shape series read from chart files (binary, or text
// starting with "object"): whatever their settings and points (huge, infinite, not a number,
// links to tasks that do not exist, corners far off screen), the reading, the drawing flat and
// in 3D, the hit tests and the writing never crash, and a shape's pixel corners stay within the
// screen coordinate range.
#include <cassert>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>

#include "chart/engine/Chart.h"
#include "chart/graphics/RecordingCanvas.h"
#include "chart/series/ArrowCha.h"
#include "chart/series/BubbleCh.h"
#include "chart/series/DuvShape.h"
#include "chart/series/GanttCh.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentText.h"
#include "platform/core/ComponentWriter.h"
#include "platform/core/Streams.h"
#include "SeriesFuzzStart.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kValues[] = {0, 3, -2, 1e308, -1e308, kInf, -kInf, 5e-324, 7, 1e12};

double Value(std::size_t k) { return kValues[k % std::size(kValues)]; }

void AddHostilePoints(TChartSeries* series, std::size_t seed)
{
    if (auto* bubbles = dynamic_cast<TBubbleSeries*>(series))
        for (std::size_t k = 0; k < 4; ++k) bubbles->AddBubble(Value(seed + k), Value(seed + 2 * k), Value(seed + 3 * k));
    else if (auto* arrows = dynamic_cast<TArrowSeries*>(series))
        for (std::size_t k = 0; k < 4; ++k)
            arrows->AddArrow(Value(seed + k), Value(seed + k + 1), Value(seed + 2 * k), Value(seed + 3 * k));
    else if (auto* gantt = dynamic_cast<TGanttSeries*>(series))
        for (std::size_t k = 0; k < 4; ++k) {
            const int index = gantt->AddGantt(Value(seed + k), Value(seed + 2 * k), Value(seed + 3 * k));
            if (index >= 0) gantt->NextTask()->SetValueAt(index, Value(seed + k + 5));
        }
    else if (auto* shape = dynamic_cast<TChartShape*>(series)) {
        shape->SetX0(Value(seed));
        shape->SetY1(Value(seed + 3));
    }
}

void DrawAndHit(TChart& chart)
{
    try {
        chart.DrawToCanvas(nullptr, chart.GetPanelRect());
    } catch (const Exception&) {
    }
    for (int i = 0; i < chart.CountSeries(); ++i) {
        auto* series = dynamic_cast<TChartSeries*>(chart.GetSeries(i));
        if (!series) continue;
        for (int y = 0; y < 250; y += 25) series->PointAtScreen(y * 2, y);
        if (auto* shape = dynamic_cast<TChartShape*>(series); shape && shape->XYStyle() == xysPixels) {
            TRect corners;
            shape->GetShapePoints(corners);
            const bool onScreen = std::abs(corners.Left) <= 32767 && std::abs(corners.Top) <= 32767 &&
                                  std::abs(corners.Right) <= 32767 && std::abs(corners.Bottom) <= 32767;
            assert(onScreen);
            (void)onScreen;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    seriesfuzz::StartSeriesModulesOnce();
    TChart chart;
    chart.SetBounds(0, 0, 400, 250);
    try {
        std::string bytes(reinterpret_cast<const char*>(data), size);
        if (bytes.rfind("object", 0) == 0) {
            TMemoryStream text(bytes);
            TMemoryStream binary;
            ObjectTextToBinary(text, binary);
            binary.SetPosition(0);
            ReadComponentFromStream(binary, &chart);
        } else {
            TMemoryStream stream(bytes);
            ReadComponentFromStream(stream, &chart);
        }
    } catch (const Exception&) {
    }
    chart.ReplaceCanvas(std::make_unique<TRecordingCanvas>(), "TRecordingCanvas");
    DrawAndHit(chart);
    for (int i = 0; i < chart.CountSeries(); ++i)
        if (auto* series = dynamic_cast<TChartSeries*>(chart.GetSeries(i))) {
            try {
                AddHostilePoints(series, size + static_cast<std::size_t>(i));
            } catch (const Exception&) {
            }
        }
    DrawAndHit(chart);
    chart.SetView3D(!chart.View3D());
    DrawAndHit(chart);
    TMemoryStream out;
    WriteComponentToStream(out, &chart);
    return 0;
}
