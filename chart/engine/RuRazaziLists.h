#pragma once
// The lists a chart keeps of what it holds: its series (with the named groups that switch series
// on and off together), its tools and its animations; the bases of tools, series tools, axis
// tools and animations with the slots the chart calls at each drawing stage and input event;
// and the base of components that fill one series from elsewhere.
//
// What always holds: a list never keeps a freed tool (a tool leaves its list when freed), a
// series tool never keeps a freed series, and an axis tool's axis comes from its chart's axis
// list (a stored axis index outside that list is a read error, never a guess).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "chart/engine/RuRazazi.h"
#include "platform/core/Collection.h"
#include "platform/core/ComponentRef.h"

class TChartTools;
class TSeriesGroup;
class TSeriesGroups;

// ---------------------------------------------------------------- series lists

class TCustomSeriesList;

// Walks a series list from the first series; Current is valid after MoveNext answered true.
class TSeriesEnumerator {
public:
    explicit TSeriesEnumerator(const TCustomSeriesList& list) : List(list) {}
    bool MoveNext();
    TCustomChartSeries* Current() const;

    int Index = -1;
    const TCustomSeriesList& List;
};

class TCustomSeriesList {
public:
    explicit TCustomSeriesList(TCustomAxisPanel* owner = nullptr) : Owner(owner) {}
    virtual ~TCustomSeriesList() = default;
    TCustomSeriesList(const TCustomSeriesList&) = delete;
    TCustomSeriesList& operator=(const TCustomSeriesList&) = delete;

    // The chart the list belongs to; not owned.
    TCustomAxisPanel* Owner;

    int Count() const { return static_cast<int>(items_.size()); }
    // No range check: indexes are 0 .. Count - 1.
    TCustomChartSeries* GetSeries(int index) const { return items_[static_cast<std::size_t>(index)]; }
    void PutSeries(int index, TCustomChartSeries* series) { items_[static_cast<std::size_t>(index)] = series; }
    // Nil for an empty list.
    TCustomChartSeries* GetLastSeries() const { return items_.empty() ? nullptr : items_.back(); }
    int Add(TCustomChartSeries* series);
    void Insert(int index, TCustomChartSeries* series);
    int IndexOf(const TCustomChartSeries* series) const;
    // Removes the first entry of the series; answers its index, -1 when absent.
    int Remove(const TCustomChartSeries* series);
    void Delete(int index);
    void Clear() { items_.clear(); }
    // Copies the entries of another list.
    void Assign(const TCustomSeriesList& source) { items_ = source.items_; }
    TSeriesEnumerator GetEnumerator() const { return TSeriesEnumerator(*this); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

    // ClearPoints of every series, in order.
    void ClearAll();
    // The series drawn last (on top) among the active ones with a point at the pixel; nil and
    // index -1 when none.
    TCustomChartSeries* SeriesAtPixel(int x, int y, int& index) const;
    // True for an empty list.
    bool AllActive() const;
    void SetAllActive(bool value);

private:
    std::vector<TCustomChartSeries*> items_;
};

// A chart's series list; it owns the chart's series groups.
class TChartSeriesList : public TCustomSeriesList {
public:
    explicit TChartSeriesList(TCustomAxisPanel* owner = nullptr);
    ~TChartSeriesList() override;
    TSeriesGroups& Groups() const { return *groups_; }
    // A new group in Groups with that name.
    TSeriesGroup* AddGroup(const std::string& name);

private:
    std::unique_ptr<TSeriesGroups> groups_;
};

// ---------------------------------------------------------------- series groups

QB_ENUM(TSeriesGroupActive, gaYes, gaNo, gaSome)

class TSeriesGroup : public TCollectionItem {
    QB_CLASS(TSeriesGroup, TCollectionItem)
public:
    // Named "Group" and the collection's item count once it has joined.
    explicit TSeriesGroup(TCollection* collection);
    static void DeclareProperties(TPropertyDeclarer<TSeriesGroup>& p);

    std::string Name;
    TCustomSeriesList& Series() { return series_; }
    const TCustomSeriesList& Series() const { return series_; }
    // Positions in the chart's series list as read from a stream, until the chart resolves them.
    std::vector<std::string> PendingSeries;

