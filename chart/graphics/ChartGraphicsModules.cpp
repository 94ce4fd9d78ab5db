#include "chart/graphics/ChartGraphicsModules.h"

#include "chart/graphics/DuvCanvas.h"
#include "chart/graphics/DuvCanvas3D.h"
#include "chart/graphics/DuvConst.h"
#include "chart/graphics/DuvFilters.h"
#include "chart/graphics/DuvHtml.h"

void InitializeChartGraphicsModules()
{
    DuvHtmlInitialization();
    DuvConstInitialization();
    DuvCanvasInitialization();
    DuvCanvas3DInitialization();
    DuvFiltersInitialization();
}

void FinalizeChartGraphicsModules()
{
    DuvFiltersFinalization();
    DuvCanvas3DFinalization();
    DuvCanvasFinalization();
    DuvConstFinalization();
    DuvHtmlFinalization();
}
