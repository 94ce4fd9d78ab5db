// Any bytes as a theme file applied to a small chart of two series: either the loader's error
// with the chart exactly as it was, or a themed chart that draws. Never a crash or a leak.
#include <cassert>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include <QGuiApplication>

#include "chart/editor/ChartEditorModules.h"
#include "chart/editor/DuvThemes.h"
#include "chart/engine/ChartEngineModules.h"
#include "chart/graphics/ChartGraphicsModules.h"
#include "chart/output/ChartOutputModules.h"
#include "chart/output/DuvStore.h"
#include "chart/series/ChartSeriesModules.h"
#include "chart/series/Series.h"
#include "chart/series/SeriesBar.h"
#include "platform/core/Streams.h"
#include "support/FuzzFiles.h"

namespace {

std::string SavedForm(TChart& chart)
{
    TMemoryStream stream;
    SaveChartToStream(chart, stream, true, true);
    return stream.Bytes();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The themed chart draws its texts, and fonts need an application object.
    static int argc = 1;
    static char name[] = "fuzz_ThemeFile";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!QCoreApplication::instance()) new QGuiApplication(argc, argv);
    InitializeChartGraphicsModules();
    InitializeChartEngineModules();
    InitializeChartSeriesModules();
    InitializeChartOutputModules();
    InitializeChartEditorModules();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string file = qbtest::FuzzTempFolder("fuzz_ThemeFile") + "/theme.duv";
    std::ofstream(file, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));

    TComponent owner(nullptr);
    auto* chart = new TChart(&owner);
    chart->SetName("Chart1");
    chart->SetBounds(0, 0, 120, 80);
    auto* bar = new TBarSeries(&owner);
    auto* line = new TLineSeries(&owner);
    bar->SetParentChart(chart);
    line->SetParentChart(chart);
    for (int i = 0; i < 5; ++i) {
        bar->AddPointXY(i, i % 3 + 1);
        line->AddPointXY(i, 5 - i);
    }
    const std::string before = SavedForm(*chart);
    try {
        ThemesList->ApplyThemeFile(chart, file);
    } catch (const Exception&) {
        const bool unchanged = SavedForm(*chart) == before;
        assert(unchanged);
        (void)unchanged;
        owner.DestroyComponents();
        return 0;
    }
    assert(chart->CountSeries() == 2);
    chart->CreatePanelBitmap();
    // The application goes before the leak check at exit, with the font caches; registered
    // after the first drawing, so it goes before the caches that drawing made.
    static const bool cleanUp = (std::atexit([] { delete QCoreApplication::instance(); }), true);
    (void)cleanUp;
    owner.DestroyComponents();
    return 0;
}
