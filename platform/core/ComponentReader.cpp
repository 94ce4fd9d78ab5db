#include "platform/core/ComponentReader.h"

#include <QString>
#include <typeinfo>
#include <algorithm>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

#include "platform/core/ClassRegistry.h"
#include "platform/core/CodePage.h"
#include "platform/core/Collection.h"
#include "platform/core/Component.h"
#include "platform/core/ScopeGuard.h"
#include "platform/core/StringList.h"
#include "platform/core/Streams.h"

std::function<TComponent*(const std::string& name)> FindGlobalComponent;

namespace {

[[noreturn]] void BadStream(const std::string& detail)
{
    throw EReadError("Invalid stream format: " + detail);
}

bool IsIntegerTag(TValueType t)
{
    return t == vaInt8 || t == vaInt16 || t == vaInt32 || t == vaInt64;
}

bool IsStringTag(TValueType t)
{
    return t == vaString || t == vaLString || t == vaWString || t == vaUTF8String;
}

// Names and captions are mostly ASCII, which reads the same in every code page: no converter
// is opened for them.
std::string AnsiTextToUtf8(std::string bytes)
{
    const bool ascii = std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (!ascii) return AnsiToUtf8(bytes);
    return bytes;
}

// Property names are short: a plain loop finds their dots sooner than a library call.
std::size_t FindDot(std::string_view path, std::size_t start)
{
    for (std::size_t i = start; i < path.size(); ++i)
        if (path[i] == '.') return i;
    return std::string_view::npos;
}

// Equal bytes. Property names are short: two overlapping loads compare most of them without a
// library call.
bool SameBytes(std::string_view a, std::string_view b)
{
    const std::size_t n = a.size();
    if (n != b.size()) return false;
    const auto load8 = [](const char* p) { std::uint64_t v; std::memcpy(&v, p, 8); return v; };
    const auto load4 = [](const char* p) { std::uint32_t v; std::memcpy(&v, p, 4); return v; };
    if (n >= 8 && n <= 16)
        return load8(a.data()) == load8(b.data()) && load8(a.data() + n - 8) == load8(b.data() + n - 8);
    if (n >= 4 && n < 8)
        return load4(a.data()) == load4(b.data()) && load4(a.data() + n - 4) == load4(b.data() + n - 4);
    return std::memcmp(a.data(), b.data(), n) == 0;
}

// Whether ConvertPropValue would hand back the value as it is.
bool AlreadyConverted(TPropKind kind, const TVariant& value)
{
    switch (kind) {
    case TPropKind::Boolean: return value.Type() == TVariant::vtBoolean;
    case TPropKind::Int64: return value.Type() == TVariant::vtInteger;
    case TPropKind::Integer: {
        if (value.Type() != TVariant::vtInteger) return false;
        const long long v = value.AsInteger();
        return v >= INT32_MIN && v <= INT32_MAX;
    }
    case TPropKind::Float: return value.Type() == TVariant::vtFloat;
    case TPropKind::String: return value.Type() == TVariant::vtString;
    default: return false;
    }
}

// A set of pointers in one open table: the components still there once setters have run (a
// setter may free one), asked about every component read.
class TPointerSet {
public:
    void Assign(const std::vector<TComponent*>& items, TComponent* extra)
    {
        std::size_t size = 16;
        while (size < (items.size() + 1) * 2) size *= 2;
        slots_.assign(size, nullptr);
        for (TComponent* item : items) Insert(item);
        Insert(extra);
    }
    bool Contains(const TComponent* item) const
    {
        if (!item || slots_.empty()) return false;
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = Home(item) & mask; slots_[i]; i = (i + 1) & mask)
            if (slots_[i] == item) return true;
        return false;
    }

private:
    static std::size_t Home(const TComponent* item)
    {
        return static_cast<std::size_t>((reinterpret_cast<std::uintptr_t>(item) >> 4) * 0x9E3779B97F4A7C15ull >> 20);
    }
    void Insert(TComponent* item)
    {
        if (!item) return;
        const std::size_t mask = slots_.size() - 1;
        std::size_t i = Home(item) & mask;
        for (; slots_[i]; i = (i + 1) & mask)
            if (slots_[i] == item) return;
        slots_[i] = item;
    }
    std::vector<TComponent*> slots_;
};

}  // namespace

