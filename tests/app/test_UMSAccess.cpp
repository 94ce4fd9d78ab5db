#include <gtest/gtest.h>

#include <QProgressBar>
#include <filesystem>

#include "app/FInfo.h"
#include "app/UMSAccess.h"
#include "app/support_Dialogs.h"
#include "platform/core/DateTime.h"
#include "platform/db/Database.h"
#include "platform/db/DbError.h"
#include "platform/db/Odbc.h"
#include "platform/db/Table.h"
#include "platform/ui/ScriptedUiServices.h"
#include "support_OdbcTools.h"

namespace {

namespace fs = std::filesystem;
using qbtest::kCancelChoice;

TEST(AccessColumns, EachSourceTypeGetsItsColumnAndCopyKind)
{
    struct Case {
        const char* name;
        TFieldType type;
        int size;
        const char* column;
        int kind;
    };
    const Case cases[] = {
        {"NAME", ftString, 20, "[NAME] text(20)", ekText},       {"RAW", ftBytes, 8, "[RAW] text(8)", ekText},
        {"VRAW", ftVarBytes, 9, "[VRAW] text(9)", ekText},       {"CODE", ftFixedChar, 3, "[CODE] text(3)", ekText},
        {"WIDE", ftWideString, 40, "[WIDE] text(40)", ekText},   {"SMALL", ftSmallint, 0, "[SMALL] SMALLINT", ekInteger},
        {"COUNT", ftInteger, 0, "[COUNT] INTEGER", ekInteger},   {"W", ftWord, 0, "[W] INTEGER", ekInteger},
        {"AUTO", ftAutoInc, 0, "[AUTO] INTEGER", ekInteger},     {"BIG", ftLargeint, 0, "[BIG] INTEGER", ekInteger},
        {"OK", ftBoolean, 0, "[OK] SMALLINT", ekBoolean},        {"AGE", ftFloat, 2, "[AGE] float", ekFloat},
        {"PRICE", ftCurrency, 0, "[PRICE] MONEY", ekFloat},      {"BORN", ftDate, 0, "[BORN] DATETIME", ekDateTime},
        {"AT", ftTime, 0, "[AT] DATETIME", ekDateTime},          {"WHEN", ftDateTime, 0, "[WHEN] DATETIME", ekDateTime},
        {"NOTE", ftMemo, 0, "[NOTE] MEMO", ekText},              {"RTF", ftFmtMemo, 0, "[RTF] MEMO", ekText},
        {"SUM", ftBCD, 4, "", ekNone},                           {"PIC", ftGraphic, 0, "", ekNone},
        {"DATA", ftBlob, 0, "", ekNone},                         {"id", ftInteger, 0, "", ekNone},
    };
    for (const Case& c : cases) {
        int kind = 99;
        EXPECT_EQ(AccessColumnDefinition(c.name, c.type, c.size, kind), c.column) << c.name;
        EXPECT_EQ(kind, c.kind) << c.name;
    }
}

TEST(AccessColumns, CreateTableTextOfASourceTable)
{
    std::vector<std::string> columns;
    int kind = 0;
    for (const auto& [name, type, size] : {std::tuple{"ID", ftInteger, 0}, {"NAME", ftString, 20}, {"AGE", ftFloat, 2},
                                           {"BORN", ftDate, 0}, {"NOTE", ftMemo, 0}, {"SUM", ftBCD, 4}})
        if (const std::string column = AccessColumnDefinition(name, type, size, kind); !column.empty())
            columns.push_back(column);
    EXPECT_EQ(AccessCreateTableText("People", columns),
              "create table People\r\n([ID] integer,\r\n[NAME] text(20),\r\n[AGE] float,\r\n[BORN] DATETIME,\r\n"
              "[NOTE] MEMO\r\n);");
    EXPECT_EQ(AccessCreateTableText("Empty", {}), "create table Empty\r\n([ID] integer\r\n);");
}

TEST(AccessSettings, RootsDriversAndSettingLines)
{
    odbctest::ResetOdbcFiles();
    struct RootCase {
        const char* name;
        HKEY root;
        std::string ini;
    };
    const RootCase roots[] = {{"HKEY_CURRENT_USER", HKEY_CURRENT_USER, odbctest::UserOdbcIni()},
                              {"HKEY_USERS", HKEY_USERS, odbctest::UserOdbcIni()},
                              {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE, odbctest::SystemOdbcIni()},
                              {"hkey_current_user", 0, ""},
                              {"", 0, ""}};
    for (const RootCase& c : roots) {
        EXPECT_EQ(RegistryRootFromName(c.name), c.root) << c.name;
        EXPECT_EQ(OdbcIniOfRoot(c.root), c.ini) << c.name;
    }
    EXPECT_EQ(OdbcDriverPath("/opt/odbc/libaccess.so"), "/opt/odbc/libaccess.so");
    EXPECT_EQ(OdbcDriverPath(odbctest::kSqliteDriver), odbctest::kSqliteDriver) << "a driver the manager knows";
    EXPECT_EQ(OdbcDriverPath("libsqlite3odbc.so"), odbctest::SqliteDriverLibrary());

    qbtest::TempDir dir;
    qbtest::WriteFileBytes(dir.file("s.ini"), "[ODBC]\r\n Driver = lib.so \r\nno value line\r\nUID=\r\naodbc=Name=x\r\n");
    const TStringList settings = ReadOdbcSettings(dir.file("s.ini"));
    EXPECT_EQ(settings.Values("DRIVER"), "lib.so");
    EXPECT_EQ(settings.Values("AODBC"), "Name=x");
    EXPECT_EQ(settings.IndexOfName("uid"), 1);
}

// A source table of the table window: three people; their IDs are not copied.
std::string WriteSource(const std::string& path)
{
    TTable table;
    table.SetTableName(path);
    table.FieldDefs().Add("ID", ftInteger).Precision = 6;
    table.FieldDefs().Add("NAME", ftString, 20);
    table.FieldDefs().Add("AGE", ftFloat, 2).Precision = 6;
    table.FieldDefs().Add("BORN", ftDate);
    table.FieldDefs().Add("OK", ftBoolean);
    table.FieldDefs().Add("NOTE", ftMemo);
    table.CreateTable();
    table.Open();
    const struct {
        const char* name;
        double age;
        TDateTime born;
        bool ok;
        const char* note;
    } rows[] = {{"Anna", 24.5, EncodeDate(2000, 2, 29), true, "likes\r\ncats"},
                {"Bohumil Říha", 61.25, EncodeDate(1963, 7, 1), false, ""},
                {"", 0, 0, false, ""}};
    int id = 10;
    for (const auto& row : rows) {
        table.Append();
        table.FieldByName("ID").SetAsInteger(id += 10);
        if (*row.name) {
            table.FieldByName("NAME").SetAsString(row.name);
            table.FieldByName("AGE").SetAsFloat(row.age);
            table.FieldByName("BORN").SetAsDateTime(row.born);
            table.FieldByName("OK").SetAsBoolean(row.ok);
        }
        if (*row.note) table.FieldByName("NOTE").SetAsString(row.note);
        table.Post();
    }
    return path;
}

const std::vector<std::string> kExported = {"Anna|24.5|2000-02-29|1|likes\r\ncats", "Bohumil Říha|61.25|1963-07-01|0|",
                                            "|||X|"};

class AccessExportTest : public testing::Test {
protected:
    AccessExportTest() : scope_(ui_)
    {
        odbctest::ResetOdbcFiles();
        CommonDirectory = dir_.path().string() + "/";
        WriteSettings("HKEY_CURRENT_USER", "");
        MakeTemplate();
        source_.SetTableName(WriteSource(dir_.file("people.dbf")));
        source_.Open();
        database_.SetDatabaseName("dbAccess");
        database_.DriverName = "Microsoft Access Driver (*.mdb)";
    }
    ~AccessExportTest() override
    {
        EXPECT_EQ(ui_.Pending(), 0) << "a scripted answer was not asked for";
        EXPECT_TRUE(ui_.Failures().empty()) << ui_.Failures().front();
        CommonDirectory.clear();
    }

