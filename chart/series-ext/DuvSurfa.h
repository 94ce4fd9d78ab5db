#pragma once
// The base of the series whose points carry a third value, Z, drawn along the chart's depth
// axis, and the registration of the module's series in the gallery.
//
// What always holds: the Z list holds one value per point like the X and Y lists; it joins a
// new point through its pending value, so every way the base adds or removes points keeps it
// in step. X keeps the insertion order (nothing is sorted by X).
#include <cstdint>
#include <vector>

#include "chart/series/RuRazaziSeries.h"

class QImage;
class TGraphic;

class TCustom3DSeries : public TChartSeries {
    QB_CLASS(TCustom3DSeries, TChartSeries)
public:
    explicit TCustom3DSeries(TComponent* owner = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TCustom3DSeries>& p);

    TChartValueList* ZValues() const { return zValues_; }
    void SetZValues(const TChartValueList* value) { AssignValueList(zValues_, value); }
    int TimesZOrder() const { return timesZOrder_; }
    void SetTimesZOrder(int value) { ChangeInteger(timesZOrder_, value); }
    bool GalleryView3D() const { return galleryView3D_; }

    int AddXYZ(double x, double y, double z);
    virtual int AddPointXYZ(double x, double y, double z, const std::string& label, TColor color);
    // Height scan lines of 24-bit pixels, bytes blue, green, red; X outer, Z inner.
    virtual void AddPixelValues(int width, int height, const std::vector<const std::uint8_t*>& rows);
    int CalcZPos(int index) const;
    // The plot rectangle or the depth range differs from the last drawing's.
    bool DrawnBoundsChanged() const;

    void Assign(const TPersistent* source) override;
    void CalcZOrder() override;
    void DrawAllPoints() override;
    void DrawPointMark(int index, const std::string& text, TSeriesMarkPosition& position) override;
    void PrepareLegendCanvas(int index, TColor& backColor, TBrushStyle& brushStyle) override;
    TChartValueList* GetAxisValueList(const TChartAxis* axis) const override;
    bool UsesAxis(const TChartAxis* axis) const override;
    double MaxZValue() override;
    double MinZValue() override;
    bool AcceptsSourceSeries(const TChartSeries* source) const override;

protected:
    void StoreDrawnBounds();
    bool galleryView3D_ = true;

private:
    TChartValueList* zValues_;
    int timesZOrder_ = 3;
    struct TDrawnBounds {
        TRect ChartRect;
        int StartZ = 0, EndZ = 0;
    } drawn_;
};

// Refills the series from the picture's pixels. A picture too large for memory raises an
// Exception and leaves the series as it was.
void AddGraphicPixels(TCustom3DSeries* series, const QImage& picture);
void AddGraphicPixels(TCustom3DSeries* series, const TGraphic& graphic);

// Whether cells are drawn from the far end of the depth axis first.
bool DepthOrderReversed(const TChartSeries* series);

// The module's gallery rows in order: caption, page and the class once its unit is built.
struct TDuvSurfaRow {
    const std::string* Caption;
    const std::string* Page;
    const TClassInfo* SeriesClass;
};
std::vector<TDuvSurfaRow> DuvSurfaRows();
void RegisterDuvSurfaSeries();

void DuvSurfaInitialization();
void DuvSurfaFinalization();
