#pragma once
// The chart panel that holds series: the series list and its groups, the six standard axes and
// the custom axes, the tool and animation lists, the hover look and the paging state. It works
// out each axis' automatic range from the series, hands out series colours and keeps series and
// their data sources consistent. The drawing steps are slots that the chart fills in.
#include <memory>
#include <string>
#include <vector>

#include "chart/engine/DuvPanelExtended.h"
#include "platform/core/SysUtils.h"

class TChartAnimations;
enum class TChartEventCode;
class TChartAxes;
class TChartAxis;
class TChartCustomAxes;
class TChartSeriesList;
class TChartTools;
class TCustomAxisPanel;
class TCustomChartSeries;
class TDuvHover;
class TSeriesGroups;

// Invalid chart settings and circular data sources.
class ChartException : public Exception {
public:
    using Exception::Exception;
};

// What happened to a series of the chart (OrderChanged names no series).
enum class TSeriesEventKind {
    Added,
    Removing,
    TitleChanged,
    ColorChanged,
    OrderChanged,
    ActiveChanged,
    DataChanged,
    Removed,
};

class TDuvSeriesEvent : public TDuvEvent {
public:
    TDuvSeriesEvent(TSeriesEventKind kind, TCustomChartSeries* series) : Event(kind), Series(series) {}
    TSeriesEventKind Event;
    TCustomChartSeries* Series;
};

// The current page changed or paging was set.
class TChartChangePage : public TDuvEvent {};

// Paging of the points: MaxPointsPerPage 0 shows all points on one page.
class TChartPage : public TPersistent {
    QB_CLASS(TChartPage, TPersistent)
public:
    explicit TChartPage(TCustomAxisPanel* chart = nullptr) : chart_(chart) {}
    static void DeclareProperties(TPropertyDeclarer<TChartPage>& p);

    bool AutoScale() const { return autoScale_; }
    void SetAutoScale(bool value);
    int Current() const { return current_; }
    // Kept within 1 .. Count; a change is told to the listeners and OnPageChange.
    void SetCurrent(int value);
    int MaxPointsPerPage() const { return maxPointsPerPage_; }
    // Raises ChartException for a negative value.
    void SetMaxPointsPerPage(int value);
    bool ScaleLastPage() const { return scaleLastPage_; }
    void SetScaleLastPage(bool value);

    int Count() const;
    void Next();
    void Previous();
    int FirstValueIndex() const { return (current_ - 1) * maxPointsPerPage_; }
    void Assign(const TPersistent* source) override;
    TPersistent* GetOwner() const override;

private:
    int PagesForAxis(TChartAxis* axis) const;
    void Repaint() const;
    TCustomAxisPanel* chart_;
    bool autoScale_ = false;
    int current_ = 1;
    int maxPointsPerPage_ = 0;
    bool scaleLastPage_ = true;
};

using TSeriesNotifyEvent = TEvent<void(TCustomChartSeries* sender)>;
using TValidDataSourceEvent = TEvent<void(TCustomAxisPanel* sender, TCustomChartSeries* series, TComponent* component, bool& valid)>;

class TCustomAxisPanel : public TCustomDuvPanelExtended {
    QB_CLASS(TCustomAxisPanel, TCustomDuvPanelExtended)
public:
    explicit TCustomAxisPanel(TComponent* owner);
    ~TCustomAxisPanel() override;
    static void DeclareProperties(TPropertyDeclarer<TCustomAxisPanel>& p);

    // ---------------------------------------------------- settings
    int Chart3DPercent() const { return chart3DPercent_; }
    // 1 .. 100, else Exception "3D effect percent must be between 1 and 100".
    void SetChart3DPercent(int value);
    bool AxisBehind() const { return axisBehind_; }
    void SetAxisBehind(bool value) { ChangeFlagAndRepaint(axisBehind_, value); }
    bool AxisVisible() const { return axisVisible_; }
    void SetAxisVisible(bool value) { ChangeFlagAndRepaint(axisVisible_, value); }
    bool ClipPoints() const { return clipPoints_; }
    void SetClipPoints(bool value) { ChangeFlagAndRepaint(clipPoints_, value); }
    bool View3DWalls() const { return view3DWalls_; }
    void SetView3DWalls(bool value) { ChangeFlagAndRepaint(view3DWalls_, value); }

