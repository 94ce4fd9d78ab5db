#pragma once
// The program's one random generator. Its draws follow the run-time library's linear
// congruential sequence, so a fixed seed gives the same draws as charts made before. It is
// seeded from the clock at the chart module's start; tests seed it with a fixed value.
// Only the user-interface thread draws from it.
#include <cstdint>

// The generator's state; the next draw advances it.
extern std::uint32_t RandSeed;

// Seeds from the clock.
void Randomize();
void SetRandSeed(std::uint32_t seed);

// An integer 0 <= r < range; 0 when range is 0 or less.
int Random(int range);
// A double 0 <= r < 1.
double Random();
