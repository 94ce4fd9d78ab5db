// What the chart does with the mouse, the wheel, keys and drag-and-drop: the hit test and the
// click events, the zoom rectangle, panning, wheel zoom and scroll, the saved axis scales and the
// zoom history. Tools (then animations) hear every event first, by the road RuRazaziLists.h
// describes, and may answer CancelChart to keep the chart from its own handling.
//
// What always holds: SavedScales holds the axis settings from before the first zoom, pan or
// wheel scroll exactly while ScalesNotSaved is false; the zoom history holds zoomed states only.
#include <cmath>
#include <algorithm>
#include <cstdlib>

#include "chart/engine/Chart.h"
#include "chart/engine/ChartLegend.h"
#include "chart/engine/RuRazazi.h"
#include "chart/engine/RuRazaziAxis.h"
#include "chart/engine/RuRazaziLists.h"
#include "chart/engine/RuRazaziSelect.h"
#include "platform/core/NumText.h"
#include "platform/core/ScopeGuard.h"

namespace {

constexpr int kWheelStep = 120;

bool Inside(const TRect& r, int x, int y) { return x >= r.Left && x <= r.Right && y >= r.Top && y <= r.Bottom; }

int RoundInt(double value) { return static_cast<int>(Rnd(value)); }

bool HoldsAll(TShiftState shift, TShiftState wanted) { return (shift.Mask() & wanted.Mask()) == wanted.Mask(); }

// Calls a handler of the chart's own click events with the event's answer preset; true when the
// handler's answer takes the click. The road's answer so far comes back afterwards.
template <class Call>
bool AskClickHandler(TDuvMouseEvent& event, TEventReply preset, Call&& call)
{
    const TEventReply road = event.Reply;
    event.Reply = preset;
    call();
    const bool handled = event.Taken();
    event.Reply = road;
    return handled;
}

// Minimum and maximum straight into the axis (no range check): the order that never crosses.
void StoreMinMax(TChartAxis& axis, double minimum, double maximum)
{
    if (minimum > axis.Maximum()) {
        axis.SetMaximum(maximum);
        axis.SetMinimum(minimum);
    } else {
        axis.SetMinimum(minimum);
        axis.SetMaximum(maximum);
    }
}

// The range, and the axis' current range and conversions at once: the next mouse move may come
// before the next drawing and must start from where this one left the axis.
void SetAxisRange(TChartAxis& axis, double minimum, double maximum)
{
    axis.SetRange(minimum, maximum);
    axis.UpdateInternalRange();
}

}  // namespace

// ---------------------------------------------------------------- hit test

void TCustomChart::FindClickedPart(const TPoint& p, bool onlyClickable, TChartHitResult& part)
{
    part = {};
    TChartLegend* legend = Legend();
    auto legendItem = [&] {
        const int index = legend->ItemAtPoint(p);
        if (index == -1) return false;
        part.Part = cpLegend;
        part.PointIndex = index;
        return true;
    };
    if (legend->Visible() && legend->CustomPosition() && legendItem()) return;

    for (int i = SeriesList().Count() - 1; i >= 0; --i) {
        TCustomChartSeries* series = SeriesList().GetSeries(i);
        if (!series->Active()) continue;
        if (onlyClickable && !series->HasClickHandlers() && !OnClickSeries) continue;
        if (series->MarksVisible()) {
            const int mark = series->MarkIndexAtPoint(p);
            if (mark != -1) {
                part = {cpSeriesMarks, mark, series, nullptr};
                return;
            }
        }
        const int index = series->PointIndexAtPoint(p);
        if (index == -1) continue;
        part = {cpSeries, index, series, nullptr};
        for (int n = 0; n < series->GetPointCount(); ++n)
            if (series->IsPointHitAt(n, p.X, p.Y)) {
                part.Part = cpSeriesPointer;
                part.PointIndex = n;
                break;
            }
        return;
    }

    for (TChartAxis* axis : AxesList()) {
        if (axis->HitTest(p.X, p.Y)) {
            part.Part = cpAxis;
            part.AAxis = axis;
            return;
        }
        if (TChartAxisTitle* title = axis->PeekTitle(); title && title->HitTest(p.X, p.Y)) {
            part.Part = cpAxisTitle;
            part.AAxis = axis;
            return;
        }
    }

    if (legend->Visible() && !legend->CustomPosition() && legendItem()) return;

    const std::pair<TChartTitle*, TChartClickedPartStyle> titles[] = {
        {Title(), cpTitle}, {SubTitle(), cpSubTitle}, {Foot(), cpFoot}, {SubFoot(), cpSubFoot}};
    for (const auto& [title, style] : titles)
        if (title->Clicked(p)) {
            part.Part = style;
            return;
        }

    if (Inside(ChartRect, p.X, p.Y) && CountActiveSeries() > 0) part.Part = cpChartRect;
}

