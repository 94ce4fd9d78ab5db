#pragma once
// Fixture base of the widget and table tool tests: a dBase table file in a fresh folder, open
// through a table and a data source, scripted UI services, and the stored records read back by
// python3-dbfread.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/db/DataSource.h"
#include "platform/db/Table.h"
#include "platform/ui/ScriptedUiServices.h"
#include "support/TestSupport.h"

namespace qbtest {

class DbfTableTest : public testing::Test {
protected:
    DbfTableTest();  // the program code page is Windows-1250 while the fixture lives
    ~DbfTableTest() override;

    // The stored records as dbfread reads them: values joined by '|', None as "", whole floats
    // without decimals, CR and LF as \r \n.
    std::vector<std::string> FileRows() const;
    // The texts of the message boxes shown through the UI services, in order.
    std::vector<std::string> Messages() const;

    TempDir dir_;
    std::string path_;  // survey.dbf in dir_
    TTable table_;
    TDataSource source_;
    TScriptedUiServices ui_;
    TScopedUiServices scopedUi_{ui_};
};

}  // namespace qbtest
