#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <array>
#include <filesystem>
#include <functional>
#include <map>

#include "app/DataModules.h"
#include "app/FItem.h"
#include "app/FMain.h"
#include "app/support_Dialogs.h"
#include "app/support_MainForm.h"
#include "platform/ui/ScriptedUiServices.h"

using namespace qbtest;

namespace {

enum { kEdit = 0, kMemo = 1, kSwitch = 2, kCheck = 3, kNoType = -1 };

// Runs action on the editor once it shows; an editor still open afterwards is closed without
// its questions, so a failing check cannot leave the test waiting.
void WhenEditorShows(std::function<void(TFormItem&)> action)
{
    WhenDialogShows<TFormItem>([action](TFormItem& form) {
        action(form);
        if (form.isVisible()) form.QDialog::done(QDialog::Rejected);
    });
}

// One module as a user fills it in, what the editor writes for it and how it reads back.
struct ModuleCase {
    const char* Title;
    const char* Name;
    const char* Text;  // lines separated by '\n'
    int ModuleType;
    const char* FieldName;
    const char* ColumnType;  // "" keeps what the module type chose
    const char* Length;      // "" keeps the default
    const char* Precision;
    std::vector<std::array<std::string, 3>> Items;  // item text, value, conditional text; grid rows from 1
    std::vector<std::string> OtherTexts;
    const char* Written;
    std::vector<std::string> Columns;
    const char* Choices;  // "<caption>=<stored value>;..."
};

const ModuleCase kModuleCases[] = {
    {"edit", "Observer", "Name of the observer", kEdit, "OBSERVER", "", "", "", {}, {},
     "[Observer]\r\nText=Name of the observer\r\nField=Edit\r\nFN=OBSERVER\r\nType=CHARACTER(20)\r\n\r\n",
     {"OBSERVER CHARACTER(20)"}, ""},
    {"memo", "Notes", "Remarks", kMemo, "NOTES", "", "", "", {}, {},
     "[Notes]\r\nText=Remarks\r\nField=Memo\r\nFN=NOTES\r\nType=BLOB(0,1)\r\n\r\n", {"NOTES BLOB(0,1)"}, ""},
    {"switch", "Weather", "Weather at the time of counting", kSwitch, "WEATH", "", "2", "",
     {{"clear", "", ""}, {"rain", "", "Rain intensity"}, {"snow", "9", ""}}, {},
     "[Weather]\r\nText=Weather at the time of counting\r\nField=Switch\r\nFN=WEATH\r\nType=NUMERIC(2,0)\r\n"
     "Item1=clear\r\nItem2=rain\r\nCondText=2;Rain intensity\r\nItem3=snow\r\nValue3=9\r\n\r\n",
     {"WEATH NUMERIC(2,0)", "WEATH_2_0 BLOB(0,1)"}, "clear=1;rain=2;snow=9;"},
    {"check, an empty row between items, further text fields", "Birds", "Birds seen", kCheck, "BIRD", "", "", "",
     {{"heron", "", ""}, {"", "", ""}, {"stork", "yes", "Which stork"}}, {"", "Remarks"},
     "[Birds]\r\nText=Birds seen\r\nField=Check\r\nFN=BIRD\r\nType=MultiBool\r\n"
     "Item1=heron\r\nItem2=stork\r\nValue2=yes\r\nCondText=2;Which stork\r\nCondText=0;Remarks\r\n\r\n",
     {"BIRD_1 BOOLEAN", "BIRD_2 BOOLEAN", "BIRD_2_0 BLOB(0,1)", "BIRD_0_1 BLOB(0,1)"}, "heron=True;stork=yes;"},
    {"date", "Seen", "Date of the count", kEdit, "SEEN", "DATE", "", "", {}, {},
     "[Seen]\r\nText=Date of the count\r\nField=Edit\r\nFN=SEEN\r\nType=DATE\r\n\r\n", {"SEEN DATE"}, ""},
    {"module text of two lines", "Checked", "Line one\nLine two", kEdit, "CHECKED", "BOOLEAN", "", "", {}, {},
     "[Checked]\r\nText=Line one\r\nLine two\r\nField=Edit\r\nFN=CHECKED\r\nType=BOOLEAN\r\n\r\n", {"CHECKED BOOLEAN"},
     ""},
    {"numeric with precision, no module text", "Count", "", kEdit, "COUNT", "NUMERIC", "6", "2", {}, {},
     "[Count]\r\nField=Edit\r\nFN=COUNT\r\nType=NUMERIC(6,2)\r\n\r\n", {"COUNT NUMERIC(6,2)"}, ""},
    {"no module type", "Heading", "Only a heading", kNoType, "HEAD", "CHARACTER", "", "", {}, {},
     "[Heading]\r\nText=Only a heading\r\nFN=HEAD\r\nType=CHARACTER(20)\r\n\r\n", {}, ""},
};

class DefinitionEditor : public testing::Test {
protected:
    TScriptedUiServices ui;
    TScopedUiServices scope{ui};
    TempDir dir;

