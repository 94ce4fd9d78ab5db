#include "app/UMSSql.h"

#include <QWidget>
#include <filesystem>
#include <memory>
#include <vector>

#include "app/FInfo.h"
#include "app/FSelectCase.h"
#include "app/UMSAccess.h"
#include "platform/db/BatchMove.h"
#include "platform/db/Database.h"
#include "platform/db/Odbc.h"
#include "platform/ui/UiServices.h"

namespace fs = std::filesystem;

namespace {

const char* const kSettingsFile = "MSSqlODBC.ini";
const char* const kDataSourcesKey = "\\SOFTWARE\\ODBC\\ODBC.INI";
const char* const kCopyModeItems = "Append;Update;\"Append and Update\";Copy;Delete";
constexpr TBatchMode kCopyModes[] = {batAppend, batUpdate, batAppendUpdate, batCopy, batDelete};
constexpr int kCopyModeDefault = 3;  // Copy

const char* const kMSSqlAliasParams[] = {
    "BATCH COUNT=200", "BLOB SIZE=32", "BLOBS TO CACHE=64", "DATABASE NAME=", "ENABLE BCD=FALSE",
    "ENABLE SCHEMA CACHE=FALSE", "LANGDRIVER=", "MAX ROWS=-1", "ODBC DSN=", "OPEN MODE=READ/WRITE", "PASSWORD=",
    "ROWSET SIZE=20", "SCHEMA CACHE DIR=", "SCHEMA CACHE SIZE=8", "SCHEMA CACHE TIME=-1",
    "SQLPASSTHRU MODE=SHARED AUTOCOMMIT", "SQLQRYMODE=", "USER NAME="};

struct TListedTable {
    std::string name;
    std::unique_ptr<TOdbcTable> table;
};

// The process-wide state: the database object and the tables opened on it.
std::unique_ptr<TDatabase> g_database;
std::vector<TListedTable> g_tables;

std::string InstallationValue(const std::string& name)
{
    std::string value;
    return FormInfo && FormInfo->ReadRegistryString(name, value) ? value : "";
}

std::string ExternalManagerMessage(const std::string& dataSource, const std::string& difference)
{
    return "ODBC " + dataSource + " must be specified by external manager" +
           (difference.empty() ? "." : " (difference in " + difference + ").");
}

// The server, database and data source the settings describe; asked of the user where they say so.
struct TMSSqlSetUp {
    std::string dataSource;
    std::string server;
    std::string database;
    bool trusted = false;
};

std::string DatabaseName(const std::string& callers, const TStringList& settings, const std::string& server)
{
    std::string name = callers;
    if (name.empty()) name = InstallationValue("MSSQLdatabase");
    if (name.empty()) name = settings.Values("Database");
    if (name.empty()) name = "?";
    if (name.starts_with("?")) name = SelectMSSqlDatabase(name.substr(1), "Server " + server);
    return name;
}

// Writes or checks the data source; false after the warning of the first difference.
bool CheckDataSource(TOdbcIniFile& ini, bool writable, const TMSSqlSetUp& setUp, const TStringList& settings)
{
    const std::string& name = setUp.dataSource;
    const struct {
        const char* key;
        std::string value;
        std::string difference;
    } values[] = {{"Database", setUp.database, "database / " + setUp.database},
                  {"Driver", OdbcDriverPath(settings.Values("Driver")), "driver"},
                  {"Server", setUp.server, "server"},
                  {"Trusted_Connection", settings.Values("Trusted_Connection"), "Trusted_Connection"}};
    for (const auto& [key, value, difference] : values) {
        if (CheckOrWriteRegistryString(ini, writable, name, key, value)) continue;
        UiServices().ShowWarning(ExternalManagerMessage(name, difference));
        return false;
    }
    if (!CheckOrWriteRegistryString(ini, writable, "ODBC Data Sources", name, settings.Values("ODBCdriver"))) {
        UiServices().ShowWarning(ExternalManagerMessage(name, ""));
        return false;
    }
    if (writable) ini.Save();
    return true;
}

bool SetUpMSSqlDatabase(const std::string& databaseName)
{
    const std::string path = LocateMSSqlSettings();
    if (!fs::is_regular_file(path)) {
        UiServices().ShowError("File " + path + " with MS SQL ODBC settings does not exist!");
        return false;
    }
    const TStringList settings = ReadOdbcSettings(path);
    TMSSqlSetUp setUp{settings.Values("ODBCname"), InstallationValue("MSSQLserver"), "", false};
    if (setUp.server.empty()) setUp.server = settings.Values("Server");
    if (setUp.server.starts_with("?")) setUp.server = SelectMSSqlServer(setUp.server.substr(std::min<size_t>(2, setUp.server.size())));

    TOdbcIniFile ini(OdbcIniOfRoot(MSSqlRegistryRoot(settings.Values("RegKey"))));
    const bool writable = ini.CanWrite();
    if (!ini.FileExists() && !writable) {
        UiServices().ShowWarning("Cannot write ODBC settings into registry.");
        return false;
    }
    if (!writable && !ini.SectionExists(setUp.dataSource)) {
        UiServices().ShowWarning(std::string("Cannot open register key ") + kDataSourcesKey + "\\" + setUp.dataSource);
        return false;
    }
    setUp.database = DatabaseName(databaseName, settings, setUp.server);
    if (!CheckDataSource(ini, writable, setUp, settings)) return false;

    AddOdbcAlias(setUp.dataSource, settings.Values("ODBCdriver"), setUp.dataSource, kMSSqlAliasParams);
    g_database = std::make_unique<TDatabase>();
    g_database->SetDatabaseName(setUp.database);
    g_database->AliasName = setUp.dataSource;
    g_database->LoginPrompt = settings.Values("Trusted_Connection") != "Yes";
    g_tables.clear();
    return true;
}

// The login the engine would prompt for; false when the user cancels.
bool AskLogin(TDatabase& database)
{
    std::string user = database.Params.Values("USER NAME");
    std::string password;
    if (!UiServices().InputQuery("Database Login", "User Name", user)) return false;
    if (!UiServices().InputQuery("Database Login", "Password", password)) return false;
    database.Params.SetValue("USER NAME", user);
    database.Params.SetValue("PASSWORD", password);
    return true;
}

TListedTable* ListedTable(const std::string& name)
{
    for (TListedTable& listed : g_tables)
        if (SameText(listed.name, name)) return &listed;
    return nullptr;
}

TOdbcTable& NewTable(const std::string& name)
{
    auto table = std::make_unique<TOdbcTable>();
    table->SetDatabaseName(g_database->DatabaseName());
    table->SetTableName(name);
    g_tables.push_back({name, std::move(table)});
    return *g_tables.back().table;
}

// The index choice of the table window over an ODBC table; false when the user cancels.
bool ChooseIndex(TOdbcTable& table, QWidget* owner)
{
    if (!table.IndexFieldNames().empty()) {
        const int index = SelectCaseChoice(owner, "Select index", "Field", false, -1, table.IndexFieldNames());
        if (index < 0) return false;
        table.Close();
        table.SetIndexFieldNames(FormSelectCase->ItemText(index));
        return true;
    }
    TStringList names;
    table.GetFieldNames(names);
    names.Delimiter = ';';
    names.QuoteChar = '"';
    const int index = SelectCaseChoice(owner, "Define new index", "Field", false, -1, names.DelimitedText());
    if (index < 0) return false;
    const std::string field = FormSelectCase->ItemText(index);
    table.Close();
    TOdbcConnection& connection = table.Connection();
    connection.Execute(CreateIndexText(connection, table.TableName(), field));
    table.SetIndexFieldNames(field);
    return true;
}

// Every copy ends with the database closed, whatever happened.
class TClosedAfterCopy {
public:
    TClosedAfterCopy() = default;
    ~TClosedAfterCopy() { CloseMSSqlDatabase(); }
    TClosedAfterCopy(const TClosedAfterCopy&) = delete;
    TClosedAfterCopy& operator=(const TClosedAfterCopy&) = delete;
};

// The existing table and the copy mode the user picks; nil after the abort message.
TOdbcTable* ChooseExistingTable(const std::string& name, QWidget* window, TBatchMode& mode)
{
    TOdbcTable* table = OpenMSSqlTable(name);
    if (!table) {
        AbortMSSqlCopy("Cannot open existing table.");
        return nullptr;
    }
    const int choice = SelectCaseChoice(window, "Select", "Copy mode", false, kCopyModeDefault, kCopyModeItems);
    if (choice < 0) {
        AbortMSSqlCopy("Selected export table exists.");
        return nullptr;
    }
    mode = kCopyModes[choice];
    if (mode == batAppend || mode == batUpdate || mode == batAppendUpdate) SelectMSSqlTableIndex(name, window);
    return table;
}

}  // namespace

