#include "chart/editor/ChartEditorModules.h"

#include "chart/editor/DuvGalleryPanel.h"

void InitializeChartEditorModules() { DuvGalleryPanelInitialization(); }

void FinalizeChartEditorModules() {}
