#include "chart/output/DuvComma.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/Chart.h"
#include "chart/engine/ChartEditorServices.h"
#include "chart/engine/DuvPanelExtended.h"
#include "chart/engine/DuvProcs.h"
#include "chart/engine/DuvViewAngles.h"
#include "chart/engine/RuRazaziLists.h"
#include "chart/graphics/DuvConst.h"
#include "chart/output/DuvEditPro.h"
#include "chart/series/SeriesCircled.h"
#include "chart/series/SeriesPie.h"
#include "platform/core/NumText.h"
#include "platform/core/ScopeGuard.h"

namespace {

constexpr int kFirstPlace = 4;
constexpr int kSeparatorStep = 6;
constexpr int kControlStep = 29;
constexpr int kButtonSize = 25;
constexpr int kLabelTop = 12;
constexpr double kDegreesPerRadian = 57.29577951308232;

int Rounded(double value) { return static_cast<int>(Rnd(value)); }

struct TButtonRow {
    int Code;
    int Group;
    const char* Glyph;
    const char* Hint;
};

// Code, speed-button group, glyph resource and hint of every button.
constexpr TButtonRow kButtons[] = {
    {dcNormal, 1, "DuvNormal", "Normal"}, {dcRotate, 1, "DuvRotate", "Rotate"}, {dcMove, 1, "DuvMove", "Move"},
    {dcZoom, 1, "DuvZoom", "Zoom"},       {dcDepth, 1, "DuvDepth", "Depth"},    {dcEdit, 0, "DuvEdit", "Edit"},
    {dcPrint, 0, "DuvPrint", "Print"},    {dcCopy, 0, "DuvCopy", "Copy"},       {dcSave, 0, "DuvSave", "Save"},
    {dc3D, 2, "DuvView3D", "3D"},
};

const TButtonRow* ButtonRow(int code)
{
    for (const TButtonRow& row : kButtons)
        if (row.Code == code) return &row;
    return nullptr;
}

std::string Format(const char* format, int a)
{
    char text[128];
    std::snprintf(text, sizeof text, format, a);
    return text;
}

std::string Format(const char* format, int a, int b)
{
    char text[128];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

std::string Format(const char* format, const std::string& a)
{
    char text[128];
    std::snprintf(text, sizeof text, format, a.c_str());
    return text;
}

// The angle of a point around a centre, degrees counterclockwise with the screen's y axis up.
double DegreesAround(int x, int y, int xCenter, int yCenter)
{
    return std::atan2(static_cast<double>(yCenter - y), static_cast<double>(x - xCenter)) * kDegreesPerRadian;
}

}  // namespace

// ---------------------------------------------------------------- TCustomDuvCommander

TCustomDuvCommander::TCustomDuvCommander(TComponent* owner) : TCustomPanelNoCaption(owner)
{
    SetBounds(Left(), Top(), 400, 33);
}

TCustomDuvCommander::~TCustomDuvCommander()
{
    SetStateFlags(csDestroying, true);
    OnControlsChanged = nullptr;
    RemoveControls();
    gradient_.reset();
    SetPanel(nullptr);
}

void TCustomDuvCommander::DeclareProperties(TPropertyDeclarer<TCustomDuvCommander>& p)
{
    using C = TCustomDuvCommander;
    p.Object("Gradient", &C::GetGradient, &C::SetGradient).Peek(&C::PeekGradient);
    p.Component("Panel", &C::Panel, &C::SetPanel);
    p.Boolean("Vertical", &C::Vertical, &C::SetVertical).Default(false);
}

void TCustomDuvCommander::SetPanel(TCustomDuvPanel* panel)
{
    if (panel_ == panel) return;
    // A panel on its way out is still whole: it takes the listener off its list.
    if (panel_) panel_->RemoveListener(this);
    panel_ = panel;
    if (panel_) panel_->AddListener(this);
    if (!HasState(csDestroying)) EnableButtons(panel_ != nullptr);
}

void TCustomDuvCommander::Notification(TComponent* component, TOperation operation)
{
    TCustomPanelNoCaption::Notification(component, operation);
    if (operation == TOperation::opRemove && component == panel_) SetPanel(nullptr);
}

void TCustomDuvCommander::SetVertical(bool value)
{
    if (vertical_ == value) return;
    vertical_ = value;
    if (Align() == alTop || Align() == alLeft) SetAlign(vertical_ ? alLeft : alTop);
    VerticalChanged();
    PlaceControls();
}

TDuvGradient* TCustomDuvCommander::GetGradient()
{
    if (!gradient_) gradient_ = std::make_unique<TDuvGradient>([this](TObject*) { Invalidate(); });
    return gradient_.get();
}

void TCustomDuvCommander::SetGradient(const TDuvGradient* value)
{
    if (!value) {
        gradient_.reset();
        Invalidate();
        return;
    }
    GetGradient()->Assign(value);
}

void TCustomDuvCommander::PlaceControl(TCommanderControl& control, int& x) const
{
    switch (control.Kind) {
    case TCommanderControlKind::ckSeparator:
        // A line across the bar: down a horizontal bar, along a vertical one.
        control.Left = vertical_ ? kFirstPlace : x;
        control.Top = vertical_ ? x : kFirstPlace;
        control.Width = vertical_ ? std::max(0, Width() - 8) : 2;
        control.Height = vertical_ ? 2 : std::max(0, Height() - 8);
        x += kSeparatorStep;
        return;
    case TCommanderControlKind::ckLabel:
        control.Left = vertical_ ? kFirstPlace : x;
        control.Top = vertical_ ? x : kLabelTop;
        break;
    case TCommanderControlKind::ckButton:
        control.Left = vertical_ ? kFirstPlace : x;
        control.Top = vertical_ ? x : kFirstPlace;
        control.Width = control.Height = kButtonSize;
        break;
    }
    x += kControlStep;
}

TCommanderControl* TCustomDuvCommander::AddControl(int code)
{
    auto control = std::make_unique<TCommanderControl>();
    control->Code = code;
    if (code == dcSeparator) {
        control->Kind = TCommanderControlKind::ckSeparator;
    } else if (code == dcLabel) {
        control->Kind = TCommanderControlKind::ckLabel;
    } else if (const TButtonRow* row = ButtonRow(code)) {
        control->GroupIndex = row->Group;
        control->Glyph = row->Glyph;
        control->Hint = row->Hint;
    }
    int x = kFirstPlace;
    for (const auto& placed : controls_)
        x += placed->Kind == TCommanderControlKind::ckSeparator ? kSeparatorStep : kControlStep;
    if (control->Kind == TCommanderControlKind::ckSeparator) {
        // Made as a line down the bar, 2 pixels from its top.
        control->Left = vertical_ ? kFirstPlace : x;
        control->Top = vertical_ ? x : 2;
        control->Width = vertical_ ? std::max(0, Width() - 4) : 2;
        control->Height = vertical_ ? 2 : std::max(0, Height() - 4);
    } else {
        PlaceControl(*control, x);
    }
    controls_.push_back(std::move(control));
    return controls_.back().get();
}

void TCustomDuvCommander::RemoveControls()
{
    while (!controls_.empty()) {
        ControlRemoved(controls_.back().get());
        controls_.pop_back();
    }
}

void TCustomDuvCommander::PlaceControls()
{
    int x = kFirstPlace;
    for (const auto& control : controls_) PlaceControl(*control, x);
    ControlsChanged();
}

void TCustomDuvCommander::ControlsChanged()
{
    if (OnControlsChanged) OnControlsChanged();
}

void TCustomDuvCommander::EnableButtons(bool enabled)
{
    for (const auto& control : controls_) control->Enabled = enabled;
    ControlsChanged();
}

void TCustomDuvCommander::PanelEvent(TDuvEvent& event)
{
    if (auto* mouse = dynamic_cast<TDuvMouseEvent*>(&event)) {
        switch (mouse->Event) {
        case TMouseEventKind::Down:
            lastButton_ = mouse->Button;
            DoMouseDown(mouse->X, mouse->Y);
            break;
        case TMouseEventKind::Up: DoMouseUp(); break;
        case TMouseEventKind::Move: DoMouseMove(mouse->X, mouse->Y, mouse->Shift); break;
        }
        if (!mouse->Taken() && !PanelMouseAllowed()) mouse->Reply = TEventReply::CancelChart;
        return;
    }
    if (dynamic_cast<TDuvView3DEvent*>(&event)) EnableButtons(panel_ != nullptr);
}

void TCustomDuvCommander::SetBounds(int left, int top, int width, int height)
{
    const bool resized = width != Width() || height != Height();
    TCustomPanelNoCaption::SetBounds(left, top, width, height);
    if (resized && !controls_.empty()) PlaceControls();
}

void TCustomDuvCommander::Loaded()
{
    TCustomPanelNoCaption::Loaded();
    // The model has no parent window: the owner (the form holding the bar) stands for it.
    if (!panel_ && Owner()) {
        if (auto* panel = dynamic_cast<TCustomDuvPanel*>(Owner())) {
            SetPanel(panel);
        } else {
            for (int i = 0; i < Owner()->ComponentCount() && !panel_; ++i)
                if (auto* owned = dynamic_cast<TCustomDuvPanel*>(Owner()->Components(i))) SetPanel(owned);
        }
    }
    EnableButtons(panel_ != nullptr);
}

// ---------------------------------------------------------------- TDuvCommander

TDuvCommander::TDuvCommander(TComponent* owner) : TCustomDuvCommander(owner)
{
    CreateButtons(StandardButtons());
}

TDuvCommander::~TDuvCommander()
{
    SetStateFlags(csDestroying, true);
    OnControlsChanged = nullptr;
    RemoveControls();
    SetPanel(nullptr);
}

void TDuvCommander::DeclareProperties(TPropertyDeclarer<TDuvCommander>& p)
{
    using C = TDuvCommander;
    p.Component("ChartEditor", &C::ChartEditor, &C::SetChartEditor);
    p.Boolean("EnablePieExploding", &C::EnablePieExploding).Default(true);
    p.Boolean("LabelValues", &C::LabelValues, &C::SetLabelValues).Default(true);
    p.Component("Previewer", &C::Previewer, &C::SetPreviewer);
    p.Integer("RotateInertia", &C::RotateInertia).Default(3);
    p.Event("OnEditedChart", &C::OnEditedChart);
    p.Event("OnSetLabel", &C::OnSetLabel);
}

const std::vector<int>& TDuvCommander::StandardButtons()
{
    static const std::vector<int> codes = {dcNormal, dcSeparator, dcRotate, dcMove,  dcZoom, dcDepth, dc3D,
                                           dcSeparator, dcEdit, dcPrint, dcCopy, dcSave, dcLabel};
    return codes;
}

void TDuvCommander::SetChartEditor(TComponent* value)
{
    chartEditor_ = value;
    RefreshEditButton();
}

void TDuvCommander::RefreshEditButton()
{
    TCommanderControl* edit = Button(dcEdit);
    if (!edit || HasState(csDestroying)) return;
    edit->Enabled = CanEdit();
    ControlsChanged();
}

void TDuvCommander::SetPreviewer(TComponent* value)
{
    previewer_ = value;
}

void TDuvCommander::Notification(TComponent* component, TOperation operation)
{
    TCustomDuvCommander::Notification(component, operation);
    if (operation != TOperation::opRemove || component != chartEditor_) return;
    // The reference would clear only after this round: the button must see the editor gone.
    chartEditor_ = nullptr;
    RefreshEditButton();
}

void TDuvCommander::VerticalChanged()
{
    if (TCommanderControl* label = ValueLabel()) label->Visible = labelValues_ && !Vertical();
}

void TDuvCommander::SetLabelValues(bool value)
{
    labelValues_ = value;
    VerticalChanged();
    ControlsChanged();
}

void TDuvCommander::CreateButtons(const std::vector<int>& codes)
{
    RemoveControls();
    for (const int code : codes) {
        TCommanderControl* control = AddControl(code);
        if (code != dcSeparator && code >= 0 && code < kDuvCommanderCodeCount) refs_[code] = control;
        if (control->Kind == TCommanderControlKind::ckLabel) control->Visible = labelValues_ && !Vertical();
    }
    EnableButtons(Panel() != nullptr);
    if (TCommanderControl* normal = Button(dcNormal)) normal->Down = true;
    ControlsChanged();
}

void TDuvCommander::ControlRemoved(TCommanderControl* control)
{
    for (TCommanderControl*& ref : refs_)
        if (ref == control) ref = nullptr;
}

void TDuvCommander::EnableButtons(bool enabled)
{
    for (const int code : {dcRotate, dcMove, dcZoom, dcNormal, dcCopy, dcSave, dcPrint, dc3D})
        if (TCommanderControl* button = Button(code)) button->Enabled = enabled;
    TCustomDuvPanel* panel = Panel();
    const bool axisPanel = dynamic_cast<TCustomAxisPanel*>(panel) != nullptr;
    if (TCommanderControl* edit = Button(dcEdit)) edit->Enabled = enabled && CanEdit();
    if (TCommanderControl* depth = Button(dcDepth)) depth->Enabled = enabled && axisPanel;
    if (TCommanderControl* save = Button(dcSave)) save->Enabled = enabled && axisPanel;
    if (TCommanderControl* view3D = Button(dc3D); view3D && panel) view3D->Down = panel->View3D();
    ControlsChanged();
}

bool TDuvCommander::IsDown(int code) const
{
    const TCommanderControl* button = Button(code);
    return button && button->Down;
}

bool TDuvCommander::ModeActive() const
{
    return IsDown(dcRotate) || IsDown(dcMove) || IsDown(dcZoom) || IsDown(dcDepth);
}

bool TDuvCommander::PanelMouseAllowed() { return !ModeActive(); }

bool TDuvCommander::FullRotation() const { return Panel() && Panel()->Canvas().SupportsFullRotation(); }

std::string TDuvCommander::PanelWord() const
{
    return dynamic_cast<TCustomAxisPanel*>(Panel()) ? "Chart" : "Panel";
}

void TDuvCommander::SetLabelText(const std::string& text)
{
    std::string shown = text;
    if (OnSetLabel) OnSetLabel(this, shown);
    TCommanderControl* label = ValueLabel();
    if (!label) return;
    if (!labelValues_ || Vertical()) {
        label->Visible = false;
    } else {
        label->Visible = true;
        label->Caption = shown;
    }
    ControlsChanged();
}

// ---------------------------------------------------------------- clicks

void TDuvCommander::ClickButton(int code)
{
    TCommanderControl* button = Button(code);
    if (!button || !button->Enabled || button->Kind != TCommanderControlKind::ckButton) return;
    if (button->GroupIndex != 0) {
        // Speed buttons of a group: pressing one raises the others; pressing the one down raises
        // it when the group may be all up.
        if (button->Down) {
            if (button->AllowAllUp) button->Down = false;
        } else {
            for (const auto& other : Controls())
                if (other->GroupIndex == button->GroupIndex) other->Down = false;
            button->Down = true;
        }
        ControlsChanged();
    }
    ButtonAction(code);
}

void TDuvCommander::ButtonAction(int code)
{
    TCustomDuvPanel* panel = Panel();
    switch (code) {
    case dcNormal: {
        bool pie = false;
        if (auto* chart = dynamic_cast<TCustomChart*>(panel); chart && EnablePieExploding)
            for (int i = 0; i < chart->CountSeries() && !pie; ++i) {
                TCustomChartSeries* series = chart->GetSeries(i);
                pie = series->Active() && dynamic_cast<TCircledSeries*>(series);
            }
        SetLabelText(pie ? "Drag a Pie Slice to Explode it" : "Drag Left button to Zoom, Right button to Scroll");
        return;
    }
    case dcRotate: SetLabelText(Format("Drag %s to Rotate", PanelWord())); return;
    case dcMove: SetLabelText(Format("Drag %s to Move", PanelWord())); return;
    case dcZoom: SetLabelText(Format("Drag %s to Zoom", PanelWord())); return;
    case dcDepth: SetLabelText(Format("Drag %s to resize 3D", PanelWord())); return;
    case dcEdit: EditClick(); return;
    case dcPrint:
        if (!panel) return;
        if (previewer_)
            ChartEditorServices().ExecuteChartComponent(*previewer_);
        else
            ChartEditorServices().ShowPreview(Owner(), *panel);
        return;
    case dcCopy:
        if (panel) panel->CopyBitmapToClipboard();
        return;
    case dcSave:
        if (auto* chart = dynamic_cast<TCustomChart*>(panel)) ChartEditorServices().SaveChartAs(*chart);
        return;
    case dc3D:
        if (panel) panel->SetView3D(IsDown(dc3D));
        return;
    default: return;
    }
}

bool TDuvCommander::CanEdit() const
{
    TCustomDuvPanel* panel = Panel();
    if (!panel) return false;
    if (chartEditor_) return true;
    TCustomDuvPanel* edited = panel->GetPanelToEdit();
    if (dynamic_cast<TCustomChart*>(edited)) return ChartEditorServices().CanEditChart();
    if (dynamic_cast<TCustomDuvPanelExtended*>(edited)) return ChartEditorServices().CanEditGradient();
    return false;
}

void TDuvCommander::EditClick()
{
    TCustomDuvPanel* panel = Panel();
    if (!panel) return;
    TChartEditorServices& services = ChartEditorServices();
    if (chartEditor_) {
        services.ExecuteChartComponent(*chartEditor_);
    } else {
        TCustomDuvPanel* edited = panel->GetPanelToEdit();
        if (auto* chart = dynamic_cast<TCustomChart*>(edited)) {
            if (services.CanEditChart()) {
                services.EditChart(Owner(), *chart);
                if (OnEditedChart) OnEditedChart(this, chart);
            }
        } else if (auto* extended = dynamic_cast<TCustomDuvPanelExtended*>(edited)) {
            if (services.CanEditGradient()) services.EditGradient(Owner(), *extended->GetGradient());
        }
    }
    if (TCommanderControl* view3D = Button(dc3D)) {
        view3D->Down = panel->View3D();
        ControlsChanged();
    }
}

// ---------------------------------------------------------------- mouse

TCircledSeries* TDuvCommander::CircledSeriesAt(int x, int y) const
{
    auto* chart = dynamic_cast<TCustomChart*>(Panel());
    if (!EnablePieExploding || !chart) return nullptr;
    const TChartHitResult part = chart->LocateChartPart({x, y});
    if (part.Part == cpSeries)
        if (auto* circled = dynamic_cast<TCircledSeries*>(part.ASeries)) return circled;
    for (int i = 0; i < chart->CountSeries(); ++i) {
        TCustomChartSeries* series = chart->GetSeries(i);
        if (!series->Active()) continue;
        if (auto* circled = dynamic_cast<TCircledSeries*>(series)) return circled;
    }
    return nullptr;
}

void TDuvCommander::DoMouseDown(int x, int y)
{
    const bool mode = ModeActive();
    grabbed_ = mode && FullRotation() ? nullptr : CircledSeriesAt(x, y);
    if (!dynamic_cast<TPieSeries*>(grabbed_) && !mode) return;
    dragging_ = true;
    last_ = {x, y};
    grabbedSlice_ = grabbed_ ? grabbed_->PointAtScreen(x, y) : -1;
    // The panel's own zoom and scroll stay out of a drag this bar takes; the window keeps the
    // mouse while the button is down.
    if (TCustomDuvPanel* panel = Panel(); panel && (grabbedSlice_ != -1 || mode))
        panel->ReplyToMouse(TEventReply::CancelChart);
}

void TDuvCommander::DoMouseUp()
{
    if (dragging_ && RotateInertia > 0 && Panel()) Panel()->Invalidate();
    grabbed_ = nullptr;
    moved_ = false;
    dragging_ = false;
    grabbedSlice_ = -1;
}

void TDuvCommander::DoMouseMove(int x, int y, TShiftState shift)
{
    if (!dragging_ || !Panel()) return;
    dragging_ = false;
    const TScopeGuard again([this] { dragging_ = true; });
    moved_ = false;
    const bool ctrl = shift.Contains(ssCtrl), shifted = shift.Contains(ssShift);
    if (!ModeActive()) ExplodeStep(x, y);
    else if (LastMouseButton() == mbRight) MoveStep(x, y);
    else if (IsDown(dcRotate)) {
        if (ctrl) ZoomStep(y);
        else if (shifted) MoveStep(x, y);
        else RotateStep(x, y, shift);
    } else if (IsDown(dcMove)) {
        if (ctrl) ZoomStep(y);
        else if (shifted) RotateStep(x, y, shift);
        else MoveStep(x, y);
    } else if (IsDown(dcZoom)) {
        if (ctrl) RotateStep(x, y, shift);
        else if (shifted) MoveStep(x, y);
        else ZoomStep(y);
    } else if (IsDown(dcDepth)) {
        DepthStep(x, y);
    }
    if (labelValues_ && !Vertical()) SetLabelText(ValueLabelText());
}

void TDuvCommander::Switch3DOn()
{
    Panel()->SetView3D(true);
    if (TCommanderControl* view3D = Button(dc3D)) view3D->Down = true;
}

void TDuvCommander::RotateStep(int x, int y, TShiftState shift)
{
    TCustomDuvPanel& panel = *Panel();
    TView3DOptions& view = panel.View3DOptions();
    if (!panel.View3D() && grabbed_) {
        // The pie turns by the angle the pointer swept since the last point, not by where it is.
        const int now = Rounded(DegreesAround(x, y, grabbed_->CircleXCenter, grabbed_->CircleYCenter));
        const int before = Rounded(DegreesAround(last_.X, last_.Y, grabbed_->CircleXCenter, grabbed_->CircleYCenter));
        grabbed_->SetRotationAngle(((grabbed_->RotationAngle() + now - before) % 360 + 360) % 360);
        last_ = {x, y};
        moved_ = true;
        return;
    }
    // A panel without width or height gives no step to scale the drag by.
    if ((HorizontalRotation && panel.Width() == 0) || (VerticalRotation && panel.Height() == 0)) return;
    Switch3DOn();
    view.SetOrthogonal(false);
    rotationStep_ = HorizontalRotation ? (x - last_.X) * 90.0 / panel.Width() : 0;
    elevationStep_ = VerticalRotation ? (last_.Y - y) * 90.0 / panel.Height() : 0;
    rotationShift_ = shift;
    if (FullRotation()) {
        if (shift.Contains(ssShift)) {
            view.SetTilt(Rounded(WrapAngle(view.TiltValue() + elevationStep_)));
        } else {
            view.SetRotation(WrapAngle(view.RotationValue() + rotationStep_));
            view.SetElevation(WrapAngle(view.ElevationValue() + elevationStep_));
        }
    } else {
        if (grabbed_) {
            view.SetRotation(360);
            view.SetPerspective(0);
            if (rotationStep_ != 0)
                grabbed_->SetRotationAngle(Rounded(WrapAngle(grabbed_->RotationAngle() + rotationStep_)));
        } else {
            view.SetRotation(NextRotationAngle(false, rotationStep_, view.RotationValue()));
        }
        view.SetElevation(NextElevationAngle(false, elevationStep_, view.ElevationValue()));
    }
    last_ = {x, y};
    moved_ = true;
}

void TDuvCommander::MoveStep(int x, int y)
{
    TCustomDuvPanel& panel = *Panel();
    if (!FullRotation()) Switch3DOn();
    TView3DOptions& view = panel.View3DOptions();
    view.SetHorizOffset(view.HorizOffset() + (x - last_.X));
    view.SetVertOffset(view.VertOffset() + (y - last_.Y));
    last_ = {x, y};
}

double TDuvCommander::ChartDiagonal() const
{
    const TCustomDuvPanel& panel = *Panel();
    const double w = panel.ChartRect.Width(), h = panel.ChartRect.Height();
    return std::sqrt(w * w + h * h);
}

void TDuvCommander::ZoomStep(int y)
{
    const double diagonal = ChartDiagonal();
    if (diagonal == 0) return;
    TCustomDuvPanel& panel = *Panel();
    if (!FullRotation()) Switch3DOn();
    TView3DOptions& view = panel.View3DOptions();
    const double delta = (last_.Y - y) * 10.0 / diagonal;
    const double step = 10 * delta * view.ZoomValue() / 100;
    if (delta > 0) view.SetZoom(view.ZoomValue() + std::max(step, 1.0));
    else if (delta < 0) view.SetZoom(std::max(view.ZoomValue() + std::min(step, -1.0), 1.0));
    last_.Y = y;
}

void TDuvCommander::DepthStep(int x, int y)
{
    auto* chart = dynamic_cast<TCustomAxisPanel*>(Panel());
    const double diagonal = ChartDiagonal();
    if (!chart || diagonal == 0) return;
    Switch3DOn();
    // Measured from where the drag began: the last point stays.
    const int d = Rounded(std::hypot(x - last_.X, y - last_.Y) * 200 / diagonal);
    if (d > 0) chart->SetChart3DPercent(std::min(100, d));
}

void TDuvCommander::ExplodeStep(int x, int y)
{
    auto* pie = dynamic_cast<TPieSeries*>(grabbed_);
    if (grabbedSlice_ == -1 || !pie) return;
    const double diagonal = std::hypot(pie->CircleWidth, pie->CircleHeight);
    if (diagonal == 0) return;
    const int e = Rounded(std::hypot(x - last_.X, y - last_.Y) * 100 / diagonal);
    pie->ExplodedSlice.Set(grabbedSlice_, std::min(100, e));
}

std::string TDuvCommander::ValueLabelText() const
{
    TCustomDuvPanel* panel = Panel();
    if (!panel) return {};
    const TView3DOptions& view = panel->View3DOptions();
    if (IsDown(dcRotate)) return Format("Rotation: %d\u00b0 Elevation: %d\u00b0", view.Rotation(), view.Elevation());
    if (IsDown(dcMove)) return Format("Horiz.Offset: %d Vert.Offset: %d", view.HorizOffset(), view.VertOffset());
    if (IsDown(dcZoom)) return Format("Zoom: %d %%", view.Zoom());
    if (IsDown(dcDepth)) {
        auto* chart = dynamic_cast<TCustomAxisPanel*>(panel);
        return chart ? Format("3D: %d %%", chart->Chart3DPercent()) : std::string();
    }
    if (IsDown(dcNormal) && grabbedSlice_ != -1)
        if (auto* pie = dynamic_cast<TPieSeries*>(grabbed_))
            return Format("Slice: %d Exploded: %d %%", grabbedSlice_, pie->ExplodedSlice.Get(grabbedSlice_));
    return {};
}

void DuvCommaInitialization()
{
    RegisterClassForStreaming(TDuvCommander::StaticClass());
}
