#pragma once
// Start-up and shutdown of the chart output modules, after the chart engine's start-up (the
// smooth canvas joins the canvas class list the graphics modules made) and before the main window.
void InitializeChartOutputModules();
// Reverse order.
void FinalizeChartOutputModules();