TChartHitResult TCustomChart::LocateChartPart(const TPoint& p)
{
    TChartHitResult part;
    FindClickedPart(p, false, part);
    return part;
}

// ---------------------------------------------------------------- tool broadcasts

TEventReply TCustomChart::BroadcastMouseEvent(TMouseEventKind kind, TMouseButton button, TShiftState shift, int x,
                                              int y)
{
    TDuvMouseEvent* current = CurrentMouseEvent();
    const bool taken = current && current->Taken();
    const bool toolsHold = Tools()->DragHolder() != nullptr;
    const bool animationsHold = Animations()->DragHolder() != nullptr;
    const TEventReply reply = Tools()->BroadcastMouseEvent(kind, button, shift, x, y, taken || animationsHold);
    const TEventReply later = Animations()->BroadcastMouseEvent(kind, button, shift, x, y,
                                                                taken || toolsHold || reply != TEventReply::PassOn);
    return reply != TEventReply::PassOn ? reply : later;
}

TEventReply TCustomChart::BroadcastMouseWheel(TWheelEventKind kind, int delta, int x, int y)
{
    return Tools()->BroadcastMouseWheel(kind, delta, x, y);
}

TEventReply TCustomChart::BroadcastKeyEvent(TKeyEventKind kind, int& key, TShiftState shift, char& keyChar)
{
    return Tools()->BroadcastKeyEvent(kind, key, shift, keyChar);
}

void TCustomChart::BroadcastDragEvent(TDragEventKind kind, TObject* source, bool& accept, int x, int y)
{
    Tools()->BroadcastDragEvent(kind, source, accept, x, y);
}

void TCustomChart::RouteMouse(TDuvMouseEvent& event)
{
    TCustomAxisPanel::RouteMouse(event);
    switch (event.Event) {
    case TMouseEventKind::Down: ChartMouseDown(event); break;
    case TMouseEventKind::Move: ChartMouseMove(event); break;
    case TMouseEventKind::Up: ChartMouseUp(event); break;
    }
}

// ---------------------------------------------------------------- mouse down

bool TCustomChart::ClickBackground(TDuvMouseEvent& event)
{
    if (!OnClickBackground) return false;
    return AskClickHandler(event, TEventReply::Handled,
                           [&] { OnClickBackground(this, event.Button, event.Shift, event.X, event.Y); });
}

bool TCustomChart::ClickTitle(TChartTitle* title, TDuvMouseEvent& event)
{
    if (!OnClickTitle) return false;
    return AskClickHandler(event, TEventReply::Handled,
                           [&] { OnClickTitle(this, title, event.Button, event.Shift, event.X, event.Y); });
}

TChartTitle* TCustomChart::TitleOfPart(TChartClickedPartStyle part)
{
    switch (part) {
    case cpTitle: return Title();
    case cpSubTitle: return SubTitle();
    case cpFoot: return Foot();
    case cpSubFoot: return SubFoot();
    default: return nullptr;
    }
}

