#pragma once
// The pie: one slice per point of a whole or part of a circle, flat or as a 3D disc, with
// exploded slices, per-slice heights, a bevel ring, patterns, gradients, several pies in a grid
// or nested as rings, a hole, the grouping of small values into one "other" slice with a legend
// of its own, and the placement of the pie's marks.
//
// Slice angles are finite, lie between 0 and AngleSize in radians and never decrease along the
// visible points, whatever values (huge, infinite, not a number) the points hold.
#include <memory>
#include <vector>

#include "chart/series/SeriesCircled.h"

class TChartLegend;
class TPieSeries;

QB_ENUM(TPieOtherStyle, poNone, poBelowPercent, poBelowValue)
QB_ENUM(TMultiPie, mpAutomatic, mpDisabled, mpConcentric)

// X values that mark a point grouped into the other slice, and the other slice's own point.
inline constexpr double kGroupedPointX = -1;
inline constexpr double kOtherSliceX = 2147483647.0;

// Integers per point (explode percent, slice height percent); reading past the end gives 0.
class TSliceValueList {
public:
    explicit TSliceValueList(TPieSeries* pie) : pie_(pie) {}
    int Count() const { return static_cast<int>(items_.size()); }
    bool Empty() const { return items_.empty(); }
    int Get(int index) const;
    // Grows with zeros up to index; repaints the pie when the value changed.
    void Set(int index, int value);
    void Delete(int index);
    void Exchange(int i, int j, int pointCount);
    void Clear() { items_.clear(); }
    void Assign(const TSliceValueList& other) { items_ = other.items_; }

private:
    TPieSeries* pie_;
    std::vector<int> items_;
};

struct TPieAngle {
    double StartAngle = 0, MidAngle = 0, EndAngle = 0;
};

// Small values gathered into one extra slice.
class TPieOtherSlice : public TPersistent {
    QB_CLASS(TPieOtherSlice, TPersistent)
public:
    explicit TPieOtherSlice(TPieSeries* pie = nullptr);
    ~TPieOtherSlice() override;
    static void DeclareProperties(TPropertyDeclarer<TPieOtherSlice>& p);

    TPieOtherStyle Style() const { return style_; }
    void SetStyle(TPieOtherStyle value);
    double Value() const { return value_; }
    void SetValue(double value);
    const std::string& Text() const { return text_; }
    void SetText(const std::string& value);
    // The label the slice shows.
    std::string ShownText() const;
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    // Made on first read, on the pie's chart, invisible, listing the pie.
    TChartLegend* GetLegend();
    TChartLegend* PeekLegend() const { return legend_.get(); }
    // None frees the legend; another is copied and bound to the pie.
    void SetLegend(const TChartLegend* value);
    // Makes the legend again on the pie's new chart with the same settings.
    void MoveLegendToChart();
    bool Active() const { return style_ != poNone; }
    void Assign(const TPersistent* source) override;

private:
    void Repaint();
    TPieSeries* pie_;
    TPieOtherStyle style_ = poNone;
    double value_ = 0;
    std::string text_;
    TColor color_ = clDefault;
    std::unique_ptr<TChartLegend> legend_;
};

// Where the pie's marks go.
class TPieMarks : public TPersistent {
    QB_CLASS(TPieMarks, TPersistent)
public:
    explicit TPieMarks(TPieSeries* pie = nullptr) : pie_(pie) {}
    static void DeclareProperties(TPropertyDeclarer<TPieMarks>& p);

