#pragma once
// Reads components from the binary stream form ("TPF0"). The reader never trusts its input:
// every count and length is checked against the bytes left, nesting is bounded, and a failed
// read frees every component it created, so no half-built object remains. Problems with a
// well-formed stream (unknown property or class, a value a property refuses) go to Error():
// answering true skips the item and goes on, false (the default) raises the error.
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/core/Events.h"
#include "platform/core/Filer.h"
#include "platform/core/Properties.h"

class TPersistent;
class TCollection;
class TStringList;
struct TPropInfo;
class TClassInfo;

class TReader : public TFiler {
public:
    explicit TReader(TStream& stream, int bufferSize = 4096);
    ~TReader() override;
    TReader(const TReader&) = delete;
    TReader& operator=(const TReader&) = delete;
    std::string ClassName() const override { return "TReader"; }

    // Signature, root object and children. Without a root the class named in the stream is
    // created. Children are owned by owner (the root when nullptr). Loaded runs at the end.
    TComponent* ReadRootComponent(TComponent* root, TComponent* owner = nullptr);
    void ReadSignature();
    // Properties and children of a component whose header was read (what ReadState does).
    void ReadData(TComponent* component);

    // Error decision: message of a skippable problem; true = skip it and go on.
    std::function<bool(TReader& reader, const std::string& message)> OnError;
    // Event handler names: set method, or leave error true to report the name as bad.
    std::function<void(TReader& reader, const std::string& name, TMethod& method, bool& error)> OnFindMethod;
    virtual bool Error(const std::string& message);

    void DefineProperty(const std::string& name, const TReaderProc& readData,
                        const TWriterProc& writeData, bool hasData) override;
    void DefineBinaryProperty(const std::string& name, const TStreamProc& readData,
                              const TStreamProc& writeData, bool hasData) override;

    // Value level, for DefineProperties readers. Wrong tags raise EReadError.
    TValueType NextValue()
    {
        if (bufPos_ == bufEnd_) Fill();
        const auto tag = static_cast<std::uint8_t>(buffer_[bufPos_]);
        if (tag > kLastValueType) BadTag(tag);
        return static_cast<TValueType>(tag);
    }
    TValueType ReadValue()
    {
        const TValueType tag = NextValue();
        ++bufPos_;
        return tag;
    }
    bool EndOfList()  // the next byte is the end marker (names follow otherwise)
    {
        if (bufPos_ == bufEnd_) Fill();
        return buffer_[bufPos_] == 0;
    }
    void ReadListBegin() { CheckValue(vaList); }
    void ReadListEnd() { CheckValue(vaNull); }
    void CheckValue(TValueType expected);
    std::int64_t ReadInteger();
    bool ReadBoolean();
    double ReadFloat();       // any float tag, integers too
    std::string ReadString(); // UTF-8, whatever the stored form
    std::string ReadIdent();
    std::string ReadStr();    // length byte + bytes, no tag
    std::string ReadBinary(); // tag 10 payload
    void SkipValue();
    // Name and value pairs of an object until the end marker, and the marker itself (what a
    // DefineProperties reader of a list of objects reads each object with).
    void ReadProperties(TPersistent* instance);
    void Read(void* data, std::int64_t count)
    {
        // Most reads are a few bytes from the buffer.
        if (count > 0 && static_cast<std::uint64_t>(count) <= bufEnd_ - bufPos_) {
            std::memcpy(data, buffer_ + bufPos_, static_cast<std::size_t>(count));
            bufPos_ += static_cast<std::size_t>(count);
            return;
        }
        ReadSlow(data, count);
    }
    std::int64_t BytesLeft() const;
    // Raises EReadError when count exceeds the bytes left.
    void CheckCount(std::int64_t count, std::int64_t unitSize = 1);

    TComponent* Owner() const { return owner_; }
    TComponent* Parent() const { return parent_; }

protected:
    // Told of every component the stream makes, before its properties are read; may raise.
    virtual void ComponentCreated(TComponent*) {}

private:
    // A component reference, resolved by name once everything is read; the property is found
    // again by its path from its component, so objects freed meanwhile are never touched.
    struct Fixup {
        TComponent* component;
        std::string path;
        std::string target;
    };

