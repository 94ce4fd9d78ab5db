#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QToolButton>
#include <cmath>
#include <filesystem>
#include <memory>

#include "app/DataModules.h"
#include "app/FInfo.h"
#include "app/FMemoField.h"
#include "app/FReplaceField.h"
#include "app/FSelectCase.h"
#include "app/FSelectField.h"
#include "app/FTable.h"
#include "app/FTextFieldAnalyze.h"
#include "app/FTextInput.h"
#include "app/ULng.h"
#include "app/UMSSql.h"
#include "app/support_Dialogs.h"
#include "app/support_MainForm.h"
#include "platform/core/CodePage.h"
#include "platform/core/DateTime.h"
#include "platform/core/NumText.h"
#include "platform/db/DbError.h"
#include "platform/db/ParadoxFile.h"
#include "platform/db/Query.h"
#include "platform/db/Table.h"
#include "platform/ui/DBCtrls.h"
#include "platform/ui/DBGrid.h"
#include "platform/ui/DBNavigator.h"
#include "platform/ui/ScriptedUiServices.h"
#include "support/FileLimits.h"
#include "support_DbTools.h"

namespace {

const std::string kShippedFolder = std::string(QB_TEST_DATA) + "/../../resources/common/";
constexpr int kCancel = -1;

// A record of the sample table; empty optionals are NULL.
struct Sample {
    int id;
    const char* name;
    std::optional<double> value;
    std::optional<TDateTime> born;
    std::optional<bool> ok;
};

const Sample kSamples[] = {
    {1, "Anna", 2.5, EncodeDate(2024, 1, 5), true},
    {2, "Bohumil Říha", -10.25, EncodeDate(1999, 12, 31), false},
    {3, nullptr, std::nullopt, std::nullopt, std::nullopt},
};

void DefineSampleFields(TFieldDefs& defs)
{
    defs.Clear();
    defs.Add("ID", ftInteger).Precision = 6;
    defs.Add("NAME", ftString, 20);
    defs.Add("VALUE", ftFloat, 2).Precision = 10;
    defs.Add("BORN", ftDate);
    defs.Add("OK", ftBoolean);
}

void WriteSampleTable(const std::string& path, std::initializer_list<Sample> samples)
{
    TTable table;
    table.SetTableName(path);
    DefineSampleFields(table.FieldDefs());
    table.CreateTable();
    table.Open();
    for (const Sample& s : samples) {
        table.Append();
        table.FieldByName("ID").SetAsInteger(s.id);
        if (s.name) table.FieldByName("NAME").SetAsString(s.name);
        if (s.value) table.FieldByName("VALUE").SetAsFloat(*s.value);
        if (s.born) table.FieldByName("BORN").SetAsDateTime(*s.born);
        if (s.ok) table.FieldByName("OK").SetAsBoolean(*s.ok);
        table.Post();
    }
    table.Close();
}

// A value as every reader below prints it: '' for NULL, T/F, yyyy-mm-dd, numbers shortest.
std::string Canonical(const TField& field)
{
    if (field.IsNull()) return "";
    switch (field.DataType()) {
    case ftBoolean: return field.AsBoolean() ? "T" : "F";
    case ftDate:
    case ftDateTime: return FormatDateTime("yyyy-mm-dd", field.AsDateTime(), TFormatSettings::Invariant());
    case ftString:
    case ftMemo: return field.AsString();
    default: return FloatToStr(field.AsFloat(), TFormatSettings::Invariant());
    }
}

// The field names, then one line per record, fields joined by '|'.
std::vector<std::string> CanonicalRows(TDataSet& dataSet)
{
    const bool wasActive = dataSet.Active();
    dataSet.Open();
    std::vector<std::string> rows;
    std::string header;
    for (int i = 0; i < dataSet.FieldCount(); ++i) header += (i ? "|" : "") + dataSet.Fields().Fields(i).FieldName();
    rows.push_back(header);
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) {
        std::string row;
        for (int i = 0; i < dataSet.FieldCount(); ++i) row += (i ? "|" : "") + Canonical(dataSet.Fields().Fields(i));
        rows.push_back(row);
    }
    if (!wasActive) dataSet.Close();
    return rows;
}

const char* const kPythonCanonical = R"(
import sys, datetime
def norm(v):
    if v is None: return ''
    if isinstance(v, bool): return 'T' if v else 'F'
    if isinstance(v, datetime.datetime): return v.date().isoformat()
    if isinstance(v, datetime.date): return v.isoformat()
    if isinstance(v, float) and v.is_integer(): return str(int(v))
    return str(v)
def show(rows):
    for row in rows: print('|'.join(norm(v) for v in row))
)";

std::vector<std::string> DbfRows(const std::string& path)
{
    const std::string script = std::string(kPythonCanonical) + R"(
from dbfread import DBF
table = DBF(sys.argv[1], encoding='cp1250')
print('|'.join(table.field_names))
show(list(r.values()) for r in table)
)";
    return dbtest::Lines(dbtest::RunPython(script, {path}));
}

std::vector<std::string> XlsxRows(const std::string& path)
{
    const std::string script = std::string(kPythonCanonical) + R"(
from openpyxl import load_workbook
sheet = load_workbook(sys.argv[1]).active
show(sheet.iter_rows(values_only=True))
)";
    return dbtest::Lines(dbtest::RunPython(script, {path}));
}

