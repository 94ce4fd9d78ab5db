#include "platform/db/BatchMove.h"

#include <cstdio>
#include <filesystem>
#include <functional>
#include <unordered_map>

#include "platform/core/StringList.h"
#include "platform/db/DbError.h"
#include "platform/db/Table.h"

bool SameExistingFile(const std::string& first, const std::string& second)
{
    std::error_code error;
    return std::filesystem::is_regular_file(first, error) && std::filesystem::is_regular_file(second, error) &&
           std::filesystem::equivalent(first, second, error);
}

void CopyFieldDefs(TDataSet& source, TFieldDefs& defs)
{
    defs.Clear();
    for (int i = 0; i < source.FieldDefs().Count(); ++i) {
        const TFieldDef& def = source.FieldDefs().Items(i);
        defs.Add(def.Name, def.DataType, def.Size).Precision = def.Precision;
    }
}

// ---- a dBase table as destination

TDataSet& TTableDestination::DataSet() { return table_; }

std::string TTableDestination::KeyFieldNames() const { return table_.IndexFieldNames(); }

void TTableDestination::Recreate(TDataSet& source) { RecreateWithFieldsOf(table_, source); }

bool TTableDestination::IsSameAs(const TDataSet& source) const
{
    const auto* table = dynamic_cast<const TTable*>(&source);
    return table && SameExistingFile(table->FilePath(), table_.FilePath());
}

void TTableDestination::BeginAppends() { table_.BeginAppendBatch(); }

void TTableDestination::EndAppends() { table_.EndAppendBatch(); }

// ---- the move

namespace {

std::string KeyPart(const Variant& value)
{
    char number[40];
    switch (value.Type()) {
    case TVarType::Null: return "0";
    case TVarType::String: return "S" + value.StringValue();
    case TVarType::Boolean: return value.BooleanValue() ? "BT" : "BF";
    default: std::snprintf(number, sizeof number, "N%.17g", value.FloatValue()); return number;
    }
}

std::vector<std::string> SplitNames(const std::string& names)
{
    std::vector<std::string> list;
    for (size_t start = 0;;) {
        const size_t end = names.find(';', start);
        list.push_back(Trim(names.substr(start, end - start)));
        if (end == std::string::npos) return list;
        start = end + 1;
    }
}

// A step of the move that ends once: through Finish on success, where a failure reaches the
// caller, else in the destructor, when the error that stopped the move is already on its way.
class EndsOnce {
public:
    explicit EndsOnce(std::function<void()> end) : end_(std::move(end)) {}
    ~EndsOnce()
    {
        try {
            Finish();
        } catch (...) {
            // the error that stopped the move is already on its way
        }
    }
    EndsOnce(const EndsOnce&) = delete;
    EndsOnce& operator=(const EndsOnce&) = delete;

    void Finish()
    {
        if (!end_) return;
        const std::function<void()> end = std::move(end_);
        end_ = nullptr;
        end();
    }

private:
    std::function<void()> end_;
};

// Opens a dataset for the move and closes it again afterwards when it was closed before.
// Closing may write the records (a text table), so it is a step that ends once.
EndsOnce OpenedForMove(TDataSet& dataSet)
{
    const bool wasActive = dataSet.Active();
    dataSet.Open();
    dataSet.DisableControls();
    return EndsOnce([&dataSet, wasActive] {
        dataSet.EnableControls();
        if (!wasActive) dataSet.Close();
    });
}

// The destination's appends of one move go out together; records appended before a failure
// are written too.
EndsOnce BatchedAppends(TBatchDestination& destination)
{
    destination.BeginAppends();
    return EndsOnce([&destination] { destination.EndAppends(); });
}

}  // namespace

struct TBatchMove::Run {
    TBatchMove& move;
    TDataSet& source;
    TDataSet& destination;
    std::vector<std::pair<TField*, TField*>> columns;  // source field, destination field
    std::vector<std::pair<TField*, TField*>> key;
    std::unordered_map<std::string, TBookmark> keyed;  // destination records by key

    Run(TBatchMove& m, TDataSet& s, TDataSet& d) : move(m), source(s), destination(d) {}

    void MatchColumns()
    {
        for (int i = 0; i < destination.FieldCount(); ++i) {
            TField& target = destination.Fields().Fields(i);
            if (TField* from = source.FindField(target.FieldName())) columns.emplace_back(from, &target);
        }
    }

    void MatchKey(const std::string& names)
    {
        if (names.empty()) DatabaseError("This batch move mode needs an index on the destination");
        for (const std::string& name : SplitNames(names)) {
            TField* from = source.FindField(name);
            if (!from) DatabaseError("Key field '" + name + "' of the destination is missing in the source");
            key.emplace_back(from, &destination.FieldByName(name));
        }
        for (destination.First(); !destination.Eof(); destination.Next()) keyed[DestinationKey()] = destination.GetBookmark();
    }

    std::string DestinationKey() const
    {
        std::string text;
        for (const auto& [from, target] : key) text += KeyPart(target->Value()) + '\x1f';
        return text;
    }

    // The source record's key as the destination stores it; "" when it cannot be stored there.
    std::string SourceKey() const
    {
        std::string text;
        try {
            for (const auto& [from, target] : key) text += KeyPart(target->Convert(from->Value())) + '\x1f';
        } catch (const Exception&) {
            return "";
        }
        return text;
    }

    void CopyFields()
    {
        for (const auto& [from, target] : columns) target->SetValue(from->Value());
    }

    bool MoveRecord(TBatchMode mode)
    {
        const std::string sourceKey = mode == batAppend || mode == batCopy ? "" : SourceKey();
        const auto found = keyed.find(sourceKey);
        const bool exists = !sourceKey.empty() && found != keyed.end();
        if (mode == batDelete || mode == batUpdate || (mode == batAppendUpdate && exists)) {
            if (!exists) return false;
            destination.GotoBookmark(found->second);
            if (mode == batDelete) {
                destination.Delete();
                keyed.erase(found);
                return true;
            }
            destination.Edit();
        } else {
            destination.Append();
        }
        CopyFields();
        destination.Post();
        if (mode == batAppendUpdate && !exists) keyed[sourceKey] = destination.GetBookmark();
        return true;
    }

    void MoveAll(TBatchMode mode)
    {
        for (source.First(); !source.Eof(); source.Next()) {
            try {
                move.movedCount_ += MoveRecord(mode);
            } catch (const Exception&) {
                destination.Cancel();
                if (move.AbortOnProblem) throw;
                ++move.problemCount_;
            }
        }
    }
};

void TBatchMove::SetDestination(TTable* table)
{
    destination_ = table ? std::make_unique<TTableDestination>(*table) : nullptr;
}

void TBatchMove::Execute()
{
    if (!Source || !destination_) DatabaseError("A batch move needs a source and a destination");
    movedCount_ = problemCount_ = 0;
    EndsOnce source = OpenedForMove(*Source);
    if (Mode == batCopy) {
        if (destination_->IsSameAs(*Source)) DatabaseError("A table cannot be copied onto itself");
        destination_->Recreate(*Source);
    }
    EndsOnce destination = OpenedForMove(destination_->DataSet());
    Run run(*this, *Source, destination_->DataSet());
    run.MatchColumns();
    if (Mode != batAppend && Mode != batCopy) run.MatchKey(destination_->KeyFieldNames());
    EndsOnce appends = BatchedAppends(*destination_);
    run.MoveAll(Mode);
    appends.Finish();
    destination.Finish();
    source.Finish();
}
