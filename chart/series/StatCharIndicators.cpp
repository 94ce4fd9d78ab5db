#include "chart/series/StatCharIndicators.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/ChartRegistry.h"
#include "chart/engine/DuvProcs.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/graphics/CanvasHelpers.h"
#include "chart/graphics/DuvConst.h"
#include "chart/series/SeriesFastLine.h"
#include "chart/series/StatCharHistogram.h"
#include "platform/core/NumText.h"
#include "platform/core/ScopeGuard.h"

namespace {

const TColor kRed = static_cast<TColor>(0xFF);
const TColor kGreen = static_cast<TColor>(0x8000);
const TColor kBlue = static_cast<TColor>(0xFF0000);
const double kNone = std::numeric_limits<double>::quiet_NaN();

std::string GalleryFinancial = "Financial";
std::string CaptionMACD = "MACD", CaptionMoneyFlow = "Money Flow", CaptionRVI = "RVI", CaptionAO, CaptionAC,
            CaptionAlligator = "Alligator", CaptionGator, CaptionStochastic = "Stochastic", CaptionBollinger,
            CaptionCLV, CaptionPVO, CaptionCCI;

// ---------------------------------------------------------------- averages
// Each answers one value per source point, NaN where the average has none yet; the values are
// those the moving-average functions give at the same X.

// Exponential moving average, k = 2 / (period + 1), started at the first value; nothing for a
// period below 1 or fewer than two values.
std::vector<double> ExpAverage(const double* v, int n, double period)
{
    std::vector<double> result(static_cast<std::size_t>(std::max(n, 0)), kNone);
    if (!(period > 0) || n <= 1) return result;
    const double k = 2 / (period + 1);
    double e = v[0];
    result[0] = e;
    for (int i = 1; i < n; ++i) {
        e = k * v[i] + (1 - k) * e;
        result[static_cast<std::size_t>(i)] = e;
    }
    return result;
}

// Simple moving average of the window of p values that ends at each point.
std::vector<double> SimpleAverage(const double* v, int n, int p)
{
    std::vector<double> result(static_cast<std::size_t>(std::max(n, 0)), kNone);
    if (p < 1 || n < p) return result;
    // A fresh sum per window keeps rounding from piling up along long series.
    for (int i = p - 1; i < n; ++i) {
        double window = 0;
        for (int j = i - p + 1; j <= i; ++j) window += v[j];
        result[static_cast<std::size_t>(i)] = window / p;
    }
    return result;
}

// Smoothed moving average: the first window's simple average, then (M x (p - 1) + newest) / p.
std::vector<double> SmoothedAverage(const double* v, int n, int p)
{
    std::vector<double> result(static_cast<std::size_t>(std::max(n, 0)), kNone);
    if (p < 1 || n < p) return result;
    double m = 0;
    for (int j = 0; j < p; ++j) m += v[j];
    m /= p;
    result[static_cast<std::size_t>(p - 1)] = m;
    for (int i = p; i < n; ++i) {
        m = (m * p - m + v[i]) / p;
        result[static_cast<std::size_t>(i)] = m;
    }
    return result;
}

int RoundedPeriod(double period)
{
    const double rounded = std::nearbyint(period);
    if (!(rounded >= -2147483647.0)) return 0;
    return rounded > 2147483647.0 ? 2147483647 : static_cast<int>(rounded);
}

std::vector<double> Medians(const TOHLCSeries& bars)
{
    const int n = bars.PointCount();
    std::vector<double> m(static_cast<std::size_t>(n));
    const double* high = bars.HighValues()->Values();
    const double* low = bars.LowValues()->Values();
    for (int i = 0; i < n; ++i) m[static_cast<std::size_t>(i)] = (high[i] + low[i]) * 0.5;
    return m;
}

// ---------------------------------------------------------------- auxiliary series

template <class S>
TChartSeries* MakeHelper(TComponent* owner, TColor color = clDefault)
{
    auto* series = new S(owner);
    TFinancialFunction::HideHelperSeries(series);
    if (color != clDefault) series->SetSeriesColor(color);
    return series;
}

TChartSeries* MakeVolumeBars(TComponent* owner, TColor color = clDefault)
{
    auto* series = dynamic_cast<TChartSeries*>(VolumeBarClass().Create(owner));
    if (!series) series = new THistogramSeries(owner);
    TFinancialFunction::HideHelperSeries(series);
    if (color != clDefault) series->SetSeriesColor(color);
    return series;
}

// Bars start at the origin 0, set by name as the volume series publishes them.
void UseZeroOrigin(TChartSeries* series)
{
    if (!GetPropInfo(series, "UseYOrigin")) return;
    SetPropValue(series, "UseYOrigin", TVariant(true));
    SetPropValue(series, "YOrigin", TVariant(0.0));
}

// The output series' chart, axes and X scale, and its drawing events.
void CopyChartContext(const TChartSeries& from, TChartSeries& to, bool horizontal = false)
{
    to.SetParentChart(from.ParentChart());
    to.SetCustomVertAxis(from.CustomVertAxis());
    to.SetVertAxis(from.VertAxis());
    to.XValues()->SetDateTime(from.XValues()->DateTime());
    to.AfterDrawValues = from.AfterDrawValues;
    to.BeforeDrawValues = from.BeforeDrawValues;
    if (!horizontal) return;
    to.SetCustomHorizAxis(from.CustomHorizAxis());
    to.SetHorizAxis(from.HorizAxis());
}

void ClearSeries(TChartSeries* series)
{
    if (series) series->ClearPoints();
}

TDuvPen* PenOf(const TChartSeries* series) { return series ? &series->Pen() : nullptr; }

void CopyPen(TChartSeries* series, const TDuvPen* pen)
{
    if (series && pen) series->Pen().Assign(pen);
}

const TOHLCSeries* AsOHLC(const TChartSeries* series) { return dynamic_cast<const TOHLCSeries*>(series); }

// Fills series with (x[i], y[i]) where y has a value, inside one update bracket.
void FillSeries(TChartSeries& series, const double* x, const std::vector<double>& y, double shift = 0)
{
    series.SuspendUpdates();
    TScopeGuard resume([&series] { series.ResumeUpdates(); });
    series.ClearPoints();
    for (std::size_t i = 0; i < y.size(); ++i)
        if (!std::isnan(y[i])) series.AddPointXY(x[i] + shift, y[i], {}, clDefault);
}

// The colour of a new oscillator bar from the bars before it: red while it does not grow.
TColor GrowthColor(TChartSeries& output, double value, bool byMagnitude)
{
    auto size = [byMagnitude](double v) { return byMagnitude ? std::fabs(v) : v; };
    const int count = output.PointCount();
    if (count == 0) return output.GetSeriesColor();
    if (count == 1) {
        const TColor color = size(output.GetMandatoryValue(0)) > size(value) ? kRed : kGreen;
        output.SetPointColor(0, color);
        return color;
    }
    return size(value) <= size(output.GetMandatoryValue(count - 1)) ? kRed : kGreen;
}

void SetUpVolumeBarGallery(TDuvFunction& function, TCustomAxisPanel* chart)
{
    const TChartSeriesList& list = chart->SeriesList();
    if (list.Count() < 1) return;
    auto* prices = dynamic_cast<TChartSeries*>(list.GetSeries(0));
    if (!prices) return;
    if (list.Count() > 1) FreeComponent(list.GetSeries(1));
    auto* output = dynamic_cast<TChartSeries*>(VolumeBarClass().Create(chart->Owner()));
    if (!output) return;
    output->SetParentChart(chart);
    function.AttachToSeries(output);
    output->SetDataSource(prices);
    function.MoveOutputToRightAxis();
}

}  // namespace

