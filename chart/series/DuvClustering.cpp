#include "chart/series/DuvClustering.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>
#include <limits>

#include "chart/engine/DuvProcs.h"
#include "platform/core/Random.h"
#include "platform/core/ScopeGuard.h"

// ---------------------------------------------------------------- lists

namespace {

// The growth steps of the program's lists: by 4 while small, by 16 up to 64, then a quarter.
template <class V>
void Grow(V& items)
{
    const std::size_t capacity = items.capacity();
    if (items.size() < capacity) return;
    const std::size_t delta = capacity > 64 ? capacity / 4 : capacity > 8 ? 16 : 4;
    items.reserve(capacity + delta);
}

}  // namespace

void TFastList::Add(TObject* item)
{
    Grow(items_);
    items_.push_back(item);
}

void TFastList::Delete(int index) { items_.erase(items_.begin() + index); }

void TFloatList::Add(float value)
{
    Grow(items_);
    items_.push_back(value);
}

void TFloatList::Delete(int index) { items_.erase(items_.begin() + index); }

void TMatrix::FindMin()
{
    RowMin = NoMinimum;
    RowMinIndex = -1;
    const float* values = Data();
    for (int i = 0, n = Count(); i < n; ++i)
        if (values[i] < RowMin) {
            RowMin = values[i];
            RowMinIndex = i;
        }
}

void TMatrixList::FreeRow(int index)
{
    delete Row(index);
    Delete(index);
}

void TMatrixList::Clear()
{
    for (int i = 0; i < Count(); ++i) delete Row(i);
    TFastList::Clear();
}

TCluster::~TCluster()
{
    Clear();
    if (OwnsItem) delete Item;
}

TCluster* TCluster::AddCluster(TClusterItem* item, bool owns)
{
    auto* child = new TCluster(item, owns);
    Add(child);
    return child;
}

TCluster* TCluster::AddLeaves(int count)
{
    if (count <= 0) return nullptr;
    leafBlocks_.emplace_back(std::make_unique<TCluster[]>(static_cast<std::size_t>(count)), count);
    TCluster* leaves = leafBlocks_.back().first.get();
    SetCapacity(Count() + count);
    for (int i = 0; i < count; ++i) Add(leaves + i);
    return leaves;
}

bool TCluster::InLeafBlock(const TCluster* child) const
{
    const std::less<const TCluster*> before;
    for (const auto& [leaves, count] : leafBlocks_)
        if (!before(child, leaves.get()) && before(child, leaves.get() + count)) return true;
    return false;
}

void TCluster::FreeCluster(int index)
{
    // A leaf of a block goes with its block.
    if (!InLeafBlock(Cluster(index))) delete Cluster(index);
    Delete(index);
}

void TCluster::Clear()
{
    if (leafBlocks_.empty()) {
        for (int i = 0; i < Count(); ++i) delete Cluster(i);
    } else {
        for (int i = 0; i < Count(); ++i)
            if (!InLeafBlock(Cluster(i))) delete Cluster(i);
    }
    TFastList::Clear();
    leafBlocks_.clear();
}

std::vector<const TClusterItem*> TCluster::Points() const
{
    // A chain of merges can be as deep as the point count: walk without recursion.
    std::vector<const TClusterItem*> points;
    std::vector<const TCluster*> pending{this};
    while (!pending.empty()) {
        const TCluster* node = pending.back();
        pending.pop_back();
        if (node->IsLeaf()) {
            if (node->Item && node->Item->Index >= 0) points.push_back(node->Item);
            continue;
        }
        for (int i = node->Count() - 1; i >= 0; --i) pending.push_back(node->Cluster(i));
    }
    return points;
}

// ---------------------------------------------------------------- distances

