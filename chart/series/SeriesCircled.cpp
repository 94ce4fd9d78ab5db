#include "chart/series/SeriesCircled.h"

#include <QPaintDevice>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "chart/engine/Chart.h"
#include "chart/engine/DuvProcs.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/graphics/DuvBasePath.h"
#include "chart/series/RuRazaziCallout.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/NumText.h"

namespace {

constexpr TColor kCircleShadowColor = static_cast<TColor>(0xA0A0A0);

int RndInt(double value) { return static_cast<int>(Rnd(value)); }

void Shrink(TRect& r, int dx, int dy)
{
    r.Left += dx;
    r.Right -= dx;
    r.Top += dy;
    r.Bottom -= dy;
}

void SetBandGradient(TFrameBrush& brush, TColor start, TColor middle, TColor end)
{
    TDuvGradient* gradient = brush.GetGradient();
    gradient->SetStartColor(start);
    gradient->SetMidColor(middle);
    gradient->SetEndColor(end);
    gradient->InitVisible(true);
}

}  // namespace

// ---------------------------------------------------------------- frame brush

void TFrameBrush::DeclareProperties(TPropertyDeclarer<TFrameBrush>& p)
{
    p.Float("Size", &TFrameBrush::Size, &TFrameBrush::SetSize).Stored(&TFrameBrush::IsSizeStored);
}

void TFrameBrush::SetSize(float value)
{
    if (SetIfChanged(size_, value) && changed_) changed_(this);
}

void TFrameBrush::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TFrameBrush*>(source)) size_ = other->size_;
    TDuvBrush::Assign(source);
}

// ---------------------------------------------------------------- framed border

TFramedBorder::TFramedBorder()
{
    auto changed = [this](TObject*) { Changed(); };
    auto band = [&](float size, TColor back) {
        auto brush = std::make_unique<TFrameBrush>(changed);
        brush->InitSize(size);
        brush->SetBackColor(back);
        brush->GetGradient()->SetEndColor(back);
        return brush;
    };
    inner_ = band(70, static_cast<TColor>(0x0000FF));
    middle_ = band(10, static_cast<TColor>(0x00FFFF));
    outer_ = band(20, static_cast<TColor>(0x008000));
    emboss_ = std::make_unique<TDuvEmboss>(changed);
    shadow_ = std::make_unique<TDuvShadow>(changed);
    InitVisible(true);
}

TFramedBorder::~TFramedBorder() = default;

void TFramedBorder::DeclareProperties(TPropertyDeclarer<TFramedBorder>& p)
{
    using F = TFramedBorder;
    p.Boolean("Circled", &F::Circled, &F::SetCircled).Stored(&F::IsCircledStored);
    p.Integer("Width", &F::Width, &F::SetWidth).Default(10);
    p.Object("InnerBrush", [](const F& f) { return &f.InnerBrush(); }, &F::SetInnerBrush);
    p.Object("MiddleBrush", [](const F& f) { return &f.MiddleBrush(); }, &F::SetMiddleBrush);
    p.Object("OuterBrush", [](const F& f) { return &f.OuterBrush(); }, &F::SetOuterBrush);
    p.Object("Emboss", [](const F& f) { return &f.Emboss(); }, &F::SetEmboss);
    p.Object("Shadow", [](const F& f) { return &f.Shadow(); }, &F::SetShadow);
    p.Object("Brush", [](const F& f) { return &f.Brush(); }, &F::SetBrush);
    p.Object("Pen", &F::Frame, &F::SetPen);
    p.Boolean("Visible", &F::Visible, &F::SetVisible).Stored(&F::IsVisibleStored);
}

void TFramedBorder::DefineProperties(TFiler& filer)
{
    TDuvCustomShapeBrushPen::DefineProperties(filer);
    // Older files name the series the frame belonged to; the owner says that now.
    filer.DefineProperty("ParentSeries", [](TReader& reader) { reader.ReadIdent(); }, nullptr, false);
}

void TFramedBorder::SetCircled(bool value)
{
    if (SetIfChanged(circled_, value)) Changed();
}

void TFramedBorder::SetWidth(int value)
{
    if (SetIfChanged(width_, value)) Changed();
}

