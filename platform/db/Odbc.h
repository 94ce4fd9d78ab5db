#pragma once
// ODBC data sources through the driver manager: connections and statements, table lists,
// datasets on ODBC tables (and batch moves into them), and the odbc.ini files that define the
// data sources. Texts go to and come from the drivers as UTF-8.
//
// A database of the session connects over ODBC when its alias (or its own parameters) name a
// data source with "ODBC DSN="; TOdbcTable and OdbcConnectionOf find it by its database name.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/db/BatchMove.h"
#include "platform/db/DataSet.h"
#include "platform/db/Database.h"

struct TOdbcColumn {
    std::string Name;
    TFieldType DataType = ftString;
    int Size = 0;       // length of a text, decimals of a number
    int Precision = 0;  // width of a number
};

struct TOdbcResult {
    std::vector<TOdbcColumn> Columns;
    std::vector<std::vector<Variant>> Rows;
};

class TOdbcConnection : public TDatabaseConnection {
public:
    // Raises EDatabaseError naming the data source and the driver manager's diagnostics
    // (an unknown data source, a driver library that cannot be loaded, a refused login).
    // The driver manager keeps the driver of a data source it has connected for the life of the
    // process; the data source's other values are read afresh after TOdbcIniFile::Save.
    explicit TOdbcConnection(const std::string& dataSource, const std::string& userName = "",
                             const std::string& password = "");
    ~TOdbcConnection() override;
    TOdbcConnection(const TOdbcConnection&) = delete;
    TOdbcConnection& operator=(const TOdbcConnection&) = delete;

    const std::string& DataSource() const { return dataSource_; }

    // Runs a statement with '?' parameters; the rows it changed (-1 when the driver cannot tell).
    long long Execute(const std::string& sql, const std::vector<Variant>& params = {});
    TOdbcResult Select(const std::string& sql, const std::vector<Variant>& params = {});
    std::vector<TOdbcColumn> Columns(const std::string& tableName);
    // "schema.name" where the driver reports a schema; system tables only when asked for.
    std::vector<std::string> TableNames(bool systemTables = false) override;
    bool TableExists(const std::string& tableName);
    // The name in the driver's identifier quotes ("name" with the usual drivers).
    std::string QuoteName(const std::string& name) const;

private:
    class TStatement;
    friend class TStatement;
    TStatement& Prepared(const std::string& sql);

    std::string dataSource_;
    void* environment_ = nullptr;
    void* connection_ = nullptr;
    std::string quote_;
    std::map<std::string, std::unique_ptr<TStatement>> statements_;  // prepared, by text
};

// The ODBC connection of the database of that name, connecting it when needed; raises when the
// database is unknown or does not stand for an ODBC data source.
TOdbcConnection& OdbcConnectionOf(const std::string& databaseName);

// The ODBC module's start-up: databases with "ODBC DSN" connect through it from then on. The
// program's start-up calls it, and so does every test program that opens such a database.
void InitializeOdbcModule();

// A dataset on one table of an ODBC database. Open reads every row; posts and deletes are
// written at once. A changed or deleted row is found by IndexFieldNames ("A;B") when set, else
// by all its values. A new row writes only the columns that were given a value, so the others
// keep the table's defaults.
class TOdbcTable : public TDataSet {
public:
    TOdbcTable() = default;
    ~TOdbcTable() override;
    std::string ClassName() const override { return "TOdbcTable"; }

    const std::string& DatabaseName() const { return databaseName_; }
    void SetDatabaseName(const std::string& name);
    const std::string& TableName() const { return tableName_; }
    void SetTableName(const std::string& name);
    const std::string& IndexFieldNames() const { return indexFieldNames_; }
    void SetIndexFieldNames(const std::string& names) { indexFieldNames_ = names; }

    bool Exists();
    // The table anew from FieldDefs (an existing one is dropped); types every server knows.
    void CreateTable();
    bool CanModify() const override { return Active(); }
    TOdbcConnection& Connection() const { return OdbcConnectionOf(databaseName_); }

protected:
    void InternalOpen() override;
    void InternalClose() override;
    void InternalInitFieldDefs() override;
    int InternalRecordCount() const override { return int(rows_.size()); }
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
    void DefineFields(const std::vector<TOdbcColumn>& columns);
    void ReadRows();
    std::string QuotedTable() const;
    std::string RowCondition(const std::vector<Variant>& row, std::vector<Variant>& params);
    bool Editing() const { return State() == dsEdit || State() == dsInsert; }

    std::string databaseName_;
    std::string tableName_;
    std::string indexFieldNames_;
    std::vector<std::vector<Variant>> rows_;
    std::vector<TBookmark> ids_;
    TBookmark nextId_ = 0;
    int current_ = -1;
    std::vector<Variant> buffer_;
    std::vector<bool> changed_;
};

// An ODBC table as batch-move destination; a copy drops and creates it with the source's fields.
class TOdbcTableDestination : public TBatchDestination {
public:
    explicit TOdbcTableDestination(TOdbcTable& table) : table_(table) {}
    TDataSet& DataSet() override { return table_; }
    std::string KeyFieldNames() const override { return table_.IndexFieldNames(); }
    void Recreate(TDataSet& source) override;
    bool IsSameAs(const TDataSet& source) const override { return &source == &table_; }

private:
    TOdbcTable& table_;
};

// ---- data-source definitions

enum class TOdbcScope { User, System };
// User entries: $ODBCINI, else ~/.odbc.ini; system entries: odbc.ini in $ODBCSYSINI, else in /etc.
std::string OdbcIniPath(TOdbcScope scope);
// The folder the system's ODBC driver libraries are installed in, with a trailing '/'.
std::string OdbcDriverFolder();
// Whether the driver manager knows a driver of that name (odbcinst.ini).
bool IsOdbcDriverInstalled(const std::string& name);

// One odbc.ini: sections of "key = value" lines. Every other line (comments, blanks) is kept
// as it is; sections and keys are matched without regard to case.
class TOdbcIniFile {
public:
    explicit TOdbcIniFile(std::string path);  // reads the file when it exists
    const std::string& Path() const { return path_; }
    bool FileExists() const;
    bool CanWrite() const;  // the file, or while it is missing its folder, is writable

    bool SectionExists(const std::string& section) const;
    bool ReadString(const std::string& section, const std::string& key, std::string& value) const;
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void AddSection(const std::string& section);
    // Writes a temporary file, then renames it; raises EDatabaseError when that fails.
    void Save() const;

private:
    int SectionLine(const std::string& section) const;  // -1 when missing
    int SectionEnd(int sectionLine) const;
    int KeyLine(int sectionLine, const std::string& key) const;

    std::string path_;
    std::vector<std::string> lines_;
};
