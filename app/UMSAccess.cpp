#include "app/UMSAccess.h"

#include <QCoreApplication>
#include <QProgressBar>
#include <filesystem>

#include "app/FInfo.h"
#include "app/FSelectCase.h"
#include "app/SPGetSid.h"
#include "app/UORUCommon.h"
#include "platform/core/NumText.h"
#include "platform/db/Database.h"
#include "platform/db/DbError.h"
#include "platform/db/Odbc.h"
#include "platform/ui/UiServices.h"

namespace fs = std::filesystem;

namespace {

const char* const kSettingsFile = "MSAccessODBC.ini";
const char* const kNewTable = "<New table>";
const char* const kProcessItems = "\"Re-write data\";\"Append data\";\"Change table name\"";
enum TProcess { prRewrite, prAppend, prRename };

struct TAccessColumnType {
    const char* text;  // after the column name; "" for " text(<size>)"
    TExportKind kind;
};

TAccessColumnType AccessColumnType(TFieldType type)
{
    switch (type) {
    case ftString: case ftBytes: case ftVarBytes: case ftFixedChar: case ftWideString: return {"", ekText};
    case ftSmallint: return {" SMALLINT", ekInteger};
    case ftInteger: case ftWord: case ftAutoInc: case ftLargeint: return {" INTEGER", ekInteger};
    case ftBoolean: return {" SMALLINT", ekBoolean};
    case ftFloat: return {" float", ekFloat};
    case ftCurrency: return {" MONEY", ekFloat};
    case ftDate: case ftTime: case ftDateTime: return {" DATETIME", ekDateTime};
    case ftMemo: case ftFmtMemo: return {" MEMO", ekText};
    default: return {nullptr, ekNone};
    }
}

// "\SOFTWARE\ODBC\ODBC.INI" under the root, as the messages name it.
std::string DataSourcesKey(HKEY root)
{
    const std::string prefix = root == HKEY_USERS ? "\\" + GetCurrentUserSid() : "";
    return prefix + "\\SOFTWARE\\ODBC\\ODBC.INI";
}

int IntegerSetting(const TStringList& settings, const std::string& name) { return StrToInt(settings.Values(name)); }

void WriteDataSource(TOdbcIniFile& ini, const std::string& dataSource, const std::string& databaseFile,
                     const TStringList& settings)
{
    // The user's file always wins over a DBQ of the settings, which would redirect the export.
    const std::string file = databaseFile.empty() ? settings.Values("DBQ") : databaseFile;
    ini.WriteString(dataSource, "DBQ", file);
    // The ODBC drivers of this platform read the database file from "Database".
    ini.WriteString(dataSource, "Database", file);
    ini.WriteString(dataSource, "Driver", OdbcDriverPath(settings.Values("Driver")));
    ini.WriteString(dataSource, "DriverId", std::to_string(IntegerSetting(settings, "DriverId")));
    ini.WriteString(dataSource, "FIL", settings.Values("FIL"));
    ini.WriteString(dataSource, "SafeTransactions", std::to_string(IntegerSetting(settings, "SafeTransactions")));
    ini.WriteString(dataSource, "UID", settings.Values("UID"));
    // The engine settings live in the data source's own section here.
    ini.WriteString(dataSource, "ImplicitCommitSync", settings.Values("ImplicitCommitSync"));
    for (const char* name : {"MaxBufferSize", "PageTimeout", "Threads"})
        ini.WriteString(dataSource, name, std::to_string(IntegerSetting(settings, name)));
    ini.WriteString(dataSource, "UserCommitSync", settings.Values("UserCommitSync"));
    ini.WriteString("ODBC Data Sources", dataSource, settings.Values("AODBC"));
}

const char* const kAccessAliasParams[] = {
    "DATABASE NAME=", "USER NAME=", "ODBC DSN=", "OPEN MODE=READ/WRITE", "SCHEMA CACHE SIZE=8", "SQLQRYMODE=",
    "LANGDRIVER=", "SQLPASSTHRU MODE=SHARED AUTOCOMMIT", "SCHEMA CACHE TIME=-1", "MAX ROWS=-1", "BATCH COUNT=200",
    "ENABLE SCHEMA CACHE=FALSE", "SCHEMA CACHE DIR=", "ENABLE BCD=FALSE", "ROWSET SIZE=20", "BLOBS TO CACHE=64"};

bool CopyTemplate(const std::string& fileName)
{
    const std::string name = LowerCase(fs::path(fileName).extension().string()) == ".accdb" ? "NewEmptyDB.accdb"
                                                                                                 : "NewEmptyDB.mdb";
    const std::string folder = CommonDirectory.empty() ? ProgramFolder() : CommonDirectory;
    std::error_code error;
    fs::copy_file(folder + name, fileName, fs::copy_options::overwrite_existing, error);
    return !error;
}

long long FirstInteger(const TOdbcResult& result)
{
    if (result.Rows.empty() || result.Rows[0].empty()) return 0;
    const Variant& value = result.Rows[0][0];
    if (value.Type() == TVarType::String) return StrToIntDef(value.StringValue(), 0);
    return value.IsNull() ? 0 : (long long)value.FloatValue();
}

// New IDs follow the largest ID of the table (its row count when it has no ID column).
long long LastId(TOdbcConnection& connection, const std::string& tableName)
{
    bool hasId = false;
    for (const TOdbcColumn& column : connection.Columns(tableName)) hasId = hasId || SameText(column.Name, "ID");
    const std::string table = connection.QuoteName(tableName);
    return FirstInteger(connection.Select(hasId ? "select max(ID) from " + table + ";" : "select count(*) from " + table + ";"));
}

void CopyValue(const TExportFlds& column)
{
    TField& from = *column.SourceField;
    TField& to = *column.TargetField;
    switch (column.Kind) {
    case ekText: to.SetAsString(from.AsString()); break;
    case ekBoolean: to.SetAsInteger(from.AsBoolean() ? 1 : 0); break;
    case ekInteger: to.SetAsInteger(from.AsInteger()); break;
    case ekFloat: to.SetAsFloat(from.AsFloat()); break;
    case ekDateTime: to.SetAsDateTime(from.AsDateTime()); break;
    default: break;
    }
}

void CopyRecords(TDataSet& source, std::vector<TExportFlds>& fields, const std::string& databaseName,
                 const std::string& tableName, long long lastId, QProgressBar* progress)
{
    TOdbcTable table;
    table.SetDatabaseName(databaseName);
    table.SetTableName(tableName);
    table.Open();
    for (TExportFlds& column : fields)
        if (!column.FieldName.empty()) column.TargetField = table.FindField(column.FieldName);
    TField* idField = table.FindField("ID");
    long long id = lastId;
    const int total = source.RecordCount() + 1;
    for (source.First(); !source.Eof(); source.Next()) {
        table.Append();
        if (idField) idField->SetValue(Variant::Integer(id + 1));
        for (const TExportFlds& column : fields)
            if (column.TargetField && !column.SourceField->AsString().empty()) CopyValue(column);
        table.Post();
        ++id;
        if (progress) progress->setValue(int(Rnd(double(id) * 100.0 / double(total + lastId))));
    }
    table.Close();
}

// The database keeps its connection only for one export.
class TConnectedFor {
public:
    explicit TConnectedFor(TDatabase& database) : database_(database) {}
    ~TConnectedFor() { database_.Close(); }
    TConnectedFor(const TConnectedFor&) = delete;
    TConnectedFor& operator=(const TConnectedFor&) = delete;

private:
    TDatabase& database_;
};

}  // namespace

