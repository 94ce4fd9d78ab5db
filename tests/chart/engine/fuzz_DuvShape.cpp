// Shapes and text shapes read from chart files: reading any stream never crashes or leaks, and
// whatever was read sizes, draws and writes itself again.
#include <cstdint>
#include <memory>
#include <string>

#include "chart/engine/DuvShape.h"
#include "chart/engine/DuvTextShape.h"
#include "chart/graphics/RecordingCanvas.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentWriter.h"
#include "platform/core/Streams.h"

namespace {

class TFuzzShapes : public TComponent {
    QB_CLASS(TFuzzShapes, TComponent)
public:
    explicit TFuzzShapes(TCustomDuvPanel* panel)
        : TComponent(nullptr),
          shape_(std::make_unique<TDuvShape>(panel)),
          legend_(std::make_unique<TSeriesLegend>(panel)),
          labels_(std::make_unique<TAxisLabelsFormat>(panel))
    {
        SetName("Shapes");
    }
    static void DeclareProperties(TPropertyDeclarer<TFuzzShapes>& p)
    {
        p.Object("Shape", &TFuzzShapes::Shape);
        p.Object("Legend", &TFuzzShapes::Legend);
        p.Object("Labels", &TFuzzShapes::Labels);
    }
    TDuvShape* Shape() const { return shape_.get(); }
    TSeriesLegend* Legend() const { return legend_.get(); }
    TAxisLabelsFormat* Labels() const { return labels_.get(); }

private:
    std::unique_ptr<TDuvShape> shape_;
    std::unique_ptr<TSeriesLegend> legend_;
    std::unique_ptr<TAxisLabelsFormat> labels_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TCustomDuvPanel panel(nullptr);
    // Drawing is recorded, not rasterised: sizes read from the stream cost nothing.
    panel.ReplaceCanvas(std::make_unique<TRecordingCanvas>(), "TRecordingCanvas");
    panel.SetBounds(0, 0, 64, 48);
    TScopedComponent<TFuzzShapes> shapes(&panel);
    try {
        TMemoryStream stream(std::string(reinterpret_cast<const char*>(data), size));
        ReadComponentFromStream(stream, &shapes);
    } catch (const Exception&) {
    }
    for (TDuvCustomShape* shape : {static_cast<TDuvCustomShape*>(shapes.Shape()),
                                   static_cast<TDuvCustomShape*>(shapes.Legend()),
                                   static_cast<TDuvCustomShape*>(shapes.Labels())}) {
        shape->AttachToPanel(&panel);
        shape->Bounds = {4, 4, 40, 30};
        shape->CalcSize(&panel);
        shape->DrawAtBounds();
        (void)shape->ContainsPoint({10, 10}, shape->Bounds);
    }
    TMemoryStream out;
    WriteComponentToStream(out, &shapes);
    return 0;
}
