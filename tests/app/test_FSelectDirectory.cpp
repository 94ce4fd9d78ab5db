#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <filesystem>

#include "app/FSelectDirectory.h"
#include "platform/ui/ScriptedUiServices.h"
#include "app/support_Dialogs.h"
#include "support/TestSupport.h"

namespace {

void WhenQuestionShows(std::function<void(TFormSelectDirectory&)> action)
{
    qbtest::WhenDialogShows<TFormSelectDirectory>(std::move(action));
}

TEST(ExistingDirectoryPart, CutsComponentsUntilAnExistingDirectory)
{
    qbtest::TempDir temp;
    const std::string root = temp.path().string();
    std::filesystem::create_directories(temp.path() / "a" / "b");
    struct Case {
        std::string path;
        std::string expected;
    };
    const Case cases[] = {
        {root + "/a/b", root + "/a/b"},
        {root + "/a/b/", root + "/a/b/"},
        {root + "/a/b/c/d", root + "/a/b/"},
        {root + "/a/x/y/", root + "/a/"},
        {root + "/a/b/c.txt", root + "/a/b/"},
        {"", ""},
        {"no-such-relative-folder/x", ""},
        // the root itself is never proposed: the first character is no place to cut
        {"/no-such-folder-quellbrook/x/", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExistingDirectoryPart(c.path), c.expected) << c.path;
}

TEST(FormSelectDirectory, ControlsCarryNamesAndCaptions)
{
    TFormSelectDirectory form;
    EXPECT_EQ(form.windowTitle(), "Select directory");
    struct Control {
        QWidget* widget;
        const char* name;
        const char* accessible;
    };
    const Control controls[] = {
        {form.btnSelect1, "btnSelect1", "Select local"},
        {form.btnSelect2, "btnSelect2", "Select in network"},
        {form.btnOK, "btnOK", "OK"},
        {form.btnCancel, "btnCancel", "Cancel"},
    };
    for (const Control& c : controls) {
        EXPECT_EQ(c.widget->objectName(), c.name);
        EXPECT_EQ(c.widget->accessibleName(), c.accessible);
    }
    EXPECT_EQ(form.btnSelect1->toolTip(), "Select local");
    EXPECT_EQ(form.btnSelect2->toolTip(), "Select in network");
    EXPECT_EQ(form.EditDir->objectName(), "EditDir");
    EXPECT_EQ(form.LabelCaption->objectName(), "LabelCaption");

    // The edit keeps its left edge and stretches with the window; the pickers stay at the right edge.
    form.show();
    EXPECT_EQ(form.size(), QSize(393, 97));
    const QRect edit = form.EditDir->geometry();
    const int pickerGap = form.width() - form.btnSelect2->geometry().right();
    form.resize(600, 97);
    QApplication::processEvents();
    EXPECT_EQ(form.EditDir->x(), edit.x());
    EXPECT_EQ(form.EditDir->width(), edit.width() + 207);
    EXPECT_EQ(form.width() - form.btnSelect2->geometry().right(), pickerGap);
    EXPECT_LT(form.EditDir->geometry().right(), form.btnSelect1->x());
}

TEST(AskDirectory, AnswersTheEditedTextOnOkAndNothingOnCancel)
{
    qbtest::TempDir temp;
    const std::string proposal = temp.file("CommonFilesORU");
    WhenQuestionShows([&](TFormSelectDirectory& form) {
        EXPECT_EQ(form.EditDir->text().toStdString(), temp.path().string() + "/") << "only the existing part";
        EXPECT_EQ(form.LabelCaption->text(), "Common ORU directory");
        EXPECT_EQ(form.EditDir->accessibleName(), "Common ORU directory");
        form.EditDir->setText("/srv/common");
        form.btnOK->click();
    });
    EXPECT_EQ(AskDirectory(proposal, "Common ORU directory"), "/srv/common");

    WhenQuestionShows([](TFormSelectDirectory& form) {
        form.EditDir->setText("/srv/other");
        form.btnCancel->click();
    });
    EXPECT_EQ(AskDirectory(proposal, "Common ORU directory"), "");
}

TEST(FormSelectDirectory, LocalPickerCreatesTheChosenFolderNetworkPickerOnlyChooses)
{
    qbtest::TempDir temp;
    const std::string created = temp.file("new/common");
    TScriptedUiServices ui;
    TScopedUiServices scope(ui);
    ui.Push(TUiAnswer::Directory(created));
    ui.Push(TUiAnswer::Cancel(TUiCallKind::Directory));
    ui.Push(TUiAnswer::Directory("/mnt/share/common"));

    TFormSelectDirectory form;
    form.EditDir->setText(QString::fromStdString(temp.path().string()));
    form.btnSelect1Click();
    EXPECT_EQ(form.EditDir->text().toStdString(), created);
    EXPECT_TRUE(std::filesystem::is_directory(created));

    form.btnSelect2Click();
    EXPECT_EQ(form.EditDir->text().toStdString(), created) << "a cancelled picker leaves the text";
    form.btnSelect2Click();
    EXPECT_EQ(form.EditDir->text(), "/mnt/share/common");
    EXPECT_FALSE(std::filesystem::exists("/mnt/share/common")) << "the network picker creates nothing";

    ASSERT_EQ(ui.Log().size(), 3u);
    EXPECT_EQ(ui.Log()[0].Default, temp.path().string()) << "the picker starts at the edit's text";
    EXPECT_EQ(ui.Log()[1].Caption, "Application data directory");
    EXPECT_EQ(ui.Log()[1].Default, created);
    EXPECT_TRUE(ui.Failures().empty());
}

TEST(FormSelectDirectory, AFolderThatCannotBeCreatedIsReported)
{
    qbtest::TempDir temp;
    qbtest::WriteFileBytes(temp.file("file"), "x");
    TScriptedUiServices ui;
    TScopedUiServices scope(ui);
    ui.Push(TUiAnswer::Directory(temp.file("file/sub")));
    TFormSelectDirectory form;
    form.EditDir->setText("/start");
    try {
        form.btnSelect1Click();
        FAIL() << "no error";
    } catch (const EInOutError& error) {
        EXPECT_NE(error.Message().find("Cannot create directory " + temp.file("file/sub")), std::string::npos)
            << error.Message();
    }
    EXPECT_EQ(form.EditDir->text(), "/start");
}

}  // namespace
