#include "chart/engine/Chart.h"

#include <algorithm>
#include <cmath>

#include "chart/graphics/CanvasHelpers.h"
#include "chart/graphics/DuvFilterBase.h"
#include "chart/graphics/DuvPicture.h"

namespace {

int Rnd(double x) { return static_cast<int>(std::nearbyint(x)); }

// Construction defaults and layout changes go in without asking the window to repaint.
class TQuietPanel {
public:
    explicit TQuietPanel(TCustomDuvPanel* panel) : panel_(panel)
    {
        if (!panel_) return;
        saved_ = panel_->AutoRepaint;
        panel_->AutoRepaint = false;
    }
    ~TQuietPanel()
    {
        if (panel_) panel_->AutoRepaint = saved_;
    }
    TQuietPanel(const TQuietPanel&) = delete;
    TQuietPanel& operator=(const TQuietPanel&) = delete;

private:
    TCustomDuvPanel* panel_;
    bool saved_ = true;
};

}  // namespace

// ---------------------------------------------------------------- walls

TCustomChartWall::TCustomChartWall(TCustomDuvPanel* chart) : TDuvCustomShape(chart)
{
    InitColor(clDefault);
}

void TCustomChartWall::InitColor(TColor value)
{
    const TQuietPanel quiet(Parent());
    TDuvCustomShape::SetColor(value);
    defaultColor_ = value;
}

bool TCustomChartWall::UsesDark3D() const
{
    return dark3D_ && Brush().Style() != bsClear && !Brush().HasImage();
}

TCustomChart* TCustomChartWall::Chart() const { return dynamic_cast<TCustomChart*>(Parent()); }

void TCustomChartWall::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TCustomChartWall*>(source)) {
        autoHide_ = other->autoHide_;
        dark3D_ = other->dark3D_;
        endPosition_ = other->endPosition_;
        size_ = other->size_;
        startPosition_ = other->startPosition_;
    }
    TDuvCustomShape::Assign(source);
}

TChartWall::TChartWall(TCustomDuvPanel* chart) : TCustomChartWall(chart) {}

void TChartWall::DeclareProperties(TPropertyDeclarer<TChartWall>& p)
{
    using W = TCustomChartWall;
    p.Boolean("AutoHide", &W::AutoHide, &W::SetAutoHide).Default(false);
    DeclareShapeProperties(p, {"Brush"});
    // Each wall class has its own colour; only a different one is stored.
    p.Color("Color", &W::Color, &W::SetColor).Stored(&W::IsColorStored);
    p.Boolean("Dark3D", &W::Dark3D, &W::SetDark3D).Default(true);
    p.Integer("EndPosition", &W::EndPosition, &W::SetEndPosition).Default(100);
    DeclareShapeProperties(p, {"Gradient"});
    p.Object("Pen", &W::Frame, &W::SetPen);
    DeclareShapeProperties(p, {"RoundSize"});
    p.Integer("Size", &W::Size, &W::SetSize).Default(0);
    p.Integer("StartPosition", &W::StartPosition, &W::SetStartPosition).Default(0);
    DeclareShapeProperties(p, {"Transparency", "Transparent", "Visible"});
}

bool TChartWall::ShouldDraw() const
{
    const TCustomChart* chart = Chart();
    return chart && chart->View3DWalls() && Visible() && !AutoHide();
}

void TChartWall::VerticalExtent(int& top, int& bottom) const
{
    TCustomChart* chart = Chart();
    if (!chart) {
        top = bottom = 0;
        return;
    }
    const TRect& r = chart->ChartRect;
    bottom = r.Bottom + chart->GetAxisWallSize(chart->BottomAxis());
    if (EndPosition() != 100) bottom -= Rnd((100 - EndPosition()) * (bottom - r.Top) * 0.01);
    top = r.Top;
    if (StartPosition() != 0) top += Rnd(StartPosition() * (r.Bottom - r.Top) * 0.01);
}

bool TChartWall::BeginTransparency(int x, int bottom, TDuvBlend*& blend)
{
    blend = nullptr;
    TCustomChart* chart = Chart();
    if (!chart || Transparent() || Transparency() <= 0) return false;
    TCanvas3D& canvas = chart->Canvas();
    TRect area;
    if (!canvas.NativeBlending) {
        const int top = chart->ChartRect.Top, depth = chart->DepthWidth;
        TPoint corners[4];
        canvas.Project(x, top, 0, corners[0]);
        canvas.Project(x, top, depth, corners[1]);
        canvas.Project(x, bottom, depth, corners[2]);
        canvas.Project(x, bottom, 0, corners[3]);
        area = PolygonBounds(corners, 4);
    }
    blend = canvas.BeginBlending(area, Transparency());
    return true;
}

