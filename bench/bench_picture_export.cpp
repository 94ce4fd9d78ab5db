// One million points (x = i, y a fixed-seed random walk) as one fast line exported as a
// 1000 x 600 bitmap file, against QCustomPlot's setData and saveBmp of the same points and size.
// Both draw antialiased (ours through the smooth canvas) with axis ranges fixed to the data.
// Timed per run: handing the points over and writing the file; the median of five runs.
// Both files must open as 1000 x 600 pictures showing the same line envelope, else the bench
// fails. Last line: "ratio: <ours/peer>".
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

// Per bin of the line's horizontal extent, its top and bottom as shares of its height.
struct Envelope {
    static constexpr int Bins = 50;
    std::vector<double> top, bottom;
};

Envelope EnvelopeOf(const QImage& image)
{
    int left = image.width(), right = -1, top = image.height(), bottom = -1;
    std::vector<int> columnTop(static_cast<std::size_t>(image.width()), image.height()),
        columnBottom(static_cast<std::size_t>(image.width()), -1);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            if (!IsLine(image.pixel(x, y))) continue;
            left = std::min(left, x), right = std::max(right, x);
            top = std::min(top, y), bottom = std::max(bottom, y);
            columnTop[static_cast<std::size_t>(x)] = std::min(columnTop[static_cast<std::size_t>(x)], y);
            columnBottom[static_cast<std::size_t>(x)] = std::max(columnBottom[static_cast<std::size_t>(x)], y);
        }
    Envelope e;
    if (right < left || bottom <= top) return e;
    const double height = bottom - top;
    for (int b = 0; b < Envelope::Bins; ++b) {
        const int x0 = left + (right - left + 1) * b / Envelope::Bins;
        const int x1 = left + (right - left + 1) * (b + 1) / Envelope::Bins;
        int binTop = image.height(), binBottom = -1;
        for (int x = x0; x < x1; ++x) {
            binTop = std::min(binTop, columnTop[static_cast<std::size_t>(x)]);
            binBottom = std::max(binBottom, columnBottom[static_cast<std::size_t>(x)]);
        }
        e.top.push_back((binTop - top) / height);
        e.bottom.push_back((binBottom - top) / height);
    }
    return e;
}

double EnvelopeDifference(const Envelope& a, const Envelope& b)
{
    double sum = 0;
    for (std::size_t i = 0; i < a.top.size(); ++i)
        sum += std::abs(a.top[i] - b.top[i]) + std::abs(a.bottom[i] - b.bottom[i]);
    return sum / (2.0 * static_cast<double>(a.top.size()));
}

double Ours(const std::vector<double>& xs, const std::vector<double>& ys, double minY, double maxY,
            const std::string& file)
{
    TChart chart;
    chart.SetBounds(0, 0, Width, Height);
    chart.SetView3D(false);
    chart.Legend()->SetVisible(false);
    chart.ReplaceCanvas(std::make_unique<TGDIPlusCanvas>(), "TGDIPlusCanvas");
    chart.ThreadCount = std::min(4, TDuvCPU::CountProcessors());
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
    return image;
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
    const double ours = Ours(xs, ys, *low, *high, ourFile);
    const QImage peerImage = Opened(peerFile, "QCustomPlot's"), ourImage = Opened(ourFile, "our");
    std::filesystem::remove_all(folder);

    const Envelope ourEnvelope = EnvelopeOf(ourImage), peerEnvelope = EnvelopeOf(peerImage);
    if (peerEnvelope.top.empty()) Fail("the peer drew no line");
    if (ourEnvelope.top.empty()) Fail("our chart drew no line");
    const double difference = EnvelopeDifference(ourEnvelope, peerEnvelope);
    if (difference > 0.03) Fail("the envelopes differ by " + std::to_string(difference) + " of the line's height");

    std::printf("%d points as a %d x %d bitmap file, envelopes agree within %.3f: median of %d runs ours %.1f ms, "
                "QCustomPlot %.1f ms\n",
                Points, Width, Height, difference, Runs, ours, peer);
    std::printf("ratio: %.3f\n", ours / peer);
    return 0;
}
