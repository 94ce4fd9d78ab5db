#include "platform/core/ComponentText.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/core/Filer.h"
#include "platform/core/Streams.h"

namespace {

constexpr int kMaxDecimals = 18;

// ---------------------------------------------------------------- float text

std::string ToChars(double value, std::chars_format format)
{
    char text[400];
    auto r = std::to_chars(text, text + sizeof text, value, format);
    return std::string(text, r.ptr);
}

// Shortest digits of a double in the layout of the text form.
std::string DoubleText(double value)
{
    if (std::fabs(value) < 1e15) {
        std::string fixed = ToChars(value, std::chars_format::fixed);
        std::size_t point = fixed.find('.');
        std::size_t decimals = point == std::string::npos ? 0 : fixed.size() - point - 1;
        if (decimals <= kMaxDecimals && (value == 0 || std::fabs(value) >= 1e-4)) {
            if (point == std::string::npos) fixed += '.';
            return fixed + std::string(kMaxDecimals - decimals, '0');
        }
    }
    std::string text = ToChars(value, std::chars_format::scientific);
    std::size_t e = text.find('e');
    std::string mantissa = text.substr(0, e);
    int exponent = std::stoi(text.substr(e + 1));
    return mantissa + "E" + std::to_string(exponent);
}

std::string FloatSpecial(long double value)
{
    if (std::isnan(value)) return "NAN";
    return value < 0 ? "-INF" : "INF";
}

// Significant digits of a number text, leading and trailing zeros left out.
int SignificantDigits(const char* first, const char* last)
{
    std::string digits;
    for (const char* p = first; p != last && *p != 'e' && *p != 'E'; ++p)
        if (*p >= '0' && *p <= '9') digits += *p;
    std::size_t b = digits.find_first_not_of('0');
    if (b == std::string::npos) return 0;
    std::size_t e = digits.find_last_not_of('0');
    return static_cast<int>(e - b + 1);
}

// Whether value's decimal expansion ends after its first digits significant digits.
bool ExactlyDecimal(long double value, int digits)
{
    char text[128];
    auto r = std::to_chars(text, text + sizeof text, value, std::chars_format::scientific, 60);
    int seen = 0;
    for (const char* p = text; p != r.ptr && *p != 'e'; ++p) {
        if (*p < '0' || *p > '9') continue;
        if (++seen > digits && *p != '0') return false;
    }
    return true;
}

}  // namespace

std::string StreamFloatText(long double value)
{
    if (!std::isfinite(value)) return FloatSpecial(value);
    auto asDouble = static_cast<double>(value);
    if (static_cast<long double>(asDouble) == value) {
        std::string text = DoubleText(asDouble);
        if (ParseStreamFloat(text) == value) return text;
    }
    // More digits until the text reads back as exactly this value.
    for (int precision : {20, 25, 30, 40, 70}) {
        char text[512];
        auto r = std::to_chars(text, text + sizeof text, value, std::chars_format::scientific, precision);
        std::string s(text, r.ptr);
        std::size_t e = s.find('e');
        std::size_t last = s.find_last_not_of('0', e - 1);
        std::string mantissa = s.substr(0, s[last] == '.' ? last : last + 1);
        std::string candidate = mantissa + "E" + std::to_string(std::stoi(s.substr(e + 1)));
        if (ParseStreamFloat(candidate) == value) return candidate;
    }
    return FloatSpecial(std::nanl(""));
}

long double ParseStreamFloat(const std::string& number)
{
    const char* first = number.data() + (!number.empty() && number[0] == '+' ? 1 : 0);
    const char* last = number.data() + number.size();
    long double wide = 0;
    auto rw = std::from_chars(first, last, wide);
    if (rw.ec != std::errc() || rw.ptr != last) throw EConvertError("'" + number + "' is not a valid floating point value");
    if (SignificantDigits(first, last) > 17) return wide;
    double narrow = 0;
    auto rn = std::from_chars(first, last, narrow);
    if (rn.ec != std::errc()) return wide;  // beyond the range of a double
    // Up to 17 digits name a double, unless the text is exactly a value only the wider format holds.
    if (static_cast<long double>(narrow) == wide || !ExactlyDecimal(wide, SignificantDigits(first, last))) return narrow;
    return wide;
}

