#pragma once
// The per-point lists of a series: one value list per coordinate (X, Y and whatever a series type
// adds), all of the same length, and the point labels.
//
// What always holds: a value list's entries 0 .. Count - 1 are valid and lie in one contiguous
// array of Capacity() >= Count doubles; reading a value is a plain array access, so the draw
// loops of long series pay no call per point. A list belongs to the series that created it and
// sits in that series' ValueLists from construction to destruction.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/core/Component.h"

class TCustomChartSeries;

QB_ENUM(TChartListOrder, loNone, loAscending, loDescending)

// Storage that leaves new entries uninitialised: a value list writes every entry it counts, so
// growing a list of millions of values need not clear memory first.
template <class T>
struct TUninitializedAllocator : std::allocator<T> {
    template <class U>
    struct rebind {
        using other = TUninitializedAllocator<U>;
    };
    TUninitializedAllocator() = default;
    template <class U>
    TUninitializedAllocator(const TUninitializedAllocator<U>&) noexcept
    {
    }
    template <class U>
    void construct(U* p) noexcept
    {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... A>
    void construct(U* p, A&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<A>(args)...);
    }
};
using TValueStorage = std::vector<double, TUninitializedAllocator<double>>;

// The least number of entries a full value list grows by. Other units raise it for a batch
// (and put it back). Growth is at least doubling, so long series append in amortised
// constant time.
extern int ValueListGrowthStep;

class TChartValueList : public TPersistent {
    QB_CLASS(TChartValueList, TPersistent)
public:
    // Joins owner's ValueLists; its place there is its index.
    TChartValueList(TCustomChartSeries* owner, const std::string& name);
    ~TChartValueList() override;
    TChartValueList(const TChartValueList&) = delete;
    TChartValueList& operator=(const TChartValueList&) = delete;
    static void DeclareProperties(TPropertyDeclarer<TChartValueList>& p);

    TCustomChartSeries* Owner() const { return owner_; }
    TPersistent* GetOwner() const override;

    int Count() const { return count_; }
    int Capacity() const { return static_cast<int>(values_.size()); }
    // Indexes are the caller's to keep in 0 .. Count - 1.
    double GetValueAt(int index) const { return values_[static_cast<std::size_t>(index)]; }
    double operator[](int index) const { return GetValueAt(index); }
    const double* Values() const { return values_.data(); }
    double GetFirst() const { return values_[0]; }
    double GetLast() const { return values_[static_cast<std::size_t>(count_ - 1)]; }
    // Stores and tells the owner's dependents (code 4) every time.
    void SetValueAt(int index, double value);

    // The value the next AddPending stores.
    double PendingValue = 0;
    // Left out of the chart's data grid.
    bool HiddenFromGrids = false;
    // A field object a data-bound chart keeps for ValueSource; not owned.
    TObject* SourceFieldCache = nullptr;

    virtual int AddValue(double value);
    // Stores PendingValue at its place by Order (after equal values); returns the index.
    int AddPending();
    virtual void RemoveAllValues();
    // No values, keeping the storage for a refill of about as many.
    void EmptyKeepingStorage();
    // Room for at least capacity values, so a refill of known size grows the storage once.
    void Reserve(int capacity);
    // At index, whatever the order.
    virtual void InsertValueAt(int index, double value);
    // count values at the end in one copy, whatever the order; the caller keeps the order.
    void AppendValues(const double* values, int count);
    virtual void DeleteValue(int index);
    // Quantity is cut to what lies past start; nothing happens for an empty range.
    void DeleteRange(int start, int quantity);
    // Value 0 goes to the end; statistics and owner untouched.
    void RotateLeft();

    // Statistics, recomputed in one pass after a change.
    double GetMaximum();
    double GetMinimum();
    double GetTotal();
    double GetTotalAbsolute();
    // Replaces the cached absolute total until the next change: a pie whose other slice stands
    // for grouped points counts those values once.
    void SetTotalAbsolute(double value);
    double GetSpan() { return GetMaximum() - GetMinimum(); }

