// Field controls on a real table: they show the current record and follow the cursor, the
// user's changes reach the file when the record is posted, a read-only dataset keeps them from
// changing, and the radio group maps stored values to choices.
#include <QApplication>
#include <QRadioButton>
#include <gtest/gtest.h>

#include "platform/ui/DBCtrls.h"
#include "support_DbWidgets.h"

using uitest::DbWidgetTest;

namespace {

TStringList Lines(std::initializer_list<const char*> texts)
{
    TStringList list;
    for (const char* text : texts) list.Add(text);
    return list;
}

// One control of each kind on the fixture's data source.
class DBCtrlsTest : public DbWidgetTest {
protected:
    DBCtrlsTest()
    {
        MakeTable(uitest::ThreeRows());
        Bind(edit, "NAME");
        Bind(memo, "NOTE");
        Bind(check, "OK");
        Bind(radio, "KIND");
        Bind(label, "ID");
        check.SetCaption("Checked");
        radio.SetCaption("Kind");
        radio.SetItems(Lines({"One", "Two", "Three"}));
        radio.SetValues(Lines({"1", "2", ""}));
        window.show();
        QApplication::setActiveWindow(&window);
    }

    template <class Control>
    void Bind(Control& control, const char* field)
    {
        control.setParent(&window);
        control.SetDataSource(&source_);
        control.SetDataField(field);
    }
    // Focus as the user gives it: the control being left puts its value into the field.
    void Focus(QWidget* widget)
    {
        widget->setFocus();
        QApplication::processEvents();
        ASSERT_TRUE(widget->hasFocus());
    }

    QWidget window;
    TDBEdit edit;
    TDBMemo memo;
    TDBCheckBox check;
    TDBRadioGroup radio;
    TDBText label;
};

struct Shown {
    std::string name, note;
    bool ok;
    int radioIndex;
    std::string id;
};

Shown WhatControlsShow(const TDBEdit& edit, const TDBMemo& memo, const TDBCheckBox& check, const TDBRadioGroup& radio,
                       const TDBText& label)
{
    return {edit.text().toStdString(), memo.toPlainText().toStdString(), check.isChecked(), radio.ItemIndex(),
            label.text().toStdString()};
}

void ExpectShown(const Shown& got, const Shown& want)
{
    EXPECT_EQ(got.name, want.name);
    EXPECT_EQ(got.note, want.note);
    EXPECT_EQ(got.ok, want.ok);
    EXPECT_EQ(got.radioIndex, want.radioIndex);
    EXPECT_EQ(got.id, want.id);
}

}  // namespace

TEST_F(DBCtrlsTest, EveryControlFollowsTheCursor)
{
    const Shown records[] = {
        {"Alder", "first\nnote", true, 0, "1"},
        {"Birch", "", false, 1, "2"},
        {"Cedar", "third", true, -1, "3"},  // "x" is no choice's value
    };
    for (int step = 0; step < 3; ++step) {
        SCOPED_TRACE(step);
        ExpectShown(WhatControlsShow(edit, memo, check, radio, label), records[step]);
        table_.Next();
    }
    table_.Prior();
    table_.First();
    ExpectShown(WhatControlsShow(edit, memo, check, radio, label), records[0]);

    table_.Close();
    ExpectShown(WhatControlsShow(edit, memo, check, radio, label), {"", "", false, -1, ""});
    table_.Open();
    ExpectShown(WhatControlsShow(edit, memo, check, radio, label), records[0]);
}

TEST_F(DBCtrlsTest, UserChangesReachTheFileOnPost)
{
    table_.Next();  // Birch
    Focus(&edit);
    edit.selectAll();
    Type(&edit, "Beech");
    EXPECT_EQ(table_.State(), dsEdit);
    EXPECT_EQ(edit.text(), "Beech");  // entering edit state did not wipe what was typed

    Focus(&memo);
    Type(&memo, "two");
    PressKey(&memo, Qt::Key_Return);
    Type(&memo, "lines");
    check.click();
    radio.Button(2)->click();  // "Three" has no value of its own: its caption is stored
    Focus(&edit);
    table_.Post();

    EXPECT_EQ(FileRows(), (std::vector<std::string>{
                              "1|Alder|True|1|first\\r\\nnote",
                              "2|Beech|True|Three|two\\r\\nlines",
                              "3|Cedar|True|x|third",
                          }));
    EXPECT_TRUE(Messages().empty());
}

TEST_F(DBCtrlsTest, EscapeTakesBackWhatWasTyped)
{
    Focus(&edit);
    Type(&edit, "zz");
    PressKey(&edit, Qt::Key_Escape);
    EXPECT_EQ(edit.text(), "Alder");
    table_.Post();
    EXPECT_EQ(FileRows()[0], "1|Alder|True|1|first\\r\\nnote");
}

TEST_F(DBCtrlsTest, ReadOnlyDataKeepsItsValues)
{
    table_.Close();
    table_.ReadOnly = true;
    table_.Open();
    Focus(&edit);
    Type(&edit, "x");
    check.click();
    radio.Button(1)->click();
    EXPECT_EQ(edit.text(), "Alder");
    EXPECT_TRUE(check.isChecked());
    EXPECT_EQ(radio.ItemIndex(), 0);
    EXPECT_EQ(table_.State(), dsBrowse);

    table_.Close();
    table_.ReadOnly = false;
    table_.Open();
    edit.SetReadOnly(true);
    Type(&edit, "x");
    EXPECT_EQ(edit.text(), "Alder");
    EXPECT_EQ(table_.State(), dsBrowse);
}

