#pragma once
// A grid of text cells addressed (column, row) like the class library's string grid: the cells
// survive changes of the row and column counts that keep them, the first FixedRows rows are a
// header that is neither selected nor edited, and columns are widened by pixels.
#include <QTableWidget>
#include <string>

class TStringGrid : public QTableWidget {
    Q_OBJECT
public:
    explicit TStringGrid(QWidget* parent = nullptr);

    int RowCount() const { return rowCount(); }
    void SetRowCount(int count);
    int ColCount() const { return columnCount(); }
    void SetColCount(int count);
    // 0 or 1 header rows; more are not offered.
    int FixedRows() const { return fixedRows_; }
    void SetFixedRows(int count);

    // An empty text outside the grid; writing outside it does nothing.
    std::string Cells(int column, int row) const;
    void SetCells(int column, int row, const std::string& text);

    int ColWidths(int column) const { return columnWidth(column); }
    void SetColWidths(int column, int width) { setColumnWidth(column, width); }
    int DefaultRowHeight() const;
    void SetDefaultRowHeight(int height);
    // The user may drag the column borders within the header row (anywhere in a grid without
    // one); the grid shows no header of Qt's own above its rows.
    void SetColumnSizing(bool on);
    bool ColumnSizing() const { return columnSizing_; }
    // Each column as wide as its widest text, header or value, and at most limit pixels: a
    // wider text is cut there and the grid scrolls. Answers the width all columns need.
    int FitColumnWidths(int limit);
    // Clicking selects whole rows.
    void SetRowSelect(bool on);
    // Pixels the text takes in the grid's font.
    int TextWidth(const std::string& text) const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void StyleRow(int row);
    // The column whose right border lies under x (viewport pixels) in a row where borders can
    // be dragged; -1 elsewhere.
    int SizingColumnAt(const QPoint& at) const;
    int fixedRows_ = 1;
    bool columnSizing_ = false;
    int sizingColumn_ = -1;  // the column being widened by a drag
};
