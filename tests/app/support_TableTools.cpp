#include "support_TableTools.h"

namespace tabletest {

std::vector<TDbfField> SurveyFields()
{
    return {{"ID", 'N', 6, 0}, {"NAME", 'C', 12, 0}, {"SIZE", 'N', 8, 2}, {"SEEN", 'D', 8, 0}, {"CODE", 'C', 6, 0}};
}

void TableToolTest::MakeTable(const std::vector<TDbfField>& fields, const std::vector<Row>& rows)
{
    table_.Close();
    TDbfFile::Create(path_, fields, 4, 1250);
    table_.SetTableName(path_);
    table_.Open();
    for (const Row& row : rows) {
        table_.Append();
        for (size_t i = 0; i < row.size(); ++i)
            if (!row[i].empty()) table_.Fields().Fields(int(i)).SetAsString(row[i]);
        table_.Post();
    }
    table_.First();
}

}  // namespace tabletest