std::vector<std::string> ParadoxRows(const std::string& path)
{
    TParadoxTable table;
    table.TableName = path;
    return CanonicalRows(table);
}

// The memo viewers open now.
int FindMemoWindows()
{
    int count = 0;
    for (QWidget* top : QApplication::topLevelWidgets())
        count += qobject_cast<TFormMemoField*>(top) != nullptr && top->isVisible();
    return count;
}

// The choices the dialog showed: caption, group and items.
struct ShownChoice {
    std::string caption;
    std::string group;
    std::vector<std::string> items;
};

// Answers the next choice dialogs in turn: an index is chosen with OK, kCancel closes the dialog.
void AnswerChoices(std::vector<int> answers, std::shared_ptr<std::vector<ShownChoice>> shown)
{
    if (answers.empty()) return;
    qbtest::WhenDialogShows<TFormSelectCase>([answers, shown](TFormSelectCase& form) mutable {
        ShownChoice choice{form.windowTitle().toStdString(), form.RadioGroup->title().toStdString(), {}};
        for (int i = 0; i < form.ItemCount(); ++i) choice.items.push_back(form.ItemText(i));
        shown->push_back(choice);
        const int answer = answers.front();
        answers.erase(answers.begin());
        AnswerChoices(answers, shown);
        if (answer == kCancel) {
            form.reject();
        } else {
            form.SetItemIndex(answer);
            form.accept();
        }
    });
}

class FormTableTest : public testing::Test {
protected:
    FormTableTest() : scope_(ui_)
    {
        CommonDirectory = kShippedFolder;
        sourcePath_ = dir_.file("source.dbf");
        WriteSampleTable(sourcePath_, {kSamples[0], kSamples[1], kSamples[2]});
        source_.SetTableName(sourcePath_);
        sourceLink_.SetDataSet(&source_);
        source_.Open();
    }
    ~FormTableTest() override
    {
        CloseTableWindows();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        source_.Close();
        EXPECT_EQ(ui_.Pending(), 0) << "a scripted answer was not asked for";
        EXPECT_TRUE(ui_.Failures().empty()) << ui_.Failures().front();
        FreeLngModules();
        CommonDirectory.clear();
    }

    // A browse window set up as the main window sets it up, showing the sample table.
    TFormTable* OpenWindow(int number = 0, TDataSource* source = nullptr)
    {
        auto* window = new TFormTable;
        SetupTableWindow(window, 409);
        window->SetDatabaseName(dir_.path().string());
        ShowTableWindow(window, number, source ? source : &sourceLink_);
        return window;
    }

    // Runs a copy whose choice dialogs get the answers; tells the choices shown, also when the copy fails.
    static void CopyWithChoices(TFormTable& window, const std::string& path, std::vector<int> answers,
                                std::vector<ShownChoice>* shown = nullptr)
    {
        auto choices = std::make_shared<std::vector<ShownChoice>>();
        AnswerChoices(std::move(answers), choices);
        try {
            window.CopyToFile(path);
        } catch (...) {
            if (shown) *shown = *choices;
            throw;
        }
        if (shown) *shown = *choices;
    }

    qbtest::TempDir dir_;
    TScriptedUiServices ui_;
    TScopedUiServices scope_;
    std::string sourcePath_;
    TTable source_;
    TDataSource sourceLink_;
};

// Declared first: the browse list does not exist before the first window is shown.
TEST_F(FormTableTest, QueryWindowsBeforeAnyBrowseWindowAndTheirNumbers)
{
    EXPECT_EQ(BrowseTableWindows(), nullptr);
    TQuery query;
    query.SetDatabaseName(dir_.path().string());
    query.SQL().Add("SELECT * FROM source");
    query.Open();
    TDataSource link;
    link.SetDataSet(&query);

    std::vector<QObject*> released;
    static std::vector<QObject*>* releasedList;
    releasedList = &released;
    auto openQuery = [&] {
        auto* window = new TFormTable;
        SetupTableWindow(window, 409);
        ShowTableWindowWithCallback(window, -1, &link, window, [](QObject* owner) { releasedList->push_back(owner); });
        return window;
    };
    TFormTable* first = openQuery();
    ASSERT_NE(BrowseTableWindows(), nullptr);
    EXPECT_TRUE(BrowseTableWindows()->empty());
    EXPECT_EQ(BrowseTableWindow(0), nullptr);
    TFormTable* second = openQuery();
    EXPECT_EQ(first->BrowseNumber(), -1);
    EXPECT_TRUE(first->windowTitle().startsWith("Query 0 (Time ")) << first->windowTitle().toStdString();
    EXPECT_TRUE(second->windowTitle().startsWith("Query 1 (Time ")) << second->windowTitle().toStdString();
    EXPECT_EQ(QueryTableWindows(), (std::vector<TFormTable*>{first, second}));

    // A query result without the editable option offers no edit command.
    EXPECT_FALSE(first->BtnFill->isVisibleTo(first));
    EXPECT_FALSE(first->BtnImport->isVisibleTo(first));
    EXPECT_FALSE(first->BtnDelAll->isVisibleTo(first));
    EXPECT_FALSE(first->DBNavigator->VisibleButtons() & NavButton(nbDelete));

    first->close();
    EXPECT_EQ(released, (std::vector<QObject*>{first}));
    EXPECT_EQ(QueryTableWindows(), (std::vector<TFormTable*>{second}));
    TFormTable* third = openQuery();
    EXPECT_TRUE(third->windowTitle().startsWith("Query 1 (Time ")) << third->windowTitle().toStdString();
    CloseTableWindows();
    EXPECT_EQ(released.size(), 3u);
    EXPECT_TRUE(QueryTableWindows().empty());
}