TReader::TReader(TStream& stream, int bufferSize) : stream_(stream)
{
    // A memory stream is read where its bytes stand, without copying them into a buffer first.
    if (auto* memory = typeid(stream) == typeid(TMemoryStream) ? static_cast<TMemoryStream*>(&stream) : nullptr) {
        const std::string& bytes = memory->Bytes();
        borrowed_ = true;
        buffer_ = bytes.data();
        bufCap_ = bufEnd_ = bytes.size();
        bufPos_ = static_cast<std::size_t>(std::clamp<std::int64_t>(stream.Position(), 0, memory->Size()));
        return;
    }
    storage_.resize(static_cast<std::size_t>(bufferSize > 0 ? bufferSize : 4096));
    buffer_ = storage_.data();
    bufCap_ = storage_.size();
    streamLeft_ = std::max<std::int64_t>(0, stream.Size() - stream.Position());
}

TReader::~TReader()
{
    // Give back what was buffered but not used, so data after the component stream can follow.
    if (borrowed_) stream_.Seek(static_cast<std::int64_t>(bufPos_), TSeekOrigin::soBeginning);
    else if (bufEnd_ > bufPos_) stream_.Seek(-static_cast<std::int64_t>(bufEnd_ - bufPos_), TSeekOrigin::soCurrent);
}

// ---------------------------------------------------------------- bytes

void TReader::Fill()
{
    std::int64_t want = std::min<std::int64_t>(streamLeft_, static_cast<std::int64_t>(bufCap_));
    if (want <= 0 || borrowed_) throw EReadError("Stream read error");
    std::int64_t got = stream_.Read(storage_.data(), want);
    if (got <= 0) throw EReadError("Stream read error");
    streamLeft_ -= got;
    bufPos_ = 0;
    bufEnd_ = static_cast<std::size_t>(got);
}

std::int64_t TReader::BytesLeft() const
{
    return static_cast<std::int64_t>(bufEnd_ - bufPos_) + streamLeft_;
}

void TReader::CheckCount(std::int64_t count, std::int64_t unitSize)
{
    if (count < 0) BadStream("negative length " + std::to_string(count));
    if (count > BytesLeft() / unitSize)
        BadStream("length " + std::to_string(count) + " exceeds the " + std::to_string(BytesLeft()) + " bytes left");
}

void TReader::ReadSlow(void* data, std::int64_t count)
{
    auto* out = static_cast<char*>(data);
    while (count > 0) {
        if (bufPos_ == bufEnd_) {
            // Large blocks go straight from the stream.
            if (count >= static_cast<std::int64_t>(bufCap_)) {
                if (count > streamLeft_) throw EReadError("Stream read error");
                stream_.ReadBuffer(out, count);
                streamLeft_ -= count;
                return;
            }
            Fill();
        }
        std::size_t n = std::min<std::size_t>(bufEnd_ - bufPos_, static_cast<std::size_t>(count));
        std::memcpy(out, buffer_ + bufPos_, n);
        bufPos_ += n;
        out += n;
        count -= static_cast<std::int64_t>(n);
    }
}

void TReader::SkipBytes(std::int64_t count)
{
    CheckCount(count);
    while (count > 0) {
        if (bufPos_ == bufEnd_) {
            stream_.Seek(count, TSeekOrigin::soCurrent);
            streamLeft_ -= count;
            return;
        }
        std::size_t n = std::min<std::size_t>(bufEnd_ - bufPos_, static_cast<std::size_t>(count));
        bufPos_ += n;
        count -= static_cast<std::int64_t>(n);
    }
}

std::int32_t TReader::ReadLength(std::int64_t unitSize)
{
    std::int32_t length = 0;
    Read(&length, 4);
    CheckCount(length, unitSize);
    return length;
}

void TReader::Enter()
{
    if (++depth_ > kMaxStreamDepth) {
        depth_ = 0;
        BadStream("nesting deeper than " + std::to_string(kMaxStreamDepth) + " levels");
    }
}

// ---------------------------------------------------------------- values

