#include "chart/output/ChartOutputModules.h"

#include "chart/output/DBChart.h"
#include "chart/output/DuvGDIPlus.h"

void InitializeChartOutputModules()
{
    DuvGDIPlusInitialization();
    DBChartInitialization();
}

void FinalizeChartOutputModules()
{
    DBChartFinalization();
    DuvGDIPlusFinalization();
}
