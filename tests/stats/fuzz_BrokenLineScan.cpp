// The broken-line scan on whatever a series and the window's edits may hold: the first five
// doubles are X minimum, X maximum, start, stop and step, the rest pairs of X and Y (also
// infinite, not a number, the missing mark or duplicates). Whatever comes, a refused step makes
// no scan; otherwise every step gives a record, a complete one splits the points of the range
// with its break point inside its gap, and the searches over the records stay within them.
#include <cassert>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "stats/FBrokenLine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    double settings[5];
    if (size < sizeof settings) return 0;
    std::memcpy(settings, data, sizeof settings);
    std::vector<double> xs, ys;
    for (std::size_t at = sizeof settings; at + 16 <= size; at += 16) {
        double pair[2];
        std::memcpy(pair, data + at, sizeof pair);
        xs.push_back(pair[0]);
        ys.push_back(pair[1]);
    }
    TBreakPointSteps steps;
    if (!BreakPointSteps(settings[2], settings[3], settings[4], steps)) return 0;
    assert(steps.Count >= 0 && steps.Count <= MaxBreakPointSteps);
    // Long scans are the same work over again; a fuzz run keeps to short ones.
    if (steps.Count > 20000) return 0;
    TBrokenLineScan scan(xs.data(), ys.data(), static_cast<int>(xs.size()), settings[0], settings[1], steps);
    assert(scan.Count() <= static_cast<int>(xs.size()));
    std::vector<TBreakPointRecord> records;
    for (int i = 0; i < steps.Count; ++i) {
        records.push_back(scan.Step(i));
        const TBreakPointRecord& r = records.back();
        if (!IsCompleteRecord(r)) {
            assert(r.BreakPoint == 0 && r.Count1 == 0 && r.Count2 == 0);
            continue;
        }
        assert(r.Count1 + r.Count2 == scan.Count());
        assert(r.MinX1 <= r.MaxX1 && r.MaxX1 < r.MinX2 && r.MinX2 <= r.MaxX2);
        assert(r.ResidualSum1 >= 0 && r.ResidualSum2 >= 0);
        assert(IsMissingValue(r.Statistics[4]) || !(r.Statistics[4] < 0));
        for (int k = 0; k < BrokenLineStatisticCount; ++k) (void)BrokenLineStatistic(r, k);
    }
    const TBrokenLineExtremes extremes = FindExtremes(records);
    assert(extremes.UIndex < static_cast<int>(records.size()) && extremes.FIndex < static_cast<int>(records.size()));
    assert(extremes.FIndex < 0 || extremes.UIndex >= 0);
    (void)ExtremesChoices(records, extremes);
    for (double x : xs) {
        const int found = FindRecord(records, x);
        assert(found < 0 || IsCompleteRecord(records[static_cast<std::size_t>(found)]));
        (void)found;
    }
    return 0;
}
