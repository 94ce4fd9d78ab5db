#include "stats/StatsFormTables.h"

#include "platform/ui/FormTable.h"
#include "stats/FAddRegression.h"

void RegisterStatsFormTables()
{
    RegisterControlTable(FormAddRegressionTable());
}
