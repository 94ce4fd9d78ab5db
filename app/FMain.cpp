#include "app/FMain.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <filesystem>
#include <unistd.h>

#include "app/DataModules.h"
#include "app/FFieldGraph.h"
#include "app/FFtp.h"
#include "app/FItem.h"
#include "app/FSetQuery.h"
#include "app/FTable.h"
#include "app/FText.h"
#include "app/ULng.h"
#include "platform/db/SqlEngine.h"
#include "platform/ui/Application.h"
#include "platform/ui/DBNavigator.h"
#include "platform/ui/NamedControls.h"
#include "platform/ui/WindowFit.h"

namespace {

std::string WithExtension(const std::string& path, const char* extension)
{
    return std::filesystem::path(path).replace_extension(extension).string();
}

bool FileExists(const std::string& path)
{
    std::error_code error;
    return std::filesystem::exists(path, error);
}

// A table file nobody may write (marked read-only, or on a medium the program can't write to).
bool FileReadOnly(const std::string& path)
{
    using std::filesystem::perms;
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (error || !std::filesystem::exists(status)) return false;
    const perms writable = perms::owner_write | perms::group_write | perms::others_write;
    return (status.permissions() & writable) == perms::none || ::access(path.c_str(), W_OK) != 0;
}

// A new sheet: the style's plain file picture is so pale that the button looked disabled.
QIcon CreateDefinitionPicture()
{
    constexpr int kSize = 32;
    QPixmap picture(kSize, kSize);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath sheet;
    sheet.moveTo(6.5, 2.5);
    sheet.lineTo(19.5, 2.5);
    sheet.lineTo(26.5, 9.5);
    sheet.lineTo(26.5, 29.5);
    sheet.lineTo(6.5, 29.5);
    sheet.closeSubpath();
    painter.setPen(QPen(QColor(0x30, 0x30, 0x30), 1.5));
    painter.setBrush(Qt::white);
    painter.drawPath(sheet);
    painter.drawPolyline(QPolygonF({QPointF(19.5, 2.5), QPointF(19.5, 9.5), QPointF(26.5, 9.5)}));
    painter.setPen(QPen(QColor(0x80, 0x80, 0x80), 1));
    for (const double y : {13.5, 17.5, 21.5}) painter.drawLine(QPointF(10, y), QPointF(20, y));
    // A green plus in the lower right corner: a new file.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1E, 0x8C, 0x2E));
    painter.drawEllipse(QRectF(17, 17, 14, 14));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(23, 19.5, 2, 9));
    painter.drawRect(QRectF(19.5, 23, 9, 2));
    return QIcon(picture);
}

// The style greys a picture only a little, so a dark one looked usable while disabled: the
// disabled picture is a faint grey copy.
QIcon WithFaintDisabledPicture(const QIcon& icon)
{
    QIcon result = icon;
    for (const int size : {16, 22, 24, 32}) {
        QImage image = icon.pixmap(size).toImage().convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x) {
                const int grey = 128 + qGray(line[x]) / 2;
                line[x] = qRgba(grey, grey, grey, qAlpha(line[x]) * 2 / 5);
            }
        }
        result.addPixmap(QPixmap::fromImage(image), QIcon::Disabled);
    }
    return result;
}

// The same file also when the two names are written differently.
bool SameFile(const std::string& a, const std::string& b)
{
    std::error_code error;
    return a == b || std::filesystem::equivalent(a, b, error);
}

}  // namespace

TFormMain::TFormMain(QWidget* parent) : QMainWindow(parent)
{
    setObjectName("FormMain");
    setWindowTitle("Quellbrook");
    setAccessibleName("Quellbrook");
    setFont(FormFont());
    KeepOnScreen(this);
    resize(643, 348);
    OpenDlg.Filter = "Setting file (ini)|*.ini|All files|*.*";
    OpenDlgImp.Filter = "dBase/FoxPro table|*.dbf";
    OpenDlgImp.Title = "Select table for data import";
    clientArea_ = new QWidget(this);
    clientArea_->setObjectName("ClientArea");
    clientArea_->setAccessibleName("Input panels");
    auto* layout = new QVBoxLayout(clientArea_);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    setCentralWidget(clientArea_);
    SetupDatabase();
    BuildToolBar();
    BuildStatusBar();
    SetDefinitionOpenState(false);  // behind the information window the buttons already look as they will
    FormCreate();
}

