#include "platform/db/SqlEngine.h"

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <new>
#include <set>

#include "platform/core/CodePage.h"
#include "platform/core/DateTime.h"
#include "platform/core/StringList.h"
#include "platform/db/DbError.h"
#include "platform/db/DbfFile.h"
#include "platform/db/DbfVirtualTable.h"
#include "platform/db/SqlLexer.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

std::mutex gLimitsMutex;
TSqlLimits gLimits;
std::function<void()> gProgressHook;
std::atomic<unsigned> gCancelGeneration{0};

enum class TStop { None, Time, Cancel };

// The statement running on an engine: when it must end and why it was stopped.
struct TRunState {
    TSqlLimits limits;
    Clock::time_point deadline;
    Clock::time_point nextHook;
    unsigned generation = 0;
    TStop stop = TStop::None;
};

constexpr int kProgressSteps = 1000;  // virtual machine steps between two looks at the clock

int Progress(void* data)
{
    auto* run = static_cast<TRunState*>(data);
    if (run->stop != TStop::None) return 1;
    const Clock::time_point now = Clock::now();
    if (now >= run->nextHook) {
        run->nextHook = now + std::chrono::milliseconds(100);
        std::function<void()> hook;
        {
            std::lock_guard<std::mutex> lock(gLimitsMutex);
            hook = gProgressHook;
        }
        try {
            if (hook) hook();
        } catch (...) {
            run->stop = TStop::Cancel;  // nothing may unwind through the engine
        }
    }
    if (gCancelGeneration.load() != run->generation) run->stop = TStop::Cancel;
    else if (now >= run->deadline) run->stop = TStop::Time;
    return run->stop == TStop::None ? 0 : 1;
}

std::string Megabytes(long long bytes) { return std::to_string((bytes + (1 << 20) - 1) >> 20) + " MB"; }

[[noreturn]] void LimitError(const std::string& message) { throw ESqlLimitError(message); }

[[noreturn]] void OutOfMemory(const TSqlLimits& limits)
{
    LimitError("The query needs more memory than allowed (" + Megabytes(limits.MemoryBytes) +
               ") and was stopped. Narrow it down, for instance with a WHERE condition.");
}

}  // namespace

TSqlLimits SqlLimits()
{
    std::lock_guard<std::mutex> lock(gLimitsMutex);
    return gLimits;
}

void SetSqlLimits(const TSqlLimits& limits)
{
    std::lock_guard<std::mutex> lock(gLimitsMutex);
    gLimits = limits;
}

void CancelSqlStatements() { ++gCancelGeneration; }

void SetSqlProgressHook(std::function<void()> hook)
{
    std::lock_guard<std::mutex> lock(gLimitsMutex);
    gProgressHook = std::move(hook);
}

struct TSqlEngine::Impl {
    TDbfModuleContext module;
    TRunState run;
    bool attaching = false;  // our own CREATE VIRTUAL TABLE is running
    std::vector<std::pair<std::string, std::string>> tables;  // name in statements, file
};

namespace {

std::string TempTable(const std::string& name) { return "temp." + SqlQuotedName(name); }

// "NUMERIC(8,2)" -> word NUMERIC, numbers 8 and 2.
bool ParseDeclared(const std::string& declared, std::string& word, std::vector<int>& numbers)
{
    const std::string text = UpperCase(Trim(declared));
    size_t pos = 0;
    while (pos < text.size() && std::isalpha(static_cast<unsigned char>(text[pos]))) ++pos;
    word = text.substr(0, pos);
    numbers.clear();
    if (pos == text.size()) return !word.empty();
    if (text[pos] != '(' || text.back() != ')') return false;
    for (size_t start = pos + 1; start < text.size();) {
        int value = 0;
        int used = 0;
        if (std::sscanf(text.c_str() + start, " %d %n", &value, &used) != 1) return false;
        numbers.push_back(value);
        start += used;
        if (text[start] == ')') return start == text.size() - 1;
        if (text[start] != ',') return false;
        ++start;
    }
    return false;
}

void BindValue(sqlite3_stmt* stmt, int index, const Variant& value)
{
    switch (value.Type()) {
    case TVarType::Null: sqlite3_bind_null(stmt, index); return;
    case TVarType::Integer:
    case TVarType::Boolean: sqlite3_bind_int64(stmt, index, value.IntegerValue()); return;
    case TVarType::Float: sqlite3_bind_double(stmt, index, value.FloatValue()); return;
    case TVarType::String: {
        const std::string iso = IsoDateOfText(value.StringValue());  // as date literals in the text
        const std::string& text = iso.empty() ? value.StringValue() : iso;
        sqlite3_bind_text(stmt, index, text.data(), int(text.size()), SQLITE_TRANSIENT);
        return;
    }
    case TVarType::Date: {
        int y = 0, m = 0, d = 0;
        DecodeDate(value.FloatValue(), y, m, d);
        char iso[16];
        std::snprintf(iso, sizeof iso, "%04d-%02d-%02d", y, m, d);
        sqlite3_bind_text(stmt, index, iso, -1, SQLITE_TRANSIENT);
        return;
    }
    }
}

std::string ColumnText(sqlite3_stmt* stmt, int column)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, column));
    return text ? std::string(text, sqlite3_column_bytes(stmt, column)) : std::string();
}

