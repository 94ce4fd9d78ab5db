#pragma once
// The standard series types that join points by lines, fill below them or mark them with
// pointers, and their registration with the gallery.
//
// What always holds while a TCustomSeries draws:
//  - the "previous" state (position, origin, colour) is that of the point drawn just before,
//    in draw order; the first point drawn sets it;
//  - a null point never starts or ends a drawn segment unless TreatNulls is tnIgnore;
//  - every pointer, pen and brush change made for one pass is undone after it.
#include <memory>

#include "chart/graphics/DuvBrush.h"
#include "chart/graphics/DuvShadow.h"
#include "chart/series/RuRazaziSeries.h"
#include "chart/series/SeriesPointerItems.h"

QB_ENUM(TTreatNullsStyle, tnDontPaint, tnSkip, tnIgnore)
QB_ENUM(TCustomSeriesStack, cssNone, cssOverlap, cssStack, cssStack100)
QB_ENUM(TCustomSeriesDrawStyle, dsSegments, dsAll, dsCurve)
QB_ENUM(TMultiArea, maNone, maStacked, maStacked100)

// The base of every series drawn as a line; its line pen is the series' own pen.
class TCustomLineSeries : public TChartSeries {
    QB_CLASS(TCustomLineSeries, TChartSeries)
public:
    explicit TCustomLineSeries(TComponent* owner) : TChartSeries(owner) {}
    static void DeclareProperties(TPropertyDeclarer<TCustomLineSeries>& p);

    // How null points break or bridge the line.
    TTreatNullsStyle TreatNulls() const { return treatNulls_; }
    void SetTreatNulls(TTreatNullsStyle value);
    void Assign(const TPersistent* source) override;

private:
    TTreatNullsStyle treatNulls_ = tnDontPaint;
};

class TCustomSeries;
using TSeriesClickPointerEvent = TEvent<void(TCustomSeries* sender, int valueIndex, int x, int y)>;
using TOnGetPointerStyle = TEvent<TSeriesPointerStyle(TChartSeries* sender, int valueIndex)>;

// Lines, stairs, 3D ribbons, areas down to an origin and pointers, with stacking, null
// treatment, margins, hit tests and legend symbols.
class TCustomSeries : public TCustomLineSeries {
    QB_CLASS(TCustomSeries, TCustomLineSeries)
public:
    explicit TCustomSeries(TComponent* owner = nullptr);
    ~TCustomSeries() override;

