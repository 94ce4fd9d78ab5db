#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>

#include <algorithm>
#include <chrono>
#include <numeric>
#include <random>
#include <thread>

#include "chart/engine/ChartEditorServices.h"
#include "chart/engine/DuvProcs.h"
#include "platform/core/ClassRegistry.h"
#include "platform/core/Collection.h"
#include "platform/core/ComponentText.h"
#include "platform/core/ComponentWriter.h"
#include "platform/core/Registry.h"
#include "platform/core/Streams.h"
#include "support/TestSupport.h"

namespace {

std::string Lines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

std::string ToXml(const std::string& componentText, bool withDeclaration = false)
{
    TMemoryStream stream(componentText);
    ConvertTextStreamToXml(stream, withDeclaration);
    return stream.Bytes();
}

TDateTime Day(int year, int month, int day) { return EncodeDate(year, month, day); }

std::string DateText(TDateTime value) { return FormatDateTime("yyyy-mm-dd hh:nn", value); }

// A collection item and a component with a string list and a collection, as charts have them.
class TXmlSampleItem : public TCollectionItem {
    QB_CLASS(TXmlSampleItem, TCollectionItem)
public:
    explicit TXmlSampleItem(TCollection* collection) : TCollectionItem(collection) {}
    int Value = 0;
    std::string Caption;
    static void DeclareProperties(TPropertyDeclarer<TXmlSampleItem>& p)
    {
        p.Integer("Value", &TXmlSampleItem::Value).Default(0);
        p.String("Caption", &TXmlSampleItem::Caption);
    }
};

class TXmlSample : public TComponent {
    QB_CLASS(TXmlSample, TComponent)
public:
    explicit TXmlSample(TComponent* owner) : TComponent(owner) {}
    std::string Title;
    TStringList Lines;
    static void DeclareProperties(TPropertyDeclarer<TXmlSample>& p)
    {
        p.String("Title", &TXmlSample::Title);
        p.Strings("Lines", &TXmlSample::Lines);
        p.Collection("Items", &TXmlSample::Items);
    }
    TCollection* Items() { return &items_; }

private:
    TCollection items_{TXmlSampleItem::StaticClass(), this};
};

// Every attribute of an XML document as "element attribute=value" lines, read by Python.
std::vector<std::string> AttributesByPython(const std::string& xml)
{
    qbtest::TempDir dir;
    qbtest::WriteFileBytes(dir.file("chart.xml"), xml);
    QProcess python;
    python.start("/usr/bin/python3",
                 {"-c",
                  "import sys, xml.etree.ElementTree as E\n"
                  "for e in E.parse(sys.argv[1]).iter():\n"
                  "    for k, v in e.attrib.items():\n"
                  "        sys.stdout.buffer.write((e.tag + ' ' + k + '=' + v + '\\n').encode('utf-8'))\n",
                  QString::fromStdString(dir.file("chart.xml"))});
    EXPECT_TRUE(python.waitForFinished(30000));
    EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    std::vector<std::string> lines;
    for (const QByteArray& line : python.readAllStandardOutput().split('\n'))
        if (!line.isEmpty()) lines.push_back(line.toStdString());
    return lines;
}

}  // namespace

// ---------------------------------------------------------------- palette, lists, text

TEST(DuvProcsPalette, BuiltInColoursSetAndReset)
{
    EXPECT_EQ(DefaultColorPalette.size(), 20u);
    EXPECT_EQ(DefaultPaletteColor(0), clRed);
    EXPECT_EQ(DefaultPaletteColor(21), clGreen);  // wraps around
    EXPECT_EQ(DefaultPaletteColor(19), clMedGray);
    EXPECT_EQ(DefaultPaletteColor(-1), clMedGray);  // never outside the palette
    SetDefaultColorPalette({clBlack, clWhite});
    EXPECT_EQ(DefaultPaletteColor(3), clWhite);
    SetDefaultColorPalette({});
    EXPECT_EQ(DefaultColorPalette.size(), 20u);
    EXPECT_EQ(DefaultPaletteColor(15), clBlack);
}

TEST(DuvProcsPalette, ModuleShutdownEmptiesAndStartUpRefills)
{
    ListSeparator = ",";
    DuvProcsFinalization();
    EXPECT_TRUE(DefaultColorPalette.empty());
    EXPECT_EQ(ListSeparator, ";");
    EXPECT_EQ(DefaultPaletteColor(1), clGreen);  // still answers
    DuvProcsInitialization();
    EXPECT_EQ(DefaultColorPalette.size(), 20u);
}

