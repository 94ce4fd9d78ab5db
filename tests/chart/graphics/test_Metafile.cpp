#include "chart/graphics/Metafile.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <cmath>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "chart/graphics/DuvCanvas3D.h"
#include "platform/core/Streams.h"
#include "support/FileLimits.h"
#include "support/TestSupport.h"
#include "support_Pictures.h"
#include "support_Svg.h"

namespace {

using svgjudge::Bounds;
using svgjudge::ReadSvg;
using svgjudge::TSvgItem;

// The scene both painters draw: filled boxes (right and bottom edges exclusive), a polyline and
// a text at its baseline, on a white frame. The colours have SVG names: the WMF reader writes
// the nearest named colour.
constexpr int kWidth = 220, kHeight = 120;
struct TBox {
    bool ellipse;
    QRect box;  // left, top, right, bottom as QRect(QPoint, QPoint): right/bottom exclusive
    QRgb fill;
};
const TBox kBoxes[] = {
    {false, QRect(QPoint(10, 10), QPoint(50, 40)), qRgb(255, 0, 0)},
    {false, QRect(QPoint(60, 10), QPoint(100, 40)), qRgb(0, 0, 255)},
    {false, QRect(QPoint(20, 50), QPoint(90, 60)), qRgb(0, 128, 128)},
    {true, QRect(QPoint(120, 10), QPoint(200, 60)), qRgb(0, 128, 0)},
};
const std::vector<QPoint> kLine = {QPoint(10, 110), QPoint(50, 70), QPoint(90, 110)};
constexpr QRgb kLineColor = qRgb(255, 165, 0);
const QPoint kTextAt(110, 100);
constexpr QRgb kTextColor = qRgb(128, 0, 128);
const char* const kText = "Quellbrook 42";

QFont SceneFont()
{
    QFont font("Liberation Sans");
    font.setPixelSize(14);
    return font;
}

void PaintWithPainter(QPainter& p)
{
    p.fillRect(QRect(0, 0, kWidth, kHeight), Qt::white);
    for (const TBox& b : kBoxes) {
        p.setBrush(QColor(b.fill));
        if (b.ellipse) {
            p.setPen(Qt::black);
            p.drawEllipse(QRect(b.box.left(), b.box.top(), b.box.width() - 1, b.box.height() - 1));
        } else {
            p.setPen(Qt::NoPen);
            p.drawRect(QRect(b.box.left(), b.box.top(), b.box.width(), b.box.height()));
        }
    }
    p.setPen(QColor(kLineColor));
    p.drawPolyline(QPolygon(QList<QPoint>(kLine.begin(), kLine.end())));
    p.setFont(SceneFont());
    p.setPen(QColor(kTextColor));
    p.drawText(kTextAt, kText);
}

TColor ToTColor(QRgb c) { return static_cast<TColor>(qRed(c) | qGreen(c) << 8 | qBlue(c) << 16); }

void PaintWithCanvas(QPainter& p)
{
    TDuvCanvas3D canvas;
    canvas.SetBufferedDisplay(false);
    canvas.InitWindow(&p, nullptr, clWhite, false, {0, 0, kWidth, kHeight});
    canvas.Pen().SetStyle(psClear);
    canvas.Brush().SetColor(clWhite);
    canvas.Rectangle(0, 0, kWidth, kHeight);
    for (const TBox& b : kBoxes) {
        canvas.Brush().SetColor(ToTColor(b.fill));
        if (b.ellipse) {
            canvas.Pen().SetStyle(psSolid);
            canvas.Pen().SetColor(clBlack);
            canvas.Ellipse(b.box.left(), b.box.top(), b.box.right() + 1, b.box.bottom() + 1);
        } else {
            // Without a pen the canvas leaves out one more column and row, as the format does.
            canvas.Pen().SetStyle(psClear);
            canvas.Rectangle(b.box.left(), b.box.top(), b.box.right() + 2, b.box.bottom() + 2);
        }
    }
    canvas.Pen().SetStyle(psSolid);
    canvas.Pen().SetColor(ToTColor(kLineColor));
    TPointArray line;
    for (const QPoint& q : kLine) line.push_back({q.x(), q.y()});
    canvas.Polyline(line);
    canvas.Font().SetName("Liberation Sans");
    canvas.Font().SetSizeFloat(10.5f);  // 14 pixels at 96 dpi
    canvas.Font().SetColor(ToTColor(kTextColor));
    canvas.SetTextAlign(TA_BASELINE | TA_LEFT);
    canvas.TextOut(kTextAt.x(), kTextAt.y(), kText);
    canvas.SetCanvas(nullptr);
}


// Within a pixel; the WMF reader maps the drawing's extent widened by its pens onto the frame,
// which moves points near the far edge by up to half a pixel more.
double tolerance = 1.0;
bool Near(double a, double b) { return std::abs(a - b) <= tolerance; }
bool NearPoint(const QPointF& a, const QPointF& b) { return Near(a.x(), b.x()) && Near(a.y(), b.y()); }
bool SameColor(const std::optional<QColor>& c, QRgb rgb) { return c && (c->rgb() & 0xFFFFFF) == (rgb & 0xFFFFFF); }

std::string Describe(const std::vector<TSvgItem>& items)
{
    std::string text;
    for (const TSvgItem& i : items) {
        const QRectF r = Bounds(i.points);
        text += i.tag.toStdString() + " fill " + (i.fill ? i.fill->name().toStdString() : "-") + " stroke " +
                (i.stroke ? i.stroke->name().toStdString() : "-") + " box " + std::to_string(r.left()) + "," +
                std::to_string(r.top()) + "," + std::to_string(r.right()) + "," + std::to_string(r.bottom()) + " " +
                i.text.toStdString() + "\n";
    }
    return text;
}

// Every box with its colour at its place, the polyline, and the text at its baseline.
void ExpectScene(const std::vector<TSvgItem>& items, const std::string& what)
{
    const std::string listing = what + ":\n" + Describe(items);
    for (const TBox& b : kBoxes) {
        const bool found = std::any_of(items.begin(), items.end(), [&](const TSvgItem& i) {
            const QRectF r = Bounds(i.points);
            return SameColor(i.fill, b.fill) && Near(r.left(), b.box.left()) && Near(r.top(), b.box.top()) &&
                   Near(r.right(), b.box.right() + 1) && Near(r.bottom(), b.box.bottom() + 1);
        });
        EXPECT_TRUE(found) << (b.ellipse ? "ellipse " : "box ") << QColor(b.fill).name().toStdString() << " at "
                           << b.box.left() << "," << b.box.top() << "\n"
                           << listing;
    }
    const bool line = std::any_of(items.begin(), items.end(), [&](const TSvgItem& i) {
        if (!SameColor(i.stroke, kLineColor) || i.fill || i.points.size() != kLine.size()) return false;
        for (std::size_t k = 0; k < kLine.size(); ++k)
            if (!NearPoint(i.points[k], kLine[k])) return false;
        return true;
    });
    EXPECT_TRUE(line) << "polyline\n" << listing;
    // One text element, or (WMF) one per character in order.
    QString text;
    std::optional<QPointF> textAt;
    for (const TSvgItem& i : items)
        if (i.tag == "text" && !i.text.isEmpty()) {
            EXPECT_TRUE(SameColor(i.fill, kTextColor)) << listing;
            if (!textAt) textAt = i.points.front();
            text += i.text;
        }
    EXPECT_EQ(text.toStdString(), kText) << listing;
    ASSERT_TRUE(textAt) << listing;
    EXPECT_TRUE(NearPoint(*textAt, kTextAt)) << "text at " << textAt->x() << "," << textAt->y() << "\n" << listing;
}

struct TJudged {
    std::string file, svg;
};

// Writes the metafile and has the outside reader turn it into SVG.
TJudged Judge(const TMetafile& metafile, const qbtest::TempDir& dir, const std::string& name)
{
    TJudged result;
    result.file = dir.file(name + (metafile.Enhanced() ? ".emf" : ".wmf"));
    result.svg = dir.file(name + ".svg");
    metafile.SaveToFile(result.file);
    if (metafile.Enhanced())
        pictures::RunProgram({"emf2svg-conv", "-i", result.file, "-o", result.svg});
    else
        pictures::RunProgram({"wmf2svg", "-o", result.svg, result.file});
    EXPECT_TRUE(std::filesystem::exists(result.svg)) << result.svg;
    return result;
}

QImage ReferenceImage()
{
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    PaintWithPainter(p);
    return image;
}

TEST(MetafileJudged, SceneReadsBackWithItsShapesColoursAndText)
{
    struct Case {
        const char* name;
        const char* file;
        bool enhanced;
        std::function<void(QPainter&)> paint;
    };
    const Case cases[] = {
        {"painter EMF", "painter", true, PaintWithPainter},
        {"painter WMF", "painter", false, PaintWithPainter},
        {"canvas EMF", "canvas", true, PaintWithCanvas},
        {"canvas WMF", "canvas", false, PaintWithCanvas},
    };
    qbtest::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TMetafile metafile;
        metafile.SetSize(kWidth, kHeight);
        metafile.SetEnhanced(c.enhanced);
        {
            QPainter painter(&metafile);
            EXPECT_EQ(painter.device()->width(), kWidth);
            EXPECT_EQ(painter.device()->logicalDpiX(), 96);
            c.paint(painter);
        }
        EXPECT_FALSE(metafile.Empty());
        const TJudged judged = Judge(metafile, dir, c.file);
        tolerance = c.enhanced ? 1.0 : 1.5;
        ExpectScene(ReadSvg(judged.svg), c.name);
    }
}

