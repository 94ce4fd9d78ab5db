#include "platform/core/Random.h"

#include <chrono>

std::uint32_t RandSeed = 0;

namespace {

std::uint32_t NextSeed()
{
    RandSeed = RandSeed * 0x08088405u + 1u;
    return RandSeed;
}

}  // namespace

void Randomize()
{
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    RandSeed = static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

void SetRandSeed(std::uint32_t seed) { RandSeed = seed; }

int Random(int range)
{
    if (range <= 0) return 0;
    // The high bits of the product scale the draw into the range without a modulo bias.
    return static_cast<int>((static_cast<std::uint64_t>(NextSeed()) * static_cast<std::uint64_t>(range)) >> 32);
}

double Random() { return static_cast<double>(NextSeed()) / 4294967296.0; }