TEST(DuvProcsLists, CountAndItems)
{
    struct Case {
        std::string text;
        int count;
        std::vector<std::string> items;  // items 0 .. count + 1
    };
    const Case cases[] = {
        {"", 0, {"", "", ""}},
        {"a", 1, {"", "a", ""}},
        {";", 1, {"", "", ""}},
        {"a;b;", 2, {"", "a", "b", ""}},
        {"a;b;c", 3, {"", "a", "b", "c", ""}},
        {";b", 2, {"", "", "b", ""}},
        {"a;;c", 3, {"", "a", "", "c", ""}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CountListItems(c.text), c.count) << c.text;
        for (int n = 0; n < static_cast<int>(c.items.size()); ++n) EXPECT_EQ(ListItemOf(c.text, n), c.items[n]) << c.text << " " << n;
    }
    EXPECT_EQ(ListItemOf("a;b", -1), "");
}

TEST(DuvProcsLists, OtherSeparatorForOneCall)
{
    EXPECT_EQ(CountListItemsWith("a, b, c", ", "), 3);
    EXPECT_EQ(ListItemOfWith("a, b, c", 2, ", "), "b");
    EXPECT_EQ(ListItemOfWith("x|y", 2, "|"), "y");
    EXPECT_EQ(ListSeparator, ";");
    EXPECT_EQ(CountListItemsWith("abc", ""), 1);
}

TEST(DuvProcsText, NumberTextAndLocale)
{
    TFormatSettings german = TFormatSettings::Invariant();
    german.DecimalSeparator = ',';
    german.ThousandSeparator = '.';
    {
        ScopedFormatSettings scope(german);
        EXPECT_EQ(NumberTextToLocale("#,##0.00"), "#.##0,00");
        EXPECT_EQ(NumberTextToLocale("1,234.5"), "1.234,5");
        EXPECT_EQ(NumberTextFromLocale("1.234,5"), "1,234.5");
    }
    TFormatSettings same = TFormatSettings::Invariant();
    same.ThousandSeparator = same.DecimalSeparator = '.';
    ScopedFormatSettings scope(same);
    EXPECT_EQ(NumberTextToLocale("1,234.5"), "1,234.5");
}

TEST(DuvProcsText, SmallTextHelpers)
{
    EXPECT_EQ(IntToText(-42), "-42");
    EXPECT_EQ(TextPos("lo", "hello"), 4);
    EXPECT_EQ(TextPos("x", "hello"), 0);
    EXPECT_EQ(TextPos("", "hello"), 0);
    EXPECT_EQ(ReplaceOrDeleteChar("&File &Save", '&', '\0'), "File Save");
    EXPECT_EQ(ReplaceOrDeleteChar("a.b.c", '.', ','), "a,b,c");
    EXPECT_EQ(FileNameWithoutExt("/data/chart.v2/plot.duv"), "/data/chart.v2/plot");
    EXPECT_EQ(FileNameWithoutExt("/data/chart.v2/plot"), "/data/chart.v2/plot");
    EXPECT_EQ(FileNameWithoutExt("archive.tar.gz"), "archive.tar");
    for (const char* address : {"http://x.org", "  ftp://host/file ", "see HTTP://X"}) EXPECT_TRUE(IsInternetAddress(address)) << address;
    for (const char* other : {"/home/u/http.txt", "", "file://x"}) EXPECT_FALSE(IsInternetAddress(other)) << other;
}

TEST(DuvProcsText, StringsStack)
{
    TStringsStack stack;
    EXPECT_EQ(stack.StackPop(), "");
    EXPECT_EQ(stack.StackPush("a"), 0);
    EXPECT_EQ(stack.StackPush("b"), 1);
    EXPECT_EQ(stack.StackPop(), "b");
    EXPECT_EQ(stack.StackPop(), "a");
    EXPECT_EQ(stack.Count(), 0);
}

TEST(DuvProcsText, TranslationGoesThroughTheInstalledServices)
{
    EXPECT_EQ(TranslateString("Close"), "Close");
    TranslateControl(nullptr);  // no services: nothing happens
    struct TBracketLanguage : TChartEditorServices {
        int Calls = 0;
        std::string TranslateString(const std::string& text) override { return "[" + text + "]"; }
        void TranslateForm(QWidget*, const std::vector<QWidget*>& excluded) override
        {
            Calls += 1 + static_cast<int>(excluded.size());
        }
    } language;
    {
        TScopedChartEditorServices installed(language);
        EXPECT_EQ(TranslateString("Close"), "[Close]");
        TranslateControl(nullptr);
        TranslateControlWith(nullptr, {nullptr, nullptr});
        EXPECT_EQ(language.Calls, 4);
    }
    EXPECT_EQ(TranslateString("Close"), "Close");
}

