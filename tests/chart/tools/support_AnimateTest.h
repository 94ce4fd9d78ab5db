#pragma once
// What the animation tests share: a clock the test moves by hand, the event loop run for a
// while, and the worker threads of the process.
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace animtest {

// Installs itself as the animation clock for its life; Now is what the clock says.
class HandClock {
public:
    explicit HandClock(std::int64_t start = 0);
    ~HandClock();
    HandClock(const HandClock&) = delete;
    HandClock& operator=(const HandClock&) = delete;
    std::int64_t Now;
};

// Runs the user-interface thread's events until done answers true or the time is up; answers
// what done said last.
bool RunEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);

// Task ids of this process' threads with that name.
std::vector<int> TasksNamed(const std::string& name);
// utime + stime of a task, in milliseconds; -1 when it is gone.
long TaskCpuMs(int task);

}  // namespace animtest
