#include "stats/StatsFormTables.h"

#include "platform/ui/FormTable.h"
#include "stats/FAddRegression.h"
#include "stats/FBrokenLine.h"

void RegisterStatsFormTables()
{
    RegisterControlTable(FormAddRegressionTable());
    RegisterControlTable(FormBrokenLineTable());
}
