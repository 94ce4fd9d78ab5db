#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <algorithm>
#include <filesystem>
#include <optional>

#include "app/FInfo.h"
#include "app/FSetQuery.h"
#include "app/FSetRelation.h"
#include "app/FTable.h"
#include "app/ULng.h"
#include "app/support_Dialogs.h"
#include "app/support_MainForm.h"
#include "platform/core/DateTime.h"
#include "platform/core/NumText.h"
#include "platform/db/Database.h"
#include "platform/db/SqlEngine.h"
#include "platform/ui/DBNavigator.h"
#include "platform/ui/ScriptedUiServices.h"

namespace {

namespace fs = std::filesystem;

const std::string kShippedFolder = std::string(QB_TEST_DATA) + "/../../resources/common/";
const std::string kTable = "data.dbf";

using Lines = std::vector<std::string>;

// A record of the sample table; empty optionals are NULL.
struct Sample {
    int id;
    std::optional<int> count;
    const char* name;
    std::optional<double> size;
    std::optional<TDateTime> seen;
    std::optional<bool> ok;
    const char* time;
    const char* note;
};

const Sample kSamples[] = {
    {1, 1, "Anna", 2.5, EncodeDate(2024, 1, 5), true, "10:30", "first"},
    {2, 5, "Bohumil", -10.25, EncodeDate(1999, 12, 31), false, "08:00", nullptr},
    {3, 3, "O'Brien", 7, EncodeDate(2020, 6, 15), true, nullptr, "third"},
    {4, std::nullopt, nullptr, std::nullopt, std::nullopt, std::nullopt, nullptr, nullptr},
    {5, 0, "Karel", 2.5, EncodeDate(2024, 1, 5), false, "10:30", nullptr},
};

void WriteSampleTable(const std::string& path)
{
    TTable table;
    table.SetTableName(path);
    TFieldDefs& defs = table.FieldDefs();
    defs.Add("ID", ftInteger).Precision = 4;
    defs.Add("COUNT", ftInteger).Precision = 4;
    defs.Add("NAME", ftString, 20);
    defs.Add("SIZE", ftFloat, 2).Precision = 8;
    defs.Add("SEEN", ftDate);
    defs.Add("OK", ftBoolean);
    defs.Add("TIME", ftString, 5);
    defs.Add("NOTE", ftMemo);
    table.CreateTable();
    table.Open();
    for (const Sample& s : kSamples) {
        table.Append();
        table.FieldByName("ID").SetAsInteger(s.id);
        if (s.count) table.FieldByName("COUNT").SetAsInteger(*s.count);
        if (s.name) table.FieldByName("NAME").SetAsString(s.name);
        if (s.size) table.FieldByName("SIZE").SetAsFloat(*s.size);
        if (s.seen) table.FieldByName("SEEN").SetAsDateTime(*s.seen);
        if (s.ok) table.FieldByName("OK").SetAsBoolean(*s.ok);
        if (s.time) table.FieldByName("TIME").SetAsString(s.time);
        if (s.note) table.FieldByName("NOTE").SetAsString(s.note);
        table.Post();
    }
    table.Close();
}

// Each record as its field texts joined by ',' (invariant number and date texts).
Lines RowsOf(TDataSet& dataSet)
{
    Lines rows;
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) {
        std::string row;
        for (int i = 0; i < dataSet.FieldCount(); ++i)
            row += (i ? "," : "") + dataSet.Fields().Fields(i).AsString();
        rows.push_back(row);
    }
    return rows;
}

Lines Sorted(Lines rows)
{
    std::sort(rows.begin(), rows.end());
    return rows;
}

Lines ItemsOf(const QListWidget* list)
{
    Lines items;
    for (int row = 0; row < list->count(); ++row) items.push_back(list->item(row)->text().toStdString());
    return items;
}

void SelectItems(QListWidget* list, const Lines& texts)
{
    list->clearSelection();
    for (const std::string& text : texts) {
        const auto found = list->findItems(QString::fromStdString(text), Qt::MatchExactly);
        ASSERT_FALSE(found.isEmpty()) << text;
        found.front()->setSelected(true);
        list->setCurrentItem(found.front(), QItemSelectionModel::Select);
    }
}

// The sample table in a fresh folder, the "collection" database on that folder, invariant
// number and date texts, the shipped language files and a scripted UI.
class QueryBuilderTest : public testing::Test {
protected:
    QueryBuilderTest() : scope_(ui_)
    {
        SetFormatSettings(TFormatSettings::Invariant());
        CommonDirectory = kShippedFolder;
        WriteSampleTable(dir_.file(kTable));
        database_.SetDatabaseName("collection");
        database_.LoginPrompt = false;
        database_.Params.Add("PATH=" + dir_.path().string());
    }
    ~QueryBuilderTest() override
    {
        CloseTableWindows();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        delete FormSetQuery;
        EXPECT_EQ(ui_.Pending(), 0) << "a scripted answer was not asked for";
        EXPECT_TRUE(ui_.Failures().empty()) << ui_.Failures().front();
        FreeLngModules();
        CommonDirectory.clear();
        SetFormatSettings(TFormatSettings::Invariant());
    }

    // The rows the SQL lines give on the sample table, parameters set by name.
    Lines Run(const Lines& sql, const std::vector<std::pair<std::string, Variant>>& params = {})
    {
        TQuery query;
        query.SetDatabaseName("collection");
        for (const std::string& line : sql) query.SQL().Add(line);
        for (const auto& [name, value] : params) query.ParamByName(name).SetValue(value);
        query.Open();
        return RowsOf(query);
    }

    // A builder as ExecuteQueryBuilder sets it up, not shown.
    TFormSetQuery& Builder()
    {
        FormSetQuery = new TFormSetQuery;
        FormSetQuery->ApplyLanguage(409);
        FormSetQuery->SetDatabaseAndTable("collection", kTable);
        return *FormSetQuery;
    }

    void AnswerWarnings(int count)
    {
        for (int i = 0; i < count; ++i) ui_.Push(TUiAnswer::Press(mrOk));
    }

