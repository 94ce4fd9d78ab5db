// Local SQL over the benchmark table (see BenchTable.h): a GROUP BY count and a WHERE scan, each
// run by our engine through a query and by GDAL's SQLite dialect (python3-gdal) on the same file,
// each side fetching every row of its result. GDAL reads a dBase logical field as 'T'/'F' text, so
// its statement spells the flag test out; both sides must return the rows the table holds for the
// statement, and a failing peer fails the bench.
// Usage: bench_sql [records, default 1000000]. Last line: "ratio: <ours/GDAL>" over both queries.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "BenchTable.h"
#include "platform/db/Query.h"

namespace {

using namespace benchtable;

struct Statement {
    const char* what;
    const char* ours;  // "%s" stands for the table
    const char* peer;
    int (*expected)(int records);  // the rows the statement must return
};

int Names(int records)
{
    return std::min(records, 9973);
}

int DearFlagged(int records)
{
    int rows = 0;
    for (int i = 0; i < records; ++i) rows += Amount(i) > 990 && i % 2 == 0;
    return rows;
}

const Statement kStatements[] = {
    {"group by", "SELECT NAME, count(*) FROM %s GROUP BY NAME", "SELECT NAME, count(*) FROM %s GROUP BY NAME", Names},
    {"where scan", "SELECT * FROM %s WHERE AMOUNT > 990 AND FLAG", "SELECT * FROM %s WHERE AMOUNT > 990 AND FLAG = 'T'",
     DearFlagged},
};

// The peer times itself from opening the file to the last fetched row, like our side, so the
// interpreter's start does not count; each side runs a statement twice and counts the faster run,
// so neither pays its first-use costs. Prints "<rows> <seconds>".
constexpr int kRuns = 2;
constexpr const char* kPeerScript = R"(import sys, time
from osgeo import gdal, ogr
gdal.UseExceptions()
best = None
for run in range(int(sys.argv[3])):
    start = time.perf_counter()
    source = ogr.Open(sys.argv[1])
    layer = source.ExecuteSQL(sys.argv[2], dialect='SQLITE')
    rows = 0
    feature = layer.GetNextFeature()
    while feature is not None:
        rows += 1
        feature = layer.GetNextFeature()
    source.ReleaseResultSet(layer)
    source = None
    seconds = time.perf_counter() - start
    best = seconds if best is None else min(best, seconds)
print(rows, best)
)";

[[noreturn]] void Fail(const std::string& why)
{
    std::printf("FAILED: %s\n", why.c_str());
    std::exit(1);
}

std::string WithTable(const char* sql, const std::string& table)
{
    char text[256];
    std::snprintf(text, sizeof text, sql, table.c_str());
    return text;
}

std::string ShellQuoted(const std::string& text)
{
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

double Ours(const std::string& folder, const std::string& sql, int& rows)
{
    double best = 0;
    for (int run = 0; run < kRuns; ++run) {
        const double seconds = Timed([&] {
            TQuery query;
            query.SetDatabaseName(folder);
            query.SQL().Add(sql);
            query.Open();
            rows = 0;
            for (query.First(); !query.Eof(); query.Next()) ++rows;
        });
        best = run == 0 ? seconds : std::min(best, seconds);
    }
    return best;
}

double Peer(const std::string& script, const std::string& path, const std::string& sql, int& rows)
{
    const std::string command = "/usr/bin/python3 " + ShellQuoted(script) + " " + ShellQuoted(path) + " " + ShellQuoted(sql) + " " +
                                std::to_string(kRuns);
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) Fail("cannot start " + command);
    double seconds = -1;
    const int read = std::fscanf(pipe, "%d %lf", &rows, &seconds);
    if (pclose(pipe) != 0 || read != 2 || seconds < 0) Fail("the peer failed: " + command);
    return seconds;
}

}  // namespace

int main(int argc, char** argv)
{
    const int records = RecordsArgument(argc, argv);
    char pattern[] = "/tmp/bench_sql_XXXXXX";
    const std::string folder = mkdtemp(pattern);
    const std::string path = folder + "/t.dbf";
    const std::string script = folder + "/peer.py";
    std::ofstream(script) << kPeerScript;

    std::printf("%d records\n", records);
    MakeTable(path, records);
    double ours = 0, peer = 0;
    for (const Statement& s : kStatements) {
        int ourRows = 0, peerRows = 0;
        const double ourTime = Ours(folder, WithTable(s.ours, "'t.dbf'"), ourRows);
        const double peerTime = Peer(script, path, WithTable(s.peer, "t"), peerRows);
        std::printf("%-10s ours %.2f s, GDAL %.2f s, %d rows, ratio %.3f\n", s.what, ourTime, peerTime, ourRows, ourTime / peerTime);
        if (ourRows != peerRows) Fail(std::to_string(ourRows) + " rows against GDAL's " + std::to_string(peerRows));
        const int expected = s.expected(records);
        if (ourRows != expected) Fail("both returned " + std::to_string(ourRows) + " rows, not " + std::to_string(expected));
        ours += ourTime;
        peer += peerTime;
    }
    std::filesystem::remove_all(folder);
    std::printf("ratio: %.3f\n", ours / peer);
    return 0;
}
