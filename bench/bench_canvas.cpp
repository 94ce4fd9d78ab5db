// Line segments and filled polygons drawn through the chart canvas and straight through
// QPainter on the same image; the canvas should cost little more than the painter itself.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <vector>

#include "BenchShapes.h"
#include "chart/graphics/DuvCanvas3D.h"

namespace {
using namespace benchshapes;

double ThroughCanvas(const Shapes& shapes)
{
    TDuvCanvas3D canvas;
    canvas.InitWindow(nullptr, nullptr, clWhite, false, {0, 0, Width, Height});
    canvas.Brush().SetColor(0x3366CC);
    return Seconds([&] {
        canvas.MoveToPoint(shapes.lineEnds[0]);
        for (int i = 1; i <= Segments; ++i) canvas.LineToPoint(shapes.lineEnds[i]);
        for (const TPointArray& polygon : shapes.polygons) canvas.Polygon(polygon);
    });
}

double ThroughPainter(const Shapes& shapes)
{
    QImage image(Width, Height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(QColor(0xCC, 0x66, 0x33));
    return Seconds([&] {
        for (int i = 1; i <= Segments; ++i) {
            const TPoint& a = shapes.lineEnds[i - 1];
            const TPoint& b = shapes.lineEnds[i];
            painter.drawLine(a.X, a.Y, b.X, b.Y);
        }
        for (const TPointArray& polygon : shapes.polygons) {
            QPolygon points;
            for (const TPoint& p : polygon) points << QPoint(p.X, p.Y);
            painter.drawPolygon(points);
        }
    });
}
}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const Shapes shapes = MakeShapes();
    const double canvas = ThroughCanvas(shapes);
    const double painter = ThroughPainter(shapes);
    std::printf("%d segments and %d polygons: canvas %.3f s, painter %.3f s\n", Segments, Polygons, canvas, painter);
    std::printf("ratio: %.3f\n", canvas / painter);
    return 0;
}