bool TCustomChart::ClickPart(const TChartHitResult& part, TDuvMouseEvent& event)
{
    const TMouseButton button = event.Button;
    const TShiftState shift = event.Shift;
    const int x = event.X, y = event.Y;
    bool handled = false;
    switch (part.Part) {
    case cpLegend:
        handled = Legend()->ClickItem(part.PointIndex);
        if (OnClickLegend)
            handled = AskClickHandler(event, TEventReply::Handled, [&] { OnClickLegend(this, button, shift, x, y); });
        return handled;
    case cpAxis:
        if (OnClickAxis)
            handled = AskClickHandler(event, TEventReply::Handled,
                                      [&] { OnClickAxis(this, part.AAxis, button, shift, x, y); });
        break;
    case cpSeries:
    case cpSeriesPointer:
        // The series' own handlers let the click go on unless they take it.
        handled = AskClickHandler(event, TEventReply::PassOn, [&] {
            part.ASeries->FireClick(part.PointIndex, button, shift, x, y, part.Part == cpSeriesPointer);
        });
        if (OnClickSeries)
            handled = AskClickHandler(event, TEventReply::Handled, [&] {
                OnClickSeries(this, part.ASeries, part.PointIndex, button, shift, x, y);
            });
        break;
    case cpTitle:
    case cpSubTitle:
    case cpFoot:
    case cpSubFoot: handled = ClickTitle(TitleOfPart(part.Part), event); break;
    case cpChartRect: return ClickBackground(event);
    default: return false;
    }
    if (!handled) StartZoomOrPan(button, shift, x, y);
    return handled;
}

void TCustomChart::ChartMouseDown(TDuvMouseEvent& event)
{
    if (Zoom().Active || Panning().Active) return;
    if (!event.Taken())
        event.Reply = BroadcastMouseEvent(TMouseEventKind::Down, event.Button, event.Shift, event.X, event.Y);
    if (event.Reply == TEventReply::CancelChart) return;
    TChartHitResult part;
    FindClickedPart({event.X, event.Y}, true, part);
    const bool handled = ClickPart(part, event);
    if (part.Part == cpChartRect) {
        if (!handled) StartZoomOrPan(event.Button, event.Shift, event.X, event.Y);
        // The press on the chart rectangle has asked the background handler already: once is enough.
        return;
    }
    if (!handled) ClickBackground(event);
}

void TCustomChart::StartZoomOrPan(TMouseButton button, TShiftState shift, int x, int y)
{
    if (!ActiveSeriesCanZoom()) return;
    TDuvZoom& zoom = Zoom();
    bool started = false;
    if (zoom.Allow && button == zoom.MouseButton && HoldsAll(shift, zoom.KeyShift)) {
        if (zoom.Direction == tzdVertical) x = ChartRect.Left;
        else if (zoom.Direction == tzdHorizontal) y = ChartRect.Top;
        zoom.Activate(x, y);
        if (zoom.Direction == tzdVertical) zoom.X1 = ChartRect.Right;
        else if (zoom.Direction == tzdHorizontal) zoom.Y1 = ChartRect.Bottom;
        if (zoom.X0 != zoom.X1 || zoom.Y0 != zoom.Y1) RefreshZoomFrame();
        started = true;
    }
    if (AllowPanning() != pmNone && button == ScrollMouseButton()) {
        // The window keeps the mouse while a button is down, so the drag may leave it.
        Panning().Activate(x, y);
        started = true;
    }
    if (started) SetCursor(SavedCursor);
}

// ---------------------------------------------------------------- mouse move

void TCustomChart::RefreshZoomFrame()
{
    if (Canvas().GetHandle()) RedrawZoomRect();
    else if (!Zoom().FullRepaint && BeginDirectDraw()) {
        RedrawZoomRect();
        EndDirectDraw(true);
    } else {
        // The picture of the last paint is gone or stale: the repaint draws the frame.
        Invalidate();
    }
}