    TChartAxes& AxesList() const { return *axes_; }
    TChartCustomAxes* CustomAxes() const { return customAxes_.get(); }
    TChartSeriesList& SeriesList() const { return *seriesList_; }
    TSeriesGroups* SeriesGroups() const;
    TChartTools* Tools() const { return tools_.get(); }
    // Every series takes the look of its matching series of the style chart (StyleTemplate).
    void ApplyStyleChart();
    TChartAnimations* Animations() const { return animations_.get(); }
    TChartAxis* BottomAxis() const { return bottomAxis_.get(); }
    TChartAxis* TopAxis() const { return topAxis_.get(); }
    TChartAxis* LeftAxis() const { return leftAxis_.get(); }
    TChartAxis* RightAxis() const { return rightAxis_.get(); }
    TChartAxis* DepthAxis() const { return depthAxis_.get(); }
    TChartAxis* DepthTopAxis() const { return depthTopAxis_.get(); }
    // Assigning copies the settings.
    void SetBottomAxis(const TChartAxis* value);
    void SetTopAxis(const TChartAxis* value);
    void SetLeftAxis(const TChartAxis* value);
    void SetRightAxis(const TChartAxis* value);
    void SetDepthAxis(const TChartAxis* value);
    void SetDepthTopAxis(const TChartAxis* value);
    TDuvHover* Hover() const { return hover_.get(); }
    void SetHover(const TDuvHover* value);
    TChartPage* Pages() const { return pages_.get(); }
    void SetPages(const TChartPage* value);

    TSeriesNotifyEvent OnAddSeries, OnRemoveSeries;
    TNotifyEvent OnBeforeDrawChart, OnBeforeDrawAxes, OnBeforeDrawSeries;
    TNotifyEvent OnPageChange;
    // The text of an axis label (series none and index -1 for value labels), and label values
    // given by the handler one after another until it says stop.
    TEvent<void(TChartAxis*, TCustomChartSeries*, int, std::string&)> OnGetAxisLabel;
    TEvent<void(TChartAxis*, int, double&, bool&)> OnGetNextAxisLabel;
    TValidDataSourceEvent OnValidDataSource;

    // ---------------------------------------------------- state
    // The deepest depth slot taken by the series in the current drawing pass.
    int MaxZOrder = 0;
    int ThreadCount = 0;
    bool View3DTurned = false;
    std::vector<TColor> CustomPalette;
    bool SeriesEventsLocked = false;
    int SeriesDepthWidth = 0;
    int SeriesDepthHeight = 0;
    TColor LegendColor = clWhite;
    // The pen series paint legend symbols with; none: their own.
    TDuvPen* LegendSymbolPen = nullptr;

    // ---------------------------------------------------- series list
    // Nothing when listed; else the series takes the style template's look, joins, is told,
    // and the series event Added and OnAddSeries follow.
    void LinkSeries(TCustomChartSeries* series);
    // Series event Removing, the series is told and removed, OnRemoveSeries, series event Removed.
    void UnlinkSeries(TCustomChartSeries* series);
    TCustomChartSeries* AttachSeries(TCustomChartSeries* series);
    TCustomChartSeries* NewSeriesOfClass(const TClassInfo& seriesClass);
    // Detaches and frees every series of the class (all with none).
    void RemoveAndFreeSeries(const TClassInfo* seriesClass);
    // Also swaps their places in a group that holds both.
    void ExchangeSeries(int a, int b);
    void SwapSeriesPlaces(TCustomChartSeries* a, TCustomChartSeries* b);
    TCustomChartSeries* GetSeries(int index) const;
    int CountSeries() const;
    int CountActiveSeries() const;
    // Most points of an active series; 0 without one.
    int LargestPointCount() const;
    void NotifySeriesEvent(TCustomChartSeries* series, TSeriesEventKind kind);
    void ResolveDefaultColors();
    TColor ColorFromPalette(int index) const;
    TColor FirstUnusedColor(bool checkBack, TCustomChartSeries* series);