TEST(DuvProcsText, NextFreeComponentName)
{
    TComponent form(nullptr);
    EXPECT_EQ(NextFreeComponentName(&form, "Series"), "Series1");
    auto* second = new TComponent(&form);
    second->SetName("Series2");
    EXPECT_EQ(NextFreeComponentName(&form, "Series"), "Series1");
    auto* first = new TComponent(&form);
    first->SetName("series1");
    EXPECT_EQ(NextFreeComponentName(&form, "Series"), "Series3");
    EXPECT_EQ(NextFreeComponentName(nullptr, "Series"), "Series1");
}

TEST(DuvProcsText, RegisterClassForStreaming)
{
    RegisterClassForStreaming(TXmlSample::StaticClass());
    EXPECT_EQ(GetClass("txmlsample"), &TXmlSample::StaticClass());
    UnregisterClass(TXmlSample::StaticClass());
    EXPECT_EQ(GetClass("TXmlSample"), nullptr);
}

// ---------------------------------------------------------------- dates

TEST(DuvProcsDates, DaysOfMonthAndFormats)
{
    const int cases[][3] = {{2024, 2, 29}, {2023, 2, 28}, {1900, 2, 28}, {2000, 2, 29}, {2023, 4, 30}, {2023, 12, 31}};
    for (const auto& c : cases) EXPECT_EQ(DaysOfMonth(c[0], c[1]), c[2]) << c[0] << "-" << c[1];
    TFormatSettings settings = TFormatSettings::Invariant();
    settings.ShortDateFormat = "d.m.yyyy";
    settings.ShortTimeFormat = "hh:nn";
    ScopedFormatSettings scope(settings);
    EXPECT_EQ(DateOrTimeFormat(1.5), "d.m.yyyy");
    EXPECT_EQ(DateOrTimeFormat(1), "hh:nn");
    EXPECT_EQ(DateOrTimeFormat(0.01), "hh:nn");
}

TEST(DuvProcsDates, NextLargerAndMatchingStep)
{
    const double microsecond = DateTimeSteps[0];
    struct Larger {
        double step;
        double next;
    };
    const Larger larger[] = {
        {1, 2}, {1.5, 2}, {400, 365}, {182, 365}, {120, 182}, {1.0 / 24, 2.0 / 24}, {microsecond, DateTimeSteps[1]},
        {microsecond / 10, microsecond}, {0, microsecond}, {-5, microsecond},  // tiny steps: the smallest one
    };
    for (const Larger& c : larger) EXPECT_DOUBLE_EQ(NextLargerDateTimeStep(c.step), c.next) << c.step;
    struct Match {
        double step;
        int index;
    };
    const Match matches[] = {
        {1.0 / 24, 12}, {0.3, NoDateTimeStep}, {365, 26}, {7, 19}, {1.0 / 86400, 2}, {microsecond, 0},
        {1 + microsecond / 2, 16}, {1 + 2 * microsecond, NoDateTimeStep},
    };
    for (const Match& c : matches) EXPECT_EQ(MatchDateTimeStep(c.step), c.index) << c.step;
}

TEST(DuvProcsDates, RoundDateToStep)
{
    struct Case {
        int step;
        TDateTime date;
        TDateTime rounded;
    };
    const Case cases[] = {
        {19, Day(2024, 3, 14), Day(2024, 3, 11)},  // Thursday: back to Monday
        {19, Day(2024, 3, 15), Day(2024, 3, 18)},  // Friday: on to Monday
        {20, Day(2024, 3, 20), Day(2024, 3, 15)},
        {20, Day(2024, 3, 14), Day(2024, 3, 1)},
        {20, Day(2024, 3, 15) + 0.75, Day(2024, 3, 15)},
        {21, Day(2024, 3, 31) + 0.5, Day(2024, 3, 1)},
        {25, Day(2024, 2, 29), Day(2024, 2, 1)},
        {26, Day(2024, 12, 31) + 0.9, Day(2024, 1, 1)},
        {16, 10.5, 10},  // halves to even
        {16, 11.5, 12},
        {17, 5, 4},
        {18, 7.6, 9},
        {15, 10.3, 10.3},  // time steps leave the value
        {0, 10.3, 10.3},
        {26, 0, 0},
    };
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(RoundDateToStep(c.step, c.date), c.rounded) << c.step << " " << DateText(c.date);
}

