#pragma once
// JPEG pictures through libjpeg: decoding at full size or scaled by 1/2, 1/4 or 1/8, in grey,
// or quantized to a palette of a given number of colours (CMYK files come out as RGB); writing
// with a quality and optional progressive encoding.
#include <QImage>
#include <string>

#include "chart/graphics/GraphicClasses.h"

enum TJPEGScale { jsFullSize, jsHalf, jsQuarter, jsEighth };
enum TJPEGPixelFormat { jf24Bit, jf8Bit };
enum TJPEGPerformance { jpBestQuality, jpBestSpeed };

struct TJpegDecodeOptions {
    TJPEGScale Scale = jsFullSize;
    int Colors = 0;  // a palette of at most this many colours (8..256, grey 2..256); 0: full colour
    bool Grayscale = false;
    bool Fast = false;  // faster transform and upsampling, ordered dithering
};

// Raise EInvalidGraphic with libjpeg's message for bad, truncated or oversized data.
QImage DecodeJpeg(const std::string& bytes, const TJpegDecodeOptions& options);
std::string EncodeJpeg(const QImage& image, int quality, bool progressive, bool grayscale);

class TJPEGImage : public TGraphic {
public:
    std::string ClassName() const override { return "TJPEGImage"; }
    std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<TJPEGImage>(*this); }
    // Decoded with the current scale, pixel format and grey setting when first asked for.
    const QImage& Image() const override;
    void SetImage(const QImage& image) override;
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) const override;

    TJPEGScale Scale() const { return options_.Scale; }
    void SetScale(TJPEGScale value);
    TJPEGPixelFormat PixelFormat() const { return pixelFormat_; }
    void SetPixelFormat(TJPEGPixelFormat value);
    // Size of the palette of jf8Bit decoding.
    int PaletteColors() const { return paletteColors_; }
    void SetPaletteColors(int value);
    bool Grayscale() const { return options_.Grayscale; }
    void SetGrayscale(bool value);
    TJPEGPerformance Performance() const { return options_.Fast ? jpBestSpeed : jpBestQuality; }
    void SetPerformance(TJPEGPerformance value);
    int CompressionQuality() const { return quality_; }
    void SetCompressionQuality(int value);  // limited to 1..100
    bool ProgressiveEncoding() const { return progressive_; }
    void SetProgressiveEncoding(bool value) { progressive_ = value; }

    // Encodes the held picture anew with the quality and encoding settings.
    void Compress();
    const std::string& Data() const { return data_; }

private:
    TJpegDecodeOptions DecodeOptions() const;
    void DropDecoded();

    std::string data_;
    QImage source_;               // a picture given by SetImage and not yet compressed
    mutable QImage decoded_;
    TJpegDecodeOptions options_;
    TJPEGPixelFormat pixelFormat_ = jf24Bit;
    int paletteColors_ = 256;
    int quality_ = 90;
    bool progressive_ = false;
};
