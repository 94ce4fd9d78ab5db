// The marks as a published object of the series: what a chart file keeps of them, the per-point
// items in the "Items" value, and that damaged "Items" bytes change nothing.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/core/Streams.h"
#include "support_SeriesTest.h"

using namespace seriestest;

namespace {

class SeriesMarksStreamTest : public ::testing::Test {
protected:
    void SetUp() override { StartSeriesModules(); }
};

TTestSeries* AddSeries(TTestChart& chart)
{
    auto* series = new TTestSeries(&chart);
    series->SetName("Series1");
    series->SetParentChart(&chart);
    return series;
}

// The lines of a component text that name a marks property.
std::vector<std::string> MarksLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t first = line.find_first_not_of(' ');
        if (first != std::string::npos && line.compare(first, 6, "Marks.") == 0) lines.push_back(line.substr(first));
        start = end + 1;
    }
    return lines;
}

std::string ItemsOf(TSeriesMarks& marks)
{
    TMemoryStream stream;
    marks.WriteItems(stream);
    return stream.Bytes();
}

}  // namespace

TEST_F(SeriesMarksStreamTest, ANewSeriesWritesOnlyWhetherItsMarksShow)
{
    TTestChart chart;
    AddSeries(chart);
    const std::vector<std::string> lines = MarksLines(ComponentTextOf(chart));
    EXPECT_EQ(lines, std::vector<std::string>{"Marks.Visible = False"});
}

TEST_F(SeriesMarksStreamTest, ChangedMarksSettingsReadBackTheSame)
{
    TTestChart chart;
    TSeriesMarks& marks = AddSeries(chart)->Marks();
    marks.SetVisible(true);
    marks.SetStyle(smsLabelPercent);
    marks.SetDrawEvery(3);
    marks.SetMultiLine(true);
    marks.SetSoftClip(true);
    marks.SetClip(true);
    marks.SetMarksAngle(90);
    marks.SetAutoPosition(false);
    marks.SetUseSeriesTransparency(false);
    marks.SetColor(clRed);
    marks.SetRoundSize(9);
    marks.SetTextAlignment(taLeftJustify);
    marks.SetShapeStyle(fosRectangle);
    const std::string text = ComponentTextOf(chart);

    TTestChart copy;
    ReadComponentText(copy, text);
    EXPECT_EQ(ComponentTextOf(copy), text);
    auto* read = dynamic_cast<TChartSeries*>(copy.GetSeries(0));
    ASSERT_NE(read, nullptr);
    const TSeriesMarks& got = read->Marks();
    EXPECT_TRUE(got.Visible());
    EXPECT_EQ(got.Style(), smsLabelPercent);
    EXPECT_EQ(got.DrawEvery(), 3);
    EXPECT_TRUE(got.MultiLine() && got.SoftClip() && got.Clip());
    EXPECT_EQ(got.MarksAngle(), 90);
    EXPECT_FALSE(got.AutoPosition());
    EXPECT_FALSE(got.UseSeriesTransparency());
    EXPECT_EQ(got.Color(), clRed);
    EXPECT_EQ(got.RoundSize(), 9);
    EXPECT_EQ(got.TextAlignment(), taLeftJustify);
    EXPECT_EQ(got.ShapeStyle(), fosRectangle);
}

