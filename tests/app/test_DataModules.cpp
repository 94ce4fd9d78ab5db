#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <chrono>
#include <filesystem>

#include "app/DataModules.h"
#include "app/support_MainForm.h"
#include "platform/core/IniFiles.h"
#include "platform/ui/DBCtrls.h"

using namespace qbtest;

namespace {

TStringList Lines(const std::string& text)
{
    TStringList lines;
    lines.SetText(text);
    return lines;
}

std::string Kinds(const TSectionDefinition& d)
{
    std::string kinds;
    for (const TSectionControl& c : d.Controls) kinds += "LEMCR"[int(c.Kind)];
    return kinds;
}

std::string JoinAll(const std::vector<std::string>& parts)
{
    std::string text;
    for (const std::string& part : parts) text += (text.empty() ? "" : ", ") + part;
    return text;
}

}  // namespace

TEST(SectionDefinition, ReadsControlsValuesAndColumns)
{
    const struct {
        const char* name;
        const char* lines;
        const char* kinds;     // controls in file order: Label Edit Memo Check Radio
        const char* values;    // stored value of each choice
        const char* links;     // conditional memo of each choice
        const char* columns;
    } cases[] = {
        {"weather example", "text=Weather at the time of counting\nfn=WEATH\ntype=NUMERIC(2,0)\nfield=switch\nitem1=clear\n"
                            "item2=rain\nitem3=snow\nvalue3=9\ncondtext=2;Rain intensity",
         "LRRR", "1, 2, 9", "-1 0 -1", "WEATH NUMERIC(2,0), WEATH_2_0 BLOB(0,1)"},
        {"keys and kinds ignore case", "TEXT=a\nText=b\nFN=Size\nType=numeric(3,1)\nFIELD=Edit", "LLE", "", "",
         "Size NUMERIC(3,1)"},
        {"check boxes store True", "fn=B\ntype=MultiBool\nfield=Check\nitem1=x\nitem2=y\nvalue2=yes", "CC", "True, yes", "-1 -1",
         "B_1 BOOLEAN, B_2 BOOLEAN"},
        {"check boxes keep a plain type", "fn=B\ntype=CHARACTER(1)\nfield=check\nitem1=x", "C", "True", "-1", "B_1 CHARACTER(1)"},
        {"items and item7 both add the next choice", "fn=R\ntype=CHARACTER(1)\nfield=switch\nitems=a\nitem7=b", "RR", "1, 2",
         "-1 -1", "R CHARACTER(1)"},
        {"condtext 0 gives a free memo", "fn=R\ntype=NUMERIC(1,0)\nfield=switch\nitem1=a\ncondtext=0;Remarks\ncondtext=1",
         "R", "1", "1", "R NUMERIC(1,0), R_0_0 BLOB(0,1), R_1_1 BLOB(0,1)"},
        {"a choice keeps its first memo", "fn=R\ntype=NUMERIC(1,0)\nfield=switch\nitem1=a\ncondtext=1;x\ncondtext=1;y", "R", "1",
         "0", "R NUMERIC(1,0), R_1_0 BLOB(0,1), R_1_1 BLOB(0,1)"},
        {"a number naming no choice links nothing", "fn=R\ntype=NUMERIC(1,0)\nfield=switch\nitem1=a\ncondtext=4", "R", "1", "-1",
         "R NUMERIC(1,0), R_4_0 BLOB(0,1)"},
        {"comments and lines without '=' do nothing", "; fn=X\nfn=M\njust words\ntype=BLOB(0,1)\nfield=memo\nfield=radio", "M",
         "", "", "M BLOB(0,1)"},
        {"later fn and type replace earlier ones", "fn=A\ntype=DATE\nfn=B\ntype=date\nfield=edit", "E", "", "", "B DATE"},
        {"edit and memo share the base column", "fn=T\ntype=CHARACTER(9)\nfield=memo\nfield=edit", "ME", "", "",
         "T CHARACTER(9)"},
        {"labels only", "text=Heading\ntext=More", "LL", "", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TSectionDefinition d = ReadSectionDefinition(0, Lines(c.lines));
        EXPECT_EQ(Kinds(d), c.kinds);
        EXPECT_EQ(JoinAll(d.ChoiceValues), c.values);
        std::string links;
        for (int link : d.MemoLinks) links += (links.empty() ? "" : " ") + std::to_string(link);
        EXPECT_EQ(links, c.links);
        EXPECT_EQ(JoinAll(SectionColumns(d)), c.columns);
    }
}

TEST(SectionDefinition, RefusesLinesItCannotBuildFrom)
{
    const struct {
        const char* lines;
        const char* message;
    } cases[] = {
        {"fn=W\nfield=switch\nvalue2=5\nitem1=a\nitem2=b", "3: The line \"value2=5\" names no choice above it."},
        {"fn=W\nfield=switch\nitem1=a\nvalue=5", "3: The line \"value=5\" names no choice above it."},
        {"fn=W\nfield=switch\nitem1=a\nvaluex=5", "3: The line \"valuex=5\" names no choice above it."},
        {"fn=W\nfield=check\nitem1=a\nvalue0=5", "3: The line \"value0=5\" names no choice above it."},
        {"fn=W\nfield=switch\nitem1=a\ncondtext=x;label", "3: The line \"condtext=x;label\" has no choice number."},
        {"fn=W\nfield=switch\nitem1=a\ncondtext= ;label", "3: The line \"condtext= ;label\" has no choice number."},
        {"fn=W\nitem1=a\nfield=switch", "3: The line \"item1=a\" comes before any field=check or field=switch line."},
        {"fn=W\nfield=check\nitem1=a\nfield=switch\nitem2=b", "3: Check boxes and radio choices can't share a section."},
        {"fn=W\nfield=edit\nfield=edit", "3: A section holds at most one field=edit and one field=memo line."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines);
        try {
            ReadSectionDefinition(3, Lines(c.lines));
            ADD_FAILURE() << "no error";
        } catch (const Exception& error) {
            EXPECT_EQ(error.Message(), c.message);
        }
    }
}

TEST(SectionDefinition, ColumnNamesAreCheckedForTheDbaseLimit)
{
    std::string lines = "fn=ABCDEFGH\ntype=MULTIBOOL\nfield=check\n";
    for (int i = 1; i <= 9; ++i) lines += "item" + std::to_string(i) + "=x\n";
    EXPECT_EQ(TooLongColumnName(SectionColumns(ReadSectionDefinition(0, Lines(lines)))), "") << "ABCDEFGH_9 fits";
    lines += "item10=x\n";
    EXPECT_EQ(TooLongColumnName(SectionColumns(ReadSectionDefinition(0, Lines(lines)))), "ABCDEFGH_10");
    EXPECT_EQ(TooLongColumnName(SectionColumns(ReadSectionDefinition(0, Lines("fn=ABCDEFGHIJK\ntype=DATE\nfield=edit")))),
              "ABCDEFGHIJK");
    EXPECT_EQ(TooLongColumnName(SectionColumns(ReadSectionDefinition(0, Lines("fn=ABCDEFG\nfield=check\nitem1=a\ncondtext=1")))),
              "ABCDEFG_1_0");
    EXPECT_EQ(CheckFieldName("B", 0), "B_1");
}

// Edits that leave the data table as it is (labels, captions, stored values) against edits that
// need another table.
TEST(SectionDefinition, DefinitionColumnsChangeOnlyWithTheTable)
{
    const std::string base = "[Weather]\nText=Weather\nFN=WEATH\nType=NUMERIC(2,0)\nField=Switch\nItem1=clear\nItem2=rain\n";
    const struct {
        const char* edit;
        std::string text;
        bool sameTable;
    } cases[] = {
        {"another label", "[Weather]\nText=Sky\nFN=WEATH\nType=NUMERIC(2,0)\nField=Switch\nItem1=clear\nItem2=rain\n", true},
        {"other captions and values", "[Weather]\nText=Weather\nFN=WEATH\nType=NUMERIC(2,0)\nField=Switch\nItem1=sun\nItem2=rain\nValue2=7\n", true},
        {"another module name", "[Sky]\nText=Weather\nFN=WEATH\nType=NUMERIC(2,0)\nField=Switch\nItem1=clear\nItem2=rain\n", true},
        {"the name in lower case", "[Weather]\nText=Weather\nFN=weath\nType=numeric(2,0)\nField=Switch\nItem1=clear\nItem2=rain\n", true},
        {"another size", "[Weather]\nText=Weather\nFN=WEATH\nType=NUMERIC(3,0)\nField=Switch\nItem1=clear\nItem2=rain\n", false},
        {"another name", "[Weather]\nText=Weather\nFN=SKY\nType=NUMERIC(2,0)\nField=Switch\nItem1=clear\nItem2=rain\n", false},
        {"a conditional text", base + "CondText=2;How much\n", false},
        {"one more module", base + "[Notes]\nFN=NOTES\nType=BLOB(0,1)\nField=Memo\n", false},
    };
    TempDir dir;
    auto columns = [&](const std::string& text) {
        const std::string path = dir.file("survey.ini");
        WriteFileBytes(path, text);
        return DefinitionColumns(TMemIniFile(path));
    };
    const std::vector<std::string> before = columns(base);
    EXPECT_EQ(JoinAll(before), "ID NUMERIC(6,0), WEATH NUMERIC(2,0)");
    for (const auto& c : cases) EXPECT_EQ(columns(c.text) == before, c.sameTable) << c.edit;
    EXPECT_THROW(columns("[W]\nFN=W\nField=Switch\nValue2=5\n"), Exception);
}

TEST(DataModule, WeatherPanelPlacementAndDescription)
{
    MainFormHarness h;
    ASSERT_TRUE(h.Open(h.WriteDefinition("survey.ini", kWeatherSection)));
    h.Form->TB_DataInsert->click();
    TDataModule& panel = h.Panel(0);
    EXPECT_EQ(panel.BtnPreviousModule->geometry(), QRect(15, 5, 50, 20));
    EXPECT_EQ(panel.BtnNextModule->geometry(), QRect(70, 5, 50, 20));
    EXPECT_EQ(panel.BtnPreviousModule->toolTip(), "Previous data field(s)");
    EXPECT_EQ(panel.BtnNextModule->toolTip(), "Next data field(s)");
    EXPECT_EQ(panel.IDtext->toolTip(), "Record ID");
    EXPECT_EQ(panel.IDtext->geometry().topLeft(), QPoint(130, 6));
    EXPECT_EQ(panel.IDtext->DataField(), "ID");
    ASSERT_EQ(panel.Labels().size(), 2u);
    const int width = panel.viewport()->width();
    QLabel* heading = panel.Labels()[0];
    EXPECT_EQ(heading->geometry().topLeft(), QPoint(10, 35));
    const QRect group = panel.RadioGroup()->geometry();
    EXPECT_EQ(group, QRect(10, heading->geometry().bottom() + 1 + 5, width - 15, 72));
    EXPECT_EQ(panel.Labels()[1]->text(), "Rain intensity");
    EXPECT_EQ(panel.Labels()[1]->y(), group.bottom() + 1 + 5);
    TDBMemo* memo = panel.ConditionalMemos()[0];
    EXPECT_EQ(memo->geometry(), QRect(10, panel.Labels()[1]->geometry().bottom() + 1 + 5, width - 20, 40));
    EXPECT_EQ(memo->DataField(), "WEATH_2_0");
    EXPECT_EQ(panel.RadioGroup()->Button(2)->text(), "snow");
    EXPECT_EQ(panel.GetDescription(),
              "0: Weather at the time of counting\r\n"
              "- Data fields:\r\n"
              " WEATH\r\n"
              "- Value list:\r\n"
              " [1]: clear | 1\r\n"
              " [2]: rain | 2\r\n"
              " [3]: snow | 9\r\n"
              "- Conditional text fields (memos):\r\n"
              " 0: WEATH_2_0");
}

TEST(DataModule, DescriptionOfCheckBoxesEditAndMemo)
{
    MainFormHarness h;
    ASSERT_TRUE(h.Open(h.WriteDefinition("birds.ini",
                                         "[Birds]\nfn=BIRD\ntype=MULTIBOOL\nfield=check\nitem1=heron\nitem2=stork\n"
                                         "[Notes]\nfn=NOTES\ntype=CHARACTER(30)\nfield=edit\ntext=Remarks\n"
                                         "[Long]\ntext=Story\nfn=STORY\ntype=BLOB(0,1)\nfield=memo\n"
                                         "[Choice]\nfn=C\ntype=CHARACTER(2)\nfield=switch\nitem1=a\nvalue1=\n")));
    EXPECT_EQ(h.Panel(0).GetDescription(), "0: \r\n- Data fields:\r\n BIRD_1 - heron\r\n BIRD_2 - stork");
    EXPECT_EQ(h.Panel(1).GetDescription(), "1: Remarks\r\n- Data fields:\r\n NOTES");
    EXPECT_EQ(h.Panel(2).GetDescription(), "2: Story\r\n- Data fields:\r\n STORY");
    EXPECT_EQ(h.Panel(3).GetDescription(), "3: \r\n- Data fields:\r\n C\r\n- Value list:\r\n [1]: a");
    // The memo's height is the client height less its place above the gap less 60.
    h.Form->ShowDataModule(2);
    TDataModule& story = h.Panel(2);
    const QRect memo = story.Memo()->geometry();
    EXPECT_EQ(memo.height(), story.viewport()->height() - (memo.top() - 5) - 60);
}

TEST(DataModule, ChoiceClicksMarkThePanelAndFocusLinkedMemos)
{
    MainFormHarness h;
    ASSERT_TRUE(h.Open(h.WriteDefinition("birds.ini", "[Birds]\nfn=BIRD\ntype=MULTIBOOL\nfield=check\nitem1=heron\nitem2=stork\n"
                                                      "condtext=1;How many herons\n")));
    h.Form->activateWindow();
    h.Form->TB_DataInsert->click();
    TDataModule& panel = h.Panel(0);
    EXPECT_FALSE(panel.Modified());
    const QColor aqua = panel.IDtext->palette().color(QPalette::Window);
    EXPECT_EQ(aqua, QColor(0, 255, 255));
    panel.CheckBoxes()[1]->click();  // no memo of its own
    EXPECT_TRUE(panel.Modified());
    EXPECT_EQ(panel.IDtext->palette().color(QPalette::Window), QColor(255, 0, 0));
    panel.CheckBoxes()[0]->click();
    EXPECT_TRUE(WaitFor([&] { return panel.ConditionalMemos()[0]->hasFocus(); }));
    panel.CheckBoxes()[1]->setFocus();
    panel.CheckBoxes()[0]->click();  // unticking never moves the focus
    EXPECT_FALSE(panel.ConditionalMemos()[0]->hasFocus());
    panel.PostValues();
    EXPECT_FALSE(panel.Modified());
    EXPECT_FALSE(h.Form->Table.FieldByName("BIRD_1").AsBoolean());
    EXPECT_TRUE(h.Form->Table.FieldByName("BIRD_2").AsBoolean());
}

TEST(DataModule, RadioGroupStoresChoiceValuesAndNothingWithoutSelection)
{
    MainFormHarness h;
    ASSERT_TRUE(h.Open(h.WriteDefinition("survey.ini", "[Kind]\nfn=KIND\ntype=CHARACTER(3)\nfield=switch\nitem1=a\nitem2=b\n"
                                                       "value2=Abc\n")));
    h.Form->TB_DataInsert->click();
    TDataModule& panel = h.Panel(0);
    TField& field = h.Form->Table.FieldByName("KIND");
    EXPECT_EQ(panel.RadioGroup()->ItemIndex(), -1);
    panel.RadioGroup()->Button(1)->click();
    panel.PostValues();
    EXPECT_EQ(field.AsString(), "Abc");
    h.Form->Table.Edit();
    field.SetAsString("ABC");  // compared without regard to case
    h.Form->Table.Post();
    panel.LoadValues();
    EXPECT_EQ(panel.RadioGroup()->ItemIndex(), 1);
    h.Form->Table.Edit();
    field.SetAsString("zz");
    h.Form->Table.Post();
    panel.LoadValues();
    EXPECT_EQ(panel.RadioGroup()->ItemIndex(), -1) << "no choice matches";
    panel.SetModified(true);
    panel.PostValues();
    EXPECT_EQ(field.AsString(), "");
}

namespace {

// Seconds that opening a one-section definition of that many radio choices and showing its
// panel take.
double SecondsToShowChoices(int items)
{
    MainFormHarness h;
    std::string text = "[Many]\nfn=MANY\ntype=CHARACTER(5)\nfield=switch\n";
    for (int i = 1; i <= items; ++i) text += "item" + std::to_string(i) + "=choice " + std::to_string(i) + "\n";
    const std::string path = h.WriteDefinition("many.ini", text);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(h.Open(path));
    h.Form->ShowDataModule(0);
    QApplication::processEvents();
    EXPECT_TRUE(h.Panel(0).isVisible());
    EXPECT_EQ(h.Panel(0).RadioGroup()->Count(), items);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

// The panel is laid out once per show, not once per choice: eight times the choices take
// about eight times as long (laid out per choice they took over sixteen times as long).
TEST(DataModule, PanelWithManyChoicesShowsInLinearTime)
{
    SecondsToShowChoices(100);  // warm-up: fonts, styles
    const double small = SecondsToShowChoices(500);
    const double large = SecondsToShowChoices(4000);
    EXPECT_LT(large, 8 * 1.5 * small + 0.3) << "500 choices: " << small << " s, 4,000: " << large << " s";
    EXPECT_LT(large, 60.0);
}

// A definition needing more fields than a table holds is refused before any panel is built.
TEST(DataModule, DefinitionBeyondTheFieldLimitIsRefusedBeforeBuilding)
{
    // Sections of one edit each: with the record ID, n sections need n + 1 table fields.
    auto sections = [](int count) {
        std::string text;
        for (int i = 0; i < count; ++i)
            text += "[S" + std::to_string(i) + "]\nfn=F" + std::to_string(i) + "\ntype=CHARACTER(5)\nfield=edit\n";
        return text;
    };
    {
        MainFormHarness h;
        const std::string path = h.WriteDefinition("huge.ini", sections(10000));
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(h.Open(path, 1));
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_LT(seconds, 5.0);
        const std::vector<std::string> messages = h.TakeMessages();
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0], "The data definition file " + path + " was not opened:\r\n"
                              "Up to the section [S254] the definition describes 256 table fields; a table holds at "
                              "most 255.");
        EXPECT_EQ(h.Form->PanelCount(), 0);
        EXPECT_FALSE(std::filesystem::exists(h.Dir.file("huge.dbf")));
    }
    MainFormHarness h;  // at the limit the definition opens
    EXPECT_TRUE(h.Open(h.WriteDefinition("full.ini", sections(254))));
    EXPECT_EQ(h.Form->Table.FieldCount(), 255);
}
