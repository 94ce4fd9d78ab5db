#include "platform/db/Odbc.h"

#include <dlfcn.h>
#include <sql.h>
#include <sqlext.h>
#include <odbcinst.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/core/DateTime.h"
#include "platform/core/StringList.h"
#include "platform/db/Database.h"
#include "platform/db/DbError.h"

namespace fs = std::filesystem;

namespace {

SQLCHAR* Text(const std::string& text) { return reinterpret_cast<SQLCHAR*>(const_cast<char*>(text.c_str())); }

std::string Diagnostics(SQLSMALLINT type, SQLHANDLE handle)
{
    std::string text;
    SQLCHAR state[6];
    SQLCHAR message[1024];
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    for (SQLSMALLINT i = 1; SQLGetDiagRec(type, handle, i, state, &native, message, sizeof message, &length) == SQL_SUCCESS; ++i)
        text += (text.empty() ? "" : "; ") + std::string(reinterpret_cast<char*>(message));
    return text.empty() ? "no details from the driver" : text;
}

void Check(SQLRETURN result, SQLSMALLINT type, SQLHANDLE handle, const std::string& what)
{
    if (result == SQL_NO_DATA || SQL_SUCCEEDED(result)) return;
    DatabaseError(what + ": " + Diagnostics(type, handle));
}

TFieldType FieldTypeOf(SQLSMALLINT sqlType)
{
    switch (sqlType) {
    case SQL_LONGVARCHAR:
    case SQL_WLONGVARCHAR: return ftMemo;
    case SQL_TINYINT:
    case SQL_SMALLINT: return ftSmallint;
    case SQL_INTEGER: return ftInteger;
    case SQL_BIGINT: return ftLargeint;
    case SQL_BIT: return ftBoolean;
    case SQL_REAL:
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_NUMERIC:
    case SQL_DECIMAL: return ftFloat;
    case SQL_TYPE_DATE:
    case SQL_DATE: return ftDate;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
    case SQL_TYPE_TIME:
    case SQL_TIME: return ftDateTime;
    case SQL_BINARY:
    case SQL_VARBINARY:
    case SQL_LONGVARBINARY: return ftBlob;
    default: return ftString;
    }
}

TOdbcColumn MakeColumn(std::string name, SQLSMALLINT sqlType, SQLULEN size, SQLSMALLINT digits)
{
    TOdbcColumn column{std::move(name), FieldTypeOf(sqlType), 0, 0};
    if (column.DataType == ftString) column.Size = int(std::clamp<SQLULEN>(size, 1, 8000));
    if (column.DataType == ftFloat) column.Size = digits, column.Precision = int(size);
    return column;
}

TDateTime FromTimestamp(const SQL_TIMESTAMP_STRUCT& ts)
{
    TDateTime date = 0;
    if (!TryEncodeDate(ts.year, ts.month, ts.day, date)) date = 0;
    return date + EncodeTime(ts.hour, ts.minute, ts.second, int(ts.fraction / 1000000));
}

SQL_TIMESTAMP_STRUCT ToTimestamp(TDateTime value)
{
    int year, month, day, hour, minute, second, msec;
    DecodeDateTime(value, year, month, day, hour, minute, second, msec);
    return SQL_TIMESTAMP_STRUCT{SQLSMALLINT(year), SQLUSMALLINT(month), SQLUSMALLINT(day), SQLUSMALLINT(hour),
                                SQLUSMALLINT(minute), SQLUSMALLINT(second), SQLUINTEGER(msec) * 1000000u};
}

// A parameter's value kept alive from binding to execution.
struct TBoundParam {
    SQLLEN indicator = 0;
    long long integer = 0;
    double number = 0;
    SQL_TIMESTAMP_STRUCT timestamp{};
    std::string text;
};

std::vector<std::string> SplitNames(const std::string& names)
{
    TStringList list;
    list.Delimiter = ';';
    list.StrictDelimiter = true;
    list.SetDelimitedText(names);
    std::vector<std::string> result;
    for (int i = 0; i < list.Count(); ++i)
        if (!Trim(list[i]).empty()) result.push_back(Trim(list[i]));
    return result;
}

}  // namespace

// ---- statements

