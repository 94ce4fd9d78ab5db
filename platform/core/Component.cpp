#include "platform/core/Component.h"

#include <algorithm>
#include <cassert>

#include "platform/core/Collection.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentWriter.h"
#include "platform/core/StringList.h"

// ---------------------------------------------------------------- TPersistent

const TClassInfo& TPersistent::StaticClass()
{
    static const TClassInfo info("TPersistent", nullptr, nullptr, nullptr);
    return info;
}

std::string TPersistent::ClassName() const
{
    return ClassType().Name();
}

void TPersistent::Assign(const TPersistent* source)
{
    if (source) {
        source->AssignTo(this);
        return;
    }
    throw EConvertError("Cannot assign a nil to a " + ClassName() + ".");
}

void TPersistent::AssignTo(TPersistent* dest) const
{
    throw EConvertError("Cannot assign a " + ClassName() + " to a " + dest->ClassName() + ".");
}

std::string TPersistent::GetNamePath() const
{
    TPersistent* owner = GetOwner();
    std::string ownerPath = owner ? owner->GetNamePath() : std::string();
    return ownerPath.empty() ? ClassName() : ownerPath + "." + ClassName();
}

namespace {

void CopyProperty(TPersistent& dest, TPersistent& source, const TPropInfo& info)
{
    switch (info.Kind) {
    case TPropKind::Strings: {
        auto* from = static_cast<TStringList*>(info.Object(source, false));
        auto* to = static_cast<TStringList*>(info.Object(dest, true));
        if (from && to) to->Assign(*from);
        else if (to) to->Clear();
        if (to && info.Changed) info.Changed(dest);
        return;
    }
    case TPropKind::Collection:
    case TPropKind::Object: {
        auto* from = dynamic_cast<TPersistent*>(info.Object(source, false));
        if (info.Kind == TPropKind::Object && info.Set) {
            info.Set(dest, TVariant(static_cast<TObject*>(from)));
            return;
        }
        auto* to = dynamic_cast<TPersistent*>(info.Object(dest, from != nullptr));
        if (from && to) to->Assign(from);
        return;
    }
    case TPropKind::Event:
        if (info.SetMethod) info.SetMethod(dest, info.GetMethod(source));
        return;
    default:
        if (info.Set) info.Set(dest, info.Get(source));
    }
}

}  // namespace

void AssignPublishedProperties(TPersistent& dest, TPersistent& source)
{
    for (const TPropInfo* info : dest.ClassType().Properties()) {
        if (SameIdent(info->Name, "Name")) continue;
        const TPropInfo* from = source.ClassType().FindProperty(info->Name);
        if (from != info) continue;  // only what both classes share
        CopyProperty(dest, source, *info);
    }
}

// ---------------------------------------------------------------- TComponent

TComponent* AsComponentOwner(TPersistent* owner)
{
    // The class information tells as surely as a dynamic_cast, for less (the reader creates
    // every component through here).
    auto* component = owner && owner->InheritsFrom(TComponent::StaticClass()) ? static_cast<TComponent*>(owner) : nullptr;
    assert(component == dynamic_cast<TComponent*>(owner));
    return component;
}

TComponent::TComponent(TComponent* owner)
{
    if (owner) owner->InsertComponent(this);
}

void TComponent::DeclareProperties(TPropertyDeclarer<TComponent>& p)
{
    p.String("Name", &TComponent::Name, &TComponent::SetName).NotStored();
    p.Int64("Tag", &TComponent::Tag, &TComponent::SetTag).Default(0);
}

TPersistent* TComponent::GetOwner() const
{
    return owner_;
}

void TComponent::Destroying()
{
    if (state_ & csDestroying) return;
    state_ |= csDestroying;
    for (TComponent* component : components_) component->Destroying();
}

void TComponent::DestroyComponents()
{
    while (!components_.empty()) {
        TComponent* last = components_.back();
        // Only components that others watch need the notification round; the rest go quietly.
        if (!(last->state_ & csFreeNotification)) Remove(last);
        last->Free();
    }
}

namespace {

// Per byte: 1 starts an identifier word (letter, '_'), 2 continues one (digit).
struct TIdentChars {
    unsigned char kind[256] = {};
    constexpr TIdentChars()
    {
        for (int c = 'A'; c <= 'Z'; ++c) kind[c] = kind[c + 32] = 1;
        kind[static_cast<unsigned char>('_')] = 1;
        for (int c = '0'; c <= '9'; ++c) kind[c] = 2;
    }
};
constexpr TIdentChars kIdentChars;

}  // namespace

