// The string grid stand-in and the up-down arrows.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QToolButton>

#include "platform/ui/StringGrid.h"
#include "platform/ui/UpDown.h"

TEST(StringGrid, CellsSurviveCountChangesThatKeepThem)
{
    TStringGrid grid;
    grid.SetRowCount(2);
    grid.SetColCount(2);
    grid.SetCells(1, 1, "b");
    grid.SetCells(0, 0, "head");
    grid.SetRowCount(5);
    grid.SetColCount(4);
    EXPECT_EQ(grid.Cells(1, 1), "b");
    EXPECT_EQ(grid.Cells(0, 0), "head");
    EXPECT_EQ(grid.Cells(3, 4), "");
    grid.SetColCount(1);
    grid.SetColCount(2);
    EXPECT_EQ(grid.Cells(1, 1), "");  // a column dropped takes its cells along
    // Outside the grid: nothing written, an empty text read.
    grid.SetCells(7, 1, "x");
    grid.SetCells(0, -1, "x");
    EXPECT_EQ(grid.Cells(7, 1), "");
    EXPECT_EQ(grid.Cells(-1, 0), "");
    EXPECT_EQ(grid.ColCount(), 2);
    EXPECT_EQ(grid.RowCount(), 5);
}

TEST(StringGrid, TheFixedRowTakesNoSelection)
{
    TStringGrid grid;
    grid.SetRowCount(3);
    grid.SetColCount(2);
    grid.SetCells(1, 0, "X");
    grid.SetCells(1, 1, "1");
    EXPECT_EQ(grid.FixedRows(), 1);
    EXPECT_FALSE(grid.item(0, 1)->flags() & Qt::ItemIsSelectable);
    EXPECT_TRUE(grid.item(1, 1)->flags() & Qt::ItemIsSelectable);
    grid.SetFixedRows(0);
    EXPECT_TRUE(grid.item(0, 1)->flags() & Qt::ItemIsSelectable);
    grid.SetFixedRows(5);  // one header row at most
    EXPECT_EQ(grid.FixedRows(), 1);
    EXPECT_FALSE(grid.item(0, 1)->flags() & Qt::ItemIsSelectable);
}

TEST(StringGrid, WidthsAndHeights)
{
    TStringGrid grid;
    grid.SetDefaultRowHeight(20);
    EXPECT_EQ(grid.DefaultRowHeight(), 20);
    grid.SetColWidths(0, 33);
    EXPECT_EQ(grid.ColWidths(0), 33);
    EXPECT_GT(grid.TextWidth("Standard deviation"), grid.TextWidth("Sum"));
    EXPECT_EQ(grid.TextWidth(""), 0);
}

TEST(UpDown, StepsWithinItsRange)
{
    QLineEdit edit("7");
    TUpDown upDown(&edit, 1, 8);
    struct Case {
        const char* text;
        int delta;
        const char* result;
    };
    const Case cases[] = {{"7", 1, "8"}, {"8", 1, "8"}, {"2", -1, "1"}, {"1", -1, "1"},
                          {"abc", 1, "1"}, {"abc", -1, "1"}, {"40", -1, "8"}};
    for (const Case& c : cases) {
        edit.setText(c.text);
        upDown.Step(c.delta);
        EXPECT_EQ(edit.text().toStdString(), c.result) << c.text << " " << c.delta;
    }
    edit.setText("3");
    upDown.UpButton()->click();
    EXPECT_EQ(edit.text(), "4");
    upDown.DownButton()->click();
    upDown.DownButton()->click();
    EXPECT_EQ(edit.text(), "2");
    EXPECT_FALSE(upDown.UpButton()->accessibleName().isEmpty());
}
