#pragma once
// The base of every editor form of the chart editor. One form runs three ways:
//  - modally: CreateEditorForm (DuvPenDlg) makes it centred over the control's form, the caller
//    binds the edited object with RefreshControls, ShowModal answers mrOk or mrCancel, and the
//    caller frees the form in every case;
//  - embedded: Embed<Form>(object, parent) makes it a borderless child filling the parent
//    (a tab sheet, a panel), its OK/Cancel panel hidden; it lives as long as the parent;
//  - rebound: RefreshControls(another object) on a shown form edits that object from then on.
// The edited object travels in Tag. A component held there is watched: when it is freed
// elsewhere the form forgets it (Tag turns null) instead of keeping a dangling pointer.
// The controls load from the object in FormShow and RefreshControls with the loading flag set,
// so change handlers that read Loading() write nothing back while they are filled.
#include <QDialog>
#include <functional>
#include <memory>

#include "platform/core/ComponentRef.h"
#include "platform/ui/Controls.h"
#include "platform/ui/FormTable.h"
#include "platform/ui/UiServices.h"

class QEvent;
class QPushButton;

QB_ENUM(TPosition, poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, poDesktopCenter,
        poMainFormCenter, poOwnerFormCenter)
// Scoped: the chart panel's border constants use the same short names.
enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
QB_ENUM(TDefaultMonitor, dmDesktop, dmPrimary, dmMainForm, dmActiveForm)
QB_ENUM(TBorderIcon, biSystemMenu, biMinimize, biMaximize, biHelp)
using TBorderIcons = TSet<TBorderIcon>;

// A copy of an edited object taken when a dialog shows, given back when the user cancels.
class TEditorBackup {
public:
    TEditorBackup() = default;
    ~TEditorBackup();
    TEditorBackup(const TEditorBackup&) = delete;
    TEditorBackup& operator=(const TEditorBackup&) = delete;

    // Copies object (a new instance of its class) and remembers it as the one to restore.
    void Take(TPersistent* object);
    // Assigns the copy back to the object; nothing without a copy.
    void Restore();
    void Clear();
    TPersistent* Copy() const { return copy_; }

private:
    TPersistent* object_ = nullptr;
    TPersistent* copy_ = nullptr;
};

class TDuvEditorForm : public QDialog {
public:
    // owner: the form that frees this one (none for a form freed by its creator).
    explicit TDuvEditorForm(QWidget* owner = nullptr);
    ~TDuvEditorForm() override;

    // ------------------------------------------------ the edited object
    TPersistent* Tag() const { return tag_; }
    void SetTag(TPersistent* object);
    // Makes object the edited one and loads every control from it; safe on a shown form.
    virtual void RefreshControls(TPersistent* object);
    // True while the controls are being filled from the object.
    bool Loading() const { return loading_ > 0; }

    // ------------------------------------------------ modal use
    int ShowModal();
    int ModalResult() const { return modalResult_; }
    // A result other than mrNone closes a modal run with it.
    void SetModalResult(int result);
    // The panel with OK and Cancel; embedding hides it.
    QWidget* OKCancelPanel() const { return okCancelPanel_; }
    void SetOKCancelPanel(QWidget* panel) { okCancelPanel_ = panel; }
    // Dialogs that give their object back on Cancel (pen, brush, gradient, font) set it: a copy
    // of Tag is taken at each show and assigned back when the user cancels.
    bool RestoresOnCancel = false;
    const TEditorBackup& Backup() const { return backup_; }
    // Runs when the form goes, before anything of it is freed.
    std::function<void(TDuvEditorForm*)> OnDestroy;

    // ------------------------------------------------ placement
    TPosition Position = poDesigned;  // applied when the form shows as a window
    TFormBorderStyle BorderStyle = TFormBorderStyle::bsSizeable;
    TBorderIcons BorderIcons = TBorderIcons{biSystemMenu, biMinimize, biMaximize};
    TDefaultMonitor DefaultMonitor = dmActiveForm;
    bool ParentFont = false;
    bool ParentColor = false;
    bool ParentBackground = false;
    TAlign Align() const { return align_; }
    // alClient: the form keeps filling its parent; alNone: it stays where it is put.
    void SetAlign(TAlign value);
    // The screen's logical resolution when made; ScaleToParentForm changes it.
    int PixelsPerInch = 96;
    // Scales the size of the form and the places of its controls by multiplier / divider.
    void ScaleBy(int multiplier, int divider);
    // The form's frame size (caption and borders included where the desktop draws them).
    QSize FrameSize() const;
    void SetFrameBounds(int left, int top, int width, int height);

    // ------------------------------------------------ embedding
    // A form of class F bound to object, embedded in parent as a borderless child filling it,
    // its OK/Cancel panel hidden. Lives as long as the parent.
    template <class F>
    static F* Embed(TPersistent* object, QWidget* parent);

    // ------------------------------------------------ table-built forms
    // Builds the controls of table and a binder for its bound rows; RefreshControls binds.
    void BuildControls(const TControlTable& table);
    const TBuiltForm& Built() const { return built_; }
    TFormBinder* Binder() const { return binder_.get(); }

protected:
    // Loads the controls from Tag; runs under the loading flag. The base refreshes the binder.
    virtual void LoadControls();
    // Runs each time the form becomes visible: loads the controls, then translates the form.
    virtual void FormShow();
    // Asked before the form closes (ModalResult tells how); false keeps it open.
    virtual bool FormCloseQuery() { return true; }
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

public:
    void done(int result) override;
    void reject() override;

private:
    void FitParent();
    void LoadUnderFlag();

    TPersistent* tag_ = nullptr;
    TComponentRef<TComponent> tagComponent_;  // set when Tag is a component
    int loading_ = 0;
    int modalResult_ = mrNone;
    bool running_ = false;
    QWidget* okCancelPanel_ = nullptr;
    TEditorBackup backup_;
    TAlign align_ = alNone;
    TBuiltForm built_;
    std::unique_ptr<TFormBinder> binder_;
};

// Makes form a borderless child of parent holding tag; defined with the other form services.
void EmbedFormWithTag(TDuvEditorForm* form, QWidget* parent, TPersistent* tag);

template <class F>
F* TDuvEditorForm::Embed(TPersistent* object, QWidget* parent)
{
    auto* form = new F(parent);
    if (QWidget* panel = form->OKCancelPanel()) panel->hide();
    form->SetAlign(alClient);
    form->RefreshControls(object);
    EmbedFormWithTag(form, parent, object);
    return form;
}
