#pragma once
// Start-up and shutdown of the chart engine's modules, after the chart graphics modules' start-up
// (the panel needs the canvas class list) and before the main window.
void InitializeChartEngineModules();
// Reverse order.
void FinalizeChartEngineModules();
