// The shared scheduler of the animations and its worker thread.
#include <pthread.h>
#include <sched.h>

#include <QCoreApplication>
#include <QMetaObject>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stop_token>
#include <thread>

#include "chart/tools/DuvAnimate.h"
#include "platform/core/ScopeGuard.h"
#include "platform/ui/Application.h"

namespace {

std::function<std::int64_t()>& InstalledClock()
{
    static std::function<std::int64_t()> clock;
    return clock;
}

}  // namespace

std::int64_t AnimationClockMs()
{
    if (const auto& clock = InstalledClock()) return clock();
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SetAnimationClock(std::function<std::int64_t()> clock)
{
    InstalledClock() = std::move(clock);
}

// ---------------------------------------------------------------- worker thread

const char* const kAnimationThreadName = "qb-animation";

// What the worker and the user-interface thread share; lives as long as either holds it.
struct TTimerShared {
    std::mutex Mutex;
    std::condition_variable_any Wake;
    bool TickDone = false;
    bool Woken = false;
    bool Ended = false;
    std::int64_t Delay = -1;  // answered by the last tick
};

class TTimerThread {
public:
    explicit TTimerThread(std::shared_ptr<TMultiTimer*> scheduler)
        : shared_(std::make_shared<TTimerShared>()),
          thread_([scheduler = std::move(scheduler), shared = shared_](std::stop_token stop) {
              Run(stop, scheduler, shared);
          })
    {
        pthread_setname_np(thread_.native_handle(), kAnimationThreadName);
    }
    ~TTimerThread() { Stop(); }

    void Stop()
    {
        if (!thread_.joinable()) return;
        thread_.request_stop();
        thread_.join();
    }
    void Wake()
    {
        {
            std::lock_guard lock(shared_->Mutex);
            shared_->Woken = true;
        }
        shared_->Wake.notify_all();
    }
    bool Ended() const
    {
        std::lock_guard lock(shared_->Mutex);
        return shared_->Ended;
    }

private:
    static void Run(std::stop_token stop, std::shared_ptr<TMultiTimer*> scheduler, std::shared_ptr<TTimerShared> shared)
    {
        // Animations yield to all other work; without the right to it the thread runs as it is.
        sched_param param{};
        pthread_setschedparam(pthread_self(), SCHED_IDLE, &param);
        while (!stop.stop_requested()) {
            QCoreApplication* app = QCoreApplication::instance();
            if (!app || QCoreApplication::closingDown()) break;
            {
                std::lock_guard lock(shared->Mutex);
                shared->TickDone = false;
                shared->Woken = false;
            }
            QMetaObject::invokeMethod(
                app,
                [scheduler, shared] {
                    // A scheduler that went has cleared its pointer: the tick does nothing.
                    std::int64_t delay = -1;
                    try {
                        if (TMultiTimer* timer = *scheduler) delay = timer->Tick();
                    } catch (...) {
                        // The worker must hear that the tick ended, whatever a frame raised.
                        HandleException();
                    }
                    {
                        std::lock_guard lock(shared->Mutex);
                        shared->Delay = delay;
                        shared->TickDone = true;
                    }
                    shared->Wake.notify_all();
                },
                Qt::QueuedConnection);
            std::unique_lock lock(shared->Mutex);
            if (!shared->Wake.wait(lock, stop, [&] { return shared->TickDone; })) break;
            // Sleep until the next event is due, at least 1 ms, or until a change wakes us.
            const std::int64_t delay = shared->Delay;
            auto woken = [&] { return shared->Woken; };
            if (delay < 0)
                shared->Wake.wait(lock, stop, woken);
            else
                shared->Wake.wait_for(lock, stop, std::chrono::milliseconds(std::max<std::int64_t>(1, delay)), woken);
        }
        std::lock_guard lock(shared->Mutex);
        shared->Ended = true;
    }

    std::shared_ptr<TTimerShared> shared_;
    std::jthread thread_;
};

// ---------------------------------------------------------------- scheduler

TMultiTimer::TMultiTimer() : self_(std::make_shared<TMultiTimer*>(this)) {}

TMultiTimer::~TMultiTimer()
{
    *self_ = nullptr;
    EndThread();
}

void TMultiTimer::AddEvent(std::uint32_t interval, bool repeat, const std::string& tag, int extra,
                           const TTimerCheck& check, const TNotifyEvent& callback)
{
    if (FindEvent(callback) >= 0) return;
    auto event = std::make_unique<TTimerEvent>();
    event->Callback = callback;
    event->Repeat = repeat;
    event->Tag = tag;
    event->Interval = interval;
    event->Extra = extra;
    event->Check = check;
    TTimerEvent* added = event.get();
    events_.push_back(std::move(event));
    added->Enabled = check ? check(added) : true;
    if (added->Enabled) {
        EnsureThread();
        WakeThread();
    }
}

int TMultiTimer::FindEvent(const TNotifyEvent& callback) const
{
    for (std::size_t i = 0; i < events_.size(); ++i)
        if (events_[i] && events_[i]->Callback == callback) return static_cast<int>(i);
    return -1;
}

void TMultiTimer::SetEventEnabled(bool value, const TNotifyEvent& callback)
{
    const int index = FindEvent(callback);
    if (index < 0) return;
    events_[static_cast<std::size_t>(index)]->Enabled = value;
    UpdateThread();
    WakeThread();
}

void TMultiTimer::SetEventInterval(std::uint32_t value, const TNotifyEvent& callback)
{
    const int index = FindEvent(callback);
    if (index < 0) return;
    TTimerEvent& event = *events_[static_cast<std::size_t>(index)];
    event.Interval = value;
    event.LastSlot = 0;
    WakeThread();
}

void TMultiTimer::RemoveEvent(const TNotifyEvent& callback)
{
    const int index = FindEvent(callback);
    if (index < 0) return;
    events_[static_cast<std::size_t>(index)].reset();
    compact_ = true;
    // Outside a tick nothing walks the array: the worker can end now rather than a frame later.
    if (!walking_) Compact();
    WakeThread();
}

void TMultiTimer::DeleteEventAt(int index)
{
    events_.erase(events_.begin() + index);
}

bool TMultiTimer::HasThread() const
{
    return thread_ && !thread_->Ended();
}

void TMultiTimer::EnsureThread()
{
    // A worker that ended by itself (the application closing) is joined, never reused.
    if (thread_ && thread_->Ended()) EndThread();
    if (thread_) return;
    thread_ = std::make_unique<TTimerThread>(self_);
    ++threadsStarted_;
}

void TMultiTimer::EndThread()
{
    std::unique_ptr<TTimerThread> going = std::move(thread_);
    if (going) going->Stop();
}

void TMultiTimer::WakeThread()
{
    if (thread_) thread_->Wake();
}

bool TMultiTimer::IsEventNeeded(TTimerEvent& event)
{
    return event.Enabled && (!event.Check || event.Check(&event));
}

void TMultiTimer::UpdateThread()
{
    for (std::size_t i = 0; i < events_.size(); ++i)
        if (events_[i] && IsEventNeeded(*events_[i])) return EnsureThread();
    EndThread();
}

void TMultiTimer::Compact()
{
    if (!compact_) return;
    for (std::size_t i = 0; i < events_.size();) {
        if (events_[i])
            ++i;
        else
            DeleteEventAt(static_cast<int>(i));
    }
    compact_ = false;
    UpdateThread();
}

std::int64_t TMultiTimer::Tick()
{
    if (!thread_) return -1;
    const std::int64_t clock = AnimationClockMs();
    const std::size_t count = events_.size();
    walking_ = true;
    TScopeGuard walked([this] { walking_ = false; });
    for (std::size_t i = 0; i < count; ++i) {
        TTimerEvent* event = events_[i].get();
        if (!event || !event->Enabled) continue;
        // An interval of 0 is due on every tick.
        const std::int64_t slot = event->Interval ? clock / static_cast<std::int64_t>(event->Interval) : event->LastSlot + 1;
        if (slot <= event->LastSlot) continue;
        event->LastSlot = slot;
        event->Callback(nullptr);
        // The callback may have removed this event or ended the scheduler's worker.
        if (i < events_.size() && events_[i] && !events_[i]->Repeat) events_[i]->Enabled = false;
    }
    walking_ = false;
    Compact();
    std::int64_t next = -1;
    for (const auto& event : events_) {
        if (!event || !event->Enabled) continue;
        const std::int64_t interval = event->Interval;
        const std::int64_t due = interval ? (event->LastSlot + 1) * interval - clock : 0;
        const std::int64_t wait = std::max<std::int64_t>(0, due);
        if (next < 0 || wait < next) next = wait;
    }
    return next;
}

namespace {
TMultiTimer* sharedTimer = nullptr;
}

TMultiTimer* AnimationMultiTimer()
{
    return sharedTimer;
}

void CreateAnimationMultiTimer()
{
    if (!sharedTimer) sharedTimer = new TMultiTimer();
}

void FreeAnimationMultiTimer()
{
    delete sharedTimer;
    sharedTimer = nullptr;
}
