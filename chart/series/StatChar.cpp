#include "chart/series/StatChar.h"

#include <algorithm>
#include <cmath>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/ChartRegistry.h"
#include "chart/engine/DuvProcs.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/graphics/Canvas3D.h"
#include "chart/graphics/DuvConst.h"
#include "chart/series/ChartSeriesCopy.h"
#include "chart/series/RuRazaziSeries.h"
#include "chart/series/Series.h"
#include "platform/core/NumText.h"
#include "platform/core/Random.h"

namespace {

// Neumaier's compensated sum: adding and taking away values of 10^8 and more keeps the digits
// a plain running sum loses, so a window's sum stays the one computed afresh.
struct TRunningSum {
    double Sum = 0, Carry = 0;
    void Add(double value)
    {
        const double t = Sum + value;
        if (std::fabs(Sum) >= std::fabs(value))
            Carry += (Sum - t) + value;
        else
            Carry += (value - t) + Sum;
        Sum = t;
    }
    double Value() const { return Sum + Carry; }
};

double AlignedX(TFunctionPeriodAlign align, const double* xs, int first, int last)
{
    if (align == paFirst) return xs[first];
    if (align == paLast) return xs[last];
    return (xs[first] + xs[last]) * 0.5;
}

// Points both the value list and the position list hold.
int CommonCount(const TChartSeries* source, const TChartValueList* values)
{
    return std::min({source->PointCount(), values->Count(), source->SecondaryList()->Count()});
}

void ClearOutput(TDuvFunction& function)
{
    if (TChartSeries* output = function.OutputSeries(); output && output->PointCount() > 0) output->ClearPoints();
}

}  // namespace

void AddOutputPoints(TDuvFunction& function, bool asGiven, const double* xs, const double* ys, int count)
{
    TChartSeries* output = function.OutputSeries();
    if (!output || count <= 0) return;
    if (!output->OnBeforeAdd && !output->OnAfterAdd) {
        if (asGiven)
            output->AddXYArrays(xs, ys, count);
        else
            output->AddXYArrays(ys, xs, count);
        return;
    }
    for (int i = 0; i < count; ++i) function.AddOutputPoint(asGiven, xs[i], ys[i]);
}

double SumOfSquaredDeviations(const double* values, int count, double& mean)
{
    mean = 0;
    if (count <= 0) return 0;
    TRunningSum sum;
    for (int i = 0; i < count; ++i) sum.Add(values[i]);
    mean = sum.Value() / count;
    TRunningSum squares;
    TRunningSum residue;
    for (int i = 0; i < count; ++i) {
        const double d = values[i] - mean;
        squares.Add(d * d);
        residue.Add(d);
    }
    // The residue corrects for a mean that is itself rounded.
    return squares.Value() - residue.Value() * residue.Value() / count;
}

// ---------------------------------------------------------------- moving average

void TMovingAverageFunction::DeclareProperties(TPropertyDeclarer<TMovingAverageFunction>& p)
{
    using T = TMovingAverageFunction;
    p.Boolean("Weighted", &T::Weighted, &T::SetWeighted);
    p.Boolean("WeightedIndex", &T::WeightedIndex, &T::SetWeightedIndex);
}

void TMovingAverageFunction::SetWeighted(bool value)
{
    if (value == weighted_) return;
    weighted_ = value;
    Recalculate();
}

void TMovingAverageFunction::SetWeightedIndex(bool value)
{
    if (value == weightedIndex_) return;
    weightedIndex_ = value;
    Recalculate();
}

