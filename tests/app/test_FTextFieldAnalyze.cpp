// The character view on a real table: the codes of the field's text in the ANSI code page, four
// columns each, following the cursor, and the selection of the codes under the edit's selection.
#include <QApplication>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <gtest/gtest.h>

#include "app/FTextFieldAnalyze.h"
#include "platform/ui/DBCtrls.h"
#include "support_TableTools.h"

using tabletest::TableToolTest;

namespace {

TEST(CharacterCodes, FourColumnsForEachCharacterOfTheAnsiText)
{
    struct Case {
        const char* text;
        const char* codes;
    };
    const Case cases[] = {
        {"Ab", "  65  98"}, {"", ""}, {"a\tb", "  97   9  98"}, {" ", "  32"},
        {"Žluť", " 142 108 117 157"},  // Windows-1250
        {"~\x7f", " 126 127"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatCharCode(c.text), c.codes) << c.text;
}

TEST(CharacterCodes, SelectionOfTheCodes)
{
    EXPECT_EQ(CodeSelection(0, 0), std::make_pair(0, 4));
    EXPECT_EQ(CodeSelection(2, 0), std::make_pair(8, 4));
    EXPECT_EQ(CodeSelection(1, 3), std::make_pair(4, 12));
}

class TextFieldAnalyzeTest : public TableToolTest {
protected:
    TextFieldAnalyzeTest() { MakeTable(tabletest::SurveyFields(), {{"1", "Ab"}, {"2", "Žluť"}, {"3", ""}}); }
    ~TextFieldAnalyzeTest() override
    {
        if (form_) form_->close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    std::string Codes() const { return form_->Memo->toPlainText().toStdString(); }

    QPointer<TFormTextFieldAnalyze> form_;
};

TEST_F(TextFieldAnalyzeTest, ShowsTheCodesOfTheCurrentRecordsText)
{
    form_ = ShowTextFieldAnalyze(&source_, &table_.FieldByName("NAME"), QPoint(40, 50));
    EXPECT_EQ(form_->windowTitle().toStdString(), "Text field analyze [NAME]");
    EXPECT_EQ(form_->pos(), QPoint(40, 50));
    EXPECT_TRUE(form_->isVisible());
    EXPECT_TRUE(form_->Memo->isReadOnly());
    EXPECT_EQ(form_->DBEdit->text().toStdString(), "Ab");
    EXPECT_EQ(Codes(), "  65  98");
    table_.Next();
    EXPECT_EQ(Codes(), " 142 108 117 157");
    table_.Next();
    EXPECT_EQ(Codes(), "");
}

TEST_F(TextFieldAnalyzeTest, SelectionInTheEditSelectsItsCodes)
{
    form_ = ShowTextFieldAnalyze(&source_, &table_.FieldByName("NAME"), QPoint(0, 0));
    table_.Next();
    form_->DBEdit->setSelection(1, 2);
    form_->SyncSelection();
    EXPECT_EQ(form_->Memo->textCursor().selectedText().toStdString(), " 108 117");
    form_->DBEdit->deselect();
    form_->DBEdit->setCursorPosition(3);
    form_->SyncSelection();
    EXPECT_EQ(form_->Memo->textCursor().selectedText().toStdString(), " 157");
    form_->DBEdit->setCursorPosition(4);  // after the last character: nothing beyond the codes
    form_->SyncSelection();
    EXPECT_EQ(form_->Memo->textCursor().selectedText().toStdString(), "");
}

TEST_F(TextFieldAnalyzeTest, EachCallOpensAFurtherViewAndClosingFreesIt)
{
    form_ = ShowTextFieldAnalyze(&source_, &table_.FieldByName("NAME"), QPoint(0, 0));
    QPointer<TFormTextFieldAnalyze> second = ShowTextFieldAnalyze(&source_, &table_.FieldByName("CODE"), QPoint(9, 9));
    EXPECT_NE(second.data(), form_.data());
    second->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(second.isNull());
    EXPECT_FALSE(form_.isNull());
}

}  // namespace