namespace {

template <TDistanceMethod M, bool Z>
inline float Distance(const TDistanceSpec& spec, double x1, double y1, double z1, double x2, double y2, double z2)
{
    const double dx = x1 - x2, dy = y1 - y2, dz = Z ? z1 - z2 : 0.0;
    if constexpr (M == dmEuclidean || M == dmSquaredEuclidean) {
        double sum = dx * dx + dy * dy;
        if constexpr (Z) sum += dz * dz;
        if constexpr (M == dmEuclidean) return static_cast<float>(std::sqrt(sum));
        return static_cast<float>(sum);
    } else if constexpr (M == dmManhattan) {
        double sum = std::abs(dx) + std::abs(dy);
        if constexpr (Z) sum += std::abs(dz);
        return static_cast<float>(sum);
    } else if constexpr (M == dmMinkowski) {
        const double lambda = spec.Lambda;
        double sum = std::pow(std::abs(dx), lambda) + std::pow(std::abs(dy), lambda);
        if constexpr (Z) sum += std::pow(std::abs(dz), lambda);
        return static_cast<float>(std::pow(sum, static_cast<double>(spec.InverseLambda)));
    } else if constexpr (M == dmSorensen) {
        // The plain sum of the coordinates, as the measure is defined for positive values.
        double total = x1 + x2 + y1 + y2;
        double sum = std::abs(dx) + std::abs(dy);
        if constexpr (Z) {
            total += z1 + z2;
            sum += std::abs(dz);
        }
        return total != 0 ? static_cast<float>(sum / total) : 0.0f;
    } else {
        double most = std::max(std::abs(dx), std::abs(dy));
        if constexpr (Z) most = std::max(most, std::abs(dz));
        return static_cast<float>(most);
    }
}

template <TDistanceMethod M, bool Z, bool PointFirst>
void DistanceLoop(const TDistanceSpec& spec, double x, double y, double z, const double* xs, const double* ys,
                  const double* zs, int count, float* out)
{
    for (int k = 0; k < count; ++k) {
        const double zk = Z ? zs[k] : 0.0;
        out[k] = PointFirst ? Distance<M, Z>(spec, x, y, z, xs[k], ys[k], zk)
                            : Distance<M, Z>(spec, xs[k], ys[k], zk, x, y, z);
    }
}

template <TDistanceMethod M>
void DistanceLoopFor(const TDistanceSpec& spec, double x, double y, double z, bool pointFirst, const double* xs,
                     const double* ys, const double* zs, int count, float* out)
{
    if (spec.HasZ) {
        if (pointFirst)
            DistanceLoop<M, true, true>(spec, x, y, z, xs, ys, zs, count, out);
        else
            DistanceLoop<M, true, false>(spec, x, y, z, xs, ys, zs, count, out);
    } else if (pointFirst) {
        DistanceLoop<M, false, true>(spec, x, y, z, xs, ys, zs, count, out);
    } else {
        DistanceLoop<M, false, false>(spec, x, y, z, xs, ys, zs, count, out);
    }
}

template <TDistanceMethod M>
float DistanceFor(const TDistanceSpec& spec, double x1, double y1, double z1, double x2, double y2, double z2)
{
    return spec.HasZ ? Distance<M, true>(spec, x1, y1, z1, x2, y2, z2) : Distance<M, false>(spec, x1, y1, z1, x2, y2, z2);
}

}  // namespace

float PointDistance(const TDistanceSpec& spec, double x1, double y1, double z1, double x2, double y2, double z2)
{
    switch (spec.Method) {
    case dmEuclidean: return DistanceFor<dmEuclidean>(spec, x1, y1, z1, x2, y2, z2);
    case dmSquaredEuclidean: return DistanceFor<dmSquaredEuclidean>(spec, x1, y1, z1, x2, y2, z2);
    case dmManhattan: return DistanceFor<dmManhattan>(spec, x1, y1, z1, x2, y2, z2);
    case dmMinkowski: return DistanceFor<dmMinkowski>(spec, x1, y1, z1, x2, y2, z2);
    case dmSorensen: return DistanceFor<dmSorensen>(spec, x1, y1, z1, x2, y2, z2);
    case dmChebyshev: return DistanceFor<dmChebyshev>(spec, x1, y1, z1, x2, y2, z2);
    }
    return 0;
}

void PointDistances(const TDistanceSpec& spec, double x, double y, double z, bool pointFirst, const double* xs,
                    const double* ys, const double* zs, int count, float* out)
{
    switch (spec.Method) {
    case dmEuclidean: DistanceLoopFor<dmEuclidean>(spec, x, y, z, pointFirst, xs, ys, zs, count, out); break;
    case dmSquaredEuclidean:
        DistanceLoopFor<dmSquaredEuclidean>(spec, x, y, z, pointFirst, xs, ys, zs, count, out);
        break;
    case dmManhattan: DistanceLoopFor<dmManhattan>(spec, x, y, z, pointFirst, xs, ys, zs, count, out); break;
    case dmMinkowski: DistanceLoopFor<dmMinkowski>(spec, x, y, z, pointFirst, xs, ys, zs, count, out); break;
    case dmSorensen: DistanceLoopFor<dmSorensen>(spec, x, y, z, pointFirst, xs, ys, zs, count, out); break;
    case dmChebyshev: DistanceLoopFor<dmChebyshev>(spec, x, y, z, pointFirst, xs, ys, zs, count, out); break;
    }
}

// ---------------------------------------------------------------- provider

