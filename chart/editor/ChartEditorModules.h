#pragma once
// Start-up and shutdown of the chart editor library. The program starts it after the output
// widget modules and before any later chart library, because those register their series,
// functions and tools with texts and editor forms this library provides; it stops in reverse.
// Each unit of the library that needs a start-up adds its call here, in the order they depend on
// each other.

void InitializeChartEditorModules();
void FinalizeChartEditorModules();
