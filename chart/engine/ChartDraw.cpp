// The chart's own drawing steps: the room the 3D box takes, the walls around the plotting area,
// and the titles and legend before and after the series.
#include "chart/engine/Chart.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "chart/engine/ChartLegend.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/graphics/CanvasHelpers.h"
#include "chart/graphics/DuvPicture.h"
#include "platform/core/ScopeGuard.h"

namespace {

int Rnd(double x) { return static_cast<int>(std::nearbyint(x)); }

// Opens a named canvas group and closes it when the scope ends.
class TCanvasGroup {
public:
    TCanvasGroup(TCanvas3D& canvas, const std::string& name, TDuvTransform* transform = nullptr,
                 void* visual = nullptr)
        : canvas_(canvas)
    {
        canvas_.PushTransform(name, transform, visual);
    }
    ~TCanvasGroup() { canvas_.PopTransform(); }
    TCanvasGroup(const TCanvasGroup&) = delete;
    TCanvasGroup& operator=(const TCanvasGroup&) = delete;

private:
    TCanvas3D& canvas_;
};

// A wall with a visual object hands it the wall's box; the visual draws the wall itself.
void GiveVisualTheBox(TChartWall& wall, const TRect& r, float height, int z0, int z1)
{
    if (!wall.Transform()) wall.SetTransform(std::make_unique<TDuvTransform>());
    SetBoxTransform(*wall.Transform(), r, height, static_cast<float>(z0), static_cast<float>(z1));
}

bool AxisDrawn(const TCustomChart& chart, const TChartAxis* axis) { return chart.AxisVisible() && axis->AxisIsVisible; }

}  // namespace

// ---------------------------------------------------------------- room and sizes

