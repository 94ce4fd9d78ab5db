#include "chart/editor/DuvPenDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>
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

// ---------------------------------------------------------------- the pen dialog

namespace {

constexpr TColor kDefaultPenColor = static_cast<TColor>(0x20000000);  // the owner's colour

template <class W>
W* Named(W* widget, const char* name, const char* accessible)
{
    widget->setObjectName(name);
    widget->setAccessibleName(QString::fromUtf8(accessible).remove('&'));
    return widget;
}

QLabel* AddLabel(QWidget* parent, const char* name, const char* caption, QRect place, QWidget* buddy)
{
    auto* label = Named(new QLabel(QString::fromUtf8(caption), parent), name, caption);
    label->setGeometry(place);
    if (buddy) label->setBuddy(buddy);
    return label;
}

QSlider* AddTrackBar(QWidget* parent, const char* name, const char* accessible, int min, int max, int frequency,
                     QRect place)
{
    auto* bar = Named(new QSlider(Qt::Horizontal, parent), name, accessible);
    bar->setRange(min, max);
    bar->setTickInterval(frequency);
    bar->setTickPosition(QSlider::TicksBelow);
    bar->setGeometry(place);
    return bar;
}

QComboBox* AddCombo(QWidget* parent, const char* name, const char* accessible, const std::vector<const char*>& items,
                    QRect place)
{
    auto* combo = Named(new QComboBox(parent), name, accessible);
    for (const char* item : items) combo->addItem(QString::fromUtf8(item));
    combo->setGeometry(place);
    return combo;
}

// A page's controls fire their handlers only when the user (or a test) changes them; loading
// runs under the form's loading flag, which every handler reads.
template <class F>
void Guarded(TPenDialog* form, F handler)
{
    if (form->Loading()) return;
    RunHandler(handler);
}

}  // namespace

TColor PenStyleItemColor(TColor penColor, TColor background)
{
    if (penColor != background) return penColor;
    return penColor == clWhite ? clBlack : clWhite;
}

TPenDialog::TPenDialog(QWidget* owner) : TDuvEditorForm(owner)
{
    setObjectName("PenDialog");
    setWindowTitle("Border Editor");
    resize(260, 210);
    auto* layout = new QVBoxLayout(this);
    Panel2 = Named(new QWidget(this), "Panel2", "Border Editor");
    auto* panelLayout = new QVBoxLayout(Panel2);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    PageControl1 = Named(new QTabWidget(Panel2), "PageControl1", "Pages");
    panelLayout->addWidget(PageControl1);
    layout->addWidget(Panel2, 1);

    auto* format = new QWidget;
    PageControl1->addTab(format, "Format");
    CBVisible = Named(new QCheckBox("&Visible", format), "CBVisible", "&Visible");
    CBVisible->setGeometry(8, 6, 100, 20);
    BColor = Named(new TButtonColor(format), "BColor", "&Color...");
    BColor->setText("&Color...");
    BColor->setGeometry(120, 4, 100, 25);
    TBTransp = AddTrackBar(format, "TBTransp", "&Transparency:", 0, 255, 10, {90, 34, 140, 24});
    AddLabel(format, "LTransp", "&Transparency:", {8, 38, 80, 16}, TBTransp);
    TBSize = AddTrackBar(format, "TBSize", "&Width:", 0, 100, 5, {90, 64, 110, 24});
    LWidth = AddLabel(format, "LWidth", "&Width:", {8, 68, 80, 16}, TBSize);
    LSize = AddLabel(format, "LSize", "1", {206, 68, 30, 16}, nullptr);
    LSize->setAccessibleName("Width value");
    CBDefColor = Named(new QCheckBox("&Default Color", format), "CBDefColor", "&Default Color");
    CBDefColor->setGeometry(8, 96, 140, 20);

    auto* style = new QWidget;
    PageControl1->addTab(style, "Style");
    CBStyle = AddCombo(style, "CBStyle", "Style", {"Solid", "Dash", "Dot", "Dash Dot", "Dash Dot Dot"},
                       {8, 6, 140, 22});
    if (kExtendedPens) CBStyle->addItem(QString::fromStdString(DuvMsgSubSmallDots));
    ESpace = Named(new QSpinBox(style), "ESpace", "Sp&ace:");
    ESpace->setRange(0, 1000);
    ESpace->setGeometry(60, 36, 60, 22);
    ESpace->setEnabled(false);
    LSpace = AddLabel(style, "LSpace", "Sp&ace:", {8, 40, 50, 16}, ESpace);
    LSpace->setEnabled(false);

    auto* connections = new QWidget;
    PageControl1->addTab(connections, "Connections");
    CBEndStyle = AddCombo(connections, "CBEndStyle", "&End Style:", {"Round", "Square", "Flat"}, {90, 6, 110, 22});
    AddLabel(connections, "LEndStyle", "&End Style:", {8, 10, 80, 16}, CBEndStyle);
    CBJoinStyle = AddCombo(connections, "CBJoinStyle", "&Join Style:", {"Round", "Bevel", "Miter"}, {90, 36, 110, 22});
    AddLabel(connections, "LJoinStyle", "&Join Style:", {8, 40, 80, 16}, CBJoinStyle);

    TabGradient = new QWidget;
    PageControl1->addTab(TabGradient, "Gradient");

    PanelButtons = Named(new QWidget(this), "PanelButtons", "Buttons");
    auto* buttons = new QHBoxLayout(PanelButtons);
    buttons->addStretch(1);
    auto* ok = Named(new QPushButton("OK", PanelButtons), "BOK", "OK");
    ok->setDefault(true);
    auto* cancel = Named(new QPushButton("Cancel", PanelButtons), "BCancel", "Cancel");
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addWidget(PanelButtons);
    SetOKCancelPanel(PanelButtons);
    PageControl1->setCurrentIndex(0);

    connect(ok, &QPushButton::clicked, this, [this] { SetModalResult(mrOk); });
    connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
    connect(CBVisible, &QCheckBox::clicked, this, [this] { Guarded(this, [this] { CBVisibleClick(); }); });
    connect(TBTransp, &QSlider::valueChanged, this, [this] { Guarded(this, [this] { TBTranspChange(); }); });
    connect(TBSize, &QSlider::valueChanged, this, [this] { Guarded(this, [this] { TBSizeChange(); }); });
    connect(CBDefColor, &QCheckBox::clicked, this, [this] { Guarded(this, [this] { CBDefColorClick(); }); });
    connect(CBStyle, &QComboBox::currentIndexChanged, this, [this] { Guarded(this, [this] { CBStyleChange(); }); });
    connect(ESpace, &QSpinBox::valueChanged, this, [this] { Guarded(this, [this] { ESpaceChange(); }); });
    connect(CBEndStyle, &QComboBox::currentIndexChanged, this,
            [this] { Guarded(this, [this] { CBEndStyleChange(); }); });
    connect(CBJoinStyle, &QComboBox::currentIndexChanged, this,
            [this] { Guarded(this, [this] { CBJoinStyleChange(); }); });
    BColor->OnClick = [this] { BColorClick(); };
}

