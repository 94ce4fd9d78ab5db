#include <gtest/gtest.h>

#include <cerrno>

#include "app/UORUCommon.h"
#include "platform/core/NumText.h"
#include "platform/core/SysUtils.h"
#include "support/TestSupport.h"

namespace {

TFormatSettings WithDecimalSeparator(char separator)
{
    TFormatSettings settings = TFormatSettings::Invariant();
    settings.DecimalSeparator = separator;
    settings.ThousandSeparator = separator == ',' ? '.' : ',';
    return settings;
}

// The hooks are program-wide; every test leaves them as the start-up made them.
class DotDecimal : public testing::Test {
protected:
    void TearDown() override { InitDotDecimalHooks(); }
};

TEST_F(DotDecimal, NumbersGetADotInEveryLocale)
{
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {{1.5, "1.5"}, {-2.25, "-2.25"}, {100, "100"}, {1.5e-7, "1.5E-7"}, {0, "0"}};
    for (char separator : {',', '.'}) {
        ScopedFormatSettings scope(WithDecimalSeparator(separator));
        InitDotDecimalHooks();
        for (const Case& c : cases) {
            EXPECT_EQ(DotFloatToStr(c.value), c.text) << "separator " << separator;
            EXPECT_EQ(NumberToTextHook(c.value), c.text) << "hook, separator " << separator;
            EXPECT_DOUBLE_EQ(DotStrToFloat(c.text), c.value) << "separator " << separator;
            EXPECT_DOUBLE_EQ(TextToNumberHook(c.text), c.value) << "hook, separator " << separator;
        }
    }
}

TEST_F(DotDecimal, TextThatIsNoNumberRaisesAConversionErrorNamingIt)
{
    ScopedFormatSettings scope(WithDecimalSeparator(','));
    for (const char* text : {"", "abc", "1.2.3", "1.5x"}) {
        try {
            DotStrToFloat(text);
            ADD_FAILURE() << "no error for '" << text << "'";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message(), std::string("'") + text + "' is not a valid floating point value");
        }
    }
}

TEST(EncloseText, EachKindHasItsDelimiters)
{
    struct Case {
        int kind;
        const char* expected;
    };
    const Case cases[] = {
        {0, "'abc'"}, {1, "\"abc\""}, {2, "(abc)"}, {3, "[abc]"}, {4, "{abc}"}, {5, "<abc>"}, {6, "abc"}, {-1, "abc"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EncloseText(c.kind, "abc"), c.expected) << "kind " << c.kind;
    EXPECT_EQ(EncloseText(2, ""), "()");
}

TEST(AddTrailingBackslash, AddsOnlyWhereMissing)
{
    struct Case {
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"C:\\data", "C:\\data\\"}, {"C:\\data\\", "C:\\data\\"}, {"", ""}, {"x", "x\\"}, {"\\", "\\"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AddTrailingBackslash(c.text), c.expected) << c.text;
}

TEST_F(DotDecimal, TraceWritesOneLinePerCall)
{
    EXPECT_EQ(TraceSink, nullptr) << "nothing opens a trace sink by default";
    qbtest::TempDir dir;
    ScopedFormatSettings scope(WithDecimalSeparator(','));
    InitDotDecimalHooks();
    {
        TTraceSink sink(dir.file("trace.txt"));
        TraceLine(&sink, "regression start");
        TraceFloat(&sink, "slope", 1.5);
        TraceInt(&sink, "n", -42);
        EXPECT_EQ(qbtest::ReadFileBytes(dir.file("trace.txt")), "regression start\nslope 1.5\nn -42\n")
            << "each line is on disk as soon as it is written";
    }
    TraceLine(nullptr, "ignored");
    TraceFloat(nullptr, "ignored", 1);
    TraceInt(nullptr, "ignored", 1);
}

TEST(Trace, FailedWritesRaiseAnIoError)
{
    TTraceSink full("/dev/full");
    try {
        TraceInt(&full, "n", 1);
        FAIL() << "no error on a full device";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.ErrorCode, ENOSPC);
        EXPECT_NE(e.Message().find("/dev/full"), std::string::npos) << e.Message();
    }
    EXPECT_THROW(TraceLine(&full, "again"), EInOutError) << "every later write fails too";

    qbtest::TempDir dir;
    EXPECT_THROW(TTraceSink(dir.file("missing/trace.txt")), EInOutError);
}

}  // namespace
