#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "app/FInfo.h"
#include "app/ULng.h"
#include "platform/core/CodePage.h"
#include "platform/core/Registry.h"
#include "platform/ui/ScriptedUiServices.h"
#include "support/TestSupport.h"

namespace {

const std::string kShippedFolder = std::string(QB_TEST_DATA) + "/../../resources/common/";

// A common directory of its own, scripted answers, and no module left over from another test.
class LngTest : public testing::Test {
protected:
    LngTest() : scope_(ui_) { CommonDirectory = common_.path().string() + "/"; }
    ~LngTest() override
    {
        EXPECT_EQ(ui_.Pending(), 0) << "an expected warning did not come";
        FreeLngModules();
        CommonDirectory.clear();
        ShippedDirectory.clear();
        for (const std::string& path : besideProgram_)
            std::filesystem::remove(path);
    }

    void WriteCommon(const std::string& name, const std::string& bytes) { qbtest::WriteFileBytes(CommonDirectory + name, bytes); }
    // Files beside the test program are removed with the fixture.
    void WriteBesideProgram(const std::string& name, const std::string& bytes)
    {
        besideProgram_.push_back(ProgramFolder() + name);
        qbtest::WriteFileBytes(besideProgram_.back(), bytes);
    }
    // Each expected warning is answered with OK.
    void ExpectWarnings(int count)
    {
        for (int i = 0; i < count; ++i)
            ui_.Push(TUiAnswer::Press(mrOk));
    }
    std::vector<std::string> Warnings() const
    {
        std::vector<std::string> texts;
        for (const TUiCall& call : ui_.Log())
            texts.push_back(call.Caption + ": " + call.Text);
        return texts;
    }

