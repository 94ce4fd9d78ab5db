#include "app/FSetQuery.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QToolButton>
#include <algorithm>
#include <filesystem>
#include <regex>

#include "app/FSetRelation.h"
#include "app/UORUCommon.h"
#include "app/ULng.h"
#include "platform/db/DbError.h"
#include "platform/db/SqlLexer.h"
#include "platform/ui/Application.h"
#include "platform/ui/FormTable.h"
#include "platform/ui/DBGrid.h"
#include "platform/ui/DBNavigator.h"
#include "platform/ui/NamedControls.h"
#include "platform/ui/WindowFit.h"

namespace fs = std::filesystem;

TFormSetQuery* FormSetQuery = nullptr;

// ---- Composing the SQL text -------------------------------------------------------------------

const std::vector<std::string>& QueryOperatorTexts()
{
    static const std::vector<std::string> texts{"=", "<", "<=", "<>", ">=", ">", " LIKE", " BETWEEN", " IN", " IS NULL"};
    return texts;
}

bool IsAttributeFieldType(TFieldType type)
{
    return (type >= ftString && type <= ftAutoInc) || int(type) >= 30;
}

bool IsNumericValueType(TFieldType type)
{
    return (type >= ftSmallint && type <= ftBCD) || type == ftAutoInc;
}

std::string ValueListText(const TField& field)
{
    if (field.IsNull())
        return "";
    switch (field.DataType()) {
    case ftFloat:
    case ftCurrency:
    case ftBCD: return DotFloatToStr(field.AsFloat());
    default: return field.AsString();
    }
}

std::string QuoteValue(const std::string& value, bool quoted)
{
    if (!quoted)
        return value;
    std::string text = "'";
    for (char c : value) {
        if (c == '\'')
            text += '\'';
        text += c;
    }
    return text + "'";
}

std::string FromClause(const std::string& tableName) { return QuoteValue(tableName, true); }

std::string ParameterName(const std::string& attribute, const std::string& suffix)
{
    return ":" + attribute + "_" + suffix;
}

namespace {
std::string OperatorText(TQueryOperator op) { return QueryOperatorTexts().at(op); }

bool ComparesOne(TQueryOperator op) { return op >= qoEqual && op <= qoGreater; }

std::string JoinQuoted(const std::vector<std::string>& values, bool quoted)
{
    std::string text;
    for (const std::string& value : values)
        text += (text.empty() ? "" : ",") + QuoteValue(value, quoted);
    return text;
}

// The part after the operator; the warning id when the selection does not fit the operator.
TConditionResult ValueOperand(TQueryOperator op, const std::vector<std::string>& values, bool quoted)
{
    if (ComparesOne(op))
        return values.empty() ? TConditionResult{"", 60} : TConditionResult{QuoteValue(values[0], quoted)};
    switch (op) {
    case qoLike: return values.empty() ? TConditionResult{"", 60} : TConditionResult{" " + QuoteValue(values[0] + "%", quoted)};
    case qoBetween:
        if (values.size() != 2) return {"", 50};
        return {" " + QuoteValue(values[0], quoted) + " AND " + QuoteValue(values[1], quoted)};
    case qoIn: return values.empty() ? TConditionResult{"", 10} : TConditionResult{" (" + JoinQuoted(values, quoted) + ")"};
    default: return {};
    }
}

TConditionResult ParamOperand(const std::string& attribute, TQueryOperator op)
{
    if (ComparesOne(op))
        return {ParameterName(attribute)};
    switch (op) {
    case qoLike: return {" " + ParameterName(attribute)};
    case qoBetween: return {" " + ParameterName(attribute, "1") + " AND " + ParameterName(attribute, "2")};
    default: return {"", 110};
    }
}

TConditionResult Enclosed(const std::string& attribute, TQueryOperator op, const TConditionResult& operand)
{
    if (operand.Warning != 0)
        return operand;
    return {"(" + attribute + OperatorText(op) + operand.Condition + ")"};
}

std::vector<std::string> WithoutParameters(const std::vector<std::string>& conditions)
{
    std::vector<std::string> plain;
    std::copy_if(conditions.begin(), conditions.end(), std::back_inserter(plain),
                 [](const std::string& condition) { return !HasSqlParameters(condition); });
    return plain;
}
}  // namespace

bool IsBareValue(const std::string& value)
{
    if (SameText(value, "True") || SameText(value, "False"))
        return true;  // the values of a logical field
    static const std::regex number(R"([+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?)");
    return std::regex_match(value, number);
}

TConditionResult ValueCondition(const std::string& attribute, TQueryOperator op,
                                const std::vector<std::string>& values, bool quoted)
{
    if (attribute.empty())
        return {"", 70};
    TConditionResult result = Enclosed(attribute, op, ValueOperand(op, values, quoted));
    // A bare value becomes part of the statement: anything but a number would change its meaning.
    if (!quoted && result.Warning == 0 && op != qoIsNull)
        for (const std::string& value : values)
            if (!IsBareValue(op == qoLike ? value + "%" : value))
                return {"", 0, "The value '" + value + "' is not a number. Choose C to compare it as a text."};
    return result;
}

