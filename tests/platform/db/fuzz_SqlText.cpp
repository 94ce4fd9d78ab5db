// Feeds arbitrary text to the local SQL engine as a saved query would: preparing it (which opens
// the tables it names) and running it when it is a SELECT must either work or raise
// EDatabaseError. Only SELECTs run, so the fuzzer never writes into its own table.
#include <unistd.h>

#include <cstdint>
#include <string>

#include "platform/db/DbError.h"
#include "platform/db/DbfFile.h"
#include "platform/db/SqlEngine.h"
#include "platform/db/SqlLexer.h"
#include "support/FuzzFiles.h"

namespace {

// A folder with t.dbf: a few records of every field kind.
std::string Folder()
{
    static std::string folder = [] {
        const std::string made = qbtest::FuzzTempFolder("fuzz_SqlText");
        const std::string path = made + "/t.dbf";
        TDbfFile::Create(path, {{"ID", 'N', 6, 0}, {"NAME", 'C', 10, 0}, {"AGE", 'N', 5, 1}, {"BORN", 'D', 8, 0}, {"OK", 'L', 1, 0}, {"NOTE", 'M', 10, 0}},
                         4, 1250);
        TDbfFile file(path, false);
        for (int i = 0; i < 5; ++i) {
            std::string record = file.BlankRecord();
            file.SetValue(record.data(), 0, Variant::Float(i));
            file.SetValue(record.data(), 1, Variant::String("n" + std::to_string(i % 3)));
            if (i % 2) file.SetValue(record.data(), 3, Variant::Date(36000 + i));
            if (i == 1) file.SetValue(record.data(), 5, Variant::String("memo"));
            file.AppendRecord(record.data());
        }
        return made;
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string sql(reinterpret_cast<const char*>(data), size);
    try {
        TSqlEngine engine(Folder());
        auto statement = engine.Prepare(sql, size % 2 == 0);
        const auto tokens = TokenizeSql(sql);
        if (!tokens.empty() && tokens[0].Is("SELECT")) statement->Fetch({{"p", Variant::Integer(1)}});
    } catch (const EDatabaseError&) {
    }
    return 0;
}
