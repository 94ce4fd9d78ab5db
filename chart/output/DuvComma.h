#pragma once
// The chart toolbar's model: a row of mode buttons (normal, rotate, move, zoom, depth), a 3D
// switch, the edit, print, copy and save buttons and a value label, bound to one chart panel
// whose mouse events it hears as a listener. In the rotate, move, zoom and depth modes a drag
// on the chart turns, shifts, zooms or deepens its 3D view; in normal mode it pulls pie slices
// out. The toolbar widget shows the controls and hands their clicks here.
//
// What always holds: the button references point into the owned control list or are null;
// a panel, when set, has this toolbar among its listeners; while a drag step runs the dragging
// flag is off, so a repaint inside the step cannot start another.
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "chart/engine/DuvPanel.h"
#include "chart/graphics/DuvGradient.h"
#include "platform/core/ComponentRef.h"
#include "platform/core/Events.h"

class TCircledSeries;
class TCustomChart;
class TDuvGradient;

// Codes of the layout list: the controls a toolbar is built from.
enum TDuvCommanderCode : int {
    dcNormal = 0,
    dcSeparator = 1,
    dcRotate = 2,
    dcMove = 3,
    dcZoom = 4,
    dcDepth = 5,
    dcEdit = 6,
    dcPrint = 7,
    dcCopy = 8,
    dcSave = 9,
    dcLabel = 10,
    dc3D = 11,
};
inline constexpr int kDuvCommanderCodeCount = 12;
// The value label's font colour.
inline constexpr TColor kCommanderLabelColor = 0x800000;

enum class TCommanderControlKind { ckButton, ckSeparator, ckLabel };

// One control of the bar as the widget shows it.
struct TCommanderControl {
    int Code = dcNormal;
    TCommanderControlKind Kind = TCommanderControlKind::ckButton;
    int Left = 0, Top = 0, Width = 0, Height = 0;
    bool Enabled = true;
    bool Visible = true;
    // Speed button state: pressed, its group (0 none) and whether a group may be all up.
    bool Down = false;
    int GroupIndex = 0;
    bool AllowAllUp = true;
    // The bitmap resource (normal and disabled glyph side by side), the tooltip, the label text.
    std::string Glyph;
    std::string Hint;
    std::string Caption;
};

class TCustomDuvCommander : public TCustomPanelNoCaption, public IPanelEventListener {
    QB_CLASS(TCustomDuvCommander, TCustomPanelNoCaption)
public:
    explicit TCustomDuvCommander(TComponent* owner = nullptr);
    ~TCustomDuvCommander() override;
    static void DeclareProperties(TPropertyDeclarer<TCustomDuvCommander>& p);

    TCustomDuvPanel* Panel() const { return panel_; }
    virtual void SetPanel(TCustomDuvPanel* panel);
    bool Vertical() const { return vertical_; }
    void SetVertical(bool value);
    TDuvGradient* GetGradient();
    TDuvGradient* PeekGradient() const { return gradient_.get(); }
    // None frees the gradient; a gradient is copied.
    void SetGradient(const TDuvGradient* value);
    TMouseButton LastMouseButton() const { return lastButton_; }

    // ---------------------------------------------------- owned controls
    const std::vector<std::unique_ptr<TCommanderControl>>& Controls() const { return controls_; }
    // Appends a control of that code at the next place of the layout.
    TCommanderControl* AddControl(int code);
    // Each control is reported to ControlRemoved, then freed.
    void RemoveControls();
    // Places every control again by the layout rule (after Vertical or the size changed).
    void PlaceControls();
    // The widget showing the bar hears every change of the controls here.
    std::function<void()> OnControlsChanged;
    void ControlsChanged();

    // ---------------------------------------------------- overridable steps
    virtual void DoMouseDown(int, int) {}
    virtual void DoMouseMove(int, int, TShiftState) {}
    virtual void DoMouseUp() {}
    virtual bool PanelMouseAllowed() { return true; }
    virtual void EnableButtons(bool enabled);
    virtual void ControlRemoved(TCommanderControl*) {}
    // After Vertical changed and the controls were placed again.
    virtual void VerticalChanged() {}

    void PanelEvent(TDuvEvent& event) override;
    void SetBounds(int left, int top, int width, int height) override;
    void Loaded() override;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    void PlaceControl(TCommanderControl& control, int& x) const;

