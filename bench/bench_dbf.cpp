// Appends N records (ID N(6,0), NAME C(20), AMOUNT N(8,2), DAY D, FLAG L) to a dBase table
// through a table dataset and scans them all, reading every field's value; then lets GDAL do the
// same (ogr2ogr writing the rows from CSV into a .dbf, ogrinfo reading it).
// Usage: bench_dbf [records, default 1000000]. Last line: "ratio: <ours/GDAL>" over both steps.
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/core/CodePage.h"
#include "platform/core/DateTime.h"
#include "platform/db/DbfFile.h"
#include "platform/db/Table.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

std::string Name(int i) { return "name " + std::to_string(i % 9973); }
double Amount(int i) { return (i % 100000) / 100.0; }
TDateTime Day(int i) { return EncodeDate(2000, 1, 1) + i % 9000; }

double OurWrite(const std::string& path, int records)
{
    const auto start = Clock::now();
    TDbfFile::Create(path, {{"ID", 'N', 6, 0}, {"NAME", 'C', 20, 0}, {"AMOUNT", 'N', 8, 2}, {"DAY", 'D', 8, 0}, {"FLAG", 'L', 1, 0}}, 4,
                     ProgramCodePage());
    TTable table;
    table.SetTableName(path);
    table.Open();
    TField& id = table.FieldByName("ID");
    TField& name = table.FieldByName("NAME");
    TField& amount = table.FieldByName("AMOUNT");
    TField& day = table.FieldByName("DAY");
    TField& flag = table.FieldByName("FLAG");
    for (int i = 0; i < records; ++i) {
        table.Append();
        id.SetAsInteger(i);
        name.SetAsString(Name(i));
        amount.SetAsFloat(Amount(i));
        day.SetAsDateTime(Day(i));
        flag.SetAsBoolean(i % 2 == 0);
        table.Post();
    }
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

double Timed(const std::string& command)
{
    const auto start = Clock::now();
    if (std::system(command.c_str()) != 0) std::printf("command failed: %s\n", command.c_str());
    return Seconds(start);
}

}  // namespace

int main(int argc, char** argv)
{
    const int records = argc > 1 ? std::atoi(argv[1]) : 1000000;
    if (records < 1 || records > 1000000) {
        std::printf("records must be 1 to 1000000 (ID is N(6,0))\n");
        return 2;
    }
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
