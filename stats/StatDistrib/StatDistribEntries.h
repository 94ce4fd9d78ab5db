#pragma once
// Call shapes of the external distribution library's entries. Every argument goes by reference,
// x as a 32-bit float and degrees of freedom as 32-bit integers; the result is a probability.
#include <cstdint>

extern "C" {
using TNalphaEntry = double (*)(const float* x);
using TTalphaEntry = double (*)(const float* x, const std::int32_t* df);
using TFalphaEntry = double (*)(const float* x, const std::int32_t* df1, const std::int32_t* df2);
// The same probability as the F entry, with the arguments in another order.
using TPROBEntry = double (*)(const std::int32_t* df1, const std::int32_t* df2, const float* x);
}
