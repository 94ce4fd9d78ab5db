#include "platform/db/Table.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "platform/core/CodePage.h"
#include "platform/core/ScopeGuard.h"
#include "platform/core/StringList.h"
#include "platform/db/Database.h"
#include "platform/db/DbError.h"

namespace {

struct TypeMapping {
    char letter;
    TFieldType type;
};
constexpr TypeMapping kFileTypes[] = {
    {'C', ftString}, {'N', ftFloat}, {'F', ftFloat}, {'D', ftDate},
    {'L', ftBoolean}, {'M', ftMemo}, {'m', ftMemo}, {'I', ftInteger},
};

TFieldType FieldTypeOf(char letter)
{
    for (const auto& m : kFileTypes)
        if (m.letter == letter) return m.type;
    return ftUnknown;
}

// A field definition as a dBase field; numbers without a width get the widest one.
TDbfField FileFieldOf(const TFieldDef& def)
{
    TDbfField f;
    f.Name = def.Name;
    switch (def.DataType) {
    case ftString:
    case ftFixedChar:
    case ftWideString: f.Type = 'C', f.Length = def.Size; break;
    case ftFloat:
    case ftCurrency:
    case ftBCD: f.Type = 'N', f.Length = def.Precision > 0 ? def.Precision : 20, f.Decimals = def.Size; break;
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint: f.Type = 'N', f.Length = def.Precision > 0 ? def.Precision : 11; break;
    case ftDate:
    case ftDateTime: f.Type = 'D', f.Length = 8; break;
    case ftBoolean: f.Type = 'L', f.Length = 1; break;
    case ftMemo:
    case ftFmtMemo:
    case ftBlob: f.Type = 'M', f.Length = 10; break;
    default: DatabaseError("Field '" + def.Name + "': a dBase table cannot hold this field type");
    }
    return f;
}

int CompareValues(const Variant& a, const Variant& b)
{
    if (a.IsNull() || b.IsNull()) return int(!a.IsNull()) - int(!b.IsNull());
    if (a.Type() == TVarType::String && b.Type() == TVarType::String) return a.StringValue().compare(b.StringValue());
    const double x = a.FloatValue(), y = b.FloatValue();
    return x < y ? -1 : x > y ? 1 : 0;
}

}  // namespace

TTable::~TTable() { CloseDestroying(); }

void TTable::SetDatabaseName(const std::string& name)
{
    CheckInactive();
    databaseName_ = name;
}

void TTable::SetTableName(const std::string& name)
{
    CheckInactive();
    tableName_ = name;
}

std::string TTable::FilePath() const
{
    std::filesystem::path name(tableName_);
    if (name.extension().empty()) name += ".dbf";
    if (name.is_absolute()) return name.string();
    const std::string folder = Session().DatabasePath(databaseName_);
    return folder.empty() ? name.string() : (std::filesystem::path(folder) / name).string();
}

bool TTable::Exists() const { return std::filesystem::is_regular_file(FilePath()); }

bool TTable::CanModify() const { return Active() && file_ && !file_->ReadOnly(); }

void TTable::CreateTable()
{
    CheckInactive();
    std::vector<TDbfField> fields;
    for (int i = 0; i < FieldDefs().Count(); ++i) fields.push_back(FileFieldOf(FieldDefs().Items(i)));
    TDbfFile::Create(FilePath(), fields, TableLevel, ProgramCodePage());
}

void TTable::DefineFields(const TDbfFile& file)
{
    FieldDefs().Clear();
    for (const TDbfField& f : file.Fields()) {
        const TFieldType type = FieldTypeOf(f.Type);
        const bool number = f.Type == 'N' || f.Type == 'F';
        TFieldDef& def = FieldDefs().Add(f.Name, type, type == ftString ? f.Length : number ? f.Decimals : 0);
        def.Precision = number ? f.Length : 0;
    }
}

void TTable::InternalInitFieldDefs()
{
    TDbfFile file(FilePath(), true);
    DefineFields(file);
}

void TTable::InternalOpen()
{
    if (tableName_.empty()) DatabaseError("Table name is missing");
    const std::string path = FilePath();
    const bool readOnly = ReadOnly || ::access(path.c_str(), W_OK) != 0;
    file_ = std::make_unique<TDbfFile>(path, readOnly);
    try {
        DefineFields(*file_);
        ReadOrder();
    } catch (...) {
        file_.reset();
        throw;
    }
    current_.assign(file_->RecordLength(), ' ');
}

void TTable::BeginAppendBatch()
{
    CheckActive();
    file_->BeginAppendBatch();
}

void TTable::EndAppendBatch()
{
    if (!file_) return;
    // Records whose write failed are not in the file: they leave the order too.
    TScopeGuard keepWritten([this] {
        const uint32_t count = file_->RecordCount();
        std::erase_if(order_, [count](uint32_t index) { return index >= count; });
    });
    file_->EndAppendBatch();
}

void TTable::InternalClose()
{
    if (file_) file_->WritePendingAppends();
    file_.reset();
    order_.clear();
    memoEdits_.clear();
}

void TTable::ReadOrder()
{
    const std::vector<int> keyFields = IndexFields();  // checks the names before anything changes
    const uint32_t count = file_->RecordCount();
    order_.clear();
    order_.reserve(count);
    std::string record(file_->RecordLength(), ' ');
    for (uint32_t i = 0; i < count; ++i) {
        file_->ReadRecord(i, record.data());
        if (!TDbfFile::IsDeleted(record.data())) order_.push_back(i);
    }
    SortOrder();
}

