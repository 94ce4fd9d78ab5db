#pragma once
// The print preview dialog and the preview panel's own small editor. The dialog shows a chart
// panel on a sheet of paper (TDuvPreviewPanel in a panel host), lets the user choose the
// printer, its setup and orientation, the margins, the detail and the options, and prints.
#include <QDialog>
#include <array>
#include <functional>
#include <memory>

#include "chart/output/DuvPreviewPanel.h"
#include "chart/output/widgets/DuvNavigator.h"
#include "platform/core/Component.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;
class QSpinBox;
class QTabWidget;
class QToolButton;
class QVBoxLayout;
class TDuvPanelHost;

// Makes the page navigator of a paged chart inside the dialog; the chart editor's module sets
// the page navigator class here. None: the dialog has no page navigator.
using TPageNavigatorFactory = std::function<TCustomDuvNavigator*(QWidget* parent)>;
extern TPageNavigatorFactory ChartPageNavigatorClass;

class TChartPreview : public QDialog {
public:
    static constexpr int kMarginsOpenHeight = 168;
    static constexpr int kMarginStep = 5;
    enum TMarginSide { msLeft, msTop, msRight, msBottom };

    explicit TChartPreview(QWidget* parent = nullptr, TPageNavigatorFactory navigatorClass = nullptr);
    ~TChartPreview() override;

    TDuvPreviewPanel& Preview() const { return *preview_; }
    TDuvPanelHost* PreviewHost() const { return host_; }
    TCustomDuvNavigator* PageNavigator() const { return navigator_; }
    // The panel the dialog opens with (the class library's form Tag); none by default.
    TCustomDuvPanel* TagPanel = nullptr;

    // Hides the Close panel (the dialog embedded in another window).
    void HideClosePanel();
    // What the dialog does when it opens (also run by its first show).
    void FormShow();

    // ---------------------------------------------------- the user's actions, as the controls call them
    void MarginEdited(TMarginSide side, int value);
    void ProportionalClicked(bool checked);
    void ResetClicked();
    void PrinterChanged(int index);
    void OrientationChanged(bool landscape);
    void DetailChanged(int position);
    void SmoothClicked(bool checked);
    void BackgroundClicked(bool checked);
    void VisibleClicked(bool checked);
    void PanelClicked();
    void SetupClicked();
    void PrintClicked();
    void ToggleMargins();
    bool MarginsOpen() const { return marginsOpen_; }

    // ---------------------------------------------------- controls, for tests and embedding
    QComboBox* PrinterCombo() const { return printers_; }
    QPushButton* SetupButton() const { return setup_; }
    QPushButton* PrintButton() const { return print_; }
    QPushButton* CloseButton() const { return close_; }
    QWidget* ClosePanel() const { return closePanel_; }
    QWidget* OrientationBox() const { return orientation_; }
    QRadioButton* PortraitButton() const { return portrait_; }
    QRadioButton* LandscapeButton() const { return landscape_; }
    QWidget* MarginsBlock() const { return marginsBlock_; }
    QSpinBox* MarginEdit(TMarginSide side) const { return margins_[side]; }
    QPushButton* ResetButton() const { return reset_; }
    QCheckBox* VisibleCheck() const { return visible_; }
    QSlider* DetailBar() const { return detail_; }
    QCheckBox* ProportionalCheck() const { return proportional_; }
    QCheckBox* SmoothCheck() const { return smooth_; }
    QCheckBox* BackgroundCheck() const { return background_; }
    QPushButton* PanelButton() const { return panelButton_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void done(int result) override;

private:
    void BuildControls();
    void FillPrinters();
    // Recomputes proportional margins when they are on (and a printer exists), then shows them.
    void RefreshMargins();
    void ShowMargins(const TRect& margins);
    void PreviewMarginsChanged(const TRect& margins);
    void PreviewMarginsEvent(TObject* sender, bool disableProportional, const TRect& margins);
    void Repaint();
    void PageNavigatorClicked(TDuvNavigateBtn button);
    TRect EditedMargins() const;

    TComponentPtr<TDuvPreviewPanel> preview_;
    TDuvPanelHost* host_ = nullptr;
    TPageNavigatorFactory navigatorClass_;
    TCustomDuvNavigator* navigator_ = nullptr;
    QComboBox* printers_ = nullptr;
    QPushButton* setup_ = nullptr;
    QPushButton* print_ = nullptr;
    QPushButton* close_ = nullptr;
    QWidget* closePanel_ = nullptr;
    QWidget* orientation_ = nullptr;
    QRadioButton* portrait_ = nullptr;
    QRadioButton* landscape_ = nullptr;
    QWidget* marginsBlock_ = nullptr;
    QToolButton* marginsFold_ = nullptr;
    QWidget* marginsBody_ = nullptr;
    std::array<QSpinBox*, 4> margins_{};
    std::array<int, 4> accepted_{};
    QPushButton* reset_ = nullptr;
    QCheckBox* visible_ = nullptr;
    QSlider* detail_ = nullptr;
    QCheckBox* proportional_ = nullptr;
    QCheckBox* smooth_ = nullptr;
    QCheckBox* background_ = nullptr;
    QPushButton* panelButton_ = nullptr;
    QVBoxLayout* leftSide_ = nullptr;
    TRect openingMargins_;
    bool updating_ = false;
    bool opened_ = false;
    bool marginsOpen_ = true;
};

// The dialog for a panel, modal; the panel is repainted afterwards, also after a failure.
void ShowChartPreview(QWidget* owner, TCustomDuvPanel* panel);

class TFormPreviewPanelEditor : public QDialog {
public:
    TFormPreviewPanelEditor(QWidget* parent, TDuvPreviewPanel& preview);

    QTabWidget* Pages() const { return pages_; }
    // Copies the preview's options into the controls (as on showing).
    void LoadOptions();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void PageChanged(int index);

    TDuvPreviewPanel& preview_;
    QTabWidget* pages_ = nullptr;
    std::array<QCheckBox*, 5> options_{};
    QButtonGroup* orientation_ = nullptr;
    bool panelPageMade_ = false;
    bool marginsPageMade_ = false;
};

// The widget module's start-up: the toolbar's print button opens this dialog.
