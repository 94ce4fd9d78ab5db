#include "app/FTable.h"

#include <QCloseEvent>
#include <QCursor>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>

#include <xlsxwriter.h>

#include "app/FSelectCase.h"
#include "app/FMemoField.h"
#include "app/FReplaceField.h"
#include "app/FSelectField.h"
#include "app/FSetQuery.h"
#include "app/FTextFieldAnalyze.h"
#include "app/FTextInput.h"
#include "app/ULng.h"
#include "app/UMSAccess.h"
#include "app/UMSSql.h"
#include "platform/core/DateTime.h"
#include "platform/core/NumText.h"
#include "platform/db/BatchMove.h"
#include "platform/db/Database.h"
#include "platform/db/DbError.h"
#include "platform/db/ParadoxFile.h"
#include "platform/db/Query.h"
#include "platform/db/Table.h"
#include "platform/db/TextTable.h"
#include "platform/ui/Application.h"
#include "platform/ui/DBGrid.h"
#include "platform/ui/DBNavigator.h"
#include "platform/ui/NamedControls.h"
#include "platform/ui/WindowFit.h"

namespace fs = std::filesystem;

TFormTable* FormTable = nullptr;

namespace {

constexpr int kPanelBtnsHeight = 41;
constexpr int kPanelGraphHeight = 164;
const QSize kDesignSize(640, 400);
const QSize kProgressSize(250, 41);

constexpr TNavButtonSet kBrowseButtons = NavButtons({nbFirst, nbPrior, nbNext, nbLast, nbRefresh});

const char* const kSaveFilter =
    "Textový soubor (*.txt)|*.txt|Tabulka dBase (*.dbf)|*.dbf|Tabulka Paradox (*.db)|*.db|"
    "MS Excel (*.xlsx)|*.xlsx|MS Access (*.mdb)|*.mdb|Všechny soubory|*.*";
const char* const kOpenFilter = "Textový soubor (*.txt)|*.txt|Text oddělený středníkem (*.csv)|*.csv|Všechny soubory|*.*";
enum TSaveFilter { sfText = 1, sfDBase, sfParadox, sfSpreadsheet, sfAccess };

const char* const kCopyModeItems = "Append;Update;\"Append and Update\";Copy;Delete";
constexpr TBatchMode kCopyModes[] = {batAppend, batUpdate, batAppendUpdate, batCopy, batDelete};
constexpr int kCopyModeDefault = 3;  // Copy
const char* const kCopyTargetItems = "Cancel;\"Single table (DB,DBF,TXT,XLS)\";\"MS Access (MDB)\";\"MS SQL database\"";

// The process-wide window lists; the browse list exists from the first ShowTableWindow on.
bool g_browseListCreated = false;
std::vector<TFormTable*>& BrowseList()
{
    static std::vector<TFormTable*> list;
    return list;
}
std::vector<TFormTable*>& QueryList()
{
    static std::vector<TFormTable*> list;
    return list;
}

// A picture button is known by its hint; a captioned one keeps its caption as name.
void SetHint(QToolButton* button, const std::string& hint)
{
    button->setToolTip(QText(hint));
    button->setAccessibleName(QText(hint));
}

void SetHint(QPushButton* button, const std::string& hint) { button->setToolTip(QText(hint)); }

std::string LowerExtension(const std::string& fileName)
{
    std::string extension = fs::path(fileName).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(), [](unsigned char c) { return std::tolower(c); });
    return extension;
}

// SelectCaseFixed answers its default index also when the dialog is cancelled; here a cancel
// answers -1, so a preselected choice is never taken for one the user made.
int ChooseFixed(QWidget* owner, const std::string& caption, const std::string& group, int defaultIndex,
                const std::string& items)
{
    const int index = SelectCaseFixed(owner, caption, group, defaultIndex, items);
    return FormSelectCase && FormSelectCase->result() == QDialog::Accepted ? index : -1;
}