double TMovingAverageFunction::CalculateRange(TChartSeries* source, int first, int last)
{
    const TChartValueList* list = SourceValues(source);
    if (first == -1) {
        first = 0;
        last = source->PointCount() - 1;
    }
    last = std::min(last, CommonCount(source, list) - 1);
    const double* v = list->Values();
    const int n = last - first + 1;
    if (weighted_) {
        const double* xs = source->XValues()->Values();
        TRunningSum sum, weights;
        for (int k = first; k <= last; ++k) {
            sum.Add(v[k] * xs[k]);
            weights.Add(xs[k]);
        }
        return weights.Value() == 0 ? 0 : sum.Value() / weights.Value();
    }
    if (weightedIndex_) {
        TRunningSum sum;
        double weights = 0;
        for (int k = first; k <= last; ++k) {
            const double w = k - first + 1;
            sum.Add(v[k] * w);
            weights += w;
        }
        return weights == 0 ? 0 : sum.Value() / weights;
    }
    TRunningSum sum;
    for (int k = first; k <= last; ++k) sum.Add(v[k]);
    return n > 0 ? sum.Value() / n : sum.Value();
}

void TMovingAverageFunction::AddResults(TChartSeries* source, TChartValueList* list)
{
    const TChartValueList* values = SourceValues(source);
    const int count = std::min(CommonCount(source, values), list->Count());
    const int p = PeriodPoints();
    if (count < p) return;
    const double* v = values->Values();
    const double* at = list->Values();
    const double* xs = source->XValues()->Values();
    const int results = count - p + 1;
    // Left uninitialised: every entry is written below.
    const std::unique_ptr<double[]> outX(new double[static_cast<std::size_t>(results)]);
    const std::unique_ptr<double[]> outY(new double[static_cast<std::size_t>(results)]);
    const TFunctionPeriodAlign align = PeriodAlign();
    // Each window takes the newest value in and the oldest out of compensated sums.
    TRunningSum sum, weighted, weights;
    const double fullWeights = 0.5 * p * (p + 1.0);
    for (int k = 0; k < p - 1; ++k) {
        sum.Add(v[k]);
        if (weighted_) {
            weighted.Add(v[k] * xs[k]);
            weights.Add(xs[k]);
        } else if (weightedIndex_) {
            weighted.Add(v[k] * (k + 1));
        }
    }
    for (int i = p - 1; i < count; ++i) {
        const int first = i - p + 1;
        const std::size_t r = static_cast<std::size_t>(first);
        outX[r] = AlignedX(align, at, first, i);
        if (weighted_) {
            weighted.Add(v[i] * xs[i]);
            weights.Add(xs[i]);
            const double w = weights.Value();
            outY[r] = w == 0 ? 0 : weighted.Value() / w;
            weighted.Add(-v[first] * xs[first]);
            weights.Add(-xs[first]);
        } else if (weightedIndex_) {
            // The newest value weighs p; every older one loses one weight as the window moves.
            weighted.Add(v[i] * p);
            sum.Add(v[i]);
            outY[r] = weighted.Value() / fullWeights;
            weighted.Add(-sum.Value());
            sum.Add(-v[first]);
        } else {
            sum.Add(v[i]);
            outY[r] = sum.Value() / p;
            sum.Add(-v[first]);
        }
    }
    AddOutputPoints(*this, source->YMandatory(), outX.get(), outY.get(), results);
}

void TMovingAverageFunction::SetUpInGallery(TCustomAxisPanel* chart)
{
    TDuvMovingFunction::SetUpInGallery(chart);
    SetPeriod(10);
}

// ---------------------------------------------------------------- exponential average

void TExpAverageFunction::DeclareProperties(TPropertyDeclarer<TExpAverageFunction>& p)
{
    using T = TExpAverageFunction;
    p.Float("Weight", &T::Weight, &T::SetWeight).Default(0.2);
}

void TExpAverageFunction::SetWeight(double value)
{
    if (!(value >= 0) || value > 1) throw ChartException("ExpAverage Weight must be between 0 and 1");
    if (value == weight_) return;
    weight_ = value;
    Recalculate();
}

double TExpAverageFunction::CalculateRange(TChartSeries* source, int first, int)
{
    const TChartValueList* list = SourceValues(source);
    if (list->Count() == 0) return 0;
    if (first <= 0) return list->GetValueAt(0);
    return weight_ * list->GetValueAt(first) + (1 - weight_) * list->GetValueAt(first - 1);
}