void TChartWall::EndTransparency(TDuvBlend* blend)
{
    TCustomChart* chart = Chart();
    if (!chart || Transparency() == 0) return;
    TCanvas3D& canvas = chart->Canvas();
    // A picture without a graphic still filters what shows through the wall.
    TBackImage* picture = PeekPicture();
    if (blend && picture && !picture->HasGraphic() && picture->HasFilters()) {
        QImage* image = canvas.DrawingImage();
        const TRect& r = blend->Rectangle();
        const QRect area = image && !r.IsEmpty() ? QRect(r.Left, r.Top, r.Width(), r.Height()).intersected(image->rect())
                                                 : QRect();
        if (!area.isEmpty()) {
            QImage layer = image->copy(area);
            picture->GetFilters()->ApplyAll(layer);
            for (int y = 0; y < layer.height(); ++y)
                for (int x = 0; x < layer.width(); ++x) image->setPixel(area.x() + x, area.y() + y, layer.pixel(x, y));
        }
    }
    canvas.EndBlending(blend);
}

TChartBackWall::TChartBackWall(TCustomDuvPanel* chart) : TChartWall(chart)
{
    InitColor(clSilver);
    SetDefaultTransparent(true);
    // The shape made its shadow before this class could give its own defaults.
    InitShadow(*GetShadow());
}

void TChartBackWall::DeclareProperties(TPropertyDeclarer<TChartBackWall>& p)
{
    DeclareShapeProperties(p, {"Emboss", "Picture", "Shadow"});
}

void TChartBackWall::InitShadow(TDuvShadow& shadow) { shadow.SetDefaultValues(false, clGray, 3); }

void TChartBackWall::InitEmboss(TDuvEmboss& emboss) { emboss.SetDefaultValues(false, clGray, 3); }

TChartLeftWall::TChartLeftWall(TCustomDuvPanel* chart) : TChartWall(chart) { InitColor(static_cast<TColor>(0x80FFFF)); }

void TChartLeftWall::DeclareProperties(TPropertyDeclarer<TChartLeftWall>& p)
{
    DeclareShapeProperties(p, {"Picture"});
}

TChartBottomWall::TChartBottomWall(TCustomDuvPanel* chart) : TChartWall(chart) { InitColor(clWhite); }

void TChartBottomWall::DeclareProperties(TPropertyDeclarer<TChartBottomWall>& p)
{
    DeclareShapeProperties(p, {"Picture"});
}

TChartRightWall::TChartRightWall(TCustomDuvPanel* chart) : TChartWall(chart)
{
    InitColor(clSilver);
    InitVisible(false);
}

void TChartRightWall::DeclareProperties(TPropertyDeclarer<TChartRightWall>& p)
{
    DeclareShapeProperties(p, {"Picture"});
}

// ---------------------------------------------------------------- the four walls

TChartWalls::TChartWalls(TCustomChart* chart)
    : chart_(chart), back_(std::make_unique<TChartBackWall>(chart)), bottom_(std::make_unique<TChartBottomWall>(chart)),
      left_(std::make_unique<TChartLeftWall>(chart))
{
}

TChartWalls::~TChartWalls() = default;

void TChartWalls::DeclareProperties(TPropertyDeclarer<TChartWalls>& p)
{
    using W = TChartWalls;
    p.Object("Back", &W::Back, &W::SetBack);
    p.Object("Bottom", &W::Bottom, &W::SetBottom);
    p.Object("Left", &W::Left, &W::SetLeft);
    p.Object("Right", &W::GetRight, &W::SetRight).Peek(&W::PeekRight);
    p.Boolean("Visible", &W::GetVisible, &W::SetVisible).Default(true);
}

TChartRightWall* TChartWalls::GetRight()
{
    if (!right_) {
        const TQuietPanel quiet(chart_);
        right_ = std::make_unique<TChartRightWall>(chart_);
    }
    return right_.get();
}

