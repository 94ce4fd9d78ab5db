// Ten million points (x = i, y a fixed-seed random walk) drawn as one line into a 1000 x 600
// RGB32 picture, whole plot with axes, labels and grid, against the same work in QCustomPlot.
// Both use aliased 1-pixel pens and have their axis ranges fixed to the data before timing.
// Ours is a 2D chart without legend whose fast line reduces each pixel column to its span
// (DrawAllPoints off, daMinMax); the peer draws its graph with its default adaptive sampling,
// which draws the same per-column envelope. Timed: the first drawing after the data was set,
// then the median of ten full redraws (ours invalidates first, so its buffer is drawn anew).
// Both pictures must show the same envelope, else the bench fails.
// Ours also redraws on one thread, printed beside the ratio. Last line: "ratio: <ours/peer>" of the
// redraws.
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
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
#include "chart/series/ChartSeriesModules.h"
#include "chart/series/SeriesFastLine.h"

#include "BenchWalk.h"

namespace {

using namespace benchwalk;

constexpr int Points = 10000000;
constexpr int Width = 1000, Height = 600;
constexpr int Redraws = 10;
constexpr QRgb LineColor = 0xFFFF0000;

struct Timings {
    double first = 0, redraw = 0;
};

Timings Ours(const std::vector<double>& xs, const std::vector<double>& ys, double minY, double maxY, QImage& image,
             int threads)
{
    TChart chart;
    chart.SetBounds(0, 0, Width, Height);
    chart.SetView3D(false);
    chart.Legend()->SetVisible(false);
    chart.ThreadCount = threads;
    // Straight into the picture: a headless chart has no window to show a buffer in.
    chart.Canvas().SetBufferedDisplay(false);
    TFastLineSeries series(&chart);
    series.SetParentChart(&chart);
    series.SetDrawAllPoints(false);
    series.SetDrawAllPointsStyle(daMinMax);
    series.LinePen().SetWidth(1);
    series.SetSeriesColor(clRed);
    chart.BottomAxis()->SetMinMax(xs.front(), xs.back());
    chart.LeftAxis()->SetMinMax(minY, maxY);
    const TRect rect{0, 0, Width, Height};
    auto draw = [&] {
        QPainter painter(&image);
        chart.Invalidate();
        chart.DrawToCanvas(&painter, rect);
    };
    Timings t;
    t.first = Milliseconds([&] {
        series.AddXYArrays(xs, ys);
        draw();
    });
    std::vector<double> redraws;
    for (int i = 0; i < Redraws; ++i) redraws.push_back(Milliseconds(draw));
    t.redraw = Median(redraws);
    series.SetParentChart(nullptr);
    return t;
}

Timings Peer(const QVector<double>& keys, const QVector<double>& values, double minY, double maxY, QImage& image)
{
    QCustomPlot plot;
    plot.resize(Width, Height);
    plot.setNotAntialiasedElements(QCP::aeAll);
    QCPGraph* graph = plot.addGraph();
    graph->setPen(QPen(QColor(LineColor), 1));
    plot.xAxis->setRange(keys.front(), keys.back());
    plot.yAxis->setRange(minY, maxY);
    auto draw = [&] {
        image.fill(Qt::white);
        QCPPainter painter(&image);
        plot.toPainter(&painter, Width, Height);
    };
    Timings t;
    t.first = Milliseconds([&] {
        graph->setData(keys, values, true);
        draw();
    });
    std::vector<double> redraws;
    for (int i = 0; i < Redraws; ++i) redraws.push_back(Milliseconds(draw));
    t.redraw = Median(redraws);
    return t;
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InitializeChartGraphicsModules();
    InitializeChartEngineModules();
    InitializeChartSeriesModules();

    std::vector<double> xs, ys;
    RandomWalk(Points, xs, ys);
    const auto [low, high] = std::minmax_element(ys.begin(), ys.end());
    const double minY = *low, maxY = *high;
    const QVector<double> keys(xs.begin(), xs.end()), values(ys.begin(), ys.end());

    QImage ourImage(Width, Height, QImage::Format_RGB32), peerImage(Width, Height, QImage::Format_RGB32);
    const Timings peer = Peer(keys, values, minY, maxY, peerImage);
    // A few workers split the columns; more only wait longer for each other on a busy machine.
    const int threads = std::min(4, TDuvCPU::CountProcessors());
    const Timings ours = Ours(xs, ys, minY, maxY, ourImage, threads);
    QImage oneThreadImage(Width, Height, QImage::Format_RGB32);
    const Timings oneThread = Ours(xs, ys, minY, maxY, oneThreadImage, 1);

    if (std::getenv("QB_BENCH_PICTURES")) {
        ourImage.save("bench_fast_line_ours.png");
        peerImage.save("bench_fast_line_peer.png");
    }
    const auto isLine = [](QRgb p) { return p == LineColor; };
    const Envelope ourEnvelope = EnvelopeOf(ourImage, isLine, 100), peerEnvelope = EnvelopeOf(peerImage, isLine, 100);
    if (peerEnvelope.top.empty()) Fail("the peer drew no line");
    if (ourEnvelope.top.empty()) Fail("our chart drew no line");
    if (peerEnvelope.coverage < 0.99 || ourEnvelope.coverage < 0.99)
        Fail("line columns missing: ours " + std::to_string(ourEnvelope.coverage) + ", peer " +
             std::to_string(peerEnvelope.coverage));
    const double difference = EnvelopeDifference(ourEnvelope, peerEnvelope);
    if (difference > 0.01) Fail("the envelopes differ by " + std::to_string(difference) + " of the line's height");

    std::printf("%d points into %d x %d, envelopes agree within %.3f: first draw ours %.1f ms, QCustomPlot %.1f ms; "
                "redraw (median of %d) ours %.1f ms, QCustomPlot %.1f ms\n",
                Points, Width, Height, difference, ours.first, peer.first, Redraws, ours.redraw, peer.redraw);
    std::printf("ours on %d threads: redraw %.1f ms; on one thread: redraw %.1f ms (ratio %.3f)\n", threads, ours.redraw,
                oneThread.redraw, oneThread.redraw / peer.redraw);
    std::printf("ratio: %.3f\n", ours.redraw / peer.redraw);
    return 0;
}
