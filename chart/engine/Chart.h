#pragma once
// The chart: the axis panel completed with four titles, four walls, a legend and colour palettes.
// Every chart of the program is a TChart or derives from TCustomChart.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/DuvTextShape.h"
#include "platform/ui/Controls.h"

class TChartLegend;
class TCustomChart;
enum class TDragEventKind;
enum class TKeyEventKind;
enum class TWheelEventKind;

QB_ENUM(TLegendStyle, lsAuto, lsSeries, lsValues, lsLastValues, lsSeriesGroups)

// ---------------------------------------------------------------- walls

// A plane that frames the plotting area; drawn as a box in 3D when Size is 1 or more.
class TCustomChartWall : public TDuvCustomShape {
    QB_CLASS(TCustomChartWall, TDuvCustomShape)
public:
    explicit TCustomChartWall(TCustomDuvPanel* chart = nullptr);

    bool AutoHide() const { return autoHide_; }
    void SetAutoHide(bool value) { Change(autoHide_, value); }
    bool Dark3D() const { return dark3D_; }
    void SetDark3D(bool value) { Change(dark3D_, value); }
    int EndPosition() const { return endPosition_; }
    void SetEndPosition(int value) { Change(endPosition_, value); }
    int Size() const { return size_; }
    void SetSize(int value) { Change(size_, value); }
    int StartPosition() const { return startPosition_; }
    void SetStartPosition(int value) { Change(startPosition_, value); }
    // The colour and the default it is stored against, without repainting.
    void InitColor(TColor value);
    TColor DefaultColor() const { return defaultColor_; }
    bool IsColorStored() const { return Color() != defaultColor_; }
    // The cube sides are darkened: Dark3D with a brush that is neither clear nor a picture.
    bool UsesDark3D() const;
    TCustomChart* Chart() const;
    void Assign(const TPersistent* source) override;

private:
    bool autoHide_ = false;
    bool dark3D_ = true;
    int endPosition_ = 100;
    int size_ = 0;
    int startPosition_ = 0;
    TColor defaultColor_ = clDefault;
};

class TChartWall : public TCustomChartWall {
    QB_CLASS(TChartWall, TCustomChartWall)
public:
    explicit TChartWall(TCustomDuvPanel* chart = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TChartWall>& p);

    // View3DWalls on, Visible and not AutoHide.
    bool ShouldDraw() const;
    // Top and bottom of the wall within the chart rectangle (StartPosition, EndPosition).
    void VerticalExtent(int& top, int& bottom) const;
    // Starts the wall's transparency blend; true when one was started.
    bool BeginTransparency(int x, int bottom, TDuvBlend*& blend);
    void EndTransparency(TDuvBlend* blend);
};

class TChartBackWall : public TChartWall {
    QB_CLASS(TChartBackWall, TChartWall)
public:
    explicit TChartBackWall(TCustomDuvPanel* chart = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TChartBackWall>& p);
    void InitShadow(TDuvShadow& shadow) override;
    void InitEmboss(TDuvEmboss& emboss) override;
};

class TChartLeftWall : public TChartWall {
    QB_CLASS(TChartLeftWall, TChartWall)
public:
    explicit TChartLeftWall(TCustomDuvPanel* chart = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TChartLeftWall>& p);
};

class TChartBottomWall : public TChartWall {
    QB_CLASS(TChartBottomWall, TChartWall)
public:
    explicit TChartBottomWall(TCustomDuvPanel* chart = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TChartBottomWall>& p);
};

class TChartRightWall : public TChartWall {
    QB_CLASS(TChartRightWall, TChartWall)
public:
    explicit TChartRightWall(TCustomDuvPanel* chart = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TChartRightWall>& p);
};

// The four walls of a chart; the right one exists from its first read.
class TChartWalls : public TPersistent {
    QB_CLASS(TChartWalls, TPersistent)
public:
    explicit TChartWalls(TCustomChart* chart = nullptr);
    ~TChartWalls() override;
    static void DeclareProperties(TPropertyDeclarer<TChartWalls>& p);

    TChartBackWall* Back() const { return back_.get(); }
    TChartBottomWall* Bottom() const { return bottom_.get(); }
    TChartLeftWall* Left() const { return left_.get(); }
    // Made on first read, hidden.
    TChartRightWall* GetRight();
    TChartRightWall* PeekRight() const { return right_.get(); }
    void SetBack(const TChartBackWall* value);
    void SetBottom(const TChartBottomWall* value);
    void SetLeft(const TChartLeftWall* value);
    void SetRight(const TChartRightWall* value);
    // The chart's View3DWalls.
    bool GetVisible() const;
    void SetVisible(bool value);
    void HideWalls() { SetVisible(false); }
    // The same Size to all four walls.
    void SetSize(int value);
    void Assign(const TPersistent* source) override;

private:
    TCustomChart* chart_;
    std::unique_ptr<TChartBackWall> back_;
    std::unique_ptr<TChartBottomWall> bottom_;
    std::unique_ptr<TChartLeftWall> left_;
    std::unique_ptr<TChartRightWall> right_;
};

