#include "chart/series/ChartSeriesModules.h"

#include "chart/series/ArrowCha.h"
#include "chart/series/BubbleCh.h"
#include "chart/series/CurvFitt.h"
#include "chart/series/DuvClusteringTool.h"
#include "chart/series/DuvDownSampling.h"
#include "chart/series/DuvSeriesStats.h"
#include "chart/series/DuvShape.h"
#include "chart/series/DuvSpline.h"
#include "chart/series/GanttCh.h"
#include "chart/series/OHLChart.h"
#include "chart/series/RuRazaziFunction.h"
#include "chart/series/RuRazaziSeries.h"
#include "chart/series/Series.h"
#include "chart/series/SeriesBar.h"
#include "chart/series/SeriesCircled.h"
#include "chart/series/SeriesPie.h"
#include "chart/series/StatChar.h"
#include "chart/series/StatCharHistogram.h"
#include "chart/series/StatCharIndicators.h"

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
    OHLChartInitialization();
    StatCharHistogramInitialization();
    StatCharIndicatorsInitialization();
    DuvSplineInitialization();
    CurvFittInitialization();
    StatCharInitialization();
    DuvDownSamplingInitialization();
    DuvClusteringToolInitialization();
    DuvSeriesStatsInitialization();
}

void FinalizeChartSeriesModules()
{
    DuvSeriesStatsFinalization();
    DuvClusteringToolFinalization();
    DuvDownSamplingFinalization();
    StatCharFinalization();
    CurvFittFinalization();
    DuvSplineFinalization();
    StatCharIndicatorsFinalization();
    StatCharHistogramFinalization();
    OHLChartFinalization();
}
