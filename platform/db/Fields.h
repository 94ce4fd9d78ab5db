#pragma once
// Field definitions and field objects of a dataset. A field reads and writes its value through
// its dataset's current record; text values use the program-wide locale settings.
#include <memory>
#include <string>
#include <vector>

#include "platform/core/DateTime.h"
#include "platform/db/Variants.h"

class TDataSet;
class TStringList;

// The class library's numbering; callers compare ranges of it (1..14 plain types and so on).
enum TFieldType {
    ftUnknown, ftString, ftSmallint, ftInteger, ftWord, ftBoolean, ftFloat, ftCurrency, ftBCD,
    ftDate, ftTime, ftDateTime, ftBytes, ftVarBytes, ftAutoInc, ftBlob, ftMemo, ftGraphic,
    ftFmtMemo, ftParadoxOle, ftDBaseOle, ftTypedBinary, ftCursor, ftFixedChar, ftWideString,
    ftLargeint, ftADT, ftArray, ftReference, ftDataSet
};

enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };

// Size is the length for strings and the number of decimals for numbers; Precision is the
// total width of a number (a NUMERIC(8,2) column: Size 2, Precision 8).
struct TFieldDef {
    std::string Name;
    TFieldType DataType = ftUnknown;
    int Size = 0;
    int Precision = 0;
    bool Required = false;
    int FieldNo = 0;  // 1-based
};

class TFieldDefs {
public:
    explicit TFieldDefs(TDataSet* dataSet) : dataSet_(dataSet) {}
    int Count() const { return int(items_.size()); }
    const TFieldDef& Items(int index) const;
    TFieldDef& Add(const std::string& name, TFieldType type, int size = 0, bool required = false);
    int IndexOf(const std::string& name) const;  // ignores case
    void Clear() { items_.clear(); }
    void Update();  // reads the definitions from the dataset's source, open or not

private:
    TDataSet* dataSet_;
    std::vector<TFieldDef> items_;
};

class TField {
public:
    TField(TDataSet* dataSet, const TFieldDef& def);
    virtual ~TField() = default;
    TField(const TField&) = delete;
    TField& operator=(const TField&) = delete;

    const std::string& FieldName() const { return def_.Name; }
    TFieldType DataType() const { return def_.DataType; }
    int Size() const { return def_.Size; }
    int Precision() const { return def_.Precision; }
    int FieldNo() const { return def_.FieldNo; }
    TFieldKind FieldKind() const { return fkData; }
    TDataSet* DataSet() const { return dataSet_; }
    bool IsBlob() const { return def_.DataType == ftMemo || def_.DataType == ftBlob; }

    bool IsNull() const;
    void Clear();
    Variant Value() const;
    void SetValue(const Variant& value);

    // A null value reads as "" / 0 / false; a value the field cannot give or take raises.
    std::string AsString() const;
    void SetAsString(const std::string& text);  // "" clears the field
    int AsInteger() const;
    void SetAsInteger(int value);
    double AsFloat() const;
    void SetAsFloat(double value);
    bool AsBoolean() const;
    void SetAsBoolean(bool value);
    TDateTime AsDateTime() const;
    void SetAsDateTime(TDateTime value);
    std::string Text() const { return AsString(); }
    void SetText(const std::string& text) { SetAsString(text); }
    virtual std::string DisplayText() const { return AsString(); }

    // The value converted to what this field stores; raises when it cannot be converted.
    virtual Variant Convert(const Variant& value) const = 0;

protected:
    virtual std::string ToText(const Variant& stored) const = 0;
    [[noreturn]] void AccessError(const std::string& typeName) const;

private:
    TDataSet* dataSet_;
    TFieldDef def_;
};

class TStringField : public TField {
public:
    using TField::TField;
    Variant Convert(const Variant& value) const override;

protected:
    std::string ToText(const Variant& stored) const override;
};

class TFloatField : public TField {
public:
    using TField::TField;
    Variant Convert(const Variant& value) const override;

protected:
    std::string ToText(const Variant& stored) const override;
};

class TIntegerField : public TField {
public:
    using TField::TField;
    Variant Convert(const Variant& value) const override;

protected:
    std::string ToText(const Variant& stored) const override;
};

class TBooleanField : public TField {
public:
    using TField::TField;
    Variant Convert(const Variant& value) const override;

protected:
    std::string ToText(const Variant& stored) const override;
};

// Dates (a date field keeps whole days) and date-times.
class TDateField : public TField {
public:
    using TField::TField;
    Variant Convert(const Variant& value) const override;

protected:
    std::string ToText(const Variant& stored) const override;

private:
    Variant Stored(TDateTime value) const;
};

// Memo text; the grid shows "(MEMO)" or "(memo)" instead of the text.
class TMemoField : public TStringField {
public:
    using TStringField::TStringField;
    Variant Convert(const Variant& value) const override;
    std::string DisplayText() const override;
};

// The field objects of an open dataset, in field order.
class TFields {
public:
    int Count() const { return int(items_.size()); }
    TField& Fields(int index) const;
    TField* FindField(const std::string& name) const;  // ignores case
    TField& FieldByName(const std::string& name) const;  // raises "Field '<name>' not found"
    void GetFieldNames(TStringList& list) const;
    void Create(TDataSet* dataSet, const TFieldDefs& defs);
    void Clear() { items_.clear(); }

private:
    std::vector<std::unique_ptr<TField>> items_;
};
