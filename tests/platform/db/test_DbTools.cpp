// The outside judges get their arguments as given: fixtures such as "pond's.dbf" and folders with
// blanks or shell characters reach the script unchanged, and no shell runs any part of them.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/TestSupport.h"
#include "support_DbTools.h"

TEST(DbTools, RunPythonPassesEveryArgumentAsGiven)
{
    qbtest::TempDir dir;
    const std::string marker = dir.file("ran");
    const std::vector<std::string> args{"pond's.dbf", "two  words", "$HOME", "`touch " + marker + "`", "'; touch " + marker + "; '",
                                        "\"quoted\"", "a\\b", ""};
    const std::string output = dbtest::RunPython("import sys\nfor a in sys.argv[1:]: print('<' + a + '>')\n", args);
    std::vector<std::string> expected;
    for (const std::string& arg : args) expected.push_back("<" + arg + ">");
    EXPECT_EQ(dbtest::Lines(output), expected);
    EXPECT_FALSE(std::filesystem::exists(marker)) << "a shell ran part of an argument";
}
