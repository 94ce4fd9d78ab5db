#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <functional>
#include <optional>
#include <random>

#include "platform/core/CodePage.h"
#include "platform/core/IniFiles.h"
#include "support/TestSupport.h"

namespace {

TStringList LinesOf(const std::string& text)
{
    TStringList lines;
    lines.SetText(text);
    return lines;
}

// The ini content as it would be written.
std::string Written(const TMemIniFile& ini)
{
    TStringList text;
    ini.GetStrings(text);
    return text.Text();
}

std::vector<std::string> Items(const TStringList& list)
{
    std::vector<std::string> items;
    for (int i = 0; i < list.Count(); ++i) items.push_back(list[i]);
    return items;
}

TMemIniFile FromText(const std::string& text)
{
    TMemIniFile ini("");
    ini.SetStrings(LinesOf(text));
    return ini;
}

// Every rule of the layout holds for what was stored, whatever the input was.
void ExpectStoredLinesFollowTheRules(const TMemIniFile& ini)
{
    TStringList sections;
    ini.ReadSections(sections);
    for (int s = 0; s < sections.Count(); ++s) EXPECT_EQ(Trim(sections[s]), sections[s]);
    TStringList written;
    ini.GetStrings(written);
    for (int i = 0; i < written.Count(); ++i) {
        const std::string& line = written[i];
        if (line.empty()) continue;  // the line after each section
        EXPECT_EQ(Trim(line), line);
        EXPECT_NE(line[0], ';');
        const size_t equals = line.find('=');
        if (equals != std::string::npos && line[0] != '[') {
            EXPECT_EQ(Trim(line.substr(0, equals)), line.substr(0, equals));
            EXPECT_EQ(Trim(line.substr(equals + 1)), line.substr(equals + 1));
        }
    }
    // Reading what was written gives the same content again.
    EXPECT_EQ(Written(FromText(written.Text())), written.Text());
}

std::string RandomBytes(size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random() & 0xFF);
    return bytes;
}

// Processor seconds the action takes: other work on the machine stretches the wall clock, not
// these. Speed claims compare two such times, never a time against a constant.
double CpuSecondsFor(const std::function<void()>& action)
{
    const auto now = [] {
        timespec t{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
    };
    const double start = now();
    action();
    return now() - start;
}

// Processor seconds of reading a file and writing its content back into lines.
double SecondsToReadAndWriteBack(const std::string& path, std::optional<TMemIniFile>& ini)
{
    return CpuSecondsFor([&] {
        ini.emplace(path);
        TStringList written;
        ini->GetStrings(written);
    });
}

}  // namespace