const TClassInfo& VolumeBarClass()
{
    return VolumeSeriesClass ? *VolumeSeriesClass : THistogramSeries::StaticClass();
}

bool IsVolumeBarSeries(const TChartSeries* series)
{
    return series && series->ClassType().InheritsFrom(VolumeBarClass());
}

// ---------------------------------------------------------------- MACD

TMACDFunction::TMACDFunction(TComponent* owner)
    : TDuvMovingFunction(owner), signal_(MakeHelper<TFastLineSeries>(this, kGreen)), histogram_(MakeVolumeBars(this, kRed))
{
    StorePeriod(26);
    UseZeroOrigin(histogram_);
}

void TMACDFunction::DeclareProperties(TPropertyDeclarer<TMACDFunction>& p)
{
    using F = TMACDFunction;
    p.Float("Period2", &F::Period2, &F::SetPeriod2).Default(12.0);
    p.Integer("Period3", &F::Period3, &F::SetPeriod3).Default(9);
    p.Object("MACDPen", &F::MACDPen, &F::SetMACDPen).NotStored();
    p.Object("MACDExpPen", &F::MACDExpPen, &F::SetMACDExpPen);
    p.Object("HistogramPen", &F::HistogramPen, &F::SetHistogramPen);
}

void TMACDFunction::SetPeriod2(double value)
{
    period2_ = value < 1 ? 1 : value;
    Recalculate();
}

void TMACDFunction::SetPeriod3(int value)
{
    ChangeAndRecalculate(*this, period3_, value);
}

TDuvPen* TMACDFunction::MACDPen() const { return PenOf(OutputSeries()); }
void TMACDFunction::SetMACDPen(const TDuvPen* value) { CopyPen(OutputSeries(), value); }
TDuvPen* TMACDFunction::MACDExpPen() const { return PenOf(signal_); }
void TMACDFunction::SetMACDExpPen(const TDuvPen* value) { CopyPen(signal_, value); }
TDuvPen* TMACDFunction::HistogramPen() const { return PenOf(histogram_); }
void TMACDFunction::SetHistogramPen(const TDuvPen* value) { CopyPen(histogram_, value); }

void TMACDFunction::ResetInnerSeries()
{
    ClearSeries(signal_);
    ClearSeries(histogram_);
}

