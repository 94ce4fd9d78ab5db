#include "support_StatsJudges.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

#include "chart/engine/support_ChartEngine.h"
#include "support/TestSupport.h"

namespace statstest {

void WriteNumbers(const std::string& path, const std::vector<double>& values)
{
    std::ofstream out(path);
    char line[40];
    for (double v : values) {
        std::snprintf(line, sizeof line, "%.17g\n", v);
        out << line;
    }
}

namespace {
std::string Judge(const std::vector<std::string>& arguments)
{
    std::vector<std::string> command{"/usr/bin/python3", qbtest::DataPath("stats/stats_judge.py")};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return enginetest::Run(command);
}
}  // namespace

std::vector<double> JudgeNumbers(const std::vector<std::string>& arguments)
{
    std::istringstream output(Judge(arguments));
    std::vector<double> values;
    // strtod, unlike the stream, reads "nan" too.
    for (std::string word; output >> word;) values.push_back(std::strtod(word.c_str(), nullptr));
    return values;
}

std::vector<std::string> CsvRows(const std::string& path)
{
    std::istringstream output(Judge({"csv", path}));
    std::vector<std::string> rows;
    for (std::string line; std::getline(output, line);) rows.push_back(line);
    return rows;
}

std::vector<double> SampleValues(int count, unsigned seed, double from, double to)
{
    std::mt19937 generator(seed);
    std::uniform_real_distribution<double> value(from, to);
    std::vector<double> values;
    for (int i = 0; i < count; ++i) values.push_back(value(generator));
    return values;
}

}  // namespace statstest
