// The "Data" value of a picture in a chart file: the class name, then the graphic's bytes (PNG,
// GIF and icons through Qt, bitmaps and JPEG through our codecs). Reading never crashes or
// leaks; what reads is written and read back to a picture of the same size.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "chart/graphics/ChartGraphicsModules.h"
#include "chart/graphics/GraphicClasses.h"
#include "platform/core/Streams.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool started = [] {
        InitializeChartGraphicsModules();
        return true;
    }();
    (void)started;
    TMemoryStream stream(std::string(reinterpret_cast<const char*>(data), size));
    std::unique_ptr<TGraphic> graphic;
    try {
        graphic = ReadPictureData(stream);
    } catch (const Exception&) {
        return 0;
    }
    if (!graphic) return 0;
    const QSize read = graphic->Image().size();
    TMemoryStream again;
    WritePictureData(again, graphic.get());
    again.SetPosition(0);
    const std::unique_ptr<TGraphic> back = ReadPictureData(again);
    if (!back || back->Image().size() != read) std::abort();
    return 0;
}