TEST(DuvProcsDates, IncDecDateTime)
{
    struct Case {
        bool exact;
        bool increase;
        TDateTime from;
        int step;
        double amount;
        TDateTime to;
    };
    const Case cases[] = {
        {true, false, Day(2010, 3, 20), 21, 30, Day(2010, 2, 1)},
        {true, false, Day(2010, 3, 20) + 0.5, 21, 30, Day(2010, 2, 1)},  // time of day dropped
        {true, true, Day(2010, 12, 31), 21, 30, Day(2011, 1, 1)},
        {true, false, Day(2010, 1, 15), 22, 60, Day(2009, 11, 1)},
        {true, true, Day(2010, 11, 15), 23, 90, Day(2011, 2, 1)},
        {true, true, Day(2010, 8, 10), 25, 182, Day(2011, 2, 1)},
        {true, false, Day(2010, 2, 10), 25, 182, Day(2009, 8, 1)},
        {true, true, Day(2010, 6, 15), 26, 365, Day(2011, 6, 15)},
        {true, true, Day(2010, 6, 15), 26, 730, Day(2012, 6, 15)},
        {true, false, Day(2011, 1, 1), 26, 365, Day(2010, 1, 1)},
        {true, true, Day(2012, 2, 29), 26, 365, Day(2013, 2, 28)},  // no 29 February in 2013
        {true, false, Day(2012, 2, 29), 26, 365, Day(2011, 2, 28)},
        {true, true, Day(2010, 3, 10), 20, 15, Day(2010, 3, 15)},  // half months forward
        {true, true, Day(2010, 3, 15), 20, 15, Day(2010, 4, 1)},
        {true, true, Day(2010, 3, 20), 20, 15, Day(2010, 4, 1)},
        {true, true, Day(2010, 12, 20), 20, 15, Day(2011, 1, 1)},
        {true, false, Day(2010, 3, 20), 20, 15, Day(2010, 3, 15)},  // and back
        {true, false, Day(2010, 3, 10), 20, 15, Day(2010, 3, 1)},
        {true, false, Day(2010, 3, 1), 20, 15, Day(2010, 2, 15)},
        {true, false, Day(2010, 1, 1), 20, 15, Day(2009, 12, 15)},
        {true, true, Day(2010, 3, 1) + 0.25, 16, 1.5, Day(2010, 3, 2) + 0.75},  // other steps: plain sum
        {false, true, Day(2010, 6, 15) + 0.5, 26, 365, Day(2011, 6, 15) + 0.5},
        {false, false, Day(2010, 3, 20), 21, 30, Day(2010, 2, 18)},
        {true, true, Day(2010, 3, 20) + 0.5, 21, 0, Day(2010, 3, 20) + 0.5},  // no amount: unchanged
    };
    for (const Case& c : cases) {
        TDateTime date = c.from;
        IncDecDateTime(c.exact, c.increase, date, c.step, c.amount);
        EXPECT_EQ(DateText(date), DateText(c.to)) << "step " << c.step << (c.increase ? " + " : " - ") << DateText(c.from);
    }
}

TEST(DuvProcsDates, MillisecondsNowRuns)
{
    const double before = MillisecondsNow();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const double elapsed = MillisecondsNow() - before;
    EXPECT_GE(elapsed, 25);
    EXPECT_LT(elapsed, 10000);
}

// ---------------------------------------------------------------- geometry

TEST(DuvProcsGeometry, PointInsidePolygon)
{
    const TPointArray square = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    const TPointArray huge = {{-2000000000, -2000000000}, {2000000000, -2000000000}, {2000000000, 2000000000}, {-2000000000, 2000000000}};
    const TPointArray notch = {{0, 0}, {10, 0}, {10, 10}, {6, 10}, {6, 4}, {4, 4}, {4, 10}, {0, 10}};
    struct Case {
        const TPointArray* points;
        int high;
        TPoint p;
        bool inside;
    };
    const Case cases[] = {
        {&square, 3, {5, 5}, true},    {&square, 3, {0, 5}, true},    // left edge
        {&square, 3, {10, 5}, false},  // right edge
        {&square, 3, {5, 0}, true},    {&square, 3, {5, 10}, false},  // top in, bottom out
        {&square, 3, {-1, 5}, false},  {&square, 3, {5, -1}, false},  {&square, -1, {5, 5}, false},
        {&square, 1, {5, 0}, false},   // two points: no area
        {&square, 9, {5, 5}, true},    // a last index beyond the points is held to them
        {&huge, 3, {0, 0}, true},      {&huge, 3, {2000000000, 0}, false},
        {&notch, 7, {5, 8}, false},    {&notch, 7, {2, 8}, true},     {&notch, 7, {5, 2}, true},
    };
    for (const Case& c : cases) EXPECT_EQ(PointInsidePolygon(c.p, *c.points, c.high), c.inside) << c.p.X << "," << c.p.Y << " high " << c.high;
}

