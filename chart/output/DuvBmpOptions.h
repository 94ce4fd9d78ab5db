#pragma once
// The bitmap export format: the panel rendered into a bitmap of a chosen colour depth and
// resolution, optionally monochrome, through a chain of picture filters, with a rendering scale
// (drawn larger or smaller, then resampled smoothly to the asked size).
#include <QImage>
#include <memory>

#include "chart/output/DuvExport.h"

class TFilterItems;

// The "&Colors:" choices: device-dependent, then 1, 4, 8, 15, 16, 24 and 32 bits per pixel.
inline constexpr int BitmapPixelFormatCount = 8;
// The bits a file of that choice holds; 0 for the device's (written as 24 bits).
int PixelFormatBits(int pixelFormat);
// The picture in the depth of the choice (palettes of 2, 16 or up to 256 colours, 5-5-5, 5-6-5,
// 24 or 32 bits); the resolution stays.
QImage ConvertToPixelFormat(const QImage& bitmap, int pixelFormat);

// What the bitmap options form keeps.
class TBMPOptionsValues : public TExportOptions {
public:
    int PixelFormat = 0;  // index of "&Colors:"
    int DPI = 0;          // 0 leaves the resolution as drawn
    bool Monochrome = false;
};

// The finished bitmap and the depth its file gets.
struct TExportBitmap {
    QImage Image;
    int Bits = 0;
};

class TBMPExportFormat : public TDuvExportFormat {
public:
    TBMPExportFormat();
    ~TBMPExportFormat() override;
    static std::unique_ptr<TDuvExportFormat> Create() { return std::make_unique<TBMPExportFormat>(); }
    std::string ClassName() const override { return "TBMPExportFormat"; }

    TFilterItems& Filters() const { return *filters_; }

    void CopyToClipboard() override;
    std::string Description() const override;
    std::string FileExtension() const override { return "bmp"; }
    std::string FileFilter() const override;
    const TGraphicClass* GraphicClass() const override;
    TBMPOptionsValues* Options(bool create = true) override;
    void SaveToStream(TStream& stream) override { SaveToStreamWithOptions(stream, nullptr); }
    void SaveToStreamWithOptions(TStream& stream, TExportOptions* options) override;

    // The picture as the options ask; given options serve this call only, else the format's own
    // are used (made when missing). The unfiltered one is what the filter editor starts from.
    TExportBitmap Bitmap(TBMPOptionsValues* options = nullptr);
    TExportBitmap UnfilteredBitmap(TBMPOptionsValues* options = nullptr);

private:
    TExportBitmap MakeBitmap(TBMPOptionsValues* options, bool filtered);
    std::unique_ptr<TFilterItems> filters_;
};

// Registers the format at start and takes it out at the end.
void DuvBmpOptionsInitialization();
void DuvBmpOptionsFinalization();
