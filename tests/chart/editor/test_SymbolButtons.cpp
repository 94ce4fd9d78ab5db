#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>
#include <string>
#include <vector>

#include "chart/editor/DuvEdiGrad.h"
#include "chart/editor/DuvPenDlg.h"
#include "chart/editor/support_EditorForms.h"
#include "chart/editor/support_EditorTest.h"
#include "chart/graphics/DuvGradient.h"
#include "chart/graphics/DuvPen.h"
#include "chart/graphics/RecordingCanvas.h"

using editortest::TAnsweringDialog;

namespace {

// The recording canvas, also noting the pen width of every line drawn.
class TWidthCanvas : public TRecordingCanvas {
public:
    std::vector<int> LineWidths;
    void LineTo(int x, int y) override
    {
        LineWidths.push_back(Pen().Width());
        TRecordingCanvas::LineTo(x, y);
    }
};

std::string Args(std::initializer_list<int> values)
{
    std::string text;
    for (int value : values) text += (text.empty() ? "" : ",") + std::to_string(value);
    return text;
}

struct PenDrawCase {
    const char* Name;
    int Width;
    bool WithHandler;
    bool Enabled;
    bool Linked;
    int DrawnWidth;  // 0: nothing drawn
};

TEST(ButtonPen, DrawsTheLinkedPenAsOneLineAcrossTheSymbol)
{
    const PenDrawCase cases[] = {
        {"thin pen", 3, true, true, true, 3},
        {"wide pen with a handler", 10, true, true, true, 6},
        {"wide pen without a handler", 10, false, true, true, 6},
        {"six wide", 6, true, true, true, 6},
        {"disabled", 3, true, false, true, 0},
        {"unlinked", 3, true, true, false, 0},
    };
    for (const PenDrawCase& c : cases) {
        SCOPED_TRACE(c.Name);
        int changes = 0;
        TDuvPen pen;
        pen.SetColor(0x3366CC);
        pen.SetWidth(c.Width);
        if (c.WithHandler) pen.OnChange = [&](TObject*) { ++changes; };
        TButtonPen button;
        button.setText("Border...");
        button.resize(90, 26);
        button.setEnabled(c.Enabled);
        if (c.Linked) button.LinkPen(&pen);
        TWidthCanvas canvas;
        button.DrawSymbol(canvas);

        EXPECT_EQ(pen.Width(), c.Width);
        EXPECT_EQ(changes, 0);
        if (c.DrawnWidth == 0) {
            EXPECT_TRUE(canvas.Calls.empty());
            continue;
        }
        const TRect symbol = button.GetSymbolRect();
        const int y = button.height() / 2;
        const std::vector<std::string> expected = {"MoveTo(" + Args({symbol.Left, y}) + ")",
                                                   "LineTo(" + Args({symbol.Right, y}) + ")"};
        EXPECT_EQ(canvas.Texts(), expected);
        EXPECT_EQ(canvas.Calls.back().PenColor, 0x3366CC);
        EXPECT_EQ(canvas.LineWidths, std::vector<int>{c.DrawnWidth});
        if (c.WithHandler) {  // the handler is back in place
            pen.SetWidth(2);
            EXPECT_EQ(changes, 1);
        }
    }
}

// ---------------------------------------------------------------- clicks

// Counts its paintings.
class TCountingPenButton : public TButtonPen {
public:
    using TButtonPen::TButtonPen;
    int Paintings = 0;
    void DrawSymbol(TDuvCanvas& canvas) override
    {
        ++Paintings;
        TButtonPen::DrawSymbol(canvas);
    }
};

int hookCalls = 0;
int previousOnDestroyCalls = 0;

TDuvEditorForm* AnsweringPenDialog(QWidget* control, TPen* pen, bool)
{
    ++hookCalls;
    auto* dialog = CreateEditorForm<TAnsweringDialog>(control);
    dialog->SetTag(pen);
    dialog->OnDestroy = [](TDuvEditorForm*) { ++previousOnDestroyCalls; };
    return dialog;
}

class ButtonClicks : public testing::Test {
protected:
    void SetUp() override
    {
        editortest::StartEditorModules();
        TAnsweringDialog::Reset();
        TAnsweringDialog::Change = [](TPersistent* object) { static_cast<TPen*>(object)->SetWidth(4); };
        hookCalls = previousOnDestroyCalls = 0;
        CreatePenDialogHook = &AnsweringPenDialog;
        window_.resize(200, 100);
        window_.show();
    }
    void TearDown() override { CreatePenDialogHook = nullptr; }

