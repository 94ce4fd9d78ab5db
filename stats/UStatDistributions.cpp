#include "stats/UStatDistributions.h"

#include <algorithm>
#include <cmath>

#include "stats/RealFunctions.h"

void* vf_N = nullptr;
TNalphaEntry vf_Nalpha = nullptr;
void* vf_T = nullptr;
TTalphaEntry vf_Talpha = nullptr;
void* vf_Chi2 = nullptr;
void* vf_Chi2alpha = nullptr;
void* vf_F = nullptr;
TFalphaEntry vf_Falpha = nullptr;
TPROBEntry vf_PROB = nullptr;

namespace {
// Larger degrees of freedom change the result too little to pay for the longer series.
constexpr int MaxDf1 = 300;
constexpr int MaxDf2 = 5000;

// Running state of the series: the probability so far and the current term.
struct TProbTerms {
    long double P;
    long double D;
};

long double WholePower(long double base, int exponent)
{
    long double result = 1;
    for (int i = 0; i < exponent; ++i) result *= base;
    return result;
}

TProbTerms StartingTerms(bool mOdd, bool nOdd, long double w, long double z)
{
    if (mOdd && nOdd) {
        const long double root = std::sqrt(w);
        const long double y = 0.3183098862L;  // 1 / pi
        return {2 * y * std::atan(root), y * z / root};
    }
    if (mOdd) {
        const long double p = std::sqrt(w * z);
        return {p, p * z / (2 * w)};
    }
    if (nOdd) {
        const long double p = std::sqrt(z);
        return {1 - p, z * p / 2};
    }
    return {w * z, z * z};
}

// Adds the terms of the second degree of freedom (n).
TProbTerms SumOverN(TProbTerms terms, int a, int b, int n, long double w, long double z)
{
    const long double y = 2 * w / z;
    if (a == 1) {
        for (int j = b + 2; j <= n; j += 2) {
            terms.D = (1 + static_cast<long double>(a) / (j - 2)) * terms.D * z;
            terms.P += terms.D * y / (j - 1);
        }
        return terms;
    }
    const long double k = WholePower(z, (n - 1) / 2);
    terms.D = terms.D * k * n / b;
    terms.P = terms.P * k + w * z * (k - 1) / (z - 1);
    return terms;
}

// Adds the terms of the first degree of freedom (m).
long double SumOverM(TProbTerms terms, int a, int m, int n, long double w, long double zStart)
{
    const long double y = w * zStart;
    const long double z = 2 / zStart;
    const int b = n - 2;
    for (int i = a + 2; i <= m; i += 2) {
        const int j = i + b;
        terms.D = y * terms.D * j / (i - 2);
        terms.P -= z * terms.D / j;
    }
    return terms.P;
}

long double HalfTails(long double probability, long double x)
{
    const long double h = probability / 2;
    return x >= 0 ? 0.5L + h : 0.5L - h;
}
}  // namespace

long double ProbF(int df1, int df2, long double x)
{
    if (x < 1e-6L) return 0;
    const int m = std::min(df1, MaxDf1);
    const int n = std::min(df2, MaxDf2);
    if (std::min(m, n) < 1) return MissingValue;
    const int a = m % 2 == 1 ? 1 : 2;
    const int b = n % 2 == 1 ? 1 : 2;
    const long double w = m * x / n;
    const long double z = 1 / (1 + w);
    TProbTerms terms = StartingTerms(a == 1, b == 1, w, z);
    terms = SumOverN(terms, a, b, n, w, z);
    const long double p = SumOverM(terms, a, m, n, w, z);
    return RealMax(RealMin(p, 1), 0);
}

long double EntryResult(double value) { return std::isfinite(value) ? value : MissingValue; }

long double PROB(int df1, int df2, long double x)
{
    if (vf_PROB == nullptr) return ProbF(df1, df2, x);
    const float xf = static_cast<float>(x);
    const std::int32_t d1 = df1, d2 = df2;
    return EntryResult(vf_PROB(&d1, &d2, &xf));
}

long double ST_Alpha_n(long double x) { return ST_Alpha_t(5000, x); }

long double ST_Alpha_t(int df, long double x)
{
    if (RealAbs(x) < 1e-12L) return 0.5L;
    const long double p = PROB(1, df, x * x);
    if (IsMissingValue(p)) return MissingValue;
    return HalfTails(p, x);
}

long double ST_Alpha_F(int df1, int df2, long double x) { return PROB(df1, df2, x); }
