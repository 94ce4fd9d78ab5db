#pragma once
// The chart panel that holds series and axes. So far it holds what its axes reach: the axis
// list with the six standard axes, the custom axes and the series list; the rest of the axis
// panel builds on these.
#include <memory>

#include "chart/engine/DuvPanelExtended.h"

class TChartAxes;
class TChartAxis;
class TChartCustomAxes;
class TChartSeriesList;

class TCustomAxisPanel : public TCustomDuvPanelExtended {
    QB_CLASS(TCustomAxisPanel, TCustomDuvPanelExtended)
public:
    explicit TCustomAxisPanel(TComponent* owner);
    ~TCustomAxisPanel() override;

    // The deepest depth slot taken by the series in the current drawing pass.
    int MaxZOrder = 0;

    TChartAxes& AxesList() const { return *axes_; }
    TChartCustomAxes* CustomAxes() const { return customAxes_.get(); }
    TChartSeriesList& SeriesList() const { return *seriesList_; }
    TChartAxis* BottomAxis() const { return bottomAxis_.get(); }
    TChartAxis* TopAxis() const { return topAxis_.get(); }
    TChartAxis* LeftAxis() const { return leftAxis_.get(); }
    TChartAxis* RightAxis() const { return rightAxis_.get(); }
    TChartAxis* DepthAxis() const { return depthAxis_.get(); }
    TChartAxis* DepthTopAxis() const { return depthTopAxis_.get(); }

    // The smallest (largest) value of the series bound to the axis; 0 without any.
    virtual double CalcMinMax(TChartAxis* axis, bool wantMinimum, bool horizontal);

private:
    std::unique_ptr<TChartSeriesList> seriesList_;
    std::unique_ptr<TChartAxes> axes_;
    std::unique_ptr<TChartCustomAxes> customAxes_;
    std::unique_ptr<TChartAxis> bottomAxis_, topAxis_, leftAxis_, rightAxis_, depthAxis_, depthTopAxis_;
};
