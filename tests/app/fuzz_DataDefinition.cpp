// Feeds arbitrary bytes as a data definition: what the sections describe (controls, choice
// values, conditional memos, table columns) must be read or refused with Exception, and what is
// read must hold together.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/DataModules.h"
#include "platform/core/CodePage.h"
#include "platform/core/IniFiles.h"

namespace {

void Check(bool condition)
{
    if (!condition) std::abort();
}

void CheckSection(const TSectionDefinition& d)
{
    const int choices = d.Count(TSectionControlKind::CheckBox) + d.Count(TSectionControlKind::RadioItem);
    Check(int(d.ChoiceValues.size()) == choices && int(d.MemoLinks.size()) == choices);
    Check(d.Count(TSectionControlKind::CheckBox) == 0 || d.Count(TSectionControlKind::RadioItem) == 0);
    Check(d.Count(TSectionControlKind::Edit) <= 1 && d.Count(TSectionControlKind::Memo) <= 1);
    for (int link : d.MemoLinks) Check(link >= -1 && link < int(d.ConditionalMemos.size()));
    const std::vector<std::string> columns = SectionColumns(d);
    const bool input = choices > 0 || d.Has(TSectionControlKind::Edit) || d.Has(TSectionControlKind::Memo) ||
                       !d.ConditionalMemos.empty();
    Check(columns.empty() != input);
    const std::string tooLong = TooLongColumnName(columns);
    Check(tooLong.empty() || tooLong.size() > kMaxFieldNameLength);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    SetProgramCodePage(1250);  // never reads the user's settings
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    TStringList text;
    text.SetText(AnsiToUtf8(std::string(reinterpret_cast<const char*>(data), size)));
    TMemIniFile definition("");
    definition.SetStrings(text);
    TStringList sections;
    definition.ReadSections(sections);
    try {
        CheckTableFieldCount(definition, sections);
    } catch (const Exception&) {
    }
    TStringList lines;
    for (int i = 0; i < sections.Count(); ++i) {
        definition.ReadSectionValues(sections[i], lines);
        try {
            CheckSection(ReadSectionDefinition(i, lines));
        } catch (const Exception&) {
        }
    }
    return 0;
}