Variant UntypedValue(sqlite3_stmt* stmt, int column)
{
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_NULL: return Variant();
    case SQLITE_INTEGER: return Variant::Integer(sqlite3_column_int64(stmt, column));
    case SQLITE_FLOAT: return Variant::Float(sqlite3_column_double(stmt, column));
    default: return Variant::String(ColumnText(stmt, column));
    }
}

Variant DateValue(const std::string& text)
{
    int y = 0, m = 0, d = 0;
    TDateTime date = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d", &y, &m, &d) == 3 && TryEncodeDate(y, m, d, date)) return Variant::Date(date);
    return Variant::String(text);
}

// A column value as the column's field type holds it.
Variant ColumnValue(sqlite3_stmt* stmt, int column, TFieldType type)
{
    if (sqlite3_column_type(stmt, column) == SQLITE_NULL) return Variant();
    switch (type) {
    case ftString:
    case ftMemo: return Variant::String(ColumnText(stmt, column));
    case ftFloat: return Variant::Float(sqlite3_column_double(stmt, column));
    case ftInteger: return Variant::Integer(sqlite3_column_int64(stmt, column));
    case ftBoolean: return Variant::Boolean(sqlite3_column_int64(stmt, column) != 0);
    case ftDate: return DateValue(ColumnText(stmt, column));
    default: return UntypedValue(stmt, column);
    }
}

