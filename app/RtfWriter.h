#pragma once
// Rich text out as RTF: paragraphs, fonts, sizes, bold, italic, underline, strike-out, colours.
#include <string>

class QTextDocument;

// The document as RTF. Text beyond ASCII is written as Unicode with the program code page's
// character as the fallback for readers that don't know Unicode.
std::string DocumentToRtf(const QTextDocument& document);

// Writes DocumentToRtf to fileName safely (temporary file, then rename); raises on file errors.
void SaveDocumentAsRtf(const QTextDocument& document, const std::string& fileName);
