#include "chart/series/RuRazaziFunction.h"

#include <algorithm>
#include <cmath>
#include <bit>
#include <cstdint>
#include <functional>
#include <limits>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/DuvProcs.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/engine/RuRazaziLists.h"
#include "chart/graphics/DuvConst.h"
#include "chart/series/RuRazaziSeries.h"
#include "platform/core/NumText.h"
#include "platform/core/ScopeGuard.h"
#include "platform/core/StringList.h"

// The X values of a source in ascending order, each with its index. A source whose X values
// ascend is read in place and one that descends is read backwards; any other is sorted once into
// storage the function keeps between recalculations. Equal values are a run; the run's lowest
// index is where the value first occurs. NaN matches nothing and is kept apart.
class TSourceXIndex {
public:
    TSourceXIndex(const TChartValueList* list, std::vector<std::pair<double, int>>& pairs, std::vector<int>& nans)
        : values_(list->Values()), count_(list->Count()), pairs_(pairs), nans_(nans)
    {
        pairs_.clear();
        nans_.clear();
        bool ascending = true;
        bool descending = true;
        for (int i = 1; i < count_ && (ascending || descending); ++i) {
            ascending = ascending && values_[i] >= values_[i - 1];
            descending = descending && values_[i] <= values_[i - 1];
        }
        // Comparisons with NaN fail both ways, so only a lone point can be NaN here.
        if (count_ > 0 && std::isnan(values_[0])) ascending = descending = false;
        if (ascending) return;
        if (descending) {
            read_ = Backwards;
            return;
        }
        read_ = Sorted;
        for (int i = 0; i < count_; ++i)
            if (std::isnan(values_[i]))
                nans_.push_back(i);
            else
                pairs_.emplace_back(values_[i], i);
        std::sort(pairs_.begin(), pairs_.end());
    }

    int Size() const { return read_ == Sorted ? static_cast<int>(pairs_.size()) : count_; }
    double ValueAt(int k) const
    {
        return read_ == InPlace ? values_[k] : read_ == Backwards ? values_[count_ - 1 - k] : pairs_[static_cast<std::size_t>(k)].first;
    }
    int IndexAt(int k) const
    {
        return read_ == InPlace ? k : read_ == Backwards ? count_ - 1 - k : pairs_[static_cast<std::size_t>(k)].second;
    }
    // Indexes of the points whose X is NaN, ascending.
    const std::vector<int>& NanIndexes() const { return nans_; }

    int FirstIndexOf(double x) const
    {
        if (read_ == InPlace) {
            const double* found = std::lower_bound(values_, values_ + count_, x);
            return found != values_ + count_ && *found == x ? static_cast<int>(found - values_) : -1;
        }
        if (read_ == Backwards) {
            const double* found = std::lower_bound(values_, values_ + count_, x, std::greater<double>());
            return found != values_ + count_ && *found == x ? static_cast<int>(found - values_) : -1;
        }
        auto found = std::lower_bound(pairs_.begin(), pairs_.end(), x,
                                      [](const std::pair<double, int>& p, double v) { return p.first < v; });
        return found != pairs_.end() && found->first == x ? found->second : -1;
    }

private:
    enum TRead { InPlace, Backwards, Sorted };
    const double* values_;
    int count_;
    TRead read_ = InPlace;
    std::vector<std::pair<double, int>>& pairs_;
    std::vector<int>& nans_;
};

// The function's work array sized for a reduction; a reduction inside another one gets an array
// of its own.
class TWorkArray {
public:
    TWorkArray(TDuvFunction& function, std::size_t size) : function_(function), owned_(!function.workInUse_)
    {
        if (owned_) function_.workInUse_ = true;
        Values().assign(size, 0.0);
    }
    ~TWorkArray()
    {
        if (owned_) function_.workInUse_ = false;
    }
    TWorkArray(const TWorkArray&) = delete;
    TWorkArray& operator=(const TWorkArray&) = delete;
    std::vector<double>& Values() { return owned_ ? function_.work_ : own_; }

private:
    TDuvFunction& function_;
    bool owned_;
    std::vector<double> own_;
};