    std::string Write(const std::string& name, const std::string& bytes) const
    {
        WriteFileBytes(dir.file(name), bytes);
        return dir.file(name);
    }
    // Message box texts in the order they showed.
    std::vector<std::string> Messages() const
    {
        std::vector<std::string> texts;
        for (const TUiCall& call : ui.Log())
            if (call.Kind == TUiCallKind::Message) texts.push_back(call.Text);
        return texts;
    }
};

void EnsureItemRows(TFormItem& form, int rows)
{
    form.GridItemsContextPopup();
    while (form.ItemRowCount() < rows) form.I_AddRow1Click();
}

void EnsureCondTextRows(TFormItem& form, int rows)
{
    form.CondTextGridContextPopup();
    while (form.CondTextRowCount() < rows) form.I_AddRow1Click();
}

// Types into a cell the way the grid reports a user's edit.
void EditCell(QTableWidget* grid, int visualRow, int column, const std::string& text)
{
    grid->item(grid->verticalHeader()->logicalIndex(visualRow), column)->setText(QString::fromStdString(text));
}

void SelectColumnType(TFormItem& form, const char* type)
{
    form.CB_Type->setCurrentIndex(form.CB_Type->findText(type));
    form.CB_TypeChange();
}

void Fill(TFormItem& form, const ModuleCase& c)
{
    form.EditName->setText(c.Name);
    form.MemoModText->setPlainText(c.Text);
    if (c.ModuleType >= 0) form.ModuleTypeButton(c.ModuleType)->click();
    form.EditFieldName->setText(c.FieldName);
    if (*c.ColumnType) SelectColumnType(form, c.ColumnType);
    if (*c.Length) form.EditTypeLen->setText(c.Length);
    if (*c.Precision) form.EditTypePrec->setText(c.Precision);
    for (size_t i = 0; i < c.Items.size(); ++i) {
        EnsureItemRows(form, int(i) + 2);
        for (int column = 0; column < 3; ++column) EditCell(form.GridItems, int(i), column, c.Items[i][column]);
    }
    for (size_t i = 0; i < c.OtherTexts.size(); ++i) {
        EnsureCondTextRows(form, int(i) + 1);
        EditCell(form.CondTextGrid, int(i), 0, c.OtherTexts[i]);
    }
}

// Creates a definition of the given modules through the editor's controls and saves it.
void CreateWith(TFormItem& form, TScriptedUiServices& ui, const std::string& path, const std::vector<const ModuleCase*>& modules)
{
    ui.Push(TUiAnswer::SaveFile(path));
    ui.Push(TUiAnswer::Press(mrYes));  // "Add a new module?"
    WhenEditorShows([&](TFormItem& editor) {
        for (size_t i = 0; i < modules.size(); ++i) {
            if (i > 0) editor.BtnAdd->click();
            Fill(editor, *modules[i]);
        }
        editor.BtnSave->click();
    });
    form.CreateDefinition();
}

std::string Choices(const TSectionDefinition& d)
{
    std::string text;
    size_t choice = 0;
    for (const TSectionControl& control : d.Controls)
        if (control.Kind == TSectionControlKind::CheckBox || control.Kind == TSectionControlKind::RadioItem)
            text += control.Text + "=" + d.ChoiceValues.at(choice++) + ";";
    return text;
}

std::string Lines(const char* text)
{
    std::string result;
    for (const char* c = text; *c; ++c) result += *c == '\n' ? std::string("\r\n") : std::string(1, *c);
    return result;
}

}  // namespace