    // The values are 0, 1, 2, ... (an empty list is too). Appends keep the answer; after any other
    // change the next call scans once, so a grid opening a long series asks it cheaply.
    bool IsIndexSequence() const;

    // The first index holding exactly value, -1 when none.
    int LocateValue(double value) const;
    int LocateRange(int first, int last, double value) const;

    bool Modified() const { return modified_; }
    // Turning modified tells the owner's dependents once (code 4).
    void SetModified(bool value);

    const std::string& Name() const { return name_; }
    void SetName(const std::string& value) { name_ = value; }
    TChartListOrder Order() const { return order_; }
    // Does not re-sort what is stored.
    void SetOrder(TChartListOrder value) { order_ = value; }
    bool DateTime() const { return dateTime_; }
    void SetDateTime(bool value);
    bool DefaultDateTime() const { return defaultDateTime_; }
    // DateTime together with the value that is not stored.
    void SetDateTimeDefault(bool value);
    const std::string& ValueSource() const { return valueSource_; }
    // A new name makes the owner refill from its sources.
    void SetValueSource(const std::string& value);

    void Exchange(int i, int j);
    // Every value becomes its index.
    void NumberByIndex();
    // Sorts all the owner's points by this list (nothing with loNone).
    void SortOwnerPoints();
    int CompareValueIndex(int a, int b) const;

    // Copies order, date-time flag and value source; not the values, not the name.
    void Assign(const TPersistent* source) override;
    void DefineProperties(TFiler& filer) override;

private:
    friend class TChartValueLists;
    void Grow();
    void Recalc();
    void RecalcTotals();
    void ReadMultiplier(TReader& reader);
    // Call before count_ grows by value at the end.
    void NoteAppend(double value);

    enum class TIndexSequence : unsigned char { Unknown, Yes, No };

    TCustomChartSeries* owner_;
    std::string name_;
    TValueStorage values_;
    int count_ = 0;
    TChartListOrder order_ = loNone;
    bool dateTime_ = false;
    bool defaultDateTime_ = false;
    bool modified_ = true;
    bool totalsStale_ = true;
    mutable TIndexSequence indexSequence_ = TIndexSequence::Yes;
    double maximum_ = 0, minimum_ = 0, total_ = 0, totalAbsolute_ = 0;
    std::string valueSource_;
};

// A series' value lists in index order; frees them.
class TChartValueLists {
public:
    TChartValueLists() = default;
    ~TChartValueLists();
    TChartValueLists(const TChartValueLists&) = delete;
    TChartValueLists& operator=(const TChartValueLists&) = delete;

    int Count() const { return static_cast<int>(lists_.size()); }
    TChartValueList* GetValueList(int index) const { return lists_[static_cast<std::size_t>(index)]; }
    TChartValueList* operator[](int index) const { return GetValueList(index); }
    int IndexOf(const TChartValueList* list) const;
    void Clear();

private:
    friend class TChartValueList;
    void Add(TChartValueList* list) { lists_.push_back(list); }
    void Remove(TChartValueList* list);
    std::vector<TChartValueList*> lists_;
};

// One label per point; may be shorter than the point count (a missing entry is an empty label).
class TLabelsList {
public:
    explicit TLabelsList(TCustomChartSeries* series) : series_(series) {}

    TCustomChartSeries* Series() const { return series_; }
    int Count() const { return static_cast<int>(entries_.size()); }
    std::string GetLabelText(int index) const;
    // Adds empty labels up to index for a non-empty text; repaints.
    void SetLabelText(int index, const std::string& text);
    void InsertLabel(int index, const std::string& text);
    void DeleteLabel(int index);
    void Clear() { entries_.clear(); }
    void Exchange(int i, int j);
    void Assign(const TLabelsList& other);
    // Without case sensitivity only the letters a to z are compared regardless of case.
    int FindLabel(const std::string& text, bool caseSensitive) const;
    bool CaseSensitive() const { return caseSensitive_; }
    void SetCaseSensitive(bool value);

private:
    TCustomChartSeries* series_;
    std::vector<std::string> entries_;
    bool caseSensitive_ = false;
};
