#include "chart/tools/support_AnimateTest.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "chart/tools/DuvAnimate.h"

namespace animtest {

HandClock::HandClock(std::int64_t start) : Now(start)
{
    SetAnimationClock([this] { return Now; });
}

HandClock::~HandClock()
{
    SetAnimationClock(nullptr);
}

bool RunEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) return done();
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
    }
    return true;
}

std::vector<int> TasksNamed(const std::string& name)
{
    std::vector<int> tasks;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream comm(entry.path() / "comm");
        std::string text;
        std::getline(comm, text);
        if (text == name) tasks.push_back(std::stoi(entry.path().filename().string()));
    }
    return tasks;
}

long TaskCpuMs(int task)
{
    std::ifstream stat("/proc/self/task/" + std::to_string(task) + "/stat");
    std::string text;
    if (!std::getline(stat, text)) return -1;
    // Fields after the name in parentheses; utime and stime are fields 14 and 15.
    std::istringstream rest(text.substr(text.rfind(')') + 2));
    std::string field;
    long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && rest >> field; ++i) {
        if (i == 14) utime = std::stol(field);
        if (i == 15) stime = std::stol(field);
    }
    return (utime + stime) * 1000 / sysconf(_SC_CLK_TCK);
}

}  // namespace animtest
