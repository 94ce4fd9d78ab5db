#pragma once
// Start-up of the series modules, after the chart engine's start-up (the series stand on its
// classes) and before the main window.
void InitializeChartSeriesModules();
void FinalizeChartSeriesModules();
