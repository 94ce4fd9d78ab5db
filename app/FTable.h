#pragma once
// The table window: a dataset in a grid with a navigator and its record count, the commands
// that work on the whole dataset (clear, import, fill, copy to another table, save as text), and
// a graph strip below the grid where a database-bound chart draws two chosen fields.
// Every window is created on demand, listed in one of two process-wide lists (browse windows by
// number, query windows in opening order) and freed when it is closed.
#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/Component.h"
#include "platform/db/DataSource.h"
#include "platform/ui/UiServices.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;
class QSplitter;
class QToolButton;
class TChartSeries;
class TComponent;
class TDataSetComponent;
class TDBChart;
class TDBGrid;
class TDBNavigator;
class TDuvCommanderBar;
class TDuvPanelHost;
class TLngModule;
class TTable;

// Called with its owner when a query window closes (the owner releases the query).
using TTableCloseCallback = void (*)(QObject* owner);

class TFormTable : public QWidget {
    Q_OBJECT
public:
    explicit TFormTable(QWidget* parent = nullptr);
    ~TFormTable() override;

    TDBGrid* DBGrid;
    QFrame* PanelBtns;
    TDBNavigator* DBNavigator;
    QLabel* LblCountTitle;
    QLabel* LblCount;
    QToolButton* BtnDelAll;
    QToolButton* BtnImport;
    QPushButton* BtnFill;
    QPushButton* BtnDBcopy;
    QPushButton* BtnExport;
    QPushButton* BtnGraph;
    QSplitter* SplitterGraph;
    QFrame* PanelGraph;  // the graph strip
    QComboBox* CB_X = nullptr;
    QComboBox* CB_Y = nullptr;
    QCheckBox* CB_date = nullptr;
    QPushButton* BtnAddPoints = nullptr;
    QPushButton* BtnAddLine = nullptr;
    TDuvCommanderBar* DuvCommander = nullptr;
    TDBChart* DBChart = nullptr;
    TDuvPanelHost* DBChartHost = nullptr;  // shows DBChart
    QFrame* PanelPrg;
    QProgressBar* PrgBar;
    TFileDialogOptions SaveDlg;
    TFileDialogOptions OpenDlg;

    int BrowseNumber() const { return browseNumber_; }
    TDataSet* BoundDataSet() const { return boundDataSet_; }
    TLngModule* LngModule() const { return lngModule_; }
    const std::string& DatabaseName() const { return databaseName_; }
    void SetDatabaseName(const std::string& name) { databaseName_ = name; }

    void ShowRecordCount();
    // Before the window closes: a record changed in the grid (also a cell still being typed
    // into) is saved or dropped as the user answers; false when the window is to stay open.
    bool ConfirmPendingEdit();
    // Shows Fill, Import and Clear all and the navigator's Delete when the dataset can be modified.
    void EnableEditCommands();

    // Copies the grid's dataset into a file whose extension names the format: ".dbf" dBase,
    // ".db" Paradox, ".txt" delimited text, ".xlsx" (or ".xls") a spreadsheet workbook.
    void CopyToFile(const std::string& fileName);
    // Lets the user pick the destination's index or define one (CREATE INDEX) for keyed copies.
    void ChooseIndex(TTable& table);
    void ExportToAccess(const std::string& fileName);
    void CopyToMSSql();

    // Both field lists: the bound dataset's field names after an empty entry.
    void FillGraphFieldLists();
    // A field that gives no number for some record (a memo, a text that is no number) is
    // refused with a warning that names it, and no series is made.
    // A new line (point) series on DBChart with one point per record of the grid's dataset, the
    // window its owner; an empty field name is warned about and makes none (nil).
    TChartSeries* AddLineSeries(const std::string& xField, const std::string& yField);
    TChartSeries* AddPointSeries(const std::string& xField, const std::string& yField);

