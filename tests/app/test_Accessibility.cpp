// Every control of every window can be found through the desktop accessibility interface: it
// has its component name as object name and an accessible name (its caption, or its hint where
// it shows only a picture).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabBar>
#include <QTextEdit>
#include <QVBoxLayout>
#include <algorithm>
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
#include "app/UORUCommon.h"
#include "app/support_Dialogs.h"
#include "app/support_MainForm.h"
#include "platform/core/StringList.h"
#include "platform/ui/DBCtrls.h"
#include "platform/ui/DBGrid.h"
#include "platform/ui/DBNavigator.h"
#include "platform/ui/QtUiServices.h"

using namespace qbtest;

namespace {


// Controls a user can reach, by their Qt kind.
bool IsControl(const QWidget* widget)
{
    if (qobject_cast<const QAbstractButton*>(widget) || qobject_cast<const QLineEdit*>(widget) ||
        qobject_cast<const QTextEdit*>(widget) || qobject_cast<const QPlainTextEdit*>(widget) ||
        qobject_cast<const QComboBox*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget) ||
        qobject_cast<const QGroupBox*>(widget) || qobject_cast<const QAbstractItemView*>(widget) ||
        qobject_cast<const QTabBar*>(widget) || qobject_cast<const QAbstractSlider*>(widget))
        return true;
    const auto* area = qobject_cast<const QAbstractScrollArea*>(widget);
    return area && area->focusPolicy() != Qt::NoFocus;
}

// Controls whose inner parts (edit lines, headers, scroll bars) Qt makes and names: checked as one.
bool IsWhole(const QWidget* widget)
{
    return qobject_cast<const QComboBox*>(widget) || qobject_cast<const QAbstractSpinBox*>(widget) ||
           qobject_cast<const QAbstractItemView*>(widget) || qobject_cast<const QTextEdit*>(widget) ||
           qobject_cast<const QPlainTextEdit*>(widget) || qobject_cast<const QTabBar*>(widget) ||
           qobject_cast<const QAbstractSlider*>(widget);
}

// The name assistive tools read: the accessible name, or a button's or group's own caption.
QString AccessibleName(QWidget* widget)
{
    if (!widget->accessibleName().isEmpty()) return widget->accessibleName();
    if (!qobject_cast<QAbstractButton*>(widget) && !qobject_cast<QGroupBox*>(widget)) return {};
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face ? face->text(QAccessible::Name).trimmed() : QString();
}

std::string Describe(const QWidget* widget)
{
    std::string path;
    for (const QWidget* w = widget; w; w = w->isWindow() ? nullptr : w->parentWidget())
        path = std::string(w->metaObject()->className()) + "(" + w->objectName().toStdString() + ")" +
               (path.empty() ? "" : " > " + path);
    return path;
}

// Qt names the parts it adds "qt_…": scroll bars and a tool bar's overflow button are its own;
// a scroll area's viewport or a message box's button row holds controls of ours.
bool IsQtOwnPart(const QWidget* widget)
{
    const QString name = widget->objectName();
    return (name.startsWith("qt_scrollarea_") && name != "qt_scrollarea_viewport") || name == "qt_toolbar_ext_button";
}

// Walks the window's controls, not into other windows.
void CollectFaults(QWidget* parent, std::vector<std::string>& faults, int& controls)
{
    for (QWidget* child : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isWindow()) continue;
        if (child->objectName().startsWith("qt_")) {
            if (!IsQtOwnPart(child)) CollectFaults(child, faults, controls);
            continue;
        }
        if (IsControl(child)) {
            ++controls;
            if (child->objectName().isEmpty()) faults.push_back("no object name: " + Describe(child));
            if (AccessibleName(child).isEmpty()) faults.push_back("no accessible name: " + Describe(child));
        }
        if (!IsWhole(child)) CollectFaults(child, faults, controls);
    }
}

// The main window with the survey open, and what the other windows are shown with.
class AccessibilityTest : public qbtest::SurveyWindowTest {
protected:
    TDataSet& Data() { return main.Form->Table; }
    TDataSource& Source() { return main.Form->DataSource; }
};

