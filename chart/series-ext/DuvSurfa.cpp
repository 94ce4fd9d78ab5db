#include "chart/series-ext/DuvSurfa.h"

#include <QImage>
#include <algorithm>
#include <new>

#include "chart/editor/DuvProCo.h"
#include "chart/engine/Chart.h"
#include "chart/engine/ChartLegend.h"
#include "chart/engine/ChartRegistry.h"
#include "chart/engine/DuvProcs.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/graphics/GraphicClasses.h"
#include "platform/core/ScopeGuard.h"

TCustom3DSeries::TCustom3DSeries(TComponent* owner) : TChartSeries(owner)
{
    // Every point is drawn whatever the X range: Z, not X, orders the drawing.
    ComputeVisiblePoints = false;
    HasZValues = true;
    zValues_ = new TChartValueList(this, "Z");
    XValues()->SetOrder(loNone);
}

void TCustom3DSeries::DeclareProperties(TPropertyDeclarer<TCustom3DSeries>& p)
{
    using S = TCustom3DSeries;
    p.Integer("TimesZOrder", &S::TimesZOrder, &S::SetTimesZOrder).Default(3);
    p.Object("ZValues", &S::ZValues, &S::SetZValues);
}

int TCustom3DSeries::AddXYZ(double x, double y, double z) { return AddPointXYZ(x, y, z, {}, clDefault); }

int TCustom3DSeries::AddPointXYZ(double x, double y, double z, const std::string& label, TColor color)
{
    zValues_->PendingValue = z;
    return AddPointXY(x, y, label, color);
}

void TCustom3DSeries::AddPixelValues(int width, int height, const std::vector<const std::uint8_t*>& rows)
{
    for (int x = 0; x < width; ++x)
        for (int z = 0; z < height; ++z) {
            const std::uint8_t* pixel = rows[static_cast<std::size_t>(z)] + 3 * x;
            AddXYZ(x, pixel[2] + pixel[1] * 256.0 + pixel[0] * 65536.0, z);
        }
}

int TCustom3DSeries::CalcZPos(int index) const
{
    const TCustomAxisPanel* chart = ParentChart();
    if (!chart) return 0;
    return chart->DepthAxis()->CalcPosValue(zValues_->GetValueAt(index));
}

bool TCustom3DSeries::DrawnBoundsChanged() const
{
    const TCustomAxisPanel* chart = ParentChart();
    if (!chart) return false;
    return !(chart->ChartRect == drawn_.ChartRect) || StartZ != drawn_.StartZ || EndZ != drawn_.EndZ;
}

void TCustom3DSeries::StoreDrawnBounds()
{
    if (const TCustomAxisPanel* chart = ParentChart()) drawn_.ChartRect = chart->ChartRect;
    drawn_.StartZ = StartZ;
    drawn_.EndZ = EndZ;
}

void TCustom3DSeries::Assign(const TPersistent* source)
{
    if (const auto* other = dynamic_cast<const TCustom3DSeries*>(source)) {
        zValues_->Assign(other->zValues_);
        timesZOrder_ = other->timesZOrder_;
    }
    TChartSeries::Assign(source);
}

void TCustom3DSeries::CalcZOrder()
{
    TChartSeries::CalcZOrder();
    // A 3D series claims the whole depth: the counter is set, not increased.
    if (TCustomAxisPanel* chart = ParentChart()) chart->MaxZOrder = timesZOrder_;
}

void TCustom3DSeries::DrawAllPoints()
{
    TChartSeries::DrawAllPoints();
    StoreDrawnBounds();
}

void TCustom3DSeries::DrawPointMark(int index, const std::string& text, TSeriesMarkPosition& position)
{
    if (index != -1) MarksSetZ(CalcZPos(index));
    TChartSeries::DrawPointMark(index, text, position);
}

void TCustom3DSeries::PrepareLegendCanvas(int index, TColor& backColor, TBrushStyle& brushStyle)
{
    TChartSeries::PrepareLegendCanvas(index, backColor, brushStyle);
    auto* chart = dynamic_cast<TCustomChart*>(ParentChart());
    if (chart && chart->Legend()->Symbol()->Continuous()) chart->Canvas().Pen().SetStyle(psClear);
}

TChartValueList* TCustom3DSeries::GetAxisValueList(const TChartAxis* axis) const
{
    if (ParentChart() && axis == ParentChart()->DepthAxis()) return zValues_;
    return TChartSeries::GetAxisValueList(axis);
}

