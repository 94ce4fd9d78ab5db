#pragma once
// The published part of the chart's property table, for TChart and for the charts published
// beside it.
#include "chart/engine/Chart.h"
#include "chart/engine/ChartLegend.h"

template <class T>
void TChart::DeclarePublished(TPropertyDeclarer<T>& p)
{
    using C = TCustomChart;
    p.Object("BackWall", &C::BackWall, &C::SetBackWall);
    p.Object("BottomWall", &C::BottomWall, &C::SetBottomWall);
    p.Object("Foot", &C::Foot, &C::SetFoot).Peek(&C::PeekFoot);
    p.Object("Frame", &C::Frame, &C::SetFrame);
    p.Object("LeftWall", &C::LeftWall, &C::SetLeftWall);
    p.Object("Legend", &C::Legend, &C::SetLegend);
    p.Object("RightWall", &C::RightWall, &C::SetRightWall).Peek(&C::PeekRightWall);
    p.Object("SubFoot", &C::SubFoot, &C::SetSubFoot).Peek(&C::PeekSubFoot);
    p.Object("SubTitle", &C::SubTitle, &C::SetSubTitle).Peek(&C::PeekSubTitle);
    p.Object("Title", &C::Title, &C::SetTitle).Peek(&C::PeekTitle);
    p.Event("OnAllowScroll", &C::OnAllowScroll);
    p.Event("OnClickAxis", &C::OnClickAxis);
    p.Event("OnClickBackground", &C::OnClickBackground);
    p.Event("OnClickLegend", &C::OnClickLegend);
    p.Event("OnClickSeries", &C::OnClickSeries);
    p.Event("OnClickTitle", &C::OnClickTitle);
    p.Event("OnGetLegendPos", &C::OnGetLegendPos);
    p.Event("OnGetLegendRect", &C::OnGetLegendRect);
    p.Event("OnGetLegendText", &C::OnGetLegendText);
}