// The data-aware controls on a panel of their own, named as a window names its components.
std::unique_ptr<QWidget> DataAwareControls(TDataSource& source)
{
    auto host = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(host.get());
    auto* navigator = new TDBNavigator;
    auto* grid = new TDBGrid;
    auto* edit = new TDBEdit;
    auto* memo = new TDBMemo;
    auto* check = new TDBCheckBox;
    auto* radio = new TDBRadioGroup;
    const std::pair<QWidget*, const char*> named[] = {{navigator, "DBNavigator"}, {grid, "DBGrid"}, {edit, "DBEdit"},
                                                      {memo, "DBMemo"}, {check, "DBCheckBox"}, {radio, "DBRadioGroup"}};
    for (const auto& [widget, name] : named) {
        widget->setObjectName(name);
        layout->addWidget(widget);
    }
    grid->setAccessibleName("Records");  // a grid has no caption: its window names it
    navigator->SetDataSource(&source);
    grid->SetDataSource(&source);
    edit->SetDataSource(&source);
    edit->SetDataField("OBSERVER");
    memo->SetDataSource(&source);
    memo->SetDataField("NOTES");
    check->SetDataSource(&source);
    check->SetDataField("BIRD_1");
    check->SetCaption("heron");
    radio->SetDataSource(&source);
    radio->SetDataField("WEATH");
    radio->SetCaption("Weather");
    TStringList items;
    items.Add("clear");
    items.Add("rain");
    radio->SetItems(items);
    return host;
}

// A box of the UI services, checked and closed as Esc closes it.
void CheckAndClose(QWidget* box, const std::function<void(QWidget*)>& check)
{
    ASSERT_NE(box, nullptr) << "the box did not show";
    check(box);
    if (auto* dialog = qobject_cast<QDialog*>(box)) dialog->reject();
}

}  // namespace

