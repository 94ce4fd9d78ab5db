#include "platform/db/TextTable.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/core/CodePage.h"
#include "platform/core/DateTime.h"
#include "platform/core/NumText.h"
#include "platform/db/DbError.h"
#include "platform/db/DbfFile.h"

namespace fs = std::filesystem;

namespace {

constexpr char kSeparator = ',';
constexpr char kQuote = '"';
const char* const kLineEnd = "\r\n";

std::string Quoted(const std::string& text)
{
    std::string result(1, kQuote);
    for (char c : text) {
        if (c == kQuote) result += kQuote;
        result += c;
    }
    return result + kQuote;
}

std::string DateText(double value)
{
    const bool wholeDay = value == std::floor(value);
    return FormatDateTime(wholeDay ? "yyyy-mm-dd" : "yyyy-mm-dd hh:nn:ss", value, TFormatSettings::Invariant());
}

std::string ValueText(const Variant& value)
{
    switch (value.Type()) {
    case TVarType::Null: return "";
    case TVarType::String: return Quoted(value.StringValue());
    case TVarType::Integer: return std::to_string(value.IntegerValue());
    case TVarType::Float: return FloatToStr(value.FloatValue(), TFormatSettings::Invariant());
    case TVarType::Boolean: return value.BooleanValue() ? "T" : "F";
    case TVarType::Date: return DateText(value.FloatValue());
    }
    return "";
}

std::string LineOf(const std::vector<std::string>& fields)
{
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i)
        line += (i ? std::string(1, kSeparator) : "") + fields[i];
    return line + kLineEnd;
}

// Reads one field starting at `at`; leaves `at` on the separator or line end after it.
std::string ParseField(const std::string& text, size_t& at)
{
    std::string field;
    if (at < text.size() && text[at] == kQuote) {
        for (++at; at < text.size(); ++at) {
            if (text[at] != kQuote) {
                field += text[at];
            } else if (at + 1 < text.size() && text[at + 1] == kQuote) {
                field += kQuote, ++at;
            } else {
                ++at;
                break;
            }
        }
    }
    while (at < text.size() && text[at] != kSeparator && text[at] != '\r' && text[at] != '\n') field += text[at++];
    return field;
}

void SkipLineEnd(const std::string& text, size_t& at)
{
    if (at < text.size() && text[at] == '\r') ++at;
    if (at < text.size() && text[at] == '\n') ++at;
}

}  // namespace

std::vector<std::vector<std::string>> ParseDelimitedText(const std::string& text)
{
    std::vector<std::vector<std::string>> records;
    size_t at = 0;
    while (at < text.size()) {
        std::vector<std::string> fields{ParseField(text, at)};
        while (at < text.size() && text[at] == kSeparator) fields.push_back(ParseField(text, ++at));
        SkipLineEnd(text, at);
        records.push_back(std::move(fields));
    }
    return records;
}

// ---- the table

TTextTable::~TTextTable() { CloseDestroying(); }

bool TTextTable::Exists() const
{
    std::error_code error;
    return fs::is_regular_file(path_, error);
}

void TTextTable::CreateTable()
{
    CheckInactive();
    rows_.clear();
    WriteFile();
    created_ = true;
}

void TTextTable::InternalInitFieldDefs()
{
    // Without a file the definitions are the ones the caller gave for CreateTable.
    if (!Exists()) return;
    std::ifstream in(path_, std::ios::binary);
    std::string header;
    std::getline(in, header);
    const auto parsed = ParseDelimitedText(AnsiToUtf8(header));
    FieldDefs().Clear();
    if (parsed.empty()) return;
    // Every column reads back as text of any length.
    for (const std::string& name : parsed.front()) FieldDefs().Add(name, ftMemo);
}

void TTextTable::InternalOpen()
{
    if (!Exists()) DatabaseError("Table does not exist: " + path_);
    // A table just created keeps the field types it was given; a file read back holds text.
    if (!created_) InternalInitFieldDefs();
    ReadFile();
    current_ = -1;
    changed_ = false;
}

void TTextTable::ReadFile()
{
    std::ifstream in(path_, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    auto records = ParseDelimitedText(AnsiToUtf8(bytes.str()));
    rows_.clear();
    ids_.clear();
    for (size_t r = 1; r < records.size(); ++r) {
        std::vector<Variant> row(FieldDefs().Count());
        for (size_t c = 0; c < row.size() && c < records[r].size(); ++c)
            if (!records[r][c].empty()) row[c] = Variant::String(records[r][c]);
        rows_.push_back(std::move(row));
        ids_.push_back(nextId_++);
    }
}

void TTextTable::WriteFile()
{
    std::string text;
    std::vector<std::string> names;
    for (int i = 0; i < FieldDefs().Count(); ++i) names.push_back(Quoted(FieldDefs().Items(i).Name));
    text += LineOf(names);
    for (const auto& row : rows_) {
        std::vector<std::string> fields;
        for (const Variant& value : row) fields.push_back(ValueText(value));
        text += LineOf(fields);
    }
    TPendingTableFile(path_, Utf8ToAnsi(text), ".tmp").Commit();
}

void TTextTable::InternalClose()
{
    if (changed_) WriteFile();
    rows_.clear();
    ids_.clear();
    buffer_.clear();
    current_ = -1;
    changed_ = false;
    created_ = false;
}

void TTextTable::InternalInitRecord() { buffer_.assign(FieldDefs().Count(), Variant()); }

int TTextTable::InternalPost(bool inserting)
{
    changed_ = true;
    if (!inserting) {
        rows_[current_] = buffer_;
        return current_;
    }
    rows_.push_back(buffer_);
    ids_.push_back(nextId_++);
    return int(rows_.size()) - 1;
}

void TTextTable::InternalDelete(int position)
{
    rows_.erase(rows_.begin() + position);
    ids_.erase(ids_.begin() + position);
    changed_ = true;
}

int TTextTable::InternalBookmarkPosition(TBookmark bookmark) const
{
    const auto found = std::find(ids_.begin(), ids_.end(), bookmark);
    return found == ids_.end() ? -1 : int(found - ids_.begin());
}

Variant TTextTable::GetFieldData(const TField& field) const
{
    const int column = field.FieldNo() - 1;
    if (State() == dsEdit || State() == dsInsert) return buffer_[column];
    if (current_ < 0) return Variant();
    return rows_[current_][column];
}

void TTextTable::SetFieldData(const TField& field, const Variant& value) { buffer_[field.FieldNo() - 1] = value; }

// ---- as destination of a batch move

void TTextTableDestination::Recreate(TDataSet& source) { RecreateWithFieldsOf(table_, source); }

bool TTextTableDestination::IsSameAs(const TDataSet& source) const
{
    const auto* text = dynamic_cast<const TTextTable*>(&source);
    return text && SameExistingFile(text->Path(), table_.Path());
}
