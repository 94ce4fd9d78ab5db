// Feeds arbitrary bytes as a .dbf (and, split at a marker, a memo file) to the local SQL engine,
// as the query builder and saved queries read a table: every statement over it must either
// work or raise EDatabaseError. Only SELECTs run, and each within small bounds.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/db/DbError.h"
#include "platform/db/SqlEngine.h"
#include "support/FuzzFiles.h"

namespace {

// The SQL bounds are set once, with the folder: a fuzzed table must not run for long.
const std::string& TempFolder()
{
    static const std::string& folder = [] () -> const std::string& {
        TSqlLimits limits;
        limits.Seconds = 2;
        limits.MemoryBytes = 64LL << 20;
        limits.ValueBytes = 1 << 20;
        SetSqlLimits(limits);
        return qbtest::FuzzTempFolder("fuzz_DbfSql");
    }();
    return folder;
}

void Write(const std::string& path, std::string_view bytes) { qbtest::WriteFuzzFile(path, bytes); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find("MEMO");
    Write(TempFolder() + "/t.dbf", input.substr(0, split));
    const std::string_view memo = split == std::string_view::npos ? std::string_view() : input.substr(split + 4);
    Write(TempFolder() + "/t.dbt", memo);
    Write(TempFolder() + "/t.fpt", memo);
    for (const char* sql : {"SELECT * FROM 't.dbf'", "SELECT count(*), max(_rowid_) FROM t WHERE _rowid_ >= 0",
                            "SELECT DISTINCT * FROM 't.dbf' ORDER BY 1 DESC"}) {
        try {
            TSqlEngine engine(TempFolder());
            engine.Select(sql, {}, true);
        } catch (const EDatabaseError&) {
        }
    }
    return 0;
}
