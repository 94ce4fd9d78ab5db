#include "chart/series/RuRazaziFunction.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/DuvProcs.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/engine/RuRazaziLists.h"
#include "chart/series/RuRazaziSeries.h"
#include "platform/core/NumText.h"
#include "platform/core/StringList.h"

TDuvFunction::TDuvFunction(TComponent* owner) : TComponent(owner) {}

TDuvFunction::~TDuvFunction()
{
    // The output series hears of it through its free notification and forgets the function.
    outputSeries_ = nullptr;
}

void TDuvFunction::DeclareProperties(TPropertyDeclarer<TDuvFunction>& p)
{
    using T = TDuvFunction;
    p.Boolean("CalcByValue", &T::CalcByValue, &T::SetCalcByValue);
    p.Boolean("IncludeNulls", &T::IncludeNulls, &T::SetIncludeNulls).Default(true);
    p.Float("Period", &T::Period, &T::SetPeriod);
    p.Enum("PeriodAlign", &T::PeriodAlign, &T::SetPeriodAlign).Default(paCenter);
    p.Enum("PeriodStyle", &T::PeriodStyle, &T::SetPeriodStyle).Default(psNumPoints);
}

void TDuvFunction::AttachToSeries(TChartSeries* series)
{
    if (series == outputSeries_) return;
    if (TChartSeries* previous = outputSeries_) {
        previous->RemoveFreeNotification(this);
        previous->function_ = nullptr;
        outputSeries_ = nullptr;
    }
    if (series) series->SetFunction(this);
}

// ---------------------------------------------------------------- settings

void TDuvFunction::SetIncludeNulls(bool value)
{
    if (value == includeNulls_) return;
    includeNulls_ = value;
    Recalculate();
}

void TDuvFunction::SetCalcByValue(bool value)
{
    if (value == calcByValue_) return;
    calcByValue_ = value;
    Recalculate();
}

void TDuvFunction::SetPeriod(double value)
{
    if (!(value >= 0)) throw ChartException("Function Period should be >= 0");
    if (value == period_) return;
    period_ = value;
    Recalculate();
}

void TDuvFunction::SetPeriodStyle(TFunctionPeriodStyle value)
{
    if (value == periodStyle_) return;
    periodStyle_ = value;
    Recalculate();
}

void TDuvFunction::SetPeriodAlign(TFunctionPeriodAlign value)
{
    if (value == periodAlign_) return;
    periodAlign_ = value;
    Recalculate();
}

void TDuvFunction::Assign(const TPersistent* source)
{
    const auto* other = dynamic_cast<const TDuvFunction*>(source);
    if (!other) return;
    calcByValue_ = other->calcByValue_;
    includeNulls_ = other->includeNulls_;
    period_ = other->period_;
    periodStyle_ = other->periodStyle_;
    periodAlign_ = other->periodAlign_;
}

void TDuvFunction::ResumeRecalculation()
{
    if (!RecalcSuspended) return;
    RecalcSuspended = false;
    Recalculate();
}

void TDuvFunction::Recalculate()
{
    if (!RecalcSuspended && outputSeries_) outputSeries_->RefreshFromSources();
}

int TDuvFunction::PeriodPoints() const
{
    // Halves go to the even neighbour; a period of no points would never move on.
    const double rounded = std::nearbyint(period_);
    if (!(rounded >= 1)) return 1;
    return rounded > 2147483647.0 ? 2147483647 : static_cast<int>(rounded);
}

std::vector<TChartSeries*> TDuvFunction::SourceSeriesList() const
{
    std::vector<TChartSeries*> result;
    if (!outputSeries_) return result;
    for (int i = 0; i < outputSeries_->DataSourceCount(); ++i)
        if (auto* series = dynamic_cast<TChartSeries*>(outputSeries_->DataSource(i))) result.push_back(series);
    return result;
}

// ---------------------------------------------------------------- output