TEST_F(DefinitionEditor, WindowAsDesigned)
{
    TFormItem form;
    EXPECT_EQ(form.windowTitle(), "Setting - Module definition");
    EXPECT_EQ(form.size(), QSize(662, 365));
    EXPECT_EQ(form.font().family(), "Tahoma");
    EXPECT_EQ(form.EditName->maxLength(), 24);
    EXPECT_EQ(form.EditName->toolTip(), "Short module name");
    EXPECT_EQ(form.EditFieldName->maxLength(), 8);
    EXPECT_EQ(form.RadioModType->title(), "Module type");
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(form.ModuleTypeButton(i)->text().toStdString(), (std::vector<std::string>{"Edit", "Memo", "Switch", "Check"}[i]));
    EXPECT_EQ(form.GridItems->columnCount(), 3);
    const char* const headers[] = {"Item text", "Value", "Conditional text field"};
    for (int column = 0; column < 3; ++column) {
        EXPECT_EQ(form.GridItems->horizontalHeaderItem(column)->text(), headers[column]);
        EXPECT_EQ(form.GridItems->columnWidth(column), 165);
    }
    EXPECT_EQ(form.GridItems->verticalHeader()->defaultSectionSize(), 18);
    EXPECT_TRUE(form.GridItems->verticalHeader()->sectionsMovable());
    EXPECT_EQ(form.ItemRowCount(), 2);
    EXPECT_EQ(form.CondTextGrid->columnCount(), 1);
    EXPECT_EQ(form.CondTextGrid->width(), 400);
    EXPECT_EQ(form.CondTextRowCount(), 2);
    std::vector<std::string> types;
    for (int i = 0; i < form.CB_Type->count(); ++i) types.push_back(form.CB_Type->itemText(i).toStdString());
    EXPECT_EQ(types, (std::vector<std::string>{"CHARACTER", "NUMERIC", "DATE", "BLOB", "BOOLEAN", "MultiBool"}));
    EXPECT_EQ(form.CB_Type->currentIndex(), -1);
    EXPECT_EQ(form.EditTypeLen->text(), "0");
    EXPECT_EQ(form.EditTypePrec->text(), "0");
    EXPECT_EQ(form.LabelCounting->text(), "0/0");
    EXPECT_EQ(form.SaveDlg.DefaultExt, "ini");
    EXPECT_EQ(form.SaveDlg.Filter, "DefinitionFile (*.ini)|*.ini");
    std::vector<std::string> popup;
    for (QAction* action : form.GridPopup->actions()) popup.push_back(action->text().toStdString());
    EXPECT_EQ(popup, (std::vector<std::string>{"&Delete row", "&Clear row", "&Add row"}));
    EXPECT_EQ(form.I_AddRow1->objectName(), "I_AddRow1");

    const std::tuple<QWidget*, const char*, const char*, const char*> controls[] = {
        {form.EditName, "EditName", "Module name", "Short module name"},
        {form.MemoModText, "MemoModText", "Module text", ""},
        {form.LabelCondText, "LabelCondText", "Other (optional) text fields:", ""},
        {form.CB_Type, "CB_Type", "Select field type", "Select field type"},
        {form.EditTypeLen, "EditTypeLen", "Field length", "Field length"},
        {form.EditTypePrec, "EditTypePrec", "Number precission / blob type", "Number precission / blob type"},
        {form.LabelNavigation, "LabelNavigation", "Module ID/total count:", ""},
        {form.BtnFirst, "BtnFirst", "<<", "First module"},
        {form.BtnPrevious, "BtnPrevious", "<", "Previous module"},
        {form.BtnNext, "BtnNext", ">", "Next module"},
        {form.BtnLast, "BtnLast", ">>", "Last module"},
        {form.BtnAdd, "BtnAdd", "Add", "Add a module"},
        {form.BtnDel, "BtnDel", "Delete", "Delete this module"},
        {form.cbCanRewrite, "cbCanRewrite", "Can rewrite modules", ""},
        {form.BtnSave, "BtnSave", "Save", "Save setting and close form"},
        {form.BtnCancel, "BtnCancel", "Cancel", "Cancel changes and form close"}};
    for (const auto& [control, name, accessible, hint] : controls) {
        EXPECT_EQ(control->objectName(), name);
        EXPECT_EQ(control->accessibleName(), accessible) << name;
        EXPECT_EQ(control->toolTip(), hint) << name;
    }
    for (QWidget* child : form.findChildren<QWidget*>())
        if (!child->objectName().isEmpty() && !child->objectName().startsWith("qt_")) {
            EXPECT_FALSE(child->accessibleName().isEmpty()) << child->objectName().toStdString();
        }
}

TEST_F(DefinitionEditor, WritesEveryKindOfModuleByteForByteAndReadsItBack)
{
    for (const ModuleCase& c : kModuleCases) {
        SCOPED_TRACE(c.Title);
        const std::string path = dir.file(std::string(c.Name) + ".ini");
        TFormItem form;
        CreateWith(form, ui, path, {&c});
        ASSERT_EQ(form.GetSavedFileName(), path);
        EXPECT_EQ(ReadFileBytes(path), c.Written);

        // The input panels read the same section from it.
        TMemIniFile written(path);
        TStringList lines;
        written.ReadSectionValues(c.Name, lines);
        const TSectionDefinition definition = ReadSectionDefinition(0, lines);
        EXPECT_EQ(SectionColumns(definition), c.Columns);
        EXPECT_EQ(Choices(definition), c.Choices);

        // The editor shows it as it was filled in, and saving it unchanged writes the same bytes.
        TFormItem again;
        WhenEditorShows([&](TFormItem& editor) {
            EXPECT_EQ(editor.EditName->text(), c.Name);
            EXPECT_EQ(editor.MemoModText->toPlainText(), c.Text);
            EXPECT_EQ(editor.ModuleTypeIndex(), c.ModuleType);
            EXPECT_EQ(editor.EditFieldName->text(), c.FieldName);
            EXPECT_EQ(editor.GetTypeText(), written.ReadString(c.Name, "Type", ""));
            int row = 1;
            for (const auto& item : c.Items) {
                if (item[0].empty()) continue;
                for (int column = 0; column < 3; ++column) EXPECT_EQ(editor.ItemCell(row, column), item[column]);
                ++row;
            }
            int other = 0;
            for (const std::string& text : c.OtherTexts)
                if (!text.empty()) {
                    EXPECT_EQ(editor.CondTextCell(other++), text);
                }
            EXPECT_FALSE(editor.Modified());
            editor.BtnSave->click();
        });
        again.LoadDefinition(path);
        EXPECT_EQ(ReadFileBytes(path), c.Written);
        EXPECT_FALSE(again.SavedFileChanged());
        EXPECT_TRUE(ui.Failures().empty());
    }
}

