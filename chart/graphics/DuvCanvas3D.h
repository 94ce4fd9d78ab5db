#pragma once
// The canvas every chart uses unless another is chosen: QPainter, antialiasing off, drawing by
// default into an off-screen QImage (RGB32) that is shown in one step and reused while nothing
// changed. The device rules of the original drawing layer are kept: right and bottom edges are
// exclusive, lines leave out their last pixel, dash patterns are explicit, pen modes are raster
// operations, clips nest through a history of regions, gradients are painted band by band.
#include <QFont>
#include <QImage>
#include <QPen>
#include <QRegion>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "chart/graphics/Canvas3D.h"
#include "chart/graphics/CanvasHelpers.h"

class QPainter;
class QPainterPath;
class TCustomDuvGradient;

class TDuvCanvas3D : public TCanvas3D {
public:
    TDuvCanvas3D();
    ~TDuvCanvas3D() override;

    bool Monochrome = false;
    bool KeepBuffer = false;
    std::uint8_t TextQuality = 0;

    // ------------------------------------------------ own virtual operations
    // Takes the image as the buffer.
    virtual void SetBufferBitmap(std::unique_ptr<QImage> bitmap);
    virtual void FreeBufferBitmap();
    // Copies the whole buffer to the destination at x, y (only for a panel that has a window).
    virtual void BlitBuffer(int x, int y, QPainter* destination);
    virtual void Polyline3D(const std::vector<TPoint3D>& points);

    QImage* BufferBitmap() const { return buffer_.get(); }
    bool Dirty() const { return dirty_; }
    // Drawing between paints goes into the buffer of the last paint, so it is only allowed
    // while that buffer is current: false when there is none, it is stale, or a paint runs.
    bool BeginDirectDraw();
    void EndDirectDraw();
    // Answers whether the panel owning the 3D options sits on a window; BlitBuffer copies only then.
    std::function<bool()> HasParentWindow;

    // ------------------------------------------------ device state
    void SetCanvas(QPainter* device) override;
    void ApplyBrush(TDuvBrush& brush) override;
    void ApplyFont() override;
    void ApplyPen() override;
    void FastLineTo(int x, int y) override;
    TColor GetBackColor() override { return backColor_; }
    int GetBackMode() override { return backMode_; }
    QPainter* GetHandle() override { return ReferenceCanvas(); }
    bool PrefersGeneralFill() override { return false; }
    bool GetMonochrome() override { return Monochrome; }
    TColor GetPixel(int x, int y) override;
    bool SupportsFullRotation() override { return false; }
    bool CanDrawDirect() override { return true; }
    int GetTextAlign() override { return textAlign_; }
    bool GetBufferedDisplay() override { return bufferedDisplay_; }
    void SetBackColor(TColor color) override;
    void SetBackMode(int mode) override;
    void SetFastLineMode(bool on) override;
    void SetCharacterSpacing(int extra) override;
    void SetMonochrome(bool on) override;
    void ApplyPenMode(TDuvPen& pen) override;
    void SetPixel(int x, int y, TColor color) override;
    void SetTextAlign(int flags) override { textAlign_ = flags; }
    void SetBufferedDisplay(bool on) override;

