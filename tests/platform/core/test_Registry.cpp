#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <optional>

#include "platform/core/Registry.h"
#include "support/TestSupport.h"

namespace {

std::vector<std::string> Items(const TStringList& list)
{
    std::vector<std::string> items;
    for (int i = 0; i < list.Count(); ++i) items.push_back(list[i]);
    return items;
}

std::optional<std::string> Env(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

void RestoreEnv(const char* name, const std::optional<std::string>& value)
{
    if (value)
        setenv(name, value->c_str(), 1);
    else
        unsetenv(name);
}

// Every test gets its own empty settings folder.
class RegistryTest : public testing::Test {
protected:
    void SetUp() override { setenv("QUELLBROOK_CONFIG_DIR", folder.path().c_str(), 1); }
    void TearDown() override { RestoreEnv("QUELLBROOK_CONFIG_DIR", saved); }
    std::string Hive(const std::string& name) const { return qbtest::ReadFileBytes(folder.file(name + ".ini")); }

    std::optional<std::string> saved = Env("QUELLBROOK_CONFIG_DIR");
    qbtest::TempDir folder;
};

std::string MessageOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const ERegistryException& e) {
        return e.Message();
    }
    return "no exception";
}

}  // namespace

TEST_F(RegistryTest, OpenWithAndWithoutCreate)
{
    TRegistry registry;
    EXPECT_EQ(registry.RootKey(), HKEY_CURRENT_USER);
    EXPECT_FALSE(registry.KeyExists("\\Software\\ORU"));
    EXPECT_FALSE(registry.OpenKey("\\Software\\ORU", false));
    EXPECT_FALSE(registry.OpenKeyReadOnly("Software\\ORU"));
    EXPECT_FALSE(std::filesystem::exists(folder.file("HKEY_CURRENT_USER.ini")));  // nothing created

    ASSERT_TRUE(registry.OpenKey("\\Software\\ORU", true));
    EXPECT_EQ(registry.CurrentPath(), "Software\\ORU");
    struct Case {
        std::string key;
        bool exists;
    } cases[] = {
        {"\\Software\\ORU", true}, {"Software\\ORU", true}, {"\\SOFTWARE\\oru", true}, {"\\Software", true},
        {"\\Software\\ORU\\", true}, {"\\Software\\OR", false}, {"\\Software\\\\ORU", false}, {"\\Other", false},
    };
    for (const Case& c : cases) EXPECT_EQ(TRegistry().KeyExists(c.key), c.exists) << c.key;

    // Relative to the open key.
    ASSERT_TRUE(registry.OpenKey("Sub\\Deeper", true));
    EXPECT_EQ(registry.CurrentPath(), "Software\\ORU\\Sub\\Deeper");

    // The hives are separate files.
    TRegistry machine;
    machine.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(machine.KeyExists("\\Software\\ORU"));
    ASSERT_TRUE(machine.OpenKey("\\Software\\ORU", true));
    EXPECT_NE(Hive("HKEY_LOCAL_MACHINE").find("[Software\\ORU]"), std::string::npos);
}

TEST_F(RegistryTest, ValuesReadBackAsWritten)
{
    struct Case {
        std::string name, value;
    } cases[] = {
        {"CommonPath", "/home/user/CommonFilesORU"},
        {"Blanks", "  around  "},
        {"Quotes", "say \"hi\" \\ back\\slash"},
        {"Lines", "one\r\ntwo\tthree"},
        {"Equals", "a=b;c"},
        {"Czech", "Příliš žluťoučký kůň"},
        {"Empty", ""},
        {"name=with equals", "1"},
        {" blank name ", "2"},
        {";semicolon", "3"},
        {"[bracket]", "4"},
        {"100%", "5"},
        {"", "default value"},
    };
    {
        TRegistry registry;
        ASSERT_TRUE(registry.OpenKey("\\Software\\ORU", true));
        for (const Case& c : cases) registry.WriteString(c.name, c.value);
        registry.WriteInteger("AutoCloseInfoForm", 10);
        registry.WriteInteger("Negative", -2);
        registry.WriteBool("Flag", true);
    }
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKeyReadOnly("\\software\\oru"));
    for (const Case& c : cases) {
        EXPECT_TRUE(registry.ValueExists(c.name)) << c.name;
        EXPECT_EQ(registry.ReadString(c.name), c.value) << c.name;
    }
    EXPECT_TRUE(registry.ValueExists("COMMONPATH"));
    EXPECT_EQ(registry.ReadInteger("AutoCloseInfoForm"), 10);
    EXPECT_EQ(registry.ReadInteger("Negative"), -2);
    EXPECT_TRUE(registry.ReadBool("Flag"));

    TStringList names;
    registry.GetValueNames(names);
    EXPECT_EQ(names.Count(), static_cast<int>(std::size(cases)) + 3);
    EXPECT_GE(names.IndexOf("name=with equals"), 0);
    EXPECT_GE(names.IndexOf(" blank name "), 0);

    // Typed like an exported registry file.
    const std::string hive = Hive("HKEY_CURRENT_USER");
    EXPECT_NE(hive.find("\r\nCommonPath=\"/home/user/CommonFilesORU\"\r\n"), std::string::npos);
    EXPECT_NE(hive.find("\r\nAutoCloseInfoForm=dword:0000000a\r\n"), std::string::npos);
    EXPECT_NE(hive.find("\r\nNegative=dword:fffffffe\r\n"), std::string::npos);
}