// ---------------------------------------------------------------- titles

// A title above the chart rectangle (or, as a foot, below it); takes its room from it.
class TChartTitle : public TStringsShape {
    QB_CLASS(TChartTitle, TStringsShape)
public:
    explicit TChartTitle(TCustomDuvPanel* chart = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TChartTitle>& p);

    bool AdjustFrame() const { return adjustFrame_; }
    void SetAdjustFrame(bool value);
    int VertMargin() const { return vertMargin_; }
    void SetVertMargin(int value);
    bool OnTop() const { return onTop_; }

    // Visible with at least one line.
    bool HasText() const;
    // Visible and the point inside the bounds, edges included.
    bool Clicked(const TPoint& p) const;
    TRect GetBounds() const { return Bounds; }
    // Draws the title and, unless custom-positioned, takes its room from the chart rectangle.
    void PaintTitle();
    void Assign(const TPersistent* source) override;

protected:
    bool onTop_ = true;

private:
    bool adjustFrame_ = true;
    int vertMargin_ = 5;
};

class TChartFootTitle : public TChartTitle {
    QB_CLASS(TChartFootTitle, TChartTitle)
public:
    explicit TChartFootTitle(TCustomDuvPanel* chart = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TChartFootTitle>& p);
};

// ---------------------------------------------------------------- the chart

// The axis settings kept before the first zoom or scroll.
struct TAxisSavedScales {
    bool Automatic = true, AutomaticMinimum = true, AutomaticMaximum = true;
    double Minimum = 0, Maximum = 0;
};
using TAllAxisSavedScales = std::vector<TAxisSavedScales>;

// What lies under a point of the chart.
enum TChartClickedPartStyle : std::uint8_t {
    cpNone,
    cpLegend,
    cpAxis,
    cpSeries,
    cpTitle,
    cpFoot,
    cpChartRect,
    cpSeriesMarks,
    cpSeriesPointer,
    cpSubTitle,
    cpSubFoot,
    cpAxisTitle,
};
struct TChartHitResult {
    TChartClickedPartStyle Part = cpNone;
    int PointIndex = -1;
    TCustomChartSeries* ASeries = nullptr;
    TChartAxis* AAxis = nullptr;
};

