// The transformation window's reading of its parameter memo and its seven transformations: the
// first byte picks the transformation, the text up to the first zero byte is the memo, the rest
// are the points' values (pairs of doubles, also infinite or not a number). Whatever comes, a
// refusal carries a message and no values; otherwise every point has a value or is counted as
// skipped, and a value kept is finite.
#include <cassert>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/core/StringList.h"
#include "stats/FSeriesTransform.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1) return 0;
    const auto kind = static_cast<TTransformKind>(data[0] % 7);
    const char* text = reinterpret_cast<const char*>(data + 1);
    const std::size_t rest = size - 1;
    const std::size_t memoLength = strnlen(text, rest);
    TStringList lines;
    lines.SetText(std::string(text, memoLength));
    const std::vector<double> parameters = ReadParameterLines(lines);
    std::vector<double> v, w;
    for (std::size_t at = memoLength + 1; at + 16 <= rest; at += 16) {
        double pair[2];
        std::memcpy(pair, text + at, sizeof pair);
        v.push_back(pair[0]);
        w.push_back(pair[1]);
    }
    const TTransformOutcome outcome = TransformValues(kind, v, w, parameters);
    if (outcome.Failed()) {
        assert(outcome.Values.empty());
        return 0;
    }
    assert(outcome.Values.size() == v.size());
    int skipped = 0;
    for (double value : outcome.Values) skipped += std::isnan(value) ? 1 : 0;
    assert(skipped == outcome.Skipped);
    (void)skipped;
    (void)DefaultEstimationParameters(v, w);
    return 0;
}