namespace {

// ---------------------------------------------------------------- binary -> text

class BinaryToText {
public:
    BinaryToText(const std::string& bytes) : in_(bytes) {}

    std::string Convert()
    {
        Need(4);
        if (std::memcmp(in_.data(), kFilerSignature, 4) != 0) Bad("the signature TPF0 is missing");
        pos_ = 4;
        ConvertObject(0);
        return std::move(out_);
    }
    std::size_t Consumed() const { return pos_; }

private:
    [[noreturn]] void Bad(const std::string& detail) { throw EReadError("Invalid stream format: " + detail); }
    void Need(std::size_t n)
    {
        if (n > in_.size() - pos_) throw EReadError("Stream read error: the stream ends inside an object");
    }
    std::uint8_t Byte()
    {
        Need(1);
        return static_cast<std::uint8_t>(in_[pos_++]);
    }
    std::uint8_t Peek()
    {
        Need(1);
        return static_cast<std::uint8_t>(in_[pos_]);
    }
    template <class T>
    T Fixed()
    {
        Need(sizeof(T));
        T value;
        std::memcpy(&value, in_.data() + pos_, sizeof(T));
        pos_ += sizeof(T);
        return value;
    }
    std::string Bytes(std::size_t n)
    {
        Need(n);
        std::string s = in_.substr(pos_, n);
        pos_ += n;
        return s;
    }
    std::string Str() { return Bytes(Byte()); }
    // Names and identifiers must read back as such from the text.
    std::string Ident(bool allowEmpty = false)
    {
        std::string s = Str();
        if (s.empty() && allowEmpty) return s;
        bool ok = !s.empty() && IdentStartChar(s[0]);
        for (char c : s) ok = ok && (IdentStartChar(c) || (c >= '0' && c <= '9') || c == '.');
        if (!ok) Bad("'" + s + "' is not an identifier");
        return s;
    }
    static bool IdentStartChar(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
    std::size_t Length(std::size_t unit)
    {
        auto length = Fixed<std::int32_t>();
        if (length < 0) Bad("negative length " + std::to_string(length));
        if (static_cast<std::uint64_t>(length) * unit > in_.size() - pos_)
            Bad("length " + std::to_string(length) + " exceeds the " + std::to_string(in_.size() - pos_) + " bytes left");
        return static_cast<std::size_t>(length);
    }
    void Enter()
    {
        if (++depth_ > kMaxStreamDepth) Bad("nesting deeper than " + std::to_string(kMaxStreamDepth) + " levels");
    }
    void Line(int indent, const std::string& text)
    {
        out_.append(static_cast<std::size_t>(indent), ' ');
        out_ += text;
    }
    void NewLine() { out_ += "\r\n"; }

    std::string IntegerText(std::uint8_t tag)
    {
        switch (tag) {
        case vaInt8: return std::to_string(Fixed<std::int8_t>());
        case vaInt16: return std::to_string(Fixed<std::int16_t>());
        case vaInt32: return std::to_string(Fixed<std::int32_t>());
        case vaInt64: return std::to_string(Fixed<std::int64_t>());
        default: Bad("integer value expected");
        }
    }

    void ConvertObject(int indent)
    {
        Enter();
        std::uint8_t flags = 0;
        std::string position;
        if ((Peek() & 0xF0) == 0xF0) {
            flags = Byte() & 0x0F;
            if (flags & ffChildPos) position = IntegerText(Byte());
        }
        std::string keyword = (flags & ffInherited) ? "inherited" : (flags & ffInline) ? "inline" : "object";
        std::string className = Ident();
        std::string name = Ident(true);
        std::string header = keyword + " " + (name.empty() ? "" : name + ": ") + className;
        if (!position.empty()) header += " [" + position + "]";
        Line(indent, header);
        NewLine();
        while (Peek() != vaNull) ConvertProperty(indent + 2);
        ++pos_;
        while (Peek() != vaNull) ConvertObject(indent + 2);
        ++pos_;
        Line(indent, "end");
        NewLine();
        --depth_;
    }

    void ConvertProperty(int indent)
    {
        Line(indent, Ident() + " = ");
        ConvertValue(indent);
        NewLine();
    }

    void ConvertValue(int indent)
    {
        std::uint8_t tag = Byte();
        switch (tag) {
        case vaList: return ConvertList(indent);
        case vaInt8: case vaInt16: case vaInt32: case vaInt64: out_ += IntegerText(tag); return;
        case vaExtended: {
            unsigned char bytes[10];
            std::memcpy(bytes, Bytes(10).data(), 10);
            out_ += StreamFloatText(ExtendedToLongDouble(bytes));
            return;
        }
        case vaSingle: out_ += SuffixedText(SingleText(Fixed<float>()), "s"); return;
        case vaCurrency: out_ += CurrencyText(Fixed<std::int64_t>()) + "c"; return;
        case vaDate: out_ += SuffixedText(StreamFloatText(Fixed<double>()), "d"); return;
        case vaDouble: out_ += StreamFloatText(Fixed<double>()); return;
        case vaString: return Quote(ByteUnits(Str()));
        case vaLString: return Quote(ByteUnits(Bytes(Length(1))));
        case vaWString: return Quote(WideUnits(Length(2)));
        case vaUTF8String: return Quote(Utf8Units(Bytes(Length(1))));
        case vaIdent: out_ += Ident(); return;
        case vaFalse: out_ += "False"; return;
        case vaTrue: out_ += "True"; return;
        case vaNil: out_ += "nil"; return;
        case vaBinary: return ConvertBinary(indent);
        case vaSet: return ConvertSet();
        case vaCollection: return ConvertCollection(indent);
        default: Bad("value tag " + std::to_string(tag) + " is not a value");
        }
    }

    void ConvertList(int indent)
    {
        Enter();
        out_ += "(";
        while (Peek() != vaNull) {
            NewLine();
            Line(indent + 2, "");
            ConvertValue(indent + 2);
        }
        ++pos_;
        out_ += ")";
        --depth_;
    }

    void ConvertSet()
    {
        out_ += "[";
        for (bool first = true;; first = false) {
            std::string name = Ident(true);
            if (name.empty()) break;
            if (!first) out_ += ", ";
            out_ += name;
        }
        out_ += "]";
    }

    void ConvertCollection(int indent)
    {
        Enter();
        out_ += "<";
        while (Peek() != vaNull) {
            NewLine();
            std::string index;
            std::uint8_t tag = Peek();
            if (tag == vaInt8 || tag == vaInt16 || tag == vaInt32 || tag == vaInt64) index = " [" + IntegerText(Byte()) + "]";
            if (Byte() != vaList) Bad("collection item expected");
            Line(indent + 2, "item" + index);
            NewLine();
            while (Peek() != vaNull) ConvertProperty(indent + 4);
            ++pos_;
            Line(indent + 2, "end");
        }
        ++pos_;
        out_ += ">";
        --depth_;
    }

    void ConvertBinary(int indent)
    {
        static const char hex[] = "0123456789ABCDEF";
        std::size_t count = Length(1);
        bool multiLine = count >= 32;
        out_ += "{";
        for (std::size_t i = 0; i < count; ++i) {
            if (multiLine && i % 32 == 0) {
                NewLine();
                Line(indent + 2, "");
            }
            auto b = static_cast<std::uint8_t>(in_[pos_ + i]);
            out_ += hex[b >> 4];
            out_ += hex[b & 15];
        }
        pos_ += count;
        out_ += "}";
    }

    // Infinities and NaN have no suffixed form; they read back as plain floats.
    static std::string SuffixedText(const std::string& number, const char* suffix)
    {
        return number.back() >= '0' && number.back() <= '9' ? number + suffix : number;
    }

    static std::vector<std::uint32_t> ByteUnits(const std::string& bytes)
    {
        return std::vector<std::uint32_t>(reinterpret_cast<const unsigned char*>(bytes.data()),
                                          reinterpret_cast<const unsigned char*>(bytes.data()) + bytes.size());
    }
    std::vector<std::uint32_t> WideUnits(std::size_t count)
    {
        std::vector<std::uint32_t> units(count);
        for (auto& unit : units) unit = Fixed<std::uint16_t>();
        return units;
    }
    static std::vector<std::uint32_t> Utf8Units(const std::string& bytes);

    // Printable ASCII in quotes, everything else as #code between the quoted runs.
    void Quote(const std::vector<std::uint32_t>& units)
    {
        if (units.empty()) {
            out_ += "''";
            return;
        }
        bool open = false;
        for (std::uint32_t unit : units) {
            bool plain = unit >= 32 && unit <= 126 && unit != '\'';
            if (plain != open) out_ += '\'';
            open = plain;
            if (plain) out_ += static_cast<char>(unit);
            else out_ += "#" + std::to_string(unit);
        }
        if (open) out_ += '\'';
    }

    static std::string SingleText(float value)
    {
        if (!std::isfinite(value)) return FloatSpecial(value);
        char text[64];
        auto r = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed);
        std::string fixed(text, r.ptr);
        std::size_t point = fixed.find('.');
        std::size_t decimals = point == std::string::npos ? 0 : fixed.size() - point - 1;
        if (std::fabs(value) < 1e15f && decimals <= kMaxDecimals && (value == 0 || std::fabs(value) >= 1e-4f)) {
            if (point == std::string::npos) fixed += '.';
            return fixed + std::string(kMaxDecimals - decimals, '0');
        }
        r = std::to_chars(text, text + sizeof text, value, std::chars_format::scientific);
        std::string s(text, r.ptr);
        std::size_t e = s.find('e');
        return s.substr(0, e) + "E" + std::to_string(std::stoi(s.substr(e + 1)));
    }