TClusterProvider::~TClusterProvider()
{
    // Methods that outlive their provider keep no result on its items.
    ReleaseItems();
    for (TBaseClustering* user : users_) user->provider_ = nullptr;
}

TClusterItem* TClusterProvider::NewItem(const TClusterItem* source)
{
    auto* item = new TClusterItem(source ? *source : TClusterItem{});
    item->Index = -1;
    return item;
}

void TClusterProvider::ComputeCentre(TCluster& node)
{
    TClusterItem centre;
    const int count = node.Count();
    for (int i = 0; i < count; ++i) {
        const TClusterItem* item = node.Cluster(i)->Item;
        centre.X += item->X;
        centre.Y += item->Y;
        centre.Z += item->Z;
    }
    if (count > 0) {
        centre.X /= count;
        centre.Y /= count;
        centre.Z /= count;
    }
    node.Item->X = centre.X;
    node.Item->Y = centre.Y;
    node.Item->Z = centre.Z;
}

void TClusterProvider::DistanceRow(int i, int first, int last, float* out)
{
    for (int j = first; j <= last; ++j)
        if (j != i) out[j - first] = j > i ? DistanceByIndex(i, j) : DistanceByIndex(j, i);
}

void TClusterProvider::DistancesToItem(const TClusterItem& centre, int first, int count, float* out)
{
    TClusterItem copy = centre;
    const TCluster node(&copy, false);
    for (int k = 0; k < count; ++k) out[k] = DistanceToNode(first + k, node);
}

void TClusterProvider::AddUser(TBaseClustering* user)
{
    if (std::find(users_.begin(), users_.end(), user) == users_.end()) users_.push_back(user);
}

void TClusterProvider::RemoveUser(TBaseClustering* user) { std::erase(users_, user); }

void TClusterProvider::ReleaseItems()
{
    for (TBaseClustering* user : users_) user->ClearResult();
}

// ---------------------------------------------------------------- base

TBaseClustering::TBaseClustering(TClusterProvider* provider) : provider_(provider)
{
    clusterList_ = std::make_unique<TCluster>(provider ? provider->NewItem(nullptr) : new TClusterItem, true);
    if (provider_) provider_->AddUser(this);
}

TBaseClustering::~TBaseClustering()
{
    if (provider_) provider_->RemoveUser(this);
}

void TBaseClustering::DeclareProperties(TPropertyDeclarer<TBaseClustering>& p)
{
    p.Enum("Linkage", &TBaseClustering::Linkage).Default(lmNone);
}

void TBaseClustering::Assign(const TPersistent* source)
{
    auto* other = dynamic_cast<const TBaseClustering*>(source);
    if (!other || &other->ClassType() != &ClassType()) {
        TPersistent::Assign(source);
        return;
    }
    AssignPublishedProperties(*this, *const_cast<TBaseClustering*>(other));
}

void TBaseClustering::ClearResult()
{
    clusterList_->Clear();
    *clusterList_->Item = TClusterItem{};
}

int TBaseClustering::BeginCalculation()
{
    itemCount_ = 0;
    if (!provider_) {
        ClearResult();
        return 0;
    }
    provider_->Prepare();
    ClearResult();
    itemCount_ = provider_->Count();
    return itemCount_;
}

void TBaseClustering::EndCalculation()
{
    if (provider_) provider_->Finish();
}

TCluster* TBaseClustering::Calculate()
{
    BeginCalculation();
    EndCalculation();
    return ClusterList();
}

void TBaseClustering::RunRows(int count, const std::function<void(int)>& row)
{
    if (ThreadCount > 1 && TDuvCPU::CountProcessors() > 1) {
        TDuvCPU::RunParallelRange(0, count - 1, tpHigher, [&row](TObject*, int i) { row(i); }, this, ThreadCount);
        return;
    }
    for (int i = 0; i < count; ++i) row(i);
}

// ---------------------------------------------------------------- hierarchical

void THierarchicalClustering::DeclareProperties(TPropertyDeclarer<THierarchicalClustering>& p)
{
    p.Integer("NumClusters", &THierarchicalClustering::NumClusters).Default(5);
}

namespace {

// Only the direct children of a node count for linkage: a node made by earlier merges brings
// its two sub-nodes; a leaf stands for itself.
int LinkageMemberCount(const TCluster& node) { return node.IsLeaf() ? 1 : node.Count(); }
const TCluster& LinkageMember(const TCluster& node, int i) { return node.IsLeaf() ? node : *node.Cluster(i); }

}  // namespace