std::string CreateIndexText(const TOdbcConnection& connection, const std::string& table, const std::string& field)
{
    return "CREATE INDEX " + connection.QuoteName(field) + " ON " + connection.QuoteName(table) + " (" +
           connection.QuoteName(field) + ")";
}

std::string LocateMSSqlSettings() { return LocateCommonSettingsFile(kSettingsFile, true); }

HKEY MSSqlRegistryRoot(const std::string& name)
{
    if (name == "HKEY_CURRENT_USER") return HKEY_CURRENT_USER;
    if (name == "HKEY_USERS") return HKEY_USERS;
    return HKEY_LOCAL_MACHINE;
}

bool OpenMSSqlDatabase(const std::string& databaseName, const std::string& tableName, QWidget*)
{
    if (!g_database && !SetUpMSSqlDatabase(databaseName)) return false;
    if (!g_database->Connected() && g_database->LoginPrompt && !AskLogin(*g_database)) {
        CloseMSSqlDatabase();
        return false;
    }
    try {
        g_database->Open();
    } catch (...) {
        CloseMSSqlDatabase();  // the next try reads the settings anew
        throw;
    }
    if (!tableName.empty()) OpenMSSqlTable(tableName);
    return true;
}

TDatabase* MSSqlDatabase() { return g_database.get(); }

