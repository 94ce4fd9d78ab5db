// Drawing a series' marks: measuring, placing off earlier marks, callouts and symbols.
//
// While marks are drawn the chart does not repaint itself: texts, fonts and shadow settings of
// the mark formats change for each mark and must not ask for another paint.
#include <algorithm>

#include "chart/engine/RuRazaziSelect.h"
#include "chart/series/RuRazaziCallout.h"
#include "chart/series/RuRazaziSeries.h"
#include "platform/core/ScopeGuard.h"

namespace {

// Touching edges do not overlap.
bool Overlaps(const TRect& a, const TRect& b)
{
    return std::max(a.Left, b.Left) < std::min(a.Right, b.Right) && std::max(a.Top, b.Top) < std::min(a.Bottom, b.Bottom);
}

int EveryNth(int drawEvery) { return std::max(1, drawEvery); }

}  // namespace

// ---------------------------------------------------------------- marks

TRepaintHold::TRepaintHold(TCustomDuvPanel* panel) : panel_(panel)
{
    if (!panel_) return;
    saved_ = panel_->AutoRepaint;
    panel_->AutoRepaint = false;
}

TRepaintHold::~TRepaintHold()
{
    if (panel_) panel_->AutoRepaint = saved_;
}

void TSeriesMarks::PlaceAt(TSeriesMarkPosition& position, int x, int y)
{
    position.ArrowTo = {x, y};
    position.ArrowFrom = {x, y};
    position.LeftTop = {x - position.Width / 2, y - position.Height + 1};
    if (symbol_) symbol_->MoveBoundsTo(position.LeftTop.X + 2, position.LeftTop.Y + 2);
}

TPoint TSeriesMarks::ScreenLeftTop(const TSeriesMarkPosition& position) const
{
    TCustomDuvPanel* panel = Parent();
    if (!panel || !panel->View3D() || panel->Canvas().ProjectsText()) return position.LeftTop;
    TPoint end;
    panel->Canvas().Project(position.ArrowTo.X, position.ArrowTo.Y, MarksZ, end);
    return {end.X + position.LeftTop.X - position.ArrowTo.X, end.Y + position.LeftTop.Y - position.ArrowTo.Y};
}

