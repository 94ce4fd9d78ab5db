// Refills a series of a database-bound chart from the bench table, summing AMOUNT per DAY
// ("#SUM#AMOUNT" grouped by "#DAY#DAY"), and lets GDAL's ogrinfo run the same GROUP BY on the
// same file through its SQLite dialect. Both must find the same number of groups with the same
// total, else the bench fails. The series is a line series, as the program's data graphs use.
// Usage: bench_dbchart [records, default 1000000]. Last line: "ratio: <ours/ogrinfo>".
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>

#include "BenchTable.h"
#include "chart/engine/ChartEngineModules.h"
#include "chart/graphics/ChartGraphicsModules.h"
#include "chart/output/ChartOutputModules.h"
#include "chart/output/DBChart.h"
#include "chart/series/ChartSeriesModules.h"
#include "chart/series/Series.h"

namespace {

using namespace benchtable;

[[noreturn]] void Fail(const std::string& why)
{
    std::printf("FAILED: %s\n", why.c_str());
    std::exit(1);
}

struct Groups {
    long long count = 0;
    long long cents = 0;  // the sum of every group's sum, in cents
};

Groups Ours(const std::string& path)
{
    TTable table;
    table.SetTableName(path);
    table.Open();
    TDataSetComponent binding(nullptr, &table);
    TDBChart chart;
    TLineSeries series(nullptr);
    series.SetParentChart(&chart);
    series.SetXLabelsSource("#DAY#DAY");
    series.YValues()->SetValueSource("#SUM#AMOUNT");
    chart.SetAutoRefresh(false);  // the refill below is the one measured
    series.SetDataSource(&binding);
    chart.RefreshDataSet(&table, &series);
    Groups groups;
    groups.count = series.PointCount();
    for (int i = 0; i < series.PointCount(); ++i) groups.cents += std::llround(series.GetYValue(i) * 100);
    series.SetDataSource(nullptr);
    series.SetParentChart(nullptr);
    return groups;
}

Groups Peer(const std::string& path)
{
    const std::string layer = std::filesystem::path(path).stem().string();
    const std::string sql = "SELECT COUNT(*) AS n, SUM(s) AS total FROM (SELECT DAY, SUM(AMOUNT) AS s FROM \"" + layer +
                            "\" GROUP BY DAY)";
    const std::string command = "ogrinfo -q -dialect sqlite -sql '" + sql + "' '" + path + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) Fail("ogrinfo does not start");
    std::string output;
    char buffer[4096];
    while (std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, got);
    if (pclose(pipe) != 0) Fail("ogrinfo failed");
    std::smatch n, total;
    if (!std::regex_search(output, n, std::regex(R"(n \(Integer[^)]*\) = (\d+))")) ||
        !std::regex_search(output, total, std::regex(R"(total \(Real[^)]*\) = ([0-9.eE+-]+))")))
        Fail("ogrinfo's answer has no group count and total");
    return {std::stoll(n[1]), std::llround(std::stod(total[1]) * 100)};
}

}  // namespace

int main(int argc, char** argv)
{
    const int records = RecordsArgument(argc, argv);
    InitializeChartGraphicsModules();
    InitializeChartEngineModules();
    InitializeChartSeriesModules();
    InitializeChartOutputModules();
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / ("qb_bench_dbchart_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "bench.dbf").string();
    MakeTable(path, records);

    Groups ours, peer;
    const double ourTime = Timed([&] { ours = Ours(path); });
    const double peerTime = Timed([&] { peer = Peer(path); });
    std::filesystem::remove_all(dir);
    if (ours.count != peer.count) Fail("groups differ: " + std::to_string(ours.count) + " vs " + std::to_string(peer.count));
    if (ours.cents != peer.cents) Fail("group sums differ");
    std::printf("records: %d, groups: %lld\n", records, ours.count);
    std::printf("ours (TDBChart refill, #SUM#AMOUNT by #DAY#DAY): %.3f s\n", ourTime);
    std::printf("peer (ogrinfo -dialect sqlite GROUP BY DAY):     %.3f s\n", peerTime);
    std::printf("ratio: %.3f\n", ourTime / peerTime);
    return 0;
}
