#pragma once
// The gradient button: shows a gradient in its symbol and edits it in the gradient editor.
#include <functional>

#include "chart/editor/DuvPenDlg.h"

class TCustomDuvGradient;

// Makes the gradient editor for a gradient button (control: the button; endColorHidden: the
// editor's mode without an end colour; showVisible: offer the Visible box). Installed by the
// gradient editor's module; while it is empty a click runs only the button's own click.
using TCreateGradientEditor = TDuvEditorForm* (*)(QWidget* control, TCustomDuvGradient* gradient,
                                                  bool endColorHidden, bool showVisible);
extern TCreateGradientEditor CreateGradientEditorHook;

class TButtonGradient : public TDuvDialogButton {
public:
    explicit TButtonGradient(QWidget* parent = nullptr);

    // The gradient shown and edited (not owned); null unlinks.
    void LinkGradient(TCustomDuvGradient* gradient);
    TCustomDuvGradient* LinkedGradient() const;
    bool EndColorHidden = false;

    // The gradient (and its visible sub-gradient) fills the symbol, framed black when the
    // gradient is visible and grey when not. Nothing when disabled or unlinked.
    void DrawSymbol(TDuvCanvas& canvas) override;
    TDuvEditorForm* GetEditor() { return OpenDialog(); }
    TDuvEditorForm* Editor() const { return Dialog(); }

protected:
    TDuvEditorForm* CreateDialog() override;
};
