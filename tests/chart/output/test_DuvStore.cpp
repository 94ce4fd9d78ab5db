// Chart files in binary and text form, chart XML, and what a failing load or save leaves.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "chart/graphics/DuvConst.h"
#include "chart/output/DuvStore.h"
#include "platform/core/ClassRegistry.h"
#include "platform/core/Streams.h"
#include "platform/ui/ScriptedUiServices.h"
#include "support/TestSupport.h"
#include "support_DuvStoreTest.h"

namespace {

using namespace storetest;

// A series whose points cannot be written: every save of its chart fails halfway.
class TUnwritableSeries : public TStoreSeries {
    QB_CLASS(TUnwritableSeries, TStoreSeries)
public:
    explicit TUnwritableSeries(TComponent* owner = nullptr) : TStoreSeries(owner) {}
    void WriteData(TStream&) const override { throw EWriteError("disk full"); }
};

std::string Saved(TCustomAxisPanel& chart, bool includeData, bool textForm)
{
    TMemoryStream stream;
    SaveChartToStream(chart, stream, includeData, textForm);
    return stream.Bytes();
}

std::string ErrorOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Exception& e) {
        return e.Message();
    }
    return "no error";
}

class DuvStoreTest : public testing::Test {
protected:
    DuvStoreTest()
    {
        StartStoreModules();
        FillSampleChart(chart_);
    }
    TChart chart_;
};

TEST_F(DuvStoreTest, BothFormsLoadBackTheSameChart)
{
    const std::string original = DescribeChart(chart_);
    for (const bool textForm : {false, true}) {
        const std::string bytes = Saved(chart_, true, textForm);
        for (int i = 0; i < chart_.CountSeries(); ++i) {
            const auto* series = static_cast<TChartSeries*>(chart_.GetSeries(i));
            EXPECT_FALSE(series->ForceSaveData || series->DontSaveData) << "flags are cleared after the save";
        }
        if (textForm) EXPECT_EQ(bytes.rfind("object TChart", 0), 0u) << bytes.substr(0, 40);
        else EXPECT_EQ(bytes.substr(0, 8), std::string("\x60\x30\x57\x01TPF0", 8));
        TChart copy;
        copy.SetName("Chart1");
        TMemoryStream stream(bytes);
        EXPECT_TRUE(LoadChartFromStream(copy, stream).empty());
        EXPECT_EQ(DescribeChart(copy), original) << (textForm ? "text" : "binary");
        EXPECT_EQ(copy.Name(), "Chart1");
        ASSERT_EQ(copy.CountSeries(), 3);
        auto* twice = static_cast<TChartSeries*>(copy.GetSeries(2));
        EXPECT_EQ(twice->DataSource(), copy.GetSeries(0)) << "the function's source is the loaded series";
    }
}

TEST_F(DuvStoreTest, WithoutDataTheSeriesComeBackEmpty)
{
    TChart copy;
    TMemoryStream stream(Saved(chart_, false, false));
    LoadChartFromStream(copy, stream);
    ASSERT_EQ(copy.CountSeries(), 3);
    EXPECT_EQ(copy.GetSeries(0)->PointCount(), 0);
    EXPECT_EQ(copy.GetSeries(1)->PointCount(), 0);
    EXPECT_EQ(copy.GetSeries(2)->PointCount(), 0) << "its source has no points either";
}

TEST_F(DuvStoreTest, TheStoredRootHasNoNameAndTheReceivingChartKeepsItsOwn)
{
    chart_.SetName("Chart7");
    const std::string text = Saved(chart_, true, true);
    EXPECT_EQ(chart_.Name(), "Chart7");
    EXPECT_EQ(text.rfind("object TChart\r\n", 0), 0u) << text.substr(0, 40);
    for (const std::string& receiving : {std::string("Chart1"), std::string()}) {
        TChart copy;
        copy.SetName(receiving);
        TMemoryStream stream(text);
        LoadChartFromStream(copy, stream);
        EXPECT_EQ(copy.Name(), receiving);
    }
}

