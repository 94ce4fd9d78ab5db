#pragma once
// The legend: one item per series, per value of one series, per last value of each series or per
// series group, each with a symbol, one or two text columns and optionally a check box. It lays
// itself out on every paint before the series are drawn and takes its room from the chart rectangle.
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "chart/engine/Chart.h"
#include "chart/engine/RuRazazi.h"
#include "chart/engine/RuRazaziSelect.h"
#include "chart/graphics/DuvPen.h"
#include "platform/core/ComponentRef.h"


QB_ENUM(TLegendAlignment, laLeft, laRight, laTop, laBottom)
QB_ENUM(TCheckBoxesStyle, cbsCheck, cbsRadio)
QB_ENUM(TLegendJustify, ljAutomatic, ljYes, ljNo)
QB_ENUM(TLegendSymbolSize, lcsPercent, lcsPixels)
QB_ENUM(TLegendSymbolPosition, spLeft, spRight)

// Splits a legend item text into its two columns.
inline constexpr char LegendColumnSeparator = '\x06';

// The legend's check boxes were switched on or off or changed their style.
class TChartLegendEvent : public TDuvEvent {};

class LegendException : public Exception {
public:
    using Exception::Exception;
};

using TSymbolDrawEvent = TEvent<void(TObject* sender, TCustomChartSeries* series, int valueIndex, const TRect& r)>;

// The coloured symbol before (or after) each legend item's text.
class TLegendSymbol : public TPersistent {
    QB_CLASS(TLegendSymbol, TPersistent)
public:
    // rowHeight: the legend's row height, asked when sizes are in percent.
    TLegendSymbol(TCustomDuvPanel* panel = nullptr, std::function<int()> rowHeight = nullptr);
    ~TLegendSymbol() override;
    static void DeclareProperties(TPropertyDeclarer<TLegendSymbol>& p);

    bool Continuous() const { return continuous_; }
    void SetContinuous(bool value) { Change(continuous_, value); }
    bool DefaultPen() const { return defaultPen_; }
    void SetDefaultPen(bool value) { Change(defaultPen_, value); }
    TDuvEmboss* Emboss() const { return emboss_.get(); }
    void SetEmboss(const TDuvEmboss* value);
    TDuvGradient* Gradient() const { return gradient_.get(); }
    void SetGradient(const TDuvGradient* value);
    int Height() const { return height_; }
    void SetHeight(int value) { Change(height_, value); }
    TLegendSymbolSize HeightUnits() const { return heightUnits_; }
    void SetHeightUnits(TLegendSymbolSize value) { Change(heightUnits_, value); }
    TDuvPen* Pen() const { return pen_.get(); }
    void SetPen(const TDuvPen* value);
    TLegendSymbolPosition Position() const { return position_; }
    void SetPosition(TLegendSymbolPosition value) { Change(position_, value); }
    TDuvShadow* Shadow() const { return shadow_.get(); }
    void SetShadow(const TDuvShadow* value);
    bool Squared() const { return squared_; }
    void SetSquared(bool value) { Change(squared_, value); }
    bool Visible() const { return visible_; }
    void SetVisible(bool value) { Change(visible_, value); }
    int Width() const { return width_; }
    void SetWidth(int value) { Change(width_, value); }
    TLegendSymbolSize WidthUnits() const { return widthUnits_; }
    void SetWidthUnits(TLegendSymbolSize value) { Change(widthUnits_, value); }
    TSymbolDrawEvent OnDraw;

