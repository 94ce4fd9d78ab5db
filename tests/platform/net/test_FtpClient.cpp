#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>

#include "platform/net/FtpClient.h"
#include "support/FtpServer.h"

using namespace qbtest;
namespace fs = std::filesystem;

namespace {

// One server for the whole program keeps the tests fast; each test works in its own folder.
FtpServer& Server()
{
    static FtpServer server;
    return server;
}

struct ClientFixture : testing::Test {
    TFtpClient Ftp;
    std::string Folder;

    void SetUp() override
    {
        Folder = testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(Folder.begin(), Folder.end(), '/', '_');
        fs::create_directories(Server().Home().path() / Folder);
        Ftp.Host = "127.0.0.1";
        Ftp.Port = Server().Port();
        Ftp.Username = FtpServer::User;
        Ftp.Password = FtpServer::Password;
    }
    std::string Remote(const std::string& name) const { return (Server().Home().path() / Folder / name).string(); }
};

std::string AllBytes()
{
    std::string bytes;
    for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
    return bytes + "line\r\nline\n\x1a";
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

struct ModeCase {
    const char* name;
    bool passive;
    std::vector<std::string> dataCommands;  // one of them opens each data connection
    std::vector<std::string> otherCommands;  // those of the other mode
};

bool ContainsAny(const std::string& text, const std::vector<std::string>& parts)
{
    return std::any_of(parts.begin(), parts.end(), [&](const std::string& part) { return Contains(text, part + " ") || Contains(text, part + "\n"); });
}

class DataConnection : public ClientFixture, public testing::WithParamInterface<ModeCase> {};

}  // namespace

// Every command of the client, over a passive and an active data connection.
TEST_P(DataConnection, StoresListsDeletesAndMakesFolders)
{
    const ModeCase mode = GetParam();
    WriteFileBytes(Remote("old.dbf"), "old");
    fs::create_directory(Remote("sub"));
    TempDir local;
    WriteFileBytes(local.file("data.bin"), AllBytes());
    Ftp.Passive = mode.passive;
    Server().TakeCommands();

    Ftp.Connect();
    EXPECT_TRUE(Ftp.Connected());
    Ftp.ChangeDir(Folder);
    EXPECT_EQ(Ftp.CurrentDir(), Folder);
    std::vector<std::string> names = Ftp.ListNames();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"old.dbf", "sub"}));

    Ftp.Delete("old.dbf");
    Ftp.MakeDir("new folder #1");
    Ftp.ChangeDir("new folder #1");
    Ftp.Put(local.file("data.bin"), "data 100%.bin");
    Ftp.Put(local.file("data.bin"), "data 100%.bin");  // a second store replaces the first
    EXPECT_EQ(Ftp.ListNames(), std::vector<std::string>{"data 100%.bin"});
    Ftp.ChangeDirUp();
    EXPECT_EQ(Ftp.CurrentDir(), Folder);
    Ftp.Disconnect();
    EXPECT_FALSE(Ftp.Connected());

    EXPECT_FALSE(fs::exists(Remote("old.dbf")));
    EXPECT_TRUE(fs::is_directory(Remote("sub")));
    EXPECT_EQ(ReadFileBytes(Remote("new folder #1/data 100%.bin")), AllBytes()) << "binary transfer, no line-end changes";
    const std::string commands = Server().TakeCommands();
    EXPECT_TRUE(ContainsAny(commands, mode.dataCommands)) << commands;
    EXPECT_FALSE(ContainsAny(commands, mode.otherCommands)) << commands;
    EXPECT_TRUE(Contains(commands, "TYPE I")) << commands;
    EXPECT_TRUE(Contains(commands, "QUIT")) << commands;
}

INSTANTIATE_TEST_SUITE_P(Modes, DataConnection,
                         testing::Values(ModeCase{"Passive", true, {"EPSV", "PASV"}, {"EPRT", "PORT"}},
                                         ModeCase{"Active", false, {"EPRT", "PORT"}, {"EPSV", "PASV"}}),
                         [](const testing::TestParamInfo<ModeCase>& info) { return info.param.name; });

TEST_F(ClientFixture, FailuresRaiseClearTextsAndKeepTheClientUsable)
{
    TempDir local;
    WriteFileBytes(local.file("a.dbf"), "a");
    fs::create_directory(local.path() / "folder.dbf");
    Ftp.Connect();
    Ftp.ChangeDir(Folder);
    const struct {
        const char* what;
        std::function<void()> action;
        const char* expected;
        const char* answer;  // what the server answered, "" when nothing reached it
    } cases[] = {
        {"missing folder", [&] { Ftp.ChangeDir("missing"); }, "Changing to the FTP folder \"", "(the server answered 550)"},
        {"missing file", [&] { Ftp.Delete("missing.dbf"); }, "Deleting the FTP file \"missing.dbf\"", "(the server answered 550)"},
        {"folder made twice", [&] { Ftp.MakeDir("twice"); Ftp.MakeDir("twice"); }, "Making the FTP folder \"twice\"",
         "(the server answered 550)"},
        {"missing local file", [&] { Ftp.Put(local.file("none.dbf"), "none.dbf"); }, "the local file cannot be read", ""},
        {"local folder", [&] { Ftp.Put(local.file("folder.dbf"), "folder.dbf"); }, "the local file cannot be read", ""},
    };
    for (const auto& c : cases) {
        try {
            c.action();
            ADD_FAILURE() << c.what << ": no error";
        } catch (const EFtpError& error) {
            EXPECT_TRUE(Contains(error.Message(), c.expected)) << c.what << ": " << error.Message();
            EXPECT_EQ(Contains(error.Message(), "the server answered"), *c.answer != 0) << c.what << ": " << error.Message();
            EXPECT_TRUE(Contains(error.Message(), c.answer)) << c.what << ": " << error.Message();
        }
        EXPECT_EQ(Ftp.CurrentDir(), Folder) << c.what;
    }
    Ftp.Put(local.file("a.dbf"), "a.dbf");
    EXPECT_EQ(ReadFileBytes(Remote("a.dbf")), "a") << "the client works on after the errors";
    EXPECT_FALSE(fs::exists(Remote("folder.dbf")));
}