void TChartWalls::SetBack(const TChartBackWall* value) { back_->Assign(value); }
void TChartWalls::SetBottom(const TChartBottomWall* value) { bottom_->Assign(value); }
void TChartWalls::SetLeft(const TChartLeftWall* value) { left_->Assign(value); }
void TChartWalls::SetRight(const TChartRightWall* value) { GetRight()->Assign(value); }

bool TChartWalls::GetVisible() const { return chart_ && chart_->View3DWalls(); }

void TChartWalls::SetVisible(bool value)
{
    if (chart_) chart_->SetView3DWalls(value);
}

void TChartWalls::SetSize(int value)
{
    left_->SetSize(value);
    GetRight()->SetSize(value);
    back_->SetSize(value);
    bottom_->SetSize(value);
}

void TChartWalls::Assign(const TPersistent* source)
{
    const auto* other = dynamic_cast<const TChartWalls*>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    back_->Assign(other->back_.get());
    bottom_->Assign(other->bottom_.get());
    left_->Assign(other->left_.get());
    // A source that never made its right wall has a default one; it is left as it is.
    if (other->right_) {
        GetRight()->Assign(other->right_.get());
    } else {
        const TChartRightWall fresh;
        GetRight()->Assign(&fresh);
    }
}

// ---------------------------------------------------------------- titles

TChartTitle::TChartTitle(TCustomDuvPanel* chart) : TStringsShape(chart)
{
    const TQuietPanel quiet(chart);
    SetAlignment(taCenter);
    DrawFlat = true;
    SetDefaultTextAlignment(taCenter);
    SetDefaultTransparent(true);
    Font()->InitColor(clBlue);
}

void TChartTitle::DeclareProperties(TPropertyDeclarer<TChartTitle>& p)
{
    using T = TChartTitle;
    p.Boolean("AdjustFrame", &T::AdjustFrame, &T::SetAdjustFrame).Default(true);
    p.Enum("Alignment", &T::Alignment, &T::SetAlignment).Default(taCenter);
    p.Integer("VertMargin", &T::VertMargin, &T::SetVertMargin).Default(5);
}

void TChartTitle::SetAdjustFrame(bool value) { Change(adjustFrame_, value); }
void TChartTitle::SetVertMargin(int value) { Change(vertMargin_, value); }

bool TChartTitle::HasText() const { return Visible() && Lines().Count() > 0; }

bool TChartTitle::Clicked(const TPoint& p) const { return Visible() && PointInRectP(Bounds, p); }

void TChartTitle::PaintTitle()
{
    TCustomDuvPanel* panel = Parent();
    if (!panel || !HasText()) return;
    // Layout settings change on every paint; they must not ask for another one.
    const TQuietPanel quiet(panel);
    SetAutoSize(true);
    CalcSize(panel);
    const int p = Pen().Visible() && Pen().Width() > 1 ? Pen().Width() / 2 : 0;
    TRect& chartRect = panel->ChartRect;
    if (!CustomPosition()) {
        const int f = panel->BorderAndBevelWidth();
        const int w = panel->Width();
        const int inset = f + Rnd(w * 0.02);
        const int y = onTop_ ? chartRect.Top + p : chartRect.Bottom - BoundsHeight() - p;
        if (AdjustFrame()) {
            int x = inset;
            if (Alignment() == taRightJustify) x = w - BoundsWidth() - inset;
            else if (Alignment() == taCenter) x = std::max((chartRect.Left + chartRect.Right) / 2 - BoundsWidth() / 2, inset);
            MoveBoundsTo(x, y);
        } else {
            SetAutoSize(false);
            MoveBoundsTo(inset, y);
            SetBoundsWidth(w - 2 * inset);
        }
    }
    DrawAtBounds();
    if (CustomPosition()) return;
    if (onTop_) chartRect.Top = Bounds.Bottom + p + VertMargin();
    else chartRect.Bottom = Bounds.Top - p - VertMargin();
    panel->NormalizeChartRect();
}

void TChartTitle::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TChartTitle*>(source)) {
        adjustFrame_ = other->adjustFrame_;
        SetLines(other->Lines());
        vertMargin_ = other->vertMargin_;
    }
    TStringsShape::Assign(source);
}

TChartFootTitle::TChartFootTitle(TCustomDuvPanel* chart) : TChartTitle(chart)
{
    onTop_ = false;
    Font()->InitColor(clRed);
    Font()->InitStyle(TFontStyles{fsItalic});
}

void TChartFootTitle::DeclareProperties(TPropertyDeclarer<TChartFootTitle>&) {}