TFormMain::~TFormMain()
{
    CloseTableWindows();  // they give the data table its handlers back while it still exists
    Table.AfterOpen = Table.AfterClose = Table.AfterInsert = Table.BeforeScroll = Table.AfterScroll = nullptr;
    FreePanels();
    Table.Close();
    Query.Close();
    TableImp.Close();
    Database1.Close();
}

void TFormMain::SetupDatabase()
{
    Database1.SetDatabaseName("collection");
    Database1.DriverName = "STANDARD";
    Database1.LoginPrompt = false;
    Database1.Params.Add("PATH=");
    Database1.Params.Add("DEFAULT DRIVER=PARADOX");
    Database1.Params.Add("ENABLE BCD=FALSE");
    Table.Name = "Table";
    Table.SetDatabaseName("collection");
    Query.Name = "Query";
    Query.SetDatabaseName("collection");
    TableImp.Name = "TableImp";
    DataSource.SetDataSet(&Table);
    BatchImport.Source = &TableImp;
    BatchImport.SetDestination(&Table);
    BatchImport.Mode = batAppend;
    Table.AfterOpen = [this](TDataSet&) { TableAfterOpen(); };
    Table.AfterClose = [this](TDataSet&) { TableAfterClose(); };
    Table.AfterInsert = [this](TDataSet&) { TableAfterInsert(); };
    Table.BeforeScroll = [this](TDataSet&) { TableBeforeScroll(); };
    Table.AfterScroll = [this](TDataSet&) { TableAfterScroll(); };
}

QToolButton* TFormMain::AddButton(const char* name, const char* hint, int icon, void (TFormMain::*handler)())
{
    return AddButton(name, hint, style()->standardIcon(static_cast<QStyle::StandardPixmap>(icon)), handler);
}

QToolButton* TFormMain::AddButton(const char* name, const char* hint, const QIcon& icon, void (TFormMain::*handler)())
{
    auto* button = new QToolButton(ToolBar);
    button->setObjectName(name);
    button->setAccessibleName(hint);  // the button shows only a picture
    button->setToolTip(hint);
    button->setIcon(WithFaintDisabledPicture(icon));
    button->setAutoRaise(false);
    connect(button, &QToolButton::clicked, this, Guarded(this, handler));
    ToolBar->addWidget(button);
    return button;
}

QWidget* TFormMain::AddSeparator(const char* name, int width)
{
    auto* separator = new QWidget(ToolBar);
    separator->setObjectName(name);
    separator->setAccessibleName("Separator");
    separator->setFixedWidth(width);
    ToolBar->addWidget(separator);
    return separator;
}

void TFormMain::BuildToolBar()
{
    ToolBar = new QToolBar(this);
    ToolBar->setObjectName("ToolBar");
    ToolBar->setAccessibleName("Tool bar");
    ToolBar->setMovable(false);
    ToolBar->setFloatable(false);
    addToolBar(Qt::TopToolBarArea, ToolBar);
    TB_CreateDefIni = AddButton("TB_CreateDefIni", "Create data definition file", CreateDefinitionPicture(), &TFormMain::TB_CreateDefIniClick);
    TB_EditDefIni = AddButton("TB_EditDefIni", "Modify data definition file", QStyle::SP_FileDialogDetailedView, &TFormMain::TB_EditDefIniClick);
    TB_Open = AddButton("TB_Open", "Open data definition file", QStyle::SP_DialogOpenButton, &TFormMain::TB_OpenClick);
    TB_Close = AddButton("TB_Close", "Close data definition file", QStyle::SP_DialogCloseButton, &TFormMain::TB_CloseClick);
    ToolButton1 = AddSeparator("ToolButton1", 8);
    TB_Table = AddButton("TB_Table", "Show data table", QStyle::SP_FileDialogListView, &TFormMain::TB_TableClick);
    TB_DataInsert = AddButton("TB_DataInsert", "Input data mode", QStyle::SP_DialogApplyButton, &TFormMain::TB_DataInsertClick);
    TB_Descriptions = AddButton("TB_Descriptions", "List descriptions", QStyle::SP_FileDialogInfoView, &TFormMain::TB_DescriptionsClick);
    ToolButton2 = AddSeparator("ToolButton2", 8);
    DBNavigator = new TDBNavigator(ToolBar);
    DBNavigator->setObjectName("DBNavigator");
    DBNavigator->setAccessibleName("Record navigator");
    DBNavigator->SetVisibleButtons(NavButtons({nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete}));
    DBNavigator->SetDataSource(&DataSource);
    ToolBar->addWidget(DBNavigator);
    ToolButton4 = AddSeparator("ToolButton4", 32);
    TB_SQL = AddButton("TB_SQL", "SQL select", QStyle::SP_FileDialogContentsView, &TFormMain::TB_SQLClick);
    TB_Import = AddButton("TB_Import", "Import data", QStyle::SP_ArrowDown, &TFormMain::TB_ImportClick);
    TB_graph = AddButton("TB_graph", "Graph", QStyle::SP_ComputerIcon, &TFormMain::TB_graphClick);
    TB_SendViaFTP = AddButton("TB_SendViaFTP", "Send data", QStyle::SP_ArrowUp, &TFormMain::TB_SendViaFTPClick);
    TB_About = AddButton("TB_About", "About Quellbrook", QStyle::SP_MessageBoxInformation, &TFormMain::TB_AboutClick);
    // The tool bar's own button for the buttons a narrow window cannot show: a check box to
    // assistive tools, which would announce it without a name.
    if (auto* more = ToolBar->findChild<QToolButton*>("qt_toolbar_ext_button")) {
        more->setAccessibleName("More tool bar buttons");
        more->setToolTip("More tool bar buttons");
    }
}

