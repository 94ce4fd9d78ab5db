#include "chart/graphics/BmpCodec.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include "chart/graphics/GraphicClasses.h"
#include "platform/core/NumText.h"
#include "platform/core/Streams.h"

namespace {

constexpr int kFileHeaderSize = 14;
constexpr int kCoreHeaderSize = 12;
constexpr int kInfoHeaderSize = 40;
// Beyond this a file is taken as hostile rather than as a picture (256 MB of pixels).
constexpr std::int64_t kMaxPixels = std::int64_t{1} << 26;

enum TBitmapCompression : std::uint32_t { biRGB = 0, biRLE8 = 1, biRLE4 = 2, biBitFields = 3, biAlphaBitFields = 6 };

[[noreturn]] void Invalid(const std::string& reason)
{
    throw EInvalidGraphic("Bitmap image is not valid: " + reason);
}

// Little-endian fields of a byte string whose length was checked by the caller.
class TBytes {
public:
    explicit TBytes(const std::string& bytes) : bytes_(bytes) {}
    std::size_t Size() const { return bytes_.size(); }
    std::uint8_t U8(std::size_t at) const { return static_cast<std::uint8_t>(bytes_[at]); }
    std::uint16_t U16(std::size_t at) const { return static_cast<std::uint16_t>(U8(at) | U8(at + 1) << 8); }
    std::uint32_t U32(std::size_t at) const
    {
        return static_cast<std::uint32_t>(U16(at)) | static_cast<std::uint32_t>(U16(at + 2)) << 16;
    }
    std::int32_t I32(std::size_t at) const { return static_cast<std::int32_t>(U32(at)); }
    std::int16_t I16(std::size_t at) const { return static_cast<std::int16_t>(U16(at)); }

private:
    const std::string& bytes_;
};

struct TBitmapHeader {
    std::int64_t width = 0;
    std::int64_t height = 0;  // rows, always positive
    bool topDown = false;
    int bitCount = 0;
    std::uint32_t compression = biRGB;
    std::uint32_t masks[4] = {};  // red, green, blue, alpha
    std::size_t paletteAt = 0;
    int paletteEntrySize = 4;
    int paletteCount = 0;
    std::size_t pixelsAt = 0;
    int xPelsPerMeter = 0;
    int yPelsPerMeter = 0;
};

// The masks of a bit-field file: inside a long header, else right after the 40-byte header.
void ReadMasks(const TBytes& in, std::size_t headerSize, TBitmapHeader& h)
{
    const std::size_t at = kFileHeaderSize + kInfoHeaderSize;
    const int count = h.compression == biAlphaBitFields || headerSize >= 56 ? 4 : 3;
    if (at + 4 * count > in.Size()) Invalid("the colour masks are missing");
    for (int i = 0; i < count; ++i) h.masks[i] = in.U32(at + 4 * i);
    if (headerSize == kInfoHeaderSize) h.paletteAt += 4 * (h.compression == biAlphaBitFields ? 4 : 3);
}

void DefaultMasks(TBitmapHeader& h)
{
    if (h.bitCount == 16) {
        h.masks[0] = 0x7C00, h.masks[1] = 0x03E0, h.masks[2] = 0x001F;
    } else {
        h.masks[0] = 0xFF0000, h.masks[1] = 0xFF00, h.masks[2] = 0xFF;
    }
}

void ReadInfoHeader(const TBytes& in, std::size_t headerSize, TBitmapHeader& h)
{
    constexpr std::size_t at = kFileHeaderSize;
    if (headerSize == kCoreHeaderSize) {
        h.width = in.U16(at + 4);
        h.height = in.I16(at + 6);
        h.bitCount = in.U16(at + 10);
        h.paletteEntrySize = 3;
    } else {
        if (headerSize < kInfoHeaderSize) Invalid("unknown header size " + std::to_string(headerSize));
        h.width = in.I32(at + 4);
        h.height = in.I32(at + 8);
        h.bitCount = in.U16(at + 14);
        h.compression = in.U32(at + 16);
        h.xPelsPerMeter = in.I32(at + 24);
        h.yPelsPerMeter = in.I32(at + 28);
        h.paletteCount = static_cast<int>(std::min<std::uint32_t>(in.U32(at + 32), 256));
    }
    h.paletteAt = at + headerSize;
    if (h.height < 0) {
        h.topDown = true;
        h.height = -h.height;
    }
}

void CheckFormat(const TBitmapHeader& h)
{
    static const int kBitCounts[] = {1, 4, 8, 16, 24, 32};
    if (std::find(std::begin(kBitCounts), std::end(kBitCounts), h.bitCount) == std::end(kBitCounts))
        Invalid(std::to_string(h.bitCount) + " bits per pixel");
    const bool fits = (h.compression == biRGB) || (h.compression == biRLE8 && h.bitCount == 8) ||
                      (h.compression == biRLE4 && h.bitCount == 4) ||
                      ((h.compression == biBitFields || h.compression == biAlphaBitFields) &&
                       (h.bitCount == 16 || h.bitCount == 32));
    if (!fits) Invalid("compression " + std::to_string(h.compression) + " with " + std::to_string(h.bitCount) + " bits per pixel");
    if (h.width <= 0 || h.height <= 0) Invalid("size " + std::to_string(h.width) + " x " + std::to_string(h.height));
    if (h.width * h.height > kMaxPixels) Invalid("too large (" + std::to_string(h.width) + " x " + std::to_string(h.height) + ")");
}

TBitmapHeader ReadHeader(const TBytes& in)
{
    if (in.Size() < kFileHeaderSize + 4 || in.U8(0) != 'B' || in.U8(1) != 'M') Invalid("no bitmap file header");
    const std::size_t headerSize = in.U32(kFileHeaderSize);
    if (headerSize > in.Size() - kFileHeaderSize) Invalid("the header is truncated");
    TBitmapHeader h;
    ReadInfoHeader(in, headerSize, h);
    CheckFormat(h);
    if (h.compression == biBitFields || h.compression == biAlphaBitFields)
        ReadMasks(in, headerSize, h);
    else if (h.bitCount > 8)
        DefaultMasks(h);
    if (h.bitCount <= 8 && h.paletteCount == 0) h.paletteCount = 1 << h.bitCount;
    if (h.bitCount > 8) h.paletteCount = 0;
    const std::size_t paletteEnd = h.paletteAt + static_cast<std::size_t>(h.paletteCount) * h.paletteEntrySize;
    if (paletteEnd > in.Size()) Invalid("the palette is truncated");
    const std::uint32_t offset = in.U32(10);
    h.pixelsAt = offset >= paletteEnd ? offset : paletteEnd;
    if (h.pixelsAt > in.Size()) Invalid("the pixel data is missing");
    return h;
}

// Palette of an indexed image; indices beyond the stored entries are black.
QList<QRgb> ReadPalette(const TBytes& in, const TBitmapHeader& h)
{
    QList<QRgb> table(1 << h.bitCount, qRgb(0, 0, 0));
    for (int i = 0; i < h.paletteCount && i < table.size(); ++i) {
        const std::size_t at = h.paletteAt + static_cast<std::size_t>(i) * h.paletteEntrySize;
        table[i] = qRgb(in.U8(at + 2), in.U8(at + 1), in.U8(at));
    }
    return table;
}

std::int64_t RowStride(std::int64_t width, int bitCount)
{
    return (width * bitCount + 31) / 32 * 4;
}

int TargetRow(const TBitmapHeader& h, std::int64_t fileRow)
{
    return static_cast<int>(h.topDown ? fileRow : h.height - 1 - fileRow);
}

QImage NewImage(const TBitmapHeader& h, QImage::Format format)
{
    QImage image(static_cast<int>(h.width), static_cast<int>(h.height), format);
    if (image.isNull()) Invalid("no memory for " + std::to_string(h.width) + " x " + std::to_string(h.height) + " pixels");
    return image;
}

QImage ReadIndexed(const TBytes& in, const TBitmapHeader& h)
{
    QImage image = NewImage(h, QImage::Format_Indexed8);
    image.setColorTable(ReadPalette(in, h));
    const std::int64_t stride = RowStride(h.width, h.bitCount);
    const int perByte = 8 / h.bitCount;
    const int mask = (1 << h.bitCount) - 1;
    for (std::int64_t row = 0; row < h.height; ++row) {
        const std::size_t at = h.pixelsAt + static_cast<std::size_t>(row * stride);
        uchar* line = image.scanLine(TargetRow(h, row));
        for (std::int64_t x = 0; x < h.width; ++x) {
            const int byte = in.U8(at + static_cast<std::size_t>(x / perByte));
            const int shift = 8 - h.bitCount * static_cast<int>(x % perByte + 1);
            line[x] = static_cast<uchar>((byte >> shift) & mask);
        }
    }
    return image;
}

// One colour channel of a bit-field pixel scaled to 0..255.
struct TChannel {
    explicit TChannel(std::uint32_t m) : mask(m), shift(m ? std::countr_zero(m) : 0)
    {
        const int bits = m ? std::popcount(m) : 0;
        top = bits >= 32 ? 0xFFFFFFFFu : (std::uint32_t{1} << bits) - 1;
    }
    int Value(std::uint32_t pixel) const
    {
        if (!mask) return 0;
        const std::uint64_t v = (pixel & mask) >> shift;
        return static_cast<int>(std::min<std::uint64_t>(255, (v * 255 + top / 2) / top));
    }
    std::uint32_t mask;
    int shift;
    std::uint32_t top;
};

bool AnyAlpha(const TBytes& in, const TBitmapHeader& h, std::int64_t stride, const TChannel& alpha)
{
    for (std::int64_t row = 0; row < h.height; ++row)
        for (std::int64_t x = 0; x < h.width; ++x)
            if (alpha.Value(in.U32(h.pixelsAt + static_cast<std::size_t>(row * stride + x * 4)))) return true;
    return false;
}

QImage ReadDirect(const TBytes& in, const TBitmapHeader& h)
{
    const std::int64_t stride = RowStride(h.width, h.bitCount);
    const int bytesPerPixel = h.bitCount / 8;
    const TChannel red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]);
    // A 32-bit file without an alpha mask keeps alpha in its fourth byte only when any is set.
    TChannel alpha(h.masks[3]);
    if (h.bitCount == 32 && h.compression == biRGB) alpha = TChannel(0xFF000000u);
    const bool hasAlpha = h.bitCount == 32 && alpha.mask && AnyAlpha(in, h, stride, alpha);
    QImage image = NewImage(h, hasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (std::int64_t row = 0; row < h.height; ++row) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(TargetRow(h, row)));
        for (std::int64_t x = 0; x < h.width; ++x) {
            const std::size_t at = h.pixelsAt + static_cast<std::size_t>(row * stride + x * bytesPerPixel);
            const std::uint32_t pixel = bytesPerPixel == 2 ? in.U16(at)
                                        : bytesPerPixel == 3 ? in.U16(at) | static_cast<std::uint32_t>(in.U8(at + 2)) << 16
                                                             : in.U32(at);
            line[x] = qRgba(red.Value(pixel), green.Value(pixel), blue.Value(pixel), hasAlpha ? alpha.Value(pixel) : 255);
        }
    }
    return image;
}