void TCustomChart::ShowZoomFrame()
{
    if (Zoom().FullRepaint || !Canvas().GetHandle()) Invalidate();
    else DrawZoomRect();
}

void TCustomChart::MoveZoomCorner(int x, int y)
{
    TDuvZoom& zoom = Zoom();
    if (zoom.Direction == tzdVertical) x = ChartRect.Right;
    else if (zoom.Direction == tzdHorizontal) y = ChartRect.Bottom;
    if (x == zoom.X1 && y == zoom.Y1) return;
    // The old frame is inverted away and the new one inverted in, both on the last picture.
    const bool direct = !Canvas().GetHandle() && !zoom.FullRepaint && BeginDirectDraw();
    const TScopeGuard shown([this, direct] {
        if (direct) EndDirectDraw(true);
    });
    // A frame of no size was never drawn: nothing to take away.
    if (Canvas().GetHandle() && (zoom.X0 != zoom.X1 || zoom.Y0 != zoom.Y1)) RedrawZoomRect();
    if (zoom.KeepAspectRatio) {
        const double r = ChartRect.Top == ChartRect.Bottom
                             ? 1.0
                             : static_cast<double>(ChartRect.Right - ChartRect.Left) / (ChartRect.Bottom - ChartRect.Top);
        const double q = y == zoom.Y0 ? 1.0 : std::fabs(static_cast<double>(x - zoom.X0)) / std::fabs(static_cast<double>(y - zoom.Y0));
        if (q >= r) {
            const int dy = RoundInt((x - zoom.X0) / r);
            zoom.Y1 = dy + zoom.Y0;
            zoom.X1 = RoundInt(dy * r) + zoom.X0;
        } else {
            const int dx = RoundInt(r * (y - zoom.Y0));
            zoom.X1 = dx + zoom.X0;
            zoom.Y1 = RoundInt(dx / r) + zoom.Y0;
        }
    } else {
        zoom.X1 = x;
        zoom.Y1 = y;
    }
    ShowZoomFrame();
}

void TCustomChart::HoverAndCursor(int x, int y)
{
    TChartLegend* legend = Legend();
    const TCursor cursor = legend->MouseCursor();
    // A hidden legend keeps the bounds of its last drawing: nothing of it lies under the mouse.
    int item = legend->Visible() ? legend->ItemAtPoint({x, y}) : -1;
    if (item != -1) {
        if (cursor != crDefault) SetCursor(cursor);
    } else {
        const bool claimed = HoverSeries(x, y);
        if (!(HoverAxisLabels(x, y) || claimed)) SetCursor(SavedCursor);
    }
    if (!Hover() || !Hover()->Visible()) return;
    if (legend->ResolvedStyle() == lsValues) {
        TCustomChartSeries* series = legend->LegendSeries();
        TDuvSelected* selected = series ? series->GetSelected() : nullptr;
        if (!series) item = -1;
        else if (selected && item == -1) item = selected->HoverIndex();
        else if (selected) selected->SetHoverItem(item);
    } else if (item == -1) {
        for (int i = SeriesList().Count() - 1; i >= 0; --i) {
            TCustomChartSeries* series = SeriesList().GetSeries(i);
            TDuvSelected* selected = series->Active() ? series->GetSelected() : nullptr;
            if (selected && selected->HoverIndex() != -1) {
                item = i;
                break;
            }
        }
    }
    legend->GetSelected()->SetHoverItem(item);
}

void TCustomChart::ChartMouseMove(TDuvMouseEvent& event)
{
    const TEventReply reply = BroadcastMouseEvent(TMouseEventKind::Move, event.Button, event.Shift, event.X, event.Y);
    if (!event.Taken()) event.Reply = reply;
    if (event.Reply == TEventReply::CancelChart) return;
    const int x = event.X, y = event.Y;
    if (Zoom().Active) {
        MoveZoomCorner(x, y);
        return;
    }
    TDuvPanning& panning = Panning();
    if (!panning.Active) {
        HoverAndCursor(x, y);
        return;
    }
    if (panning.InsideBounds && !Inside(ChartRect, x, y)) {
        panning.Active = false;
        return;
    }
    if (x == panning.X1 && y == panning.Y1) return;
    SaveScalesOnce();
    panned_ = false;
    PanDirection(true, x, panning.X1);
    PanDirection(false, y, panning.Y1);
    panning.X1 = x;
    panning.Y1 = y;
    if (panned_) {
        if (OnScroll) OnScroll(this);
        Invalidate();
    }
}

