#pragma once
// Helpers of the database tests: outside programs that judge our table files.
#include <string>
#include <vector>

namespace dbtest {

// Runs a shell command; answers its standard output. A failing command fails the test.
std::string Run(const std::string& command);
// Runs a Python script under Debian's interpreter (where dbfread and dbf live) with arguments.
std::string RunPython(const std::string& script, const std::vector<std::string>& args);
std::vector<std::string> Lines(const std::string& text);

}  // namespace dbtest
