// The animation player, the animation base with its timing curves, and the kind list.
#include "chart/tools/DuvAnimate.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/core/ClassRegistry.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/Filer.h"
#include "platform/core/NumText.h"

// ---------------------------------------------------------------- timing curves

namespace {

// Curves are evaluated in double and handed out as Single: the elastic polynomial loses its
// sixth digit to cancellation in Single arithmetic.
double Bounce(double m)
{
    constexpr double k = 7.5625;
    if (m < 1 / 2.75) return k * m * m;
    if (m < 2 / 2.75) return k * (m - 1.5 / 2.75) * (m - 1.5 / 2.75) + 0.75;
    if (m < 2.5 / 2.75) return k * (m - 2.25 / 2.75) * (m - 2.25 / 2.75) + 0.9375;
    return k * (m - 2.625 / 2.75) * (m - 2.625 / 2.75) + 0.984375;
}

double Curve(TAnimationTiming timing, double x)
{
    switch (timing) {
    case atSine: return 1 - std::cos(x * std::numbers::pi / 2);
    case atSquare: return x * x;
    case atExp: return 0.5 * std::pow(2.0, x);
    case atCubic: return x * x * x;
    case atBack: return 4 * x * x * x - 3 * x * x;
    case atBounce: return 1 - Bounce(1 - x);
    case atElastic: {
        const double x2 = x * x;
        return 33 * x2 * x2 * x - 59 * x2 * x2 + 32 * x2 * x - 5 * x2;
    }
    case atLinear: break;
    }
    return x;
}

}  // namespace

float ApplyTiming(TAnimationTiming timing, TAnimationTimingStyle style, float fraction)
{
    if (timing == atLinear) return fraction;
    const double f = fraction;
    double x = f;
    if (style == atOut) x = 1 - f;
    if (style == atInOut) x = f > 0.5 ? 2 - 2 * f : 2 * f;
    const double g = Curve(timing, x);
    switch (style) {
    case atIn: return static_cast<float>(g);
    case atOut: return static_cast<float>(1 - g);
    case atInOut: return static_cast<float>(f > 0.5 ? 1 - 0.5 * g : 0.5 * g);
    }
    return static_cast<float>(g);
}

// ---------------------------------------------------------------- animation list

int TAnimations::IndexOf(const TDuvAnimation* animation) const
{
    auto found = std::find(items_.begin(), items_.end(), animation);
    return found == items_.end() ? -1 : static_cast<int>(found - items_.begin());
}

void TAnimations::Add(TDuvAnimation* animation)
{
    if (!animation || IndexOf(animation) >= 0) return;
    animation->animate_ = player_;
    items_.push_back(animation);
}

void TAnimations::Remove(TDuvAnimation* animation)
{
    const int index = IndexOf(animation);
    if (index >= 0) items_.erase(items_.begin() + index);
}

void TAnimations::Clear()
{
    std::vector<TDuvAnimation*> going;
    going.swap(items_);
    for (TDuvAnimation* animation : going) {
        animation->animate_ = nullptr;
        // An animation that owns the player frees it, not the other way round.
        if (animation != player_->Owner()) FreeComponent(animation);
    }
    if (!player_->Going() && player_->OnClear) player_->OnClear(player_);
}

// ---------------------------------------------------------------- player

TDuvAnimate::TDuvAnimate(TComponent* owner) : TCustomDuvPanelLink(owner) {}

TDuvAnimate::~TDuvAnimate()
{
    Stop();
    animations_.Clear();
}

void TDuvAnimate::DeclareProperties(TPropertyDeclarer<TDuvAnimate>& p)
{
    using A = TDuvAnimate;
    p.Boolean("Loop", &A::Loop, &A::SetLoop).Default(false);
    p.Integer("Speed", &A::Speed, &A::SetSpeed).Default(60);
    p.Float("SpeedFactor", &A::SpeedFactor, &A::SetSpeedFactor).Stored([](A& a) { return a.SpeedFactor() != 1.0; });
    p.Event("OnClear", &A::OnClear);
    p.Event("OnContinue", &A::OnContinue);
    p.Event("OnFrame", &A::OnFrame);
    p.Event("OnPause", &A::OnPause);
    p.Event("OnPlay", &A::OnPlay);
    p.Event("OnStop", &A::OnStop);
}

