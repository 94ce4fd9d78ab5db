#pragma once
// Start-up of the window side of the chart output modules: long operations of the models
// (database refills) show their cursor on the screen, and the chart toolbar's Print and Save
// reach the print preview and the save dialog through the editor services installed here.
#include <string>

#include "chart/engine/ChartEditorServices.h"

// The services this library gives: the print preview and the save dialog. The chart editor's
// services derive from these to keep them.
class TChartOutputServices : public TChartEditorServices {
public:
    bool CanShowPreview() const override { return true; }
    void ShowPreview(TComponent* owner, TCustomDuvPanel& panel) override;
    bool CanSaveChartAs() const override { return true; }
    std::string SaveChartAs(TCustomChart& chart) override;
    void ShowScreenCursor(int cursor) override;
};

// Installs the output services unless other services are installed already.
void InitializeChartOutputWidgetModules();
void FinalizeChartOutputWidgetModules();