TEST_F(DefinitionEditor, ModulesFollowOneAnotherInTheirOrder)
{
    const std::string path = dir.file("survey.ini");
    TFormItem form;
    CreateWith(form, ui, path, {&kModuleCases[2], &kModuleCases[0], &kModuleCases[1]});
    EXPECT_EQ(ReadFileBytes(path), std::string(kModuleCases[2].Written) + kModuleCases[0].Written + kModuleCases[1].Written);
    EXPECT_EQ(form.LabelCounting->text(), "3/3");
    EXPECT_TRUE(Messages() == std::vector<std::string>{"Add a new module?"});
}

TEST_F(DefinitionEditor, NewDefinitionAsksForItsFirstModule)
{
    const std::string path = dir.file("new.ini");
    TFormItem form;
    ui.Push(TUiAnswer::SaveFile(path));
    ui.Push(TUiAnswer::Press(mrNo));   // "Add a new module?" when it shows
    ui.Push(TUiAnswer::Press(mrYes));  // again after Next
    ui.Push(TUiAnswer::Press(mrOk));   // "Use another basic field name"
    WhenEditorShows([&](TFormItem& editor) {
        EXPECT_EQ(editor.ModuleCount(), 0);
        EXPECT_EQ(editor.LabelCounting->text(), "0/0");
        editor.BtnNext->click();
        EXPECT_EQ(editor.ModuleCount(), 1);
        EXPECT_EQ(editor.EditName->text(), "NewDefinition_1");
        EXPECT_EQ(editor.LabelCounting->text(), "1/1");
        // Its own name doesn't clash; the empty basic field name does, and the editor stays.
        editor.MemoModText->setPlainText("Text");
        editor.BtnSave->click();
        EXPECT_TRUE(editor.isVisible());
        editor.EditFieldName->setText("F");
        editor.BtnSave->click();
        EXPECT_FALSE(editor.isVisible());
    });
    form.CreateDefinition();
    EXPECT_EQ(Messages(), (std::vector<std::string>{"Add a new module?", "Add a new module?", "Use another basic field name"}));
    EXPECT_EQ(ReadFileBytes(path), "[NewDefinition_1]\r\nText=Text\r\nFN=F\r\n\r\n");
}

TEST_F(DefinitionEditor, NameCheckRefusesOnlyNamesOfOtherModules)
{
    const std::string path = Write("survey.ini", Lines("[Observer]\nField=Edit\nFN=OBSERVER\n\n[Weather]\nField=Switch\nFN=WEATH\n"));
    struct Case {
        const char* Name;
        const char* FieldName;
        bool CanRewrite;
        std::vector<std::string> Messages;
    };
    const Case cases[] = {
        {"Weather", "WEATH", false, {}},
        {"Weather 2", "WEATH2", false, {}},
        {"observer", "WEATH", false, {"Use another module name"}},
        {"Weather", "Observer", false, {"Use another basic field name"}},
        {" ", "", false, {"Use another module name", "Use another basic field name"}},
        {"Observer", "OBSERVER", true, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Name) + "/" + c.FieldName);
        const size_t before = Messages().size();
        for (size_t i = 0; i < c.Messages.size(); ++i) ui.Push(TUiAnswer::Press(mrOk));
        bool moved = false;
        TFormItem form;
        WhenEditorShows([&](TFormItem& editor) {
            editor.BtnNext->click();  // Weather, not edited: no check
            editor.cbCanRewrite->setChecked(c.CanRewrite);
            editor.MemoModText->setPlainText("Weather today");
            editor.EditName->setText(c.Name);
            editor.EditFieldName->setText(c.FieldName);
            editor.BtnFirst->click();
            moved = editor.Current() == 0;
            if (!moved) {
                EXPECT_EQ(editor.EditName->text(), c.Name);  // the edits stay shown
            }
            editor.BtnCancel->click();
        });
        ui.Push(TUiAnswer::Press(mrYes));  // "Cancel all changes?"
        form.LoadDefinition(path);
        const std::vector<std::string> all = Messages();
        ASSERT_TRUE(!all.empty() && all.back() == "Cancel all changes?");
        EXPECT_EQ(ui.Log().back().DefaultButton, mbNo) << "Enter keeps the edits";
        const std::vector<std::string> shown(all.begin() + before, all.end() - 1);
        EXPECT_EQ(shown, c.Messages);
        EXPECT_EQ(moved, c.Messages.empty());
        EXPECT_EQ(form.ModuleName(1), moved ? c.Name : "Weather");
    }
}