void TCustomChart::AdjustChartRectFor3D()
{
    CalcSize3D();
    if (!ChartRectFixed() && View3D() && View3DOptions().Orthogonal()) {
        const int s = ActiveSeriesUseAxes() ? BackWall()->Size() : 0;
        const int depth = std::abs(DepthWidth);
        if (View3DOptions().OrthoAngle() <= 90) {
            ChartRect.Right -= depth + s;
            const TChartRightWall* right = PeekRightWall();
            if (right && right->Visible()) ChartRect.Right -= right->Size() + 1;
        } else {
            ChartRect.Left += depth + s;
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
    return wall && wall->Visible() ? wall->Size() : 0;
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

namespace {

void DrawTitlesPass(TCustomChart& chart, bool customPositioned)
{
    struct TNamedTitle {
        TChartTitle* title;
        const char* name;
    };
    const TNamedTitle titles[] = {{chart.PeekTitle(), "Title"},
                                  {chart.PeekSubTitle(), "Subtitle"},
                                  {chart.PeekFoot(), "Foot"},
                                  {chart.PeekSubFoot(), "Subfoot"}};
    const auto drawn = [customPositioned](const TNamedTitle& t) {
        return t.title && t.title->HasText() && t.title->CustomPosition() == customPositioned;
    };
    if (std::none_of(std::begin(titles), std::end(titles), drawn)) return;
    TCanvas3D& canvas = chart.Canvas();
    const TCanvasGroup group(canvas, "Titles");
    for (const TNamedTitle& t : titles) {
        if (!drawn(t)) continue;
        const TCanvasGroup object(canvas, t.name, t.title->Transform());
        t.title->PaintTitle();
    }
}

}  // namespace

void TCustomChart::DrawTitlesAndLegend(bool beforeSeries)
{
    TCanvas3D& canvas = Canvas();
    canvas.BeginNoRotation();
    const TScopeGuard rotation([&] { canvas.EndNoRotation(); });
    TChartLegend& legend = *Legend();
    const bool legendPresent = legend.HasContent();
    if (beforeSeries) {
        if (!legendPresent) {
            DrawTitlesPass(*this, false);
        } else if (legend.IsVertical()) {
            // A side legend stands against the chart rectangle before the titles take their rows.
            legend.CalcLegend();
            if (legend.DrawBehind()) legend.PaintLegend();
            DrawTitlesPass(*this, false);
        } else {
            DrawTitlesPass(*this, false);
            legend.CalcLegend();
            if (legend.DrawBehind()) legend.PaintLegend();
        }
        return;
    }
    if (legendPresent && !legend.DrawBehind()) legend.PaintLegend();
    DrawTitlesPass(*this, true);
    if (canvas.SupportsFullRotation() || !View3D() || !ActiveSeriesUseAxes()) return;
    // The faces of the box that turn to the viewer go over the series; DrawWalls drew the others.
    if (!IsSideCulled(ChartRect.Right)) {
        const TChartRightWall* right = PeekRightWall();
        if (right && right->ShouldDraw()) DrawRightWall();
        if (AxisDrawn(*this, RightAxis())) {
            RightAxis()->HideBackGrid = true;
            const TScopeGuard restore([&] { RightAxis()->HideBackGrid = false; });
            RightAxis()->Draw(false);
        }
    }
    if (IsSideCulled(ChartRect.Left)) {
        if (LeftWall()->ShouldDraw()) DrawLeftWall();
        if (AxisDrawn(*this, LeftAxis())) {
            LeftAxis()->HideBackGrid = true;
            const TScopeGuard restore([&] { LeftAxis()->HideBackGrid = false; });
            LeftAxis()->Draw(false);
        }
    }
    if (IsPlaneVisible(DepthWidth)) {
        for (TChartAxis* axis : {TopAxis(), BottomAxis()}) {
            if (!AxisDrawn(*this, axis)) continue;
            axis->HideSideGrid = true;
            const TScopeGuard restore([&] { axis->HideSideGrid = false; });
            axis->DrawGrid();
        }
        if (BackWall()->ShouldDraw()) DrawBackWall();
    }
}

// ---------------------------------------------------------------- walls

void TCustomChart::PrepareWallCanvas(TChartWall* wall)
{
    TCanvas3D& canvas = Canvas();
    canvas.AssignPenColor(wall->Pen(), wall->Pen().Color());
    if (wall->Transparent()) {
        canvas.Brush().SetStyle(bsClear);
        canvas.ApplyBrush(canvas.Brush());
    } else {
        ApplyBrush(wall->Color(), wall->Brush(), wall->Brush().Color());
    }
}

void TCustomChart::DrawWalls()
{
    if (!ActiveSeriesUseAxes()) return;
    TCanvas3D& canvas = Canvas();
    const TCanvasGroup group(canvas, "Walls");
    const bool fullRotation = canvas.SupportsFullRotation();
    const bool walls3D = View3D() && View3DWalls();
    // The faces turned away from the viewer lie behind the series; DrawTitlesAndLegend draws the others.
    const TChartRightWall* right = PeekRightWall();
    if (walls3D && right && right->Visible() && (fullRotation || IsSideCulled(ChartRect.Right))) DrawRightWall();
    if (View3DWalls() && BackWall()->Visible() && (fullRotation || !IsPlaneVisible(DepthWidth))) DrawBackWall();
    if (!walls3D) return;
    if (LeftWall()->Visible() && (fullRotation || !IsSideCulled(ChartRect.Left))) DrawLeftWall();
    if (BottomWall()->Visible()) DrawBottomWall();
    if (fullRotation || !IsPlaneVisible(0)) return;
    // Seen from below, the floor's axes belong under the series too.
    for (TChartAxis* axis : {TopAxis(), BottomAxis()})
        if (AxisDrawn(*this, axis)) axis->Draw(true);
}

void TCustomChart::DrawRightWall()
{
    TChartRightWall* wall = PeekRightWall();
    if (!wall || !wall->Visible() || !ActiveSeriesUseAxes() || !View3D() || !View3DWalls()) return;
    TCanvas3D& canvas = Canvas();
    const TCanvasGroup group(canvas, "Right", wall->Transform());
    PrepareWallCanvas(wall);
    int top = 0, bottom = 0;
    wall->VerticalExtent(top, bottom);
    TDuvBlend* blend = nullptr;
    const bool blending = wall->BeginTransparency(ChartRect.Right, bottom, blend);
    const int x = ChartRect.Right;
    if (wall->Size() < 1) {
        canvas.PlaneAtX(canvas.SupportsFullRotation() ? x + 1 : x, top, bottom, 0, DepthWidth + 1);
    } else {
        const int far = DepthWidth + (BackWall()->Visible() ? BackWall()->Size() : 0);
        canvas.Cube(x, x + wall->Size(), top, bottom, 0, far, wall->UsesDark3D(), 0);
    }
    if (TBackImage* picture = wall->PeekPicture(); picture && picture->HasGraphic())
        canvas.DrawImage3D({0, top, DepthWidth, bottom}, *picture->GetFiltered(), cpX, x);
    if (blending) wall->EndTransparency(blend);
}

void TCustomChart::DrawLeftWall()
{
    if (!View3D() || !View3DWalls()) return;
    TChartLeftWall* wall = LeftWall();
    TCanvas3D& canvas = Canvas();
    int top = 0, bottom = 0;
    wall->VerticalExtent(top, bottom);
    const int x = ChartRect.Left;
    if (wall->Visual) GiveVisualTheBox(*wall, {x - wall->Size(), top, x, bottom}, Height(), 0, DepthWidth);
    const TCanvasGroup group(canvas, "Left", wall->Transform(), wall->Visual);
    PrepareWallCanvas(wall);
    if (wall->Visual) return;
    TDuvBlend* blend = nullptr;
    const bool blending = wall->BeginTransparency(x, bottom, blend);
    if (wall->Size() < 1)
        canvas.PlaneAtX(canvas.SupportsFullRotation() ? x - 1 : x, top, bottom, 0, DepthWidth);
    else
        canvas.Cube(x - wall->Size(), x, top, bottom, 0, DepthWidth, wall->UsesDark3D(), 0);
    if (TBackImage* picture = wall->PeekPicture(); picture && picture->HasGraphic())
        canvas.DrawImage3D({0, top, DepthWidth, bottom}, *picture->GetFiltered(), cpX, x);
    if (blending) wall->EndTransparency(blend);
}

void TCustomChart::DrawBottomWall()
{
    TChartBottomWall* wall = BottomWall();
    TCanvas3D& canvas = Canvas();
    const TCanvasGroup group(canvas, "Bottom", wall->Transform());
    PrepareWallCanvas(wall);
    const bool fullRotation = canvas.SupportsFullRotation();
    const int y = ChartRect.Bottom + (fullRotation ? 1 : 0);
    const int depth = DepthWidth;
    const int nearZ = wall->StartPosition() == 0 ? 0 : Rnd(wall->StartPosition() * depth * 0.01);
    const int farZ = wall->EndPosition() == 100 ? depth : depth - Rnd((100 - wall->EndPosition()) * depth * 0.01);
    int left = ChartRect.Left;
    // A hidden left wall in front leaves its place to the floor.
    if (LeftWall()->Visible() && LeftWall()->AutoHide() && IsSideCulled(ChartRect.Left)) left -= LeftWall()->Size();
    const int right = ChartRect.Right;
    TDuvBlend* blend = nullptr;
    const bool blending = !wall->Transparent() && wall->Transparency() > 0;
    if (blending) {
        TRect area;
        if (!canvas.NativeBlending) {
            TPoint corners[4];
            canvas.Project(left, y, nearZ, corners[0]);
            canvas.Project(left, y, farZ, corners[1]);
            canvas.Project(right, y, farZ, corners[2]);
            canvas.Project(right, y, nearZ, corners[3]);
            area = PolygonBounds(corners, 4);
        }
        blend = canvas.BeginBlending(area, wall->Transparency());
    }
    if (wall->Size() < 1)
        canvas.PlaneAtY(left, y, right, nearZ, farZ);
    else
        canvas.Cube(left, right, y, y + wall->Size(), nearZ, farZ, wall->UsesDark3D(), 0);
    if (TBackImage* picture = wall->PeekPicture(); picture && picture->HasGraphic())
        canvas.DrawImage3D({left, nearZ, right, farZ}, *picture->GetFiltered(), cpY, y);
    if (blending) wall->EndTransparency(blend);
}

void TCustomChart::DrawBackWall()
{
    TChartBackWall* wall = BackWall();
    TCanvas3D& canvas = Canvas();
    const bool fullRotation = canvas.SupportsFullRotation();
    const int depth = DepthWidth;
    const bool rounded = wall->ShapeStyle() == fosRoundRectangle;
    int top = 0, bottom = 0;
    wall->VerticalExtent(top, bottom);
    TRect r{ChartRect.Left, top, ChartRect.Right, bottom};
    // A thick back wall reaches behind the left wall.
    if (wall->Size() > 0 && (wall->Visual || (View3D() && View3DWalls()))) r.Left -= GetAxisWallSize(LeftAxis());
    if (wall->Visual) GiveVisualTheBox(*wall, r, Height(), depth, depth + wall->Size());
    const TCanvasGroup group(canvas, "Back", wall->Transform(), wall->Visual);
    PrepareWallCanvas(wall);
    TDuvBlend* blend = nullptr;
    const bool body = !wall->Visual && (!View3D() || View3DWalls());
    if (body) {
        if (!View3D()) {
            ++r.Right;
            if (wall->EndPosition() == 100) ++r.Bottom;
        }
        if (wall->Transparency() > 0) {
            TRect area;
            if (!canvas.NativeBlending) canvas.ProjectedBounds(r, depth, area);
            blend = canvas.BeginBlending(area, wall->Transparency());
        }
        for (TDuvShadow* shadow : {static_cast<TDuvShadow*>(wall->PeekShadow()), static_cast<TDuvShadow*>(wall->PeekEmboss())}) {
            if (!shadow || !shadow->Visible()) continue;
            const int corner = rounded ? wall->RoundSize() : 0;
            if (View3D() && !View3DOptions().Orthogonal()) {
                TPoint corners[4];
                canvas.ProjectRectCorners(r, depth, corners);
                shadow->DrawPolygon(canvas, TPointArray(corners, corners + 4), 3);
            } else if (View3D()) {
                TRect projected;
                canvas.ProjectRect(r, depth, projected);
                shadow->DrawRect(canvas, projected, 0, corner);
            } else {
                shadow->DrawRect(canvas, r, 0, corner);
            }
        }
        // The shadows leave their own colours on the canvas.
        PrepareWallCanvas(wall);
        if (!View3D()) {
            if (fullRotation) canvas.RectangleWithZ(r, 1);
            else if (rounded) canvas.RoundRect(r.Left, r.Top, r.Right, r.Bottom, wall->RoundSize(), wall->RoundSize());
            else canvas.Rectangle(r.Left, r.Top, r.Right, r.Bottom);
        } else if (wall->Size() < 1) {
            const int z = depth + (fullRotation ? 1 : 0);
            if (rounded) canvas.RoundRectWithZ(r, wall->RoundSize(), wall->RoundSize(), z);
            else canvas.RectangleWithZ(r, z);
        } else {
            const int farZ = depth < 0 ? depth - wall->Size() : depth + wall->Size();
            canvas.Cube(r.Left, r.Right, r.Top, r.Bottom, depth, farZ, wall->UsesDark3D(), rounded ? wall->RoundSize() : 0);
        }
    }
    if (TBackImage* picture = wall->PeekPicture(); picture && picture->HasGraphic()) {
        picture->Draw(*this, r, depth);
    } else if (BackImageInside()) {
        TRect inside = r;
        if (wall->Pen().Visible()) {
            ++inside.Left;
            ++inside.Top;
        }
        DrawBackImage(inside, depth);
    }
    if (blend) wall->EndTransparency(blend);
}