bool IsNumberField(TFieldType type)
{
    switch (type) {
    case ftSmallint: case ftInteger: case ftWord: case ftFloat: case ftCurrency: case ftBCD: case ftAutoInc:
    case ftLargeint: return true;
    default: return false;
    }
}

// The workbook path: spreadsheet copies are .xlsx workbooks, whatever spreadsheet extension was asked for.
std::string WorkbookPath(const std::string& fileName)
{
    return fs::path(fileName).replace_extension(".xlsx").string();
}

void CheckWorkbook(lxw_error error)
{
    if (error != LXW_NO_ERROR) throw Exception(std::string("Cannot write the workbook: ") + lxw_strerror(error));
}

// One workbook written to a temporary file and renamed over the destination when complete.
class TWorkbookWriter {
public:
    explicit TWorkbookWriter(std::string path) : path_(std::move(path)), temporary_(path_ + ".tmp")
    {
        workbook_ = workbook_new(temporary_.c_str());
        if (!workbook_) throw Exception("Cannot create the workbook " + path_);
        sheet_ = workbook_add_worksheet(workbook_, nullptr);
        dateFormat_ = workbook_add_format(workbook_);
        format_set_num_format(dateFormat_, "yyyy-mm-dd");
    }
    ~TWorkbookWriter()
    {
        if (!workbook_) return;
        workbook_close(workbook_);
        std::error_code error;
        fs::remove(temporary_, error);
    }
    TWorkbookWriter(const TWorkbookWriter&) = delete;
    TWorkbookWriter& operator=(const TWorkbookWriter&) = delete;

    void WriteText(int row, int column, const std::string& text)
    {
        if (!text.empty()) CheckWorkbook(worksheet_write_string(sheet_, row, column, text.c_str(), nullptr));
    }

    // Numbers, dates and logical values keep their kind; everything else goes as its text.
    void WriteField(int row, int column, const TField& field)
    {
        if (field.IsNull()) return;
        if (IsNumberField(field.DataType()))
            CheckWorkbook(worksheet_write_number(sheet_, row, column, field.AsFloat(), nullptr));
        else if (field.DataType() == ftDate || field.DataType() == ftDateTime)
            CheckWorkbook(worksheet_write_number(sheet_, row, column, field.AsDateTime(), dateFormat_));
        else if (field.DataType() == ftBoolean)
            CheckWorkbook(worksheet_write_boolean(sheet_, row, column, field.AsBoolean(), nullptr));
        else
            WriteText(row, column, field.AsString());
    }

    void Save()
    {
        const lxw_error error = workbook_close(workbook_);
        workbook_ = nullptr;
        std::error_code removeError;
        if (error != LXW_NO_ERROR) fs::remove(temporary_, removeError);
        CheckWorkbook(error);
        std::error_code renameError;
        fs::rename(temporary_, path_, renameError);
        if (renameError) {
            fs::remove(temporary_, removeError);
            throw Exception("Cannot write the workbook " + path_ + ": " + renameError.message());
        }
    }

private:
    std::string path_;
    std::string temporary_;
    lxw_workbook* workbook_ = nullptr;
    lxw_worksheet* sheet_ = nullptr;
    lxw_format* dateFormat_ = nullptr;
};

// The field names of the table a TTable names, whether it is a dBase or a Paradox file.
void DestinationFieldNames(TTable& table, TStringList& names)
{
    if (!IsParadoxTableName(table.TableName())) {
        table.GetFieldNames(names);
        return;
    }
    TParadoxTable paradox;
    paradox.DatabaseName = table.DatabaseName();
    paradox.TableName = table.TableName();
    paradox.GetFieldNames(names);
}

}  // namespace

// While a long copy runs the grid is detached and the progress panel shown; both come back in
// every case.
class TFormTable::TGridDetached {
public:
    explicit TGridDetached(TFormTable& window) : window_(window)
    {
        window_.keptDataSource_ = window_.DBGrid->DataSource();
        window_.DBGrid->SetDataSource(nullptr);
        window_.PrgBar->setValue(0);
        window_.CenterProgressPanel();
        window_.PanelPrg->show();
        window_.PanelPrg->raise();
    }
    ~TGridDetached()
    {
        window_.PanelPrg->hide();
        window_.DBGrid->SetDataSource(window_.keptDataSource_);
        window_.keptDataSource_ = nullptr;
    }
    TGridDetached(const TGridDetached&) = delete;
    TGridDetached& operator=(const TGridDetached&) = delete;

private:
    TFormTable& window_;
};