TEST_F(DefinitionEditor, HandWrittenDefinitionShowsEveryText)
{
    const std::string path = Write("weather.ini", Lines(
        "[Weather]\n"
        "text=Weather\n"
        "at the time of counting\n"
        "fn=WEATH\n"
        "type=numeric(2,0)\n"
        "field=switch\n"
        "item1=clear\n"
        "item2=rain\n"
        "value2=5\n"
        "condtext=2;Rain intensity\n"
        "condtext=0;Remarks\n"
        "CondText=7;Far away\n"
        "condtext=2;Rain again\n"));
    TFormItem form;
    WhenEditorShows([&](TFormItem& editor) {
        EXPECT_EQ(editor.MemoModText->toPlainText(), "Weather\nat the time of counting");
        EXPECT_EQ(editor.ModuleTypeIndex(), kSwitch);
        EXPECT_EQ(editor.GetTypeText(), "NUMERIC(2,0)");
        EXPECT_EQ(editor.ItemCell(1, 0), "clear");
        EXPECT_EQ(editor.ItemCell(2, 1), "5");
        EXPECT_EQ(editor.ItemCell(2, 2), "Rain intensity");
        // A number naming no item, or an item with its text already, gives a further text field.
        const std::vector<std::string> others = {editor.CondTextCell(0), editor.CondTextCell(1), editor.CondTextCell(2)};
        EXPECT_EQ(others, (std::vector<std::string>{"Remarks", "Far away", "Rain again"}));
        editor.cbCanRewrite->setChecked(true);
        editor.EditFieldName->setText("WEATHER");
        editor.BtnSave->click();
    });
    form.LoadDefinition(path);
    EXPECT_EQ(ReadFileBytes(path),
              "[Weather]\r\nText=Weather\r\nat the time of counting\r\nField=Switch\r\nFN=WEATHER\r\nType=NUMERIC(2,0)\r\n"
              "Item1=clear\r\nItem2=rain\r\nValue2=5\r\nCondText=2;Rain intensity\r\n"
              "CondText=0;Remarks\r\nCondText=0;Far away\r\nCondText=0;Rain again\r\n\r\n");
    EXPECT_TRUE(form.SavedFileChanged());
}

TEST_F(DefinitionEditor, SectionsOfOneNameKeepTheirOwnLines)
{
    const std::string path = Write("twice.ini", Lines("[A]\nField=Edit\nFN=X\n\n[A]\nField=Memo\nFN=Y\n"));
    TFormItem form;
    WhenEditorShows([&](TFormItem& editor) {
        editor.BtnLast->click();
        EXPECT_EQ(editor.EditFieldName->text(), "Y");
        EXPECT_EQ(editor.ModuleTypeIndex(), kMemo);
        editor.BtnSave->click();
    });
    form.LoadDefinition(path);
    EXPECT_EQ(ReadFileBytes(path), "[A]\r\nField=Edit\r\nFN=X\r\n\r\n[A]\r\nField=Memo\r\nFN=Y\r\n\r\n");
    EXPECT_FALSE(form.SavedFileChanged());
}

TEST_F(DefinitionEditor, NamesLongerThanTypingAllowsStayWhole)
{
    const std::string path = Write("long.ini", Lines("[Weather at the time of the count]\nField=Edit\nFN=WEATHER10\nType=CHARACTER(30)\n"));
    TFormItem form;
    WhenEditorShows([&](TFormItem& editor) {
        editor.MemoModText->setPlainText("Weather");
        editor.BtnSave->click();
    });
    form.LoadDefinition(path);
    EXPECT_EQ(ReadFileBytes(path), "[Weather at the time of the count]\r\nText=Weather\r\nField=Edit\r\nFN=WEATHER10\r\nType=CHARACTER(30)\r\n\r\n");
}

TEST_F(DefinitionEditor, ModuleTypeSetsColumnTypeAndItemGrid)
{
    struct Case {
        int ModuleType;
        const char* Column;
        const char* Length;
        const char* Precision;
        bool LengthShown, PrecisionShown, ItemsEnabled, ItemsShown;
    };
    const Case cases[] = {
        {kEdit, "CHARACTER", "20", "0", true, false, false, false},
        {kMemo, "BLOB", "0", "1", true, true, false, false},
        {kSwitch, "NUMERIC", "4", "0", true, true, true, true},
        {kCheck, "MultiBool", "0", "0", false, false, true, true},
    };
    TFormItem form;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Column);
        form.ModuleTypeButton(c.ModuleType)->click();
        EXPECT_EQ(form.CB_Type->currentText(), c.Column);
        EXPECT_EQ(form.EditTypeLen->text(), c.Length);
        EXPECT_EQ(form.EditTypePrec->text(), c.Precision);
        EXPECT_EQ(!form.EditTypeLen->isHidden(), c.LengthShown);
        EXPECT_EQ(!form.EditTypePrec->isHidden(), c.PrecisionShown);
        EXPECT_EQ(form.GridItems->isEnabled(), c.ItemsEnabled);
        EXPECT_EQ(!form.GridItems->isHidden(), c.ItemsShown);
        EXPECT_TRUE(form.Modified());
    }
    SelectColumnType(form, "DATE");
    EXPECT_EQ(form.EditTypeLen->text(), "10");
    EXPECT_TRUE(form.EditTypeLen->isHidden());
    EXPECT_EQ(form.GetTypeText(), "DATE");
}

