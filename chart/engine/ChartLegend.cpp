#include "chart/engine/ChartLegend.h"

#include <algorithm>
#include <cmath>

#include "chart/engine/DuvProcs.h"
#include "chart/engine/RuRazaziLists.h"
#include "chart/graphics/DuvConst.h"
#include "platform/core/ScopeGuard.h"

// ---------------------------------------------------------------- symbol

TLegendSymbol::TLegendSymbol(TCustomDuvPanel* panel, std::function<int()> rowHeight)
    : panel_(panel), rowHeight_(std::move(rowHeight)), emboss_(std::make_unique<TDuvEmboss>([this](TObject*) { Repaint(); })),
      gradient_(std::make_unique<TDuvGradient>([this](TObject*) { Repaint(); })),
      pen_(std::make_unique<TDuvPen>([this](TObject*) { Repaint(); })),
      shadow_(std::make_unique<TDuvShadow>([this](TObject*) { Repaint(); }))
{
    shadow_->SetDefaultValues(false, clBlack, 1);
    emboss_->SetDefaultValues(false, clBlack, 1);
}

TLegendSymbol::~TLegendSymbol() = default;
void TLegendSymbol::DeclareProperties(TPropertyDeclarer<TLegendSymbol>& p)
{
    using S = TLegendSymbol;
    p.Boolean("Continuous", &S::Continuous, &S::SetContinuous).Default(false);
    p.Boolean("DefaultPen", &S::DefaultPen, &S::SetDefaultPen).Default(true);
    p.Object("Emboss", &S::Emboss, &S::SetEmboss);
    p.Object("Gradient", &S::Gradient, &S::SetGradient);
    p.Integer("Height", &S::Height, &S::SetHeight).Default(100);
    p.Enum("HeightUnits", &S::HeightUnits, &S::SetHeightUnits).Default(lcsPercent);
    p.Object("Pen", &S::Pen, &S::SetPen);
    p.Enum("Position", &S::Position, &S::SetPosition).Default(spLeft);
    p.Object("Shadow", &S::Shadow, &S::SetShadow);
    p.Boolean("Squared", &S::Squared, &S::SetSquared).Default(true);
    p.Boolean("Visible", &S::Visible, &S::SetVisible).Default(true);
    p.Integer("Width", &S::Width, &S::SetWidth).Default(20);
    p.Enum("WidthUnits", &S::WidthUnits, &S::SetWidthUnits).Default(lcsPercent);
    p.Event("OnDraw", &S::OnDraw);
}
void TLegendSymbol::SetEmboss(const TDuvEmboss* value) { emboss_->Assign(value); }
void TLegendSymbol::SetGradient(const TDuvGradient* value) { gradient_->Assign(value); }
void TLegendSymbol::SetPen(const TDuvPen* value) { pen_->Assign(value); }
void TLegendSymbol::SetShadow(const TDuvShadow* value) { shadow_->Assign(value); }
int TLegendSymbol::PixelHeight() const
{
    if (heightUnits_ == lcsPixels) return height_;
    if (height_ <= 100) return static_cast<int>(std::nearbyint(((rowHeight_ ? rowHeight_() : 0) - 4) * height_ * 0.01));
    return panel_ ? panel_->Canvas().TextHeight("W") : 0;
}

int TLegendSymbol::PixelWidth(int base) const
{
    if (!visible_) return 0;
    if (squared_) return PixelHeight();
    if (widthUnits_ == lcsPixels) return width_;
    return static_cast<int>(std::nearbyint(base * width_ * 0.01));
}

void TLegendSymbol::PaintSymbol(TColor color, const TRect& r)
{
    if (!panel_) return;
    TCanvas3D& canvas = panel_->Canvas();
    if (shadow_->Visible()) shadow_->DrawRect(canvas, r);
    if (emboss_->Visible()) emboss_->DrawRect(canvas, r);
    if (!defaultPen_) canvas.AssignPen(*pen_);
    if (gradient_->Visible()) {
        gradient_->SetEndColor(color);
        canvas.Brush().GetGradient()->Assign(gradient_.get());
    } else {
        if (canvas.Brush().PeekGradient()) canvas.Brush().PeekGradient()->SetVisible(false);
        canvas.Brush().SetColor(color);
    }
    canvas.ApplyBrush(canvas.Brush());
    if (canvas.Pen().Style() == psClear) {
        if (canvas.Brush().Style() != bsClear) canvas.Rectangle(r.Left, r.Top, r.Right + 1, r.Bottom + 1);
        return;
    }
    auto* chart = dynamic_cast<TCustomAxisPanel*>(panel_);
    if (defaultPen_ && color == clBlack && chart && chart->LegendColor == clBlack) {
        canvas.Pen().SetColor(clWhite);
        canvas.ApplyPen();
    }
    const int w = canvas.Pen().Width();
    canvas.Rectangle(r.Left + w, r.Top + w, r.Right - w, r.Bottom - w);
}

void TLegendSymbol::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TLegendSymbol*>(source)) {
        continuous_ = other->continuous_;
        defaultPen_ = other->defaultPen_;
        emboss_->Assign(other->emboss_.get());
        gradient_->Assign(other->gradient_.get());
        height_ = other->height_;
        heightUnits_ = other->heightUnits_;
        pen_->Assign(other->pen_.get());
        position_ = other->position_;
        shadow_->Assign(other->shadow_.get());
        squared_ = other->squared_;
        visible_ = other->visible_;
        width_ = other->width_;
        widthUnits_ = other->widthUnits_;
        OnDraw = other->OnDraw;
        return;
    }
    TPersistent::Assign(source);
}
void TLegendSymbol::Repaint()
{
    if (panel_) panel_->Invalidate();
}

// ---------------------------------------------------------------- items

