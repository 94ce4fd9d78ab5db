#include "chart/series/OHLChart.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/ChartRegistry.h"
#include "chart/engine/DuvProcs.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/graphics/CanvasHelpers.h"
#include "chart/graphics/DuvConst.h"
#include "chart/series/SeriesFastLine.h"
#include "platform/core/NumText.h"

const TClassInfo* CandleSeriesClass = nullptr;
const TClassInfo* VolumeSeriesClass = nullptr;

namespace {

std::string GalleryFinancial = "Financial";
std::string GalleryOBV, GallerySAR = "SAR", GalleryPointFigure = "Point & Figure";
std::string LegendUp = "Up", LegendDown = "Down";

const TOHLCSeries* AsOHLC(const TChartSeries* series) { return dynamic_cast<const TOHLCSeries*>(series); }

}  // namespace

// ---------------------------------------------------------------- OHLC series

TOHLCSeries::TOHLCSeries(TComponent* owner)
    : TCustomSeries(owner),
      high_(new TChartValueList(this, "High")),
      low_(new TChartValueList(this, "Low")),
      open_(new TChartValueList(this, "Open"))
{
    XValues()->SetName("Date");
    XValues()->SetDateTimeDefault(true);
    YValues()->SetName("Close");
    Pointer().InitVisible(false);
}

void TOHLCSeries::DeclareProperties(TPropertyDeclarer<TOHLCSeries>& p)
{
    using S = TOHLCSeries;
    // The X and Y lists under other names: stored as XValues and YValues.
    p.Object("CloseValues", &S::CloseValues, &S::SetCloseValues).NotStored();
    p.Object("DateValues", &S::DateValues, &S::SetDateValues).NotStored();
    p.Object("HighValues", &S::HighValues, &S::SetHighValues);
    p.Object("LowValues", &S::LowValues, &S::SetLowValues);
    p.Object("OpenValues", &S::OpenValues, &S::SetOpenValues);
    p.Enum("TreatNulls", &S::TreatNulls, &S::SetTreatNulls).Default(tnDontPaint);
}

int TOHLCSeries::AddPriceBar(double date, double open, double high, double low, double close,
                             const std::string& label, TColor color)
{
    open_->PendingValue = open;
    high_->PendingValue = high;
    low_->PendingValue = low;
    return AddPointXY(date, close, label, color);
}

double TOHLCSeries::CalcExtremeValue(bool minimum) const
{
    const bool countNulls = TreatNulls() == tnIgnore;
    const double* opens = open_->Values();
    const double* highs = high_->Values();
    const double* lows = low_->Values();
    const double* closes = YValues()->Values();
    bool found = false;
    double result = 0;
    for (int i = 0; i < PointCount(); ++i) {
        if (!countNulls && IsNullPoint(i)) continue;
        const double bar = minimum ? std::min({opens[i], lows[i], highs[i], closes[i]})
                                   : std::max({opens[i], lows[i], highs[i], closes[i]});
        result = !found ? bar : minimum ? std::min(result, bar) : std::max(result, bar);
        found = true;
    }
    return result;
}

void TOHLCSeries::AddRandomSamples(int count, bool)
{
    const TSampleRanges ranges = SampleValueRanges(count);
    const double range = ranges.YRange;
    double x = ranges.StartX;
    double open = RandomInt(static_cast<int>(Rnd(range))) + ranges.MinY;
    for (int i = 0; i < count; ++i) {
        const double close = open + RandomInt(static_cast<int>(Rnd(range / 25))) - range / 50;
        const double wick = 3.0 * static_cast<double>(Rnd(std::fabs(close - open) / 10));
        const int spread = static_cast<int>(std::llabs(Rnd(range / 400)));
        double high, low;
        if (close > open) {
            high = close + wick + RandomInt(spread);
            low = open - wick - RandomInt(spread);
        } else {
            high = open + wick + RandomInt(spread);
            low = close - wick - RandomInt(spread);
        }
        AddPriceBar(x, open, high, low, close, {}, clDefault);
        x += ranges.XStep;
        open = RandomInt(10) + close - 5;
    }
}

