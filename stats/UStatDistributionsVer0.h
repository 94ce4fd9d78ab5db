#pragma once
// The basic distribution library: closed approximations of the quantiles, and probabilities
// found by inverting them with secant steps. Degrees of freedom are 32-bit integers.

// z with P(Z <= z) = p; outside (0, 1) a message and 0.
long double NormalQuantile(long double p);
// t with P(T <= t) = p (four-term Cornish-Fisher series).
long double StudentQuantile(int df, long double p);
// F with P(F(df1, df2) <= F) = p (cube-root normal approximation).
long double FisherQuantile(int df1, int df2, long double p);

// 1 / a^k by k divisions of 1 by a; k <= 0 gives 1.
long double ReciprocalPower(long double a, int k);
// The t value (n degrees of freedom) that corresponds to the F(n, n) value x.
long double FisherToStudent(int n, long double x);

// Lower-tail probabilities. A degree of freedom below 1 gives MissingValue.
long double NormalProbability(long double x);
long double StudentProbability(int df, long double x);
long double FisherProbability(int df1, int df2, long double x);
