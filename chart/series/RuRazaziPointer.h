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
    void SetHorizSize(int value) { horizSize_ = std::max(1, value); }
    void SetVertSize(int value) { vertSize_ = std::max(1, value); }

    TSeriesPointerStyle Style = psRectangle;
    bool Dark3D = true;
    bool Draw3D = true;
    bool InflateMargins = true;
    // > 0: the pen is the point colour darkened by it; < 0: lightened.
    int DarkPen = 0;
    // 0: the pointer spans the series' depth; else the series' middle depth +- Depth.
    int Depth = 0;
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

private:
    TChartSeries* series_;
    int horizSize_ = 4;
    int vertSize_ = 4;
};

// The arrow the pointer draws from (x, y - v) down to its head at (x, y + v).
TPointArray PointerArrowPolygon(int x, int y, int h, int v);