TConditionResult ParamCondition(const std::string& attribute, TQueryOperator op)
{
    if (attribute.empty())
        return {"", 70};
    return Enclosed(attribute, op, ParamOperand(attribute, op));
}

std::string MemoCondition(const std::string& memo, bool isNull)
{
    return "(" + memo + (isNull ? " is NULL)" : " is not NULL)");
}

// A ':' inside a quoted literal (a time such as '10:30') is text, not a parameter.
bool HasSqlParameters(const std::string& text)
{
    try {
        return !SqlParameterNames(TokenizeSql(text)).empty();
    } catch (const EDatabaseError&) {
        return false;  // no statement at all: running it reports why
    }
}

std::string WhereLine(const std::vector<std::string>& conditions)
{
    if (conditions.empty())
        return "";
    if (conditions.size() == 1)
        return "WHERE " + conditions[0];
    std::string line = "WHERE (" + conditions[0];
    for (size_t i = 1; i < conditions.size(); ++i)
        line += " AND " + conditions[i];
    return line + ")";
}

std::vector<std::string> ValueListSql(const std::string& field, const std::string& tableName,
                                      const std::vector<std::string>& conditions)
{
    std::vector<std::string> lines{"SELECT DISTINCT " + field + " FROM " + FromClause(tableName)};
    if (!conditions.empty())
        lines.push_back(WhereLine(WithoutParameters(conditions)));
    lines.push_back("ORDER BY " + field);
    return lines;
}

std::vector<std::string> QuerySqlText(const std::string& fieldList, bool distinct, const std::string& tableName,
                                      const std::vector<std::string>& conditions)
{
    if (fieldList.empty())
        return {};
    std::vector<std::string> lines{"SELECT " + std::string(distinct ? "DISTINCT " : "") + fieldList + " FROM " +
                                   FromClause(tableName)};
    if (!conditions.empty())
        lines.push_back(WhereLine(conditions));
    return lines;
}

std::vector<std::string> TemplateSqlText(const std::string& fieldList, const std::string& tableName)
{
    if (fieldList.empty())
        return {};
    return {"SELECT " + fieldList + " FROM " + FromClause(tableName), "WHERE "};
}

std::string OrderByLine(const std::string& attribute)
{
    return "order by" + (attribute.empty() ? std::string() : " " + attribute);
}

std::string AddedToFieldList(const std::string& fieldList, const std::string& name)
{
    if (fieldList.empty() || fieldList == "*")
        return name;
    return fieldList + "," + name;
}

TSqlRunText SqlRunText(const std::vector<std::string>& memoLines)
{
    TSqlRunText run;
    std::string afterWhere;
    bool whereSeen = false;
    auto take = [&run](const std::string& line) {
        if (!line.empty())
            run.QueryLines.push_back(line);
    };
    for (const std::string& line : memoLines) {
        if (whereSeen) {
            run.MemoLines.push_back(line);
            afterWhere += line + "\n";
            take(line);
            continue;
        }
        const size_t at = UpperCase(line).find("WHERE");
        if (at == std::string::npos) {
            run.MemoLines.push_back(line);
            take(line);
            continue;
        }
        whereSeen = true;
        if (at > 0) {
            run.MemoLines.push_back(line.substr(0, at));
            take(line.substr(0, at));
        }
        run.MemoLines.push_back(line.substr(at));
        afterWhere += line.substr(at) + "\n";
        take(line.substr(at));
    }
    run.HasParameters = HasSqlParameters(afterWhere);
    return run;
}

std::string FreeSqlFileName(const std::string& base)
{
    for (int n = 0;; ++n) {
        const std::string name = base + std::to_string(n) + ".sql";
        if (!fs::exists(name))
            return name;
    }
}

// ---- The builder form -------------------------------------------------------------------------

namespace {

constexpr int kClientWidth = 620;
constexpr int kMargin = 8;
constexpr int kSideColumn = 116;  // the buttons right of the SQL text
constexpr int kMemoTop = 124;
constexpr int kMemoHeight = 110;
constexpr int kMinMemoHeight = 80;
constexpr int kMinClientHeight = 209;
constexpr int kTablePanelHeight = 200;
constexpr int kValueLimitStep = 1000;

constexpr TNavButtonSet kTableButtons =
    NavButtons({nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbPost, nbCancel, nbRefresh});

const char* const kSqlFilter = "Dotaz SQL|*.sql|Všechny soubory|*.*";

QListWidgetItem* SelectedItem(const QListWidget* list)
{
    const QList<QListWidgetItem*> selected = list->selectedItems();
    return selected.isEmpty() ? nullptr : selected.front();
}

std::string SelectedText(const QListWidget* list)
{
    const QListWidgetItem* item = SelectedItem(list);
    return item ? item->text().toStdString() : std::string();
}

void CopyToClipboard(const QListWidget* list)
{
    if (const QListWidgetItem* item = SelectedItem(list))
        QGuiApplication::clipboard()->setText(item->text());
}

std::string WithoutExtension(const std::string& fileName)
{
    const fs::path path(fileName);
    return path.has_extension() ? fs::path(path).replace_extension().string() : fileName;
}

std::string WithTrailingSlash(const std::string& folder)
{
    return folder.empty() || folder.back() == '/' ? folder : folder + "/";
}

}  // namespace

