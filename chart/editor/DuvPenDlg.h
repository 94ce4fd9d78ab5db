#pragma once
// The services every editor form is built from: making a form for a control so that it opens
// centred over the control's form, embedding a form as a borderless child of a tab sheet or
// panel, remembered form sizes, the pen button, and small helpers (questions, arrow glyphs,
// list moves, folder, font and picture-saving dialogs). Questions and dialogs go through the
// UI services.
#include <QImage>
#include <string>
#include <vector>

#include "chart/editor/DuvEditorForm.h"
#include "chart/editor/DuvFormRegistry.h"
#include "chart/graphics/widgets/DuvControls.h"

class QListWidget;
class TFont;
class TGraphic;
class TPen;

// ---------------------------------------------------------------- form services

// Over the owner's window when the form has an owner, else in the middle of the screen.
void CenterForm(TDuvEditorForm* form);
// The window a control lies on (the topmost form holding it); a window itself, and null, stay.
QWidget* OwnerFormOf(QWidget* object);
// A new form owned by OwnerFormOf(control), free-standing, centred and resizable.
TDuvEditorForm* CreateEditorForm(TEditorFormCreator create, QWidget* control);
template <class F>
F* CreateEditorForm(QWidget* control)
{
    return static_cast<F*>(CreateEditorForm(&CreateEditorFormOf<F>, control));
}
// Makes form a borderless child of parent holding tag, shown inside it (also inside a hidden
// parent, which stays hidden); its FormShow runs while the parent is visible.
void EmbedFormWithTag(TDuvEditorForm* form, QWidget* parent, TPersistent* tag);
void EmbedForm(TDuvEditorForm* form, QWidget* parent);
// The nearest form above control (control itself not counted); null when none.
QWidget* ParentCustomForm(QWidget* control);
// Scales form to the resolution of the form it lies on, when that differs from its own.
void ScaleToParentForm(TDuvEditorForm* form);
// The form's remembered frame size, values <name>Width and <name>Height under the editor's
// option key: each stored value counts as at least 100, a missing one keeps the size.
void LoadFormSize(TDuvEditorForm* form, const std::string& name);
void SaveFormSize(TDuvEditorForm* form, const std::string& name);

// ---------------------------------------------------------------- helpers

// A Yes/No confirmation, true for Yes; with a control the box opens 20 pixels right of and 30
// pixels below the control's client origin.
bool AskYesNo(const std::string& message, QWidget* control = nullptr);
// "Delete <name> ?" asked with AskYesNo.
bool ConfirmDelete(const std::string& name, QWidget* control = nullptr);
void SetControlsVisible(bool visible, const std::vector<QWidget*>& controls);  // nulls are passed over
// The move-up and move-down glyphs "DuvArrowUp" and "DuvArrowDown".
void LoadArrowGlyphs(QImage& up, QImage& down);
// Appends the selected items of source to target in order, each with its data, then removes
// them from source.
void MoveSelectedItems(QListWidget* source, QListWidget* target);
// Appends every item of source to target in order, each with its data, then empties source.
void MoveAllItems(QListWidget* source, QListWidget* target);
// The folder browser starting at folder (at root when folder is empty); true, with folder
// changed, when the user chose one.
bool SelectFolder(const std::string& caption, const std::string& root, std::string& folder);
// The font dialog on font; true, with the font changed, on OK.
bool PickFont(QWidget* owner, TFont& font);
// The save dialog filtered to the graphic's kind; true when the graphic was saved.
bool SaveGraphicAs(QWidget* owner, const TGraphic& graphic);
// The save dialog's filter for a kind of graphic: "<description> (*.ext;...)|*.ext;...".
std::string GraphicFileFilter(const TGraphic& graphic);

// ---------------------------------------------------------------- buttons with a dialog

// A symbol button whose click edits its linked object in a dialog that a creator hook makes.
// The dialog exists only while the click runs.
class TDuvDialogButton : public TDuvButton {
public:
    // Fired after the user confirmed the dialog, the object already changed.
    std::function<void()> OnClick;