TEST(DuvProcsGeometry, TrianglesAndEllipses)
{
    EXPECT_TRUE(PointInsideTriangle({2, 1}, {0, 0}, {10, 0}, {0, 10}));
    EXPECT_FALSE(PointInsideTriangle({6, 6}, {0, 0}, {10, 0}, {0, 10}));
    EXPECT_TRUE(PointInsideVertTriangle({5, 5}, 0, 10, 10, 0));
    EXPECT_FALSE(PointInsideVertTriangle({1, 1}, 0, 10, 10, 0));
    // The apex of -3..0 lies at -1 (halves toward zero), which leaves (-2, 1) outside.
    EXPECT_FALSE(PointInsideVertTriangle({-2, 1}, -3, 0, 10, 0));
    EXPECT_TRUE(PointInsideVertTriangle({2000000000, 5}, 1900000000, 2100000000, 10, 0));
    EXPECT_TRUE(PointInsideSidewaysTriangle({5, 5}, 0, 10, 0, 10));
    EXPECT_FALSE(PointInsideSidewaysTriangle({9, 1}, 0, 10, 0, 10));
    struct Ellipse {
        TRect r;
        TPoint p;
        bool inside;
    };
    const Ellipse ellipses[] = {
        {{0, 0, 10, 20}, {5, 10}, true}, {{0, 0, 10, 20}, {0, 10}, true},  {{0, 0, 10, 20}, {5, 0}, true},
        {{0, 0, 10, 20}, {0, 0}, false}, {{0, 0, 10, 20}, {9, 3}, false},  {{0, 0, 1, 20}, {0, 10}, false},
        {{-10, -10, 10, 10}, {-7, 7}, true}, {{-10, -10, 10, 10}, {-8, 8}, false},
    };
    for (const Ellipse& e : ellipses) {
        EXPECT_EQ(PointInsideEllipseRect(e.p, e.r), e.inside) << e.p.X << "," << e.p.Y;
        EXPECT_EQ(PointInsideEllipse(e.p, e.r.Left, e.r.Top, e.r.Right, e.r.Bottom), e.inside);
    }
}

TEST(DuvProcsGeometry, PointsOnSegments)
{
    struct Case {
        TPoint p;
        TPoint a;
        TPoint b;
        int tolerance;
        bool on;
    };
    const Case cases[] = {
        {{5, 1}, {0, 0}, {10, 0}, 0, true},  // within one pixel at tolerance 0
        {{5, 2}, {0, 0}, {10, 0}, 0, false}, {{5, 2}, {0, 0}, {10, 0}, 1, true},
        {{12, 0}, {0, 0}, {10, 0}, 0, false},  // beyond the end
        {{11, 0}, {0, 0}, {10, 0}, 0, true},   {{10, 0}, {0, 0}, {10, 0}, 0, true},
        {{3, 3}, {0, 0}, {10, 10}, 0, true},   {{4, 2}, {0, 0}, {10, 10}, 0, false},
        {{1, 1}, {1, 1}, {1, 1}, 0, true},     {{3, 1}, {1, 1}, {1, 1}, 1, true}, {{4, 1}, {1, 1}, {1, 1}, 1, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PointOnSegmentTolerance(c.p, c.a, c.b, c.tolerance), c.on) << c.p.X << "," << c.p.Y << " tol " << c.tolerance;
        EXPECT_EQ(PointOnLineXY(c.p, c.a.X, c.a.Y, c.b.X, c.b.Y, c.tolerance), c.on);
        if (c.tolerance == 0) {
            EXPECT_EQ(PointOnSegment(c.p, c.a, c.b), c.on);
            EXPECT_EQ(PointOnLineXYExact(c.p, c.a.X, c.a.Y, c.b.X, c.b.Y), c.on);
        }
    }
}

TEST(DuvProcsGeometry, SegmentsIntersectionAndRects)
{
    struct Case {
        double s[8];
        bool crosses;
        double x, y;
    };
    const Case cases[] = {
        {{0, 0, 10, 10, 0, 10, 10, 0}, true, 5, 5},
        {{0, 0, 1, 1, 3, 0, 4, -1}, false, 1.5, 1.5},  // the lines cross, the segments do not
        {{0, 0, 5, 5, 5, 5, 10, 0}, true, 5, 5},       // touching ends
        {{0, 0, 10, 0, 0, 1, 10, 1}, false, 10, 0},    // parallel: the second end of the first
    };
    for (const Case& c : cases) {
        double x = -99, y = -99;
        EXPECT_EQ(SegmentsIntersection(c.s[0], c.s[1], c.s[2], c.s[3], c.s[4], c.s[5], c.s[6], c.s[7], x, y), c.crosses);
        EXPECT_DOUBLE_EQ(x, c.x);
        EXPECT_DOUBLE_EQ(y, c.y);
    }
    double x = -99, y = -99;
    EXPECT_FALSE(SegmentsIntersection(0, 0, 0, 10, -5, 5, 5, 5, x, y));  // vertical: no point
    EXPECT_EQ(x, -99);
    EXPECT_EQ(y, -99);
    EXPECT_EQ(RectAroundPoint({10, 20}, 3), (TRect{7, 17, 13, 23}));
    EXPECT_EQ(RectAroundXY(10, 20, 3, 5), (TRect{7, 15, 13, 25}));
}