namespace {

// The X values already in the output: a flat open-addressing set (0 and -0 are one value; a NaN
// is never held, as it equals nothing, so a NaN bit pattern marks an empty slot).
class TXSet {
public:
    explicit TXSet(std::size_t expected) { Resize(std::max<std::size_t>(16, std::bit_ceil(expected * 2 + 1))); }

    bool Contains(double x) const
    {
        if (std::isnan(x)) return false;
        const std::uint64_t key = Key(x);
        for (std::size_t i = Slot(key);; i = (i + 1) & mask_) {
            if (slots_[i] == key) return true;
            if (slots_[i] == Empty) return false;
        }
    }

    void Insert(double x)
    {
        if (std::isnan(x) || Contains(x)) return;
        if ((count_ + 1) * 2 > slots_.size()) Resize(slots_.size() * 2);
        Place(Key(x));
        ++count_;
    }

private:
    static constexpr std::uint64_t Empty = 0x7FF8000000000001ULL;

    static std::uint64_t Key(double x)
    {
        if (x == 0) x = 0;
        return std::bit_cast<std::uint64_t>(x);
    }
    // The high bits of the product: whole numbers end in a long run of zero bits, and the low bits
    // of a product depend only on the low bits of the key.
    std::size_t Slot(std::uint64_t key) const { return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ULL) >> shift_); }
    void Place(std::uint64_t key)
    {
        std::size_t i = Slot(key);
        while (slots_[i] != Empty) i = (i + 1) & mask_;
        slots_[i] = key;
    }
    void Resize(std::size_t capacity)
    {
        std::vector<std::uint64_t> old = std::move(slots_);
        slots_.assign(capacity, Empty);
        mask_ = capacity - 1;
        shift_ = 64 - std::countr_zero(capacity);
        for (std::uint64_t key : old)
            if (key != Empty) Place(key);
    }

    std::vector<std::uint64_t> slots_;
    std::size_t mask_ = 0;
    int shift_ = 64;
    std::size_t count_ = 0;
};

}  // namespace

// Storage of the by-X road kept between recalculations, so that a refill of as many points
// touches no new memory.
struct TDuvFunction::TManyScratch {
    std::vector<std::vector<std::pair<double, int>>> Pairs;
    std::vector<std::vector<int>> Nans;
    std::vector<double> Xs, Ys;
    std::vector<unsigned char> Nulls;
    std::vector<std::uint64_t> Keys;
};

struct TDuvFunction::TXIndexes {
    std::vector<TChartSeries*> Sources;
    std::vector<TSourceXIndex> Indexes;
    // The first index of LastX in every source, as the X road last looked it up.
    bool HasLast = false;
    double LastX = 0;
    std::vector<int> LastFirsts;
};

namespace {
// 31 December 9999: calendar steps beyond it would leave the calendar.
constexpr double MaxCalendarDate = 2958465;
}  // namespace

TDuvFunction::TDuvFunction(TComponent* owner) : TComponent(owner) {}

TDuvFunction::~TDuvFunction()
{
    // The output series hears of it through its free notification and forgets the function.
    outputSeries_ = nullptr;
}

void TDuvFunction::DeclareProperties(TPropertyDeclarer<TDuvFunction>& p)
{
    using T = TDuvFunction;
    p.Boolean("CalcByValue", &T::CalcByValue, &T::SetCalcByValue);
    p.Boolean("IncludeNulls", &T::IncludeNulls, &T::SetIncludeNulls).Default(true);
    p.Float("Period", &T::Period, &T::SetPeriod);
    p.Enum("PeriodAlign", &T::PeriodAlign, &T::SetPeriodAlign).Default(paCenter);
    p.Enum("PeriodStyle", &T::PeriodStyle, &T::SetPeriodStyle).Default(psNumPoints);
}

void TDuvFunction::AttachToSeries(TChartSeries* series)
{
    if (series == outputSeries_) return;
    if (TChartSeries* previous = outputSeries_) {
        previous->RemoveFreeNotification(this);
        previous->function_ = nullptr;
        outputSeries_ = nullptr;
    }
    if (series) series->SetFunction(this);
}

// ---------------------------------------------------------------- settings

void TDuvFunction::SetIncludeNulls(bool value)
{
    if (value == includeNulls_) return;
    includeNulls_ = value;
    Recalculate();
}

