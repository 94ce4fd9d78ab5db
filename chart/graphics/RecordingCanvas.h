#pragma once
// A canvas that draws nothing and records every drawing call with the pen and brush in force,
// so tests of the chart layers can check what a chart draws and in which order. Projection is
// the software canvases' one; text is measured with fixed character metrics.
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "chart/graphics/Canvas3D.h"

struct TRecordedCall {
    std::string Name;
    std::string Args;  // "a,b,c"; texts in double quotes
    TColor PenColor = clBlack;
    bool PenVisible = true;
    TColor BrushColor = clWhite;
    TBrushStyle BrushStyle = bsSolid;
    int Transparency = 0;
    std::string Text() const { return Name + "(" + Args + ")"; }
};

class TRecordingCanvas : public TCanvas3D {
public:
    TRecordingCanvas();

    std::vector<TRecordedCall> Calls;
    // Text metrics: every character CharWidth wide, every line LineHeight high.
    int CharWidth = 7;
    int LineHeight = 13;

    // "Name(args)" of every call in order; only the calls with this name when one is given.
    std::vector<std::string> Texts(const std::string& name = {}) const;
    void Clear() { Calls.clear(); }
    int ClipDepth() const { return clipDepth_; }

    TColor GetBackColor() override { return backColor_; }
    int GetBackMode() override { return backMode_; }
    QPainter* GetHandle() override { return nullptr; }
    bool PrefersGeneralFill() override { return false; }
    bool GetMonochrome() override { return monochrome_; }
    TColor GetPixel(int x, int y) override;
    bool SupportsFullRotation() override { return false; }
    bool CanDrawDirect() override { return true; }
    int GetTextAlign() override { return textAlign_; }
    bool GetBufferedDisplay() override { return buffered_; }
    void SetBackColor(TColor color) override { backColor_ = color; }
    void SetBackMode(int mode) override { backMode_ = mode; }
    void SetFastLineMode(bool) override {}
    void SetCharacterSpacing(int extra) override { characterSpacing_ = extra; }
    void SetMonochrome(bool on) override { monochrome_ = on; }
    void SetPixel(int x, int y, TColor color) override;
    void SetTextAlign(int flags) override { textAlign_ = flags; }
    void SetBufferedDisplay(bool on) override { buffered_ = on; }
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
    void EraseBackground(const TRect& rect) override;
    void GradientFill(const TRect& rect, TColor startColor, TColor endColor, TGradientDirection direction, int balance,
                      int radialX, int radialY) override;
    void Invalidate() override;
    void Polyline(const TPointArray& points) override;
    void PolylineFloat(const TPointFloatArray& points) override;
    void Polygon(const TPointArray& points) override;
    void PolygonFloat(const TPointFloatArray& points) override;
    void RotateLabel(int x, int y, const std::string& text, double angle, bool flag) override;
    void Unclip() override;
    TSize TextExtent(const std::string& text) override;
    // Recorded here; the canvas handed out is another recording canvas, so the image stays blank.
    std::unique_ptr<TDuvCanvas> CreateImageCanvas(QImage& image) override;

    TColor GetPixel3D(int x, int y, int z) override;
    bool ProjectsText() override { return false; }
    void SetPixel3D(int x, int y, int z, TColor color) override;
    std::string GetDescription() override { return "Recording"; }
    TRect InitWindow(QPainter* destination, TView3DOptions* options, TColor background, bool is3D,
                     const TRect& rect) override;
    void ShowBuffer(QPainter* destination, QPainter* panelCanvas, const TRect& rect) override;
    bool ReuseBuffer() override { return false; }
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
    TDuvTransform* PushTransform(const std::string& name, TDuvTransform* transform, void* visual) override;
    void PopTransform() override;

    // Records a call with the pen and brush in force (paths record through it too).
    void Record(const std::string& name, const std::string& args);

private:
    TColor backColor_ = clWhite;
    int backMode_ = OPAQUE;
    int textAlign_ = TA_LEFT;
    int characterSpacing_ = 0;
    bool monochrome_ = false;
    bool buffered_ = true;
    int clipDepth_ = 0;
    std::map<std::pair<int, int>, TColor> pixels_;
};