// ---------------------------------------------------------------- sorting

TEST(DuvProcsSort, QuickSortRangeEqualsStdSort)
{
    std::mt19937 random(7);
    const auto sortWith = [](std::vector<int>& items, int first, int last) {
        QuickSortRange(
            first, last, [&](int a, int b) { return items[a] < items[b] ? -1 : items[a] > items[b] ? 1 : 0; },
            [&](int a, int b) { std::swap(items[a], items[b]); });
    };
    std::vector<int> big(10000);
    std::iota(big.begin(), big.end(), 0);
    std::shuffle(big.begin(), big.end(), random);
    std::vector<int> expected = big;
    std::sort(expected.begin(), expected.end());
    sortWith(big, 0, 9999);
    EXPECT_EQ(big, expected);
    // Small ranges with many equal items, sorted, reversed and all alike; outside the range nothing moves.
    for (int size = 0; size < 40; ++size) {
        for (int round = 0; round < 20; ++round) {
            std::vector<int> items(size + 2);
            for (int& item : items) item = static_cast<int>(random() % (round % 4 + 1));
            if (round == 18) std::sort(items.begin() + 1, items.end() - 1);
            if (round == 19) std::sort(items.rbegin() + 1, items.rend() - 1);
            std::vector<int> want = items;
            std::sort(want.begin() + 1, want.end() - 1);
            sortWith(items, 1, size);
            ASSERT_EQ(items, want) << "size " << size << " round " << round;
        }
    }
}

// ---------------------------------------------------------------- files, resources, clipboard

TEST(DuvProcsFiles, FindFileNames)
{
    qbtest::TempDir dir;
    for (const char* name : {"b.duv", "A.DUV", "c.txt", "d.duv.bak"}) qbtest::WriteFileBytes(dir.file(name), "x");
    std::filesystem::create_directory(dir.path() / "sub.duv");
    const std::unique_ptr<TStringList> found = FindFileNames(dir.file("*.duv"));
    EXPECT_EQ(found->CommaText(), "A.DUV,b.duv,sub.duv");
    EXPECT_EQ(FindFileNames(dir.file("none/*.duv"))->Count(), 0);
}

TEST(DuvProcsFiles, MissingBitmapResourceLoadsNothing)
{
    QImage bitmap(3, 3, QImage::Format_RGB32);
    EXPECT_FALSE(LoadBitmapFromModules(bitmap, "TNoSuchThing", "TNoSuchParent"));
    EXPECT_EQ(bitmap.size(), QSize(3, 3));
    TComponent component(nullptr);
    EXPECT_FALSE(LoadClassBitmap(component, bitmap));
}

TEST(DuvProcsFiles, ExportDataToStreamFileAndClipboard)
{
    class TTextExport : public TDuvExportData {
    public:
        std::string AsString() const override { return "x\ty\r\n1\t\xC5\x99\r\n"; }
    };
    TTextExport exporter;
    TMemoryStream stream;
    exporter.SaveToStream(stream);
    EXPECT_EQ(stream.Bytes(), exporter.AsString());
    qbtest::TempDir dir;
    qbtest::WriteFileBytes(dir.file("data.txt"), std::string(100, 'o'));
    exporter.SaveToFile(dir.file("data.txt"));  // replaces a longer file whole
    EXPECT_EQ(qbtest::ReadFileBytes(dir.file("data.txt")), exporter.AsString());
    EXPECT_THROW(exporter.SaveToFile(dir.file("missing/data.txt")), EStreamError);
    exporter.CopyToClipboard();
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), exporter.AsString());
    CopyTextToClipboard("plain");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "plain");
}

// ---------------------------------------------------------------- editor options

