#include "chart/series/ChartSeriesModules.h"

#include "chart/series/ArrowCha.h"
#include "chart/series/BubbleCh.h"
#include "chart/series/DuvClusteringTool.h"
#include "chart/series/DuvShape.h"
#include "chart/series/GanttCh.h"
#include "chart/series/RuRazaziFunction.h"
#include "chart/series/RuRazaziSeries.h"
#include "chart/series/Series.h"
#include "chart/series/SeriesBar.h"
#include "chart/series/SeriesCircled.h"
#include "chart/series/SeriesPie.h"

void InitializeChartSeriesModules()
{
    RuRazaziSeriesInitialization();
    RuRazaziFunctionInitialization();
    SeriesBarInitialization();
    SeriesCircledInitialization();
    SeriesPieInitialization();
    SeriesInitialization();
    BubbleChInitialization();
    ArrowChaInitialization();
    GanttChInitialization();
    DuvShapeInitialization();
    DuvClusteringToolInitialization();
}

void FinalizeChartSeriesModules() { DuvClusteringToolFinalization(); }
