#include "chart/editor/DuvPenDlg.h"

#include <QListWidget>
#include <cstdlib>

#include "chart/engine/DuvProcs.h"
#include "chart/graphics/DuvCanvas.h"
#include "chart/graphics/DuvConst.h"
#include "chart/graphics/DuvPen.h"
#include "chart/graphics/GraphicClasses.h"
#include "chart/output/DBChart.h"
#include "platform/core/Registry.h"
#include "platform/core/ScopeGuard.h"
#include "platform/core/StringList.h"
#include "platform/ui/Application.h"

// ---------------------------------------------------------------- form services

void CenterForm(TDuvEditorForm* form)
{
    form->Position = form->parentWidget() ? poOwnerFormCenter : poScreenCenter;
}

QWidget* OwnerFormOf(QWidget* object) { return object ? object->window() : nullptr; }

TDuvEditorForm* CreateEditorForm(TEditorFormCreator create, QWidget* control)
{
    TDuvEditorForm* form = create(OwnerFormOf(control));
    form->SetAlign(alNone);
    CenterForm(form);
    form->BorderStyle = TFormBorderStyle::bsSizeable;
    return form;
}

void EmbedFormWithTag(TDuvEditorForm* form, QWidget* parent, TPersistent* tag)
{
    form->ParentBackground = true;
    form->setAutoFillBackground(false);
    form->DefaultMonitor = dmDesktop;
    form->ParentColor = true;
    form->setPalette(QPalette());  // nothing of its own: the parent's colours show through
    form->Position = poDesigned;
    form->BorderStyle = TFormBorderStyle::bsNone;
    form->BorderIcons = {};
    form->SetTag(tag);
    form->setParent(parent, Qt::Widget);
    form->hide();  // else showing a hidden parent below would show the form before its place and font
    // A hidden sheet is shown for the embedding, so the form's FormShow runs now, and hidden again.
    const bool parentVisible = !parent->isHidden();
    parent->setVisible(true);
    const TScopeGuard restore([&] { parent->setVisible(parentVisible); });
    if (form->Align() == alNone)
        form->move(4, std::min(4, std::abs(parent->height() - form->height()) / 2));
    else
        form->SetAlign(form->Align());  // follows its new parent
    ScaleToParentForm(form);
    if (form->ParentFont) form->setFont(parent->font());
    form->show();
}

void EmbedForm(TDuvEditorForm* form, QWidget* parent) { EmbedFormWithTag(form, parent, form->Tag()); }

QWidget* ParentCustomForm(QWidget* control)
{
    for (QWidget* above = control ? control->parentWidget() : nullptr; above; above = above->parentWidget())
        if (above->isWindow() || dynamic_cast<TDuvEditorForm*>(above)) return above;
    return nullptr;
}

void ScaleToParentForm(TDuvEditorForm* form)
{
    QWidget* parentForm = ParentCustomForm(form);
    if (!parentForm) return;
    const auto* editor = dynamic_cast<TDuvEditorForm*>(parentForm);
    const int pixelsPerInch = editor ? editor->PixelsPerInch : parentForm->logicalDpiY();
    if (pixelsPerInch == form->PixelsPerInch) return;
    form->ScaleBy(pixelsPerInch, form->PixelsPerInch);
    form->PixelsPerInch = pixelsPerInch;
}

void LoadFormSize(TDuvEditorForm* form, const std::string& name)
{
    TRegistry registry;
    registry.SetRootKey(HKEY_CURRENT_USER);
    if (!registry.OpenKeyReadOnly(EditorOptionsKey)) return;
    QSize size = form->FrameSize();
    auto read = [&](const std::string& value, int& extent) {
        if (!registry.ValueExists(value)) return;
        try {
            extent = std::max(100, registry.ReadInteger(value));
        } catch (const ERegistryException&) {
            // A value of another type (a hand-edited settings file) keeps the size.
        }
    };
    int width = size.width(), height = size.height();
    read(name + "Width", width);
    read(name + "Height", height);
    form->SetFrameBounds(form->x(), form->y(), width, height);
}