TEST_F(AccessibilityTest, EveryControlOfEveryWindowHasItsNames)
{
    TStringList fields;
    Data().GetFieldNames(fields);
    using Check = std::function<void(QWidget*)>;
    // Each window as its command shows it; modal ones are checked while they show.
    const struct {
        const char* window;
        std::function<void(const Check&)> show;
    } windows[] = {
        {"TFormMain", [&](const Check& check) { check(main.Form.get()); }},
        {"TFormTable",
         [&](const Check& check) {
             auto* window = new TFormTable;
             SetupTableWindow(window, 409);
             ShowTableWindow(window, 0, &Source());
             check(window);
         }},
        {"TFormSelectCase",
         [&](const Check& check) {
             WhenDialogShows<TFormSelectCase>([&](TFormSelectCase& form) { check(&form); });
             SelectCase(main.Form.get(), "Copy", "Kind of copy", true, 0, "dBase;Paradox;\"Text file\"");
         }},
        {"TFormInfo", [](const Check& check) { TFormInfo form; check(&form); }},
        {"TFormText",
         [](const Check& check) {
             TFormText form;
             form.AddParagraph("Weather at the time of counting");
             check(&form);
         }},
        {"TFormItem",
         [&](const Check& check) {
             TFormItem form;
             WhenDialogShows<TFormItem>([&](TFormItem& shown) { check(&shown); });
             form.LoadDefinition(definition);
         }},
        {"TFormSetQuery",
         [&](const Check& check) {
             TFormSetQuery form;
             form.ApplyLanguage(409);
             form.SetDatabaseAndTable(main.Dir.path().string(), "survey.dbf");
             check(&form);
         }},
        {"TFormSetRelation",
         [&](const Check& check) {
             WhenDialogShows<TFormSetRelation>([&](TFormSetRelation& form) { check(&form); });
             std::string condition;
             AskRelation(fields, condition);
         }},
        {"TFormSelectField",
         [&](const Check& check) {
             TFormSelectField form;
             WhenDialogShows<TFormSelectField>([&](TFormSelectField& shown) { check(&shown); });
             form.SelectFields("Fields", Data(), TextExportFieldTypes());
         }},
        {"TFormTextInput", [&](const Check& check) { TFormTextInput form(Data()); check(&form); }},
        {"TFormReplaceField",
         [&](const Check& check) {
             TFormReplaceField form;
             form.ApplyLanguage(GetLngModule(409, "SetQuery"));
             WhenDialogShows<TFormReplaceField>([&](TFormReplaceField& shown) { check(&shown); });
             form.Setup(&Data(), 0, &Source(), 0);
         }},
        {"TFormMemoField", [&](const Check& check) { check(BrowseMemoField(&Source(), &Data().FieldByName("NOTES"))); }},
        {"TFormTextFieldAnalyze",
         [&](const Check& check) {
             std::unique_ptr<QWidget> form(ShowTextFieldAnalyze(&Source(), &Data().FieldByName("OBSERVER"), QPoint()));
             check(form.get());
         }},
        {"TFormSelectDirectory",
         [](const Check& check) {
             WhenDialogShows<TFormSelectDirectory>([&](TFormSelectDirectory& form) { check(&form); });
             AskDirectory("/", "Common data directory");
         }},
        {"message box",
         [](const Check& check) {
             WhenModal([&](QWidget* box) { CheckAndClose(box, check); });
             TQtUiServices().MessageDlg("Save the changes?", TMsgDlgType::mtConfirmation, mbYes | mbNo | mbCancel);
         }},
        {"input box",
         [](const Check& check) {
             WhenModal([&](QWidget* box) { CheckAndClose(box, check); });
             std::string value = "x";
             TQtUiServices().InputQuery("New item", "Item text", value);
         }},
        {"data-aware controls", [&](const Check& check) { check(DataAwareControls(Source()).get()); }},
        {"TFormFieldGraph",
         [&](const Check& check) {
             main.Form->TB_graph->click();
             check(main.Form->findChild<TFormFieldGraph*>());
         }},
    };
    for (const auto& w : windows) {
        SCOPED_TRACE(w.window);
        int controls = 0;
        w.show([&controls](QWidget* window) {
            std::vector<std::string> faults;
            CollectFaults(window, faults, controls);
            for (const std::string& fault : faults) ADD_FAILURE() << fault;
        });
        EXPECT_GT(controls, 0) << "the window was not checked";
    }
}

// What assistive tools read: the accessibility tree itself, with the parts Qt adds on its own
// (a tool bar's button for the buttons a narrow window cannot show is a check box there).
TEST_F(AccessibilityTest, EveryControlInTheMainWindowsAccessibilityTreeHasAName)
{
    main.Form->resize(300, main.Form->height());  // too narrow for the whole tool bar
    main.Form->show();
    QApplication::processEvents();
    const QAccessible::Role controls[] = {QAccessible::Button, QAccessible::CheckBox, QAccessible::RadioButton,
                                          QAccessible::ComboBox, QAccessible::EditableText, QAccessible::ButtonMenu};
    std::vector<std::string> faults;
    int checked = 0;
    std::function<void(QAccessibleInterface*, const std::string&)> walk = [&](QAccessibleInterface* face,
                                                                             const std::string& path) {
        if (!face || !face->isValid()) return;
        const std::string here = path + "/" + std::to_string(static_cast<int>(face->role()));
        if (std::find(std::begin(controls), std::end(controls), face->role()) != std::end(controls)) {
            ++checked;
            if (face->text(QAccessible::Name).trimmed().isEmpty()) {
                QObject* object = face->object();
                faults.push_back("no name: role " + here + " " +
                                 (object ? object->objectName().toStdString() : std::string("(no object)")));
            }
        }
        for (int i = 0; i < face->childCount(); ++i) walk(face->child(i), here);
    };
    walk(QAccessible::queryAccessibleInterface(main.Form.get()), "");
    EXPECT_GT(checked, 10);
    for (const std::string& fault : faults) ADD_FAILURE() << fault;
}
