#pragma once
// The main window: the whole command surface of the application. It owns the open data
// definition, the input panels built from it and the database components of its data table.
#include <QMainWindow>
#include <memory>
#include <string>
#include <vector>

#include "app/FInfo.h"  // CommonDirectory
#include "platform/core/IniFiles.h"
#include "platform/core/StringList.h"
#include "platform/db/BatchMove.h"
#include "platform/db/DataSource.h"
#include "platform/db/Database.h"
#include "platform/db/Query.h"
#include "platform/db/Table.h"
#include "platform/net/FtpClient.h"
#include "platform/ui/UiServices.h"

class QIcon;
class QLabel;
class QStatusBar;
class QToolBar;
class QToolButton;
class TDBNavigator;
class TDataModule;
class TFormItem;

class TFormMain : public QMainWindow {
    Q_OBJECT
public:
    explicit TFormMain(QWidget* parent = nullptr);
    ~TFormMain() override;

    QStatusBar* StatusBar;
    QLabel* StatusPanels[3];  // record ID, section name, definition file name
    QToolBar* ToolBar;
    QToolButton* TB_CreateDefIni;
    QToolButton* TB_Open;
    QToolButton* TB_Close;
    TFileDialogOptions OpenDlg;
    TTable Table;
    TQuery Query;
    TDataSource DataSource;
    TDBNavigator* DBNavigator;
    QWidget* ToolButton1;
    QWidget* ToolButton2;
    QWidget* ToolButton4;
    QToolButton* TB_Table;
    QToolButton* TB_DataInsert;
    TDatabase Database1;
    QToolButton* TB_About;
    QToolButton* TB_EditDefIni;
    QToolButton* TB_SQL;
    QToolButton* TB_Import;
    TTable TableImp;
    TFileDialogOptions OpenDlgImp;
    TBatchMove BatchImport;
    QToolButton* TB_Descriptions;
    QToolButton* TB_graph;
    QToolButton* TB_SendViaFTP;
    TFtpClient Ftp;

    // Commands
    void TB_CreateDefIniClick();
    void TB_EditDefIniClick();
    void TB_OpenClick();
    void TB_CloseClick();
    void TB_TableClick();
    void TB_DataInsertClick();
    void TB_DescriptionsClick();
    void TB_SQLClick();
    void TB_ImportClick();
    void TB_graphClick();
    void TB_SendViaFTPClick();
    void TB_AboutClick();

    void FormActivate();
    // Applies the FTP settings file beside the program to Ftp; without it Send data stays disabled,
    // as it is while no definition is open.
    void LoadFtpSettings();
    void LoadFtpSettings(const std::string& path);

    // Opening a definition: builds the panels, creates the table when missing and opens it.
    // A failure is shown and leaves no definition open and no table this opening created.
    bool OpenDefinitionFile(const std::string& path);
    // False when a section yields no columns (the table is then not created).
    bool CreateDataTable();
    static void DeleteDataTableFiles(const std::string& path);
    int GetMaxRecordId();
    void ShowDataModule(int index);

    // State for callers and tests.
    bool Activated() const { return activated_; }
    TMemIniFile* Definition() const { return definition_.get(); }
    int PanelCount() const { return int(panels_.size()); }
    TDataModule* Panel(int index) const;
    TDataModule* CurrentPanel() const { return currentPanel_; }
    const std::string& TablePath() const { return tablePath_; }

protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    bool FormCloseQuery();
    void FormClose();
    bool SaveInput();
    void DiscardInput();
    void BuildToolBar();
    void BuildStatusBar();
    void SetupDatabase();
    QToolButton* AddButton(const char* name, const char* hint, int icon, void (TFormMain::*handler)());
    QToolButton* AddButton(const char* name, const char* hint, const QIcon& icon, void (TFormMain::*handler)());
    QWidget* AddSeparator(const char* name, int width);
    void SetDefinitionOpenState(bool open);
    void TableAfterOpen();
    void TableAfterClose();
    void TableAfterInsert();
    void TableBeforeScroll();
    void TableAfterScroll();
    bool CurrentPanelVisible() const;
    void BuildPanels();
    void CloseDefinition();
    void OpenEditedDefinition(const TFormItem& editor);
    void FreePanels();
    std::string CreateTableStatement(bool& failed);

    bool activated_ = false;
    std::unique_ptr<TMemIniFile> definition_;
    TStringList sections_;               // section names in file order
    std::vector<TDataModule*> panels_;  // the panel of each section
    TDataModule* currentPanel_ = nullptr;
    std::string tablePath_;
    QWidget* clientArea_;
    bool ftpSettingsFound_ = false;
};
