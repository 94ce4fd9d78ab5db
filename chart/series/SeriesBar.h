#pragma once
// Bar series: the base shared by every bar-like series (how bar series of one chart share a
// category position, bar thickness, origins and stacking, the fifteen shapes, effects, marks on
// bars, hit tests) and the vertical and horizontal bar series that give it its geometry.
//
// What always holds:
//  - the layout state (NumBars, BarOrder, MaxBarPoints, PrecedingPoints, BarSize) is computed
//    by PrepareToDraw and the margin operations of one drawing and read only during it;
//  - MultiBar and SideMargins are equal in every bar series of one class in one chart;
//  - canvas settings a bar changes while it paints (cylinder sides, ellipse points, gradient
//    colours) are restored before the next bar.
#include <memory>
#include <string>
#include <vector>

#include "chart/graphics/DuvGradient.h"
#include "chart/graphics/DuvPen.h"
#include "chart/graphics/DuvShadow.h"
#include "chart/series/RuRazaziSeries.h"

QB_ENUM(TMultiBar, mbNone, mbSide, mbStacked, mbStacked100, mbSideAll, mbSelfStack)
QB_ENUM(TBarStyle, bsRectangle, bsPyramid, bsInvPyramid, bsCilinder, bsEllipse, bsArrow, bsRectGradient, bsCone,
        bsBevel, bsSlantCube, bsDiamond, bsInvArrow, bsInvCone, bsCustom, bsRoundRectangle)
QB_ENUM(TBarRound, brNone, brAtValue, brBothEnds)
QB_ENUM(TMarksLocation, mlStart, mlCenter, mlEnd)

class TCustomBarSeries;
using TGetBarStyleEvent = TEvent<void(TCustomBarSeries* sender, int valueIndex, TBarStyle& theBarStyle)>;

class TCustomBarSeries : public TChartSeries {
    QB_CLASS(TCustomBarSeries, TChartSeries)
public:
    explicit TCustomBarSeries(TComponent* owner);
    ~TCustomBarSeries() override;
    static void DeclareProperties(TPropertyDeclarer<TCustomBarSeries>& p);

    // ------------------------------------------------------------ settings
    bool AutoBarSize() const { return autoBarSize_; }
    void SetAutoBarSize(bool value) { ChangeBoolean(autoBarSize_, value); }
    bool AutoMarkPosition() const { return Marks().AutoPosition(); }
    void SetAutoMarkPosition(bool value) { Marks().SetAutoPosition(value); }
    TDuvBrush* BarBrush() const { return &Brush(); }
    void SetBarBrushObject(const TDuvBrush* value) { SetBrush(value); }
    TDuvPen* BarPen() const { return &Pen(); }
    void SetBarPenObject(const TDuvPen* value) { SetPen(value); }
    TBarRound BarRound() const { return barRound_; }
    void SetBarRound(TBarRound value);
    TBarStyle BarStyle() const { return barStyle_; }
    void SetBarStyle(TBarStyle value);
    int BarWidthPercent() const { return barWidthPercent_; }
    void SetBarWidthPercent(int value) { ChangeInteger(barWidthPercent_, value); }
    int BevelSize() const { return bevelSize_; }
    void SetBevelSize(int value) { ChangeInteger(bevelSize_, value); }
    int ConePercent() const { return conePercent_; }
    void SetConePercent(int value) { ChangeInteger(conePercent_, value); }
    bool Dark3D() const { return dark3D_; }
    void SetDark3D(bool value) { ChangeBoolean(dark3D_, value); }
    int DarkPen() const { return darkPen_; }
    void SetDarkPen(int value) { ChangeInteger(darkPen_, value); }
    int DepthPercent() const { return depthPercent_; }
    void SetDepthPercent(int value) { ChangeInteger(depthPercent_, value); }
    TDuvEmboss* Emboss() const { return emboss_.get(); }
    void SetEmboss(const TDuvEmboss* value);
    TDuvGradient* Gradient() const { return Brush().GetGradient(); }
    void SetGradient(const TDuvGradient* value);
    bool GradientRelative() const { return gradientRelative_; }
    void SetGradientRelative(bool value) { ChangeBoolean(gradientRelative_, value); }
    TMarksLocation MarksLocation() const { return marksLocation_; }
    void SetMarksLocation(TMarksLocation value);
    bool MarksOnBar() const { return marksOnBar_; }
    void SetMarksOnBar(bool value) { ChangeBoolean(marksOnBar_, value); }
    TMultiBar MultiBar() const { return multiBar_; }
    void SetMultiBar(TMultiBar value);
    int OffsetPercent() const { return offsetPercent_; }
    void SetOffsetPercent(int value) { ChangeInteger(offsetPercent_, value); }
    int RoundSize() const { return roundSize_; }
    void SetRoundSize(int value) { ChangeInteger(roundSize_, value); }
    TDuvShadow* Shadow() const { return shadow_.get(); }
    void SetShadow(const TDuvShadow* value);
    bool SideMargins() const { return sideMargins_; }
    void SetSideMargins(bool value);
    int Sides() const { return sides_; }
    void SetSides(int value) { ChangeInteger(sides_, value); }
    int StackGroup() const { return stackGroup_; }
    void SetStackGroup(int value) { ChangeInteger(stackGroup_, value); }
    // Made on first read: invisible, flat ends.
    TDuvHiddenPen* TickLines();
    TDuvHiddenPen* PeekTickLines() const { return tickLines_.get(); }
    void SetTickLines(const TDuvPen* value);
    bool UseYOrigin() const { return useYOrigin_; }
    void SetUseYOrigin(bool value) { ChangeBoolean(useYOrigin_, value); }
    double YOrigin() const { return yOrigin_; }
    void SetYOrigin(double value) { ChangeDouble(yOrigin_, value); }
    // The custom bar thickness in pixels (0: computed), published by the descendants.
    int CustomBarSize() const { return customBarSize_; }
    void SetCustomBarSize(int value) { ChangeInteger(customBarSize_, value); }

