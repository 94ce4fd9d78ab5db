// Tables whose file or folder name holds a quote, as in "O'Brien's survey" or a folder named
// with double quotes, are named in SQL with the quote doubled, so every statement the windows
// write about them still runs.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/FSetQuery.h"
#include "app/support_MainForm.h"
#include "platform/db/Database.h"
#include "platform/db/Query.h"
#include "platform/db/Table.h"
#include "support/TestSupport.h"

namespace {

using Lines = std::vector<std::string>;

void WriteIdTable(const std::string& path, std::initializer_list<int> ids)
{
    TTable table;
    table.SetTableName(path);
    table.FieldDefs().Add("ID", ftInteger).Precision = 4;
    table.CreateTable();
    table.Open();
    for (int id : ids) {
        table.Append();
        table.FieldByName("ID").SetAsInteger(id);
        table.Post();
    }
    table.Close();
}

Lines RunSql(const Lines& sql)
{
    TQuery query;
    query.SetDatabaseName("collection");
    for (const std::string& line : sql) query.SQL().Add(line);
    query.Open();
    Lines rows;
    for (query.First(); !query.Eof(); query.Next()) rows.push_back(query.Fields().Fields(0).AsString());
    return rows;
}

}  // namespace

TEST(QuotedTableNames, QueryBuilderStatementsRunOnTablesWithQuotesInTheirNames)
{
    qbtest::TempDir dir;
    std::filesystem::create_directory(dir.path() / "o'brien");
    TDatabase database;
    database.SetDatabaseName("collection");
    database.LoginPrompt = false;
    database.Params.Add("PATH=" + dir.path().string());
    const std::string inFolder = dir.file("o'brien/data.dbf");
    struct Case {
        const char* name;
        std::string table;  // as the builder gets it: a file of the database's folder or a full path
        std::string from;
    };
    const Case cases[] = {
        {"plain file", "data.dbf", "'data.dbf'"},
        {"quote in the file name", "it's.dbf", "'it''s.dbf'"},
        {"quote in the folder", inFolder, "'" + dir.file("o''brien/data.dbf") + "'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteIdTable(c.table[0] == '/' ? c.table : dir.file(c.table), {3, 1, 3});
        EXPECT_EQ(FromClause(c.table), c.from);
        EXPECT_EQ(TemplateSqlText("ID", c.table).front(), "SELECT ID FROM " + c.from);
        EXPECT_EQ(RunSql({TemplateSqlText("ID", c.table).front()}).size(), 3u);
        EXPECT_EQ(RunSql(QuerySqlText("ID", true, c.table, {"(ID>1)"})), Lines{"3"});
        EXPECT_EQ(RunSql(ValueListSql("ID", c.table, {})), (Lines{"1", "3"}));
    }
}

// Opening the definition creates its table; new records then get their ids.
TEST(QuotedTableNames, NewRecordsGetTheirIdInAFolderWithAQuote)
{
    for (const char* folder : {"o'brien", "the \"north\" plot"}) {
        SCOPED_TRACE(folder);
        qbtest::MainFormHarness h;
        std::filesystem::create_directory(h.Dir.path() / folder);
        ASSERT_TRUE(h.Open(h.WriteDefinition(std::string(folder) + "/survey.ini", qbtest::kObserverSection)));
        EXPECT_TRUE(std::filesystem::exists(h.Dir.path() / folder / "survey.dbf"));
        TTable& table = h.Form->Table;
        EXPECT_EQ(h.Form->GetMaxRecordId(), 0);
        for (int record = 0; record < 2; ++record) {
            table.Append();  // the insert event numbers the record
            table.Post();
        }
        EXPECT_EQ(h.RecordId(), "2");
        EXPECT_EQ(h.Form->GetMaxRecordId(), 2);
        EXPECT_TRUE(h.Ui.Failures().empty());
    }
}
