#pragma once
// The 3D canvas: projection of chart points (X right, Y down, Z into the depth) onto the
// screen, the view settings of a panel, and 3D primitives. The projection arithmetic here is
// the one of the software canvases (the GDI canvas and the canvases derived from it); a canvas
// that projects by itself overrides the projection slots.
#include <functional>
#include <string>

#include "chart/graphics/ChartEditable.h"
#include "chart/graphics/DuvCanvas.h"

QB_ENUM(TCanvasZoomText, ztManual, ztNo, ztAuto)
QB_ENUM(TEdgeStyle, edFlat, edCurved, edNone)
enum TCanvas3DPlane { cpX, cpY, cpZ };

// The 3D view settings of a chart panel.
class TView3DOptions : public TPersistent {
    QB_CLASS(TView3DOptions, TPersistent)
public:
    // repaint invalidates the owner panel.
    explicit TView3DOptions(TPersistent* parent = nullptr, TChangeHandler repaint = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TView3DOptions>& p);

    int Elevation() const;
    void SetElevation(double value);
    double ElevationValue() const { return elevation_; }
    int FontZoom() const { return fontZoom_; }
    void SetFontZoom(int value);
    int HorizOffset() const;
    void SetHorizOffset(double value);
    int OrthoAngle() const { return orthoAngle_; }
    void SetOrthoAngle(int value);
    bool Orthogonal() const { return orthogonal_; }
    void SetOrthogonal(bool value);
    int Perspective() const { return perspective_; }
    void SetPerspective(int value);
    int Rotation() const;
    void SetRotation(double value);
    double RotationValue() const { return rotation_; }
    int Tilt() const;
    void SetTilt(double value);
    double TiltValue() const { return tilt_; }
    int VertOffset() const;
    void SetVertOffset(double value);
    int Zoom() const;
    void SetZoom(double value);
    double ZoomValue() const { return zoom_; }
    TCanvasZoomText ZoomText() const { return zoomText_; }
    void SetZoomText(TCanvasZoomText value);

    // Copies every setting from other options, without events or repaint.
    void Assign(const TPersistent* source) override;
    TPersistent* GetOwner() const override { return parent_; }
    // Seen from behind: rotated view with the rotation between 91 and 269.
    bool ViewFromBack() const;
    // The depth slope of the orthogonal view; 1 when not orthogonal.
    double OrthoTangent() const;
    void Repaint();

    std::function<void(bool horizontal)> OnScrolled;
    std::function<void(int zoom)> OnChangedZoom;

private:
    template <class V>
    void Store(V& field, V value);

    double elevation_ = 345;
    int fontZoom_ = 100;
    double horizOffset_ = 0;
    bool orthogonal_ = true;
    int orthoAngle_ = 45;
    int perspective_ = 15;
    double rotation_ = 345;
    double tilt_ = 0;
    double vertOffset_ = 0;
    double zoom_ = 100;
    TCanvasZoomText zoomText_ = ztManual;
    TPersistent* parent_;
    TChangeHandler repaint_;
};

// A drawing transform a chart part hands to PushTransform; applied only by canvases that
// support transforms. The second components are the depth axis.
struct TDuvTransform {
    bool Enabled = false;
    float TranslateX = 0, TranslateY = 0, TranslateZ = 0;
    float PivotX = 0, PivotY = 0;
    float Rotation = 0;
    float ScaleX = 1, ScaleY = 1, ScaleZ = 1;
    bool Clip = false;
    TRect ClipRect;
};

// Translation to the box centre and scale to its size (x, depth, height counted up from height).
void SetBoxTransform(TDuvTransform& transform, const TRect& rect, float height, float z0, float z1);

// One 3D pie slice (angles in radians).
struct TPie3DSlice {
    int XCenter = 0, YCenter = 0, XRadius = 0, YRadius = 0;
    int StartZ = 0, EndZ = 0;
    double StartAngle = 0, EndAngle = 0;
    bool DarkSides = false, DrawSides = true, HideSides = false;
    double DonutPercent = 0;
    TDuvGradient* Gradient = nullptr;
    int BevelPercent = 0, BevelBrightness = 0;
    bool BevelBorder = false;
    TEdgeStyle EdgeStyle = edNone;
    int Transparency = 0;
};

