#include "chart/output/widgets/DuvBmpOptionsForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>

#include "chart/engine/ChartEditorServices.h"
#include "chart/output/DuvBmpOptions.h"
#include "platform/ui/NamedControls.h"

namespace {

const char* const kColors[] = {"Default",        "2 (1 bit)",     "16 (4 bit)",   "256 (8 bit)",
                               "32768 (15 bit)", "65536 (16 bit)", "16M (24 bit)", "16M (32 bit)"};
constexpr int kMaxDPI = 3000;

}  // namespace

TBMPOptions::TBMPOptions(TBMPExportFormat* format, QWidget* parent) : QWidget(parent), format_(format)
{
    setObjectName("BMPOptions");
    CBColors = Named(new QComboBox(this), "CBColors", "Colors:");
    for (const char* item : kColors) CBColors->addItem(item);
    EDPI = Named(new QSpinBox(this), "EDPI", "DPI:");
    EDPI->setRange(0, kMaxDPI);
    CBMono = Named(new QCheckBox("&Monochrome", this), "CBMono", "Monochrome");
    BFilters = Named(new QPushButton("&Filters...", this), "BFilters", "Filters...");
    BFilters->setEnabled(ChartEditorServices().CanEditPictureFilters());
    LPreview = Named(new QLabel("Preview:", this), "LPreview", "Preview:");
    Image1 = Named(new QLabel(this), "Image1", "Preview");
    Image1->setScaledContents(true);
    Image1->setMinimumSize(120, 80);
    auto* colours = new QLabel("&Colors:", this);
    colours->setBuddy(CBColors);
    auto* dpi = new QLabel("&DPI:", this);
    dpi->setBuddy(EDPI);
    auto* layout = new QFormLayout(this);
    layout->addRow(colours, CBColors);
    layout->addRow(dpi, EDPI);
    layout->addRow(CBMono);
    layout->addRow(BFilters);
    layout->addRow(LPreview);
    layout->addRow(Image1);
    CBColors->setCurrentIndex(0);
    if (format_) {
        const TBMPOptionsValues* values = format_->Options(true);
        EDPI->setValue(values->DPI);
        CBMono->setChecked(values->Monochrome);
    }
    Store();
    connect(CBColors, &QComboBox::currentIndexChanged, this, [this] {
        Store();
        RefreshPreview();
    });
    connect(EDPI, &QSpinBox::valueChanged, this, [this] { Store(); });
    connect(CBMono, &QCheckBox::toggled, this, [this] {
        Store();
        RefreshPreview();
    });
    connect(BFilters, &QPushButton::clicked, this, [this] { FiltersClick(); });
}

void TBMPOptions::showEvent(QShowEvent* event)
{
    CBColors->setCurrentIndex(0);
    Store();
    RefreshPreview();
    QWidget::showEvent(event);
}

void TBMPOptions::Store()
{
    CBColors->setEnabled(!CBMono->isChecked());
    if (!format_) return;
    TBMPOptionsValues* values = format_->Options(true);
    values->PixelFormat = CBColors->currentIndex();
    values->DPI = EDPI->value();
    values->Monochrome = CBMono->isChecked();
}

void TBMPOptions::RefreshPreview()
{
    if (!format_ || !format_->Panel) return;
    Image1->setPixmap(QPixmap::fromImage(format_->Bitmap().Image));
}

void TBMPOptions::FiltersClick()
{
    TChartEditorServices& services = ChartEditorServices();
    if (!format_ || !format_->Panel || !services.CanEditPictureFilters()) return;
    const QImage picture = format_->UnfilteredBitmap().Image;
    if (services.EditPictureFilters(this, picture, format_->Filters())) RefreshPreview();
}