    QWidget window_;
};

struct ClickCase {
    const char* Name;
    int Answer;
    bool Linked;
    int ExpectedWidth;
    std::vector<int> ExpectedClicks;  // the pen width each OnClick saw
    int ExpectedDialogs;
    bool Repainted;
};

TEST_F(ButtonClicks, APenButtonRunsItsDialogAndFreesIt)
{
    const ClickCase cases[] = {
        {"OK", mrOk, true, 4, {4}, 1, true},
        {"Cancel", mrCancel, true, 1, {}, 1, false},
        {"no pen", mrOk, false, 1, {1}, 0, false},
    };
    for (const ClickCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TAnsweringDialog::Reset();
        TAnsweringDialog::Change = [](TPersistent* object) { static_cast<TPen*>(object)->SetWidth(4); };
        TAnsweringDialog::Answer = c.Answer;
        hookCalls = previousOnDestroyCalls = 0;
        TDuvPen pen;
        auto* button = new TCountingPenButton(&window_);
        button->setText("Border...");
        button->show();
        if (c.Linked) button->LinkPen(&pen);
        QApplication::processEvents();
        std::vector<int> clicks;
        int paintedBefore = 0;
        button->OnClick = [&] {
            clicks.push_back(pen.Width());
            paintedBefore = button->Paintings;
        };
        const int painted = button->Paintings;

        button->Click();
        if (c.Repainted) {
            EXPECT_GT(paintedBefore, painted);  // repainted before OnClick ran
        }
        EXPECT_EQ(pen.Width(), c.ExpectedWidth);
        EXPECT_EQ(clicks, c.ExpectedClicks);
        EXPECT_EQ(TAnsweringDialog::Made, c.ExpectedDialogs);
        EXPECT_EQ(TAnsweringDialog::Freed, c.ExpectedDialogs);
        EXPECT_EQ(previousOnDestroyCalls, c.ExpectedDialogs);  // the dialog's own handler still ran
        EXPECT_EQ(button->Dialog(), nullptr);
        delete button;
    }
}

TEST_F(ButtonClicks, EachClickMakesANewDialog)
{
    TDuvPen pen;
    auto* button = new TButtonPen(&window_);
    button->LinkPen(&pen);
    int clicks = 0;
    button->OnClick = [&] { ++clicks; };
    button->Click();
    button->Click();
    EXPECT_EQ(hookCalls, 2);
    EXPECT_EQ(TAnsweringDialog::Made, 2);
    EXPECT_EQ(TAnsweringDialog::Freed, 2);
    EXPECT_EQ(clicks, 2);
}

TEST_F(ButtonClicks, WithoutAHookAClickRunsOnlyTheButtonsOwnClick)
{
    CreatePenDialogHook = nullptr;
    TDuvPen pen;
    TButtonPen button(&window_);
    button.LinkPen(&pen);
    int clicks = 0;
    button.OnClick = [&] { ++clicks; };
    button.Click();
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(TAnsweringDialog::Made, 0);
}

// ---------------------------------------------------------------- the gradient button

struct GradientDrawCase {
    const char* Name;
    bool Visible;
    bool SubVisible;
    int Fills;
    TColor Frame;
};

TEST(ButtonGradient, FillsTheSymbolAndFramesIt)
{
    const GradientDrawCase cases[] = {
        {"visible", true, false, 1, clBlack},
        {"hidden", false, false, 1, 0x808080},
        {"with a visible sub-gradient", true, true, 2, clBlack},
    };
    for (const GradientDrawCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TDuvGradient gradient;
        gradient.SetVisible(c.Visible);
        gradient.SetStartColor(0x0000FF);
        gradient.SetEndColor(0xFF0000);
        if (c.SubVisible) gradient.GetSubGradient()->SetVisible(true);
        TButtonGradient button;
        button.setText("Gradient...");
        button.resize(90, 26);
        button.LinkGradient(&gradient);
        TRecordingCanvas canvas;
        button.DrawSymbol(canvas);

        const TRect symbol = button.GetSymbolRect();
        const std::string rect = Args({symbol.Left, symbol.Top, symbol.Right, symbol.Bottom});
        const std::vector<std::string> fills = canvas.Texts("FillRect");
        EXPECT_EQ(fills, std::vector<std::string>(c.Fills, "FillRect(" + rect + ")"));
        ASSERT_FALSE(canvas.Calls.empty());
        const TRecordedCall& frame = canvas.Calls.back();
        EXPECT_EQ(frame.Text(), "Rectangle(" + rect + ")");
        EXPECT_EQ(frame.PenColor, c.Frame);
        EXPECT_TRUE(frame.PenVisible);
        EXPECT_EQ(frame.BrushStyle, bsClear);
    }
}

TEST(ButtonGradient, DrawsNothingDisabledOrUnlinked)
{
    TDuvGradient gradient;
    TButtonGradient linked, unlinked;
    linked.LinkGradient(&gradient);
    linked.setEnabled(false);
    TRecordingCanvas canvas;
    linked.DrawSymbol(canvas);
    unlinked.DrawSymbol(canvas);
    EXPECT_TRUE(canvas.Calls.empty());
}

int gradientHookCalls = 0;

TDuvEditorForm* AnsweringGradientEditor(QWidget* control, TCustomDuvGradient* gradient, bool endHidden, bool showVisible)
{
    ++gradientHookCalls;
    EXPECT_FALSE(endHidden);
    EXPECT_TRUE(showVisible);
    auto* editor = CreateEditorForm<TAnsweringDialog>(control);
    editor->SetTag(gradient);
    return editor;
}

TEST_F(ButtonClicks, AGradientButtonRunsItsEditorAndFreesIt)
{
    CreateGradientEditorHook = &AnsweringGradientEditor;
    TAnsweringDialog::Change = [](TPersistent* object) {
        static_cast<TCustomDuvGradient*>(object)->SetStartColor(0x00FF00);
    };
    for (int answer : {mrOk, mrCancel}) {
        SCOPED_TRACE(answer);
        TAnsweringDialog::Answer = answer;
        TDuvGradient gradient;
        gradient.SetStartColor(0x0000FF);
        TButtonGradient button(&window_);
        button.LinkGradient(&gradient);
        std::vector<TColor> clicks;
        button.OnClick = [&] { clicks.push_back(gradient.StartColor()); };
        button.Click();
        if (answer == mrOk) {
            EXPECT_EQ(gradient.StartColor(), 0x00FF00);
            EXPECT_EQ(clicks, std::vector<TColor>{0x00FF00});
        } else {
            EXPECT_EQ(gradient.StartColor(), 0x0000FF);
            EXPECT_TRUE(clicks.empty());
        }
        EXPECT_EQ(button.Editor(), nullptr);
    }
    EXPECT_EQ(gradientHookCalls, 2);
    EXPECT_EQ(TAnsweringDialog::Made, 2);
    EXPECT_EQ(TAnsweringDialog::Freed, 2);
    CreateGradientEditorHook = nullptr;
}

}  // namespace
