#include "support_DbWidgets.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include "platform/core/CodePage.h"
#include "platform/db/DbfFile.h"
#include "support_DbTools.h"

namespace uitest {

namespace {

constexpr const char* kReadBack = R"(import sys
from dbfread import DBF
def text(value):
    if value is None:
        return ''
    # dbfread reads a dBase IV memo 8 bytes past its end
    return str(value).rstrip('\x00').replace('\r', '\\r').replace('\n', '\\n')
for record in DBF(sys.argv[1], encoding='cp1250', char_decode_errors='strict'):
    print('|'.join(text(value) for value in record.values()))
)";

}  // namespace

std::vector<SurveyRow> ThreeRows()
{
    return {
        {1, "Alder", true, "1", "first\r\nnote"},
        {2, "Birch", false, "2", ""},
        {3, "Cedar", true, "x", "third"},
    };
}

DbWidgetTest::DbWidgetTest() : path_(dir_.file("survey.dbf"))
{
    SetProgramCodePage(1250);
    source_.SetDataSet(&table_);
}

DbWidgetTest::~DbWidgetTest()
{
    table_.Close();
    SetProgramCodePage(0);
}

void DbWidgetTest::MakeTable(const std::vector<SurveyRow>& rows)
{
    table_.Close();
    TDbfFile::Create(path_, {{"ID", 'N', 6, 0}, {"NAME", 'C', 20, 0}, {"OK", 'L', 1, 0}, {"KIND", 'C', 5, 0}, {"NOTE", 'M', 10, 0}},
                     4, 1250);
    table_.SetTableName(path_);
    table_.Open();
    for (const SurveyRow& row : rows) {
        table_.Append();
        table_.FieldByName("ID").SetAsInteger(row.id);
        table_.FieldByName("NAME").SetAsString(row.name);
        table_.FieldByName("OK").SetAsBoolean(row.ok);
        table_.FieldByName("KIND").SetAsString(row.kind);
        table_.FieldByName("NOTE").SetAsString(row.note);
        table_.Post();
    }
    table_.First();
}

std::vector<std::string> DbWidgetTest::FileRows() const
{
    return dbtest::Lines(dbtest::RunPython(kReadBack, {path_}));
}

std::vector<std::string> DbWidgetTest::Messages() const
{
    std::vector<std::string> texts;
    for (const TUiCall& call : ui_.Log())
        if (call.Kind == TUiCallKind::Message) texts.push_back(call.Text);
    return texts;
}

void DbWidgetTest::Type(QWidget* widget, const QString& text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
    }
}

void DbWidgetTest::PressKey(QWidget* widget, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
}

}  // namespace uitest
