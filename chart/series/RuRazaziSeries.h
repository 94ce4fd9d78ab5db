#pragma once
// The base of every data series: points as one index across parallel per-point lists, their
// colours and labels, the update counter that batches changes, the notifications to dependent
// series and to the chart, axis binding, drawing, legend and mouse, data sources and the
// function link, sample data, sorting, copying and paging. The chart reaches all of it through
// the protocol of TCustomChartSeries.
//
// What always holds between operations:
//  - every value list holds PointCount() values;
//  - the colour list, when it exists, holds exactly PointCount() colours;
//  - labels and visuals may be shorter than the point count, never longer;
//  - a dependent hears of a point only once every per-point list holds it;
//  - a series is in the LinkedSeries of each series among its data sources, and of no other.
#include <memory>
#include <string>
#include <vector>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/RuRazazi.h"
#include "chart/engine/RuRazaziLists.h"
#include "chart/engine/RuRazaziSelect.h"
#include "chart/series/RuRazaziMarks.h"
#include "platform/core/Streams.h"

class TChartLegend;
class TChartSeries;
class TDuvFunction;

// Which notifications of a source series a dependent reacts to.
enum TSeriesSourceReaction : int { srDelete = 1, srModify = 2, srAdd = 4, srClear = 8 };
inline constexpr int srAll = srDelete | srModify | srAdd | srClear;

using TSeriesOnAfterAdd = TEvent<void(TChartSeries* sender, int valueIndex)>;
using TSeriesOnBeforeAdd = TEvent<bool(TChartSeries* sender)>;
using TSeriesOnClear = TEvent<void(TChartSeries* sender)>;
using TSeriesOnGetMarkText = TEvent<void(TChartSeries* sender, int valueIndex, std::string& markText)>;

// The data sources of one series, in order; the first is its DataSource. Entries are not
// owned, except a series source component whose owner is the series.
class TDataSourcesList {
public:
    explicit TDataSourcesList(TChartSeries* series) : Series(series) {}
    TDataSourcesList(const TDataSourcesList&) = delete;
    TDataSourcesList& operator=(const TDataSourcesList&) = delete;

    TChartSeries* const Series;
    int Count() const { return static_cast<int>(items_.size()); }
    TComponent* Get(int index) const { return items_[static_cast<std::size_t>(index)]; }
    int IndexOf(const TComponent* component) const;
    // AddDataSource (component, false) of the series.
    int AddSource(TComponent* component);
    // The series leaves its sources' dependents, each entry leaves (last first), and points
    // that are not the series' own data go.
    void Clear();

private:
    friend class TChartSeries;
    std::vector<TComponent*> items_;
};

// Per-point transform objects of a series, made from a template on first use.
class TVisualsList {
public:
    explicit TVisualsList(TChartSeries* series) : Series(series) {}
    ~TVisualsList();
    TVisualsList(const TVisualsList&) = delete;
    TVisualsList& operator=(const TVisualsList&) = delete;

    TChartSeries* const Series;
    int Count() const { return static_cast<int>(items_.size()); }
    TComponent* Template() const { return template_; }
    void SetTemplate(TComponent* component);
    // The entry, else a copy of an enabled template stored at index, else none.
    TComponent* GetVisual(int index);
    void PutVisual(int index, TComponent* visual);
    void DeleteVisual(int index);
    void InsertEmpty(int index);
    void Exchange(int i, int j);
    void Clear();
    // Opens the installed editor services' visual editor (index -1: the template for all points).
    virtual void EditVisual(int index, bool flag);

private:
    void FreeOwned(TComponent* visual);
    std::vector<TComponent*> items_;
    TComponent* template_ = nullptr;
};

