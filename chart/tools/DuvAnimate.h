#pragma once
// Animations: the shared scheduler and its worker thread, the player, the animation base with
// its timing curves, and the property and sound animations.
//
// What always holds: the scheduler's event array and every player and animation are touched on
// the user-interface thread only; the worker thread only sleeps, posts ticks there and waits for
// them. A tick posted by a worker whose scheduler went does nothing. The scheduler joins its
// worker before it goes, and forgets a worker only after joining it.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "chart/engine/DuvPanel.h"
#include "platform/core/Component.h"
#include "platform/core/ComponentRef.h"
#include "platform/core/Events.h"

// ---------------------------------------------------------------- clock and scheduler

// Milliseconds of a monotonic clock; tests install a clock of their own (nullptr restores).
std::int64_t AnimationClockMs();
void SetAnimationClock(std::function<std::int64_t()> clock);

struct TTimerEvent;
using TTimerCheck = TEvent<bool(TTimerEvent*)>;

struct TTimerEvent {
    TNotifyEvent Callback;  // with its owner, the event's key
    TTimerCheck Check;
    bool Enabled = true;
    bool Repeat = true;
    std::string Tag;
    std::int64_t LastSlot = 0;
    std::uint32_t Interval = 0;
    int Extra = 0;
};

class TTimerThread;
// The worker's name in the process' task list.
extern const char* const kAnimationThreadName;

class TMultiTimer {
public:
    TMultiTimer();
    ~TMultiTimer();
    TMultiTimer(const TMultiTimer&) = delete;
    TMultiTimer& operator=(const TMultiTimer&) = delete;

    // Adding a key that is present changes nothing.
    void AddEvent(std::uint32_t interval, bool repeat, const std::string& tag, int extra, const TTimerCheck& check,
                  const TNotifyEvent& callback);
    int FindEvent(const TNotifyEvent& callback) const;
    void SetEventEnabled(bool value, const TNotifyEvent& callback);
    // Due on the next tick.
    void SetEventInterval(std::uint32_t value, const TNotifyEvent& callback);
    // During a tick the slot is cleared and removed when the walk ends; otherwise at once.
    void RemoveEvent(const TNotifyEvent& callback);
    void DeleteEventAt(int index);
    void EnsureThread();
    void UpdateThread();

    // Fires the due events; answers milliseconds until the next enabled event is due, -1 when
    // none is.
    std::int64_t Tick();

    int EventCount() const { return static_cast<int>(events_.size()); }
    const TTimerEvent* Event(int index) const { return events_[static_cast<std::size_t>(index)].get(); }
    bool HasThread() const;
    // Threads started since the scheduler was made.
    int ThreadsStarted() const { return threadsStarted_; }

private:
    bool IsEventNeeded(TTimerEvent& event);
    void EndThread();
    void WakeThread();
    void Compact();

    bool compact_ = false;
    bool walking_ = false;
    std::unique_ptr<TTimerThread> thread_;
    std::vector<std::unique_ptr<TTimerEvent>> events_;
    // Ticks queued by a worker reach the scheduler through this; cleared when it goes.
    std::shared_ptr<TMultiTimer*> self_;
    int threadsStarted_ = 0;
};

// The one scheduler of the program; exists between the module's start and end.
TMultiTimer* AnimationMultiTimer();
void CreateAnimationMultiTimer();
void FreeAnimationMultiTimer();

// ---------------------------------------------------------------- player and animation base

QB_ENUM(TAnimationState, asStopped, asPlaying, asPaused)
QB_ENUM(TAnimationTiming, atLinear, atSine, atSquare, atExp, atCubic, atBack, atBounce, atElastic)
QB_ENUM(TAnimationTimingStyle, atIn, atOut, atInOut)

class TDuvAnimation;
class TDuvAnimate;

// Eased fraction of the timing curve in its style.
float ApplyTiming(TAnimationTiming timing, TAnimationTimingStyle style, float fraction);

class TCustomDuvPanelLink : public TComponent {
    QB_CLASS(TCustomDuvPanelLink, TComponent)
public:
    explicit TCustomDuvPanelLink(TComponent* owner) : TComponent(owner), panel_(this) {}
    TCustomDuvPanel* Panel() const { return panel_.Get(); }
    void SetPanel(TCustomDuvPanel* panel) { panel_.Set(panel); }

private:
    TComponentRef<TCustomDuvPanel> panel_;
};

