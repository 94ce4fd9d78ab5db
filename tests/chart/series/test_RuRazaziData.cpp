// The "Data" stream property: what each kind of series writes, that it reads back equal, and
// that bad bytes raise a clear error and leave the series and the chart as they were.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "chart/engine/RuRazaziAxis.h"
#include "platform/core/CodePage.h"
#include "platform/core/NumText.h"
#include "support_SeriesTest.h"

using namespace seriestest;

namespace {

class SeriesDataTest : public ::testing::Test {
protected:
    void SetUp() override { StartSeriesModules(); }
};

std::string DataOf(const TChartSeries& series)
{
    TMemoryStream stream;
    series.WriteData(stream);
    return stream.Bytes();
}

void ReadData(TChartSeries& series, const std::string& bytes)
{
    TMemoryStream stream(bytes);
    series.ReadDataStream(stream);
}

// The points, the third list when there is one, and the custom mark positions.
std::string Contents(const TChartSeries& series)
{
    std::string text = Describe(series);
    if (series.ValueLists().Count() > 2) {
        text += " z=";
        for (int i = 0; i < series.PointCount(); ++i) text += FloatToStr(series.ValueLists()[2]->GetValueAt(i)) + ",";
    }
    const TSeriesMarksPositions& positions = series.Marks().Positions();
    for (int i = 0; i < positions.Count(); ++i)
        if (const TSeriesMarkPosition* p = positions.PositionAt(i); p && p->Custom)
            text += " m" + std::to_string(i) + "=" + std::to_string(p->LeftTop.X) + "," + std::to_string(p->LeftTop.Y) +
                    "," + std::to_string(p->Width) + "," + std::to_string(p->Height) + "," +
                    std::to_string(p->ArrowFrom.X) + "," + std::to_string(p->ArrowTo.Y) + (p->ArrowFix ? ",fix" : "");
    return text;
}

TSeriesMarkPosition CustomPosition(int seed)
{
    TSeriesMarkPosition p;
    p.ArrowFrom = {seed, seed + 1};
    p.ArrowFix = seed % 2 == 0;
    p.ArrowTo = {seed + 2, -seed};
    p.Height = 12;
    p.LeftTop = {seed * 10, seed * 20};
    p.Width = 40 + seed;
    return p;
}

}  // namespace

