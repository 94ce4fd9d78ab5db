#include "platform/ui/DBGrid.h"

#include <QAbstractTableModel>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScopedValueRollback>
#include <unordered_map>

#include "platform/ui/Application.h"

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// The grid shows records around the cursor without moving it (moving would run the dataset's
// scroll handlers for every painted row).
QStringList RecordTexts(TDataSet& dataSet, int position)
{
    QStringList texts;
    dataSet.ReadRecordAt(position, [&] {
        for (int i = 0; i < dataSet.FieldCount(); ++i) texts << Q(dataSet.Fields().Fields(i).DisplayText());
    });
    return texts;
}

}  // namespace

// ---- the model over the dataset

class TDBGrid::TGridModel : public QAbstractTableModel {
public:
    explicit TGridModel(TDBGrid& grid) : QAbstractTableModel(&grid), grid_(grid) {}

    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : rows_; }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : columns_; }
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    TDataSet* DataSet() const;
    int CurrentRow() const;
    void Rebuild();        // fields changed: everything anew
    void Reload();         // records changed: row count and every value
    void Scrolled();       // the cursor moved to another record
    void RowChanged();     // the cursor's record changed
    void MoveToRow(int row);

private:
    int RecordOfRow(int row) const { return insertRow_ >= 0 && row > insertRow_ ? row - 1 : row; }
    QString CellText(int row, int column, int role) const;
    void SetRowCount(int rows);
    void ReadVisibleRows() const;

    TDBGrid& grid_;
    int rows_ = 0;
    int columns_ = 0;
    int insertRow_ = -1;      // the row of the record being inserted, -1 when none
    int lastBrowseRow_ = 0;   // where an inserted record shows when it is not appended
    mutable std::unordered_map<int, QStringList> cache_;  // record position -> texts
};

// ---- the link to the data source

class TDBGrid::TGridDataLink : public TDataLink {
public:
    explicit TGridDataLink(TDBGrid& grid) : grid_(grid) {}

protected:
    void ActiveChanged() override { Rebuild(); }
    void LayoutChanged() override { Rebuild(); }
    void DataSetChanged() override { Reload(); }
    void DataSetScrolled() override
    {
        grid_.model_->Scrolled();
        grid_.SyncCurrentRow();
    }
    void RecordChanged(TField*) override { grid_.model_->RowChanged(); }
    void CheckBrowseMode() override { grid_.UpdateData(); }
    void UpdateData() override { grid_.UpdateData(); }

private:
    void Rebuild()
    {
        grid_.model_->Rebuild();
        grid_.SyncCurrentRow();
    }
    void Reload()
    {
        grid_.model_->Reload();
        grid_.SyncCurrentRow();
    }
    TDBGrid& grid_;
};

TDataSet* TDBGrid::TGridModel::DataSet() const
{
    TDataSet* dataSet = grid_.DataSource() ? grid_.DataSource()->DataSet() : nullptr;
    return dataSet && dataSet->Active() && grid_.DataSource()->State() != dsInactive ? dataSet : nullptr;
}

int TDBGrid::TGridModel::CurrentRow() const
{
    const TDataSet* dataSet = DataSet();
    if (!dataSet) return -1;
    return insertRow_ >= 0 ? insertRow_ : dataSet->RecNo() - 1;
}

void TDBGrid::TGridModel::SetRowCount(int rows)
{
    if (rows > rows_) {
        beginInsertRows(QModelIndex(), rows_, rows - 1);
        rows_ = rows;
        endInsertRows();
    } else if (rows < rows_) {
        beginRemoveRows(QModelIndex(), rows, rows_ - 1);
        rows_ = rows;
        endRemoveRows();
    }
}

void TDBGrid::TGridModel::Rebuild()
{
    beginResetModel();
    const TDataSet* dataSet = DataSet();
    columns_ = dataSet ? dataSet->FieldCount() : 0;
    rows_ = 0;
    insertRow_ = -1;
    cache_.clear();
    endResetModel();
    Reload();
}

void TDBGrid::TGridModel::Reload()
{
    TDataSet* dataSet = DataSet();
    // Records change only in browse state; while one is edited the others keep their texts.
    if (!dataSet || dataSet->State() == dsBrowse) cache_.clear();
    Scrolled();
}

void TDBGrid::TGridModel::Scrolled()
{
    TDataSet* dataSet = DataSet();
    if (!dataSet) return SetRowCount(0);
    const int records = dataSet->RecordCount();
    if (dataSet->State() == dsInsert) {
        insertRow_ = dataSet->Eof() ? records : std::clamp(lastBrowseRow_, 0, records);
    } else {
        insertRow_ = -1;
        lastBrowseRow_ = std::max(dataSet->RecNo() - 1, 0);
    }
    SetRowCount(records + (insertRow_ >= 0 ? 1 : 0));
    if (dataSet->State() == dsBrowse) ReadVisibleRows();
    if (rows_ > 0 && columns_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, columns_ - 1));
    emit headerDataChanged(Qt::Vertical, 0, std::max(rows_ - 1, 0));
}

// The rows on screen are read while the dataset can give them, so they still show when a
// record is edited next.
void TDBGrid::TGridModel::ReadVisibleRows() const
{
    const int first = std::max(grid_.rowAt(0), 0);
    const int below = grid_.rowAt(grid_.viewport()->height());
    const int last = below < 0 ? rows_ - 1 : below;
    for (int row = first; row <= last && row < rows_; ++row)
        if (!cache_.count(row)) cache_.emplace(row, RecordTexts(*DataSet(), row));
}

