// Feeds arbitrary bytes as a .dbf (and, after a "COND" marker, a condition text) to the
// frequency graph's counting: its two queries over the table's first two fields either run or
// raise the engine's error, and the bars they give hold every counted record once.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/FFieldGraph.h"
#include "app/FSetQuery.h"
#include "platform/db/Database.h"
#include "platform/db/Query.h"
#include "platform/db/SqlEngine.h"
#include "support/FuzzFiles.h"

namespace {

const std::string& TempFolder()
{
    static const std::string& folder = []() -> const std::string& {
        TSqlLimits limits;
        limits.Seconds = 2;
        limits.MemoryBytes = 64LL << 20;
        limits.ValueBytes = 1 << 20;
        SetSqlLimits(limits);
        return qbtest::FuzzTempFolder("fuzz_FieldGraph");
    }();
    return folder;
}

TDatabase& Database()
{
    static TDatabase& database = *[] {
        auto* made = new TDatabase;  // lives as long as the program
        made->SetDatabaseName("fuzzgraph");
        made->LoginPrompt = false;
        made->Params.Add("PATH=" + TempFolder());
        return made;
    }();
    return database;
}

std::vector<TFrequencyRow> Run(const std::string& sql, bool categorized)
{
    TQuery query;
    query.SetDatabaseName(Database().DatabaseName());
    query.SQL().SetText(sql);
    query.Open();
    return ReadFrequencyRows(query, categorized);
}

void Count(const std::string& table, const std::string& condition)
{
    TQuery fields;
    fields.SetDatabaseName(Database().DatabaseName());
    fields.SQL().SetText("select * from " + FromClause(table));
    fields.Open();
    if (fields.FieldCount() < 2) return;
    const std::string field = fields.Fields().Fields(0).FieldName();
    const std::string category = fields.Fields().Fields(1).FieldName();
    fields.Close();

    const std::vector<TFrequencyRow> counted =
        Run(CountQuerySql(field, table, FieldGraphWhere(field, "", true, condition)), false);
    const TFrequencyBars bars = FrequencyBars(counted, true);
    if (bars.Bars.size() != 1 || bars.Bars[0].size() != counted.size()) std::abort();

    const std::vector<TFrequencyRow> rows =
        Run(CategorizedQuerySql(category, field, table, FieldGraphWhere(field, category, false, condition)), true);
    double total = 0;
    for (const TFrequencyRow& row : rows) total += row.Count;
    const TFrequencyBars split = CategorizedFrequencyBars(rows);
    if (split.Categories.size() != split.Bars.size()) std::abort();
    double shown = 0;
    for (const std::vector<TFrequencyBar>& series : split.Bars) {
        if (series.size() != split.Values.size()) std::abort();
        for (std::size_t i = 0; i < series.size(); ++i) {
            if (series[i].Position != int(i)) std::abort();
            shown += series[i].Height;
        }
    }
    if (shown != total) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find("COND");
    qbtest::WriteFuzzFile(TempFolder() + "/t.dbf", input.substr(0, split));
    const std::string condition(split == std::string_view::npos ? std::string_view() : input.substr(split + 4));
    try {
        Count(TempFolder() + "/t.dbf", condition);
    } catch (const Exception&) {
    }
    return 0;
}
