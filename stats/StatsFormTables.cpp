#include "stats/StatsFormTables.h"

#include "platform/ui/FormTable.h"
#include "stats/FAddRegression.h"
#include "stats/FBrokenLine.h"
#include "stats/FChartProp.h"

void RegisterStatsFormTables()
{
    RegisterControlTable(FormAddRegressionTable());
    RegisterControlTable(FormBrokenLineTable());
    RegisterControlTable(FormChartPropTable());
}
