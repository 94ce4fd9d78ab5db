#pragma once
// The chart panel: the model of the window every chart is drawn on. It owns the drawing canvas
// (picked by class name), works out the chart rectangle from border, bevels and margins, runs the
// draw entry, keeps the listeners of its events and makes its pictures: metafiles, bitmaps,
// clipboard copies and printouts. It draws nothing of a chart itself (DrawContents is empty).
//
// What always holds: the panel is a component without a widget. A window that shows it (the
// widget host) attaches itself as Window and forwards paint, size, mouse and key events; without
// one the panel still draws into any QPainter and makes every picture, so tests run headless.
// The canvas exists from construction to destruction. A mouse event's answer lives in the event;
// the panel points at it only while the event is on its way.
#include <QImage>
#include <memory>
#include <string>
#include <vector>

#include "chart/graphics/Canvas3D.h"
#include "chart/graphics/DuvTypes.h"
#include "platform/core/Component.h"
#include "platform/core/Events.h"
#include "platform/ui/Controls.h"

class QPainter;
class TDuvEmboss;
class TDuvHiddenPen;
class TDuvPicture;
class TDuvShadow;
class TFilterItems;
class TMetafile;
class TCustomDuvPanel;

QB_ENUM(TPanelBevel, bvNone, bvLowered, bvRaised, bvSpace)
QB_ENUM(TDuvUnits, muPercent, muPixels)
QB_ENUM(TMouseWheelStyle, pmwNormal, pmwInverted, pmwNone)

// The panel's picture mode, and the class library's border switch kept for old settings files.
inline constexpr int bsNone = 0;
inline constexpr int bsSingle = 1;
// The hand cursor the charts show over clickable parts.
inline constexpr TCursor crDuvHand = 2020;

// What a panel asks of the window that shows it; the widget host answers.
class IPanelWindow {
public:
    virtual ~IPanelWindow() = default;
    // Schedules a paint of the whole window.
    virtual void RepaintWindow() = 0;
    virtual TRect ClientRect() const = 0;
    // Clips the window to a rounded rectangle of that corner radius; 0 or less: no clipping.
    virtual void SetRoundRegion(int radius) = 0;
    virtual void ShowCursor(TCursor cursor) = 0;
    virtual bool CanFocus() const = 0;
    virtual bool Focused() const = 0;
    virtual bool ParentFocused() const = 0;
    virtual void TakeFocus() = 0;
    // The mouse position in client coordinates.
    virtual TPoint MousePos() const = 0;
    // The colour of the window around the panel; clNone when there is none.
    virtual TColor ParentBackground() const { return clNone; }
};

// The two corners of a mouse drag.
class TZoomPanning : public TPersistent {
    QB_CLASS(TZoomPanning, TPersistent)
public:
    bool Active = false;
    int X0 = 0, Y0 = 0, X1 = 0, Y1 = 0;
    void Activate(int x, int y);
    // Orders the corners: X0 <= X1, Y0 <= Y1.
    void Check();
};

class TDuvPanning : public TZoomPanning {
    QB_CLASS(TDuvPanning, TZoomPanning)
public:
    static void DeclareProperties(TPropertyDeclarer<TDuvPanning>& p);
    // May the drag leave the data range.
    bool InsideBounds = false;
    TMouseWheelStyle MouseWheel = pmwNormal;
    // Another panning's InsideBounds only.
    void Assign(const TPersistent* source) override;
};

// ---------------------------------------------------------------- events and listeners

class TDuvEvent {
public:
    virtual ~TDuvEvent() = default;
    TCustomDuvPanel* Sender = nullptr;
};

// A handler's answer to a mouse, wheel or key event on its one road through the panel:
// PassOn   not taken: the next handler and then the panel's own handling hear it;
// Handled  taken: no later handler hears it, the panel's own handling still runs;
// CancelChart  taken, and the panel's own handling (zoom, panning, clicks) is left out.
enum class TEventReply { PassOn, Handled, CancelChart };
enum class TMouseEventKind { Down = 0, Move = 1, Up = 2 };

