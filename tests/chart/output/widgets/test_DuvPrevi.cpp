// The print preview dialog and the preview panel's editor, driven offscreen.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <memory>

#include "chart/engine/support_ChartEngine.h"
#include "chart/engine/support_EditorServices.h"
#include "chart/engine/widgets/DuvPanelHost.h"
#include "chart/output/DuvComma.h"
#include "chart/output/support_DuvStoreTest.h"
#include "chart/output/widgets/ChartOutputWidgetModules.h"
#include "chart/output/widgets/DuvPrevi.h"
#include "platform/ui/Printers.h"
#include "support/TestSupport.h"

namespace {

using enginetest::TTestPanel;

class PreviewDialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        storetest::StartStoreModules();
        auto printer = std::make_unique<TRecordingPrinter>(2480, 3508, 300, 300);
        recording_ = printer.get();
        previous_ = SetPrinter(std::move(printer));
        panel_.SetName("Panel1");
        panel_.SetBounds(0, 0, 300, 200);
        panel_.SetPrintProportional(false);
        panel_.PrintMargins = {15, 15, 15, 15};
        panel_.SetPrintResolution(-40);
    }
    void TearDown() override { SetPrinter(std::move(previous_)); }

    // A dialog on the test panel, opened.
    std::unique_ptr<TChartPreview> Open(TCustomDuvPanel* panel)
    {
        auto dialog = std::make_unique<TChartPreview>();
        dialog->Preview().SetPanel(panel);
        dialog->show();
        return dialog;
    }

    qbtest::ScopedConfigDir config_;
    TRecordingPrinter* recording_ = nullptr;
    std::unique_ptr<TPrinter> previous_;
    TTestPanel panel_;
};

TRect EditsOf(TChartPreview& dialog)
{
    using M = TChartPreview;
    return {dialog.MarginEdit(M::msLeft)->value(), dialog.MarginEdit(M::msTop)->value(),
            dialog.MarginEdit(M::msRight)->value(), dialog.MarginEdit(M::msBottom)->value()};
}

}  // namespace

TEST_F(PreviewDialogTest, OpeningShowsThePrinterAndThePanelsSettings)
{
    auto dialog = Open(&panel_);
    EXPECT_EQ(dialog->windowTitle(), "Plotwise Print Preview");
    EXPECT_TRUE(dialog->PrintButton()->isEnabled());
    EXPECT_TRUE(dialog->SetupButton()->isEnabled());
    EXPECT_TRUE(dialog->OrientationBox()->isEnabled());
    EXPECT_EQ(dialog->PrinterCombo()->currentText(), "Recording printer");
    EXPECT_TRUE(dialog->LandscapeButton()->isChecked());
    EXPECT_EQ(recording_->Orientation(), TPrinterOrientation::poLandscape);
    EXPECT_FALSE(dialog->ProportionalCheck()->isChecked());
    EXPECT_EQ(dialog->DetailBar()->value(), 60);
    EXPECT_EQ(EditsOf(*dialog), (TRect{15, 15, 15, 15}));
    EXPECT_FALSE(dialog->ResetButton()->isEnabled());
    EXPECT_EQ(dialog->SmoothCheck()->isChecked(), dialog->Preview().AsBitmap());
    EXPECT_TRUE(dialog->BackgroundCheck()->isChecked());

    dialog->OrientationChanged(false);
    EXPECT_EQ(recording_->Orientation(), TPrinterOrientation::poPortrait);
    EXPECT_TRUE(dialog->PortraitButton()->isChecked());
}

TEST_F(PreviewDialogTest, WithoutPrinterOrPanelTheirControlsAreOff)
{
    recording_->Missing = true;
    auto dialog = Open(&panel_);
    EXPECT_FALSE(dialog->PrintButton()->isEnabled());
    EXPECT_FALSE(dialog->SetupButton()->isEnabled());
    EXPECT_FALSE(dialog->OrientationBox()->isEnabled());
    EXPECT_EQ(dialog->PrinterCombo()->count(), 0);
    EXPECT_TRUE(dialog->ProportionalCheck()->isEnabled());

    recording_->Missing = false;
    auto empty = Open(nullptr);
    EXPECT_FALSE(empty->PrintButton()->isEnabled());
    EXPECT_FALSE(empty->ProportionalCheck()->isEnabled());
    EXPECT_FALSE(empty->DetailBar()->isEnabled());
    EXPECT_FALSE(empty->MarginEdit(TChartPreview::msLeft)->isEnabled());
}

