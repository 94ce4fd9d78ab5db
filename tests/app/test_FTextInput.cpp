// Import from delimited text on a real table read back by dbfread: records found by their keys
// (and constant conditions) get the line's values; separators, no quoting, missing keys, short
// lines and a leading TAB; errors stop the import with earlier lines kept; the form's grid.
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QLineEdit>
#include <QApplication>
#include <QHeaderView>
#include <QTableWidget>
#include <gtest/gtest.h>

#include "app/FTextInput.h"
#include "support_Dialogs.h"
#include "support_TableTools.h"

using tabletest::TableToolTest;

namespace {

// ID N(6,0), YEAR N(4,0), NAME C(12), SIZE N(8,2); two records share ID 7.
std::vector<TDbfField> ImportFields()
{
    return {{"ID", 'N', 6, 0}, {"YEAR", 'N', 4, 0}, {"NAME", 'C', 12, 0}, {"SIZE", 'N', 8, 2}};
}

const std::vector<tabletest::Row> kRecords = {
    {"5", "2023", "Buk", "1"},
    {"7", "2023", "Dub", "2"},
    {"7", "2024", "Lipa", "3"},
};

TStringList Lines(std::initializer_list<const char*> texts)
{
    TStringList list;
    for (const char* text : texts) list.Add(text);
    return list;
}

const std::vector<TMapRow> kIdName = {{"ID", "P"}, {"NAME", ""}};
const std::vector<TMapRow> kIdNameSize = {{"ID", "P"}, {"NAME", ""}, {"SIZE", ""}};

class TextInputTest : public TableToolTest {
protected:
    TextInputTest() { MakeTable(ImportFields(), kRecords); }
};

TEST(SplitLine, ColumnsBySeparator)
{
    using Texts = std::vector<std::string>;
    struct Case {
        const char* line;
        char separator;
        int columns;
        Texts texts;
    };
    const Case cases[] = {
        {"7;Jasan", ';', 2, {"7", "Jasan"}},
        {"7   Jasan", ' ', 2, {"7", "Jasan"}},
        {"  7 Jasan  ", ' ', 2, {"7", "Jasan"}},
        {"7\tJasan\r", '\t', 2, {"7", "Jasan"}},
        {"\t7\tJasan", '\t', 3, {"", "7", "Jasan"}},           // a leading TAB is an empty column
        {"7\t\tJasan", '\t', 3, {"7", "", "Jasan"}},
        {"7;", ';', 3, {"7", ""}},                              // an empty second column, no third
        {"7", ';', 3, {"7"}},
        {"", ';', 2, {}},
        {"   ", ';', 2, {}},
        {"1;2;3;4", ';', 2, {"1", "2"}},                         // text after the last column is not used
        {"\"7;8\";x", ';', 3, {"\"7", "8\"", "x"}},              // no quoting: a separator always separates
        {" 7 ; x ", ';', 2, {"7 ", " x"}},
        {"a|b", '|', 2, {"a", "b"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SplitLine(c.line, c.separator, c.columns), c.texts) << c.line;
}

TEST(ImportMapping, RowKindsKeysAndConstants)
{
    EXPECT_EQ(MapRowKind("ID", "P"), TMapRowKind::Key);
    EXPECT_EQ(MapRowKind("ID", "x"), TMapRowKind::Key);
    EXPECT_EQ(MapRowKind("ID", "P:"), TMapRowKind::Constant);  // an empty constant
    EXPECT_EQ(MapRowKind("YEAR", "P:2024"), TMapRowKind::Constant);
    EXPECT_EQ(MapRowKind(".NULL.", ""), TMapRowKind::Skip);
    EXPECT_EQ(MapRowKind("", ""), TMapRowKind::Skip);
    EXPECT_EQ(MapRowKind("NAME", ""), TMapRowKind::Value);

    const TImportMapping mapping =
        BuildImportMapping({{"ID", "P"}, {"A", "P:1"}, {".NULL.", ""}, {"NAME", ""}, {"B", "P:x y"}, {"SUB", "P"}});
    EXPECT_EQ(mapping.KeyFields, "ID;SUB;B;A");
    ASSERT_EQ(mapping.Columns.size(), 4u);
    EXPECT_EQ(mapping.Columns[3].Field, "SUB");
    const auto keys = mapping.KeyValues({"9", "skip", "name", "s"});
    ASSERT_TRUE(keys);
    ASSERT_EQ(keys->size(), 4u);
    EXPECT_EQ((*keys)[1].StringValue(), "s");
    EXPECT_EQ((*keys)[2].StringValue(), "x y");
    EXPECT_FALSE(mapping.KeyValues({"9", "skip", "name"}));  // the line lacks the SUB column

    EXPECT_THROW(BuildImportMapping({{"NAME", ""}}), Exception);
    EXPECT_THROW(BuildImportMapping({{"YEAR", "P:2024"}, {"NAME", ""}}), Exception);
    EXPECT_THROW(BuildImportMapping({}), Exception);
}

TEST_F(TextInputTest, UpdatesTheRecordsTheLinesName)
{
    struct Case {
        const char* what;
        std::vector<TMapRow> rows;
        char separator;
        TStringList lines;
        int updated;
        std::vector<std::string> stored;
    };
    const std::vector<Case> cases = {
        {"semicolon", kIdName, ';', Lines({"5;Jasan"}), 1, {"5|2023|Jasan|1", "7|2023|Dub|2", "7|2024|Lipa|3"}},
        {"spaces", kIdName, ' ', Lines({"5   Jasan"}), 1, {"5|2023|Jasan|1", "7|2023|Dub|2", "7|2024|Lipa|3"}},
        {"other character", kIdNameSize, '|', Lines({"5|Jasan|4.5"}), 1,
         {"5|2023|Jasan|4.5", "7|2023|Dub|2", "7|2024|Lipa|3"}},
        {"first match of a key", kIdName, '\t', Lines({"7\tJilm"}), 1,
         {"5|2023|Buk|1", "7|2023|Jilm|2", "7|2024|Lipa|3"}},
        {"constant condition", {{"ID", "P"}, {"YEAR", "P:2024"}, {"NAME", ""}}, ';', Lines({"7;Jilm"}), 1,
         {"5|2023|Buk|1", "7|2023|Dub|2", "7|2024|Jilm|3"}},
        {"two keys", {{"YEAR", "P"}, {"ID", "P"}, {"NAME", ""}}, ';', Lines({"2024;7;Jilm", "2023;5;Tis"}), 2,
         {"5|2023|Tis|1", "7|2023|Dub|2", "7|2024|Jilm|3"}},
        {"skipped column", {{"ID", "P"}, {".NULL.", ""}, {"NAME", ""}}, ';', Lines({"5;ignored;Jasan"}), 1,
         {"5|2023|Jasan|1", "7|2023|Dub|2", "7|2024|Lipa|3"}},
        {"missing key and header line", kIdName, ';', Lines({"ID;NAME", "99;Nobody", "5;Jasan"}), 1,
         {"5|2023|Jasan|1", "7|2023|Dub|2", "7|2024|Lipa|3"}},
        {"keys match exactly", {{"NAME", "P"}, {"SIZE", ""}}, ';', Lines({"buk;9", "BUK;9", "Dub;8"}), 1,
         {"5|2023|Buk|1", "7|2023|Dub|8", "7|2024|Lipa|3"}},
        {"quotes are text", kIdName, ';', Lines({"\"5\";Jasan", "7;\"Jilm\""}), 1,
         {"5|2023|Buk|1", "7|2023|\"Jilm\"|2", "7|2024|Lipa|3"}},
        {"short line keeps the fields it does not reach", kIdNameSize, ';', Lines({"5;Jasan", "7"}), 2,
         {"5|2023|Jasan|1", "7|2023|Dub|2", "7|2024|Lipa|3"}},
        {"empty columns clear", kIdNameSize, ';', Lines({"5;;"}), 1, {"5|2023||", "7|2023|Dub|2", "7|2024|Lipa|3"}},
        {"line without its key column", {{"NAME", ""}, {"ID", "P"}}, ';', Lines({"Jasan", "", "Tis;5"}), 1,
         {"5|2023|Tis|1", "7|2023|Dub|2", "7|2024|Lipa|3"}},
        {"leading TAB is an empty first column", {{"SIZE", ""}, {"ID", "P"}, {"NAME", ""}}, '\t',
         Lines({"\t5\tJasan"}), 1, {"5|2023|Jasan|", "7|2023|Dub|2", "7|2024|Lipa|3"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MakeTable(ImportFields(), kRecords);
        EXPECT_EQ(RunTextImport(table_, BuildImportMapping(c.rows), c.lines, c.separator), c.updated);
        table_.Close();
        EXPECT_EQ(FileRows(), c.stored);
    }
}

TEST_F(TextInputTest, AValueTheFieldRefusesStopsTheImportAndKeepsEarlierLines)
{
    const TStringList lines = Lines({"5;Jasan;4", "7;Jilm;abc", "7;Tis;6"});
    EXPECT_THROW(RunTextImport(table_, BuildImportMapping(kIdNameSize), lines, ';'), Exception);
    EXPECT_EQ(table_.State(), dsBrowse);
    table_.Close();
    EXPECT_EQ(FileRows(), (std::vector<std::string>{"5|2023|Jasan|4", "7|2023|Dub|2", "7|2024|Lipa|3"}));

    table_.Open();
    EXPECT_THROW(RunTextImport(table_, BuildImportMapping({{"ID", "P"}, {"COLOUR", ""}}), Lines({"5;red"}), ';'),
                 Exception);
    EXPECT_THROW(RunTextImport(table_, BuildImportMapping({{"KEY", "P"}}), Lines({"5"}), ';'), Exception);
}

class TextInputFormTest : public TextInputTest {
protected:
    TextInputFormTest() { form_.LoadFile(WriteData("5;x\n")); }
    std::string WriteData(const std::string& bytes)
    {
        const std::string path = dir_.file("data.txt");
        qbtest::WriteFileBytes(path, bytes);
        return path;
    }
    void Select(const char* field)
    {
        const auto found = form_.ListBoxAttrib->findItems(field, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        form_.ListBoxAttrib->setCurrentItem(found[0]);
    }
    std::vector<std::pair<std::string, std::string>> Grid() const
    {
        std::vector<std::pair<std::string, std::string>> rows;
        for (const TMapRow& row : form_.MapRows()) rows.emplace_back(row.Field, row.Mark);
        return rows;
    }

    TFormTextInput form_{table_};
};

TEST_F(TextInputFormTest, AddButtonsFillTheGridOnceForEachField)
{
    using Rows = std::vector<std::pair<std::string, std::string>>;
    form_.BtnAdd1->click();  // no field selected: nothing
    EXPECT_EQ(Grid(), (Rows{{"", ""}}));
    Select("ID");
    form_.BtnAdd1->click();
    form_.BtnAdd2->click();  // ID stands in the grid already
    form_.BtnAdd3->click();
    form_.BtnAdd3->click();
    Select("NAME");
    form_.BtnAdd2->click();
    Select("YEAR");
    form_.EditCnd->setText("2024");
    form_.BtnAddC->click();
    EXPECT_TRUE(form_.EditCnd->text().isEmpty());
    EXPECT_EQ(Grid(), (Rows{{"ID", "P"}, {".NULL.", ""}, {".NULL.", ""}, {"NAME", ""}, {"YEAR", "P:2024"}}));

    form_.SelectGrid->setCurrentCell(1, 0);
    form_.BtnDel->click();
    EXPECT_EQ(Grid(), (Rows{{"ID", "P"}, {".NULL.", ""}, {"NAME", ""}, {"YEAR", "P:2024"}}));
    // A row moved by the user counts where it is shown.
    form_.SelectGrid->verticalHeader()->moveSection(2, 0);
    EXPECT_EQ(Grid(), (Rows{{"NAME", ""}, {"ID", "P"}, {".NULL.", ""}, {"YEAR", "P:2024"}}));
}

TEST_F(TextInputFormTest, LoadFileFillsTheListAndTheDataAndTheMarkColumnFollowsTheGrid)
{
    form_.LoadFile(WriteData("ID;NAME\r\n5;Jasan\r\n7;Jilm\r\n"));
    EXPECT_EQ(form_.ListBoxAttrib->count(), 4);
    EXPECT_EQ(form_.ListBoxAttrib->item(2)->text(), "NAME");
    EXPECT_EQ(form_.DataMemo->toPlainText(), "ID;NAME\n5;Jasan\n7;Jilm");
    EXPECT_EQ(form_.SelectGrid->columnWidth(0), 120);
    form_.show();
    form_.resize(700, 500);
    QApplication::processEvents();
    EXPECT_EQ(form_.SelectGrid->columnWidth(1), form_.SelectGrid->width() - 120 - 30);
}

TEST_F(TextInputFormTest, ImportFromTextFileRunsTheMappingOnTheEditedLines)
{
    const std::string path = WriteData("ID\tNAME\r\n5\tJasan\r\n7\tJilm\r\n");
    qbtest::WhenDialogShows<TFormTextInput>([this](TFormTextInput& form) {
        EXPECT_EQ(form.windowTitle().toStdString(), "Načtení dat z textového souboru");
        for (const char* field : {"ID", "NAME"}) {
            const auto found = form.ListBoxAttrib->findItems(field, Qt::MatchExactly);
            form.ListBoxAttrib->setCurrentItem(found[0]);
            (std::string(field) == "ID" ? form.BtnAdd1 : form.BtnAdd2)->click();
        }
        form.DataMemo->appendPlainText("5\tTis");
        form.BtnOK->click();
    });
    EXPECT_TRUE(ImportFromTextFile(path, table_));
    table_.Close();
    EXPECT_EQ(FileRows(), (std::vector<std::string>{"5|2023|Tis|1", "7|2023|Jilm|2", "7|2024|Lipa|3"}));
    EXPECT_TRUE(Messages().empty());
}

TEST_F(TextInputFormTest, AMappingWithoutKeyIsReportedAndTheFormStaysOpen)
{
    const std::string path = WriteData("5;Jasan\r\n");
    qbtest::WhenDialogShows<TFormTextInput>([](TFormTextInput& form) {
        form.RBsep3->setChecked(true);
        form.ListBoxAttrib->setCurrentRow(2);
        form.BtnAdd2->click();
        form.BtnOK->click();
        EXPECT_TRUE(form.isVisible());
        form.BtnCancel->click();
    });
    ui_.Push(TUiAnswer::Press(mrOk));
    EXPECT_FALSE(ImportFromTextFile(path, table_));
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].find("key column"), std::string::npos);
    table_.Close();
    EXPECT_EQ(FileRows()[0], "5|2023|Buk|1");
}

TEST_F(TextInputFormTest, SeparatorFollowsTheRadioButtons)
{
    EXPECT_EQ(form_.Separator(), '\t');
    form_.RBsep2->setChecked(true);
    EXPECT_EQ(form_.Separator(), ' ');
    form_.RBsep3->setChecked(true);
    EXPECT_EQ(form_.Separator(), ';');
    form_.EditSep->setText("|");
    EXPECT_EQ(form_.Separator(), '|');
    form_.EditSep->clear();
    EXPECT_THROW(form_.Separator(), Exception);
}

}  // namespace