void TMACDFunction::CalculateFromSources(TChartSeries* source)
{
    TChartSeries* output = OutputSeries();
    if (!output || !source) return;
    output->ClearPoints();
    const TChartValueList* values = SourceValues(source);
    const int n = std::min(source->PointCount(), values->Count());
    const double* x = source->XValues()->Values();
    std::vector<double> macd(static_cast<std::size_t>(n), kNone);
    if (n > 1) {
        const std::vector<double> fast = ExpAverage(values->Values(), n, period2_);
        const std::vector<double> slow = ExpAverage(values->Values(), n, Period());
        for (int i = 0; i < n; ++i) {
            const std::size_t k = static_cast<std::size_t>(i);
            if (std::isnan(fast[k]) || std::isnan(slow[k])) continue;
            macd[k] = fast[k] - slow[k];
            output->AddPointXY(x[i], macd[k], {}, clDefault);
        }
    }
    CopyChartContext(*output, *signal_);
    // A white MACD line would vanish on the usual background.
    if (output->GetSeriesColor() == clWhite) output->SetSeriesColor(kBlue);
    // The signal line averages the MACD line's own points.
    const int m = output->PointCount();
    const std::vector<double> signal = ExpAverage(output->YValues()->Values(), m, period3_);
    FillSeries(*signal_, output->XValues()->Values(), signal);
    if (!histogram_->Active()) return;
    CopyChartContext(*output, *histogram_);
    histogram_->SuspendUpdates();
    TScopeGuard resume([this] { histogram_->ResumeUpdates(); });
    histogram_->ClearPoints();
    for (int i = 0; i < m; ++i) {
        const double s = signal[static_cast<std::size_t>(i)];
        if (!std::isnan(s)) histogram_->AddPointXY(output->XValues()->GetValueAt(i), output->YValues()->GetValueAt(i) - s);
    }
}

void TMACDFunction::SetUpInGallery(TCustomAxisPanel* chart)
{
    TDuvMovingFunction::SetUpInGallery(chart);
    MoveOutputToRightAxis();
    if (!OutputSeries()) return;
    signal_->SetVertAxis(OutputSeries()->VertAxis());
    histogram_->SetVertAxis(OutputSeries()->VertAxis());
}

// ---------------------------------------------------------------- stochastic

TStochasticFunction::TStochasticFunction(TComponent* owner) : TDuvMovingFunction(owner) { HidesValueSource = true; }

double TStochasticFunction::CalculateRange(TChartSeries* source, int first, int last)
{
    const TChartValueList* lows = source->FindValueList("Low");
    const TChartValueList* highs = source->FindValueList("High");
    const TChartValueList* values = SourceValues(source);
    if (first < 0) {
        first = 0;
        last = source->PointCount() - 1;
    }
    if (last < first) return 0;
    double low = lows->GetValueAt(first), high = highs->GetValueAt(first);
    for (int i = first + 1; i <= last; ++i) {
        low = std::min(low, lows->GetValueAt(i));
        high = std::max(high, highs->GetValueAt(i));
    }
    if (high == low) return 0;
    return 100 * (values->GetValueAt(last) - low) / (high - low);
}

void TStochasticFunction::SetUpInGallery(TCustomAxisPanel* chart)
{
    TDuvMovingFunction::SetUpInGallery(chart);
    MoveOutputToRightAxis();
    TChartSeries* output = OutputSeries();
    if (!output || !output->VertAxisObject()) return;
    TChartAxis* axis = output->VertAxisObject();
    axis->SetMinMax(0, 100);
    axis->SetAutomatic(false);
    axis->SetAxisValuesFormat("0%");
}

// ---------------------------------------------------------------- Bollinger bands

TBollingerFunction::TBollingerFunction(TComponent* owner)
    : TDuvFunction(owner), lowBand_(MakeHelper<TFastLineSeries>(this))
{
    StorePeriod(10);
    SingleSourceOnly = true;
}

void TBollingerFunction::DeclareProperties(TPropertyDeclarer<TBollingerFunction>& p)
{
    using F = TBollingerFunction;
    p.Float("Deviation", &F::Deviation, &F::SetDeviation).Default(2.0);
    p.Boolean("Exponential", &F::Exponential, &F::SetExponential).Default(true);
    p.Object("UpperBandPen", &F::UpperBandPen, &F::SetUpperBandPen).NotStored();
    p.Object("LowBandPen", &F::LowBandPen, &F::SetLowBandPen);
}

void TBollingerFunction::SetDeviation(double value)
{
    ChangeAndRecalculate(*this, deviation_, value);
}

void TBollingerFunction::SetExponential(bool value)
{
    ChangeAndRecalculate(*this, exponential_, value);
}

TDuvPen* TBollingerFunction::UpperBandPen() const { return PenOf(OutputSeries()); }
void TBollingerFunction::SetUpperBandPen(const TDuvPen* value) { CopyPen(OutputSeries(), value); }
TDuvPen* TBollingerFunction::LowBandPen() const { return PenOf(lowBand_); }
void TBollingerFunction::SetLowBandPen(const TDuvPen* value) { CopyPen(lowBand_, value); }

void TBollingerFunction::ResetInnerSeries() { ClearSeries(lowBand_); }