std::vector<int> TTable::IndexFields() const
{
    std::vector<int> fields;
    for (size_t start = 0; !indexFieldNames_.empty();) {
        const size_t end = indexFieldNames_.find(';', start);
        const std::string name = Trim(indexFieldNames_.substr(start, end - start));
        const int index = file_->FieldIndex(name);
        if (index < 0) DatabaseError("Field '" + name + "' not found");
        fields.push_back(index);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return fields;
}

std::vector<Variant> TTable::KeyOf(const char* record, const std::vector<int>& fields) const
{
    std::vector<Variant> key;
    for (int f : fields) key.push_back(file_->GetValue(record, f));
    return key;
}

bool TTable::KeyLess(const std::vector<Variant>& a, const std::vector<Variant>& b) const
{
    for (size_t i = 0; i < a.size(); ++i)
        if (const int c = CompareValues(a[i], b[i])) return c < 0;
    return false;
}

void TTable::SortOrder()
{
    const std::vector<int> fields = IndexFields();
    if (fields.empty()) return;
    std::vector<std::pair<std::vector<Variant>, uint32_t>> keyed;
    keyed.reserve(order_.size());
    std::string record(file_->RecordLength(), ' ');
    for (uint32_t index : order_) {
        file_->ReadRecord(index, record.data());
        keyed.emplace_back(KeyOf(record.data(), fields), index);
    }
    std::stable_sort(keyed.begin(), keyed.end(), [this](const auto& a, const auto& b) { return KeyLess(a.first, b.first); });
    for (size_t i = 0; i < keyed.size(); ++i) order_[i] = keyed[i].second;
}

void TTable::SetIndexFieldNames(const std::string& names)
{
    if (!Active()) {
        indexFieldNames_ = names;
        return;
    }
    CheckBrowseMode();
    const TBookmark bookmark = GetBookmark();
    const std::string previous = indexFieldNames_;
    indexFieldNames_ = names;
    try {
        IndexFields();
    } catch (...) {
        indexFieldNames_ = previous;
        throw;
    }
    std::sort(order_.begin(), order_.end());  // back to file order, so equal keys keep it
    SortOrder();
    ResyncToBookmark(bookmark);
}

// Where a new or changed record goes in the order: after the records with keys not above its own.
int TTable::PlaceInOrder(uint32_t recordIndex, const char* record)
{
    const std::vector<int> fields = IndexFields();
    if (fields.empty()) {
        order_.push_back(recordIndex);
        return int(order_.size()) - 1;
    }
    const std::vector<Variant> key = KeyOf(record, fields);
    std::string other(file_->RecordLength(), ' ');
    auto place = std::upper_bound(order_.begin(), order_.end(), key, [&](const std::vector<Variant>& k, uint32_t index) {
        file_->ReadRecord(index, other.data());
        return KeyLess(k, KeyOf(other.data(), fields));
    });
    const auto inserted = order_.insert(place, recordIndex);
    return int(inserted - order_.begin());
}

void TTable::InternalLoadRecord(int position)
{
    file_->ReadRecord(order_[position], current_.data());
}

void TTable::InternalInitRecord()
{
    buffer_ = file_->BlankRecord();
    memoEdits_.assign(file_->Fields().size(), std::nullopt);
}

void TTable::InternalEdit()
{
    buffer_ = current_;
    memoEdits_.assign(file_->Fields().size(), std::nullopt);
}

void TTable::InternalCancel() { memoEdits_.clear(); }

int TTable::InternalPost(bool inserting)
{
    // Memo blocks go to the memo file before the record that points to them.
    for (size_t f = 0; f < memoEdits_.size(); ++f)
        if (memoEdits_[f]) file_->SetValue(buffer_.data(), int(f), *memoEdits_[f]);
    memoEdits_.assign(memoEdits_.size(), std::nullopt);
    buffer_[0] = ' ';
    if (inserting) return PlaceInOrder(file_->AppendRecord(buffer_.data()), buffer_.data());

    const int position = RecNo() - 1;
    const uint32_t index = order_[position];
    file_->WriteRecord(index, buffer_.data());
    if (indexFieldNames_.empty()) return position;
    order_.erase(order_.begin() + position);
    return PlaceInOrder(index, buffer_.data());
}

void TTable::InternalDelete(int position)
{
    file_->SetDeleted(order_[position], true);
    order_.erase(order_.begin() + position);
}

void TTable::InternalRefresh()
{
    file_->ReloadRecordCount();
    ReadOrder();
}

int TTable::InternalBookmarkPosition(TBookmark bookmark) const
{
    const auto found = std::find(order_.begin(), order_.end(), uint32_t(bookmark));
    return found == order_.end() ? -1 : int(found - order_.begin());
}

Variant TTable::GetFieldData(const TField& field) const
{
    const int index = field.FieldNo() - 1;
    if (Editing()) {
        if (memoEdits_[index]) return *memoEdits_[index];
        return file_->GetValue(buffer_.data(), index);
    }
    if (!HasCurrentRecord()) return Variant();
    return file_->GetValue(current_.data(), index);
}

void TTable::SetFieldData(const TField& field, const Variant& value)
{
    const int index = field.FieldNo() - 1;
    const char type = file_->Fields()[index].Type;
    if (type == 'M' || type == 'm') {
        memoEdits_[index] = value;
        return;
    }
    file_->SetValue(buffer_.data(), index, value);
}
