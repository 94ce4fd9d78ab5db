// Memo viewers on a real table: one viewer per data source and memo field, reused on the next
// click; the memo of the current record, following the cursor; an edit reaching the file; closing
// by the user or with the table window's data source.
#include <QApplication>
#include <QPointer>
#include <gtest/gtest.h>

#include "app/FMemoField.h"
#include "platform/ui/DBCtrls.h"
#include "support_TableTools.h"

using tabletest::TableToolTest;

namespace {

class MemoFieldTest : public TableToolTest {
protected:
    MemoFieldTest()
    {
        MakeTable({{"ID", 'N', 4, 0}, {"NOTE", 'M', 10, 0}, {"MORE", 'M', 10, 0}},
                  {{"1", "first\r\nnote", "x"}, {"2", "", "y"}, {"3", "third", ""}});
        other_.SetDataSet(&table_);
    }
    ~MemoFieldTest() override
    {
        CloseMemoBrowsers(&source_);
        CloseMemoBrowsers(&other_);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    static std::string Shown(const TFormMemoField* window) { return window->DBMemo->toPlainText().toStdString(); }

    TDataSource other_;
};

TEST_F(MemoFieldTest, OneViewerPerDataSourceAndField)
{
    TFormMemoField* note = BrowseMemoField(&source_, &table_.FieldByName("NOTE"));
    EXPECT_TRUE(note->isVisible());
    EXPECT_EQ(note->windowTitle().toStdString(), "[NOTE]");
    EXPECT_TRUE(note->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(BrowseMemoField(&source_, &table_.FieldByName("note")), note);
    EXPECT_EQ(MemoBrowserCount(), 1);

    TFormMemoField* more = BrowseMemoField(&source_, &table_.FieldByName("MORE"));
    TFormMemoField* elsewhere = BrowseMemoField(&other_, &table_.FieldByName("NOTE"));
    EXPECT_NE(more, note);
    EXPECT_NE(elsewhere, note);
    EXPECT_EQ(MemoBrowserCount(), 3);
}

TEST_F(MemoFieldTest, ShowsTheMemoOfTheCurrentRecordAndFollowsTheCursor)
{
    TFormMemoField* note = BrowseMemoField(&source_, &table_.FieldByName("NOTE"));
    EXPECT_EQ(Shown(note), "first\nnote");
    table_.Next();
    EXPECT_EQ(Shown(note), "");
    table_.Last();
    EXPECT_EQ(Shown(note), "third");
}

TEST_F(MemoFieldTest, AnEditInTheViewerReachesTheFile)
{
    TFormMemoField* note = BrowseMemoField(&source_, &table_.FieldByName("NOTE"));
    table_.Last();
    note->DBMemo->moveCursor(QTextCursor::End);
    note->DBMemo->insertPlainText(" and more\nlines");
    EXPECT_EQ(table_.State(), dsEdit);
    table_.Post();
    table_.Close();
    EXPECT_EQ(FileRows()[2], "3|third and more\\r\\nlines|");
}

TEST_F(MemoFieldTest, ClosingTheTableWindowsSourceClosesItsViewersOnly)
{
    QPointer<TFormMemoField> note = BrowseMemoField(&source_, &table_.FieldByName("NOTE"));
    QPointer<TFormMemoField> more = BrowseMemoField(&source_, &table_.FieldByName("MORE"));
    QPointer<TFormMemoField> elsewhere = BrowseMemoField(&other_, &table_.FieldByName("NOTE"));
    CloseMemoBrowsers(&source_);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(note.isNull());
    EXPECT_TRUE(more.isNull());
    ASSERT_FALSE(elsewhere.isNull());
    EXPECT_TRUE(elsewhere->isVisible());
    EXPECT_EQ(MemoBrowserCount(), 1);
}

TEST_F(MemoFieldTest, AWindowTheUserClosesLeavesTheListAndTheNextClickOpensANewOne)
{
    QPointer<TFormMemoField> note = BrowseMemoField(&source_, &table_.FieldByName("NOTE"));
    note->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(note.isNull());
    EXPECT_EQ(MemoBrowserCount(), 0);
    TFormMemoField* again = BrowseMemoField(&source_, &table_.FieldByName("NOTE"));
    EXPECT_EQ(Shown(again), "first\nnote");
    EXPECT_EQ(MemoBrowserCount(), 1);
}

}  // namespace
