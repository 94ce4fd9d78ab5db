// The dataset's state machine on a real table: event order, navigation, editing, bookmarks,
// Locate, and what data sources and data links are told.
#include <gtest/gtest.h>

#include <filesystem>

#include <functional>

#include "platform/core/CodePage.h"
#include "platform/core/StringList.h"
#include "platform/db/DataSource.h"
#include "platform/db/DbError.h"
#include "platform/db/DbfFile.h"
#include "platform/db/Table.h"
#include "support/TestSupport.h"

namespace {

// Records every event of a dataset, its data source and a data link as one line each.
class EventLog : public TDataLink {
public:
    explicit EventLog(TTable& table) : table_(table)
    {
        auto log = [this](const char* name) { return [this, name](TDataSet&) { lines.push_back(name); }; };
        table.AfterOpen = log("AfterOpen");
        table.AfterClose = log("AfterClose");
        table.AfterInsert = log("AfterInsert");
        table.AfterPost = log("AfterPost");
        table.AfterDelete = log("AfterDelete");
        table.BeforeScroll = log("BeforeScroll");
        table.AfterScroll = log("AfterScroll");
        source.OnStateChange = [this](TDataSource& s) { lines.push_back("StateChange:" + StateName(s.State())); };
        source.OnDataChange = [this](TDataSource&, TField* f) { lines.push_back(f ? "DataChange:" + f->FieldName() : "DataChange"); };
        source.OnUpdateData = [this](TDataSource&) { lines.push_back("UpdateData"); };
        source.SetDataSet(&table);
        SetDataSource(&source);
        lines.clear();
    }
    ~EventLog() override
    {
        SetDataSource(nullptr);
        table_.AfterOpen = table_.AfterClose = table_.AfterInsert = table_.AfterPost = nullptr;
        table_.AfterDelete = table_.BeforeScroll = table_.AfterScroll = nullptr;
    }

    static std::string StateName(TDataSetState state)
    {
        static const char* names[] = {"Inactive", "Browse", "Edit", "Insert"};
        return names[state];
    }
    std::vector<std::string> Take()
    {
        std::vector<std::string> taken;
        taken.swap(lines);
        return taken;
    }

    TTable& table_;
    TDataSource source;
    std::vector<std::string> lines;

protected:
    void ActiveChanged() override { lines.push_back(std::string("link:Active=") + (Active() ? "1" : "0")); }
    void EditingChanged() override { lines.push_back(std::string("link:Editing=") + (Editing() ? "1" : "0")); }
    void DataSetScrolled() override { lines.push_back("link:Scrolled"); }
    void DataSetChanged() override { lines.push_back("link:Changed"); }
    void RecordChanged(TField* f) override { lines.push_back(f ? "link:Record:" + f->FieldName() : "link:Record"); }
    void UpdateData() override { lines.push_back("link:UpdateData"); }
};

class DataSetTest : public testing::Test {
protected:
    void SetUp() override
    {
        path_ = dir_.file("data.dbf");
        TDbfFile::Create(path_, {{"ID", 'N', 6, 0}, {"NAME", 'C', 20, 0}, {"YEAR", 'N', 4, 0}}, 4, 1250);
        table_.SetTableName(path_);
    }
    void Fill(const std::vector<std::tuple<int, std::string, int>>& rows)
    {
        table_.Open();
        for (const auto& [id, name, year] : rows) {
            table_.Append();
            table_.FieldByName("ID").SetAsInteger(id);
            table_.FieldByName("NAME").SetAsString(name);
            table_.FieldByName("YEAR").SetAsInteger(year);
            table_.Post();
        }
        table_.Close();
    }
    std::vector<int> Ids()
    {
        std::vector<int> ids;
        for (table_.First(); !table_.Eof(); table_.Next()) ids.push_back(table_.FieldByName("ID").AsInteger());
        return ids;
    }

    qbtest::TempDir dir_;
    std::string path_;
    TTable table_;
};

}  // namespace

