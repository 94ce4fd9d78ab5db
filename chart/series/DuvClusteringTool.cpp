#include "chart/series/DuvClusteringTool.h"

#include <algorithm>
#include <cmath>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/ChartRegistry.h"
#include "chart/engine/DuvProcs.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/graphics/CanvasHelpers.h"
#include "chart/series/RuRazaziSeries.h"
#include "platform/core/NumText.h"
#include "platform/core/ScopeGuard.h"

// ---------------------------------------------------------------- series provider

TSeriesProvider::~TSeriesProvider() { ReleaseItems(); }

void TSeriesProvider::SetSeries(TCustomChartSeries* series)
{
    if (series == series_) return;
    series_ = series;
    Load();
}

void TSeriesProvider::ForgetSeries()
{
    series_ = nullptr;
    ClearItems();
}

void TSeriesProvider::SetLambda(float value)
{
    spec_.Lambda = value;
    spec_.InverseLambda = 1.0f / value;
}

void TSeriesProvider::ClearItems()
{
    ReleaseItems();
    items_.clear();
    xs_.clear();
    ys_.clear();
    zs_.clear();
}

void TSeriesProvider::Load()
{
    ClearItems();
    spec_.HasZ = false;
    if (!series_ || !series_->XValues() || !series_->YValues()) return;
    const auto n = static_cast<std::size_t>(series_->PointCount());
    spec_.HasZ = series_->ValueLists().Count() > 2;
    items_.resize(n);
    xs_.resize(n);
    ys_.resize(n);
    zs_.resize(spec_.HasZ ? n : 0);
    ReadValues();
}

void TSeriesProvider::ReadValues()
{
    const TChartValueList& xv = *series_->XValues();
    const TChartValueList& yv = *series_->YValues();
    const TChartValueList* zv = spec_.HasZ ? series_->ValueLists()[2] : nullptr;
    for (std::size_t i = 0; i < items_.size(); ++i) {
        const int at = static_cast<int>(i);
        TClusterItem& item = items_[i];
        item.X = xs_[i] = xv.GetValueAt(at);
        item.Y = ys_[i] = yv.GetValueAt(at);
        item.Z = zv ? (zs_[i] = zv->GetValueAt(at)) : 0.0;
        item.Index = at;
    }
}

void TSeriesProvider::Prepare()
{
    // Same count: the values are read in place, so earlier results keep valid items.
    if (series_ && series_->PointCount() == static_cast<int>(items_.size()) &&
        (series_->ValueLists().Count() > 2) == spec_.HasZ)
        ReadValues();
    else if (series_)
        Load();
}

int TSeriesProvider::Count()
{
    if (!series_) return 0;
    if (series_->PointCount() != static_cast<int>(items_.size())) Load();
    return static_cast<int>(items_.size());
}

float TSeriesProvider::DistanceByIndex(int i, int j)
{
    const TClusterItem& a = items_[static_cast<std::size_t>(i)];
    const TClusterItem& b = items_[static_cast<std::size_t>(j)];
    return PointDistance(spec_, a.X, a.Y, a.Z, b.X, b.Y, b.Z);
}

float TSeriesProvider::DistanceBetween(const TCluster& a, const TCluster& b)
{
    return PointDistance(spec_, a.Item->X, a.Item->Y, a.Item->Z, b.Item->X, b.Item->Y, b.Item->Z);
}

float TSeriesProvider::DistanceToNode(int i, const TCluster& node)
{
    const TClusterItem& a = items_[static_cast<std::size_t>(i)];
    return PointDistance(spec_, a.X, a.Y, a.Z, node.Item->X, node.Item->Y, node.Item->Z);
}

void TSeriesProvider::DistanceRow(int i, int first, int last, float* out)
{
    const TClusterItem& a = items_[static_cast<std::size_t>(i)];
    const double* zs = spec_.HasZ ? zs_.data() : nullptr;
    // The lower index is the first operand: items before i, then items after it.
    const int before = std::min(last, i - 1);
    if (before >= first)
        PointDistances(spec_, a.X, a.Y, a.Z, false, xs_.data() + first, ys_.data() + first, zs ? zs + first : nullptr,
                       before - first + 1, out);
    const int after = std::max(first, i + 1);
    if (after <= last)
        PointDistances(spec_, a.X, a.Y, a.Z, true, xs_.data() + after, ys_.data() + after, zs ? zs + after : nullptr,
                       last - after + 1, out + (after - first));
}

void TSeriesProvider::DistancesToItem(const TClusterItem& centre, int first, int count, float* out)
{
    const double* zs = spec_.HasZ ? zs_.data() + first : nullptr;
    PointDistances(spec_, centre.X, centre.Y, centre.Z, false, xs_.data() + first, ys_.data() + first, zs, count, out);
}

