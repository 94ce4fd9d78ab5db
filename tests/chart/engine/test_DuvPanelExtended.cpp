#include <gtest/gtest.h>

#include <QImage>
#include <functional>
#include <memory>
#include <string>

#include "chart/engine/DuvPanelExtended.h"
#include "chart/graphics/DuvGradient.h"
#include "chart/graphics/DuvShadow.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentText.h"
#include "platform/core/ComponentWriter.h"
#include "platform/core/Streams.h"
#include "support_ChartEngine.h"

namespace {

// An extended panel whose contents are its background, then whatever Draw adds.
class TExtendedTestPanel : public TCustomDuvPanelExtended {
public:
    explicit TExtendedTestPanel(int width, int height) : TCustomDuvPanelExtended(nullptr)
    {
        SetBounds(0, 0, width, height);
        SetBevelOuter(bvNone);
        SetColor(kPanelColor);
    }
    static constexpr TColor kPanelColor = 0x336699;
    std::function<void(TExtendedTestPanel&, const TRect&)> Draw;
    void DrawContents(const TRect& r) override
    {
        DrawPanelBackground(r);
        if (Draw) Draw(*this, r);
    }
};

// A window around the panel, of another colour.
class TFakeWindow : public IPanelWindow {
public:
    TFakeWindow(TCustomDuvPanel& panel, TColor parent) : panel_(panel), parent_(parent) {}
    void RepaintWindow() override {}
    TRect ClientRect() const override { return {0, 0, panel_.Width(), panel_.Height()}; }
    void SetRoundRegion(int) override {}
    void ShowCursor(TCursor) override {}
    bool CanFocus() const override { return false; }
    bool Focused() const override { return false; }
    bool ParentFocused() const override { return false; }
    void TakeFocus() override {}
    TPoint MousePos() const override { return {}; }
    TColor ParentBackground() const override { return parent_; }

private:
    TCustomDuvPanel& panel_;
    TColor parent_;
};

QRgb Rgb(TColor color) { return qRgb(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF); }

QRgb PixelAt(const QImage& image, int x, int y) { return image.pixel(x, y) | 0xFF000000u; }

// Green, with a blue top-left and a magenta bottom-right pixel to find where it landed.
QImage MarkedPicture(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(qRgb(0, 160, 0));
    picture.setPixel(0, 0, qRgb(0, 0, 255));
    picture.setPixel(width - 1, height - 1, qRgb(255, 0, 255));
    return picture;
}

constexpr QRgb kBlue = 0xFF0000FF, kMagenta = 0xFFFF00FF, kGreen = 0xFF00A000;

class ExtendedPanelTest : public testing::Test {
protected:
    void SetUp() override { enginetest::StartChartModules(); }
};

std::string PanelText(TCustomDuvPanel& panel)
{
    return enginetest::ComponentTextOf(panel);
}

void ReadPanelText(TCustomDuvPanel& panel, const std::string& lines)
{
    enginetest::ReadComponentText(panel, lines);
}

std::string PanelObject(const std::string& body)
{
    return "object Panel1: TCustomDuvPanelExtended\r\n" + body + "end\r\n";
}

// ---------------------------------------------------------------- zoom settings

TEST_F(ExtendedPanelTest, ANewPanelHasTheDocumentedZoomAndScrollSettings)
{
    TCustomDuvPanelExtended panel(nullptr);
    EXPECT_EQ(panel.AllowPanning(), pmBoth);
    EXPECT_EQ(panel.ScrollMouseButton(), mbRight);
    EXPECT_EQ(panel.ZoomWheel(), pmwNone);
    EXPECT_FALSE(panel.Zoomed);
    EXPECT_EQ(panel.PeekGradient(), nullptr);
    EXPECT_EQ(panel.PeekBackImage(), nullptr);
    EXPECT_FALSE(panel.HasBackImage());

    TDuvZoom& zoom = panel.Zoom();
    EXPECT_TRUE(zoom.Allow);
    EXPECT_FALSE(zoom.Animated);
    EXPECT_EQ(zoom.AnimatedSteps, 8);
    EXPECT_EQ(zoom.Direction, tzdBoth);
    EXPECT_FALSE(zoom.FullRepaint);
    EXPECT_FALSE(zoom.History());
    EXPECT_FALSE(zoom.KeepAspectRatio);
    EXPECT_TRUE(zoom.KeyShift.Empty());
    EXPECT_EQ(zoom.MinimumPixels, 16);
    EXPECT_EQ(zoom.MouseButton, mbLeft);
    EXPECT_EQ(zoom.MouseWheel, pmwNone);
    EXPECT_FALSE(zoom.UpLeftZooms);
    EXPECT_EQ(zoom.PeekPen(), nullptr);
    EXPECT_EQ(zoom.PeekBrush(), nullptr);
    EXPECT_EQ(zoom.PeekZoomHistory(), nullptr);

    EXPECT_EQ(zoom.GetPen()->Color(), clSilver);
    EXPECT_EQ(zoom.GetPen()->Width(), 3);
    EXPECT_EQ(zoom.GetPen()->EndStyle(), esFlat);
    EXPECT_EQ(zoom.GetBrush()->Color(), clWhite);
    EXPECT_EQ(zoom.GetBrush()->Style(), bsClear);
}

TEST_F(ExtendedPanelTest, SwitchingHistoryOffEmptiesTheSnapshots)
{
    TDuvZoom zoom;
    zoom.SetHistory(true);
    TZoomSnapshot* snapshot = zoom.ZoomHistory().Add();
    EXPECT_EQ(snapshot->AxisRanges.size(), 8u);
    zoom.ZoomHistory().Add()->CustomAxisRanges.push_back({1.0, 2.0});
    ASSERT_EQ(zoom.ZoomHistory().Count(), 2);
    zoom.SetHistory(false);
    EXPECT_EQ(zoom.ZoomHistory().Count(), 0);
}

TEST_F(ExtendedPanelTest, UndoZoomAlwaysTellsAndClearsZoomed)
{
    TCustomDuvPanelExtended panel(nullptr);
    struct Handler {
        int told = 0;
        void Undone(TObject*) { ++told; }
    } handler;
    panel.OnUndoZoom = {&handler, &Handler::Undone};
    panel.UndoZoom();
    EXPECT_EQ(handler.told, 1) << "even when nothing was zoomed";
    panel.Zoomed = true;
    panel.UndoZoom();
    EXPECT_EQ(handler.told, 2);
    EXPECT_FALSE(panel.Zoomed);
}

TEST_F(ExtendedPanelTest, OldStreamsSetTheZoomThroughTheirOwnPropertyNames)
{
    struct Case {
        const char* line;
        std::function<bool(TCustomDuvPanelExtended&)> holds;
    } const cases[] = {
        {"  AllowZoom = False\r\n", [](TCustomDuvPanelExtended& p) { return !p.Zoom().Allow && !p.GetAllowZoom(); }},
        {"  AllowZoom = True\r\n", [](TCustomDuvPanelExtended& p) { return p.Zoom().Allow; }},
        {"  AnimatedZoom = True\r\n", [](TCustomDuvPanelExtended& p) { return p.Zoom().Animated; }},
        {"  AnimatedZoomSteps = 20\r\n", [](TCustomDuvPanelExtended& p) { return p.Zoom().AnimatedSteps == 20; }},
        {"  PrintMargins = (\r\n    10\r\n    11\r\n    12\r\n    13)\r\n",
         [](TCustomDuvPanelExtended& p) { return p.PrintMargins == TRect{10, 11, 12, 13}; }},
        {"  BackImageMode = pbmTile\r\n",
         [](TCustomDuvPanelExtended& p) { return p.GetBackImage()->Mode() == pbmTile; }},
        {"  BackImageInside = True\r\n",
         [](TCustomDuvPanelExtended& p) { return p.PeekBackImage() && p.PeekBackImage()->Inside(); }},
    };
    for (const Case& c : cases) {
        TCustomDuvPanelExtended panel(nullptr);
        if (std::string(c.line).find("AllowZoom = True") != std::string::npos) panel.Zoom().Allow = false;
        ReadPanelText(panel, PanelObject(c.line));
        EXPECT_TRUE(c.holds(panel)) << c.line;
        const std::string written = PanelText(panel);
        for (const char* old : {"AllowZoom", "AnimatedZoom", "BackImageMode", "BackImageInside"})
            EXPECT_EQ(written.find(old), std::string::npos) << old << " is never written: " << written;
    }
}

TEST_F(ExtendedPanelTest, PrintMarginsAreWrittenOnlyWhenNotFifteen)
{
    struct Case {
        TRect margins;
        bool written;
    } const cases[] = {
        {{15, 15, 15, 15}, false}, {{10, 10, 10, 10}, true}, {{15, 15, 15, 14}, true}, {{0, 15, 15, 15}, true}};
    for (const Case& c : cases) {
        TCustomDuvPanelExtended panel(nullptr);
        panel.SetName("Panel1");
        panel.PrintMargins = c.margins;
        const std::string text = PanelText(panel);
        EXPECT_EQ(text.find("PrintMargins") != std::string::npos, c.written) << text;
        TCustomDuvPanelExtended copy(nullptr);
        copy.PrintMargins = {1, 2, 3, 4};
        ReadPanelText(copy, text);
        if (c.written) {
            EXPECT_EQ(copy.PrintMargins, c.margins);
        }
    }
}

// ---------------------------------------------------------------- copying

TEST_F(ExtendedPanelTest, AssigningAZoomCopiesEverySetting)
{
    TDuvZoom source;
    source.Allow = false;
    source.Animated = true;
    source.AnimatedSteps = 3;
    source.Direction = tzdVertical;
    source.FullRepaint = true;
    source.SetHistory(true);
    source.KeepAspectRatio = true;
    source.KeyShift = TShiftState{ssCtrl};
    source.MinimumPixels = 30;
    source.MouseButton = mbMiddle;
    source.MouseWheel = pmwInverted;
    source.UpLeftZooms = true;
    source.GetPen()->SetColor(clRed);
    source.GetBrush()->SetStyle(bsSolid);

    TDuvZoom dest;
    dest.Assign(&source);
    EXPECT_FALSE(dest.Allow);
    EXPECT_TRUE(dest.Animated);
    EXPECT_EQ(dest.AnimatedSteps, 3);
    EXPECT_EQ(dest.Direction, tzdVertical);
    EXPECT_TRUE(dest.FullRepaint);
    EXPECT_TRUE(dest.History());
    EXPECT_TRUE(dest.KeepAspectRatio);
    EXPECT_EQ(dest.KeyShift, TShiftState{ssCtrl});
    EXPECT_EQ(dest.MinimumPixels, 30);
    EXPECT_EQ(dest.MouseButton, mbMiddle);
    EXPECT_EQ(dest.MouseWheel, pmwInverted);
    EXPECT_TRUE(dest.UpLeftZooms);
    ASSERT_NE(dest.PeekPen(), nullptr);
    EXPECT_EQ(dest.PeekPen()->Color(), clRed);
    ASSERT_NE(dest.PeekBrush(), nullptr);
    EXPECT_EQ(dest.PeekBrush()->Style(), bsSolid);

    // A fresh zoom resets a used one to the defaults, the file's as well.
    TDuvZoom fresh;
    dest.Assign(&fresh);
    EXPECT_EQ(dest.MinimumPixels, 16);
    EXPECT_EQ(dest.MouseWheel, pmwNone);
    EXPECT_FALSE(dest.UpLeftZooms);
    EXPECT_EQ(dest.PeekPen(), nullptr);
    EXPECT_EQ(dest.PeekBrush(), nullptr);

    TDuvPanning other;
    dest.Assign(&other);  // another class: ignored
    EXPECT_EQ(dest.MinimumPixels, 16);
}

TEST_F(ExtendedPanelTest, AssigningAPanelCopiesBackImageGradientAndZoom)
{
    TCustomDuvPanelExtended source(nullptr);
    const QImage picture = MarkedPicture(8, 6);
    source.GetBackImage()->SetGraphic(&picture);
    source.GetBackImage()->SetMode(pbmCenter);
    source.GetGradient()->SetVisible(true);
    source.GetGradient()->SetStartColor(clRed);
    source.SetAllowPanning(pmVertical);
    source.SetScrollMouseButton(mbMiddle);
    source.Zoom().MinimumPixels = 30;
    source.SetMarginLeft(9);

    TCustomDuvPanelExtended dest(nullptr);
    dest.Assign(&source);
    ASSERT_TRUE(dest.HasBackImage());
    EXPECT_EQ(dest.PeekBackImage()->Mode(), pbmCenter);
    EXPECT_EQ(dest.PeekBackImage()->Graphic()->pixel(0, 0), kBlue);
    ASSERT_NE(dest.PeekGradient(), nullptr);
    EXPECT_TRUE(dest.PeekGradient()->Visible());
    EXPECT_EQ(dest.PeekGradient()->StartColor(), clRed);
    EXPECT_EQ(dest.AllowPanning(), pmVertical);
    EXPECT_EQ(dest.ScrollMouseButton(), mbMiddle);
    EXPECT_EQ(dest.Zoom().MinimumPixels, 30);
    EXPECT_EQ(dest.MarginLeft(), 9) << "the base panel's settings come along";

    TCustomDuvPanelExtended plain(nullptr);
    dest.Assign(&plain);
    EXPECT_EQ(dest.PeekBackImage(), nullptr) << "no back image frees the own one";
    EXPECT_EQ(dest.PeekGradient(), nullptr);
    EXPECT_EQ(dest.Zoom().MinimumPixels, 16);
}

TEST_F(ExtendedPanelTest, AssigningABackImageCopiesItsPlacement)
{
    TBackImage source;
    source.SetRect({1, 2, 3, 4});
    source.SetMode(pbmCustom);
    source.SetInside(true);
    source.SetDrawQuality(sqLow);
    TBackImage dest;
    dest.Assign(&source);
    EXPECT_EQ(dest.Left(), 1);
    EXPECT_EQ(dest.Top(), 2);
    EXPECT_EQ(dest.Right(), 3);
    EXPECT_EQ(dest.Bottom(), 4);
    EXPECT_EQ(dest.Mode(), pbmCustom);
    EXPECT_TRUE(dest.Inside());
    EXPECT_EQ(dest.DrawQuality(), sqLow);

    int notified = 0;
    dest.OnChange = [&notified](TObject*) { ++notified; };
    dest.SetRect({5, 6, 7, 8});
    dest.SetRect({5, 6, 7, 8});
    EXPECT_EQ(notified, 1) << "one notice for the four, none without a change";
}

// ---------------------------------------------------------------- streaming

TEST_F(ExtendedPanelTest, ANewPanelWritesNoneOfItsOwnSettings)
{
    TCustomDuvPanelExtended panel(nullptr);
    panel.SetName("Panel1");
    // Made but untouched, they are still at their defaults.
    panel.GetGradient();
    panel.GetBackImage();
    panel.Zoom().GetPen();
    panel.Zoom().GetBrush();
    panel.Zoom().ZoomHistory();
    const std::string text = PanelText(panel);
    for (const char* name : {"AllowPanning", "ScrollMouseButton", "ZoomWheel", "Zoom.", "Zoom =", "Gradient",
                             "BackImage",
                             "PrintMargins", "Pen", "Brush", "Mode", "Allow"})
        EXPECT_EQ(text.find(name), std::string::npos) << name << " in " << text;
}

TEST_F(ExtendedPanelTest, EachChangedSettingIsWrittenAndReadBack)
{
    struct Case {
        const char* name;
        std::function<void(TCustomDuvPanelExtended&)> change;
        std::function<bool(TCustomDuvPanelExtended&)> holds;
    } const cases[] = {
        {"AllowPanning", [](auto& p) { p.SetAllowPanning(pmNone); },
         [](auto& p) { return p.AllowPanning() == pmNone; }},
        {"ScrollMouseButton", [](auto& p) { p.SetScrollMouseButton(mbLeft); },
         [](auto& p) { return p.ScrollMouseButton() == mbLeft; }},
        {"ZoomWheel", [](auto& p) { p.SetZoomWheel(pmwNormal); }, [](auto& p) { return p.ZoomWheel() == pmwNormal; }},
        {"Zoom.Allow", [](auto& p) { p.Zoom().Allow = false; }, [](auto& p) { return !p.Zoom().Allow; }},
        {"Zoom.Animated", [](auto& p) { p.Zoom().Animated = true; }, [](auto& p) { return p.Zoom().Animated; }},
        {"Zoom.AnimatedSteps", [](auto& p) { p.Zoom().AnimatedSteps = 4; },
         [](auto& p) { return p.Zoom().AnimatedSteps == 4; }},
        {"Zoom.Direction", [](auto& p) { p.Zoom().Direction = tzdHorizontal; },
         [](auto& p) { return p.Zoom().Direction == tzdHorizontal; }},
        {"Zoom.History", [](auto& p) { p.Zoom().SetHistory(true); }, [](auto& p) { return p.Zoom().History(); }},
        {"Zoom.KeepAspectRatio", [](auto& p) { p.Zoom().KeepAspectRatio = true; },
         [](auto& p) { return p.Zoom().KeepAspectRatio; }},
        {"Zoom.KeyShift", [](auto& p) { p.Zoom().KeyShift = TShiftState{ssShift, ssAlt}; },
         [](auto& p) { return p.Zoom().KeyShift == TShiftState{ssShift, ssAlt}; }},
        {"Zoom.MinimumPixels", [](auto& p) { p.Zoom().MinimumPixels = 30; },
         [](auto& p) { return p.Zoom().MinimumPixels == 30; }},
        {"Zoom.MouseButton", [](auto& p) { p.Zoom().MouseButton = mbRight; },
         [](auto& p) { return p.Zoom().MouseButton == mbRight; }},
        {"Zoom.MouseWheel", [](auto& p) { p.Zoom().MouseWheel = pmwInverted; },
         [](auto& p) { return p.Zoom().MouseWheel == pmwInverted; }},
        {"Zoom.UpLeftZooms", [](auto& p) { p.Zoom().UpLeftZooms = true; },
         [](auto& p) { return p.Zoom().UpLeftZooms; }},
        {"Zoom.Pen.Color", [](auto& p) { p.Zoom().GetPen()->SetColor(clBlue); },
         [](auto& p) { return p.Zoom().PeekPen() && p.Zoom().PeekPen()->Color() == clBlue; }},
        {"Zoom.Pen.Width", [](auto& p) { p.Zoom().GetPen()->SetWidth(1); },
         [](auto& p) { return p.Zoom().PeekPen() && p.Zoom().PeekPen()->Width() == 1; }},
        {"Zoom.Pen.EndStyle", [](auto& p) { p.Zoom().GetPen()->SetEndStyle(esRound); },
         [](auto& p) { return p.Zoom().PeekPen() && p.Zoom().PeekPen()->EndStyle() == esRound; }},
        {"Zoom.Brush.Color", [](auto& p) { p.Zoom().GetBrush()->SetColor(clYellow); },
         [](auto& p) { return p.Zoom().PeekBrush() && p.Zoom().PeekBrush()->Color() == clYellow; }},
        {"Zoom.Brush.Style", [](auto& p) { p.Zoom().GetBrush()->SetStyle(bsSolid); },
         [](auto& p) { return p.Zoom().PeekBrush() && p.Zoom().PeekBrush()->Style() == bsSolid; }},
        {"Gradient.Visible", [](auto& p) { p.GetGradient()->SetVisible(true); },
         [](auto& p) { return p.PeekGradient() && p.PeekGradient()->Visible(); }},
        {"BackImage.Mode", [](auto& p) { p.GetBackImage()->SetMode(pbmTile); },
         [](auto& p) { return p.PeekBackImage() && p.PeekBackImage()->Mode() == pbmTile; }},
        {"BackImage.Inside", [](auto& p) { p.GetBackImage()->SetInside(true); },
         [](auto& p) { return p.PeekBackImage() && p.PeekBackImage()->Inside(); }},
        {"BackImage.DrawQuality", [](auto& p) { p.GetBackImage()->SetDrawQuality(sqLow); },
         [](auto& p) { return p.PeekBackImage() && p.PeekBackImage()->DrawQuality() == sqLow; }},
        {"BackImage.Left", [](auto& p) { p.GetBackImage()->SetLeft(7); },
         [](auto& p) { return p.PeekBackImage() && p.PeekBackImage()->Left() == 7; }},
        {"BackImage.Top", [](auto& p) { p.GetBackImage()->SetTop(-3); },
         [](auto& p) { return p.PeekBackImage() && p.PeekBackImage()->Top() == -3; }},
        {"BackImage.Right", [](auto& p) { p.GetBackImage()->SetRight(40); },
         [](auto& p) { return p.PeekBackImage() && p.PeekBackImage()->Right() == 40; }},
        {"BackImage.Bottom", [](auto& p) { p.GetBackImage()->SetBottom(20); },
         [](auto& p) { return p.PeekBackImage() && p.PeekBackImage()->Bottom() == 20; }},
        {"BackImage.Data",
         [](auto& p) {
             const QImage picture = MarkedPicture(5, 4);
             p.GetBackImage()->SetGraphic(&picture);
         },
         [](auto& p) { return p.HasBackImage() && p.PeekBackImage()->Graphic()->pixel(4, 3) == kMagenta; }},
    };
    for (const Case& c : cases) {
        TCustomDuvPanelExtended panel(nullptr);
        panel.SetName("Panel1");
        c.change(panel);
        const std::string text = PanelText(panel);
        const std::string name = std::string(c.name).substr(std::string(c.name).rfind('.') + 1);
        EXPECT_NE(text.find(name), std::string::npos) << c.name << " not written: " << text;
        TCustomDuvPanelExtended copy(nullptr);
        ReadPanelText(copy, text);
        EXPECT_TRUE(c.holds(copy)) << c.name << " not read back from " << text;
        EXPECT_EQ(PanelText(copy), text) << c.name;
    }
}

// ---------------------------------------------------------------- back image on the real canvas

TEST_F(ExtendedPanelTest, AThirtyTwoPixelPictureTilesFourColumnsAndThreeRowsOver100By70)
{
    TExtendedTestPanel panel(100, 70);
    const QImage picture = MarkedPicture(32, 32);
    panel.GetBackImage()->SetGraphic(&picture);
    panel.GetBackImage()->SetMode(pbmTile);
    const std::unique_ptr<QImage> image = panel.CreatePanelBitmap();
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 3; ++row)
            EXPECT_EQ(PixelAt(*image, column * 32, row * 32), kBlue) << "tile " << column << "," << row;
    EXPECT_EQ(PixelAt(*image, 31, 31), kMagenta);
    EXPECT_EQ(PixelAt(*image, 95, 63), kMagenta);
    EXPECT_EQ(PixelAt(*image, 99, 69), kGreen) << "the last tiles are cut at the edge";
}

