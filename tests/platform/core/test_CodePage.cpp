#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <optional>
#include <random>

#include "platform/core/CodePage.h"
#include "platform/core/Registry.h"
#include "platform/core/StringList.h"
#include "support/TestSupport.h"

namespace {

const std::string kCzech = "Příliš žluťoučký kůň úpěl ďábelské ódy";

// Each test gets an empty settings folder and the default code page.
class CodePageTest : public testing::Test {
protected:
    void SetUp() override
    {
        const char* value = std::getenv("QUELLBROOK_CONFIG_DIR");
        if (value) saved = value;
        setenv("QUELLBROOK_CONFIG_DIR", folder.path().c_str(), 1);
        SetProgramCodePage(0);
    }
    void TearDown() override
    {
        if (saved)
            setenv("QUELLBROOK_CONFIG_DIR", saved->c_str(), 1);
        else
            unsetenv("QUELLBROOK_CONFIG_DIR");
        SetProgramCodePage(0);
    }

    std::optional<std::string> saved;
    qbtest::TempDir folder;
};

void WriteSetting(HKEY root, const std::function<void(TRegistry&)>& write)
{
    TRegistry registry;
    registry.SetRootKey(root);
    ASSERT_TRUE(registry.OpenKey("\\Software\\ORU", true));
    write(registry);
}

}  // namespace

TEST_F(CodePageTest, SettingChoosesTheCodePage)
{
    using Write = std::function<void(TRegistry&)>;
    const Write none;
    auto integer = [](int value) { return Write([value](TRegistry& r) { r.WriteInteger("CodePage", value); }); };
    const Write text = [](TRegistry& r) { r.WriteString("CodePage", "1252"); };
    struct Case {
        const char* what;
        Write user, machine;
        int expected;
    } cases[] = {
        {"nothing set", none, none, 1250},
        {"current user", integer(1252), none, 1252},
        {"local machine", none, integer(1251), 1251},
        {"current user first", integer(1252), integer(1251), 1252},
        {"UTF-8", integer(65001), none, 65001},
        {"a string is no setting", text, integer(1257), 1257},
        {"an unknown code page is no setting", integer(99999), none, 1250},
    };
    for (const Case& c : cases) {
        std::filesystem::remove_all(folder.path() / "HKEY_CURRENT_USER.ini");
        std::filesystem::remove_all(folder.path() / "HKEY_LOCAL_MACHINE.ini");
        if (c.user) WriteSetting(HKEY_CURRENT_USER, c.user);
        if (c.machine) WriteSetting(HKEY_LOCAL_MACHINE, c.machine);
        SetProgramCodePage(0);
        EXPECT_EQ(ProgramCodePage(), 1250) << c.what << ": the setting counts once the start-up sets it";
        SetProgramCodePage(ReadCodePageSetting());
        EXPECT_EQ(ProgramCodePage(), c.expected) << c.what;
    }
}

TEST_F(CodePageTest, UnknownCodePagesRaise)
{
    SetProgramCodePage(1252);
    EXPECT_THROW(SetProgramCodePage(12345), EConvertError);
    EXPECT_EQ(ProgramCodePage(), 1252);
    EXPECT_THROW(ConvertCodePage("x", 12345, 65001), EConvertError);
}

TEST_F(CodePageTest, Conversions)
{
    struct Case {
        int codePage;
        std::string utf8, ansi;
    } cases[] = {
        {1250, "Příliš žluťoučký kůň", "P\xf8\xedli\x9a \x9elu\x9dou\xe8k\xfd k\xf9\xf2"},
        {1250, "€ „quoted“", "\x80 \x84quoted\x93"},
        {1252, "Příliš", "P?\xedli\x9a"},  // no mapping: one '?' per character
        {1250, "中文 x", "?? x"},
        {1251, "Привет", "\xcf\xf0\xe8\xe2\xe5\xf2"},
        {1250, "", ""},
        {65001, kCzech, kCzech},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ConvertCodePage(c.utf8, 65001, c.codePage), c.ansi) << c.codePage << " " << c.utf8;
        if (c.ansi.find('?') == std::string::npos) {
            EXPECT_EQ(ConvertCodePage(c.ansi, c.codePage, 65001), c.utf8) << c.codePage << " " << c.utf8;
        }
    }
    EXPECT_EQ(ConvertCodePage("\x9a", 1250, 1252), "\x9a");  // š sits at the same place
    EXPECT_EQ(ConvertCodePage("\xf8", 1250, 1252), "?");     // ř has no place in 1252
}

TEST_F(CodePageTest, BrokenInputBecomesQuestionMarks)
{
    struct Case {
        int from, to;
        std::string in, out;
    } cases[] = {
        {65001, 1250, "a\xff" "b", "a?b"},
        {65001, 1250, "a\xc5", "a?"},            // cut off at the end
        {65001, 1250, "\xc0\xaf" "x", "??x"},    // overlong form
        {65001, 1250, "\xed\xa0\x80", "???"},    // surrogate
        {1250, 65001, "\x81\x83\x88\x90\x98" "a", "?????a"},  // bytes without a character in 1250
        {1250, 65001, std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const Case& c : cases) EXPECT_EQ(ConvertCodePage(c.in, c.from, c.to), c.out);

    std::mt19937 random(7);
    for (int round = 0; round < 50; ++round) {
        std::string bytes(1000, '\0');
        for (char& b : bytes) b = static_cast<char>(random() & 0xFF);
        for (const auto& [from, to] : {std::pair{65001, 1250}, {1250, 65001}, {65001, 1252}, {1252, 65001}, {1250, 1251}}) {
            const std::string out = ConvertCodePage(bytes, from, to);
            EXPECT_FALSE(out.empty());
        }
    }
}

TEST_F(CodePageTest, CzechTextRoundTripThroughAFile)
{
    SetProgramCodePage(1250);
    const std::string path = folder.file("text.txt");
    TStringList lines;
    lines.Add(kCzech);
    lines.SaveToFile(path);
    EXPECT_EQ(qbtest::ReadFileBytes(path), Utf8ToAnsi(kCzech) + "\r\n");
    EXPECT_EQ(qbtest::ReadFileBytes(path).size(), 40u);  // one byte per letter

    TStringList back;
    back.LoadFromFile(path);
    ASSERT_EQ(back.Count(), 1);
    EXPECT_EQ(back[0], kCzech);
    EXPECT_EQ(AnsiToUtf8(qbtest::ReadFileBytes(path)), kCzech + "\r\n");

    // Read with another program code page the letters come out differently, never broken.
    SetProgramCodePage(1252);
    back.LoadFromFile(path);
    EXPECT_EQ(back[0].rfind("Pøíliš žlu?ou", 0), 0u) << back[0];
}