// The EMF's picture, rendered by an SVG renderer from the reader's output, shows the colours
// where the drawing on an image has them. (The WMF reader draws every fill half transparent.)
TEST(MetafileJudged, RenderedEmfMatchesTheImageDrawing)
{
    qbtest::TempDir dir;
    TMetafile metafile;
    metafile.SetSize(kWidth, kHeight);
    {
        QPainter painter(&metafile);
        PaintWithPainter(painter);
    }
    const TJudged judged = Judge(metafile, dir, "rendered");
    const std::string png = dir.file("rendered.png");
    pictures::RunProgram({"rsvg-convert", "-b", "white", "-o", png, judged.svg});
    const QImage rendered(QString::fromStdString(png));
    ASSERT_FALSE(rendered.isNull());
    const QImage reference = ReferenceImage();
    std::vector<QPoint> samples = {QPoint(5, 5), QPoint(210, 110)};
    for (const TBox& b : kBoxes) samples.push_back(b.box.center());
    for (const QPoint& at : samples) {
        const QColor got = rendered.pixelColor(at), want = reference.pixelColor(at);
        EXPECT_LE(std::abs(got.red() - want.red()) + std::abs(got.green() - want.green()) +
                      std::abs(got.blue() - want.blue()),
                  12)
            << "at " << at.x() << "," << at.y() << ": " << got.name().toStdString() << " instead of "
            << want.name().toStdString();
    }
}

