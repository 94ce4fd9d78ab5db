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
    // The user may drag column borders (a slim strip above the cells).
    void SetColumnSizing(bool on);
    // Clicking selects whole rows.
    void SetRowSelect(bool on);
    // Pixels the text takes in the grid's font.
    int TextWidth(const std::string& text) const;

private:
    void StyleRow(int row);
    int fixedRows_ = 1;
};
