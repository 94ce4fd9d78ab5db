#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "platform/core/DateTime.h"
#include "platform/db/BatchMove.h"
#include "platform/db/Database.h"
#include "platform/db/DbError.h"
#include "platform/db/Odbc.h"
#include "platform/db/Table.h"
#include "support/TestSupport.h"
#include "support_OdbcTools.h"

namespace {

class OdbcTest : public testing::Test {
protected:
    void SetUp() override
    {
        odbctest::ResetOdbcFiles();
        odbctest::AddSqliteDataSource("QbTest", dir_.file("test.sqlite"));
    }

    // A dBase table of three records, the last one empty but for its ID.
    std::string WriteDBaseSource()
    {
        const std::string path = dir_.file("source.dbf");
        TTable table;
        table.SetTableName(path);
        table.FieldDefs().Add("ID", ftInteger).Precision = 6;
        table.FieldDefs().Add("NAME", ftString, 20);
        table.FieldDefs().Add("VALUE", ftFloat, 2).Precision = 10;
        table.FieldDefs().Add("BORN", ftDate);
        table.FieldDefs().Add("OK", ftBoolean);
        table.FieldDefs().Add("NOTE", ftMemo);
        table.CreateTable();
        table.Open();
        struct Row {
            int id;
            const char* name;
            std::optional<double> value;
            std::optional<TDateTime> born;
            std::optional<bool> ok;
            const char* note;
        };
        const Row rows[] = {{1, "Anna", 2.5, EncodeDate(2024, 1, 5), true, "first line\r\nsecond line"},
                            {2, "Bohumil Říha", -10.25, EncodeDate(1999, 12, 31), false, nullptr},
                            {3, nullptr, std::nullopt, std::nullopt, std::nullopt, nullptr}};
        for (const Row& row : rows) {
            table.Append();
            table.FieldByName("ID").SetAsInteger(row.id);
            if (row.name) table.FieldByName("NAME").SetAsString(row.name);
            if (row.value) table.FieldByName("VALUE").SetAsFloat(*row.value);
            if (row.born) table.FieldByName("BORN").SetAsDateTime(*row.born);
            if (row.ok) table.FieldByName("OK").SetAsBoolean(*row.ok);
            if (row.note) table.FieldByName("NOTE").SetAsString(row.note);
            table.Post();
        }
        return path;
    }