float TFramedBorder::Thickness(const TRect& rect) const
{
    return static_cast<float>(std::min(rect.Right - rect.Left, rect.Bottom - rect.Top) * width_ * 0.01);
}

void TFramedBorder::Draw(TCanvas3D& canvas, const TRect& rect)
{
    TRect r = rect;
    float t = Thickness(r);
    for (TDuvShadow* effect : {shadow_.get(), static_cast<TDuvShadow*>(emboss_.get())}) {
        if (!effect->IsActive()) continue;
        if (circled_)
            effect->DrawEllipse(canvas, r, 0, 360, 0);
        else
            effect->DrawRect(canvas, r);
    }
    canvas.Pen().SetStyle(psClear);
    auto fill = [&](TDuvBrush& brush) {
        if (circled_)
            canvas.EllipseRect(r);
        else
            canvas.RectangleRect(r);
        (void)brush;
    };
    bool first = true;
    for (TFrameBrush* band : {outer_.get(), middle_.get(), inner_.get()}) {
        const int step = RndInt(t * band->Size() * 0.01);
        Shrink(r, step, step);
        if (band->Style() != bsClear) {
            canvas.AssignBrush(*band);
            fill(*band);
        }
        if (first) t = Thickness(r);
        first = false;
    }
    canvas.AssignBrush(Brush());
    fill(Brush());
}

void TFramedBorder::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TFramedBorder*>(source)) {
        circled_ = other->circled_;
        inner_->Assign(other->inner_.get());
        middle_->Assign(other->middle_.get());
        outer_->Assign(other->outer_.get());
        emboss_->Assign(other->emboss_.get());
        shadow_->Assign(other->shadow_.get());
        width_ = other->width_;
    }
    TDuvCustomShapeBrushPen::Assign(source);
}

// ---------------------------------------------------------------- circular frame

TCircularFrame::TCircularFrame()
{
    InnerBrush().InitSize(25);
    MiddleBrush().InitSize(60);
    OuterBrush().InitSize(15);
    for (TFrameBrush* band : {&InnerBrush(), &MiddleBrush(), &OuterBrush()})
        SetBandGradient(*band, band->Color(), clWhite, band->Color());
}

void TCircularFrame::DeclareProperties(TPropertyDeclarer<TCircularFrame>& p)
{
    p.Integer("RotationAngle", &TCircularFrame::RotationAngle, &TCircularFrame::SetRotationAngle).Default(0);
    p.Integer("TotalAngle", &TCircularFrame::TotalAngle, &TCircularFrame::SetTotalAngle).Default(360);
}

void TCircularFrame::SetRotationAngle(int value)
{
    if (SetIfChanged(rotationAngle_, value)) Changed();
}

void TCircularFrame::SetTotalAngle(int value)
{
    if (SetIfChanged(totalAngle_, value)) Changed();
}

void TCircularFrame::Draw(TCanvas3D& canvas, const TRect& rect)
{
    TRect r = rect;
    const float t = Thickness(r);
    double widths[3] = {OuterBrush().Size(), MiddleBrush().Size(), InnerBrush().Size()};
    const double sum = widths[0] + widths[1] + widths[2];
    if (sum != 100 && sum > 0)
        for (double& w : widths) w = w * 100 / sum;
    TFrameBrush* bands[3] = {&OuterBrush(), &MiddleBrush(), &InnerBrush()};
    for (int i = 0; i < 3; ++i) {
        TFrameBrush& band = *bands[i];
        if (band.Style() != bsClear) {
            canvas.AssignBrush(band);
            canvas.Pen().SetStyle(psClear);
            if (!Circled()) {
                canvas.RectangleRect(r);
            } else if (totalAngle_ == 360) {
                canvas.EllipseRect(r);
            } else {
                std::unique_ptr<TDuvBasePath> path = canvas.CreatePath();
                path->AddArc(static_cast<float>(r.Left), static_cast<float>(r.Top), static_cast<float>(r.Right - r.Left),
                             static_cast<float>(r.Bottom - r.Top), static_cast<float>(rotationAngle_ + 135),
                             static_cast<float>(totalAngle_));
                if (totalAngle_ < 180) {
                    const double end = (rotationAngle_ + 135 + totalAngle_) * std::numbers::pi / 180;
                    const double cx = (r.Left + r.Right) * 0.5, cy = (r.Top + r.Bottom) * 0.5;
                    path->LineTo(static_cast<float>(cx + std::cos(end) * (r.Right - r.Left) * 0.5),
                                  static_cast<float>(cy - std::sin(end) * (r.Bottom - r.Top) * 0.5));
                    path->LineTo(static_cast<float>(cx), static_cast<float>(cy));
                }
                path->CloseFigure();
                path->Draw(canvas);
            }
        }
        const int step = RndInt(widths[i] * 0.01 * t);
        Shrink(r, step, step);
    }
}

