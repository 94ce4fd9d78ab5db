// Chart files built to exhaust the loader: nested chart pictures, many chart pictures, many
// components. Each loads within time and memory bounds or is refused with the limit named, and a
// refused file leaves the chart as it was.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <cstring>

#include "chart/output/DuvStore.h"
#include "chart/series/DuvShape.h"
#include "platform/core/Streams.h"
#include "support/TestSupport.h"
#include "support_DuvStoreTest.h"

namespace {

using namespace storetest;

std::string LengthBytes(std::uint32_t value)
{
    std::string bytes(4, '\0');
    std::memcpy(bytes.data(), &value, 4);
    return bytes;
}

// The bomb's shape, taken from the small file: each level is a chart whose background picture
// is the next level's chart file, then a run of properties.
struct TNestedCharts {
    std::string Head;  // the chart's first properties up to the picture's data value
    std::string Tail;  // the properties after it and the two end markers

    explicit TNestedCharts(const std::string& sample)
    {
        const std::size_t picture = sample.find("\x0e" "BackImage.Data\x0a");
        EXPECT_NE(picture, std::string::npos);
        Head = sample.substr(0, picture);
        const std::size_t canvas = sample.rfind("\x0d" "DefaultCanvas");
        Tail = sample.substr(canvas);
    }
    // Built outside in with the lengths worked out inside out, so a deep file costs linear time.
    std::string Build(int depth) const
    {
        const std::string marker = "\x0e" "BackImage.Data\x0a";
        const std::string kind = "\x0b" "TChartImage";
        std::vector<std::uint32_t> sizes(std::size_t(depth) + 1);
        sizes[0] = std::uint32_t(Head.size() + Tail.size());
        for (int i = 1; i <= depth; ++i)
            sizes[std::size_t(i)] = std::uint32_t(Head.size() + marker.size() + 4 + kind.size() + sizes[std::size_t(i) - 1] + Tail.size());
        std::string bytes;
        bytes.reserve(sizes.back());
        for (int i = depth; i >= 1; --i) bytes += Head + marker + LengthBytes(std::uint32_t(kind.size() + sizes[std::size_t(i) - 1])) + kind;
        bytes += Head;
        for (int i = 0; i <= depth; ++i) bytes += Tail;
        return bytes;
    }
};

long PeakKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

class ChartFileLimitsTest : public testing::Test {
protected:
    ChartFileLimitsTest()
    {
        StartStoreModules();
        // A series with a brush, whose picture may be a chart file.
        RegisterClassForStreaming(TChartShape::StaticClass());
        FillSampleChart(chart_);
        before_ = DescribeChart(chart_);
    }
    // The message of a load that must be refused, after checking the chart is unchanged.
    std::string Refused(const std::string& bytes)
    {
        TMemoryStream stream(bytes);
        std::string message = "loaded";
        try {
            LoadChartFromStream(chart_, stream);
        } catch (const EChartTooComplex& e) {
            message = e.Message();
        }
        EXPECT_EQ(DescribeChart(chart_), before_);
        return message;
    }
    TChart chart_;
    std::string before_;
};

}  // namespace

TEST_F(ChartFileLimitsTest, NestedChartPicturesLoadQuicklyOrAreRefused)
{
    const std::string sample = qbtest::ReadFileBytes(qbtest::DataPath("fuzz/fuzz_DuvStore/picture_bomb_20.duv"));
    const TNestedCharts shape(sample);
    ASSERT_EQ(shape.Build(20), sample) << "the generator makes the sample's shape";

    // Within the depth limit the nested charts load, each once.
    {
        TChart chart;
        TMemoryStream stream(shape.Build(kMaxChartPictureDepth));
        const auto start = std::chrono::steady_clock::now();
        LoadChartFromStream(chart, stream);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    }
    {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Refused(sample), "The chart file is too complex to load: it nests chart pictures more than " +
                                       std::to_string(kMaxChartPictureDepth) + " deep");
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    }
    // 100,000 levels, 13 MB: refused within 256 MB more than before and ten seconds.
    const std::string deep = shape.Build(100'000);
    EXPECT_GT(deep.size(), 13'000'000u);
    const long peakBefore = PeakKilobytes();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_NE(Refused(deep), "loaded");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_LT(PeakKilobytes() - peakBefore, 256 * 1024);
}

TEST_F(ChartFileLimitsTest, ComponentsAndPicturesAreCounted)
{
    // A small chart file as the data of a chart picture.
    TChart small;
    TMemoryStream smallStream;
    SaveChartToStream(small, smallStream, false, false);
    std::string hex;
    for (const char c : "\x0b" "TChartImage" + smallStream.Bytes()) {
        static const char digits[] = "0123456789ABCDEF";
        hex += digits[std::uint8_t(c) >> 4];
        hex += digits[std::uint8_t(c) & 15];
    }
    const auto shapes = [&](int count) {
        std::string text = "object TChart\r\n";
        for (int i = 0; i < count; ++i) text += "  object TChartShape\r\n    Brush.Image.Data = {" + hex + "}\r\n  end\r\n";
        return text + "end\r\n";
    };
    const auto sources = [](int count) {
        std::string text = "object TChart\r\n";
        for (int i = 0; i < count; ++i) text += "  object TDuvSeriesSourceFile\r\n  end\r\n";
        return text + "end\r\n";
    };
    struct Case {
        const char* Name;
        std::string Text;
        std::string Message;
    } const cases[] = {
        {"pictures at the limit", shapes(kMaxChartFilePictures), "loaded"},
        {"one picture more", shapes(kMaxChartFilePictures + 1),
         "The chart file is too complex to load: it holds more than " + std::to_string(kMaxChartFilePictures) + " chart pictures"},
        {"components over the limit", sources(kMaxChartFileComponents + 1),
         "The chart file is too complex to load: it creates more than " + std::to_string(kMaxChartFileComponents) + " components"},
    };
    for (const Case& c : cases) {
        const auto start = std::chrono::steady_clock::now();
        if (c.Message == "loaded") {
            TChart chart;
            TMemoryStream stream(c.Text);
            EXPECT_NO_THROW(LoadChartFromStream(chart, stream)) << c.Name;
        } else {
            EXPECT_EQ(Refused(c.Text), c.Message) << c.Name;
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60)) << c.Name;
    }
}

// Loading from a file names the file in the message.
TEST_F(ChartFileLimitsTest, TheFileIsNamed)
{
    const TNestedCharts shape(qbtest::ReadFileBytes(qbtest::DataPath("fuzz/fuzz_DuvStore/picture_bomb_20.duv")));
    qbtest::TempDir dir;
    const std::string path = dir.file("deep.duv");
    qbtest::WriteFileBytes(path, shape.Build(kMaxChartPictureDepth + 1));
    try {
        LoadChartFromFile(chart_, path);
        ADD_FAILURE() << "loaded";
    } catch (const EChartTooComplex& e) {
        EXPECT_EQ(e.Message(), "The chart file \"" + path + "\" is too complex to load: it nests chart pictures more than " +
                                   std::to_string(kMaxChartPictureDepth) + " deep");
    }
    EXPECT_EQ(DescribeChart(chart_), before_);
}
