#pragma once
// Export of a dataset into a table of an MS Access database file through an ODBC data source:
// the data source is written to odbc.ini from the settings file "MSAccessODBC.ini" of the common
// directory, an engine alias is put over it, a missing database file is made from a template,
// and the user picks or names the target table, which is created or appended to.
#include <span>
#include <string>
#include <vector>

#include "platform/core/Registry.h"
#include "platform/core/StringList.h"
#include "platform/db/Fields.h"

class QProgressBar;
class QWidget;
class TDataSet;
class TDatabase;

inline const std::string kAccessDataSource = "MSAccessToTables";

// How a column is copied.
enum TExportKind { ekNone = -1, ekText = 0, ekBoolean = 1, ekInteger = 2, ekFloat = 3, ekDateTime = 4 };

// One field of the source and the column it goes to.
struct TExportFlds {
    std::string FieldName;  // "" for a field that is not copied
    TField* SourceField = nullptr;
    TField* TargetField = nullptr;  // found once the target table is open
    int Size = 0;
    int Kind = ekNone;
};

// "[NAME] text(20)" and its copy kind for a field; a field that is not copied gives "" and ekNone.
std::string AccessColumnDefinition(const std::string& fieldName, TFieldType type, int size, int& kind);
// The descriptors of every field of the open source, in field order ("ID" is never copied).
std::vector<TExportFlds> BuildExportFields(TDataSet& source, std::vector<std::string>* columns = nullptr);
// "create table <name>" with "[ID] integer" and a column per copied field; the name comes quoted for the connection.
std::string AccessCreateTableText(const std::string& tableName, const std::vector<std::string>& columns);

// The settings file's "name=value" lines, names trimmed (looked up without regard to case).
TStringList ReadOdbcSettings(const std::string& path);
// "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS"; 0 for any other text.
HKEY RegistryRootFromName(const std::string& name);
// The odbc.ini standing for the data sources of a registry root; "" for none.
std::string OdbcIniOfRoot(HKEY root);
// A driver library in the system's ODBC driver folder.
std::string SystemDriverPath(const std::string& name);
// The Driver value of a data source: a full path or a driver the driver manager knows stays as
// it is, any other name is a library of the system's driver folder.
std::string OdbcDriverPath(const std::string& driver);

// Adds the engine alias over an ODBC data source unless the alias exists; the parameter
// "ODBC DSN=" gets the data source's name.
void AddOdbcAlias(const std::string& alias, const std::string& driver, const std::string& dataSource,
                  std::span<const char* const> params);

// The common directory; found first when it is not known yet.
std::string GetCommonDirectory();

// Writes the data source and adds the alias; false (after its message) on a problem.
bool SetUpAccessDataSource(const std::string& dataSource, const std::string& databaseFile, const std::string& alias);
// The table list with "<New table>", then a name for a new table; false when the user cancels.
bool ChooseAccessTable(TDatabase& database, QWidget* owner, std::string& tableName);
bool AccessTableExists(TDatabase& database, const std::string& name);

// The whole export of every record of source into the database file.
void ExportToMSAccess(TDataSet& source, const std::string& fileName, TDatabase& database, QProgressBar* progress,
                      QWidget* owner);
