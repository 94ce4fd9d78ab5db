// The lifetime side of components: the notification round a component runs while it is
// still whole, and the guarded references it clears on the way.
#include "platform/core/ComponentRef.h"

#include <algorithm>
#include <cassert>

TComponent::~TComponent()
{
    // Without BeforeDestruction the derived parts are gone: nobody may hear of this component.
    assert(toldGoing_ || (!owner_ && freeNotifies_.empty() && refs_.empty()));
    BeforeDestruction();
    DestroyComponents();
    // Links a derived destructor made after the notification round go without another one.
    for (TComponent* other : freeNotifies_) other->RemoveNotification(this);
    for (TComponentRefBase* ref : refs_) ref->target_ = nullptr;
    if (owner_) owner_->Remove(this);
}

void TComponent::Free()
{
    BeforeDestruction();
    delete this;
}

void TComponent::BeforeDestruction()
{
    if (toldGoing_) return;
    toldGoing_ = true;
    Destroying();
    // References turn empty, then their holders and everything that asked hear that it goes.
    while (!refs_.empty()) {
        TComponentRefBase* ref = refs_.back();
        refs_.pop_back();
        ref->TargetGoing(this);
    }
    while (!freeNotifies_.empty()) {
        TComponent* other = freeNotifies_.back();
        freeNotifies_.pop_back();
        auto& back = other->freeNotifies_;
        back.erase(std::remove(back.begin(), back.end(), this), back.end());
        other->Notification(this, TOperation::opRemove);
    }
    // An owner that frees its components tells only about those that others watch.
    if (owner_) {
        if (owner_->HasState(csDestroying) && !(state_ & csFreeNotification)) owner_->Remove(this);
        else owner_->RemoveComponent(this);
    }
}

void TComponentRefBase::Link(TComponent* target)
{
    // A component already told going would leave the reference dangling.
    if (target && target->toldGoing_) target = nullptr;
    if (target == target_) return;
    if (target_) {
        auto& refs = target_->refs_;
        refs.erase(std::remove(refs.begin(), refs.end(), this), refs.end());
    }
    target_ = target;
    if (target_) {
        target_->refs_.push_back(this);
        target_->state_ |= csFreeNotification;
    }
}

void TComponentRefBase::TargetGoing(TComponent* target)
{
    if (holder_) holder_->Notification(target, TOperation::opRemove);
    if (OnGone) OnGone(target);
    if (target_ == target) target_ = nullptr;
}
