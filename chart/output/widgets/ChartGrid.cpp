#include "chart/output/widgets/ChartGrid.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include "chart/engine/AxisPanel.h"
#include "chart/engine/ChartEditorServices.h"
#include "chart/graphics/CanvasHelpers.h"
#include "chart/graphics/DuvGradient.h"
#include "chart/graphics/widgets/DuvControls.h"
#include "chart/series/ChartSeriesCopy.h"
#include "chart/series/RuRazaziSeries.h"
#include "platform/core/ScopeGuard.h"
#include "platform/ui/Application.h"
#include "platform/ui/UiServices.h"


namespace {

constexpr int kFixedColCount = 1;

QColor FixedColor(const QWidget* widget) { return widget->palette().color(QPalette::Button); }

void FillGradient(QPainter* painter, const QRect& r, TDuvGradient& gradient)
{
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0, ToQColor(gradient.StartColor()));
    fill.setColorAt(1, ToQColor(gradient.EndColor()));
    painter->fillRect(r, fill);
}

}  // namespace

// ---------------------------------------------------------------- cells

class TCustomChartGrid::TDelegate : public QStyledItemDelegate {
public:
    explicit TDelegate(TCustomChartGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const TChartGridModel& model = grid_->Model();
        if (!model.Chart() && !model.Series()) return;
        const QRect r = option.rect;
        const int col = index.column(), row = index.row();
        if (TDuvGradient* gradient = grid_->PeekGradient(); gradient && gradient->Visible())
            FillGradient(painter, r, *gradient);
        if (col == 0) {
            painter->fillRect(r, FixedColor(grid_));
        } else if (col == model.ColorColumn()) {
            const TColor color = model.CellPointColor(row);
            painter->fillRect(r, color == clNone ? grid_->palette().color(QPalette::Base) : ToQColor(color));
        } else if (option.state & QStyle::State_Selected) {
            painter->fillRect(r, option.palette.color(QPalette::Highlight));
        }
        const bool selected = col != 0 && (option.state & QStyle::State_Selected);
        painter->setPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        const QString text = QString::fromStdString(model.CellText(col, row));
        if (col == model.LabelColumn()) painter->drawText(r.adjusted(2, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
        else if (col != model.ColorColumn()) painter->drawText(r.adjusted(0, 0, -2, 0), Qt::AlignRight | Qt::AlignVCenter, text);
        if (option.state & QStyle::State_HasFocus) {
            painter->setPen(QPen(option.palette.color(QPalette::Text), 1, Qt::DotLine));
            painter->drawRect(r.adjusted(0, 0, -1, -1));
        }
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        auto* line = qobject_cast<QLineEdit*>(editor);
        if (!line) return QStyledItemDelegate::setEditorData(editor, index);
        line->setText(grid_->NewPoint() ? QString() : QString::fromStdString(grid_->EditStartText()));
    }

    void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override
    {
        auto* line = qobject_cast<QLineEdit*>(editor);
        if (!line) return;
        grid_->SetEditText(index.column(), index.row(), line->text().toStdString());
    }

private:
    TCustomChartGrid* grid_;
};

// ---------------------------------------------------------------- header rows

// Paints the model's header rows above the scrolling rows and turns clicks on them into
// column selection and colour editing.
class TCustomChartGrid::THeader : public QHeaderView {
public:
    explicit THeader(TCustomChartGrid* grid) : QHeaderView(Qt::Horizontal, grid), grid_(grid)
    {
        setSectionsClickable(true);
        setHighlightSections(false);
        setMouseTracking(true);
        setMinimumSectionSize(4);
    }

    int RowTop(int row) const { return row == 0 ? 0 : kTitleRowHeight; }
    int RowHeight(int row) const
    {
        return row == 0 && grid_->Model().HeaderRowCount() > 1 ? kTitleRowHeight : kDefaultRowHeight;
    }
    QSize sizeHint() const override
    {
        QSize size = QHeaderView::sizeHint();
        size.setHeight(grid_->Model().HeaderRowCount() > 1 ? kTitleRowHeight + kDefaultRowHeight : kTitleRowHeight);
        return size;
    }
    // (header row, on the series symbol) under a point.
    int HeaderRowAt(int y) const { return grid_->Model().HeaderRowCount() > 1 && y >= kTitleRowHeight ? 1 : 0; }
    bool OnSymbol(const QPoint& pos) const
    {
        const int col = logicalIndexAt(pos);
        if (col < 0 || HeaderRowAt(pos.y()) != 0) return false;
        const QModelIndex index = grid_->Model().index(0, col);
        if (!grid_->Model().data(index, TChartGridModel::SeriesColorRole).isValid()) return false;
        const QRect section(sectionViewportPosition(col), 0, sectionSize(col), kTitleRowHeight);
        return SymbolRect(section).contains(pos);
    }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int col) const override
    {
        const TChartGridModel& model = grid_->Model();
        const int headerRows = model.HeaderRowCount();
        painter->save();
        for (int row = 0; row < headerRows; ++row) {
            const int height = headerRows == 1 ? rect.height() : RowHeight(row);
            const QRect r(rect.left(), rect.top() + (headerRows == 1 ? 0 : RowTop(row)), rect.width(), height);
            const bool fixed = col == 0 || (headerRows > 1 && row == 1);
            painter->fillRect(r, fixed ? FixedColor(grid_) : grid_->palette().color(QPalette::Base));
            painter->setPen(grid_->palette().color(QPalette::Mid));
            painter->drawRect(r.adjusted(0, 0, -1, -1));
            if (!model.Chart() && !model.Series()) continue;
            painter->setPen(grid_->palette().color(QPalette::Text));
            const QModelIndex index = model.index(row, col);
            const QVariant symbol = row == 0 ? model.data(index, TChartGridModel::SeriesColorRole) : QVariant();
            if (symbol.isValid()) {
                const QRect square = SymbolRect(r);
                painter->fillRect(square, ToQColor(static_cast<TColor>(symbol.toULongLong())));
                painter->drawRect(square.adjusted(0, 0, -1, -1));
                const QString title = model.data(index, TChartGridModel::SeriesTitleRole).toString();
                painter->drawText(QRect(r.left() + 18, r.top() + 4, 4096, r.height() - 4), Qt::AlignLeft | Qt::AlignTop,
                                  title);
            }
            const QString text = QString::fromStdString(model.CellText(col, row));
            if (text.isEmpty()) continue;
            if (col == model.ColorColumn() || col == model.LabelColumn())
                painter->drawText(r.adjusted(2, 3, 0, 0), Qt::AlignLeft | Qt::AlignTop, text);
            else
                painter->drawText(r.adjusted(0, col == 0 && row == 0 ? 4 : 3, -2, 0), Qt::AlignRight | Qt::AlignTop, text);
        }
        painter->restore();
    }

    void mousePressEvent(QMouseEvent* event) override
    {
        const int col = logicalIndexAt(event->position().toPoint());
        if (event->button() != Qt::LeftButton || col < 0 || cursor().shape() == Qt::SplitHCursor) {
            QHeaderView::mousePressEvent(event);
            return;
        }
        // A click near a section edge starts sizing the column.
        const int x = event->position().toPoint().x();
        const int right = sectionViewportPosition(col) + sectionSize(col);
        if (std::abs(x - right) <= 3 || std::abs(x - sectionViewportPosition(col)) <= 3) {
            QHeaderView::mousePressEvent(event);
            return;
        }
        grid_->HeaderClicked(col, OnSymbol(event->position().toPoint()));
    }

    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        const int col = logicalIndexAt(event->position().toPoint());
        if (col < 0) return QHeaderView::mouseDoubleClickEvent(event);
        RunHandler([&] { grid_->HeaderDoubleClicked(col, OnSymbol(event->position().toPoint())); });
    }

