#pragma once
// The gallery panel: a vertically scrolling grid of small live charts, each standing for one
// choice (a series type or sub-style, a pen style, a pattern, a gradient direction, a pointer
// style, a 3D view, a filter). One chart is selected (raised, gradient background, bold shadowed
// title, a little turned); a double click or Enter chooses it; the selected chart may offer a
// triangle that asks for a sub-gallery. Charts are drawn on the canvas named by the editor option
// "GalleryRender" and, with Smooth, at twice their size and resampled.
//
// How a dialog fills a panel with charts of its own (pen styles, patterns, gradient directions,
// pointer styles, 3D views, filters):
//   1. ClearCharts() frees the charts shown so far.
//   2. For each choice: auto* chart = new TGalleryChart(owner) -- owner is the dialog's own
//      component or panel.ChartOwner(); the chart starts with the gallery look and, when the
//      owner is a panel's, with that panel's turn. The dialog sets the chart up (series, Tag,
//      title lines), then: panel.Charts().Add(chart); panel.PrepareChart(chart, disabled);
//      chart->SetParentWidget(panel.ContentWidget()).
//   3. ArrangeCharts() lays them out once; RefreshSelection() (or SelectChart) selects one.
//   SetView3D switches every chart between 2D and 3D. Charts not owned by the panel are still
//   freed by ClearCharts and by the panel's destruction, since the list frees what it holds.
//
// The layout, the triangle and the title size are plain functions below, so they are tested
// without widgets.
#include <QPointer>
#include <QScrollArea>
#include <functional>
#include <memory>
#include <string>
#include <typeindex>
#include <vector>

#include "chart/engine/Chart.h"
#include "chart/engine/widgets/DuvPanelHost.h"
#include "platform/core/Events.h"

class TChartGalleryPanel;
class TChartSeries;
struct TCanvasClass;
struct TDuvSeriesType;

// The colour behind every gallery chart.
extern TColor GalleryColor;

// ---------------------------------------------------------------- plain layout

struct TGalleryLayoutInput {
    // One flag per chart in display order: hidden charts take no place.
    std::vector<bool> Visible;
    int NumCols = 4;
    int NumRows = 0;  // 0: computed from the chart count and kept
    double CellHeightRatio = 1.0;
    int Width = 0, Height = 0;  // the panel's outer size
    int Frame = 0;              // what border and bevels take of the width
    int ScrollBarWidth = 0;
};

struct TGalleryLayout {
    bool Arranged = false;  // false for an empty panel: nothing computed, nothing moved
    int NumRows = 0;        // the rows to store
    int NumCols = 0;        // the columns to store (below 1 becomes 4 when the rows are computed)
    int Columns = 0;
    int CellWidth = 0, CellHeight = 0;
    bool ScrollBar = false;  // the content is taller than the panel
    // Chart rectangles (right and bottom exclusive) in content coordinates, one per chart;
    // empty when there are no columns or rows.
    std::vector<TRect> Rects;
};

TGalleryLayout ArrangeGalleryCells(const TGalleryLayoutInput& input);
// Border width when the border is single, plus the bevel width for each bevel drawn.
int GalleryFrameWidth(bool singleBorder, int borderWidth, TPanelBevel bevelInner, TPanelBevel bevelOuter,
                      int bevelWidth);
// The cell (column, row) of the chart at place n among the visible charts.
inline int GalleryColumnOf(int place, int columns) { return columns > 0 ? place % columns : 0; }
inline int GalleryRowOf(int place, int columns) { return columns > 0 ? place / columns : 0; }

// Where the sub-gallery triangle goes in a chart of that size (right and bottom are the
// triangle's corners, not exclusive edges).
TRect GalleryTriangleRect(int width, int height, bool borderVisible, int borderWidth, bool smooth, int shadowSize);
// The title's first size: extra points plus 0.108 of the chart width, rounded.
int GalleryTitleSize(int width, int extra);
// The size the title font shrinks to, point by point, until its first line is no wider than
// half the chart width; never below 1 point (a 0-point font would be the large default size).
// measure answers the first line's width at a size.
float FitGalleryTitleSize(int width, float size, const std::function<int(float)>& measure);
// The rectangle of the chart at place n: one pixel narrower and shorter than its cell, never
// wider than the client width nor taller than the panel.
TRect GalleryCellRect(int place, int columns, int cellWidth, int cellHeight, int clientWidth, int height);