TFormTable::TFormTable(QWidget* parent)
    : QWidget(parent, Qt::Window),
      DBGrid(new TDBGrid),
      PanelBtns(new QFrame(this)),
      DBNavigator(new TDBNavigator(PanelBtns)),
      LblCountTitle(new QLabel("Number", PanelBtns)),
      LblCount(new QLabel(PanelBtns)),
      BtnDelAll(new QToolButton(PanelBtns)),
      BtnImport(new QToolButton(PanelBtns)),
      BtnFill(new QPushButton(PanelBtns)),
      BtnDBcopy(new QPushButton(PanelBtns)),
      BtnExport(new QPushButton(PanelBtns)),
      SplitterGraph(new QSplitter(Qt::Vertical, this)),
      PanelGraph(new QFrame),
      PanelPrg(new QFrame(this)),
      PrgBar(new QProgressBar(PanelPrg))
{
    FormTable = this;
    setObjectName("FormTable");
    setAttribute(Qt::WA_DeleteOnClose);
    setFont(FormFont());
    KeepOnScreen(this);
    resize(kDesignSize);

    BuildButtonPanel();
    DBGrid->setObjectName("DBGrid");
    DBGrid->setAccessibleName("DBGrid");
    DBGrid->OnCellClick = [this](TField& field) { RunHandler([&] { DBGridCellClick(field); }); };
    DBGrid->OnDblClick = [this] { RunHandler([this] { DBGridDblClick(); }); };
    // The graph strip keeps its place below the grid; it stays hidden until charts come.
    PanelGraph->setObjectName("PanelGraph");
    PanelGraph->setAccessibleName("PanelGraph");
    PanelGraph->resize(PanelGraph->width(), kPanelGraphHeight);
    PanelGraph->hide();
    SplitterGraph->setObjectName("SplitterGraph");
    SplitterGraph->setAccessibleName("SplitterGraph");
    SplitterGraph->addWidget(DBGrid);
    SplitterGraph->addWidget(PanelGraph);
    SplitterGraph->setChildrenCollapsible(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(PanelBtns);
    layout->addWidget(SplitterGraph, 1);
    BuildProgressPanel();

    SaveDlg.Title = "Uložit data jako";
    SaveDlg.Filter = kSaveFilter;
    SaveDlg.DefaultExt = "txt";
    OpenDlg.Filter = kOpenFilter;
}

TFormTable::~TFormTable()
{
    Release();
    if (FormTable == this) FormTable = nullptr;
}

void TFormTable::BuildButtonPanel()
{
    PanelBtns->setObjectName("PanelBtns");
    PanelBtns->setAccessibleName("PanelBtns");
    PanelBtns->setFixedHeight(kPanelBtnsHeight);
    DBNavigator->setObjectName("DBNavigator");
    DBNavigator->setAccessibleName("DBNavigator");
    DBNavigator->SetVisibleButtons(kBrowseButtons);
    LblCountTitle->setObjectName("LblCountTitle");
    SetCaption(LblCountTitle, "Number");
    LblCount->setObjectName("LblCount");
    SetCaption(LblCount, "---");

    const std::pair<QToolButton*, QStyle::StandardPixmap> glyphs[] = {
        {BtnDelAll, QStyle::SP_TrashIcon}, {BtnImport, QStyle::SP_DialogOpenButton}};
    for (const auto& [button, pixmap] : glyphs) button->setIcon(style()->standardIcon(pixmap));
    BtnDelAll->setObjectName("BtnDelAll");
    SetHint(BtnDelAll, "Clear all lines");
    BtnDelAll->hide();
    BtnImport->setObjectName("BtnImport");
    SetHint(BtnImport, "Import from file");
    BtnImport->hide();
    BtnFill->setObjectName("BtnFill");
    SetCaption(BtnFill, "Fill");
    SetHint(BtnFill, "Fill specific values");
    BtnFill->hide();
    BtnDBcopy->setObjectName("BtnDBcopy");
    SetCaption(BtnDBcopy, "DB Copy");
    BtnDBcopy->installEventFilter(this);
    BtnExport->setObjectName("BtnExport");
    SetCaption(BtnExport, "Save as text");

    auto* layout = new QHBoxLayout(PanelBtns);
    layout->setContentsMargins(8, 8, 8, 8);
    for (QWidget* control : std::initializer_list<QWidget*>{DBNavigator, LblCountTitle, LblCount, BtnDelAll, BtnImport,
                                                            BtnFill, BtnDBcopy, BtnExport})
        layout->addWidget(control);
    layout->addStretch();

    connect(BtnDelAll, &QToolButton::clicked, this, Guarded(this, &TFormTable::BtnDelAllClick));
    connect(BtnImport, &QToolButton::clicked, this, Guarded(this, &TFormTable::BtnImportClick));
    connect(BtnFill, &QPushButton::clicked, this, Guarded(this, &TFormTable::BtnFillClick));
    connect(BtnDBcopy, &QPushButton::clicked, this, Guarded(this, &TFormTable::BtnDBcopyClick));
    connect(BtnExport, &QPushButton::clicked, this, Guarded(this, &TFormTable::BtnExportClick));
}

void TFormTable::BuildProgressPanel()
{
    PanelPrg->setObjectName("PanelPrg");
    PanelPrg->setAccessibleName("PanelPrg");
    PanelPrg->setFrameShape(QFrame::Panel);
    PanelPrg->resize(kProgressSize);
    PrgBar->setObjectName("PrgBar");
    PrgBar->setAccessibleName("PrgBar");
    PrgBar->setRange(0, 100);
    auto* layout = new QHBoxLayout(PanelPrg);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(PrgBar);
    PanelPrg->hide();
}

void TFormTable::CenterProgressPanel()
{
    QRect frame = PanelPrg->geometry();
    frame.moveCenter(rect().center());
    PanelPrg->setGeometry(frame);
}

void TFormTable::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    CenterProgressPanel();
}

