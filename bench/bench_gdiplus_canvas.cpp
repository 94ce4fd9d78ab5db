// Line segments, filled polygons and half-transparent filled polygons drawn through the smooth
// canvas and straight through an antialiased QPainter on the same kind of image; both pictures
// must come out alike, and the canvas should cost little more than the painter itself.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "BenchShapes.h"
#include "chart/output/DuvGDIPlus.h"

namespace {
using namespace benchshapes;

constexpr TColor FillColor = 0x3366CC;

// Every other polygon is drawn half transparent.
bool HalfTransparent(std::size_t index) { return index % 2 == 1; }

double ThroughCanvas(const Shapes& shapes, QImage& picture)
{
    TGDIPlusCanvas canvas;
    canvas.InitWindow(nullptr, nullptr, clWhite, false, {0, 0, Width, Height});
    canvas.Brush().SetColor(FillColor);
    const double seconds = Seconds([&] {
        canvas.MoveToPoint(shapes.lineEnds[0]);
        for (int i = 1; i <= Segments; ++i) canvas.LineToPoint(shapes.lineEnds[i]);
        for (std::size_t i = 0; i < shapes.polygons.size(); ++i) {
            if (!HalfTransparent(i)) {
                canvas.Polygon(shapes.polygons[i]);
                continue;
            }
            canvas.BeginBlending({}, 50);
            canvas.Polygon(shapes.polygons[i]);
            canvas.EndBlending(nullptr);
        }
    });
    picture = canvas.BufferBitmap()->copy();
    return seconds;
}

double ThroughPainter(const Shapes& shapes, QImage& picture)
{
    picture = QImage(Width, Height, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPen pen(Qt::black, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    // A 50 % blending leaves the canvas an opacity of 127 (50 x 2.55, rounded).
    QPen halfPen = pen;
    halfPen.setColor(QColor(0, 0, 0, 127));
    const QColor fill(0xCC, 0x66, 0x33), halfFill(0xCC, 0x66, 0x33, 127);
    const double seconds = Seconds([&] {
        painter.setPen(pen);
        for (int i = 1; i <= Segments; ++i) {
            const TPoint& a = shapes.lineEnds[i - 1];
            const TPoint& b = shapes.lineEnds[i];
            painter.drawLine(QLineF(a.X, a.Y, b.X, b.Y));
        }
        QPolygonF points(4);
        for (std::size_t i = 0; i < shapes.polygons.size(); ++i) {
            for (int k = 0; k < 4; ++k) points[k] = QPointF(shapes.polygons[i][k].X, shapes.polygons[i][k].Y);
            const bool half = HalfTransparent(i);
            painter.setPen(Qt::NoPen);
            painter.setBrush(half ? halfFill : fill);
            painter.drawPolygon(points, Qt::OddEvenFill);
            painter.setPen(half ? halfPen : pen);
            painter.setBrush(Qt::NoBrush);
            painter.drawPolygon(points, Qt::OddEvenFill);
        }
    });
    painter.end();
    return seconds;
}

// Pixels whose channels differ by more than one step (rounding of the two paths may differ).
long DifferentPixels(const QImage& a, const QImage& b)
{
    long count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            if (std::abs(qRed(p) - qRed(q)) > 1 || std::abs(qGreen(p) - qGreen(q)) > 1 || std::abs(qBlue(p) - qBlue(q)) > 1)
                ++count;
        }
    return count;
}
}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const Shapes shapes = MakeShapes();
    QImage ours, theirs;
    const double canvas = ThroughCanvas(shapes, ours);
    const double painter = ThroughPainter(shapes, theirs);
    std::printf("%d segments, %d polygons (half of them half transparent): canvas %.3f s, painter %.3f s\n", Segments,
                Polygons, canvas, painter);
    const long different = DifferentPixels(ours, theirs);
    if (ours.size() != theirs.size() || different != 0) {
        std::printf("the pictures differ in %ld pixels\n", different);
        return 1;
    }
    std::printf("ratio: %.3f\n", canvas / painter);
    return 0;
}
