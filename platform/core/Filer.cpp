#include "platform/core/Filer.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <utility>

#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentWriter.h"

void TFiler::DefineIntegerProperty(const std::string& name, const std::function<void(std::int64_t)>& read,
                                   const std::function<std::int64_t()>& write, bool hasData)
{
    DefineProperty(
        name, [read](TReader& r) { read(r.ReadInteger()); },
        write ? TWriterProc([write](TWriter& w) { w.WriteInteger(write()); }) : TWriterProc(), hasData);
}

namespace {

// A list value of one item kind: read into a vector, written from one.
template <class T, class ReadItem, class WriteItem>
std::pair<TReaderProc, TWriterProc> ListProcs(const std::function<void(const std::vector<T>&)>& read,
                                              const std::function<std::vector<T>()>& write, ReadItem readItem,
                                              WriteItem writeItem)
{
    auto reader = [read, readItem](TReader& r) {
        std::vector<T> values;
        r.ReadListBegin();
        while (!r.EndOfList()) values.push_back(readItem(r));
        r.ReadListEnd();
        read(values);
    };
    auto writer = [write, writeItem](TWriter& w) {
        w.WriteListBegin();
        for (const T& v : write()) writeItem(w, v);
        w.WriteListEnd();
    };
    return {reader, write ? TWriterProc(writer) : TWriterProc()};
}

}  // namespace

void TFiler::DefineIntegerListProperty(const std::string& name,
                                       const std::function<void(const std::vector<std::int64_t>&)>& read,
                                       const std::function<std::vector<std::int64_t>()>& write, bool hasData)
{
    auto [reader, writer] = ListProcs<std::int64_t>(
        read, write, [](TReader& r) { return r.ReadInteger(); }, [](TWriter& w, std::int64_t v) { w.WriteInteger(v); });
    DefineProperty(name, reader, writer, hasData);
}

void TFiler::DefineStringListProperty(const std::string& name,
                                      const std::function<void(const std::vector<std::string>&)>& read,
                                      const std::function<std::vector<std::string>()>& write, bool hasData)
{
    auto [reader, writer] = ListProcs<std::string>(
        read, write, [](TReader& r) { return r.ReadString(); }, [](TWriter& w, const std::string& v) { w.WriteString(v); });
    DefineProperty(name, reader, writer, hasData);
}

// ---------------------------------------------------------------- extended floats

void DoubleToExtended(double value, unsigned char bytes[10])
{
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, 8);
    std::uint16_t sign = static_cast<std::uint16_t>((bits >> 63) << 15);
    int exponent = static_cast<int>((bits >> 52) & 0x7FF);
    std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
    std::uint64_t significand = 0;
    std::uint16_t top = sign;
    if (exponent == 0x7FF) {  // infinity, NaN
        significand = (std::uint64_t{1} << 63) | (mantissa << 11);
        top |= 0x7FFF;
    } else if (exponent != 0) {
        significand = (std::uint64_t{1} << 63) | (mantissa << 11);
        top |= static_cast<std::uint16_t>(exponent - 1023 + 16383);
    } else if (mantissa != 0) {  // subnormal double: normal in the wider format
        int shift = 0;
        while (!(mantissa & (std::uint64_t{1} << 52))) {
            mantissa <<= 1;
            ++shift;
        }
        significand = mantissa << 11;
        top |= static_cast<std::uint16_t>(1 - 1023 - shift + 16383);
    }
    for (int i = 0; i < 8; ++i) bytes[i] = static_cast<unsigned char>(significand >> (8 * i));
    bytes[8] = static_cast<unsigned char>(top);
    bytes[9] = static_cast<unsigned char>(top >> 8);
}

namespace {

// Sign, exponent field and significand of the 10 bytes; unnormals (integer bit missing with a
// non-zero exponent) are invalid operands of the format and read as NaN.
long double DecodeExtended(const unsigned char bytes[10])
{
    std::uint64_t significand = 0;
    for (int i = 0; i < 8; ++i) significand |= std::uint64_t{bytes[i]} << (8 * i);
    int top = bytes[8] | (bytes[9] << 8);
    bool negative = top & 0x8000;
    int exponent = top & 0x7FFF;
    bool integerBit = significand >> 63;
    long double value;
    if (exponent == 0x7FFF)
        value = (significand << 1) == 0 && integerBit ? HUGE_VALL : std::nanl("");
    else if (exponent != 0 && !integerBit)
        value = std::nanl("");
    else
        value = std::ldexp(static_cast<long double>(significand), (exponent == 0 ? 1 : exponent) - 16383 - 63);
    return negative ? -value : value;
}

}  // namespace

double ExtendedToDouble(const unsigned char bytes[10])
{
#if LDBL_MANT_DIG == 64
    // A normal number is already a long double of this machine: no scaling needed.
    const int exponent = (bytes[8] | (bytes[9] << 8)) & 0x7FFF;
    if (exponent != 0 && exponent != 0x7FFF && (bytes[7] & 0x80)) {
        long double value = 0;
        std::memcpy(&value, bytes, 10);
        return static_cast<double>(value);
    }
#endif
    return static_cast<double>(DecodeExtended(bytes));
}

long double ExtendedToLongDouble(const unsigned char bytes[10])
{
    return DecodeExtended(bytes);
}

void LongDoubleToExtended(long double value, unsigned char bytes[10])
{
#if LDBL_MANT_DIG == 64
    unsigned char raw[sizeof(long double)] = {};
    std::memcpy(raw, &value, sizeof value);
    std::memcpy(bytes, raw, 10);
#else
    DoubleToExtended(static_cast<double>(value), bytes);
#endif
}
