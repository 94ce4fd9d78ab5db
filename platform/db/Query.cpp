#include "platform/db/Query.h"

#include <unistd.h>

#include <algorithm>

#include "platform/db/Database.h"
#include "platform/db/DbError.h"

// ---- parameters

TFieldType TParam::DataType() const
{
    switch (value_.Type()) {
    case TVarType::Integer: return ftInteger;
    case TVarType::Float: return ftFloat;
    case TVarType::Boolean: return ftBoolean;
    case TVarType::String: return ftString;
    case TVarType::Date: return ftDate;
    default: return ftUnknown;
    }
}

TParam* TParams::FindParam(const std::string& name) const
{
    for (const auto& item : items_)
        if (SameText(item->Name(), name)) return item.get();
    return nullptr;
}

TParam& TParams::ParamByName(const std::string& name) const
{
    if (TParam* param = FindParam(name)) return *param;
    DatabaseError("Parameter '" + name + "' not found");
}

void TParams::Rebuild(const std::vector<std::string>& names)
{
    items_.clear();
    for (const std::string& name : names)
        if (!FindParam(name)) items_.push_back(std::make_unique<TParam>(name));
}

// ---- the query

TQuery::~TQuery() { CloseDestroying(); }

void TQuery::SetDatabaseName(const std::string& name)
{
    CheckInactive();
    databaseName_ = name;
    UnPrepare();
}

std::string TQuery::SqlText() const
{
    std::string text;
    for (int i = 0; i < sql_.Count(); ++i) text += sql_[i] + "\n";
    return text;
}

TParams& TQuery::Params()
{
    const std::string text = SqlText();
    if (text == paramsText_) return params_;
    paramsText_ = text;
    try {
        params_.Rebuild(SqlParameterNames(TokenizeSql(text)));
    } catch (const EDatabaseError&) {
        params_.Rebuild({});  // the text is no statement; Prepare reports why
    }
    return params_;
}

TSqlParamValues TQuery::ParamValues()
{
    TSqlParamValues values;
    const TParams& params = Params();
    for (int i = 0; i < params.Count(); ++i)
        if (params.Items(i).Bound()) values.emplace_back(params.Items(i).Name(), params.Items(i).Value());
    return values;
}

void TQuery::Prepare()
{
    if (!Active()) PrepareText();  // an open result keeps the statement (and engine) it came from
}

void TQuery::PrepareText()
{
    const std::string text = SqlText();
    if (statement_ && !executed_ && text == preparedText_ && preparedLive_ == RequestLive) return;
    UnPrepare();
    auto engine = std::make_unique<TSqlEngine>(Session().DatabasePath(databaseName_));
    statement_ = engine->Prepare(text, RequestLive);
    engine_ = std::move(engine);
    preparedText_ = text;
    preparedLive_ = RequestLive;
    executed_ = false;
}

void TQuery::UnPrepare()
{
    statement_.reset();
    if (!Active()) engine_.reset();
    executed_ = false;
}

// A run reads the files as they are now, so an executed statement is prepared again.
void TQuery::PrepareFresh()
{
    if (executed_) UnPrepare();
    PrepareText();
    executed_ = true;
}

void TQuery::ExecSQL()
{
    CheckInactive();
    PrepareFresh();
    rowsAffected_ = statement_->Execute(ParamValues());
}

void TQuery::Fetch()
{
    PrepareFresh();
    result_ = statement_->Fetch(ParamValues());
    const bool live = !result_.LiveTable.empty();
    ids_.clear();
    for (size_t i = 0; i < result_.Rows.size(); ++i) ids_.push_back(live ? result_.RecordIndexes[i] : TBookmark(i));
    const std::string path = live ? engine_->ResolveTable(result_.LiveTable) : "";
    writable_ = live && ::access(path.c_str(), W_OK) == 0;
}