void TReader::BadTag(std::uint8_t tag)
{
    BadStream("unknown value tag " + std::to_string(tag));
}

void TReader::CheckValue(TValueType expected)
{
    TValueType tag = ReadValue();
    if (tag != expected)
        BadStream("value tag " + std::to_string(tag) + " where " + std::to_string(expected) + " was expected");
}

std::int64_t TReader::ReadInteger()
{
    switch (ReadValue()) {
    case vaInt8: { std::int8_t v; Read(&v, 1); return v; }
    case vaInt16: { std::int16_t v; Read(&v, 2); return v; }
    case vaInt32: { std::int32_t v; Read(&v, 4); return v; }
    case vaInt64: { std::int64_t v; Read(&v, 8); return v; }
    default: BadStream("integer value expected");
    }
}

bool TReader::ReadBoolean()
{
    TValueType tag = ReadValue();
    if (tag != vaTrue && tag != vaFalse) BadStream("Boolean value expected");
    return tag == vaTrue;
}

double TReader::ReadFloat()
{
    TValueType tag = NextValue();
    if (IsIntegerTag(tag)) return static_cast<double>(ReadInteger());
    ReadValue();
    switch (tag) {
    case vaExtended: { unsigned char b[10]; Read(b, 10); return ExtendedToDouble(b); }
    case vaSingle: { float v; Read(&v, 4); return v; }
    case vaCurrency: { std::int64_t v; Read(&v, 8); return static_cast<double>(v) / 10000.0; }
    case vaDate:
    case vaDouble: { double v; Read(&v, 8); return v; }
    default: BadStream("float value expected");
    }
}

std::string TReader::ReadStr()
{
    std::uint8_t length = ReadByte();
    if (bufEnd_ - bufPos_ >= length) {  // the usual case: the whole text is buffered
        std::string text(buffer_ + bufPos_, length);
        bufPos_ += length;
        return text;
    }
    CheckCount(length);
    std::string text(length, '\0');
    Read(text.data(), length);
    return text;
}

bool TReader::SkipStrEqualTo(const std::string& expected)
{
    if (bufPos_ == bufEnd_ || expected.empty()) return false;
    const std::size_t length = static_cast<std::uint8_t>(buffer_[bufPos_]);
    if (length != expected.size() || bufEnd_ - bufPos_ <= length) return false;
    if (std::memcmp(buffer_ + bufPos_ + 1, expected.data(), length) != 0) return false;
    bufPos_ += length + 1;
    return true;
}

std::string TReader::DecodeString(TValueType tag)
{
    switch (tag) {
    case vaString: return AnsiTextToUtf8(ReadStr());
    case vaLString: {
        std::string bytes(static_cast<std::size_t>(ReadLength(1)), '\0');
        Read(bytes.data(), static_cast<std::int64_t>(bytes.size()));
        return AnsiTextToUtf8(std::move(bytes));
    }
    case vaUTF8String: {
        std::string bytes(static_cast<std::size_t>(ReadLength(1)), '\0');
        Read(bytes.data(), static_cast<std::int64_t>(bytes.size()));
        return bytes;
    }
    case vaWString: {
        std::u16string units(static_cast<std::size_t>(ReadLength(2)), u'\0');
        Read(units.data(), static_cast<std::int64_t>(units.size() * 2));
        return QString::fromUtf16(units.data(), static_cast<qsizetype>(units.size())).toStdString();
    }
    default: BadStream("string value expected");
    }
}

std::string TReader::ReadString()
{
    return DecodeString(ReadValue());
}

std::string TReader::ReadIdent()
{
    switch (ReadValue()) {
    case vaIdent: return ReadStr();
    case vaFalse: return "False";
    case vaTrue: return "True";
    case vaNil: return "nil";
    case vaNull: return "Null";
    default: BadStream("identifier expected");
    }
}