// The player's animations, in timeline order of adding; owned by the player.
class TAnimations {
public:
    explicit TAnimations(TDuvAnimate* player) : player_(player) {}
    int Count() const { return static_cast<int>(items_.size()); }
    TDuvAnimation* Items(int index) const { return items_[static_cast<std::size_t>(index)]; }
    int IndexOf(const TDuvAnimation* animation) const;
    void Add(TDuvAnimation* animation);
    void Remove(TDuvAnimation* animation);
    // Frees every animation; then the player's OnClear unless the player goes.
    void Clear();
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    TDuvAnimate* player_;
    std::vector<TDuvAnimation*> items_;
};

class TDuvAnimate : public TCustomDuvPanelLink {
    QB_CLASS(TDuvAnimate, TCustomDuvPanelLink)
public:
    explicit TDuvAnimate(TComponent* owner);
    ~TDuvAnimate() override;
    static void DeclareProperties(TPropertyDeclarer<TDuvAnimate>& p);

    TAnimations& Animations() { return animations_; }
    TDuvAnimation* Animation(int index) const { return animations_.Items(index); }
    bool Loop() const { return loop_; }
    void SetLoop(bool value) { loop_ = value; }
    int Speed() const { return speed_; }
    void SetSpeed(int value);
    double SpeedFactor() const { return speedFactor_; }
    void SetSpeedFactor(double value) { speedFactor_ = value; }
    TAnimationState State() const { return state_; }
    bool IsPlaying() const { return state_ == asPlaying; }
    bool IsPaused() const { return state_ == asPaused; }
    int FrameCounter() const { return frame_; }

    void Play();
    void Pause();
    void Continue();
    void Stop();
    void StepFrame();
    // The scheduler's callback: one frame of the timeline.
    void NextFrame(TObject* sender);
    int TotalDuration() const;
    float FrameInterval() const;

    TNotifyEvent OnClear, OnContinue, OnFrame, OnPause, OnPlay, OnStop;
    TNotifyEvent StopHook;

    void GetChildren(const TGetChildProc& proc, TComponent* root) override;

private:
    friend class TAnimations;
    TNotifyEvent FrameEvent() { return TNotifyEvent(this, &TDuvAnimate::NextFrame); }
    bool Going() const { return HasState(csDestroying); }

    TAnimations animations_{this};
    bool loop_ = false;
    int speed_ = 60;
    double speedFactor_ = 1.0;
    TAnimationState state_ = asStopped;
    int frame_ = -1;
    std::uint32_t startTime_ = 0;
};

using TAnimationEndEvent = TEvent<void(TDuvAnimation* sender, bool& freeAnimation)>;
using TAnimationFrameEvent = TEvent<void(TDuvAnimation* sender, float fraction)>;

class TDuvAnimation : public TComponent {
    QB_CLASS(TDuvAnimation, TComponent)
public:
    explicit TDuvAnimation(TComponent* owner);
    ~TDuvAnimation() override;
    static void DeclareProperties(TPropertyDeclarer<TDuvAnimation>& p);

    int Duration() const { return duration_; }
    virtual void SetDuration(int value);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value) { enabled_ = value; }
    bool Inverted() const { return inverted_; }
    void SetInverted(bool value) { inverted_ = value; }
    bool Loop() const { return loop_; }
    void SetLoop(bool value) { loop_ = value; }
    TDuvAnimation* Parent() const { return parent_; }
    virtual void SetParent(TDuvAnimation* value);
    int StartTime() const { return startTime_; }
    void SetStartTime(int value) { startTime_ = value; }
    TAnimationTiming Timing() const { return timing_; }
    void SetTiming(TAnimationTiming value) { timing_ = value; }
    TAnimationTimingStyle TimingStyle() const { return timingStyle_; }
    void SetTimingStyle(TAnimationTimingStyle value) { timingStyle_ = value; }
    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& value) { title_ = value; }
    bool TwoWay() const { return twoWay_; }
    void SetTwoWay(bool value) { twoWay_ = value; }

    TNotifyEvent OnBegin, OnStop;
    TAnimationEndEvent OnEnd;
    TAnimationFrameEvent OnFrame;

    // The player; made (owned by this animation) when there is none.
    TDuvAnimate* GetAnimate();
    TDuvAnimate* Animate() const { return animate_; }
    virtual void SetAnimate(TDuvAnimate* player);
    // 0 idle, 1 running, 2 paused.
    int RunState() const { return runState_; }
    // The chart an editor shows as the root of its object tree; not owned.
    TComponent* Chart() const { return chart_.Get(); }
    void SetChart(TComponent* chart) { chart_.Set(chart); }

    int EndTime() const { return startTime_ + duration_ - 1; }
    int StartFrame() const;
    float ApplyTiming(float fraction) const { return ::ApplyTiming(timing_, timingStyle_, fraction); }
    void SetFraction(float fraction);

    virtual void ApplyFraction(float) {}
    // Answers whether the animation asks to be freed.
    virtual bool EndAnimation();
    virtual std::string Description() const;
    virtual bool CanAnimate(TObject*) const { return true; }
    virtual void Resume();
    virtual void Suspend();
    virtual void Start();
    virtual void Finish();
    virtual void Prepare() {}
    virtual std::string GetEditorClassName() const { return "TAnimationEditor"; }
    virtual std::string DisplayName() const;
    virtual bool IsEnabled() const;

    void Assign(const TPersistent* source) override;
    bool HasParent() const override { return true; }
    TComponent* GetParentComponent() const override { return animate_; }
    void SetParentComponent(TComponent* parent) override;
    void DefineProperties(TFiler& filer) override;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TAnimations;
    int duration_ = 1000;
    bool enabled_ = true;
    bool inverted_ = false;
    bool loop_ = false;
    TDuvAnimation* parent_ = nullptr;
    int startTime_ = 0;
    TAnimationTiming timing_ = atLinear;
    TAnimationTimingStyle timingStyle_ = atIn;
    std::string title_;
    bool twoWay_ = false;
    TDuvAnimate* animate_ = nullptr;
    int runState_ = 0;
    TComponentRef<TComponent> chart_{this};
};