    void mouseMoveEvent(QMouseEvent* event) override
    {
        QHeaderView::mouseMoveEvent(event);
        if (event->buttons() != Qt::NoButton) return;
        if (grid_->EditingAllowed() && OnSymbol(event->position().toPoint())) setCursor(Qt::PointingHandCursor);
        else if (cursor().shape() == Qt::PointingHandCursor) unsetCursor();
    }

private:
    TCustomChartGrid* grid_;
};

// ---------------------------------------------------------------- the grid

TCustomChartGrid::TCustomChartGrid(QWidget* parent) : QTableView(parent), model_(std::make_unique<TChartGridModel>())
{
    setObjectName(QStringLiteral("ChartGrid"));
    setAccessibleName(QStringLiteral("Chart data"));
    setHorizontalHeader(new THeader(this));
    verticalHeader()->hide();
    verticalHeader()->setMinimumSectionSize(4);
    verticalHeader()->setDefaultSectionSize(kDefaultRowHeight);
    verticalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    setItemDelegate(new TDelegate(this));
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::AnyKeyPressed);
    setTabKeyNavigation(true);
    setShowGrid(true);
    setMouseTracking(true);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    model_->OnRecalc = [this] { Recalculated(); };
    model_->OnDetached = [this] { Detached(); };
    // A new set of columns takes the open editor with it.
    connect(model_.get(), &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        if (editing_) editorGone_ = true;
        editing_ = false;
    });
    // The view takes the model with the first chart or series: a grid without them shows
    // nothing, and a view that never held the small empty model takes a large one at less cost.
}

