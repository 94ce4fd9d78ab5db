#pragma once
// The gradient button: shows a gradient in its symbol and edits it in the gradient editor.
#include <functional>

#include "chart/editor/DuvEditorForm.h"
#include "chart/graphics/widgets/DuvControls.h"

class TCustomDuvGradient;

// Makes the gradient editor for a gradient button (control: the button; endColorHidden: the
// editor's mode without an end colour; showVisible: offer the Visible box). Installed by the
// gradient editor's module; while it is empty a click runs only the button's own click.
using TCreateGradientEditor = TDuvEditorForm* (*)(QWidget* control, TCustomDuvGradient* gradient,
                                                  bool endColorHidden, bool showVisible);
extern TCreateGradientEditor CreateGradientEditorHook;

class TButtonGradient : public TDuvButton {
public:
    explicit TButtonGradient(QWidget* parent = nullptr);

    // The gradient shown and edited (not owned); null unlinks.
    void LinkGradient(TCustomDuvGradient* gradient);
    TCustomDuvGradient* LinkedGradient() const;
    // Fired after the user confirmed the editor, the gradient already changed.
    std::function<void()> OnClick;
    bool EndColorHidden = false;

    // With a linked gradient: the editor runs modally; on OK the button repaints and OnClick
    // runs. The editor is freed in every case. Without a gradient only OnClick runs.
    void Click();
    // The gradient (and its visible sub-gradient) fills the symbol, framed black when the
    // gradient is visible and grey when not. Nothing when disabled or unlinked.
    void DrawSymbol(TDuvCanvas& canvas) override;
    // The editor open for the gradient, made when none is.
    TDuvEditorForm* GetEditor();
    TDuvEditorForm* Editor() const { return editor_; }

private:
    TDuvEditorForm* editor_ = nullptr;
    std::function<void(TDuvEditorForm*)> previousOnDestroy_;
};