    // Commands
    void BtnDelAllClick();
    void BtnImportClick();
    void BtnFillClick();
    void BtnExportClick();
    void BtnDBcopyClick();
    void BtnDBcopyRightClick();
    void BtnGraphClick();
    void BtnAddLineClick();
    void BtnAddPointsClick();
    void SaveDlgTypeChange(int filterIndex);
    void DBGridCellClick(TField& field);
    void DBGridDblClick();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend void SetupTableWindow(TFormTable* window, std::uint16_t language);
    friend void ShowTableWindow(TFormTable* window, int browseNumber, TDataSource* dataSource);
    friend void ShowTableWindowWithCallback(TFormTable* window, int browseNumber, TDataSource* dataSource,
                                            QObject* owner, TTableCloseCallback callback);
    class TGridDetached;
    class TCountLink;

    void BuildButtonPanel();
    void BuildProgressPanel();
    void BuildGraphPanel();  // FTableGraph.cpp
    void ReleaseGraph();
    // The chart refills itself after posts only: deleted records leave it once the events of
    // the current command have run (one refill for a whole "Clear all lines").
    void RefreshGraphLater();
    TChartSeries* AddFieldSeries(TChartSeries* (*create)(TComponent* owner), const std::string& xField,
                                 const std::string& yField);
    void Bind(TDataSet* dataSet, TDataSource* dataSource);
    void RestoreDataSetEvents();
    void DataSetEvent(const TDataSetNotifyEvent& previous, TDataSet& dataSet);
    void PlaceInList(int browseNumber);
    void LeaveList();
    void Release();
    TDataSet* ShownDataSet() const;  // the grid's dataset while it is open
    // Closing with the program: a pending edit is posted; one the table refuses is shown and dropped.
    void SavePendingEdit();
    TDataSet& GridDataSet() const;
    std::string Text(int id) const;
    void CopyToSpreadsheet(const std::string& fileName);
    void CopyToTable(const std::string& fileName);
    void CenterProgressPanel();

    int browseNumber_ = 0;
    TDataSource* keptDataSource_ = nullptr;  // the grid's source while the grid is detached
    TDataSet* boundDataSet_ = nullptr;
    QObject* closeOwner_ = nullptr;
    TTableCloseCallback closeCallback_ = nullptr;
    TDataSetNotifyEvent savedAfterDelete_, savedAfterInsert_, savedAfterOpen_;
    TLngModule* lngModule_ = nullptr;
    std::string databaseName_;
    bool released_ = false;
    std::unique_ptr<TCountLink> countLink_;  // keeps the record count with the dataset
    // The window as owner of its chart components: the chart, the dataset link of its series and
    // the series themselves, freed in reverse order.
    TComponentPtr<TComponent> components_;
    TDataSetComponent* chartDataSet_ = nullptr;
    bool graphRefreshPending_ = false;
};

// The table window created last; nil once it is freed.
extern TFormTable* FormTable;

// Loads the "SetQuery" texts and navigator hints of the language number into the window.
void SetupTableWindow(TFormTable* window, std::uint16_t language);
// Binds the window to the data source's dataset (number < 0: a query window) and shows it.
void ShowTableWindow(TFormTable* window, int browseNumber, TDataSource* dataSource);
void ShowTableWindowWithCallback(TFormTable* window, int browseNumber, TDataSource* dataSource, QObject* owner,
                                 TTableCloseCallback callback);

// The browse window of a number; nil when there is none (also past the list's end).
TFormTable* BrowseTableWindow(int browseNumber);
// The browse list; nil until the first ShowTableWindow created it.
const std::vector<TFormTable*>* BrowseTableWindows();
// The open query windows in opening order.
const std::vector<TFormTable*>& QueryTableWindows();
// Closes every listed window (the main window does so before its datasets go).
void CloseTableWindows();
// Closes the listed windows that show this dataset.
void CloseTableWindows(const TDataSet& dataSet);

// The default extension the save dialog takes for a filter index ("" for any other).
std::string SaveDlgDefaultExt(int filterIndex);

// Why the field cannot give the numbers of the graph strip's axis ("X" or "Y"): the first record
// whose value is no number, named with the field; empty when every record gives one.
std::string GraphFieldRefusal(TDataSet& dataSet, const std::string& fieldName, const char* axis);
