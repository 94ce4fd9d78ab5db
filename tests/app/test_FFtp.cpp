#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QToolButton>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <utility>

#include "app/DataModules.h"
#include "app/FFtp.h"
#include "app/FMain.h"
#include "app/oruCryptoUtils.h"
#include "app/support_MainForm.h"
#include "platform/core/CodePage.h"
#include "platform/core/Registry.h"
#include "platform/db/Table.h"
#include "platform/ui/DBCtrls.h"
#include "support/FtpServer.h"

using namespace qbtest;
namespace fs = std::filesystem;

namespace {

const std::string kSurvey = JoinSections({kObserverSection, kNotesSection});

std::string LittleEndian(std::uint64_t value, int width)
{
    std::string bytes;
    for (int i = 0; i < width; ++i, value >>= 8) bytes += static_cast<char>(value & 0xFF);
    return bytes;
}

// A settings file as the administrator's tool lays it out, with any start key and raw fields.
std::string SettingsBytes(const std::string& hostHex, std::uint16_t port, const std::string& userHex,
                          const std::string& passwordHex, char passive)
{
    return LittleEndian(hostHex.size(), 4) + hostHex + LittleEndian(port, 2) + LittleEndian(userHex.size(), 4) + userHex +
           LittleEndian(passwordHex.size(), 4) + passwordHex + std::string(1, passive);
}

void StoreInstallation(const std::string& name)
{
    TRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    registry.OpenKey("\\Software\\ORU\\Quellbrook", true);
    registry.WriteString("Installation", name);
}

std::vector<std::string> FolderNames(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

// ---------------------------------------------------------------------------------------------
// The settings file

TEST(FtpSetting, WrittenFilesReadBackAndKeepTheLayout)
{
    TempDir dir;
    const struct {
        const char* host;
        std::uint16_t port;
        const char* user;
        const char* password;
        bool passive;
    } cases[] = {
        {"ftp.example.org", 21, "surveyor", "s3cret", true},
        {"10.0.0.7", 2121, "ank\xC4\x9Bta", "", false},
        {"h", 65535, "u", "p\xC5\xA1 w", true},
    };
    for (const auto& c : cases) {
        TftpSetting written;
        written.Host = c.host;
        written.Port = c.port;
        written.UserName = c.user;
        written.Password = c.password;
        written.Passive = c.passive;
        written.SaveToFile(dir.file("Quellbrook.ftp"));
        EXPECT_EQ(ReadFileBytes(dir.file("Quellbrook.ftp")),
                  SettingsBytes(ScrambleHex(c.host, FtpSettingStartKey), c.port, ScrambleHex(c.user, FtpSettingStartKey),
                                ScrambleHex(c.password, FtpSettingStartKey), c.passive ? 1 : 0));
        const TftpSetting read(dir.file("Quellbrook.ftp"));
        EXPECT_EQ(read.Host, c.host);
        EXPECT_EQ(read.Port, c.port);
        EXPECT_EQ(read.UserName, c.user);
        EXPECT_EQ(read.Password, c.password);
        EXPECT_EQ(read.Passive, c.passive);
        EXPECT_EQ(read.FileName, dir.file("Quellbrook.ftp"));
    }
}

TEST(FtpSetting, TheWrittenFileIsReadableByItsOwnerOnly)
{
    TempDir dir;
    const std::string path = dir.file("Quellbrook.ftp");
    const mode_t previousMask = ::umask(022);
    TftpSetting setting;
    setting.Host = "ftp.example.org";
    setting.Password = "s3cret";
    const struct {
        const char* what;
        std::function<void()> arrange;
    } cases[] = {
        {"a new file", [&] { fs::remove(path); }},
        {"a file readable by everyone", [&] { fs::permissions(path, fs::perms(0644)); }},
        {"a file of the same name as a link", [&] {
             fs::rename(path, dir.file("target.ftp"));
             fs::permissions(dir.file("target.ftp"), fs::perms(0664));
             fs::create_symlink(dir.file("target.ftp"), path);
         }},
    };
    for (const auto& c : cases) {
        c.arrange();
        setting.SaveToFile(path);
        EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms(0600)) << c.what;
        EXPECT_EQ(TftpSetting(path).Password, "s3cret") << c.what;
    }
    ::umask(previousMask);
    std::vector<std::string> names = FolderNames(dir.path());
    EXPECT_EQ(names, (std::vector<std::string>{"Quellbrook.ftp", "target.ftp"})) << "no temporary file is left";
}

// Files of the administrator's tool may use any one-byte start key and any non-zero passive byte,
// and hold names and passwords in the program code page.
TEST(FtpSetting, FilesOfTheAdministratorsToolLoad)
{
    TempDir dir;
    const auto scrambled = [](std::uint16_t key) {
        return SettingsBytes(ScrambleHex("ftp.example.org", key), 990, ScrambleHex("surveyor", key),
                             ScrambleHex("Pa55word!", key), 7);
    };
    const struct {
        std::string bytes;
        std::uint16_t key;
        const char* user;
        const char* password;
        std::uint16_t port;
    } cases[] = {
        {scrambled(0x00), 0x00, "surveyor", "Pa55word!", 990},
        {scrambled(0x37), 0x37, "surveyor", "Pa55word!", 990},
        {scrambled(0xFF), 0xFF, "surveyor", "Pa55word!", 990},
        {ReadFileBytes(DataPath("app/cp1250.ftp")), 0x37, "\xC5\xA0imon", "heslo-\xC5\xBElu\xC5\xA5ou\xC4\x8Dk\xC3\xBD", 21},
    };
    SetProgramCodePage(1250);
    for (const auto& c : cases) {
        WriteFileBytes(dir.file("a.ftp"), c.bytes);
        const TftpSetting read(dir.file("a.ftp"));
        EXPECT_EQ(read.StartKey, c.key);
        EXPECT_EQ(read.Host, "ftp.example.org");
        EXPECT_EQ(read.UserName, c.user);
        EXPECT_EQ(read.Password, c.password);
        EXPECT_EQ(read.Port, c.port);
        EXPECT_TRUE(read.Passive);
    }
    SetProgramCodePage(0);
}

TEST(FtpSetting, HostTextsOfOddLengthOrWithNonHexPairs)
{
    TempDir dir;
    const std::string host = ScrambleHex("ftp.example.org", FtpSettingStartKey);
    const std::string user = ScrambleHex("surveyor", FtpSettingStartKey);
    const struct {
        const char* what;
        std::string hostHex;
        const char* expected;
    } cases[] = {
        {"odd number of digits", host + "A", "ftp.example.org"},
        {"non-hex pair", host.substr(0, 4) + "ZZ" + host.substr(6), ""},
    };
    for (const auto& c : cases) {
        WriteFileBytes(dir.file("a.ftp"), SettingsBytes(c.hostHex, 21, user, "", 0));
        const TftpSetting read(dir.file("a.ftp"));
        EXPECT_EQ(read.Host, c.expected) << c.what;
        EXPECT_EQ(read.UserName, "surveyor") << c.what;
        EXPECT_FALSE(read.Passive);
    }
}

TEST(FtpSetting, DamagedFilesRaiseTheIoErrorAndMissingOnesKeepTheDefaults)
{
    TempDir dir;
    const std::string whole = SettingsBytes("41", 21, "42", "43", 1);
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"cut inside a length", whole.substr(0, 3)},
        {"cut inside the host", whole.substr(0, 5)},
        {"cut inside the port", whole.substr(0, 7)},
        {"without the passive byte", whole.substr(0, whole.size() - 1)},
        {"length beyond the end", LittleEndian(1000, 4) + "41"},
        {"negative length", LittleEndian(0xFFFFFFFF, 4) + whole},
    };
    for (const auto& c : cases) {
        WriteFileBytes(dir.file("bad.ftp"), c.bytes);
        TftpSetting setting;
        try {
            setting.LoadFromFile(dir.file("bad.ftp"));
            ADD_FAILURE() << c.what << ": read";
        } catch (const EInOutError& error) {
            EXPECT_TRUE(Contains(error.Message(), dir.file("bad.ftp"))) << error.Message();
        }
    }
    const TftpSetting missing(dir.file("missing.ftp"));
    EXPECT_EQ(missing.Port, 21);
    EXPECT_TRUE(missing.Passive);
    EXPECT_EQ(missing.Host, "");
}