    // gaNo for an empty group; gaYes all active, gaNo none, gaSome otherwise.
    TSeriesGroupActive GetActive() const;
    // gaSome (or the current state) changes nothing.
    void SetActive(TSeriesGroupActive value);
    void DeactivateAll() { SetActive(gaNo); }
    // No check for duplicates.
    void AddSeries(TCustomChartSeries* series) { series_.Add(series); }
    void SetSeries(const TCustomSeriesList& list) { series_.Assign(list); }
    // Replaces the series by those at the pending positions of all; positions that name no
    // series of all are skipped. The pending positions are cleared.
    void ResolvePendingSeries(const TCustomSeriesList& all);
    // Name and the series entries.
    void Assign(const TPersistent* source) override;
    std::string GetDisplayName() const override { return Name; }
    void DefineProperties(TFiler& filer) override;

private:
    TCustomSeriesList series_;
};

class TSeriesGroups : public TCollection {
    QB_CLASS(TSeriesGroups, TCollection)
public:
    explicit TSeriesGroups(TCustomAxisPanel* chart = nullptr);
    TCustomAxisPanel* Chart() const { return chart_; }
    TSeriesGroup* GetGroup(int index) const { return static_cast<TSeriesGroup*>(Items(index)); }
    TSeriesGroup* Add() { return static_cast<TSeriesGroup*>(TCollection::Add()); }
    // The first group that holds the series; -1 when none.
    int GroupOfSeries(const TCustomChartSeries* series) const;
    // Every group takes its series from its stored positions in all (after loading).
    void ResolvePendingSeries(const TCustomSeriesList& all);

private:
    TCustomAxisPanel* chart_;
};

// ---------------------------------------------------------------- tools
//
// What a tool hears, and in which order (the contract every tool builds on):
//
// Drawing. HandleChartEvent at each stage of every drawing (BeforeDraw, BeforeDrawAxes,
//   BeforeDrawSeries, AfterDrawSeries, AfterDraw) and when the mouse leaves the chart;
//   HandleSeriesEvent around the drawing of each series' values. The active tools hear them in
//   list order, then the active animations. A tool draws only inside these calls, on the
//   chart's canvas (it holds a device only while the chart draws); between paints a tool that
//   wants to show something new asks for a repaint (RequestRepaint) and draws it at the next
//   AfterDraw, so what it draws is never lost to the next paint.
//
// Mouse. Every event takes one road: the panel's own OnMouse... handler and its listeners, then
//   the active tools in list order, then the active animations, then the chart (clicks on the
//   part under the mouse, zoom, panning, hover). Each handler answers with a TEventReply; the
//   first answer other than PassOn ends the walk, and only CancelChart keeps the chart from its
//   own handling.
//   - A press reaches only the tools under the mouse (HitTest); the tool that takes it holds
//     the drag: the moves and the release until that button goes up reach it and no other
//     tool takes them, whatever their answers. A press of another button while a drag is held
//     goes to its holder; a press of the holder's own button means its release was lost (a
//     window took it): the drag ends and the press walks the tools afresh.
//   - A move or a release outside a held drag goes to the tools in order like a press, without
//     the hit test (hover).
//   - A tool whose ListensToEveryMove answers true hears every move and release as well, after
//     the walk, whatever the others answered; its answer then counts for nothing.
//   - While the chart's own zoom or panning drag runs, a press reaches no tool: the chart holds
//     that drag.
//   - The chart's click goes to the one part its hit test finds under the mouse (legend item,
//     axis, series mark or point, title), then to the background unless that part's handler
//     took it; those handlers answer through the panel's ReplyToMouse.
//
// Wheel. Each whole step (120) goes to the tools (StepUp or StepDown) before the chart zooms
//   or scrolls by it; CancelChart leaves the chart's step out. The whole turn (Turn) is told
//   afterwards.
//
// Keys. The panel's OnKeyDown (OnKeyUp) handler, then the tools in order until one answers
//   other than PassOn; a tool may change the key (or the character) for those after it.
//
// Drag and drop. Every active tool hears what is dragged over or dropped on the chart; any of
//   them may accept it.

// The stages of a drawing (and the mouse leaving) that tools hear of.
enum class TChartEventCode {
    AfterDraw = 0,
    BeforeDrawSeries = 1,
    BeforeDraw = 2,
    BeforeDrawAxes = 3,
    AfterDrawSeries = 4,
    MouseLeave = 5,
};
// What a series tells the tools around the drawing of its values.
enum class TSeriesEventCode { BeforeDrawValues = 1, AfterDrawValues = 4 };
enum class TDragEventKind { DragOver = 0, Drop = 1, StartDrag = 2, EndDrag = 3 };
enum class TKeyEventKind { Down = 0, Up = 1, Press = 2 };
// One wheel step down or up, or the whole turn after its steps.
enum class TWheelEventKind { StepDown = 0, Turn = 1, StepUp = 2 };

// A chart element that hears the chart's drawing stages and input events. Every slot does
// nothing (and passes every event on) here; tools override those they need.
class TDuvCustomTool : public TCustomChartElement {
    QB_CLASS(TDuvCustomTool, TCustomChartElement)
public:
    explicit TDuvCustomTool(TComponent* owner);
    ~TDuvCustomTool() override;

