#include "chart/graphics/DuvPicture.h"

void TDuvPicture::Changed()
{
    if (OnChange) OnChange(this);
}

void TDuvPicture::SetGraphic(const QImage* value)
{
    graphic_ = value && !value->isNull() ? std::make_unique<QImage>(*value) : nullptr;
    Changed();
}

void TDuvPicture::Assign(const TPersistent* source)
{
    auto* picture = dynamic_cast<const TDuvPicture*>(source);
    if (!picture) return TPersistent::Assign(source);
    SetGraphic(picture->Graphic());
}