    TGetBarStyleEvent OnGetBarStyle;

    // ------------------------------------------------------------ layout state of one drawing
    int NumBars = 0;
    int BarOrder = 1;
    int MaxBarPoints = -1;
    int PrecedingPoints = 0;
    int BarSize = 0;
    TRect BarBounds;
    TColor BarColor = clDefault;

    int AddBar(double value, const std::string& label = {}, TColor color = clDefault);
    TBarStyle GetBarStyle(int valueIndex);
    // Copies MultiBar and SideMargins from the first series of this class in the chart, or
    // (write) writes them into every such series.
    void SyncMultiBar(bool write);
    void CalcBarSize();
    int BarMargin() const;
    int ApplyBarOffset(int position) const;
    // The value bar valueIndex starts from (total: the stack's total of absolute values).
    virtual double StackedValue(int valueIndex, bool total) const;
    // Pixel of the bar's base on the value axis; defaultPos without an origin to use.
    int BarOriginPos(int valueIndex, int defaultPos) const;
    // Pixel of the value end of a bar along the value axis.
    int BarValueEndPos(int valueIndex) const;
    // Value axis extremes adjusted for stacking and origin.
    double MaxMandatoryValue(double plainMaximum) const;
    double MinMandatoryValue(double plainMinimum) const;
    // SideMargins adds a whole bar group at both ends of the category axis.
    void AddCategoryMargins(int& low, int& high);
    // The room marks need beyond the bars along the value axis; 0 with MarksOnBar.
    int ValueAxisMarginNeeded(int markIndex);

    // ------------------------------------------------------------ slots of the descendants
    virtual int GetMarkTextHeightExtra(int) { return 0; }
    virtual bool IsPointInBar(int, const TPoint&) { return false; }
    // Stacking sub-styles apply to this class.
    virtual bool UsesOrigin() const { return true; }
    virtual void CalcBarBounds(int valueIndex, TRect& r) = 0;
    // Paints bar valueIndex between two value-axis coordinates (startPos <= endPos).
    virtual void PaintBar(int valueIndex, int startPos, int endPos) = 0;
    virtual void DrawTickLine(int, TBarStyle) {}
    // Moves the default mark position to where a bar's mark goes.
    virtual void PlaceBarMark(int, const std::string&, TSeriesMarkPosition&) {}