TEST(FtpSetting, DefinitionFileNamesAreFilesOfTheSameBaseName)
{
    TempDir dir;
    for (const char* name : {"survey.ini", "survey.dbf", "survey.dbt", "survey.txt", "survey.", "survey2.dbf",
                             "survey", "other.ini", "Survey.DBF", "bare", "bare.dbf"})
        WriteFileBytes(dir.file(name), name);
    fs::create_directory(dir.path() / "survey.d");
    fs::create_directory(dir.path() / "bare.d");
    const struct {
        const char* definition;
        std::vector<std::string> expected;
    } cases[] = {
        {"survey.ini", {"survey.", "survey.dbf", "survey.dbt", "survey.ini", "survey.txt"}},
        {"bare", {"bare", "bare.dbf"}},
        {"missing.ini", {}},
    };
    for (const auto& c : cases) EXPECT_EQ(DefinitionFileNames(dir.file(c.definition)), c.expected) << c.definition;
}

TEST(FtpSetting, FirstActivationWithoutSettingsBesideTheProgramDisablesSendData)
{
    ASSERT_FALSE(fs::exists(FtpSettingsFileName()));
    MainFormHarness h;
    EXPECT_FALSE(h.Form->TB_SendViaFTP->isEnabled());
    EXPECT_TRUE(h.Form->TB_About->isEnabled());
}

