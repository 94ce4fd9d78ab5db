#include "chart/output/DuvSpreadsheet.h"

#include <zip.h>

#include <QXmlStreamReader>
#include <cctype>
#include <charconv>
#include <cstring>
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
            throw ESpreadsheetError("The spreadsheet file is not a readable spreadsheet (zip)");
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

// The whole file, up to the largest we read.
std::string ReadSpreadsheetFile(const std::string& fileName)
{
    std::ifstream in(fileName, std::ios::binary);
    if (!in) throw ESpreadsheetError("Cannot open the spreadsheet file \"" + fileName + "\"");
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0 || static_cast<unsigned long long>(size) > kMaxPartSize) throw ESpreadsheetError("The spreadsheet file is too large");
    std::string bytes(static_cast<std::size_t>(size), '\0');
    in.seekg(0);
    in.read(bytes.data(), size);
    if (!in) throw ESpreadsheetError("Cannot read the spreadsheet file \"" + fileName + "\"");
    return bytes;
}

// ---------------------------------------------------------------- xls
//
// Our own reader of the Excel 97 and later format: the compound file holding the workbook
// stream, then the BIFF8 records the ranges need. What always holds:
//  - every sector, chain, record and string length is checked against the bytes that hold it;
//  - a sector chain that loops or leaves the file is an error, never followed twice;
//  - the shared strings are bounded in number; a range's cells are the only cells kept.

constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFreeSector = 0xFFFFFFFF;
constexpr std::size_t kMaxSharedStrings = 16u << 20;

[[noreturn]] void NotReadable(const std::string& fileName, const std::string& why)
{
    throw ESpreadsheetError("The spreadsheet file \"" + fileName + "\" is not a readable spreadsheet: " + why);
}

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t U32(const std::uint8_t* p) { return std::uint32_t(U16(p)) | std::uint32_t(U16(p + 2)) << 16; }
double F64(const std::uint8_t* p)
{
    const std::uint64_t bits = std::uint64_t(U32(p)) | std::uint64_t(U32(p + 4)) << 32;
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void AppendUtf8(std::string& out, std::uint32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | code >> 6);
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | code >> 12);
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | code >> 18);
        out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// UTF-16 code units to UTF-8; a lone surrogate becomes U+FFFD.
void AppendUtf16(std::string& out, const std::vector<std::uint16_t>& units)
{
    for (std::size_t i = 0; i < units.size(); ++i) {
        std::uint32_t code = units[i];
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000) {
            code = 0x10000 + ((code - 0xD800) << 10) + (units[++i] - 0xDC00);
        } else if (code >= 0xD800 && code < 0xE000) {
            code = 0xFFFD;
        }
        AppendUtf8(out, code);
    }
}

// The compound file: sectors, the sector and short-sector tables, and the directory.
class TCompoundFile {
public:
    TCompoundFile(std::string bytes, const std::string& fileName) : bytes_(std::move(bytes)), fileName_(fileName)
    {
        static constexpr std::uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
        if (bytes_.size() < 512 || std::memcmp(bytes_.data(), kSignature, 8) != 0) Fail("it is no compound file");
        const std::uint16_t shift = U16(At(0x1E));
        if (shift != 9 && shift != 12) Fail("its sector size is unknown");
        if (U16(At(0x20)) != 6) Fail("its short sector size is unknown");
        sectorSize_ = std::size_t(1) << shift;
        // A last sector cut short reads as zeros.
        const std::size_t whole = (bytes_.size() + sectorSize_ - 1) / sectorSize_ * sectorSize_;
        bytes_.resize(std::max(whole, sectorSize_));
        sectorCount_ = bytes_.size() / sectorSize_ - 1;
        ReadSectorTable();
        directory_ = ReadChain(U32(At(0x30)), fat_, sectorSize_, false);
        miniCutoff_ = U32(At(0x38));
    }

    // The named stream of the directory (case ignored), or nothing.
    bool FindStream(const std::string& name, std::string& data)
    {
        for (std::size_t at = 0; at + 128 <= directory_.size(); at += 128) {
            const auto* entry = reinterpret_cast<const std::uint8_t*>(directory_.data() + at);
            if (entry[0x42] != 2) continue;
            const std::size_t length = std::min<std::size_t>(U16(entry + 0x40), 64);
            std::string entryName;
            for (std::size_t i = 0; i + 1 < length && (entry[i] || entry[i + 1]); i += 2)
                entryName += entry[i + 1] ? '?' : static_cast<char>(std::tolower(entry[i]));
            if (entryName != LowerCase(name)) continue;
            data = StreamOf(entry);
            return true;
        }
        return false;
    }

private:
    [[noreturn]] void Fail(const std::string& why) const { NotReadable(fileName_, why); }
    const std::uint8_t* At(std::size_t offset) const { return reinterpret_cast<const std::uint8_t*>(bytes_.data() + offset); }
    const std::uint8_t* Sector(std::uint32_t index) const { return At((std::size_t(index) + 1) * sectorSize_); }

