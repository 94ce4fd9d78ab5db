#pragma once
// Persistent objects and components: ownership, names, states, free notification.
//
// An owner frees what it owns, last created first. Names are unique per owner and found
// without regard to case. A component that other components point at tells them when it
// goes (Notification with opRemove): its owner and everything the owner holds hear of it,
// and so does every component that asked for FreeNotification or holds a TComponentRef to it.
// An owner hears of each component inserted into it (opInsert); its other components do not.
//
// Lifetime invariant: a component is told about while it is still whole. Free(), the
// TComponentPtr deleter, an owner's DestroyComponents() and TScopedComponent run
// BeforeDestruction() first (csDestroying on the owned tree, the free notifications, the
// owner's notification round) and only then run the destructors, so a Notification(opRemove)
// handler may call the going object's own members. ~TComponent asserts that BeforeDestruction
// ran, or that nobody could hear of the component: no owner, no free-notification partner and
// no reference to it. Owned components are freed one by one by ~TComponent, each whole; a
// derived class whose own members are needed while they go calls DestroyComponents() first in
// its destructor.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/core/NameIndex.h"
#include "platform/core/Properties.h"

class TFiler;
class TReader;
class TWriter;
class TComponentRefBase;

class TPersistent : public TObject {
public:
    static const TClassInfo& StaticClass();
    virtual const TClassInfo& ClassType() const { return StaticClass(); }
    std::string ClassName() const override;
    bool InheritsFrom(const TClassInfo& info) const { return ClassType().InheritsFrom(info); }

    // Copies source into this; a source this class does not know is offered to the source's
    // AssignTo, and when neither knows the other: EConvertError "Cannot assign a X to a Y.".
    virtual void Assign(const TPersistent* source);
    virtual TPersistent* GetOwner() const { return nullptr; }
    // "Chart1.Title.Font"-like path for messages and editors.
    virtual std::string GetNamePath() const;
    // Streaming hook for values that are not published properties.
    virtual void DefineProperties(TFiler&) {}

protected:
    virtual void AssignTo(TPersistent* dest) const;
};

// Copies every published, writable property that both objects' classes publish: values,
// string lists and collections by value, nested objects through their Assign.
void AssignPublishedProperties(TPersistent& dest, TPersistent& source);

enum TComponentStateFlag : unsigned {
    csLoading = 0x01,
    csReading = 0x02,
    csWriting = 0x04,
    csDestroying = 0x08,
    csDesigning = 0x10,  // never set in this program
    csAncestor = 0x20,
    csUpdating = 0x40,
    csFixups = 0x80,
    csFreeNotification = 0x100,
    csInline = 0x200,
};

enum class TOperation { opInsert, opRemove };

using TGetChildProc = std::function<void(class TComponent*)>;

class TComponent : public TPersistent {
    QB_CLASS(TComponent, TPersistent)
public:
    explicit TComponent(TComponent* owner);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    static void DeclareProperties(TPropertyDeclarer<TComponent>& p);

    TComponent* Owner() const { return owner_; }
    TPersistent* GetOwner() const override;
    const std::string& Name() const { return name_; }
    // Raises EComponentError "'x' is not a valid component name" or
    // "A component named X already exists".
    virtual void SetName(const std::string& name);
    std::intptr_t Tag() const { return tag_; }
    void SetTag(std::intptr_t tag) { tag_ = tag; }
    std::string GetNamePath() const override { return name_; }

    // Owned components, in creation order unless reordered.
    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int index) const;  // raises EListError out of range
    int ComponentIndex() const;                // position in the owner's list, -1 without owner
    void SetComponentIndex(int index);
    TComponent* FindComponent(const std::string& name) const;  // ignores case; nullptr if none
    void InsertComponent(TComponent* component);  // takes ownership (from a previous owner too)
    void RemoveComponent(TComponent* component);  // gives it up without freeing it
    void DestroyComponents();                     // frees owned components, last first

    // Frees the component: BeforeDestruction while it is whole, then its destructors.
    void Free();
    // Tells everyone concerned that this component goes; runs once. Free() and the deleters
    // call it; a class that frees itself by other means calls it before its destructor.
    // An override calls the base first and then leaves what it joined while still whole.
    virtual void BeforeDestruction();

    // Free notification both ways: each hears Notification(other, opRemove) when the other goes.
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);

    unsigned ComponentState() const { return state_; }
    bool HasState(unsigned flags) const { return (state_ & flags) != 0; }

    // Streaming structure: which components are written inside this one, and the parent
    // they are read back into.
    virtual void GetChildren(const TGetChildProc& proc, TComponent* root);
    virtual bool HasParent() const { return false; }
    virtual TComponent* GetParentComponent() const { return nullptr; }
    virtual void SetParentComponent(TComponent*) {}
    virtual void ReadState(TReader& reader);
    virtual void WriteState(TWriter& writer);

protected:
    // Hears about components inserted into or removed from the owner, and freed components
    // this one asked about. Overrides clear their references, then call the base.
    virtual void Notification(TComponent* component, TOperation operation);
    // Runs once after a whole stream has been read, in reading order.
    virtual void Loaded();
    // Called on every owned component and this one before anything is freed.
    virtual void Destroying();
    virtual void ValidateRename(TComponent* component, const std::string& currentName, const std::string& newName) const;
    void SetStateFlags(unsigned flags, bool on);

private:
    friend class TReader;
    friend class TWriter;
    friend class TComponentRefBase;
    void Insert(TComponent* component);
    void Remove(TComponent* component);
    void RemoveNotification(TComponent* component);
    void IndexName(TComponent* component, const std::string& name);
    void UnindexName(TComponent* component);

    TComponent* owner_ = nullptr;
    std::string name_;
    std::intptr_t tag_ = 0;
    unsigned state_ = 0;
    std::vector<TComponent*> components_;
    TNameIndex byName_;  // names of owned components
    std::vector<TComponent*> freeNotifies_;
    std::vector<TComponentRefBase*> refs_;  // references that point at this component
    bool toldGoing_ = false;                // BeforeDestruction ran
};

// Frees components held by std::unique_ptr through Free().
struct TComponentDeleter {
    void operator()(TComponent* component) const
    {
        if (component) component->Free();
    }
};
template <class T>
using TComponentPtr = std::unique_ptr<T, TComponentDeleter>;
template <class T, class... Args>
TComponentPtr<T> MakeComponent(Args&&... args)
{
    return TComponentPtr<T>(new T(std::forward<Args>(args)...));
}

// Frees a component through Free(); nothing happens for a null pointer.
inline void FreeComponent(TComponent* component)
{
    if (component) component->Free();
}

// Frees a component and clears the pointer; nothing happens for a null pointer.
template <class T>
void FreeAndNil(T*& component)
{
    T* going = component;
    component = nullptr;
    if (going) going->Free();
}

// A component that lives in a scope or as a member: its destructor runs BeforeDestruction
// while the whole T still exists.
template <class T>
class TScopedComponent : public T {
public:
    using T::T;
    ~TScopedComponent() override { this->BeforeDestruction(); }
};

// The first free name base+N (N = 1, 2, ...) among owner's components: "Series3".
std::string UniqueComponentName(const TComponent* owner, const std::string& base);
bool IsValidIdent(const std::string& text, bool allowDots = false);