std::string TReader::ReadBinary()
{
    CheckValue(vaBinary);
    std::string bytes(static_cast<std::size_t>(ReadLength(1)), '\0');
    Read(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    return bytes;
}

void TReader::SkipValue()
{
    TValueType tag = ReadValue();
    switch (tag) {
    case vaNull: case vaFalse: case vaTrue: case vaNil: return;
    case vaInt8: SkipBytes(1); return;
    case vaInt16: SkipBytes(2); return;
    case vaInt32: case vaSingle: SkipBytes(4); return;
    case vaInt64: case vaCurrency: case vaDate: case vaDouble: SkipBytes(8); return;
    case vaExtended: SkipBytes(10); return;
    case vaString: case vaIdent: SkipBytes(ReadByte()); return;
    case vaBinary: case vaLString: case vaUTF8String: SkipBytes(ReadLength(1)); return;
    case vaWString: SkipBytes(std::int64_t{ReadLength(2)} * 2); return;
    case vaSet:
        while (std::uint8_t length = ReadByte()) SkipBytes(length);
        return;
    case vaList:
        Enter();
        while (!EndOfList()) SkipValue();
        ReadListEnd();
        Leave();
        return;
    case vaCollection:
        Enter();
        while (!EndOfList()) {
            if (IsIntegerTag(NextValue())) ReadInteger();
            ReadListBegin();
            while (!EndOfList()) {
                ReadStr();
                SkipValue();
            }
            ReadListEnd();
        }
        ReadListEnd();
        Leave();
        return;
    }
}

TVariant TReader::ReadAnyValue(TValueType& tag)
{
    tag = NextValue();
    if (IsIntegerTag(tag)) return TVariant(static_cast<long long>(ReadInteger()));
    switch (tag) {
    case vaExtended: case vaSingle: case vaCurrency: case vaDate: case vaDouble: return TVariant(ReadFloat());
    case vaFalse: case vaTrue: return TVariant(ReadBoolean());
    case vaIdent: return TVariant(ReadIdent());
    case vaString: case vaLString: case vaWString: case vaUTF8String: return TVariant(ReadString());
    default: SkipValue(); return TVariant();
    }
}

// ---------------------------------------------------------------- components

void TReader::ReadSignature()
{
    char signature[4] = {};
    if (BytesLeft() < 4) BadStream("no signature");
    Read(signature, 4);
    if (std::memcmp(signature, kFilerSignature, 4) != 0) BadStream("the signature TPF0 is missing");
}

std::uint8_t TReader::ReadPrefix()
{
    if (bufPos_ == bufEnd_) Fill();
    auto first = static_cast<std::uint8_t>(buffer_[bufPos_]);
    if ((first & 0xF0) != 0xF0) return 0;
    ++bufPos_;
    std::uint8_t flags = first & 0x0F;
    if (flags & ffChildPos) {
        if (!IsIntegerTag(NextValue())) BadStream("child position expected");
        ReadInteger();
    }
    return flags;
}

bool TReader::Error(const std::string& message)
{
    return OnError ? OnError(*this, message) : false;
}

void TReader::PropertyProblem(std::string_view path, const std::string& message, bool valuePending)
{
    std::string where = current_ && !current_->Name().empty() ? current_->Name() + "." : std::string();
    std::string text = "Error reading " + where + readPath_ + std::string(path) + ": " + message;
    if (!Error(text)) throw EReadError(text);
    if (valuePending) SkipValue();
}

TComponent* TReader::ReadRootComponent(TComponent* root, TComponent* owner)
{
    ReadSignature();
    ReadPrefix();
    std::string className = ReadStr();
    std::string name = ReadStr();
    TComponent* createdRoot = nullptr;
    if (!root) {
        TPersistent* instance = FindClass(className).Create(nullptr);
        root = dynamic_cast<TComponent*>(instance);
        if (!root) {
            delete instance;
            throw EReadError("Invalid stream format: " + className + " is not a component class");
        }
        createdRoot = root;
    }
    SetRoot(root);
    owner_ = owner ? owner : root;
    parent_ = root;
    loaded_.assign(1, root);
    ownerStart_ = owner_->components_.size();
    try {
        root->SetStateFlags(csLoading | csReading, true);
        root->SetName(name);
        root->ReadState(*this);
        root->SetStateFlags(csReading, false);
        ResolveFixups();
        CallLoaded();
    } catch (...) {
        root->SetStateFlags(csLoading | csReading, false);
        FreeCreated(createdRoot);
        throw;
    }
    created_.clear();
    loaded_.clear();
    return root;
}

// Components freed while the stream was read (a setter may replace one) are left out. Read
// components usually stand in the owner's list in reading order: each is looked for where the
// last one was, and the set of all the owner's components is made only when one is not there.
void TReader::CallLoaded()
{
    const auto& list = owner_->components_;
    std::size_t next = ownerStart_;
    TPointerSet alive;
    int knownCount = -1;
    for (std::size_t i = 0; i < loaded_.size(); ++i) {
        // Components read long ago are out of the cache by now: ask for those a few ahead.
        if (i + 8 < loaded_.size()) __builtin_prefetch(loaded_[i + 8]);
        TComponent* component = loaded_[i];
        if (component != Root()) {
            if (knownCount < 0 && next < list.size() && list[next] == component) {
                ++next;
            } else {
                if (owner_->ComponentCount() != knownCount) {
                    alive.Assign(list, Root());
                    knownCount = owner_->ComponentCount();
                }
                if (!alive.Contains(component)) continue;
            }
        }
        component->Loaded();
        component->SetStateFlags(csLoading, false);
    }
}

void TReader::FreeCreated(TComponent* createdRoot)
{
    std::unordered_set<TComponent*> created(created_.begin(), created_.end());
    created_.clear();
    loaded_.clear();
    fixups_.clear();
    auto& list = owner_->components_;
    for (std::size_t i = list.size(); i-- > 0;) {
        if (i >= list.size() || !created.count(list[i])) continue;
        FreeComponent(list[i]);
    }
    FreeComponent(createdRoot);
}

void TReader::ReadData(TComponent* component)
{
    TComponent* savedCurrent = current_;
    std::string savedPath;
    savedPath.swap(readPath_);
    current_ = component;
    KnownOf(*component);  // the class's property order, asked for each property below
    while (!EndOfList()) ReadProperty(component);
    ReadValue();  // the end marker EndOfList saw
    current_ = savedCurrent;
    readPath_.swap(savedPath);
    TComponent* savedParent = parent_;
    parent_ = component;
    while (!EndOfList()) ReadComponent();
    ReadValue();
    parent_ = savedParent;
}

TComponent* TReader::CreateChild(const std::string& className, const std::string& name, std::uint8_t flags)
{
    if (flags & ffInherited) {
        TComponent* existing = owner_->FindComponent(name);
        if (!existing && !Error("Ancestor for '" + name + "' not found")) throw EReadError("Ancestor for '" + name + "' not found");
        return existing;
    }
    // A stream holds runs of one class: the last class found is asked first.
    if (!lastClass_ || className != lastClassName_) {
        lastClass_ = GetClass(className);
        lastClassName_ = className;
    }
    const TClassInfo* info = lastClass_;
    if (!info || !info->InheritsFrom(TComponent::StaticClass()) || info->IsAbstract()) {
        std::string message = "Class " + className + " not found";
        if (!Error(message)) throw EClassNotFound(message);
        return nullptr;
    }
    auto* component = static_cast<TComponent*>(info->Create(owner_));
    created_.push_back(component);
    if (component->Owner() != owner_) owner_->InsertComponent(component);
    ComponentCreated(component);
    component->SetStateFlags(csLoading | csReading, true);
    try {
        component->SetName(name);
    } catch (const EComponentError& e) {
        if (!Error(e.Message())) throw;
    }
    if (component->HasParent()) component->SetParentComponent(parent_);
    return component;
}

TComponent* TReader::ReadComponent()
{
    Enter();
    std::uint8_t flags = ReadPrefix();
    // A stream holds runs of one class: its name is compared where it stands.
    const bool sameClass = SkipStrEqualTo(lastClassName_);
    const std::string className = sameClass ? std::string() : ReadStr();
    const std::string& classNameRead = sameClass ? lastClassName_ : className;
    std::string name = ReadStr();
    TComponent* component = CreateChild(classNameRead, name, flags);
    if (!component) {
        SkipComponentBody();
        Leave();
        return nullptr;
    }
    bool known = (flags & ffInherited) && std::find(loaded_.begin(), loaded_.end(), component) != loaded_.end();
    if (!known) loaded_.push_back(component);
    component->ReadState(*this);
    component->SetStateFlags(csReading, false);
    Leave();
    return component;
}

void TReader::SkipComponent()
{
    Enter();
    ReadPrefix();
    ReadStr();
    ReadStr();
    SkipComponentBody();
    Leave();
}

void TReader::SkipComponentBody()
{
    while (!EndOfList()) {
        ReadStr();
        SkipValue();
    }
    ReadListEnd();
    while (!EndOfList()) SkipComponent();
    ReadListEnd();
}

// ---------------------------------------------------------------- properties

void TReader::ReadProperties(TPersistent* instance)
{
    while (!EndOfList()) ReadProperty(instance);
    ReadListEnd();
}

void TReader::ReadProperty(TPersistent* instance)
{
    // The name is copied out of the buffer, which reading the value may refill. Names are at most
    // 255 bytes: the copy stays on the stack, and a short one is copied in one fixed-size move.
    constexpr std::size_t kQuick = 32;
    char text[256 + kQuick];
    const std::size_t length = ReadByte();
    if (length <= kQuick && length <= bufEnd_ - bufPos_ && bufCap_ - bufPos_ >= kQuick) {
        std::memcpy(text, buffer_ + bufPos_, kQuick);
        bufPos_ += length;
    } else {
        CheckCount(static_cast<std::int64_t>(length));
        Read(text, static_cast<std::int64_t>(length));
    }
    const std::string_view path(text, length);
    // Most names are the one this class's last object gave next: no dots to look for then.
    if (const TPropInfo* info = ExpectedProperty(*instance, path)) return ReadPropValue(instance, *info, path);
    TPersistent* object = instance;
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = FindDot(path, start);
        const std::string_view element = path.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
        const TPropInfo* info = FindPropertyOf(*object, element);
        if (dot == std::string_view::npos) {
            if (info) return ReadPropValue(object, *info, path);
            if (ReadDefinedProperty(object, std::string(element))) return;
            return PropertyProblem(path, "Property " + std::string(element) + " does not exist", true);
        }
        start = dot + 1;
        if (info && info->Kind == TPropKind::Strings && SameIdent(std::string(path.substr(start)), "Strings")) {
            if (NextValue() != vaList) return PropertyProblem(path, "Invalid property value", true);
            ReadStringsValue(static_cast<TStringList*>(info->Object(*object, true)));
            if (info->Changed) info->Changed(*object);
            return;
        }
        TPersistent* next = nullptr;
        if (info && info->Kind == TPropKind::Object) next = dynamic_cast<TPersistent*>(info->Object(*object, true));
        if (!next) return PropertyProblem(path, "Property " + std::string(element) + " does not exist", true);
        object = next;
    }
}