TCustomChartGrid::~TCustomChartGrid()
{
    if (hooks_.GridGone) hooks_.GridGone();
    // Letting the model go scrolls and moves the current cell; a grid on its way out tells
    // nobody, as the objects behind its handlers may be gone before it.
    hooks_ = {};
    OnChangeColor = nullptr;
    OnEditingCell = nullptr;
    OnSetEditText = nullptr;
    OnTopLeftChanged = nullptr;
    model_->OnRecalc = nullptr;
    model_->OnDetached = nullptr;
    // The view hears the model go and lets go of it; resetting its million rows first would
    // only cost time on the way out.
    model_.reset();
}

// Another chart or series: the view takes the recalculated model afresh, which costs it less
// than following a reset of a million rows.
template <class Change>
void TCustomChartGrid::ReattachAround(Change change)
{
    QItemSelectionModel* oldSelection = nullptr;
    if (model() == model_.get()) {
        oldSelection = selectionModel();
        setModel(nullptr);
    }
    change();  // recalculates
    setModel(model_.get());
    delete oldSelection;
    Recalculated();
    MoveToFirstDataRow();
    viewport()->update();
}

void TCustomChartGrid::SetChart(TCustomAxisPanel* chart)
{
    ReattachAround([&] { model_->SetChart(chart); });
}

void TCustomChartGrid::SetSeries(TChartSeries* series)
{
    ReattachAround([&] {
        if (series) model_->SetSeries(series);
        else model_->SetChart(model_->Chart());
    });
}

void TCustomChartGrid::SetShowSeriesTitles(bool value)
{
    if (value == model_->ShowSeriesTitles()) return;
    const int offset = Row() - model_->HeaderRowCount();
    model_->SetShowSeriesTitles(value);
    SetRow(std::max(0, offset) + model_->HeaderRowCount());
    scrollContentsBy(0, 0);
}

void TCustomChartGrid::SetReadOnly(bool value)
{
    model_->ReadOnly = value;
    setEditTriggers(value ? QAbstractItemView::NoEditTriggers
                          : QAbstractItemView::DoubleClicked | QAbstractItemView::AnyKeyPressed);
    NavigatorChanged();
}

TDuvGradient* TCustomChartGrid::Gradient()
{
    if (!gradient_) gradient_ = std::make_unique<TDuvGradient>([this](TObject*) { viewport()->update(); });
    return gradient_.get();
}

// Column widths, header rows and the current cell follow every recalculation.
void TCustomChartGrid::Recalculated()
{
    if (model() != model_.get()) return;
    const int headerRows = model_->HeaderRowCount();
    {
        // A header that paints meanwhile would place all its sections once per hidden row.
        QHeaderView* rows = verticalHeader();
        const bool updates = rows->updatesEnabled();
        rows->setUpdatesEnabled(false);
        TScopeGuard restore([rows, updates] { rows->setUpdatesEnabled(updates); });
        // A hidden row makes the row header keep an entry for every row: a large grid keeps its
        // header rows scrolled out of reach instead (see updateGeometries).
        const bool hideHeaderRows = model_->RowCount() <= kMostRowsToHide;
        for (int row = 0; row < std::min(headerRows, model_->RowCount()); ++row)
            if (hideHeaderRows && !isRowHidden(row)) setRowHidden(row, true);
        for (int row = headerRows; row < std::min(headerRows + 1, model_->RowCount()); ++row)
            if (isRowHidden(row)) setRowHidden(row, false);
    }
    horizontalHeader()->setFixedHeight(horizontalHeader()->sizeHint().height());
    const int cols = model_->ColCount();
    if (cols > 0) setColumnWidth(0, kIndexColumnWidth);
    if (model_->ColorColumn() != -1 && cols > 1) setColumnWidth(1, kColorColumnWidth);
    if (model_->Grid3D() && cols > 2) setColumnWidth(1, columnWidth(2));
    const QFontMetrics metrics(font());
    const int firstFree = model_->ColorColumn() != -1 ? 2 : 1;
    for (int col = firstFree; col < cols; ++col) {
        const QString title = QString::fromStdString(model_->CellText(col, headerRows - 1));
        const int wanted = metrics.horizontalAdvance(title) + 4;
        if (columnWidth(col) < wanted) setColumnWidth(col, wanted);
    }
    if (!currentIndex().isValid() || currentIndex().row() < headerRows) {
        // After a new set of columns the cursor stays where it was, as far as the grid reaches.
        const int col = std::clamp(lastCell_.x(), 1, std::max(1, cols - 1));
        const int row = std::clamp(lastCell_.y(), headerRows, std::max(headerRows, model_->RowCount() - 1));
        if (model_->RowCount() > headerRows && cols > 1) setCurrentIndex(model_->index(row, col));
    } else if (Col() == 0 && cols > 1) {
        SetCurrentCell(1, Row());
    }
    NavigatorChanged();
}

