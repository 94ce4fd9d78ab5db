#pragma once
// What the function benchmarks share: the chart modules (also on a warm heap), the failure exit, a random walk, a source
// and an output series on one chart, medians of timed runs and a Python peer in its own process
// (see BenchPython.h) working in a scratch folder.
#include <malloc.h>
#include <unistd.h>

#include <QStringList>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "BenchPython.h"
#include "chart/engine/Chart.h"
#include "chart/engine/ChartEngineModules.h"
#include "chart/graphics/ChartGraphicsModules.h"
#include "chart/series/ChartSeriesModules.h"
#include "chart/series/RuRazaziFunction.h"
#include "chart/series/RuRazaziSeries.h"

namespace benchfunctions {

using Clock = std::chrono::steady_clock;

// Freed blocks stay with the process, as the peers' allocators keep theirs. Large blocks come
// from the heap too: the mapping threshold cannot be raised above 32 MiB.
inline void StartOnWarmHeap()
{
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    InitializeChartGraphicsModules();
    InitializeChartEngineModules();
    InitializeChartSeriesModules();
}

// The chart modules as the program starts them, on the allocator's own settings.
inline void StartModules()
{
    InitializeChartGraphicsModules();
    InitializeChartEngineModules();
    InitializeChartSeriesModules();
}

[[noreturn]] inline void Fail(const std::string& why)
{
    std::printf("FAILED: %s\n", why.c_str());
    std::exit(1);
}

inline double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

template <class F>
double Timed(F&& work)
{
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Seconds of each full recalculation of output from source.
inline std::vector<double> TimeRecalculations(TChartSeries& output, TChartSeries& source, int runs)
{
    std::vector<double> seconds;
    for (int run = 0; run < runs; ++run) {
        output.SetDataSource(nullptr);
        seconds.push_back(Timed([&] { output.SetDataSource(&source); }));
    }
    return seconds;
}

// X = 0, 1, 2 ...; Y a walk of normal steps from start.
inline void RandomWalk(std::mt19937& generator, double start, int count, std::vector<double>& xs, std::vector<double>& ys)
{
    std::normal_distribution<double> step(0, 1);
    xs.resize(static_cast<std::size_t>(count));
    ys.resize(static_cast<std::size_t>(count));
    double y = start;
    for (int i = 0; i < count; ++i) {
        xs[static_cast<std::size_t>(i)] = i;
        ys[static_cast<std::size_t>(i)] = y += step(generator);
    }
}

// A source with the points and an output fed by it, on one chart (functions refill their output
// through its chart). The output gets its function before its source, which would otherwise
// copy every point.
struct TFunctionChart {
    TFunctionChart(const std::vector<double>& xs, const std::vector<double>& ys, TDuvFunction* first)
    {
        Source.SetParentChart(&Chart);
        Output.SetParentChart(&Chart);
        Source.AddXYArrays(xs, ys);
        Output.SetFunction(first);
        Output.SetDataSource(&Source);
    }
    // The new function replaces the former one; answers the time of the refill.
    double Refill(TDuvFunction* function)
    {
        return Timed([&] { Output.SetFunction(function); });
    }
    TChart Chart{nullptr};
    TChartSeries Source{nullptr}, Output{nullptr};
};

// A scratch folder for the peer's files, removed at the end.
struct TScratch {
    explicit TScratch(const std::string& name)
        : Folder(std::filesystem::temp_directory_path() / (name + "_" + std::to_string(::getpid())))
    {
        std::filesystem::create_directories(Folder);
    }
    ~TScratch() { std::filesystem::remove_all(Folder); }
    TScratch(const TScratch&) = delete;
    TScratch& operator=(const TScratch&) = delete;
    std::string Path(const std::string& file) const { return (Folder / file).string(); }

    template <class T>
    void Write(const std::string& file, const std::vector<T>& values) const
    {
        std::ofstream out(Folder / file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(values.data()), static_cast<std::streamsize>(values.size() * sizeof(T)));
    }
    // Count values, or none when the file is shorter.
    template <class T>
    std::vector<T> Read(const std::string& file, std::size_t count) const
    {
        std::vector<T> values(count);
        std::ifstream in(Folder / file, std::ios::binary);
        in.read(reinterpret_cast<char*>(values.data()), static_cast<std::streamsize>(count * sizeof(T)));
        if (!in) values.clear();
        return values;
    }
    std::filesystem::path Folder;
};

// Runs the script under the system's Python with the arguments; answers what it printed, or
// reports its failure and answers false.
inline bool RunPeer(const char* script, const QStringList& arguments, QByteArray& output)
{
    const benchpython::TPeerRun run = benchpython::RunPython(script, arguments);
    if (!run.Ok) {
        std::fprintf(stderr, "the peer failed: %s\n", run.Errors.c_str());
        return false;
    }
    output = run.Output;
    return true;
}

}  // namespace benchfunctions