TEST(DuvProcsEditorOptions, RoundTripThroughTheSettingsStore)
{
    EXPECT_EQ(ReadEditorInteger("DefaultPalette", 13), 13);
    EXPECT_TRUE(ReadEditorBool("TreeMode", true));
    EXPECT_EQ(ReadEditorString("DefaultCanvas", "TGDIPlusCanvas"), "TGDIPlusCanvas");
    WriteEditorInteger("DefaultPalette", 4);
    WriteEditorBool("TreeMode", false);
    WriteEditorString("DefaultCanvas", "TDuvCanvas3D");
    WriteEditorString("VCLThemesPath", "/home/u/Motivy č");
    EXPECT_EQ(ReadEditorInteger("DefaultPalette", 13), 4);
    EXPECT_FALSE(ReadEditorBool("TreeMode", true));
    EXPECT_EQ(ReadEditorString("defaultcanvas", ""), "TDuvCanvas3D");
    EXPECT_EQ(ReadEditorString("VCLThemesPath", ""), "/home/u/Motivy č");
    // Stored where the editor's key says, under the current user.
    TRegistry registry;
    registry.SetRootKey(HKEY_CURRENT_USER);
    ASSERT_TRUE(registry.OpenKeyReadOnly("Software\\ORU\\DuvChart\\Editor"));
    EXPECT_EQ(registry.ReadInteger("DefaultPalette"), 4);
    // A value of another type reads as the default.
    EXPECT_EQ(ReadEditorInteger("DefaultCanvas", 7), 7);
    EXPECT_EQ(ReadEditorString("DefaultPalette", "none"), "none");
    registry.CloseKey();
    registry.DeleteKey("Software\\ORU\\DuvChart");
    EXPECT_EQ(ReadEditorInteger("DefaultPalette", 13), 13);
}

// ---------------------------------------------------------------- component text to XML

TEST(DuvProcsXml, DeclarationAndDefaultEncoding)
{
    EXPECT_EQ(XmlDeclaration(""), "<?xml version=\"1.0\"?>");
    EXPECT_EQ(XmlDeclaration("ISO-8859-1"), "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>");
    const std::string encoding = DefaultXmlEncoding();
    EXPECT_TRUE(encoding == "ISO-8859-1" || encoding == "shift_jis") << encoding;
}

