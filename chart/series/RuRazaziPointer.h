#pragma once
// The small marker a series draws at a point: its shape by style, flat or solid in 3D views,
// its pen (optionally the point colour darkened), the margins it needs and whether the mouse
// is on it.
#include <memory>

#include "chart/engine/DuvShape.h"
#include "chart/graphics/Canvas3D.h"
#include "platform/core/Properties.h"

class TChartSeries;
class TDuvPicture;

QB_ENUM(TSeriesPointerStyle, psRectangle, psCircle, psTriangle, psDownTriangle, psCross, psDiagCross, psStar,
        psDiamond, psSmallDot, psNothing, psLeftTriangle, psRightTriangle, psHexagon, psVisual, psDonut, psArrow)
QB_ENUM(TPointerSizeUnits, suPixels, suAxis)

class TSeriesPointer : public TDuvCustomShapeBrushPen {
    QB_CLASS(TSeriesPointer, TDuvCustomShapeBrushPen)
public:
    // The pointer draws on the series' chart.
    explicit TSeriesPointer(TChartSeries* series = nullptr);
    ~TSeriesPointer() override;
    static void DeclareProperties(TPropertyDeclarer<TSeriesPointer>& p);

    TChartSeries* Series() const { return series_; }
    // The panel drawn on: the own one, else the series' chart (a series may join a chart later).
    TCustomDuvPanel* Panel() const;
    void InvalidateParent() override;
    int HorizSize() const { return horizSize_; }
    int VertSize() const { return vertSize_; }
    // Sizes below 1 become 1.
    void SetHorizSize(int value) { Change(horizSize_, std::max(1, value)); }
    void SetVertSize(int value) { Change(vertSize_, std::max(1, value)); }
    void SetBothSizes(int value)
    {
        SetHorizSize(value);
        SetVertSize(value);
    }
    // Without repainting.
    void StoreHorizSize(int value) { horizSize_ = std::max(1, value); }
    void StoreVertSize(int value) { vertSize_ = std::max(1, value); }
    // The larger half size.
    int GetMaxSize() const { return std::max(horizSize_, vertSize_); }
    // When not 0, both half sizes (stored without repainting).
    float SizeFloat() const { return sizeFloat_; }
    void SetFloatSize(float value) { sizeFloat_ = value; }
    TPointerSizeUnits SizeUnits() const { return sizeUnits_; }
    void SetSizeUnits(TPointerSizeUnits value) { sizeUnits_ = value; }
    // The half sizes drawn now: the fractional size for both when set, else the two sizes.
    void CurrentSize(int& horizontal, int& vertical) const;
    TColor GetColor() const { return Brush().Color(); }
    void SetColor(TColor value) { Brush().SetColor(value); }

    // Made on first read: invisible, size 3.
    TDuvShadow* GetShadow();
    TDuvShadow* PeekShadow() const { return shadow_.get(); }
    void SetShadow(const TDuvShadow* value);
    TDuvEmboss* GetEmboss();
    TDuvEmboss* PeekEmboss() const { return emboss_.get(); }
    void SetEmboss(const TDuvEmboss* value);
    // Drawn over the shape; made on first read.
    TDuvPicture* GetPicture();
    TDuvPicture* PeekPicture() const { return picture_.get(); }
    void SetPicture(const TDuvPicture* value);
    TDuvGradient* GetGradient() { return Brush().GetGradient(); }
    TDuvGradient* PeekGradient() const { return Brush().PeekGradient(); }
    void SetGradient(const TDuvGradient* value) { Brush().SetGradient(value); }
    // Off: a visible gradient ends at the point colour.
    bool FullGradient() const { return fullGradient_; }
    void SetFullGradient(bool value) { Change(fullGradient_, value); }
    bool DefaultFullGradient() const { return defaultFullGradient_; }
    void InitFullGradient(bool value) { fullGradient_ = defaultFullGradient_ = value; }
    int Transparency() const { return transparency_; }
    void SetTransparency(int value) { Change(transparency_, std::clamp(value, 0, 100)); }
    // Tells the pointer editor whether its size controls apply.
    bool SizeMayChange = true;

    TSeriesPointerStyle Style() const { return style_; }
    void SetStyle(TSeriesPointerStyle value) { Change(style_, value); }
    bool Dark3D() const { return dark3D_; }
    void SetDark3D(bool value) { Change(dark3D_, value); }
    bool Draw3D() const { return draw3D_; }
    void SetDraw3D(bool value) { Change(draw3D_, value); }
    bool InflateMargins() const { return inflateMargins_; }
    void SetInflateMargins(bool value) { Change(inflateMargins_, value); }
    bool DefaultInflateMargins() const { return defaultInflateMargins_; }
    void InitInflateMargins(bool value) { inflateMargins_ = defaultInflateMargins_ = value; }
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
    // The pen and brush with the pointer's own brush colour, on the panel's canvas.
    void PrepareOwnColors();
    // The pointer's style in its brush colour at (x, y) of the panel.
    void DrawAt(int x, int y) { DrawStyleAt(x, y, style_, Brush().Color()); }
    void DrawAtPoint(const TPoint& p) { DrawAt(p.X, p.Y); }
    void DrawStyleAt(int x, int y, TSeriesPointerStyle style, TColor color);
    void Assign(const TPersistent* source) override;
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
    // A fractional size or a size in axis units, as pixels.
    int SizeInPixels(double value) const;
    void DrawShadowOf(TCanvas3D& canvas, TDuvShadow* shadow, TSeriesPointerStyle style, int x, int y, int h, int v);
    void DrawPicture(TCanvas3D& canvas, bool is3D, TSeriesPointerStyle style, const TRect& r);

    TChartSeries* series_;
    std::unique_ptr<TDuvEmboss> emboss_;
    std::unique_ptr<TDuvShadow> shadow_;
    std::unique_ptr<TDuvPicture> picture_;
    bool fullGradient_ = false;
    bool defaultFullGradient_ = false;
    float sizeFloat_ = 0;
    TPointerSizeUnits sizeUnits_ = suPixels;
    int transparency_ = 0;
    TSeriesPointerStyle style_ = psRectangle;
    bool dark3D_ = true;
    bool draw3D_ = true;
    bool inflateMargins_ = true;
    bool defaultInflateMargins_ = true;
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
