#pragma once
// Collections: an owned list of items of one item class, with update counting and change
// notification to the collection's owner.
#include <vector>

#include "platform/core/Component.h"

class TCollection;

class TCollectionItem : public TPersistent {
    QB_CLASS(TCollectionItem, TPersistent)
public:
    explicit TCollectionItem(TCollection* collection);  // joins the collection when given
    ~TCollectionItem() override;                        // leaves its collection
    TCollectionItem(const TCollectionItem&) = delete;
    TCollectionItem& operator=(const TCollectionItem&) = delete;

    TCollection* Collection() const { return collection_; }
    void SetCollection(TCollection* collection);
    int Index() const;
    void SetIndex(int index);
    int ID() const { return id_; }
    TPersistent* GetOwner() const override;
    std::string GetNamePath() const override;
    virtual std::string GetDisplayName() const { return ClassName(); }
    // An item of the same class copies its published properties; classes with more state override.
    void Assign(const TPersistent* source) override;

protected:
    // Tells the collection that this item (or, with allItems, the whole list) changed.
    void Changed(bool allItems);

private:
    friend class TCollection;
    TCollection* collection_ = nullptr;
    int id_ = 0;
};

class TCollection : public TPersistent {
    QB_CLASS(TCollection, TPersistent)
public:
    explicit TCollection(const TClassInfo& itemClass, TPersistent* owner = nullptr);
    ~TCollection() override;
    TCollection(const TCollection&) = delete;
    TCollection& operator=(const TCollection&) = delete;

    const TClassInfo& ItemClass() const { return *itemClass_; }
    int Count() const { return static_cast<int>(items_.size()); }
    TCollectionItem* Items(int index) const;  // raises EListError "List index out of bounds (n)"
    TCollectionItem* Add();                   // a new item of the item class
    TCollectionItem* Insert(int index);
    TCollectionItem* AddItem(const TClassInfo& itemClass);  // an item of another class (derived items)
    void Delete(int index);
    void Clear();
    void Exchange(int index1, int index2);
    void Move(int currentIndex, int newIndex);
    TCollectionItem* FindItemID(int id) const;

    void BeginUpdate();
    void EndUpdate();  // the last one reports one change of the whole list
    int UpdateCount() const { return updateCount_; }

    // Copies items of a collection: the same classes, their published properties through Assign.
    void Assign(const TPersistent* source) override;
    TPersistent* GetOwner() const override { return owner_; }
    std::string GetNamePath() const override;

    // Change report: item = nullptr for the whole list. Runs only outside updates.
    std::function<void(TCollection* sender, TCollectionItem* item)> OnUpdate;

protected:
    virtual void Update(TCollectionItem* item);
    virtual void Notify(TCollectionItem*, bool /*added*/) {}
    void Changed();

private:
    friend class TCollectionItem;
    void InsertItem(TCollectionItem* item);
    void RemoveItem(TCollectionItem* item);
    const TClassInfo* itemClass_;
    TPersistent* owner_;
    std::vector<TCollectionItem*> items_;
    int updateCount_ = 0;
    int nextId_ = 0;
};
