#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QColorDialog>
#include <QEnterEvent>
#include <QFocusEvent>
#include <QImage>

#include "chart/graphics/DuvCanvas.h"
#include "chart/graphics/DuvPen.h"
#include "chart/graphics/RecordingCanvas.h"
#include "platform/core/ClassRegistry.h"
#include "chart/graphics/widgets/DuvControls.h"
#include "platform/core/Streams.h"
#include "platform/ui/NamedControls.h"
#include "platform/ui/ScriptedUiServices.h"

using testing::ElementsAre;
using testing::IsEmpty;

namespace {

QColor PixelAt(QWidget& widget, int x, int y) { return widget.grab().toImage().pixelColor(x, y); }

}  // namespace

TEST(DuvControls, SymbolRectangle)
{
    struct Case {
        const char* caption;
        int width, height, symbolWidth;
        TRect rect;
    };
    const Case cases[] = {
        {"OK", 75, 25, 0, {56, 7, 69, 19}},
        {"", 75, 25, 0, {9, 7, 66, 19}},  // no caption: centred, an eighth of the width as margin
        {"", 20, 20, 0, {4, 5, 16, 15}},  // never less than 4
        {"Colour", 100, 40, 30, {70, 10, 94, 30}},
        {"", 100, 40, 30, {70, 10, 94, 30}},
    };
    for (const Case& c : cases) {
        TDuvButton button;
        button.setText(c.caption);
        button.resize(c.width, c.height);
        button.SetSymbolWidth(c.symbolWidth);
        EXPECT_EQ(button.GetSymbolRect(), c.rect) << c.caption << " " << c.width;
    }
    TDuvButton plain;
    EXPECT_EQ(plain.size(), QSize(75, 25));
    EXPECT_TRUE(plain.SymbolVisible());
}

TEST(DuvControls, ColourButtonSymbol)
{
    TDuvPen pen;
    pen.SetColor(clNavy);
    struct Case {
        const char* what;
        std::function<void(TButtonColor&)> setUp;
        std::vector<std::string> drawn;
        TColor brush;
    };
    const Case cases[] = {
        {"stored colour", [](TButtonColor& b) { b.SetSymbolColor(clRed); }, {"Rectangle(56,7,69,19)"}, clRed},
        {"transparency byte cleared", [](TButtonColor& b) { b.SetSymbolColor(0x3F00FF00); },
         {"Rectangle(56,7,69,19)"}, 0x0000FF00},
        {"linked property", [&](TButtonColor& b) { b.LinkProperty(&pen, "Color"); }, {"Rectangle(56,7,69,19)"}, clNavy},
        {"callback before property",
         [&](TButtonColor& b) {
             b.LinkProperty(&pen, "Color");
             b.OnGetColor = [] { return TColor(clLime); };
         },
         {"Rectangle(56,7,69,19)"}, clLime},
        {"no colour", [](TButtonColor& b) { b.SetSymbolColor(clNone); }, {}, 0},
        {"disabled", [](TButtonColor& b) { b.SetSymbolColor(clRed), b.setEnabled(false); }, {}, 0},
        {"symbol hidden", [](TButtonColor& b) { b.SetSymbolColor(clRed), b.SetSymbolVisible(false); }, {}, 0},
    };
    for (const Case& c : cases) {
        TButtonColor button;
        button.setText("OK");
        c.setUp(button);
        TRecordingCanvas canvas;
        button.DrawSymbol(canvas);
        EXPECT_EQ(canvas.Texts(), c.drawn) << c.what;
        if (!canvas.Calls.empty()) {
            EXPECT_EQ(canvas.Calls[0].BrushColor, c.brush) << c.what;
        }
    }
    // a linked button writes its colour into the property
    TButtonColor linked;
    linked.LinkProperty(&pen, "Color");
    linked.SetSymbolColor(clYellow);
    EXPECT_EQ(pen.Color(), clYellow);
}