void TCustomChartGrid::updateGeometries()
{
    QTableView::updateGeometries();
    // Header rows that are not hidden lie above the first scrolling position.
    const int headerRows = model() == model_.get() ? model_->HeaderRowCount() : 0;
    if (headerRows == 0 || model_->RowCount() == 0 || isRowHidden(0)) return;
    QScrollBar* bar = verticalScrollBar();
    if (bar->maximum() >= headerRows) bar->setMinimum(headerRows);
}

void TCustomChartGrid::Detached() { viewport()->update(); }

int TCustomChartGrid::Row() const { return currentIndex().isValid() ? currentIndex().row() : model_->HeaderRowCount(); }

int TCustomChartGrid::Col() const { return currentIndex().isValid() ? currentIndex().column() : 1; }

void TCustomChartGrid::SetCurrentCell(int col, int row)
{
    const QModelIndex index = model_->index(row, col);
    if (!index.isValid()) return;
    setCurrentIndex(index);
    scrollTo(index);
}

void TCustomChartGrid::SetRow(int row) { SetCurrentCell(std::max(1, Col()), row); }

bool TCustomChartGrid::HasChartSeries() const { return Chart() && Chart()->CountSeries() > 0; }

void TCustomChartGrid::ResetPosition()
{
    model_->RecalcDimensions();
    MoveToFirstDataRow();
}

void TCustomChartGrid::MoveToFirstDataRow()
{
    SetCurrentCell(std::min(model_->ColCount() - 1, 1), model_->HeaderRowCount());
}

// ---------------------------------------------------------------- navigator link

void TCustomChartGrid::SetNavigatorLink(TChartGridNavigator* navigator, TNavigatorHooks hooks)
{
    navigator_ = navigator;
    hooks_ = std::move(hooks);
}

void TCustomChartGrid::NavigatorChanged()
{
    if (hooks_.Changed) hooks_.Changed();
}

void TCustomChartGrid::NavigatorCellSelected()
{
    if (hooks_.CellSelected) hooks_.CellSelected();
}

// ---------------------------------------------------------------- editing

bool TCustomChartGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    if (editing_ || !index.isValid() || !(model_->flags(index) & Qt::ItemIsEditable)) return QTableView::edit(index, trigger, event);
    if (trigger == QAbstractItemView::NoEditTriggers || !(editTriggers() & trigger || trigger == AllEditTriggers))
        return QTableView::edit(index, trigger, event);
    bool allow = true;
    if (OnEditingCell) OnEditingCell(this, index.column(), index.row(), allow);
    if (!allow) return false;
    newPoint_ = model_->IsNewPointCell(index.column(), index.row());
    editStartText_ = newPoint_ ? std::string() : model_->CellText(index.column(), index.row());
    if (!QTableView::edit(index, trigger, event)) return false;
    editing_ = true;
    NavigatorChanged();
    return true;
}

void TCustomChartGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    if (!editorGone_) QTableView::closeEditor(editor, hint);
    editorGone_ = false;
    editing_ = false;
    NavigatorChanged();
}

void TCustomChartGrid::StartEdit()
{
    if (!EditingAllowed() || editing_ || Col() == 0) return;
    TChartValueList* list = nullptr;
    TChartSeries* series = model_->SeriesOfColumn(Col(), list);
    if (Col() != model_->LabelColumn() && (!series || series->DataSource())) return;
    edit(currentIndex(), AllEditTriggers, nullptr);
}