    // With a linked object and a dialog: the dialog runs modally; on OK the button repaints and
    // OnClick runs. The dialog is freed in every case. Otherwise only OnClick runs.
    void Click();
    TDuvEditorForm* Dialog() const { return dialog_; }

protected:
    explicit TDuvDialogButton(QWidget* parent);
    // A new dialog for the linked object; none while no dialog module installed its hook.
    virtual TDuvEditorForm* CreateDialog() = 0;
    // The dialog open for the object, made when none is.
    TDuvEditorForm* OpenDialog();

private:
    TDuvEditorForm* dialog_ = nullptr;
    std::function<void(TDuvEditorForm*)> previousOnDestroy_;
};

// ---------------------------------------------------------------- the pen button

// Makes the pen dialog for a pen button (control: the button; hideColor asks the dialog to hide
// its colour button). Installed by the pen dialog's module; while it is empty a click on a pen
// button runs only the button's own click.
using TCreatePenDialog = TDuvEditorForm* (*)(QWidget* control, TPen* pen, bool hideColor);
extern TCreatePenDialog CreatePenDialogHook;

// A button showing a pen as a line; a click edits the pen in the pen dialog.
class TButtonPen : public TDuvDialogButton {
public:
    explicit TButtonPen(QWidget* parent = nullptr);

    // The pen shown and edited (not owned); null unlinks.
    void LinkPen(TPen* pen);
    TPen* LinkedPen() const;
    bool HideColor = false;

    // A horizontal line at half the button's height across the symbol, in the pen's colour;
    // wide pens are drawn 6 pixels wide without the pen noticing. Nothing when disabled or unlinked.
    void DrawSymbol(TDuvCanvas& canvas) override;
    TDuvEditorForm* GetDialog() { return OpenDialog(); }

protected:
    TDuvEditorForm* CreateDialog() override;
};

// ---------------------------------------------------------------- the pen dialog

class QCheckBox;
class QComboBox;
class QLabel;
class QSlider;
class QSpinBox;
class QTabWidget;
class TDuvPen;

// Extended pens (custom dashes, caps and joins) are always drawn by this platform's painter.
constexpr bool kExtendedPens = true;

// The colour a style item draws its line in: a pen colour equal to the item's background would
// vanish, so it turns black, or white when the background is white.
TColor PenStyleItemColor(TColor penColor, TColor background);

// "Border Editor": edits one pen at once; Cancel gives it back as it was at the show.
class TPenDialog : public TDuvEditorForm {
public:
    explicit TPenDialog(QWidget* owner = nullptr);
    ~TPenDialog() override;

    static TPenDialog* Embed(TPen* pen, QWidget* parent);
    void RefreshControls(TPersistent* pen) override;
    TPen* Pen() const { return pen_; }

    // Fired after each change made through the style, width, visibility, spacing, end, join
    // and colour controls.
    std::function<void(TPenDialog*)> OnChange;
    bool Modified() const { return modified_; }

    // Run by descendants as inherited code.
    void FormShow() override;
    void BColorClick();

    // Handlers a test drives as the controls do.
    void CBStyleChange();
    void TBSizeChange();
    void TBTranspChange();
    void CBDefColorClick();
    void CBVisibleClick();
    void ESpaceChange();
    void CBEndStyleChange();
    void CBJoinStyleChange();
    void BCancelClick();

    QCheckBox* CBVisible = nullptr;
    TButtonColor* BColor = nullptr;
    QSlider* TBTransp = nullptr;
    QSlider* TBSize = nullptr;
    QLabel* LSize = nullptr;
    QLabel* LWidth = nullptr;
    QCheckBox* CBDefColor = nullptr;
    QComboBox* CBStyle = nullptr;
    QLabel* LSpace = nullptr;
    QSpinBox* ESpace = nullptr;
    QComboBox* CBEndStyle = nullptr;
    QComboBox* CBJoinStyle = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QWidget* TabGradient = nullptr;
    QWidget* Panel2 = nullptr;
    QWidget* PanelButtons = nullptr;

    void done(int result) override;

protected:
    void LoadControls() override;

private:
    void Changed();
    void SetStyleEnabling();
    void SetDefColorBox();
    TDuvPen* DuvPen() const;
    TPen* pen_ = nullptr;
    std::unique_ptr<TDuvPen> backup_;
    bool modified_ = false;
};

// The pen dialog for control, bound to pen, its colour button hidden when asked.
TPenDialog* CreatePenDialog(QWidget* control, TPen* pen, bool hideColor = false);

// Installs the pen button's dialog.
void DuvPenDlgInitialization();
void DuvPenDlgFinalization();