const TControlTable& FormSetQueryTable()
{
    using K = TControlKind;
    constexpr int kSide = kClientWidth - kSideColumn;  // right of the SQL text, where FormResize keeps them
    static const TControlTable table{
        .Name = "FormSetQuery",
        .Caption = "Konstrukce dotazu",
        .DesignClient = {kClientWidth, kMemoTop + kMemoHeight + 5},
        .Rows = {
            {.Kind = K::Label, .Name = "Lbl510", .Caption = "Attributes", .Place = {8, 4, 130, 14}},
            {.Kind = K::Label, .Name = "Lbl560", .Caption = "Values", .Place = {222, 4, 170, 14}},
            {.Kind = K::Label, .Name = "Lbl530", .Caption = "Conditions", .Place = {400, 4, 212, 14}},
            {.Kind = K::ListBox, .Name = "ListFields", .Caption = "Attributes", .Place = {8, 20, 130, 72}},
            {.Kind = K::ListBox, .Name = "ListVals", .Caption = "Values", .Place = {222, 20, 170, 72}},
            {.Kind = K::ListBox, .Name = "ListConds", .Caption = "Conditions", .Place = {400, 20, 212, 72}},
            {.Kind = K::ComboBox, .Name = "CBoper", .Caption = "Operator", .Place = {144, 20, 72, 22}},
            {.Kind = K::RadioButton, .Name = "RB_Number", .Caption = "N", .Place = {144, 45, 36, 20}},
            {.Kind = K::RadioButton, .Name = "RB_Character", .Caption = "C", .Place = {180, 45, 36, 20}},
            {.Kind = K::Button, .Name = "BtnConds", .Caption = "->", .Place = {144, 68, 24, 24}},
            {.Kind = K::ToolButton, .Name = "BtnParamCond", .Caption = "P", .Place = {170, 68, 22, 24}},
            {.Kind = K::ToolButton, .Name = "BtnRelation", .Caption = "R", .Place = {194, 68, 22, 24}},
            {.Kind = K::Label, .Name = "Lbl550", .Caption = "Field list", .Place = {8, 101, 60, 14}},
            {.Kind = K::Edit, .Name = "EditQueryFields", .Caption = "Field list", .Place = {70, 98, 250, 22}},
            {.Kind = K::ToolButton, .Name = "BtnAddAtrib", .Caption = "+", .Place = {324, 98, 22, 22}},
            {.Kind = K::ToolButton, .Name = "BtnMemos", .Caption = "Memo", .Place = {350, 98, 40, 22}, .Hidden = true},
            {.Kind = K::CheckBox, .Name = "CBdistinct", .Caption = "DST", .Place = {396, 100, 46, 18}},
            {.Kind = K::Button, .Name = "BtnSQL", .Caption = "SQL", .Place = {446, 98, 40, 22}},
            {.Kind = K::CheckBox, .Name = "CB_RequestLive", .Caption = "editovatelné", .Place = {492, 100, 120, 18}},
            {.Kind = K::Memo, .Name = "MemoSQL", .Caption = "SQL",
             .Place = {kMargin, kMemoTop, kClientWidth - 2 * kMargin - kSideColumn, kMemoHeight}},
            {.Kind = K::Button, .Name = "BtnOK", .Caption = "OK", .Place = {kSide, kMemoTop, kSideColumn - 4, 24}},
            {.Kind = K::Button, .Name = "BtnCancel", .Caption = "Cancel", .Place = {kSide, kMemoTop + 28, kSideColumn - 4, 24}},
            {.Kind = K::Button, .Name = "BtnShowTable", .Caption = "Zobrazit tabulku",
             .Place = {kSide, kMemoTop + 56, kSideColumn - 4, 24}},
            // Laid over the lists while memo conditions are chosen.
            {.Kind = K::Panel, .Name = "PanelMemo", .Accessible = "Memo", .Place = {8, 20, 384, 72}, .Hidden = true,
             .MayOverlap = true},
            {.Kind = K::ListBox, .Name = "ListMemos", .Caption = "Memo", .Place = {0, 0, 200, 72}, .Parent = "PanelMemo"},
            {.Kind = K::RadioButton, .Name = "RBmemo1", .Caption = "NULL", .Place = {206, 4, 90, 18}, .Parent = "PanelMemo"},
            {.Kind = K::RadioButton, .Name = "RBmemo2", .Caption = "not NULL", .Place = {206, 26, 90, 18},
             .Parent = "PanelMemo"},
            {.Kind = K::ToolButton, .Name = "BtnMemoClose", .Caption = "Close", .Place = {206, 48, 60, 22},
             .Parent = "PanelMemo"},
            // Below the SQL text, shown on request: the window grows for it.
            {.Kind = K::Panel, .Name = "PanelTable", .Accessible = "Tabulka",
             .Place = {kMargin, 0, kClientWidth - 2 * kMargin, kTablePanelHeight}, .Hidden = true, .MayOverlap = true},
            {.Kind = K::Label, .Name = "Label1", .Caption = "Tabulka", .Place = {0, 4, 46, 14}, .Parent = "PanelTable"},
            {.Kind = K::ComboBox, .Name = "CBtables", .Caption = "Tabulka", .Place = {50, 0, 200, 22}, .Parent = "PanelTable"},
            {.Kind = K::DBNavigator, .Name = "DBNavigator", .Caption = "Navigator", .Place = {260, 0, 240, 24},
             .Parent = "PanelTable"},
            {.Kind = K::DBGrid, .Name = "DBGrid", .Caption = "Tabulka",
             .Place = {0, 28, kClientWidth - 2 * kMargin, kTablePanelHeight - 28}, .Parent = "PanelTable"},
        },
    };
    return table;
}

