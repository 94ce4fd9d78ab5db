#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "app/FInfo.h"
#include "app/FSelectDirectory.h"
#include "app/SPGetSid.h"
#include "platform/core/Registry.h"
#include "app/support_Dialogs.h"
#include "support/TestSupport.h"

namespace {

// Sets an environment variable for a scope and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// Rejects and records every modal window that shows while it lives.
class ModalRecorder {
public:
    ModalRecorder()
    {
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
            if (auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                shown.push_back(modal->objectName().toStdString());
                modal->reject();
            }
        });
        timer_.start(10);
    }
    std::vector<std::string> shown;

private:
    QTimer timer_;
};

void WhenQuestionShows(std::function<void(TFormSelectDirectory&)> action)
{
    qbtest::WhenDialogShows<TFormSelectDirectory>(std::move(action));
}

// Each test gets its own settings store and user data folder.
class CommonDirectoryTest : public testing::Test {
protected:
    CommonDirectoryTest()
        : config_("QUELLBROOK_CONFIG_DIR", temp_.file("config")), data_("XDG_DATA_HOME", temp_.file("data"))
    {
        CommonDirectory.clear();
    }
    ~CommonDirectoryTest() override { CommonDirectory.clear(); }

    std::string Folder(const std::string& name)
    {
        std::filesystem::create_directories(temp_.path() / name);
        return temp_.file(name);
    }

    static void Store(HKEY root, const std::string& name, const std::string& value)
    {
        TRegistry registry;
        registry.SetRootKey(root);
        ASSERT_TRUE(registry.OpenKey("\\Software\\ORU", true));
        registry.WriteString(name, value);
    }

    template <class T>
    static std::optional<T> StoredValue(HKEY root, const std::string& name, T (TRegistry::*read)(const std::string&) const)
    {
        TRegistry registry;
        registry.SetRootKey(root);
        if (!registry.OpenKeyReadOnly("\\Software\\ORU") || !registry.ValueExists(name))
            return std::nullopt;
        return (registry.*read)(name);
    }
    static std::optional<std::string> Stored(HKEY root, const std::string& name)
    {
        return StoredValue(root, name, &TRegistry::ReadString);
    }
    static std::optional<int> StoredInteger(HKEY root, const std::string& name)
    {
        return StoredValue(root, name, &TRegistry::ReadInteger);
    }

    // A machine hive that can't be read: the directory stands where its file should be.
    void BreakMachineHive() { std::filesystem::create_directories(temp_.path() / "config" / "HKEY_LOCAL_MACHINE.ini"); }

    qbtest::TempDir temp_;
    ScopedEnv config_;
    ScopedEnv data_;
};

TEST_F(CommonDirectoryTest, AStoredExistingDirectoryIsTakenWithoutAQuestion)
{
    const std::string common = Folder("common");
    Store(HKEY_LOCAL_MACHINE, "CommonPath", common);
    Store(HKEY_CURRENT_USER, "CommonPath", Folder("user"));
    ModalRecorder modals;
    EXPECT_EQ(InitCommonDirectory("/opt/quellbrook/bin/quellbrook"), common + "/");
    EXPECT_TRUE(modals.shown.empty());
}

TEST_F(CommonDirectoryTest, TheUserHiveServesWhenTheMachineHiveCannotBeOpened)
{
    BreakMachineHive();
    const std::string user = Folder("user");
    Store(HKEY_CURRENT_USER, "CommonPath", user + "/");
    ModalRecorder modals;
    EXPECT_EQ(InitCommonDirectory("/opt/quellbrook/bin/quellbrook"), user + "/");
    EXPECT_TRUE(modals.shown.empty());
    EXPECT_EQ(StoredInteger(HKEY_CURRENT_USER, "AutoCloseInfoForm"), 10);
}

TEST_F(CommonDirectoryTest, AMissingOrVanishedDirectoryIsAskedForAndTheAnswerStored)
{
    struct Case {
        const char* label;
        std::optional<std::string> stored;
    };
    const Case cases[] = {
        {"no value", std::nullopt},
        {"empty value", std::string()},
        {"folder gone", temp_.file("deleted-folder")},
        {"a file, not a folder", temp_.file("plain-file")},
    };
    qbtest::WriteFileBytes(temp_.file("plain-file"), "x");
    const std::string answer = Folder("answered");
    for (const Case& c : cases) {
        TRegistry().DeleteKey("\\Software\\ORU");
        TRegistry machine;
        machine.SetRootKey(HKEY_LOCAL_MACHINE);
        machine.DeleteKey("\\Software\\ORU");
        if (c.stored)
            Store(HKEY_LOCAL_MACHINE, "CommonPath", *c.stored);
        std::string caption;
        WhenQuestionShows([&](TFormSelectDirectory& form) {
            caption = form.LabelCaption->text().toStdString();
            form.EditDir->setText(QString::fromStdString(answer));
            form.btnOK->click();
        });
        EXPECT_EQ(InitCommonDirectory("/opt/quellbrook/bin/quellbrook"), answer + "/") << c.label;
        EXPECT_EQ(caption, "Common ORU directory") << c.label;
        EXPECT_EQ(Stored(HKEY_LOCAL_MACHINE, "CommonPath"), answer) << c.label;
        EXPECT_EQ(Stored(HKEY_CURRENT_USER, "CommonPath"), std::nullopt) << c.label;
    }
}

