#pragma once
// What the chart grid shows and writes: the columns of a chart's series, their cell texts, and
// the writing of typed texts, appended and deleted rows back into the series. The grid widget
// holds layout and keys; every decision lives here, so tests call it without a window.
//
// Numbering, as the grid shows it:
//  - row r is point r - HeaderRowCount(); the header rows are rows of the model too;
//  - column 0 is the index column, then the colour column, the label column, then per series
//    its X column (when shown), its other value lists and its visuals column (when shown);
//  - cells are computed when asked for, never stored, so a million points cost nothing until
//    they scroll into view.
#include <QAbstractTableModel>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "chart/engine/DuvPanel.h"
#include "chart/graphics/DuvTypes.h"
#include "platform/core/ComponentRef.h"

class TChartSeries;
class TChartValueList;
class TCustomAxisPanel;
class TCustomChartSeries;

enum TChartGridShow { cgsAuto, cgsNo, cgsYes };

enum class TGridColumnKind { Index, Color, Label, Value, Visuals };

struct TChartGridColumn {
    TGridColumnKind Kind = TGridColumnKind::Index;
    TChartSeries* Series = nullptr;
    TChartValueList* List = nullptr;
    bool FirstOfSeries = false;  // the series' title and symbol go above it
    bool operator==(const TChartGridColumn&) const = default;
};


// True for a series whose points carry a "Z" list besides X and Y on a regular X-by-Z grid.
bool IsGrid3DSeries(const TCustomChartSeries* series);

// A new bar series in the chart, named with the next free series name.
TChartSeries* NewBarSeries(TCustomAxisPanel* chart);

class TChartGridModel : public QAbstractTableModel, public IPanelEventListener {
public:
    // Custom roles for the header rows the grid paints itself.
    enum { SeriesTitleRole = Qt::UserRole + 1, SeriesColorRole };

    TChartGridModel();
    ~TChartGridModel() override;

    // ------------------------------------------------------------ what is shown
    TCustomAxisPanel* Chart() const;
    TChartSeries* Series() const;
    void SetChart(TCustomAxisPanel* chart);
    // Also follows the series' chart; none returns to chart mode.
    void SetSeries(TChartSeries* series);

    bool ShowColors() const { return showColors_; }
    bool ShowLabels() const { return showLabels_; }
    bool ShowSeriesTitles() const { return showSeriesTitles_; }
    TChartGridShow ShowXValues() const { return showXValues_; }
    TChartGridShow ShowVisuals() const { return showVisuals_; }
    bool Grid3D() const { return grid3D_; }
    // Each stores, then recalculates when the value changed.
    void SetShowColors(bool value);
    void SetShowLabels(bool value);
    void SetShowSeriesTitles(bool value);
    void SetShowXValues(TChartGridShow value);
    void SetShowVisuals(TChartGridShow value);
    void SetGrid3D(bool value);
    bool AllowSeriesChanges = false;
    bool ReadOnly = false;

    // ------------------------------------------------------------ numbering
    int HeaderRowCount() const { return grid3D_ ? 2 : (showSeriesTitles_ ? 2 : 1); }
    int ColorColumn() const { return showColors_ && !grid3D_ ? 1 : -1; }
    int LabelColumn() const;
    int ColCount() const { return grid3D_ ? 1 + static_cast<int>(gridXs_.size()) : static_cast<int>(columns_.size()); }
    int RowCount() const { return rowCount_; }
    const TChartGridColumn& Column(int col) const { return columns_[static_cast<std::size_t>(col)]; }
    // The series and list of a column (list none for visuals; in grid 3D mode the 3D series).
    TChartSeries* SeriesOfColumn(int col, TChartValueList*& list) const;
    // The series a colour cell stands for: the one in the column after the colour column.
    TChartSeries* SeriesNextToColor() const;
    // The series of the column, the next column's when col is the colour column.
    TChartSeries* SeriesForRowAction(int col) const;
    // The series shown: the single series, or every series of the chart not being destroyed.
    std::vector<TChartSeries*> ShownSeries() const;
    TChartSeries* Grid3DSeries() const;
    bool HasData() const;
    bool XColumnShown(const TChartSeries* series) const;
    bool VisualsColumnShown(const TChartSeries* series) const;
    // Whether the X column showed at the last recalculation.
    bool XFlagOf(const TChartSeries* series) const;
    // Rebuilds columns and rows; the model tells its view in one step.
    void RecalcDimensions();

