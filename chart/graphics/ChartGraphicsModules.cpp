#include "chart/graphics/ChartGraphicsModules.h"

#include "chart/graphics/DuvCanvas.h"
#include "chart/graphics/DuvConst.h"

void InitializeChartGraphicsModules()
{
    DuvConstInitialization();
    DuvCanvasInitialization();
}

void FinalizeChartGraphicsModules()
{
    DuvCanvasFinalization();
    DuvConstFinalization();
}