TEST_F(RegistryTest, ReadingTheWrongTypeRaises)
{
    qbtest::WriteFileBytes(folder.file("HKEY_CURRENT_USER.ini"),
                           "[Software\\ORU]\r\nText=\"10\"\r\nNumber=dword:0000000a\r\nBroken=dword:zz\r\n"
                           "HandWritten=plain text\r\nTooLong=dword:123456789\r\n");
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("\\Software\\ORU", false));
    struct Case {
        std::function<void()> read;
        std::string message;
    } cases[] = {
        {[&] { registry.ReadInteger("Text"); }, "Invalid data type for 'Text'"},
        {[&] { registry.ReadString("Number"); }, "Invalid data type for 'Number'"},
        {[&] { registry.ReadInteger("Broken"); }, "Invalid data type for 'Broken'"},
        {[&] { registry.ReadInteger("HandWritten"); }, "Invalid data type for 'HandWritten'"},
        {[&] { registry.ReadInteger("TooLong"); }, "Invalid data type for 'TooLong'"},
        {[&] { registry.ReadInteger("Missing"); }, "Failed to get data for 'Missing'"},
        {[&] { registry.ReadBool("Missing"); }, "Failed to get data for 'Missing'"},
    };
    for (const Case& c : cases) EXPECT_EQ(MessageOf(c.read), c.message);
    EXPECT_EQ(registry.ReadString("Missing"), "");
    EXPECT_EQ(registry.ReadString("HandWritten"), "plain text");
    EXPECT_EQ(registry.ReadInteger("Number"), 10);
}

TEST_F(RegistryTest, ReadOnlyKeysRefuseChanges)
{
    {
        TRegistry writer;
        ASSERT_TRUE(writer.OpenKey("\\Software\\ORU\\Sub", true));
        writer.WriteString("Name", "kept");
    }
    const std::string before = Hive("HKEY_CURRENT_USER");
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKeyReadOnly("\\Software\\ORU\\Sub"));
    EXPECT_EQ(MessageOf([&] { registry.WriteString("Name", "changed"); }), "Failed to set data for 'Name'");
    EXPECT_EQ(MessageOf([&] { registry.WriteInteger("Count", 1); }), "Failed to set data for 'Count'");
    EXPECT_FALSE(registry.DeleteValue("Name"));
    EXPECT_FALSE(registry.DeleteKey("\\Software\\ORU"));
    EXPECT_EQ(Hive("HKEY_CURRENT_USER"), before);

    // Without an open key there is nowhere to write.
    registry.CloseKey();
    EXPECT_EQ(MessageOf([&] { registry.WriteString("Name", "x"); }), "Failed to set data for 'Name'");
}