// ---------------------------------------------------------------- exponential moving average

TExpMovAveFunction::TExpMovAveFunction(TComponent* owner) : TDuvFunction(owner)
{
    StorePeriod(10);
    PeriodEditable = false;
    SingleSourceOnly = true;
}

void TExpMovAveFunction::DeclareProperties(TPropertyDeclarer<TExpMovAveFunction>& p)
{
    using T = TExpMovAveFunction;
    p.Boolean("IgnoreNulls", &T::IgnoreNulls, &T::SetIgnoreNulls).Default(true);
}

void TExpMovAveFunction::SetIgnoreNulls(bool value)
{
    if (value == ignoreNulls_) return;
    ignoreNulls_ = value;
    Recalculate();
}

void TExpMovAveFunction::CalculateFromSources(TChartSeries* source)
{
    if (RecalcSuspended || !source || !OutputSeries()) return;
    ClearOutput(*this);
    const TChartValueList* values = SourceValues(source);
    const int n = CommonCount(source, values);
    if (!(Period() > 0) || n <= 1) return;
    const double k = 2 / (Period() + 1);
    const double* v = values->Values();
    const double* xs = source->SecondaryList()->Values();
    const std::unique_ptr<double[]> outX(new double[static_cast<std::size_t>(n)]);
    const std::unique_ptr<double[]> outY(new double[static_cast<std::size_t>(n)]);
    int written = 0;
    int s = 0;
    if (!ignoreNulls_)
        while (s < n - 1 && source->IsNullPoint(s)) ++s;
    double e = v[s];
    outX[0] = xs[s];
    outY[0] = e;
    written = 1;
    if (ignoreNulls_) {
        for (int j = s + 1; j < n; ++j) {
            e = k * v[j] + (1 - k) * e;
            outX[static_cast<std::size_t>(written)] = xs[j];
            outY[static_cast<std::size_t>(written++)] = e;
        }
    } else {
        // Null points are those whose stored colour is clNone; without colours there are none.
        const std::vector<TColor>* colors = source->PointColors();
        for (int j = s + 1; j < n; ++j) {
            if (colors && (*colors)[static_cast<std::size_t>(j)] == clNone) continue;
            e = k * v[j] + (1 - k) * e;
            outX[static_cast<std::size_t>(written)] = xs[j];
            outY[static_cast<std::size_t>(written++)] = e;
        }
    }
    AddOutputPoints(*this, true, outX.get(), outY.get(), written);
}

// ---------------------------------------------------------------- smoothed moving average

void TSmoothedMovAvgFunction::AddResults(TChartSeries* source, TChartValueList* list)
{
    // The first result is the simple average of the first window.
    const TChartValueList* values = SourceValues(source);
    const int p = PeriodPoints();
    firstAverage_ = 0;
    if (CommonCount(source, values) >= p) {
        TRunningSum sum;
        for (int k = 0; k < p; ++k) sum.Add(values->GetValueAt(k));
        firstAverage_ = sum.Value() / p;
    }
    previous_ = firstAverage_;
    TDuvMovingFunction::AddResults(source, list);
}

double TSmoothedMovAvgFunction::CalculateRange(TChartSeries* source, int first, int last)
{
    if (first <= 0) return previous_ = firstAverage_;
    const double p = Period();
    previous_ = (previous_ * p - previous_ + SourceValues(source)->GetValueAt(last)) / p;
    return previous_;
}

void TSmoothedMovAvgFunction::SetUpInGallery(TCustomAxisPanel* chart)
{
    TDuvMovingFunction::SetUpInGallery(chart);
    SetPeriod(10);
}

// ---------------------------------------------------------------- momentum