TEST_F(PreviewDialogTest, MarginEditsAreTakenOrRevertedOver99)
{
    auto dialog = Open(&panel_);
    using M = TChartPreview;
    struct Case {
        const char* name;
        M::TMarginSide side;
        int value;
        TRect margins;
        bool reset;
    };
    const Case cases[] = {
        {"left 20 is taken", M::msLeft, 20, {20, 15, 15, 15}, false},
        {"left 85 with right 15 is reverted", M::msLeft, 85, {20, 15, 15, 15}, true},
        {"right 79 fits beside left 20", M::msRight, 79, {20, 15, 79, 15}, true},
        {"top 90 with bottom 15 is reverted", M::msTop, 90, {20, 15, 79, 15}, true},
        {"bottom 84 fits beside top 15", M::msBottom, 84, {20, 15, 79, 84}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        dialog->MarginEdit(c.side)->setValue(c.value);
        EXPECT_EQ(EditsOf(*dialog), c.margins);
        EXPECT_EQ(panel_.PrintMargins, c.margins);
        EXPECT_FALSE(dialog->ProportionalCheck()->isChecked());
        EXPECT_EQ(dialog->ResetButton()->isEnabled(), c.reset);
    }
    dialog->ResetClicked();
    EXPECT_EQ(panel_.PrintMargins, (TRect{15, 15, 15, 15}));
    EXPECT_EQ(EditsOf(*dialog), (TRect{15, 15, 15, 15}));
    EXPECT_FALSE(dialog->ResetButton()->isEnabled());
}

TEST_F(PreviewDialogTest, DraggingThePictureCopiesTheMarginsIntoTheEdits)
{
    panel_.SetPrintProportional(true);
    auto dialog = Open(&panel_);
    dialog->ProportionalClicked(false);
    dialog->ResetClicked();
    TDuvPreviewPanel& preview = dialog->Preview();
    dialog->PreviewHost()->resize(432, 312);
    dialog->PreviewHost()->grab();
    const TRect image = preview.ImageRect();
    const int x = (image.Left + image.Right) / 2, y = (image.Top + image.Bottom) / 2;
    dialog->ProportionalCheck()->setChecked(true);
    preview.MouseDown(mbLeft, {}, x, y);
    preview.MouseMove({}, x + 10, y + 10);
    preview.MouseUp(mbLeft, {}, x + 10, y + 10);
    EXPECT_NE(panel_.PrintMargins, (TRect{15, 15, 15, 15}));
    EXPECT_EQ(EditsOf(*dialog), panel_.PrintMargins);
    EXPECT_FALSE(dialog->ProportionalCheck()->isChecked());
}

TEST_F(PreviewDialogTest, OptionsReachThePanelAndThePreview)
{
    auto dialog = Open(&panel_);
    dialog->DetailChanged(25);
    EXPECT_EQ(panel_.PrintResolution(), -75);
    dialog->ProportionalClicked(true);
    EXPECT_TRUE(panel_.PrintProportional());
    EXPECT_FALSE(dialog->ResetButton()->isEnabled());
    dialog->ProportionalClicked(false);
    EXPECT_TRUE(dialog->ResetButton()->isEnabled()) << "enabled while proportional is off";
    dialog->SmoothClicked(true);
    EXPECT_TRUE(dialog->Preview().AsBitmap());
    dialog->VisibleClicked(false);
    EXPECT_FALSE(dialog->Preview().Margins().Visible());
    dialog->BackgroundClicked(false);
    EXPECT_FALSE(PrintPanelDecorations);
    dialog->BackgroundClicked(true);

    EXPECT_TRUE(dialog->MarginsOpen());
    EXPECT_EQ(dialog->MarginsBlock()->height(), TChartPreview::kMarginsOpenHeight);
    dialog->ToggleMargins();
    EXPECT_FALSE(dialog->MarginsOpen());
    EXPECT_LT(dialog->MarginsBlock()->height(), TChartPreview::kMarginsOpenHeight);
    dialog->ToggleMargins();
    EXPECT_EQ(dialog->MarginsBlock()->height(), TChartPreview::kMarginsOpenHeight);

    dialog->HideClosePanel();
    EXPECT_TRUE(dialog->ClosePanel()->isHidden());
}

TEST_F(PreviewDialogTest, PrintSendsThePanelToThePrinter)
{
    auto dialog = Open(&panel_);
    dialog->PrintClicked();
    EXPECT_EQ(recording_->Steps, (std::vector<std::string>{"Landscape", "BeginDoc", "EndDoc"}));
    EXPECT_EQ(recording_->Pages().size(), 1u);
    EXPECT_EQ(recording_->Title, "Panel1");
}

TEST_F(PreviewDialogTest, EveryControlHasAnAccessibleName)
{
    auto dialog = Open(&panel_);
    TFormPreviewPanelEditor editor(dialog.get(), dialog->Preview());
    for (QWidget* window : std::initializer_list<QWidget*>{dialog.get(), &editor})
        for (QWidget* control : window->findChildren<QWidget*>()) {
            const bool interactive = qobject_cast<QAbstractButton*>(control) || qobject_cast<QComboBox*>(control) ||
                                     qobject_cast<QAbstractSpinBox*>(control) || qobject_cast<QSlider*>(control);
            if (interactive && !control->objectName().startsWith("qt_")) {
                EXPECT_FALSE(control->accessibleName().isEmpty()) << control->objectName().toStdString();
            }
        }
}

TEST_F(PreviewDialogTest, TheToolbarsPrintButtonOpensTheDialogModally)
{
    InitializeChartOutputWidgetModules();
    TDuvCommander bar;
    bar.SetPanel(&panel_);
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = dynamic_cast<TChartPreview*>(QApplication::activeModalWidget());
        seen = dialog && dialog->Preview().Panel() == &panel_;
        if (dialog) dialog->reject();
    });
    bar.ClickButton(dcPrint);
    EXPECT_TRUE(seen);
    FinalizeChartOutputWidgetModules();
    EXPECT_FALSE(ChartEditorServices().CanShowPreview());
}

