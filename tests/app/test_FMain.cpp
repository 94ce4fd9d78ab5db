#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <filesystem>
#include <functional>

#include "app/DataModules.h"
#include "app/FFtp.h"
#include "app/FMain.h"
#include "app/FText.h"
#include "app/support_MainForm.h"
#include "platform/core/NumText.h"
#include "platform/ui/DBCtrls.h"
#include "platform/ui/DBNavigator.h"

using namespace qbtest;

namespace {

// One section of every kind of input.
const std::string kSurvey = JoinSections({kObserverSection, kWeatherSection, kBirdsSection, kNotesSection});

bool Exists(const std::string& path) { return std::filesystem::exists(path); }

std::vector<std::string> ToolBarOrder(const TFormMain& form)
{
    std::vector<std::string> names;
    for (QAction* action : form.ToolBar->actions())
        if (QWidget* widget = form.ToolBar->widgetForAction(action)) names.push_back(widget->objectName().toStdString());
    return names;
}

// Which of the state-following buttons are enabled, in toolbar order.
std::string EnabledButtons(const TFormMain& form)
{
    std::string states;
    for (QToolButton* b : {form.TB_CreateDefIni, form.TB_EditDefIni, form.TB_Open, form.TB_Close, form.TB_Table,
                           form.TB_DataInsert, form.TB_Descriptions, form.TB_SQL, form.TB_Import, form.TB_graph,
                           form.TB_SendViaFTP, form.TB_About})
        states += b->isEnabled() ? '1' : '0';
    return states;
}

void ClickNext(MainFormHarness& h) { h.Current().BtnNextModule->click(); }

}  // namespace

TEST(FormMain, WindowToolbarAndStatusBarAsDesigned)
{
    MainFormHarness h;
    TFormMain& form = *h.Form;
    EXPECT_EQ(form.windowTitle(), "Quellbrook");
    EXPECT_EQ(form.size(), QSize(643, 348));
    EXPECT_EQ(form.font().family(), "Tahoma");
    EXPECT_EQ(ToolBarOrder(form),
              (std::vector<std::string>{"TB_CreateDefIni", "TB_EditDefIni", "TB_Open", "TB_Close", "ToolButton1", "TB_Table",
                                        "TB_DataInsert", "TB_Descriptions", "ToolButton2", "DBNavigator", "ToolButton4",
                                        "TB_SQL", "TB_Import", "TB_graph", "TB_SendViaFTP", "TB_About"}));
    const std::pair<QToolButton*, const char*> hints[] = {
        {form.TB_CreateDefIni, "Create data definition file"}, {form.TB_EditDefIni, "Modify data definition file"},
        {form.TB_Open, "Open data definition file"}, {form.TB_Close, "Close data definition file"},
        {form.TB_Table, "Show data table"}, {form.TB_DataInsert, "Input data mode"},
        {form.TB_Descriptions, "List descriptions"}, {form.TB_SQL, "SQL select"}, {form.TB_Import, "Import data"},
        {form.TB_graph, "Graph"}, {form.TB_SendViaFTP, "Send data"}, {form.TB_About, "About Quellbrook"}};
    for (const auto& [button, hint] : hints) {
        EXPECT_EQ(button->toolTip(), hint) << button->objectName().toStdString();
        EXPECT_EQ(button->accessibleName(), hint);
        EXPECT_FALSE(button->icon().isNull());
    }
    EXPECT_EQ(form.ToolButton1->width(), 8);
    EXPECT_EQ(form.ToolButton2->width(), 8);
    EXPECT_EQ(form.ToolButton4->width(), 32);
    EXPECT_EQ(form.DBNavigator->VisibleButtons(), NavButtons({nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete}));
    EXPECT_EQ(form.DBNavigator->DataSource(), &form.DataSource);
    EXPECT_EQ(form.StatusPanels[0]->width(), 50);
    EXPECT_EQ(form.StatusPanels[1]->width(), 150);
    EXPECT_EQ(form.StatusPanels[0]->alignment(), Qt::AlignCenter);
    EXPECT_EQ(form.OpenDlg.Filter, "Setting file (ini)|*.ini|All files|*.*");
    EXPECT_EQ(form.OpenDlgImp.Filter, "dBase/FoxPro table|*.dbf");
    EXPECT_EQ(form.OpenDlgImp.Title, "Select table for data import");
    EXPECT_EQ(form.Database1.DatabaseName(), "collection");
    EXPECT_EQ(form.Table.DatabaseName(), "collection");
    EXPECT_EQ(form.Query.DatabaseName(), "collection");
}

