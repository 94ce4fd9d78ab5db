#pragma once
// What the component reader and writer share: value tags, filer flags, and the hook through
// which a class streams values that are not published properties (DefineProperties).
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/core/SysUtils.h"

class TReader;
class TWriter;
class TStream;
class TComponent;

enum TValueType : std::uint8_t {
    vaNull, vaList, vaInt8, vaInt16, vaInt32, vaExtended, vaString, vaIdent, vaFalse, vaTrue,
    vaBinary, vaSet, vaLString, vaNil, vaCollection, vaSingle, vaCurrency, vaDate, vaWString,
    vaInt64, vaUTF8String, vaDouble
};
constexpr int kLastValueType = vaDouble;

enum TFilerFlag : std::uint8_t { ffInherited = 0x01, ffChildPos = 0x02, ffInline = 0x04 };

constexpr char kFilerSignature[4] = {'T', 'P', 'F', '0'};
// Nesting of objects, lists and collections a reader accepts before it calls the stream bad.
constexpr int kMaxStreamDepth = 200;

using TReaderProc = std::function<void(TReader&)>;
using TWriterProc = std::function<void(TWriter&)>;
using TStreamProc = std::function<void(TStream&)>;

class TFiler : public TObject {
public:
    std::string ClassName() const override { return "TFiler"; }
    // A value written by writeData under name when hasData; read back by readData.
    // A property without writeData is read only (legacy values that are converted on reading).
    virtual void DefineProperty(const std::string& name, const TReaderProc& readData,
                                const TWriterProc& writeData, bool hasData) = 0;
    // Raw bytes with a 32-bit length.
    virtual void DefineBinaryProperty(const std::string& name, const TStreamProc& readData,
                                      const TStreamProc& writeData, bool hasData) = 0;

    // Ready-made payloads.
    void DefineIntegerProperty(const std::string& name, const std::function<void(std::int64_t)>& read,
                               const std::function<std::int64_t()>& write, bool hasData);
    void DefineIntegerListProperty(const std::string& name,
                                   const std::function<void(const std::vector<std::int64_t>&)>& read,
                                   const std::function<std::vector<std::int64_t>()>& write, bool hasData);
    void DefineStringListProperty(const std::string& name,
                                  const std::function<void(const std::vector<std::string>&)>& read,
                                  const std::function<std::vector<std::string>()>& write, bool hasData);
    void DefineReadOnlyProperty(const std::string& name, const TReaderProc& read)
    {
        DefineProperty(name, read, nullptr, false);
    }

    TComponent* Root() const { return root_; }
    void SetRoot(TComponent* root) { root_ = root; }

protected:
    TComponent* root_ = nullptr;
};

// The 10-byte extended float of the stream (x87 layout, little-endian).
void DoubleToExtended(double value, unsigned char bytes[10]);
double ExtendedToDouble(const unsigned char bytes[10]);
long double ExtendedToLongDouble(const unsigned char bytes[10]);
void LongDoubleToExtended(long double value, unsigned char bytes[10]);
