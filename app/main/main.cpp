#include <cstdio>

#include "app/AppFormTables.h"
#include "app/FMain.h"
#include "app/FSelectCase.h"
#include "app/UORUCommon.h"
#include "chart/engine/ChartEngineModules.h"
#include "chart/graphics/ChartGraphicsModules.h"
#include "chart/series/ChartSeriesModules.h"
#include "chart/output/ChartOutputModules.h"
#include "chart/output/widgets/ChartOutputWidgetModules.h"
#include "platform/core/CodePage.h"
#include "platform/core/Registry.h"
#include "platform/core/SafeFile.h"
#include "platform/db/Odbc.h"
#include "platform/ui/Application.h"
#include "platform/ui/QtUiServices.h"
#include "platform/ui/SqlCancel.h"
#include "stats/StatsFormTables.h"
#include "stats/Ustatistics.h"

namespace {
// Module start-up, lowest modules first.
void InitializeModules()
{
    SetProgramCodePage(ReadCodePageSetting());
    InitializeOdbcModule();
    InstallSqlCancelWindow();
    InitializeStatisticsModule();
    InitDotDecimalHooks();
    RegisterStatsFormTables();
    RegisterAppFormTables();
    CommonDirectory.clear();
}

// The chart modules register fonts, so they start once the application object exists
// and stop in reverse order when the message loop has ended.
struct ChartModules {
    ChartModules()
    {
        InitializeChartGraphicsModules();
        InitializeChartEngineModules();
        InitializeChartSeriesModules();
        InitializeChartOutputModules();
        InitializeChartOutputWidgetModules();
    }
    ~ChartModules()
    {
        FinalizeChartOutputWidgetModules();
        FinalizeChartOutputModules();
        FinalizeChartSeriesModules();
        FinalizeChartEngineModules();
        FinalizeChartGraphicsModules();
    }
    ChartModules(const ChartModules&) = delete;
    ChartModules& operator=(const ChartModules&) = delete;
};
}  // namespace

int main(int argc, char** argv)
{
    IgnoreFileSizeSignal();
    try {
        InitializeModules();
    } catch (const Exception& error) {  // a broken statistics settings file stops the start
        std::fprintf(stderr, "Quellbrook: %s\n", error.Message().c_str());
        return 1;
    }
    TApplication application(argc, argv);
    application.SetTitle("Quellbrook");
    ChartModules chartModules;
    TQtUiServices uiServices;
    TScopedUiServices uiScope(uiServices);
    SetCaseChooser(&SelectCaseFixed);
    TFormMain mainForm;
    application.SetMainForm(&mainForm);
    mainForm.show();
    return TApplication::exec();  // ends when the main window closes
}
