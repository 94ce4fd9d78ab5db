// Feeds arbitrary bytes as a saved query (.sql) to the query builder's loading and running
// steps: the file is read as the program reads it, split at its WHERE, and run over a sample
// table when it names no parameters. Everything must either work or raise EDatabaseError. Only
// SELECTs run (the fuzzer must not write into its own table), each within small bounds.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "app/FSetQuery.h"
#include "platform/core/StringList.h"
#include "platform/db/DbError.h"
#include "platform/db/DbfFile.h"
#include "platform/db/SqlEngine.h"
#include "platform/db/SqlLexer.h"
#include "support/FuzzFiles.h"

namespace {

// A folder with data.dbf: a few records of every field kind the builder offers.
std::string Folder()
{
    static std::string folder = [] {
        const std::string made = qbtest::FuzzTempFolder("fuzz_SqlQueryFile");
        const std::string path = made + "/data.dbf";
        TDbfFile::Create(path, {{"ID", 'N', 6, 0}, {"NAME", 'C', 10, 0}, {"SIZE", 'N', 6, 2}, {"SEEN", 'D', 8, 0}, {"OK", 'L', 1, 0},
                                {"NOTE", 'M', 10, 0}},
                         4, 1250);
        TDbfFile file(path, false);
        for (int i = 0; i < 5; ++i) {
            std::string record = file.BlankRecord();
            file.SetValue(record.data(), 0, Variant::Float(i));
            file.SetValue(record.data(), 1, Variant::String("n" + std::to_string(i % 3)));
            file.SetValue(record.data(), 2, Variant::Float(i * 1.25));
            if (i % 2) file.SetValue(record.data(), 3, Variant::Date(36000 + i));
            if (i == 1) file.SetValue(record.data(), 5, Variant::String("memo"));
            file.AppendRecord(record.data());
        }
        TSqlLimits limits;
        limits.Seconds = 2;
        limits.MemoryBytes = 64LL << 20;
        limits.ValueBytes = 1 << 20;
        SetSqlLimits(limits);
        return made;
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string file = Folder() + "/query.sql";
    FILE* out = std::fopen(file.c_str(), "wb");
    if (!out) return 0;
    std::fwrite(data, 1, size, out);
    std::fclose(out);
    try {
        TStringList lines;
        lines.LoadFromFile(file);
        std::vector<std::string> memo;
        for (int i = 0; i < lines.Count(); ++i) memo.push_back(lines[i]);
        const TSqlRunText run = SqlRunText(memo);
        std::string sql;
        for (const std::string& line : run.QueryLines) sql += line + "\n";
        TSqlEngine engine(Folder());
        auto statement = engine.Prepare(sql, size % 2 == 0);
        const auto tokens = TokenizeSql(sql);
        if (!run.HasParameters && !tokens.empty() && tokens[0].Is("SELECT"))
            statement->Fetch({});
    } catch (const EDatabaseError&) {
    }
    return 0;
}