void SaveFormSize(TDuvEditorForm* form, const std::string& name)
{
    TRegistry registry;
    registry.SetRootKey(HKEY_CURRENT_USER);
    if (!registry.OpenKey(EditorOptionsKey, true)) return;
    const QSize size = form->FrameSize();
    registry.WriteInteger(name + "Width", size.width());
    registry.WriteInteger(name + "Height", size.height());
}

// ---------------------------------------------------------------- helpers

bool AskYesNo(const std::string& message, QWidget* control)
{
    SetScreenCursor(crDefault);
    if (!control)
        return UiServices().MessageDlg(message, TMsgDlgType::mtConfirmation, mbYesNo, mbYes) == mrYes;
    const QPoint place = control->mapToGlobal(QPoint(20, 30));
    return UiServices().MessageDlgAt(message, TMsgDlgType::mtConfirmation, mbYesNo, mbYes, place.x(), place.y()) == mrYes;
}

bool ConfirmDelete(const std::string& name, QWidget* control)
{
    std::string text = DuvMsgSureToDelete;
    // Replaced, not printf-formatted: a name may hold '%'.
    if (const std::size_t at = text.find("%s"); at != std::string::npos) text.replace(at, 2, name);
    return AskYesNo(text, control);
}

void SetControlsVisible(bool visible, const std::vector<QWidget*>& controls)
{
    for (QWidget* control : controls)
        if (control) control->setVisible(visible);
}

void LoadArrowGlyphs(QImage& up, QImage& down)
{
    LoadBitmapFromModules(up, "DuvArrowUp", {});
    LoadBitmapFromModules(down, "DuvArrowDown", {});
}

void MoveSelectedItems(QListWidget* source, QListWidget* target)
{
    for (int i = 0; i < source->count(); ++i)
        if (source->item(i)->isSelected()) target->addItem(source->item(i)->clone());
    for (int i = 0; i < source->count();) {
        if (source->item(i)->isSelected())
            delete source->takeItem(i);
        else
            ++i;
    }
}

void MoveAllItems(QListWidget* source, QListWidget* target)
{
    for (int i = 0; i < source->count(); ++i) target->addItem(source->item(i)->clone());
    source->clear();
}

bool SelectFolder(const std::string& caption, const std::string& root, std::string& folder)
{
    std::string chosen = folder.empty() ? root : folder;
    if (!UiServices().SelectDirectory(caption, chosen)) return false;
    folder = chosen;
    return true;
}

bool PickFont(QWidget*, TFont& font)
{
    TFontChoice choice;
    choice.Name = font.Name();
    choice.Size = font.Size();
    choice.Bold = font.Style().Contains(fsBold);
    choice.Italic = font.Style().Contains(fsItalic);
    choice.Underline = font.Style().Contains(fsUnderline);
    choice.StrikeOut = font.Style().Contains(fsStrikeOut);
    choice.Color = static_cast<std::uint32_t>(font.Color()) & 0xFFFFFF;
    if (!UiServices().FontDialog(choice)) return false;
    TFont chosen;
    chosen.Assign(&font);
    chosen.SetName(choice.Name);
    chosen.SetSize(choice.Size);
    TFontStyles style;
    if (choice.Bold) style.Include(fsBold);
    if (choice.Italic) style.Include(fsItalic);
    if (choice.Underline) style.Include(fsUnderline);
    if (choice.StrikeOut) style.Include(fsStrikeOut);
    chosen.SetStyle(style);
    // The top byte carries the transparency, which the dialog does not show.
    chosen.SetColor(static_cast<TColor>((static_cast<std::uint32_t>(font.Color()) & 0xFF000000u) | choice.Color));
    font.Assign(&chosen);
    return true;
}

namespace {
struct TGraphicDescription {
    const char* ClassName;
    const char* Description;
};
constexpr TGraphicDescription kGraphicDescriptions[] = {
    {"TBitmap", "Bitmaps"},
    {"TJPEGImage", "JPEG Image File"},
    {"TPngImage", "Portable Network Graphics"},
    {"TGIFImage", "GIF Image"},
    {"TIcon", "Icons"},
};
}  // namespace