TLegendItem::~TLegendItem() = default;
void TLegendItem::SetAlign(int value)
{
    align_ = value;
    Changed(false);
}
TDuvFont* TLegendItem::GetFont()
{
    if (!font_) {
        font_ = std::make_unique<TDuvFont>();
        if (legend_) font_->Assign(legend_->Font());
    }
    return font_.get();
}
void TLegendItem::SetFont(const TDuvFont* value)
{
    if (!value) font_.reset();
    else GetFont()->Assign(value);
}
void TLegendItem::SetLeft(int value)
{
    left_ = value;
    Changed(true);
}
void TLegendItem::SetTop(int value)
{
    top_ = value;
    Changed(true);
}
void TLegendItem::SetText(const std::string& value)
{
    text_ = value;
    Changed(false);
}
void TLegendItem::SetText2(const std::string& value)
{
    text2_ = value;
    Changed(false);
}
void TLegendItem::Record(int left, int top, int align, const std::string& text, const std::string& text2)
{
    left_ = left;
    top_ = top;
    align_ = align;
    text_ = text;
    text2_ = text2;
}
void TLegendItem::Changed(bool positioned)
{
    if (!legend_) return;
    legend_->Items().Custom = true;
    if (positioned) legend_->Items().CustomPositioned = true;
    legend_->InvalidateParent();
}

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

void TLegendItems::Clear()
{
    items_.clear();
    if (legend_) legend_->InvalidateParent();
}

// ---------------------------------------------------------------- title

TLegendTitle::TLegendTitle(TCustomDuvPanel* chart) : TStringsShape(chart)
{
    DrawFlat = true;
    SetDefaultTransparent(true);
    SetTransparent(true);
    Font()->InitStyle(TFontStyles{fsBold});
}

void TLegendTitle::DeclareProperties(TPropertyDeclarer<TLegendTitle>&) {}
void TLegendTitle::InitShadow(TDuvShadow& shadow) { shadow.SetDefaultValues(shadow.Visible(), clSilver, 2); }
void TLegendTitle::InitEmboss(TDuvEmboss& emboss) { emboss.SetDefaultValues(emboss.Visible(), clSilver, 2); }

void TLegendTitle::Assign(const TPersistent* source)
{
    TStringsShape::Assign(source);
    if (const auto* other = dynamic_cast<const TLegendTitle*>(source)) SetLines(other->Lines());
}

// ---------------------------------------------------------------- legend

namespace {
int RoundPixels(double value) { return static_cast<int>(std::nearbyint(value)); }

// Both column texts of an item.
void SplitColumns(const std::string& text, std::string& first, std::string& second)
{
    const std::size_t at = text.find(LegendColumnSeparator);
    if (at == std::string::npos) {
        first = text;
        second.clear();
    } else {
        first = text.substr(0, at);
        second = text.substr(at + 1);
    }
}

bool RightAlignsFirst(TLegendTextStyle style)
{
    switch (style) {
    case ltsLeftValue: case ltsLeftPercent: case ltsXValue: case ltsValue: case ltsPercent: case ltsXAndValue:
    case ltsXAndPercent: return true;
    default: return false;
    }
}

bool RightAlignsSecond(TLegendTextStyle style)
{
    return style == ltsRightValue || style == ltsRightPercent || style == ltsXAndValue || style == ltsXAndPercent;
}
}  // namespace

TCustomChartLegend::TCustomChartLegend(TCustomChart* chart)
    : TDuvCustomShapePosition(chart), chart_(chart),
      dividingLines_(std::make_unique<TDuvHiddenPen>([this](TObject*) { InvalidateParent(); })),
      symbol_(std::make_unique<TLegendSymbol>(chart, [this] { return rowHeight_; }))
{
    DrawFlat = true;
}

TCustomChartLegend::~TCustomChartLegend() = default;

void TCustomChartLegend::SetCheckBoxes(bool value)
{
    if (!SetIfChanged(checkBoxes_, value)) return;
    resolvedStyle_ = 0;
    InvalidateParent();
    if (chart_) {
        chart_->BroadcastEvent<TChartLegendEvent>();
    }
}

void TCustomChartLegend::SetCheckBoxesStyle(TCheckBoxesStyle value)
{
    if (!SetIfChanged(checkBoxesStyle_, value)) return;
    if (value == cbsRadio && chart_) {
        if (ResolveStyle() == lsSeriesGroups) {
            bool first = true;
            TSeriesGroups* groups = chart_->SeriesGroups();
            for (int g = 0; g < groups->Count(); ++g) {
                TSeriesGroup* group = groups->GetGroup(g);
                if (group->GetActive() == gaNo) continue;
                if (first) first = false;
                else group->SetActive(gaNo);
            }
        } else {
            bool first = true;
            for (int i = 0; TCustomChartSeries* series = chart_->SeriesInLegend(i, true);) {
                if (first) {
                    first = false;
                    ++i;
                } else {
                    series->SetActive(false);  // the next active one moves into place i
                }
            }
        }
    }
    InvalidateParent();
    if (chart_) {
        chart_->BroadcastEvent<TChartLegendEvent>();
    }
}

void TCustomChartLegend::SetDividingLines(const TDuvPen* value) { dividingLines_->Assign(value); }

void TCustomChartLegend::SetFirstValue(int value)
{
    if (value < 0) throw LegendException(DuvMsgLegendFirstValue);
    ChangeValue(firstValue_, value);
}

void TCustomChartLegend::SetLegendStyle(TLegendStyle value)
{
    legendStyle_ = value;
    resolvedStyle_ = 0;
    ResolveStyle();
    InvalidateParent();
}

TDuvSelected* TCustomChartLegend::GetSelected()
{
    if (!selected_) selected_ = std::make_unique<TDuvSelected>(chart_);
    return selected_.get();
}

