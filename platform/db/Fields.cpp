#include "platform/db/Fields.h"

#include <cmath>
#include <strings.h>

#include "platform/core/NumText.h"
#include "platform/core/StringList.h"
#include "platform/db/DataSet.h"
#include "platform/db/DbError.h"

namespace {

const char* kTrueText = "True";
const char* kFalseText = "False";

// Cuts UTF-8 text to `count` characters: a table stores one byte per character.
std::string CutToCharacters(const std::string& text, int count)
{
    size_t pos = 0;
    for (int n = 0; pos < text.size() && n < count; ++n) {
        ++pos;
        while (pos < text.size() && (static_cast<unsigned char>(text[pos]) & 0xC0) == 0x80) ++pos;
    }
    return text.substr(0, pos);
}

std::string TrimRightBlanks(std::string text)
{
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

// True or false for a text: a prefix of "True"/"False" in any case, as the boolean field accepts.
bool ParseBoolean(const std::string& text, bool& value)
{
    const std::string trimmed = Trim(text);
    if (trimmed.empty()) return false;
    if (strncasecmp(trimmed.c_str(), kTrueText, trimmed.size()) == 0 && trimmed.size() <= 4) return value = true, true;
    if (strncasecmp(trimmed.c_str(), kFalseText, trimmed.size()) == 0 && trimmed.size() <= 5) return value = false, true;
    return false;
}

std::string VariantText(const Variant& value)
{
    switch (value.Type()) {
    case TVarType::Null: return "";
    case TVarType::String: return value.StringValue();
    case TVarType::Integer: return IntToStr(value.IntegerValue());
    case TVarType::Float: return FloatToStr(value.FloatValue());
    case TVarType::Boolean: return value.BooleanValue() ? "T" : "F";
    case TVarType::Date: return DateTimeToStr(value.FloatValue());
    }
    return "";
}

}  // namespace

// ---- TFieldDefs

const TFieldDef& TFieldDefs::Items(int index) const
{
    if (index < 0 || index >= Count()) DatabaseError("Field definition index out of range");
    return items_[index];
}

TFieldDef& TFieldDefs::Add(const std::string& name, TFieldType type, int size, bool required)
{
    if (IndexOf(name) >= 0) DatabaseError("Duplicate field name '" + name + "'");
    TFieldDef def;
    def.Name = name;
    def.DataType = type;
    def.Size = size;
    def.Required = required;
    def.FieldNo = Count() + 1;
    items_.push_back(def);
    return items_.back();
}

int TFieldDefs::IndexOf(const std::string& name) const
{
    for (int i = 0; i < Count(); ++i)
        if (strcasecmp(items_[i].Name.c_str(), name.c_str()) == 0) return i;
    return -1;
}

void TFieldDefs::Update()
{
    if (dataSet_) dataSet_->UpdateFieldDefs();
}

// ---- TField

TField::TField(TDataSet* dataSet, const TFieldDef& def) : dataSet_(dataSet), def_(def) {}

void TField::AccessError(const std::string& typeName) const
{
    DatabaseError("Cannot access field '" + FieldName() + "' as type " + typeName);
}

Variant TField::Value() const { return dataSet_->GetFieldData(*this); }
bool TField::IsNull() const { return Value().IsNull(); }
void TField::Clear() { dataSet_->SetFieldValue(*this, Variant()); }
void TField::SetValue(const Variant& value) { dataSet_->SetFieldValue(*this, Convert(value)); }

std::string TField::AsString() const
{
    const Variant v = Value();
    return v.IsNull() ? std::string() : ToText(v);
}

void TField::SetAsString(const std::string& text)
{
    SetValue(text.empty() ? Variant() : Variant::String(text));
}

int TField::AsInteger() const
{
    const Variant v = Value();
    switch (v.Type()) {
    case TVarType::Null: return 0;
    case TVarType::Integer: return int(v.IntegerValue());
    case TVarType::Float: {
        const double rounded = std::nearbyint(v.FloatValue());
        if (rounded < -2147483648.0 || rounded > 2147483647.0)
            DatabaseError("Value of field '" + FieldName() + "' is out of the integer range");
        return int(rounded);
    }
    case TVarType::String: return StrToInt(v.StringValue());
    default: AccessError("Integer");
    }
}

double TField::AsFloat() const
{
    const Variant v = Value();
    switch (v.Type()) {
    case TVarType::Null: return 0;
    case TVarType::Integer:
    case TVarType::Float:
    case TVarType::Date: return v.FloatValue();
    case TVarType::String: return StrToFloat(v.StringValue());
    default: AccessError("Float");
    }
}

bool TField::AsBoolean() const
{
    const Variant v = Value();
    switch (v.Type()) {
    case TVarType::Null: return false;
    case TVarType::Boolean: return v.BooleanValue();
    case TVarType::String: {
        const char c = v.StringValue().empty() ? ' ' : v.StringValue()[0];
        if (c == 'T' || c == 't' || c == 'Y' || c == 'y') return true;
        if (c == 'F' || c == 'f' || c == 'N' || c == 'n') return false;
        DatabaseError("'" + v.StringValue() + "' is not a valid boolean value for field '" + FieldName() + "'");
    }
    default: AccessError("Boolean");
    }
}

TDateTime TField::AsDateTime() const
{
    const Variant v = Value();
    switch (v.Type()) {
    case TVarType::Null: return 0;
    case TVarType::Date: return v.FloatValue();
    case TVarType::String: return StrToDateTime(v.StringValue());
    default: AccessError("DateTime");
    }
}

void TField::SetAsInteger(int value) { SetValue(Variant::Integer(value)); }
void TField::SetAsFloat(double value) { SetValue(Variant::Float(value)); }
void TField::SetAsBoolean(bool value) { SetValue(Variant::Boolean(value)); }
void TField::SetAsDateTime(TDateTime value) { SetValue(Variant::Date(value)); }

// ---- kinds

std::string TStringField::ToText(const Variant& stored) const { return VariantText(stored); }

Variant TStringField::Convert(const Variant& value) const
{
    if (value.IsNull()) return value;
    std::string text = TrimRightBlanks(VariantText(value));
    if (Size() > 0) text = CutToCharacters(text, Size());
    return text.empty() ? Variant() : Variant::String(text);
}

std::string TFloatField::ToText(const Variant& stored) const { return FloatToStr(stored.FloatValue()); }

Variant TFloatField::Convert(const Variant& value) const
{
    switch (value.Type()) {
    case TVarType::Null: return value;
    case TVarType::Integer:
    case TVarType::Float: return Variant::Float(value.FloatValue());
    case TVarType::String: {
        const std::string text = Trim(value.StringValue());
        return text.empty() ? Variant() : Variant::Float(StrToFloat(text));
    }
    case TVarType::Boolean: AccessError("Boolean");
    default: AccessError("DateTime");
    }
}

std::string TIntegerField::ToText(const Variant& stored) const { return IntToStr(stored.IntegerValue()); }

Variant TIntegerField::Convert(const Variant& value) const
{
    switch (value.Type()) {
    case TVarType::Null: return value;
    case TVarType::Integer: return value;
    case TVarType::Float: return Variant::Integer(std::llround(value.FloatValue()));
    case TVarType::String: {
        const std::string text = Trim(value.StringValue());
        return text.empty() ? Variant() : Variant::Integer(StrToInt(text));
    }
    case TVarType::Boolean: AccessError("Boolean");
    default: AccessError("DateTime");
    }
}

std::string TBooleanField::ToText(const Variant& stored) const { return stored.BooleanValue() ? kTrueText : kFalseText; }

Variant TBooleanField::Convert(const Variant& value) const
{
    switch (value.Type()) {
    case TVarType::Null:
    case TVarType::Boolean: return value;
    case TVarType::String: {
        if (Trim(value.StringValue()).empty()) return Variant();
        bool parsed = false;
        if (!ParseBoolean(value.StringValue(), parsed))
            DatabaseError("'" + value.StringValue() + "' is not a valid boolean value for field '" + FieldName() + "'");
        return Variant::Boolean(parsed);
    }
    case TVarType::Integer: AccessError("Integer");
    case TVarType::Float: AccessError("Float");
    default: AccessError("DateTime");
    }
}

std::string TDateField::ToText(const Variant& stored) const
{
    return DataType() == ftDate ? DateToStr(stored.FloatValue()) : DateTimeToStr(stored.FloatValue());
}

Variant TDateField::Stored(TDateTime value) const
{
    return Variant::Date(DataType() == ftDate ? std::floor(value) : value);
}

Variant TDateField::Convert(const Variant& value) const
{
    switch (value.Type()) {
    case TVarType::Null: return value;
    case TVarType::Integer:
    case TVarType::Float:
    case TVarType::Date: return Stored(value.FloatValue());
    case TVarType::String: {
        const std::string text = Trim(value.StringValue());
        if (text.empty()) return Variant();
        if (DataType() != ftDate) return Stored(StrToDateTime(text));
        // The user learns how to write it: the short date format of the locale decides.
        TDateTime parsed = 0;
        if (!TryStrToDate(text, parsed))
            throw EConvertError("'" + text + "' is not a valid date for field '" + FieldName() + "'; write it as " +
                                DateInputHint());
        return Stored(parsed);
    }
    default: AccessError("Boolean");
    }
}

Variant TMemoField::Convert(const Variant& value) const
{
    if (value.IsNull()) return value;
    const std::string text = VariantText(value);
    return text.empty() ? Variant() : Variant::String(text);
}

std::string TMemoField::DisplayText() const { return IsNull() ? "(memo)" : "(MEMO)"; }

// ---- TFields

TField& TFields::Fields(int index) const
{
    if (index < 0 || index >= Count()) DatabaseError("Field index out of range");
    return *items_[index];
}

TField* TFields::FindField(const std::string& name) const
{
    for (const auto& field : items_)
        if (strcasecmp(field->FieldName().c_str(), name.c_str()) == 0) return field.get();
    return nullptr;
}

TField& TFields::FieldByName(const std::string& name) const
{
    TField* field = FindField(name);
    if (!field) DatabaseError("Field '" + name + "' not found");
    return *field;
}

void TFields::GetFieldNames(TStringList& list) const
{
    list.Clear();
    for (const auto& field : items_) list.Add(field->FieldName());
}

namespace {

std::unique_ptr<TField> MakeField(TDataSet* dataSet, const TFieldDef& def)
{
    switch (def.DataType) {
    case ftString:
    case ftFixedChar:
    case ftWideString: return std::make_unique<TStringField>(dataSet, def);
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint: return std::make_unique<TIntegerField>(dataSet, def);
    case ftFloat:
    case ftCurrency:
    case ftBCD: return std::make_unique<TFloatField>(dataSet, def);
    case ftBoolean: return std::make_unique<TBooleanField>(dataSet, def);
    case ftDate:
    case ftDateTime: return std::make_unique<TDateField>(dataSet, def);
    case ftMemo:
    case ftFmtMemo:
    case ftBlob: return std::make_unique<TMemoField>(dataSet, def);
    default: DatabaseError("Field '" + def.Name + "' has a type the database layer cannot show");
    }
}

}  // namespace

void TFields::Create(TDataSet* dataSet, const TFieldDefs& defs)
{
    items_.clear();
    for (int i = 0; i < defs.Count(); ++i) items_.push_back(MakeField(dataSet, defs.Items(i)));
}