    virtual void HandleChartEvent(TChartEventCode code);
    virtual TEventReply HandleMouseEvent(TMouseEventKind kind, TMouseButton button, TShiftState shift, int x, int y);
    virtual void HandleDragEvent(TDragEventKind kind, TObject* source, bool& accept, int x, int y);
    virtual TEventReply HandleKeyEvent(TKeyEventKind kind, int& key, TShiftState shift, char& keyChar);
    virtual void HandleSeriesEvent(TSeriesEventCode code, TCustomChartSeries* series);
    // The mouse position in chart coordinates.
    virtual TEventReply HandleMouseWheel(TWheelEventKind kind, int wheelDelta, int x, int y);
    // The tool is under the chart point: only then does it hear a press there. A tool without
    // a place of its own covers the whole chart.
    virtual bool HitTest(int, int) const { return true; }
    // Hears every move and release, even of a drag another tool holds.
    virtual bool ListensToEveryMove() const { return false; }
    // The tool's name and one-line text in the tools gallery.
    virtual std::string GetDescription() const { return {}; }
    virtual std::string GetSummary() const { return {}; }

    // Leaves the list of its chart and joins the new chart's; a chart it leaves for none repaints.
    void SetParentChart(TCustomAxisPanel* value) override;
    // The list the tool is in, if any.
    TChartTools* ToolList() const { return list_; }

protected:
    // The list of chart the tool joins: the chart's tool list.
    virtual TChartTools* ChartListOf(TCustomAxisPanel* chart) const;

private:
    friend class TChartTools;
    TChartTools* list_ = nullptr;
};

// A tool bound to one series.
class TDuvCustomToolSeries : public TDuvCustomTool {
    QB_CLASS(TDuvCustomToolSeries, TDuvCustomTool)
public:
    explicit TDuvCustomToolSeries(TComponent* owner) : TDuvCustomTool(owner) {}

    TCustomChartSeries* Series() const { return series_; }
    virtual void SetSeries(TCustomChartSeries* value);
    // The axes of the series; none without a series.
    TChartAxis* GetHorizAxis() const;
    TChartAxis* GetVertAxis() const;
    std::string GetEditorClassName() const override { return "TSeriesToolEditor"; }
    // The series (without registering) and then the element settings.
    void Assign(const TPersistent* source) override;

private:
    TComponentRef<TCustomChartSeries> series_{this};
};

// A stored axis position checked against the chart's axis count; raises EReadError naming the
// value when it is outside 0 .. axisCount - 1.
int CheckedAxisIndex(std::int64_t stored, int axisCount);

// A tool bound to one axis; the axis is stored as its position in the chart's axis list.
class TDuvCustomToolAxis : public TDuvCustomTool {
    QB_CLASS(TDuvCustomToolAxis, TDuvCustomTool)
public:
    explicit TDuvCustomToolAxis(TComponent* owner) : TDuvCustomTool(owner) {}

    // An axis of the tool's own chart, or none: axes are not components, so the chart tells its
    // tools when it frees one (ForgetAxis) and a tool that changes chart lets go of the old axis.
    TChartAxis* Axis() const { return axis_; }
    // Also moves the tool to the axis' chart.
    virtual void SetAxis(TChartAxis* value);
    // Without side effects (the chart clears it before freeing the axis).
    void StoreAxis(TChartAxis* value) { axis_ = value; }
    void SetParentChart(TCustomAxisPanel* value) override;
    std::string GetEditorClassName() const override { return "TAxisToolEditor"; }
    void Assign(const TPersistent* source) override;
    void DefineProperties(TFiler& filer) override;

private:
    TChartAxis* axis_ = nullptr;
};

// The base of the chart's animations: a tool in the chart's animation list.
class TDuvCustomAnimation : public TDuvCustomTool {
    QB_CLASS(TDuvCustomAnimation, TDuvCustomTool)
public:
    explicit TDuvCustomAnimation(TComponent* owner) : TDuvCustomTool(owner) {}
    virtual void Play() = 0;
    // Name, else the class' description, else the class name.
    std::string DescriptiveName() const;

protected:
    TChartTools* ChartListOf(TCustomAxisPanel* chart) const override;
};

// A chart's tools (Chart nil: a free-standing list that only collects tools). Not owning.
class TChartTools {
public:
    explicit TChartTools(TCustomAxisPanel* chart = nullptr) : Chart(chart) {}
    virtual ~TChartTools();
    TChartTools(const TChartTools&) = delete;
    TChartTools& operator=(const TChartTools&) = delete;

