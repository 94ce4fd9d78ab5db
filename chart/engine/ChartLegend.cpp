#include "chart/engine/ChartLegend.h"

#include "chart/engine/DuvProcs.h"

// ---------------------------------------------------------------- symbol

TLegendSymbol::TLegendSymbol(TCustomDuvPanel* panel, std::function<int()> rowHeight)
    : panel_(panel), rowHeight_(std::move(rowHeight)), emboss_(std::make_unique<TDuvEmboss>()),
      gradient_(std::make_unique<TDuvGradient>()), pen_(std::make_unique<TDuvPen>()),
      shadow_(std::make_unique<TDuvShadow>())
{
}

TLegendSymbol::~TLegendSymbol() = default;
void TLegendSymbol::DeclareProperties(TPropertyDeclarer<TLegendSymbol>&) {}
void TLegendSymbol::SetEmboss(const TDuvEmboss* value) { emboss_->Assign(value); }
void TLegendSymbol::SetGradient(const TDuvGradient* value) { gradient_->Assign(value); }
void TLegendSymbol::SetPen(const TDuvPen* value) { pen_->Assign(value); }
void TLegendSymbol::SetShadow(const TDuvShadow* value) { shadow_->Assign(value); }
int TLegendSymbol::PixelHeight() const { return 0; }
int TLegendSymbol::PixelWidth(int) const { return 0; }
void TLegendSymbol::PaintSymbol(TColor, const TRect&) {}
void TLegendSymbol::Assign(const TPersistent* source) { TPersistent::Assign(source); }
void TLegendSymbol::Repaint()
{
    if (panel_) panel_->Invalidate();
}

// ---------------------------------------------------------------- items

TLegendItem::~TLegendItem() = default;
void TLegendItem::SetAlign(int value) { align_ = value; }
TDuvFont* TLegendItem::GetFont()
{
    if (!font_) font_ = std::make_unique<TDuvFont>();
    return font_.get();
}
void TLegendItem::SetFont(const TDuvFont* value)
{
    if (!value) font_.reset();
    else GetFont()->Assign(value);
}
void TLegendItem::SetLeft(int value) { left_ = value; }
void TLegendItem::SetTop(int value) { top_ = value; }
void TLegendItem::SetText(const std::string& value) { text_ = value; }
void TLegendItem::SetText2(const std::string& value) { text2_ = value; }
void TLegendItem::Record(int left, int top, int align, const std::string& text, const std::string& text2)
{
    left_ = left;
    top_ = top;
    align_ = align;
    text_ = text;
    text2_ = text2;
}
void TLegendItem::Changed(bool) {}

TLegendItem* TLegendItems::ItemAt(int index)
{
    while (Count() <= index) items_.push_back(nullptr);
    if (!items_[index]) items_[index] = std::make_unique<TLegendItem>(legend_);
    return items_[index].get();
}

TLegendItem* TLegendItems::Peek(int index) const
{
    return index >= 0 && index < Count() ? items_[index].get() : nullptr;
}

void TLegendItems::Clear() { items_.clear(); }

// ---------------------------------------------------------------- title

TLegendTitle::TLegendTitle(TCustomDuvPanel* chart) : TStringsShape(chart) {}
void TLegendTitle::DeclareProperties(TPropertyDeclarer<TLegendTitle>&) {}
void TLegendTitle::InitShadow(TDuvShadow& shadow) { TStringsShape::InitShadow(shadow); }
void TLegendTitle::InitEmboss(TDuvEmboss& emboss) { TStringsShape::InitEmboss(emboss); }
void TLegendTitle::Assign(const TPersistent* source) { TStringsShape::Assign(source); }

// ---------------------------------------------------------------- legend

TCustomChartLegend::TCustomChartLegend(TCustomChart* chart)
    : TDuvCustomShapePosition(chart), chart_(chart), dividingLines_(std::make_unique<TDuvHiddenPen>()),
      symbol_(std::make_unique<TLegendSymbol>(chart, [this] { return rowHeight_; }))
{
}

TCustomChartLegend::~TCustomChartLegend() = default;

void TCustomChartLegend::SetCheckBoxes(bool value) { ChangeValue(checkBoxes_, value); }
void TCustomChartLegend::SetCheckBoxesStyle(TCheckBoxesStyle value) { ChangeValue(checkBoxesStyle_, value); }
void TCustomChartLegend::SetDividingLines(const TDuvPen* value) { dividingLines_->Assign(value); }
void TCustomChartLegend::SetFirstValue(int value) { ChangeValue(firstValue_, value); }
void TCustomChartLegend::SetLegendStyle(TLegendStyle value) { ChangeValue(legendStyle_, value); }
TDuvSelected* TCustomChartLegend::GetSelected() { return selected_.get(); }
void TCustomChartLegend::SetSelected(const TDuvSelected*) {}
void TCustomChartLegend::SetSymbol(const TLegendSymbol* value) { symbol_->Assign(value); }
int TCustomChartLegend::ColorWidth() const { return symbol_->Width(); }
void TCustomChartLegend::SetColorWidth(int value) { symbol_->SetWidth(value); }
TLegendTitle* TCustomChartLegend::GetTitle()
{
    if (!title_) title_ = std::make_unique<TLegendTitle>(chart_);
    return title_.get();
}
void TCustomChartLegend::SetTitle(const TLegendTitle* value)
{
    if (!value) title_.reset();
    else GetTitle()->Assign(value);
}

void TCustomChartLegend::CalcLegend() {}
void TCustomChartLegend::PaintLegend() {}
bool TCustomChartLegend::HasContent() const { return false; }
bool TCustomChartLegend::CheckBoxesShown() { return checkBoxes_; }
TLegendStyle TCustomChartLegend::ResolveStyle() { return legendStyle_; }
TLegendStyle TCustomChartLegend::ResolvedStyle() const { return legendStyle_; }
TCustomChartSeries* TCustomChartLegend::LegendSeries() const { return series_; }
void TCustomChartLegend::ItemText(int, std::string& text) { text.clear(); }
void TCustomChartLegend::SeriesValueText(TCustomChartSeries*, int, std::string& text) const { text.clear(); }
int TCustomChartLegend::ItemAtPoint(const TPoint&) { return -1; }
TCursor TCustomChartLegend::MouseCursor() const { return Cursor(); }
bool TCustomChartLegend::ClickItem(int) { return false; }
void TCustomChartLegend::SetSeries(TCustomChartSeries* value) { series_ = value; }
void TCustomChartLegend::ApplySymbolPen() {}
int TCustomChartLegend::CalcItemHeight() { return 0; }
int TCustomChartLegend::ItemsTop() const { return Top(); }
bool TCustomChartLegend::IsReversed() const { return inverted_; }
void TCustomChartLegend::Assign(const TPersistent* source) { TDuvCustomShapePosition::Assign(source); }

void TChartLegend::DeclareProperties(TPropertyDeclarer<TChartLegend>&) {}

void ChartLegendInitialization()
{
    for (const TClassInfo* info : {&TLegendSymbol::StaticClass(), &TLegendItem::StaticClass(),
                                   &TLegendTitle::StaticClass(), &TChartLegend::StaticClass()})
        RegisterClassForStreaming(*info);
}
