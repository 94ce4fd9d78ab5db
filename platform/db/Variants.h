#pragma once
// A field value as the datasets pass it around: null or one typed value.
// Dates are TDateTime (days since 1899-12-30) tagged as dates, so they stay apart from numbers.
#include <string>
#include <utility>

enum class TVarType { Null, Integer, Float, Boolean, String, Date };

class Variant {
public:
    Variant() = default;
    static Variant Integer(long long value) { Variant v(TVarType::Integer); v.int_ = value; return v; }
    static Variant Float(double value) { Variant v(TVarType::Float); v.float_ = value; return v; }
    static Variant Boolean(bool value) { Variant v(TVarType::Boolean); v.int_ = value; return v; }
    static Variant String(std::string value) { Variant v(TVarType::String); v.text_ = std::move(value); return v; }
    static Variant Date(double value) { Variant v(TVarType::Date); v.float_ = value; return v; }

    TVarType Type() const { return type_; }
    bool IsNull() const { return type_ == TVarType::Null; }
    long long IntegerValue() const { return int_; }
    double FloatValue() const { return type_ == TVarType::Integer || type_ == TVarType::Boolean ? double(int_) : float_; }
    bool BooleanValue() const { return int_ != 0; }
    const std::string& StringValue() const { return text_; }

    bool operator==(const Variant& other) const;

private:
    explicit Variant(TVarType type) : type_(type) {}
    TVarType type_ = TVarType::Null;
    long long int_ = 0;
    double float_ = 0;
    std::string text_;
};

inline bool Variant::operator==(const Variant& other) const
{
    if (type_ != other.type_) return false;
    switch (type_) {
    case TVarType::Null: return true;
    case TVarType::String: return text_ == other.text_;
    case TVarType::Float:
    case TVarType::Date: return float_ == other.float_;
    default: return int_ == other.int_;
    }
}