// ---------------------------------------------------------------- the charts

class TGalleryChart;

// The panel's charts in display order; it frees what it holds when cleared.
class TChartList {
public:
    explicit TChartList(TChartGalleryPanel* panel) : panel_(panel) {}
    ~TChartList();
    TChartList(const TChartList&) = delete;
    TChartList& operator=(const TChartList&) = delete;

    TChartGalleryPanel* Panel() const { return panel_; }
    int Count() const { return static_cast<int>(items_.size()); }
    TGalleryChart* GetChart(int index) const;  // raises EListError out of range
    int Add(TGalleryChart* chart);
    int IndexOf(const TGalleryChart* chart) const;
    // Forgets the chart without freeing it.
    void Remove(const TGalleryChart* chart);
    // Frees every chart (the panel's clearing flag set meanwhile), then empties the list.
    void Clear();
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    TChartGalleryPanel* panel_;
    std::vector<TGalleryChart*> items_;
};

// A mini chart of the gallery, shown by a panel host inside the panel.
class TGalleryChart : public TCustomChart {
    QB_CLASS(TGalleryChart, TCustomChart)
public:
    // The owner may be a panel's ChartOwner(); the chart then takes that panel's turn.
    explicit TGalleryChart(TComponent* owner);
    ~TGalleryChart() override;

    bool Smooth() const { return smooth_; }
    // Repaints when changed.
    void SetSmooth(bool value);
    bool Rendering() const { return rendering_; }
    bool Disabled = false;
    bool FocusOnSelect = true;

    // The widget showing the chart, made on first call under parent; none before.
    TDuvPanelHost* Host() const { return host_; }
    void SetParentWidget(QWidget* parent);
    // Hidden charts take no place in the layout.
    bool IsShown() const;
    // The title lines as one line: the chart's accessible name.
    std::string Caption();

    void SetBounds(int left, int top, int width, int height) override;
    // The panel the chart belongs to (set by the panel that prepares it); none before.
    TChartGalleryPanel* Panel() const { return panel_; }
    void SetPanel(TChartGalleryPanel* panel) { panel_ = panel; }
    // The triangle of this chart's size, border, shadow and smoothing.
    TRect TriangleRect() const;
    // All four margins 4 in 3D, 5 in 2D.
    void ResetMargins();
    // The title font at extra points plus 0.108 of the width, shrunk until it fits.
    void FitTitleFont(int extra);

private:
    void AfterDraw(TObject* sender);
    void DrawSmooth();
    void DrawTriangle();
    void GrayOut();

    bool smooth_ = false;
    bool rendering_ = false;
    QPointer<TDuvPanelHost> host_;
    QPointer<TChartGalleryPanel> panel_;
};

// ---------------------------------------------------------------- the panel

class TChartGalleryPanel : public QScrollArea, public TObject {
    friend class TChartList;

public:
    explicit TChartGalleryPanel(QWidget* parent = nullptr);
    ~TChartGalleryPanel() override;
    std::string ClassName() const override { return "TChartGalleryPanel"; }

    // ---------------------------------------------------- published
    bool DisplaySub() const { return displaySub_; }
    void SetDisplaySub(bool value) { displaySub_ = value; }
    bool FocusRotation() const { return focusRotation_; }
    void SetFocusRotation(bool value) { focusRotation_ = value; }
    int NumRows() const { return numRows_; }
    void SetNumRows(int value);
    int NumCols() const { return numCols_; }
    void SetNumCols(int value);
    bool Smooth() const { return smooth_; }
    // Every chart's Smooth follows.
    void SetSmooth(bool value);
    bool View3D() const { return view3D_; }
    void SetView3D(bool value);
    TNotifyEvent OnSelectedChart;
    TNotifyEvent OnChangeChart;
    TNotifyEvent OnShowSubGallery;
    TNotifyEvent OnSubSelected;  // for the dialogs; the panel never fires it

