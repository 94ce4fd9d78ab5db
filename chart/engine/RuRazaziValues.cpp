#include "chart/engine/RuRazaziValues.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "chart/engine/DuvProcs.h"
#include "chart/engine/RuRazazi.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/SysUtils.h"

int ValueListGrowthStep = 1000;

namespace {

// values[i] == first + i for every i. Long runs of index values are the common case, so this
// runs at memory speed: four values a step in vector registers, no branch within a block, and a
// block that differs ends it.
bool CountsFrom(const double* values, int count, int first)
{
    int start = 0;
#if defined(__SSE2__)
    constexpr int kBlock = 1024;
    const __m128d step = _mm_set1_pd(4);
    for (; start + kBlock <= count; start += kBlock) {
        const double base = static_cast<double>(first) + start;
        __m128d low = _mm_set_pd(base + 1, base), high = _mm_set_pd(base + 3, base + 2);
        __m128d differs = _mm_setzero_pd();
        for (int i = start; i < start + kBlock; i += 4) {
            differs = _mm_or_pd(differs, _mm_or_pd(_mm_cmpneq_pd(_mm_loadu_pd(values + i), low),
                                                   _mm_cmpneq_pd(_mm_loadu_pd(values + i + 2), high)));
            low = _mm_add_pd(low, step);
            high = _mm_add_pd(high, step);
        }
        if (_mm_movemask_pd(differs) != 0) return false;
    }
#endif
    for (int i = start; i < count; ++i)
        if (values[i] != static_cast<double>(first) + i) return false;
    return true;
}

}  // namespace

// ---------------------------------------------------------------- TChartValueList

TChartValueList::TChartValueList(TCustomChartSeries* owner, const std::string& name) : owner_(owner), name_(name)
{
    if (owner_) owner_->ValueLists().Add(this);
}

TChartValueList::~TChartValueList()
{
    if (owner_) owner_->ValueLists().Remove(this);
}

void TChartValueList::DeclareProperties(TPropertyDeclarer<TChartValueList>& p)
{
    p.Boolean("DateTime", &TChartValueList::DateTime, &TChartValueList::SetDateTime)
        .DefaultFrom(&TChartValueList::DefaultDateTime);
    p.String("Name", &TChartValueList::Name, &TChartValueList::SetName);
    p.Enum("Order", &TChartValueList::Order, &TChartValueList::SetOrder);
    p.String("ValueSource", &TChartValueList::ValueSource, &TChartValueList::SetValueSource);
}

TPersistent* TChartValueList::GetOwner() const { return owner_; }

void TChartValueList::Grow()
{
    // Doubling keeps appends amortised constant: a fixed step made long series quadratic.
    const std::size_t old = values_.size();
    const std::size_t step = static_cast<std::size_t>(std::max(ValueListGrowthStep, 1));
    values_.resize(std::max(old + step, old * 2));
}

void TChartValueList::Reserve(int capacity)
{
    if (capacity > Capacity()) values_.resize(static_cast<std::size_t>(capacity));
}

int TChartValueList::AddValue(double value)
{
    PendingValue = value;
    return AddPending();
}

int TChartValueList::AddPending()
{
    const double value = PendingValue;
    int index = count_;
    if (count_ > 0 && order_ == loAscending && value < GetLast()) {
        int i = count_ - 1;
        while (i >= 0 && values_[static_cast<std::size_t>(i)] > value) --i;
        index = i + 1;
    } else if (count_ > 0 && order_ == loDescending && value > GetLast()) {
        int i = count_ - 1;
        while (i >= 0 && values_[static_cast<std::size_t>(i)] < value) --i;
        index = i + 1;
    }
    if (index == count_)
        NoteAppend(value);
    else
        indexSequence_ = TIndexSequence::Unknown;
    if (count_ == Capacity()) Grow();
    double* data = values_.data();
    std::memmove(data + index + 1, data + index, sizeof(double) * static_cast<std::size_t>(count_ - index));
    data[index] = value;
    ++count_;
    SetModified(true);
    return index;
}