TEST_F(CommonDirectoryTest, CancellingLeavesNoDirectoryAndStoresAnEmptyValue)
{
    Store(HKEY_LOCAL_MACHINE, "CommonPath", temp_.file("gone"));
    WhenQuestionShows([](TFormSelectDirectory& form) { form.btnCancel->click(); });
    EXPECT_EQ(InitCommonDirectory("/opt/quellbrook/bin/quellbrook"), "");
    EXPECT_EQ(Stored(HKEY_LOCAL_MACHINE, "CommonPath"), "");
}

// An installed program: <prefix>/bin/quellbrook and the shipped language files in the data folder.
std::string InstallProgram(const std::string& prefix)
{
    const std::string shipped = std::string(QB_TEST_DATA) + "/../../resources/common/";
    std::filesystem::create_directories(prefix + "/bin");
    std::filesystem::create_directories(prefix + "/share/quellbrook/common");
    for (const char* name : {"SetQuery409.lng", "NvgHint409.lng"})
        std::filesystem::copy_file(shipped + name, prefix + "/share/quellbrook/common/" + name);
    return prefix + "/bin/quellbrook";
}

TEST_F(CommonDirectoryTest, AFirstStartProposesTheUsersFolderWithTheShippedFilesAndSaysWhatItIsFor)
{
    const std::string program = InstallProgram(temp_.file("usr"));
    const std::string userFolder = temp_.file("data") + "/CommonFilesORU";
    qbtest::WriteFileBytes(Folder("data/CommonFilesORU") + "/NvgHint409.lng", "edited by the user\r\n");
    std::string proposed;
    std::string purpose;
    WhenQuestionShows([&](TFormSelectDirectory& form) {
        proposed = form.EditDir->text().toStdString();
        purpose = form.LabelCaption->text().toStdString();
        for (QLabel* label : form.findChildren<QLabel*>())
            if (label != form.LabelCaption && label->isVisible()) purpose += " | " + label->text().toStdString();
        form.btnOK->click();
    });
    EXPECT_EQ(InitCommonDirectory(program), userFolder + "/");
    EXPECT_EQ(proposed, userFolder);
    EXPECT_NE(purpose.find("language files"), std::string::npos) << purpose;
    EXPECT_EQ(Stored(HKEY_LOCAL_MACHINE, "CommonPath"), userFolder);
    EXPECT_EQ(qbtest::ReadFileBytes(userFolder + "/SetQuery409.lng"),
              qbtest::ReadFileBytes(temp_.file("usr") + "/share/quellbrook/common/SetQuery409.lng"));
    EXPECT_EQ(qbtest::ReadFileBytes(userFolder + "/NvgHint409.lng"), "edited by the user\r\n") << "the user's file stays";
    EXPECT_EQ(ShippedCommonDirectory(temp_.file("usr") + "/bin"), temp_.file("usr") + "/share/quellbrook/common/");
    EXPECT_EQ(ShippedCommonDirectory(temp_.file("elsewhere")), "");
}

TEST_F(CommonDirectoryTest, TheQuestionProposesTheExistingPartOfTheCommonFolder)
{
    // A program in <apps>/ORU/Tool proposes <apps>/CommonFilesORU; while that folder is missing,
    // the edit shows <apps>/.
    const std::string apps = Folder("Apps");
    std::string proposed;
    WhenQuestionShows([&](TFormSelectDirectory& form) {
        proposed = form.EditDir->text().toStdString();
        form.btnCancel->click();
    });
    InitCommonDirectory(apps + "/ORU/Tool/quellbrook");
    EXPECT_EQ(proposed, apps + "/");

    Folder("Apps/CommonFilesORU");
    WhenQuestionShows([&](TFormSelectDirectory& form) {
        proposed = form.EditDir->text().toStdString();
        form.btnCancel->click();
    });
    InitCommonDirectory(apps + "/ORU/Tool/quellbrook");
    EXPECT_EQ(proposed, apps + "/CommonFilesORU");
}