double TMomentumFunction::CalculateRange(TChartSeries* source, int first, int last)
{
    const TChartValueList* v = SourceValues(source);
    if (first == -1) {
        first = 0;
        last = v->Count() - 1;
    }
    if (last < 0) return 0;
    return v->GetValueAt(last) - v->GetValueAt(first);
}

TMomentumDivFunction::TMomentumDivFunction(TComponent* owner) : TDuvMovingFunction(owner) { SetPeriod(2); }

double TMomentumDivFunction::CalculateRange(TChartSeries* source, int first, int last)
{
    const TChartValueList* v = SourceValues(source);
    if (first == -1) {
        first = 0;
        last = v->Count() - 1;
    }
    if (last < 0) return 0;
    const double x = v->GetValueAt(first);
    return x == 0 ? 0 : 100 * v->GetValueAt(last) / x;
}

void TMomentumDivFunction::SetUpInGallery(TCustomAxisPanel* chart)
{
    TDuvMovingFunction::SetUpInGallery(chart);
    MoveOutputToRightAxis();
}

// ---------------------------------------------------------------- dispersion

void TStdDeviationFunction::DeclareProperties(TPropertyDeclarer<TStdDeviationFunction>& p)
{
    using T = TStdDeviationFunction;
    p.Boolean("Complete", &T::Complete, &T::SetComplete);
}

void TStdDeviationFunction::SetComplete(bool value)
{
    if (value == complete_) return;
    complete_ = value;
    Recalculate();
}

double TStdDeviationFunction::CalculateArray(std::vector<double>& values)
{
    const int n = static_cast<int>(values.size());
    if (n <= 1) return 0;
    double mean;
    const double squares = SumOfSquaredDeviations(values.data(), n, mean);
    const double v = squares / (complete_ ? n : n - 1);
    return v >= 0 ? std::sqrt(v) : 0;
}

void TRMSFunction::DeclareProperties(TPropertyDeclarer<TRMSFunction>& p)
{
    using T = TRMSFunction;
    p.Boolean("Complete", &T::Complete, &T::SetComplete);
}

void TRMSFunction::SetComplete(bool value)
{
    if (value == complete_) return;
    complete_ = value;
    Recalculate();
}

double TRMSFunction::CalculateArray(std::vector<double>& values)
{
    const int n = static_cast<int>(values.size());
    if (n < 2) return 0;
    TRunningSum squares;
    for (double a : values) squares.Add(a * a);
    return std::sqrt(squares.Value() / (complete_ ? n : n - 1));
}

double TVarianceFunction::CalculateArray(std::vector<double>& values)
{
    const int n = static_cast<int>(values.size());
    if (n <= 0) return 0;
    double mean;
    return std::max(0.0, SumOfSquaredDeviations(values.data(), n, mean) / n);
}

void TVarianceFunction::SetUpInGallery(TCustomAxisPanel* chart)
{
    TDuvFunction::SetUpInGallery(chart);
    if (OutputSeries()) OutputSeries()->SetVertAxis(aRightAxis);
}

void TSkewnessFunction::DeclareProperties(TPropertyDeclarer<TSkewnessFunction>& p)
{
    using T = TSkewnessFunction;
    p.Boolean("Complete", &T::Complete, &T::SetComplete);
}

void TSkewnessFunction::SetComplete(bool value)
{
    if (value == complete_) return;
    complete_ = value;
    Recalculate();
}

double TSkewnessFunction::CalculateRange(TChartSeries* source, int first, int last)
{
    // The source's own values, over the range asked for.
    const TChartValueList* list = source->MandatoryList();
    if (first == -1) {
        first = 0;
        last = source->PointCount() - 1;
    }
    last = std::min(last, list->Count() - 1);
    const int n = last - first + 1;
    if (n <= 1) return 0;
    const double* v = list->Values() + first;
    double mean;
    const double squares = SumOfSquaredDeviations(v, n, mean);
    // Complete takes the population moments: sigma and the divisor over n, not n - 1.
    const int divisor = complete_ ? n : n - 1;
    const double sigma = squares > 0 ? std::sqrt(squares / divisor) : 0;
    const int k = Power();
    const double d = divisor * std::pow(sigma, k);
    if (d == 0) return 0;
    TRunningSum sum;
    for (int i = 0; i < n; ++i) {
        const double dev = v[i] - mean;
        const double dev2 = dev * dev;
        sum.Add(k == 3 ? dev2 * dev : dev2 * dev2);
    }
    return sum.Value() / d;
}

