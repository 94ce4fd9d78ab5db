#pragma once
// Chart axes: the axis model with its pens, title, label settings and back shape, its range
// (automatic from the series or fixed), linear, logarithmic and depth scales, and the functions
// that turn values into pixels and back; the chart's axis list and the custom-axes collection.
//
// What always holds: every conversion reads only the factors that RecalcFactors computed last
// (nothing is recomputed per point), a degenerate range or span never divides by zero, and a
// value-to-pixel result saturates at the ends of the int range instead of wrapping.
#include <cmath>
#include <climits>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "chart/engine/DuvPanel.h"
#include "chart/engine/DuvShape.h"
#include "chart/engine/DuvTextShape.h"
#include "chart/graphics/DuvPen.h"
#include "platform/core/Collection.h"

class TCustomAxisPanel;
class TCustomChartSeries;
class TChartAxis;
class TChartAxes;
class TChartCustomAxes;
class TDuvSelected;

// The limit of positions clamped for axis breaks (ClampPositions); set at start-up.
extern int AxisPixelClampLimit;

class AxisException : public Exception {
public:
    using Exception::Exception;
};

QB_ENUM(TPenLineMode, lmLine, lmCylinder, lmRectangle)
QB_ENUM(TAxisTitlePosition, tpStart, tpCenter, tpEnd)
QB_ENUM(TAxisLabelAlign, alDefault, alOpposite, alCenter)
QB_ENUM(TAxisLabelStyle, talAuto, talNone, talValue, talMark, talText, talPointValue)
QB_ENUM(TAxisLabelsPosition, lpAtTick, lpBeforeTick, lpAfterTick, lpCenter)

// ---------------------------------------------------------------- pens

class TChartAxisPen : public TDuvPen {
    QB_CLASS(TChartAxisPen, TDuvPen)
public:
    explicit TChartAxisPen(TChangeHandler changed = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TChartAxisPen>& p);

    TPenLineMode LineMode() const { return lineMode_; }
    void SetLineMode(TPenLineMode value);
    void Assign(const TPersistent* source) override;

private:
    TPenLineMode lineMode_ = lmLine;
};

class TAxisGridPen : public TDuvPen {
    QB_CLASS(TAxisGridPen, TDuvPen)
public:
    explicit TAxisGridPen(TChangeHandler changed = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TAxisGridPen>& p);

    bool DrawAlways() const { return drawAlways_; }
    void SetDrawAlways(bool value);
    int DrawEvery() const { return drawEvery_; }
    void SetDrawEvery(int value);
    double ZPosition() const { return zPosition_; }
    void SetZPosition(double value);
    bool Centered() const { return centered_; }
    void SetCentered(bool value);
    // ZPosition together with the default it is stored against (100 on the top and right axes).
    void InitZPosition(double value);
    bool IsZPositionStored() const { return zPosition_ != defaultZ_; }
    void Assign(const TPersistent* source) override;
    // A Z of 0 is not written, so a grid whose default is not 0 says so with "ZZero".
    void DefineProperties(TFiler& filer) override;

private:
    void Notify();
    bool drawAlways_ = false;
    int drawEvery_ = 1;
    double zPosition_ = 0;
    bool centered_ = false;
    double defaultZ_ = 0;
};

class TTicks : public TDarkGrayPen {
    QB_CLASS(TTicks, TDarkGrayPen)
public:
    explicit TTicks(TChangeHandler changed = nullptr) : TDarkGrayPen(std::move(changed)) {}
};

// ---------------------------------------------------------------- shapes

// The shape behind an axis and its labels; hidden, without shadow, until the user shows it.
class TAxisBackShape : public TDuvShape {
    QB_CLASS(TAxisBackShape, TDuvShape)
public:
    explicit TAxisBackShape(TCustomDuvPanel* panel = nullptr);
    void InitShadow(TDuvShadow& shadow) override;
};

class TChartAxisTitle : public TCustomTextShape {
    QB_CLASS(TChartAxisTitle, TCustomTextShape)
public:
    explicit TChartAxisTitle(TCustomDuvPanel* panel = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TChartAxisTitle>& p);

    TAxisTitlePosition Position() const { return position_; }
    void SetPosition(TAxisTitlePosition value) { Change(position_, value); }
    // The first line of the text; writing sets the whole text.
    std::string Caption() const;
    void SetCaption(const std::string& value) { SetText(value); }
    // Angle together with the default it is stored against (90 left, 270 right).
    void InitTitleAngle(int value);
    int DefaultAngle() const { return defaultAngle_; }
    void Assign(const TPersistent* source) override;
    // Visible with a caption, and the point inside the rectangle it was last drawn in.
    bool HitTest(int x, int y) const;

private:
    TAxisTitlePosition position_ = tpCenter;
    int defaultAngle_ = 0;
};

