#include "support_DbWidgets.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include "platform/db/DbfFile.h"

namespace uitest {

std::vector<SurveyRow> ThreeRows()
{
    return {
        {1, "Alder", true, "1", "first\r\nnote"},
        {2, "Birch", false, "2", ""},
        {3, "Cedar", true, "x", "third"},
    };
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
