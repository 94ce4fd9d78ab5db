#pragma once
// The data grid: one row per record and one column per field of a data source's dataset,
// titled with the field names. The current row follows the dataset's cursor and the cursor
// follows the row the user picks. A typed cell goes into the field at once; the record is
// posted when the cursor leaves it (or by Post), and Esc cancels it.
#include <QTableView>
#include <functional>
#include <memory>

#include "platform/db/DataSource.h"

class TDBGrid : public QTableView {
public:
    explicit TDBGrid(QWidget* parent = nullptr);
    ~TDBGrid() override;

    TDataSource* DataSource() const;
    void SetDataSource(TDataSource* source);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool readOnly) { readOnly_ = readOnly; }

    TField* ColumnField(int column) const;  // nullptr outside the dataset's fields
    TField* SelectedField() const;          // the field of the current column
    int CurrentRow() const;                 // the view row of the cursor; -1 when there is none

    // A cell editor is open. Its text reaches the field when the record is posted or checked
    // (UpdateData), so closing the data after typing without Enter keeps what was typed.
    bool CellEditorOpen() const { return state() == EditingState; }
    void UpdateData();       // the open cell editor's text into its field; the editor closes
    void DiscardCellEditor();  // closes the open cell editor without storing its text

    std::function<void(TField& field)> OnCellClick;  // a click on a data cell
    std::function<void()> OnDblClick;

protected:
    void commitData(QWidget* editor) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    class TGridDataLink;
    class TGridModel;
    friend class TGridDataLink;
    void SyncCurrentRow();

    std::unique_ptr<TGridDataLink> link_;
    TGridModel* model_;
    bool readOnly_ = false;
    bool syncing_ = false;
    bool committing_ = false;  // an editor's text is going into its field
};