TEST_F(FormTableTest, CaptionsAndHintsFromTheLanguageTexts)
{
    auto* window = new TFormTable;
    struct Case {
        QWidget* control;
        const char* name;
        std::string (*text)(QWidget*);
        const char* designed;
        const char* fromLanguage;
    };
    auto caption = [](QWidget* w) {
        if (auto* label = qobject_cast<QLabel*>(w)) return label->text().toStdString();
        return static_cast<QAbstractButton*>(w)->text().toStdString();
    };
    auto hint = [](QWidget* w) { return w->toolTip().toStdString(); };
    const Case cases[] = {
        {window->BtnDelAll, "BtnDelAll", hint, "Clear all lines", "Delete all records"},
        {window->BtnImport, "BtnImport", hint, "Import from file", "Import from a text file"},
        {window->BtnFill, "BtnFill", hint, "Fill specific values", "Fill field values"},
        {window->BtnFill, "BtnFill", caption, "Fill", "Fill"},
        {window->BtnDBcopy, "BtnDBcopy", caption, "DB Copy", "DB copy"},
        {window->BtnExport, "BtnExport", caption, "Save as text", "Save as text"},
        {window->LblCountTitle, "LblCountTitle", caption, "Number", "Number"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.text(c.control), c.designed) << c.name;
    EXPECT_EQ(window->SaveDlg.Title, "Uložit data jako");
    SetupTableWindow(window, 409);
    for (const Case& c : cases) {
        EXPECT_EQ(c.text(c.control), c.fromLanguage) << c.name;
        EXPECT_EQ(c.control->objectName(), c.name);
        // Picture buttons are known by their hints, the others by their captions.
        const bool picture = qobject_cast<QToolButton*>(c.control) != nullptr;
        EXPECT_EQ(c.control->accessibleName().toStdString(), picture ? hint(c.control) : caption(c.control)) << c.name;
    }
    EXPECT_EQ(window->SaveDlg.Title, "Save data as");
    EXPECT_EQ(window->DBNavigator->Hint(nbFirst), "First record");
    EXPECT_EQ(window->PanelBtns->height(), 41);
    EXPECT_EQ(window->PanelGraph->objectName(), "PanelGraph");
    EXPECT_FALSE(window->PanelGraph->isVisibleTo(window));
    EXPECT_FALSE(window->PanelPrg->isVisibleTo(window));
    delete window;
}

TEST_F(FormTableTest, BrowseWindowCountsRecordsAndFollowsTheDataset)
{
    int mainInserts = 0;
    source_.AfterInsert = [&](TDataSet&) {
        ++mainInserts;
        throw Exception("the replaced handler fails");  // swallowed: the count still follows
    };
    TFormTable* window = OpenWindow();
    EXPECT_EQ(window->windowTitle(), "T0 Browse");
    EXPECT_EQ(BrowseTableWindow(0), window);
    EXPECT_EQ(window->LblCount->text(), "3");
    EXPECT_TRUE(window->BtnFill->isVisibleTo(window));
    EXPECT_TRUE(window->BtnImport->isVisibleTo(window));
    EXPECT_TRUE(window->BtnDelAll->isVisibleTo(window));
    EXPECT_TRUE(window->DBNavigator->VisibleButtons() & NavButton(nbDelete));

    source_.Append();
    EXPECT_EQ(mainInserts, 1);
    source_.FieldByName("ID").SetAsInteger(4);
    source_.Post();
    source_.Append();  // the count follows inserts as they begin
    EXPECT_EQ(window->LblCount->text(), "4");
    source_.Cancel();
    source_.Last();
    source_.Delete();
    EXPECT_EQ(window->LblCount->text(), "3");
    source_.Close();
    window->ShowRecordCount();
    EXPECT_EQ(window->LblCount->text(), "---");
    source_.Open();
    EXPECT_EQ(window->LblCount->text(), "3");

    // Showing the same dataset again reuses the window; closing it gives the handlers back.
    ShowTableWindow(BrowseTableWindow(0), 0, &sourceLink_);
    EXPECT_EQ(BrowseTableWindow(0), window);
    window->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(BrowseTableWindow(0), nullptr);
    EXPECT_EQ(FormTable, nullptr);
    source_.AfterInsert = [&](TDataSet&) { ++mainInserts; };
    source_.Append();
    source_.Cancel();
    EXPECT_EQ(mainInserts, 3);
    EXPECT_FALSE(source_.AfterOpen);
}

TEST_F(FormTableTest, ReadOnlyTableShowsNoEditCommands)
{
    TTable readOnly;
    readOnly.SetTableName(sourcePath_);
    readOnly.ReadOnly = true;
    TDataSource link;
    link.SetDataSet(&readOnly);
    readOnly.Open();
    TFormTable* window = OpenWindow(2, &link);
    EXPECT_EQ(window->windowTitle(), "T2 Browse");
    EXPECT_EQ(BrowseTableWindows()->size(), 3u);
    EXPECT_EQ(BrowseTableWindow(1), nullptr);
    EXPECT_FALSE(window->BtnFill->isVisibleTo(window));
    EXPECT_FALSE(window->BtnDelAll->isVisibleTo(window));
    EXPECT_EQ(window->DBNavigator->VisibleButtons(), NavButtons({nbFirst, nbPrior, nbNext, nbLast, nbRefresh}));
    window->close();
}

TEST_F(FormTableTest, ClearAllLinesAsksFirst)
{
    struct Case {
        int answer;
        bool emptyFirst;
        int recordsLeft;
    };
    for (const Case& c : {Case{mrNo, false, 3}, Case{mrYes, false, 0}, Case{mrYes, true, 0}}) {
        source_.Close();
        if (c.emptyFirst)
            WriteSampleTable(sourcePath_, {});
        else
            WriteSampleTable(sourcePath_, {kSamples[0], kSamples[1], kSamples[2]});
        source_.Open();
        TFormTable* window = OpenWindow();
        ui_.Push(TUiAnswer::Press(c.answer));
        window->BtnDelAll->click();
        ASSERT_FALSE(ui_.Log().empty());
        EXPECT_EQ(ui_.Log().back().Text, "Delete all records?");
        EXPECT_EQ(ui_.Log().back().Buttons, mbYesNo);
        EXPECT_EQ(ui_.Log().back().DefaultButton, mbNo) << "Enter deletes nothing";
        EXPECT_EQ(dbtest::RunPython("import sys\nfrom dbfread import DBF\nprint(len(DBF(sys.argv[1])))", {sourcePath_}),
                  std::to_string(c.recordsLeft) + "\n");
        EXPECT_EQ(window->LblCount->text().toStdString(), std::to_string(c.recordsLeft));
        window->close();
    }
}

// Every format gets the same values: dBase read by dbfread, the workbook by openpyxl, Paradox
// by our reader.
TEST_F(FormTableTest, CopiesToNewFilesHoldTheSameValues)
{
    const std::vector<std::string> expected = CanonicalRows(source_);
    ASSERT_EQ(expected.size(), 4u);
    EXPECT_EQ(expected[2], "2|Bohumil Říha|-10.25|1999-12-31|F");
    struct Case {
        const char* fileName;
        const char* written;
        std::vector<std::string> (*read)(const std::string&);
    };
    const Case cases[] = {
        {"copy.dbf", "copy.dbf", DbfRows},
        {"copy.xlsx", "copy.xlsx", XlsxRows},
        {"sheet.xls", "sheet.xlsx", XlsxRows},  // spreadsheet copies are always workbooks
        {"copy.db", "copy.db", ParadoxRows},
    };
    TFormTable* window = OpenWindow();
    for (const Case& c : cases) {
        const bool workbook = std::string(c.written).ends_with(".xlsx");
        if (workbook) ui_.Push(TUiAnswer::Press(mrOk));
        const size_t logged = ui_.Log().size();
        window->CopyToFile(dir_.file(c.fileName));
        EXPECT_EQ(c.read(dir_.file(c.written)), expected) << c.fileName;
        ASSERT_EQ(ui_.Log().size(), logged + (workbook ? 1 : 0)) << c.fileName;
        if (workbook) {
            EXPECT_EQ(ui_.Log().back().Text, "File " + dir_.file(c.written) + " has been written.");
        }
    }
    EXPECT_FALSE(std::filesystem::exists(dir_.file("sheet.xls")));
}

TEST_F(FormTableTest, WorkbookCopyShowsItsProgressAndGivesTheGridBack)
{
    TFormTable* window = OpenWindow();
    std::vector<int> progress;
    bool panelShown = false;
    QObject::connect(window->PrgBar, &QProgressBar::valueChanged, [&](int value) {
        if (value > 0) progress.push_back(value);
        panelShown = panelShown || window->PanelPrg->isVisible();
        EXPECT_EQ(window->DBGrid->DataSource(), nullptr);
    });
    ui_.Push(TUiAnswer::Press(mrOk));
    window->CopyToFile(dir_.file("progress.xlsx"));
    EXPECT_EQ(progress, (std::vector<int>{50, 75, 100}));
    EXPECT_TRUE(panelShown);
    EXPECT_FALSE(window->PanelPrg->isVisible());
    EXPECT_EQ(window->DBGrid->DataSource(), &sourceLink_);

    // A failing write reports its error and still gives the grid back.
    EXPECT_THROW(window->CopyToFile(dir_.file("missing/folder.xlsx")), Exception);
    EXPECT_FALSE(window->PanelPrg->isVisible());
    EXPECT_EQ(window->DBGrid->DataSource(), &sourceLink_);
}

// The workbook library packs whatever its temporary files hold and reports no error when writing
// them fell short (a full temporary folder, a size limit): the copy finds the broken part, says
// why, and the old workbook stays.
TEST_F(FormTableTest, WorkbookThatCannotBeWrittenWholeLeavesTheOldOne)
{
    const std::string longPath = dir_.file("long.dbf");
    {
        TTable table;
        table.SetTableName(longPath);
        table.FieldDefs().Clear();
        table.FieldDefs().Add("TEXT", ftMemo);
        table.CreateTable();
        table.Open();
        for (int i = 0; i < 12; ++i) {  // long texts that pack small
            table.Append();
            table.FieldByName("TEXT").SetAsString(std::string(30000, char('a' + i)));
            table.Post();
        }
        table.Close();
    }
    TTable longTable;
    longTable.SetTableName(longPath);
    TDataSource link;
    link.SetDataSet(&longTable);
    longTable.Open();
    QPointer<TFormTable> window = OpenWindow(1, &link);
    const std::string path = dir_.file("copy.xlsx");
    qbtest::WriteFileBytes(path, "old workbook");
    std::string message;
    {
        qbtest::FileSizeLimit limit(64 * 1024);
        try {
            window->CopyToFile(path);
        } catch (const Exception& e) {
            message = e.Message();
        }
    }
    EXPECT_EQ(message, "Cannot write the workbook " + path + ": File too large");
    EXPECT_EQ(qbtest::ReadFileBytes(path), "old workbook");
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
    EXPECT_FALSE(window->PanelPrg->isVisible());
    EXPECT_EQ(window->DBGrid->DataSource(), &link);

    // Without the limit the same copy is whole.
    ui_.Push(TUiAnswer::Press(mrOk));
    window->CopyToFile(path);
    EXPECT_EQ(XlsxRows(path).size(), 13u);
    window->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

const Sample kOld = {1, "Old", 1.0, std::nullopt, std::nullopt};
const Sample kNine = {9, "Nine", 9.0, std::nullopt, std::nullopt};

// Onto an existing table the user picks the mode; keyed modes ask for the index first.
TEST_F(FormTableTest, CopyOntoAnExistingTableInEveryMode)
{
    const std::vector<std::string> modes = {"Append", "Update", "Append and Update", "Copy", "Delete"};
    const std::vector<std::string> fields = {"ID", "NAME", "VALUE", "BORN", "OK"};
    struct Case {
        const char* name;
        std::vector<int> answers;
        std::vector<std::string> idsAndNames;  // the destination afterwards
        bool fails;
    };
    const std::vector<std::string> untouched = {"1|Old", "9|Nine"};
    const Case cases[] = {
        {"closed chooser", {kCancel}, untouched, false},
        {"copy", {3}, {"1|Anna", "2|Bohumil Říha", "3|"}, false},
        {"append with new index", {0, 0}, {"1|Old", "9|Nine", "1|Anna", "2|Bohumil Říha", "3|"}, false},
        {"append, index chooser closed", {0, kCancel}, {"1|Old", "9|Nine", "1|Anna", "2|Bohumil Říha", "3|"}, false},
        {"update by ID", {1, 0}, {"1|Anna", "9|Nine"}, false},
        {"append and update by ID", {2, 0}, {"1|Anna", "9|Nine", "2|Bohumil Říha", "3|"}, false},
        {"update without index", {1, kCancel}, untouched, true},
        {"delete without index", {4}, untouched, true},
    };
    TFormTable* window = OpenWindow();
    const std::string path = dir_.file("existing.dbf");
    const std::string script = "import sys\nfrom dbfread import DBF\n"
                               "for r in DBF(sys.argv[1], encoding='cp1250'): print('%d|%s' % (r['ID'], r['NAME'] or ''))";
    for (const Case& c : cases) {
        WriteSampleTable(path, {kOld, kNine});
        const std::string before = qbtest::ReadFileBytes(path);
        std::vector<ShownChoice> shown;
        if (c.fails)
            EXPECT_THROW(CopyWithChoices(*window, path, c.answers, &shown), EDatabaseError) << c.name;
        else
            CopyWithChoices(*window, path, c.answers, &shown);
        EXPECT_EQ(dbtest::Lines(dbtest::RunPython(script, {path})), c.idsAndNames) << c.name;
        if (c.idsAndNames == untouched) {
            EXPECT_EQ(qbtest::ReadFileBytes(path), before) << c.name;
        }
        ASSERT_FALSE(shown.empty()) << c.name;
        EXPECT_EQ(shown[0].caption, "Select");
        EXPECT_EQ(shown[0].group, "Copy mode");
        EXPECT_EQ(shown[0].items, modes);
        if (shown.size() > 1) {
            EXPECT_EQ(shown[1].caption, "Define new index") << c.name;
            EXPECT_EQ(shown[1].items, fields) << c.name;
        }
        EXPECT_EQ(shown.size(), c.answers.size()) << c.name;
    }
}

TEST_F(FormTableTest, ExistingParadoxTableIsReplacedByCopy)
{
    TFormTable* window = OpenWindow();
    const std::string path = dir_.file("existing.db");
    window->CopyToFile(path);
    WriteSampleTable(dir_.file("other.dbf"), {kNine});
    TTable other;
    other.SetTableName(dir_.file("other.dbf"));
    TDataSource otherLink;
    otherLink.SetDataSet(&other);
    other.Open();
    TFormTable* second = OpenWindow(1, &otherLink);
    CopyWithChoices(*second, path, {3});
    EXPECT_EQ(ParadoxRows(path), CanonicalRows(other));
    // Append with a new index keys the Paradox table by the chosen field.
    std::vector<ShownChoice> shown;
    CopyWithChoices(*window, path, {0, 0}, &shown);
    EXPECT_EQ(shown.size(), 2u);
    EXPECT_EQ(ParadoxRows(path).size(), 5u);
    second->close();
    other.Close();
}

TEST_F(FormTableTest, ChooseIndexPicksOrDefinesTheIndex)
{
    TFormTable* window = OpenWindow();
    struct Case {
        const char* indexBefore;
        int answer;
        const char* caption;
        std::vector<std::string> items;
        const char* indexAfter;
    };
    const Case cases[] = {
        {"ID;NAME", 1, "Select index", {"ID", "NAME"}, "NAME"},
        {"ID;NAME", kCancel, "Select index", {"ID", "NAME"}, "ID;NAME"},
        {"", 2, "Define new index", {"ID", "NAME", "VALUE", "BORN", "OK"}, "VALUE"},
        {"", kCancel, "Define new index", {"ID", "NAME", "VALUE", "BORN", "OK"}, ""},
    };
    for (const Case& c : cases) {
        WriteSampleTable(dir_.file("keyed.dbf"), {kNine});
        TTable table;
        table.SetDatabaseName(dir_.path().string());
        table.SetTableName("keyed.dbf");
        table.SetIndexFieldNames(c.indexBefore);
        auto shown = std::make_shared<std::vector<ShownChoice>>();
        AnswerChoices({c.answer}, shown);
        window->ChooseIndex(table);
        ASSERT_EQ(shown->size(), 1u);
        EXPECT_EQ(shown->front().caption, c.caption);
        EXPECT_EQ(shown->front().group, "Field");
        EXPECT_EQ(shown->front().items, c.items);
        EXPECT_EQ(table.IndexFieldNames(), c.indexAfter);
    }
}

TEST_F(FormTableTest, CopyMenuOfTheRightButton)
{
    TFormTable* window = OpenWindow();
    struct Case {
        int answer;
        std::vector<std::string> uiCalls;
    };
    setenv("XDG_DATA_HOME", dir_.path().c_str(), 1);  // where the user's own settings copies are looked for
    const Case cases[] = {
        {kCancel, {}},
        {0, {}},
        {1, {"save dialog"}},
        {2, {"save dialog"}},
        {3, {"message box: File " + LocateMSSqlSettings() + " with MS SQL ODBC settings does not exist!"}},
    };
    for (const Case& c : cases) {
        const size_t logged = ui_.Log().size();
        for (size_t i = 0; i < c.uiCalls.size(); ++i)
            ui_.Push(c.uiCalls[i] == "save dialog" ? TUiAnswer::Cancel(TUiCallKind::SaveFile) : TUiAnswer::Press(mrOk));
        auto shown = std::make_shared<std::vector<ShownChoice>>();
        AnswerChoices({c.answer}, shown);
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::RightButton, Qt::RightButton,
                          Qt::NoModifier);
        QApplication::sendEvent(window->BtnDBcopy, &press);
        ASSERT_EQ(shown->size(), 1u);
        EXPECT_EQ(shown->front().caption, "Copy data to");
        EXPECT_EQ(shown->front().group, "Database type");
        EXPECT_EQ(shown->front().items, (std::vector<std::string>{"Cancel", "Single table (DB,DBF,TXT,XLS)",
                                                                  "MS Access (MDB)", "MS SQL database"}));
        std::vector<std::string> calls;
        for (size_t i = logged; i < ui_.Log().size(); ++i) {
            const TUiCall& call = ui_.Log()[i];
            calls.push_back(call.Kind == TUiCallKind::SaveFile ? "save dialog" : "message box: " + call.Text);
        }
        EXPECT_EQ(calls, c.uiCalls) << c.answer;
        if (c.answer == 1 || c.answer == 2) {
            EXPECT_EQ(window->SaveDlg.FilterIndex, c.answer == 1 ? 2 : 5);
        }
    }
}

TEST_F(FormTableTest, TextCopyWritesDelimitedLines)
{
    TFormTable* window = OpenWindow();
    const std::string path = dir_.file("copy.txt");
    window->CopyToFile(path);
    EXPECT_EQ(qbtest::ReadFileBytes(path), Utf8ToAnsi("\"ID\",\"NAME\",\"VALUE\",\"BORN\",\"OK\"\r\n"
                                                      "1,\"Anna\",2.5,2024-01-05,T\r\n"
                                                      "2,\"Bohumil Říha\",-10.25,1999-12-31,F\r\n"
                                                      "3,,,,\r\n"));
    // Appending to the text keeps what it holds.
    CopyWithChoices(*window, path, {0});
    const std::string text = AnsiToUtf8(qbtest::ReadFileBytes(path));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 7);
    // The text has no index: a keyed mode is refused and the file stays.
    const std::string before = qbtest::ReadFileBytes(path);
    EXPECT_THROW(CopyWithChoices(*window, path, {1}), EDatabaseError);
    EXPECT_EQ(qbtest::ReadFileBytes(path), before);
}