using TChartAllowScrollEvent = TEvent<void(TChartAxis* sender, double& min, double& max, bool& allowScroll)>;
using TChartClickAxis = TEvent<void(TCustomChart* sender, TChartAxis* axis, TMouseButton button, TShiftState shift, int x, int y)>;
using TChartClick = TEvent<void(TCustomChart* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TChartClickSeries = TEvent<void(TCustomChart* sender, TCustomChartSeries* series, int valueIndex,
                                      TMouseButton button, TShiftState shift, int x, int y)>;
using TChartClickTitle = TEvent<void(TCustomChart* sender, TChartTitle* title, TMouseButton button, TShiftState shift, int x, int y)>;
using TOnGetLegendPos = TEvent<void(TCustomChart* sender, int index, int& x, int& y, int& xColor)>;
using TOnGetLegendRect = TEvent<void(TCustomChart* sender, TRect& rect)>;
using TOnGetLegendText = TEvent<void(TCustomAxisPanel* sender, TLegendStyle style, int index, std::string& text)>;

class TCustomChart : public TCustomAxisPanel {
    QB_CLASS(TCustomChart, TCustomAxisPanel)
public:
    explicit TCustomChart(TComponent* owner);
    ~TCustomChart() override;

    // ---------------------------------------------------- parts
    TChartTitle* Title();
    TChartTitle* SubTitle();
    TChartTitle* Foot();
    TChartTitle* SubFoot();
    // Never made by reading (drawing, streaming and copying look, not create).
    TChartTitle* PeekTitle() const { return title_.get(); }
    TChartTitle* PeekSubTitle() const { return subTitle_.get(); }
    TChartTitle* PeekFoot() const { return foot_.get(); }
    TChartTitle* PeekSubFoot() const { return subFoot_.get(); }
    // Copies the given title; none frees the title (the next read makes a fresh one).
    void SetTitle(const TChartTitle* value);
    void SetSubTitle(const TChartTitle* value);
    void SetFoot(const TChartTitle* value);
    void SetSubFoot(const TChartTitle* value);
    TChartLegend* Legend() const { return legend_.get(); }
    void SetLegend(const TChartLegend* value);
    TChartWalls* Walls() const { return walls_.get(); }
    TChartBackWall* BackWall() const;
    TChartBottomWall* BottomWall() const;
    TChartLeftWall* LeftWall() const;
    // Reading makes the right wall.
    TChartRightWall* RightWall() const;
    TChartRightWall* PeekRightWall() const;
    void SetBackWall(const TChartBackWall* value);
    void SetBottomWall(const TChartBottomWall* value);
    void SetLeftWall(const TChartLeftWall* value);
    void SetRightWall(const TChartRightWall* value);
    // The back wall's pen.
    TDuvPen* Frame() const;
    void SetFrame(const TDuvPen* value);

    // ---------------------------------------------------- palettes
    int ColorPaletteIndex() const { return colorPaletteIndex_; }
    // -2 keeps the current palette's colours as the custom one; a built-in index recolours the
    // series that take their colour from the palette.
    void SetColorPaletteIndex(int value);
    // The palette index alone, without recolouring (palette application sets it).
    void StorePaletteIndex(int value) { colorPaletteIndex_ = value; }
    // Legacy stream value: the back wall's colour.
    void SetBackColor(TColor value);

    // ---------------------------------------------------- events
    TChartAllowScrollEvent OnAllowScroll;
    TChartClickAxis OnClickAxis;
    TChartClick OnClickBackground, OnClickLegend;
    TChartClickSeries OnClickSeries;
    TChartClickTitle OnClickTitle;
    TOnGetLegendPos OnGetLegendPos;
    TOnGetLegendRect OnGetLegendRect;
    TOnGetLegendText OnGetLegendText;

    // ---------------------------------------------------- zoom state
    TAllAxisSavedScales SavedScales;
    bool ScalesNotSaved = true;

    // ---------------------------------------------------- operations
    // Frees series, tools and animations and brings every setting back to its default.
    void ResetToEmpty();
    TCustomChartSeries* FirstActiveSeries() const;
    // The axis title's caption, else the axis' fixed name.
    void AxisDisplayName(const TChartAxis* axis, std::string& text) const;
    // The text the series' own legend (else the chart's) gives the value.
    void GetLegendItemText(TCustomChartSeries* series, int valueIndex, std::string& text);
    // The legend's item text, then OnGetLegendText with the legend's resolved style.
    void GetLegendTextWithEvent(TChartLegend* legend, int index, std::string& text);
    // No active series, or some active series uses axes (can zoom).
    bool ActiveSeriesUseAxes() const;
    bool ActiveSeriesCanZoom() const;
    // The names of the value lists of a series' source series.
    void EnumSourceValueLists(TCustomChartSeries* series, const std::function<void(const std::string&)>& callback);
    virtual void EnumDataSetFields(TCustomChartSeries*, const std::function<void(const std::string&)>&) {}
    virtual bool SupportsVisualEditing() const { return false; }
    // The face of the box at x turns away from the viewer (always on a full-rotation canvas).
    bool IsSideCulled(int x);

    // ---------------------------------------------------- mouse, wheel, keys and drag
    // The part under p; onlyClickable skips series without click handlers unless OnClickSeries
    // is assigned.
    void FindClickedPart(const TPoint& p, bool onlyClickable, TChartHitResult& part);
    // The same with every active series.
    TChartHitResult LocateChartPart(const TPoint& p);
    // Whole wheel steps (120) zoom or scroll; the tools hear each step and the whole turn.
    bool MouseWheel(TShiftState shift, int delta, int x, int y) override;
    void HandleMouseWheelDown(int x, int y) { HandleWheelStep(-1, x, y); }
    void HandleMouseWheelUp(int x, int y) { HandleWheelStep(1, x, y); }
    void HandleWheelStep(int step, int x, int y);
    // The wheel scrolls the vertical axes: panning has a wheel style, the zoom has none, and
    // vertical panning is allowed.
    bool WheelPans() const;
    void KeyDown(int& key, TShiftState shift) override;
    void KeyUp(int& key, TShiftState shift) override;
    void KeyPress(char& key) override;
    void HandleDragOver(TObject* source, int x, int y, bool& accept);
    void HandleDragDrop(TObject* source, int x, int y);
    void HandleStartDrag();
    void HandleEndDrag(TObject* target, int x, int y);
    // To the active tools, then the active animations, by the road the tools' contract gives
    // (RuRazaziLists.h); the first answer other than PassOn.
    TEventReply BroadcastMouseEvent(TMouseEventKind kind, TMouseButton button, TShiftState shift, int x, int y);
    TEventReply BroadcastMouseWheel(TWheelEventKind kind, int delta, int x, int y);
    TEventReply BroadcastKeyEvent(TKeyEventKind kind, int& key, TShiftState shift, char& keyChar);
    void BroadcastDragEvent(TDragEventKind kind, TObject* source, bool& accept, int x, int y);

    // ---------------------------------------------------- zoom and scroll
    void StartZoomOrPan(TMouseButton button, TShiftState shift, int x, int y);
    // True when OnClickTitle handled the click (it keeps the click from zooming).
    bool ClickTitle(TChartTitle* title, TDuvMouseEvent& event);
    // True when OnClickBackground handled the click.
    bool ClickBackground(TDuvMouseEvent& event);
    virtual void ApplyZoomRect();
    void UndoZoom() override;
    // New ranges of the right, left, bottom and top axes (minimum, maximum each).
    void ZoomToValues(double rightMin, double rightMax, double leftMin, double leftMax, double bottomMin,
                      double bottomMax, double topMin, double topMax);
    // 110 moves each end a tenth of the range inward, 90 outward.
    void ZoomByPercent(double percent);
    void AnimatedZoomSteps(const double* targets);
    void SaveAxisScales(TAllAxisSavedScales& scales) const;
    // Puts the settings back and empties the array.
    void RestoreAxisScales(TAllAxisSavedScales& scales);
    void AddZoomSnapshot();
    void RestorePreviousSnapshot();
    void DropLastZoomSnapshot();
    void PanDirection(bool horizontal, int current, int previous);
    // True when the axis was moved.
    bool PanAxis(TChartAxis* axis, int from, int to);
    void ScrollVerticalAxesByWheel(bool up);

    // ---------------------------------------------------- drawing (the pipeline's slots)
    TColor GetBackgroundColor() override;
    void AdjustChartRectFor3D() override;
    int GetAxisWallSize(const TChartAxis* axis) override;
    void DrawTitlesAndLegend(bool beforeSeries) override;
    void DrawLegendSymbolRect(const TRect& r) override;
    void DrawWalls() override;
    bool IsFreeSeriesColor(TColor color, bool checkBack, TCustomChartSeries* series) override;
    void DrawRightWall();
    void DrawLeftWall();
    void DrawBackWall();
    void DrawBottomWall();
    // The canvas pen and brush of a wall.
    void PrepareWallCanvas(TChartWall* wall);

    void GetChildren(const TGetChildProc& proc, TComponent* root) override;
    void Assign(const TPersistent* source) override;
    void DefineProperties(TFiler& filer) override;

protected:
    // After the panel's handler and listeners: the tools and animations, then the chart's own
    // handling unless one of them answered CancelChart.
    void RouteMouse(TDuvMouseEvent& event) override;

private:
    void ChartMouseDown(TDuvMouseEvent& event);
    void ChartMouseMove(TDuvMouseEvent& event);
    void ChartMouseUp(TDuvMouseEvent& event);
    // Clicks on the part under the mouse; true when one of them handled it.
    bool ClickPart(const TChartHitResult& part, TDuvMouseEvent& event);
    TChartTitle* TitleOfPart(TChartClickedPartStyle part);
    TChartTitle* MakeTitle(std::unique_ptr<TChartTitle>& title, bool foot);
    void SaveScalesOnce();
    void MoveZoomCorner(int x, int y);
    void ShowZoomFrame();
    void HoverAndCursor(int x, int y);
    // Inverts the zoom frame where the canvas can, else repaints (the drawing ends with it).
    void RefreshZoomFrame();
    bool panned_ = false;
    int wheelRest_ = 0;

    int colorPaletteIndex_ = 0;
    std::unique_ptr<TChartTitle> foot_;
    std::unique_ptr<TChartLegend> legend_;
    std::unique_ptr<TChartTitle> subFoot_;
    std::unique_ptr<TChartTitle> subTitle_;
    std::unique_ptr<TChartTitle> title_;
    std::unique_ptr<TChartWalls> walls_;
};

// The published chart; adds nothing to TCustomChart.
class TChart : public TCustomChart {
    QB_CLASS(TChart, TCustomChart)
public:
    explicit TChart(TComponent* owner = nullptr) : TCustomChart(owner) {}
    static void DeclareProperties(TPropertyDeclarer<TChart>& p);
    // What the published chart adds to the table; charts published apart from TChart add it
    // too (ChartPublished.h holds it).
    template <class T>
    static void DeclarePublished(TPropertyDeclarer<T>& p);
};

// The chart module's classes, named in chart streams.
void ChartInitialization();
void ChartFinalization();