std::string AccessColumnDefinition(const std::string& fieldName, TFieldType type, int size, int& kind)
{
    const TAccessColumnType column = AccessColumnType(type);
    kind = column.text && UpperCase(fieldName) != "ID" ? column.kind : ekNone;
    if (kind == ekNone) return "";
    return EncloseText(3, fieldName) + (*column.text ? column.text : " text(" + std::to_string(size) + ")");
}

std::vector<TExportFlds> BuildExportFields(TDataSet& source, std::vector<std::string>* columns)
{
    std::vector<TExportFlds> fields(size_t(source.FieldCount()));
    for (int i = 0; i < source.FieldCount(); ++i) {
        TField& field = source.Fields().Fields(i);
        TExportFlds& descriptor = fields[size_t(i)];
        descriptor.SourceField = &field;
        descriptor.Size = field.Size();
        const std::string column = AccessColumnDefinition(field.FieldName(), field.DataType(), field.Size(), descriptor.Kind);
        if (column.empty()) continue;
        descriptor.FieldName = field.FieldName();
        if (columns) columns->push_back(column);
    }
    return fields;
}

std::string AccessCreateTableText(const std::string& tableName, const std::vector<std::string>& columns)
{
    std::string text = "create table " + tableName + "\r\n(" + "[ID] integer";
    for (const std::string& column : columns) text += ",\r\n" + column;
    return text + "\r\n);";
}

TStringList ReadOdbcSettings(const std::string& path)
{
    TStringList lines;
    lines.LoadFromFile(path);
    TStringList settings;
    for (int i = 0; i < lines.Count(); ++i) {
        const size_t equals = lines[i].find('=');
        if (equals != std::string::npos)
            settings.Add(Trim(lines[i].substr(0, equals)) + "=" + Trim(lines[i].substr(equals + 1)));
    }
    return settings;
}

HKEY RegistryRootFromName(const std::string& name)
{
    if (name == "HKEY_CURRENT_USER") return HKEY_CURRENT_USER;
    if (name == "HKEY_LOCAL_MACHINE") return HKEY_LOCAL_MACHINE;
    if (name == "HKEY_USERS") return HKEY_USERS;
    return 0;
}

