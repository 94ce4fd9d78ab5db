#pragma once
// Moving averages, momentum, dispersion and change measures, and three geometric functions.
// The moving averages are also building blocks: the financial indicators run them on private
// series for their intermediate curves.
#include <memory>
#include <vector>

#include "chart/series/RuRazaziFunction.h"

// Adds the results to the output series: in one bulk append when nothing listens to single
// additions, else point by point. asGiven False swaps each pair, as AddOutputPoint does.
void AddOutputPoints(TDuvFunction& function, bool asGiven, const double* xs, const double* ys, int count);

// Plain, X-weighted or index-weighted mean of a window. Whole windows run in one pass with
// compensated running sums, so the results stay those of the per-window mean.
class TMovingAverageFunction : public TDuvMovingFunction {
    QB_CLASS(TMovingAverageFunction, TDuvMovingFunction)
public:
    explicit TMovingAverageFunction(TComponent* owner = nullptr) : TDuvMovingFunction(owner) {}
    static void DeclareProperties(TPropertyDeclarer<TMovingAverageFunction>& p);

    bool Weighted() const { return weighted_; }
    void SetWeighted(bool value);
    bool WeightedIndex() const { return weightedIndex_; }
    void SetWeightedIndex(bool value);

    double CalculateRange(TChartSeries* source, int first, int last) override;
    void AddResults(TChartSeries* source, TChartValueList* list) override;
    std::string GetEditorClassName() const override { return "TMovAveFuncEditor"; }
    void SetUpInGallery(TCustomAxisPanel* chart) override;

private:
    bool weighted_ = false;
    bool weightedIndex_ = false;
};

// Weight x the first value of the window plus (1 - Weight) x the value before it.
class TExpAverageFunction : public TDuvMovingFunction {
    QB_CLASS(TExpAverageFunction, TDuvMovingFunction)
public:
    explicit TExpAverageFunction(TComponent* owner = nullptr) : TDuvMovingFunction(owner) {}
    static void DeclareProperties(TPropertyDeclarer<TExpAverageFunction>& p);

    double Weight() const { return weight_; }
    // Raises an exception outside 0 .. 1 and keeps the old weight.
    void SetWeight(double value);

    double CalculateRange(TChartSeries* source, int first, int last) override;
    std::string GetEditorClassName() const override { return "TExpAveFuncEditor"; }

private:
    double weight_ = 0.2;
};

// E = k v + (1 - k) E with k = 2 / (Period + 1), one result per point.
class TExpMovAveFunction : public TDuvFunction {
    QB_CLASS(TExpMovAveFunction, TDuvFunction)
public:
    explicit TExpMovAveFunction(TComponent* owner = nullptr);
    static void DeclareProperties(TPropertyDeclarer<TExpMovAveFunction>& p);

    // True: null points count like any other; False: they are passed over.
    bool IgnoreNulls() const { return ignoreNulls_; }
    void SetIgnoreNulls(bool value);

    void CalculateFromSources(TChartSeries* source) override;

private:
    bool ignoreNulls_ = true;
};

// Starts with the simple average of the first window, then (M (P - 1) + newest) / P.
class TSmoothedMovAvgFunction : public TDuvMovingFunction {
    QB_CLASS(TSmoothedMovAvgFunction, TDuvMovingFunction)
public:
    explicit TSmoothedMovAvgFunction(TComponent* owner = nullptr) : TDuvMovingFunction(owner) {}

    void AddResults(TChartSeries* source, TChartValueList* list) override;
    double CalculateRange(TChartSeries* source, int first, int last) override;
    void SetUpInGallery(TCustomAxisPanel* chart) override;

private:
    double firstAverage_ = 0;
    double previous_ = 0;
};

// Newest minus oldest value of the window.
class TMomentumFunction : public TDuvMovingFunction {
    QB_CLASS(TMomentumFunction, TDuvMovingFunction)
public:
    explicit TMomentumFunction(TComponent* owner = nullptr) : TDuvMovingFunction(owner) { StorePeriod(2); }
    double CalculateRange(TChartSeries* source, int first, int last) override;
};

// 100 x newest / oldest value of the window.
class TMomentumDivFunction : public TDuvMovingFunction {
    QB_CLASS(TMomentumDivFunction, TDuvMovingFunction)
public:
    explicit TMomentumDivFunction(TComponent* owner = nullptr);
    double CalculateRange(TChartSeries* source, int first, int last) override;
    void SetUpInGallery(TCustomAxisPanel* chart) override;
};

// Sample (n - 1) or, with Complete, population standard deviation.
class TStdDeviationFunction : public TDuvFunction {
    QB_CLASS(TStdDeviationFunction, TDuvFunction)
public:
    explicit TStdDeviationFunction(TComponent* owner = nullptr) : TDuvFunction(owner) {}
    static void DeclareProperties(TPropertyDeclarer<TStdDeviationFunction>& p);

    bool Complete() const { return complete_; }
    void SetComplete(bool value);