void TDuvFunction::SetCalcByValue(bool value)
{
    if (value == calcByValue_) return;
    calcByValue_ = value;
    Recalculate();
}

void TDuvFunction::SetPeriod(double value)
{
    if (!(value >= 0)) throw ChartException(DuvMsgFunctionPeriod);
    if (value == period_) return;
    period_ = value;
    Recalculate();
}

void TDuvFunction::SetPeriodStyle(TFunctionPeriodStyle value)
{
    if (value == periodStyle_) return;
    periodStyle_ = value;
    Recalculate();
}

void TDuvFunction::SetPeriodAlign(TFunctionPeriodAlign value)
{
    if (value == periodAlign_) return;
    periodAlign_ = value;
    Recalculate();
}

void TDuvFunction::Assign(const TPersistent* source)
{
    const auto* other = dynamic_cast<const TDuvFunction*>(source);
    if (!other) return;
    calcByValue_ = other->calcByValue_;
    includeNulls_ = other->includeNulls_;
    period_ = other->period_;
    periodStyle_ = other->periodStyle_;
    periodAlign_ = other->periodAlign_;
}

void TDuvFunction::ResumeRecalculation()
{
    if (!RecalcSuspended) return;
    RecalcSuspended = false;
    Recalculate();
}

void TDuvFunction::Recalculate()
{
    if (!RecalcSuspended && outputSeries_) outputSeries_->RefreshFromSources();
}

int TDuvFunction::PeriodPoints() const
{
    // Halves go to the even neighbour; a period of no points would never move on.
    const double rounded = std::nearbyint(period_);
    if (!(rounded >= 1)) return 1;
    return rounded > 2147483647.0 ? 2147483647 : static_cast<int>(rounded);
}

std::vector<TChartSeries*> TDuvFunction::SourceSeriesList() const
{
    std::vector<TChartSeries*> result;
    if (!outputSeries_) return result;
    for (int i = 0; i < outputSeries_->DataSourceCount(); ++i)
        if (auto* series = dynamic_cast<TChartSeries*>(outputSeries_->DataSource(i))) result.push_back(series);
    return result;
}

// ---------------------------------------------------------------- output

TChartValueList* TDuvFunction::SourceValues(TChartSeries* source) const
{
    const std::string& name = outputSeries_ ? outputSeries_->MandatoryList()->ValueSource() : std::string();
    if (!name.empty()) {
        const TChartValueLists& lists = source->ValueLists();
        for (int i = 0; i < lists.Count(); ++i)
            if (SameText(lists[i]->Name(), name)) return lists[i];
    }
    return source->MandatoryList();
}

void TDuvFunction::AddOutputPoint(bool asGiven, double x, double y)
{
    if (std::isnan(y)) {
        AddOutputNull(asGiven, x);
        return;
    }
    if (asGiven)
        outputSeries_->AddPointXY(x, y, {}, clDefault);
    else
        outputSeries_->AddPointXY(y, x, {}, clDefault);
}

void TDuvFunction::AddOutputNull(bool asGiven, double x)
{
    if (asGiven)
        outputSeries_->AddNullPointXY(x, 0);
    else
        outputSeries_->AddNullPointXY(0, x);
}

void TDuvFunction::MoveOutputToRightAxis()
{
    if (!outputSeries_) return;
    outputSeries_->SetVertAxis(aRightAxis);
    if (TCustomAxisPanel* chart = outputSeries_->ParentChart()) {
        chart->LeftAxis()->SetEndPosition(70);
        chart->RightAxis()->SetStartPosition(70);
    }
}

// ---------------------------------------------------------------- one source

void TDuvFunction::StoreArrayValue(std::vector<double>& values, int index, double value)
{
    values[static_cast<std::size_t>(index)] = value;
}

double TDuvFunction::CalculateArray(std::vector<double>&) { return 0; }

double TDuvFunction::CalculateRange(TChartSeries* source, int first, int last)
{
    if (first == -1) {
        first = 0;
        last = source->PointCount() - 1;
    }
    const TChartValueList* list = SourceValues(source);
    last = std::min(last, list->Count() - 1);
    TWorkArray work(*this, static_cast<std::size_t>(std::max(0, last - first + 1)));
    std::vector<double>& values = work.Values();
    int count = 0;
    for (int i = first; i <= last; ++i) {
        if (!includeNulls_ && source->IsNullPoint(i)) continue;
        StoreArrayValue(values, count++, list->GetValueAt(i));
    }
    values.resize(static_cast<std::size_t>(count));
    return CalculateArray(values);
}

