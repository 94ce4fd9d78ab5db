#pragma once
// Fixture of the table tool tests: a real dBase table (with a memo file when it has a memo
// field) open through a table and a data source, scripted UI services, and the stored records
// read back by python3-dbfread.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/db/DbfFile.h"
#include "support/TableFixture.h"

namespace tabletest {

// One record as the texts of its fields in field order; "" leaves a field empty.
using Row = std::vector<std::string>;

class TableToolTest : public qbtest::DbfTableTest {
protected:
    // A fresh table file holding the rows, opened on its first record.
    void MakeTable(const std::vector<TDbfField>& fields, const std::vector<Row>& rows);
};

// ID N(6,0), NAME C(12), SIZE N(8,2), SEEN D, CODE C(6): the fields most tests use.
std::vector<TDbfField> SurveyFields();

}  // namespace tabletest
