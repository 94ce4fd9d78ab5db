// The program's optional distribution library, loaded at run time from the program's folder.
// Probability entries answer P(X <= x); the quantile entries (vf_N, vf_T, vf_Chi2, vf_F) answer the
// x with P(X <= x) = p. Arguments that are no valid parameters give a result that is no number.
#include <cmath>
#include <limits>

#include <boost/math/distributions/chi_squared.hpp>
#include <boost/math/distributions/fisher_f.hpp>
#include <boost/math/distributions/normal.hpp>
#include <boost/math/distributions/students_t.hpp>

#include "stats/StatDistrib/StatDistribEntries.h"

namespace {
namespace bm = boost::math;

// Errors come back as values: nothing may be thrown across the C entries.
using TPolicy = bm::policies::policy<bm::policies::domain_error<bm::policies::errno_on_error>,
                                     bm::policies::pole_error<bm::policies::errno_on_error>,
                                     bm::policies::overflow_error<bm::policies::errno_on_error>,
                                     bm::policies::evaluation_error<bm::policies::errno_on_error>>;

constexpr double NoNumber = std::numeric_limits<double>::quiet_NaN();

bool ValidProbability(double p) { return p > 0 && p < 1; }

// A distribution on [0, inf) has no mass at or below 0.
template <class TDistribution>
double LowerTailFromZero(const TDistribution& distribution, double x)
{
    if (std::isnan(x)) return NoNumber;
    return x <= 0 ? 0.0 : bm::cdf(distribution, x);
}

template <class TDistribution>
double QuantileOf(const TDistribution& distribution, double p)
{
    return ValidProbability(p) ? bm::quantile(distribution, p) : NoNumber;
}

double FisherLowerTail(double x, std::int32_t df1, std::int32_t df2)
{
    if (df1 < 1 || df2 < 1) return NoNumber;
    return LowerTailFromZero(bm::fisher_f_distribution<double, TPolicy>(df1, df2), x);
}
}  // namespace

#define QB_ENTRY extern "C" __attribute__((visibility("default")))

QB_ENTRY double vf_Nalpha(const float* x)
{
    if (std::isnan(*x)) return NoNumber;
    return bm::cdf(bm::normal_distribution<double, TPolicy>(), static_cast<double>(*x));
}

QB_ENTRY double vf_N(const float* p) { return QuantileOf(bm::normal_distribution<double, TPolicy>(), *p); }

QB_ENTRY double vf_Talpha(const float* x, const std::int32_t* df)
{
    if (*df < 1 || std::isnan(*x)) return NoNumber;
    return bm::cdf(bm::students_t_distribution<double, TPolicy>(*df), static_cast<double>(*x));
}

QB_ENTRY double vf_T(const float* p, const std::int32_t* df)
{
    if (*df < 1) return NoNumber;
    return QuantileOf(bm::students_t_distribution<double, TPolicy>(*df), *p);
}

QB_ENTRY double vf_Chi2alpha(const float* x, const std::int32_t* df)
{
    if (*df < 1) return NoNumber;
    return LowerTailFromZero(bm::chi_squared_distribution<double, TPolicy>(*df), *x);
}

QB_ENTRY double vf_Chi2(const float* p, const std::int32_t* df)
{
    if (*df < 1) return NoNumber;
    return QuantileOf(bm::chi_squared_distribution<double, TPolicy>(*df), *p);
}

QB_ENTRY double vf_Falpha(const float* x, const std::int32_t* df1, const std::int32_t* df2)
{
    return FisherLowerTail(*x, *df1, *df2);
}

QB_ENTRY double vf_PROB(const std::int32_t* df1, const std::int32_t* df2, const float* x)
{
    return FisherLowerTail(*x, *df1, *df2);
}

QB_ENTRY double vf_F(const float* p, const std::int32_t* df1, const std::int32_t* df2)
{
    if (*df1 < 1 || *df2 < 1) return NoNumber;
    return QuantileOf(bm::fisher_f_distribution<double, TPolicy>(*df1, *df2), *p);
}