void TDuvFunction::AddRangeResult(TChartSeries* source, double x, int first, int last)
{
    AddOutputPoint(source->YMandatory(), x, CalculateRange(source, first, last));
}

void TDuvFunction::AddSingleResult(TChartSeries* source, TChartValueList* list)
{
    const double result = CalculateRange(source, -1, -1);
    const double minimum = list->GetMinimum();
    const double maximum = list->GetMaximum();
    if (!outputSeries_->SingleResultAsPoint) {
        AddOutputPoint(source->YMandatory(), minimum, result);
        AddOutputPoint(source->YMandatory(), maximum, result);
        return;
    }
    // The result goes into the output's own value list, whatever the source's orientation.
    const double middle = minimum + (maximum - minimum) * 0.5;
    AddOutputPoint(outputSeries_->YMandatory(), middle, result);
}

void TDuvFunction::AddPeriodResults(TChartSeries* source, TChartValueList* list)
{
    // A period beyond every count or distance holds no complete period.
    if (!std::isfinite(period_)) return;
    const int count = std::min(source->PointCount(), list->Count());
    const double* xs = list->Values();
    const bool asGiven = source->YMandatory();
    const int points = PeriodPoints();
    TChartAxis* axis = outputSeries_->HorizAxisObject();
    const bool exact = axis && axis->ExactDateTime() && list->DateTime();
    const int step = MatchDateTimeStep(period_);
    const bool calendar = exact && step < DateTimeStepCount && DateTimeSteps[static_cast<std::size_t>(step)] >= 15;
    double boundary = count > 0 ? xs[0] : 0;
    int emptyRanges = 0;
    int e = 0;
    while (e <= count - 1) {
        int l = e;
        double firstX = 0;
        double lastX = 0;
        bool holdsPoint = true;
        if (periodStyle_ == psNumPoints) {
            const long long end = static_cast<long long>(e) + points - 1;
            l = end < count ? static_cast<int>(end) : count;
            firstX = xs[e];
            lastX = l < count ? xs[l] : 0;
        } else {
            firstX = boundary;
            TDateTime next = boundary;
            // Calendar steps only within the calendar's years.
            IncDecDateTime(calendar && std::fabs(boundary) < MaxCalendarDate, true, next, step, period_);
            bool takesRest = false;
            if (next > boundary) {
                boundary = next;
                lastX = boundary - 0.001 * period_;
            } else {
                // A period too small to move the boundary: it moves on to the next point's X,
                // or the range takes every point left when no point lies beyond it.
                int k = e;
                while (k < count && !(xs[k] > boundary)) ++k;
                if (k < count) {
                    boundary = xs[k];
                    lastX = boundary - 0.001 * period_;
                } else {
                    takesRest = true;
                    l = count - 1;
                    lastX = firstX;
                }
            }
            if (!takesRest)
                while (l + 1 < count && xs[l + 1] < boundary) ++l;
            // A point whose X is not a number joins the range it meets, so it cannot stall.
            holdsPoint = takesRest || !(xs[e] >= boundary);
            if (!holdsPoint && emptyRanges >= MaxEmptyRanges) {
                // No more zero results: the next range is the one that holds point e.
                const double x = xs[e];
                double start = boundary + std::floor((x - boundary) / period_) * period_;
                if (!(start > boundary && start <= x)) start = x;
                boundary = start;
                continue;
            }
        }
        if (l < count) {
            const double x = periodAlign_ == paFirst ? firstX : periodAlign_ == paLast ? lastX : (firstX + lastX) * 0.5;
            if (holdsPoint) {
                AddRangeResult(source, x, e, l);
            } else {
                AddOutputPoint(asGiven, x, 0);
                ++emptyRanges;
            }
        }
        if (holdsPoint) e = l + 1;
    }
}

void TDuvFunction::AddResults(TChartSeries* source, TChartValueList* list)
{
    if (period_ != 0)
        AddPeriodResults(source, list);
    else
        AddSingleResult(source, list);
}