    // ------------------------------------------------------------ cells
    // The text the grid shows and edits; empty past a series' points.
    std::string CellText(int col, int row) const;
    // Null points, rows past the points and the header give none (0x1FFFFFFF).
    TColor CellPointColor(int row) const;
    // Grid 3D mode: the point at a cell, -1 when none.
    int Grid3DPointAt(int col, int row) const;
    // Whether the in-place editor may open on the cell (the OnEditingCell answer aside).
    bool CellEditable(int col, int row) const;
    // Editing begins on a row past the series' points or on a null point.
    bool IsNewPointCell(int col, int row) const;

    // ------------------------------------------------------------ writing
    // Writes a typed text into the series. editorOpen: a blank text then leaves the point as it
    // is. A text that is no number (or date) raises EConvertError and nothing changes.
    void SetEditText(int col, int row, const std::string& value, bool editorOpen);
    // A null point at the end of every shown series; false when editing is not allowed.
    bool AppendRow();
    // A null point at the end of the series of the column; the point's index, -1 when refused.
    int AppendNullRow(int col);
    // Deletes the point of the row in every shown series that has it; in grid 3D mode every
    // point of the 3D series at the row's Z value.
    bool DeleteRow(int row);
    // Sets a point colour; the series holds its own data then.
    void SetPointColor(TChartSeries* series, int index, TColor color);
    // The Down key's point, the only one Up may take back; forgotten once written to.
    TChartSeries* AppendedSeries() const { return appendedSeries_; }
    int AppendedIndex() const { return appendedIndex_; }
    // Up on the last row: deletes the point Down appended when it is still null and unlabelled.
    bool TakeBackAppendedPoint(int col, int row);
    void ForgetAppendedPoint()
    {
        appendedSeries_ = nullptr;
        appendedIndex_ = -1;
    }
    // Repaints the shown series (the single one, or the whole chart).
    void RepaintChart() const;

    // ------------------------------------------------------------ notification
    // The chart's listener call.
    void PanelEvent(TDuvEvent& event) override;
    // Called after every recalculation (the grid re-applies widths; the navigator refreshes).
    std::function<void()> OnRecalc;
    // Called when the chart or series went away.
    std::function<void()> OnDetached;

    // ------------------------------------------------------------ QAbstractTableModel
    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : rowCount_; }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : ColCount(); }
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    template <class T>
    void ChangeAndRecalc(T& field, T value);
    void AttachChart(TCustomAxisPanel* chart);
    void DetachChart();
    void Removed(TComponent* component);
    void BuildColumns(std::vector<TChartGridColumn>& columns) const;
    void RecalcGrid3D(std::vector<TChartGridColumn>& columns);
    bool DeleteGrid3DRow(int index);
    void AddNullPointsUpTo(TChartSeries* series, int index) const;
    std::string ValueText(const TChartSeries* series, const TChartValueList* list, int index) const;
    std::string LabelText(int index) const;
    std::string HeaderText(int col, int row) const;

    TComponentRef<TCustomAxisPanel> chart_;
    TComponentRef<TChartSeries> series_;
    bool showColors_ = false, showLabels_ = true, showSeriesTitles_ = true, grid3D_ = false;
    TChartGridShow showXValues_ = cgsAuto, showVisuals_ = cgsAuto;
    std::vector<TChartGridColumn> columns_;
    std::vector<char> xShown_;  // per shown series
    int rowCount_ = 2;
    // Grid 3D mode: distinct X and Z values, and the point at each (x, z) place or -1.
    std::vector<double> gridXs_, gridZs_;
    std::vector<int> gridPoints_;
    TChartSeries* appendedSeries_ = nullptr;
    int appendedIndex_ = -1;
    bool destroying_ = false;

    // Value texts of the rows last painted (a few hundred rows at most, each in the place its
    // number picks). A text is used again only for the same list, value and format, so a value
    // changed behind the model's back never shows stale; any change the model hears of drops all.
    struct TCachedText {
        const TChartValueList* List = nullptr;
        double Value = 0;
        std::string Format;
        std::string Text;
    };
    struct TCachedRow {
        int Row = -1;
        std::vector<TCachedText> Cells;
    };
    mutable std::vector<TCachedRow> rowTexts_;
    const std::string& CachedValueText(int col, int row, const TChartSeries* series, const TChartValueList* list, int index) const;
    void ForgetRowTexts() { rowTexts_.clear(); }
};
