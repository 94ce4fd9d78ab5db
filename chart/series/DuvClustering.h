#pragma once
// Grouping points into clusters by three methods: hierarchical (agglomerative), k-means and
// quality-threshold (QT). The methods see points only through a provider and know nothing of
// charts; their result is a tree of TCluster nodes whose root is the method's ClusterList.
//
// What always holds:
// - Distances are Single values; every distance between two points is computed with the lower
//   item index first, so a pair has one distance whichever side asks.
// - A result refers to the provider's items of the load it was computed on. A provider that lets
//   its items go tells the methods that use it first, and they drop their results: no node ever
//   points at a freed item.
// - Group nodes own their centres; point items belong to the provider.
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "platform/core/Component.h"

class TBaseClustering;
struct TClusterColumns;

// One point (Index >= 0, the series point) or a computed centre (Index -1).
struct TClusterItem {
    double X = 0;
    double Y = 0;
    double Z = 0;
    int Index = -1;
};

// A growable array of object references.
class TFastList : public TObject {
public:
    TFastList() = default;
    ~TFastList() override = default;
    TFastList(const TFastList&) = delete;
    TFastList& operator=(const TFastList&) = delete;

    int Count() const { return static_cast<int>(items_.size()); }
    int Capacity() const { return static_cast<int>(items_.capacity()); }
    TObject* Get(int index) const { return items_[static_cast<std::size_t>(index)]; }
    void Put(int index, TObject* item) { items_[static_cast<std::size_t>(index)] = item; }
    void Add(TObject* item);
    // Closes the gap; the item is not freed.
    void Delete(int index);
    // Room for count items without further growth.
    void SetCapacity(int count) { items_.reserve(static_cast<std::size_t>(count)); }
    virtual void Clear() { items_.clear(); }

private:
    std::vector<TObject*> items_;
};

// The same for Single values.
class TFloatList : public TObject {
public:
    int Count() const { return static_cast<int>(items_.size()); }
    float Get(int index) const { return items_[static_cast<std::size_t>(index)]; }
    void Put(int index, float value) { items_[static_cast<std::size_t>(index)] = value; }
    float* Data() { return items_.data(); }
    void Add(float value);
    void Delete(int index);
    void SetCount(int count) { items_.resize(static_cast<std::size_t>(count)); }
    virtual void Clear() { items_.clear(); }

private:
    std::vector<float> items_;
};

// One row of the hierarchical distance cache with its smallest entry.
class TMatrix : public TFloatList {
public:
    static constexpr float NoMinimum = 3.4e38f;
    float RowMin = NoMinimum;
    int RowMinIndex = -1;  // position in the row; -1 for an empty row
    bool NeedsMin = false;
    // The first smallest entry.
    void FindMin();
};

// Rows of the distance cache; owns them.
class TMatrixList : public TFastList {
public:
    ~TMatrixList() override { Clear(); }
    TMatrix* Row(int index) const { return static_cast<TMatrix*>(Get(index)); }
    // Frees the row and closes the gap.
    void FreeRow(int index);
    void Clear() override;
};

// A node of the result: its items are child nodes, which it owns.
class TCluster : public TFastList {
public:
    TCluster(TClusterItem* item = nullptr, bool ownsItem = false) : Item(item), OwnsItem(ownsItem) {}
    ~TCluster() override;

    // A point record of the provider for a leaf, the node's own centre for a group.
    TClusterItem* Item;
    bool OwnsItem;
    // Collects the points no QT cluster took.
    bool Unclustered = false;

    TCluster* Cluster(int index) const { return static_cast<TCluster*>(Get(index)); }
    TCluster* AddCluster(TClusterItem* item, bool owns);
    // count leaves (no item yet, none owned) made in one allocation and added as children;
    // answers the first. A result of a million points is not a million allocations.
    TCluster* AddLeaves(int count);
    // Frees the child and closes the gap.
    void FreeCluster(int index);
    // Frees every child.
    void Clear() override;
    bool IsLeaf() const { return Count() == 0; }
    // The point items under the node (leaves whose item has an index >= 0), left to right.
    std::vector<const TClusterItem*> Points() const;

private:
    bool InLeafBlock(const TCluster* child) const;
    std::vector<std::pair<std::unique_ptr<TCluster[]>, int>> leafBlocks_;
};

// Where the methods get their points and distances from.
class TClusterProvider : public TObject {
public:
    TClusterProvider() = default;
    ~TClusterProvider() override;
    TClusterProvider(const TClusterProvider&) = delete;
    TClusterProvider& operator=(const TClusterProvider&) = delete;

    virtual void Prepare() {}
    virtual float DistanceByIndex(int i, int j) = 0;
    virtual float DistanceBetween(const TCluster& a, const TCluster& b) = 0;
    virtual float DistanceToNode(int i, const TCluster& node) = 0;
    // A copy of source (zeros without one), always with Index -1; the caller owns it.
    virtual TClusterItem* NewItem(const TClusterItem* source);
    virtual void Finish() {}
    virtual TClusterItem* ItemAt(int i) = 0;
    // The node's item becomes the mean of its children's items (zeros without children).
    virtual void ComputeCentre(TCluster& node);
    virtual int Count() = 0;