TEST_F(ExtendedPanelTest, TilesAreClippedToTheRectangleTheyFill)
{
    // A shadow of 3, 3 leaves a 96 x 66 body: the fourth column and the third row are cut by it.
    TExtendedTestPanel panel(100, 70);
    panel.Shadow().SetHorizSize(3);
    panel.Shadow().SetVertSize(3);
    const QImage picture = MarkedPicture(32, 32);
    panel.GetBackImage()->SetGraphic(&picture);
    panel.GetBackImage()->SetMode(pbmTile);
    const std::unique_ptr<QImage> image = panel.CreatePanelBitmap();
    EXPECT_EQ(PixelAt(*image, 64, 64), kBlue);
    EXPECT_EQ(PixelAt(*image, 95, 10), kGreen);
    for (const auto& [x, y] : {std::pair{96, 10}, {98, 20}, {10, 66}, {97, 40}}) {
        EXPECT_NE(PixelAt(*image, x, y), kGreen) << x << "," << y;
        EXPECT_NE(PixelAt(*image, x, y), kBlue) << x << "," << y;
    }
}

TEST_F(ExtendedPanelTest, BackImageModesPlaceThePicture)
{
    struct Case {
        const char* name;
        int panelWidth, panelHeight, pictureWidth, pictureHeight;
        std::function<void(TBackImage&)> setUp;
        TRect expected;  // where the picture lands
    } const cases[] = {
        {"centred", 100, 60, 50, 30, [](TBackImage& b) { b.SetMode(pbmCenter); }, {25, 15, 75, 45}},
        {"centred, larger than the panel", 40, 30, 50, 40, [](TBackImage& b) { b.SetMode(pbmCenter); },
         {-5, -5, 45, 35}},
        {"custom at its own size", 100, 60, 20, 10,
         [](TBackImage& b) {
             b.SetMode(pbmCustom);
             b.SetLeft(10);
             b.SetTop(5);
         },
         {10, 5, 30, 15}},
        {"custom stretched", 100, 60, 20, 10,
         [](TBackImage& b) {
             b.SetMode(pbmCustom);
             b.SetDrawQuality(sqLow);
             b.SetRect({10, 5, 40, 20});
         },
         {10, 5, 50, 25}},
        {"stretched over the panel", 100, 60, 20, 10,
         [](TBackImage& b) {
             b.SetMode(pbmStretch);
             b.SetDrawQuality(sqLow);
         },
         {0, 0, 100, 60}},
    };
    const QRgb background = Rgb(TExtendedTestPanel::kPanelColor);
    for (const Case& c : cases) {
        TExtendedTestPanel panel(c.panelWidth, c.panelHeight);
        const QImage picture = MarkedPicture(c.pictureWidth, c.pictureHeight);
        panel.GetBackImage()->SetGraphic(&picture);
        c.setUp(*panel.GetBackImage());
        const std::unique_ptr<QImage> image = panel.CreatePanelBitmap();
        const TRect& e = c.expected;
        const auto inside = [&](int x, int y) { return x >= 0 && y >= 0 && x < c.panelWidth && y < c.panelHeight; };
        if (inside(e.Left, e.Top)) {
            EXPECT_EQ(PixelAt(*image, e.Left, e.Top), kBlue) << c.name;
        }
        if (inside(e.Right - 1, e.Bottom - 1)) {
            EXPECT_EQ(PixelAt(*image, e.Right - 1, e.Bottom - 1), kMagenta) << c.name;
        }
        const int midX = (e.Left + e.Right) / 2, midY = (e.Top + e.Bottom) / 2;
        EXPECT_EQ(PixelAt(*image, midX, midY), kGreen) << c.name;
        for (const auto& [x, y] : {std::pair{e.Left - 1, midY}, {e.Right, midY}, {midX, e.Top - 1}, {midX, e.Bottom}})
            if (inside(x, y)) {
                EXPECT_EQ(PixelAt(*image, x, y), background) << c.name << " outside at " << x << "," << y;
            }
    }
}

