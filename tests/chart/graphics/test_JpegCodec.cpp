#include "chart/graphics/JpegCodec.h"

#include <gtest/gtest.h>

#include <set>

#include "platform/core/Streams.h"
#include "support/TestSupport.h"
#include "support_Pictures.h"

using pictures::Pattern;
using pictures::PnmSize;
using pictures::RunProgram;

namespace {

// A photograph-like picture: smooth gradients with many colours.
QImage Photo(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, (x + y) * 255 / (width + height)));
    return image;
}

int ColourCount(const QImage& image)
{
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) colours.insert(image.pixel(x, y));
    return static_cast<int>(colours.size());
}

// Mean absolute difference per channel.
double Difference(const QImage& a, const QImage& b)
{
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

void ExpectJpegError(const std::function<void()>& action, const std::string& reason)
{
    try {
        action();
        ADD_FAILURE() << "no error";
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message().rfind("JPEG error: ", 0), 0u) << e.Message();
        EXPECT_NE(e.Message().find(reason), std::string::npos) << e.Message();
    }
}

}  // namespace

TEST(JpegCodec, ScaledDecodingGivesTheSizesOfLibjpegsDecoder)
{
    struct Case {
        TJPEGScale scale;
        const char* djpegScale;
    };
    const Case cases[] = {{jsFullSize, "1/1"}, {jsHalf, "1/2"}, {jsQuarter, "1/4"}, {jsEighth, "1/8"}};
    qbtest::TempDir dir;
    const std::string file = dir.file("odd.jpg");
    qbtest::WriteFileBytes(file, EncodeJpeg(Photo(101, 67), 90, false, false));
    TJPEGImage jpeg;
    jpeg.LoadFromFile(file);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.djpegScale);
        jpeg.SetScale(c.scale);
        int width = 0, height = 0;
        PnmSize(RunProgram({"djpeg", "-scale", c.djpegScale, "-pnm", file}), width, height);
        EXPECT_EQ(jpeg.Width(), width);
        EXPECT_EQ(jpeg.Height(), height);
    }
    EXPECT_EQ(jpeg.Width(), 13);  // 101 / 8 rounded up
    EXPECT_EQ(jpeg.Height(), 9);
}

TEST(JpegCodec, QuantizedDecodingKeepsToThePalette)
{
    struct Case {
        int colors;
        bool grayscale;
        bool fast;
    };
    // libjpeg's smallest palettes: 8 colours, 2 shades of grey
    const Case cases[] = {{256, false, false}, {16, false, false}, {8, false, false}, {2, true, false}, {64, false, true}};
    TJPEGImage jpeg;
    jpeg.SetImage(Photo(80, 60));
    jpeg.Compress();
    ASSERT_GT(ColourCount(jpeg.Image()), 256);
    jpeg.SetPixelFormat(jf8Bit);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.colors);
        jpeg.SetPaletteColors(c.colors);
        jpeg.SetGrayscale(c.grayscale);
        jpeg.SetPerformance(c.fast ? jpBestSpeed : jpBestQuality);
        const QImage& image = jpeg.Image();
        EXPECT_EQ(image.format(), QImage::Format_Indexed8);
        EXPECT_LE(image.colorCount(), c.colors);
        EXPECT_LE(ColourCount(image), c.colors);
        EXPECT_GE(ColourCount(image), 2);
        for (QRgb colour : image.colorTable()) {
            if (c.grayscale) {
                EXPECT_TRUE(qRed(colour) == qGreen(colour) && qGreen(colour) == qBlue(colour));
            }
        }
    }
}

TEST(JpegCodec, WhatWeWriteLibjpegsDecoderReads)
{
    struct Case {
        int quality;
        bool progressive;
        bool grayscale;
        const char* magic;  // of djpeg's output: P6 colour, P5 grey
    };
    const Case cases[] = {{90, false, false, "P6"}, {20, false, false, "P6"}, {75, true, false, "P6"}, {90, false, true, "P5"}};
    qbtest::TempDir dir;
    const QImage picture = Photo(45, 31);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.quality);
        TJPEGImage jpeg;
        jpeg.SetCompressionQuality(c.quality);
        jpeg.SetProgressiveEncoding(c.progressive);
        jpeg.SetGrayscale(c.grayscale);
        jpeg.SetImage(picture);
        const std::string file = dir.file("written.jpg");
        jpeg.SaveToFile(file);
        const std::string pnm = RunProgram({"djpeg", "-pnm", file});
        int width = 0, height = 0;
        PnmSize(pnm, width, height);
        EXPECT_EQ(pnm.substr(0, 2), c.magic);
        EXPECT_EQ(width, 45);
        EXPECT_EQ(height, 31);
        // djpeg's pixels and ours agree, and both are close to what was written
        const QImage theirs = QImage::fromData(QByteArray::fromStdString(pnm), "PPM").convertToFormat(QImage::Format_RGB32);
        TJPEGImage readBack;
        readBack.LoadFromFile(file);
        EXPECT_LT(Difference(theirs, readBack.Image()), 1.0);
        if (!c.grayscale) {
            EXPECT_LT(Difference(picture, readBack.Image()), c.quality >= 75 ? 2.0 : 6.0);
        }
    }
}

TEST(JpegCodec, HigherQualityWritesMoreBytesAndLosesLess)
{
    const QImage picture = Pattern(64, 48);
    const std::string low = EncodeJpeg(picture, 10, false, false);
    const std::string high = EncodeJpeg(picture, 95, false, false);
    EXPECT_LT(low.size(), high.size());
    EXPECT_LT(Difference(picture, DecodeJpeg(high, {})), Difference(picture, DecodeJpeg(low, {})));
}

TEST(JpegCodec, BadDataGivesAClearError)
{
    const std::string good = EncodeJpeg(Photo(40, 40), 80, false, false);
    std::string huge = good;
    // the frame header's height and width (SOF0 at a known place after the JFIF header)
    const std::size_t sof = huge.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    huge[sof + 5] = huge[sof + 7] = '\x7F';
    const std::size_t scan = good.find("\xFF\xDA");
    ASSERT_NE(scan, std::string::npos);
    struct Case {
        const char* name;
        std::string bytes;
        const char* reason;
    };
    const Case cases[] = {
        {"empty", "", "empty"},
        {"garbage", "GIF89a but not really a picture at all", "Not a JPEG file"},
        {"header only", good.substr(0, 100), "JPEG"},
        {"cut inside the scan", good.substr(0, (scan + good.size()) / 2), "Premature end of JPEG file"},
        {"too large", huge, "too large"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectJpegError([&] { DecodeJpeg(c.bytes, {}); }, c.reason);
        TJPEGImage jpeg;
        TMemoryStream stream(c.bytes);
        ExpectJpegError([&] { jpeg.LoadFromStream(stream); }, c.reason);
        EXPECT_TRUE(jpeg.Empty());
    }
}

TEST(JpegCodec, CmykFilesComeOutInTheirColours)
{
    qbtest::TempDir dir;
    const std::string file = dir.file("cmyk.jpg");
    RunProgram({"convert", "-size", "4x4", "xc:rgb(200,40,90)", "-colorspace", "CMYK", file});
    ASSERT_NE(RunProgram({"identify", "-format", "%[colorspace]", file}).find("CMYK"), std::string::npos);
    TJPEGImage jpeg;
    jpeg.LoadFromFile(file);
    const QRgb pixel = jpeg.Image().pixel(2, 2);
    EXPECT_NEAR(qRed(pixel), 200, 4);
    EXPECT_NEAR(qGreen(pixel), 40, 4);
    EXPECT_NEAR(qBlue(pixel), 90, 4);
}
