// Every window as its command shows it, in the fonts the program uses: each caption of a label,
// button, check box and group fits its control, the window is wide enough for its own caption,
// and its frame lies inside the available area of its screen. The viewer windows close with Escape.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextEdit>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <QToolButton>
#include <filesystem>
#include <functional>
#include <memory>

#include "app/FFieldGraph.h"
#include "app/FInfo.h"
#include "app/FItem.h"
#include "app/FMemoField.h"
#include "app/FReplaceField.h"
#include "app/FSelectCase.h"
#include "app/FSelectDirectory.h"
#include "app/FSelectField.h"
#include "app/FSetQuery.h"
#include "app/FSetRelation.h"
#include "app/FTable.h"
#include "app/FText.h"
#include "app/FTextFieldAnalyze.h"
#include "app/FTextInput.h"
#include "app/ULng.h"
#include "app/support_Dialogs.h"
#include "app/support_MainForm.h"
#include "app/support_WindowChecks.h"
#include "chart/graphics/ChartGraphicsModules.h"
#include "platform/ui/Application.h"
#include "platform/ui/DBCtrls.h"
#include "platform/ui/QtUiServices.h"

using namespace qbtest;

namespace {


// The main window with the survey open, the shipped texts, and the program's fonts.
class ProgramWindowsTest : public qbtest::SurveyWindowTest {
protected:
    static void SetUpTestSuite()
    {
        InitializeChartGraphicsModules();  // registers the fonts the forms name
        QApplication::setFont(FormFont());
    }
    static void TearDownTestSuite()
    {
        QApplication::setFont(QFont());
        FinalizeChartGraphicsModules();
    }

    TDataSet& Data() { return main.Form->Table; }
    TDataSource& Source() { return main.Form->DataSource; }
};

}  // namespace

