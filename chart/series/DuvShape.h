#pragma once
// The shape series: one figure (rectangle, ellipse, lines, triangles, diamond, cube, crosses,
// pyramids) between two corner points, with lines of text inside it.
//
// What always holds: only the first two points count. A new shape has the points (0, 0) and
// (100, 100); a shape with three or more points draws nothing. SeriesColor and Brush.Color move
// together.
#include <memory>

#include "chart/graphics/DuvFont.h"
#include "chart/series/RuRazaziSeries.h"
#include "platform/core/StringList.h"
#include "platform/ui/Controls.h"

QB_ENUM(TChartShapeStyle, chasRectangle, chasCircle, chasVertLine, chasHorizLine, chasTriangle, chasInvertTriangle,
        chasLine, chasDiamond, chasCube, chasCross, chasDiagCross, chasStar, chasPyramid, chasInvertPyramid)
QB_ENUM(TChartShapeXYStyle, xysPixels, xysAxis, xysAxisOrigin)
QB_ENUM(TDuvVertAlign, vaTop, vaCenter, vaBottom)

class TChartShape : public TChartSeries {
    QB_CLASS(TChartShape, TChartSeries)
public:
    explicit TChartShape(TComponent* owner = nullptr);
    ~TChartShape() override;
    static void DeclareProperties(TPropertyDeclarer<TChartShape>& p);

    TChartShapeStyle Style() const { return style_; }
    void SetStyle(TChartShapeStyle value) { ChangeEnum(style_, value); }
    TChartShapeXYStyle XYStyle() const { return xyStyle_; }
    void SetXYStyle(TChartShapeXYStyle value) { ChangeEnum(xyStyle_, value); }
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value) { ChangeEnum(alignment_, value); }
    TDuvVertAlign VertAlign() const { return vertAlign_; }
    void SetVertAlign(TDuvVertAlign value) { ChangeEnum(vertAlign_, value); }
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value) { ChangeBoolean(transparent_, value); }
    bool RoundRectangle() const { return roundRectangle_; }
    void SetRoundRectangle(bool value) { ChangeBoolean(roundRectangle_, value); }
    TDuvFont& Font() const { return *font_; }
    void SetFont(const TDuvFont* value) { font_->Assign(value); }
    TStringList& Text() { return text_; }
    const TStringList& Text() const { return text_; }
    virtual void SetText(const TStringList& value);
    TDuvGradient* GetGradient() const;
    void SetGradient(const TDuvGradient* value);

    // Point 0 and point 1; reading or writing adds the missing points as (0, 0) first.
    double X0();
    double Y0();
    double X1();
    double Y1();
    void SetX0(double value) { StoreCorner(0, true, value); }
    void SetY0(double value) { StoreCorner(0, false, value); }
    void SetX1(double value) { StoreCorner(1, true, value); }
    void SetY1(double value) { StoreCorner(1, false, value); }

    // The two corners as Left, Top = point 0 and Right, Bottom = point 1, not normalised.
    virtual void GetShapePoints(TRect& points);
    // The corners normalised, at least one pixel wide and high.
    void GetShapeRectangle(TRect& rect);
    void DrawShape(int index, bool is3D, const TRect& rect);
    void DrawText(const TRect& rect);
    void AddDefaultPoints();

    void SetSeriesColor(TColor value) override;
    void Assign(const TPersistent* source) override;
    std::string GetEditorClassName() const override { return "TChartShapeEditor"; }
    void AssignFormat(const TCustomChartSeries* source) override;
    void CalcZOrder() override;
    bool UsesAxes() const override { return xyStyle_ != xysPixels; }
    bool SharesZOrder() const override { return false; }
    void PaintLegendSymbol(int index, const TRect& rect) override;
    void DrawPoint(int index) override;
    int PointAtScreen(int x, int y) override;
    void ListSubGalleryStyles(const TSubGalleryCallback& callback) override;
    void ApplySubGalleryStyle(int index) override;
    void AddRandomSamples(int count, bool valuesOnly) override;
    void SetGalleryLook() override;
    bool AcceptsSourceSeries(const TChartSeries* source) const override;

private:
    template <class E>
    void ChangeEnum(E& field, E value)
    {
        if (field == value) return;
        field = value;
        RequestRepaint();
    }
    // Adds (0, 0) points until the series has index + 1 of them.
    void EnsurePoints(int index);
    double CornerValue(int index, bool x);
    void StoreCorner(int index, bool x, double value);
    // The corner given in pixels (or as a pixel offset), clamped to the screen coordinate range.
    static int PixelOf(double value);
    bool Is3DChart() const;
    void TextListChanged() { RequestRepaint(); }

    TChartShapeStyle style_ = chasCircle;
    TChartShapeXYStyle xyStyle_ = xysAxis;
    TAlignment alignment_ = taCenter;
    TDuvVertAlign vertAlign_ = vaCenter;
    bool transparent_ = false;
    bool roundRectangle_ = false;
    std::unique_ptr<TDuvFont> font_;
    TStringList text_;
};

void DuvShapeInitialization();
