#pragma once
// ODBC set-up of the tests: a private odbc.ini pair with the SQLite ODBC driver registered, so
// no test reads or writes the machine's data sources.
#include <string>

namespace odbctest {

// The driver name the private odbcinst.ini registers for the SQLite ODBC driver.
inline const std::string kSqliteDriver = "SQLite3";

// The driver manager reads ODBCSYSINI once per process, so the folder is fixed for the whole
// test program: ODBCSYSINI is <folder>/system, ODBCINI is <folder>/user.odbc.ini.
// Each call empties both odbc.ini files and registers the SQLite driver afresh; it also starts
// the ODBC module as the program's start-up does, so databases with "ODBC DSN" connect.
void ResetOdbcFiles();
std::string UserOdbcIni();
std::string SystemOdbcIni();
std::string SqliteDriverLibrary();

// A user data source on a SQLite database file.
void AddSqliteDataSource(const std::string& name, const std::string& databaseFile);

}  // namespace odbctest