std::string GraphicFileFilter(const TGraphic& graphic)
{
    const TGraphicClass* kind = FindGraphicClass(graphic.ClassName());
    std::string description = graphic.ClassName();
    for (const TGraphicDescription& entry : kGraphicDescriptions)
        if (kind && SameText(kind->Names.front(), entry.ClassName)) description = entry.Description;
    std::string masks;
    for (const std::string& extension : kind ? kind->Extensions : std::vector<std::string>{})
        masks += (masks.empty() ? "*." : ";*.") + extension;
    if (masks.empty()) masks = "*.*";
    return description + " (" + masks + ")|" + masks;
}

bool SaveGraphicAs(QWidget*, const TGraphic& graphic)
{
    TFileDialogOptions dialog;
    dialog.Filter = GraphicFileFilter(graphic);
    if (const TGraphicClass* kind = FindGraphicClass(graphic.ClassName()); kind && !kind->Extensions.empty())
        dialog.DefaultExt = kind->Extensions.front();
    // The desktop's save dialog asks before it replaces a file.
    if (!UiServices().SaveFileDialog(dialog)) return false;
    graphic.SaveToFile(dialog.FileName);
    return true;
}

// ---------------------------------------------------------------- buttons with a dialog

TDuvDialogButton::TDuvDialogButton(QWidget* parent) : TDuvButton(parent)
{
    connect(this, &QPushButton::clicked, this, [this] { RunHandler([this] { Click(); }); });
}

TDuvEditorForm* TDuvDialogButton::OpenDialog()
{
    if (dialog_ || !LinkedObject()) return dialog_;
    dialog_ = CreateDialog();
    if (!dialog_) return nullptr;
    // The dialog's own handler still runs when it goes; then the button forgets it.
    previousOnDestroy_ = dialog_->OnDestroy;
    dialog_->OnDestroy = [this](TDuvEditorForm* form) {
        auto previous = std::move(previousOnDestroy_);
        previousOnDestroy_ = nullptr;
        if (previous) previous(form);
        dialog_ = nullptr;
    };
    return dialog_;
}

void TDuvDialogButton::Click()
{
    if (TDuvEditorForm* dialog = OpenDialog()) {
        bool confirmed = false;
        {
            const TScopeGuard freed([dialog] { delete dialog; });
            confirmed = dialog->ShowModal() == mrOk;
        }
        if (!confirmed) return;
        repaint();
    }
    if (OnClick) OnClick();
}

// ---------------------------------------------------------------- TButtonPen

TCreatePenDialog CreatePenDialogHook = nullptr;

TButtonPen::TButtonPen(QWidget* parent) : TDuvDialogButton(parent) {}

void TButtonPen::LinkPen(TPen* pen)
{
    LinkProperty(pen, {});
    update();
}

TPen* TButtonPen::LinkedPen() const { return dynamic_cast<TPen*>(LinkedObject()); }

TDuvEditorForm* TButtonPen::CreateDialog()
{
    return CreatePenDialogHook && LinkedPen() ? CreatePenDialogHook(this, LinkedPen(), HideColor) : nullptr;
}

void TButtonPen::DrawSymbol(TDuvCanvas& canvas)
{
    TPen* pen = LinkedPen();
    if (!isEnabled() || !pen) return;
    // A wide pen would fill the button: it is drawn 6 wide, without telling its owner.
    const int width = pen->Width();
    const bool narrowed = width > 6;
    TChangeHandler handler;
    if (narrowed) {
        handler = std::move(pen->OnChange);
        pen->OnChange = nullptr;
        pen->SetWidth(6);
    }
    const TScopeGuard restore([&] {
        if (!narrowed) return;
        pen->SetWidth(width);
        pen->OnChange = std::move(handler);
    });
    canvas.Brush().SetStyle(bsClear);
    if (auto* duvPen = dynamic_cast<TDuvPen*>(pen)) {
        canvas.AssignPenColor(*duvPen, pen->Color());
    } else {
        TDuvPen plain;
        plain.Assign(pen);
        canvas.AssignPenColor(plain, pen->Color());
    }
    const TRect symbol = GetSymbolRect();
    const int y = height() / 2;
    canvas.MoveTo(symbol.Left, y);
    canvas.LineTo(symbol.Right, y);
}