TEST_F(FormTableTest, SaveAsTextAsksForTheFileThenTheFields)
{
    TFormTable* window = OpenWindow();
    const std::string path = dir_.file("export.txt");
    ui_.Push(TUiAnswer::SaveFile(path));
    std::string chooserCaption;
    qbtest::WhenDialogShows<TFormSelectField>([&](TFormSelectField& chooser) {
        chooserCaption = chooser.windowTitle().toStdString();
        chooser.ListBox->item(1)->setSelected(true);
        chooser.ListBoxClick();
        chooser.accept();
    });
    window->BtnExport->click();
    ASSERT_EQ(ui_.Log().size(), 1u);
    EXPECT_EQ(ui_.Log()[0].Caption, "Save data as");
    EXPECT_EQ(window->SaveDlg.FilterIndex, 1);
    EXPECT_EQ(chooserCaption, "Fields to export");
    EXPECT_EQ(AnsiToUtf8(qbtest::ReadFileBytes(path)), "line\tNAME\r\n1\tAnna\r\n2\tBohumil Říha\r\n3\t\r\n");
}

// Fill and Import hand the grid's dataset to their forms; closing a form changes nothing.
TEST_F(FormTableTest, FillAndImportOpenTheirForms)
{
    TFormTable* window = OpenWindow();
    const std::string before = qbtest::ReadFileBytes(sourcePath_);
    std::string fillCaption;
    qbtest::WhenDialogShows<TFormReplaceField>([&](TFormReplaceField& form) { fillCaption = form.windowTitle().toStdString(); });
    window->BtnFill->click();
    EXPECT_EQ(fillCaption, "Fill values");  // text 2000 of the window's language module, capitalised
    EXPECT_EQ(window->DBGrid->DataSource(), &sourceLink_);

    const std::string textFile = dir_.file("values.txt");
    qbtest::WriteFileBytes(textFile, "1;Eva\r\n");
    ui_.Push(TUiAnswer::OpenFile(textFile));
    bool importShown = false;
    qbtest::WhenDialogShows<TFormTextInput>([&](TFormTextInput&) { importShown = true; });
    window->BtnImport->click();
    EXPECT_TRUE(importShown);
    ASSERT_EQ(ui_.Log().size(), 1u);
    EXPECT_EQ(ui_.Log()[0].Text, "Textový soubor (*.txt)|*.txt|Text oddělený středníkem (*.csv)|*.csv|Všechny soubory|*.*");
    source_.Close();
    EXPECT_EQ(qbtest::ReadFileBytes(sourcePath_), before);
}