// ---------------------------------------------------------------- several sources

// A source without a value for the point contributes nothing (not a 0): a product or an average
// over the sources that have one.
double TDuvFunction::CalculateManyAtIndex(const std::vector<TChartSeries*>& sources, int valueIndex)
{
    TWorkArray work(*this, sources.size());
    std::vector<double>& values = work.Values();
    int count = 0;
    for (TChartSeries* source : sources) {
        const TChartValueList* list = SourceValues(source);
        if (valueIndex >= list->Count()) continue;
        if (!includeNulls_ && source->IsNullPoint(valueIndex)) continue;
        StoreArrayValue(values, count++, list->GetValueAt(valueIndex));
    }
    values.resize(static_cast<std::size_t>(count));
    return CalculateArray(values);
}

namespace {

int LinearIndexOfX(const TChartSeries* source, double x)
{
    const TChartValueList* list = source->SecondaryList();
    const double* values = list->Values();
    for (int i = 0; i < list->Count(); ++i)
        if (values[i] == x) return i;
    return -1;
}

}  // namespace

double TDuvFunction::CalculateManyAtX(const std::vector<TChartSeries*>& sources, double x)
{
    const bool indexed = xIndexes_ && xIndexes_->Sources == sources;
    TWorkArray work(*this, sources.size());
    std::vector<double>& values = work.Values();
    int count = 0;
    for (std::size_t s = 0; s < sources.size(); ++s) {
        TChartSeries* source = sources[s];
        const bool looked = indexed && xIndexes_->HasLast && xIndexes_->LastX == x;
        const int index = looked    ? xIndexes_->LastFirsts[s]
                          : indexed ? xIndexes_->Indexes[s].FirstIndexOf(x)
                                    : LinearIndexOfX(source, x);
        if (index < 0) continue;
        if (!includeNulls_ && source->IsNullPoint(index)) continue;
        const TChartValueList* list = SourceValues(source);
        if (index >= list->Count()) continue;
        StoreArrayValue(values, count++, list->GetValueAt(index));
    }
    values.resize(static_cast<std::size_t>(count));
    return CalculateArray(values);
}

void TDuvFunction::AddManyResult(bool asGiven, double x, double y, const std::string& label)
{
    if (std::isnan(y)) {
        y = 0;
        if (asGiven)
            outputSeries_->AddNullPointXY(x, y, label);
        else
            outputSeries_->AddNullPointXY(y, x, label);
        return;
    }
    if (asGiven)
        outputSeries_->AddPointXY(x, y, label, clDefault);
    else
        outputSeries_->AddPointXY(y, x, label, clDefault);
}

void TDuvFunction::CalculateManyByIndex(TChartSeries* source, const std::vector<TChartSeries*>& sources)
{
    TChartSeries* reference = source;
    for (TChartSeries* candidate : sources)
        if (candidate->PointCount() > reference->PointCount()) reference = candidate;
    const bool asGiven = reference->YMandatory();
    const TChartValueList* xs = reference->SecondaryList();
    std::string label;
    for (int i = 0; i < reference->PointCount(); ++i) {
        reference->GetStoredLabel(i, label);
        AddManyResult(asGiven, xs->GetValueAt(i), CalculateManyAtIndex(sources, i), label);
    }
}