    // ------------------------------------------------ 2D primitives
    void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) override;
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
    void ClipToRect(const TRect& rect) override;
    void ClipToRoundRect(const TRect& rect, int cornerWidth, int cornerHeight) override;
    void ClipToEllipse(const TRect& rect, bool exclusiveOr) override;
    void ClipToPolygon(const TPointArray& points, int count, bool exclude) override;
    std::unique_ptr<TDuvBasePath> CreatePath() override;
    void DrawCheckBox(int x, int y, bool checkBox, TColor color, bool marked) override;
    void EraseBackground(const TRect& rect) override { FillRect(rect); }
    void GradientFill(const TRect& rect, TColor startColor, TColor endColor, TGradientDirection direction, int balance,
                      int radialX, int radialY) override;
    void Invalidate() override { dirty_ = true; }
    void Polyline(const TPointArray& points) override;
    void PolylineFloat(const TPointFloatArray& points) override;
    void Polygon(const TPointArray& points) override;
    void PolygonFloat(const TPointFloatArray& points) override;
    void RotateLabel(int x, int y, const std::string& text, double angle, bool flag) override;
    void Unclip() override;
    TSize TextExtent(const std::string& text) override;
    QImage* DrawingImage() override;
    bool PointVisible(int x, int y) override;
    std::unique_ptr<TDuvCanvas> CreateImageCanvas(QImage& image) override;

    // ------------------------------------------------ 3D
    bool UseDCBrush() override { return false; }
    TColor GetPixel3D(int x, int y, int z) override;
    bool ProjectsText() override { return false; }
    void SetPixel3D(int x, int y, int z, TColor color) override;
    void DrawShadow(TDuvShadow& shadow, const TRect& rect, bool ellipse, int cornerSize, const TPointArray& points,
                    int high, double holePercent, double startAngle, double endAngle) override;
    std::string GetDescription() override { return "GDI"; }
    TRect InitWindow(QPainter* destination, TView3DOptions* options, TColor background, bool is3D,
                     const TRect& rect) override;
    void ShowBuffer(QPainter* destination, QPainter* panelCanvas, const TRect& rect) override;
    bool ReuseBuffer() override;
    bool CopyBufferTo(QImage& graphic, const TRect& rect) override;
    void Arrow3D(bool filled, const TPoint& from, const TPoint& to, int headWidth, int headHeight, int z0, int z1,
                 double bodyPercent) override;
    void ClipCube(const TRect& rect, int z0, int z1) override;
    void Cone(bool vertical, int left, int top, int right, int bottom, int z0, int z1, bool darkSides,
              int conePercent) override;
    void Cube(int left, int right, int top, int bottom, int z0, int z1, bool darkSides, int roundSize) override;
    void Cylinder(bool vertical, int left, int top, int right, int bottom, int z0, int z1, bool darkSides) override;
    void EllipseWithZ(int x1, int y1, int x2, int y2, int z) override;
    void Pie3D(const TPie3DSlice& slice) override;
    void PlaneWithZ(const TPoint& p1, const TPoint& p2, int z0, int z1) override;
    void PlaneFour3D(const TPoint& p1, const TPoint& p2, const TPoint& p3, const TPoint& p4, int z) override;
    void PlaneFromPoints(const TPoint& p1, const TPoint& p2, const TPoint& p3, const TPoint& p4, int z0,
                         int z1) override;
    void Polygon3D(const std::vector<TPoint3D>& points) override;
    void Pyramid(bool vertical, int left, int top, int right, int bottom, int z0, int z1, bool darkSides) override;
    void RectangleAtZ(const TRect& rect, int z) override;
    void PlaneAtY(int x0, int y, int x1, int z0, int z1) override;
    void PlaneAtX(int x, int y0, int y1, int z0, int z1) override;
    void RotateLabel3D(int x, int y, int z, const std::string& text, double angle, bool flag) override;
    void Sphere(int x, int y, int z, double radius) override;
    void TextOut3D(int x, int y, int z, const std::string& text, bool markup) override;
    void Triangle3D(const TPoint3D points[3], const TColor colors[3]) override;
    void TriangleWithZ(const TPoint& p0, const TPoint& p1, const TPoint& p2, int z) override;

    // ------------------------------------------------ plain operations
    // The buffer's pixels under rect with the graphic drawn over them (32 bits per pixel).
    QImage CopyUnderGraphic(const QImage& graphic, const TRect& rect);
    QImage CopyUnderGraphicAt(const QImage& graphic, int x, int y);
    // Paints a brush gradient over rect (rotated, radial, with a middle colour or plain).
    void FillGradient(TCustomDuvGradient& gradient, const TRect& rect);
    // The rectangle a text at x, y covers under the current alignment.
    TRect TextBounds(int x, int y, const std::string& text);
    // Fills the path with the brush and strokes it with the pen.
    void DrawPath(const QPainterPath& path, bool fill, bool stroke);
    // A chart figure: the brush's picture (stretched over the figure's bounds) or gradient fills
    // it inside its outline, else the brush unless clear; the pen outlines it only when visible.
    void FillAndStrokePath(const QPainterPath& path);
    // Intersects (or combines) the clip with a region; the clip in force is kept in the history.
    void SetCanvasRegion(const QRegion& region, int mode);
    // Clip regions saved by nested clips of this canvas, oldest first.
    const std::vector<QRegion>& ClipHistory() const { return clipHistory_; }
    // The clip in force, none when drawing is not clipped.
    const std::optional<QRegion>& CurrentClip() const { return clip_; }

    enum { RGN_AND = 1, RGN_XOR = 3, RGN_DIFF = 4 };