// A memo cell opens its viewer (one per field), a text cell's double click the character view;
// closing the table window closes its memo viewers.
TEST_F(FormTableTest, MemoAndTextCellsOpenTheirViews)
{
    TTable notes;
    notes.SetTableName(dir_.file("notes.dbf"));
    notes.FieldDefs().Add("NAME", ftString, 10);
    notes.FieldDefs().Add("NOTE", ftMemo);
    notes.CreateTable();
    notes.Open();
    notes.Append();
    notes.FieldByName("NAME").SetAsString("Ab");
    notes.FieldByName("NOTE").SetAsString("a long remark");
    notes.Post();
    TDataSource link;
    link.SetDataSet(&notes);
    TFormTable* window = OpenWindow(0, &link);

    window->DBGrid->OnCellClick(notes.FieldByName("NAME"));
    EXPECT_EQ(FindMemoWindows(), 0);
    window->DBGrid->OnCellClick(notes.FieldByName("NOTE"));
    window->DBGrid->OnCellClick(notes.FieldByName("NOTE"));
    EXPECT_EQ(FindMemoWindows(), 1);

    window->DBGrid->setCurrentIndex(window->DBGrid->model()->index(0, 0));
    window->DBGrid->OnDblClick();
    QPointer<TFormTextFieldAnalyze> analyze;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* view = qobject_cast<TFormTextFieldAnalyze*>(top)) analyze = view;
    ASSERT_NE(analyze, nullptr);
    EXPECT_EQ(analyze->windowTitle(), "Text field analyze [NAME]");
    analyze->close();

    window->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(FindMemoWindows(), 0);
    notes.Close();
}

