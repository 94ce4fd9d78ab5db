#include "chart/engine/AxisPanel.h"

#include "chart/engine/RuRazaziAxis.h"
#include "chart/engine/RuRazaziLists.h"

TCustomAxisPanel::TCustomAxisPanel(TComponent* owner)
    : TCustomDuvPanelExtended(owner), seriesList_(std::make_unique<TChartSeriesList>(this)),
      axes_(std::make_unique<TChartAxes>(this)), customAxes_(std::make_unique<TChartCustomAxes>(this))
{
    const bool repaint = AutoRepaint;
    AutoRepaint = false;
    bottomAxis_ = std::make_unique<TChartAxis>(this);
    bottomAxis_->InitOrientation(true, false);
    topAxis_ = std::make_unique<TChartAxis>(this);
    topAxis_->InitOrientation(true, true);
    topAxis_->InitZPosition(100);
    topAxis_->Grid()->InitZPosition(100);
    leftAxis_ = std::make_unique<TChartAxis>(this);
    rightAxis_ = std::make_unique<TChartAxis>(this);
    rightAxis_->InitOrientation(false, true);
    rightAxis_->InitZPosition(100);
    rightAxis_->Grid()->InitZPosition(100);
    depthAxis_ = std::make_unique<TChartDepthAxis>(this);
    depthAxis_->IsDepthAxis = true;
    depthAxis_->InitOrientation(false, true);
    depthTopAxis_ = std::make_unique<TChartDepthAxis>(this);
    depthTopAxis_->IsDepthAxis = true;
    depthTopAxis_->SelectPositionCalculators();
    AutoRepaint = repaint;
}

TCustomAxisPanel::~TCustomAxisPanel()
{
    // Custom axes first: the standard ones and the lists they leave must still be there.
    customAxes_.reset();
    depthTopAxis_.reset();
    depthAxis_.reset();
    rightAxis_.reset();
    leftAxis_.reset();
    topAxis_.reset();
    bottomAxis_.reset();
}

double TCustomAxisPanel::CalcMinMax(TChartAxis* axis, bool wantMinimum, bool horizontal)
{
    auto bound = [&](TCustomChartSeries* series) {
        if (axis->IsDepthAxis) return true;
        return horizontal ? series->HorizAxis() == aBothHorizAxis || series->HorizAxisObject() == axis
                          : series->VertAxis() == aBothVertAxis || series->VertAxisObject() == axis;
    };
    bool anyActive = false;
    for (TCustomChartSeries* series : *seriesList_)
        if (series->Active() && bound(series)) anyActive = true;
    bool found = false;
    double result = 0;
    for (TCustomChartSeries* series : *seriesList_) {
        if ((anyActive && !series->Active()) || !bound(series)) continue;
        if (!axis->IsDepthAxis && series->GetPointCount() == 0) continue;
        double value;
        if (axis->IsDepthAxis)
            value = wantMinimum ? series->MinZValue() : series->MaxZValue();
        else if (horizontal)
            value = wantMinimum ? series->MinXValue() : series->MaxXValue();
        else
            value = wantMinimum ? series->MinYValue() : series->MaxYValue();
        if (!found || (wantMinimum ? value < result : value > result)) result = value;
        found = true;
    }
    return result;
}