TEST_F(ExtendedPanelTest, AnInsideBackImageIsLeftToTheWalls)
{
    TExtendedTestPanel panel(60, 40);
    const QImage picture = MarkedPicture(60, 40);
    panel.GetBackImage()->SetGraphic(&picture);
    panel.GetBackImage()->SetInside(true);
    EXPECT_TRUE(panel.BackImageInside());
    const std::unique_ptr<QImage> image = panel.CreatePanelBitmap();
    EXPECT_EQ(PixelAt(*image, 30, 20), Rgb(TExtendedTestPanel::kPanelColor));
    EXPECT_EQ(PixelAt(*image, 0, 0), Rgb(TExtendedTestPanel::kPanelColor));
}

TEST_F(ExtendedPanelTest, ABackImageWithoutAPictureIsNotDrawnAndReportsNoTransparency)
{
    TExtendedTestPanel panel(40, 30);
    panel.GetBackImage()->SetMode(pbmCenter);
    panel.SetBackImageTransp(true);  // ignored without a picture
    EXPECT_FALSE(panel.BackImageTransp());
    EXPECT_FALSE(panel.BackImageInside());
    const std::unique_ptr<QImage> image = panel.CreatePanelBitmap();
    EXPECT_EQ(PixelAt(*image, 20, 15), Rgb(TExtendedTestPanel::kPanelColor));

    const QImage picture = MarkedPicture(10, 10);
    panel.GetBackImage()->SetGraphic(&picture);
    panel.SetBackImageTransp(true);
    EXPECT_TRUE(panel.BackImageTransp());
    panel.SetBackImageTransp(false);
    EXPECT_FALSE(panel.BackImageTransp());
}

