#include "chart/editor/DuvEdiGrad.h"

#include "chart/editor/DuvPenDlg.h"
#include "chart/graphics/DuvCanvas.h"
#include "chart/graphics/DuvGradient.h"
#include "platform/ui/Application.h"

TCreateGradientEditor CreateGradientEditorHook = nullptr;

TButtonGradient::TButtonGradient(QWidget* parent) : TDuvButton(parent)
{
    connect(this, &QPushButton::clicked, this, [this] { RunHandler([this] { Click(); }); });
}

void TButtonGradient::LinkGradient(TCustomDuvGradient* gradient)
{
    LinkProperty(gradient, {});
    update();
}

TCustomDuvGradient* TButtonGradient::LinkedGradient() const
{
    return dynamic_cast<TCustomDuvGradient*>(LinkedObject());
}

TDuvEditorForm* TButtonGradient::GetEditor()
{
    if (editor_ || !CreateGradientEditorHook || !LinkedGradient()) return editor_;
    editor_ = CreateGradientEditorHook(this, LinkedGradient(), EndColorHidden, true);
    if (editor_) WatchButtonDialog(editor_, previousOnDestroy_);
    return editor_;
}

void TButtonGradient::Click()
{
    if (LinkedGradient() && GetEditor()) {
        if (!RunButtonDialog(editor_)) return;
        repaint();
    }
    if (OnClick) OnClick();
}

void TButtonGradient::DrawSymbol(TDuvCanvas& canvas)
{
    TCustomDuvGradient* gradient = LinkedGradient();
    if (!isEnabled() || !gradient) return;
    const TRect symbol = GetSymbolRect();
    gradient->Draw(canvas, symbol);
    TDuvPen& pen = canvas.Pen();
    pen.SetVisible(true);
    pen.SetStyle(psSolid);
    pen.SetWidth(1);
    pen.SetColor(gradient->Visible() ? clBlack : TColor(0x808080));
    canvas.Brush().SetStyle(bsClear);
    canvas.RectangleRect(symbol);
}
