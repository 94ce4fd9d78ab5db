#include "chart/editor/ChartEditorModules.h"

void InitializeChartEditorModules() {}

void FinalizeChartEditorModules() {}
