#pragma once
// The smooth canvas: every flat drawing operation of the GDI canvas done again with QPainter,
// antialiased, with alpha taken from an opacity byte, on a 32-bit back buffer with alpha. The
// GDI canvas part keeps the pens, brushes, fonts, the 3D projection and the 3D solids (which
// project and then call the flat operations here). Also the path it hands out, and the switch
// component that puts it into a panel or takes it out again.
//
// What always holds:
// - Chart colours reach the painter only through ArgbColor: alpha = opacity - the colour's top
//   byte, never below 0; clNone is tested for before and never converted.
// - A clear pen strokes nothing and a clear brush fills nothing; both are tested first.
// - Strokes of the XOR pen modes go through the inner GDI canvas on the same painter; the
//   painter's state is saved around them, so they leave the clip and the transform as they were.
// - Every clip operation saves the clip in force first; Unclip gives exactly that clip back.
// - The opacity stack and the transform stack are popped only by their own pops.
#include <QBrush>
#include <QFont>
#include <QPainterPath>
#include <QPen>
#include <QTransform>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "chart/engine/DuvPanel.h"
#include "chart/graphics/DuvBasePath.h"
#include "chart/graphics/DuvCanvas3D.h"
#include "platform/core/Component.h"
#include "platform/core/ComponentRef.h"

class TCustomDuvGradient;
class TDuvGDIPlus;

QB_ENUM(TGDIPlusFontQuality, gpfBest, gpfDefault, gpfClearType, gpfNormal)

// How text is rendered, by the library's hint numbers.
enum TTextRenderingHint { trhSystemDefault = 0, trhSingleBitPerPixelGridFit = 1, trhAntiAlias = 4, trhClearTypeGridFit = 5 };

class TGDIPlusCanvas : public TDuvCanvas3D {
public:
    TGDIPlusCanvas();
    ~TGDIPlusCanvas() override;

    // The switch component that installed the canvas; set and cleared by it.
    TDuvGDIPlus* GDIPlus = nullptr;
    // Replaces the figure's own points as the outline a gradient brush spans, when not empty.
    TPointFloatArray GradientPolygon;

    bool AntiAlias() const { return antiAlias_; }
    void SetAntiAlias(bool value);
    TGDIPlusFontQuality GetTextQuality() const;
    void SetTextQuality(TGDIPlusFontQuality value);
    // The painter drawn with, made ready (the back buffer made when there is none); none when
    // the canvas has nothing to draw on.
    QPainter* GetGraphics();
    // Current opacity 0 (invisible) .. 255.
    std::uint8_t Opacity() const { return opacity_; }
    // The rendering hint the text would be drawn with now.
    TTextRenderingHint TextRenderingHint() const { return textHint_; }
    // A chart colour as the painter's colour, alpha from the opacity and the colour's top byte.
    QColor ArgbColor(TColor color) const;
    // The pen the next stroke uses (made from the canvas pen when there is none); none for a
    // clear pen.
    const QPen* GdiPen();
    // The font text is drawn with, and how many times one was made.
    const QFont& GdiFont() const { return gdiFont_; }
    int FontsMade = 0;

    // Draws the whole source into the whole target, smoothly resampled.
    static void StretchBitmap(const QImage& source, QImage& target);

