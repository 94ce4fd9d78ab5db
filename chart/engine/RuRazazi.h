#pragma once
// The bases of everything a chart holds: the chart element (series, tools, animations) and the
// series base, with every operation the chart calls on a series. The chart knows series only
// through TCustomChartSeries; the data series and their marks, functions and data sources live
// above this library and answer the same questions.
//
// Setters store and repaint the parent chart only on an effective change. A class that
// overrides SetParentChart leaves its chart in its own destructor too: a base destructor
// no longer reaches the override.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "chart/engine/DuvTextShape.h"
#include "chart/engine/RuRazaziValues.h"
#include "chart/graphics/Canvas3D.h"
#include "chart/graphics/DuvBrush.h"
#include "chart/graphics/DuvPen.h"
#include "platform/core/Component.h"
#include "platform/ui/Controls.h"

class TCustomAxisPanel;
class TChartAxis;
class TDuvSelected;

QB_ENUM(THorizAxis, aTopAxis, aBottomAxis, aBothHorizAxis, aCustomHorizAxis)
QB_ENUM(TVertAxis, aLeftAxis, aRightAxis, aBothVertAxis, aCustomVertAxis)
QB_ENUM(TLegendTextStyle, ltsPlain, ltsLeftValue, ltsRightValue, ltsLeftPercent, ltsRightPercent, ltsXValue,
        ltsValue, ltsPercent, ltsXAndValue, ltsXAndPercent, ltsXAndText)

class TCustomChartElement : public TComponent, public IChartEditable {
    QB_CLASS(TCustomChartElement, TComponent)
public:
    explicit TCustomChartElement(TComponent* owner);
    ~TCustomChartElement() override;
    static void DeclareProperties(TPropertyDeclarer<TCustomChartElement>& p);

    bool Active() const { return active_; }
    virtual void SetActive(bool value);
    TDuvBrush& Brush() const { return *brush_; }
    void SetBrush(const TDuvBrush* value);
    TDuvPen& Pen() const { return *pen_; }
    virtual void SetPen(const TDuvPen* value);
    TCustomAxisPanel* ParentChart() const { return parentChart_; }
    virtual void SetParentChart(TCustomAxisPanel* value);

    bool ShowInEditor = true;
    int ElementTag = 0;
    // The chart does not write this element among its children.
    bool NotStreamed = false;
    // Never listed in title lists; takes no depth slot.
    bool HiddenFromLists = false;

    // Store into field and repaint only when the value changed.
    void ChangeBoolean(bool& field, bool value);
    void ChangeColor(TColor& field, TColor value);
    void ChangeInteger(int& field, int value);
    // Any difference in the stored bits counts.
    void ChangeDouble(double& field, double value);
    void ChangeSingle(float& field, float value);
    void ChangeString(std::string& field, const std::string& value);
    // Invalidates the parent chart; nothing without one.
    virtual void RequestRepaint();

    // An element streams as a child of its chart.
    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override;
    // Only a chart becomes the parent; any other component is ignored.
    void SetParentComponent(TComponent* parent) override;
    void Assign(const TPersistent* source) override;

private:
    bool active_ = true;
    std::unique_ptr<TDuvBrush> brush_;
    std::unique_ptr<TDuvPen> pen_;
    TCustomAxisPanel* parentChart_ = nullptr;
};

// What a series tells the series that take their points from it; the index names the point
// (-1: a run of points or all of them).
enum class TDependentChange { Cleared, Added, Deleted, DataChanged, ValueModified };

using TSeriesClick = TEvent<void(TObject* sender, int valueIndex, TMouseButton button, TShiftState shift, int x, int y)>;

// A chart element with a title and a legend entry; the operations below the fields are the
// whole of what a chart asks a series.
class TCustomChartSeries : public TCustomChartElement {
    QB_CLASS(TCustomChartSeries, TCustomChartElement)
public:
    explicit TCustomChartSeries(TComponent* owner);
    ~TCustomChartSeries() override;
    static void DeclareProperties(TPropertyDeclarer<TCustomChartSeries>& p);

    std::string Identifier;
    // Six flag bits (1 .. 32) that the series editor reads.
    int Style = 0;
    const std::string& Title() const { return title_; }
    // Repaints when changed.
    void SetTitle(const std::string& value);
    // Pushed onto the canvas around the series' drawing when present.
    std::unique_ptr<TDuvTransform> DrawTransform;