void TFormTable::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) ShowRecordCount();
}

bool TFormTable::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == BtnDBcopy && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        RunHandler([this] { BtnDBcopyRightClick(); });
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

std::string TFormTable::Text(int id) const
{
    return lngModule_ ? lngModule_->GetText(id) : "[" + std::to_string(id) + "]";
}

TDataSet& TFormTable::GridDataSet() const
{
    TDataSource* source = keptDataSource_ ? keptDataSource_ : DBGrid->DataSource();
    if (!source || !source->DataSet()) DatabaseError("The table window shows no dataset");
    return *source->DataSet();
}

// ---- binding and the window lists

void TFormTable::Bind(TDataSet* dataSet, TDataSource* dataSource)
{
    RestoreDataSetEvents();
    boundDataSet_ = dataSet;
    savedAfterDelete_ = dataSet->AfterDelete;
    savedAfterInsert_ = dataSet->AfterInsert;
    savedAfterOpen_ = dataSet->AfterOpen;
    dataSet->AfterDelete = [this, previous = savedAfterDelete_](TDataSet& d) { DataSetEvent(previous, d); };
    dataSet->AfterInsert = [this, previous = savedAfterInsert_](TDataSet& d) { DataSetEvent(previous, d); };
    dataSet->AfterOpen = [this, previous = savedAfterOpen_](TDataSet& d) { DataSetEvent(previous, d); };
    DBGrid->SetDataSource(dataSource);
    DBNavigator->SetDataSource(dataSource);
}

void TFormTable::RestoreDataSetEvents()
{
    if (!boundDataSet_) return;
    boundDataSet_->AfterDelete = savedAfterDelete_;
    boundDataSet_->AfterInsert = savedAfterInsert_;
    boundDataSet_->AfterOpen = savedAfterOpen_;
    boundDataSet_ = nullptr;
}

