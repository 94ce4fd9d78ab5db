#include "chart/graphics/widgets/DuvImageFiltered.h"

#include <QPainter>

#include "chart/graphics/DuvFilterBase.h"
#include "chart/graphics/DuvPicture.h"

TImageFiltered::TImageFiltered(QWidget* parent)
    : QWidget(parent), picture_(std::make_unique<TDuvPicture>()), filters_(std::make_unique<TFilterItems>())
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The picture's own handler keeps working after ours.
    picture_->OnChange = [this, previous = picture_->OnChange](TObject* sender) {
        if (rebuilding_) return;
        PictureChanged();
        if (previous) previous(sender);
    };
    filters_->OnChange = [this](TObject*) { update(); };
}

TImageFiltered::~TImageFiltered()
{
    filters_->OnChange = nullptr;
    picture_->OnChange = nullptr;
}

void TImageFiltered::PictureChanged()
{
    filtered_.reset();
    update();
}

void TImageFiltered::SetFilters(const TFilterItems* value)
{
    filters_->Assign(value);
    PictureChanged();
}

void TImageFiltered::Assign(const TImageFiltered& source)
{
    picture_->Assign(source.Picture());
    SetFilters(source.Filters());
}

const QImage* TImageFiltered::GetFilteredBitmap()
{
    if (filters_->ItemsChanged) {
        filtered_.reset();
        filters_->ItemsChanged = false;
    }
    if (filtered_) return filtered_.get();
    const QImage* graphic = picture_->Graphic();
    if (!graphic) return nullptr;
    rebuilding_ = true;
    auto bitmap = std::make_unique<QImage>(*graphic);
    rebuilding_ = false;
    filters_->ApplyAll(*bitmap);
    filtered_ = std::move(bitmap);
    return filtered_.get();
}

void TImageFiltered::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    const QImage* bitmap = GetFilteredBitmap();
    if (!bitmap) return;
    // The picture at its own size from the top-left corner, as a picture control places it.
    painter.drawImage(QPoint(0, 0), *bitmap);
}