void TCircularFrame::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TCircularFrame*>(source)) {
        rotationAngle_ = other->rotationAngle_;
        totalAngle_ = other->totalAngle_;
    }
    TFramedBorder::Assign(source);
}

// ---------------------------------------------------------------- pie bevel

void TPieBevel::DeclareProperties(TPropertyDeclarer<TPieBevel>& p)
{
    p.Integer("Bright", &TPieBevel::Bright, &TPieBevel::SetBright).Default(32);
    p.Integer("Percent", &TPieBevel::Percent, &TPieBevel::SetPercent).Default(0);
    p.Boolean("UseBorder", &TPieBevel::UseBorder, &TPieBevel::SetUseBorder).Default(true);
}

template <class V>
void TPieBevel::Change(V& field, V value)
{
    if (SetIfChanged(field, value) && series_) series_->RequestRepaint();
}

// The setters in the header call these.
template void TPieBevel::Change<int>(int&, int);
template void TPieBevel::Change<bool>(bool&, bool);

void TPieBevel::Assign(const TPersistent* source)
{
    const auto* other = dynamic_cast<const TPieBevel*>(source);
    if (!other) return TPersistent::Assign(source);
    bright_ = other->bright_;
    percent_ = other->percent_;
    useBorder_ = other->useBorder_;
}

// ---------------------------------------------------------------- circled series

TCircledSeries::TCircledSeries(TComponent* owner) : TChartSeries(owner)
{
    auto repaint = [this](TObject*) { RequestRepaint(); };
    ComputeVisiblePoints = false;
    XValues()->SetName("Angle");
    circleBrush_ = std::make_unique<TDuvBrush>(repaint);
    circleBrush_->SetColor(clDefault);
    emboss_ = std::make_unique<TDuvEmboss>(repaint);
    emboss_->SetDefaultValues(false, kCircleShadowColor, 3);
    shadow_ = std::make_unique<TDuvShadow>(repaint);
    shadow_->SetDefaultValues(true, kCircleShadowColor, 3);
}

TCircledSeries::~TCircledSeries() = default;

void TCircledSeries::DeclareProperties(TPropertyDeclarer<TCircledSeries>& p)
{
    using C = TCircledSeries;
    p.Boolean("Circled", &C::Circled, &C::SetCircled).Default(true);
    p.Integer("CustomXRadius", &C::CustomXRadius, &C::SetCustomXRadius).Default(0);
    p.Integer("CustomYRadius", &C::CustomYRadius, &C::SetCustomYRadius).Default(0);
    p.Boolean("UniqueCustomRadius", &C::UniqueCustomRadius, &C::SetUniqueCustomRadius).Default(true);
    p.Object("Frame", &C::GetFrame, &C::SetFrame).Stored([](const C& c) { return c.PeekFrame() != nullptr; });
    p.Object("Emboss", [](const C& c) { return &c.Emboss(); }, &C::SetEmboss);
    p.Object("Shadow", [](const C& c) { return &c.Shadow(); }, &C::SetShadow);
}

template <class F>
void TCircledSeries::ForEachRelative(F action)
{
    TCustomAxisPanel* chart = ParentChart();
    if (!chart) return;
    for (int i = 0; i < chart->CountSeries(); ++i) {
        auto* other = dynamic_cast<TCircledSeries*>(chart->GetSeries(i));
        if (other && ClassType().InheritsFrom(other->ClassType())) action(*other);
    }
}

void TCircledSeries::SetCircled(bool value)
{
    if (circled_ != value) {
        circled_ = value;
        RequestRepaint();
    }
    ForEachRelative([value](TCircledSeries& s) {
        s.circled_ = value;
        if (s.ComponentState() & csLoading) return;
        s.customXRadius_ = s.customYRadius_ = 0;
    });
}

