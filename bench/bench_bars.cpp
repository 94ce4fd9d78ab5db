// 100,002 bars in three side-by-side bar series drawn into a 1000 x 600 picture, against the same
// bars in QCustomPlot (three QCPBars in one QCPBarsGroup), both aliased with a one-pixel black
// outline and the same fill colours. Each side redraws ten times; the medians count. Both must
// have found the same value range and painted bar colours into their picture.
#include <QApplication>
#include <QImage>
#include <QPixmap>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <vector>

#include <qcustomplot.h>

#include "BenchShapes.h"
#include "chart/engine/Chart.h"
#include "chart/engine/ChartEngineModules.h"
#include "chart/engine/ChartLegend.h"
#include "chart/graphics/ChartGraphicsModules.h"
#include "chart/series/ChartSeriesModules.h"
#include "chart/series/SeriesBar.h"

namespace {
constexpr int SeriesCount = 3, PointsPerSeries = 33334, Width = 1000, Height = 600, Runs = 10;
const QRgb Fills[SeriesCount] = {qRgb(220, 40, 40), qRgb(40, 160, 40), qRgb(40, 40, 220)};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Pixels of any bar colour or of the bars' black outline in the picture.
long BarPixels(const QImage& image)
{
    long count = 0;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < rgb.height(); ++y)
        for (int x = 0; x < rgb.width(); ++x)
            if (const QRgb p = rgb.pixel(x, y) | 0xFF000000u;
                p == qRgb(0, 0, 0) || std::find(std::begin(Fills), std::end(Fills), p) != std::end(Fills))
                ++count;
    return count;
}

TColor ChartColor(QRgb rgb) { return static_cast<TColor>(qRed(rgb) | qGreen(rgb) << 8 | qBlue(rgb) << 16); }
}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InitializeChartGraphicsModules();
    InitializeChartEngineModules();
    InitializeChartSeriesModules();

    std::mt19937 random(20261211);
    std::uniform_real_distribution<double> value(1.0, 1000.0);
    std::vector<std::vector<double>> values(SeriesCount, std::vector<double>(PointsPerSeries));
    for (auto& list : values)
        for (double& v : list) v = value(random);
    double dataMin = 1e300, dataMax = -1e300;
    for (const auto& list : values)
        for (double v : list) {
            dataMin = std::min(dataMin, v);
            dataMax = std::max(dataMax, v);
        }

    TChart chart(nullptr);
    chart.SetBounds(0, 0, Width, Height);
    chart.SetView3D(false);
    chart.Legend()->SetVisible(false);
    std::vector<TBarSeries*> ours;
    for (int s = 0; s < SeriesCount; ++s) {
        auto* series = new TBarSeries(&chart);
        series->SetParentChart(&chart);
        series->Marks().SetVisible(false);
        series->SetSeriesColor(ChartColor(Fills[s]));
        series->AddValueArray(values[static_cast<std::size_t>(s)]);
        ours.push_back(series);
    }

    QCustomPlot plot;
    plot.resize(Width, Height);
    plot.setNotAntialiasedElements(QCP::aeAll);
    auto* group = new QCPBarsGroup(&plot);
    QVector<double> keys(PointsPerSeries);
    for (int i = 0; i < PointsPerSeries; ++i) keys[i] = i;
    for (int s = 0; s < SeriesCount; ++s) {
        auto* bars = new QCPBars(plot.xAxis, plot.yAxis);
        bars->setAntialiased(false);
        bars->setPen(QPen(Qt::black, 1));
        bars->setBrush(QColor::fromRgb(Fills[s]));
        const auto& list = values[static_cast<std::size_t>(s)];
        bars->setData(keys, QVector<double>(list.begin(), list.end()), true);
        bars->setBarsGroup(group);
    }
    plot.rescaleAxes();

    std::vector<double> ourTimes, peerTimes;
    std::unique_ptr<QImage> ourPicture;
    QPixmap peerPicture;
    for (int run = 0; run < Runs; ++run) {
        ourTimes.push_back(benchshapes::Seconds([&] { ourPicture = chart.CreatePanelBitmap(); }));
        peerTimes.push_back(benchshapes::Seconds([&] { peerPicture = plot.toPixmap(Width, Height); }));
    }
    if (!ourPicture || peerPicture.isNull()) {
        std::printf("no picture: ours %s, peer %s\n", ourPicture ? "yes" : "no", peerPicture.isNull() ? "no" : "yes");
        return 1;
    }
    double ourMin = 1e300, ourMax = -1e300;
    for (TBarSeries* series : ours) {
        ourMin = std::min(ourMin, series->YValues()->GetMinimum());
        ourMax = std::max(ourMax, series->YValues()->GetMaximum());
    }
    double peerMin = 1e300, peerMax = -1e300;
    for (int s = 0; s < SeriesCount; ++s) {
        bool found = false;
        const QCPRange range = plot.plottable(s)->getValueRange(found, QCP::sdBoth);
        if (!found) {
            std::printf("peer found no value range\n");
            return 1;
        }
        peerMin = std::min(peerMin, range.lower);
        peerMax = std::max(peerMax, range.upper);
    }
    // The peer's range of bars includes their base at 0, as ours does through the origin.
    if (ourMin != dataMin || ourMax != dataMax || peerMax != dataMax || peerMin > dataMin) {
        std::printf("ranges differ: data %g .. %g, ours %g .. %g, peer %g .. %g\n", dataMin, dataMax, ourMin, ourMax,
                    peerMin, peerMax);
        return 1;
    }
    const long ourPixels = BarPixels(*ourPicture), peerPixels = BarPixels(peerPicture.toImage());
    if (ourPixels == 0 || peerPixels == 0) {
        std::printf("no bars painted: ours %ld pixels, peer %ld pixels\n", ourPixels, peerPixels);
        return 1;
    }
    const double ourMedian = Median(ourTimes), peerMedian = Median(peerTimes);
    std::printf("%d bars in %d series, %d x %d: bar series %.3f s (%ld bar pixels), QCustomPlot %.3f s (%ld bar pixels), "
                "medians of %d\n",
                SeriesCount * PointsPerSeries, SeriesCount, Width, Height, ourMedian, ourPixels, peerMedian, peerPixels,
                Runs);
    std::printf("ratio: %.3f\n", ourMedian / peerMedian);
    return 0;
}
