#pragma once
// Reads components from the binary stream form ("TPF0"). The reader never trusts its input:
// every count and length is checked against the bytes left, nesting is bounded, and a failed
// read frees every component it created, so no half-built object remains. Problems with a
// well-formed stream (unknown property or class, a value a property refuses) go to Error():
// answering true skips the item and goes on, false (the default) raises the error.
#include <cstdint>
#include <functional>
#include <string>
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
    TValueType NextValue();
    TValueType ReadValue();
    bool EndOfList();  // the next byte is the end marker (names follow otherwise)
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
    void Read(void* data, std::int64_t count);
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
    const TPropInfo* FindPropertyOf(const TClassInfo& type, const std::string& name);
    bool ReadDefinedProperty(TPersistent* instance, const std::string& name);
    void ReadPropValue(TPersistent* instance, const TPropInfo& info, const std::string& path);
    void ReadSimpleValue(TPersistent* instance, const TPropInfo& info, const std::string& path);
    TVariant ReadAnyValue(TValueType& tag);
    void ReadStringsValue(TStringList* list);
    void ReadCollection(TCollection* collection, const std::string& path);
    void ReadEvent(TPersistent* instance, const TPropInfo& info, const std::string& path);
    void SkipComponent();
    void SkipComponentBody();  // properties and children of a record whose header was read
    std::uint8_t ReadPrefix();
    void SkipBytes(std::int64_t count);
    void PropertyProblem(const std::string& path, const std::string& message, bool valuePending);
    void ResolveFixups();
    void CallLoaded();
    void FreeCreated(TComponent* createdRoot);
    std::string DecodeString(TValueType tag);
    void Fill();
    std::uint8_t ReadByte();
    std::int32_t ReadLength(std::int64_t unitSize);
    void Enter();
    void Leave() { --depth_; }

    TStream& stream_;
    std::vector<char> buffer_;
    std::size_t bufPos_ = 0;
    std::size_t bufEnd_ = 0;
    std::int64_t streamLeft_ = 0;  // bytes of the stream not yet in the buffer
    TComponent* owner_ = nullptr;
    TComponent* parent_ = nullptr;
    std::string propName_;  // the name DefineProperties is asked about
    std::vector<TComponent*> loaded_;
    std::vector<Fixup> fixups_;
    std::vector<TComponent*> created_;
    TComponent* current_ = nullptr;  // the component whose properties are being read
    std::string readPath_;           // path of the current object below current_ ("Items.ITEM2.")
    bool definedFound_ = false;
    int depth_ = 0;
    const TClassInfo* lastClass_ = nullptr;
    std::string lastClassName_;
    std::unordered_map<const TClassInfo*, std::unordered_map<std::string, const TPropInfo*>> knownProperties_;
};

// Reads a whole component stream (signature first) into root, or a new root when nullptr.
TComponent* ReadComponentFromStream(TStream& stream, TComponent* root);

// Resolves "Form1.Table1"-style references whose first part is not the stream's root.
extern std::function<TComponent*(const std::string& name)> FindGlobalComponent;