TEST(MetafileJudged, EmptyOnePixelMetafileIsAValidFile)
{
    qbtest::TempDir dir;
    for (bool enhanced : {true, false}) {
        SCOPED_TRACE(enhanced ? "EMF" : "WMF");
        TMetafile metafile;
        metafile.SetSize(0, -5);
        EXPECT_EQ(metafile.Width(), 1);
        EXPECT_EQ(metafile.Height(), 1);
        metafile.SetEnhanced(enhanced);
        EXPECT_TRUE(metafile.Empty());
        const TJudged judged = Judge(metafile, dir, enhanced ? "empty_emf" : "empty_wmf");
        std::vector<TSvgItem> items = ReadSvg(judged.svg);
        std::erase_if(items, [](const TSvgItem& i) { return !i.fill && !i.stroke; });
        EXPECT_TRUE(items.empty()) << Describe(items);
    }
}

// Header fields readers rely on: the frame in 0.01 mm at 96 dpi, sizes and counts that match.
TEST(MetafileBytes, HeadersDescribeTheFrameAndTheRecords)
{
    TMetafile metafile;
    metafile.SetSize(kWidth, kHeight);
    {
        QPainter painter(&metafile);
        PaintWithPainter(painter);
    }
    const QByteArray emf = metafile.SaveToBytes();
    auto dword = [](const QByteArray& b, int at) {
        std::uint32_t v;
        std::memcpy(&v, b.constData() + at, 4);
        return static_cast<std::int32_t>(v);
    };
    auto word = [](const QByteArray& b, int at) {
        std::uint16_t v;
        std::memcpy(&v, b.constData() + at, 2);
        return v;
    };
    EXPECT_EQ(dword(emf, 0), 1);                                       // header record
    EXPECT_EQ(dword(emf, 8 + 8), kWidth - 1);                          // bounds, inclusive
    EXPECT_EQ(dword(emf, 24 + 8), std::lround(kWidth * 2540.0 / 96) - 1);  // frame, 0.01 mm
    EXPECT_EQ(dword(emf, 24 + 12), std::lround(kHeight * 2540.0 / 96) - 1);
    EXPECT_EQ(dword(emf, 40), 0x464D4520);
    EXPECT_EQ(dword(emf, 48), emf.size());
    int records = 0;
    for (int at = 0; at < emf.size(); at += dword(emf, at + 4)) ++records;
    EXPECT_EQ(dword(emf, 52), records);

    metafile.SetEnhanced(false);
    const QByteArray wmf = metafile.SaveToBytes();
    EXPECT_EQ(static_cast<std::uint32_t>(dword(wmf, 0)), 0x9AC6CDD7u);
    EXPECT_EQ(word(wmf, 10), kWidth);
    EXPECT_EQ(word(wmf, 12), kHeight);
    EXPECT_EQ(word(wmf, 14), 96);  // units per inch
    std::uint16_t checksum = 0;
    for (int i = 0; i < 10; ++i) checksum ^= word(wmf, 2 * i);
    EXPECT_EQ(word(wmf, 20), checksum);
    EXPECT_EQ(static_cast<qsizetype>(word(wmf, 22 + 6) | word(wmf, 22 + 8) << 16) * 2, wmf.size() - 22);
}

TEST(MetafileFile, FailedWriteRaisesAndLeavesTheOldFileWhole)
{
    qbtest::TempDir dir;
    const std::string target = dir.file("chart.emf");
    qbtest::WriteFileBytes(target, "old picture");
    TMetafile metafile;
    metafile.SetSize(20, 10);
    {
        QPainter painter(&metafile);
        painter.fillRect(QRect(0, 0, 20, 10), Qt::red);
    }
    EXPECT_THROW(metafile.SaveToFile(dir.file("missing/chart.emf")), EFCreateError);
    {
        qbtest::FileSizeLimit limit(64);  // the file cannot be written whole
        EXPECT_THROW(metafile.SaveToFile(target), EWriteError);
    }
    EXPECT_EQ(qbtest::ReadFileBytes(target), "old picture");
    metafile.SaveToFile(target);
    EXPECT_EQ(qbtest::ReadFileBytes(target), metafile.SaveToBytes().toStdString());
}

}  // namespace