    static std::string CurrencyText(std::int64_t value)
    {
        bool negative = value < 0;
        auto magnitude = negative ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
        std::string fraction = std::to_string(magnitude % 10000);
        fraction.insert(0, 4 - fraction.size(), '0');
        return (negative ? "-" : "") + std::to_string(magnitude / 10000) + "." + fraction;
    }

    const std::string& in_;
    std::size_t pos_ = 0;
    std::string out_;
    int depth_ = 0;
};

std::vector<std::uint32_t> BinaryToText::Utf8Units(const std::string& bytes)
{
    // UTF-8 to UTF-16 code units; a byte that starts no valid sequence stands for itself.
    std::vector<std::uint32_t> units;
    for (std::size_t i = 0; i < bytes.size();) {
        auto b = static_cast<unsigned char>(bytes[i]);
        int extra = b >= 0xF0 && b < 0xF5 ? 3 : b >= 0xE0 && b < 0xF0 ? 2 : b >= 0xC2 && b < 0xE0 ? 1 : 0;
        std::uint32_t cp = extra == 3 ? b & 0x07u : extra == 2 ? b & 0x0Fu : b & 0x1Fu;
        bool valid = extra > 0;
        for (int k = 1; valid && k <= extra; ++k) {
            if (i + static_cast<std::size_t>(k) >= bytes.size()) { valid = false; break; }
            auto c = static_cast<unsigned char>(bytes[i + static_cast<std::size_t>(k)]);
            if ((c & 0xC0) != 0x80) valid = false;
            cp = (cp << 6) | (c & 0x3Fu);
        }
        if (valid && (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF) || (extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000)))
            valid = false;
        if (!valid) {
            units.push_back(b);
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            units.push_back(0xD800 + (cp >> 10));
            units.push_back(0xDC00 + (cp & 0x3FF));
        } else {
            units.push_back(cp);
        }
        i += static_cast<std::size_t>(extra) + 1;
    }
    return units;
}

