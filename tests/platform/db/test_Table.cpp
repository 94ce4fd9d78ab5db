// Tables: names resolved through databases, sessions and aliases, ordering by index fields,
// refresh after another writer, read-only files, and tables created from field definitions.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "platform/core/CodePage.h"
#include "platform/core/StringList.h"
#include "platform/db/Database.h"
#include "platform/db/DbError.h"
#include "platform/db/DbfFile.h"
#include "platform/db/Table.h"
#include "support/TestSupport.h"
#include "support_DbTools.h"

namespace {

class TableTest : public testing::Test {
protected:
    void SetUp() override { SetProgramCodePage(1250); }
    void TearDown() override { SetProgramCodePage(0); }

    void MakeTable(const std::string& path, const std::vector<std::pair<int, std::string>>& rows)
    {
        TDbfFile::Create(path, {{"ID", 'N', 6, 0}, {"NAME", 'C', 20, 0}}, 4, 1250);
        TTable table;
        table.SetTableName(path);
        table.Open();
        for (const auto& [id, name] : rows) {
            table.Append();
            table.FieldByName("ID").SetAsInteger(id);
            table.FieldByName("NAME").SetAsString(name);
            table.Post();
        }
    }
    static std::string Column(TTable& table, const char* field)
    {
        std::string text;
        for (table.First(); !table.Eof(); table.Next()) text += (text.empty() ? "" : ",") + table.FieldByName(field).AsString();
        return text;
    }

    qbtest::TempDir dir_;
};

}  // namespace

TEST_F(TableTest, NamesResolveThroughDatabasesAliasesAndFolders)
{
    std::filesystem::create_directory(dir_.file("data"));
    MakeTable(dir_.file("data/survey.dbf"), {{1, "a"}});
    TDatabase database;
    database.SetDatabaseName("collection");
    database.DriverName = "STANDARD";
    database.Params.Add("PATH=" + dir_.file("data"));
    database.Params.Add("DEFAULT DRIVER=PARADOX");
    if (!Session().IsAlias("surveyAlias")) Session().AddStandardAlias("surveyAlias", dir_.file("data"), "DBASE");

    const struct {
        const char* database;
        std::string table;
    } cases[] = {
        {"collection", "survey"},
        {"COLLECTION", "survey.dbf"},
        {"surveyAlias", "survey"},
        {"", dir_.file("data/survey.dbf")},
        {"collection", dir_.file("data/survey")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.database) + " " + c.table);
        TTable table;
        table.SetDatabaseName(c.database);
        table.SetTableName(c.table);
        EXPECT_EQ(std::filesystem::path(table.FilePath()), std::filesystem::path(dir_.file("data/survey.dbf")));
        table.Open();
        EXPECT_EQ(table.RecordCount(), 1);
    }
    EXPECT_TRUE(database.Connected());  // opening a table connects its database

    TTable unknown;
    unknown.SetDatabaseName("nowhere");
    unknown.SetTableName("survey");
    EXPECT_THROW(unknown.Open(), EDatabaseError);
    TTable missing;
    missing.SetDatabaseName("collection");
    missing.SetTableName("absent");
    EXPECT_FALSE(missing.Exists());
    try {
        missing.Open();
        ADD_FAILURE();
    } catch (const EDatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("absent.dbf"), std::string::npos) << e.what();
    }
}

TEST_F(TableTest, IndexFieldNamesOrderTheRecords)
{
    const std::string path = dir_.file("t.dbf");
    MakeTable(path, {{3, "b"}, {1, "c"}, {2, "a"}, {4, "a"}});
    TTable table;
    table.SetTableName(path);
    table.SetIndexFieldNames("NAME;ID");
    table.Open();
    EXPECT_EQ(Column(table, "ID"), "2,4,3,1");
    table.SetIndexFieldNames("ID");
    EXPECT_EQ(Column(table, "ID"), "1,2,3,4");

    table.Append();  // a new record takes its place in the order
    table.FieldByName("ID").SetAsInteger(0);
    table.Post();
    EXPECT_EQ(table.RecNo(), 1);
    table.Last();
    table.Edit();  // and a changed key moves its record
    table.FieldByName("ID").SetAsInteger(-1);
    table.Post();
    EXPECT_EQ(table.RecNo(), 1);
    EXPECT_EQ(Column(table, "ID"), "-1,0,1,2,3");

    EXPECT_THROW(table.SetIndexFieldNames("NOPE"), EDatabaseError);
    EXPECT_EQ(table.IndexFieldNames(), "ID");
    table.SetIndexFieldNames("");
    EXPECT_EQ(Column(table, "ID"), "3,1,2,-1,0");  // file order
}

