// The print preview panel: paper and image rectangles, hit tests, cursors and drags driven
// offscreen, and printing to a PDF judged by poppler's pdftoppm.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <memory>

#include "chart/engine/Chart.h"
#include "chart/engine/support_ChartEngine.h"
#include "chart/graphics/RecordingCanvas.h"
#include "chart/graphics/DuvCanvas3D.h"
#include "chart/output/DuvPreviewPanel.h"
#include "chart/output/support_DuvStoreTest.h"
#include "platform/ui/Printers.h"
#include "support/TestSupport.h"

namespace {

using enginetest::TTestPanel;

// A printer of the given page for the test's lifetime (A4 at 300 dpi by default).
class ScopedPrinter {
public:
    explicit ScopedPrinter(int width = 2480, int height = 3508)
    {
        auto printer = std::make_unique<TRecordingPrinter>(width, height, 300, 300);
        recording = printer.get();
        previous_ = SetPrinter(std::move(printer));
    }
    explicit ScopedPrinter(std::unique_ptr<TPrinter> printer) : previous_(SetPrinter(std::move(printer))) {}
    ~ScopedPrinter() { SetPrinter(std::move(previous_)); }
    TRecordingPrinter* recording = nullptr;

private:
    std::unique_ptr<TPrinter> previous_;
};

// A panel filled with one dark colour, margins fixed (not proportional).
TComponentPtr<TTestPanel> DarkPanel(int width = 200, int height = 120)
{
    auto panel = MakeComponent<TTestPanel>();
    panel->SetName("DarkPanel");
    panel->SetBounds(0, 0, width, height);
    panel->SetBevelOuter(bvNone);
    panel->SetPrintProportional(false);
    panel->Draw = [](TTestPanel& p, const TRect& r) {
        p.Canvas().Brush().SetColor(0x404040);
        p.Canvas().ApplyBrush(p.Canvas().Brush());
        p.Canvas().FillRect(r);
    };
    return panel;
}

// Paints the preview once into an image of its size, as the window would.
QImage Paint(TDuvPreviewPanel& preview)
{
    QImage image(preview.Width(), preview.Height(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    preview.DrawToCanvasUnbuffered(&painter, preview.GetPanelRect());
    painter.end();
    return image;
}

struct PaperMover {
    void Move(TObject*, TRect& paper) { paper = {10, 10, 110, 210}; }
};

struct MarginsLog {
    int Changes = 0;
    bool AllDisabledProportional = true;
    TRect Told;
    void Changed(TObject*, bool disableProportional, const TRect& margins)
    {
        AllDisabledProportional = AllDisabledProportional && disableProportional;
        Told = margins;
        ++Changes;
    }
};

class FullRotationCanvas : public TRecordingCanvas {
public:
    bool SupportsFullRotation() override { return true; }
};

class PreviewPanelTest : public ::testing::Test {
protected:
    void SetUp() override { storetest::StartStoreModules(); }
};

}  // namespace

TEST_F(PreviewPanelTest, PaperFollowsThePageOfThePrinterOrTheScreen)
{
    const QSize screen = QGuiApplication::primaryScreen()->size();
    struct Case {
        const char* name;
        int clientWidth, clientHeight;
        int pageWidth, pageHeight;  // 0: no printer
        TDuvPreviewPanelOrientation orientation;
        TRect expected;  // empty: computed from the screen below
    };
    const Case cases[] = {
        {"portrait page in a wide window", 432, 312, 2480, 3508, ppoDefault, {128, 31, 304, 281}},
        {"portrait page in a tall window", 200, 400, 2480, 3508, ppoDefault, {20, 87, 180, 313}},
        {"landscape turns the page", 432, 312, 2480, 3508, ppoLandscape, {43, 34, 389, 278}},
        {"portrait keeps the page", 432, 312, 2480, 3508, ppoPortrait, {128, 31, 304, 281}},
        {"no printer: the screen's shape", 432, 312, 0, 0, ppoDefault, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScopedPrinter printer(c.pageWidth ? c.pageWidth : 100, c.pageHeight ? c.pageHeight : 100);
        printer.recording->Missing = c.pageWidth == 0;
        TDuvPreviewPanel preview;
        preview.SetBounds(0, 0, c.clientWidth, c.clientHeight);
        preview.SetOrientation(c.orientation);
        TRect expected = c.expected;
        if (c.pageWidth == 0) {
            // The same rule with the screen as the page.
            const int w = c.clientWidth, h = c.clientHeight;
            if (static_cast<long long>(h) * screen.width() < static_cast<long long>(w) * screen.height()) {
                const int paperHeight = h - qRound(h / 5.0);
                const int paperWidth = paperHeight * screen.width() / screen.height();
                expected = {(w - paperWidth) / 2, qRound(h / 10.0), (w - paperWidth) / 2 + paperWidth,
                            qRound(h / 10.0) + paperHeight};
            } else {
                const int paperWidth = w - qRound(w / 5.0);
                const int paperHeight = paperWidth * screen.height() / screen.width();
                expected = {qRound(w / 10.0), (h - paperHeight) / 2, qRound(w / 10.0) + paperWidth,
                            (h - paperHeight) / 2 + paperHeight};
            }
        }
        const TRect paper = preview.CalcPaperRect();
        EXPECT_EQ(paper, expected) << paper.Left << "," << paper.Top << "," << paper.Right << "," << paper.Bottom;
    }
}

TEST_F(PreviewPanelTest, OnGetPaperRectMayMoveThePaper)
{
    ScopedPrinter printer;
    TDuvPreviewPanel preview;
    PaperMover mover;
    preview.OnGetPaperRect = {&mover, &PaperMover::Move};
    EXPECT_EQ(preview.CalcPaperRect(), (TRect{10, 10, 110, 210}));
}

TEST_F(PreviewPanelTest, ImageLiesByThePrintMarginsInsideThePaper)
{
    ScopedPrinter printer;
    TDuvPreviewPanel preview;
    const TRect paper{128, 31, 304, 281};
    EXPECT_EQ(preview.PanelRect(nullptr, paper), (TRect{154, 68, 278, 244})) << "15 % each without a panel";
    auto panel = DarkPanel();
    panel->PrintMargins = {10, 20, 30, 40};
    EXPECT_EQ(preview.PanelRect(panel.get(), paper), (TRect{145, 81, 252, 181}));
}

TEST_F(PreviewPanelTest, HitTestsAndCursorsFollowTheEdgesOfTheImage)
{
    ScopedPrinter printer;
    TDuvPreviewPanel preview;
    auto panel = DarkPanel();
    preview.SetPanel(panel.get());
    Paint(preview);
    ASSERT_EQ(preview.ImageRect(), (TRect{154, 68, 278, 244}));
    struct Case {
        const char* name;
        int x, y;
        bool allowMove, allowResize;
        int part;
        TCursor cursor;
    };
    const Case cases[] = {
        {"left edge", 150, 150, true, true, dpLeft, crHSplit},
        {"right edge", 282, 150, true, true, dpRight, crHSplit},
        {"top edge", 200, 64, true, true, dpTop, crVSplit},
        {"bottom edge", 200, 248, true, true, dpBottom, crVSplit},
        {"left-top corner", 155, 69, true, true, dpLeftTop, crSizeNWSE},
        {"right-top corner", 277, 67, true, true, dpRightTop, crSizeNESW},
        {"left-bottom corner", 153, 245, true, true, dpLeftBottom, crSizeNESW},
        {"right-bottom corner", 280, 240, true, true, dpRightBottom, crSizeNWSE},
        {"inside", 200, 150, true, true, dpMove, crDuvHand},
        {"outside", 100, 20, true, true, dpNone, crDefault},
        {"just beyond the edge", 149, 150, true, true, dpNone, crDefault},
        {"edge line reaches beyond the image", 154, 10, true, true, dpLeft, crHSplit},
        {"edge without resizing", 150, 150, true, false, dpNone, crDefault},
        {"corner without resizing", 155, 69, true, false, dpNone, crDefault},
        {"inside without moving", 200, 150, false, true, dpNone, crDefault},
        {"edge without moving", 282, 150, false, true, dpRight, crHSplit},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        preview.AllowMove = c.allowMove;
        preview.AllowResize = c.allowResize;
        EXPECT_EQ(preview.DragPart(c.x, c.y), c.part);
        preview.MouseMove({}, c.x, c.y);
        if (c.x >= preview.PaperRect().Left && c.y >= preview.PaperRect().Top) {
            EXPECT_EQ(preview.Cursor(), c.cursor);
        }
        EXPECT_EQ(TDuvPreviewPanel::DragCursor(c.part), c.cursor);
    }
}

TEST_F(PreviewPanelTest, DragsMoveAndResizeTheImageAndWriteTheMarginsBack)
{
    ScopedPrinter printer;
    const TRect start{154, 68, 278, 244};
    struct Case {
        const char* name;
        TPoint down;
        TPoint move;
        bool allowResize;
        TRect image;
        TRect margins;
        int changes;
    };
    const Case cases[] = {
        {"move right and down", {200, 150}, {210, 155}, true, {164, 73, 288, 249}, {20, 16, 9, 12}, 1},
        {"a move stops at the paper's left edge", {200, 150}, {130, 150}, true, {128, 68, 252, 244}, {0, 14, 29, 14}, 1},
        {"a move stops at the paper's right edge", {200, 150}, {240, 150}, true, {180, 68, 304, 244}, {29, 14, 0, 14}, 1},
        {"a move stops at the paper's bottom edge", {200, 150}, {200, 280}, true, {154, 105, 278, 281}, {14, 29, 14, 0}, 1},
        {"left edge inward", {154, 150}, {180, 150}, true, {180, 68, 278, 244}, {29, 14, 14, 14}, 1},
        {"left edge past the right is refused", {154, 150}, {290, 150}, true, start, {15, 15, 15, 15}, 0},
        {"right edge to the paper's edge", {278, 150}, {304, 150}, true, {154, 68, 304, 244}, {14, 14, 0, 14}, 1},
        {"bottom-right corner out", {278, 244}, {290, 260}, true, {154, 68, 290, 260}, {14, 14, 7, 8}, 1},
        {"top edge below the bottom is refused", {200, 68}, {200, 250}, true, start, {15, 15, 15, 15}, 0},
        {"a press without a move keeps the margins", {200, 150}, {200, 150}, true, start, {15, 15, 15, 15}, 0},
        {"outside the paper nothing happens", {200, 150}, {400, 150}, true, start, {15, 15, 15, 15}, 0},
        {"no resize: an edge drag does nothing", {154, 150}, {180, 150}, false, start, {15, 15, 15, 15}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TDuvPreviewPanel preview;
        auto panel = DarkPanel();
        preview.SetPanel(panel.get());
        preview.AllowResize = c.allowResize;
        MarginsLog log;
        preview.OnChangeMargins = {&log, &MarginsLog::Changed};
        Paint(preview);
        ASSERT_EQ(preview.ImageRect(), start);
        panel->SetPrintProportional(true);
        preview.MouseDown(mbLeft, {}, c.down.X, c.down.Y);
        preview.MouseMove({}, c.move.X, c.move.Y);
        EXPECT_EQ(preview.ImageRect(), c.image);
        EXPECT_EQ(panel->PrintMargins, c.margins);
        EXPECT_EQ(log.Changes, c.changes);
        EXPECT_TRUE(log.AllDisabledProportional);
        EXPECT_EQ(panel->PrintProportional(), log.Changes == 0);
        if (log.Changes) {
            EXPECT_EQ(log.Told, c.margins);
        }
        preview.MouseUp(mbLeft, {}, c.move.X, c.move.Y);
        EXPECT_EQ(preview.Dragging(), dpNone);
    }
}

TEST_F(PreviewPanelTest, PaintingDrawsPaperImageAndInvertedMarginLines)
{
    ScopedPrinter printer;
    TDuvPreviewPanel preview;
    auto* canvas = new TRecordingCanvas;
    preview.ReplaceCanvas(std::unique_ptr<TCanvas3D>(canvas), "TRecordingCanvas");
    auto panel = DarkPanel();
    preview.SetPanel(panel.get());
    preview.DrawToCanvas(nullptr, preview.GetPanelRect());
    const std::vector<std::string> lines = enginetest::Lines(canvas->Calls);
    const std::vector<std::string> expected = {"153,32-153,281", "278,32-278,281", "129,67-304,67", "129,244-304,244"};
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(lines.end() - 4, lines.end()), expected);
    EXPECT_FALSE(canvas->Texts("Rectangle").empty());
    EXPECT_FALSE(canvas->Texts("StretchDraw").empty()) << "the chart's picture is drawn";
    EXPECT_FALSE(panel->IsPrinting);

    canvas->Clear();
    preview.Margins().SetVisible(false);
    preview.SetShowImage(false);
    preview.DrawToCanvas(nullptr, preview.GetPanelRect());
    EXPECT_TRUE(enginetest::Lines(canvas->Calls).empty());
    EXPECT_TRUE(canvas->Texts("StretchDraw").empty());
}

TEST_F(PreviewPanelTest, TheChartImageLandsInTheImageRectangle)
{
    ScopedPrinter printer;
    for (const bool asBitmap : {false, true}) {
        SCOPED_TRACE(asBitmap ? "bitmap" : "metafile");
        TDuvPreviewPanel preview;
        preview.Margins().SetVisible(false);
        preview.PaperShadow().SetVisible(false);
        preview.SetAsBitmap(asBitmap);
        auto panel = DarkPanel();
        panel->PrintMargins = {10, 10, 10, 10};
        preview.SetPanel(panel.get());
        const QImage image = Paint(preview);
        const TRect r = preview.ImageRect();
        QRect dark;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (std::abs(qRed(image.pixel(x, y)) - 0x40) < 8 && std::abs(qBlue(image.pixel(x, y)) - 0x40) < 8)
                    dark |= QRect(x, y, 1, 1);
        EXPECT_EQ(dark, QRect(r.Left, r.Top, r.Width(), r.Height()));
    }
}

TEST_F(PreviewPanelTest, PanelListFollowsSettingAndFreeing)
{
    ScopedPrinter printer;
    TScopedComponent<TDuvPreviewPanel> preview;
    preview.SetPanel(&preview);
    EXPECT_EQ(preview.Panel(), nullptr) << "the preview never previews itself";
    auto panel = DarkPanel();
    preview.SetPanel(panel.get());
    preview.SetPanel(panel.get());
    EXPECT_EQ(preview.Panels().size(), 1u);
    EXPECT_FALSE(preview.AsBitmap());
    panel.reset();
    EXPECT_EQ(preview.Panel(), nullptr);

    TScopedComponent<TTestPanel> turning;
    turning.ReplaceCanvas(std::make_unique<FullRotationCanvas>(), "FullRotationCanvas");
    preview.SetPanel(&turning);
    EXPECT_TRUE(preview.AsBitmap()) << "a canvas that turns the chart itself gives no metafile";
}

TEST_F(PreviewPanelTest, PrintingToPdfPutsTheChartInsideItsMargins)
{
    struct Case {
        const char* name;
        bool asBitmap;
        bool gdiCanvas;  // else the smooth canvas every chart of the program names
    };
    const Case cases[] = {
        {"drawn on the smooth canvas", false, false},
        {"drawn on the GDI canvas", false, true},
        {"as a bitmap", true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const bool asBitmap = c.asBitmap;
        qbtest::TempDir dir;
        auto pdf = std::make_unique<TQtPrinter>();
        pdf->SetOutputFileName(dir.file("preview.pdf"));
        TQtPrinter* device = pdf.get();
        ScopedPrinter printer(std::move(pdf));
        TDuvPreviewPanel preview;
        preview.SetAsBitmap(asBitmap);
        preview.Title = "Preview test";
        preview.SetOrientation(ppoLandscape);
        auto panel = DarkPanel(300, 200);
        if (c.gdiCanvas) panel->ReplaceCanvas(std::make_unique<TDuvCanvas3D>(), "TDuvCanvas3D");
        panel->PrintMargins = {10, 20, 30, 15};
        preview.SetPanel(panel.get());
        enginetest::TNotifyCounter afterDraw;
        preview.OnAfterDraw = {&afterDraw, &enginetest::TNotifyCounter::On};
        preview.Print();
        EXPECT_EQ(afterDraw.Count, 1);
        EXPECT_FALSE(device->Printing());
        EXPECT_EQ(device->Orientation(), TPrinterOrientation::poLandscape);

        enginetest::Run({"/usr/bin/pdftoppm", "-r", "36", "-png", "-singlefile", dir.file("preview.pdf"), dir.file("page")});
        QImage page(QString::fromStdString(dir.file("page.png")));
        ASSERT_FALSE(page.isNull());
        EXPECT_GT(page.width(), page.height()) << "landscape page";
        QRect inked;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x)
                if (qGray(page.pixel(x, y)) < 128) inked |= QRect(x, y, 1, 1);
        const double w = page.width(), h = page.height();
        const QRect margins(qRound(0.10 * w), qRound(0.20 * h), qRound(0.60 * w), qRound(0.65 * h));
        // One pixel of slack for the rasteriser's rounding.
        EXPECT_TRUE(margins.adjusted(-1, -1, 1, 1).contains(inked)) << "inked " << inked.x() << "," << inked.y() << " "
                                                                   << inked.width() << "x" << inked.height();
        EXPECT_GT(inked.width() * inked.height(), margins.width() * margins.height() * 9 / 10);
    }
}

TEST_F(PreviewPanelTest, APrinterErrorAbortsTheJobAndReachesTheCaller)
{
    ScopedPrinter printer;
    TDuvPreviewPanel preview;
    auto panel = DarkPanel();
    panel->SetName("Failing");
    panel->Draw = [](TTestPanel&, const TRect&) { throw Exception("drawing failed"); };
    preview.SetPanel(panel.get());
    EXPECT_THROW(preview.Print(), Exception);
    EXPECT_EQ(printer.recording->Steps, (std::vector<std::string>{"BeginDoc", "Abort"}));
    EXPECT_EQ(printer.recording->Title, "Failing");

    TDuvPreviewPanel empty;
    printer.recording->Steps.clear();
    empty.Print();
    EXPECT_TRUE(printer.recording->Steps.empty()) << "nothing to print without panels";
}