    TComponentRef<TCustomDuvPanel> panel_{this};
    bool vertical_ = false;
    std::unique_ptr<TDuvGradient> gradient_;
    TMouseButton lastButton_ = mbLeft;
    std::vector<std::unique_ptr<TCommanderControl>> controls_;
};

class TDuvCommander;
using TDuvEditedChartEvent = TEvent<void(TDuvCommander* sender, TCustomChart* chart)>;
using TDuvCommanderOnSetLabel = TEvent<void(TDuvCommander* sender, std::string& text)>;

class TDuvCommander : public TCustomDuvCommander {
    QB_CLASS(TDuvCommander, TCustomDuvCommander)
public:
    explicit TDuvCommander(TComponent* owner = nullptr);
    ~TDuvCommander() override;
    static void DeclareProperties(TPropertyDeclarer<TDuvCommander>& p);

    // The standard bar: Normal, separator, Rotate, Move, Zoom, Depth, 3D, separator, Edit, Print,
    // Copy, Save, label.
    static const std::vector<int>& StandardButtons();

    TComponent* ChartEditor() const { return chartEditor_; }
    void SetChartEditor(TComponent* value);
    TComponent* Previewer() const { return previewer_; }
    void SetPreviewer(TComponent* value);
    bool EnablePieExploding = true;
    bool LabelValues() const { return labelValues_; }
    void SetLabelValues(bool value);
    int RotateInertia = 3;
    TDuvEditedChartEvent OnEditedChart;
    TDuvCommanderOnSetLabel OnSetLabel;

    // Rotation by horizontal and by vertical drags.
    bool HorizontalRotation = true;
    bool VerticalRotation = true;

    // The control of a code; null when the bar has none (the separator code has no reference).
    TCommanderControl* Button(int code) const { return refs_.at(static_cast<std::size_t>(code)); }
    TCommanderControl* ValueLabel() const { return refs_[dcLabel]; }
    void CreateButtons(const std::vector<int>& codes);
    // A press of a button as the user makes it: the speed-button group rule, then its action.
    void ClickButton(int code);
    void SetLabelText(const std::string& text);
    // The value label's text of the current mode and drag.
    std::string ValueLabelText() const;
    // Whether Edit has something to open: a linked chart editor component, or the installed
    // editor services for the panel the bar edits. Services install at start-up, before any bar.
    bool CanEdit() const;

    // ---------------------------------------------------- drag state
    bool IsDragging() const { return dragging_; }
    TCircledSeries* GrabbedSeries() const { return grabbed_; }
    int GrabbedSlice() const { return grabbedSlice_; }
    TPoint LastPoint() const { return last_; }
    double LastRotationStep() const { return rotationStep_; }
    double LastElevationStep() const { return elevationStep_; }

    void DoMouseDown(int x, int y) override;
    void DoMouseMove(int x, int y, TShiftState shift) override;
    void DoMouseUp() override;
    bool PanelMouseAllowed() override;
    void EnableButtons(bool enabled) override;
    void ControlRemoved(TCommanderControl* control) override;
    // A vertical bar has no room for the value label.
    void VerticalChanged() override;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    bool IsDown(int code) const;
    bool ModeActive() const;
    bool FullRotation() const;
    // "Chart" for a chart panel, "Panel" for any other.
    std::string PanelWord() const;
    TCircledSeries* CircledSeriesAt(int x, int y) const;
    void Switch3DOn();
    void ButtonAction(int code);
    void EditClick();
    void RefreshEditButton();

    void RotateStep(int x, int y, TShiftState shift);
    void MoveStep(int x, int y);
    void ZoomStep(int y);
    void DepthStep(int x, int y);
    void ExplodeStep(int x, int y);
    // The diagonal of the chart rectangle.
    double ChartDiagonal() const;

    TComponentRef<TComponent> chartEditor_{this};
    TComponentRef<TComponent> previewer_{this};
    bool labelValues_ = true;
    std::array<TCommanderControl*, kDuvCommanderCodeCount> refs_{};

    bool dragging_ = false;
    bool moved_ = false;
    TPoint last_;
    TCircledSeries* grabbed_ = nullptr;
    int grabbedSlice_ = -1;
    TShiftState rotationShift_;
    double rotationStep_ = 0;
    double elevationStep_ = 0;
};

void DuvCommaInitialization();
