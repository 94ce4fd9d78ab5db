#pragma once
// The drawing surface of every chart. Chart code sets a pen, a brush and a font on a canvas
// and calls its operations; a concrete canvas (the GDI canvas on QPainter, the recording canvas
// of the tests) realises them. The base keeps the state every canvas shares and the operations
// that can be expressed through the others: text measurement with shadows, frames, arrows,
// arcs by angles and the transparency stack.
#include <QImage>
#include <memory>
#include <string>
#include <vector>

#include "chart/graphics/DuvBrush.h"
#include "chart/graphics/DuvFont.h"
#include "chart/graphics/DuvPen.h"
#include "chart/graphics/DuvTypes.h"

class QPainter;
class TDuvCanvas;
class TDuvCorners;
class TDuvBasePath;
class TDuvGradient;

QB_ENUM(TGradientDirection, gdTopBottom, gdBottomTop, gdLeftRight, gdRightLeft, gdFromCenter, gdFromTopLeft,
        gdFromBottomLeft, gdRadial, gdDiagonalUp, gdDiagonalDown)

// The background saved under a rectangle while transparent drawing goes on over it.
// The base keeps the rectangle only; bitmap-backed canvases capture and mix pixels.
class TDuvBlend {
public:
    TDuvBlend(TDuvCanvas& canvas, const TRect& rect);
    virtual ~TDuvBlend() = default;
    // Clips the rectangle to the canvas and saves the background under it.
    virtual void SetRectangle(const TRect& rect);
    // Mixes the saved background back over what was drawn since, by the percentage.
    virtual void BlendOnto(int transparency);
    const TRect& Rectangle() const { return rect_; }
    TDuvCanvas& Canvas() const { return canvas_; }

private:
    TDuvCanvas& canvas_;
    TRect rect_;
};

class TDuvCanvas {
public:
    TDuvCanvas();
    virtual ~TDuvCanvas();
    TDuvCanvas(const TDuvCanvas&) = delete;
    TDuvCanvas& operator=(const TDuvCanvas&) = delete;

    // ------------------------------------------------ state
    TDuvPen& Pen() { return *pen_; }
    TDuvBrush& Brush() { return *brush_; }
    TDuvFont& Font() { return *font_; }
    QPainter* ReferenceCanvas() const { return referenceCanvas_; }

    TCanvasStretchQuality StretchQuality = sqHigh;
    bool Metafiling = false;
    TRect Bounds;                  // the rectangle last handed to InitWindow
    double FontZoom = 100;         // percent, from the 3D options
    bool NativeBlending = false;   // the canvas blends by itself: callers pass empty rectangles
    bool NoTransformSupport = true;
    bool FontZoomActive = true;    // the 3D options zoom text
    bool RotateAroundPoint = false;
    TPoint RotationPoint;
    int Transparency = 0;          // combined percentage of the blendings under way