    bool EmptySlice() const { return emptySlice_; }
    void SetEmptySlice(bool value) { Change(emptySlice_, value); }
    bool InsideSlice() const { return insideSlice_; }
    void SetInsideSlice(bool value) { Change(insideSlice_, value); }
    int LegSize() const { return legSize_; }
    void SetLegSize(int value) { Change(legSize_, value); }
    bool Rotated() const { return rotated_; }
    void SetRotated(bool value) { Change(rotated_, value); }
    bool VertCenter() const { return vertCenter_; }
    void SetVertCenter(bool value) { Change(vertCenter_, value); }
    void Assign(const TPersistent* source) override;

private:
    template <class V>
    void Change(V& field, V value);
    TPieSeries* pie_;
    bool emptySlice_ = false, insideSlice_ = false;
    int legSize_ = 0;
    bool rotated_ = false, vertCenter_ = false;
};

class TPieSeries : public TCircledSeries {
    QB_CLASS(TPieSeries, TCircledSeries)
public:
    explicit TPieSeries(TComponent* owner);
    ~TPieSeries() override;
    static void DeclareProperties(TPropertyDeclarer<TPieSeries>& p);

    // ------------------------------------------------------------ settings
    int AngleSize() const { return angleSize_; }
    void SetAngleSize(int value) { ChangeInteger(angleSize_, value); }
    // What the slices span: the stored size kept within one turn either way, so that no slice
    // asks the canvas for more than one point per degree of a circle.
    int EffectiveAngleSize() const;
    bool AutoMarkPosition() const { return Marks().AutoPosition(); }
    void SetAutoMarkPosition(bool value) { Marks().SetAutoPosition(value); }
    TPieBevel& Bevel() const { return *bevel_; }
    void SetBevel(const TPieBevel* value) { bevel_->Assign(value); }
    int BevelPercent() const { return bevel_->Percent(); }
    void SetBevelPercent(int value) { bevel_->SetPercent(value); }
    bool Dark3D() const { return dark3D_; }
    void SetDark3D(bool value) { ChangeBoolean(dark3D_, value); }
    int DarkPen() const { return darkPen_; }
    void SetDarkPen(int value) { ChangeInteger(darkPen_, value); }
    int DonutPercent() const { return donutPercent_; }
    void SetDonutPercent(int value) { ChangeInteger(donutPercent_, value); }
    TEdgeStyle EdgeStyle() const { return edgeStyle_; }
    void SetEdgeStyle(TEdgeStyle value);
    int ExplodeBiggest() const { return explodeBiggest_; }
    void SetExplodeBiggest(int value);
    int GradientBright() const { return gradientBright_; }
    void SetGradientBright(int value);
    TMultiPie MultiPie() const { return multiPie_; }
    void SetMultiPie(TMultiPie value);
    TPieOtherSlice& OtherSlice() const { return *otherSlice_; }
    void SetOtherSlice(const TPieOtherSlice* value) { otherSlice_->Assign(value); }
    TPieMarks& PieMarks() const { return *pieMarks_; }
    void SetPieMarks(const TPieMarks* value) { pieMarks_->Assign(value); }
    TChartValueList* PieValues() const { return YValues(); }
    void SetPieValues(const TChartValueList* value) { SetYValues(value); }
    bool UsePatterns() const { return usePatterns_; }
    void SetUsePatterns(bool value) { ChangeBoolean(usePatterns_, value); }

