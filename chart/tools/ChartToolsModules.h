#pragma once
// Start-up and shutdown of the chart tools library (tools and animations). The program starts it
// after the chart editor modules, whose texts and editor forms the tools register with, and before
// the extended series; it stops in reverse. Each unit that needs a start-up adds its call here.

void InitializeChartToolsModules();
void FinalizeChartToolsModules();