void TFormMain::BuildStatusBar()
{
    StatusBar = new QStatusBar(this);
    StatusBar->setObjectName("StatusBar");
    StatusBar->setAccessibleName("Status bar");
    StatusBar->setSizeGripEnabled(false);
    setStatusBar(StatusBar);
    const char* const roles[3] = {"Record ID", "Section", "Data definition file"};
    const int widths[3] = {50, 150, 0};
    for (int i = 0; i < 3; ++i) {
        auto* panel = new QLabel(StatusBar);
        panel->setObjectName(QString("StatusPanel%1").arg(i));
        panel->setAccessibleName(roles[i]);
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        if (widths[i] > 0) {
            panel->setFixedWidth(widths[i]);
            panel->setAlignment(Qt::AlignCenter);
        }
        StatusBar->addWidget(panel, widths[i] > 0 ? 0 : 1);
        StatusPanels[i] = panel;
    }
}

void TFormMain::FormCreate()
{
    activated_ = false;
    CommonDirectory = InitCommonDirectory(QCoreApplication::applicationFilePath().toStdString());
}

// The first activation shows the information window; a later one (after any modal window)
// does nothing. Showing queues an activation too, for window systems that activate nothing.
void TFormMain::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !activated_)
        QTimer::singleShot(0, this, Guarded(this, &TFormMain::FormActivate));
}

void TFormMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!activated_) QTimer::singleShot(0, this, Guarded(this, &TFormMain::FormActivate));
}

void TFormMain::FormActivate()
{
    if (activated_) return;
    if (!FormInfo) {
        FormInfo = new TFormInfo(this);
        FormInfo->LoadVersionInfo();
    }
    activated_ = true;  // closing the modal window activates this one again
    FormInfo->exec();
    SetDefinitionOpenState(false);
    LoadFtpSettings();
}

void TFormMain::LoadFtpSettings() { LoadFtpSettings(FtpSettingsFileName()); }

void TFormMain::LoadFtpSettings(const std::string& path)
{
    ftpSettingsFound_ = FileExists(path);
    TB_SendViaFTP->setEnabled(ftpSettingsFound_ && definition_ && Table.Active());
    if (ftpSettingsFound_) TftpSetting(path).ApplyTo(Ftp);
}

