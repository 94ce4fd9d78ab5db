#pragma once
// The chart tools unit: text annotations with callouts, the movable and resizable rectangle and
// the tool that turns a 3D chart by mouse drag, with the unit's tool-class registration.
//
// What always holds: an annotation owns its shape, callout and hover settings from construction
// to destruction; a tool draws only inside the chart's drawing or, between paints, inside the
// panel's direct drawing (the wire-frame box), never on a device it keeps.
#include <memory>
#include <optional>
#include <string>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/RuRazaziLists.h"
#include "chart/series/RuRazaziCallout.h"

class QImage;
class QTimer;
class TDuvSelected;
class TTextShape;

QB_ENUM(TAnnotationPosition, ppLeftTop, ppLeftBottom, ppRightTop, ppRightBottom, ppCenter)
QB_ENUM(TRotateToolStyles, rsAll, rsRotation, rsElevation)

class TAnnotationTool;
using TAnnotationClick = TEvent<void(TAnnotationTool* sender, TMouseButton button, TShiftState shift, int x, int y)>;

// The pointer or arrow from an annotation to a point of the chart.
class TAnnotationCallout : public TCallout {
    QB_CLASS(TAnnotationCallout, TCallout)
public:
    explicit TAnnotationCallout(TChartSeries* series = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TAnnotationCallout>& p);

    // The target in chart panel pixels, and its depth.
    int XPosition() const { return xPosition_; }
    void SetXPosition(int value);
    int YPosition() const { return yPosition_; }
    void SetYPosition(int value);
    int ZPosition() const { return zPosition_; }
    void SetZPosition(int value);
    void Assign(const TPersistent* source) override;

private:
    void ChangePosition(int& field, int value);
    int xPosition_ = 0;
    int yPosition_ = 0;
    int zPosition_ = 0;
};

// The point of rect that faces target: an edge beyond which the target lies, else the centre.
TPoint CalloutAnchor(const TRect& rect, const TPoint& target);
// The callout's end: target moved distance pixels along the line towards anchor.
TPoint CalloutEnd(const TPoint& anchor, const TPoint& target, int distance);

class TAnnotationTool : public TDuvCustomTool {
    QB_CLASS(TAnnotationTool, TDuvCustomTool)
public:
    explicit TAnnotationTool(TComponent* owner = nullptr);
    ~TAnnotationTool() override;
    static void DeclareProperties(TPropertyDeclarer<TAnnotationTool>& p);

    // ---------------------------------------------------- the five added slots
    // A new shape; called once by the constructor.
    virtual std::unique_ptr<TTextShape> CreateShape();
    virtual void DrawAnnotation(TCustomAxisPanel* panel);
    // Pixels added to the x of every text line.
    virtual int GetTextOffset() { return 0; }
    virtual std::string GetText() const;
    // Where the shape is drawn inside reference (the panel bounds); left and top are its corner.
    virtual TRect CalcShapeBounds(TCustomDuvPanel* panel, const TRect& reference, int& left, int& top);

    // ---------------------------------------------------- properties
    bool AutoSize() const;
    void SetAutoSize(bool value);
    TAnnotationCallout& Callout() const { return *callout_; }
    void SetCallout(const TAnnotationCallout* value);
    bool ClipText() const;
    void SetClipText(bool value);
    TCursor Cursor() const;
    void SetCursor(TCursor value);
    bool Draw3D() const { return draw3D_; }
    void SetDraw3D(bool value) { ChangeBoolean(draw3D_, value); }
    TAnnotationPosition Position() const { return position_; }
    void SetPosition(TAnnotationPosition value);
    TDuvUnits PositionUnits() const { return positionUnits_; }
    void SetPositionUnits(TDuvUnits value);
    TDuvSelected& Selected() const { return *selected_; }
    void SetSelected(const TDuvSelected* value);
    TTextShape& Shape() const { return *shape_; }
    void SetShape(const TTextShape* value);
    std::string Text() const { return GetText(); }
    void SetText(const std::string& value);
    TAlignment TextAlignment() const;
    void SetTextAlignment(TAlignment value);
    int Left() const;
    void SetLeft(int value);
    int Top() const;
    void SetTop(int value);
    int Width() const;
    void SetWidth(int value);
    int Height() const;
    void SetHeight(int value);
    int Z() const { return z_; }
    void SetZ(int value) { ChangeInteger(z_, value); }

