#include <gtest/gtest.h>

#include <QListWidget>
#include <QToolButton>

#include "chart/editor/DuvSelectList.h"
#include "chart/editor/support_EditorTest.h"

namespace {

class SelectListTest : public testing::Test {
protected:
    void SetUp() override
    {
        editortest::StartEditorModules();
        form.OnChange = [this](TSelectListForm*) { ++changes; };
    }
    void Fill(int available, int selected)
    {
        for (int i = 0; i < available; ++i) form.FromList->addItem(QString("A%1").arg(i));
        for (int i = 0; i < selected; ++i) form.ToList->addItem(QString("S%1").arg(i));
    }
    static QStringList Rows(QListWidget* list)
    {
        QStringList rows;
        for (int i = 0; i < list->count(); ++i) rows << list->item(i)->text();
        return rows;
    }
    TSelectListForm form;
    int changes = 0;
};

TEST_F(SelectListTest, ButtonsFollowTheLists)
{
    struct Case {
        const char* Name;
        int Available, Selected, Current;
        bool Right, Left, Up, Down;
    };
    const Case cases[] = {
        {"both empty", 0, 0, -1, false, false, false, false},
        {"only available", 2, 0, -1, true, false, false, false},
        {"selected, none current", 0, 3, -1, false, true, false, false},
        {"first current", 0, 3, 0, false, true, false, true},
        {"middle current", 1, 3, 1, true, true, true, true},
        {"last current", 0, 3, 2, false, true, true, false},
        {"one row current", 0, 1, 0, false, true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        form.FromList->clear();
        form.ToList->clear();
        Fill(c.Available, c.Selected);
        form.ToList->setCurrentRow(c.Current);
        form.EnableButtons();
        EXPECT_EQ(form.BRightOne->isEnabled(), c.Right);
        EXPECT_EQ(form.BRightAll->isEnabled(), c.Right);
        EXPECT_EQ(form.BLeftOne->isEnabled(), c.Left);
        EXPECT_EQ(form.BLeftAll->isEnabled(), c.Left);
        EXPECT_EQ(form.BMoveUP->isEnabled(), c.Up);
        EXPECT_EQ(form.BMoveDown->isEnabled(), c.Down);
    }
}

TEST_F(SelectListTest, MovingEveryAvailableRowFocusesSelected)
{
    form.resize(330, 200);
    form.show();
    Fill(3, 1);
    form.FromList->item(0)->setData(Qt::UserRole, 7);
    form.FromList->selectAll();
    form.FromList->setFocus();
    form.BRightOne->click();
    EXPECT_EQ(form.FromList->count(), 0);
    EXPECT_EQ(Rows(form.ToList), (QStringList{"S0", "A0", "A1", "A2"}));
    EXPECT_EQ(form.ToList->item(1)->data(Qt::UserRole).toInt(), 7);  // the row keeps its object
    EXPECT_EQ(form.focusWidget(), form.ToList);
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(form.BRightOne->isEnabled());
}

TEST_F(SelectListTest, EveryMoveTellsTheUser)
{
    Fill(3, 2);
    form.FromList->item(1)->setSelected(true);
    form.BRightOne->click();
    EXPECT_EQ(Rows(form.FromList), (QStringList{"A0", "A2"}));
    EXPECT_EQ(Rows(form.ToList), (QStringList{"S0", "S1", "A1"}));
    form.ToList->clearSelection();
    form.ToList->item(0)->setSelected(true);
    form.BLeftOne->click();
    EXPECT_EQ(Rows(form.FromList), (QStringList{"A0", "A2", "S0"}));
    form.BRightAll->click();
    EXPECT_EQ(form.FromList->count(), 0);
    EXPECT_EQ(Rows(form.ToList), (QStringList{"S1", "A1", "A0", "A2", "S0"}));
    form.BLeftAll->click();
    EXPECT_EQ(form.ToList->count(), 0);
    EXPECT_EQ(form.FromList->count(), 5);
    EXPECT_EQ(changes, 4);
}

TEST_F(SelectListTest, DoubleClicksMoveTheRow)
{
    Fill(2, 1);
    form.FromList->setCurrentRow(0);
    form.FromListDblClick();
    EXPECT_EQ(Rows(form.ToList), (QStringList{"S0", "A0"}));
    // The row just added is the one selected.
    ASSERT_EQ(form.ToList->selectedItems().size(), 1);
    EXPECT_EQ(form.ToList->selectedItems()[0]->text(), "A0");
    EXPECT_EQ(form.ToList->currentRow(), 1);
    form.ToListDblClick();
    EXPECT_EQ(Rows(form.ToList), (QStringList{"S0"}));
    EXPECT_EQ(Rows(form.FromList), (QStringList{"A1", "A0"}));
    EXPECT_GE(changes, 2);
}

TEST_F(SelectListTest, UpAndDownKeepTheRowCurrent)
{
    Fill(0, 3);
    form.ToList->setCurrentRow(1);
    form.BMoveUP->click();
    EXPECT_EQ(Rows(form.ToList), (QStringList{"S1", "S0", "S2"}));
    EXPECT_EQ(form.ToList->currentRow(), 0);
    EXPECT_FALSE(form.BMoveUP->isEnabled());
    form.BMoveDown->click();
    form.BMoveDown->click();
    EXPECT_EQ(Rows(form.ToList), (QStringList{"S0", "S2", "S1"}));
    EXPECT_EQ(form.ToList->currentRow(), 2);
    EXPECT_FALSE(form.BMoveDown->isEnabled());
    EXPECT_EQ(changes, 3);
}

}  // namespace