bool TOHLCSeries::AcceptsSourceSeries(const TChartSeries* source) const
{
    return source != this && AsOHLC(source) != nullptr;
}

// ---------------------------------------------------------------- financial functions

bool TFinancialFunction::AcceptsSource(const TChartSeries* source) const { return AsOHLC(source) != nullptr; }

void TFinancialFunction::HideHelperSeries(TChartSeries* series)
{
    if (!series) return;
    series->SetShowInLegend(false);
    series->NotStreamed = true;
    series->ShowInEditor = false;
}

TVolumeLinkedFunction::~TVolumeLinkedFunction()
{
    if (volume_) RemoveFreeNotification(volume_);
}

void TVolumeLinkedFunction::SetVolume(TChartSeries* value)
{
    if (value == volume_) return;
    if (volume_) RemoveFreeNotification(volume_);
    volume_ = value;
    if (volume_) FreeNotification(volume_);
    Recalculate();
}

void TVolumeLinkedFunction::Notification(TComponent* component, TOperation operation)
{
    TFinancialFunction::Notification(component, operation);
    if (operation == TOperation::opRemove && component == volume_) {
        volume_ = nullptr;
        Recalculate();
    }
}

TOBVFunction::TOBVFunction(TComponent* owner) : TVolumeLinkedFunction(owner)
{
    StorePeriod(1);
    PeriodEditable = false;
    SingleSourceOnly = true;
    HidesValueSource = true;
}

void TOBVFunction::DeclareProperties(TPropertyDeclarer<TOBVFunction>& p)
{
    p.Component("Volume", &TOBVFunction::Volume, &TOBVFunction::SetVolume);
}

void TOBVFunction::CalculateFromSources(TChartSeries* source)
{
    TChartSeries* output = OutputSeries();
    if (!output) return;
    output->ClearPoints();
    const TOHLCSeries* bars = AsOHLC(source);
    if (!Volume() || !bars) return;
    const int count = std::min(bars->PointCount(), Volume()->PointCount());
    double result = 0;
    for (int i = 0; i < count; ++i) {
        const double volume = Volume()->GetMandatoryValue(i);
        if (i == 0)
            result = volume;
        else
            result += bars->CloseValues()->GetValueAt(i) > bars->OpenValues()->GetValueAt(i) ? volume : -volume;
        output->AddPointXY(bars->DateValues()->GetValueAt(i), result, {}, clDefault);
    }
}

void TOBVFunction::SetUpInGallery(TCustomAxisPanel* chart)
{
    const TChartSeriesList& list = chart->SeriesList();
    if (list.Count() < 1) return;
    auto* prices = dynamic_cast<TChartSeries*>(list.GetSeries(0));
    if (!prices) return;
    if (list.Count() > 1) FreeComponent(list.GetSeries(1));
    TChartSeries* volume = nullptr;
    if (VolumeSeriesClass) volume = dynamic_cast<TChartSeries*>(VolumeSeriesClass->Create(chart->Owner()));
    if (volume) {
        volume->SetParentChart(chart);
        volume->FillSampleValues(prices->PointCount());
    }
    auto* output = new TFastLineSeries(chart->Owner());
    output->SetParentChart(chart);
    SetVolume(volume);
    if (volume) volume->SetTitle("Volume");
    output->SetFunction(this);
    output->SetDataSource(prices);
    MoveOutputToRightAxis();
    if (volume) volume->SetVertAxis(output->VertAxis());
}

TSARFunction::TSARFunction(TComponent* owner) : TFinancialFunction(owner)
{
    PeriodEditable = false;
    SingleSourceOnly = true;
}

void TSARFunction::DeclareProperties(TPropertyDeclarer<TSARFunction>& p)
{
    p.Float("AccelerationFactor", &TSARFunction::AccelerationFactor, &TSARFunction::SetAccelerationFactor)
        .Default(0.02);
    p.Float("MaxStep", &TSARFunction::MaxStep, &TSARFunction::SetMaxStep).Default(0.2);
}

void TSARFunction::SetAccelerationFactor(double value)
{
    ChangeAndRecalculate(*this, accelerationFactor_, value);
}

void TSARFunction::SetMaxStep(double value)
{
    ChangeAndRecalculate(*this, maxStep_, value);
}