// One mouse event on its way; it carries the answer of the handlers so far.
class TDuvMouseEvent : public TDuvEvent {
public:
    TDuvMouseEvent() = default;
    TDuvMouseEvent(TMouseEventKind kind, TMouseButton button, TShiftState shift, int x, int y)
        : Event(kind), Button(button), Shift(shift), X(x), Y(y)
    {
    }
    TMouseEventKind Event = TMouseEventKind::Down;
    TMouseButton Button = mbLeft;
    TShiftState Shift;
    int X = 0, Y = 0;
    TEventReply Reply = TEventReply::PassOn;
    bool Taken() const { return Reply != TEventReply::PassOn; }
};

class TDuvView3DEvent : public TDuvEvent {};
class TMouseLeaveEvent : public TDuvEvent {};

// A receiver of panel events (tools, editors). It removes itself before it goes.
class IPanelEventListener {
public:
    virtual ~IPanelEventListener() = default;
    virtual void PanelEvent(TDuvEvent& event) = 0;
};

// Plain references: the list keeps no listener alive.
class TDuvEventListeners {
public:
    // Appends unless listed; the listener's index either way.
    int Add(IPanelEventListener* listener);
    IPanelEventListener* Get(int index) const { return items_.at(static_cast<std::size_t>(index)); }
    // The former index, -1 when absent.
    int RemoveListener(IPanelEventListener* listener);
    int Count() const { return static_cast<int>(items_.size()); }

private:
    std::vector<IPanelEventListener*> items_;
};

// ---------------------------------------------------------------- the panel

// The class library's panel with its caption taken out: geometry, colour, bevels and the usual
// events; shown by a widget host.
class TCustomPanelNoCaption : public TComponent {
    QB_CLASS(TCustomPanelNoCaption, TComponent)
public:
    explicit TCustomPanelNoCaption(TComponent* owner);
    static void DeclareProperties(TPropertyDeclarer<TCustomPanelNoCaption>& p);

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void SetLeft(int value) { SetBounds(value, top_, width_, height_); }
    void SetTop(int value) { SetBounds(left_, value, width_, height_); }
    void SetWidth(int value) { SetBounds(left_, top_, value, height_); }
    void SetHeight(int value) { SetBounds(left_, top_, width_, value); }
    // Sizes below 0 become 0; a changed size runs Resize.
    virtual void SetBounds(int left, int top, int width, int height);

    TColor Color() const { return color_; }
    void SetColor(TColor value);
    bool ParentColor() const { return parentColor_; }
    void SetParentColor(bool value) { parentColor_ = value; }
    TPanelBevel BevelInner() const { return bevelInner_; }
    void SetBevelInner(TPanelBevel value);
    TPanelBevel BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TPanelBevel value);
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int value);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int value);
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor value);
    bool TabStop() const { return tabStop_; }
    void SetTabStop(bool value) { tabStop_ = value; }
    bool Locked() const { return locked_; }
    void SetLocked(bool value) { locked_ = value; }
    TAlign Align() const { return align_; }
    void SetAlign(TAlign value) { align_ = value; }
    TAnchors Anchors() const { return anchors_; }
    void SetAnchors(TAnchors value) { anchors_ = value; }

    // The window showing the panel; none while the panel is not on screen.
    IPanelWindow* Window() const { return window_; }
    void SetWindow(IPanelWindow* window);
    bool HasParentWindow() const { return window_ != nullptr; }

    // Repaints the window (the chart panel marks its picture stale first).
    virtual void Invalidate();

    TEvent<void(TObject*, TMouseButton, TShiftState, int, int)> OnMouseDown;
    TEvent<void(TObject*, TMouseButton, TShiftState, int, int)> OnMouseUp;
    TEvent<void(TObject*, TShiftState, int, int)> OnMouseMove;
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TNotifyEvent OnResize;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TEvent<void(TObject*, int&, TShiftState)> OnKeyDown;
    TEvent<void(TObject*, int&, TShiftState)> OnKeyUp;
    TEvent<void(TObject*, TShiftState, int, int, int, bool&)> OnMouseWheel;

    // ---------------------------------------------------- what the window forwards
    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void Click();
    virtual void DblClick();
    // True when the turn was used.
    virtual bool MouseWheel(TShiftState shift, int delta, int x, int y);
    virtual void KeyDown(int& key, TShiftState shift);
    virtual void KeyUp(int& key, TShiftState shift);
    // The character of a key press.
    virtual void KeyPress(char&) {}
    virtual void MouseLeave();
    virtual void Resize();
    // The system colours changed.
    virtual void SysColorChange();