bool TSeriesProvider::Columns(TClusterColumns& columns)
{
    columns.Xs = xs_.data();
    columns.Ys = ys_.data();
    columns.Zs = spec_.HasZ ? zs_.data() : nullptr;
    columns.Spec = spec_;
    return true;
}

// ---------------------------------------------------------------- tool

namespace {

std::unique_ptr<TSeriesPointer> MarkerPointer(TColor color)
{
    auto pointer = std::make_unique<TSeriesPointer>();
    pointer->InitVisible(false);
    pointer->SetStyle(psCircle);
    pointer->SetHorizSize(4);
    pointer->SetVertSize(4);
    pointer->Brush().SetColor(color);
    pointer->Pen().InitVisible(false);
    return pointer;
}

}  // namespace

TClusteringTool::TClusteringTool(TComponent* owner)
    : TDuvCustomToolSeries(owner),
      centers_(MarkerPointer(clRed)),
      centroids_(MarkerPointer(clLime)),
      provider_(std::make_unique<TSeriesProvider>()),
      hierarchical_(std::make_unique<THierarchicalClustering>(provider_.get())),
      kmeans_(std::make_unique<TKMeansClustering>(provider_.get())),
      qt_(std::make_unique<TQTClustering>(provider_.get()))
{
    Brush().SetColor(clWhite);
    provider_->SetLambda(3);
}

TClusteringTool::~TClusteringTool()
{
    if (ParentChart()) SetParentChart(nullptr);
}

void TClusteringTool::DeclareProperties(TPropertyDeclarer<TClusteringTool>& p)
{
    using T = TClusteringTool;
    using E = TCustomChartElement;
    p.Object("Brush", &E::Brush, &E::SetBrush);
    p.Object("Centers", &T::Centers, &T::SetCenters);
    p.Object("Centroids", &T::Centroids, &T::SetCentroids);
    p.Boolean("ColorEach", &T::ColorEach, &T::SetColorEach).Default(true);
    p.Enum("Distance", &T::Distance, &T::SetDistance).Default(dmEuclidean);
    p.Object("Hierarchical", &T::Hierarchical, &T::SetHierarchical);
    p.Object("KMeans", &T::KMeans, &T::SetKMeans);
    p.Enum("Linkage", &T::Linkage, &T::SetLinkage).Default(lmNone);
    p.Enum("Method", &T::Method, &T::SetMethod).Default(cmKMeans);
    p.Float("MinkowskiLambda", &T::MinkowskiLambda, &T::SetMinkowskiLambda).Default(3.0);
    p.Object("Pen", &E::Pen, &E::SetPen);
    p.Object("QTClustering", &T::QTClustering, &T::SetQTClustering);
    p.Component("Series", &TDuvCustomToolSeries::Series, &T::SetSeries);
    p.Boolean("ShowBounds", &T::ShowBounds, &T::SetShowBounds).Default(true);
    p.Integer("Transparency", &T::Transparency, &T::SetTransparency).Default(75);
}

TBaseClustering& TClusteringTool::Selected() const
{
    switch (method_) {
    case cmHierarchical: return *hierarchical_;
    case cmQT: return *qt_;
    case cmKMeans: break;
    }
    return *kmeans_;
}

TCluster* TClusteringTool::CurrentClusters() const { return Selected().ClusterList(); }

TCluster* TClusteringTool::RunClustering()
{
    provider_->SetSeries(Series());
    TCluster* result = Selected().Calculate();
    if (colorEach_) ColorPoints();
    RequestRepaint();
    return result;
}

void TClusteringTool::ColorPoints()
{
    auto* series = dynamic_cast<TChartSeries*>(Series());
    if (!series) return;
    RestorePointColors();
    const TCluster& clusters = *CurrentClusters();
    const int count = series->PointCount();
    for (int c = 0; c < clusters.Count(); ++c) {
        const TColor color = ParentChart() ? ParentChart()->ColorFromPalette(c) : DefaultPaletteColor(c);
        for (const TClusterItem* item : clusters.Cluster(c)->Points())
            if (item->Index < count && !series->IsNullPoint(item->Index)) series->SetPointColor(item->Index, color);
    }
}

void TClusteringTool::RestorePointColors()
{
    auto* series = dynamic_cast<TChartSeries*>(Series());
    if (!series) return;
    // Null points stay null: their colour is their mark.
    for (int i = 0; i < series->PointCount(); ++i)
        if (!series->IsNullPoint(i)) series->SetPointColor(i, clDefault);
}

void TClusteringTool::SetShowBounds(bool value) { ChangeBoolean(showBounds_, value); }

void TClusteringTool::SetTransparency(int value) { ChangeInteger(transparency_, value); }

