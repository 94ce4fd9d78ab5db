#pragma once
// Local SQL over the dBase tables of one folder, run by SQLite.
//
// Every table a statement names ('data.dbf', "data.dbf" or data; relative names are looked up
// in the folder, ".dbf" added when there is no extension) becomes an SQLite virtual table that
// reads and writes the file through TDbfFile. Inside SQLite, text is UTF-8, numbers of fields
// without decimals are integers, dates are 'YYYY-MM-DD' text, logical values 1/0 and blank
// fields NULL. LIKE compares with case, as the dBase driver did.
//
// Our own DDL is handled before SQLite sees the text:
//   CREATE TABLE name (col CHARACTER(n) | NUMERIC(n,d) | DATE | BLOB(n,1) | BOOLEAN, ...)
//     writes a new, empty dBase IV table (BLOB(n,1) is a memo); an existing file is an error.
//   CREATE [UNIQUE] INDEX name ON table (field, ...)
//     checks the table and its fields and writes nothing: dBase index files are not kept,
//     datasets order records in memory by their IndexFieldNames instead.
//   DROP TABLE name deletes the table file and its memo file; a file that does not open as a
//     dBase table is left alone.
//
// Every statement runs within bounds (SqlLimits): time, memory and the length of one value. A
// statement past one of them, or cancelled, stops with ESqlLimitError saying so.
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/db/DbError.h"
#include "platform/db/Fields.h"
#include "platform/db/SqlLexer.h"
#include "platform/db/Variants.h"

struct sqlite3;
struct sqlite3_stmt;

using TSqlParamValues = std::vector<std::pair<std::string, Variant>>;  // name without ':', value

struct TSqlColumn {
    std::string Name;
    TFieldType DataType = ftUnknown;
    int Size = 0;            // string length, or decimals of a number
    int Precision = 0;       // width of a number
    std::string OriginField; // the table field the column shows; "" for an expression
};

struct TSqlResult {
    std::vector<TSqlColumn> Columns;
    std::vector<std::vector<Variant>> Rows;
    std::vector<long long> RecordIndexes;  // per row, for an editable result
    std::string LiveTable;                 // the table an editable result can write; "" read-only
};

class TSqlEngine;

// A statement stopped at one of its bounds, or cancelled; the text says which.
class ESqlLimitError : public EDatabaseError {
public:
    using EDatabaseError::EDatabaseError;
};

struct TSqlLimits {
    double Seconds = 600;                  // running time of one statement
    long long MemoryBytes = 1LL << 30;     // the engine's working memory, and so the rows of a result
    int ValueBytes = 100 * 1000 * 1000;    // the longest text or blob a statement may make
};
// The bounds of the statements that start from now on (all engines of the program).
TSqlLimits SqlLimits();
void SetSqlLimits(const TSqlLimits& limits);
// Stops the statements running now; each fails with "The query was cancelled.". Any thread may
// call it, and so may the progress hook.
void CancelSqlStatements();
// Called about ten times a second while a statement runs (for instance to let the user press a
// Cancel button); an empty function calls nothing.
void SetSqlProgressHook(std::function<void()> hook);

// One statement, checked and ready to run.
class TSqlStatement {
public:
    ~TSqlStatement();
    TSqlStatement(const TSqlStatement&) = delete;
    TSqlStatement& operator=(const TSqlStatement&) = delete;

    bool AnswersRows() const;  // a SELECT (or anything with result columns)
    int Execute(const TSqlParamValues& params);    // answers the rows changed
    TSqlResult Fetch(const TSqlParamValues& params);
    std::vector<TSqlColumn> Columns() const;  // before a run: expression columns untyped

private:
    friend class TSqlEngine;
    TSqlStatement(TSqlEngine& engine, std::string ddl, sqlite3_stmt* stmt, std::string liveTable);
    void Bind(const TSqlParamValues& params);
    std::vector<TSqlColumn> DescribeColumns(int first) const;

    TSqlEngine& engine_;
    std::string ddl_;             // our own DDL; empty for statements SQLite runs
    sqlite3_stmt* stmt_ = nullptr;
    std::string liveTable_;       // set when column 0 is the record index of this table
};

class TSqlEngine {
public:
    explicit TSqlEngine(std::string folder);
    ~TSqlEngine();
    TSqlEngine(const TSqlEngine&) = delete;
    TSqlEngine& operator=(const TSqlEngine&) = delete;

    const std::string& Folder() const { return folder_; }
    // Checks a statement; syntax errors and unknown tables raise EDatabaseError with SQLite's
    // or our own message. With `live`, a SELECT over one table also yields record indexes.
    std::unique_ptr<TSqlStatement> Prepare(const std::string& sql, bool live = false);
    int ExecSQL(const std::string& sql, const TSqlParamValues& params = {});
    TSqlResult Select(const std::string& sql, const TSqlParamValues& params = {}, bool live = false);

    // Row writes of an editable result (table as named in the statement, fields by name).
    void UpdateRecord(const std::string& table, long long index, const std::vector<std::string>& fields, const std::vector<Variant>& values);
    long long InsertRecord(const std::string& table, const std::vector<std::string>& fields, const std::vector<Variant>& values);
    void DeleteRecord(const std::string& table, long long index);
    std::vector<Variant> ReadRecord(const std::string& table, long long index, const std::vector<std::string>& fields);

    // The table file a name in a statement stands for; "" when no such file exists.
    std::string ResolveTable(const std::string& name) const;

    struct Impl;

private:
    friend class TSqlStatement;
    sqlite3_stmt* Compile(const std::string& sql);
    void AttachTable(const std::string& name);
    void RunDdl(const std::string& sql);
    void CreateTable(const std::vector<TSqlToken>& tokens, const std::string& sql);
    void CreateIndex(const std::vector<TSqlToken>& tokens);
    void DropTable(const std::vector<TSqlToken>& tokens);
    std::string TablePath(const std::string& name) const;
    sqlite3_stmt* CompileBound(const std::string& sql, const std::vector<Variant>& values);
    void Run(sqlite3_stmt* stmt);
    void DetachTablesOf(const std::string& path);
    void BeginRun();
    std::string ExistingTable(const TSqlToken& name) const;
    [[noreturn]] void Fail(const std::string& context) const;

    std::string folder_;
    sqlite3* db_ = nullptr;
    std::unique_ptr<Impl> impl_;
};


// The field type, size and precision a declared column type stands for ("NUMERIC(8,2)").
bool FieldTypeOfDeclared(const std::string& declared, TSqlColumn& column);