TEST(FormMain, FirstActivationShowsInformationOnceAndSetsNoDefinitionState)
{
    MainFormHarness h;
    EXPECT_EQ(h.Modals->Shown, std::vector<std::string>{"FormInfo"});
    EXPECT_EQ(CommonDirectory, h.Dir.file("common") + "/");
    // No FTP settings file lies beside the test program, so Send data is off for the run.
    EXPECT_EQ(EnabledButtons(*h.Form), "111000000001");
    // Closing the modal window activates the main window again: nothing more happens.
    h.Form->FormActivate();
    QEvent activation(QEvent::ActivationChange);
    QApplication::sendEvent(h.Form.get(), &activation);
    WaitFor([] { return false; }, 100);
    EXPECT_EQ(h.Modals->Shown.size(), 1u);
    h.Form->TB_About->click();
    EXPECT_EQ(h.Modals->Shown, (std::vector<std::string>{"FormInfo", "FormInfo"}));
}

TEST(FormMain, ToolbarFollowsDefinitionAndInputMode)
{
    MainFormHarness h;
    ASSERT_TRUE(h.Open(h.WriteDefinition("survey.ini", kWeatherSection)));
    EXPECT_EQ(EnabledButtons(*h.Form), "110111111101") << "definition open";
    EXPECT_EQ(h.Form->StatusPanels[2]->text().toStdString(), h.Dir.file("survey.ini"));
    h.Form->TB_DataInsert->click();
    EXPECT_FALSE(h.Current().isHidden());
    EXPECT_EQ(EnabledButtons(*h.Form), "110111111101") << "input mode changes no button";
    h.Form->TB_DataInsert->click();
    EXPECT_TRUE(h.Current().isHidden()) << "the same button leaves input mode";
    h.Ui.Push(TUiAnswer::Press(mrOk));
    h.Form->TB_OpenClick();  // the button itself is disabled now
    EXPECT_EQ(h.TakeMessages(), std::vector<std::string>{"Close opened file firstly"});
    h.Form->TB_Close->click();
    EXPECT_EQ(EnabledButtons(*h.Form), "111000000001") << "closed";
    EXPECT_EQ(h.Form->PanelCount(), 0);
    EXPECT_EQ(h.Form->Definition(), nullptr);
    for (QLabel* panel : h.Form->StatusPanels) EXPECT_TRUE(panel->text().isEmpty());
    EXPECT_FALSE(h.Form->Database1.Connected());
}

TEST(FormMain, SendDataNeedsAnOpenDefinitionAndFtpSettings)
{
    MainFormHarness h;
    TftpSetting settings;
    settings.Host = "127.0.0.1";
    settings.SaveToFile(h.Dir.file("Quellbrook.ftp"));
    h.Form->LoadFtpSettings(h.Dir.file("Quellbrook.ftp"));
    EXPECT_EQ(EnabledButtons(*h.Form), "111000000001") << "settings found, no definition open";
    ASSERT_TRUE(h.Open(h.WriteDefinition("survey.ini", kWeatherSection)));
    EXPECT_EQ(EnabledButtons(*h.Form), "110111111111") << "definition open";
    h.Form->TB_Close->click();
    EXPECT_EQ(EnabledButtons(*h.Form), "111000000001") << "closed";
}

// How much of a picture shows: the darkness of its pixels weighted by their opacity.
double Ink(const QIcon& icon, QIcon::Mode mode)
{
    const QImage image = icon.pixmap(QSize(16, 16), mode).toImage().convertToFormat(QImage::Format_ARGB32);
    double ink = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            ink += qAlpha(pixel) / 255.0 * (255 - qGray(pixel)) / 255.0;
        }
    return ink;
}

TEST(FormMain, DisabledButtonsLookDisabledAndCreateLooksUsable)
{
    MainFormHarness h;
    std::vector<QToolButton*> buttons;
    for (QToolButton* button : h.Form->ToolBar->findChildren<QToolButton*>())
        if (!button->objectName().startsWith("qt_") && !button->isHidden()) buttons.push_back(button);
    ASSERT_GE(buttons.size(), 18u) << "the toolbar's buttons and the navigator's";
    double shown = 0;
    for (QToolButton* button : buttons) {
        SCOPED_TRACE(button->objectName().toStdString());
        const double normal = Ink(button->icon(), QIcon::Normal);
        EXPECT_LT(Ink(button->icon(), QIcon::Disabled), normal * 0.6) << "the disabled picture is clearly fainter";
        if (button != h.Form->TB_CreateDefIni) shown = std::max(shown, normal);
    }
    EXPECT_GT(Ink(h.Form->TB_CreateDefIni->icon(), QIcon::Normal), shown * 0.3)
        << "Create is no fainter than a disabled picture";
    EXPECT_TRUE(h.Form->TB_CreateDefIni->isEnabled());
}

TEST(FormMain, NavigatorButtonsKeepTheirSizeInAWideWindow)
{
    MainFormHarness h;
    h.Form->resize(1366, 700);
    QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    for (const TNavigateBtn kind : {nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete}) {
        QToolButton* button = h.Form->DBNavigator->Button(kind);
        EXPECT_LE(button->width(), button->sizeHint().width() * 3 / 2) << button->objectName().toStdString();
    }
}

