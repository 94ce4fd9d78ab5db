#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QPointer>
#include <QPushButton>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <filesystem>

#include "app/FText.h"
#include "app/support_RtfReader.h"
#include "platform/ui/ScriptedUiServices.h"
#include "support/TestSupport.h"

namespace {

// The format of the character at position in the window's text.
QTextCharFormat FormatAt(const TFormText& window, int position)
{
    QTextCursor cursor(window.RichEdit1->document());
    cursor.setPosition(position + 1);  // the format of the character before the cursor
    return cursor.charFormat();
}

QFont Heading(const TFormText& window)
{
    QFont font = window.GetTextFont();
    font.setPointSize(font.pointSize() + 2);
    font.setBold(true);
    return font;
}

// What the main window's descriptions list does with its text window.
TFormText* ListDescriptions()
{
    TFormText* window = ShowTextWindow("Data descriptions", "Data file: /data/survey.ini");
    const QFont heading = Heading(*window);
    window->AddFormattedText("Weather", heading);
    window->AddParagraph("1 = sunny\r\n2 = rainy\r\n");
    window->AddFormattedText("Wind", heading);
    window->AddParagraph("Speed in m/s\r\n");
    return window;
}

TEST(FormText, WindowAndControlsAsLaidOut)
{
    TFormText window;
    EXPECT_EQ(window.objectName(), "FormText");
    EXPECT_EQ(window.size(), QSize(467, 348));
    EXPECT_TRUE(window.testAttribute(Qt::WA_DeleteOnClose));
    window.show();
    EXPECT_EQ(window.Panel1->objectName(), "Panel1");
    EXPECT_EQ(window.Panel1->height(), 41);
    EXPECT_EQ(window.Panel1->geometry().bottom(), window.height() - 1) << "the panel sits at the bottom";
    EXPECT_EQ(window.BtnSave->objectName(), "BtnSave");
    EXPECT_EQ(window.BtnSave->text(), "Save as");
    EXPECT_EQ(window.BtnSave->accessibleName(), "Save as");
    EXPECT_EQ(window.RichEdit1->objectName(), "RichEdit1");
    EXPECT_FALSE(window.RichEdit1->accessibleName().isEmpty());
    EXPECT_EQ(window.RichEdit1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(window.RichEdit1->geometry(), QRect(0, 0, 467, 348 - 41));

    const int rightGap = window.width() - window.BtnSave->mapTo(&window, QPoint(window.BtnSave->width(), 0)).x();
    window.resize(700, 400);
    QApplication::processEvents();
    EXPECT_EQ(window.width() - window.BtnSave->mapTo(&window, QPoint(window.BtnSave->width(), 0)).x(), rightGap)
        << "the button keeps to the right edge";
    EXPECT_EQ(window.BtnSave->y(), 8) << "and to the panel's top";
}

TEST(FormText, DescriptionsListLinesAndFormats)
{
    QPointer<TFormText> window = ListDescriptions();
    EXPECT_EQ(FormText, window.data());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "Data descriptions");
    EXPECT_EQ(window->accessibleName(), "Data descriptions");
    EXPECT_EQ(window->PlainText(),
              "Data file: /data/survey.ini\n"
              "\n"
              "Weather\n"
              "1 = sunny\n"
              "2 = rainy\n"
              "\n"
              "\n"
              "Wind\n"
              "Speed in m/s\n"
              "\n"
              "\n");

    const std::string text = window->PlainText();
    const QFont body = window->GetTextFont();
    struct Case {
        const char* word;
        bool bold;
        int points;
    };
    const Case cases[] = {
        {"Data file", false, body.pointSize()},
        {"Weather", true, body.pointSize() + 2},
        {"1 = sunny", false, body.pointSize()},
        {"Wind", true, body.pointSize() + 2},
        {"Speed", false, body.pointSize()},
    };
    for (const Case& c : cases) {
        const int at = static_cast<int>(QString::fromStdString(text).indexOf(c.word));
        ASSERT_GE(at, 0) << c.word;
        const QFont font = FormatAt(*window, at).font();
        EXPECT_EQ(font.bold(), c.bold) << c.word;
        EXPECT_EQ(font.pointSize(), c.points) << c.word;
    }
    EXPECT_FALSE(window->RichEdit1->currentCharFormat().font().bold()) << "typing goes on in the plain font";
    window->close();
}

TEST(FormText, FormattedTextAddsNoLineEndAndResetsTheTypingFont)
{
    TFormText window;
    window.AddFormattedText("Bold", Heading(window));
    EXPECT_TRUE(window.RichEdit1->currentCharFormat().font().bold() == false);
    window.AddFormattedText(" and more", window.GetTextFont());
    EXPECT_EQ(window.PlainText(), "Bold and more");
    EXPECT_TRUE(FormatAt(window, 0).font().bold());
    EXPECT_FALSE(FormatAt(window, 5).font().bold());
    EXPECT_EQ(window.RichEdit1->textCursor().position(), 13) << "the caret is at the end";
}

TEST(FormText, EachCallOpensAWindowAndClosingFreesOnlyThatOne)
{
    QPointer<TFormText> first = ShowTextWindow("One", "first");
    QPointer<TFormText> second = ShowTextWindow("Two", "second");
    EXPECT_NE(first, second);
    EXPECT_EQ(FormText, second.data());
    EXPECT_TRUE(first->isVisible());
    EXPECT_TRUE(second->isVisible());

    first->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    ASSERT_FALSE(second.isNull());
    EXPECT_EQ(FormText, second.data()) << "the newer window is still the current one";

    second->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(second.isNull());
    EXPECT_EQ(FormText, nullptr);
}

TEST(FormText, SaveWritesTheRichTextAsRtf)
{
    qbtest::TempDir temp;
    TScriptedUiServices ui;
    TScopedUiServices scope(ui);
    const std::string path = temp.file("descriptions.rtf");
    ui.Push(TUiAnswer::SaveFile(path));
    ui.Push(TUiAnswer::Cancel(TUiCallKind::SaveFile));

    QPointer<TFormText> window = ListDescriptions();
    window->BtnSave->click();
    ASSERT_EQ(ui.Log().size(), 1u);
    EXPECT_EQ(ui.Log()[0].Kind, TUiCallKind::SaveFile);
    EXPECT_EQ(ui.Log()[0].Caption, "Save text as");
    EXPECT_EQ(ui.Log()[0].Text, "Rich text file|*.rtf|All files|*.*");

    const qbtest::RtfDocument rtf = qbtest::ParseRtf(qbtest::ReadFileBytes(path));
    EXPECT_EQ(rtf.PlainText(), window->PlainText());
    ASSERT_GE(rtf.Paragraphs.size(), 4u);
    ASSERT_EQ(rtf.Paragraphs[2].size(), 1u);
    EXPECT_EQ(rtf.Paragraphs[2][0].Text, "Weather");
    EXPECT_TRUE(rtf.Paragraphs[2][0].Bold);
    EXPECT_EQ(rtf.Paragraphs[2][0].HalfPoints, 2 * (window->GetTextFont().pointSize() + 2));
    EXPECT_FALSE(rtf.Paragraphs[3][0].Bold);

    const std::string saved = qbtest::ReadFileBytes(path);
    window->BtnSave->click();  // cancelled
    EXPECT_EQ(qbtest::ReadFileBytes(path), saved);
    EXPECT_EQ(ui.Pending(), 0);
    EXPECT_TRUE(ui.Failures().empty());
    window->close();
}

}  // namespace