    int PixelHeight() const;
    int PixelWidth(int base) const;
    // Shadow, emboss, pen and brush (or gradient) of the colour, then the rectangle.
    void PaintSymbol(TColor color, const TRect& r);
    void Assign(const TPersistent* source) override;

private:
    template <class V>
    void Change(V& field, V value)
    {
        if (SetIfChanged(field, value)) Repaint();
    }
    void Repaint();
    TCustomDuvPanel* panel_;
    std::function<int()> rowHeight_;
    bool continuous_ = false;
    bool defaultPen_ = true;
    std::unique_ptr<TDuvEmboss> emboss_;
    std::unique_ptr<TDuvGradient> gradient_;
    int height_ = 100;
    TLegendSymbolSize heightUnits_ = lcsPercent;
    std::unique_ptr<TDuvPen> pen_;
    TLegendSymbolPosition position_ = spLeft;
    std::unique_ptr<TDuvShadow> shadow_;
    bool squared_ = true;
    bool visible_ = true;
    int width_ = 20;
    TLegendSymbolSize widthUnits_ = lcsPercent;
};

class TCustomChartLegend;

// A legend item: computed ones are rebuilt on every paint and record where they were drawn;
// custom ones replace the computed texts (and, custom-positioned, their places).
class TLegendItem : public TPersistent {
    QB_CLASS(TLegendItem, TPersistent)
public:
    explicit TLegendItem(TCustomChartLegend* legend = nullptr) : legend_(legend) {}
    ~TLegendItem() override;

    int Align() const { return align_; }
    void SetAlign(int value);
    // Made on first read as a copy of the legend's font; none frees it.
    TDuvFont* GetFont();
    TDuvFont* PeekFont() const { return font_.get(); }
    void SetFont(const TDuvFont* value);
    int Left() const { return left_; }
    void SetLeft(int value);
    int Top() const { return top_; }
    void SetTop(int value);
    const std::string& Text() const { return text_; }
    void SetText(const std::string& value);
    const std::string& Text2() const { return text2_; }
    void SetText2(const std::string& value);
    TRect SymbolRect;

    // The layout records without marking the items custom.
    void Record(int left, int top, int align, const std::string& text, const std::string& text2);

private:
    void Changed(bool positioned);
    TCustomChartLegend* legend_;
    int align_ = 0;
    std::unique_ptr<TDuvFont> font_;
    int left_ = 0;
    int top_ = 0;
    std::string text_, text2_;
};

class TLegendItems {
public:
    explicit TLegendItems(TCustomChartLegend* legend) : legend_(legend) {}
    int Count() const { return static_cast<int>(items_.size()); }
    // Grows the list up to index and makes the item on demand.
    TLegendItem* ItemAt(int index);
    TLegendItem* Peek(int index) const;
    // Frees every item and repaints.
    void Clear();
    bool Custom = false;
    bool CustomPositioned = false;

private:
    TCustomChartLegend* legend_;
    std::vector<std::unique_ptr<TLegendItem>> items_;
};

// The legend's bold title above its items.
class TLegendTitle : public TStringsShape {
    QB_CLASS(TLegendTitle, TStringsShape)
public:
    explicit TLegendTitle(TCustomDuvPanel* chart = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TLegendTitle>& p);
    void InitShadow(TDuvShadow& shadow) override;
    void InitEmboss(TDuvEmboss& emboss) override;
    void Assign(const TPersistent* source) override;
};

class TCustomChartLegend : public TDuvCustomShapePosition {
    QB_CLASS(TCustomChartLegend, TDuvCustomShapePosition)
public:
    explicit TCustomChartLegend(TCustomChart* chart = nullptr);
    ~TCustomChartLegend() override;