TEST(FormMain, WeatherExampleCreatesItsTable)
{
    MainFormHarness h;
    const std::string definition = h.WriteDefinition("survey.ini", kWeatherSection);
    ASSERT_TRUE(h.Open(definition));
    const std::string table = h.Dir.file("survey.dbf");
    EXPECT_EQ(h.Form->TablePath(), table);
    EXPECT_EQ(h.Form->Query.SQL().Text(), "CREATE TABLE \"" + table + "\"\r\n(\r\nID NUMERIC(6,0),\r\nWEATH NUMERIC(2,0),\r\nWEATH_2_0 BLOB(0,1)\r\n)\r\n");
    EXPECT_TRUE(Exists(h.Dir.file("survey.dbt")));
    EXPECT_EQ(DbfDump(table), "ID N 6 0\nWEATH N 2 0\nWEATH_2_0 M 10 0\n--\n");
    EXPECT_TRUE(h.TakeMessages().empty());
}

TEST(FormMain, CreateTableTextJoinsSectionsInOrder)
{
    MainFormHarness h;
    ASSERT_TRUE(h.Open(h.WriteDefinition("survey.ini", kSurvey)));
    const std::string table = h.Dir.file("survey.dbf");
    EXPECT_EQ(h.Form->Query.SQL().Text(),
              "CREATE TABLE \"" + table + "\"\r\n(\r\nID NUMERIC(6,0),\r\nOBSERVER CHARACTER(20),\r\nWEATH NUMERIC(2,0),\r\n"
              "WEATH_2_0 BLOB(0,1),\r\nBIRD_1 BOOLEAN,\r\nBIRD_2 BOOLEAN,\r\nNOTES BLOB(0,1)\r\n)\r\n");
    EXPECT_EQ(DbfDump(table), "ID N 6 0\nOBSERVER C 20 0\nWEATH N 2 0\nWEATH_2_0 M 10 0\nBIRD_1 L 1 0\nBIRD_2 L 1 0\nNOTES M 10 0\n--\n");
}

TEST(FormMain, MultiBoolCheckBoxesBecomeBooleanColumns)
{
    MainFormHarness h;
    ASSERT_TRUE(h.Open(h.WriteDefinition("birds.ini", "[Birds]\nfn=SPECIES\ntype=MultiBool\nfield=check\nitem1=a\nitem2=b\nitem3=c\n")));
    EXPECT_EQ(DbfDump(h.Dir.file("birds.dbf")), "ID N 6 0\nSPECIES_1 L 1 0\nSPECIES_2 L 1 0\nSPECIES_3 L 1 0\n--\n");
    EXPECT_EQ(h.Panel(0).CheckBoxes().size(), 3u);
}

TEST(FormMain, TooLongCheckBoxNameCreatesNoTableAndLeavesNothingOpen)
{
    MainFormHarness h;
    std::string text = "[Birds]\nfn=ABCDEFGH\ntype=MULTIBOOL\nfield=check\n";
    for (int i = 1; i <= 10; ++i) text += "item" + std::to_string(i) + "=bird " + std::to_string(i) + "\n";
    const std::string definition = h.WriteDefinition("birds.ini", text);
    EXPECT_FALSE(h.Open(definition, 2));
    const std::vector<std::string> messages = h.TakeMessages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], "0: Error in the field name (max length): ABCDEFGH");
    EXPECT_EQ(h.Ui.Log()[h.Ui.Log().size() - 2].MsgType, TMsgDlgType::mtError);
    EXPECT_NE(messages[1].find("was not opened"), std::string::npos) << messages[1];
    EXPECT_FALSE(Exists(h.Dir.file("birds.dbf")));
    EXPECT_FALSE(Exists(h.Dir.file("birds.dbt")));
    // Nothing of the failed opening blocks the next one.
    EXPECT_EQ(h.Form->PanelCount(), 0);
    EXPECT_EQ(EnabledButtons(*h.Form), "111000000001");
    EXPECT_TRUE(h.Form->StatusPanels[2]->text().isEmpty());
    EXPECT_TRUE(h.Open(h.WriteDefinition("survey.ini", kWeatherSection)));
    EXPECT_TRUE(h.Ui.Failures().empty());
}