    // ------------------------------------------------------------ per slice
    TSliceValueList ExplodedSlice{this};
    TSliceValueList SliceHeight{this};
    bool SliceOffsets = false;
    bool ConcentricRing = false;
    const std::vector<TPieAngle>& Angles() const { return angles_; }
    void CalcAngles();
    // The slice's angles; zeros for an index without computed angles.
    TPieAngle AngleOf(int index) const;
    void ExplodedOffset(int index, int& dx, int& dy) const;
    void ExplodedRadii(int index, int& xRadius, int& yRadius) const;
    int SliceDepth(int index) const;
    void MarkBiggest();
    bool IsGrouped(int index) const { return XValues()->GetValueAt(index) == kGroupedPointX; }
    bool IsOtherSlicePoint(int index) const { return XValues()->GetValueAt(index) == kOtherSliceX; }
    // The pattern a slice is filled with.
    TBrushStyle SlicePattern(int index) const;
    void GradientColors(TDuvGradient& gradient, TColor color) const;
    void SetPiePen(int index);
    virtual void DrawSlice(int index);
    // The first point whose slice holds the pixel; -1 when none.
    int SliceAtPixel(int x, int y, bool useExplode);
    // The depth key that orders 3D slices from the back.
    double SliceDepthKey(int index) const;
    // The visible indexes in the order a rotated 3D pie draws them.
    std::vector<int> SlicesInDepthOrder() const;
    // Deletes the other slice's point; the X list becomes 0, 1, 2, ...
    void RemoveOtherSlice();
    void AutoMultiPieLayout();
    void ConcentricLayout();
    // Places the mark of a point: inside its slice, or outside at the end of a leader line.
    void PlacePieMark(int index, TSeriesMarkPosition& position);
    // The angle of a rotated mark, turned so that its text never reads upside down.
    int RotatedMarkAngle(int index) const;

    // ------------------------------------------------------------ framework
    std::string GetEditorClassName() const override { return "TPieSeriesEditor"; }
    void SetParentChart(TCustomAxisPanel* value) override;
    void PrepareToDraw() override;
    void AssignFormat(const TCustomChartSeries* source) override;
    void CalcZOrder() override { ZOrder = -1; }
    void GetPointScreenXY(int index, int& x, int& y) override;
    int GetPointScreenX(int index) override;
    void ClearStorage() override;
    void ClearPoints() override;
    void ListSubGalleryStyles(const TSubGalleryCallback& callback) override;
    void ApplySubGalleryStyle(int index) override;
    void FireBeforeDrawValues() override;
    void FireAfterDrawValues() override;
    void DrawAllPoints() override;
    void DrawPoint(int index) override;
    void PaintLegendSymbol(int index, const TRect& rect) override;
    void PrepareLegendCanvas(int index, TColor& backColor, TBrushStyle& style) override;
    void DrawPointMark(int index, const std::string& text, TSeriesMarkPosition& position) override;
    bool SharesZOrder() const override { return false; }
    int GetPointCount() const override;
    void DeletePoint(int index) override;
    int LegendToPointIndex(int legendIndex) const override;
    double MaxXValue() override;
    double MinXValue() override;
    double MaxYValue() override;
    double MinYValue() override;
    void CalcFirstLastVisible() override;
    int PointAtScreen(int x, int y) override;
    void AddRandomSamples(int count, bool valuesOnly) override;
    void SetGalleryView3D(bool value) override;
    void SetCircled3DView(TView3DOptions& view) override;
    void SetGalleryLook() override;
    void WriteData(TStream& stream) const override;
    void SortByOrder() override;
    int DefaultSampleCount() const override { return 8; }
    void SwapPoints(int i, int j) override;
    void RefreshLaterCircled() override {}

    bool ShowsSeriesColor() const override { return false; }

private:
    // The other slice's legend is the one being drawn.
    bool DrawsOtherLegend() const;
    int GroupedCount() const;
    // The k-th point (from 0) that is (or is not) grouped; -1 when there is none.
    int NthPoint(int k, bool grouped) const;
    void DrawShadows();

    int angleSize_ = 360;
    bool dark3D_ = true;
    int darkPen_ = 0;
    int donutPercent_ = 0;
    TEdgeStyle edgeStyle_ = edNone;
    int explodeBiggest_ = 0;
    int gradientBright_ = 0;
    TMultiPie multiPie_ = mpAutomatic;
    bool usePatterns_ = false;
    std::unique_ptr<TPieBevel> bevel_;
    std::unique_ptr<TPieOtherSlice> otherSlice_;
    std::unique_ptr<TPieMarks> pieMarks_;
    std::vector<TPieAngle> angles_;
    TRect savedChartRect_;
    int savedDonutPercent_ = 0;
    bool layoutSaved_ = false;
};

void SeriesPieInitialization();
