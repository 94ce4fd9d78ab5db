// The local SQL engine: our DDL writing dBase files, SQL writes reaching the file, the dBase
// comparison rules, GROUP BY counts judged by GDAL, and bad input that leaves everything as it was.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <thread>

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

// Only what opens as a dBase table is dropped: other files of any name stay, with their namesakes.
TEST_F(SqlEngineTest, DropTableLeavesFilesThatAreNoTables)
{
    const std::map<std::string, std::string> files = {
        {"notes.txt", "field notes, not a table"}, {"notes.dbt", "a memo file's namesake"}, {"notes.fpt", "another one"},
        {"fake.dbf", "text in a .dbf"},             {"fake.dbt", "its memo namesake"},       {"empty.dbf", ""},
    };
    for (const auto& [name, bytes] : files) qbtest::WriteFileBytes(dir_.file(name), bytes);
    const ErrorCase cases[] = {
        {"DROP TABLE 'notes.txt'", "it is not a dBase table"},
        {"DROP TABLE fake", "it is not a dBase table"},
        {"DROP TABLE \"empty.dbf\"", "it is not a dBase table"},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.sql);
        ExpectError(c.sql, c.message);
    }
    for (const auto& [name, bytes] : files) EXPECT_EQ(qbtest::ReadFileBytes(dir_.file(name)), bytes) << name;

    // A table without memo fields goes alone: a memo namesake is no file of it.
    engine_.ExecSQL("CREATE TABLE plain (A CHARACTER(3))");
    qbtest::WriteFileBytes(dir_.file("plain.fpt"), "not its memo");
    engine_.ExecSQL("DROP TABLE plain");
    EXPECT_FALSE(fs::exists(dir_.file("plain.dbf")));
    EXPECT_EQ(qbtest::ReadFileBytes(dir_.file("plain.fpt")), "not its memo");
}

// A field name holding a double quote is one column, read and compared under its own name.
// Such names no dBase tool lets one type, but a file can hold them: one that reads as two
// columns when its quote is not doubled, and a lone quote.
TEST_F(SqlEngineTest, FieldNamesWithQuotesAreColumnsOfTheirOwn)
{
    for (const std::string name : {"B\" INT,\"X", "\""}) {
        SCOPED_TRACE(name);
        const std::string path = dir_.file("quoted.dbf");
        fs::remove(path);
        TDbfFile::Create(path, {{"A", 'C', 5, 0}, {"B", 'C', 5, 0}, {"C", 'N', 4, 0}}, 4, 1250);
        {
            TDbfFile file(path, false);
            for (int i = 1; i <= 2; ++i) {
                std::string record = file.BlankRecord();
                file.SetValue(record.data(), 0, Variant::String("a" + std::to_string(i)));
                file.SetValue(record.data(), 1, Variant::String("b" + std::to_string(i)));
                file.SetValue(record.data(), 2, Variant::Float(i));
                file.AppendRecord(record.data());
            }
        }
        std::string bytes = qbtest::ReadFileBytes(path);
        bytes.replace(32 + 32, name.size(), name);
        qbtest::WriteFileBytes(path, bytes);

        TSqlEngine engine(dir_.path().string());
        const TSqlResult all = engine.Select("SELECT * FROM 'quoted.dbf'");
        ASSERT_EQ(all.Columns.size(), 3u);
        EXPECT_EQ(all.Columns[1].Name, name);
        ASSERT_EQ(all.Rows.size(), 2u);
        EXPECT_EQ(all.Rows[1][1].StringValue(), "b2");
        EXPECT_EQ(all.Rows[1][2].FloatValue(), 2);
        const TSqlResult one = engine.Select("SELECT A FROM 'quoted.dbf' WHERE " + SqlQuotedName(name) + " = 'b1' AND C = 1");
        ASSERT_EQ(one.Rows.size(), 1u);
        EXPECT_EQ(one.Rows[0][0].StringValue(), "a1");
    }
}