TEST_F(SeriesDataTest, EachKindOfSeriesWritesItsFlagsAndReadsBackEqual)
{
    struct Case {
        const char* name;
        std::function<TChartSeries*()> make;
        std::function<void(TChartSeries&)> fill;
        int flags;
        std::size_t size;      // 0: not checked
        const char* readBack = nullptr;  // when it differs from what was written
    } const cases[] = {
        {"X 0, 1, 2: only the values", [] { return new TTestSeries; },
         [](TChartSeries& s) { for (int i = 0; i < 3; ++i) s.AddPointXY(i, i * 2.5); }, 0, 5 + 3 * 8},
        {"X[2] = 7", [] { return new TTestSeries; },
         [](TChartSeries& s) { for (double x : {0.0, 1.0, 7.0, 3.0}) s.AddPointXY(x, 1); }, 1, 5 + 4 * 16},
        {"X 0 .. 20000 as their indexes", [] { return new TTestSeries; },
         [](TChartSeries& s) { for (int i = 0; i <= 20000; ++i) s.AddPointXY(i, i % 7); }, 0, 5 + 20001 * 8},
        {"an X value after point 10001 differs", [] { return new TTestSeries; },
         [](TChartSeries& s) { for (int i = 0; i <= 10010; ++i) s.AddPointXY(i == 10005 ? 10005.5 : i, 1); }, 1, 0},
        {"a point coloured in the series colour", [] { return new TTestSeries; },
         [](TChartSeries& s) { s.SetSeriesColor(0x123456); s.AddPointXY(0, 1, "", 0x123456); s.AddPointXY(1, 2); }, 0, 5 + 16,
         "0:1 1:2"},
        {"a point coloured after point 10001", [] { return new TTestSeries; },
         [](TChartSeries& s) { for (int i = 0; i < 10500; ++i) s.AddPointXY(i, 1, "", i == 10400 ? 0xFF : clDefault); }, 2, 5 + 10500 * 12},
        {"null points", [] { return new TTestSeries; },
         [](TChartSeries& s) { s.AddPointXY(0, 1); s.AddNullPointXY(1, 0); }, 2, 5 + 2 * 12},
        {"labels empty, 254 and 255 bytes", [] { return new TTestSeries; },
         [](TChartSeries& s) { s.AddPointXY(0, 1); s.AddPointXY(1, 2, std::string(254, 'a')); s.AddPointXY(2, 3, std::string(255, 'b')); },
         4, 5 + 3 * 8 + 1 + (1 + 254) + (1 + 4 + 255)},
        {"a label only at point 150 of 200", [] { return new TTestSeries; },
         [](TChartSeries& s) { for (int i = 0; i < 200; ++i) s.AddPointXY(i, 1, i == 150 ? "peak" : ""); }, 4, 5 + 200 * 9 + 4},
        {"labels the code page holds and one it does not", [] { return new TTestSeries; },
         [](TChartSeries& s) { s.AddPointXY(0, 1, "Žluťoučký kůň"); s.AddPointXY(1, 2, "雨 mm"); }, 4,
         5 + 2 * 8 + (1 + 13) + (1 + 3 + 6)},
        {"a horizontal series without stored X", [] { return new THorizTestSeries; },
         [](TChartSeries& s) { s.AddPointXY(5, 0); s.AddPointXY(9, 1); }, 0, 5 + 2 * 8},
        {"a horizontal series with stored Y", [] { return new THorizTestSeries; },
         [](TChartSeries& s) { s.AddPointXY(5, 3); s.AddPointXY(9, 4); }, 1, 5 + 2 * 16},
        {"a third value list", [] { return new TThreeListSeries; },
         [](TChartSeries& s) {
             auto& t = static_cast<TThreeListSeries&>(s);
             for (int i = 0; i < 3; ++i) { t.Z->PendingValue = 100 + i; t.AddPointXY(i, -i); }
         }, 0, 5 + 3 * 16},
        {"mark positions as 34-byte blocks", [] { return new TTestSeries; },
         [](TChartSeries& s) {
             for (int i = 0; i < 3; ++i) s.AddPointXY(i, i);
             s.Marks().Positions().StorePosition(1, CustomPosition(4));
             s.Marks().Positions().StorePosition(2, CustomPosition(7));
         }, 8, 5 + 3 * (8 + 34)},
        {"everything at once", [] { return new TThreeListSeries; },
         [](TChartSeries& s) {
             auto& t = static_cast<TThreeListSeries&>(s);
             for (int i = 0; i < 4; ++i) { t.Z->PendingValue = i * 0.5; t.AddPointXY(i * 3, i, i == 1 ? "x" : "", i == 2 ? 0xFF00 : clDefault); }
             s.Marks().Positions().StorePosition(3, CustomPosition(1));
         }, 15, 0},
    };
    for (const Case& k : cases) {
        TComponentPtr<TChartSeries> source(k.make());
        k.fill(*source);
        EXPECT_EQ(SeriesDataContents(*source), k.flags) << k.name;
        const std::string bytes = DataOf(*source);
        ASSERT_GE(bytes.size(), 5u) << k.name;
        EXPECT_EQ(static_cast<unsigned char>(bytes[0]), k.flags) << k.name;
        if (k.size) {
            EXPECT_EQ(bytes.size(), k.size) << k.name;
        }
        TComponentPtr<TChartSeries> target(k.make());
        ReadData(*target, bytes);
        EXPECT_EQ(Contents(*target), k.readBack ? std::string(k.readBack) : Contents(*source)) << k.name;
        EXPECT_TRUE(target->DataLoaded) << k.name;
        EXPECT_EQ(DataOf(*target), bytes) << k.name << ": writes the same bytes again";
    }
}