// "Number" for TNumberAnimation: the class name without its "T" and its "Animation".
std::string AnimationDescription(const std::string& className);

// The animation kinds in registering order; each also becomes known to streams.
void RegisterAnimationKind(const TClassInfo& kind);
const std::vector<std::string>& AnimationKindNames();

// ---------------------------------------------------------------- property animations

class TNumberAnimation;

// Another object's property read for a start or end value.
class TPropertyLink : public TPersistent {
    QB_CLASS(TPropertyLink, TPersistent)
public:
    explicit TPropertyLink(TNumberAnimation* owner = nullptr) : owner_(owner) {}
    ~TPropertyLink() override;
    static void DeclareProperties(TPropertyDeclarer<TPropertyLink>& p);

    TObject* Instance() const { return instance_; }
    void SetInstance(TObject* value);
    TComponent* InstanceComponent() const { return dynamic_cast<TComponent*>(instance_); }
    void SetInstanceComponent(TComponent* value) { SetInstance(value); }
    const std::string& PropertyName() const { return propertyName_; }
    void SetPropertyName(const std::string& value);
    // Named: an instance or a property name.
    bool IsSet() const { return instance_ || !propertyName_.empty(); }
    // Resolved to a readable value.
    bool Resolves() const;
    double Value() const;

    void Assign(const TPersistent* source) override;

private:
    friend class TNumberAnimation;
    TNumberAnimation* owner_;
    TObject* instance_ = nullptr;
    std::string propertyName_;
};

// Points (x, y) of a curve; stored as "Curve" by its number animation.
class TAnimationCurve : public TPersistent {
    QB_CLASS(TAnimationCurve, TPersistent)
public:
    TAnimationCurve();
    static void DeclareProperties(TPropertyDeclarer<TAnimationCurve>& p);
    bool Inverted() const { return inverted_; }
    void SetInverted(bool value) { inverted_ = value; }
    std::vector<double> X, Y;
    // Written unless empty or the flat two-point curve.
    bool IsStored() const;
    void Assign(const TPersistent* source) override;
    std::string Bytes() const;
    // Raises EReadError for bytes that hold no whole curve.
    void SetBytes(const std::string& bytes);

private:
    bool inverted_ = false;
};

class TPropertyAnimation : public TDuvAnimation {
    QB_CLASS(TPropertyAnimation, TDuvAnimation)
public:
    explicit TPropertyAnimation(TComponent* owner) : TDuvAnimation(owner) {}
    ~TPropertyAnimation() override;
    static void DeclareProperties(TPropertyDeclarer<TPropertyAnimation>& p);

    TObject* Instance() const { return instance_; }
    void SetInstance(TObject* value);
    TComponent* InstanceComponent() const { return dynamic_cast<TComponent*>(instance_); }
    void SetInstanceComponent(TComponent* value) { SetInstance(value); }
    const std::string& PropertyName() const { return propertyName_; }
    void SetPropertyName(const std::string& value);
    int Special() const { return special_; }
    void SetSpecial(int value) { special_ = value; }
    TNotifyEvent ChangeHook;

    // The object holding the property and the property's name; false when the path leads nowhere.
    bool Target(TObject*& object, std::string& property) const;
    bool IsValid() const;
    bool IsEnabled() const override;
    std::string DisplayName() const override;
    std::string GetEditorClassName() const override { return "TAnimationEditors"; }
    void Assign(const TPersistent* source) override;
    void DefineProperties(TFiler& filer) override;

protected:
    void Notification(TComponent* component, TOperation operation) override;
    virtual void InstanceGone(TComponent* component);

private:
    TObject* instance_ = nullptr;
    std::string propertyName_;
    int special_ = 0;
};