TEST_F(DuvStoreTest, StreamsAreToldApartByTheirFirstBytes)
{
    const struct {
        std::string bytes;
        bool chart, binary;
    } cases[] = {
        {std::string("\x60\x30\x00\x00", 4), true, true},
        {std::string("\x60\x30\x57\x01TPF0", 8), true, true},
        {std::string("\x60\x30", 2), true, true},
        {"object Chart1: TChart", true, false},
        {"Object TChart", true, false},
        {"o", true, false},
        {" object TChart", false, false},
        {"inherited Chart1: TChart", false, false},
        {"TPF0", false, false},
        {std::string("\x60", 1), false, false},
        {"", false, false},
    };
    for (const auto& k : cases) {
        TMemoryStream stream("xx" + k.bytes);
        stream.SetPosition(2);
        EXPECT_EQ(IsChartStream(stream), k.chart) << k.bytes;
        EXPECT_EQ(IsBinaryChartStream(stream), k.binary) << k.bytes;
        EXPECT_EQ(stream.Position(), 2) << "the position stays";
    }
}

TEST_F(DuvStoreTest, TextToBinaryCopiesTheRestOfABinaryStream)
{
    const std::string binary = Saved(chart_, true, false);
    TMemoryStream source("JUNK" + binary);
    source.SetPosition(4);
    TMemoryStream copied;
    ChartTextToBinary(source, copied);
    EXPECT_EQ(copied.Bytes(), binary);

    TMemoryStream text(Saved(chart_, true, true));
    TMemoryStream converted;
    ChartTextToBinary(text, converted);
    EXPECT_EQ(converted.Bytes(), binary) << "text parses to the same bytes";
    TMemoryStream back;
    converted.SetPosition(0);
    ChartBinaryToText(converted, back);
    EXPECT_EQ(back.Bytes(), text.Bytes());

    TMemoryStream wrong("not a chart");
    TMemoryStream none;
    EXPECT_EQ(ErrorOf([&] { ChartTextToBinary(wrong, none); }), DuvMsgWrongChartFileFormat);
    EXPECT_EQ(ErrorOf([&] { ChartBinaryToText(wrong, none); }), DuvMsgWrongChartFileFormat);
}

// Whatever goes wrong, the chart keeps its series (the very objects), settings and repaint flag.
TEST_F(DuvStoreTest, AFailingLoadLeavesTheChartAsItWas)
{
    const std::string binary = Saved(chart_, true, false);
    const std::string text = Saved(chart_, true, true);
    const struct {
        const char* name;
        std::string bytes;
        std::string message;  // empty: any message
    } cases[] = {
        {"empty", "", DuvMsgEmptyChartFile},
        {"no chart", "<chart/>", DuvMsgWrongChartFileFormat},
        {"truncated binary", binary.substr(0, binary.size() - 40), ""},
        {"truncated in the points", binary.substr(0, binary.find("Data") + 40), ""},
        {"bad text", text.substr(0, text.size() / 2), ""},
        {"text with a broken value", "object TChart\r\n  Title.Text.Strings = ('a'\r\nend\r\n", ""},
        {"unknown root class", "object TNoSuchChart\r\nend\r\n", "Class TNoSuchChart not found"},
        {"root that is no chart", "object TStoreSeries\r\nend\r\n", DuvMsgWrongChartFileFormat},
    };
    TChart target;
    FillSampleChart(target);
    const std::string before = DescribeChart(target);
    std::vector<TCustomChartSeries*> series;
    for (int i = 0; i < target.CountSeries(); ++i) series.push_back(target.GetSeries(i));
    for (const bool repaint : {false, true}) {
        target.AutoRepaint = repaint;
        for (const auto& k : cases) {
            TMemoryStream stream(k.bytes);
            const std::string message = ErrorOf([&] { LoadChartFromStream(target, stream); });
            EXPECT_NE(message, "no error") << k.name;
            if (!k.message.empty()) {
                EXPECT_EQ(message, k.message) << k.name;
            }
            EXPECT_EQ(DescribeChart(target), before) << k.name;
            ASSERT_EQ(target.CountSeries(), static_cast<int>(series.size())) << k.name;
            for (std::size_t i = 0; i < series.size(); ++i) EXPECT_EQ(target.GetSeries(static_cast<int>(i)), series[i]);
            EXPECT_EQ(target.AutoRepaint, repaint) << k.name;
        }
    }
}

TEST_F(DuvStoreTest, ASuccessfulLoadGivesRepaintingBackAsItWas)
{
    const std::string bytes = Saved(chart_, true, false);
    for (const bool repaint : {false, true}) {
        TChart copy;
        copy.AutoRepaint = repaint;
        TMemoryStream stream(bytes);
        LoadChartFromStream(copy, stream);
        EXPECT_EQ(copy.AutoRepaint, repaint);
        EXPECT_EQ(copy.CountSeries(), 3);
    }
}

