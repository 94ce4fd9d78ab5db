#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <functional>
#include <memory>

#include "chart/editor/DuvPenDlg.h"
#include "chart/editor/support_EditorForms.h"
#include "chart/editor/support_EditorTest.h"
#include "chart/engine/DuvProcs.h"
#include "chart/graphics/DuvCanvas.h"
#include "chart/graphics/DuvPen.h"
#include "chart/graphics/Graphics.h"
#include "chart/graphics/GraphicClasses.h"
#include "platform/core/Registry.h"
#include "platform/ui/ScriptedUiServices.h"
#include "support/TestSupport.h"

using editortest::TShowRecordingForm;

namespace {

class FormServices : public testing::Test {
protected:
    void SetUp() override { editortest::StartEditorModules(); }
};

// ---------------------------------------------------------------- embedding

struct EmbedPlaceCase {
    const char* Name;
    int ParentHeight, FormHeight;
    TAlign Align;
    QRect Expected;  // the form's place in the parent after embedding
};

TEST_F(FormServices, EmbeddingPlacesTheFormByTheClientHeights)
{
    const EmbedPlaceCase cases[] = {
        {"taller form", 200, 300, alNone, {4, 4, 250, 300}},
        {"nearly as high", 200, 195, alNone, {4, 2, 250, 195}},
        {"as high", 200, 200, alNone, {4, 0, 250, 200}},
        {"aligned to the top: not moved", 200, 300, alTop, {10, 10, 250, 300}},
        {"filling the parent", 200, 300, alClient, {0, 0, 320, 200}},
    };
    for (const EmbedPlaceCase& c : cases) {
        SCOPED_TRACE(c.Name);
        QWidget host;
        host.resize(400, 300);
        auto* sheet = new QWidget(&host);
        sheet->setGeometry(0, 0, 320, c.ParentHeight);
        host.show();
        auto* form = new TDuvEditorForm;
        form->setGeometry(10, 10, 250, c.FormHeight);
        form->SetAlign(c.Align);
        EmbedForm(form, sheet);
        EXPECT_EQ(form->parentWidget(), sheet);
        EXPECT_FALSE(form->isWindow());
        EXPECT_EQ(form->geometry(), c.Expected);
        if (c.Align == alClient) {
            sheet->resize(300, 150);  // a filling form follows its parent
            EXPECT_EQ(form->geometry(), QRect(0, 0, 300, 150));
        }
    }
}

struct EmbedStepCase {
    const char* Name;
    bool SheetHidden;
    bool ParentFont;
    int ExpectedPointSize;
};

// The form shows while its parent is visible, with the tag and the font it gets before showing;
// a hidden sheet is hidden again afterwards with the form shown inside it.
TEST_F(FormServices, EmbeddingRunsItsStepsInOrder)
{
    const EmbedStepCase cases[] = {
        {"hidden sheet, parent's font", true, true, 17},
        {"hidden sheet, own font", true, false, 9},
        {"current sheet, parent's font", false, true, 17},
    };
    for (const EmbedStepCase& c : cases) {
        SCOPED_TRACE(c.Name);
        QTabWidget tabs;
        auto* first = new QWidget;
        auto* second = new QWidget;
        tabs.addTab(first, "First");
        tabs.addTab(second, "Second");
        tabs.resize(300, 200);
        tabs.show();
        QWidget* sheet = c.SheetHidden ? second : first;
        QFont sheetFont = sheet->font();
        sheetFont.setPointSize(17);
        sheet->setFont(sheetFont);
        ASSERT_EQ(sheet->isHidden(), c.SheetHidden);

        TDuvPen pen;
        auto* form = new TShowRecordingForm;
        QFont ownFont = form->font();
        ownFont.setPointSize(9);
        form->setFont(ownFont);
        form->ParentFont = c.ParentFont;
        EmbedFormWithTag(form, sheet, &pen);

        ASSERT_EQ(form->Shown.size(), 1u);
        EXPECT_TRUE(form->Shown[0].ParentVisible);
        EXPECT_EQ(form->Shown[0].Tag, &pen);
        EXPECT_EQ(form->Shown[0].FontPointSize, c.ExpectedPointSize);
        EXPECT_EQ(sheet->isHidden(), c.SheetHidden);
        EXPECT_TRUE(form->isVisibleTo(sheet));
        EXPECT_EQ(form->Position, poDesigned);
        EXPECT_EQ(form->BorderStyle, TFormBorderStyle::bsNone);
        EXPECT_TRUE(form->BorderIcons.Empty());
        EXPECT_EQ(form->DefaultMonitor, dmDesktop);
        EXPECT_TRUE(form->ParentColor);
        EXPECT_TRUE(form->ParentBackground);
    }
}

TEST_F(FormServices, EmbedBindsTheObjectAndHidesTheButtonPanel)
{
    class TPanelForm : public TDuvEditorForm {
    public:
        explicit TPanelForm(QWidget* owner) : TDuvEditorForm(owner)
        {
            auto* panel = new QWidget(this);
            panel->setObjectName("PanelButtons");
            SetOKCancelPanel(panel);
        }
    };
    QWidget sheet;
    sheet.resize(300, 200);
    sheet.show();
    TDuvPen pen;
    TPanelForm* form = TDuvEditorForm::Embed<TPanelForm>(&pen, &sheet);
    EXPECT_EQ(form->Tag(), &pen);
    EXPECT_EQ(form->parentWidget(), &sheet);
    EXPECT_EQ(form->geometry(), sheet.rect());
    EXPECT_TRUE(form->OKCancelPanel()->isHidden());
}

// ---------------------------------------------------------------- creating and placing

TEST_F(FormServices, CreateEditorFormOwnsTheFormByTheControlsWindow)
{
    QWidget window;
    auto* page = new QWidget(&window);
    auto* button = new QPushButton("Edit", page);
    // A control inside a form embedded in a window: the window owns.
    auto* embedded = new TDuvEditorForm;
    embedded->setParent(page, Qt::Widget);
    auto* inner = new QPushButton("Inner", embedded);
    struct Case {
        const char* Name;
        QWidget* Control;
        QWidget* ExpectedOwner;
        TPosition ExpectedPosition;
    };
    const Case cases[] = {
        {"control on a window", button, &window, poOwnerFormCenter},
        {"control in an embedded form", inner, &window, poOwnerFormCenter},
        {"the window itself", &window, &window, poOwnerFormCenter},
        {"no control", nullptr, nullptr, poScreenCenter},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        std::unique_ptr<TDuvEditorForm> form(CreateEditorForm<TDuvEditorForm>(c.Control));
        EXPECT_EQ(form->parentWidget(), c.ExpectedOwner);
        EXPECT_TRUE(form->isWindow());
        EXPECT_EQ(form->Position, c.ExpectedPosition);
        EXPECT_EQ(form->Align(), alNone);
        EXPECT_EQ(form->BorderStyle, TFormBorderStyle::bsSizeable);
    }
}

TEST_F(FormServices, CenterFormChoosesTheOwnerOrTheScreen)
{
    QWidget owner;
    owner.setGeometry(100, 120, 400, 300);
    owner.show();
    TDuvEditorForm* owned = new TDuvEditorForm(&owner);
    TDuvEditorForm alone;
    CenterForm(owned);
    CenterForm(&alone);
    EXPECT_EQ(owned->Position, poOwnerFormCenter);
    EXPECT_EQ(alone.Position, poScreenCenter);

    owned->resize(200, 100);
    owned->show();
    const QPoint offset = owned->frameGeometry().center() - owner.frameGeometry().center();
    EXPECT_LE(offset.manhattanLength(), 2);
}

struct ScaleCase {
    const char* Name;
    int ParentPixelsPerInch, FormPixelsPerInch;
    QSize ExpectedSize;
    QRect ExpectedButton;
};

TEST_F(FormServices, ScaleToParentFormFollowsTheParentFormsResolution)
{
    const ScaleCase cases[] = {
        {"equal", 96, 96, {200, 100}, {10, 20, 40, 20}},
        {"parent finer", 144, 96, {300, 150}, {15, 30, 60, 30}},
        {"parent coarser", 96, 120, {160, 80}, {8, 16, 32, 16}},
    };
    for (const ScaleCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TDuvEditorForm parentForm;
        parentForm.PixelsPerInch = c.ParentPixelsPerInch;
        auto* sheet = new QWidget(&parentForm);
        auto* form = new TDuvEditorForm(sheet);
        form->setParent(sheet, Qt::Widget);
        form->PixelsPerInch = c.FormPixelsPerInch;
        form->resize(200, 100);
        auto* button = new QPushButton("OK", form);
        button->setGeometry(10, 20, 40, 20);
        ScaleToParentForm(form);
        EXPECT_EQ(form->size(), c.ExpectedSize);
        EXPECT_EQ(button->geometry(), c.ExpectedButton);
        EXPECT_EQ(form->PixelsPerInch, c.ParentPixelsPerInch);
    }
}

TEST_F(FormServices, AFormWithoutAFormAboveKeepsItsScale)
{
    TDuvEditorForm form;
    form.PixelsPerInch = 300;
    form.resize(200, 100);
    EXPECT_EQ(ParentCustomForm(&form), nullptr);
    ScaleToParentForm(&form);
    EXPECT_EQ(form.size(), QSize(200, 100));
    EXPECT_EQ(form.PixelsPerInch, 300);
}

// ---------------------------------------------------------------- remembered sizes

struct SizeCase {
    const char* Name;
    bool KeyExists;
    const char* Width;   // "" missing, "s:text" a string value, else an integer
    const char* Height;
    QSize Designed;
    QSize Expected;
};

void StoreValue(TRegistry& registry, const std::string& name, const std::string& value)
{
    if (value.empty()) return;
    if (value.rfind("s:", 0) == 0)
        registry.WriteString(name, value.substr(2));
    else
        registry.WriteInteger(name, std::stoi(value));
}

TEST_F(FormServices, LoadFormSizeReadsTheRememberedSize)
{
    const SizeCase cases[] = {
        {"a narrow width counts as 100", true, "40", "100", {300, 200}, {100, 100}},
        {"stored sizes", true, "500", "400", {300, 200}, {500, 400}},
        {"no values keep the designed size", true, "", "", {300, 200}, {300, 200}},
        {"one value missing", true, "", "250", {300, 200}, {300, 250}},
        {"a small designed size without a value stays", true, "", "", {80, 60}, {80, 60}},
        {"a value of another type is passed over", true, "s:wide", "250", {300, 200}, {300, 250}},
        {"no key changes nothing", false, "", "", {300, 200}, {300, 200}},
    };
    for (const SizeCase& c : cases) {
        SCOPED_TRACE(c.Name);
        qbtest::ScopedConfigDir config;
        if (c.KeyExists) {
            TRegistry registry;
            registry.SetRootKey(HKEY_CURRENT_USER);
            ASSERT_TRUE(registry.OpenKey(EditorOptionsKey, true));
            registry.WriteInteger("Other", 1);
            StoreValue(registry, "GalleryWidth", c.Width);
            StoreValue(registry, "GalleryHeight", c.Height);
        }
        TDuvEditorForm form;
        form.setGeometry(30, 40, c.Designed.width(), c.Designed.height());
        LoadFormSize(&form, "Gallery");
        EXPECT_EQ(form.FrameSize(), c.Expected);
        EXPECT_EQ(form.pos(), QPoint(30, 40));
    }
}

TEST_F(FormServices, SaveFormSizeWritesWidthAndHeightUnderTheName)
{
    qbtest::ScopedConfigDir config;
    TDuvEditorForm form;
    form.resize(420, 310);
    SaveFormSize(&form, "ToolsGallery");
    EXPECT_EQ(ReadEditorInteger("ToolsGalleryWidth", 0), form.FrameSize().width());
    EXPECT_EQ(ReadEditorInteger("ToolsGalleryHeight", 0), form.FrameSize().height());

    TDuvEditorForm again;
    again.resize(200, 150);
    LoadFormSize(&again, "ToolsGallery");
    EXPECT_EQ(again.FrameSize(), form.FrameSize());
}

// ---------------------------------------------------------------- list moves

std::vector<std::pair<std::string, int>> Items(const QListWidget& list)
{
    std::vector<std::pair<std::string, int>> items;
    for (int i = 0; i < list.count(); ++i)
        items.emplace_back(list.item(i)->text().toStdString(), list.item(i)->data(Qt::UserRole).toInt());
    return items;
}

void Fill(QListWidget& list, const std::vector<std::pair<std::string, int>>& items)
{
    for (const auto& [text, object] : items) {
        auto* item = new QListWidgetItem(QString::fromStdString(text), &list);
        item->setData(Qt::UserRole, object);
    }
}

TEST(EditorHelpers, MoveSelectedItemsAppendsInOrderWithTheirObjects)
{
    using TItems = std::vector<std::pair<std::string, int>>;
    struct Case {
        const char* Name;
        std::vector<int> Selected;
        TItems Target, Source;
    };
    const Case cases[] = {
        {"items 2 and 3", {1, 2}, {{"X", 9}, {"B", 2}, {"C", 3}}, {{"A", 1}, {"D", 4}, {"E", 5}}},
        {"first and last", {0, 4}, {{"X", 9}, {"A", 1}, {"E", 5}}, {{"B", 2}, {"C", 3}, {"D", 4}}},
        {"all", {0, 1, 2, 3, 4}, {{"X", 9}, {"A", 1}, {"B", 2}, {"C", 3}, {"D", 4}, {"E", 5}}, {}},
        {"none", {}, {{"X", 9}}, {{"A", 1}, {"B", 2}, {"C", 3}, {"D", 4}, {"E", 5}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        QListWidget source, target;
        source.setSelectionMode(QAbstractItemView::MultiSelection);
        Fill(source, {{"A", 1}, {"B", 2}, {"C", 3}, {"D", 4}, {"E", 5}});
        Fill(target, {{"X", 9}});
        for (int index : c.Selected) source.item(index)->setSelected(true);
        MoveSelectedItems(&source, &target);
        EXPECT_EQ(Items(target), c.Target);
        EXPECT_EQ(Items(source), c.Source);
    }
}

TEST(EditorHelpers, MoveAllItemsAppendsEveryItemAndEmptiesTheSource)
{
    QListWidget source, target;
    Fill(source, {{"A", 1}, {"B", 2}});
    Fill(target, {{"X", 9}});
    MoveAllItems(&source, &target);
    EXPECT_EQ(Items(target), (std::vector<std::pair<std::string, int>>{{"X", 9}, {"A", 1}, {"B", 2}}));
    EXPECT_EQ(source.count(), 0);
}

// ---------------------------------------------------------------- questions and dialogs

TEST_F(FormServices, ConfirmDeleteAsksBesideTheControl)
{
    QWidget window;
    window.setGeometry(50, 60, 300, 200);
    auto* button = new QPushButton("Delete", &window);
    button->move(10, 15);
    window.show();
    struct Case {
        const char* Name;
        std::string ItemName;
        QWidget* Control;
        int Pressed;
        bool Expected;
        std::string Text;
    };
    const Case cases[] = {
        {"yes beside a control", "Series1", button, mrYes, true, "Delete Series1 ?"},
        {"no beside a control", "Series1", button, mrNo, false, "Delete Series1 ?"},
        {"yes without a control", "Line", nullptr, mrYes, true, "Delete Line ?"},
        {"a name with a percent sign", "100%s", nullptr, mrNo, false, "Delete 100%s ?"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TScriptedUiServices ui;
        TScopedUiServices scope(ui);
        ui.Push(TUiAnswer::Press(c.Pressed));
        EXPECT_EQ(ConfirmDelete(c.ItemName, c.Control), c.Expected);
        ASSERT_EQ(ui.Log().size(), 1u);
        const TUiCall& call = ui.Log()[0];
        EXPECT_EQ(call.Text, c.Text);
        EXPECT_EQ(call.MsgType, TMsgDlgType::mtConfirmation);
        EXPECT_EQ(call.Buttons, mbYesNo);
        EXPECT_EQ(call.Placed, c.Control != nullptr);
        if (c.Control) {
            const QPoint origin = c.Control->mapToGlobal(QPoint(0, 0));
            EXPECT_EQ(QPoint(call.X, call.Y), origin + QPoint(20, 30));
        }
    }
}

TEST_F(FormServices, CancelledDialogsChangeNothingAndReportFalse)
{
    TScriptedUiServices ui;
    TScopedUiServices scope(ui);

    TFont font;
    font.SetName("Tahoma");
    font.SetSize(10);
    ui.Push(TUiAnswer::Cancel(TUiCallKind::Font));
    EXPECT_FALSE(PickFont(nullptr, font));
    EXPECT_EQ(font.Name(), "Tahoma");
    EXPECT_EQ(font.Size(), 10);

    std::string folder = "/data/themes";
    ui.Push(TUiAnswer::Cancel(TUiCallKind::Directory));
    EXPECT_FALSE(SelectFolder("Select database folder", "/", folder));
    EXPECT_EQ(folder, "/data/themes");

    qbtest::TempDir dir;
    std::unique_ptr<TGraphic> graphic = FindGraphicClass("TPngImage")->Create();
    QImage picture(8, 6, QImage::Format_RGB32);
    picture.fill(Qt::red);
    graphic->SetImage(picture);
    ui.Push(TUiAnswer::Cancel(TUiCallKind::SaveFile));
    EXPECT_FALSE(SaveGraphicAs(nullptr, *graphic));
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST_F(FormServices, ConfirmedDialogsChangeTheirObject)
{
    TScriptedUiServices ui;
    TScopedUiServices scope(ui);

    TFont font;
    font.SetName("Tahoma");
    font.SetColor(static_cast<TColor>(0x40000000));  // a quarter transparent black
    TFontChoice chosen;
    chosen.Name = "Liberation Sans";
    chosen.Size = 14;
    chosen.Bold = true;
    chosen.Color = 0x0000FF;
    ui.Push(TUiAnswer::ChooseFont(chosen));
    EXPECT_TRUE(PickFont(nullptr, font));
    EXPECT_EQ(font.Name(), "Liberation Sans");
    EXPECT_EQ(font.Size(), 14);
    EXPECT_TRUE(font.Style().Contains(fsBold));
    EXPECT_EQ(static_cast<std::uint32_t>(font.Color()), 0x400000FFu);  // the transparency stays

    std::string folder;
    ui.Push(TUiAnswer::Directory("/data/themes"));
    EXPECT_TRUE(SelectFolder("Select database folder", "/data", folder));
    EXPECT_EQ(folder, "/data/themes");
    EXPECT_EQ(ui.Log().back().Default, "/data");  // an empty folder starts at the root

    qbtest::TempDir dir;
    std::unique_ptr<TGraphic> graphic = FindGraphicClass("TPngImage")->Create();
    QImage picture(8, 6, QImage::Format_RGB32);
    picture.fill(Qt::red);
    graphic->SetImage(picture);
    ui.Push(TUiAnswer::SaveFile(dir.file("saved.png")));
    EXPECT_TRUE(SaveGraphicAs(nullptr, *graphic));
    EXPECT_EQ(ui.Log().back().Text, "Portable Network Graphics (*.png)|*.png");
    QImage saved(QString::fromStdString(dir.file("saved.png")));
    EXPECT_EQ(saved.size(), QSize(8, 6));
}

TEST_F(FormServices, ArrowGlyphsArePicturesOfTheirOwn)
{
    QImage up, down;
    LoadArrowGlyphs(up, down);
    ASSERT_FALSE(up.isNull());
    ASSERT_FALSE(down.isNull());
    EXPECT_EQ(up.size(), down.size());
    EXPECT_NE(up, down);
    // One arrow is the other upside down.
    EXPECT_EQ(up.convertToFormat(QImage::Format_ARGB32).mirrored(false, true),
              down.convertToFormat(QImage::Format_ARGB32));
}

}  // namespace

// ---------------------------------------------------------------- the pen dialog

namespace {

class PenDialog : public testing::Test {
protected:
    void SetUp() override
    {
        editortest::StartEditorModules();
        DuvPenDlgInitialization();  // another test may have cleared the button's hook
    }
};

// A shown dialog on pen, as a pen button opens it.
std::unique_ptr<TPenDialog> ShownDialog(TPen& pen)
{
    std::unique_ptr<TPenDialog> dialog(CreatePenDialog(nullptr, &pen));
    dialog->show();
    QApplication::processEvents();
    return dialog;
}

struct PenChangeCase {
    const char* Name;
    std::function<void(TPenDialog&)> Change;
    std::function<bool(const TDuvPen&)> Changed;
    bool FiresOnChange;
};

}  // namespace

TEST_F(PenDialog, EachControlChangesItsPropertyAndCancelGivesItBack)
{
    const PenChangeCase cases[] = {
        {"width", [](TPenDialog& d) { d.TBSize->setValue(7); }, [](const TDuvPen& p) { return p.Width() == 7; }, true},
        {"style", [](TPenDialog& d) { d.CBStyle->setCurrentIndex(2); },
         [](const TDuvPen& p) { return p.Style() == psDot; }, true},
        {"visible", [](TPenDialog& d) { d.CBVisible->click(); }, [](const TDuvPen& p) { return !p.Visible(); }, true},
        {"end style", [](TPenDialog& d) { d.CBEndStyle->setCurrentIndex(2); },
         [](const TDuvPen& p) { return p.EndStyle() == esFlat; }, true},
        {"join style", [](TPenDialog& d) { d.CBJoinStyle->setCurrentIndex(1); },
         [](const TDuvPen& p) { return p.JoinStyle() == jsBevel; }, true},
        {"spacing", [](TPenDialog& d) { d.CBStyle->setCurrentIndex(5); d.ESpace->setValue(3); },
         [](const TDuvPen& p) { return p.SmallDots() && p.SmallSpace() == 3; }, true},
        // Moving only the transparency tells no one, yet Cancel must still undo it.
        {"transparency", [](TPenDialog& d) { d.TBTransp->setValue(40); },
         [](const TDuvPen& p) { return TDuvCanvas::ColorAlpha(p.Color()) == 40; }, false},
        {"default colour", [](TPenDialog& d) { d.CBDefColor->click(); },
         [](const TDuvPen& p) { return p.Color() == static_cast<TColor>(0x20000000); }, false},
    };
    for (const PenChangeCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TDuvPen pen;
        pen.SetColor(clRed);
        TDuvPen original;
        original.Assign(&pen);
        auto dialog = ShownDialog(pen);
        int changes = 0;
        dialog->OnChange = [&](TPenDialog*) { ++changes; };
        c.Change(*dialog);
        EXPECT_TRUE(c.Changed(pen));
        EXPECT_EQ(changes > 0, c.FiresOnChange);
        dialog->reject();
        EXPECT_EQ(pen.Width(), original.Width());
        EXPECT_EQ(pen.Style(), original.Style());
        EXPECT_EQ(pen.Color(), original.Color());
        EXPECT_EQ(pen.Visible(), original.Visible());
        EXPECT_EQ(pen.SmallDots(), original.SmallDots());
        EXPECT_EQ(pen.EndStyle(), original.EndStyle());
        EXPECT_EQ(pen.JoinStyle(), original.JoinStyle());
    }
}

TEST_F(PenDialog, CancelTellsThePenOnlyWhenSomethingChanged)
{
    TDuvPen pen;
    int notified = 0;
    pen.OnChange = [&](TObject*) { ++notified; };
    {
        auto dialog = ShownDialog(pen);
        dialog->reject();
        EXPECT_EQ(notified, 0);
        EXPECT_EQ(dialog->ModalResult(), mrCancel);
    }
    auto dialog = ShownDialog(pen);
    dialog->TBSize->setValue(4);
    dialog->CBStyle->setCurrentIndex(1);
    ASSERT_EQ(pen.Width(), 4);
    ASSERT_EQ(pen.Style(), psDash);
    notified = 0;
    dialog->reject();
    EXPECT_EQ(pen.Width(), 1);
    EXPECT_EQ(pen.Style(), psSolid);
    EXPECT_EQ(notified, 1);
}

TEST_F(PenDialog, APlainPenShowsNoVisibleBoxAndNoGradientTab)
{
    TPen plain;
    auto dialog = ShownDialog(plain);
    EXPECT_FALSE(dialog->CBVisible->isVisible());
    EXPECT_FALSE(dialog->PageControl1->isTabVisible(dialog->PageControl1->indexOf(dialog->TabGradient)));
    TDuvPen pen;
    dialog->RefreshControls(&pen);
    EXPECT_TRUE(dialog->PageControl1->isTabVisible(dialog->PageControl1->indexOf(dialog->TabGradient)));
}

TEST_F(PenDialog, SmallDotsSwapTheWidthAndSpacingControls)
{
    TDuvPen pen;
    auto dialog = ShownDialog(pen);
    ASSERT_EQ(dialog->CBStyle->itemText(dialog->CBStyle->count() - 1), "Small Dots");
    dialog->CBStyle->setCurrentIndex(dialog->CBStyle->count() - 1);
    EXPECT_TRUE(pen.SmallDots());
    EXPECT_FALSE(dialog->TBSize->isEnabled());
    EXPECT_FALSE(dialog->LWidth->isEnabled());
    EXPECT_TRUE(dialog->ESpace->isEnabled());
    EXPECT_TRUE(dialog->LSpace->isEnabled());
    dialog->CBStyle->setCurrentIndex(1);
    EXPECT_FALSE(pen.SmallDots());
    EXPECT_EQ(pen.Style(), psDash);
    EXPECT_TRUE(dialog->TBSize->isEnabled());
    EXPECT_FALSE(dialog->ESpace->isEnabled());
}

TEST_F(PenDialog, TransparencyAndDefaultColourWorkOnTheOwnersColour)
{
    TDuvPen pen;
    pen.SetColor(static_cast<TColor>(0x20000000));
    auto dialog = ShownDialog(pen);
    EXPECT_TRUE(dialog->CBDefColor->isChecked());
    EXPECT_FALSE(dialog->CBDefColor->isEnabled());
    EXPECT_EQ(dialog->TBTransp->value(), 0);
    dialog->TBTransp->setValue(0x20);
    EXPECT_EQ(static_cast<std::uint32_t>(pen.Color()), 0x20000000u | 0u);
    dialog->TBTransp->setValue(0x30);
    EXPECT_EQ(static_cast<std::uint32_t>(pen.Color()), 0x30000000u);  // black with that top byte
    EXPECT_FALSE(dialog->CBDefColor->isChecked());
    EXPECT_TRUE(dialog->CBDefColor->isEnabled());
    dialog->CBDefColor->click();
    EXPECT_EQ(static_cast<std::uint32_t>(pen.Color()), 0x20000000u);
    EXPECT_TRUE(dialog->CBDefColor->isChecked());
    EXPECT_FALSE(dialog->CBDefColor->isEnabled());
}

TEST_F(PenDialog, StyleItemsKeepTheirLineVisibleOnTheirBackground)
{
    const struct {
        TColor Pen, Background, Drawn;
    } cases[] = {
        {clRed, clWhite, clRed},
        {static_cast<TColor>(0xD77800), static_cast<TColor>(0xD77800), clWhite},  // the highlight colour
        {clWhite, clWhite, clBlack},
        {clBlack, clBlack, clWhite},
    };
    for (const auto& c : cases) EXPECT_EQ(PenStyleItemColor(c.Pen, c.Background), c.Drawn);
}

TEST_F(PenDialog, APenButtonOpensTheDialogAndOKKeepsTheChange)
{
    for (const bool ok : {true, false}) {
        SCOPED_TRACE(ok ? "OK" : "Cancel");
        TDuvPen pen;
        TButtonPen button;
        button.LinkPen(&pen);
        int clicks = 0;
        button.OnClick = [&] { ++clicks; };
        bool opened = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = dynamic_cast<TPenDialog*>(button.Dialog());
            if (!dialog) return;
            opened = true;
            dialog->TBSize->setValue(5);
            if (ok) dialog->SetModalResult(mrOk);
            else dialog->reject();
        });
        button.Click();
        EXPECT_TRUE(opened);
        EXPECT_EQ(pen.Width(), ok ? 5 : 1);
        EXPECT_EQ(clicks, ok ? 1 : 0);
        EXPECT_EQ(button.Dialog(), nullptr);
    }
}
