#include "app/AppFormTables.h"

#include "app/DataModules.h"
#include "app/FInfo.h"
#include "app/FItem.h"
#include "app/FSelectCase.h"
#include "app/FSelectDirectory.h"
#include "app/FSelectField.h"
#include "app/FSetQuery.h"
#include "app/FTextInput.h"
#include "platform/ui/FormTable.h"

void RegisterAppFormTables()
{
    RegisterControlTable(DataModuleTable());
    RegisterControlTable(FormInfoTable());
    RegisterControlTable(FormItemTable());
    RegisterControlTable(FormSelectCaseTable());
    RegisterControlTable(FormSelectDirectoryTable());
    RegisterControlTable(FormSelectFieldTable());
    RegisterControlTable(FormSetQueryTable());
    RegisterControlTable(FormTextInputTable());
}
