#include <gtest/gtest.h>

#include "chart/engine/Chart.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/graphics/DuvFilters.h"
#include "chart/tools/DuvAnimate.h"
#include "chart/tools/support_AnimateTest.h"
#include "chart/tools/support_ToolsTest.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentText.h"
#include "platform/core/ComponentWriter.h"
#include "platform/core/Streams.h"
#include "platform/ui/Sound.h"

namespace {

struct Valued : TPersistent {
    QB_CLASS(Valued, TPersistent)
public:
    static void DeclareProperties(TPropertyDeclarer<Valued>& p) { p.Integer("Value", &Valued::Value); }
    int Value = 0;
};

// A plain object list that paths reach by "ItemN".
struct ValueList : TObject, IObjectList {
    Valued Items[2];
    int ObjectCount() const override { return 2; }
    TObject* ObjectAt(int index) const override { return const_cast<Valued*>(&Items[index]); }
};

struct OnChart : testing::Test {
    void SetUp() override
    {
        toolstest::StartToolsModules();
        chart.SetName("Chart1");
        chart.CustomAxes()->AddAxis();
        chart.CustomAxes()->AddAxis();
    }
    TNumberAnimation* Number(const std::string& path)
    {
        auto* animation = new TNumberAnimation(nullptr);
        animation->SetInstance(&chart);
        animation->SetPropertyName(path);
        player.Animations().Add(animation);
        return animation;
    }
    int Margin() { return chart.Title()->VertMargin(); }
    void FrameAt(std::int64_t ms)
    {
        clock.Now = ms;
        player.NextFrame(nullptr);
    }
    animtest::HandClock clock;
    TScopedComponent<TChart> chart{nullptr};
    TScopedComponent<TDuvAnimate> player{nullptr};
};

TEST_F(OnChart, PathsReachPropertiesOfReachableObjects)
{
    TObject* axis1 = chart.CustomAxes()->Items(1);
    const struct {
        const char* Path;
        TObject* Holder;  // nullptr: no target
        const char* Property;
    } cases[] = {
        {"Title.Font.Color", chart.Title()->Font(), "Color"},
        {"CustomAxes.Item1.Minimum", axis1, "Minimum"},
        {"CustomAxes.ITEM1.Minimum", axis1, "Minimum"},
        {"CustomAxes.iTeM1.Minimum", axis1, "Minimum"},
        {"Title.Text.TEXT", chart.Title(), "Text"},
        {"CustomAxes.Item2.Minimum", nullptr, ""},
        {"CustomAxes.Item-1.Minimum", nullptr, ""},
        {"CustomAxes.ItemX.Minimum", nullptr, ""},
        {"CustomAxes.Item.Minimum", nullptr, ""},
        {"Title.VertMargin.Color", nullptr, ""},  // a number is no object
        {"Title.Nope", nullptr, ""},
        {"Nope.Color", nullptr, ""},
        {"", nullptr, ""},
    };
    for (const auto& c : cases) {
        TObject* object = &chart;
        std::string path = c.Path;
        const TPropInfo* info = ResolvePropertyPath(object, path);
        if (!c.Holder) {
            EXPECT_EQ(info, nullptr) << c.Path;
            continue;
        }
        ASSERT_NE(info, nullptr) << c.Path;
        EXPECT_EQ(object, c.Holder) << c.Path;
        EXPECT_EQ(path, c.Property) << c.Path;
    }
    ValueList list;
    for (const auto& [path, index] : {std::pair{"Item1.Value", 1}, {"item0.Value", 0}, {"Item2.Value", -1}}) {
        TObject* object = &list;
        std::string name = path;
        const TPropInfo* info = ResolvePropertyPath(object, name);
        EXPECT_EQ(info != nullptr, index >= 0) << path;
        if (index >= 0) {
            EXPECT_EQ(object, &list.Items[index]) << path;
        }
    }
}

TEST_F(OnChart, NumberWritesTheRangeAndRestoresOnStop)
{
    TNumberAnimation* animation = Number("Title.VertMargin");
    EXPECT_TRUE(animation->IsEnabled());
    EXPECT_EQ(animation->DisplayName(), "Chart1 Title.VertMargin");
    animation->SetEndValue(100);
    animation->SetFraction(0.25f);
    EXPECT_EQ(Margin(), 25);
    const std::pair<double, int> rounding[] = {{12.5, 12}, {13.5, 14}, {12.6, 13}};
    for (const auto& [value, written] : rounding) {
        animation->SetValue(value);
        EXPECT_EQ(Margin(), written) << value;
    }
    for (bool keep : {false, true}) {
        chart.Title()->SetVertMargin(5);
        animation->KeepEndValue = keep;
        animation->SetDuration(100);
        clock.Now = 0;
        player.Play();
        FrameAt(0);
        FrameAt(50);
        EXPECT_EQ(Margin(), 50);
        player.Stop();
        EXPECT_EQ(Margin(), keep ? 100 : 5) << keep;
    }
}

TEST_F(OnChart, StartValueFromThePropertyWhenTheWindowOpens)
{
    TNumberAnimation* animation = Number("Title.VertMargin");
    animation->UseStartValue = false;
    animation->SetStartValue(-7);
    animation->SetEndValue(100);
    animation->SetStartTime(100);
    animation->SetDuration(100);
    player.Play();
    FrameAt(0);
    chart.Title()->SetVertMargin(30);
    FrameAt(100);
    FrameAt(150);
    EXPECT_EQ(Margin(), 65);
    player.Stop();
}

TEST_F(OnChart, OnSetValueRunsWithoutAPropertyEvenWhenDisabled)
{
    struct Sink : TObject {
        std::vector<double> Values;
        void Take(TDuvAnimation*, double value) { Values.push_back(value); }
    } sink;
    auto* animation = new TNumberAnimation(nullptr);
    player.Animations().Add(animation);
    animation->SetEnabled(false);
    animation->UseStartValue = false;  // nothing to read: the current value is taken
    animation->SetEndValue(10);
    EXPECT_FALSE(animation->IsEnabled());
    animation->OnSetValue = TAnimationSetValue(&sink, &Sink::Take);
    EXPECT_TRUE(animation->IsEnabled());
    animation->SetDuration(100);
    player.Play();
    FrameAt(0);
    FrameAt(50);
    EXPECT_EQ(sink.Values.back(), 5);
    player.Stop();
}

TEST_F(OnChart, ColoursThroughRgbAndHls)
{
    auto* animation = new TColorsAnimation(nullptr);
    player.Animations().Add(animation);
    animation->SetInstance(&chart);
    animation->SetPropertyName("Title.Font.Color");
    const struct {
        TAnimationColorMethod Method;
        TColor From, To;
        float Fraction;
        TColor Expected;
    } cases[] = {
        {cmRGB, 0x000000, 0xFFFFFF, 0.5f, 0x808080},  // 127.5 goes to the even 128
        {cmRGB, 0x0000FF, 0xFF0000, 0.25f, 0x4000BF},
        {cmHLS, 0x0000FF, 0xFF0000, 0.5f, 0x00FF00},  // red to blue passes green
        {cmHLS, 0x0000FF, 0xFF0000, 1.0f, ColorFromHLS(ColorToHLS(0xFF0000).Hue, ColorToHLS(0xFF0000).Luminance,
                                                       ColorToHLS(0xFF0000).Saturation)},
    };
    for (const auto& c : cases) {
        animation->Method = c.Method;
        animation->SetStartValue(c.From);
        animation->SetEndValue(c.To);
        animation->SetFraction(c.Fraction);
        EXPECT_EQ(chart.Title()->Font()->Color(), c.Expected) << c.Method << " " << c.Fraction;
    }
}

TEST_F(OnChart, SineSwingsAroundTheStart)
{
    auto* animation = new TSinusAnimation(nullptr);
    player.Animations().Add(animation);
    animation->SetInstance(&chart);
    animation->SetPropertyName("Title.VertMargin");
    animation->SetStartValue(10);
    animation->SetEndValue(20);
    for (const auto& [f, margin] : {std::pair{0.25f, 20}, {0.5f, 10}, {0.75f, 0}, {1.0f, 10}}) {
        animation->SetFraction(f);
        EXPECT_EQ(Margin(), margin) << f;
    }
}

TEST_F(OnChart, ToggleFlipsEveryFifthFrame)
{
    auto* animation = new TToggleAnimation(nullptr);
    player.Animations().Add(animation);
    animation->SetInstance(&chart);
    animation->SetPropertyName("Title.AdjustFrame");
    player.Play();
    std::vector<int> flips;
    bool last = chart.Title()->AdjustFrame();
    for (int frame = 0; frame <= 17; ++frame) {
        FrameAt(frame * 16);
        if (chart.Title()->AdjustFrame() != last) flips.push_back(frame);
        last = chart.Title()->AdjustFrame();
    }
    EXPECT_EQ(flips, (std::vector<int>{5, 10, 15}));
    player.Stop();
}

TEST_F(OnChart, LinksFollowTheLinkedPropertyAndLetGoOfFreedObjects)
{
    auto* other = new TChart(nullptr);
    other->Title()->SetVertMargin(40);
    TNumberAnimation* animation = Number("Title.VertMargin");
    animation->EndLink()->SetInstance(other);
    animation->EndLink()->SetPropertyName(" Title.VertMargin ");
    EXPECT_EQ(animation->EndLink()->PropertyName(), "Title.VertMargin");
    animation->SetEndValue(1000);
    animation->SetFraction(0.5f);
    EXPECT_EQ(Margin(), 20);
    other->Title()->SetVertMargin(80);
    animation->SetFraction(0.5f);
    EXPECT_EQ(Margin(), 40);
    // A link that leads nowhere counts as not set.
    animation->EndLink()->SetPropertyName("Title.Nope");
    animation->SetFraction(0.5f);
    EXPECT_EQ(Margin(), 500);
    other->Free();
    EXPECT_EQ(animation->EndLink()->Instance(), nullptr);
    // The animated object going leaves the animation without a target.
    auto* target = new TChart(nullptr);
    animation->SetInstance(target);
    target->Free();
    EXPECT_EQ(animation->Instance(), nullptr);
    EXPECT_FALSE(animation->IsEnabled());
}

TEST_F(OnChart, AssignCopiesTheListedSettingsOnly)
{
    struct Sink : TObject {
        void Take(TDuvAnimation*, double) {}
    } sink;
    TNumberAnimation* source = Number("Title.VertMargin");
    source->KeepEndValue = true;
    source->UseEndValue = false;
    source->UseStartValue = false;
    source->SetStartValue(3);
    source->SetEndValue(4);
    source->InitStart = true;
    source->EndLink()->SetInstance(&chart);
    source->StartLink()->SetPropertyName("Title.VertMargin");
    source->Curve()->X = {0, 0.5, 1};
    source->Curve()->Y = {0, 1, 0};
    source->SetSpecial(9);
    source->SetTimingStyle(atOut);
    source->OnSetValue = TAnimationSetValue(&sink, &Sink::Take);
    TScopedComponent<TNumberAnimation> target(nullptr);
    target.Assign(source);
    EXPECT_EQ(target.Instance(), &chart);
    EXPECT_EQ(target.PropertyName(), "Title.VertMargin");
    EXPECT_TRUE(target.KeepEndValue);
    EXPECT_FALSE(target.UseEndValue || target.UseStartValue);
    EXPECT_EQ(target.StoredStartValue(), 3);
    EXPECT_EQ(target.StoredEndValue(), 4);
    EXPECT_TRUE(target.InitStart);
    ASSERT_NE(target.PeekEndLink(), nullptr);
    EXPECT_NE(target.PeekEndLink(), source->PeekEndLink());
    EXPECT_EQ(target.PeekEndLink()->Instance(), &chart);
    EXPECT_EQ(target.PeekStartLink()->PropertyName(), "Title.VertMargin");
    EXPECT_EQ(target.PeekCurve()->Y, source->Curve()->Y);
    EXPECT_EQ(target.Special(), 0);
    EXPECT_EQ(target.TimingStyle(), atIn);
    EXPECT_FALSE(target.OnSetValue.Assigned());
    EXPECT_EQ(target.GetEditorClassName(), "TAnimationEditors");

    TScopedComponent<TPlaySoundAnimation> sound(nullptr), copy(nullptr);
    sound.FileName = "a.wav";
    sound.Synchronous = true;
    copy.Assign(&sound);
    EXPECT_EQ(copy.FileName, "a.wav");
    EXPECT_FALSE(copy.Synchronous);
}

// ---------------------------------------------------------------- streams

std::string BinaryOf(TComponent& root)
{
    TMemoryStream stream;
    WriteComponentToStream(stream, &root);
    return stream.Bytes();
}

std::string TextOf(const std::string& binary)
{
    TMemoryStream in(binary), out;
    ObjectBinaryToText(in, out);
    return out.Bytes();
}

std::string BinaryOfText(const std::string& text)
{
    TMemoryStream in(text), out;
    ObjectTextToBinary(in, out);
    return out.Bytes();
}

void ReadInto(TComponent& root, const std::string& binary)
{
    TMemoryStream stream(binary);
    ReadComponentFromStream(stream, &root);
}

TEST(AnimationStream, PlayerWithFourKindsReadsBackAndWritesTheSameBytes)
{
    toolstest::StartToolsModules();
    TScopedComponent<TComponent> root(nullptr);
    root.SetName("Form1");
    auto* chart = new TChart(&root);
    chart->SetName("Chart1");
    auto* player = new TDuvAnimate(&root);
    player->SetName("DuvAnimate1");
    player->SetSpeed(30);
    player->SetSpeedFactor(2);
    auto* number = new TNumberAnimation(&root);
    number->SetName("Number1");
    number->SetAnimate(player);
    number->SetInstance(chart);
    number->SetPropertyName("Title.VertMargin");
    number->Curve()->X = {0, 0.5, 1};
    number->Curve()->Y = {0, 1, 0.25};
    number->StartLink()->SetInstance(chart);
    number->StartLink()->SetPropertyName("Title.Font.Height");
    number->EndLink()->SetPropertyName("Title.VertMargin");
    number->SetEndValue(12.5);
    number->SetSpecial(7);
    number->SetStartTime(250);
    number->SetTiming(atBounce);
    auto* colors = new TColorsAnimation(&root);
    colors->SetName("Colors1");
    colors->SetAnimate(player);
    colors->Method = cmHLS;
    colors->SetParent(number);
    auto* toggle = new TToggleAnimation(&root);
    toggle->SetName("Toggle1");
    toggle->SetAnimate(player);
    toggle->Every = 3;
    auto* sound = new TPlaySoundAnimation(&root);
    sound->SetName("Sound1");
    sound->SetAnimate(player);
    sound->FileName = "$(SOUNDDIR)\\ding.wav";
    sound->Synchronous = true;

    const std::string binary = BinaryOf(root);
    const std::string text = TextOf(binary);
    for (const char* expected : {"object DuvAnimate1: TDuvAnimate", "object Number1: TNumberAnimation",
                                 "Special = 7", "Curve = {", "Method = cmHLS", "Parent = Number1"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;

    TScopedComponent<TComponent> back(nullptr);
    ReadInto(back, BinaryOfText(text));
    EXPECT_EQ(TextOf(BinaryOf(back)), text);
    EXPECT_EQ(BinaryOf(back), binary);
    auto* player2 = static_cast<TDuvAnimate*>(back.FindComponent("DuvAnimate1"));
    ASSERT_NE(player2, nullptr);
    ASSERT_EQ(player2->Animations().Count(), 4);
    auto* number2 = static_cast<TNumberAnimation*>(player2->Animation(0));
    EXPECT_EQ(number2->Instance(), back.FindComponent("Chart1"));
    EXPECT_EQ(number2->Special(), 7);
    EXPECT_EQ(number2->Curve()->Y, (std::vector<double>{0, 1, 0.25}));
    EXPECT_EQ(player2->Animation(1)->Parent(), number2);
}

TEST(AnimationStream, LegacyStartFrameAndCurves)
{
    toolstest::StartToolsModules();
    TScopedComponent<TComponent> root(nullptr);
    ReadInto(root, BinaryOfText("object Form1: TComponent\r\n"
                                "  object DuvAnimate1: TDuvAnimate\r\n"
                                "    object Number1: TNumberAnimation\r\n"
                                "      StartFrame = 30\r\n"
                                "    end\r\n"
                                "  end\r\n"
                                "end\r\n"));
    auto* number = static_cast<TNumberAnimation*>(root.FindComponent("Number1"));
    ASSERT_NE(number, nullptr);
    EXPECT_EQ(number->StartTime(), 500);
    EXPECT_EQ(number->Animate(), root.FindComponent("DuvAnimate1"));

    number->Curve();  // the flat default curve is not written
    EXPECT_EQ(TextOf(BinaryOf(root)).find("Curve"), std::string::npos);
    number->Curve()->Y = {0, 1};
    const std::string text = TextOf(BinaryOf(root));
    const auto at = text.find("Curve = {");
    ASSERT_NE(at, std::string::npos) << text;
    std::string hex;
    for (std::size_t i = at + 9; i < text.size() && text[i] != '}'; ++i)
        if (std::isxdigit(static_cast<unsigned char>(text[i]))) hex += text[i];
    EXPECT_EQ(hex.size(), 72u);  // 36 bytes
}

TEST(AnimationStream, BadCurveBytesAreRefused)
{
    TAnimationCurve curve;
    for (const std::string& bytes : {std::string("\x01\x00\x00"), std::string("\x02\x00\x00\x00", 4),
                                     std::string("\xff\xff\xff\xff", 4)})
        EXPECT_THROW(curve.SetBytes(bytes), EReadError);
    EXPECT_EQ(curve.X.size(), 2u);
}

// ---------------------------------------------------------------- sound

struct RecordingSound : ISoundService {
    std::vector<std::pair<std::string, bool>> Played;
    bool PlaySound(const std::string& fileName, bool synchronous) override
    {
        Played.emplace_back(fileName, synchronous);
        return true;
    }
};

TEST_F(OnChart, SoundPlaysOncePerRunOfItsWindow)
{
    RecordingSound recorder;
    SetSoundService(&recorder);
    auto* sound = new TPlaySoundAnimation(nullptr);
    player.Animations().Add(sound);
    EXPECT_FALSE(sound->IsEnabled());
    sound->FileName = " $(sounddir)\\bells\\ding.wav ";
    sound->Synchronous = true;
    sound->SetStartTime(100);
    sound->SetDuration(200);
    player.Play();
    for (int ms : {0, 50, 100, 150, 200, 250}) FrameAt(ms);
    EXPECT_EQ(recorder.Played, (std::vector<std::pair<std::string, bool>>{{"/bells/ding.wav", true}}));
    player.Stop();
    SetSoundFolder("/usr/share/sounds");
    EXPECT_EQ(ResolveSoundFileName("$(SOUNDDIR)\\a\\b.wav"), "/usr/share/sounds/a/b.wav");
    EXPECT_EQ(ResolveSoundFileName("C:\\x.wav"), "C:/x.wav");
    SetSoundFolder("");
    SetSoundService(nullptr);
}

}  // namespace