TFormSetQuery::TFormSetQuery(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint), form_(BuildForm(this, FormSetQueryTable()))
{
    setFont(FormFont());
    KeepOnScreen(this);
    BuildControls();
    BuildMemoPanel();
    BuildTablePanel();
    BuildMenus();
    Connect();
    DS_query.SetDataSet(&Query);
    OpenDlg.Filter = kSqlFilter;
    OpenDlg.Title = "Načíst dotaz";

    // Sizes here are of the client area: the window manager adds its own frame.
    resize(kClientWidth, kMemoTop + kMemoHeight + 5);
    setMinimumHeight(kMinClientHeight);
    setMinimumWidth(MemoSQL->width());
    rememberedHeight_ = 0;
    FormResize(false);
}

TFormSetQuery::~TFormSetQuery()
{
    if (FormSetQuery == this)
        FormSetQuery = nullptr;
    // The grid and navigator outlive these members (children go last): detach them first.
    DBGrid->SetDataSource(nullptr);
    DBNavigator->SetDataSource(nullptr);
    DS_table.SetDataSet(nullptr);
    DS_query.SetDataSet(nullptr);
    Query.Close();
    Table.Close();
}

void TFormSetQuery::BuildControls()
{
    Lbl510 = form_.Get<QLabel>("Lbl510");
    Lbl560 = form_.Get<QLabel>("Lbl560");
    Lbl530 = form_.Get<QLabel>("Lbl530");
    ListFields = form_.Get<QListWidget>("ListFields");
    ListVals = form_.Get<QListWidget>("ListVals");
    ListConds = form_.Get<QListWidget>("ListConds");
    CBoper = form_.Get<QComboBox>("CBoper");
    RB_Number = form_.Get<QRadioButton>("RB_Number");
    RB_Character = form_.Get<QRadioButton>("RB_Character");
    BtnConds = form_.Get<QPushButton>("BtnConds");
    BtnParamCond = form_.Get<QToolButton>("BtnParamCond");
    BtnRelation = form_.Get<QToolButton>("BtnRelation");
    Lbl550 = form_.Get<QLabel>("Lbl550");
    EditQueryFields = form_.Get<QLineEdit>("EditQueryFields");
    BtnAddAtrib = form_.Get<QToolButton>("BtnAddAtrib");
    BtnMemos = form_.Get<QToolButton>("BtnMemos");
    CBdistinct = form_.Get<QCheckBox>("CBdistinct");
    BtnSQL = form_.Get<QPushButton>("BtnSQL");
    CB_RequestLive = form_.Get<QCheckBox>("CB_RequestLive");
    MemoSQL = form_.Get<QPlainTextEdit>("MemoSQL");
    BtnOK = form_.Get<QPushButton>("BtnOK");
    BtnCancel = form_.Get<QPushButton>("BtnCancel");
    BtnShowTable = form_.Get<QPushButton>("BtnShowTable");

    for (const std::string& text : QueryOperatorTexts())
        CBoper->addItem(QText(text));
    CBoper->setCurrentIndex(0);
    RB_Character->setChecked(true);
    MemoSQL->setLineWrapMode(QPlainTextEdit::NoWrap);
    MemoSQL->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MemoSQL->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MemoSQL->viewport()->installEventFilter(this);
    BtnOK->setEnabled(false);
}

void TFormSetQuery::BuildMemoPanel()
{
    PanelMemo = form_.Get<QFrame>("PanelMemo");
    ListMemos = form_.Get<QListWidget>("ListMemos");
    RBmemo1 = form_.Get<QRadioButton>("RBmemo1");
    RBmemo2 = form_.Get<QRadioButton>("RBmemo2");
    BtnMemoClose = form_.Get<QToolButton>("BtnMemoClose");
    PanelMemo->setAutoFillBackground(true);  // covers the lists it is laid over
    QPalette red = ListMemos->palette();
    red.setColor(QPalette::Text, Qt::red);
    ListMemos->setPalette(red);
    RBmemo2->setChecked(true);
}