float TDuvAnimate::FrameInterval() const
{
    return 1000.0f / static_cast<float>(std::max(1, speed_));
}

void TDuvAnimate::SetSpeed(int value)
{
    if (speed_ == value) return;
    speed_ = value;
    if (TMultiTimer* timer = AnimationMultiTimer())
        timer->SetEventInterval(static_cast<std::uint32_t>(FrameInterval()), FrameEvent());
}

int TDuvAnimate::TotalDuration() const
{
    int total = 0;
    for (TDuvAnimation* animation : animations_)
        if (animation->IsEnabled()) total = std::max(total, animation->EndTime());
    return total;
}

void TDuvAnimate::Play()
{
    if (state_ == asPaused) return Continue();
    if (state_ == asPlaying) return;
    TMultiTimer* timer = AnimationMultiTimer();
    frame_ = -1;
    startTime_ = static_cast<std::uint32_t>(AnimationClockMs());
    timer->EnsureThread();
    timer->AddEvent(static_cast<std::uint32_t>(FrameInterval()), true, "", 0, nullptr, FrameEvent());
    if (animations_.Count() == 0) return;
    const std::vector<TDuvAnimation*> all(animations_.begin(), animations_.end());
    for (TDuvAnimation* animation : all)
        if (animation->IsEnabled()) animation->Prepare();
    state_ = asPlaying;
    if (OnPlay) OnPlay(this);
    timer->UpdateThread();
}

void TDuvAnimate::NextFrame(TObject*)
{
    ++frame_;
    int t = 0;
    if (frame_ > 0) {
        const std::uint32_t elapsed = static_cast<std::uint32_t>(AnimationClockMs()) - startTime_;
        t = static_cast<int>(Rnd(static_cast<double>(elapsed) * speedFactor_));
    }
    const std::vector<TDuvAnimation*> all(animations_.begin(), animations_.end());
    for (TDuvAnimation* animation : all) {
        if (animations_.IndexOf(animation) < 0 || !animation->IsEnabled()) continue;
        const int start = animation->StartTime();
        const int duration = animation->Duration();
        int lt = t;
        // A looping animation repeats its own window, from its start on.
        if (animation->Loop() && duration > 0 && t >= start) lt = start + (t - start) % duration;
        switch (animation->RunState()) {
        case 0:
            if (start <= lt && lt < animation->EndTime()) animation->Start();
            break;
        case 1:
            if (lt > animation->EndTime()) {
                if (!animation->TwoWay()) animation->SetFraction(animation->Inverted() ? 0.0f : 1.0f);
                animation->Finish();
                if (animation->Loop()) animation->Start();
            } else {
                float f = static_cast<float>(lt - start) / static_cast<float>(duration);
                if (animation->TwoWay()) f = f > 0.5f ? 1 - (f - 0.5f) * 2 : f * 2;
                if (animation->Inverted()) f = 1 - f;
                animation->SetFraction(f);
            }
            break;
        default: break;
        }
    }
    if (OnFrame) OnFrame(this);
    if (TotalDuration() >= t) return;
    if (loop_) {
        frame_ = -1;
        startTime_ = static_cast<std::uint32_t>(AnimationClockMs());
    } else {
        Stop();
    }
}

void TDuvAnimate::Pause()
{
    if (state_ != asPlaying) return;
    if (TMultiTimer* timer = AnimationMultiTimer()) timer->SetEventEnabled(false, FrameEvent());
    for (TDuvAnimation* animation : animations_) animation->Suspend();
    state_ = asPaused;
    if (OnPause) OnPause(this);
}

void TDuvAnimate::Continue()
{
    if (state_ != asPaused) return;
    for (TDuvAnimation* animation : animations_) animation->Resume();
    state_ = asPlaying;
    if (OnContinue) OnContinue(this);
    if (TMultiTimer* timer = AnimationMultiTimer()) timer->SetEventEnabled(true, FrameEvent());
}

void TDuvAnimate::StepFrame()
{
    if (state_ == asStopped) return;
    NextFrame(nullptr);
    if (state_ == asPlaying) Pause();
}

