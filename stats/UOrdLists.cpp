#include "stats/UOrdLists.h"

#include <algorithm>

TFloatArray SortedFloatArray(TFloatArray values)
{
    std::sort(values.begin(), values.end());
    return values;
}

void InsertSorted(TFloatArray& array, double value)
{
    array.insert(array.begin() + FindPosition(array, value), value);
}

int FindPosition(const TFloatArray& array, double x)
{
    if (array.empty() || x <= array.front()) return 0;
    const int last = static_cast<int>(array.size()) - 1;
    if (x > array[last]) return last + 1;
    int lo = 0, hi = last;
    while (hi - lo > 5) {
        const int mid = (lo + hi) / 2;
        if (x == array[mid]) return mid;
        if (x > array[mid])
            lo = mid;
        else
            hi = mid;
    }
    for (int i = lo; i <= hi; ++i)
        if (x <= array[i]) return i;
    return hi + 1;
}

long double Quantile(const TFloatArray& array, double p)
{
    // Written so that a p that is no number is refused too.
    if (array.size() < 2 || !(p >= 0 && p <= 1)) return OrdListMissingValue;
    if (p == 0) return array.front();
    if (p == 1) return array.back();
    const long double h = static_cast<long double>(p) * (array.size() - 1);
    const auto d = static_cast<std::size_t>(h);
    if (d + 1 >= array.size()) return array.back();  // p just below 1 that rounds up
    return (d + 1 - h) * array[d] + (h - d) * array[d + 1];
}