void TFormSetQuery::BuildTablePanel()
{
    PanelTable = form_.Get<QFrame>("PanelTable");
    LblTable = form_.Get<QLabel>("Label1");
    CBtables = form_.Get<QComboBox>("CBtables");
    DBNavigator = form_.Get<TDBNavigator>("DBNavigator");
    DBGrid = form_.Get<TDBGrid>("DBGrid");
    DBNavigator->SetVisibleButtons(kTableButtons);
    DBNavigator->SetDataSource(&DS_table);
    DBGrid->SetDataSource(&DS_table);
}

void TFormSetQuery::BuildMenus()
{
    PopupConds = Named(new QMenu(this), "PopupConds", "Conditions");
    PopEdit = PopupConds->addAction("&Edit");
    PopEdit->setObjectName("PopEdit");
    PopDelete = PopupConds->addAction("&Delete");
    PopDelete->setObjectName("PopDelete");
    PopupQuery = Named(new QMenu(this), "PopupQuery", "SQL");
    PopLoad = PopupQuery->addAction(QString::fromUtf8("&Načíst"));
    PopLoad->setObjectName("PopLoad");
    PopSave = PopupQuery->addAction(QString::fromUtf8("&Uložit"));
    PopSave->setObjectName("PopSave");
    PopOrderBy = PopupQuery->addAction("AddOrderBy");
    PopOrderBy->setObjectName("PopOrderBy");
    ListConds->setContextMenuPolicy(Qt::CustomContextMenu);
    MemoSQL->setContextMenuPolicy(Qt::CustomContextMenu);
}

void TFormSetQuery::Connect()
{
    connect(ListConds, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupConds->popup(ListConds->viewport()->mapToGlobal(at)); });
    connect(MemoSQL, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupQuery->popup(MemoSQL->mapToGlobal(at)); });
    connect(ListFields, &QListWidget::itemClicked, this, Guarded(this, &TFormSetQuery::ListFieldsClick));
    connect(ListFields, &QListWidget::itemDoubleClicked, this, Guarded(this, &TFormSetQuery::ListFieldsDblClick));
    connect(ListVals, &QListWidget::itemDoubleClicked, this, Guarded(this, &TFormSetQuery::ListValsDblClick));
    connect(BtnConds, &QPushButton::clicked, this, Guarded(this, &TFormSetQuery::BtnCondsClick));
    connect(BtnParamCond, &QToolButton::clicked, this, Guarded(this, &TFormSetQuery::BtnParamCondClick));
    connect(BtnRelation, &QToolButton::clicked, this, Guarded(this, &TFormSetQuery::BtnRelationClick));
    connect(BtnAddAtrib, &QToolButton::clicked, this, Guarded(this, &TFormSetQuery::BtnAddAtribClick));
    connect(BtnSQL, &QPushButton::clicked, this, Guarded(this, &TFormSetQuery::BtnSQLClick));
    connect(BtnMemos, &QToolButton::clicked, this, Guarded(this, &TFormSetQuery::BtnMemosClick));
    connect(BtnMemoClose, &QToolButton::clicked, this, Guarded(this, &TFormSetQuery::BtnMemoCloseClick));
    connect(BtnShowTable, &QPushButton::clicked, this, Guarded(this, &TFormSetQuery::BtnShowTableClick));
    connect(MemoSQL, &QPlainTextEdit::textChanged, this, Guarded(this, &TFormSetQuery::MemoSQLChange));
    connect(CBoper, &QComboBox::currentIndexChanged, this, Guarded(this, &TFormSetQuery::CBoperChange));
    connect(CBtables, &QComboBox::activated, this, Guarded(this, &TFormSetQuery::CBtablesChange));
    connect(PopEdit, &QAction::triggered, this, Guarded(this, &TFormSetQuery::PopEditClick));
    connect(PopDelete, &QAction::triggered, this, Guarded(this, &TFormSetQuery::PopDeleteClick));
    connect(PopSave, &QAction::triggered, this, Guarded(this, &TFormSetQuery::PopSaveClick));
    connect(PopLoad, &QAction::triggered, this, Guarded(this, &TFormSetQuery::PopLoadClick));
    connect(PopOrderBy, &QAction::triggered, this, Guarded(this, &TFormSetQuery::PopOrderByClick));
    connect(BtnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(BtnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

std::string TFormSetQuery::Text(int id) const { return lng_ ? lng_->GetText(id) : "[" + std::to_string(id) + "]"; }

void TFormSetQuery::Warn(int id) const { UiServices().ShowWarning(Text(id) + "."); }

void TFormSetQuery::ApplyLanguage(std::uint16_t number)
{
    lng_ = GetLngModule(number, "SetQuery");
    setWindowTitle(QText(Text(1)));
    setAccessibleName(windowTitle());
    const std::pair<QAction*, int> items[] = {{PopDelete, 120}, {PopEdit, 121}, {PopSave, 122}, {PopLoad, 123}, {PopOrderBy, 1015}};
    for (const auto& [action, id] : items)
        action->setText(QText("&" + Text(id)));
    const std::pair<QLabel*, int> labels[] = {{Lbl510, 510}, {Lbl530, 530}, {Lbl550, 550}, {Lbl560, 560}};
    for (const auto& [label, id] : labels)
        SetCaption(label, Text(id));
    SetCaption(CB_RequestLive, Text(540));
    SetCaption(BtnShowTable, Text(90));
    SetCaption(BtnCancel, Text(520));
    const std::pair<QWidget*, int> hints[] = {{BtnRelation, 1060}, {BtnParamCond, 1040}, {BtnAddAtrib, 1010},
                                              {RB_Number, 1050},   {RB_Character, 1030}, {BtnConds, 1020},
                                              {CBdistinct, 1080},  {BtnSQL, 1070}};
    for (const auto& [control, id] : hints) {
        control->setToolTip(QText(Text(id)));
        control->setAccessibleDescription(QText(Text(id)));
    }
    TStringList navigatorHints = DBNavigator->Hints();
    LoadNavigatorHints(number, navigatorHints);
    DBNavigator->SetHints(navigatorHints);
}

void TFormSetQuery::SetDatabaseAndTable(const std::string& databaseName, const std::string& tableName)
{
    Table.SetDatabaseName(databaseName);
    Query.SetDatabaseName(databaseName);
    ListFields->clear();
    ListMemos->clear();
    if (!tableName.empty())
        AddTableFields(tableName);
    Table.Close();
    ListConds->clear();
}

void TFormSetQuery::AddTableFields(const std::string& tableName)
{
    tableName_ = tableName;
    Table.Close();
    Table.SetTableName(tableName);
    Table.FieldDefs().Update();
    Table.Open();
    CBtables->addItem(QText(tableName));
    CBtables->setCurrentIndex(CBtables->count() - 1);
    for (int i = 0; i < Table.FieldDefs().Count(); ++i) {
        const TFieldDef& def = Table.FieldDefs().Items(i);
        if (IsAttributeFieldType(def.DataType))
            ListFields->addItem(QText(def.Name));
        else if (def.DataType == ftMemo)
            ListMemos->addItem(QText(def.Name));
    }
    BtnMemos->setVisible(ListMemos->count() > 0);
}

std::vector<std::string> TFormSetQuery::Conditions() const
{
    std::vector<std::string> conditions;
    for (int row = 0; row < ListConds->count(); ++row)
        conditions.push_back(ListConds->item(row)->text().toStdString());
    return conditions;
}

std::vector<std::string> TFormSetQuery::SqlLines() const
{
    TStringList lines;
    lines.SetText(MemoSQL->toPlainText().toStdString());
    std::vector<std::string> result;
    for (int i = 0; i < lines.Count(); ++i)
        result.push_back(lines[i]);
    return result;
}

void TFormSetQuery::SetSqlLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i)
        text += (i ? "\n" : "") + lines[i];
    MemoSQL->setPlainText(QText(text));
}

