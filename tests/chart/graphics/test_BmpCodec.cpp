#include "chart/graphics/BmpCodec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <sstream>

#include "chart/graphics/CanvasHelpers.h"
#include "chart/graphics/GraphicClasses.h"
#include "platform/core/Streams.h"
#include "support/TestSupport.h"
#include "support_Pictures.h"

using pictures::Pattern;
using pictures::RunProgram;

namespace {

QImage Indexed(int width, int height, int colors)
{
    QImage image(width, height, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (int i = 0; i < colors; ++i) table << qRgb(i * 255 / std::max(1, colors - 1), (i * 77) % 256, 255 - i);
    image.setColorTable(table);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.setPixel(x, y, static_cast<uint>((x + 3 * y) % colors));
    return image;
}

QImage Translucent(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgba(x * 20, y * 30, 99, (x + y) * 25 % 256));
    return image;
}

void ExpectSamePixels(const QImage& expected, const QImage& actual)
{
    ASSERT_EQ(expected.size(), actual.size());
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x)
            ASSERT_EQ(expected.pixel(x, y), actual.pixel(x, y)) << x << "," << y;
}

std::uint32_t FieldAt(const std::string& bytes, std::size_t at)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
    return value;
}

// Bitmap files built byte by byte, for the forms our writer never makes.
class TBmpBuilder {
public:
    TBmpBuilder& U8(int v) { bytes_ += static_cast<char>(v); return *this; }
    TBmpBuilder& U16(int v) { return U8(v & 0xFF).U8((v >> 8) & 0xFF); }
    TBmpBuilder& U32(std::int64_t v) { return U16(static_cast<int>(v & 0xFFFF)).U16(static_cast<int>((v >> 16) & 0xFFFF)); }
    TBmpBuilder& Bytes(std::initializer_list<int> values)
    {
        for (int v : values) U8(v);
        return *this;
    }
    // File header and a 40-byte information header; the pixel offset is set by Finish.
    TBmpBuilder& InfoHeader(int width, int height, int bits, int compression, int colors)
    {
        U8('B').U8('M').U32(0).U32(0).U32(0);
        return U32(40).U32(width).U32(height).U16(1).U16(bits).U32(compression).U32(0).U32(2835).U32(2835).U32(colors).U32(0);
    }
    TBmpBuilder& PixelsStart()
    {
        const auto at = bytes_.size();
        for (int i = 0; i < 4; ++i) bytes_[10 + i] = static_cast<char>((at >> (8 * i)) & 0xFF);
        return *this;
    }
    std::string bytes_;
};

}  // namespace

TEST(BmpCodec, WrittenFilesReadBackAndOpenInImageMagick)
{
    struct Case {
        const char* name;
        QImage image;
        int bits;        // bits per pixel in the file
        int imageDepth;  // what ImageMagick calls the depth: bits per index, or per channel
        int dpi;
    };
    const Case cases[] = {
        {"true colour, odd width", Pattern(7, 5), 24, 8, 96},
        {"with alpha", Translucent(6, 4), 32, 8, 300},
        {"two colours", Indexed(9, 3, 2), 1, 1, 72},
        {"sixteen colours", Indexed(5, 4, 16), 4, 4, 150},
        {"two hundred colours", Indexed(21, 13, 200), 8, 8, 96},
    };
    qbtest::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QImage image = c.image;
        SetBitmapResolution(image, c.dpi);
        const std::string bytes = WriteBitmapData(image);
        EXPECT_EQ(FieldAt(bytes, 28) & 0xFFFF, static_cast<std::uint32_t>(c.bits));
        ExpectSamePixels(image, ReadBitmapData(bytes));
        EXPECT_EQ(ReadBitmapData(bytes).dotsPerMeterX(), image.dotsPerMeterX());

        const std::string file = dir.file("picture.bmp");
        qbtest::WriteFileBytes(file, bytes);
        std::istringstream seen(RunProgram({"identify", "-format", "%w %h %z %x", file}));
        int width = 0, height = 0, depth = 0;
        double perCentimetre = 0;
        seen >> width >> height >> depth >> perCentimetre;
        EXPECT_EQ(width, image.width());
        EXPECT_EQ(height, image.height());
        EXPECT_EQ(depth, c.imageDepth);
        EXPECT_EQ(std::lround(perCentimetre * 100), image.dotsPerMeterX());
    }
}