TEST_F(RegistryTest, DeleteKeysAndValuesAndListThem)
{
    TRegistry registry;
    for (const char* key : {"\\Software\\ORU\\A", "\\Software\\ORU\\B\\Deep", "\\Software\\ORU\\b\\Other", "\\Software\\Else"})
        ASSERT_TRUE(registry.OpenKey(key, true));
    ASSERT_TRUE(registry.OpenKey("\\Software\\ORU", false));
    registry.WriteString("One", "1");
    registry.WriteInteger("Two", 2);

    TStringList list;
    registry.GetKeyNames(list);
    EXPECT_EQ(Items(list), (std::vector<std::string>{"A", "B"}));
    registry.GetValueNames(list);
    EXPECT_EQ(Items(list), (std::vector<std::string>{"One", "Two"}));

    EXPECT_TRUE(registry.DeleteValue("ONE"));
    EXPECT_FALSE(registry.DeleteValue("One"));
    EXPECT_FALSE(registry.ValueExists("One"));
    EXPECT_TRUE(registry.ValueExists("Two"));

    EXPECT_TRUE(registry.DeleteKey("b"));  // relative, with every key below it
    EXPECT_FALSE(registry.KeyExists("\\Software\\ORU\\B\\Deep"));
    EXPECT_FALSE(registry.KeyExists("\\Software\\ORU\\b\\Other"));
    EXPECT_TRUE(registry.KeyExists("\\Software\\ORU\\A"));
    EXPECT_FALSE(registry.DeleteKey("b"));

    EXPECT_TRUE(registry.DeleteKey("\\Software\\ORU"));
    EXPECT_FALSE(registry.KeyExists("\\Software\\ORU\\A"));
    EXPECT_TRUE(registry.KeyExists("\\Software\\Else"));
}

TEST_F(RegistryTest, HandWrittenHiveWithoutParentSections)
{
    qbtest::WriteFileBytes(folder.file("HKEY_LOCAL_MACHINE.ini"), "[SOFTWARE\\ODBC\\ODBC.INI\\Quellbrook]\r\nDBQ=\"x\"\r\n");
    TRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_TRUE(registry.KeyExists("\\SOFTWARE\\ODBC\\ODBC.INI"));
    ASSERT_TRUE(registry.OpenKey("\\Software\\odbc", false));
    TStringList names;
    registry.GetKeyNames(names);
    EXPECT_EQ(Items(names), std::vector<std::string>{"ODBC.INI"});
}

TEST_F(RegistryTest, KeysThatNameNoPlaceAreRefused)
{
    TRegistry registry;
    for (const char* key : {"\\a\\\\b", "\\\\a", "\\ a", "\\a\nb"}) {
        EXPECT_FALSE(registry.OpenKey(key, true)) << key;
        EXPECT_FALSE(registry.KeyExists(key)) << key;
    }
    registry.SetRootKey(0);
    EXPECT_FALSE(registry.OpenKey("\\Software", true));
    EXPECT_FALSE(registry.KeyExists("\\Software"));
    EXPECT_FALSE(std::filesystem::exists(folder.file("HKEY_CURRENT_USER.ini")));
}

TEST_F(RegistryTest, UnwritableFolderFailsCleanly)
{
    const std::string notAFolder = folder.file("file");
    qbtest::WriteFileBytes(notAFolder, "x");
    setenv("QUELLBROOK_CONFIG_DIR", notAFolder.c_str(), 1);
    TRegistry registry;
    EXPECT_FALSE(registry.OpenKey("\\Software\\ORU", true));
    EXPECT_FALSE(registry.KeyExists("\\Software\\ORU"));
}

TEST_F(RegistryTest, FolderComesFromTheEnvironment)
{
    const auto savedXdg = Env("XDG_CONFIG_HOME");
    unsetenv("QUELLBROOK_CONFIG_DIR");
    setenv("XDG_CONFIG_HOME", folder.path().c_str(), 1);
    {
        TRegistry registry;
        EXPECT_TRUE(registry.OpenKey("\\Software\\ORU", true));
    }
    RestoreEnv("XDG_CONFIG_HOME", savedXdg);
    EXPECT_TRUE(std::filesystem::exists(folder.file("quellbrook/HKEY_CURRENT_USER.ini")));
}

TEST_F(RegistryTest, WritesLeaveNoTemporaryFiles)
{
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKey("\\Software\\ORU", true));
    for (int i = 0; i < 20; ++i) registry.WriteInteger("Value" + std::to_string(i), i);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
    TRegistry other;
    ASSERT_TRUE(other.OpenKey("\\Software\\ORU", false));
    EXPECT_EQ(other.ReadInteger("value19"), 19);
}
