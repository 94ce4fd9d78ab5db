#pragma once
// The benchmark table shared by the table and SQL benchmarks: N records of
// ID N(6,0), NAME C(20), AMOUNT N(8,2), DAY D, FLAG L, appended through a table dataset in one
// batch, as an import appends them.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/core/CodePage.h"
#include "platform/core/DateTime.h"
#include "platform/db/DbfFile.h"
#include "platform/db/Table.h"

namespace benchtable {

using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

inline std::string Name(int i) { return "name " + std::to_string(i % 9973); }
inline double Amount(int i) { return (i % 100000) / 100.0; }
inline TDateTime Day(int i) { return EncodeDate(2000, 1, 1) + i % 9000; }

inline void MakeTable(const std::string& path, int records)
{
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
    // As an import appends: one batch, written in a few large steps.
    table.BeginAppendBatch();
    for (int i = 0; i < records; ++i) {
        table.Append();
        id.SetAsInteger(i);
        name.SetAsString(Name(i));
        amount.SetAsFloat(Amount(i));
        day.SetAsDateTime(Day(i));
        flag.SetAsBoolean(i % 2 == 0);
        table.Post();
    }
    table.EndAppendBatch();
}

// The record count from the command line (default 1,000,000; ID holds six digits).
inline int RecordsArgument(int argc, char** argv)
{
    const int records = argc > 1 ? std::atoi(argv[1]) : 1000000;
    if (records < 1 || records > 1000000) {
        std::printf("records must be 1 to 1000000 (ID is N(6,0))\n");
        std::exit(2);
    }
    return records;
}

template <class Work>
double Timed(Work work)
{
    const auto start = Clock::now();
    work();
    return Seconds(start);
}

}  // namespace benchtable
