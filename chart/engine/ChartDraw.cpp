#include <algorithm>
#include <cstdlib>

#include "chart/engine/Chart.h"
#include "chart/engine/ChartLegend.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/graphics/DuvBrush.h"
#include "platform/core/ScopeGuard.h"

namespace {

// A named canvas group around one part of the drawing.
class TCanvasGroup {
public:
    TCanvasGroup(TCanvas3D& canvas, const std::string& name) : canvas_(canvas) { canvas_.PushTransform(name, nullptr, nullptr); }
    ~TCanvasGroup() { canvas_.PopTransform(); }
    TCanvasGroup(const TCanvasGroup&) = delete;
    TCanvasGroup& operator=(const TCanvasGroup&) = delete;

private:
    TCanvas3D& canvas_;
};

}  // namespace

// ---------------------------------------------------------------- 3D room and wall sizes

void TCustomChart::AdjustChartRectFor3D()
{
    CalcSize3D();
    if (!ChartRectFixed() && View3D() && View3DOptions().Orthogonal()) {
        const int s = ActiveSeriesUseAxes() ? BackWall()->Size() : 0;
        if (View3DOptions().OrthoAngle() <= 90) {
            ChartRect.Right -= std::abs(DepthWidth) + s;
            if (PeekRightWall() && PeekRightWall()->Visible()) ChartRect.Right -= PeekRightWall()->Size() + 1;
        } else {
            ChartRect.Left += std::abs(DepthWidth) + s;
            if (LeftWall()->Visible()) ChartRect.Left += LeftWall()->Size() + 1;
        }
        ChartRect.Top += s + std::abs(DepthHeight);
    }
    NormalizeChartRect();
}

int TCustomChart::GetAxisWallSize(const TChartAxis* axis)
{
    if (!View3D() || !View3DWalls()) return 0;
    const TChartWall* wall = BackWall();
    if (axis == LeftAxis()) wall = LeftWall();
    else if (axis == BottomAxis()) wall = BottomWall();
    else if (axis == RightAxis()) wall = PeekRightWall();
    if (!wall) return 0;
    return wall->Visible() ? wall->Size() : 0;
}

bool TCustomChart::IsSideCulled(int x)
{
    TCanvas3D& canvas = Canvas();
    if (canvas.SupportsFullRotation()) return true;
    const int bottom = ChartRect.Bottom + GetAxisWallSize(BottomAxis());
    TPoint p0, p1, p2;
    canvas.Project(x, ChartRect.Top, 0, p0);
    canvas.Project(x, bottom, 0, p1);
    canvas.Project(x, bottom, BackWall()->Size() + DepthWidth, p2);
    return IsBackFace(p0, p1, p2);
}

// ---------------------------------------------------------------- titles and legend

void TCustomChart::DrawTitlesAndLegend(bool beforeSeries)
{
    TCanvas3D& canvas = Canvas();
    canvas.SwitchRotationOff();
    TChartLegend* legend = Legend();
    const bool legendShown = legend->HasContent();
    auto titlesPass = [&](bool custom) {
        struct Entry {
            TChartTitle* title;
            const char* name;
        };
        const Entry entries[] = {{PeekTitle(), "Title"}, {PeekSubTitle(), "Subtitle"}, {PeekFoot(), "Foot"}, {PeekSubFoot(), "Subfoot"}};
        bool any = false;
        for (const Entry& e : entries) any = any || (e.title && e.title->HasText() && e.title->CustomPosition() == custom);
        if (!any) return;
        TCanvasGroup titles(canvas, "Titles");
        for (const Entry& e : entries) {
            if (!e.title || !e.title->HasText() || e.title->CustomPosition() != custom) continue;
            TCanvasGroup one(canvas, e.name);
            e.title->PaintTitle();
        }
    };
    if (beforeSeries) {
        if (!legendShown) {
            titlesPass(false);
        } else if (legend->IsVertical()) {
            legend->CalcLegend();
            if (legend->DrawBehind()) legend->PaintLegend();
            titlesPass(false);
        } else {
            titlesPass(false);
            legend->CalcLegend();
            if (legend->DrawBehind()) legend->PaintLegend();
        }
        return;
    }
    if (legendShown && !legend->DrawBehind()) legend->PaintLegend();
    titlesPass(true);
    if (canvas.SupportsFullRotation() || !View3D() || !ActiveSeriesUseAxes()) return;
    // The sides of the box that face the viewer cover the series, with their axes over them.
    auto redrawSide = [&canvas](TChartAxis* axis) {
        if (!axis->AxisIsVisible) return;
        TCanvasGroup group(canvas, "Axes");
        const bool hidden = axis->HideBackGrid;
        axis->HideBackGrid = true;
        const TScopeGuard restore([&] { axis->HideBackGrid = hidden; });
        axis->Draw(false);
    };
    if (!IsSideCulled(ChartRect.Right)) {
        if (PeekRightWall() && PeekRightWall()->ShouldDraw()) DrawRightWall();
        redrawSide(RightAxis());
    }
    if (IsSideCulled(ChartRect.Left)) {
        if (LeftWall()->ShouldDraw()) DrawLeftWall();
        redrawSide(LeftAxis());
    }
    if (IsPlaneVisible(DepthWidth)) {
        for (TChartAxis* axis : {TopAxis(), BottomAxis()}) {
            if (!axis->AxisIsVisible) continue;
            TCanvasGroup group(canvas, "Axes");
            const bool hidden = axis->HideSideGrid;
            axis->HideSideGrid = true;
            const TScopeGuard restore([&] { axis->HideSideGrid = hidden; });
            axis->DrawGrid();
        }
        if (BackWall()->ShouldDraw()) DrawBackWall();
    }
}

