#pragma once
// Published properties: one table per class, read by streaming, Assign, themes, editors and
// animations. A class declares each property once, next to the class:
//
//   QB_ENUM(TPenStyle, psSolid, psDash, psDot)            // enum + its identifiers
//
//   class TDuvPen : public TPersistent {
//       QB_CLASS(TDuvPen, TPersistent)
//   public:
//       static void DeclareProperties(TPropertyDeclarer<TDuvPen>& p)
//       {
//           p.Color("Color", &TDuvPen::Color, &TDuvPen::SetColor).Default(clBlack);
//           p.Integer("Width", &TDuvPen::Width, &TDuvPen::SetWidth).Default(1);
//           p.Enum("Style", &TDuvPen::Style, &TDuvPen::SetStyle).Default(psSolid);
//           p.Boolean("Visible", &TDuvPen::FVisible).Default(true);   // a field works too
//       }
//       ...
//   };
//
// Kinds: Boolean, Integer, Int64, Float, Enum, Set, String, Color, Strings (a TStringList),
// Object (nested persistent; getter may create it, give .Peek(...) so "is it stored?" does not),
// Collection, Component (reference by name), Event (delegate by method name), and Method
// (publishes a handler so streams can name it). Modifiers: .Default(v) (without it ordinal
// kinds are always written; floats and strings default to 0 and ""), .DefaultFrom(&T::FField
// or &T::Getter) for per-instance defaults set by "Init" operations, .Stored(&T::Pred) or
// .NotStored(). A derived class may declare a property of its base again to change it.
// Register the class for streaming at start-up: RegisterClass(TDuvPen::StaticClass()).
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "platform/core/Colors.h"
#include "platform/core/Events.h"
#include "platform/core/SysUtils.h"

class TPersistent;
class TComponent;
class TCollection;
class TStringList;
class TClassInfo;

// Identifier comparison without regard to ASCII case (names of properties, classes, components).
bool SameIdent(const std::string& a, const std::string& b);
std::string UpperIdent(const std::string& text);

// ---------------------------------------------------------------- variant

class TVariant {
public:
    enum TType { vtNull, vtBoolean, vtInteger, vtFloat, vtString, vtObject };
    TVariant() = default;
    TVariant(bool v) : value_(v) {}
    TVariant(int v) : value_(static_cast<long long>(v)) {}
    TVariant(long v) : value_(static_cast<long long>(v)) {}
    TVariant(long long v) : value_(v) {}
    TVariant(unsigned v) : value_(static_cast<long long>(v)) {}
    TVariant(unsigned long long v) : value_(static_cast<long long>(v)) {}
    TVariant(double v) : value_(v) {}
    TVariant(float v) : value_(static_cast<double>(v)) {}
    TVariant(std::string v) : value_(std::move(v)) {}
    TVariant(const char* v) : value_(std::string(v)) {}
    TVariant(TObject* v) : value_(v) {}

    TType Type() const { return static_cast<TType>(value_.index()); }
    bool IsNull() const { return Type() == vtNull; }
    // Conversions raise EConvertError "Could not convert variant of type (X) into type (Y)".
    bool AsBoolean() const;
    long long AsInteger() const;  // floats round halves to even
    double AsFloat() const;
    std::string AsString() const;  // floats in shortest '.' form
    TObject* AsObject() const;
    bool operator==(const TVariant& other) const { return value_ == other.value_; }

private:
    std::variant<std::monostate, bool, long long, double, std::string, TObject*> value_;
};

// ---------------------------------------------------------------- enumerations and sets

// Identifiers of an enumeration type; the ordinal (index) is what files store.
class TEnumInfo {
public:
    TEnumInfo(std::string typeName, std::vector<std::string> names);
    // Parses "a, b, c" as the QB_ENUM macro hands it over.
    static TEnumInfo FromList(const char* typeName, const char* commaList);
    const std::string& TypeName() const { return typeName_; }
    int Count() const { return static_cast<int>(names_.size()); }
    const std::string& Name(int ordinal) const;  // raises EPropertyError out of range
    int Ordinal(const std::string& ident) const;  // -1 when unknown; ignores case

private:
    std::string typeName_;
    std::vector<std::string> names_;
};

