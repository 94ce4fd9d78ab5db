#include "platform/db/DbfVirtualTable.h"

#include <sqlite3.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <memory>

#include "platform/core/DateTime.h"
#include "platform/core/NumText.h"
#include "platform/core/StringList.h"
#include "platform/db/DbError.h"
#include "platform/db/DbfFile.h"
#include "platform/db/SqlLexer.h"

namespace {

struct DbfTable {
    sqlite3_vtab base{};
    std::unique_ptr<TDbfFile> file;
};

struct DbfCursor {
    sqlite3_vtab_cursor base{};
    std::string record;
    uint32_t index = 0;
    uint32_t end = 0;  // one past the last record this scan visits
};

DbfTable* TableOf(sqlite3_vtab* vtab) { return reinterpret_cast<DbfTable*>(vtab); }
DbfCursor* CursorOf(sqlite3_vtab_cursor* cursor) { return reinterpret_cast<DbfCursor*>(cursor); }
TDbfFile& FileOf(sqlite3_vtab_cursor* cursor) { return *TableOf(cursor->pVtab)->file; }

// Runs a callback body; a database error becomes the statement's error message.
template <typename Body>
int Guarded(sqlite3_vtab* vtab, Body body)
{
    try {
        return body();
    } catch (const std::exception& error) {
        sqlite3_free(vtab->zErrMsg);
        vtab->zErrMsg = sqlite3_mprintf("%s", error.what());
        return SQLITE_ERROR;
    }
}

std::string SchemaOf(const TDbfFile& file)
{
    std::string schema = "CREATE TABLE x(";
    for (size_t i = 0; i < file.Fields().size(); ++i) {
        const TDbfField& f = file.Fields()[i];
        if (i > 0) schema += ", ";
        schema += SqlQuotedName(f.Name) + " " + DeclaredTypeOfField(f.Type, f.Length, f.Decimals);
    }
    return schema + ")";
}

int Connect(sqlite3* db, void* aux, int, const char* const*, sqlite3_vtab** out, char** error)
{
    auto* context = static_cast<TDbfModuleContext*>(aux);
    auto table = std::make_unique<DbfTable>();
    try {
        const std::string& path = context->PendingPath;
        table->file = std::make_unique<TDbfFile>(path, ::access(path.c_str(), W_OK) != 0);
    } catch (const std::exception& e) {
        *error = sqlite3_mprintf("%s", e.what());
        return SQLITE_ERROR;
    }
    const int rc = sqlite3_declare_vtab(db, SchemaOf(*table->file).c_str());
    if (rc != SQLITE_OK) return rc;
    *out = &table.release()->base;
    return SQLITE_OK;
}

int Disconnect(sqlite3_vtab* vtab)
{
    delete TableOf(vtab);
    return SQLITE_OK;
}

// A rowid equality is a direct record read; anything else scans the file.
int BestIndex(sqlite3_vtab* vtab, sqlite3_index_info* info)
{
    for (int i = 0; i < info->nConstraint; ++i) {
        const auto& c = info->aConstraint[i];
        if (c.usable && c.iColumn == -1 && c.op == SQLITE_INDEX_CONSTRAINT_EQ) {
            info->aConstraintUsage[i].argvIndex = 1;
            info->aConstraintUsage[i].omit = 1;
            info->idxNum = 1;
            info->estimatedCost = 1;
            info->estimatedRows = 1;
            info->idxFlags = SQLITE_INDEX_SCAN_UNIQUE;
            return SQLITE_OK;
        }
    }
    const double rows = TableOf(vtab)->file->RecordCount();
    info->estimatedCost = rows + 10;
    info->estimatedRows = (sqlite3_int64)rows + 1;
    return SQLITE_OK;
}

int Open(sqlite3_vtab* vtab, sqlite3_vtab_cursor** out)
{
    auto* cursor = new DbfCursor;
    cursor->record.assign(TableOf(vtab)->file->RecordLength(), ' ');
    *out = &cursor->base;
    return SQLITE_OK;
}

int Close(sqlite3_vtab_cursor* cursor)
{
    delete CursorOf(cursor);
    return SQLITE_OK;
}

// Reads records from the cursor's index on until one is not deleted (or the scan ends).
void SkipDeleted(DbfCursor* cursor, TDbfFile& file)
{
    for (; cursor->index < cursor->end; ++cursor->index) {
        file.ReadRecord(cursor->index, cursor->record.data());
        if (!TDbfFile::IsDeleted(cursor->record.data())) return;
    }
}

int Filter(sqlite3_vtab_cursor* base, int idxNum, const char*, int argc, sqlite3_value** argv)
{
    return Guarded(base->pVtab, [&] {
        DbfCursor* cursor = CursorOf(base);
        TDbfFile& file = FileOf(base);
        const uint32_t count = file.ReloadRecordCount();  // another writer may have appended
        cursor->index = 0;
        cursor->end = count;
        if (idxNum == 1 && argc == 1) {
            const sqlite3_int64 wanted = sqlite3_value_int64(argv[0]);
            const bool valid = sqlite3_value_numeric_type(argv[0]) == SQLITE_INTEGER && wanted >= 0 && wanted < count;
            cursor->index = valid ? uint32_t(wanted) : count;
            cursor->end = valid ? cursor->index + 1 : count;
        }
        SkipDeleted(cursor, file);
        return SQLITE_OK;
    });
}

int Next(sqlite3_vtab_cursor* base)
{
    return Guarded(base->pVtab, [&] {
        ++CursorOf(base)->index;
        SkipDeleted(CursorOf(base), FileOf(base));
        return SQLITE_OK;
    });
}

int Eof(sqlite3_vtab_cursor* base) { return CursorOf(base)->index >= CursorOf(base)->end; }

std::string IsoDate(double date)
{
    int y = 0, m = 0, d = 0;
    DecodeDate(date, y, m, d);
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", y, m, d);
    return text;
}

void ResultOf(sqlite3_context* context, const TDbfField& field, const Variant& value)
{
    switch (value.Type()) {
    case TVarType::Null: return sqlite3_result_null(context);
    case TVarType::String: return sqlite3_result_text(context, value.StringValue().data(), int(value.StringValue().size()), SQLITE_TRANSIENT);
    case TVarType::Integer:
    case TVarType::Boolean: return sqlite3_result_int64(context, value.IntegerValue());
    case TVarType::Date: {
        const std::string text = IsoDate(value.FloatValue());
        return sqlite3_result_text(context, text.data(), int(text.size()), SQLITE_TRANSIENT);
    }
    case TVarType::Float: {
        const double v = value.FloatValue();
        if (field.Decimals == 0 && std::fabs(v) < 9e15 && v == std::trunc(v)) return sqlite3_result_int64(context, sqlite3_int64(v));
        return sqlite3_result_double(context, v);
    }
    }
}

int Column(sqlite3_vtab_cursor* base, sqlite3_context* context, int column)
{
    if (sqlite3_vtab_nochange(context)) return SQLITE_OK;  // an UPDATE that leaves this column alone
    return Guarded(base->pVtab, [&] {
        TDbfFile& file = FileOf(base);
        ResultOf(context, file.Fields()[column], file.GetValue(CursorOf(base)->record.data(), column));
        return SQLITE_OK;
    });
}

int Rowid(sqlite3_vtab_cursor* base, sqlite3_int64* rowid)
{
    *rowid = CursorOf(base)->index;
    return SQLITE_OK;
}

// ---- writing

std::string TextOf(sqlite3_value* value)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
    return text ? std::string(text, sqlite3_value_bytes(value)) : std::string();
}