// Each of these fails the opening; none may leave a table file or a half-open definition.
TEST(FormMain, FailedOpeningsShowWhyAndLeaveNoTable)
{
    const struct {
        const char* name;
        const char* text;
        const char* message;
    } cases[] = {
        {"labels only", "[Intro]\ntext=Just a heading\n", "was not created"},
        {"invalid column type", "[Size]\nfn=SIZE\ntype=INTEGER\nfield=edit\n", "INTEGER"},
        {"MULTIBOOL on an edit", "[Size]\nfn=SIZE\ntype=MULTIBOOL\nfield=edit\n", "MULTIBOOL"},
        {"duplicate column", "[A]\nfn=SIZE\ntype=NUMERIC(3,0)\nfield=edit\n[B]\nfn=SIZE\ntype=NUMERIC(3,0)\nfield=edit\n", "SIZE"},
        {"value before its item", "[W]\nfn=W\ntype=NUMERIC(1,0)\nfield=switch\nvalue2=5\nitem1=a\nitem2=b\n", "value2=5"},
        {"no sections", "; nothing here\n", "has no sections"},
        // The table is created with the column SIZE, then the panel finds no column "SIZE".
        {"quoted base name", "[Size]\nfn=\"SIZE\"\ntype=NUMERIC(3,0)\nfield=edit\n", "\"SIZE\""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MainFormHarness h;
        const std::string definition = h.WriteDefinition("broken.ini", c.text);
        EXPECT_FALSE(h.Open(definition, 1));
        const std::vector<std::string> messages = h.TakeMessages();
        ASSERT_FALSE(messages.empty());
        EXPECT_NE(messages.back().find(c.message), std::string::npos) << messages.back();
        EXPECT_FALSE(Exists(h.Dir.file("broken.dbf")));
        EXPECT_FALSE(Exists(h.Dir.file("broken.dbt")));
        EXPECT_EQ(h.Form->Definition(), nullptr);
        EXPECT_FALSE(h.Form->Database1.Connected());
        EXPECT_TRUE(h.Open(h.WriteDefinition("survey.ini", kWeatherSection)));
    }
}

TEST(FormMain, ExistingTableOpensWithoutColumnDerivation)
{
    MainFormHarness h;
    ASSERT_TRUE(h.Open(h.WriteDefinition("survey.ini", kWeatherSection)));
    h.Form->TB_Close->click();
    // The too long name goes unnoticed while the table exists; the section still binds WEATH.
    ASSERT_TRUE(h.Open(h.WriteDefinition("survey.ini", std::string(kWeatherSection) + "[Extra]\nfn=VERYLONGNAME1\n")));
    EXPECT_TRUE(h.TakeMessages().empty());
}

TEST(FormMain, EnteringRecordsThroughThePanelsReachesTheFile)
{
    MainFormHarness h;
    const std::string definition = h.WriteDefinition("survey.ini", kSurvey);
    ASSERT_TRUE(h.Open(definition));
    TFormMain& form = *h.Form;

    // Input mode on the empty table appends the first record.
    form.TB_DataInsert->click();
    EXPECT_EQ(h.RecordId(), "1");
    EXPECT_EQ(form.StatusPanels[0]->text(), "1");
    EXPECT_EQ(form.StatusPanels[1]->text(), "Observer");
    TypeText(h.Panel(0).Edit(), "Anna");
    ClickNext(h);
    EXPECT_EQ(h.Form->CurrentPanel(), &h.Panel(1));
    EXPECT_EQ(form.StatusPanels[1]->text(), "Weather");
    h.Panel(1).RadioGroup()->Button(1)->click();
    EXPECT_TRUE(h.Panel(1).Modified());
    TypeText(h.Panel(1).ConditionalMemos()[0], "heavy");
    ClickNext(h);
    h.Panel(2).CheckBoxes()[0]->click();
    ClickNext(h);
    TypeText(h.Panel(3).Memo(), "first line");
    h.Ui.Push(TUiAnswer::Press(mrYes));
    ClickNext(h);  // past the last panel of the last record
    EXPECT_EQ(h.TakeMessages(), std::vector<std::string>{"Append new record?"});
    EXPECT_EQ(h.RecordId(), "2");
    EXPECT_EQ(h.Form->CurrentPanel(), &h.Panel(0));

    TypeText(h.Panel(0).Edit(), "Ben");
    ClickNext(h);
    h.Panel(1).RadioGroup()->Button(2)->click();
    ClickNext(h);
    h.Panel(2).CheckBoxes()[1]->click();
    ClickNext(h);
    h.Ui.Push(TUiAnswer::Press(mrNo));
    ClickNext(h);
    EXPECT_EQ(h.RecordId(), "2") << "No shows the first panel of the same record";
    EXPECT_EQ(h.Form->CurrentPanel(), &h.Panel(0));
    h.Panel(0).BtnPreviousModule->click();
    EXPECT_EQ(h.Form->CurrentPanel(), &h.Panel(0)) << "Previous on the first panel does nothing";

    // Moving back shows the first record's values in the visible panel.
    form.DBNavigator->BtnClick(nbFirst);
    EXPECT_EQ(form.StatusPanels[0]->text(), "1");
    EXPECT_EQ(h.Panel(0).Edit()->text(), "Anna");
    ClickNext(h);
    EXPECT_EQ(h.Panel(1).RadioGroup()->ItemIndex(), 1);
    EXPECT_FALSE(h.Panel(1).Modified());
    EXPECT_EQ(h.Panel(1).ConditionalMemos()[0]->toPlainText(), "heavy");
    h.Panel(1).BtnPreviousModule->click();
    EXPECT_EQ(h.Form->CurrentPanel(), &h.Panel(0));

    form.TB_Close->click();
    EXPECT_EQ(DbfDump(h.Dir.file("survey.dbf")),
              "ID N 6 0\nOBSERVER C 20 0\nWEATH N 2 0\nWEATH_2_0 M 10 0\nBIRD_1 L 1 0\nBIRD_2 L 1 0\nNOTES M 10 0\n--\n"
              "ID=1|OBSERVER=Anna|WEATH=2|WEATH_2_0=heavy|BIRD_1=True|BIRD_2=False|NOTES=first line\n"
              "ID=2|OBSERVER=Ben|WEATH=9|WEATH_2_0=None|BIRD_1=False|BIRD_2=True|NOTES=None\n");

    // Opening again: input mode on a filled table appends nothing and shows the stored values.
    ASSERT_TRUE(h.Open(definition));
    form.TB_DataInsert->click();
    EXPECT_EQ(form.Table.RecordCount(), 2);
    EXPECT_EQ(h.Panel(0).Edit()->text(), "Anna");
    ClickNext(h);
    ClickNext(h);
    EXPECT_TRUE(h.Panel(2).CheckBoxes()[0]->isChecked());
    EXPECT_FALSE(h.Panel(2).CheckBoxes()[1]->isChecked());
    EXPECT_TRUE(h.Ui.Failures().empty());
}

TEST(FormMain, NextPastTheLastPanelFollowsRecordPositionNotId)
{
    MainFormHarness h;
    ASSERT_TRUE(h.Open(h.WriteDefinition("survey.ini", kWeatherSection)));
    TTable& table = h.Form->Table;
    for (int id : {5, 7}) {  // a gap, and IDs above the record count
        table.Append();
        table.FieldByName("ID").SetAsInteger(id);
        table.Post();
    }
    table.First();
    h.Form->TB_DataInsert->click();
    EXPECT_EQ(h.RecordId(), "5");
    ClickNext(h);  // moves on to the next record without a question
    EXPECT_EQ(h.RecordId(), "7");
    EXPECT_TRUE(h.TakeMessages().empty());
    h.Ui.Push(TUiAnswer::Press(mrYes));
    ClickNext(h);
    EXPECT_EQ(h.TakeMessages(), std::vector<std::string>{"Append new record?"});
    EXPECT_EQ(h.RecordId(), "8") << "largest ID + 1";
    EXPECT_TRUE(h.Ui.Failures().empty());
}

TEST(FormMain, MaxRecordIdOfEmptyAndFilledTables)
{
    MainFormHarness h;
    ASSERT_TRUE(h.Open(h.WriteDefinition("survey.ini", kWeatherSection)));
    EXPECT_EQ(h.Form->GetMaxRecordId(), 0);
    EXPECT_EQ(h.Form->Query.SQL().Text(), "select max(ID) from '" + h.Dir.file("survey.dbf") + "'\r\n");
    TTable& table = h.Form->Table;
    table.Append();  // ID 1 from the insert event
    table.Post();
    table.Append();
    EXPECT_EQ(h.RecordId(), "2");
    table.Post();
    table.Last();
    table.Delete();  // the largest ID is free again
    table.Append();
    EXPECT_EQ(h.RecordId(), "2");
    table.Cancel();
}

TEST(FormMain, DescriptionsListEveryPanel)
{
    MainFormHarness h;
    ASSERT_TRUE(h.Open(h.WriteDefinition("survey.ini", kWeatherSection)));
    h.Form->TB_Descriptions->click();
    ASSERT_NE(FormText, nullptr);
    TFormText* window = FormText;
    EXPECT_EQ(window->windowTitle(), "Data descriptions");
    EXPECT_EQ(window->PlainText(),
              "Data file: " + h.Dir.file("survey.ini") + "\n\n"
              "Weather\n0: Weather at the time of counting\n"
              "- Data fields:\n"
              " WEATH\n"
              "- Value list:\n"
              " [1]: clear | 1\n"
              " [2]: rain | 2\n"
              " [3]: snow | 9\n"
              "- Conditional text fields (memos):\n"
              " 0: WEATH_2_0\n\n\n");
    delete window;
}

TEST(FormMain, ImportAppendsTheRecordsOfAnotherTable)
{
    MainFormHarness h;
    ASSERT_TRUE(h.Open(h.WriteDefinition("source.ini", kWeatherSection)));
    TTable& table = h.Form->Table;
    for (int weather : {1, 9}) {
        table.Append();
        table.FieldByName("WEATH").SetAsInteger(weather);
        table.Post();
    }
    h.Form->TB_Close->click();
    ASSERT_TRUE(h.Open(h.WriteDefinition("survey.ini", kWeatherSection)));
    h.Ui.Push(TUiAnswer::OpenFile(h.Dir.file("source.dbf")));
    h.Ui.Push(TUiAnswer::Press(mrOk));
    h.Form->TB_Import->click();
    EXPECT_EQ(h.TakeMessages(), std::vector<std::string>{"2 records were imported."});
    EXPECT_EQ(h.Ui.Log()[h.Ui.Log().size() - 2].Caption, "Select table for data import");
    EXPECT_FALSE(h.Form->TableImp.Active());
    EXPECT_EQ(table.RecordCount(), 2);
    h.Form->TB_Close->click();
    EXPECT_EQ(DbfDump(h.Dir.file("survey.dbf")), "ID N 6 0\nWEATH N 2 0\nWEATH_2_0 M 10 0\n--\n"
                                                 "ID=1|WEATH=1|WEATH_2_0=None\nID=2|WEATH=9|WEATH_2_0=None\n");
}

TEST(FormMain, ClosingTheWindowAsksFirst)
{
    MainFormHarness h;
    h.Ui.Push(TUiAnswer::Press(mrNo));
    EXPECT_FALSE(h.Form->close());
    EXPECT_EQ(h.TakeMessages(), std::vector<std::string>{"Do you want exit the program really?"});
    h.Ui.Push(TUiAnswer::Press(mrYes));
    EXPECT_TRUE(h.Form->close());
}

// A value typed into the visible panel belongs to the record whichever way the data is closed.
TEST(FormMain, ClosingKeepsTheValueTypedIntoTheVisiblePanel)
{
    const struct {
        const char* name;
        std::function<void(MainFormHarness&)> close;
    } ways[] = {
        {"Close button", [](MainFormHarness& h) { h.Form->TB_Close->click(); }},
        {"closing the window", [](MainFormHarness& h) {
             h.Ui.Push(TUiAnswer::Press(mrYes));
             EXPECT_TRUE(h.Form->close());
             h.Form.reset();
         }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        MainFormHarness h;
        ASSERT_TRUE(h.Open(h.WriteDefinition("survey.ini", kSurvey)));
        h.Form->TB_DataInsert->click();
        TypeText(h.Panel(0).Edit(), "Cleo");
        way.close(h);
        EXPECT_NE(DbfDump(h.Dir.file("survey.dbf")).find("ID=1|OBSERVER=Cleo|"), std::string::npos);
    }
}

TEST(FormMain, ShippedExampleOpensWithEveryKindOfInput)
{
    MainFormHarness h;
    const std::string definition = h.Dir.file("survey.ini");
    std::filesystem::copy_file(std::string(QB_TEST_DATA) + "/../../examples/survey.ini", definition);
    ASSERT_TRUE(h.Open(definition));
    EXPECT_EQ(h.Form->PanelCount(), 5);
    EXPECT_NE(h.Panel(0).Edit(), nullptr);
    EXPECT_NE(h.Panel(2).RadioGroup(), nullptr);
    EXPECT_EQ(h.Panel(3).CheckBoxes().size(), 3u);
    EXPECT_NE(h.Panel(4).Memo(), nullptr);
    EXPECT_EQ(DbfDump(h.Dir.file("survey.dbf")),
              "ID N 6 0\nOBSERVER C 30 0\nCOUNTDATE D 8 0\nWEATH N 2 0\nWEATH_2_0 M 10 0\nBIRD_1 L 1 0\nBIRD_2 L 1 0\n"
              "BIRD_3 L 1 0\nBIRD_1_0 M 10 0\nBIRD_0_1 M 10 0\nNOTES M 10 0\n--\n");
}

TEST(FormMain, DeleteDataTableFilesRemovesTableAndMemo)
{
    TempDir dir;
    for (const char* name : {"survey.dbf", "survey.dbt", "survey.ini"}) WriteFileBytes(dir.file(name), "x");
    TFormMain::DeleteDataTableFiles(dir.file("survey.ini"));
    EXPECT_FALSE(Exists(dir.file("survey.dbf")));
    EXPECT_FALSE(Exists(dir.file("survey.dbt")));
    EXPECT_TRUE(Exists(dir.file("survey.ini")));
    TFormMain::DeleteDataTableFiles(dir.file("survey.ini"));  // missing files are no error
}

// ---- Input that can't be saved, read-only collections, the first record ---------------------

namespace {

void MakeReadOnly(const std::string& path)
{
    using std::filesystem::perms;
    std::filesystem::permissions(path, perms::owner_write | perms::group_write | perms::others_write,
                                 std::filesystem::perm_options::remove);
}

// Every control of a panel that takes input.
std::vector<QWidget*> InputControls(TDataModule& panel)
{
    std::vector<QWidget*> controls(panel.CheckBoxes().begin(), panel.CheckBoxes().end());
    controls.insert(controls.end(), panel.ConditionalMemos().begin(), panel.ConditionalMemos().end());
    for (QWidget* control : {static_cast<QWidget*>(panel.Edit()), static_cast<QWidget*>(panel.Memo()),
                             static_cast<QWidget*>(panel.RadioGroup())})
        if (control) controls.push_back(control);
    return controls;
}

}  // namespace

// Files the user may not write: the collection opens for viewing, says so once, takes no input
// and never stands in the way of closing.
TEST(FormMainReadOnly, ReadOnlyCollectionOpensForViewingOnly)
{
    MainFormHarness h;
    const std::string definition = h.WriteDefinition("survey.ini", kSurvey);
    ASSERT_TRUE(h.Open(definition));
    h.Form->TB_DataInsert->click();
    TypeText(h.Panel(0).Edit(), "Anna");
    h.Form->TB_Close->click();
    const std::string table = DbfDump(h.Dir.file("survey.dbf"));
    for (const char* file : {"survey.dbf", "survey.dbt"}) MakeReadOnly(h.Dir.file(file));

    ASSERT_TRUE(h.Open(definition, 1));
    const std::string notice = "The data table " + h.Dir.file("survey.dbf") +
                               " is read-only. The records can be viewed, but no changes can be saved.";
    EXPECT_EQ(h.TakeMessages(), std::vector<std::string>{notice});
    EXPECT_EQ(h.Ui.Log().back().MsgType, TMsgDlgType::mtInformation);
    for (int i = 0; i < h.Form->PanelCount(); ++i)
        for (QWidget* control : InputControls(h.Panel(i)))
            EXPECT_FALSE(control->isEnabled()) << i << " " << control->objectName().toStdString();

    // Walking through the record shows its values and asks nothing, also past the last panel.
    h.Form->TB_DataInsert->click();
    EXPECT_EQ(h.Panel(0).Edit()->text(), "Anna");
    for (int i = 0; i < h.Form->PanelCount(); ++i) ClickNext(h);
    EXPECT_EQ(h.Form->CurrentPanel(), &h.Panel(0));
    ClickNext(h);
    h.Current().BtnPreviousModule->click();
    EXPECT_EQ(h.Form->CurrentPanel(), &h.Panel(0));
    h.Form->TB_DataInsert->click();
    h.Form->TB_DataInsert->click();
    EXPECT_EQ(h.Form->Table.RecordCount(), 1);
    EXPECT_EQ(h.RecordId(), "1");
    h.Form->TB_Close->click();
    EXPECT_EQ(h.Form->Definition(), nullptr);
    ASSERT_TRUE(h.Open(definition, 1));
    h.Form->TB_DataInsert->click();
    h.Ui.Push(TUiAnswer::Press(mrYes));
    EXPECT_TRUE(h.Form->close());
    EXPECT_EQ(h.TakeMessages(), (std::vector<std::string>{notice, "Do you want exit the program really?"}));
    h.Form.reset();
    EXPECT_EQ(DbfDump(h.Dir.file("survey.dbf")), table);
    EXPECT_EQ(h.Ui.Pending(), 0);
    EXPECT_TRUE(h.Ui.Failures().empty());
}

// A choice the table refuses to store is reported once and dropped: it blocks neither Close
// nor quitting.
TEST(FormMainReadOnly, ARefusedChoiceNeverBlocksClosing)
{
    const struct {
        const char* name;
        std::function<void(MainFormHarness&)> close;
    } ways[] = {
        {"Close button", [](MainFormHarness& h) {
             h.Ui.Push(TUiAnswer::Press(mrOk));
             h.Form->TB_Close->click();
             EXPECT_EQ(h.Form->Definition(), nullptr);
             EXPECT_EQ(h.TakeMessages(), std::vector<std::string>{"Cannot modify a read-only dataset"});
         }},
        {"closing the window", [](MainFormHarness& h) {
             h.Ui.Push(TUiAnswer::Press(mrOk));
             h.Ui.Push(TUiAnswer::Press(mrYes));
             EXPECT_TRUE(h.Form->close());
             EXPECT_EQ(h.TakeMessages(), (std::vector<std::string>{"Cannot modify a read-only dataset",
                                                                   "Do you want exit the program really?"}));
         }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        MainFormHarness h;
        ASSERT_TRUE(h.Open(h.WriteDefinition("survey.ini", kWeatherSection)));
        TTable& table = h.Form->Table;
        table.Append();
        table.Post();
        // The files became read-only while the collection was open.
        table.Close();
        table.ReadOnly = true;
        table.Open();
        h.Panel(0).BindFields();
        h.Form->TB_DataInsert->click();
        h.Panel(0).RadioGroup()->Button(1)->click();
        ASSERT_TRUE(h.Panel(0).Modified());
        way.close(h);
        for (const TUiCall& call : h.Ui.Log()) {
            if (call.Text == "Cannot modify a read-only dataset") {
                EXPECT_EQ(call.MsgType, TMsgDlgType::mtError);
            }
        }
        EXPECT_EQ(h.Ui.Pending(), 0);
        EXPECT_TRUE(h.Ui.Failures().empty());
    }
}

// Back to the first panel of a new table's first record: that record is still being entered,
// and no second one may come of it.
TEST(FormMainFirstRecord, ReturningToTheFirstPanelAddsNoRecord)
{
    MainFormHarness h;
    ASSERT_TRUE(h.Open(h.WriteDefinition("survey.ini", kSurvey)));
    h.Form->TB_DataInsert->click();
    TypeText(h.Panel(0).Edit(), "Anna");
    ClickNext(h);
    h.Current().BtnPreviousModule->click();
    EXPECT_EQ(h.Form->CurrentPanel(), &h.Panel(0));
    EXPECT_EQ(h.RecordId(), "1");
    EXPECT_EQ(h.Panel(0).Edit()->text(), "Anna");
    h.Form->TB_DataInsert->click();  // leaving input mode and entering it again
    h.Form->TB_DataInsert->click();
    EXPECT_EQ(h.RecordId(), "1");
    h.Form->TB_Close->click();
    const std::string dump = DbfDump(h.Dir.file("survey.dbf"));
    EXPECT_EQ(dump.substr(dump.find("--\n")), "--\nID=1|OBSERVER=Anna|WEATH=None|WEATH_2_0=None|BIRD_1=None|BIRD_2=None|NOTES=None\n");
    EXPECT_TRUE(h.Ui.Failures().empty());
}

// The example's date item: the message names the format the program reads, and a date it can't
// read can be dropped when the program closes.
TEST(FormMainDates, AnInvalidDateNamesTheFormatAndCanBeDiscarded)
{
    const ScopedFormatSettings settings(TFormatSettings::Invariant());  // month/day/year, as under LANG=C
    MainFormHarness h;
    const std::string definition = h.Dir.file("survey.ini");
    std::filesystem::copy_file(std::string(QB_TEST_DATA) + "/../../examples/survey.ini", definition);
    ASSERT_TRUE(h.Open(definition));
    ASSERT_FALSE(h.Panel(1).Labels().empty());
    EXPECT_EQ(h.Panel(1).Labels()[0]->text(), "Date of the count (in the short date format of your system)");
    h.Form->TB_DataInsert->click();
    TypeText(h.Panel(0).Edit(), "Anna");
    ClickNext(h);
    TypeText(h.Panel(1).Edit(), "12.05.2024");

    const std::string question = "'12.05.2024' is not a valid date for field 'COUNTDATE'; write it as month/day/year, "
                                 "for example 12/31/2024\r\nDiscard the input that can't be saved?";
    h.Ui.Push(TUiAnswer::Press(mrNo));  // the user corrects it
    EXPECT_FALSE(h.Form->close());
    EXPECT_EQ(h.TakeMessages(), std::vector<std::string>{question});
    EXPECT_EQ(h.Ui.Log().back().Buttons, mbYesNo);
    EXPECT_EQ(h.Ui.Log().back().DefaultButton, mbNo);
    EXPECT_EQ(h.Panel(1).Edit()->text(), "12.05.2024");

    h.Ui.Push(TUiAnswer::Press(mrYes));
    h.Ui.Push(TUiAnswer::Press(mrYes));
    EXPECT_TRUE(h.Form->close());
    EXPECT_EQ(h.TakeMessages(), (std::vector<std::string>{question, "Do you want exit the program really?"}));
    h.Form.reset();
    EXPECT_NE(DbfDump(h.Dir.file("survey.dbf")).find("ID=1|OBSERVER=Anna|COUNTDATE=None|"), std::string::npos);
    EXPECT_EQ(h.Ui.Pending(), 0);
    EXPECT_TRUE(h.Ui.Failures().empty());
}

// Enter answers No where Yes would delete data.
TEST(FormMainQuestions, RewritingAnExistingTableDefaultsToNo)
{
    MainFormHarness h;
    ASSERT_TRUE(h.Open(h.WriteDefinition("survey.ini", kWeatherSection)));
    h.Ui.Push(TUiAnswer::Press(mrNo));
    EXPECT_FALSE(h.Form->CreateDataTable());
    EXPECT_EQ(h.TakeMessages(), std::vector<std::string>{"Table " + h.Dir.file("survey.dbf") + " exists.\r\nRewrite it?"});
    EXPECT_EQ(h.Ui.Log().back().DefaultButton, mbNo);
    EXPECT_TRUE(Exists(h.Dir.file("survey.dbf")));
}
