// The local SQL engine: our DDL writing dBase files, SQL writes reaching the file, the dBase
// comparison rules, GROUP BY counts judged by GDAL, and bad input that leaves everything as it was.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "platform/core/CodePage.h"
#include "platform/core/NumText.h"
#include "platform/db/DbError.h"
#include "platform/db/DbfFile.h"
#include "platform/db/SqlEngine.h"
#include "platform/db/Table.h"
#include "support/TestSupport.h"
#include "support_DbTools.h"
#include "support_SqlTables.h"

namespace {

using Rows = std::vector<std::string>;
namespace fs = std::filesystem;

struct ErrorCase {
    const char* sql;
    const char* message;  // a part of the error text
};

class SqlEngineTest : public testing::Test {
protected:
    void SetUp() override
    {
        SetProgramCodePage(1250);
        path_ = dbtest::MakeSurveyTable(dir_.path().string());
    }
    void TearDown() override { SetProgramCodePage(0); }

    long long Count(const std::string& sql)
    {
        const TSqlResult result = engine_.Select(sql);
        return result.Rows.at(0).at(0).IntegerValue();
    }
    // The statement fails with a message that contains `message`.
    void ExpectError(const std::string& sql, const std::string& message)
    {
        try {
            engine_.ExecSQL(sql);
            ADD_FAILURE() << "no error";
        } catch (const EDatabaseError& e) {
            EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
        }
    }
    std::string DbfFields(const std::string& path)
    {
        return dbtest::RunPython(R"(
import sys, dbfread
for f in dbfread.DBF(sys.argv[1]).fields: print(f.name, f.type, f.length, f.decimal_count)
)",
                                 {path});
    }

    qbtest::TempDir dir_;
    std::string path_;
    TSqlEngine engine_{dir_.path().string()};
};

TEST_F(SqlEngineTest, CreateTableAsTheProgramWritesItMakesADBaseTable)
{
    const std::string path = dir_.file("survey.dbf");
    engine_.ExecSQL("CREATE TABLE \"" + path + "\"\r\n(\r\nID NUMERIC(6,0),\r\nNAME CHARACTER(20),\r\nWEIGHT NUMERIC(8,2),\r\n"
                    "BORN DATE,\r\nF_1 BOOLEAN,\r\nWEATH_2_0 BLOB(0,1)\r\n)");
    EXPECT_EQ(dbtest::Lines(DbfFields(path)),
              (Rows{"ID N 6 0", "NAME C 20 0", "WEIGHT N 8 2", "BORN D 8 0", "F_1 L 1 0", "WEATH_2_0 M 10 0"}));
    EXPECT_TRUE(fs::exists(dir_.file("survey.dbt")));
    EXPECT_EQ(Count("select count(*) from 'survey.dbf'"), 0);

    engine_.ExecSQL("create table bare (A character(3))");  // relative, no extension
    EXPECT_EQ(dbtest::Lines(DbfFields(dir_.file("bare.dbf"))), Rows{"A C 3 0"});
}

TEST_F(SqlEngineTest, BadCreateTableWritesNothing)
{
    const ErrorCase cases[] = {
        {"CREATE TABLE \"t.dbf\" (A VARCHAR(5))", "Invalid field type 'VARCHAR(5)' of column A"},
        {"CREATE TABLE \"t.dbf\" (A CHARACTER(5), B)", "Column B has no type"},
        {"CREATE TABLE \"t.dbf\" (A CHARACTER(5), a DATE)", "Duplicate column name a"},
        {"CREATE TABLE \"t.dbf\" (A BLOB(0,2))", "only memo BLOBs"},
        {"CREATE TABLE \"t.dbf\" (A NUMERIC(6,0)", "SQL syntax error"},
        {"CREATE TABLE \"t.dbf\" (A NUMERIC(6,0)) extra", "SQL syntax error: unexpected 'extra'"},
        {"CREATE TABLE \"t.dbf\" (AVERYLONGNAME DATE)", "Cannot create table"},
        {"CREATE TABLE \"data.dbf\" (A DATE)", "Table already exists"},
    };
    const std::string before = qbtest::ReadFileBytes(path_);
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.sql);
        ExpectError(c.sql, c.message);
        EXPECT_FALSE(fs::exists(dir_.file("t.dbf")));
    }
    EXPECT_EQ(qbtest::ReadFileBytes(path_), before);
}

