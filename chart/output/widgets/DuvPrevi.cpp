#include "chart/output/widgets/DuvPrevi.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "chart/engine/ChartEditorServices.h"
#include "chart/engine/DuvProcs.h"
#include "chart/engine/widgets/DuvPanelHost.h"
#include "chart/engine/widgets/DuvProcsWidgets.h"
#include "chart/graphics/widgets/DuvControls.h"
#include "chart/output/DBChart.h"
#include "chart/output/DuvComma.h"
#include "chart/output/widgets/DuvNavigator.h"
#include "platform/core/ScopeGuard.h"
#include "platform/ui/Application.h"
#include "platform/ui/NamedControls.h"
#include "platform/ui/Printers.h"

TPageNavigatorFactory ChartPageNavigatorClass;

namespace {

constexpr const char* kPlacementName = "PrintPreview";

bool PrinterInstalled()
{
    try {
        return Printer().Installed();
    } catch (const EPrinter&) {
        return false;
    }
}

QCheckBox* CheckBox(QWidget* parent, const char* name, const char* caption)
{
    auto* box = Named(new QCheckBox(QString::fromUtf8(caption), parent), name, QString::fromUtf8(caption).remove('&'));
    return box;
}

QPushButton* Button(QWidget* parent, const char* name, const char* caption)
{
    return Named(new QPushButton(QString::fromUtf8(caption), parent), name, QString::fromUtf8(caption).remove('&'));
}

QLabel* Label(QWidget* parent, const char* name, const char* caption, QWidget* buddy = nullptr)
{
    auto* label = Named(new QLabel(QString::fromUtf8(caption), parent), name, QString::fromUtf8(caption).remove('&'));
    if (buddy) label->setBuddy(buddy);
    return label;
}

}  // namespace

// ---------------------------------------------------------------- TChartPreview

TChartPreview::TChartPreview(QWidget* parent, TPageNavigatorFactory navigatorClass)
    : QDialog(parent), preview_(MakeComponent<TDuvPreviewPanel>()), navigatorClass_(std::move(navigatorClass))
{
    setObjectName("ChartPreview");
    setWindowTitle("Plotwise Print Preview");
    setAccessibleName(windowTitle());
    resize(640, 460);
    preview_->SetName("DuvPreviewPanel1");
    preview_->OnChangeMargins = {this, &TChartPreview::PreviewMarginsEvent};
    BuildControls();
}

TChartPreview::~TChartPreview()
{
    // The host goes with the dialog's children; the panel it shows must outlive it.
    delete host_;
    host_ = nullptr;
}