TEST_F(DefinitionEditor, ModuleTypesAndTheCountLeaveTheControlsInPlace)
{
    std::string text;
    for (int i = 1; i <= 12; ++i)
        text += "[Module" + std::to_string(i) + "]\r\nText=Module " + std::to_string(i) +
                "\r\nField=Edit\r\nFN=F" + std::to_string(i) + "\r\nType=CHARACTER(20)\r\n\r\n";
    const std::string path = Write("twelve.ini", text);
    WhenEditorShows([](TFormItem& form) {
        const auto places = [&form] {
            std::map<std::string, QRect> rects;
            for (QWidget* control : form.findChildren<QWidget*>())
                if (!control->objectName().isEmpty() && !control->objectName().startsWith("qt_") && control->isVisible())
                    rects[control->objectName().toStdString()] = QRect(control->mapTo(&form, QPoint()), control->size());
            return rects;
        };
        const auto expectSame = [](const std::map<std::string, QRect>& before, const std::map<std::string, QRect>& after,
                                   const char* step) {
            for (const auto& [name, rect] : after) {
                const auto found = before.find(name);
                EXPECT_TRUE(found == before.end() || found->second == rect) << name << " after " << step;
            }
        };
        QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        const auto first = places();
        ASSERT_EQ(form.LabelCounting->text(), "1/12");
        for (const int type : {kSwitch, kEdit, kCheck, kMemo, kEdit}) {
            form.ModuleTypeButton(type)->click();
            QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
            expectSame(first, places(), form.ModuleTypeButton(type)->text().toStdString().c_str());
        }
        form.cbCanRewrite->setChecked(true);
        form.BtnLast->click();
        QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        EXPECT_EQ(form.LabelCounting->text(), "12/12");
        expectSame(first, places(), "the last module");
    });
    TFormItem form;
    form.LoadDefinition(path);
}

TEST_F(DefinitionEditor, ModuleWithABadTypeIsRefusedAndTheShownOneStays)
{
    const std::string path = Write("bad.ini", Lines("[Good]\nField=Edit\nFN=GOOD\n\n[Bad]\nField=Edit\nFN=BAD\nType=CHARACTER(x)\n"));
    TFormItem form;
    ui.Push(TUiAnswer::Press(mrOk));  // the conversion error
    WhenEditorShows([&](TFormItem& editor) {
        editor.BtnNext->click();
        EXPECT_EQ(editor.Current(), 0);
        EXPECT_EQ(editor.EditName->text(), "Good");
        EXPECT_EQ(editor.EditFieldName->text(), "GOOD");
    });
    form.LoadDefinition(path);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_NE(Messages()[0].find("'x' is not a valid integer"), std::string::npos) << Messages()[0];
}

TEST_F(DefinitionEditor, DeleteModuleAndGridRows)
{
    const std::string path = Write("three.ini", Lines("[A]\nFN=A\n\n[B]\nFN=B\nField=Switch\nItem1=one\nItem2=two\nItem3=three\n\n[C]\nFN=C\n"));
    TFormItem form;
    WhenEditorShows([&](TFormItem& editor) {
        editor.BtnNext->click();
        editor.GridItemsContextPopup();
        editor.GridItems->setCurrentCell(1, 0);
        editor.I_DeleteRow1Click();
        EXPECT_EQ(editor.ItemRowCount(), 3);
        EXPECT_EQ(editor.ItemCell(2, 0), "three");
        editor.GridItems->setCurrentCell(0, 0);
        editor.I_ClearRow1Click();
        EXPECT_EQ(editor.ItemCell(1, 0), "");
        editor.I_AddRow1Click();
        EXPECT_EQ(editor.ItemRowCount(), 4);
        EXPECT_TRUE(editor.Modified());
        editor.cbCanRewrite->setChecked(true);
        editor.BtnLast->click();  // stores B
        editor.BtnDel->click();   // C goes, B shows
        EXPECT_EQ(editor.EditName->text(), "B");
        EXPECT_EQ(editor.LabelCounting->text(), "2/2");
        editor.BtnSave->click();
    });
    form.LoadDefinition(path);
    EXPECT_EQ(ReadFileBytes(path), "[A]\r\nFN=A\r\n\r\n[B]\r\nField=Switch\r\nFN=B\r\nType=NUMERIC(4,0)\r\nItem1=three\r\n\r\n");
}

TEST_F(DefinitionEditor, CancelAsksOnlyAfterChangesAndWritesNothing)
{
    const std::string bytes = Lines("[A]\nField=Edit\nFN=A\n");
    const std::string path = Write("keep.ini", bytes);
    struct Case {
        const char* Title;
        bool Edit;
        std::vector<int> Answers;  // to "Cancel all changes?"
    };
    const Case cases[] = {{"nothing changed", false, {}}, {"edited, No then Yes", true, {mrNo, mrYes}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Title);
        for (int answer : c.Answers) ui.Push(TUiAnswer::Press(answer));
        TFormItem form;
        std::vector<bool> openAfterCancel;
        WhenEditorShows([&](TFormItem& editor) {
            if (c.Edit) editor.EditName->setText("B");
            for (size_t i = 0; i < std::max<size_t>(1, c.Answers.size()); ++i) {
                editor.BtnCancel->click();
                openAfterCancel.push_back(editor.isVisible());
            }
        });
        form.LoadDefinition(path);
        EXPECT_EQ(ReadFileBytes(path), bytes);
        EXPECT_EQ(form.GetSavedFileName(), "");
        if (c.Edit)
            EXPECT_EQ(openAfterCancel, (std::vector<bool>{true, false}));
        else
            EXPECT_EQ(openAfterCancel, (std::vector<bool>{false}));
    }
}

