#pragma once
// A window's hold on a chart or a series that the window does not own: the component may be
// freed elsewhere (the user deletes the series, the chart window closes), and the link then
// turns empty through the component's free notification instead of dangling.
#include "platform/core/Component.h"

class TComponentLink : public TComponent {
public:
    TComponentLink() : TComponent(nullptr) {}
    ~TComponentLink() override { Set(nullptr); }

    TComponent* Get() const { return target_; }
    void Set(TComponent* target)
    {
        if (target_ == target) return;
        if (target_) RemoveFreeNotification(target_);
        target_ = target;
        if (target_) FreeNotification(target_);
    }

protected:
    void Notification(TComponent* component, TOperation operation) override
    {
        if (operation == TOperation::opRemove && component == target_) target_ = nullptr;
        TComponent::Notification(component, operation);
    }

private:
    TComponent* target_ = nullptr;
};

// The same link typed for its target's class.
template <class T>
class TLinked {
public:
    T* Get() const { return static_cast<T*>(link_.Get()); }
    void Set(T* target) { link_.Set(target); }
    explicit operator bool() const { return link_.Get() != nullptr; }

private:
    TComponentLink link_;
};