TEST_F(SqlEngineTest, CreateIndexChecksAndDropTableDeletes)
{
    const std::string before = qbtest::ReadFileBytes(path_);
    engine_.ExecSQL("CREATE INDEX NAME ON 'data.dbf' (NAME)");
    engine_.ExecSQL("create unique index I2 on data (TOWN, ID desc);");
    EXPECT_EQ(qbtest::ReadFileBytes(path_), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_.path()), fs::directory_iterator()), 2);  // data.dbf, data.dbt
    EXPECT_THROW(engine_.ExecSQL("CREATE INDEX X ON 'data.dbf' (NOPE)"), EDatabaseError);
    EXPECT_THROW(engine_.ExecSQL("CREATE INDEX X ON 'nothere.dbf' (A)"), EDatabaseError);

    EXPECT_EQ(Count("select count(*) from 'data.dbf'"), 6);  // the engine holds the table now
    engine_.ExecSQL("DROP TABLE 'data.dbf'");
    EXPECT_FALSE(fs::exists(path_));
    EXPECT_FALSE(fs::exists(dir_.file("data.dbt")));
    EXPECT_THROW(engine_.Select("select count(*) from 'data.dbf'"), EDatabaseError);
    EXPECT_THROW(engine_.ExecSQL("DROP TABLE 'data.dbf'"), EDatabaseError);
}

TEST_F(SqlEngineTest, InsertUpdateDeleteReachTheFile)
{
    EXPECT_EQ(engine_.ExecSQL("INSERT INTO 'data.dbf' (ID, NAME, AGE, BORN, SMOKER, NOTE) "
                              "VALUES (7, 'Žofie', 19.26, '2005-02-28', TRUE, 'nová poznámka')"),
              1);
    EXPECT_EQ(engine_.ExecSQL("UPDATE 'data.dbf' SET TOWN = 'Ostrava', AGE = AGE + 1 WHERE TOWN = 'Brno'"), 3);
    EXPECT_EQ(engine_.ExecSQL("DELETE FROM 'data.dbf' WHERE NAME LIKE 'K%'"), 2);
    EXPECT_EQ(engine_.ExecSQL("UPDATE data SET NOTE = NULL, SMOKER = FALSE WHERE ID = 7"), 1);
    EXPECT_EQ(dbtest::DbfReadRows(path_), (Rows{"2|karla|25.0|1995-06-01|False|Praha|None", "4|Eva|41.0|None|True|Praha|None",
                                                "5|Zdena|25.0|2001-03-03|None||None", "6|O'Neil|61.0|1961-07-20|False|Ostrava|None",
                                                "7|Žofie|19.3|2005-02-28|False||None"}));
}

TEST_F(SqlEngineTest, ComparisonsFollowTheDBaseDriver)
{
    ScopedFormatSettings format([] {
        TFormatSettings s = TFormatSettings::Invariant();
        s.DateSeparator = '.';
        s.ShortDateFormat = "d.M.yyyy";
        return s;
    }());
    struct Case {
        const char* where;
        long long count;
    };
    const Case cases[] = {
        {"NAME LIKE 'ka%'", 1},          {"NAME LIKE 'K%'", 2},       {"NAME LIKE '%A%'", 0},
        {"NAME = 'karel'", 0},           {"SMOKER = TRUE", 2},        {"SMOKER = FALSE", 3},
        {"NOT SMOKER", 3},               {"BORN > '2000-01-01'", 1},  {"BORN = '20.7.1961'", 1},
        {"BORN BETWEEN '1.1.1980' AND '31.12.1990'", 2},              {"TOWN IS NULL", 1},
        {"AGE = 25", 2},                 {"ID = 3.0", 1},             {"NOTE LIKE 'likes%'", 1},
        {"NAME = '1.1.1980'", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.where);
        EXPECT_EQ(Count(std::string("select count(*) from 'data.dbf' where ") + c.where), c.count);
    }
}

// GDAL reads the same file and counts with its own SQLite dialect. (Its dialect fails on deleted
// records, so the table here has none; DELETE is checked with dbfread above.)
std::map<std::string, std::string> GdalCounts(const std::string& folder, const std::string& layer, const std::string& field)
{
    const Rows lines = dbtest::Lines(dbtest::Run("ogrinfo -ro -q -dialect sqlite -sql 'select " + field + ", count(*) as n from " + layer +
                                                 " group by " + field + "' " + folder + "/" + layer + ".dbf"));
    std::map<std::string, std::string> counts;
    std::string value;
    for (const std::string& line : lines) {
        const size_t eq = line.find(" = ");
        if (eq == std::string::npos) continue;
        if (line.find("  n (") == 0) counts[value] = line.substr(eq + 3);
        else value = line.substr(eq + 3);
    }
    return counts;
}

