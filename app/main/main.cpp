#include "app/FMain.h"
#include "app/UORUCommon.h"
#include "platform/ui/Application.h"
#include "platform/ui/QtUiServices.h"

namespace {
// Module start-up, lowest modules first.
void InitializeModules()
{
    InitDotDecimalHooks();
    CommonDirectory.clear();
}
}  // namespace

int main(int argc, char** argv)
{
    InitializeModules();
    TApplication application(argc, argv);
    application.SetTitle("Quellbrook");
    TQtUiServices uiServices;
    TScopedUiServices uiScope(uiServices);
    TFormMain mainForm;
    application.SetMainForm(&mainForm);
    mainForm.show();
    return TApplication::exec();  // ends when the main window closes
}
