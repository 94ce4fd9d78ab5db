#include "chart/output/DuvSpreadsheet.h"

#include <freexl.h>
#include <zip.h>

#include <QXmlStreamReader>
#include <charconv>
#include <fstream>
#include <map>

#include "platform/core/StringList.h"

// ---------------------------------------------------------------- cell references

bool ParseCellReference(const std::string& text, int& row, int& col)
{
    std::size_t i = 0;
    const std::string s = Trim(text);
    if (i < s.size() && s[i] == '$') ++i;
    long long column = 0;
    const std::size_t lettersStart = i;
    while (i < s.size() && std::isalpha(static_cast<unsigned char>(s[i]))) {
        column = column * 26 + (std::toupper(static_cast<unsigned char>(s[i])) - 'A' + 1);
        if (column > 16384) return false;
        ++i;
    }
    if (i == lettersStart) return false;
    if (i < s.size() && s[i] == '$') ++i;
    long long number = 0;
    const std::size_t digitsStart = i;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
        number = number * 10 + (s[i] - '0');
        if (number > 1048576) return false;
        ++i;
    }
    if (i == digitsStart || i != s.size() || number == 0) return false;
    row = static_cast<int>(number - 1);
    col = static_cast<int>(column - 1);
    return true;
}

TCellRect CellRange(const std::string& from, const std::string& to)
{
    TCellRect r;
    if (!ParseCellReference(from, r.Row0, r.Col0)) throw ESpreadsheetError("Not a cell reference: \"" + from + "\"");
    if (!ParseCellReference(to, r.Row1, r.Col1)) throw ESpreadsheetError("Not a cell reference: \"" + to + "\"");
    if (r.Row0 > r.Row1) std::swap(r.Row0, r.Row1);
    if (r.Col0 > r.Col1) std::swap(r.Col0, r.Col1);
    if (static_cast<long long>(r.Rows()) * r.Cols() > kMaxRangeCells)
        throw ESpreadsheetError("The range " + from + ":" + to + " holds too many cells");
    return r;
}

int TSpreadsheetFile::SheetIndex(const std::string& sheet)
{
    const std::vector<std::string> names = SheetNames();
    for (std::size_t i = 0; i < names.size(); ++i)
        if (LowerCase(names[i]) == LowerCase(sheet)) return static_cast<int>(i);
    int number = 0;
    const std::string text = Trim(sheet);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error == std::errc() && end == text.data() + text.size() && number >= 1 && number <= int(names.size()))
        return number - 1;
    throw ESpreadsheetError("The workbook has no worksheet \"" + sheet + "\"");
}

namespace {

// ---------------------------------------------------------------- xlsx

// No part of a workbook we read is larger; a bigger one is refused, not read.
constexpr zip_uint64_t kMaxPartSize = 256u << 20;

bool ParseNumber(const std::string& text, double& value)
{
    const std::string s = Trim(text);
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
    return error == std::errc() && end == s.data() + s.size() && !s.empty();
}

class TXlsxFile : public TSpreadsheetFile {
public:
    explicit TXlsxFile(std::string bytes) : bytes_(std::move(bytes))
    {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source = zip_source_buffer_create(bytes_.data(), bytes_.size(), 0, &error);
        if (source) zip_.reset(zip_open_from_source(source, ZIP_RDONLY, &error));
        if (!zip_) {
            if (source) zip_source_free(source);
            zip_error_fini(&error);
            throw ESpreadsheetError("The spreadsheet file is no readable workbook (zip)");
        }
        zip_error_fini(&error);
        ReadWorkbook();
    }

    std::vector<std::string> SheetNames() override { return names_; }
    std::vector<TSheetCell> ReadRange(int sheet, const TCellRect& rect) override;

private:
    bool HasPart(const std::string& name) { return zip_name_locate(zip_.get(), name.c_str(), 0) >= 0; }
    std::string ReadPart(const std::string& name);
    void ReadWorkbook();
    void ReadSharedStrings();

