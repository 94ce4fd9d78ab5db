#include <gtest/gtest.h>

#include "platform/ui/QtUiServices.h"
#include "platform/ui/ScriptedUiServices.h"

namespace {

// A test sees which button Enter would press; a default the box does not offer is a fault.
TEST(ScriptedUiServices, MessageBoxesRecordTheirDefaultButton)
{
    TScriptedUiServices ui;
    for (int i = 0; i < 4; ++i) ui.Push(TUiAnswer::Press(mrYes));
    ui.Push(TUiAnswer::Press(mrOk));
    EXPECT_TRUE(ui.AskYesNo("Delete all records?", mbNo));
    EXPECT_TRUE(ui.AskYesNo("Append new record?"));
    EXPECT_EQ(ui.MessageDlg("Save?", TMsgDlgType::mtConfirmation, mbYes | mbNo | mbCancel), mrYes);
    EXPECT_EQ(ui.MessageDlg("Save?", TMsgDlgType::mtConfirmation, mbYes | mbNo | mbCancel, mbCancel), mrYes);
    EXPECT_TRUE(ui.AskOkCancel("Delete record?", mbCancel));
    ASSERT_EQ(ui.Log().size(), 5u);
    const TMsgDlgBtn expected[] = {mbNo, mbYes, mbYes, mbCancel, mbCancel};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(ui.Log()[i].DefaultButton, expected[i]) << ui.Log()[i].Text;

    ui.Push(TUiAnswer::Press(mrYes));
    EXPECT_THROW(ui.MessageDlg("Rewrite it?", TMsgDlgType::mtConfirmation, mbYesNo, mbCancel), EUnexpectedUiCall);
    const std::vector<std::string> failures = ui.TakeFailures();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_NE(failures[0].find("default button"), std::string::npos) << failures[0];
    EXPECT_EQ(ui.Pending(), 1) << "the answer stays for the next box";
    EXPECT_TRUE(ui.AskYesNo("Rewrite it?", mbNo));
}

// A box asked at a point logs the point, and only that box.
TEST(ScriptedUiServices, MessageBoxesAtAPointLogThePoint)
{
    TScriptedUiServices ui;
    ui.Push(TUiAnswer::Press(mrNo));
    ui.Push(TUiAnswer::Press(mrYes));
    EXPECT_EQ(ui.MessageDlgAt("Delete Line ?", TMsgDlgType::mtConfirmation, mbYesNo, mbYes, 70, 45), mrNo);
    EXPECT_TRUE(ui.AskYesNo("Delete Bar ?"));
    ASSERT_EQ(ui.Log().size(), 2u);
    EXPECT_TRUE(ui.Log()[0].Placed);
    EXPECT_EQ(ui.Log()[0].X, 70);
    EXPECT_EQ(ui.Log()[0].Y, 45);
    EXPECT_EQ(ui.Log()[0].Text, "Delete Line ?");
    EXPECT_FALSE(ui.Log()[1].Placed);
}

TEST(ScriptedUiServices, AnswersInScriptOrderAndLogsEveryCall)
{
    TScriptedUiServices ui;
    ui.Push(TUiAnswer::Press(mrNo));
    ui.Push(TUiAnswer::Input("typed"));
    ui.Push(TUiAnswer::OpenFile("/data/a.ini", 2));
    ui.Push(TUiAnswer::Cancel(TUiCallKind::SaveFile));
    ui.Push(TUiAnswer::Directory("/data"));
    ui.Push(TUiAnswer::ChooseColor(0x0000FF));
    TFontChoice chosen;
    chosen.Name = "Tahoma";
    chosen.Bold = true;
    ui.Push(TUiAnswer::ChooseFont(chosen));

    EXPECT_FALSE(ui.AskYesNo("Do you want exit the program really?"));
    std::string value = "default";
    EXPECT_TRUE(ui.InputQuery("Select case", "Add item", value));
    EXPECT_EQ(value, "typed");
    TFileDialogOptions open{"Open", "Setting file (ini)|*.ini|All files|*.*", 1, "/data", "", ""};
    EXPECT_TRUE(ui.OpenFileDialog(open));
    EXPECT_EQ(open.FileName, "/data/a.ini");
    EXPECT_EQ(open.FilterIndex, 2);
    TFileDialogOptions save{"Save", "Text|*.txt", 1, "", "out.txt", "txt"};
    EXPECT_FALSE(ui.SaveFileDialog(save));
    EXPECT_EQ(save.FileName, "out.txt") << "a cancelled dialog leaves the proposed name";
    std::string folder = "/home";
    EXPECT_TRUE(ui.SelectDirectory("Common directory", folder));
    EXPECT_EQ(folder, "/data");
    std::uint32_t color = 0;
    EXPECT_TRUE(ui.ColorDialog(color));
    EXPECT_EQ(color, 0x0000FFu);
    TFontChoice font;
    EXPECT_TRUE(ui.FontDialog(font));
    EXPECT_EQ(font.Name, "Tahoma");
    EXPECT_TRUE(font.Bold);

    EXPECT_EQ(ui.Pending(), 0);
    EXPECT_TRUE(ui.Failures().empty());
    ASSERT_EQ(ui.Log().size(), 7u);
    const TUiCall& question = ui.Log()[0];
    EXPECT_EQ(question.Kind, TUiCallKind::Message);
    EXPECT_EQ(question.Caption, "Confirm");
    EXPECT_EQ(question.Text, "Do you want exit the program really?");
    EXPECT_EQ(question.MsgType, TMsgDlgType::mtConfirmation);
    EXPECT_EQ(question.Buttons, mbYesNo);
    const TUiCall& input = ui.Log()[1];
    EXPECT_EQ(input.Caption, "Select case");
    EXPECT_EQ(input.Text, "Add item");
    EXPECT_EQ(input.Default, "default");
    EXPECT_EQ(ui.Log()[2].Caption, "Open");
    EXPECT_EQ(ui.Log()[2].Text, "Setting file (ini)|*.ini|All files|*.*");
    EXPECT_EQ(ui.Log()[3].Default, "out.txt");
    EXPECT_EQ(ui.Log()[4].Default, "/home");
}

TEST(ScriptedUiServices, ReportKindsCarryTheirCaptionsAndButtons)
{
    struct Case {
        void (TUiServices::*report)(const std::string&);
        TMsgDlgType type;
        const char* caption;
    };
    const Case cases[] = {
        {&TUiServices::ShowWarning, TMsgDlgType::mtWarning, "Warning"},
        {&TUiServices::ShowInformation, TMsgDlgType::mtInformation, "Information"},
        {&TUiServices::ShowError, TMsgDlgType::mtError, "Error"},
    };
    for (const Case& c : cases) {
        TScriptedUiServices ui;
        ui.Push(TUiAnswer::Press(mrOk));
        (ui.*c.report)("text");
        ASSERT_EQ(ui.Log().size(), 1u);
        EXPECT_EQ(ui.Log()[0].MsgType, c.type);
        EXPECT_EQ(ui.Log()[0].Caption, c.caption);
        EXPECT_EQ(ui.Log()[0].Buttons, mbOK);
    }
    TScriptedUiServices ui;
    ui.Push(TUiAnswer::Press(mrOk));
    ui.Push(TUiAnswer::Press(mrCancel));
    EXPECT_TRUE(ui.AskOkCancel("Go on?"));
    EXPECT_FALSE(ui.AskOkCancel("Go on?"));
    EXPECT_EQ(ui.Log()[0].Buttons, mbOKCancel);
}

TEST(ScriptedUiServices, UnforeseenCallsFailClearly)
{
    struct Case {
        const char* name;
        std::vector<TUiAnswer> script;
        const char* expected;
    };
    const Case cases[] = {
        {"empty script", {}, "Unexpected message box \"Error\": \"Disk full\" (no scripted answer left)"},
        {"other kind next",
         {TUiAnswer::Input("x")},
         "Unexpected message box \"Error\": \"Disk full\" (the next scripted answer is for the input box)"},
        {"button not on the box",
         {TUiAnswer::Press(mrYes)},
         "Unexpected message box \"Error\": \"Disk full\" (the scripted button 6 is not on this box)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TScriptedUiServices ui;
        for (const TUiAnswer& answer : c.script)
            ui.Push(answer);
        try {
            ui.ShowError("Disk full");
            FAIL() << "no exception";
        } catch (const EUnexpectedUiCall& e) {
            EXPECT_EQ(e.Message(), c.expected);
        }
        EXPECT_EQ(ui.Log().size(), 1u) << "the unexpected call is logged too";
        const std::vector<std::string> failures = ui.TakeFailures();
        ASSERT_EQ(failures.size(), 1u);
        EXPECT_EQ(failures[0], c.expected);
        EXPECT_TRUE(ui.Failures().empty()) << "taken failures are no longer reported";
        if (ui.Pending() > 0) {  // the input answer the box could not use
            std::string value;
            EXPECT_TRUE(ui.InputQuery("Select case", "Add item", value));
        }
    }
}

// A test that ends with answers it never needed, or that met a call it did not foresee (even one
// the code under test swallowed), must not pass: the double reports both when it ends.
TEST(ScriptedUiServices, LeftoversAreReportedWhenTheDoubleEnds)
{
    static std::vector<std::string> reports;
    reports.clear();
    const auto previous = TScriptedUiServices::SetLeftoverHandler([](const std::string& report) { reports.push_back(report); });
    {
        TScriptedUiServices ui;
        ui.Push(TUiAnswer::Press(mrOk));
        ui.ShowInformation("Done");
    }
    EXPECT_TRUE(reports.empty()) << "a script used up reports nothing";
    {
        TScriptedUiServices ui;
        ui.Push(TUiAnswer::Input("x"));
        try {
            ui.ShowError("Disk full");
        } catch (const EUnexpectedUiCall&) {
        }
        ui.Push(TUiAnswer::Press(mrOk));
        ui.Push(TUiAnswer::OpenFile("/data/a.ini"));
        ui.Push(TUiAnswer::Cancel(TUiCallKind::Directory));
        EXPECT_EQ(ui.Leftovers().size(), 5u);
    }
    TScriptedUiServices::SetLeftoverHandler(previous);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0],
              "The scripted UI services ended with:\n"
              "  Unexpected message box \"Error\": \"Disk full\" (the next scripted answer is for the input box)\n"
              "  unused answer for the input box (\"x\")\n"
              "  unused answer for the message box (button 1)\n"
              "  unused answer for the open dialog (\"/data/a.ini\")\n"
              "  unused answer for the folder dialog (cancel)");
}