// Run-length coded 4- and 8-bit files; pixels the codes never reach keep index 0.
class TRleDecoder {
public:
    TRleDecoder(const TBytes& in, const TBitmapHeader& h, QImage& image)
        : in_(in), h_(h), image_(image), at_(h.pixelsAt) {}

    void Run()
    {
        for (;;) {
            const int count = Next();
            const int code = Next();
            if (count > 0) {
                for (int i = 0; i < count; ++i) Put(Nibble(code, i));
            } else if (code == 0) {
                x_ = 0, ++y_;
            } else if (code == 1) {
                return;
            } else if (code == 2) {
                x_ += Next();
                y_ += Next();
            } else {
                Absolute(code);
            }
        }
    }

private:
    int Next()
    {
        if (at_ >= in_.Size()) Invalid("the run-length data is truncated");
        return in_.U8(at_++);
    }
    int Nibble(int byte, int i) const
    {
        if (h_.bitCount == 8) return byte;
        return i % 2 == 0 ? byte >> 4 : byte & 0x0F;
    }
    void Absolute(int count)
    {
        const int bytes = h_.bitCount == 8 ? count : (count + 1) / 2;
        int byte = 0;
        for (int i = 0; i < count; ++i) {
            if (h_.bitCount == 8 || i % 2 == 0) byte = Next();
            Put(Nibble(byte, i));
        }
        if (bytes % 2) Next();
    }
    void Put(int index)
    {
        if (x_ < h_.width && y_ < h_.height) image_.scanLine(TargetRow(h_, y_))[x_] = static_cast<uchar>(index);
        ++x_;
    }