void TCustomChartLegend::SetSelected(const TDuvSelected* value)
{
    if (!value) selected_.reset();
    else GetSelected()->Assign(value);
}

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

bool TCustomChartLegend::HasContent() const
{
    return Visible() && chart_ && (checkBoxes_ || chart_->CountActiveSeries() > 0);
}

bool TCustomChartLegend::CheckBoxesShown() { return checkBoxes_ && ResolveStyle() != lsValues; }

TLegendStyle TCustomChartLegend::ResolveStyle()
{
    if (legendStyle_ != lsAuto) {
        resolvedStyle_ = static_cast<int>(legendStyle_) + 1;
        return legendStyle_;
    }
    int own = 0;
    if (chart_)
        for (int i = 0; i < chart_->CountSeries(); ++i) {
            TCustomChartSeries* series = chart_->GetSeries(i);
            if (series->Active() && series->ShowInLegend()) ++own;
        }
    const TLegendStyle style = checkBoxes_ || own > 1 ? lsSeries : lsValues;
    resolvedStyle_ = static_cast<int>(style) + 1;
    return style;
}

TLegendStyle TCustomChartLegend::ResolvedStyle() const
{
    return resolvedStyle_ == 0 ? lsAuto : static_cast<TLegendStyle>(resolvedStyle_ - 1);
}

TCustomChartSeries* TCustomChartLegend::LegendSeries() const
{
    if (series_) return series_;
    if (!chart_) return nullptr;
    TCustomChartSeries* firstActive = nullptr;
    for (int i = 0; i < chart_->CountSeries(); ++i) {
        TCustomChartSeries* series = chart_->GetSeries(i);
        if (!series->Active()) continue;
        if (!firstActive) firstActive = series;
        if (series->ShowInLegend()) return series;
    }
    return firstActive;
}

void TCustomChartLegend::ItemText(int index, std::string& text)
{
    text.clear();
    if (!chart_) return;
    switch (ResolveStyle()) {
    case lsSeries: text = chart_->LegendSeriesTitle(index, !checkBoxes_); break;
    case lsValues: chart_->GetLegendItemText(LegendSeries(), index, text); break;
    case lsLastValues:
        if (TCustomChartSeries* series = chart_->SeriesInLegend(index, !checkBoxes_))
            chart_->GetLegendItemText(series, series->GetPointCount() - 1, text);
        break;
    case lsSeriesGroups:
        if (index >= 0 && index < chart_->SeriesGroups()->Count()) text = chart_->SeriesGroups()->GetGroup(index)->Name;
        break;
    default: break;
    }
}

void TCustomChartLegend::SeriesValueText(TCustomChartSeries* series, int valueIndex, std::string& text) const
{
    text.clear();
    if (!series || valueIndex < 0) return;
    series->BuildMarkText(valueIndex, textStyle_, text);
    std::replace(text.begin(), text.end(), '\r', ' ');
}

int TCustomChartLegend::CalcItemHeight()
{
    TCanvas3D& canvas = chart_->Canvas();
    int h = canvas.TextHeight("W");
    if (symbol_->Visible()) {
        if (symbol_->HeightUnits() == lcsPixels) h = std::max(h, symbol_->Height());
        else if (symbol_->Height() > 100) h = RoundPixels(h * symbol_->Height() * 0.01);
    }
    if (CheckBoxesShown()) h = std::max(17, h);
    h += vertSpacing_;
    if (IsVertical() && dividingLines_->Visible()) h += dividingLines_->Width();
    return h;
}

int TCustomChartLegend::FrameWidth() const
{
    int fw = Pen().Visible() ? Pen().Width() : 0;
    if (Bevel() != bvNone) fw += BevelWidth();
    return fw;
}

int TCustomChartLegend::ItemsTop() const
{
    int top = Top() + FrameWidth() / 2;
    if (titleDrawn_ && title_) top += title_->BoundsHeight() + 4;
    return top;
}

bool TCustomChartLegend::IsReversed() const
{
    TCustomChartSeries* series = LegendSeries();
    const bool seriesReverses = ResolvedStyle() == lsValues && series && series->ReversesLegendOrder();
    return inverted_ != seriesReverses;
}

void TCustomChartLegend::ApplyLegendFont()
{
    TCanvas3D& canvas = chart_->Canvas();
    canvas.AssignFont(*Font());
}

int TCustomChartLegend::TextWidthAt(int item, int column)
{
    std::string text;
    TLegendItem* custom = items_.Custom ? items_.Peek(item) : nullptr;
    if (custom) text = column == 0 ? custom->Text() : custom->Text2();
    else {
        const int pos = item - firstValue_;
        if (pos >= 0 && pos < static_cast<int>(texts_.size())) text = texts_[static_cast<std::size_t>(pos)][column];
    }
    if (text.empty()) return 0;
    int lines = 0;
    return chart_->TextLinesWidth(text, lines, TextFormat() == ttfHtml) + textSymbolGap_;
}

int TCustomChartLegend::ItemWidth(int textWidth)
{
    return textWidth + symbolWidth_ + textSymbolGap_ + 8 + (CheckBoxesShown() ? 15 : 0);
}

int TCustomChartLegend::ItemWidthAt(int item) { return ItemWidth(TextWidthAt(item, 0) + TextWidthAt(item, 1)); }

void TCustomChartLegend::BuildTexts()
{
    texts_.assign(static_cast<std::size_t>(std::max(0, lastShown_ - firstValue_ + 1)), {});
    const bool reversed = IsReversed();
    const int count = static_cast<int>(texts_.size());
    for (int i = 0; i < count; ++i) {
        std::string text;
        chart_->GetLegendTextWithEvent(static_cast<TChartLegend*>(this), firstValue_ + i, text);
        const int at = reversed ? count - 1 - i : i;
        SplitColumns(text, texts_[static_cast<std::size_t>(at)][0], texts_[static_cast<std::size_t>(at)][1]);
    }
}