    std::string bytes_;
    // Freed also when the constructor fails after opening.
    std::unique_ptr<zip_t, decltype(&zip_discard)> zip_{nullptr, &zip_discard};
    std::vector<std::string> names_, parts_;
    std::vector<std::string> shared_;
    bool sharedRead_ = false;
};

std::string TXlsxFile::ReadPart(const std::string& name)
{
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat(zip_.get(), name.c_str(), 0, &stat) != 0) throw ESpreadsheetError("The workbook lacks its part " + name);
    zip_file_t* file = zip_fopen(zip_.get(), name.c_str(), 0);
    if (!file) throw ESpreadsheetError("The workbook part " + name + " cannot be read");
    std::string data;
    char buffer[65536];
    zip_int64_t got = 0;
    while ((got = zip_fread(file, buffer, sizeof buffer)) > 0) {
        if (data.size() + zip_uint64_t(got) > kMaxPartSize) {
            zip_fclose(file);
            throw ESpreadsheetError("The workbook part " + name + " is too large");
        }
        data.append(buffer, std::size_t(got));
    }
    zip_fclose(file);
    if (got < 0) throw ESpreadsheetError("The workbook part " + name + " is damaged");
    return data;
}

std::string Attribute(const QXmlStreamReader& xml, const char* name)
{
    for (const QXmlStreamAttribute& a : xml.attributes())
        if (a.name() == QLatin1String(name) || a.qualifiedName() == QLatin1String(name)) return a.value().toString().toStdString();
    return {};
}

void CheckXml(const QXmlStreamReader& xml, const std::string& part)
{
    if (xml.hasError() && xml.error() != QXmlStreamReader::PrematureEndOfDocumentError)
        throw ESpreadsheetError("The workbook part " + part + " is damaged: " + xml.errorString().toStdString());
}

// Targets are given relative to the workbook's folder, or from the package root.
std::string ResolveTarget(const std::string& target)
{
    if (target.starts_with("/")) return target.substr(1);
    if (target.starts_with("../")) return target.substr(3);
    return "xl/" + target;
}

void TXlsxFile::ReadWorkbook()
{
    std::map<std::string, std::string> targets;
    if (HasPart("xl/_rels/workbook.xml.rels")) {
        const std::string rels = ReadPart("xl/_rels/workbook.xml.rels");
        QXmlStreamReader xml(QByteArray::fromRawData(rels.data(), qsizetype(rels.size())));
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isStartElement() && xml.name() == QLatin1String("Relationship"))
                targets[Attribute(xml, "Id")] = Attribute(xml, "Target");
        }
        CheckXml(xml, "xl/_rels/workbook.xml.rels");
    }
    const std::string workbook = ReadPart("xl/workbook.xml");
    QXmlStreamReader xml(QByteArray::fromRawData(workbook.data(), qsizetype(workbook.size())));
    int sheetNumber = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement() || xml.name() != QLatin1String("sheet")) continue;
        ++sheetNumber;
        names_.push_back(Attribute(xml, "name"));
        const std::string id = Attribute(xml, "r:id");
        const auto found = targets.find(id);
        parts_.push_back(found != targets.end() ? ResolveTarget(found->second)
                                                : "xl/worksheets/sheet" + std::to_string(sheetNumber) + ".xml");
    }
    CheckXml(xml, "xl/workbook.xml");
}

void TXlsxFile::ReadSharedStrings()
{
    if (sharedRead_) return;
    sharedRead_ = true;
    if (!HasPart("xl/sharedStrings.xml")) return;
    const std::string data = ReadPart("xl/sharedStrings.xml");
    QXmlStreamReader xml(QByteArray::fromRawData(data.data(), qsizetype(data.size())));
    int phonetic = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            if (xml.name() == QLatin1String("si")) shared_.emplace_back();
            else if (xml.name() == QLatin1String("rPh")) ++phonetic;
            else if (xml.name() == QLatin1String("t") && !shared_.empty() && phonetic == 0)
                shared_.back() += xml.readElementText(QXmlStreamReader::IncludeChildElements).toStdString();
        } else if (xml.isEndElement() && xml.name() == QLatin1String("rPh")) {
            --phonetic;
        }
    }
    CheckXml(xml, "xl/sharedStrings.xml");
}

