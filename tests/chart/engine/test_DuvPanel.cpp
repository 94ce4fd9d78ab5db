#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <memory>
#include <optional>

#include "chart/engine/DuvPanel.h"
#include "chart/engine/DuvProcs.h"
#include "platform/core/Registry.h"
#include "chart/graphics/BmpCodec.h"
#include "chart/graphics/DuvCanvas3D.h"
#include "chart/graphics/DuvPen.h"
#include "chart/graphics/DuvShadow.h"
#include "chart/graphics/Metafile.h"
#include "chart/graphics/RecordingCanvas.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentText.h"
#include "platform/core/ComponentWriter.h"
#include "platform/core/Streams.h"
#include "platform/ui/Printers.h"
#include "support/TestSupport.h"
#include "support_ChartEngine.h"
#include "chart/graphics/support_Svg.h"

using enginetest::TTestPanel;

namespace {

class PanelTest : public testing::Test {
protected:
    void SetUp() override { enginetest::StartChartModules(); }
    // The panel drawn once into its own rectangle on a recording canvas.
    static TRecordingCanvas& Record(TTestPanel& panel)
    {
        auto canvas = std::make_unique<TRecordingCanvas>();
        TRecordingCanvas& recording = *canvas;
        panel.ReplaceCanvas(std::move(canvas), "TRecordingCanvas");
        panel.DrawToCanvas(nullptr, panel.GetPanelRect());
        return recording;
    }
    static QColor Pixel(const QImage& image, int x, int y) { return QColor(image.pixel(x, y)); }
};

// ---------------------------------------------------------------- chart rectangle

struct ChartRectCase {
    const char* name;
    int width, height;
    std::function<void(TTestPanel&)> setUp;
    TRect expected;
};

TEST_F(PanelTest, ChartRectFollowsBordersMarginsShadowAndEmboss)
{
    const ChartRectCase cases[] = {
        {"new panel", 400, 250, [](TTestPanel&) {}, {13, 11, 387, 239}},
        {"percent margins truncate", 50, 100, [](TTestPanel&) {}, {2, 5, 48, 95}},
        {"pixel margins", 400, 250,
         [](TTestPanel& p) {
             p.SetMarginUnits(muPixels);
             p.SetMarginLeft(20);
             p.SetMarginTop(7);
         },
         {21, 8, 396, 245}},
        {"no bevel", 400, 250, [](TTestPanel& p) { p.SetBevelOuter(bvNone); }, {12, 10, 388, 240}},
        {"both bevels and border width", 400, 250,
         [](TTestPanel& p) {
             p.SetBevelInner(bvLowered);
             p.SetBevelWidth(2);
             p.SetBorderWidth(3);
         },
         {19, 17, 381, 233}},
        {"visible border pen", 400, 250,
         [](TTestPanel& p) {
             p.Border().SetVisible(true);
             p.Border().SetWidth(2);
         },
         {15, 13, 385, 237}},
        {"shadow to the left", 400, 250, [](TTestPanel& p) { p.Shadow().SetHorizSize(-4); }, {17, 11, 387, 239}},
        {"shadow right and down", 400, 250,
         [](TTestPanel& p) {
             p.Shadow().SetHorizSize(3);
             p.Shadow().SetVertSize(3);
         },
         {13, 11, 384, 236}},
        {"hidden shadow", 400, 250,
         [](TTestPanel& p) {
             p.Shadow().SetSize(5);
             p.Shadow().SetVisible(false);
         },
         {13, 11, 387, 239}},
        {"emboss", 400, 250,
         [](TTestPanel& p) {
             p.Emboss().SetVisible(true);
             p.Emboss().SetSize(3);
         },
         {16, 14, 387, 239}},
        {"margins cross", 100, 60,
         [](TTestPanel& p) {
             p.SetMarginUnits(muPixels);
             p.SetMarginLeft(80);
             p.SetMarginRight(80);
         },
         {81, 5, 82, 55}},
        {"margins meet", 100, 60,
         [](TTestPanel& p) {
             p.SetMarginUnits(muPixels);
             p.SetMarginLeft(49);
             p.SetMarginRight(49);
             p.SetMarginTop(29);
             p.SetMarginBottom(29);
         },
         {50, 30, 150, 90}},
    };
    for (const ChartRectCase& c : cases) {
        TTestPanel panel;
        panel.SetBounds(0, 0, c.width, c.height);
        c.setUp(panel);
        Record(panel);
        EXPECT_EQ(panel.ChartRect, c.expected) << c.name;
        EXPECT_EQ(panel.ChartWidth, c.expected.Right - c.expected.Left) << c.name;
        EXPECT_EQ(panel.ChartXCenter, (c.expected.Left + c.expected.Right) / 2) << c.name;
        EXPECT_GE(panel.ChartWidth, 1) << c.name;
        EXPECT_GE(panel.ChartHeight, 1) << c.name;
    }
}

TEST_F(PanelTest, AFixedChartRectKeepsTheRectangleOfTheDrawingBeforeTheSwitch)
{
    TTestPanel panel;
    Record(panel);
    ASSERT_EQ(panel.ChartRect, (TRect{13, 11, 387, 239}));
    panel.FixChartRect(true);
    panel.SetMarginUnits(muPixels);
    panel.SetMarginLeft(100);
    panel.DrawToCanvas(nullptr, panel.GetPanelRect());
    EXPECT_EQ(panel.ChartRect, (TRect{13, 11, 387, 239}));
    panel.FixChartRect(false);
    panel.DrawToCanvas(nullptr, panel.GetPanelRect());
    EXPECT_EQ(panel.ChartRect.Left, 101);
    panel.FixChartRect(true);  // captures the current one anew
    panel.SetMarginLeft(5);
    panel.DrawToCanvas(nullptr, panel.GetPanelRect());
    EXPECT_EQ(panel.ChartRect.Left, 101);
}

TEST_F(PanelTest, ANewPanelHasTheDocumentedSettings)
{
    TTestPanel panel;
    EXPECT_EQ(panel.Width(), 400);
    EXPECT_EQ(panel.Height(), 250);
    EXPECT_TRUE(panel.View3D());
    EXPECT_TRUE(panel.TabStop());
    EXPECT_EQ(panel.PrintMargins, (TRect{15, 15, 15, 15}));
    EXPECT_FALSE(panel.Border().Visible());
    // No chart canvas of another name is registered yet: the GDI canvas draws.
    EXPECT_EQ(panel.DefaultCanvas(), "TGDIPlusCanvas");
    EXPECT_NE(dynamic_cast<TDuvCanvas3D*>(&panel.Canvas()), nullptr);
}

// ---------------------------------------------------------------- text lines

TEST_F(PanelTest, MeasureTextLinesSplitsAtCarriageReturns)
{
    struct Case {
        const char* text;
        int lines, width, height;
    } const cases[] = {
        {"A\r\nBB", 2, 14, 26}, {"A\rBB", 2, 14, 26},   {"ABC\r", 1, 21, 13},
        {"", 0, 0, 0},          {"\r\rX", 3, 7, 39},    {"one\r\ntwo\r\nthree", 3, 35, 39},
    };
    TTestPanel panel;
    Record(panel);
    for (const Case& c : cases) {
        TSize size;
        int lines = -1;
        panel.MeasureTextLines(c.text, false, size, lines);
        EXPECT_EQ(lines, c.lines) << c.text;
        EXPECT_EQ(size.cx, c.width) << c.text;
        EXPECT_EQ(size.cy, c.height) << c.text;
        EXPECT_EQ(panel.TextLinesWidth(c.text, lines, false), c.width) << c.text;
    }
}

// ---------------------------------------------------------------- listeners

class RecordingListener : public IPanelEventListener {
public:
    RecordingListener(std::vector<std::string>& log, std::string name, bool cancels)
        : log_(log), name_(std::move(name)), cancels_(cancels)
    {
    }
    void PanelEvent(TDuvEvent& event) override
    {
        const char* kind = dynamic_cast<TDuvMouseEvent*>(&event)        ? "mouse"
                           : dynamic_cast<TDuvView3DEvent*>(&event)     ? "view3d"
                           : dynamic_cast<TMouseLeaveEvent*>(&event)    ? "leave"
                                                                        : "other";
        log_.push_back(name_ + ":" + kind);
        EXPECT_NE(event.Sender, nullptr);
        if (auto* mouse = dynamic_cast<TDuvMouseEvent*>(&event); mouse && cancels_) mouse->Reply = TEventReply::CancelChart;
    }

private:
    std::vector<std::string>& log_;
    std::string name_;
    bool cancels_;
};

TEST_F(PanelTest, ACancellingListenerStopsOnlyMouseEvents)
{
    std::vector<std::string> log;
    RecordingListener first(log, "1", false), second(log, "2", true), third(log, "3", false);
    TTestPanel panel;
    panel.AddListener(&first);
    panel.AddListener(&second);
    panel.AddListener(&second);  // listed once
    panel.AddListener(&third);
    EXPECT_EQ(panel.Listeners().Count(), 3);

    panel.MouseMove({}, 5, 5);
    EXPECT_EQ(log, (std::vector<std::string>{"1:mouse", "2:mouse"}));
    log.clear();
    panel.SetView3D(false);
    EXPECT_EQ(log, (std::vector<std::string>{"1:view3d", "2:view3d", "3:view3d"}));
    log.clear();
    panel.MouseLeave();
    EXPECT_EQ(log, (std::vector<std::string>{"1:leave", "2:leave", "3:leave"}));

    EXPECT_EQ(panel.Listeners().RemoveListener(&second), 1);
    EXPECT_EQ(panel.Listeners().RemoveListener(&second), -1);
    log.clear();
    panel.MouseDown(mbLeft, {}, 1, 1);
    EXPECT_EQ(log, (std::vector<std::string>{"1:mouse", "3:mouse"}));
}

TEST_F(PanelTest, AMouseDownHandlerThatCancelsKeepsTheEventFromTheListeners)
{
    std::vector<std::string> log;
    RecordingListener listener(log, "1", false);
    TTestPanel panel;
    panel.AddListener(&listener);
    struct Handler {
        void Down(TObject* sender, TMouseButton, TShiftState, int, int)
        {
            static_cast<TCustomDuvPanel*>(sender)->ReplyToMouse(TEventReply::CancelChart);
        }
        void Double(TObject* sender) { static_cast<TCustomDuvPanel*>(sender)->ReplyToMouse(TEventReply::CancelChart); }
    } handler;
    panel.OnMouseDown = {&handler, &Handler::Down};
    panel.MouseDown(mbLeft, {}, 3, 4);
    EXPECT_TRUE(log.empty());
    panel.MouseUp(mbLeft, {}, 3, 4);  // the flag is cleared for the next event
    EXPECT_EQ(log, (std::vector<std::string>{"1:mouse"}));
    panel.OnDblClick = {&handler, &Handler::Double};
    EXPECT_THROW(panel.DblClick(), EAbort);
}

// ---------------------------------------------------------------- bevels on the real canvas

TEST_F(PanelTest, BevelsAreWhiteAndGreyOnTheRightSides)
{
    constexpr QRgb white = 0xFFFFFFFF, grey = 0xFFA0A0A0;
    struct Case {
        TPanelBevel outer;
        QRgb topLeft, bottomRight;
    } const cases[] = {{bvRaised, white, grey}, {bvLowered, grey, white}, {bvSpace, white, white}};
    for (const Case& c : cases) {
        TTestPanel panel;
        panel.SetBounds(0, 0, 60, 40);
        panel.SetColor(0x336699);
        panel.SetBevelOuter(c.outer);
        const std::unique_ptr<QImage> image = panel.CreatePanelBitmap();
        ASSERT_EQ(image->size(), QSize(60, 40));
        for (const auto& [x, y] : {std::pair{0, 20}, {30, 0}, {0, 0}})
            EXPECT_EQ(image->pixel(x, y), c.topLeft) << c.outer << " at " << x << "," << y;
        for (const auto& [x, y] : {std::pair{59, 20}, {30, 39}, {59, 39}})
            EXPECT_EQ(image->pixel(x, y), c.bottomRight) << c.outer << " at " << x << "," << y;
        EXPECT_EQ(QColor(image->pixel(30, 20)), QColor(0x99, 0x66, 0x33)) << "the inside keeps the panel colour";
    }
}

TEST_F(PanelTest, ARoundedPanelDrawsItsBevelAsARoundedFrame)
{
    TTestPanel panel;
    panel.SetBounds(0, 0, 80, 50);
    panel.SetColor(clBlack);
    panel.SetBorderRound(16);
    const std::unique_ptr<QImage> image = panel.CreatePanelBitmap();
    EXPECT_EQ(image->pixel(40, 1), 0xFFFFFFFFu) << "the straight top edge, one pixel in";
    EXPECT_EQ(image->pixel(1, 25), 0xFFFFFFFFu) << "the straight left edge";
    EXPECT_EQ(image->pixel(1, 1), 0xFF000000u) << "the corner is cut off";
    EXPECT_EQ(image->pixel(40, 0), 0xFF000000u);
}

// ---------------------------------------------------------------- pictures

TEST_F(PanelTest, BitmapsHaveTheirBackColoursAndTransparency)
{
    TTestPanel panel;
    panel.SetBounds(0, 0, 200, 120);
    panel.SetBevelOuter(bvNone);
    panel.SetColor(0x80C0FF);
    panel.Draw = enginetest::DrawSampleScene;

    const std::unique_ptr<QImage> white = panel.RenderBitmap(clWhite, panel.GetPanelRect(), 0);
    EXPECT_EQ(white->pixel(5, 5), 0xFFFFFFFFu);
    EXPECT_EQ(white->pixel(50, 40), 0xFFFF0000u);

    const std::unique_ptr<QImage> own = panel.CreatePanelBitmap();
    EXPECT_EQ(QColor(own->pixel(5, 5)), QColor(0xFF, 0xC0, 0x80));
    EXPECT_EQ(own->pixel(150, 40), 0xFF0000FFu);

    const std::unique_ptr<QImage> clear = panel.RenderBitmap(clNone, panel.GetPanelRect(), 0);
    EXPECT_TRUE(clear->hasAlphaChannel());
    EXPECT_EQ(qAlpha(clear->pixel(5, 5)), 0);
    EXPECT_EQ(clear->pixel(50, 40), 0xFFFF0000u);

    const std::unique_ptr<QImage> stamped = panel.RenderBitmap(clWhite, panel.GetPanelRect(), 150);
    EXPECT_NEAR(stamped->dotsPerMeterX(), 150 / 0.0254, 1);
}

TEST_F(PanelTest, TheClipboardGetsTheBitmapOnThePanelColour)
{
    TTestPanel panel;
    panel.SetBounds(0, 0, 200, 120);
    panel.SetBevelOuter(bvNone);
    panel.SetColor(0x80C0FF);
    panel.Draw = enginetest::DrawSampleScene;
    panel.CopyBitmapToClipboard();
    const QImage copied = QGuiApplication::clipboard()->image();
    ASSERT_EQ(copied.size(), QSize(200, 120));
    EXPECT_EQ(QColor(copied.pixel(5, 5)), QColor(0xFF, 0xC0, 0x80));
    EXPECT_EQ(QColor(copied.pixel(50, 40)), QColor(Qt::red));
}

TEST_F(PanelTest, AMetafileOfAnEmptyRectangleIsOneByOne)
{
    TTestPanel panel;
    panel.Draw = enginetest::DrawSampleScene;
    const std::unique_ptr<TMetafile> metafile = panel.RenderMetafile(true, TRect{});
    EXPECT_EQ(metafile->Width(), 1);
    EXPECT_EQ(metafile->Height(), 1);
    const std::unique_ptr<TMetafile> whole = panel.RenderMetafile(false);
    EXPECT_EQ(whole->Width(), 400);
    EXPECT_EQ(whole->Height(), 250);
    EXPECT_FALSE(whole->Enhanced());
}

// ---------------------------------------------------------------- printing

TEST_F(PanelTest, PrintRectFromMarginsTakesPercentagesOfThePage)
{
    struct Case {
        TRect margins;
        int width, height;
        TRect expected;
    } const cases[] = {
        {{15, 15, 15, 15}, 1000, 1400, {150, 210, 850, 1190}},
        {{0, 0, 0, 0}, 1000, 1400, {0, 0, 1000, 1400}},
        {{10, 5, 20, 25}, 999, 1001, {100, 50, 799, 751}},
    };
    for (const Case& c : cases) {
        TTestPanel panel;
        panel.PrintMargins = c.margins;
        EXPECT_EQ(panel.PrintRectFromMargins(c.width, c.height), c.expected);
    }
}

class PrinterTest : public PanelTest {
protected:
    void Install(int width, int height, int dpiX = 600, int dpiY = 600)
    {
        auto printer = std::make_unique<TRecordingPrinter>(width, height, dpiX, dpiY);
        recording_ = printer.get();
        previous_ = SetPrinter(std::move(printer));
    }
    void TearDown() override
    {
        if (recording_) SetPrinter(std::move(previous_));
    }
    TRecordingPrinter* recording_ = nullptr;
    std::unique_ptr<TPrinter> previous_;
};

TEST_F(PrinterTest, ProportionalMarginsKeepThePanelsShapeAndStayOnThePage)
{
    struct Case {
        const char* name;
        int panelWidth, panelHeight, pageWidth, pageHeight, dpiX, dpiY;
        TRect margins;
    } const cases[] = {
        // (1400 - 0.7 * 1000 * 0.5) * 100 / 1400 = 75, halved and truncated.
        {"twice as wide", 400, 200, 1000, 1400, 600, 600, {15, 37, 15, 37}},
        {"taller than wide", 100, 200, 1000, 1400, 600, 600, {25, 15, 25, 15}},
        {"wider pixels", 400, 200, 1000, 1400, 600, 300, {15, 25, 15, 25}},
        {"more elongated than the page", 400, 390, 2000, 1000, 600, 600, {15, 0, 15, 0}},
    };
    for (const Case& c : cases) {
        Install(c.pageWidth, c.pageHeight, c.dpiX, c.dpiY);
        TTestPanel panel;
        panel.SetBounds(0, 0, c.panelWidth, c.panelHeight);
        const TRect page = panel.PrinterDrawRect();
        EXPECT_EQ(panel.PrintMargins, c.margins) << c.name;
        EXPECT_GE(page.Top, 0) << c.name;
        EXPECT_LE(page.Bottom, c.pageHeight) << c.name;
        EXPECT_LT(page.Top, page.Bottom) << c.name;
    }
}

TEST_F(PrinterTest, WithoutAPrinterProportionalMarginsUseTheScreen)
{
    Install(1000, 1400);
    recording_->Missing = true;
    TTestPanel panel;
    panel.SetBounds(0, 0, 400, 200);
    panel.ProportionalPrintMargins();
    EXPECT_EQ(panel.PrintMargins.Left, 15);
    EXPECT_GE(panel.PrintMargins.Top, 0);
    EXPECT_THROW(panel.PrinterDrawRect(), EPrinter);
}

TEST_F(PrinterTest, PrintResolutionChangesTheLogicalSizeNotThePlaceOnThePage)
{
    struct Case {
        int resolution;
        TRect logical;
    } const cases[] = {{0, {0, 0, 400, 250}}, {50, {0, 0, 200, 125}}, {-50, {0, 0, 600, 375}}};
    for (const Case& c : cases) {
        Install(1000, 800);
        TTestPanel panel;
        panel.SetBevelOuter(bvNone);
        panel.SetPrintResolution(c.resolution);
        panel.Draw = [](TTestPanel& p, const TRect& r) {
            p.Canvas().Brush().SetColor(clRed);
            p.Canvas().ApplyBrush(p.Canvas().Brush());
            p.Canvas().FillRect(r);
        };
        recording_->BeginDoc();
        panel.PrintPartialCanvas(recording_->Canvas(), {100, 100, 500, 350});
        recording_->EndDoc();
        ASSERT_EQ(panel.Drawn.size(), 1u);
        const TRect& drawn = panel.Drawn[0];
        EXPECT_EQ(drawn.Right - drawn.Left, c.logical.Right) << c.resolution;
        EXPECT_EQ(drawn.Bottom - drawn.Top, c.logical.Bottom) << c.resolution;
        EXPECT_FALSE(panel.IsPrinting);
        const QImage& page = recording_->Pages().at(0);
        for (const auto& [x, y] : {std::pair{101, 101}, {498, 348}, {300, 200}})
            EXPECT_EQ(page.pixel(x, y), 0xFFFF0000u) << c.resolution << " inside at " << x << "," << y;
        for (const auto& [x, y] : {std::pair{98, 98}, {502, 352}, {300, 360}, {510, 200}})
            EXPECT_EQ(page.pixel(x, y), 0xFFFFFFFFu) << c.resolution << " outside at " << x << "," << y;
    }
}

TEST_F(PrinterTest, AnEmptyPrintRectanglePrintsNothing)
{
    Install(1000, 800);
    TTestPanel panel;
    recording_->BeginDoc();
    panel.PrintPartialCanvas(recording_->Canvas(), {100, 100, 100, 300});
    panel.PrintPartialCanvas(recording_->Canvas(), {100, 100, 300, 100});
    recording_->EndDoc();
    EXPECT_TRUE(panel.Drawn.empty());
    EXPECT_FALSE(panel.IsPrinting);
}

TEST_F(PrinterTest, PrintingPanelDecorationsCanBeLeftOut)
{
    Install(400, 250);
    TTestPanel panel;
    panel.SetColor(clBlack);
    recording_->BeginDoc();
    PrintPanelDecorations = false;
    panel.PrintPartialCanvas(recording_->Canvas(), {0, 0, 400, 250});
    PrintPanelDecorations = true;
    recording_->NewPage();
    panel.PrintPartialCanvas(recording_->Canvas(), {0, 0, 400, 250});
    recording_->EndDoc();
    EXPECT_EQ(recording_->Pages().at(0).pixel(399, 100), 0xFFFFFFFFu) << "no bevel: the page stays white";
    EXPECT_EQ(recording_->Pages().at(1).pixel(0, 100), 0xFFFFFFFFu) << "the raised bevel's white edge";
    EXPECT_EQ(recording_->Pages().at(1).pixel(399, 100), 0xFFA0A0A0u);
}

// ---------------------------------------------------------------- copying and streaming

TEST_F(PanelTest, AssignCopiesThePanelSettings)
{
    TTestPanel source, copy;
    source.SetBevelInner(bvLowered);
    source.SetBorderRound(7);
    source.SetMarginUnits(muPixels);
    source.SetMarginTop(33);
    source.Shadow().SetHorizSize(5);
    source.Panning().InsideBounds = true;
    source.Panning().MouseWheel = pmwInverted;
    source.PrintMargins = {1, 2, 3, 4};
    source.SetView3D(false);
    source.View3DOptions().SetRotation(20);
    copy.Assign(&source);
    EXPECT_EQ(copy.BevelInner(), bvLowered);
    EXPECT_EQ(copy.BorderRound(), 7);
    EXPECT_EQ(copy.MarginUnits(), muPixels);
    EXPECT_EQ(copy.MarginTop(), 33);
    EXPECT_EQ(copy.Shadow().HorizSize(), 5);
    EXPECT_TRUE(copy.Panning().InsideBounds);
    EXPECT_EQ(copy.Panning().MouseWheel, pmwNormal) << "only InsideBounds travels";
    EXPECT_EQ(copy.PrintMargins, (TRect{1, 2, 3, 4}));
    EXPECT_FALSE(copy.View3D());
    EXPECT_EQ(copy.View3DOptions().Rotation(), 20);
}

TEST_F(PanelTest, TheOldBorderStyleSwitchMapsOntoTheBorderPen)
{
    TTestPanel panel;
    EXPECT_EQ(panel.GetBorderStyle(), bsNone);
    panel.SetBorderStyle(bsSingle);
    EXPECT_TRUE(panel.Border().Visible());
    EXPECT_EQ(panel.GetBorderStyle(), bsSingle);
    panel.SetBorderStyle(bsNone);
    EXPECT_FALSE(panel.Border().Visible());
}

TEST_F(PanelTest, AutomaticTextZoomFollowsTheSizeAfterLoading)
{
    TTestPanel panel;
    panel.View3DOptions().SetZoomText(ztAuto);
    panel.LoadedWidth = 400;
    panel.LoadedHeight = 250;
    panel.SetBounds(0, 0, 600, 250);
    EXPECT_EQ(panel.View3DOptions().FontZoom(), 150);
    panel.SetBounds(0, 0, 300, 125);
    EXPECT_EQ(panel.View3DOptions().FontZoom(), 75);
}

}  // namespace

