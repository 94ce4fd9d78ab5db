#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>

#include "platform/ui/QtUiServices.h"
#include "platform/ui/WindowFit.h"
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

// A checked box refuses OK with a warning above it and stays open until the answer is taken.
TEST(QtUiServices, CheckedInputBoxStaysOpenUntilTheAnswerIsTaken)
{
    TQtUiServices ui;
    std::vector<std::string> warnings;
    bool stayedOpen = false;
    qbtest::WhenModal([&](QWidget* modal) {
        auto* box = qobject_cast<QInputDialog*>(modal);
        ASSERT_NE(box, nullptr);
        EXPECT_GE(box->width(), CaptionWidth(box->windowTitle())) << "the caption fits";
        qbtest::WhenModal([&](QWidget* warning) {
            auto* message = qobject_cast<QMessageBox*>(warning);
            ASSERT_NE(message, nullptr);
            warnings.push_back(message->text().toStdString());
            message->buttons().constFirst()->click();
        });
        box->setTextValue("abc");
        box->accept();
        stayedOpen = box->isVisible();
        box->setTextValue("7");
        box->accept();
    });
    const auto check = [](const std::string& answer) {
        return answer == "7" ? std::string() : "\"" + answer + "\" is not seven.";
    };
    std::string value = "5";
    EXPECT_TRUE(ui.InputQueryChecked("Quantile calculation", "Probability 0.01 .. 49.99 %", value, check));
    EXPECT_EQ(value, "7");
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(warnings, std::vector<std::string>{"\"abc\" is not seven."});
}

// Boxes open above a window of the program that stays on top, and the colour dialog starts at
// the colour it is given.
TEST(QtUiServices, BoxesOpenAboveAWindowThatStaysOnTop)
{
    QWidget onTop(nullptr, Qt::Window | Qt::WindowStaysOnTopHint);
    onTop.show();
    TQtUiServices ui;
    qbtest::WhenModal([](QWidget* modal) {
        auto* box = qobject_cast<QColorDialog*>(modal);
        ASSERT_NE(box, nullptr);
        EXPECT_TRUE(box->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        EXPECT_EQ(box->currentColor(), QColor(0x56, 0x34, 0x12));
        box->reject();
    });
    std::uint32_t colour = 0x123456;
    EXPECT_FALSE(ui.ColorDialog(colour));
    qbtest::WhenModal([](QWidget* modal) {
        ASSERT_NE(modal, nullptr);
        EXPECT_TRUE(modal->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        static_cast<QDialog*>(modal)->reject();
    });
    std::string text;
    EXPECT_FALSE(ui.InputQuery("Rename", "Series title [0]", text));
}

// Types into the name field, as a user does: selectFile leaves that field alone while it has the
// focus, and an open file dialog gives it the focus.
void TypeFileName(QFileDialog* box, const QString& name)
{
    auto* field = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    if (!field || !box->isAncestorOf(field))
        box->reject();  // a failure, not a hang
    ASSERT_NE(field, nullptr) << "the file dialog waits in its name field";
    ASSERT_TRUE(box->isAncestorOf(field));
    field->setText(name);
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
        ASSERT_NO_FATAL_FAILURE(TypeFileName(box, QString::fromStdString(dir.file("a.ini"))));
        static_cast<QDialog*>(box)->accept();  // runs the file dialog's own checks
    });
    TFileDialogOptions open{"Open definition", "Setting file (ini)|*.ini|All files|*.*", 2, dir.path().string(), "", ""};
    ASSERT_TRUE(ui.OpenFileDialog(open));
    EXPECT_EQ(open.FileName, dir.file("a.ini"));
    EXPECT_EQ(open.FilterIndex, 2);

    qbtest::WhenModal([](QWidget* modal) {
        auto* box = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(box, nullptr);
        ASSERT_NO_FATAL_FAILURE(TypeFileName(box, "result"));
        static_cast<QDialog*>(box)->accept();  // runs the file dialog's own checks
    });
    TFileDialogOptions save{"Save", "Text|*.csv", 1, dir.path().string(), "", "csv"};
    ASSERT_TRUE(ui.SaveFileDialog(save));
    EXPECT_EQ(save.FileName, dir.file("result.csv")) << "the default extension is added";
}

}  // namespace