// ---------------------------------------------------------------- panel background

TEST_F(ExtendedPanelTest, AShadowOfThreeEndsTheBodyFourPixelsEarly)
{
    TExtendedTestPanel panel(100, 60);
    panel.Shadow().SetHorizSize(3);
    panel.Shadow().SetVertSize(3);
    panel.Shadow().SetColor(clBlack);
    panel.Shadow().SetSmooth(false);
    panel.Shadow().SetTransparency(0);
    const std::unique_ptr<QImage> image = panel.CreatePanelBitmap();
    const QRgb body = Rgb(TExtendedTestPanel::kPanelColor), shadow = 0xFF000000;
    EXPECT_EQ(PixelAt(*image, 95, 30), body);
    EXPECT_EQ(PixelAt(*image, 96, 30), shadow) << "the body ends 4 pixels before the right edge";
    EXPECT_EQ(PixelAt(*image, 50, 55), body);
    EXPECT_EQ(PixelAt(*image, 50, 56), shadow);
    EXPECT_EQ(PixelAt(*image, 98, 58), shadow) << "the shadow lies 3 pixels to the right and below";
    EXPECT_EQ(PixelAt(*image, 99, 1), body) << "above the shadow the panel's erased colour";
    EXPECT_EQ(PixelAt(*image, 1, 59), body);
}

