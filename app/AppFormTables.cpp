#include "app/AppFormTables.h"

#include "app/FSelectDirectory.h"
#include "platform/ui/FormTable.h"

void RegisterAppFormTables()
{
    RegisterControlTable(FormSelectDirectoryTable());
}
