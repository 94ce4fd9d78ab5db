#pragma once
// Import from delimited text: each line of a file names an existing record through its key
// columns (and constant conditions) and supplies values for other fields of that record.
// Records are found, never appended; a line whose key matches no record is skipped.
#include <QDialog>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/StringList.h"
#include "platform/db/DataSet.h"
#include "platform/ui/FormTable.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;

// The field cell of a column that is read and thrown away.
extern const char* const kSkippedColumn;

// What one row of the mapping grid stands for.
enum class TMapRowKind { Key, Value, Skip, Constant };
TMapRowKind MapRowKind(const std::string& field, const std::string& mark);

struct TMapRow {
    std::string Field;
    std::string Mark;
};

// The mapping as the import uses it: one column per row that is not a constant condition.
struct TImportMapping {
    struct Column {
        TMapRowKind Kind;
        std::string Field;
    };
    std::vector<Column> Columns;
    std::vector<TMapRow> Constants;  // field and the value it must hold, last grid row first
    std::string KeyFields;           // "A;B": the key columns, then the constant fields

    // The key values of a split line (key texts in column order, then the constants);
    // none when the line lacks a key column.
    std::optional<std::vector<Variant>> KeyValues(const std::vector<std::string>& texts) const;
};

// Raises Exception when the mapping has no key column (it could name no record).
TImportMapping BuildImportMapping(const std::vector<TMapRow>& rows);

// The texts of the line's columns, at most columnCount of them. Blanks and control characters
// at both ends are dropped, except the separator itself (a leading TAB is an empty first
// column). A run of spaces is one separator when the separator is a space. Columns the line
// does not reach are missing from the answer, not empty: those fields keep their values.
std::vector<std::string> SplitLine(const std::string& line, char separator, int columnCount);

// Finds the record a split line names (exact, case-sensitive) and writes its value columns.
// Answers whether a record was found. A value the field refuses raises; the record is then
// left unchanged.
bool ImportLine(TDataSet& dataSet, const TImportMapping& mapping, const std::vector<std::string>& texts);

// Imports every line; answers the number of records updated. Stops at the first error.
int RunTextImport(TDataSet& dataSet, const TImportMapping& mapping, const TStringList& lines, char separator);

class TFormTextInput : public QDialog {
    Q_OBJECT
public:
    explicit TFormTextInput(TDataSet& dataSet, QWidget* parent = nullptr);

    QLabel* LabelAttrib;
    QListWidget* ListBoxAttrib;
    QPushButton* BtnAdd1;
    QPushButton* BtnAdd2;
    QPushButton* BtnAdd3;
    QLabel* LabelCnd;
    QLineEdit* EditCnd;
    QPushButton* BtnAddC;
    QPushButton* BtnDel;
    QTableWidget* SelectGrid;
    QLabel* LabelData;
    QPlainTextEdit* DataMemo;
    QLabel* LabelSep;
    QRadioButton* RBsep1;
    QRadioButton* RBsep2;
    QRadioButton* RBsep3;
    QLineEdit* EditSep;
    QPushButton* BtnOK;
    QPushButton* BtnCancel;

    // The dataset's field names into the list, the file's lines into the memo.
    void LoadFile(const std::string& fileName);
    // The grid's rows, top to bottom as the user sees them.
    std::vector<TMapRow> MapRows() const;
    char Separator() const;
    // Imports the memo's lines with the grid's mapping; answers the number of records updated.
    int RunImport();

    void BtnAdd1Click();
    void BtnAdd2Click();
    void BtnAdd3Click();
    void BtnAddCClick();
    void BtnDelClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void AddSelectedField(const std::string& mark);
    void AddRow(const std::string& field, const std::string& mark);
    bool GridHasField(const std::string& field) const;
    int LogicalRow(int visualRow) const;
    std::string Cell(int visualRow, int column) const;
    void SetCell(int visualRow, int column, const std::string& text);
    void FitMarkColumn();
    void BtnOKClick();

    TDataSet& dataSet_;
    TBuiltForm form_;
};

const TControlTable& FormTextInputTable();

// Shows the import form for the file and the dataset; answers whether it was confirmed and run.
bool ImportFromTextFile(const std::string& fileName, TDataSet& dataSet, QWidget* owner = nullptr);