void TSkewnessFunction::SetUpInGallery(TCustomAxisPanel* chart)
{
    TDuvFunction::SetUpInGallery(chart);
    if (OutputSeries()) OutputSeries()->SetVertAxis(aRightAxis);
}

// ---------------------------------------------------------------- change measures

double TPerformanceFunction::CalculateRange(TChartSeries* source, int, int last)
{
    const TChartValueList* v = SourceValues(source);
    if (last < 0 || last >= v->Count()) last = v->Count() - 1;
    if (last < 0) return 0;
    const double x = v->GetValueAt(0);
    return x == 0 ? 0 : 100 * (v->GetValueAt(last) - x) / x;
}

double TPercentChangeFunction::CalculateRange(TChartSeries* source, int first, int last)
{
    const TChartValueList* v = SourceValues(source);
    if (first <= 0 || last >= v->Count()) return 0;
    const double x = v->GetValueAt(first - 1);
    return x == 0 ? 0 : 100 * (v->GetValueAt(last) - x) / x;
}

void TPercentChangeFunction::SetUpInGallery(TCustomAxisPanel* chart)
{
    TDuvMovingFunction::SetUpInGallery(chart);
    MoveOutputToRightAxis();
    if (chart) chart->RightAxis()->SetAxisValuesFormat("0%");
}

double TSlopeFunction::CalculateRange(TChartSeries* source, int first, int last)
{
    const TChartValueList* v = SourceValues(source);
    const TChartValueList* xs = source->SecondaryList();
    if (first <= 0 || last >= v->Count() || last >= xs->Count()) return 0;
    const double dx = xs->GetValueAt(last) - xs->GetValueAt(first - 1);
    return dx == 0 ? 0 : (v->GetValueAt(last) - v->GetValueAt(first - 1)) / dx;
}

// ---------------------------------------------------------------- cross points

TCrossPointsFunction::TCrossPointsFunction(TComponent* owner) : TDuvFunction(owner) { PeriodEditable = false; }

void TCrossPointsFunction::CalculateFromSources(TChartSeries*)
{
    if (RecalcSuspended || !OutputSeries()) return;
    const std::vector<TChartSeries*> sources = SourceSeriesList();
    if (sources.size() < 2) return;
    ClearOutput(*this);
    TChartSeries* a = sources[0];
    TChartSeries* b = sources[1];
    const TChartValueList* ay = SourceValues(a);
    const TChartValueList* by = SourceValues(b);
    const int na = CommonCount(a, ay), nb = CommonCount(b, by);
    if (na < 2 || nb < 2) return;
    const double* ax = a->SecondaryList()->Values();
    const double* bx = b->SecondaryList()->Values();
    int i = 0, j = 0;
    while (i < na - 1 && j < nb - 1) {
        double x, y;
        if (SegmentsIntersection(ax[i], ay->GetValueAt(i), ax[i + 1], ay->GetValueAt(i + 1), bx[j], by->GetValueAt(j),
                                 bx[j + 1], by->GetValueAt(j + 1), x, y))
            OutputSeries()->AddPointXY(x, y, {}, clDefault);
        if (bx[j + 1] >= ax[i + 1])
            ++i;
        else
            ++j;
    }
}

