// A chart with one series of a million points (X and Y stored) written as a component stream and
// read back, its points travelling in the series' "Data"; against QDataStream writing and reading
// the same doubles. Each side runs three times on fresh objects; the medians count. The read
// points must equal the written ones on both sides, and "Data" must move at least 200 MB/s each
// way. Both sides run on a warm heap (freed blocks stay with the process), so the timings show
// the work and not the first touch of fresh pages, which on a virtual machine costs more than
// the copying itself.
#include <malloc.h>

#include <QByteArray>
#include <QDataStream>
#include <QIODevice>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

#include "chart/engine/Chart.h"
#include "chart/engine/ChartEngineModules.h"
#include "chart/graphics/ChartGraphicsModules.h"
#include "chart/series/ChartSeriesModules.h"
#include "chart/series/RuRazaziSeries.h"
#include "platform/core/ComponentReader.h"
#include "platform/core/ComponentWriter.h"

namespace {
constexpr int Points = 1000000;
constexpr int Runs = 3;
constexpr double MinimumRate = 200;  // MB/s

using Clock = std::chrono::steady_clock;

template <class F>
double Seconds(F work)
{
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Timing {
    double write = 0, read = 0;
    std::size_t bytes = 0;
};

bool SameAs(const TChartSeries& series, const std::vector<double>& xs, const std::vector<double>& ys)
{
    if (series.PointCount() != Points) return false;
    return std::equal(xs.begin(), xs.end(), series.XValues()->Values()) &&
           std::equal(ys.begin(), ys.end(), series.YValues()->Values());
}

bool Ours(const std::vector<double>& xs, const std::vector<double>& ys, Timing& t)
{
    TChart chart;
    auto* series = new TChartSeries(&chart);
    series->SetName("Rain");
    series->SetParentChart(&chart);
    series->AddXYArrays(xs, ys);
    series->DataLoaded = true;
    TMemoryStream stream;
    t.write = Seconds([&] { WriteComponentToStream(stream, &chart); });
    t.bytes = static_cast<std::size_t>(stream.Size());
    stream.SetPosition(0);
    TChart copy;
    t.read = Seconds([&] { ReadComponentFromStream(stream, &copy); });
    auto* read = copy.CountSeries() == 1 ? dynamic_cast<TChartSeries*>(copy.GetSeries(0)) : nullptr;
    return read && SameAs(*read, xs, ys);
}

bool Peer(const std::vector<double>& xs, const std::vector<double>& ys, Timing& t)
{
    QByteArray bytes;
    t.write = Seconds([&] {
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out.setByteOrder(QDataStream::LittleEndian);
        out << static_cast<qint32>(Points);
        for (int i = 0; i < Points; ++i) out << xs[static_cast<std::size_t>(i)] << ys[static_cast<std::size_t>(i)];
    });
    t.bytes = static_cast<std::size_t>(bytes.size());
    std::vector<double> readX, readY;
    t.read = Seconds([&] {
        QDataStream in(bytes);
        in.setByteOrder(QDataStream::LittleEndian);
        qint32 count = 0;
        in >> count;
        readX.resize(static_cast<std::size_t>(count));
        readY.resize(static_cast<std::size_t>(count));
        for (std::size_t i = 0; i < readX.size(); ++i) in >> readX[i] >> readY[i];
    });
    return readX == xs && readY == ys;
}
}  // namespace

int main()
{
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    InitializeChartGraphicsModules();
    InitializeChartEngineModules();
    InitializeChartSeriesModules();
    std::vector<double> xs(Points), ys(Points);
    std::mt19937 random(20261211);
    std::uniform_real_distribution<double> value(-1000.0, 1000.0);
    for (int i = 0; i < Points; ++i) {
        xs[static_cast<std::size_t>(i)] = i * 0.5;
        ys[static_cast<std::size_t>(i)] = value(random);
    }
    std::vector<double> ourWrite, ourRead, peerWrite, peerRead;
    std::size_t ourBytes = 0, peerBytes = 0;
    for (int run = 0; run < Runs; ++run) {
        Timing ours, peer;
        if (!Peer(xs, ys, peer)) {
            std::printf("peer read back other values\n");
            return 1;
        }
        if (!Ours(xs, ys, ours)) {
            std::printf("the chart read back other points\n");
            return 1;
        }
        ourWrite.push_back(ours.write);
        ourRead.push_back(ours.read);
        peerWrite.push_back(peer.write);
        peerRead.push_back(peer.read);
        ourBytes = ours.bytes;
        peerBytes = peer.bytes;
    }
    const double mb = 1e6;
    const double ow = Median(ourWrite), orr = Median(ourRead), pw = Median(peerWrite), pr = Median(peerRead);
    std::printf("%d points: chart stream %zu bytes, write %.3f s (%.0f MB/s), read %.3f s (%.0f MB/s)\n", Points,
                ourBytes, ow, ourBytes / mb / ow, orr, ourBytes / mb / orr);
    std::printf("QDataStream %zu bytes, write %.3f s (%.0f MB/s), read %.3f s (%.0f MB/s) (medians of %d)\n", peerBytes,
                pw, peerBytes / mb / pw, pr, peerBytes / mb / pr, Runs);
    const bool fastEnough = ourBytes / mb / ow >= MinimumRate && ourBytes / mb / orr >= MinimumRate;
    if (!fastEnough) std::printf("below %.0f MB/s\n", MinimumRate);
    std::printf("ratio: %.3f\n", (ow + orr) / (pw + pr));
    return fastEnough ? 0 : 1;
}
