// Ten million points loaded into a series in one batch, then its X and Y extremes, against the
// same work in QCustomPlot's graph (setData, then the key and value ranges). Inputs are made
// before timing; each side runs three times, alternately, on fresh objects; the medians count.
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

#include <qcustomplot.h>

#include "chart/series/RuRazaziSeries.h"

namespace {
constexpr int Points = 10000000;
constexpr int Runs = 3;

struct Extremes {
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    bool operator==(const Extremes&) const = default;
};

template <class F>
double Seconds(F work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Ours(const std::vector<double>& xs, const std::vector<double>& ys, Extremes& result)
{
    TChartSeries series(nullptr);
    return Seconds([&] {
        series.AddXYArrays(xs, ys);
        result = {series.MinXValue(), series.MaxXValue(), series.MinYValue(), series.MaxYValue()};
    });
}

double Peer(QCustomPlot& plot, const QVector<double>& keys, const QVector<double>& values, Extremes& result, bool& found)
{
    auto* graph = new QCPGraph(plot.xAxis, plot.yAxis);
    const double seconds = Seconds([&] {
        graph->setData(keys, values);
        bool keyFound = false, valueFound = false;
        const QCPRange keyRange = graph->getKeyRange(keyFound);
        const QCPRange valueRange = graph->getValueRange(valueFound);
        found = keyFound && valueFound;
        result = {keyRange.lower, keyRange.upper, valueRange.lower, valueRange.upper};
    });
    plot.removeGraph(graph);
    return seconds;
}
}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::vector<double> xs(Points), ys(Points);
    std::mt19937 random(20261211);
    std::uniform_real_distribution<double> value(-1000.0, 1000.0);
    for (int i = 0; i < Points; ++i) {
        xs[static_cast<std::size_t>(i)] = i;
        ys[static_cast<std::size_t>(i)] = value(random);
    }
    const QVector<double> keys(xs.begin(), xs.end()), values(ys.begin(), ys.end());
    QCustomPlot plot;

    std::vector<double> ours, peer;
    Extremes ourResult, peerResult;
    for (int run = 0; run < Runs; ++run) {
        ours.push_back(Ours(xs, ys, ourResult));
        bool found = false;
        peer.push_back(Peer(plot, keys, values, peerResult, found));
        if (!found) {
            std::printf("peer found no range\n");
            return 1;
        }
        if (!(ourResult == peerResult)) {
            std::printf("results differ: ours %g %g %g %g, peer %g %g %g %g\n", ourResult.minX, ourResult.maxX,
                        ourResult.minY, ourResult.maxY, peerResult.minX, peerResult.maxX, peerResult.minY,
                        peerResult.maxY);
            return 1;
        }
    }
    const double ourMedian = Median(ours), peerMedian = Median(peer);
    std::printf("%d points, X %.0f .. %.0f, Y %g .. %g: series %.3f s, QCustomPlot %.3f s (medians of %d)\n", Points,
                ourResult.minX, ourResult.maxX, ourResult.minY, ourResult.maxY, ourMedian, peerMedian, Runs);
    std::printf("ratio: %.3f\n", ourMedian / peerMedian);
    return 0;
}
