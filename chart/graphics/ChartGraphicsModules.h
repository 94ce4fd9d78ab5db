#pragma once
// Start-up and shutdown of the chart graphics modules in their fixed order: the text markup
// (its drawer for markup texts), the text table, then the canvas module (default font from the table, digital fonts). The program entry runs
// them after it has made the application object (fonts need it) and before the main window.
void InitializeChartGraphicsModules();
// Reverse order.
void FinalizeChartGraphicsModules();
