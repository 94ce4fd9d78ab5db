#include "chart/graphics/DuvGradient.h"

#include <QPainter>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

#include "chart/graphics/CanvasHelpers.h"
#include "platform/core/NumText.h"
#include "platform/core/ScopeGuard.h"

TGradientRotate GradientRotateHook = nullptr;

namespace {
int Round(double value) { return static_cast<int>(Rnd(value)); }
std::uint8_t Channel(TColor c, int shift) { return static_cast<std::uint8_t>((static_cast<std::uint32_t>(c) >> shift) & 0xFF); }
}  // namespace

// ---------------------------------------------------------------- stops

void TDuvGradientColor::DeclareProperties(TPropertyDeclarer<TDuvGradientColor>& p)
{
    using C = TDuvGradientColor;
    p.Color("Color", &C::Color, &C::SetColor);
    p.Float("Offset", &C::Offset, &C::SetOffset);
    p.Integer("Transparency", &C::Transparency, &C::SetTransparency).Default(0);
}

void TDuvGradientColor::SetColor(TColor value)
{
    color_ = value;
    Changed(false);
}

void TDuvGradientColor::SetOffset(double value)
{
    offset_ = value;
    Changed(false);
}

void TDuvGradientColor::CopyFrom(const TDuvGradientColor& source)
{
    color_ = source.color_;
    offset_ = source.offset_;
    transparency_ = source.transparency_;
}

void TDuvGradientColor::Assign(const TPersistent* source)
{
    if (auto* stop = dynamic_cast<const TDuvGradientColor*>(source)) return CopyFrom(*stop);
    TCollectionItem::Assign(source);
}

TDuvGradientColors::TDuvGradientColors(TCustomDuvGradient* owner)
    : TCollection(TDuvGradientColor::StaticClass(), owner), gradient_(owner)
{
}

TDuvGradientColor* TDuvGradientColors::ItemAt(int index)
{
    while (Count() <= index) Add();
    return Stop(index);
}

TDuvGradientColor* TDuvGradientColors::AddStop(TColor color, int transparency, double offset)
{
    if (!(offset >= 0)) offset = 0;
    offset = std::min(offset, 1.0);
    int at = 0;
    while (at < Count() && Stop(at)->Offset() <= offset) ++at;
    BeginUpdate();
    auto* stop = static_cast<TDuvGradientColor*>(Insert(at));
    stop->SetOffset(offset);
    stop->SetColor(color);
    stop->SetTransparency(transparency);
    EndUpdate();
    return stop;
}

void TDuvGradientColors::Update(TCollectionItem* item)
{
    TCollection::Update(item);
    if (gradient_) gradient_->DoChanged();
}

// ---------------------------------------------------------------- gradient

TCustomDuvGradient::TCustomDuvGradient(TChangeHandler changed)
{
    ResetDefaults();
    OnChange = std::move(changed);
}

TCustomDuvGradient::~TCustomDuvGradient() = default;

void TCustomDuvGradient::DeclareProperties(TPropertyDeclarer<TCustomDuvGradient>& p)
{
    using G = TCustomDuvGradient;
    p.Integer("Angle", &G::Angle, &G::SetAngle).Default(0);
    p.Integer("Balance", &G::Balance, &G::SetBalance).Default(50);
    p.Collection("Colors", &G::GetColors).Peek(&G::PeekColors).Stored(&G::IsColorsStored);
    p.Enum("Direction", &G::Direction, &G::SetDirection).Stored(&G::IsDirectionStored);
    p.Color("EndColor", &G::EndColor, &G::SetEndColor).Stored(&G::IsEndColorStored);
    p.Color("MidColor", &G::MidColor, &G::SetMidColor).Stored(&G::IsMidColorStored);
    p.Integer("RadialX", &G::RadialX, &G::SetRadialX).Default(0);
    p.Integer("RadialY", &G::RadialY, &G::SetRadialY).Default(0);
    p.Color("StartColor", &G::StartColor, &G::SetStartColor).Stored(&G::IsStartColorStored);
    p.Boolean("Visible", &G::Visible, &G::SetVisible).Stored(&G::IsVisibleStored);
}

void TSubGradient::DeclareProperties(TPropertyDeclarer<TSubGradient>& p)
{
    p.Integer("Transparency", &TSubGradient::Transparency, &TSubGradient::SetTransparency).Default(50);
}