void TFormSetQuery::AppendSqlLine(const std::string& line)
{
    std::vector<std::string> lines = SqlLines();
    lines.push_back(line);
    SetSqlLines(lines);
}

std::string TFormSetQuery::SelectedAttribute() const { return SelectedText(ListFields); }
std::string TFormSetQuery::SelectedMemo() const { return SelectedText(ListMemos); }
bool TFormSetQuery::MemoPanelShown() const { return !PanelMemo->isHidden(); }
bool TFormSetQuery::TableShown() const { return DS_table.DataSet() != nullptr && Table.Active(); }

std::vector<std::string> TFormSetQuery::SelectedValues() const
{
    std::vector<std::string> values;
    for (int row = 0; row < ListVals->count(); ++row)
        if (ListVals->item(row)->isSelected())
            values.push_back(ListVals->item(row)->text().toStdString());
    return values;
}

void TFormSetQuery::ListFieldsClick()
{
    const std::string field = SelectedAttribute();
    if (field.empty())
        return;
    Query.Close();
    Query.SQL().Clear();
    for (const std::string& line : ValueListSql(field, tableName_, Conditions()))
        Query.SQL().Add(line);
    Query.Open();
    FillValueList();
    const bool numeric = Query.FieldCount() > 0 && IsNumericValueType(Query.Fields().Fields(0).DataType());
    (numeric ? RB_Number : RB_Character)->setChecked(true);
    Query.Close();
}

// Asked after every thousand values; No stops reading.
bool TFormSetQuery::ReadMoreValues(int count, int& limit) const
{
    if (count < limit)
        return true;
    const std::string question = "More then " + std::to_string(limit) + " values in the list. Continue?";
    if (!UiServices().AskYesNo(question))
        return false;
    limit += kValueLimitStep;
    return true;
}

