#include "stats/UStatDistributionsVer0.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "platform/ui/UiServices.h"
#include "stats/RealFunctions.h"

namespace {
constexpr long double HitTolerance = 5e-5L;
// The secant steps converge in a handful of steps; the bound only stops a wandering search.
constexpr int MaxSecantSteps = 200;

using TQuantile = std::function<long double(long double)>;

// Where an inversion starts: the first probability, the distance to the second point (taken
// towards x) and whether it stops early in the far tails.
struct TSecantStart {
    long double P0;
    long double Delta;
    bool TailExits;
};

bool Hit(long double q, long double x) { return RealAbs(q - x) <= HitTolerance; }

bool InFarTail(long double p, long double q, long double x)
{
    return (p > 0.9999L && x > q) || (p < 0.0001L && x < q);
}

long double NextProbability(long double p, long double slope, long double x, long double q)
{
    long double next = p + slope * (x - q);
    if (next >= 1) next = (p + 1) / 2;
    if (next <= 0) next = p / 2;
    return next;
}

// The probability p with Q(p) = x. A flat or undefined quantile stops the search at the last
// usable point instead of dividing by zero.
long double InvertQuantile(const TQuantile& quantile, long double x, const TSecantStart& start)
{
    long double p = start.P0;
    long double q = quantile(p);
    if (Hit(q, x)) return p;
    const long double p1 = x >= q ? p + start.Delta : p - start.Delta;
    const long double q1 = quantile(p1);
    if (q1 == q || !std::isfinite(q1)) return p;
    long double slope = (p1 - p) / (q1 - q);
    for (int step = 0; step < MaxSecantSteps && !Hit(q, x); ++step) {
        const long double next = NextProbability(p, slope, x, q);
        const long double qNext = quantile(next);
        if (!std::isfinite(qNext)) return p;
        if (qNext == q) return next;
        slope = (next - p) / (qNext - q);
        p = next;
        q = qNext;
        if (start.TailExits && InFarTail(p, q, x)) break;
    }
    return p;
}

long double Square(long double x) { return x * x; }
}  // namespace

long double NormalQuantile(long double p)
{
    if (p >= 1 || p <= 0) {
        UiServices().ShowInformation("Error of the normal distribution parameter");
        return 0;
    }
    if (RealAbs(p - 0.5L) < 1e-6L) return 0;
    const long double q = std::min(p, 1 - p);
    const long double t = std::sqrt(std::log(1 / (q * q)));
    const long double z = t - (2.515517L + 0.802853L * t + 0.010328L * t * t) /
                                  (1 + 1.432788L * t + 0.189269L * t * t + 0.001308L * t * t * t);
    return p >= 0.5L ? z : -z;
}

long double StudentQuantile(int df, long double p)
{
    const long double z = NormalQuantile(p);
    const long double z2 = z * z, z3 = z2 * z, z5 = z3 * z2, z7 = z5 * z2, z9 = z7 * z2;
    const long double g1 = (z3 + z) / 4;
    const long double g2 = (5 * z5 + 16 * z3 + 3 * z) / 96;
    const long double g3 = (3 * z7 + 19 * z5 + 17 * z3 - 15 * z) / 384;
    const long double g4 = (79 * z9 + 776 * z7 + 1482 * z5 - 1920 * z3 - 945 * z) / 92160;
    return z + g1 * ReciprocalPower(df, 1) + g2 * ReciprocalPower(df, 2) + g3 * ReciprocalPower(df, 3) +
           g4 * ReciprocalPower(df, 4);
}

long double FisherQuantile(int df1, int df2, long double p)
{
    const long double z2 = Square(NormalQuantile(p));
    const long double a = 2 / (9 * static_cast<long double>(df1));
    const long double b = 2 / (9 * static_cast<long double>(df2));
    const long double bigB = 2 * (1 - a) * (1 - b);
    const long double bigA = z2 * b - Square(1 - b);
    const long double bigC = z2 * a - Square(1 - a);
    const long double u = (-bigB - std::sqrt(bigB * bigB - 4 * bigA * bigC)) / (2 * bigA);
    return u * u * u;
}

long double ReciprocalPower(long double a, int k)
{
    long double result = 1;
    for (int i = 0; i < k; ++i) result /= a;
    return result;
}

long double FisherToStudent(int n, long double x)
{
    return RealAbs(x - 1) * std::sqrt(static_cast<long double>(n)) / (2 * std::sqrt(x));
}

long double NormalProbability(long double x)
{
    if (RealAbs(x) <= HitTolerance) return 0.5L;
    if (x > 7) return 1;
    if (x < -7) return 0;
    return InvertQuantile(NormalQuantile, x, {x > 0 ? 0.8L : 0.2L, 0.1L, false});
}

long double StudentProbability(int df, long double x)
{
    if (df < 1) return MissingValue;
    const auto quantile = [df](long double p) { return StudentQuantile(df, p); };
    return InvertQuantile(quantile, x, {0.5L, 0.3L, true});
}

long double FisherProbability(int df1, int df2, long double x)
{
    if (df1 < 1 || df2 < 1) return MissingValue;
    // No F value lies at or below 0; the approximations below would divide by it.
    if (x <= 0) return 0;
    if (df1 == df2) {
        const long double t = FisherToStudent(df1, x);
        return StudentProbability(df1, x >= 1 ? t : -t);
    }
    constexpr TSecantStart start{0.75L, 0.15L, true};
    if (x >= 1) {
        const auto quantile = [df1, df2](long double p) { return FisherQuantile(df1, df2, p); };
        return InvertQuantile(quantile, x, start);
    }
    const auto swapped = [df1, df2](long double p) { return FisherQuantile(df2, df1, p); };
    return 1 - InvertQuantile(swapped, 1 / x, start);
}