void TCustomChartGrid::EndEdit(bool cancel)
{
    if (!editing_) return;
    QWidget* editor = indexWidget(currentIndex());
    if (!editor) return;
    // The series hears of a typed value only when the editor closes, so a cancelled edit
    // leaves nothing to restore.
    if (!cancel) commitData(editor);
    closeEditor(editor, cancel ? QAbstractItemDelegate::RevertModelCache : QAbstractItemDelegate::NoHint);
}

void TCustomChartGrid::SetEditText(int col, int row, const std::string& value)
{
    try {
        model_->SetEditText(col, row, value, false);
    } catch (const EConvertError& error) {
        // The cell shows the stored value again; the user learns why the text was not taken.
        const QModelIndex cell = model_->index(row, col);
        emit model_->dataChanged(cell, cell);
        UiServices().ShowError(error.Message());
        return;
    }
    if (model_->ShowColors()) viewport()->update();
    if (OnSetEditText) OnSetEditText(this, col, row, value);
}

// ---------------------------------------------------------------- rows

void TCustomChartGrid::AppendRow()
{
    if (!EditingAllowed() || !model_->AppendRow()) return;
    SetRow(model_->RowCount() - 1);
    NavigatorChanged();
}

void TCustomChartGrid::AppendNullRow()
{
    if (model_->AppendNullRow(Col()) < 0) return;
    SetRow(model_->RowCount() - 1);
}

void TCustomChartGrid::DeleteRow()
{
    if (!EditingAllowed()) return;
    const int row = Row();
    if (!model_->DeleteRow(row)) return;
    SetRow(std::min(row, model_->RowCount() - 1));
    NavigatorChanged();
}

bool TCustomChartGrid::UpOnLastRow()
{
    if (Row() != model_->RowCount() - 1) return false;
    if (!model_->TakeBackAppendedPoint(Col(), Row())) return false;
    SetRow(model_->RowCount() - 1);
    return true;
}

// ---------------------------------------------------------------- colours

TChartSeries* TCustomChartGrid::CurrentColorSeries(TColor& color) const
{
    color = clNone;
    if (Col() != model_->ColorColumn() || Row() < model_->HeaderRowCount()) return nullptr;
    TChartSeries* series = model_->SeriesNextToColor();
    const int index = Row() - model_->HeaderRowCount();
    if (!series || index >= series->PointCount()) return nullptr;
    color = series->GetPointColor(index);
    return series;
}

void TCustomChartGrid::SetCurrentColor(TColor color)
{
    TColor current = clNone;
    TChartSeries* series = CurrentColorSeries(current);
    if (!series) return;
    model_->SetPointColor(series, Row() - model_->HeaderRowCount(), color);
    if (OnChangeColor) OnChangeColor(this);
}

void TCustomChartGrid::EditCurrentColor()
{
    TColor color = clNone;
    if (CurrentColorSeries(color)) {
        if (EditColorValue(this, color, false)) SetCurrentColor(color);
        return;
    }
    if (!AllowSeriesChanges() || !Chart() || Row() < model_->HeaderRowCount()) return;
    color = clWhite;
    if (!EditColorValue(this, color, false)) return;
    const int index = Row() - model_->HeaderRowCount();
    TChartSeries* series = NewBarSeries(Chart());
    while (series->PointCount() <= index)
        if (series->AddNullPoint({}) < 0) return;
    model_->RecalcDimensions();
    model_->SetPointColor(series, index, color);
    viewport()->update();
}

void TCustomChartGrid::EditSeriesColor(int col)
{
    TChartValueList* list = nullptr;
    TChartSeries* series = model_->SeriesOfColumn(col, list);
    if (!series) return;
    TColor color = series->GetSeriesColor();
    if (!EditColorValue(this, color, false)) return;
    series->SetSeriesColor(color);
    horizontalHeader()->viewport()->update();
}

// ---------------------------------------------------------------- visuals

bool TCustomChartGrid::CurrentIsVisuals() const
{
    const int col = Col();
    return !model_->Grid3D() && col > 0 && col < model_->ColCount() &&
           model_->Column(col).Kind == TGridColumnKind::Visuals;
}

