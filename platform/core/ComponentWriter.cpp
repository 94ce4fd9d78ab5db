#include "platform/core/ComponentWriter.h"

#include <QString>
#include <cstring>

#include "platform/core/CodePage.h"
#include "platform/core/Collection.h"
#include "platform/core/Component.h"
#include "platform/core/ScopeGuard.h"
#include "platform/core/StringList.h"
#include "platform/core/Streams.h"

TWriter::TWriter(TStream& stream, int bufferSize)
    : stream_(stream), bufferSize_(static_cast<std::size_t>(bufferSize > 0 ? bufferSize : 4096))
{
    buffer_.reserve(bufferSize_);
}

TWriter::~TWriter() = default;

void TWriter::FlushBuffer()
{
    if (buffer_.empty()) return;
    std::string pending;
    pending.swap(buffer_);
    stream_.WriteBuffer(pending.data(), static_cast<std::int64_t>(pending.size()));
    buffer_.reserve(bufferSize_);
}

void TWriter::Write(const void* data, std::int64_t count)
{
    if (count <= 0) return;
    written_ += count;
    auto n = static_cast<std::size_t>(count);
    if (buffer_.size() + n > bufferSize_) {
        FlushBuffer();
        if (n >= bufferSize_) {
            stream_.WriteBuffer(data, count);
            return;
        }
    }
    buffer_.append(static_cast<const char*>(data), n);
}

void TWriter::WriteValue(TValueType value)
{
    auto byte = static_cast<std::uint8_t>(value);
    Write(&byte, 1);
}

namespace {

template <class T>
void WriteLE(TWriter& writer, T value)
{
    unsigned char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));  // the platform is little-endian
    writer.Write(bytes, sizeof(T));
}

bool IsAscii(const std::string& text)
{
    for (unsigned char c : text)
        if (c >= 0x80) return false;
    return true;
}

}  // namespace

void TWriter::WriteInteger(std::int64_t value)
{
    if (value >= INT8_MIN && value <= INT8_MAX) {
        WriteValue(vaInt8);
        WriteLE(*this, static_cast<std::int8_t>(value));
    } else if (value >= INT16_MIN && value <= INT16_MAX) {
        WriteValue(vaInt16);
        WriteLE(*this, static_cast<std::int16_t>(value));
    } else if (value >= INT32_MIN && value <= INT32_MAX) {
        WriteValue(vaInt32);
        WriteLE(*this, static_cast<std::int32_t>(value));
    } else {
        WriteValue(vaInt64);
        WriteLE(*this, value);
    }
}

void TWriter::WriteFloat(double value)
{
    WriteValue(vaExtended);
    unsigned char bytes[10];
    DoubleToExtended(value, bytes);
    Write(bytes, 10);
}

void TWriter::WriteDouble(double value)
{
    WriteValue(vaDouble);
    WriteLE(*this, value);
}

void TWriter::WriteSingle(float value)
{
    WriteValue(vaSingle);
    WriteLE(*this, value);
}

void TWriter::WriteCurrency(std::int64_t valueTimes10000)
{
    WriteValue(vaCurrency);
    WriteLE(*this, valueTimes10000);
}

void TWriter::WriteDate(double value)
{
    WriteValue(vaDate);
    WriteLE(*this, value);
}

void TWriter::WriteString(const std::string& utf8)
{
    std::string bytes = utf8;
    if (!IsAscii(utf8)) {
        bytes = Utf8ToAnsi(utf8);
        if (AnsiToUtf8(bytes) != utf8) {  // not all of it fits the code page: UTF-16
            QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
            WriteValue(vaWString);
            WriteLE(*this, static_cast<std::int32_t>(text.size()));
            for (QChar c : text) WriteLE(*this, static_cast<std::uint16_t>(c.unicode()));
            return;
        }
    }
    if (bytes.size() <= 255) {
        WriteValue(vaString);
        WriteStr(bytes);
        return;
    }
    WriteValue(vaLString);
    WriteLE(*this, static_cast<std::int32_t>(bytes.size()));
    Write(bytes.data(), static_cast<std::int64_t>(bytes.size()));
}

void TWriter::WriteStr(const std::string& shortString)
{
    if (shortString.size() > 255) throw EWriteError("Name too long for the stream: " + shortString.substr(0, 40) + "...");
    auto length = static_cast<std::uint8_t>(shortString.size());
    Write(&length, 1);
    Write(shortString.data(), length);
}

void TWriter::WriteIdent(const std::string& ident)
{
    if (SameIdent(ident, "nil")) return WriteValue(vaNil);
    if (SameIdent(ident, "False")) return WriteValue(vaFalse);
    if (SameIdent(ident, "True")) return WriteValue(vaTrue);
    WriteValue(vaIdent);
    WriteStr(ident);
}

void TWriter::WriteBinary(const void* data, std::int64_t count)
{
    if (count > INT32_MAX) throw EWriteError("Binary value too large for the stream");
    WriteValue(vaBinary);
    WriteLE(*this, static_cast<std::int32_t>(count));
    Write(data, count);
}

void TWriter::WritePropName(const std::string& name)
{
    WriteStr(PropPath + name);
}

// ---------------------------------------------------------------- components

void TWriter::WriteRootComponent(TComponent* component)
{
    SetRoot(component);
    WriteSignature();
    WriteComponent(component);
    FlushBuffer();
}

void TWriter::WriteSignature()
{
    Write(kFilerSignature, 4);
}

void TWriter::WriteComponent(TComponent* component)
{
    if (++depth_ > kMaxStreamDepth) {
        --depth_;
        throw EWriteError("Components nested too deeply to write");
    }
    component->SetStateFlags(csWriting, true);
    const TScopeGuard restore([&] {
        component->SetStateFlags(csWriting, false);
        --depth_;
    });
    component->WriteState(*this);
}