private:
    int left_ = 0, top_ = 0, width_ = 185, height_ = 41;
    TColor color_ = clBtnFace;
    bool parentColor_ = false;
    TPanelBevel bevelInner_ = bvNone;
    TPanelBevel bevelOuter_ = bvRaised;
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
    TCursor cursor_ = crDefault;
    bool tabStop_ = false;
    bool locked_ = false;
    TAlign align_ = alNone;
    TAnchors anchors_{akLeft, akTop};
    IPanelWindow* window_ = nullptr;
};

// Called before the panel draws onto a printer canvas (sender, canvas, rectangle).
using TDuvPrintEvent = TEvent<void(TCustomDuvPanel*, QPainter*, const TRect&)>;

class TCustomDuvPanel : public TCustomPanelNoCaption {
    QB_CLASS(TCustomDuvPanel, TCustomPanelNoCaption)
public:
    explicit TCustomDuvPanel(TComponent* owner);
    ~TCustomDuvPanel() override;
    static void DeclareProperties(TPropertyDeclarer<TCustomDuvPanel>& p);

    // ---------------------------------------------------- settings
    bool ZOrderEnabled = true;
    bool AutoRepaint = true;
    TRect PanelBounds;
    int ChartWidth = 0, ChartHeight = 0, ChartXCenter = 0, ChartYCenter = 0;
    // Where the panel shows its drawing; set by the window while it paints.
    QPainter* WindowCanvas = nullptr;
    int DepthHeight = 0;
    int DepthWidth = 0;
    TDuvPrintEvent OnBeforePrint;
    TCursor SavedCursor = crDefault;
    bool IsPrinting = false;
    bool RegionBusy = false;
    TRect FixedChartRect;
    int LoadedWidth = 0, LoadedHeight = 0;
    TRect ChartRect;
    // Page margins of printing, in percent of the page.
    TRect PrintMargins{15, 15, 15, 15};
    // The chart whose series formats later series take; owned.
    TComponentPtr<TComponent> StyleTemplate;

    TDuvHiddenPen& Border() const { return *border_; }
    void SetBorder(const TDuvHiddenPen* value);
    int BorderRound() const { return borderRound_; }
    void SetBorderRound(int value);
    TDuvEmboss& Emboss() const { return *emboss_; }
    void SetEmboss(const TDuvEmboss* value);
    TDuvShadow& Shadow() const { return *shadow_; }
    void SetShadow(const TDuvShadow* value);
    TView3DOptions& View3DOptions() const { return *view3DOptions_; }
    void SetView3DOptions(const TView3DOptions* value);
    TDuvPanning& Panning() const { return *panning_; }
    void SetPanning(const TDuvPanning* value);
    TDuvEventListeners& Listeners() { return listeners_; }

    int MarginLeft() const { return margins_.Left; }
    int MarginTop() const { return margins_.Top; }
    int MarginRight() const { return margins_.Right; }
    int MarginBottom() const { return margins_.Bottom; }
    void SetMarginLeft(int value) { ChangeIntegerAndRepaint(margins_.Left, value); }
    void SetMarginTop(int value) { ChangeIntegerAndRepaint(margins_.Top, value); }
    void SetMarginRight(int value) { ChangeIntegerAndRepaint(margins_.Right, value); }
    void SetMarginBottom(int value) { ChangeIntegerAndRepaint(margins_.Bottom, value); }
    TDuvUnits MarginUnits() const { return marginUnits_; }
    void SetMarginUnits(TDuvUnits value);
    bool PrintProportional() const { return printProportional_; }
    void SetPrintProportional(bool value) { printProportional_ = value; }
    int PrintResolution() const { return printResolution_; }
    void SetPrintResolution(int value) { printResolution_ = value; }
    bool View3D() const { return view3D_; }
    virtual void SetView3D(bool value);
    bool Monochrome() const;
    void SetMonochrome(bool value);
    bool BufferedDisplay() const;
    void SetBufferedDisplay(bool value);
    const std::string& DefaultCanvas() const { return defaultCanvas_; }
    void SetDefaultCanvas(const std::string& value) { defaultCanvas_ = value; }
    bool ChartRectFixed() const { return chartRectFixed_; }
    // The old single-border switch: bsSingle shows Border.
    int GetBorderStyle() const;
    void SetBorderStyle(int value);

