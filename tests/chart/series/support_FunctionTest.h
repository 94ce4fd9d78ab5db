#pragma once
// What the tests of the calculation functions share: a chart with source series and an output
// series fed by a function, the output as short texts, and NumPy/SciPy as judge.
#include <string>
#include <vector>

#include "chart/series/RuRazaziFunction.h"
#include "support_SeriesTest.h"

namespace functiontest {

using Texts = std::vector<std::string>;

// "x:y" of each point with numbers as general text; "x:null" for a null point.
Texts Shown(const TChartSeries& series);
// The Y values (X for a horizontal series) of the output.
std::vector<double> MandatoryValues(const TChartSeries& series);

// A chart whose series the fixture makes; every series belongs to the chart.
class TFunctionChart {
public:
    TFunctionChart();
    seriestest::TTestChart Chart;

    // A line series with the values at X 0, 1, 2, ... (or at the given X).
    TChartSeries* Source(const std::vector<double>& values, const std::vector<double>& xs = {});
    // An output series of the class fed by the sources through the function.
    TChartSeries* Output(TDuvFunction* function, const std::vector<TChartSeries*>& sources,
                         const TClassInfo& outputClass);
    TChartSeries* Line(TDuvFunction* function, const std::vector<TChartSeries*>& sources);
    TChartSeries* Bar(TDuvFunction* function, const std::vector<TChartSeries*>& sources);
};

// n values from a fixed generator, uniform in [low, high).
std::vector<double> RandomValues(int n, unsigned seed, double low, double high);
// n whole values 0 .. top from a fixed generator (many ties).
std::vector<double> RandomWholeValues(int n, unsigned seed, int top);

// Runs function_judge.py in a mode over the sources; its answer lines as numbers.
std::vector<std::vector<double>> Judge(const std::string& mode, const std::vector<std::vector<double>>& sources,
                                       const std::vector<std::string>& arguments = {});

}  // namespace functiontest