void TBollingerFunction::CalculateBand(TChartSeries* source, TChartSeries* band, double factor)
{
    const std::string& name = OutputSeries()->MandatoryList()->ValueSource();
    const TChartValueList* list = name.empty() ? source->MandatoryList() : source->FindValueList(name);
    const int n = std::min(source->PointCount(), list->Count());
    const int p = RoundedPeriod(Period());
    const double* w = list->Values();
    const double* x = source->XValues()->Values();
    const std::vector<double> average =
        exponential_ ? ExpAverage(w, n, Period()) : SimpleAverage(w, n, std::max(p, 1));
    band->ClearPoints();
    if (p < 1) return;
    for (int i = p; i <= n; ++i) {
        double sum = 0, squares = 0;
        for (int j = i - p; j < i; ++j) {
            sum += w[j];
            squares += w[j] * w[j];
        }
        const double radicand = (Period() * squares - sum * sum) / (Period() * Period());
        const double sigma = radicand > 0 ? std::sqrt(radicand) : 0;
        // The exponential average has a value per point, the simple one per window; both end at i - 1.
        const double mean = average[static_cast<std::size_t>(i - 1)];
        if (std::isnan(mean)) continue;
        band->AddPointXY(x[i - 1], mean + factor * sigma, {}, clDefault);
    }
}

void TBollingerFunction::CalculateFromSources(TChartSeries* source)
{
    TChartSeries* output = OutputSeries();
    if (!output || !source) return;
    CopyChartContext(*output, *lowBand_);
    lowBand_->SetSeriesColor(output->GetSeriesColor());
    if (&lowBand_->ClassType() == &output->ClassType()) lowBand_->Pen().Assign(&output->Pen());
    if (!(Period() > 0)) return;
    CalculateBand(source, output, deviation_);
    lowBand_->SuspendUpdates();
    TScopeGuard resume([this] { lowBand_->ResumeUpdates(); });
    CalculateBand(source, lowBand_, -deviation_);
}

// ---------------------------------------------------------------- close location value

TCLVFunction::TCLVFunction(TComponent* owner) : TVolumeLinkedFunction(owner)
{
    StorePeriod(1);
    PeriodEditable = false;
    SingleSourceOnly = true;
    HidesValueSource = true;
}

void TCLVFunction::DeclareProperties(TPropertyDeclarer<TCLVFunction>& p)
{
    p.Boolean("Accumulate", &TCLVFunction::Accumulate, &TCLVFunction::SetAccumulate).Default(true);
    p.Component("Volume", &TCLVFunction::Volume, &TCLVFunction::SetVolume);
}

void TCLVFunction::SetAccumulate(bool value)
{
    ChangeAndRecalculate(*this, accumulate_, value);
}

namespace {
double CloseLocation(const TOHLCSeries& bars, int i)
{
    const double close = bars.CloseValues()->GetValueAt(i);
    const double high = bars.HighValues()->GetValueAt(i);
    const double low = bars.LowValues()->GetValueAt(i);
    if (high == low) return 1;
    return ((close - low) - (high - close)) / (high - low);
}
}  // namespace

void TCLVFunction::CalculateFromSources(TChartSeries* source)
{
    TChartSeries* output = OutputSeries();
    const TOHLCSeries* bars = AsOHLC(source);
    if (!output || !bars) return;
    output->ClearPoints();
    const TChartSeries* volume = Volume();
    double last = 0;
    for (int i = 0; i < bars->PointCount(); ++i) {
        double c = CloseLocation(*bars, i);
        if (volume && i < volume->PointCount()) c *= volume->GetMandatoryValue(i);
        if (accumulate_ && i > 0) c += last;
        last = c;
        output->AddPointXY(bars->DateValues()->GetValueAt(i), c, {}, clDefault);
    }
}

void TCLVFunction::SetUpInGallery(TCustomAxisPanel* chart)
{
    TVolumeLinkedFunction::SetUpInGallery(chart);
    MoveOutputToRightAxis();
}

// ---------------------------------------------------------------- money flow

TMoneyFlowFunction::TMoneyFlowFunction(TComponent* owner)
    : TCLVFunction(owner),
      volumeBars_(MakeVolumeBars(this)),
      area_(MakeHelper<TAreaSeries>(this)),
      histogram_(MakeHelper<THistogramSeries>(this))
{
    accumulate_ = false;
    StorePeriod(21);
    for (TChartSeries* companion : {volumeBars_, area_, histogram_}) {
        UseZeroOrigin(companion);
        companion->SetColorEachPoint(true);
        companion->SetActive(false);
    }
    static_cast<TAreaSeries*>(area_)->AreaLinesPen().SetVisible(false);
}

void TMoneyFlowFunction::DeclareProperties(TPropertyDeclarer<TMoneyFlowFunction>& p)
{
    using F = TMoneyFlowFunction;
    p.Boolean("Accumulate", &F::Accumulate, &F::SetAccumulate).Default(false);
    p.Enum("CMFStyle", &F::CMFStyle, &F::SetCMFStyle).Default(cmfLine);
    p.Color("UpColor", &F::UpColor, &F::SetUpColor).Default(kGreen);
    p.Color("DownColor", &F::DownColor, &F::SetDownColor).Default(kRed);
    p.Object("AreaPen", &F::AreaPen, &F::SetAreaPen);
    p.Object("HistogramPen", &F::HistogramPen, &F::SetHistogramPen);
}

void TMoneyFlowFunction::SetCMFStyle(TCMFStyle value)
{
    ChangeAndRecalculate(*this, style_, value);
}

void TMoneyFlowFunction::SetUpColor(TColor value)
{
    ChangeAndRecalculate(*this, upColor_, value);
}

void TMoneyFlowFunction::SetDownColor(TColor value)
{
    ChangeAndRecalculate(*this, downColor_, value);
}