// ---------------------------------------------------------------- text -> binary

class TextToBinary {
public:
    explicit TextToBinary(const std::string& text) : in_(text) {}

    std::string Convert()
    {
        out_.append(kFilerSignature, 4);
        SkipBlanks();
        ConvertObject();
        SkipBlanks();
        if (pos_ < in_.size()) Fail("text after the last 'end'");
        return std::move(out_);
    }

private:
    [[noreturn]] void Fail(const std::string& problem)
    {
        throw EParserError("Line " + std::to_string(line_) + ": " + problem);
    }
    void Enter()
    {
        if (++depth_ > kMaxStreamDepth) Fail("nesting deeper than " + std::to_string(kMaxStreamDepth) + " levels");
    }
    void SkipBlanks()
    {
        while (pos_ < in_.size()) {
            char c = in_[pos_];
            if (c == '\n') ++line_;
            else if (c != ' ' && c != '\t' && c != '\r') break;
            ++pos_;
        }
    }
    char Peek()
    {
        SkipBlanks();
        return pos_ < in_.size() ? in_[pos_] : '\0';
    }
    void Expect(char c)
    {
        if (Peek() != c) Fail(std::string("'") + c + "' expected");
        ++pos_;
    }
    static bool IdentStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
    static bool IdentChar(char c) { return IdentStart(c) || (c >= '0' && c <= '9') || c == '.'; }
    static bool Same(const std::string& a, const char* b)
    {
        if (a.size() != std::strlen(b)) return false;
        for (std::size_t i = 0; i < a.size(); ++i)
            if ((a[i] | 0x20) != (b[i] | 0x20)) return false;
        return true;
    }
    std::string Ident()
    {
        if (!IdentStart(Peek())) Fail("identifier expected");
        std::size_t start = pos_;
        while (pos_ < in_.size() && IdentChar(in_[pos_])) ++pos_;
        return in_.substr(start, pos_ - start);
    }
    // The identifier ahead and whether '=' follows it, without moving.
    std::string LookAhead(bool& assignment)
    {
        SkipBlanks();
        std::size_t savedPos = pos_;
        int savedLine = line_;
        std::string ident = IdentStart(Peek()) ? Ident() : std::string();
        assignment = Peek() == '=';
        pos_ = savedPos;
        line_ = savedLine;
        return ident;
    }
    void Byte(std::uint8_t b) { out_ += static_cast<char>(b); }
    template <class T>
    void Fixed(T value)
    {
        char bytes[sizeof(T)];
        std::memcpy(bytes, &value, sizeof(T));
        out_.append(bytes, sizeof(T));
    }
    void Str(const std::string& s)
    {
        if (s.size() > 255) Fail("name longer than 255 characters");
        Byte(static_cast<std::uint8_t>(s.size()));
        out_ += s;
    }
    void Integer(std::int64_t v)
    {
        if (v >= INT8_MIN && v <= INT8_MAX) { Byte(vaInt8); Fixed(static_cast<std::int8_t>(v)); }
        else if (v >= INT16_MIN && v <= INT16_MAX) { Byte(vaInt16); Fixed(static_cast<std::int16_t>(v)); }
        else if (v >= INT32_MIN && v <= INT32_MAX) { Byte(vaInt32); Fixed(static_cast<std::int32_t>(v)); }
        else { Byte(vaInt64); Fixed(v); }
    }