namespace {

std::string PanelText(TCustomDuvPanel& panel)
{
    return enginetest::ComponentTextOf(panel);
}

void ReadPanelText(TCustomDuvPanel& panel, const std::string& lines)
{
    enginetest::ReadComponentText(panel, lines);
}

TEST_F(PanelTest, APanelStreamsItsChangedSettingsAndReadsThemBack)
{
    TCustomDuvPanel panel(nullptr);
    panel.SetName("Panel1");
    const std::string fresh = PanelText(panel);
    EXPECT_EQ(fresh.find("Margin"), std::string::npos) << fresh;
    EXPECT_EQ(fresh.find("View3D ="), std::string::npos) << fresh;
    EXPECT_NE(fresh.find("DefaultCanvas = 'TGDIPlusCanvas'"), std::string::npos) << fresh;

    panel.SetMarginUnits(muPixels);
    panel.SetMarginTop(9);
    panel.SetView3D(false);
    panel.SetBorderRound(12);
    panel.Shadow().SetHorizSize(4);
    panel.Border().SetVisible(true);
    panel.SetPrintResolution(-20);
    const std::string changed = PanelText(panel);
    TCustomDuvPanel copy(nullptr);
    ReadPanelText(copy, changed);
    EXPECT_EQ(copy.MarginUnits(), muPixels);
    EXPECT_EQ(copy.MarginTop(), 9);
    EXPECT_FALSE(copy.View3D());
    EXPECT_EQ(copy.BorderRound(), 12);
    EXPECT_EQ(copy.Shadow().HorizSize(), 4);
    EXPECT_TRUE(copy.Border().Visible());
    EXPECT_EQ(copy.PrintResolution(), -20);
    EXPECT_TRUE(copy.AutoRepaint) << "reading ends with repainting on";
    EXPECT_EQ(PanelText(copy), changed);
}

TEST_F(PanelTest, TheOldBorderStylePropertyIsReadIntoTheBorderPen)
{
    for (const auto& [ident, visible] : {std::pair{"bsSingle", true}, {"bsNone", false}}) {
        TCustomDuvPanel panel(nullptr);
        ReadPanelText(panel, std::string("object Panel1: TCustomDuvPanel\r\n  BorderStyle = ") + ident + "\r\nend\r\n");
        EXPECT_EQ(panel.Border().Visible(), visible) << ident;
        EXPECT_EQ(PanelText(panel).find("BorderStyle"), std::string::npos) << "never written";
    }
}

TEST_F(PanelTest, AnUnknownCanvasClassFallsBackToTheGdiCanvasAfterLoading)
{
    TCustomDuvPanel panel(nullptr);
    ReadPanelText(panel, "object Panel1: TCustomDuvPanel\r\n  DefaultCanvas = 'TNoSuchCanvas'\r\nend\r\n");
    EXPECT_NE(dynamic_cast<TDuvCanvas3D*>(&panel.Canvas()), nullptr);
    EXPECT_EQ(panel.LoadedWidth, 400);
}

}  // namespace