bool IsValidIdent(const std::string& text, bool allowDots)
{
    if (text.empty()) return false;
    bool wordStart = true;
    for (char ch : text) {
        const unsigned char kind = kIdentChars.kind[static_cast<unsigned char>(ch)];
        if (kind == 1 || (kind == 2 && !wordStart)) {
            wordStart = false;
            continue;
        }
        if (ch == '.' && allowDots && !wordStart) {
            wordStart = true;
            continue;
        }
        return false;
    }
    return !wordStart;
}

void TComponent::ValidateRename(TComponent* component, const std::string& currentName, const std::string& newName) const
{
    if (component && !newName.empty() && !SameIdent(currentName, newName)) {
        TComponent* existing = FindComponent(newName);
        if (existing && existing != component) throw EComponentError("A component named " + newName + " already exists");
    }
}

void TComponent::SetName(const std::string& name)
{
    if (name_ == name) return;
    if (!name.empty() && !IsValidIdent(name)) throw EComponentError("'" + name + "' is not a valid component name");
    if (owner_) {
        owner_->ValidateRename(this, name_, name);
        owner_->UnindexName(this);
    }
    name_ = name;
    if (owner_) owner_->IndexName(this, name_);
}

TComponent* TComponent::Components(int index) const
{
    if (index < 0 || index >= ComponentCount())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return components_[static_cast<std::size_t>(index)];
}

int TComponent::ComponentIndex() const
{
    if (!owner_) return -1;
    const auto& list = owner_->components_;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TComponent::SetComponentIndex(int index)
{
    if (!owner_) return;
    auto& list = owner_->components_;
    int current = ComponentIndex();
    index = std::clamp(index, 0, static_cast<int>(list.size()) - 1);
    if (current < 0 || current == index) return;
    list.erase(list.begin() + current);
    list.insert(list.begin() + index, this);
}

TComponent* TComponent::FindComponent(const std::string& name) const
{
    return byName_.Find(name);
}

void TComponent::IndexName(TComponent* component, const std::string&)
{
    byName_.Add(component);
}

void TComponent::UnindexName(TComponent* component)
{
    byName_.Remove(component);
}

void TComponent::InsertComponent(TComponent* component)
{
    if (!component || component->owner_ == this) return;
    ValidateRename(component, std::string(), component->name_);
    if (component->owner_) component->owner_->RemoveComponent(component);
    Insert(component);
    Notification(component, TOperation::opInsert);
}

void TComponent::RemoveComponent(TComponent* component)
{
    if (!component || component->owner_ != this) return;
    Notification(component, TOperation::opRemove);
    Remove(component);
}

void TComponent::Insert(TComponent* component)
{
    components_.push_back(component);
    component->owner_ = this;
    IndexName(component, component->name_);
}

void TComponent::Remove(TComponent* component)
{
    UnindexName(component);
    if (!components_.empty() && components_.back() == component) components_.pop_back();
    else components_.erase(std::remove(components_.begin(), components_.end(), component), components_.end());
    component->owner_ = nullptr;
}

void TComponent::FreeNotification(TComponent* component)
{
    if (!component || component == this) return;
    state_ |= csFreeNotification;
    component->state_ |= csFreeNotification;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end()) {
        freeNotifies_.push_back(component);
        component->freeNotifies_.push_back(this);
    }
}

void TComponent::RemoveNotification(TComponent* component)
{
    freeNotifies_.erase(std::remove(freeNotifies_.begin(), freeNotifies_.end(), component), freeNotifies_.end());
}

void TComponent::RemoveFreeNotification(TComponent* component)
{
    if (!component) return;
    RemoveNotification(component);
    component->RemoveNotification(this);
}

void TComponent::Notification(TComponent* component, TOperation operation)
{
    if (operation != TOperation::opRemove || !component) return;
    RemoveFreeNotification(component);
    // Removals reach everything this component owns (insertions only the owner, so that
    // filling an owner with many components stays linear). Iterate by index from the end:
    // a handler may free components of this owner.
    for (std::size_t i = components_.size(); i-- > 0;) {
        if (i >= components_.size()) continue;
        components_[i]->Notification(component, operation);
    }
}

void TComponent::Loaded()
{
    state_ &= ~csLoading;
}

void TComponent::SetStateFlags(unsigned flags, bool on)
{
    state_ = on ? (state_ | flags) : (state_ & ~flags);
}

void TComponent::GetChildren(const TGetChildProc& proc, TComponent* root)
{
    if (root != this) return;
    for (std::size_t i = 0; i < components_.size(); ++i)
        if (!components_[i]->HasParent()) proc(components_[i]);
}

void TComponent::ReadState(TReader& reader)
{
    reader.ReadData(this);
}

void TComponent::WriteState(TWriter& writer)
{
    writer.WriteData(this);
}

std::string UniqueComponentName(const TComponent* owner, const std::string& base)
{
    for (int n = 1;; ++n) {
        std::string name = base + std::to_string(n);
        if (!owner || !owner->FindComponent(name)) return name;
    }
}
