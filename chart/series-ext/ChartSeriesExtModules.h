#pragma once
// Start-up and shutdown of the extended series library. The program starts it after the editor
// and tools modules, whose texts the series register their gallery entries with, and stops it in
// reverse. Each unit adds its call here in unit order, guarded by its own start-up counter.

void InitializeChartSeriesExtModules();
void FinalizeChartSeriesExtModules();
