#pragma once
// The clustering tool: groups the points of its series by one of the three clustering methods,
// colours the points by cluster and draws, after the chart, each cluster's centre, the centroid
// of its screen points and a see-through outline (a convex polygon in 2D, a box in 3D).
// Clustering runs only on request (RunClustering); drawing shows the last result of the
// selected method.
#include <memory>
#include <optional>

#include "chart/engine/RuRazaziLists.h"
#include "chart/series/DuvClustering.h"
#include "chart/series/RuRazaziPointer.h"

class TChartSeries;

// The points of a series: X and Y, and Z from a third value list when the series has one.
class TSeriesProvider : public TClusterProvider {
public:
    TSeriesProvider() = default;
    ~TSeriesProvider() override;

    TCustomChartSeries* Series() const { return series_; }
    // Loads the series when it differs from the current one.
    void SetSeries(TCustomChartSeries* series);
    // Lets go of the series without reading it (it is being freed).
    void ForgetSeries();
    TDistanceMethod Distance() const { return spec_.Method; }
    void SetDistance(TDistanceMethod method) { spec_.Method = method; }
    float Lambda() const { return spec_.Lambda; }
    float InverseLambda() const { return spec_.InverseLambda; }
    // Stores the exponent and its reciprocal.
    void SetLambda(float value);
    bool HasZ() const { return spec_.HasZ; }
    const TDistanceSpec& Spec() const { return spec_; }
    void ClearItems();

    // The series' current values: a series edited since the last load is clustered as it is now.
    void Prepare() override;
    float DistanceByIndex(int i, int j) override;
    float DistanceBetween(const TCluster& a, const TCluster& b) override;
    float DistanceToNode(int i, const TCluster& node) override;
    TClusterItem* ItemAt(int i) override { return &items_[static_cast<std::size_t>(i)]; }
    // Loads the series again when its point count differs from the item count; 0 without series.
    int Count() override;
    void DistanceRow(int i, int first, int last, float* out) override;
    void DistancesToItem(const TClusterItem& centre, int first, int count, float* out) override;
    bool Columns(TClusterColumns& columns) override;

private:
    void Load();
    // Copies the values into the items and the coordinate arrays, which have the right size.
    void ReadValues();
    TCustomChartSeries* series_ = nullptr;
    TDistanceSpec spec_;
    std::vector<TClusterItem> items_;
    // The same coordinates by column, for the distance loops.
    std::vector<double> xs_, ys_, zs_;
};

QB_ENUM(TClusteringMethod, cmKMeans, cmHierarchical, cmQT)

// What the editor shows of one cluster; Correlation is empty when a variance is zero.
struct TClusterStatistics {
    double Covariance = 0;
    std::optional<double> Correlation;
    double SumOfSquares = 0;
};

class TClusteringTool : public TDuvCustomToolSeries {
    QB_CLASS(TClusteringTool, TDuvCustomToolSeries)
public:
    explicit TClusteringTool(TComponent* owner);
    ~TClusteringTool() override;
    static void DeclareProperties(TPropertyDeclarer<TClusteringTool>& p);

    bool ShowBounds() const { return showBounds_; }
    void SetShowBounds(bool value);
    TSeriesPointer* Centers() const { return centers_.get(); }
    void SetCenters(const TSeriesPointer* value);
    TSeriesPointer* Centroids() const { return centroids_.get(); }
    void SetCentroids(const TSeriesPointer* value);
    bool ColorEach() const { return colorEach_; }
    void SetColorEach(bool value);
    TClusteringMethod Method() const { return method_; }
    void SetMethod(TClusteringMethod value);
    int Transparency() const { return transparency_; }
    void SetTransparency(int value);
    THierarchicalClustering* Hierarchical() const { return hierarchical_.get(); }
    void SetHierarchical(const THierarchicalClustering* value) { hierarchical_->Assign(value); }
    TKMeansClustering* KMeans() const { return kmeans_.get(); }
    void SetKMeans(const TKMeansClustering* value) { kmeans_->Assign(value); }
    TQTClustering* QTClustering() const { return qt_.get(); }
    void SetQTClustering(const TQTClustering* value) { qt_->Assign(value); }
    TDistanceMethod Distance() const { return provider_->Distance(); }
    void SetDistance(TDistanceMethod value) { provider_->SetDistance(value); }
    TLinkageMethod Linkage() const { return kmeans_->Linkage; }
    void SetLinkage(TLinkageMethod value);
    float MinkowskiLambda() const { return provider_->Lambda(); }
    // Raises Exception "Minkowski Lambda cannot be zero" for 0; the value stays then.
    void SetMinkowskiLambda(float value);
    TSeriesProvider& Provider() const { return *provider_; }

    // Runs the selected method on the series, colours the points when ColorEach is set and
    // answers the result.
    TCluster* RunClustering();
    // The last result of the selected method.
    TCluster* CurrentClusters() const;
    TClusterItem ClusterCenter(const TCluster& node) const { return node.Item ? *node.Item : TClusterItem{}; }
    TClusterStatistics ClusterStatistics(const TCluster& node) const;

    void SetSeries(TCustomChartSeries* value) override;
    void HandleChartEvent(TChartEventCode code) override;
    std::string GetDescription() const override { return "Clustering"; }
    std::string GetSummary() const override { return "Perform \"clustering\" on your data."; }
    std::string GetEditorClassName() const override { return "TClusteringToolEditor"; }

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    TBaseClustering& Selected() const;
    // Every point back to clDefault, then each cluster's points in its palette colour.
    void ColorPoints();
    void RestorePointColors();
    void AttachPointers();
    void DrawClusters();
    void DrawCluster2D(TChartSeries& series, const TCluster& cluster, bool view3D);
    void DrawCluster3D(TChartSeries& series, const TCluster& cluster, bool view3D);
    void DrawPointer(TSeriesPointer& pointer, bool view3D, int x, int y, int z);

    bool showBounds_ = true;
    bool colorEach_ = true;
    TClusteringMethod method_ = cmKMeans;
    int transparency_ = 75;
    std::unique_ptr<TSeriesPointer> centers_;
    std::unique_ptr<TSeriesPointer> centroids_;
    std::unique_ptr<TSeriesProvider> provider_;
    std::unique_ptr<THierarchicalClustering> hierarchical_;
    std::unique_ptr<TKMeansClustering> kmeans_;
    std::unique_ptr<TQTClustering> qt_;
};

void DuvClusteringToolInitialization();
void DuvClusteringToolFinalization();