std::vector<TSheetCell> TXlsxFile::ReadRange(int sheet, const TCellRect& rect)
{
    if (sheet < 0 || sheet >= int(parts_.size())) throw ESpreadsheetError("The workbook has no such worksheet");
    std::vector<TSheetCell> cells(std::size_t(rect.Rows()) * std::size_t(rect.Cols()));
    const std::string data = ReadPart(parts_[std::size_t(sheet)]);
    QXmlStreamReader xml(QByteArray::fromRawData(data.data(), qsizetype(data.size())));
    int row = -1, col = -1;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) continue;
        if (xml.name() == QLatin1String("row")) {
            const std::string r = Attribute(xml, "r");
            int number = 0;
            row = !r.empty() && std::from_chars(r.data(), r.data() + r.size(), number).ec == std::errc() ? number - 1 : row + 1;
            col = -1;
            continue;
        }
        if (xml.name() != QLatin1String("c")) continue;
        const std::string ref = Attribute(xml, "r");
        int cellRow = row, cellCol = col + 1;
        if (!ref.empty() && !ParseCellReference(ref, cellRow, cellCol))
            throw ESpreadsheetError("The worksheet names a bad cell \"" + ref + "\"");
        row = cellRow;
        col = cellCol;
        const std::string type = Attribute(xml, "t");
        std::string value, inlineText;
        bool hasValue = false;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.isEndElement() && xml.name() == QLatin1String("c")) break;
            if (!xml.isStartElement()) continue;
            if (xml.name() == QLatin1String("v")) {
                value = xml.readElementText().toStdString();
                hasValue = true;
            } else if (xml.name() == QLatin1String("t")) {
                inlineText += xml.readElementText(QXmlStreamReader::IncludeChildElements).toStdString();
                hasValue = true;
            }
        }
        if (!hasValue || row < rect.Row0 || row > rect.Row1 || col < rect.Col0 || col > rect.Col1) continue;
        TSheetCell& cell = cells[std::size_t(row - rect.Row0) * std::size_t(rect.Cols()) + std::size_t(col - rect.Col0)];
        if (type == "s") {
            ReadSharedStrings();
            int index = -1;
            if (std::from_chars(value.data(), value.data() + value.size(), index).ec != std::errc() || index < 0 ||
                index >= int(shared_.size()))
                throw ESpreadsheetError("The worksheet names a missing shared text " + value);
            cell.Kind = TSheetCell::ckText;
            cell.Text = shared_[std::size_t(index)];
        } else if (type == "inlineStr") {
            cell.Kind = TSheetCell::ckText;
            cell.Text = inlineText;
        } else if (type == "str" || type == "e" || type == "d") {
            cell.Kind = TSheetCell::ckText;
            cell.Text = value;
        } else if (ParseNumber(value, cell.Value)) {
            cell.Kind = TSheetCell::ckNumber;  // numbers, booleans and cached formula results
            cell.Text = value;
        } else if (!value.empty()) {
            cell.Kind = TSheetCell::ckText;
            cell.Text = value;
        }
    }
    CheckXml(xml, parts_[std::size_t(sheet)]);
    return cells;
}

// ---------------------------------------------------------------- xls

class TXlsFile : public TSpreadsheetFile {
public:
    explicit TXlsFile(const std::string& fileName)
    {
        if (freexl_open(fileName.c_str(), &handle_) != FREEXL_OK) {
            if (handle_) freexl_close(handle_);
            handle_ = nullptr;
            throw ESpreadsheetError("The spreadsheet file \"" + fileName + "\" is no readable workbook");
        }
    }
    ~TXlsFile() override
    {
        if (handle_) freexl_close(handle_);
    }

