#pragma once
// Fixture of the data-aware widget tests: a real dBase table with a memo file, open through a
// table and a data source, scripted UI services, and the file read back by python3-dbfread.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/db/DataSource.h"
#include "platform/db/Table.h"
#include "platform/ui/ScriptedUiServices.h"
#include "support/TestSupport.h"

class QWidget;
class QString;

namespace uitest {

struct SurveyRow {
    int id;
    std::string name;
    bool ok;
    std::string kind;
    std::string note;
};

// The fields ID N(6,0), NAME C(20), OK L, KIND C(5), NOTE M.
class DbWidgetTest : public testing::Test {
protected:
    DbWidgetTest();
    ~DbWidgetTest() override;

    // A fresh table file holding the rows, opened.
    void MakeTable(const std::vector<SurveyRow>& rows);
    // The stored records as dbfread reads them: "ID|NAME|OK|KIND|NOTE", CR and LF shown as \r \n.
    std::vector<std::string> FileRows() const;
    // The messages shown through the UI services, in order.
    std::vector<std::string> Messages() const;

    // Typing as the user does: key events to the focused widget.
    static void Type(QWidget* widget, const QString& text);
    static void PressKey(QWidget* widget, int key);

    qbtest::TempDir dir_;
    std::string path_;
    TTable table_;
    TDataSource source_;
    TScriptedUiServices ui_;
    TScopedUiServices scopedUi_{ui_};
};

// Three records for most tests.
std::vector<SurveyRow> ThreeRows();

}  // namespace uitest