TEST(BmpCodec, ReadsWhatImageMagickWrites)
{
    struct Case {
        const char* name;
        std::vector<std::string> options;  // between the source and the target
        const char* format;                // BMP3 has the 40-byte header, BMP the longer ones
    };
    const Case cases[] = {
        {"24 bits", {}, "BMP3:"},
        {"run-length 8 bits", {"-colors", "5", "-compress", "RLE"}, "BMP3:"},
        {"16 bits 5-6-5", {"-define", "bmp:subtype=RGB565"}, "BMP:"},
        {"palette of 4 bits", {"-colors", "12", "-depth", "4", "-type", "palette"}, "BMP3:"},
        {"32 bits with alpha", {"-alpha", "on", "-channel", "A", "-evaluate", "set", "50%", "+channel"}, "BMP:"},
    };
    qbtest::TempDir dir;
    const std::string source = dir.file("source.png");
    Pattern(13, 6).save(QString::fromStdString(source));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> convert = {"convert", source};
        convert.insert(convert.end(), c.options.begin(), c.options.end());
        const std::string bmp = dir.file("made.bmp");
        convert.push_back(c.format + bmp);
        RunProgram(convert);
        // ImageMagick's own decoding of its file is the reference.
        const std::string reference = dir.file("reference.png");
        RunProgram({"convert", bmp, "PNG32:" + reference});
        const QImage expected(QString::fromStdString(reference));
        const QImage ours = ReadBitmapData(qbtest::ReadFileBytes(bmp));
        ASSERT_EQ(ours.size(), expected.size());
        for (int y = 0; y < expected.height(); ++y)
            for (int x = 0; x < expected.width(); ++x) {
                const QRgb a = ours.pixel(x, y), b = expected.pixel(x, y);
                ASSERT_LE(std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b)), 3)
                    << x << "," << y;
                ASSERT_NEAR(qAlpha(a), qAlpha(b), 1) << x << "," << y;
            }
    }
}