class TRangePropertyAnimation : public TPropertyAnimation {
    QB_CLASS(TRangePropertyAnimation, TPropertyAnimation)
public:
    using TPropertyAnimation::TPropertyAnimation;
    static void DeclareProperties(TPropertyDeclarer<TRangePropertyAnimation>& p);
    bool KeepEndValue = false;
    bool UseEndValue = true;
    bool UseStartValue = true;
    void Assign(const TPersistent* source) override;
};

using TAnimationSetValue = TEvent<void(TDuvAnimation* sender, double value)>;

class TNumberAnimation : public TRangePropertyAnimation {
    QB_CLASS(TNumberAnimation, TRangePropertyAnimation)
public:
    explicit TNumberAnimation(TComponent* owner) : TRangePropertyAnimation(owner) {}
    ~TNumberAnimation() override;
    static void DeclareProperties(TPropertyDeclarer<TNumberAnimation>& p);

    TAnimationCurve* Curve();
    TAnimationCurve* PeekCurve() const { return curve_.get(); }
    void SetCurve(const TAnimationCurve* value);
    TPropertyLink* StartLink();
    TPropertyLink* PeekStartLink() const { return startLink_.get(); }
    void SetStartLink(const TPropertyLink* value);
    TPropertyLink* EndLink();
    TPropertyLink* PeekEndLink() const { return endLink_.get(); }
    void SetEndLink(const TPropertyLink* value);
    double StartValue() const;
    void SetStartValue(double value) { startValue_ = value; }
    double EndValue() const;
    void SetEndValue(double value) { endValue_ = value; }
    double StoredStartValue() const { return startValue_; }
    double StoredEndValue() const { return endValue_; }
    bool InitStart = false;
    TAnimationSetValue OnSetValue;

    double GetValue() const;
    void SetValue(double value);

    bool IsEnabled() const override;
    void Prepare() override;
    void Start() override;
    void ApplyFraction(float fraction) override;
    bool EndAnimation() override;
    void Assign(const TPersistent* source) override;
    void DefineProperties(TFiler& filer) override;

protected:
    void InstanceGone(TComponent* component) override;

private:
    bool IsStartLinkStored() const { return startLink_ && startLink_->IsSet(); }
    bool IsEndLinkStored() const { return endLink_ && endLink_->IsSet(); }
    std::unique_ptr<TAnimationCurve> curve_;
    std::unique_ptr<TPropertyLink> startLink_, endLink_;
    double startValue_ = 0, endValue_ = 0;
    double current_ = 0, saved_ = 0;
};

// Named apart from the colour filters' method of the graphics library.
QB_ENUM(TAnimationColorMethod, cmRGB, cmHLS)

class TColorsAnimation : public TNumberAnimation {
    QB_CLASS(TColorsAnimation, TNumberAnimation)
public:
    using TNumberAnimation::TNumberAnimation;
    static void DeclareProperties(TPropertyDeclarer<TColorsAnimation>& p);
    TAnimationColorMethod Method = cmRGB;
    void ApplyFraction(float fraction) override;
    void Assign(const TPersistent* source) override;
};

class TSinusAnimation : public TNumberAnimation {
    QB_CLASS(TSinusAnimation, TNumberAnimation)
public:
    using TNumberAnimation::TNumberAnimation;
    void ApplyFraction(float fraction) override;
};

class TToggleAnimation : public TPropertyAnimation {
    QB_CLASS(TToggleAnimation, TPropertyAnimation)
public:
    using TPropertyAnimation::TPropertyAnimation;
    static void DeclareProperties(TPropertyDeclarer<TToggleAnimation>& p);
    int Every = 5;
    void ApplyFraction(float fraction) override;
    void Assign(const TPersistent* source) override;
};

class TPlaySoundAnimation : public TDuvAnimation {
    QB_CLASS(TPlaySoundAnimation, TDuvAnimation)
public:
    using TDuvAnimation::TDuvAnimation;
    static void DeclareProperties(TPropertyDeclarer<TPlaySoundAnimation>& p);
    std::string FileName;
    bool Synchronous = false;
    bool IsEnabled() const override { return TDuvAnimation::IsEnabled() && !FileName.empty(); }
    void Start() override;
    void Assign(const TPersistent* source) override;
};

// The sound-folder macro replaced by the folder, backslashes turned into '/'.
std::string ResolveSoundFileName(const std::string& fileName);
// The folder that "$(SOUNDDIR)\" stands for; empty unless set.
void SetSoundFolder(const std::string& folder);

void InitializeDuvAnimate();
void FinalizeDuvAnimate();