TEST_F(ExtendedPanelTest, ARoundedPanelShowsItsParentsColourInTheCorners)
{
    constexpr TColor parent = 0x00C000;
    TExtendedTestPanel panel(100, 60);
    panel.SetBorderRound(20);
    TFakeWindow window(panel, parent);
    panel.SetWindow(&window);
    const std::unique_ptr<QImage> image = panel.CreatePanelBitmap();
    panel.SetWindow(nullptr);
    EXPECT_EQ(PixelAt(*image, 0, 0), Rgb(parent));
    EXPECT_EQ(PixelAt(*image, 99, 59), Rgb(parent));
    EXPECT_EQ(PixelAt(*image, 50, 30), Rgb(TExtendedTestPanel::kPanelColor));
}

TEST_F(ExtendedPanelTest, TheZoomRectangleDrawnTwiceRestoresEveryPixel)
{
    TExtendedTestPanel panel(120, 80);
    panel.Zoom().GetBrush();  // an inverted fill too
    panel.Zoom().Activate(20, 15);
    panel.Zoom().X1 = 90;
    panel.Zoom().Y1 = 60;
    int times = 0;
    panel.Draw = [&times](TExtendedTestPanel& p, const TRect&) {
        for (int i = 0; i < times; ++i) p.DrawZoomRect();
    };
    const QImage plain = *panel.RenderBitmap(clWhite, panel.GetPanelRect(), 0);
    times = 1;
    const QImage once = *panel.RenderBitmap(clWhite, panel.GetPanelRect(), 0);
    times = 2;
    const QImage twice = *panel.RenderBitmap(clWhite, panel.GetPanelRect(), 0);
    EXPECT_EQ(PixelAt(once, 20, 40), Rgb(clSilver)) << "on the background the frame shows the pen colour";
    EXPECT_EQ(PixelAt(once, 55, 15), Rgb(clSilver));
    EXPECT_NE(once, plain);
    int changed = 0;
    for (int y = 0; y < plain.height(); ++y)
        for (int x = 0; x < plain.width(); ++x)
            if (PixelAt(plain, x, y) != PixelAt(twice, x, y)) ++changed;
    EXPECT_EQ(changed, 0);
}