namespace {

TEST_F(PanelTest, PrintingToPdfPutsTheDrawingInsideThePrinterRectangle)
{
    qbtest::TempDir dir;
    auto pdf = std::make_unique<TQtPrinter>();
    pdf->SetOutputFileName(dir.file("chart.pdf"));
    std::unique_ptr<TPrinter> previous = SetPrinter(std::move(pdf));
    TTestPanel panel;
    panel.SetBounds(0, 0, 400, 200);
    panel.SetBevelOuter(bvNone);
    panel.Draw = [](TTestPanel& p, const TRect& r) {
        p.Canvas().Brush().SetColor(0x404040);
        p.Canvas().ApplyBrush(p.Canvas().Brush());
        p.Canvas().FillRect(r);
    };
    const TRect page = panel.PrinterDrawRect();
    const double scale = 72.0 / Printer().LogPixelsX();
    Printer().BeginDoc();
    panel.PrintInRect(page);
    Printer().EndDoc();
    SetPrinter(std::move(previous));

    enginetest::Run({"/usr/bin/pdftoppm", "-r", "72", "-png", "-singlefile", dir.file("chart.pdf"), dir.file("page")});
    QImage image(QString::fromStdString(dir.file("page.png")));
    ASSERT_FALSE(image.isNull());
    QRect inked;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 128) inked |= QRect(x, y, 1, 1);
    const QRect expected(QPoint(static_cast<int>(page.Left * scale), static_cast<int>(page.Top * scale)),
                         QPoint(static_cast<int>(page.Right * scale) - 1, static_cast<int>(page.Bottom * scale) - 1));
    ASSERT_FALSE(inked.isEmpty());
    EXPECT_LE(std::abs(inked.left() - expected.left()), 1) << inked.left() << " " << expected.left();
    EXPECT_LE(std::abs(inked.top() - expected.top()), 1);
    EXPECT_LE(std::abs(inked.right() - expected.right()), 1);
    EXPECT_LE(std::abs(inked.bottom() - expected.bottom()), 1);
}

}  // namespace

