#include "stats/RealFunctions.h"

bool IsMissingValue(long double x) { return RealAbs(x - MissingValue) <= 1e-4L; }

long double RealAbs(long double x) { return x < 0 ? -x : x; }

long double RealMin(long double a, long double b) { return a >= b ? b : a; }

long double RealMax(long double a, long double b) { return a >= b ? a : b; }
