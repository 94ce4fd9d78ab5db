#include "chart/graphics/DuvBrush.h"

#include "chart/graphics/DuvGradient.h"
#include "chart/graphics/DuvPicture.h"

TDuvBrush::TDuvBrush(TChangeHandler changed)
{
    InitColor(clDefault);
    OnChange = std::move(changed);
}

TDuvBrush::~TDuvBrush() = default;

void TDuvBrush::DeclareProperties(TPropertyDeclarer<TDuvBrush>& p)
{
    p.Color("BackColor", &TDuvBrush::BackColor, &TDuvBrush::SetBackColor).Default(clNone);
    // Written whenever it differs from the colour the owner gave: a declared default of white
    // would drop a white brush from the stream and reload it in the owner's colour.
    p.Color("Color", &TBrush::Color, &TBrush::SetColor).Stored(&TDuvBrush::IsColorStored);
    p.Object("Gradient", &TDuvBrush::GetGradient, &TDuvBrush::SetGradient).Peek(&TDuvBrush::PeekGradient);
    p.Object("Image", &TDuvBrush::GetImage, &TDuvBrush::SetImage).Peek(&TDuvBrush::PeekImage);
}

void TDuvBrush::SetBackColor(TColor value)
{
    if (SetIfChanged(backColor_, value)) Changed();
}

TDuvGradient* TDuvBrush::GetGradient()
{
    if (!gradient_) gradient_ = std::make_unique<TDuvGradient>(OnChange);
    return gradient_.get();
}

void TDuvBrush::SetGradient(const TDuvGradient* value)
{
    if (value)
        GetGradient()->Assign(value);
    else
        gradient_.reset();
    Changed();
}

TDuvPicture* TDuvBrush::GetImage()
{
    if (!image_) {
        image_ = std::make_unique<TDuvPicture>();
        image_->OnChange = OnChange;
    }
    return image_.get();
}

void TDuvBrush::SetImage(const TDuvPicture* value)
{
    if (value) {
        GetImage()->Assign(value);
    } else {
        if (!image_) return;
        image_.reset();
    }
    Changed();
}

bool TDuvBrush::HasImage() const { return image_ && image_->HasGraphic(); }

bool TDuvBrush::HasGradient() const { return gradient_ && gradient_->Visible(); }

void TDuvBrush::InitColor(TColor value)
{
    TChangeHandler saved = std::move(OnChange);
    OnChange = nullptr;
    SetColor(value);
    defaultColor_ = value;
    OnChange = std::move(saved);
}

void TDuvBrush::Assign(const TPersistent* source)
{
    if (auto* brush = dynamic_cast<const TDuvBrush*>(source)) {
        SetImage(brush->PeekImage());
        backColor_ = brush->backColor_;
        if (brush->PeekGradient())
            SetGradient(brush->PeekGradient());
        else
            gradient_.reset();
    }
    TBrush::Assign(source);
}