TReader::KnownProperties& TReader::KnownOf(const TPersistent& instance)
{
    const TClassInfo& type = instance.ClassType();
    if (&type != lastType_) {
        lastKnown_ = &knownProperties_[&type];
        lastType_ = &type;
    }
    KnownProperties& known = *lastKnown_;
    if (known.instance != &instance) {
        known.instance = &instance;
        known.next = 0;
    }
    return known;
}

const TPropInfo* TReader::ExpectedProperty(const TPersistent& instance, std::string_view name)
{
    // The component being read was looked up last when ReadData began (it cannot have gone and
    // been replaced since): its class need not be asked again.
    const bool current = &instance == static_cast<const TPersistent*>(current_) && lastKnown_ && lastKnown_->instance == &instance;
    KnownProperties& known = current ? *lastKnown_ : KnownOf(instance);
    if (known.next >= known.order.size()) return nullptr;
    const auto& [expected, info] = known.order[known.next];
    if (!info || !SameBytes(expected, name)) return nullptr;
    ++known.next;
    return info;
}

const TPropInfo* TReader::FindPropertyOf(const TPersistent& instance, std::string_view name)
{
    KnownProperties& known = KnownOf(instance);
    const TClassInfo& type = instance.ClassType();
    if (known.next < known.order.size() && SameBytes(known.order[known.next].first, name))
        return known.order[known.next++].second;
    const std::string key(name);
    auto found = known.byName.find(key);
    if (found == known.byName.end()) found = known.byName.emplace(key, type.FindProperty(key)).first;
    // This object's order replaces the last one's from here on (bounded: a stream of endless
    // made-up names grows only the map above).
    constexpr std::size_t kMostRemembered = 1024;
    if (known.next < known.order.size()) known.order[known.next++] = *found;
    else if (known.order.size() < kMostRemembered) {
        known.order.push_back(*found);
        known.next = known.order.size();
    }
    return found->second;
}

