#pragma once
// The standard series types that join points by lines, fill below them or mark them with
// pointers, and their registration with the gallery.
#include "chart/graphics/DuvBrush.h"
#include "chart/series/RuRazaziSeries.h"

QB_ENUM(TTreatNullsStyle, tnDontPaint, tnSkip, tnIgnore)

// The base of every series drawn as a line; its line pen is the series' own pen.
class TCustomLineSeries : public TChartSeries {
    QB_CLASS(TCustomLineSeries, TChartSeries)
public:
    explicit TCustomLineSeries(TComponent* owner) : TChartSeries(owner) {}
    static void DeclareProperties(TPropertyDeclarer<TCustomLineSeries>& p);

    // How null points break or bridge the line.
    TTreatNullsStyle TreatNulls() const { return treatNulls_; }
    void SetTreatNulls(TTreatNullsStyle value);
    void Assign(const TPersistent* source) override;

private:
    TTreatNullsStyle treatNulls_ = tnDontPaint;
};

// The hatch style of the pattern for item index (index mod 6).
TBrushStyle SeriesPatternStyle(int index);
