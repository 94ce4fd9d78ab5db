#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMessageBox>

#include "platform/ui/QtUiServices.h"
#include "support/TestSupport.h"

namespace {

TEST(QtUiServices, FilterTextBecomesNameFilters)
{
    struct Case {
        const char* filter;
        QStringList expected;
    };
    const Case cases[] = {
        {"Setting file (ini)|*.ini|All files|*.*", {"Setting file (ini) (*.ini)", "All files (*)"}},
        {"dBase/FoxPro table|*.dbf", {"dBase/FoxPro table (*.dbf)"}},
        {"Tables|*.dbf;*.db", {"Tables (*.dbf *.db)"}},
        {"Text|*.txt|Dangling", {"Text (*.txt)"}},
        {"", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FilterToNameFilters(c.filter), c.expected) << c.filter;
}

// Presses the message box button with the given text.
void PressButton(const QString& text)
{
    qbtest::WhenModal([text](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        for (QAbstractButton* button : box->buttons())
            if (button->text().remove('&') == text)
                return button->click();
        ADD_FAILURE() << "no button " << text.toStdString();
        box->reject();
    });
}

TEST(QtUiServices, MessageBoxReturnsThePressedButton)
{
    struct Case {
        TMsgDlgButtons buttons;
        const char* press;
        int expected;
    };
    const Case cases[] = {
        {mbYesNo, "Yes", mrYes},
        {mbYesNo, "No", mrNo},
        {mbOKCancel, "Cancel", mrCancel},
        {mbOK, "OK", mrOk},
    };
    TQtUiServices ui;
    for (const Case& c : cases) {
        PressButton(c.press);
        EXPECT_EQ(ui.MessageDlg("Question", TMsgDlgType::mtConfirmation, c.buttons), c.expected) << c.press;
    }
}

// Enter presses the default button: the one the question names, else the first it offers.
TEST(QtUiServices, EnterPressesTheDefaultButton)
{
    struct Case {
        TMsgDlgButtons buttons;
        int defaultButton;  // 0: none named
        int expected;
    };
    const Case cases[] = {
        {mbYesNo, mbNo, mrNo},
        {mbYesNo, mbYes, mrYes},
        {mbOKCancel, mbCancel, mrCancel},
        {mbYesNo, 0, mrYes},
        {mbOKCancel, 0, mrOk},
    };
    TQtUiServices ui;
    for (const Case& c : cases) {
        qbtest::WhenModal([](QWidget* modal) {
            QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(modal, &enter);
            if (modal->isVisible()) {
                ADD_FAILURE() << "Enter pressed no button";
                static_cast<QDialog*>(modal)->reject();
            }
        });
        const int pressed = c.defaultButton ? ui.MessageDlg("Delete all records?", TMsgDlgType::mtConfirmation, c.buttons,
                                                            static_cast<TMsgDlgBtn>(c.defaultButton))
                                            : ui.MessageDlg("Go on?", TMsgDlgType::mtConfirmation, c.buttons);
        EXPECT_EQ(pressed, c.expected) << c.buttons << " " << c.defaultButton;
    }
}

TEST(QtUiServices, MessageBoxShowsKindCaptionAndOnlyTheAskedButtons)
{
    TQtUiServices ui;
    qbtest::WhenModal([](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->windowTitle(), "Warning");
        EXPECT_EQ(box->text(), "Close opened file firstly");
        EXPECT_EQ(box->icon(), QMessageBox::Warning);
        EXPECT_EQ(box->buttons().size(), 1);
        box->buttons().constFirst()->click();
    });
    ui.ShowWarning("Close opened file firstly");
}

TEST(QtUiServices, InputBoxGivesTheTypedTextOnlyOnOk)
{
    TQtUiServices ui;
    qbtest::WhenModal([](QWidget* modal) {
        auto* box = qobject_cast<QInputDialog*>(modal);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->windowTitle(), "Select case");
        EXPECT_EQ(box->labelText(), "Add item");
        EXPECT_EQ(box->textValue(), "start");
        box->setTextValue("Delete");
        box->accept();
    });
    std::string value = "start";
    EXPECT_TRUE(ui.InputQuery("Select case", "Add item", value));
    EXPECT_EQ(value, "Delete");

    qbtest::WhenModal([](QWidget* modal) {
        auto* box = qobject_cast<QInputDialog*>(modal);
        ASSERT_NE(box, nullptr);
        box->setTextValue("ignored");
        box->reject();
    });
    EXPECT_FALSE(ui.InputQuery("Select case", "Add item", value));
    EXPECT_EQ(value, "Delete");
}

TEST(QtUiServices, FileDialogsReportFileAndFilterIndex)
{
    qbtest::TempDir dir;
    qbtest::WriteFileBytes(dir.file("a.ini"), "[S]\n");
    TQtUiServices ui;

    qbtest::WhenModal([&dir](QWidget* modal) {
        auto* box = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->windowTitle(), "Open definition");
        EXPECT_EQ(box->selectedNameFilter(), "All files (*)");
        box->selectFile(QString::fromStdString(dir.file("a.ini")));
        static_cast<QDialog*>(box)->accept();  // runs the file dialog's own checks
    });
    TFileDialogOptions open{"Open definition", "Setting file (ini)|*.ini|All files|*.*", 2, dir.path().string(), "", ""};
    ASSERT_TRUE(ui.OpenFileDialog(open));
    EXPECT_EQ(open.FileName, dir.file("a.ini"));
    EXPECT_EQ(open.FilterIndex, 2);

    qbtest::WhenModal([](QWidget* modal) {
        auto* box = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(box, nullptr);
        box->selectFile("result");
        static_cast<QDialog*>(box)->accept();  // runs the file dialog's own checks
    });
    TFileDialogOptions save{"Save", "Text|*.csv", 1, dir.path().string(), "", "csv"};
    ASSERT_TRUE(ui.SaveFileDialog(save));
    EXPECT_EQ(save.FileName, dir.file("result.csv")) << "the default extension is added";
}

}  // namespace