TEST_F(TableTest, RefreshShowsWhatAnotherHandleWrote)
{
    const std::string path = dir_.file("t.dbf");
    MakeTable(path, {{1, "a"}, {2, "b"}});
    TTable first, second;
    for (TTable* t : {&first, &second}) t->SetTableName(path), t->Open();
    second.Append();
    second.FieldByName("ID").SetAsInteger(3);
    second.Post();
    first.Last();
    first.Delete();  // the record with ID 2
    first.Append();  // must not overwrite the other handle's record
    first.FieldByName("ID").SetAsInteger(4);
    first.Post();
    EXPECT_EQ(Column(first, "ID"), "1,4");
    first.Refresh();
    EXPECT_EQ(Column(first, "ID"), "1,3,4");
    second.Refresh();
    EXPECT_EQ(Column(second, "ID"), "1,3,4");
}

TEST_F(TableTest, RefreshReadsMemosAnotherHandleWrote)
{
    for (int level : {3, 4}) {
        SCOPED_TRACE(level);
        const std::string path = dir_.file("m" + std::to_string(level) + ".dbf");
        TDbfFile::Create(path, {{"ID", 'N', 6, 0}, {"NOTE", 'M', 10, 0}}, level, 1250);
        TTable first, second;
        for (TTable* t : {&first, &second}) t->SetTableName(path), t->Open();
        for (auto [table, id] : {std::pair{&second, 1}, std::pair{&first, 2}, std::pair{&second, 3}}) {
            table->Append();
            table->FieldByName("ID").SetAsInteger(id);
            table->FieldByName("NOTE").SetAsString(std::string(700, char('a' + id)));
            table->Post();
        }
        for (TTable* t : {&first, &second}) {
            t->Refresh();
            EXPECT_EQ(Column(*t, "ID"), "1,2,3");
            std::string notes;
            for (t->First(); !t->Eof(); t->Next()) notes += t->FieldByName("NOTE").AsString().substr(0, 2);
            EXPECT_EQ(notes, "bbccdd");
        }
    }
}

// A post that the table file refuses (here a file size limit: the memo file is still below it)
// keeps the memo edit; the post that follows stores it.
TEST_F(TableTest, FailedPostKeepsPendingMemoEdits)
{
    const std::string path = dir_.file("m.dbf");
    TDbfFile::Create(path, {{"ID", 'N', 6, 0}, {"NAME", 'C', 200, 0}, {"NOTE", 'M', 10, 0}}, 4, 1250);
    TTable table;
    table.SetTableName(path);
    table.Open();
    for (int id = 1; id <= 10; ++id) {
        table.Append();
        table.FieldByName("ID").SetAsInteger(id);
        table.Post();
    }
    table.Append();
    table.FieldByName("ID").SetAsInteger(11);
    table.FieldByName("NOTE").SetAsString("kept note");
    bool failed = false;
    {
        dbtest::FileSizeLimit limit(std::filesystem::file_size(path) - 1);  // no room for one more record
        try {
            table.Post();
        } catch (const EDatabaseError&) {
            failed = true;
        }
    }
    ASSERT_TRUE(failed);
    EXPECT_EQ(table.State(), dsInsert);
    EXPECT_EQ(table.FieldByName("NOTE").AsString(), "kept note");
    table.Post();
    table.Close();
    table.Open();
    table.Last();
    EXPECT_EQ(table.FieldByName("ID").AsInteger(), 11);
    EXPECT_EQ(table.FieldByName("NOTE").AsString(), "kept note");
}

TEST_F(TableTest, ReadOnlyTablesCannotBeModified)
{
    const std::string path = dir_.file("t.dbf");
    MakeTable(path, {{1, "a"}});
    TTable table;
    table.SetTableName(path);
    EXPECT_FALSE(table.CanModify());
    table.Open();
    EXPECT_TRUE(table.CanModify());
    table.Close();
    table.ReadOnly = true;
    table.Open();
    EXPECT_FALSE(table.CanModify());
    EXPECT_THROW(table.Edit(), EDatabaseError);
    EXPECT_THROW(table.Append(), EDatabaseError);
    EXPECT_THROW(table.Delete(), EDatabaseError);
    EXPECT_EQ(table.State(), dsBrowse);
    EXPECT_THROW(table.SetTableName("other"), EDatabaseError);
    table.Close();

    if (geteuid() != 0) {  // root writes anyway
        chmod(path.c_str(), 0444);
        table.ReadOnly = false;
        table.Open();
        EXPECT_FALSE(table.CanModify());
    }
}

