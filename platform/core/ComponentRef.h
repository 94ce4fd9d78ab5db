#pragma once
// A guarded reference from one component (or a window) to a component it does not own.
//
// Setting it links the two: when the referenced component goes, while it is still whole, the
// holder hears Notification(target, opRemove) with the reference still set, then the optional
// OnGone callback runs, and the reference turns empty unless the handler pointed it elsewhere.
// A copy links itself anew and keeps its own holder; assignment takes only the target. So a
// reference copied by Assign or moved inside a vector never dangles and never unlinks another.
#include <functional>

#include "platform/core/Component.h"

class TComponentRefBase {
public:
    TComponent* GetComponent() const { return target_; }
    // Runs after the holder's notification when the target goes; not copied by assignment.
    std::function<void(TComponent*)> OnGone;

protected:
    explicit TComponentRefBase(TComponent* holder) : holder_(holder) {}
    TComponentRefBase(const TComponentRefBase& other) : OnGone(other.OnGone), holder_(other.holder_)
    {
        Link(other.target_);
    }
    TComponentRefBase& operator=(const TComponentRefBase& other)
    {
        Link(other.target_);
        return *this;
    }
    ~TComponentRefBase() { Link(nullptr); }
    void Link(TComponent* target);

private:
    friend class TComponent;
    void TargetGoing(TComponent* target);

    TComponent* holder_;
    TComponent* target_ = nullptr;
};

template <class T>
class TComponentRef : public TComponentRefBase {
public:
    // holder: the component that hears when the target goes; none for a window's reference.
    explicit TComponentRef(TComponent* holder = nullptr) : TComponentRefBase(holder) {}
    TComponentRef(const TComponentRef&) = default;
    TComponentRef& operator=(const TComponentRef&) = default;
    TComponentRef& operator=(T* target)
    {
        Set(target);
        return *this;
    }

    T* Get() const { return static_cast<T*>(GetComponent()); }
    void Set(T* target) { Link(target); }
    T* operator->() const { return Get(); }
    operator T*() const { return Get(); }
};