// What a per-point visual object or a visuals template does when a series places it. The
// classes of such objects belong to the editors, and this system installs none: a component
// without this face is placed and draws nothing.
class TSeriesVisual {
public:
    virtual ~TSeriesVisual() = default;
    // The box to fill (screen rectangle, depths z0 .. z1) and the look to fill it with.
    virtual void FormatVisual(const TRect& box, int z0, int z1, const TDuvPen& pen, const TDuvBrush& brush,
                              int transparency, TColor color) = 0;
    // Draws what the box and the look make.
    virtual void DrawVisual(TCanvas3D& canvas) = 0;
    // A template's share of one point: its colour and position, y counted up from the panel's
    // bottom edge.
    virtual void VisualPoint(TCanvas3D& canvas, TColor color, double x, double y) = 0;
};

class TChartSeries : public TCustomChartSeries {
    QB_CLASS(TChartSeries, TCustomChartSeries)
public:
    explicit TChartSeries(TComponent* owner);
    ~TChartSeries() override;
    static void DeclareProperties(TPropertyDeclarer<TChartSeries>& p);

    // ------------------------------------------------------------ lists and orientation
    TChartValueList* XValues() const { return xValues_; }
    TChartValueList* YValues() const { return yValues_; }
    TChartValueList* MandatoryList() const { return YMandatory() ? yValues_ : xValues_; }
    TChartValueList* SecondaryList() const { return YMandatory() ? xValues_ : yValues_; }
    bool YMandatory() const override { return yMandatory_; }
    // Horizontal series types call it from their constructors; list orders stay as they are.
    void MakeHorizontal() { yMandatory_ = false; }
    void SetXValues(const TChartValueList* value) { AssignValueList(xValues_, value); }
    void SetYValues(const TChartValueList* value) { AssignValueList(yValues_, value); }
    void AssignValueList(TChartValueList* target, const TChartValueList* source);

    // ------------------------------------------------------------ adding points
    // The one place where points enter; -1 when OnBeforeAdd refuses.
    virtual int AddPointXY(double x, double y, const std::string& label = {}, TColor color = clDefault);
    virtual int AddPointY(double value, const std::string& label = {}, TColor color = clDefault);
    int AddXWithIndexY(double x, const std::string& label = {}, TColor color = clDefault);
    int AddYWithIndexX(double y, const std::string& label = {}, TColor color = clDefault);
    virtual int AddNullPoint(const std::string& label = {});
    int AddNullValue(double value);
    virtual int AddNullPointXY(double x, double y, const std::string& label = {});
    // Both go straight into the value lists and end in one notification; they answer the
    // number of values offered (refused ones included).
    int AddValueArray(const std::vector<double>& values);
    int AddValueArray(const double* values, int count);
    int AddXYArrays(const std::vector<double>& xs, const std::vector<double>& ys);
    int AddXYArrays(const double* xs, const double* ys, int count);
    virtual int AddValuesFromSeries(TChartSeries* source, int index);
    virtual void CopyPointFromSeries(TChartSeries* source, int index);

    // ------------------------------------------------------------ removing points
    // ChartException when index is outside 0 .. count - 1; nothing changes then.
    virtual void DeletePoint(int index);
    virtual void DeletePoints(int start, int quantity, bool renumber = false);
    // Deletes point index of this series; source is the series that told of the deletion.
    virtual void DeletePointAt(TChartSeries* source, int index);
    void ClearPoints() override;
    virtual void ClearStorage();

    // ------------------------------------------------------------ point access
    virtual double GetXValue(int index) const { return xValues_->GetValueAt(index); }
    virtual double GetYValue(int index) const { return yValues_->GetValueAt(index); }
    void SetXValue(int index, double value);
    void SetYValue(int index, double value);
    virtual double GetMandatoryValue(int index) const { return MandatoryList()->GetValueAt(index); }
    virtual double GetStackedEndValue(int index) const { return GetMandatoryValue(index); }
    virtual void GetPointLabel(int index, std::string& text) const { GetStoredLabel(index, text); }
    void GetStoredLabel(int index, std::string& text) const { text = Labels().GetLabelText(index); }
    void SetPointLabel(int index, const std::string& text) { Labels().SetLabelText(index, text); }
    TColor StoredPointColor(int index) const;
    TColor GetPointColor(int index) const override;
    void SetPointColor(int index, TColor color);
    bool IsNullPoint(int index) const override { return GetPointColor(index) == clNone; }
    void SetNull(int index, bool isNull = true) { SetPointColor(index, isNull ? clNone : clDefault); }
    // The colour list, none until a point gets a colour of its own.
    const std::vector<TColor>* PointColors() const { return pointColors_.get(); }
    void SwapPoints(int i, int j) override;
    // What "Data" must carry; every point is examined, so nothing after the first few
    // thousand points is lost on saving.
    bool XValuesNeedStoring() const override;
    bool PointColorsNeedStoring() const override;
    bool LabelsNeedStoring() const override;
    bool HasCustomMarkPositions() const override;

