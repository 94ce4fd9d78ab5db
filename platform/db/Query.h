#pragma once
// A dataset on the result of a local SQL statement (see SqlEngine.h for the SQL it accepts).
// SQL holds the text as lines; `:name` marks a parameter, whose value comes from Params.
// Open runs a SELECT and keeps all its rows; ExecSQL runs any other statement (our DDL,
// INSERT, UPDATE, DELETE). Every run reads the table files afresh.
//
// With RequestLive, a SELECT over one table without DISTINCT, grouping or aggregates gives an
// editable result: Edit/Post, Insert and Delete write the table file at once; columns that are
// expressions stay read-only. Other statements give a read-only result, as the engine did.
#include <memory>
#include <string>
#include <vector>

#include "platform/core/StringList.h"
#include "platform/db/DataSet.h"
#include "platform/db/SqlEngine.h"

class TParam {
public:
    explicit TParam(std::string name) : name_(std::move(name)) {}
    const std::string& Name() const { return name_; }
    const Variant& Value() const { return value_; }
    void SetValue(const Variant& value) { value_ = value, bound_ = true; }
    TFieldType DataType() const;
    bool IsNull() const { return value_.IsNull(); }
    bool Bound() const { return bound_; }  // given a value (NULL too) since the text named it
    void Clear() { SetValue(Variant()); }

    void SetAsString(const std::string& value) { SetValue(Variant::String(value)); }
    void SetAsInteger(long long value) { SetValue(Variant::Integer(value)); }
    void SetAsFloat(double value) { SetValue(Variant::Float(value)); }
    void SetAsBoolean(bool value) { SetValue(Variant::Boolean(value)); }
    void SetAsDate(TDateTime value) { SetValue(Variant::Date(value)); }

private:
    std::string name_;
    Variant value_;
    bool bound_ = false;
};

class TParams {
public:
    int Count() const { return int(items_.size()); }
    TParam& Items(int index) const { return *items_.at(index); }
    TParam* FindParam(const std::string& name) const;  // ignores case
    TParam& ParamByName(const std::string& name) const;  // raises "Parameter '<name>' not found"
    void Rebuild(const std::vector<std::string>& names);

private:
    std::vector<std::unique_ptr<TParam>> items_;
};

class TQuery : public TDataSet {
public:
    TQuery() = default;
    ~TQuery() override;
    std::string ClassName() const override { return "TQuery"; }

    const std::string& DatabaseName() const { return databaseName_; }
    void SetDatabaseName(const std::string& name);
    TStringList& SQL() { return sql_; }
    TParams& Params();  // the parameters the SQL text names (read again after the text changed)
    TParam& ParamByName(const std::string& name) { return Params().ParamByName(name); }
    bool RequestLive = false;

    void Prepare();  // checks the statement: syntax errors and unknown tables raise here
    void UnPrepare();
    bool Prepared() const { return statement_ != nullptr; }
    void ExecSQL();
    int RowsAffected() const { return rowsAffected_; }
    bool CanModify() const override { return Active() && writable_; }

protected:
    void InternalOpen() override;
    void InternalClose() override;
    void InternalInitFieldDefs() override;
    int InternalRecordCount() const override { return int(result_.Rows.size()); }
    void InternalLoadRecord(int position) override { current_ = position; }
    void InternalInitRecord() override;
    void InternalEdit() override;
    int InternalPost(bool inserting) override;
    void InternalDelete(int position) override;
    void InternalRefresh() override;
    TBookmark InternalBookmark(int position) const override { return ids_[position]; }
    int InternalBookmarkPosition(TBookmark bookmark) const override;
    Variant GetFieldData(const TField& field) const override;
    void SetFieldData(const TField& field, const Variant& value) override;

private:
    std::string SqlText() const;
    TSqlParamValues ParamValues();
    void PrepareText();
    void PrepareFresh();
    void Fetch();
    void DefineFields(const std::vector<TSqlColumn>& columns);
    std::vector<Variant> ReadBack(long long recordIndex, const std::vector<Variant>& buffer);
    bool Editing() const { return State() == dsEdit || State() == dsInsert; }

    std::string databaseName_;
    TStringList sql_;
    TParams params_;
    std::string paramsText_;
    std::unique_ptr<TSqlEngine> engine_;
    std::unique_ptr<TSqlStatement> statement_;
    std::string preparedText_;
    bool preparedLive_ = false;
    bool executed_ = false;  // the prepared statement ran; the next run prepares afresh
    int rowsAffected_ = 0;

    TSqlResult result_;
    std::vector<TBookmark> ids_;  // per row: its record index (editable results) or its first position
    bool writable_ = false;
    int current_ = -1;
    std::vector<Variant> buffer_;  // the edit buffer
    std::vector<bool> changed_;
};