    // ---------------------------------------------------- data sources
    virtual void RefreshSeriesData(TCustomChartSeries* series);
    virtual bool IsValidDataSource(TCustomChartSeries* series, TComponent* component);
    virtual void RemovedDataSource(TCustomChartSeries* series, TComponent* component);

    // ---------------------------------------------------- axes
    // The axis a series is drawn against, horizontally or vertically.
    TChartAxis* SeriesAxis(const TCustomChartSeries* series, bool horizontal) const;
    bool SeriesUsesAxis(const TCustomChartSeries* series, const TChartAxis* axis) const;
    bool AxisShown(const TChartAxis* axis) const;
    bool IsAxisVisible(const TChartAxis* axis) const;
    // Any active series uses the axis; without active series, the answer is defaultValue.
    bool ActiveSeriesUseAxis(const TChartAxis* axis, bool defaultValue) const;
    bool NoActiveSeries(const TChartAxis* axis) const;
    // The smallest (largest) value of the series bound to the axis; 0 without any.
    virtual double CalcMinMax(TChartAxis* axis, bool wantMinimum, bool horizontal);
    double LowestXValue(TChartAxis* axis) { return CalcMinMax(axis, true, true); }
    double HighestXValue(TChartAxis* axis) { return CalcMinMax(axis, false, true); }
    double LowestYValue(TChartAxis* axis) { return CalcMinMax(axis, true, false); }
    double HighestYValue(TChartAxis* axis) { return CalcMinMax(axis, false, false); }
    TCustomChartSeries* FirstSeriesOfAxis(const TChartAxis* axis) const;
    TCustomChartSeries* SeriesWithMostPoints(const TChartAxis* axis) const;
    void CalcSize3D();
    int WidestMarkText() const;
    // The widest point label of all series, each line of a label measured on its own.
    int WidestSeriesLabel();
    // The n-th series (from 0) that shows in the legend, only active ones when asked; none past the end.
    TCustomChartSeries* SeriesInLegend(int n, bool activeOnly) const;
    TCustomChartSeries* ActiveSeriesInLegend(int n) const { return SeriesInLegend(n, true); }
    // That series' legend title on one line, else its title or name; empty without such a series.
    std::string LegendSeriesTitle(int n, bool activeOnly) const;
    // The face at depth z turns to the viewer (never on a canvas that turns by itself).
    virtual bool IsPlaneVisible(int z);

    // ---------------------------------------------------- pages
    virtual int GetPageCount() const { return pages_->Count(); }
    // Prints pages from .. to (0: first, 0: last) as one job; the current page is kept.
    void PrintPageRange(int from, int to);

    // ---------------------------------------------------- drawing slots the chart fills
    virtual void AdjustChartRectFor3D();
    virtual int GetAxisWallSize(const TChartAxis* axis);
    virtual void DrawTitlesAndLegend(bool beforeSeries);
    virtual void DrawLegendSymbolRect(const TRect& r);
    virtual void DrawWalls();
    virtual bool IsFreeSeriesColor(TColor color, bool checkBack, TCustomChartSeries* series);
    virtual std::string GetLegendItemText(int, int) const { return {}; }
    virtual TComponent* GetSeriesOwner() const { return Owner(); }