TEST_F(SeriesDataTest, LabelBytesAreInTheProgramCodePageOrMarkedUtf8)
{
    TTestSeries series;
    series.AddPointXY(0, 1, "Žluť");
    series.AddPointXY(1, 1, "雨");
    const std::string bytes = DataOf(series);
    const std::string ansi = Utf8ToAnsi("Žluť");
    EXPECT_EQ(bytes.substr(5 + 8, 1 + ansi.size()), std::string(1, static_cast<char>(ansi.size())) + ansi);
    EXPECT_EQ(bytes.substr(5 + 8 + 1 + ansi.size() + 8), "\x06\xEF\xBB\xBF" + std::string("雨"));
}

TEST_F(SeriesDataTest, AHorizontalSeriesReadsBackItsValuesAsX)
{
    THorizTestSeries series;
    series.AddPointXY(5, 0);
    series.AddPointXY(9, 1);
    THorizTestSeries copy;
    ReadData(copy, DataOf(series));
    EXPECT_EQ(Describe(copy), "5:0 9:1");
}

TEST_F(SeriesDataTest, ARefusedPointTakesItsMarkPositionAlong)
{
    TTestSeries source;
    for (int i = 0; i < 4; ++i) source.AddPointXY(i, i);
    for (int i = 0; i < 4; ++i) source.Marks().Positions().StorePosition(i, CustomPosition(i + 1));
    const std::string bytes = DataOf(source);

    TTestSeries target;
    int offered = 0;
    struct TRefuser : TObject {
        int* offered;
        bool Refuse(TChartSeries*) { return (*offered)++ != 1; }
    } refuser;
    refuser.offered = &offered;
    target.OnBeforeAdd = TSeriesOnBeforeAdd(&refuser, &TRefuser::Refuse);
    ReadData(target, bytes);
    EXPECT_EQ(Describe(target), "0:0 2:2 3:3");
    ASSERT_NE(target.Marks().Positions().PositionAt(1), nullptr);
    EXPECT_EQ(target.Marks().Positions().PositionAt(1)->LeftTop.X, 30) << "point 2's position follows point 2";
    EXPECT_EQ(target.Marks().Positions().PositionAt(2)->LeftTop.X, 40);
}

TEST_F(SeriesDataTest, BadBytesRaiseAClearErrorAndKeepThePoints)
{
    TThreeListSeries source;
    for (int i = 0; i < 3; ++i) {
        source.Z->PendingValue = i;
        source.AddPointXY(i * 2, i, i == 1 ? std::string(300, 'q') : "ab", i == 2 ? 0xFF : clDefault);
    }
    source.Marks().Positions().StorePosition(0, CustomPosition(3));
    const std::string good = DataOf(source);
    ASSERT_EQ(good[0], 15);

    auto expectRefused = [](const std::string& bytes, const std::string& what, const std::string& wanted) {
        TThreeListSeries target;
        target.AddPointXY(42, 43);
        const std::string error = ErrorOf([&] {
            TMemoryStream stream(bytes);
            target.ReadDataStream(stream);
        });
        EXPECT_NE(error.find(wanted), std::string::npos) << what << ": " << error;
        EXPECT_EQ(Describe(target), "42:43") << what;
    };
    for (std::size_t cut = 0; cut < good.size(); ++cut)
        expectRefused(good.substr(0, cut), "cut at " + std::to_string(cut), "Invalid series data: ");

    std::string hugeCount = good;
    const std::int32_t big = 1000000000;
    std::memcpy(hugeCount.data() + 1, &big, 4);
    expectRefused(hugeCount, "count beyond the bytes", "1000000000 points need at least");
    std::string negative = good;
    const std::int32_t minus = -1;
    std::memcpy(negative.data() + 1, &minus, 4);
    expectRefused(negative, "negative count", "negative point count -1");
    std::string longLabel = good;
    // point 1's long label length sits after flags, count, point 0 (8+8+4+1+2+8+34), X, Y, colour, 255
    const std::size_t at = 5 + (8 + 8 + 4 + 1 + 2 + 8 + 34) + 8 + 8 + 4 + 1;
    ASSERT_EQ(static_cast<unsigned char>(longLabel[at - 1]), 255);
    const std::int32_t tooLong = 100000;
    std::memcpy(longLabel.data() + at, &tooLong, 4);
    expectRefused(longLabel, "label length beyond the bytes", "label of point 1 is 100000 bytes long");
}