    std::vector<std::string> SheetNames() override
    {
        unsigned count = 0;
        if (freexl_get_info(handle_, FREEXL_BIFF_SHEET_COUNT, &count) != FREEXL_OK) count = 0;
        std::vector<std::string> names;
        for (unsigned i = 0; i < count && i < 65535; ++i) {
            const char* name = nullptr;
            names.push_back(freexl_get_worksheet_name(handle_, static_cast<unsigned short>(i), &name) == FREEXL_OK && name ? name : "");
        }
        return names;
    }

    std::vector<TSheetCell> ReadRange(int sheet, const TCellRect& rect) override
    {
        if (sheet < 0 || sheet > 65535 || freexl_select_active_worksheet(handle_, static_cast<unsigned short>(sheet)) != FREEXL_OK)
            throw ESpreadsheetError("The workbook has no such worksheet");
        unsigned rows = 0;
        unsigned short cols = 0;
        if (freexl_worksheet_dimensions(handle_, &rows, &cols) != FREEXL_OK) throw ESpreadsheetError("The worksheet is damaged");
        std::vector<TSheetCell> cells(std::size_t(rect.Rows()) * std::size_t(rect.Cols()));
        for (int r = rect.Row0; r <= rect.Row1 && unsigned(r) < rows; ++r)
            for (int c = rect.Col0; c <= rect.Col1 && c < int(cols); ++c) {
                FreeXL_CellValue value;
                if (freexl_get_cell_value(handle_, unsigned(r), static_cast<unsigned short>(c), &value) != FREEXL_OK) continue;
                TSheetCell& cell = cells[std::size_t(r - rect.Row0) * std::size_t(rect.Cols()) + std::size_t(c - rect.Col0)];
                switch (value.type) {
                case FREEXL_CELL_INT:
                    cell.Kind = TSheetCell::ckNumber;
                    cell.Value = value.value.int_value;
                    cell.Text = std::to_string(value.value.int_value);
                    break;
                case FREEXL_CELL_DOUBLE:
                    cell.Kind = TSheetCell::ckNumber;
                    cell.Value = value.value.double_value;
                    cell.Text = FloatToText(value.value.double_value);
                    break;
                case FREEXL_CELL_TEXT:
                case FREEXL_CELL_SST_TEXT:
                case FREEXL_CELL_DATE:
                case FREEXL_CELL_DATETIME:
                case FREEXL_CELL_TIME:
                    cell.Kind = TSheetCell::ckText;
                    cell.Text = value.value.text_value ? value.value.text_value : "";
                    break;
                default: break;
                }
            }
        return cells;
    }

private:
    static std::string FloatToText(double value)
    {
        char buffer[32];
        const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
        return error == std::errc() ? std::string(buffer, end) : std::string();
    }
    const void* handle_ = nullptr;
};

}  // namespace

std::unique_ptr<TSpreadsheetFile> TSpreadsheetFile::OpenXlsxBytes(std::string bytes)
{
    return std::make_unique<TXlsxFile>(std::move(bytes));
}

std::unique_ptr<TSpreadsheetFile> TSpreadsheetFile::OpenXls(const std::string& fileName)
{
    return std::make_unique<TXlsFile>(fileName);
}

std::unique_ptr<TSpreadsheetFile> TSpreadsheetFile::Open(const std::string& fileName)
{
    std::ifstream in(fileName, std::ios::binary);
    if (!in) throw ESpreadsheetError("Cannot open the spreadsheet file \"" + fileName + "\"");
    char magic[2] = {};
    in.read(magic, 2);
    if (magic[0] != 'P' || magic[1] != 'K') return OpenXls(fileName);
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0 || static_cast<unsigned long long>(size) > kMaxPartSize) throw ESpreadsheetError("The spreadsheet file is too large");
    std::string bytes(static_cast<std::size_t>(size), '\0');
    in.seekg(0);
    in.read(bytes.data(), size);
    return OpenXlsxBytes(std::move(bytes));
}