TEST_F(ExtendedPanelTest, AVisibleGradientGivesTheBackgroundColour)
{
    struct Case {
        const char* name;
        std::function<void(TCustomDuvPanelExtended&)> setUp;
        TColor expected;
    } const cases[] = {
        {"no gradient", [](auto&) {}, TExtendedTestPanel::kPanelColor},
        {"hidden gradient", [](auto& p) { p.GetGradient()->SetStartColor(clRed); }, TExtendedTestPanel::kPanelColor},
        {"visible gradient",
         [](auto& p) {
             p.GetGradient()->SetStartColor(clRed);
             p.GetGradient()->SetVisible(true);
         },
         clRed},
    };
    for (const Case& c : cases) {
        TExtendedTestPanel panel(50, 40);
        c.setUp(panel);
        EXPECT_EQ(panel.GetBackgroundColor(), c.expected) << c.name;
    }
}

TEST_F(ExtendedPanelTest, APanelWithoutColourPaintsNoBackground)
{
    TExtendedTestPanel panel(60, 40);
    panel.SetColor(clNone);
    panel.Shadow().SetSize(4);
    panel.Shadow().SetColor(clBlack);
    const QImage image = *panel.RenderBitmap(clWhite, panel.GetPanelRect(), 0);
    for (const auto& [x, y] : {std::pair{30, 20}, {58, 38}, {0, 0}})
        EXPECT_EQ(PixelAt(image, x, y), 0xFFFFFFFFu) << x << "," << y;
}

}  // namespace