// "Show data table" of the main window: browse window 0, created once and again after closing.
TEST(MainWindowShowsTheDataTable, BrowseWindowZeroIsReusedUntilClosed)
{
    qbtest::MainFormHarness main;
    for (const char* name : {"SetQuery409.lng", "NvgHint409.lng"})
        std::filesystem::copy_file(kShippedFolder + name, main.Dir.file(std::string("common/") + name));
    ASSERT_TRUE(main.Open(main.WriteDefinition("weather.ini", "[Weather]\ntext=Weather\nfn=WEATH\ntype=NUMERIC(2,0)\nfield=edit\n")));
    main.Form->TB_Table->click();
    TFormTable* window = BrowseTableWindow(0);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(FormTable, window);
    EXPECT_EQ(window->windowTitle(), "T0 Browse");
    EXPECT_EQ(window->DatabaseName(), "collection");
    EXPECT_EQ(window->BtnDBcopy->text(), "DB copy");
    EXPECT_EQ(window->LblCount->text(), "0");
    // The main window's own insert handler still gives the new record its ID.
    main.Form->Table.Append();
    EXPECT_EQ(main.Form->Table.FieldByName("ID").AsInteger(), 1);
    main.Form->Table.Post();
    window->ShowRecordCount();  // as activating the window does
    EXPECT_EQ(window->LblCount->text(), "1");
    main.Form->TB_Table->click();
    EXPECT_EQ(BrowseTableWindow(0), window);
    window->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(BrowseTableWindow(0), nullptr);
    main.Form->TB_Table->click();
    ASSERT_NE(BrowseTableWindow(0), nullptr);
    EXPECT_EQ(BrowseTableWindow(0)->LblCount->text(), "1");
    // The window is still open when the main window goes: it lets go of the table first.
}