    void WriteSettings(const std::string& regKey, const std::string& dbq, const std::string& driver = "libsqlite3odbc.so")
    {
        qbtest::WriteFileBytes(dir_.file("MSAccessODBC.ini"),
                               "[ODBC]\r\nRegKey=" + regKey + "\r\nDBQ=" + dbq + "\r\nDriver=" + driver +
                                   "\r\nDriverId=25\r\nFIL=MS Access;\r\nSafeTransactions=0\r\nUID=\r\n"
                                   "ImplicitCommitSync=\r\nMaxBufferSize=2048\r\nPageTimeout=5\r\nThreads=3\r\n"
                                   "UserCommitSync=Yes\r\nAODBC=" + odbctest::kSqliteDriver + "\r\n");
    }

    // The empty database the export copies: a SQLite file with one table of its own.
    void MakeTemplate()
    {
        odbctest::AddSqliteDataSource("TemplateMaker", dir_.file("NewEmptyDB.mdb"));
        TOdbcConnection("TemplateMaker").Execute("CREATE TABLE Marker (A INTEGER)");
    }

    // Runs the export answering the choice dialogs; returns what the choice dialogs showed.
    std::vector<qbtest::ShownChoiceDialog> Export(std::vector<int> choices)
    {
        auto shown = std::make_shared<std::vector<qbtest::ShownChoiceDialog>>();
        qbtest::AnswerChoiceDialogs(std::move(choices), shown);
        ExportToMSAccess(source_, file_, database_, &progress_, nullptr);
        return *shown;
    }