// ---------------------------------------------------------------- walls

void TCustomChart::PrepareWallCanvas(TChartWall* wall)
{
    TCanvas3D& canvas = Canvas();
    canvas.AssignPen(wall->Pen());
    if (wall->Transparent()) {
        canvas.Brush().SetStyle(bsClear);
        canvas.ApplyBrush(canvas.Brush());
    } else {
        canvas.AssignBrushColor(wall->Brush(), wall->Color(), wall->Brush().BackColor());
    }
}

void TCustomChart::DrawWalls()
{
    if (!ActiveSeriesUseAxes()) return;
    TCanvas3D& canvas = Canvas();
    TCanvasGroup walls(canvas, "Walls");
    const bool full = canvas.SupportsFullRotation();
    if (View3D() && View3DWalls() && PeekRightWall() && PeekRightWall()->Visible() &&
        (full || IsSideCulled(ChartRect.Right)))
        DrawRightWall();
    if (View3DWalls() && BackWall()->Visible() && (full || !IsPlaneVisible(DepthWidth))) DrawBackWall();
    else if (!View3D() && BackWall()->Visible()) DrawBackWall();  // the framed background of a flat chart
    if (!View3D() || !View3DWalls()) return;
    if (LeftWall()->Visible() && (full || !IsSideCulled(ChartRect.Left))) DrawLeftWall();
    if (BottomWall()->Visible()) DrawBottomWall();
    // The axes on the floor and the ceiling lie behind the series here; the axes step skips them.
    if (!full && IsPlaneVisible(0)) {
        for (TChartAxis* axis : {TopAxis(), BottomAxis()})
            if (axis->AxisIsVisible) axis->Draw(true);
    }
}

void TCustomChart::DrawRightWall()
{
    TChartRightWall* wall = PeekRightWall();
    if (!wall || !wall->Visible() || !ActiveSeriesUseAxes() || !View3D() || !View3DWalls()) return;
    TCanvas3D& canvas = Canvas();
    TCanvasGroup group(canvas, "Right");
    PrepareWallCanvas(wall);
    int top = 0, bottom = 0;
    wall->VerticalExtent(top, bottom);
    TDuvBlend* blend = nullptr;
    const bool blended = wall->BeginTransparency(ChartRect.Right, bottom, blend);
    const bool full = canvas.SupportsFullRotation();
    if (wall->Size() < 1) {
        canvas.PlaneAtX(ChartRect.Right + (full ? 1 : 0), top, bottom, 0, DepthWidth + 1);
    } else {
        const int back = BackWall()->Visible() ? BackWall()->Size() : 0;
        canvas.Cube(ChartRect.Right, ChartRect.Right + wall->Size(), top, bottom, 0, DepthWidth + back, wall->UsesDark3D(), 0);
    }
    if (blended) wall->EndTransparency(blend);
}

void TCustomChart::DrawLeftWall()
{
    if (!View3D() || !View3DWalls()) return;
    TChartLeftWall* wall = LeftWall();
    TCanvas3D& canvas = Canvas();
    TCanvasGroup group(canvas, "Left");
    PrepareWallCanvas(wall);
    int top = 0, bottom = 0;
    wall->VerticalExtent(top, bottom);
    TDuvBlend* blend = nullptr;
    const bool blended = wall->BeginTransparency(ChartRect.Left, bottom, blend);
    if (wall->Size() < 1)
        canvas.PlaneAtX(ChartRect.Left - (canvas.SupportsFullRotation() ? 1 : 0), top, bottom, 0, DepthWidth);
    else
        canvas.Cube(ChartRect.Left - wall->Size(), ChartRect.Left, top, bottom, 0, DepthWidth, wall->UsesDark3D(), 0);
    if (blended) wall->EndTransparency(blend);
}

