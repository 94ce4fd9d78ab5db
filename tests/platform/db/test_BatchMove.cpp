// Batch moves in every mode from a table or a query into dBase tables, checked with dbfread.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/core/CodePage.h"
#include "platform/db/BatchMove.h"
#include "platform/db/DbError.h"
#include "platform/db/DbfFile.h"
#include "platform/db/Query.h"
#include "platform/db/Table.h"
#include "support/TestSupport.h"
#include "support_DbTools.h"
#include "support_SqlTables.h"

namespace {

using Rows = std::vector<std::string>;

class BatchMoveTest : public testing::Test {
protected:
    void SetUp() override
    {
        SetProgramCodePage(1250);
        sourcePath_ = dbtest::MakeSurveyTable(dir_.path().string());
        source_.SetTableName(sourcePath_);
    }
    void TearDown() override { SetProgramCodePage(0); }

    // dest.dbf: ID N(6,0), NAME C(5), EXTRA C(3), with the given IDs named "old".
    std::string MakeDestination(const std::vector<int>& ids, int idWidth = 6)
    {
        const std::string path = dir_.file("dest.dbf");
        TDbfFile::Create(path, {{"ID", 'N', idWidth, 0}, {"NAME", 'C', 5, 0}, {"EXTRA", 'C', 3, 0}}, 4, 1250);
        TTable table;
        table.SetTableName(path);
        table.Open();
        for (int id : ids) {
            table.Append();
            table.FieldByName("ID").SetAsInteger(id);
            table.FieldByName("NAME").SetAsString("old");
            table.FieldByName("EXTRA").SetAsString("x");
            table.Post();
        }
        destination_.SetTableName(path);
        return path;
    }

    int Move(TBatchMode mode, TDataSet& source)
    {
        TBatchMove move;
        move.Source = &source;
        move.SetDestination(&destination_);
        move.Mode = mode;
        move.Execute();
        return move.MovedCount();
    }

    qbtest::TempDir dir_;
    std::string sourcePath_;
    TTable source_;
    TTable destination_;
};

struct ModeCase {
    const char* what;
    TBatchMode mode;
    std::vector<int> existing;
    int moved;
    Rows expected;  // dbfread rows of dest.dbf
};

const ModeCase kModes[] = {
    {"append", batAppend, {9}, 6,
     {"9|old|x", "1|Karel|", "2|karla|", "3|Kamil|", "4|Eva|", "5|Zdena|", "6|O'Nei|"}},
    {"update by key", batUpdate, {2, 9, 4}, 2, {"2|karla|x", "9|old|x", "4|Eva|x"}},
    {"append and update", batAppendUpdate, {2, 9}, 6,
     {"2|karla|x", "9|old|x", "1|Karel|", "3|Kamil|", "4|Eva|", "5|Zdena|", "6|O'Nei|"}},
    {"delete by key", batDelete, {2, 9, 4}, 2, {"9|old|x"}},
};

TEST_F(BatchMoveTest, ModesMatchColumnsByNameAndRecordsByKey)
{
    for (const ModeCase& c : kModes) {
        SCOPED_TRACE(c.what);
        const std::string path = MakeDestination(c.existing);
        destination_.SetIndexFieldNames(c.mode == batAppend ? "" : "ID");
        EXPECT_EQ(Move(c.mode, source_), c.moved);
        EXPECT_EQ(dbtest::DbfReadRows(path), c.expected);
    }
}

TEST_F(BatchMoveTest, CopyCreatesTheDestinationWithTheSourceFields)
{
    const std::string path = dir_.file("copy.dbf");
    destination_.SetTableName(path);
    EXPECT_EQ(Move(batCopy, source_), 6);
    EXPECT_EQ(dbtest::DbfReadRows(path), dbtest::DbfReadRows(sourcePath_));
    const std::string fields = dbtest::RunPython(R"(
import sys, dbfread
for f in dbfread.DBF(sys.argv[1]).fields: print(f.name, f.type, f.length, f.decimal_count)
)",
                                                 {path});
    EXPECT_EQ(dbtest::Lines(fields), (Rows{"ID N 6 0", "NAME C 20 0", "AGE N 5 1", "BORN D 8 0", "SMOKER L 1 0", "TOWN C 10 0", "NOTE M 10 0"}));

    // Copying over an existing table replaces its records and fields.
    MakeDestination({7, 8});
    TQuery query;
    query.SetDatabaseName(dir_.path().string());
    query.SQL().Add("select TOWN, count(*) as N from 'data.dbf' group by TOWN");
    EXPECT_EQ(Move(batCopy, query), 3);
    EXPECT_EQ(dbtest::DbfReadRows(dir_.file("dest.dbf")), (Rows{"|1", "Brno|3", "Praha|2"}));
}

TEST_F(BatchMoveTest, ProblemsAbortOrAreSkipped)
{
    TQuery doubled;  // IDs 2, 4, .. 12: the last two do not fit N(1,0)
    doubled.SetDatabaseName(dir_.path().string());
    doubled.SQL().Add("SELECT ID * 2 AS ID, NAME FROM 'data.dbf' ORDER BY ID");

    const std::string path = MakeDestination({}, 1);
    TBatchMove move;
    move.Source = &doubled;
    move.SetDestination(&destination_);
    move.AbortOnProblem = false;
    move.Execute();
    EXPECT_EQ(move.MovedCount(), 4);
    EXPECT_EQ(move.ProblemCount(), 2);
    EXPECT_EQ(dbtest::DbfReadRows(path).size(), 4u);

    MakeDestination({}, 1);
    move.AbortOnProblem = true;
    EXPECT_THROW(move.Execute(), EDatabaseError);
    EXPECT_EQ(move.MovedCount(), 4);  // the records before the problem stay
    EXPECT_EQ(dbtest::DbfReadRows(path).size(), 4u);
}

TEST_F(BatchMoveTest, RefusedMovesWriteNothing)
{
    const std::string path = MakeDestination({2});
    const std::string before = qbtest::ReadFileBytes(path);
    for (TBatchMode mode : {batUpdate, batAppendUpdate, batDelete}) {  // no index on the destination
        TBatchMove move;
        move.Source = &source_;
        move.SetDestination(&destination_);
        move.Mode = mode;
        EXPECT_THROW(move.Execute(), EDatabaseError);
    }
    EXPECT_EQ(qbtest::ReadFileBytes(path), before);

    TTable same;
    same.SetTableName(sourcePath_);
    TBatchMove onto;
    onto.Source = &source_;
    onto.SetDestination(&same);
    onto.Mode = batCopy;
    EXPECT_THROW(onto.Execute(), EDatabaseError);
    EXPECT_EQ(dbtest::DbfReadRows(sourcePath_).size(), 6u);

    TBatchMove incomplete;
    incomplete.Source = &source_;
    EXPECT_THROW(incomplete.Execute(), EDatabaseError);
}

}  // namespace