TEST(FtpSetting, DamagedSettingsFileRaisesAndTheClientKeepsItsDefaults)
{
    MainFormHarness h;
    ASSERT_TRUE(h.Open(h.WriteDefinition("survey.ini", kSurvey)));
    WriteFileBytes(h.Dir.file("Quellbrook.ftp"), LittleEndian(1000, 4) + "41");
    EXPECT_THROW(h.Form->LoadFtpSettings(h.Dir.file("Quellbrook.ftp")), EInOutError);
    EXPECT_EQ(h.Form->Ftp.Host, "");
    EXPECT_EQ(h.Form->Ftp.Port, 21);
    EXPECT_TRUE(h.Form->Ftp.Passive);
    EXPECT_TRUE(h.Form->TB_SendViaFTP->isEnabled()) << "the file is there";
}

// ---------------------------------------------------------------------------------------------
// Send data against a real FTP server

namespace {

struct SendData : testing::Test {
    FtpServer Server;
    std::unique_ptr<MainFormHarness> H;
    std::string Definition;
    fs::path Remote;  // where the installation's files land

    void SetUp() override
    {
        StoreInstallation("Station 7");
        fs::create_directory(Server.Home().path() / "Quellbrook");
        Remote = Server.Home().path() / "Quellbrook" / "Station 7";
        H = std::make_unique<MainFormHarness>();
        Definition = H->WriteDefinition("survey.ini", kSurvey);
        ASSERT_TRUE(H->Open(Definition));
        TTable& table = H->Form->Table;
        for (const char* observer : {"Ada", "Bea", "Cyril"}) {
            table.Append();
            table.FieldByName("OBSERVER").SetAsString(observer);
            table.FieldByName("NOTES").SetAsString(std::string("notes of ") + observer);
            table.Post();
        }
        table.First();
        table.Next();
        WriteFileBytes(H->Dir.file("survey.txt"), "exported\r\n");
        WriteFileBytes(H->Dir.file("survey2.dbf"), "another table");
        fs::create_directory(H->Dir.path() / "survey.backup");
        WriteSettings(FtpServer::Password, Server.Port(), true);
        H->TakeMessages();
    }