void TFormSetQuery::FillValueList()
{
    ListVals->clear();
    if (Query.FieldCount() == 0)
        return;
    const TField& field = Query.Fields().Fields(0);
    int limit = kValueLimitStep;
    int count = 0;
    for (Query.First(); !Query.Eof(); Query.Next()) {
        ListVals->addItem(QText(ValueListText(field)));
        if (!ReadMoreValues(++count, limit))
            break;
    }
}

void TFormSetQuery::AddCondition(const TConditionResult& result)
{
    if (result.Warning != 0)
        Warn(result.Warning);
    else if (!result.Problem.empty())
        UiServices().ShowWarning(result.Problem);
    else if (!result.Condition.empty())
        ListConds->addItem(QText(result.Condition));
}

void TFormSetQuery::BtnCondsClick()
{
    if (MemoPanelShown()) {
        const std::string memo = SelectedMemo();
        AddCondition(memo.empty() ? TConditionResult{"", 70} : TConditionResult{MemoCondition(memo, RBmemo1->isChecked())});
        return;
    }
    const auto op = static_cast<TQueryOperator>(CBoper->currentIndex());
    AddCondition(ValueCondition(SelectedAttribute(), op, SelectedValues(), RB_Character->isChecked()));
}

void TFormSetQuery::BtnParamCondClick()
{
    AddCondition(ParamCondition(SelectedAttribute(), static_cast<TQueryOperator>(CBoper->currentIndex())));
}

void TFormSetQuery::BtnRelationClick()
{
    TStringList fields;
    for (int row = 0; row < ListFields->count(); ++row)
        fields.Add(ListFields->item(row)->text().toStdString());
    std::string condition;
    if (AskRelation(fields, condition))
        ListConds->addItem(QText(condition));
}

void TFormSetQuery::BtnAddAtribClick()
{
    const std::string name = MemoPanelShown() ? SelectedMemo() : SelectedAttribute();
    if (name.empty())
        return;
    EditQueryFields->setText(QText(AddedToFieldList(EditQueryFields->text().toStdString(), name)));
}

void TFormSetQuery::BtnSQLClick()
{
    const std::string fieldList = EditQueryFields->text().toStdString();
    if (fieldList.empty())
        return Warn(30);
    SetSqlLines(QuerySqlText(fieldList, CBdistinct->isChecked(), tableName_, Conditions()));
}

void TFormSetQuery::MemoSQLDblClick()
{
    const std::string fieldList = EditQueryFields->text().toStdString();
    if (fieldList.empty())
        return Warn(30);
    SetSqlLines(TemplateSqlText(fieldList, tableName_));
}

void TFormSetQuery::MemoSQLChange() { BtnOK->setEnabled(!SqlLines().empty()); }