    std::vector<std::string> Rows(const std::string& sql)
    {
        odbctest::AddSqliteDataSource("Reader", file_);
        TOdbcConnection connection("Reader");
        std::vector<std::string> rows;
        for (const auto& row : connection.Select(sql).Rows) {
            std::string line;
            for (const Variant& value : row) {
                line += &value == &row.front() ? "" : "|";
                if (value.Type() == TVarType::String) line += value.StringValue();
                if (value.Type() == TVarType::Integer) line += std::to_string(value.IntegerValue());
                if (value.Type() == TVarType::Float) line += FormatFloat("0.##", value.FloatValue());
                if (value.Type() == TVarType::Date) line += FormatDateTime("yyyy-mm-dd", value.FloatValue());
            }
            rows.push_back(line);
        }
        return rows;
    }
    std::vector<std::string> People() { return Rows("SELECT NAME, AGE, BORN, OK, NOTE FROM People ORDER BY ID"); }
    std::vector<std::string> Ids() { return Rows("SELECT ID FROM People ORDER BY ID"); }

    void ExpectSuccess() { ui_.Push(TUiAnswer::Press(mrOk)); }
    std::string LastMessage() const { return ui_.Log().empty() ? "" : ui_.Log().back().Text; }

    // Creates People through the export.
    void ExportNewTable()
    {
        ui_.Push(TUiAnswer::Input("People"));
        ExpectSuccess();
        Export({1});
    }

    TScriptedUiServices ui_;
    TScopedUiServices scope_;
    qbtest::TempDir dir_;
    TTable source_;
    TDatabase database_;
    QProgressBar progress_;
    std::string file_ = dir_.file("export.mdb");
};

// The driver manager keeps the driver of a data source for the life of the process once it has
// looked for it, so a child process tries the export.
TEST_F(AccessExportTest, AMissingDriverStopsTheExportWithItsName)
{
    WriteSettings("HKEY_CURRENT_USER", "", "/nowhere/libaccessodbc.so");
    EXPECT_EXIT(
        {
            try {
                Export({});
            } catch (const EDatabaseError& error) {
                std::fputs(error.what(), stderr);
                std::_Exit(database_.Connected() ? 2 : 0);
            }
            std::_Exit(1);
        },
        testing::ExitedWithCode(0), "the driver library /nowhere/libaccessodbc.so does not exist");
}

TEST_F(AccessExportTest, NewFileNewTableAndTheDataSourceEntries)
{
    ui_.Push(TUiAnswer::Input("People"));
    ExpectSuccess();
    const auto shown = Export({1});
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, "Export to mdb");
    EXPECT_EQ(shown[0].group, "Table");
    EXPECT_EQ(shown[0].items, (std::vector<std::string>{"Marker", "<New table>"})) << "the template was copied";
    EXPECT_EQ(shown[0].preselected, 1);
    EXPECT_EQ(ui_.Log()[0].Caption, "Export to mdb");
    EXPECT_EQ(ui_.Log()[0].Text, "New table name");
    EXPECT_EQ(ui_.Log()[0].Default, "NewTable");
    EXPECT_EQ(LastMessage(), "MS Access table was exported successfully.");
    EXPECT_EQ(ui_.Log().back().MsgType, TMsgDlgType::mtInformation);