void TClusteringTool::SetCenters(const TSeriesPointer* value)
{
    if (value && value != centers_.get()) AssignPublishedProperties(*centers_, *const_cast<TSeriesPointer*>(value));
    RequestRepaint();
}

void TClusteringTool::SetCentroids(const TSeriesPointer* value)
{
    if (value && value != centroids_.get()) AssignPublishedProperties(*centroids_, *const_cast<TSeriesPointer*>(value));
    RequestRepaint();
}

void TClusteringTool::SetMethod(TClusteringMethod value)
{
    method_ = value;
    // A chart being read has no result yet: its stored point colours stay.
    if (ComponentState() & csLoading) return;
    if (colorEach_) ColorPoints();
    if (showBounds_ || centers_->Visible() || centroids_->Visible()) RequestRepaint();
}

void TClusteringTool::SetColorEach(bool value)
{
    if (value == colorEach_) return;
    colorEach_ = value;
    if (ComponentState() & csLoading) return;
    if (value)
        ColorPoints();
    else
        RestorePointColors();
}

void TClusteringTool::SetLinkage(TLinkageMethod value)
{
    hierarchical_->Linkage = value;
    kmeans_->Linkage = value;
    qt_->Linkage = value;
}

void TClusteringTool::SetMinkowskiLambda(float value)
{
    if (value == 0) throw Exception("Minkowski Lambda cannot be zero");
    provider_->SetLambda(value);
}

void TClusteringTool::AttachPointers()
{
    TCustomAxisPanel* chart = ParentChart();
    if (!chart && Series()) chart = Series()->ParentChart();
    centers_->AttachToPanel(chart);
    centroids_->AttachToPanel(chart);
}

void TClusteringTool::SetSeries(TCustomChartSeries* value)
{
    const bool changed = value != Series();
    TDuvCustomToolSeries::SetSeries(value);
    if (changed) {
        hierarchical_->ClearResult();
        kmeans_->ClearResult();
        qt_->ClearResult();
        provider_->ClearItems();
    }
    AttachPointers();
    provider_->SetSeries(value);
}

void TClusteringTool::Notification(TComponent* component, TOperation operation)
{
    // The provider must not read a series that is going away.
    if (operation == TOperation::opRemove && component == Series()) provider_->ForgetSeries();
    TDuvCustomToolSeries::Notification(component, operation);
}

TClusterStatistics TClusteringTool::ClusterStatistics(const TCluster& node) const
{
    TClusterStatistics result;
    const std::vector<const TClusterItem*> points = node.Points();
    if (node.IsLeaf() || points.empty()) {
        result.Correlation = 0;
        return result;
    }
    double sx = 0, sy = 0, sxy = 0, sxx = 0, syy = 0;
    for (const TClusterItem* p : points) {
        sx += p->X;
        sy += p->Y;
        sxy += p->X * p->Y;
        sxx += p->X * p->X;
        syy += p->Y * p->Y;
    }
    const double n = static_cast<double>(points.size());
    result.Covariance = sxy - sx * sy / n;
    // Without spread in X or Y there is no correlation to tell.
    const double spread = (sxx - sx * sx / n) * (syy - sy * sy / n);
    if (spread > 0) result.Correlation = result.Covariance / std::sqrt(spread);
    // The cluster's own centre, in data values like its points.
    const TClusterItem centre = ClusterCenter(node);
    for (const TClusterItem* p : points) {
        const double d = PointDistance(provider_->Spec(), p->X, p->Y, p->Z, centre.X, centre.Y, centre.Z);
        result.SumOfSquares += d * d;
    }
    return result;
}

// ---------------------------------------------------------------- drawing

void TClusteringTool::HandleChartEvent(TChartEventCode code)
{
    if (code == TChartEventCode::AfterDraw) DrawClusters();
}

void TClusteringTool::DrawClusters()
{
    auto* series = dynamic_cast<TChartSeries*>(Series());
    TCustomAxisPanel* chart = ParentChart();
    if (!series || !chart || !series->HorizAxisObject() || !series->VertAxisObject()) return;
    const TCluster& clusters = *CurrentClusters();
    if (clusters.Count() == 0) return;
    AttachPointers();
    const bool view3D = chart->View3D();
    for (int c = 0; c < clusters.Count(); ++c) {
        const TCluster& cluster = *clusters.Cluster(c);
        if (cluster.Unclustered) continue;
        if (provider_->HasZ())
            DrawCluster3D(*series, cluster, view3D);
        else
            DrawCluster2D(*series, cluster, view3D);
    }
}