// Declares an enumeration with ordinals 0, 1, ... and its identifiers for the tables.
#define QB_ENUM(Type, ...)                                                        \
    enum Type { __VA_ARGS__ };                                                    \
    inline const TEnumInfo& EnumTypeInfo(Type)                                    \
    {                                                                             \
        static const TEnumInfo info = TEnumInfo::FromList(#Type, #__VA_ARGS__);   \
        return info;                                                              \
    }

// "gdTopBottom" -> "Top Bottom": the identifier without its lower-case prefix, in words.
std::string EnumIdentToWords(const std::string& ident);

// A set of enumeration values (up to 64 members) as the class library's "set of".
template <class E>
class TSet {
public:
    TSet() = default;
    TSet(std::initializer_list<E> members)
    {
        for (E m : members) Include(m);
    }
    static TSet FromMask(std::uint64_t mask)
    {
        TSet s;
        s.mask_ = mask;
        return s;
    }
    bool Contains(E m) const { return mask_ & Bit(m); }
    void Include(E m) { mask_ |= Bit(m); }
    void Exclude(E m) { mask_ &= ~Bit(m); }
    std::uint64_t Mask() const { return mask_; }
    bool Empty() const { return mask_ == 0; }
    bool operator==(const TSet& o) const { return mask_ == o.mask_; }

private:
    static std::uint64_t Bit(E m) { return std::uint64_t{1} << static_cast<int>(m); }
    std::uint64_t mask_ = 0;
};
template <class E>
const TEnumInfo& EnumTypeInfo(TSet<E>)
{
    return EnumTypeInfo(E{});
}

std::string SetToString(const TEnumInfo& info, std::uint64_t mask);  // "[a, b]"
std::uint64_t StringToSet(const TEnumInfo& info, const std::string& text);  // raises EPropertyError

// ---------------------------------------------------------------- property information

enum class TPropKind {
    Boolean, Integer, Int64, Float, Enumeration, Set, String, Color,
    Strings, Object, Collection, Component, Event
};

struct TPropInfo {
    std::string Name;
    TPropKind Kind = TPropKind::Integer;
    const TEnumInfo* Enum = nullptr;                  // enumeration, set element
    const TClassInfo& (*ClassOf)() = nullptr;         // object, collection, component
    // Values: ordinals and floats as numbers, enumerations as identifiers, sets as masks,
    // strings as text, string lists as their text, objects as pointers.
    std::function<TVariant(TPersistent&)> Get;
    std::function<void(TPersistent&, const TVariant&)> Set;  // empty: read-only
    // Object, Strings, Collection: the held object; create=false never creates it.
    std::function<TObject*(TPersistent&, bool create)> Object;
    std::function<TMethod(TPersistent&)> GetMethod;           // Event
    std::function<void(TPersistent&, const TMethod&)> SetMethod;
    TVariant Default;
    bool HasDefault = false;
    std::function<TVariant(TPersistent&)> DefaultOf;  // per-instance default
    std::function<bool(TPersistent&)> StoredIf;
    bool NeverStored = false;
    // Strings: told after the held list was filled from a stream, by name or by a copy.
    std::function<void(TPersistent&)> Changed;

    bool IsStored(TPersistent& instance) const;          // the stored rule alone
    bool IsDefault(TPersistent& instance) const;         // value equals its default
    bool IsReadOnly() const { return !Set && !SetMethod && Kind != TPropKind::Strings && Kind != TPropKind::Collection; }
};

struct TPublishedMethod {
    std::string Name;
    std::function<TMethod(TPersistent&)> Bind;
};

// A class's own declarations, in declaration order.
struct TPropertyTable {
    std::vector<std::shared_ptr<TPropInfo>> Properties;
    std::vector<TPublishedMethod> Methods;
    TPropInfo& Add(std::string name, TPropKind kind);
};

// ---------------------------------------------------------------- class information

class TClassInfo {
public:
    using Constructor = TPersistent* (*)(TPersistent* owner);
    using Declarer = void (*)(TPropertyTable&);
    TClassInfo(std::string name, const TClassInfo* parent, Constructor construct, Declarer declare);
    TClassInfo(const TClassInfo&) = delete;
    TClassInfo& operator=(const TClassInfo&) = delete;

    const std::string& Name() const { return name_; }
    const TClassInfo* Parent() const { return parent_; }
    bool InheritsFrom(const TClassInfo& other) const;
    bool InheritsFrom(const std::string& className) const;  // ignores case
    bool IsAbstract() const { return construct_ == nullptr; }
    // A new instance: components take the owner, collection items the collection.
    // Raises EComponentError for abstract classes.
    TPersistent* Create(TPersistent* owner = nullptr) const;

    // Every published property, base classes first, redeclarations in their base's place.
    const std::vector<const TPropInfo*>& Properties() const;
    std::vector<const TPropInfo*> SortedProperties() const;  // by name, ignoring case
    const TPropInfo* FindProperty(const std::string& name) const;  // ignores case
    const TPublishedMethod* FindMethod(const std::string& name) const;
    const std::vector<TPublishedMethod>& Methods() const;

private:
    void Build() const;
    std::string name_;
    const TClassInfo* parent_;
    Constructor construct_;
    Declarer declare_;
    mutable std::once_flag built_;
    mutable TPropertyTable own_;
    mutable std::vector<const TPropInfo*> all_;
    mutable std::vector<TPublishedMethod> methods_;
};

// Non-template casts the class macro needs before components and collections are complete.
TComponent* AsComponentOwner(TPersistent* owner);
TCollection* AsCollectionOwner(TPersistent* owner);

template <class T>
class TPropertyDeclarer;

namespace qbdetail {
template <class Cls>
TPersistent* Construct(TPersistent* owner)
{
    if constexpr (std::is_abstract_v<Cls>) {
        return nullptr;
    } else if constexpr (std::is_constructible_v<Cls, TComponent*>) {
        return new Cls(AsComponentOwner(owner));
    } else if constexpr (std::is_constructible_v<Cls, TCollection*>) {
        return new Cls(AsCollectionOwner(owner));
    } else if constexpr (std::is_default_constructible_v<Cls>) {
        return new Cls();
    } else {
        return nullptr;
    }
}
template <class Cls>
void Declare(TPropertyTable& table)
{
    if constexpr (requires(TPropertyDeclarer<Cls>& d) { Cls::DeclareProperties(d); }) {
        TPropertyDeclarer<Cls> declarer(table);
        Cls::DeclareProperties(declarer);
    }
}
template <class Cls>
constexpr TClassInfo::Constructor ConstructorOf()
{
    if constexpr (std::is_abstract_v<Cls>)
        return nullptr;
    else
        return &Construct<Cls>;
}
}  // namespace qbdetail

// Gives a class its class information and name; put it first in the class body.
#define QB_CLASS(Cls, Base)                                                                  \
public:                                                                                      \
    using inherited = Base;                                                                  \
    static const TClassInfo& StaticClass()                                                   \
    {                                                                                        \
        static const TClassInfo info(#Cls, &Base::StaticClass(), qbdetail::ConstructorOf<Cls>(), \
                                     &qbdetail::Declare<Cls>);                               \
        return info;                                                                         \
    }                                                                                        \
    const TClassInfo& ClassType() const override { return StaticClass(); }                  \
                                                                                             \
private:

// ---------------------------------------------------------------- access by name and path

// An object that holds a list of objects which property paths reach as "ITEM<n>".
class IObjectList {
public:
    virtual ~IObjectList() = default;
    virtual int ObjectCount() const = 0;
    virtual TObject* ObjectAt(int index) const = 0;
};

// Walks a dotted path ("Title.Font.Color") from instance; "ITEM<n>" picks item n of a
// collection or object list (an index outside it, or no number, leads nowhere); "Text" after a
// string list names the list; a property that holds no object before the last element leads
// nowhere. On success instance is the object
// that holds the last property and path its name; otherwise nullptr.
const TPropInfo* ResolvePropertyPath(TObject*& instance, std::string& path);
const TPropInfo* GetPropInfo(const TObject* instance, const std::string& name);
bool IsPublishedProp(const TObject* instance, const std::string& name);
// Null when the path does not resolve; enumerations as identifiers, sets as "[a, b]".
TVariant GetPropValue(TObject* instance, const std::string& path);
// Raises EPropertyError for an unknown path or a value the property cannot take.
void SetPropValue(TObject* instance, const std::string& path, const TVariant& value);
// Property names of an object, sorted (editors list them this way).
std::vector<std::string> GetPropNames(const TObject* instance);

// Converts a variant into what a property of that kind takes (enumerations: identifier or
// ordinal; sets: text or mask; colours: identifier or number); raises EPropertyError.
TVariant ConvertPropValue(const TPropInfo& info, const TVariant& value);

// ---------------------------------------------------------------- the typed declarer

namespace qbdetail {
template <class T, class G>
decltype(auto) Fetch(G getter, T& object)
{
    return std::invoke(getter, object);
}
template <class T, class S, class V>
void Store(S setter, T& object, V&& value)
{
    if constexpr (std::is_member_object_pointer_v<S>)
        object.*setter = std::forward<V>(value);
    else
        std::invoke(setter, object, std::forward<V>(value));
}
template <class P>
auto* AddressOf(P&& value)
{
    if constexpr (std::is_pointer_v<std::remove_cvref_t<P>>)
        return value;
    else if constexpr (requires { value.get(); })
        return value.get();
    else
        return &value;
}
[[noreturn]] void RaiseBadValue(const TPropInfo& info);
template <class V>
V FromVariant(const TVariant& v)
{
    if constexpr (std::is_same_v<V, bool>)
        return v.AsBoolean();
    else if constexpr (std::is_integral_v<V>)
        return static_cast<V>(v.AsInteger());
    else if constexpr (std::is_floating_point_v<V>)
        return static_cast<V>(v.AsFloat());
    else
        return v.AsString();
}
template <class V>
TVariant ToVariant(const V& value)
{
    if constexpr (std::is_enum_v<V>)
        return TVariant(static_cast<int>(value));
    else if constexpr (requires { value.Mask(); })
        return TVariant(static_cast<long long>(value.Mask()));
    else
        return TVariant(value);
}
}  // namespace qbdetail

// Chained modifiers of one declaration.
template <class T>
class TPropBuilder {
public:
    explicit TPropBuilder(TPropInfo& info) : info_(info) {}
    TPropBuilder& Default(const TVariant& value)
    {
        info_.Default = ConvertPropValue(info_, value);
        info_.HasDefault = true;
        return *this;
    }
    template <class E>
        requires std::is_enum_v<E>
    TPropBuilder& Default(E value)
    {
        return Default(TVariant(static_cast<int>(value)));
    }
    template <class E>
    TPropBuilder& Default(TSet<E> value)
    {
        return Default(TVariant(static_cast<long long>(value.Mask())));
    }
    // Per-instance default: a field or getter of the object ("Init" operations set it).
    template <class G>
    TPropBuilder& DefaultFrom(G getter)
    {
        TPropInfo& info = info_;
        info_.HasDefault = true;
        info_.DefaultOf = [getter, &info](TPersistent& o) {
            return ConvertPropValue(info, qbdetail::ToVariant(qbdetail::Fetch(getter, static_cast<T&>(o))));
        };
        return *this;
    }
    template <class P>
    TPropBuilder& Stored(P predicate)
    {
        info_.StoredIf = [predicate](TPersistent& o) { return static_cast<bool>(qbdetail::Fetch(predicate, static_cast<T&>(o))); };
        return *this;
    }
    // A string list's owner hears when the list was replaced (its own lists tell nobody).
    template <class M>
    TPropBuilder& OnChanged(M method)
    {
        info_.Changed = [method](TPersistent& o) { (static_cast<T&>(o).*method)(); };
        return *this;
    }
    TPropBuilder& NotStored()
    {
        info_.NeverStored = true;
        return *this;
    }
    // For an object created on first read: how to see it without creating it.
    template <class G>
    TPropBuilder& Peek(G getter)
    {
        auto create = info_.Object;
        info_.Object = [getter, create](TPersistent& o, bool make) -> TObject* {
            if (make) return create(o, true);
            return qbdetail::AddressOf(qbdetail::Fetch(getter, static_cast<T&>(o)));
        };
        return *this;
    }

private:
    TPropInfo& info_;
};

template <class T>
class TPropertyDeclarer {
public:
    explicit TPropertyDeclarer(TPropertyTable& table) : table_(table) {}

    // Each kind takes a getter and a setter (member functions), or one field for both.
    template <class G, class... S>
    TPropBuilder<T> Boolean(const std::string& name, G get, S... set)
    {
        return Simple<bool>(name, TPropKind::Boolean, get, set...);
    }
    template <class G, class... S>
    TPropBuilder<T> Integer(const std::string& name, G get, S... set)
    {
        return Simple<int>(name, TPropKind::Integer, get, set...);
    }
    template <class G, class... S>
    TPropBuilder<T> Int64(const std::string& name, G get, S... set)
    {
        return Simple<std::int64_t>(name, TPropKind::Int64, get, set...);
    }
    template <class G, class... S>
    TPropBuilder<T> Float(const std::string& name, G get, S... set)
    {
        return Simple<std::remove_cvref_t<decltype(qbdetail::Fetch(get, std::declval<T&>()))>>(name, TPropKind::Float, get, set...);
    }
    template <class G, class... S>
    TPropBuilder<T> String(const std::string& name, G get, S... set)
    {
        return Simple<std::string>(name, TPropKind::String, get, set...);
    }
    template <class G, class... S>
    TPropBuilder<T> Color(const std::string& name, G get, S... set)
    {
        return Simple<TColor>(name, TPropKind::Color, get, set...);
    }

    template <class G, class... S>
    TPropBuilder<T> Enum(const std::string& name, G get, S... set)
    {
        using E = std::remove_cvref_t<decltype(qbdetail::Fetch(get, std::declval<T&>()))>;
        TPropInfo& info = table_.Add(name, TPropKind::Enumeration);
        const TEnumInfo* e = &EnumTypeInfo(E{});
        info.Enum = e;
        info.Get = [get, e](TPersistent& o) {
            return TVariant(e->Name(static_cast<int>(qbdetail::Fetch(get, static_cast<T&>(o)))));
        };
        info.Set = [setter = SetterOf(get, set...), e, &info](TPersistent& o, const TVariant& v) {
            int ordinal = e->Ordinal(v.AsString());
            if (ordinal < 0) qbdetail::RaiseBadValue(info);
            qbdetail::Store(setter, static_cast<T&>(o), static_cast<E>(ordinal));
        };
        return TPropBuilder<T>(info);
    }

    template <class G, class... S>
    TPropBuilder<T> Set(const std::string& name, G get, S... set)
    {
        using V = std::remove_cvref_t<decltype(qbdetail::Fetch(get, std::declval<T&>()))>;
        TPropInfo& info = table_.Add(name, TPropKind::Set);
        info.Enum = &EnumTypeInfo(V{});
        info.Get = [get](TPersistent& o) { return qbdetail::ToVariant(qbdetail::Fetch(get, static_cast<T&>(o))); };
        info.Set = [setter = SetterOf(get, set...)](TPersistent& o, const TVariant& v) {
            qbdetail::Store(setter, static_cast<T&>(o), V::FromMask(static_cast<std::uint64_t>(v.AsInteger())));
        };
        return TPropBuilder<T>(info);
    }

    // A string list held by the object (a TStringList member or a pointer to one).
    template <class G>
    TPropBuilder<T> Strings(const std::string& name, G get)
    {
        TPropInfo& info = table_.Add(name, TPropKind::Strings);
        info.Object = [get](TPersistent& o, bool) -> TObject* {
            return qbdetail::AddressOf(qbdetail::Fetch(get, static_cast<T&>(o)));
        };
        return TPropBuilder<T>(info);
    }

    // A nested persistent object; get may create it (add .Peek), set copies or frees it.
    template <class G, class... S>
    TPropBuilder<T> Object(const std::string& name, G get, S... set)
    {
        TPropInfo& info = ObjectLike(name, TPropKind::Object, get);
        if constexpr (sizeof...(S) > 0) info.Set = TypedSetter<Pointee<G>>(info, set...);
        return TPropBuilder<T>(info);
    }

    template <class G>
    TPropBuilder<T> Collection(const std::string& name, G get)
    {
        return TPropBuilder<T>(ObjectLike(name, TPropKind::Collection, get));
    }

    // A reference to a component, written as its name.
    template <class G, class... S>
    TPropBuilder<T> Component(const std::string& name, G get, S... set)
    {
        TPropInfo& info = table_.Add(name, TPropKind::Component);
        info.ClassOf = &Pointee<G>::StaticClass;
        info.Get = [get](TPersistent& o) {
            return TVariant(static_cast<TObject*>(qbdetail::Fetch(get, static_cast<T&>(o))));
        };
        info.Set = TypedSetter<Pointee<G>>(info, SetterOf(get, set...));
        return TPropBuilder<T>(info);
    }

    // An event: a TEvent field, or a getter and setter of one.
    template <class G, class... S>
    TPropBuilder<T> Event(const std::string& name, G get, S... set)
    {
        using Ev = std::remove_cvref_t<decltype(qbdetail::Fetch(get, std::declval<T&>()))>;
        TPropInfo& info = table_.Add(name, TPropKind::Event);
        info.GetMethod = [get](TPersistent& o) -> TMethod { return qbdetail::Fetch(get, static_cast<T&>(o)); };
        info.SetMethod = [setter = SetterOf(get, set...), &info](TPersistent& o, const TMethod& m) {
            Ev event = Ev::FromMethod(m);
            if (m.Assigned() && !event.Assigned()) qbdetail::RaiseBadValue(info);
            qbdetail::Store(setter, static_cast<T&>(o), event);
        };
        return TPropBuilder<T>(info);
    }

    // Publishes a handler method so that streams can name it.
    template <class M>
    void Method(const std::string& name, M member)
    {
        table_.Methods.push_back({name, [member](TPersistent& o) -> TMethod {
                                      return MakeEvent(&static_cast<T&>(o), member);
                                  }});
    }

private:
    template <class R, class... A>
    static TEvent<R(A...)> MakeEvent(T* object, R (T::*member)(A...)) { return TEvent<R(A...)>(object, member); }

    template <class V, class G, class... S>
    TPropBuilder<T> Simple(const std::string& name, TPropKind kind, G get, S... set)
    {
        auto setter = SetterOf(get, set...);
        TPropInfo& info = table_.Add(name, kind);
        info.Get = [get](TPersistent& o) { return qbdetail::ToVariant(qbdetail::Fetch(get, static_cast<T&>(o))); };
        info.Set = [setter](TPersistent& o, const TVariant& v) {
            qbdetail::Store(setter, static_cast<T&>(o), qbdetail::FromVariant<V>(v));
        };
        return TPropBuilder<T>(info);
    }
    // The class an object getter leads to (through a pointer, reference or smart pointer).
    template <class G>
    using Pointee = std::remove_pointer_t<
        std::remove_cvref_t<decltype(qbdetail::AddressOf(qbdetail::Fetch(std::declval<G>(), std::declval<T&>())))>>;

    // The setter given, or the field that also serves as getter.
    template <class G, class... S>
    static auto SetterOf(G get, S... set)
    {
        static_assert(sizeof...(S) <= 1, "a getter and a setter, or one field");
        if constexpr (sizeof...(S) == 0)
            return get;
        else
            return (set, ...);
    }

    // Takes objects of class P (or null); anything else is a bad value.
    template <class P, class S>
    static auto TypedSetter(TPropInfo& info, S set)
    {
        return [set, &info](TPersistent& o, const TVariant& v) {
            TObject* object = v.AsObject();
            auto* typed = dynamic_cast<P*>(object);
            if (object && !typed) qbdetail::RaiseBadValue(info);
            qbdetail::Store(set, static_cast<T&>(o), typed);
        };
    }

    template <class G>
    TPropInfo& ObjectLike(const std::string& name, TPropKind kind, G get)
    {
        TPropInfo& info = table_.Add(name, kind);
        info.ClassOf = &Pointee<G>::StaticClass;
        info.Object = [get](TPersistent& o, bool) -> TObject* {
            return qbdetail::AddressOf(qbdetail::Fetch(get, static_cast<T&>(o)));
        };
        return info;
    }

    TPropertyTable& table_;
};
