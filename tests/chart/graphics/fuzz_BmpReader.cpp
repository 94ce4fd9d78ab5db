// Bitmap files from outside: reading never crashes or leaks, and what reads is written and
// read back to the same pixels.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "chart/graphics/BmpCodec.h"
#include "chart/graphics/GraphicClasses.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QImage image;
    try {
        image = ReadBitmapData(std::string(reinterpret_cast<const char*>(data), size));
    } catch (const EInvalidGraphic&) {
        return 0;
    }
    const QImage again = ReadBitmapData(WriteBitmapData(image));
    if (again.size() != image.size()) std::abort();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (again.pixel(x, y) != image.pixel(x, y)) std::abort();
    return 0;
}