    TLegendAlignment Alignment() const { return alignment_; }
    void SetAlignment(TLegendAlignment value) { ChangeValue(alignment_, value); }
    bool CheckBoxes() const { return checkBoxes_; }
    // Repaints and tells the chart's listeners.
    void SetCheckBoxes(bool value);
    TCheckBoxesStyle CheckBoxesStyle() const { return checkBoxesStyle_; }
    // cbsRadio leaves only the first active series (or group) on.
    void SetCheckBoxesStyle(TCheckBoxesStyle value);
    bool CurrentPage() const { return currentPage_; }
    void SetCurrentPage(bool value) { ChangeValue(currentPage_, value); }
    TDuvHiddenPen* DividingLines() const { return dividingLines_.get(); }
    void SetDividingLines(const TDuvPen* value);
    bool DrawBehind() const { return drawBehind_; }
    void SetDrawBehind(bool value) { ChangeValue(drawBehind_, value); }
    int FirstValue() const { return firstValue_; }
    // Below 0 raises LegendException "First Legend Value must be > 0".
    void SetFirstValue(int value);
    bool FontSeriesColor() const { return fontSeriesColor_; }
    void SetFontSeriesColor(bool value) { ChangeValue(fontSeriesColor_, value); }
    int GlobalTransparency() const { return globalTransparency_; }
    void SetGlobalTransparency(int value) { ChangeValue(globalTransparency_, value); }
    TLegendJustify HorizJustify() const { return horizJustify_; }
    void SetHorizJustify(TLegendJustify value) { ChangeValue(horizJustify_, value); }
    int HorizMargin() const { return horizMargin_; }
    void SetHorizMargin(int value) { ChangeValue(horizMargin_, value); }
    bool Inverted() const { return inverted_; }
    void SetInverted(bool value) { ChangeValue(inverted_, value); }
    TLegendItems& Items() { return items_; }
    int LeftPercent() const { return leftPercent_; }
    void SetLeftPercent(int value) { ChangeValue(leftPercent_, value); }
    TLegendStyle LegendStyle() const { return legendStyle_; }
    // Re-resolves the style and repaints.
    void SetLegendStyle(TLegendStyle value);
    int MaxNumRows() const { return maxNumRows_; }
    void SetMaxNumRows(int value) { ChangeValue(maxNumRows_, value); }
    TDuvUnits PositionUnits() const { return positionUnits_; }
    void SetPositionUnits(TDuvUnits value) { ChangeValue(positionUnits_, value); }
    bool ResizeChart() const { return resizeChart_; }
    void SetResizeChart(bool value) { ChangeValue(resizeChart_, value); }
    // Made on first read; none frees it.
    TDuvSelected* GetSelected();
    TDuvSelected* PeekSelected() const { return selected_.get(); }
    void SetSelected(const TDuvSelected* value);
    TCustomChartSeries* Series() const { return series_; }
    TLegendSymbol* Symbol() const { return symbol_.get(); }
    void SetSymbol(const TLegendSymbol* value);
    int ColorWidth() const;
    void SetColorWidth(int value);
    TLegendTextStyle TextStyle() const { return textStyle_; }
    void SetTextStyle(TLegendTextStyle value) { ChangeValue(textStyle_, value); }
    int TextSymbolGap() const { return textSymbolGap_; }
    void SetTextSymbolGap(int value) { ChangeValue(textSymbolGap_, value); }
    // Made on first read; none frees it.
    TLegendTitle* GetTitle();
    TLegendTitle* PeekTitle() const { return title_.get(); }
    void SetTitle(const TLegendTitle* value);
    int TopPos() const { return topPos_; }
    void SetTopPos(int value) { ChangeValue(topPos_, value); }
    int TopPercent() const { return topPercent_; }
    void SetTopPercent(int value) { ChangeValue(topPercent_, value); }
    int VertMargin() const { return vertMargin_; }
    void SetVertMargin(int value) { ChangeValue(vertMargin_, value); }
    int VertSpacing() const { return vertSpacing_; }
    void SetVertSpacing(int value) { ChangeValue(vertSpacing_, value); }

    TCustomChart* Chart() const { return chart_; }