    const TBytes& in_;
    const TBitmapHeader& h_;
    QImage& image_;
    std::size_t at_;
    std::int64_t x_ = 0;
    std::int64_t y_ = 0;
};

QImage ReadRunLength(const TBytes& in, const TBitmapHeader& h)
{
    QImage image = NewImage(h, QImage::Format_Indexed8);
    image.setColorTable(ReadPalette(in, h));
    image.fill(0);
    TRleDecoder(in, h, image).Run();
    return image;
}

// ---------------------------------------------------------------- writing

void PutU16(std::string& out, std::size_t at, std::uint32_t value)
{
    out[at] = static_cast<char>(value & 0xFF);
    out[at + 1] = static_cast<char>((value >> 8) & 0xFF);
}

void PutU32(std::string& out, std::size_t at, std::uint32_t value)
{
    PutU16(out, at, value & 0xFFFF);
    PutU16(out, at + 2, value >> 16);
}

int PaletteBits(int colorCount)
{
    if (colorCount <= 2) return 1;
    if (colorCount <= 16) return 4;
    return 8;
}

void WriteIndexedRow(const QImage& image, int y, int bits, char* out)
{
    const uchar* line = image.constScanLine(y);
    const int perByte = 8 / bits;
    for (int x = 0; x < image.width(); ++x) {
        const int shift = 8 - bits * (x % perByte + 1);
        out[x / perByte] = static_cast<char>(out[x / perByte] | (line[x] & ((1 << bits) - 1)) << shift);
    }
}

