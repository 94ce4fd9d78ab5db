#pragma once
// The simple functions of the gallery's "Standard" page: arithmetic over several series, extremes
// and averages, a function of x computed by a handler, a subset by X range and the Pareto
// running percentage. Most only reduce the work array; whether they work per period of one source
// or per point of several sources is the framework's decision.
#include <string>
#include <vector>

#include "chart/series/RuRazaziFunction.h"
#include "platform/core/Events.h"

class TAddDuvFunction : public TDuvFunction {
    QB_CLASS(TAddDuvFunction, TDuvFunction)
public:
    explicit TAddDuvFunction(TComponent* owner = nullptr) : TDuvFunction(owner) {}
    double CalculateArray(std::vector<double>& values) override;
    void SetUpInGallery(TCustomAxisPanel* chart) override;
};

// The functions whose result depends on the order of their sources.
class TManySeriesDuvFunction : public TDuvFunction {
    QB_CLASS(TManySeriesDuvFunction, TDuvFunction)
public:
    explicit TManySeriesDuvFunction(TComponent* owner = nullptr) : TDuvFunction(owner) {}
    void SetUpInGallery(TCustomAxisPanel* chart) override;
};

class TSubtractDuvFunction : public TManySeriesDuvFunction {
    QB_CLASS(TSubtractDuvFunction, TManySeriesDuvFunction)
public:
    explicit TSubtractDuvFunction(TComponent* owner = nullptr) : TManySeriesDuvFunction(owner) {}
    double CalculateArray(std::vector<double>& values) override;
};

class TMultiplyDuvFunction : public TManySeriesDuvFunction {
    QB_CLASS(TMultiplyDuvFunction, TManySeriesDuvFunction)
public:
    explicit TMultiplyDuvFunction(TComponent* owner = nullptr) : TManySeriesDuvFunction(owner) {}
    double CalculateArray(std::vector<double>& values) override;
    void SetUpInGallery(TCustomAxisPanel* chart) override;
};

// A zero divisor leaves the quotient without a defined value: a null point.
class TDivideDuvFunction : public TManySeriesDuvFunction {
    QB_CLASS(TDivideDuvFunction, TManySeriesDuvFunction)
public:
    explicit TDivideDuvFunction(TComponent* owner = nullptr) : TManySeriesDuvFunction(owner) {}
    double CalculateArray(std::vector<double>& values) override;
};

class THighDuvFunction : public TDuvFunction {
    QB_CLASS(THighDuvFunction, TDuvFunction)
public:
    explicit THighDuvFunction(TComponent* owner = nullptr) : TDuvFunction(owner) {}
    double CalculateArray(std::vector<double>& values) override;
    double CalculateRange(TChartSeries* source, int first, int last) override;
};

class TLowDuvFunction : public TDuvFunction {
    QB_CLASS(TLowDuvFunction, TDuvFunction)
public:
    explicit TLowDuvFunction(TComponent* owner = nullptr) : TDuvFunction(owner) {}
    double CalculateArray(std::vector<double>& values) override;
    double CalculateRange(TChartSeries* source, int first, int last) override;
};

class TAverageDuvFunction : public TDuvFunction {
    QB_CLASS(TAverageDuvFunction, TDuvFunction)
public:
    explicit TAverageDuvFunction(TComponent* owner = nullptr) : TDuvFunction(owner) {}
    double CalculateArray(std::vector<double>& values) override;
    double CalculateRange(TChartSeries* source, int first, int last) override;
    std::string GetEditorClassName() const override { return "TAverageFuncEditor"; }
};

class TCustomDuvFunction;
using TCalculateEvent = TEvent<void(TCustomDuvFunction* sender, double x, double& y)>;

// NumPoints points from StartX on, Period apart, each y given by the OnCalculate handler.
class TCustomDuvFunction : public TDuvFunction {
    QB_CLASS(TCustomDuvFunction, TDuvFunction)
public:
    explicit TCustomDuvFunction(TComponent* owner = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TCustomDuvFunction>& p);

    // Stored directly: changing them does not recalculate.
    TCalculateEvent OnCalculate;
    int NumPoints = 100;
    double StartX = 0;

    // The point being calculated: its X and index (-1 outside a calculation).
    double X() const { return x_; }
    int Index() const { return index_; }

    void CalculateFromSources(TChartSeries* source) override;
    std::string GetEditorClassName() const override { return "TCustomFunctionEditor"; }
    void SetUpInGallery(TCustomAxisPanel* chart) override;
    // The gallery's handler: y = (sin x + cos x)^2, x in degrees.
    void GalleryCalculate(TCustomDuvFunction* sender, double x, double& y);

private:
    double x_ = 0;
    int index_ = -1;
};

// The reductions that need their work array in ascending order. Values are stored as they come
// and sorted once before the reduction (a stable sort: equal values keep their order of
// arrival), which gives the array that inserting each value in order would give.
class TCustomSortedFunction : public TDuvFunction {
    QB_CLASS(TCustomSortedFunction, TDuvFunction)
public:
    explicit TCustomSortedFunction(TComponent* owner = nullptr) : TDuvFunction(owner) {}

protected:
    // False when a value is not a number (the array then has no order).
    static bool SortValues(std::vector<double>& values);
};

// The middle value; the mean of the two middle ones for an even count; nothing has no median.
class TMedianDuvFunction : public TCustomSortedFunction {
    QB_CLASS(TMedianDuvFunction, TCustomSortedFunction)
public:
    explicit TMedianDuvFunction(TComponent* owner = nullptr) : TCustomSortedFunction(owner) {}
    double CalculateArray(std::vector<double>& values) override;
};

// The most frequent value; among equally frequent ones the smallest.
class TModeDuvFunction : public TCustomSortedFunction {
    QB_CLASS(TModeDuvFunction, TCustomSortedFunction)
public:
    explicit TModeDuvFunction(TComponent* owner = nullptr) : TCustomSortedFunction(owner) {}
    double CalculateArray(std::vector<double>& values) override;
};

// The source's points whose X lies in StartValue .. EndValue, both included.
class TSubsetDuvFunction : public TDuvFunction {
    QB_CLASS(TSubsetDuvFunction, TDuvFunction)
public:
    explicit TSubsetDuvFunction(TComponent* owner = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TSubsetDuvFunction>& p);

    double StartValue() const { return startValue_; }
    void SetStartValue(double value);
    double EndValue() const { return endValue_; }
    void SetEndValue(double value);

    void CalculateFromSources(TChartSeries* source) override;
    std::string GetEditorClassName() const override { return "TSubsetFuncEditor"; }
    void SetUpInGallery(TCustomAxisPanel* chart) override;

private:
    double startValue_ = 0;
    double endValue_ = 0;
};

// The running percentage of the absolute total up to and including each point.
class TParetoDuvFunction : public TDuvFunction {
    QB_CLASS(TParetoDuvFunction, TDuvFunction)
public:
    explicit TParetoDuvFunction(TComponent* owner = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TParetoDuvFunction>& p);

    void CalculateFromSources(TChartSeries* source) override;
    double CalculateRange(TChartSeries* source, int first, int last) override;
    void SetUpInGallery(TCustomAxisPanel* chart) override;

private:
    // The running sum of one recalculation: the absolute values of points 0 .. through_ of the
    // list, and the list's absolute total.
    bool calculating_ = false;
    const TChartValueList* runningList_ = nullptr;
    int through_ = -1;
    double runningSum_ = 0;
    double total_ = 0;
};

void DuvFunciInitialization();
void DuvFunciFinalization();
