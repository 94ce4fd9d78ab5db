#pragma once
// The chart grid: a spreadsheet view of the points of a chart's series, edited in place. The
// header rows of the grid are rows of its model; the view keeps them above the scrolling rows
// and paints them itself (series symbol and title, column titles).
#include <QTableView>
#include <functional>
#include <memory>
#include <string>

#include "chart/graphics/DuvTypes.h"
#include "chart/output/ChartGridModel.h"
#include "platform/core/Events.h"

class QMenu;
class TChartGridNavigator;
class TCustomChartGrid;
class TDuvGradient;

using TChartGridNotifyEvent = TEvent<void(TCustomChartGrid* sender)>;
using TEditingCellEvent = TEvent<void(TCustomChartGrid* sender, int col, int row, bool& allow)>;
using TSetEditEvent = TEvent<void(TCustomChartGrid* sender, int col, int row, const std::string& value)>;

class TCustomChartGrid : public QTableView {
public:
    static constexpr int kIndexColumnWidth = 30;
    static constexpr int kColorColumnWidth = 40;
    static constexpr int kDefaultRowHeight = 16;
    static constexpr int kTitleRowHeight = 20;
    // Grids up to this many rows hide their header rows; larger ones scroll past them.
    static constexpr int kMostRowsToHide = 10000;

    explicit TCustomChartGrid(QWidget* parent = nullptr);
    ~TCustomChartGrid() override;

    TChartGridModel& Model() { return *model_; }
    const TChartGridModel& Model() const { return *model_; }

    // ------------------------------------------------------------ settings
    TCustomAxisPanel* Chart() const { return model_->Chart(); }
    TChartSeries* Series() const { return model_->Series(); }
    void SetChart(TCustomAxisPanel* chart);
    void SetSeries(TChartSeries* series);
    bool ShowColors() const { return model_->ShowColors(); }
    void SetShowColors(bool value) { model_->SetShowColors(value); }
    bool ShowLabels() const { return model_->ShowLabels(); }
    void SetShowLabels(bool value) { model_->SetShowLabels(value); }
    TChartGridShow ShowXValues() const { return model_->ShowXValues(); }
    void SetShowXValues(TChartGridShow value) { model_->SetShowXValues(value); }
    TChartGridShow ShowVisuals() const { return model_->ShowVisuals(); }
    void SetShowVisuals(TChartGridShow value) { model_->SetShowVisuals(value); }
    bool ShowSeriesTitles() const { return model_->ShowSeriesTitles(); }
    void SetShowSeriesTitles(bool value);
    bool Grid3D() const { return model_->Grid3D(); }
    void SetGrid3D(bool value) { model_->SetGrid3D(value); }
    bool AllowSeriesChanges() const { return model_->AllowSeriesChanges; }
    void SetAllowSeriesChanges(bool value) { model_->AllowSeriesChanges = value; }
    bool ReadOnly() const { return model_->ReadOnly; }
    void SetReadOnly(bool value);
    bool EditingAllowed() const { return !model_->ReadOnly; }
    // Made on first read; a change repaints the grid.
    TDuvGradient* Gradient();
    TDuvGradient* PeekGradient() const { return gradient_.get(); }

    // ------------------------------------------------------------ position
    int Row() const;
    int Col() const;
    void SetRow(int row);
    void SetCurrentCell(int col, int row);
    bool HasChartSeries() const;
    void RecalcDimensions() { model_->RecalcDimensions(); }
    // Recalculates and goes to the first data row, column min(ColCount - 1, 1).
    void ResetPosition();
    void MoveToFirstDataRow();
    int ColumnWidth(int col) const { return columnWidth(col); }

    // ------------------------------------------------------------ editing
    bool Editing() const { return editing_; }
    const std::string& EditStartText() const { return editStartText_; }
    bool NewPoint() const { return newPoint_; }
    void StartEdit();
    void EndEdit(bool cancel);
    // Writes a typed text; a text that does not convert is reported and the cell shows the
    // stored value again.
    void SetEditText(int col, int row, const std::string& value);
    void AppendRow();
    void AppendNullRow();
    void DeleteRow();
    // The series behind the current colour cell and that point's colour; none and 0x1FFFFFFF.
    TChartSeries* CurrentColorSeries(TColor& color) const;
    void SetCurrentColor(TColor color);
    void EditCurrentColor();
    // The pop-up menu of a visuals cell, made on first use.
    QMenu* VisualsMenu();
    void ShowVisualsMenu();

    // ------------------------------------------------------------ navigator link
    // The navigator installs its hooks: the change hook (editing state, rows), the selection
    // hook (another current cell) and the one that tells it the grid is gone.
    struct TNavigatorHooks {
        std::function<void()> Changed, CellSelected, GridGone;
    };
    TChartGridNavigator* Navigator() const { return navigator_; }
    void SetNavigatorLink(TChartGridNavigator* navigator, TNavigatorHooks hooks);

    TChartGridNotifyEvent OnChangeColor;
    TEditingCellEvent OnEditingCell;
    TSetEditEvent OnSetEditText;
    TChartGridNotifyEvent OnTopLeftChanged;

    // The header that keeps and paints the header rows.
    QHeaderView* TitleHeader() const { return horizontalHeader(); }
    // In the first header row: the series symbol square of a column.
    static QRect SymbolRect(const QRect& section) { return {section.left() + 4, section.top() + 4, 12, 12}; }
    void HeaderClicked(int col, bool onSymbol);
    void HeaderDoubleClicked(int col, bool onSymbol);

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void updateGeometries() override;

private:
    class TDelegate;
    class THeader;
    void Recalculated();
    template <class Change>
    void ReattachAround(Change change);
    void Detached();
    void NavigatorChanged();
    void NavigatorCellSelected();
    void VisualCellAction();
    bool CurrentIsVisuals() const;
    bool LeftOnLastColumn();
    void RightOnLastColumn();
    bool UpOnLastRow();
    void EditSeriesColor(int col);

    std::unique_ptr<TChartGridModel> model_;
    std::unique_ptr<TDuvGradient> gradient_;
    TChartGridNavigator* navigator_ = nullptr;
    TNavigatorHooks hooks_;
    QMenu* visualsMenu_ = nullptr;
    bool editing_ = false;
    bool editorGone_ = false;
    bool newPoint_ = false;
    std::string editStartText_;
    QPoint lastTopLeft_;
    QPoint lastCell_{1, 0};  // (col, row) of the last current cell
};

// The published grid.
class TChartGrid : public TCustomChartGrid {
public:
    explicit TChartGrid(QWidget* parent = nullptr) : TCustomChartGrid(parent) {}
};