void TDuvFunction::CalculateManyByX(const std::vector<TChartSeries*>& sources)
{
    const std::size_t sourceCount = sources.size();
    if (!manyScratch_) manyScratch_ = std::make_unique<TManyScratch>();
    TManyScratch& scratch = *manyScratch_;
    scratch.Pairs.resize(sourceCount);
    scratch.Nans.resize(sourceCount);
    xIndexes_ = std::make_unique<TXIndexes>();
    xIndexes_->Sources = sources;
    for (std::size_t s = 0; s < sourceCount; ++s)
        xIndexes_->Indexes.emplace_back(sources[s]->SecondaryList(), scratch.Pairs[s], scratch.Nans[s]);
    TScopeGuard drop([this] { xIndexes_.reset(); });
    const std::vector<TSourceXIndex>& indexes = xIndexes_->Indexes;
    std::vector<int>& firsts = xIndexes_->LastFirsts;
    firsts.assign(sourceCount, -1);

    // Points the output already holds; normally none, as the output is cleared first.
    const TChartValueList* outputX = outputSeries_->SecondaryList();
    TXSet held(static_cast<std::size_t>(outputX->Count()));
    for (int i = 0; i < outputX->Count(); ++i) held.Insert(outputX->GetValueAt(i));

    bool numbers = true;
    bool labelled = false;
    for (std::size_t s = 0; s < sourceCount; ++s) {
        numbers = numbers && indexes[s].NanIndexes().empty();
        labelled = labelled || sources[s]->Labels().Count() > 0;
    }
    const TChartListOrder order = outputSeries_->XValues()->Order();
    // Where each result was met, (index, source), for labels and for an output that keeps no order.
    const bool keyed = labelled || !numbers || order == loNone;
    std::vector<double>& xs = scratch.Xs;
    std::vector<double>& ys = scratch.Ys;
    std::vector<unsigned char>& nulls = scratch.Nulls;
    std::vector<std::uint64_t>& keys = scratch.Keys;
    xs.clear();
    ys.clear();
    nulls.clear();
    keys.clear();
    auto add = [&](double x, int at, std::size_t from, bool everywhere) {
        if (!everywhere && !includeNulls_) return;
        xIndexes_->HasLast = true;
        xIndexes_->LastX = x;
        const double y = CalculateManyAtX(sources, x);
        const bool undefined = std::isnan(y);
        xs.push_back(x);
        ys.push_back(undefined ? 0 : y);
        nulls.push_back(!everywhere || undefined);
        if (keyed) keys.push_back(static_cast<std::uint64_t>(at) << 32 | from);
    };

    // The sources' X values merged in ascending order; each distinct value gives one result,
    // taken where it first occurs: at the lowest index of any source, the first source on a tie.
    std::vector<int> at(sourceCount, 0);
    for (;;) {
        bool any = false;
        double x = 0;
        for (std::size_t s = 0; s < sourceCount; ++s) {
            if (at[s] >= indexes[s].Size()) continue;
            const double v = indexes[s].ValueAt(at[s]);
            if (!any || v < x) x = v;
            any = true;
        }
        if (!any) break;
        bool everywhere = true;
        int first = std::numeric_limits<int>::max();
        std::size_t from = 0;
        for (std::size_t s = 0; s < sourceCount; ++s) {
            const TSourceXIndex& index = indexes[s];
            int k = at[s];
            if (k >= index.Size() || index.ValueAt(k) != x) {
                firsts[s] = -1;
                everywhere = false;
                continue;
            }
            int lowest = index.IndexAt(k);
            while (++k < index.Size() && index.ValueAt(k) == x) lowest = std::min(lowest, index.IndexAt(k));
            at[s] = k;
            firsts[s] = lowest;
            if (lowest < first) {
                first = lowest;
                from = s;
            }
        }
        if (held.Contains(x)) continue;
        add(sources[from]->SecondaryList()->GetValueAt(first), first, from, everywhere);
    }
    // A point whose X is not a number matches nothing: each is a result of its own.
    for (std::size_t s = 0; s < sourceCount; ++s)
        for (int i : indexes[s].NanIndexes()) add(std::numeric_limits<double>::quiet_NaN(), i, s, false);

    // The merge gives ascending X; an output that keeps no order (or X values that are no
    // numbers) takes the results in the order the sources meet them.
    const std::size_t count = xs.size();
    if (numbers && order == loDescending) {
        std::reverse(xs.begin(), xs.end());
        std::reverse(ys.begin(), ys.end());
        std::reverse(nulls.begin(), nulls.end());
        std::reverse(keys.begin(), keys.end());
    } else if (!numbers || order == loNone) {
        std::vector<std::uint32_t> met(count);
        for (std::size_t i = 0; i < count; ++i) met[i] = static_cast<std::uint32_t>(i);
        std::sort(met.begin(), met.end(), [&](std::uint32_t a, std::uint32_t b) { return keys[a] < keys[b]; });
        auto arrange = [&](auto& values) {
            auto arranged = values;
            for (std::size_t i = 0; i < count; ++i) arranged[i] = values[met[i]];
            values.swap(arranged);
        };
        arrange(xs);
        arrange(ys);
        arrange(nulls);
        arrange(keys);
    }

    const bool bulk = outputX->Count() == 0 && !labelled && !outputSeries_->OnBeforeAdd && !outputSeries_->OnAfterAdd;
    if (bulk) {
        // Straight into the output's arrays: the results already stand in its order.
        outputSeries_->AddXYArrays(xs.data(), ys.data(), static_cast<int>(count));
        if (std::find(nulls.begin(), nulls.end(), 1) == nulls.end()) return;
        outputSeries_->EnsureColorList();
        std::vector<TColor>& colors = *outputSeries_->pointColors_;
        for (std::size_t i = 0; i < count; ++i)
            if (nulls[i]) colors[i] = clNone;
        return;
    }
    // A result takes the label of the first source labelled at its index with the same X text.
    std::string label, text;
    for (std::size_t i = 0; i < count; ++i) {
        label.clear();
        if (labelled) {
            const int index = static_cast<int>(keys[i] >> 32);
            text = FloatToStr(xs[i]);
            for (TChartSeries* source : sources) {
                if (source->PointCount() <= index) continue;
                source->GetStoredLabel(index, label);
                if (!label.empty() && FloatToStr(source->SecondaryList()->GetValueAt(index)) == text) break;
                label.clear();
            }
        }
        if (nulls[i])
            outputSeries_->AddNullPointXY(xs[i], ys[i], label);
        else
            outputSeries_->AddPointXY(xs[i], ys[i], label, clDefault);
    }
}