void TDBGrid::TGridModel::RowChanged()
{
    const int row = CurrentRow();
    if (row < 0 || row >= rows_ || columns_ == 0) return;
    cache_.erase(RecordOfRow(row));
    emit dataChanged(index(row, 0), index(row, columns_ - 1));
}

QString TDBGrid::TGridModel::CellText(int row, int column, int role) const
{
    TDataSet* dataSet = DataSet();
    if (!dataSet || column >= dataSet->FieldCount()) return {};
    const TField& field = dataSet->Fields().Fields(column);
    if (row == CurrentRow()) return Q(role == Qt::EditRole ? field.Text() : field.DisplayText());
    const int record = RecordOfRow(row);
    auto cached = cache_.find(record);
    if (cached != cache_.end()) return cached->second.value(column);
    // While a record is edited the dataset gives only that record; the others show once it is done.
    if (dataSet->State() != dsBrowse) return {};
    return cache_.emplace(record, RecordTexts(*dataSet, record)).first->second.value(column);
}

QVariant TDBGrid::TGridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
    try {
        return CellText(index.row(), index.column(), role);
    } catch (const std::exception&) {
        return {};  // painting must go on; the error shows when the record is used
    }
}

QVariant TDBGrid::TGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal) {
        TDataSet* dataSet = DataSet();
        return dataSet && section < dataSet->FieldCount() ? Q(dataSet->Fields().Fields(section).FieldName()) : QVariant();
    }
    if (section != CurrentRow()) return QString();
    return insertRow_ >= 0 ? QString("*") : QString(QChar(0x25B6));
}

Qt::ItemFlags TDBGrid::TGridModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    TDataSet* dataSet = DataSet();
    const TField* field = grid_.ColumnField(index.column());
    if (dataSet && field && !grid_.ReadOnly() && dataSet->CanModify() && !field->IsBlob()) flags |= Qt::ItemIsEditable;
    return flags;
}

void TDBGrid::TGridModel::MoveToRow(int row)
{
    TDataSet* dataSet = DataSet();
    if (!dataSet || row == CurrentRow() || row < 0 || row >= rows_) return;
    const int target = RecordOfRow(row);
    dataSet->CheckBrowseMode();  // posts or drops the record being left
    if (dataSet->RecNo() > 0) dataSet->MoveBy(target - (dataSet->RecNo() - 1));
}

bool TDBGrid::TGridModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable)) return false;
    try {
        MoveToRow(index.row());
        TField* field = grid_.ColumnField(index.column());
        if (!field || !grid_.link_->Edit()) return false;
        field->SetAsString(value.toString().toStdString());
        return true;
    } catch (...) {
        HandleException();
        return false;
    }
}

// ---- TDBGrid

TDBGrid::TDBGrid(QWidget* parent)
    : QTableView(parent), link_(std::make_unique<TGridDataLink>(*this)), model_(new TGridModel(*this))
{
    setModel(model_);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    connect(this, &QTableView::clicked, this, [this](const QModelIndex& index) {
        TField* field = ColumnField(index.column());
        if (field && OnCellClick) RunHandler([this, field] { OnCellClick(*field); });
    });
    connect(this, &QTableView::doubleClicked, this, [this] {
        if (OnDblClick) RunHandler([this] { OnDblClick(); });
    });
}

TDBGrid::~TDBGrid() { link_->SetDataSource(nullptr); }

TDataSource* TDBGrid::DataSource() const { return link_->DataSource(); }

void TDBGrid::SetDataSource(TDataSource* source)
{
    link_->SetDataSource(source);
    model_->Rebuild();
    SyncCurrentRow();
}

TField* TDBGrid::ColumnField(int column) const
{
    TDataSet* dataSet = model_->DataSet();
    return dataSet && column >= 0 && column < dataSet->FieldCount() ? &dataSet->Fields().Fields(column) : nullptr;
}

TField* TDBGrid::SelectedField() const { return ColumnField(currentIndex().column()); }

int TDBGrid::CurrentRow() const { return model_->CurrentRow(); }

void TDBGrid::SyncCurrentRow()
{
    const int row = model_->CurrentRow();
    if (syncing_ || row == currentIndex().row()) return;
    syncing_ = true;
    const QModelIndex target = model_->index(row, std::max(currentIndex().column(), 0));
    selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect);
    if (target.isValid()) scrollTo(target);
    syncing_ = false;
}

void TDBGrid::commitData(QWidget* editor)
{
    const QScopedValueRollback<bool> committing(committing_, true);
    QTableView::commitData(editor);
}

void TDBGrid::UpdateData()
{
    // An editor on another row than the cursor's is committed when the view leaves it.
    if (committing_ || !CellEditorOpen() || currentIndex().row() != model_->CurrentRow()) return;
    QWidget* editor = indexWidget(currentIndex());
    if (!editor) return;
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void TDBGrid::DiscardCellEditor()
{
    if (!CellEditorOpen()) return;
    if (QWidget* editor = indexWidget(currentIndex())) closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
}

void TDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTableView::currentChanged(current, previous);
    if (syncing_ || !current.isValid() || current.row() == model_->CurrentRow()) return;
    RunHandler([this, &current] { model_->MoveToRow(current.row()); });
    SyncCurrentRow();  // back to the cursor when the move was refused
}

void TDBGrid::keyPressEvent(QKeyEvent* event)
{
    TDataSet* dataSet = model_->DataSet();
    if (event->key() == Qt::Key_Escape && state() != EditingState && dataSet && link_->Editing()) {
        RunHandler([dataSet] { dataSet->Cancel(); });
        return;
    }
    QTableView::keyPressEvent(event);
}
