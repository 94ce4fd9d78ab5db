// Queries: every SELECT form the program writes (table ID, query builder, frequency graph) on a
// real table, parameters, editable results written back to the file, read-only results.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/core/CodePage.h"
#include "platform/core/NumText.h"
#include "platform/db/DbError.h"
#include "platform/db/Query.h"
#include "platform/db/Table.h"
#include "support/TestSupport.h"
#include "support_DbTools.h"
#include "support_SqlTables.h"

namespace {

using Rows = std::vector<std::string>;

TFormatSettings CzechDates()
{
    TFormatSettings settings = TFormatSettings::Invariant();
    settings.DateSeparator = '.';
    settings.ShortDateFormat = "d.M.yyyy";
    return settings;
}

class QueryTest : public testing::Test {
protected:
    void SetUp() override
    {
        SetProgramCodePage(1250);
        path_ = dbtest::MakeSurveyTable(dir_.path().string());
        query_.SetDatabaseName(dir_.path().string());
    }
    void TearDown() override { SetProgramCodePage(0); }

    Rows Run(const std::vector<std::string>& lines)
    {
        query_.Close();
        query_.SQL().Clear();
        for (const auto& line : lines) query_.SQL().Add(line);
        query_.Open();
        return dbtest::RowTexts(query_);
    }

