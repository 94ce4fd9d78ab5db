// Appends N records (ID N(6,0), NAME C(20), AMOUNT N(8,2), DAY D, FLAG L) to a dBase table
// through a table dataset and scans them all, reading every field's value; then lets GDAL do the
// same (ogr2ogr writing the rows from CSV into a .dbf, ogrinfo reading it).
// Usage: bench_dbf [records, default 1000000]. Last line: "ratio: <ours/GDAL>" over both steps.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "BenchTable.h"

namespace {

using namespace benchtable;

double OurWrite(const std::string& path, int records)
{
    const auto start = Clock::now();
    MakeTable(path, records);
    return Seconds(start);
}

double OurScan(const std::string& path, int records)
{
    const auto start = Clock::now();
    TTable table;
    table.SetTableName(path);
    table.Open();
    size_t nulls = 0;
    int seen = 0;
    for (table.First(); !table.Eof(); table.Next(), ++seen)
        for (int f = 0; f < table.FieldCount(); ++f) nulls += table.Fields().Fields(f).Value().IsNull();
    if (seen != records || nulls != 0) std::printf("scan saw %d records and %zu nulls, expected %d and 0\n", seen, nulls, records);
    return Seconds(start);
}

void WriteCsv(const std::string& folder, int records)
{
    std::ofstream csv(folder + "/rows.csv");
    csv << "ID,NAME,AMOUNT,DAY,FLAG\n";
    for (int i = 0; i < records; ++i) {
        int y = 0, m = 0, d = 0;
        DecodeDate(Day(i), y, m, d);
        char line[128];
        std::snprintf(line, sizeof line, "%d,%s,%.2f,%04d-%02d-%02d,%d\n", i, Name(i).c_str(), Amount(i), y, m, d, i % 2 == 0);
        csv << line;
    }
    std::ofstream(folder + "/rows.csvt") << "Integer(6),String(20),Real(8.2),Date,Integer(Boolean)\n";
}

}  // namespace

int main(int argc, char** argv)
{
    const int records = RecordsArgument(argc, argv);
    char pattern[] = "/tmp/bench_dbf_XXXXXX";
    const std::string folder = mkdtemp(pattern);

    std::printf("%d records\n", records);
    const double ourWrite = OurWrite(folder + "/ours.dbf", records);
    std::printf("ours: append %.2f s\n", ourWrite);
    const double ourScan = OurScan(folder + "/ours.dbf", records);
    std::printf("ours: scan   %.2f s\n", ourScan);

    WriteCsv(folder, records);
    const double gdalWrite = Timed("ogr2ogr -f 'ESRI Shapefile' " + folder + "/gdal.dbf " + folder + "/rows.csv");
    std::printf("GDAL: ogr2ogr %.2f s\n", gdalWrite);
    const double gdalScan = Timed("ogrinfo -ro -al " + folder + "/gdal.dbf > /dev/null");
    std::printf("GDAL: ogrinfo %.2f s\n", gdalScan);

    std::printf("append ratio: %.3f\nscan ratio: %.3f\n", ourWrite / gdalWrite, ourScan / gdalScan);
    std::filesystem::remove_all(folder);
    std::printf("ratio: %.3f\n", (ourWrite + ourScan) / (gdalWrite + gdalScan));
    return 0;
}
