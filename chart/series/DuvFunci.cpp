#include "chart/series/DuvFunci.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <numbers>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/Chart.h"
#include "chart/engine/ChartLegend.h"
#include "chart/engine/ChartRegistry.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/graphics/DuvConst.h"
#include "chart/series/ChartSeriesCopy.h"
#include "chart/series/RuRazaziSeries.h"
#include "chart/engine/DuvProcs.h"
#include "platform/core/ScopeGuard.h"

namespace {

constexpr double NoValue = std::numeric_limits<double>::quiet_NaN();

double Sum(const std::vector<double>& values)
{
    double sum = 0;
    for (double v : values) sum += v;
    return sum;
}

// The value list of the source that the output's ValueSource names exactly, else its mandatory list.
TChartValueList* ExactlyNamedList(const TChartSeries* output, TChartSeries* source)
{
    const std::string& name = output->MandatoryList()->ValueSource();
    if (!name.empty()) {
        const TChartValueLists& lists = source->ValueLists();
        for (int i = 0; i < lists.Count(); ++i)
            if (lists[i]->Name() == name) return lists[i];
    }
    return source->MandatoryList();
}

// Adds (x, y) to the output, lying on its side when the output does.
void AddOutputOriented(TChartSeries* output, double x, double y)
{
    if (output->YMandatory())
        output->AddPointXY(x, y, {}, clDefault);
    else
        output->AddPointXY(y, x, {}, clDefault);
}

}  // namespace

// ---------------------------------------------------------------- arithmetic

double TAddDuvFunction::CalculateArray(std::vector<double>& values) { return Sum(values); }

void TAddDuvFunction::SetUpInGallery(TCustomAxisPanel* chart)
{
    TDuvFunction::SetUpInGallery(chart);
    MoveOutputToRightAxis();
}

void TManySeriesDuvFunction::SetUpInGallery(TCustomAxisPanel* chart)
{
    TDuvFunction::SetUpInGallery(chart);
    MoveOutputToRightAxis();
}

double TSubtractDuvFunction::CalculateArray(std::vector<double>& values)
{
    if (values.empty()) return 0;
    double result = values[0];
    for (std::size_t i = 1; i < values.size(); ++i) result -= values[i];
    return result;
}

double TMultiplyDuvFunction::CalculateArray(std::vector<double>& values)
{
    if (values.empty()) return 0;
    double result = 1;
    for (double v : values) result *= v;
    return result;
}

void TMultiplyDuvFunction::SetUpInGallery(TCustomAxisPanel* chart)
{
    TManySeriesDuvFunction::SetUpInGallery(chart);
    chart->RightAxis()->SetAxisValuesFormat("1E+1");
}

double TDivideDuvFunction::CalculateArray(std::vector<double>& values)
{
    if (values.empty()) return 0;
    double result = values[0];
    for (std::size_t i = 1; i < values.size(); ++i) {
        if (values[i] == 0) return NoValue;
        result /= values[i];
    }
    return result;
}

// ---------------------------------------------------------------- extremes and average

namespace {

// The first value that no later one beats; 0 for none.
template <class Beats>
double Extreme(const std::vector<double>& values, Beats beats)
{
    if (values.empty()) return 0;
    double result = values[0];
    for (double v : values)
        if (beats(v, result)) result = v;
    return result;
}

}  // namespace

double THighDuvFunction::CalculateArray(std::vector<double>& values) { return Extreme(values, std::greater<>()); }

// The whole source with its null points: the list's own maximum, kept up to date by the list.
double THighDuvFunction::CalculateRange(TChartSeries* source, int first, int last)
{
    TChartValueList* list = SourceValues(source);
    if (first == -1 && IncludeNulls()) return list->Count() > 0 ? list->GetMaximum() : 0;
    return TDuvFunction::CalculateRange(source, first, last);
}

double TLowDuvFunction::CalculateArray(std::vector<double>& values) { return Extreme(values, std::less<>()); }

double TLowDuvFunction::CalculateRange(TChartSeries* source, int first, int last)
{
    TChartValueList* list = SourceValues(source);
    if (first == -1 && IncludeNulls()) return list->Count() > 0 ? list->GetMinimum() : 0;
    return TDuvFunction::CalculateRange(source, first, last);
}

double TAverageDuvFunction::CalculateArray(std::vector<double>& values)
{
    return values.empty() ? 0 : Sum(values) / static_cast<double>(values.size());
}

double TAverageDuvFunction::CalculateRange(TChartSeries* source, int first, int last)
{
    if (first == -1 && IncludeNulls()) {
        const int count = source->PointCount();
        return count > 0 ? SourceValues(source)->GetTotal() / count : 0;
    }
    return TDuvFunction::CalculateRange(source, first, last);
}

// ---------------------------------------------------------------- y = f(x)

