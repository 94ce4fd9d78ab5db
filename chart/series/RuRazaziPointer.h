#pragma once
// The small marker a series draws at a point: its shape by style, flat or solid in 3D views,
// its pen (optionally the point colour darkened), the margins it needs and whether the mouse
// is on it.
#include "chart/engine/DuvShape.h"
#include "chart/graphics/Canvas3D.h"
#include "platform/core/Properties.h"

class TChartSeries;

QB_ENUM(TSeriesPointerStyle, psRectangle, psCircle, psTriangle, psDownTriangle, psCross, psDiagCross, psStar,
        psDiamond, psSmallDot, psNothing, psLeftTriangle, psRightTriangle, psHexagon, psVisual, psDonut, psArrow)

class TSeriesPointer : public TDuvCustomShapeBrushPen {
    QB_CLASS(TSeriesPointer, TDuvCustomShapeBrushPen)
public:
    explicit TSeriesPointer(TChartSeries* series = nullptr) : series_(series) {}
    static void DeclareProperties(TPropertyDeclarer<TSeriesPointer>& p);

    TChartSeries* Series() const { return series_; }
    int HorizSize() const { return horizSize_; }
    int VertSize() const { return vertSize_; }
    // Sizes below 1 become 1.
    void SetHorizSize(int value) { Change(horizSize_, std::max(1, value)); }
    void SetVertSize(int value) { Change(vertSize_, std::max(1, value)); }

    TSeriesPointerStyle Style() const { return style_; }
    void SetStyle(TSeriesPointerStyle value) { Change(style_, value); }
    bool Dark3D() const { return dark3D_; }
    void SetDark3D(bool value) { Change(dark3D_, value); }
    bool Draw3D() const { return draw3D_; }
    void SetDraw3D(bool value) { Change(draw3D_, value); }
    bool InflateMargins() const { return inflateMargins_; }
    void SetInflateMargins(bool value) { Change(inflateMargins_, value); }
    // > 0: the pen is the point colour darkened by it; < 0: lightened.
    int DarkPen() const { return darkPen_; }
    void SetDarkPen(int value) { Change(darkPen_, value); }
    // 0: the pointer spans the series' depth; else the series' middle depth +- Depth.
    int Depth() const { return depth_; }
    void SetDepth(int value) { Change(depth_, value); }
    // The depth used without a series.
    int OwnDepth = 0;

    int StartZ() const;
    int EndZ() const;
    int MiddleZ() const;
    // Each side grows to what the pointer and its pen need; nothing unless visible and inflating.
    void HorizMarginsNeeded(int& left, int& right) const;
    void VertMarginsNeeded(int& top, int& bottom) const;
    // The colour the pen draws a point of this colour with.
    TColor PenColorFor(TColor pointColor) const;
    void PreparePen(TCanvas3D& canvas, TColor pointColor);
    // The shape of style at (x, y) with half sizes h and v.
    void DrawStyled(TCanvas3D& canvas, bool is3D, int x, int y, int h, int v, TColor color, TSeriesPointerStyle style);
    // Whether mouse lies in the shape of style drawn at (x, y) with the pointer's half sizes.
    bool HitTest(TSeriesPointerStyle style, const TPoint& mouse, int x, int y) const;

protected:
    template <class V>
    void Change(V& field, V value)
    {
        if (field == value) return;
        field = value;
        InvalidateParent();
    }

private:
    TChartSeries* series_;
    TSeriesPointerStyle style_ = psRectangle;
    bool dark3D_ = true;
    bool draw3D_ = true;
    bool inflateMargins_ = true;
    int darkPen_ = 0;
    int depth_ = 0;
    int horizSize_ = 4;
    int vertSize_ = 4;
};

// The arrow the pointer draws from (x, y - v) down to its head at (x, y + v).
TPointArray PointerArrowPolygon(int x, int y, int h, int v);

// The legend symbol of a pointer series: the pointer's shape centred in rect, in proportion, with
// or without the series' line behind it.
void DrawPointerLegendSymbol(TSeriesPointer& pointer, TColor color, const TRect& rect, TSeriesPointerStyle style,
                             bool lineBehind);