    TComponent* ReadComponent();
    TComponent* CreateChild(const std::string& className, const std::string& name, std::uint8_t flags);
    void ReadProperty(TPersistent* instance);
    const TPropInfo* FindPropertyOf(const TPersistent& instance, std::string_view name);
    // The property named next by the last object of instance's class, when name is its name.
    const TPropInfo* ExpectedProperty(const TPersistent& instance, std::string_view name);
    struct KnownProperties;
    KnownProperties& KnownOf(const TPersistent& instance);
    bool ReadDefinedProperty(TPersistent* instance, const std::string& name);
    void ReadPropValue(TPersistent* instance, const TPropInfo& info, std::string_view path);
    void ReadSimpleValue(TPersistent* instance, const TPropInfo& info, std::string_view path);
    bool ReadSetMembers(const TPropInfo& info, std::uint64_t& mask);
    TVariant ReadAnyValue(TValueType& tag);
    void ReadStringsValue(TStringList* list);
    void ReadCollection(TCollection* collection, std::string_view path);
    void ReadEvent(TPersistent* instance, const TPropInfo& info, std::string_view path);
    void SkipComponent();
    void SkipComponentBody();  // properties and children of a record whose header was read
    std::uint8_t ReadPrefix();
    void SkipBytes(std::int64_t count);
    void PropertyProblem(std::string_view path, const std::string& message, bool valuePending);
    void ResolveFixups();
    void CallLoaded();
    void FreeCreated(TComponent* createdRoot);
    std::string DecodeString(TValueType tag);
    // Passes over the next short string when it is in the buffer and equals expected.
    bool SkipStrEqualTo(const std::string& expected);
    void Fill();
    void ReadSlow(void* data, std::int64_t count);
    [[noreturn]] static void BadTag(std::uint8_t tag);
    std::uint8_t ReadByte()
    {
        if (bufPos_ == bufEnd_) Fill();
        return static_cast<std::uint8_t>(buffer_[bufPos_++]);
    }
    std::int32_t ReadLength(std::int64_t unitSize);
    void Enter();
    void Leave() { --depth_; }

    TStream& stream_;
    std::vector<char> storage_;     // the buffer, unless the stream's own bytes are read
    const char* buffer_ = nullptr;
    std::size_t bufCap_ = 0;        // bytes readable from buffer_ on, beyond bufEnd_ too
    bool borrowed_ = false;         // buffer_ is a memory stream's content
    std::size_t bufPos_ = 0;
    std::size_t bufEnd_ = 0;
    std::int64_t streamLeft_ = 0;  // bytes of the stream not yet in the buffer
    TComponent* owner_ = nullptr;
    TComponent* parent_ = nullptr;
    std::string propName_;  // the name DefineProperties is asked about
    std::vector<TComponent*> loaded_;
    std::vector<Fixup> fixups_;
    std::vector<TComponent*> created_;
    std::size_t ownerStart_ = 0;  // the owner's component count when reading began
    TComponent* current_ = nullptr;  // the component whose properties are being read
    std::string readPath_;           // path of the current object below current_ ("Items.ITEM2.")
    bool definedFound_ = false;
    int depth_ = 0;
    const TClassInfo* lastClass_ = nullptr;
    std::string lastClassName_;
    // Every component of a class names the same properties in the same order: each (class, name)
    // is looked up once, and the name that followed last time is tried first.
    struct KnownProperties {
        std::unordered_map<std::string, const TPropInfo*> byName;
        std::vector<std::pair<std::string, const TPropInfo*>> order;  // as the last object gave them
        std::size_t next = 0;
        const TPersistent* instance = nullptr;  // the object order is being matched for
    };
    std::unordered_map<const TClassInfo*, KnownProperties> knownProperties_;
    const TClassInfo* lastType_ = nullptr;
    KnownProperties* lastKnown_ = nullptr;
};

// Reads a whole component stream (signature first) into root, or a new root when nullptr.
TComponent* ReadComponentFromStream(TStream& stream, TComponent* root);

// Resolves "Form1.Table1"-style references whose first part is not the stream's root.
extern std::function<TComponent*(const std::string& name)> FindGlobalComponent;