    // The series' own legend settings, made on first read; none frees them, a legend is copied.
    TSeriesLegend* GetLegend();
    TSeriesLegend* PeekLegend() const { return legend_.get(); }
    void SetLegend(const TSeriesLegend* value);
    // True without legend settings, else their visibility; writing makes them.
    bool ShowInLegend() const;
    void SetShowInLegend(bool value);
    // The legend settings' text; empty without them.
    std::string LegendTitle() const;
    void SetLegendTitle(const std::string& value);
    std::string GetLegendTitle() const { return LegendTitle(); }

    // The value lists (0 is X, 1 is Y when a series type has made them) and the point labels.
    TChartValueLists& ValueLists() { return valueLists_; }
    const TChartValueLists& ValueLists() const { return valueLists_; }
    TChartValueList* XValues() const { return valueLists_.Count() > 0 ? valueLists_[0] : nullptr; }
    TChartValueList* YValues() const { return valueLists_.Count() > 1 ? valueLists_[1] : nullptr; }
    // A further list (index 2 and up) by name regardless of case; else the displayed values' list.
    TChartValueList* FindValueList(const std::string& name) const;
    TLabelsList& Labels() { return labels_; }
    const TLabelsList& Labels() const { return labels_; }

    // Drawing state the chart sets and reads during a drawing pass.
    int ZOrder = -1;
    int DepthSlot = 0;
    int Depth = -1;
    int StartZ = 0, MiddleZ = 0, EndZ = 0;
    bool HasZValues = false;
    int FirstVisibleIndex = -1, LastVisibleIndex = -1;
    bool MouseInside = false;
    // The zoom takes its new ranges from the series' own screen-to-value conversions (polar
    // series), not from the axes.
    bool ZoomsByOwnValues = false;

    TNotifyEvent BeforeDrawValues, AfterDrawValues;
    TSeriesClick OnClick, OnDblClick;

    // ---- membership: the chart inserts, removes and names its series
    // Leaves the old chart's series list and joins the new chart's.
    void SetParentChart(TCustomAxisPanel* value) override;
    virtual void AddedToChart() {}
    virtual void RemovedFromChart() {}
    // Position in the chart's series list; -1 without one.
    virtual int GetSeriesIndex() const;
    // Either class descends from the other.
    bool SameClassFamily(const TCustomChartSeries& other) const;
    // Name, for lists and the legend when there is no title.
    virtual std::string GetDisplayTitle() const { return Name(); }

    // ---- axes: which axes the series is drawn against and what it asks of their ranges
    virtual THorizAxis HorizAxis() const { return horizAxis_; }
    virtual TVertAxis VertAxis() const { return vertAxis_; }
    virtual void SetHorizAxis(THorizAxis value);
    virtual void SetVertAxis(TVertAxis value);
    virtual TChartAxis* CustomHorizAxis() const { return nullptr; }
    virtual TChartAxis* CustomVertAxis() const { return nullptr; }
    virtual void SetCustomHorizAxis(TChartAxis*) {}
    virtual void SetCustomVertAxis(TChartAxis*) {}
    virtual TChartAxis* HorizAxisObject() const { return nullptr; }
    virtual TChartAxis* VertAxisObject() const { return nullptr; }
    virtual void PrepareAxes() {}
    // Extra pixels beside the axis ranges.
    virtual void GetHorizMargins(int& left, int& right);
    virtual void GetVertMargins(int& top, int& bottom);
    virtual void AdjustAxisLimits(TChartAxis* axis, int& left, int& top, int& right, int& bottom);
    virtual bool UsesAxes() const { return true; }
    virtual bool UsesAxis(const TChartAxis* axis) const;
    virtual bool CanZoomAxes() const { return UsesAxes(); }
    // The list whose values the axis shows, or none.
    virtual TChartValueList* GetAxisValueList(const TChartAxis* axis) const;
    // The axis of the values the series displays.
    virtual TChartAxis* GetValueAxis() const { return YMandatory() ? VertAxisObject() : HorizAxisObject(); }
    // True: Y holds the displayed values (a vertical series).
    virtual bool YMandatory() const { return true; }
    virtual void FreeDrawCache(TChartAxis*) {}