void TChartPreview::BuildControls()
{
    auto* layout = new QVBoxLayout(this);

    // Top bar: printer, setup, print, close.
    closePanel_ = Named(new QWidget(this), "PanelClose", "Printer");
    auto* top = new QHBoxLayout(closePanel_);
    top->setContentsMargins(0, 0, 0, 0);
    printers_ = Named(new QComboBox(closePanel_), "CBPrinters", "Printer");
    top->addWidget(Label(closePanel_, "LabelPrinter", "P&rinter:", printers_));
    top->addWidget(printers_, 1);
    setup_ = Button(closePanel_, "BSetup", "&Setup...");
    print_ = Button(closePanel_, "BPrint", "&Print");
    close_ = Button(closePanel_, "BClose", "Close");
    for (QPushButton* button : {setup_, print_, close_}) top->addWidget(button);
    layout->addWidget(closePanel_);

    auto* body = new QHBoxLayout;
    layout->addLayout(body, 1);
    auto* left = new QWidget(this);
    left->setObjectName("PanelLeft");
    leftSide_ = new QVBoxLayout(left);
    leftSide_->setContentsMargins(0, 0, 0, 0);
    body->addWidget(left);

    // Orientation.
    auto* orientation = Named(new QGroupBox(QStringLiteral("Orien&tation:"), left), "RGOrientation", "Orientation");
    auto* orientationLayout = new QVBoxLayout(orientation);
    portrait_ = Named(new QRadioButton(QStringLiteral("P&ortrait"), orientation), "RBPortrait", "Portrait");
    landscape_ = Named(new QRadioButton(QStringLiteral("&Landscape"), orientation), "RBLandscape", "Landscape");
    orientationLayout->addWidget(portrait_);
    orientationLayout->addWidget(landscape_);
    orientation_ = orientation;
    leftSide_->addWidget(orientation);

    // The margins block folds open and shut.
    marginsBlock_ = Named(new QWidget(left), "PanelMargins", "Margins");
    auto* block = new QVBoxLayout(marginsBlock_);
    block->setContentsMargins(0, 0, 0, 0);
    marginsFold_ = Named(new QToolButton(marginsBlock_), "BMarginsFold", "Margins");
    marginsFold_->setText("Margins");
    marginsFold_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    marginsFold_->setArrowType(Qt::DownArrow);
    block->addWidget(marginsFold_);
    marginsBody_ = new QGroupBox(QStringLiteral("Margins (%)"), marginsBlock_);
    marginsBody_->setObjectName("GBMargins");
    marginsBody_->setAccessibleName("Margins (%)");
    auto* grid = new QGridLayout(marginsBody_);
    static constexpr const char* kSides[] = {"Left", "Top", "Right", "Bottom"};
    for (int side = msLeft; side <= msBottom; ++side) {
        auto* edit = Named(new QSpinBox(marginsBody_), (std::string("SE") + kSides[side]).c_str(), kSides[side]);
        edit->setRange(0, 100);
        edit->setSingleStep(kMarginStep);
        margins_[side] = edit;
        grid->addWidget(new QLabel(kSides[side], marginsBody_), side, 0);
        grid->addWidget(edit, side, 1);
        connect(edit, &QSpinBox::valueChanged, this, [this, side](int value) {
            RunHandler([&] { MarginEdited(static_cast<TMarginSide>(side), value); });
        });
    }
    reset_ = Button(marginsBody_, "BReset", "&Reset");
    visible_ = CheckBox(marginsBody_, "CBMargins", "&Visible");
    grid->addWidget(reset_, 4, 0);
    grid->addWidget(visible_, 4, 1);
    block->addWidget(marginsBody_);
    marginsBlock_->setFixedHeight(kMarginsOpenHeight);
    leftSide_->addWidget(marginsBlock_);

    // Detail, options, panel editor.
    auto* detailLabel = Label(left, "LabelDetail", "Detail:");
    detail_ = Named(new QSlider(Qt::Horizontal, left), "TBDetail", "Detail");
    detail_->setRange(0, 100);
    detailLabel->setBuddy(detail_);
    leftSide_->addWidget(detailLabel);
    leftSide_->addWidget(detail_);
    auto* detailEnds = new QHBoxLayout;
    detailEnds->addWidget(Label(left, "LabelMore", "More"));
    detailEnds->addStretch(1);
    detailEnds->addWidget(Label(left, "LabelNormal", "Normal"));
    leftSide_->addLayout(detailEnds);
    proportional_ = CheckBox(left, "CBProp", "Proport&ional");
    smooth_ = CheckBox(left, "CBSmooth", "S&mooth");
    background_ = CheckBox(left, "CBBackground", "&Background");
    panelButton_ = Button(left, "BPanel", "&Panel...");
    for (QWidget* control : std::initializer_list<QWidget*>{proportional_, smooth_, background_, panelButton_})
        leftSide_->addWidget(control);
    leftSide_->addStretch(1);

    host_ = new TDuvPanelHost(*preview_, this);
    host_->setObjectName("DuvPreviewPanel1");
    host_->setAccessibleName("Print preview");
    body->addWidget(host_, 1);

    connect(printers_, &QComboBox::activated, this, [this](int index) { RunHandler([&] { PrinterChanged(index); }); });
    connect(setup_, &QPushButton::clicked, this, Guarded(this, &TChartPreview::SetupClicked));
    connect(print_, &QPushButton::clicked, this, Guarded(this, &TChartPreview::PrintClicked));
    connect(close_, &QPushButton::clicked, this, &QDialog::accept);
    connect(portrait_, &QRadioButton::clicked, this, [this] { RunHandler([&] { OrientationChanged(false); }); });
    connect(landscape_, &QRadioButton::clicked, this, [this] { RunHandler([&] { OrientationChanged(true); }); });
    connect(marginsFold_, &QToolButton::clicked, this, Guarded(this, &TChartPreview::ToggleMargins));
    connect(reset_, &QPushButton::clicked, this, Guarded(this, &TChartPreview::ResetClicked));
    connect(visible_, &QCheckBox::clicked, this, [this](bool on) { RunHandler([&] { VisibleClicked(on); }); });
    connect(detail_, &QSlider::valueChanged, this, [this](int position) { RunHandler([&] { DetailChanged(position); }); });
    connect(proportional_, &QCheckBox::clicked, this, [this](bool on) { RunHandler([&] { ProportionalClicked(on); }); });
    connect(smooth_, &QCheckBox::clicked, this, [this](bool on) { RunHandler([&] { SmoothClicked(on); }); });
    connect(background_, &QCheckBox::clicked, this, [this](bool on) { RunHandler([&] { BackgroundClicked(on); }); });
    connect(panelButton_, &QPushButton::clicked, this, Guarded(this, &TChartPreview::PanelClicked));
}

