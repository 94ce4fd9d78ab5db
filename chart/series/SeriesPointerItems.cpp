#include "chart/series/SeriesPointerItems.h"

TSeriesPointer& TSeriesPointerItems::GetPointerItem(int index)
{
    const auto at = static_cast<std::size_t>(index);
    if (items_.size() <= at) items_.resize(at + 1);
    if (!items_[at]) {
        auto item = std::make_unique<TSeriesPointer>(Series());
        item->Assign(this);
        items_[at] = std::move(item);
    }
    return *items_[at];
}

TSeriesPointer& TSeriesPointerItems::ItemOrSelf(int index)
{
    if (index >= 0 && index < Count() && items_[static_cast<std::size_t>(index)])
        return *items_[static_cast<std::size_t>(index)];
    return *this;
}

void TSeriesPointerItems::DeleteItem(int index)
{
    if (index >= 0 && index < Count()) items_.erase(items_.begin() + index);
}

void TSeriesPointerItems::ClearItems()
{
    if (items_.empty()) return;
    items_.clear();
    items_.shrink_to_fit();
    InvalidateParent();
}