TPenDialog::~TPenDialog() = default;

TDuvPen* TPenDialog::DuvPen() const { return dynamic_cast<TDuvPen*>(pen_); }

TPenDialog* TPenDialog::Embed(TPen* pen, QWidget* parent) { return TDuvEditorForm::Embed<TPenDialog>(pen, parent); }

void TPenDialog::RefreshControls(TPersistent* pen)
{
    pen_ = dynamic_cast<TPen*>(pen);
    TDuvEditorForm::RefreshControls(pen_);
}

void TPenDialog::LoadControls()
{
    pen_ = dynamic_cast<TPen*>(Tag());
    if (!pen_) {
        BColor->LinkProperty(nullptr, {});
        Panel2->setEnabled(false);
        return;
    }
    const bool duvPen = DuvPen() != nullptr;
    CBVisible->setVisible(duvPen);
    PageControl1->setTabVisible(PageControl1->indexOf(TabGradient), duvPen);
    if (TDuvPen* pen = DuvPen()) {
        CBVisible->setChecked(pen->Visible());
        if (backup_) backup_->SetVisible(pen->Visible());
        if (pen->SmallDots()) {
            CBStyle->setCurrentIndex(CBStyle->count() - 1);
        } else {
            CBStyle->setCurrentIndex(static_cast<int>(pen->Style()));
        }
        TBSize->setEnabled(!pen->SmallDots());
        LWidth->setEnabled(!pen->SmallDots());
        LSize->setEnabled(!pen->SmallDots());
        ESpace->setEnabled(pen->SmallDots());
        LSpace->setEnabled(pen->SmallDots());
        CBEndStyle->setCurrentIndex(static_cast<int>(pen->EndStyle()));
        CBJoinStyle->setCurrentIndex(static_cast<int>(pen->JoinStyle()));
        ESpace->setValue(pen->SmallSpace());
    } else {
        CBStyle->setCurrentIndex(static_cast<int>(pen_->Style()));
    }
    TBSize->setValue(pen_->Width());
    LSize->setText(QString::number(pen_->Width()));
    TBTransp->setValue(pen_->Color() == kDefaultPenColor ? 0 : TDuvCanvas::ColorAlpha(pen_->Color()));
    SetStyleEnabling();
    BColor->LinkProperty(pen_, "Color");
    SetDefColorBox();
    Panel2->setEnabled(true);
}

