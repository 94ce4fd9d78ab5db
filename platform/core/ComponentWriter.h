#pragma once
// Writes components in the binary stream form ("TPF0"): published properties that are stored
// and differ from their defaults, then DefineProperties values, then child components.
#include <cstdint>
#include <string>

#include "platform/core/Filer.h"

class TPersistent;
class TCollection;
struct TPropInfo;

class TWriter : public TFiler {
public:
    explicit TWriter(TStream& stream, int bufferSize = 4096);
    ~TWriter() override;  // does not flush: call FlushBuffer after writing by hand
    TWriter(const TWriter&) = delete;
    TWriter& operator=(const TWriter&) = delete;
    std::string ClassName() const override { return "TWriter"; }

    // Signature, then component with root as the root; flushed at the end.
    void WriteRootComponent(TComponent* component);
    void WriteSignature();
    // One object record with its children (GetChildren of the component, for Root()).
    void WriteComponent(TComponent* component);
    // Header, properties and children of one component (what WriteState does).
    void WriteData(TComponent* component);
    void WriteProperties(TPersistent* instance);
    void WriteCollection(TCollection* collection);
    void FlushBuffer();

    void DefineProperty(const std::string& name, const TReaderProc& readData,
                        const TWriterProc& writeData, bool hasData) override;
    void DefineBinaryProperty(const std::string& name, const TStreamProc& readData,
                              const TStreamProc& writeData, bool hasData) override;

    // Value level, for DefineProperties writers.
    void WriteValue(TValueType value);
    void WriteListBegin() { WriteValue(vaList); }
    void WriteListEnd() { WriteValue(vaNull); }
    void WriteInteger(std::int64_t value);  // smallest tag that holds it
    void WriteBoolean(bool value) { WriteValue(value ? vaTrue : vaFalse); }
    void WriteFloat(double value);          // tag 5, extended
    void WriteDouble(double value);         // tag 21
    void WriteSingle(float value);
    void WriteCurrency(std::int64_t valueTimes10000);
    void WriteDate(double value);
    void WriteString(const std::string& utf8);  // 8-bit code page when it fits, else UTF-16
    void WriteIdent(const std::string& ident);
    void WriteStr(const std::string& shortString);  // length byte + bytes, no tag
    void WriteBinary(const void* data, std::int64_t count);
    void WritePropName(const std::string& name);  // PropPath + name
    void Write(const void* data, std::int64_t count);

    // Prefix of property names inside nested objects ("Font."); empty it to write bare names.
    std::string PropPath;
    // Bytes handed to the writer so far (buffered or not).
    std::int64_t BytesWritten() const { return written_; }

private:
    void WriteProperty(TPersistent* instance, const TPropInfo& info);
    void WriteNestedObject(TPersistent* object, const std::string& name);
    // "Name" or "Owner.Name" as a reader finds target again; empty when it cannot be named.
    std::string ReferenceName(const TComponent* target) const;
    bool WriteMethodName(TPersistent* instance, const TPropInfo& info);

    TStream& stream_;
    std::string buffer_;
    std::size_t bufferSize_;
    std::int64_t written_ = 0;
    int depth_ = 0;
};

// Writes the whole component (signature first) into stream.
void WriteComponentToStream(TStream& stream, TComponent* component);
