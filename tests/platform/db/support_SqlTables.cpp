#include "support_SqlTables.h"

#include "platform/core/DateTime.h"
#include "platform/db/DbfFile.h"
#include "platform/db/Table.h"
#include "support_DbTools.h"

namespace dbtest {

namespace {

struct SurveyRow {
    int id;
    const char* name;
    double age;  // < 0: blank
    int born[3];  // year 0: blank
    int smoker;   // -1: blank
    const char* town;
    const char* note;
};

const SurveyRow kSurvey[] = {
    {1, "Karel", 30.5, {1990, 1, 15}, 1, "Brno", "likes tea"},
    {2, "karla", 25, {1995, 6, 1}, 0, "Praha", nullptr},
    {3, "Kamil", -1, {1980, 12, 31}, 0, "Brno", "x"},
    {4, "Eva", 41, {0, 0, 0}, 1, "Praha", nullptr},
    {5, "Zdena", 25, {2001, 3, 3}, -1, nullptr, nullptr},
    {6, "O'Neil", 60, {1961, 7, 20}, 0, "Brno", nullptr},
};

}  // namespace

std::string MakeSurveyTable(const std::string& folder)
{
    const std::string path = folder + "/data.dbf";
    TDbfFile::Create(path,
                     {{"ID", 'N', 6, 0}, {"NAME", 'C', 20, 0}, {"AGE", 'N', 5, 1}, {"BORN", 'D', 8, 0},
                      {"SMOKER", 'L', 1, 0}, {"TOWN", 'C', 10, 0}, {"NOTE", 'M', 10, 0}},
                     4, 1250);
    TTable table;
    table.SetTableName(path);
    table.Open();
    for (const SurveyRow& row : kSurvey) {
        table.Append();
        table.FieldByName("ID").SetAsInteger(row.id);
        table.FieldByName("NAME").SetAsString(row.name);
        if (row.age >= 0) table.FieldByName("AGE").SetAsFloat(row.age);
        if (row.born[0]) table.FieldByName("BORN").SetAsDateTime(EncodeDate(row.born[0], row.born[1], row.born[2]));
        if (row.smoker >= 0) table.FieldByName("SMOKER").SetAsBoolean(row.smoker == 1);
        if (row.town) table.FieldByName("TOWN").SetAsString(row.town);
        if (row.note) table.FieldByName("NOTE").SetAsString(row.note);
        table.Post();
    }
    return path;
}

std::vector<std::string> RowTexts(TDataSet& dataSet)
{
    std::vector<std::string> rows;
    for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) {
        std::string row;
        for (int f = 0; f < dataSet.FieldCount(); ++f) {
            const TField& field = dataSet.Fields().Fields(f);
            row += (f ? "|" : "") + (field.IsNull() ? std::string("NULL") : field.AsString());
        }
        rows.push_back(row);
    }
    return rows;
}

std::vector<std::string> DbfReadRows(const std::string& path)
{
    return Lines(RunPython(R"(
import sys, dbfread
# dbfread reads a dBase IV memo 8 bytes too long (the block's zero padding): cut the zeros.
def text(v): return v.rstrip('\0') if isinstance(v, str) else str(v)
for record in dbfread.DBF(sys.argv[1], encoding='cp1250'):
    print('|'.join(text(v) for v in record.values()))
)",
                           {path}));
}

}  // namespace dbtest