    void ReadSectorTable()
    {
        const std::size_t perSector = sectorSize_ / 4;
        const std::uint32_t fatSectors = U32(At(0x2C));
        if (fatSectors > sectorCount_) Fail("its sector table is larger than the file");
        std::vector<std::uint32_t> tableSectors;
        for (std::size_t i = 0; i < 109 && tableSectors.size() < fatSectors; ++i) tableSectors.push_back(U32(At(0x4C + 4 * i)));
        std::vector<bool> seen(sectorCount_, false);
        std::uint32_t next = U32(At(0x44));
        while (tableSectors.size() < fatSectors) {
            if (next >= sectorCount_ || seen[next]) Fail("its sector table list is broken");
            seen[next] = true;
            const std::uint8_t* sector = Sector(next);
            for (std::size_t i = 0; i + 1 < perSector && tableSectors.size() < fatSectors; ++i) tableSectors.push_back(U32(sector + 4 * i));
            next = U32(sector + sectorSize_ - 4);
        }
        fat_.reserve(tableSectors.size() * perSector);
        for (std::uint32_t index : tableSectors) {
            if (index >= sectorCount_) Fail("its sector table lies outside the file");
            const std::uint8_t* sector = Sector(index);
            for (std::size_t i = 0; i < perSector; ++i) fat_.push_back(U32(sector + 4 * i));
        }
    }

    // The bytes of a chain of sectors (short sectors when mini): each link must stay inside the
    // table and the data, and no sector may come twice.
    std::string ReadChain(std::uint32_t start, const std::vector<std::uint32_t>& table, std::size_t unit, bool mini)
    {
        const std::size_t units = mini ? miniStream_.size() / unit : sectorCount_;
        std::vector<bool> seen(units, false);
        std::string data;
        for (std::uint32_t at = start; at != kEndOfChain;) {
            if (at >= units || at >= table.size() || seen[at]) Fail(at == kFreeSector ? "a stream ends in a free sector" : "a sector chain is broken");
            seen[at] = true;
            if (mini) data.append(miniStream_, std::size_t(at) * unit, unit);
            else data.append(reinterpret_cast<const char*>(Sector(at)), unit);
            at = table[at];
        }
        return data;
    }

    std::string StreamOf(const std::uint8_t* entry)
    {
        const std::uint64_t size = U32(entry + 0x78);
        const std::uint32_t start = U32(entry + 0x74);
        std::string data;
        if (size < miniCutoff_) {
            ReadMiniStream();
            data = ReadChain(start, miniFat_, 64, true);
        } else {
            data = ReadChain(start, fat_, sectorSize_, false);
        }
        if (data.size() < size) Fail("a stream is cut short");
        data.resize(std::size_t(size));
        return data;
    }

    void ReadMiniStream()
    {
        if (miniRead_) return;
        miniRead_ = true;
        if (directory_.size() < 128) Fail("it has no root entry");
        const auto* root = reinterpret_cast<const std::uint8_t*>(directory_.data());
        const std::uint32_t first = U32(At(0x3C));
        if (first != kEndOfChain) {
            const std::string table = ReadChain(first, fat_, sectorSize_, false);
            for (std::size_t i = 0; i + 4 <= table.size(); i += 4) miniFat_.push_back(U32(reinterpret_cast<const std::uint8_t*>(table.data() + i)));
        }
        const std::uint32_t start = U32(root + 0x74);
        if (start != kEndOfChain) miniStream_ = ReadChain(start, fat_, sectorSize_, false);
        miniStream_.resize(std::min<std::size_t>(miniStream_.size(), U32(root + 0x78)));
    }

    std::string bytes_;
    std::string fileName_;
    std::size_t sectorSize_ = 512;
    std::size_t sectorCount_ = 0;
    std::vector<std::uint32_t> fat_, miniFat_;
    std::string directory_, miniStream_;
    std::uint32_t miniCutoff_ = 4096;
    bool miniRead_ = false;
};

