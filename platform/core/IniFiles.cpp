#include "platform/core/IniFiles.h"

#include <charconv>
#include <climits>
#include <filesystem>

#include "platform/core/CodePage.h"
#include "platform/core/NumText.h"

namespace {

bool IsSectionLine(const std::string& line) { return line.size() >= 2 && line.front() == '[' && line.back() == ']'; }

// Decimal with an optional sign, or hexadecimal written "$1F" or "0x1F".
bool ParseInteger(const std::string& text, int& value)
{
    size_t pos = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) ++pos;
    int base = 10;
    if (text.compare(pos, 1, "$") == 0) {
        base = 16;
        pos += 1;
    } else if (text.size() > pos + 2 && text[pos] == '0' && (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
        base = 16;
        pos += 2;
    }
    if (pos >= text.size() || text[pos] == '-' || text[pos] == '+') return false;
    long long magnitude = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data() + pos, end, magnitude, base);
    if (error != std::errc() || stop != end) return false;
    const long long signedValue = negative ? -magnitude : magnitude;
    if (signedValue < INT_MIN || signedValue > INT_MAX) return false;
    value = static_cast<int>(signedValue);
    return true;
}

}  // namespace

TMemIniFile::TMemIniFile(const std::string& fileName, int codePage) : fileName_(fileName), codePage_(codePage)
{
    LoadFile();
}

void TMemIniFile::LoadFile()
{
    sections_.clear();
    std::error_code ec;
    if (fileName_.empty() || !std::filesystem::exists(fileName_, ec)) return;
    TStringList lines;
    lines.LoadFromFile(fileName_, codePage_ != 0 ? codePage_ : ProgramCodePage());
    for (int i = 0; i < lines.Count(); ++i) AddLine(lines[i]);
}

void TMemIniFile::AddLine(const std::string& rawLine)
{
    const std::string line = Trim(rawLine);
    if (line.empty() || line[0] == ';') return;
    if (IsSectionLine(line)) {
        sections_.push_back({Trim(line.substr(1, line.size() - 2)), TStringList()});
        return;
    }
    if (sections_.empty()) return;
    TStringList& lines = sections_.back().lines;
    const size_t equals = line.find('=');
    if (equals == std::string::npos)
        lines.Add(line);
    else
        lines.Add(Trim(line.substr(0, equals)) + "=" + Trim(line.substr(equals + 1)));
}

// ---- Sections -----------------------------------------------------------------------------

const TMemIniFile::Section* TMemIniFile::FindSection(const std::string& name) const
{
    for (const Section& section : sections_)
        if (SameText(section.name, name)) return &section;
    return nullptr;
}

TMemIniFile::Section* TMemIniFile::FindSection(const std::string& name)
{
    return const_cast<Section*>(static_cast<const TMemIniFile*>(this)->FindSection(name));
}

TMemIniFile::Section& TMemIniFile::SectionForWriting(const std::string& name)
{
    if (Section* section = FindSection(name)) return *section;
    sections_.push_back({name, TStringList()});
    return sections_.back();
}

void TMemIniFile::ReadSections(TStringList& strings) const
{
    strings.Clear();
    for (const Section& section : sections_) strings.Add(section.name);
}

void TMemIniFile::ReadSection(const std::string& section, TStringList& strings) const
{
    strings.Clear();
    const Section* found = FindSection(section);
    if (!found) return;
    for (int i = 0; i < found->lines.Count(); ++i)
        if (found->lines[i].find('=') != std::string::npos) strings.Add(found->lines.Names(i));
}

void TMemIniFile::ReadSectionValues(const std::string& section, TStringList& strings) const
{
    strings.Clear();
    if (const Section* found = FindSection(section)) strings.AddStrings(found->lines);
}

bool TMemIniFile::SectionExists(const std::string& section) const { return FindSection(section) != nullptr; }

bool TMemIniFile::ValueExists(const std::string& section, const std::string& ident) const
{
    const Section* found = FindSection(section);
    return found && found->lines.IndexOfName(ident) >= 0;
}

void TMemIniFile::EraseSection(const std::string& section)
{
    for (auto it = sections_.begin(); it != sections_.end(); ++it) {
        if (!SameText(it->name, section)) continue;
        sections_.erase(it);
        Changed();
        return;
    }
}

void TMemIniFile::DeleteKey(const std::string& section, const std::string& ident)
{
    Section* found = FindSection(section);
    const int index = found ? found->lines.IndexOfName(ident) : -1;
    if (index < 0) return;
    found->lines.Delete(index);
    Changed();
}

// ---- Values -------------------------------------------------------------------------------

std::string TMemIniFile::ReadString(const std::string& section, const std::string& ident,
                                    const std::string& defaultValue) const
{
    const Section* found = FindSection(section);
    const int index = found ? found->lines.IndexOfName(ident) : -1;
    return index < 0 ? defaultValue : found->lines.ValueFromIndex(index);
}

void TMemIniFile::WriteString(const std::string& section, const std::string& ident, const std::string& value)
{
    TStringList& lines = SectionForWriting(section).lines;
    const std::string line = ident + "=" + value;
    const int index = lines.IndexOfName(ident);
    if (index < 0)
        lines.Add(line);
    else
        lines.PutString(index, line);
    Changed();
}

int TMemIniFile::ReadInteger(const std::string& section, const std::string& ident, int defaultValue) const
{
    int value = 0;
    return ParseInteger(ReadString(section, ident, ""), value) ? value : defaultValue;
}

void TMemIniFile::WriteInteger(const std::string& section, const std::string& ident, int value)
{
    WriteString(section, ident, std::to_string(value));
}

bool TMemIniFile::ReadBool(const std::string& section, const std::string& ident, bool defaultValue) const
{
    return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void TMemIniFile::WriteBool(const std::string& section, const std::string& ident, bool value)
{
    WriteString(section, ident, value ? "1" : "0");
}

double TMemIniFile::ReadFloat(const std::string& section, const std::string& ident, double defaultValue) const
{
    double value = 0;
    const std::string text = ReadString(section, ident, "");
    return TryStrToFloat(text, value, TFormatSettings::Invariant()) ? value : defaultValue;
}

void TMemIniFile::WriteFloat(const std::string& section, const std::string& ident, double value)
{
    WriteString(section, ident, FloatToStr(value, TFormatSettings::Invariant()));
}

// ---- Whole text and file ------------------------------------------------------------------

void TMemIniFile::GetStrings(TStringList& strings) const
{
    strings.Clear();
    for (const Section& section : sections_) {
        strings.Add("[" + section.name + "]");
        strings.AddStrings(section.lines);
        strings.Add("");
    }
}

void TMemIniFile::SetStrings(const TStringList& strings)
{
    sections_.clear();
    for (int i = 0; i < strings.Count(); ++i) AddLine(strings[i]);
    Changed();
}

void TMemIniFile::Clear()
{
    sections_.clear();
    Changed();
}

void TMemIniFile::UpdateFile()
{
    TStringList text;
    GetStrings(text);
    text.SaveToFile(fileName_, codePage_ != 0 ? codePage_ : ProgramCodePage());
}

void TMemIniFile::Rename(const std::string& fileName, bool reload)
{
    fileName_ = fileName;
    if (reload) LoadFile();
}
