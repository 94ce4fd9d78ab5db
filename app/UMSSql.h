#pragma once
// Export to an MS SQL Server database through an ODBC data source. The data source in odbc.ini
// is checked (and written where allowed) from the settings file "MSSqlODBC.ini"; server and
// database may be asked of the user; one process-wide database object holds the connection and
// the tables opened on it from set-up to the end of each copy.
#include <string>

#include "platform/core/Registry.h"
#include "platform/core/StringList.h"

class QWidget;
class TDataSet;
class TDatabase;
class TOdbcConnection;
class TOdbcIniFile;
class TOdbcTable;

// The settings file: the user's own copy when there is one, else the common directory's.
std::string LocateMSSqlSettings();
// "HKEY_CURRENT_USER", "HKEY_USERS"; HKEY_LOCAL_MACHINE for any other text.
HKEY MSSqlRegistryRoot(const std::string& name);

// Sets the database object up when there is none (false after its message when that stops),
// connects it and, with a table name, opens that table.
bool OpenMSSqlDatabase(const std::string& databaseName, const std::string& tableName, QWidget* owner);
TDatabase* MSSqlDatabase();  // nil while closed
// The listed table of that name, opened and listed when it is not yet; nil when it cannot open.
TOdbcTable* OpenMSSqlTable(const std::string& name);
void CloseMSSqlDatabase();

// The database's tables of the schema dbo, without "dbo."; tables of other schemas are left out.
void GetMSSqlTableNames(TStringList& list);
void FilterMSSqlTableNames(const TStringList& names, TStringList& list);
bool MSSqlTableExists(const std::string& name);
// The index the user picks or defines on the table; "" when the user cancels.
std::string SelectMSSqlTableIndex(const std::string& name, QWidget* owner);
// The index named after its field, with the names in the server's identifier quotes.
std::string CreateIndexText(const TOdbcConnection& connection, const std::string& table, const std::string& field);

std::string SelectMSSqlServer(const std::string& list);
std::string SelectMSSqlDatabase(const std::string& list, const std::string& groupCaption);

// True when the section's value equals the given one (case ignored) or could be written.
bool CheckOrWriteRegistryString(TOdbcIniFile& ini, bool writable, const std::string& section, const std::string& name,
                                const std::string& value);
void AbortMSSqlCopy(const std::string& reason = "");

// The table window's copy: the user picks a table and the copy mode; a batch move writes.
void CopyToMSSqlServer(TDataSet& source, QWidget* window);