void TWriter::WriteData(TComponent* component)
{
    if (component->HasState(csInline)) {
        std::uint8_t flags = 0xF0 | ffInline;
        Write(&flags, 1);
    }
    WriteStr(component->ClassName());
    WriteStr(component->Name());
    WriteProperties(component);
    WriteListEnd();
    component->GetChildren([this](TComponent* child) { WriteComponent(child); }, Root() ? Root() : component);
    WriteListEnd();
}

void TWriter::WriteProperties(TPersistent* instance)
{
    for (const TPropInfo* info : instance->ClassType().Properties())
        if (info->IsStored(*instance)) WriteProperty(instance, *info);
    instance->DefineProperties(*this);
}

void TWriter::WriteNestedObject(TPersistent* object, const std::string& name)
{
    std::string saved = PropPath;
    PropPath += name + ".";
    const TScopeGuard restore([&] { PropPath = saved; });
    WriteProperties(object);
}

void TWriter::WriteCollection(TCollection* collection)
{
    WriteValue(vaCollection);
    std::string saved = PropPath;
    PropPath.clear();
    {
        const TScopeGuard restore([&] { PropPath = saved; });
        for (int i = 0; i < collection->Count(); ++i) {
            WriteListBegin();
            WriteProperties(collection->Items(i));
            WriteListEnd();
        }
    }
    WriteListEnd();
}

std::string TWriter::ReferenceName(const TComponent* target) const
{
    if (!target || target->Name().empty()) return {};
    if (target == Root() || target->Owner() == Root()) return target->Name();
    const TComponent* owner = target->Owner();
    if (!owner || owner->Name().empty()) return {};
    return owner->Name() + "." + target->Name();
}

bool TWriter::WriteMethodName(TPersistent* instance, const TPropInfo& info)
{
    TMethod method = info.GetMethod(*instance);
    if (!method.Assigned() || !Root()) return false;
    for (const TPublishedMethod& published : Root()->ClassType().Methods()) {
        if (!(published.Bind(*Root()) == method)) continue;
        WritePropName(info.Name);
        WriteValue(vaIdent);
        WriteStr(published.Name);
        return true;
    }
    return false;
}

void TWriter::WriteProperty(TPersistent* instance, const TPropInfo& info)
{
    switch (info.Kind) {
    case TPropKind::Object: {
        auto* object = dynamic_cast<TPersistent*>(info.Object(*instance, false));
        if (auto* collection = dynamic_cast<TCollection*>(object)) {
            if (collection->Count() == 0) return;
            WritePropName(info.Name);
            WriteCollection(collection);
        } else if (object && !dynamic_cast<TComponent*>(object)) {
            WriteNestedObject(object, info.Name);
        }
        return;
    }
    case TPropKind::Collection: {
        auto* collection = static_cast<TCollection*>(info.Object(*instance, false));
        if (!collection || (collection->Count() == 0 && !info.StoredIf)) return;
        WritePropName(info.Name);
        WriteCollection(collection);
        return;
    }
    case TPropKind::Strings: {
        auto* list = static_cast<TStringList*>(info.Object(*instance, false));
        if (!list || list->Count() == 0) return;
        WritePropName(info.Name + ".Strings");
        WriteListBegin();
        for (int i = 0; i < list->Count(); ++i) WriteString(list->Strings(i));
        WriteListEnd();
        return;
    }
    case TPropKind::Event: WriteMethodName(instance, info); return;
    default: break;
    }
    if (info.IsDefault(*instance)) return;
    TVariant value = info.Get(*instance);
    if (info.Kind == TPropKind::Component) {
        std::string reference = ReferenceName(dynamic_cast<TComponent*>(value.AsObject()));
        if (reference.empty()) return;
        WritePropName(info.Name);
        WriteValue(vaIdent);
        WriteStr(reference);
        return;
    }
    WritePropName(info.Name);
    switch (info.Kind) {
    case TPropKind::Boolean: WriteBoolean(value.AsBoolean()); break;
    case TPropKind::Integer:
    case TPropKind::Int64: WriteInteger(value.AsInteger()); break;
    case TPropKind::Float: WriteFloat(value.AsFloat()); break;
    case TPropKind::String: WriteString(value.AsString()); break;
    case TPropKind::Enumeration: WriteValue(vaIdent); WriteStr(value.AsString()); break;
    case TPropKind::Set: {
        WriteValue(vaSet);
        auto mask = static_cast<std::uint64_t>(value.AsInteger());
        for (int i = 0; i < info.Enum->Count() && i < 64; ++i)
            if (mask & (std::uint64_t{1} << i)) WriteStr(info.Enum->Name(i));
        WriteStr("");
        break;
    }
    case TPropKind::Color: {
        std::string ident;
        auto color = static_cast<TColor>(value.AsInteger());
        if (ColorToIdent(color, ident)) {
            WriteValue(vaIdent);
            WriteStr(ident);
        } else {
            WriteInteger(color);
        }
        break;
    }
    default: break;
    }
}

// ---------------------------------------------------------------- defined properties

void TWriter::DefineProperty(const std::string& name, const TReaderProc&, const TWriterProc& writeData, bool hasData)
{
    if (!hasData || !writeData) return;
    WritePropName(name);
    writeData(*this);
}

void TWriter::DefineBinaryProperty(const std::string& name, const TStreamProc&, const TStreamProc& writeData, bool hasData)
{
    if (!hasData || !writeData) return;
    TMemoryStream data;
    writeData(data);
    WritePropName(name);
    WriteBinary(data.Bytes().data(), data.Size());
}

void WriteComponentToStream(TStream& stream, TComponent* component)
{
    TWriter writer(stream);
    writer.WriteRootComponent(component);
}