void TDuvAnimate::Stop()
{
    if (TMultiTimer* timer = AnimationMultiTimer()) timer->RemoveEvent(FrameEvent());
    frame_ = -1;
    if (state_ == asStopped) return;
    // An OnEnd handler may free animations of the list: each is looked for again before use.
    const std::vector<TDuvAnimation*> all(animations_.begin(), animations_.end());
    for (TDuvAnimation* animation : all) {
        if (animations_.IndexOf(animation) < 0 || !animation->IsEnabled()) continue;
        if (!loop_) animation->SetFraction(1);
        animation->Finish();
        if (animation->EndAnimation() && animations_.IndexOf(animation) >= 0) FreeComponent(animation);
    }
    state_ = asStopped;
    if (Going()) return;
    if (StopHook) StopHook(this);
    if (OnStop) OnStop(this);
}

void TDuvAnimate::GetChildren(const TGetChildProc& proc, TComponent*)
{
    for (TDuvAnimation* animation : animations_)
        if (animation->Parent() != animation) proc(animation);
}

// ---------------------------------------------------------------- animation base

TDuvAnimation::TDuvAnimation(TComponent* owner) : TComponent(owner) {}

TDuvAnimation::~TDuvAnimation()
{
    if (animate_) {
        animate_->Animations().Remove(this);
        for (TDuvAnimation* other : animate_->Animations())
            if (other->parent_ == this) other->parent_ = nullptr;
    }
    animate_ = nullptr;
    parent_ = nullptr;
}

void TDuvAnimation::DeclareProperties(TPropertyDeclarer<TDuvAnimation>& p)
{
    using A = TDuvAnimation;
    p.Integer("Duration", &A::Duration, &A::SetDuration).Default(1000);
    p.Boolean("Enabled", &A::Enabled, &A::SetEnabled).Default(true);
    p.Boolean("Inverted", &A::Inverted, &A::SetInverted).Default(false);
    p.Boolean("Loop", &A::Loop, &A::SetLoop).Default(false);
    p.Component("Parent", &A::Parent, &A::SetParent);
    p.Integer("StartTime", &A::StartTime, &A::SetStartTime).Default(0);
    p.Enum("Timing", &A::Timing, &A::SetTiming).Default(atLinear);
    p.Enum("TimingStyle", &A::TimingStyle, &A::SetTimingStyle).Default(atIn);
    p.String("Title", &A::Title, &A::SetTitle);
    p.Boolean("TwoWay", &A::TwoWay, &A::SetTwoWay).Default(false);
    p.Event("OnBegin", &A::OnBegin);
    p.Event("OnEnd", &A::OnEnd);
    p.Event("OnFrame", &A::OnFrame);
    p.Event("OnStop", &A::OnStop);
}

void TDuvAnimation::SetDuration(int value)
{
    duration_ = value;
}

void TDuvAnimation::SetParent(TDuvAnimation* value)
{
    if (parent_ == value) return;
    if (parent_ && parent_ != this) parent_->RemoveFreeNotification(this);
    parent_ = value;
    // A parent that goes leaves its children without one.
    if (parent_ && parent_ != this) parent_->FreeNotification(this);
}

void TDuvAnimation::SetAnimate(TDuvAnimate* player)
{
    if (animate_ == player) return;
    if (animate_) animate_->Animations().Remove(this);
    animate_ = player;
    if (player) player->Animations().Add(this);
}

TDuvAnimate* TDuvAnimation::GetAnimate()
{
    if (!animate_) {
        auto* player = new TDuvAnimate(this);
        player->Animations().Add(this);
    }
    return animate_;
}

void TDuvAnimation::SetParentComponent(TComponent* parent)
{
    if (auto* player = dynamic_cast<TDuvAnimate*>(parent)) SetAnimate(player);
}

int TDuvAnimation::StartFrame() const
{
    return static_cast<int>(Rnd(startTime_ * 0.06));
}

void TDuvAnimation::SetFraction(float fraction)
{
    const float eased = ApplyTiming(fraction);
    ApplyFraction(eased);
    if (OnFrame) OnFrame(this, eased);
}