// Asked by Triangles for triangle index (1-based): three points with depth and three colours.
using TTriangleCallback = std::function<void(int index, TPoint3D points[3], TColor colors[3])>;

constexpr int CircleSteps = 180;

class TCanvas3D : public TDuvCanvas, public IChartEditable {
public:
    TCanvas3D() = default;

    int NoRotationCount = 0;
    TView3DOptions* View3DOptions = nullptr;  // not owned
    bool IsOrthogonal = false;
    int XCenter = 0;
    int YCenter = 0;
    int ZCenter = 0;
    // The four screen corners of the face DrawPlaneBuffer draws.
    TPoint PlanePoints[4];
    // Sides of cylinders and cones, and points of ellipses in rotated views; a caller may
    // change them around its own drawing and restores them.
    int CylinderSides = 32;
    int EllipsePointCount = CircleSteps;

    // ------------------------------------------------ virtual operations
    // The face of PlanePoints (a polygon unless the canvas draws faces its own way).
    virtual void DrawPlaneBuffer();
    virtual TDuvTransform* PushTransform(const std::string& name, TDuvTransform* transform, void* visual);
    virtual void PopTransform();
    virtual void ShadeSliceEdges(TEdgeStyle style, int depth, const TPie3DSlice& slice);
    virtual bool UseDCBrush();
    virtual TColor GetPixel3D(int x, int y, int z) = 0;
    virtual bool ProjectsText() = 0;
    virtual void SetPixel3D(int x, int y, int z, TColor color) = 0;
    // Shadow of points 0..high, or of an ellipse or pie of rect, or of a (rounded) rectangle.
    virtual void DrawShadow(class TDuvShadow& shadow, const TRect& rect, bool ellipse, int cornerSize,
                            const TPointArray& points, int high, double holePercent, double startAngle,
                            double endAngle);
    virtual std::string GetDescription();
    // Screen point back to the chart plane at depth z.
    virtual void Unproject(int& x, int& y, int z);
    virtual void Project(int x, int y, int z, TPoint& point);
    virtual void ProjectFloat(TPointFloat& point, float z);
    // Starts a paint on the device: the rectangle to draw in.
    virtual TRect InitWindow(QPainter* destination, TView3DOptions* options, TColor background, bool is3D,
                             const TRect& rect) = 0;
    virtual bool IsSupported();
    virtual void AssignSettings(TCanvas3D& other);
    // Centres, offsets, zoom and perspective for the chart rectangle.
    virtual void SetProjection(int depth, const TRect& bounds, const TRect& chartRect);
    virtual void ShowBuffer(QPainter* destination, QPainter* panelCanvas, const TRect& rect) = 0;
    virtual bool ReuseBuffer() = 0;
    virtual bool CopyBufferTo(QImage& graphic, const TRect& rect);
    virtual void Arrow3D(bool filled, const TPoint& from, const TPoint& to, int headWidth, int headHeight, int z0,
                         int z1, double bodyPercent) = 0;
    virtual void ClipCube(const TRect& rect, int z0, int z1) = 0;
    virtual void Cone(bool vertical, int left, int top, int right, int bottom, int z0, int z1, bool darkSides,
                      int conePercent) = 0;
    virtual void Cube(int left, int right, int top, int bottom, int z0, int z1, bool darkSides, int roundSize) = 0;
    virtual void CubeVariant(int left, int right, int top, int bottom, int z0, int z1, bool darkSides,
                             int roundSize, int extra);
    virtual void Cylinder(bool vertical, int left, int top, int right, int bottom, int z0, int z1,
                          bool darkSides) = 0;
    virtual void Rhombus(int left, int top, int right, int bottom, int z0, int z1);
    virtual void SwitchRotationOff();
    virtual void EllipseWithZ(int x1, int y1, int x2, int y2, int z) = 0;
    virtual void SwitchRotationOn();
    virtual void HorizLine3D(int x0, int x1, int y, int z);
    virtual void RoundRectWithZ(const TRect& rect, int cornerWidth, int cornerHeight, int z);
    virtual void VertLine3D(int x, int y0, int y1, int z);
    virtual void ZLine3D(int x, int y, int z0, int z1);
    virtual void BeginNoRotation();
    virtual void EndNoRotation();
    virtual void LineWithZ(int x0, int y0, int x1, int y1, int z);
    virtual void MoveTo3D(int x, int y, int z);
    virtual void MoveTo3DFloat(float x, float y, float z);
    virtual void LineTo3D(int x, int y, int z);
    virtual void LineTo3DFloat(float x, float y, float z);
    virtual void Pie3D(const TPie3DSlice& slice) = 0;
    virtual void PlaneWithZ(const TPoint& p1, const TPoint& p2, int z0, int z1) = 0;
    virtual void PlaneFour3D(const TPoint& p1, const TPoint& p2, const TPoint& p3, const TPoint& p4, int z) = 0;
    virtual void PlaneFromPoints(const TPoint& p1, const TPoint& p2, const TPoint& p3, const TPoint& p4, int z0,
                                 int z1) = 0;
    virtual void Polygon3D(const std::vector<TPoint3D>& points) = 0;
    virtual void Polygon3DFloat(const std::vector<TPoint3DFloat>& points, bool flag);
    virtual void Polygon3DVariant(const std::vector<TPoint3D>& points, bool flag);
    virtual void PolygonWithZ(const TPointArray& points, int z);
    virtual void PolygonWithZVariant(const TPointArray& points, int z, bool extra);
    virtual void PolylineWithZ(const TPointArray& points, int z);
    virtual void Pyramid(bool vertical, int left, int top, int right, int bottom, int z0, int z1,
                         bool darkSides) = 0;
    virtual void RectangleAtZ(const TRect& rect, int z) = 0;
    virtual void PlaneAtY(int x0, int y, int x1, int z0, int z1) = 0;
    virtual void PlaneAtX(int x, int y0, int y1, int z0, int z1) = 0;
    virtual void RotateLabel3D(int x, int y, int z, const std::string& text, double angle, bool flag) = 0;
    virtual void RectangleWithZRounded(const TRect& rect, int z, int extra);
    virtual void Sphere(int x, int y, int z, double radius) = 0;
    // Each pixel of the graphic as a projected cell on a plane at position.
    virtual void DrawImage3D(const TRect& rect, const QImage& graphic, TCanvas3DPlane plane, double position);
    virtual void TextOut3D(int x, int y, int z, const std::string& text, bool markup) = 0;
    virtual void Triangle3D(const TPoint3D points[3], const TColor colors[3]) = 0;
    virtual void TriangleWithZ(const TPoint& p0, const TPoint& p1, const TPoint& p2, int z) = 0;
    virtual void Triangles(int count, const TTriangleCallback& callback, int transparency, TDuvBlend* blend);