TCustomDuvFunction::TCustomDuvFunction(TComponent* owner) : TDuvFunction(owner)
{
    NeedsNoSource = true;
    SetPeriod(1);
}

void TCustomDuvFunction::DeclareProperties(TPropertyDeclarer<TCustomDuvFunction>& p)
{
    using T = TCustomDuvFunction;
    p.Integer("NumPoints", &T::NumPoints).Default(100);
    p.Float("StartX", &T::StartX);
    p.Event("OnCalculate", &T::OnCalculate);
}

void TCustomDuvFunction::CalculateFromSources(TChartSeries*)
{
    TChartSeries* output = OutputSeries();
    if (RecalcSuspended || !output || !OnCalculate.Assigned()) return;
    output->ClearPoints();
    TScopeGuard done([this] { index_ = -1; });
    x_ = StartX;
    double y = 0;
    for (int i = 0; i < NumPoints; ++i) {
        index_ = i;
        OnCalculate(this, x_, y);
        AddOutputOriented(output, x_, y);
        x_ += Period();
    }
}

void TCustomDuvFunction::GalleryCalculate(TCustomDuvFunction*, double x, double& y)
{
    const double radians = x * std::numbers::pi / 180.0;
    const double sum = std::sin(radians) + std::cos(radians);
    y = sum * sum;
}

void TCustomDuvFunction::SetUpInGallery(TCustomAxisPanel* chart)
{
    TDuvFunction::SetUpInGallery(chart);
    if (auto* full = dynamic_cast<TCustomChart*>(chart)) {
        full->Legend()->SetVisible(false);
        full->Title()->AssignText("y = Sqr(Sin(x) + Cos(x))");
    }
    NumPoints = 360;
    OnCalculate = TCalculateEvent(this, &TCustomDuvFunction::GalleryCalculate);
    if (TChartSeries* output = OutputSeries()) {
        if (TChartAxis* vertical = output->VertAxisObject()) {
            vertical->GetTitle()->SetCaption("Y");
            vertical->GetTitle()->SetAngle(0);
        }
        if (TChartAxis* horizontal = output->HorizAxisObject()) horizontal->GetTitle()->SetCaption("X");
    }
    if (chart->CountSeries() > 0) chart->GetSeries(0)->SetActive(false);
    Recalculate();
}

// ---------------------------------------------------------------- sorted reductions

bool TCustomSortedFunction::SortValues(std::vector<double>& values)
{
    for (double v : values)
        if (std::isnan(v)) return false;
    std::stable_sort(values.begin(), values.end());
    return true;
}

double TMedianDuvFunction::CalculateArray(std::vector<double>& values)
{
    const std::size_t n = values.size();
    if (n == 0) return NoValue;
    if (n == 1) return values[0];
    for (double v : values)
        if (std::isnan(v)) return NoValue;
    // Only the middle of the order matters.
    const auto upper = values.begin() + static_cast<std::ptrdiff_t>(n / 2);
    std::nth_element(values.begin(), upper, values.end());
    if (n % 2 == 1) return *upper;
    const double lower = *std::max_element(values.begin(), upper);
    return (lower + *upper) * 0.5;
}

double TModeDuvFunction::CalculateArray(std::vector<double>& values)
{
    if (values.empty()) return 0;
    if (!SortValues(values)) return NoValue;
    double best = values[0];
    std::size_t bestRun = 0;
    for (std::size_t i = 0; i < values.size();) {
        std::size_t j = i + 1;
        while (j < values.size() && values[j] == values[i]) ++j;
        if (j - i > bestRun) {
            bestRun = j - i;
            best = values[i];
        }
        i = j;
    }
    return best;
}

// ---------------------------------------------------------------- subset

TSubsetDuvFunction::TSubsetDuvFunction(TComponent* owner) : TDuvFunction(owner) { PeriodEditable = false; }

void TSubsetDuvFunction::DeclareProperties(TPropertyDeclarer<TSubsetDuvFunction>& p)
{
    using T = TSubsetDuvFunction;
    p.Float("EndValue", &T::EndValue, &T::SetEndValue);
    p.Float("StartValue", &T::StartValue, &T::SetStartValue);
}

void TSubsetDuvFunction::SetStartValue(double value)
{
    if (value == startValue_) return;
    startValue_ = value;
    Recalculate();
}

void TSubsetDuvFunction::SetEndValue(double value)
{
    if (value == endValue_) return;
    endValue_ = value;
    Recalculate();
}

void TSubsetDuvFunction::CalculateFromSources(TChartSeries* source)
{
    TChartSeries* output = OutputSeries();
    if (RecalcSuspended || !source || !output) return;
    output->ClearPoints();
    const TChartValueList* values = ExactlyNamedList(output, source);
    const double* xs = source->SecondaryList()->Values();
    const int count = std::min(source->PointCount(), values->Count());
    for (int i = 0; i < count; ++i)
        if (startValue_ <= xs[i] && xs[i] <= endValue_) AddOutputOriented(output, xs[i], values->GetValueAt(i));
}