TEST_F(DBCtrlsTest, RadioGroupSelectsByStoredValueAndWritesIt)
{
    const struct {
        const char* stored;
        int selected;
    } cases[] = {
        {"2", 1}, {"Three", 2}, {"THREE", 2}, {"One", -1}, {"", -1}, {"7", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        table_.Edit();
        table_.FieldByName("KIND").SetAsString(c.stored);
        EXPECT_EQ(radio.ItemIndex(), c.selected);
        table_.Cancel();
    }

    // With no choice selected the field gets an empty text.
    table_.Edit();
    radio.SetItemIndex(-1);
    radio.UpdateRecord();
    table_.FieldByName("KIND").SetAsString("2");
    EXPECT_EQ(radio.ItemIndex(), 1);
    radio.SetItemIndex(-1);
    EXPECT_EQ(radio.Value(), "");
    table_.FieldByName("KIND").SetAsString(radio.Value());
    table_.Post();
    EXPECT_EQ(FileRows()[0], "1|Alder|True||first\\r\\nnote");
}

TEST_F(DBCtrlsTest, RefusedValueIsReportedAndKeptForCorrection)
{
    TDBEdit idEdit(&window);
    idEdit.SetDataSource(&source_);
    idEdit.SetDataField("ID");
    idEdit.show();
    Focus(&idEdit);
    idEdit.selectAll();
    Type(&idEdit, "12345678");
    ui_.Push(TUiAnswer::Press(mrOk));
    Focus(&edit);  // leaving the control puts the value into the field, which refuses it
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], "Value 12345678 does not fit into field ID N(6,0) of table '" + path_ + "'");
    EXPECT_EQ(ui_.Log()[0].MsgType, TMsgDlgType::mtError);
    EXPECT_EQ(idEdit.text(), "12345678");

    EXPECT_THROW(table_.Post(), Exception);
    EXPECT_EQ(table_.State(), dsEdit);
    EXPECT_EQ(FileRows()[0], "1|Alder|True|1|first\\r\\nnote");

    Focus(&idEdit);
    idEdit.selectAll();
    Type(&idEdit, "44");
    table_.Post();
    EXPECT_EQ(FileRows()[0], "44|Alder|True|1|first\\r\\nnote");
}

TEST_F(DBCtrlsTest, ControlsCarryAccessibleNames)
{
    EXPECT_EQ(edit.accessibleName(), "NAME");
    EXPECT_EQ(memo.accessibleName(), "NOTE");
    EXPECT_EQ(label.accessibleName(), "ID");
    EXPECT_EQ(check.accessibleName(), "Checked");
    EXPECT_EQ(radio.accessibleName(), "Kind");
    EXPECT_EQ(radio.Button(1)->accessibleName(), "Two");
    edit.SetDataField("KIND");
    EXPECT_EQ(edit.accessibleName(), "KIND");
    edit.setAccessibleName("Species");
    edit.SetDataField("NAME");
    EXPECT_EQ(edit.accessibleName(), "Species");  // a name the owner gave stays
}

TEST_F(DBCtrlsTest, MovedToAnotherSourceTheControlsShowThatSourcesFields)
{
    TTable other;
    other.SetTableName(path_);
    other.ReadOnly = true;
    other.Open();
    other.Last();  // Cedar, while the fixture's table stays on Alder
    TDataSource otherSource;
    otherSource.SetDataSet(&other);

    edit.SetDataSource(&otherSource);
    label.SetDataSource(&otherSource);
    EXPECT_EQ(edit.Field()->DataSet(), &other);
    EXPECT_EQ(edit.text().toStdString(), "Cedar");
    EXPECT_EQ(label.text().toStdString(), "3");
    other.Prior();
    EXPECT_EQ(edit.text().toStdString(), "Birch");

    // Back again: closing the other table no longer reaches them.
    edit.SetDataSource(&source_);
    label.SetDataSource(&source_);
    other.Close();
    EXPECT_EQ(edit.Field()->DataSet(), &table_);
    EXPECT_EQ(edit.text().toStdString(), "Alder");
    table_.Next();
    EXPECT_EQ(label.text().toStdString(), "2");
}

TEST_F(DBCtrlsTest, SourceGivenAnotherOpenDataSetShowsThatDataSetsFields)
{
    TTable other;
    other.SetTableName(path_);
    other.ReadOnly = true;
    other.Open();
    other.Last();  // Cedar, while the fixture's table stays on Alder

    source_.SetDataSet(&other);
    EXPECT_EQ(edit.Field()->DataSet(), &other);
    EXPECT_EQ(edit.text().toStdString(), "Cedar");
    EXPECT_EQ(label.text().toStdString(), "3");

    // Back again: freeing the other table must not reach the controls.
    source_.SetDataSet(&table_);
    other.Close();
    EXPECT_EQ(edit.Field()->DataSet(), &table_);
    EXPECT_EQ(edit.text().toStdString(), "Alder");
}