void TCustomChartLegend::CalcColumnWidths()
{
    ApplyLegendFont();
    if (autoColumnWidths_) {
        columnWidths_ = {0, 0};
        for (int i = firstValue_; i <= lastShown_; ++i)
            for (int c = 0; c < 2; ++c) columnWidths_[c] = std::max(columnWidths_[c], TextWidthAt(i, c));
    }
    columnWidthsSum_ = 0;
    for (int c = 0; c < 2; ++c)
        if (columnWidths_[c] > 0) columnWidthsSum_ += columnWidths_[c] + blankWidth_ - 1;
}

int TCustomChartLegend::ColumnsThatFit(int w, TLegendJustify justify)
{
    if (w <= 0) return 0;
    const int fw = FrameWidth();
    const int drawWidth = chart_->Width();
    const int available = drawWidth - 2 * fw -
                          (chart_->BorderAndBevelWidth() + drawWidth * horizMargin_ / 100 +
                           (CustomPosition() ? 0 : RoundPixels(topPos_ * drawWidth * 0.01)));
    int count = 0;
    if (justify == ljYes) {
        justified_ = true;
        count = available / w;
    } else {
        justified_ = false;
        int left = available;
        totalWidth_ = 0;
        const int extra = dividingLines_->Visible() ? dividingLines_->Width() + 2 : 0;
        for (int i = firstValue_; i < firstValue_ + totalItems_ && left > 0; ++i) {
            const int width = ItemWidthAt(i) + extra;
            if (width > left) break;
            left -= width;
            totalWidth_ += width;
            ++count;
        }
        if (count == 0 && horizJustify_ == ljAutomatic) {
            justified_ = true;
            count = available / w;
        }
    }
    const int result = std::min(count, totalItems_);
    if (justified_) totalWidth_ = result * (columnWidthsSum_ + textSymbolGap_ + symbolWidth_);
    return result;
}