// A name with a line break would end the command early and send its rest as a second one.
TEST_F(ClientFixture, NamesWithLineBreaksAreRefused)
{
    WriteFileBytes(Remote("keep.dbf"), "keep");
    TempDir local;
    WriteFileBytes(local.file("a.dbf"), "a");
    Ftp.Connect();
    Ftp.ChangeDir(Folder);
    Server().TakeCommands();
    const struct {
        const char* what;
        std::function<void()> action;
    } cases[] = {
        {"make folder", [&] { Ftp.MakeDir("x\r\nDELE keep.dbf"); }},
        {"delete", [&] { Ftp.Delete("x\nDELE keep.dbf"); }},
        {"change folder", [&] { Ftp.ChangeDir("x\r\nDELE keep.dbf"); }},
        {"store", [&] { Ftp.Put(local.file("a.dbf"), "x\nDELE keep.dbf"); }},
        {"zero byte", [&] { Ftp.Delete(std::string("keep.dbf\0x", 10)); }},
    };
    for (const auto& c : cases) {
        try {
            c.action();
            ADD_FAILURE() << c.what << ": no error";
        } catch (const EFtpError& error) {
            EXPECT_TRUE(Contains(error.Message(), "contains a line break")) << c.what << ": " << error.Message();
        }
        EXPECT_EQ(Ftp.CurrentDir(), Folder) << c.what;
    }
    EXPECT_TRUE(fs::exists(Remote("keep.dbf")));
    EXPECT_FALSE(Contains(Server().TakeCommands(), "DELE")) << "nothing of the names reached the server";
}

TEST_F(ClientFixture, RefusedLoginsAndConnectionsNameTheServer)
{
    const struct {
        const char* what;
        std::string password;
        std::uint16_t port;
        const char* detail;
    } cases[] = {
        {"wrong password", "wrong", Server().Port(), "530"},
        {"nothing listening", FtpServer::Password, ClosedPort(), "onnect"},
    };
    for (const auto& c : cases) {
        TFtpClient ftp;
        ftp.Host = "127.0.0.1";
        ftp.Port = c.port;
        ftp.Username = FtpServer::User;
        ftp.Password = c.password;
        try {
            ftp.Connect();
            ADD_FAILURE() << c.what << ": connected";
        } catch (const EFtpError& error) {
            const std::string text = error.Message();
            EXPECT_TRUE(Contains(text, "Logging in to the FTP server 127.0.0.1:" + std::to_string(c.port) + " as surveyor failed: "))
                << text;
            EXPECT_TRUE(Contains(text, c.detail)) << c.what << ": " << text;
            EXPECT_FALSE(Contains(text, c.password)) << "no password in messages";
        }
        EXPECT_FALSE(ftp.Connected());
        EXPECT_THROW(ftp.ListNames(), EFtpError) << "not connected";
    }
}

// A server that never ends its name listing: the client stops reading at its bound, says so, and
// works on.
TEST(FtpClientListing, EndlessNameListingIsCutOffWithAClearError)
{
    FtpServer server(true);
    TFtpClient ftp;
    ftp.Host = "127.0.0.1";
    ftp.Port = server.Port();
    ftp.Username = FtpServer::User;
    ftp.Password = FtpServer::Password;
    ftp.Connect();
    const auto start = std::chrono::steady_clock::now();
    try {
        ftp.ListNames();
        ADD_FAILURE() << "the listing ended";
    } catch (const EFtpError& error) {
        EXPECT_EQ(error.Message(), "Listing the FTP folder \"\" failed: the server sent more than 16 MB of names; the listing was stopped.");
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
    ftp.MakeDir("after");
    EXPECT_TRUE(fs::is_directory(server.Home().path() / "after"));
}

// The name list as servers send it: CR LF or LF, folders in front of names, empty lines.
TEST(FtpClientListing, NameListLinesBecomeNames)
{
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"", {}},
        {"a.dbf\r\nb.dbt\r\n", {"a.dbf", "b.dbt"}},
        {"a.dbf\nsub/b.dbt\n\r\n/x/y/c.ini", {"a.dbf", "b.dbt", "c.ini"}},
        {"name with spaces.txt\r\n", {"name with spaces.txt"}},
    };
    for (const auto& [listing, names] : cases) EXPECT_EQ(ParseFtpNameList(listing), names) << listing;
}