void TClusteringTool::DrawPointer(TSeriesPointer& pointer, bool view3D, int x, int y, int z)
{
    TCanvas3D& canvas = ParentChart()->Canvas();
    const TColor color = pointer.Brush().Color();
    pointer.OwnDepth = z;
    pointer.PreparePen(canvas, color);
    pointer.DrawStyled(canvas, view3D, x, y, pointer.HorizSize(), pointer.VertSize(), color, pointer.Style());
}

void TClusteringTool::DrawCluster2D(TChartSeries& series, const TCluster& cluster, bool view3D)
{
    if (centers_->Visible() && cluster.Item)
        DrawPointer(*centers_, view3D, series.ValueToScreenX(cluster.Item->X), series.ValueToScreenY(cluster.Item->Y), 0);
    if (!centroids_->Visible() && !showBounds_) return;
    TPointArray hull;
    for (const TClusterItem* p : cluster.Points()) hull.push_back({series.ValueToScreenX(p->X), series.ValueToScreenY(p->Y)});
    if (hull.empty()) return;
    ConvexHull(hull);
    if (centroids_->Visible()) {
        const TPointFloat centroid = PolygonCentroid(hull);
        DrawPointer(*centroids_, view3D, static_cast<int>(Rnd(centroid.X)), static_cast<int>(Rnd(centroid.Y)), 0);
    }
    if (!showBounds_) return;
    TCanvas3D& canvas = ParentChart()->Canvas();
    canvas.AssignPen(Pen());
    canvas.AssignBrushColor(Brush(), Brush().Color(), Brush().BackColor());
    TRect area{};
    if (!canvas.NativeBlending) canvas.ProjectedBounds(PolygonBounds(hull.data(), static_cast<int>(hull.size())), 0, area);
    TDuvBlend* blend = canvas.BeginBlending(area, transparency_);
    TScopeGuard close([&canvas, blend] { canvas.EndBlending(blend); });
    canvas.PolygonWithZ(hull, 0);
}

void TClusteringTool::DrawCluster3D(TChartSeries& series, const TCluster& cluster, bool view3D)
{
    TCustomAxisPanel& chart = *ParentChart();
    const TChartAxis* depth = chart.DepthAxis();
    auto depthOf = [depth](double z) { return depth ? depth->CalcPosValue(z) : 0; };
    if (centers_->Visible() && cluster.Item)
        DrawPointer(*centers_, view3D, series.ValueToScreenX(cluster.Item->X), series.ValueToScreenY(cluster.Item->Y),
                    depthOf(cluster.Item->Z));
    if (!showBounds_ && !centroids_->Visible()) return;
    const std::vector<const TClusterItem*> points = cluster.Points();
    if (points.empty()) return;
    TClusterItem low = *points.front(), high = low;
    for (const TClusterItem* p : points) {
        low.X = std::min(low.X, p->X), high.X = std::max(high.X, p->X);
        low.Y = std::min(low.Y, p->Y), high.Y = std::max(high.Y, p->Y);
        low.Z = std::min(low.Z, p->Z), high.Z = std::max(high.Z, p->Z);
    }
    const int x1 = series.ValueToScreenX(low.X), x2 = series.ValueToScreenX(high.X);
    const int y1 = series.ValueToScreenY(low.Y), y2 = series.ValueToScreenY(high.Y);
    const int z1 = depthOf(low.Z), z2 = depthOf(high.Z);
    if (showBounds_) {
        TCanvas3D& canvas = chart.Canvas();
        canvas.AssignPen(Pen());
        canvas.AssignBrushColor(Brush(), Brush().Color(), Brush().BackColor());
        // Every corner of the box counts: the part of the box outside the blended area would
        // stay opaque.
        TRect area{};
        if (!canvas.NativeBlending) {
            TPointArray corners;
            for (int x : {x1, x2})
                for (int y : {y1, y2})
                    for (int z : {z1, z2}) {
                        TPoint p;
                        canvas.Project(x, y, z, p);
                        corners.push_back(p);
                    }
            area = PolygonBounds(corners.data(), static_cast<int>(corners.size()));
        }
        TDuvBlend* blend = canvas.BeginBlending(area, transparency_);
        TScopeGuard close([&canvas, blend] { canvas.EndBlending(blend); });
        canvas.Cube(std::min(x1, x2), std::max(x1, x2), std::min(y1, y2), std::max(y1, y2), std::min(z1, z2),
                    std::max(z1, z2), true, 0);
    }
    if (centroids_->Visible()) DrawPointer(*centroids_, view3D, (x1 + x2) / 2, (y1 + y2) / 2, (z1 + z2) / 2);
}

// ---------------------------------------------------------------- registration

void DuvClusteringToolInitialization() { RegisterToolClasses({&TClusteringTool::StaticClass()}); }

void DuvClusteringToolFinalization() { UnregisterToolClasses({&TClusteringTool::StaticClass()}); }