void TCustomChartLegend::CalcLegend()
{
    if (!chart_) return;
    const TLegendStyle style = ResolveStyle();
    const int fw = FrameWidth();
    TRect& r = chart_->ChartRect;
    if (CustomPosition() && positionUnits_ == muPercent) {
        const int w = BoundsWidth(), h = BoundsHeight();
        Bounds.Left = RoundPixels(leftPercent_ * chart_->Width() * 0.01);
        Bounds.Top = RoundPixels(topPercent_ * chart_->Height() * 0.01);
        Bounds.Right = Bounds.Left + w;
        Bounds.Bottom = Bounds.Top + h;
    }
    // Paging.
    const int perPage = chart_->Pages()->MaxPointsPerPage();
    if (perPage > 0) firstValue_ = style == lsValues && currentPage_ ? (chart_->Pages()->Current() - 1) * perPage : 0;
    // Item count.
    int count = 0;
    if (items_.Custom) count = items_.Count();
    else if (style == lsSeriesGroups) count = chart_->SeriesGroups()->Count();
    else if (style == lsSeries || style == lsLastValues) {
        while (chart_->SeriesInLegend(count, !checkBoxes_)) ++count;
        count -= firstValue_;
    } else {
        TCustomChartSeries* series = LegendSeries();
        count = series && series->ShowInLegend() ? series->GetPointCount() - firstValue_ : 0;
    }
    count = std::max(0, count);
    if (perPage > 0) count = std::min(count, perPage);
    totalItems_ = count;
    // Fonts and sizes.
    chart_->LegendColor = Color();
    ApplyLegendFont();
    blankWidth_ = chart_->Canvas().TextWidth(" ");
    rowHeight_ = CalcItemHeight();
    titleDrawn_ = title_ && title_->Visible() && title_->Lines().Count() > 0;
    if (titleDrawn_) {
        title_->SetAutoSize(true);
        title_->CalcSize(chart_);
        ApplyLegendFont();
    }
    const bool checks = CheckBoxesShown();
    if (IsVertical()) {
        if (!CustomPosition()) {
            const int h = BoundsHeight();
            Bounds.Top = r.Top + RoundPixels(topPos_ * (r.Bottom - r.Top) * 0.01) + fw / 2;
            Bounds.Bottom = Bounds.Top + h;
        }
        columns_ = 1;
        const int top = ItemsTop();
        rows_ = top < r.Bottom && rowHeight_ > 0 ? std::min((r.Bottom - fw - top) / rowHeight_, count) : 0;
        if (maxNumRows_ > 0) rows_ = std::min(rows_, maxNumRows_);
        lastShown_ = std::min(count, rows_) + firstValue_ - 1;
        BuildTexts();
        CalcColumnWidths();
    } else {
        lastShown_ = firstValue_ + count - 1;
        BuildTexts();
        CalcColumnWidths();
        symbolWidth_ = symbol_->PixelWidth(columnWidthsSum_);
        if (!CustomPosition()) {
            if (alignment_ == laBottom) {
                int gap = fw / 2 + 1;
                if (PeekShadow() && PeekShadow()->Visible()) gap += PeekShadow()->VertSize();
                if (PeekEmboss() && PeekEmboss()->Visible()) gap += PeekEmboss()->VertSize();
                Bounds.Bottom = r.Bottom - gap;
            } else {
                Bounds.Top = r.Top + fw / 2 + 1;
            }
        }
        int w = columnWidthsSum_ + symbolWidth_ + 8;
        if (checks) w += 27;
        if (textSymbolGap_ > 0) w += textSymbolGap_ + 4;
        columns_ = ColumnsThatFit(w, horizJustify_);
        if (columns_ < 1) {
            rows_ = 0;
        } else {
            rows_ = count / columns_ + (count % columns_ ? 1 : 0);
            rows_ = std::min(rows_, maxNumRows_ > 0 ? maxNumRows_ : 10);
            if (!justified_ && rows_ > 1) {
                columns_ = ColumnsThatFit(w, ljYes);
                if (columns_ >= 1) rows_ = std::min(count / columns_ + (count % columns_ ? 1 : 0), maxNumRows_ > 0 ? maxNumRows_ : 10);
            }
        }
        lastShown_ = justified_ ? std::min(count, columns_ * rows_) + firstValue_ - 1 : firstValue_ + count - 1;
    }
    if (lastShown_ < firstValue_ || rows_ <= 0) {
        lastShown_ = firstValue_ - 1;
        return;
    }
    // Height.
    rowTopMargin_ = RoundPixels(rowHeight_ * 0.1);
    int height = rowHeight_ * rows_ + 2 + 2 * rowTopMargin_ + fw;
    if (titleDrawn_) height += title_->BoundsHeight() + 4;
    if (symbol_->Visible()) {
        if (symbol_->Shadow()->Visible() && symbol_->Shadow()->VertSize() > rowHeight_ / 6)
            height += symbol_->Shadow()->VertSize() - rowHeight_ / 6;
        else if (symbol_->Emboss()->Visible() && symbol_->Emboss()->VertSize() > rowHeight_ / 6)
            height += symbol_->Emboss()->VertSize() - rowHeight_ / 6;
    }
    if (alignment_ == laBottom && !CustomPosition()) Bounds.Top = Bounds.Bottom - height;
    else Bounds.Bottom = Bounds.Top + height;
    // Width.
    int itemStart = 0;
    if (IsVertical()) {
        int width = columnWidthsSum_ + textSymbolGap_ + 2;
        if (style == lsSeriesGroups) {
            symbolWidth_ = 0;
        } else {
            symbolWidth_ = symbol_->PixelWidth(width);
            if (symbol_->Visible()) {
                width += symbolWidth_ + 4;
                if (symbol_->Shadow()->Visible()) width += std::abs(symbol_->Shadow()->HorizSize());
                if (symbol_->Emboss()->Visible()) width += std::abs(symbol_->Emboss()->HorizSize());
            }
        }
        width += fw;
        if (titleDrawn_) width = std::max(width, TitleWidth());
        if (CustomPosition() || alignment_ == laLeft) {
            if (!CustomPosition()) Bounds.Left = r.Left + fw + 1;
        } else {
            int right = r.Right;
            if (PeekShadow() && PeekShadow()->Visible()) right -= PeekShadow()->HorizSize();
            // Like the shadow, a visible emboss keeps its room beside the chart.
            if (PeekEmboss() && PeekEmboss()->Visible()) right -= PeekEmboss()->HorizSize();
            right -= fw / 2 + 1;
            Bounds.Left = right - width - (checks ? 15 : 0);
        }
        itemStart = Bounds.Left;
        if (checks) {
            checkBoxX_ = Bounds.Left + 4;
            itemStart += 15;
        }
        Bounds.Right = itemStart + width;
    } else {
        int a = totalWidth_ + 8;
        if (justified_) {
            a += 6 * columns_ - 2 + fw + 2 * columns_;
            if (checks) a += 15 * columns_ + 4;
        }
        if (titleDrawn_) a = std::max(a, TitleWidth());
        const int drawWidth = chart_->Width();
        const int c = std::min(drawWidth - RoundPixels(topPos_ * drawWidth * 0.01), a);
        if (!CustomPosition()) Bounds.Left = (r.Left + r.Right) / 2 - c / 2;
        Bounds.Right = Bounds.Left + 2 * (c / 2);
        itemStart = Bounds.Left;
        if (checks) {
            checkBoxX_ = Bounds.Left + 4;
            itemStart += 15;
        }
    }
    // Item positions.
    int s = itemStart + fw / 2 + 6;
    if (symbol_->Position() == spRight || !symbol_->Visible() || style == lsSeriesGroups) {
        if (!symbol_->Visible()) s += 2;
        textX_ = s;
        symbolX_ = s + columnWidthsSum_ + textSymbolGap_;
    } else {
        symbolX_ = s;
        textX_ = s + symbolWidth_ + textSymbolGap_ + 4;
        if (symbol_->Shadow()->Visible() && symbol_->Shadow()->HorizSize() != 0) {
            textX_ += std::abs(symbol_->Shadow()->HorizSize());
            if (symbol_->Shadow()->HorizSize() < 0) symbolX_ -= symbol_->Shadow()->HorizSize();
        }
    }
    if (chart_->OnGetLegendRect) chart_->OnGetLegendRect(chart_, Bounds);
    // The chart rectangle gives up the legend's room.
    if (!resizeChart_ || CustomPosition()) return;
    const int hm = horizMargin_ != 0 ? horizMargin_ : 3 * chart_->ChartWidth / 100;
    const int vm = vertMargin_ != 0 ? vertMargin_ : 4 * chart_->ChartHeight / 100;
    switch (alignment_) {
    case laLeft: r.Left = Bounds.Right + hm; break;
    case laRight: r.Right = Bounds.Left - hm; break;
    case laTop: {
        int bottom = Bounds.Bottom;
        if (chart_->Shadow().Visible()) bottom += chart_->Shadow().VertSize();
        if (chart_->Emboss().Visible()) bottom += chart_->Emboss().VertSize();
        r.Top = bottom + vm;
        break;
    }
    case laBottom: r.Bottom = Bounds.Top - vm; break;
    }
    chart_->NormalizeChartRect();
}

int TCustomChartLegend::TitleWidth() const { return title_ ? title_->BoundsWidth() : 0; }

