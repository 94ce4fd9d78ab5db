// Print preview panels and chart toolbars read from forms and chart files: reading any stream
// into either never crashes or leaks, and whatever was read draws, takes a drag and writes
// itself again.
#include <cstdint>
#include <memory>
#include <string>

#include "chart/graphics/RecordingCanvas.h"
#include "chart/output/DuvComma.h"
#include "chart/output/DuvPreviewPanel.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentWriter.h"
#include "platform/core/Streams.h"
#include "platform/ui/Printers.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A printer in memory: no machine printer is asked.
    static const bool started = [] {
        SetPrinter(std::make_unique<TRecordingPrinter>(2480, 3508, 300, 300));
        return true;
    }();
    (void)started;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    TDuvPreviewPanel preview;
    try {
        TMemoryStream stream(bytes);
        ReadComponentFromStream(stream, &preview);
    } catch (const Exception&) {
    }
    // Drawing is recorded, not rasterised: sizes read from the stream cost nothing.
    preview.ReplaceCanvas(std::make_unique<TRecordingCanvas>(), "TRecordingCanvas");
    preview.SetBounds(0, 0, 200, 150);
    preview.DrawToCanvas(nullptr, preview.GetPanelRect());
    preview.MouseDown(mbLeft, {}, 100, 75);
    preview.MouseMove({}, 90, 70);
    preview.MouseUp(mbLeft, {}, 90, 70);
    TMemoryStream out;
    WriteComponentToStream(out, &preview);

    TDuvCommander commander;
    try {
        TMemoryStream stream(bytes);
        ReadComponentFromStream(stream, &commander);
    } catch (const Exception&) {
    }
    commander.SetVertical(!commander.Vertical());
    TMemoryStream written;
    WriteComponentToStream(written, &commander);
    return 0;
}