// The label settings of an axis; the axis publishes them as its Labels... properties.
class TAxisLabels : public TPersistent {
    QB_CLASS(TAxisLabels, TPersistent)
public:
    explicit TAxisLabels(TChartAxis* axis = nullptr);
    ~TAxisLabels() override;

    TAxisLabelAlign Align() const { return align_; }
    void SetAlign(TAxisLabelAlign value) { Change(align_, value); }
    bool Alternate() const { return alternate_; }
    void SetAlternate(bool value) { Change(alternate_, value); }
    int Angle() const { return angle_; }
    // Kept modulo 360.
    void SetAngle(int value);
    bool Behind() const { return behind_; }
    void SetBehind(bool value) { Change(behind_, value); }
    bool Exponent() const { return exponent_; }
    void SetExponent(bool value) { Change(exponent_, value); }
    TDuvFont* Font() const { return format_->Font(); }
    void SetFont(const TDuvFont* value) { format_->SetFont(value); }
    TAxisLabelsFormat* Format() const { return format_.get(); }
    void SetFormat(const TAxisLabelsFormat* value) { format_->Assign(value); }
    bool GridIgnoresLabelSize() const { return gridIgnoresLabelSize_; }
    void SetGridIgnoresLabelSize(bool value) { Change(gridIgnoresLabelSize_, value); }
    bool MultiLine() const { return multiLine_; }
    void SetMultiLine(bool value) { Change(multiLine_, value); }
    bool OnAxis() const { return onAxis_; }
    void SetOnAxis(bool value) { Change(onAxis_, value); }
    bool RoundFirst() const { return roundFirst_; }
    void SetRoundFirst(bool value) { Change(roundFirst_, value); }
    int Separation() const { return separation_; }
    // Negative raises.
    void SetSeparation(int value);
    int Size() const { return size_; }
    void SetSize(int value) { Change(size_, value); }
    TAxisLabelStyle Style() const { return style_; }
    void SetStyle(TAxisLabelStyle value) { Change(style_, value); }
    TAxisLabelsPosition Position() const { return position_; }
    void SetPosition(TAxisLabelsPosition value) { Change(position_, value); }
    bool Visible() const { return format_->Visible(); }
    void SetVisible(bool value) { format_->SetVisible(value); }
    TAutomaticText& AutoText() const { return *autoText_; }
    // The largest line count of the labels of the last drawing.
    int LineFactor = 1;

    void Assign(const TPersistent* source) override;

private:
    template <class V>
    void Change(V& field, V value)
    {
        if (SetIfChanged(field, value)) Repaint();
    }
    void Repaint();

    TChartAxis* axis_;
    TAxisLabelAlign align_ = alDefault;
    bool alternate_ = false;
    int angle_ = 0;
    bool behind_ = false;
    bool exponent_ = false;
    std::unique_ptr<TAxisLabelsFormat> format_;
    bool gridIgnoresLabelSize_ = false;
    bool multiLine_ = false;
    bool onAxis_ = true;
    bool roundFirst_ = true;
    int separation_ = 10;
    int size_ = 0;
    TAxisLabelStyle style_ = talAuto;
    TAxisLabelsPosition position_ = lpAtTick;
    std::unique_ptr<TAutomaticText> autoText_;
};

// ---------------------------------------------------------------- label items

class TAxisItems;

// One label of an axis: a custom label, or one the last drawing produced. Custom labels travel
// in chart files with these properties.
class TAxisItem : public TPersistent {
    QB_CLASS(TAxisItem, TPersistent)
public:
    explicit TAxisItem(TAxisItems* owner) : owner_(owner) {}
    ~TAxisItem() override;
    TAxisItem(const TAxisItem&) = delete;
    TAxisItem& operator=(const TAxisItem&) = delete;
    static void DeclareProperties(TPropertyDeclarer<TAxisItem>& p);

    double Value() const { return value_; }
    void SetValue(double value);
    const std::string& Text() const { return text_; }
    void SetText(const std::string& value);
    // Pixel along the axis, set when drawn.
    int LabelPos = 0;
    // The item's own format, made on first read (transparent).
    TAxisLabelsFormat* GetFormat();
    TAxisLabelsFormat* PeekFormat() const { return format_.get(); }
    // Copies the format, or with none drops the own one.
    void SetFormat(const TAxisLabelsFormat* value);
    // The own format, else the list's shared one.
    TAxisLabelsFormat* EffectiveFormat() const;
    TAxisItems* Owner() const { return owner_; }

private:
    friend class TAxisItems;
    TAxisItems* owner_;
    double value_ = 0;
    std::string text_;
    std::unique_ptr<TAxisLabelsFormat> format_;
};