void TDuvFunction::CalculateFromSources(TChartSeries* source)
{
    if (RecalcSuspended || !source || !outputSeries_) return;
    if (outputSeries_->DataSourceCount() > 1) {
        const std::vector<TChartSeries*> sources = SourceSeriesList();
        if (calcByValue_)
            CalculateManyByX(sources);
        else
            CalculateManyByIndex(source, sources);
        return;
    }
    if (source->PointCount() > 0) AddResults(source, source->SecondaryList());
}

// ---------------------------------------------------------------- gallery and streaming

void TDuvFunction::SetUpInGallery(TCustomAxisPanel* chart)
{
    const TChartSeriesList& list = chart->SeriesList();
    if (list.Count() == 0) return;
    auto* last = dynamic_cast<TChartSeries*>(list.GetLastSeries());
    if (!last) return;
    last->SetFunction(this);
    if (list.Count() >= 2) last->SetDataSource(list.GetSeries(list.Count() - 2));
}

TComponent* TDuvFunction::GetParentComponent() const { return outputSeries_; }

void TDuvFunction::SetParentComponent(TComponent* parent)
{
    if (auto* series = dynamic_cast<TChartSeries*>(parent)) AttachToSeries(series);
}

// ---------------------------------------------------------------- moving windows

TDuvMovingFunction::TDuvMovingFunction(TComponent* owner) : TDuvFunction(owner)
{
    StorePeriod(1);
    SingleSourceOnly = true;
    SetPeriodAlign(paLast);
}

void TDuvMovingFunction::DeclareProperties(TPropertyDeclarer<TDuvMovingFunction>& p)
{
    using T = TDuvFunction;
    p.Float("Period", &T::Period, &T::SetPeriod);
    p.Enum("PeriodAlign", &T::PeriodAlign, &T::SetPeriodAlign).Default(paLast);
}

void TDuvMovingFunction::AddResults(TChartSeries* source, TChartValueList* list)
{
    const int count = std::min(source->PointCount(), list->Count());
    const int points = PeriodPoints();
    if (count < points) return;
    for (int i = points - 1; i < count; ++i) {
        const int first = i - points + 1;
        const double x = PeriodAlign() == paFirst  ? list->GetValueAt(first)
                         : PeriodAlign() == paLast ? list->GetValueAt(i)
                                                   : (list->GetValueAt(first) + list->GetValueAt(i)) * 0.5;
        AddOutputPoint(source->YMandatory(), x, CalculateRange(source, first, i));
    }
}

void RuRazaziFunctionInitialization()
{
    RegisterClassForStreaming(TDuvFunction::StaticClass());
    RegisterClassForStreaming(TDuvMovingFunction::StaticClass());
}