bool TReader::ReadDefinedProperty(TPersistent* instance, const std::string& name)
{
    propName_ = name;
    definedFound_ = false;
    {
        const TScopeGuard clear([this] { propName_.clear(); });
        instance->DefineProperties(*this);
    }
    return definedFound_;
}

void TReader::DefineProperty(const std::string& name, const TReaderProc& readData, const TWriterProc&, bool)
{
    if (definedFound_ || propName_.empty() || !readData || !SameIdent(name, propName_)) return;
    definedFound_ = true;
    propName_.clear();
    readData(*this);
}

void TReader::DefineBinaryProperty(const std::string& name, const TStreamProc& readData, const TStreamProc&, bool)
{
    if (definedFound_ || propName_.empty() || !readData || !SameIdent(name, propName_)) return;
    definedFound_ = true;
    propName_.clear();
    TMemoryStream data(ReadBinary());
    readData(data);
}

void TReader::ReadStringsValue(TStringList* list)
{
    ReadListBegin();
    list->Clear();
    while (!EndOfList()) list->Add(ReadString());
    ReadListEnd();
}

void TReader::ReadPropValue(TPersistent* instance, const TPropInfo& info, std::string_view path)
{
    TValueType tag = NextValue();
    switch (info.Kind) {
    case TPropKind::Strings:
        if (tag != vaList) break;
        ReadStringsValue(static_cast<TStringList*>(info.Object(*instance, true)));
        if (info.Changed) info.Changed(*instance);
        return;
    case TPropKind::Collection:
    case TPropKind::Object: {
        if (tag != vaCollection) break;
        auto* collection = dynamic_cast<TCollection*>(info.Object(*instance, true));
        if (!collection) break;
        return ReadCollection(collection, path);
    }
    case TPropKind::Event: return ReadEvent(instance, info, path);
    case TPropKind::Component:
        if (tag == vaNil) {
            ReadValue();
            if (info.Set) info.Set(*instance, TVariant());
            return;
        }
        if (tag != vaIdent || !current_) break;
        fixups_.push_back({current_, readPath_ + std::string(path), ReadIdent()});
        return;
    default: return ReadSimpleValue(instance, info, path);
    }
    PropertyProblem(path, "Invalid property value", true);
}