void TSARFunction::CalculateFromSources(TChartSeries* source)
{
    TChartSeries* output = OutputSeries();
    if (!output) return;
    output->ClearPoints();
    const TOHLCSeries* bars = AsOHLC(source);
    if (!bars || bars->PointCount() <= 2) return;
    const int count = bars->PointCount();
    const double* high = bars->HighValues()->Values();
    const double* low = bars->LowValues()->Values();
    const double af = accelerationFactor_;
    std::vector<double> sar(static_cast<std::size_t>(count));
    sar[0] = bars->CloseValues()->GetValueAt(0);
    sar[1] = high[1];
    bool isLong = true;
    double a = af, extremeLong = high[0], extremeShort = low[0];
    for (int i = 2; i < count; ++i) {
        double s = sar[i - 1] + a * ((isLong ? extremeLong : extremeShort) - sar[i - 1]);
        if (isLong && low[i] < s) {
            isLong = false;
            s = extremeLong;
            extremeShort = low[i];
            a = af;
        } else if (!isLong && high[i] > s) {
            isLong = true;
            s = extremeShort;
            extremeLong = high[i];
            a = af;
        } else if (isLong) {
            if (high[i] > extremeLong) {
                extremeLong = high[i];
                a = std::min(maxStep_, a + af);
            }
            s = std::min({low[i - 2], low[i - 1], s});
        } else {
            if (low[i] < extremeShort) {
                extremeShort = low[i];
                a = std::min(maxStep_, a + af);
            }
            s = std::max({high[i - 2], high[i - 1], s});
        }
        sar[i] = s;
    }
    for (int i = 2; i < count; ++i) AddOutputPoint(bars->YMandatory(), bars->XValues()->GetValueAt(i), sar[i]);
}

// ---------------------------------------------------------------- point and figure

TPointFigureSeries::TPointFigureSeries(TComponent* owner)
    : TOHLCSeries(owner),
      downSymbol_(std::make_unique<TSeriesPointer>(this)),
      upSymbol_(std::make_unique<TSeriesPointer>(this))
{
    downSymbol_->SetStyle(psCircle);
    downSymbol_->Brush().SetColor(static_cast<TColor>(0xFF));
    upSymbol_->SetStyle(psDiagCross);
    upSymbol_->Brush().SetColor(static_cast<TColor>(0x8000));
    XValues()->SetDateTimeDefault(false);
}

TPointFigureSeries::~TPointFigureSeries() = default;

void TPointFigureSeries::DeclareProperties(TPropertyDeclarer<TPointFigureSeries>& p)
{
    using S = TPointFigureSeries;
    p.Float("BoxSize", &S::BoxSize, &S::SetBoxSize).Default(1.0);
    p.Object("DownSymbol", &S::DownSymbol, &S::SetDownSymbol);
    p.Float("ReversalAmount", &S::ReversalAmount, &S::SetReversalAmount).Default(3.0);
    p.Object("UpSymbol", &S::UpSymbol, &S::SetUpSymbol);
}

void TPointFigureSeries::SetBoxSize(double value)
{
    if (!(value > 0)) return;
    ChangeDouble(boxSize_, value);
}

void TPointFigureSeries::SetParentChart(TCustomAxisPanel* value)
{
    TOHLCSeries::SetParentChart(value);
    if (HasState(csDestroying)) return;
    upSymbol_->AttachToPanel(ParentChart());
    downSymbol_->AttachToPanel(ParentChart());
}

void TPointFigureSeries::DrawColumn(TSeriesPointer& symbol, int x, double from, double to)
{
    symbol.PrepareOwnColors();
    const double box = boxSize_;
    // A box too small to move the value, or smaller than a pixel row, would draw without end:
    // at most one symbol per pixel row of the column, at least one symbol.
    const double boxes = (to - from) / box;
    const int fromY = ValueToScreenY(from);
    const int toY = ValueToScreenY(to);
    const int rows = std::abs(toY - fromY) + 1;
    if (from + box == from || (std::isfinite(boxes) && boxes > rows) || !std::isfinite(boxes)) {
        const int step = toY >= fromY ? 1 : -1;
        if (from > to || from + box == from) {
            symbol.DrawAt(x, fromY);
            return;
        }
        for (int y = fromY;; y += step) {
            symbol.DrawAt(x, y);
            if (y == toY) break;
        }
        return;
    }
    double v = from;
    do {
        symbol.DrawAt(x, ValueToScreenY(v));
        v += box;
    } while (v <= to);
}