    // ------------------------------------------------------------ painting
    void SetBarPen(int valueIndex);
    void SetBarBrush(TColor color, int valueIndex);
    void BarRectangle(const TRect& r, bool allowRound);
    bool ApplyGradientRelative(int valueIndex);
    void DrawBevel();
    void DrawTickLines(int startPos, int endPos, TBarStyle style);
    void DrawBarShadow(int valueIndex, TDuvShadow& shadow);
    void DrawBarBlended(int valueIndex, int transparency);
    // The front half of a cylinder's circumference across the bar at a value-axis pixel.
    void DrawCylinderTickLine(int position);
    // The four edge middles of the rectangle (projected at the start depth in 3D), even-odd.
    bool InRhombus(const TRect& r, const TPoint& p);
    // In 3D the projected box between the start and end depth, else the rectangle (edges in).
    bool InBox(const TRect& r, const TPoint& p);
    // Value-axis coordinates of BarBounds, the smaller first.
    void BarValueSpan(int& startPos, int& endPos) const;
    // Plain flat bars: a bar thinner than its pen paints one solid piece in its own colour.
    bool CanMergeThinBars();
    bool IsSolidThinBar(const TRect& r) const;

    // ------------------------------------------------------------ framework operations
    void SetParentChart(TCustomAxisPanel* value) override;
    void SetPen(const TDuvPen* value) override;
    std::string GetEditorClassName() const override { return "TBarSeriesEditor"; }
    void PrepareToDraw() override;
    void DrawAllPoints() override;
    void FireBeforeDrawValues() override;
    void Assign(const TPersistent* source) override;
    void AssignFormat(const TCustomChartSeries* source) override;
    void CalcZOrder() override;
    void CalcDepthPositions(int slotDepth) override;
    bool SharesZOrder() const override;
    void ListSubGalleryStyles(const TSubGalleryCallback& callback) override;
    void ApplySubGalleryStyle(int index) override;
    void PaintLegendSymbol(int index, const TRect& rect) override;
    void PrepareLegendCanvas(int index, TColor& backColor, TBrushStyle& brushStyle) override;
    void DrawPointMark(int index, const std::string& text, TSeriesMarkPosition& position) override;
    void DrawPoint(int index) override;
    bool DrawForwardInDepth() const override;
    bool DrawForwardOnAxis() const override;
    bool IsPointInChartRect(int index) override;
    void GetPointDrawOrder(int first, int last, std::vector<int>& order, bool ownOnly) override;
    void GetMarkDrawOrder(int firstSeries, int seriesCount, std::vector<int>& order, int valueIndex) override;
    void CalcFirstLastVisible() override;
    int PointAtScreen(int x, int y) override;
    void AddRandomSamples(int count, bool valuesOnly) override;
    void SetGalleryLook() override;
    int DefaultSampleCount() const override;

protected:
    // The axis the values are drawn along and the one the categories are spread along.
    TChartAxis* ValueAxis() const { return YMandatory() ? VertAxisObject() : HorizAxisObject(); }
    TChartAxis* CategoryAxis() const { return YMandatory() ? HorizAxisObject() : VertAxisObject(); }
    // The active series of this one's family in the chart, in list order.
    template <class F>
    void ForEachFamilyMember(F visit) const;
    bool ValueAxisInverted() const;
    bool CategoryAxisInverted() const;
    bool Rotated3D() const;
    // The shapes, hit tests and tick lines of both orientations; the descendants' PaintBar,
    // IsPointInBar and DrawTickLine call them.
    void PaintBarStyle(int valueIndex, int startPos, int endPos);
    bool IsPointInBarStyle(int valueIndex, const TPoint& p);
    void DrawTickLineStyle(int position, TBarStyle style);
    // Near edge on the category axis of bar valueIndex.
    int BarNearEdge(int valueIndex);
    // The base pixel of a bar: the far end of the value axis when there is no origin.
    int BarBasePos(int valueIndex) const;
    // The rectangle of both orientations; touching bars end where their neighbour starts.
    void CalcOrientedBarBounds(int valueIndex, TRect& r);
    // Value axis margins for the marks and the pen.
    void ValueAxisMargins(int markIndex, int& low, int& high);
    // Category axis pixel of a value on this series' category axis.
    int CategoryPixel(double value) const;
    // The chart's 3D canvas; only while the series has a chart.
    TCanvas3D& ChartCanvas() const;
    // Marks text height, or width when turned upright.
    int MarkTextExtent(const std::string& text, bool across);

private:
    // A pen colour that wins over the bar pen's while a shadow or emboss is drawn.
    TColor penColorOverride_ = clNone;
    // The canvas still holds the pen and brush this series set for a bar of that colour.
    bool CanvasHoldsBarState(TColor color, int valueIndex);
    bool barStateApplied_ = false;
    TColor appliedBarColor_ = clNone;
    void EffectChanged(TObject*) { RequestRepaint(); }
    double StackTotalAt(int valueIndex) const;
    double StackedEndValue(int valueIndex) const;
    void PrepareGalleryPair(int index);