// ---------------------------------------------------------------- panning

void TCustomChart::PanDirection(bool horizontal, int current, int previous)
{
    if (current == previous) return;
    const TPanningMode mode = AllowPanning();
    if (!(mode == pmBoth || (horizontal && mode == pmHorizontal) || (!horizontal && mode == pmVertical))) return;
    for (TChartAxis* axis : AxesList())
        if (!axis->IsDepthAxis && axis->Horizontal() == horizontal && PanAxis(axis, previous, current)) panned_ = true;
}

bool TCustomChart::PanAxis(TChartAxis* axis, int from, int to)
{
    const double m = axis->MinimumOffset() != 0 ? axis->Minimum() : axis->CurMinimum;
    const double big = axis->MaximumOffset() != 0 ? axis->Maximum() : axis->CurMaximum;
    double minimum, maximum;
    if (axis->Logarithmic()) {
        // Each end moves by the pixels of the drag on the log scale, so the range never inverts.
        const int d = to - from;
        minimum = m + (m - axis->CalcPosPoint(axis->CalcPosValue(m) + d));
        maximum = big + (big - axis->CalcPosPoint(axis->CalcPosValue(big) + d));
        if (minimum > maximum) {
            minimum = m;
            maximum = big;
        }
    } else {
        const double delta = axis->CalcPosPoint(from) - axis->CalcPosPoint(to);
        minimum = m + delta;
        maximum = big + delta;
    }
    bool allow = true;
    if (OnAllowScroll) OnAllowScroll(axis, minimum, maximum, allow);
    if (!allow) return false;
    SetAxisRange(*axis, minimum, maximum);
    return true;
}

// ---------------------------------------------------------------- mouse up

void TCustomChart::ChartMouseUp(TDuvMouseEvent& event)
{
    const TMouseButton button = event.Button;
    const TEventReply reply = BroadcastMouseEvent(TMouseEventKind::Up, button, event.Shift, event.X, event.Y);
    if (!event.Taken()) event.Reply = reply;
    // The chart's own drag ends with its button whatever the answers; only applying it is theirs.
    const bool apply = event.Reply != TEventReply::CancelChart;
    TDuvZoom& zoom = Zoom();
    if (zoom.Active && button == zoom.MouseButton) {
        zoom.Active = false;
        RefreshZoomFrame();
        Canvas().Pen().SetMode(pmCopy);
        if (!zoom.KeepAspectRatio) {
            if (zoom.Direction != tzdVertical) zoom.X1 = event.X;
            if (zoom.Direction != tzdHorizontal) zoom.Y1 = event.Y;
        }
        const bool wide = zoom.Direction == tzdVertical || std::abs(zoom.X1 - zoom.X0) > zoom.MinimumPixels;
        const bool tall = zoom.Direction == tzdHorizontal || std::abs(zoom.Y1 - zoom.Y0) > zoom.MinimumPixels;
        if (apply && wide && tall) {
            const bool forward = zoom.UpLeftZooms || (zoom.Direction == tzdVertical ? zoom.Y0 < zoom.Y1 : zoom.X0 < zoom.X1);
            if (forward) ApplyZoomRect();
            else UndoZoom();
            Invalidate();
        }
    }
    Panning().Active = false;
}

// ---------------------------------------------------------------- zoom