class TOdbcConnection::TStatement {
public:
    TStatement(TOdbcConnection& connection, const std::string& sql) : sql_(sql)
    {
        ::Check(SQLAllocHandle(SQL_HANDLE_STMT, connection.connection_, &handle_), SQL_HANDLE_DBC,
              connection.connection_, "Cannot create an ODBC statement");
        if (!sql.empty()) Check(SQLPrepare(handle_, Text(sql), SQL_NTS), "Cannot prepare '" + sql + "'");
    }
    ~TStatement() { SQLFreeHandle(SQL_HANDLE_STMT, handle_); }
    TStatement(const TStatement&) = delete;
    TStatement& operator=(const TStatement&) = delete;

    SQLHSTMT Handle() const { return handle_; }

    void Check(SQLRETURN result, const std::string& what) const { ::Check(result, SQL_HANDLE_STMT, handle_, what); }

    void Execute(const std::vector<Variant>& params)
    {
        SQLFreeStmt(handle_, SQL_CLOSE);
        SQLFreeStmt(handle_, SQL_RESET_PARAMS);
        std::vector<TBoundParam> bound(params.size());
        for (size_t i = 0; i < params.size(); ++i) Bind(SQLUSMALLINT(i + 1), params[i], bound[i]);
        Check(SQLExecute(handle_), "Cannot run '" + sql_ + "'");
    }

    long long RowCount() const
    {
        SQLLEN count = -1;
        return SQL_SUCCEEDED(SQLRowCount(handle_, &count)) ? count : -1;
    }

    std::vector<TOdbcColumn> DescribeColumns() const
    {
        SQLSMALLINT count = 0;
        Check(SQLNumResultCols(handle_, &count), "Cannot read the columns of '" + sql_ + "'");
        std::vector<TOdbcColumn> columns;
        for (SQLUSMALLINT c = 1; c <= count; ++c) {
            SQLCHAR name[256];
            SQLSMALLINT nameLength = 0, sqlType = 0, digits = 0, nullable = 0;
            SQLULEN size = 0;
            Check(SQLDescribeCol(handle_, c, name, sizeof name, &nameLength, &sqlType, &size, &digits, &nullable),
                  "Cannot read the columns of '" + sql_ + "'");
            columns.push_back(MakeColumn(reinterpret_cast<char*>(name), sqlType, size, digits));
        }
        return columns;
    }

    std::vector<std::vector<Variant>> FetchAll(const std::vector<TOdbcColumn>& columns)
    {
        std::vector<std::vector<Variant>> rows;
        for (;;) {
            const SQLRETURN result = SQLFetch(handle_);
            if (result == SQL_NO_DATA) break;
            Check(result, "Cannot read the rows of '" + sql_ + "'");
            std::vector<Variant> row;
            for (size_t c = 0; c < columns.size(); ++c) row.push_back(Value(SQLUSMALLINT(c + 1), columns[c].DataType));
            rows.push_back(std::move(row));
        }
        SQLFreeStmt(handle_, SQL_CLOSE);
        return rows;
    }

private:
    void Bind(SQLUSMALLINT number, const Variant& value, TBoundParam& p)
    {
        SQLSMALLINT cType = SQL_C_CHAR, sqlType = SQL_VARCHAR, digits = 0;
        SQLULEN size = 1;
        void* data = nullptr;
        SQLLEN length = 0;
        switch (value.Type()) {
        case TVarType::Null: p.indicator = SQL_NULL_DATA; break;
        case TVarType::Integer:
        case TVarType::Boolean:
            p.integer = value.IntegerValue(), cType = SQL_C_SBIGINT, sqlType = SQL_BIGINT, size = 19, data = &p.integer;
            break;
        case TVarType::Float:
            p.number = value.FloatValue(), cType = SQL_C_DOUBLE, sqlType = SQL_DOUBLE, size = 15, data = &p.number;
            break;
        case TVarType::Date:
            p.timestamp = ToTimestamp(value.FloatValue()), cType = SQL_C_TYPE_TIMESTAMP, sqlType = SQL_TYPE_TIMESTAMP;
            size = 23, digits = 3, data = &p.timestamp;
            break;
        case TVarType::String:
            p.text = value.StringValue(), p.indicator = SQLLEN(p.text.size()), data = p.text.data();
            size = std::max<SQLULEN>(p.text.size(), 1), length = SQLLEN(p.text.size());
            if (p.text.size() > 4000) sqlType = SQL_LONGVARCHAR;
            break;
        }
        Check(SQLBindParameter(handle_, number, SQL_PARAM_INPUT, cType, sqlType, size, digits, data, length, &p.indicator),
              "Cannot pass a value to '" + sql_ + "'");
    }

