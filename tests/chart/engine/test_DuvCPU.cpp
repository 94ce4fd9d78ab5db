#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>

#include <atomic>
#include <chrono>
#include <climits>
#include <filesystem>
#include <iostream>
#include <stdexcept>
#include <thread>

#include "chart/engine/DuvProcs.h"

namespace {

// How often proc ran for each index of first..last, checked to be exactly once.
void ExpectEachIndexOnce(int first, int last, int threads)
{
    std::vector<int> calls(static_cast<std::size_t>(last - first + 1), 0);
    // Each index writes only its own slot, so the workers share nothing but the counter.
    TDuvCPU::RunParallelRange(first, last, tpHigher, [&](TObject*, int index) { ++calls[index - first]; }, nullptr, threads);
    for (std::size_t i = 0; i < calls.size(); ++i)
        ASSERT_EQ(calls[i], 1) << "index " << first + static_cast<int>(i) << " with " << threads << " threads";
}

}  // namespace

TEST(DuvCPU, EveryIndexExactlyOnce)
{
    for (int round = 0; round < 100; ++round) ExpectEachIndexOnce(0, 9999, 4);
    struct Case {
        int first, last, threads;
    };
    const Case cases[] = {
        {0, 9, 4}, {5, 5, 4}, {0, 2, 8}, {-3, 3, 2}, {INT_MAX - 9, INT_MAX, 4},  // the counter never wraps around
    };
    for (const Case& c : cases) ExpectEachIndexOnce(c.first, c.last, c.threads);
}

TEST(DuvCPU, OneThreadRunsInlineInOrder)
{
    std::vector<int> order;
    std::vector<std::thread::id> where;
    TObject data;
    TDuvCPU::RunParallelRange(3, 5, tpNormal, [&](TObject* d, int index) {
        EXPECT_EQ(d, &data);
        order.push_back(index);
        where.push_back(std::this_thread::get_id());
    }, &data, 1);
    EXPECT_EQ(order, (std::vector<int>{3, 4, 5}));
    for (const std::thread::id& id : where) EXPECT_EQ(id, std::this_thread::get_id());
    EXPECT_THROW(TDuvCPU::RunParallelRange(0, 3, tpNormal, [](TObject*, int i) { if (i == 2) throw std::runtime_error("inline"); }, nullptr, 1),
                 std::runtime_error);
}

TEST(DuvCPU, EmptyRangeCallsNothing)
{
    std::atomic<int> calls{0};
    for (int threads : {1, 4}) TDuvCPU::RunParallelRange(5, 4, tpNormal, [&](TObject*, int) { ++calls; }, nullptr, threads);
    EXPECT_EQ(calls, 0);
}

TEST(DuvCPU, WorkerExceptionReachesTheCallerAfterAllWorkersEnded)
{
    std::atomic<int> inside{0};
    std::atomic<int> calls{0};
    const auto proc = [&](TObject*, int index) {
        ++inside;
        ++calls;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        --inside;
        if (index == 50) throw std::runtime_error("index 50 failed");
    };
    try {
        TDuvCPU::RunParallelRange(0, 999, tpNormal, proc, nullptr, 4);
        ADD_FAILURE() << "the worker's exception was lost";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "index 50 failed");
    }
    EXPECT_EQ(inside, 0);     // no worker still running
    EXPECT_LT(calls, 1000);   // the others stopped taking indexes
}

TEST(DuvCPU, CountProcessorsPrint)
{
    const int count = TDuvCPU::CountProcessors();
    EXPECT_GE(count, 1);
    std::cout << "processors=" << count << std::endl;
}

TEST(DuvCPU, CountProcessorsFollowsTheAffinityMask)
{
    ASSERT_GE(std::thread::hardware_concurrency(), 2u) << "the machine needs two processors for this test";
    QProcess child;
    child.start("/usr/bin/taskset", {"-c", "0,1", QString::fromStdString(std::filesystem::read_symlink("/proc/self/exe").string()),
                                     "--gtest_filter=DuvCPU.CountProcessorsPrint"});
    ASSERT_TRUE(child.waitForFinished(60000));
    const QString output = QString::fromUtf8(child.readAllStandardOutput());
    ASSERT_EQ(child.exitCode(), 0) << output.toStdString() << child.readAllStandardError().toStdString();
    const QRegularExpressionMatch match = QRegularExpression("processors=(\\d+)").match(output);
    ASSERT_TRUE(match.hasMatch()) << output.toStdString();
    EXPECT_EQ(match.captured(1).toInt(), 2);
}