    // ------------------------------------------------ virtual operations
    // Attaches the device drawn on (none detaches).
    virtual void SetCanvas(QPainter* device);
    // Realise the canvas pen, a brush, and the canvas font on the device.
    virtual void ApplyBrush(TDuvBrush& brush);
    virtual void ApplyFont();
    virtual void ApplyPen();
    virtual void FastLineTo(int x, int y);
    virtual TColor GetBackColor() = 0;
    virtual int GetBackMode() = 0;
    virtual QPainter* GetHandle() = 0;
    virtual bool PrefersGeneralFill() = 0;
    virtual bool GetMonochrome() = 0;
    virtual TColor GetPixel(int x, int y) = 0;
    virtual bool SupportsFullRotation() = 0;
    virtual bool CanDrawDirect() = 0;
    virtual int GetTextAlign() = 0;
    virtual bool GetBufferedDisplay() = 0;
    virtual void SetSmoothing(bool on);
    virtual void SetBackColor(TColor color) = 0;
    virtual void SetBackMode(int mode) = 0;
    virtual void SetFastLineMode(bool on) = 0;
    // Extra pixels between characters of later text.
    virtual void SetCharacterSpacing(int extra) = 0;
    virtual void SetMonochrome(bool on) = 0;
    // Raster operation of wide pens that do not have round ends (device business).
    virtual void ApplyPenMode(TDuvPen& pen);
    virtual void SetPixel(int x, int y, TColor color) = 0;
    virtual void SetTextAlign(int flags) = 0;
    virtual void SetBufferedDisplay(bool on) = 0;
    virtual void ReleaseFloatPoints(TPointFloatArray& points);
    // Applies a brush painting in color with backColor behind hatches (white on monochrome).
    virtual void AssignBrushColor(TDuvBrush& brush, TColor color, TColor backColor);
    // Applies a pen in color (black on monochrome); an invisible pen leaves the pen clear.
    virtual void AssignPenColor(TDuvPen& pen, TColor color);
    // Transparent drawing until EndBlending; nested transparencies combine.
    virtual TDuvBlend* BeginBlending(const TRect& rect, int transparency);
    virtual void EndBlending(TDuvBlend* blend);
    virtual void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) = 0;
    // Counterclockwise from the smaller angle to the larger, degrees.
    virtual void ArcAngles(int left, int top, int right, int bottom, double startAngle, double endAngle);
    virtual void ArcTo(int left, int top, int right, int bottom, int xr1, int yr1, int xr2, int yr2,
                       bool clockwise) = 0;
    virtual void DonutSlice(int xCenter, int yCenter, int xRadius, int yRadius, double startAngle,
                            double endAngle, double holePercent) = 0;
    virtual void DrawGraphic(int x, int y, const QImage& graphic) = 0;
    virtual void Ellipse(int x1, int y1, int x2, int y2) = 0;
    virtual void FillRect(const TRect& rect) = 0;
    // A raised frame, width times; rect becomes the inner rectangle.
    virtual void Frame3D(TRect& rect, TColor topColor, TColor bottomColor, int width);
    virtual void LineTo(int x, int y) = 0;
    virtual void LineToFloat(const TPointFloat& point);
    virtual void MoveTo(int x, int y) = 0;
    virtual void MoveToFloat(const TPointFloat& point);
    virtual void PieAngles(const TRect& rect, double startAngle, double endAngle) = 0;
    virtual void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) = 0;
    virtual void Rectangle(int left, int top, int right, int bottom) = 0;
    virtual void RoundRect(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight) = 0;
    virtual void StretchDraw(const TRect& rect, const QImage& graphic) = 0;
    virtual void TextOut(int x, int y, const std::string& text) = 0;
    // Text size in the current font, shadow and emboss of the font included.
    virtual int TextHeight(const std::string& text);
    virtual void TextSizeFloat(const std::string& text, TPointFloat& size);
    virtual int TextWidth(const std::string& text);
    virtual void ClipToRect(const TRect& rect) = 0;
    virtual void ClipToRoundRect(const TRect& rect, int cornerWidth, int cornerHeight) = 0;
    virtual void ClipToEllipse(const TRect& rect, bool exclusiveOr) = 0;
    virtual void ClipToPolygon(const TPointArray& points, int count, bool exclude) = 0;
    // A new path bound to this canvas; the caller frees it.
    virtual std::unique_ptr<TDuvBasePath> CreatePath() = 0;
    virtual void PolygonOrPolyline(const TPointArray& points, bool filled, int z, double tension);
    virtual void HorizLine(int x0, int x1, int y);
    virtual void VertLine(int x, int y0, int y1);
    // A 13 x 13 check box (checkBox) or radio button, ticked when marked.
    virtual void DrawCheckBox(int x, int y, bool checkBox, TColor color, bool marked) = 0;
    virtual void EraseBackground(const TRect& rect) = 0;
    virtual void GradientFill(const TRect& rect, TColor startColor, TColor endColor, TGradientDirection direction,
                              int balance, int radialX, int radialY) = 0;
    virtual void Invalidate() = 0;
    virtual void Line(int x0, int y0, int x1, int y1);
    virtual void Polyline(const TPointArray& points) = 0;
    virtual void PolylineFloat(const TPointFloatArray& points) = 0;
    virtual void Polygon(const TPointArray& points) = 0;
    virtual void PolygonArray(const TPointArray& points);
    virtual void PolygonFloat(const TPointFloatArray& points) = 0;
    // Text turned counterclockwise by the angle in degrees.
    virtual void RotateLabel(int x, int y, const std::string& text, double angle, bool flag) = 0;
    // Restores the clipping in force before the last clip call.
    virtual void Unclip() = 0;

    // ------------------------------------------------ pixels for the effects done after the fact
    // Blending, smooth shadows and turned gradients work on pixels through these three, so they
    // need to know no canvas class.
    // The picture the drawing lands in when its pixels can be read and changed in place (an
    // off-screen buffer, or the image under the device); none else.
    virtual QImage* DrawingImage();
    // The point lies inside the clipping in force (everywhere when nothing is clipped).
    virtual bool PointVisible(int x, int y);
    // A canvas of this kind drawing straight onto the image (no buffer, the whole image its
    // window), for a picture painted apart and then drawn here; none when this kind cannot.
    virtual std::unique_ptr<TDuvCanvas> CreateImageCanvas(QImage& image);

    // ------------------------------------------------ plain operations
    int FontHeight();
    TDuvGradient* GetBrushGradient();
    bool UsesGradient() const;
    void ResetState();
    // The brush painting in its back colour with its colour behind hatches.
    void AssignBrush(TDuvBrush& brush);
    void AssignBrushBack(TDuvBrush& brush, TColor color);
    void AssignPen(TDuvPen& pen);
    void AssignFont(TDuvFont& font);
    void AssignFontSize(TDuvFont& font, float size);
    void RectangleRect(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
    void EllipseRect(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
    void LineToPoint(const TPoint& p) { LineTo(p.X, p.Y); }
    void MoveToPoint(const TPoint& p) { MoveTo(p.X, p.Y); }
    void LinePoints(const TPoint& p0, const TPoint& p1) { Line(p0.X, p0.Y, p1.X, p1.Y); }
    void RoundRectCorners(const TRect& rect, int cornerWidth, int cornerHeight, const TDuvCorners* corners);
    // Markup text goes through the markup drawer when one is installed.
    void TextOutFormatted(int x, int y, bool markup, const std::string& text);
    void PushTransparency();
    void PopTransparency();
    static void PointsToAngles(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4, double& startAngle,
                               double& endAngle);
    static std::uint8_t ColorAlpha(TColor color);
    static TColor ColorWithAlpha(TColor color, std::uint8_t alpha);
    void Arrow(bool filled, const TPoint& from, const TPoint& to, int headWidth, int headLength, double bodyPercent);
    void SetBrushColorDarker(TColor color, std::uint8_t amount);
    // The size of a text in the device's current font, without effects.
    virtual TSize TextExtent(const std::string& text) = 0;

protected:
    // The blend object BeginBlending hands out.
    virtual TDuvBlend* CreateBlend(const TRect& rect);
    void PenChanged(TObject* sender);
    void BrushChanged(TObject* sender);
    void FontChanged(TObject* sender);
    bool ApplyingFont = false;
    std::vector<std::uint8_t> TransparencyStack;

private:
    float ShadowWidth() const;
    float ShadowHeight() const;
    template <class F>
    void WithoutHandler(TGraphicsObject& object, void (TDuvCanvas::*handler)(TObject*), F action);

    std::unique_ptr<TDuvBrush> brush_;
    QPainter* referenceCanvas_ = nullptr;
    std::unique_ptr<TDuvFont> font_;
    std::unique_ptr<TDuvPen> pen_;
};

// The outline of a 2D arrow: 7 points, none for an arrow of no length.
void CalcArrowPoints(const TPoint& from, const TPoint& to, TPointArray& points, int headWidth, int headLength,
                     float bodyPercent);

// Markup text drawing, installed by the markup module: (canvas, x, y, text).
using TDrawHtmlText = void (*)(TDuvCanvas& canvas, int x, int y, const std::string& text);
extern TDrawHtmlText DrawHtmlTextHook;

// The canvas module's start-up (default font, digital fonts) and shutdown steps.
void DuvCanvasInitialization();
void DuvCanvasFinalization();

// ---------------------------------------------------------------- services for the editors
// (the editor controls themselves are widgets: chart/graphics/widgets/DuvControls.h)
class TClassInfo;
class TStream;

// Every class registration of the chart library calls it first. The class registry here holds
// controls and chart classes alike, so there is no group to switch.
void ActivateControlClassGroup();
// A registered class by name (without regard to case); none when unknown.
const TClassInfo* FindRegisteredClass(const std::string& className);
// Editor forms call it before they store their Tag; it does nothing.
void NoOperation();
// A 13 x 13 check box (checkBox) or radio button at (left, top), ticked when ticked is set.
// The canvas's pen and brush are left as they were.
void DrawCheckMark(TDuvCanvas& canvas, int left, int top, bool checkBox, bool ticked);
// The program's raw-data resource of that name as a read-only stream; none when there is none.
std::unique_ptr<TStream> FindResourceStream(const std::string& name);
