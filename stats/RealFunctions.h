#pragma once
// The statistics code's absent number and small helpers on extended (80-bit) values.

// Returned by failed computations and refused as input; IsMissingValue allows for rounding.
constexpr long double MissingValue = -9999.9999L;
bool IsMissingValue(long double x);

long double RealAbs(long double x);
long double RealMin(long double a, long double b);  // b when a >= b
long double RealMax(long double a, long double b);  // a when a >= b
