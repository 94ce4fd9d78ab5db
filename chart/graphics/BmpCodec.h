#pragma once
// Bitmap files (.bmp) read and written by our own code. Reading takes the core and the longer
// information headers, 1 to 32 bits per pixel, palettes, RLE4/RLE8 and bit-field masks, bottom-up
// and top-down rows; writing makes 1/4/8-bit palette files of indexed images, 32-bit files of
// images with alpha and 24-bit files otherwise, or any of 1, 4, 8, 15, 16, 24 and 32 bits asked
// for. The resolution travels in pixels per metre.
#include <QImage>
#include <string>

class TStream;

// Raises EInvalidGraphic with the reason when the bytes are not a bitmap we can read.
QImage ReadBitmapData(const std::string& bytes);
std::string WriteBitmapData(const QImage& image);
// The same with the depth chosen: 1, 4 or 8 bits with the image's palette (EInvalidGraphic when
// it has more colours than fit), 15 (5-5-5), 16 (5-6-5 with its masks), 24 or 32; 0 as above.
std::string WriteBitmapData(const QImage& image, int bitsPerPixel);

// Stamps dotsPerInch (as pixels per metre) into both resolution fields of the bitmap file held
// by stream; false when the stream is too short to hold them.
bool WriteBitmapResolution(TStream& stream, int dotsPerInch);

// Offsets of the horizontal and vertical resolution fields in a bitmap file.
constexpr int kBitmapXResolutionOffset = 38;
constexpr int kBitmapYResolutionOffset = 42;