    TCustomAxisPanel* const Chart;

    int Count() const { return static_cast<int>(items_.size()); }
    TDuvCustomTool* GetTool(int index) const { return items_[static_cast<std::size_t>(index)]; }
    int IndexOf(const TDuvCustomTool* tool) const;
    // With a chart the tool joins the chart (and so this list); else it is appended.
    TDuvCustomTool* AddTool(TDuvCustomTool* tool);
    // A tool of the class, owned by the chart.
    TDuvCustomTool* CreateTool(const TClassInfo& toolClass);
    // Frees every tool of the list.
    void Clear();
    void Append(TDuvCustomTool* tool);
    void Remove(TDuvCustomTool* tool);

    // The chart's calls, to the active tools in list order (see the contract above). Mouse,
    // wheel and keys answer the first reply other than PassOn; heldElsewhere: another list's
    // tool holds the drag.
    void BroadcastChartEvent(TChartEventCode code) const;
    TEventReply BroadcastMouseEvent(TMouseEventKind kind, TMouseButton button, TShiftState shift, int x, int y,
                                    bool heldElsewhere = false) const;
    void BroadcastDragEvent(TDragEventKind kind, TObject* source, bool& accept, int x, int y) const;
    TEventReply BroadcastKeyEvent(TKeyEventKind kind, int& key, TShiftState shift, char& keyChar) const;
    TEventReply BroadcastMouseWheel(TWheelEventKind kind, int wheelDelta, int x, int y) const;
    void BroadcastSeriesEvent(TSeriesEventCode code, TCustomChartSeries* series) const;
    // The tool holding the mouse drag; none between drags.
    TDuvCustomTool* DragHolder() const { return holder_; }
    // Series tools of a series being freed, and axis tools of an axis being freed, let go of it.
    void ForgetSeries(const TCustomChartSeries* series) const;
    void ForgetAxis(const TChartAxis* axis) const;

private:
    // The active tools, copied so that a handler may change the list.
    std::vector<TDuvCustomTool*> ActiveTools() const;
    std::vector<TDuvCustomTool*> items_;
    // Bookkeeping of the mouse road, not state of the list.
    mutable TDuvCustomTool* holder_ = nullptr;
    mutable TMouseButton holderButton_ = mbLeft;
};

class TChartAnimations : public TChartTools {
public:
    using TChartTools::TChartTools;
    TDuvCustomAnimation* GetAnimation(int index) const { return static_cast<TDuvCustomAnimation*>(GetTool(index)); }
};

// ---------------------------------------------------------------- series sources

// A component that fills one series (from a file, a URL, a spreadsheet). Opening loads the
// series, closing clears it.
class TDuvSeriesSource : public TComponent, public IChartEditable {
    QB_CLASS(TDuvSeriesSource, TComponent)
public:
    explicit TDuvSeriesSource(TComponent* owner);
    ~TDuvSeriesSource() override;

    bool Active() const { return active_; }
    virtual void SetActive(bool value);
    TCustomChartSeries* Series() const { return series_; }
    // The source becomes the series' data source; nil takes it from the old series.
    virtual void SetSeries(TCustomChartSeries* value);
    // Whether sources of this class may feed the series of the chart.
    virtual bool AcceptsChart(const TCustomAxisPanel*) const { return true; }
    virtual std::string GetDescription() const { return {}; }
    // GetEditorClassName names the registered form that edits this kind of source.
    // Whether the series editor shows its New, Edit and Delete buttons for this kind.
    virtual bool ShowsNewEditDelete() const { return false; }
    // The series' first data source is of this source's class.
    virtual bool IsSourceOf(const TCustomChartSeries* series) const;
    virtual void Close();
    virtual void LoadData() {}
    virtual void Open() { SetActive(true); }
    void RefreshIfActive();

protected:
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    bool active_ = false;
    TComponentRef<TCustomChartSeries> series_{this};
};

// The registered series source classes, for the series editor; units add theirs at start-up.
std::vector<const TClassInfo*>& SeriesSourceClasses();

void RuRazaziListsInitialization();