    // ------------------------------------------------------------ batching and notification
    void NotifyDependents(TDependentChange code, int index) override;
    void NotifyDataChanged() override;
    virtual void PointAdded(TChartSeries* sender, int index);
    virtual void ColorEachPointChanged(int index);

    // ------------------------------------------------------------ colours
    TColor SeriesColor() const { return seriesColor_; }
    TColor PaletteColor() const { return paletteColor_; }
    TColor GetSeriesColor() const override { return seriesColor_ == clDefault ? paletteColor_ : seriesColor_; }
    void SetSeriesColor(TColor value) override;
    void SetAutoColor(TColor color) override;
    void ResetSeriesColor();
    bool HasExplicitColor() const { return seriesColor_ != clDefault; }
    bool ColorEachPoint() const { return colorEachPoint_; }
    // The value a series type starts with and need not write.
    bool DefaultColorEachPoint() const { return defaultColorEachPoint_; }
    void InitColorEachPoint(bool value);
    virtual void SetColorEachPoint(bool value);
    bool ShowsSeriesColor() const override { return showsSeriesColor_; }

    // ------------------------------------------------------------ settings
    const std::string& ColorSource() const { return colorSource_; }
    void SetColorSource(const std::string& value);
    const std::string& XLabelsSource() const { return xLabelsSource_; }
    void SetXLabelsSource(const std::string& value);
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor value) { cursor_ = value; }
    void SetDepth(int value) { ChangeInteger(Depth, value); }
    const std::string& ValueFormat() const { return valueFormat_; }
    virtual void SetValueFormat(const std::string& value) { ChangeString(valueFormat_, value); }
    const std::string& PercentFormat() const { return percentFormat_; }
    void SetPercentFormat(const std::string& value) { ChangeString(percentFormat_, value); }
    int Transparency() const { return transparency_; }
    virtual void SetTransparency(int value) { ChangeInteger(transparency_, value); }
    void SetTitle(const std::string& value);
    void SetActive(bool value) override;
    std::string GetDisplayTitle() const override;

    double NullPointValue = 0;
    int SourceReactions = srAll;
    int LabelSortOrder = 0;
    int SampleCount = 0;
    bool DontSaveData = false, ForceSaveData = false;
    bool StoresXValues = true;
    bool ComputeVisiblePoints = true;
    bool IncludePointPastEnd = false;
    bool SingleResultAsPoint = true;
    bool DataLoaded = false;
    TChartLegend* CurrentLegend = nullptr;

    TSeriesOnAfterAdd OnAfterAdd;
    TSeriesOnBeforeAdd OnBeforeAdd;
    TSeriesOnClear OnClearValues;
    TSeriesOnGetMarkText OnGetMarkText;
    TNotifyEvent OnMouseEnter, OnMouseLeave;

    // ------------------------------------------------------------ chart membership
    void SetParentChart(TCustomAxisPanel* value) override;
    void AddedToChart() override;
    void RemovedFromChart() override;

    // ------------------------------------------------------------ axes
    void SetHorizAxis(THorizAxis value) override;
    void SetVertAxis(TVertAxis value) override;
    TChartAxis* CustomHorizAxis() const override { return customHorizAxis_; }
    TChartAxis* CustomVertAxis() const override { return customVertAxis_; }
    void SetCustomHorizAxis(TChartAxis* axis) override;
    void SetCustomVertAxis(TChartAxis* axis) override;
    TChartAxis* HorizAxisObject() const override { return horizAxisObject_; }
    TChartAxis* VertAxisObject() const override { return vertAxisObject_; }
    void BindAxes();
    bool UsesAxis(const TChartAxis* axis) const override;
    TChartValueList* GetAxisValueList(const TChartAxis* axis) const override;

    // ------------------------------------------------------------ values and pixels
    int ValueToScreenX(double value) const;
    int ValueToScreenY(double value) const;
    int ValueToScreenMandatory(double value) const;
    int GetPointScreenX(int index) override { return ValueToScreenX(xValues_->GetValueAt(index)); }
    int GetPointScreenY(int index) override { return ValueToScreenY(yValues_->GetValueAt(index)); }
    virtual void GetPointScreenXY(int index, int& x, int& y);
    double ScreenToXValue(int pixel) override;
    double ScreenToYValue(int pixel) override;
    int CalcXSizeValue(double value) const;
    int CalcYSizeValue(double value) const;
    virtual bool IsPointInChartRect(int index);
    double MinXValue() override { return xValues_->GetMinimum(); }
    double MaxXValue() override { return xValues_->GetMaximum(); }
    double MinYValue() override { return yValues_->GetMinimum(); }
    double MaxYValue() override { return yValues_->GetMaximum(); }

    // ------------------------------------------------------------ drawing
    void CalcFirstLastVisible() override;
    bool DrawForwardOnAxis() const override;
    bool DrawForwardIn3DView(int) const override;
    bool DrawForwardInDepth() const override;
    void DrawAllPoints() override;
    void FireBeforeDrawValues() override;
    void FireAfterDrawValues() override;
    void NotifyToolsOfSeries(TSeriesEventCode code);
    void PushDrawTransform();
    using TSubGalleryCallback = std::function<void(const std::string& style)>;
    virtual void ListSubGalleryStyles(const TSubGalleryCallback& callback);
    virtual void ApplySubGalleryStyle(int) {}
    // Per-point transforms; reading makes the list.
    TVisualsList* Visuals();
    TVisualsList* PeekVisuals() const { return visuals_.get(); }

    // ------------------------------------------------------------ Z order
    void CalcZOrder() override;
    void CalcDepthPositions(int slotDepth) override;
    bool SharesZOrder() const override;
    bool IsFirstAtZOrder() const override;

    // ------------------------------------------------------------ legend
    virtual void GetLegendText(int index, TLegendTextStyle style, std::string& text) const;
    void BuildMarkText(int index, TLegendTextStyle style, std::string& text) const override
    {
        GetLegendText(index, style, text);
    }
    void DrawLegendItemSymbol(int index, const TRect& rect) override;
    void PaintLegendSymbol(int index, const TRect& rect) override;

    // ------------------------------------------------------------ mouse
    bool CheckMouseOver(int x, int y) override;
    bool HoverEnabled();
    bool ApplyHoverPen(int index);
    TDuvSelected* GetSelected() override;
    TDuvSelected* PeekSelected() const { return selected_.get(); }
    void SetSelected(const TDuvSelected* value);

    // ------------------------------------------------------------ data sources
    TDataSourcesList& GetDataSources();
    const TDataSourcesList* PeekDataSources() const { return dataSources_.get(); }
    int DataSourceCount() const override { return dataSources_ ? dataSources_->Count() : 0; }
    TComponent* DataSource(int index) const override { return dataSources_->Get(index); }
    TComponent* DataSource() const { return GetDataSource(); }
    void SetDataSource(TComponent* value);
    // Raises ChartException when the component cannot feed this series; -1 when listed already.
    int AddDataSource(TComponent* component, bool clearFirst);
    void AddDataSource(TComponent* component) override { AddDataSource(component, false); }
    int AddDataSourceRaw(TComponent* component);
    void RemoveDataSource(TComponent* component) override;
    bool CanUseAsSource(const TComponent* component) const override;
    virtual bool AcceptsSourceSeries(const TChartSeries* source) const { return source != this; }
    virtual bool FunctionAcceptsSource(const TChartSeries* source) const;
    // ChartException when the component depends on this series through its sources.
    void CheckSourceCycle(TComponent* component);
    void LoadFromSourceSeries(TCustomChartSeries* source) override;
    void RefreshFromSeries(TChartSeries* source) { LoadFromSourceSeries(source); }
    void RefreshFromSources() override;
    void RefreshWithoutSources() override;
    void UnlinkFromSources();
    static void RemoveSourceFrom(TChartSeries* dependent, TComponent* source);
    // Names read from "DataSources", resolved when loading ends.
    const std::vector<std::string>* PendingSourceNames() const { return pendingSourceNames_.get(); }

    // ------------------------------------------------------------ function
    TDuvFunction* Function() const { return function_; }
    // Frees the former function; the new one computes this series' points.
    virtual void SetFunction(TDuvFunction* value);

    // ------------------------------------------------------------ whole series
    void FillSampleValues(int numValues) override;
    virtual void AddRandomSamples(int count, bool valuesOnly);
    struct TSampleRanges {
        double StartX = 0, XStep = 0, StartY = 0, MinY = 0, YRange = 0;
    };
    TSampleRanges SampleValueRanges(int count);
    static int RandomInt(int range);
    virtual void SortByOrder();
    void SortPointsByLabel(int order);
    void Assign(const TPersistent* source) override;
    void AssignFormat(const TCustomChartSeries* source) override;
    void CopyDataFrom(TChartSeries* source);
    virtual void SetGalleryLook();
    // The chart's 3D view for gallery previews.
    virtual void SetGalleryView3D(bool value);
    // Calls a stored notify event with sender (the series editor's way to fire one).
    static void CallChangeEvent(const TNotifyEvent& event, TObject* sender);
    void PageIndexRange(int& first, int& last) override;

    void GetChildren(const TGetChildProc& proc, TComponent* root) override;
    void DefineProperties(TFiler& filer) override;

    // ------------------------------------------------------------ mark texts
    // The text a mark style gives for a point; lines are parted by a carriage return with
    // multiLine, else by a blank.
    std::string MarkTextForStyle(bool multiLine, int index, TSeriesMarksStyle style) const;
    // abs(value) x 100 / sum of abs values (100 when that sum is 0); withTotal adds "of <sum>".
    std::string PercentText(int index, bool withTotal, bool multiLine = false) const;
    // The marks' style text, then OnGetMarkText.
    std::string MarkTextOf(int index) const override;
    // Whether point index gets a mark: DrawEvery, null points and SoftClip.
    bool MarkShown(int index);

    // ------------------------------------------------------------ mark drawing
    bool HasMarks() const override { return true; }
    bool MarksVisible() const override { return marks_.Visible(); }
    void SetMarksVisible(bool value) override { marks_.SetVisible(value); }
    bool MarksClipped() const override { return marks_.Clip(); }
    bool MarksOnTop() const override { return marks_.OnTop(); }
    // The widest mark text over the points whose mark format is visible.
    int MaxMarkExtent() override;
    int MarkIndexAtPoint(const TPoint& p) const override { return const_cast<TSeriesMarks&>(marks_).MarkIndexAtPoint(p); }
    // Every shown mark from the first to the last visible point.
    void DrawAllMarks() override;
    // Sizes the point's mark format for text and places the box over the point.
    void MeasureMark(int index, const std::string& text, TSeriesMarkPosition& position);
    // Places (series types adjust the position first) and draws one mark.
    virtual void DrawPointMark(int index, const std::string& text, TSeriesMarkPosition& position);
    // How far a mark box must move off another one it overlaps.
    virtual void CalcMarkShift(int index, const TRect& box, const TRect& other, TPoint& shift) const;
    // The room between a point and its mark, for margins.
    virtual int GetMarkDistance() const { return 0; }

    // ------------------------------------------------------------ the "Data" stream property
    TSeriesMarks& Marks() { return marks_; }
    const TSeriesMarks& Marks() const { return marks_; }
    // The published "Marks" object; setting copies the given marks.
    TSeriesMarks* GetMarks() const { return const_cast<TSeriesMarks*>(&marks_); }
    void SetMarks(const TSeriesMarks* value) { marks_.Assign(value); }
    // "Data" is written when forced, or when the points were loaded and saving is not refused.
    bool IsDataStored() const { return ForceSaveData || (DataLoaded && !DontSaveData); }
    virtual void WriteData(TStream& stream) const;
    // Reads one "Data" block from the stream's position, leaving the stream after it. The block
    // is checked whole before the series changes: bad bytes raise EReadError and the points
    // stay as they were.
    void ReadDataStream(TStream& stream);