void TCircledSeries::SetCustomXRadius(int value)
{
    ChangeInteger(customXRadius_, value);
    if (uniqueCustomRadius_) ForEachRelative([value](TCircledSeries& s) { s.customXRadius_ = value; });
}

void TCircledSeries::SetCustomYRadius(int value)
{
    ChangeInteger(customYRadius_, value);
    if (uniqueCustomRadius_) ForEachRelative([value](TCircledSeries& s) { s.customYRadius_ = value; });
}

void TCircledSeries::SetUniqueCustomRadius(bool value)
{
    ChangeBoolean(uniqueCustomRadius_, value);
    ForEachRelative([value](TCircledSeries& s) { s.uniqueCustomRadius_ = value; });
}

void TCircledSeries::SetRotationAngle(int value)
{
    ChangeInteger(rotationAngle_, value % 360);
    rotationRadians_ = rotationAngle_ * std::numbers::pi / 180;
}

void TCircledSeries::SetCircleBackColor(TColor value)
{
    if (circleBrush_->Color() != value) circleBrush_->SetColor(value);
}

TFramedBorder* TCircledSeries::GetFrame()
{
    if (frame_) return frame_.get();
    auto frame = std::make_unique<TCircularFrame>();
    frame->InitCircled(true);
    TCustomAxisPanel* chart = ParentChart();
    frame->AttachToPanel(chart);
    const bool repaint = chart ? chart->AutoRepaint : false;
    if (chart) chart->AutoRepaint = false;
    frame->SetWidth(4);
    frame->InitVisible(false);
    SetBandGradient(frame->OuterBrush(), static_cast<TColor>(0xC0C0C0), clWhite, static_cast<TColor>(0x404040));
    SetBandGradient(frame->MiddleBrush(), static_cast<TColor>(0x808080), clWhite, static_cast<TColor>(0x828282));
    SetBandGradient(frame->InnerBrush(), static_cast<TColor>(0x404040), clWhite, static_cast<TColor>(0x808080));
    if (chart) chart->AutoRepaint = repaint;
    frame_ = std::move(frame);
    return frame_.get();
}

void TCircledSeries::SetFrame(const TFramedBorder* value)
{
    if (!value) {
        frame_.reset();
        return;
    }
    GetFrame()->Assign(value);
}

// ---------------------------------------------------------------- circle layout

void TCircledSeries::SetCircleRect(const TRect& rect)
{
    CircleRect = rect;
    CalcCircleSizes();
    CalcRadii();
}

void TCircledSeries::CalcCircleSizes()
{
    TRect& r = CircleRect;
    if ((r.Right - r.Left) % 2 != 0) --r.Right;
    if ((r.Bottom - r.Top) % 2 != 0) --r.Bottom;
    if (r.Right - r.Left < 4) r.Right = r.Left + 4;
    if (r.Bottom - r.Top < 4) r.Bottom = r.Top + 4;
    CircleWidth = r.Right - r.Left;
    CircleHeight = r.Bottom - r.Top;
    CircleXCenter = (r.Left + r.Right) / 2;
    CircleYCenter = (r.Top + r.Bottom) / 2;
}

void TCircledSeries::CalcRadii()
{
    if (customXRadius_ != 0) {
        XRadius = customXRadius_;
        CircleWidth = 2 * customXRadius_;
    } else {
        XRadius = CircleWidth / 2;
    }
    if (customYRadius_ != 0) {
        YRadius = customYRadius_;
        CircleHeight = 2 * customYRadius_;
    } else {
        YRadius = CircleHeight / 2;
    }
    CircleRect = {CircleXCenter - XRadius, CircleYCenter - YRadius, CircleXCenter + XRadius, CircleYCenter + YRadius};
}

double TCircledSeries::DevicePixelAspect() const
{
    // The logical resolution across over down of what is drawn on; a picture or PDF page
    // reports square pixels, so a pie stays round in exports whatever the screen's shape.
    TCustomAxisPanel* chart = ParentChart();
    if (!chart) return 1;
    QPainter* painter = chart->Canvas().GetHandle();
    const QPaintDevice* device = painter ? painter->device() : nullptr;
    if (!device || device->logicalDpiY() <= 0 || device->logicalDpiX() <= 0) return 1;
    return static_cast<double>(device->logicalDpiX()) / device->logicalDpiY();
}

