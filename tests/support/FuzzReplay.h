#pragma once
// The seed replay of the fuzz targets: every target's entry point under a name of its own.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qbtest {

struct FuzzTarget {
    const char* name;
    int (*testOneInput)(const uint8_t*, size_t);
    int (*initialize)(int*, char***);  // nullptr where the target has none
};

const std::vector<FuzzTarget>& FuzzTargets();

}  // namespace qbtest