    std::vector<std::string> Messages() const
    {
        std::vector<std::string> texts;
        for (const TUiCall& call : ui_.Log())
            if (call.Kind == TUiCallKind::Message) texts.push_back(call.Text);
        return texts;
    }

    qbtest::TempDir dir_;
    TDatabase database_;
    TScriptedUiServices ui_;
    TScopedUiServices scope_;
};

// ---- The SQL text of builder states, each run on the sample table ------------------------------

struct SqlCase {
    const char* name;
    std::string fields;
    bool distinct;
    Lines conditions;
    Lines sql;
    Lines rows;  // in any order
    std::vector<std::pair<std::string, Variant>> params = {};
};

std::string Cond(const std::string& attribute, TQueryOperator op, const Lines& values, bool quoted = true)
{
    const TConditionResult result = ValueCondition(attribute, op, values, quoted);
    EXPECT_EQ(result.Warning, 0) << attribute;
    return result.Condition;
}

std::string Param(const std::string& attribute, TQueryOperator op)
{
    const TConditionResult result = ParamCondition(attribute, op);
    EXPECT_EQ(result.Warning, 0) << attribute;
    return result.Condition;
}

std::vector<SqlCase> SqlCases()
{
    return {
        {"all fields", "*", false, {}, {"SELECT * FROM 'data.dbf'"},
         {"1,1,Anna,2.5,1/5/2024,True,10:30,first", "2,5,Bohumil,-10.25,12/31/1999,False,08:00,",
          "3,3,O'Brien,7,6/15/2020,True,,third", "4,,,,,,,", "5,0,Karel,2.5,1/5/2024,False,10:30,"}},
        {"distinct", "SIZE", true, {}, {"SELECT DISTINCT SIZE FROM 'data.dbf'"}, {"", "-10.25", "2.5", "7"}},
        {"field list", "ID,NAME", false, {Cond("NAME", qoEqual, {"Anna"})},
         {"SELECT ID,NAME FROM 'data.dbf'", "WHERE (NAME='Anna')"}, {"1,Anna"}},
        {"less", "ID", false, {Cond("SIZE", qoLess, {"2.5"}, false)},
         {"SELECT ID FROM 'data.dbf'", "WHERE (SIZE<2.5)"}, {"2"}},
        {"less or equal", "ID", false, {Cond("SIZE", qoLessEqual, {"2.5"}, false)},
         {"SELECT ID FROM 'data.dbf'", "WHERE (SIZE<=2.5)"}, {"1", "2", "5"}},
        {"not equal", "ID", false, {Cond("NAME", qoNotEqual, {"Anna"})},
         {"SELECT ID FROM 'data.dbf'", "WHERE (NAME<>'Anna')"}, {"2", "3", "5"}},
        {"greater or equal, a date", "ID", false, {Cond("SEEN", qoGreaterEqual, {"1/5/2024"})},
         {"SELECT ID FROM 'data.dbf'", "WHERE (SEEN>='1/5/2024')"}, {"1", "5"}},
        {"greater", "ID", false, {Cond("ID", qoGreater, {"3"}, false)},
         {"SELECT ID FROM 'data.dbf'", "WHERE (ID>3)"}, {"4", "5"}},
        {"like", "ID", false, {Cond("NAME", qoLike, {"K"})},
         {"SELECT ID FROM 'data.dbf'", "WHERE (NAME LIKE 'K%')"}, {"5"}},
        {"between", "ID", false, {Cond("ID", qoBetween, {"2", "4"}, false)},
         {"SELECT ID FROM 'data.dbf'", "WHERE (ID BETWEEN 2 AND 4)"}, {"2", "3", "4"}},
        {"in", "ID", false, {Cond("NAME", qoIn, {"Anna", "Karel"})},
         {"SELECT ID FROM 'data.dbf'", "WHERE (NAME IN ('Anna','Karel'))"}, {"1", "5"}},
        {"is null", "ID", false, {Cond("SIZE", qoIsNull, {})},
         {"SELECT ID FROM 'data.dbf'", "WHERE (SIZE IS NULL)"}, {"4"}},
        {"memo is null", "ID", false, {MemoCondition("NOTE", true)},
         {"SELECT ID FROM 'data.dbf'", "WHERE (NOTE is NULL)"}, {"2", "4", "5"}},
        {"memo is not null", "ID", false, {MemoCondition("NOTE", false)},
         {"SELECT ID FROM 'data.dbf'", "WHERE (NOTE is not NULL)"}, {"1", "3"}},
        {"relation", "ID", false, {RelationCondition("ID", "COUNT")},
         {"SELECT ID FROM 'data.dbf'", "WHERE (ID=COUNT)"}, {"1", "3"}},
        {"a logical value", "ID", false, {Cond("OK", qoEqual, {"True"}, false)},
         {"SELECT ID FROM 'data.dbf'", "WHERE (OK=True)"}, {"1", "3"}},
        {"two conditions, distinct", "SIZE,OK", true, {Cond("SIZE", qoEqual, {"2.5"}, false), Cond("TIME", qoEqual, {"10:30"})},
         {"SELECT DISTINCT SIZE,OK FROM 'data.dbf'", "WHERE ((SIZE=2.5) AND (TIME='10:30'))"}, {"2.5,False", "2.5,True"}},
        {"three conditions", "ID", false,
         {Cond("SIZE", qoGreater, {"0"}, false), MemoCondition("NOTE", false), Cond("NAME", qoLike, {"O'"})},
         {"SELECT ID FROM 'data.dbf'", "WHERE ((SIZE>0) AND (NOTE is not NULL) AND (NAME LIKE 'O''%'))"}, {"3"}},
        {"a quote in a value", "ID", false, {Cond("NAME", qoEqual, {"O'Brien"})},
         {"SELECT ID FROM 'data.dbf'", "WHERE (NAME='O''Brien')"}, {"3"}},
        {"a value that tries to widen the condition", "ID", false, {Cond("NAME", qoEqual, {"x' OR '1'='1"})},
         {"SELECT ID FROM 'data.dbf'", "WHERE (NAME='x'' OR ''1''=''1')"}, {}},
        {"a parameter", "ID", false, {Param("ID", qoGreaterEqual)},
         {"SELECT ID FROM 'data.dbf'", "WHERE (ID>=:ID_)"}, {"3", "4", "5"}, {{"ID_", Variant::Integer(3)}}},
        {"parameters of between", "ID", false, {Param("ID", qoBetween)},
         {"SELECT ID FROM 'data.dbf'", "WHERE (ID BETWEEN :ID_1 AND :ID_2)"}, {"2", "3"},
         {{"ID_1", Variant::Integer(2)}, {"ID_2", Variant::Integer(3)}}},
        {"a parameter of like and a value", "ID", false, {Param("NAME", qoLike), Cond("OK", qoEqual, {"False"}, false)},
         {"SELECT ID FROM 'data.dbf'", "WHERE ((NAME LIKE :NAME_) AND (OK=False))"}, {"2"},
         {{"NAME_", Variant::String("B%")}}},
    };
}

