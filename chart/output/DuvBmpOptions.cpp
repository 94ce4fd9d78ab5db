#include "chart/output/DuvBmpOptions.h"

#include <QClipboard>
#include <QGuiApplication>
#include <array>

#include "chart/engine/DuvPanel.h"
#include "chart/graphics/BmpCodec.h"
#include "chart/graphics/CanvasHelpers.h"
#include "chart/graphics/DuvConst.h"
#include "chart/graphics/DuvFilterBase.h"
#include "chart/graphics/GraphicClasses.h"
#include "chart/output/DuvGDIPlus.h"
#include "platform/core/Streams.h"

namespace {

constexpr std::array<int, BitmapPixelFormatCount> kPixelFormatBits{0, 1, 4, 8, 15, 16, 24, 32};

// The sixteen colours a 4-bit bitmap of the class library holds.
QList<QRgb> SixteenColours()
{
    return {qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
            qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(128, 128, 128),
            qRgb(192, 192, 192), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
            qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
}

}  // namespace

int PixelFormatBits(int pixelFormat)
{
    return pixelFormat >= 0 && pixelFormat < BitmapPixelFormatCount ? kPixelFormatBits[pixelFormat] : 0;
}

QImage ConvertToPixelFormat(const QImage& bitmap, int pixelFormat)
{
    // Charts are flat colours: a threshold keeps lines and text crisp where dithering would speckle.
    constexpr Qt::ImageConversionFlags flags = Qt::ThresholdDither | Qt::AvoidDither;
    switch (PixelFormatBits(pixelFormat)) {
    case 1: return bitmap.convertToFormat(QImage::Format_Mono, flags);
    case 4: return bitmap.convertToFormat(QImage::Format_Indexed8, SixteenColours(), flags);
    case 8: return bitmap.convertToFormat(QImage::Format_Indexed8, flags);
    case 15: return bitmap.convertToFormat(QImage::Format_RGB555);
    case 16: return bitmap.convertToFormat(QImage::Format_RGB16);
    case 24: return bitmap.convertToFormat(QImage::Format_RGB888);
    default: return bitmap.convertToFormat(QImage::Format_RGB32);
    }
}

TBMPExportFormat::TBMPExportFormat() : filters_(std::make_unique<TFilterItems>()) {}

TBMPExportFormat::~TBMPExportFormat() = default;

std::string TBMPExportFormat::Description() const { return DuvMsgAsBitmap; }

std::string TBMPExportFormat::FileFilter() const { return DuvMsgBitmapFilter; }

const TGraphicClass* TBMPExportFormat::GraphicClass() const { return FindGraphicClass("TBitmap"); }

TBMPOptionsValues* TBMPExportFormat::Options(bool create)
{
    if (!options_ && create) options_ = std::make_unique<TBMPOptionsValues>();
    return static_cast<TBMPOptionsValues*>(options_.get());
}

TExportBitmap TBMPExportFormat::Bitmap(TBMPOptionsValues* options) { return MakeBitmap(options, true); }

TExportBitmap TBMPExportFormat::UnfilteredBitmap(TBMPOptionsValues* options) { return MakeBitmap(options, false); }

TExportBitmap TBMPExportFormat::MakeBitmap(TBMPOptionsValues* options, bool filtered)
{
    CheckPanel();
    const TBMPOptionsValues& values = options ? *options : *Options(true);
    CheckSize();
    QImage bitmap = std::move(*Panel->RenderBitmap(clDefault, ScaledRect(), values.DPI, QImage::Format_RGB32));
    if (Scale != 1.0f) {
        QImage target(std::max(Width, 1), std::max(Height, 1), QImage::Format_RGB32);
        TGDIPlusCanvas::StretchBitmap(bitmap, target);
        bitmap = std::move(target);
        if (values.DPI > 0) SetBitmapResolution(bitmap, values.DPI);
    }
    // Filters work on the full colours; the depth is reduced once at the end.
    if (filtered) filters_->ApplyAll(bitmap);
    const int pixelFormat = values.Monochrome ? 1 : values.PixelFormat;
    TExportBitmap result{ConvertToPixelFormat(bitmap, pixelFormat), PixelFormatBits(pixelFormat)};
    result.Image.setDotsPerMeterX(bitmap.dotsPerMeterX());
    result.Image.setDotsPerMeterY(bitmap.dotsPerMeterY());
    return result;
}

void TBMPExportFormat::CopyToClipboard()
{
    QGuiApplication::clipboard()->setImage(Bitmap().Image);
}

void TBMPExportFormat::SaveToStreamWithOptions(TStream& stream, TExportOptions* options)
{
    const TExportBitmap bitmap = Bitmap(static_cast<TBMPOptionsValues*>(options));
    stream.WriteString(WriteBitmapData(bitmap.Image, bitmap.Bits));
}

void DuvBmpOptionsInitialization() { RegisterExportFormat(&TBMPExportFormat::Create); }

void DuvBmpOptionsFinalization() { UnregisterExportFormat(&TBMPExportFormat::Create); }