    // ---------------------------------------------------- layout and drawing
    // Lays the legend out and takes its room from the chart rectangle.
    void CalcLegend();
    void PaintLegend();
    // Visible, and check boxes are shown or a series is active.
    bool HasContent() const;
    bool IsVertical() const { return alignment_ == laLeft || alignment_ == laRight; }
    bool CheckBoxesShown();
    TLegendStyle ResolveStyle();
    // The resolved style of the last layout (lsAuto before the first).
    TLegendStyle ResolvedStyle() const;
    TCustomChartSeries* LegendSeries() const;
    void ItemText(int index, std::string& text);
    void SeriesValueText(TCustomChartSeries* series, int valueIndex, std::string& text) const;
    int ItemAtPoint(const TPoint& p);
    int ItemUnderMouse(int x, int y) { return ItemAtPoint({x, y}); }
    TCursor MouseCursor() const;
    // Selects the item and switches its series (or group) through the check box; true when handled.
    bool ClickItem(int index);
    void SetSeries(TCustomChartSeries* value);
    // Tells the chart which pen the series paint legend symbols with.
    void ApplySymbolPen();
    int CalcItemHeight();
    // The top of the first row: Top + frame width div 2, plus the title's height + 4 when drawn.
    int ItemsTop() const;
    int LastShownIndex() const { return lastShown_; }
    int ColumnCount() const { return columns_; }
    int RowCount() const { return rows_; }
    int RowHeight() const { return rowHeight_; }
    bool IsReversed() const;

    void Assign(const TPersistent* source) override;

protected:
    template <class V>
    void ChangeValue(V& field, V value)
    {
        if (SetIfChanged(field, value)) InvalidateParent();
    }

private:
    int FrameWidth() const;
    void ApplyLegendFont();
    int TextWidthAt(int item, int column);
    int ItemWidth(int textWidth);
    int ItemWidthAt(int item);
    void BuildTexts();
    void CalcColumnWidths();
    int ColumnsThatFit(int w, TLegendJustify justify);
    int TitleWidth() const;
    void DrawItem(int i, int n);

    TCustomChart* chart_;
    TLegendAlignment alignment_ = laRight;
    bool checkBoxes_ = false;
    TCheckBoxesStyle checkBoxesStyle_ = cbsCheck;
    bool currentPage_ = true;
    std::unique_ptr<TDuvHiddenPen> dividingLines_;
    bool drawBehind_ = false;
    int firstValue_ = 0;
    bool fontSeriesColor_ = false;
    int globalTransparency_ = 0;
    TLegendJustify horizJustify_ = ljAutomatic;
    int horizMargin_ = 0;
    bool inverted_ = false;
    TLegendItems items_{this};
    int leftPercent_ = 0;
    TLegendStyle legendStyle_ = lsAuto;
    int maxNumRows_ = 0;
    TDuvUnits positionUnits_ = muPixels;
    bool resizeChart_ = true;
    std::unique_ptr<TDuvSelected> selected_;
    TComponentRef<TCustomChartSeries> series_;  // turns empty when the series goes
    std::unique_ptr<TLegendSymbol> symbol_;
    TLegendTextStyle textStyle_ = ltsLeftValue;
    int textSymbolGap_ = 2;
    std::unique_ptr<TLegendTitle> title_;
    int topPos_ = 10;
    int topPercent_ = 0;
    int vertMargin_ = 0;
    int vertSpacing_ = 0;

    // Layout state of the last CalcLegend.
    int symbolWidth_ = 0;
    int lastShown_ = -1;
    int totalItems_ = 0;
    bool titleDrawn_ = false;
    std::vector<std::array<std::string, 2>> texts_;
    bool justified_ = false;
    int columnWidthsSum_ = 0;
    int blankWidth_ = 0;
    int rowTopMargin_ = 0;
    int rowHeight_ = 0;
    int checkBoxX_ = 0, textX_ = 0, symbolX_ = 0;
    int resolvedStyle_ = 0;  // 0: not resolved, else TLegendStyle + 1
    int columns_ = 0, rows_ = 0;
    bool autoColumnWidths_ = true;
    std::array<int, 2> columnWidths_{};
    int totalWidth_ = 0;
};

class TChartLegend : public TCustomChartLegend {
    QB_CLASS(TChartLegend, TCustomChartLegend)
public:
    explicit TChartLegend(TCustomChart* chart = nullptr) : TCustomChartLegend(chart) {}
    static void DeclareProperties(TPropertyDeclarer<TChartLegend>& p);
};

void ChartLegendInitialization();
