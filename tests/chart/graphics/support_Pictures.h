#pragma once
// Outside programs that judge the pictures we write, and small pictures to write.
#include <QImage>
#include <string>
#include <vector>

namespace pictures {

// A picture whose pixels all differ a little, so a wrong row or column order shows.
QImage Pattern(int width, int height);
// Runs a program and returns its standard output; the test fails when it exits with an error.
std::string RunProgram(const std::vector<std::string>& arguments, int* exitCode = nullptr);
// Width and height from the header of a PNM file (djpeg's output).
void PnmSize(const std::string& pnm, int& width, int& height);

}  // namespace pictures
