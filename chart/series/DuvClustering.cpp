#include "chart/series/DuvClustering.h"

#include <algorithm>
#include <cassert>
#include <cmath>
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

void TCluster::FreeCluster(int index)
{
    delete Cluster(index);
    Delete(index);
}

void TCluster::Clear()
{
    for (int i = 0; i < Count(); ++i) delete Cluster(i);
    TFastList::Clear();
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

float THierarchicalClustering::LinkageDistance(const TCluster& a, const TCluster& b)
{
    TClusterProvider& provider = *Provider();
    if (Linkage == lmNone || (a.IsLeaf() && b.IsLeaf())) return provider.DistanceBetween(a, b);
    // Only the direct children count: a node made by earlier merges brings its two sub-nodes.
    auto members = [](const TCluster& node) {
        std::vector<const TCluster*> list;
        if (node.IsLeaf())
            list.push_back(&node);
        else
            for (int i = 0; i < node.Count(); ++i) list.push_back(node.Cluster(i));
        return list;
    };
    const std::vector<const TCluster*> ma = members(a), mb = members(b);
    if (Linkage == lmWard) {
        TCluster merged(provider.NewItem(nullptr), true);
        // The merged node only refers to the members; they are not its own to free.
        TScopeGuard detach([&merged] { merged.TFastList::Clear(); });
        for (const TCluster* m : ma) merged.Add(const_cast<TCluster*>(m));
        for (const TCluster* m : mb) merged.Add(const_cast<TCluster*>(m));
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
    for (const TCluster* x : ma)
        for (const TCluster* y : mb) {
            const float d = provider.DistanceBetween(*x, *y);
            if (Linkage == lmSingle)
                result = std::min(result, d);
            else if (Linkage == lmComplete)
                result = std::max(result, d);
            else
                sum += d;
        }
    if (Linkage == lmAverage) result = static_cast<float>(sum / static_cast<double>(ma.size() * mb.size()));
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
    std::vector<char> drawn(static_cast<std::size_t>(n), 0);
    std::vector<TClusterItem*> centres;
    centres.reserve(static_cast<std::size_t>(k));
    for (int c = 0; c < k; ++c) {
        int index;
        do index = Random(n);
        while (drawn[static_cast<std::size_t>(index)]);
        drawn[static_cast<std::size_t>(index)] = 1;
        centres.push_back(list.AddCluster(provider.NewItem(provider.ItemAt(index)), true)->Item);
    }

    // Membership lives in arrays during the passes; the nodes are made once at the end, each
    // cluster's leaves in the order they joined it (pass by pass, items in index order).
    std::vector<int> owner(static_cast<std::size_t>(n), -1), joined(static_cast<std::size_t>(n), 0);
    constexpr int Block = 1024;
    std::vector<float> distances(static_cast<std::size_t>(k) * Block), nearest(Block);
    std::vector<int> chosen(Block), zero(Block);
    std::vector<double> sums(static_cast<std::size_t>(k) * 3);
    std::vector<int> members(static_cast<std::size_t>(k));
    std::vector<const TClusterItem*> items(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) items[static_cast<std::size_t>(i)] = provider.ItemAt(i);
    for (int pass = 0; pass < MaxIterations; ++pass) {
        ++passes_;
        int moves = 0;
        for (int first = 0; first < n; first += Block) {
            const int count = std::min(Block, n - first);
            for (int c = 0; c < k; ++c)
                provider.DistancesToItem(*centres[static_cast<std::size_t>(c)], first, count,
                                         distances.data() + static_cast<std::size_t>(c) * Block);
            // Nearest centre: the first at distance exactly 0, else the first at the smallest
            // distance. Cluster by cluster over the block, so the comparisons run in vector
            // registers.
            float* __restrict near = nearest.data();
            int* __restrict pick = chosen.data();
            int* __restrict zeroAt = zero.data();
            for (int i = 0; i < count; ++i) {
                const float d = distances[static_cast<std::size_t>(i)];
                // Nothing is nearer than a first distance that is not a number.
                near[i] = d == d ? d : -std::numeric_limits<float>::infinity();
                pick[i] = 0;
                zeroAt[i] = d == 0 ? 0 : -1;
            }
            for (int c = 1; c < k; ++c) {
                const float* __restrict row = distances.data() + static_cast<std::size_t>(c) * Block;
                for (int i = 0; i < count; ++i) {
                    const float d = row[i];
                    const int closer = d < near[i];
                    const int firstZero = (d == 0) & (zeroAt[i] < 0);
                    near[i] = d < near[i] ? d : near[i];
                    pick[i] += closer * (c - pick[i]);
                    zeroAt[i] += firstZero * (c - zeroAt[i]);
                }
            }
            for (int i = 0; i < count; ++i) {
                const int best = zeroAt[i] >= 0 ? zeroAt[i] : pick[i];
                int& current = owner[static_cast<std::size_t>(first + i)];
                if (current == best) continue;
                current = best;
                joined[static_cast<std::size_t>(first + i)] = pass;
                ++moves;
            }
        }
        // A cluster that lost every member keeps its last centre.
        std::fill(sums.begin(), sums.end(), 0.0);
        std::fill(members.begin(), members.end(), 0);
        for (int i = 0; i < n; ++i) {
            const TClusterItem& item = *items[static_cast<std::size_t>(i)];
            const std::size_t c = static_cast<std::size_t>(owner[static_cast<std::size_t>(i)]);
            sums[3 * c] += item.X;
            sums[3 * c + 1] += item.Y;
            sums[3 * c + 2] += item.Z;
            ++members[c];
        }
        for (std::size_t c = 0; c < static_cast<std::size_t>(k); ++c) {
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
    for (int c = 0; c < k; ++c) list.Cluster(c)->SetCapacity(members[static_cast<std::size_t>(c)]);
    for (int i : order)
        list.Cluster(owner[static_cast<std::size_t>(i)])->AddCluster(const_cast<TClusterItem*>(items[static_cast<std::size_t>(i)]), false);
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
    auto take = [&](TCluster& cluster, int item) {
        taken[static_cast<std::size_t>(item)] = 1;
        --free;
        cluster.AddCluster(provider.ItemAt(item), false);
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
        take(cluster, seed);
        for (const TNeighbour& m : neighbours[static_cast<std::size_t>(seed)])
            if (!taken[static_cast<std::size_t>(m.Index)]) take(cluster, m.Index);
        provider.ComputeCentre(cluster);
    }
    if (free > 0) {
        TCluster& rest = *list.AddCluster(provider.NewItem(nullptr), true);
        rest.Unclustered = true;
        for (int i = 0; i < n; ++i)
            if (!taken[static_cast<std::size_t>(i)]) rest.AddCluster(provider.ItemAt(i), false);
    }
    return ClusterList();
}