    void ConvertObject()
    {
        Enter();
        std::string keyword = Ident();
        std::uint8_t flags = Same(keyword, "inherited") ? ffInherited : Same(keyword, "inline") ? ffInline : 0;
        if (!flags && !Same(keyword, "object")) Fail("'object' expected");
        std::string first = Ident();
        std::string name, className = first;
        if (Peek() == ':') {
            ++pos_;
            name = first;
            className = Ident();
        }
        std::string position;
        std::int64_t index = 0;
        if (Peek() == '[') {
            ++pos_;
            index = ParseInteger();
            Expect(']');
            flags |= ffChildPos;
        }
        if (flags) Byte(0xF0 | flags);
        if (flags & ffChildPos) Integer(index);
        Str(className);
        Str(name);
        for (;;) {
            bool assignment = false;
            std::string ahead = LookAhead(assignment);
            if (ahead.empty()) Fail("property or 'end' expected");
            if (!assignment && IsObjectKeyword(ahead)) break;
            if (!assignment && Same(ahead, "end")) break;
            ConvertProperty();
        }
        Byte(vaNull);
        for (;;) {
            bool assignment = false;
            std::string ahead = LookAhead(assignment);
            if (!assignment && IsObjectKeyword(ahead)) {
                ConvertObject();
                continue;
            }
            if (Same(ahead, "end") && !assignment) break;
            Fail("'end' expected");
        }
        Ident();
        Byte(vaNull);
        --depth_;
    }
    static bool IsObjectKeyword(const std::string& s) { return Same(s, "object") || Same(s, "inherited") || Same(s, "inline"); }

