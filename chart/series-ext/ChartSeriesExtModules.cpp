#include "chart/series-ext/ChartSeriesExtModules.h"

#include "chart/series-ext/DuvSurfa.h"
#include "chart/series-ext/DuvSurfaPalette.h"

void InitializeChartSeriesExtModules()
{
    DuvSurfaInitialization();
    DuvSurfaPaletteInitialization();
}

void FinalizeChartSeriesExtModules() { DuvSurfaFinalization(); }
