#pragma once
// Start-up of the window side of the chart output modules: long operations of the models
// (database refills) show their cursor on the screen.
void InitializeChartOutputWidgetModules();
void FinalizeChartOutputWidgetModules();
