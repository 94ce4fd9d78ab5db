#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "app/FInfo.h"
#include "app/UMSSql.h"
#include "app/support_Dialogs.h"
#include "platform/core/DateTime.h"
#include "platform/db/Database.h"
#include "platform/db/Odbc.h"
#include "platform/db/Table.h"
#include "platform/ui/ScriptedUiServices.h"
#include "support_OdbcTools.h"

namespace {

namespace fs = std::filesystem;
using qbtest::kAddChoice;
using qbtest::kCancelChoice;
using Shown = std::vector<qbtest::ShownChoiceDialog>;

TEST(MSSqlTables, OnlyTablesOfTheDboSchemaAreOffered)
{
    TStringList names;
    for (const char* name : {"dbo.T1", "sys.T2", "dbo.Long Name", "Plain", "guest.T3"}) names.Add(name);
    TStringList offered;
    FilterMSSqlTableNames(names, offered);
    offered.Delimiter = ';';
    offered.QuoteChar = '"';
    EXPECT_EQ(offered.DelimitedText(), "T1;\"Long Name\";Plain");
}

TEST(MSSqlSettings, RegistryRootsAndDataSourceValues)
{
    const std::pair<const char*, HKEY> roots[] = {{"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
                                                  {"HKEY_USERS", HKEY_USERS},
                                                  {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
                                                  {"anything", HKEY_LOCAL_MACHINE}};
    for (const auto& [name, root] : roots) EXPECT_EQ(MSSqlRegistryRoot(name), root) << name;

    qbtest::TempDir dir;
    qbtest::WriteFileBytes(dir.file("odbc.ini"), "[Src]\nServer = HOST\n");
    TOdbcIniFile ini(dir.file("odbc.ini"));
    struct Case {
        bool writable;
        const char* name;
        const char* value;
        bool answer;
        const char* stored;
    };
    const Case cases[] = {{false, "Server", "host", true, "HOST"},  // equal but for case: nothing written
                          {false, "Server", "other", false, "HOST"},
                          {false, "Database", "db", false, ""},
                          {true, "Server", "other", true, "other"},
                          {true, "Database", "db", true, "db"}};
    for (const Case& c : cases) {
        EXPECT_EQ(CheckOrWriteRegistryString(ini, c.writable, "Src", c.name, c.value), c.answer) << c.name << c.value;
        std::string stored;
        ini.ReadString("Src", c.name, stored);
        EXPECT_EQ(stored, c.stored) << c.name << c.value;
    }
}

class MSSqlCopyTest : public testing::Test {
protected:
    MSSqlCopyTest() : scope_(ui_)
    {
        odbctest::ResetOdbcFiles();
        setenv("XDG_DATA_HOME", dir_.path().c_str(), 1);  // the user's own settings copies
        fs::create_directories(dir_.file("common"));
        CommonDirectory = dir_.file("common") + "/";
        WriteSettings("local", database_);
        WriteSource();
    }
    ~MSSqlCopyTest() override
    {
        EXPECT_EQ(MSSqlDatabase(), nullptr) << "every copy closes the database";
        EXPECT_EQ(ui_.Pending(), 0) << "a scripted answer was not asked for";
        EXPECT_TRUE(ui_.Failures().empty()) << ui_.Failures().front();
        CommonDirectory.clear();
    }

    void WriteSettings(const std::string& server, const std::string& database, const std::string& regKey = "HKEY_CURRENT_USER")
    {
        qbtest::WriteFileBytes(CommonDirectory + "MSSqlODBC.ini",
                               "[MSSQL]\r\nODBCname=QbSql\r\nServer=" + server + "\r\nDatabase=" + database +
                                   "\r\nRegKey=" + regKey + "\r\nDriver=libsqlite3odbc.so\r\nTrusted_Connection=Yes\r\n"
                                   "ODBCdriver=" + odbctest::kSqliteDriver + "\r\n");
    }

    void WriteSource()
    {
        source_.SetTableName(dir_.file("people.dbf"));
        source_.FieldDefs().Add("ID", ftInteger).Precision = 6;
        source_.FieldDefs().Add("NAME", ftString, 20);
        source_.FieldDefs().Add("BORN", ftDate);
        source_.CreateTable();
        source_.Open();
        const std::pair<const char*, TDateTime> rows[] = {
            {"Anna", EncodeDate(2000, 2, 29)}, {"Bohumil Říha", EncodeDate(1963, 7, 1)}, {"Cyril", EncodeDate(1990, 1, 1)}};
        int id = 0;
        for (const auto& [name, born] : rows) {
            source_.Append();
            source_.FieldByName("ID").SetAsInteger(id += 10);
            source_.FieldByName("NAME").SetAsString(name);
            source_.FieldByName("BORN").SetAsDateTime(born);
            source_.Post();
        }
    }

    Shown Copy(std::vector<int> choices)
    {
        auto shown = std::make_shared<Shown>();
        qbtest::AnswerChoiceDialogs(std::move(choices), shown);
        CopyToMSSqlServer(source_, nullptr);
        return *shown;
    }

    TOdbcConnection& Server()
    {
        if (!server_) {
            odbctest::AddSqliteDataSource("QbSqlReader", database_);
            server_ = std::make_unique<TOdbcConnection>("QbSqlReader");
        }
        return *server_;
    }
    std::vector<std::string> Rows(const std::string& sql)
    {
        std::vector<std::string> rows;
        for (const auto& row : Server().Select(sql).Rows) {
            std::string line;
            for (const Variant& value : row) {
                line += &value == &row.front() ? "" : "|";
                if (value.Type() == TVarType::String) line += value.StringValue();
                if (value.Type() == TVarType::Integer || value.Type() == TVarType::Float)
                    line += std::to_string(value.IntegerValue() + (long long)value.FloatValue() * (value.Type() == TVarType::Float));
                if (value.Type() == TVarType::Date) line += FormatDateTime("yyyy-mm-dd", value.FloatValue());
            }
            rows.push_back(line);
        }
        return rows;
    }
    std::string LastMessage() const { return ui_.Log().empty() ? "" : ui_.Log().back().Text; }

    // The first copy: the user adds the new table's name to the list.
    void CopyToNewTable(const std::string& name)
    {
        ui_.Push(TUiAnswer::Input(name));
        ui_.Push(TUiAnswer::Press(mrOk));
        Copy({kAddChoice});
    }

    TScriptedUiServices ui_;
    TScopedUiServices scope_;
    qbtest::TempDir dir_;
    std::string database_ = dir_.file("server.sqlite");
    TTable source_;
    std::unique_ptr<TOdbcConnection> server_;
};

const std::vector<std::string> kCopied = {"10|Anna|2000-02-29", "20|Bohumil Říha|1963-07-01", "30|Cyril|1990-01-01"};

TEST_F(MSSqlCopyTest, NewTableThenAppendWithANewIndex)
{
    CopyToNewTable("People");
    EXPECT_EQ(LastMessage(), "Data copy successful.");
    EXPECT_EQ(ui_.Log().back().MsgType, TMsgDlgType::mtWarning);
    EXPECT_EQ(Rows("SELECT ID, NAME, BORN FROM People ORDER BY ID"), kCopied);

    const TOdbcIniFile ini(odbctest::UserOdbcIni());
    const std::pair<const char*, std::string> values[] = {{"Database", database_},
                                                          {"Driver", odbctest::SqliteDriverLibrary()},
                                                          {"Server", "local"},
                                                          {"Trusted_Connection", "Yes"}};
    for (const auto& [key, value] : values) {
        std::string stored;
        EXPECT_TRUE(ini.ReadString("QbSql", key, stored)) << key;
        EXPECT_EQ(stored, value) << key;
    }
    std::string driver;
    EXPECT_TRUE(ini.ReadString("ODBC Data Sources", "QbSql", driver));
    EXPECT_EQ(driver, odbctest::kSqliteDriver);
    EXPECT_EQ(Session().GetAliasDriverName("QbSql"), odbctest::kSqliteDriver);

    ui_.Push(TUiAnswer::Press(mrOk));
    const Shown shown = Copy({0, 0, 0});  // People, Append, index on ID
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].caption, "Export to MS SQL server");
    EXPECT_EQ(shown[0].group, "Select table");
    EXPECT_EQ(shown[0].items, std::vector<std::string>{"People"});
    EXPECT_EQ(shown[0].preselected, -1);
    EXPECT_EQ(shown[1].caption, "Select");
    EXPECT_EQ(shown[1].group, "Copy mode");
    EXPECT_EQ(shown[1].items, (std::vector<std::string>{"Append", "Update", "Append and Update", "Copy", "Delete"}));
    EXPECT_EQ(shown[1].preselected, 3);
    EXPECT_EQ(shown[2].caption, "Define new index");
    EXPECT_EQ(shown[2].items, (std::vector<std::string>{"ID", "NAME", "BORN"}));
    EXPECT_EQ(LastMessage(), "Data copy successful.");
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM People"), std::vector<std::string>{"6"});
    EXPECT_EQ(Rows("SELECT name FROM sqlite_master WHERE type = 'index' AND tbl_name = 'People'"),
              std::vector<std::string>{"ID"});
    // Names in identifier quotes: a server takes a name in single quotes for a text.
    EXPECT_EQ(CreateIndexText(Server(), "Long Name", "ID"), "CREATE INDEX \"ID\" ON \"Long Name\" (\"ID\")");

    ui_.Push(TUiAnswer::Press(mrOk));
    Copy({0, 3});  // People, Copy: replaces the contents
    EXPECT_EQ(Rows("SELECT ID, NAME, BORN FROM People ORDER BY ID"), kCopied);
}

TEST_F(MSSqlCopyTest, DroppedRowsAreReportedAsAFailure)
{
    Server().Execute("CREATE TABLE Checked (ID INTEGER CHECK (ID <> 20), NAME VARCHAR(20))");
    ui_.Push(TUiAnswer::Press(mrOk));
    Copy({0, 0, kCancelChoice});  // Checked, Append, no index
    EXPECT_EQ(LastMessage(), "Data copy failed: 1 of 3 records were not copied.");
    EXPECT_EQ(Rows("SELECT ID, NAME FROM Checked ORDER BY ID"), (std::vector<std::string>{"10|Anna", "30|Cyril"}));
}

TEST_F(MSSqlCopyTest, CancelledChoicesAbortTheCopy)
{
    CopyToNewTable("People");
    struct Case {
        std::vector<int> choices;
        std::string message;
    };
    const Case cases[] = {{{kCancelChoice}, "Copy to MS SQL server was aborted."},
                          {{0, kCancelChoice}, "Copy to MS SQL server was aborted. Selected export table exists."}};
    for (const Case& c : cases) {
        ui_.Push(TUiAnswer::Press(mrOk));
        Copy(c.choices);
        EXPECT_EQ(LastMessage(), c.message);
        EXPECT_EQ(Rows("SELECT ID, NAME, BORN FROM People ORDER BY ID"), kCopied) << c.message;
    }
}

TEST_F(MSSqlCopyTest, ServerAndDatabaseAskedOfTheUser)
{
    WriteSettings("?;a;b", "?");
    ui_.Push(TUiAnswer::Input(database_));  // the database's input box
    const auto shown = std::make_shared<Shown>();
    qbtest::AnswerChoiceDialogs({1}, shown);
    ASSERT_TRUE(OpenMSSqlDatabase("", "", nullptr));
    ASSERT_EQ(shown->size(), 1u);
    EXPECT_EQ(shown->front().caption, "Select MS SQL server");
    EXPECT_EQ(shown->front().items, (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(ui_.Log().back().Caption, "Select database of MS SQL server");
    EXPECT_EQ(ui_.Log().back().Text, "Server b");
    EXPECT_EQ(MSSqlDatabase()->DatabaseName(), database_);
    CloseMSSqlDatabase();

    // The test driver makes the chosen database as a file: it goes into the test's own folder.
    const std::string x = dir_.file("x"), y = dir_.file("y");
    WriteSettings("local", "?" + x + ";" + y);
    qbtest::AnswerChoiceDialogs({0}, shown);
    ASSERT_TRUE(OpenMSSqlDatabase("", "", nullptr));
    EXPECT_EQ(shown->back().caption, "Select database of MS SQL server");
    EXPECT_EQ(shown->back().group, "Server local");
    EXPECT_EQ(shown->back().items, (std::vector<std::string>{x, y}));
    EXPECT_EQ(MSSqlDatabase()->DatabaseName(), x);
    CloseMSSqlDatabase();
}

TEST_F(MSSqlCopyTest, MissingSettingsFileIsReported)
{
    fs::remove(CommonDirectory + "MSSqlODBC.ini");
    ui_.Push(TUiAnswer::Press(mrOk));
    Copy({});
    EXPECT_EQ(LastMessage(), "File " + CommonDirectory + "MSSqlODBC.ini with MS SQL ODBC settings does not exist!");
    EXPECT_EQ(ui_.Log().back().MsgType, TMsgDlgType::mtError);
}

TEST_F(MSSqlCopyTest, SystemDataSourceAndTheUsersOwnSettings)
{
    // The user's own copy wins over the common one.
    fs::create_directories(dir_.file("CommonFilesORU"));
    fs::rename(CommonDirectory + "MSSqlODBC.ini", dir_.file("CommonFilesORU/MSSqlODBC.ini"));
    CommonDirectory = dir_.file("common") + "/";
    qbtest::WriteFileBytes(dir_.file("CommonFilesORU/MSSqlODBC.ini"),
                           "ODBCname=QbSql\r\nServer=local\r\nDatabase=" + database_ +
                               "\r\nDriver=libsqlite3odbc.so\r\nTrusted_Connection=Yes\r\nODBCdriver=SQLite3\r\n");
    CopyToNewTable("People");
    EXPECT_EQ(LastMessage(), "Data copy successful.");
    EXPECT_TRUE(TOdbcIniFile(odbctest::SystemOdbcIni()).SectionExists("QbSql")) << "no RegKey: the system entries";
    EXPECT_FALSE(TOdbcIniFile(odbctest::UserOdbcIni()).SectionExists("QbSql"));
}

}  // namespace
