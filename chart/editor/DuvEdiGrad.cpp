#include "chart/editor/DuvEdiGrad.h"

#include "chart/graphics/DuvCanvas.h"
#include "chart/graphics/DuvGradient.h"

TCreateGradientEditor CreateGradientEditorHook = nullptr;

TButtonGradient::TButtonGradient(QWidget* parent) : TDuvDialogButton(parent) {}

void TButtonGradient::LinkGradient(TCustomDuvGradient* gradient)
{
    LinkProperty(gradient, {});
    update();
}

TCustomDuvGradient* TButtonGradient::LinkedGradient() const
{
    return dynamic_cast<TCustomDuvGradient*>(LinkedObject());
}

TDuvEditorForm* TButtonGradient::CreateDialog()
{
    if (!CreateGradientEditorHook || !LinkedGradient()) return nullptr;
    return CreateGradientEditorHook(this, LinkedGradient(), EndColorHidden, true);
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
