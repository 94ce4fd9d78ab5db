#pragma once
// Price bars and the base of the functions that read them. An OHLC series keeps one bar per
// point in five lists (Date, Close, High, Low, Open, in that index order, which the "Data"
// stream and the functions rely on); it draws nothing itself. The point-and-figure series
// turns the bars into columns of rising and falling boxes.
//
// What always holds:
//  - the five lists hold PointCount() values each, in the list order above;
//  - a point-and-figure column pass visits the bars once, in index order, and its symbols sit
//    at the values reached from a column's start by adding BoxSize.
#include <memory>
#include <string>

#include "chart/series/RuRazaziFunction.h"
#include "chart/series/RuRazaziPointer.h"
#include "chart/series/Series.h"

// Filled by the candle unit's start-up; none until then.
extern const TClassInfo* CandleSeriesClass;
extern const TClassInfo* VolumeSeriesClass;

class TOHLCSeries : public TCustomSeries {
    QB_CLASS(TOHLCSeries, TCustomSeries)
public:
    explicit TOHLCSeries(TComponent* owner = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TOHLCSeries>& p);

    TChartValueList* DateValues() const { return XValues(); }
    TChartValueList* CloseValues() const { return YValues(); }
    TChartValueList* HighValues() const { return high_; }
    TChartValueList* LowValues() const { return low_; }
    TChartValueList* OpenValues() const { return open_; }
    void SetDateValues(const TChartValueList* value) { AssignValueList(XValues(), value); }
    void SetCloseValues(const TChartValueList* value) { AssignValueList(YValues(), value); }
    void SetHighValues(const TChartValueList* value) { AssignValueList(high_, value); }
    void SetLowValues(const TChartValueList* value) { AssignValueList(low_, value); }
    void SetOpenValues(const TChartValueList* value) { AssignValueList(open_, value); }

    // The index of the new bar; -1 when OnBeforeAdd refused it.
    int AddPriceBar(double date, double open, double high, double low, double close,
                    const std::string& label = {}, TColor color = clDefault);

    // Over all four prices, so the value axis fits every wick.
    double CalcExtremeValue(bool minimum) const override;
    void AddRandomSamples(int count, bool valuesOnly) override;
    int DefaultSampleCount() const override { return 40; }
    bool AcceptsSourceSeries(const TChartSeries* source) const override;

private:
    TChartValueList* high_;
    TChartValueList* low_;
    TChartValueList* open_;
};

// The base of every function that reads price bars.
class TFinancialFunction : public TDuvFunction {
    QB_CLASS(TFinancialFunction, TDuvFunction)
public:
    explicit TFinancialFunction(TComponent* owner = nullptr) : TDuvFunction(owner) {}
    bool AcceptsSource(const TChartSeries* source) const override;
    const TClassInfo* GetSourceSeriesClass() const override { return CandleSeriesClass; }
    // An extra output series of a function: out of the legend, the editor and the stored chart.
    static void HideHelperSeries(TChartSeries* series);
};

// Stores a function's setting and recalculates, only when the value really changes.
template <class T>
void ChangeAndRecalculate(TDuvFunction& function, T& field, T value)
{
    if (field == value) return;
    field = value;
    function.Recalculate();
}

// A function with a link to a series of traded volumes, one per bar, that it does not own.
class TVolumeLinkedFunction : public TFinancialFunction {
    QB_CLASS(TVolumeLinkedFunction, TFinancialFunction)
public:
    explicit TVolumeLinkedFunction(TComponent* owner = nullptr) : TFinancialFunction(owner) {}
    ~TVolumeLinkedFunction() override;
    TChartSeries* Volume() const { return volume_; }
    void SetVolume(TChartSeries* value);

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    TComponentRef<TChartSeries> volume_{this};
};

// On-balance volume.
class TOBVFunction : public TVolumeLinkedFunction {
    QB_CLASS(TOBVFunction, TVolumeLinkedFunction)
public:
    explicit TOBVFunction(TComponent* owner = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TOBVFunction>& p);
    std::string GetEditorClassName() const override { return "TOBVFuncEditor"; }
    void CalculateFromSources(TChartSeries* source) override;
    void SetUpInGallery(TCustomAxisPanel* chart) override;
};

// Parabolic stop-and-reverse.
class TSARFunction : public TFinancialFunction {
    QB_CLASS(TSARFunction, TFinancialFunction)
public:
    explicit TSARFunction(TComponent* owner = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TSARFunction>& p);
    double AccelerationFactor() const { return accelerationFactor_; }
    void SetAccelerationFactor(double value);
    double MaxStep() const { return maxStep_; }
    void SetMaxStep(double value);
    std::string GetEditorClassName() const override { return "TSARFuncEditor"; }
    void CalculateFromSources(TChartSeries* source) override;

private:
    double accelerationFactor_ = 0.02;
    double maxStep_ = 0.2;
};

class TPointFigureSeries : public TOHLCSeries {
    QB_CLASS(TPointFigureSeries, TOHLCSeries)
public:
    explicit TPointFigureSeries(TComponent* owner = nullptr);
    ~TPointFigureSeries() override;
    static void DeclareProperties(TPropertyDeclarer<TPointFigureSeries>& p);

    double BoxSize() const { return boxSize_; }
    // Ignored unless above 0.
    void SetBoxSize(double value);
    double ReversalAmount() const { return reversalAmount_; }
    void SetReversalAmount(double value) { ChangeDouble(reversalAmount_, value); }
    TSeriesPointer* UpSymbol() const { return upSymbol_.get(); }
    TSeriesPointer* DownSymbol() const { return downSymbol_.get(); }
    void SetUpSymbol(const TSeriesPointer* value) { upSymbol_->Assign(value); }
    void SetDownSymbol(const TSeriesPointer* value) { downSymbol_->Assign(value); }
    // The column of each bar, as the last column pass found it.
    const std::vector<int>& Columns() const { return columns_; }

    // The number of columns; draws their symbols when asked to.
    int CalcColumns(bool draw);
    void SetParentChart(TCustomAxisPanel* value) override;
    void DrawAllPoints() override;
    double MaxXValue() override { return CalcColumns(false) - 1; }
    double MinXValue() override { return 0; }
    // The legend shows two items, "Up" and "Down".
    int GetPointCount() const override { return 2; }
    void GetLegendText(int index, TLegendTextStyle style, std::string& text) const override;
    TColor GetLegendItemColor(int index) const override;
    void PaintLegendSymbol(int index, const TRect& rect) override;
    std::string GetEditorClassName() const override { return "TPointFigureEditor"; }

private:
    void DrawColumn(TSeriesPointer& symbol, int x, double from, double to);

    double boxSize_ = 1;
    std::unique_ptr<TSeriesPointer> downSymbol_;
    std::vector<int> columns_;
    double reversalAmount_ = 3;
    std::unique_ptr<TSeriesPointer> upSymbol_;
};

void OHLChartInitialization();
void OHLChartFinalization();