float THierarchicalClustering::LinkageDistance(const TCluster& a, const TCluster& b)
{
    TClusterProvider& provider = *Provider();
    if (Linkage == lmNone || (a.IsLeaf() && b.IsLeaf())) return provider.DistanceBetween(a, b);
    const int countA = LinkageMemberCount(a), countB = LinkageMemberCount(b);
    if (Linkage == lmWard) {
        // One merged node serves every call; it only refers to the members, never frees them.
        if (!wardNode_) wardNode_ = std::make_unique<TCluster>(provider.NewItem(nullptr), true);
        TCluster& merged = *wardNode_;
        TScopeGuard detach([&merged] { merged.TFastList::Clear(); });
        for (int i = 0; i < countA; ++i) merged.Add(const_cast<TCluster*>(&LinkageMember(a, i)));
        for (int i = 0; i < countB; ++i) merged.Add(const_cast<TCluster*>(&LinkageMember(b, i)));
        provider.ComputeCentre(merged);
        auto spread = [&provider](const TCluster& node) {
            double sum = 0;
            for (int i = 0; i < node.Count(); ++i) {
                const double d = provider.DistanceBetween(*node.Cluster(i), node);
                sum += d * d;
            }
            return sum;
        };
        return static_cast<float>(spread(merged) - spread(a) - spread(b));
    }
    float result = Linkage == lmSingle ? 3.4e38f : Linkage == lmComplete ? 1.401298464324817e-45f : 0.0f;
    double sum = 0;
    for (int i = 0; i < countA; ++i)
        for (int j = 0; j < countB; ++j) {
            const float d = provider.DistanceBetween(LinkageMember(a, i), LinkageMember(b, j));
            if (Linkage == lmSingle)
                result = std::min(result, d);
            else if (Linkage == lmComplete)
                result = std::max(result, d);
            else
                sum += d;
        }
    if (Linkage == lmAverage) result = static_cast<float>(sum / (static_cast<double>(countA) * countB));
    return result;
}

TCluster* THierarchicalClustering::Calculate()
{
    int n = BeginCalculation();
    TScopeGuard finish([this] { EndCalculation(); });
    if (n <= 1 || NumClusters < 1) return ClusterList();
    TClusterProvider& provider = *Provider();
    TCluster& list = *ClusterList();
    list.SetCapacity(n);
    for (int i = 0; i < n; ++i) list.AddCluster(provider.ItemAt(i), false);

    // Row i holds the distances to the items after it, with its smallest entry.
    TMatrixList rows;
    rows.SetCapacity(n);
    for (int i = 0; i < n; ++i) {
        auto* row = new TMatrix;
        rows.Add(row);
        row->SetCount(n - i - 1);
    }
    const int items = n;
    RunRows(n, [&rows, &provider, items](int i) {
        TMatrix* row = rows.Row(i);
        if (row->Count() > 0) provider.DistanceRow(i, i + 1, items - 1, row->Data());
        row->FindMin();
    });

    do {
        // The closest pair: the first row holding the smallest minimum.
        int p = 0;
        for (int k = 1; k < n; ++k)
            if (rows.Row(k)->RowMin < rows.Row(p)->RowMin) p = k;
        // No finite distance is left to merge by (all of them beyond Single or not numbers).
        if (rows.Row(p)->RowMinIndex < 0) break;
        const int q = p + rows.Row(p)->RowMinIndex + 1;
        assert(p < q && q < n && rows.Count() == n && list.Count() == n);

        auto* node = new TCluster(provider.NewItem(nullptr), true);
        node->Add(list.Cluster(p));
        node->Add(list.Cluster(q));
        provider.ComputeCentre(*node);
        list.Put(p, node);
        list.Delete(q);
        --n;

        // Column q leaves every row before it.
        for (int k = 0; k < q; ++k) {
            TMatrix* row = rows.Row(k);
            const int at = q - k - 1;
            row->Delete(at);
            if (row->RowMinIndex == at)
                row->NeedsMin = true;
            else if (row->RowMinIndex > at)
                --row->RowMinIndex;
        }
        rows.FreeRow(q);

        // The new node's distances: its own row, and its column in the rows before it.
        TMatrix* own = rows.Row(p);
        own->SetCount(n - p - 1);
        for (int j = p + 1; j < n; ++j) own->Put(j - p - 1, LinkageDistance(*node, *list.Cluster(j)));
        own->FindMin();
        own->NeedsMin = false;
        for (int k = 0; k < p; ++k) {
            TMatrix* row = rows.Row(k);
            const int at = p - k - 1;
            const float d = LinkageDistance(*list.Cluster(k), *node);
            row->Put(at, d);
            if (row->NeedsMin) continue;
            if (d < row->RowMin) {
                row->RowMin = d;
                row->RowMinIndex = at;
            } else if (row->RowMinIndex == at && !(d == row->RowMin)) {
                // The minimum was the distance to the former cluster p, which is gone.
                row->NeedsMin = true;
            }
        }
        for (int k = 0; k < q; ++k) {
            TMatrix* row = rows.Row(k);
            if (!row->NeedsMin) continue;
            row->FindMin();
            row->NeedsMin = false;
        }
    } while (NumClusters < n);

    provider.ComputeCentre(list);
    return ClusterList();
}