void TFormTable::DataSetEvent(const TDataSetNotifyEvent& previous, TDataSet& dataSet)
{
    if (previous) {
        try {
            previous(dataSet);
        } catch (...) {
            // The replaced handler's failure must not stop the count from following the dataset.
        }
    }
    ShowRecordCount();
}

void TFormTable::ShowRecordCount()
{
    const bool active = boundDataSet_ && boundDataSet_->Active();
    SetCaption(LblCount, active ? std::to_string(boundDataSet_->RecordCount()) : "---");
}

void TFormTable::EnableEditCommands()
{
    if (!boundDataSet_ || !boundDataSet_->CanModify()) return;
    BtnFill->show();
    BtnImport->show();
    BtnDelAll->show();
    DBNavigator->SetVisibleButtons(kBrowseButtons | NavButton(nbDelete));
}

void TFormTable::PlaceInList(int browseNumber)
{
    if (browseNumber < 0) {
        browseNumber_ = -1;
        std::vector<TFormTable*>& list = QueryList();
        if (std::find(list.begin(), list.end(), this) == list.end()) list.push_back(this);
        const long index = std::find(list.begin(), list.end(), this) - list.begin();
        setWindowTitle(QText("Query " + std::to_string(index) + " (Time " + TimeToStr(Now()) + ")"));
    } else {
        browseNumber_ = browseNumber;
        std::vector<TFormTable*>& list = BrowseList();
        if (int(list.size()) <= browseNumber) list.resize(browseNumber + 1, nullptr);
        list[browseNumber] = this;
        setWindowTitle(QText("T" + std::to_string(browseNumber) + " Browse"));
    }
    setAccessibleName(windowTitle());
}

void TFormTable::LeaveList()
{
    std::vector<TFormTable*>& queries = QueryList();
    queries.erase(std::remove(queries.begin(), queries.end(), this), queries.end());
    for (TFormTable*& entry : BrowseList())
        if (entry == this) entry = nullptr;
}

void TFormTable::Release()
{
    if (released_) return;
    released_ = true;
    if (DBGrid->DataSource()) CloseMemoBrowsers(DBGrid->DataSource());
    RestoreDataSetEvents();
    DBGrid->SetDataSource(nullptr);
    DBNavigator->SetDataSource(nullptr);
    LeaveList();
    if (closeCallback_) closeCallback_(closeOwner_);
    closeCallback_ = nullptr;
    closeOwner_ = nullptr;
}

void TFormTable::closeEvent(QCloseEvent* event)
{
    Release();
    event->accept();
}

void SetupTableWindow(TFormTable* window, std::uint16_t language)
{
    window->lngModule_ = GetLngModule(language, "SetQuery");
    SetHint(window->BtnDelAll, window->Text(620));
    SetHint(window->BtnImport, window->Text(660));
    SetHint(window->BtnFill, window->Text(690));
    SetCaption(window->BtnFill, window->Text(650));
    SetCaption(window->BtnDBcopy, window->Text(610));
    SetCaption(window->BtnExport, window->Text(670));
    window->SaveDlg.Title = window->Text(680);
    SetCaption(window->LblCountTitle, window->Text(615));
    TStringList hints = window->DBNavigator->Hints();
    LoadNavigatorHints(language, hints);
    window->DBNavigator->SetHints(hints);
}

void ShowTableWindow(TFormTable* window, int browseNumber, TDataSource* dataSource)
{
    g_browseListCreated = true;
    TDataSet* dataSet = dataSource ? dataSource->DataSet() : nullptr;
    if (dataSet && dataSet != window->boundDataSet_) {
        window->Bind(dataSet, dataSource);
        window->PlaceInList(browseNumber);
        window->EnableEditCommands();
        window->ShowRecordCount();
    }
    window->show();
    window->raise();
    window->activateWindow();
}