void TChartValueList::AppendValues(const double* values, int count)
{
    if (count <= 0) return;
    const std::size_t needed = static_cast<std::size_t>(count_) + static_cast<std::size_t>(count);
    if (needed > values_.size()) {
        const std::size_t step = static_cast<std::size_t>(std::max(ValueListGrowthStep, 1));
        values_.resize(std::max(needed, values_.size() + step));
    }
    std::memcpy(values_.data() + count_, values, sizeof(double) * static_cast<std::size_t>(count));
    if (indexSequence_ == TIndexSequence::Yes && !CountsFrom(values, count, count_))
        indexSequence_ = TIndexSequence::No;
    count_ += count;
    SetModified(true);
}

void TChartValueList::RemoveAllValues()
{
    count_ = 0;
    TValueStorage().swap(values_);
    indexSequence_ = TIndexSequence::Yes;
    modified_ = true;
}

void TChartValueList::EmptyKeepingStorage()
{
    count_ = 0;
    indexSequence_ = TIndexSequence::Yes;
    modified_ = true;
}

void TChartValueList::InsertValueAt(int index, double value)
{
    if (index == count_)
        NoteAppend(value);
    else
        indexSequence_ = TIndexSequence::Unknown;
    if (count_ == Capacity()) Grow();
    double* data = values_.data();
    std::memmove(data + index + 1, data + index, sizeof(double) * static_cast<std::size_t>(count_ - index));
    data[index] = value;
    ++count_;
    SetModified(true);
}

void TChartValueList::DeleteValue(int index) { DeleteRange(index, 1); }

void TChartValueList::DeleteRange(int start, int quantity)
{
    if (start < 0 || start >= count_) return;
    quantity = std::min(quantity, count_ - start);
    if (quantity < 1) return;
    // Cutting the tail of 0, 1, 2, ... leaves one; other cuts may make or break one.
    if (indexSequence_ != TIndexSequence::Yes || start + quantity != count_)
        indexSequence_ = TIndexSequence::Unknown;
    double* data = values_.data();
    std::memmove(data + start, data + start + quantity,
                 sizeof(double) * static_cast<std::size_t>(count_ - start - quantity));
    count_ -= quantity;
    SetModified(true);
}

void TChartValueList::RotateLeft()
{
    if (count_ < 1) return;
    indexSequence_ = TIndexSequence::Unknown;
    std::rotate(values_.begin(), values_.begin() + 1, values_.begin() + count_);
}

void TChartValueList::SetValueAt(int index, double value)
{
    if (indexSequence_ == TIndexSequence::Yes)
        indexSequence_ = value == static_cast<double>(index) ? TIndexSequence::Yes : TIndexSequence::No;
    else
        indexSequence_ = TIndexSequence::Unknown;
    values_[static_cast<std::size_t>(index)] = value;
    modified_ = true;
    if (owner_) owner_->NotifyDependents(TDependentChange::ValueModified, index);
}

void TChartValueList::Recalc()
{
    // Minimum and maximum in one pass that the compiler turns into vector instructions; the
    // totals wait until someone asks (they add up in point order).
    if (count_ == 0) {
        minimum_ = maximum_ = 0;
    } else {
        const double* data = values_.data();
        double low[4] = {data[0], data[0], data[0], data[0]};
        double high[4] = {data[0], data[0], data[0], data[0]};
        int i = 0;
        for (; i + 4 <= count_; i += 4)
            for (int k = 0; k < 4; ++k) {
                const double x = data[i + k];
                low[k] = x < low[k] ? x : low[k];
                high[k] = x > high[k] ? x : high[k];
            }
        for (; i < count_; ++i) {
            low[0] = data[i] < low[0] ? data[i] : low[0];
            high[0] = data[i] > high[0] ? data[i] : high[0];
        }
        minimum_ = std::min(std::min(low[0], low[1]), std::min(low[2], low[3]));
        maximum_ = std::max(std::max(high[0], high[1]), std::max(high[2], high[3]));
    }
    totalsStale_ = true;
    modified_ = false;
}