// ---------------------------------------------------------------- k-means

void TKMeansClustering::DeclareProperties(TPropertyDeclarer<TKMeansClustering>& p)
{
    p.Integer("MaxIterations", &TKMeansClustering::MaxIterations).Default(1000);
    p.Integer("NumClusters", &TKMeansClustering::NumClusters).Default(5);
}

namespace {

// Points whose nearest centres are found together, in arrays small enough for the first cache.
constexpr int kKMeansBlock = 256;

// Points of one work share of a pass. The shares depend on the point and cluster counts alone
// and their centre sums are merged in share order, so any number of threads gives the same
// centres to the last bit; shares grow with the clusters to bound the memory of their sums.
int KMeansShare(int clusters) { return std::max(16384, 8 * clusters); }

// What a pass works on: the points by column and the centres by column.
struct TKMeansSpace {
    const double* Xs = nullptr;
    const double* Ys = nullptr;
    const double* Zs = nullptr;  // none without Z
    TDistanceSpec Spec;
    bool ByColumns = false;  // else the provider computes the distances
    int Clusters = 0;
    std::vector<double> Cx, Cy, Cz;
};

// The nearest centre as the program picks it from Single distances: the first at distance
// exactly 0, else the first at the smallest distance; nothing is nearer than a first distance
// that is not a number.
int FirstNearest(const float* distances, int count)
{
    for (int c = 0; c < count; ++c)
        if (distances[c] == 0) return c;
    float nearest = distances[0] == distances[0] ? distances[0] : -std::numeric_limits<float>::infinity();
    int best = 0;
    for (int c = 1; c < count; ++c)
        if (distances[c] < nearest) {
            nearest = distances[c];
            best = c;
        }
    return best;
}

int NearestOfPoint(const TKMeansSpace& space, int i, float* distances)
{
    const double z = space.Zs ? space.Zs[i] : 0.0;
    for (int c = 0; c < space.Clusters; ++c)
        distances[c] = PointDistance(space.Spec, space.Xs[i], space.Ys[i], z, space.Cx[static_cast<std::size_t>(c)],
                                     space.Cy[static_cast<std::size_t>(c)], space.Cz[static_cast<std::size_t>(c)]);
    return FirstNearest(distances, space.Clusters);
}

// Four points side by side in vector registers (two halves on processors without wide ones).
using TFourDoubles = double __attribute__((vector_size(32)));
using TFourMasks = long long __attribute__((vector_size(32)));

// Euclidean and squared Euclidean distances: the squared sums decide, as the Single distance
// grows with them, and no root is taken. Only a point with an earlier centre within rounding of
// its nearest one (or whose first sum is not a number) is decided on its Single distances.
// Four points at a time run through every centre in registers; the sums are formed as
// PointDistance forms them, without fused multiply-adds, so every variant gives the same picks.
// clang cannot clone a template for several processors: its builds (fuzzing) take the default.
#if defined(__clang__)
#define QB_WIDE_CLONES
#else
#define QB_WIDE_CLONES __attribute__((target_clones("avx2", "default")))
#endif
template <bool Z>
QB_WIDE_CLONES void NearestBySquares(const TKMeansSpace& space, int first, int count, int* pick, float* distances)
{
    const double* xs = space.Xs + first;
    const double* ys = space.Ys + first;
    const double* zs = Z ? space.Zs + first : nullptr;
    const double* cxs = space.Cx.data();
    const double* cys = space.Cy.data();
    const double* czs = space.Cz.data();
    const int k = space.Clusters;
    double best[kKMeansBlock], earlier[kKMeansBlock], chosen[kKMeansBlock];
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        TFourDoubles x, y, z{};
        std::memcpy(&x, xs + i, sizeof x);
        std::memcpy(&y, ys + i, sizeof y);
        if constexpr (Z) std::memcpy(&z, zs + i, sizeof z);
        TFourDoubles dx = x - cxs[0], dy = y - cys[0];
        TFourDoubles near = dx * dx + dy * dy;
        if constexpr (Z) {
            const TFourDoubles dz = z - czs[0];
            near += dz * dz;
        }
        TFourDoubles before = TFourDoubles{} + std::numeric_limits<double>::infinity(), which{};
        for (int c = 1; c < k; ++c) {
            dx = x - cxs[c];
            dy = y - cys[c];
            TFourDoubles sum = dx * dx + dy * dy;
            if constexpr (Z) {
                const TFourDoubles dz = z - czs[c];
                sum += dz * dz;
            }
            const TFourMasks closer = sum < near;
            // The smallest sum before the nearest centre: the one rounding could make as near.
            before = closer ? near : before;
            near = closer ? sum : near;
            which = closer ? TFourDoubles{} + c : which;
        }
        std::memcpy(best + i, &near, sizeof near);
        std::memcpy(earlier + i, &before, sizeof before);
        std::memcpy(chosen + i, &which, sizeof which);
    }
    for (; i < count; ++i) {
        double near = std::numeric_limits<double>::quiet_NaN(), before = std::numeric_limits<double>::infinity(), which = 0;
        for (int c = 0; c < k; ++c) {
            const double dx = xs[i] - cxs[c], dy = ys[i] - cys[c];
            double sum = dx * dx + dy * dy;
            if constexpr (Z) {
                const double dz = zs[i] - czs[c];
                sum += dz * dz;
            }
            if (c == 0) {
                near = sum;
            } else if (sum < near) {
                before = near;
                near = sum;
                which = c;
            }
        }
        best[i] = near;
        earlier[i] = before;
        chosen[i] = which;
    }
    for (i = 0; i < count; ++i) {
        pick[i] = static_cast<int>(chosen[i]);
        const double nearest = best[i];
        // Single keeps 24 bits: sums further apart than this never round to one distance.
        if (nearest == nearest && !(earlier[i] <= nearest * (1 + 0x1p-18) + 1e-40)) continue;
        pick[i] = NearestOfPoint(space, first + i, distances);
    }
}