TEST(DuvProcsXml, ComponentTextBecomesXmlLineForLine)
{
    struct Case {
        std::vector<std::string> text;
        std::vector<std::string> xml;
    };
    const Case cases[] = {
        {{"object Chart1: TChart", "  View3D = False", "  Title.Text.Strings = (", "    'Sales')", "end"},
         {"<TChart Name=\"Chart1\">", "  <View3D value=\"False\"/>", "  <Title>", "    <Text>", "      <Strings>",
          "        <String value=\"'Sales'\"/>", "      </Strings>", "    </Text>", "  </Title>", "</TChart>"}},
        {{"object S1: TLineSeries", "end"}, {"<TLineSeries Name=\"S1\"/>"}},
        {{"Items = <", "item", "Value = 1", "end>"},
         {"<Items>", "  <item>", "    <Value value=\"1\"/>", "  </item>", "</Items>"}},
        {{"Items = <>"}, {"<Items value=\"\"/>"}},
        // Dotted paths share their open elements; a value's own dots open nothing.
        {{"object C: TChart", "  Title.Font.Color = clRed", "  Title.Font.Size = 10", "  Title.Visible = False",
          "  Width = 1.5", "  object S: TBarSeries", "    Marks.Visible = True", "  end", "end"},
         {"<TChart Name=\"C\">", "  <Title>", "    <Font>", "      <Color value=\"clRed\"/>", "      <Size value=\"10\"/>",
          "    </Font>", "    <Visible value=\"False\"/>", "  </Title>", "  <Width value=\"1.5\"/>",
          "  <TBarSeries Name=\"S\">", "    <Marks>", "      <Visible value=\"True\"/>", "    </Marks>", "  </TBarSeries>",
          "</TChart>"}},
        // Binary data and the blank lines between.
        {{"object P: TPicture", "", "  Data = {", "    0A0B", "    0C}", "end"},
         {"<TPicture Name=\"P\">", "  <Data>", "    <String value=\"0A0B\"/>", "    <String value=\"0C\"/>", "  </Data>",
          "</TPicture>"}},
        // Lists and collections inside a collection item are elements too.
        {{"object A: TAxes", "  Axes = <", "    item", "      Title.Caption = 'x'", "      Lines = (", "        'a'",
          "        'b')", "      Sub = <", "        item", "          Min = 1", "        end>", "    end", "    item", "    end>",
          "end"},
         {"<TAxes Name=\"A\">", "  <Axes>", "    <item>", "      <Title.Caption value=\"'x'\"/>", "      <Lines>",
          "        <String value=\"'a'\"/>", "        <String value=\"'b'\"/>", "      </Lines>", "      <Sub>",
          "        <item>", "          <Min value=\"1\"/>", "        </item>", "      </Sub>", "    </item>", "    <item>", "    </item>",
          "  </Axes>", "</TAxes>"}},
        // A line that opened an item without an end of its own closes with its collection.
        {{"Items = <", "item", "stray", "end>"},
         {"<Items>", "  <item>", "    <stray>", "    </stray>", "  </item>", "</Items>"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ToXml(Lines(c.text)), Lines(c.xml)) << c.text.front();
    }
    EXPECT_EQ(ToXml(Lines({"object S1: TLineSeries", "end"}), true),
              Lines({"<?xml version=\"1.0\" encoding=\"UTF-8\"?>", "<TLineSeries Name=\"S1\"/>"}));
}

TEST(DuvProcsXml, MarkupInNamesAndValuesIsEscaped)
{
    const std::string xml = ToXml(Lines({"object C: TChart", "  Caption = 'a & <b> \"c\"'", "end"}));
    EXPECT_EQ(xml, Lines({"<TChart Name=\"C\">", "  <Caption value=\"'a &amp; &lt;b&gt; &quot;c&quot;'\"/>", "</TChart>"}));
}

TEST(DuvProcsXml, PythonReadsBackTheTexts)
{
    // Real component text: the writer spells the Czech letters as character codes.
    TXmlSample sample(nullptr);
    sample.SetName("Sample1");
    sample.Title = "Příliš & <b> \"x\"";
    sample.Lines.Add("line <1>");
    sample.Lines.Add("a & b");
    auto* item = static_cast<TXmlSampleItem*>(sample.Items()->Add());
    item->Value = 5;
    item->Caption = "x > y";
    TMemoryStream binary;
    TWriter(binary).WriteRootComponent(&sample);
    binary.SetPosition(0);
    TMemoryStream text;
    ObjectBinaryToText(binary, text);
    const std::string componentText = text.Bytes();
    const auto valueOf = [&](const std::string& property) {
        const std::size_t at = componentText.find(property + " = ");
        const std::size_t end = componentText.find("\r\n", at);
        return componentText.substr(at + property.size() + 3, end - at - property.size() - 3);
    };
    text.SetPosition(0);
    ConvertTextStreamToXml(text, true);
    const std::vector<std::string> attributes = AttributesByPython(text.Bytes());
    const std::vector<std::string> expected = {
        "TXmlSample Name=Sample1",
        "Title value=" + valueOf("Title"),
        "String value='line <1>'",
        "String value='a & b'",
        "Value value=5",
        "Caption value='x > y'",
    };
    EXPECT_EQ(attributes, expected) << componentText;
    // Text typed in the program's own UTF-8 arrives as the same letters.
    const std::string typed = ToXml(Lines({"object F: TForm", "  Caption = 'Příliš žluťoučký & <kůň> \"úpěl\"'", "end"}), true);
    EXPECT_EQ(AttributesByPython(typed),
              (std::vector<std::string>{"TForm Name=F", "Caption value='Příliš žluťoučký & <kůň> \"úpěl\"'"}));
}

TEST(DuvProcsXml, ShorterXmlLeavesNoOldBytes)
{
    std::string text = "object A: TChart\r\n";
    for (int i = 0; i < 50; ++i) text += "                                                            \r\n";
    text += "  X = 1\r\nend\r\n";
    TMemoryStream stream(text);
    ConvertTextStreamToXml(stream, false);
    EXPECT_EQ(stream.Bytes(), Lines({"<TChart Name=\"A\">", "  <X value=\"1\"/>", "</TChart>"}));
    // Read from the stream's position, written from its start.
    TMemoryStream positioned("junk\r\n" + text);
    positioned.SetPosition(6);
    ConvertTextStreamToXml(positioned, false);
    EXPECT_EQ(positioned.Bytes(), stream.Bytes());
}

TEST(DuvProcsXml, UnclosedInputRaisesTheLine)
{
    struct Case {
        std::vector<std::string> text;
        std::string message;
    };
    const Case cases[] = {
        {{"object A: TChart"}, "Line 1: the object has no end line"},
        {{"object A: TChart", "  X = 1", "  object B: TSeries"}, "Line 3: the object has no end line"},
        {{"object A: TChart", "  X = 1"}, "Line 1: the object has no end line"},
        {{"object A: TChart", "  Lines = (", "    'a'", "    'b'"}, "Line 2: the list is not closed"},
        {{"object A: TChart", "  Data = {", "    0A"}, "Line 2: the list is not closed"},
        {{"object A: TChart", "  Items = <", "    item", "      X = 1", "    end"}, "Line 2: the collection is not closed"},
        {{"object A: TChart", "  Items = <", "    item", "      Sub = <", "        item", "        end>"},
         "Line 2: the collection is not closed"},
        {{"object A: TChart", "end", "end"}, "Line 3: end without an object"},
        {{"object A: TChart", "  Items = <", "    end", "  end>", "end"}, "Line 3: end without a collection item"},
    };
    for (const Case& c : cases) {
        const std::string text = Lines(c.text);
        TMemoryStream stream(text);
        try {
            ConvertTextStreamToXml(stream, true);
            ADD_FAILURE() << "no error for " << text;
        } catch (const EParserError& e) {
            EXPECT_EQ(e.Message(), c.message) << text;
        }
        EXPECT_EQ(stream.Bytes(), text);  // untouched
    }
}