void TChartPreview::HideClosePanel() { closePanel_->hide(); }

void TChartPreview::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (opened_) return;
    RunHandler([this] { FormShow(); });
}

void TChartPreview::FormShow()
{
    opened_ = true;
    LoadFormPlacement(this, kPlacementName, true, false);
    const QScopedValueRollback<bool> updating(updating_, true);
    if (navigatorClass_ && !navigator_) {
        navigator_ = navigatorClass_(this);
        navigator_->setWhatsThis(QString::number(1488));
        navigator_->OnButtonClicked = {this, &TChartPreview::PageNavigatorClicked};
        leftSide_->addWidget(navigator_);
    }
    if (TagPanel) preview_->SetPanel(TagPanel);
    const bool printers = PrinterInstalled();
    FillPrinters();
    for (QWidget* control : std::initializer_list<QWidget*>{print_, setup_, orientation_}) control->setEnabled(printers);
    if (printers) {
        Printer().SetOrientation(TPrinterOrientation::poLandscape);
        landscape_->setChecked(true);
    }
    TCustomDuvPanel* panel = preview_->Panel();
    if (panel) {
        proportional_->setChecked(panel->PrintProportional());
        detail_->setValue(panel->PrintResolution() + 100);
        openingMargins_ = panel->PrintMargins;
        RefreshMargins();
        if (navigator_)
            if (auto* chart = dynamic_cast<TCustomAxisPanel*>(panel)) navigator_->SetPanel(chart);
    } else {
        for (QWidget* control : std::initializer_list<QWidget*>{proportional_, detail_, marginsBody_, print_})
            control->setEnabled(false);
    }
    reset_->setEnabled(false);
    smooth_->setChecked(preview_->AsBitmap());
    background_->setChecked(PrintPanelDecorations);
    visible_->setChecked(preview_->Margins().Visible());
    TranslateControl(this);
}

void TChartPreview::FillPrinters()
{
    printers_->clear();
    if (!PrinterInstalled()) return;
    for (const std::string& name : Printer().PrinterNames()) printers_->addItem(QString::fromStdString(name));
    printers_->setCurrentIndex(Printer().PrinterIndex());
}

TRect TChartPreview::EditedMargins() const
{
    return {margins_[msLeft]->value(), margins_[msTop]->value(), margins_[msRight]->value(), margins_[msBottom]->value()};
}

void TChartPreview::ShowMargins(const TRect& margins)
{
    const QScopedValueRollback<bool> updating(updating_, true);
    const int values[] = {margins.Left, margins.Top, margins.Right, margins.Bottom};
    for (int side = msLeft; side <= msBottom; ++side) {
        accepted_[side] = values[side];
        margins_[side]->setValue(values[side]);
    }
}

void TChartPreview::RefreshMargins()
{
    TCustomDuvPanel* panel = preview_->Panel();
    if (!panel) return;
    if (panel->PrintProportional() && PrinterInstalled()) panel->ProportionalPrintMargins();
    ShowMargins(panel->PrintMargins);
}

void TChartPreview::Repaint() { preview_->Invalidate(); }

void TChartPreview::PageNavigatorClicked(TDuvNavigateBtn) { Repaint(); }

void TChartPreview::MarginEdited(TMarginSide side, int value)
{
    TCustomDuvPanel* panel = preview_->Panel();
    if (!panel || !(isVisible() || opened_)) return;
    static constexpr TMarginSide kOpposite[] = {msRight, msBottom, msLeft, msTop};
    const TRect before = panel->PrintMargins;
    if (value + margins_[kOpposite[side]]->value() > 99) {
        // Both margins together would leave no paper for the chart.
        const QScopedValueRollback<bool> updating(updating_, true);
        margins_[side]->setValue(accepted_[side]);
        return;
    }
    accepted_[side] = value;
    TRect& margins = panel->PrintMargins;
    int* fields[] = {&margins.Left, &margins.Top, &margins.Right, &margins.Bottom};
    *fields[side] = value;
    if (updating_) {
        const TRect& o = openingMargins_;
        reset_->setEnabled(o.Left != 0 || o.Top != 0 || o.Right != 0 || o.Bottom != 0);
        return;
    }
    Repaint();
    proportional_->setChecked(false);
    ProportionalClicked(false);
    reset_->setEnabled(before != openingMargins_);
}