    // ---- drawing: the pipeline's calls, in the order it makes them
    virtual void PrepareToDraw() {}
    // The depth position: automatic series take the chart's next slot in 3D.
    virtual void CalcZOrder();
    virtual int GetEffectiveZOrder() const { return ZOrder != -1 ? ZOrder : DepthSlot; }
    virtual bool IsFirstAtZOrder() const { return Active(); }
    virtual bool SharesZOrder() const { return false; }
    // StartZ, MiddleZ and EndZ from the depth slot; slotDepth is the chart's depth of one slot.
    virtual void CalcDepthPositions(int slotDepth);
    virtual bool CanPrepareInParallel() const { return false; }
    // The points to draw: here every point.
    virtual void CalcFirstLastVisible();
    int FirstIndexInDrawOrder() const { return DrawForwardOnAxis() ? FirstVisibleIndex : LastVisibleIndex; }
    int LastIndexInDrawOrder() const { return DrawForwardOnAxis() ? LastVisibleIndex : FirstVisibleIndex; }
    virtual bool DrawForwardInDepth() const { return true; }
    virtual bool DrawForwardOnAxis() const { return true; }
    virtual bool DrawForwardIn3DView(int) const { return true; }
    // An empty order means the natural one.
    virtual void GetPointDrawOrder(int first, int last, std::vector<int>& order, bool ownOnly);
    virtual void GetMarkDrawOrder(int firstSeries, int seriesCount, std::vector<int>& order, int valueIndex);
    virtual void FireBeforeDrawValues();
    virtual void FireAfterDrawValues();
    virtual void DrawAllPointsFast() {}
    // The visible points in draw order.
    virtual void DrawAllPoints();
    // Calls visit for each visible point in draw order (a custom order when the series gives one).
    void VisitPointsInDrawOrder(bool ownOnly, const std::function<void(int)>& visit);
    virtual void DrawPoint(int) {}
    virtual void DrawAllMarks() {}
    // Opens a canvas group named by the display title; the caller pops it.
    void OutputTitleText();

    // ---- values
    virtual double MinXValue();
    virtual double MaxXValue();
    virtual double MinYValue();
    virtual double MaxYValue();
    // The effective Z order here.
    virtual double MinZValue() { return GetEffectiveZOrder(); }
    virtual double MaxZValue() { return GetEffectiveZOrder(); }
    int PointCount() const { return XValues() ? XValues()->Count() : 0; }
    virtual int GetPointCount() const { return PointCount(); }
    // First and last point of the chart's page; -1 and -1 when empty.
    virtual void PageIndexRange(int& first, int& last);
    bool HasAnyLabel() const { return labels_.Count() > 0; }
    virtual bool SkipsGaps() const { return false; }
    // A point is null when its colour is clNone; the base keeps no point colours.
    virtual bool IsNullPoint(int) const { return false; }
    virtual void ClearPoints();
    // What the series' stored data must hold: X values other than 0, 1, 2 ..., points with a
    // colour of their own, labels.
    virtual bool XValuesNeedStoring() const;
    virtual bool PointColorsNeedStoring() const { return false; }
    virtual bool LabelsNeedStoring() const;
    // The chart fills a series without data, source or function with samples while designing,
    // which this program never does; series types make their own samples.
    virtual void FillSampleValues(int) {}
    virtual int DefaultSampleCount() const { return 25; }
    bool InDesignMode() const { return false; }
    // Exchanges points i and j in every per-point list.
    virtual void SwapPoints(int i, int j);

    // ---- colours and legend
    virtual TColor GetSeriesColor() const { return clDefault; }
    virtual void SetSeriesColor(TColor) {}
    // The colour the chart picked from its palette.
    virtual void SetAutoColor(TColor) {}
    virtual bool ShowsSeriesColor() const { return true; }
    virtual TColor GetPointColor(int) const { return GetSeriesColor(); }
    virtual bool ReversesLegendOrder() const { return false; }
    virtual int LegendToPointIndex(int legendIndex) const { return legendIndex; }
    virtual TColor GetLegendItemColor(int index) const { return GetPointColor(index); }
    // A value's legend text: its two columns are split by character 6.
    virtual void BuildMarkText(int index, TLegendTextStyle style, std::string& text) const;
    virtual void PrepareLegendCanvas(int, TColor&, TBrushStyle&) {}
    virtual void DrawLegendItemSymbol(int index, const TRect& rect) { PaintLegendSymbol(index, rect); }
    virtual void PaintLegendSymbol(int, const TRect&) {}
    // Copies the look of another series; series types copy what they have.
    virtual void AssignFormat(const TCustomChartSeries*) {}
    // The hover and selection highlight, none in the base (data series make theirs on first read).
    virtual TDuvSelected* GetSelected() { return nullptr; }