// Sets the bounds of statements for one test.
class ScopedSqlLimits {
public:
    explicit ScopedSqlLimits(const TSqlLimits& limits) : old_(SqlLimits()) { SetSqlLimits(limits); }
    ~ScopedSqlLimits()
    {
        SetSqlLimits(old_);
        SetSqlProgressHook(nullptr);
    }
    ScopedSqlLimits(const ScopedSqlLimits&) = delete;
    ScopedSqlLimits& operator=(const ScopedSqlLimits&) = delete;

private:
    TSqlLimits old_;
};

std::string ErrorOf(TSqlEngine& engine, const std::string& sql)
{
    try {
        engine.Select(sql);
    } catch (const EDatabaseError& e) {
        return e.what();
    }
    return "no error";
}

// Statements that would run until the memory or the patience runs out stop at their bound with
// a message saying which; the engine answers the next statement as before.
TEST_F(SqlEngineTest, StatementsStopAtTheirBoundsWithAClearMessage)
{
    const std::string endless = "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) ";
    const std::string crossJoin = "SELECT a.NAME, b.NAME, c.NAME, d.NAME, e.NAME, f.NAME, g.NAME, h.NAME, i.NAME FROM 'data.dbf' a, "
                                  "'data.dbf' b, 'data.dbf' c, 'data.dbf' d, 'data.dbf' e, 'data.dbf' f, 'data.dbf' g, 'data.dbf' h, 'data.dbf' i";
    const struct {
        std::string sql;
        double seconds;
        const char* message;
    } cases[] = {
        {endless + "SELECT x FROM c", 120, "The query needs more memory than allowed (64 MB) and was stopped."},
        {crossJoin, 120, "The query needs more memory than allowed (64 MB) and was stopped."},
        {endless + "SELECT x, randomblob(900) FROM c ORDER BY 2", 120,
         "The query needs more memory than allowed (64 MB) and was stopped."},
        {endless + "SELECT count(*) FROM c", 1, "The query ran longer than 1 seconds and was stopped."},
        {"SELECT zeroblob(1000000000)", 120, "The query makes a text or value longer than allowed (1 MB) and was stopped."},
        {"SELECT length(group_concat(a.NAME || zeroblob(100000))) FROM 'data.dbf' a, 'data.dbf' b", 120,
         "The query makes a text or value longer than allowed (1 MB) and was stopped."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        TSqlLimits limits;
        limits.Seconds = c.seconds;
        limits.MemoryBytes = 64LL << 20;
        limits.ValueBytes = 1000000;
        ScopedSqlLimits scope(limits);
        const auto start = std::chrono::steady_clock::now();
        const std::string error = ErrorOf(engine_, c.sql);
        EXPECT_EQ(error.substr(0, std::string(c.message).size()), c.message) << error;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
        EXPECT_EQ(Count("select count(*) from 'data.dbf'"), 6);
    }
    // printf past the length bound answers NULL at once (the engine's own rule), taking no memory.
    TSqlLimits limits;
    limits.ValueBytes = 1000000;
    ScopedSqlLimits scope(limits);
    for (const char* sql : {"SELECT printf('%*d', 1000000000, 1) IS NULL", "SELECT printf('%.*f', 1000000000, 1.5) IS NULL"})
        EXPECT_EQ(Count(sql), 1) << sql;
}

// The user can stop a statement: from the progress hook (a Cancel button) or from another thread.
// A cancel while nothing runs stops nothing later.
TEST_F(SqlEngineTest, RunningStatementsCanBeCancelled)
{
    TSqlLimits limits;
    limits.Seconds = 60;
    ScopedSqlLimits scope(limits);
    const std::string endless = "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT count(*) FROM c";
    CancelSqlStatements();
    EXPECT_EQ(Count("select count(*) from 'data.dbf'"), 6);

    int calls = 0;
    SetSqlProgressHook([&] {
        if (++calls == 3) CancelSqlStatements();
    });
    EXPECT_EQ(ErrorOf(engine_, endless), "The query was cancelled.");
    EXPECT_EQ(calls, 3);
    SetSqlProgressHook(nullptr);

    std::thread canceller([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        CancelSqlStatements();
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ErrorOf(engine_, endless), "The query was cancelled.");
    canceller.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(Count("select count(*) from 'data.dbf'"), 6);
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
