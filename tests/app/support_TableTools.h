#pragma once
// Fixture of the table tool tests: a real dBase table (with a memo file when it has a memo
// field) open through a table and a data source, scripted UI services, and the stored records
// read back by python3-dbfread.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/db/DataSource.h"
#include "platform/db/DbfFile.h"
#include "platform/db/Table.h"
#include "platform/ui/ScriptedUiServices.h"
#include "support/TestSupport.h"

namespace tabletest {

// One record as the texts of its fields in field order; "" leaves a field empty.
using Row = std::vector<std::string>;

class TableToolTest : public testing::Test {
protected:
    TableToolTest();
    ~TableToolTest() override;

    // A fresh table file holding the rows, opened on its first record.
    void MakeTable(const std::vector<TDbfField>& fields, const std::vector<Row>& rows);
    // The stored records as dbfread reads them: values joined by '|', None as "", CR and LF as \r \n.
    std::vector<std::string> FileRows() const;
    // The texts of the message boxes shown through the UI services, in order.
    std::vector<std::string> Messages() const;

    qbtest::TempDir dir_;
    std::string path_;
    TTable table_;
    TDataSource source_;
    TScriptedUiServices ui_;
    TScopedUiServices scopedUi_{ui_};
};

// ID N(6,0), NAME C(12), SIZE N(8,2), SEEN D, CODE C(6): the fields most tests use.
std::vector<TDbfField> SurveyFields();

}  // namespace tabletest