void TCustomChart::DrawBottomWall()
{
    TChartBottomWall* wall = BottomWall();
    TCanvas3D& canvas = Canvas();
    TCanvasGroup group(canvas, "Bottom");
    PrepareWallCanvas(wall);
    const int y = ChartRect.Bottom + (canvas.SupportsFullRotation() ? 1 : 0);
    const int depth = DepthWidth;
    const int nearZ = wall->StartPosition() == 0 ? 0 : static_cast<int>(std::nearbyint(wall->StartPosition() * depth * 0.01));
    const int farZ = wall->EndPosition() == 100 ? depth : depth - static_cast<int>(std::nearbyint((100 - wall->EndPosition()) * depth * 0.01));
    int left = ChartRect.Left;
    if (LeftWall()->Visible() && LeftWall()->AutoHide() && IsSideCulled(ChartRect.Left)) left -= LeftWall()->Size();
    TDuvBlend* blend = nullptr;
    if (!wall->Transparent() && wall->Transparency() > 0) {
        TRect box;
        canvas.ProjectedBounds({left, y, ChartRect.Right, y}, farZ, box);
        blend = canvas.BeginBlending(box, wall->Transparency());
    }
    if (wall->Size() < 1) canvas.PlaneAtY(left, y, ChartRect.Right, nearZ, farZ);
    else canvas.Cube(left, ChartRect.Right, y, y + wall->Size(), nearZ, farZ, wall->UsesDark3D(), 0);
    if (blend) canvas.EndBlending(blend);
}

void TCustomChart::DrawBackWall()
{
    TChartBackWall* wall = BackWall();
    TCanvas3D& canvas = Canvas();
    TCanvasGroup group(canvas, "Back");
    PrepareWallCanvas(wall);
    int top = 0, bottom = 0;
    wall->VerticalExtent(top, bottom);
    TRect r{ChartRect.Left, top, ChartRect.Right, bottom};
    const bool full = canvas.SupportsFullRotation();
    const int depth = DepthWidth;
    TDuvBlend* blend = nullptr;
    auto startBlend = [&] {
        if (wall->Transparent() || wall->Transparency() <= 0) return;
        TRect box;
        canvas.ProjectedBounds(r, depth, box);
        blend = canvas.BeginBlending(box, wall->Transparency());
    };
    const bool rounded = wall->ShapeStyle() == fosRoundRectangle;
    if (!View3D()) {
        r.Right += 1;
        if (wall->EndPosition() == 100) r.Bottom += 1;
        startBlend();
        if (full) canvas.RectangleWithZ(r, 1);
        else if (rounded) canvas.RoundRect(r.Left, r.Top, r.Right, r.Bottom, wall->RoundSize(), wall->RoundSize());
        else canvas.Rectangle(r.Left, r.Top, r.Right, r.Bottom);
    } else if (View3DWalls()) {
        if (wall->Size() > 0) r.Left -= GetAxisWallSize(LeftAxis());
        startBlend();
        canvas.AssignPen(wall->Pen());
        if (wall->Size() < 1) {
            if (rounded) canvas.RectangleWithZRounded(r, depth + (full ? 1 : 0), wall->RoundSize());
            else canvas.RectangleWithZ(r, depth + (full ? 1 : 0));
        } else {
            const int far = depth < 0 ? depth - wall->Size() : depth + wall->Size();
            canvas.Cube(r.Left, r.Right, r.Top, r.Bottom, depth, far, wall->UsesDark3D(), rounded ? wall->RoundSize() : 0);
        }
    }
    // The wall's own picture, else the chart's back image when it belongs inside the walls.
    if (TBackImage* picture = wall->PeekPicture(); picture && picture->HasGraphic()) {
        picture->Draw(*this, r, depth);
    } else if (PeekBackImage() && PeekBackImage()->HasGraphic() && BackImageInside()) {
        TRect inside = r;
        if (wall->Pen().Visible()) {
            ++inside.Left;
            ++inside.Top;
        }
        PeekBackImage()->Draw(*this, inside, depth);
    }
    if (blend) canvas.EndBlending(blend);
}