TEST_F(SeriesDataTest, ChartStreamsCarryDataAndRefuseForeignPayloads)
{
    TTestChart chart;
    auto* three = new TThreeListSeries(&chart);
    three->SetName("Three");
    three->SetParentChart(&chart);
    auto* two = new TTestSeries(&chart);
    two->SetName("Two");
    two->SetParentChart(&chart);
    for (int i = 0; i < 3; ++i) {
        three->Z->PendingValue = 10 + i;
        three->AddPointXY(i, i * i, i == 2 ? "last" : "");
        two->AddPointXY(i, -i);
    }
    auto* both = new TTestSeries(&chart);
    both->SetName("Both");
    both->SetParentChart(&chart);
    both->AddDataSource(three, false);
    both->AddDataSource(two, false);
    chart.CustomAxes()->AddAxis();
    chart.CustomAxes()->AddAxis();
    two->SetCustomHorizAxis(chart.CustomAxes()->GetAxis(1));
    three->DataLoaded = two->DataLoaded = true;
    const std::string text = ComponentTextOf(chart);
    EXPECT_NE(text.find("CustomHorizAxis = 1"), std::string::npos) << text;
    EXPECT_NE(text.find("DataSources = ("), std::string::npos) << text;

    TTestChart copy;
    ReadComponentText(copy, text);
    EXPECT_EQ(ComponentTextOf(copy), text);
    auto* readThree = dynamic_cast<TThreeListSeries*>(copy.GetSeries(0));
    auto* readTwo = dynamic_cast<TTestSeries*>(copy.GetSeries(1));
    ASSERT_TRUE(readThree && readTwo);
    EXPECT_EQ(Contents(*readThree), Contents(*three));
    EXPECT_EQ(Describe(*readTwo), "0:0 1:-1 2:-2");
    EXPECT_EQ(readTwo->CustomHorizAxis(), copy.CustomAxes()->GetAxis(1));

    // The three-list payload given to the two-list series: it does not end where its records do.
    const std::size_t threeData = text.find("Data = {", text.find("object Three"));
    const std::size_t twoData = text.find("Data = {", text.find("object Two"));
    ASSERT_NE(threeData, std::string::npos);
    ASSERT_NE(twoData, std::string::npos);
    auto payloadAt = [&](std::size_t at) { return text.substr(at, text.find('}', at) + 1 - at); };
    std::string foreign = text;
    foreign.replace(twoData, payloadAt(twoData).size(), payloadAt(threeData));
    TTestChart target;
    const std::string error = ErrorOf([&] { ReadComponentText(target, foreign); });
    EXPECT_NE(error.find("bytes follow the last point of Two"), std::string::npos) << error;
    EXPECT_EQ(target.CountSeries(), 0) << "nothing half-built";
    EXPECT_EQ(target.ComponentCount(), 0);
}

TEST_F(SeriesDataTest, AppendedBlocksFillEverySeriesOrNone)
{
    TTestChart chart;
    auto* a = new TTestSeries(&chart);
    a->SetParentChart(&chart);
    auto* b = new THorizTestSeries(&chart);
    b->SetParentChart(&chart);
    TTestSeries sourceA;
    sourceA.AddPointXY(0, 3);
    sourceA.AddPointXY(5, 4, "five");
    THorizTestSeries sourceB;
    sourceB.AddPointXY(7, 0);
    const std::string blocks = DataOf(sourceA) + DataOf(sourceB);

    TMemoryStream stream(blocks);
    ReadAppendedSeriesData(chart, stream);
    EXPECT_EQ(Describe(*a), "0:3 5:4 l=,five");
    EXPECT_EQ(Describe(*b), "7:0");

    a->ClearPoints();
    b->ClearPoints();
    a->AddPointXY(1, 1);
    for (const std::string& bad : {blocks + "x", blocks.substr(0, blocks.size() - 1)}) {
        TMemoryStream badStream(bad);
        EXPECT_NE(ErrorOf([&] { ReadAppendedSeriesData(chart, badStream); }).find("Invalid series data: "),
                  std::string::npos);
        EXPECT_EQ(Describe(*a), "1:1") << "no series changes";
        EXPECT_EQ(b->PointCount(), 0);
    }
}