    // Bulk forms for the methods' inner loops, one call per row or block instead of one per
    // pair; each only reads the items, so rows may be computed on several threads at once.
    // out[j - first] = the distance between items i and j (j = first .. last, j != i).
    virtual void DistanceRow(int i, int first, int last, float* out);
    // out[k] = the distance from item first + k to centre, for k = 0 .. count - 1.
    virtual void DistancesToItem(const TClusterItem& centre, int first, int count, float* out);
    // The items' coordinates as columns, valid until the items change; false when the provider
    // keeps none (the methods then take the distances from the calls above).
    virtual bool Columns(TClusterColumns& columns)
    {
        (void)columns;
        return false;
    }

    // The methods computing on this provider; they hear when its items go.
    void AddUser(TBaseClustering* user);
    void RemoveUser(TBaseClustering* user);

protected:
    // Every user drops its result; call before the items change place or go.
    void ReleaseItems();

private:
    std::vector<TBaseClustering*> users_;
};

QB_ENUM(TDistanceMethod, dmEuclidean, dmSquaredEuclidean, dmManhattan, dmMinkowski, dmSorensen, dmChebyshev)
QB_ENUM(TLinkageMethod, lmNone, lmSingle, lmComplete, lmAverage, lmWard)

// How the distances are taken: the method, whether Z counts, and the Minkowski exponent with
// its reciprocal.
struct TDistanceSpec {
    TDistanceMethod Method = dmEuclidean;
    bool HasZ = false;
    float Lambda = 3;
    float InverseLambda = 1.0f / 3;
};

// The items' coordinates by column (index order) and how their distances are taken.
struct TClusterColumns {
    const double* Xs = nullptr;
    const double* Ys = nullptr;
    const double* Zs = nullptr;  // none without Z
    TDistanceSpec Spec;
};

// The distance between a and b, rounded to Single.
float PointDistance(const TDistanceSpec& spec, double x1, double y1, double z1, double x2, double y2, double z2);
// out[k] = PointDistance(point, k) for the points of the arrays (zs unused without Z); with
// pointFirst the fixed point is the first operand, else the second.
void PointDistances(const TDistanceSpec& spec, double x, double y, double z, bool pointFirst, const double* xs,
                    const double* ys, const double* zs, int count, float* out);

// The base of the three methods.
class TBaseClustering : public TPersistent {
    QB_CLASS(TBaseClustering, TPersistent)
public:
    explicit TBaseClustering(TClusterProvider* provider);
    ~TBaseClustering() override;
    TBaseClustering(const TBaseClustering&) = delete;
    TBaseClustering& operator=(const TBaseClustering&) = delete;
    static void DeclareProperties(TPropertyDeclarer<TBaseClustering>& p);

    TLinkageMethod Linkage = lmNone;
    // Threads for the distance rows; 1 computes them in order on the calling thread.
    int ThreadCount = 1;

    TClusterProvider* Provider() const { return provider_; }
    TCluster* ClusterList() const { return clusterList_.get(); }
    // The clusters of the last run (the children of ClusterList), none before a run.
    int ClusterCount() const { return clusterList_->Count(); }
    // Runs the method; answers ClusterList.
    virtual TCluster* Calculate();
    // Frees every node of the result; ClusterList's own centre goes back to zeros.
    void ClearResult();
    // The published settings of the same method.
    void Assign(const TPersistent* source) override;

protected:
    // Prepare, an empty ClusterList and the item count.
    int BeginCalculation();
    void EndCalculation();
    // row(i) for i = 0 .. count - 1, on ThreadCount threads when above 1 and the machine has
    // more than one processor.
    void RunRows(int count, const std::function<void(int)>& row);
    int itemCount_ = 0;

private:
    friend class TClusterProvider;
    TClusterProvider* provider_;
    std::unique_ptr<TCluster> clusterList_;
};

class THierarchicalClustering : public TBaseClustering {
    QB_CLASS(THierarchicalClustering, TBaseClustering)
public:
    using TBaseClustering::TBaseClustering;
    static void DeclareProperties(TPropertyDeclarer<THierarchicalClustering>& p);
    int NumClusters = 5;
    TCluster* Calculate() override;
    // The linkage distance between two nodes.
    float LinkageDistance(const TCluster& a, const TCluster& b);

private:
    std::unique_ptr<TCluster> wardNode_;  // the merged node of Ward's linkage, reused
};

class TKMeansClustering : public TBaseClustering {
    QB_CLASS(TKMeansClustering, TBaseClustering)
public:
    using TBaseClustering::TBaseClustering;
    static void DeclareProperties(TPropertyDeclarer<TKMeansClustering>& p);
    int NumClusters = 5;
    int MaxIterations = 1000;
    // The first centres are items drawn with the program's random generator (Random.h).
    TCluster* Calculate() override;
    // Passes of the last run.
    int Passes() const { return passes_; }

private:
    int passes_ = 0;
};

class TQTClustering : public TBaseClustering {
    QB_CLASS(TQTClustering, TBaseClustering)
public:
    using TBaseClustering::TBaseClustering;
    static void DeclareProperties(TPropertyDeclarer<TQTClustering>& p);
    int MinCount = 1;
    double MaxDiameter = 1;
    TCluster* Calculate() override;
};
