#include <gtest/gtest.h>

#include <QEasingCurve>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "chart/engine/support_ChartEngine.h"
#include "chart/tools/DuvAnimate.h"
#include "chart/tools/support_AnimateTest.h"
#include "chart/tools/support_ToolsTest.h"
#include "support/TestSupport.h"

namespace {

std::string Text(float f)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.3f", static_cast<double>(f));
    return buffer;
}

// Writes what the player does to it into a log.
class TLogAnimation : public TDuvAnimation {
public:
    using TDuvAnimation::TDuvAnimation;
    std::vector<std::string>* Log = nullptr;
    void ApplyFraction(float f) override { Log->push_back(Text(f)); }
    void Start() override
    {
        Log->push_back("start");
        TDuvAnimation::Start();
    }
    void Finish() override
    {
        Log->push_back("finish");
        TDuvAnimation::Finish();
    }
};

struct Timeline : testing::Test {
    void SetUp() override { toolstest::StartToolsModules(); }
    TLogAnimation* Add(int startTime = 500, int duration = 1000)
    {
        auto* animation = new TLogAnimation(nullptr);
        animation->Log = &log;
        animation->SetStartTime(startTime);
        animation->SetDuration(duration);
        player.Animations().Add(animation);
        return animation;
    }
    // One frame at that clock; answers what it logged.
    std::string FrameAt(std::int64_t ms)
    {
        clock.Now = ms;
        log.clear();
        player.NextFrame(nullptr);
        std::string joined;
        for (const std::string& entry : log) joined += (joined.empty() ? "" : " ") + entry;
        return joined;
    }
    animtest::HandClock clock;
    std::vector<std::string> log;
    TScopedComponent<TDuvAnimate> player{nullptr};
};

struct FrameStep {
    std::int64_t Clock;
    const char* Logged;
    TAnimationState After;
};
struct TimelineCase {
    const char* Name;
    bool Inverted, TwoWay, Loop;
    std::vector<FrameStep> Steps;
};

TEST_F(Timeline, WindowOfStartTime500AndDuration1000)
{
    const TimelineCase cases[] = {
        {"plain", false, false, false,
         {{0, "", asPlaying}, {499, "", asPlaying}, {500, "start", asPlaying}, {750, "0.250", asPlaying},
          {1499, "0.999", asPlaying},
          // The end fraction, then Stop's own fraction 1 for an enabled animation.
          {1500, "1.000 finish 1.000 finish", asStopped}}},
        {"inverted", true, false, false,
         {{0, "", asPlaying}, {500, "start", asPlaying}, {750, "0.750", asPlaying},
          {1500, "0.000 finish 1.000 finish", asStopped}}},
        {"two way", false, true, false,
         {{0, "", asPlaying}, {500, "start", asPlaying}, {750, "0.500", asPlaying}, {1000, "1.000", asPlaying},
          {1250, "0.500", asPlaying}, {1500, "finish 1.000 finish", asStopped}}},
        // Looping windows count from their own start: never a fraction below 0.
        {"loop", false, false, true,
         {{0, "", asPlaying}, {500, "start", asPlaying}, {1200, "0.700", asPlaying}, {1499, "0.999", asPlaying}}},
    };
    for (const TimelineCase& c : cases) {
        SCOPED_TRACE(c.Name);
        player.Animations().Clear();
        TLogAnimation* animation = Add();
        animation->SetInverted(c.Inverted);
        animation->SetTwoWay(c.TwoWay);
        animation->SetLoop(c.Loop);
        clock.Now = c.Steps.front().Clock;
        player.Play();
        for (const FrameStep& step : c.Steps) {
            EXPECT_EQ(FrameAt(step.Clock), step.Logged) << "at " << step.Clock;
            EXPECT_EQ(player.State(), step.After) << "at " << step.Clock;
        }
        player.Stop();
    }
}

TEST_F(Timeline, OnlyDisabledAnimationsStopAtTheSecondFrame)
{
    Add()->SetEnabled(false);
    EXPECT_EQ(player.TotalDuration(), 0);
    player.Play();
    EXPECT_EQ(FrameAt(0), "");
    EXPECT_TRUE(player.IsPlaying());
    EXPECT_EQ(FrameAt(16), "");
    EXPECT_EQ(player.State(), asStopped);
    EXPECT_EQ(AnimationMultiTimer()->FindEvent(TNotifyEvent(static_cast<TDuvAnimate*>(&player), &TDuvAnimate::NextFrame)), -1);
}