// A table made from field definitions: dBase III or IV memos, read back by dbfread.
TEST_F(TableTest, CreateTableFromFieldDefinitions)
{
    for (int level : {3, 4}) {
        SCOPED_TRACE(level);
        TTable table;
        table.SetTableName(dir_.file("new" + std::to_string(level)));
        table.TableLevel = level;
        table.FieldDefs().Add("ID", ftInteger).Precision = 6;
        table.FieldDefs().Add("Name", ftString, 30);
        table.FieldDefs().Add("Price", ftFloat, 2).Precision = 10;
        table.FieldDefs().Add("Born", ftDate);
        table.FieldDefs().Add("Done", ftBoolean);
        table.FieldDefs().Add("Note", ftMemo);
        table.CreateTable();
        table.Open();
        table.Append();
        table.FieldByName("ID").SetAsInteger(1);
        table.FieldByName("NOTE").SetAsString("poznámka");
        table.Post();
        table.Close();
        const std::string out = dbtest::RunPython(R"(
import sys
from dbfread import DBF
t = DBF(sys.argv[1])
print(hex(t.header.dbversion))
print(','.join('%s %s %d %d' % (f.name, f.type, f.length, f.decimal_count) for f in t.fields))
for r in t: print(r['ID'], r['NOTE'].rstrip('\x00'))
)",
                                                  {table.FilePath()});
        EXPECT_EQ(out, std::string(level == 3 ? "0x83" : "0x8b") +
                           "\nID N 6 0,NAME C 30 0,PRICE N 10 2,BORN D 8 0,DONE L 1 0,NOTE M 10 0\n1 poznámka\n");
    }
    TTable bad;
    bad.SetTableName(dir_.file("bad"));
    bad.FieldDefs().Add("P", ftGraphic);
    EXPECT_THROW(bad.CreateTable(), EDatabaseError);
    EXPECT_THROW(bad.FieldDefs().Add("p", ftString, 3), EDatabaseError);
}

TEST_F(TableTest, DatabasesAndSessionAliases)
{
    TSession session;
    TStringList params;
    params.Add("ODBC DSN=MSAccessToTables");
    params.Add("OPEN MODE=READ/WRITE");
    EXPECT_FALSE(session.IsAlias("MSAccessToTables"));
    session.AddAlias("MSAccessToTables", "Microsoft Access Driver", params);
    EXPECT_TRUE(session.IsAlias("msaccesstotables"));
    EXPECT_THROW(session.AddAlias("MSACCESSTOTABLES", "x", params), EDatabaseError);
    TStringList got;
    session.GetAliasParams("MSAccessToTables", got);
    EXPECT_EQ(got.Text(), params.Text());
    EXPECT_EQ(session.GetAliasDriverName("MSAccessToTables"), "Microsoft Access Driver");

    MakeTable(dir_.file("b.dbf"), {});
    MakeTable(dir_.file("a.DBF"), {});
    qbtest::WriteFileBytes(dir_.file("notes.txt"), "x");
    TDatabase database(&session);
    database.SetDatabaseName("collection");
    database.Params.Add("Path=" + dir_.path().string());
    database.GetTableNames(got);
    EXPECT_EQ(got.CommaText(), "a.DBF,b.dbf");
    EXPECT_TRUE(database.Connected());
    EXPECT_EQ(session.FindDatabase("COLLECTION"), &database);
    EXPECT_THROW(database.SetDatabaseName("other"), EDatabaseError);
    database.Close();

    TDatabase twin(&session);
    EXPECT_THROW(twin.SetDatabaseName("Collection"), EDatabaseError);
    const struct {
        const char* what;
        std::string alias;
        std::string path;
    } failures[] = {
        {"missing folder", "", dir_.file("nope")},
        {"unknown alias", "noSuchAlias", ""},
        {"driver not available", "MSAccessToTables", ""},
    };
    for (const auto& f : failures) {
        SCOPED_TRACE(f.what);
        TDatabase db(&session);
        db.AliasName = f.alias;
        if (!f.path.empty()) db.Params.Add("PATH=" + f.path);
        EXPECT_THROW(db.Open(), EDatabaseError);
        EXPECT_FALSE(db.Connected());
    }
}

// A database whose alias names a source of a registered connection kind connects through that
// kind with the alias's parameters, lists the source's tables, and lets go of it when closed.
TEST_F(TableTest, DatabasesConnectThroughRegisteredKinds)
{
    struct TListConnection : TDatabaseConnection {
        explicit TListConnection(std::vector<std::string> names) : names_(std::move(names)) {}
        std::vector<std::string> TableNames(bool) override { return names_; }
        std::vector<std::string> names_;
    };
    RegisterConnectionKind({"TEST SOURCE", [](const TDatabase& database, const std::string& value) {
                                return std::make_unique<TListConnection>(
                                    std::vector<std::string>{value, database.Param("USER NAME")});
                            }});
    TSession session;
    TStringList params;
    params.Add("TEST SOURCE=Survey");
    params.Add("USER NAME=anna");
    session.AddAlias("TestSource", "Test driver", params);
    TDatabase database(&session);
    database.AliasName = "TestSource";
    TStringList names;
    database.GetTableNames(names);
    EXPECT_TRUE(database.Connected());
    EXPECT_NE(database.Connection(), nullptr);
    EXPECT_EQ(names.CommaText(), "Survey,anna");
    database.Close();
    EXPECT_EQ(database.Connection(), nullptr);
}