    // ---------------------------------------------------- the draw pipeline
    // Background, titles and legend, depth, axis sizes and ranges, walls, axes, series, marks,
    // titles and legend again, the zoom rectangle; tools hear the stages on the way.
    void DrawContents(const TRect& r) override;
    void CalcView3DTurned();
    // Z slots of the active series; MaxZOrder is the deepest one afterwards.
    void CalcSeriesZOrder();
    // Which axes show and how much room they take; ChartRect shrinks by it.
    void CalcAxisSizes();
    void RecalcAxisPixelRanges();
    // Series margins and limits widen the axis ranges.
    void CalcAxisRanges();
    void CalcAxisMargins(TChartAxis* axis);
    void ApplySeriesAxisLimits(TChartAxis* axis);
    // Walls, then axes and series in the order AxisBehind gives.
    void DrawSeriesAndAxes();
    void DrawAxes();
    void PrepareSeriesInParallel();
    // Worker-thread side of the pre-pass: touches only the series at index.
    void PrepareSeriesAt(int index);
    void DrawAllSeries();
    void DrawSeries(TCustomChartSeries* series);
    void DrawSeriesMarks(TCustomChartSeries* series);
    void ClipSeriesArea();
    void UnclipSeriesArea();

    // ---------------------------------------------------- drawing events
    virtual void FireAfterDraw();
    virtual void FireBeforeDrawAxes();
    virtual void FireBeforeDrawChart();
    virtual void FireBeforeDrawSeries();

    // ---------------------------------------------------- hover
    // Each shown axis whose label hover is on marks the label under (x, y); true when any does.
    bool HoverAxisLabels(int x, int y);
    // CheckMouseOver of the active series from the last; true when any claims the mouse.
    bool HoverSeries(int x, int y);
    // Series lose their hovered item and the tools hear that the mouse left.
    void MouseLeave() override;
    // Axis tools let go of the chart's axes (before the axes go).
    void DetachAxisTools();

    void GetChildren(const TGetChildProc& proc, TComponent* root) override;
    void Assign(const TPersistent* source) override;
    void DefineProperties(TFiler& filer) override;

protected:
    void Loaded() override;

private:
    void ApplyStyleChart(TCustomChartSeries* series);
    void BroadcastStage(TChartEventCode code);
    void DrawSharedZGroup(TCustomChartSeries* series, int seriesIndex);
    void DrawPointAcrossGroup(TCustomChartSeries* first, int firstIndex, int pointIndex);
    bool InSameZGroup(const TCustomChartSeries* first, const TCustomChartSeries* other) const;
    // Kept between drawings so that the series loops allocate nothing per point.
    std::vector<int> pointOrder_, seriesOrder_;
    bool seriesClipped_ = false;
    std::unique_ptr<TChartSeriesList> seriesList_;
    std::unique_ptr<TChartAxes> axes_;
    std::unique_ptr<TChartCustomAxes> customAxes_;
    std::unique_ptr<TChartAxis> bottomAxis_, topAxis_, leftAxis_, rightAxis_, depthAxis_, depthTopAxis_;
    std::unique_ptr<TChartTools> tools_;
    std::unique_ptr<TChartAnimations> animations_;
    std::unique_ptr<TChartPage> pages_;
    std::unique_ptr<TDuvHover> hover_;
    int chart3DPercent_ = 15;
    bool axisBehind_ = true;
    bool axisVisible_ = true;
    bool clipPoints_ = true;
    bool view3DWalls_ = true;
};

// A text on one line: the legend column mark and line breaks become blanks, a line-feed and
// carriage-return pair (else a carriage-return and line-feed pair) takes one blank.
std::string SingleLineText(const std::string& text);
// What a series' stored data holds, as the data stream writes it first: 1 X values, 2 point colours,
// 4 labels, 8 custom mark positions.
int SeriesDataContents(const TCustomChartSeries& series);

// Raises ChartException when the component feeds the series, directly or through sources.
void CheckCircularSource(TComponent* component, TCustomChartSeries* series);

void AxisPanelInitialization();