    Variant Value(SQLUSMALLINT column, TFieldType type)
    {
        SQLLEN indicator = 0;
        switch (type) {
        case ftSmallint:
        case ftInteger:
        case ftLargeint:
        case ftBoolean: {
            long long value = 0;
            Check(SQLGetData(handle_, column, SQL_C_SBIGINT, &value, 0, &indicator), "Cannot read a value");
            if (indicator == SQL_NULL_DATA) return Variant();
            return type == ftBoolean ? Variant::Boolean(value != 0) : Variant::Integer(value);
        }
        case ftFloat: {
            double value = 0;
            Check(SQLGetData(handle_, column, SQL_C_DOUBLE, &value, 0, &indicator), "Cannot read a value");
            return indicator == SQL_NULL_DATA ? Variant() : Variant::Float(value);
        }
        case ftDate:
        case ftDateTime: {
            SQL_TIMESTAMP_STRUCT value{};
            Check(SQLGetData(handle_, column, SQL_C_TYPE_TIMESTAMP, &value, sizeof value, &indicator), "Cannot read a value");
            if (indicator == SQL_NULL_DATA) return Variant();
            const TDateTime date = FromTimestamp(value);
            return Variant::Date(type == ftDate ? std::floor(date) : date);
        }
        default: return TextValue(column, type == ftBlob ? SQL_C_BINARY : SQL_C_CHAR);
        }
    }

    // Long texts come in pieces; a character piece ends with a terminating zero.
    Variant TextValue(SQLUSMALLINT column, SQLSMALLINT cType)
    {
        std::string text;
        char piece[4096];
        const SQLLEN terminator = cType == SQL_C_CHAR ? 1 : 0;
        for (;;) {
            SQLLEN indicator = 0;
            const SQLRETURN result = SQLGetData(handle_, column, cType, piece, sizeof piece, &indicator);
            if (result == SQL_NO_DATA) break;
            Check(result, "Cannot read a value");
            if (indicator == SQL_NULL_DATA) return Variant();
            const SQLLEN room = SQLLEN(sizeof piece) - terminator;
            const SQLLEN got = indicator == SQL_NO_TOTAL || indicator > room ? room : indicator;
            text.append(piece, size_t(got));
            if (result == SQL_SUCCESS) break;
        }
        return Variant::String(std::move(text));
    }

    std::string sql_;
    SQLHSTMT handle_ = nullptr;
};

// ---- connections

namespace {

// What the driver manager's own message hides: which part of a data source is missing.
std::string MissingPart(const std::string& dataSource)
{
    std::string driver;
    const TOdbcIniFile user(OdbcIniPath(TOdbcScope::User));
    const TOdbcIniFile system(OdbcIniPath(TOdbcScope::System));
    if (!user.ReadString(dataSource, "Driver", driver) && !system.ReadString(dataSource, "Driver", driver)) {
        if (user.SectionExists(dataSource) || system.SectionExists(dataSource)) return "the data source names no driver";
        return "the data source is defined neither in " + user.Path() + " nor in " + system.Path();
    }
    if (driver.starts_with("/")) return fs::exists(driver) ? "" : "the driver library " + driver + " does not exist";
    if (driver.find(".so") != std::string::npos) return "";  // a library the driver manager looks for itself
    return IsOdbcDriverInstalled(driver) ? "" : "the ODBC driver '" + driver + "' is not installed";
}

}  // namespace