    bool autoBarSize_ = false;
    TBarRound barRound_ = brAtValue;
    TBarStyle barStyle_ = bsRectangle;
    int barWidthPercent_ = 70;
    int bevelSize_ = 1;
    int conePercent_ = 0;
    bool dark3D_ = true;
    int darkPen_ = 0;
    int depthPercent_ = 100;
    bool gradientRelative_ = false;
    TMarksLocation marksLocation_ = mlEnd;
    bool marksOnBar_ = false;
    TMultiBar multiBar_ = mbSide;
    int offsetPercent_ = 0;
    int roundSize_ = 16;
    bool sideMargins_ = true;
    int sides_ = 32;
    int stackGroup_ = 0;
    bool useYOrigin_ = true;
    double yOrigin_ = 0;
    int customBarSize_ = 0;
    std::unique_ptr<TDuvShadow> shadow_;
    std::unique_ptr<TDuvEmboss> emboss_;
    std::unique_ptr<TDuvHiddenPen> tickLines_;
    std::vector<int> stackGroups_;
};

// Vertical bars: categories along the horizontal axis, values up the vertical one.
class TBarSeries : public TCustomBarSeries {
    QB_CLASS(TBarSeries, TCustomBarSeries)
public:
    explicit TBarSeries(TComponent* owner = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TBarSeries>& p);

    int CustomBarWidth() const { return CustomBarSize(); }
    void SetCustomBarWidth(int value) { SetCustomBarSize(value); }

    void GetHorizMargins(int& left, int& right) override;
    void GetVertMargins(int& top, int& bottom) override;
    int GetPointScreenX(int index) override;
    int GetPointScreenY(int index) override;
    void GetPointScreenXY(int index, int& x, int& y) override;
    double MaxXValue() override;
    double MinXValue() override;
    double MaxYValue() override;
    double MinYValue() override;
    int GetMarkTextHeightExtra(int index) override;
    void PlaceBarMark(int index, const std::string& text, TSeriesMarkPosition& position) override;
    void PaintBar(int index, int startPos, int endPos) override;
    void CalcBarBounds(int index, TRect& r) override;
    bool IsPointInBar(int index, const TPoint& p) override;
    void DrawTickLine(int position, TBarStyle style) override;
    bool DrawForwardIn3DView(int index) const override;
};

// Horizontal bars: categories down the vertical axis, values along the horizontal one.
class THorizBarSeries : public TCustomBarSeries {
    QB_CLASS(THorizBarSeries, TCustomBarSeries)
public:
    explicit THorizBarSeries(TComponent* owner = nullptr);
    static void DeclareProperties(TPropertyDeclarer<THorizBarSeries>& p);

    int CustomBarHeight() const { return CustomBarSize(); }
    void SetCustomBarHeight(int value) { SetCustomBarSize(value); }

    void GetHorizMargins(int& left, int& right) override;
    void GetVertMargins(int& top, int& bottom) override;
    int GetPointScreenX(int index) override;
    int GetPointScreenY(int index) override;
    void GetPointScreenXY(int index, int& x, int& y) override;
    double MaxXValue() override;
    double MinXValue() override;
    double MaxYValue() override;
    double MinYValue() override;
    int GetMarkTextHeightExtra(int index) override;
    void PlaceBarMark(int index, const std::string& text, TSeriesMarkPosition& position) override;
    void PaintBar(int index, int startPos, int endPos) override;
    void CalcBarBounds(int index, TRect& r) override;
    bool IsPointInBar(int index, const TPoint& p) override;
    void DrawTickLine(int position, TBarStyle style) override;
    bool DrawForwardIn3DView(int index) const override;
    bool ReversesLegendOrder() const override;
    bool DrawForwardInDepth() const override;
    bool DrawForwardOnAxis() const override;
};

// Pixels from reals: halves to even, within the range a canvas takes.
int RoundPixel(double value);

// Registers the bar series classes for streaming.
void SeriesBarInitialization();
