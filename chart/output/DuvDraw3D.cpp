#include "chart/output/DuvDraw3D.h"

#include "platform/core/ScopeGuard.h"

void TDraw3D::DeclareProperties(TPropertyDeclarer<TDraw3D>& p) { p.Event("OnPaint", &TDraw3D::OnPaint); }

void TDraw3D::DoPaint(const TRect& rect)
{
    if (OnPaint) OnPaint(this, rect);
}

void TDraw3D::DrawContents(const TRect& rect)
{
    // What the event changes on the panel must not paint it again.
    const bool repaint = AutoRepaint;
    AutoRepaint = false;
    const TScopeGuard back([&] { AutoRepaint = repaint; });
    TCanvas3D& canvas = Canvas();
    const bool projects = canvas.SupportsFullRotation();
    if (!projects) DrawPanelBackground(rect);
    NormalizeChartRect();
    DepthWidth = DepthHeight = 100;
    canvas.SetProjection(100, PanelBounds, ChartRect);
    if (projects) {
        ChartRect = rect;
        DrawPanelBackground(rect);
    }
    canvas.ResetState();
    DoPaint(rect);
    if (Zoom().Active) DrawZoomRect();
    canvas.ResetState();
    if (OnAfterDraw) OnAfterDraw(this);
}