void TDuvGradient::DeclareProperties(TPropertyDeclarer<TDuvGradient>& p)
{
    p.Object("SubGradient", &TDuvGradient::GetSubGradient, &TDuvGradient::SetSubGradient)
        .Peek(&TDuvGradient::PeekSubGradient);
}

void TCustomDuvGradient::ResetDefaults()
{
    visible_ = defaultVisible_ = false;
    direction_ = defaultDirection_ = gdTopBottom;
    defaultStart_ = clWhite;
    defaultEnd_ = 0x00FFFF;
    defaultMid_ = clNone;
    rememberedMid_ = clWhite;
    balance_ = 50;
    angle_ = radialX_ = radialY_ = 0;
    ResetColors();
}

void TCustomDuvGradient::ResetColors()
{
    if (!colors_) return;
    Quietly([&] {
        colors_->Clear();
        colors_->AddStop(defaultStart_, 0, 0);
        colors_->AddStop(defaultEnd_, 0, 1);
    });
}

template <class F>
void TCustomDuvGradient::Quietly(F action)
{
    TChangeHandler handler = std::exchange(OnChange, nullptr);
    const TScopeGuard restore([&] { OnChange = std::move(handler); });
    action();
}

void TCustomDuvGradient::DoChanged()
{
    if (OnChange) OnChange(this);
}

TDuvGradientColors* TCustomDuvGradient::GetColors()
{
    if (!colors_) {
        colors_ = std::make_unique<TDuvGradientColors>(this);
        ResetColors();
    }
    return colors_.get();
}

void TCustomDuvGradient::SetColors(const TDuvGradientColors* value)
{
    if (!value) {
        colors_.reset();
        return;
    }
    TDuvGradientColors* own = GetColors();
    own->BeginUpdate();
    own->Clear();
    for (int i = 0; i < value->Count(); ++i) static_cast<TDuvGradientColor*>(own->Add())->CopyFrom(*value->Stop(i));
    own->EndUpdate();
}

void TCustomDuvGradient::SetAngle(int value)
{
    if (SetIfChanged(angle_, value)) DoChanged();
}

void TCustomDuvGradient::SetBalance(int value)
{
    if (SetIfChanged(balance_, value)) DoChanged();
}

void TCustomDuvGradient::SetDirection(TGradientDirection value)
{
    if (SetIfChanged(direction_, value)) DoChanged();
}

void TCustomDuvGradient::InitVisible(bool value) { visible_ = defaultVisible_ = value; }

void TCustomDuvGradient::InitDirection(TGradientDirection value) { direction_ = defaultDirection_ = value; }

void TCustomDuvGradient::InitColors(TColor start, TColor end)
{
    defaultStart_ = start;
    defaultEnd_ = end;
    ResetColors();
}

void TCustomDuvGradient::SetRadialX(int value)
{
    if (SetIfChanged(radialX_, value)) DoChanged();
}

void TCustomDuvGradient::SetRadialY(int value)
{
    if (SetIfChanged(radialY_, value)) DoChanged();
}

void TCustomDuvGradient::SetVisible(bool value)
{
    if (SetIfChanged(visible_, value)) DoChanged();
}

void TSubGradient::SetTransparency(int value)
{
    if (SetIfChanged(transparency_, std::clamp(value, 0, 100))) DoChanged();
}

TColor TCustomDuvGradient::StartColor() const
{
    if (!colors_) return defaultStart_;
    return colors_->Count() == 0 ? clNone : colors_->Stop(0)->Color();
}

TColor TCustomDuvGradient::EndColor() const
{
    if (!colors_) return defaultEnd_;
    return colors_->Count() == 0 ? clNone : colors_->Stop(colors_->Count() - 1)->Color();
}

TColor TCustomDuvGradient::MidColor() const
{
    if (!colors_) return defaultMid_;
    return colors_->Count() < 3 ? clNone : colors_->Stop(1)->Color();
}

void TCustomDuvGradient::SetStartColor(TColor value)
{
    TDuvGradientColors* colors = GetColors();
    Quietly([&] { colors->ItemAt(0)->SetColor(value); });
    DoChanged();
}

