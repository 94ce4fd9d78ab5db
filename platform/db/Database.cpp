#include "platform/db/Database.h"

#include <algorithm>
#include <filesystem>

#include "platform/db/DbError.h"

namespace {

std::vector<TConnectionKind>& ConnectionKinds()
{
    static std::vector<TConnectionKind> kinds;
    return kinds;
}

bool IsStandardDriver(const std::string& driver) { return driver.empty() || SameText(driver, "STANDARD"); }

bool IsTableFile(const std::filesystem::path& path)
{
    return SameText(path.extension().string(), ".dbf");
}

}  // namespace

void RegisterConnectionKind(const TConnectionKind& kind)
{
    std::vector<TConnectionKind>& kinds = ConnectionKinds();
    const auto same = std::find_if(kinds.begin(), kinds.end(),
                                   [&](const TConnectionKind& k) { return SameText(k.Parameter, kind.Parameter); });
    if (same != kinds.end())
        *same = kind;
    else
        kinds.push_back(kind);
}

// ---- TDatabase

TDatabase::TDatabase(TSession* session) : session_(session ? session : &::Session())
{
    session_->databases_.push_back(this);
}

TDatabase::~TDatabase() { std::erase(session_->databases_, this); }

void TDatabase::SetDatabaseName(const std::string& name)
{
    if (connected_) DatabaseError("Cannot change the name of connected database '" + databaseName_ + "'");
    TDatabase* other = session_->FindDatabase(name);
    if (!name.empty() && other && other != this) DatabaseError("Duplicate database name '" + name + "'");
    databaseName_ = name;
}

std::string TDatabase::EffectiveDriver() const
{
    if (!AliasName.empty() && session_->IsAlias(AliasName)) return session_->GetAliasDriverName(AliasName);
    return DriverName;
}

std::string TDatabase::Param(const std::string& name) const
{
    std::string value = Params.Values(name);
    if (value.empty() && !AliasName.empty() && session_->IsAlias(AliasName)) {
        TStringList aliasParams;
        session_->GetAliasParams(AliasName, aliasParams);
        value = aliasParams.Values(name);
    }
    return value;
}

std::string TDatabase::Path() const { return Param("PATH"); }

std::string TDatabase::OdbcDataSource() const { return Param("ODBC DSN"); }

void TDatabase::SetConnected(bool connected)
{
    if (connected == connected_) return;
    if (!connected) {
        connection_.reset();
        connected_ = false;
        return;
    }
    if (!AliasName.empty() && !session_->IsAlias(AliasName))
        DatabaseError("Database '" + databaseName_ + "': unknown alias '" + AliasName + "'");
    for (const TConnectionKind& kind : ConnectionKinds()) {
        if (const std::string value = Param(kind.Parameter); !value.empty()) {
            connection_ = kind.Connect(*this, value);
            connected_ = true;
            return;
        }
    }
    // Never taken for a folder: its tables would be looked for in the wrong place.
    if (!OdbcDataSource().empty())
        DatabaseError("Database '" + databaseName_ + "': ODBC data sources are not available");
    const std::string driver = EffectiveDriver();
    if (!IsStandardDriver(driver))
        DatabaseError("Database '" + databaseName_ + "': driver '" + driver + "' is not available");
    const std::string path = Path();
    if (!path.empty() && !std::filesystem::is_directory(path))
        DatabaseError("Database '" + databaseName_ + "': folder '" + path + "' does not exist");
    connected_ = true;
}

void TDatabase::GetTableNames(TStringList& list, bool systemTables)
{
    Open();
    list.Clear();
    if (connection_) {
        for (const std::string& name : connection_->TableNames(systemTables)) list.Add(name);
        return;
    }
    std::vector<std::string> names;
    const std::string path = Path().empty() ? "." : Path();
    for (const auto& entry : std::filesystem::directory_iterator(path))
        if (entry.is_regular_file() && IsTableFile(entry.path())) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
    for (const auto& name : names) list.Add(name);
}

// ---- TSession

TSession::~TSession()
{
    // A database that outlives its session falls back to the default session.
    if (this == &::Session()) return;
    for (TDatabase* database : databases_) {
        database->session_ = &::Session();
        ::Session().databases_.push_back(database);
    }
}

const TSession::Alias* TSession::FindAlias(const std::string& name) const
{
    for (const auto& alias : aliases_)
        if (SameText(alias.name, name)) return &alias;
    return nullptr;
}

bool TSession::IsAlias(const std::string& name) const { return FindAlias(name) != nullptr; }

void TSession::AddAlias(const std::string& name, const std::string& driver, const TStringList& params)
{
    if (name.empty()) DatabaseError("An alias needs a name");
    if (IsAlias(name)) DatabaseError("Alias '" + name + "' already exists");
    Alias alias{name, driver, {}};
    for (int i = 0; i < params.Count(); ++i) alias.params.push_back(params[i]);
    aliases_.push_back(std::move(alias));
}

void TSession::AddStandardAlias(const std::string& name, const std::string& path, const std::string& defaultDriver)
{
    TStringList params;
    params.Add("PATH=" + path);
    params.Add("DEFAULT DRIVER=" + defaultDriver);
    AddAlias(name, "STANDARD", params);
}

void TSession::GetAliasNames(TStringList& list) const
{
    list.Clear();
    for (const auto& alias : aliases_) list.Add(alias.name);
}

void TSession::GetAliasParams(const std::string& name, TStringList& list) const
{
    const Alias* alias = FindAlias(name);
    if (!alias) DatabaseError("Unknown alias '" + name + "'");
    list.Clear();
    for (const auto& line : alias->params) list.Add(line);
}

std::string TSession::GetAliasDriverName(const std::string& name) const
{
    const Alias* alias = FindAlias(name);
    if (!alias) DatabaseError("Unknown alias '" + name + "'");
    return alias->driver;
}

TDatabase* TSession::FindDatabase(const std::string& name) const
{
    if (name.empty()) return nullptr;
    for (TDatabase* database : databases_)
        if (SameText(database->DatabaseName(), name)) return database;
    return nullptr;
}

std::string TSession::DatabasePath(const std::string& databaseName) const
{
    if (databaseName.empty()) return "";
    if (TDatabase* database = FindDatabase(databaseName)) {
        database->Open();
        return database->Path();
    }
    if (const Alias* alias = FindAlias(databaseName)) {
        TStringList params;
        GetAliasParams(alias->name, params);
        return params.Values("PATH");
    }
    if (std::filesystem::is_directory(databaseName)) return databaseName;
    DatabaseError("Unknown database '" + databaseName + "'");
}

TSession& Session()
{
    static TSession session;
    return session;
}