TDuvPen* TMoneyFlowFunction::AreaPen() const { return PenOf(area_); }
void TMoneyFlowFunction::SetAreaPen(const TDuvPen* value) { CopyPen(area_, value); }
TDuvPen* TMoneyFlowFunction::HistogramPen() const { return PenOf(histogram_); }
void TMoneyFlowFunction::SetHistogramPen(const TDuvPen* value) { CopyPen(histogram_, value); }

void TMoneyFlowFunction::ResetInnerSeries()
{
    ClearSeries(volumeBars_);
    ClearSeries(area_);
    ClearSeries(histogram_);
}

void TMoneyFlowFunction::CalculateFromSources(TChartSeries* source)
{
    TChartSeries* output = OutputSeries();
    const TOHLCSeries* bars = AsOHLC(source);
    const TChartSeries* volume = Volume();
    if (!output || !bars || !volume) return;
    output->ClearPoints();
    const int n = bars->PointCount();
    const int p = std::max(RoundedPeriod(Period()), 0);
    const int volumes = volume->PointCount();
    for (int i = 0; i < n; ++i) {
        double flow = 0, total = 0;
        for (int j = std::max(i - p, 0); j <= i; ++j) {
            const double clv = CloseLocation(*bars, j);
            if (j < volumes) {
                flow += clv * volume->GetMandatoryValue(j);
                total += volume->GetMandatoryValue(j);
            } else {
                flow += clv;
            }
        }
        output->AddPointXY(bars->DateValues()->GetValueAt(i), total == 0 ? flow : flow / total, {}, clDefault);
    }
    TChartSeries* shown = style_ == cmfArea ? area_ : style_ == cmfVolume ? volumeBars_ : style_ == cmfHistogram ? histogram_ : nullptr;
    output->SetActive(shown == nullptr);
    for (TChartSeries* companion : {volumeBars_, area_, histogram_}) companion->SetActive(companion == shown);
    if (!shown) return;
    CopyChartContext(*output, *shown, true);
    shown->SuspendUpdates();
    TScopeGuard resume([shown] { shown->ResumeUpdates(); });
    shown->ClearPoints();
    for (int i = 0; i < output->PointCount(); ++i) {
        const double y = output->GetYValue(i);
        std::string label;
        output->GetStoredLabel(i, label);
        shown->AddPointXY(output->GetXValue(i), y, label, y >= 0 ? upColor_ : downColor_);
    }
}

void TMoneyFlowFunction::SetUpInGallery(TCustomAxisPanel* chart)
{
    const TChartSeriesList& list = chart->SeriesList();
    if (list.Count() < 1) return;
    auto* prices = dynamic_cast<TChartSeries*>(list.GetSeries(0));
    if (!prices) return;
    if (list.Count() > 1) FreeComponent(list.GetSeries(1));
    auto* volume = dynamic_cast<TChartSeries*>(VolumeBarClass().Create(chart->Owner()));
    if (!volume) return;
    volume->SetParentChart(chart);
    volume->FillSampleValues(prices->PointCount());
    auto* output = new TFastLineSeries(chart->Owner());
    output->SetParentChart(chart);
    output->SetVertAxis(aRightAxis);
    chart->LeftAxis()->SetEndPosition(70);
    chart->RightAxis()->SetStartPosition(70);
    SetVolume(volume);
    volume->SetTitle("Volume");
    output->SetFunction(this);
    output->SetDataSource(prices);
    for (TChartSeries* series : {volume, histogram_, area_}) series->SetVertAxis(output->VertAxis());
}

// ---------------------------------------------------------------- relative vigour index

TRVIFunction::TRVIFunction(TComponent* owner)
    : TFinancialFunction(owner), signal_(MakeHelper<TFastLineSeries>(this, kGreen)), raw_(MakeHelper<TChartSeries>(this))
{
    StorePeriod(10);
    SingleSourceOnly = true;
    HidesValueSource = true;
}

void TRVIFunction::DeclareProperties(TPropertyDeclarer<TRVIFunction>& p)
{
    p.Object("SignalPen", &TRVIFunction::SignalPen, &TRVIFunction::SetSignalPen);
}

TDuvPen* TRVIFunction::SignalPen() const { return PenOf(signal_); }
void TRVIFunction::SetSignalPen(const TDuvPen* value) { CopyPen(signal_, value); }

void TRVIFunction::ResetInnerSeries()
{
    ClearSeries(signal_);
    ClearSeries(raw_);
}

void TRVIFunction::CalculateFromSources(TChartSeries* source)
{
    TChartSeries* output = OutputSeries();
    const TOHLCSeries* bars = AsOHLC(source);
    if (!output || !bars || !(Period() >= 2)) return;
    CopyChartContext(*output, *signal_);
    const int n = bars->PointCount();
    const int p = RoundedPeriod(Period());
    if (n < Period()) return;
    std::vector<double> index(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double range = bars->HighValues()->GetValueAt(i) - bars->LowValues()->GetValueAt(i);
        const double body = bars->CloseValues()->GetValueAt(i) - bars->OpenValues()->GetValueAt(i);
        index[static_cast<std::size_t>(i)] = range == 0 ? 0 : body / range;
    }
    const double* x = bars->XValues()->Values();
    FillSeries(*raw_, x, index);
    FillSeries(*signal_, x, SimpleAverage(index.data(), n, 4));
    const std::vector<double> average = SimpleAverage(index.data(), n, p);
    for (int i = 0; i < n; ++i)
        if (!std::isnan(average[static_cast<std::size_t>(i)]))
            output->AddPointXY(x[i], average[static_cast<std::size_t>(i)], {}, clDefault);
}