void TCustomDuvGradient::SetEndColor(TColor value)
{
    TDuvGradientColors* colors = GetColors();
    Quietly([&] {
        colors->Stop(colors->Count() - 1)->SetColor(value);
        if (StartIsEnd) colors->Stop(0)->SetColor(value);
    });
    DoChanged();
}

void TCustomDuvGradient::SetMidColor(TColor value)
{
    TDuvGradientColors* colors = GetColors();
    if (value == clNone) {
        if (colors->Count() <= 2) return;
        Quietly([&] { colors->Delete(1); });
        DoChanged();
        return;
    }
    if (colors->Count() < 3) Quietly([&] { static_cast<TDuvGradientColor*>(colors->Insert(1))->SetOffset(0.5); });
    if (colors->Stop(1)->Color() == value) return;
    Quietly([&] { colors->Stop(1)->SetColor(value); });
    rememberedMid_ = value;
    DoChanged();
}

TSubGradient* TCustomDuvGradient::GetSubGradient()
{
    if (!subGradient_) subGradient_ = std::make_unique<TSubGradient>(OnChange);
    return subGradient_.get();
}

void TDuvGradient::SetSubGradient(const TSubGradient* value)
{
    TSubGradient* own = GetSubGradient();
    if (!value) return;
    own->Assign(value);
    own->SetTransparency(value->Transparency());
}

bool TCustomDuvGradient::IsColorsStored() const
{
    if (!colors_) return false;
    auto differs = [this](int index, double offset) {
        const TDuvGradientColor* stop = colors_->Stop(index);
        return stop->Offset() != offset || stop->Transparency() != 0;
    };
    switch (colors_->Count()) {
    case 2: return differs(0, 0) || differs(1, 1);
    case 3: return differs(0, 0) || differs(1, 0.5) || differs(2, 1);
    default: return true;
    }
}

void TCustomDuvGradient::Assign(const TPersistent* source)
{
    auto* g = dynamic_cast<const TCustomDuvGradient*>(source);
    if (!g) return TPersistent::Assign(source);
    if (g == this) return;
    Quietly([&] { CopyFrom(*g); });
}

void TCustomDuvGradient::CopyFrom(const TCustomDuvGradient& g)
{
    angle_ = g.angle_;
    balance_ = g.balance_;
    direction_ = g.direction_;
    radialX_ = g.radialX_;
    radialY_ = g.radialY_;
    SetColors(g.colors_.get());
    StartIsEnd = g.StartIsEnd;
    if (g.subGradient_) {
        GetSubGradient()->Assign(g.subGradient_.get());
        subGradient_->SetTransparency(g.subGradient_->Transparency());
    } else {
        subGradient_.reset();
    }
    visible_ = g.visible_;
}

// ---------------------------------------------------------------- painting

void TCustomDuvGradient::Draw(TDuvCanvas& canvas, const TRect& rect, int cornerSize)
{
    canvas.GetBrushGradient()->Assign(this);
    if (cornerSize < 1)
        canvas.FillRect(rect);
    else
        canvas.RoundRectCorners(rect, cornerSize, cornerSize, nullptr);
    if (subGradient_ && subGradient_->Visible()) DrawSub(canvas, rect, cornerSize);
}

void TCustomDuvGradient::DrawSub(TDuvCanvas& canvas, const TRect& rect, int cornerSize)
{
    TDuvBlend* blend = canvas.BeginBlending(rect, subGradient_->Transparency());
    const TScopeGuard endBlending([&] { canvas.EndBlending(blend); });
    if (subGradient_->Direction() == gdRadial)
        subGradient_->DrawRadial(canvas, rect);
    else
        subGradient_->Draw(canvas, rect, cornerSize);
}

void TCustomDuvGradient::DrawRadial(TDuvCanvas& canvas, const TRect& rect)
{
    const TRect r = OrientRect(rect);
    canvas.ClipToRect(r);
    TDuvGradient* brushGradient = canvas.GetBrushGradient();
    const bool wasVisible = brushGradient->Visible();
    brushGradient->SetVisible(false);
    {
        const TScopeGuard restore([&] {
            brushGradient->SetVisible(wasVisible);
            canvas.Unclip();
        });
        DrawRadialRings(canvas, r);
    }
    if (subGradient_ && subGradient_->Visible()) DrawSub(canvas, rect, 0);
}

