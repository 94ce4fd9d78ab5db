// Line segments and filled polygons drawn through the chart canvas and straight through
// QPainter on the same image; the canvas should cost little more than the painter itself.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

#include "chart/graphics/DuvCanvas3D.h"

namespace {
constexpr int Width = 800, Height = 600, Segments = 1000000, Polygons = 100000;

struct Shapes {
    std::vector<TPoint> lineEnds;
    std::vector<TPointArray> polygons;
};

Shapes MakeShapes()
{
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> x(0, Width - 1), y(0, Height - 1), step(-30, 30);
    Shapes shapes;
    for (int i = 0; i <= Segments; ++i) shapes.lineEnds.push_back({x(random), y(random)});
    for (int i = 0; i < Polygons; ++i) {
        const TPoint c{x(random), y(random)};
        shapes.polygons.push_back({c, {c.X + step(random), c.Y + step(random)}, {c.X + step(random), c.Y + step(random)},
                                   {c.X + step(random), c.Y + step(random)}});
    }
    return shapes;
}

template <class F>
double Seconds(F work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

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
