#include "chart/graphics/RecordingCanvas.h"

#include <cstdio>
#include <sstream>

#include "chart/graphics/DuvBasePath.h"

namespace {

std::string Arg(int v) { return std::to_string(v); }
std::string Arg(bool v) { return v ? "true" : "false"; }

std::string Arg(double v)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", v);
    return buffer;
}

std::string Arg(float v) { return Arg(static_cast<double>(v)); }
std::string Arg(const std::string& v) { return "\"" + v + "\""; }
std::string Arg(const TPoint& p) { return Arg(p.X) + ":" + Arg(p.Y); }
std::string Arg(const TPointFloat& p) { return Arg(p.X) + ":" + Arg(p.Y); }
std::string Arg(const TPoint3D& p) { return Arg(p.X) + ":" + Arg(p.Y) + ":" + Arg(p.Z); }
std::string Arg(const TRect& r) { return Arg(r.Left) + "," + Arg(r.Top) + "," + Arg(r.Right) + "," + Arg(r.Bottom); }

template <class T>
std::string Arg(const std::vector<T>& points)
{
    std::string text = "[";
    for (std::size_t i = 0; i < points.size(); ++i) text += (i ? " " : "") + Arg(points[i]);
    return text + "]";
}

template <class... A>
std::string Args(const A&... args)
{
    std::string text;
    ((text += (text.empty() ? "" : ",") + Arg(args)), ...);
    return text;
}

// A path that records its steps on the canvas that made it.
class TRecordingPath : public TDuvBasePath {
public:
    explicit TRecordingPath(TRecordingCanvas& canvas) : canvas_(canvas) {}
    void AddArc(float x, float y, float w, float h, float start, float sweep) override
    {
        canvas_.Record("Path.AddArc", Args(x, y, w, h, start, sweep));
    }
    void CloseFigure() override { canvas_.Record("Path.CloseFigure", ""); }
    void AddPoints(const TPointArray& points, int last, bool closed) override
    {
        canvas_.Record("Path.AddPoints", Args(points, last, closed));
    }
    void Draw(TDuvCanvas&) override { canvas_.Record("Path.Draw", ""); }
    void LineTo(float x, float y) override { canvas_.Record("Path.LineTo", Args(x, y)); }
    void MoveTo(float x, float y) override { canvas_.Record("Path.MoveTo", Args(x, y)); }

private:
    TRecordingCanvas& canvas_;
};

}  // namespace

TRecordingCanvas::TRecordingCanvas() { ResetState(); }

void TRecordingCanvas::Record(const std::string& name, const std::string& args)
{
    Calls.push_back({name, args, Pen().Color(), Pen().Visible() && Pen().Style() != psClear, Brush().Color(),
                     Brush().Style(), Transparency});
}

std::vector<std::string> TRecordingCanvas::Texts(const std::string& name) const
{
    std::vector<std::string> texts;
    for (const TRecordedCall& call : Calls)
        if (name.empty() || call.Name == name) texts.push_back(call.Text());
    return texts;
}

TColor TRecordingCanvas::GetPixel(int x, int y)
{
    auto found = pixels_.find({x, y});
    return found == pixels_.end() ? backColor_ : found->second;
}

void TRecordingCanvas::SetPixel(int x, int y, TColor color)
{
    pixels_[{x, y}] = color;
    Record("SetPixel", Args(x, y, color));
}

void TRecordingCanvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    Record("Arc", Args(x1, y1, x2, y2, x3, y3, x4, y4));
}

void TRecordingCanvas::ArcTo(int left, int top, int right, int bottom, int xr1, int yr1, int xr2, int yr2,
                             bool clockwise)
{
    Record("ArcTo", Args(left, top, right, bottom, xr1, yr1, xr2, yr2, clockwise));
}

void TRecordingCanvas::DonutSlice(int xCenter, int yCenter, int xRadius, int yRadius, double startAngle,
                                  double endAngle, double holePercent)
{
    Record("DonutSlice", Args(xCenter, yCenter, xRadius, yRadius, startAngle, endAngle, holePercent));
}

void TRecordingCanvas::DrawGraphic(int x, int y, const QImage& graphic)
{
    Record("DrawGraphic", Args(x, y, graphic.width(), graphic.height()));
}

void TRecordingCanvas::Ellipse(int x1, int y1, int x2, int y2) { Record("Ellipse", Args(x1, y1, x2, y2)); }
void TRecordingCanvas::FillRect(const TRect& rect) { Record("FillRect", Args(rect)); }
void TRecordingCanvas::LineTo(int x, int y) { Record("LineTo", Args(x, y)); }
void TRecordingCanvas::MoveTo(int x, int y) { Record("MoveTo", Args(x, y)); }

