#pragma once
// The bubble series: points drawn as circles whose radius, in vertical-axis units, is a third
// value of each point.
//
// What always holds: every place that draws or measures one point sizes the series pointer for
// that point first, so the pointer's sizes belong to the point being handled.
#include "chart/series/Series.h"

class TBubbleSeries : public TPointSeries {
    QB_CLASS(TBubbleSeries, TPointSeries)
public:
    explicit TBubbleSeries(TComponent* owner = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TBubbleSeries>& p);

    TChartValueList* RadiusValues() const { return radiusValues_; }
    void SetRadiusValues(const TChartValueList* value) { AssignValueList(radiusValues_, value); }
    // Round bubbles: the horizontal size is measured on the vertical axis too.
    bool Squared() const { return squared_; }
    void SetSquared(bool value) { ChangeBoolean(squared_, value); }

    int AddBubble(double x, double y, double radius, const std::string& label = {}, TColor color = clDefault);

    void SizePointerFor(int index) override;
    void DrawPoint(int index) override;
    bool IsPointHit(int index, int pointX, int pointY, int mouseX, int mouseY) override;
    bool IsPointInChartRect(int index) override;
    double MaxYValue() override;
    double MinYValue() override;
    double MaxZValue() override;
    double MinZValue() override;
    void AdjustAxisLimits(TChartAxis* axis, int& left, int& top, int& right, int& bottom) override;
    void PaintLegendSymbol(int index, const TRect& rect) override;
    void AssignFormat(const TCustomChartSeries* source) override;
    bool AcceptsSourceSeries(const TChartSeries* source) const override;
    void SetGalleryLook() override;
    TDuvGradient* GetGradient() override;
    std::string GetEditorClassName() const override { return "TBubbleSeriesEditor"; }
    int DefaultSampleCount() const override { return 8; }
    void AddRandomSamples(int count, bool valuesOnly) override;

private:
    // The largest (or smallest) of Y + radius (Y - radius) over the points.
    double RadiusExtreme(bool maximum) const;

    TChartValueList* radiusValues_;
    bool squared_ = true;
};

void BubbleChInitialization();