    TNotifyEvent OnBeforeDraw;
    TNotifyEvent OnAfterDraw;
    TAnnotationClick OnClick;
    TAnnotationClick OnDblClick;

    // ---------------------------------------------------- operations
    // The rectangle of CalcShapeBounds on the tool's chart; empty without one.
    TRect GetBounds();
    bool HitTest(int x, int y) const override;
    // Shows the tool on chart without joining its tool list (annotations that other tools own);
    // the chart does not repaint for it.
    void AttachForDrawing(TCustomAxisPanel* chart);

    void SetActive(bool value) override;
    void SetParentChart(TCustomAxisPanel* value) override;
    void SetName(const std::string& name) override;
    void RequestRepaint() override;
    void HandleChartEvent(TChartEventCode code) override;
    TEventReply HandleMouseEvent(TMouseEventKind kind, TMouseButton button, TShiftState shift, int x, int y) override;
    std::string GetEditorClassName() const override { return "TAnnotationToolEdit"; }
    std::string GetDescription() const override;
    std::string GetSummary() const override;
    // Callout, position, units, hover settings, shape and depth, then the element's fields.
    void Assign(const TPersistent* source) override;

    bool IsAutoSizeStored() const { return AutoSize() != defaultAutoSize_; }
    bool IsCursorStored() const { return Cursor() != defaultCursor_; }
    bool IsCustomPosition() const;
    bool IsSizeStored() const { return !AutoSize(); }

protected:
    // The rectangle tool moves its own cursor; the hover code then leaves the chart's alone.
    bool HandlesOwnCursor = false;
    bool defaultAutoSize_ = true;
    TCursor defaultCursor_ = crDefault;

private:
    void AttachParts(TCustomAxisPanel* chart);

    std::unique_ptr<TTextShape> shape_;
    std::unique_ptr<TAnnotationCallout> callout_;
    std::unique_ptr<TDuvSelected> selected_;
    // Where the shape was last drawn, in pixels (its own bounds may hold percent).
    std::optional<TRect> drawnBounds_;
    TAnnotationPosition position_ = ppLeftTop;
    TDuvUnits positionUnits_ = muPixels;
    bool draw3D_ = false;
    int z_ = 0;
};

// The annotation a cursor or colour line tool shows: owned by that tool, shape and shadow hidden,
// text centred, drawn on chart without being one of its tools.
TAnnotationTool* CreateToolAnnotation(TDuvCustomTool* owner, TCustomAxisPanel* chart);

// An annotation in a box that the user moves by dragging its inside and resizes at its edges.
class TRectangleTool : public TAnnotationTool {
    QB_CLASS(TRectangleTool, TAnnotationTool)
public:
    explicit TRectangleTool(TComponent* owner = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TRectangleTool>& p);

    bool AllowDrag() const { return allowDrag_; }
    void SetAllowDrag(bool value) { allowDrag_ = value; }
    bool AllowResize() const { return allowResize_; }
    void SetAllowResize(bool value) { allowResize_ = value; }

    TNotifyEvent OnDragging;
    TNotifyEvent OnDragged;
    TNotifyEvent OnResizing;
    TNotifyEvent OnResized;

    // The handle under the point: 0..3 left, top, right, bottom edge; 4..7 left-top, left-bottom,
    // right-top, right-bottom corner; -1 none.
    int EdgeAt(int x, int y);
    // The chart under the box, the size of the box; fresh draws the chart anew without the tool,
    // else the picture of the last paint is taken.
    std::unique_ptr<QImage> CaptureBitmap(bool fresh);
    bool Dragging() const { return dragging_; }
    int ResizeHandle() const { return handle_; }