    qbtest::TempDir dir_;
    ScopedFormatSettings format_{CzechDates()};
    std::string path_;
    TQuery query_;
};

struct SqlCase {
    const char* what;
    std::vector<std::string> lines;
    Rows expected;
};

// The statements as the table opening, the query builder and the frequency graph write them.
const SqlCase kProgramStatements[] = {
    {"largest ID", {"select max(ID) from 'data.dbf'"}, {"6"}},
    {"value list without conditions", {"SELECT DISTINCT TOWN FROM 'data.dbf'", "ORDER BY TOWN"}, {"NULL", "Brno", "Praha"}},
    {"value list with one condition", {"SELECT DISTINCT AGE FROM 'data.dbf'", "WHERE (TOWN='Brno')", "ORDER BY AGE"}, {"NULL", "30.5", "60"}},
    {"value list with two conditions",
     {"SELECT DISTINCT NAME FROM 'data.dbf'", "WHERE ((TOWN='Praha') AND (AGE<30))", "ORDER BY NAME"},
     {"karla"}},
    {"value list with only parameter conditions", {"SELECT DISTINCT SMOKER FROM 'data.dbf'", "", "ORDER BY SMOKER"}, {"NULL", "False", "True"}},
    {"field list and equality", {"SELECT ID,NAME FROM 'data.dbf'", "WHERE (ID=4)"}, {"4|Eva"}},
    {"LIKE with a prefix keeps case", {"SELECT NAME FROM 'data.dbf'", "WHERE (NAME LIKE 'K%')"}, {"Karel", "Kamil"}},
    {"BETWEEN", {"SELECT ID FROM 'data.dbf'", "WHERE (AGE BETWEEN 25 AND 31)"}, {"1", "2", "5"}},
    {"IN with quoted values", {"SELECT ID FROM 'data.dbf'", "WHERE (TOWN IN ('Praha','Nowhere'))"}, {"2", "4"}},
    {"IS NULL", {"SELECT ID FROM 'data.dbf'", "WHERE (BORN IS NULL)"}, {"4"}},
    {"memo is NULL", {"SELECT ID FROM 'data.dbf'", "WHERE (NOTE is NULL)"}, {"2", "4", "5", "6"}},
    {"memo is not NULL", {"SELECT ID,NOTE FROM 'data.dbf'", "WHERE (NOTE is not NULL)"}, {"1|likes tea", "3|x"}},
    {"logical value written bare", {"SELECT ID FROM 'data.dbf'", "WHERE (SMOKER=True)"}, {"1", "4"}},
    {"date written as the program shows it", {"SELECT ID FROM 'data.dbf'", "WHERE (BORN<'1.6.1995')"}, {"1", "3", "6"}},
    {"date equality", {"SELECT NAME FROM 'data.dbf'", "WHERE (BORN='15.1.1990')"}, {"Karel"}},
    {"relation of two fields", {"SELECT ID FROM 'data.dbf'", "WHERE ((ID=ID) AND (AGE=25))"}, {"2", "5"}},
    {"DISTINCT field list with two conditions",
     {"SELECT DISTINCT TOWN,SMOKER FROM 'data.dbf'", "WHERE ((AGE>20) AND (BORN IS NULL))"},
     {"Praha|True"}},
    {"order by line", {"SELECT NAME FROM 'data.dbf'", "WHERE (TOWN='Brno')", "order by NAME"}, {"Kamil", "Karel", "O'Neil"}},
    {"template with every field", {"SELECT * FROM 'data.dbf'", "WHERE (ID=2)"}, {"2|karla|25|1.6.1995|False|Praha|NULL"}},
    {"count by value", {"select TOWN, count(*) as n from 'data.dbf' group by TOWN"}, {"NULL|1", "Brno|3", "Praha|2"}},
    {"count without empty values",
     {"select TOWN, count(*) as n from 'data.dbf' where (TOWN is not NULL) group by TOWN"},
     {"Brno|3", "Praha|2"}},
    {"count without empty values and a condition",
     {"select TOWN, count(*) as n from 'data.dbf' where (TOWN is not NULL) and (AGE > 26) group by TOWN"},
     {"Brno|2", "Praha|1"}},
    {"count with a condition only", {"select AGE, count(*) as n from 'data.dbf' where (AGE < 40) group by AGE"}, {"25|2", "30.5|1"}},
    {"count by category",
     {"select SMOKER,TOWN, count(*) as n from 'data.dbf' where (TOWN is not NULL) and (SMOKER is not NULL) group by SMOKER,TOWN"},
     {"False|Brno|2", "False|Praha|1", "True|Brno|1", "True|Praha|1"}},
    {"count by category with empty values",
     {"select SMOKER,TOWN, count(*) as n from 'data.dbf' group by SMOKER,TOWN"},
     {"NULL|NULL|1", "False|Brno|2", "False|Praha|1", "True|Brno|1", "True|Praha|1"}},
};

TEST_F(QueryTest, ProgramStatementsGiveTheExpectedRows)
{
    for (const SqlCase& c : kProgramStatements) {
        SCOPED_TRACE(c.what);
        try {
            EXPECT_EQ(Run(c.lines), c.expected);
        } catch (const EDatabaseError& e) {
            ADD_FAILURE() << e.what();
        }
    }
}

TEST_F(QueryTest, TableNamesQuotedBareOrWithAFolder)
{
    const std::string folder = dir_.path().string();
    for (const std::string& from : std::vector<std::string>{"'data.dbf'", "\"data.dbf\"", "data", "DATA", "'" + folder + "/data.dbf'"}) {
        SCOPED_TRACE(from);
        EXPECT_EQ(Run({"select count(*) from " + from}), Rows{"6"});
    }
}

TEST_F(QueryTest, LargestIdOfAnEmptyTableReadsAsZero)
{
    query_.SQL().Add("CREATE TABLE \"empty.dbf\" (ID NUMERIC(6,0), NAME CHARACTER(5))");
    query_.ExecSQL();
    EXPECT_EQ(Run({"select max(ID) from 'empty.dbf'"}), Rows{"NULL"});
    EXPECT_EQ(query_.RecordCount(), 1);
    EXPECT_EQ(query_.Fields().Fields(0).AsInteger(), 0);
}

TEST_F(QueryTest, ResultColumnsTakeTheDeclaredTypes)
{
    Run({"select ID, NAME, AGE, BORN, SMOKER, NOTE, count(*) as n, max(AGE) from 'data.dbf' group by ID"});
    struct Expected {
        const char* name;
        TFieldType type;
        int size, precision;
    };
    const Expected expected[] = {{"ID", ftFloat, 0, 6},   {"NAME", ftString, 20, 0},   {"AGE", ftFloat, 1, 5},  {"BORN", ftDate, 0, 0},
                                 {"SMOKER", ftBoolean, 0, 0}, {"NOTE", ftMemo, 0, 0}, {"n", ftInteger, 0, 0}, {"max(AGE)", ftFloat, 0, 0}};
    ASSERT_EQ(query_.FieldCount(), 8);
    for (int i = 0; i < 8; ++i) {
        const TField& field = query_.Fields().Fields(i);
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(field.FieldName(), expected[i].name);
        EXPECT_EQ(field.DataType(), expected[i].type);
        EXPECT_EQ(field.Size(), expected[i].size);
        EXPECT_EQ(field.Precision(), expected[i].precision);
    }
    query_.First();
    EXPECT_EQ(query_.FieldByName("BORN").AsDateTime(), EncodeDate(1990, 1, 15));
}

TEST_F(QueryTest, ParametersTakeTheirValuesAtEachRun)
{
    query_.SQL().Add("SELECT ID FROM 'data.dbf'");
    query_.SQL().Add("WHERE ((AGE BETWEEN :AGE_1 AND :AGE_2) AND (NAME LIKE :NAME_) AND (BORN>=:BORN_))");
    ASSERT_EQ(query_.Params().Count(), 4);
    EXPECT_EQ(query_.Params().Items(0).Name(), "AGE_1");
    query_.Prepare();
    EXPECT_THROW(query_.Open(), EDatabaseError);  // no values yet
    query_.ParamByName("AGE_1").SetAsInteger(20);
    query_.ParamByName("AGE_2").SetAsFloat(35.5);
    query_.ParamByName("NAME_").SetAsString("%a%");
    query_.ParamByName("BORN_").SetAsDate(EncodeDate(1991, 1, 1));
    query_.Open();
    EXPECT_EQ(dbtest::RowTexts(query_), (Rows{"2", "5"}));
    query_.Close();
    query_.ParamByName("BORN_").SetAsString("1.1.1995");  // a date as the program writes it
    query_.Open();
    EXPECT_EQ(dbtest::RowTexts(query_), (Rows{"2", "5"}));
    EXPECT_THROW(query_.ParamByName("MISSING"), EDatabaseError);
}

TEST_F(QueryTest, LiveResultEditsInsertsAndDeletesReachTheFile)
{
    query_.RequestLive = true;
    Run({"SELECT ID, NAME, AGE, AGE * 2 AS DOUBLED FROM 'data.dbf'", "WHERE (TOWN='Brno')", "ORDER BY NAME"});
    ASSERT_TRUE(query_.CanModify());
    query_.Prepare();  // leaves the open result and its table alone
    ASSERT_TRUE(query_.Locate("NAME", Variant::String("Kamil")));
    query_.Edit();
    query_.FieldByName("AGE").SetAsFloat(33.26);  // rounds to one decimal in the file
    query_.FieldByName("NAME").SetAsString("Kamila");
    EXPECT_THROW(query_.FieldByName("DOUBLED").SetAsFloat(1), EDatabaseError);
    query_.Post();
    EXPECT_EQ(query_.FieldByName("AGE").AsString(), "33.3");
    query_.Append();
    query_.FieldByName("ID").SetAsInteger(7);
    query_.FieldByName("NAME").SetAsString("Nový");
    query_.Post();
    ASSERT_TRUE(query_.Locate("NAME", Variant::String("Karel")));
    query_.Delete();
    EXPECT_EQ(query_.RecordCount(), 3);

    const Rows rows = dbtest::DbfReadRows(path_);
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[1], "3|Kamila|33.3|1980-12-31|False|Brno|x");
    EXPECT_EQ(rows[5], "7|Nový|None|None|None||None");
    EXPECT_EQ(rows[0].substr(0, 2), "2|");  // Karel is gone
}

