#include "platform/core/Properties.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "platform/core/Collection.h"
#include "platform/core/Component.h"
#include "platform/core/StringList.h"

bool SameIdent(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

std::string UpperIdent(const std::string& text)
{
    std::string upper = text;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return upper;
}

// ---------------------------------------------------------------- variant

namespace {

const char* TypeName(TVariant::TType type)
{
    static const char* const names[] = {"Null", "Boolean", "Int64", "Double", "String", "Object"};
    return names[type];
}

[[noreturn]] void ConvertFailure(TVariant::TType from, const char* to)
{
    throw EConvertError(std::string("Could not convert variant of type (") + TypeName(from) +
                        ") into type (" + to + ")");
}

std::string ShortestFloatText(double value)
{
    char text[64];
    auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

bool ParseFloat(const std::string& text, double& value)
{
    std::size_t b = text.find_first_not_of(" \t");
    std::size_t e = text.find_last_not_of(" \t");
    if (b == std::string::npos) return false;
    const char* first = text.data() + b;
    if (*first == '+') ++first;
    auto result = std::from_chars(first, text.data() + e + 1, value);
    return result.ec == std::errc() && result.ptr == text.data() + e + 1;
}

}  // namespace

bool TVariant::AsBoolean() const
{
    switch (Type()) {
    case vtBoolean: return std::get<bool>(value_);
    case vtInteger: return std::get<long long>(value_) != 0;
    case vtFloat: return std::get<double>(value_) != 0;
    case vtString:
        if (SameIdent(std::get<std::string>(value_), "True")) return true;
        if (SameIdent(std::get<std::string>(value_), "False")) return false;
        break;
    default: break;
    }
    ConvertFailure(Type(), "Boolean");
}

long long TVariant::AsInteger() const
{
    switch (Type()) {
    case vtBoolean: return std::get<bool>(value_) ? 1 : 0;
    case vtInteger: return std::get<long long>(value_);
    case vtFloat: {
        double v = std::get<double>(value_);
        if (std::isfinite(v) && std::fabs(v) < 9.2e18) return static_cast<long long>(std::nearbyint(v));
        break;
    }
    case vtString: {
        const std::string& s = std::get<std::string>(value_);
        long long v = 0;
        std::size_t b = s.find_first_not_of(' ');
        std::size_t e = s.find_last_not_of(' ');
        if (b != std::string::npos) {
            auto r = std::from_chars(s.data() + b, s.data() + e + 1, v);
            if (r.ec == std::errc() && r.ptr == s.data() + e + 1) return v;
        }
        break;
    }
    default: break;
    }
    ConvertFailure(Type(), "Int64");
}

double TVariant::AsFloat() const
{
    switch (Type()) {
    case vtBoolean: return std::get<bool>(value_) ? 1 : 0;
    case vtInteger: return static_cast<double>(std::get<long long>(value_));
    case vtFloat: return std::get<double>(value_);
    case vtString: {
        double v = 0;
        if (ParseFloat(std::get<std::string>(value_), v)) return v;
        break;
    }
    default: break;
    }
    ConvertFailure(Type(), "Double");
}

std::string TVariant::AsString() const
{
    switch (Type()) {
    case vtNull: return "";
    case vtBoolean: return std::get<bool>(value_) ? "True" : "False";
    case vtInteger: return std::to_string(std::get<long long>(value_));
    case vtFloat: return ShortestFloatText(std::get<double>(value_));
    case vtString: return std::get<std::string>(value_);
    default: break;
    }
    ConvertFailure(Type(), "String");
}

TObject* TVariant::AsObject() const
{
    if (Type() == vtNull) return nullptr;
    if (Type() == vtObject) return std::get<TObject*>(value_);
    ConvertFailure(Type(), "Object");
}

// ---------------------------------------------------------------- enumerations and sets

TEnumInfo::TEnumInfo(std::string typeName, std::vector<std::string> names)
    : typeName_(std::move(typeName)), names_(std::move(names))
{
}

TEnumInfo TEnumInfo::FromList(const char* typeName, const char* commaList)
{
    std::vector<std::string> names;
    std::string current;
    for (const char* p = commaList;; ++p) {
        if (*p == ',' || *p == '\0') {
            names.push_back(current);
            current.clear();
            if (*p == '\0') break;
        } else if (*p != ' ' && *p != '\t' && *p != '\n') {
            current += *p;
        }
    }
    return TEnumInfo(typeName, std::move(names));
}

const std::string& TEnumInfo::Name(int ordinal) const
{
    if (ordinal < 0 || ordinal >= Count())
        throw EPropertyError("Value " + std::to_string(ordinal) + " is out of range of " + typeName_);
    return names_[static_cast<std::size_t>(ordinal)];
}

int TEnumInfo::Ordinal(const std::string& ident) const
{
    for (std::size_t i = 0; i < names_.size(); ++i)
        if (SameIdent(names_[i], ident)) return static_cast<int>(i);
    return -1;
}

std::string EnumIdentToWords(const std::string& ident)
{
    std::size_t start = 0;
    while (start < ident.size() && ident[start] >= 'a' && ident[start] <= 'z') ++start;
    if (start == ident.size()) start = 0;  // no capital: keep the whole identifier
    std::string words;
    for (std::size_t i = start; i < ident.size(); ++i) {
        char c = ident[i];
        bool upper = c >= 'A' && c <= 'Z';
        bool prevLower = i > start && !(ident[i - 1] >= 'A' && ident[i - 1] <= 'Z');
        if (upper && i > start && prevLower) words += ' ';
        words += c;
    }
    return words;
}

std::string SetToString(const TEnumInfo& info, std::uint64_t mask)
{
    std::string text = "[";
    for (int i = 0; i < info.Count() && i < 64; ++i) {
        if (!(mask & (std::uint64_t{1} << i))) continue;
        if (text.size() > 1) text += ", ";
        text += info.Name(i);
    }
    return text + "]";
}

std::uint64_t StringToSet(const TEnumInfo& info, const std::string& text)
{
    std::string body = text;
    std::size_t b = body.find_first_not_of(' ');
    std::size_t e = body.find_last_not_of(' ');
    body = b == std::string::npos ? "" : body.substr(b, e - b + 1);
    if (body.size() < 2 || body.front() != '[' || body.back() != ']')
        throw EPropertyError("Invalid set value '" + text + "' for " + info.TypeName());
    std::uint64_t mask = 0;
    std::string name;
    auto flush = [&] {
        if (name.empty()) return;
        int ordinal = info.Ordinal(name);
        if (ordinal < 0 || ordinal >= 64) throw EPropertyError("Invalid set member '" + name + "' for " + info.TypeName());
        mask |= std::uint64_t{1} << ordinal;
        name.clear();
    };
    for (std::size_t i = 1; i + 1 < body.size(); ++i) {
        char c = body[i];
        if (c == ',') flush();
        else if (c != ' ') name += c;
    }
    flush();
    return mask;
}

// ---------------------------------------------------------------- property information

bool TPropInfo::IsStored(TPersistent& instance) const
{
    if (NeverStored) return false;
    return !StoredIf || StoredIf(instance);
}

bool TPropInfo::IsDefault(TPersistent& instance) const
{
    if (!Get) return false;
    TVariant value = Get(instance);
    if (DefaultOf) return value == DefaultOf(instance);
    if (HasDefault) return value == Default;
    // Without a declared default, floats and strings are left out when 0 and empty.
    if (Kind == TPropKind::Float) return value.AsFloat() == 0 && !std::signbit(value.AsFloat());
    if (Kind == TPropKind::String) return value.AsString().empty();
    if (Kind == TPropKind::Component) return value.AsObject() == nullptr;
    return false;
}

TPropInfo& TPropertyTable::Add(std::string name, TPropKind kind)
{
    auto info = std::make_shared<TPropInfo>();
    info->Name = std::move(name);
    info->Kind = kind;
    Properties.push_back(info);
    return *info;
}

namespace qbdetail {
void RaiseBadValue(const TPropInfo& info)
{
    throw EPropertyError("Invalid property value for " + info.Name);
}
}  // namespace qbdetail

TVariant ConvertPropValue(const TPropInfo& info, const TVariant& value)
{
    try {
        switch (info.Kind) {
        case TPropKind::Boolean: return TVariant(value.AsBoolean());
        case TPropKind::Integer: {
            long long v = value.AsInteger();
            if (v < INT32_MIN || v > INT32_MAX) qbdetail::RaiseBadValue(info);
            return TVariant(v);
        }
        case TPropKind::Int64: return TVariant(value.AsInteger());
        case TPropKind::Float: return TVariant(value.AsFloat());
        case TPropKind::String: return TVariant(value.AsString());
        case TPropKind::Enumeration: {
            int ordinal = value.Type() == TVariant::vtString ? info.Enum->Ordinal(value.AsString())
                                                             : static_cast<int>(value.AsInteger());
            if (ordinal < 0 || ordinal >= info.Enum->Count()) qbdetail::RaiseBadValue(info);
            return TVariant(info.Enum->Name(ordinal));
        }
        case TPropKind::Set:
            if (value.Type() == TVariant::vtString)
                return TVariant(static_cast<long long>(StringToSet(*info.Enum, value.AsString())));
            return TVariant(value.AsInteger());
        case TPropKind::Color: {
            if (value.Type() == TVariant::vtString) return TVariant(StringToColor(value.AsString()));
            long long v = value.AsInteger();
            if (v < INT32_MIN || v > UINT32_MAX) qbdetail::RaiseBadValue(info);
            return TVariant(static_cast<long long>(static_cast<TColor>(static_cast<std::uint32_t>(v))));
        }
        default: return value;
        }
    } catch (const EConvertError&) {
        qbdetail::RaiseBadValue(info);
    }
}

// ---------------------------------------------------------------- class information

TClassInfo::TClassInfo(std::string name, const TClassInfo* parent, Constructor construct, Declarer declare)
    : name_(std::move(name)), parent_(parent), construct_(construct), declare_(declare)
{
}

bool TClassInfo::InheritsFrom(const TClassInfo& other) const
{
    for (const TClassInfo* c = this; c; c = c->parent_)
        if (c == &other) return true;
    return false;
}

bool TClassInfo::InheritsFrom(const std::string& className) const
{
    for (const TClassInfo* c = this; c; c = c->parent_)
        if (SameIdent(c->name_, className)) return true;
    return false;
}

TPersistent* TClassInfo::Create(TPersistent* owner) const
{
    TPersistent* instance = construct_ ? construct_(owner) : nullptr;
    if (!instance) throw EComponentError("Cannot create an instance of the abstract class " + name_);
    return instance;
}

void TClassInfo::Build() const
{
    std::call_once(built_, [this] {
        if (parent_) {
            all_ = parent_->Properties();
            methods_ = parent_->Methods();
        }
        if (declare_) declare_(own_);
        for (const auto& info : own_.Properties) {
            auto same = std::find_if(all_.begin(), all_.end(), [&](const TPropInfo* p) { return SameIdent(p->Name, info->Name); });
            if (same != all_.end()) *same = info.get();
            else all_.push_back(info.get());
        }
        for (const auto& method : own_.Methods) methods_.push_back(method);
    });
}

const std::vector<const TPropInfo*>& TClassInfo::Properties() const
{
    Build();
    return all_;
}

const std::vector<TPublishedMethod>& TClassInfo::Methods() const
{
    Build();
    return methods_;
}

std::vector<const TPropInfo*> TClassInfo::SortedProperties() const
{
    std::vector<const TPropInfo*> sorted = Properties();
    std::sort(sorted.begin(), sorted.end(),
              [](const TPropInfo* a, const TPropInfo* b) { return UpperIdent(a->Name) < UpperIdent(b->Name); });
    return sorted;
}

const TPropInfo* TClassInfo::FindProperty(const std::string& name) const
{
    for (const TPropInfo* info : Properties())
        if (SameIdent(info->Name, name)) return info;
    return nullptr;
}

const TPublishedMethod* TClassInfo::FindMethod(const std::string& name) const
{
    for (const TPublishedMethod& method : Methods())
        if (SameIdent(method.Name, name)) return &method;
    return nullptr;
}

// ---------------------------------------------------------------- access by name and path

namespace {

// "ITEM12" -> 12; -1 when the head is no item element, -2 when it names no valid index
// ("Item-1", "ItemX", "Item").
int ItemIndex(const std::string& head)
{
    if (head.size() < 4 || !SameIdent(head.substr(0, 4), "ITEM")) return -1;
    int index = 0;
    auto r = std::from_chars(head.data() + 4, head.data() + head.size(), index);
    if (head.size() == 4 || r.ec != std::errc() || r.ptr != head.data() + head.size() || index < 0) return -2;
    return index;
}

TObject* ObjectValue(TPersistent& holder, const TPropInfo& info)
{
    if (info.Object) return info.Object(holder, true);
    if (info.Kind == TPropKind::Component) return info.Get(holder).AsObject();
    return nullptr;
}

}  // namespace

const TPropInfo* GetPropInfo(const TObject* instance, const std::string& name)
{
    auto* persistent = dynamic_cast<const TPersistent*>(instance);
    return persistent ? persistent->ClassType().FindProperty(name) : nullptr;
}

bool IsPublishedProp(const TObject* instance, const std::string& name)
{
    return GetPropInfo(instance, name) != nullptr;
}

const TPropInfo* ResolvePropertyPath(TObject*& instance, std::string& path)
{
    const TPropInfo* found = nullptr;
    TObject* holder = nullptr;
    for (;;) {
        if (!instance) return nullptr;
        std::size_t dot = path.find('.');
        if (dot == std::string::npos) break;
        std::string head = path.substr(0, dot);
        path.erase(0, dot + 1);
        auto* persistent = dynamic_cast<TPersistent*>(instance);
        const TPropInfo* info = persistent ? persistent->ClassType().FindProperty(head) : nullptr;
        if (info) {
            found = info;
            holder = instance;
            instance = ObjectValue(*persistent, *info);
            continue;
        }
        auto* collection = dynamic_cast<TCollection*>(instance);
        auto* list = dynamic_cast<IObjectList*>(instance);
        if (!collection && !list) return instance = nullptr, nullptr;
        int index = ItemIndex(head);
        if (index == -1) continue;  // a non-item head on a list leaves it where it is
        const int count = collection ? collection->Count() : list->ObjectCount();
        if (index < 0 || index >= count) return instance = nullptr, nullptr;
        instance = collection ? collection->Items(index) : list->ObjectAt(index);
    }
    if (dynamic_cast<TStringList*>(instance) && SameIdent(path, "Text") && found) {
        instance = holder;  // the string list property itself
        path = found->Name;
        return found;
    }
    const TPropInfo* info = GetPropInfo(instance, path);
    if (!info) instance = nullptr;
    return info;
}

TVariant GetPropValue(TObject* instance, const std::string& path)
{
    std::string name = path;
    const TPropInfo* info = ResolvePropertyPath(instance, name);
    if (!info) return TVariant();
    auto& holder = *static_cast<TPersistent*>(dynamic_cast<TPersistent*>(instance));
    try {
        switch (info->Kind) {
        case TPropKind::Set: return TVariant(SetToString(*info->Enum, static_cast<std::uint64_t>(info->Get(holder).AsInteger())));
        case TPropKind::Strings: {
            auto* list = static_cast<TStringList*>(info->Object(holder, true));
            return list ? TVariant(list->Text()) : TVariant();
        }
        case TPropKind::Object:
        case TPropKind::Collection: return TVariant(info->Object(holder, true));
        case TPropKind::Event: return TVariant();
        default: return info->Get ? info->Get(holder) : TVariant();
        }
    } catch (const Exception&) {
        return TVariant();
    }
}

void SetPropValue(TObject* instance, const std::string& path, const TVariant& value)
{
    std::string name = path;
    const TPropInfo* info = ResolvePropertyPath(instance, name);
    if (!info) throw EPropertyError("Unknown property: " + path);
    auto& holder = *dynamic_cast<TPersistent*>(instance);
    if (info->Kind == TPropKind::Strings) {
        auto* list = static_cast<TStringList*>(info->Object(holder, true));
        if (value.Type() == TVariant::vtObject) {
            auto* source = dynamic_cast<TStringList*>(value.AsObject());
            if (!source) qbdetail::RaiseBadValue(*info);
            list->Assign(*source);
        } else {
            list->SetText(value.AsString());
        }
        if (info->Changed) info->Changed(holder);
        return;
    }
    if (info->Kind == TPropKind::Collection) {
        auto* source = dynamic_cast<TPersistent*>(value.AsObject());
        static_cast<TCollection*>(info->Object(holder, true))->Assign(source);
        return;
    }
    if (!info->Set) throw EPropertyError("Property " + info->Name + " is read-only");
    info->Set(holder, ConvertPropValue(*info, value));
}

std::vector<std::string> GetPropNames(const TObject* instance)
{
    std::vector<std::string> names;
    auto* persistent = dynamic_cast<const TPersistent*>(instance);
    if (!persistent) return names;
    for (const TPropInfo* info : persistent->ClassType().SortedProperties()) names.push_back(info->Name);
    return names;
}
