#pragma once
// The query builder: a SELECT over the data table put together from its fields, their distinct
// values, conditions, parameters and relations, run through a query whose result a query table
// window shows, and saved to or loaded from ".sql" files.
//
// The SQL text itself is composed by the free functions below; the form only gathers what the
// user picked and hands it to them.
#include <QDialog>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/core/StringList.h"
#include "platform/db/DataSource.h"
#include "platform/db/Query.h"
#include "platform/db/Table.h"
#include "platform/ui/FormTable.h"
#include "platform/ui/UiServices.h"

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QToolButton;
class TDBGrid;
class TDBNavigator;
class TLngModule;

// ---- Composing the SQL text -------------------------------------------------------------------

// The operators of the builder in their list order; the last four carry a leading space.
enum TQueryOperator { qoEqual, qoLess, qoLessEqual, qoNotEqual, qoGreaterEqual, qoGreater, qoLike, qoBetween, qoIn, qoIsNull };
const std::vector<std::string>& QueryOperatorTexts();

// Fields the attribute list offers (plain types) and fields whose values are written bare.
bool IsAttributeFieldType(TFieldType type);
bool IsNumericValueType(TFieldType type);
// A value as the value list shows it and the SQL text takes it: numbers always with '.'.
std::string ValueListText(const TField& field);

// "'" + value + "'" with every quote doubled when quoted, the value itself otherwise.
std::string QuoteValue(const std::string& value, bool quoted);
// The table name as SQL names it: 'data.dbf'; a quote in a file or folder name is doubled.
std::string FromClause(const std::string& tableName);
// ":" + attribute + "_" + suffix.
std::string ParameterName(const std::string& attribute, const std::string& suffix = "");

// A condition, or the language text id of the warning that stands for it (0 when none), or a
// plain text saying why the values do not fit.
struct TConditionResult {
    TConditionResult(std::string condition = "", int warning = 0, std::string problem = "")
        : Condition(std::move(condition)), Warning(warning), Problem(std::move(problem))
    {
    }
    std::string Condition;
    int Warning;
    std::string Problem;
};
// Whether a value may be written bare into the SQL text: a number with '.' (or True/False).
bool IsBareValue(const std::string& value);
// From attribute, operator and the selected values in list order.
TConditionResult ValueCondition(const std::string& attribute, TQueryOperator op,
                                const std::vector<std::string>& values, bool quoted);
// With parameters in place of values.
TConditionResult ParamCondition(const std::string& attribute, TQueryOperator op);
// "(memo is NULL)" / "(memo is not NULL)".
std::string MemoCondition(const std::string& memo, bool isNull);

// Whether a text names parameters (":name" outside quoted literals and comments).
bool HasSqlParameters(const std::string& text);
// "WHERE c" for one condition, "WHERE (c1 AND c2 ...)" for more, "" for none.
std::string WhereLine(const std::vector<std::string>& conditions);
// The query that lists the distinct values of a field under the conditions without parameters.
std::vector<std::string> ValueListSql(const std::string& field, const std::string& tableName,
                                      const std::vector<std::string>& conditions);
// The builder's SQL text (an empty field list gives no text).
std::vector<std::string> QuerySqlText(const std::string& fieldList, bool distinct, const std::string& tableName,
                                      const std::vector<std::string>& conditions);
// The two template lines of a double click on the SQL text.
std::vector<std::string> TemplateSqlText(const std::string& fieldList, const std::string& tableName);
// "order by" + " " + attribute (when there is one).
std::string OrderByLine(const std::string& attribute);
// The field list with one more name: "*" and "" are replaced, otherwise "," + name is appended.
std::string AddedToFieldList(const std::string& fieldList, const std::string& name);

// What running the SQL text does: the memo's lines (a line holding WHERE further in is split
// there), the lines the query gets (no empty ones) and whether the part from WHERE on names
// parameters (then the query is only prepared).
struct TSqlRunText {
    std::vector<std::string> MemoLines;
    std::vector<std::string> QueryLines;
    bool HasParameters = false;
};
TSqlRunText SqlRunText(const std::vector<std::string>& memoLines);

// base + n + ".sql" for the smallest n >= 0 that names no existing file.
std::string FreeSqlFileName(const std::string& base);

// ---- The builder form -------------------------------------------------------------------------

class TFormSetQuery : public QDialog {
    Q_OBJECT
public:
    explicit TFormSetQuery(QWidget* parent = nullptr);
    ~TFormSetQuery() override;

