#pragma once
// Ascending arrays of doubles and their quantiles.
#include <vector>

using TFloatArray = std::vector<double>;

// The statistics code's absent number, as a double.
constexpr double OrdListMissingValue = -9999.9999;

// The values in ascending order: the array that inserting them one by one with InsertSorted
// gives, sorted once instead of in quadratic time.
TFloatArray SortedFloatArray(TFloatArray values);
// Inserts value where FindPosition puts it, keeping the array ascending.
void InsertSorted(TFloatArray& array, double value);
// The insertion position of x: before the first element that is not smaller.
int FindPosition(const TFloatArray& array, double x);
// The p-quantile (0 <= p <= 1) of an ascending array, interpolated between neighbours;
// OrdListMissingValue for fewer than two elements or p outside [0, 1].
long double Quantile(const TFloatArray& array, double p);