void TCustomChart::ApplyZoomRect()
{
    TDuvZoom& zoom = Zoom();
    zoom.Check();
    TCustomChartSeries* zoomer = nullptr;
    for (int i = SeriesList().Count() - 1; i >= 0 && !zoomer; --i) {
        TCustomChartSeries* series = SeriesList().GetSeries(i);
        if (series->Active() && series->CanZoomAxes()) zoomer = series;
    }
    double v[8];  // right, left, bottom, top: minimum and maximum each
    if (zoomer && zoomer->ZoomsByOwnValues) {
        v[0] = v[2] = zoomer->ScreenToYValue(zoom.Y0);
        v[1] = v[3] = zoomer->ScreenToYValue(zoom.Y1);
        v[4] = v[6] = zoomer->ScreenToXValue(zoom.X0);
        v[5] = v[7] = zoomer->ScreenToXValue(zoom.X1);
    } else {
        TChartAxis* axes[] = {RightAxis(), LeftAxis(), BottomAxis(), TopAxis()};
        for (int a = 0; a < 4; ++a) {
            const bool vertical = a < 2;
            v[2 * a] = axes[a]->CalcPosPoint(vertical ? zoom.Y0 : zoom.X0);
            v[2 * a + 1] = axes[a]->CalcPosPoint(vertical ? zoom.Y1 : zoom.X1);
        }
    }
    ZoomToValues(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
    if (zoom.History()) AddZoomSnapshot();
}

void TCustomChart::SaveScalesOnce()
{
    if (!ScalesNotSaved) return;
    SaveAxisScales(SavedScales);
    ScalesNotSaved = false;
}

void TCustomChart::ZoomToValues(double rightMin, double rightMax, double leftMin, double leftMax, double bottomMin,
                                double bottomMax, double topMin, double topMax)
{
    SaveScalesOnce();
    const double targets[8] = {rightMin, rightMax, leftMin, leftMax, bottomMin, bottomMax, topMin, topMax};
    if (Zoom().Animated) AnimatedZoomSteps(targets);
    const TDuvZoomDirection direction = Zoom().Direction;
    if (direction != tzdHorizontal) {
        SetAxisRange(*RightAxis(), rightMin, rightMax);
        SetAxisRange(*LeftAxis(), leftMin, leftMax);
    }
    if (direction != tzdVertical) {
        SetAxisRange(*BottomAxis(), bottomMin, bottomMax);
        SetAxisRange(*TopAxis(), topMin, topMax);
    }
    Zoomed = true;
    if (OnZoom) OnZoom(this);
}

void TCustomChart::AnimatedZoomSteps(const double* targets)
{
    constexpr double kFactor = 3.0;
    TChartAxis* axes[] = {RightAxis(), LeftAxis(), BottomAxis(), TopAxis()};
    const TDuvZoomDirection direction = Zoom().Direction;
    for (int step = 1; step < Zoom().AnimatedSteps; ++step) {
        for (int a = 0; a < 4; ++a) {
            const bool vertical = a < 2;
            if ((vertical && direction == tzdHorizontal) || (!vertical && direction == tzdVertical)) continue;
            TChartAxis* axis = axes[a];
            const double minimum = axis->Minimum() + (targets[2 * a] - axis->Minimum()) / kFactor;
            const double maximum = axis->Maximum() + (targets[2 * a + 1] - axis->Maximum()) / kFactor;
            axis->SetRange(minimum, maximum);
        }
        Invalidate();
    }
}

void TCustomChart::ZoomByPercent(double percent)
{
    TChartAxis* axes[] = {RightAxis(), LeftAxis(), BottomAxis(), TopAxis()};
    const TDuvZoomDirection direction = Zoom().Direction;
    double v[8];
    for (int a = 0; a < 4; ++a) {
        TChartAxis* axis = axes[a];
        const bool vertical = a < 2;
        double lo = axis->CalcPosPoint(axis->PixelStart), hi = axis->CalcPosPoint(axis->PixelEnd);
        if (vertical) std::swap(lo, hi);
        const bool covered = vertical ? direction != tzdHorizontal : direction != tzdVertical;
        const double c = covered ? (hi - lo) * (percent - 100) * 0.01 : 0;
        v[2 * a] = lo + c;
        v[2 * a + 1] = hi - c;
    }
    ZoomToValues(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
    Invalidate();
}

void TCustomChart::UndoZoom()
{
    TDuvZoom& zoom = Zoom();
    TZoomSnapshots* history = zoom.History() ? &zoom.ZoomHistory() : nullptr;
    if (history && history->Count() > 1) {
        RestorePreviousSnapshot();
        DropLastZoomSnapshot();
    } else {
        if (history && history->Count() == 1) DropLastZoomSnapshot();
        if (!ScalesNotSaved) {
            RestoreAxisScales(SavedScales);
            ScalesNotSaved = true;
        }
    }
    Zoomed = false;
    TCustomAxisPanel::UndoZoom();
}

void TCustomChart::AddZoomSnapshot()
{
    TZoomSnapshot* snapshot = Zoom().ZoomHistory().Add();
    TChartAxis* axes[] = {LeftAxis(), TopAxis(), RightAxis(), BottomAxis()};
    for (int a = 0; a < 4; ++a) {
        snapshot->AxisRanges[static_cast<std::size_t>(2 * a)] = axes[a]->Minimum();
        snapshot->AxisRanges[static_cast<std::size_t>(2 * a + 1)] = axes[a]->Maximum();
    }
    const int custom = CustomAxes() ? CustomAxes()->Count() : 0;
    snapshot->CustomAxisCount = custom;
    for (int c = 0; c < custom; ++c) {
        const TChartAxis* axis = CustomAxes()->GetAxis(c);
        snapshot->CustomAxisRanges.push_back({axis->Minimum(), axis->Maximum()});
    }
}

void TCustomChart::RestorePreviousSnapshot()
{
    TZoomSnapshots& history = Zoom().ZoomHistory();
    const TZoomSnapshot* snapshot = history.Get(history.Count() - 2);
    TChartAxis* axes[] = {LeftAxis(), TopAxis(), RightAxis(), BottomAxis()};
    for (int a = 0; a < 4; ++a)
        axes[a]->SetRange(snapshot->AxisRanges[static_cast<std::size_t>(2 * a)],
                          snapshot->AxisRanges[static_cast<std::size_t>(2 * a + 1)]);
}

void TCustomChart::DropLastZoomSnapshot()
{
    TZoomSnapshots& history = Zoom().ZoomHistory();
    if (history.Count() > 0) history.Delete(history.Count() - 1);
}

void TCustomChart::SaveAxisScales(TAllAxisSavedScales& scales) const
{
    scales.clear();
    for (const TChartAxis* axis : AxesList())
        scales.push_back({axis->Automatic(), axis->AutomaticMinimum(), axis->AutomaticMaximum(), axis->Minimum(),
                          axis->Maximum()});
}

void TCustomChart::RestoreAxisScales(TAllAxisSavedScales& scales)
{
    const int count = std::min(AxesList().Count(), static_cast<int>(scales.size()));
    for (int a = 0; a < count; ++a) {
        TChartAxis* axis = AxesList().GetAxis(a);
        if (axis->IsDepthAxis) continue;
        const TAxisSavedScales& saved = scales[static_cast<std::size_t>(a)];
        axis->SetAutomatic(saved.Automatic);
        axis->SetAutomaticMinimum(saved.AutomaticMinimum);
        axis->SetAutomaticMaximum(saved.AutomaticMaximum);
        StoreMinMax(*axis, saved.Minimum, saved.Maximum);
    }
    scales.clear();
}

// ---------------------------------------------------------------- wheel

bool TCustomChart::WheelPans() const
{
    return Panning().MouseWheel != pmwNone && Zoom().MouseWheel == pmwNone &&
           (AllowPanning() == pmBoth || AllowPanning() == pmVertical);
}

bool TCustomChart::MouseWheel(TShiftState shift, int delta, int x, int y)
{
    if (!TCustomAxisPanel::MouseWheel(shift, delta, x, y)) {
        wheelRest_ += delta;
        while (std::abs(wheelRest_) >= kWheelStep) {
            if (wheelRest_ < 0) {
                wheelRest_ += kWheelStep;
                HandleMouseWheelDown(x, y);
            } else {
                wheelRest_ -= kWheelStep;
                HandleMouseWheelUp(x, y);
            }
        }
    }
    BroadcastMouseWheel(TWheelEventKind::Turn, delta, x, y);
    return true;
}

void TCustomChart::HandleWheelStep(int step, int x, int y)
{
    bool up = step > 0;
    if (BroadcastMouseWheel(up ? TWheelEventKind::StepUp : TWheelEventKind::StepDown, step, x, y) ==
        TEventReply::CancelChart)
        return;
    if (WheelPans()) {
        ScrollVerticalAxesByWheel(up != (Panning().MouseWheel == pmwInverted));
    } else if (Zoom().Allow && Zoom().MouseWheel != pmwNone) {
        if (Zoom().MouseWheel == pmwInverted) up = !up;
        ZoomByPercent(up ? 110 : 90);
    } else if (ZoomWheel() != pmwNone && (View3D() || Canvas().SupportsFullRotation())) {
        if (ZoomWheel() == pmwInverted) up = !up;
        View3DOptions().SetZoom(View3DOptions().Zoom() * (up ? 1.1 : 0.9));
    }
}

void TCustomChart::ScrollVerticalAxesByWheel(bool up)
{
    SaveScalesOnce();
    for (TChartAxis* axis : AxesList()) {
        if (axis->Horizontal() || axis->IsDepthAxis) continue;
        double delta = (axis->Maximum() - axis->Minimum()) * 3 * 0.01;
        if (!up) delta = -delta;
        double minimum = axis->Minimum() + delta, maximum = axis->Maximum() + delta;
        bool allow = true;
        if (OnAllowScroll) OnAllowScroll(axis, minimum, maximum, allow);
        if (!allow) continue;
        // The limits the handler gives hold, as they do when dragging.
        if (minimum == axis->Minimum() + delta && maximum == axis->Maximum() + delta) axis->ScrollBy(delta, false);
        else axis->SetRange(minimum, maximum);
        axis->UpdateInternalRange();
    }
    Invalidate();
}

// ---------------------------------------------------------------- keys and drag

void TCustomChart::KeyDown(int& key, TShiftState shift)
{
    TCustomAxisPanel::KeyDown(key, shift);
    char none = 0;
    BroadcastKeyEvent(TKeyEventKind::Down, key, shift, none);
}

void TCustomChart::KeyUp(int& key, TShiftState shift)
{
    TCustomAxisPanel::KeyUp(key, shift);
    char none = 0;
    BroadcastKeyEvent(TKeyEventKind::Up, key, shift, none);
}

void TCustomChart::KeyPress(char& key)
{
    TCustomAxisPanel::KeyPress(key);
    int code = 0;
    BroadcastKeyEvent(TKeyEventKind::Press, code, {}, key);
}

void TCustomChart::HandleDragOver(TObject* source, int x, int y, bool& accept)
{
    BroadcastDragEvent(TDragEventKind::DragOver, source, accept, x, y);
}

void TCustomChart::HandleDragDrop(TObject* source, int x, int y)
{
    bool accept = true;
    BroadcastDragEvent(TDragEventKind::Drop, source, accept, x, y);
}

void TCustomChart::HandleStartDrag()
{
    bool accept = true;
    BroadcastDragEvent(TDragEventKind::StartDrag, nullptr, accept, 0, 0);
}

void TCustomChart::HandleEndDrag(TObject* target, int x, int y)
{
    bool accept = true;
    BroadcastDragEvent(TDragEventKind::EndDrag, target, accept, x, y);
}