void TRecordingCanvas::PieAngles(const TRect& rect, double startAngle, double endAngle)
{
    Record("PieAngles", Args(rect, startAngle, endAngle));
}

void TRecordingCanvas::Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4)
{
    Record("Pie", Args(x1, y1, x2, y2, x3, y3, x4, y4));
}

void TRecordingCanvas::Rectangle(int left, int top, int right, int bottom)
{
    Record("Rectangle", Args(left, top, right, bottom));
}

void TRecordingCanvas::RoundRect(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight)
{
    Record("RoundRect", Args(x1, y1, x2, y2, cornerWidth, cornerHeight));
}

std::unique_ptr<TDuvCanvas> TRecordingCanvas::CreateImageCanvas(QImage& image)
{
    Record("CreateImageCanvas", Args(image.width(), image.height()));
    return std::make_unique<TRecordingCanvas>();
}

void TRecordingCanvas::StretchDraw(const TRect& rect, const QImage& graphic)
{
    Record("StretchDraw", Args(rect, graphic.width(), graphic.height()));
}

void TRecordingCanvas::TextOut(int x, int y, const std::string& text) { Record("TextOut", Args(x, y, text)); }

void TRecordingCanvas::ClipToRect(const TRect& rect)
{
    ++clipDepth_;
    Record("ClipToRect", Args(rect));
}

void TRecordingCanvas::ClipToRoundRect(const TRect& rect, int cornerWidth, int cornerHeight)
{
    ++clipDepth_;
    Record("ClipToRoundRect", Args(rect, cornerWidth, cornerHeight));
}

void TRecordingCanvas::ClipToEllipse(const TRect& rect, bool exclusiveOr)
{
    ++clipDepth_;
    Record("ClipToEllipse", Args(rect, exclusiveOr));
}

void TRecordingCanvas::ClipToPolygon(const TPointArray& points, int count, bool exclude)
{
    ++clipDepth_;
    Record("ClipToPolygon", Args(points, count, exclude));
}

std::unique_ptr<TDuvBasePath> TRecordingCanvas::CreatePath() { return std::make_unique<TRecordingPath>(*this); }

void TRecordingCanvas::DrawCheckBox(int x, int y, bool checkBox, TColor color, bool marked)
{
    Record("DrawCheckBox", Args(x, y, checkBox, color, marked));
}

void TRecordingCanvas::EraseBackground(const TRect& rect) { Record("EraseBackground", Args(rect)); }

void TRecordingCanvas::GradientFill(const TRect& rect, TColor startColor, TColor endColor,
                                    TGradientDirection direction, int balance, int radialX, int radialY)
{
    Record("GradientFill", Args(rect, startColor, endColor, static_cast<int>(direction), balance, radialX, radialY));
}

void TRecordingCanvas::Invalidate() { Record("Invalidate", ""); }
void TRecordingCanvas::Polyline(const TPointArray& points) { Record("Polyline", Args(points)); }
void TRecordingCanvas::PolylineFloat(const TPointFloatArray& points) { Record("PolylineFloat", Args(points)); }
void TRecordingCanvas::Polygon(const TPointArray& points) { Record("Polygon", Args(points)); }
void TRecordingCanvas::PolygonFloat(const TPointFloatArray& points) { Record("PolygonFloat", Args(points)); }

void TRecordingCanvas::RotateLabel(int x, int y, const std::string& text, double angle, bool)
{
    Record("RotateLabel", Args(x, y, text, angle));
}

void TRecordingCanvas::Unclip()
{
    if (clipDepth_ > 0) --clipDepth_;
    Record("Unclip", "");
}

TSize TRecordingCanvas::TextExtent(const std::string& text)
{
    int characters = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80) ++characters;  // one per UTF-8 character
    return {characters * CharWidth, LineHeight};
}

TColor TRecordingCanvas::GetPixel3D(int x, int y, int z)
{
    ProjectXYZ(x, y, z);
    return GetPixel(x, y);
}

void TRecordingCanvas::SetPixel3D(int x, int y, int z, TColor color)
{
    ProjectXYZ(x, y, z);
    SetPixel(x, y, color);
}

TRect TRecordingCanvas::InitWindow(QPainter*, TView3DOptions* options, TColor, bool is3D, const TRect& rect)
{
    Bounds = rect;
    if (options) {
        FontZoom = options->FontZoom();
        FontZoomActive = options->ZoomText() != ztNo;
    }
    SetUpProjection(options, is3D);
    Record("InitWindow", Args(rect, is3D));
    return rect;
}

