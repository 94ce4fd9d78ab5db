#include "support/TableFixture.h"

#include "platform/core/CodePage.h"
#include "support_DbTools.h"

namespace qbtest {

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

DbfTableTest::DbfTableTest() : path_(dir_.file("survey.dbf"))
{
    SetProgramCodePage(1250);
    source_.SetDataSet(&table_);
}

DbfTableTest::~DbfTableTest()
{
    table_.Close();
    SetProgramCodePage(0);
}

std::vector<std::string> DbfTableTest::FileRows() const
{
    return dbtest::Lines(dbtest::RunPython(kReadBack, {path_}));
}

std::vector<std::string> DbfTableTest::Messages() const
{
    std::vector<std::string> texts;
    for (const TUiCall& call : ui_.Log())
        if (call.Kind == TUiCallKind::Message) texts.push_back(call.Text);
    return texts;
}

}  // namespace qbtest
