// The chart editor asks every part of a chart for its settings form's class through one base;
// each part that names a form of its own answers it there, also where the part's own class is
// out of sight (a tool known only as a chart element, a canvas known only as a canvas).
#include <gtest/gtest.h>

#include "chart/engine/Chart.h"
#include "chart/engine/ChartLegend.h"
#include "chart/engine/DuvShape.h"
#include "chart/graphics/DuvCanvas3D.h"
#include "chart/output/DuvExcelSource.h"
#include "chart/output/DuvGDIPlus.h"
#include "chart/series/DuvClusteringTool.h"
#include "chart/series/DuvFunci.h"
#include "chart/series/SeriesBar.h"

TEST(EditorClassNames, EveryChartPartAnswersThroughTheOneBase)
{
    TChart chart;
    TBarSeries bars(nullptr);
    TChartSeries plainSeries(nullptr);
    TAverageDuvFunction average(nullptr);
    THighDuvFunction high(nullptr);
    TClusteringTool clustering(nullptr);
    TDuvCustomToolAxis axisTool(nullptr);
    TDuvSeriesSource plainSource(nullptr);
    TDuvExcelSource spreadsheet(nullptr);
    TDuvShape shape;
    TDuvCanvas3D canvas;
    TGDIPlusCanvas smooth;

    struct Case {
        const char* part;
        const IChartEditable* element;
        const char* editor;
    };
    const Case cases[] = {
        {"bar series", &bars, "TBarSeriesEditor"},
        {"series of no kind", &plainSeries, ""},
        {"average function", &average, "TAverageFuncEditor"},
        {"function without own page", &high, "TDuvFunctionEditor"},
        {"clustering tool", &clustering, "TClusteringToolEditor"},
        {"axis tool", &axisTool, "TAxisToolEditor"},
        {"series source", &plainSource, ""},
        {"spreadsheet source", &spreadsheet, "TExcelSourceEditor"},
        {"shape", &shape, "TFormDuvShape"},
        {"legend", chart.Legend(), "TTextShapeEditor"},
        {"canvas", &canvas, ""},
        {"smooth canvas", &smooth, "TGDIPlusEditor"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.element->GetEditorClassName(), c.editor) << c.part;

    // The chart keeps its tools as chart elements: the clustering tool's own answer still counts.
    const TCustomChartElement& element = clustering;
    EXPECT_EQ(element.GetEditorClassName(), "TClusteringToolEditor");
}
