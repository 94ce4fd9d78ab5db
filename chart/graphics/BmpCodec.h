#pragma once
// Bitmap files (.bmp) read and written by our own code. Reading takes the core and the longer
// information headers, 1 to 32 bits per pixel, palettes, RLE4/RLE8 and bit-field masks, bottom-up
// and top-down rows; writing makes 1/4/8-bit palette files of indexed images, 32-bit files of
// images with alpha and 24-bit files otherwise. The resolution travels in pixels per metre.
#include <QImage>
#include <string>

class TStream;

// Raises EInvalidGraphic with the reason when the bytes are not a bitmap we can read.
QImage ReadBitmapData(const std::string& bytes);
std::string WriteBitmapData(const QImage& image);

// Stamps dotsPerInch (as pixels per metre) into both resolution fields of the bitmap file held
// by stream; false when the stream is too short to hold them.
bool WriteBitmapResolution(TStream& stream, int dotsPerInch);

// Offsets of the horizontal and vertical resolution fields in a bitmap file.
constexpr int kBitmapXResolutionOffset = 38;
constexpr int kBitmapYResolutionOffset = 42;
