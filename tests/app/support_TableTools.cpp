#include "support_TableTools.h"

#include "platform/core/CodePage.h"
#include "support_DbTools.h"

namespace tabletest {

namespace {

constexpr const char* kReadBack = R"(import sys
from dbfread import DBF
def text(value):
    if value is None:
        return ''
    if isinstance(value, float) and value == int(value):
        value = int(value)
    # dbfread reads a dBase IV memo 8 bytes past its end
    return str(value).rstrip('\x00').replace('\r', '\\r').replace('\n', '\\n')
for record in DBF(sys.argv[1], encoding='cp1250', char_decode_errors='strict'):
    print('|'.join(text(value) for value in record.values()))
)";

}  // namespace

std::vector<TDbfField> SurveyFields()
{
    return {{"ID", 'N', 6, 0}, {"NAME", 'C', 12, 0}, {"SIZE", 'N', 8, 2}, {"SEEN", 'D', 8, 0}, {"CODE", 'C', 6, 0}};
}

TableToolTest::TableToolTest() : path_(dir_.file("survey.dbf"))
{
    SetProgramCodePage(1250);
    source_.SetDataSet(&table_);
}

TableToolTest::~TableToolTest()
{
    table_.Close();
    SetProgramCodePage(0);
}

void TableToolTest::MakeTable(const std::vector<TDbfField>& fields, const std::vector<Row>& rows)
{
    table_.Close();
    TDbfFile::Create(path_, fields, 4, 1250);
    table_.SetTableName(path_);
    table_.Open();
    for (const Row& row : rows) {
        table_.Append();
        for (size_t i = 0; i < row.size(); ++i)
            if (!row[i].empty()) table_.Fields().Fields(int(i)).SetAsString(row[i]);
        table_.Post();
    }
    table_.First();
}

std::vector<std::string> TableToolTest::FileRows() const
{
    return dbtest::Lines(dbtest::RunPython(kReadBack, {path_}));
}

std::vector<std::string> TableToolTest::Messages() const
{
    std::vector<std::string> texts;
    for (const TUiCall& call : ui_.Log())
        if (call.Kind == TUiCallKind::Message) texts.push_back(call.Text);
    return texts;
}

}  // namespace tabletest