TEST(ScriptedUiServices, ScopedInstallationRestoresThePreviousServices)
{
    EXPECT_THROW(UiServices(), Exception) << "nothing is installed by default";
    TScriptedUiServices outer;
    TScriptedUiServices inner;
    {
        TScopedUiServices outerScope(outer);
        EXPECT_EQ(&UiServices(), &outer);
        {
            TScopedUiServices innerScope(inner);
            EXPECT_EQ(&UiServices(), &inner);
        }
        EXPECT_EQ(&UiServices(), &outer);
    }
    EXPECT_THROW(UiServices(), Exception);
}

}  // namespace

namespace {
struct TChooserCall {
    std::string Caption, Group, Items;
    int Default = -2;
} lastChooserCall;

int RecordingChooser(QWidget*, const std::string& caption, const std::string& group, int defaultIndex,
                     const std::string& items)
{
    lastChooserCall = {caption, group, items, defaultIndex};
    return 1;
}

}  // namespace

// The chooser answers the scripted case, or its default when dismissed; a case it does not
// offer (items split at ';', quotes keeping blanks and ';' inside one item) is a fault.
TEST(ScriptedUiServices, ChooserAnswersTheScriptedCase)
{
    TScriptedUiServices ui;
    const std::string items = "\"U=1; p=0.5\";\"F=2 (p=0.9)\";Cancel";
    ui.Push(TUiAnswer::ChooseCase(2));
    ui.Push(TUiAnswer::Cancel(TUiCallKind::Choice));
    ui.Push(TUiAnswer::ChooseCase(3));
    EXPECT_EQ(ui.SelectCaseFixed(nullptr, "Broken line", "Select type", 0, items), 2);
    EXPECT_EQ(ui.SelectCaseFixed(nullptr, "Broken line", "Select type", 1, items), 1);
    EXPECT_THROW(ui.SelectCaseFixed(nullptr, "Broken line", "Select type", 0, items), EUnexpectedUiCall);
    const std::vector<std::string> failures = ui.TakeFailures();
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_NE(failures[0].find("case 3 is not offered"), std::string::npos) << failures[0];
    ASSERT_EQ(ui.Log().size(), 3u);
    EXPECT_EQ(ui.Log()[0].Kind, TUiCallKind::Choice);
    EXPECT_EQ(ui.Log()[0].Caption, "Broken line");
    EXPECT_EQ(ui.Log()[0].Group, "Select type");
    EXPECT_EQ(ui.Log()[0].Text, items);
    EXPECT_EQ(ui.Log()[1].Default, "1");
}

// The program's services run the installed chooser window; without one the call fails loudly.
TEST(ScriptedUiServices, ProgramServicesRunTheInstalledChooser)
{
    TQtUiServices ui;
    const TCaseChooser previous = SetCaseChooser(nullptr);
    EXPECT_THROW(ui.SelectCaseFixed(nullptr, "Broken line", "Select type", 0, "a;b"), Exception);
    SetCaseChooser(&RecordingChooser);
    EXPECT_EQ(ui.SelectCaseFixed(nullptr, "Broken line", "Statistics to draw", 0, "a;b"), 1);
    EXPECT_EQ(lastChooserCall.Caption, "Broken line");
    EXPECT_EQ(lastChooserCall.Group, "Statistics to draw");
    EXPECT_EQ(lastChooserCall.Items, "a;b");
    EXPECT_EQ(lastChooserCall.Default, 0);
    SetCaseChooser(previous);
}