// The labels of an axis: custom ones (then AutomaticLabels is off for good) or those recorded by
// the last label pass, which hover and clicks read.
class TAxisItems {
public:
    explicit TAxisItems(TChartAxis* axis);
    ~TAxisItems();
    TAxisItems(const TAxisItems&) = delete;
    TAxisItems& operator=(const TAxisItems&) = delete;

    bool AutomaticLabels = true;
    int Count() const { return static_cast<int>(items_.size()); }
    TAxisItem* Item(int index) const { return items_[static_cast<std::size_t>(index)].get(); }
    // A custom label: automatic labels are no longer produced.
    TAxisItem* Add(const std::string& text, double value);
    // A label the drawing produced; the mode stays as it is.
    TAxisItem* AddInternal(const std::string& text, double value, int pos);
    // Frees every item and repaints; the mode stays as it is.
    void Clear();
    // Forgets the labels of the last drawing without repainting.
    void ClearRecorded() { items_.clear(); }
    // The format and hover settings; the items too when the source holds custom labels.
    void CopyFrom(const TAxisItems& source);
    // The custom labels as a chart file holds them: a collection of items. Reading replaces
    // the items only once all were read, and turns automatic labels off.
    void WriteCustom(TWriter& writer);
    void ReadCustom(TReader& reader);
    // The labels format shared by every item without its own.
    TAxisLabelsFormat* Format() const;
    // Hover look, made on first read: the shared format in a bold font.
    TDuvSelected* GetSelected();
    TDuvSelected* PeekSelected() const { return selected_.get(); }
    int LineHeight = 0;
    TChartAxis* Axis() const { return axis_; }
    void Repaint() const;

private:
    TChartAxis* axis_;
    std::vector<std::unique_ptr<TAxisItem>> items_;
    std::unique_ptr<TDuvSelected> selected_;
};

// One label the label pass produced: its value, text, pixel along the axis and format.
struct TAxisLabelEntry {
    double Value = 0;
    std::string Text;
    // The value's pixel and where the text is anchored (moved by the labels' Position).
    int Pixel = 0;
    int Pos = 0;
    // Series and point of a point label; none and -1 for value labels.
    TCustomChartSeries* Series = nullptr;
    int Index = -1;
    // Set for custom labels, which keep their own format.
    TAxisLabelsFormat* Format = nullptr;
};

// The next value of 1, 2, 5, 10, 20, 50 ... strictly above x (x > 0); an infinite x gives 1.
double NextLabelStep(double x);

// ---------------------------------------------------------------- the axis

class TChartAxis;
using TAxisDrawLabelEvent =
    TEvent<void(TObject* sender, int x, int y, int z, std::string& text, bool& drawLabel)>;
// An axis tool's hooks (axis breaks); unset on a plain axis.
using TAxisRangeHook = std::function<void(TChartAxis* axis, int index, bool flag, double& value)>;
using TAxisLabelValueHook = std::function<void(TChartAxis* axis, double& value, bool& skip)>;
using TAxisDrawLineHook = std::function<void(TChartAxis* axis, int from, int to)>;
using TAxisBeforeGridHook = std::function<void(TChartAxis* axis)>;
// The chart's label events as the axis calls them: the text of a label may be changed (series
// none and index -1 for value labels), and a handler may produce the label values itself.
using TAxisGetLabelHook =
    std::function<void(TChartAxis* axis, TCustomChartSeries* series, int index, std::string& text)>;
using TAxisGetNextLabelHook = std::function<void(TChartAxis* axis, int labelIndex, double& value, bool& stop)>;

// One direction of a conversion: base + sign * R((v - origin) * scale), chosen once per range
// change. A zero range has scale 0 and base PixelCentre.
struct TAxisConversion {
    using TFunction = int (*)(const TAxisConversion&, double);
    TFunction Calc = nullptr;
    double Origin = 0;
    double Scale = 0;
    double Base = 0;
    double Sign = 1;
    // Logarithmic scales: the pixel of values <= 0.
    int Edge = 0;
    // Guarded linear scales: the axis' ClampPositions.
    const bool* Clamp = nullptr;
    int operator()(double value) const { return Calc(*this, value); }
};