bool TCustom3DSeries::UsesAxis(const TChartAxis* axis) const
{
    return (ParentChart() && axis == ParentChart()->DepthAxis()) || TChartSeries::UsesAxis(axis);
}

double TCustom3DSeries::MaxZValue() { return zValues_->GetMaximum(); }

double TCustom3DSeries::MinZValue() { return zValues_->GetMinimum(); }

bool TCustom3DSeries::AcceptsSourceSeries(const TChartSeries* source) const
{
    return dynamic_cast<const TCustom3DSeries*>(source) != nullptr && source != this;
}

namespace {

// A packed colour per point needs these many value list entries; the picture is refused when
// they cannot be had, before the series changes.
void CheckPixelsFit(const TCustom3DSeries& series, int width, int height)
{
    const long long points = static_cast<long long>(width) * height;
    const int lists = series.ValueLists().Count();
    bool fits = points <= 0x7FFFFFFF;
    if (fits) {
        try {
            std::vector<double> probe;
            probe.reserve(static_cast<std::size_t>(points) * static_cast<std::size_t>(lists));
        } catch (const std::bad_alloc&) {
            fits = false;
        } catch (const std::length_error&) {
            fits = false;
        }
    }
    if (!fits)
        throw Exception("The picture of " + std::to_string(width) + " x " + std::to_string(height) +
                        " pixels is too large to load as points");
}

}  // namespace

void AddGraphicPixels(TCustom3DSeries* series, const QImage& picture)
{
    const int width = picture.width(), height = picture.height();
    CheckPixelsFit(*series, width, height);
    const QImage pixels = picture.convertToFormat(QImage::Format_BGR888);
    if (pixels.isNull() && !picture.isNull())
        throw Exception("The picture of " + std::to_string(width) + " x " + std::to_string(height) +
                        " pixels is too large to load as points");
    std::vector<const std::uint8_t*> rows(static_cast<std::size_t>(height));
    for (int z = 0; z < height; ++z) rows[static_cast<std::size_t>(z)] = pixels.constScanLine(z);
    series->SuspendUpdates();
    const TScopeGuard resume([series] { series->ResumeUpdates(); });
    series->ClearPoints();
    series->AddPixelValues(width, height, rows);
}

void AddGraphicPixels(TCustom3DSeries* series, const TGraphic& graphic) { AddGraphicPixels(series, graphic.Image()); }

bool DepthOrderReversed(const TChartSeries* series)
{
    const TCustomAxisPanel* chart = series->ParentChart();
    if (!chart) return false;
    const bool inverted = chart->DepthAxis()->Inverted();
    const int rotation = chart->View3DOptions().Rotation();
    return (rotation > 90 && rotation < 270) ? !inverted : inverted;
}

std::vector<TDuvSurfaRow> DuvSurfaRows()
{
    // The concrete series join their rows as their units are built.
    return {
        {&DuvMsgGallerySurface, &DuvMsgGallery3D, nullptr},    {&DuvMsgGalleryContour, &DuvMsgGallery3D, nullptr},
        {&DuvMsgGalleryWaterFall, &DuvMsgGallery3D, nullptr},  {&DuvMsgGalleryColorGrid, &DuvMsgGallery3D, nullptr},
        {&DuvMsgGalleryVector3D, &DuvMsgGallery3D, nullptr},   {&DuvMsgGalleryTower, &DuvMsgGallery3D, nullptr},
        {&DuvMsgGalleryIsoSurface, &DuvMsgGallery3D, nullptr}, {&DuvMsgGalleryBubbleCloud, &DuvMsgGalleryOther, nullptr},
    };
}

namespace {
int duvSurfaStarted = 0;
std::vector<const TClassInfo*> registeredClasses;
}  // namespace

void RegisterDuvSurfaSeries()
{
    for (const TDuvSurfaRow& row : DuvSurfaRows()) {
        if (!row.SeriesClass) continue;
        RegisterClassForStreaming(*row.SeriesClass);
        RegisterSeriesType(row.SeriesClass, row.Caption, row.Page, 1);
        registeredClasses.push_back(row.SeriesClass);
    }
}

void DuvSurfaInitialization()
{
    if (duvSurfaStarted++ != 0) return;
    RegisterDuvSurfaSeries();
}

void DuvSurfaFinalization()
{
    if (--duvSurfaStarted != 0) return;
    UnregisterSeriesClasses(registeredClasses);
    registeredClasses.clear();
}