[[noreturn]] void BadValue(const TDbfField& field, const std::string& text, const char* kind)
{
    DatabaseError("'" + text + "' is not a valid " + kind + " for field " + field.Name);
}

Variant NumberOf(const TDbfField& field, sqlite3_value* value)
{
    if (sqlite3_value_type(value) == SQLITE_INTEGER) return Variant::Float(double(sqlite3_value_int64(value)));
    if (sqlite3_value_type(value) == SQLITE_FLOAT) return Variant::Float(sqlite3_value_double(value));
    const std::string text = Trim(TextOf(value));
    double number = 0;
    if (text.empty()) return Variant();
    if (!TryStrToFloat(text, number, TFormatSettings::Invariant())) BadValue(field, text, "number");
    return Variant::Float(number);
}

Variant DateOf(const TDbfField& field, sqlite3_value* value)
{
    const std::string text = Trim(TextOf(value));
    if (text.empty()) return Variant();
    int y = 0, m = 0, d = 0;
    char rest = 0;
    TDateTime date = 0;
    const int parts = std::sscanf(text.c_str(), "%4d-%2d-%2d%c", &y, &m, &d, &rest);
    if ((parts == 3 || (parts == 4 && rest == ' ')) && TryEncodeDate(y, m, d, date)) return Variant::Date(date);
    if (TryStrToDate(text, date)) return Variant::Date(date);
    BadValue(field, text, "date");
}

