#include "support_FunctionTest.h"

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include "chart/series/Series.h"
#include "chart/series/SeriesBar.h"
#include "platform/core/NumText.h"
#include "support/TestSupport.h"

namespace functiontest {

Texts Shown(const TChartSeries& series)
{
    Texts shown;
    for (int i = 0; i < series.PointCount(); ++i)
        shown.push_back(FloatToStr(series.GetXValue(i)) + ":" +
                        (series.IsNullPoint(i) ? std::string("null") : FloatToStr(series.GetYValue(i))));
    return shown;
}

std::vector<double> MandatoryValues(const TChartSeries& series)
{
    std::vector<double> values;
    const TChartValueList* list = series.MandatoryList();
    for (int i = 0; i < list->Count(); ++i) values.push_back(list->GetValueAt(i));
    return values;
}

TFunctionChart::TFunctionChart() { seriestest::StartSeriesModules(); }

TChartSeries* TFunctionChart::Source(const std::vector<double>& values, const std::vector<double>& xs)
{
    auto* source = new TLineSeries(&Chart);
    source->SetParentChart(&Chart);
    for (std::size_t i = 0; i < values.size(); ++i)
        source->AddPointXY(xs.empty() ? static_cast<double>(i) : xs[i], values[i]);
    return source;
}

TChartSeries* TFunctionChart::Output(TDuvFunction* function, const std::vector<TChartSeries*>& sources,
                                     const TClassInfo& outputClass)
{
    auto* output = dynamic_cast<TChartSeries*>(outputClass.Create(&Chart));
    output->SetParentChart(&Chart);
    for (TChartSeries* source : sources) output->AddDataSource(source);
    output->SetFunction(function);
    return output;
}

TChartSeries* TFunctionChart::Line(TDuvFunction* function, const std::vector<TChartSeries*>& sources)
{
    return Output(function, sources, TLineSeries::StaticClass());
}

TChartSeries* TFunctionChart::Bar(TDuvFunction* function, const std::vector<TChartSeries*>& sources)
{
    return Output(function, sources, TBarSeries::StaticClass());
}

std::vector<double> RandomValues(int n, unsigned seed, double low, double high)
{
    std::mt19937 generator(seed);
    std::uniform_real_distribution<double> value(low, high);
    std::vector<double> values;
    for (int i = 0; i < n; ++i) values.push_back(value(generator));
    return values;
}

std::vector<double> RandomWholeValues(int n, unsigned seed, int top)
{
    std::mt19937 generator(seed);
    std::uniform_int_distribution<int> value(0, top);
    std::vector<double> values;
    for (int i = 0; i < n; ++i) values.push_back(value(generator));
    return values;
}

std::vector<std::vector<double>> Judge(const std::string& mode, const std::vector<std::vector<double>>& sources,
                                       const std::vector<std::string>& arguments)
{
    qbtest::TempDir dir;
    const std::string path = dir.file("values.txt");
    {
        std::ofstream out(path);
        char text[32];
        for (const std::vector<double>& values : sources) {
            for (double v : values) {
                std::snprintf(text, sizeof text, "%.17g ", v);
                out << text;
            }
            out << '\n';
        }
    }
    std::vector<std::string> command{"/usr/bin/python3", qbtest::DataPath("chart/series/function_judge.py"), mode, path};
    command.insert(command.end(), arguments.begin(), arguments.end());
    std::istringstream output(enginetest::Run(command));
    std::vector<std::vector<double>> lines;
    for (std::string line; std::getline(output, line);) {
        std::istringstream in(line);
        std::vector<double> numbers;
        for (std::string word; in >> word;) numbers.push_back(std::strtod(word.c_str(), nullptr));
        lines.push_back(numbers);
    }
    return lines;
}

}  // namespace functiontest