    // ------------------------------------------------------------ settings
    TDuvBrush& AreaChartBrush() const { return *areaChartBrush_; }
    void SetAreaChartBrush(const TDuvBrush* value) { areaChartBrush_->Assign(value); }
    TBrushStyle AreaBrush() const { return areaChartBrush_->Style(); }
    void SetAreaBrush(TBrushStyle value) { areaChartBrush_->SetStyle(value); }
    TColor AreaColor() const { return areaColor_; }
    void SetAreaColor(TColor value) { ChangeColor(areaColor_, value); }
    TDuvPen& AreaLinesPen() const { return *areaLinesPen_; }
    void SetAreaLinesPen(const TDuvPen* value) { areaLinesPen_->Assign(value); }
    bool ClickableLine() const { return clickableLine_; }
    void SetClickableLine(bool value) { clickableLine_ = value; }
    // The value a series type starts with and need not write.
    bool DefaultClickableLine() const { return defaultClickableLine_; }
    void InitClickableLine(bool value) { clickableLine_ = defaultClickableLine_ = value; }
    int ClickTolerance() const { return clickTolerance_; }
    void SetClickTolerance(int value) { clickTolerance_ = value; }
    bool ColorEachLine() const { return colorEachLine_; }
    void SetColorEachLine(bool value) { ChangeBoolean(colorEachLine_, value); }
    bool Dark3D() const { return dark3D_; }
    void SetDark3D(bool value) { ChangeBoolean(dark3D_, value); }
    bool DrawArea() const { return drawArea_; }
    void SetDrawArea(bool value) { ChangeBoolean(drawArea_, value); }
    bool DrawsLine() const { return drawLine_; }
    void SetDrawsLine(bool value) { ChangeBoolean(drawLine_, value); }
    TCustomSeriesDrawStyle DrawStyle() const { return drawStyle_; }
    void SetDrawStyle(TCustomSeriesDrawStyle value);
    TDuvEmboss& Emboss() const { return *emboss_; }
    void SetEmboss(const TDuvEmboss* value) { emboss_->Assign(value); }
    bool InflateMargins() const { return inflateMargins_; }
    void SetInflateMargins(bool value) { ChangeBoolean(inflateMargins_, value); }
    bool InvertedStairs() const { return invertedStairs_; }
    void SetInvertedStairs(bool value) { ChangeBoolean(invertedStairs_, value); }
    int LineHeight() const { return lineHeight_; }
    void SetLineHeight(int value) { ChangeInteger(lineHeight_, value); }
    TDuvPen& LinePen() const { return Pen(); }
    void SetLinePen(const TDuvPen* value) { SetPen(value); }
    TBrushStyle LineBrush() const { return Brush().Style(); }
    void SetLineBrush(TBrushStyle value) { Brush().SetStyle(value); }
    // Made on first read; none frees it.
    TDuvHiddenPen* OutLine();
    TDuvHiddenPen* PeekOutLine() const { return outLine_.get(); }
    void SetOutLine(const TDuvHiddenPen* value);
    bool OutLineVisible() const { return outLine_ && outLine_->Visible(); }
    TSeriesPointerItems& Pointer() const { return *pointer_; }
    TSeriesPointerItems* GetPointer() const { return pointer_.get(); }
    void SetPointer(const TSeriesPointerItems* value) { pointer_->Assign(value); }
    bool PointerBehind() const { return pointerBehind_; }
    void SetPointerBehind(bool value) { ChangeBoolean(pointerBehind_, value); }
    TDuvShadow& Shadow() const { return *shadow_; }
    void SetShadow(const TDuvShadow* value) { shadow_->Assign(value); }
    TCustomSeriesStack Stacked() const { return stacked_; }
    // Every series of the chart of this class or an ancestor takes the same value.
    void SetStacked(TCustomSeriesStack value);
    bool Stairs() const { return stairs_; }
    void SetStairs(bool value) { ChangeBoolean(stairs_, value); }
    // The area brush's gradient for area series, else the series brush's.
    virtual TDuvGradient* GetGradient();
    void SetGradient(const TDuvGradient* value) { GetGradient()->Assign(value); }
    // Smoothing: while drawing, the points are replaced by a smoothing function's curve through
    // a hidden copy of them; switched off, the copy's points come back.
    bool Smoothed() const { return smoothed_; }
    virtual void SetLineFlag(bool value);
    // The hidden holder of the unsmoothed points while smoothed; none otherwise.
    TCustomSeries* DataCopy() const { return dataCopy_; }
    // The share of the points drawn (line animation); 1 draws all.
    float DrawFraction = 1;

    TSeriesClickPointerEvent OnClickPointer;
    TOnGetPointerStyle OnGetPointerStyle;

    // ------------------------------------------------------------ copying
    void Assign(const TPersistent* source) override;
    void AssignFormat(const TCustomChartSeries* source) override;
    virtual void ResetBrush();
    std::string GetEditorClassName() const override { return "TCustomSeriesEditor"; }

    // ------------------------------------------------------------ membership and points
    void SetParentChart(TCustomAxisPanel* value) override;
    void ClearPoints() override;
    void DeletePoint(int index) override;
    void SwapPoints(int i, int j) override;
    void LoadFromSourceSeries(TCustomChartSeries* source) override;
    void GetChildren(const TGetChildProc& proc, TComponent* root) override;
    // A smoothed series is written unsmoothed: its own points and source, and "Smoothed". The
    // next drawing smooths again.
    void WriteState(TWriter& writer) override;
    void DefineProperties(TFiler& filer) override;

    // ------------------------------------------------------------ geometry and values
    virtual bool SameStackAs(const TCustomSeries& other) const;
    // Sum over the series stacking with this one (up to it, or all with absolute values).
    double CumulatedValue(int index, bool all) const;
    int StackedPosition(int index, double value) const;
    int GetPointScreenX(int index) override;
    int GetPointScreenY(int index) override;
    virtual int GetOriginPos(int index);
    virtual double CalcExtremeValue(bool minimum) const;
    double MaxXValue() override;
    double MinXValue() override;
    double MaxYValue() override;
    double MinYValue() override;
    void CalcZOrder() override;
    void GetHorizMargins(int& left, int& right) override;
    void GetVertMargins(int& top, int& bottom) override;
    bool IsPointInChartRect(int index) override;
    void CalcFirstLastVisible() override;
    int GetMarkDistance() const override;
    void DrawPointMark(int index, const std::string& text, TSeriesMarkPosition& position) override;