void TSubsetDuvFunction::SetUpInGallery(TCustomAxisPanel* chart)
{
    TDuvFunction::SetUpInGallery(chart);
    TChartSeries* output = OutputSeries();
    if (!output) return;
    if (const TClassInfo* line = GetGalleryTypeList().SeriesClassByName("TLineSeries")) ConvertSeriesClass(output, *line);
    auto* source = dynamic_cast<TChartSeries*>(output->DataSource());
    if (!source) return;
    SuspendRecalculation();
    SetStartValue(std::nearbyint(source->PointCount() * 0.25));
    SetEndValue(std::nearbyint(source->PointCount() * 0.75));
    ResumeRecalculation();
}

// ---------------------------------------------------------------- Pareto

TParetoDuvFunction::TParetoDuvFunction(TComponent* owner) : TDuvFunction(owner) { StorePeriod(1); }

void TParetoDuvFunction::DeclareProperties(TPropertyDeclarer<TParetoDuvFunction>& p)
{
    using T = TDuvFunction;
    p.Float("Period", &T::Period, &T::SetPeriod);
}

void TParetoDuvFunction::CalculateFromSources(TChartSeries* source)
{
    // The running sum lives for one recalculation: the values may change before the next.
    runningList_ = nullptr;
    TScopeGuard forget([this] { runningList_ = nullptr; });
    calculating_ = true;
    TScopeGuard done([this] { calculating_ = false; });
    TDuvFunction::CalculateFromSources(source);
}

double TParetoDuvFunction::CalculateRange(TChartSeries* source, int first, int)
{
    const TChartValueList* list = SourceValues(source);
    const double* values = list->Values();
    const int through = std::min(first, list->Count() - 1);
    if (!calculating_ || list != runningList_ || through < through_) {
        runningList_ = calculating_ ? list : nullptr;
        through_ = -1;
        runningSum_ = 0;
        total_ = 0;
        for (int i = 0; i < list->Count(); ++i) total_ += std::fabs(values[i]);
    }
    for (int i = through_ + 1; i <= through; ++i) runningSum_ += std::fabs(values[i]);
    through_ = std::max(through_, through);
    return total_ == 0 ? 0 : 100.0 * runningSum_ / total_;
}

void TParetoDuvFunction::SetUpInGallery(TCustomAxisPanel* chart)
{
    TDuvFunction::SetUpInGallery(chart);
    if (chart->CountSeries() > 0) {
        auto* source = dynamic_cast<TChartSeries*>(chart->GetSeries(0));
        if (source) {
            if (const TClassInfo* bar = GetGalleryTypeList().SeriesClassByName("TBarSeries"))
                ConvertSeriesClass(source, *bar);
            source->XValues()->SetOrder(loNone);
            source->YValues()->SetOrder(loDescending);
            source->SortByOrder();
        }
    }
    MoveOutputToRightAxis();
    chart->RightAxis()->SetAxisValuesFormat("0%");
}

// ---------------------------------------------------------------- registration

namespace {

const std::vector<const TClassInfo*>& FunciClasses()
{
    static const std::vector<const TClassInfo*> classes{
        &TAddDuvFunction::StaticClass(),     &TSubtractDuvFunction::StaticClass(), &TMultiplyDuvFunction::StaticClass(),
        &TDivideDuvFunction::StaticClass(),  &THighDuvFunction::StaticClass(),     &TLowDuvFunction::StaticClass(),
        &TAverageDuvFunction::StaticClass(), &TCustomDuvFunction::StaticClass(),   &TMedianDuvFunction::StaticClass(),
        &TModeDuvFunction::StaticClass(),    &TSubsetDuvFunction::StaticClass(),   &TParetoDuvFunction::StaticClass(),
    };
    return classes;
}

}  // namespace

void DuvFunciInitialization()
{
    const std::string* captions[] = {
        &DuvMsgFunctionAdd,     &DuvMsgFunctionSubtract, &DuvMsgFunctionMultiply, &DuvMsgFunctionDivide,
        &DuvMsgFunctionHigh,    &DuvMsgFunctionLow,      &DuvMsgFunctionAverage,  &DuvMsgFunctionYFromX,
        &DuvMsgFunctionMedian,  &DuvMsgFunctionMode,     &DuvMsgFunctionSubset,   &DuvMsgFunctionPareto,
    };
    RegisterClassForStreaming(TManySeriesDuvFunction::StaticClass());
    RegisterClassForStreaming(TCustomSortedFunction::StaticClass());
    for (std::size_t i = 0; i < FunciClasses().size(); ++i) {
        RegisterClassForStreaming(*FunciClasses()[i]);
        RegisterDefaultPageFunction(FunciClasses()[i], captions[i]);
    }
}

void DuvFunciFinalization() { UnregisterFunctionClasses(FunciClasses()); }
