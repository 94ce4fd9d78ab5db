#pragma once
// A small survey table for the SQL and batch-move tests, and the text of a dataset's rows.
#include <string>
#include <vector>

class TDataSet;

namespace dbtest {

// data.dbf in `folder`: ID N(6,0), NAME C(20), AGE N(5,1), BORN D, SMOKER L, TOWN C(10), NOTE M.
//   1 Karel  30.5 1990-01-15 T Brno  "likes tea"
//   2 karla  25   1995-06-01 F Praha
//   3 Kamil  -    1980-12-31 F Brno  "x"
//   4 Eva    41   -          T Praha
//   5 Zdena  25   2001-03-03 - -
//   6 O'Neil 60   1961-07-20 F Brno
std::string MakeSurveyTable(const std::string& folder);

// Every row as its fields' texts joined by '|' ("NULL" for a null field), from the first record.
std::vector<std::string> RowTexts(TDataSet& dataSet);

// Rows of a dBase file as python3-dbfread reads them: one line per record, values joined by '|'
// (None for a missing value, "" for blank text, dates ISO), deleted records left out.
std::vector<std::string> DbfReadRows(const std::string& path);

}  // namespace dbtest