void TChartPreview::PreviewMarginsEvent(TObject*, bool, const TRect& margins) { PreviewMarginsChanged(margins); }

void TChartPreview::PreviewMarginsChanged(const TRect& margins)
{
    ShowMargins(margins);
    const QScopedValueRollback<bool> updating(updating_, true);
    proportional_->setChecked(false);
}

void TChartPreview::ProportionalClicked(bool checked)
{
    TCustomDuvPanel* panel = preview_->Panel();
    if (!panel) return;
    panel->SetPrintProportional(checked);
    RefreshMargins();
    reset_->setEnabled(!checked);
    Repaint();
}

void TChartPreview::ResetClicked()
{
    TCustomDuvPanel* panel = preview_->Panel();
    if (!panel) return;
    panel->PrintMargins = openingMargins_;
    ShowMargins(openingMargins_);
    Repaint();
    reset_->setEnabled(false);
}

void TChartPreview::PrinterChanged(int index)
{
    Printer().SetPrinterIndex(index);
    OrientationChanged(landscape_->isChecked());
}

void TChartPreview::OrientationChanged(bool landscape)
{
    if (!PrinterInstalled()) return;
    Printer().SetOrientation(landscape ? TPrinterOrientation::poLandscape : TPrinterOrientation::poPortrait);
    (landscape ? landscape_ : portrait_)->setChecked(true);
    RefreshMargins();
    Repaint();
}

void TChartPreview::DetailChanged(int position)
{
    if (TCustomDuvPanel* panel = preview_->Panel(); panel && !updating_) {
        panel->SetPrintResolution(position - 100);
        Repaint();
    }
}

void TChartPreview::SmoothClicked(bool checked) { preview_->SetAsBitmap(checked); }

void TChartPreview::BackgroundClicked(bool checked)
{
    PrintPanelDecorations = checked;
    Repaint();
}

void TChartPreview::VisibleClicked(bool checked) { preview_->Margins().SetVisible(checked); }

void TChartPreview::PanelClicked()
{
    TFormPreviewPanelEditor editor(this, *preview_);
    editor.exec();
    Repaint();
}

void TChartPreview::SetupClicked()
{
    auto* printer = dynamic_cast<TQtPrinter*>(&Printer());
    if (!printer) return;
    QPageSetupDialog dialog(&printer->Device(), this);
    if (dialog.exec() != QDialog::Accepted) return;
    FillPrinters();
    landscape_->setChecked(Printer().Orientation() == TPrinterOrientation::poLandscape);
    portrait_->setChecked(!landscape_->isChecked());
    RefreshMargins();
    Repaint();
}

void TChartPreview::PrintClicked()
{
    SetScreenCursor(crHourGlass);
    const TScopeGuard cursor([] { SetScreenCursor(crDefault); });
    if (navigator_ && navigator_->PageCount() > 1) navigator_->Print();
    else preview_->Print();
}

void TChartPreview::ToggleMargins()
{
    marginsOpen_ = !marginsOpen_;
    marginsBody_->setVisible(marginsOpen_);
    marginsFold_->setArrowType(marginsOpen_ ? Qt::DownArrow : Qt::RightArrow);
    marginsBlock_->setFixedHeight(marginsOpen_ ? kMarginsOpenHeight : marginsFold_->sizeHint().height());
}

void TChartPreview::closeEvent(QCloseEvent* event)
{
    SaveFormPlacement(this, kPlacementName, true, false);
    QDialog::closeEvent(event);
}

void TChartPreview::done(int result)
{
    SaveFormPlacement(this, kPlacementName, true, false);
    QDialog::done(result);
}

void ShowChartPreview(QWidget* owner, TCustomDuvPanel* panel)
{
    const TScopeGuard repaint([panel] {
        if (panel) panel->Invalidate();
    });
    TChartPreview dialog(owner, ChartPageNavigatorClass);
    dialog.Preview().SetPanel(panel);
    dialog.exec();
}

// ---------------------------------------------------------------- TFormPreviewPanelEditor

