// The graph window: its lines and title, its look (the panel gradient on screen), and the
// pictures it saves, judged by ImageMagick's identify, wmf2svg and emf2svg-conv.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>

#include "chart/engine/Chart.h"
#include "chart/engine/support_ChartEngine.h"
#include "chart/graphics/support_Svg.h"
#include "chart/series/Series.h"
#include "chart/series/support_SeriesTest.h"
#include "platform/core/StringList.h"
#include "platform/ui/ScriptedUiServices.h"
#include "stats/FChartProp.h"
#include "stats/FGraph.h"
#include "support/TestSupport.h"

namespace {

class Graph : public testing::Test {
protected:
    void SetUp() override
    {
        seriestest::StartSeriesModules();
        ShowGraph();
        ASSERT_NE(FormGraph, nullptr);
        FormGraph->resize(500, 360);
        FormGraph->SetTitle("Break-point scan");
    }
    void TearDown() override
    {
        delete FormGraph;
        delete FormChartProp;
    }
    std::string Save(const std::string& name, int filterIndex)
    {
        const std::string path = dir.file(name);
        ui.Push(TUiAnswer::SaveFile(path, filterIndex));
        FormGraph->btnSave->click();
        return path;
    }

    TScriptedUiServices ui;
    TScopedUiServices scope{ui};
    qbtest::TempDir dir;
};

bool Near(QRgb pixel, int grey)
{
    return std::abs(qRed(pixel) - grey) <= 3 && std::abs(qGreen(pixel) - grey) <= 3 && std::abs(qBlue(pixel) - grey) <= 3;
}

// The texts of the picture's text elements run together (wmf2svg writes one per character).
std::string SvgText(const std::string& path)
{
    std::string text;
    for (const svgjudge::TSvgItem& item : svgjudge::ReadSvg(path))
        if (item.tag == "text") text += item.text.toStdString();
    return text;
}

}  // namespace

TEST_F(Graph, AddLineAndSetTitle)
{
    TChart& chart = *FormGraph->Chart();
    TLineSeries* line = FormGraph->AddLine(3, 0x0080FF, "R2", psDashDot);
    EXPECT_EQ(line->Owner(), &chart);
    ASSERT_EQ(chart.CountSeries(), 1);
    EXPECT_EQ(chart.GetSeries(0), line);
    EXPECT_EQ(line->Title(), "R2");
    EXPECT_EQ(line->GetSeriesColor(), 0x0080FF);
    EXPECT_EQ(line->LinePen().Style(), psDashDot);
    EXPECT_EQ(line->LinePen().Width(), 3);
    FormGraph->SetTitle("First\r\nSecond");
    EXPECT_EQ(chart.Title()->Lines().Text(), "First\r\nSecond\r\n");
    EXPECT_EQ(FormGraph->windowTitle(), "Graph");

    // A closed window goes with its lines; the next one starts empty with the first title.
    FormGraph->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(FormGraph, nullptr);
    ShowGraph();
    ASSERT_NE(FormGraph, nullptr);
    EXPECT_EQ(FormGraph->Chart()->CountSeries(), 0);
    EXPECT_EQ(FormGraph->Chart()->Title()->Lines().Text(), "TChart\r\n");
}

TEST_F(Graph, PicturesInEachFormat)
{
    FormGraph->AddLine(2, 0x0000FF, "F", psSolid)->AddPointXY(1, 2);
    TChart& chart = *FormGraph->Chart();

    const std::string bmp = Save("graph.bmp", 1);
    EXPECT_EQ(enginetest::Run({"/usr/bin/identify", "-format", "%m %w %h", bmp}),
              "BMP3 " + std::to_string(chart.Width()) + " " + std::to_string(chart.Height()));
    struct Case {
        const char* name;
        int filter;
        std::vector<std::string> convert;
    };
    const std::string svg = dir.file("out.svg");
    const Case cases[] = {
        {"graph.wmf", 2, {"/usr/bin/wmf2svg", "-o", svg, dir.file("graph.wmf")}},
        {"graph.emf", 3, {"/usr/bin/emf2svg-conv", "-i", dir.file("graph.emf"), "-o", svg}},
        {"noextension", 3, {"/usr/bin/emf2svg-conv", "-i", dir.file("noextension.emf"), "-o", svg}},
    };
    for (const Case& c : cases) {
        Save(c.name, c.filter);
        enginetest::Run(c.convert);
        EXPECT_NE(SvgText(svg).find("Break-point scan"), std::string::npos) << c.name << ": " << SvgText(svg);
    }

    ui.Push(TUiAnswer::SaveFile(dir.file("graph.png"), 4));
    ui.Push(TUiAnswer::Press(mrOk));
    FormGraph->btnSave->click();
    EXPECT_EQ(ui.Log().back().Text, "You need select a graphic file format");
    EXPECT_EQ(ui.Log().back().MsgType, TMsgDlgType::mtWarning);
    ui.Push(TUiAnswer::Cancel(TUiCallKind::SaveFile));
    FormGraph->btnSave->click();
    EXPECT_EQ(ui.Pending(), 0);
}

TEST_F(Graph, PanelGradientRunsFromWhiteToLightGrey)
{
    const std::string bmp = Save("look.bmp", 1);
    QImage picture(QString::fromStdString(bmp));
    ASSERT_FALSE(picture.isNull());
    const int x = 6;
    EXPECT_TRUE(Near(picture.pixel(x, 4), 255)) << std::hex << picture.pixel(x, 4);
    EXPECT_TRUE(Near(picture.pixel(x, picture.height() - 5), 234)) << std::hex << picture.pixel(x, picture.height() - 5);
}

TEST_F(Graph, CopyPutsAnEnhancedMetafileOnTheClipboard)
{
    FormGraph->btnCopy->click();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    const QByteArray emf = data->data("image/emf");
    ASSERT_FALSE(emf.isEmpty());
    qbtest::WriteFileBytes(dir.file("copied.emf"), emf.toStdString());
    enginetest::Run({"/usr/bin/emf2svg-conv", "-i", dir.file("copied.emf"), "-o", dir.file("copied.svg")});
    EXPECT_NE(SvgText(dir.file("copied.svg")).find("Break-point scan"), std::string::npos);
}

TEST_F(Graph, PropertiesOpensTheDialogOnTheGraphsChart)
{
    FormGraph->btnProperties->click();
    ASSERT_NE(FormChartProp, nullptr);
    EXPECT_EQ(FormChartProp->Chart(), FormGraph->Chart());
    EXPECT_EQ(FormChartProp->MemoTitle->toPlainText(), "Break-point scan");
}
