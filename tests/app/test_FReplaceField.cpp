// Field filling: the decisions of the modes (padding, replacing, file columns, zero values),
// all six modes on a real table read back by dbfread, and the form: field list, number mode
// rules, language texts, the erase question whose Cancel shows the form again, and the grid's
// data source detached while the records are written.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <gtest/gtest.h>

#include <functional>

#include "app/FReplaceField.h"
#include "app/ULng.h"
#include "support_Dialogs.h"
#include "support_TableTools.h"

using tabletest::TableToolTest;

namespace {

// ID N(6,0), CODE C(6), SIZE N(8,2), CNT I, NOTE M.
std::vector<TDbfField> FillFields()
{
    return {{"ID", 'N', 6, 0}, {"CODE", 'C', 6, 0}, {"SIZE", 'N', 8, 2}, {"CNT", 'I', 4, 0}, {"NOTE", 'M', 10, 0}};
}

const std::vector<tabletest::Row> kRecords = {
    {"1", "7", "0", "0", "a"},      {"2", " 5", "2.5", "3", ""},  {"3", "", "", "", "b"},   {"4", "12345", "0", "7", ""},
    {"5", "-5", "1", "0", ""},      {"6", "abc", "", "2", ""},    {"7", "-9999", "3", "0", ""},
};

TEST(FillDecisions, PaddedNumber)
{
    struct Case {
        const char* text;
        int length;
        char pad;
        std::optional<std::string> padded;
    };
    const Case cases[] = {
        {"7", 3, '0', "007"},      {" 5 ", 3, '0', "005"},     {"", 3, '0', "000"},       {"  ", 2, '#', "#0"},
        {"12345", 3, '0', "12345"}, {"007", 3, '0', "007"},     {"5", 1, '0', "5"},        {"5", 0, '0', "5"},
        {"abc", 3, '0', {}},        {"1.5", 3, '0', {}},        {"-9999", 6, '0', {}},     {"-5", 3, '0', "-05"},
        {"+5", 4, '0', "+005"},     {"-5", 3, '*', "*-5"},      {"42", 5, '#', "###42"},   {"-12", 2, '0', "-12"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PaddedNumber(c.text, c.length, c.pad), c.padded) << '"' << c.text << "\" " << c.length << c.pad;
}

TEST(FillDecisions, ReplacedTextEndsAlsoWhenTheReplacementHoldsTheFoundText)
{
    struct Case {
        const char* text;
        const char* find;
        const char* replacement;
        std::optional<std::string> replaced;
    };
    const Case cases[] = {
        {"aXbX", "X", "XX", "aXXbXX"}, {"Dub", "Dub", "", ""},      {"aaaa", "aa", "a", "aa"},
        {"abc", "", "z", {}},          {"abc", "d", "z", {}},       {"a.b.c", ".", ", ", "a, b, c"},
        {"ŽlutáŽ", "Ž", "Zh", "ZhlutáZh"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReplacedText(c.text, c.find, c.replacement), c.replaced) << c.text << " " << c.find;
}

TEST(FillDecisions, SecondTabColumnAndMessages)
{
    EXPECT_EQ(SecondTabColumn("1\tx"), "x");
    EXPECT_EQ(SecondTabColumn("1\tx y\tz"), "x y");
    EXPECT_EQ(SecondTabColumn("plain"), "plain");
    EXPECT_EQ(SecondTabColumn("1\t"), "");
    EXPECT_EQ(SecondTabColumn(""), "");
    EXPECT_EQ(EraseQuestion("CODE"), "Erase all values in the field CODE?");
    EXPECT_EQ(MissingFileMessage("/x/a.txt"), "Soubor \"/x/a.txt\" neexistuje");
}

TEST(FillDecisions, FieldsOffered)
{
    for (TFieldType type : {ftString, ftSmallint, ftInteger, ftFloat, ftCurrency, ftDate, ftMemo, ftBoolean, ftWideString})
        EXPECT_TRUE(FillOffersField(type)) << type;
    for (TFieldType type : {ftAutoInc, ftBlob, ftGraphic, ftFmtMemo, ftParadoxOle, ftDBaseOle, ftTypedBinary, ftCursor})
        EXPECT_FALSE(FillOffersField(type)) << type;
}

class FillTest : public TableToolTest {
protected:
    FillTest() { MakeTable(FillFields(), kRecords); }
    // The stored ID|CODE|SIZE|CNT of every record.
    std::vector<std::string> Stored()
    {
        table_.Close();
        std::vector<std::string> rows;
        for (const std::string& row : FileRows()) rows.push_back(row.substr(0, row.rfind('|')));
        return rows;
    }
    void GoToRecord(int number)
    {
        table_.First();
        table_.MoveBy(number - 1);
    }
};

TEST_F(FillTest, AllSixModesWriteTheTable)
{
    struct Case {
        const char* what;
        int startRecord;  // 0: from the first record
        std::function<int(TDataSet&, bool)> fill;
        int written;
        std::vector<std::string> stored;
    };
    const std::string file = dir_.file("values.txt");
    qbtest::WriteFileBytes(file, "line\tCODE\r\n1\tA\r\n2\tB\textra\r\nC\r\n");
    const auto fromFile = [&file](TDataSet& d, bool first) {
        TStringList lines;
        lines.LoadFromFile(file);
        return FillFieldFromLines(d, "CODE", lines, first);
    };
    const std::vector<Case> cases = {
        {"erase", 0, [](TDataSet& d, bool first) { return FillFieldText(d, "CODE", "", false, first); }, 7,
         {"1||0|0", "2||2.5|3", "3|||0", "4||0|7", "5||1|0", "6|||2", "7||3|0"}},
        {"erase zero values of a number", 0, [](TDataSet& d, bool first) { return FillFieldText(d, "SIZE", "", true, first); },
         4, {"1|7||0", "2| 5|2.5|3", "3|||0", "4|12345||7", "5|-5|1|0", "6|abc||2", "7|-9999|3|0"}},
        {"constant into zero integers", 0, [](TDataSet& d, bool first) { return FillFieldText(d, "CNT", "9", true, first); },
         4, {"1|7|0|9", "2| 5|2.5|3", "3|||9", "4|12345|0|7", "5|-5|1|9", "6|abc||2", "7|-9999|3|9"}},
        {"constant from the current record", 3,
         [](TDataSet& d, bool first) { return FillFieldText(d, "CODE", "x", true, first); }, 5,
         {"1|7|0|0", "2| 5|2.5|3", "3|x||0", "4|x|0|7", "5|x|1|0", "6|x||2", "7|x|3|0"}},
        {"number run from the current record", 3,
         [](TDataSet& d, bool first) { return FillFieldNumberRun(d, "ID", 1, 1, first); }, 5,
         {"1|7|0|0", "2| 5|2.5|3", "1|||0", "2|12345|0|7", "3|-5|1|0", "4|abc||2", "5|-9999|3|0"}},
        {"number run counting down", 0, [](TDataSet& d, bool first) { return FillFieldNumberRun(d, "CNT", 10, -3, first); },
         7, {"1|7|0|10", "2| 5|2.5|7", "3|||4", "4|12345|0|1", "5|-5|1|-2", "6|abc||-5", "7|-9999|3|-8"}},
        {"from a file", 0,
         fromFile,
         3, {"1|A|0|0", "2|B|2.5|3", "3|C||0", "4|12345|0|7", "5|-5|1|0", "6|abc||2", "7|-9999|3|0"}},
        {"from a file past the last record", 6,
         fromFile,
         2, {"1|7|0|0", "2| 5|2.5|3", "3|||0", "4|12345|0|7", "5|-5|1|0", "6|A||2", "7|B|3|0"}},
        {"numbers padded", 0, [](TDataSet& d, bool first) { return PadFieldNumbers(d, "CODE", 3, '0', first); }, 5,
         {"1|007|0|0", "2|005|2.5|3", "3|000||0", "4|12345|0|7", "5|-05|1|0", "6|abc||2", "7|-9999|3|0"}},
        {"text replaced", 0, [](TDataSet& d, bool first) { return ReplaceFieldText(d, "CODE", "5", "55", first); }, 3,
         {"1|7|0|0", "2| 55|2.5|3", "3|||0", "4|123455|0|7", "5|-55|1|0", "6|abc||2", "7|-9999|3|0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MakeTable(FillFields(), kRecords);
        GoToRecord(c.startRecord == 0 ? 4 : c.startRecord);  // "from the first" must not start here
        EXPECT_EQ(c.fill(table_, c.startRecord == 0), c.written);
        EXPECT_TRUE(table_.Eof() || std::string(c.what).find("file") != std::string::npos);
        EXPECT_EQ(Stored(), c.stored);
    }
}

TEST_F(FillTest, ARefusedValueStopsAndKeepsTheRecordsWrittenBefore)
{
    TStringList lines;
    lines.SetText("header\r\n1\t11\r\n2\tabc\r\n3\t33\r\n");
    EXPECT_THROW(FillFieldFromLines(table_, "ID", lines, true), Exception);
    EXPECT_EQ(table_.State(), dsBrowse);
    const std::vector<std::string> stored = Stored();
    EXPECT_EQ(stored[0], "11|7|0|0");
    EXPECT_EQ(stored[1], "2| 5|2.5|3");
    EXPECT_EQ(stored[2], "3|||0");
}

TEST_F(FillTest, FieldListAndTheNumberModeFollowTheChosenField)
{
    TFormReplaceField form;
    qbtest::WhenDialogShows<TFormReplaceField>([](TFormReplaceField& f) {
        EXPECT_EQ(f.CBfields->count(), 5);  // the memo stays
        EXPECT_EQ(f.CBfields->itemText(4).toStdString(), "NOTE");
        EXPECT_FALSE(f.BtnOK->isEnabled());
        EXPECT_TRUE(f.RG_startCurrent->isChecked());

        f.CBfields->setCurrentText("CODE");
        EXPECT_TRUE(f.BtnOK->isEnabled());
        EXPECT_TRUE(f.RadioButton5->isEnabled());
        EXPECT_EQ(f.EditNumLen->toolTip().toStdString(), "Maximální velikost 6");
        f.EditNumLen->setText("9");
        EXPECT_EQ(f.EditNumLen->text().toStdString(), "6");
        f.EditNumLen->clear();
        EXPECT_EQ(f.EditNumLen->text().toStdString(), "6");
        f.EditNumLen->setText("4");
        EXPECT_EQ(f.EditNumLen->text().toStdString(), "4");
        f.RadioButton5->setChecked(true);

        f.CBfields->setCurrentText("SIZE");
        EXPECT_FALSE(f.RadioButton5->isEnabled());
        EXPECT_FALSE(f.RadioButton5->isChecked());
        EXPECT_TRUE(f.EditNumLen->toolTip().isEmpty());
        f.BtnCancel->click();
    });
    form.Setup(&table_, -20, &source_, 30);
    EXPECT_EQ(form.pos(), QPoint(0, 30));
    EXPECT_EQ(source_.DataSet(), &table_);
    EXPECT_EQ(Stored(), (std::vector<std::string>{"1|7|0|0", "2| 5|2.5|3", "3|||0", "4|12345|0|7", "5|-5|1|0",
                                                  "6|abc||2", "7|-9999|3|0"}));
}

TEST_F(FillTest, SetupRunsTheChosenModeWithTheGridDetached)
{
    TFormReplaceField form;
    TDataSet* seenBySource = &table_;
    table_.AfterPost = [&](TDataSet&) { seenBySource = source_.DataSet(); };
    qbtest::WhenDialogShows<TFormReplaceField>([](TFormReplaceField& f) {
        f.CBfields->setCurrentText("ID");
        f.RadioButton3->setChecked(true);
        f.EditFrom->setText("100");
        f.EditStep->setText("10");
        f.RG_startFirst->setChecked(true);
        f.BtnOK->click();
    });
    form.Setup(&table_, 0, &source_, 0);
    table_.AfterPost = nullptr;
    EXPECT_EQ(seenBySource, nullptr);
    EXPECT_EQ(source_.DataSet(), &table_);
    const std::vector<std::string> stored = Stored();
    EXPECT_EQ(stored.front(), "100|7|0|0");
    EXPECT_EQ(stored.back(), "160|-9999|3|0");
}

TEST_F(FillTest, CancellingTheEraseQuestionShowsTheFormAgainWithItsSettings)
{
    TFormReplaceField form;
    ui_.Push(TUiAnswer::Press(mrCancel));
    qbtest::WhenDialogShows<TFormReplaceField>([this](TFormReplaceField& f) {
        f.CBfields->setCurrentText("CODE");
        f.RadioButton2->setChecked(true);  // a constant with an empty text erases
        qbtest::WhenDialogShows<TFormReplaceField>([this](TFormReplaceField& again) {
            EXPECT_TRUE(again.RepeatRequested());
            EXPECT_TRUE(again.RadioButton2->isChecked());
            EXPECT_EQ(again.CBfields->currentText().toStdString(), "CODE");
            EXPECT_EQ(source_.DataSet(), nullptr);
            again.BtnCancel->click();
        });
        f.BtnOK->click();
    });
    form.Setup(&table_, 0, &source_, 0);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], "Erase all values in the field CODE?");
    EXPECT_EQ(ui_.Log()[0].MsgType, TMsgDlgType::mtConfirmation);
    EXPECT_EQ(ui_.Log()[0].Buttons, mbOKCancel);
    EXPECT_EQ(ui_.Log()[0].DefaultButton, mbCancel) << "Enter erases nothing";
    EXPECT_EQ(source_.DataSet(), &table_);
    EXPECT_EQ(Stored()[0], "1|7|0|0");
}

TEST_F(FillTest, AMissingFileIsReportedAndNothingIsWritten)
{
    TFormReplaceField form;
    const std::string missing = dir_.file("missing.txt");
    ui_.Push(TUiAnswer::Press(mrCancel));
    ui_.Push(TUiAnswer::Press(mrOk));
    qbtest::WhenDialogShows<TFormReplaceField>([&](TFormReplaceField& f) {
        f.CBfields->setCurrentText("CODE");
        f.EditFile->setText(QString::fromStdString(missing));
        f.EditFileExit();  // leaving the edit warns; Cancel lets the user go on
        f.RadioButton4->setChecked(true);
        f.BtnOK->click();
    });
    form.Setup(&table_, 0, &source_, 0);
    ASSERT_EQ(ui_.Log().size(), 2u);
    EXPECT_EQ(ui_.Log()[0].MsgType, TMsgDlgType::mtWarning);
    EXPECT_EQ(ui_.Log()[1].MsgType, TMsgDlgType::mtError);
    EXPECT_EQ(Messages(), std::vector<std::string>(2, "Soubor \"" + missing + "\" neexistuje"));
    EXPECT_EQ(Stored()[0], "1|7|0|0");
}

TEST_F(FillTest, OpenDialogChoosesTheFileMode)
{
    TFormReplaceField form;
    ui_.Push(TUiAnswer::OpenFile("/data/values.txt"));
    form.btnOpen->click();
    EXPECT_EQ(ui_.Log()[0].Text, "Textový soubor|*.txt|Všechny soubory|*.*");
    EXPECT_EQ(form.EditFile->text().toStdString(), "/data/values.txt");
    EXPECT_TRUE(form.RadioButton4->isChecked());
    ui_.Push(TUiAnswer::Cancel(TUiCallKind::OpenFile));
    form.btnOpen->click();
    EXPECT_EQ(form.EditFile->text().toStdString(), "/data/values.txt");
}

TEST_F(FillTest, LanguageTextsReplaceTheCaptions)
{
    TFormReplaceField form;
    form.ApplyLanguage(nullptr);
    EXPECT_EQ(form.windowTitle().toStdString(), "Zápis hodnot");

    TLngModule module("SetQuery");
    module.SetText("2000=fill values\r\n511=field\r\n120=delete\r\n2021=from\r\n2070=select file\r\n"
                   "2080=start at\r\n2082=the current record\r\n520=Cancel\r\n");
    form.ApplyLanguage(&module);
    EXPECT_EQ(form.windowTitle().toStdString(), "Fill values");
    EXPECT_EQ(form.LabelAttrib->text().toStdString(), "Field");
    EXPECT_EQ(form.RadioButton1->text().toStdString(), "Delete");
    EXPECT_EQ(form.RadioButton1->accessibleName().toStdString(), "Delete");
    EXPECT_EQ(form.LabelFrom->text().toStdString(), "from");
    EXPECT_EQ(form.btnOpen->toolTip().toStdString(), "Select file");
    EXPECT_EQ(form.btnOpen->accessibleName().toStdString(), "Select file");
    EXPECT_EQ(form.RG_start->title().toStdString(), "Start at");
    EXPECT_EQ(form.RG_startCurrent->text().toStdString(), "the current record");
    EXPECT_TRUE(form.RG_startCurrent->isChecked());
    EXPECT_EQ(form.RadioButton6->text().toStdString(), "[2050]");
    EXPECT_EQ(form.BtnCancel->text().toStdString(), "Cancel");
}

}  // namespace

namespace {

TEST_F(FillTest, EnteringAnEditChoosesItsModeAndClickingAModeEntersItsFirstEdit)
{
    TFormReplaceField form;
    form.show();
    QApplication::setActiveWindow(&form);
    struct Case {
        QLineEdit* edit;
        QRadioButton* mode;
    };
    const Case cases[] = {{form.EditConst, form.RadioButton2}, {form.EditStep, form.RadioButton3},
                          {form.EditFile, form.RadioButton4}, {form.EditFind, form.RadioButton6}};
    for (const Case& c : cases) {
        c.edit->setFocus();
        QApplication::processEvents();
        EXPECT_TRUE(c.mode->isChecked()) << c.edit->objectName().toStdString();
    }
    form.RadioButton3->click();
    QApplication::processEvents();
    EXPECT_TRUE(form.EditFrom->hasFocus());
    form.RadioButton1->click();
    EXPECT_TRUE(form.RadioButton1->isChecked());
}

}  // namespace