    qbtest::TempDir dir_;
};

std::vector<std::string> Texts(const TOdbcResult& result)
{
    std::vector<std::string> texts;
    for (const auto& row : result.Rows) {
        std::string line;
        for (const Variant& value : row) {
            line += line.empty() ? "" : "|";
            switch (value.Type()) {
            case TVarType::Null: line += "NULL"; break;
            case TVarType::String: line += value.StringValue(); break;
            case TVarType::Date: line += FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", value.FloatValue()); break;
            case TVarType::Boolean: line += value.BooleanValue() ? "true" : "false"; break;
            case TVarType::Integer: line += std::to_string(value.IntegerValue()); break;
            case TVarType::Float: line += std::to_string(value.FloatValue()); break;
            }
        }
        texts.push_back(line);
    }
    return texts;
}

TEST_F(OdbcTest, ValuesOfEveryKindGoInAndComeBack)
{
    TOdbcConnection connection("QbTest");
    const std::string longText(10000, 'x');  // longer than one piece of a read
    struct Case {
        const char* columnType;
        Variant value;
        TFieldType fieldType;
        std::string text;
    };
    const Case cases[] = {
        {"INTEGER", Variant::Integer(42), ftInteger, "42"},
        {"BIGINT", Variant::Integer(5000000000LL), ftLargeint, "5000000000"},
        {"SMALLINT", Variant::Integer(-7), ftSmallint, "-7"},
        {"FLOAT", Variant::Float(-10.25), ftFloat, "-10.250000"},
        {"VARCHAR(20)", Variant::String("Bohumil Říha"), ftString, "Bohumil Říha"},
        {"TEXT", Variant::String(longText), ftMemo, longText},
        {"DATE", Variant::Date(EncodeDate(1999, 12, 31)), ftDate, "1999-12-31 00:00:00.000"},
        {"DATETIME", Variant::Date(EncodeDateTime(2024, 1, 5, 13, 45, 30, 250)), ftDateTime, "2024-01-05 13:45:30.250"},
        {"BIT", Variant::Boolean(true), ftBoolean, "true"},
        {"INTEGER", Variant(), ftInteger, "NULL"},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string table = "T" + std::to_string(n++);
        connection.Execute("CREATE TABLE " + table + " (V " + c.columnType + ")");
        EXPECT_EQ(connection.Execute("INSERT INTO " + table + " (V) VALUES (?)", {c.value}), 1) << c.columnType;
        const TOdbcResult result = connection.Select("SELECT V FROM " + table);
        ASSERT_EQ(result.Columns.size(), 1u);
        EXPECT_EQ(result.Columns[0].DataType, c.fieldType) << c.columnType;
        EXPECT_EQ(Texts(result), std::vector<std::string>{c.text}) << c.columnType;
    }
}

TEST_F(OdbcTest, TablesAreListedAndFound)
{
    TOdbcConnection connection("QbTest");
    connection.Execute("CREATE TABLE Zeta (A INTEGER)");
    connection.Execute("CREATE TABLE alpha (A INTEGER)");
    EXPECT_EQ(connection.TableNames(), (std::vector<std::string>{"alpha", "Zeta"}));
    EXPECT_TRUE(connection.TableExists("ZETA"));
    EXPECT_FALSE(connection.TableExists("Beta"));
    EXPECT_EQ(connection.QuoteName("My \"odd\" table"), "\"My \"\"odd\"\" table\"");
}

TEST_F(OdbcTest, MissingDataSourceOrDriverIsReportedClearly)
{
    TOdbcIniFile ini(odbctest::UserOdbcIni());
    ini.WriteString("NoLibrary", "Driver", "/nowhere/libmissing.so");
    ini.WriteString("NoDriver", "Driver", "Unknown Driver");
    ini.Save();
    struct Case {
        const char* dataSource;
        std::string reason;
    };
    const Case cases[] = {
        {"Nowhere", "the data source is defined neither in " + odbctest::UserOdbcIni() + " nor in " + odbctest::SystemOdbcIni()},
        {"NoLibrary", "the driver library /nowhere/libmissing.so does not exist"},
        {"NoDriver", "the ODBC driver 'Unknown Driver' is not installed"}};
    for (const Case& c : cases) {
        try {
            TOdbcConnection connection(c.dataSource);
            ADD_FAILURE() << c.dataSource << " connected";
        } catch (const EDatabaseError& error) {
            const std::string message = error.what();
            EXPECT_TRUE(message.starts_with("Cannot connect to ODBC data source '" + std::string(c.dataSource) + "': "))
                << message;
            EXPECT_NE(message.find(c.reason), std::string::npos) << message;
        }
    }
}

class OdbcDatabaseTest : public OdbcTest {
protected:
    void SetUp() override
    {
        OdbcTest::SetUp();
        if (!Session().IsAlias("QbTestAlias")) {
            TStringList params;
            params.Add("ODBC DSN=QbTest");
            Session().AddAlias("QbTestAlias", "SQLite3", params);
        }
        database_.SetDatabaseName("QbOdbc");
        database_.AliasName = "QbTestAlias";
    }

    TOdbcConnection& Connection() { return OdbcConnectionOf("QbOdbc"); }

    std::vector<std::string> Rows(const std::string& sql) { return Texts(Connection().Select(sql)); }