TEST_F(DefinitionEditor, CreatingKeepsAnExistingFileUntilSave)
{
    const std::string bytes = Lines("[Old]\nFN=OLD\n");
    const std::string path = Write("old.ini", bytes);
    TFormItem cancelled;
    ui.Push(TUiAnswer::SaveFile(path));
    ui.Push(TUiAnswer::Press(mrNo));   // "Add a new module?"
    ui.Push(TUiAnswer::Press(mrYes));  // "Cancel all changes?"
    WhenEditorShows([&](TFormItem& editor) {
        EXPECT_TRUE(std::filesystem::exists(path));
        editor.BtnCancel->click();
    });
    cancelled.CreateDefinition();
    EXPECT_EQ(ReadFileBytes(path), bytes);

    TFormItem saved;
    CreateWith(saved, ui, path, {&kModuleCases[0]});
    EXPECT_EQ(ReadFileBytes(path), kModuleCases[0].Written);
    EXPECT_TRUE(saved.SavedFileChanged());
}

TEST(DefinitionTableBackup, MovesTableFilesToNamesNotTakenYet)
{
    TempDir dir;
    const std::string definition = dir.file("survey.ini");
    EXPECT_TRUE(BackupDataTableFiles(definition).empty());
    WriteFileBytes(dir.file("survey.dbf"), "table 1");
    WriteFileBytes(dir.file("survey.dbt"), "memo 1");
    EXPECT_EQ(BackupDataTableFiles(definition),
              (std::vector<std::string>{dir.file("survey_backup1.dbf"), dir.file("survey_backup1.dbt")}));
    WriteFileBytes(dir.file("survey.dbf"), "table 2");
    WriteFileBytes(dir.file("survey_backup2.dbt"), "someone's file");
    EXPECT_EQ(BackupDataTableFiles(definition), (std::vector<std::string>{dir.file("survey_backup3.dbf")}));
    EXPECT_EQ(ReadFileBytes(dir.file("survey_backup1.dbf")), "table 1");
    EXPECT_EQ(ReadFileBytes(dir.file("survey_backup1.dbt")), "memo 1");
    EXPECT_EQ(ReadFileBytes(dir.file("survey_backup3.dbf")), "table 2");
    EXPECT_FALSE(std::filesystem::exists(dir.file("survey.dbf")));
}

// ---- From the main window ---------------------------------------------------------------------

namespace {

const char* const kObserver = "[Observer]\nText=Name\nField=Edit\nFN=OBSERVER\nType=CHARACTER(20)\n";

class DefinitionCommands : public testing::Test {
protected:
    void SetUp() override { h.Modals.reset(); }  // the editor is driven, not closed at once
    MainFormHarness h;
};

}  // namespace

TEST_F(DefinitionCommands, CreateSavesAndOpensTheNewDefinition)
{
    const std::string path = h.Dir.file("birds.ini");
    h.Ui.Push(TUiAnswer::SaveFile(path));
    h.Ui.Push(TUiAnswer::Press(mrYes));  // "Add a new module?"
    h.Ui.Push(TUiAnswer::Press(mrYes));  // "Open editted ...?"
    WhenEditorShows([&](TFormItem& editor) {
        Fill(editor, kModuleCases[2]);
        editor.BtnSave->click();
    });
    h.Form->TB_CreateDefIni->click();
    EXPECT_EQ(h.TakeMessages(), (std::vector<std::string>{"Add a new module?", "Open editted " + path + "?"}));
    EXPECT_EQ(ReadFileBytes(path), kModuleCases[2].Written);
    ASSERT_NE(h.Form->Definition(), nullptr);
    EXPECT_EQ(h.Form->StatusPanels[2]->text().toStdString(), path);
    EXPECT_EQ(h.Form->PanelCount(), 1);
    EXPECT_TRUE(std::filesystem::exists(h.Dir.file("birds.dbf")));
}

TEST_F(DefinitionCommands, ModifyingTheOpenDefinitionIsRefused)
{
    const std::string path = h.WriteDefinition("observer.ini", kObserver);
    ASSERT_TRUE(h.Open(path));
    h.TakeMessages();
    for (const std::string& name : {path, h.Dir.file("./observer.ini")}) {
        h.Ui.Push(TUiAnswer::OpenFile(name));
        h.Ui.Push(TUiAnswer::Press(mrOk));
        h.Form->TB_EditDefIni->click();
        EXPECT_EQ(h.TakeMessages(), (std::vector<std::string>{"It is not possible to modify the opened file."}));
    }
    EXPECT_EQ(h.Ui.Pending(), 0);
    EXPECT_TRUE(h.Ui.Failures().empty());
}