void TRecordingCanvas::ShowBuffer(QPainter*, QPainter*, const TRect& rect) { Record("ShowBuffer", Args(rect)); }

void TRecordingCanvas::Arrow3D(bool filled, const TPoint& from, const TPoint& to, int headWidth, int headHeight,
                               int z0, int z1, double bodyPercent)
{
    Record("Arrow3D", Args(filled, from, to, headWidth, headHeight, z0, z1, bodyPercent));
}

void TRecordingCanvas::ClipCube(const TRect& rect, int z0, int z1)
{
    ++clipDepth_;
    Record("ClipCube", Args(rect, z0, z1));
}

void TRecordingCanvas::Cone(bool vertical, int left, int top, int right, int bottom, int z0, int z1, bool darkSides,
                            int conePercent)
{
    Record("Cone", Args(vertical, left, top, right, bottom, z0, z1, darkSides, conePercent));
}

void TRecordingCanvas::Cube(int left, int right, int top, int bottom, int z0, int z1, bool darkSides, int roundSize)
{
    Record("Cube", Args(left, right, top, bottom, z0, z1, darkSides, roundSize));
}

void TRecordingCanvas::Cylinder(bool vertical, int left, int top, int right, int bottom, int z0, int z1,
                                bool darkSides)
{
    Record("Cylinder", Args(vertical, left, top, right, bottom, z0, z1, darkSides));
}

void TRecordingCanvas::EllipseWithZ(int x1, int y1, int x2, int y2, int z)
{
    Record("EllipseWithZ", Args(x1, y1, x2, y2, z));
}

void TRecordingCanvas::Pie3D(const TPie3DSlice& s)
{
    Record("Pie3D", Args(s.XCenter, s.YCenter, s.XRadius, s.YRadius, s.StartZ, s.EndZ, s.StartAngle, s.EndAngle,
                         s.DonutPercent));
}

void TRecordingCanvas::PlaneWithZ(const TPoint& p1, const TPoint& p2, int z0, int z1)
{
    Record("PlaneWithZ", Args(p1, p2, z0, z1));
}

void TRecordingCanvas::PlaneFour3D(const TPoint& p1, const TPoint& p2, const TPoint& p3, const TPoint& p4, int z)
{
    Record("PlaneFour3D", Args(p1, p2, p3, p4, z));
}

void TRecordingCanvas::PlaneFromPoints(const TPoint& p1, const TPoint& p2, const TPoint& p3, const TPoint& p4,
                                       int z0, int z1)
{
    Record("PlaneFromPoints", Args(p1, p2, p3, p4, z0, z1));
}

void TRecordingCanvas::Polygon3D(const std::vector<TPoint3D>& points) { Record("Polygon3D", Args(points)); }

void TRecordingCanvas::Pyramid(bool vertical, int left, int top, int right, int bottom, int z0, int z1,
                               bool darkSides)
{
    Record("Pyramid", Args(vertical, left, top, right, bottom, z0, z1, darkSides));
}

void TRecordingCanvas::RectangleAtZ(const TRect& rect, int z) { Record("RectangleAtZ", Args(rect, z)); }

void TRecordingCanvas::PlaneAtY(int x0, int y, int x1, int z0, int z1) { Record("PlaneAtY", Args(x0, y, x1, z0, z1)); }

void TRecordingCanvas::PlaneAtX(int x, int y0, int y1, int z0, int z1) { Record("PlaneAtX", Args(x, y0, y1, z0, z1)); }

void TRecordingCanvas::RotateLabel3D(int x, int y, int z, const std::string& text, double angle, bool)
{
    Record("RotateLabel3D", Args(x, y, z, text, angle));
}

void TRecordingCanvas::Sphere(int x, int y, int z, double radius) { Record("Sphere", Args(x, y, z, radius)); }

void TRecordingCanvas::TextOut3D(int x, int y, int z, const std::string& text, bool markup)
{
    Record("TextOut3D", Args(x, y, z, text, markup));
}

void TRecordingCanvas::Triangle3D(const TPoint3D points[3], const TColor colors[3])
{
    Record("Triangle3D", Args(points[0], points[1], points[2], colors[0], colors[1], colors[2]));
}

void TRecordingCanvas::TriangleWithZ(const TPoint& p0, const TPoint& p1, const TPoint& p2, int z)
{
    Record("TriangleWithZ", Args(p0, p1, p2, z));
}

TDuvTransform* TRecordingCanvas::PushTransform(const std::string& name, TDuvTransform* transform, void*)
{
    Record("PushTransform", Args(name));
    return transform;
}

void TRecordingCanvas::PopTransform() { Record("PopTransform", ""); }