    TDatabase database_;
};

TEST_F(OdbcDatabaseTest, DatabaseOnAnOdbcAliasConnectsAndListsItsTables)
{
    database_.Open();
    ASSERT_NE(dynamic_cast<TOdbcConnection*>(database_.Connection()), nullptr);
    Connection().Execute("CREATE TABLE People (A INTEGER)");
    TStringList names;
    database_.GetTableNames(names);
    EXPECT_EQ(names.CommaText(), "People");
    database_.Close();
    EXPECT_EQ(database_.Connection(), nullptr);

    TDatabase folder;
    folder.SetDatabaseName("QbFolder");
    EXPECT_THROW(OdbcConnectionOf("QbFolder"), EDatabaseError) << "a folder of dBase tables is no data source";
    EXPECT_THROW(OdbcConnectionOf("QbNoSuchDatabase"), EDatabaseError);
}

TEST_F(OdbcDatabaseTest, TableEditsReachTheDatabase)
{
    Connection().Execute("CREATE TABLE People (ID INTEGER, NAME VARCHAR(20), CITY VARCHAR(20) DEFAULT 'Brno', NOTE TEXT)");
    Connection().Execute("INSERT INTO People (ID, NAME) VALUES (1, 'Anna'), (2, 'Anna'), (3, NULL)");
    TOdbcTable table;
    table.SetDatabaseName("QbOdbc");
    table.SetTableName("People");
    table.Open();
    ASSERT_EQ(table.RecordCount(), 3);
    EXPECT_EQ(table.FieldByName("NOTE").DataType(), ftMemo);

    table.Append();
    table.FieldByName("ID").SetAsInteger(4);
    table.FieldByName("NAME").SetAsString("Eva");
    table.Post();  // CITY keeps the table's default

    table.First();
    table.Next();  // ID 2: found by all its values, so the other 'Anna' stays
    table.Edit();
    table.FieldByName("NAME").SetAsString("Bára");
    table.Post();

    table.Next();  // ID 3 with a NULL name
    table.Delete();
    EXPECT_EQ(Rows("SELECT ID, NAME, CITY FROM People ORDER BY ID"),
              (std::vector<std::string>{"1|Anna|Brno", "2|Bára|Brno", "4|Eva|Brno"}));

    table.SetIndexFieldNames("ID");  // now found by the key alone
    table.Locate("ID", Variant::Integer(1));
    table.Edit();
    table.FieldByName("CITY").SetAsString("Praha");
    table.Post();
    EXPECT_EQ(Rows("SELECT CITY FROM People WHERE ID = 1"), std::vector<std::string>{"Praha"});
    table.Close();
}

TEST_F(OdbcDatabaseTest, BatchMovesCopyAppendUpdateAndDeleteFromDBase)
{
    TTable source;
    source.SetTableName(WriteDBaseSource());
    TOdbcTable table;
    table.SetDatabaseName("QbOdbc");
    table.SetTableName("Copy");
    auto run = [&](TBatchMode mode) {
        TBatchMove move;
        move.Source = &source;
        move.SetDestination(std::make_unique<TOdbcTableDestination>(table));
        move.Mode = mode;
        move.Execute();
        return move.MovedCount();
    };
    // dBase numbers are floats, also the ID
    const std::vector<std::string> copied = {
        "1.000000|Anna|2.500000|2024-01-05 00:00:00.000|true|first line\r\nsecond line",
        "2.000000|Bohumil Říha|-10.250000|1999-12-31 00:00:00.000|false|NULL", "3.000000|NULL|NULL|NULL|NULL|NULL"};
    const std::string select = "SELECT ID, NAME, VALUE, BORN, OK, NOTE FROM Copy ORDER BY ID, NAME";

    EXPECT_EQ(run(batCopy), 3);
    EXPECT_EQ(Rows(select), copied);
    EXPECT_EQ(run(batCopy), 3) << "a second copy replaces the table";
    EXPECT_EQ(Rows(select), copied);

    EXPECT_EQ(run(batAppend), 3);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM Copy"), std::vector<std::string>{"6"});

    run(batCopy);
    Connection().Execute("UPDATE Copy SET NAME = 'old' WHERE ID = 2");
    Connection().Execute("DELETE FROM Copy WHERE ID = 3");
    table.SetIndexFieldNames("ID");
    EXPECT_EQ(run(batUpdate), 2) << "only records whose key is there";
    EXPECT_EQ(Rows("SELECT NAME FROM Copy ORDER BY ID"), (std::vector<std::string>{"Anna", "Bohumil Říha"}));
    EXPECT_EQ(run(batAppendUpdate), 3);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM Copy"), std::vector<std::string>{"3"});
    EXPECT_EQ(run(batDelete), 3);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM Copy"), std::vector<std::string>{"0"});
}

TEST_F(OdbcDatabaseTest, RowsTheServerRefusesAreCountedAsProblems)
{
    TTable source;
    source.SetTableName(WriteDBaseSource());
    Connection().Execute("CREATE TABLE Checked (ID INTEGER CHECK (ID <> 2), NAME VARCHAR(20))");
    TOdbcTable table;
    table.SetDatabaseName("QbOdbc");
    table.SetTableName("Checked");
    TBatchMove move;
    move.Source = &source;
    move.SetDestination(std::make_unique<TOdbcTableDestination>(table));
    move.Mode = batAppend;
    move.AbortOnProblem = false;
    move.Execute();
    EXPECT_EQ(move.MovedCount(), 2);
    EXPECT_EQ(move.ProblemCount(), 1);
    EXPECT_EQ(Rows("SELECT ID, NAME FROM Checked ORDER BY ID"), (std::vector<std::string>{"1|Anna", "3|NULL"}));

    move.AbortOnProblem = true;
    EXPECT_THROW(move.Execute(), EDatabaseError);
}

TEST(OdbcIniFile, WritesEntriesAndKeepsEverythingElse)
{
    qbtest::TempDir dir;
    const std::string path = dir.file("odbc.ini");
    qbtest::WriteFileBytes(path, "; the user's own notes\n[Other]\nDriver = X\n\n# more notes\n[Mine]\ndatabase=old\n");
    TOdbcIniFile ini(path);
    ini.WriteString("MINE", "Database", "/data/new.mdb");
    ini.WriteString("Mine", "Driver", "SQLite3");
    ini.WriteString("ODBC Data Sources", "Mine", "SQLite3");
    ini.Save();
    EXPECT_EQ(qbtest::ReadFileBytes(path), "; the user's own notes\n[Other]\nDriver = X\n\n# more notes\n[Mine]\n"
                                           "Database = /data/new.mdb\nDriver = SQLite3\n\n"
                                           "[ODBC Data Sources]\nMine = SQLite3\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), std::filesystem::directory_iterator()), 1)
        << "no temporary file is left";

    const TOdbcIniFile again(path);
    std::string value;
    EXPECT_TRUE(again.ReadString("other", "DRIVER", value));
    EXPECT_EQ(value, "X");
    EXPECT_FALSE(again.ReadString("Other", "Database", value));
    EXPECT_TRUE(again.CanWrite());
    EXPECT_FALSE(TOdbcIniFile(dir.file("missing/odbc.ini")).CanWrite());
    EXPECT_TRUE(TOdbcIniFile(dir.file("new.ini")).CanWrite());
}

TEST(OdbcIniFile, PathsFollowTheDriverManagersVariables)
{
    odbctest::ResetOdbcFiles();
    EXPECT_EQ(OdbcIniPath(TOdbcScope::User), odbctest::UserOdbcIni());
    EXPECT_EQ(OdbcIniPath(TOdbcScope::System), odbctest::SystemOdbcIni());
    EXPECT_TRUE(IsOdbcDriverInstalled("sqlite3")) << "registered in the test's odbcinst.ini";
    EXPECT_FALSE(IsOdbcDriverInstalled("No Such Driver"));
    EXPECT_TRUE(std::filesystem::exists(odbctest::SqliteDriverLibrary()));
}

}  // namespace