TEST(BmpCodec, ReadsHandMadeForms)
{
    struct Case {
        const char* name;
        std::function<std::string()> file;
        std::vector<QRgb> pixels;  // row by row from the top
    };
    const QRgb red = qRgb(255, 0, 0), blue = qRgb(0, 0, 255), white = qRgb(255, 255, 255), black = qRgb(0, 0, 0);
    const Case cases[] = {
        {"core header, 3-byte palette, 1 bit",
         [] {
             TBmpBuilder b;
             b.U8('B').U8('M').U32(0).U32(0).U32(0).U32(12).U16(3).U16(2).U16(1).U16(1);
             b.Bytes({0, 0, 255, 255, 0, 0}).PixelsStart();
             return b.Bytes({0b01000000, 0, 0, 0, 0b10100000, 0, 0, 0}).bytes_;
         },
         {blue, red, blue, red, blue, red}},
        {"top-down rows",
         [] {
             TBmpBuilder b;
             b.InfoHeader(1, -2, 24, 0, 0).PixelsStart();
             return b.Bytes({0, 0, 255, 0, 255, 0, 0, 0}).bytes_;
         },
         {red, blue}},
        {"run-length 8 bits with a delta and an odd absolute run",
         [] {
             TBmpBuilder b;
             b.InfoHeader(4, 2, 8, 1, 2).U32(0x00FFFFFF).U32(0x00FF0000).PixelsStart();
             // bottom row: two of colour 1, skip one pixel; top row: absolute run 1, 0, 1
             return b.Bytes({2, 1, 0, 2, 1, 0, 0, 0, 0, 3, 1, 0, 1, 0, 0, 1}).bytes_;
         },
         {red, white, red, white, red, red, white, white}},
        {"run-length 4 bits",
         [] {
             TBmpBuilder b;
             b.InfoHeader(3, 1, 4, 2, 2).U32(0x00000000).U32(0x00FF0000).PixelsStart();
             return b.Bytes({3, 0x10, 0, 1}).bytes_;
         },
         {red, black, red}},
        {"16 bits with bit fields 5-6-5",
         [] {
             TBmpBuilder b;
             b.InfoHeader(2, 1, 16, 3, 0).U32(0xF800).U32(0x07E0).U32(0x001F).PixelsStart();
             return b.Bytes({0x00, 0xF8, 0x1F, 0x00}).bytes_;
         },
         {red, blue}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QImage image = ReadBitmapData(c.file());
        ASSERT_EQ(image.width() * image.height(), static_cast<int>(c.pixels.size()));
        for (int i = 0; i < static_cast<int>(c.pixels.size()); ++i)
            EXPECT_EQ(image.pixel(i % image.width(), i / image.width()), c.pixels[i]) << i;
    }
}

TEST(BmpCodec, BadFilesGiveAClearError)
{
    const std::string good = WriteBitmapData(Pattern(8, 8));
    struct Case {
        const char* name;
        std::string bytes;
        const char* reason;
    };
    auto header = [](int width, int height, int bits, int compression) {
        TBmpBuilder b;
        return b.InfoHeader(width, height, bits, compression, 0).PixelsStart().bytes_;
    };
    const Case cases[] = {
        {"empty", "", "no bitmap file header"},
        {"garbage", "this is not a picture at all, only text", "no bitmap file header"},
        {"header cut", good.substr(0, 30), "header is truncated"},
        {"pixels cut", good.substr(0, good.size() - 10), "pixel data is truncated"},
        {"no pixels", good.substr(0, 54), "pixel data is truncated"},
        {"7 bits", header(2, 2, 7, 0) + std::string(16, '\0'), "7 bits per pixel"},
        {"zero width", header(0, 2, 24, 0), "size 0 x 2"},
        {"huge", header(1000000, 1000000, 24, 0), "too large"},
        {"run-length on 24 bits", header(2, 2, 24, 1), "compression 1"},
        {"embedded PNG", header(2, 2, 24, 5), "compression 5"},
        {"run-length without end", header(4, 4, 8, 1).substr(0, 54) + std::string(1024, '\0') + "\x04\x01", "run-length data is truncated"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            ReadBitmapData(c.bytes);
            ADD_FAILURE() << "no error";
        } catch (const EInvalidGraphic& e) {
            EXPECT_NE(e.Message().find("Bitmap image is not valid"), std::string::npos) << e.Message();
            EXPECT_NE(e.Message().find(c.reason), std::string::npos) << e.Message();
        }
    }
}

TEST(BmpCodec, ResolutionStampFillsBothFields)
{
    struct Case {
        int dpi;
        std::uint32_t perMetre;
    };
    // 2000 dpi needs more than the low 16 bits of the field.
    const Case cases[] = {{96, 3780}, {72, 2835}, {300, 11811}, {2000, 78740}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dpi);
        TMemoryStream stream(WriteBitmapData(Pattern(3, 2)));
        ASSERT_TRUE(WriteBitmapResolution(stream, c.dpi));
        EXPECT_EQ(FieldAt(stream.Bytes(), kBitmapXResolutionOffset), c.perMetre);
        EXPECT_EQ(FieldAt(stream.Bytes(), kBitmapYResolutionOffset), c.perMetre);
        EXPECT_EQ(ReadBitmapData(stream.Bytes()).dotsPerMeterY(), static_cast<int>(c.perMetre));
    }
    TMemoryStream tooShort(std::string(40, 'x'));
    EXPECT_FALSE(WriteBitmapResolution(tooShort, 96));
    EXPECT_EQ(tooShort.Bytes(), std::string(40, 'x'));
}