void ShowTableWindowWithCallback(TFormTable* window, int browseNumber, TDataSource* dataSource, QObject* owner,
                                 TTableCloseCallback callback)
{
    window->closeOwner_ = owner;
    window->closeCallback_ = callback;
    ShowTableWindow(window, browseNumber, dataSource);
}

TFormTable* BrowseTableWindow(int browseNumber)
{
    const std::vector<TFormTable*>& list = BrowseList();
    return browseNumber >= 0 && browseNumber < int(list.size()) ? list[browseNumber] : nullptr;
}

const std::vector<TFormTable*>* BrowseTableWindows() { return g_browseListCreated ? &BrowseList() : nullptr; }

const std::vector<TFormTable*>& QueryTableWindows() { return QueryList(); }

void CloseTableWindows()
{
    std::vector<TFormTable*> windows = QueryList();
    for (TFormTable* window : BrowseList())
        if (window) windows.push_back(window);
    for (TFormTable* window : windows) window->close();
}

// ---- commands

void TFormTable::BtnDelAllClick()
{
    if (!UiServices().AskYesNo(Text(620) + "?")) return;
    TDataSet& dataSet = GridDataSet();
    dataSet.First();
    while (!dataSet.IsEmpty()) dataSet.Delete();
}

std::string SaveDlgDefaultExt(int filterIndex)
{
    static const char* const kExtensions[] = {"txt", "dbf", "db", "xlsx", "mdb"};
    return filterIndex >= sfText && filterIndex <= sfAccess ? kExtensions[filterIndex - 1] : "";
}

void TFormTable::SaveDlgTypeChange(int filterIndex) { SaveDlg.DefaultExt = SaveDlgDefaultExt(filterIndex); }

void TFormTable::BtnDBcopyClick()
{
    SaveDlg.FilterIndex = sfDBase;
    SaveDlgTypeChange(SaveDlg.FilterIndex);
    if (UiServices().SaveFileDialog(SaveDlg)) CopyToFile(SaveDlg.FileName);
}

void TFormTable::BtnDBcopyRightClick()
{
    switch (ChooseFixed(this, "Copy data to", "Database type", 0, kCopyTargetItems)) {
    case 1: BtnDBcopyClick(); break;
    case 2: ExportToAccess(""); break;
    case 3: CopyToMSSql(); break;
    default: break;  // "Cancel" or a closed chooser
    }
}

// ---- copies

void TFormTable::CopyToFile(const std::string& fileName)
{
    const std::string extension = LowerExtension(fileName);
    if (extension == ".xls" || extension == ".xlsx")
        CopyToSpreadsheet(fileName);
    else if (extension == ".mdb" || extension == ".accdb")
        ExportToAccess(fileName);
    else
        CopyToTable(fileName);
}

void TFormTable::CopyToSpreadsheet(const std::string& fileName)
{
    const std::string path = WorkbookPath(fileName);
    TDataSet& dataSet = GridDataSet();
    {
        TGridDetached detached(*this);
        TWorkbookWriter workbook(path);
        const int fieldCount = dataSet.FieldCount();
        for (int column = 0; column < fieldCount; ++column)
            workbook.WriteText(0, column, dataSet.Fields().Fields(column).FieldName());
        const int recordCount = dataSet.RecordCount();
        int row = 2;  // counted as the sheet counts its rows
        for (dataSet.First(); !dataSet.Eof(); dataSet.Next(), ++row) {
            for (int column = 0; column < fieldCount; ++column)
                workbook.WriteField(row - 1, column, dataSet.Fields().Fields(column));
            PrgBar->setValue(int(Rnd(row * 100.0 / (recordCount + 1))));
        }
        workbook.Save();
    }
    UiServices().ShowInformation(Text(630) + " " + path + " " + Text(710) + ".");
}

