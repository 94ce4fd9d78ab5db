#include "platform/ui/StringGrid.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <algorithm>

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
    horizontalHeader()->setVisible(on);
    if (!on) return;
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setFixedHeight(6);
    setHorizontalHeaderLabels(QStringList());
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
