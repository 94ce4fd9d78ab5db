#include "chart/graphics/DuvPen.h"

#include "chart/graphics/DuvBrush.h"
#include "chart/graphics/DuvGradient.h"

TDuvPen::TDuvPen(TChangeHandler changed) { OnChange = std::move(changed); }

TDuvPen::~TDuvPen() = default;

void TDuvPen::DeclareProperties(TPropertyDeclarer<TDuvPen>& p)
{
    p.Integer("Width", &TDuvPen::Width, &TDuvPen::SetWidth).Stored(&TDuvPen::IsWidthStored);
    p.Enum("EndStyle", &TDuvPen::EndStyle, &TDuvPen::SetEndStyle).Stored(&TDuvPen::IsEndStyleStored);
    p.Object("Fill", &TDuvPen::GetFill, &TDuvPen::SetFill).Peek(&TDuvPen::PeekFill);
    p.Enum("JoinStyle", &TDuvPen::JoinStyle, &TDuvPen::SetJoinStyle).Stored(&TDuvPen::IsJoinStyleStored);
    p.Boolean("SmallDots", &TDuvPen::SmallDots, &TDuvPen::SetSmallDots).Default(false);
    p.Integer("SmallSpace", &TDuvPen::SmallSpace, &TDuvPen::SetSmallSpace).Default(0);
    p.Boolean("Visible", &TDuvPen::Visible, &TDuvPen::SetVisible).Stored(&TDuvPen::IsVisibleStored);
}

void TDuvPen::SetEndStyle(TPenEndStyle value)
{
    if (SetIfChanged(endStyle_, value)) Changed();
}

void TDuvPen::SetJoinStyle(TPenJoinStyle value)
{
    if (SetIfChanged(joinStyle_, value)) Changed();
}

void TDuvPen::SetSmallDots(bool value)
{
    if (SetIfChanged(smallDots_, value)) Changed();
}

void TDuvPen::SetSmallSpace(int value)
{
    if (SetIfChanged(smallSpace_, value)) Changed();
}

void TDuvPen::SetVisible(bool value)
{
    if (SetIfChanged(visible_, value)) Changed();
}

TDuvBrush* TDuvPen::GetFill()
{
    if (!fill_) fill_ = std::make_unique<TDuvBrush>(OnChange);
    return fill_.get();
}

void TDuvPen::SetFill(const TDuvBrush* brush)
{
    if (!brush) {
        fill_.reset();
        return;
    }
    GetFill()->Assign(brush);
}

int TDuvPen::HalfWidth() const { return !visible_ || Width() < 2 ? 0 : Width() / 2; }

bool TDuvPen::HasGradientFill() const { return fill_ && fill_->HasGradient(); }

void TDuvPen::InitEndStyle(TPenEndStyle value) { endStyle_ = defaultEndStyle_ = value; }

void TDuvPen::InitVisible(bool value) { visible_ = defaultVisible_ = value; }

void TDuvPen::Assign(const TPersistent* source)
{
    if (auto* pen = dynamic_cast<const TDuvPen*>(source)) {
        visible_ = pen->visible_;
        smallDots_ = pen->smallDots_;
        smallSpace_ = pen->smallSpace_;
        endStyle_ = pen->endStyle_;
        joinStyle_ = pen->joinStyle_;
        SetFill(pen->PeekFill());
    }
    TPen::Assign(source);
}

TDuvHiddenPen::TDuvHiddenPen(TChangeHandler changed) : TDuvPen(std::move(changed)) { InitVisible(false); }

void TDuvHiddenPen::DeclareProperties(TPropertyDeclarer<TDuvHiddenPen>& p)
{
    p.Boolean("Visible", &TDuvPen::Visible, &TDuvPen::SetVisible).Default(false).Stored(&TDuvPen::IsVisibleStored);
}

namespace {
template <class Pen>
void ChangeColorQuietly(Pen& pen, TColor color)
{
    TChangeHandler saved = std::move(pen.OnChange);
    pen.OnChange = nullptr;
    pen.ChangeColor(color);
    pen.OnChange = std::move(saved);
}
}  // namespace

TDarkGrayPen::TDarkGrayPen(TChangeHandler changed) : TDuvPen(std::move(changed)) { ChangeColorQuietly(*this, clGray); }

void TDarkGrayPen::DeclareProperties(TPropertyDeclarer<TDarkGrayPen>& p)
{
    p.Color("Color", &TPen::Color, &TPen::SetColor).Default(clGray);
}

TWhitePen::TWhitePen(TChangeHandler changed) : TDuvPen(std::move(changed)) { ChangeColorQuietly(*this, clWhite); }

void TWhitePen::DeclareProperties(TPropertyDeclarer<TWhitePen>& p)
{
    p.Color("Color", &TPen::Color, &TPen::SetColor).Default(clWhite);
}
