#pragma once
// The technical-analysis indicators. Several draw more than one curve: besides their output
// series they own auxiliary series (signal lines, histograms, a second band) that stay out of
// the legend, the editor and the stored chart, and that take the output series' chart, axes
// and X scale at every recalculation.
//
// What always holds: two curves are combined point by point only where both have a point at
// the same X; a missing point of one curve is never read.
#include <memory>
#include <string>

#include "chart/series/OHLChart.h"

class TFastLineSeries;
class TAreaSeries;
class THistogramSeries;

// The series class of the auxiliary volume bars: the volume series once the candle unit has
// registered it, the histogram series until then.
const TClassInfo& VolumeBarClass();
bool IsVolumeBarSeries(const TChartSeries* series);

class TMACDFunction : public TDuvMovingFunction {
    QB_CLASS(TMACDFunction, TDuvMovingFunction)
public:
    explicit TMACDFunction(TComponent* owner = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TMACDFunction>& p);

    double Period2() const { return period2_; }
    // Below 1 becomes 1.
    void SetPeriod2(double value);
    int Period3() const { return period3_; }
    void SetPeriod3(int value);
    TDuvPen* MACDPen() const;
    void SetMACDPen(const TDuvPen* value);
    TDuvPen* MACDExpPen() const;
    void SetMACDExpPen(const TDuvPen* value);
    TDuvPen* HistogramPen() const;
    void SetHistogramPen(const TDuvPen* value);
    TChartSeries* SignalLine() const { return signal_; }
    TChartSeries* Histogram() const { return histogram_; }

    std::string GetEditorClassName() const override { return "TMACDFuncEditor"; }
    void CalculateFromSources(TChartSeries* source) override;
    void ResetInnerSeries() override;
    void SetUpInGallery(TCustomAxisPanel* chart) override;

private:
    double period2_ = 12;
    int period3_ = 9;
    TChartSeries* signal_;
    TChartSeries* histogram_;
};

class TStochasticFunction : public TDuvMovingFunction {
    QB_CLASS(TStochasticFunction, TDuvMovingFunction)
public:
    explicit TStochasticFunction(TComponent* owner = nullptr);
    const TClassInfo* GetSourceSeriesClass() const override { return CandleSeriesClass; }
    double CalculateRange(TChartSeries* source, int first, int last) override;
    void SetUpInGallery(TCustomAxisPanel* chart) override;
};

class TBollingerFunction : public TDuvFunction {
    QB_CLASS(TBollingerFunction, TDuvFunction)
public:
    explicit TBollingerFunction(TComponent* owner = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TBollingerFunction>& p);

    double Deviation() const { return deviation_; }
    void SetDeviation(double value);
    bool Exponential() const { return exponential_; }
    void SetExponential(bool value);
    TDuvPen* UpperBandPen() const;
    void SetUpperBandPen(const TDuvPen* value);
    TDuvPen* LowBandPen() const;
    void SetLowBandPen(const TDuvPen* value);
    TChartSeries* LowBand() const { return lowBand_; }

    std::string GetEditorClassName() const override { return "TBollingerFuncEditor"; }
    void CalculateFromSources(TChartSeries* source) override;
    void ResetInnerSeries() override;

private:
    void CalculateBand(TChartSeries* source, TChartSeries* band, double factor);

    double deviation_ = 2;
    bool exponential_ = true;
    TChartSeries* lowBand_;
};

// Close location value.
class TCLVFunction : public TVolumeLinkedFunction {
    QB_CLASS(TCLVFunction, TVolumeLinkedFunction)
public:
    explicit TCLVFunction(TComponent* owner = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TCLVFunction>& p);
    bool Accumulate() const { return accumulate_; }
    void SetAccumulate(bool value);
    std::string GetEditorClassName() const override { return "TCLVFuncEditor"; }
    void CalculateFromSources(TChartSeries* source) override;
    void SetUpInGallery(TCustomAxisPanel* chart) override;

protected:
    bool accumulate_ = true;
};

QB_ENUM(TCMFStyle, cmfLine, cmfArea, cmfVolume, cmfHistogram)

// Chaikin money flow.
class TMoneyFlowFunction : public TCLVFunction {
    QB_CLASS(TMoneyFlowFunction, TCLVFunction)
public:
    explicit TMoneyFlowFunction(TComponent* owner = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TMoneyFlowFunction>& p);

    TCMFStyle CMFStyle() const { return style_; }
    void SetCMFStyle(TCMFStyle value);
    TColor UpColor() const { return upColor_; }
    void SetUpColor(TColor value);
    TColor DownColor() const { return downColor_; }
    void SetDownColor(TColor value);
    TDuvPen* AreaPen() const;
    void SetAreaPen(const TDuvPen* value);
    TDuvPen* HistogramPen() const;
    void SetHistogramPen(const TDuvPen* value);
    TChartSeries* VolumeBars() const { return volumeBars_; }
    TChartSeries* AreaCompanion() const { return area_; }
    TChartSeries* HistogramCompanion() const { return histogram_; }