void TRVIFunction::SetUpInGallery(TCustomAxisPanel* chart)
{
    TFinancialFunction::SetUpInGallery(chart);
    MoveOutputToRightAxis();
    if (OutputSeries()) signal_->SetVertAxis(OutputSeries()->VertAxis());
}

// ---------------------------------------------------------------- awesome and accelerator

TBarOscillatorFunction::TBarOscillatorFunction(TComponent* owner) : TFinancialFunction(owner)
{
    StorePeriod(1);
    SingleSourceOnly = true;
    HidesValueSource = true;
}

void TBarOscillatorFunction::CalculateFromSources(TChartSeries* source)
{
    TChartSeries* output = OutputSeries();
    const TOHLCSeries* bars = AsOHLC(source);
    if (!output || !bars || !(Period() >= 1)) return;
    output->SetSeriesColor(kGreen);
    if (IsVolumeBarSeries(output)) UseZeroOrigin(output);
    if (bars->PointCount() < 34) return;
    const std::vector<double> values = Oscillator(*bars);
    const double* x = bars->XValues()->Values();
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (std::isnan(values[i])) continue;
        const TColor color = GrowthColor(*output, values[i], false);
        output->AddPointXY(x[i], values[i], {}, color);
    }
}

void TBarOscillatorFunction::SetUpInGallery(TCustomAxisPanel* chart) { SetUpVolumeBarGallery(*this, chart); }

std::vector<double> TAOFunction::Oscillator(const TOHLCSeries& bars) const
{
    const int n = bars.PointCount();
    if (n < 34) return {};
    const std::vector<double> m = Medians(bars);
    const std::vector<double> fast = SimpleAverage(m.data(), n, 5);
    const std::vector<double> slow = SimpleAverage(m.data(), n, 34);
    std::vector<double> d(static_cast<std::size_t>(n), kNone);
    for (std::size_t i = 0; i < d.size(); ++i) d[i] = fast[i] - slow[i];
    return d;
}

std::vector<double> TACFunction::Oscillator(const TOHLCSeries& bars) const
{
    const int n = bars.PointCount();
    if (n < 34) return {};
    const std::vector<double> m = Medians(bars);
    const std::vector<double> fast = SimpleAverage(m.data(), n, 5);
    const std::vector<double> slow = SimpleAverage(m.data(), n, 34);
    // The awesome oscillator exists from bar 33 on; its own 5-bar average four bars later.
    std::vector<double> ao;
    for (int i = 33; i < n; ++i) ao.push_back(fast[static_cast<std::size_t>(i)] - slow[static_cast<std::size_t>(i)]);
    const std::vector<double> smooth = SimpleAverage(ao.data(), static_cast<int>(ao.size()), 5);
    std::vector<double> d(static_cast<std::size_t>(n), kNone);
    for (std::size_t k = 0; k < ao.size(); ++k) d[k + 33] = ao[k] - smooth[k];
    return d;
}

// ---------------------------------------------------------------- alligator

TAlligatorFunction::TAlligatorFunction(TComponent* owner)
    : TFinancialFunction(owner), teeth_(MakeHelper<TFastLineSeries>(this, kRed)), lips_(MakeHelper<TFastLineSeries>(this, kGreen))
{
    StorePeriod(0);
    SingleSourceOnly = true;
    HidesValueSource = true;
}

void TAlligatorFunction::DeclareProperties(TPropertyDeclarer<TAlligatorFunction>& p)
{
    p.Object("TeethPen", &TAlligatorFunction::TeethPen, &TAlligatorFunction::SetTeethPen);
    p.Object("LipsPen", &TAlligatorFunction::LipsPen, &TAlligatorFunction::SetLipsPen);
}

TDuvPen* TAlligatorFunction::TeethPen() const { return PenOf(teeth_); }
void TAlligatorFunction::SetTeethPen(const TDuvPen* value) { CopyPen(teeth_, value); }
TDuvPen* TAlligatorFunction::LipsPen() const { return PenOf(lips_); }
void TAlligatorFunction::SetLipsPen(const TDuvPen* value) { CopyPen(lips_, value); }

void TAlligatorFunction::ResetInnerSeries()
{
    ClearSeries(teeth_);
    ClearSeries(lips_);
}

namespace {
// The jaw, teeth and lips: smoothed averages of the median price over 13, 8 and 5 bars, moved
// 8, 5 and 3 units of X ahead.
struct TAlligatorLine {
    int Period;
    double Shift;
};
constexpr TAlligatorLine kJaw{13, 8}, kTeeth{8, 5}, kLips{5, 3};
}  // namespace