void TFormTable::CopyToTable(const std::string& fileName)
{
    TDataSet& source = GridDataSet();
    const std::string extension = LowerExtension(fileName);
    TTable table;
    std::unique_ptr<TTextTable> text;
    std::unique_ptr<TBatchDestination> destination;
    if (extension == ".txt") {
        text = std::make_unique<TTextTable>(fileName);
        destination = std::make_unique<TTextTableDestination>(*text);
    } else {
        table.SetDatabaseName(databaseName_);
        table.SetTableName(fileName);
        destination = MakeBatchDestination(table);
    }
    const bool exists = text ? text->Exists() : table.Exists();
    TBatchMode mode = batCopy;
    if (exists) {
        const int choice = ChooseFixed(this, "Select", "Copy mode", kCopyModeDefault, kCopyModeItems);
        if (choice < 0) return;  // a closed chooser writes nothing
        mode = kCopyModes[choice];
        if ((mode == batAppend || mode == batUpdate || mode == batAppendUpdate) && !text) ChooseIndex(table);
    }
    TBatchMove move;
    move.Source = &source;
    move.SetDestination(std::move(destination));
    move.Mode = mode;
    move.Execute();
}

void TFormTable::ChooseIndex(TTable& table)
{
    if (!table.IndexFieldNames().empty()) {
        const int index = ChooseFixed(this, "Select index", "Field", -1, table.IndexFieldNames());
        if (index < 0) return;
        table.Close();
        table.SetIndexFieldNames(FormSelectCase->ItemText(index));
        return;
    }
    TStringList names;
    DestinationFieldNames(table, names);
    names.Delimiter = ';';
    names.QuoteChar = '"';
    const int index = ChooseFixed(this, "Define new index", "Field", -1, names.DelimitedText());
    if (index < 0) return;
    const std::string field = FormSelectCase->ItemText(index);
    table.Close();
    // Local SQL runs on dBase tables; a Paradox destination is keyed by the move itself.
    if (!IsParadoxTableName(table.TableName())) {
        TQuery query;
        query.SetDatabaseName(table.DatabaseName());
        query.SQL().Add("CREATE INDEX " + field + " ON " + FromClause(table.TableName()) + " (" + field + ")");
        query.ExecSQL();
    }
    table.SetIndexFieldNames(field);
}

void TFormTable::ExportToAccess(const std::string& fileName)
{
    std::string file = fileName;
    if (file.empty()) {
        SaveDlg.FilterIndex = sfAccess;
        SaveDlg.DefaultExt = "mdb";
        if (!UiServices().SaveFileDialog(SaveDlg)) return;
        file = SaveDlg.FileName;
    }
    TDataSet& dataSet = GridDataSet();
    // Made for each export: a database name is unique in the session, and windows come and go.
    TDatabase DatabaseMDB;
    DatabaseMDB.SetDatabaseName("dbAccess");
    DatabaseMDB.DriverName = "Microsoft Access Driver (*.mdb)";
    TGridDetached detached(*this);
    ExportToMSAccess(dataSet, file, DatabaseMDB, PrgBar, this);
}

void TFormTable::CopyToMSSql() { CopyToMSSqlServer(GridDataSet(), this); }

// ---- commands of the tools (import, fill, text export, memo and character views)

void TFormTable::BtnImportClick()
{
    if (UiServices().OpenFileDialog(OpenDlg)) ImportFromTextFile(OpenDlg.FileName, GridDataSet(), this);
}
void TFormTable::BtnFillClick()
{
    TFormReplaceField form;
    form.ApplyLanguage(lngModule_);
    form.Setup(&GridDataSet(), x(), DBGrid->DataSource(), y());
}
void TFormTable::BtnExportClick()
{
    SaveDlg.FilterIndex = sfText;
    SaveDlgTypeChange(SaveDlg.FilterIndex);
    if (UiServices().SaveFileDialog(SaveDlg)) ExportToTextFile(SaveDlg.FileName, GridDataSet(), Text(640), this);
}
void TFormTable::DBGridCellClick(TField& field)
{
    if (field.DataType() == ftMemo) BrowseMemoField(DBGrid->DataSource(), &field);
}

void TFormTable::DBGridDblClick()
{
    TField* field = DBGrid->SelectedField();
    if (field && field->DataType() == ftString) ShowTextFieldAnalyze(DBGrid->DataSource(), field, QCursor::pos());
}
