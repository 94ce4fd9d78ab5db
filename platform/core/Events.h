#pragma once
// Event delegates: an object and one of its member functions, one handler per event.
// Delegates are nullable, copyable and comparable, so handlers can be saved, swapped,
// restored and used as keys; by-reference arguments work as in any member call.
#include <cstring>
#include <functional>
#include <typeinfo>
#include <utility>

class TObject;

// The untyped part every delegate shares; property tables and streams work with it.
class TMethod {
public:
    bool Assigned() const { return object_ != nullptr; }
    explicit operator bool() const { return Assigned(); }
    void* Data() const { return object_; }
    const std::type_info* Signature() const { return signature_; }
    bool operator==(const TMethod& other) const
    {
        return object_ == other.object_ && invoke_ == other.invoke_ &&
               std::memcmp(code_, other.code_, sizeof code_) == 0;
    }
    void Clear() { *this = TMethod(); }

protected:
    using ErasedInvoke = void (*)();
    static constexpr std::size_t kCodeSize = 2 * sizeof(void*);
    void* object_ = nullptr;
    ErasedInvoke invoke_ = nullptr;  // a typed thunk, cast back by the delegate
    const std::type_info* signature_ = nullptr;
    unsigned char code_[kCodeSize] = {};  // the member function pointer's bytes
};

template <class Signature>
class TEvent;

template <class R, class... Args>
class TEvent<R(Args...)> : public TMethod {
public:
    TEvent() = default;
    TEvent(std::nullptr_t) {}
    template <class T>
    TEvent(T* object, R (T::*member)(Args...))
    {
        static_assert(sizeof member <= kCodeSize, "member function pointer too large");
        if (!object) return;
        object_ = object;
        std::memcpy(code_, &member, sizeof member);
        invoke_ = reinterpret_cast<ErasedInvoke>(&Invoke<T>);
        signature_ = &typeid(R(Args...));
    }
    // Takes a method of matching signature; an untyped method of another signature gives null.
    static TEvent FromMethod(const TMethod& method)
    {
        TEvent event;
        if (method.Signature() && *method.Signature() == typeid(R(Args...)))
            static_cast<TMethod&>(event) = method;
        return event;
    }

    R operator()(Args... args) const
    {
        using Thunk = R (*)(void*, const unsigned char*, Args...);
        return reinterpret_cast<Thunk>(invoke_)(object_, code_, std::forward<Args>(args)...);
    }

private:
    template <class T>
    static R Invoke(void* object, const unsigned char* code, Args... args)
    {
        R (T::*member)(Args...);
        std::memcpy(&member, code, sizeof member);
        return (static_cast<T*>(object)->*member)(std::forward<Args>(args)...);
    }
};

// The library's notify event: a handler receives the sender.
using TNotifyEvent = TEvent<void(TObject*)>;

// A plain change handler that owners install on their parts and editors swap and restore.
using TChangeHandler = std::function<void(TObject* sender)>;

// Stores value when it differs; answers whether it did, so setters notify only on a change.
template <class T, class V>
bool SetIfChanged(T& field, V&& value)
{
    if (field == value) return false;
    field = std::forward<V>(value);
    return true;
}