    double CalculateArray(std::vector<double>& values) override;
    std::string GetEditorClassName() const override { return "TRMSFuncEditor"; }

private:
    bool complete_ = false;
};

class TRMSFunction : public TDuvFunction {
    QB_CLASS(TRMSFunction, TDuvFunction)
public:
    explicit TRMSFunction(TComponent* owner = nullptr) : TDuvFunction(owner) {}
    static void DeclareProperties(TPropertyDeclarer<TRMSFunction>& p);

    bool Complete() const { return complete_; }
    void SetComplete(bool value);

    double CalculateArray(std::vector<double>& values) override;
    std::string GetEditorClassName() const override { return "TRMSFuncEditor"; }

private:
    bool complete_ = false;
};

// Always the population variance.
class TVarianceFunction : public TDuvFunction {
    QB_CLASS(TVarianceFunction, TDuvFunction)
public:
    explicit TVarianceFunction(TComponent* owner = nullptr) : TDuvFunction(owner) {}
    double CalculateArray(std::vector<double>& values) override;
    void SetUpInGallery(TCustomAxisPanel* chart) override;
};

// Sum of (v - mean)^3 over (n - 1) sigma^3 with the sample sigma, over the range asked for; with
// Complete, over n sigma^3 with the population sigma (the population skewness).
class TSkewnessFunction : public TDuvFunction {
    QB_CLASS(TSkewnessFunction, TDuvFunction)
public:
    explicit TSkewnessFunction(TComponent* owner = nullptr) : TDuvFunction(owner) {}
    static void DeclareProperties(TPropertyDeclarer<TSkewnessFunction>& p);

    bool Complete() const { return complete_; }
    void SetComplete(bool value);

    double CalculateRange(TChartSeries* source, int first, int last) override;
    std::string GetEditorClassName() const override { return "TRMSFuncEditor"; }
    void SetUpInGallery(TCustomAxisPanel* chart) override;

protected:
    virtual int Power() const { return 3; }

private:
    bool complete_ = false;
};

// The fourth power instead of the third; 3 is not subtracted.
class TKurtosisFunction : public TSkewnessFunction {
    QB_CLASS(TKurtosisFunction, TSkewnessFunction)
public:
    explicit TKurtosisFunction(TComponent* owner = nullptr) : TSkewnessFunction(owner) {}

protected:
    int Power() const override { return 4; }
};

// 100 x (v[last] - v[0]) / v[0].
class TPerformanceFunction : public TDuvMovingFunction {
    QB_CLASS(TPerformanceFunction, TDuvMovingFunction)
public:
    explicit TPerformanceFunction(TComponent* owner = nullptr) : TDuvMovingFunction(owner) {}
    double CalculateRange(TChartSeries* source, int first, int last) override;
};

// 100 x (v[last] - v[first - 1]) / v[first - 1].
class TPercentChangeFunction : public TDuvMovingFunction {
    QB_CLASS(TPercentChangeFunction, TDuvMovingFunction)
public:
    explicit TPercentChangeFunction(TComponent* owner = nullptr) : TDuvMovingFunction(owner) {}
    double CalculateRange(TChartSeries* source, int first, int last) override;
    void SetUpInGallery(TCustomAxisPanel* chart) override;
};

// (v[last] - v[first - 1]) / (X[last] - X[first - 1]).
class TSlopeFunction : public TDuvMovingFunction {
    QB_CLASS(TSlopeFunction, TDuvMovingFunction)
public:
    explicit TSlopeFunction(TComponent* owner = nullptr) : TDuvMovingFunction(owner) {}
    double CalculateRange(TChartSeries* source, int first, int last) override;
};

// The points where the first two sources' polylines cross; both are walked in X order.
class TCrossPointsFunction : public TDuvFunction {
    QB_CLASS(TCrossPointsFunction, TDuvFunction)
public:
    explicit TCrossPointsFunction(TComponent* owner = nullptr);
    void CalculateFromSources(TChartSeries* source) override;
    std::string GetEditorClassName() const override { return {}; }
    void SetUpInGallery(TCustomAxisPanel* chart) override;
};

// The closed convex outline of the source's points as they lie on the screen.
class TPerimeterFunction : public TDuvFunction {
    QB_CLASS(TPerimeterFunction, TDuvFunction)
public:
    explicit TPerimeterFunction(TComponent* owner = nullptr);
    void CalculateFromSources(TChartSeries* source) override;
};

// The centre of the source's bounding box.
class TCentroidDuvFunction : public TDuvFunction {
    QB_CLASS(TCentroidDuvFunction, TDuvFunction)
public:
    explicit TCentroidDuvFunction(TComponent* owner = nullptr) : TDuvFunction(owner) {}
    void CalculateFromSources(TChartSeries* source) override;
    const TClassInfo* GetSourceSeriesClass() const override;
    void SetUpInGallery(TCustomAxisPanel* chart) override;
};

// Two-pass sums of squared deviations, so values far from zero keep their spread.
double SumOfSquaredDeviations(const double* values, int count, double& mean);

void StatCharInitialization();
void StatCharFinalization();