void TCustomChartLegend::PaintLegend()
{
    if (!chart_ || lastShown_ < firstValue_) return;
    TCanvas3D& canvas = chart_->Canvas();
    canvas.PushTransform("Legend", nullptr, nullptr);
    const TScopeGuard pop([&] { canvas.PopTransform(); });
    TDuvBlend* blend = globalTransparency_ > 0 ? canvas.BeginBlending(Bounds, globalTransparency_) : nullptr;
    DrawAtBounds();
    if (titleDrawn_) {
        const int width = TitleWidth();
        int x = Bounds.Left + 2;
        if (title_->Alignment() == taCenter) x = (Bounds.Left + Bounds.Right - width) / 2;
        else if (title_->Alignment() == taRightJustify) x = Bounds.Right - width - 2;
        title_->Bounds = {x, Bounds.Top + 2, x + width, Bounds.Top + 2 + title_->BoundsHeight()};
        title_->DrawAtBounds();
        ApplyLegendFont();
    }
    canvas.PushTransform("Items", nullptr, nullptr);
    if (!items_.Custom) items_.Clear();
    const bool reversed = IsReversed();
    for (int i = firstValue_; i <= lastShown_; ++i) DrawItem(i, reversed ? lastShown_ - i : i - firstValue_);
    canvas.PopTransform();
    if (blend) canvas.EndBlending(blend);
}

void TCustomChartLegend::DrawItem(int i, int n)
{
    TCanvas3D& canvas = chart_->Canvas();
    const TLegendStyle style = ResolvedStyle();
    const bool checks = CheckBoxesShown();
    canvas.Brush().SetColor(Color());
    canvas.Brush().SetStyle(bsClear);
    canvas.ApplyBrush(canvas.Brush());
    canvas.SetBackMode(TRANSPARENT);
    ApplySymbolPen();
    int textX = textX_, symbolX = symbolX_;
    int y = ItemsTop() + 1 + rowTopMargin_;
    int row = n, columnOffset = 0;
    if (!IsVertical()) {
        row = columns_ > 0 ? n / columns_ : 0;
        if (justified_ && columns_ > 0) {
            columnOffset = (n % columns_) * ItemWidth(columnWidthsSum_);
            textX += columnOffset;
            symbolX += columnOffset;
        }
    }
    if (!IsVertical() && !justified_) {
        // Natural widths: each item starts where the one before ended.
        const int extra = dividingLines_->Visible() ? dividingLines_->Width() + 2 : 0;
        for (int k = firstValue_; k < firstValue_ + n; ++k) columnOffset += ItemWidthAt(k) + extra;
        textX += columnOffset;
        symbolX += columnOffset;
    }
    y += rowHeight_ * row + vertSpacing_ / 2;
    if (chart_->OnGetLegendPos) chart_->OnGetLegendPos(chart_, i, textX, y, symbolX);
    int p = textX - 2;

    // The series whose colour the text may take.
    TCustomChartSeries* series = nullptr;
    TColor seriesColor = clNone;
    if (style == lsSeries || style == lsLastValues) {
        series = chart_->SeriesInLegend(i, !checkBoxes_);
        if (series) seriesColor = series->GetSeriesColor();
    } else if (style == lsValues) {
        series = LegendSeries();
        if (series) seriesColor = series->GetLegendItemColor(series->LegendToPointIndex(i));
    }
    TLegendItem* custom = items_.Custom ? items_.Peek(i) : nullptr;
    const std::size_t pos = static_cast<std::size_t>(n);
    std::string texts[2];
    for (int c = 0; c < 2; ++c) {
        if (custom) texts[c] = c == 0 ? custom->Text() : custom->Text2();
        else if (pos < texts_.size()) texts[c] = texts_[pos][c];
    }
    const bool hovered = chart_->Hover() && chart_->Hover()->Visible() && selected_ && selected_->Hover() &&
                         selected_->Hover()->Visible() && selected_->HoverIndex() == i;
    int firstLeft = p, align = TA_LEFT;
    for (int c = 0; c < 2; ++c) {
        const bool right = style != lsSeries && (c == 0 ? RightAlignsFirst(textStyle_) : RightAlignsSecond(textStyle_));
        const int columnWidth = columnWidths_[c];
        // A right-aligned text ends where its column ends; the next column starts after it.
        if (right) p += IsVertical() || justified_ ? columnWidth - 4 : TextWidthAt(i, c);
        const int x = p;
        if (!texts[c].empty()) {
            // The legend font first; the item's own font and the series colour win over it.
            ApplyLegendFont();
            if (hovered) canvas.Font().SetStyle(selected_->Hover()->Font()->Style());
            if (custom && custom->PeekFont()) canvas.AssignFont(*custom->PeekFont());
            if (fontSeriesColor_ && seriesColor != clNone) {
                canvas.Font().SetColor(seriesColor);
                canvas.ApplyFont();
            }
            align = right ? TA_RIGHT : TA_LEFT;
            canvas.SetTextAlign(align);
            int top = y + (checks ? 1 : 0);
            int left = x;
            if (custom && items_.CustomPositioned) {
                left = custom->Left();
                top = custom->Top();
                canvas.SetTextAlign(custom->Align());
            }
            if (c == 0) firstLeft = left;
            canvas.TextOutFormatted(left, top, TextFormat() == ttfHtml, texts[c]);
            canvas.SetTextAlign(TA_LEFT);
        }
        if (!right) p += columnWidth;
        p += blankWidth_;
    }
    if (!items_.Custom) items_.ItemAt(i)->Record(firstLeft, y + (checks ? 1 : 0), align, texts[0], texts[1]);
    ApplyLegendFont();

    // Symbol.
    TRect rect;
    TLegendItem* item = items_.Peek(i);
    if (custom && items_.CustomPositioned) {
        rect = custom->SymbolRect;
    } else {
        rect = {symbolX, y, symbolX + symbolWidth_, y};
        if (symbol_->HeightUnits() == lcsPixels) {
            rect.Bottom = y + symbol_->Height();
        } else {
            rect.Bottom = y + rowHeight_ + 1;
            if (!(symbol_->Continuous() && n > 0)) rect.Top += 2;
            if (!(symbol_->Continuous() && i == lastShown_)) rect.Bottom -= vertSpacing_ + 3;
            if (symbol_->Height() <= 100) rect.Bottom = rect.Top + RoundPixels(symbol_->Height() * (rect.Bottom - rect.Top) * 0.01);
        }
        if (item) item->SymbolRect = rect;
    }
    const int boxY = y + (rowHeight_ - vertSpacing_ - 11) / 2 - 1;
    const int boxX = checkBoxX_ + columnOffset;
    if (style == lsSeriesGroups) {
        if (checkBoxes_ && i < chart_->SeriesGroups()->Count())
            canvas.DrawCheckBox(boxX, boxY, checkBoxesStyle_ == cbsCheck, Color(),
                                chart_->SeriesGroups()->GetGroup(i)->GetActive() != gaNo);
    } else {
        TCustomChartSeries* symbolSeries = nullptr;
        int valueIndex = -1;
        if (style == lsValues) {
            symbolSeries = LegendSeries();
            valueIndex = symbolSeries ? symbolSeries->LegendToPointIndex(i) : -1;
        } else {
            symbolSeries = chart_->SeriesInLegend(i, !checkBoxes_);
            if (checkBoxes_ && symbolSeries)
                canvas.DrawCheckBox(boxX, boxY, checkBoxesStyle_ == cbsCheck, Color(), symbolSeries->Active());
        }
        if (symbol_->OnDraw) {
            symbol_->OnDraw(this, symbolSeries, valueIndex, rect);
        } else if (symbolWidth_ > 0) {
            if (symbolSeries) symbolSeries->DrawLegendItemSymbol(valueIndex, rect);
            else symbol_->PaintSymbol(clWhite, rect);
        }
        if (selected_ && selected_->Visible() && selected_->ItemIndex() == i) {
            canvas.AssignPen(selected_->Pen());
            canvas.Brush().SetStyle(bsClear);
            canvas.ApplyBrush(canvas.Brush());
            canvas.Rectangle(rect.Left - 1, rect.Top - 1, rect.Right + 1, rect.Bottom + 1);
        }
    }
    // Dividing lines.
    if (n > 0 && dividingLines_->Visible()) {
        const int d = Pen().Visible() ? (Pen().Width() + 1) / 2 : 0;
        canvas.AssignPen(*dividingLines_);
        if (IsVertical()) canvas.HorizLine(Bounds.Left + d, Bounds.Right - d, y - vertSpacing_ / 2);
        else if (row == 0) canvas.VertLine(Bounds.Left + columnOffset + 2, Bounds.Top + d, Bounds.Bottom - d);
    }
}