// One record's data followed by its CONTINUE records, read as one run of bytes; characters of a
// string that cross into a CONTINUE record start there with a new flags byte.
class TRecordRun {
public:
    void Add(const std::uint8_t* data, std::size_t size) { parts_.push_back({data, size}); }
    bool AtEnd()
    {
        Settle();
        return part_ >= parts_.size();
    }
    bool Bytes(std::size_t count, std::uint8_t* out)
    {
        for (std::size_t i = 0; i < count; ++i) {
            Settle();
            if (part_ >= parts_.size()) return false;
            if (out) out[i] = parts_[part_].first[pos_];
            ++pos_;
        }
        return true;
    }
    bool Skip(std::uint64_t count)
    {
        while (count > 0) {
            Settle();
            if (part_ >= parts_.size()) return false;
            const std::size_t step = std::size_t(std::min<std::uint64_t>(count, parts_[part_].second - pos_));
            pos_ += step;
            count -= step;
        }
        return true;
    }
    // count characters, 8-bit or 16-bit as the flags say, appended to out as UTF-8.
    bool Chars(std::size_t count, bool wide, std::string& out)
    {
        std::vector<std::uint16_t> units;
        units.reserve(count);
        while (units.size() < count) {
            if (part_ < parts_.size() && pos_ >= parts_[part_].second) {
                ++part_;
                pos_ = 0;
                std::uint8_t flags = 0;
                if (!Bytes(1, &flags)) return false;
                wide = flags & 1;
            }
            if (part_ >= parts_.size()) return false;
            const std::uint8_t* p = parts_[part_].first + pos_;
            const std::size_t left = parts_[part_].second - pos_;
            if (wide) {
                if (left < 2) return false;
                units.push_back(U16(p));
                pos_ += 2;
            } else {
                units.push_back(*p);
                ++pos_;
            }
        }
        AppendUtf16(out, units);
        return true;
    }
    // A string with a 16-bit count and a flags byte, with its rich-text runs and phonetic data.
    bool UnicodeString(std::string& out)
    {
        std::uint8_t head[3];
        if (!Bytes(3, head)) return false;
        const std::size_t count = U16(head);
        const std::uint8_t flags = head[2];
        std::uint8_t extra[4] = {};
        std::uint32_t runs = 0, phonetic = 0;
        if (flags & 0x08) {
            if (!Bytes(2, extra)) return false;
            runs = U16(extra);
        }
        if (flags & 0x04) {
            if (!Bytes(4, extra)) return false;
            phonetic = U32(extra);
        }
        return Chars(count, flags & 1, out) && Skip(std::uint64_t(runs) * 4) && Skip(phonetic);
    }

private:
    void Settle()
    {
        while (part_ < parts_.size() && pos_ >= parts_[part_].second) {
            ++part_;
            pos_ = 0;
        }
    }
    std::vector<std::pair<const std::uint8_t*, std::size_t>> parts_;
    std::size_t part_ = 0, pos_ = 0;
};

enum : std::uint16_t {
    rtFormula = 0x0006, rtEof = 0x000A, rtFilePass = 0x002F, rtContinue = 0x003C, rtBoundSheet = 0x0085,
    rtMulRk = 0x00BD, rtSst = 0x00FC, rtLabelSst = 0x00FD, rtNumber = 0x0203, rtLabel = 0x0204, rtBoolErr = 0x0205,
    rtString = 0x0207, rtRk = 0x027E, rtBof = 0x0809,
};