    // ------------------------------------------------ convenience forms
    void ArcWithZ(const TRect& box, const TPoint& p1, const TPoint& p2, int z);
    void ArrowAtZ(bool filled, const TPoint& from, const TPoint& to, int headWidth, int headHeight, int z);
    void AssignFontZoomed(TDuvFont& font);
    void CubeOutline(const TRect& rect, int z0, int z1, TPointArray& points);
    void ProjectPoints(const TPointArray& points, int high, int z, TPointArray& result);
    void ProjectRect(const TRect& rect, int z, TRect& result);
    void ProjectPointAt(const TPoint& point, int z, TPoint& result) { Project(point.X, point.Y, z, result); }
    void ProjectPoint3D(const TPoint3D& point, TPoint& result) { Project(point.X, point.Y, point.Z, result); }
    // Top-left, top-right, bottom-right, bottom-left.
    void ProjectRectCorners(const TRect& rect, int z, TPoint corners[4]);
    // Bounds of the four projected corners, right and bottom exclusive.
    void ProjectedBounds(const TRect& rect, int z, TRect& result);
    void ProjectTriangle(const TPoint3D points[3], TPoint result[3]);
    void ProjectFloatPoints(const TPointFloatArray& points, int high, float z, TPointFloatArray& result);
    void CubeRect(const TRect& rect, int z0, int z1, bool darkSides) { Cube(rect.Left, rect.Right, rect.Top, rect.Bottom, z0, z1, darkSides, 0); }
    void RhombusRect(const TRect& rect, int z0, int z1) { Rhombus(rect.Left, rect.Top, rect.Right, rect.Bottom, z0, z1); }
    void EllipseWithZRect(const TRect& rect, int z) { EllipseWithZ(rect.Left, rect.Top, rect.Right, rect.Bottom, z); }
    void RectangleWithZ(const TRect& rect, int z) { RectangleAtZ(rect, z); }
    void RectangleWithZCoords(int left, int top, int right, int bottom, int z) { RectangleAtZ({left, top, right, bottom}, z); }
    void LineWithZPoints(const TPoint& p0, const TPoint& p1, int z) { LineWithZ(p0.X, p0.Y, p1.X, p1.Y, z); }
    void MoveTo3DPoint(const TPoint3D& p) { MoveTo3D(p.X, p.Y, p.Z); }
    void LineTo3DPoint(const TPoint3D& p) { LineTo3D(p.X, p.Y, p.Z); }
    void PlaneFourPoints(const TPoint points[4], int z) { PlaneFour3D(points[0], points[1], points[2], points[3], z); }
    void TextOut3DPlain(int x, int y, int z, const std::string& text) { TextOut3D(x, y, z, text, false); }
    void PolygonWithZFloat(const TPointFloatArray& points, int high, float z);
    void PolylineWithZFloat(const TPointFloatArray& points, int high, float z);
    // The point of the rect's ellipse at angle degrees (counterclockwise, y up unless downwards),
    // projected when z is not 0.
    TPointFloat PointOnEllipse(const TRect& rect, int z, double angle, bool downwards);
    // The 7 outline points of an arrow projected at depth z.
    void CalcArrowPoints3D(const TPoint& from, const TPoint& to, TPointArray& points, int z, int headLength,
                           int headWidth, double bodyPercent);
    // In-place integer projection that every 3D primitive of the software canvases uses.
    void ProjectXYZ(int& x, int& y, int z);
    bool Is3D() const { return is3D_; }
    // The projection set up anew between paints, after the 3D options changed.
    void RecomputeProjection(TView3DOptions* options, bool is3D, int depth, const TRect& bounds,
                             const TRect& chartRect)
    {
        SetUpProjection(options, is3D);
        SetProjection(depth, bounds, chartRect);
    }

protected:
    // The projection set-up at the start of a paint (orthogonal slopes, rotation terms).
    void SetUpProjection(TView3DOptions* options, bool is3D);
    void CalcRotationTrig();
    void CalcPerspective(const TRect& chartRect);

private:
    bool is3D_ = false;
    bool rotationSaved_ = false;
    double S_ = 1;
    int OX_ = 0, OY_ = 0;
    double DX_ = 1, DY_ = 1;
    long double SE_ = 0, CE_ = 1, SR_ = 0, CR_ = 1, ST_ = 0, CT_ = 1;
    bool tilted_ = false;
    bool hasPerspective_ = false;
    double PF_ = 0;
    // Screen = M * (x, y) + z * C (before zoom and offsets), for Unproject.
    double m11_ = 1, m12_ = 0, m21_ = 0, m22_ = 1, c1_ = 0, c2_ = 0;
};

// Reduces points to their convex hull in place (3 points stay as they are; fewer give False).
bool ConvexHull(TPointArray& points);
// The screen triangle turns the back way.
bool IsBackFace(const TPoint& p0, const TPoint& p1, const TPoint& p2);
bool IsBackFaceTriangle(const TPoint points[3]);
bool IsBackFaceFloat(const TPointFloat& p0, const TPointFloat& p1, const TPointFloat& p2);
// The ellipse in the box as points (180 unless given), the last on the first.
TPointFloatArray EllipsePoints(int x1, int y1, int x2, int y2, int count = CircleSteps);