void TQuery::DefineFields(const std::vector<TSqlColumn>& columns)
{
    FieldDefs().Clear();
    for (const TSqlColumn& column : columns) {
        std::string name = column.Name;
        for (int n = 1; FieldDefs().IndexOf(name) >= 0; ++n) name = column.Name + "_" + std::to_string(n);
        TFieldDef& def = FieldDefs().Add(name, column.DataType == ftUnknown ? ftString : column.DataType, column.Size);
        def.Precision = column.Precision;
    }
}

void TQuery::InternalOpen()
{
    Fetch();
    DefineFields(result_.Columns);
    current_ = -1;
}

void TQuery::InternalClose()
{
    result_ = TSqlResult();
    ids_.clear();
    buffer_.clear();
    writable_ = false;
    current_ = -1;
}

void TQuery::InternalInitFieldDefs()
{
    PrepareText();
    DefineFields(statement_->Columns());
}

void TQuery::InternalRefresh()
{
    Fetch();
    current_ = -1;
}

void TQuery::InternalInitRecord()
{
    buffer_.assign(result_.Columns.size(), Variant());
    changed_.assign(result_.Columns.size(), false);
}

void TQuery::InternalEdit()
{
    buffer_ = result_.Rows[current_];
    changed_.assign(result_.Columns.size(), false);
}

// The row as the table holds it after a write (widths, decimals); expressions keep the buffer's.
std::vector<Variant> TQuery::ReadBack(long long recordIndex, const std::vector<Variant>& buffer)
{
    std::vector<std::string> fields;
    for (const TSqlColumn& column : result_.Columns)
        if (!column.OriginField.empty()) fields.push_back(column.OriginField);
    const std::vector<Variant> stored = engine_->ReadRecord(result_.LiveTable, recordIndex, fields);
    std::vector<Variant> row = buffer;
    for (size_t c = 0, f = 0; c < row.size() && f < stored.size(); ++c)
        if (!result_.Columns[c].OriginField.empty()) row[c] = stored[f++];
    return row;
}

int TQuery::InternalPost(bool inserting)
{
    std::vector<std::string> fields;
    std::vector<Variant> values;
    for (size_t c = 0; c < buffer_.size(); ++c)
        if (changed_[c]) fields.push_back(result_.Columns[c].OriginField), values.push_back(buffer_[c]);
    if (inserting) {
        const long long index = engine_->InsertRecord(result_.LiveTable, fields, values);
        result_.Rows.push_back(ReadBack(index, buffer_));
        result_.RecordIndexes.push_back(index);
        ids_.push_back(index);
        return int(result_.Rows.size()) - 1;
    }
    const long long index = result_.RecordIndexes[current_];
    engine_->UpdateRecord(result_.LiveTable, index, fields, values);
    result_.Rows[current_] = ReadBack(index, buffer_);
    return current_;
}

void TQuery::InternalDelete(int position)
{
    engine_->DeleteRecord(result_.LiveTable, result_.RecordIndexes[position]);
    result_.Rows.erase(result_.Rows.begin() + position);
    result_.RecordIndexes.erase(result_.RecordIndexes.begin() + position);
    ids_.erase(ids_.begin() + position);
}

int TQuery::InternalBookmarkPosition(TBookmark bookmark) const
{
    const auto found = std::find(ids_.begin(), ids_.end(), bookmark);
    return found == ids_.end() ? -1 : int(found - ids_.begin());
}

Variant TQuery::GetFieldData(const TField& field) const
{
    const int column = field.FieldNo() - 1;
    if (Editing()) return buffer_[column];
    if (current_ < 0) return Variant();
    return result_.Rows[current_][column];
}

void TQuery::SetFieldData(const TField& field, const Variant& value)
{
    const int column = field.FieldNo() - 1;
    if (result_.Columns[column].OriginField.empty()) DatabaseError("Field '" + field.FieldName() + "' cannot be modified");
    buffer_[column] = value;
    changed_[column] = true;
}