    // ---------------------------------------------------- public state
    TChartList& Charts() { return charts_; }
    TGalleryChart* SelectedChart = nullptr;
    double CellHeightRatio() const { return cellHeightRatio_; }
    void SetCellHeightRatio(double value);
    int CellWidth() const { return cellWidth_; }
    int CellHeight() const { return cellHeight_; }
    // The columns of the last layout.
    int Columns() const { return columns_; }
    // The canvas the charts draw on; none when no class was found.
    const TCanvasClass* CanvasClass() const { return canvasClass_.get(); }
    bool CanvasSupported() const { return canvasSupported_; }
    TChartSeries* CurrentSeries = nullptr;
    bool CheckCompatibility = false;
    bool FunctionsMode = false;
    bool FocusOnSelect = true;
    // The single border of the scroll area (bsSingle) or none (bsNone).
    int BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(int value);

    // The sub-gallery builder's state while AddSubChart runs: the panel that gets the charts
    // (this one when none), the temporary entry and the series whose sub-styles are listed.
    TChartGalleryPanel* SubGalleryTarget = nullptr;
    TDuvSeriesType* SubGalleryEntry = nullptr;
    TChartSeries* ExampleSeries = nullptr;
    // The series class GetSelection answered last.
    const TClassInfo* ExampleSeriesClass = nullptr;

    // The component that owns the charts the panel makes; the widget that holds their hosts.
    TComponent* ChartOwner() const { return owner_.get(); }
    QWidget* ContentWidget() const { return content_; }
    // The panel whose ChartOwner() this is; none for any other component.
    static TChartGalleryPanel* PanelOfOwner(const TComponent* owner);

    // ---------------------------------------------------- operations
    TGalleryChart* CreateChart(const TDuvSeriesType& entry);
    TGalleryChart* AddSubChart(const std::string& description);
    void PrepareChart(TGalleryChart* chart, bool disabled);
    void ClearCharts();
    void ArrangeCharts();
    void ShowPage(const std::string& page);
    void SelectCurrentSeriesChart();
    void RefreshSelection();
    void SelectChart(TGalleryChart* chart);
    bool GetSelection(const TClassInfo*& seriesClass, const TClassInfo*& functionClass, int& index);
    TGalleryChart* GetChart(int index) const { return charts_.GetChart(index); }
    void KeyDown(int& key, TShiftState shift);
    // A wheel turn over the panel or one of its charts: the content moves by a fifth of it.
    void ScrollByWheel(int delta);

    void ApplySelectedLook(TGalleryChart* chart);
    void ApplyNormalLook(TGalleryChart* chart);
    bool Clearing() const { return clearing_; }
    // A chart of the list goes: the list and the selection forget it.
    void ChartGoing(TComponent* chart);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void ChooseCanvasClass();
    void ChartKeyDown(TObject* sender, int& key, TShiftState shift);
    void ChartDblClick(TObject* sender);
    void ChartMouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
    // Selects the chart; the triangle check runs when a pointer position is given.
    void SelectAt(TGalleryChart* chart, const TPoint* pointer);
    int PlaceOf(const TGalleryChart* chart) const;
    TGalleryChart* ChartAtPlace(int place) const;
    int Frame() const;
    void PositionChart(TGalleryChart* chart);

    TComponentPtr<TComponent> owner_;
    QWidget* content_ = nullptr;
    TChartList charts_;
    bool displaySub_ = false;
    bool focusRotation_ = true;
    int numRows_ = 0;
    int numCols_ = 4;
    bool smooth_ = false;
    bool rememberedSmooth_ = false;
    bool view3D_ = true;
    double cellHeightRatio_ = 1.0;
    int cellWidth_ = 0, cellHeight_ = 0, columns_ = 0;
    int borderStyle_ = bsSingle;
    std::unique_ptr<TCanvasClass> canvasClass_;
    bool canvasSupported_ = false;
    std::type_index canvasType_ = typeid(void);
    bool busy_ = false, clearing_ = false, arranging_ = false;
    std::string subDescription_;
};

// The module's start-up: the standard series are registered before any gallery is built.
void DuvGalleryPanelInitialization();