TEST(DuvControls, ColourButtonPaintsItsColour)
{
    TButtonColor button;
    Named(&button, "ButtonColor", "Colour");
    button.setText("Colour");
    button.resize(100, 40);
    button.SetSymbolColor(clRed);
    const TRect r = button.GetSymbolRect();
    const int x = (r.Left + r.Right) / 2, y = (r.Top + r.Bottom) / 2;
    EXPECT_EQ(PixelAt(button, x, y), QColor(255, 0, 0));
    button.setEnabled(false);
    EXPECT_NE(PixelAt(button, x, y), QColor(255, 0, 0));
}

TEST(DuvControls, ColourButtonClick)
{
    TScriptedUiServices ui;
    TScopedUiServices scope(ui);
    TButtonColor button;
    Named(&button, "ButtonColor", "Colour");
    int clicks = 0;
    button.OnClick = [&] { ++clicks; };
    button.SetSymbolColor(clRed);

    ui.Push(TUiAnswer::Cancel(TUiCallKind::Color));
    button.click();
    EXPECT_EQ(button.GetSymbolColor(), clRed);
    EXPECT_EQ(clicks, 0);

    ui.Push(TUiAnswer::ChooseColor(clRed));  // the same colour is no change
    button.click();
    EXPECT_EQ(clicks, 0);

    ui.Push(TUiAnswer::ChooseColor(clBlue));
    button.click();
    EXPECT_EQ(button.GetSymbolColor(), clBlue);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(ui.Pending(), 0);
    EXPECT_THAT(ui.Failures(), IsEmpty());
}

// The colour a linked button shows is the property's; the one it drew last may be stale.
TEST(DuvControls, LinkedColourButtonWritesTheChosenColour)
{
    TScriptedUiServices ui;
    TScopedUiServices scope(ui);
    TDuvPen pen;
    pen.SetColor(clNavy);
    TButtonColor button;
    Named(&button, "ButtonColor", "Colour");
    button.SetSymbolColor(clRed);
    button.LinkProperty(&pen, "Color");
    int clicks = 0;
    button.OnClick = [&] { ++clicks; };

    ui.Push(TUiAnswer::ChooseColor(clRed));
    button.click();
    EXPECT_EQ(pen.Color(), clRed);
    EXPECT_EQ(button.GetSymbolColor(), clRed);
    EXPECT_EQ(clicks, 1);

    // drawn in red, then the property changes behind the button's back
    TRecordingCanvas canvas;
    button.DrawSymbol(canvas);
    pen.SetColor(clGreen);
    ui.Push(TUiAnswer::ChooseColor(clRed));
    button.click();
    EXPECT_EQ(pen.Color(), clRed);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(ui.Pending(), 0);
}

TEST(DuvControls, CustomColoursLastFromDialogToDialog)
{
    TScriptedUiServices ui;
    TScopedUiServices scope(ui);
    FreeCustomColors();
    QColorDialog::setCustomColor(0, QColor(1, 2, 3));

    ui.Push(TUiAnswer::Cancel(TUiCallKind::Color));
    TColor colour = clRed;
    EXPECT_FALSE(EditColorValue(nullptr, colour, true));
    ASSERT_NE(CustomColors(), nullptr);
    EXPECT_THAT(*CustomColors(), IsEmpty());  // cancelling keeps nothing

    ui.Push(TUiAnswer::ChooseColor(clGreen));
    EXPECT_TRUE(EditColorValue(nullptr, colour, true));
    EXPECT_EQ(colour, clGreen);
    ASSERT_EQ(CustomColors()->size(), static_cast<std::size_t>(QColorDialog::customCount()));
    EXPECT_EQ(CustomColors()->at(0), TColor(0x030201));

    // the next dialog gets the kept colours back
    QColorDialog::setCustomColor(0, QColor(9, 9, 9));
    ui.Push(TUiAnswer::Cancel(TUiCallKind::Color));
    EXPECT_EQ(PickColor(nullptr, clRed, false), clRed);
    EXPECT_EQ(QColorDialog::customColor(0), QColor(1, 2, 3));
    FreeCustomColors();
    EXPECT_EQ(CustomColors(), nullptr);
}