    void WriteSettings(const std::string& password, std::uint16_t port, bool passive)
    {
        TftpSetting setting;
        setting.Host = "127.0.0.1";
        setting.Port = port;
        setting.UserName = FtpServer::User;
        setting.Password = password;
        setting.Passive = passive;
        setting.SaveToFile(H->Dir.file("Quellbrook.ftp"));
        H->Form->LoadFtpSettings(H->Dir.file("Quellbrook.ftp"));
    }

    // Clicks Send data, answering OK to that many message boxes; answers their texts.
    std::vector<std::string> Send(int messageBoxes)
    {
        for (int i = 0; i < messageBoxes; ++i) H->Ui.Push(TUiAnswer::Press(mrOk));
        H->Form->TB_SendViaFTP->click();
        EXPECT_EQ(H->Ui.Pending(), 0) << "fewer message boxes than expected";
        for (const std::string& failure : H->Ui.Failures()) ADD_FAILURE() << failure;
        return H->TakeMessages();
    }

    void ExpectTableOnSecondRecord() const
    {
        EXPECT_TRUE(H->Form->Table.Active());
        EXPECT_EQ(H->Form->Table.RecNo(), 2);
        EXPECT_TRUE(Contains(H->Form->Table.FieldByName("OBSERVER").AsString(), "Bea"));
        EXPECT_TRUE(H->Form->TB_Close->isEnabled());
    }
};

// Passes every call on to the scripted answers; the first message box whose text holds the given
// part first runs an action, so the server side can change between two steps of a send.
class ActOnMessage : public TUiServices {
public:
    ActOnMessage(TScriptedUiServices& inner, std::string part, std::function<void()> action)
        : inner_(inner), part_(std::move(part)), action_(std::move(action))
    {
    }
    int MessageDlg(const std::string& text, TMsgDlgType kind, TMsgDlgButtons buttons) override
    {
        if (action_ && Contains(text, part_)) std::exchange(action_, nullptr)();
        return inner_.MessageDlg(text, kind, buttons);
    }
    bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) override
    {
        return inner_.InputQuery(caption, prompt, value);
    }
    bool OpenFileDialog(TFileDialogOptions& dialog) override { return inner_.OpenFileDialog(dialog); }
    bool SaveFileDialog(TFileDialogOptions& dialog) override { return inner_.SaveFileDialog(dialog); }
    bool SelectDirectory(const std::string& caption, std::string& directory) override
    {
        return inner_.SelectDirectory(caption, directory);
    }
    bool ColorDialog(std::uint32_t& color) override { return inner_.ColorDialog(color); }
    bool FontDialog(TFontChoice& font) override { return inner_.FontDialog(font); }

private:
    TScriptedUiServices& inner_;
    std::string part_;
    std::function<void()> action_;
};

const std::vector<std::string> kSent = {"survey.dbf", "survey.dbt", "survey.ini", "survey.txt"};

}  // namespace

TEST_F(SendData, SettingsFileAppliesToTheClientAndItsAbsenceDisablesSendData)
{
    EXPECT_TRUE(H->Form->TB_SendViaFTP->isEnabled());
    EXPECT_EQ(H->Form->Ftp.Host, "127.0.0.1");
    EXPECT_EQ(H->Form->Ftp.Port, Server.Port());
    EXPECT_EQ(H->Form->Ftp.Username, FtpServer::User);
    EXPECT_EQ(H->Form->Ftp.Password, FtpServer::Password);
    EXPECT_TRUE(H->Form->Ftp.Passive);
    H->Form->LoadFtpSettings(H->Dir.file("missing.ftp"));
    EXPECT_FALSE(H->Form->TB_SendViaFTP->isEnabled());
}

class SendDataModes : public SendData, public testing::WithParamInterface<bool> {};

