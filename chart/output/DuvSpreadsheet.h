#pragma once
// Reading cell ranges straight from spreadsheet files: .xls (Excel 97 and later) through our own
// bounded reader of the compound file and its records, .xlsx through our own reader (zip through
// libzip, the sheet parts through QXmlStreamReader).
//
// What always holds:
//  - a reader never trusts its file: a damaged or hostile file raises ESpreadsheetError with a
//    clear message; nothing is read past what the file holds;
//  - cells outside the stored ones are empty; a range is at most kMaxRangeCells cells;
//  - formula cells give the value the file has stored for them (nothing is recalculated).
#include <memory>
#include <string>
#include <vector>

#include "platform/core/SysUtils.h"

class ESpreadsheetError : public Exception {
public:
    using Exception::Exception;
};

struct TSheetCell {
    enum TKind { ckEmpty, ckNumber, ckText };
    TKind Kind = ckEmpty;
    double Value = 0;
    std::string Text;  // for numbers, their text as the reader found it
};

// A rectangle of cells, 0-based and inclusive.
struct TCellRect {
    int Row0 = 0, Col0 = 0, Row1 = 0, Col1 = 0;
    int Rows() const { return Row1 - Row0 + 1; }
    int Cols() const { return Col1 - Col0 + 1; }
};

inline constexpr long long kMaxRangeCells = 1'000'000;

// "B10" -> row 9, column 1 (also "$B$10" and lower-case letters); false when it is no cell.
bool ParseCellReference(const std::string& text, int& row, int& col);
// The rectangle between two cell references, in either order; ESpreadsheetError when one is
// no cell reference or the range is too large.
TCellRect CellRange(const std::string& from, const std::string& to);

class TSpreadsheetFile {
public:
    virtual ~TSpreadsheetFile() = default;
    virtual std::vector<std::string> SheetNames() = 0;
    // The cells of the rectangle, row by row.
    virtual std::vector<TSheetCell> ReadRange(int sheet, const TCellRect& rect) = 0;
    // A sheet named so (without regard to case), else a 1-based sheet number; ESpreadsheetError
    // when there is neither.
    int SheetIndex(const std::string& sheet);

    // .xlsx (a zip file) or .xls, told by the file's first bytes.
    static std::unique_ptr<TSpreadsheetFile> Open(const std::string& fileName);
    static std::unique_ptr<TSpreadsheetFile> OpenXlsxBytes(std::string bytes);
    static std::unique_ptr<TSpreadsheetFile> OpenXls(const std::string& fileName);
};
