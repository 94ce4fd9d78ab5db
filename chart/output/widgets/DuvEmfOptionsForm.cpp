#include "chart/output/widgets/DuvEmfOptionsForm.h"

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPicture>
#include <QPixmap>
#include <QVBoxLayout>

#include "chart/graphics/Metafile.h"
#include "chart/output/DuvEmfOptions.h"
#include "platform/ui/NamedControls.h"

TEMFOptions::TEMFOptions(TEMFExportFormat* format, QWidget* parent) : QWidget(parent), format_(format)
{
    setObjectName("EMFOptions");
    CBEnhanced = Named(new QCheckBox("&Enhanced", this), "CBEnhanced", "Enhanced");
    CBEnhanced->setChecked(!format_ || format_->Enhanced());
    LPreview = Named(new QLabel("Preview:", this), "LPreview", "Preview:");
    Image1 = Named(new QLabel(this), "Image1", "Preview");
    Image1->setScaledContents(true);
    Image1->setMinimumSize(120, 80);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(CBEnhanced);
    layout->addWidget(LPreview);
    layout->addWidget(Image1, 1);
    connect(CBEnhanced, &QCheckBox::toggled, this, [this](bool on) {
        if (format_) format_->Options(true)->Enhanced = on;
        RefreshPreview();
    });
}

void TEMFOptions::showEvent(QShowEvent* event)
{
    RefreshPreview();
    QWidget::showEvent(event);
}

void TEMFOptions::RefreshPreview()
{
    if (!format_ || !format_->Panel) return;
    const std::unique_ptr<TMetafile> metafile = format_->Metafile();
    QImage picture(metafile->Width(), metafile->Height(), QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    QPicture records = metafile->Picture();
    records.play(&painter);
    painter.end();
    Image1->setPixmap(QPixmap::fromImage(picture));
}