TChartValueList* TDuvFunction::SourceValues(TChartSeries* source) const
{
    const std::string& name = outputSeries_ ? outputSeries_->MandatoryList()->ValueSource() : std::string();
    if (!name.empty()) {
        const TChartValueLists& lists = source->ValueLists();
        for (int i = 0; i < lists.Count(); ++i)
            if (SameText(lists[i]->Name(), name)) return lists[i];
    }
    return source->MandatoryList();
}

void TDuvFunction::AddOutputPoint(bool asGiven, double x, double y)
{
    if (asGiven)
        outputSeries_->AddPointXY(x, y, {}, clDefault);
    else
        outputSeries_->AddPointXY(y, x, {}, clDefault);
}

void TDuvFunction::AddOutputNull(bool asGiven, double x)
{
    if (asGiven)
        outputSeries_->AddNullPointXY(x, 0);
    else
        outputSeries_->AddNullPointXY(0, x);
}

void TDuvFunction::MoveOutputToRightAxis()
{
    if (!outputSeries_) return;
    outputSeries_->SetVertAxis(aRightAxis);
    if (TCustomAxisPanel* chart = outputSeries_->ParentChart()) {
        chart->LeftAxis()->SetEndPosition(70);
        chart->RightAxis()->SetStartPosition(70);
    }
}

// ---------------------------------------------------------------- one source

void TDuvFunction::StoreArrayValue(std::vector<double>& values, int index, double value)
{
    values[static_cast<std::size_t>(index)] = value;
}

double TDuvFunction::CalculateArray(std::vector<double>&) { return 0; }

double TDuvFunction::CalculateRange(TChartSeries* source, int first, int last)
{
    if (first == -1) {
        first = 0;
        last = source->PointCount() - 1;
    }
    const TChartValueList* list = SourceValues(source);
    last = std::min(last, list->Count() - 1);
    std::vector<double> values(static_cast<std::size_t>(std::max(0, last - first + 1)), 0.0);
    int count = 0;
    for (int i = first; i <= last; ++i) {
        if (!includeNulls_ && source->IsNullPoint(i)) continue;
        StoreArrayValue(values, count++, list->GetValueAt(i));
    }
    values.resize(static_cast<std::size_t>(count));
    return CalculateArray(values);
}

void TDuvFunction::AddRangeResult(TChartSeries* source, double x, int first, int last)
{
    AddOutputPoint(source->YMandatory(), x, CalculateRange(source, first, last));
}

void TDuvFunction::AddSingleResult(TChartSeries* source, TChartValueList* list)
{
    const double result = CalculateRange(source, -1, -1);
    const double minimum = list->GetMinimum();
    const double maximum = list->GetMaximum();
    if (!outputSeries_->SingleResultAsPoint) {
        AddOutputPoint(source->YMandatory(), minimum, result);
        AddOutputPoint(source->YMandatory(), maximum, result);
        return;
    }
    // The result goes into the output's own value list, whatever the source's orientation.
    const double middle = minimum + (maximum - minimum) * 0.5;
    AddOutputPoint(outputSeries_->YMandatory(), middle, result);
}

void TDuvFunction::AddPeriodResults(TChartSeries* source, TChartValueList* list)
{
    const int count = std::min(source->PointCount(), list->Count());
    const bool asGiven = source->YMandatory();
    const int points = PeriodPoints();
    TChartAxis* axis = outputSeries_->HorizAxisObject();
    const bool exact = axis && axis->ExactDateTime() && list->DateTime();
    const int step = MatchDateTimeStep(period_);
    double boundary = list->GetValueAt(0);
    int e = 0;
    while (e <= count - 1) {
        int l = e;
        double firstX = 0;
        double lastX = 0;
        bool holdsPoint = true;
        if (periodStyle_ == psNumPoints) {
            const long long end = static_cast<long long>(e) + points - 1;
            l = end < count ? static_cast<int>(end) : count;
            firstX = list->GetValueAt(e);
            lastX = l < count ? list->GetValueAt(l) : 0;
        } else {
            firstX = boundary;
            TDateTime next = boundary;
            const bool calendar = exact && step < DateTimeStepCount && DateTimeSteps[static_cast<std::size_t>(step)] >= 15;
            IncDecDateTime(calendar, true, next, step, period_);
            // A period too small to move the boundary would repeat the same range for ever.
            if (!(next > boundary)) break;
            boundary = next;
            lastX = boundary - 0.001 * period_;
            while (l + 1 < count && list->GetValueAt(l + 1) < boundary) ++l;
            holdsPoint = list->GetValueAt(e) < boundary;
        }
        if (l < count) {
            const double x = periodAlign_ == paFirst ? firstX : periodAlign_ == paLast ? lastX : (firstX + lastX) * 0.5;
            if (holdsPoint)
                AddRangeResult(source, x, e, l);
            else
                AddOutputPoint(asGiven, x, 0);
        }
        if (periodStyle_ == psNumPoints)
            e = l + 1;
        else if (holdsPoint)
            e = l + 1;
    }
}