TOdbcTable* OpenMSSqlTable(const std::string& name)
{
    if (!g_database) return nullptr;
    TListedTable* listed = ListedTable(name);
    TOdbcTable& table = listed ? *listed->table : NewTable(name);
    try {
        table.Open();
        return &table;
    } catch (const Exception&) {
        return nullptr;
    }
}

void CloseMSSqlDatabase()
{
    if (!g_database) return;
    while (!g_tables.empty()) {
        g_tables.back().table->Close();
        g_tables.pop_back();
    }
    g_database->Close();
    g_database.reset();
}

void GetMSSqlTableNames(TStringList& list)
{
    list.Clear();
    if (!g_database) return;
    TStringList names;
    g_database->GetTableNames(names, false);
    FilterMSSqlTableNames(names, list);
}

void FilterMSSqlTableNames(const TStringList& names, TStringList& list)
{
    list.Clear();
    for (int i = 0; i < names.Count(); ++i) {
        // A database without schemas (a file database standing in) names its tables plainly.
        if (names[i].starts_with("dbo."))
            list.Add(names[i].substr(4));
        else if (names[i].find('.') == std::string::npos)
            list.Add(names[i]);
    }
}

bool MSSqlTableExists(const std::string& name)
{
    TStringList names;
    GetMSSqlTableNames(names);
    return names.IndexOf(name) >= 0;
}

std::string SelectMSSqlTableIndex(const std::string& name, QWidget* owner)
{
    TListedTable* listed = ListedTable(name);
    TOdbcTable* table = listed ? listed->table.get() : OpenMSSqlTable(name);
    if (!table) {
        UiServices().ShowWarning("Cannot open MS SQL table " + name + ".");
        return "";
    }
    return ChooseIndex(*table, owner) ? table->IndexFieldNames() : "";
}

std::string SelectMSSqlServer(const std::string& list)
{
    const int index = SelectCase(nullptr, "Select MS SQL server", "", true, 0, list);  // over the main window
    return FormSelectCase->ItemText(index);
}

std::string SelectMSSqlDatabase(const std::string& list, const std::string& groupCaption)
{
    const char* const caption = "Select database of MS SQL server";
    if (list.empty()) {
        std::string name;
        UiServices().InputQuery(caption, groupCaption, name);
        return name;
    }
    const int index = SelectCase(nullptr, caption, groupCaption, true, 0, list);
    return FormSelectCase->ItemText(index);
}

bool CheckOrWriteRegistryString(TOdbcIniFile& ini, bool writable, const std::string& section, const std::string& name,
                                const std::string& value)
{
    std::string current;
    if (ini.ReadString(section, name, current) && SameText(current, value)) return true;
    if (!writable) return false;
    ini.WriteString(section, name, value);
    return true;
}

void AbortMSSqlCopy(const std::string& reason)
{
    CloseMSSqlDatabase();
    UiServices().ShowWarning("Copy to MS SQL server was aborted." + (reason.empty() ? "" : " " + reason));
}

void CopyToMSSqlServer(TDataSet& source, QWidget* window)
{
    if (!OpenMSSqlDatabase("", "", window)) return;
    TClosedAfterCopy closed;
    TStringList names;
    GetMSSqlTableNames(names);
    names.Delimiter = ';';
    names.QuoteChar = '"';
    const int index = SelectCase(window, "Export to MS SQL server", "Select table", true, -1, names.DelimitedText());
    const std::string name = Trim(FormSelectCase->ItemText(index));
    if (name.empty()) {
        AbortMSSqlCopy();
        return;
    }
    TBatchMode mode = batCopy;
    TOdbcTable* table = MSSqlTableExists(name) ? ChooseExistingTable(name, window, mode) : &NewTable(name);
    if (!table) return;

    TBatchMove move;
    move.Source = &source;
    move.SetDestination(std::make_unique<TOdbcTableDestination>(*table));
    move.Mode = mode;
    move.AbortOnProblem = false;
    move.Execute();
    CloseMSSqlDatabase();
    if (move.ProblemCount() > 0) {
        UiServices().ShowWarning("Data copy failed: " + std::to_string(move.ProblemCount()) + " of " +
                                 std::to_string(move.ProblemCount() + move.MovedCount()) + " records were not copied.");
        return;
    }
    UiServices().ShowWarning("Data copy successful.");
}