// Any distance: the provider's rows per centre, then the first nearest per point.
void NearestByRows(TClusterProvider& provider, const std::vector<TClusterItem>& centres, int first, int count,
                   int* pick, std::vector<float>& rows)
{
    const int k = static_cast<int>(centres.size());
    for (int c = 0; c < k; ++c)
        provider.DistancesToItem(centres[static_cast<std::size_t>(c)], first, count,
                                 rows.data() + static_cast<std::size_t>(c) * kKMeansBlock);
    float distances[64];
    std::vector<float> many(k > 64 ? static_cast<std::size_t>(k) : 0);
    float* point = k > 64 ? many.data() : distances;
    for (int i = 0; i < count; ++i) {
        for (int c = 0; c < k; ++c) point[c] = rows[static_cast<std::size_t>(c) * kKMeansBlock + static_cast<std::size_t>(i)];
        pick[i] = FirstNearest(point, k);
    }
}

}  // namespace

TCluster* TKMeansClustering::Calculate()
{
    passes_ = 0;
    const int n = BeginCalculation();
    TScopeGuard finish([this] { EndCalculation(); });
    if (n == 0 || NumClusters < 1) return ClusterList();
    TClusterProvider& provider = *Provider();
    TCluster& list = *ClusterList();

    // More clusters than points cannot all get a distinct first item.
    const int k = std::min(NumClusters, n);
    const auto clusters = static_cast<std::size_t>(k);
    std::vector<char> drawn(static_cast<std::size_t>(n), 0);
    std::vector<TClusterItem*> centres;
    centres.reserve(clusters);
    for (int c = 0; c < k; ++c) {
        int index;
        do index = Random(n);
        while (drawn[static_cast<std::size_t>(index)]);
        drawn[static_cast<std::size_t>(index)] = 1;
        centres.push_back(list.AddCluster(provider.NewItem(provider.ItemAt(index)), true)->Item);
    }

    // The points by column: the provider's own, else copied from its items.
    TKMeansSpace space;
    space.Clusters = k;
    TClusterColumns columns;
    std::vector<double> ownXs, ownYs, ownZs;
    if (provider.Columns(columns)) {
        space.Xs = columns.Xs;
        space.Ys = columns.Ys;
        space.Zs = columns.Zs;
        space.Spec = columns.Spec;
        space.ByColumns = space.Spec.Method == dmEuclidean || space.Spec.Method == dmSquaredEuclidean;
    } else {
        ownXs.resize(static_cast<std::size_t>(n));
        ownYs.resize(static_cast<std::size_t>(n));
        ownZs.resize(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) {
            const TClusterItem& item = *provider.ItemAt(i);
            ownXs[static_cast<std::size_t>(i)] = item.X;
            ownYs[static_cast<std::size_t>(i)] = item.Y;
            ownZs[static_cast<std::size_t>(i)] = item.Z;
        }
        space.Xs = ownXs.data();
        space.Ys = ownYs.data();
        space.Zs = ownZs.data();
    }
    space.Cx.resize(clusters);
    space.Cy.resize(clusters);
    space.Cz.resize(clusters);
    std::vector<TClusterItem> centreValues(clusters);
    auto takeCentres = [&] {
        for (std::size_t c = 0; c < clusters; ++c) {
            centreValues[c] = *centres[c];
            space.Cx[c] = centres[c]->X;
            space.Cy[c] = centres[c]->Y;
            space.Cz[c] = centres[c]->Z;
        }
    };

    // Membership lives in arrays during the passes; the nodes are made once at the end, each
    // cluster's leaves in the order they joined it (pass by pass, items in index order).
    std::vector<int> owner(static_cast<std::size_t>(n), -1), joined(static_cast<std::size_t>(n), 0);
    const int share = KMeansShare(k);
    const int shares = (n - 1) / share + 1;
    std::vector<double> shareSums(static_cast<std::size_t>(shares) * clusters * 3);
    std::vector<int> shareMembers(static_cast<std::size_t>(shares) * clusters), shareMoves(static_cast<std::size_t>(shares));
    int pass = 0;
    // One share of a pass: each point to its nearest centre, and the share's sums per cluster.
    auto assign = [&](int s) {
        double* sums = shareSums.data() + static_cast<std::size_t>(s) * clusters * 3;
        int* members = shareMembers.data() + static_cast<std::size_t>(s) * clusters;
        std::fill(sums, sums + clusters * 3, 0.0);
        std::fill(members, members + clusters, 0);
        std::vector<float> scratch(space.ByColumns ? clusters : clusters * kKMeansBlock);
        int pick[kKMeansBlock];
        int moves = 0;
        const int end = std::min(n, (s + 1) * share);
        for (int first = s * share; first < end; first += kKMeansBlock) {
            const int count = std::min(kKMeansBlock, end - first);
            if (!space.ByColumns)
                NearestByRows(provider, centreValues, first, count, pick, scratch);
            else if (space.Zs)
                NearestBySquares<true>(space, first, count, pick, scratch.data());
            else
                NearestBySquares<false>(space, first, count, pick, scratch.data());
            for (int i = 0; i < count; ++i) {
                const auto at = static_cast<std::size_t>(first + i);
                const auto c = static_cast<std::size_t>(pick[i]);
                if (owner[at] != pick[i]) {
                    owner[at] = pick[i];
                    joined[at] = pass;
                    ++moves;
                }
                sums[3 * c] += space.Xs[at];
                sums[3 * c + 1] += space.Ys[at];
                if (space.Zs) sums[3 * c + 2] += space.Zs[at];
                ++members[c];
            }
        }
        shareMoves[static_cast<std::size_t>(s)] = moves;
    };

    std::vector<double> sums(clusters * 3);
    std::vector<int> members(clusters);
    for (; pass < MaxIterations; ++pass) {
        ++passes_;
        takeCentres();
        RunRows(shares, assign);
        std::fill(sums.begin(), sums.end(), 0.0);
        std::fill(members.begin(), members.end(), 0);
        int moves = 0;
        for (std::size_t s = 0; s < static_cast<std::size_t>(shares); ++s) {
            moves += shareMoves[s];
            for (std::size_t v = 0; v < clusters * 3; ++v) sums[v] += shareSums[s * clusters * 3 + v];
            for (std::size_t c = 0; c < clusters; ++c) members[c] += shareMembers[s * clusters + c];
        }
        // A cluster that lost every member keeps its last centre.
        for (std::size_t c = 0; c < clusters; ++c) {
            if (members[c] == 0) continue;
            centres[c]->X = sums[3 * c] / members[c];
            centres[c]->Y = sums[3 * c + 1] / members[c];
            centres[c]->Z = sums[3 * c + 2] / members[c];
        }
        if (moves == 0) break;
    }
    if (passes_ == 0) {
        list.Clear();
        return ClusterList();
    }

    // Leaves by (cluster, pass joined, index): a counting sort by pass, then by cluster.
    std::vector<int> byPass(static_cast<std::size_t>(passes_) + 1, 0), order(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) ++byPass[static_cast<std::size_t>(joined[static_cast<std::size_t>(i)]) + 1];
    for (std::size_t p = 1; p < byPass.size(); ++p) byPass[p] += byPass[p - 1];
    for (int i = 0; i < n; ++i) order[static_cast<std::size_t>(byPass[static_cast<std::size_t>(joined[static_cast<std::size_t>(i)])]++)] = i;
    std::vector<TCluster*> next(clusters);
    for (std::size_t c = 0; c < clusters; ++c) next[c] = list.Cluster(static_cast<int>(c))->AddLeaves(members[c]);
    for (int i : order) next[static_cast<std::size_t>(owner[static_cast<std::size_t>(i)])]++->Item = provider.ItemAt(i);
    for (int c = k - 1; c >= 0; --c)
        if (list.Cluster(c)->IsLeaf()) list.FreeCluster(c);
    return ClusterList();
}