void TAlligatorFunction::CalculateFromSources(TChartSeries* source)
{
    TChartSeries* output = OutputSeries();
    const TOHLCSeries* bars = AsOHLC(source);
    if (!output || !bars) return;
    output->SetSeriesColor(kBlue);
    const int n = bars->PointCount();
    if (n < 13) return;
    const std::vector<double> m = Medians(*bars);
    const double* x = bars->XValues()->Values();
    for (TChartSeries* line : {teeth_, lips_}) {
        CopyChartContext(*output, *line);
        HideHelperSeries(line);
    }
    const std::vector<double> jaw = SmoothedAverage(m.data(), n, kJaw.Period);
    for (int i = 0; i < n; ++i)
        if (!std::isnan(jaw[static_cast<std::size_t>(i)]))
            output->AddPointXY(x[i] + kJaw.Shift, jaw[static_cast<std::size_t>(i)], {}, clDefault);
    FillSeries(*teeth_, x, SmoothedAverage(m.data(), n, kTeeth.Period), kTeeth.Shift);
    FillSeries(*lips_, x, SmoothedAverage(m.data(), n, kLips.Period), kLips.Shift);
}

// ---------------------------------------------------------------- gator

TGatorFunction::TGatorFunction(TComponent* owner) : TFinancialFunction(owner), lower_(MakeVolumeBars(this))
{
    StorePeriod(0);
    SingleSourceOnly = true;
    HidesValueSource = true;
}

void TGatorFunction::ResetInnerSeries() { ClearSeries(lower_); }

void TGatorFunction::CalculateFromSources(TChartSeries* source)
{
    TChartSeries* output = OutputSeries();
    const TOHLCSeries* bars = AsOHLC(source);
    if (!output || !bars) return;
    output->SetSeriesColor(kGreen);
    const bool volumeBars = IsVolumeBarSeries(output);
    if (volumeBars) UseZeroOrigin(output);
    CopyChartContext(*output, *lower_, true);
    lower_->SetSeriesColor(output->GetSeriesColor());
    if (volumeBars) UseZeroOrigin(lower_);
    const int n = bars->PointCount();
    if (n < 13) return;
    const std::vector<double> m = Medians(*bars);
    const double* x = bars->XValues()->Values();
    const std::vector<double> jaw = SmoothedAverage(m.data(), n, kJaw.Period);
    const std::vector<double> teeth = SmoothedAverage(m.data(), n, kTeeth.Period);
    const std::vector<double> lips = SmoothedAverage(m.data(), n, kLips.Period);
    // The three lines start 12, 7 and 4 bars in and are moved apart: they meet by X.
    struct TLineWalk {
        const std::vector<double>& Values;
        double Shift;
        int At = 0;
        // Moves to the first point at or past xj; true when it is at xj.
        bool Reach(const double* x, double xj)
        {
            const int count = static_cast<int>(Values.size());
            while (At < count && (std::isnan(Values[static_cast<std::size_t>(At)]) || x[At] + Shift < xj)) ++At;
            return At < count && x[At] + Shift == xj;
        }
        double Value() const { return Values[static_cast<std::size_t>(At)]; }
    };
    TLineWalk teethWalk{teeth, kTeeth.Shift}, lipsWalk{lips, kLips.Shift};
    lower_->SuspendUpdates();
    TScopeGuard resume([this] { lower_->ResumeUpdates(); });
    lower_->ClearPoints();
    for (int b = 0; b < n; ++b) {
        const double j = jaw[static_cast<std::size_t>(b)];
        if (std::isnan(j)) continue;
        const double xj = x[b] + kJaw.Shift;
        if (!teethWalk.Reach(x, xj) || !lipsWalk.Reach(x, xj)) continue;
        const double up = std::fabs(j - teethWalk.Value());
        const double down = -std::fabs(teethWalk.Value() - lipsWalk.Value());
        output->AddPointXY(xj, up, {}, GrowthColor(*output, up, true));
        lower_->AddPointXY(xj, down, {}, GrowthColor(*lower_, down, true));
    }
}

void TGatorFunction::SetUpInGallery(TCustomAxisPanel* chart)
{
    SetUpVolumeBarGallery(*this, chart);
    if (OutputSeries()) lower_->SetVertAxis(OutputSeries()->VertAxis());
}

// ---------------------------------------------------------------- volume oscillator

TPVOFunction::TPVOFunction(TComponent* owner) : TDuvFunction(owner)
{
    StorePeriod(12);
    PeriodEditable = false;
    SingleSourceOnly = true;
    HidesValueSource = true;
}

void TPVOFunction::DeclareProperties(TPropertyDeclarer<TPVOFunction>& p)
{
    p.Integer("Period2", &TPVOFunction::Period2, &TPVOFunction::SetPeriod2).Default(26);
    p.Boolean("Percentage", &TPVOFunction::Percentage, &TPVOFunction::SetPercentage).Default(true);
}

void TPVOFunction::SetPeriod2(int value)
{
    period2_ = value;
    Recalculate();
}

void TPVOFunction::SetPercentage(bool value)
{
    percentage_ = value;
    Recalculate();
}

void TPVOFunction::CalculateFromSources(TChartSeries* source)
{
    TChartSeries* output = OutputSeries();
    if (!output || !source) return;
    output->ClearPoints();
    if (!(Period() > 0)) return;
    const TChartValueList* values = SourceValues(source);
    const int n = std::min(source->PointCount(), values->Count());
    const std::vector<double> first = ExpAverage(values->Values(), n, Period());
    const std::vector<double> second = ExpAverage(values->Values(), n, period2_);
    const double* x = source->XValues()->Values();
    for (int i = 0; i < n; ++i) {
        const double a = first[static_cast<std::size_t>(i)], b = second[static_cast<std::size_t>(i)];
        if (std::isnan(a) || std::isnan(b)) continue;
        const double q = !percentage_ ? a - b : a == 0 ? b : (a - b) / a;
        output->AddPointXY(x[i], 100 * q, {}, clDefault);
    }
}

