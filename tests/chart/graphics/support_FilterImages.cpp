#include "support_FilterImages.h"

QImage PictureOf(int width, int height, std::initializer_list<QRgb> colors)
{
    const QRgb* next = colors.begin();
    return PictureBy(width, height, [&next, &colors](int, int) { return next != colors.end() ? *next++ : qRgb(0, 0, 0); });
}

std::vector<QRgb> ColorsOf(const QImage& image)
{
    std::vector<QRgb> colors;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) colors.push_back(0xFF000000u | (image.pixel(x, y) & 0xFFFFFFu));
    return colors;
}