// The main window on a collection of one text item, with the language files the table window reads.
void OpenObserverCollection(qbtest::MainFormHarness& main, const std::string& name)
{
    for (const char* file : {"SetQuery409.lng", "NvgHint409.lng"})
        if (!std::filesystem::exists(main.Dir.file(std::string("common/") + file)))
            std::filesystem::copy_file(kShippedFolder + file, main.Dir.file(std::string("common/") + file));
    ASSERT_TRUE(main.Open(main.WriteDefinition(name, qbtest::kObserverSection)));
}

// A cell of the grid typed into without Enter: the text is there only in the cell editor.
void TypeIntoCell(TFormTable& window, int row, int column, const QString& text)
{
    const QModelIndex cell = window.DBGrid->model()->index(row, column);
    window.DBGrid->setCurrentIndex(cell);
    window.DBGrid->edit(cell);
    auto* editor = qobject_cast<QLineEdit*>(window.DBGrid->indexWidget(cell));
    ASSERT_NE(editor, nullptr);
    editor->setText(text);
}

// Whichever way the data or the window closes, what was typed into a cell is kept, or dropped
// only when the user says so.
TEST(TableWindowOnTheCollection, TextTypedIntoACellIsKeptWhenTheDataCloses)
{
    using Harness = qbtest::MainFormHarness;
    const struct {
        const char* name;
        std::function<void(Harness&, TFormTable*)> close;
        const char* stored;
    } ways[] = {
        {"Close button", [](Harness& h, TFormTable*) {
             h.Form->TB_Close->click();
             QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
             EXPECT_EQ(BrowseTableWindow(0), nullptr) << "the window goes with the collection";
         }, "Cleo"},
        {"closing the program", [](Harness& h, TFormTable*) {
             h.Ui.Push(TUiAnswer::Press(mrYes));
             EXPECT_TRUE(h.Form->close());
             h.Form.reset();
         }, "Cleo"},
        {"closing the table window, Yes", [](Harness& h, TFormTable* window) {
             h.Ui.Push(TUiAnswer::Press(mrYes));
             EXPECT_TRUE(window->close());
             EXPECT_EQ(h.TakeMessages(), std::vector<std::string>{"Save the changes of the current record?"});
             EXPECT_EQ(h.Ui.Log().back().Buttons, mbYes | mbNo | mbCancel);
             EXPECT_EQ(h.Ui.Log().back().DefaultButton, mbYes);
             h.Form->TB_Close->click();
         }, "Cleo"},
        {"closing the table window, No", [](Harness& h, TFormTable* window) {
             h.Ui.Push(TUiAnswer::Press(mrNo));
             EXPECT_TRUE(window->close());
             h.Form->TB_Close->click();
         }, "Anna"},
        {"closing the table window, Cancel", [](Harness& h, TFormTable* window) {
             h.Ui.Push(TUiAnswer::Press(mrCancel));
             EXPECT_FALSE(window->close());
             EXPECT_TRUE(window->isVisible());
             h.Form->TB_Close->click();
         }, "Cleo"},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        Harness h;
        OpenObserverCollection(h, "survey.ini");
        TTable& table = h.Form->Table;
        table.Append();
        table.FieldByName("OBSERVER").SetAsString("Anna");
        table.Post();
        h.Form->TB_Table->click();
        TFormTable* window = BrowseTableWindow(0);
        ASSERT_NE(window, nullptr);
        TypeIntoCell(*window, 0, 1, "Cleo");
        way.close(h, window);
        EXPECT_NE(qbtest::DbfDump(h.Dir.file("survey.dbf")).find(std::string("ID=1|OBSERVER=") + way.stored + "\n"),
                  std::string::npos)
            << qbtest::DbfDump(h.Dir.file("survey.dbf"));
        EXPECT_EQ(h.Ui.Pending(), 0);
        EXPECT_TRUE(h.Ui.Failures().empty());
    }
}