TFormPreviewPanelEditor::TFormPreviewPanelEditor(QWidget* parent, TDuvPreviewPanel& preview)
    : QDialog(parent), preview_(preview)
{
    setObjectName("FormPreviewPanelEditor");
    setWindowTitle("DuvPreview Editor");
    setAccessibleName(windowTitle());
    auto* layout = new QVBoxLayout(this);
    pages_ = Named(new QTabWidget(this), "PageControl1", "Pages");
    layout->addWidget(pages_);

    auto* options = new QWidget;
    options->setObjectName("TabOptions");
    auto* optionsLayout = new QVBoxLayout(options);
    struct TOptionRow {
        const char* name;
        const char* caption;
        std::function<void(TDuvPreviewPanel&, bool)> set;
    };
    const TOptionRow rows[] = {
        {"CBAllowMove", "Allow &Move",
         [](TDuvPreviewPanel& p, bool on) { p.AllowMove = on; }},
        {"CBAllowResize", "Allow &Resize",
         [](TDuvPreviewPanel& p, bool on) { p.AllowResize = on; }},
        {"CBDragImage", "&Drag Image",
         [](TDuvPreviewPanel& p, bool on) { p.DragImage = on; }},
        {"CBAsBitmap", "As &Bitmap",
         [](TDuvPreviewPanel& p, bool on) { p.SetAsBitmap(on); }},
        {"CBShowImage", "Show &Image",
         [](TDuvPreviewPanel& p, bool on) { p.SetShowImage(on); }},
    };
    for (std::size_t i = 0; i < options_.size(); ++i) {
        options_[i] = CheckBox(options, rows[i].name, rows[i].caption);
        optionsLayout->addWidget(options_[i]);
        connect(options_[i], &QCheckBox::clicked, this, [this, set = rows[i].set](bool on) {
            RunHandler([&] { set(preview_, on); });
        });
    }
    auto* orientation = Named(new QGroupBox(QStringLiteral("Orien&tation:"), options), "RGOrientation", "Orientation");
    auto* orientationLayout = new QVBoxLayout(orientation);
    orientation_ = new QButtonGroup(this);
    static constexpr const char* kOrientations[] = {"Default", "Portrait", "Landscape"};
    for (int i = 0; i < 3; ++i) {
        auto* radio = Named(new QRadioButton(kOrientations[i], orientation), (std::string("RB") + kOrientations[i]).c_str(),
                            kOrientations[i]);
        orientation_->addButton(radio, i);
        orientationLayout->addWidget(radio);
    }
    connect(orientation_, &QButtonGroup::idClicked, this, [this](int id) {
        RunHandler([&] { preview_.SetOrientation(static_cast<TDuvPreviewPanelOrientation>(id)); });
    });
    optionsLayout->addWidget(orientation);
    auto* paperColor = new TButtonColor(options);
    paperColor->setText("&Paper Color...");
    Named(paperColor, "BPaperColor", "Paper Color...");
    paperColor->LinkProperty(&preview_, "PaperColor");
    optionsLayout->addWidget(paperColor);
    optionsLayout->addStretch(1);
    pages_->addTab(options, "Options");

    auto* panelPage = new QWidget;
    panelPage->setObjectName("TabPanel");
    new QVBoxLayout(panelPage);
    pages_->addTab(panelPage, "Panel");
    auto* marginsPage = new QWidget;
    marginsPage->setObjectName("TabMargins");
    new QVBoxLayout(marginsPage);
    pages_->addTab(marginsPage, "Margins");
    connect(pages_, &QTabWidget::currentChanged, this, [this](int index) { RunHandler([&] { PageChanged(index); }); });
}

void TFormPreviewPanelEditor::LoadOptions()
{
    const bool values[] = {preview_.AllowMove, preview_.AllowResize, preview_.DragImage, preview_.AsBitmap(),
                           preview_.ShowImage()};
    for (std::size_t i = 0; i < options_.size(); ++i) options_[i]->setChecked(values[i]);
    if (QAbstractButton* button = orientation_->button(static_cast<int>(preview_.Orientation()))) button->setChecked(true);
}

void TFormPreviewPanelEditor::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    LoadOptions();
}

void TFormPreviewPanelEditor::PageChanged(int index)
{
    // The chart editor's panel and pen editors are made on the first visit of their page; the
    // pages stay empty while no editor is installed.
    QWidget* page = pages_->widget(index);
    TChartEditorServices& services = ChartEditorServices();
    if (index == 1 && !panelPageMade_)
        panelPageMade_ = services.EmbedPanelEditor(page, preview_);
    else if (index == 2 && !marginsPageMade_)
        marginsPageMade_ = services.EmbedPenEditor(page, preview_.Margins());
}