// The box covers what is drawn of the mark: its frame, and its shadow and emboss on the side
// they are thrown to.
TRect TSeriesMarks::OverlapRect(int index, const TSeriesMarkPosition& position)
{
    TRect r = position.GetBounds();
    TCustomTextShape* format = FormatFor(index);
    if (!format->Transparent()) {
        if (format->Pen().Visible()) {
            r.Right += format->Pen().Width();
            r.Bottom += format->Pen().Width();
        }
        if (const TDuvShadow* shadow = format->PeekShadow(); shadow && shadow->Visible()) {
            (shadow->HorizSize() > 0 ? r.Right : r.Left) += shadow->HorizSize();
            (shadow->VertSize() > 0 ? r.Bottom : r.Top) += shadow->VertSize();
        }
        if (const TDuvEmboss* emboss = PeekEmboss(); emboss && emboss->Visible()) {
            (emboss->HorizSize() > 0 ? r.Left : r.Right) -= emboss->HorizSize();
            (emboss->VertSize() > 0 ? r.Top : r.Bottom) -= emboss->VertSize();
        }
    }
    const TPoint screen = ScreenLeftTop(position);
    const int dx = screen.X - position.LeftTop.X, dy = screen.Y - position.LeftTop.Y;
    return {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
}

bool TSeriesMarks::AvoidOverlap(int first, int index, TSeriesMarkPosition& position)
{
    if (first >= index) return true;
    auto* series = dynamic_cast<TChartSeries*>(series_);
    if (!series) return true;
    TRect box = OverlapRect(index, position);
    for (int i = index - 1; i >= first; --i) {
        const TSeriesMarkPosition* earlier = positions_.PositionAt(i);
        if (!earlier) continue;
        const TRect other = earlier->GetBounds();
        if (!Overlaps(box, other)) continue;
        TPoint shift;
        series->CalcMarkShift(index, box, other, shift);
        position.MoveBy(shift);
        // Only the edges facing away move: a box that still overlaps has no room here.
        box.Left += shift.X;
        box.Top += shift.Y;
        if (Overlaps(box, other)) return false;
    }
    return true;
}

void TSeriesMarks::StorePosition(int index, TSeriesMarkPosition& position)
{
    TSeriesMarkPosition* stored = positions_.PositionAt(index);
    if (!stored || !stored->Custom) {
        positions_.StorePosition(index, position);
        positions_.PositionAt(index)->Custom = false;
        return;
    }
    const TPoint onPoint = position.ArrowFrom;
    const bool keepOnPoint = stored->ArrowFix || position.ArrowFix;
    position = *stored;
    if (keepOnPoint) position.ArrowFrom = onPoint;
    position.Custom = false;
}

void TSeriesMarks::ForgetComputedPositions()
{
    for (int i = 0; i < positions_.Count(); ++i)
        if (const TSeriesMarkPosition* p = positions_.PositionAt(i); p && !p->Custom) positions_.DropEntry(i);
}

void TSeriesMarks::DrawMark(int index, TColor color, TSeriesMarkPosition& position)
{
    StorePosition(index, position);
    DrawMarkShape(*FormatFor(index), color, position);
}

void TSeriesMarks::DrawMarkShape(TCustomTextShape& shape, TColor color, TSeriesMarkPosition& position)
{
    TCustomDuvPanel* panel = Parent();
    if (!panel) return;
    TCanvas3D& canvas = panel->Canvas();
    if (callout_ && (callout_->Visible() || callout_->Arrow().Visible())) {
        TDuvBlend* blend = nullptr;
        if (callout_->Transparency() > 0) {
            const TRect span = canvas.NativeBlending
                                   ? TRect{}
                                   : TRect{std::min(position.ArrowTo.X, position.ArrowFrom.X),
                                           std::min(position.ArrowTo.Y, position.ArrowFrom.Y),
                                           std::max(position.ArrowTo.X, position.ArrowFrom.X),
                                           std::max(position.ArrowTo.Y, position.ArrowFrom.Y)};
            blend = canvas.BeginBlending(span, callout_->Transparency());
        }
        const TScopeGuard endBlend([&] {
            if (blend) canvas.EndBlending(blend);
        });
        callout_->DrawCallout(panel, color, position.HasMidPoint, MarksZ, position.ArrowTo, position.MidPoint,
                              position.ArrowFrom);
    }
    position.LeftTop = ScreenLeftTop(position);
    if (position.Custom) {
        const TRect outer = panel->GetPanelRect();
        position.LeftTop = {position.LeftTop.X + outer.Left, position.LeftTop.Y + outer.Top};
    }
    const TRect box = position.GetBounds();
    if (TDuvShadow* shadow = shape.PeekShadow()) shadow->SetClip(clip_);
    if (TDuvEmboss* emboss = shape.PeekEmboss()) emboss->SetClip(clip_);
    const TColor fontColor = shape.Font()->Color();
    if (fontSeriesColor_) shape.Font()->SetColor(color);
    const TScopeGuard restoreFont([&] {
        if (fontSeriesColor_) shape.Font()->SetColor(fontColor);
    });
    const int angle = Angle() % 360;
    shape.Bounds = box;
    shape.DrawInPanel(panel, box, MarksZ, angle);
    if (symbol_ && symbol_->ShouldDraw()) {
        symbol_->Brush().SetColor(color);
        symbol_->SetColor(color);
        symbol_->SetTransparent(false);
        const int h = canvas.TextHeight("W");
        const int d = (shape.Pen().Visible() ? shape.Pen().Width() / 2 : 0) +
                      (symbol_->Pen().Visible() ? symbol_->Pen().Width() / 2 : 0);
        symbol_->Bounds = {box.Left + d + 4, box.Top + d + 3, box.Left + 2 * d + h - 1, box.Top + 2 * d + h - 2};
        symbol_->DrawInPanel(panel, symbol_->Bounds, MarksZ, angle);
    }
}

int TSeriesMarks::MarkIndexAt(int x, int y)
{
    const int every = EveryNth(drawEvery_);
    for (int i = positions_.Count() - 1; i >= 0; --i) {
        if (i % every != 0) continue;
        const TSeriesMarkPosition* p = positions_.PositionAt(i);
        if (!p) continue;
        const TPoint lt = ScreenLeftTop(*p);
        if (ContainsPoint({x, y}, {lt.X, lt.Y, lt.X + p->Width, lt.Y + p->Height})) return i;
    }
    return -1;
}

void TSeriesMarks::ResetPositions()
{
    for (int i = 0; i < positions_.Count(); ++i)
        if (TSeriesMarkPosition* p = positions_.PositionAt(i)) p->Custom = false;
    RepaintSeries();
}

int TSeriesMarks::TextWidth(int index)
{
    TCustomDuvPanel* panel = Parent();
    if (!panel || !series_) return 0;
    TCanvas3D& canvas = panel->Canvas();
    canvas.AssignFont(*FormatFor(index)->Font());
    const std::string text = series_->MarkTextOf(index);
    int widest = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\r', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        std::erase(line, '\n');
        widest = std::max(widest, canvas.TextWidth(line));
        start = end + 1;
    }
    return widest;
}