TEST_F(DataSetTest, EventOrder)
{
    using Lines = std::vector<std::string>;
    const struct {
        const char* what;
        bool empty;
        std::function<void(TTable&)> prepare;
        std::function<void(TTable&)> action;
        Lines expected;
    } cases[] = {
        {"open a table with records", false, nullptr, [](TTable& t) { t.Open(); },
         {"link:Active=1", "StateChange:Browse", "DataChange", "AfterOpen", "AfterScroll"}},
        {"open an empty table", true, nullptr, [](TTable& t) { t.Open(); },
         {"link:Active=1", "StateChange:Browse", "DataChange", "AfterOpen"}},
        {"next", false, [](TTable& t) { t.Open(); }, [](TTable& t) { t.Next(); },
         {"BeforeScroll", "link:Scrolled", "DataChange", "AfterScroll"}},
        {"next on the last record", false, [](TTable& t) { t.Open(), t.Last(); }, [](TTable& t) { t.Next(); },
         {"BeforeScroll"}},
        {"first", false, [](TTable& t) { t.Open(), t.Last(); }, [](TTable& t) { t.First(); },
         {"BeforeScroll", "link:Changed", "DataChange", "AfterScroll"}},
        {"append", false, [](TTable& t) { t.Open(); }, [](TTable& t) { t.Append(); },
         {"BeforeScroll", "link:Editing=1", "StateChange:Insert", "link:Changed", "DataChange", "AfterInsert", "AfterScroll"}},
        {"set a field", false, [](TTable& t) { t.Open(), t.Edit(); }, [](TTable& t) { t.FieldByName("NAME").SetAsString("x"); },
         {"link:Record:NAME", "DataChange:NAME"}},
        {"post", false, [](TTable& t) { t.Open(), t.Append(); }, [](TTable& t) { t.Post(); },
         {"link:UpdateData", "UpdateData", "link:Editing=0", "StateChange:Browse", "link:Changed", "DataChange", "AfterPost"}},
        {"scroll posts a pending edit", false,
         [](TTable& t) { t.Open(), t.Edit(), t.FieldByName("NAME").SetAsString("y"); }, [](TTable& t) { t.Next(); },
         {"link:UpdateData", "UpdateData", "link:UpdateData", "UpdateData", "link:Editing=0", "StateChange:Browse",
          "link:Changed", "DataChange", "AfterPost", "BeforeScroll", "link:Scrolled", "DataChange", "AfterScroll"}},
        {"delete", false, [](TTable& t) { t.Open(); }, [](TTable& t) { t.Delete(); },
         {"BeforeScroll", "link:Changed", "DataChange", "AfterDelete", "AfterScroll"}},
        {"close", false, [](TTable& t) { t.Open(); }, [](TTable& t) { t.Close(); },
         {"link:Active=0", "StateChange:Inactive", "AfterClose"}},
        {"locate found", false, [](TTable& t) { t.Open(); }, [](TTable& t) { t.Locate("ID", Variant::Integer(2)); },
         {"BeforeScroll", "link:Changed", "DataChange", "AfterScroll"}},
        {"locate not found", false, [](TTable& t) { t.Open(); }, [](TTable& t) { t.Locate("ID", Variant::Integer(9)); },
         {"BeforeScroll"}},
        {"scrolls while controls are disabled", false, [](TTable& t) { t.Open(); },
         [](TTable& t) { t.DisableControls(), t.Next(), t.Next(), t.EnableControls(); },
         {"BeforeScroll", "AfterScroll", "BeforeScroll", "AfterScroll", "link:Changed", "DataChange"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        if (!c.empty) Fill({{1, "a", 2001}, {2, "b", 2002}, {3, "c", 2003}});
        EventLog log(table_);
        if (c.prepare) c.prepare(table_);
        log.lines.clear();
        c.action(table_);
        EXPECT_EQ(log.Take(), c.expected);
        table_.Close();
    }
}

TEST_F(DataSetTest, NavigationKeepsBofEofAndPosition)
{
    Fill({{1, "a", 2001}, {2, "b", 2002}, {3, "c", 2003}});
    table_.Open();
    EXPECT_TRUE(table_.Bof());
    EXPECT_FALSE(table_.Eof());
    EXPECT_EQ(table_.RecNo(), 1);
    EXPECT_EQ(table_.MoveBy(5), 2);
    EXPECT_TRUE(table_.Eof());
    EXPECT_EQ(table_.FieldByName("ID").AsInteger(), 3);
    EXPECT_EQ(table_.MoveBy(-1), -1);
    EXPECT_FALSE(table_.Eof());
    table_.Prior();
    table_.Prior();
    EXPECT_TRUE(table_.Bof());
    EXPECT_EQ(table_.RecNo(), 1);
    EXPECT_EQ(Ids(), (std::vector<int>{1, 2, 3}));

    table_.Close();
    EXPECT_THROW(table_.RecordCount(), EDatabaseError);
    EXPECT_THROW(table_.Next(), EDatabaseError);
}

TEST_F(DataSetTest, EditingPostCancelDeleteAndInsert)
{
    Fill({{1, "a", 2001}, {2, "b", 2002}, {3, "c", 2003}});
    table_.Open();
    table_.Next();
    table_.Edit();
    table_.FieldByName("NAME").SetAsString("changed");
    table_.Cancel();
    EXPECT_EQ(table_.FieldByName("NAME").AsString(), "b");
    EXPECT_EQ(table_.RecNo(), 2);

    table_.Insert();
    EXPECT_EQ(table_.RecNo(), -1);
    EXPECT_TRUE(table_.FieldByName("ID").IsNull());
    table_.Cancel();
    EXPECT_EQ(table_.FieldByName("ID").AsInteger(), 2);
    EXPECT_EQ(table_.RecordCount(), 3);

    table_.Delete();  // the second record; the cursor moves to the next
    EXPECT_EQ(table_.FieldByName("ID").AsInteger(), 3);
    table_.Delete();  // the last one; the cursor moves back
    EXPECT_EQ(table_.FieldByName("ID").AsInteger(), 1);
    table_.Delete();
    EXPECT_TRUE(table_.IsEmpty());
    EXPECT_TRUE(table_.Bof() && table_.Eof());
    EXPECT_THROW(table_.Delete(), EDatabaseError);

    table_.Edit();  // on an empty table: a new record
    EXPECT_EQ(table_.State(), dsInsert);
    table_.FieldByName("ID").SetAsInteger(7);
    table_.Post();
    EXPECT_EQ(table_.RecordCount(), 1);
    EXPECT_THROW(table_.Post(), EDatabaseError);
    EXPECT_THROW(table_.FieldByName("ID").SetAsInteger(8), EDatabaseError);
    table_.Close();
    table_.Open();
    EXPECT_EQ(Ids(), (std::vector<int>{7}));
}

TEST_F(DataSetTest, FailedPostKeepsTheEditAndTheFile)
{
    Fill({{1, "a", 2001}});
    const std::string before = qbtest::ReadFileBytes(path_);
    table_.Open();
    table_.Edit();
    EXPECT_THROW(table_.FieldByName("YEAR").SetAsInteger(123456), EDatabaseError);  // N(4,0)
    EXPECT_EQ(table_.State(), dsEdit);
    EXPECT_EQ(table_.FieldByName("YEAR").AsInteger(), 2001);
    table_.Cancel();
    EXPECT_EQ(qbtest::ReadFileBytes(path_), before);
}

TEST_F(DataSetTest, BookmarksSurviveAppendsAndDeletes)
{
    Fill({{1, "a", 2001}, {2, "b", 2002}, {3, "c", 2003}});
    table_.Open();
    table_.Next();
    const TBookmark bookmark = table_.GetBookmark();
    table_.First();
    table_.Delete();
    table_.Append();
    table_.FieldByName("ID").SetAsInteger(4);
    table_.Post();
    EXPECT_TRUE(table_.BookmarkValid(bookmark));
    table_.GotoBookmark(bookmark);
    EXPECT_EQ(table_.FieldByName("ID").AsInteger(), 2);
    table_.Delete();
    EXPECT_FALSE(table_.BookmarkValid(bookmark));
    EXPECT_THROW(table_.GotoBookmark(bookmark), EDatabaseError);
}

TEST_F(DataSetTest, LocateMatchesExactlyOverSeveralFields)
{
    Fill({{1, "Novák", 2023}, {2, "novák", 2024}, {3, "Novák", 2024}, {4, "Nov", 2024}, {5, "", 2024}});
    table_.Open();
    const struct {
        const char* fields;
        std::vector<Variant> values;
        int expectedId;  // 0: not found
    } cases[] = {
        {"NAME", {Variant::String("Novák")}, 1},
        {"NAME;YEAR", {Variant::String("Novák"), Variant::Integer(2024)}, 3},
        {"name ; year", {Variant::String("Novák"), Variant::String("2024")}, 3},
        {"NAME;YEAR", {Variant::String("NOVÁK"), Variant::Integer(2024)}, 0},
        {"NAME", {Variant::String("Nová")}, 0},
        {"ID", {Variant::String("3")}, 3},
        {"ID", {Variant::String("ID")}, 0},  // a header line of an import file matches nothing
        {"NAME", {Variant()}, 5},
        {"NAME", {Variant::String("")}, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fields);
        table_.First();
        const bool found = table_.Locate(c.fields, c.values);
        EXPECT_EQ(found, c.expectedId != 0);
        EXPECT_EQ(table_.FieldByName("ID").AsInteger(), found ? c.expectedId : 1);
    }
    EXPECT_THROW(table_.Locate("NOPE", Variant::Integer(1)), EDatabaseError);
    EXPECT_THROW(table_.Locate(";YEAR", std::vector<Variant>{Variant(), Variant::Integer(1)}), EDatabaseError);
    EXPECT_THROW(table_.Locate("ID;YEAR", Variant::Integer(1)), EDatabaseError);
}

// A record read beside the cursor: its own values, the cursor and the current record kept, and
// nobody told.
TEST_F(DataSetTest, ReadRecordAtKeepsTheCursorAndTellsNobody)
{
    Fill({{1, "Alder", 2021}, {2, "Birch", 2022}, {3, "Cedar", 2023}});
    table_.Open();
    table_.Next();
    EventLog log(table_);
    for (const auto& [position, name] : std::vector<std::pair<int, std::string>>{{0, "Alder"}, {2, "Cedar"}, {1, "Birch"}}) {
        std::string read;
        table_.ReadRecordAt(position, [&] { read = table_.FieldByName("NAME").AsString(); });
        EXPECT_EQ(read, name);
        EXPECT_EQ(table_.RecNo(), 2);
        EXPECT_EQ(table_.FieldByName("NAME").AsString(), "Birch");
    }
    EXPECT_THROW(table_.ReadRecordAt(0, [] { throw EDatabaseError("reader failed"); }), EDatabaseError);
    EXPECT_EQ(table_.FieldByName("NAME").AsString(), "Birch") << "a failing reader leaves the current record";
    EXPECT_TRUE(log.Take().empty());

    bool called = false;
    for (const int position : {-1, 3}) EXPECT_THROW(table_.ReadRecordAt(position, [&] { called = true; }), EDatabaseError);
    table_.Edit();
    table_.FieldByName("NAME").SetAsString("Beech");
    EXPECT_THROW(table_.ReadRecordAt(0, [&] { called = true; }), EDatabaseError) << "an edited record is not left";
    EXPECT_EQ(table_.FieldByName("NAME").AsString(), "Beech");
    table_.Cancel();
    table_.Close();
    EXPECT_THROW(table_.ReadRecordAt(0, [&] { called = true; }), EDatabaseError);
    EXPECT_FALSE(called);
}

// A record that cannot be read met during a search: the error reaches the caller and the cursor
// keeps showing the record it was on.
TEST_F(DataSetTest, LocateFailingOnABrokenRecordKeepsTheCurrentRecord)
{
    const std::string path = dir_.file("memo.dbf");
    TDbfFile::Create(path, {{"ID", 'N', 6, 0}, {"NOTE", 'M', 10, 0}}, 4, 1250);
    TTable table;
    table.SetTableName(path);
    table.Open();
    for (int id : {1, 2}) {
        table.Append();
        table.FieldByName("ID").SetAsInteger(id);
        table.FieldByName("NOTE").SetAsString("note " + std::to_string(id));
        table.Post();
    }
    table.Close();
    std::filesystem::resize_file(dir_.file("memo.dbt"), 1024);  // the second record's memo block is gone
    table.Open();
    EXPECT_THROW(table.Locate("NOTE", Variant::String("note 9")), EDatabaseError);
    EXPECT_EQ(table.RecNo(), 1);
    EXPECT_EQ(table.FieldByName("ID").AsInteger(), 1);
    EXPECT_EQ(table.FieldByName("NOTE").AsString(), "note 1");
}

TEST_F(DataSetTest, DataSourceFollowsDataSetAndEnabled)
{
    Fill({{1, "a", 2001}});
    EventLog log(table_);
    table_.Open();
    log.source.SetEnabled(false);
    EXPECT_EQ(log.source.State(), dsInactive);
    log.Take();
    table_.Next();  // the dataset's own events still run; the disabled source tells nobody
    EXPECT_EQ(log.Take(), (std::vector<std::string>{"BeforeScroll", "AfterScroll"}));
    log.source.SetEnabled(true);
    EXPECT_EQ(log.source.State(), dsBrowse);
    log.source.Edit();
    EXPECT_EQ(table_.State(), dsEdit);
    table_.Cancel();
    log.source.AutoEdit = false;
    log.source.Edit();
    EXPECT_EQ(table_.State(), dsBrowse);
    log.source.SetDataSet(nullptr);
    EXPECT_EQ(log.source.State(), dsInactive);
    EXPECT_FALSE(log.Active());
}