    qbtest::TempDir common_;
    TScriptedUiServices ui_;
    TScopedUiServices scope_;
    std::vector<std::string> besideProgram_;
};

TEST_F(LngTest, TextsAreLookedUpByNumber)
{
    WriteCommon("Texts409.lng", "1=query builder\r\n20=The query failed\r\n5=\r\n0610=padded\r\n2022=\xFAst\xED\r\n");  // "ústí" in Windows-1250
    TLngModule* module = GetLngModule(409, "Texts");
    struct Case {
        int id;
        char append;
        const char* plain;
        const char* capitalized;
    };
    const Case cases[] = {
        {1, 0, "query builder", "Query builder"},
        {20, '.', "The query failed.", "The query failed."},
        {5, 0, "", ""},                  // a line without text is a text
        {610, 0, "[610]", "[610]"},      // names are matched as written
        {610, '?', "[610]?", "[610]?"},
        {2022, 0, "ústí", "ústí"},       // only ASCII letters are upper-cased
        {-3, 0, "[-3]", "[-3]"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(module->GetText(c.id, c.append), c.plain) << c.id;
        EXPECT_EQ(module->GetTextCapitalized(c.id, c.append), c.capitalized) << c.id;
    }
    EXPECT_EQ(module->LoadedLanguage(), 409);
    EXPECT_EQ(module->ModuleName(), "Texts");
    EXPECT_TRUE(ui_.Log().empty());
}

TEST_F(LngTest, FilesAreReadInTheProgramCodePage)
{
    SetProgramCodePage(1250);
    // "přírůstek", "Zápis hodnot" in Windows-1250
    WriteCommon("Czech405.lng", "2022=p\xF8\xEDr\xF9stek\r\n2000=Z\xE1pis hodnot\r\n");
    TLngModule* module = GetLngModule(405, "Czech");
    EXPECT_EQ(module->GetText(2022), "přírůstek");
    EXPECT_EQ(module->GetText(2000), "Zápis hodnot");
    SetProgramCodePage(0);
}

TEST_F(LngTest, AMissingFileIsReportedAndEveryTextShowsItsNumber)
{
    ExpectWarnings(1);
    TLngModule* module = GetLngModule(409, "Nothing");
    ASSERT_EQ(Warnings().size(), 1u);
    EXPECT_EQ(Warnings()[0], "Warning: Language file " + CommonDirectory + "Nothing409.lng does not exist!");
    EXPECT_EQ(ui_.Log()[0].Buttons, mbOK);
    EXPECT_EQ(module->Count(), 0);
    EXPECT_EQ(module->GetText(1), "[1]");
    EXPECT_EQ(module->LoadedLanguage(), 0);
}

TEST_F(LngTest, AFileBesideTheProgramWinsOverTheCommonDirectory)
{
    WriteCommon("LngBesideTest409.lng", "1=common\r\n");
    WriteBesideProgram("LngBesideTest409.lng", "1=beside\r\n");
    EXPECT_EQ(GetLngModule(409, "LngBesideTest")->GetText(1), "beside");
}

TEST_F(LngTest, WithoutACommonDirectoryOnlyTheProgramFolderIsSearched)
{
    // A file of that name in the current folder must not be picked up by its bare name.
    qbtest::TempDir elsewhere;
    qbtest::WriteFileBytes(elsewhere.file("LngStrayTest409.lng"), "1=stray\r\n");
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(elsewhere.path());
    CommonDirectory.clear();
    ExpectWarnings(1);
    TLngModule* module = GetLngModule(409, "LngStrayTest");
    std::filesystem::current_path(previous);
    EXPECT_EQ(module->GetText(1), "[1]");
    ASSERT_EQ(Warnings().size(), 1u);
    EXPECT_EQ(Warnings()[0], "Warning: Language file " + ProgramFolder() + "LngStrayTest409.lng does not exist!");

    WriteBesideProgram("LngStrayTest409.lng", "1=beside\r\n");
    EXPECT_EQ(GetLngModule(409, "LngStrayTest")->GetText(1), "beside");
}

TEST_F(LngTest, ALoadedNumberIsReadOnceAndModulesAreFoundWithoutRegardToCase)
{
    WriteCommon("Once409.lng", "1=first\r\n");
    WriteCommon("Once405.lng", "1=second language\r\n");
    TLngModule* module = GetLngModule(409, "Once");
    WriteCommon("Once409.lng", "1=changed\r\n");
    EXPECT_EQ(GetLngModule(409, "ONCE"), module);
    EXPECT_EQ(module->GetText(1), "first") << "the same number is not read again";

    EXPECT_EQ(GetLngModule(405, "once")->GetText(1), "second language");
    EXPECT_EQ(GetLngModule(409, "Once")->GetText(1), "changed");
    ExpectWarnings(1);
    EXPECT_NE(GetLngModule(409, "Other"), module);

    FreeLngModules();
    EXPECT_EQ(GetLngModule(409, "Once")->GetText(1), "changed") << "freed modules start afresh";
}

TEST_F(LngTest, AMissingLanguageDoesNotHideTheOneLoadedBefore)
{
    WriteCommon("Switch409.lng", "1=english\r\n");
    TLngModule* module = GetLngModule(409, "Switch");
    ExpectWarnings(1);
    GetLngModule(405, "Switch");
    EXPECT_EQ(module->GetText(1), "[1]");
    EXPECT_EQ(Warnings().size(), 1u);
    EXPECT_EQ(GetLngModule(409, "Switch")->GetText(1), "english") << "asking for 409 again reads it again";
}

TEST_F(LngTest, NavigatorHintsComeFromTheCommonDirectoryOrTheProgramFolder)
{
    WriteCommon("NvgHint409.lng", "First\r\nPrior\r\nNext\r\n");
    TStringList hints;
    hints.Add("old");
    LoadNavigatorHints(409, hints);
    EXPECT_EQ(hints.Text(), "First\r\nPrior\r\nNext\r\n");

    ExpectWarnings(1);
    LoadNavigatorHints(405, hints);
    EXPECT_EQ(hints.Text(), "First\r\nPrior\r\nNext\r\n") << "a missing file leaves the hints";
    ASSERT_EQ(Warnings().size(), 1u);
    EXPECT_EQ(Warnings()[0], "Warning: Language file " + CommonDirectory + "NvgHint405.lng does not exist!");

    CommonDirectory.clear();
    WriteBesideProgram("NvgHint7.lng", "Only\r\n");
    LoadNavigatorHints(7, hints);
    EXPECT_EQ(hints.Text(), "Only\r\n");
}

TEST_F(LngTest, TextsMissingInTheChosenCommonDirectoryComeFromTheShippedFiles)
{
    // An installed program and a common directory the user chose, which holds no language file.
    const std::string prefix = common_.file("usr");
    std::filesystem::create_directories(prefix + "/bin");
    std::filesystem::create_directories(prefix + "/share/quellbrook/common");
    for (const char* name : {"SetQuery409.lng", "NvgHint409.lng"})
        std::filesystem::copy_file(kShippedFolder + name, prefix + "/share/quellbrook/common/" + name);
    qbtest::TempDir chosen;
    TRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    registry.OpenKey("\\Software\\ORU", true);
    registry.WriteString("CommonPath", chosen.path().string());
    CommonDirectory = InitCommonDirectory(prefix + "/bin/quellbrook");
    ASSERT_EQ(CommonDirectory, chosen.path().string() + "/");

    TLngModule* module = GetLngModule(409, "SetQuery");
    for (const int id : {1, 510, 610, 650})
        EXPECT_NE(module->GetText(id), "[" + std::to_string(id) + "]") << id;
    TStringList hints;
    LoadNavigatorHints(409, hints);
    EXPECT_EQ(hints.Count(), 10);
    EXPECT_TRUE(Warnings().empty()) << Warnings()[0];

    // A text file of the common directory still wins over the shipped one.
    FreeLngModules();
    qbtest::WriteFileBytes(CommonDirectory + "SetQuery409.lng", "650=Fill it\r\n");
    EXPECT_EQ(GetLngModule(409, "SetQuery")->GetText(650), "Fill it");
    registry.DeleteKey("\\Software\\ORU");
}

TEST_F(LngTest, ShippedTextsCoverEveryNumberTheWindowsRead)
{
    CommonDirectory = kShippedFolder;
    TLngModule* module = GetLngModule(409, "SetQuery");
    ASSERT_TRUE(Warnings().empty()) << Warnings()[0];
    // The query builder, the table window, the text export and the fill form.
    const int used[] = {1,    10,   20,   30,   40,   50,   60,   70,   80,   90,   100,  110,  120,  121,  122,
                        123,  510,  511,  520,  530,  540,  550,  560,  610,  615,  620,  630,  640,  650,  660,
                        670,  680,  690,  710,  1010, 1015, 1020, 1030, 1040, 1050, 1060, 1070, 1080, 2000, 2010,
                        2020, 2021, 2022, 2030, 2040, 2041, 2050, 2051, 2060, 2070, 2080, 2081, 2082};
    for (const int id : used) {
        const std::string text = module->GetText(id);
        EXPECT_FALSE(text.empty()) << id;
        EXPECT_NE(text, "[" + std::to_string(id) + "]") << id;
    }

    std::set<std::string> names;
    for (int i = 0; i < module->Count(); ++i) {
        const std::string name = module->Names(i);
        EXPECT_FALSE(name.empty()) << "line " << i;
        EXPECT_EQ(name.find_first_not_of("0123456789"), std::string::npos) << name;
        EXPECT_TRUE(names.insert(name).second) << "number " << name << " twice";
    }

    TStringList hints;
    LoadNavigatorHints(409, hints);
    EXPECT_EQ(hints.Count(), 10) << "one hint per navigator button";

    for (const char* file : {"SetQuery409.lng", "NvgHint409.lng"}) {
        const std::string bytes = qbtest::ReadFileBytes(kShippedFolder + file);
        ASSERT_FALSE(bytes.empty()) << file;
        EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n") << file;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] == '\n') {
                EXPECT_TRUE(i > 0 && bytes[i - 1] == '\r') << file << ": line ends are CR LF";
            }
        }
        EXPECT_EQ(Utf8ToAnsi(AnsiToUtf8(bytes)), bytes) << file << " is text of the code page";
    }
}

}  // namespace