Variant LogicalOf(const TDbfField& field, sqlite3_value* value)
{
    if (sqlite3_value_type(value) == SQLITE_INTEGER || sqlite3_value_type(value) == SQLITE_FLOAT)
        return Variant::Boolean(sqlite3_value_double(value) != 0);
    const std::string text = UpperCase(Trim(TextOf(value)));
    if (text.empty()) return Variant();
    if (text == "T" || text == "TRUE" || text == "Y") return Variant::Boolean(true);
    if (text == "F" || text == "FALSE" || text == "N") return Variant::Boolean(false);
    BadValue(field, text, "logical value");
}

Variant VariantOf(const TDbfField& field, sqlite3_value* value)
{
    if (sqlite3_value_type(value) == SQLITE_NULL) return Variant();
    switch (field.Type) {
    case 'N':
    case 'F':
    case 'I': return NumberOf(field, value);
    case 'D': return DateOf(field, value);
    case 'L': return LogicalOf(field, value);
    default: {
        std::string text = TextOf(value);
        return text.empty() ? Variant() : Variant::String(std::move(text));
    }
    }
}

// Puts the statement's values into a record; unchanged columns keep their bytes.
void FillRecord(TDbfFile& file, std::string& record, sqlite3_value** values)
{
    for (size_t i = 0; i < file.Fields().size(); ++i)
        if (!sqlite3_value_nochange(values[i])) file.SetValue(record.data(), int(i), VariantOf(file.Fields()[i], values[i]));
}

int Update(sqlite3_vtab* vtab, int argc, sqlite3_value** argv, sqlite3_int64* rowid)
{
    return Guarded(vtab, [&] {
        TDbfFile& file = *TableOf(vtab)->file;
        if (file.ReadOnly()) DatabaseError("Table '" + file.Path() + "' is read-only");
        file.ReloadRecordCount();
        if (argc == 1) {
            file.SetDeleted(uint32_t(sqlite3_value_int64(argv[0])), true);
            return SQLITE_OK;
        }
        if (sqlite3_value_type(argv[1]) != SQLITE_NULL && (sqlite3_value_type(argv[0]) == SQLITE_NULL ||
                                                            sqlite3_value_int64(argv[0]) != sqlite3_value_int64(argv[1])))
            DatabaseError("The record number of table '" + file.Path() + "' cannot be set");
        if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
            std::string record = file.BlankRecord();
            FillRecord(file, record, argv + 2);
            *rowid = file.AppendRecord(record.data());
            return SQLITE_OK;
        }
        const uint32_t index = uint32_t(sqlite3_value_int64(argv[0]));
        std::string record(file.RecordLength(), ' ');
        file.ReadRecord(index, record.data());
        FillRecord(file, record, argv + 2);
        file.WriteRecord(index, record.data());
        return SQLITE_OK;
    });
}

sqlite3_module MakeModule()
{
    sqlite3_module m{};
    m.iVersion = 1;
    m.xCreate = Connect;
    m.xConnect = Connect;
    m.xBestIndex = BestIndex;
    m.xDisconnect = Disconnect;
    m.xDestroy = Disconnect;
    m.xOpen = Open;
    m.xClose = Close;
    m.xFilter = Filter;
    m.xNext = Next;
    m.xEof = Eof;
    m.xColumn = Column;
    m.xRowid = Rowid;
    m.xUpdate = Update;
    return m;
}

const sqlite3_module kDbfModule = MakeModule();

}  // namespace

std::string DeclaredTypeOfField(char type, int length, int decimals)
{
    switch (type) {
    case 'C': return "CHARACTER(" + std::to_string(length) + ")";
    case 'N':
    case 'F': return "NUMERIC(" + std::to_string(length) + "," + std::to_string(decimals) + ")";
    case 'D': return "DATE";
    case 'L': return "BOOLEAN";
    case 'I': return "INTEGER";
    default: return "BLOB(" + std::to_string(length) + ",1)";
    }
}

void RegisterDbfModule(sqlite3* db, TDbfModuleContext* context)
{
    if (sqlite3_create_module(db, "dbf", &kDbfModule, context) != SQLITE_OK)
        DatabaseError(std::string("Cannot start the local SQL engine: ") + sqlite3_errmsg(db));
}