TOdbcConnection::TOdbcConnection(const std::string& dataSource, const std::string& userName, const std::string& password)
    : dataSource_(dataSource)
{
    const std::string what = "Cannot connect to ODBC data source '" + dataSource + "'";
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment_)))
        DatabaseError(what + ": the ODBC driver manager cannot be used");
    SQLSetEnvAttr(environment_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, environment_, &connection_);
    const SQLRETURN result = SQLConnect(connection_, Text(dataSource), SQL_NTS, Text(userName), SQL_NTS,
                                        Text(password), SQL_NTS);
    if (!SQL_SUCCEEDED(result)) {
        const std::string reason = MissingPart(dataSource);
        const std::string diagnostics = Diagnostics(SQL_HANDLE_DBC, connection_);
        const std::string details = reason.empty() ? diagnostics : reason + " (" + diagnostics + ")";
        SQLFreeHandle(SQL_HANDLE_DBC, connection_);
        SQLFreeHandle(SQL_HANDLE_ENV, environment_);
        DatabaseError(what + ": " + details);
    }
    char quote[8] = "";
    SQLSMALLINT length = 0;
    if (SQL_SUCCEEDED(SQLGetInfo(connection_, SQL_IDENTIFIER_QUOTE_CHAR, quote, sizeof quote, &length)))
        quote_ = Trim(quote);
}

TOdbcConnection::~TOdbcConnection()
{
    statements_.clear();
    SQLDisconnect(connection_);
    SQLFreeHandle(SQL_HANDLE_DBC, connection_);
    SQLFreeHandle(SQL_HANDLE_ENV, environment_);
}

TOdbcConnection::TStatement& TOdbcConnection::Prepared(const std::string& sql)
{
    auto& statement = statements_[sql];
    if (!statement) {
        try {
            statement = std::make_unique<TStatement>(*this, sql);
        } catch (...) {
            statements_.erase(sql);
            throw;
        }
    }
    return *statement;
}

long long TOdbcConnection::Execute(const std::string& sql, const std::vector<Variant>& params)
{
    // Statements without parameters (DDL) are not kept: a table they drop may come back changed.
    if (params.empty()) {
        statements_.clear();
        TStatement statement(*this, "");
        statement.Check(SQLExecDirect(statement.Handle(), Text(sql), SQL_NTS), "Cannot run '" + sql + "'");
        return statement.RowCount();
    }
    TStatement& statement = Prepared(sql);
    statement.Execute(params);
    return statement.RowCount();
}

TOdbcResult TOdbcConnection::Select(const std::string& sql, const std::vector<Variant>& params)
{
    TStatement statement(*this, sql);
    statement.Execute(params);
    TOdbcResult result;
    result.Columns = statement.DescribeColumns();
    result.Rows = statement.FetchAll(result.Columns);
    return result;
}

std::vector<TOdbcColumn> TOdbcConnection::Columns(const std::string& tableName)
{
    TStatement statement(*this, "SELECT * FROM " + QuoteName(tableName) + " WHERE 1 = 0");
    statement.Execute({});
    return statement.DescribeColumns();
}