TEST_F(CommonDirectoryTest, AutoCloseSettingIsReadOrWrittenAsTen)
{
    struct Case {
        const char* label;
        std::function<void()> prepare;
        int expected;
        std::optional<int> storedAfter;
    };
    const std::string common = Folder("common");
    const Case cases[] = {
        {"stored 3", [] {
             TRegistry r;
             r.SetRootKey(HKEY_LOCAL_MACHINE);
             r.OpenKey("\\Software\\ORU", true);
             r.WriteInteger("AutoCloseInfoForm", 3);
         }, 3, 3},
        {"missing", [] {}, 10, 10},
        {"stored as text", [] { Store(HKEY_LOCAL_MACHINE, "AutoCloseInfoForm", "five"); }, 10, 10},
    };
    for (const Case& c : cases) {
        TRegistry machine;
        machine.SetRootKey(HKEY_LOCAL_MACHINE);
        machine.DeleteKey("\\Software\\ORU");
        Store(HKEY_LOCAL_MACHINE, "CommonPath", common);
        c.prepare();
        AutoCloseInfoForm = -1;
        InitCommonDirectory("/opt/quellbrook/bin/quellbrook");
        EXPECT_EQ(AutoCloseInfoForm, c.expected) << c.label;
        EXPECT_EQ(StoredInteger(HKEY_LOCAL_MACHINE, "AutoCloseInfoForm"), c.storedAfter) << c.label;
    }
}