    // ------------------------------------------------ canvas slots
    void SetCanvas(QPainter* device) override;
    // Only the back mode: brushes are made at fill time, for the figure.
    void ApplyBrush(TDuvBrush& brush) override;
    void ApplyFont() override;
    void ApplyPen() override;
    void FastLineTo(int x, int y) override;
    TColor GetBackColor() override { return backColor_; }
    void SetBackColor(TColor color) override { backColor_ = color; }
    int GetBackMode() override { return backMode_; }
    void SetBackMode(int mode) override { backMode_ = mode; }
    int GetTextAlign() override { return textAlign_; }
    void SetTextAlign(int flags) override { textAlign_ = flags; }
    void SetSmoothing(bool on) override;
    void SetFastLineMode(bool on) override;
    void SetCharacterSpacing(int extra) override { characterSpacing_ = extra; }
    void SetPixel(int x, int y, TColor color) override;
    TDuvBlend* BeginBlending(const TRect& rect, int transparency) override;
    void EndBlending(TDuvBlend* blend) override;
    void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) override;
    void ArcAngles(int left, int top, int right, int bottom, double startAngle, double endAngle) override;
    void ArcTo(int left, int top, int right, int bottom, int xr1, int yr1, int xr2, int yr2, bool clockwise) override;
    void DonutSlice(int xCenter, int yCenter, int xRadius, int yRadius, double startAngle, double endAngle,
                    double holePercent) override;
    void DrawGraphic(int x, int y, const QImage& graphic) override;
    void Ellipse(int x1, int y1, int x2, int y2) override;
    void FillRect(const TRect& rect) override;
    void LineTo(int x, int y) override;
    void MoveTo(int x, int y) override;
    void PieAngles(const TRect& rect, double startAngle, double endAngle) override;
    void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) override;
    void Rectangle(int left, int top, int right, int bottom) override;
    void RoundRect(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight) override;
    void StretchDraw(const TRect& rect, const QImage& graphic) override;
    void TextOut(int x, int y, const std::string& text) override;
    int TextHeight(const std::string& text) override;
    void TextSizeFloat(const std::string& text, TPointFloat& size) override;
    int TextWidth(const std::string& text) override;
    TSize TextExtent(const std::string& text) override;
    void ClipToRect(const TRect& rect) override;
    void ClipToRoundRect(const TRect& rect, int cornerWidth, int cornerHeight) override;
    void ClipToEllipse(const TRect& rect, bool exclusiveOr) override;
    void ClipToPolygon(const TPointArray& points, int count, bool exclude) override;
    std::unique_ptr<TDuvBasePath> CreatePath() override;
    void PolygonOrPolyline(const TPointArray& points, bool filled, int z, double tension) override;
    void HorizLine(int x0, int x1, int y) override;
    void VertLine(int x, int y0, int y1) override;
    void GradientFill(const TRect& rect, TColor startColor, TColor endColor, TGradientDirection direction, int balance,
                      int radialX, int radialY) override;
    void Line(int x0, int y0, int x1, int y1) override;
    void Polyline(const TPointArray& points) override;
    void PolylineFloat(const TPointFloatArray& points) override;
    void Polygon(const TPointArray& points) override;
    void PolygonFloat(const TPointFloatArray& points) override;
    void RotateLabel(int x, int y, const std::string& text, double angle, bool markup) override;
    void Unclip() override;
    bool PointVisible(int x, int y) override;
    std::unique_ptr<TDuvCanvas> CreateImageCanvas(QImage& image) override;

    // ------------------------------------------------ 3D slots
    TDuvTransform* PushTransform(const std::string& name, TDuvTransform* transform, void* visual) override;
    void PopTransform() override;
    void ShadeSliceEdges(TEdgeStyle style, int depth, const TPie3DSlice& slice) override;
    bool UseDCBrush() override { return false; }
    void SetPixel3D(int x, int y, int z, TColor color) override;
    void DrawShadow(TDuvShadow& shadow, const TRect& rect, bool ellipse, int cornerSize, const TPointArray& points,
                    int high, double holePercent, double startAngle, double endAngle) override;
    std::string GetDescription() override { return "GDI+"; }
    std::string GetEditorClassName() const override { return "TGDIPlusEditor"; }
    TRect InitWindow(QPainter* destination, TView3DOptions* options, TColor background, bool is3D,
                     const TRect& rect) override;
    bool IsSupported() override;
    void HorizLine3D(int x0, int x1, int y, int z) override;
    void VertLine3D(int x, int y0, int y1, int z) override;
    void ZLine3D(int x, int y, int z0, int z1) override;
    void LineWithZ(int x0, int y0, int x1, int y1, int z) override;
    void MoveTo3D(int x, int y, int z) override;
    void LineTo3D(int x, int y, int z) override;
    void RectangleWithZRounded(const TRect& rect, int z, int cornerSize) override;
    void TextOut3D(int x, int y, int z, const std::string& text, bool markup) override;

    // ------------------------------------------------ fills (for the path and the effects)
    // The canvas brush as a painter brush over a figure of these bounds (gradient, texture,
    // hatch or solid); with a hatch its back colour, when it has one, goes to back.
    QBrush FillBrush(const QRectF& bounds, const QPolygonF* points, std::optional<QColor>* back);
    // Fills with the fill-brush rule and strokes with the pen.
    void FillAndStroke(const QPainterPath& path, const QRectF& bounds);

