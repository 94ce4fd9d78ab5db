// One million points (x = i, y a fixed-seed random walk) as one fast line exported as a
// 1000 x 600 bitmap file, against QCustomPlot's setData and saveBmp of the same points and size.
// Both draw antialiased (ours through the smooth canvas) with axis ranges fixed to the data.
// Timed per run: handing the points over and writing the file; the median of five runs.
// Both files must open as 1000 x 600 pictures showing the same line envelope, else the bench
// fails. Ours also runs on one thread, printed beside the ratio. Last line: "ratio: <ours/peer>".
#include <QApplication>
#include <QImage>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <qcustomplot.h>

#include "chart/engine/Chart.h"
#include "chart/engine/ChartEngineModules.h"
#include "chart/engine/ChartLegend.h"
#include "chart/engine/DuvProcs.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/graphics/ChartGraphicsModules.h"
#include "chart/output/ChartOutputModules.h"
#include "chart/output/DuvBmpOptions.h"
#include "chart/output/DuvGDIPlus.h"
#include "chart/series/ChartSeriesModules.h"
#include "chart/series/SeriesFastLine.h"

#include "BenchWalk.h"

namespace {

using namespace benchwalk;

constexpr int Points = 1000000;
constexpr int Width = 1000, Height = 600;
constexpr int Runs = 5;

// Strongly red pixels: the line and its smoothed core, whatever the edge blending.
bool IsLine(QRgb p) { return qRed(p) > 160 && qGreen(p) < 110 && qBlue(p) < 110; }

double Ours(const std::vector<double>& xs, const std::vector<double>& ys, double minY, double maxY,
            const std::string& file, int threads)
{
    TChart chart;
    chart.SetBounds(0, 0, Width, Height);
    chart.SetView3D(false);
    chart.Legend()->SetVisible(false);
    chart.ReplaceCanvas(std::make_unique<TGDIPlusCanvas>(), "TGDIPlusCanvas");
    chart.ThreadCount = threads;
    TFastLineSeries series(&chart);
    series.SetParentChart(&chart);
    series.SetDrawAllPoints(false);
    series.SetDrawAllPointsStyle(daMinMax);
    series.SetSeriesColor(clRed);
    chart.BottomAxis()->SetMinMax(xs.front(), xs.back());
    chart.LeftAxis()->SetMinMax(minY, maxY);
    TBMPExportFormat format;
    format.Panel = &chart;
    format.Width = Width;
    format.Height = Height;
    std::vector<double> runs;
    for (int i = 0; i < Runs; ++i)
        runs.push_back(Milliseconds([&] {
            series.ClearPoints();
            series.AddXYArrays(xs, ys);
            format.SaveToFile(file);
        }));
    series.SetParentChart(nullptr);
    return Median(runs);
}

double Peer(const QVector<double>& keys, const QVector<double>& values, double minY, double maxY,
            const std::string& file)
{
    QCustomPlot plot;
    plot.resize(Width, Height);
    plot.setAntialiasedElements(QCP::aeAll);
    QCPGraph* graph = plot.addGraph();
    graph->setPen(QPen(QColor(255, 0, 0), 1));
    plot.xAxis->setRange(keys.front(), keys.back());
    plot.yAxis->setRange(minY, maxY);
    std::vector<double> runs;
    for (int i = 0; i < Runs; ++i)
        runs.push_back(Milliseconds([&] {
            graph->setData(keys, values, true);
            if (!plot.saveBmp(QString::fromStdString(file), Width, Height)) Fail("QCustomPlot wrote no bitmap");
        }));
    return Median(runs);
}

QImage Opened(const std::string& file, const char* who)
{
    QImage image(QString::fromStdString(file));
    if (image.isNull()) Fail(std::string(who) + " bitmap does not open");
    if (image.size() != QSize(Width, Height))
        Fail(std::string(who) + " bitmap is " + std::to_string(image.width()) + " x " + std::to_string(image.height()));
    return image.convertToFormat(QImage::Format_RGB32);
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InitializeChartGraphicsModules();
    InitializeChartEngineModules();
    InitializeChartSeriesModules();
    InitializeChartOutputModules();

    std::vector<double> xs, ys;
    RandomWalk(Points, xs, ys);
    const auto [low, high] = std::minmax_element(ys.begin(), ys.end());
    const QVector<double> keys(xs.begin(), xs.end()), values(ys.begin(), ys.end());

    const std::string folder = std::filesystem::temp_directory_path() / ("bench_picture_export_" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::string ourFile = folder + "/ours.bmp", peerFile = folder + "/peer.bmp";
    const double peer = Peer(keys, values, *low, *high, peerFile);
    const int threads = std::min(4, TDuvCPU::CountProcessors());
    const double ours = Ours(xs, ys, *low, *high, ourFile, threads);
    const double oneThread = Ours(xs, ys, *low, *high, folder + "/one.bmp", 1);
    const QImage peerImage = Opened(peerFile, "QCustomPlot's"), ourImage = Opened(ourFile, "our");
    std::filesystem::remove_all(folder);

    const Envelope ourEnvelope = EnvelopeOf(ourImage, IsLine, 50), peerEnvelope = EnvelopeOf(peerImage, IsLine, 50);
    if (peerEnvelope.top.empty()) Fail("the peer drew no line");
    if (ourEnvelope.top.empty()) Fail("our chart drew no line");
    const double difference = EnvelopeDifference(ourEnvelope, peerEnvelope);
    if (difference > 0.03) Fail("the envelopes differ by " + std::to_string(difference) + " of the line's height");

    std::printf("%d points as a %d x %d bitmap file, envelopes agree within %.3f: median of %d runs ours %.1f ms, "
                "QCustomPlot %.1f ms\n",
                Points, Width, Height, difference, Runs, ours, peer);
    std::printf("ours on %d threads %.1f ms, on one thread %.1f ms (ratio %.3f)\n", threads, ours, oneThread,
                oneThread / peer);
    std::printf("ratio: %.3f\n", ours / peer);
    return 0;
}