protected:
    TDuvBlend* CreateBlend(const TRect& rect) override;

private:
    QPainter& Device();
    QPointF ThinLineEnd(const TPoint& from, const TPoint& to) const;
    void StretchVisiblePart(const QRect& target, const QImage& graphic);
    void AttachBuffer();
    void ApplyClip();
    void ApplyCompositionMode();
    // The brush picture or gradient painted over bounds, inside clip; the device brush is then
    // cleared so that the primitive draws the outline only. True when something was painted.
    bool FillSpecial(const TRect& bounds, const std::function<void()>& clip, bool pictureToo);
    void RestoreDeviceBrush();
    void StrokeAndFill(const std::function<void(QPainter&)>& draw);
    QFont DeviceFont(double angle) const;
    void DrawTextWithEffects(int x, int y, const std::string& text, double angle);
    void DrawTextEffect(TDuvShadow& effect, int sign, int& x, int& y, const std::string& text, double angle);
    void DrawPlainText(int x, int y, const QString& text, double angle, TColor color);
    QPainterPath TextPath(int x, int y, const QString& text, double angle) const;
    void GradientBands(const TRect& r, bool vertical, const std::function<TColor(int, int)>& color);
    void GradientFromCenter(const TRect& r, const std::function<TColor(int, int)>& color);
    void GradientFromCorner(const TRect& r, bool fromBottom, const std::function<TColor(int, int)>& color);
    void GradientDiagonal(TRect r, bool down, const std::function<TColor(int, int)>& color);
    void BandFill(int left, int top, int width, int height, TColor color);

    std::unique_ptr<QImage> buffer_;
    std::unique_ptr<QPainter> bufferPainter_;
    bool bufferedDisplay_ = true;
    bool dirty_ = true;
    TColor backColor_ = clWhite;
    int backMode_ = OPAQUE;
    int textAlign_ = TA_LEFT;
    int characterSpacing_ = 0;
    bool fastLine_ = false;
    TPoint position_;
    QPen devicePen_{Qt::black, 0};
    QBrush deviceBrush_{Qt::white};
    QFont deviceFont_;
    int compositionMode_ = 0;
    std::optional<QRegion> clip_;
    std::vector<QRegion> clipHistory_;
};

// The canvas classes a panel may draw with, looked up by exact class name.
struct TCanvasClass {
    std::string ClassName;
    std::function<std::unique_ptr<TCanvas3D>()> Create;
};
extern std::vector<TCanvasClass>* CanvasClassList;
// The first entry whose name equals name (case-sensitive), else the GDI canvas's entry.
const TCanvasClass& FindCanvasClass(const std::string& name);
void RegisterCanvasClass(const TCanvasClass& canvasClass);
void UnregisterCanvasClass(const std::string& className);

// The canvas classes' part of the canvas module's start-up and shutdown.
void DuvCanvas3DInitialization();
void DuvCanvas3DFinalization();