TEST(DuvControls, FlatComboItems)
{
    TComboFlat combo;
    Named(&combo, "ComboFlat", "Choice");
    EXPECT_EQ(combo.height(), 21);
    EXPECT_FALSE(combo.isEditable());
    EXPECT_EQ(combo.ItemIndex(), -1);
    EXPECT_EQ(combo.GetSelectedText(), "");
    EXPECT_EQ(combo.GetSelectedObject(), nullptr);

    TDuvPen first, second;
    combo.AddItem("Line", &first);
    combo.AddItem("Points", &second);
    combo.AddItem("Bar");
    EXPECT_EQ(combo.ItemIndex(), -1);  // adding selects nothing
    combo.SetItemIndex(1);
    EXPECT_EQ(combo.GetSelectedText(), "Points");
    EXPECT_EQ(combo.GetSelectedObject(), &second);
    combo.SetItemIndex(2);
    EXPECT_EQ(combo.GetSelectedObject(), nullptr);

    EXPECT_EQ(combo.DropDownWidth(), combo.width());
    EXPECT_FALSE(combo.IsDropDownWidthStored());
    combo.SetDropDownWidth(combo.width() + 100);
    EXPECT_EQ(combo.DropDownWidth(), combo.width() + 100);
    EXPECT_TRUE(combo.IsDropDownWidthStored());
}

TEST(DuvControls, FlatComboRaisesUnderTheMouse)
{
    TComboFlat combo;
    Named(&combo, "ComboFlat", "Choice");
    combo.AddItem("Line");
    const QColor face = combo.palette().color(QPalette::Button);
    EXPECT_EQ(PixelAt(combo, 0, 0), face);  // flat: the edge is the button face

    QEnterEvent enter(QPointF(3, 3), QPointF(3, 3), QPointF(3, 3));
    QApplication::sendEvent(&combo, &enter);
    EXPECT_TRUE(combo.Inside());
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&combo, &leave);
    EXPECT_FALSE(combo.Inside());
    QApplication::sendEvent(&combo, &enter);
    QFocusEvent focus(QEvent::FocusIn);
    QApplication::sendEvent(&combo, &focus);
    EXPECT_FALSE(combo.Inside());
}

TEST(DuvControls, CanvasServices)
{
    EXPECT_EQ(FindRegisteredClass("tduvpen"), nullptr);  // nothing registered in this program
    RegisterClass(TDuvPen::StaticClass());
    EXPECT_EQ(FindRegisteredClass("tduvpen"), &TDuvPen::StaticClass());
    UnregisterClass(TDuvPen::StaticClass());

    auto font = FindResourceStream("DUVLCDFONT");
    ASSERT_NE(font, nullptr);
    EXPECT_GT(font->Size(), 1000);
    EXPECT_EQ(FindResourceStream("NOSUCHRESOURCE"), nullptr);
    EXPECT_EQ(FindResourceStream(""), nullptr);

    struct Case {
        bool checkBox, ticked;
        std::vector<std::string> drawn;
    };
    const Case cases[] = {
        {true, false, {"Rectangle(10,20,23,33)"}},
        {true, true, {"Rectangle(10,20,23,33)", "Polyline([13:26 15:29 20:23])"}},
        {false, false, {"Ellipse(10,20,23,33)"}},
        {false, true, {"Ellipse(10,20,23,33)", "Ellipse(14,24,19,29)"}},
    };
    for (const Case& c : cases) {
        TRecordingCanvas canvas;
        canvas.Pen().SetColor(clRed);
        canvas.Brush().SetStyle(bsClear);
        DrawCheckMark(canvas, 10, 20, c.checkBox, c.ticked);
        EXPECT_EQ(canvas.Texts(), c.drawn) << c.checkBox << c.ticked;
        EXPECT_EQ(canvas.Calls[0].BrushColor, clWhite);
        EXPECT_EQ(canvas.Pen().Color(), clRed);  // the caller's pen and brush come back
        EXPECT_EQ(canvas.Brush().Style(), bsClear);
    }
}