void TCircledSeries::AdjustCircleRectToAspect()
{
    const double p = DevicePixelAspect();
    const int e = RndInt(YRadius * p);
    if (e < XRadius) {
        const int d = XRadius - e;
        CircleRect.Left += d;
        CircleRect.Right -= d;
    } else {
        const int d = YRadius - RndInt(XRadius / p);
        CircleRect.Top += d;
        CircleRect.Bottom -= d;
    }
}

void TCircledSeries::ShrinkForMarks()
{
    TCustomAxisPanel* chart = ParentChart();
    if (!chart) return;
    TSeriesMarks& marks = Marks();
    int length = marks.PeekCallout() ? marks.PeekCallout()->Length() : 0;
    if (marks.Frame() && marks.Frame()->Visible()) length += 2 * marks.Frame()->Width();
    if (marks.Text() != " ") marks.SetText(" ");
    marks.CalcSize(chart);
    const int h = marks.BoundsHeight();
    Shrink(CircleRect, 0, length + h);
    TCanvas3D& canvas = chart->Canvas();
    const int w = canvas.TextWidth("W") + chart->WidestMarkText() + length;
    Shrink(CircleRect, w, 0);
    CalcCircleSizes();
}

void TCircledSeries::RefreshLaterCircled()
{
    TCustomAxisPanel* chart = ParentChart();
    if (!chart) return;
    const int self = GetSeriesIndex();
    for (int i = 0; i < chart->CountSeries(); ++i) {
        auto* other = dynamic_cast<TCircledSeries*>(chart->GetSeries(i));
        if (!other || other == this || !other->Active() || !SameClassFamily(*other) || !other->Marks().Visible())
            continue;
        if (i > self) other->FireBeforeDrawValues();
        SetCircleRect(other->CircleRect);
        return;
    }
}

void TCircledSeries::RunCircledLayout()
{
    TCustomAxisPanel* chart = ParentChart();
    if (!chart) return;
    CircleRect = chart->ChartRect;
    CalcCircleSizes();
    if (Marks().Visible() && MarksTakeRoom)
        ShrinkForMarks();
    else
        RefreshLaterCircled();
    if (circled_) {
        CalcRadii();
        AdjustCircleRectToAspect();
        CalcCircleSizes();
    }
    CalcRadii();
}

void TCircledSeries::FireBeforeDrawValues()
{
    TChartSeries::FireBeforeDrawValues();
    RunCircledLayout();
}

// ---------------------------------------------------------------- 3D view and membership

void TCircledSeries::AdjustChartView(bool restore)
{
    TCustomAxisPanel* chart = ParentChart();
    if (!chart || chart->HasState(csDestroying) || chart->Canvas().SupportsFullRotation()) return;
    if (!restore || (Active() && !HasState(csDestroying))) {
        if (savedView_) return;
        savedView_ = std::make_unique<TView3DOptions>();
        TView3DOptions& view = chart->View3DOptions();
        savedView_->Assign(&view);
        SetCircled3DView(view);
        return;
    }
    RestoreChartView();
}

void TCircledSeries::RestoreChartView()
{
    TCustomAxisPanel* chart = ParentChart();
    if (!savedView_ || !chart || chart->HasState(csDestroying)) return;
    chart->View3DOptions().Assign(savedView_.get());
    savedView_.reset();
    chart->Invalidate();
}

void TCircledSeries::SetActive(bool value)
{
    TChartSeries::SetActive(value);
    AdjustChartView(!Active());
}

void TCircledSeries::SetParentChart(TCustomAxisPanel* value)
{
    if (value == ParentChart()) return;
    RestoreChartView();
    TChartSeries::SetParentChart(value);
    if (frame_) frame_->AttachToPanel(value);
    if (Active() && ParentChart()) AdjustChartView(false);
}