    TEventReply HandleMouseEvent(TMouseEventKind kind, TMouseButton button, TShiftState shift, int x, int y) override;
    std::string GetDescription() const override;
    std::string GetSummary() const override;
    void Assign(const TPersistent* source) override;

private:
    void DragTo(int x, int y);
    void ResizeTo(int x, int y);
    // Sets the chart cursor for the point; true when the move is the tool's.
    bool ClaimCursor(int x, int y);

    bool allowDrag_ = true;
    bool allowResize_ = true;
    bool dragging_ = false;
    int handle_ = -1;
    int dx_ = 0;
    int dy_ = 0;
};

// Turns the chart's 3D view while the user drags with a mouse button.
class TRotateTool : public TDuvCustomTool {
    QB_CLASS(TRotateTool, TDuvCustomTool)
public:
    explicit TRotateTool(TComponent* owner = nullptr);
    ~TRotateTool() override;
    static void DeclareProperties(TPropertyDeclarer<TRotateTool>& p);

    TMouseButton Button() const { return button_; }
    void SetButton(TMouseButton value) { button_ = value; }
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor value) { cursor_ = value; }
    int Inertia() const { return inertia_; }
    void SetInertia(int value) { inertia_ = value; }
    bool Inverted() const { return inverted_; }
    void SetInverted(bool value) { inverted_ = value; }
    int Speed() const { return speed_; }
    void SetSpeed(int value) { speed_ = value; }
    TRotateToolStyles Style() const { return style_; }
    void SetStyle(TRotateToolStyles value) { style_ = value; }

    TNotifyEvent OnRotate;
    // The pen of the wire-frame box.
    TDuvPen* GetPen() const { return &Pen(); }

    // Degrees added to the chart's elevation and rotation.
    void RotateBy(double elevationDelta, double rotationDelta);
    // The last step of a drag, which inertia keeps turning by.
    double RotationDelta() const { return rotationDelta_; }
    double ElevationDelta() const { return elevationDelta_; }
    bool Dragging() const { return dragging_; }
    bool InertiaRunning() const;

    TEventReply HandleMouseEvent(TMouseEventKind kind, TMouseButton button, TShiftState shift, int x, int y) override;
    void HandleChartEvent(TChartEventCode code) override;
    std::string GetEditorClassName() const override { return "TRotateToolEditor"; }
    std::string GetDescription() const override;
    std::string GetSummary() const override;
    // Button, inertia, inversion, speed and style, then the element's fields.
    void Assign(const TPersistent* source) override;

private:
    void DrawBox();
    void InertiaTick();
    void StopInertia();
    TEventReply MouseDown(int x, int y);
    void MouseMove(int x, int y);
    void MouseUp();

    TMouseButton button_ = mbLeft;
    TCursor cursor_ = crHandPoint;
    int inertia_ = 0;
    bool inverted_ = false;
    int speed_ = 50;
    TRotateToolStyles style_ = rsAll;

    bool dragging_ = false;
    bool firstMove_ = true;
    // The box is on the picture of the last paint (drawn directly, not repainted).
    bool boxShown_ = false;
    bool savedAutoRepaint_ = true;
    bool cursorChanged_ = false;
    TCursor savedCursor_ = crDefault;
    int lastX_ = 0;
    int lastY_ = 0;
    double rotationDelta_ = 0;
    double elevationDelta_ = 0;
    std::unique_ptr<QTimer> inertiaTimer_;
};


// The eighteen tool classes of this unit in their order (those not built yet are absent).
std::vector<const TClassInfo*> DuvToolsClasses();
// Registers the unit's tool classes once however often it starts; the last stop unregisters.
void DuvToolsInitialization();
void DuvToolsFinalization();