// The members of a set value, up to its empty end name; false when one is no member of the
// property's set (all are read nonetheless).
bool TReader::ReadSetMembers(const TPropInfo& info, std::uint64_t& mask)
{
    bool ok = info.Kind == TPropKind::Set;
    while (std::uint8_t length = ReadByte()) {
        CheckCount(length);
        std::string member(length, '\0');
        Read(member.data(), length);
        int ordinal = ok ? info.Enum->Ordinal(member) : -1;
        if (ordinal < 0 || ordinal >= 64) ok = false;
        else mask |= std::uint64_t{1} << ordinal;
    }
    return ok;
}

void TReader::ReadSimpleValue(TPersistent* instance, const TPropInfo& info, std::string_view path)
{
    TValueType tag = NextValue();
    std::uint64_t mask = 0;
    if (tag == vaSet) {
        ReadValue();
        if (!ReadSetMembers(info, mask)) return PropertyProblem(path, "Invalid property value", false);
    }
    const TVariant value = tag == vaSet ? TVariant(static_cast<long long>(mask)) : ReadAnyValue(tag);
    bool fits = false;
    switch (info.Kind) {
    case TPropKind::Boolean: fits = tag == vaTrue || tag == vaFalse; break;
    case TPropKind::Integer: case TPropKind::Int64: fits = IsIntegerTag(tag); break;
    case TPropKind::Float: fits = IsIntegerTag(tag) || value.Type() == TVariant::vtFloat; break;
    case TPropKind::String: fits = IsStringTag(tag); break;
    case TPropKind::Enumeration: fits = tag == vaIdent; break;
    case TPropKind::Set: fits = tag == vaSet; break;
    case TPropKind::Color: fits = tag == vaIdent || IsIntegerTag(tag); break;
    default: break;
    }
    if (!fits || !info.Set) return PropertyProblem(path, "Invalid property value", false);
    try {
        // Values already in the form the property takes skip the conversion (most of them).
        if (AlreadyConverted(info.Kind, value)) info.Set(*instance, value);
        else info.Set(*instance, ConvertPropValue(info, value));
    } catch (const EReadError&) {
        throw;
    } catch (const EPropertyError&) {
        PropertyProblem(path, "Invalid property value", false);
    } catch (const Exception& e) {
        PropertyProblem(path, e.Message(), false);
    }
}

