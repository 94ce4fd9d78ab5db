// Markup texts come from chart files and from the user: measures and draws arbitrary texts on
// the recording canvas. Pictures are served from memory, so the picture path runs without files.
#include <QBuffer>
#include <QImage>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "chart/graphics/DuvHtml.h"
#include "chart/graphics/RecordingCanvas.h"
#include "platform/core/Streams.h"
#include "platform/core/SysUtils.h"

namespace {

std::string SmallPng()
{
    QImage picture(3, 2, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    return bytes.toStdString();
}

int MemoryPicture(const std::string& source, TStream& stream)
{
    static const std::string png = SmallPng();
    if (source.find("empty") != std::string::npos) return 0;
    stream.WriteString(source.find("bad") != std::string::npos ? std::string("not a picture") : png);
    return 0;
}

void Check(bool condition)
{
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    HtmlGraphicHook = &HtmlPictureFormatExists;
    HtmlStreamHook = &MemoryPicture;
    const std::string text(reinterpret_cast<const char*>(data), size);
    TRecordingCanvas canvas;
    canvas.SetTextAlign(size % 3 == 0 ? TA_CENTER : TA_LEFT);
    try {
        const TSize extent = MeasureHtmlText(canvas, text);
        Check(extent.cx >= 0 && extent.cy >= 0);
        DrawHtmlText(canvas, 10, 20, text);
    } catch (const Exception&) {
        // a clear message for a bad FONT field or number
    }
    Check(canvas.Font().Size() >= 1 && canvas.Font().Size() <= 1000);
    return 0;
}
