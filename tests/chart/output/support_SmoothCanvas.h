#pragma once
// What the smooth canvas's tests share: the chart modules with the output module started once,
// a buffered smooth canvas on a white back buffer, and readers of its pixels.
#include <QImage>
#include <QRect>
#include <string>

#include "chart/output/DuvGDIPlus.h"

namespace outputtest {

constexpr TColor kRed = 0x0000FF, kBlue = 0xFF0000, kGreen = 0x00FF00;

// Graphics, engine and output modules, once for the test program.
void StartOutputModules();

// A buffered smooth canvas of w x h white pixels, black 1-pixel pen, red brush.
struct TSmoothFixture {
    TGDIPlusCanvas canvas;
    explicit TSmoothFixture(int w = 60, int h = 60);
    // The pixel as the buffer holds it (alpha included).
    QRgb At(int x, int y) const;
    const QImage& Image() const { return *canvas.BufferBitmap(); }
};

// The bounds of every pixel that differs from white by more than tolerance in some channel.
QRect InkBounds(const QImage& image, int tolerance = 60);
// Pixels that are neither (nearly) white nor (nearly) the given colour.
int IntermediatePixels(const QImage& image, QRgb ink);
// The channel distance of two pixels: the largest difference of red, green, blue and alpha.
int Distance(QRgb a, QRgb b);

}  // namespace outputtest
