#include "app/RtfWriter.h"

#include <QColor>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "platform/core/CodePage.h"
#include "platform/core/Streams.h"

namespace {
// The program's fonts are laid out for 96 pixels per inch.
constexpr double kPointsPerPixel = 72.0 / 96.0;

// Font and colour tables in order of first use; index 0 of the colours is the reader's default.
class TRtfTables {
public:
    int FontIndex(const QString& family)
    {
        const auto found = std::find(fonts_.begin(), fonts_.end(), family);
        if (found != fonts_.end())
            return static_cast<int>(found - fonts_.begin());
        fonts_.push_back(family);
        return static_cast<int>(fonts_.size()) - 1;
    }
    int ColorIndex(QRgb color)
    {
        const auto found = std::find(colors_.begin(), colors_.end(), color);
        if (found != colors_.end())
            return static_cast<int>(found - colors_.begin()) + 1;
        colors_.push_back(color);
        return static_cast<int>(colors_.size());
    }
    std::string Header() const;

private:
    std::vector<QString> fonts_;
    std::vector<QRgb> colors_;
};

// One UTF-16 unit as \uN with the code page's character (or '?') for older readers.
std::string UnicodeEscape(char16_t unit, const QString& character)
{
    const std::string ansi = character.size() == 1 ? Utf8ToAnsi(character.toStdString()) : std::string("?");
    const auto byte = static_cast<unsigned char>(ansi.size() == 1 ? ansi[0] : '?');
    char fallback[8];
    std::snprintf(fallback, sizeof fallback, byte < 0x80 ? "%c" : "\\'%02x", byte);
    return "\\u" + std::to_string(static_cast<std::int16_t>(unit)) + fallback;
}

std::string EscapeText(const QString& text)
{
    std::string out;
    for (const QChar ch : text) {
        const char16_t unit = ch.unicode();
        if (unit == '\\' || unit == '{' || unit == '}')
            out += std::string("\\") + static_cast<char>(unit);
        else if (unit == '\t')
            out += "\\tab ";
        else if (unit == QChar::LineSeparator)
            out += "\\line ";
        else if (unit >= 0x20 && unit < 0x80)
            out += static_cast<char>(unit);
        else if (unit >= 0x80)
            out += UnicodeEscape(unit, QString(ch));
    }
    return out;
}

std::string TRtfTables::Header() const
{
    std::string header = "{\\rtf1\\ansi\\ansicpg" + std::to_string(ProgramCodePage()) + "\\deff0\\uc1\r\n{\\fonttbl";
    for (std::size_t i = 0; i < fonts_.size(); ++i)
        header += "{\\f" + std::to_string(i) + "\\fnil " + EscapeText(fonts_[i]) + ";}";
    header += "}\r\n{\\colortbl;";
    for (const QRgb color : colors_)
        header += "\\red" + std::to_string(qRed(color)) + "\\green" + std::to_string(qGreen(color)) + "\\blue" +
                  std::to_string(qBlue(color)) + ";";
    return header + "}\r\n";
}

int HalfPoints(const QFont& font)
{
    const double points = font.pointSizeF() > 0 ? font.pointSizeF() : font.pixelSize() * kPointsPerPixel;
    return static_cast<int>(std::lround(points * 2));
}

std::string FragmentRtf(const QTextFragment& fragment, const QFont& defaultFont, TRtfTables& tables)
{
    const QTextCharFormat format = fragment.charFormat();
    const QFont font = format.font().resolve(defaultFont);
    std::string out = "{\\f" + std::to_string(tables.FontIndex(font.family())) + "\\fs" +
                      std::to_string(HalfPoints(font));
    if (font.bold())
        out += "\\b";
    if (font.italic())
        out += "\\i";
    if (font.underline())
        out += "\\ul";
    if (font.strikeOut())
        out += "\\strike";
    if (format.foreground().style() != Qt::NoBrush)
        out += "\\cf" + std::to_string(tables.ColorIndex(format.foreground().color().rgb()));
    return out + " " + EscapeText(fragment.text()) + "}";
}

std::string BlockRtf(const QTextBlock& block, const QFont& defaultFont, TRtfTables& tables)
{
    std::string out = "\\pard\\plain ";
    for (auto it = block.begin(); !it.atEnd(); ++it)
        if (it.fragment().isValid())
            out += FragmentRtf(it.fragment(), defaultFont, tables);
    return out;
}
}  // namespace

std::string DocumentToRtf(const QTextDocument& document)
{
    TRtfTables tables;
    const QFont defaultFont = document.defaultFont();
    tables.FontIndex(defaultFont.family());
    std::string body;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block != document.begin())
            body += "\\par\r\n";
        body += BlockRtf(block, defaultFont, tables);
    }
    return tables.Header() + body + "\r\n}\r\n";
}

void SaveDocumentAsRtf(const QTextDocument& document, const std::string& fileName)
{
    const std::string rtf = DocumentToRtf(document);
    TFileStream file(fileName, fmCreate);
    file.WriteString(rtf);
    file.Commit();
}
