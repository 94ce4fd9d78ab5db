// Feeds arbitrary bytes to the JPEG reader with every decoding option: decoding must give a
// picture or raise EInvalidGraphic, never crash, hang or take memory beyond reason.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "chart/graphics/JpegCodec.h"
#include "platform/core/Streams.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1) return 0;
    const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const unsigned choice = data[0];
    TJpegDecodeOptions options;
    options.Scale = TJPEGScale(choice % 4);
    options.Grayscale = (choice & 0x04) != 0;
    options.Fast = (choice & 0x08) != 0;
    static const int kColors[] = {0, 0, 2, 8, 16, 256, 1, 300};
    options.Colors = kColors[(choice >> 4) % 8];
    try {
        const QImage image = DecodeJpeg(bytes, options);
        if (image.isNull()) std::abort();
    } catch (const EInvalidGraphic&) {
    }
    // As a chart picture reads it from its stream.
    try {
        TJPEGImage picture;
        TMemoryStream stream(bytes);
        picture.LoadFromStream(stream);
        picture.Image();
    } catch (const EInvalidGraphic&) {
    }
    return 0;
}