// Unknown classes and properties are skipped as before, but the caller learns which; an error
// callback that answers false stops the load, and the chart then stays as it was.
TEST_F(DuvStoreTest, SkippedItemsAreListedAndTheCallbackDecides)
{
    const std::string text =
        "object TChart\r\n"
        "  Nonsense = 5\r\n"
        "  object Kept: TStoreSeries\r\n"
        "  end\r\n"
        "  object Lost: TNoSuchSeries\r\n"
        "    Data = {00}\r\n"
        "  end\r\n"
        "end\r\n";
    {
        TChart copy;
        TMemoryStream stream(text);
        const std::vector<std::string> skipped = LoadChartFromStream(copy, stream);
        ASSERT_EQ(skipped.size(), 2u);
        EXPECT_NE(skipped[0].find("Nonsense"), std::string::npos) << skipped[0];
        EXPECT_EQ(skipped[1], "Class TNoSuchSeries not found");
        ASSERT_EQ(copy.CountSeries(), 1);
        EXPECT_EQ(copy.GetSeries(0)->Name(), "Kept");
    }
    std::vector<std::string> heard;
    auto refuseClasses = [&](TReader&, const std::string& message) {
        heard.push_back(message);
        return message.find("Class") == std::string::npos;
    };
    TChart target;
    FillSampleChart(target);
    const std::string before = DescribeChart(target);
    TMemoryStream stream(text);
    EXPECT_EQ(ErrorOf([&] { LoadChartFromStreamEx(target, stream, false, refuseClasses); }),
              "Class TNoSuchSeries not found");
    EXPECT_EQ(heard.size(), 2u) << "each problem is asked about once";
    EXPECT_EQ(DescribeChart(target), before);
}

// A value list with the obsolete multiplier: the load reads the stream twice, yet the window
// hears the warning once (its callback shows it) and the model shows nothing itself; the chart
// loads, unscaled, and the warning is listed.
TEST_F(DuvStoreTest, AnObsoleteMultiplierIsToldOnceByTheWindow)
{
    const std::string text =
        "object TChart\r\n"
        "  object Scaled: TStoreSeries\r\n"
        "    YValues.Multiplier = 2.5\r\n"
        "  end\r\n"
        "end\r\n";
    const std::string warning = "Error: Multiplier property is obsolete.\rModify DuvDefs (enable Multiplier) and recompile.";
    TScriptedUiServices ui;
    TScopedUiServices installed(ui);
    ui.Push(TUiAnswer::Press(mrOk));
    auto window = [](TReader&, const std::string& message) {
        UiServices().ShowError(message);
        return true;
    };
    TChart copy;
    TMemoryStream stream(text);
    const std::vector<std::string> skipped = LoadChartFromStreamEx(copy, stream, false, window);
    ASSERT_EQ(ui.Log().size(), 1u);
    EXPECT_EQ(ui.Log()[0].Text, warning);
    EXPECT_EQ(skipped, std::vector<std::string>{warning});
    ASSERT_EQ(copy.CountSeries(), 1);
    EXPECT_EQ(copy.GetSeries(0)->Name(), "Scaled");

    // Without a callback the load still goes through; the list is all the caller gets.
    TChart plain;
    TMemoryStream again(text);
    EXPECT_EQ(LoadChartFromStream(plain, again), std::vector<std::string>{warning});
    EXPECT_EQ(ui.Log().size(), 1u) << "no message box from the model";
    EXPECT_EQ(plain.CountSeries(), 1);
}

TEST_F(DuvStoreTest, AFailingSaveClearsTheFlagsAndGivesTheNameBack)
{
    chart_.SetName("Chart3");
    auto* bad = new TUnwritableSeries(&chart_);
    bad->SetParentChart(&chart_);
    bad->AddPointY(1);
    for (const bool includeData : {false, true}) {
        bad->DataLoaded = true;
        TMemoryStream stream;
        // Without data nothing asks the series for its points.
        EXPECT_EQ(ErrorOf([&] { SaveChartToStream(chart_, stream, includeData, true); }),
                  includeData ? "disk full" : "no error");
        for (int i = 0; i < chart_.CountSeries(); ++i) {
            const auto* series = static_cast<TChartSeries*>(chart_.GetSeries(i));
            EXPECT_FALSE(series->ForceSaveData) << series->Name();
            EXPECT_FALSE(series->DontSaveData) << series->Name();
        }
        EXPECT_EQ(chart_.Name(), "Chart3");
    }
}

