#include "platform/ui/StringGrid.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <algorithm>
#include <cstdlib>

TStringGrid::TStringGrid(QWidget* parent) : QTableWidget(parent)
{
    horizontalHeader()->hide();
    verticalHeader()->hide();
    SetDefaultRowHeight(24);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    SetRowCount(5);
    SetColCount(5);
}

void TStringGrid::SetRowCount(int count)
{
    const int before = rowCount();
    setRowCount(std::max(count, 0));
    for (int row = before; row < rowCount(); ++row) StyleRow(row);
}

void TStringGrid::SetColCount(int count)
{
    setColumnCount(std::max(count, 0));
    for (int row = 0; row < std::min(fixedRows_, rowCount()); ++row) StyleRow(row);
}

void TStringGrid::SetFixedRows(int count)
{
    const int before = fixedRows_;
    fixedRows_ = std::clamp(count, 0, 1);
    for (int row = 0; row < std::min(std::max(before, fixedRows_), rowCount()); ++row) StyleRow(row);
}

std::string TStringGrid::Cells(int column, int row) const
{
    const QTableWidgetItem* cell = item(row, column);
    return cell ? cell->text().toStdString() : std::string();
}

void TStringGrid::SetCells(int column, int row, const std::string& text)
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount()) return;
    QTableWidgetItem* cell = item(row, column);
    if (!cell) {
        cell = new QTableWidgetItem;
        setItem(row, column, cell);
        StyleRow(row);
    }
    cell->setText(QString::fromStdString(text));
}

int TStringGrid::DefaultRowHeight() const { return verticalHeader()->defaultSectionSize(); }

void TStringGrid::SetDefaultRowHeight(int height)
{
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(height);
}

void TStringGrid::SetColumnSizing(bool on)
{
    columnSizing_ = on;
    if (!on) {
        sizingColumn_ = -1;
        viewport()->unsetCursor();
    }
    viewport()->setMouseTracking(on);
}

int TStringGrid::FitColumnWidths(int limit)
{
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const int gridLine = showGrid() ? 1 : 0;
    int total = 0;
    for (int column = 0; column < columnCount(); ++column) {
        int widest = 0;
        for (int row = 0; row < rowCount(); ++row) {
            const QModelIndex index = model()->index(row, column);
            if (index.data().toString().isEmpty()) continue;
            widest = std::max(widest, itemDelegateForIndex(index)->sizeHint(option, index).width() + gridLine);
        }
        if (widest > 0) setColumnWidth(column, std::min(widest, limit));
        total += columnWidth(column);
    }
    return total;
}

namespace {
constexpr int kBorderGrip = 3;  // pixels either side of a border that take a drag
}

int TStringGrid::SizingColumnAt(const QPoint& at) const
{
    if (!columnSizing_) return -1;
    if (fixedRows_ > 0 && rowAt(at.y()) >= fixedRows_) return -1;
    for (int column = 0; column < columnCount(); ++column) {
        const int border = columnViewportPosition(column) + columnWidth(column);
        if (std::abs(at.x() - border) <= kBorderGrip) return column;
    }
    return -1;
}

void TStringGrid::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) sizingColumn_ = SizingColumnAt(event->position().toPoint());
    if (sizingColumn_ < 0) QTableWidget::mousePressEvent(event);
}

void TStringGrid::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (sizingColumn_ >= 0) {
        setColumnWidth(sizingColumn_, std::max(kBorderGrip, at.x() - columnViewportPosition(sizingColumn_)));
        return;
    }
    if (columnSizing_) {
        if (SizingColumnAt(at) >= 0)
            viewport()->setCursor(Qt::SplitHCursor);
        else
            viewport()->unsetCursor();
    }
    QTableWidget::mouseMoveEvent(event);
}

void TStringGrid::mouseReleaseEvent(QMouseEvent* event)
{
    if (sizingColumn_ >= 0 && event->button() == Qt::LeftButton) {
        sizingColumn_ = -1;
        return;
    }
    QTableWidget::mouseReleaseEvent(event);
}

void TStringGrid::SetRowSelect(bool on)
{
    setSelectionBehavior(on ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
}

int TStringGrid::TextWidth(const std::string& text) const
{
    return QFontMetrics(font()).horizontalAdvance(QString::fromStdString(text));
}

// Header cells look like buttons and take no selection; the others are plain.
void TStringGrid::StyleRow(int row)
{
    const bool fixed = row < fixedRows_;
    for (int column = 0; column < columnCount(); ++column) {
        QTableWidgetItem* cell = item(row, column);
        if (!cell) continue;
        cell->setFlags(fixed ? Qt::ItemIsEnabled : Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        cell->setBackground(fixed ? palette().button() : QBrush());
    }
}
