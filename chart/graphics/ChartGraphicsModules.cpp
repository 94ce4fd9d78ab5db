#include "chart/graphics/ChartGraphicsModules.h"

#include "chart/graphics/DuvCanvas.h"
#include "chart/graphics/DuvCanvas3D.h"
#include "chart/graphics/DuvConst.h"

void InitializeChartGraphicsModules()
{
    DuvConstInitialization();
    DuvCanvasInitialization();
    DuvCanvas3DInitialization();
}

void FinalizeChartGraphicsModules()
{
    DuvCanvas3DFinalization();
    DuvCanvasFinalization();
    DuvConstFinalization();
}