    std::string GetEditorClassName() const override { return "TMoneyFlowFuncEditor"; }
    void CalculateFromSources(TChartSeries* source) override;
    void ResetInnerSeries() override;
    void SetUpInGallery(TCustomAxisPanel* chart) override;

private:
    TCMFStyle style_ = cmfLine;
    TColor upColor_ = static_cast<TColor>(0x8000);
    TColor downColor_ = static_cast<TColor>(0xFF);
    TChartSeries* volumeBars_;
    TChartSeries* area_;
    TChartSeries* histogram_;
};

// Relative vigour index.
class TRVIFunction : public TFinancialFunction {
    QB_CLASS(TRVIFunction, TFinancialFunction)
public:
    explicit TRVIFunction(TComponent* owner = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TRVIFunction>& p);
    TDuvPen* SignalPen() const;
    void SetSignalPen(const TDuvPen* value);
    TChartSeries* SignalLine() const { return signal_; }
    TChartSeries* RawIndex() const { return raw_; }
    std::string GetEditorClassName() const override { return "TRVIFuncEditor"; }
    void CalculateFromSources(TChartSeries* source) override;
    void ResetInnerSeries() override;
    void SetUpInGallery(TCustomAxisPanel* chart) override;

private:
    TChartSeries* signal_;
    TChartSeries* raw_;
};

// The awesome and accelerator oscillators: bars of one value per price bar, green while the
// value grows and red while it falls.
class TBarOscillatorFunction : public TFinancialFunction {
    QB_CLASS(TBarOscillatorFunction, TFinancialFunction)
public:
    explicit TBarOscillatorFunction(TComponent* owner = nullptr);
    std::string GetEditorClassName() const override { return "TRMSFuncEditor"; }
    void CalculateFromSources(TChartSeries* source) override;
    void SetUpInGallery(TCustomAxisPanel* chart) override;

protected:
    // The oscillator per bar (NaN where it has no value); empty below 34 bars.
    virtual std::vector<double> Oscillator(const TOHLCSeries& bars) const = 0;
};

// Awesome oscillator.
class TAOFunction : public TBarOscillatorFunction {
    QB_CLASS(TAOFunction, TBarOscillatorFunction)
public:
    explicit TAOFunction(TComponent* owner = nullptr) : TBarOscillatorFunction(owner) {}

protected:
    std::vector<double> Oscillator(const TOHLCSeries& bars) const override;
};

// Accelerator oscillator.
class TACFunction : public TBarOscillatorFunction {
    QB_CLASS(TACFunction, TBarOscillatorFunction)
public:
    explicit TACFunction(TComponent* owner = nullptr) : TBarOscillatorFunction(owner) {}

protected:
    std::vector<double> Oscillator(const TOHLCSeries& bars) const override;
};

class TAlligatorFunction : public TFinancialFunction {
    QB_CLASS(TAlligatorFunction, TFinancialFunction)
public:
    explicit TAlligatorFunction(TComponent* owner = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TAlligatorFunction>& p);
    TDuvPen* TeethPen() const;
    void SetTeethPen(const TDuvPen* value);
    TDuvPen* LipsPen() const;
    void SetLipsPen(const TDuvPen* value);
    TChartSeries* Teeth() const { return teeth_; }
    TChartSeries* Lips() const { return lips_; }
    std::string GetEditorClassName() const override { return "TAlligatorFuncEditor"; }
    void CalculateFromSources(TChartSeries* source) override;
    void ResetInnerSeries() override;

private:
    TChartSeries* teeth_;
    TChartSeries* lips_;
};

class TGatorFunction : public TFinancialFunction {
    QB_CLASS(TGatorFunction, TFinancialFunction)
public:
    explicit TGatorFunction(TComponent* owner = nullptr);
    TChartSeries* LowerHistogram() const { return lower_; }
    void CalculateFromSources(TChartSeries* source) override;
    void ResetInnerSeries() override;
    void SetUpInGallery(TCustomAxisPanel* chart) override;

private:
    TChartSeries* lower_;
};

// Volume oscillator.
class TPVOFunction : public TDuvFunction {
    QB_CLASS(TPVOFunction, TDuvFunction)
public:
    explicit TPVOFunction(TComponent* owner = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TPVOFunction>& p);
    int Period2() const { return period2_; }
    void SetPeriod2(int value);
    bool Percentage() const { return percentage_; }
    void SetPercentage(bool value);
    std::string GetEditorClassName() const override { return "TPVOFuncEditor"; }
    void CalculateFromSources(TChartSeries* source) override;
    void SetUpInGallery(TCustomAxisPanel* chart) override;

private:
    int period2_ = 26;
    bool percentage_ = true;
};

// Commodity channel index.
class TCCIFunction : public TFinancialFunction {
    QB_CLASS(TCCIFunction, TFinancialFunction)
public:
    explicit TCCIFunction(TComponent* owner = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TCCIFunction>& p);
    double Constant() const { return constant_; }
    void SetConstant(double value);
    std::string GetEditorClassName() const override { return "TCCIFuncEditor"; }
    void CalculateFromSources(TChartSeries* source) override;
    void SetUpInGallery(TCustomAxisPanel* chart) override;

private:
    double constant_ = 0.015;
};

void StatCharIndicatorsInitialization();
void StatCharIndicatorsFinalization();
