#pragma once
// The arrow series: one arrow per point, from (X, Y) to (EndX, EndY), its head sized by the
// series pointer (width = horizontal size, length = vertical size).
#include "chart/series/Series.h"

class TArrowSeries : public TPointSeries {
    QB_CLASS(TArrowSeries, TPointSeries)
public:
    explicit TArrowSeries(TComponent* owner = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TArrowSeries>& p);

    TChartValueList* StartXValues() const { return XValues(); }
    void SetStartXValues(const TChartValueList* value) { SetXValues(value); }
    TChartValueList* StartYValues() const { return YValues(); }
    void SetStartYValues(const TChartValueList* value) { SetYValues(value); }
    TChartValueList* EndXValues() const { return endXValues_; }
    void SetEndXValues(const TChartValueList* value) { AssignValueList(endXValues_, value); }
    TChartValueList* EndYValues() const { return endYValues_; }
    void SetEndYValues(const TChartValueList* value) { AssignValueList(endYValues_, value); }
    int ArrowWidth() const { return Pointer().HorizSize(); }
    void SetArrowWidth(int value) { Pointer().SetHorizSize(value); }
    int ArrowHeight() const { return Pointer().VertSize(); }
    void SetArrowHeight(int value) { Pointer().SetVertSize(value); }
    // How far back along the arrow the head reaches, in percent.
    int ArrowPercent() const { return arrowPercent_; }
    void SetArrowPercent(int value) { ChangeInteger(arrowPercent_, value); }
    // Filled arrows in flat charts too.
    bool Fill2D() const { return fill2D_; }
    void SetFill2D(bool value) { ChangeBoolean(fill2D_, value); }

    int AddArrow(double x0, double y0, double x1, double y1, const std::string& label = {}, TColor color = clDefault);
    // The arrow's two ends on the screen.
    void ArrowEnds(int index, TPoint& start, TPoint& end);

    void DrawPoint(int index) override;
    int PointAtScreen(int x, int y) override;
    double MaxXValue() override;
    double MinXValue() override;
    double MaxYValue() override;
    double MinYValue() override;
    void AssignFormat(const TCustomChartSeries* source) override;
    bool AcceptsSourceSeries(const TChartSeries* source) const override;
    bool HasPointerSubStyles() const override { return false; }
    void SetGalleryLook() override;
    std::string GetEditorClassName() const override { return "TArrowSeriesEditor"; }
    void AddRandomSamples(int count, bool valuesOnly) override;

private:
    bool DrawsFilled() const;

    TChartValueList* endXValues_;
    TChartValueList* endYValues_;
    int arrowPercent_ = 50;
    bool fill2D_ = false;
};

// Whether p lies within tolerance pixels of the segment a-b (distance measured from the pixel's
// centre to the segment, so a pixel a one-pixel line covers counts at tolerance 0).
bool PointNearSegment(const TPoint& p, const TPoint& a, const TPoint& b, int tolerance);

void ArrowChaInitialization();