TEST_F(SeriesMarksStreamTest, ItemsKeepTheirFormatAndCustomTextThroughAFile)
{
    TTestChart chart;
    TSeriesMarks& marks = AddSeries(chart)->Marks();
    marks.SetColor(clYellow);
    TMarksItem* item = marks.Items().Item(2);
    item->SetColor(clBlue);
    TStringList lines;
    lines.Add("first");
    lines.Add("second");
    item->SetTextLines(&lines);
    marks.Items().Item(4)->SetTransparency(40);
    const std::string text = ComponentTextOf(chart);
    EXPECT_NE(text.find("Marks.Items = {"), std::string::npos) << text;

    TTestChart copy;
    ReadComponentText(copy, text);
    EXPECT_EQ(ComponentTextOf(copy), text);
    TSeriesMarks& got = dynamic_cast<TChartSeries*>(copy.GetSeries(0))->Marks();
    ASSERT_EQ(got.Items().Count(), 5);
    TMarksItem* two = got.Items().ItemIfAny(2);
    ASSERT_NE(two, nullptr);
    EXPECT_EQ(two->Color(), clBlue);
    EXPECT_TRUE(two->CustomText());
    EXPECT_EQ(two->Text(), "first\r\nsecond\r\n");
    EXPECT_EQ(got.FormatFor(2), two);
    // Items that were only made to be written are copies of the marks' format.
    ASSERT_NE(got.Items().ItemIfAny(0), nullptr);
    EXPECT_EQ(got.Items().ItemIfAny(0)->Color(), clYellow);
    EXPECT_FALSE(got.Items().ItemIfAny(0)->CustomText());
    EXPECT_EQ(got.Items().ItemIfAny(4)->Transparency(), 40);
    // Items read from a file outlive a clear of the points.
    dynamic_cast<TChartSeries*>(copy.GetSeries(0))->ClearPoints();
    EXPECT_EQ(got.Items().Count(), 5);
}

TEST_F(SeriesMarksStreamTest, ItemsMadeInCodeGoWithThePoints)
{
    TTestSeries series;
    series.AddPointXY(0, 1);
    series.Marks().Items().Item(0);
    // A count of 0 reads nothing and keeps the items tied to the points.
    const std::int32_t none = 0;
    TMemoryStream empty(std::string(reinterpret_cast<const char*>(&none), sizeof none));
    series.Marks().ReadItems(empty);
    series.ClearPoints();
    EXPECT_EQ(series.Marks().Items().Count(), 0);
}

TEST_F(SeriesMarksStreamTest, AskingForAnItemMakesTheEarlierEntriesEmpty)
{
    TTestSeries series;
    series.Marks().SetColor(clGreen);
    TMarksItem* item = series.Marks().Items().Item(5);
    EXPECT_EQ(series.Marks().Items().Count(), 6);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(series.Marks().Items().ItemIfAny(i), nullptr) << i;
    EXPECT_EQ(item->Color(), clGreen);
    EXPECT_EQ(series.Marks().FormatFor(4), &series.Marks());
    // Looking at the lines does not make the text the item's own; giving it lines does.
    item->GetText();
    EXPECT_FALSE(item->CustomText());
    TStringList lines;
    lines.Add("own");
    item->SetTextLines(&lines);
    EXPECT_TRUE(item->CustomText());
    item->SetTextLines(nullptr);
    EXPECT_FALSE(item->CustomText());
    EXPECT_EQ(item->Text(), "");
}

TEST_F(SeriesMarksStreamTest, DamagedItemsRaiseAClearErrorAndChangeNothing)
{
    TTestSeries source;
    source.Marks().Items().Item(1)->SetColor(clBlue);
    const std::string good = ItemsOf(source.Marks());

    auto withCount = [&](std::int32_t count) {
        std::string bytes = good;
        std::memcpy(bytes.data(), &count, sizeof count);
        return bytes;
    };
    struct Case {
        const char* name;
        std::string bytes;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"count beyond the bytes", withCount(100000000), "items cannot fit in"},
        {"count cut off", good.substr(0, 3), "the item count is cut off"},
        {"last item cut off", good.substr(0, good.size() - 1), ""},
        {"one item more than stored", withCount(3), ""},
    };
    for (const Case& c : cases) {
        TTestSeries target;
        target.Marks().Items().Item(0)->SetColor(clRed);
        const std::string before = ItemsOf(target.Marks());
        const std::string error = ErrorOf([&] {
            TMemoryStream stream(c.bytes);
            target.Marks().ReadItems(stream);
        });
        EXPECT_NE(error, "no error") << c.name;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.name << ": " << error;
        EXPECT_EQ(ItemsOf(target.Marks()), before) << c.name;
        EXPECT_FALSE(target.Marks().Items().Loading) << c.name;
    }

    TTestSeries target;
    TMemoryStream stream(good);
    target.Marks().ReadItems(stream);
    EXPECT_EQ(ItemsOf(target.Marks()), good);
}