void TPVOFunction::SetUpInGallery(TCustomAxisPanel* chart)
{
    TDuvFunction::SetUpInGallery(chart);
    MoveOutputToRightAxis();
    TChartSeries* output = OutputSeries();
    if (!output || !output->VertAxisObject()) return;
    TChartAxis* axis = output->VertAxisObject();
    axis->SetMinMax(-100, 100);
    axis->SetAutomatic(false);
    axis->SetAxisValuesFormat("0%");
}

// ---------------------------------------------------------------- commodity channel index

TCCIFunction::TCCIFunction(TComponent* owner) : TFinancialFunction(owner)
{
    StorePeriod(20);
    SingleSourceOnly = true;
    HidesValueSource = true;
}

void TCCIFunction::DeclareProperties(TPropertyDeclarer<TCCIFunction>& p)
{
    p.Float("Constant", &TCCIFunction::Constant, &TCCIFunction::SetConstant)
        .Stored([](const TCCIFunction& f) { return f.Constant() != 0.015; });
}

void TCCIFunction::SetConstant(double value)
{
    ChangeAndRecalculate(*this, constant_, value);
}

void TCCIFunction::CalculateFromSources(TChartSeries* source)
{
    TChartSeries* output = OutputSeries();
    const TOHLCSeries* bars = AsOHLC(source);
    if (!output || !bars) return;
    output->ClearPoints();
    const int p = RoundedPeriod(Period());
    const int n = bars->PointCount();
    if (p < 1 || n < p) return;
    std::vector<double> typical(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        typical[static_cast<std::size_t>(i)] =
            (bars->CloseValues()->GetValueAt(i) + bars->HighValues()->GetValueAt(i) + bars->LowValues()->GetValueAt(i)) / 3;
    const std::vector<double> average = SimpleAverage(typical.data(), n, p);
    const double c = constant_ == 0 ? 1 : constant_;
    const double* x = bars->XValues()->Values();
    for (int i = p - 1; i < n; ++i) {
        const double m = average[static_cast<std::size_t>(i)];
        double deviation = 0;
        for (int j = i - p + 1; j <= i; ++j) deviation += std::fabs(m - typical[static_cast<std::size_t>(j)]);
        deviation /= p;
        if (deviation != 0) output->AddPointXY(x[i], (typical[static_cast<std::size_t>(i)] - m) / (deviation * c), {}, clDefault);
    }
}

void TCCIFunction::SetUpInGallery(TCustomAxisPanel* chart)
{
    TFinancialFunction::SetUpInGallery(chart);
    MoveOutputToRightAxis();
}

// ---------------------------------------------------------------- registration

void StatCharIndicatorsInitialization()
{
    CaptionAO = "Awesome" + LibraryLineSeparator + "Oscillator";
    CaptionAC = "Accelerator" + LibraryLineSeparator + "Decelerator";
    CaptionGator = "Gator" + LibraryLineSeparator + "Oscillator";
    CaptionBollinger = "Bollinger" + LibraryLineSeparator + "bands";
    CaptionCLV = "Close Location" + LibraryLineSeparator + "Value";
    CaptionPVO = "Volume" + LibraryLineSeparator + "Oscillator";
    CaptionCCI = "Commodity" + LibraryLineSeparator + "Channel Index";
    const std::pair<const TClassInfo*, const std::string*> entries[] = {
        {&TMACDFunction::StaticClass(), &CaptionMACD},         {&TMoneyFlowFunction::StaticClass(), &CaptionMoneyFlow},
        {&TRVIFunction::StaticClass(), &CaptionRVI},           {&TAOFunction::StaticClass(), &CaptionAO},
        {&TACFunction::StaticClass(), &CaptionAC},             {&TAlligatorFunction::StaticClass(), &CaptionAlligator},
        {&TGatorFunction::StaticClass(), &CaptionGator},       {&TStochasticFunction::StaticClass(), &CaptionStochastic},
        {&TBollingerFunction::StaticClass(), &CaptionBollinger}, {&TCLVFunction::StaticClass(), &CaptionCLV},
        {&TPVOFunction::StaticClass(), &CaptionPVO},           {&TCCIFunction::StaticClass(), &CaptionCCI},
    };
    for (const auto& [info, caption] : entries) {
        RegisterClassForStreaming(*info);
        RegisterFunctionType(info, caption, &GalleryFinancial, 1);
    }
}

void StatCharIndicatorsFinalization()
{
    UnregisterFunctionClasses({&TMACDFunction::StaticClass(), &TMoneyFlowFunction::StaticClass(),
                               &TRVIFunction::StaticClass(), &TAOFunction::StaticClass(), &TACFunction::StaticClass(),
                               &TAlligatorFunction::StaticClass(), &TGatorFunction::StaticClass(),
                               &TStochasticFunction::StaticClass(), &TBollingerFunction::StaticClass(),
                               &TCLVFunction::StaticClass(), &TPVOFunction::StaticClass(), &TCCIFunction::StaticClass()});
}