namespace {

// The panel's metafile read back by an outside reader: its shapes and the text's place.
struct TReadBack {
    std::vector<svgjudge::TSvgItem> items;
    std::optional<QPointF> textAt;
    QString text;
};

TReadBack ReadBackMetafile(TTestPanel& panel, bool enhanced, const qbtest::TempDir& dir)
{
    const std::string file = dir.file(enhanced ? "chart.emf" : "chart.wmf"), svg = file + ".svg";
    if (enhanced) {
        panel.SaveAsEMF(file);
        enginetest::Run({"/usr/bin/emf2svg-conv", "-i", file, "-o", svg});
    } else {
        panel.SaveAsWMF(file);
        enginetest::Run({"/usr/bin/wmf2svg", "-o", svg, file});
    }
    TReadBack result;
    result.items = svgjudge::ReadSvg(svg);
    for (const svgjudge::TSvgItem& item : result.items)
        if (item.tag == "text" && !item.text.isEmpty()) {
            if (!result.textAt) result.textAt = item.points.front();
            result.text += item.text;
        }
    return result;
}

TEST_F(PanelTest, EmfAndWmfShowTheSameShapesAndTextAtTheSamePlaces)
{
    TTestPanel panel;
    panel.SetBounds(0, 0, 200, 120);
    panel.SetBevelOuter(bvNone);
    panel.Draw = enginetest::DrawSampleScene;
    qbtest::TempDir dir;
    const TReadBack emf = ReadBackMetafile(panel, true, dir), wmf = ReadBackMetafile(panel, false, dir);
    struct Shape {
        const char* name;
        TRect box;
        QColor fill;
    } const shapes[] = {{"red rectangle", enginetest::kRedRect, Qt::red},
                        {"blue rectangle", enginetest::kBlueRect, Qt::blue},
                        {"green ellipse", enginetest::kGreenEllipse, QColor(0, 128, 0)}};
    for (const TReadBack* read : {&emf, &wmf}) {
        const char* format = read == &emf ? "EMF" : "WMF";
        // The WMF reader maps the drawing's extent widened by its pens onto the frame: points far
        // from the origin come out up to two pixels short.
        const double tolerance = read == &emf ? 1.0 : 2.5;
        for (const Shape& shape : shapes) {
            const bool found = std::any_of(read->items.begin(), read->items.end(), [&](const svgjudge::TSvgItem& i) {
                const QRectF r = svgjudge::Bounds(i.points);
                return i.fill && i.fill->rgb() == shape.fill.rgb() && std::abs(r.left() - shape.box.Left) <= tolerance &&
                       std::abs(r.top() - shape.box.Top) <= tolerance &&
                       std::abs(r.right() - shape.box.Right) <= tolerance &&
                       std::abs(r.bottom() - shape.box.Bottom) <= tolerance;
            });
            std::string listing;
            for (const svgjudge::TSvgItem& i : read->items) {
                const QRectF r = svgjudge::Bounds(i.points);
                listing += i.tag.toStdString() + " " + (i.fill ? i.fill->name().toStdString() : "-") + " " +
                           std::to_string(r.left()) + "," + std::to_string(r.top()) + "," + std::to_string(r.right()) +
                           "," + std::to_string(r.bottom()) + "\n";
            }
            EXPECT_TRUE(found) << format << ": " << shape.name << "\n" << listing;
        }
        EXPECT_EQ(read->text.toStdString(), "Quellbrook") << format;
        ASSERT_TRUE(read->textAt) << format;
        EXPECT_LE(std::abs(read->textAt->x() - enginetest::kTextX), tolerance) << format;
    }
    ASSERT_TRUE(emf.textAt && wmf.textAt);
    EXPECT_LE(std::abs(emf.textAt->y() - wmf.textAt->y()), 2.5) << "the same baseline";
}

}  // namespace