// The table is moved aside only when a new one would have other columns; a changed label keeps it.
TEST_F(DefinitionCommands, ModifyKeepsTheOldTableUnderABackupNameWhenItsColumnsChange)
{
    const std::string path = h.WriteDefinition("observer.ini", kObserver);
    ASSERT_TRUE(h.Open(path));
    h.Form->TB_DataInsertClick();
    h.Form->TB_CloseClick();
    WriteFileBytes(h.Dir.file("observer.dbt"), "memo");
    const std::string table = ReadFileBytes(h.Dir.file("observer.dbf"));
    h.TakeMessages();

    // Saved without a change: the table stays where it is.
    h.Ui.Push(TUiAnswer::OpenFile(path));
    h.Ui.Push(TUiAnswer::Press(mrNo));  // "Open editted ...?"
    WhenEditorShows([](TFormItem& editor) { editor.BtnSave->click(); });
    h.Form->TB_EditDefIni->click();
    EXPECT_EQ(h.TakeMessages(), (std::vector<std::string>{"Open editted " + path + "?"}));
    EXPECT_EQ(ReadFileBytes(h.Dir.file("observer.dbf")), table);

    // Only the label changed: the table stays and opens with its record.
    h.Ui.Push(TUiAnswer::OpenFile(path));
    h.Ui.Push(TUiAnswer::Press(mrYes));  // "Open editted ...?"
    WhenEditorShows([](TFormItem& editor) {
        editor.MemoModText->setPlainText("Name of the observer");
        editor.BtnSave->click();
    });
    h.Form->TB_EditDefIni->click();
    EXPECT_EQ(h.TakeMessages(), (std::vector<std::string>{"Open editted " + path + "?"}));
    EXPECT_NE(ReadFileBytes(path).find("Text=Name of the observer"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(h.Dir.file("observer.dbf")), table);
    EXPECT_FALSE(std::filesystem::exists(h.Dir.file("observer_backup1.dbf")));
    ASSERT_NE(h.Form->Definition(), nullptr);
    EXPECT_EQ(h.Form->Table.RecordCount(), 1);
    h.Form->TB_CloseClick();

    // A column's size changed: the table moves aside and the user is told where.
    h.Ui.Push(TUiAnswer::OpenFile(path));
    h.Ui.Push(TUiAnswer::Press(mrOk));   // the backup message
    h.Ui.Push(TUiAnswer::Press(mrYes));  // "Open editted ...?"
    WhenEditorShows([](TFormItem& editor) {
        editor.EditTypeLen->setText("30");
        editor.BtnSave->click();
    });
    h.Form->TB_EditDefIni->click();
    const std::string backup = h.Dir.file("observer_backup1.dbf");
    EXPECT_EQ(h.TakeMessages(), (std::vector<std::string>{BackupMessage({backup, h.Dir.file("observer_backup1.dbt")}),
                                                          "Open editted " + path + "?"}));
    EXPECT_EQ(ReadFileBytes(backup), table);
    EXPECT_EQ(ReadFileBytes(h.Dir.file("observer_backup1.dbt")), "memo");
    EXPECT_NE(DbfDump(backup).find("ID=1"), std::string::npos) << DbfDump(backup);
    ASSERT_NE(h.Form->Definition(), nullptr);  // opened on a new, empty table
    EXPECT_EQ(h.Form->Table.RecordCount(), 0);
    EXPECT_NE(DbfDump(h.Dir.file("observer.dbf")).find("OBSERVER C 30 0"), std::string::npos);
    EXPECT_EQ(h.Ui.Pending(), 0);
    EXPECT_TRUE(h.Ui.Failures().empty());
}

TEST_F(DefinitionCommands, CreatingOverTheOpenDefinitionClosesItBeforeItsTableMoves)
{
    const std::string path = h.WriteDefinition("observer.ini", kObserver);
    ASSERT_TRUE(h.Open(path));
    h.Form->TB_DataInsertClick();
    h.TakeMessages();
    h.Ui.Push(TUiAnswer::SaveFile(path));
    h.Ui.Push(TUiAnswer::Press(mrYes));  // "Add a new module?"
    h.Ui.Push(TUiAnswer::Press(mrOk));   // the backup message
    h.Ui.Push(TUiAnswer::Press(mrNo));   // "Open editted ...?"
    WhenEditorShows([](TFormItem& editor) {
        Fill(editor, kModuleCases[1]);
        editor.BtnSave->click();
    });
    h.Form->TB_CreateDefIni->click();
    EXPECT_EQ(h.Form->Definition(), nullptr);
    EXPECT_FALSE(h.Form->Table.Active());
    EXPECT_EQ(ReadFileBytes(path), kModuleCases[1].Written);
    EXPECT_FALSE(std::filesystem::exists(h.Dir.file("observer.dbf")));
    EXPECT_NE(DbfDump(h.Dir.file("observer_backup1.dbf")).find("ID=1"), std::string::npos);
    EXPECT_EQ(h.Ui.Pending(), 0);
    EXPECT_TRUE(h.Ui.Failures().empty());
}