void TCircledSeries::AssignFormat(const TCustomChartSeries* source)
{
    if (const auto* other = dynamic_cast<const TCircledSeries*>(source)) {
        circled_ = other->circled_;
        SetRotationAngle(other->rotationAngle_);
        customXRadius_ = other->customXRadius_;
        customYRadius_ = other->customYRadius_;
        circleBrush_->Assign(other->circleBrush_.get());
        emboss_->Assign(other->emboss_.get());
        SetFrame(other->frame_.get());
        shadow_->Assign(other->shadow_.get());
        uniqueCustomRadius_ = other->uniqueCustomRadius_;
    }
    TChartSeries::AssignFormat(source);
}

// ---------------------------------------------------------------- drawing helpers

void TCircledSeries::ApplyFrame()
{
    TCustomAxisPanel* chart = ParentChart();
    if (!chart || !frame_ || !frame_->Visible() || chart->View3D()) return;
    shadow_->SetVisible(false);
    frame_->Draw(chart->Canvas(), CircleRect);
    const int step = RndInt(frame_->Thickness(CircleRect));
    TRect r = CircleRect;
    Shrink(r, step, step);
    SetCircleRect(r);
}

void TCircledSeries::DrawCircleShadow()
{
    TCustomAxisPanel* chart = ParentChart();
    if (!chart || (!shadow_->Visible() && !emboss_->Visible())) return;
    if (chart->View3D() && !chart->View3DOptions().Orthogonal()) return;
    TRect r{CircleXCenter - CircleWidth / 2, CircleYCenter - CircleHeight / 2, CircleXCenter + CircleWidth / 2,
            CircleYCenter + CircleHeight / 2};
    TCanvas3D& canvas = chart->Canvas();
    if (chart->View3D()) canvas.ProjectRect(r, EndZ, r);
    for (TDuvShadow* effect : {shadow_.get(), static_cast<TDuvShadow*>(emboss_.get())})
        if (effect->Visible()) effect->DrawEllipse(canvas, r, 0, 360, 0);
}

TPoint TCircledSeries::PointAtAngle(double angle, double xRadius, double yRadius) const
{
    const double a = rotationRadians_ + angle;
    return {CircleXCenter + RndInt(std::cos(a) * xRadius), CircleYCenter - RndInt(std::sin(a) * yRadius)};
}

double TCircledSeries::AngleOfPixel(int x, int y) const
{
    constexpr double pi = std::numbers::pi;
    double angle;
    if (x == CircleXCenter)
        angle = y > CircleYCenter ? -pi / 2 : pi / 2;
    else if (XRadius == 0 || YRadius == 0)
        angle = 0;
    else
        angle = std::atan2(static_cast<double>(CircleYCenter - y) / YRadius, static_cast<double>(x - CircleXCenter) / XRadius);
    if (angle < 0) angle += 2 * pi;
    angle -= rotationRadians_;
    if (angle < 0) angle += 2 * pi;
    return angle;
}

double TCircledSeries::RadiusValueAt(int x, int y) const
{
    TChartAxis* axis = VertAxisObject();
    if (!axis || XRadius == 0 || YRadius == 0) return 0;
    const double range = axis->Maximum() - axis->Minimum();
    if (range == 0) return 0;
    const double dx = range * (x - CircleXCenter) / XRadius;
    const double dy = range * (y - CircleYCenter) / YRadius;
    return std::sqrt(dx * dx + dy * dy) + axis->Minimum();
}

TColor TCircledSeries::EffectiveBackColor() const
{
    TColor color = circleBrush_->Color();
    if (color != clDefault) return color;
    TCustomAxisPanel* chart = ParentChart();
    if (!chart) return clWhite;
    if (chart->IsPrinting) return clWhite;
    if (auto* full = dynamic_cast<TCustomChart*>(chart)) {
        if (TChartBackWall* back = full->BackWall(); back && !back->Transparent()) color = back->Color();
    }
    return color == clDefault ? chart->GetBackgroundColor() : color;
}

void TCircledSeries::PrepareLegendCanvas(int, TColor& backColor, TBrushStyle&) { backColor = EffectiveBackColor(); }

void SeriesCircledInitialization()
{
    RegisterClassForStreaming(TCircledSeries::StaticClass());
    RegisterClassForStreaming(TFramedBorder::StaticClass());
    RegisterClassForStreaming(TCircularFrame::StaticClass());
    RegisterClassForStreaming(TPieBevel::StaticClass());
}
