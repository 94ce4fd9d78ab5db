#include <algorithm>
#include <cmath>

#include "chart/engine/Chart.h"
#include "chart/engine/DuvProcs.h"
#include "chart/graphics/DuvBrush.h"
#include "platform/core/NumText.h"

namespace {
int RoundPixels(double value) { return static_cast<int>(std::nearbyint(value)); }
}  // namespace

// ---------------------------------------------------------------- walls

TCustomChartWall::TCustomChartWall(TCustomDuvPanel* chart) : TDuvCustomShape(chart) { InitColor(clDefault); }

void TCustomChartWall::InitColor(TColor value)
{
    const bool repaint = Parent() ? Parent()->AutoRepaint : false;
    if (Parent()) Parent()->AutoRepaint = false;
    TDuvCustomShape::SetColor(value);
    if (Parent()) Parent()->AutoRepaint = repaint;
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
    p.Color("Color", &W::Color, &W::SetColor).Stored(&W::IsColorStored);
    p.Boolean("Dark3D", &W::Dark3D, &W::SetDark3D).Default(true);
    p.Integer("EndPosition", &W::EndPosition, &W::SetEndPosition).Default(100);
    DeclareShapeProperties(p, {"Gradient"});
    p.Object("Pen", &TDuvCustomShapeBrushPen::Frame, &TDuvCustomShapeBrushPen::SetPen);
    DeclareShapeProperties(p, {"RoundSize"});
    p.Integer("Size", &W::Size, &W::SetSize).Default(0);
    p.Integer("StartPosition", &W::StartPosition, &W::SetStartPosition).Default(0);
    DeclareShapeProperties(p, {"Transparency", "Transparent", "Visible"});
}

bool TChartWall::ShouldDraw() const
{
    TCustomChart* chart = Chart();
    return chart && chart->View3DWalls() && Visible() && !AutoHide();
}

void TChartWall::VerticalExtent(int& top, int& bottom) const
{
    TCustomChart* chart = Chart();
    const TRect& r = chart->ChartRect;
    bottom = r.Bottom + chart->GetAxisWallSize(chart->BottomAxis());
    if (EndPosition() != 100) bottom -= RoundPixels((100 - EndPosition()) * (bottom - r.Top) * 0.01);
    top = r.Top;
    if (StartPosition() != 0) top += RoundPixels(StartPosition() * (r.Bottom - r.Top) * 0.01);
}

bool TChartWall::BeginTransparency(int x, int bottom, TDuvBlend*& blend)
{
    blend = nullptr;
    if (Transparent() || Transparency() <= 0) return false;
    TCustomChart* chart = Chart();
    TCanvas3D& canvas = chart->Canvas();
    const int depth = chart->DepthWidth;
    TPoint p[4];
    canvas.Project(x, chart->ChartRect.Top, 0, p[0]);
    canvas.Project(x, chart->ChartRect.Top, depth, p[1]);
    canvas.Project(x, bottom, depth, p[2]);
    canvas.Project(x, bottom, 0, p[3]);
    TRect box{p[0].X, p[0].Y, p[0].X, p[0].Y};
    for (const TPoint& q : p) {
        box.Left = std::min(box.Left, q.X);
        box.Top = std::min(box.Top, q.Y);
        box.Right = std::max(box.Right, q.X);
        box.Bottom = std::max(box.Bottom, q.Y);
    }
    blend = canvas.BeginBlending(box, Transparency());
    return true;
}

void TChartWall::EndTransparency(TDuvBlend* blend)
{
    if (Transparency() == 0 || !blend) return;
    Chart()->Canvas().EndBlending(blend);
}

TChartBackWall::TChartBackWall(TCustomDuvPanel* chart) : TChartWall(chart)
{
    InitColor(clSilver);
    SetDefaultTransparent(true);
}

void TChartBackWall::DeclareProperties(TPropertyDeclarer<TChartBackWall>& p)
{
    DeclareShapeProperties(p, {"Emboss", "Picture", "Shadow"});
}

void TChartBackWall::InitShadow(TDuvShadow& shadow) { shadow.SetDefaultValues(false, static_cast<TColor>(0x808080), 3); }
void TChartBackWall::InitEmboss(TDuvEmboss& emboss) { emboss.SetDefaultValues(false, static_cast<TColor>(0x808080), 3); }

TChartLeftWall::TChartLeftWall(TCustomDuvPanel* chart) : TChartWall(chart) { InitColor(static_cast<TColor>(0x80FFFF)); }
void TChartLeftWall::DeclareProperties(TPropertyDeclarer<TChartLeftWall>& p) { DeclareShapeProperties(p, {"Picture"}); }
TChartBottomWall::TChartBottomWall(TCustomDuvPanel* chart) : TChartWall(chart) { InitColor(clWhite); }
void TChartBottomWall::DeclareProperties(TPropertyDeclarer<TChartBottomWall>& p) { DeclareShapeProperties(p, {"Picture"}); }

