#include "stats/StatsFormTables.h"

#include "platform/ui/FormTable.h"

void RegisterStatsFormTables()
{
}