// The int nearest to x, halves to even, saturating at the ends of the int range; NaN gives 0.
inline int SaturatedPixel(double x)
{
    if (x >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (x <= static_cast<double>(INT_MIN)) return INT_MIN;
    if (x != x) return 0;
    return static_cast<int>(x);
}

class TChartAxis : public TCollectionItem {
    QB_CLASS(TChartAxis, TCollectionItem)
public:
    // In a collection: a sub-axis when the collection belongs to an axis, else a custom axis of
    // the collection's chart (when it has one).
    explicit TChartAxis(TCollection* collection);
    // A standard axis of the chart, outside any collection.
    explicit TChartAxis(TCustomAxisPanel* chart);
    ~TChartAxis() override;
    static void DeclareProperties(TPropertyDeclarer<TChartAxis>& p);
    // A new axis in the chart's custom axes.
    static TChartAxis* CreateInChart(TCustomAxisPanel* chart);

    TCustomAxisPanel* ParentChart() const { return chart_; }

    // ---- range settings
    bool Automatic() const { return automatic_; }
    void SetAutomatic(bool value);
    bool AutomaticMaximum() const { return automaticMaximum_; }
    void SetAutomaticMaximum(bool value);
    bool AutomaticMinimum() const { return automaticMinimum_; }
    void SetAutomaticMinimum(bool value);
    double Maximum() const { return maximum_; }
    void SetMaximum(double value);
    double Minimum() const { return minimum_; }
    void SetMinimum(double value);
    bool IsMaximumStored() const { return !automatic_ && !automaticMaximum_; }
    bool IsMinimumStored() const { return !automatic_ && !automaticMinimum_; }
    // Both automatic flags off, the smaller value as Minimum; an empty range is widened by 1e-10
    // on both sides. Sub-axes follow.
    void SetRange(double minimum, double maximum);
    // Alias kept for callers that name the pair.
    void SetMinMax(double minimum, double maximum) { SetRange(minimum, maximum); }
    // Moves the range by offset; with checkLimits only while the series have values beyond it.
    void ScrollBy(double offset, bool checkLimits);
    int MaximumOffset() const { return maximumOffset_; }
    void SetMaximumOffset(int value) { Change(maximumOffset_, value); }
    int MinimumOffset() const { return minimumOffset_; }
    void SetMinimumOffset(int value) { Change(minimumOffset_, value); }
    bool MaximumRound() const { return maximumRound_; }
    void SetMaximumRound(bool value) { Change(maximumRound_, value); }
    bool MinimumRound() const { return minimumRound_; }
    void SetMinimumRound(bool value) { Change(minimumRound_, value); }
    double Increment() const { return increment_; }
    // Negative raises.
    void SetIncrement(double value);
    bool Logarithmic() const { return logarithmic_; }
    // True raises when the current range goes below 0.
    void SetLogarithmic(bool value);
    double LogarithmicBase() const { return logarithmicBase_; }
    // 1 or not above 0 raises.
    void SetLogarithmicBase(double value);
    bool Inverted() const { return inverted_; }
    virtual void SetInverted(bool value);
    bool Horizontal() const { return horizontal_; }
    void SetHorizontal(bool value);
    bool IsHorizontalStored() const { return Collection() != nullptr; }
    bool OtherSide() const { return otherSide_; }
    void SetOtherSide(bool value) { Change(otherSide_, value); }
    bool DefaultOtherSide() const { return defaultOtherSide_; }
    // Horizontal and OtherSide of a standard axis, the side also as its stored default.
    void InitOrientation(bool horizontal, bool otherSide);

    // ---- position settings
    double StartPosition() const { return startPosition_; }
    void SetStartPosition(double value) { Change(startPosition_, value); }
    double EndPosition() const { return endPosition_; }
    void SetEndPosition(double value) { Change(endPosition_, value); }
    double PositionPercent() const { return positionPercent_; }
    void SetPositionPercent(double value) { Change(positionPercent_, value); }
    TDuvUnits PositionUnits() const { return positionUnits_; }
    void SetPositionUnits(TDuvUnits value) { Change(positionUnits_, value); }
    double ZPosition() const { return zPosition_; }
    // 0 is kept as 0.01.
    void SetZPosition(double value);
    bool IsZPositionStored() const;
    // ZPosition without repainting (standard axes at creation).
    void InitZPosition(double value) { zPosition_ = value; }
    TChartAxis* PartnerAxis() const { return partnerAxis_; }
    void SetPartnerAxis(TChartAxis* value);
    bool UsePartnerAxis() const { return usePartnerAxis_; }
    void SetUsePartnerAxis(bool value) { Change(usePartnerAxis_, value); }

    // ---- look
    bool Visible() const { return visible_; }
    void SetVisible(bool value) { Change(visible_, value); }
    bool DefaultVisible() const { return defaultVisible_; }
    TChartAxisPen* Axis() const { return axisPen_.get(); }
    void SetAxis(const TChartAxisPen* value) { axisPen_->Assign(value); }
    TAxisGridPen* Grid() const { return grid_.get(); }
    void SetGrid(const TAxisGridPen* value) { grid_->Assign(value); }
    bool GridCentered() const { return grid_->Centered(); }
    void SetGridCentered(bool value) { grid_->SetCentered(value); }
    TDuvHiddenPen* MinorGrid() const { return minorGrid_.get(); }
    void SetMinorGrid(const TDuvHiddenPen* value) { minorGrid_->Assign(value); }
    TTicks* Ticks() const { return ticks_.get(); }
    void SetTicks(const TTicks* value) { ticks_->Assign(value); }
    TTicks* TicksInner() const { return ticksInner_.get(); }
    void SetTicksInner(const TTicks* value) { ticksInner_->Assign(value); }
    TTicks* MinorTicks() const { return minorTicks_.get(); }
    void SetMinorTicks(const TTicks* value) { minorTicks_->Assign(value); }
    int MinorTickCount() const { return minorTickCount_; }
    void SetMinorTickCount(int value) { Change(minorTickCount_, value); }
    int MinorTickLength() const { return minorTickLength_; }
    void SetMinorTickLength(int value) { Change(minorTickLength_, value); }
    int TickLength() const { return tickLength_; }
    void SetTickLength(int value) { Change(tickLength_, value); }
    int TickInnerLength() const { return tickInnerLength_; }
    void SetTickInnerLength(int value) { Change(tickInnerLength_, value); }
    bool TickOnLabelsOnly() const { return tickOnLabelsOnly_; }
    void SetTickOnLabelsOnly(bool value) { Change(tickOnLabelsOnly_, value); }
    int TitleSize() const { return titleSize_; }
    void SetTitleSize(int value) { Change(titleSize_, value); }
    // Made on first read; none frees it.
    TChartAxisTitle* GetTitle();
    TChartAxisTitle* PeekTitle() const { return title_.get(); }
    void SetTitle(const TChartAxisTitle* value);
    TAxisBackShape* GetShape();
    TAxisBackShape* PeekShape() const { return shape_.get(); }
    void SetShape(const TAxisBackShape* value);
    bool IsShapeStored() const { return shape_ != nullptr; }
    TChartCustomAxes* GetSubAxes();
    TChartCustomAxes* PeekSubAxes() const { return subAxes_.get(); }
    void SetSubAxes(const TChartCustomAxes* value);
    bool IsSubAxesStored() const;

    // ---- label texts
    const std::string& AxisValuesFormat() const { return axisValuesFormat_; }
    void SetAxisValuesFormat(const std::string& value) { Change(axisValuesFormat_, value); }
    const std::string& DateTimeFormat() const { return dateTimeFormat_; }
    void SetDateTimeFormat(const std::string& value) { Change(dateTimeFormat_, value); }
    bool ExactDateTime() const { return exactDateTime_; }
    void SetExactDateTime(bool value) { Change(exactDateTime_, value); }
    TAxisLabels& Labels() const { return *labels_; }
    TAxisItems& Items() const { return *items_; }
    TAxisDrawLabelEvent OnDrawLabel;
    // Set by a tool on one axis; otherwise the chart's events of the same names are asked.
    TAxisGetLabelHook OnGetAxisLabel;
    TAxisGetNextLabelHook OnGetNextAxisLabel;

    // ---- what the drawing computes (read by labels, drawing, mouse and tools)
    double CurMinimum = 0, CurMaximum = 0, CurRange = 0;
    bool RangeIsZero = true;
    double LogMinimum = 0, LogMaximum = 0, LogRange = 0;
    double PixelsPerValue = 0, PixelsPerLogValue = 0;
    int PixelStart = 0, PixelEnd = 0, PixelSize = 0, PixelCentre = 0;
    int AxisPos = 0, LabelsPos = 0, TitlePos = 0;
    int DepthPos = 0;
    bool IsDepthAxis = false;
    bool IsDateTimeAxis = false;
    bool AxisIsVisible = false;
    int WallSize = 0;
    std::vector<TCustomChartSeries*> AxisSeries;
    TChartAxis* MasterAxis = nullptr;
    std::vector<int> TickPositions;
    TAxisRangeHook RangeHook;
    TAxisLabelValueHook LabelValueHook;
    TAxisDrawLineHook DrawLineHook;
    TAxisBeforeGridHook BeforeGridHook;
    int BreakSpace = 0;
    bool ClampPositions = false;

    // ---- range and span
    // Automatic ends from the series, the current range, a range hook, factors and rounding.
    void UpdateInternalRange();
    // The automatic ends straight into Minimum and Maximum (no checks, no repaint).
    void GetAutoMinMax();
    void RecalcFactors();
    void CalcPixelRange();
    // Offsets, break space and series margins (left, top, right, bottom) widen the range.
    void ApplyMarginsToRange(int left, int top, int right, int bottom);
    // Rounds the current ends to the label increment; the increments step brings it.
    void RoundRange();
    // The label increment of the current range, from the widest label and the axis length.
    double IncrementFromLabelWidths();

    // ---- increments and labels
    // The increment that fits at most maxLabels labels on the current range.
    double LabelsIncrementFor(int maxLabels);
    double DateTimeLabelsIncrement(int maxLabels);
    double NumericLabelsIncrement(int maxLabels);
    // LogarithmicBase to the nearest whole power of value.
    double NearestLogPower(double value) const;
    // Some active series drawn along this axis has no more than count points.
    bool AnySeriesFewerPoints(int count) const;
    // Pixels a value's label takes along the axis (1 when the grid ignores label sizes).
    int LabelExtentOfValue(double value);
    std::string FormatLabelValue(double value);
    TAxisLabelStyle CalcAutoLabelStyle() const;
    TAxisLabelStyle EffectiveLabelStyle() const;
    // The widest label of the current range, for the labels band.
    int WidestLabelWidth();
    int WidestValueLabel();
    int WidestEventLabel();
    // A step of exact date-time axes, or NoDateTimeStep: which calendar steps the labels take.
    int LabelDateTimeStep(double increment) const;
    // The label pass without painting: ticks into TickPositions, automatic labels recorded in
    // Items, and every label to paint in the order produced.
    std::vector<TAxisLabelEntry> CalcLabels();
    // A date-time value list of the first active series that shows one on the topmost master.
    bool ShowsDateTime() const;
    // Chooses the conversion functions (depth, logarithmic, fast or guarded linear).
    void SelectPositionCalculators();

    // ---- placement (sizes and positions, nothing painted)
    int ExtraSpace = 0;
    bool HideBackGrid = false, HideSideGrid = false;
    // The canvas group of a standard axis ("Bottom", "Top", ...); empty for other axes.
    std::string AxisGroupName() const;
    // pos moved away from the chart area by n.
    int MoveOutward(int pos, int n) const;
    // The rectangle's edge on the axis' side moved inward by n, never past the opposite edge.
    void ShrinkRectOnSide(TRect& rect, int n) const;
    int AxisBasePos(const TRect& rect) const;
    int PositionPercentAdjust(int pos, const TRect& rect) const;
    int LineAndTicksSize(bool withTicks) const;
    int TextExtentAcross(TCustomTextShape& shape, int angle, int fixedSize, const std::string& text);
    int LabelsThickness();
    bool HasGetAxisLabel() const;
    bool HasGetNextAxisLabel() const;
    void FireGetAxisLabel(TCustomChartSeries* series, int index, std::string& text);
    void FireGetNextAxisLabel(int index, double& value, bool& stop);
    // The recorded label under (x, y): its text around its place along the axis, across the band
    // from the axis line out past the labels' position; projected at the axis' depth in 3D.
    // -1 when none.
    int HoverLabelAt(int x, int y);
    // Takes the axis' title, labels and line bands out of rect (a standard axis shrinks it).
    void PlaceInRect(TRect& rect, bool standard);
    // Along the axis from PixelStart to PixelEnd; across the line and the labels.
    TRect OccupiedRect() const;
    bool HitTest(int x, int y);

    // ---- painting
    void Draw(bool calcPos);
    void DrawBackShape();
    void DrawTitle();
    void DrawLineTicksGrid();
    void PaintAxisLine(int a, int b);
    void DrawTickAt(int p, int offset, int length);
    void DrawMinorMarks(bool asGrid);
    void DrawGrid();
    void DrawGridLine(int p);
    void DrawAxisLabel(int index, int pos, const std::string& text, TAxisLabelsFormat* format, double value);
    void PaintLabel(int x, int y, int z, TAxisLabelsFormat* format, const std::string& text, int angle,
                    bool exponent);
    void PaintTitle(int x, int y);
    // A sub-axis takes the axis' orientation, side, inversion and logarithmic settings.
    void CopyToSubAxis(TChartAxis& sub) const;
    // Draws at positions a tool or special series gives; the grid shows or hides for this drawing
    // only, and the span comes back from the chart rectangle afterwards.
    void DrawAtPositions(int labelsPos, int titlePos, int axisPos, int pixelEnd, int pixelStart, bool gridVisible);
    // The same with a temporary fixed range and increment, restored also when drawing fails.
    void DrawTemporaryRange(int labelsPos, int titlePos, int axisPos, int pixelEnd, int pixelStart,
                            bool gridVisible, double minimum, double maximum, double increment);
    // Where PaintLabel puts a label anchored at (x, y), before any 3D projection.
    TRect LabelRect(int x, int y, TAxisLabelsFormat* format, const std::string& text, int angle, bool exponent,
                    bool* centred = nullptr);

    // ---- conversions; hot path: no virtual call, no lookup
    int ValueToPixel(double value) const { return active_(value); }
    int CalcPosValue(double value) const { return active_(value); }
    int CalcXPosValue(double value) const { return horiz_(value); }
    int CalcYPosValue(double value) const { return vert_(value); }
    // count values into pixels with the active function.
    void CalcPosValues(const double* values, int* pixels, std::size_t count) const;
    double PixelToValue(int pixel) const;
    double CalcPosPoint(int pixel) const { return PixelToValue(pixel); }
    int PixelsBetween(double a, double b) const;
    int ValueToPixelSize(double value) const { return PixelsBetween(value, 0); }
    int CalcSizeValue(double value) const { return ValueToPixelSize(value); }

    // Every published setting, the depth flag, the shape and the sub-axes.
    void Assign(const TPersistent* source) override;
    std::string GetDisplayName() const override;
    // The chart repaints; nothing without one.
    void Repaint() const;
    // Custom labels ("Items") besides the published settings.
    void DefineProperties(TFiler& filer) override;

protected:
    template <class V>
    void Change(V& field, const V& value)
    {
        if (field == value) return;
        field = value;
        Repaint();
    }
    void InitVisible(bool value)
    {
        visible_ = value;
        defaultVisible_ = value;
    }

private:
    friend class TChartCustomAxes;
    friend class TChartAxes;
    void Construct();
    bool ChartLoading() const;
    void FreeSeriesDrawCaches();
    void UpdateConversions();
    void ChangeMinMax(double& field, double value);
    void AddAxisOffsets(int& minSide, int& maxSide) const;
    // Label pass pieces (RuRazaziLabels.cpp).
    struct TLabelPass;
    void CustomLabels(TLabelPass& pass);
    void LinearLabels(TLabelPass& pass, double increment);
    void LogLabels(TLabelPass& pass);
    void EventLabels(TLabelPass& pass, double increment);
    void SeriesTitleLabels(TLabelPass& pass);
    void PointLabels(TLabelPass& pass, TAxisLabelStyle style);
    bool StepLabelValue(double& value, int step, double increment) const;
    void LabelAtValue(TLabelPass& pass, double value);
    void PlaceLabel(TLabelPass& pass, int pixel, double value, const std::string& text, TCustomChartSeries* series,
                    int index, TAxisLabelsFormat* format);
    std::string SeriesLabelOf(TCustomChartSeries* series, int index, TAxisLabelStyle style, double& value);
    void MeasureLabel(const std::string& text, int& width, int& lines);
    bool LabelRunsAcross() const;
    bool Is3D() const;
    TChartAxis* SideAxis(int which) const;
    int WallOf(const TChartAxis* axis) const;
    void Line3DOr2D(int x0, int y0, int x1, int y1, int z);
    void PaintExponentLabel(const TRect& r, TAxisLabelsFormat& format, const std::string& text, std::size_t ePos,
                            bool centred);
    int DepthAxisAcrossPos() const;
    void PaintLabels(const std::vector<TAxisLabelEntry>& labels);
    bool labelToggle_ = true;
    int widestLabel_ = 0;

    TCustomAxisPanel* chart_ = nullptr;
    bool automatic_ = true, automaticMaximum_ = true, automaticMinimum_ = true;
    double maximum_ = 0, minimum_ = 0;
    int maximumOffset_ = 0, minimumOffset_ = 0;
    bool maximumRound_ = false, minimumRound_ = false;
    double increment_ = 0;
    bool logarithmic_ = false;
    double logarithmicBase_ = 10;
    bool inverted_ = false;
    bool horizontal_ = false;
    bool otherSide_ = false, defaultOtherSide_ = false;
    double startPosition_ = 0, endPosition_ = 100;
    double positionPercent_ = 0;
    TDuvUnits positionUnits_ = muPercent;
    double zPosition_ = 0;
    TChartAxis* partnerAxis_ = nullptr;
    bool usePartnerAxis_ = false;
    bool visible_ = true, defaultVisible_ = true;
    std::unique_ptr<TChartAxisPen> axisPen_;
    std::unique_ptr<TAxisGridPen> grid_;
    std::unique_ptr<TDuvHiddenPen> minorGrid_;
    std::unique_ptr<TTicks> ticks_, ticksInner_, minorTicks_;
    int minorTickCount_ = 3, minorTickLength_ = 2, tickLength_ = 4, tickInnerLength_ = 0;
    bool tickOnLabelsOnly_ = true;
    int titleSize_ = 0;
    std::unique_ptr<TChartAxisTitle> title_;
    std::unique_ptr<TAxisBackShape> shape_;
    std::unique_ptr<TChartCustomAxes> subAxes_;
    std::string axisValuesFormat_ = "#,##0.###";
    std::string dateTimeFormat_;
    bool exactDateTime_ = true;
    std::unique_ptr<TAxisLabels> labels_;
    std::unique_ptr<TAxisItems> items_;
    int calcKind_ = 0;
    TAxisConversion horiz_, vert_, active_;
};

// The Depth and DepthTop axes.
class TChartDepthAxis : public TChartAxis {
    QB_CLASS(TChartDepthAxis, TChartAxis)
public:
    explicit TChartDepthAxis(TCollection* collection);
    explicit TChartDepthAxis(TCustomAxisPanel* chart);
    static void DeclareProperties(TPropertyDeclarer<TChartDepthAxis>& p);

    bool LabelsAsSeriesTitles() const { return labelsAsSeriesTitles_; }
    void SetLabelsAsSeriesTitles(bool value) { Change(labelsAsSeriesTitles_, value); }
    // The other depth axis of the chart takes the same value.
    void SetInverted(bool value) override;
    void Assign(const TPersistent* source) override;

private:
    bool labelsAsSeriesTitles_ = true;
};

// The increment for labels of size pixels along the axis, with the labels' separation added.
double IncrementForLabelSize(TChartAxis* axis, int size);

// Widens the axis' current range so that the margins (pixels; left and right on a horizontal
// axis, top and bottom on a vertical one) stay free while the data keeps its place.
void ExtendRangeByPixels(TChartAxis* axis, int left, int top, int right, int bottom);

// ---------------------------------------------------------------- lists

// A chart's custom axes (owner a chart), or the sub-axes of an axis (owner that axis).
class TChartCustomAxes : public TCollection {
    QB_CLASS(TChartCustomAxes, TCollection)
public:
    explicit TChartCustomAxes(TPersistent* owner = nullptr);
    TChartAxis* GetAxis(int index) const { return static_cast<TChartAxis*>(Items(index)); }
    // Under an axis the new sub-axis takes the master's orientation and side and hides its line.
    TChartAxis* AddAxis();
    // The axis' sub-axes take its Minimum and Maximum.
    void UpdateSubAxesRange(TChartAxis* axis);
    // The axis that owns the collection; none for a chart's custom axes.
    TChartAxis* OwnerAxis() const;
    TCustomAxisPanel* Chart() const;
};

// The chart's axis list: Bottom, Top, Left, Right, Depth, DepthTop, then the custom axes.
// Not owning: the chart owns the standard axes, the custom-axes collection the others.
class TChartAxes {
public:
    explicit TChartAxes(TCustomAxisPanel* chart = nullptr) : Chart(chart) {}
    ~TChartAxes() = default;
    TChartAxes(const TChartAxes&) = delete;
    TChartAxes& operator=(const TChartAxes&) = delete;

    TCustomAxisPanel* const Chart;
    bool FastCalculation() const { return fastCalculation_; }
    // Every axis chooses its conversion functions again.
    void SetFastCalculation(bool value);
    // Lets a tool change the size an axis takes in the chart (axis, size) -> size.
    std::function<int(TChartAxis*, int)> SizeHook;

    int Count() const { return static_cast<int>(items_.size()); }
    TChartAxis* GetAxis(int index) const { return items_[static_cast<std::size_t>(index)]; }
    int IndexOf(const TChartAxis* axis) const;
    TChartAxis* GetBottomAxis() const { return GetAxis(0); }
    TChartAxis* GetTopAxis() const { return GetAxis(1); }
    TChartAxis* GetLeftAxis() const { return GetAxis(2); }
    TChartAxis* GetRightAxis() const { return GetAxis(3); }
    TChartAxis* GetDepthAxis() const { return GetAxis(4); }
    TChartAxis* GetDepthTopAxis() const { return GetAxis(5); }
    void MakeAllAutomatic() { SetAutomatic(true); }
    void SetAutomatic(bool value);
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    friend class TChartAxis;
    void Append(TChartAxis* axis) { items_.push_back(axis); }
    void Remove(const TChartAxis* axis);
    bool fastCalculation_ = false;
    std::vector<TChartAxis*> items_;
};

// The axis part of the chart module's start-up: the clamp limit, streaming classes, the axis
// lookup tools use.
void RuRazaziAxisInitialization();