    // ---------------------------------------------------- canvas
    TCanvas3D& Canvas() const { return *canvas_; }
    // Takes the canvas of that class (none is ignored); the old one hands over its settings and goes.
    void ReplaceCanvas(std::unique_ptr<TCanvas3D> canvas, const std::string& className);
    // The canvas class named by DefaultCanvas when listed, else the GDI canvas.
    void SelectCanvasClass();
    // The picture filters applied to the finished drawing; made on first use.
    TFilterItems* GetFilters();
    TDuvPicture* PeekFilterPicture() const { return filterPicture_.get(); }

    // ---------------------------------------------------- repaint helpers
    void Invalidate() override;
    // Store, and repaint only on a change.
    void ChangeFlagAndRepaint(bool& field, bool value);
    void ChangeColorAndRepaint(TColor& field, TColor value);
    void ChangeIntegerAndRepaint(int& field, int value);
    void ChangeFloatAndRepaint(double& field, double value);
    void ChangeTextAndRepaint(std::string& field, const std::string& value);
    // The change handler of every drawing attribute the panel owns.
    virtual void RefreshPanel();

    // ---------------------------------------------------- chart rectangle
    int BorderAndBevelWidth() const;
    void ComputeChartRect();
    void NormalizeChartRect();
    void FixChartRect(bool fixed);
    bool ClippingAllowed();
    // The border pen's inset of R (the extended panel and the bevels share it).
    int BorderInset(TRect& r) const;

    // ---------------------------------------------------- drawing
    virtual TColor GetBackgroundColor();
    virtual TCustomDuvPanel* GetPanelToEdit() { return this; }
    virtual void DrawContents(const TRect& r);
    // The guarded draw entry: canvas start, chart rectangle, contents, filters, picture shown.
    virtual void DrawToCanvas(QPainter* canvas, const TRect& r);
    virtual TRect GetPanelRect() const;
    virtual void DrawBevels(const TRect& r);
    // r shrinks by what the frame took.
    void DrawBevelFrame(TCanvas3D& canvas, TPanelBevel bevel, TRect& r, int radius, int width);
    // The window's paint: reuses the unchanged picture, else draws the whole panel.
    void Paint(QPainter* windowCanvas);
    void DrawFullPanel();
    // Drawing between paints (a drag frame, an inverted figure): opens the canvas' picture of
    // the last paint for drawing; false when it cannot be drawn on now (the caller repaints
    // instead). EndDirectDraw shows what was drawn without redrawing the chart.
    bool BeginDirectDraw();
    void EndDirectDraw(bool drawn);
    void DrawToCanvasUnbuffered(QPainter* canvas, const TRect& r);
    void DrawWhileMetafiling(QPainter* canvas, const TRect& r);
    void ApplyBrush(TColor foreColor, TDuvBrush& brush, TColor backColor);
    void AssignPanelFont(TDuvFont& font);
    // The font set on the canvas (zoomed in 3D); the height of "W" in it.
    int FontHeightOf(TDuvFont& font);
    // Lines separated by character 13 (a line feed after it is dropped).
    void MeasureTextLines(const std::string& text, bool html, TSize& size, int& lines);
    int TextLinesWidth(const std::string& text, int& lines, bool html);

    // ---------------------------------------------------- events
    void AddListener(IPanelEventListener* listener);
    void RemoveListener(IPanelEventListener* listener);
    template <class E>
    void BroadcastEvent()
    {
        if (listeners_.Count() == 0) return;
        E event;
        DispatchEvent(event);
    }
    // To every listener in order; a mouse event stops at the first listener that takes it.
    void DispatchEvent(TDuvEvent& event);

    // The mouse event on its way through the panel; none between events. The handlers of the
    // panel's own events (OnMouseDown, a chart's click events, a series' OnClick) answer
    // through ReplyToMouse; the answer belongs to that one event and goes with it.
    TDuvMouseEvent* CurrentMouseEvent() const { return mouseEvent_; }
    // Nothing outside an event.
    void ReplyToMouse(TEventReply reply);
    // PassOn outside an event.
    TEventReply MouseReply() const { return mouseEvent_ ? mouseEvent_->Reply : TEventReply::PassOn; }

