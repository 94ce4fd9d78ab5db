#include "chart/series/ChartSeriesModules.h"

#include "chart/series/ArrowCha.h"
#include "chart/series/BubbleCh.h"
#include "chart/series/CurvFitt.h"
#include "chart/series/DuvClusteringTool.h"
#include "chart/series/DuvCount.h"
#include "chart/series/DuvCumu.h"
#include "chart/series/DuvDownSampling.h"
#include "chart/series/DuvFunci.h"
#include "chart/series/DuvHistogram.h"
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
    DuvFunciInitialization();
    DuvSplineInitialization();
    CurvFittInitialization();
    StatCharInitialization();
    StatCharHistogramInitialization();
    StatCharIndicatorsInitialization();
    OHLChartInitialization();
    DuvHistogramInitialization();
    DuvDownSamplingInitialization();
    DuvCumuInitialization();
    DuvCountInitialization();
    DuvClusteringToolInitialization();
    DuvSeriesStatsInitialization();
}

void FinalizeChartSeriesModules()
{
    DuvSeriesStatsFinalization();
    DuvClusteringToolFinalization();
    DuvCountFinalization();
    DuvCumuFinalization();
    DuvDownSamplingFinalization();
    DuvHistogramFinalization();
    OHLChartFinalization();
    StatCharIndicatorsFinalization();
    StatCharHistogramFinalization();
    StatCharFinalization();
    CurvFittFinalization();
    DuvSplineFinalization();
    DuvFunciFinalization();
}
