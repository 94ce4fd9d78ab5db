#include <gtest/gtest.h>

#include <QCoreApplication>
#include <chrono>
#include <memory>
#include <thread>

#include "chart/tools/DuvAnimate.h"
#include "chart/tools/support_AnimateTest.h"
#include "chart/tools/support_ToolsTest.h"

namespace {

using namespace std::chrono_literals;

struct Counter : TObject {
    int Fired = 0;
    std::function<void()> Then;
    void Fire(TObject*)
    {
        ++Fired;
        if (Then) Then();
    }
    TNotifyEvent Event() { return TNotifyEvent(this, &Counter::Fire); }
};

// ---------------------------------------------------------------- scheduler on the hand clock

struct TickStep {
    std::int64_t Clock;
    int FiredSoFar;
};
struct SchedulerCase {
    const char* Name;
    std::uint32_t Interval;
    bool Repeat;
    std::vector<TickStep> Steps;
    bool EnabledAtEnd;
};

TEST(MultiTimer, FiresOncePerSlotOnTheHandClock)
{
    const SchedulerCase cases[] = {
        // A new event is due on the first tick, then each time clock div 16 grows.
        {"interval 16", 16, true, {{1000, 1}, {1001, 1}, {1007, 1}, {1008, 2}, {1023, 2}, {1024, 3}}, true},
        // A stall of 100 ms gives one firing, not six.
        {"stall", 16, true, {{1000, 1}, {1100, 2}, {1101, 2}, {1104, 3}}, true},
        {"once", 16, false, {{1000, 1}, {1016, 1}, {2000, 1}}, false},
        // An interval of 0 is due on every tick.
        {"interval 0", 0, true, {{5, 1}, {5, 2}, {5, 3}}, true},
    };
    for (const SchedulerCase& c : cases) {
        SCOPED_TRACE(c.Name);
        animtest::HandClock clock;
        TMultiTimer timer;
        Counter counter;
        timer.AddEvent(c.Interval, c.Repeat, "tag", 7, nullptr, counter.Event());
        for (const TickStep& step : c.Steps) {
            clock.Now = step.Clock;
            timer.Tick();
            EXPECT_EQ(counter.Fired, step.FiredSoFar) << "at " << step.Clock;
        }
        ASSERT_EQ(timer.EventCount(), 1);
        EXPECT_EQ(timer.Event(0)->Enabled, c.EnabledAtEnd);
        EXPECT_EQ(timer.Event(0)->Tag, "tag");
        EXPECT_EQ(timer.Event(0)->Extra, 7);
    }
}

TEST(MultiTimer, TickAnswersWhenTheNextEventIsDue)
{
    animtest::HandClock clock(1000);
    TMultiTimer timer;
    Counter a, b;
    timer.AddEvent(16, true, "", 0, nullptr, a.Event());
    timer.AddEvent(100, true, "", 0, nullptr, b.Event());
    EXPECT_EQ(timer.Tick(), 8);  // 1000 div 16 = 62; slot 63 begins at 1008
    clock.Now = 1008;
    EXPECT_EQ(timer.Tick(), 16);
    timer.SetEventEnabled(false, a.Event());
    timer.SetEventEnabled(false, b.Event());
    EXPECT_FALSE(timer.HasThread());
}

TEST(MultiTimer, CallbackRemovingItsOwnEventEndsTheThreadInTheSameTick)
{
    animtest::HandClock clock(1000);
    TMultiTimer timer;
    Counter self, later;
    bool nilDuringWalk = false;
    self.Then = [&] {
        timer.RemoveEvent(self.Event());
        nilDuringWalk = timer.EventCount() == 1 && timer.Event(0) == nullptr;
    };
    timer.AddEvent(16, true, "", 0, nullptr, self.Event());
    ASSERT_TRUE(timer.HasThread());
    timer.Tick();
    EXPECT_EQ(self.Fired, 1);
    EXPECT_TRUE(nilDuringWalk);
    EXPECT_EQ(timer.EventCount(), 0);  // the nil slot was compacted by the same tick
    EXPECT_FALSE(timer.HasThread());
    // The next need makes a new worker.
    timer.AddEvent(16, true, "", 0, nullptr, later.Event());
    EXPECT_TRUE(timer.HasThread());
    EXPECT_EQ(timer.ThreadsStarted(), 2);
}

TEST(MultiTimer, IntervalChangeIsDueOnTheNextTick)
{
    animtest::HandClock clock(1000);
    TMultiTimer timer;
    Counter counter;
    timer.AddEvent(16, true, "", 0, nullptr, counter.Event());
    timer.Tick();
    timer.Tick();
    EXPECT_EQ(counter.Fired, 1);
    timer.SetEventInterval(40, counter.Event());
    timer.Tick();
    EXPECT_EQ(counter.Fired, 2);
    EXPECT_EQ(timer.Event(0)->Interval, 40u);
}

TEST(MultiTimer, AddingAnExistingKeyChangesNothing)
{
    animtest::HandClock clock(1000);
    TMultiTimer timer;
    Counter counter;
    timer.AddEvent(16, true, "first", 1, nullptr, counter.Event());
    timer.AddEvent(40, false, "second", 2, nullptr, counter.Event());
    ASSERT_EQ(timer.EventCount(), 1);
    EXPECT_EQ(timer.Event(0)->Interval, 16u);
    EXPECT_EQ(timer.Event(0)->Tag, "first");
    EXPECT_TRUE(timer.Event(0)->Repeat);
    EXPECT_EQ(timer.FindEvent(TNotifyEvent()), -1);
}

TEST(MultiTimer, EventsAddedDuringAWalkWaitForTheNextTick)
{
    animtest::HandClock clock(1000);
    TMultiTimer timer;
    Counter first, added;
    first.Then = [&] { timer.AddEvent(16, true, "", 0, nullptr, added.Event()); };
    timer.AddEvent(16, true, "", 0, nullptr, first.Event());
    timer.Tick();
    EXPECT_EQ(added.Fired, 0);
    timer.Tick();
    EXPECT_EQ(added.Fired, 1);
}

TEST(MultiTimer, CheckMethodDecidesWhetherTheEventTakesPart)
{
    struct Gate : TObject {
        bool Open = false;
        bool Check(TTimerEvent*) { return Open; }
    } gate;
    TMultiTimer timer;
    Counter counter;
    timer.AddEvent(16, true, "", 0, TTimerCheck(&gate, &Gate::Check), counter.Event());
    EXPECT_FALSE(timer.Event(0)->Enabled);
    EXPECT_FALSE(timer.HasThread());
}

// ---------------------------------------------------------------- the worker on the real clock

std::unique_ptr<TDuvAnimate> PlayerWithOneAnimation(int duration)
{
    auto player = std::make_unique<TScopedComponent<TDuvAnimate>>(nullptr);
    auto* animation = new TDuvAnimation(nullptr);
    animation->SetDuration(duration);
    player->Animations().Add(animation);
    return player;
}

TEST(AnimationThread, LivesOnlyWhilePlayersPlay)
{
    toolstest::StartToolsModules();
    TMultiTimer* timer = AnimationMultiTimer();
    EXPECT_FALSE(timer->HasThread());
    EXPECT_TRUE(animtest::TasksNamed(kAnimationThreadName).empty());
    const int started = timer->ThreadsStarted();

    auto player = PlayerWithOneAnimation(150);
    player->Play();
    EXPECT_TRUE(timer->HasThread());
    EXPECT_EQ(animtest::TasksNamed(kAnimationThreadName).size(), 1u);
    ASSERT_TRUE(animtest::RunEventsUntil([&] { return !player->IsPlaying(); }, 3s));
    // The frame that ended the timeline removed the event; its tick joined the worker.
    EXPECT_FALSE(timer->HasThread());
    EXPECT_TRUE(animtest::TasksNamed(kAnimationThreadName).empty());

    player->Play();
    EXPECT_EQ(timer->ThreadsStarted(), started + 2);
    animtest::RunEventsUntil([] { return false; }, 50ms);
    const auto destroyed = std::chrono::steady_clock::now();
    player.reset();
    ASSERT_TRUE(animtest::RunEventsUntil([&] { return !timer->HasThread(); }, 1s));
    // Joined at once on a quiet machine; an idle-priority worker may wait for a busy one.
    EXPECT_LT(std::chrono::steady_clock::now() - destroyed, 200ms);
    EXPECT_TRUE(animtest::TasksNamed(kAnimationThreadName).empty());
}

TEST(AnimationThread, SleepsBetweenFrames)
{
    toolstest::StartToolsModules();
    auto player = PlayerWithOneAnimation(5000);
    Counter frames;
    player->OnFrame = frames.Event();
    player->Play();
    const std::vector<int> tasks = animtest::TasksNamed(kAnimationThreadName);
    ASSERT_EQ(tasks.size(), 1u);
    animtest::RunEventsUntil([] { return false; }, 1s);
    const long cpu = animtest::TaskCpuMs(tasks[0]);
    player->Stop();
    // At most one frame per 16 ms slot, never a flood; how many come depends on how much the
    // idle-priority worker gets to run on a busy machine.
    EXPECT_GT(frames.Fired, 0);
    EXPECT_LE(frames.Fired, 64);
    EXPECT_GE(cpu, 0);
    EXPECT_LT(cpu, 20);
}

TEST(AnimationThread, SchedulerGoingWithATickQueuedNeitherWaitsNorCallsIt)
{
    Counter counter;
    {
        TMultiTimer timer;
        timer.AddEvent(16, true, "", 0, nullptr, counter.Event());
        // The worker posts a tick and waits for it; nobody serves the event loop meanwhile.
        std::this_thread::sleep_for(30ms);
    }
    animtest::RunEventsUntil([] { return false; }, 30ms);
    EXPECT_EQ(counter.Fired, 0);
}

}  // namespace