// ---------------------------------------------------------------- the series' side

int TChartSeries::MaxMarkExtent()
{
    int widest = 0;
    for (int i = 0; i < PointCount(); ++i)
        if (marks_.FormatFor(i)->Visible()) widest = std::max(widest, marks_.TextWidth(i));
    return widest;
}

void TChartSeries::MeasureMark(int index, const std::string& text, TSeriesMarkPosition& position)
{
    TCustomAxisPanel* chart = ParentChart();
    TCustomTextShape& format = *marks_.FormatFor(index);
    SetMarkFormatText(format, text);
    format.CalcSize(chart);
    position.Width = format.BoundsWidth();
    position.Height = format.BoundsHeight();
    if (TSeriesMarksSymbol* symbol = marks_.PeekSymbol(); symbol && symbol->ShouldDraw()) {
        position.Width += position.Height - 4;
        const int pen = symbol->Pen().Visible() ? symbol->Pen().Width() : 0;
        if (pen >= 2) {
            position.Width += pen;
            position.Height += pen;
        }
        const int textHeight = chart ? chart->Canvas().TextHeight("W") : 0;
        symbol->Bounds = {0, 0, textHeight, textHeight};
    }
    marks_.PlaceAt(position, GetPointScreenX(index), GetPointScreenY(index));
}

void TChartSeries::DrawAllMarks()
{
    TCustomAxisPanel* chart = ParentChart();
    if (!chart) return;
    TCanvas3D& canvas = chart->Canvas();
    const TRepaintHold hold(chart);
    marks_.ForgetComputedPositions();
    TDuvBlend* blend = nullptr;
    if (marks_.UseSeriesTransparency() && Transparency() > 0) blend = canvas.BeginBlending({}, Transparency());
    const TScopeGuard endBlend([&] {
        if (blend) canvas.EndBlending(blend);
    });
    if (FirstVisibleIndex == -1) return;
    TSeriesMarkPosition position;
    const bool hover = HoverEnabled();
    for (int index = FirstVisibleIndex; index <= LastVisibleIndex && index < PointCount(); ++index) {
        if (!MarkShown(index)) continue;
        const std::string text = MarkTextOf(index);
        if (text.empty()) continue;
        TCustomTextShape& format = *marks_.FormatFor(index);
        if (!format.Visible()) continue;
        for (int c = 0; c < marks_.Children()->Count(); ++c)
            if (auto* child = dynamic_cast<TSeriesMarkShape*>(marks_.Children()->Get(c)->Shape()))
                SetMarkFormatText(*child, MarkTextForStyle(marks_.MultiLine(), index, child->Style()));
        const TFontStyles style = format.Font()->Style();
        const bool hovered = hover && index == GetSelected()->HoverIndex();
        if (hovered) format.Font()->SetStyle(GetSelected()->Hover()->Font()->Style());
        const TScopeGuard restoreStyle([&] {
            if (hovered) format.Font()->SetStyle(style);
        });
        position = TSeriesMarkPosition();
        MeasureMark(index, text, position);
        DrawPointMark(index, text, position);
    }
}

void TChartSeries::DrawPointMark(int index, const std::string&, TSeriesMarkPosition& position)
{
    if (marks_.AutoPosition() && !marks_.AvoidOverlap(FirstVisibleIndex, index, position)) return;
    marks_.DrawMark(index, GetPointColor(index), position);
}

void TChartSeries::CalcMarkShift(int, const TRect& box, const TRect& other, TPoint& shift) const
{
    shift = {0, 0};
    if (YMandatory()) {
        shift.Y = other.Top > box.Top ? other.Top - box.Bottom : other.Bottom - box.Top;
    } else {
        shift.X = other.Left > box.Left ? other.Left - box.Right : other.Right - box.Left;
    }
}

void TChartSeries::MarksDeletePoint(int index, bool withItem)
{
    marks_.Positions().Delete(index);
    if (withItem) marks_.Items().Delete(index);
}

void TChartSeries::MarksDeleteRange(int start, int quantity) { marks_.Positions().Delete(start, quantity); }