void TCustomDuvGradient::DrawRadialRings(TDuvCanvas& canvas, const TRect& r)
{
    const int w = r.Right - r.Left, h = r.Bottom - r.Top;
    int n = std::min(255, std::max(w, h));
    // An empty rectangle has no rings (and no step size to divide by).
    if (n <= 0) return;
    const double f = 1.0 / n, stepX = f * w * 0.5, stepY = f * h * 0.5;
    const TColor start = StartColor(), end = EndColor();
    const bool linear = balance_ == 50;
    double d[3], s0[3];
    for (int k = 0; k < 3; ++k) {
        s0[k] = Channel(start, 8 * k);
        d[k] = Channel(end, 8 * k) - s0[k];
        if (linear) d[k] *= f;
    }
    const TPenStyle savedStyle = canvas.Pen().Style();
    const TColor savedColor = canvas.Brush().Color();
    const TScopeGuard restore([&] {
        canvas.Pen().SetStyle(savedStyle);
        canvas.Brush().SetColor(savedColor);
    });
    canvas.Pen().SetStyle(psClear);
    canvas.Brush().SetColor(end);
    canvas.FillRect(r);
    if (w % 2 != 0 || h % 2 != 0) --n;
    const double cx = radialX_ + 1 + (r.Left + r.Right) * 0.5, cy = radialY_ + 1 + (r.Top + r.Bottom) * 0.5;
    const double exponent = balance_ / 100.0 + 0.5;
    for (int i = n; i >= 0; --i) {
        int c[3];
        for (int k = 0; k < 3; ++k) {
            if (linear)
                c[k] = Round(s0[k] + i * d[k]) & 0xFF;
            else
                c[k] = std::clamp(Round(s0[k] + std::pow((i + 1.0) / (n + 1), exponent) * d[k]), 0, 255);
        }
        canvas.Brush().SetColor(static_cast<TColor>(c[0] | (c[1] << 8) | (c[2] << 16)));
        canvas.Ellipse(Round(cx - i * stepX), Round(cy - i * stepY), Round(cx + i * stepX), Round(cy + i * stepY));
    }
}

namespace {
// Turns the bitmap about its centre, keeping its size (the corners outside stay as they were).
void TurnBitmap(TCustomDuvGradient& gradient, QImage& bitmap)
{
    if (static_cast<long long>(bitmap.width()) * bitmap.height() > 16777215) return;
    const QImage source = bitmap.copy();
    QPainter painter(&bitmap);
    painter.translate(bitmap.width() / 2.0, bitmap.height() / 2.0);
    painter.rotate(-gradient.Angle());
    painter.translate(-bitmap.width() / 2.0, -bitmap.height() / 2.0);
    painter.drawImage(0, 0, source);
}
}  // namespace

void TCustomDuvGradient::DrawRotated(TDuvCanvas& canvas, const TRect& rect)
{
    // Painted with Angle 0: the canvas's fill would come back here otherwise.
    struct AngleGuard {
        int& angle;
        int saved;
        ~AngleGuard() { angle = saved; }
    } guard{angle_, std::exchange(angle_, 0)};
    const int w = rect.Right - rect.Left, h = rect.Bottom - rect.Top;
    const double theta = (360 - guard.saved) * std::numbers::pi / 180;
    const double c = std::cos(theta), s = std::sin(theta);
    const double sign = s * c > 0 ? 1 : -1;
    const int bw = std::abs(Round(w * c + sign * h * s)) + 2;
    const int bh = std::abs(Round(w * s + sign * h * c)) + 2;
    QImage bitmap(bw, bh, QImage::Format_RGB32);
    bitmap.fill(Qt::white);
    std::unique_ptr<TDuvCanvas> painter = canvas.CreateImageCanvas(bitmap);
    if (!painter) {
        canvas.ClipToRect(rect);
        Draw(canvas, rect, 0);
        canvas.Unclip();
        return;
    }
    Draw(*painter, {0, 0, bw, bh}, 0);
    painter.reset();
    angle_ = guard.saved;
    (GradientRotateHook ? GradientRotateHook : &TurnBitmap)(*this, bitmap);
    canvas.ClipToRect(rect);
    canvas.DrawGraphic(rect.Left - (bw - w) / 2, rect.Top - (bh - h) / 2, bitmap);
    canvas.Unclip();
}
