// Local SQL over the benchmark table (see BenchTable.h): a GROUP BY count and a WHERE scan, each
// run by our engine through a query and by GDAL's SQLite dialect (ogrinfo) on the same file.
// Usage: bench_sql [records, default 1000000]. Last line: "ratio: <ours/GDAL>" over both queries.
#include <cstdio>
#include <filesystem>
#include <string>

#include "BenchTable.h"
#include "platform/db/Query.h"

namespace {

using namespace benchtable;

struct Statement {
    const char* what;
    const char* sql;  // "%s" stands for the table
};

const Statement kStatements[] = {
    {"group by", "SELECT NAME, count(*) FROM %s GROUP BY NAME"},
    {"where scan", "SELECT * FROM %s WHERE AMOUNT > 990 AND FLAG"},
};

std::string WithTable(const char* sql, const std::string& table)
{
    char text[256];
    std::snprintf(text, sizeof text, sql, table.c_str());
    return text;
}

double Ours(const std::string& folder, const std::string& sql, int& rows)
{
    const auto start = Clock::now();
    TQuery query;
    query.SetDatabaseName(folder);
    query.SQL().Add(sql);
    query.Open();
    rows = query.RecordCount();
    return Seconds(start);
}

}  // namespace

int main(int argc, char** argv)
{
    const int records = RecordsArgument(argc, argv);
    char pattern[] = "/tmp/bench_sql_XXXXXX";
    const std::string folder = mkdtemp(pattern);
    const std::string path = folder + "/t.dbf";

    std::printf("%d records\n", records);
    MakeTable(path, records);
    double ours = 0, gdal = 0;
    for (const Statement& s : kStatements) {
        int rows = 0;
        const double ourTime = Ours(folder, WithTable(s.sql, "'t.dbf'"), rows);
        const double gdalTime = Timed("ogrinfo -ro -q -dialect sqlite -sql \"" + WithTable(s.sql, "t") + "\" " + path + " > /dev/null");
        std::printf("%-10s ours %.2f s (%d rows), GDAL %.2f s, ratio %.3f\n", s.what, ourTime, rows, gdalTime, ourTime / gdalTime);
        ours += ourTime;
        gdal += gdalTime;
    }
    std::filesystem::remove_all(folder);
    std::printf("ratio: %.3f\n", ours / gdal);
    return 0;
}