TEST(MemIniFile, ReadingRules)
{
    struct Case {
        const char* rule;
        std::string in;
        std::string stored;
    } cases[] = {
        {"plain section", "[A]\r\nx=1\r\n", "[A]\r\nx=1\r\n\r\n"},
        {"lines before the first section ignored", "x=1\r\nloose\r\n[A]\r\ny=2", "[A]\r\ny=2\r\n\r\n"},
        {"';' comments skipped", "[A]\r\n;c=1\r\n   ; indented\r\nx=1", "[A]\r\nx=1\r\n\r\n"},
        {"empty and blank lines skipped", "[A]\r\n\r\n   \r\n\t\r\nx=1", "[A]\r\nx=1\r\n\r\n"},
        {"blanks around name and value removed", "[A]\r\n  key  =  value with blanks  ", "[A]\r\nkey=value with blanks\r\n\r\n"},
        {"control characters trimmed", "\t[A]\x01\r\n\x02key\t=\tv\x03\r\n", "[A]\r\nkey=v\r\n\r\n"},
        {"section name trimmed", "[  Name  ]\r\nx=1", "[Name]\r\nx=1\r\n\r\n"},
        {"line without '=' kept unchanged", "[A]\r\n  free  text  \r\n", "[A]\r\nfree  text\r\n\r\n"},
        {"split at the first '='", "[A]\r\na = b = c", "[A]\r\na=b = c\r\n\r\n"},
        {"empty name", "[A]\r\n = v", "[A]\r\n=v\r\n\r\n"},
        {"repeated keys kept in order", "[A]\r\nk=1\r\nK=2\r\nk=3", "[A]\r\nk=1\r\nK=2\r\nk=3\r\n\r\n"},
        {"repeated section kept twice", "[A]\r\nx=1\r\n[a]\r\nx=2", "[A]\r\nx=1\r\n\r\n[a]\r\nx=2\r\n\r\n"},
        {"unterminated section line is a line", "[A]\r\n[B\r\nx=1", "[A]\r\n[B\r\nx=1\r\n\r\n"},
        {"'[' not at the end is no section", "[A]x\r\ny=1", ""},
        {"empty section name", "[]\r\nx=1", "[]\r\nx=1\r\n\r\n"},
        {"section without lines", "[A]\r\n[B]\r\nx=1", "[A]\r\n\r\n[B]\r\nx=1\r\n\r\n"},
        {"LF and CR line ends", "[A]\nx=1\ry=2\n", "[A]\r\nx=1\r\ny=2\r\n\r\n"},
        {"NUL bytes trimmed at the ends", std::string("\0[A]\0\r\n\0x=1\0", 12), "[A]\r\nx=1\r\n\r\n"},
        {"NUL inside kept", std::string("[A]\r\nx=a\0b", 10), std::string("[A]\r\nx=a\0b\r\n\r\n", 14)},
        {"Czech text", "[Počasí]\r\nText = Příliš žluťoučký kůň", "[Počasí]\r\nText=Příliš žluťoučký kůň\r\n\r\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(Written(FromText(c.in)), c.stored) << c.rule;
}

TEST(MemIniFile, LookupsIgnoreCaseAndFindTheFirstOfRepeatedNames)
{
    const TMemIniFile ini = FromText(
        "[Weather]\r\n"
        "Text=first\r\n"
        "text=second\r\n"
        "fn=WEATH\r\n"
        "no key here\r\n"
        "url=a=b\r\n"
        "[WEATHER]\r\n"
        "fn=OTHER\r\n"
        "extra=1\r\n"
        "[Počasí]\r\n"
        "Č=ř\r\n");
    struct Case {
        std::string section, key, value;
        bool exists;
    } cases[] = {
        {"weather", "TEXT", "first", true},
        {"WEATHER", "fn", "WEATH", true},      // the first section of the name
        {"Weather", "extra", "-", false},      // only in the second one
        {"Weather", "url", "a=b", true},
        {"Weather", "no key here", "-", false},
        {"POČASÍ", "č", "ř", true},
        {"missing", "fn", "-", false},
        {"Weather", "missing", "-", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ini.ReadString(c.section, c.key, "-"), c.value) << c.section << "/" << c.key;
        EXPECT_EQ(ini.ValueExists(c.section, c.key), c.exists) << c.section << "/" << c.key;
    }
    EXPECT_TRUE(ini.SectionExists("počasí"));
    EXPECT_FALSE(ini.SectionExists("Weathe"));

    TStringList list;
    ini.ReadSections(list);
    EXPECT_EQ(Items(list), (std::vector<std::string>{"Weather", "WEATHER", "Počasí"}));
    ini.ReadSection("weather", list);
    EXPECT_EQ(Items(list), (std::vector<std::string>{"Text", "text", "fn", "url"}));
    ini.ReadSectionValues("WEATHER", list);
    EXPECT_EQ(Items(list), (std::vector<std::string>{"Text=first", "text=second", "fn=WEATH", "no key here", "url=a=b"}));
    ini.ReadSectionValues("missing", list);
    EXPECT_EQ(list.Count(), 0);
}

TEST(MemIniFile, WritingReplacesTheFirstKeyOrAppends)
{
    TMemIniFile ini = FromText("[A]\r\nk=1\r\nK=2\r\n[a]\r\nk=3");
    ini.WriteString("a", "K", "new");
    ini.WriteString("A", "added", "x");
    ini.WriteString("B", "k", "y");
    EXPECT_EQ(Written(ini), "[A]\r\nK=new\r\nK=2\r\nadded=x\r\n\r\n[a]\r\nk=3\r\n\r\n[B]\r\nk=y\r\n\r\n");

    ini.DeleteKey("A", "k");
    ini.DeleteKey("A", "missing");
    ini.EraseSection("a");  // the first of the two
    ini.EraseSection("missing");
    EXPECT_EQ(Written(ini), "[a]\r\nk=3\r\n\r\n[B]\r\nk=y\r\n\r\n");
    ini.Clear();
    EXPECT_EQ(Written(ini), "");
}

TEST(MemIniFile, TypedValues)
{
    TMemIniFile ini = FromText(
        "[N]\r\ndec=12\r\nneg=-5\r\nhex=$1F\r\ncx=0x1f\r\nword=abc\r\nempty=\r\nreal=1.5\r\nbig=99999999999\r\n"
        "comma=1,5\r\nexp=2.5E-3\r\n");
    struct IntCase {
        std::string key;
        int value;
    } ints[] = {{"dec", 12}, {"neg", -5}, {"hex", 31}, {"cx", 31}, {"word", 7},
                {"empty", 7}, {"real", 7}, {"big", 7}, {"missing", 7}};
    for (const IntCase& c : ints) EXPECT_EQ(ini.ReadInteger("N", c.key, 7), c.value) << c.key;

    EXPECT_TRUE(ini.ReadBool("N", "dec", false));
    EXPECT_FALSE(ini.ReadBool("N", "missing", false));
    EXPECT_TRUE(ini.ReadBool("N", "word", true));

    EXPECT_DOUBLE_EQ(ini.ReadFloat("N", "real", 0), 1.5);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("N", "exp", 0), 0.0025);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("N", "comma", -1), -1);  // the decimal separator is always '.'
    EXPECT_DOUBLE_EQ(ini.ReadFloat("N", "word", -1), -1);

    ini.WriteInteger("W", "i", -42);
    ini.WriteBool("W", "t", true);
    ini.WriteBool("W", "f", false);
    ini.WriteFloat("W", "x", 0.1);
    ini.WriteFloat("W", "y", -1234.5);
    TStringList lines;
    ini.ReadSectionValues("W", lines);
    EXPECT_EQ(Items(lines), (std::vector<std::string>{"i=-42", "t=1", "f=0", "x=0.1", "y=-1234.5"}));
    EXPECT_EQ(ini.ReadInteger("W", "i", 0), -42);
    EXPECT_DOUBLE_EQ(ini.ReadFloat("W", "x", 0), 0.1);
}