    void ConvertProperty()
    {
        Str(Ident());
        Expect('=');
        ConvertValue();
    }

    std::int64_t ParseInteger()
    {
        SkipBlanks();
        std::size_t start = pos_;
        if (pos_ < in_.size() && (in_[pos_] == '-' || in_[pos_] == '+')) ++pos_;
        while (pos_ < in_.size() && in_[pos_] >= '0' && in_[pos_] <= '9') ++pos_;
        std::int64_t v = 0;
        const char* first = in_.data() + start + (in_[start] == '+' ? 1 : 0);
        auto r = std::from_chars(first, in_.data() + pos_, v);
        if (r.ec != std::errc() || r.ptr != in_.data() + pos_) Fail("integer expected");
        return v;
    }

    void ConvertValue()
    {
        char c = Peek();
        if (c == '\'' || c == '#') return ConvertString();
        if (c == '-' || c == '+' || (c >= '0' && c <= '9') || c == '$') return ConvertNumber();
        if (c == '[') return ConvertSet();
        if (c == '(') return ConvertList();
        if (c == '{') return ConvertBinary();
        if (c == '<') return ConvertCollection();
        if (!IdentStart(c)) Fail("value expected");
        std::string ident = Ident();
        if (Same(ident, "NAN") || Same(ident, "INF")) return WriteExtended(Same(ident, "NAN") ? std::nanl("") : HUGE_VALL);
        if (Same(ident, "True")) return Byte(vaTrue);
        if (Same(ident, "False")) return Byte(vaFalse);
        if (Same(ident, "nil")) return Byte(vaNil);
        Byte(vaIdent);
        Str(ident);
    }

    void WriteExtended(long double value)
    {
        unsigned char bytes[10];
        LongDoubleToExtended(value, bytes);
        Byte(vaExtended);
        out_.append(reinterpret_cast<const char*>(bytes), 10);
    }

    void ConvertNumber()
    {
        std::size_t start = pos_;
        if (in_[pos_] == '-' && pos_ + 1 < in_.size() && IdentStart(in_[pos_ + 1])) {
            ++pos_;
            if (!Same(Ident(), "INF")) Fail("number expected");
            return WriteExtended(-HUGE_VALL);
        }
        if (in_[pos_] == '$') {
            ++pos_;
            std::size_t digits = pos_;
            while (pos_ < in_.size() && std::isxdigit(static_cast<unsigned char>(in_[pos_]))) ++pos_;
            std::uint64_t v = 0;
            auto r = std::from_chars(in_.data() + digits, in_.data() + pos_, v, 16);
            if (r.ec != std::errc() || pos_ == digits) Fail("hexadecimal number expected");
            return Integer(static_cast<std::int64_t>(v));
        }
        if (in_[pos_] == '-' || in_[pos_] == '+') ++pos_;
        bool isFloat = false;
        auto digits = [&] {
            std::size_t from = pos_;
            while (pos_ < in_.size() && in_[pos_] >= '0' && in_[pos_] <= '9') ++pos_;
            return pos_ > from;
        };
        bool any = digits();
        if (pos_ < in_.size() && in_[pos_] == '.') {
            ++pos_;
            any = digits() || any;
            isFloat = true;
        }
        if (!any) Fail("number expected");
        if (pos_ < in_.size() && (in_[pos_] == 'e' || in_[pos_] == 'E')) {
            ++pos_;
            if (pos_ < in_.size() && (in_[pos_] == '-' || in_[pos_] == '+')) ++pos_;
            if (!digits()) Fail("exponent expected");
            isFloat = true;
        }
        std::string number = in_.substr(start, pos_ - start);
        char suffix = pos_ < in_.size() ? static_cast<char>(in_[pos_] | 0x20) : '\0';
        if (suffix == 's' || suffix == 'c' || suffix == 'd') {
            ++pos_;
            return FloatWithSuffix(number, suffix);
        }
        if (pos_ < in_.size() && IdentChar(in_[pos_])) Fail("invalid number");
        if (!isFloat) {
            std::int64_t v = 0;
            const char* first = number.data() + (number[0] == '+' ? 1 : 0);
            auto r = std::from_chars(first, number.data() + number.size(), v);
            if (r.ec != std::errc()) Fail("integer out of range");
            return Integer(v);
        }
        Extended(number);
    }