TChartRightWall::TChartRightWall(TCustomDuvPanel* chart) : TChartWall(chart)
{
    InitColor(clSilver);
    InitVisible(false);
}

void TChartRightWall::DeclareProperties(TPropertyDeclarer<TChartRightWall>& p) { DeclareShapeProperties(p, {"Picture"}); }

TChartWalls::TChartWalls(TCustomChart* chart)
    : chart_(chart), back_(std::make_unique<TChartBackWall>(chart)), bottom_(std::make_unique<TChartBottomWall>(chart)),
      left_(std::make_unique<TChartLeftWall>(chart))
{
}

TChartWalls::~TChartWalls() = default;

void TChartWalls::DeclareProperties(TPropertyDeclarer<TChartWalls>& p)
{
    p.Object("Back", &TChartWalls::Back, &TChartWalls::SetBack);
    p.Object("Bottom", &TChartWalls::Bottom, &TChartWalls::SetBottom);
    p.Object("Left", &TChartWalls::Left, &TChartWalls::SetLeft);
    p.Object("Right", &TChartWalls::GetRight, &TChartWalls::SetRight).Peek(&TChartWalls::PeekRight);
    p.Boolean("Visible", &TChartWalls::GetVisible, &TChartWalls::SetVisible).Default(true);
}

TChartRightWall* TChartWalls::GetRight()
{
    if (!right_) {
        const bool repaint = chart_ ? chart_->AutoRepaint : false;
        if (chart_) chart_->AutoRepaint = false;
        right_ = std::make_unique<TChartRightWall>(chart_);
        if (chart_) chart_->AutoRepaint = repaint;
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
    if (auto* other = const_cast<TChartWalls*>(dynamic_cast<const TChartWalls*>(source))) {
        back_->Assign(other->back_.get());
        bottom_->Assign(other->bottom_.get());
        left_->Assign(other->left_.get());
        GetRight()->Assign(other->GetRight());
        return;
    }
    TPersistent::Assign(source);
}

// ---------------------------------------------------------------- titles

TChartTitle::TChartTitle(TCustomDuvPanel* chart) : TStringsShape(chart)
{
    SetAlignment(taCenter);
    DrawFlat = true;
    SetDefaultTextAlignment(taCenter);
    SetDefaultTransparent(true);
    SetTransparent(true);
    Font()->InitColor(clBlue);
}

void TChartTitle::DeclareProperties(TPropertyDeclarer<TChartTitle>& p)
{
    p.Boolean("AdjustFrame", &TChartTitle::AdjustFrame, &TChartTitle::SetAdjustFrame).Default(true);
    p.Enum("Alignment", &TDuvCustomShape::Alignment, &TDuvCustomShape::SetAlignment).Default(taCenter);
    p.Integer("VertMargin", &TChartTitle::VertMargin, &TChartTitle::SetVertMargin).Default(5);
}

void TChartTitle::SetAdjustFrame(bool value) { Change(adjustFrame_, value); }
void TChartTitle::SetVertMargin(int value) { Change(vertMargin_, value); }
bool TChartTitle::HasText() const { return Visible() && Lines().Count() > 0; }

bool TChartTitle::Clicked(const TPoint& p) const
{
    return Visible() && p.X >= Bounds.Left && p.X <= Bounds.Right && p.Y >= Bounds.Top && p.Y <= Bounds.Bottom;
}

void TChartTitle::PaintTitle()
{
    if (!HasText()) return;
    auto* chart = dynamic_cast<TCustomChart*>(Parent());
    if (!chart) return;
    SetAutoSize(true);
    CalcSize(chart);
    const int p = Pen().Visible() && Pen().Width() > 1 ? Pen().Width() / 2 : 0;
    if (!CustomPosition()) {
        const int f = chart->BorderAndBevelWidth();
        const int w = chart->Width();
        const int i = RoundPixels(w * 0.02);
        const int height = BoundsHeight(), width = BoundsWidth();
        const int y = onTop_ ? chart->ChartRect.Top + p : chart->ChartRect.Bottom - height - p;
        int x = f + i;
        if (adjustFrame_) {
            if (Alignment() == taRightJustify) x = w - width - f - i;
            else if (Alignment() == taCenter)
                x = std::max((chart->ChartRect.Left + chart->ChartRect.Right) / 2 - width / 2, f + i);
            Bounds = {x, y, x + width, y + height};
        } else {
            SetAutoSize(false);
            Bounds = {x, y, w - f - i, y + height};
        }
    }
    DrawAtBounds();
    if (!CustomPosition()) {
        if (onTop_) chart->ChartRect.Top = Bounds.Bottom + p + vertMargin_;
        else chart->ChartRect.Bottom = Bounds.Top - p - vertMargin_;
        chart->NormalizeChartRect();
    }
}

void TChartTitle::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TChartTitle*>(source)) {
        adjustFrame_ = other->adjustFrame_;
        vertMargin_ = other->vertMargin_;
        TStringsShape::Assign(source);
        SetLines(other->Lines());
        return;
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