TEST_P(SendDataModes, CollectionFilesReplaceOlderCopiesInTheInstallationFolder)
{
    WriteSettings(FtpServer::Password, Server.Port(), GetParam());
    fs::create_directory(Remote);
    WriteFileBytes((Remote / "SURVEY.DBF").string(), "an older copy");
    WriteFileBytes((Remote / "other.txt").string(), "stays");
    Server.TakeCommands();

    const std::vector<std::string> messages = Send(2);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], "survey.dbf\r\nsurvey.dbt\r\nsurvey.ini\r\nsurvey.txt");
    EXPECT_EQ(messages[1], "Data upload: file count 4");
    EXPECT_EQ(FolderNames(Remote), (std::vector<std::string>{"other.txt", "survey.dbf", "survey.dbt", "survey.ini", "survey.txt"}));
    for (const std::string& name : kSent)
        EXPECT_EQ(ReadFileBytes((Remote / name).string()), ReadFileBytes(H->Dir.file(name))) << name;
    EXPECT_EQ(ReadFileBytes((Remote / "other.txt").string()), "stays");
    const std::string commands = Server.TakeCommands();
    EXPECT_TRUE(Contains(commands, "DELE SURVEY.DBF")) << commands;
    EXPECT_TRUE(Contains(commands, "TYPE I")) << commands;
    EXPECT_TRUE(Contains(commands, GetParam() ? "EPSV" : "EPRT")) << commands;
    EXPECT_TRUE(Contains(commands, "QUIT")) << "disconnected at the end";
    ExpectTableOnSecondRecord();
    EXPECT_FALSE(H->Form->Ftp.Connected());
}

INSTANTIATE_TEST_SUITE_P(DataConnection, SendDataModes, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) { return info.param ? "Passive" : "Active"; });

TEST_F(SendData, MissingInstallationFolderIsMadeAndASecondSendReplacesTheFiles)
{
    EXPECT_EQ(Send(2).back(), "Data upload: file count 4");
    EXPECT_EQ(FolderNames(Remote), kSent);
    TTable& table = H->Form->Table;
    table.Edit();
    table.FieldByName("OBSERVER").SetAsString("Bea changed");
    table.Post();
    EXPECT_EQ(Send(2).back(), "Data upload: file count 4");
    EXPECT_EQ(ReadFileBytes((Remote / "survey.dbf").string()), ReadFileBytes(H->Dir.file("survey.dbf")));
    EXPECT_TRUE(Contains(ReadFileBytes((Remote / "survey.dbf").string()), "Bea changed"));
}

// The table is read whole by the transfer: what was typed but not yet saved goes with it.
TEST_F(SendData, UnsavedWorkIsSavedAndSent)
{
    const struct {
        const char* what;
        std::function<void()> type;
    } ways[] = {
        {"pending edit of the table", [&] {
             H->Form->Table.Edit();
             H->Form->Table.FieldByName("NOTES").SetAsString("edited, not posted");
         }},
        {"text typed into the visible panel", [&] {
             H->Form->TB_DataInsert->click();
             TypeText(H->Panel(0).Edit(), "Zed");
         }},
    };
    for (const auto& way : ways) {
        way.type();
        EXPECT_EQ(Send(2).back(), "Data upload: file count 4") << way.what;
        ExpectTableOnSecondRecord();
    }
    const std::string sent = DbfDump((Remote / "survey.dbf").string());
    EXPECT_TRUE(Contains(sent, "NOTES=edited, not posted")) << sent;
    EXPECT_TRUE(Contains(sent, "Zed")) << sent;
}