std::string OdbcIniOfRoot(HKEY root)
{
    if (root == HKEY_CURRENT_USER || root == HKEY_USERS) return OdbcIniPath(TOdbcScope::User);
    if (root == HKEY_LOCAL_MACHINE) return OdbcIniPath(TOdbcScope::System);
    return "";
}

void AddOdbcAlias(const std::string& alias, const std::string& driver, const std::string& dataSource,
                  std::span<const char* const> params)
{
    if (Session().IsAlias(alias)) return;
    TStringList list;
    for (const char* param : params) list.Add(std::string(param) + (std::string(param) == "ODBC DSN=" ? dataSource : ""));
    Session().AddAlias(alias, driver, list);
}

std::string SystemDriverPath(const std::string& name) { return OdbcDriverFolder() + name; }

std::string OdbcDriverPath(const std::string& driver)
{
    if (driver.starts_with("/") || IsOdbcDriverInstalled(driver)) return driver;
    return SystemDriverPath(driver);
}

std::string GetCommonDirectory()
{
    if (CommonDirectory.empty())
        CommonDirectory = InitCommonDirectory(QCoreApplication::applicationFilePath().toStdString());
    return CommonDirectory;
}

bool SetUpAccessDataSource(const std::string& dataSource, const std::string& databaseFile, const std::string& alias)
{
    const std::string path = GetCommonDirectory() + kSettingsFile;
    if (!fs::is_regular_file(path)) {
        UiServices().ShowError("File " + path + " with ODBC settings does not exist!");
        return false;
    }
    const TStringList settings = ReadOdbcSettings(path);
    const HKEY root = RegistryRootFromName(settings.Values("RegKey"));
    const std::string base = DataSourcesKey(root);
    const std::string iniPath = OdbcIniOfRoot(root);
    if (iniPath.empty() || !TOdbcIniFile(iniPath).CanWrite()) {
        UiServices().ShowInformation("Open registry error: " + base);
        return false;
    }
    TOdbcIniFile ini(iniPath);
    WriteDataSource(ini, dataSource, databaseFile, settings);
    ini.Save();
    AddOdbcAlias(alias, settings.Values("AODBC"), dataSource, kAccessAliasParams);
    return true;
}

bool ChooseAccessTable(TDatabase& database, QWidget* owner, std::string& tableName)
{
    TStringList names;
    database.GetTableNames(names, false);
    names.Add(kNewTable);
    names.Delimiter = ';';
    names.QuoteChar = '"';
    const int index = SelectCaseChoice(owner, "Export to mdb", "Table", false, names.Count() - 1, names.DelimitedText());
    if (index < 0) return false;
    if (index < names.Count() - 1) {
        tableName = names[index];
        return true;
    }
    std::string name = "NewTable";
    if (!UiServices().InputQuery("Export to mdb", "New table name", name) || Trim(name).empty()) return false;
    tableName = Trim(name);
    return true;
}

bool AccessTableExists(TDatabase& database, const std::string& name)
{
    TStringList names;
    database.GetTableNames(names, false);
    for (int i = 0; i < names.Count(); ++i)
        if (SameText(names[i], name)) return true;
    return false;
}

void ExportToMSAccess(TDataSet& source, const std::string& fileName, TDatabase& database, QProgressBar* progress,
                      QWidget* owner)
{
    if (!fs::exists(fileName) && !CopyTemplate(fileName)) {
        UiServices().ShowWarning("Cannot copy/create file " + fileName);
        return;
    }
    if (!SetUpAccessDataSource(kAccessDataSource, fs::absolute(fileName).string(), kAccessDataSource)) return;
    database.Close();
    database.AliasName = kAccessDataSource;
    TConnectedFor connected(database);
    database.Open();
    TOdbcConnection& connection = OdbcConnectionOf(database.DatabaseName());
    source.Open();

    std::string tableName;
    std::vector<std::string> columns;
    std::vector<TExportFlds> fields;
    long long lastId = 0;
    for (bool chosen = false; !chosen;) {
        if (!ChooseAccessTable(database, owner, tableName)) return;
        int process = prRewrite;
        if (AccessTableExists(database, tableName)) {
            process = SelectCaseChoice(owner, "Table " + tableName + " exists", "Select process", false, 0, kProcessItems);
            if (process < 0) {
                UiServices().ShowWarning("Export cancelled.");
                return;
            }
            if (process == prRewrite) connection.Execute("drop table " + connection.QuoteName(tableName) + ";");
        }
        chosen = process != prRename;
        if (process == prAppend) {
            lastId = LastId(connection, tableName);
            fields = BuildExportFields(source);
        } else if (process == prRewrite) {
            fields = BuildExportFields(source, &columns);
            connection.Execute(AccessCreateTableText(connection.QuoteName(tableName), columns));
        }
    }
    CopyRecords(source, fields, database.DatabaseName(), tableName, lastId, progress);
    database.Close();
    UiServices().ShowInformation("MS Access table was exported successfully.");
}
