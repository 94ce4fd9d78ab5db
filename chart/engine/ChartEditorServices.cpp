#include "chart/engine/ChartEditorServices.h"

namespace {

TChartEditorServices& NoServices()
{
    static TChartEditorServices none;
    return none;
}

TChartEditorServices* installed = nullptr;

}  // namespace

TChartEditorServices& ChartEditorServices() { return installed ? *installed : NoServices(); }

TChartEditorServices* InstallChartEditorServices(TChartEditorServices* services)
{
    TChartEditorServices* previous = installed;
    installed = services == &NoServices() ? nullptr : services;
    return previous;
}
