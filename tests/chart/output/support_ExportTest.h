#pragma once
// What the picture export tests share: the chart modules with the series and output modules
// started once, a chart of three wide coloured bars, coarse block comparison of two pictures,
// and a fake program put first on PATH for the scope of a test.
#include <QImage>
#include <string>

#include "chart/engine/Chart.h"
#include "support/TestSupport.h"

namespace exporttest {

void StartExportModules();

// 400 x 250, flat: no 3D, no legend, no gradients; three bars red, green and blue ("Mon", "Tue",
// "Wed") on a grey panel, so pictures of it compare in blocks whatever the text renderer.
void FillBarChart(TChart& chart);

// The largest difference of the mean colours (any channel) over a grid of blocks of the two
// pictures, both scaled to the same size first.
int LargestBlockDifference(const QImage& a, const QImage& b, int columns, int rows);

// Puts a folder with an executable script of that name first on PATH (or makes PATH that
// folder only), and restores PATH at the end. The script writes its arguments, one a line, to
// ArgumentsFile and exits with the given code.
class FakeProgram {
public:
    FakeProgram(const std::string& name, int exitCode, bool onlyThisFolder = false);
    ~FakeProgram();
    FakeProgram(const FakeProgram&) = delete;
    FakeProgram& operator=(const FakeProgram&) = delete;
    std::string ArgumentsFile() const { return dir_.file("arguments"); }
    std::string Arguments() const;

private:
    qbtest::TempDir dir_;
    std::string savedPath_;
};

// A folder with no programs at all, as PATH, for the scope.
class EmptyPath {
public:
    EmptyPath();
    ~EmptyPath();
    EmptyPath(const EmptyPath&) = delete;
    EmptyPath& operator=(const EmptyPath&) = delete;

private:
    qbtest::TempDir dir_;
    std::string savedPath_;
};

}  // namespace exporttest