TEST_F(SqlEngineTest, GroupByCountsEqualGdals)
{
    const std::string path = dir_.file("many.dbf");
    TDbfFile::Create(path, {{"CAT", 'C', 10, 0}, {"NUM", 'N', 4, 0}}, 4, 1250);
    {
        TDbfFile file(path, false);
        for (int i = 0; i < 3000; ++i) {
            std::string record = file.BlankRecord();
            if (i % 11 != 0) file.SetValue(record.data(), 0, Variant::String("c" + std::to_string(i * 7 % 13)));
            if (i % 5 != 0) file.SetValue(record.data(), 1, Variant::Float(i % 17 * (i % 3)));
            file.AppendRecord(record.data());
        }
    }
    for (const char* field : {"CAT", "NUM"}) {
        SCOPED_TRACE(field);
        std::map<std::string, std::string> ours;
        const TSqlResult result = engine_.Select(std::string("select ") + field + ", count(*) as n from 'many.dbf' group by " + field);
        for (const auto& row : result.Rows) {
            const Variant& v = row[0];
            const std::string text = v.IsNull() ? "(null)" : v.Type() == TVarType::String ? v.StringValue() : std::to_string(int(v.FloatValue()));
            ours[text] = std::to_string(row[1].IntegerValue());
        }
        const auto gdal = GdalCounts(dir_.path().string(), "many", field);
        EXPECT_GT(gdal.size(), 10u);
        EXPECT_EQ(ours, gdal);
    }
    EXPECT_EQ(Count("select count(*) from 'many.dbf' where CAT = 'c3' group by CAT"), std::stoll(GdalCounts(dir_.path().string(), "many", "CAT")["c3"]));
}

TEST_F(SqlEngineTest, BadStatementsGiveAMessageWriteNothingAndLeaveTheTableUsable)
{
    TTable table;
    table.SetTableName(path_);
    table.Open();
    const std::string before = qbtest::ReadFileBytes(path_);
    const ErrorCase cases[] = {
        {"SELECT * FORM 'data.dbf'", "SQL error: near \"FORM\": syntax error"},
        {"SELECT * FROM 'nothere.dbf'", "Table does not exist: nothere.dbf"},
        {"UPDATE nothere SET A = 1", "Table does not exist: nothere"},
        {"DELETE FROM 'data.dbf' WHERE", "SQL error: incomplete input"},
        {"SELECT NAME FROM 'data.dbf' WHERE (NAME='O'Neil')", "syntax error"},
        {"SELECT NAME FROM 'data.dbf' WHERE (NAME=Karel)", "no such column: Karel"},
        {"SELECT 1; DELETE FROM 'data.dbf'", "Only one SQL statement"},
        {"UPDATE 'data.dbf' SET NAME = 'x' WHERE NAME = 'unterminated", "unterminated quoted text"},
        {"UPDATE 'data.dbf' SET AGE = 123456 WHERE ID = 1", "does not fit into field AGE"},
        {"UPDATE 'data.dbf' SET BORN = 'tomorrow' WHERE ID = 1", "'tomorrow' is not a valid date for field BORN"},
        {"INSERT INTO 'data.dbf' (ID, SMOKER) VALUES (9, 'perhaps')", "'PERHAPS' is not a valid logical value for field SMOKER"},
        {"  ", "The SQL text is empty"},
        {"ATTACH DATABASE 'other.db' AS other", "not authorized"},
        {"PRAGMA case_sensitive_like = OFF", "not authorized"},
        {"CREATE VIRTUAL TABLE temp.x USING dbf", "not authorized"},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.sql);
        ExpectError(c.sql, c.message);
    }
    EXPECT_EQ(qbtest::ReadFileBytes(path_), before);
    EXPECT_FALSE(fs::exists(dir_.file("other.db")));

    EXPECT_EQ(table.RecordCount(), 6);
    table.Edit();
    table.FieldByName("NAME").SetAsString("Karl");
    table.Post();
    EXPECT_EQ(Count("select count(*) from 'data.dbf' where NAME = 'Karl'"), 1);
}

}  // namespace