std::vector<std::string> TOdbcConnection::TableNames(bool systemTables)
{
    TStatement statement(*this, "");
    const std::string types = systemTables ? "TABLE,SYSTEM TABLE" : "TABLE";
    statement.Check(SQLTables(statement.Handle(), nullptr, 0, nullptr, 0, nullptr, 0, Text(types), SQL_NTS),
                    "Cannot list the tables of ODBC data source '" + dataSource_ + "'");
    const std::vector<TOdbcColumn> columns = statement.DescribeColumns();
    std::vector<std::string> names;
    for (const auto& row : statement.FetchAll(columns)) {
        const std::string schema = row.size() > 1 ? row[1].StringValue() : "";
        const std::string name = row.size() > 2 ? row[2].StringValue() : "";
        names.push_back(schema.empty() ? name : schema + "." + name);
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
    return names;
}

bool TOdbcConnection::TableExists(const std::string& tableName)
{
    for (const std::string& name : TableNames(true)) {
        const size_t dot = name.find('.');
        if (SameText(name, tableName) || (dot != std::string::npos && SameText(name.substr(dot + 1), tableName)))
            return true;
    }
    return false;
}

std::string TOdbcConnection::QuoteName(const std::string& name) const
{
    if (quote_.empty()) return name;
    std::string quoted = quote_;
    for (char c : name) quoted += quote_.size() == 1 && c == quote_[0] ? quote_ + c : std::string(1, c);
    return quoted + quote_;
}

TOdbcConnection& OdbcConnectionOf(const std::string& databaseName)
{
    TDatabase* database = Session().FindDatabase(databaseName);
    if (!database) DatabaseError("Unknown database '" + databaseName + "'");
    database->Open();
    auto* connection = dynamic_cast<TOdbcConnection*>(database->Connection());
    if (!connection) DatabaseError("Database '" + databaseName + "' is not an ODBC data source");
    return *connection;
}

void InitializeOdbcModule()
{
    RegisterConnectionKind({"ODBC DSN", [](const TDatabase& database, const std::string& dataSource) {
                                return std::make_unique<TOdbcConnection>(dataSource, database.Param("USER NAME"),
                                                                         database.Param("PASSWORD"));
                            }});
}

// ---- tables

TOdbcTable::~TOdbcTable() { CloseDestroying(); }

void TOdbcTable::SetDatabaseName(const std::string& name)
{
    CheckInactive();
    databaseName_ = name;
}

void TOdbcTable::SetTableName(const std::string& name)
{
    CheckInactive();
    tableName_ = name;
}

std::string TOdbcTable::QuotedTable() const { return Connection().QuoteName(tableName_); }

bool TOdbcTable::Exists() { return Connection().TableExists(tableName_); }

namespace {

// Column types that SQL servers and the file databases alike accept; "" for none.
std::string ColumnType(const TFieldDef& def)
{
    switch (def.DataType) {
    case ftString:
    case ftFixedChar:
    case ftWideString: return "VARCHAR(" + std::to_string(def.Size > 0 ? def.Size : 255) + ")";
    case ftSmallint: return "SMALLINT";
    case ftInteger:
    case ftWord:
    case ftAutoInc: return "INTEGER";
    case ftLargeint: return "BIGINT";
    case ftBoolean: return "BIT";
    case ftFloat:
    case ftCurrency:
    case ftBCD: return "FLOAT";
    case ftDate: return "DATE";
    case ftTime:
    case ftDateTime: return "DATETIME";
    case ftMemo:
    case ftFmtMemo: return "TEXT";
    default: return "";
    }
}

}  // namespace

void TOdbcTable::CreateTable()
{
    CheckInactive();
    TOdbcConnection& connection = Connection();
    std::string columns;
    for (int i = 0; i < FieldDefs().Count(); ++i) {
        const TFieldDef& def = FieldDefs().Items(i);
        const std::string type = ColumnType(def);
        if (!type.empty()) columns += (columns.empty() ? "" : ", ") + connection.QuoteName(def.Name) + " " + type;
    }
    if (columns.empty()) DatabaseError("Table '" + tableName_ + "' would have no columns");
    if (Exists()) connection.Execute("DROP TABLE " + QuotedTable());
    connection.Execute("CREATE TABLE " + QuotedTable() + " (" + columns + ")");
}

void TOdbcTable::DefineFields(const std::vector<TOdbcColumn>& columns)
{
    FieldDefs().Clear();
    for (const TOdbcColumn& column : columns)
        FieldDefs().Add(column.Name, column.DataType, column.Size).Precision = column.Precision;
}

void TOdbcTable::ReadRows()
{
    TOdbcResult result = Connection().Select("SELECT * FROM " + QuotedTable());
    DefineFields(result.Columns);
    rows_ = std::move(result.Rows);
    ids_.clear();
    for (size_t i = 0; i < rows_.size(); ++i) ids_.push_back(nextId_++);
    current_ = -1;
}

void TOdbcTable::InternalOpen()
{
    if (tableName_.empty()) DatabaseError("Table name missing");
    ReadRows();
}

void TOdbcTable::InternalClose()
{
    rows_.clear();
    ids_.clear();
    buffer_.clear();
    current_ = -1;
}

void TOdbcTable::InternalInitFieldDefs() { DefineFields(Connection().Columns(tableName_)); }

void TOdbcTable::InternalRefresh() { ReadRows(); }

void TOdbcTable::InternalInitRecord()
{
    buffer_.assign(size_t(FieldCount()), Variant());
    changed_.assign(size_t(FieldCount()), false);
}

void TOdbcTable::InternalEdit()
{
    buffer_ = rows_[size_t(current_)];
    changed_.assign(buffer_.size(), false);
}

// "A = ? AND B IS NULL" over the key fields (all fields but memos when there is no key).
std::string TOdbcTable::RowCondition(const std::vector<Variant>& row, std::vector<Variant>& params)
{
    std::vector<int> key;
    for (const std::string& name : SplitNames(indexFieldNames_)) key.push_back(FieldByName(name).FieldNo() - 1);
    for (int i = 0; key.empty() && i < FieldCount(); ++i)
        if (!Fields().Fields(i).IsBlob()) key.push_back(i);
    std::string condition;
    for (int column : key) {
        condition += condition.empty() ? "" : " AND ";
        condition += Connection().QuoteName(Fields().Fields(column).FieldName());
        if (row[size_t(column)].IsNull()) {
            condition += " IS NULL";
        } else {
            condition += " = ?";
            params.push_back(row[size_t(column)]);
        }
    }
    return condition;
}

int TOdbcTable::InternalPost(bool inserting)
{
    TOdbcConnection& connection = Connection();
    std::string names, marks, assignments;
    std::vector<Variant> params;
    for (size_t c = 0; c < buffer_.size(); ++c) {
        if (!changed_[c] || (inserting && buffer_[c].IsNull())) continue;
        const std::string name = connection.QuoteName(Fields().Fields(int(c)).FieldName());
        names += (names.empty() ? "" : ", ") + name;
        marks += marks.empty() ? "?" : ", ?";
        assignments += (assignments.empty() ? "" : ", ") + name + " = ?";
        params.push_back(buffer_[c]);
    }
    if (inserting) {
        connection.Execute(names.empty() ? "INSERT INTO " + QuotedTable() + " DEFAULT VALUES"
                                         : "INSERT INTO " + QuotedTable() + " (" + names + ") VALUES (" + marks + ")",
                           params);
        rows_.push_back(buffer_);
        ids_.push_back(nextId_++);
        return int(rows_.size()) - 1;
    }
    if (!assignments.empty()) {
        const std::string condition = RowCondition(rows_[size_t(current_)], params);
        connection.Execute("UPDATE " + QuotedTable() + " SET " + assignments + " WHERE " + condition, params);
    }
    rows_[size_t(current_)] = buffer_;
    return current_;
}

void TOdbcTable::InternalDelete(int position)
{
    std::vector<Variant> params;
    const std::string condition = RowCondition(rows_[size_t(position)], params);
    Connection().Execute("DELETE FROM " + QuotedTable() + " WHERE " + condition, params);
    rows_.erase(rows_.begin() + position);
    ids_.erase(ids_.begin() + position);
}

int TOdbcTable::InternalBookmarkPosition(TBookmark bookmark) const
{
    const auto found = std::find(ids_.begin(), ids_.end(), bookmark);
    return found == ids_.end() ? -1 : int(found - ids_.begin());
}

Variant TOdbcTable::GetFieldData(const TField& field) const
{
    const size_t column = size_t(field.FieldNo() - 1);
    if (Editing()) return buffer_[column];
    return current_ < 0 ? Variant() : rows_[size_t(current_)][column];
}

void TOdbcTable::SetFieldData(const TField& field, const Variant& value)
{
    const size_t column = size_t(field.FieldNo() - 1);
    buffer_[column] = value;
    changed_[column] = true;
}

void TOdbcTableDestination::Recreate(TDataSet& source) { RecreateWithFieldsOf(table_, source); }

// ---- data-source definitions

std::string OdbcIniPath(TOdbcScope scope)
{
    if (scope == TOdbcScope::User) {
        if (const char* file = std::getenv("ODBCINI"); file && *file) return file;
        const char* home = std::getenv("HOME");
        return std::string(home ? home : "") + "/.odbc.ini";
    }
    const char* folder = std::getenv("ODBCSYSINI");
    return (folder && *folder ? std::string(folder) : std::string("/etc")) + "/odbc.ini";
}

std::string OdbcDriverFolder()
{
    // The drivers lie in "odbc" beside the driver manager's own library.
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&SQLConnect), &info) && info.dli_fname)
        return fs::path(info.dli_fname).parent_path().string() + "/odbc/";
    return "/usr/lib/odbc/";
}

