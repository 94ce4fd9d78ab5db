#include "chart/engine/Chart.h"

// ---------------------------------------------------------------- walls

TCustomChartWall::TCustomChartWall(TCustomDuvPanel* chart) : TDuvCustomShape(chart) {}

void TCustomChartWall::InitColor(TColor value)
{
    TDuvCustomShape::SetColor(value);
    defaultColor_ = value;
}

bool TCustomChartWall::UsesDark3D() const { return dark3D_; }

TCustomChart* TCustomChartWall::Chart() const { return dynamic_cast<TCustomChart*>(Parent()); }

void TCustomChartWall::Assign(const TPersistent* source) { TDuvCustomShape::Assign(source); }

TChartWall::TChartWall(TCustomDuvPanel* chart) : TCustomChartWall(chart) {}
void TChartWall::DeclareProperties(TPropertyDeclarer<TChartWall>&) {}
bool TChartWall::ShouldDraw() const { return Visible() && !AutoHide(); }
void TChartWall::VerticalExtent(int&, int&) const {}
bool TChartWall::BeginTransparency(int, int, TDuvBlend*&) { return false; }
void TChartWall::EndTransparency(TDuvBlend*) {}

TChartBackWall::TChartBackWall(TCustomDuvPanel* chart) : TChartWall(chart) { InitColor(clSilver); }
void TChartBackWall::DeclareProperties(TPropertyDeclarer<TChartBackWall>&) {}
void TChartBackWall::InitShadow(TDuvShadow& shadow) { TChartWall::InitShadow(shadow); }
void TChartBackWall::InitEmboss(TDuvEmboss& emboss) { TChartWall::InitEmboss(emboss); }
TChartLeftWall::TChartLeftWall(TCustomDuvPanel* chart) : TChartWall(chart) {}
void TChartLeftWall::DeclareProperties(TPropertyDeclarer<TChartLeftWall>&) {}
TChartBottomWall::TChartBottomWall(TCustomDuvPanel* chart) : TChartWall(chart) {}
void TChartBottomWall::DeclareProperties(TPropertyDeclarer<TChartBottomWall>&) {}
TChartRightWall::TChartRightWall(TCustomDuvPanel* chart) : TChartWall(chart) {}
void TChartRightWall::DeclareProperties(TPropertyDeclarer<TChartRightWall>&) {}

TChartWalls::TChartWalls(TCustomChart* chart)
    : chart_(chart), back_(std::make_unique<TChartBackWall>(chart)), bottom_(std::make_unique<TChartBottomWall>(chart)),
      left_(std::make_unique<TChartLeftWall>(chart))
{
}

TChartWalls::~TChartWalls() = default;
void TChartWalls::DeclareProperties(TPropertyDeclarer<TChartWalls>&) {}

TChartRightWall* TChartWalls::GetRight()
{
    if (!right_) right_ = std::make_unique<TChartRightWall>(chart_);
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
void TChartWalls::SetSize(int) {}
void TChartWalls::Assign(const TPersistent* source) { TPersistent::Assign(source); }

// ---------------------------------------------------------------- titles

TChartTitle::TChartTitle(TCustomDuvPanel* chart) : TStringsShape(chart) {}
void TChartTitle::DeclareProperties(TPropertyDeclarer<TChartTitle>&) {}
void TChartTitle::SetAdjustFrame(bool value) { Change(adjustFrame_, value); }
void TChartTitle::SetVertMargin(int value) { Change(vertMargin_, value); }
bool TChartTitle::HasText() const { return Visible() && Lines().Count() > 0; }
bool TChartTitle::Clicked(const TPoint&) const { return false; }
void TChartTitle::PaintTitle() {}
void TChartTitle::Assign(const TPersistent* source) { TStringsShape::Assign(source); }

TChartFootTitle::TChartFootTitle(TCustomDuvPanel* chart) : TChartTitle(chart) { onTop_ = false; }
void TChartFootTitle::DeclareProperties(TPropertyDeclarer<TChartFootTitle>&) {}
