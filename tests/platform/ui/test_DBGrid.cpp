// The grid on a real table: titles and cells, the current row and the cursor following each
// other, cell edits reaching the file, inserted rows, refused values and read-only data.
#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <gtest/gtest.h>

#include "platform/ui/DBGrid.h"
#include "support_DbWidgets.h"

using uitest::DbWidgetTest;

namespace {

class DBGridTest : public DbWidgetTest {
protected:
    DBGridTest()
    {
        MakeTable(uitest::ThreeRows());
        grid.resize(600, 300);
        grid.SetDataSource(&source_);
        grid.show();
        QApplication::setActiveWindow(&grid);
        grid.setFocus();
    }

    QString Cell(int row, int column) const { return grid.model()->index(row, column).data().toString(); }
    QStringList Column(int column) const
    {
        QStringList texts;
        for (int row = 0; row < grid.model()->rowCount(); ++row) texts << Cell(row, column);
        return texts;
    }
    void PickRow(int row) { grid.setCurrentIndex(grid.model()->index(row, grid.currentIndex().column())); }
    // Types into a cell through the grid's own cell editor, as the user does.
    void EditCell(int row, int column, const QString& text)
    {
        const QModelIndex index = grid.model()->index(row, column);
        grid.setCurrentIndex(index);
        grid.edit(index);
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        ASSERT_NE(editor, nullptr);
        editor->setText(text);
        PressKey(editor, Qt::Key_Return);
        QApplication::processEvents();  // the editor hands its text over and closes in a queued call
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    TDBGrid grid;
};

}  // namespace

TEST_F(DBGridTest, ShowsFieldsAsTitledColumns)
{
    QStringList titles;
    for (int column = 0; column < grid.model()->columnCount(); ++column)
        titles << grid.model()->headerData(column, Qt::Horizontal).toString();
    EXPECT_EQ(titles, QStringList({"ID", "NAME", "OK", "KIND", "NOTE"}));
    EXPECT_EQ(Column(0), QStringList({"1", "2", "3"}));
    EXPECT_EQ(Column(1), QStringList({"Alder", "Birch", "Cedar"}));
    EXPECT_EQ(Column(4), QStringList({"(MEMO)", "(memo)", "(MEMO)"}));

    table_.Close();
    EXPECT_EQ(grid.model()->rowCount(), 0);
    EXPECT_EQ(grid.model()->columnCount(), 0);
    table_.Open();
    EXPECT_EQ(Column(1), QStringList({"Alder", "Birch", "Cedar"}));
}

TEST_F(DBGridTest, PaintingRowsMovesNoCursor)
{
    int scrolls = 0;
    table_.BeforeScroll = table_.AfterScroll = [&scrolls](TDataSet&) { ++scrolls; };
    table_.Next();
    scrolls = 0;
    EXPECT_EQ(Column(1), QStringList({"Alder", "Birch", "Cedar"}));
    grid.repaint();
    EXPECT_EQ(scrolls, 0);
    EXPECT_EQ(table_.RecNo(), 2);
    EXPECT_EQ(table_.FieldByName("NAME").AsString(), "Birch");
}

TEST_F(DBGridTest, CurrentRowAndCursorFollowEachOther)
{
    EXPECT_EQ(grid.currentIndex().row(), 0);
    table_.Last();
    EXPECT_EQ(grid.currentIndex().row(), 2);
    table_.Prior();
    EXPECT_EQ(grid.currentIndex().row(), 1);
    PickRow(0);
    EXPECT_EQ(table_.RecNo(), 1);
    PickRow(2);
    EXPECT_EQ(table_.FieldByName("NAME").AsString(), "Cedar");
    EXPECT_EQ(grid.CurrentRow(), 2);
}

TEST_F(DBGridTest, CellEditReachesTheFileWhenTheRowIsLeft)
{
    grid.setCurrentIndex(grid.model()->index(1, 1));
    EditCell(1, 1, "Beech");
    EXPECT_EQ(table_.State(), dsEdit);
    EXPECT_EQ(Cell(1, 1), "Beech");
    EXPECT_EQ(FileRows()[1], "2|Birch|False|2|");

    PickRow(2);
    EXPECT_EQ(table_.State(), dsBrowse);
    EXPECT_EQ(FileRows()[1], "2|Beech|False|2|");
    EXPECT_EQ(Column(1), QStringList({"Alder", "Beech", "Cedar"}));

    // Esc drops an edit not yet posted.
    EditCell(2, 3, "y");
    PressKey(&grid, Qt::Key_Escape);
    EXPECT_EQ(table_.State(), dsBrowse);
    EXPECT_EQ(Cell(2, 3), "x");
    EXPECT_EQ(FileRows()[2], "3|Cedar|True|x|third");
}

// A cell typed into without Enter: posting or checking the record takes the editor's text along,
// so closing the data right after typing loses nothing.
TEST_F(DBGridTest, TextStillInTheCellEditorIsPostedWithTheRecord)
{
    auto typeWithoutEnter = [this](int row, int column, const QString& text) {
        const QModelIndex cell = grid.model()->index(row, column);
        grid.setCurrentIndex(cell);
        grid.edit(cell);
        auto* editor = qobject_cast<QLineEdit*>(grid.indexWidget(cell));
        ASSERT_NE(editor, nullptr);
        editor->setText(text);
        EXPECT_TRUE(grid.CellEditorOpen());
    };
    typeWithoutEnter(1, 1, "Beech");
    table_.CheckBrowseMode();  // as closing the data does
    EXPECT_FALSE(grid.CellEditorOpen());
    EXPECT_EQ(table_.State(), dsBrowse);
    EXPECT_EQ(FileRows()[1], "2|Beech|False|2|");

    // One cell entered, the next one still being typed when the record is posted.
    EditCell(2, 3, "y");
    ASSERT_EQ(table_.State(), dsEdit);
    typeWithoutEnter(2, 1, "Cypress");
    table_.Post();
    EXPECT_FALSE(grid.CellEditorOpen());
    EXPECT_EQ(FileRows()[2], "3|Cypress|True|y|third");

    // Dropped on purpose, it stays out.
    typeWithoutEnter(0, 1, "Aspen");
    grid.DiscardCellEditor();
    table_.CheckBrowseMode();
    EXPECT_EQ(FileRows()[0].substr(0, 8), "1|Alder|");
}

TEST_F(DBGridTest, AppendedRowShowsAtTheEndAndIsPosted)
{
    table_.Append();
    EXPECT_EQ(grid.model()->rowCount(), 4);
    EXPECT_EQ(grid.currentIndex().row(), 3);
    EXPECT_EQ(grid.model()->headerData(3, Qt::Vertical).toString(), "*");
    EditCell(3, 0, "4");
    EditCell(3, 1, "Dogwood");
    EXPECT_EQ(Column(1), QStringList({"Alder", "Birch", "Cedar", "Dogwood"}));
    PickRow(0);
    EXPECT_EQ(FileRows().back(), "4|Dogwood|||");
    EXPECT_EQ(grid.model()->rowCount(), 4);
    EXPECT_EQ(table_.FieldByName("NAME").AsString(), "Alder");

    table_.Append();
    table_.Cancel();
    EXPECT_EQ(grid.model()->rowCount(), 4);
    table_.Last();
    table_.Delete();
    EXPECT_EQ(Column(1), QStringList({"Alder", "Birch", "Cedar"}));
    EXPECT_EQ(FileRows().size(), 3u);
}

TEST_F(DBGridTest, RefusedCellValueIsReportedAndNothingIsWritten)
{
    ui_.Push(TUiAnswer::Press(mrOk));
    EditCell(0, 0, "12345678");
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], "Value 12345678 does not fit into field ID N(6,0) of table '" + path_ + "'");
    EXPECT_EQ(Cell(0, 0), "1");
    PickRow(1);
    EXPECT_EQ(FileRows()[0], "1|Alder|True|1|first\\r\\nnote");
    EXPECT_EQ(table_.RecNo(), 2);
}

TEST_F(DBGridTest, ReadOnlyCellsDoNotEdit)
{
    const auto editable = [this](int column) { return bool(grid.model()->flags(grid.model()->index(0, column)) & Qt::ItemIsEditable); };
    EXPECT_TRUE(editable(1));
    EXPECT_FALSE(editable(4));  // memos open in their own viewer
    grid.SetReadOnly(true);
    EXPECT_FALSE(editable(1));
    grid.SetReadOnly(false);
    table_.Close();
    table_.ReadOnly = true;
    table_.Open();
    EXPECT_FALSE(editable(1));
    EXPECT_FALSE(grid.model()->setData(grid.model()->index(0, 1), "x"));
    EXPECT_EQ(table_.State(), dsBrowse);
}

TEST_F(DBGridTest, CellClicksNameTheirField)
{
    std::string clicked;
    grid.OnCellClick = [&clicked](TField& field) { clicked = field.FieldName(); };
    const QModelIndex memo = grid.model()->index(1, 4);
    emit grid.clicked(memo);
    EXPECT_EQ(clicked, "NOTE");
    grid.setCurrentIndex(grid.model()->index(0, 3));
    EXPECT_EQ(grid.SelectedField()->FieldName(), "KIND");
}
