#include "chart/series/DuvSeriesStats.h"

#include <cmath>
#include <memory>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/ChartRegistry.h"
#include "chart/series/RuRazaziFunction.h"
#include "chart/series/RuRazaziSeries.h"
#include "chart/series/StatChar.h"
#include "platform/core/ClassRegistry.h"
#include "platform/core/NumText.h"
#include "platform/core/StringList.h"

namespace {

// The series' output series fed by source, when it has a function.
bool IsFunctionSeriesOf(const TCustomChartSeries* candidate, const TChartSeries* source)
{
    const auto* series = dynamic_cast<const TChartSeries*>(candidate);
    if (!series || !series->Function() || !source) return false;
    for (int i = 0; i < series->DataSourceCount(); ++i)
        if (series->DataSource(i) == source) return true;
    return false;
}

std::string PositionText(const TChartValueList& values, double value)
{
    const double* v = values.Values();
    for (int i = 0; i < values.Count(); ++i)
        if (v[i] == value) return " at position " + std::to_string(i);
    return {};
}

// The result of a fresh function of that class over the whole series; none when the class is
// not registered or the series has no points to give a result.
bool WholeSeriesResult(const std::string& className, TChartSeries* series, double& result)
{
    const TClassInfo* info = GetClass(className);
    if (!info || !info->InheritsFrom(TDuvFunction::StaticClass()) || info->IsAbstract()) return false;
    std::unique_ptr<TPersistent> created(info->Create(nullptr));
    auto* function = dynamic_cast<TDuvFunction*>(created.get());
    if (!function) return false;
    result = series->PointCount() > 0 ? function->CalculateRange(series, -1, -1) : 0;
    return true;
}

// A correlation needs two points and spread in both X and Y.
bool CorrelationDefined(const TChartSeries& series)
{
    const TChartValueList* x = series.SecondaryList();
    const TChartValueList* y = series.MandatoryList();
    const int n = std::min(x->Count(), y->Count());
    if (n <= 1) return false;
    bool xSpread = false, ySpread = false;
    for (int i = 1; i < n && !(xSpread && ySpread); ++i) {
        xSpread = xSpread || x->GetValueAt(i) != x->GetValueAt(0);
        ySpread = ySpread || y->GetValueAt(i) != y->GetValueAt(0);
    }
    return xSpread && ySpread;
}

}  // namespace

void TSeriesStatsTool::FillStatistics(TStringList& lines) const
{
    auto* series = dynamic_cast<TChartSeries*>(Series());
    if (!series) return;
    TChartValueList& values = *series->MandatoryList();
    const int n = series->PointCount();
    const auto text = [&](double value) { return FormatFloat(series->ValueFormat(), value); };
    const double maximum = n > 0 ? values.GetMaximum() : 0;
    const double minimum = n > 0 ? values.GetMinimum() : 0;
    lines.Add("Number of values: " + std::to_string(n));
    lines.Add("Maximum value: " + text(maximum) + (n > 0 ? PositionText(values, maximum) : std::string()));
    lines.Add("Minimum value: " + text(minimum) + (n > 0 ? PositionText(values, minimum) : std::string()));
    lines.Add("");
    lines.Add("Range: " + text(maximum - minimum));
    lines.Add("");
    lines.Add("Average: " + text(n > 0 ? values.GetTotal() / n : 0));

    const struct {
        const char* label;
        const char* className;
    } functions[] = {
        {"Median:", "TMedianDuvFunction"},
        {"Mode:", "TModeDuvFunction"},
        {"Std. Deviation:", "TStdDeviationFunction"},
        {"Variance:", "TVarianceFunction"},
        {"Root Mean Square:", "TRMSFunction"},
        {"Correlation:", "TCorrelationFunction"},
    };
    for (const auto& f : functions) {
        double result = 0;
        const bool known = WholeSeriesResult(f.className, series, result);
        const bool undefined = std::string(f.label) == "Correlation:" && !CorrelationDefined(*series);
        lines.Add(std::string(f.label) + " " + (known && !undefined && std::isfinite(result) ? text(result) : std::string()));
    }
    // Skewness and kurtosis over the whole series.
    TSkewnessFunction skewness;
    TKurtosisFunction kurtosis;
    lines.Add("Skewness: " + text(n > 0 ? skewness.CalculateRange(series, -1, -1) : 0));
    lines.Add("Kurtosis: " + text(n > 0 ? kurtosis.CalculateRange(series, -1, -1) : 0));
}

TDuvFunction* TSeriesStatsTool::FindFunctionOfClass(const TClassInfo& functionClass) const
{
    TCustomAxisPanel* chart = ParentChart();
    const auto* source = dynamic_cast<const TChartSeries*>(Series());
    if (!chart || !source) return nullptr;
    const TChartSeriesList& list = chart->SeriesList();
    for (int i = 0; i < list.Count(); ++i) {
        const TCustomChartSeries* candidate = list.GetSeries(i);
        if (!IsFunctionSeriesOf(candidate, source)) continue;
        TDuvFunction* function = static_cast<const TChartSeries*>(candidate)->Function();
        if (function->ClassType().InheritsFrom(functionClass)) return function;
    }
    return nullptr;
}

void TSeriesStatsTool::FreeFunctionSeries()
{
    TCustomAxisPanel* chart = ParentChart();
    const auto* source = dynamic_cast<const TChartSeries*>(Series());
    if (!chart || !source) return;
    const TChartSeriesList& list = chart->SeriesList();
    for (int i = 0; i < list.Count();) {
        TCustomChartSeries* candidate = list.GetSeries(i);
        if (IsFunctionSeriesOf(candidate, source))
            FreeComponent(candidate);
        else
            ++i;
    }
}

void DuvSeriesStatsInitialization() { RegisterToolClasses({&TSeriesStatsTool::StaticClass()}); }

void DuvSeriesStatsFinalization() { UnregisterToolClasses({&TSeriesStatsTool::StaticClass()}); }