TEST_F(Timeline, PlayPauseContinueAndStop)
{
    Add(0, 1000);
    player.Pause();  // a stopped player does not pause
    EXPECT_EQ(player.State(), asStopped);
    player.Play();
    EXPECT_EQ(FrameAt(0), "start");
    player.Play();  // a second Play changes nothing
    EXPECT_EQ(player.FrameCounter(), 0);
    player.Pause();
    EXPECT_TRUE(player.IsPaused());
    EXPECT_EQ(player.Animation(0)->RunState(), 2);
    const TTimerEvent* event = AnimationMultiTimer()->Event(
        AnimationMultiTimer()->FindEvent(TNotifyEvent(static_cast<TDuvAnimate*>(&player), &TDuvAnimate::NextFrame)));
    EXPECT_FALSE(event->Enabled);
    player.Play();  // continues
    EXPECT_TRUE(player.IsPlaying());
    EXPECT_TRUE(event->Enabled);
    EXPECT_EQ(player.Animation(0)->RunState(), 1);
    log.clear();
    player.Stop();
    EXPECT_EQ(log, (std::vector<std::string>{"1.000", "finish"}));
    player.Continue();  // a stopped player does not continue
    EXPECT_EQ(player.State(), asStopped);

    player.SetLoop(true);
    player.Play();
    FrameAt(0);
    log.clear();
    player.Stop();  // with Loop, Stop ends without the end fraction
    EXPECT_EQ(log, (std::vector<std::string>{"finish"}));
}

TEST_F(Timeline, StepFramePausesAfterOneFrame)
{
    Add(0, 1000);
    player.StepFrame();
    EXPECT_EQ(player.FrameCounter(), -1);  // a stopped player does not step
    player.Play();
    clock.Now = 0;
    player.StepFrame();
    EXPECT_TRUE(player.IsPaused());
    EXPECT_EQ(player.FrameCounter(), 0);
}

TEST_F(Timeline, OnEndMayFreeAnimationsWhileStopWalksTheList)
{
    struct Ender : TObject {
        TDuvAnimation* Other = nullptr;
        void End(TDuvAnimation*, bool& freeAnimation)
        {
            FreeAndNil(Other);
            freeAnimation = true;
        }
    } ender;
    TLogAnimation* first = Add(0, 1000);
    ender.Other = Add(0, 1000);
    Add(0, 1000);
    first->OnEnd = TAnimationEndEvent(&ender, &Ender::End);
    player.Play();
    FrameAt(0);
    player.Stop();
    EXPECT_EQ(player.Animations().Count(), 1);
    EXPECT_EQ(player.State(), asStopped);
}

TEST_F(Timeline, SpeedFactorRoundsTimeToTheEvenNeighbour)
{
    Add(0, 1000);
    player.SetSpeedFactor(0.5);
    player.Play();
    EXPECT_EQ(FrameAt(0), "start");
    EXPECT_EQ(FrameAt(101), "0.050");  // 50.5 ms
    EXPECT_EQ(FrameAt(103), "0.052");  // 51.5 ms
}

TEST_F(Timeline, FrameIntervalAndSpeed)
{
    const std::pair<int, int> cases[] = {{60, 16}, {0, 1000}, {-3, 1000}, {1000, 1}, {2000, 0}};
    for (const auto& [speed, interval] : cases) {
        player.SetSpeed(speed);
        EXPECT_EQ(static_cast<int>(player.FrameInterval()), interval) << speed;
    }
    player.SetSpeed(60);
    Add(0, 1000);
    player.Play();
    player.SetSpeed(25);
    TMultiTimer* timer = AnimationMultiTimer();
    EXPECT_EQ(timer->Event(timer->FindEvent(TNotifyEvent(static_cast<TDuvAnimate*>(&player), &TDuvAnimate::NextFrame)))->Interval, 40u);
}

TEST(Animation, DerivedValuesAndNames)
{
    toolstest::StartToolsModules();
    TScopedComponent<TDuvAnimation> animation(nullptr);
    animation.SetStartTime(500);
    EXPECT_EQ(animation.EndTime(), 1499);
    EXPECT_EQ(animation.StartFrame(), 30);
    animation.SetStartTime(25);  // 1.5 frames
    EXPECT_EQ(animation.StartFrame(), 2);
    const std::pair<const char*, const char*> descriptions[] = {
        {"TNumberAnimation", "Number"}, {"TAnimation", "Animation"}, {"TPlaySoundAnimation", "PlaySound"},
        {"TFadeANIMATION", "Fade"}, {"TSwing", "Swing"}};
    for (const auto& [name, description] : descriptions) EXPECT_EQ(AnimationDescription(name), description);
    EXPECT_EQ(animation.DisplayName(), "Duv");
    animation.SetName("Grow");
    EXPECT_EQ(animation.DisplayName(), "Grow");
    animation.SetTitle("Growing");
    EXPECT_EQ(animation.DisplayName(), "Growing");
    EXPECT_EQ(animation.GetEditorClassName(), "TAnimationEditor");
    EXPECT_EQ(AnimationKindNames(), (std::vector<std::string>{"TNumberAnimation", "TColorsAnimation",
                                                              "TToggleAnimation", "TSinusAnimation",
                                                              "TPlaySoundAnimation"}));
}