int TCustomChartLegend::ItemAtPoint(const TPoint& pt)
{
    if (!chart_ || lastShown_ < firstValue_) return -1;
    if (pt.X < Bounds.Left || pt.X > Bounds.Right || pt.Y < Bounds.Top || pt.Y > Bounds.Bottom) return -1;
    ApplyLegendFont();
    rowHeight_ = CalcItemHeight();
    if (rowHeight_ <= 0) return -1;
    const int top = ItemsTop();
    int hit = -1;
    for (int r = 0; r < rows_; ++r) {
        const int rowTop = top + r * rowHeight_ + 1;
        if (pt.Y >= rowTop && pt.Y <= rowTop + rowHeight_) {
            hit = r;
            break;
        }
    }
    if (hit < 0) return -1;
    const bool reversed = IsReversed();
    if (IsVertical()) {
        const int shown = lastShown_ - firstValue_ + 1;
        const int index = reversed ? shown - 1 - hit : hit;
        return index < shown ? index + firstValue_ : -1;
    }
    if (columns_ <= 0) return -1;
    const int columnWidth = (Bounds.Right - Bounds.Left) / columns_;
    for (int h = 0; h < columns_; ++h) {
        const int left = Bounds.Left + h * columnWidth + 1;
        if (pt.X < left || pt.X > left + columnWidth) continue;
        int index = h + hit * columns_;
        if (reversed) {
            int m = (lastShown_ - firstValue_ + 1) % columns_;
            if (m == 0) m = columns_;
            index = hit * columns_ + m - h - 1;
        }
        return index > totalItems_ - 1 || index < 0 ? -1 : index + firstValue_;
    }
    return -1;
}

TCursor TCustomChartLegend::MouseCursor() const
{
    return selected_ && selected_->Visible() ? crHandPoint : Cursor();
}

bool TCustomChartLegend::ClickItem(int index)
{
    if (selected_) selected_->SelectItem(index);
    if (!chart_ || !CheckBoxesShown() || index == -1) return false;
    if (ResolvedStyle() == lsSeriesGroups) {
        TSeriesGroups* groups = chart_->SeriesGroups();
        if (index >= groups->Count()) return false;
        if (checkBoxesStyle_ == cbsRadio) {
            for (int g = 0; g < groups->Count(); ++g) groups->GetGroup(g)->SetActive(g == index ? gaYes : gaNo);
        } else {
            TSeriesGroup* group = groups->GetGroup(index);
            group->SetActive(group->GetActive() == gaNo ? gaYes : gaNo);
        }
        return true;
    }
    TCustomChartSeries* target = chart_->SeriesInLegend(index, false);
    if (!target) return false;
    if (checkBoxesStyle_ == cbsRadio) {
        for (int i = 0; TCustomChartSeries* series = chart_->SeriesInLegend(i, false); ++i) series->SetActive(series == target);
    } else {
        target->SetActive(!target->Active());
    }
    return true;
}