protected:
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    // Mark hooks: the series has no marks of its own until the marks unit gives it some.
    // The deleted point's mark place and format go; later ones move down with their points.
    virtual void MarksDeletePoint(int index, bool withItem);
    // The places of a run of points go; per-point formats stay.
    virtual void MarksDeleteRange(int start, int quantity);
    virtual void MarksClear() { marks_.ClearPositions(); }
    virtual void MarksMoveToChart() { marks_.AttachToPanel(ParentChart()); }
    virtual void MarksSetZ(int z) { marks_.MarksZ = z; }
    virtual void CopyMarksFrom(const TChartSeries* source) { marks_.Assign(&source->marks_); }
    virtual void SetGalleryMarks() {}

private:
    friend class TDataSourcesList;
    friend class TDuvFunction;
    int InsertPoint(double x, double y, const std::string& label, TColor color);
    void StorePointExtras(int index, const std::string& label, TColor color);
    void EnsureColorList();
    TChartValueList* PositionAxisList() const { return SecondaryList(); }
    void ReadDataSources(const std::vector<std::string>& names);
    void DefineDataProperty(TFiler& filer);
    void DefineCustomAxis(TFiler& filer, const std::string& name, TChartAxis* axis,
                          void (TChartSeries::*setAxis)(TChartAxis*));
    void ResolvePendingSources();
    void ReactToSource(TChartSeries* source, TDependentChange code, int index);

    TChartValueList* xValues_;
    TChartValueList* yValues_;
    bool yMandatory_ = true;
    TColor seriesColor_ = clDefault;
    TColor paletteColor_ = clDefault;
    bool colorEachPoint_ = false;
    bool defaultColorEachPoint_ = false;
    bool showsSeriesColor_ = true;
    std::string colorSource_, xLabelsSource_;
    TCursor cursor_ = 0;
    std::string valueFormat_, percentFormat_;
    int transparency_ = 0;
    std::unique_ptr<std::vector<TColor>> pointColors_;
    std::unique_ptr<TDataSourcesList> dataSources_;
    std::unique_ptr<TVisualsList> visuals_;
    std::unique_ptr<TDuvSelected> selected_;
    std::unique_ptr<std::vector<std::string>> pendingSourceNames_;
    TChartAxis* horizAxisObject_ = nullptr;
    TChartAxis* vertAxisObject_ = nullptr;
    TChartAxis* customHorizAxis_ = nullptr;
    TChartAxis* customVertAxis_ = nullptr;
    TDuvFunction* function_ = nullptr;
    // While a point enters or leaves the lists, the lists' own "modified" news is held back:
    // the operation's own notification follows once every list agrees.
    int listsInFlux_ = 0;
    TSeriesMarks marks_{this};
    bool clearingSources_ = false;
    // Cleared to be filled again from the sources: the value storage stays for the new points.
    bool refilling_ = false;
    void ClearPointsForRefill();
};

// One entry per listed series, the series as the entry's object.
class TStringList;
void FillSeriesTitles(TStringList& strings, const TCustomSeriesList& list, bool useTitles);

// Reads the bare "Data" blocks that older chart files append after the component stream, one per
// series of the chart in its series order; the last must end where the stream ends. Every block
// is checked before any series changes.
void ReadAppendedSeriesData(TCustomAxisPanel& chart, TStream& stream);

void RuRazaziSeriesInitialization();