void TCrossPointsFunction::SetUpInGallery(TCustomAxisPanel* chart)
{
    if (!chart || chart->SeriesList().Count() < 2) return;
    auto* first = dynamic_cast<TChartSeries*>(chart->SeriesList().GetSeries(0));
    auto* second = dynamic_cast<TChartSeries*>(chart->SeriesList().GetSeries(1));
    if (!first || !second) return;
    first->SetTitle(DuvMsgData + " 1");
    second->SetTitle(DuvMsgData + " 2");
    second->FillSampleValues(first->PointCount());
    auto* output = CreateChartSeries(chart->GetSeriesOwner(), chart, TPointSeries::StaticClass());
    if (!output) return;
    output->SuspendUpdates();
    output->AddDataSource(first);
    output->AddDataSource(second);
    output->ResumeUpdates();
    output->SetFunction(this);
    if (auto* points = dynamic_cast<TCustomSeries*>(output)) points->Pointer().SetStyle(psCircle);
    // A preview without a crossing shows nothing; new samples soon cross.
    for (int attempt = 0; attempt < 20 && output->PointCount() == 0; ++attempt)
        second->FillSampleValues(first->PointCount());
}

// ---------------------------------------------------------------- perimeter

TPerimeterFunction::TPerimeterFunction(TComponent* owner) : TDuvFunction(owner)
{
    PeriodEditable = false;
    SingleSourceOnly = true;
}