namespace {

TEST_F(PanelTest, TheEditorOptionNamesTheCanvasOfNewPanels)
{
    WriteEditorString("DefaultCanvas", "TDuvCanvas3D");
    TTestPanel chosen;
    EXPECT_EQ(chosen.DefaultCanvas(), "TDuvCanvas3D");
    WriteEditorString("DefaultCanvas", "TNoSuchCanvas");
    TTestPanel unknown;
    EXPECT_EQ(unknown.DefaultCanvas(), "TNoSuchCanvas") << "kept for when such a canvas is installed";
    EXPECT_NE(dynamic_cast<TDuvCanvas3D*>(&unknown.Canvas()), nullptr);
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey(std::string("\\") + EditorOptionsKey, false));
    registry.DeleteValue("DefaultCanvas");
}

}  // namespace

namespace {

TEST_F(PanelTest, ABitmapFileOpensElsewhereWithItsSizeResolutionAndWhiteBackground)
{
    TTestPanel panel;
    panel.SetBounds(0, 0, 200, 120);
    panel.SetColor(clSilver);
    panel.Draw = enginetest::DrawSampleScene;
    qbtest::TempDir dir;
    panel.SaveAsBitmapFile(dir.file("chart.bmp"));
    EXPECT_EQ(enginetest::Run({"/usr/bin/identify", "-format", "%w %h", dir.file("chart.bmp")}), "200 120");
    const auto pixel = [&](const std::string& file, int x, int y) {
        return enginetest::Run({"/usr/bin/convert", file, "-format",
                                "%[fx:int(255*p{" + std::to_string(x) + "," + std::to_string(y) + "}.r)]," +
                                    "%[fx:int(255*p{" + std::to_string(x) + "," + std::to_string(y) + "}.g)]," +
                                    "%[fx:int(255*p{" + std::to_string(x) + "," + std::to_string(y) + "}.b)]",
                                "info:"});
    };
    EXPECT_EQ(pixel(dir.file("chart.bmp"), 100, 5), "255,255,255") << "white, not the panel colour";
    EXPECT_EQ(pixel(dir.file("chart.bmp"), 50, 40), "255,0,0");

    const std::unique_ptr<QImage> stamped = panel.RenderBitmap(clWhite, panel.GetPanelRect(), 300);
    qbtest::WriteFileBytes(dir.file("stamped.bmp"), WriteBitmapData(*stamped));
    const std::string resolution = enginetest::Run(
        {"/usr/bin/identify", "-units", "PixelsPerInch", "-format", "%[fx:int(resolution.x+0.5)]", dir.file("stamped.bmp")});
    EXPECT_EQ(resolution, "300");
}

}  // namespace

namespace {

TEST_F(PanelTest, FontHeightOfSetsTheFontWithTheViewsZoom)
{
    TTestPanel panel;
    TDuvFont small, large;
    small.SetSize(8);
    large.SetSize(20);
    const int smallHeight = panel.FontHeightOf(small), largeHeight = panel.FontHeightOf(large);
    EXPECT_GT(largeHeight, smallHeight);
    EXPECT_EQ(panel.Canvas().Font().Size(), 20);
    panel.View3DOptions().SetFontZoom(200);
    panel.DrawToCanvas(nullptr, panel.GetPanelRect());  // the canvas takes the zoom when drawing starts
    EXPECT_GT(panel.FontHeightOf(large), largeHeight * 3 / 2);
}

}  // namespace
