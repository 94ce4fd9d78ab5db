// Extended chart panels read from chart files: reading any stream into a panel never crashes or
// leaks, and whatever was read draws its background and writes itself again.
#include <cstdint>
#include <memory>
#include <string>

#include "chart/engine/DuvPanelExtended.h"
#include "chart/graphics/RecordingCanvas.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentWriter.h"
#include "platform/core/Streams.h"

namespace {

class TFuzzPanel : public TCustomDuvPanelExtended {
public:
    TFuzzPanel() : TCustomDuvPanelExtended(nullptr) {}
    void DrawContents(const TRect& r) override { DrawPanelBackground(r); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TFuzzPanel panel;
    try {
        TMemoryStream stream(std::string(reinterpret_cast<const char*>(data), size));
        ReadComponentFromStream(stream, &panel);
    } catch (const Exception&) {
    }
    // Drawing is recorded, not rasterised: sizes read from the stream cost nothing.
    panel.ReplaceCanvas(std::make_unique<TRecordingCanvas>(), "TRecordingCanvas");
    panel.SetBounds(0, 0, 64, 48);
    panel.DrawToCanvas(nullptr, panel.GetPanelRect());
    TMemoryStream out;
    WriteComponentToStream(out, &panel);
    return 0;
}