// "Number" follows records posted through the input panels and records imported.
TEST(TableWindowOnTheCollection, NumberFollowsEnteredAndImportedRecords)
{
    qbtest::MainFormHarness h;
    OpenObserverCollection(h, "source.ini");
    for (const char* name : {"Anna", "Ben"}) {
        h.Form->Table.Append();
        h.Form->Table.FieldByName("OBSERVER").SetAsString(name);
        h.Form->Table.Post();
    }
    h.Form->TB_Close->click();
    OpenObserverCollection(h, "survey.ini");
    h.Form->TB_Table->click();
    TFormTable* window = BrowseTableWindow(0);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->LblCount->text(), "0");

    h.Form->TB_DataInsert->click();
    qbtest::TypeText(h.Current().Edit(), "Cleo");
    h.Ui.Push(TUiAnswer::Press(mrNo));  // "Append new record?"
    h.Current().BtnNextModule->click();
    EXPECT_EQ(window->LblCount->text(), "1");
    h.Form->TB_DataInsert->click();

    h.Ui.Push(TUiAnswer::OpenFile(h.Dir.file("source.dbf")));
    h.Ui.Push(TUiAnswer::Press(mrOk));
    h.Form->TB_Import->click();
    EXPECT_EQ(window->LblCount->text(), "3");
    EXPECT_EQ(h.TakeMessages(), (std::vector<std::string>{"Append new record?", "2 records were imported."}));
    EXPECT_EQ(h.Ui.Pending(), 0);
    EXPECT_TRUE(h.Ui.Failures().empty());
}

TEST(SaveDialogOfTheTableWindow, DefaultExtensionFollowsTheFilter)
{
    const std::pair<int, const char*> cases[] = {{1, "txt"}, {2, "dbf"}, {3, "db"}, {4, "xlsx"}, {5, "mdb"}, {6, ""}, {0, ""}};
    for (const auto& [index, extension] : cases) EXPECT_EQ(SaveDlgDefaultExt(index), extension) << index;
}

}  // namespace