TEST_F(PreviewDialogTest, PanelEditorCopiesAndWritesThePreviewsOptions)
{
    TDuvPreviewPanel preview;
    preview.AllowMove = false;
    preview.SetOrientation(ppoLandscape);
    std::vector<std::string> embedded;
    TTestEditorServices services;
    services.EmbedPanel = [&](QWidget*, TCustomDuvPanel& panel) {
        embedded.push_back(&panel == &preview ? "panel" : "?");
        return true;
    };
    services.EmbedPen = [&](QWidget*, TDuvPen& pen) {
        embedded.push_back(&pen == &preview.Margins() ? "pen" : "?");
        return true;
    };
    {
        TScopedChartEditorServices installed(services);
        TFormPreviewPanelEditor editor(nullptr, preview);
        editor.show();
        EXPECT_EQ(editor.windowTitle(), "DuvPreview Editor");
        auto* allowMove = editor.findChild<QCheckBox*>("CBAllowMove");
        ASSERT_NE(allowMove, nullptr);
        EXPECT_FALSE(allowMove->isChecked());
        allowMove->click();
        EXPECT_TRUE(preview.AllowMove);
        editor.findChild<QCheckBox*>("CBAsBitmap")->click();
        EXPECT_TRUE(preview.AsBitmap());
        EXPECT_TRUE(editor.findChild<QRadioButton*>("RBLandscape")->isChecked());
        editor.findChild<QRadioButton*>("RBPortrait")->click();
        EXPECT_EQ(preview.Orientation(), ppoPortrait);
        ASSERT_EQ(editor.Pages()->count(), 3);
        EXPECT_EQ(editor.Pages()->tabText(1), "Panel");
        editor.Pages()->setCurrentIndex(1);
        editor.Pages()->setCurrentIndex(2);
        editor.Pages()->setCurrentIndex(1);
    }
    EXPECT_EQ(embedded, (std::vector<std::string>{"panel", "pen"})) << "each made once, on the first visit";
}
