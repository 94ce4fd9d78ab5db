// The data exporters against python3 writing the same points: a million points as tab-separated
// text (csv.writer) and as JSON (json.dump), and 65,534 points as a spreadsheet (xlwt). Both
// sides write a file durably (synced to disk). Both count the processor time of the writing
// process, which a busy machine disturbs far less than the time on the clock. Each side runs three
// times and the medians count, except the peer's JSON, whose single run lasts long enough.
// The peer's script also checks our files against the points; the two spreadsheets are read by
// LibreOffice, which must find the same cells in both. The last line is the largest ratio.
#include <malloc.h>

#include <QGuiApplication>
#include <algorithm>
#include <array>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "chart/engine/Chart.h"
#include "chart/engine/ChartEngineModules.h"
#include "chart/graphics/ChartGraphicsModules.h"
#include "chart/output/ChartOutputModules.h"
#include "chart/output/DuvStore.h"
#include "chart/series/ChartSeriesModules.h"
#include "chart/series/RuRazaziSeries.h"

namespace {
constexpr int Points = 1000000;
constexpr int SheetPoints = 65534;
constexpr int Runs = 3;

// The points on both sides: exact binary fractions, so every text of them names one double.
double PointX(int i) { return i * 0.5; }
double PointY(int i) { return ((i * 7919LL) % 10007) / 8.0 - 600.0; }

const char* const PeerScript = R"(import csv, json, os, struct, sys, time
mode, n, ours, peer, runs = sys.argv[1], int(sys.argv[2]), sys.argv[3], sys.argv[4], int(sys.argv[5])
xs = [i * 0.5 for i in range(n)]
ys = [((i * 7919) % 10007) / 8.0 - 600.0 for i in range(n)]
def durable(f):
    f.flush()
    os.fsync(f.fileno())
times = []
for run in range(runs):
    start = time.process_time()
    if mode == 'text':
        with open(peer, 'w', newline='') as f:
            csv.writer(f, delimiter='\t', lineterminator='\r\n').writerows(zip(xs, ys))
            durable(f)
    elif mode == 'json':
        with open(peer, 'w', encoding='utf-8') as f:
            json.dump({'chart': [{'series': {'name': 'Points', 'color': '#ff0000',
                       'point': [{'value': y, 'x': x} for x, y in zip(xs, ys)]}}]}, f)
            durable(f)
    else:
        import xlwt
        book = xlwt.Workbook()
        sheet = book.add_sheet('Sheet1')
        for i in range(n):
            sheet.write(i, 0, xs[i])
            sheet.write(i, 1, ys[i])
        with open(peer, 'wb') as f:
            book.save(f)
            durable(f)
    times.append(time.process_time() - start)
if mode == 'text':
    rows = [line.split('\t') for line in open(ours, newline='').read().split('\r\n') if line]
    got = [(float(a), float(b)) for a, b in rows]
elif mode == 'json':
    got = [(p['x'], p['value']) for p in json.load(open(ours, encoding='utf-8'))['chart'][0]['series']['point']]
else:
    data = open(ours, 'rb').read()
    cells, at = {}, 0
    while at + 4 <= len(data):
        kind, length = struct.unpack_from('<HH', data, at)
        if kind == 3:
            row, column = struct.unpack_from('<HH', data, at + 4)
            cells[(row, column)] = struct.unpack_from('<d', data, at + 11)[0]
        at += 4 + length
    got = [(cells.get((i, 0)), cells.get((i, 1))) for i in range(n)]
print(sorted(times)[len(times) // 2])
print('same' if got == list(zip(xs, ys)) else 'differ')
)";

double ProcessorSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec * 1e-9;
}

template <class F>
double Seconds(F work)
{
    const double start = ProcessorSeconds();
    work();
    return ProcessorSeconds() - start;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::string Run(const std::string& command, int& rc)
{
    std::string output;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) {
        rc = -1;
        return {};
    }
    std::array<char, 4096> buffer{};
    std::size_t got = 0;
    while ((got = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) output.append(buffer.data(), got);
    rc = pclose(pipe);
    return output;
}

struct Side {
    double ours = 0, peer = 0;
};

// Our median, then the peer's median from its script; false when the peer fails or our file differs.
bool Compare(const char* mode, TSeriesData& data, int points, int peerRuns, const std::filesystem::path& dir,
             const std::string& extension, Side& side)
{
    const std::string ours = (dir / ("ours." + extension)).string();
    const std::string peer = (dir / ("peer." + extension)).string();
    std::vector<double> times;
    for (int run = 0; run < Runs; ++run) times.push_back(Seconds([&] { data.SaveToFile(ours); }));
    side.ours = Median(times);
    int rc = 0;
    const std::string output = Run("/usr/bin/python3 " + (dir / "peer.py").string() + " " + mode + " " +
                                       std::to_string(points) + " '" + ours + "' '" + peer + "' " + std::to_string(peerRuns),
                                   rc);
    if (rc != 0) {
        std::printf("peer (%s) failed:\n%s\n", mode, output.c_str());
        return false;
    }
    if (output.find("\nsame") == std::string::npos) {
        std::printf("%s: our file holds other points than the peer wrote:\n%s\n", mode, output.c_str());
        return false;
    }
    side.peer = std::atof(output.c_str());
    return side.peer > 0;
}

// LibreOffice reads both spreadsheets (one start for both); their cells must agree.
bool SameSheets(const std::filesystem::path& dir)
{
    int rc = 0;
    const std::string log = Run("timeout 100 /usr/bin/soffice -env:UserInstallation=file://" + (dir / "office").string() +
                                    " --headless --convert-to 'csv:Text - txt - csv (StarCalc):44,34,76' --outdir '" +
                                    dir.string() + "' '" + (dir / "ours.xls").string() + "' '" +
                                    (dir / "peer.xls").string() + "'",
                                rc);
    std::string csv[2];
    for (int k = 0; k < 2; ++k) {
        std::ifstream in(dir / (k == 0 ? "ours.csv" : "peer.csv"), std::ios::binary);
        csv[k].assign(std::istreambuf_iterator<char>(in), {});
        if (rc != 0 || csv[k].empty()) {
            std::printf("LibreOffice did not read the spreadsheets:\n%s\n", log.c_str());
            return false;
        }
    }
    return csv[0] == csv[1];
}
}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    InitializeChartGraphicsModules();
    InitializeChartEngineModules();
    InitializeChartSeriesModules();
    InitializeChartOutputModules();
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "qb-bench-data-export";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "peer.py") << PeerScript;

    auto fill = [](TChart& chart, int points) {
        auto* series = new TChartSeries(&chart);
        series->SetName("Points");
        series->SetParentChart(&chart);
        series->SetSeriesColor(0x0000FF);
        std::vector<double> xs(static_cast<std::size_t>(points)), ys(xs.size());
        for (int i = 0; i < points; ++i) {
            xs[static_cast<std::size_t>(i)] = PointX(i);
            ys[static_cast<std::size_t>(i)] = PointY(i);
        }
        series->AddXYArrays(xs, ys);
        return series;
    };
    TChart big, small;
    TChartSeries* many = fill(big, Points);
    TChartSeries* few = fill(small, SheetPoints);
    TSeriesDataText text(&big, many);
    TSeriesDataJSON json(&big, many);
    TSeriesDataXLS xls(&small, few);

    Side t, j, x;
    if (!Compare("text", text, Points, Runs, dir, "txt", t) || !Compare("json", json, Points, 1, dir, "json", j) ||
        !Compare("xls", xls, SheetPoints, Runs, dir, "xls", x))
        return 1;
    if (!SameSheets(dir)) {
        std::printf("LibreOffice finds other cells in the two spreadsheets\n");
        return 1;
    }
    std::filesystem::remove_all(dir);
    const double rt = t.ours / t.peer, rj = j.ours / j.peer, rx = x.ours / x.peer;
    std::printf("%d points as text: ours %.3f s, csv.writer %.3f s, ratio %.3f\n", Points, t.ours, t.peer, rt);
    std::printf("%d points as JSON: ours %.3f s, json.dump %.3f s, ratio %.3f\n", Points, j.ours, j.peer, rj);
    std::printf("%d points as .xls: ours %.3f s, xlwt %.3f s, ratio %.3f (processor time, medians)\n", SheetPoints,
                x.ours, x.peer, rx);
    std::printf("ratio: %.3f\n", std::max({rt, rj, rx}));
    return 0;
}
