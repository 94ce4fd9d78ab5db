#pragma once
// Small pictures for the filter tests: built from rows of colours and read back as colours.
#include <QImage>
#include <initializer_list>
#include <vector>

// A w by h RGB32 picture of the given colours, row by row.
QImage PictureOf(int width, int height, std::initializer_list<QRgb> colors);
// A w by h RGB32 picture whose pixel (x, y) is color(x, y).
template <class F>
QImage PictureBy(int width, int height, F color)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.setPixel(x, y, color(x, y));
    return image;
}
// Every pixel, row by row, as an opaque colour.
std::vector<QRgb> ColorsOf(const QImage& image);
// A grey pixel.
inline QRgb Grey(int v)
{
    return qRgb(v, v, v);
}