bool IsOdbcDriverInstalled(const std::string& name)
{
    char drivers[16384] = "";
    WORD length = 0;
    if (!SQLGetInstalledDrivers(drivers, sizeof drivers, &length)) return false;
    for (const char* driver = drivers; *driver; driver += std::char_traits<char>::length(driver) + 1)
        if (SameText(driver, name)) return true;
    return false;
}

TOdbcIniFile::TOdbcIniFile(std::string path) : path_(std::move(path))
{
    std::ifstream file(path_);
    for (std::string line; std::getline(file, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines_.push_back(line);
    }
}

bool TOdbcIniFile::FileExists() const { return fs::is_regular_file(path_); }

bool TOdbcIniFile::CanWrite() const
{
    if (FileExists()) return ::access(path_.c_str(), W_OK) == 0;
    const fs::path folder = fs::path(path_).parent_path();
    return fs::is_directory(folder.empty() ? "." : folder) && ::access((folder.empty() ? "." : folder.c_str()), W_OK) == 0;
}

namespace {

bool IsSectionLine(const std::string& line) { return Trim(line).starts_with("[") && Trim(line).ends_with("]"); }
std::string SectionName(const std::string& line)
{
    const std::string text = Trim(line);
    return Trim(text.substr(1, text.size() - 2));
}

}  // namespace

int TOdbcIniFile::SectionLine(const std::string& section) const
{
    for (size_t i = 0; i < lines_.size(); ++i)
        if (IsSectionLine(lines_[i]) && SameText(SectionName(lines_[i]), section)) return int(i);
    return -1;
}

// The line after the section's last key line.
int TOdbcIniFile::SectionEnd(int sectionLine) const
{
    int end = sectionLine + 1;
    for (int i = sectionLine + 1; i < int(lines_.size()) && !IsSectionLine(lines_[size_t(i)]); ++i)
        if (!Trim(lines_[size_t(i)]).empty()) end = i + 1;
    return end;
}

int TOdbcIniFile::KeyLine(int sectionLine, const std::string& key) const
{
    for (int i = sectionLine + 1; i < int(lines_.size()) && !IsSectionLine(lines_[size_t(i)]); ++i) {
        const std::string& line = lines_[size_t(i)];
        const size_t equals = line.find('=');
        if (equals != std::string::npos && SameText(Trim(line.substr(0, equals)), key)) return i;
    }
    return -1;
}

bool TOdbcIniFile::SectionExists(const std::string& section) const { return SectionLine(section) >= 0; }

bool TOdbcIniFile::ReadString(const std::string& section, const std::string& key, std::string& value) const
{
    const int sectionLine = SectionLine(section);
    const int line = sectionLine < 0 ? -1 : KeyLine(sectionLine, key);
    if (line < 0) return false;
    const std::string& text = lines_[size_t(line)];
    value = Trim(text.substr(text.find('=') + 1));
    return true;
}

void TOdbcIniFile::AddSection(const std::string& section)
{
    if (SectionExists(section)) return;
    if (!lines_.empty() && !Trim(lines_.back()).empty()) lines_.emplace_back();
    lines_.push_back("[" + section + "]");
}

void TOdbcIniFile::WriteString(const std::string& section, const std::string& key, const std::string& value)
{
    AddSection(section);
    const int sectionLine = SectionLine(section);
    const std::string line = key + " = " + value;
    const int existing = KeyLine(sectionLine, key);
    if (existing >= 0)
        lines_[size_t(existing)] = line;
    else
        lines_.insert(lines_.begin() + SectionEnd(sectionLine), line);
}

namespace {

// The driver manager keeps what it has read of the ini files for the life of the process, and
// forgets it only when something is written through it: a write to a scratch file makes it read
// the data sources afresh, so a data source changed by us is not used with its old values.
void ForgetCachedOdbcSettings()
{
    std::string path = (fs::temp_directory_path() / "quellbrook-odbc-XXXXXX").string();
    const int file = ::mkstemp(path.data());
    if (file < 0) return;
    ::close(file);
    SQLWritePrivateProfileString("Quellbrook", "Refresh", "1", path.c_str());
    ::unlink(path.c_str());
}

}  // namespace

void TOdbcIniFile::Save() const
{
    const std::string temporary = path_ + ".new";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        for (const std::string& line : lines_) file << line << '\n';
        file.flush();
        if (!file) {
            std::error_code ignored;
            fs::remove(temporary, ignored);
            DatabaseError("Cannot write the ODBC settings file " + path_);
        }
    }
    std::error_code error;
    fs::rename(temporary, path_, error);
    if (error) {
        fs::remove(temporary, error);
        DatabaseError("Cannot write the ODBC settings file " + path_);
    }
    ForgetCachedOdbcSettings();
}