TEST(MemIniFile, FileRoundTripWithCrLfAndAnEmptyLineAfterEachSection)
{
    qbtest::TempDir dir;
    const std::string path = dir.file("definition.ini");
    {
        TMemIniFile ini(path);
        EXPECT_FALSE(ini.SectionExists("Weather"));  // a missing file is an empty ini
        ini.WriteString("Weather", "Text", "Příliš žluťoučký kůň");
        ini.WriteString("Weather", "fn", "WEATH");
        ini.WriteString("Other", "item1", "clear");
        EXPECT_FALSE(std::filesystem::exists(path));  // nothing written before UpdateFile
        ini.UpdateFile();
    }
    const std::string expected = "[Weather]\r\nText=Příliš žluťoučký kůň\r\nfn=WEATH\r\n\r\n[Other]\r\nitem1=clear\r\n\r\n";
    EXPECT_EQ(qbtest::ReadFileBytes(path), ConvertCodePage(expected, 65001, 1250));

    TMemIniFile back(path);
    EXPECT_EQ(back.ReadString("weather", "text", ""), "Příliš žluťoučký kůň");
    EXPECT_EQ(Written(back), expected);
}

TEST(MemIniFile, RenameWritesElsewhereAndReloads)
{
    qbtest::TempDir dir;
    qbtest::WriteFileBytes(dir.file("b.ini"), "[B]\r\nx=2\r\n");
    TMemIniFile ini(dir.file("a.ini"));
    ini.WriteString("A", "x", "1");
    ini.Rename(dir.file("c.ini"), false);
    ini.UpdateFile();
    EXPECT_EQ(TMemIniFile(dir.file("c.ini")).ReadString("A", "x", ""), "1");
    ini.Rename(dir.file("b.ini"), true);
    EXPECT_EQ(Written(ini), "[B]\r\nx=2\r\n\r\n");
    ini.Rename(dir.file("missing.ini"), true);
    EXPECT_EQ(Written(ini), "");
    EXPECT_EQ(ini.FileName(), dir.file("missing.ini"));
}

TEST(IniFile, EveryChangeReachesTheFileAtOnce)
{
    qbtest::TempDir dir;
    const std::string path = dir.file("settings.ini");
    TIniFile ini(path);
    ini.WriteInteger("Mode", "Normal", 2);
    EXPECT_EQ(TMemIniFile(path).ReadInteger("mode", "normal", 0), 2);
    ini.WriteString("Mode", "Name", "x");
    ini.DeleteKey("Mode", "Normal");
    EXPECT_EQ(qbtest::ReadFileBytes(path), "[Mode]\r\nName=x\r\n\r\n");
    ini.EraseSection("Mode");
    EXPECT_EQ(qbtest::ReadFileBytes(path), "");
}

// ---- Bad input ----------------------------------------------------------------------------