TEST_F(QueryTest, ResultsThatCannotBeEditedAreReadOnly)
{
    query_.RequestLive = true;
    for (const char* sql : {"SELECT DISTINCT TOWN FROM 'data.dbf'", "select TOWN, count(*) from 'data.dbf' group by TOWN",
                            "SELECT a.ID FROM 'data.dbf' a, 'data.dbf' b WHERE a.ID = b.ID", "SELECT NAME FROM 'data.dbf' ORDER BY 1"}) {
        SCOPED_TRACE(sql);
        Run({sql});
        EXPECT_FALSE(query_.CanModify());
        EXPECT_THROW(query_.Edit(), EDatabaseError);
    }
    query_.RequestLive = false;
    Run({"SELECT * FROM 'data.dbf'"});
    EXPECT_FALSE(query_.CanModify());

    if (geteuid() != 0) {  // root writes anyway
        chmod(path_.c_str(), 0444);
        query_.RequestLive = true;
        Run({"SELECT * FROM 'data.dbf'"});
        EXPECT_FALSE(query_.CanModify());
        chmod(path_.c_str(), 0644);
    }
}

TEST_F(QueryTest, EachOpenReadsTheFileAfresh)
{
    Run({"select count(*) from 'data.dbf'"});
    TTable table;
    table.SetTableName(path_);
    table.Open();
    table.Append();
    table.FieldByName("ID").SetAsInteger(8);
    table.FieldByName("NOTE").SetAsString("a memo written after the first run");
    table.Post();
    EXPECT_EQ(Run({"select count(*) from 'data.dbf'"}), Rows{"7"});
    EXPECT_EQ(Run({"select NOTE from 'data.dbf' where ID = 8"}), Rows{"a memo written after the first run"});
    query_.Refresh();
    EXPECT_EQ(query_.RecordCount(), 1);
}

}  // namespace