    // Up to 17 significant digits name a double (what our writer produces); more, the wider format.
    void Extended(const std::string& number)
    {
        long double value = 0;
        try {
            value = ParseStreamFloat(number);
        } catch (const EConvertError&) {
            Fail("number out of range: " + number);
        }
        WriteExtended(value);
    }

    void FloatWithSuffix(const std::string& number, char suffix)
    {
        const char* first = number.data() + (number[0] == '+' ? 1 : 0);
        const char* last = number.data() + number.size();
        if (suffix == 's') {
            float f = 0;
            auto r = std::from_chars(first, last, f);
            if (r.ec != std::errc()) Fail("number out of range: " + number);
            Byte(vaSingle);
            return Fixed(f);
        }
        if (suffix == 'd') {
            double d = 0;
            auto r = std::from_chars(first, last, d);
            if (r.ec != std::errc()) Fail("number out of range: " + number);
            Byte(vaDate);
            return Fixed(d);
        }
        Byte(vaCurrency);
        Fixed(CurrencyValue(number));
    }

    std::int64_t CurrencyValue(const std::string& number)
    {
        // Exact for up to four decimals; the value is stored times 10000.
        std::size_t point = number.find('.');
        std::string whole = number.substr(0, point);
        std::string fraction = point == std::string::npos ? "" : number.substr(point + 1);
        bool negative = !whole.empty() && whole[0] == '-';
        if (!whole.empty() && (whole[0] == '-' || whole[0] == '+')) whole.erase(0, 1);
        if (fraction.size() > 4 || number.find_first_of("eE") != std::string::npos) {
            long double v = 0;
            std::from_chars(number.data() + (number[0] == '+' ? 1 : 0), number.data() + number.size(), v);
            long double scaled = std::nearbyint(v * 10000.0L);
            if (!(std::fabs(scaled) < 9.2e18L)) Fail("currency value out of range");
            return static_cast<std::int64_t>(scaled);
        }
        fraction.append(4 - fraction.size(), '0');
        std::int64_t w = 0, f = 0;
        if (!whole.empty() && std::from_chars(whole.data(), whole.data() + whole.size(), w).ec != std::errc()) Fail("currency value out of range");
        std::from_chars(fraction.data(), fraction.data() + fraction.size(), f);
        if (w > (INT64_MAX - f) / 10000) Fail("currency value out of range");
        std::int64_t v = w * 10000 + f;
        return negative ? -v : v;
    }

    void ConvertString()
    {
        std::vector<std::uint32_t> units;
        for (;;) {
            StringPieces(units);
            std::size_t savedPos = pos_;
            int savedLine = line_;
            if (Peek() == '+') {
                ++pos_;
                char c = Peek();
                if (c == '\'' || c == '#') continue;
            }
            pos_ = savedPos;
            line_ = savedLine;
            break;
        }
        bool wide = false;
        for (std::uint32_t u : units) wide = wide || u > 255;
        if (wide) {
            Byte(vaWString);
            Fixed(static_cast<std::int32_t>(units.size()));
            for (std::uint32_t u : units) Fixed(static_cast<std::uint16_t>(u));
            return;
        }
        std::string bytes(units.begin(), units.end());
        if (bytes.size() <= 255) {
            Byte(vaString);
            Str(bytes);
        } else {
            Byte(vaLString);
            Fixed(static_cast<std::int32_t>(bytes.size()));
            out_ += bytes;
        }
    }