TEST(MemIniFileBadInput, DefinitionWithBinaryGarbageKeepsItsGoodLines)
{
    qbtest::TempDir dir;
    const std::string path = dir.file("garbage.ini");
    std::string garbage = RandomBytes(4000, 1);
    std::replace(garbage.begin(), garbage.end(), '[', '(');  // no section inside the garbage
    qbtest::WriteFileBytes(path, "[Weather]\r\ntext=Weather\r\n" + garbage + "\r\nfn=WEATH\r\n" +
                                     std::string("\0\0\0\x81\x98\r\n", 7) + "type=NUMERIC(2,0)\r\n");
    TMemIniFile ini(path);
    EXPECT_EQ(ini.ReadString("Weather", "text", ""), "Weather");
    EXPECT_EQ(ini.ReadString("Weather", "type", ""), "NUMERIC(2,0)");
    ExpectStoredLinesFollowTheRules(ini);
}

TEST(MemIniFileBadInput, RandomBytesFollowTheRules)
{
    qbtest::TempDir dir;
    for (unsigned seed = 2; seed < 12; ++seed) {
        // Bracket, equals and line-break bytes made common, so sections and keys appear.
        std::string bytes = RandomBytes(20000, seed);
        for (size_t i = 0; i < bytes.size(); i += 7) bytes[i] = "[]=;\r\n \t"[(bytes[i] & 0xFF) % 8];
        const std::string path = dir.file("random" + std::to_string(seed) + ".ini");
        qbtest::WriteFileBytes(path, bytes);
        TMemIniFile ini(path);
        ExpectStoredLinesFollowTheRules(ini);
    }
}

TEST(MemIniFileBadInput, UnterminatedSectionLineIsJustALine)
{
    const TMemIniFile ini = FromText("[Weather\r\nfn=X\r\n[Other]\r\n[Third\r\nfn=Y");
    TStringList sections;
    ini.ReadSections(sections);
    EXPECT_EQ(Items(sections), std::vector<std::string>{"Other"});
    TStringList lines;
    ini.ReadSectionValues("Other", lines);
    EXPECT_EQ(Items(lines), (std::vector<std::string>{"[Third", "fn=Y"}));
}

TEST(MemIniFileBadInput, TenMegabyteLinesReadInLinearTime)
{
    qbtest::TempDir dir;
    const std::string big(10 * 1024 * 1024, 'x');
    // The baseline: as many bytes in lines of about a hundred.
    std::string ordinary = "[A]\r\n";
    for (int i = 0; ordinary.size() < big.size(); ++i) ordinary += "key" + std::to_string(i) + "=" + std::string(90, 'v') + "\r\n";
    const std::string baselinePath = dir.file("ordinary.ini");
    qbtest::WriteFileBytes(baselinePath, ordinary);
    std::optional<TMemIniFile> ini;
    const double baseline = SecondsToReadAndWriteBack(baselinePath, ini);
    struct Case {
        const char* what;
        std::string content;
        bool hasLongValue;
    } cases[] = {
        {"one long value", "[A]\r\nk=" + big + "\r\nafter=1\r\n", true},
        {"one long line, no section", big, false},
        {"one long unterminated section", "[" + big, false},
        {"one long line of '='", "[A]\r\n" + std::string(big.size(), '='), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.file("big.ini");
        qbtest::WriteFileBytes(path, c.content);
        // A reading that went back over a long line would take thousands of times as long.
        const double seconds = SecondsToReadAndWriteBack(path, ini);
        EXPECT_LT(seconds, 10 * baseline + 0.01) << "baseline " << baseline << " s";
        ExpectStoredLinesFollowTheRules(*ini);
        if (c.hasLongValue) {
            EXPECT_EQ(ini->ReadString("A", "k", "").size(), big.size());
            EXPECT_EQ(ini->ReadString("A", "after", ""), "1");
        }
    }
}

TEST(MemIniFileBadInput, ManyShortLinesReadInLinearTime)
{
    const auto text = [](int lines) {
        std::string text = "[A]\r\n";
        for (int i = 0; i < lines; ++i) text += "key" + std::to_string(i) + " = " + std::to_string(i) + "\r\n";
        return text;
    };
    const std::string small = text(20000), large = text(200000);
    TMemIniFile ini("");
    // Ten times the lines take about ten times as long; a quadratic reading would take a hundred.
    const double baseline = CpuSecondsFor([&] { TMemIniFile("").SetStrings(LinesOf(small)); });
    const double seconds = CpuSecondsFor([&] { ini.SetStrings(LinesOf(large)); });
    EXPECT_LT(seconds, 30 * baseline + 0.01) << "baseline " << baseline << " s";
    EXPECT_EQ(ini.ReadString("A", "key199999", ""), "199999");
}