// ---------------------------------------------------------------- QT

void TQTClustering::DeclareProperties(TPropertyDeclarer<TQTClustering>& p)
{
    p.Float("MaxDiameter", &TQTClustering::MaxDiameter).Default(1.0);
    p.Integer("MinCount", &TQTClustering::MinCount).Default(1);
}

namespace {
struct TNeighbour {
    int Index;
    float Distance;
};
}  // namespace

TCluster* TQTClustering::Calculate()
{
    const int n = BeginCalculation();
    TScopeGuard finish([this] { EndCalculation(); });
    if (n == 0) return ClusterList();
    TClusterProvider& provider = *Provider();
    TCluster& list = *ClusterList();

    // Each item's neighbours within MaxDiameter, nearest first. Farther items can never join
    // its cluster nor count for it, so they are not kept (n^2 pairs would not fit in memory).
    std::vector<std::vector<TNeighbour>> neighbours(static_cast<std::size_t>(n));
    const double reach = MaxDiameter;
    RunRows(n, [&neighbours, &provider, n, reach](int i) {
        constexpr int Chunk = 2048;
        float distances[Chunk];
        std::vector<TNeighbour>& near = neighbours[static_cast<std::size_t>(i)];
        for (int first = 0; first < n; first += Chunk) {
            const int last = std::min(n, first + Chunk) - 1;
            provider.DistanceRow(i, first, last, distances);
            for (int j = first; j <= last; ++j) {
                const float d = distances[j - first];
                if (j != i && static_cast<double>(d) < reach) near.push_back({j, d});
            }
        }
        std::sort(near.begin(), near.end(), [](const TNeighbour& a, const TNeighbour& b) {
            return a.Distance < b.Distance || (a.Distance == b.Distance && a.Index < b.Index);
        });
    });

    // Candidates of a free item: the free items within reach. The pairs are symmetric, so
    // taking an item lowers the count of each of its neighbours.
    std::vector<int> candidates(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) candidates[static_cast<std::size_t>(i)] = static_cast<int>(neighbours[static_cast<std::size_t>(i)].size());
    std::vector<char> taken(static_cast<std::size_t>(n), 0);
    int free = n;
    // A cluster's members are gathered first, then made leaves in one block.
    std::vector<int> members;
    auto addLeaves = [&](TCluster& cluster) {
        TCluster* leaf = cluster.AddLeaves(static_cast<int>(members.size()));
        for (int item : members) leaf++->Item = provider.ItemAt(item);
        members.clear();
    };
    auto take = [&](int item) {
        taken[static_cast<std::size_t>(item)] = 1;
        --free;
        members.push_back(item);
        for (const TNeighbour& m : neighbours[static_cast<std::size_t>(item)]) --candidates[static_cast<std::size_t>(m.Index)];
    };
    while (free > 0) {
        int seed = -1, most = 0;
        for (int i = 0; i < n; ++i)
            if (!taken[static_cast<std::size_t>(i)] && candidates[static_cast<std::size_t>(i)] > most) {
                seed = i;
                most = candidates[static_cast<std::size_t>(i)];
            }
        if (seed < 0 || most < MinCount) break;
        TCluster& cluster = *list.AddCluster(provider.NewItem(nullptr), true);
        take(seed);
        for (const TNeighbour& m : neighbours[static_cast<std::size_t>(seed)])
            if (!taken[static_cast<std::size_t>(m.Index)]) take(m.Index);
        addLeaves(cluster);
        provider.ComputeCentre(cluster);
    }
    if (free > 0) {
        TCluster& rest = *list.AddCluster(provider.NewItem(nullptr), true);
        rest.Unclustered = true;
        for (int i = 0; i < n; ++i)
            if (!taken[static_cast<std::size_t>(i)]) members.push_back(i);
        addLeaves(rest);
    }
    return ClusterList();
}