double RkValue(std::uint32_t rk)
{
    double value;
    if (rk & 2) {
        value = static_cast<double>(static_cast<std::int32_t>(rk) >> 2);
    } else {
        const std::uint64_t bits = std::uint64_t(rk & 0xFFFFFFFC) << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return rk & 1 ? value / 100 : value;
}

std::string ErrorText(std::uint8_t code)
{
    static const std::map<std::uint8_t, const char*> texts = {{0x00, "#NULL!"}, {0x07, "#DIV/0!"}, {0x0F, "#VALUE!"},
        {0x17, "#REF!"}, {0x1D, "#NAME?"}, {0x24, "#NUM!"}, {0x2A, "#N/A"}};
    const auto found = texts.find(code);
    return found != texts.end() ? found->second : "#N/A";
}

std::string NumberText(double value)
{
    char buffer[32];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return error == std::errc() ? std::string(buffer, end) : std::string();
}

class TXlsFile : public TSpreadsheetFile {
public:
    TXlsFile(std::string bytes, const std::string& fileName) : fileName_(fileName)
    {
        TCompoundFile file(std::move(bytes), fileName);
        if (!file.FindStream("Workbook", stream_)) {
            std::string old;
            NotReadable(fileName, file.FindStream("Book", old) ? "it is older than Excel 97" : "it holds no workbook");
        }
        ReadGlobals();
    }

    std::vector<std::string> SheetNames() override { return names_; }
    std::vector<TSheetCell> ReadRange(int sheet, const TCellRect& rect) override;

private:
    [[noreturn]] void Fail(const std::string& why) const { NotReadable(fileName_, why); }
    const std::uint8_t* Data(std::size_t at) const { return reinterpret_cast<const std::uint8_t*>(stream_.data() + at); }

    // The record at position at: its type and the bounds of its data; false past the end.
    bool Record(std::size_t at, std::uint16_t& type, std::size_t& dataAt, std::size_t& size) const
    {
        if (at >= stream_.size()) return false;
        if (stream_.size() - at < 4) Fail("a record is cut short");
        type = U16(Data(at));
        size = U16(Data(at + 2));
        dataAt = at + 4;
        if (stream_.size() - dataAt < size) Fail("a record is cut short");
        return true;
    }
    // The record's data with the CONTINUE records after it; at moves past them.
    TRecordRun Run(std::size_t& at) const
    {
        TRecordRun run;
        std::uint16_t type = 0;
        std::size_t dataAt = 0, size = 0;
        Record(at, type, dataAt, size);
        run.Add(Data(dataAt), size);
        at = dataAt + size;
        while (Record(at, type, dataAt, size) && type == rtContinue) {
            run.Add(Data(dataAt), size);
            at = dataAt + size;
        }
        return run;
    }
    void CheckBof(std::size_t at, std::uint16_t kind) const
    {
        std::uint16_t type = 0;
        std::size_t dataAt = 0, size = 0;
        if (!Record(at, type, dataAt, size) || type != rtBof || size < 4) Fail("a part does not begin as a workbook part");
        if (U16(Data(dataAt)) != 0x0600) Fail("it is older than Excel 97");
        if (U16(Data(dataAt + 2)) != kind && kind != 0) Fail("a part is of the wrong kind");
    }
    void ReadGlobals();

    std::string fileName_;
    std::string stream_;
    std::vector<std::string> names_;
    std::vector<std::size_t> sheetStarts_;
    std::string sharedText_;
    std::vector<std::size_t> sharedEnds_;
};

void TXlsFile::ReadGlobals()
{
    CheckBof(0, 0x0005);
    std::uint16_t type = 0;
    std::size_t dataAt = 0, size = 0;
    std::size_t at = 0;
    Record(at, type, dataAt, size);
    at = dataAt + size;
    while (Record(at, type, dataAt, size) && type != rtEof) {
        if (type == rtFilePass) Fail("it is protected by a password");
        if (type == rtBoundSheet) {
            if (size < 6) Fail("a sheet entry is cut short");
            TRecordRun name;
            name.Add(Data(dataAt + 6), size - 6);
            std::uint8_t head[2];
            std::string text;
            if (!name.Bytes(2, head) || !name.Chars(head[0], head[1] & 1, text)) Fail("a sheet name is cut short");
            names_.push_back(text);
            sheetStarts_.push_back(U32(Data(dataAt)));
        }
        if (type == rtSst) {
            TRecordRun run = Run(at);
            std::uint8_t counts[8];
            if (!run.Bytes(8, counts)) Fail("the shared strings are cut short");
            while (!run.AtEnd()) {
                if (sharedEnds_.size() >= kMaxSharedStrings) Fail("it holds too many shared strings");
                if (!run.UnicodeString(sharedText_)) Fail("a shared string is cut short");
                sharedEnds_.push_back(sharedText_.size());
            }
            continue;
        }
        at = dataAt + size;
    }
}

std::vector<TSheetCell> TXlsFile::ReadRange(int sheet, const TCellRect& rect)
{
    if (sheet < 0 || sheet >= int(sheetStarts_.size())) throw ESpreadsheetError("The workbook has no such worksheet");
    std::vector<TSheetCell> cells(std::size_t(rect.Rows()) * std::size_t(rect.Cols()));
    const auto cellAt = [&](std::uint16_t row, std::uint16_t col) -> TSheetCell* {
        if (row < rect.Row0 || row > rect.Row1 || col < rect.Col0 || col > rect.Col1) return nullptr;
        return &cells[std::size_t(row - rect.Row0) * std::size_t(rect.Cols()) + std::size_t(col - rect.Col0)];
    };
    const auto setNumber = [](TSheetCell* cell, double value) {
        if (!cell) return;
        cell->Kind = TSheetCell::ckNumber;
        cell->Value = value;
        cell->Text = NumberText(value);
    };
    const auto setText = [](TSheetCell* cell, std::string text) {
        if (!cell) return;
        cell->Kind = TSheetCell::ckText;
        cell->Text = std::move(text);
    };

    std::size_t at = sheetStarts_[std::size_t(sheet)];
    CheckBof(at, 0);
    std::uint16_t type = 0;
    std::size_t dataAt = 0, size = 0;
    Record(at, type, dataAt, size);
    at = dataAt + size;
    TSheetCell* pendingString = nullptr;  // a formula whose text result comes in the next STRING record
    while (Record(at, type, dataAt, size) && type != rtEof) {
        const std::uint8_t* d = Data(dataAt);
        if (type == rtString) {
            TRecordRun run = Run(at);
            std::string text;
            if (!run.UnicodeString(text)) Fail("a formula's text is cut short");
            setText(pendingString, std::move(text));
            pendingString = nullptr;
            continue;
        }
        at = dataAt + size;
        if (type != rtFormula && type != rtMulRk && size < 6) continue;
        switch (type) {
        case rtNumber:
            if (size < 14) Fail("a number cell is cut short");
            setNumber(cellAt(U16(d), U16(d + 2)), F64(d + 6));
            break;
        case rtRk:
            if (size < 10) Fail("a number cell is cut short");
            setNumber(cellAt(U16(d), U16(d + 2)), RkValue(U32(d + 6)));
            break;
        case rtMulRk: {
            if (size < 6) Fail("a number cell row is cut short");
            const std::uint16_t row = U16(d);
            const std::size_t count = (size - 6) / 6;
            for (std::size_t i = 0; i < count; ++i)
                setNumber(cellAt(row, static_cast<std::uint16_t>(U16(d + 2) + i)), RkValue(U32(d + 4 + 6 * i + 2)));
            break;
        }
        case rtLabelSst: {
            if (size < 10) Fail("a text cell is cut short");
            const std::uint32_t index = U32(d + 6);
            if (index >= sharedEnds_.size()) Fail("a text cell names a missing shared string");
            const std::size_t begin = index == 0 ? 0 : sharedEnds_[index - 1];
            setText(cellAt(U16(d), U16(d + 2)), sharedText_.substr(begin, sharedEnds_[index] - begin));
            break;
        }
        case rtLabel: {
            TRecordRun run;
            run.Add(d + 6, size - 6);
            std::uint8_t head[3];
            std::string text;
            if (!run.Bytes(3, head) || !run.Chars(U16(head), head[2] & 1, text)) Fail("a text cell is cut short");
            setText(cellAt(U16(d), U16(d + 2)), std::move(text));
            break;
        }
        case rtBoolErr:
            if (size < 8) Fail("a cell is cut short");
            if (d[7]) setText(cellAt(U16(d), U16(d + 2)), ErrorText(d[6]));
            else setNumber(cellAt(U16(d), U16(d + 2)), d[6] ? 1 : 0);
            break;
        case rtFormula: {
            if (size < 14) Fail("a formula cell is cut short");
            TSheetCell* cell = cellAt(U16(d), U16(d + 2));
            pendingString = nullptr;
            if (U16(d + 12) != 0xFFFF) setNumber(cell, F64(d + 6));
            else if (d[6] == 0) pendingString = cell;
            else if (d[6] == 1) setNumber(cell, d[8] ? 1 : 0);
            else if (d[6] == 2) setText(cell, ErrorText(d[8]));
            else if (d[6] == 3) setText(cell, {});
            break;
        }
        default: break;
        }
    }
    return cells;
}

}  // namespace

std::unique_ptr<TSpreadsheetFile> TSpreadsheetFile::OpenXlsxBytes(std::string bytes)
{
    return std::make_unique<TXlsxFile>(std::move(bytes));
}

std::unique_ptr<TSpreadsheetFile> TSpreadsheetFile::OpenXls(const std::string& fileName)
{
    return std::make_unique<TXlsFile>(ReadSpreadsheetFile(fileName), fileName);
}

std::unique_ptr<TSpreadsheetFile> TSpreadsheetFile::Open(const std::string& fileName)
{
    std::string bytes = ReadSpreadsheetFile(fileName);
    if (!bytes.starts_with("PK")) return std::make_unique<TXlsFile>(std::move(bytes), fileName);
    return OpenXlsxBytes(std::move(bytes));
}