void WriteDirectRow(const QImage& image, int y, int bytesPerPixel, char* out)
{
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x) {
        char* p = out + x * bytesPerPixel;
        p[0] = static_cast<char>(qBlue(line[x]));
        p[1] = static_cast<char>(qGreen(line[x]));
        p[2] = static_cast<char>(qRed(line[x]));
        if (bytesPerPixel == 4) p[3] = static_cast<char>(qAlpha(line[x]));
    }
}

// Two bytes a pixel: 5 bits each of red, green, blue, or 5-6-5.
void WriteWordRow(const QImage& image, int y, bool sixGreen, char* out)
{
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x) {
        const QRgb c = line[x];
        const std::uint32_t word = sixGreen ? (qRed(c) >> 3) << 11 | (qGreen(c) >> 2) << 5 | qBlue(c) >> 3
                                            : (qRed(c) >> 3) << 10 | (qGreen(c) >> 3) << 5 | qBlue(c) >> 3;
        out[2 * x] = static_cast<char>(word & 0xFF);
        out[2 * x + 1] = static_cast<char>(word >> 8);
    }
}

int PelsPerMeter(int value)
{
    return value > 0 ? value : 3780;  // 96 dpi
}

}  // namespace

QImage ReadBitmapData(const std::string& bytes)
{
    const TBytes in(bytes);
    const TBitmapHeader h = ReadHeader(in);
    QImage image;
    if (h.compression == biRLE8 || h.compression == biRLE4) {
        image = ReadRunLength(in, h);
    } else {
        const std::int64_t need = RowStride(h.width, h.bitCount) * h.height;
        if (need > static_cast<std::int64_t>(in.Size() - h.pixelsAt)) Invalid("the pixel data is truncated");
        image = h.bitCount <= 8 ? ReadIndexed(in, h) : ReadDirect(in, h);
    }
    if (h.xPelsPerMeter > 0) image.setDotsPerMeterX(h.xPelsPerMeter);
    if (h.yPelsPerMeter > 0) image.setDotsPerMeterY(h.yPelsPerMeter);
    return image;
}

std::string WriteBitmapData(const QImage& source) { return WriteBitmapData(source, 0); }