void TReader::ReadEvent(TPersistent* instance, const TPropInfo& info, std::string_view path)
{
    TValueType tag = NextValue();
    if (tag == vaNil) {
        ReadValue();
        info.SetMethod(*instance, TMethod());
        return;
    }
    if (tag != vaIdent) return PropertyProblem(path, "Invalid property value", true);
    std::string name = ReadIdent();
    TMethod method;
    bool error = true;
    if (const TPublishedMethod* published = Root() ? Root()->ClassType().FindMethod(name) : nullptr) {
        method = published->Bind(*Root());
        error = false;
    } else if (OnFindMethod) {
        OnFindMethod(*this, name, method, error);
    }
    if (error) return PropertyProblem(path, "Method " + name + " not found", false);
    try {
        info.SetMethod(*instance, method);
    } catch (const Exception& e) {
        PropertyProblem(path, e.Message(), false);
    }
}

void TReader::ReadCollection(TCollection* collection, std::string_view path)
{
    CheckValue(vaCollection);
    Enter();
    std::string savedPath = readPath_;
    collection->BeginUpdate();
    {
        const TScopeGuard restore([&] {
            readPath_ = savedPath;
            collection->EndUpdate();
        });
        collection->Clear();
        for (int index = 0; !EndOfList(); ++index) {
            if (IsIntegerTag(NextValue())) ReadInteger();  // an item index some writers put first
            ReadListBegin();
            TCollectionItem* item = collection->Add();
            readPath_ = savedPath + std::string(path) + ".ITEM" + std::to_string(index) + ".";
            while (!EndOfList()) ReadProperty(item);
            ReadListEnd();
            readPath_ = savedPath;
        }
        ReadListEnd();
    }
    Leave();
}

void TReader::ResolveFixups()
{
    if (fixups_.empty()) return;
    TPointerSet alive;
    alive.Assign(owner_->components_, Root());
    std::vector<Fixup> fixups;
    fixups.swap(fixups_);
    for (const Fixup& fixup : fixups) {
        if (!alive.Contains(fixup.component)) continue;
        std::string target = fixup.target;
        TComponent* found = nullptr;
        std::size_t dot = target.find('.');
        if (dot == std::string::npos) {
            found = SameIdent(target, Root()->Name()) ? Root() : owner_->FindComponent(target);
            if (!found && owner_ != Root()) found = Root()->FindComponent(target);
        } else {
            std::string head = target.substr(0, dot);
            TComponent* base = SameIdent(head, Root()->Name()) ? Root()
                               : FindGlobalComponent        ? FindGlobalComponent(head)
                                                            : nullptr;
            if (base) found = base->FindComponent(target.substr(dot + 1));
        }
        if (!found) continue;  // unresolved references stay nil
        TObject* holder = fixup.component;
        std::string name = fixup.path;
        const TPropInfo* info = ResolvePropertyPath(holder, name);
        auto* persistent = dynamic_cast<TPersistent*>(holder);
        if (!info || !persistent || info->Kind != TPropKind::Component || !info->Set) continue;
        try {
            info->Set(*persistent, TVariant(static_cast<TObject*>(found)));
        } catch (const Exception& e) {
            if (!Error(e.Message())) throw;
        }
    }
}

TComponent* ReadComponentFromStream(TStream& stream, TComponent* root)
{
    TReader reader(stream);
    return reader.ReadRootComponent(root);
}