QMenu* TCustomChartGrid::VisualsMenu()
{
    if (visualsMenu_) return visualsMenu_;
    visualsMenu_ = new QMenu(this);
    visualsMenu_->setObjectName(QStringLiteral("VisualsMenu"));
    visualsMenu_->setAccessibleName(QStringLiteral("Visuals"));
    auto pointOf = [this](TChartSeries*& series) {
        TChartValueList* list = nullptr;
        series = model_->SeriesOfColumn(Col(), list);
        return Row() - model_->HeaderRowCount();
    };
    QAction* editAction = visualsMenu_->addAction(QStringLiteral("Edit"));
    editAction->setObjectName(QStringLiteral("VisualEdit"));
    connect(editAction, &QAction::triggered, this, Guarded(this, &TCustomChartGrid::VisualCellAction));
    QAction* change = visualsMenu_->addAction(QStringLiteral("&Change..."));
    change->setObjectName(QStringLiteral("VisualChange"));
    // Without an installed editor the two commands have nothing to open.
    editAction->setEnabled(ChartEditorServices().CanEditVisual());
    change->setEnabled(ChartEditorServices().CanChooseVisual());
    connect(change, &QAction::triggered, this, [this, pointOf] {
        TChartSeries* series = nullptr;
        const int index = pointOf(series);
        if (!series) return;
        TComponent* current = series->Visuals()->GetVisual(index);
        if (TComponent* visual = ChartEditorServices().ChooseVisual(this, *series, current))
            series->Visuals()->PutVisual(index, visual);
        viewport()->update();
    });
    QAction* remove = visualsMenu_->addAction(QStringLiteral("Delete"));
    remove->setObjectName(QStringLiteral("VisualDelete"));
    connect(remove, &QAction::triggered, this, [this, pointOf] {
        TChartSeries* series = nullptr;
        const int index = pointOf(series);
        if (!series) return;
        series->Visuals()->PutVisual(index, nullptr);
        series->RequestRepaint();
        viewport()->update();
    });
    return visualsMenu_;
}

// "Edit" of the menu: the visual's own editor.
void TCustomChartGrid::VisualCellAction()
{
    TChartValueList* list = nullptr;
    TChartSeries* series = model_->SeriesOfColumn(Col(), list);
    if (!series) return;
    TComponent* visual = series->Visuals()->GetVisual(Row() - model_->HeaderRowCount());
    if (visual) ChartEditorServices().EditVisual(series->ParentChart(), *visual, false);
}

void TCustomChartGrid::ShowVisualsMenu()
{
    if (!CurrentIsVisuals()) return;
    TChartValueList* list = nullptr;
    TChartSeries* series = model_->SeriesOfColumn(Col(), list);
    const int index = Row() - model_->HeaderRowCount();
    if (!series || index < 0 || index >= series->PointCount()) return;
    TVisualsList* visuals = series->Visuals();
    const bool hasVisual = index < visuals->Count() && visuals->GetVisual(index);
    if (!hasVisual) {
        if (TComponent* visual = ChartEditorServices().ChooseVisual(this, *series, nullptr))
            visuals->PutVisual(index, visual);
        viewport()->update();
        return;
    }
    const QRect cell = visualRect(currentIndex());
    VisualsMenu()->popup(viewport()->mapToGlobal(QPoint(cell.right(), cell.top())));
}

// ---------------------------------------------------------------- keys and mouse

QModelIndex TCustomChartGrid::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex next = QTableView::moveCursor(cursorAction, modifiers);
    // The index column and the header rows are never current.
    if (!next.isValid() || next.column() < kFixedColCount || next.row() < model_->HeaderRowCount()) return currentIndex();
    return next;
}

void TCustomChartGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (current.isValid()) lastCell_ = QPoint(current.column(), current.row());
    NavigatorCellSelected();
}

bool TCustomChartGrid::LeftOnLastColumn()
{
    if (!AllowSeriesChanges() || Grid3D() || !Chart() || Col() != model_->ColCount() - 1) return false;
    const int count = Chart()->CountSeries();
    if (count == 0) return false;
    auto* last = dynamic_cast<TChartSeries*>(Chart()->GetSeries(count - 1));
    if (!last || last->PointCount() > 0) return false;
    const bool autoRepaint = Chart()->AutoRepaint;
    Chart()->AutoRepaint = false;
    {
        TScopeGuard restore([this, autoRepaint] { Chart()->AutoRepaint = autoRepaint; });
        FreeComponent(last);
    }
    Chart()->Invalidate();
    return true;
}

