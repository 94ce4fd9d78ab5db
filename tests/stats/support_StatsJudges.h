#pragma once
// The outside judges of the statistics tests: numpy and scipy under /usr/bin/python3.
#include <string>
#include <vector>

#include "stats/UOrdLists.h"

namespace statstest {

// Writes the numbers to a file, one per line, with 17 significant digits.
void WriteNumbers(const std::string& path, const std::vector<double>& values);
// What the judge script prints, one number per line.
std::vector<double> JudgeNumbers(const std::vector<std::string>& arguments);
// The rows of a saved results file as Python's csv module reads them (delimiter ';'), the cells
// of a row joined by '|'.
std::vector<std::string> CsvRows(const std::string& path);

// A deterministic set of values for a case.
std::vector<double> SampleValues(int count, unsigned seed, double from, double to);

}  // namespace statstest
