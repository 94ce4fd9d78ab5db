#pragma once
// Fixture of the data-aware widget tests: a real dBase table with a memo file, open through a
// table and a data source, scripted UI services, and the file read back by python3-dbfread.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TableFixture.h"

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
class DbWidgetTest : public qbtest::DbfTableTest {
protected:
    // A fresh table file holding the rows, opened.
    void MakeTable(const std::vector<SurveyRow>& rows);

    // Typing as the user does: key events to the focused widget.
    static void Type(QWidget* widget, const QString& text);
    static void PressKey(QWidget* widget, int key);
};

// Three records for most tests.
std::vector<SurveyRow> ThreeRows();

}  // namespace uitest
