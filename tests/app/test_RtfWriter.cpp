#include <gtest/gtest.h>

#include <QTextCursor>
#include <QTextDocument>
#include <cstdlib>
#include <filesystem>

#include "app/RtfWriter.h"
#include "app/support_RtfReader.h"
#include "platform/core/CodePage.h"
#include "platform/core/SysUtils.h"
#include "support/TestSupport.h"

namespace {

QFont Font(const char* family, int points, bool bold = false)
{
    QFont font(family);
    font.setPointSize(points);
    font.setBold(bold);
    return font;
}

void Insert(QTextCursor& cursor, const QString& text, const QFont& font, const QColor& color = QColor())
{
    QTextCharFormat format;
    format.setFont(font);
    if (color.isValid())
        format.setForeground(color);
    cursor.insertText(text, format);
}

// A heading, Czech text, an empty paragraph, a coloured line with characters RTF must escape.
void FillSample(QTextDocument& document)
{
    document.setDefaultFont(Font("Tahoma", 8));
    QTextCursor cursor(&document);
    Insert(cursor, "Weather", Font("Tahoma", 10, true));
    cursor.insertBlock();
    Insert(cursor, QString::fromUtf8("Počasí: slunečno, 25 °C"), Font("Tahoma", 8));
    cursor.insertBlock();
    cursor.insertBlock();
    QFont italic = Font("Liberation Sans", 12);
    italic.setItalic(true);
    italic.setUnderline(true);
    Insert(cursor, QString::fromUtf8("{a}\\b\tc") + QChar(QChar::LineSeparator) + QString::fromUtf8("€ 😀"), italic,
           QColor(200, 10, 20));
}

TEST(RtfWriter, WritesParagraphsWithTheirFormatting)
{
    QTextDocument document;
    FillSample(document);
    const qbtest::RtfDocument rtf = qbtest::ParseRtf(DocumentToRtf(document));
    EXPECT_EQ(rtf.CodePage, ProgramCodePage());
    EXPECT_EQ(rtf.PlainText(), "Weather\nPočasí: slunečno, 25 °C\n\n{a}\\b\tc\n€ 😀");
    ASSERT_EQ(rtf.Paragraphs.size(), 4u);

    ASSERT_EQ(rtf.Paragraphs[0].size(), 1u);
    const qbtest::RtfRun& heading = rtf.Paragraphs[0][0];
    EXPECT_TRUE(heading.Bold);
    EXPECT_EQ(heading.HalfPoints, 20);
    EXPECT_EQ(heading.Font, "Tahoma");

    ASSERT_EQ(rtf.Paragraphs[1].size(), 1u);
    const qbtest::RtfRun& plain = rtf.Paragraphs[1][0];
    EXPECT_FALSE(plain.Bold);
    EXPECT_EQ(plain.HalfPoints, 16);
    EXPECT_EQ(plain.ColorIndex, 0);
    EXPECT_TRUE(rtf.Paragraphs[2].empty());

    ASSERT_EQ(rtf.Paragraphs[3].size(), 1u);
    const qbtest::RtfRun& styled = rtf.Paragraphs[3][0];
    EXPECT_TRUE(styled.Italic);
    EXPECT_TRUE(styled.Underline);
    EXPECT_FALSE(styled.Bold);
    EXPECT_EQ(styled.Font, "Liberation Sans");
    EXPECT_EQ(styled.HalfPoints, 24);
    ASSERT_GT(styled.ColorIndex, 0);
    ASSERT_LT(styled.ColorIndex, static_cast<int>(rtf.Colors.size()));
    const qbtest::RtfColor color = rtf.Colors[styled.ColorIndex];
    EXPECT_EQ(std::tie(color.Red, color.Green, color.Blue), std::make_tuple(200, 10, 20));
}

TEST(RtfWriter, EscapesAndFallbacksForOlderReaders)
{
    SetProgramCodePage(1250);
    struct Case {
        const char* text;  // UTF-8
        const char* written;
    };
    const Case cases[] = {
        {"{x}", "\\{x\\}"},
        {"a\\b", "a\\\\b"},
        {"č", "\\u269\\'e8"},        // with its Windows-1250 byte
        {"€", "\\u8364\\'80"},
        {"ß", "\\u223\\'df"},
        {"中", "\\u20013?"},          // no byte in the code page
        {"😀", "\\u-10179?\\u-8704?"},  // two UTF-16 units, written signed
        {"a\tb", "a\\tab b"},
    };
    for (const Case& c : cases) {
        QTextDocument document;
        document.setPlainText(QString::fromUtf8(c.text));
        const std::string rtf = DocumentToRtf(document);
        EXPECT_NE(rtf.find(c.written), std::string::npos) << c.text << " in\n" << rtf;
        EXPECT_EQ(qbtest::ParseRtf(rtf).PlainText(), c.text);
        for (const char ch : rtf)
            EXPECT_LT(static_cast<unsigned char>(ch), 0x80) << "RTF is 7-bit text";
    }
    SetProgramCodePage(0);
}

TEST(RtfWriter, SavingReplacesTheFileWholeOrLeavesItAlone)
{
    qbtest::TempDir temp;
    QTextDocument document;
    FillSample(document);
    const std::string path = temp.file("text.rtf");
    qbtest::WriteFileBytes(path, "old");
    SaveDocumentAsRtf(document, path);
    EXPECT_EQ(qbtest::ReadFileBytes(path), DocumentToRtf(document));

    const std::string missingFolder = temp.file("missing/text.rtf");
    EXPECT_THROW(SaveDocumentAsRtf(document, missingFolder), EStreamError);
    EXPECT_FALSE(std::filesystem::exists(missingFolder));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp.path()), {}), 1) << "no temporary file left";
}

// The office suite reads the file back as text. scripts/common.sh installs its writer; a missing
// suite fails the test, and so does one that exits without converting (only part installed).
TEST(RtfWriter, AnOfficeSuiteReadsTheText)
{
    const char* const office = "/usr/bin/soffice";
    ASSERT_TRUE(std::filesystem::exists(office)) << "LibreOffice Writer is missing: install it with scripts/common.sh";
    qbtest::TempDir temp;
    QTextDocument document;
    FillSample(document);
    SaveDocumentAsRtf(document, temp.file("sample.rtf"));
    // A profile folder of its own, so parallel runs don't share (and lock) one; UTF-8 text out.
    const std::string command = "timeout 240 " + std::string(office) + " -env:UserInstallation=file://" +
                                temp.file("profile") + " --headless --convert-to 'txt:Text (encoded):UTF8' --outdir " +
                                temp.path().string() + " " + temp.file("sample.rtf") + " > " + temp.file("office.log") +
                                " 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << qbtest::ReadFileBytes(temp.file("office.log"));
    ASSERT_TRUE(std::filesystem::exists(temp.file("sample.txt")))
        << "LibreOffice converted nothing (is its Writer installed?):\n" << qbtest::ReadFileBytes(temp.file("office.log"));
    std::string text = qbtest::ReadFileBytes(temp.file("sample.txt"));
    if (text.rfind("\xEF\xBB\xBF", 0) == 0)
        text.erase(0, 3);
    EXPECT_NE(text.find("Weather"), std::string::npos) << text;
    EXPECT_NE(text.find("Počasí: slunečno, 25 °C"), std::string::npos) << text;
    EXPECT_NE(text.find("{a}\\b"), std::string::npos) << text;
}

}  // namespace