void TPerimeterFunction::CalculateFromSources(TChartSeries* source)
{
    TChartSeries* output = OutputSeries();
    if (RecalcSuspended || !source || !output) return;
    ClearOutput(*this);
    const int n = source->PointCount();
    TCustomAxisPanel* chart = source->ParentChart();
    if (n == 0 || !chart) return;
    for (TChartAxis* axis : {source->HorizAxisObject(), source->VertAxisObject()})
        if (axis && (axis->PixelSize == 0 || axis->Maximum() == axis->Minimum())) axis->UpdateInternalRange();
    TCanvas3D& canvas = chart->Canvas();
    TPointArray points(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        canvas.Project(source->GetPointScreenX(i), source->GetPointScreenY(i), source->MiddleZ,
                       points[static_cast<std::size_t>(i)]);
    if (points.size() > 3) ConvexHull(points);
    output->XValues()->SetOrder(loNone);
    for (const TPoint& p : points)
        output->AddPointXY(output->ScreenToXValue(p.X), output->ScreenToYValue(p.Y), {}, clDefault);
    if (!points.empty())
        output->AddPointXY(output->ScreenToXValue(points[0].X), output->ScreenToYValue(points[0].Y), {}, clDefault);
}

// ---------------------------------------------------------------- centroid

void TCentroidDuvFunction::CalculateFromSources(TChartSeries* source)
{
    TChartSeries* output = OutputSeries();
    if (RecalcSuspended || !source || !output) return;
    ClearOutput(*this);
    if (source->PointCount() == 0) return;
    // Kept in double precision: a date-time X rounded to single precision moves by minutes.
    const double xc = (source->XValues()->GetMinimum() + source->XValues()->GetMaximum()) / 2;
    const double yc = (source->YValues()->GetMinimum() + source->YValues()->GetMaximum()) / 2;
    if (output->YMandatory())
        output->AddPointXY(xc, yc, {}, clDefault);
    else
        output->AddPointXY(yc, xc, {}, clDefault);
}

const TClassInfo* TCentroidDuvFunction::GetSourceSeriesClass() const { return &TPointSeries::StaticClass(); }

void TCentroidDuvFunction::SetUpInGallery(TCustomAxisPanel* chart)
{
    TDuvFunction::SetUpInGallery(chart);
    TChartSeries* output = OutputSeries();
    if (!chart || !output) return;
    const TChartSeriesList& list = chart->SeriesList();
    TChartSeries* source = nullptr;
    for (int i = 1; i < list.Count(); ++i)
        if (list.GetSeries(i) == output) source = dynamic_cast<TChartSeries*>(list.GetSeries(i - 1));
    if (!output->InheritsFrom(TPointSeries::StaticClass())) {
        // Detached first, so that freeing the former series leaves this function alive.
        AttachToSeries(nullptr);
        ConvertSeriesClass(output, TPointSeries::StaticClass());
        if (!output) return;
        output->SetFunction(this);
    }
    if (auto* points = dynamic_cast<TCustomSeries*>(output)) {
        points->Pointer().SetStyle(psCircle);
        points->Pointer().SetBothSizes(8);
    }
    if (!source) return;
    source->ClearPoints();
    for (int i = 0; i < 100; ++i) source->AddPointXY(Random(1000), Random(1000));
    if (TChartAxis* axis = source->HorizAxisObject())
        axis->SetMinMax(source->XValues()->GetMinimum() - 100, source->XValues()->GetMaximum() + 100);
    if (TChartAxis* axis = source->VertAxisObject())
        axis->SetMinMax(source->YValues()->GetMinimum() - 100, source->YValues()->GetMaximum() + 100);
    if (auto* points = dynamic_cast<TCustomSeries*>(source)) {
        points->Pointer().SetBothSizes(3);
        points->Pointer().Pen().SetVisible(false);
        points->Pointer().SetStyle(psCircle);
    }
}

// ---------------------------------------------------------------- registration

namespace {

// The library's line separator between the two lines of a caption.
std::string Joined(const char* first, const char* second) { return std::string(first) + "\r" + second; }

struct TGalleryRow {
    const TClassInfo* Class;
    std::string Caption;
    const std::string* Page;
};

const std::string GalleryMath = "Math";
const std::string GalleryStats = "Stats";

// Built once: the gallery keeps pointers to the captions.
const std::vector<TGalleryRow>& GalleryRows()
{
    static const std::vector<TGalleryRow> rows = {
        {&TMovingAverageFunction::StaticClass(), Joined("Moving", "Average"), &GalleryMath},
        {&TExpMovAveFunction::StaticClass(), Joined("Exp.Moving", "Average"), &GalleryMath},
        {&TExpAverageFunction::StaticClass(), Joined("Exponential", "Average"), &GalleryMath},
        {&TSmoothedMovAvgFunction::StaticClass(), Joined("Smoothed", "Moving Average"), &GalleryMath},
        {&TMomentumFunction::StaticClass(), "Momentum", &GalleryMath},
        {&TMomentumDivFunction::StaticClass(), Joined("Momentum", "Division"), &GalleryMath},
        {&TStdDeviationFunction::StaticClass(), Joined("Standard", "Deviation"), &GalleryStats},
        {&TRMSFunction::StaticClass(), Joined("Root Mean", "Square"), &GalleryStats},
        {&TSkewnessFunction::StaticClass(), "Skewness", &GalleryStats},
        {&TKurtosisFunction::StaticClass(), "Kurtosis", &GalleryStats},
        {&TCrossPointsFunction::StaticClass(), "Cross Points", &DuvMsgGalleryExtended},
        {&TPerformanceFunction::StaticClass(), "Performance", &GalleryStats},
        {&TVarianceFunction::StaticClass(), "Variance", &GalleryStats},
        {&TPerimeterFunction::StaticClass(), "Perimeter", &DuvMsgGalleryExtended},
        {&TPercentChangeFunction::StaticClass(), Joined("Percentage", "Change"), &GalleryStats},
        {&TSlopeFunction::StaticClass(), "Slope", &GalleryStats},
        {&TCentroidDuvFunction::StaticClass(), DuvMsgFunctionCentroid, &GalleryStats},
    };
    return rows;
}

}  // namespace

void StatCharInitialization()
{
    for (const TGalleryRow& row : GalleryRows()) {
        RegisterClassForStreaming(*row.Class);
        RegisterFunctionType(row.Class, &row.Caption, row.Page, 1);
    }
}

void StatCharFinalization()
{
    std::vector<const TClassInfo*> classes;
    for (const TGalleryRow& row : GalleryRows()) classes.push_back(row.Class);
    UnregisterFunctionClasses(classes);
}
