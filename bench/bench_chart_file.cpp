// A line series of a million points saved to a chart file with SaveChartToFile and loaded back
// with LoadChartFromFile, against QDataStream writing the same two double vectors to a file and
// reading them back. Both sides write durably (ours through the crash-safe file stream, the peer
// through QSaveFile, which also syncs and renames). Each side runs three times, alternately; the
// medians count. Both must read back exactly the points they wrote.
#include <malloc.h>

#include <QGuiApplication>
#include <QDataStream>
#include <QFile>
#include <QList>
#include <QSaveFile>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "chart/engine/Chart.h"
#include "chart/engine/ChartEngineModules.h"
#include "chart/graphics/ChartGraphicsModules.h"
#include "chart/output/ChartOutputModules.h"
#include "chart/output/DuvStore.h"
#include "chart/series/ChartSeriesModules.h"
#include "chart/series/Series.h"

namespace {
constexpr int Points = 1000000;
constexpr int Runs = 3;

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

struct Timing {
    double save = 0, load = 0;
    std::uintmax_t bytes = 0;
};

bool Ours(const std::string& path, const std::vector<double>& xs, const std::vector<double>& ys, Timing& t)
{
    TChart chart;
    auto* line = new TCustomLineSeries(&chart);
    line->SetName("Level");
    line->SetParentChart(&chart);
    line->AddXYArrays(xs, ys);
    t.save = Seconds([&] { SaveChartToFile(chart, path); });
    t.bytes = std::filesystem::file_size(path);
    TChart copy;
    t.load = Seconds([&] { LoadChartFromFile(copy, path); });
    auto* read = copy.CountSeries() == 1 ? dynamic_cast<TChartSeries*>(copy.GetSeries(0)) : nullptr;
    return read && read->PointCount() == Points && std::equal(xs.begin(), xs.end(), read->XValues()->Values()) &&
           std::equal(ys.begin(), ys.end(), read->YValues()->Values());
}

bool Peer(const QString& path, const QList<double>& xs, const QList<double>& ys, Timing& t)
{
    bool written = false;
    t.save = Seconds([&] {
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly)) return;
        QDataStream out(&file);
        out.setByteOrder(QDataStream::LittleEndian);
        out << xs << ys;
        written = out.status() == QDataStream::Ok && file.commit();
    });
    if (!written) return false;
    t.bytes = std::filesystem::file_size(path.toStdString());
    QList<double> readX, readY;
    bool read = false;
    t.load = Seconds([&] {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) return;
        QDataStream in(&file);
        in.setByteOrder(QDataStream::LittleEndian);
        in >> readX >> readY;
        read = in.status() == QDataStream::Ok;
    });
    return read && readX == xs && readY == ys;
}
}  // namespace

int main(int argc, char** argv)
{
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    InitializeChartGraphicsModules();
    InitializeChartEngineModules();
    InitializeChartSeriesModules();
    InitializeChartOutputModules();
    RegisterClassForStreaming(TCustomLineSeries::StaticClass());
    // A level read once per step: X is the step number, which a chart file does not store.
    std::vector<double> xs(Points), ys(Points);
    std::mt19937 random(20261211);
    std::uniform_real_distribution<double> value(-1000.0, 1000.0);
    for (int i = 0; i < Points; ++i) {
        xs[static_cast<std::size_t>(i)] = i;
        ys[static_cast<std::size_t>(i)] = value(random);
    }
    const QList<double> peerX(xs.begin(), xs.end()), peerY(ys.begin(), ys.end());
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "qb-bench-chart-file";
    std::filesystem::create_directories(dir);
    const std::string ourPath = (dir / "level.duv").string();
    const QString peerPath = QString::fromStdString((dir / "level.qds").string());

    std::vector<double> ourSave, ourLoad, peerSave, peerLoad;
    Timing ours, peer;
    for (int run = 0; run < Runs; ++run) {
        if (!Peer(peerPath, peerX, peerY, peer)) {
            std::printf("peer failed or read back other values\n");
            return 1;
        }
        if (!Ours(ourPath, xs, ys, ours)) {
            std::printf("the chart file read back other points\n");
            return 1;
        }
        ourSave.push_back(ours.save);
        ourLoad.push_back(ours.load);
        peerSave.push_back(peer.save);
        peerLoad.push_back(peer.load);
    }
    std::filesystem::remove_all(dir);
    const double os = Median(ourSave), ol = Median(ourLoad), ps = Median(peerSave), pl = Median(peerLoad);
    std::printf("%d points: chart file %ju bytes, save %.3f s, load %.3f s\n", Points, ours.bytes, os, ol);
    std::printf("QDataStream %ju bytes, save %.3f s, load %.3f s (medians of %d)\n", peer.bytes, ps, pl, Runs);
    std::printf("ratio: %.3f\n", (os + ol) / (ps + pl));
    return 0;
}