void TChartValueList::RecalcTotals()
{
    if (modified_) Recalc();
    total_ = totalAbsolute_ = 0;
    for (int i = 0; i < count_; ++i) {
        const double x = values_[static_cast<std::size_t>(i)];
        total_ += x;
        totalAbsolute_ += std::fabs(x);
    }
    totalsStale_ = false;
}

double TChartValueList::GetMaximum()
{
    if (modified_) Recalc();
    return maximum_;
}

double TChartValueList::GetMinimum()
{
    if (modified_) Recalc();
    return minimum_;
}

double TChartValueList::GetTotal()
{
    if (modified_ || totalsStale_) RecalcTotals();
    return total_;
}

double TChartValueList::GetTotalAbsolute()
{
    if (modified_ || totalsStale_) RecalcTotals();
    return totalAbsolute_;
}

void TChartValueList::SetTotalAbsolute(double value)
{
    GetTotalAbsolute();
    totalAbsolute_ = value;
}

int TChartValueList::LocateValue(double value) const { return LocateRange(0, count_ - 1, value); }

int TChartValueList::LocateRange(int first, int last, double value) const
{
    first = std::max(first, 0);
    last = std::min(last, count_ - 1);
    for (int i = first; i <= last; ++i)
        if (values_[static_cast<std::size_t>(i)] == value) return i;
    return -1;
}

void TChartValueList::SetModified(bool value)
{
    if (value == modified_) return;
    modified_ = value;
    if (value && owner_) owner_->NotifyDependents(TDependentChange::ValueModified, -1);
}

void TChartValueList::SetDateTime(bool value)
{
    if (owner_)
        owner_->ChangeBoolean(dateTime_, value);
    else
        dateTime_ = value;
}

void TChartValueList::SetDateTimeDefault(bool value)
{
    dateTime_ = value;
    defaultDateTime_ = value;
}

void TChartValueList::SetValueSource(const std::string& value)
{
    if (value == valueSource_) return;
    valueSource_ = value;
    if (owner_) owner_->RefreshFromSources();
}

void TChartValueList::Exchange(int i, int j)
{
    if (i != j) indexSequence_ = TIndexSequence::Unknown;
    std::swap(values_[static_cast<std::size_t>(i)], values_[static_cast<std::size_t>(j)]);
    modified_ = true;
    if (owner_) owner_->NotifyDependents(TDependentChange::ValueModified, i);
}

void TChartValueList::NumberByIndex()
{
    for (int i = 0; i < count_; ++i) values_[static_cast<std::size_t>(i)] = i;
    indexSequence_ = TIndexSequence::Yes;
    modified_ = true;
    if (owner_) owner_->NotifyDependents(TDependentChange::ValueModified, 0);
}

void TChartValueList::NoteAppend(double value)
{
    // A list that is not 0, 1, 2, ... stays so whatever comes at its end.
    if (indexSequence_ == TIndexSequence::Yes && value != static_cast<double>(count_))
        indexSequence_ = TIndexSequence::No;
}

bool TChartValueList::IsIndexSequence() const
{
    if (indexSequence_ == TIndexSequence::Unknown)
        indexSequence_ = CountsFrom(values_.data(), count_, 0) ? TIndexSequence::Yes : TIndexSequence::No;
    return indexSequence_ == TIndexSequence::Yes;
}

int TChartValueList::CompareValueIndex(int a, int b) const
{
    const double va = GetValueAt(a), vb = GetValueAt(b);
    int result;
    if (va < vb)
        result = -1;
    else if (va > vb)
        result = 1;
    else
        return b > a ? -1 : 0;  // ties keep their index order in either direction
    return order_ == loDescending ? -result : result;
}

void TChartValueList::SortOwnerPoints()
{
    if (order_ == loNone || !owner_) return;
    TCustomChartSeries* series = owner_;
    QuickSortRange(
        0, count_ - 1, [this](int a, int b) { return CompareValueIndex(a, b); },
        [series](int a, int b) { series->SwapPoints(a, b); });
}