    // Adjacent 'quoted' runs and #codes.
    void StringPieces(std::vector<std::uint32_t>& units)
    {
        SkipBlanks();
        while (pos_ < in_.size()) {
            char c = in_[pos_];
            if (c == '\'') {
                ++pos_;
                for (;;) {
                    if (pos_ >= in_.size() || in_[pos_] == '\n' || in_[pos_] == '\r') Fail("unterminated string");
                    if (in_[pos_] == '\'') {
                        if (pos_ + 1 < in_.size() && in_[pos_ + 1] == '\'') {
                            units.push_back('\'');
                            pos_ += 2;
                            continue;
                        }
                        ++pos_;
                        break;
                    }
                    units.push_back(static_cast<unsigned char>(in_[pos_++]));
                }
            } else if (c == '#') {
                ++pos_;
                std::size_t start = pos_;
                int base = 10;
                if (pos_ < in_.size() && in_[pos_] == '$') {
                    base = 16;
                    start = ++pos_;
                }
                while (pos_ < in_.size() && std::isxdigit(static_cast<unsigned char>(in_[pos_]))) {
                    if (base == 10 && !(in_[pos_] >= '0' && in_[pos_] <= '9')) break;
                    ++pos_;
                }
                std::uint32_t code = 0;
                auto r = std::from_chars(in_.data() + start, in_.data() + pos_, code, base);
                if (r.ec != std::errc() || pos_ == start || code > 0xFFFF) Fail("invalid character code");
                units.push_back(code);
            } else {
                break;
            }
        }
    }

    void ConvertSet()
    {
        ++pos_;
        Byte(vaSet);
        if (Peek() != ']') {
            for (;;) {
                Str(Ident());
                if (Peek() != ',') break;
                ++pos_;
            }
        }
        Expect(']');
        Byte(0);
    }

    void ConvertList()
    {
        ++pos_;
        Enter();
        Byte(vaList);
        while (Peek() != ')') {
            if (pos_ >= in_.size()) Fail("')' expected");
            ConvertValue();
        }
        ++pos_;
        Byte(vaNull);
        --depth_;
    }

    void ConvertBinary()
    {
        ++pos_;
        std::string bytes;
        int nibbles = 0;
        unsigned value = 0;
        for (;;) {
            char c = Peek();
            if (c == '}') break;
            if (!std::isxdigit(static_cast<unsigned char>(c))) Fail("hexadecimal digit expected");
            ++pos_;
            value = (value << 4) | static_cast<unsigned>(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
            if (++nibbles % 2 == 0) {
                bytes += static_cast<char>(value);
                value = 0;
            }
        }
        if (nibbles % 2) Fail("odd number of hexadecimal digits");
        ++pos_;
        if (bytes.size() > INT32_MAX) Fail("binary value too large");
        Byte(vaBinary);
        Fixed(static_cast<std::int32_t>(bytes.size()));
        out_ += bytes;
    }

    void ConvertCollection()
    {
        ++pos_;
        Enter();
        Byte(vaCollection);
        while (Peek() != '>') {
            std::string item = IdentStart(Peek()) ? Ident() : std::string();
            if (!Same(item, "item")) Fail("'item' expected");
            if (Peek() == '[') {
                ++pos_;
                Integer(ParseInteger());
                Expect(']');
            }
            Byte(vaList);
            for (;;) {
                bool assignment = false;
                std::string ahead = LookAhead(assignment);
                if (ahead.empty()) Fail("property or 'end' expected");
                if (Same(ahead, "end") && !assignment) break;
                ConvertProperty();
            }
            Ident();
            Byte(vaNull);
        }
        ++pos_;
        Byte(vaNull);
        --depth_;
    }

    const std::string& in_;
    std::size_t pos_ = 0;
    int line_ = 1;
    std::string out_;
    int depth_ = 0;
};

std::string Remaining(TStream& source)
{
    std::string bytes(static_cast<std::size_t>(std::max<std::int64_t>(0, source.Size() - source.Position())), '\0');
    bytes.resize(static_cast<std::size_t>(source.Read(bytes.data(), static_cast<std::int64_t>(bytes.size()))));
    return bytes;
}

}  // namespace

void ObjectBinaryToText(TStream& source, TStream& target)
{
    std::int64_t start = source.Position();
    std::string bytes = Remaining(source);
    BinaryToText converter(bytes);
    std::string text = converter.Convert();
    source.SetPosition(start + static_cast<std::int64_t>(converter.Consumed()));
    target.WriteString(text);
}

void ObjectTextToBinary(TStream& source, TStream& target)
{
    std::string text = Remaining(source);
    TextToBinary converter(text);
    target.WriteString(converter.Convert());
}