TEST(Animation, ParentAndPlayer)
{
    toolstest::StartToolsModules();
    auto* parent = new TDuvAnimation(nullptr);
    TScopedComponent<TDuvAnimation> child(nullptr);
    child.SetParent(parent);
    parent->SetEnabled(false);
    EXPECT_FALSE(child.IsEnabled());
    TDuvAnimate* player = child.GetAnimate();
    EXPECT_EQ(player->Owner(), &child);
    EXPECT_EQ(player->Animation(0), &child);
    parent->SetAnimate(player);
    EXPECT_EQ(player->Animations().Count(), 2);
    parent->Free();
    EXPECT_EQ(child.Parent(), nullptr);
    EXPECT_EQ(player->Animations().Count(), 1);
}

TEST(Animation, AssignCopiesTimingButNotStyleParentOrEvents)
{
    toolstest::StartToolsModules();
    TScopedComponent<TDuvAnimation> source(nullptr), target(nullptr), parent(nullptr);
    source.SetDuration(300);
    source.SetEnabled(false);
    source.SetInverted(true);
    source.SetLoop(true);
    source.SetStartTime(40);
    source.SetTitle("t");
    source.SetTiming(atBounce);
    source.SetTwoWay(true);
    source.SetTimingStyle(atOut);
    source.SetParent(&parent);
    struct Handler : TObject {
        void Begin(TObject*) {}
    } handler;
    source.OnBegin = TNotifyEvent(&handler, &Handler::Begin);
    target.Assign(&source);
    EXPECT_EQ(target.Duration(), 300);
    EXPECT_FALSE(target.Enabled());
    EXPECT_TRUE(target.Inverted() && target.Loop() && target.TwoWay());
    EXPECT_EQ(target.StartTime(), 40);
    EXPECT_EQ(target.Title(), "t");
    EXPECT_EQ(target.Timing(), atBounce);
    EXPECT_EQ(target.TimingStyle(), atIn);
    EXPECT_EQ(target.Parent(), nullptr);
    EXPECT_FALSE(target.OnBegin.Assigned());
}

// ---------------------------------------------------------------- easing

TEST(Easing, AgreesWithQtsCurves)
{
    const std::pair<TAnimationTiming, QEasingCurve::Type> cases[][3] = {
        {{atSquare, QEasingCurve::InQuad}, {atSquare, QEasingCurve::OutQuad}, {atSquare, QEasingCurve::InOutQuad}},
        {{atCubic, QEasingCurve::InCubic}, {atCubic, QEasingCurve::OutCubic}, {atCubic, QEasingCurve::InOutCubic}},
        {{atSine, QEasingCurve::InSine}, {atSine, QEasingCurve::OutSine}, {atSine, QEasingCurve::InOutSine}},
        {{atBounce, QEasingCurve::InBounce}, {atBounce, QEasingCurve::OutBounce}, {atBounce, QEasingCurve::InOutBounce}},
    };
    const TAnimationTimingStyle styles[] = {atIn, atOut, atInOut};
    for (const auto& row : cases) {
        for (int s = 0; s < 3; ++s) {
            const QEasingCurve judge(row[s].second);
            for (int i = 0; i <= 100; ++i) {
                const float f = static_cast<float>(i) / 100;
                EXPECT_NEAR(ApplyTiming(row[s].first, styles[s], f), judge.valueForProgress(f), 1e-6)
                    << row[s].first << " " << s << " " << i;
            }
        }
    }
}

TEST(Easing, AgreesWithTheFormulasInPython)
{
    const std::string script = qbtest::TestDataRoot() + std::string("/animation/easing.py");
    std::istringstream values(enginetest::Run({"/usr/bin/python3", script}));
    int timing = 0, style = 0, step = 0, count = 0;
    double expected = 0;
    while (values >> timing >> style >> step >> expected) {
        const float f = static_cast<float>(step) / 100;
        EXPECT_NEAR(ApplyTiming(static_cast<TAnimationTiming>(timing), static_cast<TAnimationTimingStyle>(style), f),
                    expected, 1e-6)
            << timing << " " << style << " " << step;
        ++count;
    }
    EXPECT_EQ(count, 4 * 3 * 101);
}

TEST(Easing, SpotValues)
{
    const struct {
        TAnimationTiming Timing;
        TAnimationTimingStyle Style;
        float Fraction;
        double Expected;
    } cases[] = {
        {atSquare, atOut, 0.5f, 0.75},        {atSine, atIn, 0.5f, 0.2928932},     {atBounce, atIn, 0.75f, 0.52734375},
        {atElastic, atIn, 0.25f, -0.0107421875}, {atBack, atIn, 0.5f, -0.25},      {atElastic, atIn, 0, 0},
        {atElastic, atIn, 1, 1},              {atExp, atIn, 0, 0.5},               {atExp, atIn, 1, 1},
        {atExp, atOut, 1, 0.5},               {atExp, atInOut, 1, 0.75},           {atLinear, atOut, 0.3f, 0.3},
        {atLinear, atInOut, 0.8f, 0.8},       {atBack, atIn, 1, 1},                {atBounce, atInOut, 1, 1},
    };
    for (const auto& c : cases)
        EXPECT_NEAR(ApplyTiming(c.Timing, c.Style, c.Fraction), c.Expected, 1e-6) << c.Timing << " " << c.Style;
}

}  // namespace