    // ------------------------------------------------------------ drawing
    void PrepareToDraw() override;
    void DrawAllPoints() override;
    void DrawPoint(int index) override;
    // For axis breaks: the point drawn at the break's start, moved by gap / 2 along the axis.
    void DrawPointShape(int index, int gap, double breakStart, double breakEnd, const TChartAxis* axis);
    virtual void DrawPointerAt(int x, int y, int index, TColor color);
    TSeriesPointerStyle PointerStyleOf(int index);
    virtual void SizePointerFor(int) {}
    void PaintLegendSymbol(int index, const TRect& rect) override;

    // ------------------------------------------------------------ mouse
    bool IsPointHit(int index, int pointX, int pointY, int mouseX, int mouseY) override;
    int PointAtScreen(int x, int y) override;
    bool HasClickHandlers() const override;
    void FireClick(int index, TMouseButton button, TShiftState shift, int x, int y, bool onPointer) override;
    using TCustomChartSeries::FireClick;

protected:
    void Notification(TComponent* component, TOperation operation) override;
    // Stacked without touching the other series or repainting.
    void SetStackedField(TCustomSeriesStack value) { stacked_ = value; }
    // The area colour of a colour: itself with ColorEachPoint or without an own AreaColor.
    TColor AreaColorOf(TColor color) const;
    void PrepareLinePen(TColor color);
    // Whether the series draws at all with the single polyline path (and did).
    bool DrawPolyline();

private:
    struct TSegmentEnd {
        int X = 0, Y = 0, Origin = 0;
    };
    bool Vertical() const { return YMandatory(); }
    TChartAxis* ValueAxis() const { return Vertical() ? VertAxisObject() : HorizAxisObject(); }
    TChartAxis* IndependentAxis() const { return Vertical() ? HorizAxisObject() : VertAxisObject(); }
    bool Is3D() const;
    void ApplyLineMargin(int& a, int& b) const;
    void PlaceNullPoint(int index, int& x, int& y);
    void DrawEnteringSegment(int index, int x, int y);
    void DrawSegment(int index, int x, int y, TColor color, bool withPointers);
    void DrawRibbon(int index, int x, int y, TColor color);
    void DrawLine2D(int index, int x, int y, TColor color);
    void DrawAreaPiece(int index, int x, int y, int origin, TColor color);
    void DrawSegmentPointer(TColor color);
    void DrawOwnPointer(int index, int x, int y, TColor color);
    void ClipEnds(int& x0, int& y0, int& x1, int& y1);
    void ClipFarEnd(int& a, int& b, int fromA, int fromB);
    bool ApplyHover(int index);
    void DrawOutlinePass();
    void DrawShadowPass(const TDuvShadow& shadow);
    // Hands the template its box and the series' look; answers whether a template stands in.
    bool BeginTemplate();
    void TemplatePoint(int index, int x, int y);
    void DrawPointerVisual(int index, int x, int y, const TSeriesPointer& pointer, TColor color);
    void DrawAllPointsOnce();
    // The corner a stair turns at between (x0, y0) and (x1, y1).
    TPoint StairCorner(int x0, int y0, int x1, int y1) const;
    // Runs action inside a blending over rect when the series is transparent.
    template <class F>
    void Blended(const TRect& rect, F action);
    bool SegmentHit(int from, int to, int x, int y);
    void StartSmoothing();
    void EndSmoothing();
    // The point's screen position as drawn (null points placed by TreatNulls).
    void DrawnPosition(int index, int& x, int& y);

    std::unique_ptr<TDuvBrush> areaChartBrush_;
    TColor areaColor_ = clDefault;
    std::unique_ptr<TDuvPen> areaLinesPen_;
    bool clickableLine_ = true;
    bool defaultClickableLine_ = true;
    int clickTolerance_ = 0;
    bool colorEachLine_ = true;
    bool dark3D_ = true;
    bool drawArea_ = false;
    bool drawLine_ = false;
    TCustomSeriesDrawStyle drawStyle_ = dsSegments;
    std::unique_ptr<TDuvEmboss> emboss_;
    bool inflateMargins_ = true;
    bool invertedStairs_ = false;
    int lineHeight_ = 0;
    std::unique_ptr<TDuvHiddenPen> outLine_;
    std::unique_ptr<TSeriesPointerItems> pointer_;
    bool pointerBehind_ = false;
    std::unique_ptr<TDuvShadow> shadow_;
    bool smoothed_ = false;
    TCustomSeriesStack stacked_ = cssNone;
    bool stairs_ = false;
    bool refresh_ = false;
    TCustomSeries* dataCopy_ = nullptr;
    TDuvFunction* smoothing_ = nullptr;
    TComponentRef<TComponent> savedSource_{this};
    bool savedDataLoaded_ = false;