int TPointFigureSeries::CalcColumns(bool draw)
{
    const int count = PointCount();
    columns_.assign(static_cast<std::size_t>(std::max(count, 0)), 0);
    if (count < 1) return 0;
    const double box = boxSize_;
    const double reversal = reversalAmount_ * box;
    const double* highs = HighValues()->Values();
    const double* lows = LowValues()->Values();
    bool rising = false;
    double low = lows[0], high = highs[0];
    int column = 0;
    int x = draw ? ValueToScreenX(0) : 0;
    if (draw) DrawColumn(*downSymbol_, x, low, high);
    for (int i = 1; i < count; ++i) {
        if (!rising) {
            if (lows[i] <= low - box) {
                if (draw) DrawColumn(*downSymbol_, x, lows[i], low - box);
                low = lows[i];
            } else if (highs[i] >= low + reversal) {
                rising = true;
                ++column;
                high = highs[i];
                if (draw) {
                    x = ValueToScreenX(column);
                    DrawColumn(*upSymbol_, x, low + box, highs[i]);
                }
            }
        } else {
            if (highs[i] >= high + box) {
                if (draw) DrawColumn(*upSymbol_, x, high + box, highs[i]);
                high = highs[i];
            } else if (lows[i] <= high - reversal) {
                rising = false;
                ++column;
                low = lows[i];
                if (draw) {
                    x = ValueToScreenX(column);
                    DrawColumn(*downSymbol_, x, lows[i], high - box);
                }
            }
        }
        columns_[static_cast<std::size_t>(i)] = column;
    }
    return column + 1;
}

void TPointFigureSeries::DrawAllPoints()
{
    TCustomAxisPanel* chart = ParentChart();
    if (!chart) return;
    TCanvas3D& canvas = chart->Canvas();
    TDuvBlend* blend = Transparency() != 0 ? canvas.BeginBlending(TRect{}, Transparency()) : nullptr;
    CalcColumns(true);
    if (blend) canvas.EndBlending(blend);
}

void TPointFigureSeries::GetLegendText(int index, TLegendTextStyle, std::string& text) const
{
    text = index == 0 ? LegendUp : LegendDown;
}

TColor TPointFigureSeries::GetLegendItemColor(int index) const
{
    return index == 0 ? upSymbol_->Brush().Color() : downSymbol_->Brush().Color();
}

void TPointFigureSeries::PaintLegendSymbol(int index, const TRect& rect)
{
    TSeriesPointer& symbol = index == 0 ? *upSymbol_ : *downSymbol_;
    DrawPointerLegendSymbol(symbol, symbol.Brush().Color(), rect, symbol.Style(), false);
}

// ---------------------------------------------------------------- registration

void OHLChartInitialization()
{
    GalleryOBV = "On Balance" + LibraryLineSeparator + "Volume";
    for (const TClassInfo* info : {&TOHLCSeries::StaticClass(), &TPointFigureSeries::StaticClass(),
                                   &TFinancialFunction::StaticClass(), &TOBVFunction::StaticClass(),
                                   &TSARFunction::StaticClass()})
        RegisterClassForStreaming(*info);
    RegisterFunctionType(&TOBVFunction::StaticClass(), &GalleryOBV, &GalleryFinancial, 1);
    RegisterFunctionType(&TSARFunction::StaticClass(), &GallerySAR, &GalleryFinancial, 1);
    RegisterSeriesType(&TPointFigureSeries::StaticClass(), &GalleryPointFigure, &GalleryFinancial, 1);
}

void OHLChartFinalization()
{
    UnregisterFunctionClasses({&TOBVFunction::StaticClass(), &TSARFunction::StaticClass()});
    UnregisterSeriesClasses({&TPointFigureSeries::StaticClass()});
}