void TDuvFunction::AddResults(TChartSeries* source, TChartValueList* list)
{
    if (period_ != 0)
        AddPeriodResults(source, list);
    else
        AddSingleResult(source, list);
}

// ---------------------------------------------------------------- several sources

double TDuvFunction::CalculateManyAtIndex(const std::vector<TChartSeries*>& sources, int valueIndex)
{
    std::vector<double> values(includeNulls_ ? sources.size() : 0, 0.0);
    int count = 0;
    for (TChartSeries* source : sources) {
        const TChartValueList* list = SourceValues(source);
        if (valueIndex >= list->Count()) continue;
        if (!includeNulls_ && source->IsNullPoint(valueIndex)) continue;
        if (!includeNulls_) values.push_back(0);
        StoreArrayValue(values, count++, list->GetValueAt(valueIndex));
    }
    return CalculateArray(values);
}

namespace {

int FirstIndexOfX(const TChartSeries* source, double x)
{
    const TChartValueList* list = source->SecondaryList();
    const double* values = list->Values();
    for (int i = 0; i < list->Count(); ++i)
        if (values[i] == x) return i;
    return -1;
}

}  // namespace

double TDuvFunction::CalculateManyAtX(const std::vector<TChartSeries*>& sources, double x)
{
    std::vector<double> values(includeNulls_ ? sources.size() : 0, 0.0);
    int count = 0;
    for (TChartSeries* source : sources) {
        const int index = FirstIndexOfX(source, x);
        if (index < 0) continue;
        if (!includeNulls_ && source->IsNullPoint(index)) continue;
        const TChartValueList* list = SourceValues(source);
        if (index >= list->Count()) continue;
        if (!includeNulls_) values.push_back(0);
        StoreArrayValue(values, count++, list->GetValueAt(index));
    }
    return CalculateArray(values);
}

void TDuvFunction::CalculateManyByIndex(TChartSeries* source, const std::vector<TChartSeries*>& sources)
{
    TChartSeries* reference = source;
    for (TChartSeries* candidate : sources)
        if (candidate->PointCount() > reference->PointCount()) reference = candidate;
    std::string label;
    for (int i = 0; i < reference->PointCount(); ++i) {
        double x = reference->SecondaryList()->GetValueAt(i);
        double y = CalculateManyAtIndex(sources, i);
        if (!reference->YMandatory()) std::swap(x, y);
        reference->GetStoredLabel(i, label);
        outputSeries_->AddPointXY(x, y, label, clDefault);
    }
}