void TChartValueList::Assign(const TPersistent* source)
{
    if (auto list = dynamic_cast<const TChartValueList*>(source)) {
        order_ = list->order_;
        dateTime_ = list->dateTime_;
        valueSource_ = list->valueSource_;
        return;
    }
    TPersistent::Assign(source);
}

void TChartValueList::DefineProperties(TFiler& filer)
{
    filer.DefineReadOnlyProperty("Multiplier", [this](TReader& reader) { ReadMultiplier(reader); });
}

void TChartValueList::ReadMultiplier(TReader& reader)
{
    // Scaled values are no longer supported: the loader hears it and decides (a chart load skips
    // it, so an old file loads unscaled, and lists it for the window to show).
    if (reader.ReadFloat() == 1.0) return;
    const std::string message = "Error: Multiplier property is obsolete.\rModify DuvDefs (enable Multiplier) and recompile.";
    if (!reader.Error(message)) throw EReadError(message);
}

// ---------------------------------------------------------------- TChartValueLists

TChartValueLists::~TChartValueLists() { Clear(); }

int TChartValueLists::IndexOf(const TChartValueList* list) const
{
    auto it = std::find(lists_.begin(), lists_.end(), list);
    return it == lists_.end() ? -1 : static_cast<int>(it - lists_.begin());
}

void TChartValueLists::Clear()
{
    std::vector<TChartValueList*> lists;
    lists.swap(lists_);
    for (TChartValueList* list : lists) {
        list->owner_ = nullptr;
        delete list;
    }
}

void TChartValueLists::Remove(TChartValueList* list)
{
    lists_.erase(std::remove(lists_.begin(), lists_.end(), list), lists_.end());
}

// ---------------------------------------------------------------- TLabelsList

std::string TLabelsList::GetLabelText(int index) const
{
    if (index < 0 || index >= Count()) return {};
    return entries_[static_cast<std::size_t>(index)];
}

void TLabelsList::SetLabelText(int index, const std::string& text)
{
    if (index < 0) return;
    if (!text.empty()) {
        if (index >= Count()) entries_.resize(static_cast<std::size_t>(index) + 1);
        entries_[static_cast<std::size_t>(index)] = text;
    } else if (index < Count()) {
        entries_[static_cast<std::size_t>(index)].clear();
    }
    if (series_) series_->RequestRepaint();
}

void TLabelsList::InsertLabel(int index, const std::string& text)
{
    if (index < 0 || (text.empty() && entries_.empty())) return;
    if (index > Count()) entries_.resize(static_cast<std::size_t>(index));
    entries_.insert(entries_.begin() + index, text);
}

void TLabelsList::DeleteLabel(int index)
{
    if (index < 0 || index >= Count()) return;
    entries_.erase(entries_.begin() + index);
}

void TLabelsList::Exchange(int i, int j)
{
    const int needed = std::max(i, j) + 1;
    if (std::min(i, j) >= Count()) return;  // two missing labels
    if (needed > Count()) entries_.resize(static_cast<std::size_t>(needed));
    std::swap(entries_[static_cast<std::size_t>(i)], entries_[static_cast<std::size_t>(j)]);
}

void TLabelsList::Assign(const TLabelsList& other)
{
    if (&other == this) return;
    Clear();
    for (int i = 0; i < other.Count(); ++i) InsertLabel(i, other.GetLabelText(i));
    caseSensitive_ = other.caseSensitive_;
}

namespace {

std::string UpperAscii(std::string s)
{
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

}  // namespace

int TLabelsList::FindLabel(const std::string& text, bool caseSensitive) const
{
    const std::string wanted = caseSensitive ? text : UpperAscii(text);
    for (int i = 0; i < Count(); ++i) {
        const std::string& entry = entries_[static_cast<std::size_t>(i)];
        if ((caseSensitive ? entry : UpperAscii(entry)) == wanted) return i;
    }
    return -1;
}

void TLabelsList::SetCaseSensitive(bool value)
{
    if (value == caseSensitive_) return;
    caseSensitive_ = value;
    if (series_) series_->RequestRepaint();
}
