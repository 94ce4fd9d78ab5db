#pragma once
// What the line benchmarks share: a fixed-seed random walk (x = i), a timer, the median of runs
// and the failure exit.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace benchwalk {

[[noreturn]] inline void Fail(const std::string& why)
{
    std::printf("FAILED: %s\n", why.c_str());
    std::exit(1);
}

template <class F>
double Milliseconds(F work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

inline double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// x = 0, 1, 2, ...; y a walk of normal steps, always the same.
inline void RandomWalk(int points, std::vector<double>& xs, std::vector<double>& ys)
{
    xs.resize(static_cast<std::size_t>(points));
    ys.resize(static_cast<std::size_t>(points));
    std::mt19937 random(20261211);
    std::normal_distribution<double> step(0.0, 1.0);
    double y = 0;
    for (int i = 0; i < points; ++i) {
        y += step(random);
        xs[static_cast<std::size_t>(i)] = i;
        ys[static_cast<std::size_t>(i)] = y;
    }
}

}  // namespace benchwalk