TEST_F(DuvStoreTest, FilesGetTheChartExtensionAndAFailedSaveKeepsTheOldFile)
{
    const struct {
        std::string name, completed;
    } names[] = {{"rain", "rain.duv"}, {"rain.tee", "rain.tee"}, {"my.charts/rain", "my.charts/rain.duv"},
                 {"/tmp/a.b/c.", "/tmp/a.b/c."}};
    for (const auto& k : names) EXPECT_EQ(AddChartFileExtension(k.name), k.completed);

    qbtest::TempDir dir;
    SaveChartToFile(chart_, dir.file("rain"));
    ASSERT_TRUE(std::filesystem::exists(dir.file("rain.duv")));
    TChart copy;
    LoadChartFromFile(copy, dir.file("rain"));
    EXPECT_EQ(DescribeChart(copy), DescribeChart(chart_));

    const std::string old = qbtest::ReadFileBytes(dir.file("rain.duv"));
    auto* bad = new TUnwritableSeries(&chart_);
    bad->SetParentChart(&chart_);
    EXPECT_EQ(ErrorOf([&] { SaveChartToFile(chart_, dir.file("rain.duv")); }), "disk full");
    EXPECT_EQ(qbtest::ReadFileBytes(dir.file("rain.duv")), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "no temporary file is left";
}

// Older files carry the series' points after the component stream.
TEST_F(DuvStoreTest, AppendedSeriesDataIsReadOnRequest)
{
    TMemoryStream stream(Saved(chart_, false, false));
    stream.Seek(0, TSeekOrigin::soEnd);
    for (int i = 0; i < chart_.CountSeries(); ++i) static_cast<TChartSeries*>(chart_.GetSeries(i))->WriteData(stream);
    for (const bool appended : {false, true}) {
        TChart copy;
        stream.SetPosition(0);
        LoadChartFromStreamEx(copy, stream, appended, nullptr);
        ASSERT_EQ(copy.CountSeries(), 3);
        EXPECT_EQ(copy.GetSeries(0)->PointCount(), appended ? 4 : 0);
        EXPECT_EQ(copy.GetSeries(1)->PointCount(), appended ? 2 : 0);
    }
}

TEST_F(DuvStoreTest, ChartsOfTheOtherChartClassesLoad)
{
    for (const char* name : {"TChartChart", "TODBCChart"}) {
        ASSERT_NE(GetClass(name), nullptr) << name;
        TChart copy;
        TMemoryStream stream(std::string("object ") + name + "\r\n  object Kept: TStoreSeries\r\n  end\r\nend\r\n");
        EXPECT_TRUE(LoadChartFromStream(copy, stream).empty()) << name;
        EXPECT_EQ(copy.CountSeries(), 1) << name;
    }
}

// xmllint judges the chart XML, with markup and non-ASCII characters in titles and labels.
TEST_F(DuvStoreTest, ChartXmlIsWellFormed)
{
    ASSERT_TRUE(std::filesystem::exists("/usr/bin/xmllint")) << "xmllint is missing: install libxml2-utils (scripts/common.sh)";
    qbtest::TempDir dir;
    for (const bool declaration : {false, true}) {
        const std::string path = dir.file(declaration ? "with.xml" : "without.xml");
        SaveChartToXMLFile(chart_, path, true, declaration);
        const std::string xml = qbtest::ReadFileBytes(path);
        EXPECT_EQ(xml.rfind("<?xml", 0) == 0, declaration) << xml.substr(0, 60);
        int rc = 0;
        const std::string output = RunCommand("/usr/bin/xmllint --noout '" + path + "'", rc);
        EXPECT_EQ(rc, 0) << output << xml.substr(0, 400);
        EXPECT_NE(xml.find("<TStoreSeries Name=\"Rain\">"), std::string::npos);
    }
    TMemoryStream stream("kept");
    stream.Seek(0, TSeekOrigin::soEnd);
    SaveChartToXMLStream(chart_, stream, false, true);
    EXPECT_EQ(stream.Bytes().rfind("kept<?xml", 0), 0u) << "what the stream held stays";
}

}  // namespace