TEST_F(QueryBuilderTest, SqlTextOfEachBuilderStateRunsWithTheExpectedRows)
{
    for (const SqlCase& c : SqlCases()) {
        SCOPED_TRACE(c.name);
        const Lines sql = QuerySqlText(c.fields, c.distinct, kTable, c.conditions);
        EXPECT_EQ(sql, c.sql);
        EXPECT_EQ(Sorted(Run(sql, c.params)), Sorted(c.rows));
    }
}

TEST_F(QueryBuilderTest, OrderByLineOrdersTheRows)
{
    Lines sql = QuerySqlText("ID", false, kTable, {Cond("ID", qoGreater, {"1"}, false)});
    sql.push_back(OrderByLine("NAME"));
    EXPECT_EQ(sql.back(), "order by NAME");
    EXPECT_EQ(OrderByLine(""), "order by");
    EXPECT_EQ(Run(sql), (Lines{"4", "2", "5", "3"}));  // NULL first
}

TEST(QueryBuilderConditions, SelectionsThatDoNotFitTheOperatorAnswerTheirWarning)
{
    struct Case {
        const char* name;
        std::string attribute;
        TQueryOperator op;
        Lines values;
        int warning;
        std::string condition;
    };
    const Case cases[] = {
        {"no attribute", "", qoEqual, {"1"}, 70, ""},
        {"no value", "A", qoLess, {}, 60, ""},
        {"like without value", "A", qoLike, {}, 60, ""},
        {"between with one value", "A", qoBetween, {"1"}, 50, ""},
        {"between with three values", "A", qoBetween, {"1", "2", "3"}, 50, ""},
        {"in without value", "A", qoIn, {}, 10, ""},
        {"in with one value", "A", qoIn, {"x"}, 0, "(A IN ('x'))"},
        {"is null takes no value", "A", qoIsNull, {"x"}, 0, "(A IS NULL)"},
        {"N writes a number bare", "A", qoEqual, {"-2.5"}, 0, "(A=-2.5)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TConditionResult result = ValueCondition(c.attribute, c.op, c.values, c.name[0] != 'N');
        EXPECT_EQ(result.Warning, c.warning);
        EXPECT_EQ(result.Condition, c.condition);
        EXPECT_EQ(result.Problem, "");
    }
    const std::tuple<std::string, TQueryOperator, int, std::string> params[] = {
        {"", qoEqual, 70, ""}, {"A", qoIn, 110, ""}, {"A", qoIsNull, 110, ""},
        {"A", qoNotEqual, 0, "(A<>:A_)"}, {"A", qoLike, 0, "(A LIKE :A_)"},
    };
    for (const auto& [attribute, op, warning, condition] : params) {
        const TConditionResult result = ParamCondition(attribute, op);
        EXPECT_EQ(result.Warning, warning) << condition;
        EXPECT_EQ(result.Condition, condition);
    }
}

// With "N" a value goes into the statement bare: only numbers (and the values of logical fields)
// may; anything else would become part of the statement, so the user is told instead.
TEST(QueryBuilderConditions, BareValuesMustBeNumbers)
{
    struct Case {
        TQueryOperator op;
        Lines values;
        std::string condition;  // "" when refused
    };
    const Case cases[] = {
        {qoEqual, {"7"}, "(A=7)"},
        {qoGreater, {"-10.25"}, "(A>-10.25)"},
        {qoLess, {"1e3"}, "(A<1e3)"},
        {qoEqual, {".5"}, "(A=.5)"},
        {qoEqual, {"True"}, "(A=True)"},
        {qoBetween, {"1", "5"}, "(A BETWEEN 1 AND 5)"},
        {qoIn, {"1", "2.5", "+3"}, "(A IN (1,2.5,+3))"},
        {qoEqual, {"1 OR 1=1"}, ""},
        {qoEqual, {"(SELECT count(*) FROM 'data.dbf')"}, ""},
        {qoGreaterEqual, {"1;DROP TABLE 'data.dbf'"}, ""},
        {qoEqual, {"Anna"}, ""},
        {qoEqual, {""}, ""},
        {qoEqual, {"1,5"}, ""},
        {qoBetween, {"1", "5 OR 1=1"}, ""},
        {qoIn, {"1", "2) OR (1=1"}, ""},
        {qoLike, {"1"}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.values.back());
        const TConditionResult result = ValueCondition("A", c.op, c.values, false);
        EXPECT_EQ(result.Condition, c.condition);
        EXPECT_EQ(result.Warning, 0);
        if (c.condition.empty())
            EXPECT_NE(result.Problem.find("is not a number"), std::string::npos) << result.Problem;
        else
            EXPECT_EQ(result.Problem, "");
    }
}

TEST(QueryBuilderText, ValueListQueryLeavesOutOnlyConditionsWithParameters)
{
    struct Case {
        const char* name;
        Lines conditions;
        Lines sql;
    };
    const Case cases[] = {
        {"no conditions", {}, {"SELECT DISTINCT NAME FROM 'data.dbf'", "ORDER BY NAME"}},
        {"only parameters", {"(A=:A_)"}, {"SELECT DISTINCT NAME FROM 'data.dbf'", "", "ORDER BY NAME"}},
        {"one plain", {"(A=:A_)", "(B=1)"}, {"SELECT DISTINCT NAME FROM 'data.dbf'", "WHERE (B=1)", "ORDER BY NAME"}},
        {"a time inside a literal is no parameter", {"(T='10:30')", "(B=1)"},
         {"SELECT DISTINCT NAME FROM 'data.dbf'", "WHERE ((T='10:30') AND (B=1))", "ORDER BY NAME"}},
    };
    for (const Case& c : cases) EXPECT_EQ(ValueListSql("NAME", kTable, c.conditions), c.sql) << c.name;
}

TEST(QueryBuilderText, FieldListTemplateAndQuoting)
{
    EXPECT_EQ(AddedToFieldList("*", "A"), "A");
    EXPECT_EQ(AddedToFieldList("", "A"), "A");
    EXPECT_EQ(AddedToFieldList("A", "B"), "A,B");
    EXPECT_EQ(TemplateSqlText("A,B", kTable), (Lines{"SELECT A,B FROM 'data.dbf'", "WHERE "}));
    EXPECT_TRUE(QuerySqlText("", true, kTable, {"(A=1)"}).empty());
    EXPECT_EQ(QuoteValue("it's", true), "'it''s'");
    EXPECT_EQ(QuoteValue("it's", false), "it's");
    EXPECT_EQ(QueryOperatorTexts(),
              (Lines{"=", "<", "<=", "<>", ">=", ">", " LIKE", " BETWEEN", " IN", " IS NULL"}));
}

TEST(QueryBuilderText, RunningSplitsTheFirstWhereAndFindsOnlyRealParameters)
{
    struct Case {
        const char* name;
        Lines memo;
        Lines memoAfter;
        Lines query;
        bool parameters;
    };
    const Case cases[] = {
        {"one line with WHERE", {"SELECT * FROM 'data.dbf' WHERE (ID=1)"},
         {"SELECT * FROM 'data.dbf' ", "WHERE (ID=1)"}, {"SELECT * FROM 'data.dbf' ", "WHERE (ID=1)"}, false},
        {"lower case where", {"select * from t where a=1"}, {"select * from t ", "where a=1"}, {"select * from t ", "where a=1"}, false},
        {"WHERE first on its line", {"SELECT *", "FROM t", "", "WHERE (A=:A_)"}, {"SELECT *", "FROM t", "", "WHERE (A=:A_)"},
         {"SELECT *", "FROM t", "WHERE (A=:A_)"}, true},
        {"a parameter on a later line", {"SELECT * FROM t", "WHERE (A=1)", "AND (B=:B_)"},
         {"SELECT * FROM t", "WHERE (A=1)", "AND (B=:B_)"}, {"SELECT * FROM t", "WHERE (A=1)", "AND (B=:B_)"}, true},
        {"a time in a literal", {"SELECT * FROM t", "WHERE (T='10:30')"}, {"SELECT * FROM t", "WHERE (T='10:30')"},
         {"SELECT * FROM t", "WHERE (T='10:30')"}, false},
        {"only the first WHERE splits", {"SELECT * FROM t WHERE a IN (SELECT b FROM u WHERE c=1)"},
         {"SELECT * FROM t ", "WHERE a IN (SELECT b FROM u WHERE c=1)"},
         {"SELECT * FROM t ", "WHERE a IN (SELECT b FROM u WHERE c=1)"}, false},
        {"no WHERE", {"SELECT ':x' FROM t", ""}, {"SELECT ':x' FROM t", ""}, {"SELECT ':x' FROM t"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TSqlRunText run = SqlRunText(c.memo);
        EXPECT_EQ(run.MemoLines, c.memoAfter);
        EXPECT_EQ(run.QueryLines, c.query);
        EXPECT_EQ(run.HasParameters, c.parameters);
    }
}

TEST(QueryBuilderFields, AttributeAndNumericTypes)
{
    for (TFieldType type : {ftString, ftSmallint, ftInteger, ftBoolean, ftFloat, ftDate, ftAutoInc})
        EXPECT_TRUE(IsAttributeFieldType(type)) << type;
    for (TFieldType type : {ftBlob, ftMemo, ftGraphic, ftFixedChar, ftWideString, ftLargeint, ftUnknown})
        EXPECT_FALSE(IsAttributeFieldType(type)) << type;
    EXPECT_TRUE(IsAttributeFieldType(TFieldType(30)));
    for (TFieldType type : {ftSmallint, ftInteger, ftWord, ftBoolean, ftFloat, ftCurrency, ftBCD, ftAutoInc})
        EXPECT_TRUE(IsNumericValueType(type)) << type;
    for (TFieldType type : {ftString, ftDate, ftTime, ftDateTime, ftBytes, ftMemo})
        EXPECT_FALSE(IsNumericValueType(type)) << type;
}

// ---- The form -----------------------------------------------------------------------------------

TEST_F(QueryBuilderTest, FormListsFieldsAndMemosAndCarriesItsTexts)
{
    TFormSetQuery& form = Builder();
    EXPECT_EQ(ItemsOf(form.ListFields), (Lines{"ID", "COUNT", "NAME", "SIZE", "SEEN", "OK", "TIME"}));
    EXPECT_EQ(ItemsOf(form.ListMemos), (Lines{"NOTE"}));
    EXPECT_FALSE(form.BtnMemos->isHidden());
    EXPECT_FALSE(form.Table.Active());
    EXPECT_EQ(form.CBtables->currentText(), "data.dbf");
    EXPECT_EQ(form.windowTitle(), "Query builder");
    EXPECT_EQ(form.BtnShowTable->text(), "Show table");
    EXPECT_EQ(form.PopSave->text(), "&Save");
    EXPECT_EQ(form.PopOrderBy->text(), "&Add ORDER BY");
    EXPECT_EQ(form.BtnRelation->toolTip(), "Add a relation of two fields");
    EXPECT_EQ(form.CBoper->currentText(), "=");
    EXPECT_TRUE(form.RB_Character->isChecked());
    EXPECT_FALSE(form.BtnOK->isEnabled());
    // Every control is known by its component name and has a name for assistive tools.
    for (QWidget* control : form.findChildren<QWidget*>()) {
        if (control->objectName().isEmpty() || control->objectName().startsWith("qt_")) continue;
        EXPECT_FALSE(control->accessibleName().isEmpty()) << control->objectName().toStdString();
    }
    for (const char* name : {"ListFields", "ListVals", "ListConds", "EditQueryFields", "MemoSQL", "CBoper", "RB_Number",
                             "RB_Character", "CBdistinct", "CB_RequestLive", "BtnConds", "BtnParamCond", "BtnRelation",
                             "BtnAddAtrib", "BtnSQL", "BtnMemos", "PanelMemo", "ListMemos", "RBmemo1", "RBmemo2",
                             "BtnMemoClose", "BtnShowTable", "PanelTable", "CBtables", "BtnOK", "BtnCancel"})
        EXPECT_NE(form.findChild<QWidget*>(name), nullptr) << name;
}

TEST_F(QueryBuilderTest, BuildingConditionsThroughTheFormAndRunningThem)
{
    TFormSetQuery& form = Builder();
    SelectItems(form.ListFields, {"NAME"});
    form.ListFieldsClick();
    EXPECT_EQ(ItemsOf(form.ListVals), (Lines{"", "Anna", "Bohumil", "Karel", "O'Brien"}));
    EXPECT_TRUE(form.RB_Character->isChecked());
    form.CBoper->setCurrentIndex(qoIn);
    SelectItems(form.ListVals, {"Anna", "O'Brien"});
    form.BtnCondsClick();
    // The value list of another field follows the condition.
    SelectItems(form.ListFields, {"SIZE"});
    form.ListFieldsClick();
    EXPECT_EQ(ItemsOf(form.ListVals), (Lines{"2.5", "7"}));
    EXPECT_TRUE(form.RB_Number->isChecked());
    form.BtnAddAtribClick();
    SelectItems(form.ListFields, {"ID"});
    form.BtnAddAtribClick();
    EXPECT_EQ(form.EditQueryFields->text(), "SIZE,ID");
    form.EditQueryFields->setText("ID,SIZE");
    form.BtnSQLClick();
    EXPECT_EQ(form.SqlLines(), (Lines{"SELECT ID,SIZE FROM 'data.dbf'", "WHERE (NAME IN ('Anna','O''Brien'))"}));
    EXPECT_TRUE(form.BtnOK->isEnabled());
    ASSERT_TRUE(form.RunSQL());
    EXPECT_EQ(RowsOf(form.Query), (Lines{"1,2.5", "3,7"}));
    EXPECT_FALSE(form.Query.CanModify());
    EXPECT_TRUE(Messages().empty());
}

// Texts of a character field with "N" chosen by hand: the user is told, no condition is added.
TEST_F(QueryBuilderTest, TextValuesWithNumberChosenAreRefused)
{
    TFormSetQuery& form = Builder();
    SelectItems(form.ListFields, {"NAME"});
    form.ListFieldsClick();
    form.RB_Number->setChecked(true);
    SelectItems(form.ListVals, {"Anna"});
    AnswerWarnings(1);
    form.BtnCondsClick();
    EXPECT_EQ(Messages(), (Lines{"The value 'Anna' is not a number. Choose C to compare it as a text."}));
    EXPECT_EQ(form.ListConds->count(), 0);
    form.RB_Character->setChecked(true);
    form.BtnCondsClick();
    EXPECT_EQ(form.Conditions(), (Lines{"(NAME='Anna')"}));
}

TEST_F(QueryBuilderTest, WarningsOfTheFormUseTheLanguageTexts)
{
    TFormSetQuery& form = Builder();
    AnswerWarnings(5);
    form.BtnCondsClick();  // no attribute
    SelectItems(form.ListFields, {"ID"});
    form.BtnCondsClick();  // no value
    form.CBoper->setCurrentIndex(qoIn);
    form.BtnParamCondClick();
    form.EditQueryFields->clear();
    form.BtnSQLClick();
    form.MemoSQLDblClick();
    EXPECT_EQ(Messages(), (Lines{"Select a field.", "Select a value.", "Parameters can't be used with IN or IS NULL.",
                                 "The field list is empty.", "The field list is empty."}));
    EXPECT_EQ(form.ListConds->count(), 0);
}

TEST_F(QueryBuilderTest, NumbersInTheValueListAreWrittenWithADotInAnyLocale)
{
    TFormatSettings czech = TFormatSettings::Invariant();
    czech.DecimalSeparator = ',';
    czech.DateSeparator = '.';
    czech.ShortDateFormat = "d.M.yyyy";
    SetFormatSettings(czech);
    TFormSetQuery& form = Builder();
    SelectItems(form.ListFields, {"SIZE"});
    form.ListFieldsClick();
    EXPECT_EQ(ItemsOf(form.ListVals), (Lines{"", "-10.25", "2.5", "7"}));
    SelectItems(form.ListVals, {"-10.25"});
    form.BtnCondsClick();
    SelectItems(form.ListFields, {"SEEN"});
    form.ListFieldsClick();
    EXPECT_TRUE(form.RB_Character->isChecked());
    form.CBoper->setCurrentIndex(qoLessEqual);
    ASSERT_EQ(ItemsOf(form.ListVals), (Lines{"31.12.1999"}));  // under the first condition
    SelectItems(form.ListVals, {"31.12.1999"});
    form.BtnCondsClick();
    EXPECT_EQ(form.Conditions(), (Lines{"(SIZE=-10.25)", "(SEEN<='31.12.1999')"}));
    form.EditQueryFields->setText("ID");
    form.BtnSQLClick();
    ASSERT_TRUE(form.RunSQL());
    EXPECT_EQ(RowsOf(form.Query), (Lines{"2"}));
}

TEST_F(QueryBuilderTest, MemoConditionsAndRelationsFromTheirPanels)
{
    TFormSetQuery& form = Builder();
    form.BtnMemosClick();
    EXPECT_FALSE(form.PanelMemo->isHidden());
    EXPECT_TRUE(form.BtnMemos->isHidden());
    AnswerWarnings(1);
    form.BtnCondsClick();  // no memo chosen
    SelectItems(form.ListMemos, {"NOTE"});
    form.RBmemo1->setChecked(true);
    form.BtnCondsClick();
    form.BtnAddAtribClick();
    form.BtnMemoCloseClick();
    EXPECT_TRUE(form.PanelMemo->isHidden());
    EXPECT_TRUE(form.ListMemos->selectedItems().isEmpty());
    qbtest::WhenDialogShows<TFormSetRelation>([](TFormSetRelation& picker) {
        EXPECT_EQ(picker.windowTitle().toStdString(), "Nastavení relace (rovnosti)");
        SelectItems(picker.ListBox1, {"ID"});
        EXPECT_FALSE(picker.BtnOK->isEnabled());
        SelectItems(picker.ListBox2, {"COUNT"});
        EXPECT_TRUE(picker.BtnOK->isEnabled());
        picker.BtnOK->click();
    });
    form.BtnRelationClick();
    qbtest::WhenDialogShows<TFormSetRelation>([](TFormSetRelation& picker) { picker.BtnCancel->click(); });
    form.BtnRelationClick();
    EXPECT_EQ(form.Conditions(), (Lines{"(NOTE is NULL)", "(ID=COUNT)"}));
    EXPECT_EQ(form.EditQueryFields->text(), "NOTE");
    EXPECT_EQ(Messages(), (Lines{"Select a field."}));
    form.EditQueryFields->setText("ID");
    form.BtnSQLClick();
    ASSERT_TRUE(form.RunSQL());
    EXPECT_TRUE(RowsOf(form.Query).empty());  // row 3 has a note, row 1 too
}

TEST_F(QueryBuilderTest, EditingAConditionByItsAnswer)
{
    struct Case {
        const char* name;
        TUiAnswer answer;
        Lines after;
    };
    const Case cases[] = {
        {"an empty answer deletes", TUiAnswer::Input(""), {"(B=2)"}},
        {"a different answer replaces", TUiAnswer::Input("(A=3)"), {"(A=3)", "(B=2)"}},
        {"the same answer keeps", TUiAnswer::Input("(A=1)"), {"(A=1)", "(B=2)"}},
        {"a cancelled box keeps", TUiAnswer::Cancel(TUiCallKind::Input), {"(A=1)", "(B=2)"}},
    };
    TFormSetQuery& form = Builder();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        form.ListConds->clear();
        form.ListConds->addItems({"(A=1)", "(B=2)"});
        SelectItems(form.ListConds, {"(A=1)"});
        ui_.Push(c.answer);
        form.PopEditClick();
        EXPECT_EQ(form.Conditions(), c.after);
        EXPECT_EQ(ui_.Log().back().Caption, "Edit condition");
        EXPECT_EQ(ui_.Log().back().Default, "(A=1)");
    }
    SelectItems(form.ListConds, {"(B=2)"});
    form.PopDeleteClick();
    EXPECT_EQ(form.Conditions(), (Lines{"(A=1)"}));
}

TEST_F(QueryBuilderTest, MemoTemplateOrderByAndOperatorSelectionMode)
{
    TFormSetQuery& form = Builder();
    form.EditQueryFields->setText("ID,NAME");
    form.MemoSQLDblClick();
    EXPECT_EQ(form.SqlLines(), (Lines{"SELECT ID,NAME FROM 'data.dbf'", "WHERE "}));
    SelectItems(form.ListFields, {"NAME"});
    form.PopOrderByClick();
    EXPECT_EQ(form.SqlLines().back(), "order by NAME");
    for (int op = qoEqual; op <= qoIsNull; ++op) {
        form.CBoper->setCurrentIndex(op);
        const bool several = op == qoBetween || op == qoIn;
        EXPECT_EQ(form.ListVals->selectionMode(),
                  several ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection) << op;
    }
    form.ListFieldsDblClick();
    EXPECT_EQ(QApplication::clipboard()->text(), "NAME");
}

TEST_F(QueryBuilderTest, ATimeInsideALiteralRunsAndARealParameterOnlyPrepares)
{
    TFormSetQuery& form = Builder();
    form.SetSqlLines({"SELECT ID FROM 'data.dbf' WHERE (TIME='10:30')"});
    ASSERT_TRUE(form.RunSQL());
    EXPECT_EQ(form.SqlLines(), (Lines{"SELECT ID FROM 'data.dbf' ", "WHERE (TIME='10:30')"}));
    EXPECT_EQ(RowsOf(form.Query), (Lines{"1", "5"}));
    EXPECT_FALSE(form.Query.CanModify());
    form.CB_RequestLive->setChecked(true);
    ASSERT_TRUE(form.RunSQL());
    EXPECT_TRUE(form.Query.CanModify());
    // The time also stays in the value-list query of another field.
    form.ListConds->addItem("(TIME='10:30')");
    SelectItems(form.ListFields, {"NAME"});
    form.ListFieldsClick();
    EXPECT_EQ(ItemsOf(form.ListVals), (Lines{"Anna", "Karel"}));

    form.SetSqlLines({"SELECT ID FROM 'data.dbf'", "WHERE (ID>=:ID_)"});
    EXPECT_FALSE(form.RunSQL());
    EXPECT_FALSE(form.Query.Active());
    EXPECT_TRUE(form.Query.Prepared());
    EXPECT_EQ(form.Query.Params().Count(), 1);
    form.SetSqlLines({"SELECT NOSUCH FROM 'data.dbf'"});
    EXPECT_FALSE(form.RunSQL());
}

TEST_F(QueryBuilderTest, ValueListAsksAfterEveryThousandValues)
{
    TTable table;
    table.SetTableName(dir_.file("many.dbf"));
    table.FieldDefs().Add("N", ftInteger).Precision = 5;
    table.CreateTable();
    table.Open();
    for (int i = 1; i <= 2001; ++i) {
        table.Append();
        table.FieldByName("N").SetAsInteger(i);
        table.Post();
    }
    table.Close();
    TFormSetQuery& form = *(FormSetQuery = new TFormSetQuery);
    form.ApplyLanguage(409);
    form.SetDatabaseAndTable("collection", "many.dbf");
    SelectItems(form.ListFields, {"N"});
    ui_.Push(TUiAnswer::Press(mrNo));
    form.ListFieldsClick();
    EXPECT_EQ(form.ListVals->count(), 1000);
    ui_.Push(TUiAnswer::Press(mrYes));
    ui_.Push(TUiAnswer::Press(mrYes));
    form.ListFieldsClick();
    EXPECT_EQ(form.ListVals->count(), 2001);
    EXPECT_EQ(Messages(), (Lines{"More then 1000 values in the list. Continue?", "More then 1000 values in the list. Continue?",
                                 "More then 2000 values in the list. Continue?"}));
}

// ---- Saved queries ------------------------------------------------------------------------------

TEST_F(QueryBuilderTest, SavingTwiceWritesNumberedFilesAndLoadingRestoresTheText)
{
    TFormSetQuery& form = Builder();
    const Lines text{"SELECT NAME FROM 'data.dbf'", "WHERE (NAME='Říha')"};
    form.SetSqlLines(text);
    const std::string folder = dir_.file("saved");
    fs::create_directory(folder);
    for (int i = 0; i < 2; ++i) {
        ui_.Push(TUiAnswer::Directory(folder));
        ui_.Push(TUiAnswer::Press(mrOk));
        form.PopSaveClick();
    }
    EXPECT_EQ(Messages(), (Lines{"The query was saved to " + folder + "/data_0.sql", "The query was saved to " + folder + "/data_1.sql"}));
    // ANSI text with CR LF line ends.
    EXPECT_EQ(qbtest::ReadFileBytes(folder + "/data_1.sql"), "SELECT NAME FROM 'data.dbf'\r\nWHERE (NAME='\xD8\xEDha')\r\n");
    form.SetSqlLines({});
    EXPECT_FALSE(form.BtnOK->isEnabled());
    ui_.Push(TUiAnswer::OpenFile(folder + "/data_0.sql"));
    form.PopLoadClick();
    EXPECT_EQ(form.SqlLines(), text);
    EXPECT_TRUE(form.BtnOK->isEnabled());
    EXPECT_EQ(ui_.Log().back().Caption, "Načíst dotaz");
    EXPECT_EQ(ui_.Log().back().Text, "Dotaz SQL|*.sql|Všechny soubory|*.*");
    ui_.Push(TUiAnswer::Cancel(TUiCallKind::OpenFile));
    form.PopLoadClick();
    EXPECT_EQ(form.SqlLines(), text);
}

TEST_F(QueryBuilderTest, SavingWithoutAFolderWritesIntoTheCurrentFolder)
{
    TFormSetQuery& form = Builder();
    form.SetSqlLines({"SELECT * FROM 'data.dbf'"});
    const fs::path previous = fs::current_path();
    fs::current_path(dir_.path());
    ui_.Push(TUiAnswer::Cancel(TUiCallKind::Directory));
    ui_.Push(TUiAnswer::Press(mrOk));
    form.PopSaveClick();
    fs::current_path(previous);
    EXPECT_EQ(qbtest::ReadFileBytes(dir_.file("data_0.sql")), "SELECT * FROM 'data.dbf'\r\n");
    EXPECT_EQ(Messages(), (Lines{"The query was saved to " + dir_.file("data_0.sql")}));
}

// ---- Running the builder ------------------------------------------------------------------------

TEST_F(QueryBuilderTest, AutoRunAnswersTheRecordCountAndKeepsTheBuilder)
{
    TStringList sql;
    sql.Add("SELECT ID,NAME FROM 'data.dbf' WHERE (SIZE=2.5)");
    std::string fields = "ID,NAME";
    EXPECT_EQ(ExecuteQueryBuilder("collection", kTable, &sql, 409, true, fields), 2);
    ASSERT_NE(FormSetQuery, nullptr);
    EXPECT_EQ(fields, "ID,NAME");
    EXPECT_EQ(FormSetQuery->DS_query.DataSet(), &FormSetQuery->Query);
    EXPECT_EQ(RowsOf(FormSetQuery->Query), (Lines{"1,Anna", "5,Karel"}));
    ReleaseQueryBuilder(FormSetQuery);
    EXPECT_EQ(FormSetQuery, nullptr);
    ReleaseQueryBuilder(nullptr);  // nothing to release
}

TEST_F(QueryBuilderTest, AFailingQueryAsksAndCancelFreesTheBuilder)
{
    TStringList sql;
    sql.Add("SELECT NOSUCH FROM 'data.dbf'");
    std::string fields = "*";
    ui_.Push(TUiAnswer::Press(mrCancel));
    EXPECT_EQ(ExecuteQueryBuilder("collection", kTable, &sql, 409, true, fields), -1);
    EXPECT_EQ(FormSetQuery, nullptr);
    EXPECT_EQ(fields, "*");
    EXPECT_EQ(Messages(), (Lines{"The query did not run; OK returns to the query builder."}));
    EXPECT_EQ(ui_.Log().back().Buttons, mbOKCancel);
}

// A query stopped at a bound says why (the builder then asks whether to return to it).
TEST_F(QueryBuilderTest, AQueryStoppedAtItsBoundSaysWhy)
{
    const TSqlLimits old = SqlLimits();
    TSqlLimits limits = old;
    limits.MemoryBytes = 32LL << 20;
    SetSqlLimits(limits);
    TFormSetQuery& form = Builder();
    form.SetSqlLines({"SELECT a.NAME, b.NAME, c.NAME, d.NAME, e.NAME, f.NAME, g.NAME, h.NAME, i.NAME, j.NAME FROM 'data.dbf' a,",
                      "'data.dbf' b, 'data.dbf' c, 'data.dbf' d, 'data.dbf' e, 'data.dbf' f, 'data.dbf' g, 'data.dbf' h, 'data.dbf' i, 'data.dbf' j"});
    AnswerWarnings(1);
    EXPECT_FALSE(form.RunSQL());
    SetSqlLimits(old);
    EXPECT_FALSE(form.Query.Active());
    EXPECT_EQ(Messages(), (Lines{"The query needs more memory than allowed (32 MB) and was stopped. Narrow it down, for instance "
                                 "with a WHERE condition."}));
}

TEST_F(QueryBuilderTest, ShownBuilderRunsWhatTheUserBuiltAndCancelAnswersMinusOne)
{
    qbtest::WhenDialogShows<TFormSetQuery>([](TFormSetQuery& form) {
        EXPECT_FALSE(form.BtnOK->isEnabled());
        form.EditQueryFields->setText("NAME");
        form.CBdistinct->setChecked(true);
        form.BtnSQL->click();
        form.BtnOK->click();
    });
    std::string fields = "*";
    EXPECT_EQ(ExecuteQueryBuilder("collection", kTable, nullptr, 409, false, fields), 5);
    EXPECT_EQ(fields, "NAME");
    ReleaseQueryBuilder(FormSetQuery);

    qbtest::WhenDialogShows<TFormSetQuery>([](TFormSetQuery& form) { form.BtnCancel->click(); });
    fields = "*";
    EXPECT_EQ(ExecuteQueryBuilder("collection", kTable, nullptr, 409, false, fields), -1);
    EXPECT_EQ(FormSetQuery, nullptr);
    EXPECT_EQ(fields, "*");
}

TEST_F(QueryBuilderTest, ShowTableTogglesTheBrowsePanelAndTheHeight)
{
    TFormSetQuery& form = Builder();
    form.show();
    const int height = form.height();
    form.BtnShowTableClick();
    EXPECT_TRUE(form.Table.Active());
    EXPECT_FALSE(form.PanelTable->isHidden());
    EXPECT_EQ(form.BtnShowTable->text(), "Hide table");
    EXPECT_EQ(form.height(), height + form.PanelTable->height());
    EXPECT_EQ(form.PanelTable->y(), form.MemoSQL->y() + form.MemoSQL->height() + 5);
    EXPECT_EQ(form.DBNavigator->VisibleButtons(),
              NavButtons({nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbPost, nbCancel, nbRefresh}));
    form.BtnShowTableClick();
    EXPECT_FALSE(form.Table.Active());
    EXPECT_TRUE(form.PanelTable->isHidden());
    EXPECT_EQ(form.BtnShowTable->text(), "Show table");
    EXPECT_EQ(form.height(), height);
    // A user's resize changes the SQL text's height, never below 80 pixels.
    const int memo = form.MemoSQL->height();
    form.resize(form.width(), height + 40);
    EXPECT_EQ(form.MemoSQL->height(), memo + 40);
    form.resize(form.width(), form.minimumHeight());
    EXPECT_EQ(form.MemoSQL->height(), 80);
}

// ---- The main window's SQL button -------------------------------------------------------------

TEST(MainWindowQueryBuilder, SqlButtonOpensAQueryWindowThatFreesTheBuilderWhenClosed)
{
    qbtest::MainFormHarness main;
    main.Modals.reset();
    for (const char* name : {"SetQuery409.lng", "NvgHint409.lng"})
        fs::copy_file(kShippedFolder + name, main.Dir.file(std::string("common/") + name));
    ASSERT_TRUE(main.Open(main.WriteDefinition("weather.ini", "[Weather]\ntext=Weather\nfn=WEATH\ntype=NUMERIC(2,0)\nfield=edit\n")));
    for (int weather : {1, 2, 2}) {
        main.Form->Table.Append();
        main.Form->Table.FieldByName("WEATH").SetAsInteger(weather);
        main.Form->Table.Post();
    }
    qbtest::WhenDialogShows<TFormSetQuery>([](TFormSetQuery& form) {
        EXPECT_EQ(form.TableName(), "weather.dbf");
        EXPECT_EQ(form.EditQueryFields->text(), "*");
        SelectItems(form.ListFields, {"WEATH"});
        form.ListFieldsClick();
        SelectItems(form.ListVals, {"2"});
        form.BtnConds->click();
        form.BtnSQL->click();
        form.BtnOK->click();
    });
    main.Form->TB_SQL->click();
    ASSERT_EQ(QueryTableWindows().size(), 1u);
    TFormTable* window = QueryTableWindows().front();
    ASSERT_NE(FormSetQuery, nullptr);
    EXPECT_EQ(FormSetQuery->SqlLines(), (Lines{"SELECT * FROM 'weather.dbf'", "WHERE (WEATH=2)"}));
    EXPECT_EQ(window->BoundDataSet(), &FormSetQuery->Query);
    EXPECT_EQ(window->DatabaseName(), "collection");
    EXPECT_EQ(window->LblCount->text(), "2");
    EXPECT_EQ(window->BtnDBcopy->text(), "DB copy");
    window->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(QueryTableWindows().empty());
    EXPECT_EQ(FormSetQuery, nullptr);

    // A query that finds nothing opens no window and keeps no builder.
    qbtest::WhenDialogShows<TFormSetQuery>([](TFormSetQuery& form) {
        form.SetSqlLines({"SELECT * FROM 'weather.dbf' WHERE WEATH=7"});
        form.BtnOK->click();
    });
    main.Form->TB_SQL->click();
    EXPECT_TRUE(QueryTableWindows().empty());
    EXPECT_EQ(FormSetQuery, nullptr);
}

}  // namespace
