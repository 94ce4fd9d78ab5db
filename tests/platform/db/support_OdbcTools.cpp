#include "support_OdbcTools.h"

#include <cstdlib>
#include <filesystem>

#include "platform/db/Odbc.h"
#include "support/TestSupport.h"

namespace odbctest {

namespace {

const std::filesystem::path& Folder()
{
    static const qbtest::TempDir folder;
    static const bool set = [] {
        std::filesystem::create_directories(folder.path() / "system");
        setenv("ODBCSYSINI", (folder.path() / "system").c_str(), 1);
        setenv("ODBCINI", (folder.path() / "user.odbc.ini").c_str(), 1);
        return true;
    }();
    (void)set;
    return folder.path();
}

}  // namespace

std::string UserOdbcIni() { return (Folder() / "user.odbc.ini").string(); }
std::string SystemOdbcIni() { return (Folder() / "system" / "odbc.ini").string(); }
std::string SqliteDriverLibrary() { return OdbcDriverFolder() + "libsqlite3odbc.so"; }

void ResetOdbcFiles()
{
    InitializeOdbcModule();
    qbtest::WriteFileBytes((Folder() / "system" / "odbcinst.ini").string(),
                           "[" + kSqliteDriver + "]\nDescription = SQLite3 ODBC Driver\nDriver = " +
                               SqliteDriverLibrary() + "\n");
    // Written through the ini class, so the driver manager forgets what it read before.
    for (const std::string& path : {UserOdbcIni(), SystemOdbcIni()}) {
        qbtest::WriteFileBytes(path, "");
        TOdbcIniFile(path).Save();
    }
}

void AddSqliteDataSource(const std::string& name, const std::string& databaseFile)
{
    TOdbcIniFile ini(UserOdbcIni());
    ini.WriteString(name, "Driver", kSqliteDriver);
    ini.WriteString(name, "Database", databaseFile);
    ini.Save();
}

}  // namespace odbctest