    // Drawing state.
    TSegmentEnd previous_;
    TColor previousColor_ = clDefault;
    int previousIndex_ = -1;
    int origin_ = 0;
    TRect outerBounds_;
    double depthSlope_ = 1;
    // The outline pass draws every segment in this colour; clNone otherwise.
    TColor passColor_ = clNone;
    // The visuals template while it stands in for the ribbons, and its drawing face if it has one.
    TComponent* template_ = nullptr;
    TSeriesVisual* templateVisual_ = nullptr;
    TDuvTransform templateBox_;
};

// A series of points joined by lines.
class TLineSeries : public TCustomSeries {
    QB_CLASS(TLineSeries, TCustomSeries)
public:
    explicit TLineSeries(TComponent* owner = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TLineSeries>& p);
    void Assign(const TPersistent* source) override;
    void PrepareLegendCanvas(int index, TColor& backColor, TBrushStyle& brushStyle) override;
    void ListSubGalleryStyles(const TSubGalleryCallback& callback) override;
    void ApplySubGalleryStyle(int index) override;
};

// A line series whose values run along the horizontal axis.
class THorizLineSeries : public TLineSeries {
    QB_CLASS(THorizLineSeries, TLineSeries)
public:
    explicit THorizLineSeries(TComponent* owner = nullptr);
    int GetMarkDistance() const override;
    void DrawPointMark(int index, const std::string& text, TSeriesMarkPosition& position) override;
};

// Pointers only.
class TPointSeries : public TCustomSeries {
    QB_CLASS(TPointSeries, TCustomSeries)
public:
    explicit TPointSeries(TComponent* owner = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TPointSeries>& p);
    void Assign(const TPersistent* source) override;
    std::string GetEditorClassName() const override { return "TSeriesPointerEditor"; }
    void SetColorEachPoint(bool value) override;
    void SetTransparency(int value) override;
    void SetGalleryLook() override;
    // Whether the gallery offers the pointer-style entries.
    virtual bool HasPointerSubStyles() const { return true; }
    // The gallery preview look on a chart of that width and series list.
    void SetupGalleryStyle();
    void ListSubGalleryStyles(const TSubGalleryCallback& callback) override;
    void ApplySubGalleryStyle(int index) override;

private:
    void SetPointLook();
};

// The area between the line and its origin, filled.
class TAreaSeries : public TCustomSeries {
    QB_CLASS(TAreaSeries, TCustomSeries)
public:
    explicit TAreaSeries(TComponent* owner = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TAreaSeries>& p);
    void Assign(const TPersistent* source) override;
    std::string GetEditorClassName() const override { return "TAreaSeriesEditor"; }
    bool SameStackAs(const TCustomSeries& other) const override;
    void CalcZOrder() override;
    bool DrawForwardIn3DView(int index) const override;
    int GetOriginPos(int index) override;
    double MaxXValue() override;
    double MinXValue() override;
    double MaxYValue() override;
    double MinYValue() override;
    void ResetBrush() override;
    TDuvGradient* GetGradient() override { return AreaChartBrush().GetGradient(); }
    void PrepareLegendCanvas(int index, TColor& backColor, TBrushStyle& brushStyle) override;
    void PaintLegendSymbol(int index, const TRect& rect) override;
    void ListSubGalleryStyles(const TSubGalleryCallback& callback) override;
    void ApplySubGalleryStyle(int index) override;

    TMultiArea MultiArea() const;
    void SetMultiArea(TMultiArea value);
    double YOrigin() const { return yOrigin_; }
    void SetYOrigin(double value) { ChangeDouble(yOrigin_, value); }
    int StackGroup() const { return stackGroup_; }
    void SetStackGroup(int value) { ChangeInteger(stackGroup_, value); }
    bool UseYOrigin() const { return useYOrigin_; }
    void SetUseYOrigin(bool value) { ChangeBoolean(useYOrigin_, value); }

private:
    double yOrigin_ = 0;
    int stackGroup_ = 0;
    bool useYOrigin_ = false;
};

// An area series lying on its side.
class THorizAreaSeries : public TAreaSeries {
    QB_CLASS(THorizAreaSeries, TAreaSeries)
public:
    explicit THorizAreaSeries(TComponent* owner = nullptr);
    void DrawPointMark(int index, const std::string& text, TSeriesMarkPosition& position) override;
    int DefaultSampleCount() const override { return 10; }
};

// The hatch style of the pattern for item index (index mod 6).
TBrushStyle SeriesPatternStyle(int index);

// The standard series in the gallery's order; once at start-up.
void RegisterSeriesUnitTypes();
void SeriesInitialization();