private:
    struct TTransformEntry {
        std::optional<QTransform> Saved;
        bool Clipped = false;
    };
    struct TClipState {
        bool Clipping = false;
        QPainterPath Path;
    };

    QPainter* Painter();
    void ApplySmoothing(QPainter& painter, bool on);
    bool Smoothing() const { return antiAlias_ && smoothing_; }
    bool PenReady(const QRectF& bounds);
    bool XorPen() const;
    void XorDraw(const std::function<void(TDuvCanvas3D&)>& draw);
    void StrokeLine(const QPointF& p0, const QPointF& p1, bool floatLine, bool xor_);
    void FillShape(QPainter& painter, const QPainterPath& path, const QRectF& bounds, const QPolygonF* points);
    void StrokePath(QPainter& painter, const QPainterPath& path);
    void StrokePolyline(const QPolygonF& polygon);
    void SaveClip();
    void SetClip(const QPainterPath& path, Qt::ClipOperation operation);
    void ApplyTransform(const TDuvTransform& transform, TTransformEntry& entry);
    QBrush PlainBrush(TDuvBrush& brush, std::optional<QColor>* back);
    QBrush GradientBrushForRect(TCustomDuvGradient& gradient, QRectF rect);
    QBrush GradientBrushForPoints(TCustomDuvGradient& gradient, const QPolygonF& points);
    QBrush LinearGradientBrush(TCustomDuvGradient& gradient, const QRectF& rect);
    QBrush PathGradientBrush(TCustomDuvGradient& gradient, const QPainterPath& path, const QPointF& centre);
    QGradientStops Stops(TCustomDuvGradient& gradient, bool linear);
    QColor StopColor(TColor color, int transparency) const;
    void SoftFill(const QPainterPath& path, TColor color, double innerPosition, const std::optional<QRectF>& ellipse);
    void MakeFont();
    void ApplyTextHint();
    QFont DrawingFont() const;
    void DrawText(double x, double y, const std::string& text);
    void DrawGlyphs(QPainter& painter, double x, double y, const QString& text, TColor color, const QRectF& textRect);
    void BlurBuffer(const QRect& rect, int steps);

    bool antiAlias_ = true;
    bool smoothing_ = true;
    std::uint8_t opacity_ = 255;
    std::vector<std::uint8_t> opacityStack_;
    std::optional<QPen> gdiPen_;
    TPoint position_;
    int currentZ_ = 0;
    double textRotation_ = 0;
    std::unique_ptr<TDuvCanvas3D> inner_;
    TClipState clip_;
    std::vector<TClipState> clipHistory_;
    std::vector<TTransformEntry> transforms_;
    QFont gdiFont_;
    bool fontMade_ = false;
    std::string fontName_;
    float fontSize_ = 0;
    int fontStyle_ = 0;
    TTextRenderingHint textHint_ = trhSystemDefault;
    TColor backColor_ = clWhite;
    int backMode_ = TRANSPARENT;
    int textAlign_ = TA_LEFT;
    int characterSpacing_ = 0;
};

// A figure built by the chart on the smooth canvas, on fractional coordinates.
class TDuvGDIPlusPath : public TDuvBasePath {
public:
    // Arc angles are the library's: degrees, clockwise on the screen.
    void AddArc(float x, float y, float width, float height, float startAngle, float sweepAngle) override;
    void CloseFigure() override;
    // A cardinal curve (tension 0.5) through points 0..last; a closed one is a figure of its own.
    void AddPoints(const TPointArray& points, int last, bool closed) override;
    void Draw(TDuvCanvas& canvas) override;
    void LineTo(float x, float y) override;
    void MoveTo(float x, float y) override;
    const QPainterPath& Path() const { return path_; }
    TPointFloat CurrentPoint() const { return current_; }

private:
    void ContinueAt(const QPointF& point);
    QPainterPath path_;
    TPointFloat current_;
};

// The library's rounded rectangle: corner sizes rounded down to even, at least 1 and at most the
// rectangle's size; quarter arcs from the top right, clockwise.
QPainterPath RoundRectPath(const QRectF& rect, int cornerWidth, int cornerHeight);

// The cubic pieces of a cardinal curve through points (the library's tension: 0 straight).
void AddCardinalCurve(QPainterPath& path, const std::vector<QPointF>& points, double tension, bool closed);

// Switches one panel between the smooth canvas and the GDI canvas and carries the settings.
class TDuvGDIPlus : public TComponent {
    QB_CLASS(TDuvGDIPlus, TComponent)
public:
    explicit TDuvGDIPlus(TComponent* owner = nullptr);
    ~TDuvGDIPlus() override;
    static void DeclareProperties(TPropertyDeclarer<TDuvGDIPlus>& p);

    bool Active() const { return active_; }
    void SetActive(bool value);
    bool Antialias() const { return antialias_; }
    void SetAntialias(bool value);
    TGDIPlusFontQuality AntiAliasText() const { return antiAliasText_; }
    void SetAntiAliasText(TGDIPlusFontQuality value);
    TCustomDuvPanel* DuvPanel() const { return panel_; }
    void SetDuvPanel(TCustomDuvPanel* value);
    // The panel's canvas when it is the smooth one, else none.
    TGDIPlusCanvas* GetCanvas() const;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    void Apply();
    void PassSettings();
    // The panel draws with the GDI canvas again when it drew with the smooth one.
    void RestoreGdiCanvas(TCustomDuvPanel& panel);

    bool active_ = false;
    bool antialias_ = true;
    TGDIPlusFontQuality antiAliasText_ = gpfDefault;
    TComponentRef<TCustomDuvPanel> panel_{this};
};

// The module's start-up (streaming registration, the canvas class list) and shutdown.
void DuvGDIPlusInitialization();
void DuvGDIPlusFinalization();