void TCustomChartGrid::RightOnLastColumn()
{
    if (!AllowSeriesChanges() || Grid3D() || !Chart() || Col() != model_->ColCount() - 1) return;
    const int count = Chart()->CountSeries();
    if (count == 0) return;
    TCustomChartSeries* last = Chart()->GetSeries(count - 1);
    CreateChartSeries(Chart()->Owner(), Chart(), last->ClassType());
}

void TCustomChartGrid::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    RunHandler([&] {
        if (key == Qt::Key_Delete && ctrl) {
            if (!editing_) DeleteRow();
            return;
        }
        const bool onColor = Col() == model_->ColorColumn();
        switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
        case Qt::Key_F2:
            if (onColor && EditingAllowed()) return EditCurrentColor();
            if (CurrentIsVisuals()) return ShowVisualsMenu();
            if (key == Qt::Key_F2) return StartEdit();
            break;
        case Qt::Key_Escape: return EndEdit(true);
        case Qt::Key_Left:
            if (LeftOnLastColumn()) return;
            break;
        case Qt::Key_Right: RightOnLastColumn(); break;
        case Qt::Key_Up:
            if (UpOnLastRow()) return;
            break;
        case Qt::Key_Down:
            if (Row() == model_->RowCount() - 1) return AppendNullRow();
            break;
        case Qt::Key_Insert: return AppendRow();
        case Qt::Key_Delete:
            if (!editing_ && edit(currentIndex(), AllEditTriggers, nullptr)) {
                if (QWidget* editor = indexWidget(currentIndex())) {
                    QKeyEvent forwarded(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
                    if (auto* line = qobject_cast<QLineEdit*>(editor)) line->selectAll();
                    QCoreApplication::sendEvent(editor, &forwarded);
                }
                return;
            }
            break;
        default: break;
        }
        QTableView::keyPressEvent(event);
    });
}

void TCustomChartGrid::mousePressEvent(QMouseEvent* event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid() && index.column() < kFixedColCount) return;
    QTableView::mousePressEvent(event);
    NavigatorChanged();
}

void TCustomChartGrid::mouseMoveEvent(QMouseEvent* event)
{
    QTableView::mouseMoveEvent(event);
    if (!EditingAllowed()) return;
    const QModelIndex index = indexAt(event->position().toPoint());
    bool hand = false;
    if (index.isValid() && index.column() == model_->ColorColumn()) hand = model_->CellPointColor(index.row()) != clNone;
    if (hand) viewport()->setCursor(Qt::PointingHandCursor);
    else viewport()->unsetCursor();
}

void TCustomChartGrid::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid() && index.column() == model_->ColorColumn() && EditingAllowed()) {
        RunHandler([this] { EditCurrentColor(); });
        return;
    }
    if (index.isValid() && CurrentIsVisuals()) {
        RunHandler([this] { ShowVisualsMenu(); });
        return;
    }
    QTableView::mouseDoubleClickEvent(event);
}

void TCustomChartGrid::HeaderClicked(int col, bool onSymbol)
{
    if (onSymbol || model() != model_.get()) return;
    const int headerRows = model_->HeaderRowCount();
    if (col > kFixedColCount && model_->RowCount() > headerRows) {
        const QItemSelection column(model_->index(headerRows, col), model_->index(model_->RowCount() - 1, col));
        bool whole = true;
        for (int row = headerRows; row < model_->RowCount() && whole; ++row)
            whole = selectionModel()->isSelected(model_->index(row, col));
        const int row = std::max(Row(), headerRows);
        if (whole) {
            selectionModel()->setCurrentIndex(model_->index(row, col), QItemSelectionModel::ClearAndSelect);
        } else {
            selectionModel()->setCurrentIndex(model_->index(row, col), QItemSelectionModel::NoUpdate);
            selectionModel()->select(column, QItemSelectionModel::ClearAndSelect);
        }
    }
    NavigatorChanged();
}

void TCustomChartGrid::HeaderDoubleClicked(int col, bool onSymbol)
{
    if (onSymbol) EditSeriesColor(col);
}

void TCustomChartGrid::scrollContentsBy(int dx, int dy)
{
    QTableView::scrollContentsBy(dx, dy);
    const QPoint topLeft(horizontalScrollBar()->value(), verticalScrollBar()->value());
    if (topLeft == lastTopLeft_) return;
    lastTopLeft_ = topLeft;
    if (OnTopLeftChanged) OnTopLeftChanged(this);
}
