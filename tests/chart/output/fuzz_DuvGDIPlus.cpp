// The switch component read from a form's stream: reading any stream never crashes or leaks,
// an active switch with a panel has put the smooth canvas into it, the panel draws, and the
// switch writes itself again.
#include <cassert>
#include <cstdint>
#include <string>

#include "chart/engine/ChartEngineModules.h"
#include "chart/graphics/ChartGraphicsModules.h"
#include "chart/output/ChartOutputModules.h"
#include "chart/output/DuvGDIPlus.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentWriter.h"
#include "platform/core/Streams.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // No application object: the panel draws no text, and fonts are not looked up without one.
    InitializeChartGraphicsModules();
    InitializeChartEngineModules();
    InitializeChartOutputModules();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TComponent form(nullptr);
    form.SetName("Form1");
    auto* panel = new TCustomDuvPanel(&form);
    panel->SetName("Chart1");
    panel->SetBounds(0, 0, 64, 48);
    auto* gdiPlus = new TDuvGDIPlus(&form);
    try {
        TMemoryStream stream(std::string(reinterpret_cast<const char*>(data), size));
        // Read as part of the form, so that the panel's name is found.
        TReader reader(stream);
        reader.ReadRootComponent(gdiPlus, &form);
    } catch (const Exception&) {
    }
    if (gdiPlus->Active() && gdiPlus->DuvPanel()) {
        TGDIPlusCanvas* canvas = gdiPlus->GetCanvas();
        assert(canvas && canvas->GDIPlus == gdiPlus);
        (void)canvas;
    }
    panel->RenderBitmap(clWhite, panel->GetPanelRect(), 0);
    TMemoryStream out;
    WriteComponentToStream(out, gdiPlus);
    return 0;
}