void TDuvFunction::CalculateManyByX(const std::vector<TChartSeries*>& sources)
{
    int longest = 0;
    for (TChartSeries* source : sources) longest = std::max(longest, source->PointCount());
    std::unordered_map<double, bool> added;
    const TChartValueList* outputX = outputSeries_->SecondaryList();
    for (int i = 0; i < outputX->Count(); ++i) added[outputX->GetValueAt(i)] = true;

    struct TCandidate {
        double x;
        std::string text;
    };
    std::vector<TCandidate> candidates;
    std::vector<std::pair<std::string, TChartSeries*>> labelled;
    std::string label;
    for (int t = 0; t < longest; ++t) {
        candidates.clear();
        labelled.clear();
        for (TChartSeries* source : sources) {
            if (source->PointCount() <= t) continue;
            const double x = source->SecondaryList()->GetValueAt(t);
            candidates.push_back({x, FloatToStr(x)});
            source->GetStoredLabel(t, label);
            if (!label.empty()) labelled.emplace_back(candidates.back().text, source);
        }
        for (const TCandidate& candidate : candidates) {
            if (added.count(candidate.x)) continue;
            const double y = CalculateManyAtX(sources, candidate.x);
            label.clear();
            for (const auto& [text, owner] : labelled)
                if (text == candidate.text) {
                    owner->GetStoredLabel(t, label);
                    break;
                }
            bool everywhere = true;
            for (TChartSeries* source : sources)
                if (FirstIndexOfX(source, candidate.x) < 0) {
                    everywhere = false;
                    break;
                }
            if (everywhere) {
                outputSeries_->AddPointXY(candidate.x, y, label, clDefault);
                added[candidate.x] = true;
            } else if (includeNulls_) {
                outputSeries_->AddNullPointXY(candidate.x, y, label);
                added[candidate.x] = true;
            }
        }
    }
}

void TDuvFunction::CalculateFromSources(TChartSeries* source)
{
    if (RecalcSuspended || !source || !outputSeries_) return;
    if (outputSeries_->DataSourceCount() > 1) {
        const std::vector<TChartSeries*> sources = SourceSeriesList();
        if (calcByValue_)
            CalculateManyByX(sources);
        else
            CalculateManyByIndex(source, sources);
        return;
    }
    if (source->PointCount() > 0) AddResults(source, source->SecondaryList());
}

// ---------------------------------------------------------------- gallery and streaming

void TDuvFunction::SetUpInGallery(TCustomAxisPanel* chart)
{
    const TChartSeriesList& list = chart->SeriesList();
    if (list.Count() == 0) return;
    auto* last = dynamic_cast<TChartSeries*>(list.GetLastSeries());
    if (!last) return;
    last->SetFunction(this);
    if (list.Count() >= 2) last->SetDataSource(list.GetSeries(list.Count() - 2));
}

TComponent* TDuvFunction::GetParentComponent() const { return outputSeries_; }

void TDuvFunction::SetParentComponent(TComponent* parent)
{
    if (auto* series = dynamic_cast<TChartSeries*>(parent)) AttachToSeries(series);
}

// ---------------------------------------------------------------- moving windows

TDuvMovingFunction::TDuvMovingFunction(TComponent* owner) : TDuvFunction(owner)
{
    StorePeriod(1);
    SingleSourceOnly = true;
    SetPeriodAlign(paLast);
}

void TDuvMovingFunction::DeclareProperties(TPropertyDeclarer<TDuvMovingFunction>& p)
{
    using T = TDuvFunction;
    p.Float("Period", &T::Period, &T::SetPeriod);
    p.Enum("PeriodAlign", &T::PeriodAlign, &T::SetPeriodAlign).Default(paLast);
}

void TDuvMovingFunction::AddResults(TChartSeries* source, TChartValueList* list)
{
    const int count = std::min(source->PointCount(), list->Count());
    const int points = PeriodPoints();
    if (count < points) return;
    for (int i = points - 1; i < count; ++i) {
        const int first = i - points + 1;
        const double x = PeriodAlign() == paFirst  ? list->GetValueAt(first)
                         : PeriodAlign() == paLast ? list->GetValueAt(i)
                                                   : (list->GetValueAt(first) + list->GetValueAt(i)) * 0.5;
        AddOutputPoint(source->YMandatory(), x, CalculateRange(source, first, i));
    }
}

void RuRazaziFunctionInitialization()
{
    RegisterClassForStreaming(TDuvFunction::StaticClass());
    RegisterClassForStreaming(TDuvMovingFunction::StaticClass());
}
