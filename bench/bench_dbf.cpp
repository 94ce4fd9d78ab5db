// Appends N records (ID N(6,0), NAME C(20), AMOUNT N(8,2), DAY D, FLAG L) to a dBase table in one batch
// through a table dataset and scans them all, reading every field's value; shapelib does the same
// work side by side: writes the same records from memory into a .dbf and reads every field of
// every record of our file. Both scans must see the same values, and each side must read the
// other's file as written, else the bench fails.
// Usage: bench_dbf [records, default 1000000]. Last line: "ratio: <ours/shapelib>" over both steps.
#include <shapefil.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "BenchTable.h"

namespace {

using namespace benchtable;

// What a scan saw, summed over the records; two scans of the same records give the same sums.
struct Sums {
    long long records = 0, ids = 0, cents = 0, days = 0, flags = 0;
    std::uint64_t names = 0;

    void Add(long long id, const std::string& name, double amount, int year, int month, int day, bool flag)
    {
        ++records;
        ids += id;
        for (const char c : name) names = names * 131 + static_cast<unsigned char>(c);
        names = names * 131 + 1;  // the end of the name counts too
        cents += std::llround(amount * 100);
        days += year * 10000LL + month * 100 + day;
        flags += flag;
    }
    bool operator==(const Sums&) const = default;
};

[[noreturn]] void Fail(const std::string& why)
{
    std::printf("FAILED: %s\n", why.c_str());
    std::exit(1);
}

Sums Expected(int records)
{
    Sums sums;
    for (int i = 0; i < records; ++i) {
        int y = 0, m = 0, d = 0;
        DecodeDate(Day(i), y, m, d);
        sums.Add(i, Name(i), Amount(i), y, m, d, i % 2 == 0);
    }
    return sums;
}

Sums OurScan(const std::string& path)
{
    TTable table;
    table.SetTableName(path);
    table.Open();
    TField& id = table.FieldByName("ID");
    TField& name = table.FieldByName("NAME");
    TField& amount = table.FieldByName("AMOUNT");
    TField& day = table.FieldByName("DAY");
    TField& flag = table.FieldByName("FLAG");
    Sums sums;
    for (table.First(); !table.Eof(); table.Next()) {
        int y = 0, m = 0, d = 0;
        DecodeDate(day.AsDateTime(), y, m, d);
        sums.Add(id.AsInteger(), name.AsString(), amount.AsFloat(), y, m, d, flag.AsBoolean());
    }
    return sums;
}

// Field numbers of the benchmark table in a shapelib handle, in table order.
struct PeerFields {
    int id, name, amount, day, flag;
};

PeerFields PeerFieldsOf(DBFHandle dbf)
{
    const PeerFields f{DBFGetFieldIndex(dbf, "ID"), DBFGetFieldIndex(dbf, "NAME"), DBFGetFieldIndex(dbf, "AMOUNT"),
                       DBFGetFieldIndex(dbf, "DAY"), DBFGetFieldIndex(dbf, "FLAG")};
    if (f.id < 0 || f.name < 0 || f.amount < 0 || f.day < 0 || f.flag < 0) Fail("shapelib misses a field");
    return f;
}

void PeerWrite(const std::string& path, int records)
{
    DBFHandle dbf = DBFCreate(path.c_str());
    if (!dbf) Fail("shapelib could not create " + path);
    if (DBFAddField(dbf, "ID", FTInteger, 6, 0) < 0 || DBFAddField(dbf, "NAME", FTString, 20, 0) < 0 ||
        DBFAddField(dbf, "AMOUNT", FTDouble, 8, 2) < 0 || DBFAddField(dbf, "DAY", FTDate, 8, 0) < 0 ||
        DBFAddField(dbf, "FLAG", FTLogical, 1, 0) < 0)
        Fail("shapelib could not add the fields");
    const PeerFields f = PeerFieldsOf(dbf);
    for (int i = 0; i < records; ++i) {
        int y = 0, m = 0, d = 0;
        DecodeDate(Day(i), y, m, d);
        char day[16];
        std::snprintf(day, sizeof day, "%04d%02d%02d", y, m, d);
        if (!DBFWriteIntegerAttribute(dbf, i, f.id, i) || !DBFWriteStringAttribute(dbf, i, f.name, Name(i).c_str()) ||
            !DBFWriteDoubleAttribute(dbf, i, f.amount, Amount(i)) || !DBFWriteAttributeDirectly(dbf, i, f.day, day) ||
            !DBFWriteLogicalAttribute(dbf, i, f.flag, i % 2 == 0 ? 'T' : 'F'))
            Fail("shapelib could not write record " + std::to_string(i));
    }
    DBFClose(dbf);
}

Sums PeerScan(const std::string& path)
{
    DBFHandle dbf = DBFOpen(path.c_str(), "rb");
    if (!dbf) Fail("shapelib could not open " + path);
    const PeerFields f = PeerFieldsOf(dbf);
    Sums sums;
    const int records = DBFGetRecordCount(dbf);
    for (int r = 0; r < records; ++r) {
        const int id = DBFReadIntegerAttribute(dbf, r, f.id);
        std::string name = DBFReadStringAttribute(dbf, r, f.name);
        name.erase(name.find_last_not_of(' ') + 1);
        const double amount = DBFReadDoubleAttribute(dbf, r, f.amount);
        const std::string day = DBFReadStringAttribute(dbf, r, f.day);
        if (day.size() != 8) Fail("shapelib read the date \"" + day + "\"");
        const char flag = *DBFReadLogicalAttribute(dbf, r, f.flag);
        sums.Add(id, name, amount, std::atoi(day.substr(0, 4).c_str()), std::atoi(day.substr(4, 2).c_str()),
                 std::atoi(day.substr(6, 2).c_str()), flag == 'T' || flag == 't' || flag == 'Y' || flag == 'y');
    }
    DBFClose(dbf);
    return sums;
}

}  // namespace

int main(int argc, char** argv)
{
    const int records = RecordsArgument(argc, argv);
    char pattern[] = "/tmp/bench_dbf_XXXXXX";
    const std::string folder = mkdtemp(pattern);
    const std::string ours = folder + "/ours.dbf", peer = folder + "/peer.dbf";
    const Sums expected = Expected(records);

    std::printf("%d records\n", records);
    const double ourWrite = Timed([&] { MakeTable(ours, records); });
    const double peerWrite = Timed([&] { PeerWrite(peer, records); });
    Sums ourSums, peerSums;
    const double ourScan = Timed([&] { ourSums = OurScan(ours); });
    const double peerScan = Timed([&] { peerSums = PeerScan(ours); });
    if (!(ourSums == expected)) Fail("our scan read other values than were appended");
    if (!(peerSums == expected)) Fail("shapelib read other values from our file than were appended");
    if (!(OurScan(peer) == expected)) Fail("our scan of shapelib's file read other values than it wrote");
    std::filesystem::remove_all(folder);

    std::printf("append: ours %.2f s, shapelib %.2f s, ratio %.3f\n", ourWrite, peerWrite, ourWrite / peerWrite);
    std::printf("scan:   ours %.2f s, shapelib %.2f s, ratio %.3f\n", ourScan, peerScan, ourScan / peerScan);
    std::printf("ratio: %.3f\n", (ourWrite + ourScan) / (peerWrite + peerScan));
    return 0;
}