void TPenDialog::FormShow()
{
    pen_ = dynamic_cast<TPen*>(Tag());
    if (!backup_) backup_ = std::make_unique<TDuvPen>();
    if (pen_) backup_->Assign(pen_);
    if (TDuvPen* pen = DuvPen()) backup_->SetVisible(pen->Visible());
    TDuvEditorForm::FormShow();
    modified_ = false;
}

void TPenDialog::Changed()
{
    modified_ = true;
    if (OnChange) OnChange(this);
}

void TPenDialog::SetStyleEnabling() { CBStyle->setEnabled(kExtendedPens || pen_->Width() == 1); }

void TPenDialog::SetDefColorBox()
{
    const bool isDefault = pen_ && pen_->Color() == kDefaultPenColor;
    const QSignalBlocker blocker(CBDefColor);
    CBDefColor->setChecked(isDefault);
    CBDefColor->setEnabled(!isDefault);
}

void TPenDialog::CBVisibleClick()
{
    if (!isVisible()) return;
    if (TDuvPen* pen = DuvPen()) pen->SetVisible(CBVisible->isChecked());
    Changed();
}

void TPenDialog::CBStyleChange()
{
    if (!pen_) return;
    TDuvPen* pen = DuvPen();
    const int index = CBStyle->currentIndex();
    if (kExtendedPens && pen && index == CBStyle->count() - 1) {
        pen->SetSmallDots(true);
    } else {
        pen_->SetStyle(static_cast<TPenStyle>(index));
        if (pen) pen->SetSmallDots(false);
    }
    const bool dots = pen && pen->SmallDots();
    TBSize->setEnabled(!dots);
    LWidth->setEnabled(!dots);
    LSize->setEnabled(!dots);
    ESpace->setEnabled(dots);
    LSpace->setEnabled(dots);
    Changed();
}

void TPenDialog::ESpaceChange()
{
    TDuvPen* pen = DuvPen();
    if (!pen || !isVisible()) return;
    pen->SetSmallSpace(ESpace->value());
    Changed();
}

void TPenDialog::CBEndStyleChange()
{
    if (TDuvPen* pen = DuvPen()) pen->SetEndStyle(static_cast<TPenEndStyle>(CBEndStyle->currentIndex()));
    Changed();
}

void TPenDialog::CBJoinStyleChange()
{
    if (TDuvPen* pen = DuvPen()) pen->SetJoinStyle(static_cast<TPenJoinStyle>(CBJoinStyle->currentIndex()));
    Changed();
}

void TPenDialog::TBSizeChange()
{
    if (!pen_) return;
    pen_->SetWidth(TBSize->value());
    LSize->setText(QString::number(pen_->Width()));
    SetStyleEnabling();
    Changed();
}

void TPenDialog::TBTranspChange()
{
    if (!pen_) return;
    const TColor base = pen_->Color() == kDefaultPenColor ? clBlack : pen_->Color();
    pen_->SetColor(TDuvCanvas::ColorWithAlpha(base, static_cast<std::uint8_t>(TBTransp->value())));
    SetDefColorBox();
    BColor->update();
    // No change notification here, but Cancel must still give the old colour back.
    modified_ = true;
}

void TPenDialog::BColorClick()
{
    SetDefColorBox();
    CBStyle->update();
    Changed();
}

void TPenDialog::CBDefColorClick()
{
    if (!pen_ || !CBDefColor->isChecked()) return;
    pen_->SetColor(kDefaultPenColor);
    BColor->update();
    SetDefColorBox();
    modified_ = true;  // like the transparency: silent, yet undone by Cancel
}

void TPenDialog::BCancelClick()
{
    if (modified_ && pen_ && backup_) {
        // The owner hears of the restore once, not once per restored property.
        TChangeHandler handler = std::move(pen_->OnChange);
        pen_->OnChange = nullptr;
        {
            const TScopeGuard restore([&] { pen_->OnChange = handler; });
            pen_->Assign(backup_.get());
            if (TDuvPen* pen = DuvPen()) pen->SetVisible(backup_->Visible());
        }
        if (handler) handler(pen_);
    }
    modified_ = false;
}

void TPenDialog::done(int result)
{
    if (result == mrCancel) RunHandler([this] { BCancelClick(); });
    TDuvEditorForm::done(result);
}

TPenDialog* CreatePenDialog(QWidget* control, TPen* pen, bool hideColor)
{
    auto* dialog = CreateEditorForm<TPenDialog>(control);
    dialog->SetTag(pen);
    dialog->BColor->setVisible(!hideColor);
    return dialog;
}

namespace {

TDuvEditorForm* MakePenDialog(QWidget* control, TPen* pen, bool hideColor)
{
    return CreatePenDialog(control, pen, hideColor);
}

}  // namespace

void DuvPenDlgInitialization()
{
    CreatePenDialogHook = &MakePenDialog;
}

void DuvPenDlgFinalization()
{
    CreatePenDialogHook = nullptr;
}