void TCustomChartLegend::SetSeries(TCustomChartSeries* value)
{
    series_ = value;
    InvalidateParent();
}

void TCustomChartLegend::ApplySymbolPen()
{
    if (chart_) chart_->LegendSymbolPen = symbol_->DefaultPen() ? nullptr : symbol_->Pen();
}

void TCustomChartLegend::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TCustomChartLegend*>(source)) {
        alignment_ = other->alignment_;
        checkBoxes_ = other->checkBoxes_;
        checkBoxesStyle_ = other->checkBoxesStyle_;
        currentPage_ = other->currentPage_;
        dividingLines_->Assign(other->dividingLines_.get());
        drawBehind_ = other->drawBehind_;
        firstValue_ = other->firstValue_;
        fontSeriesColor_ = other->fontSeriesColor_;
        globalTransparency_ = other->globalTransparency_;
        horizJustify_ = other->horizJustify_;
        horizMargin_ = other->horizMargin_;
        inverted_ = other->inverted_;
        leftPercent_ = other->leftPercent_;
        legendStyle_ = other->legendStyle_;
        maxNumRows_ = other->maxNumRows_;
        positionUnits_ = other->positionUnits_;
        resizeChart_ = other->resizeChart_;
        symbol_->Assign(other->symbol_.get());
        textStyle_ = other->textStyle_;
        textSymbolGap_ = other->textSymbolGap_;
        topPos_ = other->topPos_;
        topPercent_ = other->topPercent_;
        vertMargin_ = other->vertMargin_;
        vertSpacing_ = other->vertSpacing_;
        SetTitle(other->title_.get());
        SetSelected(other->selected_.get());
        resolvedStyle_ = 0;
    }
    TDuvCustomShapePosition::Assign(source);
}

void TChartLegend::DeclareProperties(TPropertyDeclarer<TChartLegend>& p)
{
    using L = TCustomChartLegend;
    p.Enum("Alignment", &L::Alignment, &L::SetAlignment).Default(laRight);
    p.Boolean("CheckBoxes", &L::CheckBoxes, &L::SetCheckBoxes).Default(false);
    p.Enum("CheckBoxesStyle", &L::CheckBoxesStyle, &L::SetCheckBoxesStyle).Default(cbsCheck);
    p.Integer("ColorWidth", &L::ColorWidth, &L::SetColorWidth).Default(20);
    p.Boolean("CurrentPage", &L::CurrentPage, &L::SetCurrentPage).Default(true);
    p.Object("DividingLines", &L::DividingLines, &L::SetDividingLines);
    p.Boolean("DrawBehind", &L::DrawBehind, &L::SetDrawBehind).Default(false);
    p.Integer("FirstValue", &L::FirstValue, &L::SetFirstValue).Default(0);
    p.Boolean("FontSeriesColor", &L::FontSeriesColor, &L::SetFontSeriesColor).Default(false);
    p.Integer("GlobalTransparency", &L::GlobalTransparency, &L::SetGlobalTransparency).Default(0);
    p.Enum("HorizJustify", &L::HorizJustify, &L::SetHorizJustify).Default(ljAutomatic);
    p.Integer("HorizMargin", &L::HorizMargin, &L::SetHorizMargin).Default(0);
    p.Boolean("Inverted", &L::Inverted, &L::SetInverted).Default(false);
    p.Integer("LeftPercent", &L::LeftPercent, &L::SetLeftPercent).Default(0);
    p.Enum("LegendStyle", &L::LegendStyle, &L::SetLegendStyle).Default(lsAuto);
    p.Integer("MaxNumRows", &L::MaxNumRows, &L::SetMaxNumRows).Default(0);
    p.Enum("PositionUnits", &L::PositionUnits, &L::SetPositionUnits).Default(muPixels);
    p.Boolean("ResizeChart", &L::ResizeChart, &L::SetResizeChart).Default(true);
    p.Object("Selected", &L::GetSelected, &L::SetSelected).Peek(&L::PeekSelected);
    p.Object("Symbol", &L::Symbol, &L::SetSymbol);
    p.Enum("TextStyle", &L::TextStyle, &L::SetTextStyle).Default(ltsLeftValue);
    p.Integer("TextSymbolGap", &L::TextSymbolGap, &L::SetTextSymbolGap).Default(2);
    p.Object("Title", &L::GetTitle, &L::SetTitle).Peek(&L::PeekTitle);
    p.Integer("TopPercent", &L::TopPercent, &L::SetTopPercent).Default(0);
    p.Integer("TopPos", &L::TopPos, &L::SetTopPos).Default(10);
    p.Integer("VertMargin", &L::VertMargin, &L::SetVertMargin).Default(0);
    p.Integer("VertSpacing", &L::VertSpacing, &L::SetVertSpacing).Default(0);
    for (std::string_view name : {"Bevel", "BevelWidth", "Brush", "Children", "ClipText", "Color", "CustomPosition", "Cursor",
                                  "Emboss", "Font", "Frame", "Gradient", "Left", "Margins", "Picture", "RoundSize",
                                  "Shadow", "ShapeCallout", "ShapeStyle", "TextFormat", "Top", "Transparency",
                                  "Transparent", "Visible"}) {
        DeclareShapeProperties(p, {name});
        DeclareTextShapeProperties(p, {name});
    }
}

void ChartLegendInitialization()
{
    for (const TClassInfo* info : {&TLegendSymbol::StaticClass(), &TLegendItem::StaticClass(),
                                   &TLegendTitle::StaticClass(), &TChartLegend::StaticClass()})
        RegisterClassForStreaming(*info);
}