int Utf8Length(const std::string& text)
{
    return int(std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// Type of an expression column from the values it produced.
void TypeFromValues(TSqlColumn& column, const std::vector<std::vector<Variant>>& rows, size_t index)
{
    column.DataType = ftString;
    column.Size = 1;
    bool typed = false;
    for (const auto& row : rows) {
        const Variant& v = row[index];
        if (v.IsNull()) continue;
        if (!typed) column.DataType = v.Type() == TVarType::Integer ? ftInteger : v.Type() == TVarType::Float ? ftFloat : ftString;
        typed = true;
        if (v.Type() == TVarType::String) column.Size = std::max(column.Size, Utf8Length(v.StringValue()));
    }
    if (column.DataType != ftString) column.Size = 0;
}

// Statements reach files only through the tables they name: no other database files, no
// engine settings, no tables of our module made by hand.
int Authorize(void* data, int action, const char*, const char*, const char*, const char*)
{
    const auto* impl = static_cast<const TSqlEngine::Impl*>(data);
    switch (action) {
    case SQLITE_ATTACH:
    case SQLITE_DETACH:
    case SQLITE_PRAGMA: return SQLITE_DENY;
    case SQLITE_CREATE_VTABLE: return impl->attaching ? SQLITE_OK : SQLITE_DENY;
    default: return SQLITE_OK;
    }
}

bool IsTableToken(const TSqlToken& token)
{
    return token.Kind == TSqlTokenKind::Word || token.Kind == TSqlTokenKind::String || token.Kind == TSqlTokenKind::QuotedName;
}

[[noreturn]] void DdlSyntax(const std::string& what) { DatabaseError("SQL syntax error: " + what); }

// Checks that tokens[at] is `word`; answers the position after it.
size_t Expect(const std::vector<TSqlToken>& tokens, size_t at, const char* word)
{
    if (at >= tokens.size() || !tokens[at].Is(word)) DdlSyntax(std::string("'") + word + "' expected");
    return at + 1;
}

const TSqlToken& TableNameAt(const std::vector<TSqlToken>& tokens, size_t at)
{
    if (at >= tokens.size() || !IsTableToken(tokens[at])) DdlSyntax("table name expected");
    return tokens[at];
}

// Nothing but ';' may follow a statement.
void ExpectEnd(const std::vector<TSqlToken>& tokens, size_t at)
{
    for (; at < tokens.size(); ++at)
        if (!tokens[at].Is(";")) DdlSyntax("unexpected '" + tokens[at].Value + "'");
}

// One column of CREATE TABLE as a dBase field.
TDbfField FieldOfColumn(const std::string& name, const std::string& declared)
{
    std::string word;
    std::vector<int> n;
    if (declared.empty()) DatabaseError("Column " + name + " has no type");
    if (!ParseDeclared(declared, word, n)) DatabaseError("Invalid field type '" + declared + "' of column " + name);
    TDbfField f;
    f.Name = name;
    if (word == "CHARACTER" && n.size() == 1) f.Type = 'C', f.Length = n[0];
    else if (word == "NUMERIC" && (n.size() == 1 || n.size() == 2)) f.Type = 'N', f.Length = n[0], f.Decimals = n.size() == 2 ? n[1] : 0;
    else if (word == "DATE" && n.empty()) f.Type = 'D', f.Length = 8;
    else if (word == "BOOLEAN" && n.empty()) f.Type = 'L', f.Length = 1;
    else if (word == "BLOB" && n.size() == 2 && n[1] == 1) f.Type = 'M', f.Length = 10;
    else if (word == "BLOB") DatabaseError("Column " + name + ": a dBase table holds only memo BLOBs (BLOB(n,1))");
    else DatabaseError("Invalid field type '" + declared + "' of column " + name);
    return f;
}

std::vector<TDbfField> ParseColumns(const std::vector<TSqlToken>& tokens, const std::string& sql, size_t& at)
{
    at = Expect(tokens, at, "(");
    std::vector<TDbfField> fields;
    while (true) {
        if (at >= tokens.size() || (tokens[at].Kind != TSqlTokenKind::Word && tokens[at].Kind != TSqlTokenKind::QuotedName))
            DdlSyntax("column name expected");
        const std::string name = tokens[at++].Value;
        const size_t typeStart = at;
        int depth = 0;
        while (at < tokens.size() && !(depth == 0 && (tokens[at].Is(",") || tokens[at].Is(")")))) {
            depth += tokens[at].Is("(") ? 1 : tokens[at].Is(")") ? -1 : 0;
            ++at;
        }
        if (at >= tokens.size()) DdlSyntax("')' expected");
        const size_t from = typeStart < at ? tokens[typeStart].Start : 0;
        const std::string declared = typeStart < at ? sql.substr(from, tokens[at - 1].Start + tokens[at - 1].Length - from) : "";
        for (const TDbfField& f : fields)
            if (SameText(f.Name, name)) DatabaseError("Duplicate column name " + name);
        fields.push_back(FieldOfColumn(name, declared));
        if (tokens[at++].Is(")")) return fields;
    }
}

}  // namespace

bool FieldTypeOfDeclared(const std::string& declared, TSqlColumn& column)
{
    std::string word;
    std::vector<int> n;
    if (!ParseDeclared(declared, word, n)) return false;
    column.Size = column.Precision = 0;
    if (word == "CHARACTER" && n.size() == 1) column.DataType = ftString, column.Size = n[0];
    else if (word == "NUMERIC" && n.size() == 2) column.DataType = ftFloat, column.Precision = n[0], column.Size = n[1];
    else if (word == "DATE") column.DataType = ftDate;
    else if (word == "BOOLEAN") column.DataType = ftBoolean;
    else if (word == "INTEGER") column.DataType = ftInteger;
    else if (word == "BLOB") column.DataType = ftMemo;
    else return false;
    return true;
}

// ---- statements

TSqlStatement::TSqlStatement(TSqlEngine& engine, std::string ddl, sqlite3_stmt* stmt, std::string liveTable)
    : engine_(engine), ddl_(std::move(ddl)), stmt_(stmt), liveTable_(std::move(liveTable))
{
}

TSqlStatement::~TSqlStatement() { sqlite3_finalize(stmt_); }

bool TSqlStatement::AnswersRows() const { return stmt_ && sqlite3_column_count(stmt_) > 0; }

void TSqlStatement::Bind(const TSqlParamValues& params)
{
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
    for (int i = 1; i <= sqlite3_bind_parameter_count(stmt_); ++i) {
        const char* name = sqlite3_bind_parameter_name(stmt_, i);
        const std::string wanted = name ? name + 1 : "";
        const auto found = std::find_if(params.begin(), params.end(), [&](const auto& p) { return SameText(p.first, wanted); });
        if (found == params.end()) DatabaseError("No value for parameter '" + wanted + "'");
        BindValue(stmt_, i, found->second);
    }
}

int TSqlStatement::Execute(const TSqlParamValues& params)
{
    if (!stmt_) {
        engine_.RunDdl(ddl_);
        return 0;
    }
    Bind(params);
    engine_.BeginRun();
    int rc;
    while ((rc = sqlite3_step(stmt_)) == SQLITE_ROW) {}
    sqlite3_reset(stmt_);
    if (rc != SQLITE_DONE) engine_.Fail("SQL error");
    return sqlite3_changes(engine_.db_);
}

std::vector<TSqlColumn> TSqlStatement::DescribeColumns(int first) const
{
    std::vector<TSqlColumn> columns;
    for (int i = first; i < sqlite3_column_count(stmt_); ++i) {
        TSqlColumn column;
        column.Name = sqlite3_column_name(stmt_, i);
        const char* declared = sqlite3_column_decltype(stmt_, i);
        if (!declared || !FieldTypeOfDeclared(declared, column)) column.DataType = ftUnknown;
        const char* origin = sqlite3_column_origin_name(stmt_, i);
        if (origin) column.OriginField = origin;
        columns.push_back(column);
    }
    return columns;
}

std::vector<TSqlColumn> TSqlStatement::Columns() const
{
    return stmt_ ? DescribeColumns(liveTable_.empty() ? 0 : 1) : std::vector<TSqlColumn>();
}

TSqlResult TSqlStatement::Fetch(const TSqlParamValues& params)
{
    if (!AnswersRows()) DatabaseError("The SQL statement answers no rows; run it with ExecSQL");
    Bind(params);
    const int first = liveTable_.empty() ? 0 : 1;
    TSqlResult result;
    result.Columns = DescribeColumns(first);
    result.LiveTable = liveTable_;
    engine_.BeginRun();
    const TSqlLimits& limits = engine_.impl_->run.limits;
    // The rows are held whole: count what they take, so a huge result stops with a message
    // before memory runs out.
    const long long rowBytes = sizeof(std::vector<Variant>) + (long long)(result.Columns.size() + first) * sizeof(Variant);
    long long held = 0;
    int rc;
    try {
        while ((rc = sqlite3_step(stmt_)) == SQLITE_ROW) {
            if (first) result.RecordIndexes.push_back(sqlite3_column_int64(stmt_, 0));
            std::vector<Variant> row;
            row.reserve(result.Columns.size());
            held += rowBytes;
            for (size_t c = 0; c < result.Columns.size(); ++c) {
                row.push_back(ColumnValue(stmt_, int(c) + first, result.Columns[c].DataType));
                if (row.back().Type() == TVarType::String) held += (long long)row.back().StringValue().capacity();
            }
            result.Rows.push_back(std::move(row));
            if (held > limits.MemoryBytes) {
                sqlite3_reset(stmt_);
                OutOfMemory(limits);
            }
        }
    } catch (const std::bad_alloc&) {
        sqlite3_reset(stmt_);
        result = TSqlResult();
        OutOfMemory(limits);
    }
    sqlite3_reset(stmt_);
    if (rc != SQLITE_DONE) engine_.Fail("SQL error");
    for (size_t c = 0; c < result.Columns.size(); ++c)
        if (result.Columns[c].DataType == ftUnknown) TypeFromValues(result.Columns[c], result.Rows, c);
    return result;
}

// ---- the engine

TSqlEngine::TSqlEngine(std::string folder) : folder_(std::move(folder)), impl_(std::make_unique<Impl>())
{
    if (sqlite3_open_v2(":memory:", &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        sqlite3_close(db_);
        DatabaseError("Cannot start the local SQL engine");
    }
    try {
        RegisterDbfModule(db_, &impl_->module);
        if (sqlite3_exec(db_, "PRAGMA case_sensitive_like = ON", nullptr, nullptr, nullptr) != SQLITE_OK) Fail("Cannot start the local SQL engine");
        // Sorts and temporary results stay in memory, where the memory bound covers them, instead
        // of growing files without bound.
        if (sqlite3_exec(db_, "PRAGMA temp_store = MEMORY", nullptr, nullptr, nullptr) != SQLITE_OK) Fail("Cannot start the local SQL engine");
        sqlite3_set_authorizer(db_, Authorize, impl_.get());
        sqlite3_progress_handler(db_, kProgressSteps, Progress, &impl_->run);
        BeginRun();
    } catch (...) {
        sqlite3_close(db_);
        throw;
    }
}

TSqlEngine::~TSqlEngine() { sqlite3_close(db_); }

void TSqlEngine::Fail(const std::string& context) const
{
    const TRunState& run = impl_->run;
    if (run.stop == TStop::Cancel) LimitError("The query was cancelled.");
    if (run.stop == TStop::Time)
        LimitError("The query ran longer than " + std::to_string(int(run.limits.Seconds + 0.5)) + " seconds and was stopped.");
    switch (sqlite3_errcode(db_)) {
    case SQLITE_NOMEM: OutOfMemory(run.limits);
    case SQLITE_TOOBIG:
        LimitError("The query makes a text or value longer than allowed (" + Megabytes(run.limits.ValueBytes) + ") and was stopped.");
    default: DatabaseError(context + ": " + sqlite3_errmsg(db_));
    }
}

// Every run starts with the bounds in force now and a fresh deadline.
void TSqlEngine::BeginRun()
{
    TRunState& run = impl_->run;
    run.limits = SqlLimits();
    const auto seconds = std::chrono::duration<double>(std::max(0.0, run.limits.Seconds));
    run.deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(std::min(seconds, std::chrono::duration<double>(1e9)));
    run.nextHook = Clock::now() + std::chrono::milliseconds(100);
    run.generation = gCancelGeneration.load();
    run.stop = TStop::None;
    sqlite3_limit(db_, SQLITE_LIMIT_LENGTH, std::max(1000, run.limits.ValueBytes));
    sqlite3_hard_heap_limit64(std::max(16LL << 20, run.limits.MemoryBytes));
}

std::string TSqlEngine::ResolveTable(const std::string& name) const
{
    const fs::path path = TablePath(name);
    std::error_code error;
    if (fs::is_regular_file(path, error)) return path.string();
    // Names written in another case, as on the system the tables come from.
    const fs::path folder = path.parent_path().empty() ? fs::path(".") : path.parent_path();
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (SameText(it->path().filename().string(), path.filename().string()) && it->is_regular_file(error)) return it->path().string();
    return "";
}

void TSqlEngine::AttachTable(const std::string& name)
{
    const std::string path = ResolveTable(name);
    if (path.empty()) DatabaseError("Table does not exist: " + name);
    impl_->module.PendingPath = path;
    const std::string sql = "CREATE VIRTUAL TABLE " + TempTable(name) + " USING dbf";
    impl_->attaching = true;
    const int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
    impl_->attaching = false;
    if (rc != SQLITE_OK) Fail("Cannot open table " + name);
    impl_->tables.emplace_back(name, path);
}

sqlite3_stmt* TSqlEngine::Compile(const std::string& sql)
{
    std::set<std::string> attached;
    while (true) {
        sqlite3_stmt* stmt = nullptr;
        const char* tail = nullptr;
        if (sqlite3_prepare_v2(db_, sql.data(), int(sql.size()), &stmt, &tail) == SQLITE_OK) {
            if (!stmt) DatabaseError("The SQL text is empty");
            try {
                ExpectEnd(TokenizeSql(std::string(tail, sql.data() + sql.size())), 0);
            } catch (...) {
                sqlite3_finalize(stmt);
                DatabaseError("Only one SQL statement can be run at a time");
            }
            return stmt;
        }
        const std::string message = sqlite3_errmsg(db_);
        const std::string missing = "no such table: ";
        if (message.rfind(missing, 0) != 0) DatabaseError("SQL error: " + message);
        const std::string name = message.substr(missing.size());
        if (!attached.insert(name).second) DatabaseError("Table does not exist: " + name);
        AttachTable(name);
    }
}

std::unique_ptr<TSqlStatement> TSqlEngine::Prepare(const std::string& sql, bool live)
{
    std::vector<TSqlToken> tokens = TokenizeSql(sql);
    if (tokens.empty()) DatabaseError("The SQL text is empty");
    const bool ownDdl = (tokens[0].Is("CREATE") && tokens.size() > 1 && (tokens[1].Is("TABLE") || tokens[1].Is("INDEX") || tokens[1].Is("UNIQUE"))) ||
                        (tokens[0].Is("DROP") && tokens.size() > 1 && tokens[1].Is("TABLE"));
    if (ownDdl) return std::unique_ptr<TSqlStatement>(new TSqlStatement(*this, sql, nullptr, ""));
    const std::string text = RewriteDateLiterals(sql, tokens);
    if (live) {
        const size_t at = LiveSelectInsertPoint(TokenizeSql(text));
        if (at != std::string::npos) {
            sqlite3_stmt* stmt = Compile(text.substr(0, at) + " _rowid_," + text.substr(at));
            for (int i = 1; i < sqlite3_column_count(stmt); ++i)
                if (const char* table = sqlite3_column_table_name(stmt, i))
                    return std::unique_ptr<TSqlStatement>(new TSqlStatement(*this, "", stmt, table));
            sqlite3_finalize(stmt);
        }
    }
    return std::unique_ptr<TSqlStatement>(new TSqlStatement(*this, "", Compile(text), ""));
}

int TSqlEngine::ExecSQL(const std::string& sql, const TSqlParamValues& params) { return Prepare(sql)->Execute(params); }

TSqlResult TSqlEngine::Select(const std::string& sql, const TSqlParamValues& params, bool live)
{
    return Prepare(sql, live)->Fetch(params);
}

// ---- our own DDL

std::string TSqlEngine::TablePath(const std::string& name) const
{
    fs::path path(name);
    if (path.extension().empty()) path += ".dbf";
    if (path.is_relative() && !folder_.empty()) path = fs::path(folder_) / path;
    return path.string();
}

std::string TSqlEngine::ExistingTable(const TSqlToken& name) const
{
    const std::string path = ResolveTable(name.Value);
    if (path.empty()) DatabaseError("Table does not exist: " + name.Value);
    return path;
}

void TSqlEngine::RunDdl(const std::string& sql)
{
    const std::vector<TSqlToken> tokens = TokenizeSql(sql);
    if (tokens[0].Is("DROP")) return DropTable(tokens);
    if (tokens[1].Is("TABLE")) return CreateTable(tokens, sql);
    CreateIndex(tokens);
}

void TSqlEngine::CreateTable(const std::vector<TSqlToken>& tokens, const std::string& sql)
{
    const std::string path = TablePath(TableNameAt(tokens, 2).Value);
    size_t at = 3;
    const std::vector<TDbfField> fields = ParseColumns(tokens, sql, at);
    ExpectEnd(tokens, at);
    std::error_code error;
    if (fs::exists(path, error)) DatabaseError("Table already exists: " + path);
    TDbfFile::Create(path, fields, 4, ProgramCodePage());
}

void TSqlEngine::CreateIndex(const std::vector<TSqlToken>& tokens)
{
    size_t at = tokens[1].Is("UNIQUE") ? 2 : 1;
    at = Expect(tokens, at, "INDEX");
    if (at >= tokens.size() || !IsTableToken(tokens[at])) DdlSyntax("index name expected");
    at = Expect(tokens, at + 1, "ON");
    const TDbfFile file(ExistingTable(TableNameAt(tokens, at)), true);
    at = Expect(tokens, at + 1, "(");
    while (true) {
        if (at >= tokens.size() || !IsTableToken(tokens[at])) DdlSyntax("field name expected");
        if (file.FieldIndex(tokens[at].Value) < 0) DatabaseError("Field '" + tokens[at].Value + "' not found in table " + file.Path());
        ++at;
        if (at < tokens.size() && (tokens[at].Is("ASC") || tokens[at].Is("DESC"))) ++at;
        if (at < tokens.size() && tokens[at].Is(")")) break;
        at = Expect(tokens, at, ",");
    }
    ExpectEnd(tokens, at + 1);
}

void TSqlEngine::DropTable(const std::vector<TSqlToken>& tokens)
{
    const std::string path = ExistingTable(TableNameAt(tokens, 2));
    ExpectEnd(tokens, 3);
    // Only a dBase table is dropped, with the memo file it reads; any other file stays.
    std::string memoPath;
    try {
        const TDbfFile table(path, true);
        memoPath = table.MemoPath();
    } catch (const EDatabaseError& e) {
        DatabaseError("Cannot drop " + path + ": it is not a dBase table (" + e.what() + ")");
    }
    DetachTablesOf(path);
    std::error_code error;
    if (!fs::remove(path, error)) DatabaseError("Cannot delete table " + path + ": " + error.message());
    if (!memoPath.empty()) fs::remove(memoPath, error);
}

void TSqlEngine::DetachTablesOf(const std::string& path)
{
    auto& tables = impl_->tables;
    for (auto it = tables.begin(); it != tables.end();) {
        if (it->second != path) {
            ++it;
            continue;
        }
        sqlite3_exec(db_, ("DROP TABLE " + TempTable(it->first)).c_str(), nullptr, nullptr, nullptr);
        it = tables.erase(it);
    }
}

// ---- records of an editable result

sqlite3_stmt* TSqlEngine::CompileBound(const std::string& sql, const std::vector<Variant>& values)
{
    sqlite3_stmt* stmt = Compile(sql);
    for (size_t i = 0; i < values.size(); ++i) BindValue(stmt, int(i) + 1, values[i]);
    return stmt;
}

void TSqlEngine::Run(sqlite3_stmt* stmt)
{
    BeginRun();
    const int rc = sqlite3_step(stmt);
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE && rc != SQLITE_ROW) Fail("Cannot write the record");
}

void TSqlEngine::UpdateRecord(const std::string& table, long long index, const std::vector<std::string>& fields,
                              const std::vector<Variant>& values)
{
    if (fields.empty()) return;
    std::string sql = "UPDATE " + TempTable(table) + " SET ";
    for (size_t i = 0; i < fields.size(); ++i) sql += (i ? ", " : "") + SqlQuotedName(fields[i]) + " = ?";
    std::vector<Variant> bound = values;
    bound.push_back(Variant::Integer(index));
    Run(CompileBound(sql + " WHERE _rowid_ = ?", bound));
}

long long TSqlEngine::InsertRecord(const std::string& table, const std::vector<std::string>& fields, const std::vector<Variant>& values)
{
    std::string names, marks;
    for (size_t i = 0; i < fields.size(); ++i) {
        names += (i ? ", " : "") + SqlQuotedName(fields[i]);
        marks += i ? ", ?" : "?";
    }
    const std::string target = "INSERT INTO " + TempTable(table);
    Run(CompileBound(fields.empty() ? target + " DEFAULT VALUES" : target + " (" + names + ") VALUES (" + marks + ")", values));
    return sqlite3_last_insert_rowid(db_);
}

void TSqlEngine::DeleteRecord(const std::string& table, long long index)
{
    Run(CompileBound("DELETE FROM " + TempTable(table) + " WHERE _rowid_ = ?", {Variant::Integer(index)}));
}

std::vector<Variant> TSqlEngine::ReadRecord(const std::string& table, long long index, const std::vector<std::string>& fields)
{
    std::string names;
    for (size_t i = 0; i < fields.size(); ++i) names += (i ? ", " : "") + SqlQuotedName(fields[i]);
    TSqlStatement statement(*this, "", Compile("SELECT " + names + " FROM " + TempTable(table) + " WHERE _rowid_ = :record"), "");
    const TSqlResult result = statement.Fetch({{"record", Variant::Integer(index)}});
    return result.Rows.empty() ? std::vector<Variant>() : result.Rows[0];
}
