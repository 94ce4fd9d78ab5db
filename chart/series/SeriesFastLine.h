#pragma once
// The fast line series: many points as one line with a single pen. Points sharing a pixel
// column can be reduced to the first of them or to the column's span; all points can go to the
// canvas as one polyline prepared beforehand (also on the chart's worker threads); an added
// point can be drawn on its own without repainting the chart.
//
// What always holds while the series draws:
//  - the last position is where the line has reached, the x of the last point handled;
//  - with DrawAllPoints off and no nulls, the last x is the pixel column of the point before
//    the one being handled, so each column can be reduced apart from the others;
//  - the prepared points are written only by PreparePoints, which may run on a worker thread.
#include <vector>

#include "chart/series/Series.h"

QB_ENUM(TDrawAllPointsStyle, daFirst, daMinMax)
QB_ENUM(TFastLineDrawStyle, flSegments, flAll)

class TFastLineSeries : public TCustomLineSeries {
    QB_CLASS(TFastLineSeries, TCustomLineSeries)
public:
    explicit TFastLineSeries(TComponent* owner = nullptr);
    ~TFastLineSeries() override;
    static void DeclareProperties(TPropertyDeclarer<TFastLineSeries>& p);

    // ------------------------------------------------------------ settings
    // Off: an added point draws its own segment instead of repainting the chart.
    bool AutoRepaint() const { return autoRepaint_; }
    void SetAutoRepaint(bool value) { autoRepaint_ = value; }
    // Pixels around segments that still hit them.
    int ClickTolerance() const { return clickTolerance_; }
    void SetClickTolerance(int value) { clickTolerance_ = value; }
    TDrawAllPointsStyle DrawAllPointsStyle() const { return drawAllPointsStyle_; }
    void SetDrawAllPointsStyle(TDrawAllPointsStyle value);
    // Off: points sharing a pixel column are reduced (the property "DrawAllPoints").
    bool GetDrawAllPoints() const { return drawAllPoints_; }
    void SetDrawAllPoints(bool value);
    TFastLineDrawStyle DrawStyle() const { return drawStyle_; }
    void SetDrawStyle(TFastLineDrawStyle value);
    // Draws through the canvas' fast line mode.
    bool FastPen() const { return fastPen_; }
    void SetFastPen(bool value);
    // Stored and copied; nulls follow TreatNulls.
    bool IgnoreNulls() const { return ignoreNulls_; }
    void SetIgnoreNulls(bool value);
    bool InvertedStairs() const { return invertedStairs_; }
    void SetInvertedStairs(bool value);
    bool Stairs() const { return stairs_; }
    void SetStairs(bool value);
    TDuvPen& LinePen() const { return Pen(); }
    TDuvPen* GetLinePen() const { return &Pen(); }
    void SetLinePen(const TDuvPen* value) { SetPen(value); }
    void SetPen(const TDuvPen* value) override;
    void SetSeriesColor(TColor value) override;

    void Assign(const TPersistent* source) override;
    void AssignFormat(const TCustomChartSeries* source) override;
    std::string GetEditorClassName() const override { return "TFastLineSeriesEditor"; }
    void ListSubGalleryStyles(const TSubGalleryCallback& callback) override;
    void ApplySubGalleryStyle(int index) override;

    // ------------------------------------------------------------ drawing
    // DrawAllPoints on, DrawStyle flAll, TreatNulls tnIgnore, no Stairs, on a 2D chart.
    bool UsesPreparedPolyline() const;
    bool CanPrepareInParallel() const override { return UsesPreparedPolyline(); }
    // The visible range, the start position and, on the prepared path, the screen points.
    void PreparePoints();
    void DrawAllPointsFast() override { PreparePoints(); }
    void DrawAllPoints() override;
    void DrawPoint(int index) override;
    void CalcFirstLastVisible() override;
    void PointAdded(TChartSeries* sender, int index) override;
    // The line pen (in the series colour when its own is clDefault), clear brush, transparent.
    void PrepareCanvas();
    void PrepareLegendCanvas(int index, TColor& backColor, TBrushStyle& brushStyle) override;
    void PaintLegendSymbol(int index, const TRect& rect) override;
    void DrawPointMark(int index, const std::string& text, TSeriesMarkPosition& position) override;
    void GetHorizMargins(int& left, int& right) override;
    void GetVertMargins(int& top, int& bottom) override;
    int PointAtScreen(int x, int y) override;

    // The screen points of the prepared polyline, the start position first.
    const TPointArray& PreparedPoints() const { return prepared_; }

private:
    struct TColumnRun;
    void PrepareStart();
    void PrepareScreenPoints(int start, int last);
    void ScreenXY(int index, int& x, int& y);
    bool CanReduceFast(int start, int last) const;
    void DrawReduced(int start, int last);
    void DrawFirstOfColumns(int start, int last, int partCount, int threads);
    void DrawColumnSpans(int start, int last, int partCount, int threads);
    bool ColumnsAreRuns() const;
    int ColumnEnd(int index, int last) const;
    void ColumnRange(int a, int b, int& minY, int& maxY) const;
    void DrawSortedColumns(int start, int last, int partCount, int threads);
    void DrawRuns(const std::vector<TColumnRun>& runs);
    void DrawPointAt(int index, int x, int y);
    int ColumnLowest(int index, int x, int y);
    void ResetColumn();
    void FlushColumn();
    void MoveToPos(int x, int y);
    void LineToPos(int x, int y);
    void LineSegment(int x, int y);
    int WorkerThreads(int pointCount) const;

    bool autoRepaint_ = true;
    int clickTolerance_ = 0;
    TDrawAllPointsStyle drawAllPointsStyle_ = daFirst;
    bool drawAllPoints_ = true;
    TFastLineDrawStyle drawStyle_ = flSegments;
    bool fastPen_ = false;
    bool ignoreNulls_ = true;
    bool invertedStairs_ = false;
    bool stairs_ = false;

    // Drawing state.
    TCanvas3D* canvas_ = nullptr;
    bool view3D_ = false;
    bool inFastLineMode_ = false;
    int lastX_ = 0, lastY_ = 0;
    int columnMinY_ = 0, columnMaxY_ = 0;
    bool columnPending_ = false;
    // The last position came from a point that is not null.
    bool started_ = false;
    int startIndex_ = 0;
    TPointArray prepared_;
};