    // ---- marks: what the chart asks about the series' point marks
    virtual bool HasMarks() const { return false; }
    virtual bool MarksVisible() const { return false; }
    virtual void SetMarksVisible(bool) {}
    virtual bool MarksClipped() const { return false; }
    virtual bool MarksOnTop() const { return false; }
    virtual std::string MarkTextOf(int) const { return {}; }
    // Over the visible marks, in pixels.
    virtual int MaxMarkExtent() { return 0; }
    virtual int MarkIndexAtPoint(const TPoint&) const { return -1; }
    // Any mark was moved to a custom place (stored with the data).
    virtual bool HasCustomMarkPositions() const { return false; }

    // ---- mouse
    virtual bool CheckMouseOver(int, int) { return false; }
    virtual bool IsPointHit(int index, int pointX, int pointY, int mouseX, int mouseY);
    bool IsPointHitAt(int index, int x, int y) { return IsPointHit(index, GetPointScreenX(index), GetPointScreenY(index), x, y); }
    virtual int PointAtScreen(int, int) { return -1; }
    int PointIndexAtPoint(const TPoint& p) { return PointAtScreen(p.X, p.Y); }
    virtual int GetPointScreenX(int) { return 0; }
    virtual int GetPointScreenY(int) { return 0; }
    virtual double ScreenToXValue(int) { return 0; }
    virtual double ScreenToYValue(int) { return 0; }
    // OnDblClick when shift holds the double-click flag, else OnClick.
    virtual void FireClick(int index, TMouseButton button, TShiftState shift, int x, int y);
    // The same from the chart's click: onPointer when the click hit the point's pointer.
    virtual void FireClick(int index, TMouseButton button, TShiftState shift, int x, int y, bool onPointer)
    {
        (void)onPointer;
        FireClick(index, button, shift, x, y);
    }
    virtual bool HasClickHandlers() const { return static_cast<bool>(OnClick) || static_cast<bool>(OnDblClick); }

    // ---- data sources and updates
    virtual int DataSourceCount() const { return 0; }
    virtual TComponent* DataSource(int) const { return nullptr; }
    // A source the series cannot use is not added.
    virtual void AddDataSource(TComponent* source);
    virtual void RemoveDataSource(TComponent*) {}
    virtual bool CanUseAsSource(const TComponent*) const { return false; }
    // The one data source (none removes them all), and the first one.
    void SetDataSource(TComponent* source);
    TComponent* GetDataSource() const { return DataSourceCount() > 0 ? DataSource(0) : nullptr; }
    // Refills from a source series.
    virtual void LoadFromSourceSeries(TCustomChartSeries*) {}
    // The series that use this one as a data source; each listed once.
    const std::vector<TCustomChartSeries*>& GetLinkedSeries() const { return linkedSeries_; }
    void AddLinkedSeries(TCustomChartSeries* series);
    void RemoveLinkedSeries(TCustomChartSeries* series);
    // Batches changes: refilling and notifications wait until the last resume.
    void SuspendUpdates() { ++SuspendCount; }
    void ResumeUpdates();
    bool UpdatesSuspended() const { return SuspendCount > 0; }
    int SuspendCount = 0;
    virtual void RefreshFromSources() {}
    // Recalculates from a function that needs no source.
    virtual void RefreshWithoutSources() {}
    // Tells the dependent series what changed.
    virtual void NotifyDependents(TDependentChange, int) {}
    virtual void NotifyDataChanged() {}

    void Assign(const TPersistent* source) override;
    void DefineProperties(TFiler& filer) override;

private:
    std::string title_;
    std::unique_ptr<TSeriesLegend> legend_;
    std::vector<TCustomChartSeries*> linkedSeries_;
    THorizAxis horizAxis_ = aBottomAxis;
    TVertAxis vertAxis_ = aLeftAxis;
    TChartValueLists valueLists_;
    TLabelsList labels_{this};
};

// The title, else the display title; clean turns line breaks and the legend column mark into blanks.
std::string SeriesTitleOrName(const TCustomChartSeries& series, bool clean);

void RuRazaziInitialization();
