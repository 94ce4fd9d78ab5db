#pragma once
// The definition editor: creates or modifies a data definition file one module (section) at a
// time, so nobody has to type the ini text by hand.
#include <QDialog>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/IniFiles.h"
#include "platform/core/StringList.h"
#include "platform/ui/FormTable.h"
#include "platform/ui/UiServices.h"

class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;

// ---- A module as the editor's controls hold it -------------------------------------------

// One row of the item grid.
struct TModuleItem {
    std::string Text;
    std::string Value;
    std::string CondText;
};

struct TModuleContent {
    std::string Text;       // the module text, lines joined by CR LF
    std::string Field;      // the module type's caption, "" for none
    std::string FieldName;  // basic field name
    std::string Type;       // column type text
    std::vector<TModuleItem> Items;       // rows of the item grid, empty ones too
    std::vector<std::string> OtherTexts;  // rows of the other text fields, empty ones too
};

// The value lines a module is written as, in file order.
TStringList ModuleValueLines(const TModuleContent& module);
// What the editor shows of a section's lines. Raises EConvertError on a condtext line without a
// number before its ';'.
TModuleContent ReadModuleContent(const TStringList& lines);

// A Type value split into the type name and the numbers in its parentheses.
struct TColumnTypeText {
    std::string Name;
    bool HasNumbers = false;
    int Length = 0;
    int Precision = 0;
};
// Raises EConvertError when the parentheses hold something else than L or L,P.
TColumnTypeText ParseTypeText(const std::string& value);
// "CHARACTER(<L>)", "NUMERIC(<L>,<P>)", "DATE", "BLOB(<L>,<P>)", "BOOLEAN", "MultiBool"; "" for none.
std::string TypeText(const std::string& columnType, const std::string& length, const std::string& precision);

// Moves the data table files of a definition (.dbf and .dbt) to "<base>_backup<n>" names that
// no file holds yet; answers the new names. Nothing happens when there is no table.
std::vector<std::string> BackupDataTableFiles(const std::string& definitionPath);
// What the user is told about the moved files.
std::string BackupMessage(const std::vector<std::string>& backupFiles);

// ---- The window ---------------------------------------------------------------------------

class TFormItem : public QDialog {
    Q_OBJECT
public:
    explicit TFormItem(QWidget* parent = nullptr);
    ~TFormItem() override;

    QLabel* LabelName;
    QLineEdit* EditName;
    QLabel* LabelModText;
    QPlainTextEdit* MemoModText;
    QGroupBox* RadioModType;
    QTableWidget* GridItems;  // its header row is the grid's row 0
    QWidget* PanelField;
    QLabel* LabelFieldName;
    QLineEdit* EditFieldName;
    QComboBox* CB_Type;
    QLineEdit* EditTypeLen;
    QLineEdit* EditTypePrec;
    QLabel* LabelCondText;
    QTableWidget* CondTextGrid;
    QWidget* PanelNavigation;
    QLabel* LabelNavigation;
    QLabel* LabelCounting;
    QPushButton* BtnFirst;
    QPushButton* BtnPrevious;
    QPushButton* BtnNext;
    QPushButton* BtnLast;
    QPushButton* BtnAdd;
    QPushButton* BtnDel;
    QCheckBox* cbCanRewrite;
    QPushButton* BtnSave;
    QPushButton* BtnCancel;
    TFileDialogOptions SaveDlg;
    QMenu* GridPopup;
    QAction* I_DeleteRow1;
    QAction* I_ClearRow1;
    QAction* I_AddRow1;

    // Asks for the file name and shows the editor on an empty definition.
    void CreateDefinition();
    void LoadDefinition(const std::string& path);
    // The definition's file name once Save wrote it, otherwise "".
    std::string GetSavedFileName() const;
    // After a save: whether the file's bytes differ from what it held before (true for a new file).
    bool SavedFileChanged() const { return savedChanged_; }
    // After a save: whether a data table made for the saved definition would have other columns
    // (names, types, sizes) than one made for what the file held before (true for a new file).
    bool SavedColumnsChanged() const { return savedColumnsChanged_; }

    void ShowModule(int index);
    bool StoreModule();
    bool CheckModuleNames();
    void ClearModuleFields();
    void AddItemRow(const std::string& itemText, const std::string& value);
    void AddCondTextRow(const std::string& text);
    void SetModuleFieldName(int index, const std::string& name);
    std::string GetTypeText() const;

    // The module type: 0 Edit, 1 Memo, 2 Switch, 3 Check, -1 none.
    QRadioButton* ModuleTypeButton(int index) const;
    int ModuleTypeIndex() const;

    // Grid rows as the user sees them: item rows count from 1 (row 0 is the header), rows of
    // the other text fields from 0. The grids' sizes count the header row as the string grid does.
    int ItemRowCount() const;
    std::string ItemCell(int row, int column) const;
    int CondTextRowCount() const;
    std::string CondTextCell(int row) const;

    // State for callers and tests.
    int ModuleCount() const { return modules_.Count(); }
    std::string ModuleName(int index) const { return modules_[index]; }
    const TStringList& ModuleValues(int index) const;
    int Current() const { return current_; }
    bool Modified() const { return modified_; }
    bool Changed() const { return changed_; }

    // Events
    void BtnFirstClick();
    void BtnPreviousClick();
    void BtnNextClick();
    void BtnLastClick();
    void BtnAddClick();
    void BtnDelClick();
    void RadioModTypeClick();
    void CB_TypeChange();
    void GridItemsContextPopup();
    void CondTextGridContextPopup();
    void I_AddRow1Click();
    void I_ClearRow1Click();
    void I_DeleteRow1Click();

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();
    void BuildGridPopup();
    void ConnectEditEvents();
    void Navigate(int index);
    bool FormCloseQuery(int result);
    void WriteDefinition();
    void SetModified() { modified_ = true; }
    void SetModuleTypeIndex(int index);
    void SetColumnType(const std::string& name);
    void ShowContent(const std::string& name, const TModuleContent& content, const TColumnTypeText& type);
    TModuleContent ShownContent() const;
    void UpdateCounting();
    void GridItemsSetEditText(int row, int column);
    void CondTextGridSetEditText(int row);
    void SetRowCount(QTableWidget* grid, int rows);
    void SetCell(QTableWidget* grid, int row, int column, const std::string& text);
    std::string Cell(const QTableWidget* grid, int row, int column) const;
    // The first row whose first cell is empty; a new last row when there is none.
    int RowToFill(QTableWidget* grid);
    bool NameInOtherModule(const TStringList& names, const std::string& name) const;

    TBuiltForm form_;
    std::unique_ptr<TMemIniFile> definition_;
    int current_ = -1;
    TStringList modules_;  // module names; objects: their value lists, owned
    bool modified_ = false;
    bool changed_ = false;
    QTableWidget* popupGrid_ = nullptr;
    TStringList fieldNames_;
    bool saved_ = false;
    bool savedChanged_ = false;
    bool savedColumnsChanged_ = false;
    bool filling_ = false;  // the editor itself fills the grids
    QButtonGroup* moduleTypes_;
};

const TControlTable& FormItemTable();
