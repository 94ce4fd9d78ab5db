#pragma once
// The main window on a scripted UI, started as a user sees it: common directory set, the
// information window shown at the first activation and closed.
#include <gtest/gtest.h>

#include <QTimer>
#include <QToolButton>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "app/FMain.h"
#include "platform/ui/ScriptedUiServices.h"
#include "support/TestSupport.h"

namespace qbtest {

// Sections of the sample survey definition, each ending in a line end.
extern const char* const kObserverSection;  // an edit line
extern const char* const kWeatherSection;   // choices, one with a conditional memo
extern const char* const kBirdsSection;     // check boxes
extern const char* const kNotesSection;     // a memo
// The sections as one definition text, a blank line between two.
std::string JoinSections(std::initializer_list<const char*> sections);

// Closes every modal dialog that shows while it lives and records its object name.
class ModalCloser {
public:
    ModalCloser();
    std::vector<std::string> Shown;

private:
    QTimer timer_;
};

// Processes events until the condition holds or the time is up.
bool WaitFor(const std::function<bool()>& condition, int milliseconds = 3000);

// Types text into a control as key presses, so the control sees a user's edit.
void TypeText(QWidget* control, const std::string& text);

// Field layout and records of a dBase table as python3-dbfread reads them:
// "NAME TYPE LENGTH DECIMALS" lines, "--", then one "NAME=value|..." line per record.
std::string DbfDump(const std::string& path);

class MainFormHarness {
public:
    MainFormHarness();
    ~MainFormHarness();

    TScriptedUiServices Ui;
    TempDir Dir;
    std::unique_ptr<ModalCloser> Modals;
    std::unique_ptr<TFormMain> Form;

    // Writes a definition file into Dir (lines joined with CR LF) and answers its path.
    std::string WriteDefinition(const std::string& name, const std::string& text) const;
    // Opens it through the Open button, answering OK to that many message boxes; answers
    // whether a definition is open afterwards.
    bool Open(const std::string& path, int messageBoxes = 0);
    // Message box texts the window showed since the last call.
    std::vector<std::string> TakeMessages();
    TDataModule& Panel(int index) const { return *Form->Panel(index); }
    TDataModule& Current() const { return *Form->CurrentPanel(); }
    std::string RecordId() const { return Form->Table.FieldByName("ID").AsString(); }

private:
    TScopedUiServices scope_;
    std::size_t seenCalls_ = 0;
};

// The main window with the four sample sections open as "survey.ini", the shipped language files
// in its common directory; windows the program opened are closed when the test ends.
class SurveyWindowTest : public testing::Test {
protected:
    SurveyWindowTest();
    ~SurveyWindowTest() override;

    MainFormHarness main;
    std::string definition;
};

}  // namespace qbtest
