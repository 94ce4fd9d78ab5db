#include "chart/engine/Chart.h"
#include "chart/engine/ChartLegend.h"

void TCustomChart::AdjustChartRectFor3D()
{
    CalcSize3D();
    NormalizeChartRect();
}

int TCustomChart::GetAxisWallSize(const TChartAxis*) { return 0; }

void TCustomChart::DrawTitlesAndLegend(bool) {}

void TCustomChart::DrawWalls() {}
void TCustomChart::DrawRightWall() {}
void TCustomChart::DrawLeftWall() {}
void TCustomChart::DrawBackWall() {}
void TCustomChart::DrawBottomWall() {}
void TCustomChart::PrepareWallCanvas(TChartWall*) {}
bool TCustomChart::IsSideCulled(int) { return false; }