void TFormSetQuery::CBoperChange()
{
    const int op = CBoper->currentIndex();
    const bool several = op == qoBetween || op == qoIn;
    ListVals->setSelectionMode(several ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

void TFormSetQuery::PopEditClick()
{
    QListWidgetItem* item = SelectedItem(ListConds);
    if (!item)
        return;
    const std::string condition = item->text().toStdString();
    std::string answer = condition;
    if (!UiServices().InputQuery(Text(80), "", answer) || answer == condition)
        return;
    if (answer.empty())
        delete item;
    else
        item->setText(QText(answer));
}

void TFormSetQuery::PopDeleteClick()
{
    delete SelectedItem(ListConds);
}

void TFormSetQuery::PopSaveClick()
{
    std::string base = WithoutExtension(tableName_);
    if (base.find('/') == std::string::npos && base.find('\\') == std::string::npos) {
        std::string folder = fs::current_path().string();
        if (UiServices().SelectDirectory("Select directory", folder))
            base = WithTrailingSlash(folder) + base;
    }
    const std::string fileName = FreeSqlFileName(base + "_");
    TStringList lines;
    for (const std::string& line : SqlLines())
        lines.Add(line);
    lines.SaveToFile(fileName);
    UiServices().ShowInformation(Text(100) + " " + fs::absolute(fileName).lexically_normal().string());
}

void TFormSetQuery::PopLoadClick()
{
    if (!UiServices().OpenFileDialog(OpenDlg))
        return;
    TStringList lines;
    lines.LoadFromFile(OpenDlg.FileName);
    std::vector<std::string> loaded;
    for (int i = 0; i < lines.Count(); ++i)
        loaded.push_back(lines[i]);
    SetSqlLines(loaded);
}

void TFormSetQuery::PopOrderByClick() { AppendSqlLine(OrderByLine(SelectedAttribute())); }

void TFormSetQuery::ListFieldsDblClick() { CopyToClipboard(ListFields); }
void TFormSetQuery::ListValsDblClick() { CopyToClipboard(ListVals); }

void TFormSetQuery::BtnMemosClick()
{
    ListFields->clearSelection();
    PanelMemo->move(PanelMemo->x(), ListFields->y());
    PanelMemo->show();
    PanelMemo->raise();
    BtnMemos->hide();
}

void TFormSetQuery::BtnMemoCloseClick()
{
    ListMemos->clearSelection();
    PanelMemo->hide();
    BtnMemos->show();
}

void TFormSetQuery::BtnShowTableClick()
{
    if (TableShown()) {
        Table.Close();
        DS_table.SetDataSet(nullptr);
        SetCaption(BtnShowTable, Text(90));
    } else {
        DS_table.SetDataSet(&Table);
        Table.Open();
        SetCaption(BtnShowTable, Text(40));
    }
    FormResize(false);
}

void TFormSetQuery::CBtablesChange()
{
    Table.Close();
    Table.SetTableName(CBtables->currentText().toStdString());
    Table.Open();
}

void TFormSetQuery::FormResize(bool byUser)
{
    if (layingOut_)
        return;
    layingOut_ = true;
    const int client = width();
    if (byUser && rememberedHeight_ > 0)
        MemoSQL->resize(MemoSQL->width(), std::max(kMinMemoHeight, MemoSQL->height() + height() - rememberedHeight_));
    MemoSQL->resize(std::max(kMinMemoHeight, client - 2 * kMargin - kSideColumn), MemoSQL->height());
    const int side = MemoSQL->x() + MemoSQL->width() + kMargin;
    for (QPushButton* button : {BtnOK, BtnCancel, BtnShowTable})
        button->move(side, button->y());
    const int panelTop = MemoSQL->y() + MemoSQL->height() + 5;
    PanelTable->setGeometry(kMargin, panelTop, client - 2 * kMargin, kTablePanelHeight);
    DBGrid->resize(PanelTable->width(), DBGrid->height());
    PanelTable->setVisible(TableShown());
    resize(client, panelTop + (TableShown() ? kTablePanelHeight : 0));
    rememberedHeight_ = height();
    layingOut_ = false;
}

void TFormSetQuery::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    FormResize(true);
}

bool TFormSetQuery::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == MemoSQL->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        RunHandler([this] { MemoSQLDblClick(); });
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

bool TFormSetQuery::RunSQL()
{
    Query.Close();
    Query.SQL().Clear();
    const TSqlRunText run = SqlRunText(SqlLines());
    if (run.MemoLines != SqlLines())
        SetSqlLines(run.MemoLines);
    for (const std::string& line : run.QueryLines)
        Query.SQL().Add(line);
    try {
        if (run.HasParameters) {
            Query.Prepare();  // kept for use elsewhere; a query with parameters never opens here
            return false;
        }
        Query.RequestLive = CB_RequestLive->isChecked();
        Query.Open();
    } catch (const ESqlLimitError& error) {
        UiServices().ShowWarning(error.Message());  // why it stopped; the builder then asks as for any failure
        return false;
    } catch (const std::exception&) {
        return false;  // the builder asks whether to return to it
    }
    return Query.Active();
}

// ---- Running the builder ----------------------------------------------------------------------

namespace {
// A dialog without owner comes up centred on the screen.
bool ShowBuilder(TFormSetQuery& form) { return form.exec() == QDialog::Accepted; }

int Cancelled()
{
    delete FormSetQuery;
    FormSetQuery = nullptr;
    return -1;
}
}  // namespace

int ExecuteQueryBuilder(const std::string& databaseName, const std::string& tableName, const TStringList* sqlLines,
                        std::uint16_t language, bool autoRun, std::string& fieldList)
{
    FormSetQuery = new TFormSetQuery;
    return RunQueryBuilder(databaseName, tableName, sqlLines, language, autoRun, fieldList);
}

int RunQueryBuilder(const std::string& databaseName, const std::string& tableName, const TStringList* sqlLines,
                    std::uint16_t language, bool autoRun, std::string& fieldList)
{
    TFormSetQuery& form = *FormSetQuery;
    form.ApplyLanguage(language);
    form.SetDatabaseAndTable(databaseName, tableName);
    form.EditQueryFields->setText(QText(fieldList));
    if (sqlLines) {
        std::vector<std::string> lines;
        for (int i = 0; i < sqlLines->Count(); ++i)
            lines.push_back((*sqlLines)[i]);
        form.SetSqlLines(lines);
    }
    form.BtnOK->setEnabled(sqlLines != nullptr);
    bool confirmed = autoRun && form.BtnOK->isEnabled() ? true : ShowBuilder(form);
    form.Table.Close();
    while (true) {
        if (!confirmed)
            return Cancelled();
        if (form.RunSQL())
            break;
        if (UiServices().MessageDlg(form.Text(20) + ".", TMsgDlgType::mtWarning, mbOKCancel) != mrOk)
            return Cancelled();
        confirmed = ShowBuilder(form);
    }
    fieldList = form.EditQueryFields->text().toStdString();
    return form.Query.Active() ? form.Query.RecordCount() : 0;
}

void ReleaseQueryBuilder(QObject* builder)
{
    auto* form = qobject_cast<TFormSetQuery*>(builder);
    if (!form)
        return;
    if (form->Query.Active())
        form->Query.Close();
    delete form;
}