TEST_F(CommonDirectoryTest, ProposalFollowsAnOruFolderElseTheUserDataFolder)
{
    struct Case {
        const char* programFolder;
        std::string expected;
    };
    const std::string data = temp_.file("data");
    const Case cases[] = {
        {"/Apps/ORU/Tool/", "/Apps/CommonFilesORU"},
        {"/Apps/ORU/Tool", "/Apps/CommonFilesORU"},
        {"/home/u/ORU/", "/home/u/CommonFilesORU"},
        {"/a/ORU/b/ORU/c/", "/a/CommonFilesORU"},
        {"/apps/oru/tool/", data + "/CommonFilesORU"},  // the folder name as written
        {"/opt/quellbrook/bin/", data + "/CommonFilesORU"},
        {"/opt/ORUX/bin/", data + "/CommonFilesORU"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ProposedCommonDirectory(c.programFolder), c.expected) << c.programFolder;

    ScopedEnv relative("XDG_DATA_HOME", "relative/data");  // not absolute: ignored
    ScopedEnv home("HOME", "/home/someone");
    EXPECT_EQ(ProposedCommonDirectory("/opt/quellbrook/bin/"), "/home/someone/.local/share/CommonFilesORU");
}

TEST_F(CommonDirectoryTest, CommonSettingsFilesComeFromTheUsersFolderFirst)
{
    CommonDirectory = Folder("common") + "/";
    const std::string userFolder = temp_.file("data") + "/CommonFilesORU/";
    EXPECT_EQ(LocateCommonSettingsFile("odbc.ini", true), CommonDirectory + "odbc.ini");
    EXPECT_TRUE(std::filesystem::is_directory(userFolder)) << "the user's folder is created";
    EXPECT_EQ(LocateCommonSettingsFile("odbc.ini", false), userFolder + "odbc.ini");
    qbtest::WriteFileBytes(userFolder + "odbc.ini", "[x]");
    EXPECT_EQ(LocateCommonSettingsFile("odbc.ini", true), userFolder + "odbc.ini");
}

TEST(VersionInfoLines, FixedKeysInFixedOrderWithoutEmptyValues)
{
    const TVersionEntry data[] = {
        {"ProductName", "Tool"}, {"Comments", ""},           {"Unknown", "x"},
        {"CompanyName", "ORU"},  {"FileVersion", "1.2.3.4"}, {"LegalTradeMarks", "TM"},
    };
    const TStringList lines = VersionInfoLines(data);
    EXPECT_EQ(lines.Text(), "CompanyName=ORU\r\nFileVersion=1.2.3.4\r\nLegalTradeMarks=TM\r\nProductName=Tool\r\n");
    EXPECT_EQ(VersionInfoLines({}).Count(), 0);

    const TStringList program = VersionInfoLines(ProgramVersionData);
    for (const char* key : {"FileVersion", "InternalName", "LegalCopyright", "FileDescription"})
        EXPECT_FALSE(program.Values(key).empty()) << key;
}

class FormInfoTest : public CommonDirectoryTest {};

TEST_F(FormInfoTest, WindowAndControlsAsLaidOut)
{
    TFormInfo form;
    EXPECT_EQ(form.objectName(), "FormInfo");
    EXPECT_EQ(form.windowTitle(), "Program info");
    EXPECT_EQ(form.size(), QSize(384, 222));
    EXPECT_EQ(form.font().family(), "MS Sans Serif");
    EXPECT_EQ(form.font().pixelSize(), 11);
    EXPECT_EQ(form.palette().color(QPalette::Window), QColor(0xFF, 0xEE, 0xCC));
    EXPECT_TRUE(form.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(form.windowFlags() & Qt::WindowCloseButtonHint);
    struct Control {
        QWidget* widget;
        const char* name;
        const char* accessible;
        QPoint at;
    };
    const Control controls[] = {
        {form.Image1, "Image1", "Quellbrook", {16, 16}},
        {form.LblTitle, "LblTitle", "", {112, 16}},
        {form.LblComment, "LblComment", "", {112, 40}},
        {form.LblVersion, "LblVersion", "", {112, 56}},
        {form.LblCopyright, "LblCopyright", "", {112, 88}},
        {form.LabelUser, "LabelUser", "", {112, 184}},
        {form.LabelCompany, "LabelCompany", "", {112, 200}},
        {form.Label8, "Label8", "e-mail", {112, 152}},
        {form.Label1, "Label1", "Info form ver. 2022.5", {16, 90}},
        {form.BtnOK, "BtnOK", "OK", {16, 128}},
        {form.BtnMore, "BtnMore", "More Info >>", {16, 160}},
        {form.BtnAppDataDir, "BtnAppDataDir", "AppDataDir", {16, 190}},
        {form.Memo1, "Memo1", "More info", {16, 224}},
    };
    for (const Control& c : controls) {
        EXPECT_EQ(c.widget->objectName(), c.name);
        EXPECT_EQ(c.widget->accessibleName(), c.accessible) << c.name;
        EXPECT_EQ(c.widget->pos(), c.at) << c.name;
    }
    EXPECT_EQ(form.Image1->size(), QSize(70, 70));
    EXPECT_EQ(form.Image2->x(), 206);
    EXPECT_FALSE(form.Image2->isEnabled());
    EXPECT_EQ(form.Memo1->size(), QSize(361, 137));
    EXPECT_TRUE(form.Memo1->isHidden());
    EXPECT_TRUE(form.BtnMore->isHidden()) << "hidden until there are info lines";
    EXPECT_TRUE(form.BtnOK->isDefault());
    EXPECT_EQ(form.BtnAppDataDir->toolTip(), "Open application data dictionary");
    EXPECT_FALSE(form.Timer1->isActive());
    EXPECT_TRUE(form.LblTitle->font().bold());
    EXPECT_EQ(form.LblTitle->font().pixelSize(), 19);
    for (QLabel* label : {form.Label4, form.Label6, form.Label7, form.LblAddress, form.LabelWeb})
        EXPECT_FALSE(label->text().isEmpty()) << label->objectName().toStdString();
}

TEST_F(FormInfoTest, VersionDataFillsTheLabelsAndInfoLines)
{
    TFormInfo form;
    form.LoadVersionInfo();
    const TStringList program = VersionInfoLines(ProgramVersionData);
    EXPECT_EQ(form.LblTitle->text().toStdString(), "Program " + program.Values("InternalName"));
    EXPECT_EQ(form.LblComment->text().toStdString(), program.Values("FileDescription"));
    EXPECT_EQ(form.LblVersion->text().toStdString(), "Version " + program.Values("FileVersion"));
    EXPECT_EQ(form.LblCopyright->text().toStdString(), program.Values("LegalCopyright"));
    EXPECT_EQ(form.LblTitle->accessibleName(), form.LblTitle->text());
    EXPECT_EQ(form.LabelUser->text(), "");
    EXPECT_EQ(form.LabelCompany->text(), "");

    const TStringList& lines = form.InfoLines();
    ASSERT_EQ(lines.Count(), program.Count() + 2);
    for (int i = 0; i < program.Count(); ++i)
        EXPECT_EQ(lines[i], program[i]);
    EXPECT_EQ(lines[program.Count()], "Application path=" + ProgramFolder());
    EXPECT_EQ(lines[program.Count() + 1], "SID=" + GetCurrentUserSid());
    EXPECT_FALSE(form.BtnMore->isHidden());
    EXPECT_EQ(form.Memo1->toPlainText().toStdString() + "\n",
              QString::fromStdString(lines.Text()).replace("\r\n", "\n").toStdString());

    form.LoadVersionInfo("Survey tool", "Collects data", "Owner", "beta 2");
    EXPECT_EQ(form.LblTitle->text(), "Survey tool");
    EXPECT_EQ(form.LblComment->text(), "Collects data");
    EXPECT_EQ(form.LblVersion->text().toStdString(), "Version " + program.Values("FileVersion") + " beta 2");
    EXPECT_EQ(form.InfoLines().Count(), lines.Count()) << "loading again starts the lines afresh";
}

TEST_F(FormInfoTest, MoreInfoShowsTheLinesWithTheCommonDirectory)
{
    CommonDirectory = "/srv/common/";
    TFormInfo form;
    form.LoadVersionInfo();
    form.show();
    form.BtnMore->click();
    EXPECT_TRUE(form.Memo1->isVisible());
    EXPECT_EQ(form.height(), 366);
    EXPECT_EQ(form.BtnMore->text(), "<< Info");
    EXPECT_EQ(form.BtnMore->accessibleName(), "<< Info");
    EXPECT_EQ(form.InfoLine("CommonORUPath"), "/srv/common/");
    EXPECT_NE(form.Memo1->toPlainText().indexOf("CommonORUPath=/srv/common/"), -1);

    form.BtnMore->click();
    EXPECT_FALSE(form.Memo1->isVisible());
    EXPECT_EQ(form.height(), 222);
    EXPECT_EQ(form.BtnMore->text(), "More Info >>");

    CommonDirectory.clear();
    TFormInfo other;
    other.LoadVersionInfo();
    other.show();
    other.BtnMore->click();
    EXPECT_EQ(other.InfoLines().IndexOfName("CommonORUPath"), -1) << "no line without a common directory";
}

TEST_F(FormInfoTest, ActivationShowsTheDataFolderButtonAndFitsTheTitle)
{
    TFormInfo form;
    form.LoadVersionInfo("Quellbrook field and survey data collection for every season");
    form.show();
    EXPECT_TRUE(form.BtnAppDataDir->isHidden());
    EXPECT_LT(form.LblTitle->font().pointSize(), 14);
    EXPECT_GE(form.LblTitle->font().pointSize(), 8);
    const bool fits = form.width() - form.LblTitle->x() - 5 >= form.LblTitle->width();
    EXPECT_TRUE(fits || form.LblTitle->font().pointSize() == 8);
    form.hide();

    form.SetInfoLine("AppDataDirectory", "/srv/appdata");
    form.show();
    EXPECT_FALSE(form.BtnAppDataDir->isHidden());

    TFormInfo shortTitle;
    shortTitle.LoadVersionInfo("Short");
    shortTitle.show();
    EXPECT_EQ(shortTitle.LblTitle->font().pixelSize(), 19) << "a title that fits keeps its size";
}

TEST_F(FormInfoTest, OkClosesTheModalWindow)
{
    TFormInfo form;
    form.LoadVersionInfo();
    qbtest::WhenModal([&](QWidget* modal) {
        EXPECT_EQ(modal, &form);
        form.BtnOK->click();
    });
    form.exec();
    EXPECT_FALSE(form.isVisible());
}

TEST_F(FormInfoTest, RegistryStringsComeFromTheInstallationKeyOnly)
{
    {
        TFormInfo form;
        std::string value = "stale";
        EXPECT_FALSE(form.ReadRegistryString("Installation", value)) << "no installation key yet";
        EXPECT_EQ(value, "");
    }
    TRegistry registry;
    registry.SetRootKey(HKEY_CURRENT_USER);
    ASSERT_TRUE(registry.OpenKey("\\Software\\ORU\\Quellbrook", true));
    registry.WriteString("Installation", "field-station-7");
    registry.WriteInteger("Count", 4);

    TFormInfo form;
    struct Case {
        const char* name;
        bool ok;
        const char* value;
    };
    const Case cases[] = {
        {"Installation", true, "field-station-7"},
        {"installation", true, "field-station-7"},
        {"Missing", true, ""},
        {"Count", false, ""},  // not a string
    };
    for (const Case& c : cases) {
        std::string value = "stale";
        EXPECT_EQ(form.ReadRegistryString(c.name, value), c.ok) << c.name;
        EXPECT_EQ(value, c.value) << c.name;
    }
}

TEST_F(FormInfoTest, MailAddressCarriesTheTitleAsSubject)
{
    TFormInfo form;
    form.LoadVersionInfo("Survey tool");
    EXPECT_EQ(form.MailToUrl(), "mailto:" + form.LblAddress->text().toStdString() + "?Subject=Survey tool: User request");
}

}  // namespace
