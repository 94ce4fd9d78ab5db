// Feeds arbitrary bytes to the in-memory ini file, as text and as a file in the program code
// page, runs every reader and checks that what was stored obeys the reading rules.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include <unistd.h>

#include "platform/core/CodePage.h"
#include "platform/core/IniFiles.h"

namespace {

void Check(bool condition)
{
    if (!condition) std::abort();
}

std::string TemporaryPath()
{
    static const std::string path = "/tmp/fuzz_IniFile-" + std::to_string(::getpid()) + ".ini";
    return path;
}

std::string Written(const TMemIniFile& ini)
{
    TStringList text;
    ini.GetStrings(text);
    return text.Text();
}

// Delimited text reads back as the items it was made from.
void CheckDelimitedRoundTrip(const TStringList& items, bool strict)
{
    TStringList list;
    list.Delimiter = ';';
    list.StrictDelimiter = strict;
    list.AddStrings(items);
    TStringList back;
    back.Delimiter = ';';
    back.StrictDelimiter = strict;
    back.SetDelimitedText(list.DelimitedText());
    Check(back.Equals(list));
}

void ExerciseSection(TMemIniFile& ini, const std::string& section)
{
    TStringList keys;
    ini.ReadSection(section, keys);
    TStringList lines;
    ini.ReadSectionValues(section, lines);
    Check(keys.Count() <= lines.Count());
    for (int i = 0; i < lines.Count(); ++i) {
        const std::string& line = lines[i];
        Check(!line.empty() && line[0] != ';' && Trim(line) == line);
    }
    for (int k = 0; k < keys.Count(); ++k) {
        Check(ini.ValueExists(section, keys[k]));
        const std::string value = ini.ReadString(section, keys[k], "");
        Check(Trim(value) == value);
        ini.ReadInteger(section, keys[k], 0);
        ini.ReadBool(section, keys[k], false);
        ini.ReadFloat(section, keys[k], 0);
        TStringList parts;
        parts.Delimiter = ';';
        parts.SetDelimitedText(value);
        CheckDelimitedRoundTrip(parts, true);
        CheckDelimitedRoundTrip(parts, false);
    }
}

void Exercise(TMemIniFile& ini)
{
    TStringList sections;
    ini.ReadSections(sections);
    for (int s = 0; s < sections.Count(); ++s) {
        Check(ini.SectionExists(sections[s]));
        Check(Trim(sections[s]) == sections[s]);
        ExerciseSection(ini, sections[s]);
    }
    // What is written reads back the same.
    const std::string text = Written(ini);
    TStringList lines;
    lines.SetText(text);
    TMemIniFile again("");
    again.SetStrings(lines);
    Check(Written(again) == text);

    if (sections.Count() > 0) {
        ini.WriteString(sections[0], "fn", "X");
        Check(ini.ReadString(sections[0], "FN", "") == "X");
        ini.DeleteKey(sections[0], "fn");
        ini.EraseSection(sections[sections.Count() - 1]);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    SetProgramCodePage(1250);  // never reads the user's settings
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    {
        TStringList lines;
        lines.SetText(bytes);
        TMemIniFile ini("");
        ini.SetStrings(lines);
        Exercise(ini);
    }
    {
        std::ofstream(TemporaryPath(), std::ios::binary | std::ios::trunc) << bytes;
        TMemIniFile ini(TemporaryPath());
        Exercise(ini);
        Utf8ToAnsi(Written(ini));  // what UpdateFile would write
    }
    ::unlink(TemporaryPath().c_str());
    return 0;
}