    EXPECT_EQ(Ids(), (std::vector<std::string>{"1", "2", "3"}));
    auto expected = kExported;
    expected[2] = "||||";  // empty source values leave the columns empty
    EXPECT_EQ(People(), expected);
    EXPECT_EQ(progress_.value(), 75);  // 3 of 3 records against the record count + 1
    EXPECT_FALSE(database_.Connected());

    const std::string file = fs::absolute(file_).string();
    const TOdbcIniFile ini(odbctest::UserOdbcIni());
    const std::pair<const char*, std::string> values[] = {
        {"DBQ", file}, {"Database", file}, {"Driver", odbctest::SqliteDriverLibrary()}, {"DriverId", "25"},
        {"FIL", "MS Access;"}, {"SafeTransactions", "0"}, {"UID", ""}, {"ImplicitCommitSync", ""},
        {"MaxBufferSize", "2048"}, {"PageTimeout", "5"}, {"Threads", "3"}, {"UserCommitSync", "Yes"}};
    for (const auto& [key, value] : values) {
        std::string stored;
        EXPECT_TRUE(ini.ReadString(kAccessDataSource, key, stored)) << key;
        EXPECT_EQ(stored, value) << key;
    }
    std::string driver;
    EXPECT_TRUE(ini.ReadString("ODBC Data Sources", kAccessDataSource, driver));
    EXPECT_EQ(driver, odbctest::kSqliteDriver);
    EXPECT_FALSE(TOdbcIniFile(odbctest::SystemOdbcIni()).SectionExists(kAccessDataSource));

    TStringList params;
    Session().GetAliasParams(kAccessDataSource, params);
    EXPECT_EQ(Session().GetAliasDriverName(kAccessDataSource), odbctest::kSqliteDriver);
    EXPECT_EQ(params.Values("ODBC DSN"), kAccessDataSource);
    EXPECT_EQ(params[0], "DATABASE NAME=");
    EXPECT_EQ(params[15], "BLOBS TO CACHE=64");
}

TEST_F(AccessExportTest, AppendNumbersAfterTheLargestIdAndRewriteStartsAgain)
{
    ExportNewTable();
    Rows("SELECT 1");  // the reader data source
    {
        odbctest::AddSqliteDataSource("Editor", file_);
        TOdbcConnection("Editor").Execute("DELETE FROM People WHERE ID = 2");  // 2 rows left, largest ID 3
    }
    ExpectSuccess();
    const auto shown = Export({1, 1});  // People, "Append data"
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].items, (std::vector<std::string>{"Marker", "People", "<New table>"}));
    EXPECT_EQ(shown[1].caption, "Table People exists");
    EXPECT_EQ(shown[1].group, "Select process");
    EXPECT_EQ(shown[1].items, (std::vector<std::string>{"Re-write data", "Append data", "Change table name"}));
    EXPECT_EQ(shown[1].preselected, 0);
    EXPECT_EQ(Ids(), (std::vector<std::string>{"1", "3", "4", "5", "6"}));
    const auto rows = People();
    EXPECT_EQ(std::vector<std::string>(rows.begin() + 2, rows.end() - 1),
              std::vector<std::string>(kExported.begin(), kExported.end() - 1));

    ExpectSuccess();
    Export({1, 0});  // People, "Re-write data"
    EXPECT_EQ(Ids(), (std::vector<std::string>{"1", "2", "3"}));
}

