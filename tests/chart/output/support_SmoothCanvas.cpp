#include "support_SmoothCanvas.h"

#include <algorithm>
#include <cstdlib>

#include "chart/engine/support_ChartEngine.h"
#include "chart/output/ChartOutputModules.h"

namespace outputtest {

void StartOutputModules()
{
    static const bool started = [] {
        enginetest::StartChartModules();
        InitializeChartOutputModules();
        return true;
    }();
    (void)started;
}

TSmoothFixture::TSmoothFixture(int w, int h)
{
    StartOutputModules();
    canvas.InitWindow(nullptr, nullptr, clWhite, false, {0, 0, w, h});
    canvas.Brush().SetColor(kRed);
    canvas.Pen().SetColor(clBlack);
}

QRgb TSmoothFixture::At(int x, int y) const { return Image().pixel(x, y); }

int Distance(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b)),
                     std::abs(qAlpha(a) - qAlpha(b))});
}

QRect InkBounds(const QImage& image, int tolerance)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (Distance(image.pixel(x, y), qRgb(255, 255, 255)) > tolerance) bounds |= QRect(x, y, 1, 1);
    return bounds;
}

int IntermediatePixels(const QImage& image, QRgb ink)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (Distance(p, qRgb(255, 255, 255)) > 8 && Distance(p, ink) > 8) ++count;
        }
    return count;
}

}  // namespace outputtest
