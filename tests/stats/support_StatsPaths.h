#pragma once
// Where the build put the distribution library and the start-up probe.
namespace qbtest {
const char* StatDistribDir();
const char* StatsProbe();
}  // namespace qbtest

#define QB_STATDISTRIB_DIR (::qbtest::StatDistribDir())
#define QB_STATS_PROBE (::qbtest::StatsProbe())
