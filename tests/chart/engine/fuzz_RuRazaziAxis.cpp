// Axes read from chart files: reading any stream never crashes or leaks, custom axes join the
// chart's axis list and sub-axes stay out of it, and whatever range was read converts values
// into pixels without overflow.
#include <cassert>
#include <cstdint>
#include <memory>
#include <string>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/graphics/RecordingCanvas.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentWriter.h"
#include "platform/core/Streams.h"

namespace {

class TFuzzAxisPanel : public TCustomAxisPanel {
    QB_CLASS(TFuzzAxisPanel, TCustomAxisPanel)
public:
    TFuzzAxisPanel() : TCustomAxisPanel(nullptr)
    {
        ChartRect = {10, 10, 410, 310};
        ChartWidth = 400;
        ChartHeight = 300;
        DepthWidth = 60;
    }
    static void DeclareProperties(TPropertyDeclarer<TFuzzAxisPanel>& p)
    {
        p.Collection("CustomAxes", &TFuzzAxisPanel::CustomAxes);
        p.Object("TopAxis", &TFuzzAxisPanel::TopAxis);
    }
};

void Exercise(TChartAxis& axis)
{
    try {
        axis.UpdateInternalRange();
    } catch (const Exception&) {
    }
    axis.CalcPixelRange();
    axis.ApplyMarginsToRange(3, 4, 5, 6);
    for (double v : {-1e308, -1.0, 0.0, 0.5, 1e12, 1e308}) {
        (void)axis.ValueToPixel(v);
        (void)axis.CalcXPosValue(v);
        (void)axis.CalcYPosValue(v);
        (void)axis.PixelsBetween(v, 0);
    }
    (void)axis.PixelToValue(axis.PixelCentre);
    // Whatever range and label settings were read, the labels come in bounded numbers.
    const std::size_t labels = axis.CalcLabels().size();
    assert(labels <= 20001);
    (void)labels;
    (void)axis.WidestLabelWidth();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TFuzzAxisPanel chart;
    try {
        TMemoryStream stream(std::string(reinterpret_cast<const char*>(data), size));
        ReadComponentFromStream(stream, &chart);
    } catch (const Exception&) {
    }
    // Labels are measured with fixed metrics: no font system needed.
    chart.ReplaceCanvas(std::make_unique<TRecordingCanvas>(), "TRecordingCanvas");
    const TChartAxes& axes = chart.AxesList();
    assert(axes.Count() == 6 + chart.CustomAxes()->Count());
    for (TChartAxis* axis : axes) {
        assert(axis->ParentChart() == &chart);
        Exercise(*axis);
        if (TChartCustomAxes* subAxes = axis->PeekSubAxes())
            for (int i = 0; i < subAxes->Count(); ++i) {
                assert(subAxes->GetAxis(i)->MasterAxis == axis);
                assert(axes.IndexOf(subAxes->GetAxis(i)) < 0);
                Exercise(*subAxes->GetAxis(i));
            }
    }
    TMemoryStream out;
    WriteComponentToStream(out, &chart);
    return 0;
}