// The table is open again on its record after every failure, and nothing is left on the server.
TEST_F(SendData, FailuresAreShownAndTheTableStaysOnItsRecord)
{
    const struct {
        const char* what;
        std::function<void()> arrange;
        const char* expected;
    } cases[] = {
        {"no Quellbrook folder", [&] { fs::remove_all(Server.Home().path() / "Quellbrook"); },
         "Changing to the FTP folder \"Quellbrook\" failed"},
        {"wrong password", [&] { WriteSettings("wrong", Server.Port(), true); }, "530"},
        {"refused connection", [&] { WriteSettings(FtpServer::Password, ClosedPort(), true); }, "127.0.0.1"},
    };
    for (const auto& c : cases) {
        c.arrange();
        const std::vector<std::string> messages = Send(1);
        ASSERT_EQ(messages.size(), 1u) << c.what;
        EXPECT_TRUE(Contains(messages[0], c.expected)) << c.what << ": " << messages[0];
        EXPECT_EQ(H->Ui.Log().back().MsgType, TMsgDlgType::mtError) << c.what;
        ExpectTableOnSecondRecord();
        EXPECT_FALSE(H->Form->Ftp.Connected()) << c.what;
        EXPECT_TRUE(FolderNames(Server.Home().path()).empty()) << c.what << ": nothing is created";
    }
}

// Once the file list is shown, the folders vanish on the server (the upload fails) or the client
// loses its connection (the upload and the step back to the parent folder both fail). Either way
// the table is open again on its record and the failure is reported.
// One fixture per case: a server that lost its folders may also drop the connection, and the
// next case must not inherit that. The message holds one of the expected parts.
void SendDataFailingMidway(SendData& t, const std::function<void()>& action, const std::vector<std::string>& expected)
{
    fs::create_directories(t.Remote);
    ActOnMessage act(t.H->Ui, "survey.dbf", action);
    TScopedUiServices scope(act);
    const std::vector<std::string> messages = t.Send(2);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_TRUE(Contains(messages[0], "survey.dbf")) << messages[0];
    EXPECT_TRUE(std::any_of(expected.begin(), expected.end(), [&](const std::string& part) { return Contains(messages[1], part); }))
        << messages[1];
    EXPECT_EQ(t.H->Ui.Log().back().MsgType, TMsgDlgType::mtError);
    t.ExpectTableOnSecondRecord();
    EXPECT_FALSE(t.H->Form->Ftp.Connected());
}

TEST_F(SendData, FoldersRemovedDuringTheUploadReopenTheTable)
{
    // The server answers the listing with 550 and closes the data connection it had opened for
    // it; now and then that close reaches the client before the answer does.
    SendDataFailingMidway(*this, [&] { fs::remove_all(Server.Home().path() / "Quellbrook"); },
                          {"Listing the FTP folder \"Quellbrook/Station 7\" failed: RETR response: 550 (the server answered 550)",
                           "Listing the FTP folder \"Quellbrook/Station 7\" failed: Recv failure: Connection reset by peer"});
}

TEST_F(SendData, ConnectionLostDuringTheUploadReopensTheTable)
{
    SendDataFailingMidway(*this, [&] { H->Form->Ftp.Disconnect(); }, {"The FTP client is not connected."});
}

TEST_F(SendData, DoesNothingWithoutDefinitionOrInstallation)
{
    const struct {
        const char* what;
        std::function<void()> arrange;
    } cases[] = {
        {"empty installation value", [&] { StoreInstallation(""); }},
        {"no definition open", [&] {
             StoreInstallation("Station 7");
             H->Form->TB_Close->click();
         }},
    };
    for (const auto& c : cases) {
        c.arrange();
        Server.TakeCommands();
        EXPECT_TRUE(Send(0).empty()) << c.what;
        EXPECT_EQ(Server.TakeCommands(), "") << c.what;
    }
    EXPECT_FALSE(fs::exists(Remote));
}

TEST_F(SendData, VanishedDefinitionFileIsReported)
{
    fs::remove(Definition);
    const std::vector<std::string> messages = Send(2);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], "Data upload: Data definition file does not exists [" + Definition + "]");
    EXPECT_EQ(messages[1], "Data upload: file count 0");
    EXPECT_TRUE(FolderNames(Remote).empty());
    ExpectTableOnSecondRecord();
}
