#pragma once
// Least-squares functions: polynomial curve fitting, the linear and exponential trend lines and
// the correlation coefficient, with the plain routines of the fit (in 80-bit extended precision).
//
// What always holds:
//  - a fit works on X mapped onto [-1, 1] in a basis of Chebyshev polynomials, so its normal
//    equations stay well conditioned at any X offset, span and degree up to 20;
//  - Coefficients are the same polynomial in powers of X - X0 (X0: the smallest source X);
//  - trend and correlation sums are taken about the means, so offsets in X or Y cancel nothing.
#include <array>
#include <cstdint>
#include <optional>

#include "chart/series/RuRazaziFunction.h"

using TFitVector = std::array<long double, 20>;
using TFitMatrix = std::array<TFitVector, 20>;
inline constexpr int MaxPolyTerms = 20;

// Solves a x = b (n <= 20, indices from 0) by elimination with partial pivoting; answers the
// determinant of a, or 0 when a pivot is smaller than tolerance in absolute value (x undefined).
long double GaussianSolve(int n, TFitMatrix& a, TFitVector& b, long double tolerance, TFitVector& x);

// Sum of coefficients[k] x^k for k = 0 .. numTerms - 1.
long double PolynomialValue(int numTerms, const TFitVector& coefficients, long double x);

// The least-squares polynomial of numTerms terms through (x[i], y[i]), i = 0 .. numPoints - 1,
// as coefficients of the powers of x. Raises Exception "Cannot process fitting" when the points
// have fewer distinct x than numTerms.
void PolynomialFit(int numPoints, int numTerms, const long double* x, TFitVector& coefficients, const long double* y);

// A fitted polynomial kept as Chebyshev coefficients over the fitted X span; evaluating it so
// loses nothing to the cancellation that powers of a wide or far X suffer.
struct TChebyshevFit {
    int Terms = 0;
    long double Middle = 0;
    long double HalfSpan = 1;
    TFitVector Chebyshev{};
    long double Value(long double x) const;
    // The coefficients of the powers of (x - origin).
    TFitVector Powers(long double origin) const;
};

QB_ENUM(TTypeFitting, cfPolynomial)

// Polynomial least squares over a calculation range of the source, drawn over a display range
// with Factor output points per source interval.
class TCustomFittingFunction : public TDuvFunction {
    QB_CLASS(TCustomFittingFunction, TDuvFunction)
public:
    explicit TCustomFittingFunction(TComponent* owner = nullptr);

    int Factor() const { return factor_; }
    void SetFactor(int value);
    int FirstPoint() const { return firstPoint_; }
    void SetFirstPoint(int value);
    int FirstCalcPoint() const { return firstCalcPoint_; }
    void SetFirstCalcPoint(int value);
    int LastPoint() const { return lastPoint_; }
    void SetLastPoint(int value);
    int LastCalcPoint() const { return lastCalcPoint_; }
    void SetLastCalcPoint(int value);
    int PolyDegree() const { return polyDegree_; }
    // Raises Exception "Polynomial degree must be between 1 and 20" outside 1 .. 20.
    void SetPolyDegree(int value);
    TTypeFitting TypeFitting() const { return typeFitting_; }
    void SetTypeFitting(TTypeFitting value);

    // The result of the last fit, coefficient of (X - X0)^0 first.
    const TFitVector& Coefficients() const { return coefficients_; }
    double ValueOffset() const { return valueOffset_; }
    // The fitted curve at x (a source X), ValueOffset added back.
    double FittedValue(double x) const;

    void Assign(const TPersistent* source) override;
    void CalculateFromSources(TChartSeries* source) override;
    virtual void AddFittedPoints(TChartSeries* source);

private:
    void Change(int& field, int value);
    // X0 and ValueOffset over the whole source.
    void TakeOffsets(TChartSeries* source);

    int factor_ = 1;
    int firstPoint_ = -1;
    int firstCalcPoint_ = -1;
    int lastPoint_ = -1;
    int lastCalcPoint_ = -1;
    int polyDegree_ = 5;
    TTypeFitting typeFitting_ = cfPolynomial;
    TFitVector coefficients_{};
    TChebyshevFit fit_;
    double x0_ = 0;
    double valueOffset_ = 0;
};

class TCurveFittingFunction : public TCustomFittingFunction {
    QB_CLASS(TCurveFittingFunction, TCustomFittingFunction)
public:
    explicit TCurveFittingFunction(TComponent* owner = nullptr) : TCustomFittingFunction(owner) {}
    static void DeclareProperties(TPropertyDeclarer<TCurveFittingFunction>& p);
    std::string GetEditorClassName() const override { return "TCurveFittingEditor"; }
};

// The sums of a trend about their means.
struct TTrendSums {
    int Count = 0;
    long double MeanX = 0, MeanY = 0;
    long double Sxx = 0, Sxy = 0, Syy = 0;
};

// A least-squares line (kind 0) or exponential curve (kind 2) per range of source points.
class TCustomTrendFunction : public TDuvFunction {
    QB_CLASS(TCustomTrendFunction, TDuvFunction)
public:
    explicit TCustomTrendFunction(TComponent* owner = nullptr) : TDuvFunction(owner) {}

    // The sums over the source points first .. last (-1: the whole source); none below two
    // usable points (for the exponential kind, points with Y > 0).
    std::optional<TTrendSums> CalculateTrendSums(TChartSeries* source, int first, int last) const;
    // y = slope x + intercept (linear) or y = a e^(b x) (exponential); none when undefined (all X
    // equal, or too few points).
    bool CalculateTrend(TChartSeries* source, int first, int last, double& m, double& b) const;
    // The trend's value at x for the last coefficients; evaluated about the mean X so that a far
    // offset cannot overflow the exponential.
    double TrendValue(double x) const;

    void AddSingleResult(TChartSeries* source, TChartValueList* list) override;
    void AddRangeResult(TChartSeries* source, double x, int first, int last) override;
    double CalculateRange(TChartSeries*, int, int) override { return 0; }
    double CalculateManyAtIndex(const std::vector<TChartSeries*>&, int) override { return 0; }

protected:
    std::uint8_t kind_ = 0;

private:
    mutable TTrendSums sums_;
};

class TTrendFunction : public TCustomTrendFunction {
    QB_CLASS(TTrendFunction, TCustomTrendFunction)
public:
    explicit TTrendFunction(TComponent* owner = nullptr) : TCustomTrendFunction(owner) {}
};

class TExpTrendFunction : public TCustomTrendFunction {
    QB_CLASS(TExpTrendFunction, TCustomTrendFunction)
public:
    explicit TExpTrendFunction(TComponent* owner = nullptr) : TCustomTrendFunction(owner) { kind_ = 2; }
};

// Pearson's r of X and the value read, as one point or a level line; a null point when r is
// undefined (fewer than two points, or X or the values constant).
class TCorrelationFunction : public TCustomTrendFunction {
    QB_CLASS(TCorrelationFunction, TCustomTrendFunction)
public:
    explicit TCorrelationFunction(TComponent* owner = nullptr) : TCustomTrendFunction(owner) {}
    std::optional<double> Correlation(TChartSeries* source, int first, int last) const;
    double CalculateRange(TChartSeries* source, int first, int last) override;
    void AddRangeResult(TChartSeries* source, double x, int first, int last) override;
    void SetUpInGallery(TCustomAxisPanel* chart) override;
};

void CurvFittInitialization();
void CurvFittFinalization();