void TFormMain::closeEvent(QCloseEvent* event)
{
    bool accepted = false;
    RunHandler([&] { accepted = FormCloseQuery(); });
    if (!accepted) {
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
}

bool TFormMain::FormCloseQuery()
{
    if (!SaveInput()) return false;
    return UiServices().AskYesNo("Do you want exit the program really?");
}

// What the user typed (in the visible panel or a table window's grid) is posted before the data
// goes. A post the table refuses is shown once; then the input that can't be saved is dropped
// (at once for a read-only table, after asking for any other refusal). False: the user keeps
// the input to correct it.
bool TFormMain::SaveInput()
{
    if (!Table.Active()) return true;
    std::string refusal;
    try {
        if (CurrentPanelVisible()) currentPanel_->PostValues();
        Table.CheckBrowseMode();
        return true;
    } catch (...) {
        refusal = ExceptionMessage(std::current_exception());
    }
    if (!Table.CanModify())
        UiServices().ShowError(refusal);
    else if (!UiServices().AskYesNo(refusal + "\r\nDiscard the input that can't be saved?", mbNo))
        return false;
    DiscardInput();
    return true;
}

void TFormMain::DiscardInput()
{
    if (CurrentPanelVisible()) currentPanel_->DiscardValues();
    try {
        Table.CheckBrowseMode();  // the rest of the record is kept
    } catch (...) {
        Table.Cancel();  // the user has seen why and chose to drop the input
    }
}

void TFormMain::FormClose()
{
    CloseTableWindows();  // they use the language texts freed next
    FreeLngModules();
}

// ---------------------------------------------------------------------------------------------
// Toolbar states

void TFormMain::SetDefinitionOpenState(bool open)
{
    TB_Open->setEnabled(!open);
    for (QToolButton* button : {TB_Close, TB_Table, TB_DataInsert, TB_Descriptions, TB_SQL, TB_Import, TB_graph})
        button->setEnabled(open);
    // There is nothing to send without a collection, nor without the FTP settings.
    TB_SendViaFTP->setEnabled(open && ftpSettingsFound_);
}

void TFormMain::TableAfterOpen() { SetDefinitionOpenState(true); }

void TFormMain::TableAfterClose() { SetDefinitionOpenState(false); }

void TFormMain::TableAfterInsert() { Table.FieldByName("ID").SetAsInteger(GetMaxRecordId() + 1); }

void TFormMain::TableBeforeScroll()
{
    if (CurrentPanelVisible()) currentPanel_->PostValues();
}

void TFormMain::TableAfterScroll()
{
    if (CurrentPanelVisible()) currentPanel_->ShowPanel();
    StatusPanels[0]->setText(QText(Table.FieldByName("ID").AsString()));
}

bool TFormMain::CurrentPanelVisible() const { return currentPanel_ && !currentPanel_->isHidden(); }

TDataModule* TFormMain::Panel(int index) const { return panels_.at(index); }

// ---------------------------------------------------------------------------------------------
// Commands

void TFormMain::TB_CreateDefIniClick()
{
    TFormItem editor(this);
    editor.CreateDefinition();
    OpenEditedDefinition(editor);
}

void TFormMain::TB_EditDefIniClick()
{
    if (!UiServices().OpenFileDialog(OpenDlg)) return;
    const std::string name = OpenDlg.FileName;
    if (definition_ && SameFile(name, definition_->FileName())) {
        UiServices().ShowWarning("It is not possible to modify the opened file.");
        return;
    }
    TFormItem editor(this);
    editor.LoadDefinition(name);
    OpenEditedDefinition(editor);
}

// A saved definition that reads differently may no longer fit its table: the old table files
// move to backup names the user is told about, and a new table is made when it opens.
void TFormMain::OpenEditedDefinition(const TFormItem& editor)
{
    const std::string name = editor.GetSavedFileName();
    if (name.empty()) return;
    if (editor.SavedColumnsChanged()) {
        if (definition_ && SameFile(name, definition_->FileName())) {
            TB_CloseClick();
            if (definition_) return;  // the user keeps input that was refused
        }
        const std::vector<std::string> backups = BackupDataTableFiles(name);
        if (!backups.empty()) UiServices().ShowInformation(BackupMessage(backups));
    }
    if (!UiServices().AskYesNo("Open editted " + name + "?")) return;
    if (definition_) TB_CloseClick();
    if (definition_) return;
    if (OpenDefinitionFile(name)) StatusPanels[2]->setText(QText(name));
}

void TFormMain::TB_OpenClick()
{
    if (definition_) {
        UiServices().ShowWarning("Close opened file firstly");
        return;
    }
    if (!UiServices().OpenFileDialog(OpenDlg)) return;
    if (OpenDefinitionFile(OpenDlg.FileName)) StatusPanels[2]->setText(QText(OpenDlg.FileName));
}

void TFormMain::TB_CloseClick()
{
    // What the user typed belongs to the record; the table's windows go with the collection.
    if (!SaveInput()) return;
    CloseTableWindows(Table);
    CloseDefinition();
}

void TFormMain::CloseDefinition()
{
    Table.Close();
    Query.Close();
    FreePanels();
    definition_.reset();
    for (QLabel* panel : StatusPanels) panel->clear();
    Database1.Close();
    SetDefinitionOpenState(false);
}

void TFormMain::FreePanels()
{
    currentPanel_ = nullptr;
    while (!panels_.empty()) {
        delete panels_.back();
        panels_.pop_back();
    }
    sections_.Clear();
}

void TFormMain::TB_TableClick()
{
    TFormTable* window = BrowseTableWindow(0);
    if (!window) {
        window = new TFormTable;
        SetupTableWindow(window, 409);
        window->SetDatabaseName("collection");
    }
    ShowTableWindow(window, 0, &DataSource);
}

void TFormMain::TB_SQLClick()
{
    std::string fields = "*";
    const std::string table = std::filesystem::path(tablePath_).filename().string();
    if (ExecuteQueryBuilder("collection", table, nullptr, 409, false, fields) <= 0) {
        ReleaseQueryBuilder(FormSetQuery);  // no window takes a builder whose query found nothing
        return;
    }
    auto* window = new TFormTable;
    SetupTableWindow(window, 409);
    window->SetDatabaseName("collection");
    ShowTableWindowWithCallback(window, -1, &FormSetQuery->DS_query, FormSetQuery, ReleaseQueryBuilder);
}

void TFormMain::TB_graphClick() { ShowFieldGraph(Table, Table.TableName(), "collection", this); }

void TFormMain::TB_DataInsertClick()
{
    if (CurrentPanelVisible())
        currentPanel_->HidePanel();
    else
        ShowDataModule(0);
}

void TFormMain::TB_DescriptionsClick()
{
    TFormText* window = ShowTextWindow("Data descriptions", "Data file: " + definition_->FileName());
    QFont heading = window->GetTextFont();
    heading.setPointSizeF(heading.pointSizeF() + 2);
    heading.setBold(true);
    for (int i = 0; i < sections_.Count(); ++i) {
        window->AddFormattedText(sections_[i], heading);
        window->AddParagraph(Panel(i)->GetDescription() + "\r\n");
    }
}

void TFormMain::TB_ImportClick()
{
    if (!UiServices().OpenFileDialog(OpenDlgImp)) return;
    TableImp.Close();
    TableImp.SetTableName(OpenDlgImp.FileName);
    TableImp.Open();
    try {
        BatchImport.Execute();
    } catch (...) {
        TableImp.Close();
        throw;
    }
    UiServices().ShowInformation(std::to_string(BatchImport.MovedCount()) + " records were imported.");
    TableImp.Close();
}

void TFormMain::TB_AboutClick()
{
    if (FormInfo) FormInfo->exec();
}

void TFormMain::TB_SendViaFTPClick()
{
    std::string installation;
    if (!definition_ || !FormInfo || !FormInfo->ReadRegistryString("Installation", installation) || installation.empty())
        return;
    // What was typed into the visible panel belongs to the record that is sent.
    if (Table.Active() && CurrentPanelVisible()) currentPanel_->PostValues();
    SendDefinitionFiles(Ftp, Table, definition_->FileName(), installation);
}

// ---------------------------------------------------------------------------------------------
// Input mode

void TFormMain::ShowDataModule(int index)
{
    // The first record of an empty table is appended once; while it is being entered it is not
    // counted yet, and a read-only table takes none.
    if (index == 0 && Table.IsEmpty() && Table.CanModify()) Table.Append();
    if (index < PanelCount()) {
        currentPanel_ = Panel(index);
        currentPanel_->ShowPanel();
        StatusPanels[1]->setText(QText(sections_[index]));
        return;
    }
    // Past the last panel: the record's position decides, as IDs may have gaps.
    Table.CheckBrowseMode();
    if (Table.RecNo() < Table.RecordCount())
        Table.Next();
    else if (Table.CanModify() && UiServices().AskYesNo("Append new record?"))
        Table.Append();
    ShowDataModule(0);
}

// ---------------------------------------------------------------------------------------------
// Definition and data table

bool TFormMain::OpenDefinitionFile(const std::string& path)
{
    bool createdTable = false;
    try {
        definition_ = std::make_unique<TMemIniFile>(path);
        definition_->ReadSections(sections_);
        // Without a section there would be no panel to enter data through.
        if (sections_.Count() == 0) throw Exception("The data definition file " + path + " has no sections.");
        BuildPanels();
        tablePath_ = WithExtension(path, ".dbf");
        const std::string folder = std::filesystem::path(tablePath_).parent_path().string() + "/";
        Database1.Params.SetValue("PATH", folder);
        Database1.Open();
        Session().NetFileDir = folder;
        Session().PrivateDir = folder;
        if (!FileExists(tablePath_)) {
            createdTable = CreateDataTable();
            if (!createdTable) throw Exception("The data table " + tablePath_ + " was not created.");
        }
        // Files the user can't or may not write are opened read-only on purpose, so no input is
        // taken that could not be saved.
        const bool readOnly = FileReadOnly(tablePath_) || FileReadOnly(WithExtension(tablePath_, ".dbt"));
        Table.SetTableName(tablePath_);
        Table.ReadOnly = readOnly;
        Table.Open();
        for (int i = 0; i < sections_.Count(); ++i) {
            currentPanel_ = Panel(i);
            currentPanel_->BindFields();
            currentPanel_->SetReadOnly(readOnly);
        }
        if (readOnly)
            UiServices().ShowInformation("The data table " + tablePath_ +
                                         " is read-only. The records can be viewed, but no changes can be saved.");
        return true;
    } catch (...) {
        const std::string message = ExceptionMessage(std::current_exception());
        // Nothing of the failed opening stays: no panels, no definition, no table made just now.
        CloseDefinition();
        if (createdTable) DeleteDataTableFiles(tablePath_);
        UiServices().ShowError("The data definition file " + path + " was not opened:\r\n" + message);
        return false;
    }
}

void TFormMain::BuildPanels()
{
    // Thousands of panels would be built for nothing before the table refuses their fields.
    CheckTableFieldCount(*definition_, sections_);
    for (int i = 0; i < sections_.Count(); ++i) {
        auto* panel = new TDataModule(clientArea_);
        panel->setObjectName(QString("DataModule%1").arg(i));
        panel->setAccessibleName(QText(sections_[i]));
        panel->hide();
        clientArea_->layout()->addWidget(panel);
        panels_.push_back(panel);
        currentPanel_ = panel;
        definition_->ReadSectionValues(sections_[i], panel->SectionLines());
        panel->BuildControls(i, &DataSource);
        panel->OwnerCallback = [this](int index) { ShowDataModule(index); };
    }
}

std::string TFormMain::CreateTableStatement(bool& failed)
{
    std::string columns = "(\r\nID NUMERIC(6,0)";
    failed = false;
    for (int i = 0; i < sections_.Count(); ++i) {
        currentPanel_ = Panel(i);
        const std::string definitions = currentPanel_->GetColumnDefinitions();
        if (definitions.empty())
            failed = true;  // every panel still reports its own name errors
        else
            columns += ",\r\n" + definitions;
    }
    return "CREATE TABLE " + SqlQuotedName(WithExtension(definition_->FileName(), ".dbf")) + "\r\n" + columns + "\r\n)";
}

bool TFormMain::CreateDataTable()
{
    const std::string tableFile = WithExtension(definition_->FileName(), ".dbf");
    if (FileExists(tableFile)) {
        if (!UiServices().AskYesNo("Table " + tableFile + " exists.\r\nRewrite it?", mbNo)) return false;
        DeleteDataTableFiles(tableFile);
    }
    bool failed = false;
    const std::string statement = CreateTableStatement(failed);
    if (failed) return false;
    Query.Close();
    Query.SQL().SetText(statement);
    Table.Close();
    Query.ExecSQL();
    return true;
}

void TFormMain::DeleteDataTableFiles(const std::string& path)
{
    std::error_code error;
    for (const char* extension : {".dbf", ".dbt"}) {
        const std::string file = WithExtension(path, extension);
        if (FileExists(file)) std::filesystem::remove(file, error);
    }
}

int TFormMain::GetMaxRecordId()
{
    Query.Close();
    Query.SQL().SetText("select max(ID) from " + FromClause(WithExtension(definition_->FileName(), ".dbf")));
    Query.Open();
    if (Query.RecordCount() < 1) return 0;
    return Query.Fields().Fields(0).AsInteger();
}
