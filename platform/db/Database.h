#pragma once
// Databases and the session: a database names a folder of dBase tables (parameter PATH) or an
// alias of the session; the session holds the alias set and the databases by name.
// An alias or database with the parameter "ODBC DSN" connects to that ODBC data source instead
// (with its "USER NAME" and "PASSWORD"), through the connection kind the ODBC module registers
// at start-up (InitializeOdbcModule in Odbc.h).
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/StringList.h"

class TDatabase;
class TSession;

// A database's connection to something other than a folder of dBase tables.
class TDatabaseConnection {
public:
    virtual ~TDatabaseConnection() = default;
    // "schema.name" where the source reports a schema; system tables only when asked for.
    virtual std::vector<std::string> TableNames(bool systemTables = false) = 0;
};

// A kind of connection: a database whose parameters (own, else its alias's) give a value for
// Parameter connects through Connect(database, value) instead of opening a folder.
struct TConnectionKind {
    std::string Parameter;
    std::function<std::unique_ptr<TDatabaseConnection>(const TDatabase& database, const std::string& value)> Connect;
};
// Modules register their kinds at start-up; a kind for the same parameter replaces the earlier.
void RegisterConnectionKind(const TConnectionKind& kind);

class TDatabase : public TObject {
public:
    explicit TDatabase(TSession* session = nullptr);  // nullptr: the default session
    ~TDatabase() override;
    TDatabase(const TDatabase&) = delete;
    TDatabase& operator=(const TDatabase&) = delete;
    std::string ClassName() const override { return "TDatabase"; }

    const std::string& DatabaseName() const { return databaseName_; }
    void SetDatabaseName(const std::string& name);  // unique in the session (case ignored)
    std::string AliasName;
    std::string DriverName;  // "STANDARD" (or empty): a folder of dBase tables
    TStringList Params;      // NAME=VALUE lines, e.g. "PATH=/data/"
    bool LoginPrompt = true;

    bool Connected() const { return connected_; }
    void SetConnected(bool connected);
    void Open() { SetConnected(true); }
    void Close() { SetConnected(false); }

    std::string Path() const;  // the folder of the tables (own PATH, else the alias's)
    void GetTableNames(TStringList& list, bool systemTables = false);  // table files of the folder, sorted
    TSession& Session() const { return *session_; }

    std::string OdbcDataSource() const;  // "" when the database is a folder of tables
    // While connected through a connection kind (to an ODBC data source); none for a folder.
    TDatabaseConnection* Connection() const { return connection_.get(); }
    std::string Param(const std::string& name) const;  // own, else the alias's

private:
    friend class TSession;
    std::string EffectiveDriver() const;

    TSession* session_;
    std::string databaseName_;
    bool connected_ = false;
    std::unique_ptr<TDatabaseConnection> connection_;
};

class TSession : public TObject {
public:
    TSession() = default;
    ~TSession() override;
    std::string ClassName() const override { return "TSession"; }

    std::string NetFileDir;
    std::string PrivateDir;

    bool IsAlias(const std::string& name) const;
    void AddAlias(const std::string& name, const std::string& driver, const TStringList& params);
    void AddStandardAlias(const std::string& name, const std::string& path, const std::string& defaultDriver);
    void GetAliasNames(TStringList& list) const;
    void GetAliasParams(const std::string& name, TStringList& list) const;
    std::string GetAliasDriverName(const std::string& name) const;

    TDatabase* FindDatabase(const std::string& name) const;
    // The folder a database name stands for: a database of the session, an alias, or a folder.
    std::string DatabasePath(const std::string& databaseName) const;

private:
    friend class TDatabase;
    struct Alias {
        std::string name;
        std::string driver;
        std::vector<std::string> params;
    };
    const Alias* FindAlias(const std::string& name) const;

    std::vector<Alias> aliases_;
    std::vector<TDatabase*> databases_;
};

TSession& Session();  // the default session of the program