    QLabel* Lbl510;
    QLabel* Lbl530;
    QLabel* Lbl550;
    QLabel* Lbl560;
    QListWidget* ListFields;
    QListWidget* ListVals;
    QListWidget* ListConds;
    QLineEdit* EditQueryFields;
    QPlainTextEdit* MemoSQL;
    QComboBox* CBoper;
    QRadioButton* RB_Number;
    QRadioButton* RB_Character;
    QCheckBox* CBdistinct;
    QCheckBox* CB_RequestLive;
    QPushButton* BtnConds;
    QToolButton* BtnParamCond;
    QToolButton* BtnRelation;
    QToolButton* BtnAddAtrib;
    QPushButton* BtnSQL;
    QToolButton* BtnMemos;
    QFrame* PanelMemo;
    QListWidget* ListMemos;
    QRadioButton* RBmemo1;
    QRadioButton* RBmemo2;
    QToolButton* BtnMemoClose;
    QPushButton* BtnShowTable;
    QFrame* PanelTable;
    TDBGrid* DBGrid;
    TDBNavigator* DBNavigator;
    QLabel* LblTable;
    QComboBox* CBtables;
    QPushButton* BtnOK;
    QPushButton* BtnCancel;
    QMenu* PopupConds;
    QAction* PopEdit;
    QAction* PopDelete;
    QMenu* PopupQuery;
    QAction* PopLoad;
    QAction* PopSave;
    QAction* PopOrderBy;
    TFileDialogOptions OpenDlg;

    TQuery Query;
    TTable Table;
    TDataSource DS_query;
    TDataSource DS_table;

    const std::string& TableName() const { return tableName_; }
    TLngModule* LngModule() const { return lng_; }
    std::string Text(int id) const;  // the language text, "[id]" before ApplyLanguage

    void ApplyLanguage(std::uint16_t number);
    void SetDatabaseAndTable(const std::string& databaseName, const std::string& tableName);
    void AddTableFields(const std::string& tableName);
    // Runs the SQL text; answers whether the query is open afterwards.
    bool RunSQL();

    // The texts of the lists and of the memo, in order.
    std::vector<std::string> Conditions() const;
    std::vector<std::string> SqlLines() const;
    void SetSqlLines(const std::vector<std::string>& lines);

    // Handlers
    void ListFieldsClick();
    void BtnCondsClick();
    void BtnParamCondClick();
    void BtnRelationClick();
    void BtnAddAtribClick();
    void BtnSQLClick();
    void MemoSQLDblClick();
    void MemoSQLChange();
    void CBoperChange();
    void PopEditClick();
    void PopDeleteClick();
    void PopSaveClick();
    void PopLoadClick();
    void PopOrderByClick();
    void ListFieldsDblClick();
    void ListValsDblClick();
    void BtnMemosClick();
    void BtnMemoCloseClick();
    void BtnShowTableClick();
    void CBtablesChange();
    void FormResize(bool byUser);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TBuiltForm form_;
    void BuildControls();
    void BuildMemoPanel();
    void BuildTablePanel();
    void BuildMenus();
    void Connect();
    void FillValueList();
    bool ReadMoreValues(int count, int& limit) const;
    void AddCondition(const TConditionResult& result);
    void Warn(int id) const;
    std::string SelectedAttribute() const;
    std::string SelectedMemo() const;
    std::vector<std::string> SelectedValues() const;
    bool MemoPanelShown() const;
    bool TableShown() const;
    void AppendSqlLine(const std::string& line);

    std::string tableName_;
    TLngModule* lng_ = nullptr;
    int rememberedHeight_ = 0;
    bool layingOut_ = false;
};

// The builder of the last ExecuteQueryBuilder; nil once it is freed.
extern TFormSetQuery* FormSetQuery;

// Creates the builder and runs it: -1 cancelled, 0 ran without an open result, else the number
// of records of the open query (its DS_query is what the query window shows). On success
// fieldList receives the builder's field list.
int ExecuteQueryBuilder(const std::string& databaseName, const std::string& tableName, const TStringList* sqlLines,
                        std::uint16_t language, bool autoRun, std::string& fieldList);
int RunQueryBuilder(const std::string& databaseName, const std::string& tableName, const TStringList* sqlLines,
                    std::uint16_t language, bool autoRun, std::string& fieldList);
// The close callback of a query window: closes the builder's query and frees the builder.
void ReleaseQueryBuilder(QObject* builder);

const TControlTable& FormSetQueryTable();