bool TDuvAnimation::EndAnimation()
{
    bool freeAnimation = false;
    if (OnEnd) OnEnd(this, freeAnimation);
    return freeAnimation;
}

std::string AnimationDescription(const std::string& className)
{
    std::string name = className;
    if (!name.empty() && (name[0] == 'T' || name[0] == 't')) name.erase(0, 1);
    if (!SameIdent(name, "Animation") && name.size() >= 9 && SameIdent(name.substr(name.size() - 9), "Animation"))
        name.erase(name.size() - 9);
    return name;
}

std::string TDuvAnimation::Description() const
{
    return AnimationDescription(ClassType().Name());
}

void TDuvAnimation::Resume()
{
    if (runState_ == 2) runState_ = 1;
}

void TDuvAnimation::Suspend()
{
    if (runState_ == 1) runState_ = 2;
}

void TDuvAnimation::Start()
{
    runState_ = 1;
    if (OnBegin) OnBegin(this);
}

void TDuvAnimation::Finish()
{
    runState_ = 0;
    if (OnStop) OnStop(this);
}

std::string TDuvAnimation::DisplayName() const
{
    if (!title_.empty()) return title_;
    if (!Name().empty()) return Name();
    return Description();
}

bool TDuvAnimation::IsEnabled() const
{
    if (!enabled_) return false;
    return !parent_ || parent_ == this || parent_->IsEnabled();
}

void TDuvAnimation::Assign(const TPersistent* source)
{
    auto* other = dynamic_cast<const TDuvAnimation*>(source);
    if (!other) return TComponent::Assign(source);
    SetDuration(other->duration_);
    enabled_ = other->enabled_;
    inverted_ = other->inverted_;
    loop_ = other->loop_;
    startTime_ = other->startTime_;
    title_ = other->title_;
    timing_ = other->timing_;
    twoWay_ = other->twoWay_;
}

void TDuvAnimation::DefineProperties(TFiler& filer)
{
    TComponent::DefineProperties(filer);
    // Older files give the start in frames of a 60-per-second timeline.
    filer.DefineReadOnlyProperty("StartFrame", [this](TReader& reader) {
        const double frames = static_cast<double>(reader.ReadInteger());
        startTime_ = static_cast<int>(std::clamp<long long>(Rnd(frames / 0.06), -0x7FFFFFFFLL, 0x7FFFFFFFLL));
    });
}

void TDuvAnimation::Notification(TComponent* component, TOperation operation)
{
    if (operation == TOperation::opRemove && component == parent_) parent_ = nullptr;
    TComponent::Notification(component, operation);
}

// ---------------------------------------------------------------- kinds

namespace {
std::vector<std::string>& KindNames()
{
    static std::vector<std::string> names;
    return names;
}
std::vector<const TClassInfo*>& KindClasses()
{
    static std::vector<const TClassInfo*> classes;
    return classes;
}
}  // namespace

void RegisterAnimationKind(const TClassInfo& kind)
{
    for (const std::string& name : KindNames())
        if (SameIdent(name, kind.Name())) return;
    RegisterClass(kind);
    KindNames().push_back(kind.Name());
    KindClasses().push_back(&kind);
}

const std::vector<std::string>& AnimationKindNames()
{
    return KindNames();
}

void InitializeDuvAnimate()
{
    CreateAnimationMultiTimer();
    RegisterClass(TDuvAnimate::StaticClass());
    RegisterAnimationKind(TNumberAnimation::StaticClass());
    RegisterAnimationKind(TColorsAnimation::StaticClass());
    RegisterAnimationKind(TToggleAnimation::StaticClass());
    RegisterAnimationKind(TSinusAnimation::StaticClass());
    RegisterAnimationKind(TPlaySoundAnimation::StaticClass());
}

void FinalizeDuvAnimate()
{
    for (auto kind = KindClasses().rbegin(); kind != KindClasses().rend(); ++kind) UnregisterClass(**kind);
    KindClasses().clear();
    KindNames().clear();
    UnregisterClass(TDuvAnimate::StaticClass());
    FreeAnimationMultiTimer();
    SetSoundFolder("");
}
