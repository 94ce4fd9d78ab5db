#pragma once
// Histogram series: touching bars from the value axis's base (or an origin value) to each
// point, one skyline outline over their tops and optional separators between neighbours.
//
// What always holds while drawing: bars are drawn in drawing order, and each bar after the
// first starts on the far edge pixel of the bar drawn before it, so neighbours always touch.
#include <memory>

#include "chart/graphics/DuvPen.h"
#include "chart/series/Series.h"

class THistogramSeries : public TCustomLineSeries {
    QB_CLASS(THistogramSeries, TCustomLineSeries)
public:
    explicit THistogramSeries(TComponent* owner = nullptr);
    ~THistogramSeries() override;
    static void DeclareProperties(TPropertyDeclarer<THistogramSeries>& p);

    TDuvHiddenPen* LinesPen() const { return linesPen_.get(); }
    void SetLinesPen(const TDuvPen* value) { linesPen_->Assign(value); }
    double YOrigin() const { return yOrigin_; }
    void SetYOrigin(double value) { ChangeDouble(yOrigin_, value); }
    bool UseYOrigin() const { return useYOrigin_; }
    void SetUseYOrigin(bool value) { ChangeBoolean(useYOrigin_, value); }
    TDuvPen* GetLinePen() const { return &Pen(); }
    void SetLinePen(const TDuvPen* value) { SetPen(value); }

    void Assign(const TPersistent* source) override;
    void AssignFormat(const TCustomChartSeries* source) override;
    std::string GetEditorClassName() const override { return "THistogramSeriesEditor"; }

    // The bar of point index as drawn in the current pass (empty without a chart or points).
    TRect CalcBarRect(int index);
    void CalcFirstLastVisible() override;
    void GetHorizMargins(int& left, int& right) override;
    void GetVertMargins(int& top, int& bottom) override;
    void DrawAllPoints() override;
    void DrawPoint(int index) override;
    int PointAtScreen(int x, int y) override;
    void ListSubGalleryStyles(const TSubGalleryCallback& callback) override;
    void ApplySubGalleryStyle(int index) override;

private:
    bool Vertical() const { return YMandatory(); }
    // Points on one page of the chart: its points-per-page, else the point count.
    int PointsPerPage() const;
    // Half the pixel share of one point along the category axis.
    int HalfShare() const;
    int CategoryPos(int index) const;
    void GrowCategoryMargins(int& near, int& far);

    std::unique_ptr<TDuvHiddenPen> linesPen_;
    double yOrigin_ = 0;
    bool useYOrigin_ = false;
    // Drawing state: the carried edge and the previous bar's top, in drawing order.
    int lastEdge_ = 0;
    int previousTop_ = 0;
    int drawn_ = 0;
};

// The histogram lying on its side.
class THorizHistogramSeries : public THistogramSeries {
    QB_CLASS(THorizHistogramSeries, THistogramSeries)
public:
    explicit THorizHistogramSeries(TComponent* owner = nullptr);
};

void StatCharHistogramInitialization();
void StatCharHistogramFinalization();
