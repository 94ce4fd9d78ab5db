#include "platform/core/ComponentReader.h"

#include <QString>
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
    return ascii ? bytes : AnsiToUtf8(bytes);
}

}  // namespace

TReader::TReader(TStream& stream, int bufferSize) : stream_(stream)
{
    buffer_.resize(static_cast<std::size_t>(bufferSize > 0 ? bufferSize : 4096));
    streamLeft_ = std::max<std::int64_t>(0, stream.Size() - stream.Position());
}

TReader::~TReader()
{
    // Give back what was buffered but not used, so data after the component stream can follow.
    if (bufEnd_ > bufPos_) stream_.Seek(-static_cast<std::int64_t>(bufEnd_ - bufPos_), TSeekOrigin::soCurrent);
}

// ---------------------------------------------------------------- bytes

void TReader::Fill()
{
    std::int64_t want = std::min<std::int64_t>(streamLeft_, static_cast<std::int64_t>(buffer_.size()));
    if (want <= 0) throw EReadError("Stream read error");
    std::int64_t got = stream_.Read(buffer_.data(), want);
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

void TReader::Read(void* data, std::int64_t count)
{
    auto* out = static_cast<char*>(data);
    while (count > 0) {
        if (bufPos_ == bufEnd_) {
            // Large blocks go straight from the stream.
            if (count >= static_cast<std::int64_t>(buffer_.size())) {
                if (count > streamLeft_) throw EReadError("Stream read error");
                stream_.ReadBuffer(out, count);
                streamLeft_ -= count;
                return;
            }
            Fill();
        }
        std::size_t n = std::min<std::size_t>(bufEnd_ - bufPos_, static_cast<std::size_t>(count));
        std::memcpy(out, buffer_.data() + bufPos_, n);
        bufPos_ += n;
        out += n;
        count -= static_cast<std::int64_t>(n);
    }
}

std::uint8_t TReader::ReadByte()
{
    if (bufPos_ == bufEnd_) Fill();
    return static_cast<std::uint8_t>(buffer_[bufPos_++]);
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

TValueType TReader::NextValue()
{
    if (bufPos_ == bufEnd_) Fill();
    auto tag = static_cast<std::uint8_t>(buffer_[bufPos_]);
    if (tag > kLastValueType) BadStream("unknown value tag " + std::to_string(tag));
    return static_cast<TValueType>(tag);
}

bool TReader::EndOfList()
{
    if (bufPos_ == bufEnd_) Fill();
    return buffer_[bufPos_] == 0;
}

TValueType TReader::ReadValue()
{
    TValueType tag = NextValue();
    ++bufPos_;
    return tag;
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
        std::string text(buffer_.data() + bufPos_, length);
        bufPos_ += length;
        return text;
    }
    CheckCount(length);
    std::string text(length, '\0');
    Read(text.data(), length);
    return text;
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

void TReader::PropertyProblem(const std::string& path, const std::string& message, bool valuePending)
{
    std::string where = current_ && !current_->Name().empty() ? current_->Name() + "." : std::string();
    std::string text = "Error reading " + where + readPath_ + path + ": " + message;
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

// Components freed while the stream was read (a setter may replace one) are left out.
void TReader::CallLoaded()
{
    std::unordered_set<TComponent*> alive;
    int knownCount = -1;
    for (TComponent* component : loaded_) {
        if (owner_->ComponentCount() != knownCount) {
            alive = std::unordered_set<TComponent*>(owner_->components_.begin(), owner_->components_.end());
            alive.insert(Root());
            knownCount = owner_->ComponentCount();
        }
        if (!alive.count(component)) continue;
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
    std::string savedPath = readPath_;
    current_ = component;
    readPath_.clear();
    while (!EndOfList()) ReadProperty(component);
    ReadListEnd();
    current_ = savedCurrent;
    readPath_ = savedPath;
    TComponent* savedParent = parent_;
    parent_ = component;
    while (!EndOfList()) ReadComponent();
    ReadListEnd();
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
    std::string className = ReadStr();
    std::string name = ReadStr();
    TComponent* component = CreateChild(className, name, flags);
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
    std::string path = ReadStr();
    TPersistent* object = instance;
    std::size_t start = 0;
    for (;;) {
        std::size_t dot = path.find('.', start);
        // Most names have no dots: they are looked up as read, without a copy.
        const bool whole = start == 0 && dot == std::string::npos;
        std::string part;
        if (!whole) part = path.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
        const std::string& element = whole ? path : part;
        const TPropInfo* info = FindPropertyOf(object->ClassType(), element);
        if (dot == std::string::npos) {
            if (info) return ReadPropValue(object, *info, path);
            if (ReadDefinedProperty(object, element)) return;
            return PropertyProblem(path, "Property " + element + " does not exist", true);
        }
        start = dot + 1;
        if (info && info->Kind == TPropKind::Strings && SameIdent(path.substr(start), "Strings")) {
            if (NextValue() != vaList) return PropertyProblem(path, "Invalid property value", true);
            ReadStringsValue(static_cast<TStringList*>(info->Object(*object, true)));
            if (info->Changed) info->Changed(*object);
            return;
        }
        TPersistent* next = nullptr;
        if (info && info->Kind == TPropKind::Object) next = dynamic_cast<TPersistent*>(info->Object(*object, true));
        if (!next) return PropertyProblem(path, "Property " + element + " does not exist", true);
        object = next;
    }
}

// Every component of a class names the same properties: each (class, name) is looked up once.
const TPropInfo* TReader::FindPropertyOf(const TClassInfo& type, const std::string& name)
{
    auto& names = knownProperties_[&type];
    if (const auto found = names.find(name); found != names.end()) return found->second;
    const TPropInfo* info = type.FindProperty(name);
    names.emplace(name, info);
    return info;
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

void TReader::ReadPropValue(TPersistent* instance, const TPropInfo& info, const std::string& path)
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
        fixups_.push_back({current_, readPath_ + path, ReadIdent()});
        return;
    default: return ReadSimpleValue(instance, info, path);
    }
    PropertyProblem(path, "Invalid property value", true);
}

void TReader::ReadSimpleValue(TPersistent* instance, const TPropInfo& info, const std::string& path)
{
    TValueType tag = NextValue();
    TVariant value;
    if (tag == vaSet) {
        ReadValue();
        std::uint64_t mask = 0;
        bool ok = info.Kind == TPropKind::Set;
        while (std::uint8_t length = ReadByte()) {
            CheckCount(length);
            std::string member(length, '\0');
            Read(member.data(), length);
            int ordinal = ok ? info.Enum->Ordinal(member) : -1;
            if (ordinal < 0 || ordinal >= 64) ok = false;
            else mask |= std::uint64_t{1} << ordinal;
        }
        if (!ok) return PropertyProblem(path, "Invalid property value", false);
        value = TVariant(static_cast<long long>(mask));
    } else {
        value = ReadAnyValue(tag);
    }
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
        info.Set(*instance, ConvertPropValue(info, value));
    } catch (const EReadError&) {
        throw;
    } catch (const EPropertyError&) {
        PropertyProblem(path, "Invalid property value", false);
    } catch (const Exception& e) {
        PropertyProblem(path, e.Message(), false);
    }
}

void TReader::ReadEvent(TPersistent* instance, const TPropInfo& info, const std::string& path)
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

void TReader::ReadCollection(TCollection* collection, const std::string& path)
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
            readPath_ = savedPath + path + ".ITEM" + std::to_string(index) + ".";
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
    std::unordered_set<TComponent*> alive(owner_->components_.begin(), owner_->components_.end());
    alive.insert(Root());
    std::vector<Fixup> fixups;
    fixups.swap(fixups_);
    for (const Fixup& fixup : fixups) {
        if (!alive.count(fixup.component)) continue;
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
