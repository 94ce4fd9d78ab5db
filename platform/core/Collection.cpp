#include "platform/core/Collection.h"

#include <algorithm>

#include "platform/core/ScopeGuard.h"

TCollection* AsCollectionOwner(TPersistent* owner)
{
    return dynamic_cast<TCollection*>(owner);
}

// ---------------------------------------------------------------- TCollectionItem

TCollectionItem::TCollectionItem(TCollection* collection)
{
    SetCollection(collection);
}

TCollectionItem::~TCollectionItem()
{
    SetCollection(nullptr);
}

void TCollectionItem::SetCollection(TCollection* collection)
{
    if (collection_ == collection) return;
    if (collection_) collection_->RemoveItem(this);
    if (collection) collection->InsertItem(this);
}

int TCollectionItem::Index() const
{
    if (!collection_) return -1;
    const auto& items = collection_->items_;
    return static_cast<int>(std::find(items.begin(), items.end(), this) - items.begin());
}

void TCollectionItem::SetIndex(int index)
{
    if (collection_) collection_->Move(Index(), index);
}

TPersistent* TCollectionItem::GetOwner() const
{
    return collection_;
}

std::string TCollectionItem::GetNamePath() const
{
    if (!collection_) return ClassName();
    return collection_->GetNamePath() + "[" + std::to_string(Index()) + "]";
}

void TCollectionItem::Changed(bool allItems)
{
    if (collection_ && collection_->updateCount_ == 0) collection_->Update(allItems ? nullptr : this);
}

void TCollectionItem::Assign(const TPersistent* source)
{
    auto* item = dynamic_cast<const TCollectionItem*>(source);
    if (item && &item->ClassType() == &ClassType()) {
        AssignPublishedProperties(*this, const_cast<TCollectionItem&>(*item));
        return;
    }
    TPersistent::Assign(source);
}

// ---------------------------------------------------------------- TCollection

TCollection::TCollection(const TClassInfo& itemClass, TPersistent* owner) : itemClass_(&itemClass), owner_(owner)
{
}

TCollection::~TCollection()
{
    ++updateCount_;  // no change reports while the items go
    while (!items_.empty()) delete items_.back();
}

TCollectionItem* TCollection::Items(int index) const
{
    if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return items_[static_cast<std::size_t>(index)];
}

TCollectionItem* TCollection::AddItem(const TClassInfo& itemClass)
{
    if (!itemClass.InheritsFrom(*itemClass_))
        throw EListError(itemClass.Name() + " is not an item class of " + ClassName());
    TPersistent* created = itemClass.Create(this);
    auto* item = dynamic_cast<TCollectionItem*>(created);
    if (!item) {
        delete created;
        throw EListError(itemClass.Name() + " is not a collection item class");
    }
    if (item->collection_ != this) item->SetCollection(this);
    return item;
}

TCollectionItem* TCollection::Add()
{
    return AddItem(*itemClass_);
}

TCollectionItem* TCollection::Insert(int index)
{
    BeginUpdate();
    const TScopeGuard endUpdate([this] { EndUpdate(); });
    TCollectionItem* item = Add();
    item->SetIndex(index);
    return item;
}

void TCollection::Delete(int index)
{
    delete Items(index);
}

void TCollection::Clear()
{
    if (items_.empty()) return;
    BeginUpdate();
    while (!items_.empty()) delete items_.back();
    EndUpdate();
}

void TCollection::Exchange(int index1, int index2)
{
    TCollectionItem* a = Items(index1);
    TCollectionItem* b = Items(index2);
    items_[static_cast<std::size_t>(index1)] = b;
    items_[static_cast<std::size_t>(index2)] = a;
    Changed();
}

void TCollection::Move(int currentIndex, int newIndex)
{
    TCollectionItem* item = Items(currentIndex);
    newIndex = std::clamp(newIndex, 0, Count() - 1);
    if (newIndex == currentIndex) return;
    items_.erase(items_.begin() + currentIndex);
    items_.insert(items_.begin() + newIndex, item);
    Changed();
}

TCollectionItem* TCollection::FindItemID(int id) const
{
    for (TCollectionItem* item : items_)
        if (item->id_ == id) return item;
    return nullptr;
}

void TCollection::BeginUpdate()
{
    ++updateCount_;
}

void TCollection::EndUpdate()
{
    if (updateCount_ > 0 && --updateCount_ == 0) Changed();
}

void TCollection::Changed()
{
    if (updateCount_ == 0) Update(nullptr);
}

void TCollection::Update(TCollectionItem* item)
{
    if (OnUpdate) OnUpdate(this, item);
}

void TCollection::InsertItem(TCollectionItem* item)
{
    items_.push_back(item);
    item->collection_ = this;
    item->id_ = nextId_++;
    Notify(item, true);
    Changed();
}

void TCollection::RemoveItem(TCollectionItem* item)
{
    Notify(item, false);
    if (!items_.empty() && items_.back() == item) items_.pop_back();
    else items_.erase(std::remove(items_.begin(), items_.end(), item), items_.end());
    item->collection_ = nullptr;
    Changed();
}

void TCollection::Assign(const TPersistent* source)
{
    auto* other = dynamic_cast<const TCollection*>(source);
    if (!other) {
        TPersistent::Assign(source);
        return;
    }
    if (other == this) return;
    BeginUpdate();
    const TScopeGuard endUpdate([this] { EndUpdate(); });
    Clear();
    for (TCollectionItem* from : other->items_) AddItem(from->ClassType())->Assign(from);
}

std::string TCollection::GetNamePath() const
{
    if (!owner_) return ClassName();
    std::string ownerPath = owner_->GetNamePath();
    // The collection's property name, when the owner publishes it.
    for (const TPropInfo* info : owner_->ClassType().Properties()) {
        if (info->Kind != TPropKind::Collection) continue;
        if (info->Object(*owner_, false) == this) return ownerPath.empty() ? info->Name : ownerPath + "." + info->Name;
    }
    return ownerPath;
}