TEST_F(ProgramWindowsTest, EveryWindowFitsItsTextsAndItsScreen)
{
    using Check = std::function<void(QWidget*)>;
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const struct {
        const char* window;
        std::function<void(const Check&)> show;
    } windows[] = {
        {"main window in input mode",
         [&](const Check& check) {
             main.Form->TB_DataInsert->click();
             check(main.Form.get());
         }},
        {"information window",
         [&](const Check& check) {
             TFormInfo form(main.Form.get());
             form.LoadVersionInfo();
             form.show();
             check(&form);
         }},
        {"table window",
         [&](const Check& check) {
             main.Form->TB_Table->click();
             check(BrowseTableWindow(0));
         }},
        {"table window with its graph strip",
         [&](const Check& check) {
             main.Form->TB_Table->click();
             BrowseTableWindow(0)->BtnGraph->click();
             check(BrowseTableWindow(0));
         }},
        {"fields to export",
         [&](const Check& check) {
             TFormSelectField form;
             WhenDialogShows<TFormSelectField>([&](TFormSelectField& shown) { check(&shown); });
             form.SelectFields(GetLngModule(409, "SetQuery")->GetText(640), Data(), TextExportFieldTypes());
         }},
        {"data descriptions",
         [&](const Check& check) {
             main.Form->TB_Descriptions->click();
             check(FormText);
             FormText->close();
         }},
        {"definition editor",
         [&](const Check& check) {
             TFormItem form;
             WhenDialogShows<TFormItem>([&](TFormItem& shown) { check(&shown); });
             form.LoadDefinition(definition);
         }},
        {"query builder with its table",
         [&](const Check& check) {
             TFormSetQuery form(main.Form.get());
             form.ApplyLanguage(409);
             form.SetDatabaseAndTable(main.Dir.path().string(), "survey.dbf");
             form.show();
             form.BtnShowTableClick();
             check(&form);
         }},
        {"relation",
         [&](const Check& check) {
             TStringList fields;
             Data().GetFieldNames(fields);
             WhenDialogShows<TFormSetRelation>([&](TFormSetRelation& form) { check(&form); });
             std::string condition;
             AskRelation(fields, condition);
         }},
        {"import from text",
         [&](const Check& check) {
             TFormTextInput form(Data());
             form.show();
             check(&form);
         }},
        {"fill",
         [&](const Check& check) {
             TFormReplaceField form;
             form.ApplyLanguage(GetLngModule(409, "SetQuery"));
             WhenDialogShows<TFormReplaceField>([&](TFormReplaceField& shown) { check(&shown); });
             form.Setup(&Data(), screen.right() - 50, &Source(), screen.bottom() - 50);
         }},
        {"memo viewer", [&](const Check& check) { check(BrowseMemoField(&Source(), &Data().FieldByName("NOTES"))); }},
        {"character view at the screen's corner",
         [&](const Check& check) {
             std::unique_ptr<QWidget> form(
                 ShowTextFieldAnalyze(&Source(), &Data().FieldByName("OBSERVER"), screen.bottomRight() - QPoint(20, 20)));
             check(form.get());
         }},
        {"choice",
         [&](const Check& check) {
             WhenDialogShows<TFormSelectCase>([&](TFormSelectCase& form) { check(&form); });
             SelectCase(main.Form.get(), "Copy data to", "Database type", false, 0,
                        "Cancel;\"Single table (DB,DBF,TXT,XLS)\";\"MS Access (MDB)\";\"MS SQL database\"");
         }},
        {"common directory question",
         [&](const Check& check) {
             WhenDialogShows<TFormSelectDirectory>([&](TFormSelectDirectory& form) { check(&form); });
             AskDirectory("/", "Common ORU directory", "What the folder holds, in a sentence long enough to wrap.");
         }},
        {"frequency graph",
         [&](const Check& check) {
             main.Form->TB_graph->click();
             check(main.Form->findChild<TFormFieldGraph*>());
         }},
        {"list of files to send",
         [](const Check& check) {
             WhenModal([&](QWidget* box) {
                 ASSERT_NE(box, nullptr);
                 check(box);
                 if (auto* dialog = qobject_cast<QDialog*>(box)) dialog->reject();
             });
             TQtUiServices().MessageDlg("survey.dbf\r\nsurvey.dbt\r\nsurvey.ini", TMsgDlgType::mtInformation, mbOK);
         }},
    };
    for (const auto& w : windows) {
        SCOPED_TRACE(w.window);
        bool checked = false;
        w.show([&checked](QWidget* window) {
            ASSERT_NE(window, nullptr);
            checked = true;
            for (const std::string& fault : LayoutFaults(window)) ADD_FAILURE() << fault;
        });
        EXPECT_TRUE(checked) << "the window was not checked";
    }
}

TEST_F(ProgramWindowsTest, EscapeClosesTheViewerWindows)
{
    const struct {
        const char* window;
        std::function<QWidget*()> show;  // answers the control that has the keyboard
    } windows[] = {
        {"memo viewer",
         [&]() -> QWidget* { return BrowseMemoField(&Source(), &Data().FieldByName("NOTES"))->DBMemo; }},
        {"character view",
         [&]() -> QWidget* {
             return ShowTextFieldAnalyze(&Source(), &Data().FieldByName("OBSERVER"), QPoint(10, 10))->DBEdit;
         }},
        {"data descriptions",
         [&]() -> QWidget* {
             main.Form->TB_Descriptions->click();
             return FormText->findChild<QTextEdit*>("RichEdit1");
         }},
    };
    for (const auto& w : windows) {
        SCOPED_TRACE(w.window);
        QWidget* control = w.show();
        ASSERT_NE(control, nullptr);
        QPointer<QWidget> window = control->window();
        ASSERT_TRUE(window->isVisible());
        window->activateWindow();
        control->setFocus();
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(control, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(control, &release);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(window.isNull() || !window->isVisible()) << "still open";
    }
    EXPECT_EQ(MemoBrowserCount(), 0);
}
