// Runs the statistics start-up in the current folder and prints what it chose, one name=value per
// line, for the tests that need a program of their own in a folder of their own.
#include <cstdio>

#include "stats/UStatDistributions.h"
#include "stats/Ustatistics.h"

int main()
{
    try {
        InitializeStatisticsModule();
    } catch (const Exception& error) {
        std::printf("error=%s\n", error.Message().c_str());
        return 1;
    }
    std::printf("loaded=%d\n", StatDistribLoaded() ? 1 : 0);
    std::printf("modes=%d,%d,%d,%d\n", LibraryModes.N, LibraryModes.T, LibraryModes.C, LibraryModes.F);
    std::printf("external_prob=%d\n", vf_PROB != nullptr ? 1 : 0);
    std::printf("alpha_n=%.9Lf\n", Alpha_n(1.96L));
    std::printf("alpha_t=%.9Lf\n", Alpha_t(10, 2.228L));
    std::printf("alpha_f=%.9Lf\n", Alpha_F(5, 10, 2.0L));
    return 0;
}