    // ---------------------------------------------------- pictures
    std::unique_ptr<TMetafile> RenderMetafile(bool enhanced, const TRect& r);
    std::unique_ptr<TMetafile> RenderMetafile(bool enhanced);
    void SaveAsWMF(const std::string& fileName);
    void SaveAsEMF(const std::string& fileName);
    void SaveMetafileFile(bool enhanced, const std::string& fileName, const TRect& r);
    void CopyMetafileToClipboard(bool enhanced);
    void CopyMetafileToClipboardRect(bool enhanced, const TRect& r);
    // backColor: clNone or 0xFF000000 make the untouched pixels transparent, 0x20000000 is Color.
    // format: QImage::Format_Invalid for the device's format; resolution 0: none stamped.
    std::unique_ptr<QImage> RenderBitmap(TColor backColor, const TRect& r, int resolution,
                                         QImage::Format format = QImage::Format_Invalid);
    std::unique_ptr<QImage> CreatePanelBitmap();
    void SaveAsBitmapFile(const std::string& fileName);
    void SaveBitmapFileRect(const std::string& fileName, const TRect& r);
    void CopyBitmapToClipboard();
    void CopyBitmapToClipboardRect(const TRect& r);

    // ---------------------------------------------------- printing
    TRect PrinterDrawRect();
    TRect PrintRectFromMargins(int width, int height) const;
    void ProportionalPrintMargins();
    // The logical size of a printout under PrintResolution.
    void ApplyPrintResolution(int& width, int& height) const;
    void PrintPartialCanvas(QPainter* canvas, const TRect& r);
    void PrintInRect(const TRect& r);

    void Assign(const TPersistent* source) override;
    void DefineProperties(TFiler& filer) override;
    void ReadState(TReader& reader) override;
    void Loaded() override;
    void SetBounds(int left, int top, int width, int height) override;

    // ---------------------------------------------------- forwarded input
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void DblClick() override;
    void MouseLeave() override;
    void Resize() override;
    void SysColorChange() override;
    // Sets the window's rounded clipping for BorderRound (none at 0).
    void SetBorderRegion();

protected:
    void AssignTo(TPersistent* dest) const override;
    // The road of one mouse event after its entry: the panel's OnMouseDown (OnMouseUp,
    // OnMouseMove) handler, then the listeners in order; each hears it only while nobody before
    // took it. A chart goes on with its tools and then its own handling.
    virtual void RouteMouse(TDuvMouseEvent& event);

private:
    friend class TPanelMouseScope;
    void RunMouseEvent(TDuvMouseEvent& event);
    void AttachCanvas();
    int ProportionalMargin(int a, int b, double x, double q) const;

    std::unique_ptr<TCanvas3D> canvas_;
    std::unique_ptr<TDuvPicture> filterPicture_;
    std::unique_ptr<TDuvHiddenPen> border_;
    std::unique_ptr<TDuvEmboss> emboss_;
    std::unique_ptr<TDuvShadow> shadow_;
    std::unique_ptr<TView3DOptions> view3DOptions_;
    std::unique_ptr<TDuvPanning> panning_;
    TDuvEventListeners listeners_;
    int borderRound_ = 0;
    TRect margins_{3, 4, 3, 4};
    TDuvUnits marginUnits_ = muPercent;
    bool printProportional_ = true;
    int printResolution_ = 0;
    bool view3D_ = true;
    std::string defaultCanvas_;
    std::string canvasClassName_;
    bool chartRectFixed_ = false;
    bool exceptionShown_ = false;
    TDuvMouseEvent* mouseEvent_ = nullptr;
};

// Makes an event the panel's current mouse event for the scope's life (the entries open one
// per event; nested events restore the outer one).
class TPanelMouseScope {
public:
    TPanelMouseScope(TCustomDuvPanel& panel, TDuvMouseEvent& event);
    ~TPanelMouseScope();
    TPanelMouseScope(const TPanelMouseScope&) = delete;
    TPanelMouseScope& operator=(const TPanelMouseScope&) = delete;

private:
    TCustomDuvPanel& panel_;
    TDuvMouseEvent* outer_;
};

// The canvas class a new panel takes when the editor option "DefaultCanvas" is absent.
extern std::string DefaultCanvasName;
extern bool ClipWhenPrinting;
extern bool ClipWhenMetafiling;
// While False a printing panel draws no background, border or bevels.
extern bool PrintPanelDecorations;
extern bool EraseBackground;
inline constexpr char kLineSeparator = '\r';

// clNone gives 0; system colours give their RGB value; others stay.
TColor PanelColorToRGB(TColor color);

// The panel module's start-up and shutdown.
void DuvPanelInitialization();
void DuvPanelFinalization();