std::string WriteBitmapData(const QImage& source, int bitsPerPixel)
{
    if (source.isNull()) throw EInvalidGraphic("Bitmap image is not valid: the picture is empty");
    QImage image = source;
    const bool wantsPalette = bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8;
    const bool indexed = bitsPerPixel == 0 ? image.format() == QImage::Format_Indexed8 ||
                                                 image.format() == QImage::Format_Mono ||
                                                 image.format() == QImage::Format_MonoLSB
                                           : wantsPalette;
    if (indexed) image = image.convertToFormat(QImage::Format_Indexed8);
    else image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    const int colors = indexed ? static_cast<int>(image.colorTable().size()) : 0;
    const int bits = bitsPerPixel == 15                     ? 16
                     : bitsPerPixel != 0                    ? bitsPerPixel
                     : indexed                              ? PaletteBits(colors)
                     : image.hasAlphaChannel()              ? 32
                                                            : 24;
    if (indexed && colors > (1 << bits))
        throw EInvalidGraphic("Bitmap image is not valid: " + std::to_string(colors) + " colours need more than " +
                              std::to_string(bits) + " bits");
    // 16 bits per pixel are 5-5-5 unless masks say otherwise; 5-6-5 carries its three masks.
    const bool masks = bitsPerPixel == 16;
    const int maskBytes = masks ? 12 : 0;
    const std::int64_t stride = RowStride(image.width(), bits);
    const std::size_t pixelsAt = kFileHeaderSize + kInfoHeaderSize + maskBytes + 4 * static_cast<std::size_t>(colors);
    std::string out(pixelsAt + static_cast<std::size_t>(stride * image.height()), '\0');
    out[0] = 'B', out[1] = 'M';
    PutU32(out, 2, static_cast<std::uint32_t>(out.size()));
    PutU32(out, 10, static_cast<std::uint32_t>(pixelsAt));
    PutU32(out, 14, kInfoHeaderSize);
    PutU32(out, 18, static_cast<std::uint32_t>(image.width()));
    PutU32(out, 22, static_cast<std::uint32_t>(image.height()));
    PutU16(out, 26, 1);
    PutU16(out, 28, static_cast<std::uint32_t>(bits));
    PutU32(out, 30, masks ? biBitFields : biRGB);
    PutU32(out, 34, static_cast<std::uint32_t>(stride * image.height()));
    PutU32(out, kBitmapXResolutionOffset, static_cast<std::uint32_t>(PelsPerMeter(image.dotsPerMeterX())));
    PutU32(out, kBitmapYResolutionOffset, static_cast<std::uint32_t>(PelsPerMeter(image.dotsPerMeterY())));
    PutU32(out, 46, static_cast<std::uint32_t>(colors));
    if (masks) {
        PutU32(out, kFileHeaderSize + kInfoHeaderSize, 0xF800);
        PutU32(out, kFileHeaderSize + kInfoHeaderSize + 4, 0x07E0);
        PutU32(out, kFileHeaderSize + kInfoHeaderSize + 8, 0x001F);
    }
    for (int i = 0; i < colors; ++i) {
        const QRgb c = image.colorTable()[i];
        char* p = out.data() + kFileHeaderSize + kInfoHeaderSize + 4 * i;
        p[0] = static_cast<char>(qBlue(c)), p[1] = static_cast<char>(qGreen(c)), p[2] = static_cast<char>(qRed(c));
    }
    for (int y = 0; y < image.height(); ++y) {
        char* row = out.data() + pixelsAt + static_cast<std::size_t>((image.height() - 1 - y) * stride);
        if (indexed) WriteIndexedRow(image, y, bits, row);
        else if (bits == 16) WriteWordRow(image, y, masks, row);
        else WriteDirectRow(image, y, bits / 8, row);
    }
    return out;
}

// All four bytes of each field: writing only the low half would leave the old upper half in
// place and stamp a wrong resolution from 1665 dpi on.
bool WriteBitmapResolution(TStream& stream, int dotsPerInch)
{
    const auto perMetre = static_cast<std::uint32_t>(Rnd(dotsPerInch * 39.370079));
    std::string field(4, '\0');
    PutU32(field, 0, perMetre);
    if (stream.Size() < kBitmapYResolutionOffset + 4) return false;
    for (int offset : {kBitmapXResolutionOffset, kBitmapYResolutionOffset}) {
        stream.SetPosition(offset);
        if (stream.Write(field.data(), 4) != 4) return false;
    }
    return true;
}