TEST_F(AccessExportTest, CancelledChoicesChangeNothing)
{
    ExportNewTable();
    const auto before = People();
    struct Case {
        const char* what;
        std::vector<int> choices;
        std::vector<TUiAnswer> answers;
        std::string message;
        size_t dialogs;
    };
    const Case cases[] = {
        {"table list closed", {kCancelChoice}, {}, "", 1},
        {"new table name cancelled", {2}, {TUiAnswer::Cancel(TUiCallKind::Input)}, "New table name", 1},
        {"process closed", {1, kCancelChoice}, {TUiAnswer::Press(mrOk)}, "Export cancelled.", 2},
        {"another name, then closed", {1, 2, kCancelChoice}, {}, "", 3},
    };
    for (const Case& c : cases) {
        for (const TUiAnswer& answer : c.answers) ui_.Push(answer);
        const size_t logged = ui_.Log().size();
        const auto shown = Export(c.choices);
        EXPECT_EQ(shown.size(), c.dialogs) << c.what;
        EXPECT_EQ(shown.front().items, (std::vector<std::string>{"Marker", "People", "<New table>"})) << c.what;
        EXPECT_EQ(ui_.Log().size() > logged ? ui_.Log().back().Text : "", c.message) << c.what;
        EXPECT_EQ(People(), before) << c.what;
        EXPECT_EQ(Rows("SELECT COUNT(*) FROM sqlite_master WHERE type = 'table'"), std::vector<std::string>{"2"})
            << c.what;
    }
}

TEST_F(AccessExportTest, TheChosenFileWinsOverADbqSetting)
{
    WriteSettings("HKEY_LOCAL_MACHINE", dir_.file("elsewhere.mdb"));
    ExportNewTable();
    std::string dbq;
    EXPECT_TRUE(TOdbcIniFile(odbctest::SystemOdbcIni()).ReadString(kAccessDataSource, "DBQ", dbq));
    EXPECT_EQ(dbq, fs::absolute(file_).string());
    EXPECT_FALSE(fs::exists(dir_.file("elsewhere.mdb")));
    EXPECT_EQ(People().size(), 3u);
}

// Table names are typed by the user: blanks, quotes and semicolons stay part of the name.
TEST_F(AccessExportTest, ATableNameOfAnyTextIsCreatedAppendedAndRewritten)
{
    odbctest::AddSqliteDataSource("Reader", file_);
    for (const std::string name : {"Plot Data", "Plot \"B\"", "Plot;Data", "Plot]x"}) {
        fs::remove(file_);
        ui_.Push(TUiAnswer::Input(name));
        ExpectSuccess();
        Export({1});  // <New table>
        EXPECT_EQ(LastMessage(), "MS Access table was exported successfully.") << name;
        const std::string quoted = TOdbcConnection("Reader").QuoteName(name);
        EXPECT_EQ(Rows("SELECT ID FROM " + quoted + " ORDER BY ID"), (std::vector<std::string>{"1", "2", "3"})) << name;

        ExpectSuccess();
        Export({1, 1});  // the table, "Append data"
        EXPECT_EQ(Rows("SELECT COUNT(*), MAX(ID) FROM " + quoted), std::vector<std::string>{"6|6"}) << name;

        ExpectSuccess();
        Export({1, 0});  // the table, "Re-write data"
        EXPECT_EQ(Rows("SELECT COUNT(*), MAX(ID) FROM " + quoted), std::vector<std::string>{"3|3"}) << name;
        EXPECT_EQ(Rows("SELECT COUNT(*) FROM sqlite_master WHERE type = 'table'"), std::vector<std::string>{"2"}) << name;
    }
}

TEST_F(AccessExportTest, ProblemsOfTheSetUpAreReported)
{
    struct Case {
        const char* what;
        std::function<void()> arrange;
        std::string message;
        TMsgDlgType type;
    };
    const Case cases[] = {
        {"no settings", [&] { fs::remove(dir_.file("MSAccessODBC.ini")); },
         "File " + dir_.file("MSAccessODBC.ini") + " with ODBC settings does not exist!", TMsgDlgType::mtError},
        {"unknown root", [&] { WriteSettings("HKEY_CLASSES_ROOT", ""); }, "Open registry error: \\SOFTWARE\\ODBC\\ODBC.INI",
         TMsgDlgType::mtInformation},
        {"no template", [&] { fs::remove(dir_.file("NewEmptyDB.mdb")), fs::remove(file_); }, "Cannot copy/create file " + file_,
         TMsgDlgType::mtWarning},
    };
    for (const Case& c : cases) {
        c.arrange();
        ui_.Push(TUiAnswer::Press(mrOk));
        Export({});
        ASSERT_FALSE(ui_.Log().empty()) << c.what;
        EXPECT_EQ(ui_.Log().back().Text, c.message) << c.what;
        EXPECT_EQ(ui_.Log().back().MsgType, c.type) << c.what;
        EXPECT_FALSE(database_.Connected()) << c.what;
    }
}

}  // namespace
