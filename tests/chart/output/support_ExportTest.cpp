#include "support_ExportTest.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "chart/engine/ChartLegend.h"
#include "chart/series/ChartSeriesModules.h"
#include "chart/series/SeriesBar.h"
#include "support_DuvStoreTest.h"

namespace exporttest {

void StartExportModules()
{
    static const bool started = [] {
        storetest::StartStoreModules();
        InitializeChartSeriesModules();
        return true;
    }();
    (void)started;
}

void FillBarChart(TChart& chart)
{
    chart.SetBounds(0, 0, 400, 250);
    chart.SetView3D(false);
    chart.SetColor(0xC0C0C0);
    chart.Legend()->SetVisible(false);
    auto* bars = new TBarSeries(&chart);
    bars->SetName("Bars");
    bars->SetParentChart(&chart);
    bars->SetColorEachPoint(true);
    bars->SetMarksVisible(false);
    bars->AddPointY(10, "Mon", 0x0000FF);
    bars->AddPointY(8, "Tue", 0x00C000);
    bars->AddPointY(6, "Wed", 0xFF0000);
}

int LargestBlockDifference(const QImage& a, const QImage& b, int columns, int rows)
{
    const QImage left = a.convertToFormat(QImage::Format_RGB32).scaled(columns * 8, rows * 8);
    const QImage right = b.convertToFormat(QImage::Format_RGB32).scaled(columns * 8, rows * 8);
    int largest = 0;
    for (int by = 0; by < rows; ++by)
        for (int bx = 0; bx < columns; ++bx) {
            long sums[2][3] = {};
            for (int y = by * 8; y < by * 8 + 8; ++y)
                for (int x = bx * 8; x < bx * 8 + 8; ++x) {
                    const QRgb p[2] = {left.pixel(x, y), right.pixel(x, y)};
                    for (int i = 0; i < 2; ++i) {
                        sums[i][0] += qRed(p[i]);
                        sums[i][1] += qGreen(p[i]);
                        sums[i][2] += qBlue(p[i]);
                    }
                }
            for (int c = 0; c < 3; ++c)
                largest = std::max(largest, static_cast<int>(std::labs(sums[0][c] - sums[1][c]) / 64));
        }
    return largest;
}

FakeProgram::FakeProgram(const std::string& name, int exitCode, bool onlyThisFolder)
{
    const std::string script = dir_.file(name);
    std::ofstream(script) << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" << ArgumentsFile()
                          << "'\nexit " << exitCode << "\n";
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    const char* path = std::getenv("PATH");
    savedPath_ = path ? path : "";
    const std::string newPath = onlyThisFolder ? dir_.path().string() : dir_.path().string() + ":" + savedPath_;
    setenv("PATH", newPath.c_str(), 1);
}

FakeProgram::~FakeProgram() { setenv("PATH", savedPath_.c_str(), 1); }

std::string FakeProgram::Arguments() const
{
    return std::filesystem::exists(ArgumentsFile()) ? qbtest::ReadFileBytes(ArgumentsFile()) : "";
}

EmptyPath::EmptyPath()
{
    const char* path = std::getenv("PATH");
    savedPath_ = path ? path : "";
    setenv("PATH", dir_.path().c_str(), 1);
}

EmptyPath::~EmptyPath() { setenv("PATH", savedPath_.c_str(), 1); }

}  // namespace exporttest
